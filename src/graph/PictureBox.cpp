#include "graph/PictureBox.h"

#include "graph/QtColour.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace kst {

namespace {

// A line through far more points than the picture has pixel columns (a wide graph span) looks
// the same drawn through the first, lowest, highest and last point of each column, and costs a
// fraction to stroke.
std::vector<QPointF> ThinToPixelColumns(std::vector<QPointF> points)
{
    if (points.size() < 4096)
        return points;
    std::vector<QPointF> out;
    out.reserve(4096);
    size_t start = 0;
    while (start < points.size()) {
        const double column = std::floor(points[start].x());
        size_t end = start + 1;
        size_t low = start, high = start;
        while (end < points.size() && std::floor(points[end].x()) == column) {
            if (points[end].y() < points[low].y())
                low = end;
            if (points[end].y() > points[high].y())
                high = end;
            ++end;
        }
        // Keep the column's points in drawing order.
        size_t keep[4] = {start, std::min(low, high), std::max(low, high), end - 1};
        for (size_t k : keep)
            if (out.empty() || out.back() != points[k])
                out.push_back(points[k]);
        start = end;
    }
    return out;
}

// Beyond this many pending operations the picture is brought up to date anyway, so a box that
// is drawn on but never shown does not collect drawing without end.
constexpr size_t MaxPending = 4096;
// Per-font caches of measured and laid-out texts are emptied when they grow past this.
constexpr qsizetype MaxCachedTexts = 1024;

Qt::PenStyle PenStyleFor(int drawStyle)
{
    switch (drawStyle) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

// Cuts the segment a-b to the rectangle (Liang-Barsky); false when nothing of it is inside.
bool ClipSegment(QPointF &a, QPointF &b, const QRectF &r)
{
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF start = a;
    a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
    b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
    return true;
}

} // namespace

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    EnsurePicture();
}

PictureBox::~PictureBox() = default;

QSizeF PictureBox::DeviceSize() const
{
    return QSizeF(qMax(1, width()), qMax(1, height()));
}

void PictureBox::EnsurePicture()
{
    const QSize size(qMax(1, width()), qMax(1, height()));
    const qreal ratio = devicePixelRatioF();
    if (!picture_.isNull() && size == pictureSize_ && ratio == picture_.devicePixelRatio())
        return;
    // Bring the old picture up to date before it is copied.
    if (!picture_.isNull())
        Flush();
    const bool pixelCoordinates = picture_.isNull() || (ScaleLeft() == 0 && ScaleTop() == 0 &&
                                                        ScaleWidth() == pictureSize_.width() &&
                                                        ScaleHeight() == pictureSize_.height());
    QImage fresh(size * ratio, QImage::Format_RGB32);
    fresh.setDevicePixelRatio(ratio);
    // Point sizes on the picture follow the widget's logical resolution, so text drawn on it
    // measures what the widget's font metrics say.
    const int dpiX = qMax(1, logicalDpiX());
    const int dpiY = qMax(1, logicalDpiY());
    fresh.setDotsPerMeterX(qRound(dpiX / 0.0254));
    fresh.setDotsPerMeterY(qRound(dpiY / 0.0254));
    fresh.fill(ToQColor(backColor_));
    if (!picture_.isNull()) {
        QPainter painter(&fresh);
        painter.drawImage(QPointF(0, 0), picture_);
    }
    const bool resolutionChanged = picture_.isNull() ||
                                   picture_.dotsPerMeterX() != fresh.dotsPerMeterX() ||
                                   picture_.dotsPerMeterY() != fresh.dotsPerMeterY();
    picture_ = fresh;
    pictureSize_ = size;
    blank_ = false;
    if (resolutionChanged) {
        fonts_.clear();
        font_ = nullptr;
    }
    if (pixelCoordinates)
        ResetCoordinates();
}

void PictureBox::FillBackground(QPainter &painter)
{
    // Child picture boxes (the plot area inside the graph frame) hide what lies under them,
    // so only the rest is cleared.
    QRegion region(QRect(QPoint(0, 0), pictureSize_));
    for (QObject *object : children()) {
        auto *child = qobject_cast<PictureBox *>(object);
        if (child && child->isVisibleTo(this))
            region -= child->geometry();
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QColor colour = ToQColor(backColor_);
    for (const QRect &rect : region)
        painter.fillRect(rect, colour);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void PictureBox::Flush()
{
    if (!pendingClear_ && pending_.empty())
        return;
    QPainter painter(&picture_);
    if (pendingClear_)
        FillBackground(painter);
    pendingClear_ = false;
    for (const Pending &op : pending_) {
        if (!op.points.empty()) {
            painter.setPen(op.pen);
            painter.setRenderHint(QPainter::Antialiasing, op.antialias);
            if (op.points.size() == 1)
                painter.drawPoint(op.points.front());
            else
                painter.drawPolyline(op.points.data(), int(op.points.size()));
        } else {
            painter.setPen(op.pen);
            painter.setFont(op.font->font);
            auto cached = op.font->texts.find(op.text);
            if (cached == op.font->texts.end()) {
                if (op.font->texts.size() > MaxCachedTexts)
                    op.font->texts.clear();
                QStaticText text(op.text);
                text.setPerformanceHint(QStaticText::AggressiveCaching);
                text.prepare(QTransform(), op.font->font);
                cached = op.font->texts.insert(op.text, text);
            }
            painter.drawStaticText(op.topLeft, *cached);
        }
    }
    pending_.clear();
}

void PictureBox::Queue(Pending &&op)
{
    blank_ = false;
    pending_.push_back(std::move(op));
    if (pending_.size() > MaxPending)
        Flush();
    update();
}

const QImage &PictureBox::Picture() const
{
    EnsurePicture();
    Flush();
    return picture_;
}

void PictureBox::SetBackColor(Colour colour)
{
    backColor_ = colour;
    EnsurePicture();
    pending_.clear();
    pendingClear_ = false;
    picture_.fill(ToQColor(colour));
    blank_ = true;
    update();
}

void PictureBox::DeviceClear()
{
    EnsurePicture();
    if (blank_)
        return;
    pending_.clear();
    pendingClear_ = true;
    blank_ = true;
    update();
}

void PictureBox::DeviceLines(const std::vector<QPointF> &devicePoints)
{
    if (devicePoints.empty())
        return;
    EnsurePicture();
    Pending op;
    op.pen = QPen(ToQColor(ForeColor()));
    op.pen.setWidth(DrawWidth());
    op.pen.setStyle(PenStyleFor(DrawStyle()));
    op.pen.setCapStyle(Qt::SquareCap);
    bool allSame = true;
    for (const QPointF &p : devicePoints)
        allSame = allSame && p == devicePoints.front();
    if (allSame) {
        // A line that starts where it ends leaves a dot, as a pen touching the paper does.
        op.points = {devicePoints.front()};
    } else {
        // Grid lines (straight along an axis, often dotted) stay crisp; the data curve is
        // smoothed.
        const bool axisLine =
            devicePoints.size() == 2 && (devicePoints[0].x() == devicePoints[1].x() ||
                                         devicePoints[0].y() == devicePoints[1].y());
        op.antialias = !axisLine && op.pen.style() == Qt::SolidLine;
        // Points far outside the picture (the newest sample of a long log, drawn at its index
        // before the view moves on) are cut to the picture first: the painter would otherwise
        // stroke the whole invisible length.
        const double limit = 4 * std::max(pictureSize_.width(), pictureSize_.height()) + 64;
        bool far = false;
        for (const QPointF &p : devicePoints)
            far = far || std::abs(p.x()) > limit || std::abs(p.y()) > limit;
        if (!far) {
            op.points = devicePoints;
        } else {
            const double margin = 2.0 * DrawWidth() + 8;
            const QRectF area = QRectF(QPointF(0, 0), QSizeF(pictureSize_))
                                    .adjusted(-margin, -margin, margin, margin);
            for (size_t i = 1; i < devicePoints.size(); ++i) {
                QPointF a = devicePoints[i - 1], b = devicePoints[i];
                if (!ClipSegment(a, b, area))
                    continue;
                if (op.points.empty() || op.points.back() != a) {
                    if (op.points.size() > 1) {
                        Pending piece = op;
                        Queue(std::move(piece));
                    }
                    op.points = {a};
                }
                op.points.push_back(b);
            }
            if (op.points.size() < 2)
                return;
        }
        op.points = ThinToPixelColumns(std::move(op.points));
    }
    Queue(std::move(op));
}

PictureBox::FontData &PictureBox::CurrentFont() const
{
    const double size = FontSize() > 0 ? FontSize() : 1;
    if (font_ && std::get<0>(fontKey_) == FontName() && std::get<1>(fontKey_) == size &&
        std::get<2>(fontKey_) == FontBold())
        return *font_;
    EnsurePicture();
    fontKey_ = {FontName(), size, FontBold()};
    auto found = fonts_.find(fontKey_);
    if (found == fonts_.end()) {
        QFont font(FontName());
        font.setPointSizeF(size);
        font.setBold(FontBold());
        auto data =
            std::unique_ptr<FontData>(new FontData{font, QFontMetricsF(font, &picture_), {}, {}});
        found = fonts_.emplace(fontKey_, std::move(data)).first;
    }
    font_ = found->second.get();
    return *font_;
}

void PictureBox::DeviceText(QPointF topLeft, const QString &text)
{
    EnsurePicture();
    Pending op;
    op.pen = QPen(ToQColor(ForeColor()));
    op.topLeft = topLeft;
    op.text = text;
    op.font = &CurrentFont();
    Queue(std::move(op));
}

double PictureBox::DeviceTextWidth(const QString &text) const
{
    FontData &font = CurrentFont();
    const auto cached = font.widths.constFind(text);
    if (cached != font.widths.constEnd())
        return *cached;
    if (font.widths.size() > MaxCachedTexts)
        font.widths.clear();
    const double width = font.metrics.horizontalAdvance(text);
    font.widths.insert(text, width);
    return width;
}

double PictureBox::DeviceLineHeight() const
{
    return CurrentFont().metrics.lineSpacing();
}

double PictureBox::DeviceAverageCharWidth() const
{
    return CurrentFont().metrics.averageCharWidth();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    EnsurePicture();
    Flush();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), picture_);
}

void PictureBox::resizeEvent(QResizeEvent *)
{
    EnsurePicture();
    emit Resized();
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    const double x = ScaleLeft() + DeviceToUserX(pos.x());
    const double y = ScaleTop() + DeviceToUserY(pos.y());
    emit MouseUp(event->button(), event->modifiers(), x, y);
    const bool click =
        event->button() == Qt::LeftButton && leftPressed_ && rect().contains(pos.toPoint());
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
    if (click)
        emit Click();
}

} // namespace kst
