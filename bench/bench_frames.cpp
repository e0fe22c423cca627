// Frames per second of processor time through the whole per-frame path of the running program:
// the serial control, decoding, the front panel, the alarms, the recording cycle with its
// statistics, the trend graph and the screen's repaints. Frames carry a varying reading (a slow
// wave, so the panel, the bar and the graph change on every frame) and are pushed into a real pty
// as fast as it takes them, back to back (every whole frame is read at once, so the meter's pause
// does not limit the rate).
//
// The baseline is the same pty and serial link (reading and decoding the frames) with an empty
// handler, measured in the same run: the ratio says what the program's own work costs on top.
//
//   bench_frames [FRAMES]
#include "common/ui/Module1.h"
#include "meter/MSComm.h"
#include "meter/MeterFrameEncoder.h"
#include "session/SettingsStore.h"
#include "shell/Main.h"
#include "shell/MainFrm.h"
#include "support/Pty.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace kst;

namespace {

double ProcessSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The reading of frame i: a wave over the meter's range, a step of a few counts per frame.
QByteArray FramePair(int i)
{
    MeterFrameEncoder frame;
    frame.Function = 0;
    frame.Range = 1;
    frame.Counts = int(std::lround(1900.0 * std::sin(i / 150.0) + 1000.0 * std::sin(i / 23.0)));
    const QByteArray bytes = frame.Encode();
    return bytes + bytes;
}

// Pushes frames into the pty while handled() lags at most a few kilobytes behind, and returns
// the frames per second of processor time. Each pair is two frames.
double Push(test::Pty &pty, int frames, const std::function<qint64()> &handled)
{
    constexpr int Batch = 48; // pairs per write: about 1 KB
    QByteArray batches[8];
    for (int b = 0; b < 8; ++b)
        for (int i = 0; i < Batch; ++i)
            batches[b] += FramePair(b * Batch + i * 7);
    const qint64 start = handled();
    const double begin = ProcessSeconds();
    qint64 written = 0;
    int next = 0;
    while (handled() - start < frames) {
        if (written - (handled() - start) < 4 * Batch && written < frames) {
            pty.Write(batches[next++ % 8]);
            written += 2 * Batch;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return double(frames) / (ProcessSeconds() - begin);
}

double EmptyHandler(int frames)
{
    test::Pty pty;
    MSComm comm([&pty](int) { return pty.SlavePath(); });
    qint64 count = 0;
    QObject::connect(&comm, &MSComm::Reading, [&] { ++count; });
    comm.SetPortOpen(true);
    return Push(pty, frames, [&] { return count; });
}

// Counts the repaints of the reading on the screen.
class PaintCounter : public QObject {
public:
    qint64 paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double Program(int span, int frames)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    test::Pty pty;
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    Module1 module;
    module.DataFolder = home.filePath(QStringLiteral("data"));
    MainFrm *main = StartUp(module, false);
    main->EndProgram = [] {};
    for (const char *box : {"Max", "Min", "Avg", "AlarmH", "AlarmL"})
        main->findChild<QCheckBox *>(QString::fromLatin1(box))->setChecked(true);
    module.GraphXSpan = span;
    main->Form_Paint();
    main->StartCom->setChecked(true);
    // Fill the window first, then measure the steady state: every frame scrolls the view on.
    Push(pty, span + 200, [&] { return qint64(module.Samples.SampleCount); });
    PaintCounter counter;
    main->findChild<QWidget *>(QStringLiteral("ReadBox"))->installEventFilter(&counter);
    QElapsedTimer wall;
    wall.start();
    const double fps = Push(pty, frames, [&] { return qint64(module.Samples.SampleCount); });
    std::printf("  (span %d: the reading was painted %.0f times a second of wall time)\n", span,
                double(counter.paints) * 1000.0 / double(std::max<qint64>(1, wall.elapsed())));
    main->DataModified = false;
    delete main;
    return fps;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    const int frames = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::printf("whole per-frame path (pty, decode, panel, alarms, recording, graph, repaint),\n"
                "%d frames of a varying reading, steady state, per second of processor time\n",
                frames);
    const double empty = EmptyHandler(frames);
    std::printf("%-22s %12.0f frames/s\n", "empty handler", empty);
    for (int span : {100, 1000, 10000}) {
        const double fps = Program(span, frames);
        std::printf("program, span %-8d %12.0f frames/s   %.3f of the empty handler\n", span, fps,
                    fps / empty);
    }
    return 0;
}
