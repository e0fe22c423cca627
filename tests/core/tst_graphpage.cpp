#include "common/Module1.h"
#include "common/Numbers.h"
#include "common/PrinterPage.h"
#include "common/RecordingSurface.h"
#include "print/GraphPage.h"
#include "support/SampleRecords.h"

#include <QtTest>

using namespace kst;

namespace {

// n samples in DCV, sample s at 10:00:00 + s seconds with value s.
void Fill(SampleLog &log, int n)
{
    log.Reset();
    test::FillLog(log, n);
}

const RecordingSurface::Item *FindText(const RecordingSurface &surface, const QString &text)
{
    for (const auto &item : surface.items)
        if (item.kind == RecordingSurface::Kind::Text && item.text == text)
            return &item;
    return nullptr;
}

} // namespace

class TestGraphPage : public QObject {
    Q_OBJECT
private slots:
    void pageCoordinates_data();
    void pageCoordinates();
    void printerGrid_data();
    void printerGrid();
    void valueLabels_data();
    void valueLabels();
    void linesUnderGraphStayOnPage_data();
    void linesUnderGraphStayOnPage();
    void timeLabelsStopAtArrayEnd();
    void curveIsClippedAndWide();
    void lineWidth_data();
    void lineWidth();
    void extremes();
    void rangeRules_data();
    void rangeRules();
    void pageRange_data();
    void pageRange();
    void previewOfPages2To3();
    void previewDrawsNothingForEmptyRange();
};

void TestGraphPage::pageCoordinates_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<int>("span");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("topEdge");
    QTest::addColumn<double>("right");
    QTest::addColumn<double>("bottom");
    QTest::newRow("default range, span 100")
        << 400.0f << -400.0f << 100 << -21.0 << 500.0 << 112.0 << -400.0 - 800.0 * 32 / 24 * 5 / 32;
    QTest::newRow("0 to 2 V, span 50")
        << 2.0f << 0.0f << 50 << -10.0 << 2.25 << 57.0 << -2.0 * 32 / 24 * 5 / 32;
    QTest::newRow("span 3: halves to even")
        << 1.0f << -1.0f << 3 << -1.0 << 1.25 << 3.0 << -1.0 - 2.0 * 32 / 24 * 5 / 32;
}

void TestGraphPage::pageCoordinates()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(int, span);
    QFETCH(double, left);
    QFETCH(double, topEdge);
    QFETCH(double, right);
    QFETCH(double, bottom);
    RecordingSurface surface;
    PreparePrinterPage(surface, top, low, span);
    QCOMPARE(surface.ScaleLeft(), left);
    QVERIFY(qAbs(surface.ScaleTop() - topEdge) < 1e-4);
    QCOMPARE(surface.ScaleLeft() + surface.ScaleWidth(), right);
    QVERIFY(qAbs(surface.ScaleTop() + surface.ScaleHeight() - bottom) < 1e-4);
}

void TestGraphPage::printerGrid_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("style");
    for (int i = 0; i <= 8; ++i)
        QTest::addRow("horizontal %d", i) << i << true << i << (i % 4 == 0 ? 0 : 2);
    for (int i = 0; i <= 10; ++i)
        QTest::addRow("vertical %d", i) << 9 + i << false << i << (i % 10 == 0 ? 0 : 2);
}

void TestGraphPage::printerGrid()
{
    QFETCH(int, line);
    QFETCH(bool, horizontal);
    QFETCH(int, step);
    QFETCH(int, style);
    RecordingSurface surface;
    surface.SetDrawWidth(7);
    PreparePrinterPage(surface, 400, -400, 100);
    DrawPrinterGrid(surface);
    const auto lines = surface.Lines();
    QCOMPARE(lines.size(), 20);
    const auto &item = lines[line];
    QCOMPARE(item.style, style);
    QCOMPARE(item.width, 1);
    QCOMPARE(item.colour, 1);
    const double l = surface.ScaleLeft(), t = surface.ScaleTop();
    const double w = surface.ScaleWidth(), h = surface.ScaleHeight();
    const QPointF a = item.points[0], b = item.points[1];
    if (horizontal) {
        const double y = t + 3 * h / 32 + 24 * h / 32 * step / 8;
        QVERIFY(qAbs(a.y() - y) < 1e-6 && qAbs(b.y() - y) < 1e-6);
        QVERIFY(qAbs(a.x() - (l + 5 * w / 32)) < 1e-6);
        QVERIFY(qAbs(b.x() - (l + 29 * w / 32)) < 1e-6);
    } else {
        const double x = l + 5 * w / 32 + 24 * w / 32 * step / 10;
        QVERIFY(qAbs(a.x() - x) < 1e-6 && qAbs(b.x() - x) < 1e-6);
        QVERIFY(qAbs(a.y() - (t + 3 * h / 32)) < 1e-6);
        QVERIFY(qAbs(b.y() - (t + 27 * h / 32)) < 1e-6);
    }
    // The graph area sits on the value range to within the rounding of the page width.
    QVERIFY(qAbs(t + 3 * h / 32 - 400) < 1e-3);
    QVERIFY(qAbs(t + 27 * h / 32 + 400) < 1e-3);
    QCOMPARE(surface.DrawWidth(), 1);
    QCOMPARE(surface.ForeColor(), 1);
    QCOMPARE(surface.DrawStyle(), 0);
}

void TestGraphPage::valueLabels_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("400 to -400") << 400.0f << -400.0f
                                 << QStringList{"+400.0", "+300.0", "+200.0", "+100.0", "0.0",
                                                "-100.0", "-200.0", "-300.0", "-400.0"};
    QTest::newRow("2 to 0") << 2.0f << 0.0f
                            << QStringList{"+2.0",  "+1.75", "+1.5",  "+1.25", "+1.0",
                                           "+0.75", "+0.5",  "+0.25", "0.0"};
    QTest::newRow("0 to -8") << 0.0f << -8.0f << QStringList{"0.0",  "-1.0", "-2.0", "-3.0", "-4.0",
                                                             "-5.0", "-6.0", "-7.0", "-8.0"};
}

void TestGraphPage::valueLabels()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(QStringList, labels);
    SampleLog log;
    Fill(log, 10);
    GraphPrintState state;
    RecordingSurface surface;
    PreparePrinterPage(surface, top, low, 100);
    PrintGraphLabels(surface, top, low, 100, log, state, QStringLiteral("f.mas"), QDateTime());
    const auto texts = surface.Texts();
    const double step = std::fabs(top - low) / 8.0;
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(texts[i].text, labels[i]);
        QCOMPARE(texts[i].points[0].x(), -300.0 / 32);
        QVERIFY(qAbs(texts[i].points[0].y() - (top - i * step + step / 9)) < 1e-5);
        QCOMPARE(texts[i].fontSize, 10.0);
        QVERIFY(texts[i].bold);
    }
    // Preview labels read the same.
    for (int i = 0; i < 9; ++i)
        QCOMPARE(ValueLabelText(top, low, std::fabs(top - low) / 8.0f, i), labels[i]);
}

void TestGraphPage::linesUnderGraphStayOnPage_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<double>("under");
    QTest::newRow("default range: 5 units") << 400.0f << -400.0f << -405.0;
    QTest::newRow("0 to 2 V") << 2.0f << 0.0f << -0.0125;
    QTest::newRow("1 to 0.5") << 1.0f << 0.5f << 0.5 - 0.5 * 5 / 800;
}

void TestGraphPage::linesUnderGraphStayOnPage()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(double, under);
    SampleLog log;
    Fill(log, 200);
    GraphPrintState state;
    state.PrintUnit = QStringLiteral("DCV");
    state.PrintMaxValue = 12.5f;
    state.PrintMinValue = -3.25f;
    RecordingSurface surface(QSizeF(1000, 1000), 8, 20);
    PreparePrinterPage(surface, top, low, 100);
    PrintGraphLabels(surface, top, low, 100, log, state, QStringLiteral("/d/f.mas"),
                     QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    const double line = surface.TextHeight(); // negative: values grow upwards
    const double bottomEdge = surface.ScaleTop() + surface.ScaleHeight();

    const auto *time0 = FindText(surface, QStringLiteral("10:00:00"));
    QVERIFY(time0);
    QVERIFY(qAbs(time0->points[0].y() - under) < 1e-6);
    QCOMPARE(time0->points[0].x(), 0.0);
    QCOMPARE(time0->fontSize, 8.0);
    const auto *unit = FindText(surface, QStringLiteral("Unit:  "));
    QVERIFY(unit);
    QVERIFY(qAbs(unit->points[0].y() - (under + 2 * line)) < 1e-6);
    QCOMPARE(unit->points[0].x(), 0.0);
    QVERIFY(FindText(surface, QStringLiteral("DCV")));
    QVERIFY(FindText(surface, QStringLiteral("12.5")));
    QVERIFY(FindText(surface, QStringLiteral("-3.25")));
    const auto *min = FindText(surface, QStringLiteral("Min:  "));
    QVERIFY(min && qAbs(min->points[0].y() - (under + 3 * line)) < 1e-6);
    const auto *date = FindText(surface, QStringLiteral("02-03-2001 04:05:06"));
    QVERIFY(date && qAbs(date->points[0].y() - (under + 4 * line)) < 1e-6);
    const auto *name = FindText(surface, QStringLiteral("/d/f.mas"));
    QVERIFY(name);
    QVERIFY(qAbs(name->points[0].y() - (top - surface.ScaleHeight() / 16)) < 1e-6);
    QVERIFY(name->points[0].y() > top);
    // Every line starts above the page's bottom edge.
    for (const auto &t : surface.Texts())
        QVERIFY2(t.points[0].y() > bottomEdge, qPrintable(t.text));
    QCOMPARE(surface.FontSize(), 9.0);
}

void TestGraphPage::timeLabelsStopAtArrayEnd()
{
    SampleLog log;
    Fill(log, 60); // arrays hold 101 slots (upper index 100); slots 60..100 are cleared
    GraphPrintState state;
    state.PrintFirstIndex = 50;
    RecordingSurface surface;
    PreparePrinterPage(surface, 400, -400, 100); // page width 133
    PrintGraphLabels(surface, 400, -400, 100, log, state, QString(), QDateTime());
    QStringList times;
    QList<double> xs;
    for (const auto &t : surface.Texts())
        if (t.fontSize == 8.0) {
            times.append(t.text);
            xs.append(t.points[0].x());
        }
    // Indexes 50, 70, 90; 110 lies beyond the arrays. A cleared slot prints as midnight.
    QCOMPARE(times, (QStringList{"10:00:50", "00:00:00", "00:00:00"}));
    const QList<double> expectedX = {0.0, 133 * 4.8 / 32, 133 * 9.6 / 32};
    QCOMPARE(xs.size(), 3);
    for (int k = 0; k < 3; ++k)
        QVERIFY(qAbs(xs[k] - expectedX[k]) < 1e-9);
}

void TestGraphPage::curveIsClippedAndWide()
{
    Module1 module;
    SampleLog &log = module.Samples;
    const QList<std::pair<float, QString>> samples = {
        {50, "DCV"}, {500, "DCV"}, {-500, "DCV"}, {0.1f, " V "}, {250, "DCmV"}};
    for (const auto &[value, unit] : samples) {
        Sample s;
        s.value = value;
        s.unit = unit;
        log.Append(s);
    }
    module.PrintGraphTopY = 400;
    module.PrintGraphLowY = -400;
    GraphPrintState state;
    state.PrintFirstIndex = 0;
    state.PrintLastIndex = 4;
    RecordingSurface surface;
    PrintGraphPage(surface, module, state, 100, 8);
    const auto lines = surface.Lines();
    QCOMPARE(lines.size(), 20 + 5);
    const QList<QPointF> expected = {{0, 50}, {0, 50}, {1, 400}, {2, -400}, {3, 0.1}, {4, 0.25}};
    for (int i = 0; i < 5; ++i) {
        const auto &segment = lines[20 + i];
        QCOMPARE(segment.width, 8);
        QVERIFY(qAbs(segment.points[0].x() - expected[i].x()) < 1e-4);
        QVERIFY(qAbs(segment.points[0].y() - expected[i].y()) < 1e-3);
        QVERIFY(qAbs(segment.points[1].x() - expected[i + 1].x()) < 1e-4);
        QVERIFY(qAbs(segment.points[1].y() - expected[i + 1].y()) < 1e-3);
    }
    for (int i = 0; i < 20; ++i)
        QCOMPARE(lines[i].width, 1);
    QCOMPARE(surface.DrawWidth(), 1);
    QCOMPARE(surface.items.last().kind, RecordingSurface::Kind::EndDoc);
    QCOMPARE(log.SampleUnit(3), QStringLiteral("V")); // the conversion trims in place
}

void TestGraphPage::lineWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("1") << "1" << 4;
    QTest::newRow("2") << "2" << 8;
    QTest::newRow("10") << "10" << 40;
    QTest::newRow("0.625 halves to even") << "0.625" << 2;
    QTest::newRow("not a number") << "wide" << -1;
}

void TestGraphPage::lineWidth()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QCOMPARE(PrintLineWidth(text).value_or(-1), width);
}

void TestGraphPage::extremes()
{
    float max = NoValueMarker, min = NoValueMarker;
    QString maxUnit = "DCV", minUnit = "DCV";
    const QList<std::pair<float, QString>> samples = {{4000, "DCV"},  {1.5f, "DCV"},
                                                      {900, "DCmV"},  {2000, "DCmV"},
                                                      {-4000, "DCV"}, {-0.5f, "DCV"}};
    QList<std::pair<float, float>> after;
    for (auto [value, unit] : samples) {
        UpdatePrintMax(max, maxUnit, value, unit);
        UpdatePrintMin(min, minUnit, value, unit);
        after.append({max, min});
    }
    const QList<std::pair<float, float>> expected = {{NoValueMarker, NoValueMarker},
                                                     {1.5f, 1.5f},
                                                     {1.5f, 900},
                                                     {2000, 900},
                                                     {2000, 900},
                                                     {2000, -0.5f}};
    QCOMPARE(after, expected);
    QCOMPARE(maxUnit, QStringLiteral("DCmV"));
    QCOMPARE(minUnit, QStringLiteral("DCV"));
}

void TestGraphPage::rangeRules_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("span");
    QTest::addColumn<bool>("draw");
    QTest::newRow("opening on 250, span 100") << "open 100 250" << 0 << 100 << 100 << true;
    QTest::newRow("opening on 30") << "open 100 30" << 0 << 29 << 100 << true;
    QTest::newRow("opening on empty log") << "open 100 0" << 0 << -1 << 100 << false;
    QTest::newRow("repaint Range 0..100") << "paint range 0 100 250" << 0 << 100 << 100 << true;
    QTest::newRow("repaint Range lowered, span kept")
        << "paint range 100 300 250" << 100 << 249 << 200 << true;
    QTest::newRow("repaint Range at newest sample")
        << "paint range 249 300 250" << 249 << 249 << 51 << false;
    QTest::newRow("repaint All Data") << "paint all 7 9 250" << 0 << 249 << 249 << true;
    QTest::newRow("All Data chosen") << "all 250" << 0 << 249 << 249 << true;
    QTest::newRow("All Data with one sample") << "all 1" << 0 << 0 << 0 << false;
    QTest::newRow("Range chosen, long log") << "range 250 100" << 0 << 100 << 100 << true;
    QTest::newRow("Range chosen, short log") << "range 50 100" << 0 << 49 << 100 << true;
}

void TestGraphPage::rangeRules()
{
    QFETCH(QString, rule);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, span);
    QFETCH(bool, draw);
    const QStringList w = rule.split(u' ');
    PreviewRange r;
    if (w[0] == "open")
        r = OpeningRange(w[1].toInt(), w[2].toInt());
    else if (w[0] == "paint")
        r = PaintRange(w[1] == "all", w[2].toInt(), w[3].toInt(), w[4].toInt());
    else if (w[0] == "all")
        r = AllDataRange(w[1].toInt());
    else
        r = RangeChoiceRange(w[1].toInt(), w[2].toInt());
    QCOMPARE(r.first, first);
    QCOMPARE(r.last, last);
    QCOMPARE(r.span, span);
    QCOMPARE(r.draw, draw);
}

void TestGraphPage::pageRange_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("leavingStart");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("span");
    using S = PageRangeChoice::Status;
    QTest::newRow("pages 2 to 3") << "2"
                                  << "3" << true << int(S::Ok) << 100 << 249 << 200;
    QTest::newRow("page 1") << "1"
                            << "1" << false << int(S::Ok) << 0 << 100 << 100;
    QTest::newRow("fractions") << "1.5"
                               << "2.25" << false << int(S::Ok) << 50 << 225 << 175;
    QTest::newRow("beyond the data") << "5"
                                     << "6" << true << int(S::Ok) << 400 << 249 << 200;
    QTest::newRow("start not numeric") << "abc"
                                       << "3" << true << int(S::StartNotNumeric) << 0 << 0 << 0;
    QTest::newRow("other box not numeric") << "1"
                                           << "x" << true << int(S::EndNotNumeric) << 0 << 0 << 0;
    QTest::newRow("left box first") << "x"
                                    << "y" << false << int(S::EndNotNumeric) << 0 << 0 << 0;
    QTest::newRow("start page 0 refused") << "0"
                                          << "1" << true << int(S::StartBelowOne) << 0 << 0 << 0;
    QTest::newRow("start page -3 refused") << "-3"
                                           << "1" << false << int(S::StartBelowOne) << 0 << 0 << 0;
}

void TestGraphPage::pageRange()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, leavingStart);
    QFETCH(int, status);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, span);
    const PageRangeChoice c = ChoosePageRange(start, end, leavingStart, 100, 250);
    QCOMPARE(int(c.status), status);
    if (c.status == PageRangeChoice::Status::Ok) {
        QCOMPARE(c.range.first, first);
        QCOMPARE(c.range.last, last);
        QCOMPARE(c.range.span, span);
        QCOMPARE(c.range.draw, first < last);
    }
}

void TestGraphPage::previewOfPages2To3()
{
    Module1 module;
    Fill(module.Samples, 250);
    module.Samples.SetSampleUnit(248, QStringLiteral("DCmV"));
    GraphPrintState state;
    state.PrintFirstIndex = 100;
    state.PrintLastIndex = 249;
    RecordingSurface frame(QSizeF(640, 420), 7, 14);
    RecordingSurface box(QSizeF(550, 373));
    GraphPreview preview{frame, box, module, state, true, 5};
    DrawPreviewGraph(preview, 100, 249, 400, -400, 200);

    QCOMPARE(box.ScaleWidth(), 200.0);
    QCOMPARE(box.ScaleTop(), 400.0);
    QCOMPARE(box.ScaleHeight(), -800.0);
    QList<RecordingSurface::Item> curve;
    for (const auto &l : box.Lines())
        if (l.colour == Red)
            curve.append(l);
    QCOMPARE(curve.size(), 149); // samples 100..248, the last index itself is not drawn
    QCOMPARE(curve.first().points[0], QPointF(0, 100));
    QCOMPARE(curve.last().points[1].x(), 148.0);
    QCOMPARE(curve.first().width, 5);
    QCOMPARE(box.ForeColor(), Black);
    QCOMPARE(box.DrawWidth(), 1);

    QCOMPARE(state.PrintUnit, QStringLiteral("DCmV"));
    QCOMPARE(state.PrintMaxValue, 247.0f);
    // 248 mV is the smallest value once units are compared; it is kept in its own unit.
    QCOMPARE(state.PrintMinValue, 248.0f);
    QCOMPARE(state.PrintMinUnit, QStringLiteral("DCmV"));
    QStringList texts = frame.TextStrings();
    QVERIFY(texts.contains(QStringLiteral("+400.0")));
    // Time labels every fifth of the box's 200 steps from index 100; the fifth (index 260) lies
    // beyond the arrays, so it, the sixth and the Unit/Max/Min line are left out.
    for (const char *t : {"10:01:40", "10:02:20", "10:03:00", "10:03:40"})
        QVERIFY2(texts.contains(QString::fromLatin1(t)), t);
    QVERIFY(!texts.contains(QStringLiteral("10:04:20")));
    QVERIFY(!texts.contains(QStringLiteral("Unit:  DCmV")));

    // Page 1 fits: all six time labels and the line under the box.
    state.PrintFirstIndex = 0;
    DrawPreviewGraph(preview, 0, 100, 400, -400, 100);
    texts = frame.TextStrings();
    QVERIFY(texts.contains(QStringLiteral("10:01:40")));
    QVERIFY(texts.contains(QStringLiteral("Unit:  DCV")));
    QVERIFY(texts.contains(QStringLiteral("     Max:  99.0")));
    QVERIFY(texts.contains(QStringLiteral("Min:  0.0")));
    const auto *unit = FindText(frame, QStringLiteral("Unit:  DCV"));
    QCOMPARE(unit->points[0], QPointF(64, 420 * 0.95));
    QCOMPARE(unit->fontSize, 9.0);
}

void TestGraphPage::previewDrawsNothingForEmptyRange()
{
    Module1 module;
    Fill(module.Samples, 250);
    GraphPrintState state;
    RecordingSurface frame, box;
    GraphPreview preview{frame, box, module, state, true, 2};
    DrawPreviewGraph(preview, 249, 249, 400, -400, 100);
    QVERIFY(frame.items.isEmpty());
    QVERIFY(box.items.isEmpty());
}

QTEST_GUILESS_MAIN(TestGraphPage)
#include "tst_graphpage.moc"
