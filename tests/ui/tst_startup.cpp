#include "common/Module1.h"
#include "meter/MSComm.h"
#include "shell/Main.h"
#include "shell/MainFrm.h"
#include "shell/Placement.h"
#include "shell/SettingsStore.h"
#include "support/Pty.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace kst;
using kst::test::Pty;
using kst::test::TestEnvironment;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void firstStartDefaults();
    void badSettingsStillOpenThePort_data();
    void badSettingsStillOpenThePort();
    void portInUseOpensTheErrorWindow();
    void placementRoundTrip();
    void quitQuestion_data();
    void quitQuestion();
    void quitWhileMinimizedKeepsPlacement();
};

namespace {

std::unique_ptr<MainFrm> Start(Module1 &module)
{
    std::unique_ptr<MainFrm> main(StartUp(module, false));
    main->EndProgram = [] {};
    return main;
}

QString Read(const char *key)
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QString::fromLatin1(key));
}

} // namespace

void TestStartUp::firstStartDefaults()
{
    TestEnvironment env;
    Module1 module;
    auto main = Start(module);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(main->pos(), QPoint(0, 0));
    // The screen's size, unless the window cannot be made that small.
    QCOMPARE(main->size(), screen.size().expandedTo(main->minimumSizeHint()));
    QCOMPARE(main->MSComm1->CommPort(), 1);
    QCOMPARE(main->MSComm1->Settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(main->MSComm1->DevicePath(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(module.ComPortNumber, 1.0f);
    QVERIFY(module.ScaleFromMainWindow);
    QVERIFY(!module.StopOnOverload);
    QVERIFY(main->windowTitle().startsWith(QStringLiteral("KST_")));
}

void TestStartUp::badSettingsStillOpenThePort_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("left not a number") << "left"
                                       << "abc";
    QTest::newRow("height empty") << "height"
                                  << "";
    QTest::newRow("width huge") << "width"
                                << "1e300";
}

void TestStartUp::badSettingsStillOpenThePort()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    TestEnvironment env;
    Pty pty;
    SettingsStore::SetPortDevice(2, pty.SlavePath());
    SettingsStore::Write(QStringLiteral("setting"), QStringLiteral("comport"), QStringLiteral("2"));
    SettingsStore::Write(QStringLiteral("setting"), key, value);
    Module1 module;
    auto main = Start(module);
    QCOMPARE(main->MSComm1->CommPort(), 2);
    QVERIFY(main->MSComm1->PortOpen());
}

void TestStartUp::portInUseOpensTheErrorWindow()
{
    TestEnvironment env;
    Pty pty;
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    MSComm other([&](int) { return pty.SlavePath(); });
    QCOMPARE(other.SetPortOpen(true), 0); // another program holds the meter's port
    QString shown;
    QTimer::singleShot(200, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            shown = modal->objectName();
            modal->close();
        }
    });
    Module1 module;
    auto main = Start(module);
    QCOMPARE(shown, QStringLiteral("ComErr"));
    QVERIFY(!main->MSComm1->PortOpen()); // closed by Escape: start-up goes on
    QVERIFY(main->isVisible());
}

void TestStartUp::placementRoundTrip()
{
    TestEnvironment env;
    {
        Module1 module;
        auto main = Start(module);
        main->move(40, 30);
        main->resize(1000, 700);
        QVERIFY(main->QuitProgram());
    }
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    QCOMPARE(Read("left").toLongLong(), TwipsFromPixels(40, dpi));
    QCOMPARE(Read("width").toLongLong(), TwipsFromPixels(1000, dpi));
    Module1 module;
    auto main = Start(module);
    QCOMPARE(main->pos(), QPoint(40, 30));
    QCOMPARE(main->size(), QSize(1000, 700));
}

void TestStartUp::quitQuestion_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ended");
    QTest::newRow("nothing recorded asks nothing") << false << 0 << false << true;
    QTest::newRow("cancel keeps running") << true << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("no ends without saving") << true << int(QMessageBox::No) << true << true;
}

void TestStartUp::quitQuestion()
{
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, ended);
    TestEnvironment env;
    Pty pty;
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    Module1 module;
    auto main = Start(module);
    QVERIFY(main->MSComm1->PortOpen());
    main->DataModified = modified;
    QString question;
    main->AskSave = [&](const QString &text, int) {
        question = text;
        return answer;
    };
    bool endCalled = false;
    main->EndProgram = [&] { endCalled = true; };
    QCOMPARE(main->QuitProgram(), ended);
    QCOMPARE(question, asked ? QStringLiteral("Quite before,Save file? ") : QString());
    QCOMPARE(endCalled, ended);
    QCOMPARE(main->MSComm1->PortOpen(), !ended);
    QCOMPARE(Read("left").isEmpty(), !ended);
}

void TestStartUp::quitWhileMinimizedKeepsPlacement()
{
    TestEnvironment env;
    SettingsStore::Write(QStringLiteral("setting"), QStringLiteral("left"), QStringLiteral("1234"));
    Module1 module;
    auto main = Start(module);
    main->move(300, 200);
    main->showMinimized();
    QTRY_VERIFY(main->isMinimized());
    QVERIFY(main->QuitProgram());
    QCOMPARE(Read("left"), QStringLiteral("1234"));
    QCOMPARE(Read("width"), QString());
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
