#pragma once

#include <QString>

namespace kst {

// Gives a window's control its object name, the name the program's handlers and its tests know
// it by, and hands the control back: Named(new QLineEdit(this), "StartText").
template <typename T> T *Named(T *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace kst
