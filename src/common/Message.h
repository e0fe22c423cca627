#pragma once

#include <QString>
#include <functional>

namespace kst {

// A message box as the program asks for it. Icons and buttons carry the values of the toolkit's
// message box (QMessageBox::Icon, QMessageBox::StandardButton), so a window can pass them on.
enum class MessageIcon { None = 0, Information = 1, Warning = 2, Critical = 3, Question = 4 };

namespace MessageButton {
inline constexpr int Ok = 0x00000400;
inline constexpr int Yes = 0x00004000;
inline constexpr int No = 0x00010000;
inline constexpr int Cancel = 0x00400000;
} // namespace MessageButton

struct Message {
    MessageIcon Icon = MessageIcon::None;
    QString Title;
    QString Text;
    int Buttons = MessageButton::Ok;
    // Details under the text (the reason of a failure); none when empty.
    QString Informative = {};
};

// Answers a message instead of showing it (tests): returns the button pressed.
using MessageAnswerer = std::function<int(const Message &)>;

} // namespace kst
