#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <functional>

namespace kst {

// The main window's serial control: just the operations the program uses, over QSerialPort.
//
// Port numbers 1..4 map to device paths (COM1 -> /dev/ttyS0 by default; the settings store's
// "Ports" section can assign any device). Opening reports failures as error numbers: 8005 when
// the device is held by another program, 8002 when it does not exist, 8000 for anything else.
//
// Receive threshold: OnComm (CommEvent 2, data received) is raised when at least one whole frame
// (11 bytes) is waiting and the line has gone quiet for QuietMs (the meter pauses after each
// frame), or at once when two frames' worth is waiting. At a pause the control keeps only the
// frame that ends there, so the reader locks onto frames from any starting byte and, after
// garbage or a cut frame, decodes again from the first frame that follows a pause.
//
// A vanished device (USB adapter pulled) closes the port once; nothing is raised for it.
class MSComm : public QObject {
    Q_OBJECT
public:
    static constexpr int ComEvReceive = 2;
    static constexpr int ErrPortAlreadyOpen = 8005;
    static constexpr int ErrBadPortNumber = 8002;
    static constexpr int ErrOther = 8000;
    static constexpr int FrameLength = 11;

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
    // Opens or closes the port: 0 on success, else an error number (see above).
    int SetPortOpen(bool open);

    int InputLen() const { return inputLen_; }
    void SetInputLen(int length) { inputLen_ = length; }
    // Takes up to InputLen bytes (all when 0) from the receive buffer.
    QByteArray Input();
    int InBufferCount() const { return int(buffer_.size()); }
    // Setting 0 discards everything waiting.
    void SetInBufferCount(int count);

    // Kind of the notification being handled (2 = data received).
    int CommEvent() const { return commEvent_; }

    // Quiet time that ends a frame; the meter pauses far longer between frames.
    int QuietMs() const { return quietMs_; }
    void SetQuietMs(int ms) { quietMs_ = ms; }

signals:
    void OnComm();
    // The port was closed because its device went away.
    void DeviceLost();

private:
    void ReadAvailable();
    void LineQuiet();
    void Raise();
    void HandleError(QSerialPort::SerialPortError error);

    PortMap portMap_;
    QSerialPort port_;
    QTimer quietTimer_;
    QByteArray buffer_;
    QString settings_ = QStringLiteral("9600,n,8,1");
    int commPort_ = 1;
    int inputLen_ = 0;
    int commEvent_ = 0;
    int quietMs_ = 40;
    bool raising_ = false;
};

} // namespace kst
