#include "shell/MeterSet.h"

#include "common/Version.h"
#include "common/ui/Module1.h"
#include "files/FileIo.h"
#include "files/RecordingJournal.h"
#include "graph/ui/TrendGraphView.h"
#include "meter/MSComm.h"
#include "publish/PublishLink.h"
#include "session/MeterSession.h"
#include "session/SettingsStore.h"

#include <QBoxLayout>
#include <QScrollBar>

namespace kst {

namespace {

const QString Section = QStringLiteral("Meters");

QString Key(const char *field, int number)
{
    return QStringLiteral("%1%2").arg(QLatin1String(field)).arg(number);
}

} // namespace

MeterSet::MeterSet(Module1 &module, QWidget *window, QBoxLayout *strips,
                   std::function<QString()> saveFile)
    : QObject(window), m_(module), window_(window), strips_(strips), saveFile_(std::move(saveFile))
{
}

MeterSet::~MeterSet()
{
    Clear();
}

AlarmSettings MeterSet::ReadAlarms(int number)
{
    AlarmSettings alarms;
    alarms.high = SettingsStore::ReadNumber(Section, Key("AlarmH", number), 0) == 1;
    alarms.highText = SettingsStore::ReadText(Section, Key("AlarmHText", number), alarms.highText);
    alarms.low = SettingsStore::ReadNumber(Section, Key("AlarmL", number), 0) == 1;
    alarms.lowText = SettingsStore::ReadText(Section, Key("AlarmLText", number), alarms.lowText);
    return alarms;
}

void MeterSet::WriteAlarms(int number, const AlarmSettings &alarms)
{
    SettingsStore::Write(Section, Key("AlarmH", number), alarms.high ? "1" : "0");
    SettingsStore::Write(Section, Key("AlarmHText", number), alarms.highText);
    SettingsStore::Write(Section, Key("AlarmL", number), alarms.low ? "1" : "0");
    SettingsStore::Write(Section, Key("AlarmLText", number), alarms.lowText);
}

void MeterSet::Clear()
{
    for (const std::unique_ptr<Meter> &meter : meters_) {
        // The outputs go before the session that hands them readings.
        meter->session->RemoveOutput(*meter->journalOutput);
        if (meter->publishOutput)
            meter->session->RemoveOutput(*meter->publishOutput);
        delete meter->session;
        delete meter->journal;
        delete meter->publish;
        delete meter->strip;
    }
    meters_.clear();
    m_.OtherMeters.clear();
}

void MeterSet::Build(const std::vector<MeterSetup> &list, const PublishSettings &broker)
{
    Clear();
    for (size_t i = 1; i < list.size() && int(i) < MaxMeters; ++i)
        Add(list[i], broker);
}

void MeterSet::Add(const MeterSetup &setup, const PublishSettings &broker)
{
    const int index = int(meters_.size()) + 1;
    auto meter = std::make_unique<Meter>();
    meter->setup = setup;
    m_.OtherMeters.push_back(std::make_unique<MeterRecording>());
    meter->recording = m_.OtherMeters.back().get();
    meter->recording->FollowMeterRange = true; // the scale window's design: "Meter Range"
    meter->alarms = ReadAlarms(index + 1);
    meter->recording->Alarms = LimitsOf(meter->alarms);

    const QString device = setup.device;
    meter->session = new MeterSession(
        *meter->recording, [device](int) { return device; }, window_);
    meter->session->setObjectName(QStringLiteral("Meter%1").arg(index + 1));
    meter->session->SetClock([this] { return m_.Now(); });
    connect(meter->session, &MeterSession::ReadingTaken, this,
            [this, index](const TimedReading &reading, const ReadingOutcome &outcome) {
                emit ReadingTaken(index, reading, outcome);
            });
    MSComm &link = meter->session->Link();
    connect(&link, &MSComm::Silent, this, [this, index] { emit Silent(index); });
    connect(&link, &MSComm::StateChanged, this, [this, index] { emit LinkChanged(index); });

    meter->journal = new RecordingJournal(meter->recording->Samples, m_.DataFolder, window_);
    meter->journal->SetMeterName(setup.name);
    const QString name = setup.name;
    meter->journalOutput = std::make_unique<JournalOutput>(*meter->journal, [this, index, name] {
        return MeterFilePath(saveFile_(), index + 1, name);
    });
    meter->session->AddOutput(*meter->journalOutput);
    if (setup.publish)
        StartPublishing(*meter, broker);

    meter->strip = new TrendGraphView(m_, *meter->recording);
    meter->strip->setObjectName(QStringLiteral("Graph%1").arg(index + 1));
    meter->strip->HScroll()->hide(); // the strips share meter 1's scroll bar
    strips_->addWidget(meter->strip);

    const SettingsStore::ModemLines lines = SettingsStore::ReadModemLines();
    link.SetModemLines(lines.dtr, lines.rts);
    // A device that is not there yet is said in the status bar; the meter waits for it.
    static_cast<void>(link.OpenPort());
    meters_.push_back(std::move(meter));
}

void MeterSet::StartPublishing(Meter &meter, const PublishSettings &broker)
{
    PublishSettings settings = broker;
    settings.prefix = meter.setup.prefix;
    const Result<MqttTarget> target = MqttTargetFor(settings, meter.setup.device);
    if (!target)
        return; // the broker's settings are checked where they are made
    meter.publish = new PublishLink(window_);
    meter.publish->Start(*target,
                         {meter.setup.device, QStringLiteral("kst"), QStringLiteral(KST_VERSION)},
                         m_.DataFolder, broker.queueCapacity);
    PublishLink *link = meter.publish;
    meter.publishOutput = std::make_unique<PublishOutput>(
        [link](const QByteArray &json, const QString &unit) { link->Publish(json, unit); },
        meter.setup.name);
    meter.publishOutput->SetLinkPublisher([link](bool lost) { link->SetLinkLost(lost); });
    meter.publishOutput->SetMarkerPublisher(
        [link](const QByteArray &json) { link->PublishMarker(json); });
    meter.session->AddOutput(*meter.publishOutput);
}

} // namespace kst
