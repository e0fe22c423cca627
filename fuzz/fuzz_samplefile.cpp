// Feeds arbitrary bytes to the sample-file reader, then writes what was loaded and reads that
// back: whatever a file gives must survive a save and a load unchanged (count, values, dates,
// times, units, decimals, flags, averages and references), and the result must describe the
// load consistently.
#include "common/Numbers.h"
#include "files/SampleFileFields.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"

#include <QBuffer>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace kst;

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

SampleFileReadResult Read(const QByteArray &bytes, SampleLog &log)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    // Unbuffered: the reader asks for the whole input at once; a buffered device would first copy
    // it through a 16 KiB buffer of its own per read.
    buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return ReadSampleFile(buffer, log);
}

QByteArray Write(const SampleLog &log)
{
    const QByteArray bytes = SampleFileBytes(log, log.SampleCount);
    Check(bytes.count('\n') == log.SampleCount, "one line per record");
    return bytes;
}

// Exact: the same float. Otherwise within what 7 significant digits and one rounding to single
// precision can move a value.
bool SameNumber(float read, float original, bool exact)
{
    if (exact)
        return read == original;
    return std::fabs(double(read) - double(original)) <= 6e-7 * std::fabs(double(original));
}

bool SameLog(const SampleLog &read, const SampleLog &original, bool exact)
{
    if (read.SampleCount != original.SampleCount)
        return false;
    for (qint32 i = 0; i < original.SampleCount; ++i) {
        Sample a = read.At(i), b = original.At(i);
        if (!SameNumber(a.value, b.value, exact) || !SameNumber(a.avg, b.avg, exact) ||
            !SameNumber(a.relRef, b.relRef, exact)) {
            std::fprintf(stderr, "record %d differs in a number\n", i);
            return false;
        }
        a.value = b.value;
        a.avg = b.avg;
        a.relRef = b.relRef;
        if (!(a == b)) {
            std::fprintf(stderr, "record %d differs\n", i);
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    SampleLog loaded;
    const SampleFileReadResult first = Read(input, loaded);

    Check(first.recordsLoaded == loaded.SampleCount, "count matches the log");
    Check(loaded.UpperIndex() >= std::max(loaded.SampleCount, SampleLog::InitialUpperIndex),
          "arrays hold every record");
    Check(first.complete == (first.stopLine == 0), "stop line only when stopped");
    Check(first.complete || !first.stopReason.isEmpty(), "a stop has a reason");
    Check(first.lastMaxIndex < loaded.SampleCount && first.lastMinIndex < loaded.SampleCount &&
              first.lastAvgIndex < loaded.SampleCount,
          "read-out indices inside the log");
    Check(first.wholeBytes >= 0 && first.wholeBytes <= input.size(), "whole part inside the file");
    Check(!first.lastRecordCut || !first.complete, "a cut record stops the load");
    if (!first.complete) {
        // The whole part alone loads the same records, completely.
        SampleLog whole;
        const SampleFileReadResult part = Read(input.left(first.wholeBytes), whole);
        Check(part.complete && whole.SampleCount == loaded.SampleCount, "the whole part loads");
    }
    for (qint32 i = 0; i < loaded.SampleCount; ++i) {
        const Sample s = loaded.At(i);
        for (const float number : {s.value, s.avg, s.relRef}) {
            char fast[masfield::NumberMax], general[SingleTextMax];
            const qsizetype size = masfield::PutNumber(fast, number) - fast;
            Check(QByteArrayView(fast, size) ==
                      QByteArrayView(general, PutSingleText(general, number) - general),
                  "the short-decimal writer writes what the general one does");
        }
        Check(std::isfinite(s.value) && std::isfinite(s.avg) && std::isfinite(s.relRef),
              "finite numbers");
        Check(s.date.isValid() && s.time.isValid() && s.time.msec() == 0, "valid stamps");
        Check(s.isMax == 0 || s.isMax == -1, "flag is -1 or 0");
        Check(s.isMin == 0 || s.isMin == -1, "flag is -1 or 0");
    }

    // Save what was loaded and load it again. The file keeps 7 significant digits, so a value
    // read from a longer text comes back as the nearest 7-digit number; everything else exactly.
    SampleLog saved;
    const SampleFileReadResult second = Read(Write(loaded), saved);
    Check(second.complete, "a saved log reads completely");
    Check(SameLog(saved, loaded, /*exact=*/false), "save and load keep the records");
    Check(second.lastMaxIndex == first.lastMaxIndex && second.lastMinIndex == first.lastMinIndex &&
              second.lastAvgIndex == first.lastAvgIndex,
          "save and load keep the read-out indices");
    // Once saved, a log saves and loads without any change at all.
    SampleLog again;
    const SampleFileReadResult third = Read(Write(saved), again);
    Check(third.complete, "a saved log reads completely");
    Check(SameLog(again, saved, /*exact=*/true), "a saved log round-trips exactly");
    return 0;
}
