#pragma once

#include "common/Result.h"
#include "publish/MqttClient.h"
#include "publish/MqttTarget.h"
#include "publish/ReadingQueue.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <set>
#include <vector>

struct mosquitto;
struct mqtt5__property;
class QSocketNotifier;

namespace kst {

// Who publishes, shown in the retained status message.
struct PublisherIdentity {
    QString device;
    QString program;
    QString version;
};

// The publisher's intervals, in milliseconds. Tests shorten them so that they never wait for
// the program's own pace.
struct MqttTimings {
    // After a lost connection: the first wait before trying again, doubled up to the longest.
    int firstRetryMs = 1000;
    int longestRetryMs = 5000;
    // The client's housekeeping (keep-alive pings, resending).
    int housekeepingMs = 1000;
    int keepAliveSeconds = 30;
    // The longest Stop() waits for the broker to take the "offline" status.
    int stopMs = 2000;
    // Dropped readings are told at most this often while their count changes.
    int dropReportMs = 1000;
};

// Publishes readings to an MQTT broker through a queue on disk. Every reading first goes to the
// queue, then to the broker at QoS 1; it leaves the queue when the broker acknowledges it, so
// readings taken while the broker is away (or before a restart) are sent later, in order, with
// their original times. The connection runs in the event loop on the client's socket; a lost
// connection is retried after a growing wait.
//
// MQTT 5 is spoken where the broker offers it (3.1.1 otherwise): then each acknowledgement says
// whether the broker took the reading. A refused reading stays queued, the refusal is said once
// with its reason, and no more readings are sent until the publisher is started anew (with
// other settings).
//
// Topics: <prefix>/reading (one JSON object per reading, with a "seq" number rising by one per
// reading), <prefix>/status (retained; "online" with device, program, version and unit, and
// "link": "lost" or "up" once the meter's device has been lost; or "offline", which the broker
// also sends as the last will when the program dies) and <prefix>/marker (the user's markers,
// a JSON object each, QoS 1; held in memory while the broker is away).
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    MqttPublisher(MqttTarget target, PublisherIdentity identity, MqttTimings timings = {},
                  QObject *parent = nullptr);
    ~MqttPublisher() override;

    // Opens the queue in `queueFolder` (bounded by `capacity` readings) and connects once the
    // event loop runs.
    Status Start(const QString &queueFolder, qsizetype capacity);
    // Queues one reading, given as a JSON object text, and sends it when connected. When the
    // queue cannot be written, the reading waits in memory, is sent all the same, and the
    // failure is returned (and said through Error once).
    Status Publish(const QByteArray &jsonObject);
    // The unit in the status message; a change is published at once.
    void SetUnit(const QString &unit);
    // The meter's device was lost, or is back: in the status message at once.
    void SetLinkLost(bool lost);
    // Publishes a marker (a JSON object) now, or once connected.
    void PublishMarker(const QByteArray &json);
    // Runs the event loop until every queued reading is acknowledged, publishing is paused by a
    // refusal, or `timeoutMs` has passed; returns how many readings stay queued.
    qsizetype Drain(int timeoutMs);
    // Sends no more readings, says "offline" (the last thing published) and disconnects. What
    // is not acknowledged stays queued for the next start.
    void Stop();

    bool Connected() const { return connected_; }
    // A refusal has stopped publishing.
    bool Paused() const { return paused_; }
    qsizetype Queued() const { return queue_.Size(); }
    std::uint64_t Dropped() const { return queue_.Dropped(); }
    QString Prefix() const { return prefix_; }
    QString Address() const;

signals:
    // A plain error: the broker cannot be reached, refused us or a reading, failed certificate
    // checks, or the queue cannot be written. Said once until the state changes.
    void Error(const QString &text);
    void ConnectedChanged(bool connected);
    // The queue was full and `total` readings have been dropped so far, oldest first. Said at
    // the first drop, then at most once per dropReportMs while the count changes, and always
    // with the last count.
    void ReadingsDropped(std::uint64_t total);
    // Acknowledged readings have left the queue; `queued` remain.
    void Delivered(qsizetype queued);

private:
    void Connect();
    Status SetUpClient();
    void WatchSocket();
    void Lost(const QString &reason);
    void RetryIn(int delayMs);
    void TearDown();
    void Pump();
    void CommitAcks();
    void Refused(int reason);
    void UpdateWrite();
    void Check(int rc);
    void SendStatus(bool online);
    void SendMarkers();
    QByteArray StatusJson(bool online) const;
    void Report(const QString &text);
    void NoteDrops();
    void TellDrops();

    static void OnConnect(mosquitto *, void *self, int rc);
    static void OnDisconnect(mosquitto *, void *self, int rc);
    static void OnPublish(mosquitto *, void *self, int mid, int reason, const mqtt5__property *);
    static void OnLog(mosquitto *, void *self, int level, const char *text);

    MqttTarget target_;
    PublisherIdentity identity_;
    MqttTimings timings_;
    QString prefix_;
    QByteArray readingTopic_;
    QByteArray statusTopic_;
    QString unit_;
    // "lost" or "up" once the device was lost; empty before.
    QString link_;
    QByteArray markerTopic_;
    std::vector<QByteArray> markers_; // waiting for a connection
    ReadingQueue queue_;
    mosquitto *mosq_ = nullptr;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QTimer housekeepingTimer_;
    QTimer retryTimer_;
    QTimer dropTimer_;
    int retryDelay_ = 0;
    bool mqtt5_ = true;
    bool connected_ = false;
    bool lost_ = false;
    bool paused_ = false;
    bool stopping_ = false;
    // The queue could not write the latest readings.
    bool queueFailing_ = false;
    // The next reading to hand to the client; readings before it are in flight or delivered.
    std::uint64_t nextToSend_ = 0;
    // Message id of each reading in flight, and readings acknowledged out of order.
    std::map<int, std::uint64_t> inflight_;
    std::set<std::uint64_t> acked_;
    int offlineMid_ = 0;
    std::uint64_t toldDrops_ = 0;
    QString lastError_;
    QString lastLog_;
};

} // namespace kst
