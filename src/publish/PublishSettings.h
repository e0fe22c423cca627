#pragma once

#include "publish/MqttPublisher.h"

#include <QString>
#include <memory>
#include <optional>

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
// default.
PublishSettings ReadPublishSettings();
// Writes them. While the section holds a password the settings file is readable by its owner
// only. False with the reason when the file cannot be written.
bool WritePublishSettings(const PublishSettings &settings, QString *error);

enum class PublishField { Url, CaFile, Prefix };

// The broker for `settings` and the meter on `device`: the user and the prefix given apart win
// over those in the address, and the prefix defaults to kst/<hostname>/<device name>. Nothing,
// with the reason and the field at fault, when the address is not one, the CA file cannot be
// read or comes with an mqtt:// address, or the prefix holds a wildcard.
std::optional<MqttTarget> MqttTargetFor(const PublishSettings &settings, const QString &device,
                                        QString *error, const QString &passwordAdvice = {},
                                        PublishField *faulty = nullptr);

// Where the readings for `prefix` wait: <dataFolder>/mqtt-queue/<prefix with '/' as '_'>, one
// folder per prefix (and so per device with the default prefix) whichever program publishes.
QString MqttQueueFolder(const QString &dataFolder, const QString &prefix);

// A publisher for `target`, its queue opened in `dataFolder` and connecting; nothing (and the
// reason) when the queue cannot be opened.
std::unique_ptr<MqttPublisher> StartMqttPublisher(const MqttTarget &target,
                                                  const PublisherIdentity &identity,
                                                  const QString &dataFolder,
                                                  qsizetype queueCapacity, QString *error);

} // namespace kst
