// Several meters in one window at the line's full rate: eight meters on eight ptys, each line
// sending a frame every 11 ms (a little over the 87 frames a second 9600 baud carries), recording
// on and the window shown. Blocks with only meter 1's line sending alternate with blocks with all
// eight sending, in one run. Per frame it prints the processor time of the whole process (Qt's
// helper threads included) in both, and the window's repaints a second: the times the window was
// brought up to date on the screen, however many widgets that took.
//
//   bench_meters [SECONDS_PER_BLOCK]
//
// Exits non-zero when a goal is missed: eight meters cost at most eight times one meter (a frame
// costs no more with eight lines than with one), and the repaints stay at most 65 a second.
#include "common/ui/Module1.h"
#include "meter/MeterFrameEncoder.h"
#include "shell/MainFrm.h"
#include "support/ui/ProgramUnderTest.h"

#include <QApplication>
#include <QEventLoop>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace kst;

namespace {

constexpr int Meters = 8;
constexpr int FrameIntervalMs = 11;

double ProcessMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Meter k's reading i: its own slow wave, so every panel and strip changes with every frame.
QByteArray Frame(int meter, int i)
{
    MeterFrameEncoder frame;
    frame.Function = 0;
    frame.Range = 1;
    const long counts = std::lround(1900.0 * std::sin(i / (40.0 + 7 * meter)));
    frame.Negative = counts < 0;
    frame.Counts = int(std::labs(counts));
    return frame.Encode();
}

// Counts the window's repaints: the update requests it handled that painted something. Every
// widget's paint event in one repaint comes while the window handles one update request, whether
// Qt posted it or the window's repaint limiter sent it when its interval was over.
class RepaintCounter : public QObject {
public:
    explicit RepaintCounter(QWidget *window) : window_(window) {}
    qint64 repaints = 0;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_ && event->type() == QEvent::UpdateRequest)
            ++request_;
        if (event->type() == QEvent::Paint && request_ != counted_) {
            counted_ = request_;
            ++repaints;
        }
        return false;
    }

private:
    QWidget *window_;
    qint64 request_ = 0;
    qint64 counted_ = 0;
};

struct Block {
    qint64 frames = 0;
    double cpuMs = 0;
    double seconds = 0;
    qint64 repaints = 0;
};

void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 Samples(Module1 &module)
{
    qint64 total = 0;
    for (int k = 0; k < module.MeterCount(); ++k)
        total += module.Meter(k).Samples.SampleCount;
    return total;
}

// Runs for `seconds` with the first `sending` lines sending.
Block Measure(std::vector<test::Pty *> &lines, int sending, double seconds, Module1 &module,
              RepaintCounter &counter)
{
    Settle(200);
    int next = 0;
    QTimer pacer;
    pacer.setTimerType(Qt::PreciseTimer);
    pacer.setInterval(FrameIntervalMs);
    QObject::connect(&pacer, &QTimer::timeout, [&] {
        for (int k = 0; k < sending; ++k)
            lines[size_t(k)]->Write(Frame(k, next));
        ++next;
    });
    Block block;
    const qint64 before = Samples(module);
    const qint64 repaints = counter.repaints;
    const double begin = ProcessMilliseconds();
    pacer.start();
    Settle(int(seconds * 1000));
    pacer.stop();
    Settle(50); // the last frames' readings and repaint belong to the block
    block.cpuMs = ProcessMilliseconds() - begin;
    block.seconds = seconds;
    block.frames = Samples(module) - before;
    block.repaints = counter.repaints - repaints;
    return block;
}

void Add(Block &sum, const Block &b)
{
    sum.frames += b.frames;
    sum.cpuMs += b.cpuMs;
    sum.seconds += b.seconds;
    sum.repaints += b.repaints;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    double seconds = 3;
    if (argc > 1 && std::atof(argv[1]) > 0)
        seconds = std::atof(argv[1]);

    std::vector<std::unique_ptr<test::Pty>> others;
    QTemporaryDir links;
    QStringList settings{QStringLiteral("Meters/Count=%1").arg(Meters)};
    for (int k = 2; k <= Meters; ++k) {
        others.push_back(std::make_unique<test::Pty>());
        settings << QStringLiteral("Meters/Device%1=%2").arg(k).arg(others.back()->SlavePath());
    }
    // The read-outs at the program's own pace, as a user meets them.
    test::ProgramUnderTest program(true, settings, Module1().ReadoutIntervalMs);
    std::vector<test::Pty *> lines{program.pty.get()};
    for (auto &line : others)
        lines.push_back(line.get());
    MainFrm *main = program.main;
    main->resize(1280, 900);
    main->show();
    RepaintCounter counter(main);
    app.installEventFilter(&counter);
    main->StartCom->click();

    Block one, eight;
    for (int round = 0; round < 2; ++round) {
        Add(one, Measure(lines, 1, seconds, program.module, counter));
        Add(eight, Measure(lines, Meters, seconds, program.module, counter));
    }
    main->StopCom->click();
    main->DataModified = false;

    const double perFrameOne = one.cpuMs / double(one.frames);
    const double perFrameEight = eight.cpuMs / double(eight.frames);
    const double ratio = eight.cpuMs / eight.seconds / (one.cpuMs / one.seconds);
    const double repaintsOne = double(one.repaints) / one.seconds;
    const double repaintsEight = double(eight.repaints) / eight.seconds;
    std::printf("meters on ptys, a frame every %d ms on each sending line, recording, window "
                "%dx%d shown\n",
                FrameIntervalMs, main->width(), main->height());
    std::printf("  1 line sending:  %lld frames, %.3f ms of processor time a frame, %.1f "
                "repaints a second\n",
                one.frames, perFrameOne, repaintsOne);
    std::printf("  %d lines sending: %lld frames, %.3f ms of processor time a frame, %.1f "
                "repaints a second\n",
                Meters, eight.frames, perFrameEight, repaintsEight);
    std::printf("  %d meters / 1 meter, processor time a second: %.2fx (goal at most %d); a frame: "
                "%.2fx; repaints a second at most %.1f (goal at most 65)\n",
                Meters, ratio, Meters, perFrameEight / perFrameOne,
                std::max(repaintsOne, repaintsEight));
    const bool met = ratio <= Meters && std::max(repaintsOne, repaintsEight) <= 65;
    return met ? 0 : 1;
}
