// Drives the program as a user would for the README's picture: starts it (against whatever COM1
// maps to, normally the virtual meter), ticks MAX, MIN and AVG, sets a high alarm, presses START,
// lets it record for a while and saves a picture of the main window. With --recovery it leaves a
// journal behind as a program that ended unexpectedly would, starts the program and takes a
// picture of the recovery question over the main window. With --publish it opens Setup >
// Publish... with the broker of the settings, presses Test and takes a picture of the window.
//
// With --reading it opens a recording with a gap and two markers, a reference run under it,
// zooms into it and pins two cursors, and takes a picture of the graph.
//
//   kst-screenshot OUTPUT.png [SECONDS]
//   kst-screenshot --recovery OUTPUT.png
//   kst-screenshot --publish OUTPUT.png
//   kst-screenshot --reading OUTPUT.png
#include "shell/Main.h"
#include "common/Message.h"
#include "common/Numbers.h"
#include "common/ui/Module1.h"
#include "files/MarkerFile.h"
#include "files/RecordingJournal.h"
#include "files/SampleFileWriter.h"
#include "graph/ui/ScallFrm.h"
#include "graph/ui/TrendGraphView.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>

namespace {

// Two minutes of a slow sine recorded this morning, left in a journal whose program is gone.
void LeaveJournal(const QString &dataFolder)
{
    kst::SampleLog log;
    kst::RecordingJournal journal(log, dataFolder);
    const QDateTime start(QDate::currentDate(), QTime(9, 30, 0));
    for (qint32 n = 0; n < 480; ++n) {
        const QDateTime when = start.addMSecs(250 * n);
        kst::Sample s;
        s.value = float(std::round(2000 * std::sin(n / 40.0)) / 1000);
        s.date = when.date();
        s.time = QTime(when.time().hour(), when.time().minute(), when.time().second());
        s.unit = QStringLiteral("DCV");
        s.decimals = 3;
        s.avg = kst::NoValueMarker;
        s.relRef = kst::NoValueMarker;
        log.Append(s);
        journal.Append(n, {});
    }
}

int RecoveryPicture(QApplication &app, const QString &output)
{
    kst::Module1 module;
    module.DataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    LeaveJournal(module.DataFolder);
    kst::MainFrm *main = kst::StartUp(module, false);
    main->EndProgram = [] {};
    int status = 1;
    module.AnswerMessage = [&](const kst::Message &message) {
        if (status == 0)
            return int(QMessageBox::No); // the picture is taken; nothing more to show
        QMessageBox box(QMessageBox::Icon(message.Icon), message.Title, message.Text,
                        QMessageBox::StandardButtons(message.Buttons), main);
        QTimer::singleShot(1500, &box, [&] {
            const QRect area = main->frameGeometry();
            status = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .save(output)
                         ? 0
                         : 1;
            box.done(QMessageBox::Yes);
        });
        return box.exec();
    };
    QTimer::singleShot(3000, &app, &QApplication::quit);
    app.exec();
    main->DataModified = false;
    delete main;
    return status;
}

int PublishPicture(const QString &output)
{
    kst::Module1 module;
    kst::MainFrm *main = kst::StartUp(module, false);
    main->EndProgram = [] {};
    int status = 1;
    QTimer::singleShot(500, main, [&] {
        auto *window = main->findChild<QDialog *>(QStringLiteral("PublishFrm"));
        window->findChild<QPushButton *>(QStringLiteral("TestCommand"))->click();
        QTimer::singleShot(2000, window, [&status, window, output] {
            status = window->grab().save(output) ? 0 : 1;
            window->reject();
        });
    });
    main->Publish_Click();
    delete main;
    return status;
}

// Forty minutes of a supply's output at four readings a second, settling after each change; the
// meter unplugged for three minutes. The reference run settles more slowly, without the gap.
kst::SampleLog Run(bool reference)
{
    kst::SampleLog log;
    const QDateTime start(QDate::currentDate(), QTime(14, 0, 0));
    qint64 ms = 0;
    quint32 seed = reference ? 7 : 3;
    for (qint32 n = 0; n < 9600; ++n) {
        seed = seed * 1664525u + 1013904223u;
        ms += !reference && n == 5200 ? 180000 : 250;
        const double t = n / 2400.0;
        const double step = n < 2400 ? 2.5 : n < 6000 ? 3.3 : 1.8;
        const double settle = std::exp(-std::fmod(t, n < 2400 ? 9.0 : 1.0) * (reference ? 3 : 6));
        const double v = step + (n < 2400 ? 0 : 0.6 * settle) + 0.01 * (int(seed >> 26) - 32) / 32;
        const QDateTime when = start.addMSecs(ms);
        kst::Sample s;
        s.value = float(std::round(v * 1000) / 1000);
        s.date = when.date();
        s.time = when.time();
        s.unit = QStringLiteral("DCV");
        s.decimals = 3;
        s.avg = kst::NoValueMarker;
        s.relRef = kst::NoValueMarker;
        log.Append(s);
    }
    return log;
}

int ReadingPicture(const QString &output)
{
    kst::Module1 module;
    kst::MainFrm *main = kst::StartUp(module, false);
    main->EndProgram = [] {};
    const QString folder = module.SampleFolder();
    const QString path = folder + QStringLiteral("/supply.mas");
    const QString reference = folder + QStringLiteral("/reference.mas");
    const QDate day = QDate::currentDate();
    kst::MarkerList markers;
    kst::AddMarker(markers, {day, QTime(14, 10, 0), QStringLiteral("set 3.3 V")});
    kst::AddMarker(markers, {day, QTime(14, 28, 0), QStringLiteral("set 1.8 V, fan on")});
    if (!kst::SaveSampleFile(path, Run(false), 9600) ||
        !kst::SaveSampleFile(reference, Run(true), 9600) || !kst::SaveMarkerFile(path, markers))
        return 1;
    main->Scall().findChild<QRadioButton *>(QStringLiteral("ManOption"))->setChecked(true);
    main->ReadSamples(path);
    module.GraphTopY = 4;
    module.GraphLowY = 0;
    main->ShowSavedRecording(reference);
    kst::TrendGraphView *graph = main->Graph;
    graph->SetTimeZoom(kst::TimeWindow{2150, 5000});
    main->CursorReadout_Click(true);
    graph->PinCursor(2460 - 2150);
    graph->PinCursor(3300 - 2150);
    int status = 1;
    QTimer::singleShot(1000, main, [&] {
        status = graph->grab().save(output) ? 0 : 1;
        main->DataModified = false;
        QApplication::quit();
    });
    QApplication::exec();
    delete main;
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--recovery"))
        return RecoveryPicture(app, args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--publish"))
        return PublishPicture(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--reading"))
        return ReadingPicture(args[2]);
    if (args.size() < 2) {
        qWarning("usage: kst-screenshot OUTPUT.png [SECONDS]");
        return 2;
    }
    const QString output = args[1];
    const int seconds = args.size() > 2 ? args[2].toInt() : 20;

    kst::Module1 module;
    kst::MainFrm *main = kst::StartUp(module, false);
    main->EndProgram = [] {};
    main->DataModified = false;
    for (const char *box : {"Max", "Min", "Avg", "AlarmH", "AlarmL"})
        main->findChild<QCheckBox *>(QString::fromLatin1(box))->setChecked(true);
    main->findChild<QLineEdit *>(QStringLiteral("AlarmHText"))->setText(QStringLiteral("+2"));
    main->findChild<QLineEdit *>(QStringLiteral("AlarmLText"))->setText(QStringLiteral("-2"));
    main->StartCom->setChecked(true);

    int status = 1;
    QTimer::singleShot(seconds * 1000, [&] {
        status = main->grab().save(output) ? 0 : 1;
        main->DataModified = false;
        app.quit();
    });
    app.exec();
    delete main;
    return status;
}
