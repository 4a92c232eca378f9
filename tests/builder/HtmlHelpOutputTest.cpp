// The HTML Help output: contents, index and context texts, the pages in the
// project-set folder, and the compiled help file read back through libchm.
#include "builder/ChmCheck.h"
#include "builder/HtmlHelpOutput.h"
#include "builder/OutputGuard.h"
#include "builder/Webhelp.h"
#include "builder/WordDoc.h"
#include "foundation/HTMLProcess.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

// Readable failures for texts.
static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;
using chmcheck::outline;
using chmcheck::Outline;

namespace {

struct Row {
    int level;
    const char *title;
    const char *url; // empty: a book without a page
    const char *keywords = "";
    const char *context = "";
};

// A topic list as the split leaves it, filled by hand.
void fill(TContentsItems &list, std::initializer_list<Row> rows, bool preprocess = false)
{
    for (const Row &r : rows) {
        auto item = std::make_unique<TContentsItem>();
        item->Level = r.level;
        item->Title = QString::fromUtf8(r.title);
        item->HTMLTitle = EscapeHtml(item->Title);
        item->Url = QString::fromUtf8(r.url);
        item->Status = item->Url.isEmpty() ? 2 : 0;
        item->Accessible = item->Status == 0;
        item->StaticName = QFileInfo(QString(item->Url).replace(u'\\', u'/')).baseName().toUpper();
        item->Keywords = QString::fromUtf8(r.keywords);
        item->ContextNumber = QString::fromUtf8(r.context);
        item->Icon = -1;
        item->Content = QStringLiteral("<p>About %1.</p>").arg(item->HTMLTitle);
        list.Add(std::move(item));
    }
    for (int i = 0; i + 1 < list.Count(); ++i)
        list.Item(i)->HasChildNode = list.Item(i + 1)->Level > list.Item(i)->Level;
    if (preprocess)
        list.PreProcess();
}

struct Maker {
    TProject project;
    TContentsItems list;
    THtmlHelpMaker maker;
    Maker()
    {
        list.Project = &project;
        maker.Project = &project;
        maker.Contents = &list;
    }
    QString hhc()
    {
        QString t;
        maker.MakeHHCList(t);
        return t;
    }
    QString hhk()
    {
        QString t;
        maker.MakeHHKList(t);
        return t;
    }
};

QString entry(const QString &name, const QString &local = QString())
{
    QString s = QStringLiteral("<LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"%1\">\r\n").arg(name);
    if (!local.isEmpty())
        s += QStringLiteral("<param name=\"Local\" value=\"%1\">\r\n").arg(local);
    return s + QStringLiteral("</OBJECT>\r\n");
}

QString failure(const std::function<void()> &run)
{
    try {
        run();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST(HtmlHelpContents, NestsByLevelAndEscapesWhatItWrites)
{
    Maker m;
    fill(m.list, {{1, "Intro", "intro.htm"},
                  {1, "Setup \"quick\" <fast>", ""},
                  {2, "Install", "sub\\install.htm"},
                  {3, "Linux & BSD", "linux.htm"},
                  {1, "End", "end.htm"}});
    m.list.Item(0)->Icon = 3;
    const QString expected = QStringLiteral("<UL>") + entry(QStringLiteral("Intro"), QStringLiteral("intro.htm"))
                                 .replace(QStringLiteral("</OBJECT>"), QStringLiteral("<param name=\"ImageNumber\" value=\"3\">\r\n</OBJECT>"))
                           + entry(QStringLiteral("Setup &quot;quick&quot; &lt;fast&gt;")) + QStringLiteral("<UL>")
                           + entry(QStringLiteral("Install"), QStringLiteral("sub/install.htm")) + QStringLiteral("<UL>")
                           + entry(QStringLiteral("Linux &amp; BSD"), QStringLiteral("linux.htm"))
                           + QStringLiteral("</UL></UL>") + entry(QStringLiteral("End"), QStringLiteral("end.htm"))
                           + QStringLiteral("</UL>");
    EXPECT_EQ(m.hhc(), expected);

    // Ending deep closes every open list.
    Maker deep;
    fill(deep.list, {{1, "A", "a.htm"}, {2, "B", "b.htm"}, {3, "C", "c.htm"}});
    EXPECT_TRUE(deep.hhc().endsWith(QStringLiteral("</UL></UL></UL>")));
    EXPECT_EQ(outline(deep.hhc()).finalDepth, 0);
    EXPECT_EQ(Maker().hhc(), QString());
}

TEST(HtmlHelpIndex, ThreeLevelKeywordGetsSeeAlsoLevels)
{
    Maker m;
    fill(m.list, {{1, "Paper", "paper.htm", "Printing/Setup/Paper"}});
    const QString expected =
        QStringLiteral("<UL>"
                       "<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Printing\">\r\n"
                       "<param name=\"See Also\" value=\"Printing\">\r\n</OBJECT>\r\n<UL>\r\n"
                       "<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Setup\">\r\n"
                       "<param name=\"See Also\" value=\"Setup\">\r\n</OBJECT>\r\n<UL>\r\n"
                       "<LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Paper\">\r\n"
                       "<param name=\"Name\" value=\"Paper\">\r\n<param name=\"Local\" value=\"paper.htm\">\r\n"
                       "</OBJECT></UL>\r\n</UL>\r\n</UL>");
    EXPECT_EQ(m.hhk(), expected);
}

TEST(HtmlHelpIndex, KeywordsMergeNestAndStayBalanced)
{
    Maker m;
    fill(m.list, {{1, "Intro", "intro.htm", "zoom\r\nprint\r\n  \r\nscripts//macros\r\nA & \"B\"/x"},
                  {1, "Book", "", "zoom"},
                  {2, "More", "more.htm", " zoom \nPrint\nprint/paper/a4\nprint/paper/letter\nq/r/"},
                  {2, "Last", "last.htm", "print"}});
    const QString text = m.hhk();
    const Outline o = outline(text);
    EXPECT_EQ(o.finalDepth, 0) << text.toStdString();
    // Equal keywords make one entry carrying every topic; a different case
    // makes another; a doubled slash is a slash inside one level; a path
    // below an existing keyword nests under it.
    EXPECT_EQ(o.entries.join(u' '),
              QStringLiteral("1:A &amp; &quot;B&quot; 2:x 1:Print 1:print 2:paper 3:a4 3:letter 1:q 2:r "
                             "1:scripts/macros 1:zoom"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("value=\"print\">\r\n"
                                             "<param name=\"Name\" value=\"Intro\">\r\n<param name=\"Local\" value=\"intro.htm\">\r\n"
                                             "<param name=\"Name\" value=\"Last\">\r\n<param name=\"Local\" value=\"last.htm\">\r\n")))
        << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("value=\"Book\"")), 0); // books carry no index entries
    EXPECT_EQ(text.count(QStringLiteral("value=\"zoom\">")), 1);

    // A keyword and a path two levels below it.
    Maker nested;
    fill(nested.list, {{1, "T", "t.htm", "a\nd\na/b/c"}});
    const Outline n = outline(nested.hhk());
    EXPECT_EQ(n.entries, (QStringList{QStringLiteral("1:a"), QStringLiteral("2:b"), QStringLiteral("3:c"), QStringLiteral("1:d")}));
    EXPECT_EQ(n.finalDepth, 0);
}

// Both indexes are sorted in the help language's order, whatever the build
// machine's locale (here one where "Ä" follows "Z"): a German help files
// "Äpfel" with the a's.
TEST(HtmlHelpIndex, SortedInTheHelpLanguageNotTheMachinesLocale)
{
    const QLocale machine;
    QLocale::setDefault(QLocale(QStringLiteral("sv_SE")));
    Maker m;
    m.project.CHMSetting.Language = QStringLiteral("0x0407 German (Germany)");
    fill(m.list, {{1, "T", "t.htm", "Zebra\n\u00C4pfel\napple"}});
    const QStringList entries = outline(m.hhk()).entries;
    TWebHelp web(&m.project, &m.list, nullptr);
    QString webIndex;
    web.MakeIndexForWeb(webIndex);
    QLocale::setDefault(machine);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_TRUE(entries[0].contains(QStringLiteral("pfel")) && entries[2] == QStringLiteral("1:Zebra"))
        << entries.join(u' ').toStdString();
    EXPECT_LT(webIndex.indexOf(QStringLiteral("pfel</option>")), webIndex.indexOf(QStringLiteral("Zebra</option>")))
        << webIndex.toStdString();
}

TEST(HtmlHelpIndex, KeywordPaths)
{
    EXPECT_EQ(SplitKeywordPath(QStringLiteral("a//b/c")), (QStringList{QStringLiteral("a/b"), QStringLiteral("c")}));
    EXPECT_EQ(SplitKeywordPath(QStringLiteral("a/")), QStringList{QStringLiteral("a")});
    EXPECT_EQ(SplitKeywordPath(QString()), QStringList());
    EXPECT_EQ(KeywordLastLevel(QStringLiteral("x/y")), QStringLiteral("y"));
    EXPECT_EQ(KeywordFromSortKey(KeywordSortKey(QStringLiteral("a b\\c"))), QStringLiteral("a b\\c"));
    EXPECT_EQ(KeywordPathTransition(QStringLiteral("a/b"), QStringLiteral("a/b")), QString());
    EXPECT_EQ(KeywordPathTransition(QStringLiteral("a/b/c"), QStringLiteral("d")),
              QStringLiteral("</UL>\r\n</UL>\r\n"));
}

TEST(HtmlHelpContext, AliasAndMapForTopicsWithNumbers)
{
    Maker m;
    fill(m.list, {{1, "Intro", "intro.htm", "", "1000"},
                  {1, "Book", "", "", "1005"},
                  {2, "Blank", "blank.htm", "", "  "},
                  {2, "Spaced", "sub\\spaced.htm", "", " 1010 "}});
    QString alias, map;
    m.maker.MakeContextSensitive(alias, map);
    EXPECT_EQ(alias, QStringLiteral("CID_INTRO = intro.htm\r\nCID_SPACED = sub\\spaced.htm\r\n"));
    EXPECT_EQ(map, QStringLiteral("#define CID_INTRO 1000\r\n#define CID_SPACED  1010 \r\n"));
}

// A document whose headings give books only, or no topics at all, still
// compiles: a help file without pages, whose window names no stale topic.
TEST(HtmlHelpOutput, BooksOnlyOrNoTopicsCompileAHelpFileWithoutPages)
{
    ScratchDir dir;
    Maker m;
    m.project.CompiledFile = dir.file(QStringLiteral("out/help.chm"));
    m.project.CHMSetting.DefaultTopic = QStringLiteral("old.htm");
    fill(m.list, {{1, "Only a book", "", "kw", "5"}, {2, "Another", "", "", ""}});
    m.maker.ProjectFolder = dir.file(QStringLiteral("set/"));
    m.maker.Output();
    EXPECT_EQ(QDir(m.maker.ProjectFolder).entryList(QStringList{QStringLiteral("*.htm")}, QDir::Files), QStringList());
    EXPECT_EQ(m.project.CHMSetting.DefaultTopic, QString());
    EXPECT_EQ(m.hhk(), QString());
    EXPECT_FALSE(m.hhc().contains(QStringLiteral("Local")));
    EXPECT_TRUE(m.hhc().contains(QStringLiteral("value=\"Another\"")));
    QString log;
    EXPECT_EQ(failure([&] { m.maker.Make(log); }), QString());
    EXPECT_GT(QFileInfo(m.project.CompiledFile).size(), 0);

    Maker empty;
    empty.project.CompiledFile = dir.file(QStringLiteral("out/empty.chm"));
    empty.maker.ProjectFolder = dir.file(QStringLiteral("empty/"));
    empty.maker.Output();
    EXPECT_EQ(empty.hhc(), QString());
    EXPECT_EQ(failure([&] { empty.maker.Make(log); }), QString());
    EXPECT_GT(QFileInfo(empty.project.CompiledFile).size(), 0);
}

// A compiled file kept inside the project-set folder stays while the folder
// is emptied and written, and only the new compiled file replaces it; the
// earlier build's pages go, and the old file is no page of the new one.
TEST(HtmlHelpOutput, ACompiledFileInsideTheProjectSetStaysUntilReplaced)
{
    ScratchDir dir;
    Maker m;
    m.maker.ProjectFolder = dir.file(QStringLiteral("set/"));
    m.project.CompiledFile = m.maker.ProjectFolder + QStringLiteral("help.chm");
    fill(m.list, {{1, "Intro", "intro.htm"}}, true);
    writeFile(m.project.CompiledFile, "ITSF old chm");
    writeFile(m.maker.ProjectFolder + QStringLiteral("stale.htm"), "old page");
    MarkOutputFolder(m.maker.ProjectFolder, true); // as an earlier build left it
    m.maker.Output();
    EXPECT_EQ(readFile(m.project.CompiledFile), QByteArray("ITSF old chm"));
    EXPECT_FALSE(QFileInfo::exists(m.maker.ProjectFolder + QStringLiteral("stale.htm")));
    QString log;
    m.maker.Make(log);
    chmcheck::ChmReader chm(m.project.CompiledFile);
    ASSERT_TRUE(chm.isOpen());
    EXPECT_TRUE(chm.read(QStringLiteral("/intro.htm")).contains("<p>About "));
    EXPECT_TRUE(chm.read(QStringLiteral("/help.chm")).isEmpty());
    EXPECT_TRUE(chm.read(QStringLiteral("/.quillcraft-output")).isEmpty()) << "the build's own list is not published";
    EXPECT_EQ(ForeignOutputContent(m.maker.ProjectFolder), QStringList());
}

TEST(HtmlHelpOutput, NeverClearsTheProjectFolderNorWritesOutsideItsOwn)
{
    ScratchDir dir;
    Maker m;
    const QString projectFolder = dir.file(QStringLiteral("proj/"));
    writeFile(projectFolder + QStringLiteral("manual.docx"), "doc");
    m.project.SourceFile = QStringLiteral("manual.docx");
    m.project.SaveToIni(projectFolder + QStringLiteral("manual.qvx"));
    m.project.OutputHHP = true;
    m.project.HHPFolder.clear(); // resolves to the project's folder
    fill(m.list, {{1, "Intro", "intro.htm"}});
    m.maker.ProjectFolder = m.project.RealPath(5);
    const QString refused = failure([&] { m.maker.Output(); });
    EXPECT_TRUE(refused.contains(QStringLiteral("proj"))) << refused.toStdString();
    EXPECT_EQ(readFile(projectFolder + QStringLiteral("manual.docx")), QByteArray("doc"));
    EXPECT_TRUE(QFileInfo::exists(projectFolder + QStringLiteral("manual.qvx")));

    // A page name from the document cannot leave the project-set folder.
    Maker evil;
    fill(evil.list, {{1, "Evil", "../evil.htm"}});
    evil.maker.ProjectFolder = dir.file(QStringLiteral("set/"));
    EXPECT_TRUE(failure([&] { evil.maker.Output(); }).contains(QStringLiteral("../evil.htm")));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("evil.htm"))));
}

TEST(HtmlHelpOutput, PagesFollowTheProjectCharset)
{
    ScratchDir dir;
    Maker m;
    m.project.HtmlHelpOutputEncoding = QStringLiteral("windows-1252");
    m.project.Title = QStringLiteral("Tips & <Tricks> \u2192 \u20AC");
    fill(m.list, {{1, "Größe", "size.htm"}}, true);
    m.maker.ProjectFolder = dir.file(QStringLiteral("set"));
    m.maker.Output();
    const QByteArray page = readFile(dir.file(QStringLiteral("set/size.htm")));
    EXPECT_TRUE(page.contains("charset=windows-1252\">")) << page.toStdString();
    EXPECT_TRUE(page.contains("Gr\xF6\xDF" "e")) << page.toStdString();
    // The arrow has no place in the code page: it stays, as a reference.
    EXPECT_TRUE(page.contains("Tips &amp; &lt;Tricks&gt; &#8594; \x80")) << page.toStdString();
    EXPECT_EQ(m.project.CHMSetting.DefaultTopic, QStringLiteral("size.htm"));

    Maker wide;
    wide.project.HtmlHelpOutputEncoding = QStringLiteral("unicode");
    fill(wide.list, {{1, "Größe", "size.htm"}}, true);
    wide.maker.ProjectFolder = dir.file(QStringLiteral("wide"));
    wide.maker.Output();
    const QByteArray utf16 = readFile(dir.file(QStringLiteral("wide/size.htm")));
    EXPECT_TRUE(utf16.startsWith("\xFF\xFE"));
    EXPECT_TRUE(utf16.contains(QByteArray("G\0r\0\xF6\0\xDF\0", 8)));
}

// The whole output through the shipped template into a compiled help file.
TEST(HtmlHelpOutput, CompilesPagesContentsIndexContextAndWindow)
{
    ScratchDir dir;
    Maker m;
    m.project.Title = QStringLiteral("Widget Guide");
    m.project.CompiledFile = dir.file(QStringLiteral("out/Widget.chm"));
    m.project.CHMSetting.Title = m.project.Title;
    m.project.CHMSetting.Width = 640;
    fill(m.list, {{1, "Welcome", "welcome.htm", "start", "100"},
                  {1, "Setting up", ""},
                  {2, "Installing", "install.htm", "setup/install\nstart", "110"},
                  {3, "On Linux", "linux.htm", "setup/install/linux", "120"},
                  {1, "Using <it>", "using.htm", "usage", ""}},
         true);
    // The converter's state after a conversion: the page head and the files
    // that the pages use.
    TWordDoc word(&m.project, nullptr, QString(), {}, 1);
    word.tempDir = dir.file(QStringLiteral("conv/"));
    word.FilesFolder = QStringLiteral("doc_files");
    word.AttachedFiles = QStringList{QStringLiteral("doc.css")};
    word.BeforeBody = QStringLiteral("<html><head><link rel=stylesheet href=\"doc.css\"><style>p.Note {color:red}</style>"
                                     "</head><body lang=EN-US>");
    writeFile(word.tempDir + QStringLiteral("doc.css"), "p.MsoNormal {margin:0}");
    writeFile(word.tempDir + QStringLiteral("doc_files/image001.png"), "PNG");
    m.list.Item(0)->Content += QStringLiteral("<img src=\"doc_files/image001.png\">");
    m.maker.Word = &word;
    m.maker.ProjectFolder = dir.file(QStringLiteral("set/"));
    writeFile(m.maker.ProjectFolder + QStringLiteral("stale.htm"), "old page");
    MarkOutputFolder(m.maker.ProjectFolder, true); // as an earlier build left it
    m.maker.Output();
    EXPECT_FALSE(QFileInfo::exists(m.maker.ProjectFolder + QStringLiteral("stale.htm")));
    EXPECT_EQ(m.project.CHMSetting.DefaultTopic, QStringLiteral("welcome.htm"));
    QString log;
    m.maker.Make(log);
    EXPECT_FALSE(log.isEmpty());

    chmcheck::ChmReader chm(m.project.CompiledFile);
    ASSERT_TRUE(chm.isOpen());
    for (const char *page : {"welcome.htm", "install.htm", "linux.htm", "using.htm"}) {
        const QByteArray html = chm.read(QStringLiteral("/") + QLatin1String(page));
        EXPECT_TRUE(html.contains("<p>About ")) << page;
        EXPECT_TRUE(html.contains("Widget Guide")) << page;
    }
    EXPECT_TRUE(chm.read(QStringLiteral("/linux.htm")).contains("title=\"Previous\""));
    const QByteArray welcome = chm.read(QStringLiteral("/welcome.htm"));
    EXPECT_TRUE(welcome.contains("href=\"doc.css\"") && welcome.contains("p.Note {color:red}")) << welcome.toStdString();
    EXPECT_EQ(chm.read(QStringLiteral("/doc.css")), QByteArray("p.MsoNormal {margin:0}"));
    EXPECT_EQ(chm.read(QStringLiteral("/doc_files/image001.png")), QByteArray("PNG"));

    const QByteArray hhc = chm.read(QStringLiteral("/Widget.hhc"));
    const Outline contents = outline(QString::fromUtf8(hhc));
    EXPECT_EQ(contents.entries.join(u','),
              QStringLiteral("1:Welcome,1:Setting up,2:Installing,3:On Linux,1:Using &lt;it&gt;"));
    EXPECT_EQ(contents.finalDepth, 0);
    const Outline index = outline(QString::fromUtf8(chm.read(QStringLiteral("/Widget.hhk"))));
    EXPECT_EQ(index.entries.join(u','), QStringLiteral("1:setup,2:install,3:linux,1:start,1:usage"));
    EXPECT_EQ(index.finalDepth, 0);

    const QMap<quint32, QString> contexts = chm.contextMap();
    EXPECT_EQ(contexts.keys(), (QList<quint32>{100, 110, 120}));
    EXPECT_TRUE(contexts.value(120).endsWith(QStringLiteral("linux.htm")));

    EXPECT_EQ(chm.windowText(chmcheck::kWindowTitle), QStringLiteral("Widget Guide"));
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowRight) - chm.windowNumber(chmcheck::kWindowLeft), 640u);
    EXPECT_EQ(chm.windowText(chmcheck::kWindowHome), QStringLiteral("welcome.htm"));
}
