#include "web/markup.h"

#include <QByteArray>

#include <cstdio>

namespace web {

namespace {

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string html(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '\t':
        case '\n':
        case '\r':
            out += c;
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                appendUtf8(out, 0x2400 + static_cast<unsigned char>(c));
            else if (c == 0x7F)
                appendUtf8(out, 0x2421);
            else
                out += c;
        }
    }
    return out;
}

std::string html(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return html(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

void JsonWriter::separate()
{
    if (!m_first)
        m_text += ',';
    m_first = false;
}

JsonWriter &JsonWriter::beginObject()
{
    separate();
    m_text += '{';
    m_first = true;
    return *this;
}

JsonWriter &JsonWriter::endObject()
{
    m_text += '}';
    m_first = false;
    return *this;
}

JsonWriter &JsonWriter::beginArray()
{
    separate();
    m_text += '[';
    m_first = true;
    return *this;
}

JsonWriter &JsonWriter::endArray()
{
    m_text += ']';
    m_first = false;
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    value(name);
    m_text += ':';
    m_first = true;
    return *this;
}

JsonWriter &JsonWriter::value(std::string_view utf8)
{
    separate();
    m_text += '"';
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // < as an escape too, so that no tag starts even where something
        // reads the answer as HTML; U+2028 and U+2029 end lines in script.
        const bool lineSeparator = c == 0xE2 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80
                                   && (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xA8;
        if (c == '"' || c == '\\') {
            m_text += '\\';
            m_text += static_cast<char>(c);
        } else if (c == '\n') {
            m_text += "\\n";
        } else if (c == '\t') {
            m_text += "\\t";
        } else if (c < 0x20 || c == '<' || lineSeparator) {
            char escaped[8];
            const unsigned code = lineSeparator ? 0x2028u + (static_cast<unsigned char>(utf8[i + 2]) & 1u) : c;
            std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
            m_text += escaped;
            if (lineSeparator)
                i += 2;
        } else {
            m_text += static_cast<char>(c);
        }
    }
    m_text += '"';
    return *this;
}

JsonWriter &JsonWriter::value(const QString &text)
{
    // Text from the store and from requests is decoded with U+FFFD for any
    // byte that is not UTF-8, so it encodes back to valid UTF-8.
    const QByteArray utf8 = text.toUtf8();
    return value(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

JsonWriter &JsonWriter::value(qint64 number)
{
    separate();
    m_text += std::to_string(number);
    return *this;
}

JsonWriter &JsonWriter::value(bool truth)
{
    separate();
    m_text += truth ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::null()
{
    separate();
    m_text += "null";
    return *this;
}

} // namespace web
