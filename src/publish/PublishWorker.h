#pragma once

#include "publish/MqttPublisher.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

namespace kst {

// The intervals of a publishing thread, in milliseconds; tests shorten them.
struct PublishTimings {
    // How often the queue's count is looked at for the status text (it changes with every
    // reading while the broker is away).
    int statusPollMs = 500;
    MqttTimings mqtt;
};

// What the status bar says about the link: "MQTT: connected", "MQTT: queued N" while readings
// wait for a broker that is away, else "MQTT: <error>" (or "MQTT: connecting"); the error also
// while a refusal has paused publishing. ", N dropped" follows once the full queue has dropped
// readings.
QString MqttStatusText(bool connected, bool paused, qsizetype queued, std::uint64_t dropped,
                       const QString &error);

// Owns the program's publisher and lives on the publishing thread; all it is told comes through
// its slots and all it says goes out as signals, so the two threads share no data.
class PublishWorker : public QObject {
    Q_OBJECT
public:
    explicit PublishWorker(const PublishTimings &timings);
    ~PublishWorker() override;

public slots:
    // Publishes to `target` from now on, with the queue in `dataFolder`; the publisher before
    // is stopped first. What it says carries `generation`.
    void Start(quint64 generation, const kst::MqttTarget &target,
               const kst::PublisherIdentity &identity, const QString &dataFolder,
               qsizetype queueCapacity);
    // Stops publishing; readings not yet acknowledged stay queued for the next start.
    void Stop();
    void Publish(const QByteArray &json, const QString &unit);
    void SetLinkLost(bool lost);
    void PublishMarker(const QByteArray &json);

signals:
    // The status text changed (see MqttStatusText; empty when stopped) and the last error.
    void StatusChanged(quint64 generation, const QString &text, const QString &error);

private:
    void Update();

    PublishTimings timings_;
    QTimer poll_;
    std::unique_ptr<MqttPublisher> publisher_;
    quint64 generation_ = 0;
    QString error_;
    QString shownText_;
};

} // namespace kst
