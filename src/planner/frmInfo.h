#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
namespace moravel::planner {

class frmTermin;

// The planner's info window: version, contact data and the way to the web page.
class frmInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmInfo(frmTermin* owner);

    // "Version 1.0.0" from the build's version.
    static QString versionCaption();

private:
    QLineEdit* TextEmail = nullptr;
    QLineEdit* TextWeb = nullptr;
    QLineEdit* TextPhone = nullptr;
    QLineEdit* TextAddress = nullptr;
    QPushButton* CommandOK = nullptr;
    QPushButton* CommandGo = nullptr;
};

} // namespace moravel::planner
