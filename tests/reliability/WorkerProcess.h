#pragma once

#include <QByteArray>
#include <QStringList>

#include <sys/types.h>

namespace moravel::test {

// The worker program (Worker.cpp) started as a child process with pipes on its stdin and stdout.
class WorkerProcess {
public:
    explicit WorkerProcess(const QStringList& arguments);
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    // The next line of output without its newline; empty when the worker ended or printed nothing
    // for ten seconds.
    QByteArray readLine();
    // The next line only when it has already arrived.
    bool lineReady();
    void send(char byte);
    // SIGKILL. True when this killed the worker; false when it had already ended by itself.
    bool kill();
    // Waits for the end; the exit code, or -1 when it did not exit normally.
    int wait();

private:
    bool fill(int timeoutMs);

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    QByteArray m_buffer;
};

} // namespace moravel::test
