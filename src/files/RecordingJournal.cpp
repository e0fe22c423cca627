#include "files/RecordingJournal.h"

#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace kst {

namespace {

// Records reach the file this long after they were recorded at the latest.
constexpr std::chrono::milliseconds FlushInterval{500};
// Written records are synced to disk this long after they were written at the latest; a journal
// that cannot be written is tried again at the same pace.
constexpr std::chrono::milliseconds SyncInterval{10000};

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

std::unique_ptr<QLockFile> MakeLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A journal is held for as long as its program runs: only a dead owner makes a lock stale.
    lock->setStaleLockTime(0);
    return lock;
}

// Makes the folder's entries (a new, renamed or deleted file) durable.
Status SyncFolder(const QString &folder)
{
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Failure::FromErrno(errno, folder);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return synced ? Status() : Failure::FromErrno(error, folder);
}

// Deletes a file; one that is not there is as good as deleted.
Status RemoveFile(const QString &path)
{
    if (::unlink(Native(path).constData()) == 0 || errno == ENOENT)
        return {};
    return Failure::FromErrno(errno, path);
}

QString LockError(QLockFile::LockError error, const QString &folder)
{
    if (error == QLockFile::LockFailedError)
        return QObject::tr("no free journal name in %1").arg(QDir::toNativeSeparators(folder));
    return QObject::tr("%1 cannot be written").arg(QDir::toNativeSeparators(folder));
}

} // namespace

RecordingJournal::RecordingJournal(const SampleLog &log, const QString &dataFolder, QObject *parent)
    : QObject(parent), log_(log), folder_(dataFolder)
{
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &RecordingJournal::Flush);
    syncTimer_.setSingleShot(true);
    connect(&syncTimer_, &QTimer::timeout, this, &RecordingJournal::SyncTimer_Timer);
    SetIntervals(FlushInterval, SyncInterval);
}

RecordingJournal::~RecordingJournal()
{
    Sync();
    CloseFile();
}

void RecordingJournal::SetIntervals(std::chrono::milliseconds flush, std::chrono::milliseconds sync)
{
    flushTimer_.setInterval(flush);
    syncTimer_.setInterval(sync);
}

QString RecordingJournal::SlotPath(int slot, const char *suffix) const
{
    return folder_ + QStringLiteral("/journal%1.%2").arg(slot).arg(QLatin1String(suffix));
}

QString RecordingJournal::Path() const
{
    return slot_ > 0 ? SlotPath(slot_, "mas") : QString();
}

void RecordingJournal::Append(qint32 n, const QString &continuedFile)
{
    if (folder_.isEmpty())
        return;
    if (!started_) {
        started_ = true;
        first_ = n;
        continuedFile_ = n > 0 ? continuedFile : QString();
        // The first record goes to the file at once; a failure is reported and tried again.
        (void)Rewrite();
        return;
    }
    if (!error_.isEmpty())
        return; // tried again by the sync timer, from the log
    pending_ += SampleFileBytes(log_, n + 1, n);
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

Status RecordingJournal::TakeSlot()
{
    if (!QDir().mkpath(folder_))
        return Failure::FromErrno(errno, folder_);
    QLockFile::LockError lockError = QLockFile::LockFailedError;
    for (int slot = 1; slot <= 99; ++slot) {
        if (QFileInfo::exists(SlotPath(slot, "mas")))
            continue; // another program's journal, or one waiting to be recovered
        auto lock = MakeLock(SlotPath(slot, "lock"));
        if (!lock->tryLock(0)) {
            lockError = lock->error();
            if (lockError != QLockFile::LockFailedError)
                break;
            continue;
        }
        if (QFileInfo::exists(SlotPath(slot, "mas")))
            continue;
        lock_ = std::move(lock);
        slot_ = slot;
        return {};
    }
    // A folder that takes no lock file says why when asked whether it can be written.
    if (lockError != QLockFile::LockFailedError && ::access(Native(folder_).constData(), W_OK) != 0)
        return Failure::FromErrno(errno, folder_);
    return Failure::Transient(LockError(lockError, folder_));
}

// The side file naming the continued file, or none when the samples continue no file: a stale
// one would put another file's samples before the journal's.
Status RecordingJournal::WriteSideFile()
{
    // The meter the samples are of, for a program logging several.
    const QString meter = SlotPath(slot_, "meter");
    const QByteArray name = meterName_.toUtf8() + '\n';
    const Status named =
        meterName_.isEmpty() ? RemoveFile(meter) : SaveAtomically(meter, [&](const ByteSink &sink) {
            return sink(name.constData(), name.size());
        });
    if (!named)
        return named;
    const QString side = SlotPath(slot_, "continues");
    if (continuedFile_.isEmpty() || first_ <= 0)
        return RemoveFile(side);
    const QByteArray text = continuedFile_.toUtf8() + '\n' + QByteArray::number(first_) + '\n';
    return SaveAtomically(
        side, [&](const ByteSink &sink) { return sink(text.constData(), text.size()); });
}

Status RecordingJournal::Rewrite()
{
    pending_.clear();
    CloseFile();
    Status status = slot_ == 0 ? TakeSlot() : Status();
    if (status)
        status = WriteSideFile();
    const QString path = Path();
    if (status) {
        fd_ = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0)
            status = Failure::FromErrno(errno, path);
    }
    if (status)
        status = WriteSampleFile(DescriptorSink(fd_, path), log_, log_.SampleCount, first_);
    if (status && ::fdatasync(fd_) != 0)
        status = Failure::FromErrno(errno, path);
    if (status)
        status = SyncFolder(folder_);
    if (!status) {
        Fail(status.Error());
        return status;
    }
    size_ = ::lseek(fd_, 0, SEEK_END);
    unsynced_ = false;
    ClearError();
    return {};
}

void RecordingJournal::Flush()
{
    flushTimer_.stop();
    if (pending_.isEmpty() || fd_ < 0)
        return;
    const Status written = DescriptorSink(fd_, Path())(pending_.constData(), pending_.size());
    if (!written) {
        // Back to the last whole record; should that fail too, the torn bytes are left out
        // when the journal is read, and the next rewrite replaces them.
        (void)::ftruncate(fd_, size_);
        Fail(written.Error());
        return;
    }
    size_ += pending_.size();
    pending_.clear();
    unsynced_ = true;
    if (!syncTimer_.isActive())
        syncTimer_.start();
}

void RecordingJournal::Sync()
{
    Flush();
    if (unsynced_ && fd_ >= 0) {
        if (::fdatasync(fd_) != 0) {
            Fail(Failure::FromErrno(errno, Path()));
            return;
        }
        unsynced_ = false;
    }
    if (error_.isEmpty())
        syncTimer_.stop();
}

void RecordingJournal::SyncTimer_Timer()
{
    if (!error_.isEmpty()) {
        (void)Rewrite(); // the folder may be writable again; a failure is reported by Fail
        return;
    }
    Sync();
}

void RecordingJournal::CloseFile()
{
    if (fd_ >= 0)
        ::close(fd_); // every write was checked, and what must be on the disk was synced
    fd_ = -1;
    size_ = 0;
}

void RecordingJournal::Remove()
{
    flushTimer_.stop();
    syncTimer_.stop();
    pending_.clear();
    CloseFile();
    if (slot_ > 0) {
        // A journal that cannot be deleted is offered back at the next start, which loses
        // nothing: the user answers No and it is set aside.
        (void)RemoveFile(SlotPath(slot_, "mas"));
        (void)RemoveFile(SlotPath(slot_, "continues"));
        (void)RemoveFile(SlotPath(slot_, "meter"));
        (void)SyncFolder(folder_);
        lock_.reset(); // deletes the lock file
        slot_ = 0;
    }
    started_ = false;
    warned_ = false;
    ClearError();
}

void RecordingJournal::Adopt(Orphan &orphan)
{
    Remove();
    slot_ = orphan.slot;
    lock_ = std::move(orphan.lock);
    started_ = true;
    first_ = log_.SampleCount - orphan.journalCount;
    continuedFile_ = orphan.continuedFile;
    (void)Rewrite(); // a failure is reported by Fail and tried again
}

void RecordingJournal::Fail(const Failure &failure)
{
    CloseFile();
    pending_.clear();
    const bool changed = error_ != failure.reason;
    error_ = failure.reason;
    syncTimer_.start();
    if (changed)
        emit StatusChanged();
    if (!warned_) {
        warned_ = true;
        emit WriteFailed(failure.reason);
    }
}

void RecordingJournal::ClearError()
{
    if (error_.isEmpty())
        return;
    error_.clear();
    emit StatusChanged();
}

// The orphan's side files, the file its samples continue and its journal's whole records.
void RecordingJournal::LoadOrphan(Orphan &orphan, const QString &base, QByteArray &bytes)
{
    QFile meter(base + QStringLiteral("meter"));
    if (meter.open(QIODevice::ReadOnly))
        orphan.meterName = QString::fromUtf8(meter.readLine().trimmed());
    QFile names(base + QStringLiteral("continues"));
    if (names.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = names.readAll().split('\n');
        orphan.continuedFile = QString::fromUtf8(lines.value(0));
        orphan.continuedCount = lines.value(1).toInt();
    }
    SampleFileReadResult continued;
    if (!orphan.continuedFile.isEmpty()) {
        continued = LoadSampleFile(orphan.continuedFile, orphan.log);
        orphan.continuedWhole =
            continued.complete && orphan.log.SampleCount == orphan.continuedCount;
        if (orphan.log.SampleCount > orphan.continuedCount) {
            // The file grew since: only its first records came before the journal's.
            orphan.log.SampleCount = orphan.continuedCount;
            for (qint32 *index :
                 {&continued.lastMaxIndex, &continued.lastMinIndex, &continued.lastAvgIndex})
                if (*index >= orphan.continuedCount)
                    *index = -1;
        }
        orphan.continuedComplete = orphan.log.SampleCount == orphan.continuedCount;
    }
    const qint32 start = orphan.log.SampleCount;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    orphan.read = ReadSampleFile(buffer, orphan.log);
    orphan.journalCount = orphan.log.SampleCount - start;
    if (orphan.read.lastMaxIndex < 0)
        orphan.read.lastMaxIndex = continued.lastMaxIndex;
    if (orphan.read.lastMinIndex < 0)
        orphan.read.lastMinIndex = continued.lastMinIndex;
    if (orphan.read.lastAvgIndex < 0)
        orphan.read.lastAvgIndex = continued.lastAvgIndex;
    if (orphan.journalCount > 0) {
        const auto at = [&](qint32 i) {
            return QDateTime(orphan.log.SampleDate(i), orphan.log.SampleTime(i));
        };
        orphan.first = at(start);
        orphan.last = at(orphan.log.SampleCount - 1);
    }
}

std::optional<RecordingJournal::Orphan> RecordingJournal::NextOrphan(const QString &dataFolder,
                                                                     int after)
{
    if (dataFolder.isEmpty())
        return std::nullopt;
    QList<int> found;
    const QStringList names =
        QDir(dataFolder).entryList({QStringLiteral("journal*.mas")}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const int slot = name.mid(7, name.size() - 11).toInt(&ok);
        if (ok && slot > after)
            found << slot;
    }
    std::sort(found.begin(), found.end());
    for (const int slot : found) {
        const QString base = dataFolder + QStringLiteral("/journal%1.").arg(slot);
        auto lock = MakeLock(base + QStringLiteral("lock"));
        if (!lock->tryLock(0))
            continue; // its program is still running
        Orphan orphan;
        orphan.slot = slot;
        orphan.path = base + QStringLiteral("mas");
        QFile journal(orphan.path);
        if (!journal.open(QIODevice::ReadOnly))
            continue;
        QByteArray bytes = journal.readAll();
        journal.close();
        if (bytes.isEmpty()) {
            // Killed before its first record: nothing to offer. Left in place, it is found
            // empty again at the next start.
            (void)RemoveFile(orphan.path);
            (void)RemoveFile(base + QStringLiteral("continues"));
            (void)RemoveFile(base + QStringLiteral("meter"));
            continue;
        }
        // A record cut by a power failure is not a sample: only whole lines count.
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
        orphan.wholeBytes = bytes.size();

        LoadOrphan(orphan, base, bytes);
        orphan.lock = std::move(lock);
        return orphan;
    }
    return std::nullopt;
}

Result<QString> RecordingJournal::SetAside(Orphan &orphan, const QString &sampleFolder)
{
    const QDateTime when =
        orphan.first.isValid() ? orphan.first : QFileInfo(orphan.path).lastModified();
    if (!QDir().mkpath(sampleFolder))
        return Failure::FromErrno(errno, sampleFolder);
    const QString stem = sampleFolder + QStringLiteral("/recovered-") +
                         when.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = stem + QStringLiteral(".mas");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QStringLiteral("-%1.mas").arg(n);
    // A torn record would read as a wrong sample: the journal keeps its whole records only.
    if (QFileInfo(orphan.path).size() > orphan.wholeBytes &&
        ::truncate(Native(orphan.path).constData(), orphan.wholeBytes) != 0)
        return Failure::FromErrno(errno, orphan.path);
    if (::rename(Native(orphan.path).constData(), Native(target).constData()) != 0)
        return Failure::FromErrno(errno, orphan.path);
    // A side file left behind is replaced when the slot's next journal starts.
    (void)RemoveFile(orphan.path.chopped(3) + QStringLiteral("continues"));
    (void)RemoveFile(orphan.path.chopped(3) + QStringLiteral("meter"));
    // The move is done; a folder that cannot be synced only delays when it reaches the disk.
    (void)SyncFolder(sampleFolder);
    orphan.lock.reset();
    return target;
}

} // namespace kst
