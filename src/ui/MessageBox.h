#pragma once

#include <QMessageBox>
#include <QString>

#include <optional>
#include <vector>

namespace moravel::ui {

// Every message box of both programs goes through here, so that a test can read what
// would have been shown and answer it without a dialog ever blocking.
class MessageBox {
public:
    struct Shown {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };

    static QMessageBox::StandardButton
    show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // Test mode: answer every following box with this button instead of showing it.
    static void setAutoAnswer(QMessageBox::StandardButton answer);
    // Back to real dialogs; forgets what was recorded.
    static void reset();
    static const std::vector<Shown>& history();
    static void clearHistory();
};

} // namespace moravel::ui
