#include "graph/ui/PictureBox.h"

#include "common/ui/QtColour.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace kst {

namespace {

// Beyond this many pending operations the picture is brought up to date anyway, so a box that
// is drawn on but never shown does not collect drawing without end.
constexpr size_t MaxPending = 4096;
// Points of a line stroked at once.
constexpr size_t LinePiece = 128;
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

// Adds a rectangle to a region of drawn or changed places; a region of very many pieces becomes
// its bounding rectangle, so keeping it stays cheap.
void Note(QRegion &region, const QRect &rect)
{
    region += rect;
    if (region.rectCount() > 256)
        region = region.boundingRect();
}

QRect Bounds(const std::vector<QPointF> &points, double margin)
{
    double left = points.front().x(), right = left, top = points.front().y(), bottom = top;
    for (const QPointF &p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom))
        .adjusted(-margin, -margin, margin, margin)
        .toAlignedRect();
}

} // namespace

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent), flushes_([this] {
          // Straight from the drawing: once the drawing is done. When its time is up: now, so
          // it is painted together with the read-outs that waited alongside it.
          if (paced_)
              QueueFlush();
          else
              Flush();
      })
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
    if (!base_.isNull() && size == pictureSize_ && ratio == base_.devicePixelRatio())
        return;
    // Bring the old picture up to date before it is copied.
    if (!base_.isNull())
        Flush();
    const bool pixelCoordinates = base_.isNull() || (ScaleLeft() == 0 && ScaleTop() == 0 &&
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
    if (!base_.isNull()) {
        QPainter painter(&fresh);
        painter.drawImage(QPointF(0, 0), base_);
    }
    if (!data_.isNull()) {
        QImage layer(fresh.size(), QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(ratio);
        layer.fill(Qt::transparent);
        QPainter painter(&layer);
        DrawData(painter, QRect(QPoint(0, 0), pictureSize_));
        painter.end();
        data_ = layer;
        ringOrigin_ = 0;
    }
    const bool resolutionChanged = base_.isNull() ||
                                   base_.dotsPerMeterX() != fresh.dotsPerMeterX() ||
                                   base_.dotsPerMeterY() != fresh.dotsPerMeterY();
    base_ = fresh;
    composed_ = false;
    pictureSize_ = size;
    dataInk_.resize(size_t(size.width()));
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
    // Only what was drawn on needs the background again; child picture boxes (the plot area
    // inside the graph frame) hide what lies under them.
    QRegion region = baseInked_ & QRect(QPoint(0, 0), pictureSize_);
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

void PictureBox::ApplyShift()
{
    const qint64 target = qint64(std::llround(shiftTotal_));
    const qint64 step = target - shiftApplied_;
    shiftApplied_ = target;
    if (step == 0 || data_.isNull())
        return;
    // Whole device pixels of the image; the rest of a fraction waits for the next step.
    const qreal ratio = data_.devicePixelRatio();
    const qint64 pixels = qint64(std::llround(double(step) * ratio));
    const int w = data_.width();
    if (pixels >= w || pixels <= -w) {
        data_.fill(Qt::transparent);
        ringOrigin_ = 0;
        changed_ += DataInk(0);
        dataInk_.assign(dataInk_.size(), Ink());
        return;
    }
    const auto [top, bottom] = LeavingInk(step, ratio);
    ScrollShown(int(step));
    // The layer's pixels stay where they are: its origin moves, and the columns that come in
    // (those that went out at the other side) are cleared where they had ink.
    const int count = int(std::abs(pixels));
    const auto wrap = [w](qint64 column) { return int(((column % w) + w) % w); };
    const int from = pixels > 0 ? ringOrigin_ : wrap(ringOrigin_ + pixels);
    ringOrigin_ = wrap(ringOrigin_ + pixels);
    const int first = std::min(count, w - from); // before the layer's right end
    for (int y = top; y <= bottom; ++y) {
        auto *row = reinterpret_cast<quint32 *>(data_.scanLine(y));
        std::memset(row + from, 0, size_t(first) * sizeof(quint32));
        std::memset(row, 0, size_t(count - first) * sizeof(quint32));
    }
}

std::pair<int, int> PictureBox::LeavingInk(qint64 step, qreal ratio) const
{
    // The widget columns that go out, and one more on each side for a pixel's rounding.
    const int width = int(dataInk_.size());
    const int count = int(std::min<qint64>(std::abs(step) + 1, width));
    const int begin = step > 0 ? 0 : width - count;
    Ink band;
    for (int x = begin; x < begin + count; ++x) {
        band.top = std::min(band.top, dataInk_[size_t(x)].top);
        band.bottom = std::max(band.bottom, dataInk_[size_t(x)].bottom);
    }
    if (band.top > band.bottom)
        return {0, -1};
    // In the layer's rows, with a row more on each side.
    return {std::max(0, int(std::floor(band.top * ratio)) - 1),
            std::min(data_.height() - 1, int(std::ceil((band.bottom + 1) * ratio)))};
}

void PictureBox::DrawData(QPainter &painter, const QRect &rect) const
{
    const qreal ratio = data_.devicePixelRatio();
    const int w = data_.width();
    const int seam = w - ringOrigin_; // the device column shown from the layer's column 0
    const int left = int(std::lround(rect.left() * ratio));
    const int right = int(std::lround((rect.right() + 1) * ratio));
    const int top = int(std::lround(rect.top() * ratio));
    const int height = int(std::lround(rect.height() * ratio));
    // Device columns [a, b) of the widget, from the layer's columns [a + offset, b + offset).
    const auto piece = [&](int a, int b, int offset) {
        if (a < b)
            painter.drawImage(QRectF(a / ratio, top / ratio, (b - a) / ratio, height / ratio),
                              data_, QRectF(a + offset, top, b - a, height));
    };
    piece(left, std::min(right, seam), ringOrigin_);
    piece(std::max(left, seam), right, ringOrigin_ - w);
}

void PictureBox::ScrollShown(int pixels)
{
    changed_ += DataInk(pixels);
    const size_t n = std::min(dataInk_.size(), size_t(std::abs(pixels)));
    if (pixels > 0) {
        std::move(dataInk_.begin() + qsizetype(n), dataInk_.end(), dataInk_.begin());
        std::fill(dataInk_.end() - qsizetype(n), dataInk_.end(), Ink());
    } else {
        std::move_backward(dataInk_.begin(), dataInk_.end() - qsizetype(n), dataInk_.end());
        std::fill(dataInk_.begin(), dataInk_.begin() + qsizetype(n), Ink());
    }
}

void PictureBox::NoteDataInk(const QRect &rect)
{
    const int last = std::min(rect.right(), int(dataInk_.size()) - 1);
    for (int x = std::max(0, rect.left()); x <= last; ++x) {
        Ink &ink = dataInk_[size_t(x)];
        ink.top = std::min(ink.top, rect.top());
        ink.bottom = std::max(ink.bottom, rect.bottom());
    }
}

QRegion PictureBox::DataInk(int shift) const
{
    // Blocks of this many columns: few enough rectangles to repaint cheaply, narrow enough to
    // follow the line.
    constexpr int Block = 64;
    const int width = int(dataInk_.size());
    QRegion region;
    for (int start = 0; start < width; start += Block) {
        const int end = std::min(width, start + Block);
        Ink block;
        for (int x = start; x < end; ++x)
            for (const int column : {x, x + shift})
                if (column >= 0 && column < width) {
                    block.top = std::min(block.top, dataInk_[size_t(column)].top);
                    block.bottom = std::max(block.bottom, dataInk_[size_t(column)].bottom);
                }
        if (block.top <= block.bottom)
            region += QRect(start, block.top, end - start, block.bottom - block.top + 1);
    }
    return region;
}

QRect PictureBox::Draw(QPainter &painter, std::unique_ptr<QPainter> &layer, const Pending &op)
{
    QPainter *p = &painter;
    if (op.data) {
        if (data_.isNull()) {
            data_ = QImage(base_.size(), QImage::Format_ARGB32_Premultiplied);
            data_.setDevicePixelRatio(base_.devicePixelRatio());
            data_.fill(Qt::transparent);
        }
        if (!layer) {
            // Drawing on a ring that has turned goes through a straight copy (see below).
            if (ringOrigin_ != 0 && straight_.size() != data_.size()) {
                straight_ = QImage(data_.size(), data_.format());
                straight_.setDevicePixelRatio(data_.devicePixelRatio());
            }
            layer = std::make_unique<QPainter>(ringOrigin_ == 0 ? &data_ : &straight_);
        }
        p = layer.get();
    }
    std::vector<QPointF> points;
    const std::vector<QPointF> *draw = &op.points;
    const QStaticText *text = nullptr;
    QRect touched;
    if (!op.points.empty()) {
        if (op.data && op.shift != double(shiftApplied_)) {
            // Queued before later scrolling: put it where the layer's pixels are now.
            const double dx = op.shift - double(shiftApplied_);
            points.reserve(op.points.size());
            for (const QPointF &q : op.points)
                points.emplace_back(q.x() + dx, q.y());
            points = PixelColumnPath(points);
            draw = &points;
        } else if (op.data && op.points.size() > 2) {
            points = PixelColumnPath(op.points);
            draw = &points;
        }
        // Half the pen and its square cap, and the smoothing's pixel.
        touched = Bounds(*draw, std::ceil(op.pen.widthF() / 2) + (op.antialias ? 2 : 1));
    } else {
        auto cached = op.font->texts.find(op.text);
        if (cached == op.font->texts.end()) {
            if (op.font->texts.size() > MaxCachedTexts)
                op.font->texts.clear();
            QStaticText laidOut(op.text);
            laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
            laidOut.prepare(QTransform(), op.font->font);
            cached = op.font->texts.insert(op.text, laidOut);
        }
        text = &*cached;
        touched = QRectF(op.topLeft, text->size()).adjusted(-2, -2, 2, 2).toAlignedRect();
    }
    const auto paint = [&] {
        p->setPen(op.pen);
        if (text) {
            p->setFont(op.font->font);
            p->drawStaticText(op.topLeft, *text);
            return;
        }
        p->setRenderHint(QPainter::Antialiasing, op.antialias);
        if (draw->size() == 1)
            p->drawPoint(draw->front());
        else
            // A long line in pieces: the smoothing rasteriser's work grows with the square of
            // the edges one path puts in a row of pixels, as a dense line puts hundreds there.
            for (size_t at = 0; at + 1 < draw->size(); at += LinePiece - 1)
                p->drawPolyline(draw->data() + at, int(std::min(LinePiece, draw->size() - at)));
    };
    if (!op.data || ringOrigin_ == 0) {
        paint();
        return touched;
    }
    // The data layer is a ring (see ringOrigin_): the drawing is done on a straight copy of the
    // pixels it may touch, with the picture's edges where they are, and the copy goes back.
    const qreal ratio = data_.devicePixelRatio();
    const QRect pixels = QRect(touched.topLeft() * ratio, touched.size() * ratio)
                             .adjusted(-1, -1, 1, 1)
                             .intersected(data_.rect());
    ExchangeData(pixels, false);
    paint();
    ExchangeData(pixels, true);
    return touched;
}

void PictureBox::ExchangeData(const QRect &pixels, bool intoLayer)
{
    const int w = data_.width();
    const int seam = w - ringOrigin_; // the device column shown from the layer's column 0
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        auto *layer = reinterpret_cast<quint32 *>(data_.scanLine(y));
        auto *straight = reinterpret_cast<quint32 *>(straight_.scanLine(y));
        // Columns [a, b) of the widget, at a + offset in the layer.
        const auto piece = [&](int a, int b, int offset) {
            if (a >= b)
                return;
            const size_t bytes = size_t(b - a) * sizeof(quint32);
            if (intoLayer)
                std::memcpy(layer + a + offset, straight + a, bytes);
            else
                std::memcpy(straight + a, layer + a + offset, bytes);
        };
        piece(pixels.left(), std::min(pixels.right() + 1, seam), ringOrigin_);
        piece(std::max(pixels.left(), seam), pixels.right() + 1, ringOrigin_ - w);
    }
}

void PictureBox::Flush()
{
    flushScheduled_ = false;
    if (!pendingClear_ && pending_.empty() && qint64(std::llround(shiftTotal_)) == shiftApplied_)
        return;
    composed_ = false;
    QPainter painter(&base_);
    if (pendingClear_) {
        FillBackground(painter);
        if (!data_.isNull())
            data_.fill(Qt::transparent);
        ringOrigin_ = 0;
        changed_ += baseInked_ | DataInk(0);
        baseInked_ = QRegion();
        dataInk_.assign(dataInk_.size(), Ink());
        shiftApplied_ = qint64(std::llround(shiftTotal_));
    }
    pendingClear_ = false;
    ApplyShift();
    std::unique_ptr<QPainter> layer;
    for (const Pending &op : pending_) {
        const QRect touched = Draw(painter, layer, op) & rect();
        if (op.data)
            NoteDataInk(touched);
        else
            Note(baseInked_, touched);
        Note(changed_, touched);
    }
    pending_.clear();
    ShowChanged();
}

void PictureBox::ShowChanged()
{
    if (changed_.isEmpty())
        return;
    if (isVisible()) {
        update(changed_);
    }
    changed_ = QRegion();
}

void PictureBox::ScheduleFlush()
{
    if (flushScheduled_ || !isVisible())
        return; // a hidden box is drawn when it is shown
    if (paced_)
        flushes_.Changed(); // now, or when the time is up
    else
        QueueFlush();
}

void PictureBox::QueueFlush()
{
    if (flushScheduled_)
        return;
    flushScheduled_ = true;
    QMetaObject::invokeMethod(
        this, [this] { Flush(); }, Qt::QueuedConnection);
}

void PictureBox::ScrollData(double dx)
{
    if (ScaleWidth() == 0)
        return;
    EnsurePicture();
    shiftTotal_ += dx * Width() / ScaleWidth();
    blank_ = false;
    ScheduleFlush();
}

void PictureBox::Queue(Pending &&op)
{
    blank_ = false;
    op.data = dataLayer_;
    op.shift = shiftTotal_;
    if (op.data && op.points.size() > 1 && !pending_.empty()) {
        // The newest piece of a strip chart continues the previous one: stroke them together.
        Pending &last = pending_.back();
        const double dx = op.shift - last.shift;
        if (last.data && last.points.size() > 1 && last.pen == op.pen &&
            last.antialias == op.antialias &&
            last.points.back() == QPointF(op.points.front().x() + dx, op.points.front().y())) {
            for (size_t i = 1; i < op.points.size(); ++i)
                last.points.emplace_back(op.points[i].x() + dx, op.points[i].y());
            ScheduleFlush();
            return;
        }
    }
    pending_.push_back(std::move(op));
    if (pending_.size() > MaxPending)
        Flush();
    ScheduleFlush();
}

const QImage &PictureBox::Picture() const
{
    EnsurePicture();
    Flush();
    if (!composed_) {
        picture_ = base_.copy();
        if (!data_.isNull()) {
            QPainter painter(&picture_);
            DrawData(painter, QRect(QPoint(0, 0), pictureSize_));
        }
        composed_ = true;
    }
    return picture_;
}

void PictureBox::SetBackColor(Colour colour)
{
    backColor_ = colour;
    EnsurePicture();
    pending_.clear();
    pendingClear_ = false;
    base_.fill(ToQColor(colour));
    if (!data_.isNull())
        data_.fill(Qt::transparent);
    ringOrigin_ = 0;
    shiftTotal_ = 0;
    shiftApplied_ = 0;
    composed_ = false;
    blank_ = true;
    baseInked_ = QRegion();
    dataInk_.assign(dataInk_.size(), Ink());
    update();
}

void PictureBox::DeviceClear()
{
    EnsurePicture();
    if (blank_)
        return;
    pending_.clear();
    pendingClear_ = true;
    shiftTotal_ = 0;
    shiftApplied_ = 0;
    blank_ = true;
    ScheduleFlush();
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
            std::unique_ptr<FontData>(new FontData{font, QFontMetricsF(font, &base_), {}, {}});
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

void PictureBox::paintEvent(QPaintEvent *event)
{
    EnsurePicture();
    Flush(); // normally done already; what it finds changed is painted next time
    const QRegion region = event->region();
    // Rectangle by rectangle, each clipped to itself: an image drawn through a clip of many
    // pieces is blended span by span on the thread pool, one drawn into a rectangle is copied.
    QPainter painter(this);
    const qreal ratio = base_.devicePixelRatio();
    const auto source = [ratio](const QRect &r) {
        return QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio);
    };
    for (const QRect &r : region) {
        painter.setClipRect(r);
        painter.drawImage(QRectF(r), base_, source(r));
    }
    if (data_.isNull())
        return;
    for (const QRect &r : region) {
        painter.setClipRect(r);
        DrawData(painter, r);
    }
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
