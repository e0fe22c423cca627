// Writes one small log as CSV in each form into the folder given: program.csv (the form for
// programs), sheet-c.csv and sheet-de.csv (the spreadsheet form for the C and German locales).
#include "common/Numbers.h"
#include "files/CsvWriter.h"

#include <QCoreApplication>
#include <cstdio>

using namespace kst;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 64;
    const QString folder = QString::fromLocal8Bit(argv[1]) + u'/';
    const float off = NoValueMarker;
    SampleLog log;
    log.Append({1.746f, QDate(2026, 12, 7), QTime(0, 11, 11, 450), u"KΩ"_qs, 3, 0, 0, off, 1.5f});
    log.Append({-12.5f, QDate(2026, 12, 7), QTime(0, 11, 12), u"=1+2"_qs, 1, 0, 0, 2.25f, off});
    const std::pair<const char *, CsvFormat> files[] = {
        {"program.csv", {}},
        {"sheet-c.csv", {CsvForm::Spreadsheet, QLocale::c()}},
        {"sheet-de.csv", {CsvForm::Spreadsheet, QLocale(QLocale::German, QLocale::Germany)}},
    };
    for (const auto &[name, format] : files) {
        const Result<ExportEnd> saved = SaveCsvFile(folder + QLatin1String(name), log, 2, format);
        if (!saved) {
            std::fprintf(stderr, "%s\n", qPrintable(saved.Reason()));
            return 1;
        }
    }
    return 0;
}
