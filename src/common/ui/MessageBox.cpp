#include "common/ui/MessageBox.h"

#include "common/ui/Module1.h"

#include <QDialog>
#include <QMessageBox>

namespace kst {

static_assert(MessageButton::Ok == QMessageBox::Ok && MessageButton::Yes == QMessageBox::Yes &&
              MessageButton::No == QMessageBox::No && MessageButton::Cancel == QMessageBox::Cancel);
static_assert(int(MessageIcon::Warning) == QMessageBox::Warning &&
              int(MessageIcon::Question) == QMessageBox::Question);

int ShowMessage(const Module1 &module, QWidget *parent, const Message &message)
{
    return module.AnswerMessage ? module.AnswerMessage(message) : ShowMessageBox(parent, message);
}

int ShowMessageBox(QWidget *parent, const Message &message)
{
    QMessageBox box(QMessageBox::Icon(message.Icon), message.Title, message.Text,
                    QMessageBox::StandardButtons(message.Buttons), parent);
    box.setInformativeText(message.Informative);
    return box.exec();
}

int ShowWindow(const Module1 &module, QDialog &window)
{
    return module.AnswerWindow ? module.AnswerWindow(window) : window.exec();
}

void ShowInputWarning(const Module1 &module, QWidget *parent, const QString &text)
{
    ShowMessage(module, parent, {MessageIcon::Warning, QStringLiteral("Warning"), text});
}

} // namespace kst
