#include "shell/MainFrm.h"

#include "common/Placement.h"
#include "common/ReadoutPacer.h"
#include "common/ui/GlyphLabel.h"
#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "common/ui/RepaintLimiter.h"
#include "files/RecordingJournal.h"
#include "files/SampleFileReader.h"
#include "graph/ui/ScallFrm.h"
#include "graph/ui/TrendGraphView.h"
#include "meter/MSComm.h"
#include "meter/ui/ComErr.h"
#include "meter/ui/CommuniFrm.h"
#include "panel/ui/ReadingPanel.h"
#include "record/ui/AlarmPanel.h"
#include "record/ui/StatisticsPanel.h"
#include "session/MeterSession.h"
#include "session/SettingsStore.h"
#include "shell/AboutFrm.h"
#include "shell/AutoManFrm.h"
#include "shell/HelpWindow.h"
#include "shell/MeterSet.h"
#include "shell/StatusLine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

namespace kst {

MainFrm::MainFrm(Module1 &module, QWidget *parent)
    : QMainWindow(parent), M(module), Statistics(module.Meter1.Statistics)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("XR4410"));

    EndProgram = [] { QApplication::quit(); };

    session_ = new MeterSession(
        M.Meter1, [](int port) { return SettingsStore::PortDevice(port); }, this);
    session_->setObjectName(QStringLiteral("Meter1"));
    session_->SetClock([this] { return M.Now(); });
    MSComm1 = &session_->Link();
    Timer2 = &MSComm1->Watchdog();

    BuildWindow();
    BuildMenu();

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    auto *statusText = new GlyphLabel(this);
    statusText->setObjectName(QStringLiteral("StatusText"));
    statusBar()->addWidget(statusText, 1);
    status_ = std::make_unique<StatusLine>(statusText);
    readouts_ = new ReadoutPacer([this] { ShowReadouts(); }, this);
    readouts_->SetInterval(M.ReadoutIntervalMs);
    SetUpJournal();
    SetUpPublishing();
    ConnectSession();
    SetUpMeters();
    new RepaintLimiter(this);

    Form_Initialize();
    UpdateStatusBar();
    resize(1024, 700);
}

MainFrm::~MainFrm()
{
    delete meters_; // before the sessions, journals and strips it holds go with the window
    // The outputs go before the session that hands them readings.
    for (const std::unique_ptr<ReadingSink> *output : {&journalOutput_, &publishOutput_})
        if (*output)
            session_->RemoveOutput(**output);
}

void MainFrm::ConnectSession()
{
    connect(session_, &MeterSession::ReadingTaken, this, &MainFrm::MSComm1_OnComm);
    connect(MSComm1, &MSComm::Silent, this, &MainFrm::Timer2_Timer);
    // The frames stopped with the device; the watchdog shows "O L" three seconds after the last
    // one as it does for a silent meter.
    connect(MSComm1, &MSComm::DeviceLost, this, &MainFrm::UpdateStatusBar);
    connect(MSComm1, &MSComm::StateChanged, this, &MainFrm::UpdateStatusBar);
    M.Meter1.Alarms = AlarmFrm->Limits();
}

void MainFrm::UpdateStatusBar()
{
    MSComm &link = LinkOf(selected_);
    const bool receiving = selected_ == 0 ? receiving_ : meters_->At(selected_).receiving;
    status_->Show(link, receiving, M.Meter(selected_).Samples.SampleCount, false);
    if (link.PortOpen())
        statusBar()->clearMessage(); // what START said about the closed port is over
    // The default topic prefix and the status message name the device.
    if (publishDevice_ && status_->Device() != *publishDevice_)
        RestartPublishing();
}

void MainFrm::MSComm1_OnComm(const TimedReading &reading, const ReadingOutcome &outcome)
{
    ShowMeterReading(0, reading, outcome);
}

void MainFrm::Timer2_Timer()
{
    MeterSilent(0);
}

void MainFrm::RecordReading(float value, const QString &unitText, qint16 decimals)
{
    ShowRecorded(session_->Record(value, unitText, decimals));
}

void MainFrm::ShowRecorded(qint32 n)
{
    DataModified = true;
    CalcFrm->Render();
    Graph->RecordNewestSample(n);
}

void MainFrm::UpdateRecording()
{
    // START and STOP act on every meter, so their samples share one time axis.
    for (int k = 0; k < M.MeterCount(); ++k)
        M.Meter(k).Recording = StartCom->isChecked() && !loading_;
}

void MainFrm::StartCom_Click()
{
    for (int k = 0; k < M.MeterCount(); ++k) {
        M.Meter(k).ExpectGap(GapCause::Paused); // after STOP: the gap is the user's
        StripOf(k)->PositionForRecording();
        StripOf(k)->SetRecording(true);
    }
    FileMenu->setEnabled(false);
    SetRecordingColours();
    UpdateRecording();
    // Recording needs readings: say why none come, for a while; the port's line then returns.
    if (!MSComm1->PortOpen())
        statusBar()->showMessage(
            MSComm1->State() == MSComm::LinkState::Retrying
                ? tr("START: COM%1 is not open yet; recording begins when it opens")
                      .arg(MSComm1->CommPort())
                : tr("START: COM%1 is closed; choose a port in Setup > Set Communication...")
                      .arg(MSComm1->CommPort()),
            15000);
}

void MainFrm::StopCom_Click()
{
    UpdateRecording();
    static_cast<void>(session_->Flush()); // the journal says itself when it cannot write
    for (int k = 1; k < M.MeterCount(); ++k)
        static_cast<void>(meters_->At(k).session->Flush());
    FileMenu->setEnabled(true);
    statusBar()->clearMessage();
    for (int k = 0; k < M.MeterCount(); ++k)
        StripOf(k)->SetRecording(false);
    SetRecordingColours();
}

void MainFrm::AutoCom_Click()
{
    AutoManFrm::SwitchSchedule(autoManFrm_, M, StartCom, StopCom, AutoCom, this);
}

void MainFrm::Form_Initialize()
{
    M.GraphTopY = 400.0f;
    M.GraphLowY = -400.0f;
    M.GraphXSpan = 100;
    M.GraphUnit = QStringLiteral("DCV");
    Graph->ResetView();
    waitingFrame_.reset();
    ReadFrm->ShowOverloadPanel();
    SetCurrentFile(M.SampleFolder() + u'/' + NextDefaultFileName(M.SampleFolder()));
    Statistics.Reset();
    DataModified = false;
    damagedFile_ = false;
    M.Samples.Reset();
    M.Markers.clear();
    journal_->Remove(); // the unsaved samples were saved or dropped
    ResetOtherMeters();
    ReadFrm->HideIcons();
    UpdateStatusBar();
}

void MainFrm::SetCurrentFile(const QString &path)
{
    SaveFileName = path;
    M.CurrentFileName = path;
    setWindowTitle(QStringLiteral("KST_") + path);
}

void MainFrm::Form_Paint()
{
    Graph->Form_Paint();
}

void MainFrm::SetGraphColours(qint32 back, qint32 fore, int width)
{
    back_ = back;
    fore_ = fore;
    lineWidth_ = width;
    Graph->SetColours(back, fore, width);
    // Further meters' strips in their own colours.
    for (int k = 1; k < M.MeterCount(); ++k)
        meters_->At(k).strip->SetColours(back, meterList_[size_t(k)].colour, width);
}

PortDevices MainFrm::Ports()
{
    PortDevices ports;
    ports.Device = [](int port) { return SettingsStore::PortDevice(port); };
    ports.Assign = [](int port, const QString &device) {
        SettingsStore::SetPortDevice(port, device);
    };
    ports.Remember = [](int port) {
        SettingsStore::Write(QStringLiteral("setting"), QStringLiteral("comport"),
                             QString::number(port));
    };
    return ports;
}

void MainFrm::ShowComErr()
{
    ComErr window(*MSComm1, M, Ports(), this);
    ShowWindow(M, window);
    UpdateStatusBar();
}

void MainFrm::Exit_Click()
{
    QuitProgram();
}

void MainFrm::SetCommunication_Click()
{
    CommuniFrm window(*MSComm1, M, Ports(), this);
    window.exec();
    UpdateStatusBar();
}

void MainFrm::SetScall_Click()
{
    // The selected meter's graph shows the new scale at once.
    GraphScale &scale = M.Meter(selected_).Scale;
    if (Scall().Edit({&scale.TopY, &scale.LowY, &scale.XSpan}))
        StripOf(selected_)->Form_Paint();
}

void MainFrm::Comment_Click()
{
    auto *help = new HelpWindow(M.ProgramFolder + QStringLiteral("/KST.hlp"), this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->show();
}

void MainFrm::About_Click()
{
    AboutFrm about(this);
    about.exec();
}

ScallFrm &MainFrm::Scall()
{
    if (!scallFrm_) {
        scallFrm_ = new ScallFrm(M, this);
        // The settings keep meter 1's choices.
        connect(scallFrm_, &ScallFrm::Closed, this, [this] {
            if (selected_ == 0)
                SettingsStore::WriteScaleTexts(scallFrm_->Texts());
        });
    }
    return *scallFrm_;
}

void MainFrm::ScaleFromLastSample(MeterRecording &meter)
{
    const qint32 last = meter.Samples.SampleCount - 1;
    if (last < 0)
        return;
    const MeterRangeScale scale =
        MeterRangeGraphScale(meter.Samples.SampleUnit(last), meter.Samples.SampleDecimals(last));
    meter.Scale.Unit = scale.Unit;
    meter.Scale.TopY = scale.TopY;
    meter.Scale.LowY = scale.LowY;
}

void MainFrm::RestoreChoices()
{
    AlarmFrm->SetSettings(SettingsStore::ReadAlarmSettings());
    const ScaleTexts texts = SettingsStore::ReadScaleTexts();
    Scall().SetTexts(texts);
    // The graph starts with the scale the window shows, as if OK had been pressed.
    const ScaleChoice choice = ChooseScale(!texts.meterRange, texts.top, texts.low, texts.interval);
    if (choice.refused != ScaleChoice::Field::None)
        return;
    if (!texts.meterRange) {
        M.GraphTopY = choice.topY;
        M.GraphLowY = choice.lowY;
    }
    M.GraphXSpan = choice.span;
    Form_Paint();
}

bool MainFrm::QuitProgram()
{
    if (quitting_)
        return true;
    bool cancelled = false;
    if (!OfferToSave(QStringLiteral("Quite before,Save file? "), true, cancelled))
        return false;   // cancelled, or the save failed: keep running with the samples
    journal_->Remove(); // saved, or the user chose to drop them
    if (!isMinimized()) {
        if (MSComm1->PortOpen())
            MSComm1->SetPortOpen(false);
        const double dpi = logicalDpiX();
        const auto store = [dpi](const char *key, int pixels) {
            SettingsStore::Write(QStringLiteral("setting"), QString::fromLatin1(key),
                                 QString::number(TwipsFromPixels(pixels, dpi)));
        };
        // A maximized window is stored as the screen's whole free area, which the next start
        // fills again.
        const QRect area =
            isMaximized() && screen() ? screen()->availableGeometry() : QRect(pos(), size());
        store("left", area.x());
        store("top", area.y());
        store("width", area.width());
        store("height", area.height());
    }
    quitting_ = true;
    EndProgram();
    return true;
}

void MainFrm::closeEvent(QCloseEvent *event)
{
    if (QuitProgram())
        event->accept();
    else
        event->ignore();
}

} // namespace kst
