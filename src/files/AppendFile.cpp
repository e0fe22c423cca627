#include "files/AppendFile.h"

#include "files/FileIo.h"

#include <QFile>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kst {

Status AppendFile::Open(const QString &path)
{
    Close();
    if (const Status regular = CheckRegularFile(path, true); !regular)
        return regular;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return Failure::FromErrno(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) { // replaced since the check
        ::close(fd);
        return Failure::Permanent(QStringLiteral("%1: not a regular file").arg(path));
    }
    fd_ = fd;
    path_ = path;
    size_ = st.st_size;
    return {};
}

Status AppendFile::TruncateTo(qint64 size)
{
    if (::ftruncate(fd_, size) != 0)
        return Failure::FromErrno(errno, path_);
    size_ = size;
    return {};
}

Status AppendFile::Append(const char *record, qsizetype size)
{
    qsizetype left = size;
    int error = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd_, record, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        record += n;
        left -= n;
    }
    if (error == 0) {
        size_ += size;
        return {};
    }
    const Status written = Failure::FromErrno(error, path_);
    if (::ftruncate(fd_, size_) != 0)
        return Failure{
            written.Error().kind,
            written.Reason() +
                QStringLiteral("; the torn record could not be removed: %1").arg(ErrnoText(errno))};
    return written;
}

void AppendFile::Close()
{
    if (fd_ >= 0)
        ::close(fd_); // every append was checked when it was written
    fd_ = -1;
}

} // namespace kst
