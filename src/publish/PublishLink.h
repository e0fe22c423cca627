#pragma once

#include "publish/MqttPublisher.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <vector>

namespace kst {

// What the status bar says about the link: "MQTT: connected", "MQTT: queued N" while readings
// wait for a broker that is away, else "MQTT: <error>" (or "MQTT: connecting"), with
// ", N dropped" once the full queue has dropped readings.
QString MqttStatusText(bool connected, qsizetype queued, std::uint64_t dropped,
                       const QString &error);

// The program's publisher, run on a thread of its own: opening a long queue, looking up the
// broker's name and the goodbye when stopping never hold up the windows. Its state comes back as
// a status text, so the windows never wait for it either.
class PublishLink : public QObject {
    Q_OBJECT
public:
    explicit PublishLink(QObject *parent = nullptr);
    // Stops publishing, waiting a few seconds at most for outstanding acknowledgements.
    ~PublishLink() override;

    // Publishes to `target` from now on, with the queue in `dataFolder`; a publisher that ran
    // before is stopped first.
    void Start(const MqttTarget &target, const PublisherIdentity &identity,
               const QString &dataFolder, qsizetype queueCapacity);
    // Stops publishing; readings not yet acknowledged stay queued for the next start.
    void Stop();
    bool Running() const { return running_; }
    // Hands over one reading: its JSON object and its unit text.
    void Publish(const QByteArray &json, const QString &unit);

    // Runs TestMqttBroker in the background and gives its result to `done`, in this thread,
    // unless `receiver` is gone by then.
    void Test(const MqttTarget &target, int timeoutMs, QObject *receiver,
              std::function<void(const MqttBrokerTest &)> done);

    // Empty while not publishing.
    QString StatusText() const { return text_; }
    // The last error, also while readings are queued.
    QString StatusError() const { return error_; }

signals:
    void StatusChanged();

private:
    // In the publishing thread.
    void Update();
    void Close();

    QThread thread_;
    QObject *worker_;
    bool running_ = false;
    QString text_;
    QString error_;
    std::vector<QThread *> tests_;
    // Owned by the publishing thread.
    std::unique_ptr<MqttPublisher> publisher_;
    QString workerError_;
    QString shownText_;
};

} // namespace kst
