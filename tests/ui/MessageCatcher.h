#pragma once

#include "common/Message.h"
#include "common/ui/Module1.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

namespace kst::test {

// Answers the program's messages through the module's message seam as a user would, so no box is
// ever shown, and records what they said: each message takes the next queued answer, else OK
// when offered, else No. A window the program opens by itself goes to AnswerWindow when set,
// else it is closed unanswered.
class MessageCatcher {
public:
    explicit MessageCatcher(Module1 &module) : module_(module)
    {
        module.AnswerMessage = [this](const Message &m) {
            messages_.append(m);
            if (!answers_.isEmpty())
                return answers_.takeFirst();
            return (m.Buttons & MessageButton::Ok) ? MessageButton::Ok : MessageButton::No;
        };
        module.AnswerWindow = [this](QDialog &window) {
            windows_.append(window.objectName());
            if (AnswerWindow)
                AnswerWindow(window);
            return window.result();
        };
    }
    ~MessageCatcher()
    {
        module_.AnswerMessage = nullptr;
        module_.AnswerWindow = nullptr;
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
    // The windows opened, by name.
    const QStringList &Windows() const { return windows_; }
    // Acts on a window the program opened (chooses, clicks OK); unset: closed unanswered.
    std::function<void(QDialog &window)> AnswerWindow;

private:
    Module1 &module_;
    QList<Message> messages_;
    QList<int> answers_;
    QStringList windows_;
};

} // namespace kst::test
