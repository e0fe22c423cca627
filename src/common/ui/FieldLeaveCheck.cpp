#include "common/ui/FieldLeaveCheck.h"

#include "common/ui/MessageBox.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

namespace kst {

FieldLeaveCheck::FieldLeaveCheck(const Module1 &module, QWidget *window)
    : QObject(window), module_(module), window_(window)
{
}

void FieldLeaveCheck::Watch(QLineEdit *field, std::function<void()> gotFocus,
                            std::function<void()> lostFocus)
{
    fields_.push_back({field, std::move(gotFocus), std::move(lostFocus)});
    field->installEventFilter(this);
}

const FieldLeaveCheck::Field *FieldLeaveCheck::Find(QObject *box) const
{
    for (const Field &field : fields_) {
        if (field.Box == box)
            return &field;
    }
    return nullptr;
}

bool FieldLeaveCheck::eventFilter(QObject *watched, QEvent *event)
{
    const Field *field = Find(watched);
    if (!field || (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut))
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    // Another window taking over (a message box, another program) or a menu opening is not the
    // user moving between fields.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    if (event->type() == QEvent::FocusIn) {
        field->GotFocus();
        // A mouse press places the cursor after the focus arrives: run again once it has.
        if (reason == Qt::MouseFocusReason)
            QTimer::singleShot(0, this, [this, box = field->Box] {
                if (const Field *f = Find(box); f && box->hasFocus())
                    f->GotFocus();
            });
        return false;
    }
    if (busy_)
        return false;
    pending_ = field->Box;
    QMetaObject::invokeMethod(this, &FieldLeaveCheck::RunPending, Qt::QueuedConnection);
    return false;
}

void FieldLeaveCheck::RunPending()
{
    QLineEdit *box = pending_;
    pending_ = nullptr;
    if (!box || busy_ || !window_->isVisible() || !box->isEnabled())
        return;
    if (const Field *field = Find(box))
        field->LostFocus();
}

bool FieldLeaveCheck::Settle()
{
    refused_ = false;
    RunPending();
    return !refused_;
}

void FieldLeaveCheck::Refuse(QLineEdit *field, const QString &message)
{
    busy_ = true;
    refused_ = true;
    pending_ = nullptr;
    if (!message.isEmpty())
        ShowInputWarning(module_, window_, message);
    // Back to this window and into the field, as if the user had never left it.
    if (window_->isVisible())
        window_->activateWindow();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    busy_ = false;
}

} // namespace kst
