#include "publish/ReadingQueue.h"

#include <QDir>
#include <QLockFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kst {

namespace {

constexpr qint64 HeaderSize = 12;
// Segment, offset, next sequence number, oldest sequence number. Earlier versions wrote the
// first three only; their oldest record is the one at the offset, in the one segment they kept.
constexpr qint64 AckSize = 32;
constexpr qint64 OldAckSize = 24;
// A reading is a few hundred bytes: a longer record is damage, not data.
constexpr quint32 MaxPayload = 1 << 20;
constexpr qint64 ReadChunk = 64 * 1024;
// Records read from disk beyond the one asked for, for the sends that follow.
constexpr int ReadAhead = 256;
// Appended records kept in memory for sending; older ones are read from disk when their turn
// comes.
constexpr qsizetype TailBytes = 4 * 1024 * 1024;
constexpr std::uint64_t MaxSegmentRecords = 65536;

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

// 0, or the errno value of the write that failed.
int WriteAll(int fd, const char *data, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        data += n;
        size -= n;
        offset += n;
    }
    return 0;
}

// Up to `size` bytes at `offset`, fewer only at the end of the file; -1 (and errno) on failure.
qint64 ReadAt(int fd, char *data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// A file descriptor only read: closing it can lose nothing.
void CloseRead(int fd)
{
    (void)::close(fd);
}

struct Walk {
    qint64 offset;         // after the last record taken
    std::uint64_t nextSeq; // the number the next record must carry (0: any)
    bool damaged = false;
};
using Visit = std::function<bool(std::uint64_t seq, qint64 offset, QByteArrayView payload)>;

// Gives the whole records of a file from `offset` to `end` to `visit`, in chunks, until it
// declines one (returns false: that record is not taken). The first record must carry
// `expected` (0: any number), each next one the number after; a record that breaks the
// pattern, or one cut short, ends the walk as damage.
Result<Walk> WalkRecords(int fd, const QString &path, qint64 offset, qint64 end,
                         std::uint64_t expected, const Visit &visit)
{
    Walk walk{offset, expected};
    QByteArray buffer;
    qint64 want = ReadChunk;
    while (walk.offset < end) {
        buffer.resize(std::min(want, end - walk.offset));
        const qint64 got = ReadAt(fd, buffer.data(), buffer.size(), walk.offset);
        if (got < 0)
            return Failure::FromErrno(errno, path);
        qint64 at = 0;
        while (at + HeaderSize <= got) {
            const quint32 length = qFromLittleEndian<quint32>(buffer.constData() + at);
            const quint64 seq = qFromLittleEndian<quint64>(buffer.constData() + at + 4);
            walk.damaged = length > MaxPayload || (walk.nextSeq != 0 && seq != walk.nextSeq);
            if (walk.damaged || at + HeaderSize + length > got)
                break;
            if (!visit(seq, walk.offset + at,
                       QByteArrayView(buffer.constData() + at + HeaderSize, length))) {
                walk.offset += at;
                return walk;
            }
            at += HeaderSize + length;
            walk.nextSeq = seq + 1;
        }
        walk.offset += at;
        if (walk.damaged)
            return walk;
        if (at == 0) {
            // Not one whole record read: a record longer than a chunk, or one cut short.
            const qint64 need =
                HeaderSize +
                (got >= HeaderSize ? qFromLittleEndian<quint32>(buffer.constData()) : 0);
            walk.damaged = got < buffer.size() || walk.offset + need > end || need <= got;
            if (walk.damaged)
                return walk;
            want = need;
        } else {
            want = ReadChunk;
        }
    }
    return walk;
}

} // namespace

ReadingQueue::ReadingQueue() = default;

ReadingQueue::~ReadingQueue()
{
    // Nobody is left to tell: records that could not be written are lost as in a crash.
    (void)Close();
}

QString ReadingQueue::SegmentPath(quint64 number) const
{
    return QDir(folder_).filePath(
        QStringLiteral("queue-%1.seg").arg(number, 8, 10, QLatin1Char('0')));
}

QString ReadingQueue::AckPath() const
{
    return QDir(folder_).filePath(QStringLiteral("queue.ack"));
}

size_t ReadingQueue::SegmentIndex(quint64 number) const
{
    size_t i = 0;
    while (i < segments_.size() && segments_[i].number != number)
        ++i;
    return i;
}

std::uint64_t ReadingQueue::NextToLoad() const
{
    return head_.empty() ? front_ : head_.back().seq + 1;
}

std::uint64_t ReadingQueue::TailStart() const
{
    return tail_.empty() ? nextSeq_ : tail_.front().seq;
}

Status ReadingQueue::Open(const QString &folder, qsizetype capacity)
{
    if (const Status closed = Close(); !closed)
        return closed;
    folder_ = folder;
    capacity_ = std::max<qsizetype>(1, capacity);
    segmentRecords_ = std::clamp<std::uint64_t>(std::uint64_t(capacity_) / 8, 1, MaxSegmentRecords);
    front_ = written_ = nextSeq_ = 1;
    dropped_ = 0;
    if (!QDir().mkpath(folder))
        return Failure::FromErrno(errno,
                                  folder + QStringLiteral(": cannot create the queue folder"));
    if (const Status locked = Lock(); !locked)
        return locked;
    const Status opened = ReadState();
    if (!opened)
        Release(); // nothing written: the files stay as they were
    return opened;
}

// Reads where the queue stands from its files, and settles what the capacity allows.
Status ReadingQueue::ReadState()
{
    Position ack{1, 0};
    std::uint64_t ackNext = 1;
    std::uint64_t ackFront = 0;
    const Result<qint64> ackBytes = ReadAck(&ack, &ackNext, &ackFront);
    if (!ackBytes)
        return ackBytes.Error();
    // Earlier versions kept one segment: any other is a copy a crash cut short.
    const bool oneSegment = *ackBytes >= OldAckSize && *ackBytes < AckSize;
    if (const Status found = FindSegments(ack.segment, oneSegment); !found)
        return found;
    read_ = SegmentIndex(ack.segment) < segments_.size() ? ack : Position{segments_[0].number, 0};
    if (const Status scanned = ScanNewest(ackNext, ackFront); !scanned)
        return scanned;
    if (Size() > capacity_) {
        dropped_ += std::uint64_t(Size() - capacity_);
        Advance(nextSeq_ - std::uint64_t(capacity_));
    }
    return RemoveFinishedSegments(true);
}

Status ReadingQueue::Lock()
{
    // One program at a time: kst and kst-log publishing under one prefix would mix their
    // records. The lock of a program that died is taken over.
    lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(QStringLiteral("queue.lock")));
    if (lock_->tryLock(0))
        return {};
    qint64 pid = 0;
    QString host, program;
    // Unreadable lock information leaves the holder unnamed (process 0).
    (void)lock_->getLockInfo(&pid, &host, &program);
    lock_.reset();
    return Failure::Permanent(QStringLiteral("%1: the queue is in use by %2 (process %3)")
                                  .arg(folder_, program)
                                  .arg(pid));
}

Result<qint64> ReadingQueue::ReadAck(Position *at, std::uint64_t *next, std::uint64_t *front)
{
    ackFd_ = ::open(Native(AckPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (ackFd_ < 0)
        return Failure::FromErrno(errno, AckPath());
    char bytes[AckSize];
    const qint64 got = ReadAt(ackFd_, bytes, AckSize, 0);
    if (got < 0)
        return Failure::FromErrno(errno, AckPath());
    if (got >= OldAckSize) {
        at->segment = qFromLittleEndian<quint64>(bytes);
        at->offset = qFromLittleEndian<qint64>(bytes + 8);
        *next = qFromLittleEndian<quint64>(bytes + 16);
    }
    if (got >= AckSize)
        *front = qFromLittleEndian<quint64>(bytes + 24);
    return got;
}

// Lists the segments from `firstNumber` on (only that one with `onlyFirst`) with the number of
// their first record. Older ones were finished when a crash came before their removal; an empty
// one was started when a write failed.
Status ReadingQueue::FindSegments(quint64 firstNumber, bool onlyFirst)
{
    segments_.clear();
    std::vector<quint64> numbers;
    const QStringList names = QDir(folder_).entryList({QStringLiteral("queue-*.seg")}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const quint64 number = name.mid(6, name.size() - 10).toULongLong(&ok);
        if (ok)
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    for (const quint64 number : numbers) {
        const QString path = SegmentPath(number);
        if (number < firstNumber || (onlyFirst && number != firstNumber)) {
            if (::unlink(Native(path).constData()) != 0 && errno != ENOENT)
                return Failure::FromErrno(errno, path);
            continue;
        }
        const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return Failure::FromErrno(errno, path);
        char header[HeaderSize];
        const qint64 got = ReadAt(fd, header, HeaderSize, 0);
        const int error = errno;
        CloseRead(fd);
        if (got < 0)
            return Failure::FromErrno(error, path);
        segments_.push_back(
            {number, got == HeaderSize ? qFromLittleEndian<quint64>(header + 4) : 0});
        if (segments_.back().firstSeq == 0 && number != numbers.back()) {
            segments_.pop_back();
            if (::unlink(Native(path).constData()) != 0)
                return Failure::FromErrno(errno, path);
        }
    }
    while (segments_.size() > 1 && segments_.back().firstSeq == 0) {
        const QString path = SegmentPath(segments_.back().number);
        if (::unlink(Native(path).constData()) != 0)
            return Failure::FromErrno(errno, path);
        segments_.pop_back();
    }
    if (segments_.empty())
        segments_.push_back({std::max<quint64>(firstNumber, 1), 0});
    return {};
}

// Finds where the newest segment's whole records end (cutting off a torn one) and settles the
// oldest and next sequence numbers. Only the records on disk from the oldest on are in the
// queue; with none, numbering goes on after the last one ever written.
Status ReadingQueue::ScanNewest(std::uint64_t ackNext, std::uint64_t ackFront)
{
    Segment &newest = segments_.back();
    const QString path = SegmentPath(newest.number);
    appendFd_ = ::open(Native(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    struct stat info {};
    if (appendFd_ < 0 || ::fstat(appendFd_, &info) != 0)
        return Failure::FromErrno(errno, path);
    const Visit any = [](std::uint64_t, qint64, QByteArrayView) { return true; };
    const Result<Walk> walk = WalkRecords(appendFd_, path, 0, info.st_size, newest.firstSeq, any);
    if (!walk)
        return walk.Error();
    end_ = walk->offset;
    if (end_ < info.st_size && ::ftruncate(appendFd_, end_) != 0)
        return Failure::FromErrno(errno, path);
    const std::uint64_t diskNext = walk->nextSeq;
    front_ = ackFront;
    if (front_ == 0) {
        // The oldest is the first record at the acknowledged offset.
        front_ = diskNext;
        qint64 end = 0;
        const Result<int> fd = ReadFile(read_.segment, &end);
        if (!fd)
            return fd.Error();
        const Visit first = [this](std::uint64_t seq, qint64, QByteArrayView) {
            front_ = seq;
            return false;
        };
        if (const Result<Walk> peek =
                WalkRecords(*fd, SegmentPath(read_.segment), read_.offset, end, 0, first);
            !peek)
            return peek.Error();
    }
    if (diskNext != 0 && front_ < diskNext) {
        nextSeq_ = diskNext;
        front_ = std::max(front_, segments_.front().firstSeq);
    } else {
        nextSeq_ = std::max({ackNext, front_, diskNext, std::uint64_t(1)});
        front_ = nextSeq_;
    }
    written_ = nextSeq_;
    segmentNext_ = end_ > 0 ? diskNext : nextSeq_;
    if (end_ == 0)
        newest.firstSeq = nextSeq_;
    readSeq_ = read_.offset == 0 ? segments_[SegmentIndex(read_.segment)].firstSeq : 0;
    return {};
}

Status ReadingQueue::Close()
{
    if (!lock_)
        return {};
    Status status = Flush();
    if (const Status acked = WriteAck(); status && !acked)
        status = acked;
    Release();
    return status;
}

void ReadingQueue::Release()
{
    // Each write said whether it landed; closing adds nothing to that.
    for (int *fd : {&appendFd_, &readFd_, &ackFd_}) {
        if (*fd >= 0)
            (void)::close(*fd);
        *fd = -1;
    }
    head_.clear();
    tail_.clear();
    tailBytes_ = 0;
    segments_.clear();
    torn_ = false;
    lock_.reset();
}

Status ReadingQueue::Append(const QByteArray &payload)
{
    if (!lock_)
        return Failure::Permanent(QStringLiteral("%1: the queue is not open").arg(folder_));
    Status status;
    if (Size() >= capacity_) {
        ++dropped_;
        Advance(front_ + 1);
        status = RemoveFinishedSegments(false);
    }
    tail_.push_back({nextSeq_++, payload, {}, false});
    tailBytes_ += payload.size();
    const Status flushed = Flush();
    TrimMemory();
    return flushed ? status : flushed;
}

// Writes the records that wait in memory, oldest first, one block per segment.
Status ReadingQueue::Flush()
{
    if (torn_) {
        if (::ftruncate(appendFd_, end_) != 0)
            return Failure::FromErrno(errno, SegmentPath(segments_.back().number));
        torn_ = false;
    }
    while (written_ < nextSeq_) {
        if (written_ != segmentNext_ || segmentNext_ - segments_.back().firstSeq >= segmentRecords_)
            if (const Status started = StartSegment(); !started)
                return started;
        const std::uint64_t room = segmentRecords_ - (segmentNext_ - segments_.back().firstSeq);
        const std::uint64_t count = std::min(nextSeq_ - written_, room);
        if (const Status wrote = WriteBlock(qsizetype(written_ - TailStart()), qsizetype(count));
            !wrote)
            return wrote;
    }
    return {};
}

Status ReadingQueue::WriteBlock(qsizetype first, qsizetype count)
{
    qsizetype size = 0;
    for (qsizetype i = first; i < first + count; ++i)
        size += HeaderSize + tail_[size_t(i)].payload.size();
    QByteArray block(size, Qt::Uninitialized);
    char *at = block.data();
    for (qsizetype i = first; i < first + count; ++i) {
        const Cached &record = tail_[size_t(i)];
        qToLittleEndian<quint32>(quint32(record.payload.size()), at);
        qToLittleEndian<quint64>(record.seq, at + 4);
        std::copy(record.payload.cbegin(), record.payload.cend(), at + HeaderSize);
        at += HeaderSize + record.payload.size();
    }
    const quint64 number = segments_.back().number;
    if (const int error = WriteAll(appendFd_, block.constData(), size, end_); error != 0) {
        // What landed is cut off again, so that the segment never ends in a torn record; when
        // even that fails, the next write tries it first.
        torn_ = ::ftruncate(appendFd_, end_) != 0;
        return Failure::FromErrno(error, SegmentPath(number));
    }
    for (qsizetype i = first; i < first + count; ++i) {
        Cached &record = tail_[size_t(i)];
        record.at = {number, end_};
        record.written = true;
        end_ += HeaderSize + record.payload.size();
    }
    written_ += std::uint64_t(count);
    segmentNext_ = written_;
    return {};
}

// Records go on in a new segment: the newest is full, or records before the next one left the
// queue unwritten.
Status ReadingQueue::StartSegment()
{
    if (end_ == 0) { // nothing in the newest yet: it simply starts later
        segments_.back().firstSeq = written_;
        segmentNext_ = written_;
        return {};
    }
    const quint64 number = segments_.back().number + 1;
    const QString path = SegmentPath(number);
    const int fd = ::open(Native(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Failure::FromErrno(errno, path);
    // Each write to the old segment said whether it landed; closing it adds nothing.
    (void)::close(appendFd_);
    appendFd_ = fd;
    end_ = 0;
    segments_.push_back({number, written_});
    segmentNext_ = written_;
    return RemoveFinishedSegments(false);
}

// Deletes the segments whose records have all left, and writes the acknowledgement when it did
// so or when asked to.
Status ReadingQueue::RemoveFinishedSegments(bool writeAck)
{
    std::vector<quint64> finished;
    while (segments_.size() > 1 && segments_[1].firstSeq <= front_) {
        finished.push_back(segments_.front().number);
        segments_.pop_front();
    }
    if (finished.empty() && !writeAck)
        return {};
    if (read_.segment < segments_.front().number) {
        read_ = {segments_.front().number, 0};
        readSeq_ = segments_.front().firstSeq;
    }
    if (readFd_ >= 0 && readSegment_ < segments_.front().number) {
        CloseRead(readFd_);
        readFd_ = -1;
    }
    // The acknowledgement first: after a crash in between, the next start removes the files.
    Status status = WriteAck();
    for (const quint64 number : finished) {
        const QString path = SegmentPath(number);
        if (::unlink(Native(path).constData()) != 0 && errno != ENOENT && status)
            status = Failure::FromErrno(errno, path);
    }
    return status;
}

ReadingQueue::Position ReadingQueue::FrontPosition() const
{
    if (!head_.empty())
        return head_.front().at;
    if (!tail_.empty() && tail_.front().seq == front_ && tail_.front().written)
        return tail_.front().at;
    if (front_ >= written_)
        return {segments_.back().number, end_};
    return read_; // at or before the oldest record
}

Status ReadingQueue::WriteAck()
{
    if (ackFd_ < 0 || segments_.empty())
        return {};
    const Position at = FrontPosition();
    char bytes[AckSize];
    qToLittleEndian<quint64>(at.segment, bytes);
    qToLittleEndian<qint64>(at.offset, bytes + 8);
    qToLittleEndian<quint64>(std::max(written_, front_), bytes + 16);
    qToLittleEndian<quint64>(front_, bytes + 24);
    // One small write at the start of the file: it lands whole or not at all.
    if (const int error = WriteAll(ackFd_, bytes, AckSize, 0); error != 0)
        return Failure::FromErrno(error, AckPath());
    return {};
}

Status ReadingQueue::Acknowledge(qsizetype count)
{
    count = std::min(count, Size());
    if (count <= 0)
        return {};
    Advance(front_ + std::uint64_t(count));
    return RemoveFinishedSegments(true);
}

void ReadingQueue::Advance(std::uint64_t front)
{
    front_ = front;
    while (!head_.empty() && head_.front().seq < front_)
        head_.pop_front();
    while (!tail_.empty() && tail_.front().seq < front_) {
        tailBytes_ -= tail_.front().payload.size();
        tail_.pop_front();
    }
    // Records that left before they could be written need no writing.
    written_ = std::max(written_, front_);
}

void ReadingQueue::TrimMemory()
{
    while (tailBytes_ > TailBytes && !tail_.empty() && tail_.front().written) {
        const Cached &oldest = tail_.front();
        // Reading from disk goes on here once the records before it are loaded.
        if (oldest.seq == NextToLoad()) {
            read_ = oldest.at;
            readSeq_ = oldest.seq;
        }
        tailBytes_ -= oldest.payload.size();
        tail_.pop_front();
    }
}

Result<ReadingQueue::Record> ReadingQueue::At(qsizetype i)
{
    if (i < 0 || i >= Size())
        return Failure::Permanent(
            QStringLiteral("%1: no reading %2 in the queue").arg(folder_).arg(i));
    std::uint64_t seq = front_ + std::uint64_t(i);
    if (seq < TailStart() && seq >= NextToLoad()) {
        if (const Status loaded = Load(seq); !loaded)
            return loaded.Error();
        seq = std::max(seq, front_); // records missing from a damaged file were passed over
    }
    if (seq >= nextSeq_)
        return Failure::Transient(QStringLiteral("%1: no reading left in the queue").arg(folder_));
    if (seq >= TailStart())
        return Record{seq, tail_[size_t(seq - TailStart())].payload};
    if (!head_.empty() && seq >= head_.front().seq && seq <= head_.back().seq)
        return Record{seq, head_[size_t(seq - head_.front().seq)].payload};
    return Failure::Transient(
        QStringLiteral("%1: readings are missing from the queue's files; they are passed over "
                       "once the readings before them are delivered")
            .arg(folder_));
}

// Reads records from disk until `seq` is loaded (and some after it), or the rest is in memory.
Status ReadingQueue::Load(std::uint64_t seq)
{
    bool done = false;
    while (!done)
        if (const Status step = LoadFromSegment(seq, &done); !step)
            return step;
    return {};
}

Status ReadingQueue::LoadFromSegment(std::uint64_t seq, bool *done)
{
    const size_t index = SegmentIndex(read_.segment);
    qint64 end = 0;
    const Result<int> fd = ReadFile(read_.segment, &end);
    if (!fd)
        return fd.Error();
    const std::uint64_t tailStart = TailStart();
    int ahead = 0;
    const Visit take = [&](std::uint64_t s, qint64 offset, QByteArrayView payload) {
        if (s >= tailStart || (s > seq && ++ahead > ReadAhead))
            return false;
        if (s > NextToLoad()) { // records missing: passed over when they are the oldest
            if (!head_.empty())
                return false;
            dropped_ += s - front_;
            Advance(s);
        }
        if (s == NextToLoad())
            head_.push_back({s, payload.toByteArray(), {read_.segment, offset}, true});
        return true;
    };
    const std::uint64_t expected = read_.offset == 0 ? segments_[index].firstSeq : readSeq_;
    const Result<Walk> walk =
        WalkRecords(*fd, SegmentPath(read_.segment), read_.offset, end, expected, take);
    if (!walk)
        return walk.Error();
    read_.offset = walk->offset;
    readSeq_ = walk->nextSeq;
    const bool found = !head_.empty() && head_.back().seq >= seq;
    const bool declined = !walk->damaged && walk->offset < end;
    *done = found || declined || NextToLoad() >= tailStart;
    if (*done)
        return {};
    if (index + 1 < segments_.size()) {
        read_ = {segments_[index + 1].number, 0};
        readSeq_ = segments_[index + 1].firstSeq;
        return {};
    }
    // Nothing more on disk: what should have been there is missing.
    *done = true;
    if (head_.empty()) {
        dropped_ += tailStart - front_;
        Advance(tailStart);
    }
    return {};
}

Result<int> ReadingQueue::ReadFile(quint64 segment, qint64 *end)
{
    if (segment == segments_.back().number) {
        *end = end_;
        return appendFd_;
    }
    if (readFd_ < 0 || readSegment_ != segment) {
        if (readFd_ >= 0)
            CloseRead(readFd_);
        const QString path = SegmentPath(segment);
        readFd_ = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (readFd_ < 0 || ::fstat(readFd_, &info) != 0)
            return Failure::FromErrno(errno, path);
        readSegment_ = segment;
        readEnd_ = info.st_size;
    }
    *end = readEnd_;
    return readFd_;
}

} // namespace kst
