#include "DavServer.h"
#include "SyncEngine.h"
#include "TestEnvironment.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::sync;

Q_DECLARE_METATYPE(moravel::sync::SyncOutcome)

namespace {

// The sync against a calendar server whose faults the test scripts (dav_script_server.py).
// Today is 7 December 2026, 10:00.
class Guards : public ::testing::Test {
protected:
    static inline QProcess* server = nullptr;
    static inline quint16 port = 0;
    test::TestEnvironment env;
    QTemporaryDir dir;
    std::unique_ptr<TerminStore> store = TerminStore::open(dir.filePath("dBTermin.mdb"));

    static void SetUpTestSuite() {
        port = freePort();
        server = new QProcess;
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(SCRIPT_SERVER), QString::number(port)});
        QString error;
        ASSERT_TRUE(waitUntilListening(*server, port, QStringLiteral("the scripted server"), error))
            << error.toStdString();
    }
    static void TearDownTestSuite() {
        server->kill();
        server->waitForFinished(10000);
        delete server;
        server = nullptr;
    }
    // Each test on an empty calendar with no faults and an empty log.
    void SetUp() override {
        const QJsonObject state =
            control({{"delete", QJsonArray::fromStringList(control({})["hrefs"].toVariant().toStringList())},
                     {"faults", QJsonObject{{"noSyncCollection", false}, {"refusePut", ""}, {"dropPut", 0}}},
                     {"clearLog", true}});
        ASSERT_TRUE(state["hrefs"].toArray().isEmpty());
    }

    static QJsonValue ask(const QString& path, const QJsonObject* order) {
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        QNetworkReply* reply =
            order ? network.post(request, QJsonDocument(*order).toJson()) : network.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QJsonDocument answer = QJsonDocument::fromJson(reply->readAll());
        reply->deleteLater();
        return answer.isArray() ? QJsonValue(answer.array()) : QJsonValue(answer.object());
    }
    static QJsonObject control(const QJsonObject& order) { return ask("/_control", &order).toObject(); }
    // The requests since the last look, each method and path with the conditions it carried.
    static QJsonArray requests() {
        const QJsonArray all = ask("/_log", nullptr).toArray();
        control({{"clearLog", true}});
        return all;
    }
    static QJsonArray ofMethod(const QJsonArray& log, const QString& method) {
        QJsonArray out;
        for (const QJsonValue& entry : log)
            if (entry["method"] == method)
                out.append(entry);
        return out;
    }

    SyncOutcome sync() {
        SyncEngine engine(*store, {QUrl(QStringLiteral("http://127.0.0.1:%1/cal/").arg(port)), kDavUser,
                                   kDavPassword, true, 10000});
        QSignalSpy done(&engine, &SyncEngine::finished);
        engine.start();
        EXPECT_TRUE(done.count() == 1 || done.wait(30000));
        return done.count() ? done.at(0).at(0).value<SyncOutcome>() : SyncOutcome{};
    }
    static Appointment row(qint64 day, const QString& subject) {
        Appointment r;
        r.TerminDatum = QString::number(day);
        r.TerminUhrzeit = "0,62500";
        r.TerminDatumUhrzeit = QString::number(day) + ",625";
        r.Betreff = subject;
        r.Wiederholung = "0";
        r.VorTage = "0";
        r.VorMinuten = "15";
        r.sysGesperrt = "0";
        r.TerminDatumUhrzeitMeldung = "0,00000";
        return r;
    }
    QStringList live() const {
        QStringList out;
        for (const Appointment& r : store->mainList())
            out << r.Betreff;
        out.sort();
        return out;
    }
    static QByteArray event(const QString& uid, const QString& subject) {
        return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Andere//DE\r\nBEGIN:VEVENT\r\n"
                              "UID:%1\r\nDTSTAMP:20261201T120000Z\r\nDTSTART:20261210T100000\r\n"
                              "SUMMARY:%2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
            .arg(uid, subject)
            .toUtf8();
    }
};

} // namespace

// A new resource is sent only where none is; an edit and a deletion only over the version
// synced last, so that a change another client made meanwhile is never overwritten.
TEST_F(Guards, WritesNameTheVersionTheyReplace) {
    ASSERT_TRUE(store->insert(row(46370, "Zahnarzt")));
    ASSERT_EQ(sync().sent, 1);
    QJsonArray puts = ofMethod(requests(), "PUT");
    ASSERT_EQ(puts.size(), 1);
    EXPECT_EQ(puts.at(0)["If-None-Match"], "*");
    EXPECT_FALSE(puts.at(0).toObject().contains("If-Match"));
    const QString href = puts.at(0)["path"].toString();
    EXPECT_TRUE(control({})["hrefs"].toArray().contains(href));

    Appointment edited = store->mainList().at(0);
    edited.Betreff = "Zahnarzt verschoben";
    ASSERT_TRUE(store->replace(edited.ID, edited));
    ASSERT_EQ(sync().sent, 1);
    puts = ofMethod(requests(), "PUT");
    ASSERT_EQ(puts.size(), 1);
    EXPECT_TRUE(puts.at(0)["If-Match"].toString().startsWith('"'))
        << puts.at(0)["If-Match"].toString().toStdString();
    EXPECT_FALSE(puts.at(0).toObject().contains("If-None-Match"));

    ASSERT_TRUE(store->remove(store->mainList().at(0).ID));
    ASSERT_EQ(sync().deletedThere, 1);
    const QJsonArray deletes = ofMethod(requests(), "DELETE");
    ASSERT_EQ(deletes.size(), 1);
    EXPECT_EQ(deletes.at(0)["path"], href);
    EXPECT_TRUE(deletes.at(0)["If-Match"].toString().startsWith('"'));
    EXPECT_TRUE(control({})["hrefs"].toArray().isEmpty());
}

// A write the server refuses because its version changed leaves that one for the next sync;
// everything else of the sync is done.
TEST_F(Guards, RefusedWriteWaitsAndTheRestIsSent) {
    for (const char* subject : {"Arzt", "Bank", "Chor"})
        ASSERT_TRUE(store->insert(row(46370, subject)));
    control({{"faults", QJsonObject{{"refusePut", "SUMMARY:Bank"}}}});
    SyncOutcome outcome = sync();
    EXPECT_TRUE(outcome.ok) << outcome.summary.toStdString();
    EXPECT_EQ(outcome.sent, 2);
    EXPECT_EQ(outcome.deferred, 1);
    EXPECT_EQ(ofMethod(requests(), "PUT").size(), 3);
    control({{"faults", QJsonObject{{"refusePut", ""}}}});
    outcome = sync();
    EXPECT_EQ(outcome.sent, 1);
    EXPECT_EQ(control({})["hrefs"].toArray().size(), 3);
}

// A server without the sync-collection report is listed in full, every time: what it no longer
// lists was deleted there and goes here.
TEST_F(Guards, ServerWithoutSyncReportIsListedInFullAndItsDeletionsCount) {
    control({{"faults", QJsonObject{{"noSyncCollection", true}}}});
    ASSERT_TRUE(store->insert(row(46370, "Arzt")));
    ASSERT_TRUE(store->insert(row(46371, "Bank")));
    SyncOutcome outcome = sync();
    ASSERT_TRUE(outcome.ok) << outcome.summary.toStdString();
    ASSERT_EQ(outcome.sent, 2);
    const QStringList hrefs = control({})["hrefs"].toVariant().toStringList();
    control({{"delete", QJsonArray{hrefs.at(0)}},
             {"put", QJsonObject{{"/cal/neu.ics", QString::fromUtf8(event("neu@andere", "Neu"))}}}});
    outcome = sync();
    ASSERT_TRUE(outcome.ok) << outcome.summary.toStdString();
    EXPECT_EQ(outcome.deletedHere, 1);
    EXPECT_EQ(outcome.fetched, 1);
    EXPECT_EQ(live().size(), 2);
    EXPECT_FALSE(ofMethod(requests(), "PROPFIND").isEmpty());
}

// The token of each listing is kept in the file and the next sync asks with it; a token the
// server no longer knows makes a full listing, which still finds what changed there.
TEST_F(Guards, SyncTokenIsKeptAndAnExpiredOneListsAnew) {
    ASSERT_TRUE(store->insert(row(46370, "Arzt")));
    ASSERT_TRUE(sync().ok);
    QString kept;
    ASSERT_TRUE(store->syncValue("SyncToken", kept));
    EXPECT_FALSE(kept.isEmpty());
    requests();
    EXPECT_EQ(sync().summary, "Abgleich: alles war schon gleich");
    QJsonArray reports = ofMethod(requests(), "REPORT");
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.at(0)["body"].toString().contains("<d:sync-token>" + kept + "</d:sync-token>"));

    control({{"expire", true},
             {"put", QJsonObject{{"/cal/neu.ics", QString::fromUtf8(event("neu@andere", "Neu"))}}}});
    const SyncOutcome outcome = sync();
    ASSERT_TRUE(outcome.ok) << outcome.summary.toStdString();
    EXPECT_EQ(outcome.fetched, 1);
    EXPECT_EQ(live(), QStringList({"Arzt", "Neu"}));
    reports = ofMethod(requests(), "REPORT");
    ASSERT_GE(reports.size(), 2);
    EXPECT_TRUE(reports.at(1)["body"].toString().contains("<d:sync-token></d:sync-token>"));
    QString renewed;
    ASSERT_TRUE(store->syncValue("SyncToken", renewed));
    EXPECT_EQ(renewed, control({})["token"].toString());
}

// A connection that breaks while a PUT is sent fails the sync; the next one sends what is
// missing, and nothing comes twice on either side.
TEST_F(Guards, ConnectionDroppedDuringAPutLosesAndDoublesNothing) {
    for (const char* subject : {"Arzt", "Bank", "Chor", "Dach"})
        ASSERT_TRUE(store->insert(row(46370, subject)));
    control({{"faults", QJsonObject{{"dropPut", 2}}}});
    sync();
    bool dropped = false;
    for (const QJsonValue& entry : requests())
        dropped = dropped || entry["dropped"].toBool();
    EXPECT_TRUE(dropped);
    const SyncOutcome outcome = sync();
    ASSERT_TRUE(outcome.ok) << outcome.summary.toStdString();
    EXPECT_EQ(control({})["hrefs"].toArray().size(), 4);
    EXPECT_EQ(live(), QStringList({"Arzt", "Bank", "Chor", "Dach"}));
    EXPECT_EQ(sync().summary, "Abgleich: alles war schon gleich");
}
