#pragma once

#include "meter/TimedReading.h"
#include "publish/PublishSettings.h"
#include "record/AlarmSettings.h"
#include "record/MeterRecording.h"
#include "session/MeterList.h"
#include "session/OutputSinks.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QBoxLayout;
class QWidget;

namespace kst {

class Module1;
class MeterSession;
class PublishLink;
class RecordingJournal;
class TrendGraphView;

// Meters 2 and on in the main window, built from the list Setup > Meters... keeps: each one's
// session on its device, its recording journal, its publishing, its strip of the graph, its alarm
// limits and what it showed last. Meter 1 is the main window's own (its port, its journal, its
// graph). Readings are reported by meter index (1 for meter 2) for the window to render.
class MeterSet : public QObject {
    Q_OBJECT
public:
    struct Meter {
        MeterSetup setup;
        MeterRecording *recording = nullptr;
        MeterSession *session = nullptr;
        RecordingJournal *journal = nullptr;
        std::unique_ptr<JournalOutput> journalOutput;
        PublishLink *publish = nullptr;
        std::unique_ptr<PublishOutput> publishOutput;
        TrendGraphView *strip = nullptr;
        AlarmSettings alarms;
        bool receiving = false;
    };

    // Strips go into `strips`, under meter 1's graph; sessions, journals and links are children
    // of `window`. saveFile names the file Save writes, for the journals.
    MeterSet(Module1 &module, QWidget *window, QBoxLayout *strips,
             std::function<QString()> saveFile);
    ~MeterSet() override;

    // Meters 2 and on of `list` (the first entry is meter 1), publishing through `broker` where
    // a meter is set to publish. What was built before goes, its samples with it.
    void Build(const std::vector<MeterSetup> &list, const PublishSettings &broker);

    // The meters after the first; index 1 is meter 2.
    int Count() const { return int(meters_.size()); }
    Meter &At(int index) { return *meters_[size_t(index - 1)]; }

    // Meter k's alarm limits as the settings keep them ("Meters" keys AlarmH<k>, ...).
    static AlarmSettings ReadAlarms(int number);
    static void WriteAlarms(int number, const AlarmSettings &alarms);

signals:
    void ReadingTaken(int index, const kst::TimedReading &reading,
                      const kst::ReadingOutcome &outcome);
    // No reading for the watchdog's interval.
    void Silent(int index);
    // Opened, closed, lost or reopened.
    void LinkChanged(int index);

private:
    void Clear();
    void Add(const MeterSetup &setup, const PublishSettings &broker);
    void StartPublishing(Meter &meter, const PublishSettings &broker);

    Module1 &m_;
    QWidget *window_;
    QBoxLayout *strips_;
    std::function<QString()> saveFile_;
    std::vector<std::unique_ptr<Meter>> meters_;
};

} // namespace kst
