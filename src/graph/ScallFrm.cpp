#include "graph/ScallFrm.h"

#include "common/Module1.h"
#include "common/Numbers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace kst {

namespace {

const QString NotNumericMessage = QStringLiteral("Input Error! Please input Numeric");
const QString LimitOrderMessage = QStringLiteral("Input error,Please input again");
const QString SpanMessage = QStringLiteral("Input Error! Please input again");

// A typed number as the single-precision value the graph keeps; nothing when the text is not a
// number or does not fit a single.
std::optional<float> SingleValue(const QString &text)
{
    const std::optional<double> value = ParseNumber(text);
    if (!value || std::fabs(*value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*value);
}

QLineEdit *MakeTextBox(const QString &name, const QString &text, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

ScallFrm::ScallFrm(Module1 &module, QWidget *parent) : QDialog(parent), module_(module)
{
    setObjectName(QStringLiteral("ScallFrm"));
    setWindowTitle(QStringLiteral("Scall"));
    setModal(true);

    yFrame_ = new QGroupBox(QStringLiteral("Y-axis"), this);
    yFrame_->setObjectName(QStringLiteral("Frame1"));
    meterOption_ = new QRadioButton(QStringLiteral("Meter Range"), yFrame_);
    meterOption_->setObjectName(QStringLiteral("MeterOption"));
    meterOption_->setChecked(true);
    manOption_ = new QRadioButton(QStringLiteral("Man Range"), yFrame_);
    manOption_->setObjectName(QStringLiteral("ManOption"));
    topYText_ = MakeTextBox(QStringLiteral("TopYText"), QStringLiteral("+400"), yFrame_);
    lowYText_ = MakeTextBox(QStringLiteral("LowYText"), QStringLiteral("-400"), yFrame_);
    auto *topLabel = new QLabel(QStringLiteral("High Limit:"), yFrame_);
    topLabel->setObjectName(QStringLiteral("Label2"));
    topLabel->setBuddy(topYText_);
    auto *lowLabel = new QLabel(QStringLiteral("Low Limit:"), yFrame_);
    lowLabel->setObjectName(QStringLiteral("Label3"));
    lowLabel->setBuddy(lowYText_);
    label1_ = new QLabel(QStringLiteral("Note:\nHigh Limit > Low Limit"), yFrame_);
    label1_->setObjectName(QStringLiteral("Label1"));

    auto *yLayout = new QGridLayout(yFrame_);
    yLayout->addWidget(meterOption_, 0, 0, 1, 2);
    yLayout->addWidget(manOption_, 1, 0, 1, 2);
    yLayout->addWidget(topLabel, 2, 0);
    yLayout->addWidget(topYText_, 2, 1);
    yLayout->addWidget(lowLabel, 3, 0);
    yLayout->addWidget(lowYText_, 3, 1);
    yLayout->addWidget(label1_, 4, 0, 1, 2);

    xFrame_ = new QGroupBox(QStringLiteral("X-axis"), this);
    xFrame_->setObjectName(QStringLiteral("Frame2"));
    interval_ = MakeTextBox(QStringLiteral("Interval"), QStringLiteral("100"), xFrame_);
    auto *intervalLabel = new QLabel(QStringLiteral("Second:"), xFrame_);
    intervalLabel->setObjectName(QStringLiteral("Label4"));
    intervalLabel->setBuddy(interval_);
    checkOL_ = new QCheckBox(QStringLiteral("Stop Record if OL Input"), xFrame_);
    checkOL_->setObjectName(QStringLiteral("CheckOL"));

    auto *xLayout = new QGridLayout(xFrame_);
    xLayout->addWidget(intervalLabel, 0, 0);
    xLayout->addWidget(interval_, 0, 1);
    xLayout->addWidget(checkOL_, 1, 0, 1, 2);

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
    layout->addWidget(yFrame_);
    layout->addWidget(xFrame_);
    layout->addLayout(buttons);

    for (QLineEdit *box : {topYText_, lowYText_, interval_})
        box->installEventFilter(this);

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

bool ScallFrm::MeterRangeSelected() const
{
    return meterOption_->isChecked();
}

void ScallFrm::Form_Load()
{
    SetLimitsEnabled(!meterOption_->isChecked());
}

void ScallFrm::MeterOption_Click()
{
    SetLimitsEnabled(!meterOption_->isChecked());
}

void ScallFrm::ManOption_Click()
{
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
    CheckLimitBox(topYText_, lowYText_);
}

void ScallFrm::LowYText_LostFocus()
{
    CheckLimitBox(lowYText_, topYText_);
}

void ScallFrm::Interval_LostFocus()
{
    CheckInterval();
}

ScallFrm::Check ScallFrm::CheckLimitBox(QLineEdit *box, QLineEdit *other)
{
    if (!IsNumeric(box->text())) {
        Refuse(box, NotNumericMessage);
        return Check::Failed;
    }
    // A number a single cannot hold ends the check without a message; OK refuses it.
    const std::optional<float> value = SingleValue(box->text());
    if (!value)
        return Check::Silent;
    // A bad text in the other box is reported when that box is left.
    if (!IsNumeric(other->text()))
        return Check::Passed;
    const std::optional<float> otherValue = SingleValue(other->text());
    if (!otherValue)
        return Check::Silent;
    const float high = box == topYText_ ? *value : *otherValue;
    const float low = box == topYText_ ? *otherValue : *value;
    if (low >= high) {
        Refuse(box, LimitOrderMessage);
        return Check::Failed;
    }
    return Check::Passed;
}

ScallFrm::Check ScallFrm::CheckInterval()
{
    const std::optional<double> value = ParseNumber(interval_->text());
    if (!value) {
        Refuse(interval_, NotNumericMessage);
        return Check::Failed;
    }
    const double whole = std::floor(*value);
    if (!(whole >= double(std::numeric_limits<qint32>::min()) &&
          whole <= double(std::numeric_limits<qint32>::max())))
        return Check::Silent;
    if (whole < 1) {
        Refuse(interval_, SpanMessage);
        return Check::Failed;
    }
    return Check::Passed;
}

void ScallFrm::Refuse(QLineEdit *box, const QString &message)
{
    checking_ = true;
    pendingLeave_ = nullptr;
    QMessageBox warning(QMessageBox::Warning, QStringLiteral("Warning"), message, QMessageBox::Ok,
                        this);
    warning.exec();
    // Back to this window and into the field, as if the user had never left it.
    activateWindow();
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    checking_ = false;
}

void ScallFrm::CheckOL_Click()
{
    module_.StopOnOverload = checkOL_->isChecked();
}

void ScallFrm::OkCommand_Click()
{
    if (checking_)
        return;
    // OK checks every field itself; a leave check still waiting would only repeat a message.
    pendingLeave_ = nullptr;

    const bool manual = manOption_->isChecked();
    if (manual) {
        for (auto [box, other] :
             {std::pair{topYText_, lowYText_}, std::pair{lowYText_, topYText_}}) {
            const Check check = CheckLimitBox(box, other);
            if (check == Check::Silent)
                Refuse(box, NotNumericMessage);
            if (check != Check::Passed)
                return;
        }
    }
    const Check span = CheckInterval();
    if (span == Check::Silent)
        Refuse(interval_, NotNumericMessage);
    if (span != Check::Passed)
        return;

    const auto xSpan = qint32(std::floor(*ParseNumber(interval_->text())));
    if (module_.ScaleFromMainWindow) {
        if (manual) {
            module_.GraphTopY = *SingleValue(topYText_->text());
            module_.GraphLowY = *SingleValue(lowYText_->text());
        }
        module_.GraphXSpan = xSpan;
    } else {
        if (manual) {
            module_.PrintGraphTopY = *SingleValue(topYText_->text());
            module_.PrintGraphLowY = *SingleValue(lowYText_->text());
        }
        module_.PrintGraphXSpan = xSpan;
    }
    hide();
}

void ScallFrm::CancelCommand_Click()
{
    pendingLeave_ = nullptr;
    hide();
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

bool ScallFrm::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut))
        return QDialog::eventFilter(watched, event);

    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (event->type() == QEvent::FocusIn) {
        const auto gotFocus = box == topYText_   ? &ScallFrm::TopYText_GotFocus
                              : box == lowYText_ ? &ScallFrm::LowYText_GotFocus
                                                 : &ScallFrm::Interval_GotFocus;
        (this->*gotFocus)();
        // A mouse press places the cursor after the focus arrives; select again once it has.
        if (reason == Qt::MouseFocusReason)
            QTimer::singleShot(0, this, gotFocus);
        return false;
    }

    // Focus going to another window (a message box, another program) or a menu is not leaving
    // the field; nor is a focus change made while a warning is handled.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || checking_)
        return false;
    pendingLeave_ = box;
    QMetaObject::invokeMethod(this, &ScallFrm::RunPendingLeave, Qt::QueuedConnection);
    return false;
}

void ScallFrm::RunPendingLeave()
{
    QLineEdit *box = pendingLeave_;
    pendingLeave_ = nullptr;
    if (!box || checking_ || !isVisible() || !box->isEnabled())
        return;
    if (box == topYText_)
        TopYText_LostFocus();
    else if (box == lowYText_)
        LowYText_LostFocus();
    else
        Interval_LostFocus();
}

} // namespace kst
