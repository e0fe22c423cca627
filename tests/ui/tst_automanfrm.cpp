#include "shell/AutoManFrm.h"

#include "common/ui/Module1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace kst;

namespace {

// The main window's CONTROL BUTTON frame as the schedule sees it, with the main window's AUTO
// handler; `clicks` records the START ('S') and STOP ('P') handlers that ran.
struct ControlFrame {
    explicit ControlFrame(Module1 &m)
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
        QObject::connect(AutoCom, &QCheckBox::toggled, [this, &m] {
            AutoManFrm::SwitchSchedule(window, m, StartCom, StopCom, AutoCom, &frame);
        });
    }
    void Type(const char *name, const QString &text)
    {
        window->findChild<QLineEdit *>(QLatin1String(name))->setText(text);
    }
    QWidget frame;
    QRadioButton *StartCom = new QRadioButton(QStringLiteral("START"), &frame);
    QRadioButton *StopCom = new QRadioButton(QStringLiteral("STOP"), &frame);
    QCheckBox *AutoCom = new QCheckBox(QStringLiteral("AUTO"), &frame);
    QPointer<AutoManFrm> window;
    QString clicks;
};

} // namespace

class TestAutoManFrm : public QObject {
    Q_OBJECT
private slots:
    void hiddenScheduleStartsAndStops();
    void closingSwitchesOff_data();
    void closingSwitchesOff();
};

void TestAutoManFrm::hiddenScheduleStartsAndStops()
{
    Module1 m;
    QDateTime now(QDate(2000, 5, 4), QTime(9, 59, 59));
    m.Clock = [&] { return now; };
    ControlFrame c(m);
    // Ticking AUTO shows the window modally; the entries are typed and OK hides it.
    QTimer::singleShot(50, [&] {
        c.Type("StartDate1", "05-04-2000");
        c.Type("StartTime1", "10:00:00");
        c.Type("EndDate1", "05-04-2000");
        c.Type("EndTime1", "10:05:00");
        c.window->findChild<QPushButton *>("AutoManFrmOk")->click();
    });
    c.AutoCom->setChecked(true);
    QCOMPARE(c.AutoCom->text(), QStringLiteral("MAN"));
    QVERIFY(c.window && !c.window->isVisible());
    QTRY_COMPARE(c.window->findChild<QLabel *>("AutoManFrmTime")->text(),
                 QStringLiteral("09:59:59"));
    now = now.addSecs(1);
    QTRY_VERIFY(c.StartCom->isChecked());
    now = now.addSecs(300);
    QTRY_VERIFY(c.StopCom->isChecked());
    QCOMPARE(c.clicks, QStringLiteral("SP"));
    QCOMPARE(c.window->findChild<QLabel *>("AutoManFrmDate")->text(), QStringLiteral("05-04-2000"));

    // Switching AUTO off discards the window with its entries.
    c.AutoCom->setChecked(false);
    QCOMPARE(c.AutoCom->text(), QStringLiteral("AUTO"));
    QVERIFY(!c.window);
}

void TestAutoManFrm::closingSwitchesOff_data()
{
    QTest::addColumn<int>("how"); // 0 Cancel, 1 close box, 2 Escape
    QTest::newRow("Cancel") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Escape") << 2;
}

void TestAutoManFrm::closingSwitchesOff()
{
    QFETCH(int, how);
    Module1 m;
    ControlFrame c(m);
    QTimer::singleShot(50, [&] {
        c.Type("StartDate1", "05-04-2000");
        if (how == 0)
            c.window->findChild<QPushButton *>("AutoManFrmCancel")->click();
        else if (how == 1)
            c.window->close();
        else
            QTest::keyClick(c.window, Qt::Key_Escape);
    });
    c.AutoCom->setChecked(true);
    QVERIFY(!c.AutoCom->isChecked());
    QCOMPARE(c.AutoCom->text(), QStringLiteral("AUTO"));
    QTRY_VERIFY(!c.window);
}

QTEST_MAIN(TestAutoManFrm)
#include "tst_automanfrm.moc"
