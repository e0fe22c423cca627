#include "publish/MqttPublisher.h"

#include <charconv>

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <mosquitto.h>
#include <mqtt_protocol.h>

namespace kst {

namespace {

// Publishes in flight at once: enough to keep a distant broker busy while a backlog drains.
constexpr int Window = 64;

} // namespace

MqttPublisher::MqttPublisher(MqttTarget target, PublisherIdentity identity, MqttTimings timings,
                             QObject *parent)
    : QObject(parent), target_(std::move(target)), identity_(std::move(identity)),
      timings_(timings), housekeepingTimer_(this), retryTimer_(this), dropTimer_(this),
      retryDelay_(timings.firstRetryMs)
{
    InitMqttLibrary();
    prefix_ = target_.prefix;
    readingTopic_ = (prefix_ + QStringLiteral("/reading")).toUtf8();
    statusTopic_ = (prefix_ + QStringLiteral("/status")).toUtf8();
    markerTopic_ = (prefix_ + QStringLiteral("/marker")).toUtf8();
    housekeepingTimer_.setInterval(timings_.housekeepingMs);
    connect(&housekeepingTimer_, &QTimer::timeout, this, [this] {
        if (mosq_) {
            Check(mosquitto_loop_misc(mosq_));
            UpdateWrite();
        }
    });
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &MqttPublisher::Connect);
    dropTimer_.setInterval(timings_.dropReportMs);
    connect(&dropTimer_, &QTimer::timeout, this, &MqttPublisher::TellDrops);
}

MqttPublisher::~MqttPublisher()
{
    TearDown();
}

QString MqttPublisher::Address() const
{
    return MqttAddress(target_);
}

Status MqttPublisher::Start(const QString &queueFolder, qsizetype capacity)
{
    if (const Status opened = queue_.Open(queueFolder, capacity); !opened)
        return opened;
    nextToSend_ = queue_.FrontSeq();
    // From the event loop, so that what the first attempt says (and readings dropped on
    // opening) reaches handlers connected after this.
    retryTimer_.start(0);
    QMetaObject::invokeMethod(this, &MqttPublisher::NoteDrops, Qt::QueuedConnection);
    return {};
}

void MqttPublisher::Report(const QString &text)
{
    if (text == lastError_)
        return;
    lastError_ = text;
    emit Error(text);
}

QByteArray MqttPublisher::StatusJson(bool online) const
{
    QJsonObject status{{"status", online ? "online" : "offline"},
                       {"device", identity_.device},
                       {"program", identity_.program},
                       {"version", identity_.version}};
    if (!unit_.isEmpty())
        status.insert("unit", unit_);
    if (!link_.isEmpty())
        status.insert("link", link_);
    return QJsonDocument(status).toJson(QJsonDocument::Compact);
}

void MqttPublisher::Connect()
{
    TearDown();
    if (stopping_)
        return;
    lost_ = false;
    lastLog_.clear();
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        Lost(QStringLiteral("cannot create the MQTT client"));
        return;
    }
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_v5_callback_set(mosq_, &MqttPublisher::OnPublish);
    mosquitto_log_callback_set(mosq_, &MqttPublisher::OnLog);
    if (const Status ready = SetUpClient(); !ready) {
        // A setting that no later attempt mends: said, and not tried again.
        Report(ready.Reason());
        TearDown();
        return;
    }
    const int rc = mosquitto_connect_async(mosq_, target_.host.toUtf8().constData(), target_.port,
                                           timings_.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(MqttErrorReason(rc, lastLog_, false));
        return;
    }
    WatchSocket();
}

Status MqttPublisher::SetUpClient()
{
    const auto check = [this](int rc, const char *what) -> Status {
        if (rc == MOSQ_ERR_SUCCESS)
            return {};
        return Failure::Permanent(
            QStringLiteral("%1: cannot set up the MQTT client (%2): %3")
                .arg(Address(), QLatin1String(what), QString::fromUtf8(mosquitto_strerror(rc))));
    };
    const QByteArray will = StatusJson(false);
    Status status = check(mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION,
                                               mqtt5_ ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311),
                          "protocol version");
    if (status)
        status = check(mosquitto_max_inflight_messages_set(mosq_, Window), "messages in flight");
    if (status)
        status = check(mosquitto_will_set(mosq_, statusTopic_.constData(), int(will.size()),
                                          will.constData(), 1, true),
                       "last will");
    return status ? SetUpMqttClient(mosq_, target_) : status;
}

void MqttPublisher::WatchSocket()
{
    const int socket = mosquitto_socket(mosq_);
    readNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    writeNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        Check(mosquitto_loop_read(mosq_, 1));
        // The acknowledgements this read brought leave the queue in one step.
        CommitAcks();
        UpdateWrite();
    });
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        Check(mosquitto_loop_write(mosq_, 1));
        UpdateWrite();
    });
    housekeepingTimer_.start();
    UpdateWrite();
}

void MqttPublisher::UpdateWrite()
{
    if (!lost_ && writeNotifier_ && mosq_)
        writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttPublisher::Check(int rc)
{
    if (rc == MOSQ_ERR_SUCCESS || !mosq_ || lost_)
        return;
    Lost(MqttErrorReason(rc, lastLog_, connected_));
}

// Gives up the connection and tries again after the back-off; `reason` empty: silently, at
// once.
void MqttPublisher::Lost(const QString &reason)
{
    if (lost_)
        return;
    const bool was = connected_;
    connected_ = false;
    lost_ = true;
    // The client has closed its socket: nothing is to be watched on it any more.
    if (readNotifier_)
        readNotifier_->setEnabled(false);
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
    if (!reason.isEmpty() && !stopping_)
        Report(QStringLiteral("%1: %2: %3; readings are queued")
                   .arg(Address(),
                        was ? QStringLiteral("connection lost") : QStringLiteral("cannot connect"),
                        reason));
    if (was)
        emit ConnectedChanged(false);
    RetryIn(reason.isEmpty() ? 0 : retryDelay_);
    if (!reason.isEmpty())
        retryDelay_ = std::min(retryDelay_ * 2, timings_.longestRetryMs);
}

void MqttPublisher::RetryIn(int delayMs)
{
    // The client goes once the callback that noticed the loss has returned.
    QMetaObject::invokeMethod(
        this,
        [this, delayMs] {
            if (!lost_ || stopping_)
                return;
            TearDown();
            retryTimer_.start(delayMs);
        },
        Qt::QueuedConnection);
}

void MqttPublisher::TearDown()
{
    readNotifier_.reset();
    writeNotifier_.reset();
    housekeepingTimer_.stop();
    if (mosq_) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
    // Whatever was in flight is sent again on the next connection.
    nextToSend_ = queue_.FrontSeq();
    inflight_.clear();
    acked_.clear();
    offlineMid_ = 0;
}

void MqttPublisher::OnConnect(mosquitto *, void *self, int rc)
{
    auto *me = static_cast<MqttPublisher *>(self);
    if (me->mqtt5_ &&
        (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || rc == CONNACK_REFUSED_PROTOCOL_VERSION)) {
        me->mqtt5_ = false; // a broker of MQTT 3.1.1 only: asked again in its version
        me->Lost({});
        return;
    }
    if (rc != 0) {
        me->Lost(QStringLiteral("the broker refused: %1")
                     .arg(QString::fromUtf8(me->mqtt5_ ? mosquitto_reason_string(rc)
                                                       : mosquitto_connack_string(rc))));
        return;
    }
    me->connected_ = true;
    me->retryDelay_ = me->timings_.firstRetryMs;
    me->lastError_.clear();
    me->SendStatus(true);
    me->SendMarkers();
    emit me->ConnectedChanged(true);
    me->Pump();
}

void MqttPublisher::OnDisconnect(mosquitto *, void *self, int rc)
{
    auto *me = static_cast<MqttPublisher *>(self);
    if (rc != 0 && !me->lost_)
        me->Lost(QStringLiteral("the broker closed the connection"));
}

void MqttPublisher::OnLog(mosquitto *, void *self, int level, const char *text)
{
    if (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING))
        static_cast<MqttPublisher *>(self)->lastLog_ = QString::fromUtf8(text);
}

void MqttPublisher::OnPublish(mosquitto *, void *self, int mid, int reason, const mqtt5__property *)
{
    auto *me = static_cast<MqttPublisher *>(self);
    if (mid == me->offlineMid_) {
        me->offlineMid_ = 0;
        return;
    }
    const auto it = me->inflight_.find(mid);
    if (it == me->inflight_.end())
        return;
    const std::uint64_t seq = it->second;
    me->inflight_.erase(it);
    // Under MQTT 5 a reason from 0x80 on is a refusal; under 3.1.1 the reason is always 0.
    if (reason >= 0x80)
        me->Refused(reason);
    else
        me->acked_.insert(seq);
}

void MqttPublisher::Refused(int reason)
{
    if (paused_)
        return;
    paused_ = true;
    const QString topic = QString::fromUtf8(readingTopic_);
    const QString why = reason == MQTT_RC_NOT_AUTHORIZED
                            ? QStringLiteral("not authorised to publish to %1").arg(topic)
                            : QStringLiteral("the broker refused a reading on %1: %2")
                                  .arg(topic, QString::fromUtf8(mosquitto_reason_string(reason)));
    Report(QStringLiteral("%1: %2; publishing is paused until the settings change")
               .arg(Address(), why));
}

// The acknowledged readings from the oldest on leave the queue; one acknowledged out of order
// waits for those before it.
void MqttPublisher::CommitAcks()
{
    const std::uint64_t front = queue_.FrontSeq();
    acked_.erase(acked_.begin(), acked_.lower_bound(front));
    qsizetype run = 0;
    while (acked_.erase(front + std::uint64_t(run)) > 0)
        ++run;
    if (run == 0)
        return;
    if (const Status done = queue_.Acknowledge(run); !done)
        Report(done.Reason());
    emit Delivered(Queued());
    Pump();
}

void MqttPublisher::SendStatus(bool online)
{
    if (!mosq_ || !connected_)
        return;
    const QByteArray status = StatusJson(online);
    Check(mosquitto_publish(mosq_, nullptr, statusTopic_.constData(), int(status.size()),
                            status.constData(), 1, true));
    UpdateWrite();
}

void MqttPublisher::Pump()
{
    if (!connected_ || !mosq_ || paused_ || stopping_)
        return;
    nextToSend_ = std::max(nextToSend_, queue_.FrontSeq());
    while (nextToSend_ < queue_.NextSeq() && int(inflight_.size()) < Window) {
        const Result<ReadingQueue::Record> record =
            queue_.At(qsizetype(nextToSend_ - queue_.FrontSeq()));
        NoteDrops(); // readings missing from a damaged queue file count as dropped
        if (!record) {
            Report(record.Reason());
            break;
        }
        int mid = 0;
        const int rc =
            mosquitto_publish(mosq_, &mid, readingTopic_.constData(), int(record->payload.size()),
                              record->payload.constData(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            Check(rc);
            return;
        }
        inflight_[mid] = record->seq;
        nextToSend_ = record->seq + 1;
    }
    UpdateWrite();
}

Status MqttPublisher::Publish(const QByteArray &jsonObject)
{
    const QByteArrayView object = QByteArrayView(jsonObject).trimmed();
    if (!object.endsWith('}'))
        return Failure::Permanent(QStringLiteral("not a JSON object"));
    const QByteArrayView fields = object.chopped(1);
    char seq[24];
    const char *seqEnd = std::to_chars(seq, seq + sizeof seq, queue_.NextSeq()).ptr;
    QByteArray payload; // made once, at its size
    payload.reserve(fields.size() + 8 + (seqEnd - seq));
    payload.append(fields);
    if (fields.trimmed() != "{")
        payload += ',';
    payload += "\"seq\":";
    payload.append(seq, seqEnd - seq);
    payload += '}';
    const Status queued = queue_.Append(payload);
    if (!queued) {
        queueFailing_ = true;
        Report(queued.Reason() + QStringLiteral("; readings wait in memory until they can be "
                                                "written"));
    } else if (queueFailing_ && queue_.Unwritten() == 0) {
        queueFailing_ = false;
        lastError_.clear(); // a later failure is said again
    }
    NoteDrops();
    Pump();
    return queued;
}

void MqttPublisher::NoteDrops()
{
    if (queue_.Dropped() == toldDrops_ || dropTimer_.isActive())
        return;
    TellDrops();
    dropTimer_.start();
}

void MqttPublisher::TellDrops()
{
    if (queue_.Dropped() == toldDrops_) {
        dropTimer_.stop();
        return;
    }
    toldDrops_ = queue_.Dropped();
    emit ReadingsDropped(toldDrops_);
}

void MqttPublisher::SetUnit(const QString &unit)
{
    if (unit == unit_)
        return;
    unit_ = unit;
    if (!stopping_)
        SendStatus(true);
}

void MqttPublisher::SetLinkLost(bool lost)
{
    const QString link = lost ? QStringLiteral("lost") : QStringLiteral("up");
    if (link == link_)
        return;
    link_ = link;
    if (!stopping_)
        SendStatus(true);
}

void MqttPublisher::PublishMarker(const QByteArray &json)
{
    markers_.push_back(json);
    SendMarkers();
}

void MqttPublisher::SendMarkers()
{
    if (!mosq_ || !connected_ || stopping_)
        return;
    for (const QByteArray &marker : markers_)
        Check(mosquitto_publish(mosq_, nullptr, markerTopic_.constData(), int(marker.size()),
                                marker.constData(), 1, false));
    markers_.clear();
    UpdateWrite();
}

qsizetype MqttPublisher::Drain(int timeoutMs)
{
    QEventLoop loop;
    const auto settled = [this] { return Queued() == 0 || paused_ || stopping_; };
    const auto check = [&] {
        if (settled())
            loop.quit();
    };
    connect(this, &MqttPublisher::Delivered, &loop, check);
    connect(this, &MqttPublisher::Error, &loop, check);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!settled())
        loop.exec();
    return Queued();
}

void MqttPublisher::Stop()
{
    stopping_ = true;
    retryTimer_.stop();
    TellDrops(); // the last count
    dropTimer_.stop();
    if (mosq_ && connected_) {
        const QDeadlineTimer deadline(timings_.stopMs);
        const QByteArray status = StatusJson(false);
        int mid = 0;
        if (mosquitto_publish(mosq_, &mid, statusTopic_.constData(), int(status.size()),
                              status.constData(), 1, true) == MOSQ_ERR_SUCCESS)
            offlineMid_ = mid;
        // Readings sent before may still be acknowledged meanwhile; none is sent after it.
        while (offlineMid_ != 0 && !deadline.hasExpired() && connected_ && !lost_) {
            Check(mosquitto_loop(mosq_, 50, 1));
            CommitAcks();
        }
        // Under MQTT 5 a status the broker did not confirm is left to the last will.
        const int reason = offlineMid_ != 0 && mqtt5_ ? MQTT_RC_DISCONNECT_WITH_WILL_MSG : 0;
        // The connection ends either way; a failure to say goodbye changes nothing.
        (void)mosquitto_disconnect_v5(mosq_, reason, nullptr);
        while (!deadline.hasExpired() && mosquitto_want_write(mosq_) &&
               mosquitto_loop(mosq_, 50, 1) == MOSQ_ERR_SUCCESS) {
        }
    }
    connected_ = false;
    TearDown();
}

} // namespace kst
