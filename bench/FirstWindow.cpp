// Starts a program and waits, as an X client beside it, for its first top-level window with a
// given title to be mapped: the time from the start to that moment is what the user waits for.
// Then it watches the program's threads until they come to rest: what the program still does
// after the map (painting, work put off until the window shows) ends at the last moment any of
// them ran or waited to run before kQuietSpell without either. The program is the real one,
// unchanged; nothing in it knows it is measured.
//
//   bench_first_window [--settle-ms N] [--keep] TITLE-PREFIX PROGRAM [ARGUMENTS...]
//
// Prints "pid=P ms=T idle_ms=I cpu_ms=C rss_kb=R": the milliseconds to the mapped window and to
// rest, the CPU time its threads alive at rest have spent until then (steadier than the wall time
// on a busy machine), and the program's resident size, read N ms after rest (default 0). The
// program is then ended with SIGTERM, or with --keep left running for the caller, who ends it by
// its pid.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUpAfter = std::chrono::seconds(60);
// Rest: this long without a thread running or runnable and without more than kIdleSpendNs of CPU
// time between two looks (a cursor's blink is less).
constexpr auto kQuietSpell = std::chrono::milliseconds(250);
constexpr auto kLookEvery = std::chrono::milliseconds(2);
constexpr long long kIdleSpendNs = 300000;

std::string windowTitle(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::string title;
    const std::pair<Atom, Atom> candidates[] = {{netName, utf8}, {XA_WM_NAME, AnyPropertyType}};
    for (const auto& [property, type] : candidates) {
        Atom actualType;
        int format;
        unsigned long count, remaining;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format, &count,
                               &remaining, &data) == Success &&
            data) {
            title.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
            if (!title.empty())
                return title;
        }
    }
    return title;
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// The CPU time of all the program's threads in nanoseconds, and whether one of them runs or waits
// for a CPU now.
struct Activity {
    long long cpuNs = 0;
    bool running = false;
};

Activity activity(pid_t pid) {
    Activity seen;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return seen;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = tasks + "/" + entry->d_name;
        long long ns = 0;
        std::ifstream(task + "/schedstat") >> ns;
        seen.cpuNs += ns;
        // The state follows the command name in parentheses, which may itself hold blanks.
        std::string stat;
        std::getline(std::ifstream(task + "/stat"), stat);
        const auto close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'R')
            seen.running = true;
    }
    closedir(dir);
    return seen;
}

struct Rest {
    double ms = 0;    // from start to the last moment the program was busy before a quiet spell
    double cpuMs = 0; // spent by then
};

Rest rest(pid_t pid, Clock::time_point start) {
    Clock::time_point busy = Clock::now();
    long long spent = activity(pid).cpuNs;
    while (Clock::now() - busy < kQuietSpell) {
        std::this_thread::sleep_for(kLookEvery);
        const Activity now = activity(pid);
        if (now.running || now.cpuNs - spent > kIdleSpendNs)
            busy = Clock::now();
        spent = now.cpuNs;
    }
    return {std::chrono::duration<double, std::milli>(busy - start).count(), spent / 1e6};
}

// Ignores errors about windows that went away between their creation and our question.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int settleMs = 0;
    bool keep = false;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--settle-ms") == 0 && arg + 1 < argc)
            settleMs = std::atoi(argv[++arg]);
        else if (std::strcmp(argv[arg], "--keep") == 0)
            keep = true;
        else
            break;
    }
    if (argc - arg < 2) {
        std::fprintf(stderr, "usage: %s [--settle-ms N] [--keep] TITLE-PREFIX PROGRAM [ARGUMENTS...]\n",
                     argv[0]);
        return 2;
    }
    const std::string prefix = argv[arg];
    char** command = argv + arg + 1;

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(display));
        // The program's output is not ours to print, and a kept program must not hold our
        // caller's pipe open.
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        close(devNull);
        execv(command[0], command);
        std::perror("execv");
        _exit(127);
    }

    const int fd = ConnectionNumber(display);
    double ms = -1;
    while (ms < 0) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before showing a window\n", command[0]);
            return 1;
        }
        if (Clock::now() - start > kGiveUpAfter) {
            std::fprintf(stderr, "no window \"%s\" within a minute\n", prefix.c_str());
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            return 1;
        }
        if (!XPending(display)) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(fd, &readable);
            timeval timeout{0, 100000};
            select(fd + 1, &readable, nullptr, nullptr, &timeout);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            // A window manager may reparent the window before mapping it; watching the window
            // itself sees its map wherever it then lies.
            XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
        } else if (event.type == MapNotify && !event.xmap.override_redirect &&
                   windowTitle(display, event.xmap.window).rfind(prefix, 0) == 0) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }

    const Rest atRest = rest(pid, start);
    if (settleMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    std::printf("pid=%d ms=%.1f idle_ms=%.1f cpu_ms=%.1f rss_kb=%ld\n", pid, ms, atRest.ms, atRest.cpuMs,
                residentKb(pid));
    std::fflush(stdout);
    XCloseDisplay(display);
    if (!keep) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return 0;
}
