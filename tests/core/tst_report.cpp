#include "common/Numbers.h"
#include "common/RecordingSurface.h"
#include "print/ReportModel.h"
#include "support/SampleRecords.h"

#include <QtTest>

using namespace kst;

namespace {

// n samples: sample s on day s / 50 after 1 May 2000 at 10:00:00 + s seconds, s + 0.5 DCV.
void Fill(SampleLog &log, int n)
{
    log.Reset();
    for (int s = 0; s < n; ++s)
        log.Append({float(s) + 0.5f, QDate(2000, 5, 1).addDays(s / 50), QTime(10, 0).addSecs(s),
                    QStringLiteral("DCV"), 1, 0, 0, NoValueMarker, NoValueMarker});
}

// Printed texts with their line and page; one line is one unit high.
struct Placed {
    QString text;
    double y;
    int page;
};
QList<Placed> Print(const SampleLog &log, const QString &title, ReportRange range,
                    const MarkerList *markers = nullptr)
{
    RecordingSurface surface(QSizeF(1000, 1000));
    int tick = 0;
    PrintReport(
        surface, log, title, range,
        [&] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)).addSecs(tick++); }, markers);
    QList<Placed> out;
    int page = 1;
    for (const auto &item : surface.items) {
        page += item.kind == RecordingSurface::Kind::NewPage;
        if (item.kind == RecordingSurface::Kind::Text)
            out.append({item.text, item.points[0].y(), page});
    }
    return out;
}
qsizetype IndexOf(const QList<Placed> &layout, const QString &text, int occurrence = 0)
{
    for (qsizetype i = 0; i < layout.size(); ++i)
        if (layout[i].text == text && occurrence-- == 0)
            return i;
    return -1;
}
const Placed *Find(const QList<Placed> &layout, const QString &text, int occurrence = 0)
{
    const qsizetype i = IndexOf(layout, text, occurrence);
    return i < 0 ? nullptr : &layout[i];
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void cellTexts_data();
    void cellTexts();
    void tableListsEverySampleWithPageNotes();
    void rangeChoice_data();
    void rangeChoice();
    void pagesOfARange_data();
    void pagesOfARange();
    void sectionsOfSeveralMeters();
};

void TestReport::cellTexts_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
    QTest::newRow("+4000 counts is OL") << 4.0f << 3 << 3 << "OL";
    QTest::newRow("-4000 counts is a number") << -4.0f << 3 << 3 << "-4.000";
    QTest::newRow("4.00 with 2 decimals is a number") << 4.0f << 2 << 3 << "04.00";
    QTest::newRow("MIN wins over MAX") << 1.0f << 0 << 5 << "MIN";
    QTest::newRow("rel with the sample's decimals") << 1.0f << 3 << 7 << "-0.500";
}

void TestReport::cellTexts()
{
    QFETCH(float, value);
    QFETCH(int, decimals);
    QFETCH(int, column);
    QFETCH(QString, expected);
    SampleLog log;
    log.Append({value, {}, {}, "DCV", qint16(decimals), -1, -1, NoValueMarker, -0.5f});
    QCOMPARE(ReportCellText(log, 1, column), expected);
}

void TestReport::tableListsEverySampleWithPageNotes()
{
    SampleLog log;
    Fill(log, 52);
    ReportTableModel model(log);
    QCOMPARE(model.rowCount(), 52); // the newest sample is listed too
    QStringList notes;
    for (int row : {0, 1, 49, 50, 51})
        notes.append(model.data(model.index(row, 8)).toString());
    QCOMPARE(notes, (QStringList{"Page 1", "", "", "Page 2", ""}));
    Fill(log, 53); // recorded after the window opened: not listed
    QCOMPARE(model.rowCount(), 52);
}

void TestReport::rangeChoice_data()
{
    // The range boxes' texts ("all" for "All data") against 100 records: "first last" or the
    // refusal.
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("range");
    QTest::newRow("all data") << "all"
                              << "1 100";
    QTest::newRow("end lowered to the records") << "30|1000"
                                                << "30 100";
    QTest::newRow("halves to even") << "2.5|3.5"
                                    << "2 4";
    QTest::newRow("start above the records") << "150|200"
                                             << "150 100";
    QTest::newRow("start 0.4 refused") << "0.4|5"
                                       << "start below one";
    QTest::newRow("start not numeric") << "abc|x"
                                       << "start not numeric";
    QTest::newRow("end not numeric") << "1|"
                                     << "end not numeric";
}

void TestReport::rangeChoice()
{
    QFETCH(QString, boxes);
    QFETCH(QString, range);
    const ReportRangeChoice c = ChooseReportRange(boxes == "all", boxes.section(u'|', 0, 0),
                                                  boxes.section(u'|', 1, 1), 100);
    static const QStringList refusals = {"", "start not numeric", "end not numeric",
                                         "start below one"};
    QCOMPARE(c.status == ReportRangeChoice::Status::Ok
                 ? QStringLiteral("%1 %2").arg(c.range.first).arg(c.range.last)
                 : refusals[int(c.status)],
             range);
}

void TestReport::pagesOfARange_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QList<int>>("firstRecordOfPage");
    QTest::addColumn<int>("lastLine");
    // Markers at the moments of these records, "m<record>"; those among the range are listed.
    QTest::addColumn<QList<int>>("markerRecords");
    QTest::addColumn<QList<int>>("listed");
    QTest::newRow("120 records on three pages")
        << 1 << 120 << QList<int>{1, 51, 101} << 32 << QList<int>{} << QList<int>{};
    QTest::newRow("records 30 to 100")
        << 30 << 100 << QList<int>{30, 80} << 33 << QList<int>{} << QList<int>{};
    QTest::newRow("start above the records")
        << 150 << 120 << QList<int>{0} << 12 << QList<int>{5} << QList<int>{};
    // An empty line, "Markers:" and a line each after the rows.
    QTest::newRow("markers after the rows")
        << 1 << 120 << QList<int>{1, 51, 101} << 36 << QList<int>{5, 120} << QList<int>{5, 120};
    QTest::newRow("markers outside the range left out")
        << 30 << 100 << QList<int>{30, 80} << 33 << QList<int>{10, 101} << QList<int>{};
    QTest::newRow("the listing goes on to a new page")
        << 1 << 48 << QList<int>{1, 0} << 14 << QList<int>{5, 40} << QList<int>{5, 40};
}

void TestReport::pagesOfARange()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QList<int>, firstRecordOfPage);
    QFETCH(int, lastLine);
    QFETCH(QList<int>, markerRecords);
    QFETCH(QList<int>, listed);
    SampleLog log;
    Fill(log, 120);
    MarkerList markers;
    for (const int record : markerRecords)
        markers.push_back({log.SampleDate(record - 1), log.SampleTime(record - 1),
                           QStringLiteral("m%1").arg(record)});
    const QList<Placed> layout = Print(log, QStringLiteral("T"), {first, last}, &markers);
    QStringList listing;
    for (const Placed &placed : layout)
        if (placed.text.startsWith(QStringLiteral("Markers:")) || placed.text.contains(u"  m"))
            listing << placed.text;
    QStringList expected;
    for (const int record : listed)
        expected << QStringLiteral("%1 %2  m%3")
                        .arg(log.SampleDate(record - 1).toString("MM-dd-yyyy"),
                             log.SampleTime(record - 1).toString("HH:mm:ss"))
                        .arg(record);
    if (!expected.isEmpty())
        expected.prepend(QStringLiteral("Markers:"));
    QCOMPARE(listing, expected);
    for (int page = 1; page <= firstRecordOfPage.size(); ++page) {
        const Placed *number =
            Find(layout, QStringLiteral("Page:%1").arg(page, 4, 10, QChar(u'0')));
        QVERIFY(number && number->page == page && number->y == 7);
        // 11 header lines, then the rows from line 11; a full page's footer is on line 62.
        const int record = firstRecordOfPage[page - 1];
        const Placed *row = Find(layout, QString::number(record));
        QVERIFY(record == 0 || (row && row->page == page && row->y == 11));
        const Placed *footer = Find(layout, QStringLiteral("Print Date: "), page - 1);
        QVERIFY(footer && footer->page == page);
        if (page < firstRecordOfPage.size())
            QCOMPARE(footer->y, 62.0);
        // The page header carries the date of its first record (of record 1 when there is none).
        const qsizetype date = IndexOf(layout, QStringLiteral("Record Date:   "), page - 1);
        QCOMPARE(layout[date + 1].text,
                 QDate(2000, 5, 1).addDays(qMax(record - 1, 0) / 50).toString("MM-dd-yyyy"));
    }
    QCOMPARE(layout.last().page, firstRecordOfPage.size());
    QCOMPARE(layout.last().y, double(lastLine));
    QVERIFY(layout.last().text.startsWith(QStringLiteral("02-03-2001 04:05:0")));
}

void TestReport::sectionsOfSeveralMeters()
{
    // Meter A fills a page and a row, meter B has three samples of its own: B starts on a new
    // page numbered 1 with its own title, dates and records.
    SampleLog a, b;
    Fill(a, 51);
    test::FillLog(b, 3, [](qint32, Sample &s) { s.unit = QStringLiteral("ACV"); });
    RecordingSurface surface(QSizeF(1000, 1000));
    PrintReportSections(surface, {{"Run - A", a, {1, 51}}, {"Run - B", b, {1, 3}}},
                        [] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)); });
    QList<Placed> layout;
    int page = 1;
    for (const auto &item : surface.items) {
        page += item.kind == RecordingSurface::Kind::NewPage;
        if (item.kind == RecordingSurface::Kind::Text)
            layout.append({item.text, item.points[0].y(), page});
    }
    QCOMPARE(layout.last().page, 3);
    QCOMPARE(surface.items.last().kind, RecordingSurface::Kind::EndDoc);
    const Placed *titleB = Find(layout, QStringLiteral("Run - B"));
    QVERIFY(titleB && titleB->page == 3 && !Find(layout, QStringLiteral("Run - A"), 2));
    const Placed *pageOne = Find(layout, QStringLiteral("Page:0001"), 1);
    QVERIFY(pageOne && pageOne->page == 3 && pageOne->y == 7);
    const qsizetype date = IndexOf(layout, QStringLiteral("Record Date:   "), 2);
    QCOMPARE(layout[date + 1].text, QStringLiteral("05-04-2000"));
    const qsizetype unit = IndexOf(layout, QStringLiteral("ACV"));
    QVERIFY(unit > 0 && layout[unit].page == 3 && layout[unit].y == 11);
    QCOMPARE(std::count_if(layout.begin(), layout.end(),
                           [](const Placed &p) { return p.text == QStringLiteral("ACV"); }),
             3);
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
