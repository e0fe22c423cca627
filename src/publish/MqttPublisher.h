#pragma once

#include "publish/ReadingQueue.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <set>

struct mosquitto;
class QSocketNotifier;

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

// Parses the broker address; nothing (and the reason in `error`) when it is not one. A password
// in the address is refused with `passwordAdvice` telling where it goes instead.
std::optional<MqttTarget> ParseMqttUrl(const QString &url, QString *error,
                                       const QString &passwordAdvice = {});
// kst/<hostname>/<device name>, the device name without "/dev/" and with characters that have a
// meaning in topics ('/', '+', '#') replaced by '_'.
QString DefaultMqttPrefix(const QString &hostname, const QString &device);
// The password from KST_MQTT_PASSWORD, or from the first line of `passwordFile` when given.
// False with the reason when the file cannot be read.
bool ReadMqttPassword(const QString &passwordFile, QString *password, QString *error);

struct MqttBrokerTest {
    bool ok = false;
    QString text; // what happened, with the broker's address
};
// Tries the broker as a publisher would: connects and subscribes to <prefix>/status, and waits
// for the acknowledgement. Says why when the broker refused (with its reason), cannot be
// reached, failed the certificate checks or did not answer within `timeoutMs`. Blocks while it
// waits: run it off the window's thread.
MqttBrokerTest TestMqttBroker(const MqttTarget &target, int timeoutMs);

// Who publishes, shown in the retained status message.
struct PublisherIdentity {
    QString device;
    QString program;
    QString version;
};

// Publishes readings to an MQTT broker through a queue on disk. Every reading first goes to the
// queue, then to the broker at QoS 1; it leaves the queue when the broker acknowledges it, so
// readings taken while the broker is away (or before a restart) are sent later, in order, with
// their original times. The connection runs in the event loop on the client's socket; a lost
// connection is retried every few seconds.
//
// Topics: <prefix>/reading (one JSON object per reading, with a "seq" number rising by one per
// reading) and <prefix>/status (retained; "online" with device, program, version and unit, or
// "offline", which the broker also sends as the last will when the program dies).
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    MqttPublisher(MqttTarget target, PublisherIdentity identity, QObject *parent = nullptr);
    ~MqttPublisher() override;

    // Opens the queue in `queueFolder` (bounded by `capacity` readings) and connects once the
    // event loop runs.
    bool Start(const QString &queueFolder, qsizetype capacity, QString *error);
    // Queues one reading, given as a JSON object text, and sends it when connected.
    bool Publish(const QByteArray &jsonObject, QString *error);
    // The unit in the status message; a change is published at once.
    void SetUnit(const QString &unit);
    // Waits briefly for outstanding acknowledgements, says "offline" and disconnects. What is
    // not acknowledged stays queued for the next start.
    void Stop();

    bool Connected() const { return connected_; }
    qsizetype Queued() const { return queue_.Size(); }
    std::uint64_t Dropped() const { return queue_.Dropped(); }
    QString Prefix() const { return prefix_; }
    QString Address() const;

signals:
    // A plain error: the broker cannot be reached, refused us, failed certificate checks, or the
    // queue cannot be written. Said once until the state changes.
    void Error(const QString &text);
    void ConnectedChanged(bool connected);
    // The queue was full and `total` readings have been dropped so far, oldest first.
    void ReadingsDropped(std::uint64_t total);

private:
    void Connect();
    void Lost(const QString &reason);
    void TearDown();
    void Pump();
    void UpdateWrite();
    void Check(int rc, const char *what);
    // Why the client failed, in words, with the library's last log line where it tells more.
    QString ErrorReason(int rc) const;
    void SendStatus(bool online);
    QByteArray StatusJson(bool online) const;
    void Report(const QString &text);

    static void OnConnect(mosquitto *, void *self, int rc);
    static void OnDisconnect(mosquitto *, void *self, int rc);
    static void OnPublish(mosquitto *, void *self, int mid);
    static void OnLog(mosquitto *, void *self, int level, const char *text);

    MqttTarget target_;
    PublisherIdentity identity_;
    QString prefix_;
    QByteArray readingTopic_;
    QByteArray statusTopic_;
    QString unit_;
    ReadingQueue queue_;
    mosquitto *mosq_ = nullptr;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QTimer miscTimer_;
    QTimer retryTimer_;
    int retryDelay_ = 1000;
    bool connected_ = false;
    bool lost_ = false;
    qsizetype sent_ = 0;
    std::map<int, std::uint64_t> inflight_;
    std::set<std::uint64_t> acked_;
    std::uint64_t reportedDrops_ = 0;
    QString lastError_;
    QString lastLog_;
};

} // namespace kst
