#pragma once
// Runs work on a new thread while the calling (main) thread keeps its event
// loop going, as the interface does while a worker runs; returns when the
// work has ended.
#include <QEventLoop>
#include <QThread>

namespace testsupport {

template <typename Work>
void runOnWorker(Work work)
{
    QThread *worker = QThread::create(std::move(work));
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
}

} // namespace testsupport
