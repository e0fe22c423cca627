#include "graph/ui/ScallFrm.h"

#include "common/ui/FieldLeaveCheck.h"
#include "common/ui/Module1.h"
#include "common/ui/Named.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kst {

ScallFrm::ScallFrm(Module1 &module, QWidget *parent)
    : QDialog(parent), module_(module), meter_(&module.Meter1), target_(MainGraph())
{
    setObjectName(QStringLiteral("ScallFrm"));
    setWindowTitle(QStringLiteral("Scall"));
    setModal(true);

    QWidget *yFrame = BuildYAxis();
    QWidget *xFrame = BuildXAxis();
    okCommand_ = new QPushButton(QStringLiteral("OK"), this);
    okCommand_->setObjectName(QStringLiteral("OkCommand"));
    cancelCommand_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelCommand_->setObjectName(QStringLiteral("CancelCommand"));
    // Clicking a button does not take the focus from a field: OK checks every field itself, and
    // Cancel must close the window even while a field holds a bad text.
    okCommand_->setFocusPolicy(Qt::TabFocus);
    cancelCommand_->setFocusPolicy(Qt::TabFocus);
    okCommand_->setAutoDefault(false);
    cancelCommand_->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okCommand_);
    buttons->addWidget(cancelCommand_);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(yFrame);
    layout->addWidget(xFrame);
    layout->addLayout(buttons);

    leave_ = new FieldLeaveCheck(module_, this);
    leave_->Watch(
        topYText_, [this] { TopYText_GotFocus(); }, [this] { TopYText_LostFocus(); });
    leave_->Watch(
        lowYText_, [this] { LowYText_GotFocus(); }, [this] { LowYText_LostFocus(); });
    leave_->Watch(
        interval_, [this] { Interval_GotFocus(); }, [this] { Interval_LostFocus(); });

    connect(meterOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            MeterOption_Click();
    });
    connect(manOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ManOption_Click();
    });
    connect(checkOL_, &QCheckBox::toggled, this, &ScallFrm::CheckOL_Click);
    connect(okCommand_, &QPushButton::clicked, this, &ScallFrm::OkCommand_Click);
    connect(cancelCommand_, &QPushButton::clicked, this, &ScallFrm::CancelCommand_Click);

    Form_Load();
}

QWidget *ScallFrm::BuildYAxis()
{
    auto *yFrame = new QGroupBox(QStringLiteral("Y-axis"), this);
    yFrame->setObjectName(QStringLiteral("Frame1"));
    meterOption_ = new QRadioButton(QStringLiteral("Meter Range"), yFrame);
    meterOption_->setObjectName(QStringLiteral("MeterOption"));
    meterOption_->setChecked(true);
    manOption_ = new QRadioButton(QStringLiteral("Man Range"), yFrame);
    manOption_->setObjectName(QStringLiteral("ManOption"));
    topYText_ = Named(new QLineEdit(QStringLiteral("+400"), yFrame), "TopYText");
    lowYText_ = Named(new QLineEdit(QStringLiteral("-400"), yFrame), "LowYText");
    auto *topLabel = new QLabel(QStringLiteral("High Limit:"), yFrame);
    topLabel->setObjectName(QStringLiteral("Label2"));
    topLabel->setBuddy(topYText_);
    auto *lowLabel = new QLabel(QStringLiteral("Low Limit:"), yFrame);
    lowLabel->setObjectName(QStringLiteral("Label3"));
    lowLabel->setBuddy(lowYText_);
    auto *label1 = new QLabel(QStringLiteral("Note:\nHigh Limit > Low Limit"), yFrame);
    label1->setObjectName(QStringLiteral("Label1"));

    auto *yLayout = new QGridLayout(yFrame);
    yLayout->addWidget(meterOption_, 0, 0, 1, 2);
    yLayout->addWidget(manOption_, 1, 0, 1, 2);
    yLayout->addWidget(topLabel, 2, 0);
    yLayout->addWidget(topYText_, 2, 1);
    yLayout->addWidget(lowLabel, 3, 0);
    yLayout->addWidget(lowYText_, 3, 1);
    yLayout->addWidget(label1, 4, 0, 1, 2);

    return yFrame;
}

QWidget *ScallFrm::BuildXAxis()
{
    auto *xFrame = new QGroupBox(QStringLiteral("X-axis"), this);
    xFrame->setObjectName(QStringLiteral("Frame2"));
    interval_ = Named(new QLineEdit(QStringLiteral("100"), xFrame), "Interval");
    auto *intervalLabel = new QLabel(QStringLiteral("Second:"), xFrame);
    intervalLabel->setObjectName(QStringLiteral("Label4"));
    intervalLabel->setBuddy(interval_);
    checkOL_ = new QCheckBox(QStringLiteral("Stop Record if OL Input"), xFrame);
    checkOL_->setObjectName(QStringLiteral("CheckOL"));

    auto *xLayout = new QGridLayout(xFrame);
    xLayout->addWidget(intervalLabel, 0, 0);
    xLayout->addWidget(interval_, 0, 1);
    xLayout->addWidget(checkOL_, 1, 0, 1, 2);

    return xFrame;
}

bool ScallFrm::MeterRangeSelected() const
{
    return meterOption_->isChecked();
}

ScaleTarget ScallFrm::MainGraph() const
{
    return {&meter_->Scale.TopY, &meter_->Scale.LowY, &meter_->Scale.XSpan};
}

void ScallFrm::SetMeter(MeterRecording &meter)
{
    meter_ = &meter;
    target_ = MainGraph();
    const QSignalBlocker blockMeter(meterOption_), blockMan(manOption_), blockOl(checkOL_);
    (meter.FollowMeterRange ? meterOption_ : manOption_)->setChecked(true);
    checkOL_->setChecked(meter.StopOnOverload);
    SetLimitsEnabled(!meter.FollowMeterRange);
}

bool ScallFrm::Edit(const ScaleTarget &target)
{
    target_ = target;
    applied_ = false;
    exec();
    target_ = MainGraph();
    return applied_;
}

void ScallFrm::Form_Load()
{
    meter_->FollowMeterRange = meterOption_->isChecked();
    SetLimitsEnabled(!meterOption_->isChecked());
}

void ScallFrm::MeterOption_Click()
{
    meter_->FollowMeterRange = meterOption_->isChecked();
    SetLimitsEnabled(!meterOption_->isChecked());
}

void ScallFrm::ManOption_Click()
{
    meter_->FollowMeterRange = false;
    SetLimitsEnabled(true);
}

void ScallFrm::SetLimitsEnabled(bool enabled)
{
    topYText_->setEnabled(enabled);
    lowYText_->setEnabled(enabled);
}

// Entering a field selects its whole text, so typing replaces it.
void ScallFrm::TopYText_GotFocus()
{
    topYText_->selectAll();
}

void ScallFrm::LowYText_GotFocus()
{
    lowYText_->selectAll();
}

void ScallFrm::Interval_GotFocus()
{
    interval_->selectAll();
}

void ScallFrm::TopYText_LostFocus()
{
    LeaveField(ScaleChoice::Field::TopY);
}

void ScallFrm::LowYText_LostFocus()
{
    LeaveField(ScaleChoice::Field::LowY);
}

void ScallFrm::Interval_LostFocus()
{
    LeaveField(ScaleChoice::Field::Interval);
}

QLineEdit *ScallFrm::Box(ScaleChoice::Field field) const
{
    return field == ScaleChoice::Field::TopY   ? topYText_
           : field == ScaleChoice::Field::LowY ? lowYText_
                                               : interval_;
}

void ScallFrm::LeaveField(ScaleChoice::Field field)
{
    const QString warning =
        ScaleFieldWarning(field, topYText_->text(), lowYText_->text(), interval_->text());
    if (!warning.isEmpty())
        leave_->Refuse(Box(field), warning);
}

void ScallFrm::CheckOL_Click()
{
    meter_->StopOnOverload = checkOL_->isChecked();
}

void ScallFrm::OkCommand_Click()
{
    if (leave_->Busy())
        return;
    // OK checks every field itself; a leave check still waiting would only repeat a message.
    leave_->Forget();
    const bool manual = manOption_->isChecked();
    const ScaleChoice choice =
        ChooseScale(manual, topYText_->text(), lowYText_->text(), interval_->text());
    if (choice.refused != ScaleChoice::Field::None) {
        leave_->Refuse(Box(choice.refused), choice.message);
        return;
    }
    if (manual) {
        *target_.TopY = choice.topY;
        *target_.LowY = choice.lowY;
    }
    *target_.XSpan = choice.span;
    applied_ = true;
    HideWindow();
    emit ScaleApplied();
}

void ScallFrm::CancelCommand_Click()
{
    HideWindow();
}

void ScallFrm::HideWindow()
{
    leave_->Forget();
    hide();
    emit Closed();
}

void ScallFrm::reject()
{
    CancelCommand_Click();
}

void ScallFrm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    CancelCommand_Click();
}

ScaleTexts ScallFrm::Texts() const
{
    return {meterOption_->isChecked(), topYText_->text(), lowYText_->text(), interval_->text(),
            checkOL_->isChecked()};
}

void ScallFrm::SetTexts(const ScaleTexts &texts)
{
    (texts.meterRange ? meterOption_ : manOption_)->setChecked(true);
    topYText_->setText(texts.top);
    lowYText_->setText(texts.low);
    interval_->setText(texts.interval);
    checkOL_->setChecked(texts.stopOnOverload);
    CheckOL_Click();
}

} // namespace kst
