#pragma once

#include <stdexcept>

namespace tools {

// The tool's one error of its own: a command that cannot go on, said in one
// line for the terminal ("orvex-db: " goes in front). Nothing it had not
// committed is written. Faults of the dictionary itself are store::Error.
class ToolError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace tools
