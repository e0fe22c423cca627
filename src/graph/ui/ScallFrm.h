#pragma once

#include "graph/ScaleChoice.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kst {

class FieldLeaveCheck;
class Module1;
class MeterRecording;

// The scale window: Y range from the meter or typed limits, X span, and "stop recording on an
// over-range reading". Created once and only ever hidden (OK, Cancel and the close box), so its
// controls keep their values between openings. One window serves the main window's graph and the
// graph print window: whoever opens it says which scale OK writes. The Y-axis choice and the
// over-range box act on the meter's recording at once.
class ScallFrm : public QDialog {
    Q_OBJECT
public:
    explicit ScallFrm(Module1 &module, QWidget *parent = nullptr);

    // The graph follows the meter's range while this is true; it takes effect as soon as the
    // option is clicked, whether the window is then confirmed or not.
    bool MeterRangeSelected() const;

    // Shows the window modally, its OK writing `target` (until it is hidden: then the main
    // window's graph again). True when OK wrote it.
    bool Edit(const ScaleTarget &target);
    // The meter whose graph OK writes (unless another target is set) and whose recording the
    // Y-axis choice and the over-range box act on: meter 1 unless set. Its choices show.
    void SetMeter(MeterRecording &meter);
    // Where OK writes; the meter's graph unless set.
    void SetTarget(const ScaleTarget &target) { target_ = target; }

    // The controls' contents, and setting them (with the options' handlers run).
    ScaleTexts Texts() const;
    void SetTexts(const ScaleTexts &texts);

signals:
    // OK wrote the scale to its target.
    void ScaleApplied();
    // The window was hidden by OK, Cancel or the close box.
    void Closed();

public slots:
    void Form_Load();
    void MeterOption_Click();
    void ManOption_Click();
    void TopYText_GotFocus();
    void TopYText_LostFocus();
    void LowYText_GotFocus();
    void LowYText_LostFocus();
    void Interval_GotFocus();
    void Interval_LostFocus();
    void CheckOL_Click();
    void OkCommand_Click();
    void CancelCommand_Click();

    // Escape behaves like Cancel.
    void reject() override;

protected:
    // The close box only hides the window.
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *BuildYAxis();
    QWidget *BuildXAxis();
    void LeaveField(ScaleChoice::Field field);
    QLineEdit *Box(ScaleChoice::Field field) const;
    void SetLimitsEnabled(bool enabled);
    void HideWindow();

    ScaleTarget MainGraph() const;

    Module1 &module_;
    MeterRecording *meter_;
    ScaleTarget target_;
    bool applied_ = false;
    FieldLeaveCheck *leave_;
    QRadioButton *meterOption_;
    QRadioButton *manOption_;
    QLineEdit *topYText_;
    QLineEdit *lowYText_;
    QLineEdit *interval_;
    QCheckBox *checkOL_;
    QPushButton *okCommand_;
    QPushButton *cancelCommand_;
};

} // namespace kst
