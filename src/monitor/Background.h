#pragma once

namespace moravel::monitor {

// The monitor's place in the background. The notification-area window takes this role; as
// long as none is installed, the background is the hidden main window and nothing can ask
// the monitor to end from there.
class Background {
public:
    virtual ~Background() = default;

    // Takes the monitor into the background: the main window disappears, monitoring goes on.
    virtual void show() = 0;
    // AusGewünscht: the user has asked the monitor to end; a popup created then stays silent.
    virtual bool ausGewuenscht() const = 0;
};

} // namespace moravel::monitor
