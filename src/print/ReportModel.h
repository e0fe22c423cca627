#pragma once

#include "record/Markers.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

namespace kst {

class DrawingSurface;
class SampleLog;

// Rows of one printed report page; the page notes of the table mark the same blocks.
inline constexpr qint32 ReportRowsPerPage = 50;

// The preview table's format: nine pieces separated by "|", the first character of each giving
// the alignment ("<" left, ">" right) and the rest, trailing blanks included, the heading.
QString ReportFormatString();
// The nine headings of the format string, trailing blanks included.
QStringList ReportHeadings();
// True for the columns the format string aligns to the right.
bool ReportColumnRightAligned(int column);

// A value as the meter shows it with its own decimals ("001.5", "0025"); "OL" when the value is
// exactly +4000 counts (the over-range reading; -4000 counts is shown as a number).
QString ReportDataText(float value, int decimals);

// The text of one table cell: record 1..SampleCount (record n is the sample at index n - 1),
// column 0..8. Empty for a record the arrays do not hold.
QString ReportCellText(const SampleLog &log, qint32 record, int column);

// The record range a printout covers.
struct ReportRange {
    qint32 first = 1;
    qint32 last = 0;
};

// What the Print button reads from the range controls. With "All data" every record; with
// "Range" the numbers in the two boxes, the end lowered to the last record. A box whose text is
// not a number gives StartNotNumeric or EndNotNumeric (the start box checked first); a start below
// 1 gives StartBelowOne (the table has no record 0 and the printout never reads before the first
// sample).
struct ReportRangeChoice {
    enum class Status { Ok, StartNotNumeric, EndNotNumeric, StartBelowOne };
    Status status = Status::Ok;
    ReportRange range;
};
ReportRangeChoice ChooseReportRange(bool allData, QStringView startText, QStringView endText,
                                    qint32 recordCount);

// Header block of a page (11 lines): title, page number, date of the first record on the page,
// column headings. With noRows the date is that of record 1.
void PrintReportPageHeader(DrawingSurface &surface, const SampleLog &log, const QString &title,
                           qint32 page, qint32 record, bool noRows);
// One table row (record number, time, data, unit, max/min, average, rel), each item followed by a
// zone step; the caller ends the line.
void PrintReportRow(DrawingSurface &surface, const SampleLog &log, qint32 record);
// Footer (2 lines): an empty line and the print date.
void PrintReportPageFooter(DrawingSurface &surface, const QDateTime &now);

// The paged report: Arial 10 bold from the top of the page, 50 rows per page, header and footer
// on every page, the surface's font restored and the document ended at the end. The clock is read
// for every footer. The range must start at 1 or above. The markers that fall among the printed
// records follow the rows, after an empty line, as MarkerListing lists them, paged as rows are.
void PrintReport(DrawingSurface &surface, const SampleLog &log, const QString &title,
                 ReportRange range, const std::function<QDateTime()> &clock,
                 const MarkerList *markers = nullptr);

// One meter's part of a report of several meters: its own title, samples and records, and the
// recording's markers.
struct ReportSection {
    QString title;
    const SampleLog &log;
    ReportRange range;
    const MarkerList *markers = nullptr;
};
// The report of several meters in one document: each section starts on a new page and numbers
// its pages from 1, laid out as the report of one meter.
void PrintReportSections(DrawingSurface &surface, const std::vector<ReportSection> &sections,
                         const std::function<QDateTime()> &clock);

// The preview table: one row per record (row r holds record r + 1), nine columns with the format
// string's headings and alignments. The number of records is fixed when the model is made, so
// samples recorded while the window is open are not listed; cells are computed when shown, so a
// log of a million samples costs nothing until rows are drawn.
class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ReportTableModel(const SampleLog &log, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const SampleLog &log_;
    qint32 records_;
};

} // namespace kst
