#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>

class QLockFile;

namespace kst {

// The readings waiting for the broker, kept on disk so that neither a broker that is away nor a
// restart of the program loses one. A record leaves the queue when the broker acknowledges it,
// or when the queue is full and it is the oldest. After a crash the records after the last
// written acknowledgement are sent again: the broker may see a record twice, never miss one.
//
// Records carry sequence numbers that rise by one per record. They are appended to segment
// files of an eighth of the capacity each; a segment whose records have all left is deleted, so
// the files hold at most the capacity plus one segment. A small acknowledgement file names
// where the oldest record that has not left is found. Opening reads the newest segment only.
//
// The disk copy is the durable one; what this run appended is also kept in memory (up to a few
// megabytes) and sent from there, so a record is never read back right after it was written.
// When a write fails (a full disk) the part written is cut off again and the records wait in
// memory; the next append writes them first. They are sent all the same.
//
// Record: u32 payload length, u64 sequence number, payload (little-endian).
class ReadingQueue {
public:
    struct Record {
        std::uint64_t seq = 0;
        QByteArray payload;
    };

    ReadingQueue();
    // Closes the queue; see Close().
    ~ReadingQueue();

    // Opens (or creates) the queue in `folder`, which no other program may hold open. A
    // half-written record at the end (the program died while appending) is cut off. `capacity`
    // bounds the records in the queue.
    Status Open(const QString &folder, qsizetype capacity);
    // Writes what still waits for room on the disk, if it can, records how far the broker has
    // acknowledged and lets the folder go. Records that could not be written are lost, as in a
    // crash.
    Status Close();

    // The next sequence number; it rises by one per appended record and survives restarts.
    std::uint64_t NextSeq() const { return nextSeq_; }
    // The oldest record's sequence number (NextSeq() when the queue is empty).
    std::uint64_t FrontSeq() const { return front_; }
    qsizetype Size() const { return static_cast<qsizetype>(nextSeq_ - front_); }
    // Records only in memory because writing them failed.
    qsizetype Unwritten() const { return static_cast<qsizetype>(nextSeq_ - written_); }
    // Records dropped because the queue was full, since Open().
    std::uint64_t Dropped() const { return dropped_; }

    // Appends a record with NextSeq(). When the queue is full the oldest record is dropped first
    // and counted in Dropped(). A failed write keeps the record (see above) and says why.
    Status Append(const QByteArray &payload);
    // Record `i` counted from the oldest one; cheapest when read in order. Records found missing
    // from a damaged file are passed over and counted as dropped, so the record's own number
    // tells which one it is.
    Result<Record> At(qsizetype i);
    // The oldest `count` records are delivered: they leave the queue for good.
    Status Acknowledge(qsizetype count);

private:
    struct Segment {
        quint64 number;
        std::uint64_t firstSeq;
    };
    struct Position {
        quint64 segment = 0;
        qint64 offset = 0;
    };
    struct Cached {
        std::uint64_t seq;
        QByteArray payload;
        Position at;
        bool written;
    };

    QString SegmentPath(quint64 number) const;
    QString AckPath() const;
    Status Lock();
    Status ReadState();
    void Release();
    Result<qint64> ReadAck(Position *at, std::uint64_t *next, std::uint64_t *front);
    Status FindSegments(quint64 firstNumber, bool onlyFirst);
    Status ScanNewest(std::uint64_t ackNext, std::uint64_t ackFront);
    Status Flush();
    Status WriteBlock(qsizetype first, qsizetype count);
    Status StartSegment();
    Status RemoveFinishedSegments(bool writeAck);
    Status WriteAck();
    void Advance(std::uint64_t front);
    void TrimMemory();
    Status Load(std::uint64_t seq);
    Status LoadFromSegment(std::uint64_t seq, bool *done);
    Result<int> ReadFile(quint64 segment, qint64 *end);
    Position FrontPosition() const;
    std::uint64_t NextToLoad() const;
    std::uint64_t TailStart() const;
    size_t SegmentIndex(quint64 number) const;

    QString folder_;
    qsizetype capacity_ = 1;
    std::uint64_t segmentRecords_ = 1;
    std::unique_ptr<QLockFile> lock_;
    int ackFd_ = -1;
    // Oldest first; the newest is appended to.
    std::deque<Segment> segments_;
    int appendFd_ = -1;
    // The newest segment's length (whole records only) and the number its next record carries.
    qint64 end_ = 0;
    std::uint64_t segmentNext_ = 1;
    // A failed write could not be cut off: the newest segment holds a torn record after end_.
    bool torn_ = false;
    int readFd_ = -1;
    quint64 readSegment_ = 0;
    qint64 readEnd_ = 0;
    // Where reading from disk goes on, and the record found there (0: not known).
    Position read_;
    std::uint64_t readSeq_ = 0;
    // Read back from disk, from the oldest record on.
    std::deque<Cached> head_;
    // Appended in this run, up to the newest record; those not yet written are at the end.
    std::deque<Cached> tail_;
    qsizetype tailBytes_ = 0;
    std::uint64_t front_ = 1;
    std::uint64_t written_ = 1;
    std::uint64_t nextSeq_ = 1;
    std::uint64_t dropped_ = 0;
};

} // namespace kst
