#pragma once

#include "common/DateTimeText.h"
#include "common/Result.h"
#include "meter/MSComm.h"
#include "meter/TimedReading.h"
#include "record/MeterRecording.h"
#include "record/ReadingSink.h"

#include <QObject>
#include <vector>

namespace kst {

// One meter: its link, its recording and its outputs. Every reading the link delivers goes, in
// this order, through the recording's rules, to each output as a recorded sample when one was
// recorded, to each output as a reading, and then to whoever renders the meter (ReadingTaken). The
// window program and the logger without a screen both build sessions; neither repeats a rule of
// this path. A lost device and its return go to the outputs too, and a lost device or a silent
// meter is the cause the recording notes for the gap that follows.
class MeterSession : public QObject {
    Q_OBJECT
public:
    // The recording is the caller's and outlives the session.
    MeterSession(MeterRecording &recording, MSComm::PortMap ports, QObject *parent = nullptr);

    MSComm &Link() { return *link_; }
    MeterRecording &Recording() { return recording_; }

    // The time readings and samples are stamped with.
    void SetClock(std::function<QDateTime()> clock);
    QDateTime Now() const { return clock_ ? clock_() : CurrentLocalTime(); }

    // Outputs are the caller's; an output is removed before it goes.
    void AddOutput(ReadingSink &output);
    void RemoveOutput(ReadingSink &output);

    // One reading through the path, as the link delivers it.
    ReadingOutcome Take(const TimedReading &reading);
    // The record step alone, stamped now: the sample goes to the outputs; its index.
    qint32 Record(float value, const QString &unitText, qint16 decimals);
    // Every output writes out what waits (recording stopped, or the program ends).
    Status Flush();
    // A marker the user put: every output is told.
    void Mark(const Marker &marker);
    // Ends the session for good: the port closes, and the reading being handed on (an output
    // failed with it) goes to no further output.
    void Halt();

signals:
    void ReadingTaken(const kst::TimedReading &reading, const kst::ReadingOutcome &outcome);
    // An output failed; each failure once, in the order they happened.
    void OutputFailed(const kst::Failure &failure);

private:
    void Report(const Status &status);
    void Recorded(qint32 n);
    // The device went away, or came back after it had.
    void TellLink(bool lost);

    MeterRecording &recording_;
    MSComm *link_;
    std::function<QDateTime()> clock_;
    std::vector<ReadingSink *> outputs_;
    bool halted_ = false;
    bool lost_ = false;
};

} // namespace kst
