#pragma once

#include <QGroupBox>
#include <QList>

class QFrame;
class QLabel;
class QLayout;

namespace kst {

struct MeterReading;

// The "READING" frame of the main window: a picture of the meter's liquid-crystal display with
// the reading, its unit and AC/DC, the annunciators, three icons and the 40-segment bar graph
// with its scale. It only shows what it is told; decoding happens in FrameDecoder.
//
// Every control carries its name as objectName: ReadBox, UnitBox, DcAcBox, Lhold, Lrel, Lmin,
// Lmax, Lmem, Lauto, Lman, Lapof, Ladp, Ibuzzer, Idiode, Ibatt, Label1(0)..Label1(40) (bar
// segments, 0 = the zero segment) and Label4(0)..Label4(4) (scale marks " 0", "10".."40").
//
// Freshly built, the panel is in its design state: empty texts, annunciators hidden, icons
// shown, the zero segment and zero mark shown, segments 1..40 and marks 1..4 hidden. The main
// window's reset then calls ShowOverloadPanel() and HideIcons().
class ReadingPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ReadingPanel(QWidget *parent = nullptr);
    ~ReadingPanel() override;

    // Lights segments 1..m for m = |value| / 100 rounded half to even (at most 40) and the
    // marks the bar reaches. The zero segment and zero mark are left alone.
    void UpdateBarGraph(float value);
    // "O L" with the full bar and marks 10..40. Unit, AC/DC, zero segment, zero mark,
    // annunciators and icons keep their state.
    void ShowOverloadPanel();
    // The meter has been silent too long: "O L", no unit, no AC/DC, the full bar; annunciators
    // and icons keep the last frame's state.
    void ShowWatchdogExpired();
    // Everything one decoded frame shows apart from ReadBox: function icons, annunciators,
    // battery icon, unit and AC/DC texts, zero segment and mark, and the bar.
    void ShowReadingFlags(const MeterReading &reading);
    // ReadBox's text: the formatted value or "O L".
    void SetReadingText(const QString &text);
    // Hides the buzzer, diode and battery icons.
    void HideIcons();

    QLabel *ReadBox() const { return readBox_; }
    QLabel *UnitBox() const { return unitBox_; }
    QLabel *DcAcBox() const { return dcAcBox_; }
    // Bar segment 0..40 and scale mark 0..4.
    QLabel *Segment(int index) const { return segments_.value(index); }
    QLabel *Mark(int k) const { return marks_.value(k); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLayout *BuildAnnunciators();
    QLayout *BuildReadingRow();
    QWidget *BuildBarStrip();
    void FitReadingFont();
    static void SetText(QLabel *label, const QString &text);

    QFrame *face_ = nullptr;
    QWidget *readSlot_ = nullptr;
    QLabel *readBox_ = nullptr;
    QLabel *unitBox_ = nullptr;
    QLabel *dcAcBox_ = nullptr;
    QLabel *hold_ = nullptr;
    QLabel *rel_ = nullptr;
    QLabel *min_ = nullptr;
    QLabel *max_ = nullptr;
    QLabel *mem_ = nullptr;
    QLabel *auto_ = nullptr;
    QLabel *man_ = nullptr;
    QLabel *apof_ = nullptr;
    QLabel *adp_ = nullptr;
    QLabel *buzzer_ = nullptr;
    QLabel *diode_ = nullptr;
    QLabel *battery_ = nullptr;
    QList<QLabel *> segments_; // 0..40
    QList<QLabel *> marks_;    // 0..4
    bool adpColoured_ = false;
};

} // namespace kst
