#include "publish/PublishLink.h"

#include "publish/PublishSettings.h"

#include <QPointer>
#include <QTimer>

namespace kst {

QString MqttStatusText(bool connected, qsizetype queued, std::uint64_t dropped,
                       const QString &error)
{
    QString text = connected         ? QStringLiteral("MQTT: connected")
                   : queued > 0      ? QStringLiteral("MQTT: queued %1").arg(queued)
                   : error.isEmpty() ? QStringLiteral("MQTT: connecting")
                                     : QStringLiteral("MQTT: ") + error;
    if (dropped > 0)
        text += QStringLiteral(", %1 dropped").arg(dropped);
    return text;
}

PublishLink::PublishLink(QObject *parent) : QObject(parent), worker_(new QObject)
{
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
    // The queue's count changes with every reading; it is looked at twice a second.
    QMetaObject::invokeMethod(worker_, [this] {
        auto *timer = new QTimer(worker_);
        connect(timer, &QTimer::timeout, worker_, [this] { Update(); });
        timer->start(500);
    });
}

PublishLink::~PublishLink()
{
    QMetaObject::invokeMethod(
        worker_, [this] { Close(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    for (QThread *test : tests_) {
        test->wait();
        delete test;
    }
}

void PublishLink::Close()
{
    if (publisher_)
        publisher_->Stop();
    publisher_.reset();
    workerError_.clear();
}

void PublishLink::Update()
{
    QString text;
    if (publisher_)
        text = MqttStatusText(publisher_->Connected(), publisher_->Queued(), publisher_->Dropped(),
                              workerError_);
    else if (!workerError_.isEmpty())
        text = QStringLiteral("MQTT: ") + workerError_;
    if (text == shownText_)
        return;
    shownText_ = text;
    QMetaObject::invokeMethod(this, [this, text, error = workerError_] {
        if (!running_)
            return; // said before a stop that came after it
        text_ = text;
        error_ = error;
        emit StatusChanged();
    });
}

void PublishLink::Start(const MqttTarget &target, const PublisherIdentity &identity,
                        const QString &dataFolder, qsizetype queueCapacity)
{
    running_ = true;
    QMetaObject::invokeMethod(worker_, [=, this] {
        Close();
        publisher_ = StartMqttPublisher(target, identity, dataFolder, queueCapacity, &workerError_);
        if (publisher_) {
            MqttPublisher *publisher = publisher_.get();
            connect(publisher, &MqttPublisher::Error, worker_, [this](const QString &text) {
                workerError_ = text;
                Update();
            });
            connect(publisher, &MqttPublisher::ConnectedChanged, worker_, [this](bool on) {
                if (on)
                    workerError_.clear();
                Update();
            });
        }
        Update();
    });
}

void PublishLink::Stop()
{
    if (!running_)
        return;
    running_ = false;
    QMetaObject::invokeMethod(worker_, [this] {
        Close();
        shownText_.clear();
    });
    text_.clear();
    error_.clear();
    emit StatusChanged();
}

void PublishLink::Publish(const QByteArray &json, const QString &unit)
{
    if (!running_)
        return;
    QMetaObject::invokeMethod(worker_, [this, json, unit] {
        if (!publisher_)
            return;
        publisher_->SetUnit(unit);
        QString error;
        publisher_->Publish(json, &error); // a failure is said through Error
    });
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
