// Reading contents and index sitemaps and unpacked project files.
#include "chmimport/ChmTo.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QStringList describe(const TTitleLists &list)
{
    QStringList out;
    for (int k = 0; k < list.Count(); ++k) {
        const TTitleList *e = list.Items(k);
        out << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                   .arg(e->Level)
                   .arg(e->Topic, e->Url)
                   .arg(e->Status)
                   .arg(e->Index)
                   .arg(e->Icon)
                   .arg(e->ContextNumber);
    }
    return out;
}

} // namespace

TEST(ChmSitemap, ContentsEntriesWithLevelsPagesAndNumbers)
{
    ScratchDir dir;
    TCHMDecompile r;
    r.hhcFile = dir.file("toc.hhc");
    r.CodePage = 1252;
    r.Context << QStringLiteral("b.htm:77");
    writeFile(r.hhcFile,
              "<html><body>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Before\"><param name=\"Local\" value=\"a.htm\"></OBJECT>\n"
              "<UL>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><PARAM NAME=\"name\" VALUE=\"Caf\xE9 &amp; more\"><param name=\"Local\" value=\"my%20page.htm#s1\">"
              "<param name=\"ImageNumber\" value=\"11\"></OBJECT>\n"
              "<UL>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"---\"><param name=\"Local\" value=\"x.htm\"></OBJECT>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Heading\"></OBJECT>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Mapped\"><param name=\"Local\" value=\"b.htm\"></OBJECT>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value='Single'><param name=\"Local\" value=\"a.htm\"></OBJECT>\n"
              "</UL>\n"
              "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Again\"><param name=\"Local\" value=\"a.htm\"></OBJECT>\n"
              "</UL></body></html>\n");
    ParseHhcFile(r);
    EXPECT_EQ(describe(r.List),
              QStringList({QStringLiteral("-1|Before|a.htm|0|0|0|1000"), QString::fromUtf8("0|Café & more|my page.htm#s1|0|1|11|1001"),
                           QStringLiteral("1|Heading||2|2|0|1002"), QStringLiteral("1|Mapped|b.htm|0|3|0|77"),
                           QStringLiteral("0|Again|a.htm|0|4|0|1003")}))
        << describe(r.List).join('\n').toStdString();

    writeFile(r.hhcFile, "<UL><LI><OBJECT><param name=\"Name\" value=\"X\"><param name=\"ImageNumber\" value=\"two\"></OBJECT></UL>");
    TCHMDecompile bad;
    bad.hhcFile = r.hhcFile;
    EXPECT_THROW(ParseHhcFile(bad), Exception);
}

TEST(ChmSitemap, ArabicNamesWrittenAsCharacterReferences)
{
    ScratchDir dir;
    TCHMDecompile r;
    r.hhcFile = dir.file("toc.hhc");
    r.CodePage = 1256;
    // Bytes of code page 1256 written as references, as some compilers do.
    writeFile(r.hhcFile, "<UL><LI><OBJECT><param name=\"Name\" value=\"&#199;&#225;\"><param name=\"Local\" value=\"a.htm\"></OBJECT></UL>");
    ParseHhcFile(r);
    ASSERT_EQ(r.List.Count(), 1);
    EXPECT_EQ(r.List.Items(0)->Topic, QString::fromUtf8("\xD8\xA7\xD9\x84"));
}

TEST(ChmSitemap, IndexKeywordsFollowTheirPathsToTheEntries)
{
    ScratchDir dir;
    TCHMDecompile r;
    r.hhcFile = dir.file("toc.hhc");
    writeFile(r.hhcFile, "<UL><LI><OBJECT><param name=\"Name\" value=\"P\"><param name=\"Local\" value=\"p.htm\"></OBJECT>"
                         "<LI><OBJECT><param name=\"Name\" value=\"Q\"><param name=\"Local\" value=\"Q.HTM\"></OBJECT>"
                         "<LI><OBJECT><param name=\"Name\" value=\"Qa\"><param name=\"Local\" value=\"q.htm#a\"></OBJECT></UL>");
    ParseHhcFile(r);
    r.hhkFile = dir.file("index.hhk");
    writeFile(r.hhkFile,
              "<UL>"
              "<LI><OBJECT><param name=\"Name\" value=\"A/B\"><param name=\"Local\" value=\"p.htm\"></OBJECT>"
              "<UL><LI><OBJECT><param name=\"Name\" value=\"C\"><param name=\"Local\" value=\"p.htm\"></OBJECT></UL>"
              "<LI><OBJECT><param name=\"Keyword\" value=\"Both\"><param name=\"Local\" value=\"p.htm\">"
              "<param name=\"Local\" value=\"q.htm#s2\"></OBJECT>"
              "<LI><OBJECT><param name=\"Name\" value=\"Nowhere\"><param name=\"Local\" value=\"z.htm\"></OBJECT>"
              "</UL>");
    ParseHhkFile(r);
    EXPECT_EQ(r.List.Items(0)->Keywords, QStringLiteral("A//B`\\A//B/C`\\Both"));
    // Matched without regard to case, on the page as the contents wrote it.
    EXPECT_EQ(r.List.Items(1)->Keywords, QStringLiteral("Both#s2"));
    EXPECT_EQ(r.List.Items(2)->Keywords, QString());
}

TEST(ChmSitemap, ProjectFileGivesContentsIndexAndContextMap)
{
    ScratchDir dir;
    writeFile(dir.file("help.hhp"),
              "[OPTIONS]\r\nTitle=Guide\r\nDefault topic=a.htm\r\nDefault Window=main\r\n\r\n"
              "[WINDOWS]\r\nmain=\"Guide\",\"toc.hhc\",\"idx.hhk\",\"a.htm\"\r\n\r\n"
              "[ALIAS]\r\nIDH_A=a.htm ; first\r\n#include alias.h\r\n\r\n"
              "[MAP]\r\n#define IDH_A 10\r\n#include map.h\r\n");
    writeFile(dir.file("alias.h"), "IDH_B=b.htm\n\n");
    writeFile(dir.file("map.h"), "#define IDH_B 20\n");
    writeFile(dir.file("toc.hhc"), "<UL><LI><OBJECT><param name=\"Name\" value=\"A\"><param name=\"Local\" value=\"a.htm\"></OBJECT>"
                                   "<LI><OBJECT><param name=\"Name\" value=\"B\"><param name=\"Local\" value=\"b.htm\"></OBJECT></UL>");
    writeFile(dir.file("idx.hhk"), "<UL><LI><OBJECT><param name=\"Name\" value=\"kb\"><param name=\"Local\" value=\"b.htm\"></OBJECT></UL>");
    TCHMDecompile r;
    r.LoadFromHHP(dir.file("help.hhp"));
    EXPECT_EQ(r.Title, QStringLiteral("Guide"));
    EXPECT_EQ(r.DefaultPage, QStringLiteral("a.htm"));
    EXPECT_EQ(r.DefaultWindow, QStringLiteral("main"));
    EXPECT_EQ(r.FileName, QStringLiteral("help"));
    EXPECT_EQ(r.Context, QStringList({QStringLiteral("a.htm:10"), QStringLiteral("b.htm:20")}));
    ASSERT_EQ(r.List.Count(), 2);
    EXPECT_EQ(r.List.Items(0)->ContextNumber, QStringLiteral("10"));
    EXPECT_EQ(r.List.Items(1)->ContextNumber, QStringLiteral("20"));
    EXPECT_EQ(r.List.Items(1)->Keywords, QStringLiteral("kb"));

    // Contents named outside the project's folder are not read.
    writeFile(dir.file("p2/x.hhp"), "[OPTIONS]\nContents file=../toc.hhc\n");
    TCHMDecompile outside;
    outside.LoadFromHHP(dir.file("p2/x.hhp"));
    EXPECT_TRUE(outside.hhcFile.isEmpty());
    EXPECT_EQ(outside.List.Count(), 0);
}
