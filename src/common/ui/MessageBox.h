#pragma once

#include "common/Message.h"

class QDialog;
class QWidget;

namespace kst {

class Module1;

// Every message box of the program goes through here: a modal box with the program's own title,
// text, icon and buttons over parent, or, when module.AnswerMessage is set, that answer without
// a box. Returns the button pressed (a MessageButton value).
int ShowMessage(const Module1 &module, QWidget *parent, const Message &message);
// The modal box itself, whoever answers messages.
int ShowMessageBox(QWidget *parent, const Message &message);

// Every modal window the program opens by itself (not at a user's command) goes through here:
// exec(), or, when module.AnswerWindow is set, that answer without showing it. Returns the
// dialog's result.
int ShowWindow(const Module1 &module, QDialog &window);

// The input warning of the field checks: titled "Warning", exclamation icon, OK.
void ShowInputWarning(const Module1 &module, QWidget *parent, const QString &text);

} // namespace kst
