// kst-log: records the meter from the command line, without a screen. Prints each reading and
// appends it to a sample file and/or a CSV file as it arrives; also converts a sample file to CSV.

#include "LoggerOptions.h"
#include "MeterLogger.h"

#include "common/Version.h"
#include "files/CsvWriter.h"
#include "files/FileIo.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "publish/PublishSettings.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace kst;

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGINT, SIGTERM and SIGHUP end the run in the event loop, so the files are closed complete.
void CatchEndSignals(const std::function<void()> &end)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [end] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        end();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void Complain(const QString &text)
{
    std::fprintf(stderr, "kst-log: %s\n", qPrintable(text));
}

int Export(const QString &masPath, const QString &csvPath, const CsvFormat &format)
{
    SampleLog log;
    const SampleFileReadResult read = LoadSampleFile(masPath, log);
    if (read.recordsLoaded == 0 && !read.complete) {
        Complain(QStringLiteral("%1: %2").arg(masPath, read.stopReason));
        return ExitFile;
    }
    const Result<ExportEnd> saved =
        csvPath == QLatin1String("-")
            ? WriteCsv(DescriptorSink(STDOUT_FILENO, QStringLiteral("standard output")), log,
                       log.SampleCount, format)
            : SaveCsvFile(csvPath, log, log.SampleCount, format);
    if (!saved) {
        Complain(saved.Reason());
        return ExitFile;
    }
    if (!read.complete) {
        // What could be read is exported; the damage is not passed over in silence.
        Complain(QStringLiteral("%1: reading stopped at line %2: %3; %4 records exported")
                     .arg(masPath)
                     .arg(read.stopLine)
                     .arg(read.stopReason)
                     .arg(read.recordsLoaded));
        return ExitFile;
    }
    return ExitOk;
}

// The broker the readings go to, its queue opened; nothing (with the exit code) when it cannot
// be used.
struct Publishing {
    std::unique_ptr<MqttPublisher> publisher;
    int exitCode = ExitOk;
};

Publishing StartPublishing(const LoggerOptions &options)
{
    PublishSettings settings;
    settings.url = options.mqttUrl;
    settings.caFile = options.mqttCa;
    Result<MqttTarget> target = MqttTargetFor(
        settings, options.device, QStringLiteral("use KST_MQTT_PASSWORD or --mqtt-password-file"));
    if (!target) {
        std::fprintf(stderr, "kst-log: %s\nTry 'kst-log --help' for more information.\n",
                     qPrintable(target.Reason()));
        return {nullptr, ExitUsage};
    }
    const Result<QString> password = ReadMqttPassword(options.mqttPasswordFile);
    if (!password) {
        Complain(password.Reason());
        return {nullptr, ExitFile};
    }
    target->password = *password;
    // The queue lives in the program's data folder, as it does for kst.
    Result<std::unique_ptr<MqttPublisher>> started = StartMqttPublisher(
        *target, {options.device, QStringLiteral("kst-log"), QStringLiteral(KST_VERSION)},
        options.dataFolder, options.mqttQueue);
    if (!started) {
        Complain(started.Reason());
        return {nullptr, ExitFile};
    }
    Publishing publishing{std::move(started).Value()};
    QObject::connect(publishing.publisher.get(), &MqttPublisher::Error, Complain);
    // The publisher tells the count at most once a second while it changes.
    QObject::connect(publishing.publisher.get(), &MqttPublisher::ReadingsDropped,
                     [](std::uint64_t total) {
                         Complain(QStringLiteral("the MQTT queue is full: %1 oldest readings "
                                                 "dropped so far")
                                      .arg(total));
                     });
    return publishing;
}

// The end of a run that published: a run of a set length gives the broker a while to take what
// is still queued; readings that stay queued are said, with an exit code of their own.
int EndPublishing(MqttPublisher &publisher, const LoggerOptions &options, int code)
{
    if (code == ExitOk && (options.count > 0 || options.seconds)) {
        if (const qsizetype left = publisher.Drain(int(options.mqttWaitSeconds * 1000)); left > 0) {
            Complain(QStringLiteral("%1 readings stay queued for the broker").arg(left));
            code = ExitQueued;
        }
    }
    publisher.Stop();
    return code;
}

// Logs until the count, the duration, a signal or a failure ends the run.
int Run(QCoreApplication &app, const LoggerOptions &options)
{
    Publishing publishing;
    if (!options.mqttUrl.isEmpty()) {
        publishing = StartPublishing(options);
        if (!publishing.publisher)
            return publishing.exitCode;
    }
    MeterLogger logger(options);
    if (MqttPublisher *publisher = publishing.publisher.get())
        logger.PublishTo([publisher](const QByteArray &json, const QString &unit) {
            publisher->SetUnit(unit);
            static_cast<void>(publisher->Publish(json)); // a failure is said through Error
        });
    const int started = logger.Start();
    if (started != ExitOk)
        return started;
    QObject::connect(&logger, &MeterLogger::Finished, &app, &QCoreApplication::exit);
    auto end = [&logger, &app] {
        logger.Stop();
        app.exit(ExitOk);
    };
    CatchEndSignals(end);
    if (options.seconds)
        QTimer::singleShot(std::chrono::milliseconds(qint64(*options.seconds * 1000.0)), &app, end);
    const int code = QCoreApplication::exec();
    MqttPublisher *publisher = publishing.publisher.get();
    const int exitCode = publisher ? EndPublishing(*publisher, options, code) : code;
    if (options.summary) // for a service's log: what the run took and what it may have missed
        Complain(QStringLiteral("summary: %1 readings, %2 gaps, %3 dropped, %4 queued")
                     .arg(logger.Readings())
                     .arg(logger.Gaps())
                     .arg(publisher ? publisher->Dropped() : 0)
                     .arg(publisher ? publisher->Queued() : 0));
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kst-log"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KST_VERSION));

    const Result<LoggerOptions> options = ParseLoggerOptions(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "kst-log: %s\nTry 'kst-log --help' for more information.\n",
                     qPrintable(options.Reason()));
        return ExitUsage;
    }
    switch (options->action) {
    case LoggerOptions::Action::Help:
        std::fputs(qPrintable(options->helpText), stdout);
        return ExitOk;
    case LoggerOptions::Action::Version:
        std::printf("kst-log %s\n", KST_VERSION);
        return ExitOk;
    case LoggerOptions::Action::Export:
        return Export(options->exportPath, options->csvPath, options->csvFormat);
    case LoggerOptions::Action::Log:
        break;
    }
    // A closed pipe on standard output is noticed as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return Run(app, *options);
}
