#pragma once

#include "record/Statistics.h"

#include <QDateTime>
#include <QGroupBox>
#include <functional>

class QCheckBox;
class QLabel;

namespace kst {

// The main window's "CALCULATION" frame (CalcFrm): the Max, Min, Avg and Rel boxes, each with a
// value and a time label that render a meter's running statistics. The boxes are the statistics'
// ticks: a change is written to them at once. A box's two
// labels are black while the box is ticked and the palette's disabled-text grey while it is not.
// The boxes' handlers also run when a program step changes a box, so unticking Avg and Rel from
// the Close command greys their labels as a click does.
class StatisticsPanel : public QGroupBox {
    Q_OBJECT
public:
    // clock gives the current date and time (ticking Rel stamps the reference with it).
    StatisticsPanel(RunningStatistics &statistics, std::function<QDateTime()> clock,
                    QWidget *parent = nullptr);

    enum class Box { Max, Min, Avg, Rel };
    bool Ticked(Box box) const;
    RunningStatistics::Ticks Ticks() const;
    // Ticks or unticks a box; its handler runs when the state changes.
    void SetTicked(Box box, bool ticked);

    // Shows the statistics' read-outs in the eight labels.
    void Render();
    // Shows another meter's statistics: its ticks in the boxes (their handlers do not run) and
    // its read-outs.
    void SetStatistics(RunningStatistics &statistics);

public slots:
    void Max_Click();
    void Min_Click();
    void Avg_Click();
    void Rel_Click();

private:
    struct Row {
        QCheckBox *Box;
        QLabel *Data;
        QLabel *Time;
    };
    void ShowTicked(const Row &row);

    RunningStatistics *statistics_;
    std::function<QDateTime()> clock_;
    Row rows_[4];
};

} // namespace kst
