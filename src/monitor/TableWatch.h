#pragma once

#include <QObject>
#include <QString>

class QFileSystemWatcher;

namespace moravel::monitor {

// Tells when another program may have changed the appointment database, without looking at it:
// the file itself, its write-ahead log when there is one, and its directory, where the journal
// of every commit comes and goes and where a replacing file appears. Reading the table costs no
// notification, so the monitor's own looks never wake it.
class TableWatch : public QObject {
    Q_OBJECT
public:
    explicit TableWatch(QObject* parent = nullptr);

    // Watches the database at this path from now on; an empty path watches nothing.
    void watch(const QString& databasePath);

Q_SIGNALS:
    void changed();

private:
    void notified();
    // Watches the files as the path names them now: a file put in place by a rename is another
    // file than the one watched before, and a write-ahead log may have come or gone.
    void rearm();

    QFileSystemWatcher* m_watcher;
    QString m_path;
    bool m_toldFailure = false;
};

} // namespace moravel::monitor
