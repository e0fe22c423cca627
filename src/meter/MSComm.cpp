#include "meter/MSComm.h"

#include <QFileInfo>

namespace kst {

MSComm::MSComm(PortMap portMap, QObject *parent) : QObject(parent), portMap_(std::move(portMap))
{
    quietTimer_.setSingleShot(true);
    connect(&quietTimer_, &QTimer::timeout, this, &MSComm::LineQuiet);
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

int MSComm::SetPortOpen(bool open)
{
    if (!open) {
        if (port_.isOpen())
            port_.close();
        quietTimer_.stop();
        buffer_.clear();
        return 0;
    }
    if (port_.isOpen())
        return ErrPortAlreadyOpen;
    const QString device = DevicePath();
    if (device.isEmpty() || !QFileInfo::exists(device))
        return ErrBadPortNumber;

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
    buffer_.clear();
    if (port_.open(QIODevice::ReadWrite)) {
        port_.clearError();
        return 0;
    }
    switch (port_.error()) {
    case QSerialPort::PermissionError:
        return ErrPortAlreadyOpen;
    case QSerialPort::DeviceNotFoundError:
        return ErrBadPortNumber;
    default:
        return ErrOther;
    }
}

QByteArray MSComm::Input()
{
    const qsizetype n =
        inputLen_ <= 0 ? buffer_.size() : std::min<qsizetype>(inputLen_, buffer_.size());
    QByteArray chunk = buffer_.left(n);
    buffer_.remove(0, n);
    return chunk;
}

void MSComm::SetInBufferCount(int count)
{
    if (count <= 0)
        buffer_.clear();
}

void MSComm::ReadAvailable()
{
    buffer_.append(port_.readAll());
    quietTimer_.start(quietMs_);
    // Two frames' worth raises at once; less waits for the meter's pause.
    while (port_.isOpen() && buffer_.size() >= 2 * FrameLength && !raising_) {
        const qsizetype before = buffer_.size();
        Raise();
        if (buffer_.size() >= before)
            break;
    }
}

void MSComm::LineQuiet()
{
    // The meter has paused, so what waits ends with the last byte of a frame. Keep that frame
    // alone: a cut frame, garbage or older frames before it are dropped, and the reader is
    // aligned again whatever came before.
    if (buffer_.size() < FrameLength) {
        buffer_.clear();
        return;
    }
    buffer_ = buffer_.right(FrameLength);
    if (port_.isOpen() && !raising_)
        Raise();
}

void MSComm::Raise()
{
    raising_ = true;
    commEvent_ = ComEvReceive;
    emit OnComm();
    raising_ = false;
}

void MSComm::HandleError(QSerialPort::SerialPortError error)
{
    // A pulled adapter reports a resource error; a hung-up line (the other end of a pty closed)
    // reports a read error with nothing to read. Either way the device is gone: close once, so
    // no further errors or reads spin.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen())
        return;
    port_.close();
    quietTimer_.stop();
    buffer_.clear();
    emit DeviceLost();
}

} // namespace kst
