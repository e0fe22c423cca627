// The main window on the screens people have; CTest runs it on a 1280x720 screen at scale 1 and
// on a 2560x1440 screen at scale 2.
#include "common/Placement.h"
#include "session/SettingsStore.h"
#include "support/ui/ProgramUnderTest.h"

#include <QScreen>
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

// The rules the window test below does not meet on its screens.
void tst_ScreenFit::fitPlacement_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("placed"); // frame corner and window size
    QTest::newRow("below its minimum: grown")
        << QRect(100, 100, 400, 200) << QSize(900, 360) << QRect(100, 100, 900, 360);
    QTest::newRow("minimum wider than the screen: at the corner, not maximized")
        << QRect(0, 0, 1280, 720) << QSize(1400, 360) << QRect(0, 32, 1400, 652);
}

void tst_ScreenFit::fitPlacement()
{
    QFETCH(QRect, stored);
    QFETCH(QSize, minimum);
    QFETCH(QRect, placed);
    // A 1280x720 screen with a 32-pixel panel on top, a frame of 4 with a 32-pixel title bar.
    QCOMPARE(FitPlacement(stored, QRect(0, 32, 1280, 688), minimum, QMargins(4, 32, 4, 4)),
             (WindowPlacement{placed.topLeft(), placed.size(), false}));
}

void tst_ScreenFit::windowFits_data()
{
    // Stored placements in twips (15 to the pixel here); the window where it must stay as stored.
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<QRect>("placed");
    QTest::newRow("first start") << QStringList() << true << QRect();
    QTest::newRow("stored, fits: kept") << QStringList{"setting/left=1500", "setting/top=1500",
                                                       "setting/width=14400", "setting/height=7200"}
                                        << false << QRect(100, 100, 960, 480);
    QTest::newRow("stored for a screen three times as large")
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
    QTRY_VERIFY(area.contains(p.main->frameGeometry()));
    QCOMPARE(p.main->isMaximized(), maximized);
    if (!placed.isNull())
        QCOMPARE(QRect(p.main->pos(), p.main->size()), placed);
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

QTEST_MAIN(tst_ScreenFit)
#include "tst_screenfit.moc"
