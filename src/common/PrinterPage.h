#pragma once

#include <QRectF>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <functional>

namespace kst {

class DrawingSurface;

// Sets the graph page's user coordinates on a printer page: the graph area runs from 0 to span
// horizontally (one unit per sample step) and from low to top vertically (values grow upwards)
// and covers 24/32 of the page each way, with margins of 5/32 left, 3/32 right, 3/32 at the top
// and 5/32 at the bottom. The page width is taken as a whole number of steps, so the left and
// right edges are exact to half a step (span 100: left -21, right 112).
void PreparePrinterPage(DrawingSurface &surface, float top, float low, qint32 span);
// Several graphs down one page (one per meter): the graph area above is shared by `bands` bands
// with a gap of PrinterBandGap of a band's height between them, and the coordinates are set so
// that band `band` (0 at the top) runs from top to low.
inline constexpr double PrinterBandGap = 0.4;
void PreparePrinterBand(DrawingSurface &surface, float top, float low, qint32 span, int band,
                        int bands);

// The printed graph grid in the surface's own coordinates: the graph area's frame with eight
// rows and ten columns, top, middle and bottom lines and both sides solid, the rest dotted;
// horizontals first. Leaves the surface with width 1, colour 1 and solid lines.
void DrawPrinterGrid(DrawingSurface &surface);
// The same grid between two heights (a band of several).
void DrawPrinterGridBetween(DrawingSurface &surface, double topLine, double bottom);

// Closest distance to the paper's edge at which a page is laid out, in millimetres: a PDF reports
// the whole sheet as printable, yet most printers cannot print the outer few millimetres.
inline constexpr double MinimumPageMargin = 10.0;

// The part of the paper a page is laid out on: the printable area the printer reports, kept at
// least minimumMargin away from every paper edge. All in one unit, the paper's top left at the
// origin. A printable area that misses the paper gives the paper less the minimum margin.
QRectF PageLayoutArea(QSizeF paper, QRectF printable, double minimumMargin = MinimumPageMargin);

// The text shortened in the middle with an ellipsis ("/home/us…/run.mas") so that its width is at
// most maxWidth; the text itself when it fits, empty when not even the ellipsis fits. The width
// function measures a text in the caller's units and must grow with the text.
QString ElideMiddle(const QString &text, double maxWidth,
                    const std::function<double(const QString &)> &width);

} // namespace kst
