#pragma once

namespace kst {

class DrawingSurface;

// Clears the surface and draws the graph's dotted grid in its current user coordinates: eight
// horizontal lines, one per eighth of the height (the fourth, at mid-height, solid), the last on
// the bottom edge; ten dotted vertical lines, one per tenth of the width, the last on the right
// edge; nothing on the top or left edge. Black, width 1; the surface's colour and width are
// restored afterwards and its style left solid.
void DrawGraphGrid(DrawingSurface &surface);

} // namespace kst
