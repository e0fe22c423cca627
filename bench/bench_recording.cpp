// Records samples through the recording cycle's graph path on real (offscreen) picture boxes and
// prints what a sample costs: the append to the log, the running statistics, the redraw of the
// visible window, the newest segment and the scroll bookkeeping with its redraw.
//
//   bench_recording [samples] [--no-spans] [--snapshot file.png]
//
// Prints the time per sample, the ratio of the last 10,000 samples to the first 10,000 (the cost
// must not grow with the log), and the cost of one cycle at spans of 100, 1,000 and 10,000 steps
// in processor time, each as a ratio to the cycle at span 100.

#include "BenchClock.h"
#include "common/Numbers.h"
#include "common/ui/Module1.h"
#include "graph/ui/PictureBox.h"
#include "graph/ui/TrendGraphView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace kst;

namespace {

struct Recorder {
    Module1 &m;
    TrendGraphView &view;
    QDateTime clock{QDate(2026, 12, 6), QTime(8, 0)};
    QString unit = QStringLiteral("DCV");

    // One recording cycle's log, statistics (Max, Min and Avg ticked) and graph work for a
    // reading.
    void Record(float value)
    {
        SampleLog &log = m.Samples;
        const qint32 n = log.SampleCount;
        Sample s;
        s.value = value;
        s.date = clock.date();
        s.time = clock.time();
        s.unit = unit;
        s.decimals = 1;
        s.avg = NoValueMarker;
        s.relRef = NoValueMarker;
        log.Store(n, s);
        m.Meter1.Statistics.Record(log, n, m.Meter1.Scale.Unit, {true, true, true, false}, clock);
        view.RecordNewestSample(n);
        log.SampleCount = n + 1;
        clock = clock.addMSecs(250);
        // The window shows the result once per frame handled: rasterise it as a paint would.
        view.GraphFrm()->Picture();
        view.GraphBox()->Picture();
    }
};

float Wave(qint64 i)
{
    return float(300.0 * std::sin(double(i) / 40.0) + 50.0 * std::sin(double(i) / 7.0));
}

double CycleMilliseconds(Module1 &m, TrendGraphView &view, qint32 span, int prefill, int cycles)
{
    m.Samples.Reset();
    m.GraphXSpan = span;
    view.ResetView();
    Recorder recorder{m, view};
    // Fill the log quietly, then start recording as START does, near its end.
    for (int i = 0; i < prefill; ++i) {
        Sample s;
        s.value = Wave(i);
        s.unit = recorder.unit;
        m.Samples.Append(s);
    }
    view.PositionForRecording();
    // Into the steady state first: the window full and moving on with every sample.
    for (int i = 0; i < 200; ++i)
        recorder.Record(Wave(prefill + i));
    const double start = ThreadMilliseconds();
    for (int i = 0; i < cycles; ++i)
        recorder.Record(Wave(prefill + 200 + i));
    return (ThreadMilliseconds() - start) / cycles;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 samples = 200000;
    QString snapshot;
    bool spans = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--no-spans"))
            spans = false;
        else if (args[i] == QLatin1String("--snapshot") && i + 1 < args.size())
            snapshot = args[++i];
        else
            samples = args[i].toLongLong();
    }
    constexpr qint64 block = 10000;

    Module1 m;
    TrendGraphView view(m);
    view.resize(800, 360);
    view.ResetView();
    view.SetColours(16444615, 255, 2);
    view.show();
    QApplication::processEvents();
    view.SetRecording(true);

    if (!snapshot.isEmpty()) {
        Recorder recorder{m, view};
        for (qint64 i = 0; i < samples; ++i)
            recorder.Record(Wave(i));
        QApplication::processEvents();
        view.grab().save(snapshot);
        std::printf("%lld samples drawn, scroll %d of %d, snapshot %s\n", samples,
                    view.HScroll()->value(), view.HScroll()->maximum(), qPrintable(snapshot));
        return 0;
    }

    Recorder recorder{m, view};
    QElapsedTimer total;
    total.start();
    double first = 0, last = 0;
    double blockStart = ThreadMilliseconds();
    for (qint64 i = 0; i < samples; ++i) {
        recorder.Record(Wave(i));
        if ((i + 1) % block == 0) {
            const double now = ThreadMilliseconds();
            const double ms = now - blockStart;
            if (i + 1 == block)
                first = ms;
            last = ms;
            if ((i + 1) % block == 0)
                std::printf("%8lld samples: last %lld took %.1f ms of processor time\n", i + 1,
                            block, ms);
            std::fflush(stdout);
            blockStart = now;
        }
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    std::printf("recorded %lld samples in %.2f s: %.1f us per sample\n", samples, seconds,
                seconds * 1e6 / double(samples));
    if (first > 0)
        std::printf("last 10,000 / first 10,000: %.3f (%.1f ms / %.1f ms)\n", last / first, last,
                    first);

    if (!spans)
        return 0;
    std::printf("one recording cycle in the steady state (processor time), a varying signal:\n");
    const double span100 = CycleMilliseconds(m, view, 100, 20000, 5000);
    std::printf("  span %-6d %8.4f ms\n", 100, span100);
    for (int span : {1000, 10000}) {
        const double ms = CycleMilliseconds(m, view, span, 20000, 5000);
        std::printf("  span %-6d %8.4f ms   %.2fx the cycle at span 100\n", span, ms, ms / span100);
    }
    return 0;
}
