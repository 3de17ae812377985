#pragma once

// Whether this process is committing a change at this moment. A program
// stopped by a signal waits for a commit under way rather than leave its
// fate unknown, and stops at once otherwise: what was not committed is
// rolled back by the engine.

namespace store {

class CommitUnderWay
{
public:
    CommitUnderWay() noexcept;
    ~CommitUnderWay() noexcept;
    CommitUnderWay(const CommitUnderWay &) = delete;
    CommitUnderWay &operator=(const CommitUnderWay &) = delete;

    static bool any() noexcept;
};

} // namespace store
