#include "MqttPublisher.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QUrl>
#include <mosquitto.h>

namespace kst {

namespace {

// Publishes in flight at once: enough to keep a distant broker busy while a backlog drains.
constexpr int Window = 64;
constexpr int KeepAliveSeconds = 30;
constexpr int MaxRetryDelay = 5000;

struct Library {
    Library() { mosquitto_lib_init(); }
    ~Library() { mosquitto_lib_cleanup(); }
};

void InitLibrary()
{
    static Library library;
}

QString Address(const MqttTarget &target)
{
    return QStringLiteral("%1://%2:%3")
        .arg(target.tls ? "mqtts" : "mqtt", target.host)
        .arg(target.port);
}

// The login and, for mqtts, the certificate checks; false with the reason when the CA file
// cannot be used.
bool SetUpClient(mosquitto *mosq, const MqttTarget &target, QString *error)
{
    if (!target.user.isEmpty())
        mosquitto_username_pw_set(mosq, target.user.toUtf8().constData(),
                                  target.password.isEmpty() ? nullptr
                                                            : target.password.toUtf8().constData());
    if (!target.tls)
        return true;
    int rc = MOSQ_ERR_SUCCESS;
    if (target.caFile.isEmpty())
        rc = mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    else
        rc = mosquitto_tls_set(mosq, QFile::encodeName(target.caFile).constData(), nullptr, nullptr,
                               nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_tls_insecure_set(mosq, false);
    if (rc == MOSQ_ERR_SUCCESS)
        return true;
    *error = QStringLiteral("%1: cannot use the CA certificates %2: %3")
                 .arg(Address(target), target.caFile, QString::fromUtf8(mosquitto_strerror(rc)));
    return false;
}

// Why the client failed, in words, with the library's last log line where it tells more.
QString ErrorReason(int rc, const QString &lastLog, bool connected)
{
    QString reason;
    if (rc == MOSQ_ERR_ERRNO)
        reason = QString::fromLocal8Bit(strerror(errno));
    else if (rc == MOSQ_ERR_TLS) // on connecting or later in the handshake
        reason = QStringLiteral("TLS failed, the broker's certificate was not accepted");
    else
        reason = QString::fromUtf8(mosquitto_strerror(rc));
    if (!lastLog.isEmpty() && (rc == MOSQ_ERR_TLS || !connected))
        reason += QStringLiteral(" (%1)").arg(lastLog);
    return reason;
}

} // namespace

std::optional<MqttTarget> ParseMqttUrl(const QString &url, QString *error,
                                       const QString &passwordAdvice)
{
    const QUrl parsed(url, QUrl::StrictMode);
    MqttTarget target;
    const QString scheme = parsed.scheme();
    if (!parsed.isValid() ||
        (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))) {
        *error = QStringLiteral("%1: not a broker address (mqtt://[user@]host[:port]/prefix or "
                                "mqtts://...)")
                     .arg(url);
        return std::nullopt;
    }
    if (parsed.host().isEmpty()) {
        *error = QStringLiteral("%1: the broker's host is missing").arg(url);
        return std::nullopt;
    }
    if (!parsed.password().isEmpty()) {
        *error = QStringLiteral("%1: a password does not belong in the address; %2")
                     .arg(parsed.toString(QUrl::RemovePassword), passwordAdvice);
        return std::nullopt;
    }
    target.tls = scheme == QLatin1String("mqtts");
    target.host = parsed.host();
    target.port = parsed.port(target.tls ? 8883 : 1883);
    target.user = parsed.userName();
    target.prefix = parsed.path();
    while (target.prefix.startsWith(QLatin1Char('/')))
        target.prefix.remove(0, 1);
    while (target.prefix.endsWith(QLatin1Char('/')))
        target.prefix.chop(1);
    if (target.prefix.contains(QLatin1Char('+')) || parsed.hasFragment() ||
        url.endsWith(QLatin1Char('#'))) {
        *error = QStringLiteral("%1: a topic prefix cannot hold '+' or '#'").arg(url);
        return std::nullopt;
    }
    return target;
}

QString DefaultMqttPrefix(const QString &hostname, const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    for (QChar &c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#'))
            c = QLatin1Char('_');
    return QStringLiteral("kst/%1/%2").arg(hostname, name);
}

bool ReadMqttPassword(const QString &passwordFile, QString *password, QString *error)
{
    if (passwordFile.isEmpty()) {
        *password = qEnvironmentVariable("KST_MQTT_PASSWORD");
        return true;
    }
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(passwordFile, file.errorString());
        return false;
    }
    *password =
        QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    return true;
}

MqttPublisher::MqttPublisher(MqttTarget target, PublisherIdentity identity, QObject *parent)
    : QObject(parent), target_(std::move(target)), identity_(std::move(identity))
{
    InitLibrary();
    prefix_ = target_.prefix;
    readingTopic_ = (prefix_ + QStringLiteral("/reading")).toUtf8();
    statusTopic_ = (prefix_ + QStringLiteral("/status")).toUtf8();
    miscTimer_.setInterval(1000);
    connect(&miscTimer_, &QTimer::timeout, this, [this] {
        if (mosq_) {
            Check(mosquitto_loop_misc(mosq_), "keep-alive");
            UpdateWrite();
        }
    });
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &MqttPublisher::Connect);
}

MqttPublisher::~MqttPublisher()
{
    TearDown();
}

QString MqttPublisher::Address() const
{
    return kst::Address(target_);
}

bool MqttPublisher::Start(const QString &queueFolder, qsizetype capacity, QString *error)
{
    if (!queue_.Open(queueFolder, capacity, error))
        return false;
    // From the event loop, so what the first attempt says reaches handlers connected after this.
    retryTimer_.start(0);
    return true;
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
    return QJsonDocument(status).toJson(QJsonDocument::Compact);
}

void MqttPublisher::Connect()
{
    TearDown();
    lost_ = false;
    lastLog_.clear();
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        Report(QStringLiteral("%1: cannot create the MQTT client").arg(Address()));
        return;
    }
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttPublisher::OnPublish);
    mosquitto_log_callback_set(mosq_, &MqttPublisher::OnLog);
    mosquitto_max_inflight_messages_set(mosq_, Window);
    const QByteArray will = StatusJson(false);
    mosquitto_will_set(mosq_, statusTopic_.constData(), static_cast<int>(will.size()),
                       will.constData(), 1, true);
    QString error;
    if (!SetUpClient(mosq_, target_, &error)) {
        Report(error);
        TearDown();
        return;
    }
    const int rc = mosquitto_connect_async(mosq_, target_.host.toUtf8().constData(), target_.port,
                                           KeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(ErrorReason(rc));
        return;
    }
    const int socket = mosquitto_socket(mosq_);
    readNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    writeNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        Check(mosquitto_loop_read(mosq_, 1), "read");
        UpdateWrite();
    });
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        Check(mosquitto_loop_write(mosq_, 1), "write");
        UpdateWrite();
    });
    miscTimer_.start();
    UpdateWrite();
}

void MqttPublisher::UpdateWrite()
{
    if (!lost_ && writeNotifier_ && mosq_)
        writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttPublisher::Check(int rc, const char *)
{
    if (rc == MOSQ_ERR_SUCCESS || !mosq_ || lost_)
        return;
    Lost(ErrorReason(rc));
}

QString MqttPublisher::ErrorReason(int rc) const
{
    return kst::ErrorReason(rc, lastLog_, connected_);
}

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
    if (was)
        Report(
            QStringLiteral("%1: connection lost: %2; readings are queued").arg(Address(), reason));
    else
        Report(
            QStringLiteral("%1: cannot connect: %2; readings are queued").arg(Address(), reason));
    if (was)
        emit ConnectedChanged(false);
    // The client goes once the callback that noticed the loss has returned.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!lost_)
                return;
            TearDown();
            retryTimer_.start(retryDelay_);
            retryDelay_ = std::min(retryDelay_ * 2, MaxRetryDelay);
        },
        Qt::QueuedConnection);
}

void MqttPublisher::TearDown()
{
    readNotifier_.reset();
    writeNotifier_.reset();
    miscTimer_.stop();
    if (mosq_) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
    // Whatever was in flight is sent again on the next connection.
    sent_ = 0;
    inflight_.clear();
    acked_.clear();
}

void MqttPublisher::OnConnect(mosquitto *, void *self, int rc)
{
    auto *me = static_cast<MqttPublisher *>(self);
    if (rc != 0) {
        me->Lost(QStringLiteral("the broker refused: %1")
                     .arg(QString::fromUtf8(mosquitto_connack_string(rc))));
        return;
    }
    me->connected_ = true;
    me->retryDelay_ = 1000;
    me->lastError_.clear();
    me->SendStatus(true);
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

void MqttPublisher::OnPublish(mosquitto *, void *self, int mid)
{
    auto *me = static_cast<MqttPublisher *>(self);
    const auto it = me->inflight_.find(mid);
    if (it == me->inflight_.end())
        return;
    me->acked_.insert(it->second);
    me->inflight_.erase(it);
    // Only a run of acknowledged readings from the oldest on leaves the queue.
    qsizetype run = 0;
    while (run < me->sent_ && me->acked_.erase(me->queue_.SeqAt(run)) > 0)
        ++run;
    if (run > 0) {
        QString error;
        if (!me->queue_.Acknowledge(run, &error))
            me->Report(error);
        me->sent_ -= run;
    }
    me->Pump();
}

void MqttPublisher::SendStatus(bool online)
{
    if (!mosq_ || !connected_)
        return;
    const QByteArray status = StatusJson(online);
    mosquitto_publish(mosq_, nullptr, statusTopic_.constData(), static_cast<int>(status.size()),
                      status.constData(), 1, true);
    UpdateWrite();
}

void MqttPublisher::Pump()
{
    if (!connected_ || !mosq_)
        return;
    while (sent_ < queue_.Size() && static_cast<int>(inflight_.size()) < Window) {
        const ReadingQueue::Record record = queue_.At(sent_);
        int mid = 0;
        const int rc = mosquitto_publish(mosq_, &mid, readingTopic_.constData(),
                                         static_cast<int>(record.payload.size()),
                                         record.payload.constData(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            Check(rc, "publish");
            return;
        }
        inflight_[mid] = record.seq;
        ++sent_;
    }
    UpdateWrite();
}

bool MqttPublisher::Publish(const QByteArray &jsonObject, QString *error)
{
    QByteArray payload = jsonObject.trimmed();
    if (!payload.endsWith('}')) {
        *error = QStringLiteral("not a JSON object");
        return false;
    }
    payload.chop(1);
    if (payload.trimmed() != "{")
        payload += ',';
    payload += "\"seq\":" + QByteArray::number(queue_.NextSeq()) + '}';
    const std::uint64_t dropsBefore = queue_.Dropped();
    if (!queue_.Append(payload, error)) {
        Report(*error);
        return false;
    }
    if (queue_.Dropped() != dropsBefore) {
        // The oldest went; if it was in flight its acknowledgement no longer counts.
        if (sent_ > 0)
            --sent_;
        if (queue_.Size() > 0)
            for (auto it = acked_.begin(); it != acked_.end() && *it < queue_.SeqAt(0);)
                it = acked_.erase(it);
        emit ReadingsDropped(queue_.Dropped());
    }
    Pump();
    return true;
}

void MqttPublisher::SetUnit(const QString &unit)
{
    if (unit == unit_)
        return;
    unit_ = unit;
    SendStatus(true);
}

void MqttPublisher::Stop()
{
    retryTimer_.stop();
    if (mosq_ && connected_) {
        QDeadlineTimer deadline(2000);
        SendStatus(false);
        while (!deadline.hasExpired() && connected_ &&
               (!inflight_.empty() || mosquitto_want_write(mosq_)))
            if (mosquitto_loop(mosq_, 100, 1) != MOSQ_ERR_SUCCESS)
                break;
        mosquitto_disconnect(mosq_);
        while (!deadline.hasExpired() && mosquitto_want_write(mosq_))
            if (mosquitto_loop(mosq_, 100, 1) != MOSQ_ERR_SUCCESS)
                break;
    }
    connected_ = false;
    TearDown();
}

MqttBrokerTest TestMqttBroker(const MqttTarget &target, int timeoutMs)
{
    InitLibrary();
    struct State {
        QByteArray topic;
        int connack = -1;
        int granted = -1;
        QString log;
    } state;
    state.topic = (target.prefix + QStringLiteral("/status")).toUtf8();
    const QString address = Address(target);
    const auto fail = [&](const QString &reason) {
        return MqttBrokerTest{false, QStringLiteral("%1: %2").arg(address, reason)};
    };
    std::unique_ptr<mosquitto, void (*)(mosquitto *)> client(mosquitto_new(nullptr, true, &state),
                                                             &mosquitto_destroy);
    mosquitto *mosq = client.get();
    if (!mosq)
        return fail(QStringLiteral("cannot create the MQTT client"));
    mosquitto_connect_callback_set(mosq, [](mosquitto *m, void *self, int rc) {
        auto *s = static_cast<State *>(self);
        s->connack = rc;
        if (rc == 0)
            mosquitto_subscribe(m, nullptr, s->topic.constData(), 1);
    });
    mosquitto_subscribe_callback_set(
        mosq, [](mosquitto *, void *self, int, int count, const int *granted) {
            static_cast<State *>(self)->granted = count > 0 ? granted[0] : 0x80;
        });
    mosquitto_log_callback_set(mosq, [](mosquitto *, void *self, int level, const char *text) {
        if (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING))
            static_cast<State *>(self)->log = QString::fromUtf8(text);
    });
    QString error;
    if (!SetUpClient(mosq, target, &error))
        return {false, error};
    int rc = mosquitto_connect_async(mosq, target.host.toUtf8().constData(), target.port,
                                     KeepAliveSeconds);
    const QDeadlineTimer deadline(timeoutMs);
    while (rc == MOSQ_ERR_SUCCESS && state.granted < 0 && state.connack <= 0 &&
           !deadline.hasExpired())
        rc = mosquitto_loop(mosq, 100, 1);
    if (state.connack > 0)
        return fail(QStringLiteral("the broker refused: %1")
                        .arg(QString::fromUtf8(mosquitto_connack_string(state.connack))));
    if (rc != MOSQ_ERR_SUCCESS)
        return fail(QStringLiteral("cannot connect: %1")
                        .arg(ErrorReason(rc, state.log, state.connack == 0)));
    if (state.granted < 0)
        return fail(QStringLiteral("no answer within %1 s").arg(timeoutMs / 1000.0));
    if (state.granted > 2)
        return fail(QStringLiteral("the broker refused the subscription to %1")
                        .arg(QString::fromUtf8(state.topic)));
    mosquitto_disconnect(mosq);
    return {true, QStringLiteral("%1: connected and subscribed to %2")
                      .arg(address, QString::fromUtf8(state.topic))};
}

} // namespace kst
