#pragma once

#include "common/DrawingSurface.h"
#include "common/Result.h"

#include <QString>
#include <vector>

namespace kst {

// One meter the program logs, as Setup > Meters... keeps it. Meter 1 is the one the
// Communication window sets (its port, COM1 to COM4); the others name their device.
struct MeterSetup {
    // Shown in the meter selector, used in file names ("run-<name>.mas") and MQTT topics.
    QString name;
    // Meters 2 and on: the serial device. Meter 1: unused (its port number is in "setting").
    QString device;
    // Its strip's curve and its button in the selector.
    Colour colour = Red;
    // Publishes its readings, under prefix (empty: the default prefix of its device).
    bool publish = false;
    QString prefix;

    bool operator==(const MeterSetup &) const = default;
};

inline constexpr int MaxMeters = 8;

// A name that works in a file name and a topic: 1 to 24 letters, digits, '-' or '_'.
bool IsMeterName(const QString &name);
// "meter1", "meter2", ...
QString DefaultMeterName(int number);
// Colours that tell the strips apart on the graph's background: red for meter 1, then blue,
// green, magenta, brown, cyan, orange and grey.
Colour DefaultMeterColour(int number);
// Meter `number` (from 1) as it is before anything is set up.
MeterSetup DefaultMeter(int number);

// Section "Meters" of the settings: "Count" (1 to 8) and, for meter k, "Name<k>", "Device<k>"
// (k >= 2), "Colour<k>", "Publish<k>", "Prefix<k>". A field that cannot be read (a bad name, a
// colour that is not a 24-bit number, no device: /dev/ttyUSB<k-1>) falls back to its default,
// the rest kept; a name used twice gets its default. Meter 1 is always there.
std::vector<MeterSetup> ReadMeterList();
// Whether a list can be used: 1 to 8 meters, names that are names and differ, a device for every
// meter after the first, no device twice. The failure names the meter and the fault.
Status CheckMeterList(const std::vector<MeterSetup> &meters);
void WriteMeterList(const std::vector<MeterSetup> &meters);

} // namespace kst
