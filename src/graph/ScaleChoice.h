#pragma once

#include <QString>
#include <QStringView>

namespace kst {

// The scale window's checks. A limit must be a number, the low limit below the high one (compared
// as singles); the span must be a number whose whole part is at least 1. Leaving a field reports
// only that field (a bad text in the other limit is reported when that one is left); a number
// too large to keep (a single, a 32-bit span) ends the leave check silently and is refused by OK.
struct ScaleChoice {
    enum class Field { None, TopY, LowY, Interval };
    // The field the focus goes back to, with its warning; None when the choice is accepted.
    Field refused = Field::None;
    QString message;
    // The accepted values: the typed limits (a manual range only) and the whole span.
    float topY = 0;
    float lowY = 0;
    qint32 span = 0;
};

// What the scale window's controls hold, as typed; kept in the settings between runs.
struct ScaleTexts {
    bool meterRange = true;
    QString top = QStringLiteral("+400");
    QString low = QStringLiteral("-400");
    QString interval = QStringLiteral("100");
    bool stopOnOverload = false;
};

// Where the scale window's OK writes: a graph's range (with a typed range only) and its span.
struct ScaleTarget {
    float *TopY = nullptr;
    float *LowY = nullptr;
    qint32 *XSpan = nullptr;
};

// The warning for leaving field; empty when nothing is reported.
QString ScaleFieldWarning(ScaleChoice::Field field, QStringView top, QStringView low,
                          QStringView interval);

// OK: the limits (only for a manual range), then the span; the first refused field wins.
ScaleChoice ChooseScale(bool manual, QStringView top, QStringView low, QStringView interval);

} // namespace kst
