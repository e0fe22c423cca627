#pragma once

namespace kst {

class MainFrm;
class Module1;

// Runs the start-up and returns the main window, shown; the caller owns the QApplication and the
// event loop.
MainFrm *Main();

// The start-up steps on a given set of shared variables; returns the main window, shown. Main()
// uses it with the program's own Module1; tests with theirs.
MainFrm *StartUp(Module1 &module, bool showSplash = true);

} // namespace kst
