#include "shell/MainFrm.h"

#include "common/MessageBox.h"
#include "common/Module1.h"
#include "common/Numbers.h"
#include "common/QtColour.h"
#include "files/CsvWriter.h"
#include "files/RecordingJournal.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "graph/PictureBox.h"
#include "graph/ScallFrm.h"
#include "graph/TrendGraphView.h"
#include "meter/ComErr.h"
#include "meter/CommuniFrm.h"
#include "meter/FrameDecoder.h"
#include "meter/MSComm.h"
#include "meter/ReadingExport.h"
#include "panel/ReadingPanel.h"
#include "print/PrintGraphFrm.h"
#include "print/PrintReportFrm.h"
#include "publish/PublishLink.h"
#include "record/AlarmPanel.h"
#include "record/StatisticsPanel.h"
#include "shell/AboutFrm.h"
#include "shell/AutoManFrm.h"
#include "shell/HelpWindow.h"
#include "shell/Placement.h"
#include "shell/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kst {

namespace {

// The screen shows the window at most about 60 times a second, however fast frames come: the
// window's update requests that come sooner are held back, and everything marked for update in
// the meantime is painted together when the interval is over.
class RepaintLimiter : public QObject {
public:
    explicit RepaintLimiter(QWidget *window) : QObject(window), window_(window)
    {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { Release(); });
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != window_ || event->type() != QEvent::UpdateRequest || releasing_)
            return false;
        if (clock_.isValid() && clock_.elapsed() < IntervalMs) {
            if (!timer_.isActive())
                timer_.start(int(IntervalMs - clock_.elapsed()));
            return true;
        }
        clock_.start();
        return false;
    }

private:
    static constexpr qint64 IntervalMs = 16;

    void Release()
    {
        releasing_ = true;
        clock_.start();
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(window_, &request);
        releasing_ = false;
    }

    QWidget *window_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool releasing_ = false;
};

} // namespace

MainFrm::MainFrm(Module1 &module, QWidget *parent) : QMainWindow(parent), M(module)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("XR4410"));

    EndProgram = [] { QApplication::quit(); };

    MSComm1 = new MSComm([](int port) { return SettingsStore::PortDevice(port); }, this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &MSComm::OnComm, this, &MainFrm::MSComm1_OnComm);
    connect(MSComm1, &MSComm::DeviceLost, this, &MainFrm::DeviceLost);
    connect(MSComm1, &MSComm::StateChanged, this, [this] { UpdateStatusBar(); });

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(3000);
    connect(Timer2, &QTimer::timeout, this, &MainFrm::Timer2_Timer);

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(6);

    auto *heading = new QLabel(QStringLiteral("  TRUE RMS MULTIMETER"), central);
    heading->setObjectName(QStringLiteral("Label2"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    heading->setFont(headingFont);
    grid->addWidget(heading, 0, 0, 1, 4);

    ReadFrm = new ReadingPanel(central);
    CalcFrm = new StatisticsPanel(
        Statistics, [this] { return M.Now(); }, central);
    AlarmFrm = new AlarmPanel(M, central);
    connect(AlarmFrm, &AlarmPanel::SettingsChanged, this,
            [this] { SettingsStore::WriteAlarmSettings(AlarmFrm->Settings()); });
    Graph = new TrendGraphView(M, central);
    grid->addWidget(ReadFrm, 1, 0);
    grid->addWidget(CalcFrm, 1, 1);
    grid->addWidget(AlarmFrm, 1, 2);
    grid->addWidget(BuildControlFrame(), 1, 3);
    grid->addWidget(Graph, 2, 0, 1, 4);
    grid->setRowStretch(1, 4);
    grid->setRowStretch(2, 6);
    grid->setColumnStretch(0, 5);
    grid->setColumnStretch(1, 4);
    grid->setColumnStretch(2, 2);
    grid->setColumnStretch(3, 2);
    setCentralWidget(central);

    BuildMenu();

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusText_ = new QLabel(this);
    statusText_->setObjectName(QStringLiteral("StatusText"));
    statusBar()->addWidget(statusText_, 1);
    SetUpJournal();
    SetUpPublishing();
    new RepaintLimiter(this);

    Form_Initialize();
    UpdateStatusBar();
    resize(1024, 700);
}

MainFrm::~MainFrm() = default;

QWidget *MainFrm::BuildControlFrame()
{
    ControlFrm = new QGroupBox(QStringLiteral("CONTROL BUTTON"));
    ControlFrm->setObjectName(QStringLiteral("ControlFrm"));
    auto *layout = new QVBoxLayout(ControlFrm);
    AutoCom = new QCheckBox(QStringLiteral("AUTO"), ControlFrm);
    AutoCom->setObjectName(QStringLiteral("AutoCom"));
    StopCom = new QRadioButton(QStringLiteral("STOP"), ControlFrm);
    StopCom->setObjectName(QStringLiteral("StopCom"));
    StartCom = new QRadioButton(QStringLiteral("START"), ControlFrm);
    StartCom->setObjectName(QStringLiteral("StartCom"));
    // Drawn as push buttons: the selected one looks pressed.
    const QString buttonLook = QStringLiteral(
        "QRadioButton, QCheckBox { border: 1px solid palette(mid); border-radius: 4px;"
        " padding: 8px 12px; background: palette(button); font-weight: bold; }"
        "QRadioButton:checked, QCheckBox:checked { background: palette(midlight);"
        " border: 2px inset palette(dark); }"
        "QRadioButton, QCheckBox { spacing: 0; }"
        "QRadioButton::indicator, QCheckBox::indicator { image: none; width: 0; height: 0;"
        " border: none; background: transparent; margin: 0; padding: 0; }");
    ControlFrm->setStyleSheet(buttonLook);
    for (QWidget *w : {static_cast<QWidget *>(AutoCom), static_cast<QWidget *>(StopCom),
                       static_cast<QWidget *>(StartCom)}) {
        w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(w);
    }
    StopCom->setChecked(true);
    SetRecordingColours();
    // Program changes run the handlers as a user's click does.
    connect(StartCom, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            StartCom_Click();
    });
    connect(StopCom, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            StopCom_Click();
    });
    connect(AutoCom, &QCheckBox::toggled, this, &MainFrm::AutoCom_Click);
    return ControlFrm;
}

void MainFrm::BuildMenu()
{
    auto add = [this](QMenu *menu, const QString &name, const QString &caption,
                      void (MainFrm::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("File"));
    add(FileMenu, QStringLiteral("New"), QStringLiteral("New"), &MainFrm::New_Click)
        ->setShortcut(QKeySequence::New);
    add(FileMenu, QStringLiteral("Open"), QStringLiteral("Open File"), &MainFrm::Open_Click)
        ->setShortcut(QKeySequence::Open);
    add(FileMenu, QStringLiteral("Close"), QStringLiteral("Close File"), &MainFrm::Close_Click);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("Save"), QStringLiteral("Save"), &MainFrm::Save_Click)
        ->setShortcut(QKeySequence::Save);
    add(FileMenu, QStringLiteral("SaveAs"), QStringLiteral("Save As..."), &MainFrm::SaveAs_Click)
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    add(FileMenu, QStringLiteral("ExportCsv"), QStringLiteral("Export CSV..."),
        &MainFrm::ExportCsv_Click);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("PrintGraph"), QStringLiteral("Print Graph..."),
        &MainFrm::PrintGraph_Click);
    add(FileMenu, QStringLiteral("PrintReport"), QStringLiteral("Print Report..."),
        &MainFrm::PrintReport_Click)
        ->setShortcut(QKeySequence::Print);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("Exit"), QStringLiteral("Exit"), &MainFrm::Exit_Click)
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));

    QMenu *setup = menuBar()->addMenu(QStringLiteral("&Setup"));
    setup->setObjectName(QStringLiteral("Setup"));
    add(setup, QStringLiteral("SetCommunication"), QStringLiteral("Set Communication..."),
        &MainFrm::SetCommunication_Click);
    add(setup, QStringLiteral("SetScall"), QStringLiteral("Set Scale..."),
        &MainFrm::SetScall_Click);
    add(setup, QStringLiteral("Publish"), QStringLiteral("Publish..."), &MainFrm::Publish_Click);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help"));
    add(help, QStringLiteral("Comment"), QStringLiteral("Help"), &MainFrm::Comment_Click)
        ->setShortcut(QKeySequence::HelpContents);
    add(help, QStringLiteral("About"), QStringLiteral("About ..."), &MainFrm::About_Click);
}

void MainFrm::SetRecordingColours()
{
    const bool recording = StartCom->isChecked();
    SetTextColour(StartCom, recording ? GreyText() : ToQColor(DarkBlue));
    SetTextColour(StopCom, StopCom->isChecked() ? GreyText() : ToQColor(DarkBlue));
}

void MainFrm::UpdateStatusBar(bool frame)
{
    // Called for every frame: there the port's device is looked up only when the port or its
    // state changed, and the label only changes when its text does.
    const int port = MSComm1->CommPort();
    const bool open = MSComm1->PortOpen();
    if (!frame || port != statusPort_ || open != statusOpen_ || statusDevice_.isNull()) {
        statusPort_ = port;
        statusOpen_ = open;
        statusDevice_ = MSComm1->DevicePath();
        // Room for the longest text with this device, so a new count never lays the window out
        // again.
        const QString longest = tr("COM%1 %2: %3    Samples: %4")
                                    .arg(port)
                                    .arg(statusDevice_, tr("open, receiving"))
                                    .arg(QStringLiteral("0000000000"));
        statusText_->setFixedWidth(statusText_->fontMetrics().horizontalAdvance(longest) + 8);
        statusText_->setFixedHeight(statusText_->sizeHint().height());
        // The default topic prefix and the status message name the device.
        if (publishDevice_ && statusDevice_ != *publishDevice_)
            RestartPublishing();
    }
    QString state;
    if (MSComm1->State() == MSComm::LinkState::Retrying)
        state = tr("disconnected, retrying");
    else if (!open)
        state = MSComm1->OpenError() == MSComm::ErrNoPermission    ? tr("closed, no permission")
                : MSComm1->OpenError() == MSComm::ErrBadPortNumber ? tr("closed, no such device")
                                                                   : tr("closed");
    else
        state = receiving_ ? tr("open, receiving") : tr("open, no data");
    const qint32 count = M.Samples.SampleCount;
    if (count == statusCount_ && state == statusState_)
        return;
    statusCount_ = count;
    statusState_ = state;
    statusText_->setText(
        tr("COM%1 %2: %3    Samples: %4").arg(port).arg(statusDevice_, state).arg(count));
}

void MainFrm::MSComm1_OnComm()
{
    Timer2->stop();
    // Anything unusable (another kind of notification, no aligned frame, a bad digit, an
    // unreadable Rel reference) drops what waits; the meter repeats its display, so the next
    // frame after the pause is read afresh.
    const auto recover = [this] {
        MSComm1->SetInBufferCount(0);
        Timer2->start();
    };
    if (MSComm1->CommEvent() != MSComm::ComEvReceive)
        return recover();
    MSComm1->SetInputLen(MSComm::FrameLength);
    const QByteArray chunkA = MSComm1->Input();
    const QByteArray chunkB = MSComm1->Input();
    const std::optional<QByteArray> frame = SelectFrame(chunkA, chunkB);
    if (!frame)
        return recover();
    const std::optional<MeterReading> reading = DecodeMeterFrame(*frame);
    if (!reading)
        return recover();
    // Every reading the meter sends, as kst-log publishes it.
    if (publish_->Running())
        publish_->Publish(ReadingJson(M.Now(), *reading, ReadingValue(*reading)),
                          reading->AcDcText + reading->UnitText);

    Statistics.LastRawValue = reading->Counts;
    Statistics.LastDecimals = qint16(reading->Decimals);
    ReadFrm->ShowReadingFlags(*reading);
    receiving_ = true;

    float value = 0.0f;
    if (reading->OverRange) {
        ReadFrm->SetReadingText(OverloadText);
        value = OverRangeValue;
        if (M.StopOnOverload) {
            UpdateStatusBar(true);
            return; // the watchdog stays off until a frame is handled to the end
        }
    } else {
        value = ReadingValue(*reading);
        if (CalcFrm->Ticked(StatisticsPanel::Box::Rel)) {
            const std::optional<double> reference = ParseNumber(Statistics.Rel.Data);
            if (!reference)
                return recover();
            value = float(double(value) - *reference);
        }
        ReadFrm->SetReadingText(ReadingText(value, reading->Decimals));
    }
    if (reading->Hold) {
        UpdateStatusBar(true);
        return; // a held display is shown but neither tested nor recorded
    }
    AlarmFrm->CheckHighAlarm(value);
    AlarmFrm->CheckLowAlarm(value);
    if (StartCom->isChecked() && !loading_) {
        if (Scall().MeterRangeSelected()) {
            const MeterRangeScale scale = MeterRangeGraphScale(*reading);
            M.GraphUnit = scale.Unit;
            M.GraphTopY = scale.TopY;
            M.GraphLowY = scale.LowY;
        }
        RecordReading(value, reading->AcDcText + reading->UnitText, qint16(reading->Decimals));
    }
    Timer2->start();
    UpdateStatusBar(true);
}

void MainFrm::Timer2_Timer()
{
    ReadFrm->ShowWatchdogExpired();
    receiving_ = false;
    UpdateStatusBar();
}

void MainFrm::DeviceLost()
{
    // The frames stopped with the device; the watchdog shows "O L" three seconds after the last
    // one as it does for a silent meter.
    UpdateStatusBar();
}

void MainFrm::RecordReading(float value, const QString &unitText, qint16 decimals)
{
    SampleLog &log = M.Samples;
    const qint32 n = log.SampleCount;
    DataModified = true;
    const QDateTime now = M.Now();
    Sample sample;
    sample.value = value;
    sample.date = now.date();
    sample.time = now.time(); // with the clock's milliseconds; files and windows show seconds
    sample.unit = unitText.trimmed();
    sample.decimals = decimals;
    sample.avg = NoValueMarker;
    sample.relRef = CalcFrm->Ticked(StatisticsPanel::Box::Rel) ? Statistics.RelRef : NoValueMarker;
    log.Store(n, sample);
    Statistics.Record(log, n, M.GraphUnit, CalcFrm->Ticks(), now);
    CalcFrm->Render();

    Graph->RecordNewestSample(n);
    log.SampleCount = n + 1;
    // Samples before n are unsaved too, or they are those of the file Save writes.
    journal_->Append(n, SaveFileName);
}

void MainFrm::StartCom_Click()
{
    Graph->PositionForRecording();
    Graph->SetRecording(true);
    FileMenu->setEnabled(false);
    SetRecordingColours();
}

void MainFrm::StopCom_Click()
{
    journal_->Sync();
    FileMenu->setEnabled(true);
    Graph->SetRecording(false);
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
    ReadFrm->ShowOverloadPanel();
    SaveFileName = M.SampleFolder() + u'/' + NextDefaultFileName(M.SampleFolder());
    M.CurrentFileName = SaveFileName;
    setWindowTitle(QStringLiteral("KST_") + M.CurrentFileName);
    Statistics.Reset();
    DataModified = false;
    damagedFile_ = false;
    M.Samples.Reset();
    journal_->Remove(); // the unsaved samples were saved or dropped
    ReadFrm->HideIcons();
    UpdateStatusBar();
}

void MainFrm::Form_Paint()
{
    Graph->Form_Paint();
}

void MainFrm::SetGraphColours(qint32 back, qint32 fore, int width)
{
    Graph->SetColours(back, fore, width);
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
    window.exec();
    UpdateStatusBar();
}

QString MainFrm::DialogFolder(bool sampleFolderDefault) const
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QStringLiteral("DDir"),
                                   sampleFolderDefault ? M.SampleFolder() : M.DataFolder);
}

void MainFrm::RememberFolder(const QString &path)
{
    SettingsStore::Write(QStringLiteral("setting"), QStringLiteral("DDir"),
                         QFileInfo(path).absolutePath());
}

QString MainFrm::ChooseFile(bool save, const QString &start)
{
    if (AskFileName)
        return AskFileName(save, start);
    // start is a folder, or a file proposed in its folder.
    const QFileInfo proposed(start);
    const bool isFile =
        !proposed.isDir() && proposed.suffix().compare(u"mas", Qt::CaseInsensitive) == 0;
    QFileDialog dialog(this, save ? tr("Save As") : tr("Open File"),
                       isFile ? proposed.absolutePath() : start, QStringLiteral("mas (*.mas)"));
    if (isFile)
        dialog.selectFile(proposed.fileName());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("mas"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool MainFrm::WriteSamples(const QString &path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status result = SaveSampleFile(path, M.Samples, M.Samples.SampleCount);
    QApplication::restoreOverrideCursor();
    if (!result) {
        // The previous file is untouched and the samples stay unsaved.
        ShowWarning(tr("The samples were not saved.\n\n%1").arg(result.Reason()));
        return false;
    }
    DataModified = false;
    journal_->Remove();
    return true;
}

void MainFrm::ShowWarning(const QString &text)
{
    ShowMessage(M, this, {MessageIcon::Warning, QStringLiteral("KST"), text});
}

MainFrm::SaveOutcome MainFrm::SaveAsOutcome()
{
    return SaveThroughDialog(DialogFolder(false));
}

MainFrm::SaveOutcome MainFrm::SaveThroughDialog(const QString &start)
{
    const QString path = ChooseFile(true, start);
    if (path.isEmpty())
        return SaveOutcome::Cancelled;
    if (!WriteSamples(path))
        return SaveOutcome::Failed;
    RememberFolder(path);
    M.CurrentFileName = path;
    SaveFileName = path;
    damagedFile_ = false;
    setWindowTitle(QStringLiteral("KST_") + path);
    return SaveOutcome::Saved;
}

bool MainFrm::OfferToSave(const QString &question, bool withCancel, bool &cancelled)
{
    cancelled = false;
    if (!DataModified)
        return true;
    const int buttons =
        MessageButton::Yes | MessageButton::No | (withCancel ? MessageButton::Cancel : 0);
    const int answer =
        ShowMessage(M, this, {MessageIcon::Question, QStringLiteral("KST"), question, buttons});
    if (answer == MessageButton::Cancel) {
        cancelled = true;
        return false;
    }
    // A save that was asked for and did not happen (cancelled or failed) keeps the samples.
    if (answer == MessageButton::Yes)
        return SaveAsOutcome() == SaveOutcome::Saved;
    return true;
}

void MainFrm::New_Click()
{
    Close_Click();
}

bool MainFrm::CloseFile()
{
    // Asked first: an abandoned Close leaves everything as it was.
    bool cancelled = false;
    if (!OfferToSave(QStringLiteral("Current File No Save,Save? "), false, cancelled))
        return false;
    CalcFrm->SetTicked(StatisticsPanel::Box::Avg, false);
    CalcFrm->SetTicked(StatisticsPanel::Box::Rel, false);
    // START is let go without starting or stopping anything: neither button stays selected.
    {
        const QSignalBlocker block(StartCom);
        StartCom->setAutoExclusive(false);
        StartCom->setChecked(false);
        StartCom->setAutoExclusive(true);
    }
    AlarmSettings alarms = AlarmFrm->Settings();
    alarms.high = alarms.low = false;
    AlarmFrm->SetSettings(alarms);
    Statistics.ClearReadouts();
    CalcFrm->Render();
    Form_Initialize();
    Form_Paint();
    return true;
}

void MainFrm::Close_Click()
{
    CloseFile();
}

void MainFrm::Open_Click()
{
    const QString path = ChooseFile(false, DialogFolder(true));
    if (path.isEmpty())
        return;
    ReadSamples(path);
}

// The read-outs of the last flagged records of a loaded log, their boxes ticked.
void MainFrm::RestoreLoadedReadouts(const SampleFileReadResult &result)
{
    const auto restore = [&](StatisticsPanel::Box box, Readout &readout, qint32 index, bool avg) {
        if (index < 0 || index >= M.Samples.SampleCount)
            return;
        const ReadoutTexts texts =
            LoadedReadoutTexts(avg ? M.Samples.SampleAvg(index) : M.Samples.SampleValue(index),
                               M.Samples.SampleDate(index), M.Samples.SampleTime(index));
        readout = {texts.data, texts.time};
        CalcFrm->SetTicked(box, true);
    };
    restore(StatisticsPanel::Box::Max, Statistics.Max, result.lastMaxIndex, false);
    restore(StatisticsPanel::Box::Min, Statistics.Min, result.lastMinIndex, false);
    restore(StatisticsPanel::Box::Avg, Statistics.Avg, result.lastAvgIndex, true);
}

void MainFrm::ReadSamples(const QString &path)
{
    if (loading_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!CloseFile()) {
        QApplication::restoreOverrideCursor();
        return;
    }
    // While a file loads the window stays responsive, but nothing else may load, save or
    // record.
    loading_ = true;
    FileMenu->setEnabled(false);
    ControlFrm->setEnabled(false);
    QProgressDialog progress(tr("Loading %1").arg(QFileInfo(path).fileName()), QString(), 0, 1000,
                             this);
    progress.setWindowTitle(QStringLiteral("KST"));
    progress.setMinimumDuration(400);
    progress.setWindowModality(Qt::WindowModal);
    const SampleFileReadResult result =
        LoadSampleFile(path, M.Samples, [&](qint64 done, qint64 total) {
            if (total > 0)
                progress.setValue(int(done * 1000 / total));
            QCoreApplication::processEvents();
        });
    progress.reset();
    RestoreLoadedReadouts(result);
    CalcFrm->Render();
    loading_ = false;
    FileMenu->setEnabled(!StartCom->isChecked());
    ControlFrm->setEnabled(true);

    if (Scall().MeterRangeSelected())
        ScaleFromLastSample();
    Graph->AfterLoad(); // the whole log drawn from index 0, the scroll range widened
    // A file that gave no record does not become current; one read in part stays current, but
    // Save goes through the dialog rather than overwrite it.
    if (result.recordsLoaded > 0) {
        M.CurrentFileName = path;
        SaveFileName = path;
        setWindowTitle(QStringLiteral("KST_") + path);
        damagedFile_ = !result.complete;
    }
    RememberFolder(path);
    QApplication::restoreOverrideCursor();
    UpdateStatusBar();
    if (!result.complete) {
        ShowWarning(tr("%1 could not be read completely.\n\nReading stopped at line %2: %3\n"
                       "%4 records were loaded.")
                        .arg(QDir::toNativeSeparators(path))
                        .arg(result.stopLine)
                        .arg(result.stopReason)
                        .arg(result.recordsLoaded));
    }
}

void MainFrm::Save_Click()
{
    if (loading_)
        return;
    if (damagedFile_)
        SaveThroughDialog(SaveFileName);
    else
        WriteSamples(SaveFileName);
}

void MainFrm::SaveAs_Click()
{
    if (!loading_)
        SaveAsOutcome();
}

void MainFrm::ExportCsv_Click()
{
    if (loading_)
        return;
    // Offered beside the current file, under its name.
    const QFileInfo current(M.CurrentFileName);
    const QString folder =
        current.absoluteDir().exists() ? current.absolutePath() : DialogFolder(true);
    const QString suggested = folder + u'/' + current.completeBaseName() + QStringLiteral(".csv");
    QString path;
    if (AskFileName) {
        path = AskFileName(true, suggested);
    } else {
        QFileDialog dialog(this, tr("Export CSV"), suggested, tr("CSV (*.csv)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<ExportEnd> result = SaveCsvFile(path, M.Samples, M.Samples.SampleCount);
    QApplication::restoreOverrideCursor();
    if (!result)
        ShowWarning(tr("The samples were not exported.\n\n%1").arg(result.Reason()));
}

void MainFrm::PrintGraph_Click()
{
    PrintGraphFrm window(
        M,
        [this] {
            // The graph print window's Scale button: the scale window works for it.
            M.ScaleFromMainWindow = false;
            Scall().exec();
        },
        this);
    window.exec();
}

void MainFrm::PrintReport_Click()
{
    PrintReportFrm window(M, this);
    window.exec();
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
    M.ScaleFromMainWindow = true;
    Scall().exec();
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
        connect(scallFrm_, &ScallFrm::ScaleApplied, this, &MainFrm::ScaleApplied);
        connect(scallFrm_, &ScallFrm::Closed, this,
                [this] { SettingsStore::WriteScaleTexts(scallFrm_->Texts()); });
    }
    return *scallFrm_;
}

void MainFrm::ScaleApplied()
{
    // The graph shows the new scale at once; the print window redraws its own preview.
    if (M.ScaleFromMainWindow)
        Form_Paint();
}

void MainFrm::ScaleFromLastSample()
{
    const qint32 last = M.Samples.SampleCount - 1;
    if (last < 0)
        return;
    const MeterRangeScale scale =
        MeterRangeGraphScale(M.Samples.SampleUnit(last), M.Samples.SampleDecimals(last));
    M.GraphUnit = scale.Unit;
    M.GraphTopY = scale.TopY;
    M.GraphLowY = scale.LowY;
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
        store("left", pos().x());
        store("top", pos().y());
        store("width", width());
        store("height", height());
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
