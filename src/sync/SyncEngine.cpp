#include "SyncEngine.h"

#include "CalendarExport.h"
#include "CalendarImport.h"
#include "ChainContent.h"
#include "DateSerial.h"
#include "ForeignMerge.h"
#include "NumberText.h"
#include "Renewal.h"
#include "StoreExchange.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSync, "moravel.sync")

namespace moravel::sync {

namespace {

const QString kTokenKey = QStringLiteral("SyncToken");
const QString kCollectionKey = QStringLiteral("Adresse");
// Requests in flight at once: what browsers allow per server.
constexpr int kParallel = 4;
constexpr int kFetchBatch = 100;

const DavClient::Headers kXml = {{"Content-Type", "application/xml; charset=utf-8"}};

bool isLive(const Appointment& row) {
    return numtext::parse(row.sysGesperrt) == 0.0;
}

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QString count(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

} // namespace

SyncEngine::SyncEngine(TerminStore& store, SyncSettings settings, QObject* parent)
    : QObject(parent), m_store(store), m_settings(std::move(settings)) {
    m_dav = std::make_unique<DavClient>(m_settings.user, m_settings.password, m_settings.timeoutMs);
    connect(m_dav.get(), &DavClient::requestSent, this, &SyncEngine::requestSent);
}

SyncEngine::~SyncEngine() = default;

QString SyncEngine::lockPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".abgleich");
}

QUrl SyncEngine::urlOf(const QString& href) const {
    return m_settings.collection.resolved(QUrl(href));
}

QString SyncEngine::failureText(const DavReply& reply) const {
    if (reply.status == 401)
        return QStringLiteral(
            "Der Server hat die Anmeldung abgelehnt: Benutzername oder Passwort stimmen nicht.");
    if (reply.status == 403)
        return QStringLiteral("Der Server verweigert den Zugriff auf den Kalender.");
    if (reply.status == 404)
        return QStringLiteral("Unter der Adresse %1 gibt es keinen Kalender.")
            .arg(m_settings.collection.toDisplayString());
    if (reply.timedOut)
        return QStringLiteral("Der Server hat nicht rechtzeitig geantwortet.");
    if (reply.status == 0)
        return QStringLiteral("Der Server ist nicht erreichbar (%1).").arg(reply.networkError);
    return QStringLiteral("Der Server meldet den Fehler %1.").arg(reply.status);
}

void SyncEngine::finish(bool ok, const QString& summary) {
    if (m_done)
        return;
    m_done = true;
    m_lock.reset();
    m_outcome.ok = ok;
    m_outcome.summary = summary;
    m_outcome.requests = m_dav->sent();
    if (!ok)
        qCWarning(lcSync) << "sync failed:" << summary;
    Q_EMIT finished(m_outcome);
}

void SyncEngine::fail(const QString& reason, const DavReply* reply) {
    const QString text = reply ? failureText(*reply) : reason;
    if (reply)
        qCWarning(lcSync) << "request failed:" << reply->status << reply->networkError;
    finish(false, QStringLiteral("Abgleich abgebrochen: ") + text);
}

bool SyncEngine::begin() {
    const QString refused = refusedAddress(m_settings.collection, m_settings.plainHttpConfirmed);
    if (!refused.isEmpty()) {
        finish(false, refused);
        return false;
    }
    m_lock = std::make_unique<QLockFile>(lockPath(m_store.path()));
    // Stale only when its holder is gone, however long a sync takes.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        finish(false, QStringLiteral("Ein anderer Abgleich läuft gerade; dieser entfällt."));
        return false;
    }
    return true;
}

void SyncEngine::check() {
    if (!begin())
        return;
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                            "<d:resourcetype/><d:displayname/></d:prop></d:propfind>";
    DavClient::Headers headers = kXml;
    headers.emplace_back("Depth", "0");
    m_dav->send("PROPFIND", m_settings.collection, body, headers, [this](const DavReply& reply) {
        if (reply.status != 207)
            return fail(QString(), &reply);
        const Multistatus answer = parseMultistatus(reply.body);
        if (answer.members.empty() || !answer.members.front().isCalendar)
            return finish(false, QStringLiteral("Unter der Adresse liegt kein Kalender."));
        const QString name = answer.members.front().displayName;
        finish(true, name.isEmpty() ? QStringLiteral("Verbindung in Ordnung.")
                                    : QStringLiteral("Verbindung in Ordnung: Kalender „%1“.").arg(name));
    });
}

void SyncEngine::start() {
    if (!begin())
        return;
    if (!m_store.isWritable())
        return finish(false, QStringLiteral("Abgleich abgebrochen: ") + m_store.lastError());
    QString collection;
    std::vector<TerminStore::SyncRecord> records;
    std::vector<TerminStore::UidRow> rows;
    std::vector<TerminStore::ForeignComponent> foreign;
    if (!m_store.syncValue(kCollectionKey, collection) || !m_store.syncValue(kTokenKey, m_oldToken) ||
        !m_store.syncRecords(records) || !m_store.rowsWithUids(rows) || !m_store.foreignComponents(foreign))
        return fail(m_store.lastError());
    for (TerminStore::ForeignComponent& component : foreign)
        m_foreign.emplace(component.uid, std::move(component));
    // What was synced with another collection says nothing about this one.
    m_otherCollection = collection != m_settings.collection.toString();
    if (m_otherCollection) {
        records.clear();
        m_oldToken.clear();
    }
    for (TerminStore::SyncRecord& record : records)
        m_records.emplace(record.uid, std::move(record));
    for (TerminStore::UidRow& r : rows) {
        if (!isLive(r.row) || !dayOf(r.row))
            continue;
        if (r.uid.isEmpty())
            m_unnamed.push_back(std::move(r.row));
        else
            m_live[r.uid] = std::move(r.row); // in ID order: the newest live row of a chain counts
    }
    list(!m_oldToken.isEmpty());
}

void SyncEngine::list(bool withToken) {
    const QString token = withToken ? m_oldToken : QString();
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
                            "<d:sync-token>" +
                            escaped(token) +
                            "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                            "</d:sync-collection>";
    m_dav->send("REPORT", m_settings.collection, body, kXml, [this, withToken](const DavReply& reply) {
        if (reply.status == 207) {
            const Multistatus answer = parseMultistatus(reply.body);
            if (answer.valid)
                return takeListing(answer, !withToken);
        }
        // A token the server no longer knows: everything anew.
        if (withToken && (reply.status == 403 || reply.status == 409 || reply.status == 400))
            return list(false);
        // The report is optional: a server without it knows neither it nor, at times, REPORT.
        const bool unknown = reply.status == 405 || reply.status == 501;
        if (!unknown && (reply.status == 0 || reply.status == 401 || reply.status >= 500))
            return fail(QString(), &reply);
        listWithPropfind();
    });
}

void SyncEngine::listWithPropfind() {
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                            "<d:getetag/><d:resourcetype/></d:prop></d:propfind>";
    DavClient::Headers headers = kXml;
    headers.emplace_back("Depth", "1");
    m_dav->send("PROPFIND", m_settings.collection, body, headers, [this](const DavReply& reply) {
        const Multistatus answer = parseMultistatus(reply.body);
        if (reply.status != 207 || !answer.valid)
            return fail(QString(), &reply);
        Multistatus members;
        for (const Member& member : answer.members) {
            if (urlOf(member.href) != m_settings.collection && !member.etag.isEmpty())
                members.members.push_back(member);
        }
        takeListing(members, true);
    });
}

void SyncEngine::takeListing(const Multistatus& listing, bool complete) {
    m_completeListing = complete;
    m_newToken = listing.syncToken;
    std::map<QString, const TerminStore::SyncRecord*> byHref;
    for (const auto& [uid, record] : m_records)
        byHref[urlOf(record.href).path(QUrl::FullyEncoded)] = &record;
    for (const Member& member : listing.members) {
        const QString href = urlOf(member.href).path(QUrl::FullyEncoded);
        if (href == m_settings.collection.path(QUrl::FullyEncoded))
            continue;
        ServerItem item;
        item.href = href;
        item.etag = member.etag;
        item.deleted = member.status == 404;
        const auto known = byHref.find(href);
        if (known != byHref.end())
            item.uid = known->second->uid;
        if (!item.deleted && (known == byHref.end() || known->second->etag != item.etag))
            m_toFetch.push_back(href);
        m_server[href] = item;
    }
    if (complete) {
        for (const auto& [href, record] : byHref) {
            if (m_server.count(href) == 0)
                m_server[href] = ServerItem{href, QString(), true, std::nullopt, record->uid, {}, false};
        }
    }
    fetchNext();
}

void SyncEngine::fetchNext() {
    if (m_fetched >= m_toFetch.size())
        return applyHere();
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:calendar-multiget xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop><d:getetag/><c:calendar-data/>"
                      "</d:prop>";
    const size_t end = std::min(m_toFetch.size(), m_fetched + kFetchBatch);
    for (size_t i = m_fetched; i < end; ++i)
        body += "<d:href>" + escaped(m_toFetch[i]) + "</d:href>";
    body += "</c:calendar-multiget>";
    m_fetched = end;
    DavClient::Headers headers = kXml;
    headers.emplace_back("Depth", "1");
    m_dav->send("REPORT", m_settings.collection, body, headers, [this](const DavReply& reply) {
        const Multistatus answer = parseMultistatus(reply.body);
        if (reply.status != 207 || !answer.valid)
            return fail(QString(), &reply);
        const ical::CalendarContext context = ical::localContext();
        for (const Member& member : answer.members) {
            const auto item = m_server.find(urlOf(member.href).path(QUrl::FullyEncoded));
            if (item == m_server.end() || member.status != 200)
                continue;
            const ical::ImportResult read = ical::importChain(member.calendarData, context);
            if (!read.ok()) {
                qCWarning(lcSync) << "resource" << item->first << "left as it is:" << read.error;
                continue;
            }
            item->second.etag = member.etag.isEmpty() ? item->second.etag : member.etag;
            item->second.row = read.events.front().row;
            item->second.component = member.calendarData;
            item->second.ruleKept = read.events.front().unknownRecurrence;
            if (item->second.uid.isEmpty())
                item->second.uid = read.events.front().chainUid;
        }
        fetchNext();
    });
}

void SyncEngine::applyHere() {
    std::map<QString, const ServerItem*> serverByUid;
    for (const auto& [href, item] : m_server) {
        if (!item.uid.isEmpty() && (item.deleted || item.row || m_records.count(item.uid)))
            serverByUid[item.uid] = &item;
    }
    std::set<QString> uids;
    for (const auto& [uid, row] : m_live)
        uids.insert(uid);
    for (const auto& [uid, record] : m_records)
        uids.insert(uid);
    for (const auto& [uid, item] : serverByUid)
        uids.insert(uid);

    struct Planned {
        QString uid;
        Action action;
        const Appointment* live;
        const ServerItem* item;
    };
    std::vector<Planned> plan;
    for (const QString& uid : uids) {
        const auto liveIt = m_live.find(uid);
        const auto recordIt = m_records.find(uid);
        const auto serverIt = serverByUid.find(uid);
        const Appointment* live = liveIt != m_live.end() ? &liveIt->second : nullptr;
        const TerminStore::SyncRecord* synced = recordIt != m_records.end() ? &recordIt->second : nullptr;
        const ServerItem* item = serverIt != serverByUid.end() ? serverIt->second : nullptr;

        Local local = Local::None;
        if (live && !synced)
            local = Local::New;
        else if (live)
            local = contentOf(*live) == synced->content &&
                            reaches(synced->anchor, *dayOf(*live), live->Wiederholung)
                        ? Local::Unchanged
                        : Local::Changed;
        else if (synced)
            local = Local::Deleted;

        Server server = Server::None;
        if (item && item->deleted)
            server = synced ? Server::Deleted : Server::None;
        else if (item && item->row)
            server = !synced ? Server::New : item->etag == synced->etag ? Server::Unchanged : Server::Changed;
        else if (synced)
            server = item || !m_completeListing ? Server::Unchanged : Server::Deleted;

        const bool same = live && item && item->row && sameAppointment(*live, *item->row);
        plan.push_back({uid, decide(local, server, same), live, item});
    }

    // Nothing written when nothing came: an unchanged sync leaves the file as it was.
    const bool tokenChanged = !m_newToken.isEmpty() && m_newToken != m_oldToken;
    const bool writes = m_otherCollection || tokenChanged || !m_unnamed.empty() ||
                        std::any_of(plan.begin(), plan.end(), [](const Planned& p) {
                            return p.action != Action::Nothing && p.action != Action::Upload &&
                                   p.action != Action::UploadAgain && p.action != Action::DeleteOnServer;
                        });
    if (!writes) {
        for (const Planned& p : plan) {
            if (p.action != Action::Nothing)
                m_push.push_back({p.uid, p.action == Action::DeleteOnServer ? p.action : Action::Upload});
        }
        return pushNext();
    }
    TerminStore::WriteTransaction transaction(m_store);
    if (!transaction.isOpen())
        return fail(m_store.lastError());
    bool written = true;
    const auto record = [this](const QString& uid, const QString& href, const QString& etag,
                               const Appointment& row) {
        return m_store.putSyncRecord({uid, href, etag, contentOf(row), dayOf(row).value_or(0)});
    };
    const auto takeServer = [&](const QString& uid, const ServerItem& item) {
        const auto live = m_live.find(uid);
        std::optional<qint64> id;
        if (live != m_live.end())
            id = m_store.replace(live->second.ID, *item.row);
        else if ((id = m_store.insert(*item.row)))
            written = m_store.setChainUid(*id, uid);
        written = written && id && record(uid, item.href, item.etag, *item.row);
        // What the row cannot hold stays with the chain for the next upload.
        const TerminStore::ForeignComponent kept{uid, item.component, dayOf(*item.row).value_or(0),
                                                 item.ruleKept};
        written = written && m_store.putForeignComponent(kept);
        m_foreign[uid] = kept;
        ++m_outcome.fetched;
        m_outcome.keptRules += item.ruleKept ? 1 : 0;
    };

    if (m_otherCollection)
        written = m_store.clearSyncState() &&
                  m_store.setSyncValue(kCollectionKey, m_settings.collection.toString());
    for (const Planned& p : plan) {
        if (!written)
            break;
        const QString& uid = p.uid;
        const Appointment* live = p.live;
        const ServerItem* item = p.item;
        switch (p.action) {
        case Action::Nothing:
            break;
        case Action::Upload:
        case Action::UploadAgain:
            m_push.push_back({uid, Action::Upload});
            break;
        case Action::DeleteOnServer:
            m_push.push_back({uid, Action::DeleteOnServer});
            break;
        case Action::TakeServer:
            takeServer(uid, *item);
            break;
        case Action::Conflict: {
            // The server's version wins; the local one goes on as an appointment of its own.
            Appointment copy = *live;
            copy.Betreff += QStringLiteral(" (Konflikt)");
            const QString copyUid = TerminStore::newChainUid();
            const std::optional<qint64> id = m_store.insert(copy);
            written = id && m_store.setChainUid(*id, copyUid);
            copy.ID = id.value_or(0);
            m_live[copyUid] = copy;
            m_push.push_back({copyUid, Action::Upload});
            ++m_outcome.conflicts;
            if (written)
                takeServer(uid, *item);
            break;
        }
        case Action::DeleteHere:
            written =
                m_store.remove(live->ID) && m_store.dropSyncRecord(uid) && m_store.dropForeignComponent(uid);
            ++m_outcome.deletedHere;
            break;
        case Action::Record:
            written = record(uid, item->href, item->etag, *live);
            break;
        case Action::Forget:
            written = m_store.dropSyncRecord(uid) && m_store.dropForeignComponent(uid);
            break;
        }
    }
    for (Appointment& row : m_unnamed) {
        if (!written)
            break;
        const QString uid = TerminStore::newChainUid();
        written = m_store.setChainUid(row.ID, uid);
        m_live[uid] = row;
        m_push.push_back({uid, Action::Upload});
    }
    if (written && tokenChanged)
        written = m_store.setSyncValue(kTokenKey, m_newToken);
    if (!written || !transaction.commit())
        return fail(QStringLiteral("Die Termine konnten nicht gespeichert werden: ") + m_store.lastError());
    // Taken as at a start: what the server's versions left behind today is renewed.
    if (renewPassedAppointments(m_store, serial::today(), serial::now()) < 0)
        qCWarning(lcSync) << "renewal after the sync failed:" << m_store.lastError();
    pushNext();
}

void SyncEngine::pushNext() {
    while (!m_aborted && m_inFlight < kParallel && m_pushNext < m_push.size()) {
        const Step step = m_push[m_pushNext++];
        const auto synced = m_records.find(step.uid);
        ++m_inFlight;
        if (step.action == Action::DeleteOnServer) {
            const TerminStore::SyncRecord record = synced->second;
            m_dav->send("DELETE", urlOf(record.href), {}, {{"If-Match", record.etag.toUtf8()}},
                        [this, record](const DavReply& reply) {
                            if (reply.status == 200 || reply.status == 204 || reply.status == 404) {
                                m_recordsToDrop.push_back(record.uid);
                                m_foreign.erase(record.uid);
                                ++m_outcome.deletedThere;
                            } else if (reply.status != 412) {
                                m_aborted = true;
                                m_abortReason = failureText(reply);
                            }
                            pushed();
                        });
            continue;
        }
        const Appointment row = m_live.at(step.uid);
        const QString href = synced != m_records.end()
                                 ? synced->second.href
                                 : m_settings.collection.path(QUrl::FullyEncoded) +
                                       QString::fromLatin1(QUrl::toPercentEncoding(step.uid)) +
                                       QStringLiteral(".ics");
        DavClient::Headers headers = {{"Content-Type", "text/calendar; charset=utf-8"}};
        // Over the version synced last only; a resource that is new here must be new there too.
        // A listing by sync token names only what changed there: a synced resource it leaves out
        // is still the one synced last.
        const auto there = m_server.find(href);
        const bool overwrites =
            synced != m_records.end() && (there == m_server.end() || !there->second.deleted);
        if (overwrites)
            headers.emplace_back("If-Match", synced->second.etag.toUtf8());
        else
            headers.emplace_back("If-None-Match", "*");
        const QByteArray body = bodyOf(step.uid, row);
        m_dav->send("PUT", urlOf(href), body, headers, [this, step, href, row, body](const DavReply& reply) {
            if (reply.status >= 200 && reply.status < 300) {
                m_recordsToPut.push_back(
                    {step.uid, href, reply.etag, contentOf(row), dayOf(row).value_or(0)});
                if (const auto foreign = m_foreign.find(step.uid); foreign != m_foreign.end())
                    // A rule set here has replaced the one the row could not follow.
                    m_foreignToPut.push_back(
                        {step.uid, body, dayOf(row).value_or(0),
                         foreign->second.ruleKept && numtext::parseWhole(row.Wiederholung).value_or(0) == 0});
                ++m_outcome.sent;
            } else if (reply.status == 412) {
                qCInfo(lcSync) << "changed on the server meanwhile, left for the next sync:" << href;
                ++m_outcome.deferred;
            } else {
                m_aborted = true;
                m_abortReason = failureText(reply);
            }
            pushed();
        });
    }
    if (m_inFlight == 0)
        pushed();
}

void SyncEngine::pushed() {
    if (m_inFlight > 0)
        --m_inFlight;
    if (m_inFlight > 0)
        return;
    if (!m_aborted && m_pushNext < m_push.size())
        return pushNext();
    const bool kept = writeRecords();
    if (m_aborted)
        return fail(m_abortReason);
    if (!kept)
        return fail(QStringLiteral("Der Stand des Abgleichs konnte nicht gespeichert werden: ") +
                    m_store.lastError());
    QStringList parts;
    if (m_outcome.fetched)
        parts << count(m_outcome.fetched, "Termin geholt", "Termine geholt");
    if (m_outcome.sent)
        parts << count(m_outcome.sent, "Termin gesendet", "Termine gesendet");
    if (m_outcome.deletedHere)
        parts << count(m_outcome.deletedHere, "Termin hier gelöscht", "Termine hier gelöscht");
    if (m_outcome.deletedThere)
        parts << count(m_outcome.deletedThere, "Termin auf dem Server gelöscht",
                       "Termine auf dem Server gelöscht");
    if (m_outcome.conflicts)
        parts << count(m_outcome.conflicts, "Konflikt (beide Fassungen behalten)",
                       "Konflikte (beide Fassungen behalten)");
    if (m_outcome.keptRules)
        parts << count(m_outcome.keptRules,
                       "Termin als einmaliger Termin übernommen; auf dem Server bleibt die Regel erhalten",
                       "Termine als einmalige Termine übernommen; auf dem Server bleibt die Regel erhalten");
    if (m_outcome.deferred)
        parts << count(m_outcome.deferred,
                       "Termin auf dem Server inzwischen geändert, folgt beim nächsten Abgleich",
                       "Termine auf dem Server inzwischen geändert, folgen beim nächsten Abgleich");
    finish(true, parts.isEmpty() ? QStringLiteral("Abgleich: alles war schon gleich")
                                 : QStringLiteral("Abgleich: ") + parts.join(QStringLiteral(", ")));
}

// Over the component another program made of the chain, when there is one: only what was
// edited here changes in it.
QByteArray SyncEngine::bodyOf(const QString& uid, const Appointment& row) const {
    const ical::CalendarContext context = ical::localContext();
    const auto foreign = m_foreign.find(uid);
    if (foreign != m_foreign.end()) {
        // Read as on the day it was taken, the component gives the row it became then.
        const qint64 anchor = foreign->second.anchor;
        const ical::CalendarContext then{context.zone, QDateTime(serial::dateOfDay(anchor), QTime(0, 0))};
        const ical::ImportResult taken = ical::importChain(foreign->second.text, then);
        const std::optional<qint64> day = dayOf(row);
        if (taken.ok() && day) {
            Appointment base = taken.events.front().row;
            base.TerminDatum = QString::number(reaches(anchor, *day, row.Wiederholung) ? *day : anchor);
            if (const std::optional<QByteArray> merged =
                    ical::mergeChain(foreign->second.text, base, {row, uid}, context))
                return *merged;
        }
        qCWarning(lcSync) << "the kept component of" << uid << "is unreadable; sent as the row alone";
    }
    return ical::exportChain({row, uid}, context).text;
}

bool SyncEngine::writeRecords() {
    if (m_recordsToPut.empty() && m_recordsToDrop.empty())
        return true;
    TerminStore::WriteTransaction transaction(m_store);
    bool written = transaction.isOpen();
    for (const TerminStore::SyncRecord& record : m_recordsToPut)
        written = written && m_store.putSyncRecord(record);
    for (const TerminStore::ForeignComponent& component : m_foreignToPut)
        written = written && m_store.putForeignComponent(component);
    for (const QString& uid : m_recordsToDrop)
        written = written && m_store.dropSyncRecord(uid) && m_store.dropForeignComponent(uid);
    return written && transaction.commit();
}

} // namespace moravel::sync
