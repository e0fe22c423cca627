#include "ReadingQueue.h"

#include <QDir>
#include <QLockFile>
#include <QtEndian>

namespace kst {

namespace {

constexpr int HeaderSize = 12;
constexpr int AckSize = 24;
// A segment is rewritten once this much of it has been acknowledged and that is at least half.
constexpr qint64 CompactAt = 4 * 1024 * 1024;
const QString AckName = QStringLiteral("queue.ack");

bool Fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QString FileError(const QFile &file)
{
    return QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
}

} // namespace

ReadingQueue::ReadingQueue() = default;
ReadingQueue::~ReadingQueue() = default;

QString ReadingQueue::SegmentPath(quint64 segment) const
{
    return QDir(folder_).filePath(
        QStringLiteral("queue-%1.seg").arg(segment, 8, 10, QLatin1Char('0')));
}

bool ReadingQueue::Open(const QString &folder, qsizetype capacity, QString *error)
{
    folder_ = folder;
    ack_.close();
    capacity_ = std::max<qsizetype>(1, capacity);
    index_.clear();
    dropped_ = 0;
    if (!QDir().mkpath(folder))
        return Fail(error, QStringLiteral("%1: cannot create the queue folder").arg(folder));
    // One program at a time: kst and kst-log publishing under one prefix would mix their
    // records. The lock of a program that died is taken over.
    lock_ = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("queue.lock")));
    if (!lock_->tryLock(0)) {
        qint64 pid = 0;
        QString host, program;
        lock_->getLockInfo(&pid, &host, &program);
        lock_.reset();
        return Fail(error, QStringLiteral("%1: the queue is in use by %2 (process %3)")
                               .arg(folder, program)
                               .arg(pid));
    }

    QFile ack(QDir(folder).filePath(AckName));
    if (ack.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = ack.read(AckSize);
        if (bytes.size() == AckSize) {
            segmentNumber_ = qFromLittleEndian<quint64>(bytes.constData());
            ackOffset_ = qFromLittleEndian<qint64>(bytes.constData() + 8);
            nextSeq_ = qFromLittleEndian<quint64>(bytes.constData() + 16);
        }
    }
    // Segments other than the current one are left over from an interrupted rewrite.
    const QStringList segments =
        QDir(folder).entryList({QStringLiteral("queue-*.seg")}, QDir::Files);
    for (const QString &name : segments)
        if (QDir(folder).filePath(name) != SegmentPath(segmentNumber_))
            QFile::remove(QDir(folder).filePath(name));

    segment_.close();
    segment_.setFileName(SegmentPath(segmentNumber_));
    if (!segment_.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Fail(error, FileError(segment_));

    // Index every whole record; sequence numbers continue after the last one written.
    const QByteArray all = segment_.readAll();
    qint64 at = 0;
    while (at + HeaderSize <= all.size()) {
        const quint32 length = qFromLittleEndian<quint32>(all.constData() + at);
        const quint64 seq = qFromLittleEndian<quint64>(all.constData() + at + 4);
        if (at + HeaderSize + length > all.size())
            break;
        if (at >= ackOffset_)
            index_.push_back({at, length, seq});
        nextSeq_ = std::max<std::uint64_t>(nextSeq_, seq + 1);
        at += HeaderSize + length;
    }
    if (at < all.size() && !segment_.resize(at))
        return Fail(error, FileError(segment_));
    ackOffset_ = std::min(ackOffset_, at);
    while (Size() > capacity_) {
        index_.pop_front();
        ++dropped_;
    }
    if (!index_.empty())
        ackOffset_ = index_.front().offset;
    return WriteAck(error);
}

bool ReadingQueue::WriteAck(QString *error)
{
    char bytes[AckSize];
    qToLittleEndian<quint64>(segmentNumber_, bytes);
    qToLittleEndian<qint64>(ackOffset_, bytes + 8);
    qToLittleEndian<quint64>(nextSeq_, bytes + 16);
    // One small write at the start of the file: it lands whole or not at all.
    if (!ack_.isOpen()) {
        ack_.setFileName(QDir(folder_).filePath(AckName));
        if (!ack_.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            return Fail(error, FileError(ack_));
    }
    if (!ack_.seek(0) || ack_.write(bytes, AckSize) != AckSize)
        return Fail(error, FileError(ack_));
    return true;
}

bool ReadingQueue::Append(const QByteArray &payload, QString *error)
{
    const bool full = Size() >= capacity_;
    if (full) {
        index_.pop_front();
        ++dropped_;
        ackOffset_ = index_.empty() ? segment_.size() : index_.front().offset;
    }
    QByteArray record(HeaderSize, Qt::Uninitialized);
    qToLittleEndian<quint32>(static_cast<quint32>(payload.size()), record.data());
    qToLittleEndian<quint64>(nextSeq_, record.data() + 4);
    record += payload;
    const qint64 offset = segment_.size();
    if (!segment_.seek(offset) || segment_.write(record) != record.size()) {
        const QString text = FileError(segment_);
        segment_.resize(offset);
        return Fail(error, text);
    }
    index_.push_back({offset, static_cast<quint32>(payload.size()), nextSeq_});
    ++nextSeq_;
    // The sequence number is found again from the records; only a drop moves the start.
    return !full || WriteAck(error);
}

ReadingQueue::Record ReadingQueue::At(qsizetype i)
{
    const Entry &entry = index_[static_cast<size_t>(i)];
    Record record;
    record.seq = entry.seq;
    if (segment_.seek(entry.offset + HeaderSize))
        record.payload = segment_.read(entry.length);
    return record;
}

bool ReadingQueue::Acknowledge(qsizetype count, QString *error)
{
    count = std::min(count, Size());
    if (count <= 0)
        return true;
    index_.erase(index_.begin(), index_.begin() + count);
    ackOffset_ = index_.empty() ? segment_.size() : index_.front().offset;
    if (ackOffset_ >= CompactAt && ackOffset_ * 2 >= segment_.size())
        return Compact(error);
    return WriteAck(error);
}

// Copies the unacknowledged records into a new segment, points the acknowledgement file at it,
// then removes the old one. A crash in between leaves either the old state or the new one.
bool ReadingQueue::Compact(QString *error)
{
    QFile next(SegmentPath(segmentNumber_ + 1));
    if (!next.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return Fail(error, FileError(next));
    if (!segment_.seek(ackOffset_))
        return Fail(error, FileError(segment_));
    const qint64 shift = ackOffset_;
    while (!segment_.atEnd()) {
        const QByteArray chunk = segment_.read(1 << 20);
        if (chunk.isEmpty() || next.write(chunk) != chunk.size())
            return Fail(error, FileError(next));
    }
    next.close();
    const QString old = segment_.fileName();
    segment_.close();
    ++segmentNumber_;
    ackOffset_ = 0;
    if (!WriteAck(error))
        return false;
    QFile::remove(old);
    for (Entry &entry : index_)
        entry.offset -= shift;
    segment_.setFileName(SegmentPath(segmentNumber_));
    if (!segment_.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Fail(error, FileError(segment_));
    return true;
}

} // namespace kst
