// Zooms and pans the graph of 1,000,000 samples on real (offscreen) picture boxes the size of the
// main window's plot, and prints the processor time of one redraw at each zoom: from the whole
// log across the plot to a few samples, each zoom step as the wheel makes it and a series of pans
// at that zoom, the picture rasterised after each as a paint would. The goal is one frame at
// 60 Hz: at most 16 ms for every redraw.
//
//   bench_zoom [samples]
//
// The baseline, measured in the same run, is the same window drawn as one polyline through every
// visible sample (which the per-column drawing of the picture box then reduces), without the
// graph's reduction of each pixel column's samples before they are handed over.

#include "BenchClock.h"
#include "common/ui/Module1.h"
#include "graph/ui/PictureBox.h"
#include "graph/ui/TrendGraphView.h"
#include "record/SampleLog.h"

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kst;

namespace {

// A night's recording at four readings a second: a slow wave, noise, and a gap of a minute
// every 100,000 samples.
void Fill(SampleLog &log, qint32 n)
{
    const QDate day(2026, 12, 6);
    qint64 ms = 0;
    quint32 seed = 1;
    for (qint32 i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        ms += i % 100000 == 0 && i > 0 ? 60000 : 250;
        Sample s;
        s.value = float(std::round(2000 * std::sin(i / 5000.0) + (seed >> 24) - 128) / 1000);
        s.date = day.addDays(ms / 86400000);
        s.time = QTime::fromMSecsSinceStartOfDay(int(ms % 86400000));
        s.unit = QStringLiteral("DCV");
        s.decimals = 3;
        s.avg = 99999;
        s.relRef = 99999;
        log.Append(s);
    }
}

// What one redraw takes, the picture rasterised as a paint would.
struct Times {
    double total = 0, worst = 0;
    int count = 0;
    void Add(double ms)
    {
        total += ms;
        worst = std::max(worst, ms);
        ++count;
    }
};

// The processor time of a redraw, of which the picture boxes' rasterising (what a paint of
// the whole plot and its frame does) is added to raster.
double RasterMs = 0;
template <typename Draw> double Timed(TrendGraphView &view, Draw draw)
{
    const double start = ThreadMilliseconds();
    draw();
    const double drawn = ThreadMilliseconds();
    view.GraphFrm()->Picture();
    view.GraphBox()->Picture();
    const double end = ThreadMilliseconds();
    RasterMs += end - drawn;
    return end - start;
}

// The baseline: the window of the view drawn as one polyline through every sample in it.
void DrawEverySample(PictureBox &box, const SampleLog &log, const GraphView &view)
{
    const qint64 first = std::max<qint64>(0, qint64(std::floor(view.First)));
    const qint64 end = std::min<qint64>(log.SampleCount, qint64(view.First + view.Span) + 2);
    box.Cls();
    box.Scale(view.First - double(first), view.Top, view.First - double(first) + view.Span,
              view.Low);
    std::vector<QPointF> points;
    points.reserve(size_t(std::max<qint64>(0, end - first)));
    for (qint64 i = first; i < end; ++i)
        points.emplace_back(double(i - first), std::clamp(double(log.SampleValue(qint32(i))),
                                                          double(view.Low), double(view.Top)));
    if (points.empty())
        return;
    box.SetCurrentX(points.front().x());
    box.SetCurrentY(points.front().y());
    box.SetDataLayer(true);
    box.PolylineTo(points);
    box.SetDataLayer(false);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const qint32 n = argc > 1 ? qint32(std::atol(argv[1])) : 1000000;
    Module1 module;
    module.GraphTopY = 4;
    module.GraphLowY = -4;
    Fill(module.Samples, n);
    TrendGraphView view(module);
    view.resize(1000, 400); // a plot of about 824 x 363 pixels, as in the main window
    view.SetColours(0xFFFFFF, 255, 2);
    view.show();
    app.processEvents();
    view.AfterLoad();
    view.Follow();
    std::printf("%d samples, plot %d x %d pixels\n", n, view.GraphBox()->width(),
                view.GraphBox()->height());
    std::printf("%12s %8s %10s %10s %10s %12s %8s\n", "span", "redraws", "mean ms", "raster ms",
                "worst ms", "baseline ms", "ratio");

    // From the whole log down to a few samples: each zoom step at the middle, then pans of a
    // tenth of the width to the left and back.
    view.ZoomTimeAt(1e9, 0.5);
    bool met = true;
    Times all;
    for (int level = 0; view.View().Span >= MinViewSpan; ++level) {
        Times times;
        RasterMs = 0;
        times.Add(Timed(view, [&] { view.ZoomTimeAt(level == 0 ? 1.0 : 0.1, 0.5); }));
        const GraphView from = view.View();
        for (int pan = 1; pan <= 20; ++pan)
            times.Add(
                Timed(view, [&] { view.PanFrom(from, (pan <= 10 ? pan : 20 - pan) * 0.1, 0); }));
        const GraphView at = view.View();
        const double raster = RasterMs / times.count;
        const double baseline =
            Timed(view, [&] { DrawEverySample(*view.GraphBox(), module.Samples, at); });
        view.Form_Paint();
        std::printf("%12.0f %8d %10.2f %10.2f %10.2f %12.2f %8.2f\n", at.Span, times.count,
                    times.total / times.count, raster, times.worst, baseline,
                    times.total / times.count / baseline);
        all.total += times.total;
        all.count += times.count;
        all.worst = std::max(all.worst, times.worst);
        met = met && times.worst <= 16;
        if (at.Span <= MinViewSpan)
            break;
    }
    std::printf("all %d redraws: mean %.2f ms, worst %.2f ms processor time (goal: at most 16 ms "
                "each): %s\n",
                all.count, all.total / all.count, all.worst, met ? "met" : "NOT MET");
    return met ? 0 : 1;
}
