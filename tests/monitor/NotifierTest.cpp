// The desktop notifications as a notification service on a bus of the test's own receives them.
#include "FreedesktopNotifier.h"

#include "TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace moravel;
using monitor::FreedesktopNotifier;

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// A notification service that records what it is asked.
class RecordingService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notified {
        QString appName, appIcon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };
    QStringList capabilities;
    std::vector<Notified> notified;
    std::vector<uint> closed;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        notified.push_back({appName, appIcon, summary, body, actions, hints, timeout});
        return uint(notified.size()) + 100;
    }
    void CloseNotification(uint id) { closed.push_back(id); }
};

// A bus of its own, without any service to start: only what a test registers answers on it.
class PrivateBus : public ::testing::Test {
protected:
    PrivateBus() {
        QFile config(dir.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral(
                         "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                         "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig>"
                         "<type>session</type><listen>unix:dir=%1</listen><policy context=\"default\">"
                         "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                         "</policy></busconfig>")
                         .arg(dir.path())
                         .toUtf8());
        config.close();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                      QStringLiteral("--config-file=") + config.fileName()});
        while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) {
        }
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        // Without a bus the connections stay unconnected, and the tests say so.
        const auto connect = [&address](const QString& name) {
            return std::make_unique<QDBusConnection>(
                address.isEmpty() ? QDBusConnection(name) : QDBusConnection::connectToBus(address, name));
        };
        client = connect(QStringLiteral("client"));
        serviceBus = connect(QStringLiteral("service"));
    }
    ~PrivateBus() override {
        client.reset();
        serviceBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        daemon.kill();
        daemon.waitForFinished();
    }
    void startService() {
        ASSERT_TRUE(serviceBus->isConnected());
        ASSERT_TRUE(serviceBus->registerObject(kPath, &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(serviceBus->registerService(kInterface));
    }
    // Shows a reminder's notification and waits for the service to have it.
    quint64 notify(FreedesktopNotifier& notifier, const QString& body = QStringLiteral("Zahnarzt"),
                   bool sounds = false) {
        const size_t before = service.notified.size();
        const quint64 key = notifier.show(QStringLiteral("Fälliger Termin!"), body,
                                          {{QStringLiteral("ok"), QStringLiteral("OK")},
                                           {QStringLiteral("spaeter"), QStringLiteral("Später erinnern")}},
                                          sounds);
        EXPECT_TRUE(QTest::qWaitFor([&] { return service.notified.size() > before; }, 5000));
        return key;
    }

    test::TestEnvironment env;
    QTemporaryDir dir;
    QProcess daemon;
    std::unique_ptr<QDBusConnection> client;
    std::unique_ptr<QDBusConnection> serviceBus;
    RecordingService service;
    QImage icon = [] {
        QImage red(4, 4, QImage::Format_RGBA8888);
        red.fill(Qt::red);
        return red;
    }();
};

} // namespace

TEST_F(PrivateBus, WithoutAServiceNothingFailsAndAServiceThatComesLaterIsUsed) {
    ASSERT_TRUE(client->isConnected());
    FreedesktopNotifier notifier(icon, *client);
    const quint64 unanswered =
        notifier.show(QStringLiteral("Fälliger Termin!"), QStringLiteral("Zahnarzt"), {}, false);
    notifier.close(unanswered);
    startService();
    notify(notifier);
    EXPECT_EQ(service.notified.size(), 1u);
}

TEST_F(PrivateBus, ANotificationShowsTheStoredTextAsItIsWithItsActionsAndThePicture) {
    startService();
    FreedesktopNotifier notifier(icon, *client);
    const QString stored = QStringLiteral("A & <b>B</b>\num 14:30 Uhr");
    // The sound goes with the notification only where the popup is silent; otherwise the service
    // is asked for silence, so that nothing is heard twice.
    const struct {
        QStringList capabilities;
        QString body;
        bool sounds;
    } rows[] = {{{QStringLiteral("actions"), QStringLiteral("body-markup")},
                 QStringLiteral("A &amp; &lt;b&gt;B&lt;/b&gt;\num 14:30 Uhr"),
                 false},
                {{QStringLiteral("actions")}, stored, true}};
    for (const auto& row : rows) {
        service.capabilities = row.capabilities;
        notify(notifier, stored, row.sounds);
        const RecordingService::Notified& got = service.notified.back();
        EXPECT_EQ(got.body, row.body);
        EXPECT_EQ(got.hints.value("sound-name").toString(), row.sounds ? "bell" : "");
        EXPECT_EQ(got.hints.value("suppress-sound").toBool(), !row.sounds);
        EXPECT_EQ(got.summary, QStringLiteral("Fälliger Termin!"));
        EXPECT_EQ(got.actions, QStringList({"ok", "OK", "spaeter", "Später erinnern"}));
        EXPECT_EQ((QStringList{got.appName, got.appIcon, got.hints.value("desktop-entry").toString()}),
                  QStringList({"Wardolin", "wardolin", "wardolin"}));
        EXPECT_EQ(got.timeout, 0);
        const QDBusArgument picture = got.hints.value("image-data").value<QDBusArgument>();
        int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
        bool alpha = false;
        QByteArray pixels;
        picture.beginStructure();
        picture >> width >> height >> stride >> alpha >> bits >> channels >> pixels;
        picture.endStructure();
        EXPECT_EQ((std::vector<int>{width, height, stride, bits, channels, int(pixels.size())}),
                  (std::vector<int>{4, 4, 16, 8, 4, 64}));
        EXPECT_EQ(pixels.left(4), QByteArray("\xff\x00\x00\xff", 4));
    }
}

TEST_F(PrivateBus, AnActionComesBackByItsKeyAndANotificationClosedByTheMonitorIsClosedOnTheService) {
    startService();
    FreedesktopNotifier notifier(icon, *client);
    QSignalSpy chosen(&notifier, &monitor::DesktopNotifier::actionInvoked);
    const quint64 first = notify(notifier);
    const quint64 second = notify(notifier);

    QDBusMessage action = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    action << uint(102) << QStringLiteral("spaeter");
    serviceBus->send(action);
    ASSERT_TRUE(chosen.wait(5000));
    EXPECT_EQ(chosen[0], QVariantList({QVariant::fromValue(second), QStringLiteral("spaeter")}));

    // Closed once shown, and closed before the service had even been asked.
    notifier.close(first);
    notifier.close(notifier.show(QStringLiteral("Fälliger Termin!"), QStringLiteral("Bus"), {}, false));
    notify(notifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.closed.size() >= 2; }, 5000));
    EXPECT_EQ(service.closed, std::vector<uint>({102, 101}));
    EXPECT_EQ(service.notified.size(), 3u);
}

#include "NotifierTest.moc"
