#include "web/pages.h"

#include "store/rules.h"
#include "store/text.h"
#include "web/http.h"
#include "web/markup.h"

namespace web::pages {

namespace {

std::string utf8Of(const QString &text)
{
    return text.toStdString();
}

// Stored or typed text inside a page: escaped, and isolated from the text
// around it in both directions of writing.
std::string shown(const QString &text)
{
    return "<bdi>" + html(text) + "</bdi>";
}

std::string link(const QString &acronym)
{
    return "<a href=\"" + permalink(acronym) + "\">" + shown(acronym) + "</a>";
}

std::string acronymList(const QStringList &acronyms, const char *className = "acronyms")
{
    std::string list = std::string("<ul class=\"") + className + "\">";
    for (const QString &acronym : acronyms)
        list += "<li>" + link(acronym) + "</li>";
    return list + "</ul>";
}

std::string section(const char *id, const std::string &heading, const std::string &body)
{
    return std::string("<section aria-labelledby=\"") + id + "\"><h2 id=\"" + id + "\">" + heading + "</h2>" + body
           + "</section>";
}

std::string query(const char *name, const QString &value)
{
    return std::string(name) + '=' + percentEncoded(utf8Of(value));
}

} // namespace

std::string permalink(const QString &acronym)
{
    return "/a/" + percentEncoded(utf8Of(acronym));
}

QStringList meaningsOf(const QString &definition)
{
    QStringList meanings;
    const QString join = QString::fromUtf8(store::kJoin.data(), static_cast<qsizetype>(store::kJoin.size()));
    for (const QString &part : definition.split(join)) {
        if (!store::isBlank(part))
            meanings << store::trimSpaces(part);
    }
    return meanings;
}

std::string layout(const QString &title, const std::string &main, const QString &typed, const QString &words)
{
    std::string letters;
    for (const char c : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"))
        letters += std::string("<li><a href=\"/browse?prefix=") + c + "\">" + c + "</a></li>";
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<meta name=\"color-scheme\" content=\"light dark\">"
           "<title>"
           + html(title)
           + " \u2013 Orvex</title>"
             "<link rel=\"stylesheet\" href=\"/static/orvex.css\">"
             "<link rel=\"icon\" href=\"/static/orvex.svg\" type=\"image/svg+xml\">"
             "<script src=\"/static/orvex.js\" defer></script></head>"
             "<body><a class=\"skip\" href=\"#main\">Skip to the answer</a>"
             "<header><a class=\"brand\" href=\"/\"><img src=\"/static/orvex.svg\" alt=\"\" width=\"32\" "
             "height=\"32\">Orvex</a><span class=\"tagline\">the team's acronyms</span></header>"
             "<div class=\"panel\">"
             "<form class=\"find\" role=\"search\" action=\"/find\" method=\"get\" aria-label=\"Look up an acronym\">"
             "<label for=\"acronym\">Acronym:</label>"
             "<input id=\"acronym\" name=\"acronym\" type=\"text\" value=\""
           + html(typed)
           + "\" autocomplete=\"off\" autocapitalize=\"characters\" spellcheck=\"false\" "
             "aria-describedby=\"find-hint\" aria-controls=\"live\">"
             "<button type=\"submit\">Find</button>"
             "<p id=\"find-hint\" class=\"hint\">Letter case and spaces around it do not count.</p>"
             "</form>"
             "<form class=\"words\" role=\"search\" action=\"/search\" method=\"get\" "
             "aria-label=\"Search the meanings\">"
             "<label for=\"words\">Meaning:</label>"
             "<input id=\"words\" name=\"q\" type=\"search\" value=\""
           + html(words)
           + "\" autocomplete=\"off\">"
             "<button type=\"submit\">Search</button></form></div>"
             "<div id=\"live\" aria-live=\"polite\"></div>"
             "<main id=\"main\" tabindex=\"-1\">"
           + main
           + "</main>"
             "<nav aria-label=\"Browse by first letter\"><h2>Browse</h2><ul class=\"letters\">"
           + letters
           + "</ul></nav>"
             "<footer><a href=\"/api/v1/openapi.json\">JSON API</a></footer>"
             "</body></html>\n";
}

std::string home(const QString &problem)
{
    std::string main = "<h1>Look up an acronym</h1>";
    if (!problem.isEmpty())
        main += "<p class=\"problem\" role=\"alert\">" + html(problem) + "</p>";
    main += "<p>Type an acronym and press Find, or search the meanings, or browse by first letter.</p>";
    return layout(QStringLiteral("Acronyms"), main);
}

std::string entry(const store::Entry &entry, const QStringList &alsoStarting)
{
    const QString acronym = store::trimSpaces(entry.acronym);
    const QStringList meanings = meaningsOf(entry.definition);
    std::string main =
        "<article id=\"answer\" aria-labelledby=\"answer-title\"><h1 id=\"answer-title\">" + shown(acronym) + "</h1>";
    if (meanings.isEmpty()) {
        main += "<p class=\"note\">The stored definition is empty.</p>";
    } else if (meanings.size() == 1) {
        main += "<p class=\"meaning\">" + shown(meanings.first()) + "</p>";
    } else {
        main += "<ol class=\"meanings\">";
        for (const QString &meaning : meanings)
            main += "<li>" + shown(meaning) + "</li>";
        main += "</ol>";
    }
    if (entry.shortenedFrom > 0)
        main += "<p class=\"note\">Only the beginning is shown: the stored definition takes "
                + std::to_string(entry.shortenedFrom) + " bytes.</p>";
    main += "<p class=\"permalink\"><a href=\"" + permalink(acronym) + "\">Link to this entry</a></p></article>";
    if (!alsoStarting.isEmpty())
        main += section("starting", "Also starting with " + shown(acronym), acronymList(alsoStarting));
    return layout(acronym, main, acronym);
}

std::string missing(const QString &key, const QStringList &starting, const QStringList &suggestions)
{
    std::string main = "<article id=\"answer\" aria-labelledby=\"answer-title\"><h1 id=\"answer-title\">"
                       "No definition found for "
                       + shown(key) + "</h1></article>";
    if (!starting.isEmpty())
        main += section("starting", "Starting with " + shown(key), acronymList(starting));
    if (!suggestions.isEmpty())
        main += section("suggestions", "Did you mean", acronymList(suggestions, "acronyms suggestions"));
    return layout(key, main, key);
}

std::string searchResults(const QString &words, const QList<store::Entry> &results, qsizetype total, int page,
                          int pages)
{
    std::string main = "<h1>Meanings with " + shown(words) + "</h1><p>" + std::to_string(total)
                       + (total == 1 ? " entry" : " entries") + "</p>";
    if (!results.isEmpty()) {
        main += "<dl class=\"results\">";
        for (const store::Entry &entry : results) {
            main += "<dt>" + link(store::trimSpaces(entry.acronym)) + "</dt><dd>" + shown(entry.definition);
            if (entry.shortenedFrom > 0)
                main += " \u2026";
            main += "</dd>";
        }
        main += "</dl>";
    }
    if (pages > 1) {
        main += "<nav aria-label=\"Pages of results\" class=\"pages\">";
        if (page > 1)
            main += "<a rel=\"prev\" href=\"/search?" + query("q", words) + "&amp;page=" + std::to_string(page - 1)
                    + "\">Previous</a> ";
        main += "<span>Page " + std::to_string(page) + " of " + std::to_string(pages) + "</span>";
        if (page < pages)
            main += " <a rel=\"next\" href=\"/search?" + query("q", words) + "&amp;page=" + std::to_string(page + 1)
                    + "\">Next</a>";
        main += "</nav>";
    }
    return layout(QStringLiteral("Meanings with ") + words, main, QString(), words);
}

std::string browse(const QString &prefix, const QStringList &acronyms, const QString &nextAfter)
{
    std::string main = "<h1>Acronyms starting with " + shown(prefix) + "</h1>";
    main += acronyms.isEmpty() ? std::string("<p>None.</p>") : acronymList(acronyms, "acronyms columns");
    if (!nextAfter.isEmpty())
        main += "<p class=\"pages\"><a rel=\"next\" href=\"/browse?" + query("prefix", prefix) + "&amp;"
                + query("after", nextAfter) + "\">More</a></p>";
    return layout(QStringLiteral("Starting with ") + prefix, main);
}

std::string fault(const QString &reason)
{
    return layout(QStringLiteral("Unavailable"),
                  "<h1>The dictionary cannot be read just now</h1><p class=\"problem\" role=\"alert\">" + html(reason)
                      + "</p><p>This page works again once the dictionary can be read: try again in a moment.</p>");
}

std::string notFound()
{
    return layout(QStringLiteral("No such page"),
                  "<h1>No such page</h1><p>Look an acronym up with the box above, or start again at the "
                  "<a href=\"/\">first page</a>.</p>");
}

} // namespace web::pages
