// kst: the desktop program.
#include "shell/Main.h"

int main(int argc, char *argv[])
{
    return kst::RunProgram(argc, argv);
}
