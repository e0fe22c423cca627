#pragma once

#include <QString>
#include <QtGlobal>

namespace kst {

// What the trend graph is drawn with: the value at the top and bottom edge of the plot area,
// the sample steps across its width, and the unit the graph is drawn (and the statistics held)
// in. The main window's reset gives 400 / -400 over 100 steps in "DCV".
struct GraphScale {
    float TopY = 400.0f;
    float LowY = -400.0f;
    qint32 XSpan = 100;
    QString Unit = QStringLiteral("DCV");
};

} // namespace kst
