#include "session/MeterSession.h"

#include <algorithm>

namespace kst {

MeterSession::MeterSession(MeterRecording &recording, MSComm::PortMap ports, QObject *parent)
    : QObject(parent), recording_(recording), link_(new MSComm(std::move(ports), this))
{
    link_->setObjectName(QStringLiteral("MSComm1"));
    link_->SetTaker([this](const TimedReading &reading) {
        static_cast<void>(Take(reading)); // the outcome is reported through ReadingTaken
    });
    connect(link_, &MSComm::Silent, this, [this] { recording_.ExpectGap(GapCause::Silent); });
    connect(link_, &MSComm::DeviceLost, this, [this] { TellLink(true); });
    connect(link_, &MSComm::StateChanged, this, [this] {
        if (lost_ && link_->State() == MSComm::LinkState::Open)
            TellLink(false);
    });
}

void MeterSession::TellLink(bool lost)
{
    lost_ = lost;
    if (lost)
        recording_.ExpectGap(GapCause::LinkLost);
    const QDateTime now = Now();
    for (ReadingSink *output : outputs_)
        if (!halted_)
            Report(output->LinkChanged(now, lost));
}

void MeterSession::Mark(const Marker &marker)
{
    for (ReadingSink *output : outputs_)
        if (!halted_)
            Report(output->Marked(marker));
}

void MeterSession::SetClock(std::function<QDateTime()> clock)
{
    clock_ = clock;
    link_->SetClock(std::move(clock));
}

void MeterSession::Halt()
{
    halted_ = true;
    link_->SetPortOpen(false);
}

void MeterSession::AddOutput(ReadingSink &output)
{
    outputs_.push_back(&output);
}

void MeterSession::RemoveOutput(ReadingSink &output)
{
    std::erase(outputs_, &output);
}

ReadingOutcome MeterSession::Take(const TimedReading &reading)
{
    const ReadingOutcome outcome = recording_.Take(reading);
    // Recorded before it is handed on: what a logger prints or publishes is in its files.
    if (outcome.sample >= 0)
        Recorded(outcome.sample);
    for (ReadingSink *output : outputs_)
        if (!halted_)
            Report(output->Take(reading));
    if (outcome.end == ReadingOutcome::End::Refused)
        link_->Discard();
    if (outcome.RearmsWatchdog())
        link_->Watchdog().start();
    emit ReadingTaken(reading, outcome);
    return outcome;
}

qint32 MeterSession::Record(float value, const QString &unitText, qint16 decimals)
{
    const qint32 n = recording_.Record(value, unitText, decimals, Now());
    Recorded(n);
    return n;
}

void MeterSession::Recorded(qint32 n)
{
    for (ReadingSink *output : outputs_)
        if (!halted_)
            Report(output->Recorded(recording_.Samples, n));
}

Status MeterSession::Flush()
{
    Status first;
    for (ReadingSink *output : outputs_) {
        Status status = output->Flush();
        if (!status && first)
            first = status;
        Report(status);
    }
    return first;
}

void MeterSession::Report(const Status &status)
{
    if (!status)
        emit OutputFailed(status.Error());
}

} // namespace kst
