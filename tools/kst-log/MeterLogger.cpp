#include "MeterLogger.h"

#include "files/FileIo.h"
#include "meter/MSComm.h"
#include "session/MeterSession.h"

#include <cstdio>
#include <type_traits>

namespace kst {

namespace {

void Complain(const QString &text)
{
    std::fprintf(stderr, "kst-log: %s\n", qPrintable(text));
}

} // namespace

MeterLogger::MeterLogger(LoggerOptions options, int index, std::shared_ptr<bool> headerPrinted,
                         QObject *parent)
    : QObject(parent), options_(std::move(options)), meter_(options_.meters.at(size_t(index))),
      number_(index + 1), tag_(options_.meters.size() > 1 ? meter_.name : QString()),
      headerPrinted_(std::move(headerPrinted))
{
    // Every reading the program would record while START is down, written out as it comes.
    recording_.Recording = true;
    recording_.KeepSamples = false;
    const QString device = meter_.device;
    session_ = new MeterSession(
        recording_, [device](int) { return device; }, this);
    connect(session_, &MeterSession::ReadingTaken, this, &MeterLogger::Taken);
    connect(session_, &MeterSession::OutputFailed, this, &MeterLogger::Failed);
}

MeterLogger::~MeterLogger()
{
    Stop();
}

void MeterLogger::PublishTo(PublishOutput::Publish publish, PublishOutput::PublishLink link)
{
    publish_ = std::make_unique<PublishOutput>(std::move(publish), tag_);
    publish_->SetLinkPublisher(std::move(link));
    session_->AddOutput(*publish_);
}

int MeterLogger::Start()
{
    if (!options_.masPath.isEmpty() &&
        !OpenFile(mas_, MeterFilePath(options_.masPath, number_, meter_.name)))
        return ExitFile;
    const bool csvOut = options_.csvPath == QLatin1String("-");
    if (!options_.csvPath.isEmpty() && !csvOut &&
        !OpenFile(csv_, MeterFilePath(options_.csvPath, number_, meter_.name)))
        return ExitFile;
    if (csvOut || !options_.quiet) {
        stream_ = std::make_unique<StreamOutput>(stdout,
                                                 csvOut          ? StreamOutput::Form::Csv
                                                 : options_.json ? StreamOutput::Form::Json
                                                                 : StreamOutput::Form::Text,
                                                 options_.csvFormat, tag_, headerPrinted_);
        session_->AddOutput(*stream_);
    }

    MSComm &link = session_->Link();
    link.SetModemLines(options_.dtr, options_.rts);
    // A lost device is tried again every 2 s, as in the program; the files stay open.
    connect(&link, &MSComm::DeviceLost, this, [this] {
        Complain(QStringLiteral("%1: device lost; trying again every 2 s").arg(meter_.device));
    });
    connect(&link, &MSComm::StateChanged, this, [this, &link] {
        if (link.State() == MSComm::LinkState::Open && lost_) {
            ++gaps_;
            Complain(QStringLiteral("%1: reconnected").arg(meter_.device));
        }
        lost_ = link.State() == MSComm::LinkState::Retrying;
    });
    if (const Status opened = link.OpenPort(); !opened) {
        Complain(opened.Reason());
        return ExitDevice;
    }
    return ExitOk;
}

template <typename Output>
bool MeterLogger::OpenFile(std::unique_ptr<Output> &output, const QString &path)
{
    if constexpr (std::is_same_v<Output, CsvFileOutput>)
        output = std::make_unique<Output>(path, options_.csvFormat);
    else
        output = std::make_unique<Output>(path);
    const Result<QString> opened = output->Open();
    if (!opened) {
        Complain(opened.Reason());
        return false;
    }
    if (!opened->isEmpty())
        Complain(*opened); // what continuing the file took
    session_->AddOutput(*output);
    return true;
}

void MeterLogger::Stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    session_->Halt();
    static_cast<void>(session_->Flush()); // failures were said as they happened
    if (mas_)
        mas_->Close();
    if (csv_)
        csv_->Close();
}

void MeterLogger::Failed(const Failure &failure)
{
    if (stopped_)
        return;
    if (stream_ && stream_->Closed()) {
        // The reader of standard output went away: recording goes on while there is a file.
        if (mas_ || csv_)
            return;
        Stop();
        emit Finished(ExitOk);
        return;
    }
    Complain(failure.reason);
    Stop();
    emit Finished(ExitFile);
}

void MeterLogger::Taken()
{
    if (stopped_)
        return;
    ++taken_;
    if (options_.count > 0 && taken_ >= options_.count) {
        Stop();
        emit Finished(ExitOk);
    }
}

} // namespace kst
