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
    for (int s = 0; s < n; ++s)
        test::Append(log, {float(s), {}, QTime(10, 0).addSecs(s), "DCV", 0, 0, 0, 0, 0});
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
    void pageEdgesAndGrid();
    void valueLabels_data();
    void valueLabels();
    void textUnderGraphStaysOnPage_data();
    void textUnderGraphStaysOnPage();
    void timeLabelsStopAtArrayEnd();
    void curveIsClippedAndWide();
    void extremesKeepTheirUnit();
    void rangeRules_data();
    void rangeRules();
    void pageRange_data();
    void pageRange();
    void previewOfPages2To3();
    void layoutAreaKeepsOffPaperEdge_data();
    void layoutAreaKeepsOffPaperEdge();
    void elideMiddle_data();
    void elideMiddle();
};

void TestGraphPage::pageEdgesAndGrid()
{
    RecordingSurface surface;
    PreparePrinterPage(surface, 400, -400, 100);
    // The page is 133 steps wide, rounded: left edge -21, right edge 112.
    QCOMPARE(surface.ScaleLeft(), -21.0);
    QCOMPARE(surface.ScaleLeft() + surface.ScaleWidth(), 112.0);
    surface.SetDrawWidth(7);
    DrawPrinterGrid(surface);
    const auto lines = surface.Lines();
    QCOMPARE(lines.size(), 9 + 11);
    QString styles;
    for (const auto &line : lines) {
        styles += line.style == 0 ? u'|' : u':';
        QCOMPARE(line.width, 1);
    }
    QCOMPARE(styles, QStringLiteral("|:::|:::||:::::::::|"));
    // The frame sits on the graph area: samples 0..100, values -400..400.
    QVERIFY(qAbs(lines[0].points[0].y() - 400) < 1e-3 && qAbs(lines[8].points[0].y() + 400) < 1e-3);
    QVERIFY(qAbs(lines[9].points[0].x()) < 0.5 && qAbs(lines[19].points[0].x() - 100) < 0.5);
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
    RecordingSurface surface;
    PreparePrinterPage(surface, top, low, 100);
    PrintGraphLabels(surface, top, low, 100, log, {}, QString(), QDateTime());
    QCOMPARE(surface.TextStrings().mid(0, 9), labels);
    const double step = (top - low) / 8.0;
    QVERIFY(qAbs(surface.Texts()[8].points[0].y() - (low + step / 9)) < 1e-5);
}

void TestGraphPage::textUnderGraphStaysOnPage_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("printedName");
    QTest::newRow("default range") << 400.0f << -400.0f << "/d/f.mas"
                                   << "/d/f.mas";
    QTest::newRow("0 to 2 V") << 2.0f << 0.0f << "/d/f.mas"
                              << "/d/f.mas";
    QTest::newRow("long file name") << 400.0f << -400.0f << QString(300, u'x')
                                    << QString(52, u'x') + QChar(0x2026) + QString(52, u'x');
}

void TestGraphPage::textUnderGraphStaysOnPage()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(QString, fileName);
    QFETCH(QString, printedName);
    SampleLog log;
    Fill(log, 200);
    GraphPrintState state;
    state.PrintUnit = QStringLiteral("DCV");
    state.PrintMaxValue = 12.5f;
    state.PrintMinValue = -3.25f;
    RecordingSurface surface(QSizeF(1000, 1000), 8, 20); // 125 characters, 50 lines a page
    PreparePrinterPage(surface, top, low, 100);
    PrintGraphLabels(surface, top, low, 100, log, state, fileName,
                     QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    QStringList under;
    for (const char *t :
         {"10:00:00", "Unit:  ", "DCV", "Max:  ", "12.5", "-3.25", "02-03-2001 04:05:06"}) {
        const auto *item = FindText(surface, QString::fromLatin1(t));
        QVERIFY2(item, t);
        QVERIFY2(item->points[0].y() < low, t);
        // Every line under the graph starts above the page's bottom edge.
        QVERIFY2(item->points[0].y() + surface.TextHeight() >
                     surface.ScaleTop() + surface.ScaleHeight(),
                 t);
    }
    const auto *name = FindText(surface, printedName);
    QVERIFY(name && name->points[0].y() > top);
}

void TestGraphPage::timeLabelsStopAtArrayEnd()
{
    SampleLog log;
    Fill(log, 60); // the arrays hold 101 slots; slots 60..100 are empty
    GraphPrintState state;
    state.PrintFirstIndex = 50;
    RecordingSurface surface;
    PreparePrinterPage(surface, 400, -400, 100);
    PrintGraphLabels(surface, 400, -400, 100, log, state, QString(), QDateTime());
    QStringList times;
    for (const auto &t : surface.Texts())
        if (t.fontSize == 8.0)
            times.append(t.text);
    // Indexes 50, 70, 90 (a fifth of the 133-step page apart); 110 lies beyond the arrays.
    QCOMPARE(times, (QStringList{"10:00:50", "00:00:00", "00:00:00"}));
}

void TestGraphPage::curveIsClippedAndWide()
{
    Module1 module;
    SampleLog &log = module.Samples;
    for (auto [value, unit] : QList<std::pair<float, QString>>{
             {50, "DCV"}, {500, "DCV"}, {-500, "DCV"}, {0.1f, " V "}, {250, "DCmV"}})
        test::Append(log, {value, {}, {}, unit, 0, 0, 0, 0, 0});
    GraphPrintState state;
    state.PrintLastIndex = 4; // the newest sample is drawn too
    RecordingSurface surface;
    PrintGraphPage(surface, module, state, 100, 8);
    const auto curve = surface.Lines().mid(20);
    const QList<QPointF> expected = {{0, 50}, {1, 400}, {2, -400}, {3, 0.1}, {4, 0.25}};
    QCOMPARE(curve.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(curve[i].width, 8);
        QVERIFY(qAbs(curve[i].points[1].x() - expected[i].x()) < 1e-4 &&
                qAbs(curve[i].points[1].y() - expected[i].y()) < 1e-3);
    }
    QCOMPARE(surface.DrawWidth(), 1);
    QCOMPARE(surface.items.last().kind, RecordingSurface::Kind::EndDoc);
    QCOMPARE(log.SampleUnit[3], QStringLiteral("V")); // the conversion trims in place
}

void TestGraphPage::extremesKeepTheirUnit()
{
    float max = NoValueMarker, min = NoValueMarker;
    QString maxUnit = "DCV", minUnit = "DCV";
    QList<std::pair<float, float>> after;
    for (auto [value, unit] : QList<std::pair<float, QString>>{
             {4000, "DCV"}, {1.5f, "DCV"}, {900, "DCmV"}, {2000, "DCmV"}, {-0.5f, "DCV"}}) {
        UpdatePrintMax(max, maxUnit, value, unit);
        UpdatePrintMin(min, minUnit, value, unit);
        after.append({max, min});
    }
    const QList<std::pair<float, float>> expected = {
        {NoValueMarker, NoValueMarker}, {1.5f, 1.5f}, {1.5f, 900}, {2000, 900}, {2000, -0.5f}};
    QCOMPARE(after, expected);
    QCOMPARE(maxUnit, QStringLiteral("DCmV"));
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
    QTest::newRow("opening on an empty log") << "open 100 0" << 0 << -1 << 100 << false;
    QTest::newRow("repaint lowers last, keeps span")
        << "paint range 100 300 250" << 100 << 249 << 200 << true;
    QTest::newRow("repaint at the newest sample")
        << "paint range 249 300 250" << 249 << 249 << 51 << false;
    QTest::newRow("repaint All Data") << "paint all 7 9 250" << 0 << 249 << 249 << true;
    QTest::newRow("All Data with one sample") << "all 1" << 0 << 0 << 0 << false;
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
    QCOMPARE(QList<int>({r.first, r.last, r.span}), QList<int>({first, last, span}));
    QCOMPARE(r.draw, draw);
}

void TestGraphPage::pageRange_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("leavingStart");
    QTest::addColumn<PageRangeChoice::Status>("status");
    QTest::addColumn<QList<int>>("firstLastSpan");
    using S = PageRangeChoice::Status;
    QTest::newRow("pages 2 to 3") << "2"
                                  << "3" << true << S::Ok << QList<int>{100, 249, 200};
    QTest::newRow("fractions") << "1.5"
                               << "2.25" << false << S::Ok << QList<int>{50, 225, 175};
    QTest::newRow("beyond the data") << "5"
                                     << "6" << true << S::Ok << QList<int>{400, 249, 200};
    QTest::newRow("other box not numeric") << "1"
                                           << "x" << true << S::EndNotNumeric << QList<int>{};
    QTest::newRow("left box first") << "x"
                                    << "y" << false << S::EndNotNumeric << QList<int>{};
    QTest::newRow("start page 0 refused") << "0"
                                          << "1" << true << S::StartBelowOne << QList<int>{};
}

void TestGraphPage::pageRange()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, leavingStart);
    QFETCH(PageRangeChoice::Status, status);
    QFETCH(QList<int>, firstLastSpan);
    const PageRangeChoice c = ChoosePageRange(start, end, leavingStart, 100, 250);
    QCOMPARE(c.status, status);
    if (status == PageRangeChoice::Status::Ok)
        QCOMPARE(QList<int>({c.range.first, c.range.last, c.range.span}), firstLastSpan);
}

void TestGraphPage::previewOfPages2To3()
{
    Module1 module;
    Fill(module.Samples, 250);
    module.Samples.SampleUnit[248] = QStringLiteral("DCmV");
    GraphPrintState state;
    state.PrintFirstIndex = 100;
    RecordingSurface frame(QSizeF(640, 420), 7, 14);
    RecordingSurface box(QSizeF(550, 373));
    GraphPreview preview{frame, box, module, state, true, 5};
    DrawPreviewGraph(preview, 100, 249, 400, -400, 200);

    QCOMPARE(box.ScaleWidth(), 200.0);
    QList<RecordingSurface::Item> curve;
    for (const auto &line : box.Lines())
        if (line.colour == Red && line.width == 5)
            curve.append(line);
    QCOMPARE(curve.size(), 149); // samples 100..248: the last index itself is not drawn
    QCOMPARE(curve.last().points[1].x(), 148.0);
    QCOMPARE(state.PrintUnit, QStringLiteral("DCmV"));
    QCOMPARE(state.PrintMaxValue, 247.0f);
    QCOMPARE(state.PrintMinValue, 248.0f); // 248 mV is the smallest, kept in its own unit
    // Time labels every fifth of 200 steps from index 100; index 260 lies beyond the arrays, so
    // it, the label after it and the Unit/Max/Min line are left out.
    const QStringList texts = frame.TextStrings();
    QVERIFY(texts.contains(QStringLiteral("10:03:40")));
    QVERIFY(!texts.contains(QStringLiteral("10:04:20")));
    QVERIFY(!texts.contains(QStringLiteral("Unit:  DCmV")));

    frame.Clear();
    box.Clear();
    DrawPreviewGraph(preview, 249, 249, 400, -400, 100); // an empty range draws nothing
    QVERIFY(frame.items.isEmpty() && box.items.isEmpty());
}

void TestGraphPage::layoutAreaKeepsOffPaperEdge_data()
{
    QTest::addColumn<QSizeF>("paper");
    QTest::addColumn<QRectF>("printable");
    QTest::addColumn<QRectF>("area");
    const QSizeF a4(210, 297);
    QTest::newRow("PDF: the whole sheet")
        << a4 << QRectF(0, 0, 210, 297) << QRectF(10, 10, 190, 277);
    QTest::newRow("laser: 4.2 mm all round")
        << a4 << QRectF(4.2, 4.2, 201.6, 288.6) << QRectF(10, 10, 190, 277);
    QTest::newRow("inkjet: 15 mm at the foot")
        << QSizeF(215.9, 279.4) << QRectF(3, 3, 209.9, 261.4) << QRectF(10, 10, 195.9, 254.4);
    QTest::newRow("printable area off the sheet")
        << a4 << QRectF(300, 300, 10, 10) << QRectF(10, 10, 190, 277);
}

void TestGraphPage::layoutAreaKeepsOffPaperEdge()
{
    QFETCH(QSizeF, paper);
    QFETCH(QRectF, printable);
    QFETCH(QRectF, area);
    QCOMPARE(PageLayoutArea(paper, printable), area);
}

void TestGraphPage::elideMiddle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("maxWidth");
    QTest::addColumn<QString>("elided");
    const QString e(QChar(0x2026));
    QTest::newRow("fits") << "/data/run.mas" << 13.0 << "/data/run.mas";
    QTest::newRow("one too long") << "/data/run.mas" << 12.0 << "/data/" + e + "n.mas";
    QTest::newRow("head gets the odd character") << "abcdefgh" << 6.0 << "abc" + e + "gh";
    QTest::newRow("only the ellipsis") << "abcdefgh" << 1.0 << e;
    QTest::newRow("nothing fits") << "abcdefgh" << 0.5 << "";
    QTest::newRow("surrogate pair kept whole")
        << QString::fromUtf8("a\U0001F50Bbcdef") << 4.0 << "a" + e + "ef";
}

void TestGraphPage::elideMiddle()
{
    QFETCH(QString, text);
    QFETCH(double, maxWidth);
    QFETCH(QString, elided);
    QCOMPARE(ElideMiddle(text, maxWidth, [](const QString &t) { return double(t.size()); }),
             elided);
}

QTEST_GUILESS_MAIN(TestGraphPage)
#include "tst_graphpage.moc"
