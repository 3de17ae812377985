#include "store/text.h"

#include <QStringDecoder>

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
    return text.toUpper();
}

QString fromStoredUtf8(std::string_view utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

} // namespace store
