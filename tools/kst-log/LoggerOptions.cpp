#include "LoggerOptions.h"

#include "session/SettingsStore.h"

#include <QCommandLineParser>

namespace kst {

namespace {

QCommandLineOption Option(const char *name, const char *description, const char *value = nullptr)
{
    return value ? QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                      QString::fromLatin1(value))
                 : QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description));
}

const char *const Description =
    "Records a 4000-count multimeter on a serial line without a screen. Prints each reading "
    "(time, display, unit) and appends it to a sample file and/or a CSV file as it arrives. "
    "SIGINT, SIGTERM and SIGHUP end the run with complete files.\n\n"
    "Exit codes: 0 done, 64 wrong command line, 69 device cannot be opened, 73 file error, 75 "
    "readings stay queued for the MQTT broker.";

QList<QCommandLineOption> Options()
{
    return {
        Option("port", "Serial port number 1 to 4, as in KST.", "N"),
        Option("device", "Serial device, e.g. /dev/ttyUSB0.", "PATH"),
        Option("mas", "Append the readings to this sample file.", "FILE"),
        Option("csv",
               "Append the readings to this CSV file (with --export: write the CSV there); - is "
               "standard output, which then carries only the CSV.",
               "FILE"),
        Option("duration", "Stop after this time: seconds, or a number with s, m, h or d.", "TIME"),
        Option("count", "Stop after N readings.", "N"),
        Option("quiet", "Print nothing on standard output."),
        Option("json", "Print each reading as a line of JSON."),
        Option("export", "Convert this sample file to the --csv file.", "FILE.mas"),
        Option("mqtt",
               "Publish each reading to an MQTT broker: mqtt://[user@]host[:port]/prefix or "
               "mqtts://... (TLS). The prefix defaults to kst/<hostname>/<device name>; the "
               "password comes from KST_MQTT_PASSWORD or --mqtt-password-file.",
               "URL"),
        Option("mqtt-password-file", "Read the broker password from the first line of this file.",
               "FILE"),
        Option("mqtt-ca",
               "Check the broker's certificate against these CA certificates instead of the "
               "system's.",
               "FILE"),
        Option("mqtt-wait",
               "With --count or --duration: seconds to wait at the end for the broker to take "
               "the readings still queued (default 5); exit code 75 when some stay queued.",
               "SECONDS"),
        Option("mqtt-queue",
               "Readings kept on disk while the broker is away (default 1000000); when full, the "
               "oldest are dropped.",
               "N"),
    };
}

// A whole number of at least 1.
std::optional<qint64> Positive(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 1 ? std::optional<qint64>(value) : std::nullopt;
}

Status CheckExport(const QCommandLineParser &parser)
{
    for (const char *other : {"port", "device", "mas", "duration", "count", "json"})
        if (parser.isSet(QLatin1String(other)))
            return Failure::Permanent(
                QStringLiteral("--export takes only --csv, not --%1").arg(QLatin1String(other)));
    if (!parser.isSet(QStringLiteral("csv")))
        return Failure::Permanent(QStringLiteral("--export needs --csv OUT.csv"));
    return {};
}

Status ReadDevice(const QCommandLineParser &parser, LoggerOptions &options)
{
    if (parser.isSet(QStringLiteral("port")) == parser.isSet(QStringLiteral("device")))
        return Failure::Permanent(QStringLiteral("give either --port N or --device PATH"));
    if (!parser.isSet(QStringLiteral("port"))) {
        options.device = parser.value(QStringLiteral("device"));
        return {};
    }
    const std::optional<qint64> port = Positive(parser.value(QStringLiteral("port")));
    if (!port || *port > 4)
        return Failure::Permanent(QStringLiteral("--port is a number from 1 to 4"));
    options.device = SettingsStore::PortDevice(int(*port));
    return {};
}

Status ReadLimits(const QCommandLineParser &parser, LoggerOptions &options)
{
    if (parser.isSet(QStringLiteral("count"))) {
        const std::optional<qint64> count = Positive(parser.value(QStringLiteral("count")));
        if (!count)
            return Failure::Permanent(QStringLiteral("--count is a whole number of at least 1"));
        options.count = *count;
    }
    if (parser.isSet(QStringLiteral("duration"))) {
        options.seconds = ParseDuration(parser.value(QStringLiteral("duration")));
        if (!options.seconds)
            return Failure::Permanent(
                QStringLiteral("--duration is a time such as 90, 90s, 15m or 2h"));
    }
    return {};
}

Status ReadMqtt(const QCommandLineParser &parser, LoggerOptions &options)
{
    options.mqttUrl = parser.value(QStringLiteral("mqtt"));
    for (const char *name : {"mqtt-password-file", "mqtt-ca", "mqtt-queue", "mqtt-wait"})
        if (parser.isSet(QLatin1String(name)) && options.mqttUrl.isEmpty())
            return Failure::Permanent(QStringLiteral("--%1 needs --mqtt").arg(QLatin1String(name)));
    options.mqttPasswordFile = parser.value(QStringLiteral("mqtt-password-file"));
    options.mqttCa = parser.value(QStringLiteral("mqtt-ca"));
    if (parser.isSet(QStringLiteral("mqtt-queue"))) {
        const std::optional<qint64> queue = Positive(parser.value(QStringLiteral("mqtt-queue")));
        if (!queue)
            return Failure::Permanent(
                QStringLiteral("--mqtt-queue is a whole number of at least 1"));
        options.mqttQueue = qsizetype(*queue);
    }
    if (parser.isSet(QStringLiteral("mqtt-wait"))) {
        bool ok = false;
        options.mqttWaitSeconds = parser.value(QStringLiteral("mqtt-wait")).toDouble(&ok);
        if (!ok || options.mqttWaitSeconds < 0 || options.mqttWaitSeconds > 3600)
            return Failure::Permanent(
                QStringLiteral("--mqtt-wait is a number of seconds from 0 to 3600"));
    }
    return {};
}

Status ReadLogging(const QCommandLineParser &parser, LoggerOptions &options)
{
    for (const auto &read : {ReadDevice, ReadLimits, ReadMqtt})
        if (Status status = read(parser, options); !status)
            return status;
    options.masPath = parser.value(QStringLiteral("mas"));
    options.csvPath = parser.value(QStringLiteral("csv"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.json = parser.isSet(QStringLiteral("json"));
    if (options.quiet && options.masPath.isEmpty() && options.csvPath.isEmpty() &&
        options.mqttUrl.isEmpty())
        return Failure::Permanent(
            QStringLiteral("--quiet without --mas, --csv or --mqtt records nothing"));
    if (!options.masPath.isEmpty() && options.masPath == options.csvPath)
        return Failure::Permanent(QStringLiteral("--mas and --csv name the same file"));
    if (options.csvPath == QLatin1String("-") && options.json)
        return Failure::Permanent(
            QStringLiteral("--csv - puts the CSV on standard output; --json cannot go there too"));
    // The program's own modem-line settings.
    const SettingsStore::ModemLines lines = SettingsStore::ReadModemLines();
    options.dtr = lines.dtr;
    options.rts = lines.rts;
    return {};
}

} // namespace

std::optional<double> ParseDuration(const QString &text)
{
    QString number = text.trimmed();
    double unit = 1.0;
    if (!number.isEmpty()) {
        const QChar last = number.back().toLower();
        const double units[] = {1.0, 60.0, 3600.0, 86400.0};
        const qsizetype index = QStringLiteral("smhd").indexOf(last);
        if (index >= 0) {
            unit = units[index];
            number.chop(1);
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !(value > 0) || value * unit > 1e9)
        return {};
    return value * unit;
}

Result<LoggerOptions> ParseLoggerOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(Options());
    if (!parser.parse(arguments))
        return Failure::Permanent(parser.errorText());
    LoggerOptions options;
    options.helpText = parser.helpText();
    if (parser.isSet(QStringLiteral("help"))) {
        options.action = LoggerOptions::Action::Help;
        return options;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        options.action = LoggerOptions::Action::Version;
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return Failure::Permanent(QStringLiteral("unexpected argument '%1'")
                                      .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(QStringLiteral("export"))) {
        if (Status status = CheckExport(parser); !status)
            return status.Error();
        options.action = LoggerOptions::Action::Export;
        options.exportPath = parser.value(QStringLiteral("export"));
        options.csvPath = parser.value(QStringLiteral("csv"));
        return options;
    }
    if (Status status = ReadLogging(parser, options); !status)
        return status.Error();
    return options;
}

} // namespace kst
