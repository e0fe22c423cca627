// Frames per second through the whole per-frame path of the running program: the serial
// control, decoding, the front panel, the alarms, the recording cycle with its statistics and the
// trend graph. The frames arrive on a real pty in pairs (two frames' worth raises at once), so
// the meter's pause does not limit the rate; each notification decodes one frame.
//
//   bench_frames [FRAMES]
#include "common/Module1.h"
#include "meter/MSComm.h"
#include "meter/MeterFrameEncoder.h"
#include "shell/Main.h"
#include "shell/MainFrm.h"
#include "shell/SettingsStore.h"
#include "support/Pty.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

using namespace kst;

namespace {

double Run(int span, int frames)
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
    // A log that already fills the window, so every frame redraws a whole window.
    SampleLog &log = module.Samples;
    Sample s;
    s.unit = QStringLiteral("DCV");
    for (qint32 i = 0; i < span; ++i) {
        s.value = float(i % 4000) / 1000.0f;
        log.Append(s);
    }
    main->StartCom->setChecked(true);

    MeterFrameEncoder frame;
    frame.Function = 0;
    frame.Range = 1;
    QElapsedTimer clock;
    clock.start();
    const qint32 first = module.Samples.SampleCount;
    for (int i = 0; i < frames; ++i) {
        frame.Counts = (i * 37) % 4000;
        const QByteArray bytes = frame.Encode();
        pty.Write(bytes + bytes);
        while (module.Samples.SampleCount <= first + i)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    main->DataModified = false;
    delete main;
    return frames / seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    const int frames = argc > 1 ? std::atoi(argv[1]) : 3000;
    std::printf("whole per-frame path (pty, decode, panel, alarms, recording, graph), %d frames\n"
                "on a log that already fills the graph's span\n",
                frames);
    std::printf("%-10s %14s %16s\n", "span", "frames/s", "meter's max (87/s)");
    for (int span : {100, 10000}) {
        const double fps = Run(span, frames);
        std::printf("%-10d %14.0f %15.1fx\n", span, fps, fps / 87.0);
    }
    return 0;
}
