#pragma once

#include "graph/ScaleChoice.h"
#include "record/ui/AlarmPanel.h"

#include <QString>

namespace kst {

// The per-user settings store: QSettings for application "KST" (~/.config/KST.conf), sections
// "setting", "Display" and "Ports". A missing or non-numeric number reads as its default.
namespace SettingsStore {

QString ReadText(const QString &section, const QString &key, const QString &defaultValue = {});
// Whole numbers; a missing key or a text that is not a number gives the default.
qint64 ReadNumber(const QString &section, const QString &key, qint64 defaultValue);
void Write(const QString &section, const QString &key, const QString &value);

// Device path of serial port number n (1..4): section "Ports", key "COMn", default /dev/ttyS(n-1).
QString PortDevice(int port);
void SetPortDevice(int port, const QString &device);

// The alarm limits and the scale window's choices, section "setting". A flag that is not 0 or 1
// and a limit or span that is not a number read as their defaults.
AlarmSettings ReadAlarmSettings();
void WriteAlarmSettings(const AlarmSettings &settings);
ScaleTexts ReadScaleTexts();
void WriteScaleTexts(const ScaleTexts &texts);

} // namespace SettingsStore
} // namespace kst
