#pragma once

#include <QDialog>

class QTextBrowser;

namespace moravel::planner {

// The help page beside the planner (Moravel.html), shown in a window of the planner itself,
// so help works offline with nothing else installed.
class frmHilfe : public QDialog {
    Q_OBJECT
public:
    explicit frmHilfe(const QString& helpFile, QWidget* parent = nullptr);

    static inline const QString kHelpFile = QStringLiteral("Moravel.html");

private:
    QTextBrowser* Browser = nullptr;
};

} // namespace moravel::planner
