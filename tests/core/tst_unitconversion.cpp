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
    QTest::newRow("nano to micro") << 470.0f << "nF"
                                   << "μF" << 0.47f;
    QTest::newRow("mega to kilo") << 3.0f << "MΩ"
                                  << "KΩ" << 3000.0f;
    QTest::newRow("micro to base") << 2.5f << "DCμA"
                                   << "ACA" << 2.5e-6f;
    QTest::newRow("AC and DC alike") << 250.0f << "ACmA"
                                     << "DCA" << 0.25f;
    QTest::newRow("blanks trimmed") << 1.5f << " KΩ"
                                    << "Ω  " << 1500.0f;
    QTest::newRow("unknown target keeps base") << 7.0f << "KHz"
                                               << "" << 7000.0f;
    QTest::newRow("unknown source is zero") << 7.0f << ""
                                            << "DCV" << 0.0f;
    QTest::newRow("prefix without AC/DC unknown") << 7.0f << "mV"
                                                  << "DCV" << 0.0f;
    QTest::newRow("case matters") << 7.0f << "dcv"
                                  << "DCV" << 0.0f;
}

void TestUnitConversion::convert()
{
    QFETCH(float, value);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(float, expected);
    QString fromText = from, toText = to;
    QCOMPARE(NormalizeUnitValue(value, fromText, toText), expected);
    // The caller's texts are left trimmed.
    QCOMPARE(fromText, from.trimmed());
    QCOMPARE(toText, to.trimmed());
}

QTEST_GUILESS_MAIN(TestUnitConversion)
#include "tst_unitconversion.moc"
