#pragma once

#include "common/Result.h"
#include "meter/FrameReceiver.h"
#include "meter/TimedReading.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <functional>

namespace kst {

// The meter's serial link: the port (the main window's serial control), the frame assembler, the
// receive watchdog and the modem lines, over QSerialPort. It needs no widgets, so a program
// without windows logs the meter through it too.
//
// Port numbers 1..4 map to device paths (COM1 -> /dev/ttyS0 by default; the settings store's
// "Ports" section can assign any device). Opening reports failures as error numbers: 8005 when
// the device is held by another program, 8002 when it does not exist, ErrNoPermission when the
// user may not open it, 8000 for anything else.
//
// Every whole frame that arrives is decoded and handed on at once as a reading stamped with the
// clock's time (see FrameReceiver for how the link keeps in step with the frames). The watchdog
// (Timer2) stops when a reading arrives; whoever handles the reading starts it again, and the
// link does after bytes it had to drop. When it runs out the meter has been silent too long.
//
// A vanished device (USB adapter pulled) closes the port once; then the same device is tried
// again every RetryMs until it answers, and the port reopens with the same settings. A device the
// user may not open is tried again the same way, until its permissions are mended.
class MSComm : public QObject {
    Q_OBJECT
public:
    static constexpr int ErrPortAlreadyOpen = 8005;
    static constexpr int ErrBadPortNumber = 8002;
    static constexpr int ErrOther = 8000;
    // Not a number of the original control: the device exists but the user may not open it.
    static constexpr int ErrNoPermission = 8100;
    static constexpr int FrameLength = FrameReceiver::FrameLength;

    enum class LinkState { Closed, Open, Retrying };

    // Maps a port number to its device path.
    using PortMap = std::function<QString(int port)>;

    explicit MSComm(PortMap portMap, QObject *parent = nullptr);
    ~MSComm() override;

    QString Settings() const { return settings_; }
    // "9600,n,8,1": baud, parity, data bits, stop bits. Returns false for a text it cannot apply.
    bool SetSettings(const QString &settings);

    int CommPort() const { return commPort_; }
    void SetCommPort(int port) { commPort_ = port; }
    QString DevicePath() const;

    bool PortOpen() const;
    // Opens or closes the port: 0 on success, else an error number (see above). Either way any
    // retrying for a lost device stops: the caller has decided.
    int SetPortOpen(bool open);
    // The error number of the last failed open, 0 after a successful one.
    int OpenError() const { return openError_; }
    // The same as a result: the failure names the device and the cause, and says whether trying
    // again may help (a missing or busy device may come back; a refused permission will not).
    Status OpenPort();
    // What the window tells the user about an error number from opening port `port` on
    // `device`; empty for errors the program does not explain.
    static QString OpenErrorText(int error, int port, const QString &device);
    // The failure for an error number from opening `device`.
    static Failure OpenFailure(int error, const QString &device);

    // The recovery step: what waits on the line is dropped; the frame that ends at the next pause
    // is read afresh.
    void Discard() { receiver_.Discard(); }

    // Who takes every reading first, called straight away, before the Reading signal's
    // receivers: the session the link belongs to.
    void SetTaker(std::function<void(const TimedReading &)> taker) { taker_ = std::move(taker); }

    // The time readings are stamped with; the local clock unless set.
    void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    // The receive watchdog, "Timer2": 3000 ms unless set, off until the first reading.
    QTimer &Watchdog() { return watchdog_; }

    // Quiet time that ends a frame; the meter pauses far longer between frames.
    int QuietMs() const { return quietMs_; }
    void SetQuietMs(int ms) { quietMs_ = ms; }

    // Modem control lines set after every open; optically isolated cables draw their power from
    // them. A device without the lines (a pty) refuses silently.
    void SetModemLines(bool dtr, bool rts)
    {
        dtr_ = dtr;
        rts_ = rts;
    }

    // Period of the attempts to reopen a lost or refused device; 0 gives up at once. Takes effect
    // at once when attempts are under way.
    void SetRetryMs(int ms);
    LinkState State() const;

signals:
    // A reading arrived.
    void Reading(const kst::TimedReading &reading);
    // The watchdog ran out: no reading for its interval.
    void Silent();
    // The port was closed because its device went away.
    void DeviceLost();
    // Opened, closed, lost or reopened.
    void StateChanged();

private:
    int Open();
    void Retry();
    void ReadAvailable();
    void Quiet();
    void HandleError(QSerialPort::SerialPortError error);

    PortMap portMap_;
    QSerialPort port_;
    QByteArray received_;
    QTimer quietTimer_;
    QElapsedTimer sinceBytes_;
    QTimer retryTimer_;
    QTimer watchdog_;
    FrameReceiver receiver_;
    std::function<QDateTime()> clock_;
    std::function<void(const TimedReading &)> taker_;
    QString settings_ = QStringLiteral("9600,n,8,1");
    int commPort_ = 1;
    int quietMs_ = 40;
    int retryMs_ = 2000;
    int openError_ = 0;
    quint64 readings_ = 0;
    bool dtr_ = true;
    bool rts_ = false;
};

} // namespace kst
