#pragma once

#include <QtGlobal>

namespace kst {

class DrawingSurface;

// Sets the graph page's user coordinates on a printer page: the graph area runs from 0 to span
// horizontally (one unit per sample step) and from low to top vertically (values grow upwards)
// and covers 24/32 of the page each way, with margins of 5/32 left, 3/32 right, 3/32 at the top
// and 5/32 at the bottom. The page width is taken as a whole number of steps, so the left and
// right edges are exact to half a step (span 100: left -21, right 112).
void PreparePrinterPage(DrawingSurface &surface, float top, float low, qint32 span);

// The printed graph grid in the surface's own coordinates: the graph area's frame with eight
// rows and ten columns, top, middle and bottom lines and both sides solid, the rest dotted;
// horizontals first. Leaves the surface with width 1, colour 1 and solid lines.
void DrawPrinterGrid(DrawingSurface &surface);

} // namespace kst
