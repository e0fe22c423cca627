#pragma once

#include "common/Message.h"
#include "record/SampleLog.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace kst {

// The program's shared variables, created once by Main() and handed by reference to every window
// that uses them. Tests build their own.
class Module1 {
public:
    Module1();

    // The sample log: SampleCount and the nine arrays.
    SampleLog Samples;

    // Graph scale of the main window: value at the top and bottom edge of the plot area, sample
    // steps across its width, and the unit the graph is drawn (and the statistics held) in.
    float GraphTopY = 400.0f;
    float GraphLowY = -400.0f;
    qint32 GraphXSpan = 100;
    QString GraphUnit = QStringLiteral("DCV");

    // Targets of the scale window when it is opened from the graph print window.
    float PrintGraphTopY = 400.0f;
    float PrintGraphLowY = -400.0f;
    qint32 PrintGraphXSpan = 100;

    // True while the scale window works for the main window (its OK writes the Graph* values),
    // false while it works for the graph print window (its OK writes the PrintGraph* values).
    bool ScaleFromMainWindow = true;
    // "Stop Record if OL Input": an over-range frame ends the frame's handling after the panel.
    bool StopOnOverload = false;
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

    // When set, answers every message box instead of showing it (see ShowMessage).
    MessageAnswerer AnswerMessage;
};

} // namespace kst
