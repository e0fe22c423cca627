#include "common/Result.h"

#include <cerrno>
#include <cstring>

namespace kst {

QString ErrnoText(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("no space left on the device");
    case EDQUOT:
        return QStringLiteral("the disk quota is used up");
    case EROFS:
        return QStringLiteral("the file system is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case ENOENT:
        return QStringLiteral("no such file or folder");
    case EIO:
        return QStringLiteral("input/output error on the device");
    case ENODEV:
    case ENXIO:
        return QStringLiteral("the device is gone");
    case EFBIG:
        return QStringLiteral("the file is too large");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

Failure Failure::FromErrno(int error, const QString &what)
{
    const QString text =
        what.isEmpty() ? ErrnoText(error) : what + QStringLiteral(": ") + ErrnoText(error);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EIO:
    case ENODEV:
    case ENXIO:
    case EINTR:
    case EAGAIN:
    case EBUSY:
    case EFBIG:
        return Transient(text);
    default:
        return Permanent(text);
    }
}

} // namespace kst
