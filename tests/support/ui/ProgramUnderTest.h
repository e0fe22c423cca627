#pragma once

#include "common/Module1.h"
#include "support/Pty.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <memory>

namespace kst {
class MainFrm;
}

namespace kst::test {

// The whole program started as a user starts it, with its settings and data folders in temporary
// folders, COM1 on a pty, a fixed clock that tests can move, and the quit procedure's end of
// program, file dialogs, questions and warnings answered by the test.
class ProgramUnderTest {
public:
    explicit ProgramUnderTest(bool openPty = true);
    ~ProgramUnderTest();

    TestEnvironment env;
    std::unique_ptr<Pty> pty;
    Module1 module;
    MainFrm *main = nullptr;
    QDateTime now{QDate(2000, 5, 4), QTime(10, 15, 30)};

    // Answers for the next questions and file dialogs; what was asked is kept.
    QList<int> saveAnswers;
    QStringList fileAnswers;
    QStringList questions;
    QStringList warnings;

    // Writes one frame and waits until the program has handled it.
    bool Send(const QByteArray &frame);
    QString Text(const char *objectName) const;
    bool Visible(const char *objectName) const;
};

} // namespace kst::test
