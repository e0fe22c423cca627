#include "common/ReadoutPacer.h"

#include <QTest>

using namespace kst;

class TestReadoutPacer : public QObject {
    Q_OBJECT
private slots:
    void showsAtOnceOnlyAfterTheInterval_data();
    void showsAtOnceOnlyAfterTheInterval();
    void showsWhatIsCurrentWhenTheTimeIsUp();
};

void TestReadoutPacer::showsAtOnceOnlyAfterTheInterval_data()
{
    // Changes at the given milliseconds of a clock the test sets; how many were shown at once,
    // and whether one still waits for its time.
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<QList<qint64>>("changes");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("waiting");
    QTest::newRow("a meter's pace: every one")
        << qint64(250) << QList<qint64>{0, 250, 500, 750} << 4 << false;
    QTest::newRow("faster: the first, the rest wait")
        << qint64(250) << QList<qint64>{1000, 1050, 1100, 1249} << 1 << true;
    QTest::newRow("after a pause: at once again")
        << qint64(250) << QList<qint64>{0, 300, 600} << 3 << false;
    QTest::newRow("no interval: every one") << qint64(0) << QList<qint64>{5, 5, 5} << 3 << false;
}

void TestReadoutPacer::showsAtOnceOnlyAfterTheInterval()
{
    QFETCH(qint64, interval);
    QFETCH(QList<qint64>, changes);
    QFETCH(int, shown);
    QFETCH(bool, waiting);
    int shows = 0;
    qint64 now = 0;
    ReadoutPacer pacer([&shows] { ++shows; });
    pacer.SetInterval(interval);
    pacer.SetClock([&now] { return now; });
    for (const qint64 at : changes) {
        now = at;
        pacer.Changed();
    }
    QCOMPARE(shows, shown);
    QCOMPARE(pacer.Waiting(), waiting);
}

void TestReadoutPacer::showsWhatIsCurrentWhenTheTimeIsUp()
{
    // Three changes in no time: the first is shown at once, the last when the interval is over;
    // the one between is never shown on its own.
    int value = 1;
    QList<int> shown;
    ReadoutPacer pacer([&] { shown.append(value); });
    pacer.SetInterval(20);
    pacer.SetClock([] { return qint64(0); });
    pacer.Changed();
    value = 2;
    pacer.Changed();
    value = 3;
    pacer.Changed();
    QCOMPARE(shown, QList<int>{1});
    QTRY_COMPARE(shown, (QList<int>{1, 3}));
    QVERIFY(!pacer.Waiting());
}

QTEST_GUILESS_MAIN(TestReadoutPacer)
#include "tst_readoutpacer.moc"
