#pragma once

// Text rules shared by every window and the store: only the space character
// U+0020 counts as a blank; tabs and other white space are content.

#include <QString>

#include <string_view>

namespace store {

QString trimSpaces(const QString &text);
std::string_view trimSpaces(std::string_view utf8);
bool isBlank(const QString &text);
QString upperCased(const QString &text);

// Decodes UTF-8 as stored. Unlike QString::fromUtf8 it keeps a leading
// U+FEFF: in a stored text that is a character, not a byte order mark.
QString fromStoredUtf8(std::string_view utf8);
// The same for at most the first longest characters (UTF-16 code units, never
// half of a pair); all of it when longest is negative. Decodes no more of
// the bytes than it needs. whole tells whether nothing was left out.
QString fromStoredUtf8(std::string_view utf8, qsizetype longest, bool &whole);

} // namespace store
