#pragma once

#include <QProgressDialog>

class QProgressBar;

namespace moravel::ui {

// The progress of work done aside (runAside) in a dialog over its window, shown only when the work
// takes longer than showAfterMs: a busy bar until the work tells how far it is.
class AsideProgress {
public:
    AsideProgress(QWidget* parent, const QString& label, int showAfterMs);

    // For the work, from its own thread: the bar follows on the dialog's thread, which goes on
    // with its events meanwhile.
    void report(qint64 done, qint64 total);
    // Hides the dialog once the work is done.
    void finish() { m_dialog.reset(); }

    const QProgressBar* bar() const { return m_bar; }
    const QProgressDialog& dialog() const { return m_dialog; }

private:
    QProgressDialog m_dialog;
    QProgressBar* m_bar;
};

} // namespace moravel::ui
