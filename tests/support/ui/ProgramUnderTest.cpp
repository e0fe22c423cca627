#include "support/ui/ProgramUnderTest.h"

#include "shell/Main.h"
#include "shell/MainFrm.h"
#include "shell/SettingsStore.h"

#include <QLabel>
#include <QMessageBox>
#include <QTest>

namespace kst::test {

ProgramUnderTest::ProgramUnderTest(bool openPty)
{
    if (openPty) {
        pty = std::make_unique<Pty>();
        SettingsStore::SetPortDevice(1, pty->SlavePath());
    }
    module.Clock = [this] { return now; };
    module.DataFolder = env.DataFolder();
    main = StartUp(module, false);
    main->EndProgram = [] {};
    main->AskSave = [this](const QString &text, int) {
        questions << text;
        return saveAnswers.isEmpty() ? int(QMessageBox::No) : saveAnswers.takeFirst();
    };
    main->AskFileName = [this](bool, const QString &) {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    };
    main->Warn = [this](const QString &text) { warnings << text; };
}

ProgramUnderTest::~ProgramUnderTest()
{
    delete main;
}

bool ProgramUnderTest::Send(const QByteArray &frame)
{
    if (!pty || !pty->Write(frame))
        return false;
    // The notification comes once the line has been quiet after the frame.
    QTest::qWait(120);
    return true;
}

QString ProgramUnderTest::Text(const char *objectName) const
{
    auto *label = main->findChild<QLabel *>(QString::fromLatin1(objectName));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(objectName));
}

bool ProgramUnderTest::Visible(const char *objectName) const
{
    auto *widget = main->findChild<QWidget *>(QString::fromLatin1(objectName));
    return widget && widget->isVisibleTo(main);
}

} // namespace kst::test
