#include "common/ui/Module1.h"

namespace kst {

Module1::Module1() : Clock([] { return QDateTime::currentDateTime(); })
{
    // The scale window starts with "Meter Range" chosen.
    Meter1.FollowMeterRange = true;
}

} // namespace kst
