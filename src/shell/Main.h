#pragma once

#include <functional>

namespace kst {

class MainFrm;
class Module1;

// The program: answers --help and --version without a display, else starts up (calling `started`
// with the main window, shown), opens the file given on the command line and runs the event
// loop. Returns the exit code.
int RunProgram(int argc, char *argv[], const std::function<void(MainFrm &)> &started = {});

// Runs the start-up and returns the main window, shown; the caller owns the QApplication and the
// event loop.
MainFrm *Main();

// The start-up steps on a given set of shared variables; returns the main window, shown. Main()
// uses it with the program's own Module1; tests with theirs.
MainFrm *StartUp(Module1 &module, bool showSplash = true);

} // namespace kst
