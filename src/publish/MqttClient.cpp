#include "publish/MqttClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <cerrno>
#include <memory>
#include <mosquitto.h>

namespace kst {

namespace {

constexpr int TestKeepAliveSeconds = 30;

// Both calls report success whatever happens; a library that cannot work shows in the first
// client's failure.
struct Library {
    Library() { (void)mosquitto_lib_init(); }
    ~Library() { (void)mosquitto_lib_cleanup(); }
};

} // namespace

void InitMqttLibrary()
{
    static Library library;
}

QString MqttAddress(const MqttTarget &target)
{
    return QStringLiteral("%1://%2:%3")
        .arg(target.tls ? "mqtts" : "mqtt", target.host)
        .arg(target.port);
}

Status SetUpMqttClient(mosquitto *mosq, const MqttTarget &target)
{
    if (!target.user.isEmpty()) {
        const QByteArray user = target.user.toUtf8();
        const QByteArray password = target.password.toUtf8();
        const int rc = mosquitto_username_pw_set(
            mosq, user.constData(), password.isEmpty() ? nullptr : password.constData());
        if (rc != MOSQ_ERR_SUCCESS)
            return Failure::Permanent(QStringLiteral("%1: cannot use the user name %2: %3")
                                          .arg(MqttAddress(target), target.user,
                                               QString::fromUtf8(mosquitto_strerror(rc))));
    }
    if (!target.tls)
        return {};
    int rc = MOSQ_ERR_SUCCESS;
    if (target.caFile.isEmpty())
        rc = mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    else
        rc = mosquitto_tls_set(mosq, QFile::encodeName(target.caFile).constData(), nullptr, nullptr,
                               nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_tls_insecure_set(mosq, false);
    if (rc == MOSQ_ERR_SUCCESS)
        return {};
    return Failure::Permanent(
        QStringLiteral("%1: cannot use the CA certificates %2: %3")
            .arg(MqttAddress(target), target.caFile, QString::fromUtf8(mosquitto_strerror(rc))));
}

QString MqttErrorReason(int rc, const QString &lastLog, bool connected)
{
    QString reason;
    if (rc == MOSQ_ERR_ERRNO)
        reason = ErrnoText(errno);
    else if (rc == MOSQ_ERR_TLS) // on connecting or later in the handshake
        reason = QStringLiteral("TLS failed, the broker's certificate was not accepted");
    else
        reason = QString::fromUtf8(mosquitto_strerror(rc));
    if (!lastLog.isEmpty() && (rc == MOSQ_ERR_TLS || !connected))
        reason += QStringLiteral(" (%1)").arg(lastLog);
    return reason;
}

MqttBrokerTest TestMqttBroker(const MqttTarget &target, int timeoutMs)
{
    InitMqttLibrary();
    struct State {
        QByteArray topic;
        int connack = -1;
        int granted = -1;
        QString log;
    } state;
    state.topic = (target.prefix + QStringLiteral("/status")).toUtf8();
    const QString address = MqttAddress(target);
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
        // A failed subscription request shows as no answer.
        if (rc == 0)
            (void)mosquitto_subscribe(m, nullptr, s->topic.constData(), 1);
    });
    mosquitto_subscribe_callback_set(
        mosq, [](mosquitto *, void *self, int, int count, const int *granted) {
            static_cast<State *>(self)->granted = count > 0 ? granted[0] : 0x80;
        });
    mosquitto_log_callback_set(mosq, [](mosquitto *, void *self, int level, const char *text) {
        if (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING))
            static_cast<State *>(self)->log = QString::fromUtf8(text);
    });
    if (const Status ready = SetUpMqttClient(mosq, target); !ready)
        return {false, ready.Reason()};
    int rc = mosquitto_connect_async(mosq, target.host.toUtf8().constData(), target.port,
                                     TestKeepAliveSeconds);
    const QDeadlineTimer deadline(timeoutMs);
    while (rc == MOSQ_ERR_SUCCESS && state.granted < 0 && state.connack <= 0 &&
           !deadline.hasExpired())
        rc = mosquitto_loop(mosq, 100, 1);
    if (state.connack > 0)
        return fail(QStringLiteral("the broker refused: %1")
                        .arg(QString::fromUtf8(mosquitto_connack_string(state.connack))));
    if (rc != MOSQ_ERR_SUCCESS)
        return fail(QStringLiteral("cannot connect: %1")
                        .arg(MqttErrorReason(rc, state.log, state.connack == 0)));
    if (state.granted < 0)
        return fail(QStringLiteral("no answer within %1 s").arg(timeoutMs / 1000.0));
    if (state.granted > 2)
        return fail(QStringLiteral("the broker refused the subscription to %1")
                        .arg(QString::fromUtf8(state.topic)));
    // The test is over either way; the client goes with the connection.
    (void)mosquitto_disconnect(mosq);
    return {true, QStringLiteral("%1: connected and subscribed to %2")
                      .arg(address, QString::fromUtf8(state.topic))};
}

} // namespace kst
