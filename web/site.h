#pragma once

// What orvex-web answers: the pages (a search box, an entry's permalink,
// search by meaning, browsing by first letter) and the JSON API under
// /api/v1/, all read through store::Dictionary with the window's rules.
// Each thread that answers has a Dictionary of its own, opened on first use
// and opened again after any fault, so the site holds no state of its own
// and recovers by itself when the dictionary is back. Answers are kept while
// the dictionary stays the same (web/answercache.h): what it holds is read
// again from the dictionary, never written anywhere.

#include "store/location.h"
#include "web/answercache.h"
#include "web/changewatch.h"
#include "web/http.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace store {
class Dictionary;
}

namespace web {

// Definitions longer than this come back shortened, saying so.
inline constexpr qsizetype kLongestDefinition = 65536;
// How often the dictionary is asked whether it changed: an answer is at
// most about this much older than the dictionary (a standby's lag is
// usually more).
inline constexpr std::chrono::milliseconds kChangeCheck{50};

class Site
{
public:
    // faultLog: a line for the operator about each fault of the dictionary,
    // with its place; readers are told less.
    Site(const store::Location &dictionary, QString version, std::function<void(const std::string &)> faultLog);
    ~Site() noexcept;
    Site(const Site &) = delete;
    Site &operator=(const Site &) = delete;

    // Answers one request; called on many threads at once.
    Response handle(const Request &request);

private:
    store::Dictionary &dictionary();
    // Drops this thread's Dictionary, so the next request opens it again.
    void forgetDictionary() noexcept;

    Response page(const Request &request);
    Response api(const Request &request);

    const store::Location m_location;
    const QString m_version;
    const std::function<void(const std::string &)> m_faultLog;
    const std::uint64_t m_id; // tells this site's threads' dictionaries from another's
    AnswerCache m_answers{32 * 1024 * 1024};
    ChangeWatch m_watch;
};

} // namespace web
