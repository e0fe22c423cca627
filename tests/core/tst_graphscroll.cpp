#include "graph/GraphScroll.h"
#include "record/SampleLog.h"

#include <QTest>

using namespace kst;

class TestGraphScroll : public QObject {
    Q_OBJECT
private slots:
    void advance_data();
    void advance();
    void recordingFromEmptyLog();
    void viewWindow_data();
    void viewWindow();
    void recordingStart_data();
    void recordingStart();
    void afterLoad_data();
    void afterLoad();
    void clickOffset_data();
    void clickOffset();
    void readoutTexts_data();
    void readoutTexts();
    void placement_data();
    void placement();
};

void TestGraphScroll::advance_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<int>("newMaximum");
    QTest::addColumn<bool>("moved");
    QTest::newRow("sample 95 stays") << 0 << 100 << 100.0 << 95 << 0 << 100 << false;
    QTest::newRow("sample 96 moves") << 0 << 100 << 100.0 << 96 << 1 << 100 << true;
    QTest::newRow("far beyond the window moves by one")
        << 3 << 100 << 100.0 << 500 << 4 << 100 << true;
    QTest::newRow("one below the maximum") << 99 << 100 << 100.0 << 195 << 100 << 100 << true;
    QTest::newRow("at the maximum it grows by 5")
        << 100 << 100 << 100.0 << 196 << 101 << 105 << true;
    QTest::newRow("wide window") << 0 << 100 << 400.0 << 395 << 0 << 100 << false;
    QTest::newRow("wide window edge") << 0 << 100 << 400.0 << 396 << 1 << 100 << true;
    QTest::newRow("fractional width") << 0 << 100 << 100.5 << 95 << 0 << 100 << false;
    QTest::newRow("past 16 bits") << 32767 << 32767 << 100.0 << 40000 << 32768 << 32772 << true;
    QTest::newRow("grows up to the limit")
        << ScrollMaximumLimit - 2 << ScrollMaximumLimit - 2 << 5.0 << ScrollMaximumLimit
        << ScrollMaximumLimit - 1 << ScrollMaximumLimit << true;
    QTest::newRow("pinned at the limit")
        << ScrollMaximumLimit << ScrollMaximumLimit << 5.0 << std::numeric_limits<int>::max()
        << ScrollMaximumLimit << ScrollMaximumLimit << false;
}

void TestGraphScroll::advance()
{
    QFETCH(int, value);
    QFETCH(int, maximum);
    QFETCH(double, width);
    QFETCH(int, index);
    QFETCH(int, newValue);
    QFETCH(int, newMaximum);
    QFETCH(bool, moved);
    ScrollPosition scroll{value, maximum};
    QCOMPARE(AdvanceGraphScroll(scroll, width, index), moved);
    QCOMPARE(scroll.Value, newValue);
    QCOMPARE(scroll.Maximum, newMaximum);
}

void TestGraphScroll::recordingFromEmptyLog()
{
    // Span 100 from an empty log: nothing moves up to sample 95; from sample 96 on the view
    // follows one step per sample; once the value meets the maximum, the maximum grows by 5
    // each time it is reached.
    ScrollPosition scroll;
    for (qint32 n = 0; n <= 95; ++n)
        QVERIFY2(!AdvanceGraphScroll(scroll, 100, n), qPrintable(QString::number(n)));
    QCOMPARE(scroll, (ScrollPosition{0, 100}));
    for (qint32 n = 96; n <= 400; ++n) {
        QVERIFY(AdvanceGraphScroll(scroll, 100, n));
        QCOMPARE(scroll.Value, n - 95);
        QVERIFY(scroll.Maximum >= scroll.Value);
        if (scroll.Value <= 100)
            QCOMPARE(scroll.Maximum, 100);
        else
            QVERIFY(scroll.Maximum - scroll.Value < 5);
    }
    // Value 305 at sample 400: the maximum went 100, 105, ..., 305.
    QCOMPARE(scroll, (ScrollPosition{305, 305}));
}

void TestGraphScroll::viewWindow_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::newRow("empty") << 0 << 100.0 << 0 << 0 << 0;
    QTest::newRow("fits") << 0 << 100.0 << 50 << 0 << 50;
    QTest::newRow("exactly the width fits") << 0 << 100.0 << 100 << 0 << 100;
    QTest::newRow("fits, scrolled value ignored") << 30 << 100.0 << 80 << 0 << 80;
    QTest::newRow("longer: from the value") << 10 << 100.0 << 300 << 10 << 110;
    QTest::newRow("cut at the last sample") << 154 << 100.0 << 250 << 154 << 250;
    QTest::newRow("one more than the width") << 1 << 100.0 << 101 << 1 << 101;
    QTest::newRow("half width rounds to even") << 0 << 100.5 << 300 << 0 << 100;
}

void TestGraphScroll::viewWindow()
{
    QFETCH(int, value);
    QFETCH(double, width);
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(int, end);
    QCOMPARE(ScrollViewWindow(value, width, count), (ViewWindow{start, end}));
}

void TestGraphScroll::recordingStart_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<int>("newMaximum");
    QTest::newRow("250 samples, span 100") << 0 << 100 << 100.0 << 250 << 154 << 159;
    QTest::newRow("1000 samples, width 400") << 0 << 100 << 400.0 << 1000 << 604 << 609;
    QTest::newRow("100 samples, width 400") << 37 << 100 << 400.0 << 100 << 0 << 100;
    QTest::newRow("fits: value 0, maximum kept") << 20 << 130 << 100.0 << 50 << 0 << 130;
    QTest::newRow("near the edge: maximum raised to 100") << 0 << 100 << 100.0 << 100 << 4 << 100;
    QTest::newRow("maximum shrinks to the log") << 500 << 700 << 100.0 << 300 << 204 << 209;
    QTest::newRow("past 16 bits") << 0 << 100 << 100.0 << 40000 << 39904 << 39909;
}

void TestGraphScroll::recordingStart()
{
    QFETCH(int, value);
    QFETCH(int, maximum);
    QFETCH(double, width);
    QFETCH(int, count);
    QFETCH(int, newValue);
    QFETCH(int, newMaximum);
    const ScrollPosition scroll = RecordingStartPosition({value, maximum}, width, count);
    QCOMPARE(scroll.Value, newValue);
    QCOMPARE(scroll.Maximum, newMaximum);
}

void TestGraphScroll::afterLoad_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    QTest::newRow("500 records") << 100 << 500 << 499;
    QTest::newRow("50 records") << 100 << 50 << 100;
    QTest::newRow("101 records") << 100 << 101 << 100;
    QTest::newRow("102 records") << 100 << 102 << 101;
    QTest::newRow("never shrinks") << 600 << 500 << 600;
    QTest::newRow("empty file") << 100 << 0 << 100;
    QTest::newRow("beyond 16 bits") << 100 << 40000 << 39999;
}

void TestGraphScroll::afterLoad()
{
    QFETCH(int, maximum);
    QFETCH(int, count);
    QFETCH(int, expected);
    QCOMPARE(MaximumAfterLoad(maximum, count), expected);
}

void TestGraphScroll::clickOffset_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("offset");
    QTest::newRow("10.5 to even 10") << 10.5 << 10;
    QTest::newRow("11.5 to even 12") << 11.5 << 12;
    QTest::newRow("10.49") << 10.49 << 10;
    QTest::newRow("10.51") << 10.51 << 11;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("99.7") << 99.7 << 100;
}

void TestGraphScroll::clickOffset()
{
    QFETCH(double, x);
    QFETCH(int, offset);
    QCOMPARE(ClickSampleOffset(x), offset);
}

void TestGraphScroll::readoutTexts_data()
{
    QTest::addColumn<qint64>("index");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("time");
    const QString now = QStringLiteral("12-06-2026 20:01:02");
    QTest::newRow("three decimals") << qint64(0) << "1.500"
                                    << "DCV"
                                    << "10:00:01";
    QTest::newRow("own unit, one decimal") << qint64(1) << "123.4"
                                           << "ACmV"
                                           << "10:00:02";
    QTest::newRow("over range") << qint64(2) << "4000"
                                << "KΩ"
                                << "23:59:59";
    QTest::newRow("beyond the last sample") << qint64(3) << "NO DATA"
                                            << "" << now;
    QTest::newRow("far beyond") << qint64(1000) << "NO DATA"
                                << "" << now;
    QTest::newRow("before the first") << qint64(-1) << "NO DATA"
                                      << "" << now;
}

void TestGraphScroll::readoutTexts()
{
    QFETCH(qint64, index);
    QFETCH(QString, value);
    QFETCH(QString, unit);
    QFETCH(QString, time);
    SampleLog log;
    const struct {
        float value;
        qint16 decimals;
        const char16_t *unit;
        QTime time;
    } samples[] = {{1.5f, 3, u"DCV", QTime(10, 0, 1)},
                   {123.4f, 1, u"ACmV", QTime(10, 0, 2)},
                   {4000.0f, 0, u"KΩ", QTime(23, 59, 59)}};
    for (const auto &s : samples) {
        Sample sample;
        sample.value = s.value;
        sample.decimals = s.decimals;
        sample.unit = QString::fromUtf16(s.unit);
        sample.time = s.time;
        log.Append(sample);
    }
    const PointReadout texts =
        ReadoutFor(log, index, QDateTime(QDate(2026, 12, 6), QTime(20, 1, 2)));
    QCOMPARE(texts.Value, value);
    QCOMPARE(texts.Unit, unit);
    QCOMPARE(texts.Time, time);
}

void TestGraphScroll::placement_data()
{
    QTest::addColumn<int>("clickX");
    QTest::addColumn<float>("clickY");
    QTest::addColumn<QPointF>("corner");
    // Frame at (1000, 2000) twips, 9000 wide and 4000 high.
    QTest::newRow("x 60, above 0: left, bottom") << 60 << 10.0f << QPointF(1000, 5800);
    QTest::newRow("x 20, above 0: right, bottom") << 20 << 10.0f << QPointF(8500, 5800);
    QTest::newRow("x 50 counts as left") << 50 << -5.0f << QPointF(1000, 2650);
    QTest::newRow("x 49: right") << 49 << -5.0f << QPointF(8500, 2650);
    QTest::newRow("y exactly 0: top") << 80 << 0.0f << QPointF(1000, 2650);
}

void TestGraphScroll::placement()
{
    QFETCH(int, clickX);
    QFETCH(float, clickY);
    QFETCH(QPointF, corner);
    QCOMPARE(ReadoutPlacement(QRectF(1000, 2000, 9000, 4000), clickX, clickY), corner);
}

QTEST_GUILESS_MAIN(TestGraphScroll)
#include "tst_graphscroll.moc"
