#include "session/SettingsStore.h"

#include "common/Numbers.h"

#include <QDir>
#include <QSettings>
#include <cmath>

namespace kst::SettingsStore {

namespace {
QString Path(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

const QString Section = QStringLiteral("setting");

bool ReadFlag(const char *key, bool defaultValue)
{
    const qint64 value = ReadNumber(Section, QString::fromLatin1(key), -2);
    return value == 0 || value == 1 ? value == 1 : defaultValue;
}

QString ReadNumberText(const char *key, const QString &defaultValue)
{
    const QString text = ReadText(Section, QString::fromLatin1(key), defaultValue);
    return IsNumeric(text) ? text : defaultValue;
}

void WriteFlag(const char *key, bool value)
{
    Write(Section, QString::fromLatin1(key), value ? QStringLiteral("1") : QStringLiteral("0"));
}

void WriteText(const char *key, const QString &value)
{
    Write(Section, QString::fromLatin1(key), value);
}
} // namespace

QString ReadText(const QString &section, const QString &key, const QString &defaultValue)
{
    QSettings store(QStringLiteral("KST"));
    return store.value(Path(section, key), defaultValue).toString();
}

qint64 ReadNumber(const QString &section, const QString &key, qint64 defaultValue)
{
    QSettings store(QStringLiteral("KST"));
    const QVariant value = store.value(Path(section, key));
    if (!value.isValid())
        return defaultValue;
    const std::optional<double> number = ParseNumber(value.toString());
    if (!number || std::fabs(*number) > 9e15)
        return defaultValue;
    return RoundHalfEven(*number);
}

void Write(const QString &section, const QString &key, const QString &value)
{
    QSettings store(QStringLiteral("KST"));
    store.setValue(Path(section, key), value);
}

QString PortDevice(int port)
{
    return ReadText(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port),
                    QStringLiteral("/dev/ttyS%1").arg(port - 1));
}

void SetPortDevice(int port, const QString &device)
{
    Write(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), device);
}

ModemLines ReadModemLines()
{
    const ModemLines defaults;
    return {ReadNumber(QStringLiteral("Ports"), QStringLiteral("DTR"), defaults.dtr) != 0,
            ReadNumber(QStringLiteral("Ports"), QStringLiteral("RTS"), defaults.rts) != 0};
}

QString DataFolder()
{
    // The XDG rules: $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(data))
        return data + QStringLiteral("/KST");
    const QString home = qEnvironmentVariable("HOME");
    if (!QDir::isAbsolutePath(home) || QDir(home).isRoot())
        return {}; // a service without a home: no folder rather than one under "/"
    return home + QStringLiteral("/.local/share/KST");
}

AlarmSettings ReadAlarmSettings()
{
    const AlarmSettings defaults;
    return {ReadFlag("AlarmH", defaults.high), ReadNumberText("AlarmHText", defaults.highText),
            ReadFlag("AlarmL", defaults.low), ReadNumberText("AlarmLText", defaults.lowText)};
}

void WriteAlarmSettings(const AlarmSettings &settings)
{
    WriteFlag("AlarmH", settings.high);
    WriteText("AlarmHText", settings.highText);
    WriteFlag("AlarmL", settings.low);
    WriteText("AlarmLText", settings.lowText);
}

ScaleTexts ReadScaleTexts()
{
    const ScaleTexts defaults;
    return {ReadFlag("ScaleMeterRange", defaults.meterRange),
            ReadNumberText("ScaleTopY", defaults.top), ReadNumberText("ScaleLowY", defaults.low),
            ReadNumberText("ScaleInterval", defaults.interval),
            ReadFlag("ScaleStopOnOL", defaults.stopOnOverload)};
}

void WriteScaleTexts(const ScaleTexts &texts)
{
    WriteFlag("ScaleMeterRange", texts.meterRange);
    WriteText("ScaleTopY", texts.top);
    WriteText("ScaleLowY", texts.low);
    WriteText("ScaleInterval", texts.interval);
    WriteFlag("ScaleStopOnOL", texts.stopOnOverload);
}

} // namespace kst::SettingsStore
