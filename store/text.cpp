#include "store/text.h"

#include <QStringDecoder>

#include <algorithm>

namespace store {

QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

std::string_view trimSpaces(std::string_view utf8)
{
    // A space byte never occurs inside a multi-byte UTF-8 sequence, so
    // trimming bytes trims exactly the same characters as trimming text.
    const auto first = utf8.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = utf8.find_last_not_of(' ');
    return utf8.substr(first, last - first + 1);
}

bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

QString upperCased(const QString &text)
{
    // Letter by letter, each to its own capital, as the systems' own
    // upper-casing does: QString::toUpper() would write "ß" as "SS" and a
    // ligature as two letters, so "straße" would miss the "STRAßE" that
    // any other tool stores.
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t letter = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            letter = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        const char32_t capital = QChar::toUpper(letter);
        if (QChar::requiresSurrogates(capital)) {
            result.append(QChar(QChar::highSurrogate(capital)));
            result.append(QChar(QChar::lowSurrogate(capital)));
        } else {
            result.append(QChar(static_cast<char16_t>(capital)));
        }
    }
    return result;
}

QString fromStoredUtf8(std::string_view utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

QString fromStoredUtf8(std::string_view utf8, qsizetype longest, bool &whole)
{
    whole = true;
    // A code unit takes one to three bytes (a pair takes four), so every
    // text of longest units fits in its first 3 x longest bytes.
    if (longest < 0 || utf8.size() <= static_cast<size_t>(longest))
        return fromStoredUtf8(utf8);
    size_t end = std::min(utf8.size(), static_cast<size_t>(longest) * 3);
    while (end < utf8.size() && end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end; // not inside a character
    QString text = fromStoredUtf8(utf8.substr(0, end));
    whole = end == utf8.size() && text.size() <= longest;
    if (text.size() > longest) {
        qsizetype cut = longest;
        if (text.at(cut - 1).isHighSurrogate())
            --cut;
        text.truncate(cut);
    }
    return text;
}

} // namespace store
