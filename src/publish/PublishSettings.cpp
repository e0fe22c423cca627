#include "publish/PublishSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>

namespace kst {

namespace {

// Makes the settings file private before a password goes into it. QSettings replaces the file
// through a temporary file that is private from its creation and then takes the old file's
// permissions; so a missing file, or one others may read, is first replaced by a private copy
// (a private temporary file renamed over it).
Status MakePrivate(const QString &path)
{
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    if (QFile::exists(path) && !(QFile::permissions(path) & others))
        return {};
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Failure::FromErrno(errno, folder);
    QByteArray content;
    if (QFile old(path); old.exists()) {
        if (!old.open(QIODevice::ReadOnly))
            return Failure::Permanent(QStringLiteral("%1: %2").arg(path, old.errorString()));
        content = old.readAll();
    }
    QTemporaryFile copy(path + QStringLiteral(".XXXXXX")); // made readable by its owner only
    if (!copy.open() || copy.write(content) != content.size() || !copy.flush())
        return Failure::Permanent(
            QStringLiteral("%1: %2").arg(copy.fileName(), copy.errorString()));
    if (std::rename(QFile::encodeName(copy.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return Failure::FromErrno(errno, path);
    copy.setAutoRemove(false);
    return {};
}

} // namespace

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
    if (!settings.password.isEmpty())
        KeepSecretsOutOfDumps();
    return settings;
}

Status WritePublishSettings(const PublishSettings &settings)
{
    QSettings store(QStringLiteral("KST"));
    if (!settings.password.isEmpty())
        if (const Status made = MakePrivate(store.fileName()); !made)
            return made.Error().In(QStringLiteral("the settings stay unsaved: "));
    store.beginGroup(QStringLiteral("Publish"));
    store.setValue(QStringLiteral("Enabled"), settings.enabled ? "1" : "0");
    store.setValue(QStringLiteral("Url"), settings.url);
    store.setValue(QStringLiteral("User"), settings.user);
    store.setValue(QStringLiteral("Password"), settings.password);
    store.setValue(QStringLiteral("CaFile"), settings.caFile);
    store.setValue(QStringLiteral("Prefix"), settings.prefix);
    store.setValue(QStringLiteral("QueueCapacity"), QString::number(settings.queueCapacity));
    store.sync();
    if (store.status() != QSettings::NoError)
        return Failure::Permanent(
            QStringLiteral("%1: the settings cannot be written").arg(store.fileName()));
    return {};
}

Result<MqttTarget> MqttTargetFor(const PublishSettings &settings, const QString &device,
                                 const QString &passwordAdvice, PublishField *faulty)
{
    const auto fail = [&](PublishField field, const Failure &failure) -> Result<MqttTarget> {
        if (faulty)
            *faulty = field;
        return failure;
    };
    Result<MqttTarget> target = ParseMqttUrl(settings.url, passwordAdvice);
    if (!target)
        return fail(PublishField::Url, target.Error());
    if (!settings.caFile.isEmpty() && !target->tls)
        return fail(
            PublishField::CaFile,
            Failure::Permanent(QStringLiteral("%1: a CA file is only used with an mqtts:// address")
                                   .arg(settings.url)));
    if (!settings.caFile.isEmpty() && !QFileInfo(settings.caFile).isReadable())
        return fail(PublishField::CaFile,
                    Failure::Permanent(
                        QStringLiteral("%1: the CA file cannot be read").arg(settings.caFile)));
    QString prefix = settings.prefix;
    while (prefix.startsWith(QLatin1Char('/')))
        prefix.remove(0, 1);
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    if (const Status allowed = CheckTopicPrefix(prefix); !allowed)
        return fail(PublishField::Prefix, allowed.Error());
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
    // '/' cannot pass and a leading '.' is written out, so the name is never "." or "..";
    // '%' is written out too, so that no two prefixes share a written-out name.
    QString name;
    for (const QChar c : prefix) {
        if (c == QLatin1Char('/'))
            name += QLatin1Char('_');
        else if (c == QLatin1Char('%') || c == QChar(0) ||
                 (c == QLatin1Char('.') && name.isEmpty()))
            name += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            name += c;
    }
    // File names are at most 255 bytes: a longer one keeps its start and a digest of the whole.
    if (name.toUtf8().size() > 200)
        name = name.left(100) + QLatin1Char('~') +
               QString::fromLatin1(
                   QCryptographicHash::hash(prefix.toUtf8(), QCryptographicHash::Sha256)
                       .toHex()
                       .left(32));
    if (name.isEmpty())
        name = QStringLiteral("%00");
    return dataFolder + QStringLiteral("/mqtt-queue/") + name;
}

Result<std::unique_ptr<MqttPublisher>>
StartMqttPublisher(const MqttTarget &target, const PublisherIdentity &identity,
                   const QString &dataFolder, qsizetype queueCapacity, const MqttTimings &timings)
{
    auto publisher = std::make_unique<MqttPublisher>(target, identity, timings);
    if (const Status started =
            publisher->Start(MqttQueueFolder(dataFolder, target.prefix), queueCapacity);
        !started)
        return started.Error();
    return publisher;
}

} // namespace kst
