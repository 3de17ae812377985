#include "platform/mail.h"

#include "support/casename.h"
#include "support/fakeshell.h"

#include <gtest/gtest.h>

using platform::ShowCommand;
using testing_support::FakeShell;

namespace {

struct MailCase
{
    std::string name;
    std::string address;
    std::string subject;
    std::string body;
    std::string handedOver;
};

class ComposeMail : public ::testing::TestWithParam<MailCase>
{};

TEST_P(ComposeMail, HandsTheMailtoTextToTheShellToOpen)
{
    const MailCase &c = GetParam();
    FakeShell shell;
    const std::string address = c.address;

    platform::Mail::ComposeMail(shell, address, c.subject, c.body);

    ASSERT_EQ(shell.calls().size(), 1u);
    EXPECT_EQ(shell.calls()[0].text, c.handedOver);
    EXPECT_EQ(shell.calls()[0].verb, "open");
    EXPECT_EQ(shell.calls()[0].show, ShowCommand::Show);
    EXPECT_EQ(address, c.address); // the caller's text stays as it was
}

const std::string kAddress = "support@kelbrite.example";

INSTANTIATE_TEST_SUITE_P(
    Texts, ComposeMail,
    ::testing::Values(
        // Subject and body, each present or not.
        MailCase{"NoSubjectNoBody", kAddress, {}, {}, "mailto:" + kAddress},
        MailCase{"SubjectOnly", kAddress, "Hello", {}, "mailto:" + kAddress + "?subject=Hello"},
        MailCase{"BodyOnly", kAddress, {}, "Text", "mailto:" + kAddress + "?body=Text"},
        MailCase{"SubjectAndBody", kAddress, "Hello", "Text", "mailto:" + kAddress + "?subject=Hello&body=Text"},
        // A prefix already there, in any letter case, is kept as written.
        MailCase{"MixedCasePrefixKept", "MailTo:" + kAddress, {}, {}, "MailTo:" + kAddress},
        MailCase{
            "UpperCasePrefixKeptWithSubject", "MAILTO:" + kAddress, "Hi", {}, "MAILTO:" + kAddress + "?subject=Hi"},
        MailCase{"LowerCasePrefixKeptWithBody", "mailto:" + kAddress, {}, "B", "mailto:" + kAddress + "?body=B"},
        // Only the first seven characters count.
        MailCase{"PrefixWithoutColonGetsOne", "mailto" + kAddress, {}, {}, "mailto:mailto" + kAddress},
        MailCase{"PrefixAfterABlankGetsAnother", " mailto:" + kAddress, {}, {}, "mailto: mailto:" + kAddress},
        // Only ASCII letters fold: a look-alike capital is no prefix.
        MailCase{"DottedCapitalIIsNoPrefix", "MA\xC4\xB0LTO:" + kAddress, {}, {}, "mailto:MA\xC4\xB0LTO:" + kAddress},
        MailCase{"EmptyAddress", {}, {}, {}, "mailto:"},
        // Nothing is escaped.
        MailCase{"SpacesAmpersandsAndQuestionMarksPassUnescaped", kAddress, "Bug in Find & Add?",
                 "Why? Steps 1 & 2 = crash%20",
                 "mailto:" + kAddress + "?subject=Bug in Find & Add?&body=Why? Steps 1 & 2 = crash%20"}),
    testing_support::CaseName());

TEST(ComposeMailShell, AFailingShellIsNotLookedAt)
{
    FakeShell shell;
    shell.setFailing(true);
    platform::Mail::ComposeMail(shell, kAddress, {}, {});
    platform::Mail::ComposeMail(shell, kAddress, {}, {});
    EXPECT_EQ(shell.calls().size(), 2u); // each call is a hand-off of its own
}

} // namespace
