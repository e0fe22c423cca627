#pragma once

#include "common/Result.h"
#include "files/CsvWriter.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kst {

// Exit codes of kst-log (the sysexits.h values).
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 64,  // a wrong command line
    ExitDevice = 69, // the serial device cannot be opened
    ExitFile = 73,   // a file cannot be read, created or written
    ExitQueued = 75, // readings stay queued for a broker that did not take them in time
};

// One meter to log: its name (in file names, JSON lines and topics when there are several) and
// its serial device.
struct MeterSpec {
    QString name;
    QString device;
};

// What the command line asks for.
struct LoggerOptions {
    enum class Action { Log, Export, Help, Version };
    Action action = Action::Log;

    // The meters, in the order given (--device, --port through the settings, --meter NAME=DEVICE);
    // the first is meter 1. With several, meter k's files are "<file>-<name>.<ext>".
    std::vector<MeterSpec> meters;
    QString masPath; // sample file to append to; empty for none
    QString csvPath; // CSV file to append to (with --export: to write); empty for none
    QString exportPath;
    // The CSV's form (--csv-form); the spreadsheet form in the user's locale.
    CsvFormat csvFormat;
    qint64 count = 0;              // readings to take; 0 for no limit
    std::optional<double> seconds; // --duration
    bool quiet = false;
    bool json = false;
    bool summary = false; // the counts on standard error at the end
    // Where the MQTT queue lives (--data-dir, else the program's data folder); empty for none.
    QString dataFolder;
    // Modem control lines after opening; optically isolated cables draw their power from them.
    bool dtr = true;
    bool rts = false;

    QString mqttUrl; // empty: no publishing
    QString mqttPasswordFile;
    QString mqttCa;
    qsizetype mqttQueue = 1000000;
    // How long a run of a set length waits at its end for the broker to take what is queued.
    double mqttWaitSeconds = 5;

    // The text --help prints.
    QString helpText;
};

// Reads the command line (arguments[0] is the program). A wrong one fails with the reason the
// user is told. --port N reads the device of port N from the program's settings.
Result<LoggerOptions> ParseLoggerOptions(const QStringList &arguments);

// "90", "90s", "15m", "2h" or "1d" in seconds; nothing for a negative value or not a number.
std::optional<double> ParseDuration(const QString &text);

} // namespace kst
