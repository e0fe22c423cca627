#include "record/UnitConversion.h"

#include <QTest>

using namespace kst;

class TestUnitConversion : public QObject {
    Q_OBJECT
private slots:
    void convert_data();
    void convert();
    void trimsCallersTexts();
};

void TestUnitConversion::convert_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<float>("expected");
    // Every unit of the table against its base unit, both ways.
    const struct {
        const char16_t *unit;
        double factor;
        const char16_t *base;
    } units[] = {
        {u"nF", 1e-3, u"μF"},    {u"μF", 1, u"μF"},       {u"DCμA", 1e-6, u"DCA"},
        {u"ACμA", 1e-6, u"DCA"}, {u"DCmA", 1e-3, u"DCA"}, {u"DCmV", 1e-3, u"DCV"},
        {u"ACmA", 1e-3, u"DCA"}, {u"ACmV", 1e-3, u"DCV"}, {u"DCA", 1, u"ACA"},
        {u"DCV", 1, u"ACV"},     {u"ACA", 1, u"DCA"},     {u"ACV", 1, u"DCV"},
        {u"V", 1, u"DCV"},       {u"Ω", 1, u"Ω"},         {u"Hz", 1, u"Hz"},
        {u"KΩ", 1e3, u"Ω"},      {u"KHz", 1e3, u"Hz"},    {u"MΩ", 1e6, u"Ω"},
        {u"MHz", 1e6, u"Hz"},
    };
    for (const auto &u : units) {
        const QString unit = QString::fromUtf16(u.unit);
        QTest::addRow("%s to base", qPrintable(unit))
            << 2.5f << unit << QString::fromUtf16(u.base) << float(2.5 * u.factor);
        QTest::addRow("base to %s", qPrintable(unit))
            << 5.0f << QString::fromUtf16(u.base) << unit << float(5.0 / u.factor);
    }
    QTest::newRow("470 nF") << 470.0f << "nF"
                            << "μF" << 0.47f;
    QTest::newRow("3 MΩ in KΩ") << 3.0f << "MΩ"
                                << "KΩ" << 3000.0f;
    QTest::newRow("ACmA to DCA") << 250.0f << "ACmA"
                                 << "DCA" << 0.25f;
    QTest::newRow("to empty keeps base") << 7.0f << "DCV"
                                         << "" << 7.0f;
    QTest::newRow("from empty is zero") << 7.0f << ""
                                        << "DCV" << 0.0f;
    QTest::newRow("mV without prefix unknown") << 7.0f << "mV"
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
    QCOMPARE(NormalizeUnitValue(value, from, to), expected);
}

void TestUnitConversion::trimsCallersTexts()
{
    QString from = QStringLiteral(" KΩ");
    QString to = QStringLiteral("Ω  ");
    QCOMPARE(NormalizeUnitValue(1.5f, from, to), 1500.0f);
    QCOMPARE(from, QStringLiteral("KΩ"));
    QCOMPARE(to, QStringLiteral("Ω"));
}

QTEST_GUILESS_MAIN(TestUnitConversion)
#include "tst_unitconversion.moc"
