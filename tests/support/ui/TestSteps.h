#pragma once

namespace kst {

class MainFrm;

// A hook for tests that run the real program as a child process, where nobody can click:
// the environment variable KST_TEST_STEPS holds words separated by semicolons. "Yes", "No" and
// "Cancel" answer the program's questions in turn instead of showing them; any other word is the
// object name of a button or menu command of the main window ("StartCom", "Save", "Exit"),
// clicked in order once start-up is done. Unset, the program behaves as always.
void RunTestSteps(MainFrm *main);

} // namespace kst
