#pragma once

#include "common/Message.h"
#include "common/ui/Module1.h"

#include <QList>
#include <QStringList>

namespace kst::test {

// Answers the program's messages through the module's message seam as a user would, so no box is
// ever shown, and records what they said: each message takes the next queued answer, else OK
// when offered, else No.
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
    }
    ~MessageCatcher() { module_.AnswerMessage = nullptr; }
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
    Module1 &module_;
    QList<Message> messages_;
    QList<int> answers_;
};

} // namespace kst::test
