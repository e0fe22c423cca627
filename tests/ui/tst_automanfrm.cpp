#include "shell/AutoManFrm.h"

#include "common/Module1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace kst;

namespace {

QDateTime At(const QString &stamp)
{
    QDateTime t = QDateTime::fromString(stamp, QStringLiteral("MM-dd-yyyy HH:mm:ss.zzz"));
    Q_ASSERT(t.isValid());
    return t;
}

// The main window's CONTROL BUTTON frame as the schedule sees it: START and STOP option buttons
// in one frame (STOP selected at start) and the AUTO box. Like the main window, it reacts to the
// buttons' notifications; `clicks` records which handler ran: 'S' for START, 'P' for STOP.
struct ControlFrame {
    QWidget frame;
    QRadioButton *StartCom = new QRadioButton(QStringLiteral("START"), &frame);
    QRadioButton *StopCom = new QRadioButton(QStringLiteral("STOP"), &frame);
    QCheckBox *AutoCom = new QCheckBox(QStringLiteral("AUTO"), &frame);
    QString clicks;

    ControlFrame()
    {
        StopCom->setChecked(true);
        QObject::connect(StartCom, &QRadioButton::toggled, [this](bool on) {
            if (on)
                clicks += u'S';
        });
        QObject::connect(StopCom, &QRadioButton::toggled, [this](bool on) {
            if (on)
                clicks += u'P';
        });
    }
    bool Recording() const { return StartCom->isChecked() && !StopCom->isChecked(); }
};

void Type(AutoManFrm &f, const QString &name, const QString &text)
{
    auto *box = f.findChild<QLineEdit *>(name);
    QVERIFY2(box, qPrintable(name));
    box->setText(text);
}

} // namespace

class TestAutoManFrm : public QObject {
    Q_OBJECT
private slots:
    void controls();
    void ticks_data();
    void ticks();
    void nothingWhileAutoIsOff();
    void runsWhileHidden();
    void okKeepsScheduleRunning();
    void cancelSwitchesOff_data();
    void cancelSwitchesOff();
    void autoSwitchDiscardsEntries();
};

void TestAutoManFrm::controls()
{
    Module1 m;
    ControlFrame c;
    AutoManFrm f(m, c.StartCom, c.StopCom, c.AutoCom);
    QCOMPARE(f.objectName(), QStringLiteral("AutoManFrm"));
    QCOMPARE(f.windowTitle(), QStringLiteral("XR4410"));
    for (const char *prefix : {"StartDate", "StartTime", "EndDate", "EndTime"}) {
        for (int i = 1; i <= 5; ++i) {
            const QString name = QLatin1String(prefix) + QString::number(i);
            auto *box = f.findChild<QLineEdit *>(name);
            QVERIFY2(box, qPrintable(name));
            QVERIFY(box->text().isEmpty());
        }
    }
    const QStringList rowLabels{"Label4", "Label6", "Label7", "Label8", "Label9"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(f.findChild<QLabel *>(rowLabels[i])->text(), QString::number(i + 1));
    QCOMPARE(f.findChild<QLabel *>("Label5")->text(),
             QStringLiteral("Note: Must be like this Date/Time Format"));
    QCOMPARE(f.findChild<QLabel *>("AutoManFrmDate")->text(), QStringLiteral("01-08-1999"));
    QCOMPARE(f.findChild<QLabel *>("AutoManFrmTime")->text(), QStringLiteral("09:09:09"));
    QCOMPARE(f.findChild<QGroupBox *>("Frame2")->title(), QStringLiteral("Start"));
    QCOMPARE(f.findChild<QGroupBox *>("Frame3")->title(), QStringLiteral("End"));
    QCOMPARE(f.findChild<QPushButton *>("AutoManFrmOk")->text(), QStringLiteral("OK"));
    QCOMPARE(f.findChild<QPushButton *>("AutoManFrmCancel")->text(), QStringLiteral("Cancel"));
    int headings = 0;
    for (const QLabel *l : f.findChildren<QLabel *>())
        headings += l->text() == QStringLiteral("  Date   --   Time");
    QCOMPARE(headings, 2);
    auto *timer = f.findChild<QTimer *>("Timer1");
    QVERIFY(timer);
    QCOMPARE(timer, f.Timer1());
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());
}

void TestAutoManFrm::ticks_data()
{
    QTest::addColumn<QStringList>("entries"); // "name=text"
    QTest::addColumn<QStringList>("clock");   // one tick per stamp
    QTest::addColumn<QString>("states");      // after each tick: R recording, S stopped
    QTest::addColumn<QString>("clicks");      // handlers run, in order

    const QStringList slot1{"StartDate1=05-04-2000", "StartTime1=10:00:00", "EndDate1=05-04-2000",
                            "EndTime1=10:05:00"};
    QTest::newRow("start at 10:00:00, stop five minutes later")
        << slot1 << QStringList{"05-04-2000 09:59:59.500", "05-04-2000 10:00:00.000",
                                "05-04-2000 10:00:00.500", "05-04-2000 10:04:59.500",
                                "05-04-2000 10:05:00.000", "05-04-2000 10:05:00.500",
                                "05-04-2000 10:05:01.000"}
        << "SRRRSSS"
        << "SP";
    QTest::newRow("same day other year never matches")
        << slot1 << QStringList{"05-04-2001 10:00:00.000", "05-04-2001 10:05:00.000"} << "SS"
        << "";
    QTest::newRow("start and end equal: stopped at the end of the tick")
        << QStringList{"StartDate1=05-04-2000", "StartTime1=10:00:00", "EndDate1=05-04-2000",
                       "EndTime1=10:00:00"}
        << QStringList{"05-04-2000 10:00:00.000", "05-04-2000 10:00:00.500"} << "SS"
        << "SPSP";
    QTest::newRow("end of slot 1 equals start of slot 2: started")
        << QStringList{"StartDate1=05-04-2000", "StartTime1=09:00:00",   "EndDate1=05-04-2000",
                       "EndTime1=10:00:00",     "StartDate2=05-04-2000", "StartTime2=10:00:00"}
        << QStringList{"05-04-2000 09:00:00.000", "05-04-2000 10:00:00.000"} << "RR"
        << "SPS";
    QTest::newRow("date without leading zeros never matches")
        << QStringList{"StartDate1=5-4-2000", "StartTime1=10:00:00"}
        << QStringList{"05-04-2000 10:00:00.000", "05-04-2000 10:00:00.500"} << "SS"
        << "";
    QTest::newRow("slot 5 alone") << QStringList{"StartDate5=12-31-2026", "StartTime5=23:59:59",
                                                 "EndDate5=01-01-2027", "EndTime5=00:00:00"}
                                  << QStringList{"12-31-2026 23:59:59.000",
                                                 "01-01-2027 00:00:00.000"}
                                  << "RS"
                                  << "SP";
    QTest::newRow("time on the 12-hour clock never matches")
        << QStringList{"StartDate1=05-04-2000", "StartTime1=02:00:00"}
        << QStringList{"05-04-2000 14:00:00.000"} << "S"
        << "";
}

void TestAutoManFrm::ticks()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, clock);
    QFETCH(QString, states);
    QFETCH(QString, clicks);

    Module1 m;
    QDateTime now;
    m.Clock = [&] { return now; };
    ControlFrame c;
    c.AutoCom->setChecked(true);
    AutoManFrm f(m, c.StartCom, c.StopCom, c.AutoCom);
    for (const QString &entry : entries)
        Type(f, entry.section(u'=', 0, 0), entry.section(u'=', 1));

    QString seen;
    for (const QString &stamp : clock) {
        now = At(stamp);
        f.Timer1_Timer();
        QCOMPARE(f.findChild<QLabel *>("AutoManFrmDate")->text(), stamp.left(10));
        QCOMPARE(f.findChild<QLabel *>("AutoManFrmTime")->text(), stamp.mid(11, 8));
        QCOMPARE(c.StartCom->isChecked(), !c.StopCom->isChecked());
        seen += c.Recording() ? u'R' : u'S';
    }
    QCOMPARE(seen, states);
    QCOMPARE(c.clicks, clicks);
}

void TestAutoManFrm::nothingWhileAutoIsOff()
{
    Module1 m;
    QDateTime now = At("05-04-2000 10:00:00.000");
    m.Clock = [&] { return now; };
    ControlFrame c;
    AutoManFrm f(m, c.StartCom, c.StopCom, c.AutoCom);
    Type(f, "StartDate1", "05-04-2000");
    Type(f, "StartTime1", "10:00:00");
    f.Timer1_Timer();
    // The clock labels still follow the clock.
    QCOMPARE(f.findChild<QLabel *>("AutoManFrmTime")->text(), QStringLiteral("10:00:00"));
    QVERIFY(!c.Recording());
    QCOMPARE(c.clicks, QString());
}

void TestAutoManFrm::runsWhileHidden()
{
    Module1 m;
    QDateTime now = At("05-04-2000 09:59:59.000");
    m.Clock = [&] { return now; };
    ControlFrame c;
    c.AutoCom->setChecked(true);
    AutoManFrm f(m, c.StartCom, c.StopCom, c.AutoCom);
    Type(f, "StartDate1", "05-04-2000");
    Type(f, "StartTime1", "10:00:00");
    Type(f, "EndDate1", "05-04-2000");
    Type(f, "EndTime1", "10:05:00");
    QVERIFY(!f.isVisible());
    f.Timer1()->start(); // as the main window does when AUTO is ticked

    QTRY_COMPARE(f.findChild<QLabel *>("AutoManFrmTime")->text(), QStringLiteral("09:59:59"));
    QVERIFY(!c.Recording());
    now = At("05-04-2000 10:00:00.000");
    QTRY_VERIFY(c.Recording());
    now = At("05-04-2000 10:05:00.000");
    QTRY_VERIFY(!c.Recording());
    QCOMPARE(c.clicks, QStringLiteral("SP"));
    QVERIFY(!f.isVisible());
}

void TestAutoManFrm::okKeepsScheduleRunning()
{
    Module1 m;
    ControlFrame c;
    c.AutoCom->setChecked(true);
    AutoManFrm f(m, c.StartCom, c.StopCom, c.AutoCom);
    f.Timer1()->start();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    Type(f, "StartDate3", "05-04-2000");
    f.findChild<QPushButton *>("AutoManFrmOk")->click();
    QVERIFY(!f.isVisible());
    QVERIFY(c.AutoCom->isChecked());
    QVERIFY(f.Timer1()->isActive());
    QCOMPARE(f.Entries()[2].StartDate, QStringLiteral("05-04-2000"));
}

void TestAutoManFrm::cancelSwitchesOff_data()
{
    QTest::addColumn<int>("how"); // 0 Cancel button, 1 close box, 2 Escape
    QTest::newRow("Cancel") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Escape") << 2;
}

void TestAutoManFrm::cancelSwitchesOff()
{
    QFETCH(int, how);
    Module1 m;
    ControlFrame c;
    c.AutoCom->setChecked(true);
    auto *f = new AutoManFrm(m, c.StartCom, c.StopCom, c.AutoCom);
    QPointer<AutoManFrm> window(f);
    // The main window's AUTO handler: unticked -> stop the timer, discard the window.
    int switchedOff = 0;
    connect(c.AutoCom, &QCheckBox::toggled, this, [&](bool on) {
        if (on || !window)
            return;
        ++switchedOff;
        window->Timer1()->stop();
        window->deleteLater();
    });
    f->Timer1()->start();
    f->show();
    QVERIFY(QTest::qWaitForWindowActive(f));
    Type(*f, "StartDate1", "05-04-2000");

    if (how == 0)
        f->findChild<QPushButton *>("AutoManFrmCancel")->click();
    else if (how == 1)
        f->close();
    else
        QTest::keyClick(f, Qt::Key_Escape);

    QVERIFY(!c.AutoCom->isChecked());
    QCOMPARE(switchedOff, 1);
    QTRY_VERIFY(!window); // discarded with its entries
}

void TestAutoManFrm::autoSwitchDiscardsEntries()
{
    Module1 m;
    QDateTime now = At("05-04-2000 10:00:00.000");
    m.Clock = [&] { return now; };
    ControlFrame c;
    QPointer<AutoManFrm> window;
    connect(c.AutoCom, &QCheckBox::toggled, this, [&] {
        AutoManFrm::SwitchSchedule(window, m, c.StartCom, c.StopCom, c.AutoCom, &c.frame);
    });

    // Ticking AUTO shows the window modally; the entries are typed and OK hides it.
    bool sawEmptyEntries = false;
    QTimer::singleShot(50, this, [&] {
        QVERIFY(window && window->isVisible());
        sawEmptyEntries = window->Entries()[0].StartDate.isEmpty();
        Type(*window, "StartDate1", "05-04-2000");
        Type(*window, "StartTime1", "10:00:00");
        window->findChild<QPushButton *>("AutoManFrmOk")->click();
    });
    c.AutoCom->setChecked(true); // returns once the window is hidden
    QVERIFY(sawEmptyEntries);
    QCOMPARE(c.AutoCom->text(), QStringLiteral("MAN"));
    QVERIFY(window && !window->isVisible());
    QVERIFY(window->Timer1()->isActive());
    QTRY_VERIFY(c.Recording()); // the hidden schedule starts recording

    // Switching AUTO off discards the window and what was typed in it.
    c.AutoCom->setChecked(false);
    QCOMPARE(c.AutoCom->text(), QStringLiteral("AUTO"));
    QVERIFY(!window);

    QTimer::singleShot(50, this, [&] {
        QVERIFY(window && window->isVisible());
        sawEmptyEntries =
            window->Entries()[0].StartDate.isEmpty() && window->Entries()[0].StartTime.isEmpty();
        window->findChild<QPushButton *>("AutoManFrmCancel")->click();
    });
    sawEmptyEntries = false;
    c.AutoCom->setChecked(true);
    QVERIFY(sawEmptyEntries);
    // Cancel unticked AUTO, which discarded the window.
    QVERIFY(!c.AutoCom->isChecked());
    QCOMPARE(c.AutoCom->text(), QStringLiteral("AUTO"));
    QTRY_VERIFY(!window);
}

QTEST_MAIN(TestAutoManFrm)
#include "tst_automanfrm.moc"
