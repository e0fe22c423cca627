#include "publish/MqttTarget.h"

#include <QFile>
#include <QUrl>
#include <sys/prctl.h>

namespace kst {

Result<MqttTarget> ParseMqttUrl(const QString &url, const QString &passwordAdvice)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    if (!parsed.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")))
        return Failure::Permanent(
            QStringLiteral("%1: not a broker address (mqtt://[user@]host[:port]/prefix or "
                           "mqtts://...)")
                .arg(url));
    if (parsed.host().isEmpty())
        return Failure::Permanent(QStringLiteral("%1: the broker's host is missing").arg(url));
    if (!parsed.password().isEmpty())
        return Failure::Permanent(
            QStringLiteral("%1: a password does not belong in the address; %2")
                .arg(parsed.toString(QUrl::RemovePassword), passwordAdvice));
    if (parsed.hasFragment() || url.endsWith(QLatin1Char('#')))
        return Failure::Permanent(QStringLiteral("%1: a topic prefix cannot hold '#'").arg(url));
    MqttTarget target;
    target.tls = scheme == QLatin1String("mqtts");
    target.host = parsed.host();
    target.port = parsed.port(target.tls ? 8883 : 1883);
    target.user = parsed.userName();
    // Decoded: "%23" is the '#' it stands for, and is refused as one.
    target.prefix = parsed.path(QUrl::FullyDecoded);
    while (target.prefix.startsWith(QLatin1Char('/')))
        target.prefix.remove(0, 1);
    while (target.prefix.endsWith(QLatin1Char('/')))
        target.prefix.chop(1);
    if (const Status prefix = CheckTopicPrefix(target.prefix); !prefix)
        return prefix.Error().In(url + QStringLiteral(": "));
    return target;
}

Status CheckTopicPrefix(const QString &prefix)
{
    const auto refuse = [&prefix](const char *why) {
        return Failure::Permanent(
            QStringLiteral("the topic prefix \"%1\" %2").arg(prefix, QLatin1String(why)));
    };
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return refuse("cannot hold '+' or '#'");
    if (prefix.startsWith(QLatin1Char('$')))
        return refuse("cannot begin with '$': such topics are the broker's own");
    if (prefix.contains(QChar(0)))
        return refuse("cannot hold a NUL character");
    if (prefix.isEmpty())
        return {};
    for (const QStringView level : QStringView(prefix).split(QLatin1Char('/'))) {
        if (level.isEmpty())
            return refuse("cannot have an empty level ('//')");
        if (level == QLatin1String(".") || level == QLatin1String(".."))
            return refuse("cannot have a level \".\" or \"..\"");
    }
    return {};
}

QString DefaultMqttPrefix(const QString &hostname, const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    for (QChar &c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#'))
            c = QLatin1Char('_');
    return QStringLiteral("kst/%1/%2").arg(hostname, name);
}

Result<QString> ReadMqttPassword(const QString &passwordFile)
{
    QString password;
    if (passwordFile.isEmpty()) {
        password = qEnvironmentVariable("KST_MQTT_PASSWORD");
    } else {
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return Failure::Permanent(
                QStringLiteral("%1: %2").arg(passwordFile, file.errorString()));
        password =
            QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    }
    if (!password.isEmpty())
        KeepSecretsOutOfDumps();
    return password;
}

void KeepSecretsOutOfDumps()
{
    // prctl refuses only a value other than 0 or 1 here.
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

} // namespace kst
