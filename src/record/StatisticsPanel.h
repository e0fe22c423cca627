#pragma once

#include "common/Numbers.h"

#include <QDateTime>
#include <QGroupBox>
#include <functional>

class QCheckBox;
class QLabel;

namespace kst {

class SampleLog;
struct SampleFileReadResult;

// The main window's "CALCULATION" frame (CalcFrm): the Max, Min, Avg and Rel boxes with their
// value and time labels, and the statistics state they show. The recording cycle calls the
// three updates for each sample while the matching box is ticked (in the order Max, Min, Avg)
// and then stores AvgValue and RelRef in the sample's columns itself.
//
// A box's two labels are black while the box is ticked and the palette's disabled-text grey while
// it is not. The boxes' handlers also run when a program step changes a box, so unticking Avg and
// Rel from the Close command greys their labels like a click does.
class StatisticsPanel : public QGroupBox {
    Q_OBJECT
public:
    // clock gives the current date and time (Rel_Click stamps the reference with it).
    explicit StatisticsPanel(std::function<QDateTime()> clock, QWidget *parent = nullptr);

    // Statistics state, kept until the next reset.
    float MaxValue = NoValueMarker;
    QString MaxUnit;
    float MinValue = NoValueMarker;
    QString MinUnit;
    float AvgValue = NoValueMarker;
    QString AvgUnit;
    qint32 AvgCount = 0;
    float RelRef = 0;
    // The last frame's count before the decimal point is applied, and its decimals; set by the
    // frame decoder, read when Rel is ticked.
    float LastRawValue = 0;
    qint16 LastDecimals = 2;

    bool MaxTicked() const;
    bool MinTicked() const;
    bool AvgTicked() const;
    bool RelTicked() const;
    // The reference as RelData shows it (the decoder subtracts this number while Rel is ticked).
    QString RelDataText() const;

    // Updates of the running statistics for the sample being recorded at index n (the log's
    // arrays already hold index n and its SampleDecimals). A taken value sets the value label
    // (the sample's display pattern) and the time label (now); Max and Min flag the sample.
    // graphUnit may be trimmed in place by the unit conversion.
    void UpdateMaximum(float v, QString &graphUnit, SampleLog &log, qint32 n, const QDateTime &now);
    void UpdateMinimum(float v, QString &graphUnit, SampleLog &log, qint32 n, const QDateTime &now);
    void UpdateAverage(float v, QString &graphUnit, SampleLog &log, qint32 n, const QDateTime &now);

    // Takes count / 10^decimals as the Rel reference and shows it; a count of exactly +4000
    // (an over-range frame) takes nothing and leaves both labels as they are.
    void SetRelReference(float count, qint16 decimals, const QDateTime &now);

    // The statistics step of the main window's reset: Max, Min and Avg empty (99999), AvgCount 0,
    // RelRef 0, LastRawValue 0, LastDecimals 2. Units, boxes and labels are left as they are.
    void ResetStatistics();
    // Empties the eight read-out labels (the Close command).
    void ClearLabels();

    // Restores a read-out after a file load: ticks the box (its handler runs) and sets the labels.
    enum class Readout { Max, Min, Avg };
    void RestoreReadout(Readout which, const QString &data, const QString &time);
    // Restores Max, Min and Avg from the last flagged records of a load, as the file reader
    // reports them; read-outs without a record stay as they are.
    void RestoreLoadedReadouts(const SampleLog &log, const SampleFileReadResult &result);

public slots:
    void Max_Click();
    void Min_Click();
    void Avg_Click();
    void Rel_Click();

private:
    void ShowTicked(QCheckBox *box, QLabel *data, QLabel *time);

    std::function<QDateTime()> clock_;
    QCheckBox *max_;
    QCheckBox *min_;
    QCheckBox *avg_;
    QCheckBox *rel_;
    QLabel *maxData_;
    QLabel *maxTime_;
    QLabel *minData_;
    QLabel *minTime_;
    QLabel *avgData_;
    QLabel *avgTime_;
    QLabel *relData_;
    QLabel *relTime_;
};

} // namespace kst
