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

// The cells of one row of the program's form, its quoted unit unquoted.
QList<QByteArray> Cells(const QByteArray &row)
{
    QList<QByteArray> cells{QByteArray()};
    bool quoted = false;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (c == '"' && quoted && i + 1 < row.size() && row[i + 1] == '"')
            cells.back() += row[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            cells.append(QByteArray());
        else
            cells.back() += c;
    }
    return cells;
}

// A row with all six cells, each of its kind: a time with milliseconds and offset, a number, a
// unit, a flag word, and an optional number twice. A recording writes its last two cells empty,
// so a row of a recording cut anywhere before its line end fails one of these.
bool IsWholeRow(const QByteArray &row)
{
    static const QRegularExpression time(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)"));
    const QList<QByteArray> cells = Cells(row);
    const auto number = [](const QByteArray &cell, bool mayBeEmpty) {
        return (mayBeEmpty && cell.isEmpty()) || IsNumeric(QString::fromLatin1(cell));
    };
    return cells.size() == 6 && time.match(QString::fromLatin1(cells[0])).hasMatch() &&
           QDateTime::fromString(QString::fromLatin1(cells[0]), Qt::ISODateWithMs).isValid() &&
           number(cells[1], false) && (cells[3] == "true" || cells[3] == "false") &&
           number(cells[4], true) && number(cells[5], true);
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

Result<QString> CsvFileAppender::Open(const QString &path)
{
    Close();
    if (const Status opened = file_.Open(path); !opened)
        return opened.Error();
    const Result<QString> continued = file_.Size() == 0 ? Result<QString>(QString()) : Continue();
    if (continued && file_.Size() == 0) {
        if (const Status header = file_.Append(CsvWriter::HeaderRow()); !header)
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
    const QByteArray header = CsvWriter::HeaderRow();
    const qint64 size = file_.Size();
    const qint64 tailStart = std::max<qint64>(0, size - 1024);
    const bool ours = ReadAt(*fd, 0, header.size()) == header;
    const QByteArray tail = ReadAt(*fd, tailStart, size - tailStart);
    ::close(*fd); // read only
    if (!ours)
        return Failure::Permanent(
            QStringLiteral("%1: not a CSV file of kst-log; choose another file").arg(path));
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
    return file_.Append(writer_.RowOf(sample));
}

} // namespace kst
