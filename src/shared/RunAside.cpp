#include "RunAside.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

namespace moravel {

void runAside(const std::function<void()>& work) {
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create(work));
    // Queued to this thread: a thread that ends before the loop runs is still seen.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
}

} // namespace moravel
