#pragma once

#include "meter/FrameDecoder.h"
#include "record/SampleLog.h"

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <cstdio>
#include <functional>
#include <memory>

namespace kst {

class MSComm;

// Exit codes of kst-log (the sysexits.h values).
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 64,  // a wrong command line
    ExitDevice = 69, // the serial device cannot be opened
    ExitFile = 73,   // a file cannot be read, created or written
};

struct LoggerOptions {
    QString device;   // serial device path
    QString masPath;  // sample file to append to; empty for none
    QString csvPath;  // CSV file to append to; empty for none
    qint64 count = 0; // readings to take; 0 for no limit
    bool quiet = false;
    bool json = false;
    // Modem control lines after opening; optically isolated cables draw their power from them.
    bool dtr = true;
    bool rts = false;
};

// Receives the meter's frames on a serial device, prints each reading on standard output (a
// line of text or of JSON) and appends what the program would record to a sample file and a CSV
// file as it arrives, each record in one write, so a file cut at any moment still loads. A held
// display is printed but not recorded; an over-range reading is recorded with the marker 4000.
class MeterLogger : public QObject {
    Q_OBJECT
public:
    explicit MeterLogger(LoggerOptions options, QObject *parent = nullptr);
    ~MeterLogger() override;

    // Opens the files and the device; ExitOk, or the exit code after the message went to
    // standard error.
    int Start();
    // Ends the run: the files are closed complete.
    void Stop();

    // The clock readings are stamped with; tests may replace it.
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };
    // Given every reading as its JSON object and unit text (for publishing); may be empty.
    std::function<void(const QByteArray &json, const QString &unit)> Publish;

signals:
    // The run is over (count reached or a file failed); the program ends with this code.
    void Finished(int exitCode);

private:
    void OnComm();
    void HandleReading(const MeterReading &reading);
    bool OpenMas();
    bool OpenCsv();
    bool Append(QFile &file, const QByteArray &bytes);
    void Print(const QByteArray &line);

    LoggerOptions options_;
    MSComm *comm_ = nullptr;
    QFile mas_;
    QFile csv_;
    SampleLog one_; // holds the one sample being written to the sample file
    qint64 taken_ = 0;
    bool printing_ = true;
    bool stopped_ = false;
    bool lost_ = false;
};

// The message for an error number of the serial control, naming the device.
QString DeviceErrorText(const QString &device, int error);

} // namespace kst
