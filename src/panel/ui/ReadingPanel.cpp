#include "panel/ui/ReadingPanel.h"

#include "common/ui/GlyphLabel.h"
#include "meter/FrameDecoder.h"
#include "panel/BarGraph.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kst {

namespace {

// The display's colours: a pale grey-green glass with dark segments.
const QColor LcdGlass(0xc4, 0xcf, 0xb4);
const QColor LcdInk(0x1c, 0x24, 0x1a);

template <class Label = QLabel>
QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &text = QString())
{
    auto *label = new Label(text, parent);
    label->setObjectName(name);
    // Hidden controls keep their place, so the display does not shift when a flag goes off.
    QSizePolicy policy = label->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    label->setSizePolicy(policy);
    return label;
}

QFont PixelFont(const QString &family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Icon pictures, drawn in the display's ink on a transparent ground, 24 x 14 pixels.
constexpr int IconWidth = 24;
constexpr int IconHeight = 14;

QPixmap BlankIcon()
{
    QPixmap pixmap(IconWidth, IconHeight);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap BuzzerPicture()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(LcdInk, 1.4));
    p.setBrush(LcdInk);
    // Speaker: magnet block and cone.
    p.drawRect(QRectF(2, 5, 3, 4));
    QPainterPath cone;
    cone.moveTo(5, 5);
    cone.lineTo(10, 1.5);
    cone.lineTo(10, 12.5);
    cone.lineTo(5, 9);
    cone.closeSubpath();
    p.drawPath(cone);
    // Sound waves.
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(8, 3.5, 6, 7), -50 * 16, 100 * 16);
    p.drawArc(QRectF(8, 1, 10, 12), -50 * 16, 100 * 16);
    p.drawArc(QRectF(8, -1.5, 14, 17), -50 * 16, 100 * 16);
    return pixmap;
}

QPixmap DiodePicture()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(LcdInk, 1.4));
    p.setBrush(LcdInk);
    p.drawLine(QPointF(1, 7), QPointF(23, 7));
    // Anode triangle pointing at the cathode bar.
    QPainterPath triangle;
    triangle.moveTo(7, 2);
    triangle.lineTo(15, 7);
    triangle.lineTo(7, 12);
    triangle.closeSubpath();
    p.drawPath(triangle);
    p.setPen(QPen(LcdInk, 2));
    p.drawLine(QPointF(16, 2), QPointF(16, 12));
    return pixmap;
}

QPixmap BatteryPicture()
{
    QPixmap pixmap = BlankIcon();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(LcdInk, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 2.5, 18, 9));
    p.setBrush(LcdInk);
    p.drawRect(QRectF(19.5, 5, 2.5, 4));
    // Terminals: minus on the left, plus near the nub.
    p.drawLine(QPointF(4, 7), QPointF(8, 7));
    p.drawLine(QPointF(12, 7), QPointF(17, 7));
    p.drawLine(QPointF(14.5, 4.5), QPointF(14.5, 9.5));
    return pixmap;
}

// The bar graph strip: scale marks over 41 segments. Children are placed in proportion to the
// strip's width on every resize, so each mark stays above its segment at any size.
class BarStrip : public QWidget {
public:
    explicit BarStrip(QWidget *parent) : QWidget(parent) {}

    QList<QLabel *> segments;
    QList<QLabel *> marks;

    QSize sizeHint() const override { return {41 * 7, MarkHeight() + 18}; }
    QSize minimumSizeHint() const override { return {41 * 3, MarkHeight() + 8}; }

    void Place()
    {
        if (segments.size() != 41 || marks.size() != 5)
            return;
        const QFontMetricsF fm(marks.at(1)->font());
        const double markTop = 0;
        const double segTop = MarkHeight() + 1;
        // Room at both ends for half a mark's text.
        const double edge = std::ceil(fm.horizontalAdvance(QStringLiteral("40")) / 2) + 1;
        const double pitch = std::max(1.0, (width() - 2 * edge) / 41.0);
        const double tall = std::max(4.0, std::min(height() - segTop, pitch * 4));
        const double segWidth = std::max(1.0, std::round(pitch * 0.55));
        for (int i = 0; i <= 40; ++i) {
            double h = tall * 0.45;
            if (i % 10 == 0)
                h = tall;
            else if (i % 5 == 0)
                h = tall * 0.7;
            const double x = edge + (i + 0.5) * pitch - segWidth / 2;
            segments.at(i)->setGeometry(QRectF(x, height() - h, segWidth, h).toRect());
        }
        for (int k = 0; k <= 4; ++k) {
            QLabel *mark = marks.at(k);
            const double centre = edge + (10 * k + 0.5) * pitch;
            const QString text = mark->text();
            // Centre the digits, not the blanks the zero mark is padded with.
            qsizetype lead = 0;
            while (lead < text.size() && text.at(lead).isSpace())
                ++lead;
            const double leadWidth = fm.horizontalAdvance(text.left(lead));
            const double digitsWidth = fm.horizontalAdvance(text.trimmed());
            const double x = centre - leadWidth - digitsWidth / 2;
            mark->setGeometry(
                QRectF(x, markTop, fm.horizontalAdvance(text) + 2, MarkHeight()).toAlignedRect());
        }
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        Place();
    }

private:
    int MarkHeight() const
    {
        return marks.isEmpty() ? 12 : QFontMetrics(marks.at(0)->font()).height();
    }
};

} // namespace

ReadingPanel::ReadingPanel(QWidget *parent) : QGroupBox(QStringLiteral("READING"), parent)
{
    setObjectName(QStringLiteral("ReadFrm"));

    face_ = new QFrame(this);
    face_->setFrameShape(QFrame::Panel);
    face_->setFrameShadow(QFrame::Sunken);
    face_->setLineWidth(2);
    face_->setAutoFillBackground(true);
    QPalette glass = face_->palette();
    glass.setColor(QPalette::Window, LcdGlass);
    glass.setColor(QPalette::WindowText, LcdInk);
    face_->setPalette(glass);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(face_);

    auto *lcd = new QVBoxLayout(face_);
    lcd->setContentsMargins(8, 4, 8, 6);
    lcd->setSpacing(2);
    lcd->addLayout(BuildAnnunciators());
    lcd->addLayout(BuildReadingRow(), 4);
    lcd->addWidget(BuildBarStrip(), 1);
}

QLayout *ReadingPanel::BuildAnnunciators()
{
    const QFont flagFont = PixelFont(font().family(), 10, true);

    // Annunciators: range and power flags on the left, reading modes on the right.
    const auto annunciator = [&](const char *name, const char *text) {
        QLabel *label = MakeLabel(face_, QString::fromLatin1(name), QString::fromLatin1(text));
        label->setFont(flagFont);
        label->hide();
        return label;
    };
    auto_ = annunciator("Lauto", "AUTO");
    man_ = annunciator("Lman", "MAN");
    apof_ = annunciator("Lapof", "APOF");
    mem_ = annunciator("Lmem", "MEM");
    adp_ = annunciator("Ladp", "ADP");
    hold_ = annunciator("Lhold", "HOLD");
    rel_ = annunciator("Lrel", "REL");
    min_ = annunciator("Lmin", "MIN");
    max_ = annunciator("Lmax", "MAX");

    auto *flags = new QHBoxLayout;
    flags->setSpacing(8);
    for (QLabel *label : {auto_, man_, apof_, mem_})
        flags->addWidget(label);
    flags->addStretch(1);
    flags->addWidget(adp_);
    flags->addStretch(1);
    for (QLabel *label : {hold_, rel_, min_, max_})
        flags->addWidget(label);

    return flags;
}

QLayout *ReadingPanel::BuildReadingRow()
{
    const QString family = font().family();
    // Reading, with AC/DC and the battery to its left and the unit and icons to its right.
    // The texts that change with every frame sit in labels of fixed size, so a new value is
    // only repainted and never lays the window out again. The reading fills a place the layout
    // sizes; the label follows that place.
    readSlot_ = new QWidget(face_);
    readSlot_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    readSlot_->setMinimumSize(110, 40);
    readSlot_->installEventFilter(this);
    readBox_ = MakeLabel<GlyphLabel>(readSlot_, QStringLiteral("ReadBox"));
    readBox_->setFont(PixelFont(QStringLiteral("Arial Narrow"), 48, true));
    readBox_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readBox_->setFixedSize(readSlot_->minimumSize());
    readBox_->installEventFilter(this);
    // It fills its own background (the glass), so a new reading repaints the label alone.
    readBox_->setAutoFillBackground(true);

    const QFont sideFont = PixelFont(family, 16, true);
    const QFontMetrics side(sideFont);
    dcAcBox_ = MakeLabel(face_, QStringLiteral("DcAcBox"));
    dcAcBox_->setFont(sideFont);
    dcAcBox_->setFixedSize(side.horizontalAdvance(QStringLiteral("DC")) + 4, side.height());
    unitBox_ = MakeLabel(face_, QStringLiteral("UnitBox"));
    unitBox_->setFont(sideFont);
    int unitWidth = 0;
    for (const char *unit : {"KHz", "MHz", "mV", "mA", "\u03bcA", "\u03bcF", "K\u03a9", "M\u03a9"})
        unitWidth = std::max(unitWidth, side.horizontalAdvance(QString::fromUtf8(unit)));
    unitBox_->setFixedSize(unitWidth + 4, side.height());

    const auto icon = [&](const char *name, const QPixmap &picture) {
        QLabel *label = MakeLabel(face_, QString::fromLatin1(name));
        label->setPixmap(picture);
        label->setFixedSize(picture.size());
        return label;
    };
    battery_ = icon("Ibatt", BatteryPicture());
    buzzer_ = icon("Ibuzzer", BuzzerPicture());
    diode_ = icon("Idiode", DiodePicture());

    auto *left = new QVBoxLayout;
    left->addWidget(dcAcBox_, 0, Qt::AlignLeft | Qt::AlignTop);
    left->addStretch(1);
    left->addWidget(battery_, 0, Qt::AlignLeft | Qt::AlignBottom);

    auto *iconRow = new QHBoxLayout;
    iconRow->setSpacing(4);
    iconRow->addWidget(buzzer_);
    iconRow->addWidget(diode_);
    auto *right = new QVBoxLayout;
    right->addStretch(1);
    right->addWidget(unitBox_, 0, Qt::AlignLeft);
    right->addStretch(1);
    right->addLayout(iconRow);

    auto *middle = new QHBoxLayout;
    middle->setSpacing(6);
    middle->addLayout(left);
    middle->addWidget(readSlot_, 1);
    middle->addLayout(right);

    return middle;
}

QWidget *ReadingPanel::BuildBarStrip()
{
    // Bar graph and its scale.
    auto *strip = new BarStrip(face_);
    strip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // A segment that goes off repaints the strip's glass under it, not the whole display.
    strip->setAutoFillBackground(true);
    const QFont markFont = PixelFont(font().family(), 10, true);
    for (int i = 0; i <= BarGraph::SegmentCount; ++i) {
        QLabel *segment = MakeLabel(strip, QStringLiteral("Label1(%1)").arg(i));
        segment->setAutoFillBackground(true);
        QPalette solid = segment->palette();
        solid.setColor(QPalette::Window, LcdInk);
        segment->setPalette(solid);
        segment->setVisible(i == 0);
        segments_.append(segment);
    }
    marks_.append(MakeLabel(strip, QStringLiteral("Label4(0)"), QStringLiteral(" 0     ")));
    for (int k = 1; k <= BarGraph::MarkCount; ++k) {
        marks_.append(
            MakeLabel(strip, QStringLiteral("Label4(%1)").arg(k), QString::number(10 * k)));
        marks_.last()->hide();
    }
    for (QLabel *mark : std::as_const(marks_))
        mark->setFont(markFont);
    strip->segments = segments_;
    strip->marks = marks_;

    return strip;
}

ReadingPanel::~ReadingPanel() = default;

void ReadingPanel::UpdateBarGraph(float value)
{
    const BarGraph bar = kst::UpdateBarGraph(value);
    for (int i = 1; i <= bar.Segments; ++i)
        segments_.at(i)->show();
    for (int i = BarGraph::SegmentCount; i > bar.Segments; --i)
        segments_.at(i)->hide();
    for (int k = 1; k <= BarGraph::MarkCount; ++k)
        marks_.at(k)->setVisible(bar.MarkShown(k));
}

void ReadingPanel::ShowOverloadPanel()
{
    readBox_->setText(OverloadText);
    for (int i = 1; i <= BarGraph::SegmentCount; ++i)
        segments_.at(i)->show();
    for (int k = 1; k <= BarGraph::MarkCount; ++k)
        marks_.at(k)->show();
}

void ReadingPanel::ShowWatchdogExpired()
{
    readBox_->setText(OverloadText);
    dcAcBox_->clear();
    unitBox_->clear();
    ShowOverloadPanel();
}

void ReadingPanel::ShowReadingFlags(const MeterReading &reading)
{
    // Function icons: the one the function implies. Nothing is touched that does not change,
    // so a steady display costs no repaint.
    buzzer_->setVisible(reading.Buzzer);
    diode_->setVisible(reading.Diode);
    if (reading.Adp && !adpColoured_) {
        // The adapter flag is not lit; it only takes the button-text colour.
        QPalette palette = adp_->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::ButtonText));
        adp_->setPalette(palette);
        adpColoured_ = true;
    }

    max_->setVisible(reading.Max);
    min_->setVisible(reading.Min);
    rel_->setVisible(reading.Rel);
    hold_->setVisible(reading.Hold);
    mem_->setVisible(reading.Mem);
    auto_->setVisible(reading.Auto);
    man_->setVisible(reading.Man);
    apof_->setVisible(reading.Apof);
    battery_->setVisible(reading.BatteryLow);

    SetText(unitBox_, reading.UnitText);
    SetText(dcAcBox_, reading.AcDcText);
    const bool frequency = IsFrequencyUnit(reading.UnitText);
    segments_.at(0)->setVisible(!frequency);
    marks_.at(0)->setVisible(!frequency);
    UpdateBarGraph(BarGraphInput(reading));
}

void ReadingPanel::SetReadingText(const QString &text)
{
    SetText(readBox_, text);
}

void ReadingPanel::SetText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

void ReadingPanel::HideIcons()
{
    buzzer_->hide();
    diode_->hide();
    battery_->hide();
}

bool ReadingPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == readSlot_ && event->type() == QEvent::Resize)
        readBox_->setFixedSize(readSlot_->size());
    if (watched == readBox_ && event->type() == QEvent::Resize)
        FitReadingFont();
    return QGroupBox::eventFilter(watched, event);
}

// The digits fill the room the layout gives them; the label has a fixed size, so a font change
// never feeds back into the layout.
void ReadingPanel::FitReadingFont()
{
    const QSize room = readBox_->contentsRect().size();
    // Six narrow characters ("-0.000") must fit across.
    const int pixels = std::max(12, std::min(int(room.height() * 0.92), int(room.width() / 3.2)));
    if (readBox_->font().pixelSize() == pixels)
        return;
    QFont font = readBox_->font();
    font.setPixelSize(pixels);
    readBox_->setFont(font);
}

} // namespace kst
