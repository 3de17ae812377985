#pragma once

// Stored text made safe for the page and the API. Every stored text reaches
// HTML through html() and JSON through JsonWriter: nothing a dictionary
// holds can become markup or script.

#include <QString>

#include <string>
#include <string_view>

namespace web {

// Text for an HTML element or attribute: & < > " ' escaped; control
// characters, which HTML cannot carry (NUL above all), shown as their
// pictures (U+2400 and on), tabs and line ends kept.
std::string html(const QString &text);
std::string html(std::string_view utf8);

// A JSON text written as it goes.
class JsonWriter
{
public:
    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    JsonWriter &key(std::string_view name);
    JsonWriter &value(const QString &text);
    JsonWriter &value(std::string_view utf8);
    JsonWriter &value(const char *utf8) { return value(std::string_view(utf8)); }
    JsonWriter &value(qint64 number);
    JsonWriter &value(bool truth);
    JsonWriter &null();

    std::string take() { return std::move(m_text); }

private:
    void separate();

    std::string m_text;
    bool m_first = true; // no value yet at this level
};

} // namespace web
