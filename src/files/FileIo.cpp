#include "files/FileIo.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kst {

namespace {

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

Status NotRegular(const QString &path, mode_t mode)
{
    const char *kind = S_ISFIFO(mode)  ? "a named pipe (FIFO)"
                       : S_ISDIR(mode) ? "a folder"
                       : S_ISSOCK(mode)
                           ? "a socket"
                           : (S_ISCHR(mode) || S_ISBLK(mode) ? "a device" : "not a file");
    return Failure::Permanent(
        QStringLiteral("%1: not a regular file but %2").arg(path, QLatin1String(kind)));
}

// The file a save replaces: a symbolic link's target (followed as far as it goes), else path.
QString SaveTarget(const QString &path)
{
    QString target = path;
    for (int hops = 0; hops < 16 && QFileInfo(target).isSymLink(); ++hops)
        target = QFileInfo(target).symLinkTarget();
    return target;
}

// A new file beside target, named target.XXXXXX, created with mode (less the umask).
Result<std::pair<int, QString>> CreateTemporary(const QString &target, mode_t mode,
                                                const QString &path)
{
    static constexpr char Letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = target + u'.';
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(Letters[QRandomGenerator::global()->bounded(62)]);
        const int fd =
            ::open(Native(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
            return std::pair{fd, name};
        if (errno != EEXIST)
            return Failure::FromErrno(errno, path);
    }
    return Failure::FromErrno(EEXIST, path);
}

} // namespace

ByteSink DescriptorSink(int fd, const QString &name)
{
    return [fd, name](const char *data, qint64 size) -> Status {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Failure::FromErrno(n < 0 ? errno : ENOSPC, name);
            data += n;
            size -= n;
        }
        return {};
    };
}

ByteSink DeviceSink(QIODevice &device)
{
    return [&device](const char *data, qint64 size) -> Status {
        errno = 0;
        if (device.write(data, size) == size)
            return {};
        // A file's failure is a system call's: its error number names the cause.
        const int error = errno;
        const auto *file = qobject_cast<QFileDevice *>(&device);
        if (file && error != 0)
            return Failure::FromErrno(error, file->fileName());
        return Failure::Transient(device.errorString());
    };
}

Status CheckRegularFile(const QString &path, bool mayBeMissing)
{
    struct stat st {};
    if (::stat(Native(path).constData(), &st) != 0) {
        if (errno == ENOENT && mayBeMissing)
            return {};
        return Failure::FromErrno(errno, path);
    }
    return S_ISREG(st.st_mode) ? Status() : NotRegular(path, st.st_mode);
}

Result<int> OpenForReading(const QString &path)
{
    if (const Status regular = CheckRegularFile(path); !regular)
        return regular.Error();
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Failure::FromErrno(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) { // replaced since the check
        const Status refused = NotRegular(path, st.st_mode);
        ::close(fd);
        return refused.Error();
    }
    return fd;
}

Status SaveAtomically(const QString &path, const std::function<Status(const ByteSink &)> &write)
{
    const QString target = SaveTarget(path);
    struct stat existing {};
    const bool exists = ::stat(Native(target).constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return NotRegular(path, existing.st_mode);
    // Private until it has the old file's permissions; a new file gets the usual ones.
    Result<std::pair<int, QString>> temporary = CreateTemporary(target, exists ? 0600 : 0666, path);
    if (!temporary)
        return temporary.Error();
    const auto [fd, name] = *temporary;
    Status status = write(DescriptorSink(fd, path));
    if (status && exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        status = Failure::FromErrno(errno, path);
    if (status && ::fdatasync(fd) != 0)
        status = Failure::FromErrno(errno, path);
    if (::close(fd) != 0 && status)
        status = Failure::FromErrno(errno, path);
    if (status && ::rename(Native(name).constData(), Native(target).constData()) != 0)
        status = Failure::FromErrno(errno, path);
    // The failure is reported already; a temporary file left behind holds no part of path.
    if (!status)
        (void)::unlink(Native(name).constData());
    return status;
}

QString MeterFilePath(const QString &path, int number, const QString &name)
{
    if (number <= 1)
        return path;
    const QFileInfo file(path);
    const QString suffix = file.suffix();
    const QString base = suffix.isEmpty() ? path : path.chopped(suffix.size() + 1);
    return base + u'-' + name + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

} // namespace kst
