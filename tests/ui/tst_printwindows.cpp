#include "MessageCatcher.h"
#include "common/Numbers.h"
#include "common/ui/Module1.h"
#include "graph/ui/PictureBox.h"
#include "print/ui/MeterChoice.h"
#include "print/ui/PrintGraphFrm.h"
#include "print/ui/PrintReportFrm.h"
#include "record/MeterRecording.h"
#include "support/SampleRecords.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace kst;

namespace {

// What the messages said: "title|icon|text|informative text" each.
QStringList Said(const test::MessageCatcher &catcher)
{
    QStringList said;
    for (const Message &m : catcher.Messages())
        said.append(
            QStringLiteral("%1|%2|%3|%4").arg(m.Title).arg(int(m.Icon)).arg(m.Text, m.Informative));
    return said;
}

// n samples of s % 400 + 0.5 DCV, one a second from 10:00:00 on 1 May 2000.
void Fill(
    Module1 &module, int n, float (*value)(int) = [](int s) { return s % 400 + 0.5f; })
{
    module.Samples.Reset();
    for (int s = 0; s < n; ++s)
        module.Samples.Append({value(s), QDate(2000, 5, 1), QTime(10, 0).addSecs(s), "DCV", 1, 0, 0,
                               NoValueMarker, NoValueMarker});
    module.Clock = [] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)); };
}

QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Checks what every PDF must hold: its pages, paper and title, and no word printed within the
// minimum margin of the paper's edge (where printers cannot print). Gives the text by pages.
void CheckPdf(const QString &file, int pages, const QString &paper, const QString &title,
              QStringList *text = nullptr)
{
    if (!qEnvironmentVariableIsEmpty("KST_PRINT_SAMPLES")) // pictures for the README
        QFile::copy(file,
                    qEnvironmentVariable("KST_PRINT_SAMPLES") + u'/' + QFileInfo(file).fileName());
    const QString info = Run("pdfinfo", {file});
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+" + QString::number(pages) + "\n")),
             qPrintable(info));
    QVERIFY2(info.contains("Page size:       " + paper), qPrintable(info));
    QVERIFY2(info.contains("Title:           " + title + "\n"), qPrintable(info));
    const QString boxes = Run("pdftotext", {"-bbox", file, "-"});
    const QRegularExpression page("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">(.*?)</page>",
                                  QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression word("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                  "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)");
    const double margin = 9.5 / 25.4 * 72; // 10 mm, less the rounding to whole points
    for (auto p = page.globalMatch(boxes); p.hasNext();) {
        const auto m = p.next();
        const QRectF inside = QRectF(0, 0, m.captured(1).toDouble(), m.captured(2).toDouble())
                                  .adjusted(margin, margin, -margin, -margin);
        for (auto w = word.globalMatch(m.captured(3)); w.hasNext();) {
            const auto b = w.next();
            const QRectF box(QPointF(b.captured(1).toDouble(), b.captured(2).toDouble()),
                             QPointF(b.captured(3).toDouble(), b.captured(4).toDouble()));
            QVERIFY2(inside.contains(box), qPrintable(b.captured(5)));
        }
    }
    if (text)
        *text = Run("pdftotext", {"-layout", file, "-"}).split(u'\f', Qt::SkipEmptyParts);
}

template <typename T> T *Child(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// The "report" or "graph" window on 250 samples, shown.
std::unique_ptr<QDialog> ShownWindow(const QString &kind, Module1 &module)
{
    Fill(module, 250);
    std::unique_ptr<QDialog> window;
    if (kind == u"report")
        window = std::make_unique<PrintReportFrm>(module);
    else
        window =
            std::make_unique<PrintGraphFrm>(module, std::function<void(const ScaleTarget &)>());
    window->show();
    return window;
}

} // namespace

class TestPrintWindows : public QObject {
    Q_OBJECT
private slots:
    void reportPdf_data();
    void reportPdf();
    void graphPdfFromItsButton();
    void printerErrorsNameTheReason_data();
    void printerErrorsNameTheReason();
    void graphScaleZoomedViewAndEmptyLog();
    void leavingARangeField_data();
    void leavingARangeField();
    void everyMeterPrinted();
};

void TestPrintWindows::reportPdf_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QPageSize::PageSizeId>("paper");
    QTest::addColumn<QString>("paperInfo");
    QTest::newRow("A4") << "/home/user/SAMPLE/bench.mas" << QPageSize::A4 << "595 x 842 pts (A4)";
    QTest::newRow("Letter, a title as long as a deep path")
        << "/home/user/" + QString(40, u'x') + "/" + QString(40, u'y') + "/bench.mas"
        << QPageSize::Letter << "612 x 792 pts (letter)";
}

void TestPrintWindows::reportPdf()
{
    QFETCH(QString, title);
    QFETCH(QPageSize::PageSizeId, paper);
    QFETCH(QString, paperInfo);
    Module1 module;
    Fill(module, 120);
    module.CurrentFileName = title;
    PrintReportFrm window(module);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.pdf"));
    test::MessageCatcher catcher(module);
    QVERIFY(window.WriteReportPdf(file, QPageSize(paper)));
    QCOMPARE(Said(catcher), QStringList());
    QStringList pages;
    CheckPdf(file, 3, paperInfo, title, &pages);
    if (QTest::currentTestFailed())
        return;
    const QRegularExpression row(
        "^\\s*(\\d+)\\s+10:\\d\\d:\\d\\d\\s+\\d\\d\\d\\.\\d\\s+DCV\\s+OFF\\s+OFF\\s*$",
        QRegularExpression::MultilineOption);
    int expectedRecord = 1;
    for (int p = 0; p < 3; ++p) {
        QVERIFY(pages[p].contains(QStringLiteral("Page:000%1").arg(p + 1)));
        QVERIFY(pages[p].contains(QStringLiteral("Print Date: 02-03-2001 04:05:06")));
        int rows = 0;
        for (auto it = row.globalMatch(pages[p]); it.hasNext(); ++rows)
            QCOMPARE(it.next().captured(1).toInt(), expectedRecord++);
        QCOMPARE(rows, p < 2 ? 50 : 20);
    }
}

void TestPrintWindows::graphPdfFromItsButton()
{
    QTemporaryDir dir;
    Module1 module;
    Fill(module, 250, [](int s) { return float(300 * std::sin(s / 20.0)); });
    // The current file's folder does not exist here: the PDF is proposed in the data folder.
    module.CurrentFileName = QStringLiteral("/home/user/SAMPLE/sine.mas");
    module.DataFolder = dir.path();
    PrintGraphFrm window(module, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Child<QRadioButton>(window, "AllData")->click();
    QString file;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            file = dialog->selectedFiles().value(0);
            static_cast<QDialog *>(dialog)->accept();
        }
    });
    timer.start(5);
    test::MessageCatcher catcher(module);
    Child<QPushButton>(window, "PdfGraph")->click();
    QCOMPARE(Said(catcher), QStringList());
    QCOMPARE(file, dir.filePath(QStringLiteral("sine-graph.pdf")));
    QStringList pages;
    CheckPdf(file, 1, "842 x 595 pts (A4)", module.CurrentFileName, &pages);
    for (const char *expected : {"/home/user/SAMPLE/sine.mas", "+400.0", "-400.0",
                                 "Print Date: 02-03-2001 04:05:06", "10:00:00", "10:04:09"})
        QVERIFY2(pages.join(QString()).contains(QString::fromLatin1(expected)), expected);
    QVERIFY(pages.join(QString()).contains(
        QRegularExpression("Unit:\\s+DCV\\s+Max:\\s+299\\.998\\s+Min:\\s+-299\\.997")));
}

void TestPrintWindows::printerErrorsNameTheReason_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("reason");
    QTest::newRow("report: start record not a number") << "report start abc"
                                                       << "Start Record: \"abc\" is not a number.";
    QTest::newRow("report: PDF folder missing")
        << "report pdf"
        << "The file /nonexistent/report.pdf could not be written.";
    QTest::newRow("report: no printer") << "report print"
                                        << "No default printer is set up on this computer.";
    QTest::newRow("graph: pages beyond the samples")
        << "graph pages 5 6"
        << "The chosen pages lie beyond the recorded samples.";
}

void TestPrintWindows::printerErrorsNameTheReason()
{
    QFETCH(QString, action);
    QFETCH(QString, reason);
    const QStringList a = action.split(u' ');
    if (a[1] == "print" && !QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer; the test would print on it");
    Module1 module;
    const std::unique_ptr<QDialog> window = ShownWindow(a[0], module);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    test::MessageCatcher catcher(module);
    if (a[1] == "start") {
        Child<QRadioButton>(*window, "Option2")->click();
        Child<QLineEdit>(*window, "StartText")->setText(a[2]);
        Child<QPushButton>(*window, "StartPrintReport")->click();
    } else if (a[1] == "pdf") {
        static_cast<PrintReportFrm &>(*window).WriteReportPdf("/nonexistent/report.pdf");
    } else if (a[1] == "pages") {
        Child<QLineEdit>(*window, "StartPage")->setText(a[2]);
        Child<QLineEdit>(*window, "EndPage")->setText(a[3]);
        static_cast<PrintGraphFrm &>(*window).EndPage_LostFocus();
        Child<QPushButton>(*window, "PrintGraph")->click();
    } else {
        Child<QPushButton>(*window, a[0] == "report" ? "StartPrintReport" : "PrintGraph")->click();
    }
    QCOMPARE(Said(catcher), QStringList("KST|4|Printer Error!!|" + reason));
    QVERIFY(window->isVisible());
    QCOMPARE(module.Samples.SampleCount, 250);
}

void TestPrintWindows::graphScaleZoomedViewAndEmptyLog()
{
    Module1 module;
    PrintGraphFrm empty(module, {});
    for (const char *name : {"PrintGraph", "PdfGraph", "AllData", "Range", "StartPage", "EndPage"})
        QVERIFY2(!Child<QWidget>(empty, name)->isEnabled(), name);

    Fill(module, 250);
    bool printMode = false;
    PrintGraphFrm window(module, [&](const ScaleTarget &target) {
        printMode = target.TopY == &module.PrintGraphTopY &&
                    target.LowY == &module.PrintGraphLowY &&
                    target.XSpan == &module.PrintGraphXSpan;
        *target.TopY = 300;
        *target.LowY = 0;
        *target.XSpan = 50;
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Child<QPushButton>(window, "Scale")->click();
    QVERIFY(printMode);
    auto *box = Child<PictureBox>(window, "GraphBox");
    QCOMPARE(QList<double>({box->ScaleWidth(), box->ScaleTop(), box->ScaleHeight()}),
             QList<double>({50, 300, -300}));
    QCOMPARE(module.GraphTopY, 400.0f); // the screen graph keeps its own scale

    // The screen graph zoomed: what it shows is what prints, and leaving the page boxes keeps it.
    window.ShowView({130.5, 40, 2.5f, -1.0f});
    QCOMPARE(QList<double>({box->ScaleWidth(), box->ScaleTop(), box->ScaleHeight()}),
             QList<double>({40, 2.5, -3.5}));
    auto *start = Child<QLineEdit>(window, "StartPage");
    QCOMPARE(start->text(), QStringLiteral("4.25"));
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClick(start, Qt::Key_Tab);
    QCOMPARE(QList<qint32>({window.State().PrintFirstIndex, window.State().PrintLastIndex}),
             QList<qint32>({130, 170}));
}

void TestPrintWindows::leavingARangeField_data()
{
    QTest::addColumn<QString>("typed"); // window|field|text
    QTest::addColumn<QString>("said");  // the warning; "-" when the field is let go
    const QString dataError = QStringLiteral("Data Error! Input Again.");
    QTest::newRow("report: start not a number") << "report|StartText|abc" << dataError;
    QTest::newRow("report: start below one") << "report|StartText|0.4" << dataError;
    QTest::newRow("report: end before start") << "report|EndText|0" << dataError;
    QTest::newRow("report: end after start") << "report|EndText|7"
                                             << "-";
    QTest::newRow("graph: start page not a number") << "graph|StartPage|x"
                                                    << "";
    QTest::newRow("graph: end page") << "graph|EndPage|2"
                                     << "-";
}

void TestPrintWindows::leavingARangeField()
{
    QFETCH(QString, typed);
    QFETCH(QString, said);
    const QStringList t = typed.split(u'|');
    Module1 module;
    const std::unique_ptr<QDialog> window = ShownWindow(t[0], module);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    Child<QRadioButton>(*window, t[0] == "report" ? "Option2" : "Range")->click();
    test::MessageCatcher catcher(module);
    auto *field = Child<QLineEdit>(*window, qPrintable(t[1]));
    field->setFocus(Qt::TabFocusReason);
    field->setText(t[2]);
    QTest::keyClick(field, Qt::Key_Tab);
    // Refused: the focus goes back into the field; let go, it stays away.
    QTRY_COMPARE(QApplication::focusWidget() == field, said != "-");
    QCOMPARE(catcher.Texts(), said.size() > 1 ? QStringList{said} : QStringList());
}

void TestPrintWindows::everyMeterPrinted()
{
    // Three meters: 120 samples of DCV, then 60 of ACV and 60 of Hz. "All meters" prints a
    // report section (its pages numbered from 1) and a graph strip for each.
    Module1 module;
    Fill(module, 120);
    module.CurrentFileName = QStringLiteral("/d/bench.mas");
    for (const char *unit : {"ACV", "Hz"}) {
        auto meter = std::make_unique<MeterRecording>();
        test::FillLog(meter->Samples, 60,
                      [unit](qint32, Sample &s) { s.unit = QString::fromLatin1(unit); });
        module.OtherMeters.push_back(std::move(meter));
    }
    const QStringList names{"supply", "load", "probe"};
    QTemporaryDir dir;
    test::MessageCatcher catcher(module);
    PrintReportFrm report(module);
    report.SetMeters(names, 1);
    QCOMPARE(Child<QTableView>(report, "MSFlexGrid1")->model()->rowCount(), 60);
    report.SetMeters(names, MeterChoice::AllMeters);
    QVERIFY(report.WriteReportPdf(dir.filePath("report.pdf"), QPageSize(QPageSize::A4)));
    QStringList pages;
    CheckPdf(dir.filePath("report.pdf"), 3 + 2 + 2, "595 x 842 pts (A4)", "/d/bench.mas", &pages);
    if (QTest::currentTestFailed())
        return;
    for (const auto &[page, title, unit] : {std::tuple{0, "/d/bench.mas - supply", "DCV"},
                                            std::tuple{3, "/d/bench.mas - load", "ACV"},
                                            std::tuple{5, "/d/bench.mas - probe", "Hz"}}) {
        QVERIFY2(pages[page].contains(QString::fromLatin1(title)), title);
        QVERIFY2(pages[page].contains(QString::fromLatin1(unit)), unit);
        QVERIFY(pages[page].contains(QStringLiteral("Page:0001")));
    }

    PrintGraphFrm graph(module, {});
    graph.SetMeters(names, MeterChoice::AllMeters);
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    Child<QRadioButton>(graph, "AllData")->click();
    QVERIFY(graph.WriteGraphPdf(dir.filePath("graph.pdf"), QPageSize(QPageSize::A4)));
    CheckPdf(dir.filePath("graph.pdf"), 1, "842 x 595 pts (A4)", "/d/bench.mas", &pages);
    const QString text = pages.join(QString());
    QVERIFY(text.contains(QRegularExpression("supply\\s+Unit:\\s+DCV")));
    QVERIFY(text.contains(QRegularExpression("load\\s+Unit:\\s+ACV")));
    QVERIFY(text.contains(QRegularExpression("probe\\s+Unit:\\s+Hz")));
    QCOMPARE(Said(catcher), QStringList());
}

QTEST_MAIN(TestPrintWindows)
#include "tst_printwindows.moc"
