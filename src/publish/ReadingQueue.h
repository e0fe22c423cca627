#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>

class QLockFile;

namespace kst {

// The readings waiting for the broker, kept on disk so that neither a broker that is away nor a
// restart of the program loses one. Records are appended to a segment file; a small
// acknowledgement file names the segment, the offset of the first record the broker has not yet
// acknowledged and the next sequence number. A record leaves the queue only when acknowledged
// (or when the queue is full and it is the oldest). After a crash the records after the
// acknowledged offset are sent again: the broker may see a record twice, never miss one.
//
// Record: u32 payload length, u64 sequence number, payload (little-endian).
class ReadingQueue {
public:
    struct Record {
        std::uint64_t seq = 0;
        QByteArray payload;
    };

    ReadingQueue();
    ~ReadingQueue();

    // Opens (or creates) the queue in `folder`, which no other program may hold open. A
    // half-written record at the end (the program died while appending) is cut off. `capacity`
    // bounds the unacknowledged records.
    bool Open(const QString &folder, qsizetype capacity, QString *error);

    // The next sequence number; it rises by one per appended record and survives restarts.
    std::uint64_t NextSeq() const { return nextSeq_; }
    // Appends a record with NextSeq(). When the queue is full the oldest record is dropped first
    // and counted in Dropped().
    bool Append(const QByteArray &payload, QString *error);

    qsizetype Size() const { return static_cast<qsizetype>(index_.size()); }
    // Record `i` counted from the oldest unacknowledged one.
    Record At(qsizetype i);
    std::uint64_t SeqAt(qsizetype i) const { return index_[static_cast<size_t>(i)].seq; }
    // The oldest `count` records are delivered: they leave the queue for good.
    bool Acknowledge(qsizetype count, QString *error);
    // Records dropped because the queue was full, since Open().
    std::uint64_t Dropped() const { return dropped_; }

private:
    struct Entry {
        qint64 offset;
        quint32 length;
        std::uint64_t seq;
    };
    bool WriteAck(QString *error);
    bool Compact(QString *error);
    QString SegmentPath(quint64 segment) const;

    QString folder_;
    qsizetype capacity_ = 0;
    QFile segment_;
    QFile ack_;
    quint64 segmentNumber_ = 1;
    qint64 ackOffset_ = 0;
    std::uint64_t nextSeq_ = 1;
    std::uint64_t dropped_ = 0;
    std::deque<Entry> index_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace kst
