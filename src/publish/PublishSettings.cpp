#include "publish/PublishSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSysInfo>

namespace kst {

PublishSettings ReadPublishSettings()
{
    QSettings store(QStringLiteral("KST"));
    store.beginGroup(QStringLiteral("Publish"));
    PublishSettings settings;
    settings.enabled = store.value(QStringLiteral("Enabled")).toString() == QLatin1String("1");
    settings.url = store.value(QStringLiteral("Url")).toString();
    settings.user = store.value(QStringLiteral("User")).toString();
    settings.password = store.value(QStringLiteral("Password")).toString();
    settings.caFile = store.value(QStringLiteral("CaFile")).toString();
    settings.prefix = store.value(QStringLiteral("Prefix")).toString();
    bool ok = false;
    const qint64 capacity = store.value(QStringLiteral("QueueCapacity")).toString().toLongLong(&ok);
    if (ok && capacity >= 1)
        settings.queueCapacity = capacity;
    return settings;
}

bool WritePublishSettings(const PublishSettings &settings, QString *error)
{
    QSettings store(QStringLiteral("KST"));
    store.beginGroup(QStringLiteral("Publish"));
    store.setValue(QStringLiteral("Enabled"), settings.enabled ? "1" : "0");
    store.setValue(QStringLiteral("Url"), settings.url);
    store.setValue(QStringLiteral("User"), settings.user);
    store.setValue(QStringLiteral("Password"), settings.password);
    store.setValue(QStringLiteral("CaFile"), settings.caFile);
    store.setValue(QStringLiteral("Prefix"), settings.prefix);
    store.setValue(QStringLiteral("QueueCapacity"), QString::number(settings.queueCapacity));
    store.sync();
    // Later saves of the file keep its permissions.
    if (store.status() == QSettings::NoError &&
        (settings.password.isEmpty() ||
         QFile::setPermissions(store.fileName(), QFile::ReadOwner | QFile::WriteOwner)))
        return true;
    *error = QStringLiteral("%1: the settings cannot be written").arg(store.fileName());
    return false;
}

std::optional<MqttTarget> MqttTargetFor(const PublishSettings &settings, const QString &device,
                                        QString *error, const QString &passwordAdvice,
                                        PublishField *faulty)
{
    const auto fail = [&](PublishField field, const QString &text) {
        if (faulty)
            *faulty = field;
        *error = text;
        return std::nullopt;
    };
    QString urlError;
    std::optional<MqttTarget> target = ParseMqttUrl(settings.url, &urlError, passwordAdvice);
    if (!target)
        return fail(PublishField::Url, urlError);
    if (!settings.caFile.isEmpty() && !target->tls)
        return fail(PublishField::CaFile,
                    QStringLiteral("%1: a CA file is only used with an mqtts:// address")
                        .arg(settings.url));
    if (!settings.caFile.isEmpty() && !QFileInfo(settings.caFile).isReadable())
        return fail(PublishField::CaFile,
                    QStringLiteral("%1: the CA file cannot be read").arg(settings.caFile));
    QString prefix = settings.prefix;
    while (prefix.startsWith(QLatin1Char('/')))
        prefix.remove(0, 1);
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return fail(PublishField::Prefix,
                    QStringLiteral("%1: a topic prefix cannot hold '+' or '#'").arg(prefix));
    if (!settings.user.isEmpty())
        target->user = settings.user;
    target->password = settings.password;
    target->caFile = settings.caFile;
    if (!prefix.isEmpty())
        target->prefix = prefix;
    if (target->prefix.isEmpty())
        target->prefix = DefaultMqttPrefix(QSysInfo::machineHostName(), device);
    return target;
}

QString MqttQueueFolder(const QString &dataFolder, const QString &prefix)
{
    QString name = prefix;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return dataFolder + QStringLiteral("/mqtt-queue/") + name;
}

std::unique_ptr<MqttPublisher> StartMqttPublisher(const MqttTarget &target,
                                                  const PublisherIdentity &identity,
                                                  const QString &dataFolder,
                                                  qsizetype queueCapacity, QString *error)
{
    auto publisher = std::make_unique<MqttPublisher>(target, identity);
    if (!publisher->Start(MqttQueueFolder(dataFolder, target.prefix), queueCapacity, error))
        return nullptr;
    return publisher;
}

} // namespace kst
