#include "TableWatch.h"

#include "MonitorLog.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

#include <utility>

namespace moravel::monitor {

TableWatch::TableWatch(QObject* parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this)) {
    setObjectName(QStringLiteral("tableWatch"));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &TableWatch::notified);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &TableWatch::notified);
}

void TableWatch::watch(const QString& databasePath) {
    m_path = databasePath;
    if (const QStringList watched = m_watcher->files() + m_watcher->directories(); !watched.isEmpty())
        m_watcher->removePaths(watched);
    if (!m_path.isEmpty())
        m_watcher->addPath(QFileInfo(m_path).absolutePath());
    rearm();
}

void TableWatch::notified() {
    rearm();
    Q_EMIT changed();
}

void TableWatch::rearm() {
    if (const QStringList files = m_watcher->files(); !files.isEmpty())
        m_watcher->removePaths(files);
    if (m_path.isEmpty())
        return;
    QStringList files;
    for (const QString& file : QStringList{m_path, m_path + QStringLiteral("-wal")}) {
        if (QFileInfo::exists(file))
            files << file;
    }
    const QStringList failed = files.isEmpty() ? QStringList() : m_watcher->addPaths(files);
    const bool directoryWatched = !m_watcher->directories().isEmpty();
    if ((!failed.isEmpty() || !directoryWatched) && !std::exchange(m_toldFailure, true))
        qCWarning(lcMonitor,
                  "Cannot watch %s for changes; changes by other programs are seen within a minute",
                  qUtf8Printable(m_path));
}

} // namespace moravel::monitor
