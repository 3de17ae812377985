#pragma once

#include <memory>
#include <string>

namespace platform {

// Starts a program in a process of its own and does not wait for it.
class ProgramStarter
{
public:
    // Window show states (the SW_ values).
    static constexpr int kShowNormal = 1;

    virtual ~ProgramStarter() = default;

    // Starts the program at path (UTF-8), with no arguments, its first
    // window shown in showState. False when it could not be started.
    virtual bool start(const std::string &path, int showState) = 0;
};

std::unique_ptr<ProgramStarter> systemProgramStarter();

} // namespace platform
