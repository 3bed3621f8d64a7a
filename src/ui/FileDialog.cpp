#include "FileDialog.h"

#include <QDir>
#include <QFileDialog>

namespace moravel::ui {

namespace {

std::optional<QString> g_autoAnswer;
std::vector<FileDialog::Shown> g_history;

QString run(QWidget* parent, const QString& title, const QString& filter, QFileDialog::AcceptMode mode,
            const QString& suggestedName, const QString& suffix) {
    if (g_autoAnswer) {
        g_history.push_back({title, filter, mode == QFileDialog::AcceptSave});
        return *g_autoAnswer;
    }
    // Qt's own dialog: the same on every desktop, and one whose fields the keyboard reaches.
    QFileDialog dialog(parent, title, QDir::homePath(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString FileDialog::openFile(QWidget* parent, const QString& title, const QString& filter) {
    return run(parent, title, filter, QFileDialog::AcceptOpen, QString(), QString());
}

QString FileDialog::saveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& suggestedName, const QString& suffix) {
    return run(parent, title, filter, QFileDialog::AcceptSave, suggestedName, suffix);
}

void FileDialog::setAutoAnswer(const QString& path) {
    g_autoAnswer = path;
}

void FileDialog::reset() {
    g_autoAnswer.reset();
    g_history.clear();
}

const std::vector<FileDialog::Shown>& FileDialog::history() {
    return g_history;
}

} // namespace moravel::ui
