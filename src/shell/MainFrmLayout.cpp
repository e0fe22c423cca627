// The main window's controls: the panels and the graph in their grid, the recording buttons and
// the menu.
#include "shell/MainFrm.h"

#include "common/ui/Module1.h"
#include "common/ui/QtColour.h"
#include "graph/ui/TrendGraphView.h"
#include "panel/ui/ReadingPanel.h"
#include "record/ui/AlarmPanel.h"
#include "record/ui/StatisticsPanel.h"
#include "session/SettingsStore.h"
#include "shell/MeterSelector.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kst {

namespace {

// A check box or option button drawn as a push button: a click anywhere in its box works, not
// only one on its word.
template <typename Button> class BoxButton : public Button {
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint &pos) const override { return this->rect().contains(pos); }
};

} // namespace

void MainFrm::BuildWindow()
{
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

    selector_ = new MeterSelector(central);
    connect(selector_, &MeterSelector::MeterSelected, this, &MainFrm::SelectMeter);
    grid->addWidget(selector_, 1, 0, 1, 4);

    ReadFrm = new ReadingPanel(central);
    CalcFrm = new StatisticsPanel(
        Statistics, [this] { return M.Now(); }, central);
    AlarmFrm = new AlarmPanel(M, central);
    connect(AlarmFrm, &AlarmPanel::SettingsChanged, this, [this] { AlarmsChanged(true); });
    connect(AlarmFrm, &AlarmPanel::LimitsChanged, this, [this] { AlarmsChanged(false); });
    // Meter 1's graph, and under it a strip for each further meter.
    auto *graphArea = new QWidget(central);
    strips_ = new QVBoxLayout(graphArea);
    strips_->setContentsMargins(0, 0, 0, 0);
    strips_->setSpacing(2);
    Graph = new TrendGraphView(M, graphArea);
    ConnectStrip(Graph);
    strips_->addWidget(Graph);
    grid->addWidget(ReadFrm, 2, 0);
    grid->addWidget(CalcFrm, 2, 1);
    grid->addWidget(AlarmFrm, 2, 2);
    grid->addWidget(BuildControlFrame(), 2, 3);
    grid->addWidget(graphArea, 3, 0, 1, 4);
    grid->setRowStretch(2, 4);
    grid->setRowStretch(3, 6);
    grid->setColumnStretch(0, 5);
    grid->setColumnStretch(1, 4);
    grid->setColumnStretch(2, 2);
    grid->setColumnStretch(3, 2);
    setCentralWidget(central);
}

QWidget *MainFrm::BuildControlFrame()
{
    ControlFrm = new QGroupBox(QStringLiteral("CONTROL BUTTON"));
    ControlFrm->setObjectName(QStringLiteral("ControlFrm"));
    auto *layout = new QVBoxLayout(ControlFrm);
    AutoCom = new BoxButton<QCheckBox>(QStringLiteral("AUTO"), ControlFrm);
    AutoCom->setObjectName(QStringLiteral("AutoCom"));
    StopCom = new BoxButton<QRadioButton>(QStringLiteral("STOP"), ControlFrm);
    StopCom->setObjectName(QStringLiteral("StopCom"));
    StartCom = new BoxButton<QRadioButton>(QStringLiteral("START"), ControlFrm);
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
    add(FileMenu, QStringLiteral("New"), QStringLiteral("&New"), &MainFrm::New_Click)
        ->setShortcut(QKeySequence::New);
    add(FileMenu, QStringLiteral("Open"), QStringLiteral("&Open File"), &MainFrm::Open_Click)
        ->setShortcut(QKeySequence::Open);
    add(FileMenu, QStringLiteral("Close"), QStringLiteral("&Close File"), &MainFrm::Close_Click);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("Save"), QStringLiteral("&Save"), &MainFrm::Save_Click)
        ->setShortcut(QKeySequence::Save);
    add(FileMenu, QStringLiteral("SaveAs"), QStringLiteral("Save &As..."), &MainFrm::SaveAs_Click)
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    add(FileMenu, QStringLiteral("ExportCsv"), QStringLiteral("&Export CSV..."),
        &MainFrm::ExportCsv_Click);
    BuildGraphCommands(FileMenu, nullptr);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("PrintGraph"), QStringLiteral("Print &Graph..."),
        &MainFrm::PrintGraph_Click);
    add(FileMenu, QStringLiteral("PrintReport"), QStringLiteral("Print &Report..."),
        &MainFrm::PrintReport_Click)
        ->setShortcut(QKeySequence::Print);
    FileMenu->addSeparator();
    add(FileMenu, QStringLiteral("Exit"), QStringLiteral("E&xit"), &MainFrm::Exit_Click)
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));

    QMenu *setup = menuBar()->addMenu(QStringLiteral("&Setup"));
    setup->setObjectName(QStringLiteral("Setup"));
    add(setup, QStringLiteral("SetCommunication"), QStringLiteral("Set &Communication..."),
        &MainFrm::SetCommunication_Click);
    add(setup, QStringLiteral("SetScall"), QStringLiteral("Set &Scale..."),
        &MainFrm::SetScall_Click);
    add(setup, QStringLiteral("Publish"), QStringLiteral("&Publish..."), &MainFrm::Publish_Click);
    add(setup, QStringLiteral("Meters"), QStringLiteral("&Meters..."), &MainFrm::Meters_Click);
    BuildGraphCommands(nullptr, setup);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help"));
    add(help, QStringLiteral("Comment"), QStringLiteral("&Help"), &MainFrm::Comment_Click)
        ->setShortcut(QKeySequence::HelpContents);
    add(help, QStringLiteral("About"), QStringLiteral("&About ..."), &MainFrm::About_Click);
}

void MainFrm::SetRecordingColours()
{
    const bool recording = StartCom->isChecked();
    SetTextColour(StartCom, recording ? GreyText() : ToQColor(DarkBlue));
    SetTextColour(StopCom, StopCom->isChecked() ? GreyText() : ToQColor(DarkBlue));
}

} // namespace kst
