#pragma once

#include "publish/MqttPublisher.h"
#include "publish/PublishWorker.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <vector>

namespace kst {

// The program's publisher, run by a PublishWorker on a thread of its own: opening a long queue,
// looking up the broker's name and the goodbye when stopping never hold up the windows. The
// window's side and the worker talk through queued signals only; the publisher's state comes
// back as a status text, so the windows never wait for it either.
class PublishLink : public QObject {
    Q_OBJECT
public:
    explicit PublishLink(QObject *parent = nullptr, const PublishTimings &timings = {});
    // Stops publishing, waiting a few seconds at most for the broker to take the goodbye.
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
    // The meter's device was lost or is back; a marker (its JSON object).
    void SetLinkLost(bool lost);
    void PublishMarker(const QByteArray &json);

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
    // To the worker.
    void StartRequested(quint64 generation, const kst::MqttTarget &target,
                        const kst::PublisherIdentity &identity, const QString &dataFolder,
                        qsizetype queueCapacity, QPrivateSignal);
    void StopRequested(QPrivateSignal);
    void PublishRequested(const QByteArray &json, const QString &unit, QPrivateSignal);
    void LinkRequested(bool lost, QPrivateSignal);
    void MarkerRequested(const QByteArray &json, QPrivateSignal);

private:
    void ShowStatus(quint64 generation, const QString &text, const QString &error);

    QThread thread_;
    PublishWorker *worker_;
    // Counts the starts, so that a status said before a stop or a restart is not shown.
    quint64 generation_ = 0;
    bool running_ = false;
    QString text_;
    QString error_;
    std::vector<QThread *> tests_;
};

} // namespace kst
