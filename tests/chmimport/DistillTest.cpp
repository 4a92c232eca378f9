// The page distiller over help files compiled for the test.
#include "chmimport/ChmMaker.h"

#include "chmimport/ChmTo.h"
#include "foundation/TextFiles.h"

using namespace testsupport;

namespace {

// Distinct sentences, so that no two pages share their main text.
QString prose(int n)
{
    static const char *words[] = {"amber", "basalt", "cobalt", "dune", "ember", "fjord", "granite", "harbor",
                                  "indigo", "jasper", "kelp", "lagoon", "marble", "nectar", "onyx", "prairie"};
    QString out;
    for (int k = 0; k < 14; ++k)
        out += QLatin1String(words[(n * 7 + k * (n + 3)) % 16]) + QLatin1Char(k % 5 == 4 ? ',' : ' ');
    return out + QStringLiteral("number %1.").arg(n);
}

QString text(const QString &path) { return LoadTextFile(path, QString()); }

struct Imported {
    ScratchDir dir;
    QString chm;
    TCHMDistill d;
};

void importInto(Imported &im, const QMap<QString, QByteArray> &files)
{
    im.chm = chmmaker::compile(im.dir.file("src"), "guide", files, "Title=Guide\nDefault topic=intro.htm\n");
    ASSERT_FALSE(im.chm.isEmpty());
    im.d.LoadFromCHM(im.chm);
    im.d.rootFolder = im.dir.file("work/");
    im.d.decompile();
    im.d.AddHint = true;
    im.d.HintFormat = QStringLiteral("See [title no.]");
    im.d.Addenda = QStringLiteral("More pages");
    im.d.Execute();
}

QMap<QString, QByteArray> guideFiles()
{
    return {
        {"toc.hhc", chmmaker::sitemap({{0, "Introduction", "intro.htm"},
                                       {1, "Setup", "setup.htm"},
                                       {1, "First part", "guide.htm#first"},
                                       {1, "Second part", "guide.htm#second"},
                                       {0, "Usage", "usage.htm"},
                                       {0, "Reference", "ref.htm"},
                                       {0, "Web site", "https://example.com/help"},
                                       {0, "Outside", "../../../../etc/passwd"},
                                       {0, "Gone", "missing.htm"}})},
        {"index.hhk", chmmaker::sitemap({{0, "setting up", "setup.htm"}})},
        {"style.css", "p.hidden { display: none } p { text-align: justify }"},
        {"intro.htm",
         chmmaker::page("Introduction",
                        "<h1>Introduction</h1>\n<p>" + prose(1) +
                            " See <a href=\"Setup.HTM\">setting up</a>, <a href=\"guide.htm#second\">part two</a>, "
                            "<a href=\"https://example.com/x.htm\">the site</a>, <a href=\"mailto:help@example.com\">mail</a>, "
                            "<a href=\"ms-its:guide.chm::/usage.htm\">usage</a>, <a href=\"../../../../etc/hosts.htm\">hosts</a>"
                            " and <a href=\"intro.htm\">this page</a>.</p>",
                        true)},
        {"setup.htm", chmmaker::page("Setup", "<h1>Setup</h1><p>" + prose(2) + " Also <a href=\"extra1.htm\">extra</a>.</p>", true)},
        {"guide.htm", chmmaker::page("Guide",
                                     "<h1>Guide</h1><p><a name=\"first\"></a>First part heading</p><p>" + prose(3) +
                                         " Alpha.</p><h2><a name=\"second\">Second part heading</a></h2><p>" + prose(4) + " Beta.</p>",
                                     true)},
        {"usage.htm", chmmaker::page("Usage", "<h1>Usage</h1><p>" + prose(5) + "</p>", true)},
        {"ref.htm", chmmaker::page("Reference", "<h1>Reference</h1><p>" + prose(6) + "</p>", true)},
        // Reached only by links, linking in a circle and to themselves.
        {"extra1.htm", chmmaker::page("Extra one", "<p><link rel=stylesheet href=\"style.css\" media=\"Screen\">" + prose(7) + " Next <a href=\"extra2.htm\">two</a>.</p>")},
        {"extra2.htm", chmmaker::page("Extra two", "<p>" + prose(8) + " Back <a href=\"EXTRA1.htm\">one</a>, "
                                                                  "<a href=\"extra2.htm\">self</a>.</p>")},
    };
}

} // namespace

TEST(ChmDistill, EntriesAreNumberedSplitAndCompletedByLinkedPages)
{
    QC_REQUIRE_CHMCMD();
    Imported im;
    importInto(im, guideFiles());
    if (HasFatalFailure())
        return;
    const TTitleLists &list = im.d.List;
    QStringList got;
    for (int k = 0; k < list.Count(); ++k) {
        const TTitleList *e = list.Items(k);
        got << QStringLiteral("%1 %2 [%3] %4 %5").arg(e->ChapterNumber, e->Topic, e->Url).arg(e->Status).arg(e->Bookmark);
    }
    EXPECT_EQ(got, QStringList({
                       "1. Introduction [intro.htm] 0 Bookmark0",
                       "1.1 Setup [setup.htm] 0 Bookmark1",
                       "1.2 First part [guide_0.htm] 0 Bookmark2",
                       "1.3 Second part [guide_1.htm] 0 Bookmark3",
                       "2. Usage [usage.htm] 0 Bookmark4",
                       "3. Reference [ref.htm] 0 Bookmark5",
                       "4. Web site [https://example.com/help] 3 Bookmark6",
                       "5. Outside [passwd] 2 Bookmark7",
                       "6. Gone [missing.htm] 2 Bookmark8",
                       "7. More pages [] 2 Bookmark9",
                       "7.1 Extra one [extra1.htm] 0 Bookmark10",
                       "7.2 Extra two [extra2.htm] 0 Bookmark11",
                   }))
        << got.join('\n').toStdString();
    EXPECT_EQ(list.Items(1)->Keywords, QStringLiteral("setting up"));

    // The split pieces hold their own part of the page.
    const QString first = text(im.d.rootFolder + "guide_0.htm");
    const QString second = text(im.d.rootFolder + "guide_1.htm");
    EXPECT_TRUE(first.contains("Alpha.") && !first.contains("Beta.")) << first.toStdString();
    EXPECT_TRUE(second.contains("Beta.") && !second.contains("Alpha.")) << second.toStdString() << text(im.d.rootFolder + "guide.htm").toStdString();

    // Nothing was written outside the work folder.
    for (const QString &f : chmmaker::filesBelow(im.dir.path()))
        EXPECT_TRUE(f.startsWith("src/") || f.startsWith("work/")) << f.toStdString();
}

TEST(ChmDistill, SharedBlocksAndTitlesAreCutAndLinksPointAtBookmarks)
{
    QC_REQUIRE_CHMCMD();
    Imported im;
    importInto(im, guideFiles());
    if (HasFatalFailure())
        return;
    const QString intro = text(im.d.rootFolder + "intro.htm");
    EXPECT_FALSE(intro.contains("Acme Widget Suite Online Manual")) << intro.toStdString();
    EXPECT_FALSE(intro.contains("All rights reserved"));
    EXPECT_FALSE(intro.contains("<h1>Introduction</h1>"));
    EXPECT_TRUE(intro.contains(prose(1)));
    // Links to entries become bookmark links with a hint; a link in the
    // same page points at the page's own bookmark.
    EXPECT_TRUE(intro.contains("href=\"#Bookmark1\">setting up</a>(See 1.1)")) << intro.toStdString();
    EXPECT_TRUE(intro.contains("href=\"#Bookmark0\">this page</a>(See 1.)"));
    EXPECT_TRUE(intro.contains("href=\"#Bookmark4\">usage</a>"));
    // Every scheme is an outside link, kept as written.
    EXPECT_TRUE(intro.contains("href=\"https://example.com/x.htm\">the site</a>"));
    EXPECT_TRUE(intro.contains("href=\"mailto:help@example.com\">mail</a>"));
    // A link climbing out of the help file leads nowhere: it keeps its text.
    EXPECT_TRUE(intro.contains("href=\"\">hosts</a>")) << intro.toStdString();
    EXPECT_TRUE(text(im.d.rootFolder + "extra1.htm").contains("media=\"all\""));
    EXPECT_TRUE(text(im.d.rootFolder + "style.css").contains("display:block"));

    // Pages reached only by links: found without regard to case, each once.
    const QString extra2 = text(im.d.rootFolder + "extra2.htm");
    EXPECT_TRUE(extra2.contains("href=\"#Bookmark10\">one</a>")) << extra2.toStdString();
    EXPECT_TRUE(extra2.contains("href=\"#Bookmark11\">self</a>"));
    EXPECT_EQ(im.d.NonTocicFiles.Count(), 2);
}

TEST(ChmDistill, LongLinkChainsAndOutsidePathsAreSafe)
{
    // A chain of pages each linking to the next: walked with a work list.
    ScratchDir dir;
    TCHMDistill d;
    d.rootFolder = dir.file("work/");
    const int n = 20000;
    for (int k = 0; k < n; ++k)
        writeFile(d.rootFolder + QStringLiteral("p%1.htm").arg(k),
                  QStringLiteral("<html><body><a href=\"p%1.htm\">next</a></body></html>").arg(k + 1).toUtf8());
    writeFile(dir.file("secret.htm"), "<html><body>outside</body></html>");
    auto e = std::make_unique<TTitleList>();
    e->Topic = QStringLiteral("Start");
    e->Url = QStringLiteral("p0.htm");
    d.List.Add(std::move(e));
    auto out = std::make_unique<TTitleList>();
    out->Topic = QStringLiteral("Out");
    out->Url = QStringLiteral("/../secret.htm");
    d.List.Add(std::move(out));
    d.ProcessTocLink();
    d.FillFileList();
    EXPECT_EQ(d.NonTocicFiles.Count(), n - 1);
    EXPECT_EQ(d.Files.Count(), 1);
    EXPECT_NE(d.List.Items(1)->Status, 0);
    EXPECT_TRUE(d.FindInRoot(d.rootFolder + "../secret.htm").isEmpty());
    EXPECT_FALSE(d.FindInRoot(d.rootFolder + "P17.HTM").isEmpty());
}

TEST(ChmDistill, ChapterNumbersFollowLevels)
{
    TCHMDistill d;
    for (int level : {0, 1, 1, 2, 0, 8, -1}) {
        auto e = std::make_unique<TTitleList>();
        e->Level = level;
        d.List.Add(std::move(e));
    }
    d.GetChapterNumber();
    QStringList numbers;
    for (int k = 0; k < d.List.Count(); ++k)
        numbers << d.List.Items(k)->ChapterNumber;
    EXPECT_EQ(numbers, QStringList({"1.", "1.1", "1.2", "1.2.1", "2.", "2..1", "2..1"}));
}
