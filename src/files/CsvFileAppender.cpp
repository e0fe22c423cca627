#include "files/CsvFileAppender.h"

#include "common/Numbers.h"
#include "files/CsvWriter.h"
#include "files/FileIo.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <unistd.h>

namespace kst {

namespace {

// The cells of one row, its quoted unit unquoted.
QList<QByteArray> Cells(const QByteArray &row, char separator)
{
    QList<QByteArray> cells{QByteArray()};
    bool quoted = false;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (c == '"' && quoted && i + 1 < row.size() && row[i + 1] == '"')
            cells.back() += row[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted)
            cells.append(QByteArray());
        else
            cells.back() += c;
    }
    return cells;
}

// size bytes of the open file fd from offset at; fewer at its end.
QByteArray ReadAt(int fd, qint64 at, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, bytes.data(), size_t(size), at);
    bytes.truncate(got < 0 ? 0 : got);
    return bytes;
}

} // namespace

// A sample's row with all its cells, each of its kind: a time with milliseconds (and the offset,
// in the form for programs), a number, a unit, a flag word, an optional number twice, and in the
// form with notes an empty note. A recording writes its last cells empty, so a row of a
// recording cut anywhere before its line end fails one of these; a note's row without its line
// end may have lost some of its text and is not taken as whole.
bool CsvFileAppender::IsWholeRow(const QByteArray &row) const
{
    static const QRegularExpression iso(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)"));
    static const QRegularExpression local(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$)"));
    const bool spreadsheet = format_.form == CsvForm::Spreadsheet;
    // Read with a decimal point wherever the form writes its own separator.
    const auto plain = [this](const QByteArray &cell) {
        return QString::fromUtf8(cell).replace(format_.DecimalPoint(), QStringLiteral("."));
    };
    const QList<QByteArray> cells = Cells(row, format_.Separator());
    if (cells.size() != (format_.notes ? 7 : 6) || (format_.notes && !cells[6].isEmpty()))
        return false;
    const QString time = plain(cells[0]);
    const QDateTime when =
        spreadsheet ? QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                    : QDateTime::fromString(time, Qt::ISODateWithMs);
    const auto number = [&](const QByteArray &cell, bool mayBeEmpty) {
        return (mayBeEmpty && cell.isEmpty()) || IsNumeric(plain(cell));
    };
    return (spreadsheet ? local : iso).match(time).hasMatch() && when.isValid() &&
           number(cells[1], false) && (cells[3] == "true" || cells[3] == "false") &&
           number(cells[4], true) && number(cells[5], true);
}

Result<QString> CsvFileAppender::Open(const QString &path)
{
    Close();
    last_.reset();
    if (const Status opened = file_.Open(path); !opened)
        return opened.Error();
    const Result<QString> continued = file_.Size() == 0 ? Result<QString>(QString()) : Continue();
    if (continued && file_.Size() == 0) {
        if (const Status header = file_.Append(CsvWriter::HeaderRow(format_)); !header)
            return header.Error();
    }
    if (!continued)
        Close();
    return continued;
}

Result<QString> CsvFileAppender::Continue()
{
    const QString path = file_.Path();
    const Result<int> fd = OpenForReading(path);
    if (!fd)
        return fd.Error();
    const QByteArray header = CsvWriter::HeaderRow(format_);
    CsvFormat earlier = format_;
    earlier.notes = false;
    const QByteArray earlierHeader = CsvWriter::HeaderRow(earlier);
    const qint64 size = file_.Size();
    const qint64 tailStart = std::max<qint64>(0, size - 1024);
    const bool ours = ReadAt(*fd, 0, header.size()) == header;
    const bool earlierForm = !ours && ReadAt(*fd, 0, earlierHeader.size()) == earlierHeader;
    const QByteArray tail = ReadAt(*fd, tailStart, size - tailStart);
    ::close(*fd); // read only
    if (earlierForm) {
        format_ = earlier;
        writer_ = std::make_unique<CsvWriter>(format_);
    }
    if (!ours && !earlierForm)
        return Failure::Permanent(
            QStringLiteral("%1: not a CSV file of kst-log in this form; choose another file")
                .arg(path));
    if (tail.endsWith("\r\n"))
        return QString();
    // The last row lacks its line end: complete it when it is whole, remove it when it was cut.
    const qsizetype rowStart = tail.lastIndexOf('\n') + 1;
    QByteArray row = tail.mid(rowStart);
    const bool hasCr = row.endsWith('\r');
    if (hasCr)
        row.chop(1);
    if (rowStart > 0 && IsWholeRow(row)) {
        if (const Status ended = file_.Append(hasCr ? "\n" : "\r\n"); !ended)
            return ended.Error();
        return QString();
    }
    if (const Status cut = file_.TruncateTo(tailStart + rowStart); !cut)
        return cut.Error();
    return QStringLiteral("%1: the last row had no line end and was cut off; it was removed")
        .arg(path);
}

Status CsvFileAppender::Append(const Sample &sample)
{
    const Status appended = file_.Append(writer_->RowOf(sample));
    if (appended)
        last_ = std::pair(sample.date, sample.time);
    return appended;
}

Status CsvFileAppender::Append(const SampleLog &log, qint32 n)
{
    rows_.resize(0); // keeps its room
    if (const QString *gap = log.GapReason(n); gap && last_)
        rows_ = writer_->NoteRowOf(last_->first, last_->second, CsvWriter::GapNote(*gap));
    writer_->PutRowOf(rows_, log, n);
    const Status appended = file_.Append(rows_);
    if (appended)
        last_ = std::pair(log.SampleDate(n), log.SampleTime(n));
    return appended;
}

} // namespace kst
