#pragma once

#include "common/Message.h"
#include "record/GraphScale.h"
#include "record/Markers.h"
#include "record/MeterRecording.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QDialog;

namespace kst {

// The program's shared context, created once by Main() and handed by reference to every window
// that uses it; tests build their own. It holds what is program-wide (folders, the clock, the
// message prompts) and meter 1's state, which the main window's session records into, under the
// names the windows use.
class Module1 {
public:
    Module1();
    Module1(const Module1 &) = delete;
    Module1 &operator=(const Module1 &) = delete;

    // Meter 1: its samples, statistics, graph scale, limits and rules.
    MeterRecording Meter1;
    // Meters 2 and on, as Setup > Meters... lists them.
    std::vector<std::unique_ptr<MeterRecording>> OtherMeters;
    int MeterCount() const { return 1 + int(OtherMeters.size()); }
    // Meter `index` from 0 (meter 1).
    MeterRecording &Meter(int index)
    {
        return index == 0 ? Meter1 : *OtherMeters[size_t(index - 1)];
    }
    const MeterRecording &Meter(int index) const
    {
        return index == 0 ? Meter1 : *OtherMeters[size_t(index - 1)];
    }

    // The sample log: SampleCount and the nine arrays.
    SampleLog &Samples = Meter1.Samples;
    // Graph scale of the main window: value at the top and bottom edge of the plot area, sample
    // steps across its width, and the unit the graph is drawn (and the statistics held) in.
    float &GraphTopY = Meter1.Scale.TopY;
    float &GraphLowY = Meter1.Scale.LowY;
    qint32 &GraphXSpan = Meter1.Scale.XSpan;
    QString &GraphUnit = Meter1.Scale.Unit;
    // "Stop Record if OL Input": an over-range frame ends the frame's handling after the panel.
    bool &StopOnOverload = Meter1.StopOnOverload;

    // The user's markers on the recording, in time order: every meter's graph shows them; Save
    // keeps them beside the sample file, New and Close let them go.
    MarkerList Markers;

    // The graph print window's own value range and span, copied from the screen graph's when it
    // opens and set by the scale window when it works for the print window.
    float PrintGraphTopY = 400.0f;
    float PrintGraphLowY = -400.0f;
    qint32 PrintGraphXSpan = 100;

    // Serial port number in use, 1..4.
    float ComPortNumber = 1;

    // Path of the current file (caption and printouts).
    QString CurrentFileName;

    // Folder of the files the program ships ("ding.wav", "KST.bmp", "KST.hlp").
    QString ProgramFolder;
    // Per-user data folder; default files and the file dialogs live in its "SAMPLE" subfolder.
    QString DataFolder;
    QString SampleFolder() const { return DataFolder + QStringLiteral("/SAMPLE"); }

    // The clock every timestamp, the watchdog display and the schedule read. Tests replace it.
    std::function<QDateTime()> Clock;
    QDateTime Now() const { return Clock(); }
    // The shortest time between two changes of the read-outs (the reading on the panel, the
    // sample count, the statistics, the graph while recording) while readings come faster: the
    // meter's own display interval. Tests that read them after every reading set 0.
    qint64 ReadoutIntervalMs = 250;

    // When set, answers every message box instead of showing it (see ShowMessage), and every
    // window the program opens by itself (see ShowWindow).
    MessageAnswerer AnswerMessage;
    std::function<int(QDialog &window)> AnswerWindow;
};

} // namespace kst
