#include "common/Version.h"
#include "graph/ui/PictureBox.h"
#include "graph/ui/ScallFrm.h"
#include "graph/ui/TrendGraphView.h"
#include "meter/MSComm.h"
#include "record/ui/AlarmPanel.h"
#include "session/SettingsStore.h"
#include "shell/AboutFrm.h"
#include "shell/AutoManFrm.h"
#include "shell/HelpWindow.h"
#include "support/ui/ProgramUnderTest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace kst;
using kst::test::ProgramUnderTest;

namespace {

QString Setting(const char *key)
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QString::fromLatin1(key));
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
    void windowNames();
    void keysAndClicks();
    void firstStartAndBadSettings();
    void placementKeptUnlessMinimized();
    void choicesRestored_data();
    void choicesRestored();
    void scaleOkRedrawsTheGraph();
};

void TestStartUp::windowNames()
{
    // One table for the names and what the controls show, window by window ("name=shown").
    const QStringList mainFrm{
        "File=&File;Setup=&Setup;Help=&Help;New=&New Ctrl+N;Open=&Open File Ctrl+O",
        "Close=&Close File;Save=&Save Ctrl+S;SaveAs=Save &As... Ctrl+Shift+S;Exit=E&xit Ctrl+Q",
        "PrintGraph=Print &Graph...;PrintReport=Print &Report... Ctrl+P;SetScall=Set &Scale...",
        "SetCommunication=Set &Communication...;Comment=&Help F1;About=&About ...",
        "CalcFrm=CALCULATION;Max=MAX;Min=MIN;Avg=AVG;Rel=REL;MaxData=",
        "AlarmFrm=ALARM  VALUE;AlarmH=HI;AlarmHText=+400;AlarmL=LO;AlarmLText=-400",
        "ControlFrm=CONTROL BUTTON;AutoCom=AUTO;StartCom=START;StopCom=STOP"};
    const QStringList scallFrm{
        "ScallFrm=Scall;Frame1=Y-axis;MeterOption=Meter Range;ManOption=Man Range;TopYText=+400",
        "LowYText=-400;Label2=High Limit:;Label3=Low Limit:;Frame2=X-axis;Interval=100",
        "Label4=Second:;CheckOL=Stop Record if OL Input;OkCommand=OK;CancelCommand=Cancel"};
    const QStringList autoManFrm{
        "AutoManFrm=XR4410;Frame2=Start;Frame3=End;StartDate1=;StartTime3=;EndDate4=;EndTime5=",
        "Label4=1;Label9=5;Label5=Note: Must be like this Date/Time Format",
        "AutoManFrmDate=01-08-1999;AutoManFrmTime=09:09:09;AutoManFrmOk=OK;AutoManFrmCancel="
        "Cancel"};
    ProgramUnderTest p(false);
    AutoManFrm schedule(p.module, p.main->StartCom, p.main->StopCom, p.main->AutoCom);
    AboutFrm about;
    HelpWindow help(QCoreApplication::applicationDirPath() + QStringLiteral("/KST.hlp"));
    const std::pair<QObject *, QStringList> windows[] = {
        {p.main, mainFrm},
        {&p.main->Scall(), scallFrm},
        {&schedule, autoManFrm},
        {&about, {"AboutFrm=About KST;Version=Version " KST_VERSION ";Command1=CLOSE"}},
        {&help, {"HelpWindow=KST Help;Keyword="}}};
    for (const auto &[top, table] : windows) {
        for (const QString &entry : table.join(u';').split(u';')) {
            const QString name = entry.section(u'=', 0, 0);
            QObject *found = top->objectName() == name ? top : top->findChild<QObject *>(name);
            QVERIFY2(found, qPrintable(name));
            QCOMPARE(Shown(found), entry.section(u'=', 1));
        }
    }
    // The shipped help file is shown, and a keyword from its headings is found in it.
    help.Keyword->setText(QStringLiteral("statistics"));
    help.FindKeyword();
    QCOMPARE(help.Text->textCursor().selectedText(), QStringLiteral("Statistics"));
}

void TestStartUp::keysAndClicks()
{
    ProgramUnderTest p(false);
    // The help lists every shortcut of the menus, and Esc closes it.
    HelpWindow help(QCoreApplication::applicationDirPath() + QStringLiteral("/KST.hlp"));
    const QString listed = help.Text->toPlainText();
    for (const QAction *action : p.main->findChildren<QAction *>()) {
        const QString keys = action->shortcut().toString(QKeySequence::NativeText);
        QVERIFY2(keys.isEmpty() || listed.contains(keys), qPrintable(keys));
    }
    help.show();
    QTest::keyClick(help.Keyword, Qt::Key_Escape);
    QVERIFY(!help.isVisible());
    // AUTO reacts to a click in its box's corner, away from its word.
    QTimer::singleShot(0, p.main, [&p] { p.main->Schedule()->AutoManFrmOk_Click(); });
    QTest::mouseClick(p.main->AutoCom, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(p.main->AutoCom->text(), QStringLiteral("MAN"));
}

void TestStartUp::firstStartAndBadSettings()
{
    // Unreadable placement values read as their defaults, and the port still opens.
    kst::test::Pty pty;
    ProgramUnderTest p(false, {"Ports/COM2=" + pty.SlavePath(), "setting/comport=2",
                               "setting/left=abc", "setting/height=", "setting/width=1e300"});
    // As at a first start: at the corner, the empty height read as the screen's, not as none.
    QCOMPARE(p.main->pos(), QPoint(0, 0));
    QVERIFY(p.main->height() > p.main->minimumSizeHint().height());
    QCOMPARE(p.main->MSComm1->CommPort(), 2);
    QVERIFY(p.main->MSComm1->PortOpen());
}

// Quitting while minimized stores no placement (one that would be fitted to the screen here).
void TestStartUp::placementKeptUnlessMinimized()
{
    ProgramUnderTest p(false, {"setting/left=-30000", "setting/width=150000"});
    p.main->showMinimized();
    QTRY_VERIFY(p.main->isMinimized());
    QVERIFY(p.main->QuitProgram());
    QCOMPARE(Setting("left") + u' ' + Setting("width"), QStringLiteral("-30000 150000"));
}

void TestStartUp::choicesRestored_data()
{
    // Stored "section/key" entries (section "setting" when none is named); then what the alarm
    // frame and the scale window show, and the graph's top, low, span, colours and line width.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing stored")
        << ""
        << "0 +400 0 -400|1 +400 -400 100 0|400 -400 100 16444615 255 2";
    QTest::newRow("stored") << "AlarmH=1;AlarmHText=2.5;AlarmL=1;AlarmLText=-1;ScaleMeterRange=0;"
                               "ScaleTopY=5;ScaleLowY=-5;ScaleInterval=50;ScaleStopOnOL=1;"
                               "Display/Bcolor=0;Display/Fcolor=65280;Display/Bwidth=3"
                            << "1 2.5 1 -1|0 5 -5 50 1|5 -5 50 0 65280 3";
    QTest::newRow("bad values read as defaults")
        << "AlarmH=yes;AlarmHText=abc;AlarmL=2;ScaleMeterRange=x;ScaleTopY=;ScaleInterval=ten;"
           "ScaleStopOnOL=-7"
        << "0 +400 0 -400|1 +400 -400 100 0|400 -400 100 16444615 255 2";
}

void TestStartUp::choicesRestored()
{
    QFETCH(QString, stored);
    QStringList settings;
    for (const QString &entry : stored.split(u';', Qt::SkipEmptyParts))
        settings << (entry.contains(u'/') ? entry : QStringLiteral("setting/") + entry);
    ProgramUnderTest p(false, settings);
    const AlarmSettings a = p.main->AlarmFrm->Settings();
    const ScaleTexts s = p.main->Scall().Texts();
    const PictureBox *box = p.main->Graph->GraphBox();
    const QString shown =
        QStringLiteral("%1 %2 %3 %4|").arg(a.high).arg(a.highText).arg(a.low).arg(a.lowText) +
        QStringLiteral("%1 %2 %3 %4 %5|")
            .arg(s.meterRange)
            .arg(s.top, s.low, s.interval)
            .arg(s.stopOnOverload) +
        QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(double(p.module.GraphTopY))
            .arg(double(p.module.GraphLowY))
            .arg(p.module.GraphXSpan)
            .arg(box->BackColor())
            .arg(box->ForeColor())
            .arg(box->DrawWidth());
    QTEST(shown, "shown");
    QCOMPARE(p.module.StopOnOverload, s.stopOnOverload);
    // What the user changes is stored again.
    p.main->AlarmFrm->findChild<QCheckBox *>("AlarmL")->setChecked(!a.low);
    QCOMPARE(Setting("AlarmL"), a.low ? "0" : "1");
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
