#include "web/answercache.h"

namespace web {

namespace {

std::size_t sizeOf(const std::string &key, const Response &answer)
{
    std::size_t size = key.size() + answer.contentType.size() + answer.body.size() + 128;
    for (const auto &[name, value] : answer.headers)
        size += name.size() + value.size() + 64;
    return size;
}

} // namespace

AnswerCache::AnswerCache(std::size_t mostBytes)
    : m_mostBytes(mostBytes)
{}

std::shared_ptr<const Response> AnswerCache::find(const std::string &key, std::uint64_t generation)
{
    const std::lock_guard lock(m_mutex);
    if (generation != m_generation)
        return nullptr;
    const auto found = m_answers.find(key);
    return found == m_answers.end() ? nullptr : found->second;
}

void AnswerCache::keep(const std::string &key, std::uint64_t generation, const Response &answer)
{
    const std::size_t size = sizeOf(key, answer);
    if (size > m_mostBytes / 16)
        return;
    auto kept = std::make_shared<const Response>(answer);
    std::unordered_map<std::string, std::shared_ptr<const Response>> dropped;
    const std::lock_guard lock(m_mutex);
    // An answer read before a change may come after it: it is of an older
    // generation and is not kept.
    if (generation < m_generation)
        return;
    // A new generation, or full: the answers kept go all at once (freed
    // after the lock), since most of what readers ask comes back at once.
    if (generation > m_generation || m_bytes + size > m_mostBytes) {
        dropped.swap(m_answers);
        m_bytes = 0;
        m_generation = generation;
    }
    // Another thread may have kept the same answer meanwhile: it stays.
    if (m_answers.try_emplace(key, std::move(kept)).second)
        m_bytes += size;
}

} // namespace web
