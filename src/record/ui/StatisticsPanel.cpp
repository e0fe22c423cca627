#include "record/ui/StatisticsPanel.h"

#include "common/ui/GlyphLabel.h"
#include "common/ui/ParentBackdrop.h"
#include "common/ui/QtColour.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <algorithm>

namespace kst {

namespace {

// The labels change with every reading: each has a fixed size (room for its widest text), so a
// new text never lays the window out again. A style may shade the frame's inside: each label
// paints the frame's picture under its text itself, so a new text repaints the label alone.
void Steady(QLabel *label, const QString &widest, int minimumWidth)
{
    label->setFixedSize(std::max(minimumWidth, label->fontMetrics().horizontalAdvance(widest) + 6),
                        label->sizeHint().height());
    ParentBackdrop::Install(label);
}

} // namespace

StatisticsPanel::StatisticsPanel(RunningStatistics &statistics, std::function<QDateTime()> clock,
                                 QWidget *parent)
    : QGroupBox(QStringLiteral("CALCULATION"), parent), statistics_(&statistics),
      clock_(std::move(clock))
{
    setObjectName(QStringLiteral("CalcFrm"));
    auto *grid = new QGridLayout(this);
    static const char *const names[4][2] = {
        {"Max", "MAX"}, {"Min", "MIN"}, {"Avg", "AVG"}, {"Rel", "REL"}};
    for (int i = 0; i < 4; ++i) {
        const QString name = QString::fromLatin1(names[i][0]);
        Row &row = rows_[i];
        row.Box = new QCheckBox(QString::fromLatin1(names[i][1]), this);
        row.Box->setObjectName(name);
        row.Data = new GlyphLabel(this);
        row.Data->setObjectName(name + QStringLiteral("Data"));
        Steady(row.Data, QStringLiteral("-0000.000"), 60);
        row.Time = new GlyphLabel(this);
        row.Time->setObjectName(name + QStringLiteral("Time"));
        Steady(row.Time, QStringLiteral("00-00-0000 00:00:00"), 130);
        grid->addWidget(row.Box, i, 0);
        grid->addWidget(row.Data, i, 1);
        grid->addWidget(row.Time, i, 2);
        ShowTicked(row); // the boxes start unticked, their labels grey
    }
    grid->setColumnStretch(2, 1);

    // toggled, not clicked: a change made by the program runs the handler too.
    connect(rows_[0].Box, &QCheckBox::toggled, this, &StatisticsPanel::Max_Click);
    connect(rows_[1].Box, &QCheckBox::toggled, this, &StatisticsPanel::Min_Click);
    connect(rows_[2].Box, &QCheckBox::toggled, this, &StatisticsPanel::Avg_Click);
    connect(rows_[3].Box, &QCheckBox::toggled, this, &StatisticsPanel::Rel_Click);
}

bool StatisticsPanel::Ticked(Box box) const
{
    return rows_[int(box)].Box->isChecked();
}

RunningStatistics::Ticks StatisticsPanel::Ticks() const
{
    return {Ticked(Box::Max), Ticked(Box::Min), Ticked(Box::Avg), Ticked(Box::Rel)};
}

void StatisticsPanel::SetTicked(Box box, bool ticked)
{
    rows_[int(box)].Box->setChecked(ticked);
}

void StatisticsPanel::SetStatistics(RunningStatistics &statistics)
{
    statistics_ = &statistics;
    const bool ticked[4] = {statistics.Ticked.Max, statistics.Ticked.Min, statistics.Ticked.Avg,
                            statistics.Ticked.Rel};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker block(rows_[i].Box); // the meter's ticks, not a user's click
        rows_[i].Box->setChecked(ticked[i]);
        ShowTicked(rows_[i]);
    }
    Render();
}

void StatisticsPanel::Render()
{
    const Readout *readouts[4] = {&statistics_->Max, &statistics_->Min, &statistics_->Avg,
                                  &statistics_->Rel};
    for (int i = 0; i < 4; ++i) {
        rows_[i].Data->setText(readouts[i]->Data);
        rows_[i].Time->setText(readouts[i]->Time);
    }
}

void StatisticsPanel::ShowTicked(const Row &row)
{
    bool *ticks[4] = {&statistics_->Ticked.Max, &statistics_->Ticked.Min, &statistics_->Ticked.Avg,
                      &statistics_->Ticked.Rel};
    *ticks[&row - rows_] = row.Box->isChecked();
    const QColor colour = row.Box->isChecked() ? QColor(0, 0, 0) : GreyText();
    SetTextColour(row.Data, colour);
    SetTextColour(row.Time, colour);
}

void StatisticsPanel::Max_Click()
{
    ShowTicked(rows_[0]);
}

void StatisticsPanel::Min_Click()
{
    ShowTicked(rows_[1]);
}

void StatisticsPanel::Avg_Click()
{
    ShowTicked(rows_[2]);
}

void StatisticsPanel::Rel_Click()
{
    ShowTicked(rows_[3]);
    if (!rows_[3].Box->isChecked())
        return;
    statistics_->TakeRelReference(clock_ ? clock_() : QDateTime::currentDateTime());
    Render();
}

} // namespace kst
