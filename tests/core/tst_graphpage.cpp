#include "common/PrinterPage.h"
#include "common/RecordingSurface.h"
#include "graph/GraphView.h"
#include "graph/TrendGraph.h"
#include "print/GraphPage.h"
#include "record/SampleLog.h"
#include "support/SampleRecords.h"

#include <QtTest>

using namespace kst;

namespace {

// n samples in DCV, sample s at 10:00:00 + s seconds with value s.
void Fill(SampleLog &log, int n)
{
    log.Reset();
    for (int s = 0; s < n; ++s)
        log.Append({float(s), {}, QTime(10, 0).addSecs(s), "DCV", 0, 0, 0, 0, 0});
}

// The texts of the printed graph page's labels for a value range, 125 characters and 50 lines a
// page, with the curve's range starting at first.
RecordingSurface PrintedLabels(float top, float low, const SampleLog &log, qint32 first = 0,
                               const QString &fileName = QString())
{
    GraphPrintState state{first, 0, 12.5f, "DCV", -3.25f, "DCV", "DCV", 100};
    RecordingSurface surface(QSizeF(1000, 1000), 8, 20);
    PreparePrinterPage(surface, top, low, 100);
    PrintGraphLabels(surface, top, low, 100, log, state, fileName,
                     QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    return surface;
}

} // namespace

class TestGraphPage : public QObject {
    Q_OBJECT
private slots:
    void labelsStayOnPage_data();
    void labelsStayOnPage();
    void curveIsClippedAndWide();
    void curveBrokenAtGapsWithMarkers();
    void ranges_data();
    void ranges();
    void previewOfPages2To3();
    void stripsOfSeveralMeters_data();
    void stripsOfSeveralMeters();
};

void TestGraphPage::labelsStayOnPage_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("labels");
    QTest::newRow("400 to -400") << 400.0f << -400.0f << "/d/f.mas"
                                 << "/d/f.mas +400.0 +300.0 +200.0 +100.0 0.0 -100.0 -200.0 "
                                    "-300.0 -400.0";
    QTest::newRow("2 to 0") << 2.0f << 0.0f << "/d/f.mas"
                            << "/d/f.mas +2.0 +1.75 +1.5 +1.25 +1.0 +0.75 +0.5 +0.25 0.0";
    QTest::newRow("a file name wider than the page")
        << 0.0f << -8.0f << QString(300, u'x')
        << QString(52, u'x') + QChar(0x2026) + QString(52, u'x') +
               " 0.0 -1.0 -2.0 -3.0 -4.0 -5.0 -6.0 -7.0 -8.0";
}

void TestGraphPage::labelsStayOnPage()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(QString, fileName);
    QFETCH(QString, labels);
    SampleLog log;
    Fill(log, 200);
    const RecordingSurface page = PrintedLabels(top, low, log, 0, fileName);
    const QStringList expected = labels.split(u' ');
    QStringList values;
    for (const auto &text : page.Texts()) {
        const QPointF at = text.points[0];
        if (expected.contains(text.text))
            values.append(text.text);
        // Above the graph only the file name and the top label; under it the time labels and the
        // lines "Unit:", "Max:"/"Min:" and "Print Date:", all above the page's bottom edge.
        QVERIFY2((at.y() > top) == (text.text == expected[0] || text.text == expected[1]),
                 qPrintable(text.text));
        QVERIFY2(at.y() + page.TextHeight() > page.ScaleTop() + page.ScaleHeight(),
                 qPrintable(text.text));
        QVERIFY2(at.x() + page.TextWidth(text.text) <= page.ScaleLeft() + page.ScaleWidth(),
                 qPrintable(text.text));
    }
    values.move(values.size() - 1, 0);
    QCOMPARE(values, expected);
    for (const char *t : {"Unit:  ", "Max:  ", "-3.25", "02-03-2001 04:05:06"})
        QVERIFY2(page.TextStrings().contains(QString::fromLatin1(t)), t);
}

void TestGraphPage::curveIsClippedAndWide()
{
    SampleLog log;
    QString graphUnit = QStringLiteral("DCV");
    for (auto [value, unit] : QList<std::pair<float, QString>>{
             {50, "DCV"}, {500, "DCV"}, {-500, "DCV"}, {0.1f, " V "}, {250, "DCmV"}})
        log.Append({value, {}, {}, unit, 0, 0, 0, 0, 0});
    GraphPrintState state;
    state.PrintLastIndex = 4; // the newest sample is drawn too
    RecordingSurface surface;
    PrintGraphPage(surface, {log, graphUnit, 400, -400, {}, QDateTime::currentDateTime()}, state,
                   100, 8);
    QStringList curve;
    for (const auto &line : surface.Lines().mid(20))
        curve.append(QStringLiteral("%1,%2/%3")
                         .arg(line.points[1].x())
                         .arg(line.points[1].y())
                         .arg(line.width));
    QCOMPARE(curve.join(u' '), QStringLiteral("0,50/8 1,400/8 2,-400/8 3,0.1/8 4,0.25/8"));
    QCOMPARE(surface.DrawWidth(), 1);
    QCOMPARE(surface.items.last().kind, RecordingSurface::Kind::EndDoc);
    QCOMPARE(log.SampleUnit(3), QStringLiteral("V")); // the conversion trims in place
}

void TestGraphPage::curveBrokenAtGapsWithMarkers()
{
    // Samples 0..5 a second apart, then a minute without any, then 6..9; markers at sample 3
    // (printed) and at sample 12's moment (after the range: not printed).
    SampleLog log;
    QString graphUnit = QStringLiteral("DCV");
    for (int s = 0; s < 10; ++s)
        log.Append({float(s), QDate(2026, 12, 7), QTime(10, 0).addSecs(s + (s >= 6 ? 60 : 0)),
                    "DCV", 0, 0, 0, 0, 0});
    const MarkerList markers{{QDate(2026, 12, 7), QTime(10, 0, 3), "fan on"},
                             {QDate(2026, 12, 7), QTime(10, 2), "later"}};
    GraphPrintState state;
    state.PrintLastIndex = 9;
    RecordingSurface surface;
    PrintGraphPage(surface, {log, graphUnit, 400, -400, {}, QDateTime::currentDateTime(), &markers},
                   state, 100, 8);
    QStringList curve, marks;
    for (const auto &line : surface.Lines()) {
        const QString segment = QStringLiteral("%1,%2-%3,%4")
                                    .arg(line.points[0].x())
                                    .arg(line.points[0].y())
                                    .arg(line.points[1].x())
                                    .arg(line.points[1].y());
        if (line.width == 8)
            curve << segment;
        else if (line.colour == GapColour && line.style == 1)
            marks << QStringLiteral("gap ") + segment;
        else if (line.colour == MarkerColour)
            marks << QStringLiteral("marker ") + segment;
    }
    // Each line starts with a dot at its first sample (a lone sample between gaps shows).
    QCOMPARE(curve.join(u' '), QStringLiteral("0,0-0,0 0,0-1,1 1,1-2,2 2,2-3,3 3,3-4,4 4,4-5,5 "
                                              "6,6-6,6 6,6-7,7 7,7-8,8 8,8-9,9"));
    QCOMPARE(marks.join(u' '), QStringLiteral("gap 5.5,400-5.5,-400 marker 3,400-3,-400"));
    QVERIFY(surface.TextStrings().contains(QStringLiteral("fan on")));
    QVERIFY(!surface.TextStrings().contains(QStringLiteral("later")));
}

void TestGraphPage::ranges_data()
{
    // Rules on a log of 250 samples with 100 samples a page: "first last span draw".
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("range");
    QTest::newRow("opening") << "open 100"
                             << "0 100 100 1";
    QTest::newRow("repaint lowers last, keeps span") << "paint 100 300"
                                                     << "100 249 200 1";
    QTest::newRow("All Data") << "all"
                              << "0 249 249 1";
    QTest::newRow("pages 2 to 3") << "pages 2 3"
                                  << "100 249 200 1";
    QTest::newRow("pages beyond the data") << "pages 5 6"
                                           << "400 249 200 0";
    QTest::newRow("end page not numeric") << "pages 1 x"
                                          << "end not numeric";
    QTest::newRow("start page 0 refused") << "pages 0 1"
                                          << "start below one";
    // The screen graph zoomed: from the sample at its left edge across its width.
    QTest::newRow("zoomed view") << "view 130.5 40"
                                 << "130 170 40 1";
    QTest::newRow("zoomed view past the newest sample") << "view 230 40.2"
                                                        << "230 249 41 1";
    QTest::newRow("zoomed view beyond the samples") << "view 260 40"
                                                    << "260 249 40 0";
}

void TestGraphPage::ranges()
{
    QFETCH(QString, rule);
    QFETCH(QString, range);
    const QStringList w = rule.split(u' ');
    PreviewRange r;
    if (w[0] == "open")
        r = OpeningRange(w[1].toInt(), 250);
    else if (w[0] == "paint")
        r = PaintRange(false, w[1].toInt(), w[2].toInt(), 250);
    else if (w[0] == "all")
        r = AllDataRange(250);
    else if (w[0] == "range")
        r = RangeChoiceRange(250, w[1].toInt());
    else if (w[0] == "view")
        r = ViewRange({w[1].toDouble(), w[2].toDouble()}, 250);
    else {
        const PageRangeChoice c = ChoosePageRange(w[1], w[2], true, 100, 250);
        using S = PageRangeChoice::Status;
        if (c.status != S::Ok)
            QCOMPARE(QString::fromLatin1(c.status == S::EndNotNumeric ? "end not numeric"
                                                                      : "start below one"),
                     range);
        r = c.range;
    }
    if (range[0].isDigit())
        QCOMPARE(
            QStringLiteral("%1 %2 %3 %4").arg(r.first).arg(r.last).arg(r.span).arg(int(r.draw)),
            range);
}

void TestGraphPage::previewOfPages2To3()
{
    SampleLog log;
    QString graphUnit = QStringLiteral("DCV");
    Fill(log, 250);
    log.SetSampleUnit(248, QStringLiteral("DCmV"));
    GraphPrintState state;
    state.PrintFirstIndex = 100;
    RecordingSurface frame(QSizeF(640, 420), 7, 14), box(QSizeF(550, 373));
    GraphPreview preview{frame, box, log, graphUnit, state, true, 5};
    DrawPreviewGraph(preview, 100, 249, 400, -400, 200);
    QCOMPARE(box.ScaleWidth(), 200.0);
    QList<RecordingSurface::Item> curve;
    for (const auto &line : box.Lines())
        if (line.colour == Red && line.width == 5 && line.style == 0) // solid
            curve.append(line);
    QCOMPARE(curve.size(), 149); // samples 100..248: the last index itself is not drawn
    QCOMPARE(curve.last().points[1].x(), 148.0);
    // 248 mV is the smallest value, kept in its own unit; over-range values are skipped.
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(state.PrintUnit)
                 .arg(state.PrintMaxValue)
                 .arg(state.PrintMinValue)
                 .arg(state.PrintMinUnit),
             QStringLiteral("DCmV 247 248 DCmV"));
    // Time labels every fifth of 200 steps from index 100; index 260 lies beyond the arrays, so
    // it, the label after it and the Unit/Max/Min line are left out.
    const QStringList texts = frame.TextStrings();
    QVERIFY(texts.contains("10:03:40") && !texts.contains("10:04:20"));
    QVERIFY(!texts.contains(QStringLiteral("Unit:  DCmV")));

    frame.Clear();
    box.Clear();
    DrawPreviewGraph(preview, 249, 249, 400, -400, 100); // an empty range draws nothing
    QVERIFY(frame.items.isEmpty() && box.items.isEmpty());
}

void TestGraphPage::stripsOfSeveralMeters_data()
{
    QTest::addColumn<int>("meters");
    QTest::newRow("two") << 2;
    QTest::newRow("three") << 3;
    QTest::newRow("eight") << 8;
}

void TestGraphPage::stripsOfSeveralMeters()
{
    // Meter k swings past both ends of its own range (k + 1 to -(k + 1)), so each curve spans
    // its band from top to bottom: the bands must follow one another down the page without
    // overlapping, each meter's name and top label above its own curve, the file name above the
    // first, time labels and print date under the last, all of it on the page.
    QFETCH(int, meters);
    const auto n = size_t(meters);
    std::vector<SampleLog> logs(n);
    std::vector<QString> units(n, QStringLiteral("DCV"));
    std::vector<GraphStrip> strips;
    for (int k = 0; k < meters; ++k) {
        const float range = float(k + 1);
        for (float v : {0.0f, 10 * range, -10 * range, 0.5f})
            logs[size_t(k)].Append({v, {}, QTime(10, 0), "DCV", 0, 0, 0, 0, 0});
        strips.push_back({QStringLiteral("meter%1").arg(k + 1), logs[size_t(k)], units[size_t(k)],
                          range, -range});
    }
    GraphPrintState state;
    state.PrintLastIndex = 3;
    RecordingSurface page(QSizeF(1000, 700), 6, 12);
    PrintGraphStrips(page, strips, {logs[0], units[0], 1, -1, "/d/run.mas", QDateTime()}, state,
                     100, 8);

    QList<std::pair<double, double>> bands; // device top and bottom of each curve
    for (const auto &item : page.Lines()) {
        if (item.width != 8)
            continue;
        const double y0 = std::min(item.device[0].y(), item.device[1].y());
        const double y1 = std::max(item.device[0].y(), item.device[1].y());
        if (bands.isEmpty() || y0 > bands.last().second + 1)
            bands.append({y0, y1});
        bands.last() = {std::min(bands.last().first, y0), std::max(bands.last().second, y1)};
    }
    QCOMPARE(bands.size(), meters);
    const auto textY = [&](const QString &text) {
        for (const auto &item : page.Texts())
            if (item.text == text)
                return item.device[0].y();
        return -1.0;
    };
    for (int k = 0; k < meters; ++k) {
        const double name = textY(QStringLiteral("meter%1").arg(k + 1));
        QVERIFY(name >= 0 && name < bands[k].first && (k == 0 || name > bands[k - 1].second));
        QVERIFY(bands[k].second - bands[k].first > 700.0 / meters / 2);
    }
    QVERIFY(textY("/d/run.mas") < textY("meter1"));
    QVERIFY(textY("Print Date: ") > bands.last().second);
    QVERIFY(textY("10:00:00") > bands.last().second);
    QCOMPARE(page.TextStrings().count("/d/run.mas"), 1);
    for (const auto &item : page.Texts())
        QVERIFY2(item.device[0].y() >= 0 && item.device[0].y() + 12 <= 700, qPrintable(item.text));
    QCOMPARE(page.items.last().kind, RecordingSurface::Kind::EndDoc);
}

QTEST_GUILESS_MAIN(TestGraphPage)
#include "tst_graphpage.moc"
