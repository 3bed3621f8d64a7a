#pragma once

#include "TerminStore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class QFileSystemWatcher;

namespace moravel {

// The one owner of a program's open appointment database. Whoever works on the file asks for the
// store at the moment of use and keeps no pointer of its own: when another program puts a new
// file in place of the old one (a restore, a sync tool), the store is opened anew, and
// reopening() comes while the old one still exists. It also tells when another connection has
// changed the file, so that what is shown from it can follow.
class OpenDatabase : public QObject {
    Q_OBJECT
public:
    explicit OpenDatabase(QObject* parent = nullptr);
    ~OpenDatabase() override;

    // TerminStore::open, which waits while another program holds the file alone (it makes it,
    // or an older planner replaces it as it compacts): aside then, so that the calling thread
    // goes on with its events meanwhile.
    static std::unique_ptr<TerminStore>
    openStore(const QString& path, TerminStore::OpenResult* result = nullptr, QString* reason = nullptr);

    // Opens the database at this path in place of any open one (see openStore).
    bool open(const QString& path, TerminStore::OpenResult* result = nullptr, QString* reason = nullptr);
    // The open store; nullptr while none is open. Valid until the next open, reopen or close.
    TerminStore* store() const { return m_store.get(); }
    // The path last opened, also when opening it failed.
    const QString& path() const { return m_path; }
    // Opens the file the path names now when it is another than the one open. False when no
    // store is open afterwards; `reason` then says why in German.
    bool reopenIfReplaced(QString* reason = nullptr);
    void close();

    // How long notifications of the file system are gathered before the file is looked at.
    static constexpr int kSettleMs = 30;

Q_SIGNALS:
    // The store is about to go: whatever works on it stops now and asks again later.
    void reopening();
    // Another connection committed a change to the file, or another file took its place.
    void changedElsewhere();

private:
    void drop();
    void rearm();
    void look();

    std::unique_ptr<TerminStore> m_store;
    QString m_path;
    QFileSystemWatcher* m_watcher;
    QTimer m_settle;
    std::optional<qint64> m_seenVersion;
    bool m_toldWatchFailure = false;
};

} // namespace moravel
