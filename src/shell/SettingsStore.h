#pragma once

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

} // namespace SettingsStore
} // namespace kst
