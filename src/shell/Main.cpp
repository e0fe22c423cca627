#include "shell/Main.h"

namespace kst {

void Main() {}

} // namespace kst
