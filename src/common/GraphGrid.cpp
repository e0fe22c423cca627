#include "common/GraphGrid.h"

#include "common/DrawingSurface.h"

namespace kst {

void DrawGraphGrid(DrawingSurface &surface)
{
    surface.Cls();
    const int savedWidth = surface.DrawWidth();
    const Colour savedColour = surface.ForeColor();
    surface.SetDrawWidth(1);
    surface.SetForeColor(Black);
    surface.SetDrawStyle(2);
    const double left = surface.ScaleLeft();
    const double top = surface.ScaleTop();
    const double width = surface.ScaleWidth();
    const double height = surface.ScaleHeight();
    for (int i = 1; i <= 8; ++i) {
        surface.SetDrawStyle(i == 4 ? 0 : 2);
        const double y = top + i * height / 8;
        surface.Line(left, y, left + width, y);
    }
    surface.SetDrawStyle(2);
    for (int i = 1; i <= 10; ++i) {
        const double x = left + i * width / 10;
        surface.Line(x, top, x, top + height);
    }
    surface.SetDrawWidth(savedWidth);
    surface.SetForeColor(savedColour);
    surface.SetDrawStyle(0);
}

} // namespace kst
