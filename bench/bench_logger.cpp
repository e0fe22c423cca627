// kst-log as a user runs it, against a minimal logger of the same bytes: readings at 4 a second
// (a meter's pace) and at 1,000 a second through a pty, each logger appending every reading to a
// sample file and a CSV file (one write a record, as a file cut at any moment must still load)
// and printing it on standard output. The minimal logger is this program run as a child: poll,
// read, decode the frame with a table, one local-time conversion, std::to_chars into a buffer on
// the stack, three writes. Both run as child processes; their processor time is read from their
// CPU clocks over the same readings in the steady state (start-up left out), in the same run.
// System calls a reading are counted by attaching strace -c to each in a second pass.
//
// Publishing: kst-log also publishes to an MQTT broker that is not there (a closed port on this
// machine), so every reading goes into its disk queue and waits; the minimal logger then also
// writes each reading's JSON, with the publisher's sequence number, as one record of the queue's
// form (length, sequence number, payload) with one more write.
//
// The toolkit floor: the minimal logger's work (with the queue record) done on the toolkit's
// serial port and event loop, as any logger built on them receives its bytes, against the
// minimal logger itself. What it costs over the minimal logger no logic on the toolkit can undo.
//
//   bench_logger [READINGS_AT_4 [READINGS_AT_1000]]
#include "meter/MeterFrameEncoder.h"
#include "support/Pty.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace kst;

namespace {

// ---- the minimal logger ----

char *Two(char *o, int v)
{
    *o++ = char('0' + v / 10);
    *o++ = char('0' + v % 10);
    return o;
}

char *Fixed(char *o, long counts, int decimals)
{
    static constexpr long Tens[] = {1, 10, 100, 1000};
    if (counts < 0) {
        *o++ = '-';
        counts = -counts;
    }
    o = std::to_chars(o, o + 8, counts / Tens[decimals]).ptr;
    if (decimals > 0) {
        *o++ = '.';
        char digits[8];
        const char *end =
            std::to_chars(digits, digits + 8, Tens[decimals] + counts % Tens[decimals]).ptr;
        std::memcpy(o, digits + 1, size_t(end - digits - 1));
        o += end - digits - 1;
    }
    return o;
}

void Put(int fd, const char *begin, const char *end)
{
    [[maybe_unused]] const ssize_t written = ::write(fd, begin, size_t(end - begin));
}

// The queue record of one reading: u32 payload length, u64 sequence number (little-endian),
// the JSON object the publisher sends.
void Queue(int queueFd, const char *iso, const char *fixed, size_t fixedSize, const char *unit,
           int dec)
{
    static std::uint64_t seq = 1; // the queue numbers its first record 1
    char record[400];
    char *o = record + 12;
    const auto put = [&o](const char *text, size_t size) {
        o = static_cast<char *>(std::memcpy(o, text, size)) + size;
    };
    const auto literal = [&put](const char *text) { put(text, std::strlen(text)); };
    literal("{\"time\":\"");
    put(iso, 29);
    literal("\",\"value\":");
    put(fixed, fixedSize);
    literal(",\"display\":\"");
    put(fixed, fixedSize);
    literal("\",\"unit\":\"");
    literal(unit);
    literal("\",\"decimals\":");
    *o++ = char('0' + dec);
    literal(",\"ac_dc\":\"DC\",\"over_range\":false,\"hold\":false,\"annunciators\":{"
            "\"max\":false,\"min\":false,\"rel\":false,\"mem\":false,\"auto\":false,"
            "\"man\":false,\"apof\":false,\"battery_low\":false},\"seq\":");
    o = std::to_chars(o, o + 20, seq).ptr;
    *o++ = '}';
    const std::uint32_t length = std::uint32_t(o - record - 12);
    std::memcpy(record, &length, 4); // this machine is little-endian, as the queue's form
    std::memcpy(record + 4, &seq, 8);
    ++seq;
    Put(queueFd, record, o);
}

// One reading: the .mas record, the CSV row and the text line (and the queue record when
// publishing), each in one write.
void Log(const unsigned char *f, int masFd, int csvFd, int queueFd)
{
    // Function 0 (DC volts): the range gives the unit and the decimals.
    static const char *const units[] = {"DCmV", "DCV", "DCV", "DCV", "DCV"};
    static constexpr int decimals[] = {1, 3, 2, 1, 0};
    const int range = std::min(4, std::max(0, f[6] - 128));
    long counts = f[1] + 10 * f[2] + 100 * f[3] + 1000 * f[4];
    if ((f[0] - 128) & 8)
        counts = -counts;
    const int dec = decimals[range];
    const char *unit = units[range];
    const size_t unitSize = std::strlen(unit);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const time_t seconds = now.tv_sec;
    tm t{};
    localtime_r(&seconds, &t);
    const int ms = int(now.tv_nsec / 1000000);
    char date[10], clock[8], iso[29];
    char *p = Two(Two(date, (t.tm_year + 1900) / 100), (t.tm_year + 1900) % 100);
    *p++ = '-';
    p = Two(p, t.tm_mon + 1);
    *p++ = '-';
    Two(p, t.tm_mday);
    p = Two(clock, t.tm_hour);
    *p++ = ':';
    p = Two(p, t.tm_min);
    *p++ = ':';
    Two(p, t.tm_sec);
    std::memcpy(iso, date, 10);
    iso[10] = 'T';
    std::memcpy(iso + 11, clock, 8);
    iso[19] = '.';
    iso[20] = char('0' + ms / 100);
    Two(iso + 21, ms % 100);
    const long offset = std::labs(t.tm_gmtoff) / 60;
    iso[23] = t.tm_gmtoff < 0 ? '-' : '+';
    Two(Two(iso + 24, int(offset / 60)) + 1, int(offset % 60));
    iso[26] = ':';

    char line[160];
    char *o = std::to_chars(line, line + 32, float(double(counts) / std::pow(10.0, dec))).ptr;
    o = std::strcpy(o, ",#") + 2;
    o = static_cast<char *>(std::memcpy(o, date, 10)) + 10;
    o = std::strcpy(o, "#,#") + 3;
    o = static_cast<char *>(std::memcpy(o, clock, 8)) + 8;
    o = std::strcpy(o, "#,\"") + 3;
    o = static_cast<char *>(std::memcpy(o, unit, unitSize)) + unitSize;
    o = std::strcpy(o, "\",") + 2;
    *o++ = char('0' + dec);
    o = std::strcpy(o, ",#FALSE#,#FALSE#,99999,99999\r\n") + 30;
    Put(masFd, line, o);

    o = static_cast<char *>(std::memcpy(line, iso, 29)) + 29;
    *o++ = ',';
    o = Fixed(o, counts, dec);
    *o++ = ',';
    o = static_cast<char *>(std::memcpy(o, unit, unitSize)) + unitSize;
    o = std::strcpy(o, ",false,,\r\n") + 10;
    Put(csvFd, line, o);

    o = static_cast<char *>(std::memcpy(line, iso, 29)) + 29;
    *o++ = '\t';
    char *const fixed = o;
    o = Fixed(o, counts, dec);
    const size_t fixedSize = size_t(o - fixed);
    *o++ = '\t';
    o = static_cast<char *>(std::memcpy(o, unit, unitSize)) + unitSize;
    *o++ = '\n';
    Put(STDOUT_FILENO, line, o);
    if (queueFd >= 0)
        Queue(queueFd, iso, fixed, fixedSize, unit, dec);
}

int MinimalLogger(const char *device, const char *mas, const char *csv, const char *queue)
{
    const int fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (fd < 0 || tcgetattr(fd, &tio) != 0)
        return 1;
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    const int masFd = ::open(mas, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int csvFd = ::open(csv, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int queueFd = queue ? ::open(queue, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    const char header[] = "time,value,unit,over_range,average,rel_reference\r\n";
    Put(csvFd, header, header + sizeof header - 1);
    unsigned char buffer[4096];
    size_t size = 0;
    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, -1) < 0)
            continue;
        const ssize_t got = ::read(fd, buffer + size, sizeof buffer - size);
        if (got <= 0)
            continue;
        size += size_t(got);
        size_t at = 0;
        for (; size - at >= 11; at += 11)
            if (buffer[at + 9] == '\r' && buffer[at + 10] == '\n')
                Log(buffer + at, masFd, csvFd, queueFd);
        std::memmove(buffer, buffer + at, size - at);
        size -= at;
    }
}

// The same logger on the toolkit's own serial port and event loop, the floor of any logger built
// on them: the port notifies, its bytes are read, and the frames are logged as above.
int ToolkitLogger(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QSerialPort port(QString::fromLocal8Bit(argv[2]));
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    port.setBaudRate(9600);
    const int masFd = ::open(argv[3], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int csvFd = ::open(argv[4], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int queueFd =
        argc == 6 ? ::open(argv[5], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    const char header[] = "time,value,unit,over_range,average,rel_reference\r\n";
    Put(csvFd, header, header + sizeof header - 1);
    QByteArray buffer;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        buffer += port.readAll();
        qsizetype at = 0;
        for (; buffer.size() - at >= 11; at += 11)
            if (buffer[at + 9] == '\r' && buffer[at + 10] == '\n')
                Log(reinterpret_cast<const unsigned char *>(buffer.constData() + at), masFd, csvFd,
                    queueFd);
        buffer.remove(0, at);
    });
    return app.exec();
}

// ---- the driver ----

double CpuMs(pid_t pid)
{
    clockid_t clock;
    timespec t{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &t) != 0)
        return 0;
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

QByteArray Frame(int i)
{
    MeterFrameEncoder frame;
    frame.Function = 0;
    frame.Range = 1;
    const long counts = std::lround(1900.0 * std::sin(i / 150.0) + 1000.0 * std::sin(i / 23.0));
    frame.Negative = counts < 0;
    frame.Counts = int(std::labs(counts));
    return frame.Encode();
}

// Writes count frames at rate a second, on time whatever the writes cost.
void Pace(test::Pty &pty, int count, int rate, int &next)
{
    timespec at{};
    clock_gettime(CLOCK_MONOTONIC, &at);
    const long step = 1000000000L / rate;
    for (int i = 0; i < count; ++i) {
        pty.Write(Frame(next++));
        at.tv_nsec += step;
        at.tv_sec += at.tv_nsec / 1000000000L;
        at.tv_nsec %= 1000000000L;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
    }
}

struct Figures {
    double cpuMs = 0;     // a reading
    double syscalls = -1; // a reading; negative when they could not be counted
    qint64 masBytes = 0, csvBytes = 0, queueBytes = 0;
};

// The bytes of the files under folder: the records of a queue (and kst-log's small
// acknowledgement file, which the minimal queue never writes).
qint64 FolderBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        bytes += files.nextFileInfo().size();
    return bytes;
}

struct Run {
    QString program;
    QStringList arguments;
};

// Starts the logger on a fresh pty and files, lets it settle, and measures readings at rate.
Figures Measure(const Run &logger, int rate, int readings, bool countCalls, const QString &folder)
{
    test::Pty pty;
    const QString mas = folder + QStringLiteral("/log.mas"),
                  csv = folder + QStringLiteral("/log.csv");
    const QString data = folder + QStringLiteral("/data");
    QFile::remove(mas);
    QFile::remove(csv);
    QDir(data).removeRecursively();
    QDir().mkpath(data);
    QStringList arguments = logger.arguments;
    arguments.replaceInStrings(QStringLiteral("@DEVICE"), pty.SlavePath());
    arguments.replaceInStrings(QStringLiteral("@MAS"), mas);
    arguments.replaceInStrings(QStringLiteral("@CSV"), csv);
    arguments.replaceInStrings(QStringLiteral("@DATA"), data);
    QProcess child;
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start(logger.program, arguments);
    child.waitForStarted();
    const pid_t pid = pid_t(child.processId());
    QThread::msleep(700); // started and the device open
    int next = 0;
    Pace(pty, std::max(4, rate / 10), rate, next); // into the steady state
    QThread::msleep(300);
    QProcess strace;
    if (countCalls) {
        strace.start(QStringLiteral("strace"), {QStringLiteral("-c"), QStringLiteral("-f"),
                                                QStringLiteral("-p"), QString::number(pid)});
        strace.waitForStarted();
        QThread::msleep(500); // attached
    }
    const double start = CpuMs(pid);
    Pace(pty, readings, rate, next);
    QThread::msleep(std::min(200, 1000 / rate));
    Figures f;
    f.cpuMs = (CpuMs(pid) - start) / readings;
    if (countCalls) {
        ::kill(pid_t(strace.processId()), SIGINT);
        strace.waitForFinished();
        // The summary's last line: "100.00 seconds usecs/call calls [errors] total".
        const QList<QByteArray> lines = strace.readAllStandardError().trimmed().split('\n');
        const QList<QByteArray> fields =
            lines.isEmpty() ? QList<QByteArray>() : lines.last().simplified().split(' ');
        if (fields.size() >= 4 && fields.last() == "total")
            f.syscalls = fields[3].toDouble() / readings;
    }
    child.terminate();
    child.waitForFinished();
    f.masBytes = QFile(mas).size();
    f.csvBytes = QFile(csv).size();
    f.queueBytes = FolderBytes(data);
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "--minimal") == 0)
        return MinimalLogger(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "--toolkit") == 0)
        return ToolkitLogger(argc, argv);
    QCoreApplication app(argc, argv);
    const int slow = argc > 1 ? std::atoi(argv[1]) : 40;
    const int fast = argc > 2 ? std::atoi(argv[2]) : 3000;
    QTemporaryDir folder;
    const QString bin = QCoreApplication::applicationDirPath();
    const QStringList minimalFiles = {QStringLiteral("--minimal"), QStringLiteral("@DEVICE"),
                                      QStringLiteral("@MAS"), QStringLiteral("@CSV")};
    const QStringList kstFiles = {QStringLiteral("--device"), QStringLiteral("@DEVICE"),
                                  QStringLiteral("--mas"),    QStringLiteral("@MAS"),
                                  QStringLiteral("--csv"),    QStringLiteral("@CSV")};
    // Port 1 of this machine refuses: the publisher keeps every reading in its queue and tries
    // again now and then, as with a broker that is away.
    const QStringList publishing = {QStringLiteral("--mqtt"),
                                    QStringLiteral("mqtt://127.0.0.1:1/bench"),
                                    QStringLiteral("--data-dir"), QStringLiteral("@DATA")};
    struct Case {
        const char *name;
        Run minimal, kstLog; // for the floor: the toolkit's logger in kst-log's place
        bool goal = true;    // held to the goals
    };
    const Case cases[] = {
        {"files",
         {QCoreApplication::applicationFilePath(), minimalFiles},
         {bin + QStringLiteral("/kst-log"), kstFiles}},
        {"files+MQTT queue",
         {QCoreApplication::applicationFilePath(),
          minimalFiles + QStringList{QStringLiteral("@DATA/min.seg")}},
         {bin + QStringLiteral("/kst-log"), kstFiles + publishing}},
        {"toolkit floor",
         {QCoreApplication::applicationFilePath(),
          minimalFiles + QStringList{QStringLiteral("@DATA/min.seg")}},
         {QCoreApplication::applicationFilePath(),
          QStringList{QStringLiteral("--toolkit")} + minimalFiles.mid(1) +
              QStringList{QStringLiteral("@DATA/min.seg")}},
         false},
    };
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("kst-log against a minimal logger (read, decode, append the same bytes to a sample "
                "file and a CSV file, print a line; with MQTT also the same JSON to a disk queue), "
                "same pty, processor time in the steady state; load average %.2f\n",
                load[0]);
    std::printf("%-17s %10s %11s %11s %7s %9s %9s %15s\n", "case", "readings/s", "kst-log ms",
                "minimal ms", "ratio", "calls kst", "calls min", "bytes kst/min");
    bool ok = true;
    for (const Case &c : cases)
        for (const int rate : {4, 1000}) {
            const int n = rate == 4 ? slow : fast;
            // Interleaved, each twice at the fast rate, once at the slow one.
            Figures a = Measure(c.minimal, rate, n, false, folder.path());
            Figures b = Measure(c.kstLog, rate, n, false, folder.path());
            if (rate > 4) {
                const Figures b2 = Measure(c.kstLog, rate, n, false, folder.path());
                const Figures a2 = Measure(c.minimal, rate, n, false, folder.path());
                a.cpuMs = (a.cpuMs + a2.cpuMs) / 2;
                b.cpuMs = (b.cpuMs + b2.cpuMs) / 2;
            }
            const int counted = std::max(8, n / 4);
            const Figures ca = Measure(c.minimal, rate, counted, true, folder.path());
            const Figures cb = Measure(c.kstLog, rate, counted, true, folder.path());
            const double ratio = b.cpuMs / a.cpuMs;
            std::printf("%-17s %10d %11.4f %11.4f %7.2f %9.1f %9.1f %7lld/%lld\n", c.name, rate,
                        b.cpuMs, a.cpuMs, ratio, cb.syscalls, ca.syscalls,
                        b.masBytes + b.csvBytes + b.queueBytes,
                        a.masBytes + a.csvBytes + a.queueBytes);
            ok = ok && (!c.goal || (ratio <= 1.3 && cb.syscalls <= 13));
        }
    return ok ? 0 : 1;
}
