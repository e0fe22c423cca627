#include "shell/Main.h"

#include "common/Numbers.h"
#include "common/Placement.h"
#include "common/ProgramFolder.h"
#include "common/Version.h"
#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "meter/MSComm.h"
#include "session/SettingsStore.h"
#include "shell/AutoManFrm.h"
#include "shell/BeginFrm.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
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

void DescribeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Data logger for a hand-held 4000-count digital multimeter on a serial "
                       "line. Opens FILE, a sample file (.mas), when one is given."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Sample file to open at start-up."),
                                 QStringLiteral("[FILE]"));
}

// --help and --version are answered without a display: a plain core application prints them.
bool AsksForHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            return false;
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

// The stored placement (in twips; a missing or unreadable value reads as its default, the whole
// screen), fitted into the screen's free area: a first start fills it, and a placement stored on
// a larger screen or at another scale comes back inside it.
void Place(MainFrm &main)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const auto pixels = [dpi](qint64 twips) { return PixelsFromTwips(double(twips), dpi); };
    const QRect stored(pixels(Setting("left", 0)), pixels(Setting("top", 0)),
                       pixels(Setting("width", TwipsFromPixels(available.width(), dpi))),
                       pixels(Setting("height", TwipsFromPixels(available.height(), dpi))));
    // The window system tells the frame only once the window is shown: until then a title bar
    // and thin edges of the usual size are assumed.
    const WindowPlacement placement =
        FitPlacement(stored, available, main.minimumSizeHint(), QMargins(4, 32, 4, 4));
    main.move(placement.position);
    main.resize(placement.size);
    if (placement.maximized)
        main.setWindowState(Qt::WindowMaximized);
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
    if (module.DataFolder.isEmpty()) {
        // A desktop session always has a home; without one the files go to the temporary folder.
        module.DataFolder = QDir::tempPath() + QStringLiteral("/KST");
        qWarning("kst: neither XDG_DATA_HOME nor HOME is set; samples are kept in %s",
                 qPrintable(module.DataFolder));
    }
    // A folder that cannot be made is reported by the first save or load that needs it.
    static_cast<void>(QDir().mkpath(module.SampleFolder()));

    auto *main = new MainFrm(module);

    Place(*main);

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
    // The main window goes before the application does.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, main, [main] { delete main; });
    return main;
}

int RunProgram(int argc, char *argv[], const std::function<void(MainFrm &)> &started)
{
    QCoreApplication::setApplicationName(QStringLiteral("KST"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KST_VERSION));
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        parser.process(core); // prints and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kstlogger.KST"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "kst: opens one file at a time\n%s", qPrintable(parser.helpText()));
        return 1;
    }

    MainFrm *main = Main();
    if (started)
        started(*main);
    if (!files.isEmpty()) {
        const QString path = QFileInfo(files.constFirst()).absoluteFilePath();
        // Loaded from the event loop, with the main window on screen.
        QTimer::singleShot(0, main, [main, path] { main->ReadSamples(path); });
    }
    return QApplication::exec();
}

} // namespace kst
