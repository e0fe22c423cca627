#include "common/Placement.h"

#include "common/Numbers.h"

namespace kst {

qint64 TwipsFromPixels(double pixels, double logicalDpi)
{
    return RoundHalfEven(pixels * TwipsPerInch / logicalDpi);
}

int PixelsFromTwips(double twips, double logicalDpi)
{
    return int(RoundHalfEven(twips * logicalDpi / TwipsPerInch));
}

} // namespace kst
