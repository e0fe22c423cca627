#pragma once

#include "common/Result.h"
#include "files/SampleFile.h"
#include "record/SampleLog.h"

#include <QDateTime>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

// The recording journal keeps unsaved samples safe from a crash, a kill or a power cut.
//
// While the log holds recorded samples that are not saved, each of them is also appended to
// "journal<k>.mas" in the data folder, an ordinary sample file that any reader of ".mas" files
// reads. Records reach the file within half a second and are synced to disk at most 10 s after
// they were written (both intervals can be set), and at once when recording stops.
// "journal<k>.lock" (a QLockFile holding the owner's process id) ties the journal to the running
// program; a second program picks the next free k. When the unsaved samples continue samples that
// came from a file (opened, or saved before recording went on), "journal<k>.continues" names that
// file: its first line is the path, its second the number of that file's records that come before
// the journal's. The journal itself stays a plain sample file.
//
// A journal whose lock is free (its owner is gone) is an orphan: the next start offers it back.
namespace kst {

class RecordingJournal : public QObject {
    Q_OBJECT
public:
    // Journals live in dataFolder; an empty folder turns the journal off.
    RecordingJournal(const SampleLog &log, const QString &dataFolder, QObject *parent = nullptr);
    // Writes what waits and syncs; the journal file stays (only Remove deletes it).
    ~RecordingJournal() override;

    // How long records may wait before they are written, and written records before they are
    // synced to disk (also the pace at which a journal that cannot be written is tried again).
    void SetIntervals(std::chrono::milliseconds flush, std::chrono::milliseconds sync);

    // Records sample n, the newest of the log. The first call after Remove starts a journal; when
    // n > 0 the samples before n are those of continuedFile, which the journal then names.
    void Append(qint32 n, const QString &continuedFile);
    // Writes what waits and syncs it to disk (recording stopped).
    void Sync();
    // The unsaved samples were saved or deliberately dropped: deletes the journal and its lock.
    void Remove();

    // Takes over an orphan whose samples now fill the log (after continuedCount samples of
    // continuedFile): its slot becomes this program's journal, rewritten from the log.
    struct Orphan;
    void Adopt(Orphan &orphan);

    bool Active() const { return slot_ > 0; }
    // The meter whose samples these are, kept beside the journal ("journal<k>.meter") for a
    // program logging several; empty for meter 1.
    void SetMeterName(const QString &name) { meterName_ = name; }
    QString Path() const;
    // Why the journal cannot be written, naming the file and the cause; empty while it works.
    QString Error() const { return error_; }

    // A journal left by a program that is gone, locked by this one while it is dealt with.
    struct Orphan {
        int slot = 0;
        QString path;
        QString continuedFile; // empty when the samples did not continue a file
        QString meterName;     // empty for meter 1
        qint32 continuedCount = 0;
        SampleLog log;                 // the continued file's samples followed by the journal's
        qint32 journalCount = 0;       // samples in the journal (the last ones of log)
        SampleFileReadResult read;     // read-out indices over the whole log
        QDateTime first, last;         // of the journal's samples
        bool continuedComplete = true; // the continued file gave all its samples
        // The continued file loads completely with just those samples: saving over it loses
        // nothing.
        bool continuedWhole = true;
        qint64 wholeBytes = 0; // the journal's bytes up to its last whole record
        std::unique_ptr<QLockFile> lock;
    };
    // The next orphan in the folder (after slot `after`), locked and read; none when no journal
    // is without its owner.
    static std::optional<Orphan> NextOrphan(const QString &dataFolder, int after = 0);
    // Moves the orphan's journal into sampleFolder as "recovered-<date>-<time>.mas" (the first
    // sample's date and time) and drops its side files; the new path.
    static Result<QString> SetAside(Orphan &orphan, const QString &sampleFolder);

signals:
    // Writing failed for the first time in this journal (once per journal).
    void WriteFailed(const QString &reason);
    // Error() changed.
    void StatusChanged();

private:
    static void LoadOrphan(Orphan &orphan, const QString &base, QByteArray &bytes);
    QString SlotPath(int slot, const char *suffix) const;
    // (Re)creates the journal from the log's samples first_ .. SampleCount - 1.
    Status Rewrite();
    Status TakeSlot();
    Status WriteSideFile();
    void Flush();
    void SyncTimer_Timer();
    void Fail(const Failure &failure);
    void CloseFile();
    void ClearError();

    const SampleLog &log_;
    QString folder_;
    bool started_ = false;  // unsaved samples are being journalled (even if writing fails)
    int slot_ = 0;          // 0: no journal file
    qint32 first_ = 0;      // the journal holds samples first_ .. SampleCount - 1
    QString continuedFile_; // kept to rewrite the journal after a failure
    QString meterName_;
    std::unique_ptr<QLockFile> lock_;
    int fd_ = -1;        // the journal file, open while it is written
    qint64 size_ = 0;    // its bytes, every record whole
    QByteArray pending_; // records not yet handed to the file
    bool unsynced_ = false;
    QString error_;
    bool warned_ = false;
    QTimer flushTimer_;
    QTimer syncTimer_;
};

} // namespace kst
