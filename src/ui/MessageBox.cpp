#include "MessageBox.h"

namespace moravel::ui {

namespace {
std::optional<QMessageBox::StandardButton> g_autoAnswer;
std::vector<MessageBox::Shown> g_history;
} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text, QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton) {
    if (g_autoAnswer) {
        g_history.push_back({icon, title, text, buttons, defaultButton});
        return *g_autoAnswer;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    // Texts carry stored values (subjects, reasons from the database): never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::setAutoAnswer(QMessageBox::StandardButton answer) {
    g_autoAnswer = answer;
}

void MessageBox::reset() {
    g_autoAnswer.reset();
    g_history.clear();
}

const std::vector<MessageBox::Shown>& MessageBox::history() {
    return g_history;
}

void MessageBox::clearHistory() {
    g_history.clear();
}

} // namespace moravel::ui
