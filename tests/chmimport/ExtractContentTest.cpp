// Main-content extraction from page pieces.
#include "chmimport/ExtractContent.h"

#include <gtest/gtest.h>

TEST(ExtractContent, SimilarTitlesAndTableRepair)
{
    EXPECT_TRUE(IsSimilarTitle(QStringLiteral("Setup"), QStringLiteral("SETUP")));
    EXPECT_TRUE(IsSimilarTitle(QString(), QString()));
    EXPECT_FALSE(IsSimilarTitle(QStringLiteral("Installing"), QStringLiteral("Installing the server")));
    EXPECT_TRUE(IsSimilarTitle(QStringLiteral("Using widgets"), QStringLiteral("1 Using widgets")));
    EXPECT_FALSE(IsSimilarTitle(QStringLiteral("abc"), QString()));

    EXPECT_EQ(BalanceTableFragment(QStringLiteral("<tr><td>a</td></tr>")), QStringLiteral("<table><tr><td>a</td></tr></table>"));
    EXPECT_EQ(BalanceTableFragment(QStringLiteral("<td>a</td>")), QStringLiteral("<table><tr><td>a</td></tr></table>"));
    EXPECT_EQ(BalanceTableFragment(QStringLiteral("<p>a</p>")), QStringLiteral("<p>a</p>"));
    EXPECT_EQ(BalanceTableFragment(QStringLiteral("plain")), QStringLiteral("plain"));
}

TEST(ExtractContent, KeepsEveryBlockButATitleRepeated)
{
    const QString body = QStringLiteral("This paragraph holds the real text of the topic, long enough to win.");
    // A first block that repeats the title goes; a short one of another
    // title is the page's own text and stays, as does all around it.
    const QString piece = QStringLiteral("<div><h2>Overview</h2><p>") + body + QStringLiteral("</p><p>More text here.</p></div>");
    const QString out = ExtractMainContent(piece, QStringLiteral("overview"));
    EXPECT_FALSE(out.contains(QLatin1String("Overview"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QLatin1String("<h2>")));
    EXPECT_TRUE(out.contains(body) && out.contains(QLatin1String("More text here.")));
    const QString kept = ExtractMainContent(QStringLiteral("<p><a name=\"three\"></a>Press F1 now</p><p>") + body
                                                + QStringLiteral("</p><table><tr><td>x</td></tr></table><p>After.</p>"),
                                            QStringLiteral("Part three"));
    for (const char *t : {"Press F1 now", "<a name=\"three\"></a>", "<td>x</td>", "After."})
        EXPECT_TRUE(kept.contains(QLatin1String(t))) << t << ": " << kept.toStdString();
    // The title is looked for from where the piece's own text begins: text
    // before it stays.
    const QString lead = QStringLiteral("<p>Lead.</p><h2>Overview</h2><p>") + body + QStringLiteral("</p>");
    const QString led = ExtractMainContent(lead, QStringLiteral("Overview"), lead.indexOf(QLatin1String("<h2>")));
    EXPECT_TRUE(led.contains(QLatin1String("Lead.")) && !led.contains(QLatin1String("Overview"))) << led.toStdString();

    // A stray end tag is left out; a fragment without tags is itself.
    EXPECT_FALSE(ExtractMainContent(QStringLiteral("<div></span><p>") + body + QStringLiteral("</p></div>"), QString())
                     .contains(QLatin1String("</span>")));
    EXPECT_EQ(ExtractMainContent(QStringLiteral("no tags at all"), QString()), QStringLiteral("no tags at all"));
    // A piece cut from a table comes back as a table.
    const QString row = QStringLiteral("<tr><td>") + body + QStringLiteral("</td></tr>");
    const QString t = ExtractMainContent(row, QString());
    EXPECT_TRUE(t.startsWith(QLatin1String("<table>")) && t.endsWith(QLatin1String("</table>"))) << t.toStdString();
}
