// The main window's side of several meters: building meters 2 and on from the settings, the meter
// selector, each meter's readings (its button, its alarms, its strip, the panels when it is the
// one shown), and Setup > Meters...
#include "shell/MainFrm.h"

#include "common/ReadoutPacer.h"
#include "common/ui/Module1.h"
#include "files/RecordingJournal.h"
#include "graph/ui/ScallFrm.h"
#include "graph/ui/TrendGraphView.h"
#include "meter/MSComm.h"
#include "panel/ui/ReadingPanel.h"
#include "record/ui/AlarmPanel.h"
#include "record/ui/StatisticsPanel.h"
#include "session/MeterSession.h"
#include "session/SettingsStore.h"
#include "shell/MeterSelector.h"
#include "shell/MeterSet.h"
#include "shell/MetersFrm.h"

#include <QBoxLayout>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>

namespace kst {

namespace {

// What a meter's button shows of a reading: the reading box's text and the unit.
QString ButtonValue(const TimedReading &reading, const ReadingOutcome &outcome)
{
    return outcome.text + u' ' + reading.reading.AcDcText + reading.reading.UnitText;
}

} // namespace

void MainFrm::SetUpMeters()
{
    meters_ = new MeterSet(M, this, strips_, [this] { return SaveFileName; });
    connect(meters_, &MeterSet::ReadingTaken, this, &MainFrm::ShowMeterReading);
    connect(meters_, &MeterSet::Silent, this, &MainFrm::MeterSilent);
    connect(meters_, &MeterSet::LinkChanged, this, [this](int index) {
        if (index == selected_)
            UpdateStatusBar();
    });
    meterList_ = ReadMeterList();
    RebuildMeters();
}

void MainFrm::RebuildMeters()
{
    SelectMeter(0);
    meters_->Build(meterList_, publishSettings_);
    std::vector<MeterSelector::Entry> entries;
    for (const MeterSetup &meter : meterList_)
        entries.push_back({meter.name, meter.colour});
    selector_->SetMeters(entries);
    lastReadings_.assign(size_t(M.MeterCount()), std::nullopt);
    SetGraphColours(back_, fore_, lineWidth_);
    for (int k = 1; k < M.MeterCount(); ++k)
        ConnectStrip(meters_->At(k).strip);
    ShareScrollBar();
    UpdateRecording();
}

void MainFrm::ShareScrollBar()
{
    // With several meters, meter 1's scroll bar goes under the last strip and every strip
    // follows it; each strip keeps its own while recording moves it on.
    QScrollBar *bar = Graph->HScroll();
    auto *own = static_cast<QBoxLayout *>(Graph->layout());
    if (M.MeterCount() > 1) {
        own->removeWidget(bar);
        strips_->addWidget(bar);
    } else if (bar->parentWidget() != Graph) {
        strips_->removeWidget(bar);
        bar->setParent(Graph);
        own->addWidget(bar);
        bar->show();
    }
    for (int k = 1; k < M.MeterCount(); ++k) {
        QScrollBar *follower = meters_->At(k).strip->HScroll();
        connect(bar, &QScrollBar::rangeChanged, follower, [this, follower](int low, int high) {
            if (!StartCom->isChecked())
                follower->setRange(low, high);
        });
        connect(bar, &QScrollBar::valueChanged, follower, [this, follower](int value) {
            if (!StartCom->isChecked())
                follower->setValue(value);
        });
    }
}

MSComm &MainFrm::LinkOf(int index)
{
    return index == 0 ? *MSComm1 : meters_->At(index).session->Link();
}

TrendGraphView *MainFrm::StripOf(int index)
{
    return index == 0 ? Graph : meters_->At(index).strip;
}

void MainFrm::ShowMeterReading(int index, const TimedReading &reading,
                               const ReadingOutcome &outcome)
{
    (index == 0 ? receiving_ : meters_->At(index).receiving) = true;
    if (outcome.end != ReadingOutcome::End::Refused) {
        lastReadings_[size_t(index)] = std::pair(reading, outcome);
        selector_->SetValue(index, ButtonValue(reading, outcome));
    }
    if (outcome.end == ReadingOutcome::End::Complete) {
        const bool high = outcome.alarms.High == AlarmCheck::Crossed;
        const bool low = outcome.alarms.Low == AlarmCheck::Crossed;
        if (index == selected_)
            AlarmFrm->ShowVerdict(outcome.alarms);
        else if (high || low)
            AlarmFrm->Ring();
        // With several meters, a sounding alarm names its meter.
        if ((high || low) && M.MeterCount() > 1)
            statusBar()->showMessage(tr("Alarm: %1 %2")
                                         .arg(meterList_[size_t(index)].name,
                                              high ? QStringLiteral("HI") : QStringLiteral("LO")),
                                     5000);
        if (outcome.sample >= 0) {
            DataModified = true;
            StripOf(index)->RecordNewestSample(outcome.sample);
        }
    }
    if (index == selected_)
        waitingFrame_ = reading.reading;
    readouts_->Changed(); // the meter's button and, for the meter shown, the panels
}

void MainFrm::ShowReadouts()
{
    if (waitingFrame_) {
        ReadFrm->ShowReadingFlags(*waitingFrame_);
        // The text of the newest reading the rules took: after a refused one the panel keeps it.
        if (const auto &last = lastReadings_[size_t(selected_)])
            ReadFrm->SetReadingText(last->second.text);
        waitingFrame_.reset();
    }
    selector_->ShowValues();
    CalcFrm->Render();
    const bool receiving = selected_ == 0 ? receiving_ : meters_->At(selected_).receiving;
    status_->Show(LinkOf(selected_), receiving, M.Meter(selected_).Samples.SampleCount, true);
}

void MainFrm::MeterSilent(int index)
{
    (index == 0 ? receiving_ : meters_->At(index).receiving) = false;
    lastReadings_[size_t(index)].reset();
    selector_->SetValue(index, OverloadText);
    selector_->ShowValues(); // a silent meter is shown at once
    if (index != selected_)
        return;
    waitingFrame_.reset();
    ReadFrm->ShowWatchdogExpired();
    UpdateStatusBar();
}

QStringList MainFrm::MeterNames() const
{
    QStringList names;
    for (const MeterSetup &meter : meterList_)
        names.append(meter.name);
    return names;
}

void MainFrm::SelectMeter(int index)
{
    if (index < 0 || index >= M.MeterCount())
        return;
    switching_ = true;
    if (index != selected_) {
        if (selected_ == 0)
            firstAlarms_ = AlarmFrm->Settings();
        AlarmFrm->SetSettings(index == 0 ? firstAlarms_ : meters_->At(index).alarms);
    }
    selected_ = index;
    selector_->Select(index);
    MeterRecording &meter = M.Meter(index);
    CalcFrm->SetStatistics(meter.Statistics);
    Scall().SetMeter(meter);
    switching_ = false;
    const auto &last =
        lastReadings_.size() > size_t(index) ? lastReadings_[size_t(index)] : std::nullopt;
    waitingFrame_.reset();
    if (last) {
        ReadFrm->ShowReadingFlags(last->first.reading);
        ReadFrm->SetReadingText(last->second.text);
    } else {
        ReadFrm->ShowWatchdogExpired();
    }
    status_->SetMeterName(index == 0 ? QString() : meterList_[size_t(index)].name);
    UpdateStatusBar();
}

void MainFrm::AlarmsChanged(bool save)
{
    if (switching_)
        return;
    M.Meter(selected_).Alarms = AlarmFrm->Limits();
    if (!save)
        return;
    if (selected_ == 0) {
        SettingsStore::WriteAlarmSettings(AlarmFrm->Settings());
        return;
    }
    meters_->At(selected_).alarms = AlarmFrm->Settings();
    MeterSet::WriteAlarms(selected_ + 1, AlarmFrm->Settings());
}

void MainFrm::ResetOtherMeters()
{
    for (int k = 1; k < M.MeterCount(); ++k) {
        MeterRecording &meter = M.Meter(k);
        meter.Scale = GraphScale{};
        meter.Statistics.Reset();
        meter.Samples.Reset();
        meters_->At(k).journal->Remove();
        meters_->At(k).strip->ResetView();
    }
}

void MainFrm::Meters_Click()
{
    MetersFrm window(
        M, meterList_,
        QStringLiteral("COM%1 (%2)").arg(MSComm1->CommPort()).arg(MSComm1->DevicePath()), this);
    if (window.exec() != QDialog::Accepted || window.Meters() == meterList_)
        return;
    // A new set of meters starts a new recording: unsaved samples are offered to be saved first.
    if (!CloseFile())
        return;
    meterList_ = window.Meters();
    WriteMeterList(meterList_);
    RebuildMeters();
    Form_Paint();
}

} // namespace kst
