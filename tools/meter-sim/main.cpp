// kst-meter-sim: a virtual multimeter on a pseudo-terminal (or a given serial device), sending
// the meter's 11-byte display frames at its pace, with optional line faults.

#include "VirtualMeter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace kst;

namespace {

bool ReadInt(const QCommandLineParser &parser, const QString &name, int &out, int low, int high)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < low || value > high) {
        std::fprintf(stderr, "kst-meter-sim: --%s needs a whole number from %d to %d\n",
                     qPrintable(name), low, high);
        return false;
    }
    out = value;
    return true;
}

bool ReadDouble(const QCommandLineParser &parser, const QString &name, double &out, double low,
                double high)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < low || value > high) {
        std::fprintf(stderr, "kst-meter-sim: --%s needs a number from %g to %g\n", qPrintable(name),
                     low, high);
        return false;
    }
    out = value;
    return true;
}

void MakeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &tio);
}

void DescribeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Virtual 4000-count multimeter. Prints the serial device to open, then sends display "
        "frames (9600,n,8,1; 11 bytes ending in CR LF)."));
    parser.addHelpOption();
    const auto option = [&parser](const char *name, const char *help, const char *value = nullptr,
                                  const char *fallback = nullptr) {
        QCommandLineOption o(QString::fromLatin1(name), QString::fromLatin1(help));
        if (value) {
            o.setValueName(QString::fromLatin1(value));
            if (fallback)
                o.setDefaultValue(QString::fromLatin1(fallback));
        }
        parser.addOption(o);
    };
    option("device", "Write to this serial device instead of a new pseudo-terminal.", "path");
    option("path-file", "Also write the device path into this file.", "file");
    option("function", "Function number 0..127 (0 = DC V).", "n");
    option("range", "Range number 0..127.", "n");
    option("wave", "Value shape: const, sine, ramp or random.", "shape");
    option("value", "Centre value in counts (negative values set the sign flag).", "counts");
    option("amplitude", "Wave amplitude in counts.", "counts");
    option("period", "Wave period in seconds.", "seconds");
    option("hold", "Show HOLD.");
    option("rel", "Show REL.");
    option("ol", "Over range (O L).");
    option("battery", "Battery low.");
    option("auto", "Show AUTO (otherwise MAN).");
    option("garbage-every", "Send garbage bytes before every Nth frame.", "n");
    option("cut-every", "Cut every Nth frame short.", "n");
    option("silence-after", "Go silent once after N frames.", "n");
    option("silence-seconds", "Length of that silence (default 5).", "seconds");
    option("burst", "Frames sent back to back on every tick (default 1).", "n");
    option("rate", "Ticks per second (default 4).", "fps");
    option("count", "Stop after N frames (default: run until killed).", "n");
}

// The options as given; nothing (after a message) when one is out of its range.
std::optional<VirtualMeterOptions> ReadOptions(const QCommandLineParser &parser)
{
    VirtualMeterOptions options;
    bool ok =
        ReadInt(parser, QStringLiteral("function"), options.Function, 0, 127) &&
        ReadInt(parser, QStringLiteral("range"), options.Range, 0, 127) &&
        ReadDouble(parser, QStringLiteral("value"), options.Value, -9999, 9999) &&
        ReadDouble(parser, QStringLiteral("amplitude"), options.Amplitude, 0, 20000) &&
        ReadDouble(parser, QStringLiteral("period"), options.PeriodSeconds, 0.01, 1e6) &&
        ReadInt(parser, QStringLiteral("garbage-every"), options.GarbageEvery, 1, 1 << 30) &&
        ReadInt(parser, QStringLiteral("cut-every"), options.CutEvery, 1, 1 << 30) &&
        ReadInt(parser, QStringLiteral("silence-after"), options.SilenceAfter, 1, 1 << 30) &&
        ReadDouble(parser, QStringLiteral("silence-seconds"), options.SilenceSeconds, 0, 1e6) &&
        ReadInt(parser, QStringLiteral("burst"), options.Burst, 1, 1000) &&
        ReadDouble(parser, QStringLiteral("rate"), options.Rate, 0.1, 1000) &&
        ReadInt(parser, QStringLiteral("count"), options.Count, 1, 1 << 30);
    if (parser.isSet(QStringLiteral("wave"))) {
        const QString wave = parser.value(QStringLiteral("wave"));
        if (wave == u"const")
            options.Shape = VirtualMeterOptions::Wave::Const;
        else if (wave == u"sine")
            options.Shape = VirtualMeterOptions::Wave::Sine;
        else if (wave == u"ramp")
            options.Shape = VirtualMeterOptions::Wave::Ramp;
        else if (wave == u"random")
            options.Shape = VirtualMeterOptions::Wave::Random;
        else {
            std::fprintf(stderr, "kst-meter-sim: --wave is const, sine, ramp or random\n");
            ok = false;
        }
    }
    if (!ok)
        return std::nullopt;
    options.Hold = parser.isSet(QStringLiteral("hold"));
    options.Rel = parser.isSet(QStringLiteral("rel"));
    options.OverRange = parser.isSet(QStringLiteral("ol"));
    options.BatteryLow = parser.isSet(QStringLiteral("battery"));
    options.Auto = parser.isSet(QStringLiteral("auto"));
    return options;
}

// The line the frames go to: the given device, or a new pseudo-terminal whose slave side stays
// open in `queueFd` for the whole run (the pty outlives the program opening and closing it).
struct Line {
    int fd = -1;
    int queueFd = -1;
    QString path;
};

std::optional<Line> OpenLine(const QCommandLineParser &parser)
{
    Line line;
    if (parser.isSet(QStringLiteral("device"))) {
        line.path = parser.value(QStringLiteral("device"));
        line.fd =
            ::open(QFile::encodeName(line.path).constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
        if (line.fd < 0) {
            std::perror(qPrintable(line.path));
            return std::nullopt;
        }
        MakeRaw(line.fd);
        return line;
    }
    int slave = -1;
    char name[256] = {};
    if (::openpty(&line.fd, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return std::nullopt;
    }
    // Raw at once, so the first bytes already reach a reader unchanged.
    MakeRaw(slave);
    ::fcntl(line.fd, F_SETFL, ::fcntl(line.fd, F_GETFL) | O_NONBLOCK);
    line.queueFd = slave;
    line.path = QString::fromLocal8Bit(name);
    return line;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kst-meter-sim"));

    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.process(app);
    const std::optional<VirtualMeterOptions> options = ReadOptions(parser);
    if (!options)
        return 2;
    const std::optional<Line> line = OpenLine(parser);
    if (!line)
        return 1;

    // The file first: whoever reads the printed path may look for the file at once.
    if (parser.isSet(QStringLiteral("path-file"))) {
        QFile file(parser.value(QStringLiteral("path-file")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(QFile::encodeName(line->path) + '\n') < 0) {
            std::fprintf(stderr, "kst-meter-sim: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }

    std::printf("%s\n", qPrintable(line->path));
    std::fflush(stdout);
    VirtualMeter meter(*options, line->fd, line->queueFd);
    QObject::connect(&meter, &VirtualMeter::Finished, &app, &QCoreApplication::quit);
    meter.Start();
    const int result = app.exec();
    ::close(line->fd);
    if (line->queueFd >= 0)
        ::close(line->queueFd);
    return result;
}
