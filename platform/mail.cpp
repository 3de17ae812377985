#include "platform/mail.h"

#include "platform/shell.h"

namespace platform::Mail {

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when text starts with prefix (lower case), in any letter case. Only
// ASCII letters fold: no other character is the same as one of "mailto:".
bool startsWithFolded(const std::string &text, const std::string &prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lowerAscii(text[i]) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

void ComposeMail(platform::Shell &shell, std::string address, const std::string &subject, const std::string &body)
{
    const std::string scheme = "mailto:";
    // An address that already carries the scheme, in any letter case, keeps
    // it as written and gets no second one.
    if (!startsWithFolded(address, scheme))
        address.insert(0, scheme);
    if (!subject.empty())
        address += "?subject=" + subject;
    if (!body.empty())
        address += (subject.empty() ? "?" : "&") + std::string("body=") + body;
    shell.execute("open", address, platform::ShowCommand::Show);
}

} // namespace platform::Mail
