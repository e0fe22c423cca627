// The program as a user meets it: readings at a steady 20 a second (a fast meter) through a pty
// into the main window, with the statistics ticked and recording on, the graph full and moving
// on. The window is shown and hidden in alternating blocks of the same run, so both halves see
// the same machine. Per reading it prints the processor time of the whole process (Qt's helper
// threads included) with the window shown and hidden and their ratio, and, with the window
// shown, the paint events every widget received and the pixels they painted (the area of each
// paint event's region), the latter against the plot area's own pixels.
//
//   bench_paced [READINGS_PER_BLOCK] [--detail]
//
// --detail lists the paint events and pixels per reading by widget. Exits non-zero when a goal
// is missed: shown / hidden at most 1.5, at most 3 paint events and 1.2 times the plot's pixels
// per reading.
#include "common/ui/Module1.h"
#include "graph/ui/PictureBox.h"
#include "graph/ui/TrendGraphView.h"
#include "meter/MeterFrameEncoder.h"
#include "session/SettingsStore.h"
#include "shell/Main.h"
#include "shell/MainFrm.h"
#include "support/Pty.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QMap>
#include <QPaintEvent>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace kst;

namespace {

constexpr int ReadingsPerSecond = 20;

double ProcessMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Reading i: a slow wave with a faster one on it over most of the 4-volt range, so the panel,
// the bar, the statistics and the graph change with every reading.
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

// Counts the paint events of every widget and the pixels of their regions.
class PaintMeter : public QObject {
public:
    qint64 paints = 0;
    double pixels = 0;
    struct Share {
        qint64 paints = 0;
        double pixels = 0;
    };
    QMap<QString, Share> byWidget;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        double area = 0;
        for (const QRect &rect : static_cast<QPaintEvent *>(event)->region())
            area += double(rect.width()) * rect.height();
        ++paints;
        pixels += area;
        const QString name = watched->objectName().isEmpty()
                                 ? QString::fromLatin1(watched->metaObject()->className())
                                 : watched->objectName();
        Share &share = byWidget[name];
        ++share.paints;
        share.pixels += area;
        return false;
    }
    void Reset()
    {
        paints = 0;
        pixels = 0;
        byWidget.clear();
    }
};

struct Block {
    qint64 readings = 0;
    double cpuMs = 0;
    qint64 paints = 0;
    double pixels = 0;
};

class PacedRun {
public:
    PacedRun(test::Pty &pty, Module1 &module) : pty_(pty), module_(module)
    {
        pacer_.setTimerType(Qt::PreciseTimer);
        pacer_.setInterval(1000 / ReadingsPerSecond);
        QObject::connect(&pacer_, &QTimer::timeout, [this] { pty_.Write(Frame(next_++)); });
    }

    // Frames back to back until the log holds count samples.
    void Fill(qint32 count)
    {
        while (module_.Samples.SampleCount < count) {
            if (next_ - module_.Samples.SampleCount < 8)
                pty_.Write(Frame(next_++));
            Settle(1);
        }
    }

    // Lets the window settle (a repaint after showing), then takes readings at the pace.
    Block Measure(int readings, PaintMeter &meter)
    {
        Settle(300);
        meter.Reset();
        Block block;
        const qint32 start = module_.Samples.SampleCount;
        const double begin = ProcessMilliseconds();
        pacer_.start();
        while (module_.Samples.SampleCount - start < readings)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); // the pacer wakes it
        pacer_.stop();
        Settle(1000 / ReadingsPerSecond); // the last reading's repaint belongs to the block
        block.cpuMs = ProcessMilliseconds() - begin;
        block.readings = module_.Samples.SampleCount - start;
        block.paints = meter.paints;
        block.pixels = meter.pixels;
        return block;
    }

private:
    // Runs the event loop for ms milliseconds, asleep while nothing happens.
    static void Settle(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    test::Pty &pty_;
    Module1 &module_;
    QTimer pacer_;
    int next_ = 0;
};

void Add(Block &sum, const Block &b)
{
    sum.readings += b.readings;
    sum.cpuMs += b.cpuMs;
    sum.paints += b.paints;
    sum.pixels += b.pixels;
}

void PrintDetail(const PaintMeter &meter, qint64 readings)
{
    std::printf("  paint events and pixels per reading by widget (last shown block):\n");
    for (auto i = meter.byWidget.cbegin(); i != meter.byWidget.cend(); ++i)
        std::printf("    %-24s %6.2f %10.0f\n", qPrintable(i.key()),
                    double(i->paints) / double(readings), i->pixels / double(readings));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    const QStringList args = app.arguments();
    const bool detail = args.contains(QStringLiteral("--detail"));
    int perBlock = 200;
    for (const QString &arg : args.mid(1))
        if (arg.toInt() > 0)
            perBlock = arg.toInt();

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    test::Pty pty;
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    Module1 module;
    module.DataFolder = home.filePath(QStringLiteral("data"));
    MainFrm *main = StartUp(module, false);
    main->EndProgram = [] {};
    for (const char *box : {"Max", "Min", "Avg"})
        main->findChild<QCheckBox *>(QString::fromLatin1(box))->setChecked(true);
    main->StartCom->setChecked(true);

    PaintMeter meter;
    app.installEventFilter(&meter);
    PacedRun run(pty, module);
    // The graph full, every reading moving the view on, after some minutes of recording (2,000
    // samples: eight minutes at a meter's pace).
    run.Fill(2000);

    Block shown, hidden;
    for (int round = 0; round < 2; ++round) {
        main->hide();
        Add(hidden, run.Measure(perBlock, meter));
        main->show();
        Add(shown, run.Measure(perBlock, meter));
    }
    const QWidget *plot = main->Graph->GraphBox();
    const double plotPixels = double(plot->width()) * plot->height();
    const double perReading = shown.cpuMs / double(shown.readings);
    const double hiddenPerReading = hidden.cpuMs / double(hidden.readings);
    const double paints = double(shown.paints) / double(shown.readings);
    const double pixels = shown.pixels / double(shown.readings);
    const double ratio = perReading / hiddenPerReading;
    std::printf("paced readings, %d a second, statistics ticked, recording, span %d, %d samples "
                "in the log at the start; window %dx%d, plot %dx%d (%.0f pixels)\n",
                ReadingsPerSecond, module.GraphXSpan, 2000, main->width(), main->height(),
                plot->width(), plot->height(), plotPixels);
    std::printf("  hidden: %lld readings, %.3f ms of processor time a reading\n", hidden.readings,
                hiddenPerReading);
    std::printf("  shown:  %lld readings, %.3f ms of processor time a reading, %.2f paint events "
                "and %.0f pixels (%.2fx the plot) a reading\n",
                shown.readings, perReading, paints, pixels, pixels / plotPixels);
    std::printf("  shown / hidden: %.2f (goal at most 1.5); paint events %.2f (at most 3); "
                "pixels %.2fx the plot (at most 1.2)\n",
                ratio, paints, pixels / plotPixels);
    if (detail)
        PrintDetail(meter, shown.readings / 2);
    main->DataModified = false;
    delete main;
    return ratio <= 1.5 && paints <= 3 && pixels <= 1.2 * plotPixels ? 0 : 1;
}
