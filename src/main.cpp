#include "shell/Main.h"
#include "common/Version.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

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

} // namespace

int main(int argc, char *argv[])
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

    kst::MainFrm *main = kst::Main();
    if (!files.isEmpty()) {
        const QString path = QFileInfo(files.constFirst()).absoluteFilePath();
        // Loaded from the event loop, with the main window on screen.
        QTimer::singleShot(0, main, [main, path] { main->ReadSamples(path); });
    }
    return QApplication::exec();
}
