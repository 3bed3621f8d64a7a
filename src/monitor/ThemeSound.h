#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace moravel::monitor {

class ThemePlayer;

// The sound theme's event "bell" (Debian: sound-theme-freedesktop), played by libcanberra through
// the session's sound server (PulseAudio, or PipeWire's PulseAudio service). Connecting and loading
// the sound into the server's cache start on a thread of their own as soon as it is made, so the
// first beep of the first reminder is neither late nor lost, and the windows never wait for the
// server. Where no sound server answers, a beep is the fallback (the X bell) instead, logged once
// until the server answers again.
class ThemeSound : public QObject {
    Q_OBJECT
public:
    explicit ThemeSound(std::function<void()> fallback);
    // Waits for the sound thread to end; a sound already handed to the server plays on.
    ~ThemeSound() override;
    ThemeSound(const ThemeSound&) = delete;
    ThemeSound& operator=(const ThemeSound&) = delete;

    // One beep; returns at once.
    void play();

Q_SIGNALS:
    // A beep has gone to the sound server (true) or to the fallback (false).
    void played(bool throughServer);

private:
    void failed(const QString& why);

    std::function<void()> m_fallback;
    QThread m_thread;
    ThemePlayer* m_player;
    bool m_toldFailure = false;
};

} // namespace moravel::monitor
