#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

namespace kst {

// A regular file that grows by whole records, each in one write, so that a reader never meets
// half a record unless the disk fills in the middle of one; then the file is cut back to its
// last whole record, and the failure names the cause.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;
    ~AppendFile() { Close(); }

    // Opens path for appending, creating it when it is missing; a named pipe, a device or a
    // socket is refused.
    Status Open(const QString &path);
    // Cuts the file to its first size bytes (a torn record at its end).
    Status TruncateTo(qint64 size);
    Status Append(const QByteArray &record) { return Append(record.constData(), record.size()); }
    Status Append(const char *record, qsizetype size);
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    QString Path() const { return path_; }
    qint64 Size() const { return size_; }

private:
    int fd_ = -1;
    QString path_;
    qint64 size_ = 0; // every record in it whole
};

} // namespace kst
