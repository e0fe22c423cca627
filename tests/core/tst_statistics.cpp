#include "record/SampleLog.h"
#include "record/Statistics.h"

#include <QTest>

using namespace kst;

class TestStatistics : public QObject {
    Q_OBJECT
private slots:
    void updates_data();
    void updates();
    void recordAndReference();
};

void TestStatistics::updates_data()
{
    // Samples through Max, Min or Avg: "value unit" steps, then after each what the statistic
    // holds ("value unit", "-" when the sample was not taken; "value/count" for Avg).
    QTest::addColumn<QString>("statistic");
    QTest::addColumn<QString>("samples");
    QTest::addColumn<QString>("held");
    const char *rows[][4] = {
        {"tie keeps the earlier maximum", "Max", "1.234 DCV;1.234 DCV", "1.234 DCV;-"},
        {"350 mV then 0.5 V", "Max", "350 DCmV;0.3 DCV;0.5 DCV", "350 DCmV;-;0.5 DCV"},
        {"volts to milliamperes restarts", "Max", "3 DCV;0.5 DCmA", "3 DCV;0.5 DCmA"},
        {"over range never enters", "Max", "-4000 DCV;1 DCV;4000 DCV", "-;1 DCV;-"},
        {"unknown unit compares as 0", "Max", "-1 ?;-0.5 ?;0.1 ?", "-1 ?;-;0.1 ?"},
        {"tie keeps the earlier minimum", "Min", "1 DCV;1 DCV;0.9 DCV", "1 DCV;-;0.9 DCV"},
        {"conversion trims the units", "Min", "0.5 DCV_;400 DCmV_", "0.5 DCV_;400 DCmV"},
        {"average 1, 2, 3", "Avg", "1 DCV;2 DCV;3 DCV", "1/1;1.5/2;2/3"},
        {"over range not averaged", "Avg", "2 DCV;4000 DCV;4 DCV", "2/1;-;3/2"},
        {"mean converted to the range", "Avg", "100 DCmV;0.3 DCV", "100/1;0.2/2"},
        {"quantity change restarts the mean", "Avg", "1 DCV;3 DCV;7 DCA", "1/1;2/2;7/1"},
        {"mean in double", "Avg", "1 DCV;0 DCV;0 DCV", "1/1;0.5/2;0.33333334/3"}};
    for (const auto &row : rows)
        QTest::newRow(row[0]) << row[1] << row[2] << row[3];
}

void TestStatistics::updates()
{
    QFETCH(QString, statistic);
    QFETCH(QString, samples);
    QFETCH(QString, held);
    // "?" stands for an empty unit, "_" for a blank.
    const auto unitText = [](QString u) { return u == u"?" ? QString() : u.replace(u'_', u' '); };
    float stored = NoValueMarker;
    QString unit;
    qint32 count = 0;
    const QStringList steps = samples.split(u';');
    const QStringList expected = held.split(u';');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const float v = steps[i].section(u' ', 0, 0).toFloat();
        QString target = unitText(steps[i].section(u' ', 1));
        const bool taken = statistic == u"Max" ? UpdateMaximumValue(stored, unit, v, target)
                           : statistic == u"Min"
                               ? UpdateMinimumValue(stored, unit, v, target)
                               : UpdateAverageValue(stored, unit, count, v, target);
        QCOMPARE(taken, expected[i] != u"-");
        if (!taken)
            continue;
        if (statistic == u"Avg") {
            QCOMPARE(stored, expected[i].section(u'/', 0, 0).toFloat());
            QCOMPARE(count, expected[i].section(u'/', 1).toInt());
        } else {
            QCOMPARE(stored, expected[i].section(u' ', 0, 0).toFloat());
            QCOMPARE(unit, unitText(expected[i].section(u' ', 1)));
        }
    }
}

void TestStatistics::recordAndReference()
{
    RunningStatistics s;
    SampleLog log;
    QString unit = QStringLiteral("DCV");
    const QDateTime now(QDate(2000, 5, 4), QTime(14, 3, 27));
    const float values[] = {1.234f, 1.234f, 4000, 0.5f};
    for (qint32 n = 0; n < 4; ++n) {
        Sample sample;
        sample.value = values[n];
        sample.decimals = 3;
        log.Append(sample);
        s.Record(log, n, unit, {true, true, n < 3, false}, now.addSecs(n));
    }
    QString flags;
    for (qint32 n = 0; n < 4; ++n)
        flags += QString::number(log.SampleIsMax(n)) + QString::number(log.SampleIsMin(n)) + u' ';
    QCOMPARE(flags, QStringLiteral("-1-1 00 00 0-1 "));
    QCOMPARE(s.Max.Data, QStringLiteral("1.234"));
    QCOMPARE(s.Max.Time, QStringLiteral("05-04-2000 14:03:27")); // the tie kept the first time
    QCOMPARE(s.Min.Data, QStringLiteral("0.500"));
    QCOMPARE(log.SampleAvg(2), 1.234f);
    QCOMPARE(log.SampleAvg(3), NoValueMarker); // Avg unticked

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
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
