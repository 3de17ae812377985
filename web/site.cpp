#include "web/site.h"

#include "messages/storefaults.h"
#include "store/dictionary.h"
#include "store/rules.h"
#include "store/text.h"
#include "web/markup.h"
#include "web/pages.h"

#include <QFile>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

// Outside any namespace, as Qt asks: the assets are in the library.
static void loadWebAssets()
{
    Q_INIT_RESOURCE(webassets);
}

namespace web {

namespace {

constexpr qsizetype kPage = 100; // acronyms to a page of a listing
constexpr qsizetype kMostInPage = 1000;
constexpr qsizetype kResults = 20; // search results to a page
constexpr qsizetype kMostResults = 100;
constexpr int kMostSuggestions = 20;
constexpr qsizetype kStarting = 10; // acronyms starting with the key beside an answer

const char *const kHtml = "text/html; charset=utf-8";
const char *const kJson = "application/json; charset=utf-8";

std::atomic<std::uint64_t> g_sites{0};

// This thread's dictionary, for the site that opened it.
struct ThreadDictionary
{
    std::uint64_t site = 0;
    std::uint64_t reopening = 0; // the site's when it was opened
    std::unique_ptr<store::Dictionary> dictionary;
};
thread_local ThreadDictionary t_dictionary;

// The files under /static/, read once.
struct Asset
{
    std::string type;
    std::string body;
};

const std::map<std::string, Asset> &assets()
{
    static const std::map<std::string, Asset> files = [] {
        loadWebAssets();
        std::map<std::string, Asset> read;
        const std::pair<const char *, const char *> names[] = {
            {"orvex.css", "text/css; charset=utf-8"},
            {"orvex.js", "text/javascript; charset=utf-8"},
            {"orvex.svg", "image/svg+xml"},
            {"orvex-32.png", "image/png"},
            {"openapi.json", kJson},
        };
        for (const auto &[name, type] : names) {
            QFile file(QStringLiteral(":/web/") + QLatin1String(name));
            if (file.open(QIODevice::ReadOnly))
                read[name] = Asset{type, file.readAll().toStdString()};
        }
        return read;
    }();
    return files;
}

QString decoded(const std::string &utf8)
{
    return store::fromStoredUtf8(utf8);
}

QString argument(const Request &request, std::string_view name)
{
    const std::optional<std::string> value = request.argument(name);
    return value ? decoded(*value) : QString();
}

// A number argument within [1, most]; fallback when it is missing or no
// number.
qsizetype number(const Request &request, std::string_view name, qsizetype fallback, qsizetype most)
{
    bool ok = false;
    const qsizetype value = argument(request, name).toLongLong(&ok);
    return ok && value >= 1 ? std::min(value, most) : fallback;
}

Response html(int status, std::string body)
{
    return Response{status, kHtml, std::move(body), {{"Cache-Control", "no-cache"}}};
}

Response json(int status, std::string body)
{
    // Anybody's page or extension may read the API: it is read-only, and
    // it takes no cookies or credentials.
    return Response{
        status, kJson, std::move(body), {{"Cache-Control", "no-cache"}, {"Access-Control-Allow-Origin", "*"}}};
}

Response jsonError(int status, const QString &message)
{
    JsonWriter out;
    out.beginObject().key("error").value(message).endObject();
    return json(status, out.take());
}

Response text(int status, const char *body)
{
    return Response{status, "text/plain; charset=utf-8", body, {{"Cache-Control", "no-cache"}}};
}

QStringList words(const QString &typed)
{
    return typed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void writeEntry(JsonWriter &out, const store::Entry &entry)
{
    out.beginObject()
        .key("acronym")
        .value(store::trimSpaces(entry.acronym))
        .key("definition")
        .value(entry.definition)
        .key("meanings")
        .beginArray();
    for (const QString &meaning : pages::meaningsOf(entry.definition))
        out.value(meaning);
    out.endArray().key("id").value(entry.id);
    if (entry.shortenedFrom > 0)
        out.key("shortenedFrom").value(entry.shortenedFrom);
    out.endObject();
}

void writeList(JsonWriter &out, const QStringList &list)
{
    out.beginArray();
    for (const QString &item : list)
        out.value(item);
    out.endArray();
}

// The acronyms starting with key, but key itself.
QStringList startingWith(store::Dictionary &dictionary, const QString &key, qsizetype most)
{
    QStringList found = dictionary.acronyms(key, QString(), most + 1);
    found.removeAll(key);
    return found.mid(0, most);
}

// What tells one request's answer from another's: its path and query, each
// part preceded by its length, so that no path or value (a decoded NUL or
// "=" among them) can pass for another request's.
std::string keyOf(const Request &request)
{
    std::string key;
    const auto part = [&key](const std::string &text) {
        key += std::to_string(text.size());
        key += ':';
        key += text;
    };
    part(request.path);
    for (const auto &[name, value] : request.query) {
        part(name);
        part(value);
    }
    return key;
}

// Only answers of the GET kind: HEAD is GET without the body, which the
// HTTP layer leaves out.
bool isRead(const Request &request)
{
    return request.method == "GET" || request.method == "HEAD";
}

} // namespace

Site::Site(const store::Location &dictionary, QString version, std::function<void(const std::string &)> faultLog)
    : m_location(dictionary)
    , m_version(std::move(version))
    , m_faultLog(std::move(faultLog))
    , m_id(++g_sites)
    , m_watch(dictionary, kChangeCheck)
{
    assets();
}

Site::~Site() noexcept = default;

store::Dictionary &Site::dictionary()
{
    ThreadDictionary &mine = t_dictionary;
    const std::uint64_t reopening = m_watch.reopenings();
    if (mine.site != m_id || !mine.dictionary || mine.reopening != reopening) {
        mine.dictionary.reset();
        mine.dictionary = std::make_unique<store::Dictionary>(m_location);
        mine.dictionary->setLongestDefinition(kLongestDefinition);
        mine.site = m_id;
        mine.reopening = reopening;
    }
    return *mine.dictionary;
}

void Site::forgetDictionary() noexcept
{
    t_dictionary.dictionary.reset();
}

Response Site::handle(const Request &request)
{
    if (!isRead(request)) {
        Response refused = text(405, "This server only reads: GET and HEAD.\n");
        refused.headers.emplace_back("Allow", "GET, HEAD");
        return refused;
    }
    const std::string &path = request.path;
    if (path == "/healthz")
        return text(200, "ok\n");
    if (path.rfind("/static/", 0) == 0 || path == "/favicon.ico") {
        const auto found = assets().find(path == "/favicon.ico" ? "orvex-32.png" : path.substr(8));
        if (found == assets().end())
            return html(404, pages::notFound());
        return Response{200, found->second.type, found->second.body, {{"Cache-Control", "public, max-age=3600"}}};
    }
    const bool forApi = path.rfind("/api/", 0) == 0;
    try {
        if (path == "/readyz") {
            // A lookup reaches the dictionary itself, not only an open handle.
            dictionary().find(QStringLiteral("READYZ"));
            return text(200, "ready\n");
        }
        // Taken before the dictionary is read: a change made while it is
        // read moves the generation, and the answer is not used after it.
        const std::uint64_t generation = m_watch.generation();
        if (generation == 0)
            return forApi ? api(request) : page(request);
        const std::string key = keyOf(request);
        if (const std::shared_ptr<const Response> kept = m_answers.find(key, generation))
            return *kept;
        Response answer = forApi ? api(request) : page(request);
        m_answers.keep(key, generation, answer);
        return answer;
    } catch (const store::Error &error) {
        forgetDictionary();
        if (m_faultLog)
            m_faultLog(QStringLiteral("%1: %2")
                           .arg(messages::storeFaultPlace(error),
                                messages::storeFaultReason(error, messages::Wording::Terminal))
                           .toStdString());
        const QString reason = messages::storeFaultReason(error, messages::Wording::Web);
        Response unavailable = path == "/readyz" ? text(503, "not ready\n")
                               : forApi          ? jsonError(503, reason)
                                                 : html(503, pages::fault(reason));
        unavailable.headers.emplace_back("Retry-After", "5");
        return unavailable;
    }
}

Response Site::page(const Request &request)
{
    const std::string &path = request.path;
    if (path == "/")
        return html(200, pages::home());
    if (path == "/find") {
        const QString typed = argument(request, "acronym");
        if (store::isBlank(typed))
            return html(400, pages::home(QStringLiteral("You must enter an acronym.")));
        // To the entry's permalink, the key as lookups form it.
        Response moved = html(303, std::string());
        moved.headers.emplace_back("Location", pages::permalink(store::trimSpaces(store::keyOf(typed))));
        return moved;
    }
    if (path.rfind("/a/", 0) == 0) {
        const QString typed = decoded(path.substr(3));
        if (store::isBlank(typed))
            return html(400, pages::home(QStringLiteral("You must enter an acronym.")));
        store::Dictionary &words = dictionary();
        const QString key = store::trimSpaces(store::keyOf(typed));
        if (const std::optional<store::Entry> found = words.find(typed))
            return html(200, pages::entry(*found, startingWith(words, key, kStarting)));
        return html(404, pages::missing(key, startingWith(words, key, kStarting), words.suggestions(typed)));
    }
    if (path == "/search") {
        const QString typed = argument(request, "q");
        const QStringList wanted = words(typed);
        if (wanted.isEmpty())
            return html(400, pages::home(QStringLiteral("Type the words to look for in the meanings.")));
        const QList<store::Entry> found = dictionary().search(wanted);
        const int count = static_cast<int>((found.size() + kResults - 1) / kResults);
        const int page = static_cast<int>(std::min<qsizetype>(number(request, "page", 1, 1 << 30), std::max(count, 1)));
        return html(200,
                    pages::searchResults(typed, found.mid((page - 1) * kResults, kResults), found.size(), page, count));
    }
    if (path == "/browse") {
        const QString prefix = store::prefixKeyOf(argument(request, "prefix"));
        const QStringList list = dictionary().acronyms(prefix, argument(request, "after"), kPage + 1);
        return html(200,
                    pages::browse(prefix, list.mid(0, kPage), list.size() > kPage ? list.at(kPage - 1) : QString()));
    }
    return html(404, pages::notFound());
}

Response Site::api(const Request &request)
{
    const std::string &path = request.path;
    JsonWriter out;
    if (path == "/api/v1/lookup" || path == "/api/v1/suggest") {
        const QString typed = argument(request, "acronym");
        if (store::isBlank(typed))
            return jsonError(400, QStringLiteral("the acronym is missing or blank"));
        store::Dictionary &words = dictionary();
        const QString key = store::trimSpaces(store::keyOf(typed));
        if (path == "/api/v1/suggest") {
            out.beginObject().key("acronym").value(key).key("suggestions");
            writeList(out, words.suggestions(typed, static_cast<int>(number(request, "limit", store::kSuggestions,
                                                                            kMostSuggestions))));
            return json(200, out.endObject().take());
        }
        if (const std::optional<store::Entry> found = words.find(typed)) {
            writeEntry(out, *found);
            return json(200, out.take());
        }
        out.beginObject().key("acronym").value(key).key("error").value("not found").key("suggestions");
        writeList(out, words.suggestions(typed));
        return json(404, out.endObject().take());
    }
    if (path == "/api/v1/acronyms") {
        const QString prefix = store::prefixKeyOf(argument(request, "prefix"));
        const qsizetype limit = number(request, "limit", kPage, kMostInPage);
        const QStringList list = dictionary().acronyms(prefix, argument(request, "after"), limit + 1);
        out.beginObject().key("prefix").value(prefix).key("acronyms");
        writeList(out, list.mid(0, limit));
        out.key("next");
        if (list.size() > limit)
            out.value("/api/v1/acronyms?prefix=" + percentEncoded(prefix.toStdString()) + "&after="
                      + percentEncoded(list.at(limit - 1).toStdString()) + "&limit=" + std::to_string(limit));
        else
            out.null();
        return json(200, out.endObject().take());
    }
    if (path == "/api/v1/search") {
        const QString typed = argument(request, "q");
        const QStringList wanted = words(typed);
        if (wanted.isEmpty())
            return jsonError(400, QStringLiteral("q holds no words"));
        const qsizetype limit = number(request, "limit", kResults, kMostResults);
        const qsizetype page = number(request, "page", 1, 1 << 30);
        const QList<store::Entry> found = dictionary().search(wanted);
        out.beginObject().key("q").value(typed).key("total").value(static_cast<qint64>(found.size()));
        out.key("page").value(static_cast<qint64>(page)).key("results").beginArray();
        for (const store::Entry &entry : found.mid(std::min((page - 1) * limit, found.size()), limit))
            writeEntry(out, entry);
        out.endArray().key("next");
        if (page * limit < found.size())
            out.value("/api/v1/search?q=" + percentEncoded(typed.toStdString()) + "&page=" + std::to_string(page + 1)
                      + "&limit=" + std::to_string(limit));
        else
            out.null();
        return json(200, out.endObject().take());
    }
    if (path == "/api/v1/openapi.json") {
        const Asset &description = assets().at("openapi.json");
        std::string body = description.body;
        const std::string mark = "@VERSION@";
        if (const std::size_t at = body.find(mark); at != std::string::npos)
            body.replace(at, mark.size(), m_version.toStdString());
        return Response{200, description.type, std::move(body), {{"Access-Control-Allow-Origin", "*"}}};
    }
    return jsonError(404, QStringLiteral("no such endpoint; see /api/v1/openapi.json"));
}

} // namespace web
