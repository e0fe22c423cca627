#pragma once

#include <QMainWindow>
#include <QPointer>

#include "files/RecordingJournal.h"
#include "meter/TimedReading.h"
#include "meter/ui/PortDevices.h"
#include "publish/PublishSettings.h"
#include "record/AlarmSettings.h"
#include "record/MeterRecording.h"
#include "record/ReadingSink.h"
#include "record/Statistics.h"
#include "session/MeterList.h"
#include "shell/AutoManFrm.h"
#include "shell/StatusLine.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QTimer;

namespace kst {

class Module1;
class MeterSession;
enum class CsvForm;
struct SampleFileReadResult;
class MSComm;
class ReadingPanel;
class MeterSet;
class MeterSelector;
class StatisticsPanel;
class AlarmPanel;
class TrendGraphView;
class ScallFrm;
class AutoManFrm;
class PublishLink;
class ReadoutPacer;

// The main window: the meter's front panel, the statistics, the alarm limits, the recording
// buttons, the trend graph and the menu. Meter 1 is a session (link, recording, outputs) that the
// window builds and renders: each handler forwards to the session or to core logic and shows
// what comes back.
class MainFrm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrm(Module1 &module, QWidget *parent = nullptr);
    ~MainFrm() override;

    Module1 &M;

    // Meter 1's session, its serial control and its receive watchdog.
    MeterSession &Session() { return *session_; }
    MSComm *MSComm1 = nullptr;
    QTimer *Timer2 = nullptr;

    // Collaborators, one per subsystem.
    ReadingPanel *ReadFrm = nullptr;
    StatisticsPanel *CalcFrm = nullptr;
    AlarmPanel *AlarmFrm = nullptr;
    TrendGraphView *Graph = nullptr;

    // Meter 1's running Max/Min/Avg/Rel statistics, which CalcFrm renders.
    RunningStatistics &Statistics;

    // "CONTROL BUTTON"
    QGroupBox *ControlFrm = nullptr;
    QCheckBox *AutoCom = nullptr;
    QRadioButton *StopCom = nullptr;
    QRadioButton *StartCom = nullptr;

    QMenu *FileMenu = nullptr;

    // Unsaved samples exist.
    bool DataModified = false;
    // Where Save writes.
    QString SaveFileName;

    // The scale window, created on first use and kept for the life of the program.
    ScallFrm &Scall();
    // The schedule window while the schedule is on.
    AutoManFrm *Schedule() const { return autoManFrm_.data(); }

    // Ends the program after the quit procedure; tests replace it.
    std::function<void()> EndProgram;
    // Chooses a file for Open (save false) or Save As (save true), starting at a folder or at a
    // proposed file path; empty when cancelled. Unset: the file dialog. Tests set it.
    std::function<QString(bool save, const QString &start)> AskFileName;

    // Asks for a marker's note; nothing when cancelled. Unset: a small input window. Tests set it.
    std::function<std::optional<QString>()> AskMarkerNote;

    // How long an export runs before its progress window shows; tests set 0.
    int ExportProgressDelayMs = 500;

    // Loads a sample file as Open does once the file is chosen.
    void ReadSamples(const QString &path);
    // Writes the samples to path; false (with a warning shown) when the write failed.
    bool WriteSamples(const QString &path);
    // True while a sample file loads.
    bool Loading() const { return loading_; }

    // The recording cycle: records one sample (stamped now) and shows it in the statistics and
    // the graph.
    void RecordReading(float value, const QString &unitText, qint16 decimals);
    // The quit procedure; false when the user cancelled.
    bool QuitProgram();
    // Graph colours and line width from the settings "Bcolor", "Fcolor", "Bwidth".
    void SetGraphColours(qint32 back, qint32 fore, int width);
    // The communication error window, shown when the stored port is held by another program.
    void ShowComErr();
    // The alarm limits and the scale window's choices from the settings (start-up).
    void RestoreChoices();
    // The port numbers' devices as the settings store keeps them, for the port windows.
    static PortDevices Ports();

    // Recording journal: unsaved samples also go to a journal file that a later start offers
    // back when this program ends without saving or dropping them.
    RecordingJournal *Journal() const { return journal_; }
    // Asks, for each journal left by a program that is gone, whether to recover its samples.
    void OfferRecovery();

    // Publishing: every decoded reading goes to the MQTT broker of the "Publish" settings
    // while they are switched on.
    PublishLink *Publisher() const { return publish_; }

    // Meters 2 and on (Setup > Meters...), and the one the panels show (0 for meter 1).
    MeterSet &Meters() { return *meters_; }
    int SelectedMeter() const { return selected_; }
    // The meters' names, meter 1 first.
    QStringList MeterNames() const;
    // Shows meter `index` in the READING, CALCULATION and ALARM panels and the status bar.
    void SelectMeter(int index);

    // Puts a marker with this note at the current time: every graph shows it, publishing
    // meters publish it, and the samples count as unsaved.
    void AddMarker(const QString &note);
    // Draws the recording of a sample file faint under each meter's line (meter k's from the
    // file beside it); false, with a warning, when it gave no sample.
    bool ShowSavedRecording(const QString &path);
    // Every meter's graph back to the newest samples, as Home does.
    void FollowNewest();

public slots:
    // Shows one reading as the session's rules left it: the panel, the alarms, the recorded
    // sample, the status bar.
    void MSComm1_OnComm(const kst::TimedReading &reading, const kst::ReadingOutcome &outcome);
    void Timer2_Timer();
    void StartCom_Click();
    void StopCom_Click();
    void AutoCom_Click();

    void Form_Initialize();
    void Form_Paint();

    void New_Click();
    void Open_Click();
    void Close_Click();
    void Save_Click();
    void SaveAs_Click();
    // Writes every sample as CSV to a file the user chooses (AskFileName when set).
    void ExportCsv_Click();
    void PrintGraph_Click();
    void PrintReport_Click();
    void Exit_Click();
    void SetCommunication_Click();
    void SetScall_Click();
    // Setup > Publish...: the broker the readings go to.
    void Publish_Click();
    // Setup > Meters...: the meters the program logs.
    void Meters_Click();
    void Comment_Click();
    void About_Click();
    // Setup > Add Marker... (M).
    void AddMarker_Click();
    // File > Overlay...: a saved recording under the line, for comparing; File > Remove Overlay.
    void Overlay_Click();
    void RemoveOverlay_Click();
    // Setup > Cursor Read-out (C): the cursor over the graphs, a click pins it.
    void CursorReadout_Click(bool on);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class SaveOutcome { Saved, Cancelled, Failed };
    // What a reading of meter `index` changes: its button, its alarms, its strip, and the
    // panels when it is the meter shown.
    void ShowMeterReading(int index, const TimedReading &reading, const ReadingOutcome &outcome);
    // Puts the selected meter's reading on the READING panel, its sample count and statistics
    // on the status bar and the CALCULATION panel (paced by readouts_ while readings come).
    void ShowReadouts();
    void MeterSilent(int index);
    // Builds meters 2 and on from the list in the settings.
    void SetUpMeters();
    void RebuildMeters();
    void ShareScrollBar();
    MSComm &LinkOf(int index);
    TrendGraphView *StripOf(int index);
    // The selected meter's limits changed, or were edited and left.
    void AlarmsChanged(bool save);
    // Each meter's graph and statistics reset (the main window's reset).
    void ResetOtherMeters();
    SaveOutcome SaveAsOutcome();
    // Asks the save question when samples are unsaved. False when the user cancelled or chose
    // to save and the save failed: the command is abandoned and the samples kept.
    bool OfferToSave(const QString &question, bool withCancel, bool &cancelled);
    // Close without the paint; false when abandoned.
    bool CloseFile();
    QString DialogFolder(bool sampleFolderDefault) const;
    void RememberFolder(const QString &path);
    QString ChooseFile(bool save, const QString &start);
    // The file for Export CSV and its form (which the dialog's file type may change).
    QString ChooseCsvFile(const QString &suggested, CsvForm &form);
    SaveOutcome SaveThroughDialog(const QString &start);
    void ShowWarning(const QString &text);
    // "... could not be read completely" when a load stopped early.
    void WarnIfIncomplete(const QString &path, const SampleFileReadResult &result);
    void ScaleFromLastSample(MeterRecording &meter);
    // The current file, in the caption too.
    void SetCurrentFile(const QString &path);
    void BuildWindow();
    void BuildMenu();
    QWidget *BuildControlFrame();
    void ConnectSession();
    // Shows sample n, just recorded, in the statistics and the graph.
    void ShowRecorded(qint32 n);
    // Recording runs while START is down and no file is loading.
    void UpdateRecording();
    void UpdateStatusBar();
    void SetRecordingColours();
    void SetUpJournal();
    // The meter a journal's samples are of (0 for meter 1), by the name kept beside it.
    int JournalMeter(const QString &name) const;
    QString RecoveryText(const std::vector<std::pair<int, RecordingJournal::Orphan>> &group) const;
    void RecoverJournal(int meter, RecordingJournal::Orphan &orphan);
    void SetAsideJournal(RecordingJournal::Orphan &orphan);
    void ShowJournalStatus();
    void RestoreLoadedReadouts(const SampleFileReadResult &result, MeterRecording &meter);
    // Meter k's file beside the one opened ("<file>-<name>.mas"), for each further meter.
    void ReadOtherMeters(const QString &path);
    // What Open shows of a log just filled: the read-outs of its last flagged records, the scale
    // of its last sample's range (with "Meter Range"), the whole log in the graph.
    void ShowLoadedLog(const SampleFileReadResult &result, int meter = 0);
    void SetUpPublishing();
    // The graph's commands in the menus and the keys that zoom back; each strip's zoom and
    // return to the newest samples shared with the others.
    void BuildGraphCommands(QMenu *file, QMenu *setup);
    void ConnectStrip(TrendGraphView *strip);
    // Starts, restarts or stops publishing for the settings and the port's device.
    void RestartPublishing();
    void ShowPublishStatus();

    MeterSession *session_ = nullptr;
    std::unique_ptr<StatusLine> status_;
    ReadoutPacer *readouts_ = nullptr;
    MeterSet *meters_ = nullptr;
    MeterSelector *selector_ = nullptr;
    QBoxLayout *strips_ = nullptr;
    std::vector<MeterSetup> meterList_;
    int selected_ = 0;
    // Meter 1's alarm limits while another meter's show in the panel.
    AlarmSettings firstAlarms_;
    // The graph's colours and line width ("Bcolor", "Fcolor", "Bwidth").
    qint32 back_ = 0;
    qint32 fore_ = 0;
    int lineWidth_ = 2;
    // Panels being switched to another meter: their change handlers write nothing.
    bool switching_ = false;
    // Each meter's last reading and what the rules made of it, to show it when selected.
    std::vector<std::optional<std::pair<TimedReading, ReadingOutcome>>> lastReadings_;
    // The selected meter's newest frame while it waits for the READING panel (reset when the
    // panel is given something newer: "O L", another meter, a fresh start).
    std::optional<MeterReading> waitingFrame_;
    RecordingJournal *journal_ = nullptr;
    std::unique_ptr<ReadingSink> journalOutput_;
    QLabel *journalText_ = nullptr;
    QAction *removeOverlay_ = nullptr;
    QAction *cursorReadout_ = nullptr;
    PublishLink *publish_ = nullptr;
    std::unique_ptr<ReadingSink> publishOutput_;
    QLabel *publishText_ = nullptr;
    PublishSettings publishSettings_;
    // The device publishing was last started for, once it has been.
    std::optional<QString> publishDevice_;
    ScallFrm *scallFrm_ = nullptr;
    QPointer<AutoManFrm> autoManFrm_;
    bool receiving_ = false;
    bool loading_ = false;
    // The current file was loaded only in part: a plain Save must not overwrite it unasked.
    bool damagedFile_ = false;
    bool quitting_ = false;
};

} // namespace kst
