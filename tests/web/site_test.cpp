// orvex-web on a dictionary file: the API and the pages answer as orvex-db
// does, every stored text is escaped, and a dictionary that cannot be read
// gives 503 until it can, without a restart.

#include "messages/storefaults.h"
#include "store/dictionary.h"
#include "store/engine.h"
#include "store/rules.h"
#include "web/webclient.h"
#include "web/webfixture.h"

#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

using testing_support::get;
using testing_support::HttpAnswer;
using testing_support::Row;
using testing_support::TempDictionary;
using testing_support::WebServer;
using testing_support::withArgument;

namespace {

class WebOnAFile : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { store::setUsage(store::Usage{true, true}); }
    static void TearDownTestSuite() { store::setUsage(store::Usage{}); }
};

TEST_F(WebOnAFile, AnswersAsOrvexDbFindListAndSearch)
{
    TempDictionary file;
    for (const testing_support::Stored &row : testing_support::differentialRows())
        file.insert(Row{row.acronym, row.definition, 1});
    WebServer web(store::Location::file(file.path()));
    testing_support::expectTheToolsAnswers(
        file.path(), web.port(),
        {QStringLiteral("cpu"), QStringLiteral("  Cpu "), QStringLiteral("cpx"), QStringLiteral("1010ez"),
         QStringLiteral("straße"), QStringLiteral("STRASSE"), QStringLiteral("äöü"), QStringLiteral("tab\t"),
         QStringLiteral("tab"), QStringLiteral("a b"), QStringLiteral("ab"), QStringLiteral("at&t"),
         QStringLiteral("att"), QStringLiteral("rom"), QStringLiteral("RXM"), QStringLiteral("QQQQQQQQ")},
        {QString(), QStringLiteral("c"), QStringLiteral("  cp"), QStringLiteral("1"), QStringLiteral("ä"),
         QStringLiteral("zz"), QStringLiteral("nothing")},
        {QStringLiteral("memory"), QStringLiteral("MEMORY unit"), QStringLiteral("meaning 3"),
         QStringLiteral("umlaute"), QStringLiteral("<b>"), QStringLiteral("nothing at all")});
}

// Whatever a user or another tool stored (the windows' hostile-input table
// and more), shown on a page as text and given by the API exactly.
QList<QString> hostileTexts()
{
    return {
        QStringLiteral("<script>document.title='pwned'</script>"),
        QStringLiteral("\"><img src=x onerror=\"document.title='pwned'\">"),
        QStringLiteral("it's \"quoted\" `back` &amp; &lt;"),
        QStringLiteral("x'); DROP TABLE Acronyms; --"),
        QStringLiteral("javascript:alert(1)"),
        QString::fromUtf16(u"tab\there\r\nnew line\u000b\u000c\u001b[31m"),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("inside"),
        QString::fromUtf16(u"\u05e9\u05dc\u05d5\u05dd \u202eevil\u202c \u0627\u0644\u0639\u0631\u0628\u064a\u0629"),
        QString::fromUtf16(u"\U0001F600 e\u0301 \u2028line\u2029para"),
        QStringLiteral("</bdi></li></ul><form action=//evil.example>"),
    };
}

TEST_F(WebOnAFile, EveryStoredTextIsEscapedOnThePageAndExactInTheApi)
{
    TempDictionary file;
    const QList<QString> texts = hostileTexts();
    for (int i = 0; i < texts.size(); ++i)
        file.insert(Row{store::keyOf(QStringLiteral("H%1 ").arg(i) + texts[i]), texts[i], 1});
    WebServer web(store::Location::file(file.path()));
    for (int i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        const QString key = QStringLiteral("h%1 ").arg(i) + texts[i];
        const HttpAnswer api = get(web.port(), withArgument("/api/v1/lookup?acronym=", key));
        ASSERT_EQ(api.status, 200);
        EXPECT_EQ(api.json().object().value(QStringLiteral("definition")).toString(), texts[i]);
        // The JSON itself carries no markup a careless reader could run.
        EXPECT_FALSE(api.body.contains('<'));

        const HttpAnswer page = get(web.port(), withArgument("/a/", key));
        ASSERT_EQ(page.status, 200);
        const QString body = QString::fromUtf8(page.body);
        // The page's one script is its own; no tag, attribute or entity of
        // the stored text survives as markup.
        EXPECT_EQ(body.count(QStringLiteral("<script")), 1);
        for (const char *markup : {"<img src=x", "onerror=\"", "<form action=//", "'pwned'"})
            EXPECT_FALSE(body.contains(QLatin1String(markup))) << markup;
        EXPECT_FALSE(body.contains(QChar(0)));
        EXPECT_FALSE(body.contains(QChar(0x1b)));
    }
    // Bytes another tool stored that are not UTF-8 read as U+FFFD, as the
    // window shows them, in the API and on the page.
    file.exec(QStringLiteral("INSERT INTO Acronyms VALUES ('BAD', CAST(X'41FF42C3' AS TEXT), 1)"));
    const QString replaced = QString::fromUtf16(u"A\uFFFDB\uFFFD");
    EXPECT_EQ(
        get(web.port(), "/api/v1/lookup?acronym=bad").json().object().value(QStringLiteral("definition")).toString(),
        replaced);
    EXPECT_TRUE(QString::fromUtf8(get(web.port(), "/a/BAD").body).contains(QStringLiteral("<bdi>") + replaced));
    // NUL and the other control characters are shown as their pictures.
    const HttpAnswer nul = get(web.port(), withArgument("/a/", QStringLiteral("h6 ") + texts[6]));
    EXPECT_TRUE(QString::fromUtf8(nul.body).contains(QString::fromUtf16(u"nul\u2400inside")));
}

TEST_F(WebOnAFile, ATenMegabyteDefinitionComesBackAsItsBeginningSayingSo)
{
    const QString huge(10 * 1024 * 1024, QLatin1Char('M'));
    TempDictionary file{Row{QStringLiteral("BIG"), huge, 1}};
    WebServer web(store::Location::file(file.path()));
    const HttpAnswer api = get(web.port(), "/api/v1/lookup?acronym=big");
    ASSERT_EQ(api.status, 200);
    EXPECT_EQ(api.json().object().value(QStringLiteral("definition")).toString(), huge.left(web::kLongestDefinition));
    EXPECT_EQ(api.json().object().value(QStringLiteral("shortenedFrom")).toInteger(), huge.size());
    const HttpAnswer page = get(web.port(), "/a/BIG");
    EXPECT_LT(page.body.size(), 2 * web::kLongestDefinition);
    EXPECT_TRUE(page.body.contains("Only the beginning is shown: the stored definition takes 10485760 bytes."));
}

TEST_F(WebOnAFile, PagesAnswerWithoutScript)
{
    TempDictionary file{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit - the processor"), 1},
                        Row{QStringLiteral("CPUS"), QStringLiteral("more than one"), 1},
                        Row{QStringLiteral("CPA"), QStringLiteral("an accountant"), 1}};
    WebServer web(store::Location::file(file.path()));
    struct Case
    {
        const char *target;
        int status;
        QStringList shows; // in this order
    };
    for (const Case &c : {
             Case{"/", 200, {"Look up an acronym", "Browse"}},
             Case{"/a/cpu",
                  200,
                  {"<h1 id=\"answer-title\"><bdi>CPU</bdi></h1>",
                   "<li><bdi>Central Processing Unit</bdi></li><li><bdi>the processor</bdi></li>", "Also starting with",
                   "/a/CPUS"}},
             Case{"/a/CPX", 404, {"No definition found for <bdi>CPX</bdi>", "Did you mean", "/a/CPA", "/a/CPU"}},
             Case{"/a/CP", 404, {"Starting with <bdi>CP</bdi>", "/a/CPA", "/a/CPU", "/a/CPUS"}},
             Case{"/find?acronym=", 400, {"You must enter an acronym."}},
             Case{"/search?q=ACCOUNTANT", 200, {"1 entry", "/a/CPA", "an accountant"}},
             Case{"/browse?prefix=c", 200, {"Acronyms starting with <bdi>C</bdi>", "/a/CPA", "/a/CPU", "/a/CPUS"}},
             Case{"/nowhere", 404, {"No such page"}},
         }) {
        const HttpAnswer page = get(web.port(), c.target);
        EXPECT_EQ(page.status, c.status) << c.target;
        EXPECT_EQ(page.header("content-type"), "text/html; charset=utf-8") << c.target;
        qsizetype from = 0;
        for (const QString &shown : c.shows) {
            from = QString::fromUtf8(page.body).indexOf(shown, from);
            EXPECT_GE(from, 0) << c.target << " lacks " << shown.toStdString();
        }
    }
    const HttpAnswer found = get(web.port(), "/find?acronym=+%20cpu+");
    EXPECT_EQ(found.status, 303);
    EXPECT_EQ(found.header("location"), "/a/CPU");
}

// Answers are kept while the file stays the same; another program's change,
// and another file moved in its place, are answered within a fraction of a
// second.
TEST_F(WebOnAFile, AnswersFollowAnotherProgramsChangeAndAFileMovedInItsPlace)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    WebServer web(store::Location::file(dictionary.path()));
    const auto definition = [&] {
        return get(web.port(), "/api/v1/lookup?acronym=CPU").json().object().value(QStringLiteral("definition"));
    };
    EXPECT_EQ(definition(), QStringLiteral("Central Processing Unit"));
    dictionary.exec(QStringLiteral("UPDATE Acronyms SET Definition = 'Changed'"));
    EXPECT_TRUE(testing_support::eventually([&] { return definition() == QStringLiteral("Changed"); }));
    TempDictionary restored{Row{QStringLiteral("CPU"), QStringLiteral("Restored"), 1}};
    ASSERT_EQ(
        std::rename(QFile::encodeName(restored.path()).constData(), QFile::encodeName(dictionary.path()).constData()),
        0);
    EXPECT_TRUE(testing_support::eventually([&] { return definition() == QStringLiteral("Restored"); }));
}

TEST_F(WebOnAFile, AnUnreadableDictionaryGives503SayingWhyWithoutWhereAndRecoversWithoutARestart)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("secret-name.fdb"));
    WebServer web(store::Location::file(path));
    for (const char *target : {"/api/v1/lookup?acronym=CPU", "/a/CPU", "/readyz"}) {
        const HttpAnswer answer = get(web.port(), target);
        EXPECT_EQ(answer.status, 503) << target;
        EXPECT_EQ(answer.header("retry-after"), "5") << target;
        EXPECT_FALSE(answer.body.contains("secret-name")) << target;
    }
    EXPECT_EQ(get(web.port(), "/api/v1/lookup?acronym=CPU").json().object().value(QStringLiteral("error")).toString(),
              QStringLiteral("The dictionary file is missing."));
    EXPECT_EQ(get(web.port(), "/healthz").status, 200);
    // The operator is told where, once for as long as it stays the same.
    ASSERT_FALSE(web.faults().empty());
    EXPECT_NE(web.faults().front().find("secret-name.fdb"), std::string::npos);

    {
        TempDictionary made{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
        ASSERT_TRUE(QFile::copy(made.path(), path));
    }
    const HttpAnswer back = get(web.port(), "/api/v1/lookup?acronym=CPU");
    EXPECT_EQ(back.status, 200);
    EXPECT_EQ(back.json().object().value(QStringLiteral("definition")).toString(),
              QStringLiteral("Central Processing Unit"));
    EXPECT_EQ(get(web.port(), "/readyz").status, 200);
}

TEST(WebWording, NeverSaysWhereTheDictionaryIsOrWhatTheEngineSaid)
{
    const QString where = QStringLiteral("db.example.org:5432/secret");
    const QString engine = QStringLiteral("FATAL: password authentication failed for user \"admin\"");
    for (int kind = 0; kind <= static_cast<int>(store::Error::Kind::Other); ++kind) {
        for (const store::Error &error :
             {store::Error(static_cast<store::Error::Kind>(kind), where, engine),
              store::Error::fromServer(static_cast<store::Error::Kind>(kind), where, engine)}) {
            const QString said = messages::storeFaultReason(error, messages::Wording::Web);
            EXPECT_FALSE(said.isEmpty()) << kind;
            EXPECT_FALSE(said.contains(QStringLiteral("secret")) || said.contains(QStringLiteral("password"))
                         || said.contains(QStringLiteral("db.example.org")))
                << kind << ": " << said.toStdString();
        }
    }
}

} // namespace
