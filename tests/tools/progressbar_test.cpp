#include "tools/progressbar.h"

#include "support/printers.h"

#include <QTextStream>

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, FillsInProportionAndStaysInBounds)
{
    struct Case
    {
        qint64 done;
        qint64 total;
        const char *line;
    };
    for (const Case &c : {Case{0, 100, "importing [----------]   0%"}, Case{45, 100, "importing [####------]  45%"},
                          Case{100, 100, "importing [##########] 100%"}, Case{150, 100, "importing [##########] 100%"},
                          Case{-5, 100, "importing [----------]   0%"}, Case{3, 0, "importing [----------]   0%"}})
        EXPECT_EQ(tools::progressLine(QStringLiteral("importing"), c.done, c.total, 10), QLatin1String(c.line))
            << c.done << "/" << c.total;
}

QString drawn(qint64 quietMs)
{
    QString terminal;
    QTextStream stream(&terminal);
    {
        tools::ProgressBar bar(stream, QStringLiteral("importing"), quietMs);
        bar.update(50, 100);
        bar.update(50, 100);
        bar.update(100, 100);
    }
    stream.flush();
    return terminal;
}

TEST(ProgressBar, DrawsInPlaceOncePerStepAndWipesItselfAtTheEnd)
{
    const QString blank(tools::progressLine(QStringLiteral("importing"), 0, 1).size(), QLatin1Char(' '));
    EXPECT_EQ(drawn(0), QLatin1Char('\r') + tools::progressLine(QStringLiteral("importing"), 50, 100)
                            + QLatin1Char('\r') + tools::progressLine(QStringLiteral("importing"), 100, 100)
                            + QLatin1Char('\r') + blank + QLatin1Char('\r'));
}

TEST(ProgressBar, AShortRunPrintsNothing)
{
    EXPECT_EQ(drawn(3600 * 1000), QString());
}

} // namespace
