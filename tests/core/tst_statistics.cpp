#include "common/Numbers.h"
#include "record/Statistics.h"

#include <QTest>

using namespace kst;

// One step of a statistic: the sample value, the graph unit at that moment, and what the
// statistic must hold afterwards.
struct Step {
    float v;
    QString target;
    bool taken;
    float value;
    QString unit;
};
Q_DECLARE_METATYPE(QList<Step>)

class TestStatistics : public QObject {
    Q_OBJECT
private slots:
    void maximum_data();
    void maximum();
    void minimum_data();
    void minimum();
    void average_data();
    void average();
    void conversionTrimsUnits();
    void relReference_data();
    void relReference();
};

void TestStatistics::maximum_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::newRow("first sample after a reset")
        << QList<Step>{{1.234f, "DCV", true, 1.234f, "DCV"}};
    QTest::newRow("tie keeps the earlier maximum")
        << QList<Step>{{1.234f, "DCV", true, 1.234f, "DCV"},
                       {1.234f, "DCV", false, 1.234f, "DCV"},
                       {1.0f, "DCV", false, 1.234f, "DCV"},
                       {1.5f, "DCV", true, 1.5f, "DCV"}};
    QTest::newRow("millivolts to volts within a quantity")
        << QList<Step>{{350.0f, "DCmV", true, 350.0f, "DCmV"}, {0.5f, "DCV", true, 0.5f, "DCV"}};
    QTest::newRow("converted maximum stays when above") << QList<Step>{
        {350.0f, "DCmV", true, 350.0f, "DCmV"}, {0.3f, "DCV", false, 350.0f, "DCmV"}};
    QTest::newRow("AC and DC are one quantity") << QList<Step>{{2.0f, "ACV", true, 2.0f, "ACV"},
                                                               {1.9f, "DCV", false, 2.0f, "ACV"},
                                                               {2.1f, "DCV", true, 2.1f, "DCV"}};
    QTest::newRow("volts to milliamperes restarts")
        << QList<Step>{{3.0f, "DCV", true, 3.0f, "DCV"},
                       {0.5f, "DCmA", true, 0.5f, "DCmA"},
                       {0.4f, "DCmA", false, 0.5f, "DCmA"}};
    QTest::newRow("over range never enters")
        << QList<Step>{{4000.0f, "DCV", false, NoValueMarker, ""},
                       {1.0f, "DCV", true, 1.0f, "DCV"},
                       {4000.0f, "DCV", false, 1.0f, "DCV"},
                       {-4000.0f, "DCV", false, 1.0f, "DCV"}};
    QTest::newRow("negative values") << QList<Step>{{-3.0f, "DCV", true, -3.0f, "DCV"},
                                                    {-2.5f, "DCV", true, -2.5f, "DCV"},
                                                    {-2.75f, "DCV", false, -2.5f, "DCV"}};
    QTest::newRow("unknown target unit compares as 0") << QList<Step>{
        {-1.0f, "", true, -1.0f, ""}, {-0.5f, "", false, -1.0f, ""}, {0.1f, "", true, 0.1f, ""}};
    QTest::newRow("kilo-ohm to ohm") << QList<Step>{{1.5f, "KΩ", true, 1.5f, "KΩ"},
                                                    {1499.0f, "Ω", false, 1.5f, "KΩ"},
                                                    {1501.0f, "Ω", true, 1501.0f, "Ω"}};
}

namespace {
void Run(const QList<Step> &steps, bool (*update)(float &, QString &, float, QString &))
{
    float stored = NoValueMarker;
    QString unit;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Step &s = steps[i];
        QString target = s.target;
        const bool taken = update(stored, unit, s.v, target);
        QVERIFY2(taken == s.taken, qPrintable(QStringLiteral("step %1").arg(i)));
        QVERIFY2(stored == s.value,
                 qPrintable(QStringLiteral("step %1: %2").arg(i).arg(double(stored))));
        QCOMPARE(unit, s.unit);
    }
}
} // namespace

void TestStatistics::maximum()
{
    QFETCH(QList<Step>, steps);
    Run(steps, UpdateMaximumValue);
}

void TestStatistics::minimum_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::newRow("tie keeps the earlier minimum")
        << QList<Step>{{1.0f, "DCV", true, 1.0f, "DCV"},
                       {1.0f, "DCV", false, 1.0f, "DCV"},
                       {0.9f, "DCV", true, 0.9f, "DCV"},
                       {2.0f, "DCV", false, 0.9f, "DCV"}};
    QTest::newRow("volts to millivolts") << QList<Step>{{0.5f, "DCV", true, 0.5f, "DCV"},
                                                        {400.0f, "DCmV", true, 400.0f, "DCmV"},
                                                        {600.0f, "DCmV", false, 400.0f, "DCmV"}};
    QTest::newRow("capacitance restart from frequency")
        << QList<Step>{{10.0f, "Hz", true, 10.0f, "Hz"},
                       {470.0f, "nF", true, 470.0f, "nF"},
                       {0.5f, "μF", false, 470.0f, "nF"},
                       {0.4f, "μF", true, 0.4f, "μF"}};
    QTest::newRow("over range never enters")
        << QList<Step>{{-4000.0f, "DCV", false, NoValueMarker, ""},
                       {5.0f, "DCV", true, 5.0f, "DCV"},
                       {-4000.0f, "DCV", false, 5.0f, "DCV"}};
}

void TestStatistics::minimum()
{
    QFETCH(QList<Step>, steps);
    Run(steps, UpdateMinimumValue);
}

void TestStatistics::average_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QList<float>>("averages");
    QTest::addColumn<QList<qint32>>("counts");
    QTest::newRow("1, 2, 3") << QList<float>{1, 2, 3} << QStringList{"DCV", "DCV", "DCV"}
                             << QList<float>{1, 1.5f, 2} << QList<qint32>{1, 2, 3};
    QTest::newRow("over range is not counted")
        << QList<float>{2, 4000, 4, -4000} << QStringList{"DCV", "DCV", "DCV", "DCV"}
        << QList<float>{2, 2, 3, 3} << QList<qint32>{1, 1, 2, 2};
    QTest::newRow("mean converted to the new range")
        << QList<float>{100, 0.3f} << QStringList{"DCmV", "DCV"} << QList<float>{100, 0.2f}
        << QList<qint32>{1, 2};
    QTest::newRow("quantity change restarts")
        << QList<float>{1, 3, 7} << QStringList{"DCV", "DCV", "DCA"} << QList<float>{1, 2, 7}
        << QList<qint32>{1, 2, 1};
    QTest::newRow("mean computed in double")
        << QList<float>{1, 0, 0} << QStringList{"DCV", "DCV", "DCV"}
        << QList<float>{1, 0.5f, float(1.0 / 3.0)} << QList<qint32>{1, 2, 3};
}

void TestStatistics::average()
{
    QFETCH(QList<float>, values);
    QFETCH(QStringList, targets);
    QFETCH(QList<float>, averages);
    QFETCH(QList<qint32>, counts);
    float stored = NoValueMarker;
    QString unit;
    qint32 count = 0;
    for (qsizetype i = 0; i < values.size(); ++i) {
        QString target = targets[i];
        const bool taken = UpdateAverageValue(stored, unit, count, values[i], target);
        QCOMPARE(taken, !IsOverRangeValue(values[i]));
        QCOMPARE(stored, averages[i]);
        QCOMPARE(count, counts[i]);
    }
}

void TestStatistics::conversionTrimsUnits()
{
    // A stored unit with blanks converts, and the stored unit is the trimmed target afterwards.
    float stored = 350.0f;
    QString unit = QStringLiteral(" DCmV ");
    QString target = QStringLiteral("DCV ");
    // Both texts end in a blank, so they count as one quantity and the conversion trims them.
    QVERIFY(UpdateMaximumValue(stored, unit, 0.5f, target));
    QCOMPARE(target, QStringLiteral("DCV"));
    QCOMPARE(unit, QStringLiteral("DCV"));
    QCOMPARE(stored, 0.5f);
}

void TestStatistics::relReference_data()
{
    QTest::addColumn<float>("count");
    QTest::addColumn<qint16>("decimals");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<float>("reference");
    QTest::newRow("12.34") << 1234.0f << qint16(2) << true << 12.34f;
    QTest::newRow("no frame yet") << 0.0f << qint16(2) << true << 0.0f;
    QTest::newRow("negative") << -399.0f << qint16(1) << true << -39.9f;
    QTest::newRow("whole counts") << 25.0f << qint16(0) << true << 25.0f;
    QTest::newRow("over range") << 4000.0f << qint16(3) << false << 0.0f;
    QTest::newRow("negative over range is a number") << -4000.0f << qint16(3) << true << -4.0f;
}

void TestStatistics::relReference()
{
    QFETCH(float, count);
    QFETCH(qint16, decimals);
    QFETCH(bool, taken);
    const std::optional<float> reference = RelReferenceFor(count, decimals);
    QCOMPARE(reference.has_value(), taken);
    if (taken)
        QTEST(*reference, "reference");
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
