#include "record/AlarmPanel.h"

#include "common/Numbers.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
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

AlarmPanel::AlarmPanel(const QString &programFolder, QWidget *parent)
    : QGroupBox(QStringLiteral("ALARM  VALUE"), parent),
      soundPath_(programFolder + QStringLiteral("/ding.wav"))
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
    highText_->installEventFilter(this);
    lowText_->installEventFilter(this);
}

void AlarmPanel::CheckHighAlarm(float value)
{
    Check(high_, highText_, value, true);
}

void AlarmPanel::CheckLowAlarm(float value)
{
    Check(low_, lowText_, value, false);
}

void AlarmPanel::Check(QCheckBox *box, QLineEdit *text, float value, bool high)
{
    const std::optional<double> number = ParseNumber(text->text());
    if (!number || !box->isChecked())
        return;
    const float limit = float(*number);
    const bool crossed = high ? value > limit : value < limit;
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
    // While the warning is up, or focus is being put back, the focus changes this causes (to the
    // message box, back to this box, away from the other box) must not raise a second warning.
    if (warning_ || IsNumeric(text->text()))
        return;
    warning_ = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"),
                    QStringLiteral("Data Error!Input again"), QMessageBox::Ok, window());
    box.exec();
    if (QWidget *top = window(); top->isVisible())
        top->activateWindow();
    text->setFocus(Qt::OtherFocusReason);
    warning_ = false;
}

bool AlarmPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == highText_ || watched == lowText_) {
        const bool isHigh = watched == highText_;
        if (event->type() == QEvent::FocusIn) {
            if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
                if (isHigh)
                    AlarmHText_GotFocus();
                else
                    AlarmLText_GotFocus();
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Switching windows or opening a menu does not leave the box.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                if (isHigh)
                    AlarmHText_LostFocus();
                else
                    AlarmLText_LostFocus();
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace kst
