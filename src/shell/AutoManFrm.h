#pragma once

#include "record/Schedule.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace kst {

class Module1;

// The recording schedule ("XR4410"): five start and end date/time entries, compared as plain text
// with the clock every half second while the main window's AUTO box is ticked. A match selects
// START or STOP on the main window the way a user's click does, whether this window is shown or
// hidden. OK hides the window and leaves the schedule running; Cancel and the close box untick
// AUTO, whose handler on the main window stops the timer and discards this window.
class AutoManFrm : public QDialog {
    Q_OBJECT
public:
    AutoManFrm(Module1 &module, QRadioButton *startCom, QRadioButton *stopCom, QCheckBox *autoCom,
               QWidget *parent = nullptr);

    // The half-second schedule timer (objectName "Timer1"); the main window starts and stops it.
    QTimer *Timer1() const { return timer1_; }

    // The entries as typed.
    Schedule::Slots Entries() const;

    // What the main window's AUTO box does when it changes, for a main window that keeps its
    // schedule window in `window`. Ticked: caption "MAN", create the window if needed, start its
    // timer and show it modally (returns when it is hidden or closed). Unticked: caption "AUTO",
    // stop the timer and discard the window with its entries (deleteLater, so this is safe from
    // inside the window's own Cancel).
    static void SwitchSchedule(QPointer<AutoManFrm> &window, Module1 &module,
                               QRadioButton *startCom, QRadioButton *stopCom, QCheckBox *autoCom,
                               QWidget *parent);

public slots:
    void Timer1_Timer();
    void AutoManFrmOk_Click();
    void AutoManFrmCancel_Click();
    void Form_Unload();

    // Escape behaves like Cancel.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void SwitchOff();

    Module1 &module_;
    QRadioButton *startCom_;
    QRadioButton *stopCom_;
    QCheckBox *autoCom_;

    struct Row {
        QLineEdit *StartDate;
        QLineEdit *StartTime;
        QLineEdit *EndDate;
        QLineEdit *EndTime;
    };
    std::array<Row, Schedule::SlotCount> rows_{};
    QLabel *dateLabel_;
    QLabel *timeLabel_;
    QTimer *timer1_;
    QPushButton *okButton_;
    QPushButton *cancelButton_;
};

} // namespace kst
