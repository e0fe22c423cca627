#pragma once

#include "record/AlarmSettings.h"

#include <QColor>
#include <QGroupBox>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QSoundEffect;

namespace kst {

class FieldLeaveCheck;
class Module1;

// The main window's "ALARM  VALUE" frame (AlarmFrm): a high and a low limit, each a check box
// (AlarmH "HI", AlarmL "LO") and a text box (AlarmHText "+400", AlarmLText "-400"). The frame
// decoder tests every unheld frame with CheckHighAlarm and then CheckLowAlarm. A crossed limit
// turns its box and text red and starts "ding.wav" from the program folder without waiting; every
// crossing frame starts it again. A limit text is read as a number whenever it is edited; a text
// that is not a number switches its limit off silently.
class AlarmPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit AlarmPanel(const Module1 &module, QWidget *parent = nullptr);

    static constexpr QColor DesignColour{0, 0, 192}; // the boxes' dark blue at start
    static constexpr QColor AlarmColour{255, 0, 0};
    static constexpr QColor NormalColour{0, 0, 0};

    void CheckHighAlarm(float value);
    void CheckLowAlarm(float value);
    // Shows what testing a reading gave: each tested limit black or red, and the sound started
    // for each crossed one.
    void ShowVerdict(const AlarmVerdict &verdict);
    // The limits the boxes and texts stand for now.
    AlarmLimits Limits() const { return LimitsOf(Settings()); }

    AlarmSettings Settings() const;
    // Sets boxes and texts (the boxes' handlers run).
    void SetSettings(const AlarmSettings &settings);

    // Starts the alarm sound without touching the colours: a limit crossed by a meter the panel
    // does not show.
    void Ring() { StartSound(); }

    // Replaces how the alarm sound is started (by default a QSoundEffect on "ding.wav"; a missing
    // file or sound device stays silent).
    void SetSoundPlayer(std::function<void()> play);
    // How many times a crossing frame started the sound.
    int SoundStarts() const { return soundStarts_; }
    QString SoundPath() const { return soundPath_; }

signals:
    // A box was ticked or unticked, or a limit text was edited and left.
    void SettingsChanged();
    // The limits changed: a box or a limit text (at every keystroke).
    void LimitsChanged();

public slots:
    void AlarmH_Click();
    void AlarmL_Click();
    void AlarmHText_GotFocus();
    void AlarmLText_GotFocus();
    void AlarmHText_LostFocus();
    void AlarmLText_LostFocus();

private:
    void Show(QCheckBox *box, QLineEdit *text, AlarmCheck check);
    void InsistOnNumber(QLineEdit *text);
    void StartSound();

    QCheckBox *high_;
    QCheckBox *low_;
    QLineEdit *highText_;
    QLineEdit *lowText_;
    FieldLeaveCheck *leave_;
    QString soundPath_;
    std::function<void()> play_;
    QSoundEffect *effect_ = nullptr;
    int soundStarts_ = 0;
};

} // namespace kst
