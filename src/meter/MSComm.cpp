#include "meter/MSComm.h"

#include "common/DateTimeText.h"
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

namespace kst {

MSComm::MSComm(PortMap portMap, QObject *parent)
    : QObject(parent), portMap_(std::move(portMap)), receiver_([this](const MeterReading &reading) {
          ++readings_;
          watchdog_.stop();
          const TimedReading timed{clock_ ? clock_() : CurrentLocalTime(), reading};
          if (taker_)
              taker_(timed);
          emit Reading(timed);
      })
{
    watchdog_.setObjectName(QStringLiteral("Timer2"));
    watchdog_.setParent(this);
    watchdog_.setInterval(3000);
    connect(&watchdog_, &QTimer::timeout, this, &MSComm::Silent);
    quietTimer_.setSingleShot(true);
    connect(&quietTimer_, &QTimer::timeout, this, &MSComm::Quiet);
    connect(&retryTimer_, &QTimer::timeout, this, &MSComm::Retry);
    connect(&port_, &QSerialPort::readyRead, this, &MSComm::ReadAvailable);
    connect(&port_, &QSerialPort::errorOccurred, this, &MSComm::HandleError);
}

MSComm::~MSComm()
{
    if (port_.isOpen())
        port_.close();
}

bool MSComm::SetSettings(const QString &settings)
{
    const QStringList parts = settings.split(u',');
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int baud = parts[0].toInt(&ok);
    if (!ok || baud <= 0)
        return false;
    const QString parity = parts[1].trimmed().toLower();
    if (parity != u"n" && parity != u"e" && parity != u"o" && parity != u"m" && parity != u"s")
        return false;
    const int bits = parts[2].toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;
    const QString stop = parts[3].trimmed();
    if (stop != u"1" && stop != u"1.5" && stop != u"2")
        return false;
    settings_ = settings;
    return true;
}

QString MSComm::DevicePath() const
{
    return portMap_ ? portMap_(commPort_) : QString();
}

bool MSComm::PortOpen() const
{
    return port_.isOpen();
}

void MSComm::SetRetryMs(int ms)
{
    retryMs_ = ms;
    if (!retryTimer_.isActive())
        return;
    if (ms > 0)
        retryTimer_.start(ms);
    else
        retryTimer_.stop();
}

MSComm::LinkState MSComm::State() const
{
    if (port_.isOpen())
        return LinkState::Open;
    return retryTimer_.isActive() ? LinkState::Retrying : LinkState::Closed;
}

QString MSComm::OpenErrorText(int error, int port, const QString &device)
{
    switch (error) {
    case ErrPortAlreadyOpen:
        return QStringLiteral("Com%1 Have Used!,Please Choose Other Com").arg(port);
    case ErrBadPortNumber:
        return QStringLiteral("Invaild Com%1: %2 does not exist").arg(port).arg(device);
    case ErrNoPermission:
        return QStringLiteral("Com%1: no permission to open %2.\n"
                              "Add your user to the dialout group "
                              "(sudo usermod -aG dialout $USER), then log out and log in again.")
            .arg(port)
            .arg(device);
    default:
        return {};
    }
}

Failure MSComm::OpenFailure(int error, const QString &device)
{
    switch (error) {
    case ErrBadPortNumber:
        return Failure::Transient(QStringLiteral("%1: no such device").arg(device));
    case ErrPortAlreadyOpen:
        return Failure::Transient(
            QStringLiteral("%1: the device is in use by another program").arg(device));
    case ErrNoPermission:
        return Failure::Permanent(
            QStringLiteral("%1: no permission to open the device; add your user to the dialout "
                           "group (sudo usermod -aG dialout $USER), then log in again")
                .arg(device));
    default:
        return Failure::Transient(QStringLiteral("%1: the device cannot be opened").arg(device));
    }
}

Status MSComm::OpenPort()
{
    const int error = SetPortOpen(true);
    if (error == 0)
        return {};
    return OpenFailure(error, DevicePath());
}

int MSComm::SetPortOpen(bool open)
{
    retryTimer_.stop();
    if (!open) {
        if (port_.isOpen())
            port_.close();
        quietTimer_.stop();
        receiver_.Restart();
        emit StateChanged();
        return 0;
    }
    if (port_.isOpen())
        return ErrPortAlreadyOpen;
    const int error = Open();
    // A refused permission is mended while the program runs (the device's group or mode, or a
    // rule for the adapter): the device is tried again as a lost one is, so no restart is needed.
    if (error == ErrNoPermission && retryMs_ > 0)
        retryTimer_.start(retryMs_);
    emit StateChanged();
    return error;
}

int MSComm::Open()
{
    const QString device = DevicePath();
    if (device.isEmpty() || !QFileInfo::exists(device))
        return openError_ = ErrBadPortNumber;

    const QStringList parts = settings_.split(u',');
    port_.setPortName(device);
    port_.setBaudRate(parts[0].toInt());
    const QChar parity = parts[1].trimmed().toLower().at(0);
    port_.setParity(parity == u'e'   ? QSerialPort::EvenParity
                    : parity == u'o' ? QSerialPort::OddParity
                    : parity == u'm' ? QSerialPort::MarkParity
                    : parity == u's' ? QSerialPort::SpaceParity
                                     : QSerialPort::NoParity);
    port_.setDataBits(QSerialPort::DataBits(parts[2].toInt()));
    const QString stop = parts[3].trimmed();
    port_.setStopBits(stop == u"2"     ? QSerialPort::TwoStop
                      : stop == u"1.5" ? QSerialPort::OneAndHalfStop
                                       : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    receiver_.Restart();
    if (port_.open(QIODevice::ReadWrite)) {
        // A line the device does not have reports an unsupported operation, which is ignored.
        port_.setDataTerminalReady(dtr_);
        port_.setRequestToSend(rts_);
        port_.clearError();
        return openError_ = 0;
    }
    switch (port_.error()) {
    case QSerialPort::PermissionError:
        // Both a refused lock (another program has it) and a refused open end here; only the
        // device's own permissions tell them apart.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
            return openError_ = ErrNoPermission;
        return openError_ = ErrPortAlreadyOpen;
    case QSerialPort::DeviceNotFoundError:
        return openError_ = ErrBadPortNumber;
    default:
        return openError_ = ErrOther;
    }
}

void MSComm::Retry()
{
    if (Open() != 0) {
        emit StateChanged(); // the cause may have changed (unplugged, or still refused)
        return;              // the timer tries again
    }
    retryTimer_.stop();
    emit StateChanged();
}

void MSComm::ReadAvailable()
{
    // Everything the port holds, into room kept for the next bytes.
    const qint64 available = port_.bytesAvailable();
    received_.resize(available);
    const qint64 got = available > 0 ? port_.read(received_.data(), available) : 0;
    sinceBytes_.start();
    const bool wasInStep = !receiver_.WaitingForPause();
    receiver_.Receive(received_.constData(), std::max<qint64>(got, 0));
    if (wasInStep && receiver_.WaitingForPause())
        watchdog_.start(); // bytes that were no frame: the recovery re-arms the watchdog
    // The pause matters only while part of a frame waits or the assembler is out of step; the
    // timer is armed once and checks the time of the last bytes when it runs out.
    if (receiver_.Waiting() > 0 && !quietTimer_.isActive())
        quietTimer_.start(quietMs_);
}

void MSComm::Quiet()
{
    if (!port_.isOpen())
        return;
    const qint64 left = quietMs_ - sinceBytes_.elapsed();
    if (left > 0) {
        quietTimer_.start(int(left));
        return;
    }
    const bool wasInStep = !receiver_.WaitingForPause();
    const quint64 before = readings_;
    receiver_.LineQuiet();
    if (!wasInStep && readings_ == before)
        watchdog_.start(); // the bytes before the pause were no frame either
}

void MSComm::HandleError(QSerialPort::SerialPortError error)
{
    // A pulled adapter reports a resource error; a hung-up line (the other end of a pty closed)
    // reports a read error with nothing to read. Either way the device is gone: close once, so
    // no further errors or reads spin, and wait for it on a slow timer.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen())
        return;
    port_.close();
    quietTimer_.stop();
    receiver_.Restart();
    if (retryMs_ > 0)
        retryTimer_.start(retryMs_);
    emit DeviceLost();
    emit StateChanged();
}

} // namespace kst
