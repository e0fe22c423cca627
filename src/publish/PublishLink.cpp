#include "publish/PublishLink.h"

#include <QPointer>
#include <condition_variable>
#include <mutex>

namespace kst {

PublishLink::PublishLink(QObject *parent, const PublishTimings &timings)
    : QObject(parent), worker_(new PublishWorker(timings))
{
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(this, &PublishLink::StartRequested, worker_, &PublishWorker::Start,
            Qt::QueuedConnection);
    connect(this, &PublishLink::StopRequested, worker_, &PublishWorker::Stop, Qt::QueuedConnection);
    connect(this, &PublishLink::PublishRequested, worker_, &PublishWorker::Publish,
            Qt::QueuedConnection);
    connect(this, &PublishLink::LinkRequested, worker_, &PublishWorker::SetLinkLost,
            Qt::QueuedConnection);
    connect(this, &PublishLink::MarkerRequested, worker_, &PublishWorker::PublishMarker,
            Qt::QueuedConnection);
    connect(worker_, &PublishWorker::StatusChanged, this, &PublishLink::ShowStatus,
            Qt::QueuedConnection);
    thread_.start();
}

PublishLink::~PublishLink()
{
    // After the readings handed over before, the publisher stops (bounded by its stop time).
    // The wait goes through a standard mutex rather than a blocking queued call, so that the
    // thread sanitizer, which does not see inside Qt, sees the order too.
    std::mutex mutex;
    std::condition_variable done;
    bool stopped = false;
    std::unique_lock lock(mutex);
    QMetaObject::invokeMethod(
        worker_,
        [&] {
            worker_->Stop();
            const std::lock_guard guard(mutex);
            stopped = true;
            done.notify_one();
        },
        Qt::QueuedConnection);
    done.wait(lock, [&] { return stopped; });
    lock.unlock();
    thread_.quit();
    thread_.wait();
    for (QThread *test : tests_) {
        test->wait();
        delete test;
    }
}

void PublishLink::ShowStatus(quint64 generation, const QString &text, const QString &error)
{
    if (!running_ || generation != generation_)
        return; // said before a stop or a restart that came after it
    text_ = text;
    error_ = error;
    emit StatusChanged();
}

void PublishLink::Start(const MqttTarget &target, const PublisherIdentity &identity,
                        const QString &dataFolder, qsizetype queueCapacity)
{
    running_ = true;
    emit StartRequested(++generation_, target, identity, dataFolder, queueCapacity,
                        QPrivateSignal());
}

void PublishLink::Stop()
{
    if (!running_)
        return;
    running_ = false;
    emit StopRequested(QPrivateSignal());
    text_.clear();
    error_.clear();
    emit StatusChanged();
}

void PublishLink::Publish(const QByteArray &json, const QString &unit)
{
    if (running_)
        emit PublishRequested(json, unit, QPrivateSignal());
}

void PublishLink::SetLinkLost(bool lost)
{
    if (running_)
        emit LinkRequested(lost, QPrivateSignal());
}

void PublishLink::PublishMarker(const QByteArray &json)
{
    if (running_)
        emit MarkerRequested(json, QPrivateSignal());
}

void PublishLink::Test(const MqttTarget &target, int timeoutMs, QObject *receiver,
                       std::function<void(const MqttBrokerTest &)> done)
{
    QThread *test = QThread::create([this, target, timeoutMs, guard = QPointer(receiver), done] {
        const MqttBrokerTest result = TestMqttBroker(target, timeoutMs);
        QMetaObject::invokeMethod(this, [guard, done, result] {
            if (guard)
                done(result);
        });
    });
    std::erase_if(tests_, [](QThread *old) {
        if (!old->isFinished())
            return false;
        delete old;
        return true;
    });
    tests_.push_back(test);
    test->start();
}

} // namespace kst
