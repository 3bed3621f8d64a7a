#include "WorkerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace moravel::test {

WorkerProcess::WorkerProcess(const QStringList& arguments) {
    std::vector<QByteArray> storage{QByteArray(MORAVEL_WORKER)};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    ::signal(SIGPIPE, SIG_IGN); // a killed worker must not take the test with it
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    m_in = toChild[1];
    m_out = fromChild[0];
}

WorkerProcess::~WorkerProcess() {
    if (m_pid > 0)
        kill();
    if (m_in >= 0)
        ::close(m_in);
    if (m_out >= 0)
        ::close(m_out);
}

bool WorkerProcess::fill(int timeoutMs) {
    pollfd fd{m_out, POLLIN, 0};
    if (m_out < 0 || ::poll(&fd, 1, timeoutMs) <= 0)
        return false;
    char chunk[4096];
    const ssize_t n = ::read(m_out, chunk, sizeof chunk);
    if (n <= 0) {
        ::close(m_out);
        m_out = -1;
        return false;
    }
    m_buffer.append(chunk, n);
    return true;
}

QByteArray WorkerProcess::readLine() {
    while (!m_buffer.contains('\n')) {
        if (!fill(10000))
            return QByteArray();
    }
    const qsizetype end = m_buffer.indexOf('\n');
    const QByteArray line = m_buffer.left(end);
    m_buffer.remove(0, end + 1);
    return line;
}

bool WorkerProcess::lineReady() {
    while (!m_buffer.contains('\n')) {
        if (!fill(0))
            return false;
    }
    return true;
}

void WorkerProcess::send(char byte) {
    if (m_in >= 0 && ::write(m_in, &byte, 1) != 1) {
        ::close(m_in);
        m_in = -1;
    }
}

bool WorkerProcess::kill() {
    if (m_pid <= 0)
        return false;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

int WorkerProcess::wait() {
    if (m_pid <= 0)
        return -1;
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace moravel::test
