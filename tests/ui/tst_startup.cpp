#include "graph/PictureBox.h"
#include "graph/ScallFrm.h"
#include "graph/TrendGraphView.h"
#include "meter/MSComm.h"
#include "shell/AutoManFrm.h"
#include "shell/Main.h"
#include "shell/Placement.h"
#include "shell/SettingsStore.h"
#include "support/ui/ProgramUnderTest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace kst;
using kst::test::ProgramUnderTest;

namespace {

QString Setting(const char *key)
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QString::fromLatin1(key));
}

void Store(const QStringList &keyValues)
{
    for (const QString &kv : keyValues)
        SettingsStore::Write(QStringLiteral("setting"), kv.section(u'=', 0, 0),
                             kv.section(u'=', 1));
}

// What a named control shows: a button's or label's text, a box's title, an action's text with
// its shortcut, a menu's title.
QString Shown(QObject *o)
{
    if (auto *w = qobject_cast<QAbstractButton *>(o))
        return w->text();
    if (auto *w = qobject_cast<QLabel *>(o))
        return w->text();
    if (auto *w = qobject_cast<QLineEdit *>(o))
        return w->text();
    if (auto *w = qobject_cast<QGroupBox *>(o))
        return w->title();
    if (auto *w = qobject_cast<QMenu *>(o))
        return w->title();
    if (auto *a = qobject_cast<QAction *>(o))
        return (a->text() + u' ' + a->shortcut().toString()).trimmed();
    if (auto *w = qobject_cast<QWidget *>(o))
        return w->windowTitle();
    return QStringLiteral("<%1>").arg(QLatin1String(o->metaObject()->className()));
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void windowNames_data();
    void windowNames();
    void firstStartDefaults();
    void badPlacementStillOpensThePort();
    void portInUseOpensTheErrorWindow();
    void placementKeptUnlessMinimized();
    void choicesRestored_data();
    void choicesRestored();
    void scaleOkRedrawsTheGraph();
};

void TestStartUp::windowNames_data()
{
    // One table for the names and captions of every window reached from the main window.
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    const QStringList rows{"MainFrm|File|&File",
                           "MainFrm|Setup|&Setup",
                           "MainFrm|Help|&Help",
                           "MainFrm|New|New Ctrl+N",
                           "MainFrm|Open|Open File Ctrl+O",
                           "MainFrm|Close|Close File",
                           "MainFrm|Save|Save Ctrl+S",
                           "MainFrm|SaveAs|Save As... Ctrl+Shift+S",
                           "MainFrm|Exit|Exit Ctrl+Q",
                           "MainFrm|SetScall|Set Scale...",
                           "MainFrm|About|About ...",
                           "MainFrm|CalcFrm|CALCULATION",
                           "MainFrm|Max|MAX",
                           "MainFrm|Rel|REL",
                           "MainFrm|AlarmFrm|ALARM  VALUE",
                           "MainFrm|AlarmH|HI",
                           "MainFrm|AlarmHText|+400",
                           "MainFrm|AlarmL|LO",
                           "MainFrm|AlarmLText|-400",
                           "MainFrm|ControlFrm|CONTROL BUTTON",
                           "MainFrm|AutoCom|AUTO",
                           "MainFrm|StartCom|START",
                           "MainFrm|StopCom|STOP",
                           "ScallFrm|ScallFrm|Scall",
                           "ScallFrm|Frame1|Y-axis",
                           "ScallFrm|MeterOption|Meter Range",
                           "ScallFrm|ManOption|Man Range",
                           "ScallFrm|TopYText|+400",
                           "ScallFrm|LowYText|-400",
                           "ScallFrm|Label2|High Limit:",
                           "ScallFrm|Label3|Low Limit:",
                           "ScallFrm|Frame2|X-axis",
                           "ScallFrm|Interval|100",
                           "ScallFrm|Label4|Second:",
                           "ScallFrm|CheckOL|Stop Record if OL Input",
                           "ScallFrm|OkCommand|OK",
                           "ScallFrm|CancelCommand|Cancel",
                           "AutoManFrm|AutoManFrm|XR4410",
                           "AutoManFrm|Frame2|Start",
                           "AutoManFrm|Frame3|End",
                           "AutoManFrm|StartDate5|",
                           "AutoManFrm|EndTime5|",
                           "AutoManFrm|Label9|5",
                           "AutoManFrm|Label5|Note: Must be like this Date/Time Format",
                           "AutoManFrm|AutoManFrmDate|01-08-1999",
                           "AutoManFrm|AutoManFrmTime|09:09:09",
                           "AutoManFrm|AutoManFrmOk|OK",
                           "AutoManFrm|AutoManFrmCancel|Cancel"};
    for (const QString &row : rows) {
        const QStringList f = row.split(u'|');
        QTest::addRow("%s %s", qPrintable(f[0]), qPrintable(f[1])) << f[0] << f[1] << f[2];
    }
}

void TestStartUp::windowNames()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    ProgramUnderTest p(false);
    AutoManFrm schedule(p.module, p.main->StartCom, p.main->StopCom, p.main->AutoCom);
    QObject *top = window == u"MainFrm"    ? static_cast<QObject *>(p.main)
                   : window == u"ScallFrm" ? static_cast<QObject *>(&p.main->Scall())
                                           : &schedule;
    QObject *found = top->objectName() == name ? top : top->findChild<QObject *>(name);
    QVERIFY2(found, qPrintable(name));
    QTEST(Shown(found), "shown");
}

void TestStartUp::firstStartDefaults()
{
    ProgramUnderTest p(false);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(p.main->pos(), QPoint(0, 0));
    QCOMPARE(p.main->size(), screen.size().expandedTo(p.main->minimumSizeHint()));
    QCOMPARE(p.main->MSComm1->CommPort(), 1);
    QCOMPARE(p.main->MSComm1->Settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(p.main->MSComm1->DevicePath(), QStringLiteral("/dev/ttyS0"));
    QVERIFY(p.module.ScaleFromMainWindow);
    QVERIFY(!p.module.StopOnOverload);
    QVERIFY(p.main->Scall().MeterRangeSelected());
}

void TestStartUp::badPlacementStillOpensThePort()
{
    kst::test::TestEnvironment env;
    kst::test::Pty pty;
    SettingsStore::SetPortDevice(2, pty.SlavePath());
    Store({"comport=2", "left=abc", "height=", "width=1e300"});
    Module1 module;
    std::unique_ptr<MainFrm> main(StartUp(module, false));
    QCOMPARE(main->MSComm1->CommPort(), 2);
    QVERIFY(main->MSComm1->PortOpen());
}

void TestStartUp::portInUseOpensTheErrorWindow()
{
    kst::test::TestEnvironment env;
    kst::test::Pty pty;
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    MSComm other([&](int) { return pty.SlavePath(); });
    QCOMPARE(other.SetPortOpen(true), 0); // another program holds the meter's port
    QString shown;
    QTimer::singleShot(200, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            shown = modal->objectName();
            modal->close();
        }
    });
    Module1 module;
    std::unique_ptr<MainFrm> main(StartUp(module, false));
    QCOMPARE(shown, QStringLiteral("ComErr"));
    QVERIFY(main->isVisible());
}

void TestStartUp::placementKeptUnlessMinimized()
{
    kst::test::TestEnvironment env;
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    for (bool minimized : {false, true}) {
        Module1 module;
        std::unique_ptr<MainFrm> main(StartUp(module, false));
        main->EndProgram = [] {};
        QCOMPARE(main->pos(), minimized ? QPoint(40, 30) : QPoint(0, 0));
        main->move(minimized ? 300 : 40, 30);
        main->resize(1000, 700);
        if (minimized) {
            main->showMinimized();
            QTRY_VERIFY(main->isMinimized());
        }
        QVERIFY(main->QuitProgram());
        QCOMPARE(Setting("left").toLongLong(), TwipsFromPixels(40, dpi));
        QCOMPARE(Setting("width").toLongLong(), TwipsFromPixels(1000, dpi));
    }
}

void TestStartUp::choicesRestored_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("alarms");      // high tick, text, low tick, text
    QTest::addColumn<QString>("scale");       // meter range, top, low, span, stop on OL
    QTest::addColumn<QList<double>>("graph"); // top, low, span at start
    QTest::newRow("nothing stored") << QStringList{} << "0 +400 0 -400"
                                    << "1 +400 -400 100 0" << QList<double>{400, -400, 100};
    QTest::newRow("stored") << QStringList{"AlarmH=1",      "AlarmHText=2.5",    "AlarmL=1",
                                           "AlarmLText=-1", "ScaleMeterRange=0", "ScaleTopY=5",
                                           "ScaleLowY=-5",  "ScaleInterval=50",  "ScaleStopOnOL=1"}
                            << "1 2.5 1 -1"
                            << "0 5 -5 50 1" << QList<double>{5, -5, 50};
    QTest::newRow("bad values read as defaults")
        << QStringList{"AlarmH=yes", "AlarmHText=abc",    "AlarmL=2",        "ScaleMeterRange=x",
                       "ScaleTopY=", "ScaleInterval=ten", "ScaleStopOnOL=-7"}
        << "0 +400 0 -400"
        << "1 +400 -400 100 0" << QList<double>{400, -400, 100};
}

void TestStartUp::choicesRestored()
{
    QFETCH(QStringList, stored);
    QFETCH(QList<double>, graph);
    QString alarms, scale;
    {
        for (QString &entry : stored)
            entry.prepend(QStringLiteral("setting/"));
        ProgramUnderTest p(false, stored);
        const AlarmSettings a = p.main->AlarmFrm->Settings();
        alarms = QStringLiteral("%1 %2 %3 %4")
                     .arg(int(a.high))
                     .arg(a.highText)
                     .arg(int(a.low))
                     .arg(a.lowText);
        const ScaleTexts s = p.main->Scall().Texts();
        scale = QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(int(s.meterRange))
                    .arg(s.top, s.low, s.interval)
                    .arg(int(s.stopOnOverload));
        QCOMPARE(p.module.StopOnOverload, s.stopOnOverload);
        QCOMPARE(
            (QList<double>{p.module.GraphTopY, p.module.GraphLowY, double(p.module.GraphXSpan)}),
            graph);
        // What the user changes is stored again.
        p.main->AlarmFrm->findChild<QCheckBox *>("AlarmL")->setChecked(!a.low);
        QCOMPARE(Setting("AlarmL"), a.low ? "0" : "1");
    }
    QTEST(alarms, "alarms");
    QTEST(scale, "scale");
}

void TestStartUp::scaleOkRedrawsTheGraph()
{
    ProgramUnderTest p(false);
    QTimer::singleShot(50, [&] {
        ScallFrm &f = p.main->Scall();
        f.findChild<QRadioButton *>("ManOption")->click();
        f.findChild<QLineEdit *>("TopYText")->setText("5");
        f.findChild<QLineEdit *>("LowYText")->setText("-5");
        f.findChild<QLineEdit *>("Interval")->setText("50");
        f.findChild<QPushButton *>("OkCommand")->click();
    });
    p.main->SetScall_Click();
    QCOMPARE(p.main->Graph->GraphBox()->ScaleTop(), 5.0);
    QCOMPARE(p.main->Graph->GraphBox()->ScaleWidth(), 50.0);
    QCOMPARE(Setting("ScaleTopY"), QStringLiteral("5"));
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
