#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kst {

class Module1;

// The scale window: Y range from the meter or typed limits, X span, and "stop recording on an
// over-range reading". Created once and only ever hidden (OK, Cancel and the close box), so its
// controls keep their values between openings. One window serves the main window and the graph
// print window; Module1::ScaleFromMainWindow says whose values OK writes.
class ScallFrm : public QDialog {
    Q_OBJECT
public:
    explicit ScallFrm(Module1 &module, QWidget *parent = nullptr);

    // The receive handler scales the graph from the meter's range while this is true; it takes
    // effect as soon as the option is clicked, whether the window is then confirmed or not.
    bool MeterRangeSelected() const;

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
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The close box only hides the window.
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Check { Passed, Failed, Silent };

    Check CheckLimitBox(QLineEdit *box, QLineEdit *other);
    Check CheckInterval();
    void Refuse(QLineEdit *box, const QString &message);
    void SetLimitsEnabled(bool enabled);
    void RunPendingLeave();

    Module1 &module_;

    QGroupBox *yFrame_;
    QRadioButton *meterOption_;
    QRadioButton *manOption_;
    QLineEdit *topYText_;
    QLineEdit *lowYText_;
    QLabel *label1_;
    QGroupBox *xFrame_;
    QLineEdit *interval_;
    QCheckBox *checkOL_;
    QPushButton *okCommand_;
    QPushButton *cancelCommand_;

    // The field whose leave check waits to run: the check runs once the focus change that left
    // the field is complete, never inside it.
    QPointer<QLineEdit> pendingLeave_;
    // True while a warning is up or the focus is being put back: focus changes caused by either
    // are not the user leaving a field, so two bad fields cannot bounce the focus between them.
    bool checking_ = false;
};

} // namespace kst
