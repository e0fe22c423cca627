#include "meter/ui/ComErr.h"
#include "meter/ui/CommuniFrm.h"

#include "MessageCatcher.h"
#include "common/ui/Module1.h"
#include "meter/MSComm.h"
#include "session/SettingsStore.h"
#include "shell/Main.h"
#include "shell/MainFrm.h"
#include "support/Pty.h"
#include "support/SampleRecords.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kst;
using kst::test::MessageCatcher;
using kst::test::Pty;
using kst::test::TestEnvironment;

namespace {

const QString Missing = QStringLiteral("/nonexistent/kst-no-such-tty");

QString StoredComport()
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QStringLiteral("comport"), "none");
}

QRadioButton *Option(const QWidget &window, const QString &prefix, int port)
{
    return window.findChild<QRadioButton *>(prefix + QString::number(port));
}

// Chooses `port` in the port window and presses OK.
void Choose(QDialog &window, int port)
{
    const bool error = window.objectName() == u"ComErr";
    Option(window, error ? "com" : "Option", port)->click();
    window.findChild<QPushButton *>(error ? "ok" : "ComOK")->click();
}

} // namespace

class TestPortWindows : public QObject {
    Q_OBJECT
private slots:
    void confirm_data();
    void confirm();
    void assignStableName();
    void startUpPortErrors_data();
    void startUpPortErrors();
};

void TestPortWindows::confirm_data()
{
    QTest::addColumn<bool>("errorWindow");
    QTest::addColumn<int>("current"); // the serial control's port before the window loads
    QTest::addColumn<int>("chosen");  // 0: confirm with none selected
    QTest::addColumn<QString>("message");
    for (bool error : {false, true}) {
        const char *w = error ? "ComErr" : "CommuniFrm";
        QTest::addRow("%s: the open port is reopened", w) << error << 1 << 1 << "";
        QTest::addRow("%s: held by another program", w)
            << error << 1 << 2 << "Com2 Have Used!,Please Choose Other Com";
        QTest::addRow("%s: missing device", w)
            << error << 1 << 4 << "Invaild Com4: " + Missing + " does not exist";
    }
    QTest::newRow("number above four: none selected, kept") << false << 5 << 0 << "";
}

void TestPortWindows::confirm()
{
    QFETCH(bool, errorWindow);
    QFETCH(int, current);
    QFETCH(int, chosen);
    QFETCH(QString, message);
    TestEnvironment env;
    Pty one, held, five;
    SettingsStore::SetPortDevice(1, one.SlavePath());
    SettingsStore::SetPortDevice(2, held.SlavePath());
    SettingsStore::SetPortDevice(3, env.DataFolder() + QStringLiteral("/COM3"));
    SettingsStore::SetPortDevice(4, Missing);
    SettingsStore::SetPortDevice(5, five.SlavePath());
    MSComm holder([&](int) { return held.SlavePath(); });
    QCOMPARE(holder.SetPortOpen(true), 0);
    Module1 m;
    MSComm comm([](int n) { return SettingsStore::PortDevice(n); });
    comm.SetCommPort(current);
    comm.SetPortOpen(true);
    std::unique_ptr<QDialog> window;
    int ended = 0;
    if (errorWindow) {
        auto *err = new ComErr(comm, m, MainFrm::Ports());
        err->EndProgram = [&] { ++ended; };
        window.reset(err);
    } else {
        window.reset(new CommuniFrm(comm, m, MainFrm::Ports()));
    }
    const QString prefix = errorWindow ? "com" : "Option";
    for (int n = 1; n <= 4; ++n) // each option shows its device; the current one is selected
        QCOMPARE(Option(*window, prefix, n)->isChecked(), n == current);
    QCOMPARE(window->findChild<QLabel *>("Device4")->text(), Missing);
    QCOMPARE(window->findChild<QLabel *>("Device3")->text(),
             env.DataFolder() + QStringLiteral("/COM3"));
    window->show();
    MessageCatcher catcher(m);
    if (chosen == 0)
        window->findChild<QPushButton *>(errorWindow ? "ok" : "ComOK")->click();
    else
        Choose(*window, chosen);

    const int expected = chosen == 0 ? current : chosen;
    QCOMPARE(catcher.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(comm.PortOpen(), message.isEmpty());
    QCOMPARE(window->isVisible(), !message.isEmpty());
    QCOMPARE(StoredComport(), message.isEmpty() ? QString::number(expected) : "none");
    QCOMPARE(m.ComPortNumber, float(expected));
    if (message.isEmpty())
        return;
    // Cancel leaves the port closed; the error window ends the program.
    window->findChild<QPushButton *>(errorWindow ? "cancel" : "ComCanel")->click();
    QCOMPARE(ended, errorWindow ? 1 : 0);
    QVERIFY(!comm.PortOpen());
}

// Adapters are listed by their stable links; assigning one stores the link, which still leads
// to the adapter after it is plugged in again under another name.
void TestPortWindows::assignStableName()
{
    TestEnvironment env;
    QTemporaryDir byId;
    Pty adapter;
    const QString link =
        byId.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    QVERIFY(QFile::link(adapter.SlavePath(), link));
    // Beyond any screen's width: shortened in the middle, both ends kept.
    const QString endless = byId.filePath(QString(200, u'x') + QStringLiteral("-port1"));
    QVERIFY(QFile::link(adapter.SlavePath(), endless));
    PortDevices ports = MainFrm::Ports();
    ports.ByIdFolder = byId.path();
    Module1 m;
    MSComm comm(ports.Device);
    comm.SetCommPort(3);
    CommuniFrm window(comm, m, ports);
    auto *combo = window.findChild<QComboBox *>("DeviceCombo");
    QCOMPARE(combo->itemData(0).toString(), link);
    QCOMPARE(combo->itemText(0), link); // whole, and the box as wide
    QVERIFY(combo->sizeHint().width() > combo->fontMetrics().horizontalAdvance(link));
    const QString shortened = combo->itemText(1);
    QVERIFY2(shortened.size() < endless.size() && shortened.startsWith(byId.path()) &&
                 shortened.endsWith(u"xx-port1"),
             qPrintable(shortened));
    QCOMPARE(combo->itemData(1, Qt::ToolTipRole).toString(), endless);
    combo->setCurrentIndex(0);
    window.findChild<QPushButton *>("AssignDevice")->click();
    QCOMPARE(SettingsStore::PortDevice(3), link);
    QCOMPARE(window.findChild<QLabel *>("Device3")->text(), link);

    Pty replugged;
    QVERIFY(QFile::remove(link) && QFile::link(replugged.SlavePath(), link));
    window.ComOK_Click();
    QVERIFY(comm.PortOpen());
    int readings = 0;
    QObject::connect(&comm, &MSComm::Reading, [&readings] { ++readings; });
    QVERIFY(replugged.Write(test::VoltFrame(0)));
    QTRY_COMPARE(readings, 1);
}

void TestPortWindows::startUpPortErrors_data()
{
    QTest::addColumn<QString>("startUpMessage"); // what start-up shows before the main window
    QTest::newRow("permission") << "Com1: no permission to open %1.\nAdd your user to the dialout "
                                   "group (sudo usermod -aG dialout $USER), then log out and log "
                                   "in again.";
    QTest::newRow("held") << "     Communication Error!!    Please Rechoose";
    QTest::newRow("missing") << "";
}

// COM1 is unusable at start-up; start-up says why (for a missing device only the status bar
// does) and the main window comes up. A port held by another program brings up the port window,
// where COM2 is chosen and its meter read.
void TestPortWindows::startUpPortErrors()
{
    QFETCH(QString, startUpMessage);
    const QString row = QString::fromLatin1(QTest::currentDataTag());
    if (row == u"permission" && geteuid() == 0) {
        // Root opens any device: run this row as a user without privileges.
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("tst_portwindows"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        chmod(QFile::encodeName(dir.path()).constData(), 0755);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        // With a lock folder of its own: the stale serial-port lock of a program of root that was
        // killed holding its pty (as the crash tests do) cannot be taken over by another user.
        child.start(QStringLiteral("unshare"),
                    {"--mount", "sh", "-c",
                     "mount -t tmpfs tmpfs /run/lock && exec runuser -u nobody -- \"$0\" "
                     "startUpPortErrors:permission",
                     copy});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitCode(), 0);
        return;
    }

    TestEnvironment env;
    Pty bad, good;
    QString device = bad.SlavePath();
    std::unique_ptr<MSComm> holder;
    if (row == u"permission")
        chmod(QFile::encodeName(device).constData(), 0);
    else if (row == u"held")
        holder = std::make_unique<MSComm>([&](int) { return bad.SlavePath(); });
    else
        device = Missing;
    if (holder)
        QCOMPARE(holder->SetPortOpen(true), 0);
    SettingsStore::SetPortDevice(1, device);
    SettingsStore::SetPortDevice(2, good.SlavePath());

    // Answers whatever start-up shows: message boxes with OK, the error window with COM2.
    QStringList shown;
    Module1 m;
    MessageCatcher catcher(m);
    catcher.AnswerWindow = [&](QDialog &window) {
        shown << window.findChild<QLabel *>("Label1")->text();
        Choose(window, 2);
    };
    m.DataFolder = env.DataFolder();
    std::unique_ptr<MainFrm> main(StartUp(m, false));
    shown << catcher.Texts();
    catcher.Clear();
    QCOMPARE(shown,
             startUpMessage.isEmpty() ? QStringList() : QStringList{startUpMessage.arg(device)});
    QVERIFY(main->isVisible());
    const QString status = main->findChild<QLabel *>("StatusText")->text();
    if (row == u"missing") {
        QVERIFY(status.contains("closed, no such device"));
        return;
    }
    Pty *meter = &good;
    if (row == u"permission") {
        // START says why nothing is recorded; mending the device's mode needs no restart.
        QVERIFY2(status.contains("no permission, retrying"), qPrintable(status));
        main->StartCom->click();
        QVERIFY(main->statusBar()->currentMessage().startsWith("START: COM1 is not open yet"));
        main->MSComm1->SetRetryMs(50);
        QCOMPARE(chmod(QFile::encodeName(device).constData(), 0600), 0);
        QTRY_VERIFY(main->MSComm1->PortOpen());
        QCOMPARE(main->statusBar()->currentMessage(), QString());
        meter = &bad;
    }
    QVERIFY(meter->Write(test::VoltFrame(1234)));
    QTRY_COMPARE(main->findChild<QLabel *>("ReadBox")->text(), QStringLiteral("1.234"));
}

QTEST_MAIN(TestPortWindows)
#include "tst_portwindows.moc"
