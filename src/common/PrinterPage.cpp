#include "common/PrinterPage.h"

#include "common/DrawingSurface.h"
#include "common/Numbers.h"

#include <cmath>

namespace kst {

void PreparePrinterPage(DrawingSurface &surface, float top, float low, qint32 span)
{
    PreparePrinterBand(surface, top, low, span, 0, 1);
}

void PreparePrinterBand(DrawingSurface &surface, float top, float low, qint32 span, int band,
                        int bands)
{
    const float range = std::fabs(top - low);
    const double pitch = double(range) * (1 + PrinterBandGap);
    const float graphs = float(bands) * range + float(bands - 1) * range * float(PrinterBandGap);
    const float u = graphs * 32.0f / 24.0f;
    const qint64 a = RoundHalfEven(double(span) * 32.0 / 24.0);
    const double x1 = -double(RoundHalfEven(double(a) * 5.0 / 32.0));
    const double y1 = double(top) + band * pitch + double(u) * 3.0 / 32.0;
    const double x2 = double(RoundHalfEven(double(a) - double(a) * 5.0 / 32.0));
    const double y2 = double(low) - (bands - 1 - band) * pitch - double(u) * 5.0 / 32.0;
    surface.Scale(x1, y1, x2, y2);
}

void DrawPrinterGrid(DrawingSurface &surface)
{
    const double t = surface.ScaleTop();
    const double h = surface.ScaleHeight();
    DrawPrinterGridBetween(surface, t + 3 * h / 32, t + 27 * h / 32);
}

void DrawPrinterGridBetween(DrawingSurface &surface, double topLine, double bottom)
{
    constexpr Colour GridColour = 1; // black to the eye; the printer's own pen value
    const double l = surface.ScaleLeft();
    const double w = surface.ScaleWidth();
    const double left = l + 5 * w / 32;
    const double right = l + 29 * w / 32;

    surface.SetDrawWidth(1);
    surface.SetForeColor(GridColour);
    for (int i = 0; i <= 8; ++i) {
        surface.SetDrawStyle(i == 0 || i == 4 || i == 8 ? 0 : 2);
        const double y = topLine + (bottom - topLine) * i / 8;
        surface.Line(left, y, right, y);
    }
    for (int i = 0; i <= 10; ++i) {
        surface.SetDrawStyle(i == 0 || i == 10 ? 0 : 2);
        const double x = left + (24 * w / 32) * i / 10;
        surface.Line(x, topLine, x, bottom);
    }
    surface.SetDrawStyle(0);
}

QRectF PageLayoutArea(QSizeF paper, QRectF printable, double minimumMargin)
{
    const QRectF sheet(QPointF(0, 0), paper);
    const QRectF safe =
        sheet.adjusted(minimumMargin, minimumMargin, -minimumMargin, -minimumMargin);
    const QRectF area = safe.intersected(printable);
    return area.isEmpty() ? safe : area;
}

QString ElideMiddle(const QString &text, double maxWidth,
                    const std::function<double(const QString &)> &width)
{
    if (width(text) <= maxWidth)
        return text;
    const QChar ellipsis(0x2026);
    // Keeps n characters, one more at the head than at the tail for an odd n, never splitting a
    // surrogate pair.
    const auto shortened = [&](qsizetype n) {
        qsizetype head = (n + 1) / 2;
        qsizetype tail = n / 2;
        if (head > 0 && text[head - 1].isHighSurrogate())
            --head;
        if (tail > 0 && text[text.size() - tail].isLowSurrogate())
            --tail;
        return text.left(head) + ellipsis + text.right(tail);
    };
    if (width(shortened(0)) > maxWidth)
        return {};
    // The longest that fits: widths grow with the number of characters kept.
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype n = fits + (tooLong - fits) / 2;
        if (width(shortened(n)) <= maxWidth)
            fits = n;
        else
            tooLong = n;
    }
    return shortened(fits);
}

} // namespace kst
