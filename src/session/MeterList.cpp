#include "session/MeterList.h"

#include "session/SettingsStore.h"

#include <QRegularExpression>
#include <algorithm>

namespace kst {

namespace {

const QString Section = QStringLiteral("Meters");

QString Key(const char *field, int number)
{
    return QStringLiteral("%1%2").arg(QLatin1String(field)).arg(number);
}

MeterSetup ReadMeter(int number)
{
    MeterSetup meter = DefaultMeter(number);
    const QString name = SettingsStore::ReadText(Section, Key("Name", number), meter.name);
    if (IsMeterName(name))
        meter.name = name;
    if (number > 1) {
        meter.device = SettingsStore::ReadText(Section, Key("Device", number));
        if (meter.device.isEmpty())
            meter.device = QStringLiteral("/dev/ttyUSB%1").arg(number - 1);
    }
    const qint64 colour = SettingsStore::ReadNumber(Section, Key("Colour", number), -1);
    if (colour >= 0 && colour <= 0xFFFFFF)
        meter.colour = Colour(colour);
    meter.publish = SettingsStore::ReadNumber(Section, Key("Publish", number), 0) == 1;
    meter.prefix = SettingsStore::ReadText(Section, Key("Prefix", number));
    return meter;
}

} // namespace

bool IsMeterName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,24}$"));
    return pattern.match(name).hasMatch();
}

QString DefaultMeterName(int number)
{
    return QStringLiteral("meter%1").arg(number);
}

Colour DefaultMeterColour(int number)
{
    // 24-bit colours, red in the low byte.
    static constexpr Colour Colours[MaxMeters] = {0x0000FF, 0xC00000, 0x008000, 0xC000C0,
                                                  0x204080, 0x808000, 0x0080FF, 0x606060};
    return Colours[std::clamp(number, 1, MaxMeters) - 1];
}

MeterSetup DefaultMeter(int number)
{
    MeterSetup meter;
    meter.name = DefaultMeterName(number);
    meter.colour = DefaultMeterColour(number);
    return meter;
}

std::vector<MeterSetup> ReadMeterList()
{
    const auto count = int(std::clamp<qint64>(
        SettingsStore::ReadNumber(Section, QStringLiteral("Count"), 1), 1, MaxMeters));
    std::vector<MeterSetup> meters;
    for (int number = 1; number <= count; ++number) {
        MeterSetup meter = ReadMeter(number);
        const bool taken = std::any_of(meters.begin(), meters.end(), [&](const MeterSetup &m) {
            return m.name.compare(meter.name, Qt::CaseInsensitive) == 0;
        });
        if (taken)
            meter.name = DefaultMeterName(number);
        meters.push_back(meter);
    }
    return meters;
}

Status CheckMeterList(const std::vector<MeterSetup> &meters)
{
    if (meters.empty() || int(meters.size()) > MaxMeters)
        return Failure::Permanent(
            QStringLiteral("The program logs 1 to %1 meters.").arg(MaxMeters));
    for (size_t i = 0; i < meters.size(); ++i) {
        const MeterSetup &meter = meters[i];
        if (!IsMeterName(meter.name))
            return Failure::Permanent(
                QStringLiteral("Meter %1: \"%2\" is not a name: 1 to 24 letters, digits, - or _.")
                    .arg(i + 1)
                    .arg(meter.name));
        if (i > 0 && meter.device.trimmed().isEmpty())
            return Failure::Permanent(
                QStringLiteral("Meter %1 (%2) has no device.").arg(i + 1).arg(meter.name));
        for (size_t j = 0; j < i; ++j) {
            if (meters[j].name.compare(meter.name, Qt::CaseInsensitive) == 0)
                return Failure::Permanent(
                    QStringLiteral("Two meters are named %1.").arg(meter.name));
            if (j > 0 && meters[j].device == meter.device)
                return Failure::Permanent(QStringLiteral("%1 and %2 have the same device, %3.")
                                              .arg(meters[j].name, meter.name, meter.device));
        }
    }
    return {};
}

void WriteMeterList(const std::vector<MeterSetup> &meters)
{
    SettingsStore::Write(Section, QStringLiteral("Count"), QString::number(meters.size()));
    for (size_t i = 0; i < meters.size(); ++i) {
        const int number = int(i) + 1;
        const MeterSetup &meter = meters[i];
        SettingsStore::Write(Section, Key("Name", number), meter.name);
        if (number > 1)
            SettingsStore::Write(Section, Key("Device", number), meter.device);
        SettingsStore::Write(Section, Key("Colour", number), QString::number(meter.colour));
        SettingsStore::Write(Section, Key("Publish", number), meter.publish ? "1" : "0");
        SettingsStore::Write(Section, Key("Prefix", number), meter.prefix);
    }
}

} // namespace kst
