#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

namespace kst::test {

// A small file system of its own (tmpfs) on a temporary folder, for a disk that fills up or turns
// read-only under a writer. Mounting takes root: a test QSKIPs when Mounted() is false.
class SmallDisk {
public:
    explicit SmallDisk(const char *options = "size=64k")
    {
        mounted_ = dir_.isValid() && ::geteuid() == 0 &&
                   ::mount("tmpfs", Native(), "tmpfs", 0, options) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(Native(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    QString Path(const QString &name = {}) const
    {
        return name.isEmpty() ? dir_.path() : dir_.filePath(name);
    }
    // Fills the disk but for about room bytes with a file named "filler".
    bool Fill(qint64 room)
    {
        QFile filler(Path(QStringLiteral("filler")));
        const QByteArray page(4096, 'x');
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        while (filler.write(page) == page.size())
            filler.flush();
        filler.close();
        return filler.resize(std::max<qint64>(0, filler.size() - room));
    }
    void FreeSpace() { QFile::remove(Path(QStringLiteral("filler"))); }
    bool SetReadOnly(bool readOnly)
    {
        return ::mount("tmpfs", Native(), "tmpfs", MS_REMOUNT | (readOnly ? MS_RDONLY : 0),
                       nullptr) == 0;
    }

private:
    const char *Native() const
    {
        native_ = QFile::encodeName(dir_.path());
        return native_.constData();
    }

    QTemporaryDir dir_;
    mutable QByteArray native_;
    bool mounted_ = false;
};

} // namespace kst::test
