#include "MeterLogger.h"

#include "common/Numbers.h"
#include "files/CsvWriter.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "meter/MSComm.h"
#include "meter/ReadingExport.h"

#include <QBuffer>
#include <QFileInfo>
#include <cerrno>

namespace kst {

namespace {

void Complain(const QString &text)
{
    std::fprintf(stderr, "kst-log: %s\n", qPrintable(text));
}

} // namespace

QString DeviceErrorText(const QString &device, int error)
{
    switch (error) {
    case MSComm::ErrBadPortNumber:
        return QStringLiteral("%1: no such device").arg(device);
    case MSComm::ErrPortAlreadyOpen:
        return QStringLiteral("%1: the device is in use by another program").arg(device);
    case MSComm::ErrNoPermission:
        return QStringLiteral("%1: no permission to open the device; add your user to the "
                              "dialout group (sudo usermod -aG dialout $USER), then log in again")
            .arg(device);
    default:
        return QStringLiteral("%1: the device cannot be opened").arg(device);
    }
}

MeterLogger::MeterLogger(LoggerOptions options, QObject *parent)
    : QObject(parent), options_(std::move(options))
{
    printing_ = !options_.quiet;
}

MeterLogger::~MeterLogger()
{
    Stop();
}

bool MeterLogger::OpenMas()
{
    // An existing file is continued, but only one that loads completely: records appended after
    // a damaged one would never be read.
    if (QFileInfo::exists(options_.masPath)) {
        SampleLog existing;
        const SampleFileReadResult read = LoadSampleFile(options_.masPath, existing);
        if (!read.complete) {
            Complain(QStringLiteral("%1: not a complete sample file (line %2: %3); choose "
                                    "another file")
                         .arg(options_.masPath)
                         .arg(read.stopLine)
                         .arg(read.stopReason));
            return false;
        }
    }
    mas_.setFileName(options_.masPath);
    if (!mas_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        Complain(QStringLiteral("%1: %2").arg(options_.masPath, mas_.errorString()));
        return false;
    }
    // A last record without its line end gets one, so the next record starts a line.
    if (mas_.size() > 0) {
        QFile tail(options_.masPath);
        if (tail.open(QIODevice::ReadOnly) && tail.seek(tail.size() - 1) && tail.read(1) != "\n" &&
            !Append(mas_, QByteArrayLiteral("\r\n")))
            return false;
    }
    return true;
}

bool MeterLogger::OpenCsv()
{
    csv_.setFileName(options_.csvPath);
    if (!csv_.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        Complain(QStringLiteral("%1: %2").arg(options_.csvPath, csv_.errorString()));
        return false;
    }
    if (csv_.size() == 0)
        return Append(csv_, CsvWriter::HeaderRow());
    // An existing file is continued when it is this program's CSV and ends with a whole row.
    QFile existing(options_.csvPath);
    const QByteArray header = CsvWriter::HeaderRow();
    bool ours = existing.open(QIODevice::ReadOnly) && existing.read(header.size()) == header;
    ours = ours && existing.seek(existing.size() - 2) && existing.read(2) == "\r\n";
    if (!ours) {
        Complain(QStringLiteral("%1: not a CSV file of kst-log; choose another file")
                     .arg(options_.csvPath));
        return false;
    }
    return true;
}

int MeterLogger::Start()
{
    if (!options_.masPath.isEmpty() && !OpenMas())
        return ExitFile;
    if (!options_.csvPath.isEmpty() && !OpenCsv())
        return ExitFile;

    const QString device = options_.device;
    comm_ = new MSComm([device](int) { return device; }, this);
    comm_->SetSettings(QStringLiteral("9600,n,8,1"));
    comm_->SetModemLines(options_.dtr, options_.rts);
    connect(comm_, &MSComm::OnComm, this, &MeterLogger::OnComm);
    // A lost device is tried again every 2 s, as in the program; the files stay open.
    connect(comm_, &MSComm::DeviceLost, this, [this] {
        Complain(QStringLiteral("%1: device lost; trying again every 2 s").arg(options_.device));
    });
    connect(comm_, &MSComm::StateChanged, this, [this] {
        if (comm_->State() == MSComm::LinkState::Open && lost_)
            Complain(QStringLiteral("%1: reconnected").arg(options_.device));
        lost_ = comm_->State() == MSComm::LinkState::Retrying;
    });
    const int error = comm_->SetPortOpen(true);
    if (error != 0) {
        Complain(DeviceErrorText(device, error));
        return ExitDevice;
    }
    return ExitOk;
}

void MeterLogger::Stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    if (comm_)
        comm_->SetPortOpen(false);
    mas_.close();
    csv_.close();
    std::fflush(stdout);
}

void MeterLogger::OnComm()
{
    // The frame is found and decoded as the program does: two chunks of 11 bytes, the first
    // ending in CR LF; anything else is discarded.
    comm_->SetInputLen(MSComm::FrameLength);
    const QByteArray chunkA = comm_->Input();
    const QByteArray chunkB = comm_->Input();
    const std::optional<QByteArray> frame = SelectFrame(chunkA, chunkB);
    const std::optional<MeterReading> reading =
        frame ? DecodeMeterFrame(*frame) : std::optional<MeterReading>();
    if (!reading) {
        comm_->SetInBufferCount(0);
        return;
    }
    HandleReading(*reading);
}

void MeterLogger::HandleReading(const MeterReading &reading)
{
    if (stopped_)
        return;
    const QDateTime now = Clock();
    const float value = ReadingValue(reading);
    const QByteArray json =
        options_.json || Publish ? ReadingJson(now, reading, value) : QByteArray();
    if (printing_)
        Print(options_.json ? json : ReadingLine(now, reading, value).toUtf8());
    if (Publish)
        Publish(json, reading.AcDcText + reading.UnitText);
    if (!reading.Hold && (mas_.isOpen() || csv_.isOpen())) {
        Sample sample;
        sample.value = value;
        sample.date = now.date();
        sample.time = now.time();
        sample.unit = (reading.AcDcText + reading.UnitText).trimmed();
        sample.decimals = qint16(reading.Decimals);
        sample.avg = NoValueMarker;
        sample.relRef = NoValueMarker;
        bool ok = true;
        if (mas_.isOpen()) {
            one_.Store(0, sample);
            one_.SampleCount = 1;
            ok = Append(mas_, SampleFileBytes(one_, 1));
        }
        if (ok && csv_.isOpen())
            ok = Append(csv_, CsvWriter::Row(sample));
        if (!ok) {
            Stop();
            emit Finished(ExitFile);
            return;
        }
    }
    ++taken_;
    if (options_.count > 0 && taken_ >= options_.count) {
        Stop();
        emit Finished(ExitOk);
    }
}

bool MeterLogger::Append(QFile &file, const QByteArray &bytes)
{
    // One write per record: a reader never sees half of one unless the disk fills mid-record.
    if (file.write(bytes) == bytes.size())
        return true;
    Complain(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    return false;
}

void MeterLogger::Print(const QByteArray &line)
{
    // A reader that went away (kst-log ... | head) ends the printing, not the recording.
    if (std::fwrite(line.constData(), 1, size_t(line.size()), stdout) != size_t(line.size()) ||
        std::fputc('\n', stdout) == EOF || std::fflush(stdout) != 0) {
        if (errno == EPIPE)
            printing_ = false;
    }
    if (!printing_ && !mas_.isOpen() && !csv_.isOpen()) {
        Stop();
        emit Finished(ExitOk);
    }
}

} // namespace kst
