#pragma once

#include <QtGlobal>

namespace kst {

// Window placement is stored in twips, 1440 to the inch, converted with the screen's logical DPI.
inline constexpr double TwipsPerInch = 1440.0;

qint64 TwipsFromPixels(double pixels, double logicalDpi);
int PixelsFromTwips(double twips, double logicalDpi);

} // namespace kst
