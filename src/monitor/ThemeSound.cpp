#include "ThemeSound.h"

#include <QLoggingCategory>

#include <canberra.h>

namespace moravel::monitor {

namespace {

Q_LOGGING_CATEGORY(lcSound, "moravel.monitor.sound")

// The event of the freedesktop sound naming scheme a reminder sounds with.
constexpr const char* kEvent = "bell";
constexpr const char* kDescription = "Erinnerung an einen fälligen Termin";
constexpr uint32_t kPlayId = 1;

QString canberraError(const char* step, int code) {
    return QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromUtf8(ca_strerror(code)));
}

} // namespace

// Lives on the sound thread: every call into libcanberra, which may wait for the server, is made here.
class ThemePlayer : public QObject {
    Q_OBJECT
public:
    ~ThemePlayer() override { disconnectServer(); }

public Q_SLOTS:
    // Connects to the server and puts the sound into its cache; on failure the next beep tries again.
    void prepare() { connectServer(); }

    void play() {
        if (!m_context && !connectServer()) {
            Q_EMIT failed(m_lastError);
            return;
        }
        const int result =
            ca_context_play(m_context, kPlayId, CA_PROP_EVENT_ID, kEvent, CA_PROP_EVENT_DESCRIPTION,
                            kDescription, CA_PROP_MEDIA_ROLE, "event", nullptr);
        if (result == CA_SUCCESS) {
            Q_EMIT played();
            return;
        }
        // A server gone since (restarted, say) is asked for again at the next beep.
        disconnectServer();
        Q_EMIT failed(canberraError("ca_context_play", result));
    }

Q_SIGNALS:
    void played();
    void failed(const QString& why);

private:
    bool connectServer() {
        int result = ca_context_create(&m_context);
        if (result == CA_SUCCESS)
            result = ca_context_set_driver(m_context, "pulse");
        if (result == CA_SUCCESS)
            result = ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Wardolin",
                                             CA_PROP_APPLICATION_ID, "wardolin",
                                             CA_PROP_APPLICATION_ICON_NAME, "wardolin", nullptr);
        if (result == CA_SUCCESS)
            result = ca_context_open(m_context);
        if (result != CA_SUCCESS) {
            m_lastError = canberraError("ca_context_open", result);
            disconnectServer();
            return false;
        }
        // Without the cache the sound is read from its file at each beep, which still sounds.
        result = ca_context_cache(m_context, CA_PROP_EVENT_ID, kEvent, CA_PROP_EVENT_DESCRIPTION,
                                  kDescription, nullptr);
        if (result != CA_SUCCESS)
            qCWarning(lcSound, "The sound \"%s\" is not in the sound server's cache (%s)", kEvent,
                      qUtf8Printable(canberraError("ca_context_cache", result)));
        return true;
    }

    void disconnectServer() {
        if (m_context)
            ca_context_destroy(m_context);
        m_context = nullptr;
    }

    ca_context* m_context = nullptr;
    QString m_lastError;
};

ThemeSound::ThemeSound(std::function<void()> fallback)
    : m_fallback(std::move(fallback)), m_player(new ThemePlayer) {
    m_thread.setObjectName(QStringLiteral("ThemeSound"));
    m_player->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_player, &QObject::deleteLater);
    connect(m_player, &ThemePlayer::played, this, [this] {
        m_toldFailure = false;
        Q_EMIT played(true);
    });
    connect(m_player, &ThemePlayer::failed, this, &ThemeSound::failed);
    m_thread.start();
    QMetaObject::invokeMethod(m_player, &ThemePlayer::prepare, Qt::QueuedConnection);
}

ThemeSound::~ThemeSound() {
    m_thread.quit();
    m_thread.wait();
}

void ThemeSound::play() {
    QMetaObject::invokeMethod(m_player, &ThemePlayer::play, Qt::QueuedConnection);
}

void ThemeSound::failed(const QString& why) {
    if (!std::exchange(m_toldFailure, true))
        qCWarning(lcSound, "No sound server answers (%s); the reminder beeps with the X bell",
                  qUtf8Printable(why));
    m_fallback();
    Q_EMIT played(false);
}

} // namespace moravel::monitor

#include "ThemeSound.moc"
