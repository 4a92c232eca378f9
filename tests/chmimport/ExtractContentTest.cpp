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

TEST(ExtractContent, KeepsTheElementHoldingTheTextWithoutItsTitle)
{
    const QString body = QStringLiteral("This paragraph holds the real text of the topic, long enough to win.");
    // A short first block (a heading) is dropped with what precedes it.
    const QString piece = QStringLiteral("<div><h2>Overview</h2><p>") + body + QStringLiteral("</p><p>More text here.</p></div>");
    const QString out = ExtractMainContent(piece, QStringLiteral("Something else"));
    EXPECT_FALSE(out.contains(QLatin1String("Overview"))) << out.toStdString();
    EXPECT_TRUE(out.contains(body));
    EXPECT_TRUE(out.contains(QLatin1String("More text here.")));

    // A first block ending in ":" is a lead-in and stays; so does a long one.
    const QString lead = QStringLiteral("<div><p>Do this:</p><p>") + body + QStringLiteral("</p></div>");
    EXPECT_TRUE(ExtractMainContent(lead, QString()).contains(QLatin1String("Do this:")));
    const QString longFirst = QStringLiteral("<div><p>") + QString(60, QLatin1Char('x')) + QStringLiteral("</p><p>") + body +
                              QStringLiteral("</p></div>");
    EXPECT_TRUE(ExtractMainContent(longFirst, QString()).contains(QString(60, QLatin1Char('x'))));

    // Script text counts for nothing; a stray end tag is left out.
    const QString scripted = QStringLiteral("<div><script>var a = 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa';</script></div>"
                                            "<div></span><p>Short one.</p><p>") + body + QStringLiteral("</p></div>");
    const QString s = ExtractMainContent(scripted, QString());
    EXPECT_FALSE(s.contains(QLatin1String("var a"))) << s.toStdString();
    EXPECT_FALSE(s.contains(QLatin1String("</span>")));

    EXPECT_EQ(ExtractMainContent(QStringLiteral("no tags at all"), QString()), QStringLiteral("no tags at all"));
    // A piece cut from a table comes back as a table.
    const QString row = QStringLiteral("<tr><td>") + body + QStringLiteral("</td></tr>");
    const QString t = ExtractMainContent(row, QString());
    EXPECT_TRUE(t.startsWith(QLatin1String("<table>")) && t.endsWith(QLatin1String("</table>"))) << t.toStdString();
}
