#pragma once

namespace platform {

// Ending the program at once. Every file is closed where it is written, so nothing is
// pending when the program leaves.
class Terminator
{
public:
    virtual ~Terminator() = default;
    [[noreturn]] virtual void endProgram(int exitCode) = 0;
};

class ProcessTerminator : public Terminator
{
public:
    [[noreturn]] void endProgram(int exitCode) override;
};

// Shorthand for the installed seam.
[[noreturn]] void endProgram(int exitCode = 0);

} // namespace platform
