#pragma once

#include "meter/MeterFrameEncoder.h"

#include <QByteArray>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

namespace kst {

// What the virtual meter shows and which line faults it injects.
struct VirtualMeterOptions {
    enum class Wave { Const, Sine, Ramp, Random };

    int Function = 0;
    int Range = 1;
    Wave Shape = Wave::Const;
    double Value = 1234;     // counts, the centre of the wave
    double Amplitude = 1000; // counts
    double PeriodSeconds = 10;
    bool Hold = false;
    bool Rel = false;
    bool OverRange = false;
    bool BatteryLow = false;
    bool Auto = false;

    double Rate = 4;           // ticks per second; each tick sends Burst frames, then pauses
    int Burst = 1;             // frames written back to back per tick
    int GarbageEvery = 0;      // every Nth frame is preceded by garbage bytes
    int CutEvery = 0;          // every Nth frame is cut short
    int SilenceAfter = 0;      // after this many frames the line goes silent once ...
    double SilenceSeconds = 5; // ... for this long
    int Count = 0;             // stop after this many frames; 0 = run until killed
};

// Sends the meter's frames at the meter's pace to a file descriptor: the master side of a
// pseudo-terminal (the slave stays open here, so the program may open and close it at will) or
// a serial device.
class VirtualMeter : public QObject {
    Q_OBJECT
public:
    // fd: where the frames go. queueFd: a descriptor on the slave side whose input queue is
    // watched (-1 for a real device); bytes nobody reads are dropped, as on a wire.
    VirtualMeter(const VirtualMeterOptions &options, int fd, int queueFd,
                 QObject *parent = nullptr);

    void Start();
    // The frame for a given frame number (0-based), before faults.
    QByteArray FrameFor(qint64 index) const;

signals:
    void Finished();

private:
    void Tick();
    void Send(const QByteArray &bytes);
    void WaitForDrain();

    VirtualMeterOptions options_;
    int fd_;
    int queueFd_;
    QTimer timer_;
    QRandomGenerator random_;
    qint64 sent_ = 0;
    bool silenced_ = false;
    int drainPolls_ = 0;
};

} // namespace kst
