#pragma once

#include "common/Result.h"

#include <QIODevice>
#include <QString>
#include <functional>

// Plain file operations for the sample and CSV files, in system calls, so that a failure names its
// cause ("run.mas: no space left on the device") and a named pipe, a device or a socket given
// where a file belongs is refused before it can block a read or be replaced by a file.
namespace kst {

// Where a writer's bytes go. Takes all size bytes, or fails naming the cause.
using ByteSink = std::function<Status(const char *data, qint64 size)>;

// Bytes to an open file descriptor (standard output, a pipe, a file); name is what a failure
// names.
ByteSink DescriptorSink(int fd, const QString &name);
// Bytes to an open device (a buffer, a file opened by the caller).
ByteSink DeviceSink(QIODevice &device);

// Ok when path names a regular file, or nothing at all when mayBeMissing; otherwise why not
// ("x: not a regular file but a named pipe (FIFO)").
Status CheckRegularFile(const QString &path, bool mayBeMissing = false);

// Opens an existing regular file for reading; the descriptor, which the caller closes. Checked
// before opening and again on the open file, opened without blocking: a named pipe never makes
// the caller wait for a writer.
Result<int> OpenForReading(const QString &path);

// Writes path whole or not at all: write puts the bytes into a temporary file beside path, which
// is synced to the disk and then replaces path. Any failure of write (which may also stop on
// purpose) or of the file leaves an existing file at path as it was. A symbolic link is followed
// and its target replaced; an existing file's permissions are kept. path must be a regular file
// or nothing.
Status SaveAtomically(const QString &path, const std::function<Status(const ByteSink &)> &write);

// The file of meter `number` (from 1) in a set of files named by path: path itself for meter 1,
// "<path without its extension>-<name>.<extension>" for the others ("run.mas" -> "run-psu.mas").
QString MeterFilePath(const QString &path, int number, const QString &name);

} // namespace kst
