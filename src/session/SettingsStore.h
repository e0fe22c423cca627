#pragma once

#include "graph/ScaleChoice.h"
#include "record/AlarmSettings.h"

#include <QString>

namespace kst {

// The per-user settings store: QSettings for application "KST" (~/.config/KST.conf), sections
// "setting", "Display", "Ports" and "Publish". A missing or non-numeric number reads as its
// default. The window program and the logger without a screen read it through these functions
// alone, so both see the same port devices, modem lines and data folder.
namespace SettingsStore {

QString ReadText(const QString &section, const QString &key, const QString &defaultValue = {});
// Whole numbers; a missing key or a text that is not a number gives the default.
qint64 ReadNumber(const QString &section, const QString &key, qint64 defaultValue);
void Write(const QString &section, const QString &key, const QString &value);

// Device path of serial port number n (1..4): section "Ports", key "COMn", default /dev/ttyS(n-1).
QString PortDevice(int port);
void SetPortDevice(int port, const QString &device);

// The modem lines set after opening a port: "Ports" keys "DTR" (default on) and "RTS" (default
// off); optically isolated cables draw their power from them.
struct ModemLines {
    bool dtr = true;
    bool rts = false;
};
ModemLines ReadModemLines();

// The program's per-user data folder, where the "SAMPLE" folder, the recording journals and the
// MQTT queues live: "KST" in the user's data folder, $XDG_DATA_HOME or ~/.local/share. Empty when
// neither is set (HOME unset or "/", as for a service): there is no per-user folder then.
QString DataFolder();

// The alarm limits and the scale window's choices, section "setting". A flag that is not 0 or 1
// and a limit or span that is not a number read as their defaults.
AlarmSettings ReadAlarmSettings();
void WriteAlarmSettings(const AlarmSettings &settings);
ScaleTexts ReadScaleTexts();
void WriteScaleTexts(const ScaleTexts &texts);

} // namespace SettingsStore
} // namespace kst
