#pragma once

// Named steps of the procedures whose files and rows must survive a crash or a second
// terminal. In test builds (TOPMENU_CRASH_POINTS) a child process of a test can be told by
// its environment to end itself at a step, or to hold there until the test lets it go on:
//
//   TOPMENU_CRASH_AT=<step>[#n]   the process kills itself (SIGKILL) the n-th time (first by
//                                 default) it reaches the step
//   TOPMENU_PAUSE_AT=<step>[#n],… with TOPMENU_PAUSE_DIR=<folder>: at the step it writes
//                                 <folder>/<step>.reached and waits for <folder>/<step>.go
//
// In other builds a step costs nothing.
namespace platform
{

#ifdef TOPMENU_CRASH_POINTS
void crashPoint(const char* step);
#else
inline void crashPoint(const char*) {}
#endif

} // namespace platform
