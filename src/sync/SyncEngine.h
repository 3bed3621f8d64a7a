#pragma once

#include "DavClient.h"
#include "Multistatus.h"
#include "SyncDecision.h"
#include "SyncSettings.h"
#include "TerminStore.h"

#include <QLockFile>
#include <QObject>

#include <map>
#include <memory>
#include <set>

namespace moravel::sync {

struct SyncOutcome {
    bool ok = false;
    QString summary; // German: what was done, or why nothing could be
    int requests = 0;
    int fetched = 0; // taken from the server
    int sent = 0;    // sent to the server
    int deletedHere = 0;
    int deletedThere = 0;
    int conflicts = 0;
    int deferred = 0;  // changed on the server while this sync ran: sent or merged by the next
    int keptRules = 0; // taken as one-offs from rules no recurrence type follows
};

// One two-way sync of the appointment file with a CalDAV calendar collection (RFC 4791). Each
// chain is one VEVENT resource named by its UID. Changes on the server are found with the
// collection's sync token (RFC 6578) and ETags, local ones against what the last sync left.
// Everything fetched is written in one transaction before anything is sent; each request sent
// is recorded when its answer came, so an interrupted sync leaves both sides consistent and
// the next one goes on from there. A sync holds a lock beside the file that every program's
// sync takes: never two at once.
class SyncEngine : public QObject {
    Q_OBJECT
public:
    SyncEngine(TerminStore& store, SyncSettings settings, QObject* parent = nullptr);
    ~SyncEngine() override;

    // Starts the sync; finished() follows once, also when it could not start.
    void start();
    // Only asks the server whether the address names a calendar it lets us read.
    void check();

    static QString lockPath(const QString& databasePath);

Q_SIGNALS:
    void finished(const moravel::sync::SyncOutcome& outcome);
    void requestSent(int count);

private:
    struct ServerItem {
        QString href;
        QString etag;
        bool deleted = false;
        std::optional<Appointment> row; // fetched and read
        QString uid;
        QByteArray component; // the resource as fetched
        bool ruleKept = false;
    };
    struct Step {
        QString uid;
        Action action;
    };

    bool begin();
    void list(bool withToken);
    void listWithPropfind();
    void takeListing(const Multistatus& listing, bool complete);
    void fetchNext();
    void applyHere();
    void pushNext();
    void pushed();
    void fail(const QString& reason, const DavReply* reply = nullptr);
    void finish(bool ok, const QString& summary);
    bool writeRecords();
    QByteArray bodyOf(const QString& uid, const Appointment& row) const;
    QUrl urlOf(const QString& href) const;
    QString failureText(const DavReply& reply) const;

    TerminStore& m_store;
    SyncSettings m_settings;
    std::unique_ptr<DavClient> m_dav;
    std::unique_ptr<QLockFile> m_lock;
    SyncOutcome m_outcome;
    bool m_done = false;

    std::map<QString, TerminStore::SyncRecord> m_records; // by UID
    std::map<QString, Appointment> m_live;                // live rows by UID
    std::vector<Appointment> m_unnamed;                   // live rows without a UID
    std::map<QString, ServerItem> m_server;               // by href
    bool m_completeListing = false;
    bool m_otherCollection = false;
    QString m_oldToken;
    QString m_newToken;
    std::vector<QString> m_toFetch;
    size_t m_fetched = 0;

    std::vector<Step> m_push;
    size_t m_pushNext = 0;
    int m_inFlight = 0;
    bool m_aborted = false;
    QString m_abortReason;
    std::vector<TerminStore::SyncRecord> m_recordsToPut;
    std::vector<QString> m_recordsToDrop;
    std::map<QString, TerminStore::ForeignComponent> m_foreign; // by UID
    std::vector<TerminStore::ForeignComponent> m_foreignToPut;
};

} // namespace moravel::sync
