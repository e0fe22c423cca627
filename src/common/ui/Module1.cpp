#include "common/ui/Module1.h"

#include "common/DateTimeText.h"
namespace kst {

Module1::Module1() : Clock([] { return CurrentLocalTime(); })
{
    // The scale window starts with "Meter Range" chosen.
    Meter1.FollowMeterRange = true;
}

} // namespace kst
