// The program as tests run it in a child process: kst itself, with KST_TEST_STEPS answering its
// questions and clicking its controls once it has started.
#include "shell/Main.h"
#include "support/ui/TestSteps.h"

int main(int argc, char *argv[])
{
    return kst::RunProgram(argc, argv, [](kst::MainFrm &main) { kst::RunTestSteps(&main); });
}
