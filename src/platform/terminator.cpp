#include "terminator.h"

#include "host.h"
#include "runtime.h"

#include <cstdio>
#include <cstdlib>

namespace platform
{

void ProcessTerminator::endProgram(int exitCode)
{
    // The lock's file in the machine's lock folder goes now; a process that is killed
    // leaves it to the next instance.
    if (auto* host = dynamic_cast<SystemHost*>(runtime().host))
        host->releaseInstanceLock();
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
