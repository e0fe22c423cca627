// Saves, loads and exports (CSV) sample files of 100,000 and 1,000,000 records and prints, in
// processor time at steady state (the best of several runs), each figure as a ratio to a baseline
// measured in the same run: loading against a minimal parser of the same lines into plain
// records, saving and exporting against minimal writers of byte-identical output from plain
// records (one buffer, std::to_chars, no allocation per row, one write and a sync to the disk,
// as the program's atomic files have). Both sides of the load
// ratio keep their memory between runs (the log keeps its blocks over New), so the ratio compares
// the work per line; a first load into a new log, which also pays for fresh memory, is shown
// beside it. Also the memory a loaded sample takes. Exits non-zero when a ratio or the memory is
// over its budget or an output differs.
#include "common/Numbers.h"
#include "files/CsvWriter.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace kst;

namespace {

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The best processor time of runs of f.
template <typename F> double Best(int runs, F f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double start = CpuSeconds();
        f();
        best = std::min(best, CpuSeconds() - start);
    }
    return best;
}

SampleLog MakeLog(qint32 n)
{
    SampleLog log;
    const QString units[] = {QStringLiteral("DCV"), QStringLiteral("DCmV"),
                             QString::fromUtf16(u"KΩ")};
    const QDate date(2026, 12, 6);
    // A second apart from 08:00 on, over midnight into the next days: no gaps.
    for (qint32 i = 0; i < n; ++i) {
        const qint32 second = 8 * 3600 + i;
        log.Append({float((i * 7919) % 8000 - 4000) / 1000.0f, date.addDays(second / 86400),
                    QTime(0, 0).addSecs(second % 86400), units[(i / 1000) % 3], 3,
                    qint16(i % 97 == 0 ? -1 : 0), qint16(i % 89 == 0 ? -1 : 0),
                    i % 2 ? NoValueMarker : float(i % 4000) / 1000.0f,
                    i % 3 ? NoValueMarker : 1.2f});
    }
    return log;
}

// The baseline's plain record.
struct Plain {
    float value, avg, relRef;
    int year, month, day, seconds;
    int unit;
    int decimals;
    bool isMax, isMin;
};

// ---- minimal parser: the whole file at once, fields split at commas, no checks ----

const char *Field(const char *p, const char *&end)
{
    end = static_cast<const char *>(std::memchr(p, ',', 64));
    return p;
}

int Digits(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

// Reads the file into bytes and parses it into records; both keep their memory between runs, as
// the loader's buffers and blocks do.
void MinimalParse(const QString &path, std::vector<std::string> &units, QByteArray &bytes,
                  std::vector<Plain> &records)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    bytes.resize(file.size());
    file.read(bytes.data(), bytes.size());
    records.clear();
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    while (p < end) {
        Plain r{};
        const char *e = nullptr;
        Field(p, e);
        std::from_chars(p, e, r.value);
        p = e + 1; // #yyyy-mm-dd#
        r.year = Digits(p + 1, 4);
        r.month = Digits(p + 6, 2);
        r.day = Digits(p + 9, 2);
        p += 13; // #hh:mm:ss#
        r.seconds = Digits(p + 1, 2) * 3600 + Digits(p + 4, 2) * 60 + Digits(p + 7, 2);
        p += 12; // "unit"
        e = static_cast<const char *>(std::memchr(p, '"', size_t(end - p)));
        const std::string_view unit(p, size_t(e - p));
        if (units.empty() || units.back() != unit) {
            r.unit = -1;
            for (size_t u = 0; u < units.size(); ++u)
                if (units[u] == unit)
                    r.unit = int(u);
            if (r.unit < 0) {
                r.unit = int(units.size());
                units.emplace_back(unit);
            }
        } else {
            r.unit = int(units.size()) - 1;
        }
        p = e + 2;
        Field(p, e);
        std::from_chars(p, e, r.decimals);
        p = e + 1;
        r.isMax = p[1] == 'T';
        p += r.isMax ? 7 : 8;
        r.isMin = p[1] == 'T';
        p += r.isMin ? 7 : 8;
        Field(p, e);
        std::from_chars(p, e, r.avg);
        p = e + 1;
        e = static_cast<const char *>(std::memchr(p, '\r', size_t(end - p)));
        std::from_chars(p, e, r.relRef);
        p = e + 2;
        records.push_back(r);
    }
}

// ---- minimal writers: the same bytes from plain records, one buffer, one write ----

// The shortest text that reads back as the single, which for these values is the file's.
char *Number(char *o, float value)
{
    return std::to_chars(o, o + 32, value).ptr;
}

char *Two(char *o, int v, char after)
{
    *o++ = char('0' + v / 10);
    *o++ = char('0' + v % 10);
    *o++ = after;
    return o;
}

void WriteWhole(const QString &path, const std::string &out)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, out.data(), out.size());
    ::fdatasync(fd);
    ::close(fd);
}

void MinimalWrite(const QString &path, const std::vector<Plain> &records,
                  const std::vector<std::string> &units, std::string &out)
{
    out.clear();
    char line[256];
    for (const Plain &r : records) {
        char *o = Number(line, r.value);
        *o++ = ',';
        *o++ = '#';
        o = Two(o, r.year / 100, '-') - 1; // the century's two digits, then the year's
        o = Two(o, r.year % 100, '-');
        o = Two(o, r.month, '-');
        o = Two(o, r.day, '#');
        *o++ = ',';
        *o++ = '#';
        o = Two(o, r.seconds / 3600, ':');
        o = Two(o, r.seconds / 60 % 60, ':');
        o = Two(o, r.seconds % 60, '#');
        *o++ = ',';
        *o++ = '"';
        const std::string &unit = units[size_t(r.unit)];
        std::memcpy(o, unit.data(), unit.size());
        o += unit.size();
        *o++ = '"';
        *o++ = ',';
        o = std::to_chars(o, o + 8, r.decimals).ptr;
        const char *flags[] = {",#FALSE#", ",#TRUE#"};
        for (bool flag : {r.isMax, r.isMin}) {
            const size_t size = std::strlen(flags[flag]);
            std::memcpy(o, flags[flag], size);
            o += size;
        }
        *o++ = ',';
        o = Number(o, r.avg);
        *o++ = ',';
        o = Number(o, r.relRef);
        *o++ = '\r';
        *o++ = '\n';
        out.append(line, size_t(o - line));
    }
    WriteWhole(path, out);
}

// The CSV for programs; every record in one UTC offset, given as its text ("+01:00").
void MinimalCsv(const QString &path, const std::vector<Plain> &records,
                const std::vector<std::string> &units, const char *offset, std::string &out)
{
    out.assign("time,value,unit,over_range,average,rel_reference,note\r\n");
    char line[256];
    for (const Plain &r : records) {
        char *o = std::to_chars(line, line + 8, r.year).ptr;
        *o++ = '-';
        o = Two(o, r.month, '-');
        o = Two(o, r.day, 'T');
        o = Two(o, r.seconds / 3600, ':');
        o = Two(o, r.seconds / 60 % 60, ':');
        o = Two(o, r.seconds % 60, '.');
        std::memcpy(o, "000", 3);
        std::memcpy(o + 3, offset, 6);
        o += 9;
        *o++ = ',';
        o = std::to_chars(o, o + 32, double(r.value), std::chars_format::fixed, r.decimals).ptr;
        *o++ = ',';
        const std::string &unit = units[size_t(r.unit)];
        std::memcpy(o, unit.data(), unit.size());
        o += unit.size();
        const bool over = std::fabs(r.value) == 4000.0f;
        std::memcpy(o, over ? ",true," : ",false,", over ? 6 : 7);
        o += over ? 6 : 7;
        if (r.avg != NoValueMarker)
            o = Number(o, r.avg);
        *o++ = ',';
        if (r.relRef != NoValueMarker)
            o = Number(o, r.relRef);
        *o++ = ','; // no note: a second apart, the samples have no gaps
        *o++ = '\r';
        *o++ = '\n';
        out.append(line, size_t(o - line));
    }
    WriteWhole(path, out);
}

QByteArray Contents(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

struct Figures {
    double load = 0, firstLoad = 0, parser = 0, save = 0, writer = 0, csv = 0, csvWriter = 0;
    double bytesPerSample = 0;
    bool ok = false;
};

Figures Measure(qint32 n, const QString &folder, int runs)
{
    Figures f;
    const SampleLog log = MakeLog(n);
    const QString path = folder + QStringLiteral("/bench%1.mas").arg(n);
    const QString plainPath = folder + QStringLiteral("/plain%1.mas").arg(n);
    bool saved = true;
    f.save = Best(runs, [&] { saved = saved && SaveSampleFile(path, log, log.SampleCount).Ok(); });

    std::vector<std::string> units;
    std::vector<Plain> plain;
    QByteArray bytes;
    f.parser = Best(runs, [&] {
        units.clear();
        MinimalParse(path, units, bytes, plain);
    });
    std::string out;
    f.writer = Best(runs, [&] { MinimalWrite(plainPath, plain, units, out); });

    const QString csvPath = folder + QStringLiteral("/bench%1.csv").arg(n);
    const QString plainCsvPath = folder + QStringLiteral("/plain%1.csv").arg(n);
    bool exported = true;
    f.csv = Best(runs, [&] { exported = exported && SaveCsvFile(csvPath, log, n).Ok(); });
    const int offsetMinutes = QDateTime(log.SampleDate(0), log.SampleTime(0)).offsetFromUtc() / 60;
    char offsetText[16];
    std::snprintf(offsetText, sizeof offsetText, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+',
                  std::abs(offsetMinutes) / 60, std::abs(offsetMinutes) % 60);
    f.csvWriter = Best(runs, [&] { MinimalCsv(plainCsvPath, plain, units, offsetText, out); });

    SampleLog back;
    SampleFileReadResult read;
    f.firstLoad = Best(1, [&] { read = LoadSampleFile(path, back); });
    f.load = Best(runs, [&] {
        back.Reset();
        read = LoadSampleFile(path, back);
    });
    f.bytesPerSample = double(back.StorageBytes()) / double(std::max(back.SampleCount, 1));
    if (Contents(path) != Contents(plainPath) || Contents(csvPath) != Contents(plainCsvPath))
        std::fprintf(stderr, "differs: %s\n",
                     Contents(path) != Contents(plainPath) ? "save" : "export");
    f.ok = saved && exported && read.complete && back.SampleCount == n &&
           qint32(plain.size()) == n && Contents(path) == Contents(plainPath) &&
           Contents(csvPath) == Contents(plainCsvPath);
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (argc > 1 && qstrcmp(argv[1], "load") == 0) { // for a profiler: loads only
        const SampleLog log = MakeLog(1000000);
        const QString path = dir.filePath(QStringLiteral("profile.mas"));
        (void)SaveSampleFile(path, log, log.SampleCount); // a profile of the loads only
        SampleLog back;
        for (int i = 0; i < 10; ++i) {
            back.Reset();
            LoadSampleFile(path, back);
        }
        return 0;
    }
    const qint32 sizes[] = {100000, 1000000};
    bool ok = true;
    std::printf("%9s %8s %9s %10s %11s %8s %9s %10s %8s %9s %9s %9s %4s\n", "records", "load s",
                "parser s", "load/pars", "(1st load)", "save s", "writer s", "save/writ", "csv s",
                "writer s", "csv/writ", "B/sample", "ok");
    for (qint32 n : sizes) {
        const Figures f = Measure(n, dir.path(), n > 100000 ? 3 : 5);
        const double loadRatio = f.load / f.parser, saveRatio = f.save / f.writer,
                     csvRatio = f.csv / f.csvWriter;
        std::printf(
            "%9d %8.3f %9.3f %10.2f %11.2f %8.3f %9.3f %10.2f %8.3f %9.3f %9.2f %9.1f %4s\n", n,
            f.load, f.parser, loadRatio, f.firstLoad / f.parser, f.save, f.writer, saveRatio, f.csv,
            f.csvWriter, csvRatio, f.bytesPerSample, f.ok ? "yes" : "NO");
        ok = ok && f.ok && f.bytesPerSample <= 32.0 &&
             (n < 1000000 || (loadRatio <= 1.0 && saveRatio <= 1.2 && csvRatio <= 1.5));
    }
    return ok ? 0 : 1;
}
