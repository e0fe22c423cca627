#include "print/ReportModel.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "common/Numbers.h"
#include "common/PrinterPage.h"
#include "record/Gaps.h"
#include "record/SampleLog.h"

#include <cmath>

namespace kst {

namespace {

constexpr int ReportColumns = 9;

bool HoldsIndex(const SampleLog &log, qint32 index)
{
    return index >= 0 && index <= log.UpperIndex();
}

// A statistics column: "OFF" for the no-value marker, else the value with the sample's decimals.
QString MarkerOrValue(float value, int decimals)
{
    if (value == NoValueMarker)
        return QStringLiteral("OFF");
    return FormatSingle(value, DigitsPattern(decimals));
}

} // namespace

QString ReportFormatString()
{
    return QStringLiteral("<                |< Date          |< Time         |< Data           |"
                          "< Unit        |< Max/Min  |<Averge     |<Rel         |>Note       ");
}

QStringList ReportHeadings()
{
    QStringList headings;
    for (const QString &piece : ReportFormatString().split(u'|'))
        headings.append(piece.mid(1));
    return headings;
}

bool ReportColumnRightAligned(int column)
{
    const QStringList pieces = ReportFormatString().split(u'|');
    return column >= 0 && column < pieces.size() && pieces[column].startsWith(u'>');
}

QString ReportDataText(float value, int decimals)
{
    // The comparison is made in double precision so that only a stored +4000 counts qualifies.
    if (double(value) * std::pow(10.0, decimals) == 4000.0)
        return QStringLiteral("OL");
    return FormatSingle(value, DigitsPattern(decimals));
}

QString ReportCellText(const SampleLog &log, qint32 record, int column)
{
    const qint32 s = record - 1;
    if (record < 1 || !HoldsIndex(log, s))
        return {};
    const int decimals = log.SampleDecimals(s);
    switch (column) {
    case 0:
        return QString::number(record);
    case 1:
        return SystemShortDateText(log.SampleDate(s));
    case 2:
        return SystemTimeText(log.SampleTime(s));
    case 3:
        return ReportDataText(log.SampleValue(s), decimals);
    case 4:
        return log.SampleUnit(s);
    case 5:
        // A sample that set both a new maximum and a new minimum shows MIN.
        if (log.SampleIsMin(s) != 0)
            return QStringLiteral("MIN");
        if (log.SampleIsMax(s) != 0)
            return QStringLiteral("MAX");
        return {};
    case 6:
        return MarkerOrValue(log.SampleAvg(s), decimals);
    case 7:
        return MarkerOrValue(log.SampleRelRef(s), decimals);
    case 8:
        if ((record - 1) % ReportRowsPerPage == 0)
            return QStringLiteral("Page ") + QString::number((record - 1) / ReportRowsPerPage + 1);
        return {};
    default:
        return {};
    }
}

ReportRangeChoice ChooseReportRange(bool allData, QStringView startText, QStringView endText,
                                    qint32 recordCount)
{
    ReportRangeChoice choice;
    if (allData) {
        choice.range = {1, recordCount};
        return choice;
    }
    const std::optional<double> start = ParseNumber(startText);
    const std::optional<double> end = ParseNumber(endText);
    if (!start || !end) {
        choice.status = !start ? ReportRangeChoice::Status::StartNotNumeric
                               : ReportRangeChoice::Status::EndNotNumeric;
        return choice;
    }
    const qint64 first = RoundHalfEven(*start);
    qint64 last = RoundHalfEven(*end);
    if (first < 1) {
        choice.status = ReportRangeChoice::Status::StartBelowOne;
        return choice;
    }
    if (last > recordCount)
        last = recordCount;
    // A start above the listed records stays as it is: the printout then has no rows.
    choice.range = {qint32(std::min<qint64>(first, 0x7fffffff)),
                    qint32(std::max<qint64>(last, -0x7fffffffLL))};
    return choice;
}

void PrintReportPageHeader(DrawingSurface &surface, const SampleLog &log, const QString &title,
                           qint32 page, qint32 record, bool noRows)
{
    for (int i = 0; i < 7; ++i)
        surface.EndLine();

    surface.NextZone();
    surface.NextZone();
    // "Page:" stands two zone starts after the title; a long title (a deep file path) is
    // shortened in the middle so that the page number stays on the sheet.
    const QString pageText = QStringLiteral("Page:") + FormatNumber(page, u"#####0000");
    const double titleX = surface.CurrentX();
    const double y = surface.CurrentY();
    const auto pageTextEnd = [&](const QString &candidate) {
        surface.SetCurrentX(titleX + surface.TextWidth(candidate));
        surface.NextZone();
        surface.NextZone();
        return surface.CurrentX() + surface.TextWidth(pageText);
    };
    const QString shownTitle =
        ElideMiddle(title, surface.ScaleLeft() + surface.ScaleWidth(), pageTextEnd);
    surface.SetCurrentX(titleX);
    surface.SetCurrentY(y);
    surface.PrintText(shownTitle);
    surface.NextZone();
    surface.NextZone();
    surface.PrintText(pageText);
    surface.EndLine();

    surface.EndLine();

    const qint32 dateIndex = noRows ? 0 : record - 1;
    surface.NextZone();
    surface.PrintText(QStringLiteral("Record Date:   "));
    if (HoldsIndex(log, dateIndex))
        surface.PrintText(DateText(log.SampleDate(dateIndex)));
    surface.EndLine();

    static const char *const headings[] = {"Record",  "Time",   "Data", "Unit",
                                           "MAX/MIN", "Averge", " Rel"};
    surface.NextZone();
    for (size_t i = 0; i < std::size(headings); ++i) {
        surface.PrintText(QString::fromLatin1(headings[i]));
        if (i + 1 < std::size(headings))
            surface.NextZone();
    }
    surface.EndLine();
}

void PrintReportRow(DrawingSurface &surface, const SampleLog &log, qint32 record)
{
    surface.NextZone();
    for (int column : {0, 2, 3, 4, 5, 6, 7}) {
        surface.PrintText(ReportCellText(log, record, column));
        surface.NextZone();
    }
}

void PrintReportPageFooter(DrawingSurface &surface, const QDateTime &now)
{
    surface.EndLine();
    surface.NextZone();
    surface.PrintText(QStringLiteral("Print Date: "));
    surface.PrintText(StampText(now));
    surface.EndLine();
}

namespace {

// The markers whose moment falls among the records of the range (a marker after the last sample
// with the last record).
MarkerList MarkersAmong(const SampleLog &log, const MarkerList *markers, ReportRange range)
{
    MarkerList among;
    if (!markers || log.SampleCount == 0)
        return among;
    for (const Marker &marker : *markers) {
        const qint32 record =
            std::min(SampleAtOrAfter(log, WallMs(marker.date, marker.time)), log.SampleCount - 1) +
            1;
        if (record >= range.first && record <= range.last)
            among.push_back(marker);
    }
    return among;
}

void PrintReportBody(DrawingSurface &surface, const ReportSection &section,
                     const std::function<QDateTime()> &clock)
{
    const SampleLog &log = section.log;
    const ReportRange range = section.range;
    surface.SetCurrentX(surface.ScaleLeft());
    surface.SetCurrentY(surface.ScaleTop());
    const bool noRows = range.first > range.last;
    qint32 page = 1;
    qint32 rowOnPage = 0;
    PrintReportPageHeader(surface, log, section.title, page, range.first, noRows);
    const auto nextRow = [&](qint32 record) {
        if (++rowOnPage <= ReportRowsPerPage)
            return;
        rowOnPage = 1;
        ++page;
        PrintReportPageFooter(surface, clock());
        surface.NewPage();
        surface.SetCurrentX(surface.ScaleLeft());
        surface.SetCurrentY(surface.ScaleTop());
        PrintReportPageHeader(surface, log, section.title, page, record, false);
    };
    for (qint32 r = range.first; r <= range.last; ++r) {
        nextRow(r);
        PrintReportRow(surface, log, r);
        surface.EndLine();
    }
    const QStringList listing = MarkerListing(MarkersAmong(log, section.markers, range));
    for (qsizetype k = 0; k < listing.size(); ++k) {
        if (k == 0) { // an empty line before the listing
            nextRow(range.last);
            surface.EndLine();
        }
        nextRow(range.last);
        surface.SetCurrentX(surface.ScaleLeft());
        surface.Print(listing[k]);
    }
    PrintReportPageFooter(surface, clock());
}

} // namespace

void PrintReport(DrawingSurface &surface, const SampleLog &log, const QString &title,
                 ReportRange range, const std::function<QDateTime()> &clock,
                 const MarkerList *markers)
{
    PrintReportSections(surface, {ReportSection{title, log, range, markers}}, clock);
}

void PrintReportSections(DrawingSurface &surface, const std::vector<ReportSection> &sections,
                         const std::function<QDateTime()> &clock)
{
    surface.ScaleToDevice();
    const QString savedFontName = surface.FontName();
    const double savedFontSize = surface.FontSize();
    surface.SetFontName(QStringLiteral("Arial"));
    surface.SetFontSize(10);
    surface.SetFontBold(true);
    for (size_t i = 0; i < sections.size(); ++i) {
        if (i > 0)
            surface.NewPage();
        PrintReportBody(surface, sections[i], clock);
    }
    surface.SetFontName(savedFontName);
    surface.SetFontSize(savedFontSize);
    surface.EndDoc();
}

ReportTableModel::ReportTableModel(const SampleLog &log, QObject *parent)
    : QAbstractTableModel(parent), log_(log), records_(log.SampleCount)
{
}

int ReportTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : records_;
}

int ReportTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ReportColumns;
}

QVariant ReportTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return ReportCellText(log_, index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole)
        return int((ReportColumnRightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) |
                   Qt::AlignVCenter);
    return {};
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ReportColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        static const QStringList headings = ReportHeadings();
        return headings[section];
    }
    if (role == Qt::TextAlignmentRole)
        return int((ReportColumnRightAligned(section) ? Qt::AlignRight : Qt::AlignLeft) |
                   Qt::AlignVCenter);
    return {};
}

} // namespace kst
