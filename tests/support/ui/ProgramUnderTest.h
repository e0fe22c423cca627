#pragma once

#include "common/ui/Module1.h"
#include "shell/MainFrm.h"
#include "support/Pty.h"
#include "support/TestEnvironment.h"
#include "ui/MessageCatcher.h"

#include <QDateTime>
#include <memory>

namespace kst::test {

// The whole program started as a user starts it, with its settings and data folders in temporary
// folders, COM1 on a pty (or on a missing file in the test's folder, as COM2 to COM4 are), a fixed
// clock that tests can move, its message boxes answered by `messages`, its file dialogs by
// `fileAnswers`, and the end of the program recorded.
class ProgramUnderTest {
public:
    // settings: "section/key=value" entries stored before the program starts. The read-outs
    // show every reading at once unless readoutIntervalMs gives them a pace.
    explicit ProgramUnderTest(bool openPty = true, const QStringList &settings = {},
                              qint64 readoutIntervalMs = 0);
    ~ProgramUnderTest();

    TestEnvironment env;
    std::unique_ptr<Pty> pty;
    Module1 module;
    MessageCatcher messages{module};
    MainFrm *main = nullptr;
    QDateTime now{QDate(2000, 5, 4), QTime(10, 15, 30)};

    // Answers for the next file dialogs (an empty text cancels; none left cancels too), and
    // where each dialog started (its folder, or the file it proposed).
    QStringList fileAnswers;
    QStringList fileStarts;
    // True once the quit procedure ended the program.
    bool ended = false;

    // Writes one frame and waits (up to 3 s, for a loaded machine) until the program has
    // handled a receive notification after it.
    bool Send(const QByteArray &frame);
    QString Text(const char *objectName) const;
    bool Visible(const char *objectName) const;
    template <typename T> T *Find(const char *objectName) const
    {
        return main->findChild<T *>(QString::fromLatin1(objectName));
    }

private:
    int notifications_ = 0;
};

} // namespace kst::test
