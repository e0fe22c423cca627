#include "common/Numbers.h"
#include "common/RecordingSurface.h"
#include "print/ReportModel.h"
#include "record/SampleLog.h"
#include "support/SampleRecords.h"

#include <QtTest>

using namespace kst;

namespace {

// A log of n samples: sample s recorded on day s / 50 after 1 May 2000 at 10:00:00 + s seconds,
// value s + 0.5 with one decimal in DCV, no statistics running.
void Fill(SampleLog &log, int n)
{
    log.Reset();
    test::FillLog(log, n, [](qint32 s, Sample &sample) {
        sample.value = float(s) + 0.5f;
        sample.date = QDate(2000, 5, 1).addDays(s / 50);
    });
}

std::function<QDateTime()> StepClock()
{
    auto tick = std::make_shared<int>(0);
    return [tick] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)).addSecs((*tick)++); };
}

struct Placed {
    QString text;
    double x;
    double y;
    int page;
};

// Texts with their column, line and page number (pages counted by NewPage items).
QList<Placed> Layout(const RecordingSurface &surface)
{
    QList<Placed> out;
    int page = 1;
    for (const auto &item : surface.items) {
        if (item.kind == RecordingSurface::Kind::NewPage)
            ++page;
        if (item.kind == RecordingSurface::Kind::Text)
            out.append({item.text, item.points[0].x(), item.points[0].y(), page});
    }
    return out;
}

const Placed *Find(const QList<Placed> &layout, const QString &text, int occurrence = 0)
{
    for (const Placed &p : layout)
        if (p.text == text && occurrence-- == 0)
            return &p;
    return nullptr;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void cellTexts_data();
    void cellTexts();
    void listsEverySampleWithPageNotes();
    void headingsAndAlignment();
    void rangeChoice_data();
    void rangeChoice();
    void headerRowAndFooterPositions_data();
    void headerRowAndFooterPositions();
    void titleLengthMovesPage_data();
    void titleLengthMovesPage();
    void pagesOf120Records();
    void rangePrintsOnlyListedRecords();
    void startAboveRecordsPrintsEmptyPage();
    void fontIsArial10BoldAndRestored();
};

void TestReport::cellTexts_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("isMax");
    QTest::addColumn<int>("isMin");
    QTest::addColumn<float>("avg");
    QTest::addColumn<float>("rel");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");

    const float off = NoValueMarker;
    QTest::newRow("4.000 with 3 decimals is OL") << 4.0f << 3 << 0 << 0 << off << off << 3 << "OL";
    QTest::newRow("-4.000 is a number") << -4.0f << 3 << 0 << 0 << off << off << 3 << "-4.000";
    QTest::newRow("400.0 with 1 decimal is OL") << 400.0f << 1 << 0 << 0 << off << off << 3 << "OL";
    QTest::newRow("4.000 with 2 decimals is a number")
        << 4.0f << 2 << 0 << 0 << off << off << 3 << "04.00";
    QTest::newRow("leading zeros 001.5") << 1.5f << 1 << 0 << 0 << off << off << 3 << "001.5";
    QTest::newRow("leading zeros 0025") << 25.0f << 0 << 0 << 0 << off << off << 3 << "0025";
    QTest::newRow("MAX") << 1.0f << 0 << -1 << 0 << off << off << 5 << "MAX";
    QTest::newRow("MIN") << 1.0f << 0 << 0 << -1 << off << off << 5 << "MIN";
    QTest::newRow("MIN wins over MAX") << 1.0f << 0 << -1 << -1 << off << off << 5 << "MIN";
    QTest::newRow("neither") << 1.0f << 0 << 0 << 0 << off << off << 5 << "";
    QTest::newRow("no average") << 1.0f << 2 << 0 << 0 << off << 1.0f << 6 << "OFF";
    QTest::newRow("average digits") << 1.0f << 2 << 0 << 0 << 1.25f << off << 6 << "01.25";
    QTest::newRow("rel off") << 1.0f << 2 << 0 << 0 << 1.0f << off << 7 << "OFF";
    QTest::newRow("rel digits") << 1.0f << 3 << 0 << 0 << off << -0.5f << 7 << "-0.500";
    QTest::newRow("record number") << 1.0f << 0 << 0 << 0 << off << off << 0 << "1";
    QTest::newRow("time") << 1.0f << 0 << 0 << 0 << off << off << 2 << "13:14:15";
    QTest::newRow("date") << 1.0f << 0 << 0 << 0 << off << off << 1 << "12/31/2003";
    QTest::newRow("unit") << 1.0f << 0 << 0 << 0 << off << off << 4 << "ACmV";
}

void TestReport::cellTexts()
{
    QFETCH(float, value);
    QFETCH(int, decimals);
    QFETCH(int, isMax);
    QFETCH(int, isMin);
    QFETCH(float, avg);
    QFETCH(float, rel);
    QFETCH(int, column);
    QFETCH(QString, expected);

    SampleLog log;
    log.Append({value, QDate(2003, 12, 31), QTime(13, 14, 15), QStringLiteral("ACmV"),
                qint16(decimals), qint16(isMax), qint16(isMin), avg, rel});
    QCOMPARE(ReportCellText(log, 1, column), expected);
}

void TestReport::listsEverySampleWithPageNotes()
{
    SampleLog log;
    Fill(log, 1);
    QCOMPARE(ReportTableModel(log).rowCount(), 1); // the newest (only) sample is listed

    Fill(log, 52);
    ReportTableModel model(log);
    QCOMPARE(model.rowCount(), 52);
    QCOMPARE(model.columnCount(), 9);
    const QList<std::pair<int, QString>> notes = {
        {1, "Page 1"}, {2, ""}, {50, ""}, {51, "Page 2"}, {52, ""}};
    for (const auto &[record, note] : notes)
        QCOMPARE(model.data(model.index(record - 1, 8)).toString(), note);
    QCOMPARE(model.data(model.index(51, 0)).toString(), QStringLiteral("52"));
    QCOMPARE(model.data(model.index(51, 3)).toString(), QStringLiteral("051.5"));

    // Samples recorded after the window opened are not listed.
    log.MakeRoomFor(52);
    log.SampleCount = 53;
    QCOMPARE(model.rowCount(), 52);
    QCOMPARE(ReportCellText(log, 0, 0), QString());
}

void TestReport::headingsAndAlignment()
{
    const QStringList headings = ReportHeadings();
    QCOMPARE(headings.size(), 9);
    QCOMPARE(headings[0], QStringLiteral("                "));
    QCOMPARE(headings[1], QStringLiteral(" Date          "));
    QCOMPARE(headings[6], QStringLiteral("Averge     "));
    QCOMPARE(headings[8], QStringLiteral("Note       "));
    for (int c = 0; c < 9; ++c)
        QCOMPARE(ReportColumnRightAligned(c), c == 8);
    SampleLog log;
    Fill(log, 2);
    ReportTableModel model(log);
    QCOMPARE(model.headerData(7, Qt::Horizontal).toString(), QStringLiteral("Rel         "));
    QCOMPARE(model.data(model.index(0, 8), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));
    QCOMPARE(model.data(model.index(0, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, 0);
}

void TestReport::rangeChoice_data()
{
    QTest::addColumn<bool>("allData");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    const int ok = int(ReportRangeChoice::Status::Ok);
    QTest::newRow("all data") << true << "x"
                              << "y" << ok << 1 << 100;
    QTest::newRow("end lowered") << false << "30"
                                 << "1000" << ok << 30 << 100;
    QTest::newRow("halves to even") << false << "2.5"
                                    << "3.5" << ok << 2 << 4;
    QTest::newRow("start above records") << false << "150"
                                         << "200" << ok << 150 << 100;
    QTest::newRow("start 0 refused")
        << false << "0"
        << "5" << int(ReportRangeChoice::Status::StartBelowOne) << 0 << 0;
    QTest::newRow("start 0.4 refused")
        << false << "0.4"
        << "5" << int(ReportRangeChoice::Status::StartBelowOne) << 0 << 0;
    QTest::newRow("not numeric") << false << "abc"
                                 << "5" << int(ReportRangeChoice::Status::NotNumeric) << 0 << 0;
    QTest::newRow("end not numeric") << false << "1"
                                     << "" << int(ReportRangeChoice::Status::NotNumeric) << 0 << 0;
}

void TestReport::rangeChoice()
{
    QFETCH(bool, allData);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(int, status);
    QFETCH(int, first);
    QFETCH(int, last);
    const ReportRangeChoice choice = ChooseReportRange(allData, start, end, 100);
    QCOMPARE(int(choice.status), status);
    if (choice.status == ReportRangeChoice::Status::Ok) {
        QCOMPARE(choice.range.first, first);
        QCOMPARE(choice.range.last, last);
    }
}

void TestReport::headerRowAndFooterPositions_data()
{
    // One character is one unit and one line is one unit, so x reads as a column, y as a line.
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("column");
    QTest::addColumn<double>("line");
    QTest::newRow("title") << "Volts" << 28.0 << 7.0;
    QTest::newRow("Page: two zones after the title") << "Page:" << 56.0 << 7.0;
    QTest::newRow("page number right after") << "0001" << 61.0 << 7.0;
    QTest::newRow("record date label") << "Record Date:   " << 14.0 << 9.0;
    QTest::newRow("record date") << "05-01-2000" << 29.0 << 9.0;
    QTest::newRow("heading Record") << "Record" << 14.0 << 10.0;
    QTest::newRow("heading Time") << "Time" << 28.0 << 10.0;
    QTest::newRow("heading Data") << "Data" << 42.0 << 10.0;
    QTest::newRow("heading Unit") << "Unit" << 56.0 << 10.0;
    QTest::newRow("heading MAX/MIN") << "MAX/MIN" << 70.0 << 10.0;
    QTest::newRow("heading Averge") << "Averge" << 84.0 << 10.0;
    QTest::newRow("heading Rel") << " Rel" << 98.0 << 10.0;
    QTest::newRow("record number") << "1" << 14.0 << 11.0;
    QTest::newRow("time") << "10:00:00" << 28.0 << 11.0;
    QTest::newRow("data") << "000.5" << 42.0 << 11.0;
    QTest::newRow("unit") << "DCV" << 56.0 << 11.0;
    QTest::newRow("average") << "OFF" << 84.0 << 11.0;
    QTest::newRow("third row") << "002.5" << 42.0 << 13.0;
    QTest::newRow("footer after an empty line") << "Print Date: " << 14.0 << 15.0;
    QTest::newRow("print date") << "02-03-2001 04:05:06" << 26.0 << 15.0;
}

void TestReport::headerRowAndFooterPositions()
{
    QFETCH(QString, text);
    QFETCH(double, column);
    QFETCH(double, line);
    SampleLog log;
    Fill(log, 3);
    RecordingSurface surface;
    PrintReport(surface, log, QStringLiteral("Volts"), {1, 3}, StepClock());
    const QList<Placed> layout = Layout(surface);
    const Placed *p = Find(layout, text);
    QVERIFY2(p, qPrintable(text));
    QCOMPARE(p->x, column);
    QCOMPARE(p->y, line);
    // Nothing but the expected texts: the date column and the notes are not printed.
    QVERIFY(!Find(layout, QStringLiteral("05/01/2000")));
    QVERIFY(!Find(layout, QStringLiteral("Page 1")));
    QCOMPARE(surface.items.last().kind, RecordingSurface::Kind::EndDoc);
}

void TestReport::titleLengthMovesPage_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<double>("pageColumn");
    QTest::newRow("empty title") << "" << 56.0;
    QTest::newRow("13 characters") << "abcdefghijklm" << 56.0;
    QTest::newRow("14 characters push a zone") << "abcdefghijklmn" << 70.0;
    QTest::newRow("30 characters") << QString(30, u'x') << 84.0;
}

void TestReport::titleLengthMovesPage()
{
    QFETCH(QString, title);
    QFETCH(double, pageColumn);
    SampleLog log;
    Fill(log, 1);
    RecordingSurface surface;
    PrintReport(surface, log, title, {1, 1}, StepClock());
    const Placed *page = Find(Layout(surface), QStringLiteral("Page:"));
    QVERIFY(page);
    QCOMPARE(page->x, pageColumn);
}

void TestReport::pagesOf120Records()
{
    SampleLog log;
    Fill(log, 120);
    RecordingSurface surface;
    PrintReport(surface, log, QStringLiteral("T"), {1, 120}, StepClock());
    const QList<Placed> layout = Layout(surface);

    int newPages = 0;
    for (const auto &item : surface.items)
        newPages += item.kind == RecordingSurface::Kind::NewPage;
    QCOMPARE(newPages, 2);

    const QStringList numbers = {"0001", "0002", "0003"};
    for (int page = 1; page <= 3; ++page) {
        const Placed *number = Find(layout, numbers[page - 1]);
        QVERIFY(number);
        QCOMPARE(number->page, page);
        QCOMPARE(number->y, 7.0);
        const Placed *footer = Find(layout, QStringLiteral("Print Date: "), page - 1);
        QVERIFY(footer);
        QCOMPARE(footer->page, page);
    }
    QVERIFY(!Find(layout, QStringLiteral("Print Date: "), 3));

    // Record 50 closes page 1 on its last row line; record 51 opens page 2 under its header.
    const QList<std::tuple<QString, int, double>> rows = {
        {"1", 1, 11}, {"50", 1, 60}, {"51", 2, 11}, {"100", 2, 60}, {"101", 3, 11}, {"120", 3, 30}};
    for (const auto &[record, page, line] : rows) {
        const Placed *p = Find(layout, record);
        QVERIFY2(p, qPrintable(record));
        QCOMPARE(p->page, page);
        QCOMPARE(p->x, 14.0);
        QCOMPARE(p->y, line);
    }
    // 50 rows, then an empty line and the footer: 63 lines a page.
    QCOMPARE(Find(layout, QStringLiteral("Print Date: "))->y, 62.0);

    // Each page header carries the date of its first record; each footer reads the clock.
    const Placed *date2 = Find(layout, QStringLiteral("05-02-2000"));
    QVERIFY(date2);
    QCOMPARE(date2->page, 2);
    QCOMPARE(date2->y, 9.0);
    QVERIFY(Find(layout, QStringLiteral("02-03-2001 04:05:08")));
}

void TestReport::rangePrintsOnlyListedRecords()
{
    SampleLog log;
    Fill(log, 100);
    const ReportRangeChoice choice = ChooseReportRange(false, u"30", u"1000", log.SampleCount);
    RecordingSurface surface;
    PrintReport(surface, log, QStringLiteral("T"), choice.range, StepClock());
    const QList<Placed> layout = Layout(surface);
    QStringList records;
    for (const Placed &p : layout)
        if (p.x == 14.0 && p.y >= 11 && p.y <= 60 && p.text != QStringLiteral("Print Date: "))
            records.append(p.text);
    QCOMPARE(records.size(), 71);
    QCOMPARE(records.first(), QStringLiteral("30"));
    QCOMPARE(records.last(), QStringLiteral("100"));
    QCOMPARE(Find(layout, QStringLiteral("100"))->page, 2);
    QCOMPARE(Find(layout, QStringLiteral("079.5"))->page, 2); // record 80 is the 51st row
    QCOMPARE(Find(layout, QStringLiteral("078.5"))->page, 1);
}

void TestReport::startAboveRecordsPrintsEmptyPage()
{
    SampleLog log;
    Fill(log, 120);
    RecordingSurface surface;
    PrintReport(surface, log, QStringLiteral("T"), {150, 120}, StepClock());
    const QList<Placed> layout = Layout(surface);
    QCOMPARE(layout.last().page, 1);
    QVERIFY(Find(layout, QStringLiteral("05-01-2000"))); // date of record 1
    QCOMPARE(Find(layout, QStringLiteral("Print Date: "))->y, 12.0);
    QVERIFY(!Find(layout, QStringLiteral("1")));
}

void TestReport::fontIsArial10BoldAndRestored()
{
    SampleLog log;
    Fill(log, 2);
    RecordingSurface surface;
    surface.SetFontName(QStringLiteral("Courier"));
    surface.SetFontSize(12);
    PrintReport(surface, log, QStringLiteral("T"), {1, 2}, StepClock());
    for (const auto &text : surface.Texts()) {
        QCOMPARE(text.fontSize, 10.0);
        QVERIFY(text.bold);
    }
    QCOMPARE(surface.FontName(), QStringLiteral("Courier"));
    QCOMPARE(surface.FontSize(), 12.0);
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
