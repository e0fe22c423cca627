#include "record/SampleLog.h"
#include "record/Statistics.h"

#include <QTest>

using namespace kst;

// One sample through a statistic: value, graph unit, and what the statistic holds afterwards.
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
    void extremes_data();
    void extremes();
    void average_data();
    void average();
    void recordAndReference();
};

void TestStatistics::extremes_data()
{
    QTest::addColumn<bool>("maximum");
    QTest::addColumn<QList<Step>>("steps");
    QTest::newRow("max: a tie keeps the earlier one")
        << true
        << QList<Step>{{1.234f, "DCV", true, 1.234f, "DCV"}, {1.234f, "DCV", false, 1.234f, "DCV"}};
    QTest::newRow("max: 350 mV then 0.5 V") << true
                                            << QList<Step>{{350, "DCmV", true, 350, "DCmV"},
                                                           {0.3f, "DCV", false, 350, "DCmV"},
                                                           {0.5f, "DCV", true, 0.5f, "DCV"}};
    QTest::newRow("max: volts to milliamperes restarts")
        << true << QList<Step>{{3, "DCV", true, 3, "DCV"}, {0.5f, "DCmA", true, 0.5f, "DCmA"}};
    QTest::newRow("max: over range never enters")
        << true
        << QList<Step>{{4000, "DCV", false, NoValueMarker, ""},
                       {1, "DCV", true, 1, "DCV"},
                       {-4000, "DCV", false, 1, "DCV"}};
    QTest::newRow("max: unknown unit compares as 0")
        << true
        << QList<Step>{
               {-1, "", true, -1, ""}, {-0.5f, "", false, -1, ""}, {0.1f, "", true, 0.1f, ""}};
    QTest::newRow("min: a tie keeps the earlier one")
        << false
        << QList<Step>{{1, "DCV", true, 1, "DCV"},
                       {1, "DCV", false, 1, "DCV"},
                       {0.9f, "DCV", true, 0.9f, "DCV"}};
    QTest::newRow("min: blanks trimmed by the conversion")
        << false
        << QList<Step>{{0.5f, "DCV ", true, 0.5f, "DCV "}, {400, "DCmV ", true, 400, "DCmV"}};
}

void TestStatistics::extremes()
{
    QFETCH(bool, maximum);
    QFETCH(QList<Step>, steps);
    float stored = NoValueMarker;
    QString unit;
    for (const Step &s : steps) {
        QString target = s.target;
        const bool taken = maximum ? UpdateMaximumValue(stored, unit, s.v, target)
                                   : UpdateMinimumValue(stored, unit, s.v, target);
        QCOMPARE(taken, s.taken);
        QCOMPARE(stored, s.value);
        QCOMPARE(unit, s.unit);
    }
}

void TestStatistics::average_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QList<float>>("averages");
    QTest::addColumn<qint32>("count");
    QTest::newRow("1, 2, 3") << QList<float>{1, 2, 3} << QStringList{"DCV", "DCV", "DCV"}
                             << QList<float>{1, 1.5f, 2} << 3;
    QTest::newRow("over range not counted")
        << QList<float>{2, 4000, 4} << QStringList{"DCV", "DCV", "DCV"} << QList<float>{2, 2, 3}
        << 2;
    QTest::newRow("mean converted to the new range")
        << QList<float>{100, 0.3f} << QStringList{"DCmV", "DCV"} << QList<float>{100, 0.2f} << 2;
    QTest::newRow("quantity change restarts")
        << QList<float>{1, 3, 7} << QStringList{"DCV", "DCV", "DCA"} << QList<float>{1, 2, 7} << 1;
    QTest::newRow("mean in double") << QList<float>{1, 0, 0} << QStringList{"DCV", "DCV", "DCV"}
                                    << QList<float>{1, 0.5f, float(1.0 / 3.0)} << 3;
}

void TestStatistics::average()
{
    QFETCH(QList<float>, values);
    QFETCH(QStringList, targets);
    QFETCH(QList<float>, averages);
    float stored = NoValueMarker;
    QString unit;
    qint32 count = 0;
    for (qsizetype i = 0; i < values.size(); ++i) {
        UpdateAverageValue(stored, unit, count, values[i], targets[i]);
        QCOMPARE(stored, averages[i]);
    }
    QTEST(count, "count");
}

void TestStatistics::recordAndReference()
{
    RunningStatistics s;
    SampleLog log;
    QString unit = QStringLiteral("DCV");
    const QDateTime now(QDate(2000, 5, 4), QTime(14, 3, 27));
    const float values[] = {1.234f, 1.234f, 4000, 0.5f};
    for (qint32 n = 0; n < 4; ++n) {
        log.SampleValue[size_t(n)] = values[n];
        log.SampleDecimals[size_t(n)] = 3;
        s.Record(log, n, unit, {true, true, n < 3, false}, now.addSecs(n));
    }
    QCOMPARE((QList<qint16>(log.SampleIsMax.begin(), log.SampleIsMax.begin() + 4)),
             (QList<qint16>{-1, 0, 0, 0}));
    QCOMPARE((QList<qint16>(log.SampleIsMin.begin(), log.SampleIsMin.begin() + 4)),
             (QList<qint16>{-1, 0, 0, -1}));
    QCOMPARE(s.Max.Data, QStringLiteral("1.234"));
    QCOMPARE(s.Max.Time, QStringLiteral("05-04-2000 14:03:27")); // the tie kept the first time
    QCOMPARE(s.Min.Data, QStringLiteral("0.500"));
    QCOMPARE(log.SampleAvg[2], 1.234f);
    QCOMPARE(log.SampleAvg[3], NoValueMarker); // Avg unticked
    QCOMPARE(log.SampleRelRef[0], NoValueMarker);

    // Rel: count / 10^decimals, shown in the frame's pattern; an over-range frame takes nothing.
    s.LastRawValue = 1234;
    s.LastDecimals = 2;
    s.TakeRelReference(now);
    QCOMPARE(s.RelRef, 12.34f);
    QCOMPARE(s.Rel.Data, QStringLiteral("12.34"));
    s.LastRawValue = 4000;
    s.TakeRelReference(now.addSecs(9));
    QCOMPARE(s.RelRef, 12.34f);
    QCOMPARE(s.Rel.Time, QStringLiteral("05-04-2000 14:03:27"));
    s.Record(log, 4, unit, {false, false, false, true}, now);
    QCOMPARE(log.SampleRelRef[4], 12.34f);

    // The reset empties the values; units and read-outs stay.
    s.Reset();
    QCOMPARE(s.MaxValue, NoValueMarker);
    QCOMPARE(s.AvgCount, 0);
    QCOMPARE(s.LastDecimals, qint16(2));
    QCOMPARE(s.MaxUnit, QStringLiteral("DCV"));
    QCOMPARE(s.Max.Data, QStringLiteral("1.234"));
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
