#pragma once

#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace moravel::ui {

// Every file dialog of both programs goes through here, so that a test can choose the file
// without a dialog ever blocking, as with MessageBox.
class FileDialog {
public:
    struct Shown {
        QString title;
        QString filter;
        bool saving;
    };

    // The file the user chose to read; empty when the dialog was cancelled.
    static QString openFile(QWidget* parent, const QString& title, const QString& filter);
    // The file the user chose to write, with `suffix` added when the name has none; empty when
    // cancelled. The dialog asks before an existing file is replaced.
    static QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                            const QString& suggestedName, const QString& suffix);

    // Test mode: answer every following dialog with this path (empty: cancelled).
    static void setAutoAnswer(const QString& path);
    // Back to real dialogs; forgets what was recorded.
    static void reset();
    static const std::vector<Shown>& history();
};

} // namespace moravel::ui
