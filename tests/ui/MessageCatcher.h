#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace kst::test {

// Answers every message box the program shows while it lives: records its text, title and icon
// and presses its OK button, as a user would.
class MessageCatcher {
public:
    struct Message {
        QString Text;
        QString Title;
        QMessageBox::Icon Icon;
    };

    MessageCatcher()
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            messages_.append({box->text(), box->windowTitle(), box->icon()});
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        poll_.start();
    }

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
    QTimer poll_;
    QList<Message> messages_;
};

} // namespace kst::test
