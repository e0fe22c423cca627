// What the MQTT disk queue costs per reading, against a minimal queue of the same bytes measured
// in the same run: processor time and system calls that read or write files (from
// /proc/self/io). Two cases:
//   sending  - the broker is there: each reading is appended, handed out for sending and
//              acknowledged in batches of 16, as acknowledgements arrive;
//   backlog  - the broker was away: 200,000 readings go into a queue of 100,000 (the oldest
//              dropped), then the queue is opened again and sent and acknowledged to the end;
//              the minimal queue reads back its newest 100,000.
// The minimal queue writes each record with one write() to one file, keeps the unsent payloads
// in memory, writes the 8-byte acknowledgement once per batch and reads a backlog back in
// 64 KiB blocks; it never deletes or rotates anything, so it is cheaper than any queue bounded
// on disk can be. Exits non-zero when a ratio is over its budget or a reading comes back wrong.
#include "publish/ReadingQueue.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace kst;

namespace {

constexpr int Batch = 16;

struct Cost {
    double seconds = 0;
    long long syscalls = 0;
};

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The read and write system calls of this process so far.
long long IoCalls()
{
    QFile io(QStringLiteral("/proc/self/io"));
    long long calls = 0;
    if (io.open(QIODevice::ReadOnly))
        for (const QByteArray &line : io.readAll().split('\n'))
            if (line.startsWith("syscr:") || line.startsWith("syscw:"))
                calls += line.mid(6).trimmed().toLongLong();
    return calls;
}

// The least processor time of three runs of f(run), with the system calls of one.
template <typename F> Cost Measure(F f)
{
    Cost best{1e9, 0};
    for (int run = 0; run < 3; ++run) {
        const long long calls = IoCalls() + 1; // the look itself
        const double start = CpuSeconds();
        f(QString::number(run));
        best = {std::min(best.seconds, CpuSeconds() - start), IoCalls() - calls};
    }
    return best;
}

QByteArray Reading(int i)
{
    return QStringLiteral("{\"time\":\"2026-12-07T01:%1:%2.000\",\"value\":%3,\"unit\":\"DCV\","
                          "\"over_range\":false,\"hold\":false,\"seq\":%4}")
        .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(i % 60, 2, 10, QLatin1Char('0'))
        .arg(double(i % 4000) / 1000.0)
        .arg(i + 1)
        .toUtf8();
}

// The minimal queue: one file of records, an acknowledgement of the oldest offset.
class MinimalQueue {
public:
    explicit MinimalQueue(const QString &folder)
        : fd_(::open(qPrintable(folder + "/min.seg"), O_RDWR | O_CREAT | O_TRUNC | O_APPEND, 0644)),
          ack_(::open(qPrintable(folder + "/min.ack"), O_RDWR | O_CREAT | O_TRUNC, 0644))
    {
    }
    ~MinimalQueue()
    {
        ::close(fd_);
        ::close(ack_);
    }
    bool Append(const QByteArray &payload)
    {
        char record[12 + 512];
        const quint32 length = quint32(payload.size());
        std::memcpy(record, &length, 4);
        std::memcpy(record + 4, &seq_, 8);
        std::memcpy(record + 12, payload.constData(), length);
        ++seq_;
        unsent_.push_back(payload);
        return ::write(fd_, record, 12 + length) == 12 + length;
    }
    QByteArray Take()
    {
        QByteArray next = unsent_.front();
        unsent_.pop_front();
        return next;
    }
    bool Acknowledge(qint64 offset) { return ::pwrite(ack_, &offset, 8, 0) == 8; }
    // Reads the records from `start` back in blocks, as a backlog is sent.
    long long ReadBack(qint64 start, const std::function<void(const char *, quint32)> &send)
    {
        std::vector<char> block(64 * 1024);
        qint64 at = start;
        long long n = 0;
        std::size_t have = 0;
        for (;;) {
            const ssize_t got = ::pread(fd_, block.data() + have, block.size() - have, at);
            if (got <= 0)
                break;
            at += got;
            have += std::size_t(got);
            std::size_t used = 0;
            quint32 length = 0;
            while (have - used >= 12 &&
                   (std::memcpy(&length, block.data() + used, 4), have - used >= 12 + length)) {
                send(block.data() + used + 12, length);
                used += 12 + length;
                if (++n % Batch == 0)
                    Acknowledge(at - qint64(have - used));
            }
            std::memmove(block.data(), block.data() + used, have - used);
            have -= used;
        }
        return n;
    }

private:
    int fd_;
    int ack_;
    quint64 seq_ = 1;
    std::deque<QByteArray> unsent_;
};

void Print(const char *what, int readings, Cost ours, Cost minimal)
{
    std::printf("%-8s %7d readings: %6.2f us, %5.2f I/O calls a reading; minimal queue %6.2f us, "
                "%5.2f calls; ratio %.2f\n",
                what, readings, ours.seconds * 1e6 / readings, double(ours.syscalls) / readings,
                minimal.seconds * 1e6 / readings, double(minimal.syscalls) / readings,
                ours.seconds / minimal.seconds);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    std::vector<QByteArray> readings;
    for (int i = 0; i < 200000; ++i)
        readings.push_back(Reading(i));
    bool right = true;
    size_t checksum = 0;

    const int sent = 100000;
    const Cost ours = Measure([&](const QString &run) {
        ReadingQueue queue;
        right = right && queue.Open(dir.filePath("sending" + run), 1000000).Ok();
        for (int i = 0; i < sent; ++i) {
            right = right && queue.Append(readings[size_t(i)]).Ok();
            const Result<ReadingQueue::Record> record = queue.At(queue.Size() - 1);
            checksum += record ? size_t(record->payload.size()) : 0;
            if (queue.Size() == Batch)
                right = right && queue.Acknowledge(Batch).Ok();
        }
    });
    const Cost minimal = Measure([&](const QString &) {
        MinimalQueue queue(dir.path());
        for (int i = 0; i < sent; ++i) {
            right = right && queue.Append(readings[size_t(i)]);
            checksum -= size_t(queue.Take().size());
            if ((i + 1) % Batch == 0)
                right = right && queue.Acknowledge(qint64(i));
        }
    });
    Print("sending", sent, ours, minimal);
    const double sendingRatio = ours.seconds / minimal.seconds;

    const Cost backlog = Measure([&](const QString &run) {
        {
            ReadingQueue queue;
            right = right && queue.Open(dir.filePath("backlog" + run), 100000).Ok();
            for (const QByteArray &reading : readings)
                right = right && queue.Append(reading).Ok();
        }
        ReadingQueue queue;
        right = right && queue.Open(dir.filePath("backlog" + run), 100000).Ok();
        while (queue.Size() > 0) {
            const qsizetype batch = std::min<qsizetype>(Batch, queue.Size());
            for (qsizetype i = 0; i < batch; ++i) {
                const Result<ReadingQueue::Record> record = queue.At(i);
                right = right && record && record->payload == readings[size_t(record->seq - 1)];
            }
            right = right && queue.Acknowledge(batch).Ok();
        }
    });
    const Cost minimalBacklog = Measure([&](const QString &) {
        MinimalQueue queue(dir.path());
        for (const QByteArray &reading : readings)
            right = right && queue.Append(reading);
        // The newest 100,000 are sent, as the bounded queue keeps them.
        qint64 start = 0;
        for (size_t i = 0; i < readings.size() - 100000; ++i)
            start += 12 + readings[i].size();
        const long long n =
            queue.ReadBack(start, [&](const char *, quint32 length) { checksum += length; });
        right = right && n == 100000;
    });
    Print("backlog", int(readings.size()), backlog, minimalBacklog);
    const double backlogRatio = backlog.seconds / minimalBacklog.seconds;

    std::printf("(checksum %zu)\n", checksum);
    if (!right)
        std::printf("FAILED: a reading came back wrong or a write failed\n");
    // Budgets: the queue bounded on disk may cost up to twice the minimal one.
    const bool within = sendingRatio <= 2.0 && backlogRatio <= 2.0;
    if (!within)
        std::printf("FAILED: over the budget of 2.0\n");
    return right && within ? 0 : 1;
}
