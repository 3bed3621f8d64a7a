#include "AsideProgress.h"

#include <QProgressBar>

#include <algorithm>

namespace moravel::ui {

namespace {
// The bar counts in steps of its own: the work's totals may exceed what a bar holds.
constexpr int kSteps = 1000;
} // namespace

AsideProgress::AsideProgress(QWidget* parent, const QString& label, int showAfterMs)
    : m_dialog(label, QString(), 0, 0, parent), m_bar(new QProgressBar) {
    if (parent)
        m_dialog.setWindowTitle(parent->window()->windowTitle());
    m_dialog.setWindowModality(Qt::WindowModal);
    // Busy until the first report; the bar is set directly, as the dialog's own value would run
    // the events with the user's input among them while the work goes on.
    m_bar->setRange(0, 0);
    m_bar->setValue(0);
    m_dialog.setBar(m_bar);
    m_dialog.setMinimumDuration(showAfterMs);
}

void AsideProgress::report(qint64 done, qint64 total) {
    if (total <= 0)
        return;
    const int value = static_cast<int>(std::clamp<qint64>(done, 0, total) * kSteps / total);
    QMetaObject::invokeMethod(
        m_bar,
        [bar = m_bar, value] {
            bar->setRange(0, kSteps);
            bar->setValue(value);
        },
        Qt::QueuedConnection);
}

} // namespace moravel::ui
