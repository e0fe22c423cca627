#include "panel/BarGraph.h"

#include "common/Numbers.h"

#include <algorithm>

namespace kst {

BarGraph UpdateBarGraph(float value)
{
    // Round first, then take the magnitude: halves go to the even neighbour either way.
    const qint64 n = RoundHalfEven(double(value) / 100.0);
    BarGraph bar;
    const int limited = int(std::clamp<qint64>(n, -BarGraph::SegmentCount, BarGraph::SegmentCount));
    bar.Segments = limited < 0 ? -limited : limited;
    for (int k = 1; k <= BarGraph::MarkCount; ++k)
        bar.Marks[k - 1] = bar.Segments >= 10 * k;
    return bar;
}

} // namespace kst
