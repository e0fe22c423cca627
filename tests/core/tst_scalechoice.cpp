#include "graph/ScaleChoice.h"

#include <QTest>

using namespace kst;
using Field = ScaleChoice::Field;

class TestScaleChoice : public QObject {
    Q_OBJECT
private slots:
    void checks_data();
    void checks();
};

void TestScaleChoice::checks_data()
{
    // what|top|low|interval|verdict. what: T, L, I for leaving a field; M (manual) or R (meter
    // range) for OK. verdict: N "not numeric", O "limit order", S "span", empty for nothing
    // reported; for OK the refused field and its verdict ("T N"), or the accepted "top low span".
    QTest::addColumn<QString>("row");
    for (const char *row : {"T|abc|-400|1|N", "L|+400||1|N", "L|10|10.0|1|O", "T|-500|-400|1|O",
                            "T|5|abc|1|",  // the other box is reported when it is left
                            "T|1e40|0|1|", // too large for a single: silent when left
                            "I|||0.999|S", "I|||1.5|", "M|5|-5|100|5 -5 100",
                            "R|abc|10|2.9|0 0 2", // meter range: the limits are not read
                            "M|10|10|100|T O",
                            "M|x|-5|0|T N",      // limits before the span
                            "M|1e39|-5|100|T N", // OK refuses what it cannot keep
                            "R|||0.5|I S", "R|||1e12|I N"})
        QTest::newRow(row) << QString::fromLatin1(row);
}

void TestScaleChoice::checks()
{
    QFETCH(QString, row);
    const QStringList f = row.split(u'|');
    const QString what = f[0];
    const auto message = [](QStringView code) {
        return code == u"N"   ? QStringLiteral("Input Error! Please input Numeric")
               : code == u"O" ? QStringLiteral("Input error,Please input again")
               : code == u"S" ? QStringLiteral("Input Error! Please input again")
                              : QString();
    };
    const auto field = [](QStringView code) {
        return code == u"T" ? Field::TopY : code == u"L" ? Field::LowY : Field::Interval;
    };
    if (what == u"T" || what == u"L" || what == u"I") {
        QCOMPARE(ScaleFieldWarning(field(what), f[1], f[2], f[3]), message(f[4]));
        return;
    }
    const ScaleChoice choice = ChooseScale(what == u"M", f[1], f[2], f[3]);
    const QStringList expected = f[4].split(u' ');
    if (expected.size() == 2) {
        QCOMPARE(choice.refused, field(expected[0]));
        QCOMPARE(choice.message, message(expected[1]));
    } else {
        QCOMPARE(choice.refused, Field::None);
        QCOMPARE(choice.topY, expected[0].toFloat());
        QCOMPARE(choice.lowY, expected[1].toFloat());
        QCOMPARE(choice.span, expected[2].toInt());
    }
}

QTEST_GUILESS_MAIN(TestScaleChoice)
#include "tst_scalechoice.moc"
