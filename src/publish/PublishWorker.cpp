#include "publish/PublishWorker.h"

#include "publish/PublishSettings.h"

namespace kst {

QString MqttStatusText(bool connected, bool paused, qsizetype queued, std::uint64_t dropped,
                       const QString &error)
{
    QString text = paused && !error.isEmpty() ? QStringLiteral("MQTT: ") + error
                   : connected                ? QStringLiteral("MQTT: connected")
                   : queued > 0               ? QStringLiteral("MQTT: queued %1").arg(queued)
                   : error.isEmpty()          ? QStringLiteral("MQTT: connecting")
                                              : QStringLiteral("MQTT: ") + error;
    if (dropped > 0)
        text += QStringLiteral(", %1 dropped").arg(dropped);
    return text;
}

PublishWorker::PublishWorker(const PublishTimings &timings) : timings_(timings), poll_(this)
{
    poll_.setInterval(timings_.statusPollMs);
    connect(&poll_, &QTimer::timeout, this, &PublishWorker::Update);
}

PublishWorker::~PublishWorker()
{
    Stop();
}

void PublishWorker::Start(quint64 generation, const MqttTarget &target,
                          const PublisherIdentity &identity, const QString &dataFolder,
                          qsizetype queueCapacity)
{
    Stop();
    generation_ = generation;
    Result<std::unique_ptr<MqttPublisher>> started =
        StartMqttPublisher(target, identity, dataFolder, queueCapacity, timings_.mqtt);
    if (started) {
        publisher_ = std::move(started).Value();
        MqttPublisher *publisher = publisher_.get();
        connect(publisher, &MqttPublisher::Error, this, [this](const QString &text) {
            error_ = text;
            Update();
        });
        connect(publisher, &MqttPublisher::ConnectedChanged, this, [this, publisher](bool on) {
            if (on && !publisher->Paused())
                error_.clear();
            Update();
        });
        connect(publisher, &MqttPublisher::ReadingsDropped, this, &PublishWorker::Update);
        poll_.start();
    } else {
        error_ = started.Reason();
    }
    Update();
}

void PublishWorker::Stop()
{
    poll_.stop();
    if (publisher_)
        publisher_->Stop();
    publisher_.reset();
    error_.clear();
    shownText_.clear();
}

void PublishWorker::Publish(const QByteArray &json, const QString &unit)
{
    if (!publisher_)
        return;
    publisher_->SetUnit(unit);
    // A failure is said through Error, and so in the status.
    (void)publisher_->Publish(json);
}

void PublishWorker::SetLinkLost(bool lost)
{
    if (publisher_)
        publisher_->SetLinkLost(lost);
}

void PublishWorker::PublishMarker(const QByteArray &json)
{
    if (publisher_)
        publisher_->PublishMarker(json);
}

void PublishWorker::Update()
{
    QString text;
    if (publisher_)
        text = MqttStatusText(publisher_->Connected(), publisher_->Paused(), publisher_->Queued(),
                              publisher_->Dropped(), error_);
    else if (!error_.isEmpty())
        text = QStringLiteral("MQTT: ") + error_;
    if (text == shownText_)
        return;
    shownText_ = text;
    emit StatusChanged(generation_, text, error_);
}

} // namespace kst
