// What a recording keeps besides its samples: the gaps in them with their causes, and the user's
// markers, with their file beside the sample file.
#include "files/MarkerFile.h"
#include "record/MeterRecording.h"

#include "support/SampleRecords.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kst;

class tst_Notes : public QObject {
    Q_OBJECT
private slots:
    void gapsAndTheirCauses_data();
    void gapsAndTheirCauses();
    void markers();
    void markerFile();
};

void tst_Notes::gapsAndTheirCauses_data()
{
    // Milliseconds after the first sample at which each next one comes, the causes expected
    // before it (0 none), and whether the log keeps every sample; the notes found.
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QList<int>>("causes");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QStringList>("notes"); // "index: reason"
    const int silent = int(GapCause::Silent), lost = int(GapCause::LinkLost);
    const int paused = int(GapCause::Paused);
    QTest::newRow("two seconds is no gap, a millisecond more is")
        << QList<int>{2000, 4001, 4500} << QList<int>{0, 0, 0} << true
        << QStringList{u"2: no samples"_qs};
    QTest::newRow("the weightiest cause since the last sample")
        << QList<int>{5000, 9000, 9100} << QList<int>{silent, lost, paused} << true
        << QStringList{u"1: meter silent"_qs, u"2: link lost"_qs};
    QTest::newRow("a cause without a gap is forgotten")
        << QList<int>{500, 9000} << QList<int>{paused, 0} << true
        << QStringList{u"2: no samples"_qs};
    QTest::newRow("a logger keeping only the newest sample")
        << QList<int>{500, 9000} << QList<int>{0, lost} << false << QStringList{u"0: link lost"_qs};
}

void tst_Notes::gapsAndTheirCauses()
{
    QFETCH(QList<int>, after);
    QFETCH(QList<int>, causes);
    QFETCH(bool, keep);
    QFETCH(QStringList, notes);
    MeterRecording meter;
    meter.KeepSamples = keep;
    const QDateTime start(QDate(2026, 12, 7), QTime(23, 59, 58)); // across midnight
    meter.Record(1, u"DCV"_qs, 3, start);
    QStringList found;
    for (qsizetype k = 0; k < after.size(); ++k) {
        meter.ExpectGap(GapCause(causes[k]));
        const qint32 n = meter.Record(1, u"DCV"_qs, 3, start.addMSecs(after[k]));
        if (const QString *reason = meter.Samples.GapReason(n))
            found << QStringLiteral("%1: %2").arg(keep ? n : 0).arg(*reason);
    }
    QCOMPARE(found, notes);
}

void tst_Notes::markers()
{
    const QDate day(2026, 12, 7);
    MarkerList markers;
    AddMarker(markers, {day, QTime(14, 5), MarkerText(u"  fan\ton\r\nagain\u0007 "_qs)});
    AddMarker(markers, {day, QTime(9, 0), MarkerText(QString(300, u'x'))});
    AddMarker(markers, {day, QTime(14, 5), u"same time, later"_qs});
    QCOMPARE(markers[0].text.size(), MarkerTextMax);
    QCOMPARE(MarkerListing(markers),
             (QStringList{u"Markers:"_qs, u"12-07-2026 09:00:00  "_qs + QString(200, u'x'),
                          u"12-07-2026 14:05:00  fan on  again"_qs,
                          u"12-07-2026 14:05:00  same time, later"_qs}));
    QCOMPARE(MarkerListing({}), QStringList());

    // Where a moment falls among samples a second apart from 10:00:00 on 4 May 2000.
    SampleLog log;
    test::FillLog(log, 5);
    const auto at = [](int h, int m, int s, int ms) {
        return WallMs(QDate(2000, 5, 4), QTime(h, m, s, ms));
    };
    QCOMPARE(SampleAtOrAfter(log, at(9, 0, 0, 0)), 0);
    QCOMPARE(SampleAtOrAfter(log, at(10, 0, 2, 0)), 2);
    QCOMPARE(SampleAtOrAfter(log, at(10, 0, 2, 1)), 3);
    QCOMPARE(SampleAtOrAfter(log, at(10, 0, 4, 1)), 5); // after the last: the next sample's place
}

void tst_Notes::markerFile()
{
    QCOMPARE(MarkerFilePath(u"/data/run.2.mas"_qs), u"/data/run.2.markers"_qs);
    QCOMPARE(MarkerFilePath(u"/data/run"_qs), u"/data/run.markers"_qs);
    const MarkerList markers{{QDate(2026, 12, 7), QTime(14, 5, 0, 250), u"changed R5 → 4.7 kΩ"_qs},
                             {QDate(2026, 12, 8), QTime(0, 0, 1), u""_qs}};
    const QByteArray bytes = "2026-12-07 14:05:00.250\tchanged R5 → 4.7 kΩ\n"
                             "2026-12-08 00:00:01.000\t\n";
    QCOMPARE(MarkerFileBytes(markers), bytes);
    int skipped = 0;
    QCOMPARE(ParseMarkerFile("2026-12-08 00:00:01.000\t\r\n" // CR LF, out of order
                             "2026-12-07 14:05:00.250\tchanged R5 → 4.7 kΩ\n"
                             "2026-12-07 14:05\tno milliseconds\n"
                             "2026-13-07 14:05:00.000\tno such month\n"
                             "no tab at all\n\n",
                             &skipped),
             markers);
    QCOMPARE(skipped, 3);

    // Saved beside the sample file; saving none empties an earlier file, and creates none.
    QTemporaryDir dir;
    const QString mas = dir.filePath(u"run.mas"_qs);
    QCOMPARE(LoadMarkerFile(mas).Value(), MarkerList());
    QVERIFY(SaveMarkerFile(dir.filePath(u"other.mas"_qs), {}).Ok());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"other.markers"_qs)));
    QVERIFY(SaveMarkerFile(mas, markers).Ok());
    QCOMPARE(test::FileBytes(dir.filePath(u"run.markers"_qs)), bytes);
    QCOMPARE(LoadMarkerFile(mas).Value(), markers);
    QVERIFY(SaveMarkerFile(mas, {}).Ok());
    QCOMPARE(test::FileBytes(dir.filePath(u"run.markers"_qs)), QByteArray());
}

QTEST_GUILESS_MAIN(tst_Notes)
#include "tst_notes.moc"
