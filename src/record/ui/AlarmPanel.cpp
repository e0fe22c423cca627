#include "record/ui/AlarmPanel.h"

#include "common/Numbers.h"
#include "common/ui/FieldLeaveCheck.h"
#include "common/ui/Module1.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QSoundEffect>
#include <QUrl>

namespace kst {

namespace {

void SetTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->foregroundRole(), colour);
    widget->setPalette(palette);
}

} // namespace

AlarmPanel::AlarmPanel(const Module1 &module, QWidget *parent)
    : QGroupBox(QStringLiteral("ALARM  VALUE"), parent),
      soundPath_(module.ProgramFolder + QStringLiteral("/ding.wav"))
{
    setObjectName(QStringLiteral("AlarmFrm"));
    auto *grid = new QGridLayout(this);
    high_ = new QCheckBox(QStringLiteral("HI"), this);
    high_->setObjectName(QStringLiteral("AlarmH"));
    highText_ = new QLineEdit(QStringLiteral("+400"), this);
    highText_->setObjectName(QStringLiteral("AlarmHText"));
    low_ = new QCheckBox(QStringLiteral("LO"), this);
    low_->setObjectName(QStringLiteral("AlarmL"));
    lowText_ = new QLineEdit(QStringLiteral("-400"), this);
    lowText_->setObjectName(QStringLiteral("AlarmLText"));
    grid->addWidget(high_, 0, 0);
    grid->addWidget(highText_, 0, 1);
    grid->addWidget(low_, 1, 0);
    grid->addWidget(lowText_, 1, 1);
    SetTextColour(high_, DesignColour);
    SetTextColour(low_, DesignColour);

    connect(high_, &QCheckBox::toggled, this, &AlarmPanel::AlarmH_Click);
    connect(low_, &QCheckBox::toggled, this, &AlarmPanel::AlarmL_Click);
    for (QLineEdit *text : {highText_, lowText_})
        connect(text, &QLineEdit::textChanged, this, &AlarmPanel::LimitsChanged);
    for (QCheckBox *box : {high_, low_}) {
        connect(box, &QCheckBox::toggled, this, &AlarmPanel::SettingsChanged);
        connect(box, &QCheckBox::toggled, this, &AlarmPanel::LimitsChanged);
    }
    for (QLineEdit *text : {highText_, lowText_})
        connect(text, &QLineEdit::editingFinished, this, &AlarmPanel::SettingsChanged);
    leave_ = new FieldLeaveCheck(module, this);
    leave_->Watch(
        highText_, [this] { AlarmHText_GotFocus(); }, [this] { AlarmHText_LostFocus(); });
    leave_->Watch(
        lowText_, [this] { AlarmLText_GotFocus(); }, [this] { AlarmLText_LostFocus(); });
}

void AlarmPanel::CheckHighAlarm(float value)
{
    Show(high_, highText_, CheckAlarm(Limits().High, value, true));
}

void AlarmPanel::CheckLowAlarm(float value)
{
    Show(low_, lowText_, CheckAlarm(Limits().Low, value, false));
}

void AlarmPanel::ShowVerdict(const AlarmVerdict &verdict)
{
    Show(high_, highText_, verdict.High);
    Show(low_, lowText_, verdict.Low);
}

void AlarmPanel::Show(QCheckBox *box, QLineEdit *text, AlarmCheck check)
{
    if (check == AlarmCheck::Untested)
        return;
    const bool crossed = check == AlarmCheck::Crossed;
    SetTextColour(box, crossed ? AlarmColour : NormalColour);
    SetTextColour(text, crossed ? AlarmColour : NormalColour);
    if (crossed)
        StartSound();
}

void AlarmPanel::SetSoundPlayer(std::function<void()> play)
{
    play_ = std::move(play);
}

void AlarmPanel::StartSound()
{
    ++soundStarts_;
    if (play_) {
        play_();
        return;
    }
    // Started and not waited for; a missing file stays silent, as does a missing sound device.
    if (!QFileInfo::exists(soundPath_))
        return;
    if (!effect_) {
        effect_ = new QSoundEffect(this);
        effect_->setSource(QUrl::fromLocalFile(soundPath_));
    }
    effect_->stop();
    effect_->play();
}

void AlarmPanel::AlarmH_Click()
{
    if (!high_->isChecked()) {
        SetTextColour(high_, NormalColour);
        SetTextColour(highText_, NormalColour);
    }
}

void AlarmPanel::AlarmL_Click()
{
    if (!low_->isChecked()) {
        SetTextColour(low_, NormalColour);
        SetTextColour(lowText_, NormalColour);
    }
}

void AlarmPanel::AlarmHText_GotFocus()
{
    highText_->selectAll();
}

void AlarmPanel::AlarmLText_GotFocus()
{
    lowText_->selectAll();
}

void AlarmPanel::AlarmHText_LostFocus()
{
    InsistOnNumber(highText_);
}

void AlarmPanel::AlarmLText_LostFocus()
{
    InsistOnNumber(lowText_);
}

void AlarmPanel::InsistOnNumber(QLineEdit *text)
{
    if (!IsNumeric(text->text()))
        leave_->Refuse(text, QStringLiteral("Data Error!Input again"));
}

AlarmSettings AlarmPanel::Settings() const
{
    return {high_->isChecked(), highText_->text(), low_->isChecked(), lowText_->text()};
}

void AlarmPanel::SetSettings(const AlarmSettings &settings)
{
    highText_->setText(settings.highText);
    lowText_->setText(settings.lowText);
    high_->setChecked(settings.high);
    low_->setChecked(settings.low);
}

} // namespace kst
