// Page records: shared blocks cut across pages, anchors and splitting.
#include "chmimport/ChmTo.h"
#include "foundation/TextFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// A work folder of pages, each a contents entry of its own.
struct Pages {
    ScratchDir dir;
    TCHMDistill d;
    explicit Pages(const QStringList &bodies)
    {
        d.rootFolder = dir.file(QStringLiteral("work/"));
        for (int k = 0; k < bodies.size(); ++k) {
            const QString name = QStringLiteral("p%1.htm").arg(k);
            writeFile(d.rootFolder + name, QStringLiteral("<html><head><title>Page %1</title></head><body>%2</body></html>")
                                               .arg(k)
                                               .arg(bodies.at(k))
                                               .toUtf8());
            auto e = std::make_unique<TTitleList>();
            e->Topic = QStringLiteral("Entry %1").arg(k);
            e->Url = name;
            d.List.Add(std::move(e));
        }
        d.ProcessTocLink();
        d.FillFileList();
        d.RemoveSame();
    }
    QString page(int k) const { return LoadTextFile(d.rootFolder + QStringLiteral("p%1.htm").arg(k), QString()); }
};

// A paragraph that no other page shares.
QString own(int k)
{
    static const char *words[] = {"amber", "basalt", "cobalt", "dune", "ember", "fjord", "granite", "harbor",
                                  "indigo", "jasper", "kelp", "lagoon", "marble", "nectar", "onyx", "prairie"};
    QString text;
    for (int w = 0; w < 12; ++w)
        text += QLatin1String(words[(k * 5 + w * (k + 2)) % 16]) + QLatin1Char(' ');
    return QStringLiteral("<p>%1page number %2.</p>").arg(text).arg(k);
}

} // namespace

TEST(ChmTopicFile, BlocksSharedByMostContentsPagesAreCut)
{
    const QString footer = QStringLiteral("<p>Printed from the Acme manual server</p>");
    const QString header = QStringLiteral("<div><b>Acme Widgets Reference Library</b></div>");
    // Five pages: the header is on all five, the footer on only four.
    QStringList bodies;
    for (int k = 0; k < 5; ++k)
        bodies << header + own(k) + (k < 4 ? footer : QString());
    Pages five(bodies);
    for (int k = 0; k < 5; ++k) {
        const QString p = five.page(k);
        EXPECT_FALSE(p.contains(QLatin1String("Reference Library"))) << p.toStdString();
        EXPECT_TRUE(p.contains(QStringLiteral("page number %1").arg(k)));
        EXPECT_EQ(p.contains(QLatin1String("Printed from")), k < 4) << p.toStdString();
    }
    // With two pages a block is never shared by enough others.
    Pages two({header + own(0), header + own(1)});
    EXPECT_TRUE(two.page(0).contains(QLatin1String("Reference Library")));
}

TEST(ChmTopicFile, PagesAreSplitAtTheAnchorsOfTheirEntriesInPageOrder)
{
    ScratchDir dir;
    TCHMDistill d;
    d.rootFolder = dir.file(QStringLiteral("work/"));
    writeFile(d.rootFolder + "p.htm",
              "<html><body><p>An opening paragraph before the anchored part of the page.</p><h2><a name=\"late\">Later part</a></h2>"
              "<p>Text that belongs to the later part of the page, long enough to stay.</p>"
              "<!-- Script version of NavHeader --><p>NAV</p><!-- End script navheader version -->"
              "<p style=\"mso-outline-level:2\">Outline</p></body></html>");
    writeFile(d.rootFolder + "q.htm", "<html><body><p><a name=\"only\"></a>Single anchored page.</p></body></html>");
    for (const char *url : {"p.htm#late", "p.htm#nowhere", "q.htm#only"}) {
        auto e = std::make_unique<TTitleList>();
        e->Topic = QString::fromLatin1(url);
        e->Url = QString::fromLatin1(url);
        d.List.Add(std::move(e));
    }
    d.ProcessTocLink();
    d.FillFileList();
    d.RemoveSame();
    d.ProcessTocLink2();
    // The anchor that is not in the page sorts first (position 0).
    EXPECT_EQ(d.List.Items(0)->Url, QStringLiteral("p_1.htm"));
    EXPECT_EQ(d.List.Items(1)->Url, QStringLiteral("p_0.htm"));
    // A page named by one entry keeps its name and loses the anchor.
    EXPECT_EQ(d.List.Items(2)->Url, QStringLiteral("q.htm"));
    const QString late = LoadTextFile(d.rootFolder + "p_1.htm", QString());
    EXPECT_TRUE(late.contains(QLatin1String("later part of the page"))) << late.toStdString();
    const QString whole = LoadTextFile(d.rootFolder + "p.htm", QString());
    EXPECT_FALSE(whole.contains(QLatin1String("NAV")));
    EXPECT_TRUE(whole.contains(QLatin1String("mso-out1ine-1evel:2")));
    EXPECT_EQ(d.TopicList.GetItemByFilename(d.rootFolder + "P.HTM")->Anchors.Contains(QStringLiteral("LATE")), true);
}

// Blocks that only resemble each other stay: a short text inside a longer one
// is no repeat, a list of links goes only when it repeats exactly, and no
// page loses its last block.
TEST(ChmTopicFile, OnlyRepeatedBlocksGoAndEveryPageKeepsItsText)
{
    // "See also" lists: one page names only the overview, the others the
    // overview and a member of their own; the navigation line is the same
    // everywhere.
    const QString nav = QStringLiteral("<p><a href=\"home.htm\">Home</a> | <a href=\"index.htm\">Index</a></p>");
    QStringList lists;
    for (int k = 0; k < 6; ++k)
        lists << nav + own(k) + QStringLiteral("<p><a href=\"overview.htm\">Overview of the TStrings class</a>%1</p>")
                                    .arg(k == 0 ? QString() : QStringLiteral(" <a href=\"m%1.htm\">TStrings.Method%1</a>").arg(k));
    Pages seeAlso(lists);
    for (int k = 0; k < 6; ++k) {
        const QString p = seeAlso.page(k);
        EXPECT_FALSE(p.contains(QLatin1String("Index</a>"))) << p.toStdString();
        EXPECT_TRUE(p.contains(QLatin1String("Overview of the TStrings class"))) << p.toStdString();
        if (k > 0) {
            EXPECT_TRUE(p.contains(QStringLiteral("TStrings.Method%1").arg(k))) << p.toStdString();
        }
    }

    // First paragraphs that begin with the page's title, and pages of one
    // sentence or of their title alone.
    QStringList opening, single;
    for (int k = 0; k < 6; ++k) {
        opening << QStringLiteral("<p>Page %1 describes %2</p>").arg(k).arg(own(k + 7).mid(3, 40)) + own(k);
        single << (k < 5 ? QStringLiteral("<p>Entry %1 returns the count.</p>").arg(k) : QStringLiteral("<h1>Entry 5</h1>"));
    }
    Pages titled(opening);
    Pages sentences(single);
    for (int k = 0; k < 6; ++k) {
        EXPECT_TRUE(titled.page(k).contains(QStringLiteral("Page %1 describes").arg(k))) << titled.page(k).toStdString();
        EXPECT_TRUE(sentences.page(k).contains(QStringLiteral("Entry %1").arg(k))) << sentences.page(k).toStdString();
    }
}

// Navigation is a line of links parted only by the signs of a bar; its
// element goes with it, its anchors stay. Links in words are text.
TEST(ChmTopicFile, NavigationBarsGoAndLinksInWordsStay)
{
    const QString bar = QStringLiteral("<table><tr><td><b>[<a href=\"a.htm\">Overview</a>][<a href=\"b.htm\">Index</a>]"
                                       "</b></td><td>Reference for unit 'Forms'</td></tr></table>"
                                       "<p><a name=\"top\"></a><a href=\"p.htm\">&lt;&lt; Previous</a> &middot; "
                                       "<a href=\"n.htm\">Next &gt;&gt;</a></p><p>Body.</p>");
    const QString out = RemoveNavigationBlocks(bar);
    EXPECT_EQ(out.toStdString(), "<table><tr><td></td><td>Reference for unit 'Forms'</td></tr></table>"
                                 "<a name=\"top\"></a><p>Body.</p>");
    for (const char *text : {"<p>See also <a href=\"a.htm\">A</a>, <a href=\"b.htm\">B</a>.</p>",
                             "<p><a href=\"c.htm\">Caption</a> (<a href=\"t.htm\">TAction</a>)</p>",
                             "<p><a href=\"a.htm\">Overview</a> <a href=\"m.htm\">Method</a></p>",
                             "<p><a href=\"a.htm\">A</a> | <img src=\"shot.png\"> <a href=\"b.htm\">B</a></p>"})
        EXPECT_EQ(RemoveNavigationBlocks(QString::fromUtf8(text)).toStdString(), text);
}
