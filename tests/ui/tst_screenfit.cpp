// The main window on the screens people have. Run as "tst_screenfit WIDTHxHEIGHT SCALE [test
// arguments]": the screen (in device pixels) and the scale factor are set up before the
// application starts.
#include "common/Placement.h"
#include "session/SettingsStore.h"
#include "support/ui/ProgramUnderTest.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace kst;

class tst_ScreenFit : public QObject {
    Q_OBJECT
private slots:
    void fitPlacement_data();
    void fitPlacement();
    void windowFits_data();
    void windowFits();
};

void tst_ScreenFit::fitPlacement_data()
{
    // A 1280x720 screen with a 32-pixel panel on top, a frame of 4 with a 32-pixel title bar.
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("placed"); // frame corner and window size
    QTest::addColumn<bool>("maximized");
    const QSize min(900, 360);
    QTest::newRow("fits: kept") << QRect(100, 100, 1000, 500) << min << QRect(100, 100, 1000, 500)
                                << false;
    QTest::newRow("first start: the whole screen fills the free area")
        << QRect(0, 0, 1280, 720) << min << QRect(0, 32, 1272, 652) << true;
    QTest::newRow("too wide: narrowed and moved in")
        << QRect(600, 100, 1800, 500) << min << QRect(0, 100, 1272, 500) << false;
    QTest::newRow("past the bottom: moved up")
        << QRect(100, 600, 1000, 500) << min << QRect(100, 184, 1000, 500) << false;
    QTest::newRow("left of the screen and under the panel: moved in")
        << QRect(-3000, 0, 1000, 500) << min << QRect(0, 32, 1000, 500) << false;
    QTest::newRow("below its minimum: grown")
        << QRect(100, 100, 400, 200) << min << QRect(100, 100, 900, 360) << false;
    QTest::newRow("minimum wider than the screen: at the corner, not maximized")
        << QRect(0, 0, 1280, 720) << QSize(1400, 360) << QRect(0, 32, 1400, 652) << false;
}

void tst_ScreenFit::fitPlacement()
{
    QFETCH(QRect, stored);
    QFETCH(QSize, minimum);
    QFETCH(QRect, placed);
    QFETCH(bool, maximized);
    const WindowPlacement fitted =
        FitPlacement(stored, QRect(0, 32, 1280, 688), minimum, QMargins(4, 32, 4, 4));
    QCOMPARE(fitted, (WindowPlacement{placed.topLeft(), placed.size(), maximized}));
}

void tst_ScreenFit::windowFits_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<QRect>("placed"); // when it must be kept as stored
    QTest::newRow("first start") << QStringList() << true << QRect();
    QTest::newRow("stored, fits: kept") << QStringList{"setting/left=1500", "setting/top=1500",
                                                       "setting/width=14400", "setting/height=7200"}
                                        << false << QRect(100, 100, 960, 480);
    // Twips of a window stored on a screen three times as large, and one off the left edge.
    QTest::newRow("stored for a larger screen")
        << QStringList{"setting/left=30000", "setting/top=20000", "setting/width=57600",
                       "setting/height=32400"}
        << true << QRect();
    QTest::newRow("stored off the screen")
        << QStringList{"setting/left=-90000", "setting/top=0", "setting/width=14400",
                       "setting/height=7200"}
        << false << QRect();
}

// The window lies inside the screen's free area, no smaller than its layouts need, every control
// inside it; a maximized window is stored as the free area, which fills it again.
void tst_ScreenFit::windowFits()
{
    QFETCH(QStringList, settings);
    QFETCH(bool, maximized);
    QFETCH(QRect, placed);
    test::ProgramUnderTest p(false, settings);
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    QVERIFY(QTest::qWaitForWindowExposed(p.main));
    QTRY_VERIFY2(area.contains(p.main->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4 on %5x%6")
                                .arg(p.main->frameGeometry().x())
                                .arg(p.main->frameGeometry().y())
                                .arg(p.main->frameGeometry().width())
                                .arg(p.main->frameGeometry().height())
                                .arg(area.width())
                                .arg(area.height())));
    QCOMPARE(p.main->isMaximized(), maximized);
    if (!placed.isNull())
        QCOMPARE(QRect(p.main->pos(), p.main->size()), placed);
    // The layouts have their room, and no control reaches past the window.
    QVERIFY(p.main->width() >= p.main->minimumSizeHint().width() &&
            p.main->height() >= p.main->minimumSizeHint().height());
    for (QWidget *control : p.main->findChildren<QWidget *>()) {
        const QRect inside(control->mapTo(p.main, QPoint(0, 0)), control->size());
        if (!control->objectName().isEmpty() && control->isVisibleTo(p.main))
            QVERIFY2(!inside.isEmpty() && p.main->rect().contains(inside),
                     qPrintable(control->objectName()));
    }
    QVERIFY(p.main->QuitProgram());
    const double dpi = screen->logicalDotsPerInchX();
    const QRect stored = maximized ? area : QRect(p.main->pos(), p.main->size());
    QCOMPARE(SettingsStore::ReadNumber("setting", "width", 0),
             TwipsFromPixels(stored.width(), dpi));
    QCOMPARE(SettingsStore::ReadNumber("setting", "top", 0), TwipsFromPixels(stored.y(), dpi));
}

int main(int argc, char *argv[])
{
    // The screen before the application: the offscreen platform reads it from a file.
    const QStringList size = argc > 2 ? QString::fromLatin1(argv[1]).split(u'x') : QStringList();
    if (size.size() != 2) {
        std::fprintf(stderr, "usage: tst_screenfit WIDTHxHEIGHT SCALE [test arguments]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QStringLiteral(R"({"screens":[{"name":"screen","x":0,"y":0,"width":%1,)"
                                  R"("height":%2,"logicalDpi":96}]})")
                       .arg(size[0], size[1])
                       .toUtf8()) < 0)
        return 2;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", argv[2]);
    QApplication app(argc, argv);
    tst_ScreenFit test;
    QStringList arguments = QApplication::arguments();
    arguments.remove(1, 2);
    return QTest::qExec(&test, arguments);
}

#include "tst_screenfit.moc"
