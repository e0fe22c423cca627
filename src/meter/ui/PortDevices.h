#pragma once

#include <QString>
#include <functional>

namespace kst {

// Where the port numbers lead and where the port windows write a choice back. The caller wires
// it to its settings store; tests wire it to whatever they like.
struct PortDevices {
    // The device path a port number stands for.
    std::function<QString(int port)> Device;
    // Maps a port number to another device.
    std::function<void(int port, const QString &device)> Assign;
    // The port number chosen, opened at the next start.
    std::function<void(int port)> Remember;
    // Stable names of the plugged serial adapters: links that follow an adapter to whatever
    // name the kernel gives it when it is plugged in again.
    QString ByIdFolder = QStringLiteral("/dev/serial/by-id");
};

} // namespace kst
