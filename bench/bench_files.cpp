// Saves and loads sample files of 100,000 and 1,000,000 records and prints the times, the rate,
// the ratio to reading the same bytes plainly, the memory a loaded sample takes, and how the
// time grows with the number of records.
#include "common/Numbers.h"
#include "files/SampleFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace kst;

namespace {

SampleLog MakeLog(qint32 n)
{
    SampleLog log;
    const QString units[] = {log.InternUnit(QStringLiteral("DCV")),
                             log.InternUnit(QStringLiteral("DCmV")),
                             log.InternUnit(QString::fromUtf16(u"KΩ"))};
    QTime time(8, 0, 0);
    QDate date(2026, 12, 6);
    for (qint32 i = 0; i < n; ++i) {
        log.MakeRoomFor(i);
        const size_t k = size_t(i);
        log.SampleValue[k] = float((i * 7919) % 8000 - 4000) / 1000.0f;
        log.SampleDate[k] = date;
        log.SampleTime[k] = time.addSecs(i % 86400);
        log.SampleUnit[k] = units[(i / 1000) % 3];
        log.SampleDecimals[k] = 3;
        log.SampleIsMax[k] = i % 97 == 0 ? -1 : 0;
        log.SampleIsMin[k] = i % 89 == 0 ? -1 : 0;
        log.SampleAvg[k] = i % 2 ? NoValueMarker : float(i % 4000) / 1000.0f;
        log.SampleRelRef[k] = i % 3 ? NoValueMarker : 1.2f;
        log.SampleCount = i + 1;
    }
    return log;
}

size_t BytesPerSample(const SampleLog &log)
{
    const size_t capacity = log.SampleValue.capacity();
    size_t bytes =
        log.SampleValue.capacity() * sizeof(float) + log.SampleDate.capacity() * sizeof(QDate) +
        log.SampleTime.capacity() * sizeof(QTime) + log.SampleUnit.capacity() * sizeof(QString) +
        log.SampleDecimals.capacity() * sizeof(qint16) +
        log.SampleIsMax.capacity() * sizeof(qint16) + log.SampleIsMin.capacity() * sizeof(qint16) +
        log.SampleAvg.capacity() * sizeof(float) + log.SampleRelRef.capacity() * sizeof(float);
    return capacity ? bytes / size_t(log.SampleCount) : 0;
}

struct Figures {
    double save = 0, load = 0, plain = 0;
    qint64 fileBytes = 0;
    size_t bytesPerSample = 0;
    bool ok = false;
};

Figures Measure(qint32 n, const QString &folder)
{
    Figures f;
    const SampleLog log = MakeLog(n);
    const QString path = folder + QStringLiteral("/bench%1.mas").arg(n);
    QElapsedTimer timer;
    timer.start();
    const SampleFileSaveResult saved = SaveSampleFile(path, log, log.SampleCount);
    f.save = double(timer.nsecsElapsed()) / 1e9;

    QFile plain(path);
    plain.open(QIODevice::ReadOnly);
    timer.restart();
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    qint64 sum = 0;
    for (qint64 got; (got = plain.read(chunk.data(), chunk.size())) > 0;)
        sum += got;
    f.plain = double(timer.nsecsElapsed()) / 1e9;
    f.fileBytes = sum;

    SampleLog back;
    timer.restart();
    const SampleFileReadResult read = LoadSampleFile(path, back);
    f.load = double(timer.nsecsElapsed()) / 1e9;
    f.bytesPerSample = BytesPerSample(back);
    f.ok = saved.ok && read.complete && back.SampleCount == n;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const qint32 sizes[] = {100000, 1000000};
    Figures figures[2];
    std::printf("%10s %10s %9s %12s %9s %12s %10s %10s %3s\n", "records", "MB", "save s",
                "save rec/s", "load s", "load rec/s", "load/plain", "B/sample", "ok");
    for (int i = 0; i < 2; ++i) {
        figures[i] = Measure(sizes[i], dir.path());
        const Figures &f = figures[i];
        std::printf("%10d %10.1f %9.3f %12.0f %9.3f %12.0f %10.1f %10zu %3s\n", sizes[i],
                    double(f.fileBytes) / 1e6, f.save, sizes[i] / f.save, f.load, sizes[i] / f.load,
                    f.load / std::max(f.plain, 1e-9), f.bytesPerSample, f.ok ? "yes" : "NO");
    }
    std::printf("linearity (1M / 100k, 10.0 is linear): save %.1f, load %.1f\n",
                figures[1].save / figures[0].save, figures[1].load / figures[0].load);
    return figures[0].ok && figures[1].ok ? 0 : 1;
}
