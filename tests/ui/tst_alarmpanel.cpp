#include "record/ui/AlarmPanel.h"

#include "MessageCatcher.h"
#include "common/ui/Module1.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace kst;
using kst::test::MessageCatcher;

namespace {

QColor Colour(QWidget *widget)
{
    return widget->palette().color(widget->foregroundRole());
}

} // namespace

class TestAlarmPanel : public QObject {
    Q_OBJECT
private slots:
    void limits_data();
    void limits();
    void leavingABadLimitWarns();
    void shippedSoundPlaysWithoutWaiting();
};

void TestAlarmPanel::limits_data()
{
    QTest::addColumn<bool>("high");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QString>("colours"); // after each frame: R red, B black, D design blue
    QTest::newRow("high: at, above, over range, below")
        << true << "+400" << QList<float>{400, 400.1f, 4000, 0} << "BRRB";
    QTest::newRow("low: at, below") << false << "-400" << QList<float>{-400, -400.5f} << "BR";
    QTest::newRow("limit with exponent") << true << " 1.5E2 " << QList<float>{150.5f} << "R";
    QTest::newRow("a limit that is not a number is off")
        << true << "abc" << QList<float>{1e9f} << "D";
}

void TestAlarmPanel::limits()
{
    QFETCH(bool, high);
    QFETCH(QString, limit);
    QFETCH(QList<float>, values);
    QFETCH(QString, colours);
    Module1 m;
    AlarmPanel panel(m);
    int plays = 0;
    panel.SetSoundPlayer([&] { ++plays; });
    AlarmSettings settings = panel.Settings();
    (high ? settings.highText : settings.lowText) = limit;
    settings.high = settings.low = true;
    panel.SetSettings(settings);
    auto *box = panel.findChild<QCheckBox *>(high ? "AlarmH" : "AlarmL");
    auto *text = panel.findChild<QLineEdit *>(high ? "AlarmHText" : "AlarmLText");
    QString seen;
    for (float v : values) {
        high ? panel.CheckHighAlarm(v) : panel.CheckLowAlarm(v);
        seen += Colour(box) == AlarmPanel::AlarmColour    ? u'R'
                : Colour(box) == AlarmPanel::NormalColour ? u'B'
                                                          : u'D';
    }
    QCOMPARE(seen, colours);
    QCOMPARE(plays, int(colours.count(u'R'))); // every crossing frame starts the sound again
    QCOMPARE(Colour(text) == AlarmPanel::AlarmColour, seen.endsWith(u'R'));
    // Unticking a tripped box turns it black at once.
    if (seen.endsWith(u'R')) {
        box->setChecked(false);
        QCOMPARE(Colour(box), AlarmPanel::NormalColour);
        QCOMPARE(Colour(text), AlarmPanel::NormalColour);
    }
}

void TestAlarmPanel::leavingABadLimitWarns()
{
    Module1 m;
    MessageCatcher catcher(m);
    QWidget window;
    auto *panel = new AlarmPanel(m, &window);
    auto *elsewhere = new QLineEdit(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(panel);
    layout->addWidget(elsewhere);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *text = panel->findChild<QLineEdit *>("AlarmHText");
    text->setFocus(Qt::TabFocusReason);
    QCOMPARE(text->selectedText(), QStringLiteral("+400"));
    // Every time a bad limit is left it is refused; a number is let go.
    for (const char *typed : {"abc", "1x", "-1.5e1"}) {
        text->setText(QString::fromLatin1(typed));
        elsewhere->setFocus(Qt::TabFocusReason);
        QTest::qWait(50);
        QTRY_COMPARE(QApplication::focusWidget(), typed[0] == '-' ? elsewhere : text);
    }
    QCOMPARE(catcher.Texts(), QStringList(2, "Data Error!Input again"));
    QCOMPARE(catcher.Messages()[0].Title, QStringLiteral("Warning"));
}

void TestAlarmPanel::shippedSoundPlaysWithoutWaiting()
{
    // The build puts "ding.wav" next to the programs, where the panel looks for it.
    Module1 m;
    m.ProgramFolder = QCoreApplication::applicationDirPath();
    AlarmPanel panel(m);
    QFile file(panel.SoundPath());
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(panel.SoundPath()));
    // Played by the default player twice in a row, on a machine that may have no sound device.
    panel.findChild<QCheckBox *>("AlarmH")->setChecked(true);
    QElapsedTimer clock;
    clock.start();
    panel.CheckHighAlarm(999);
    panel.CheckHighAlarm(999);
    QCOMPARE(panel.SoundStarts(), 2);
    QVERIFY(clock.elapsed() < 300); // the sound is not waited for
    QTest::qWait(100);
}

QTEST_MAIN(TestAlarmPanel)
#include "tst_alarmpanel.moc"
