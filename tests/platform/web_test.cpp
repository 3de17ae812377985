#include "platform/web.h"

#include "support/fakeshell.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

using testing_support::FakeShell;

namespace {

TEST(OpenWebPage, HandsTheAddressUnchangedToTheShellWithOpen)
{
    const std::string addresses[] = {
        "http://www.kelbrite.example/",
        "HTTP://WWW.Kelbrite.Example",
        "http://www.kelbrite.example/a b?x=1&y=?%20",
        "www.kelbrite.example",
    };
    FakeShell shell;
    for (const std::string &address : addresses)
        platform::Web::OpenWebPage(shell, address);

    ASSERT_EQ(shell.calls().size(), std::size(addresses));
    for (size_t i = 0; i < shell.calls().size(); ++i) {
        EXPECT_EQ(shell.calls()[i].text, addresses[i]);
        // Capital O: the web hand-off is spelt differently from the mail one.
        EXPECT_EQ(shell.calls()[i].verb, "Open");
        EXPECT_EQ(shell.calls()[i].show, platform::ShowCommand::Show);
    }
}

} // namespace
