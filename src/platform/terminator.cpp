#include "terminator.h"

#include "runtime.h"

#include <cstdio>
#include <cstdlib>

namespace platform
{

void ProcessTerminator::endProgram(int exitCode)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

void endProgram(int exitCode)
{
    if (Terminator* t = runtime().terminator)
        t->endProgram(exitCode);
    ProcessTerminator().endProgram(exitCode);
}

} // namespace platform
