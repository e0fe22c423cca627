#include "record/StatisticsPanel.h"

#include "graph/QtColour.h"

#include "common/DateTimeText.h"
#include "files/SampleFile.h"
#include "record/SampleLog.h"
#include "record/Statistics.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>

namespace kst {

namespace {

QString SampleDigitsPattern(const SampleLog &log, qint32 n)
{
    return DigitsPattern(log.SampleDecimals(n));
}

} // namespace

StatisticsPanel::StatisticsPanel(std::function<QDateTime()> clock, QWidget *parent)
    : QGroupBox(QStringLiteral("CALCULATION"), parent), clock_(std::move(clock))
{
    setObjectName(QStringLiteral("CalcFrm"));
    auto *grid = new QGridLayout(this);
    auto makeRow = [&](int row, const char *name, const char *caption, const char *dataName,
                       const char *timeName, QCheckBox *&box, QLabel *&data, QLabel *&time) {
        box = new QCheckBox(QString::fromLatin1(caption), this);
        box->setObjectName(QString::fromLatin1(name));
        data = new QLabel(this);
        data->setObjectName(QString::fromLatin1(dataName));
        data->setMinimumWidth(60);
        time = new QLabel(this);
        time->setObjectName(QString::fromLatin1(timeName));
        time->setMinimumWidth(130);
        grid->addWidget(box, row, 0);
        grid->addWidget(data, row, 1);
        grid->addWidget(time, row, 2);
    };
    makeRow(0, "Max", "MAX", "MaxData", "MaxTime", max_, maxData_, maxTime_);
    makeRow(1, "Min", "MIN", "MinData", "MinTime", min_, minData_, minTime_);
    makeRow(2, "Avg", "AVG", "AvgData", "AvgTime", avg_, avgData_, avgTime_);
    makeRow(3, "Rel", "REL", "RelData", "RelTime", rel_, relData_, relTime_);
    grid->setColumnStretch(2, 1);

    // toggled, not clicked: a change made by the program runs the handler too.
    connect(max_, &QCheckBox::toggled, this, &StatisticsPanel::Max_Click);
    connect(min_, &QCheckBox::toggled, this, &StatisticsPanel::Min_Click);
    connect(avg_, &QCheckBox::toggled, this, &StatisticsPanel::Avg_Click);
    connect(rel_, &QCheckBox::toggled, this, &StatisticsPanel::Rel_Click);
    // The boxes start unticked, their labels grey.
    ShowTicked(max_, maxData_, maxTime_);
    ShowTicked(min_, minData_, minTime_);
    ShowTicked(avg_, avgData_, avgTime_);
    ShowTicked(rel_, relData_, relTime_);
}

bool StatisticsPanel::MaxTicked() const
{
    return max_->isChecked();
}
bool StatisticsPanel::MinTicked() const
{
    return min_->isChecked();
}
bool StatisticsPanel::AvgTicked() const
{
    return avg_->isChecked();
}
bool StatisticsPanel::RelTicked() const
{
    return rel_->isChecked();
}
QString StatisticsPanel::RelDataText() const
{
    return relData_->text();
}

void StatisticsPanel::ShowTicked(QCheckBox *box, QLabel *data, QLabel *time)
{
    const QColor colour = box->isChecked() ? QColor(0, 0, 0) : GreyText();
    SetTextColour(data, colour);
    SetTextColour(time, colour);
}

void StatisticsPanel::UpdateMaximum(float v, QString &graphUnit, SampleLog &log, qint32 n,
                                    const QDateTime &now)
{
    if (!UpdateMaximumValue(MaxValue, MaxUnit, v, graphUnit))
        return;
    maxData_->setText(FormatSingle(v, SampleDigitsPattern(log, n)));
    maxTime_->setText(StampText(now));
    log.SetSampleIsMax(n, -1);
}

void StatisticsPanel::UpdateMinimum(float v, QString &graphUnit, SampleLog &log, qint32 n,
                                    const QDateTime &now)
{
    if (!UpdateMinimumValue(MinValue, MinUnit, v, graphUnit))
        return;
    minData_->setText(FormatSingle(v, SampleDigitsPattern(log, n)));
    minTime_->setText(StampText(now));
    log.SetSampleIsMin(n, -1);
}

void StatisticsPanel::UpdateAverage(float v, QString &graphUnit, SampleLog &log, qint32 n,
                                    const QDateTime &now)
{
    if (!UpdateAverageValue(AvgValue, AvgUnit, AvgCount, v, graphUnit))
        return;
    avgData_->setText(FormatSingle(AvgValue, SampleDigitsPattern(log, n)));
    avgTime_->setText(StampText(now));
}

void StatisticsPanel::SetRelReference(float count, qint16 decimals, const QDateTime &now)
{
    const std::optional<float> reference = RelReferenceFor(count, decimals);
    if (!reference)
        return;
    RelRef = *reference;
    relData_->setText(FormatSingle(RelRef, DigitsPattern(decimals)));
    relTime_->setText(StampText(now));
}

void StatisticsPanel::ResetStatistics()
{
    RelRef = 0;
    AvgCount = 0;
    LastRawValue = 0;
    MaxValue = NoValueMarker;
    MinValue = NoValueMarker;
    AvgValue = NoValueMarker;
    LastDecimals = 2;
}

void StatisticsPanel::ClearLabels()
{
    for (QLabel *label :
         {maxData_, maxTime_, minData_, minTime_, avgData_, avgTime_, relData_, relTime_})
        label->clear();
}

void StatisticsPanel::RestoreReadout(Readout which, const QString &data, const QString &time)
{
    QCheckBox *box = which == Readout::Max ? max_ : which == Readout::Min ? min_ : avg_;
    QLabel *dataLabel = which == Readout::Max   ? maxData_
                        : which == Readout::Min ? minData_
                                                : avgData_;
    QLabel *timeLabel = which == Readout::Max   ? maxTime_
                        : which == Readout::Min ? minTime_
                                                : avgTime_;
    box->setChecked(true);
    dataLabel->setText(data);
    timeLabel->setText(time);
}

void StatisticsPanel::RestoreLoadedReadouts(const SampleLog &log,
                                            const SampleFileReadResult &result)
{
    auto restore = [&](Readout which, qint32 index, bool average) {
        if (index < 0 || index >= log.SampleCount)
            return;
        const ReadoutTexts texts =
            LoadedReadoutTexts(average ? log.SampleAvg(index) : log.SampleValue(index),
                               log.SampleDate(index), log.SampleTime(index));
        RestoreReadout(which, texts.data, texts.time);
    };
    restore(Readout::Max, result.lastMaxIndex, false);
    restore(Readout::Min, result.lastMinIndex, false);
    restore(Readout::Avg, result.lastAvgIndex, true);
}

void StatisticsPanel::Max_Click()
{
    ShowTicked(max_, maxData_, maxTime_);
}

void StatisticsPanel::Min_Click()
{
    ShowTicked(min_, minData_, minTime_);
}

void StatisticsPanel::Avg_Click()
{
    ShowTicked(avg_, avgData_, avgTime_);
}

void StatisticsPanel::Rel_Click()
{
    ShowTicked(rel_, relData_, relTime_);
    if (rel_->isChecked())
        SetRelReference(LastRawValue, LastDecimals,
                        clock_ ? clock_() : QDateTime::currentDateTime());
}

} // namespace kst
