#pragma once

#include "common/Result.h"
#include "publish/MqttPublisher.h"

#include <QString>
#include <memory>

namespace kst {

// Where and how a program publishes its readings, as the user gave them.
struct PublishSettings {
    bool enabled = false;
    QString url; // mqtt://[user@]host[:port]/prefix or mqtts://...
    QString user;
    QString password;
    QString caFile;
    QString prefix;
    qsizetype queueCapacity = 1000000;

    bool operator==(const PublishSettings &) const = default;
};

// Section "Publish" of the settings store (keys Enabled, Url, User, Password, CaFile, Prefix,
// QueueCapacity). A capacity that is missing or not a whole number of at least 1 reads as the
// default. A password read keeps the process out of core dumps.
PublishSettings ReadPublishSettings();
// Writes them, or says why it cannot. While the section holds a password the settings file is
// readable by its owner only, from its first byte on.
Status WritePublishSettings(const PublishSettings &settings);

enum class PublishField { Url, CaFile, Prefix };

// The broker for `settings` and the meter on `device`: the user and the prefix given apart win
// over those in the address, and the prefix defaults to kst/<hostname>/<device name>. Fails,
// with the field at fault in `faulty`, when the address is not one, the CA file cannot be read
// or comes with an mqtt:// address, or the prefix is not one a broker takes (CheckTopicPrefix).
Result<MqttTarget> MqttTargetFor(const PublishSettings &settings, const QString &device,
                                 const QString &passwordAdvice = {},
                                 PublishField *faulty = nullptr);

// Where the readings for `prefix` wait: a folder of <dataFolder>/mqtt-queue named after the
// prefix ('/' as '_'), one per prefix (and so per device with the default prefix) whichever
// program publishes. No prefix names a folder outside <dataFolder>/mqtt-queue.
QString MqttQueueFolder(const QString &dataFolder, const QString &prefix);

// A publisher for `target`, its queue opened in `dataFolder` and connecting; or why the queue
// cannot be opened.
Result<std::unique_ptr<MqttPublisher>> StartMqttPublisher(const MqttTarget &target,
                                                          const PublisherIdentity &identity,
                                                          const QString &dataFolder,
                                                          qsizetype queueCapacity,
                                                          const MqttTimings &timings = {});

} // namespace kst
