#pragma once

#include "common/Result.h"
#include "publish/MqttTarget.h"

struct mosquitto;

namespace kst {

// What the client library needs before any client is made; once per process.
void InitMqttLibrary();
// mqtt://host:port or mqtts://host:port, as messages name the broker.
QString MqttAddress(const MqttTarget &target);
// The login and, for mqtts, the certificate checks on a new client; or why they cannot be used.
Status SetUpMqttClient(mosquitto *mosq, const MqttTarget &target);
// Why the client failed, in words, with the library's last log line where it tells more.
QString MqttErrorReason(int rc, const QString &lastLog, bool connected);

struct MqttBrokerTest {
    bool ok = false;
    QString text; // what happened, with the broker's address
};
// Tries the broker as a publisher would: connects and subscribes to <prefix>/status, and waits
// for the acknowledgement. Says why when the broker refused (with its reason), cannot be
// reached, failed the certificate checks or did not answer within `timeoutMs`. Blocks while it
// waits: run it off the window's thread.
MqttBrokerTest TestMqttBroker(const MqttTarget &target, int timeoutMs);

} // namespace kst
