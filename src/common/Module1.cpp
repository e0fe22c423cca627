#include "common/Module1.h"

namespace kst {

Module1::Module1() : Clock([] { return QDateTime::currentDateTime(); }) {}

} // namespace kst
