#include "common/Module1.h"
#include "common/Numbers.h"
#include "graph/PictureBox.h"
#include "print/PrintGraphFrm.h"
#include "print/PrintReportFrm.h"
#include "support/SampleRecords.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace kst;

namespace {

// Closes every message box that opens while it lives and keeps what it showed.
class BoxCatcher : public QObject {
public:
    struct Seen {
        QString text;
        QString title;
        QMessageBox::Icon icon;
    };
    QList<Seen> seen;

    BoxCatcher()
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.append({box->text(), box->windowTitle(), box->icon()});
            box->done(QMessageBox::Ok);
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
};

void Fill(Module1 &module, int n)
{
    SampleLog &log = module.Samples;
    log.Reset();
    test::FillLog(log, n, [](qint32 s, Sample &sample) {
        sample.value = float(s % 400) + 0.5f;
        sample.date = QDate(2000, 5, 1);
    });
}

QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString &file)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Run("pdfinfo", {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PdfText(const QString &file)
{
    return Run("pdftotext", {"-layout", file, "-"});
}

// Keeps a copy of a written PDF when KST_PRINT_SAMPLES names a folder (for the README pictures).
void KeepSample(const QString &file, const QString &name)
{
    const QString folder = qEnvironmentVariable("KST_PRINT_SAMPLES");
    if (!folder.isEmpty()) {
        QFile::remove(folder + u'/' + name);
        QFile::copy(file, folder + u'/' + name);
    }
}

template <typename T> T *Child(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

} // namespace

class TestPrintWindows : public QObject {
    Q_OBJECT
private slots:
    void reportControls_data();
    void reportControls();
    void reportPrintEnabled_data();
    void reportPrintEnabled();
    void reportOpensInstantlyOnMillionSamples();
    void reportLeaveFieldChecks_data();
    void reportLeaveFieldChecks();
    void reportStartBelowOneNeverPrints();
    void reportNoPrinter();
    void reportPdf();
    void reportPdfUnwritable();
    void graphControls_data();
    void graphControls();
    void graphEmptyLogDisablesPrinting();
    void graphRangeChoices_data();
    void graphRangeChoices();
    void graphStartPageRefused_data();
    void graphStartPageRefused();
    void graphScaleButton();
    void graphNoPrinter();
    void graphPdf();
    void pdfButtonsAskForFileName_data();
    void pdfButtonsAskForFileName();
};

void TestPrintWindows::reportControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("Title") << "Title"
                           << "Title:" << true;
    QTest::newRow("TitleText") << "TitleText"
                               << "/data/Volts.mas" << true;
    QTest::newRow("Range") << "Range"
                           << "Print Range" << true;
    QTest::newRow("Option1") << "Option1"
                             << "All data" << true;
    QTest::newRow("Option2") << "Option2"
                             << "Range" << true;
    QTest::newRow("Label1") << "Label1"
                            << "Start Record:" << false;
    QTest::newRow("StartText") << "StartText"
                               << "1" << false;
    QTest::newRow("Label2") << "Label2"
                            << "End Record:" << false;
    QTest::newRow("EndText") << "EndText"
                             << "1" << false;
    QTest::newRow("StartPrintReport") << "StartPrintReport"
                                      << "Print" << true;
    QTest::newRow("PdfReport") << "PdfReport"
                               << "PDF..." << true;
    QTest::newRow("CancelReport") << "CancelReport"
                                  << "Cancel" << true;
}

void TestPrintWindows::reportControls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    Module1 module;
    Fill(module, 3);
    module.CurrentFileName = QStringLiteral("/data/Volts.mas");
    PrintReportFrm window(module);
    QCOMPARE(window.objectName(), QStringLiteral("PrintReportFrm"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Print report"));
    QWidget *w = window.findChild<QWidget *>(name);
    QVERIFY(w);
    QString text;
    if (auto *l = qobject_cast<QLabel *>(w))
        text = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        text = e->text();
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        text = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(w))
        text = g->title();
    QCOMPARE(text, caption);
    QCOMPARE(w->isEnabled(), enabled);
    QVERIFY(Child<QRadioButton>(window, "Option1")->isChecked());

    auto *grid = Child<QTableView>(window, "MSFlexGrid1");
    QCOMPARE(grid->font().family(), QStringLiteral("Arial"));
    QCOMPARE(grid->font().pointSize(), 10);
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(),
             QStringLiteral(" Data           "));
    QCOMPARE(grid->model()->index(2, 3).data().toString(), QStringLiteral("002.5"));

    Child<QRadioButton>(window, "Option2")->click();
    QVERIFY(Child<QLineEdit>(window, "StartText")->isEnabled());
    QVERIFY(Child<QLabel>(window, "Label2")->isEnabled());
    Child<QRadioButton>(window, "Option1")->click();
    QVERIFY(!Child<QLineEdit>(window, "EndText")->isEnabled());
}

void TestPrintWindows::reportPrintEnabled_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("empty log") << 0 << false;
    QTest::newRow("one sample is listed and printable") << 1 << true;
    QTest::newRow("two samples") << 2 << true;
}

void TestPrintWindows::reportPrintEnabled()
{
    QFETCH(int, samples);
    QFETCH(bool, enabled);
    Module1 module;
    Fill(module, samples);
    PrintReportFrm window(module);
    QCOMPARE(Child<QPushButton>(window, "StartPrintReport")->isEnabled(), enabled);
    QCOMPARE(Child<QTableView>(window, "MSFlexGrid1")->model()->rowCount(), samples);
}

void TestPrintWindows::reportOpensInstantlyOnMillionSamples()
{
    Module1 module;
    SampleLog &log = module.Samples;
    log.Store(999999, Sample{.value = 12.5f, .decimals = 1});
    log.SampleCount = 1000000;
    QElapsedTimer clock;
    clock.start();
    PrintReportFrm window(module);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *grid = Child<QTableView>(window, "MSFlexGrid1");
    grid->scrollToBottom();
    QCoreApplication::processEvents();
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(grid->model()->rowCount(), 1000000);
    QCOMPARE(grid->model()->index(999999, 0).data().toString(), QStringLiteral("1000000"));
    QCOMPARE(grid->model()->index(999999, 3).data().toString(), QStringLiteral("012.5"));
}

void TestPrintWindows::reportLeaveFieldChecks_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("leaveStart");
    QTest::addColumn<bool>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("start 0") << "0"
                             << "5" << true << true << "StartText";
    QTest::newRow("start not numeric") << "abc"
                                       << "5" << true << true << "StartText";
    QTest::newRow("start fine moves on") << "2"
                                         << "5" << true << false << "EndText";
    QTest::newRow("start after end") << "5"
                                     << "3" << false << true << "EndText";
    QTest::newRow("end not numeric") << "1"
                                     << "x" << false << true << "EndText";
    QTest::newRow("end fine, start not numeric") << "y"
                                                 << "3" << false << false << "StartText";
    QTest::newRow("end not compared with records") << "1"
                                                   << "100000" << false << false << "";
}

void TestPrintWindows::reportLeaveFieldChecks()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, leaveStart);
    QFETCH(bool, message);
    QFETCH(QString, focus);
    Module1 module;
    Fill(module, 10);
    PrintReportFrm window(module);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Child<QRadioButton>(window, "Option2")->click();
    auto *startBox = Child<QLineEdit>(window, "StartText");
    auto *endBox = Child<QLineEdit>(window, "EndText");
    startBox->setText(start);
    endBox->setText(end);
    auto *cancel = Child<QPushButton>(window, "CancelReport");
    cancel->setFocus();

    BoxCatcher catcher;
    if (leaveStart)
        window.StartText_LostFocus();
    else
        window.EndText_LostFocus();
    QCOMPARE(catcher.seen.size(), message ? 1 : 0);
    if (message) {
        QCOMPARE(catcher.seen[0].text, QStringLiteral("Data Error! Input Again."));
        QCOMPARE(catcher.seen[0].title, QStringLiteral("Warning"));
        QCOMPARE(catcher.seen[0].icon, QMessageBox::Warning);
    }
    QWidget *expected =
        focus.isEmpty() ? static_cast<QWidget *>(cancel) : window.findChild<QWidget *>(focus);
    QTRY_COMPARE(window.focusWidget(), expected);
}

void TestPrintWindows::reportStartBelowOneNeverPrints()
{
    // A start of 0 typed and never left reaches Print: refused like the leave-field check,
    // before any printer or file is touched.
    Module1 module;
    Fill(module, 10);
    PrintReportFrm window(module);
    Child<QRadioButton>(window, "Option2")->click();
    Child<QLineEdit>(window, "StartText")->setText(QStringLiteral("0"));
    Child<QLineEdit>(window, "EndText")->setText(QStringLiteral("5"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("r.pdf"));
    BoxCatcher catcher;
    QVERIFY(!window.WriteReportPdf(file));
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("Data Error! Input Again."));
    QVERIFY(!QFile::exists(file));
}

void TestPrintWindows::reportNoPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer; the test would print on it");
    Module1 module;
    Fill(module, 5);
    module.CurrentFileName = QStringLiteral("a.mas");
    PrintReportFrm window(module);
    window.show();
    BoxCatcher catcher;
    Child<QPushButton>(window, "StartPrintReport")->click();
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("Printer Error!!"));
    QCOMPARE(catcher.seen[0].title, QStringLiteral("KST"));
    QCOMPARE(catcher.seen[0].icon, QMessageBox::Question);
    QVERIFY(window.isVisible());
    QCOMPARE(module.Samples.SampleCount, 5);
    QCOMPARE(module.Samples.SampleValue(4), 4.5f);
    QCOMPARE(Child<QLineEdit>(window, "TitleText")->text(), QStringLiteral("a.mas"));
}

void TestPrintWindows::reportPdf()
{
    Module1 module;
    Fill(module, 120);
    module.CurrentFileName = QStringLiteral("/home/user/SAMPLE/bench.mas");
    module.Clock = [] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)); };
    PrintReportFrm window(module);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.pdf"));
    BoxCatcher catcher;
    QVERIFY(window.WriteReportPdf(file));
    QCOMPARE(catcher.seen.size(), 0);
    KeepSample(file, QStringLiteral("report.pdf"));

    QCOMPARE(PdfPages(file), 3);
    const QString text = PdfText(file);
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 3);
    const QRegularExpression row(
        QStringLiteral(
            "^\\s*(\\d+)\\s+\\d\\d:\\d\\d:\\d\\d\\s+\\d\\d\\d\\.\\d\\s+DCV\\s+OFF\\s+OFF\\s*$"),
        QRegularExpression::MultilineOption);
    const QList<int> rowsPerPage = {50, 50, 20};
    int expectedRecord = 1;
    for (int p = 0; p < 3; ++p) {
        const QString &page = pages[p];
        QVERIFY2(page.contains(QStringLiteral("/home/user/SAMPLE/bench.mas")), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("Page:000%1").arg(p + 1)));
        QVERIFY(QRegularExpression(QStringLiteral("Record Date:\\s+05-01-2000"))
                    .match(page)
                    .hasMatch());
        QVERIFY(page.contains(QStringLiteral("Print Date: 02-03-2001 04:05:06")));
        QVERIFY(QRegularExpression(QStringLiteral("Record\\s+Time\\s+Data\\s+Unit\\s+MAX/MIN"
                                                  "\\s+Averge\\s+Rel"))
                    .match(page)
                    .hasMatch());
        int rows = 0;
        for (auto it = row.globalMatch(page); it.hasNext();) {
            QCOMPARE(it.next().captured(1).toInt(), expectedRecord++);
            ++rows;
        }
        QCOMPARE(rows, rowsPerPage[p]);
    }
}

void TestPrintWindows::reportPdfUnwritable()
{
    Module1 module;
    Fill(module, 5);
    PrintReportFrm window(module);
    BoxCatcher catcher;
    QVERIFY(!window.WriteReportPdf(QStringLiteral("/nonexistent-folder/x/report.pdf")));
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("Printer Error!!"));
}

void TestPrintWindows::graphControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Frame3") << "Frame3"
                            << "Print Range";
    QTest::newRow("AllData") << "AllData"
                             << "All Data";
    QTest::newRow("Range") << "Range"
                           << "Range";
    QTest::newRow("StartLabel") << "StartLabel"
                                << "Start:";
    QTest::newRow("StartPage") << "StartPage"
                               << "1";
    QTest::newRow("EndLabel") << "EndLabel"
                              << "End:";
    QTest::newRow("EndPage") << "EndPage"
                             << "1";
    QTest::newRow("PrintStyle") << "PrintStyle"
                                << "Print Style";
    QTest::newRow("Label1") << "Label1"
                            << "Line Wide:";
    QTest::newRow("PrintGraphFrmCombo") << "PrintGraphFrmCombo"
                                        << "2";
    QTest::newRow("Landscape") << "Landscape"
                               << "Landscape";
    QTest::newRow("Portrait") << "Portrait"
                              << "Portrait";
    QTest::newRow("Scale") << "Scale"
                           << "Scale";
    QTest::newRow("PrintGraph") << "PrintGraph"
                                << "Print";
    QTest::newRow("PdfGraph") << "PdfGraph"
                              << "PDF...";
    QTest::newRow("PrintGraphCancel") << "PrintGraphCancel"
                                      << "Cancel";
}

void TestPrintWindows::graphControls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Module1 module;
    Fill(module, 250);
    module.CurrentFileName = QStringLiteral("/data/run.mas");
    module.GraphTopY = 2;
    module.GraphLowY = -1;
    PrintGraphFrm window(module, {});
    QCOMPARE(window.objectName(), QStringLiteral("PrintGraphFrm"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Print Graph_/data/run.mas"));
    QWidget *w = window.findChild<QWidget *>(name);
    QVERIFY(w);
    QString text;
    if (auto *l = qobject_cast<QLabel *>(w))
        text = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        text = e->text();
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        text = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(w))
        text = g->title();
    else if (auto *c = qobject_cast<QComboBox *>(w))
        text = c->currentText();
    QCOMPARE(text, caption);
    QVERIFY(w->isEnabled());
    auto *combo = Child<QComboBox>(window, "PrintGraphFrmCombo");
    QCOMPARE(combo->count(), 10);
    QCOMPARE(combo->itemText(9), QStringLiteral("10"));
    QVERIFY(Child<QRadioButton>(window, "Range")->isChecked());
    QVERIFY(Child<QRadioButton>(window, "Landscape")->isChecked());
    QVERIFY(Child<PictureBox>(window, "GraphFrm"));
    QVERIFY(Child<PictureBox>(window, "GraphBox"));
    QCOMPARE(module.PrintGraphTopY, 2.0f);
    QCOMPARE(module.PrintGraphLowY, -1.0f);
}

void TestPrintWindows::graphEmptyLogDisablesPrinting()
{
    Module1 module;
    PrintGraphFrm window(module, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const char *name : {"PrintGraph", "PdfGraph", "AllData", "Range", "StartPage", "EndPage"})
        QVERIFY2(!Child<QWidget>(window, name)->isEnabled(), name);
    // Nothing drawn: the preview box keeps its blank picture.
    const QImage picture = Child<PictureBox>(window, "GraphBox")->Picture();
    QCOMPARE(picture.pixel(picture.width() / 2, picture.height() / 2), qRgb(255, 255, 255));
}

void TestPrintWindows::graphRangeChoices_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<double>("extent");
    QTest::newRow("opening") << "" << 0 << 100 << 100.0;
    QTest::newRow("All Data") << "all" << 0 << 249 << 249.0;
    QTest::newRow("pages 2 to 3") << "2 3" << 100 << 249 << 200.0;
    QTest::newRow("back to Range") << "range" << 0 << 100 << 100.0;
    QTest::newRow("start not numeric keeps the range") << "abc 3" << 0 << 100 << 100.0;
}

void TestPrintWindows::graphRangeChoices()
{
    QFETCH(QString, action);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(double, extent);
    Module1 module;
    Fill(module, 250);
    PrintGraphFrm window(module, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (action == "all") {
        Child<QRadioButton>(window, "AllData")->click();
        QVERIFY(!Child<QLineEdit>(window, "StartPage")->isEnabled());
    } else if (action == "range") {
        Child<QRadioButton>(window, "AllData")->click();
        Child<QRadioButton>(window, "Range")->click();
        QVERIFY(Child<QLineEdit>(window, "StartPage")->isEnabled());
    } else if (!action.isEmpty()) {
        const QStringList pages = action.split(u' ');
        Child<QLineEdit>(window, "StartPage")->setText(pages[0]);
        Child<QLineEdit>(window, "EndPage")->setText(pages[1]);
        window.EndPage_LostFocus();
    }
    QCOMPARE(window.State().PrintFirstIndex, first);
    QCOMPARE(window.State().PrintLastIndex, last);
    QCOMPARE(Child<PictureBox>(window, "GraphBox")->ScaleWidth(), extent);
}

void TestPrintWindows::graphStartPageRefused_data()
{
    QTest::addColumn<QString>("start");
    QTest::newRow("start page 0") << "0";
    QTest::newRow("negative start page") << "-2";
    QTest::newRow("not a number") << "abc";
}

void TestPrintWindows::graphStartPageRefused()
{
    QFETCH(QString, start);
    Module1 module;
    Fill(module, 250);
    PrintGraphFrm window(module, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *startPage = Child<QLineEdit>(window, "StartPage");
    startPage->setText(start);
    Child<QLineEdit>(window, "EndPage")->setText(QStringLiteral("2"));
    Child<QPushButton>(window, "PrintGraphCancel")->setFocus();
    BoxCatcher catcher;
    window.StartPage_LostFocus();
    QTRY_COMPARE(window.focusWidget(), static_cast<QWidget *>(startPage));
    QCOMPARE(catcher.seen.size(), 0);
    QCOMPARE(window.State().PrintFirstIndex, 0);
    QCOMPARE(window.State().PrintLastIndex, 100);
}

void TestPrintWindows::graphScaleButton()
{
    Module1 module;
    Fill(module, 250);
    bool printMode = false;
    PrintGraphFrm window(module, [&] {
        printMode = !module.ScaleFromMainWindow;
        module.PrintGraphTopY = 300;
        module.PrintGraphLowY = 0;
        module.PrintGraphXSpan = 50;
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Child<QPushButton>(window, "Scale")->click();
    QVERIFY(printMode);
    auto *box = Child<PictureBox>(window, "GraphBox");
    QCOMPARE(box->ScaleWidth(), 50.0);
    QCOMPARE(box->ScaleTop(), 300.0);
    QCOMPARE(box->ScaleHeight(), -300.0);
    // The screen graph keeps its own scale.
    QCOMPARE(module.GraphTopY, 400.0f);
    QCOMPARE(module.GraphXSpan, 100);
}

void TestPrintWindows::graphNoPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer; the test would print on it");
    Module1 module;
    Fill(module, 250);
    PrintGraphFrm window(module, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const GraphPrintState before = window.State();
    BoxCatcher catcher;
    Child<QPushButton>(window, "PrintGraph")->click();
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("Printer Error!!"));
    QCOMPARE(catcher.seen[0].title, QStringLiteral("KST"));
    QCOMPARE(catcher.seen[0].icon, QMessageBox::Question);
    QVERIFY(window.isVisible());
    QCOMPARE(window.State().PrintFirstIndex, before.PrintFirstIndex);
    QCOMPARE(window.State().PrintLastIndex, before.PrintLastIndex);
    QCOMPARE(module.Samples.SampleCount, 250);
}

void TestPrintWindows::graphPdf()
{
    Module1 module;
    SampleLog &log = module.Samples;
    log.Reset();
    test::FillLog(log, 250,
                  [](qint32 s, Sample &sample) { sample.value = float(300 * std::sin(s / 20.0)); });
    module.CurrentFileName = QStringLiteral("/home/user/SAMPLE/sine.mas");
    module.Clock = [] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)); };
    PrintGraphFrm window(module, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Child<QRadioButton>(window, "AllData")->click();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("graph.pdf"));
    BoxCatcher catcher;
    QVERIFY(window.WriteGraphPdf(file));
    QCOMPARE(catcher.seen.size(), 0);
    KeepSample(file, QStringLiteral("graph.pdf"));
    if (!qEnvironmentVariableIsEmpty("KST_PRINT_SAMPLES"))
        window.grab().save(qEnvironmentVariable("KST_PRINT_SAMPLES") + "/graph-window.png");

    QCOMPARE(PdfPages(file), 1);
    QVERIFY(Run("pdfinfo", {file}).contains(QStringLiteral("842 x 595 pts (A4)"))); // landscape
    const QString text = PdfText(file);
    for (const char *expected : {"/home/user/SAMPLE/sine.mas", "+400.0", "0.0", "-400.0",
                                 "Unit:", "DCV", "Max:", "Min:", "Print Date: 02-03-2001 04:05:06",
                                 "10:00:00", "10:00:50", "10:02:29", "10:04:09"})
        QVERIFY2(text.contains(QString::fromLatin1(expected)), expected);
    QVERIFY(QRegularExpression(QStringLiteral("Max:\\s+299\\.998")).match(text).hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("Min:\\s+-299\\.997")).match(text).hasMatch());
}

void TestPrintWindows::pdfButtonsAskForFileName_data()
{
    QTest::addColumn<bool>("graph");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("pages");
    QTest::newRow("report") << false << true << 2;
    QTest::newRow("graph") << true << true << 1;
    QTest::newRow("report, dialog cancelled") << false << false << 0;
}

void TestPrintWindows::pdfButtonsAskForFileName()
{
    QFETCH(bool, graph);
    QFETCH(bool, accept);
    QFETCH(int, pages);
    Module1 module;
    Fill(module, 60);
    QTemporaryDir dir;
    module.DataFolder = dir.path();
    std::unique_ptr<QDialog> window;
    if (graph)
        window = std::make_unique<PrintGraphFrm>(module, std::function<void()>());
    else
        window = std::make_unique<PrintReportFrm>(module);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    // A name typed without extension gets ".pdf".
    const QString typed = dir.filePath(QStringLiteral("out"));
    bool nonNative = false;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog) &&
                    dialog->acceptMode() == QFileDialog::AcceptSave;
        if (accept) {
            dialog->selectFile(typed);
            static_cast<QDialog *>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });
    timer.start(5);
    BoxCatcher catcher;
    Child<QPushButton>(*window, graph ? "PdfGraph" : "PdfReport")->click();
    QVERIFY(nonNative);
    QCOMPARE(catcher.seen.size(), 0);
    QCOMPARE(QFile::exists(typed + QStringLiteral(".pdf")), accept);
    if (accept)
        QCOMPARE(PdfPages(typed + QStringLiteral(".pdf")), pages);
}

QTEST_MAIN(TestPrintWindows)
#include "tst_printwindows.moc"
