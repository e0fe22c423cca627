#include "graph/ui/ScallFrm.h"

#include "MessageCatcher.h"
#include "common/ui/Module1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace kst;
using kst::test::MessageCatcher;

namespace {

// The scale window shown, with its controls.
struct Window {
    explicit Window(Module1 &m) : f(m)
    {
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
    }
    template <typename T> T *Find(const char *name) { return f.findChild<T *>(name); }
    QLineEdit *Box(const char *name) { return Find<QLineEdit>(name); }
    void Type(const char *name, const QString &text) { Box(name)->setText(text); }
    QList<double> Targets(const Module1 &m) const
    {
        return {m.GraphTopY,      m.GraphLowY,      double(m.GraphXSpan),
                m.PrintGraphTopY, m.PrintGraphLowY, double(m.PrintGraphXSpan)};
    }
    ScallFrm f;
};

} // namespace

class TestScallFrm : public QObject {
    Q_OBJECT
private slots:
    void leavingABadFieldWarnsOnce();
    void okWritesTheCallersScale_data();
    void okWritesTheCallersScale();
    void cancelKeepsTheChoices_data();
    void cancelKeepsTheChoices();
};

void TestScallFrm::leavingABadFieldWarnsOnce()
{
    Module1 m;
    MessageCatcher catcher(m);
    Window w(m);
    QVERIFY(!w.Box("TopYText")->isEnabled()); // meter range: the limits are off
    w.Find<QRadioButton>("ManOption")->click();
    w.Type("TopYText", "abc");
    w.Type("LowYText", "xyz");
    w.Box("TopYText")->setFocus(Qt::TabFocusReason);
    // From one bad box straight into another: one warning, the focus back in the first with
    // its text selected, and putting it back is not leaving the second.
    w.Box("LowYText")->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(catcher.Texts(), QStringList{"Input Error! Please input Numeric"});
    QCOMPARE(catcher.Messages()[0].Title, QStringLiteral("Warning"));
    QCOMPARE(catcher.Messages()[0].Icon, MessageIcon::Warning);
    QCOMPARE(QApplication::focusWidget(), w.Box("TopYText"));
    QCOMPARE(w.Box("TopYText")->selectedText(), QStringLiteral("abc"));
    QTest::qWait(100);
    QCOMPARE(catcher.Messages().size(), 1);
    // A click into a field selects its whole text.
    QLineEdit *interval = w.Box("Interval");
    w.Type("TopYText", "5");
    QTest::mouseClick(interval, Qt::LeftButton, {}, interval->rect().center());
    QTRY_COMPARE(interval->selectedText(), QStringLiteral("100"));
}

void TestScallFrm::okWritesTheCallersScale_data()
{
    QTest::addColumn<bool>("fromMain");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QList<double>>("targets"); // Graph top, low, span; Print top, low, span
    QTest::newRow("from the main window") << true << "2.9" << QList<double>{5, -5, 2, 2, -2, 9};
    QTest::newRow("from the print window") << false << "100" << QList<double>{1, -1, 9, 5, -5, 100};
    QTest::newRow("refused: nothing written") << true << "0.5" << QList<double>{1, -1, 9, 2, -2, 9};
}

void TestScallFrm::okWritesTheCallersScale()
{
    QFETCH(bool, fromMain);
    QFETCH(QString, interval);
    QFETCH(QList<double>, targets);
    Module1 m;
    m.GraphTopY = 1, m.GraphLowY = -1, m.GraphXSpan = 9;
    m.PrintGraphTopY = 2, m.PrintGraphLowY = -2, m.PrintGraphXSpan = 9;
    MessageCatcher catcher(m);
    Window w(m);
    if (!fromMain)
        w.f.SetTarget({&m.PrintGraphTopY, &m.PrintGraphLowY, &m.PrintGraphXSpan});
    QSignalSpy applied(&w.f, &ScallFrm::ScaleApplied);
    w.Find<QRadioButton>("ManOption")->click();
    w.Type("TopYText", "5");
    w.Type("LowYText", "-5");
    w.Type("Interval", interval);
    w.Find<QPushButton>("OkCommand")->click();
    QCOMPARE(w.Targets(m), targets);
    const bool refused = !catcher.Messages().isEmpty();
    QCOMPARE(w.f.isVisible(), refused);
    QCOMPARE(applied.size(), refused ? 0 : 1);
    if (refused)
        QTRY_COMPARE(QApplication::focusWidget(), w.Box("Interval"));
}

void TestScallFrm::cancelKeepsTheChoices_data()
{
    QTest::addColumn<int>("how"); // 0 Cancel, 1 close box, 2 Escape
    QTest::newRow("Cancel") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Escape") << 2;
}

void TestScallFrm::cancelKeepsTheChoices()
{
    QFETCH(int, how);
    Module1 m;
    Window w(m);
    w.Find<QRadioButton>("ManOption")->click();
    w.Type("Interval", "7");
    w.Find<QCheckBox>("CheckOL")->click();
    QVERIFY(m.StopOnOverload); // at once, before the window closes
    if (how == 0)
        w.Find<QPushButton>("CancelCommand")->click();
    else if (how == 1)
        w.f.close();
    else
        QTest::keyClick(&w.f, Qt::Key_Escape);
    QTRY_VERIFY(!w.f.isVisible());
    QCOMPARE(m.GraphXSpan, 100);
    // The range option is in force and the texts are there at the next opening.
    QVERIFY(!w.f.MeterRangeSelected());
    QCOMPARE(w.f.Texts().interval, QStringLiteral("7"));
    QVERIFY(w.f.Texts().stopOnOverload);
}

QTEST_MAIN(TestScallFrm)
#include "tst_scallfrm.moc"
