#include "meter/ComErr.h"
#include "meter/CommuniFrm.h"

#include "MessageCatcher.h"
#include "common/Module1.h"
#include "meter/MSComm.h"
#include "shell/SettingsStore.h"
#include "support/Pty.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

using namespace kst;
using kst::test::MessageCatcher;
using kst::test::Pty;
using kst::test::TestEnvironment;

namespace {

const QString Missing = QStringLiteral("/nonexistent/kst-no-such-tty");

MSComm::PortMap StoreMap()
{
    return [](int n) { return SettingsStore::PortDevice(n); };
}

QString StoredComport()
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QStringLiteral("comport"),
                                   QStringLiteral("<none>"));
}

// Either port window, with the names of its controls.
struct PortWindow {
    std::unique_ptr<QDialog> dialog;
    QString optionPrefix;
    QString okName;
    QString cancelName;
    int endProgramCalls = 0;

    PortWindow(bool errorWindow, MSComm &comm, Module1 &m)
    {
        if (errorWindow) {
            auto *w = new ComErr(comm, m);
            w->EndProgram = [this] { ++endProgramCalls; };
            dialog.reset(w);
            optionPrefix = QStringLiteral("com");
            okName = QStringLiteral("ok");
            cancelName = QStringLiteral("cancel");
        } else {
            dialog.reset(new CommuniFrm(comm, m));
            optionPrefix = QStringLiteral("Option");
            okName = QStringLiteral("ComOK");
            cancelName = QStringLiteral("ComCanel");
        }
    }
    QRadioButton *Option(int n) const
    {
        return dialog->findChild<QRadioButton *>(optionPrefix + QString::number(n));
    }
    int Selected() const
    {
        int selected = 0;
        for (int n = 1; n <= 4; ++n) {
            if (Option(n)->isChecked())
                selected = selected ? -1 : n;
        }
        return selected;
    }
    void Ok() const { dialog->findChild<QPushButton *>(okName)->click(); }
    void Cancel() const { dialog->findChild<QPushButton *>(cancelName)->click(); }
    bool Shown() { return dialog->show(), QTest::qWaitForWindowExposed(dialog.get()); }
};

void AddWindowRows()
{
    QTest::addColumn<bool>("errorWindow");
    QTest::newRow("CommuniFrm") << false;
    QTest::newRow("ComErr") << true;
}

} // namespace

class TestPortWindows : public QObject {
    Q_OBJECT
private slots:
    void controls();
    void loadSelectsCurrentPort_data();
    void loadSelectsCurrentPort();
    void confirmOpenPortReopensIt_data() { AddWindowRows(); }
    void confirmOpenPortReopensIt();
    void confirmSwitchesToAnotherPort_data() { AddWindowRows(); }
    void confirmSwitchesToAnotherPort();
    void portHeldByAnother_data() { AddWindowRows(); }
    void portHeldByAnother();
    void missingDevice_data() { AddWindowRows(); }
    void missingDevice();
    void numberAboveFourIsKept_data() { AddWindowRows(); }
    void numberAboveFourIsKept();
    void assignDevice_data() { AddWindowRows(); }
    void assignDevice();
};

void TestPortWindows::controls()
{
    TestEnvironment env;
    Module1 m;
    MSComm comm(StoreMap());
    CommuniFrm communi(comm, m);
    QCOMPARE(communi.objectName(), QStringLiteral("CommuniFrm"));
    QCOMPARE(communi.windowTitle(), QStringLiteral("Communications"));
    QCOMPARE(communi.findChild<QGroupBox *>("Frame6")->title(), QStringLiteral("Port"));
    QCOMPARE(communi.findChild<QPushButton *>("ComOK")->text(), QStringLiteral("OK"));
    QCOMPARE(communi.findChild<QPushButton *>("ComCanel")->text(), QStringLiteral("Cancel"));
    for (int n = 1; n <= 4; ++n) {
        auto *option = communi.findChild<QRadioButton *>(QStringLiteral("Option%1").arg(n));
        QVERIFY(option);
        QCOMPARE(option->text(), QStringLiteral("Com%1").arg(n));
        // The options sit in the "Port" frame.
        QVERIFY(communi.findChild<QGroupBox *>("Frame6")->isAncestorOf(option));
    }

    ComErr err(comm, m);
    QCOMPARE(err.objectName(), QStringLiteral("ComErr"));
    QCOMPARE(err.findChild<QLabel *>("Label1")->text(),
             QStringLiteral("     Communication Error!!    Please Rechoose"));
    QCOMPARE(err.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(err.findChild<QPushButton *>("ok")->text(), QStringLiteral("OK"));
    QCOMPARE(err.findChild<QPushButton *>("cancel")->text(), QStringLiteral("Cancel"));
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(err.findChild<QRadioButton *>(QStringLiteral("com%1").arg(n))->text(),
                 QStringLiteral("Com%1").arg(n));

    // Cancel of the error window ends the program at once.
    int ended = 0;
    err.EndProgram = [&] { ++ended; };
    err.findChild<QPushButton *>("cancel")->click();
    QCOMPARE(ended, 1);
}

void TestPortWindows::loadSelectsCurrentPort_data()
{
    QTest::addColumn<bool>("errorWindow");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("selected"); // 0: none
    for (bool errorWindow : {false, true}) {
        const char *name = errorWindow ? "ComErr" : "CommuniFrm";
        for (int port : {1, 2, 3, 4})
            QTest::addRow("%s port %d", name, port) << errorWindow << port << port;
        QTest::addRow("%s port 5", name) << errorWindow << 5 << 0;
        QTest::addRow("%s port 0", name) << errorWindow << 0 << 0;
    }
}

void TestPortWindows::loadSelectsCurrentPort()
{
    QFETCH(bool, errorWindow);
    QFETCH(int, port);
    QFETCH(int, selected);
    TestEnvironment env;
    SettingsStore::SetPortDevice(2, QStringLiteral("/dev/ttyUSB7"));
    Module1 m;
    m.ComPortNumber = 3.0f;
    MSComm comm(StoreMap());
    comm.SetCommPort(port);
    PortWindow w(errorWindow, comm, m);

    QCOMPARE(w.Selected(), selected);
    QCOMPARE(m.ComPortNumber, float(port));
    // Each option shows the device it stands for.
    const QStringList devices{"/dev/ttyS0", "/dev/ttyUSB7", "/dev/ttyS2", "/dev/ttyS3"};
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(w.dialog->findChild<QLabel *>(QStringLiteral("Device%1").arg(n))->text(),
                 devices[n - 1]);
    // A device can be assigned only to a selected number.
    QCOMPARE(w.dialog->findChild<QPushButton *>("AssignDevice")->isEnabled(), selected != 0);
    if (selected != 0)
        QCOMPARE(w.dialog->findChild<QComboBox *>("DeviceCombo")->currentText(),
                 devices[selected - 1]);
}

void TestPortWindows::confirmOpenPortReopensIt()
{
    QFETCH(bool, errorWindow);
    TestEnvironment env;
    Pty pty;
    QVERIFY(pty.IsValid());
    SettingsStore::SetPortDevice(2, pty.SlavePath());
    SettingsStore::Write("setting", "comport", "1");
    Module1 m;
    MSComm comm(StoreMap());
    comm.SetCommPort(2);
    QCOMPARE(comm.SetPortOpen(true), 0);

    PortWindow w(errorWindow, comm, m);
    QVERIFY(w.Shown());
    QCOMPARE(w.Selected(), 2);
    MessageCatcher catcher;
    w.Ok();

    // Reopening an open port without closing it first would report it as in use.
    QCOMPARE(catcher.Texts(), QStringList());
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.CommPort(), 2);
    QCOMPARE(m.ComPortNumber, 2.0f);
    QCOMPARE(StoredComport(), QStringLiteral("2"));
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(w.endProgramCalls, 0);
}

void TestPortWindows::confirmSwitchesToAnotherPort()
{
    QFETCH(bool, errorWindow);
    TestEnvironment env;
    Pty first;
    Pty second;
    QVERIFY(first.IsValid() && second.IsValid());
    SettingsStore::SetPortDevice(1, first.SlavePath());
    SettingsStore::SetPortDevice(3, second.SlavePath());
    Module1 m;
    MSComm comm(StoreMap());
    comm.SetCommPort(1);
    QCOMPARE(comm.SetPortOpen(true), 0);

    PortWindow w(errorWindow, comm, m);
    QVERIFY(w.Shown());
    w.Option(3)->click();
    MessageCatcher catcher;
    w.Ok();
    QCOMPARE(catcher.Texts(), QStringList());
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.CommPort(), 3);
    QCOMPARE(comm.DevicePath(), second.SlavePath());
    QCOMPARE(StoredComport(), QStringLiteral("3"));
    QVERIFY(!w.dialog->isVisible());

    // Bytes from the new line arrive; the old device is free again.
    QVERIFY(second.Write(QByteArray(22, 'x')));
    QTRY_VERIFY(comm.InBufferCount() > 0);
    MSComm other([&](int) { return first.SlavePath(); });
    QCOMPARE(other.SetPortOpen(true), 0);
}

void TestPortWindows::portHeldByAnother()
{
    QFETCH(bool, errorWindow);
    TestEnvironment env;
    Pty mine;
    Pty held;
    QVERIFY(mine.IsValid() && held.IsValid());
    SettingsStore::SetPortDevice(1, mine.SlavePath());
    SettingsStore::SetPortDevice(2, held.SlavePath());
    SettingsStore::Write("setting", "comport", "1");
    MSComm holder([&](int) { return held.SlavePath(); });
    QCOMPARE(holder.SetPortOpen(true), 0);

    Module1 m;
    MSComm comm(StoreMap());
    comm.SetCommPort(1);
    QCOMPARE(comm.SetPortOpen(true), 0);
    PortWindow w(errorWindow, comm, m);
    QVERIFY(w.Shown());
    w.Option(2)->click();
    MessageCatcher catcher;
    w.Ok();

    QCOMPARE(catcher.Texts(), QStringList{"Com2 Have Used!,Please Choose Other Com"});
    QCOMPARE(catcher.Messages().first().Icon, MessageIcon::None);
    QVERIFY(w.dialog->isVisible());
    QVERIFY(!comm.PortOpen()); // closed by the attempt
    QCOMPARE(StoredComport(), QStringLiteral("1"));

    // Another choice from the same window works.
    w.Option(1)->click();
    w.Ok();
    QCOMPARE(catcher.Messages().size(), 1);
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.DevicePath(), mine.SlavePath());
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.endProgramCalls, 0);
}

void TestPortWindows::missingDevice()
{
    QFETCH(bool, errorWindow);
    TestEnvironment env;
    Pty pty;
    QVERIFY(pty.IsValid());
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    SettingsStore::SetPortDevice(4, Missing);
    Module1 m;
    MSComm comm(StoreMap());
    comm.SetCommPort(1);
    QCOMPARE(comm.SetPortOpen(true), 0);
    PortWindow w(errorWindow, comm, m);
    QVERIFY(w.Shown());
    w.Option(4)->click();
    MessageCatcher catcher;
    w.Ok();

    QCOMPARE(catcher.Texts(), QStringList{"Invaild Com4"});
    QVERIFY(w.dialog->isVisible());
    QVERIFY(!comm.PortOpen());
    QCOMPARE(StoredComport(), QStringLiteral("<none>"));

    // Cancel leaves the port as the failed attempt left it; the error window ends the program.
    w.Cancel();
    if (errorWindow) {
        QCOMPARE(w.endProgramCalls, 1);
    } else {
        QVERIFY(!w.dialog->isVisible());
        QCOMPARE(w.dialog->result(), int(QDialog::Rejected));
    }
    QVERIFY(!comm.PortOpen());
    QCOMPARE(StoredComport(), QStringLiteral("<none>"));
}

void TestPortWindows::numberAboveFourIsKept()
{
    QFETCH(bool, errorWindow);
    TestEnvironment env;
    Pty pty;
    QVERIFY(pty.IsValid());
    SettingsStore::SetPortDevice(5, pty.SlavePath());
    Module1 m;
    MSComm comm(StoreMap());
    comm.SetCommPort(5);
    PortWindow w(errorWindow, comm, m);
    QVERIFY(w.Shown());
    QCOMPARE(w.Selected(), 0);
    MessageCatcher catcher;
    w.Ok();
    QCOMPARE(catcher.Texts(), QStringList());
    QCOMPARE(m.ComPortNumber, 5.0f);
    QCOMPARE(comm.CommPort(), 5);
    QVERIFY(comm.PortOpen());
    QCOMPARE(StoredComport(), QStringLiteral("5"));
}

void TestPortWindows::assignDevice()
{
    QFETCH(bool, errorWindow);
    TestEnvironment env;
    Pty adapter;
    QVERIFY(adapter.IsValid());
    Module1 m;
    MSComm comm(StoreMap());
    comm.SetCommPort(3);
    PortWindow w(errorWindow, comm, m);
    QVERIFY(w.Shown());
    QCOMPARE(w.Selected(), 3);
    auto *combo = w.dialog->findChild<QComboBox *>("DeviceCombo");
    auto *assign = w.dialog->findChild<QPushButton *>("AssignDevice");
    QVERIFY(combo && assign);

    // A blank path is not a device.
    combo->setEditText(QStringLiteral("   "));
    assign->click();
    QCOMPARE(SettingsStore::PortDevice(3), QStringLiteral("/dev/ttyS2"));

    // The typed path of a device the detection does not list.
    combo->setEditText(QStringLiteral(" ") + adapter.SlavePath());
    assign->click();
    QCOMPARE(SettingsStore::PortDevice(3), adapter.SlavePath());
    QCOMPARE(w.dialog->findChild<QLabel *>("Device3")->text(), adapter.SlavePath());
    QCOMPARE(SettingsStore::PortDevice(1), QStringLiteral("/dev/ttyS0"));

    MessageCatcher catcher;
    w.Ok();
    QCOMPARE(catcher.Texts(), QStringList());
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.DevicePath(), adapter.SlavePath());
    QCOMPARE(StoredComport(), QStringLiteral("3"));

    // The next start opens the same device from the stored settings.
    QCOMPARE(comm.SetPortOpen(false), 0);
    MSComm nextStart(StoreMap());
    nextStart.SetCommPort(int(SettingsStore::ReadNumber("setting", "comport", 1)));
    QCOMPARE(nextStart.SetPortOpen(true), 0);
    QCOMPARE(nextStart.DevicePath(), adapter.SlavePath());
}

QTEST_MAIN(TestPortWindows)
#include "tst_portwindows.moc"
