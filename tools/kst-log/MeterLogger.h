#pragma once

#include "LoggerOptions.h"
#include "record/MeterRecording.h"
#include "session/OutputSinks.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace kst {

class MeterSession;

// One meter logged without a screen: a session on the device whose recording keeps every
// reading the program would record (a held display is printed but not recorded; an over-range
// reading is recorded with the marker 4000), printed on standard output and appended to a sample
// file and a CSV file as it arrives. A CSV file named "-" is standard output, which then carries
// the CSV rows alone. With several meters, meter k's files are "<file>-<name>.<ext>" and what it
// prints carries its name.
class MeterLogger : public QObject {
    Q_OBJECT
public:
    // Logs meter `index` of the options' meters; the meters share headerPrinted, the CSV header
    // on standard output.
    explicit MeterLogger(LoggerOptions options, int index = 0,
                         std::shared_ptr<bool> headerPrinted = std::make_shared<bool>(false),
                         QObject *parent = nullptr);
    ~MeterLogger() override;

    // Opens the files and the device; ExitOk, or the exit code after the message went to
    // standard error.
    int Start();
    // Ends the run: the files are closed complete.
    void Stop();

    MeterSession &Session() { return *session_; }
    // Readings taken, and gaps: the times the device was lost and came back.
    qint64 Readings() const { return taken_; }
    qint64 Gaps() const { return gaps_; }
    // Hands every reading to a publisher as well (its JSON object and unit text), and the link's
    // loss and return.
    void PublishTo(PublishOutput::Publish publish, PublishOutput::PublishLink link = {});
    const MeterSpec &Meter() const { return meter_; }

signals:
    // The run is over (count reached, a file failed, nothing left to do); the program ends with
    // this code.
    void Finished(int exitCode);

private:
    template <typename Output> bool OpenFile(std::unique_ptr<Output> &output, const QString &path);
    void Taken();
    void Failed(const Failure &failure);

    LoggerOptions options_;
    MeterSpec meter_;
    int number_;
    // Set when there are several meters: what this one prints and publishes carries it.
    QString tag_;
    std::shared_ptr<bool> headerPrinted_;
    MeterRecording recording_;
    MeterSession *session_;
    std::unique_ptr<SampleFileOutput> mas_;
    std::unique_ptr<CsvFileOutput> csv_;
    std::unique_ptr<StreamOutput> stream_;
    std::unique_ptr<PublishOutput> publish_;
    qint64 taken_ = 0;
    qint64 gaps_ = 0;
    bool stopped_ = false;
    bool lost_ = false;
};

} // namespace kst
