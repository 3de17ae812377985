#pragma once

// orvex-web's answers kept while the dictionary stays the same (see
// ChangeWatch): a glossary is read far more than it is written, and most
// readers ask for the same few hundred acronyms, whose answers then cost no
// trip to the dictionary. Every answer is of one generation; a new one
// drops them all.

#include "web/http.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace web {

class AnswerCache
{
public:
    // Keeps at most mostBytes of answers, none larger than a sixteenth of it.
    explicit AnswerCache(std::size_t mostBytes);

    // The answer kept for key in generation, if any.
    std::shared_ptr<const Response> find(const std::string &key, std::uint64_t generation);
    void keep(const std::string &key, std::uint64_t generation, const Response &answer);

private:
    const std::size_t m_mostBytes;
    std::mutex m_mutex;
    std::uint64_t m_generation = 0;
    std::size_t m_bytes = 0;
    std::unordered_map<std::string, std::shared_ptr<const Response>> m_answers;
};

} // namespace web
