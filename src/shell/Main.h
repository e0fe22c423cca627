#pragma once

namespace kst {

// Runs the start-up and returns with the main window shown; the caller owns the QApplication and
// the event loop.
void Main();

} // namespace kst
