#include "record/UnitConversion.h"

#include <QTest>

using namespace kst;

class TestUnitConversion : public QObject {
    Q_OBJECT
private slots:
    void convert_data();
    void convert();
};

void TestUnitConversion::convert_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<float>("expected");
    QTest::newRow("mega to kilo") << 3.0f << u"MΩ"_qs << u"KΩ"_qs << 3000.0f;
    QTest::newRow("micro to base, AC and DC alike") << 2.5f << u"DCμA"_qs << u"ACA"_qs << 2.5e-6f;
    QTest::newRow("blanks trimmed") << 1.5f << u" KΩ"_qs << u"Ω  "_qs << 1500.0f;
    QTest::newRow("unknown target keeps base") << 7.0f << u"KHz"_qs << u""_qs << 7000.0f;
    QTest::newRow("unknown source is zero") << 7.0f << u"mV"_qs << u"DCV"_qs << 0.0f;
    QTest::newRow("case matters") << 7.0f << u"dcv"_qs << u"DCV"_qs << 0.0f;
}

void TestUnitConversion::convert()
{
    QFETCH(float, value);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(float, expected);
    QString fromText = from, toText = to;
    QCOMPARE(NormalizeUnitValue(value, fromText, toText), expected);
    QCOMPARE(fromText, from.trimmed()); // the caller's texts are left trimmed
    QCOMPARE(toText, to.trimmed());
}

QTEST_GUILESS_MAIN(TestUnitConversion)
#include "tst_unitconversion.moc"
