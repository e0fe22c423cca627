// Opening the report window on a million samples (its table must cost nothing until rows are
// shown) and writing a 10,000-record report to PDF.
#include "common/Numbers.h"
#include "common/ui/Module1.h"
#include "print/ui/PrintReportFrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

using namespace kst;

namespace {

void Fill(Module1 &module, qint32 n)
{
    SampleLog &log = module.Samples;
    Sample s;
    s.date = QDate(2026, 12, 6);
    s.unit = QStringLiteral("DCV");
    s.decimals = 3;
    s.avg = NoValueMarker;
    s.relRef = NoValueMarker;
    for (qint32 i = 0; i < n; ++i) {
        s.value = float(i % 4000) / 1000.0f;
        s.time = QTime(8, 0).addSecs(i % 86400);
        log.Append(s);
    }
}

double Seconds(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    Module1 big;
    Fill(big, 1000000);
    QElapsedTimer clock;
    clock.start();
    {
        PrintReportFrm window(big);
        window.show();
        QCoreApplication::processEvents();
        std::printf("open report preview, 1,000,000 samples: %8.3f s\n", Seconds(clock));
    }

    Module1 small;
    Fill(small, 10000);
    PrintReportFrm window(small);
    clock.restart();
    const bool ok = window.WriteReportPdf(dir.filePath(QStringLiteral("report.pdf")));
    std::printf("report of 10,000 records to PDF (%d pages): %8.3f s%s\n", (10000 + 49) / 50,
                Seconds(clock), ok ? "" : "  FAILED");
    return ok ? 0 : 1;
}
