// The "mailto:" text builder against any address, subject and body: one
// hand-off, verb "open", and the text made of the parts exactly as given.

#include "platform/shell.h"
#include "platform/mail.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

struct RecordingShell : platform::Shell
{
    bool execute(const std::string &verb, const std::string &text, platform::ShowCommand show) override
    {
        calls.push_back({verb, text, show});
        return true;
    }
    struct Call
    {
        std::string verb;
        std::string text;
        platform::ShowCommand show;
    };
    std::vector<Call> calls;
};

bool startsWithMailto(const std::string &text)
{
    static const char prefix[] = "mailto:";
    if (text.size() < 7)
        return false;
    for (size_t i = 0; i < 7; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Address, subject and body, separated by NUL bytes.
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && parts.size() < 3)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    parts.resize(3);
    const std::string &address = parts[0];
    const std::string &subject = parts[1];
    const std::string &body = parts[2];

    RecordingShell shell;
    platform::Mail::ComposeMail(shell, address, subject, body);
    require(shell.calls.size() == 1);
    require(shell.calls[0].verb == "open");
    require(shell.calls[0].show == platform::ShowCommand::Show);

    std::string expected = startsWithMailto(address) ? address : "mailto:" + address;
    if (!subject.empty())
        expected += "?subject=" + subject;
    if (!body.empty())
        expected += (subject.empty() ? "?body=" : "&body=") + body;
    require(shell.calls[0].text == expected);
    return 0;
}
