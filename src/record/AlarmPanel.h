#pragma once

#include <QColor>
#include <QGroupBox>
#include <functional>

class QCheckBox;
class QLineEdit;
class QSoundEffect;

namespace kst {

// The main window's "ALARM  VALUE" frame (AlarmFrm): a high and a low limit, each a check box
// (AlarmH "HI", AlarmL "LO") and a text box (AlarmHText "+400", AlarmLText "-400"). The frame
// decoder tests every unheld frame with CheckHighAlarm and then CheckLowAlarm. A crossed limit
// turns its box and text red and starts "ding.wav" from the program folder without waiting; every
// crossing frame starts it again. The limits live only in the text boxes and are read at each
// test; a text that is not a number switches its limit off silently.
class AlarmPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit AlarmPanel(const QString &programFolder, QWidget *parent = nullptr);

    static constexpr QColor DesignColour{0, 0, 192}; // the boxes' dark blue at start
    static constexpr QColor AlarmColour{255, 0, 0};
    static constexpr QColor NormalColour{0, 0, 0};

    void CheckHighAlarm(float value);
    void CheckLowAlarm(float value);

    // Replaces how the alarm sound is started (by default a QSoundEffect on "ding.wav"; a missing
    // file or sound device stays silent).
    void SetSoundPlayer(std::function<void()> play);
    // How many times a crossing frame started the sound.
    int SoundStarts() const { return soundStarts_; }
    // The path of the alarm sound.
    QString SoundPath() const { return soundPath_; }

public slots:
    void AlarmH_Click();
    void AlarmL_Click();
    void AlarmHText_GotFocus();
    void AlarmLText_GotFocus();
    void AlarmHText_LostFocus();
    void AlarmLText_LostFocus();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Check(QCheckBox *box, QLineEdit *text, float value, bool high);
    void InsistOnNumber(QLineEdit *text);
    void StartSound();

    QCheckBox *high_;
    QCheckBox *low_;
    QLineEdit *highText_;
    QLineEdit *lowText_;
    QString soundPath_;
    std::function<void()> play_;
    QSoundEffect *effect_ = nullptr;
    int soundStarts_ = 0;
    bool warning_ = false; // the "Data Error" box is up or focus is being put back
};

} // namespace kst
