#include "record/UnitConversion.h"

#include <cmath>

namespace kst {

bool UnitExponent(const QString &unit, int &exponent)
{
    struct Entry {
        const char16_t *text;
        int exponent;
    };
    static constexpr Entry table[] = {
        {u"nF", -3},   {u"μF", 0},    {u"DCμA", -6}, {u"ACμA", -6}, {u"DCmA", -3},
        {u"DCmV", -3}, {u"ACmA", -3}, {u"ACmV", -3}, {u"DCA", 0},   {u"DCV", 0},
        {u"ACA", 0},   {u"ACV", 0},   {u"V", 0},     {u"Ω", 0},     {u"Hz", 0},
        {u"KΩ", 3},    {u"KHz", 3},   {u"MΩ", 6},    {u"MHz", 6},
    };
    for (const Entry &entry : table) {
        if (unit == QStringView(entry.text)) {
            exponent = entry.exponent;
            return true;
        }
    }
    return false;
}

float NormalizeUnitValue(float value, QString &fromUnit, QString &toUnit)
{
    fromUnit = fromUnit.trimmed();
    toUnit = toUnit.trimmed();
    int exponent = 0;
    double x = 0.0;
    if (UnitExponent(fromUnit, exponent))
        x = double(value) * std::pow(10.0, exponent);
    if (UnitExponent(toUnit, exponent))
        x = x * std::pow(10.0, -exponent);
    return float(x);
}

} // namespace kst
