#include "OpenDatabase.h"

#include "InUseLock.h"
#include "RunAside.h"
#include "TerminStoreConnection.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

#include <utility>

namespace moravel {

OpenDatabase::OpenDatabase(QObject* parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this)) {
    setObjectName(QStringLiteral("openDatabase"));
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    // Every commit writes the file (or its log) and makes and removes the journal in the
    // directory, where a replacing file also appears: a burst of notifications, looked at once.
    const auto notified = [this] {
        rearm();
        m_settle.start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, notified);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, notified);
    connect(&m_settle, &QTimer::timeout, this, &OpenDatabase::look);
}

OpenDatabase::~OpenDatabase() = default;

std::unique_ptr<TerminStore> OpenDatabase::openStore(const QString& path, TerminStore::OpenResult* result,
                                                     QString* reason) {
    if (!InUseLock::heldAloneElsewhere(path))
        return TerminStore::open(path, result, reason);
    std::unique_ptr<TerminStore> opened;
    runAside([&] { opened = TerminStore::open(path, result, reason); });
    return opened;
}

bool OpenDatabase::open(const QString& path, TerminStore::OpenResult* result, QString* reason) {
    drop();
    m_path = path;
    m_store = openStore(path, result, reason);
    if (const QStringList watched = m_watcher->files() + m_watcher->directories(); !watched.isEmpty())
        m_watcher->removePaths(watched);
    m_watcher->addPath(QFileInfo(path).absolutePath());
    rearm();
    m_seenVersion.reset();
    if (const std::optional<TerminStore::Version> version = m_store ? m_store->version() : std::nullopt)
        m_seenVersion = version->data;
    return m_store != nullptr;
}

bool OpenDatabase::reopenIfReplaced(QString* reason) {
    if (m_store && !m_store->isReplaced())
        return true;
    if (m_store)
        qCInfo(lcStore, "%s was replaced, opening the new file", qUtf8Printable(m_path));
    return open(m_path, nullptr, reason);
}

void OpenDatabase::close() {
    drop();
    m_settle.stop();
}

void OpenDatabase::drop() {
    if (!m_store)
        return;
    Q_EMIT reopening();
    m_store.reset();
}

void OpenDatabase::rearm() {
    if (const QStringList files = m_watcher->files(); !files.isEmpty())
        m_watcher->removePaths(files);
    QStringList files;
    for (const QString& file : QStringList{m_path, m_path + QStringLiteral("-wal")}) {
        if (QFileInfo::exists(file))
            files << file;
    }
    const QStringList failed = files.isEmpty() ? QStringList() : m_watcher->addPaths(files);
    if ((!failed.isEmpty() || m_watcher->directories().isEmpty()) && !std::exchange(m_toldWatchFailure, true))
        qCWarning(lcStore, "Cannot watch %s for changes; other programs' changes show at the next reload",
                  qUtf8Printable(m_path));
}

void OpenDatabase::look() {
    if (!m_store)
        return;
    if (m_store->isReplaced()) {
        Q_EMIT changedElsewhere();
        return;
    }
    // The file's own writes notify too; only a commit of another connection moves data_version.
    const std::optional<TerminStore::Version> version = m_store->version();
    if (!version || (m_seenVersion && *m_seenVersion == version->data))
        return;
    m_seenVersion = version->data;
    Q_EMIT changedElsewhere();
}

} // namespace moravel
