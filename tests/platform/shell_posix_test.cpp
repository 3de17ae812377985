// The desktop's own shell, with its URL handlers replaced by recorders so
// that nothing real is started.
#include "platform/shell.h"

#include "support/printers.h"

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class Recorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class SystemShell : public ::testing::Test
{
protected:
    SystemShell()
    {
        for (const char *scheme : kSchemes)
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder, "open");
    }

    ~SystemShell() override
    {
        for (const char *scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    static constexpr const char *kSchemes[] = {"mailto", "http", "https", "file"};

    Recorder recorder;
    platform::SystemShell shell;
};

TEST_F(SystemShell, HandsAMailtoTextToTheMailHandlerWithItsPartsIntact)
{
    const QString text = QStringLiteral("mailto:support@kelbrite.example?subject=Bug in Find & Add?&body=Steps: 1 & 2");
    EXPECT_TRUE(shell.execute("open", text.toStdString(), platform::ShowCommand::Show));

    ASSERT_EQ(recorder.opened.size(), 1);
    const QUrl &url = recorder.opened[0];
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("support@kelbrite.example"));
    EXPECT_EQ(url.query(QUrl::FullyDecoded), QStringLiteral("subject=Bug in Find & Add?&body=Steps: 1 & 2"));
    // The handler gets a proper URL: the spaces travel percent-encoded.
    EXPECT_FALSE(url.toEncoded().contains(' '));
}

TEST_F(SystemShell, HandsAWebAddressToTheBrowserUnchanged)
{
    for (const QString &verb : {QStringLiteral("Open"), QStringLiteral("open"), QString()}) {
        recorder.opened.clear();
        const QString text = QStringLiteral("http://www.kelbrite.example/");
        EXPECT_TRUE(shell.execute(verb.toStdString(), text.toStdString(), platform::ShowCommand::Show))
            << verb.toStdString();
        ASSERT_EQ(recorder.opened.size(), 1) << verb.toStdString();
        EXPECT_EQ(recorder.opened[0].toString(), text) << verb.toStdString();
    }
}

TEST_F(SystemShell, AnAbsolutePathOpensAsALocalFile)
{
    EXPECT_TRUE(shell.execute("open", "/tmp/read me.txt", platform::ShowCommand::Show));
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_TRUE(recorder.opened[0].isLocalFile());
    EXPECT_EQ(recorder.opened[0].toLocalFile(), QStringLiteral("/tmp/read me.txt"));
}

TEST_F(SystemShell, RefusesWhatNoHandlerCouldTake)
{
    struct Refused
    {
        QString verb;
        QString text;
    };
    const Refused refused[] = {
        {QStringLiteral("print"), QStringLiteral("http://www.kelbrite.example/")},
        {QStringLiteral("edit"), QStringLiteral("mailto:support@kelbrite.example")},
        {QStringLiteral("open"), QStringLiteral("support@kelbrite.example")},
        {QStringLiteral("open"), QStringLiteral("relative/file.txt")},
        {QStringLiteral("open"), QString()},
    };
    for (const Refused &r : refused)
        EXPECT_FALSE(shell.execute(r.verb.toStdString(), r.text.toStdString(), platform::ShowCommand::Show))
            << r.text.toStdString();
    EXPECT_TRUE(recorder.opened.isEmpty());
}

} // namespace

#include "shell_posix_test.moc"
