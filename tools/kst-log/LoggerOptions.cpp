#include "LoggerOptions.h"

#include "session/MeterList.h"
#include "session/SettingsStore.h"

#include <QCommandLineParser>
#include <QHash>

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

const char *const Examples =
    "\nExamples:\n"
    "  kst-log --device /dev/ttyUSB0 --mas bench.mas --csv bench.csv\n"
    "      print each reading and keep it in a sample file and a CSV file\n"
    "  kst-log --port 1 --duration 2h --quiet --csv run.csv --csv-form spreadsheet\n"
    "      two hours from the meter on COM1 into a CSV file for a spreadsheet\n"
    "  kst-log --device /dev/ttyUSB0 --quiet --summary --mqtt mqtt://broker.lab/kst/bench1\n"
    "      publish every reading; the counts on standard error at the end\n"
    "  kst-log --export bench.mas --csv - | head\n"
    "      a sample file as CSV on standard output\n"
    "  kst-meter-sim &        (prints its device, say /dev/pts/3)\n"
    "  kst-log --device /dev/pts/3 --count 5\n"
    "      five readings from the virtual meter, no meter needed\n";

QList<QCommandLineOption> Options()
{
    return {
        Option("port", "Serial port number 1 to 4, as in KST; give it again for more meters.", "N"),
        Option("device", "Serial device, e.g. /dev/ttyUSB0; give it again for more meters.",
               "PATH"),
        Option("meter",
               "A meter by name and device (e.g. psu=/dev/ttyUSB0); give it again for more "
               "meters. With several meters, meter k's files are FILE-NAME.mas and FILE-NAME.csv, "
               "the JSON lines carry \"meter\" and the topics are <prefix>/NAME.",
               "NAME=PATH"),
        Option("mas", "Append the readings to this sample file.", "FILE"),
        Option("csv",
               "Append the readings to this CSV file (with --export: write the CSV there); - is "
               "standard output, which then carries only the CSV.",
               "FILE"),
        Option("duration", "Stop after this time: seconds, or a number with s, m, h or d.", "TIME"),
        Option("count", "Stop after N readings.", "N"),
        Option("quiet", "Print nothing on standard output."),
        Option("json", "Print each reading as a line of JSON."),
        Option("csv-form",
               "The CSV's form: iso (the default) for programs: UTF-8, ISO 8601 times, decimal "
               "points; spreadsheet for a spreadsheet in the user's locale (LC_ALL, LANG): a byte "
               "order mark, local times a spreadsheet reads as dates, the locale's decimal "
               "separator and ';' between fields where that is a comma.",
               "FORM"),
        Option("export", "Convert this sample file to the --csv file.", "FILE.mas"),
        Option("summary",
               "At the end, print the readings taken, the gaps (the device lost and back), and "
               "the readings the MQTT queue dropped and still holds, on standard error."),
        Option("data-dir",
               "The program's data folder, where the MQTT queue is kept (default: KST in "
               "$XDG_DATA_HOME or ~/.local/share).",
               "DIR"),
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

Status ReadCsvForm(const QCommandLineParser &parser, LoggerOptions &options)
{
    if (!parser.isSet(QStringLiteral("csv-form")))
        return {};
    const std::optional<CsvForm> form = CsvFormFromName(parser.value(QStringLiteral("csv-form")));
    if (!form)
        return Failure::Permanent(QStringLiteral("--csv-form is iso or spreadsheet"));
    if (!parser.isSet(QStringLiteral("csv")))
        return Failure::Permanent(QStringLiteral("--csv-form needs --csv"));
    options.csvFormat = {*form, QLocale::system()};
    return {};
}

Status CheckExport(const QCommandLineParser &parser, LoggerOptions &)
{
    for (const char *other :
         {"port", "device", "meter", "mas", "duration", "count", "json", "summary", "data-dir"})
        if (parser.isSet(QLatin1String(other)))
            return Failure::Permanent(
                QStringLiteral("--export takes only --csv, not --%1").arg(QLatin1String(other)));
    if (!parser.isSet(QStringLiteral("csv")))
        return Failure::Permanent(QStringLiteral("--export needs --csv OUT.csv"));
    return {};
}

// One meter from an option's value: a device, a port number, or NAME=DEVICE.
Result<MeterSpec> MeterFrom(const QString &option, const QString &value, int number)
{
    MeterSpec meter{DefaultMeterName(number), value};
    if (option == u"port") {
        const std::optional<qint64> port = Positive(value);
        if (!port || *port > 4)
            return Failure::Permanent(QStringLiteral("--port is a number from 1 to 4"));
        meter.device = SettingsStore::PortDevice(int(*port));
    } else if (option == u"meter") {
        meter.name = value.section(u'=', 0, 0);
        meter.device = value.section(u'=', 1);
        if (!IsMeterName(meter.name) || meter.device.isEmpty())
            return Failure::Permanent(
                QStringLiteral("--meter is NAME=DEVICE, the name of letters, digits, - and _"));
    }
    return meter;
}

Status ReadMeters(const QCommandLineParser &parser, LoggerOptions &options)
{
    // In the order given on the command line, whichever option names them.
    QHash<QString, int> used;
    for (const QString &option : parser.optionNames()) {
        if (option != u"device" && option != u"port" && option != u"meter")
            continue;
        const QString value = parser.values(option).value(used[option]++);
        Result<MeterSpec> meter = MeterFrom(option, value, int(options.meters.size()) + 1);
        if (!meter)
            return meter.Error();
        for (const MeterSpec &other : options.meters) {
            if (other.device == meter->device)
                return Failure::Permanent(
                    QStringLiteral("%1 is given for two meters").arg(meter->device));
            if (other.name.compare(meter->name, Qt::CaseInsensitive) == 0)
                return Failure::Permanent(
                    QStringLiteral("two meters are named %1").arg(meter->name));
        }
        options.meters.push_back(*meter);
    }
    if (options.meters.empty())
        return Failure::Permanent(
            QStringLiteral("give --port N, --device PATH or --meter NAME=PATH"));
    if (int(options.meters.size()) > MaxMeters)
        return Failure::Permanent(QStringLiteral("at most %1 meters").arg(MaxMeters));
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
    // The queue's folder: never one under "/" for a service without a home.
    options.dataFolder = parser.isSet(QStringLiteral("data-dir"))
                             ? parser.value(QStringLiteral("data-dir"))
                             : SettingsStore::DataFolder();
    if (!options.mqttUrl.isEmpty() && options.dataFolder.isEmpty())
        return Failure::Permanent(
            QStringLiteral("neither XDG_DATA_HOME nor HOME names a folder for the MQTT queue; "
                           "give one with --data-dir DIR"));
    return {};
}

Status ReadLogging(const QCommandLineParser &parser, LoggerOptions &options)
{
    for (const auto &read : {ReadMeters, ReadLimits, ReadMqtt, ReadCsvForm})
        if (Status status = read(parser, options); !status)
            return status;
    options.masPath = parser.value(QStringLiteral("mas"));
    options.csvPath = parser.value(QStringLiteral("csv"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.json = parser.isSet(QStringLiteral("json"));
    options.summary = parser.isSet(QStringLiteral("summary"));
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
    options.helpText = parser.helpText() + QLatin1String(Examples);
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
        for (const auto &check : {CheckExport, ReadCsvForm})
            if (Status status = check(parser, options); !status)
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
