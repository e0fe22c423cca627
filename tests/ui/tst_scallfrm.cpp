#include "graph/ScallFrm.h"

#include "MessageCatcher.h"
#include "common/Module1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kst;
using kst::test::MessageCatcher;

namespace {

const QString Numeric = QStringLiteral("Input Error! Please input Numeric");
const QString Order = QStringLiteral("Input error,Please input again");
const QString Span = QStringLiteral("Input Error! Please input again");

// A module whose scale values differ from every value typed below, so a write shows.
void MarkTargets(Module1 &m)
{
    m.GraphTopY = 11;
    m.GraphLowY = -11;
    m.GraphXSpan = 33;
    m.PrintGraphTopY = 22;
    m.PrintGraphLowY = -22;
    m.PrintGraphXSpan = 44;
}

struct Controls {
    explicit Controls(ScallFrm &f)
        : meter(f.findChild<QRadioButton *>("MeterOption")),
          man(f.findChild<QRadioButton *>("ManOption")), top(f.findChild<QLineEdit *>("TopYText")),
          low(f.findChild<QLineEdit *>("LowYText")), interval(f.findChild<QLineEdit *>("Interval")),
          checkOL(f.findChild<QCheckBox *>("CheckOL")), ok(f.findChild<QPushButton *>("OkCommand")),
          cancel(f.findChild<QPushButton *>("CancelCommand"))
    {
    }
    bool AllFound() const
    {
        return meter && man && top && low && interval && checkOL && ok && cancel;
    }
    QLineEdit *Box(const QString &name) const
    {
        return name == u"TopYText" ? top : name == u"LowYText" ? low : interval;
    }
    QRadioButton *meter, *man;
    QLineEdit *top, *low, *interval;
    QCheckBox *checkOL;
    QPushButton *ok, *cancel;
};

} // namespace

class TestScallFrm : public QObject {
    Q_OBJECT
private slots:
    void firstOpening();
    void leavingAField_data();
    void leavingAField();
    void twoBadFieldsDoNotBounce();
    void enteringSelectsWholeText_data();
    void enteringSelectsWholeText();
    void okCommand_data();
    void okCommand();
    void cancelKeepsOptionsAndTexts_data();
    void cancelKeepsOptionsAndTexts();
};

void TestScallFrm::firstOpening()
{
    Module1 m;
    ScallFrm f(m);
    Controls c(f);
    QVERIFY(c.AllFound());
    QCOMPARE(f.objectName(), QStringLiteral("ScallFrm"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Scall"));
    QVERIFY(c.meter->isChecked());
    QVERIFY(f.MeterRangeSelected());
    QVERIFY(!c.top->isEnabled());
    QVERIFY(!c.low->isEnabled());
    QCOMPARE(c.top->text(), QStringLiteral("+400"));
    QCOMPARE(c.low->text(), QStringLiteral("-400"));
    QCOMPARE(c.interval->text(), QStringLiteral("100"));
    QVERIFY(!c.checkOL->isChecked());
    QCOMPARE(c.meter->text(), QStringLiteral("Meter Range"));
    QCOMPARE(c.man->text(), QStringLiteral("Man Range"));
    QCOMPARE(c.checkOL->text(), QStringLiteral("Stop Record if OL Input"));
    QCOMPARE(c.ok->text(), QStringLiteral("OK"));
    QCOMPARE(c.cancel->text(), QStringLiteral("Cancel"));
    QStringList frames;
    for (const QGroupBox *g : f.findChildren<QGroupBox *>())
        frames.append(g->title());
    frames.sort();
    QCOMPARE(frames, (QStringList{"X-axis", "Y-axis"}));
    QStringList labels;
    for (const QLabel *l : f.findChildren<QLabel *>())
        labels.append(l->text());
    for (const char *text : {"High Limit:", "Low Limit:", "Second:"})
        QVERIFY2(labels.contains(QLatin1String(text)), text);
    QVERIFY(f.findChild<QLabel *>("Label1")->text().contains("High Limit > Low Limit"));

    // The limit boxes follow the range option.
    c.man->click();
    QVERIFY(c.top->isEnabled() && c.low->isEnabled());
    QVERIFY(!f.MeterRangeSelected());
    c.meter->click();
    QVERIFY(!c.top->isEnabled() && !c.low->isEnabled());
}

void TestScallFrm::leavingAField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("message"); // empty: nothing reported, focus moves on

    QTest::newRow("high not a number") << "TopYText"
                                       << "abc"
                                       << "-400"
                                       << "100" << Numeric;
    QTest::newRow("high empty") << "TopYText"
                                << ""
                                << "-400"
                                << "100" << Numeric;
    QTest::newRow("low not a number") << "LowYText"
                                      << "+400"
                                      << "1x"
                                      << "100" << Numeric;
    QTest::newRow("high equals low, leaving high") << "TopYText"
                                                   << "10"
                                                   << "10"
                                                   << "100" << Order;
    QTest::newRow("high equals low, leaving low") << "LowYText"
                                                  << "10"
                                                  << "10.0"
                                                  << "100" << Order;
    QTest::newRow("low above high") << "LowYText"
                                    << "+400"
                                    << "500"
                                    << "100" << Order;
    QTest::newRow("high below low") << "TopYText"
                                    << "-500"
                                    << "-400"
                                    << "100" << Order;
    QTest::newRow("span not a number") << "Interval"
                                       << "+400"
                                       << "-400"
                                       << "1O0" << Numeric;
    QTest::newRow("span empty") << "Interval"
                                << "+400"
                                << "-400"
                                << "" << Numeric;
    QTest::newRow("span 0.5") << "Interval"
                              << "+400"
                              << "-400"
                              << "0.5" << Span;
    QTest::newRow("span negative") << "Interval"
                                   << "+400"
                                   << "-400"
                                   << "-3" << Span;
    QTest::newRow("span 0.999") << "Interval"
                                << "+400"
                                << "-400"
                                << "0.999" << Span;

    QTest::newRow("good limits") << "TopYText"
                                 << "5"
                                 << "-5"
                                 << "100" << QString();
    QTest::newRow("exponent and blanks") << "LowYText"
                                         << " 1e3 "
                                         << "-2.5E2"
                                         << "100" << QString();
    QTest::newRow("other box bad is not reported here") << "TopYText"
                                                        << "5"
                                                        << "abc"
                                                        << "100" << QString();
    QTest::newRow("span 1") << "Interval"
                            << "+400"
                            << "-400"
                            << "1" << QString();
    QTest::newRow("span 1.5") << "Interval"
                              << "+400"
                              << "-400"
                              << "1.5" << QString();
    QTest::newRow("high too large for a single: silent") << "TopYText"
                                                         << "1e40"
                                                         << "-400"
                                                         << "100" << QString();
}

void TestScallFrm::leavingAField()
{
    QFETCH(QString, field);
    QFETCH(QString, top);
    QFETCH(QString, low);
    QFETCH(QString, interval);
    QFETCH(QString, message);

    Module1 m;
    ScallFrm f(m);
    Controls c(f);
    QVERIFY(c.AllFound());
    c.man->click();
    c.top->setText(top);
    c.low->setText(low);
    c.interval->setText(interval);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));

    MessageCatcher catcher;
    QLineEdit *box = c.Box(field);
    box->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), box);
    // Leave the field the way a user does: the focus goes elsewhere in the window.
    c.checkOL->setFocus(Qt::TabFocusReason);

    if (message.isEmpty()) {
        QTest::qWait(100);
        QCOMPARE(catcher.Texts(), QStringList());
        QCOMPARE(QApplication::focusWidget(), c.checkOL);
    } else {
        QTRY_COMPARE(catcher.Texts(), QStringList{message});
        QCOMPARE(catcher.Messages().first().Title, QStringLiteral("Warning"));
        QCOMPARE(catcher.Messages().first().Icon, QMessageBox::Warning);
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QCOMPARE(box->selectedText(), box->text());
        QTest::qWait(100);
        QCOMPARE(catcher.Messages().size(), 1);
    }
    QVERIFY(f.isVisible());
    // Leaving a field never writes the scale.
    QCOMPARE(m.GraphTopY, 400.0f);
    QCOMPARE(m.GraphXSpan, 100);
}

void TestScallFrm::twoBadFieldsDoNotBounce()
{
    Module1 m;
    ScallFrm f(m);
    Controls c(f);
    c.man->click();
    c.top->setText("abc");
    c.low->setText("xyz");
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    MessageCatcher catcher;

    c.top->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), c.top);
    c.low->setFocus(Qt::TabFocusReason); // from one bad box straight into another
    QTRY_COMPARE(catcher.Texts(), QStringList{Numeric});
    QTRY_COMPARE(QApplication::focusWidget(), c.top);
    QTest::qWait(200);
    // Putting the focus back into the high box is not the user leaving the low one.
    QCOMPARE(catcher.Messages().size(), 1);
    QCOMPARE(QApplication::focusWidget(), c.top);

    // The low box is reported when the user leaves it.
    c.top->setText("5");
    c.low->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), c.low);
    QTest::qWait(50);
    QCOMPARE(catcher.Messages().size(), 1);
    c.checkOL->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(catcher.Texts(), (QStringList{Numeric, Numeric}));
    QTRY_COMPARE(QApplication::focusWidget(), c.low);
}

void TestScallFrm::enteringSelectsWholeText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("byMouse");
    for (const char *field : {"TopYText", "LowYText", "Interval"}) {
        QTest::addRow("%s by tab", field) << QString::fromLatin1(field) << false;
        QTest::addRow("%s by mouse", field) << QString::fromLatin1(field) << true;
    }
}

void TestScallFrm::enteringSelectsWholeText()
{
    QFETCH(QString, field);
    QFETCH(bool, byMouse);
    Module1 m;
    ScallFrm f(m);
    Controls c(f);
    c.man->click();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QLineEdit *box = c.Box(field);
    box->setText(QStringLiteral("-123.5"));
    box->deselect();
    if (byMouse) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
    } else {
        box->setFocus(Qt::OtherFocusReason);
    }
    QTRY_COMPARE(QApplication::focusWidget(), box);
    QTRY_COMPARE(box->selectedText(), QStringLiteral("-123.5"));
}

void TestScallFrm::okCommand_data()
{
    QTest::addColumn<bool>("fromMain");
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("message"); // empty: applied and hidden
    QTest::addColumn<QString>("focus");   // field given the focus after a refusal
    // Expected targets afterwards: Graph top, low, span, Print top, low, span.
    QTest::addColumn<QList<double>>("targets");

    const QList<double> untouched{11, -11, 33, 22, -22, 44};
    QTest::newRow("manual from main window")
        << true << true << "5"
        << "-5"
        << "100" << QString() << QString() << QList<double>{5, -5, 100, 22, -22, 44};
    QTest::newRow("manual from print window")
        << false << true << "5"
        << "-5"
        << "100" << QString() << QString() << QList<double>{11, -11, 33, 5, -5, 100};
    QTest::newRow("meter range leaves limits alone")
        << true << false << "+400"
        << "-400"
        << "250" << QString() << QString() << QList<double>{11, -11, 250, 22, -22, 44};
    QTest::newRow("meter range does not read bad limit texts")
        << true << false << "abc"
        << "10"
        << "250" << QString() << QString() << QList<double>{11, -11, 250, 22, -22, 44};
    QTest::newRow("span 2.9 stored as 2")
        << true << false << "+400"
        << "-400"
        << "2.9" << QString() << QString() << QList<double>{11, -11, 2, 22, -22, 44};
    QTest::newRow("span 2.9 for the print window")
        << false << false << "+400"
        << "-400"
        << "2.9" << QString() << QString() << QList<double>{11, -11, 33, 22, -22, 2};
    QTest::newRow("single precision limits")
        << true << true << "0.1"
        << "-1e-3"
        << "7" << QString() << QString()
        << QList<double>{double(0.1f), double(-1e-3f), 7, 22, -22, 44};
    QTest::newRow("span 0.5 refused") << true << false << "+400"
                                      << "-400"
                                      << "0.5" << Span << "Interval" << untouched;
    QTest::newRow("equal limits refused") << true << true << "10"
                                          << "10"
                                          << "100" << Order << "TopYText" << untouched;
    QTest::newRow("high not a number refused") << true << true << "x"
                                               << "-5"
                                               << "100" << Numeric << "TopYText" << untouched;
    QTest::newRow("low not a number refused") << false << true << "5"
                                              << ""
                                              << "100" << Numeric << "LowYText" << untouched;
    QTest::newRow("good limits, bad span refused") << true << true << "5"
                                                   << "-5"
                                                   << "abc" << Numeric << "Interval" << untouched;
    QTest::newRow("span too large for the graph refused")
        << true << false << "+400"
        << "-400"
        << "1e12" << Numeric << "Interval" << untouched;
    QTest::newRow("limit too large for a single refused")
        << true << true << "1e39"
        << "-5"
        << "100" << Numeric << "TopYText" << untouched;
}

void TestScallFrm::okCommand()
{
    QFETCH(bool, fromMain);
    QFETCH(bool, manual);
    QFETCH(QString, top);
    QFETCH(QString, low);
    QFETCH(QString, interval);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QList<double>, targets);

    Module1 m;
    MarkTargets(m);
    m.ScaleFromMainWindow = fromMain;
    ScallFrm f(m);
    Controls c(f);
    (manual ? c.man : c.meter)->click();
    c.top->setText(top);
    c.low->setText(low);
    c.interval->setText(interval);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    MessageCatcher catcher;

    c.ok->click();

    if (message.isEmpty()) {
        QCOMPARE(catcher.Texts(), QStringList());
        QVERIFY(!f.isVisible());
    } else {
        QCOMPARE(catcher.Texts(), QStringList{message});
        QVERIFY(f.isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), c.Box(focus));
    }
    const QList<double> actual{m.GraphTopY,      m.GraphLowY,      double(m.GraphXSpan),
                               m.PrintGraphTopY, m.PrintGraphLowY, double(m.PrintGraphXSpan)};
    QCOMPARE(actual, targets);
}

void TestScallFrm::cancelKeepsOptionsAndTexts_data()
{
    QTest::addColumn<int>("how"); // 0 Cancel button, 1 close box, 2 Escape
    QTest::newRow("Cancel") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Escape") << 2;
}

void TestScallFrm::cancelKeepsOptionsAndTexts()
{
    QFETCH(int, how);
    Module1 m;
    MarkTargets(m);
    ScallFrm f(m);
    Controls c(f);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));

    c.man->click();
    c.top->setText("5");
    c.low->setText("-5");
    c.interval->setText("7");
    c.checkOL->click();
    QVERIFY(m.StopOnOverload); // at once, before the window closes
    QVERIFY(!f.MeterRangeSelected());

    MessageCatcher catcher;
    if (how == 0)
        c.cancel->click();
    else if (how == 1)
        f.close();
    else
        QTest::keyClick(&f, Qt::Key_Escape);
    QTRY_VERIFY(!f.isVisible());
    QCOMPARE(catcher.Texts(), QStringList());

    // Nothing copied; the options stay in force and everything is there at the next opening.
    const QList<double> actual{m.GraphTopY,      m.GraphLowY,      double(m.GraphXSpan),
                               m.PrintGraphTopY, m.PrintGraphLowY, double(m.PrintGraphXSpan)};
    QCOMPARE(actual, (QList<double>{11, -11, 33, 22, -22, 44}));
    QVERIFY(m.StopOnOverload);
    QVERIFY(!f.MeterRangeSelected());
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QVERIFY(c.man->isChecked());
    QVERIFY(c.checkOL->isChecked());
    QVERIFY(c.top->isEnabled());
    QCOMPARE(c.top->text(), QStringLiteral("5"));
    QCOMPARE(c.low->text(), QStringLiteral("-5"));
    QCOMPARE(c.interval->text(), QStringLiteral("7"));

    // Unticking takes effect at once too; OK then applies the kept texts.
    c.checkOL->click();
    QVERIFY(!m.StopOnOverload);
    c.ok->click();
    QVERIFY(!f.isVisible());
    QCOMPARE(m.GraphTopY, 5.0f);
    QCOMPARE(m.GraphLowY, -5.0f);
    QCOMPARE(m.GraphXSpan, 7);
}

QTEST_MAIN(TestScallFrm)
#include "tst_scallfrm.moc"
