#include "store/commits.h"

#include <atomic>

namespace store {

namespace {

std::atomic<int> g_commits{0};

} // namespace

CommitUnderWay::CommitUnderWay() noexcept
{
    ++g_commits;
}

CommitUnderWay::~CommitUnderWay() noexcept
{
    --g_commits;
}

bool CommitUnderWay::any() noexcept
{
    return g_commits.load() > 0;
}

} // namespace store
