#pragma once

#include <array>

namespace kst {

// What the 40-segment bar shows for a count value. One segment stands for 100 counts, so the
// full bar is the meter's 4000-count range; the sign is not shown.
struct BarGraph {
    static constexpr int SegmentCount = 40;
    static constexpr int MarkCount = 4; // "10", "20", "30", "40"

    // Lit segments 1..Segments, 0..40.
    int Segments = 0;
    // Mark k (1..4, at index k - 1) is shown once the bar reaches segment 10 k.
    std::array<bool, MarkCount> Marks{};

    bool SegmentLit(int index) const { return index >= 1 && index <= Segments; }
    bool MarkShown(int k) const { return k >= 1 && k <= MarkCount && Marks[k - 1]; }
};

// The bar for a count value: |value| / 100 rounded half to even, limited to 40 segments.
BarGraph UpdateBarGraph(float value);

} // namespace kst
