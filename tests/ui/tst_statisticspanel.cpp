#include "common/DateTimeText.h"
#include "files/SampleFile.h"
#include "record/SampleLog.h"
#include "record/StatisticsPanel.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

using namespace kst;

namespace {

QColor TextColour(QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

QColor Grey()
{
    return QGuiApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
}

} // namespace

class TestStatisticsPanel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void frameAndNames();
    void coloursFollowBoxes_data();
    void coloursFollowBoxes();
    void maximumLabelsAndFlags();
    void minimumAndAverageLabels();
    void relReference_data();
    void relReference();
    void resetAndClear();
    void restoresLoadedReadouts();

private:
    QDateTime now_;
    StatisticsPanel *panel_ = nullptr;
    template <typename T> T *Find(const char *name)
    {
        T *child = panel_->findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }
};

void TestStatisticsPanel::init()
{
    now_ = QDateTime(QDate(2000, 5, 4), QTime(14, 3, 27));
    panel_ = new StatisticsPanel([this] { return now_; });
}

void TestStatisticsPanel::cleanup()
{
    delete panel_;
    panel_ = nullptr;
}

void TestStatisticsPanel::frameAndNames()
{
    QCOMPARE(panel_->objectName(), QStringLiteral("CalcFrm"));
    QCOMPARE(panel_->title(), QStringLiteral("CALCULATION"));
    QCOMPARE(Find<QCheckBox>("Max")->text(), QStringLiteral("MAX"));
    QCOMPARE(Find<QCheckBox>("Min")->text(), QStringLiteral("MIN"));
    QCOMPARE(Find<QCheckBox>("Avg")->text(), QStringLiteral("AVG"));
    QCOMPARE(Find<QCheckBox>("Rel")->text(), QStringLiteral("REL"));
    for (const char *name : {"Max", "Min", "Avg", "Rel"})
        QVERIFY(!Find<QCheckBox>(name)->isChecked());
}

void TestStatisticsPanel::coloursFollowBoxes_data()
{
    QTest::addColumn<QString>("box");
    for (const char *name : {"Max", "Min", "Avg", "Rel"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestStatisticsPanel::coloursFollowBoxes()
{
    QFETCH(QString, box);
    QVERIFY(Grey() != QColor(Qt::black));
    QCheckBox *check = panel_->findChild<QCheckBox *>(box);
    QLabel *data = panel_->findChild<QLabel *>(box + QStringLiteral("Data"));
    QLabel *time = panel_->findChild<QLabel *>(box + QStringLiteral("Time"));
    QVERIFY(check && data && time);
    QCOMPARE(TextColour(data), Grey());
    QCOMPARE(TextColour(time), Grey());
    check->setChecked(true); // a program change runs the handler as a click does
    QCOMPARE(TextColour(data), QColor(0, 0, 0));
    QCOMPARE(TextColour(time), QColor(0, 0, 0));
    panel_->show();
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    QVERIFY(!check->isChecked());
    QCOMPARE(TextColour(data), Grey());
    QCOMPARE(TextColour(time), Grey());
}

void TestStatisticsPanel::maximumLabelsAndFlags()
{
    SampleLog log;
    QString graphUnit = QStringLiteral("DCV");
    log.Store(0, Sample{.decimals = 3});
    panel_->UpdateMaximum(1.234f, graphUnit, log, 0, now_);
    QCOMPARE(panel_->MaxValue, 1.234f);
    QCOMPARE(panel_->MaxUnit, QStringLiteral("DCV"));
    QCOMPARE(Find<QLabel>("MaxData")->text(), QStringLiteral("1.234"));
    QCOMPARE(Find<QLabel>("MaxTime")->text(), QStringLiteral("05-04-2000 14:03:27"));
    QCOMPARE(log.SampleIsMax(0), qint16(-1));

    // A tie is not a new maximum: no flag, the time stays.
    log.Store(1, Sample{.decimals = 3});
    panel_->UpdateMaximum(1.234f, graphUnit, log, 1, now_.addSecs(1));
    QCOMPARE(log.SampleIsMax(1), qint16(0));
    QCOMPARE(Find<QLabel>("MaxTime")->text(), QStringLiteral("05-04-2000 14:03:27"));
    // An over-range sample never enters.
    panel_->UpdateMaximum(4000.0f, graphUnit, log, 2, now_.addSecs(2));
    QCOMPARE(log.SampleIsMax(2), qint16(0));
    QCOMPARE(panel_->MaxValue, 1.234f);
    // A higher one with one decimal shows in that sample's pattern.
    log.Store(3, Sample{.decimals = 1});
    panel_->UpdateMaximum(1.5f, graphUnit, log, 3, now_.addSecs(3));
    QCOMPARE(Find<QLabel>("MaxData")->text(), QStringLiteral("001.5"));
    QCOMPARE(Find<QLabel>("MaxTime")->text(), QStringLiteral("05-04-2000 14:03:30"));
    QCOMPARE(log.SampleIsMax(3), qint16(-1));
    QCOMPARE(log.SampleIsMin(3), qint16(0));
}

void TestStatisticsPanel::minimumAndAverageLabels()
{
    SampleLog log;
    QString graphUnit = QStringLiteral("DCV");
    const float values[] = {1, 2, 3};
    const char *averages[] = {"001.0", "001.5", "002.0"};
    for (int i = 0; i < 3; ++i) {
        log.Store(i, Sample{.decimals = 1});
        panel_->UpdateMinimum(values[i], graphUnit, log, i, now_.addSecs(i));
        panel_->UpdateAverage(values[i], graphUnit, log, i, now_.addSecs(i));
        QCOMPARE(Find<QLabel>("AvgData")->text(), QLatin1String(averages[i]));
        QCOMPARE(Find<QLabel>("AvgTime")->text(), StampText(now_.addSecs(i)));
    }
    QCOMPARE(panel_->AvgValue, 2.0f);
    QCOMPARE(panel_->AvgCount, 3);
    QCOMPARE(panel_->MinValue, 1.0f);
    QCOMPARE(Find<QLabel>("MinData")->text(), QStringLiteral("001.0"));
    QCOMPARE(Find<QLabel>("MinTime")->text(), QStringLiteral("05-04-2000 14:03:27"));
    QCOMPARE(log.SampleIsMin(0), qint16(-1));
    QCOMPARE(log.SampleIsMin(1), qint16(0));
    QCOMPARE(log.SampleIsMin(2), qint16(0));
}

void TestStatisticsPanel::relReference_data()
{
    QTest::addColumn<float>("raw");
    QTest::addColumn<qint16>("decimals");
    QTest::addColumn<float>("reference");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("time");
    QTest::newRow("12.34") << 1234.0f << qint16(2) << 12.34f << "12.34"
                           << "05-04-2000 14:03:27";
    QTest::newRow("before any frame") << 0.0f << qint16(2) << 0.0f << "00.00"
                                      << "05-04-2000 14:03:27";
    QTest::newRow("negative millivolts") << -3999.0f << qint16(1) << -399.9f << "-399.9"
                                         << "05-04-2000 14:03:27";
    QTest::newRow("over range takes nothing") << 4000.0f << qint16(2) << 7.0f << "old"
                                              << "old";
}

void TestStatisticsPanel::relReference()
{
    QFETCH(float, raw);
    QFETCH(qint16, decimals);
    QLabel *data = Find<QLabel>("RelData");
    QLabel *time = Find<QLabel>("RelTime");
    data->setText(QStringLiteral("old"));
    time->setText(QStringLiteral("old"));
    panel_->RelRef = 7.0f;
    panel_->LastRawValue = raw;
    panel_->LastDecimals = decimals;
    Find<QCheckBox>("Rel")->setChecked(true);
    QTEST(panel_->RelRef, "reference");
    QTEST(data->text(), "data");
    QTEST(time->text(), "time");
    QVERIFY(panel_->RelTicked());
    QCOMPARE(panel_->RelDataText(), data->text());
    QCOMPARE(TextColour(data), QColor(0, 0, 0));
    // Unticking keeps the reference and the texts, greyed.
    const float kept = panel_->RelRef;
    Find<QCheckBox>("Rel")->setChecked(false);
    QCOMPARE(panel_->RelRef, kept);
    QTEST(data->text(), "data");
    QCOMPARE(TextColour(data), Grey());
}

void TestStatisticsPanel::resetAndClear()
{
    panel_->MaxValue = 5;
    panel_->MinValue = 1;
    panel_->AvgValue = 3;
    panel_->AvgCount = 9;
    panel_->RelRef = 2;
    panel_->LastRawValue = 1234;
    panel_->LastDecimals = 0;
    panel_->MaxUnit = panel_->MinUnit = panel_->AvgUnit = QStringLiteral("DCmV");
    panel_->ResetStatistics();
    QCOMPARE(panel_->MaxValue, NoValueMarker);
    QCOMPARE(panel_->MinValue, NoValueMarker);
    QCOMPARE(panel_->AvgValue, NoValueMarker);
    QCOMPARE(panel_->AvgCount, 0);
    QCOMPARE(panel_->RelRef, 0.0f);
    QCOMPARE(panel_->LastRawValue, 0.0f);
    QCOMPARE(panel_->LastDecimals, qint16(2));
    QCOMPARE(panel_->MaxUnit, QStringLiteral("DCmV"));
    QCOMPARE(panel_->AvgUnit, QStringLiteral("DCmV"));

    const char *labels[] = {"MaxData", "MaxTime", "MinData", "MinTime",
                            "AvgData", "AvgTime", "RelData", "RelTime"};
    for (const char *name : labels)
        Find<QLabel>(name)->setText(QStringLiteral("x"));
    panel_->ClearLabels();
    for (const char *name : labels)
        QVERIFY2(Find<QLabel>(name)->text().isEmpty(), name);
}

void TestStatisticsPanel::restoresLoadedReadouts()
{
    const QByteArray head = "1.5,#2000-05-04#,#10:15:30#,\"DCV\",3,";
    QByteArray bytes = head + "#TRUE#,#FALSE#,99999,99999\r\n" +
                       "2.25,#2000-05-04#,#10:15:31#,\"DCV\",3,#TRUE#,#FALSE#,0,99999\r\n" +
                       "-1,#2000-05-05#,#09:05:07#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    SampleLog log;
    const SampleFileReadResult result = ReadSampleFile(buffer, log);
    QVERIFY(result.complete);
    Find<QLabel>("MinData")->setText(QStringLiteral("untouched"));
    panel_->RestoreLoadedReadouts(log, result);
    QVERIFY(panel_->MaxTicked());
    QCOMPARE(Find<QLabel>("MaxData")->text(), QStringLiteral("2.25"));
    QCOMPARE(Find<QLabel>("MaxTime")->text(), QStringLiteral("05-04-2000 10:15:31"));
    QCOMPARE(TextColour(Find<QLabel>("MaxData")), QColor(0, 0, 0));
    QVERIFY(panel_->AvgTicked());
    QCOMPARE(Find<QLabel>("AvgData")->text(), QStringLiteral("0.0"));
    QCOMPARE(Find<QLabel>("AvgTime")->text(), QStringLiteral("05-04-2000 10:15:31"));
    // No record flagged as minimum: Min stays off and its labels stay.
    QVERIFY(!panel_->MinTicked());
    QCOMPARE(Find<QLabel>("MinData")->text(), QStringLiteral("untouched"));
    // The running statistics are not restored.
    QCOMPARE(panel_->MaxValue, NoValueMarker);
    QVERIFY(!panel_->RelTicked());
}

QTEST_MAIN(TestStatisticsPanel)
#include "tst_statisticspanel.moc"
