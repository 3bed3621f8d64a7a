#include "FreedesktopNotifier.h"

#include "MonitorLog.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace moravel::monitor {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Wardolin");
// The name under which the program's icon and desktop entry are installed.
const QString kDesktopName = QStringLiteral("wardolin");
// The sound theme's event the popup's beeps play too.
const QString kSoundName = QStringLiteral("bell");
constexpr uchar kNormalUrgency = 1;
constexpr int kNeverExpires = 0;

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

// The "image-data" hint: width, height, bytes per line, alpha, bits per sample, channels, pixels.
QVariant imageData(const QImage& icon) {
    const QImage rgba = icon.convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument argument;
    argument.beginStructure();
    argument << rgba.width() << rgba.height() << int(rgba.bytesPerLine()) << true << 8 << 4
             << QByteArray(reinterpret_cast<const char*>(rgba.constBits()), rgba.sizeInBytes());
    argument.endStructure();
    return QVariant::fromValue(argument);
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QImage icon, const QDBusConnection& bus)
    : m_icon(std::move(icon)), m_bus(bus) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(serviceActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                  SLOT(serviceNotificationClosed(uint, uint)));
}

quint64 FreedesktopNotifier::show(const QString& summary, const QString& body,
                                  const std::vector<Action>& actions, bool sounds) {
    const quint64 key = ++m_lastKey;
    if (!m_bus.isConnected()) {
        unavailable(QStringLiteral("no bus"));
        return key;
    }
    QStringList flat;
    for (const Action& action : actions)
        flat << action.key << action.label;
    m_pending.insert(key);
    // Whether the body is read as markup is the service's choice; it is asked every time, since
    // another service may have taken over since the last reminder.
    auto* asked = new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this,
            [this, key, summary, body, flat, sounds](QDBusPendingCallWatcher* watcher) {
                watcher->deleteLater();
                const QDBusPendingReply<QStringList> reply = *watcher;
                if (reply.isError()) {
                    m_pending.remove(key);
                    m_closeWhenShown.remove(key);
                    unavailable(reply.error().message());
                    return;
                }
                notify(key, summary, body, flat, sounds,
                       reply.value().contains(QStringLiteral("body-markup")));
            });
    return key;
}

void FreedesktopNotifier::notify(quint64 key, const QString& summary, const QString& body,
                                 const QStringList& actions, bool sounds, bool markup) {
    if (m_closeWhenShown.remove(key)) {
        m_pending.remove(key);
        return;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kNormalUrgency));
    hints.insert(QStringLiteral("desktop-entry"), kDesktopName);
    if (!m_icon.isNull())
        hints.insert(QStringLiteral("image-data"), imageData(m_icon));
    // The popup's beeps are the sound of a reminder; the service's own sound only where they are not.
    if (sounds)
        hints.insert(QStringLiteral("sound-name"), kSoundName);
    else
        hints.insert(QStringLiteral("suppress-sound"), true);
    QDBusMessage message = call(QStringLiteral("Notify"));
    // Stored text is shown as it is: where the service reads markup, its characters are escaped.
    message << kAppName << uint(0) << kDesktopName << summary << (markup ? body.toHtmlEscaped() : body)
            << actions << hints << kNeverExpires;
    auto* sent = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(sent, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* watcher) {
        watcher->deleteLater();
        m_pending.remove(key);
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            m_closeWhenShown.remove(key);
            unavailable(reply.error().message());
            return;
        }
        m_toldUnavailable = false;
        if (m_closeWhenShown.remove(key))
            closeOnService(reply.value());
        else
            m_keys.insert(reply.value(), key);
    });
}

void FreedesktopNotifier::close(quint64 key) {
    if (m_pending.contains(key)) {
        m_closeWhenShown.insert(key);
        return;
    }
    for (auto it = m_keys.begin(); it != m_keys.end(); ++it) {
        if (it.value() == key) {
            const uint id = it.key();
            m_keys.erase(it);
            closeOnService(id);
            return;
        }
    }
}

void FreedesktopNotifier::closeOnService(uint id) {
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << id;
    // The notification may be gone already; the answer does not matter.
    m_bus.asyncCall(message);
}

void FreedesktopNotifier::serviceActionInvoked(uint id, const QString& action) {
    const auto found = m_keys.constFind(id);
    if (found == m_keys.constEnd())
        return;
    const quint64 key = found.value();
    m_keys.erase(found);
    // Not every service closes a notification whose action was chosen.
    closeOnService(id);
    Q_EMIT actionInvoked(key, action);
}

void FreedesktopNotifier::serviceNotificationClosed(uint id, uint /*reason*/) {
    m_keys.remove(id);
}

void FreedesktopNotifier::unavailable(const QString& why) {
    if (!std::exchange(m_toldUnavailable, true))
        qCWarning(lcMonitor, "No desktop notifications (%s); reminders come as the popup alone",
                  qUtf8Printable(why));
}

} // namespace moravel::monitor
