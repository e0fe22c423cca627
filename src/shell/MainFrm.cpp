#include "shell/MainFrm.h"

#include "common/Module1.h"
#include "common/Numbers.h"
#include "files/CsvWriter.h"
#include "files/SampleFile.h"
#include "graph/PictureBox.h"
#include "graph/QtColour.h"
#include "graph/ScallFrm.h"
#include "graph/TrendGraphView.h"
#include "meter/ComErr.h"
#include "meter/CommuniFrm.h"
#include "meter/FrameDecoder.h"
#include "meter/MSComm.h"
#include "panel/ReadingPanel.h"
#include "print/PrintGraphFrm.h"
#include "print/PrintReportFrm.h"
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
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kst {

MainFrm::MainFrm(Module1 &module, QWidget *parent) : QMainWindow(parent), M(module)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("XR4410"));

    EndProgram = [] { QApplication::quit(); };
    AskSave = [this](const QString &text, int buttons) {
        return int(QMessageBox::question(this, QStringLiteral("KST"), text,
                                         QMessageBox::StandardButtons(buttons)));
    };

    MSComm1 = new MSComm([](int port) { return SettingsStore::PortDevice(port); }, this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &MSComm::OnComm, this, &MainFrm::MSComm1_OnComm);
    connect(MSComm1, &MSComm::DeviceLost, this, &MainFrm::DeviceLost);
    connect(MSComm1, &MSComm::StateChanged, this, &MainFrm::UpdateStatusBar);

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
    CalcFrm = new StatisticsPanel([this] { return M.Now(); }, central);
    AlarmFrm = new AlarmPanel(M.ProgramFolder, central);
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
    FileMenu = menuBar()->addMenu(QStringLiteral("File"));
    FileMenu->setObjectName(QStringLiteral("File"));
    add(FileMenu, QStringLiteral("New"), QStringLiteral("New"), &MainFrm::New_Click)
        ->setShortcut(QKeySequence::New);
    add(FileMenu, QStringLiteral("Open"), QStringLiteral("Open File"), &MainFrm::Open_Click)
        ->setShortcut(QKeySequence::Open);
    add(FileMenu, QStringLiteral("Close"), QStringLiteral("Close File"), &MainFrm::Close_Click);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("Save"), QStringLiteral("Save"), &MainFrm::Save_Click)
        ->setShortcut(QKeySequence::Save);
    add(FileMenu, QStringLiteral("SaveAs"), QStringLiteral("Save As..."), &MainFrm::SaveAs_Click);
    add(FileMenu, QStringLiteral("ExportCsv"), QStringLiteral("Export CSV..."),
        &MainFrm::ExportCsv_Click);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("PrintGraph"), QStringLiteral("Print Graph..."),
        &MainFrm::PrintGraph_Click);
    add(FileMenu, QStringLiteral("PrintReport"), QStringLiteral("Print Report..."),
        &MainFrm::PrintReport_Click)
        ->setShortcut(QKeySequence::Print);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("Exit"), QStringLiteral("Exit"), &MainFrm::Exit_Click);

    QMenu *setup = menuBar()->addMenu(QStringLiteral("Setup"));
    setup->setObjectName(QStringLiteral("Setup"));
    add(setup, QStringLiteral("SetCommunication"), QStringLiteral("Set Communication..."),
        &MainFrm::SetCommunication_Click);
    add(setup, QStringLiteral("SetScall"), QStringLiteral("Set Scale..."),
        &MainFrm::SetScall_Click);

    QMenu *help = menuBar()->addMenu(QStringLiteral("Help"));
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

void MainFrm::UpdateStatusBar()
{
    const QString device = MSComm1->DevicePath();
    QString state;
    if (MSComm1->State() == MSComm::LinkState::Retrying)
        state = tr("disconnected, retrying");
    else if (!MSComm1->PortOpen())
        state = MSComm1->OpenError() == MSComm::ErrNoPermission    ? tr("closed, no permission")
                : MSComm1->OpenError() == MSComm::ErrBadPortNumber ? tr("closed, no such device")
                                                                   : tr("closed");
    else
        state = receiving_ ? tr("open, receiving") : tr("open, no data");
    statusText_->setText(tr("COM%1 %2: %3    Samples: %4")
                             .arg(MSComm1->CommPort())
                             .arg(device, state)
                             .arg(M.Samples.SampleCount));
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

    CalcFrm->LastRawValue = reading->Counts;
    CalcFrm->LastDecimals = qint16(reading->Decimals);
    ReadFrm->ShowReadingFlags(*reading);
    receiving_ = true;

    float value = 0.0f;
    if (reading->OverRange) {
        ReadFrm->SetReadingText(OverloadText);
        value = OverRangeValue;
        if (M.StopOnOverload) {
            UpdateStatusBar();
            return; // the watchdog stays off until a frame is handled to the end
        }
    } else {
        value = ReadingValue(*reading);
        if (CalcFrm->RelTicked()) {
            const std::optional<double> reference = ParseNumber(CalcFrm->RelDataText());
            if (!reference)
                return recover();
            value = float(double(value) - *reference);
        }
        ReadFrm->SetReadingText(ReadingText(value, reading->Decimals));
    }
    if (reading->Hold) {
        UpdateStatusBar();
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
    UpdateStatusBar();
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
    sample.relRef = CalcFrm->RelTicked() ? CalcFrm->RelRef : NoValueMarker;
    log.Store(n, sample);
    if (CalcFrm->MaxTicked())
        CalcFrm->UpdateMaximum(value, M.GraphUnit, log, n, now);
    if (CalcFrm->MinTicked())
        CalcFrm->UpdateMinimum(value, M.GraphUnit, log, n, now);
    if (CalcFrm->AvgTicked()) {
        CalcFrm->UpdateAverage(value, M.GraphUnit, log, n, now);
        log.SetSampleAvg(n, CalcFrm->AvgValue);
    }

    // While the log fits in one window it is drawn from the left edge; after that the window
    // ends at the new sample.
    qint32 left = Graph->GraphBox()->ScaleWidth() > n ? 0 : n - M.GraphXSpan;
    Graph->RedrawGraph(left, n, M.GraphTopY, M.GraphLowY);
    Graph->PlotNewestSample(n, log.SampleValue(n));
    log.SampleCount = n + 1;
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
    CalcFrm->ResetStatistics();
    DataModified = false;
    M.Samples.Reset();
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

QString MainFrm::ChooseFile(bool save, const QString &folder)
{
    if (AskFileName)
        return AskFileName(save, folder);
    QFileDialog dialog(this, save ? tr("Save As") : tr("Open File"), folder,
                       QStringLiteral("mas (*.mas)"));
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
    const SampleFileSaveResult result = SaveSampleFile(path, M.Samples, M.Samples.SampleCount);
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        // The previous file is untouched and the samples stay unsaved.
        ShowWarning(tr("The samples were not saved.\n\n%1").arg(result.error));
        return false;
    }
    DataModified = false;
    return true;
}

void MainFrm::ShowWarning(const QString &text)
{
    if (Warn)
        Warn(text);
    else
        QMessageBox::warning(this, QStringLiteral("KST"), text);
}

MainFrm::SaveOutcome MainFrm::SaveAsOutcome()
{
    const QString path = ChooseFile(true, DialogFolder(false));
    if (path.isEmpty())
        return SaveOutcome::Cancelled;
    if (!WriteSamples(path))
        return SaveOutcome::Failed;
    RememberFolder(path);
    M.CurrentFileName = path;
    SaveFileName = path;
    setWindowTitle(QStringLiteral("KST_") + path);
    return SaveOutcome::Saved;
}

bool MainFrm::OfferToSave(const QString &question, bool withCancel, bool &cancelled)
{
    cancelled = false;
    if (!DataModified)
        return true;
    const int buttons = QMessageBox::Yes | QMessageBox::No | (withCancel ? QMessageBox::Cancel : 0);
    const int answer = AskSave(question, buttons);
    if (answer == QMessageBox::Cancel) {
        cancelled = true;
        return false;
    }
    if (answer == QMessageBox::Yes)
        return SaveAsOutcome() != SaveOutcome::Failed; // a cancelled dialog drops the samples
    return true;
}

void MainFrm::New_Click()
{
    Close_Click();
}

bool MainFrm::CloseFile()
{
    CalcFrm->findChild<QCheckBox *>(QStringLiteral("Avg"))->setChecked(false);
    CalcFrm->findChild<QCheckBox *>(QStringLiteral("Rel"))->setChecked(false);
    // START is let go without starting or stopping anything: neither button stays selected.
    {
        const QSignalBlocker block(StartCom);
        StartCom->setAutoExclusive(false);
        StartCom->setChecked(false);
        StartCom->setAutoExclusive(true);
    }
    AlarmFrm->findChild<QCheckBox *>(QStringLiteral("AlarmH"))->setChecked(false);
    AlarmFrm->findChild<QCheckBox *>(QStringLiteral("AlarmL"))->setChecked(false);
    CalcFrm->ClearLabels();
    bool cancelled = false;
    if (!OfferToSave(QStringLiteral("Current File No Save,Save? "), false, cancelled))
        return false; // the save failed: keep the samples
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
    CalcFrm->RestoreLoadedReadouts(M.Samples, result);
    loading_ = false;
    FileMenu->setEnabled(!StartCom->isChecked());
    ControlFrm->setEnabled(true);

    Graph->AfterLoad(); // the whole log drawn from index 0, the scroll range widened
    M.CurrentFileName = path;
    SaveFileName = path;
    setWindowTitle(QStringLiteral("KST_") + path);
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
    if (!loading_)
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
    const CsvSaveResult result = SaveCsvFile(path, M.Samples, M.Samples.SampleCount);
    QApplication::restoreOverrideCursor();
    if (!result.ok)
        ShowWarning(tr("The samples were not exported.\n\n%1").arg(result.error));
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
    if (!scallFrm_)
        scallFrm_ = new ScallFrm(M, this);
    return *scallFrm_;
}

bool MainFrm::QuitProgram()
{
    if (quitting_)
        return true;
    bool cancelled = false;
    if (!OfferToSave(QStringLiteral("Quite before,Save file? "), true, cancelled))
        return false; // cancelled, or the save failed: keep running with the samples
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
