#pragma once

#include "common/Result.h"

#include <QString>

namespace kst {

// Where readings go: mqtt://[user@]host[:port]/prefix or mqtts://... (TLS).
struct MqttTarget {
    bool tls = false;
    QString host;
    int port = 1883;
    QString user;
    QString password;
    // Empty: the default prefix kst/<hostname>/<device name>.
    QString prefix;
    // TLS: the CA certificates the broker's certificate must chain to; empty for the system store.
    QString caFile;
};

// Parses the broker address, or says why it is not one. A password in the address is refused
// with `passwordAdvice` telling where it goes instead.
Result<MqttTarget> ParseMqttUrl(const QString &url, const QString &passwordAdvice = {});
// A topic prefix no broker takes, or one that would change what a subscriber's filter means, is
// refused with the reason: wildcards (also percent-encoded, as an address carries them), a
// leading '$' (the broker's own topics), empty levels, "." or ".." levels, and NUL.
Status CheckTopicPrefix(const QString &prefix);
// kst/<hostname>/<device name>, the device name without "/dev/" and with characters that have a
// meaning in topics ('/', '+', '#') replaced by '_'.
QString DefaultMqttPrefix(const QString &hostname, const QString &device);
// The password from KST_MQTT_PASSWORD, or from the first line of `passwordFile` when given, or
// why the file cannot be read. A process that holds a password is kept out of core dumps.
Result<QString> ReadMqttPassword(const QString &passwordFile);
// Makes the process non-dumpable for the rest of its life: no core file and no debugger of the
// same user can read a password held in memory.
void KeepSecretsOutOfDumps();

} // namespace kst
