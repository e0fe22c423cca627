#include "shell/MainFrm.h"

#include "common/Module1.h"
#include "meter/MSComm.h"
#include "shell/AboutFrm.h"
#include "shell/Colours.h"
#include "shell/HelpWindow.h"
#include "shell/Placement.h"
#include "shell/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
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

    auto placeholder = [central](const QString &title, const QString &name) {
        auto *box = new QGroupBox(title, central);
        box->setObjectName(name);
        return box;
    };
    grid->addWidget(placeholder(QStringLiteral("READING"), QStringLiteral("ReadFrm")), 1, 0);
    grid->addWidget(placeholder(QStringLiteral("CALCULATION"), QStringLiteral("CalcFrm")), 1, 1);
    grid->addWidget(placeholder(QStringLiteral("ALARM  VALUE"), QStringLiteral("AlarmFrm")), 1, 2);
    grid->addWidget(BuildControlFrame(), 1, 3);
    auto *graphArea = new QWidget(central);
    graphArea->setObjectName(QStringLiteral("GraphArea"));
    graphArea->setMinimumHeight(200);
    grid->addWidget(graphArea, 2, 0, 1, 4);
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
        "QRadioButton::indicator, QCheckBox::indicator { width: 0; height: 0; }");
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
    SetTextColour(StartCom, recording ? GreyText(StartCom) : ToQColor(DarkBlue));
    SetTextColour(StopCom, StopCom->isChecked() ? GreyText(StopCom) : ToQColor(DarkBlue));
}

void MainFrm::UpdateStatusBar()
{
    const QString device = MSComm1->DevicePath();
    QString state;
    if (!MSComm1->PortOpen())
        state = tr("closed");
    else
        state = receiving_ ? tr("open, receiving") : tr("open, no data");
    statusText_->setText(tr("COM%1 %2: %3    Samples: %4")
                             .arg(MSComm1->CommPort())
                             .arg(device, state)
                             .arg(M.Samples.SampleCount));
}

void MainFrm::MSComm1_OnComm() {}

void MainFrm::Timer2_Timer()
{
    receiving_ = false;
    UpdateStatusBar();
}

void MainFrm::DeviceLost() { UpdateStatusBar(); }

void MainFrm::StartCom_Click()
{
    FileMenu->setEnabled(false);
    SetRecordingColours();
}

void MainFrm::StopCom_Click()
{
    FileMenu->setEnabled(true);
    SetRecordingColours();
}

void MainFrm::AutoCom_Click()
{
    AutoCom->setText(AutoCom->isChecked() ? QStringLiteral("MAN") : QStringLiteral("AUTO"));
}

void MainFrm::RecordReading(float, const QString &, qint16) {}

void MainFrm::Form_Initialize()
{
    M.GraphTopY = 400.0f;
    M.GraphLowY = -400.0f;
    M.GraphXSpan = 100;
    M.GraphUnit = QStringLiteral("DCV");
    DataModified = false;
    M.Samples.Reset();
}

void MainFrm::Form_Paint() {}

void MainFrm::SetGraphColours(qint32 back, qint32 fore, int width)
{
    Q_UNUSED(back);
    Q_UNUSED(fore);
    Q_UNUSED(width);
}

void MainFrm::ShowComErr() {}

void MainFrm::New_Click() { Close_Click(); }
void MainFrm::Open_Click() {}
void MainFrm::Close_Click() {}
void MainFrm::Save_Click() {}
void MainFrm::SaveAs_Click() {}
void MainFrm::PrintGraph_Click() {}
void MainFrm::PrintReport_Click() {}

void MainFrm::Exit_Click() { QuitProgram(); }

void MainFrm::SetCommunication_Click() {}

void MainFrm::SetScall_Click() { M.ScaleFromMainWindow = true; }

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

ScallFrm &MainFrm::Scall() { return *scallFrm_; }

bool MainFrm::QuitProgram()
{
    if (quitting_)
        return true;
    if (DataModified) {
        const int answer = AskSave(QStringLiteral("Quite before,Save file? "),
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Yes) {
            SaveAs_Click();
        }
    }
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
