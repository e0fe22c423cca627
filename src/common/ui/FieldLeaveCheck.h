#pragma once

#include "common/Message.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

namespace kst {

class Module1;

// The check a window runs when the user leaves one of its text fields. Entering a watched field
// runs its "got focus" handler (the windows select the whole text there, also after a mouse click
// has placed the cursor); leaving it for another control of the same window runs its "lost
// focus" handler once the focus change is complete. Switching to another window or opening a menu
// is not leaving the field, nor is any focus change made while a refusal is handled, so two bad
// fields never bounce the focus between them.
class FieldLeaveCheck : public QObject {
    Q_OBJECT
public:
    FieldLeaveCheck(const Module1 &module, QWidget *window);

    void Watch(QLineEdit *field, std::function<void()> gotFocus, std::function<void()> lostFocus);

    // Puts the focus back into field with its whole text selected, first showing the input
    // warning (titled "Warning") when message is not empty.
    void Refuse(QLineEdit *field, const QString &message = {});
    // True while a refusal is being handled.
    bool Busy() const { return busy_; }
    // Drops a leave check that waits to run (OK and Cancel check or close by themselves).
    void Forget() { pending_ = nullptr; }
    // Runs a leave check that waits, at once, so a button pressed straight from a field acts on
    // what the check made of it; false when the check refused the field.
    bool Settle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Field {
        QLineEdit *Box;
        std::function<void()> GotFocus;
        std::function<void()> LostFocus;
    };
    const Field *Find(QObject *box) const;
    void RunPending();

    const Module1 &module_;
    QWidget *window_;
    std::vector<Field> fields_;
    QPointer<QLineEdit> pending_;
    bool busy_ = false;
    bool refused_ = false;
};

} // namespace kst
