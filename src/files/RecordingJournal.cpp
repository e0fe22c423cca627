#include "files/RecordingJournal.h"

#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace kst {

namespace {

// Records reach the file this long after they were recorded at the latest.
constexpr int FlushMs = 500;
// Written records are synced to disk this long after they were written at the latest; a journal
// that cannot be written is tried again at the same pace.
constexpr int SyncMs = 10000;

std::unique_ptr<QLockFile> MakeLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A journal is held for as long as its program runs: only a dead owner makes a lock stale.
    lock->setStaleLockTime(0);
    return lock;
}

void SyncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
    flushTimer_.setInterval(FlushMs);
    connect(&flushTimer_, &QTimer::timeout, this, &RecordingJournal::Flush);
    syncTimer_.setSingleShot(true);
    syncTimer_.setInterval(SyncMs);
    connect(&syncTimer_, &QTimer::timeout, this, &RecordingJournal::SyncTimer_Timer);
}

RecordingJournal::~RecordingJournal()
{
    Sync();
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
        Rewrite(); // the first record goes to the file at once
        return;
    }
    if (!error_.isEmpty())
        return; // tried again by the sync timer, from the log
    QBuffer buffer(&pending_);
    buffer.open(QIODevice::WriteOnly | QIODevice::Append);
    WriteSampleFile(buffer, log_, n + 1, n);
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

bool RecordingJournal::Rewrite()
{
    pending_.clear();
    file_.close();
    if (slot_ == 0) {
        QDir().mkpath(folder_);
        QLockFile::LockError lockError = QLockFile::LockFailedError;
        for (int slot = 1; slot <= 99 && slot_ == 0; ++slot) {
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
        }
        if (slot_ == 0) {
            Fail(LockError(lockError, folder_));
            return false;
        }
    }
    const QString side = SlotPath(slot_, "continues");
    if (!continuedFile_.isEmpty() && first_ > 0) {
        QSaveFile names(side);
        if (!names.open(QIODevice::WriteOnly) ||
            names.write(continuedFile_.toUtf8() + '\n' + QByteArray::number(first_) + '\n') < 0 ||
            !names.commit()) {
            Fail(QStringLiteral("%1: %2").arg(side, names.errorString()));
            return false;
        }
    } else {
        QFile::remove(side);
    }
    file_.setFileName(SlotPath(slot_, "mas"));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        Fail(QStringLiteral("%1: %2").arg(file_.fileName(), file_.errorString()));
        return false;
    }
    const SampleFileWriteResult written = WriteSampleFile(file_, log_, log_.SampleCount, first_);
    if (!written.ok) {
        Fail(QStringLiteral("%1: %2").arg(file_.fileName(), written.error));
        return false;
    }
    ::fdatasync(file_.handle());
    SyncFolder(folder_);
    unsynced_ = false;
    ClearError();
    return true;
}

void RecordingJournal::Flush()
{
    flushTimer_.stop();
    if (pending_.isEmpty() || !file_.isOpen())
        return;
    const qint64 size = pending_.size();
    const qint64 written = file_.write(pending_);
    pending_.clear();
    if (written != size) {
        Fail(QStringLiteral("%1: %2").arg(file_.fileName(), file_.errorString()));
        return;
    }
    unsynced_ = true;
    if (!syncTimer_.isActive())
        syncTimer_.start();
}

void RecordingJournal::Sync()
{
    Flush();
    if (unsynced_ && file_.isOpen()) {
        ::fdatasync(file_.handle());
        unsynced_ = false;
    }
    if (error_.isEmpty())
        syncTimer_.stop();
}

void RecordingJournal::SyncTimer_Timer()
{
    if (!error_.isEmpty()) {
        Rewrite(); // the folder may be writable again
        return;
    }
    Sync();
}

void RecordingJournal::Remove()
{
    flushTimer_.stop();
    syncTimer_.stop();
    pending_.clear();
    file_.close();
    if (slot_ > 0) {
        QFile::remove(SlotPath(slot_, "mas"));
        QFile::remove(SlotPath(slot_, "continues"));
        SyncFolder(folder_);
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
    Rewrite();
}

void RecordingJournal::Fail(const QString &reason)
{
    file_.close();
    pending_.clear();
    const bool changed = error_ != reason;
    error_ = reason;
    syncTimer_.start();
    if (changed)
        emit StatusChanged();
    if (!warned_) {
        warned_ = true;
        emit WriteFailed(reason);
    }
}

void RecordingJournal::ClearError()
{
    if (error_.isEmpty())
        return;
    error_.clear();
    emit StatusChanged();
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
            // Killed before its first record: nothing to offer.
            QFile::remove(orphan.path);
            QFile::remove(base + QStringLiteral("continues"));
            continue;
        }
        // A record cut by a power failure is not a sample: only whole lines count.
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
        orphan.wholeBytes = bytes.size();

        QFile names(base + QStringLiteral("continues"));
        if (names.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = names.readAll().split('\n');
            orphan.continuedFile = QString::fromUtf8(lines.value(0));
            orphan.continuedCount = lines.value(1).toInt();
        }
        SampleFileReadResult continued;
        if (!orphan.continuedFile.isEmpty()) {
            continued = LoadSampleFile(orphan.continuedFile, orphan.log);
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
        orphan.lock = std::move(lock);
        return orphan;
    }
    return std::nullopt;
}

QString RecordingJournal::SetAside(Orphan &orphan, const QString &sampleFolder, QString &error)
{
    const QDateTime when =
        orphan.first.isValid() ? orphan.first : QFileInfo(orphan.path).lastModified();
    QDir().mkpath(sampleFolder);
    const QString stem = sampleFolder + QStringLiteral("/recovered-") +
                         when.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = stem + QStringLiteral(".mas");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QStringLiteral("-%1.mas").arg(n);
    QFile journal(orphan.path);
    if (journal.size() > orphan.wholeBytes)
        journal.resize(orphan.wholeBytes); // a torn record would read as a wrong sample
    if (!journal.rename(target)) {
        error = journal.errorString();
        return {};
    }
    QFile::remove(orphan.path.chopped(3) + QStringLiteral("continues"));
    SyncFolder(sampleFolder);
    orphan.lock.reset();
    return target;
}

} // namespace kst
