#include "files/MarkerFile.h"

#include "files/FileIo.h"

#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

namespace kst {

namespace {

const QString TimeForm = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

} // namespace

QString MarkerFilePath(const QString &samplePath)
{
    const QFileInfo info(samplePath);
    const QString name = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    const QString folder = samplePath.left(samplePath.size() - info.fileName().size());
    return folder + name + QStringLiteral(".markers");
}

QByteArray MarkerFileBytes(const MarkerList &markers)
{
    QByteArray bytes;
    for (const Marker &marker : markers)
        bytes += (marker.date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
                  marker.time.toString(QStringLiteral("HH:mm:ss.zzz")) + u'\t' +
                  MarkerText(marker.text) + u'\n')
                     .toUtf8();
    return bytes;
}

MarkerList ParseMarkerFile(const QByteArray &bytes, int *skipped)
{
    MarkerList markers;
    int bad = 0;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype tab = line.indexOf('\t');
        const QString stamp = QString::fromUtf8(line.left(tab));
        const QString day = stamp.left(10);
        const QDate date = QDate::fromString(day, QStringLiteral("yyyy-MM-dd"));
        const QTime time = QTime::fromString(stamp.mid(11), QStringLiteral("HH:mm:ss.zzz"));
        if (tab < 0 || stamp.size() != TimeForm.size() || !date.isValid() || !time.isValid()) {
            ++bad;
            continue;
        }
        AddMarker(markers, {date, time, MarkerText(QString::fromUtf8(line.mid(tab + 1)))});
    }
    if (skipped)
        *skipped = bad;
    return markers;
}

Status SaveMarkerFile(const QString &samplePath, const MarkerList &markers)
{
    const QString path = MarkerFilePath(samplePath);
    if (markers.empty() && !QFileInfo::exists(path))
        return {};
    const QByteArray bytes = MarkerFileBytes(markers);
    return SaveAtomically(path, [&bytes](const ByteSink &sink) {
        return bytes.isEmpty() ? Status() : sink(bytes.constData(), bytes.size());
    });
}

Result<MarkerList> LoadMarkerFile(const QString &samplePath)
{
    const QString path = MarkerFilePath(samplePath);
    if (!QFileInfo::exists(path))
        return MarkerList{};
    const Result<int> fd = OpenForReading(path);
    if (!fd)
        return fd.Error();
    QByteArray bytes;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(*fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, got);
    const int error = errno;
    ::close(*fd);
    if (got < 0)
        return Failure::FromErrno(error, path);
    return ParseMarkerFile(bytes);
}

} // namespace kst
