#pragma once

namespace moravel::monitor {

// The monitor's place in the background: the notification-area window, which also holds the
// windows opened from its menu. Without one, the background is the hidden main window.
class Background {
public:
    virtual ~Background() = default;

    // Takes the monitor into the background: the main window disappears, monitoring goes on.
    virtual void show() = 0;
    // AusGewünscht: the user has asked the monitor to end; a popup created then stays silent.
    virtual bool ausGewuenscht() const = 0;
    // The main window has unloaded: the background closes itself and the windows it holds.
    virtual void entladen() = 0;
};

} // namespace moravel::monitor
