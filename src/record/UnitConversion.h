#pragma once

#include <QString>

namespace kst {

// Re-expresses a value between unit texts of one quantity by powers of ten: value, taken in
// fromUnit, expressed in toUnit. Knows 19 unit texts (AC and DC are not told apart). A source
// unit outside the table gives 0; a target unit outside it leaves the value in base units (volt,
// ampere, ohm, hertz, microfarad). Both unit texts are trimmed in place.
float NormalizeUnitValue(float value, QString &fromUnit, QString &toUnit);

// The power-of-ten exponent of a unit text, or false when the text is not in the table.
bool UnitExponent(const QString &unit, int &exponent);

} // namespace kst
