#include "shell/SettingsStore.h"

#include "common/Numbers.h"

#include <QSettings>
#include <cmath>

namespace kst::SettingsStore {

namespace {
QString Path(const QString &section, const QString &key)
{
    return section + u'/' + key;
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

} // namespace kst::SettingsStore
