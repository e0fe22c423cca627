#include "support/ui/ProgramUnderTest.h"

#include "meter/MSComm.h"
#include "session/MeterSession.h"
#include "session/SettingsStore.h"
#include "shell/Main.h"

#include <QLabel>
#include <QTest>

namespace kst::test {

ProgramUnderTest::ProgramUnderTest(bool openPty, const QStringList &settings,
                                   qint64 readoutIntervalMs)
{
    // No port leads to a device of the machine: COM1 to COM4 name missing files in the test's
    // own folder unless the test gives them.
    for (int port = 1; port <= 4; ++port)
        SettingsStore::SetPortDevice(port, env.DataFolder() + QStringLiteral("/COM%1").arg(port));
    for (const QString &entry : settings)
        SettingsStore::Write(entry.section(u'/', 0, 0), entry.section(u'/', 1).section(u'=', 0, 0),
                             entry.section(u'=', 1));
    if (openPty) {
        pty = std::make_unique<Pty>();
        SettingsStore::SetPortDevice(1, pty->SlavePath());
    }
    module.Clock = [this] { return now; };
    module.DataFolder = env.DataFolder();
    module.ReadoutIntervalMs = readoutIntervalMs;
    main = StartUp(module, false);
    main->EndProgram = [this] { ended = true; };
    // Connected after the main window's handler, so this counts readings it has shown.
    QObject::connect(&main->Session(), &MeterSession::ReadingTaken, main,
                     [this] { ++notifications_; });
    main->AskFileName = [this](bool, const QString &start) {
        fileStarts << start;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    };
}

ProgramUnderTest::~ProgramUnderTest()
{
    delete main;
}

bool ProgramUnderTest::Send(const QByteArray &frame)
{
    const int before = notifications_;
    if (!pty || !pty->Write(frame))
        return false;
    // The notification comes once the line has been quiet after the frame.
    static_cast<void>(QTest::qWaitFor([&] { return notifications_ > before; }, 3000));
    return true;
}

QString ProgramUnderTest::Text(const char *objectName) const
{
    auto *label = Find<QLabel>(objectName);
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(objectName));
}

bool ProgramUnderTest::Visible(const char *objectName) const
{
    auto *widget = Find<QWidget>(objectName);
    return widget && widget->isVisibleTo(main);
}

} // namespace kst::test
