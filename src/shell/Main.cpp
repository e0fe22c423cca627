#include "shell/Main.h"

#include "common/Numbers.h"
#include "common/Placement.h"
#include "common/ProgramFolder.h"
#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "meter/MSComm.h"
#include "session/SettingsStore.h"
#include "shell/AutoManFrm.h"
#include "shell/BeginFrm.h"
#include "shell/MainFrm.h"
#include "shell/TestSteps.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

namespace kst {

namespace {

qint64 Setting(const char *key, qint64 defaultValue)
{
    return SettingsStore::ReadNumber(QStringLiteral("setting"), QString::fromLatin1(key),
                                     defaultValue);
}

qint64 DisplaySetting(const char *key, qint64 defaultValue)
{
    return SettingsStore::ReadNumber(QStringLiteral("Display"), QString::fromLatin1(key),
                                     defaultValue);
}

} // namespace

MainFrm *StartUp(Module1 &module, bool showSplash)
{
    module.StopOnOverload = false;
    if (module.ProgramFolder.isEmpty())
        module.ProgramFolder = FindProgramFolder(QCoreApplication::applicationDirPath());
    // The program's icon for every window; the desktop's icon theme when the files are missing.
    if (QGuiApplication::windowIcon().isNull()) {
        QIcon icon;
        for (const char *name : {"/kst-48.png", "/kst-128.png"})
            icon.addFile(module.ProgramFolder + QLatin1String(name));
        QGuiApplication::setWindowIcon(icon.availableSizes().isEmpty()
                                           ? QIcon::fromTheme(QStringLiteral("org.kstlogger.KST"))
                                           : icon);
    }
    if (module.DataFolder.isEmpty())
        module.DataFolder = SettingsStore::DataFolder();
    QDir().mkpath(module.SampleFolder());

    auto *main = new MainFrm(module);

    // Placement in twips; a missing or unreadable value reads as its default.
    QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const qint64 left = Setting("left", 0);
    const qint64 top = Setting("top", 0);
    const qint64 width = Setting("width", TwipsFromPixels(available.width(), dpi));
    const qint64 height = Setting("height", TwipsFromPixels(available.height(), dpi));
    // The position is the window frame's; the size is the window's own.
    main->move(PixelsFromTwips(double(left), dpi), PixelsFromTwips(double(top), dpi));
    main->resize(std::max(320, PixelsFromTwips(double(width), dpi)),
                 std::max(240, PixelsFromTwips(double(height), dpi)));

    module.ComPortNumber = float(Setting("comport", 1));
    main->MSComm1->SetSettings(QStringLiteral("9600,n,8,1"));
    main->MSComm1->SetCommPort(int(RoundHalfEven(module.ComPortNumber)));
    main->SetGraphColours(qint32(DisplaySetting("Bcolor", 16444615)),
                          qint32(DisplaySetting("Fcolor", 255)), int(DisplaySetting("Bwidth", 2)));
    main->RestoreChoices();

    // Optically isolated cables draw their power from DTR (and some want RTS off).
    const SettingsStore::ModemLines lines = SettingsStore::ReadModemLines();
    main->MSComm1->SetModemLines(lines.dtr, lines.rts);
    const int error = main->MSComm1->SetPortOpen(true);
    if (error == MSComm::ErrPortAlreadyOpen) {
        main->ShowComErr();
    } else if (error == MSComm::ErrNoPermission) {
        // Not a port in use: say which device and how to get the right, then carry on without.
        const QString text =
            MSComm::OpenErrorText(error, main->MSComm1->CommPort(), main->MSComm1->DevicePath());
        qWarning("%s", qPrintable(text));
        ShowMessage(module, main, {MessageIcon::Warning, QStringLiteral("KST"), text});
    }

    if (showSplash) {
        auto *splash = new BeginFrm(module.ProgramFolder, main);
        splash->show();
        QCoreApplication::processEvents();
    }
    main->show();
    // Once the window is up: journals left by a program that ended without saving.
    QTimer::singleShot(0, main, &MainFrm::OfferRecovery);
    return main;
}

MainFrm *Main()
{
    static std::unique_ptr<Module1> module;
    module = std::make_unique<Module1>();
    MainFrm *main = StartUp(*module);
    RunTestSteps(main);
    // The main window goes before the application does.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, main, [main] { delete main; });
    return main;
}

} // namespace kst
