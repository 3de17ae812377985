#include "ui/info/web.h"

#include "support/fakeshell.h"
#include "support/printers.h"

#include <gtest/gtest.h>

using testing_support::FakeShell;

namespace {

TEST(OpenWebPage, HandsTheAddressUnchangedToTheShellWithOpen)
{
    const QString addresses[] = {
        QStringLiteral("http://www.kelbrite.example/"),
        QStringLiteral("HTTP://WWW.Kelbrite.Example"),
        QStringLiteral("http://www.kelbrite.example/a b?x=1&y=?%20"),
        QStringLiteral("www.kelbrite.example"),
    };
    FakeShell shell;
    for (const QString &address : addresses)
        ui::Web::OpenWebPage(shell, address);

    ASSERT_EQ(shell.calls().size(), static_cast<int>(std::size(addresses)));
    for (int i = 0; i < shell.calls().size(); ++i) {
        EXPECT_EQ(shell.calls()[i].text, addresses[i]);
        // Capital O: the web hand-off is spelt differently from the mail one.
        EXPECT_EQ(shell.calls()[i].verb, QStringLiteral("Open"));
        EXPECT_EQ(shell.calls()[i].show, platform::ShowCommand::Show);
    }
}

} // namespace
