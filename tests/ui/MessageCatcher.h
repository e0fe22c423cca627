#pragma once

#include "common/Message.h"
#include "common/Module1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace kst::test {

// Answers the program's message boxes as a user would and records what they said. Given the
// program's module it answers through the module's message seam, so no box is ever shown: each
// message takes the next queued answer, else OK when offered, else No. Without a module it
// watches for real boxes and presses their OK (for windows that show boxes themselves).
class MessageCatcher {
public:
    explicit MessageCatcher(Module1 &module) : module_(&module)
    {
        module.AnswerMessage = [this](const Message &m) {
            messages_.append(m);
            if (!answers_.isEmpty())
                return answers_.takeFirst();
            return (m.Buttons & MessageButton::Ok) ? MessageButton::Ok : MessageButton::No;
        };
    }
    MessageCatcher()
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            messages_.append({MessageIcon(box->icon()), box->windowTitle(), box->text(),
                              int(box->standardButtons()), box->informativeText()});
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        poll_.start();
    }
    ~MessageCatcher()
    {
        if (module_)
            module_->AnswerMessage = nullptr;
    }
    MessageCatcher(const MessageCatcher &) = delete;
    MessageCatcher &operator=(const MessageCatcher &) = delete;

    // Answers (MessageButton values) for the next messages, in order.
    void Answer(QList<int> answers) { answers_ = std::move(answers); }

    const QList<Message> &Messages() const { return messages_; }
    QStringList Texts() const
    {
        QStringList texts;
        for (const Message &m : messages_)
            texts.append(m.Text);
        return texts;
    }
    void Clear() { messages_.clear(); }

private:
    Module1 *module_ = nullptr;
    QTimer poll_;
    QList<Message> messages_;
    QList<int> answers_;
};

} // namespace kst::test
