#include "shell/AutoManFrm.h"

#include "common/DateTimeText.h"
#include "common/ui/Module1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kst {

namespace {

const QString ColumnHeading = QStringLiteral("  Date   --   Time");

QLineEdit *MakeEntry(const QString &name, QWidget *parent)
{
    auto *entry = new QLineEdit(parent);
    entry->setObjectName(name);
    return entry;
}

} // namespace

AutoManFrm::AutoManFrm(Module1 &module, QRadioButton *startCom, QRadioButton *stopCom,
                       QCheckBox *autoCom, QWidget *parent)
    : QDialog(parent), module_(module), startCom_(startCom), stopCom_(stopCom), autoCom_(autoCom)
{
    setObjectName(QStringLiteral("AutoManFrm"));
    setWindowTitle(QStringLiteral("XR4410"));
    setModal(true);

    auto *frame2 = new QGroupBox(QStringLiteral("Start"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto *frame3 = new QGroupBox(QStringLiteral("End"), this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    auto *startGrid = new QGridLayout(frame2);
    auto *endGrid = new QGridLayout(frame3);
    startGrid->addWidget(new QLabel(ColumnHeading, frame2), 0, 1, 1, 2);
    endGrid->addWidget(new QLabel(ColumnHeading, frame3), 0, 0, 1, 2);

    static const char *const rowLabelNames[Schedule::SlotCount] = {"Label4", "Label6", "Label7",
                                                                   "Label8", "Label9"};
    for (int slot = 1; slot <= Schedule::SlotCount; ++slot) {
        auto *number = new QLabel(QString::number(slot), frame2);
        number->setObjectName(QLatin1String(rowLabelNames[slot - 1]));
        Row &row = rows_[slot - 1];
        row.StartDate = MakeEntry(QStringLiteral("StartDate%1").arg(slot), frame2);
        row.StartTime = MakeEntry(QStringLiteral("StartTime%1").arg(slot), frame2);
        row.EndDate = MakeEntry(QStringLiteral("EndDate%1").arg(slot), frame3);
        row.EndTime = MakeEntry(QStringLiteral("EndTime%1").arg(slot), frame3);
        startGrid->addWidget(number, slot, 0);
        startGrid->addWidget(row.StartDate, slot, 1);
        startGrid->addWidget(row.StartTime, slot, 2);
        endGrid->addWidget(row.EndDate, slot, 0);
        endGrid->addWidget(row.EndTime, slot, 1);
    }

    auto *note = new QLabel(QStringLiteral("Note: Must be like this Date/Time Format"), this);
    note->setObjectName(QStringLiteral("Label5"));
    // The clock labels double as the example of the format an entry must have.
    dateLabel_ = new QLabel(QStringLiteral("01-08-1999"), this);
    dateLabel_->setObjectName(QStringLiteral("AutoManFrmDate"));
    timeLabel_ = new QLabel(QStringLiteral("09:09:09"), this);
    timeLabel_->setObjectName(QStringLiteral("AutoManFrmTime"));

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(500);
    connect(timer1_, &QTimer::timeout, this, &AutoManFrm::Timer1_Timer);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("AutoManFrmOk"));
    okButton_->setAutoDefault(false);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("AutoManFrmCancel"));
    cancelButton_->setAutoDefault(false);
    connect(okButton_, &QPushButton::clicked, this, &AutoManFrm::AutoManFrmOk_Click);
    connect(cancelButton_, &QPushButton::clicked, this, &AutoManFrm::AutoManFrmCancel_Click);

    auto *frames = new QHBoxLayout;
    frames->addWidget(frame2);
    frames->addWidget(frame3);
    auto *clock = new QHBoxLayout;
    clock->addWidget(note);
    clock->addStretch();
    clock->addWidget(dateLabel_);
    clock->addWidget(timeLabel_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(clock);
    layout->addLayout(buttons);
}

Schedule::Slots AutoManFrm::Entries() const
{
    Schedule::Slots entries;
    for (int i = 0; i < Schedule::SlotCount; ++i) {
        entries[i] = {rows_[i].StartDate->text(), rows_[i].StartTime->text(),
                      rows_[i].EndDate->text(), rows_[i].EndTime->text()};
    }
    return entries;
}

void AutoManFrm::Timer1_Timer()
{
    const QDateTime now = module_.Now();
    dateLabel_->setText(DateText(now.date()));
    timeLabel_->setText(ClockText(now.time()));
    if (!autoCom_ || !autoCom_->isChecked())
        return;

    // The same selections a user's clicks make; the main window's handlers run from the
    // buttons' own notifications. Between two option buttons of one frame "deselecting" the
    // selected one is a no-op: selecting the other does it.
    for (Schedule::Action action :
         Schedule::Actions(Entries(), dateLabel_->text(), timeLabel_->text())) {
        if (action == Schedule::Action::Start) {
            startCom_->setChecked(true);
            stopCom_->setChecked(false);
        } else {
            startCom_->setChecked(false);
            stopCom_->setChecked(true);
        }
    }
}

void AutoManFrm::SwitchSchedule(QPointer<AutoManFrm> &window, Module1 &module,
                                QRadioButton *startCom, QRadioButton *stopCom, QCheckBox *autoCom,
                                QWidget *parent)
{
    if (autoCom->isChecked()) {
        autoCom->setText(QStringLiteral("MAN"));
        if (!window)
            window = new AutoManFrm(module, startCom, stopCom, autoCom, parent);
        window->Timer1()->start();
        window->exec();
    } else {
        autoCom->setText(QStringLiteral("AUTO"));
        if (window) {
            window->Timer1()->stop();
            window->hide();
            window->deleteLater();
            window = nullptr;
        }
    }
}

void AutoManFrm::AutoManFrmOk_Click()
{
    accept();
}

void AutoManFrm::SwitchOff()
{
    // Unticking AUTO runs the main window's handler, which stops the timer and discards this
    // window (later, never from inside this handler).
    timer1_->stop();
    if (autoCom_ && autoCom_->isChecked())
        autoCom_->setChecked(false);
}

void AutoManFrm::AutoManFrmCancel_Click()
{
    SwitchOff();
    QDialog::reject();
}

void AutoManFrm::reject()
{
    AutoManFrmCancel_Click();
}

void AutoManFrm::Form_Unload()
{
    SwitchOff();
}

void AutoManFrm::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

} // namespace kst
