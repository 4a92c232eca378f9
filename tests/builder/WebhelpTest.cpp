// The WebHelp writer on topic lists made in the test, with a program folder
// of small skeletons: the folder it writes, the topic pages, the frame pages
// and the folders it refuses to empty.
#include "WebhelpTestSupport.h"
#include "builder/OutputGuard.h"

#include "platform/Exception.h"

#include <QFile>
#include <QFileInfo>

using namespace webhelptest;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class WebHelpWriter : public ::testing::Test {
protected:
    void SetUp() override { writeWebhelpData(program); }

    // Runs the writer; returns the index page it reports.
    QString run()
    {
        TWebHelp writer(&b.Project, &b.Contents, nullptr);
        QString indexPage = QStringLiteral("unchanged");
        writer.Output(indexPage);
        defaultPage = writer.DefaultPage;
        return indexPage;
    }
    // The message the writer fails with; empty when it succeeds.
    QString failure()
    {
        try {
            run();
        } catch (const Exception &e) {
            return e.message();
        }
        return QString();
    }

    WebHelpBuild b;
    QString program = b.path(QStringLiteral("program"));
    ProgramFolderOverride programOverride{program};
    QString defaultPage;
};

} // namespace

TEST_F(WebHelpWriter, WritesPagesFramesScriptsAndImages)
{
    b.Project.Title = QStringLiteral("Garden & <Help>");
    b.useTemplate(QStringLiteral("<html><head><title>x</title></head><body><h6>($projecttitle$)</h6>($content$)</body></html>"));
    b.Project.NavWidth = 300;
    b.Project.WebBackColor = QStringLiteral("#FFFFFF");
    b.Project.WebFontColor = QStringLiteral("#000000");
    b.Project.TOCBackColor = QStringLiteral("#EEEEEE");
    b.Project.WebHelpDictionary = {QStringLiteral("search=Find \"it\"")};
    b.setTopics({{1, "Start", 0, "Garden"}, {1, "Tools", 2}, {2, "Rake", 0, "", "<p>Tines</p>", 3}});
    writeFile(b.out(QStringLiteral("stale.txt")), "old");
    MarkOutputFolder(b.out(QString()), true); // as an earlier build left it

    EXPECT_EQ(run(), b.out(QStringLiteral("index.htm")));
    EXPECT_FALSE(QFileInfo::exists(b.out(QStringLiteral("stale.txt")))) << "the folder is emptied first";
    EXPECT_EQ(defaultPage, QStringLiteral("topic0.htm"));

    // Topic pages: web mark after the document type, synchronising script
    // right after the body tag, declared UTF-8 and saved without a mark.
    EXPECT_FALSE(QFileInfo::exists(b.out(QStringLiteral("pages/topic1.htm")))) << "a book has no page";
    const QByteArray raw = readFile(b.out(QStringLiteral("pages/topic2.htm")));
    ASSERT_FALSE(raw.startsWith("\xEF\xBB\xBF"));
    const QString rake = QString::fromUtf8(raw);
    EXPECT_TRUE(rake.startsWith(QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
                                               "<!-- saved from url=(0014)about:internet -->\r\n<html>")));
    EXPECT_TRUE(rake.contains(QStringLiteral("<body><script language=\"JavaScript\" type=\"text/JavaScript\">\r\n")));
    EXPECT_TRUE(rake.contains(QStringLiteral("parent.nav.tree.selectNode(2);")));
    EXPECT_TRUE(rake.contains(QStringLiteral("parent.location.href = \"../index.htm?page=topic2.htm\";")));
    EXPECT_TRUE(rake.contains(QStringLiteral("charset=utf-8"))) << rake.toStdString();
    EXPECT_TRUE(rake.contains(QStringLiteral("<p>Tines</p>")));
    EXPECT_TRUE(rake.contains(QStringLiteral("<h6>Garden &amp; &lt;Help&gt;</h6>"))) << "the project title is escaped";

    // Frame pages: placeholders filled, the contents trees in their two pages only.
    const QString contents = b.outText(QStringLiteral("webhelpcontents.htm"));
    EXPECT_TRUE(contents.contains(QStringLiteral("<title>Garden &amp; &lt;Help&gt;</title>")));
    EXPECT_TRUE(contents.contains(QStringLiteral("webhelpcontents.htm|topic0.htm|300|#FFFFFF|#000000|#EEEEEE|"
                                                 "<script>SetEnv(0,false)</script>")));
    EXPECT_TRUE(contents.contains(QStringLiteral("divlist = [1]")));
    EXPECT_TRUE(b.outText(QStringLiteral("webhelplefth.htm")).contains(QStringLiteral("<div id=\"d1\">")));
    EXPECT_TRUE(b.outText(QStringLiteral("index.htm")).contains(QStringLiteral("|#EEEEEE|($NAVIGATION$)|")));
    EXPECT_TRUE(contents.contains(QStringLiteral("bar<!--ENDBAR-->|//document.write")));
    EXPECT_TRUE(contents.contains(QStringLiteral("background=\"back.jpg\"")));
    EXPECT_TRUE(contents.contains(QStringLiteral("<a href=\"x.HTM#top\">")));

    const QString index = b.outText(QStringLiteral("webhelpindex.htm"));
    EXPECT_TRUE(index.contains(QStringLiteral("<select><option value=\"writepage([['Start','pages/topic0.htm']]);\">"
                                              "Garden</option></select>")));
    EXPECT_TRUE(index.contains(QStringLiteral("bgcolor=\"#FFFFFF\"")));

    // Scripts, saved as UTF-8 with a byte-order mark.
    const QByteArray languages = readFile(b.out(QStringLiteral("languages.js")));
    EXPECT_EQ(languages, QByteArray("\xEF\xBB\xBFvar strings = new Object();\r\nstrings[\"Contents\"] = "
                                    "\"Contents\";\r\nstrings[\"Search\"] = \"Find \\\"it\\\"\";\r\n"));
    EXPECT_EQ(readFile(b.out(QStringLiteral("data.js"))),
              QByteArray("\xEF\xBB\xBFvar contents = new Array(\"\\nText\",\"Start\",\"pages\\\\topic0.htm\","
                         "\"\\nTines\",\"Rake\",\"pages\\\\topic2.htm\");"));

    // Images: the tree images, the icons in use with their partners, buttons,
    // style sheet and background.
    for (const char *name : {"icons/plus.gif", "icons/tshaped.gif", "icons/1.gif", "icons/2.gif", "icons/3.gif",
                             "icons/4.gif", "icons/11.gif", "images/print.gif", "images/showall.gif", "style.css"})
        EXPECT_TRUE(QFileInfo::exists(b.out(QLatin1String(name)))) << name;
    for (const char *name : {"icons/5.gif", "icons/9.gif", "icons/12.gif", "icons/r.gif"})
        EXPECT_FALSE(QFileInfo::exists(b.out(QLatin1String(name)))) << name;
    EXPECT_EQ(readFile(b.out(QStringLiteral("back.jpg"))), QByteArray("one"));
}

TEST_F(WebHelpWriter, HtmlExtensionRewritesWholeLinksOnly)
{
    b.Project.WebHelpExtension = 1;
    b.Project.ViewCompiledFile = false;
    b.setTopics({{1, "Start"}});
    EXPECT_EQ(run(), QStringLiteral("unchanged"));

    for (const char *name : {"index", "indexh", "webhelpframe", "webhelptop", "webhelptoph", "webhelpcontents",
                             "webhelplefth", "webhelpsearch", "webhelpbookmark", "webhelpleft", "webhelptoolbar",
                             "webhelpindex"}) {
        EXPECT_TRUE(QFileInfo::exists(b.out(QLatin1String(name) + QStringLiteral(".html")))) << name;
        EXPECT_FALSE(QFileInfo::exists(b.out(QLatin1String(name) + QStringLiteral(".htm")))) << name;
    }
    const QString frame = b.outText(QStringLiteral("webhelpframe.html"));
    EXPECT_TRUE(frame.contains(QStringLiteral("<a href=\"webhelpframe.html\">f</a><a href=\"x.html#top\">g</a>"
                                              "<a href=\"y.html\">h</a>")));
    EXPECT_TRUE(frame.contains(QStringLiteral("webhelpframe.html|topic0.htm|")));
    EXPECT_TRUE(b.outText(QStringLiteral("webhelpindex.html")).contains(QStringLiteral("href=\"index.html\"")));
    EXPECT_TRUE(b.outText(QStringLiteral("pages/topic0.htm"))
                    .contains(QStringLiteral("\"../index.html?page=topic0.htm\"")));
}

TEST_F(WebHelpWriter, IndexBackgroundAndIconChoices)
{
    b.Project.ShowIndex = false;
    b.Project.WebBackground = 0;
    b.setTopics({{1, "Start"}});
    run();
    for (const QString &name : {QStringLiteral("webhelptop.htm"), QStringLiteral("webhelpindex.htm")}) {
        const QString page = b.outText(name);
        EXPECT_FALSE(page.contains(QStringLiteral("bar"))) << name.toStdString();
        EXPECT_FALSE(page.contains(QStringLiteral("BEGINBAR"))) << name.toStdString();
    }
    const QString top = b.outText(QStringLiteral("webhelptop.htm"));
    EXPECT_TRUE(top.contains(QStringLiteral("|document.write(1)")));
    EXPECT_TRUE(top.contains(QStringLiteral("<body>webhelptop.htm")));
    EXPECT_EQ(readFile(b.out(QStringLiteral("back.jpg"))), QByteArray("zero"));

    b.Project.ShowIndex = true;
    b.Project.WebBackground = -1;
    run();
    EXPECT_FALSE(QFileInfo::exists(b.out(QStringLiteral("back.jpg"))));
    EXPECT_TRUE(b.outText(QStringLiteral("webhelptop.htm")).contains(QStringLiteral("background=\"back.jpg\"")));

    // True-colour icons: their own folder, one pair for every book and page.
    b.Project.RealColorIcon = true;
    b.setTopics({{1, "Book"}, {2, "Page", 0, "", "<p>x</p>", 7}});
    run();
    EXPECT_TRUE(QFileInfo::exists(b.out(QStringLiteral("icons/r.gif"))));
    EXPECT_FALSE(QFileInfo::exists(b.out(QStringLiteral("icons/7.gif"))));
    const QString tree = b.outText(QStringLiteral("webhelplefth.htm"));
    EXPECT_TRUE(tree.contains(QStringLiteral("id=\"img0\" src=\"icons/2.gif\"")));
    EXPECT_TRUE(tree.contains(QStringLiteral("<img src=\"icons/11.gif\"")));
}

TEST_F(WebHelpWriter, TopicListWithoutPagesBuildsAnEmptyHelp)
{
    b.setTopics({});
    run();
    EXPECT_TRUE(defaultPage.isEmpty());
    EXPECT_TRUE(QDir(b.out(QStringLiteral("pages"))).isEmpty());
    EXPECT_TRUE(b.outText(QStringLiteral("webhelpcontents.htm"))
                    .contains(QStringLiteral("|<script>SetEnv(0,false)</script><script>divlist = []</script>|")));
    EXPECT_TRUE(b.outText(QStringLiteral("webhelpindex.htm")).contains(QStringLiteral("<select></select>")));
    EXPECT_EQ(readFile(b.out(QStringLiteral("data.js"))), QByteArray("\xEF\xBB\xBFvar contents = new Array();"));

    b.setTopics({{1, "Book", 2}, {2, "Inner book", 2}});
    run();
    EXPECT_TRUE(defaultPage.isEmpty());
    EXPECT_TRUE(b.outText(QStringLiteral("index.htm")).contains(QStringLiteral("index.htm||")));
}

TEST_F(WebHelpWriter, RefusesToEmptyAFolderHoldingTheUsersFiles)
{
    b.setTopics({{1, "Start"}});
    writeFile(b.path(QStringLiteral("project/help.docx")), "document");
    writeFile(b.path(QStringLiteral("project/notes.txt")), "notes");
    for (const QString &folder : {b.path(QStringLiteral("project/")), b.path(QStringLiteral(""))}) {
        b.Project.WebHelpOutputFolder = folder;
        try {
            run();
            ADD_FAILURE() << "no refusal for " << folder.toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("Refused"))) << e.message().toStdString();
        }
        EXPECT_EQ(readFile(b.path(QStringLiteral("project/help.docx"))), QByteArray("document"));
        EXPECT_EQ(readFile(b.path(QStringLiteral("project/notes.txt"))), QByteArray("notes"));
        EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/pages")));
    }
}

// The writer marks the folder it wrote; the next run empties it only while
// it holds nothing else, unless the user agreed.
TEST_F(WebHelpWriter, EmptiesOnlyAFolderHoldingWhatABuildWroteThere)
{
    b.setTopics({{1, "Start"}, {1, "Tools"}});
    writeFile(b.out(QStringLiteral("passwd")), "root:x:0:0");
    writeFile(b.out(QStringLiteral("conf.d/site.conf")), "mine");
    const auto refusal = [&] { return failure(); };
    const QString first = refusal();
    EXPECT_TRUE(first.startsWith(QStringLiteral("Refused to empty the WebHelp folder \"%1\"").arg(b.out(QString()).chopped(1))))
        << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("\"conf.d\", \"passwd\"")) || first.contains(QStringLiteral("\"passwd\", \"conf.d\"")))
        << first.toStdString();
    EXPECT_EQ(readFile(b.out(QStringLiteral("passwd"))), QByteArray("root:x:0:0"));
    EXPECT_FALSE(QFileInfo::exists(b.out(QStringLiteral("pages"))));

    // Agreed in the window: emptied and written, with a marker listing the pages.
    AllowEmptyingOutputFolder(b.out(QString()));
    EXPECT_EQ(refusal(), QString());
    ForgetAllowedOutputFolders();
    EXPECT_FALSE(QFileInfo::exists(b.out(QStringLiteral("passwd"))));
    const QByteArray marker = readFile(b.out(OutputFolderMarkerName));
    EXPECT_TRUE(marker.contains("\npages/topic0.htm\n")) << marker.toStdString();
    EXPECT_TRUE(ForeignOutputContent(b.out(QString())).isEmpty());

    // Its own output is rebuilt without a question; a file added since is named.
    EXPECT_EQ(refusal(), QString());
    writeFile(b.out(QStringLiteral("pages/notes.txt")), "added");
    EXPECT_EQ(ForeignOutputContent(b.out(QString())), QStringList{QStringLiteral("pages/notes.txt")});
    EXPECT_TRUE(refusal().contains(QStringLiteral("\"pages/notes.txt\"")));
    EXPECT_EQ(readFile(b.out(QStringLiteral("pages/notes.txt"))), QByteArray("added"));
}

TEST_F(WebHelpWriter, BadInputFailsWithTheFileNamed)
{
    b.setTopics({{1, "Start"}});
    QFile::remove(program + QStringLiteral("/webhelp/webhelpsearch.htm"));
    try {
        run();
        ADD_FAILURE() << "a missing skeleton was not reported";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("webhelp/webhelpsearch.htm"))) << e.message().toStdString();
    }

    writeWebhelpData(program);
    QFile::remove(program + QStringLiteral("/webhelp/languages.txt"));
    EXPECT_THROW(run(), Exception);

    writeWebhelpData(program);
    b.Contents.Item(0)->Url = QStringLiteral("..\\..\\escaped.htm");
    EXPECT_THROW(run(), Exception);
    EXPECT_FALSE(QFileInfo::exists(b.path(QStringLiteral("escaped.htm"))));
}

// The list of a build that stopped half-way names what that build wrote and
// nothing else: the next build goes on, and a file added since stays. A list
// of an older build at work (its first line only) vouches for nothing.
TEST_F(WebHelpWriter, AnUnfinishedListVouchesOnlyForWhatItNames)
{
    b.setTopics({{1, "Start"}, {1, "Tools"}});
    writeFile(b.out(QStringLiteral("old.htm")), "old");
    writeFile(b.out(OutputFolderMarkerName), "Quillcraft output folder: a build empties this folder and writes it anew.\n");
    EXPECT_TRUE(failure().contains(QStringLiteral("\"old.htm\""))) << failure().toStdString();
    EXPECT_EQ(readFile(b.out(QStringLiteral("old.htm"))), QByteArray("old"));
    QFile::remove(b.out(QStringLiteral("old.htm")));

    QFile::remove(program + QStringLiteral("/webhelp/webhelpsearch.htm")); // stops the build after the pages
    EXPECT_FALSE(failure().isEmpty());
    ASSERT_TRUE(QFileInfo::exists(b.out(QStringLiteral("pages/topic0.htm"))));
    EXPECT_EQ(ForeignOutputContent(b.out(QString())), QStringList());
    writeFile(b.out(QStringLiteral("mine.txt")), "mine");
    writeWebhelpData(program);
    EXPECT_TRUE(failure().contains(QStringLiteral("\"mine.txt\""))) << failure().toStdString();
    EXPECT_EQ(readFile(b.out(QStringLiteral("mine.txt"))), QByteArray("mine"));
    QFile::remove(b.out(QStringLiteral("mine.txt")));
    EXPECT_EQ(failure(), QString());
}

// A list found in the folder (it may come with a project received from
// someone else) never leads the emptying outside the folder: not by a name
// that climbs out, nor through a link; a link in the list's own place is no
// list.
TEST_F(WebHelpWriter, AListNeverLeadsOutsideTheFolder)
{
    b.setTopics({{1, "Start"}});
    writeFile(b.path(QStringLiteral("outside.txt")), "keep");
    writeFile(b.path(QStringLiteral("elsewhere/topic0.htm")), "keep too");
    QDir().mkpath(b.out(QString()));
    ASSERT_TRUE(QFile::link(b.path(QStringLiteral("outside.txt")), b.out(OutputFolderMarkerName)));
    EXPECT_TRUE(failure().startsWith(QStringLiteral("Refused to empty"))) << failure().toStdString();
    QFile::remove(b.out(OutputFolderMarkerName));

    ASSERT_TRUE(QFile::link(b.path(QStringLiteral("elsewhere")), b.out(QStringLiteral("pages"))));
    writeFile(b.out(OutputFolderMarkerName), "Quillcraft output folder: a build empties this folder and writes it anew.\n"
                                             "writing:\n../\n../outside.txt\n" + b.path(QStringLiteral("outside.txt")).toUtf8()
                                                 + "\npages/\npages/topic0.htm\n");
    EXPECT_EQ(failure(), QString());
    EXPECT_EQ(readFile(b.path(QStringLiteral("outside.txt"))), QByteArray("keep"));
    EXPECT_EQ(readFile(b.path(QStringLiteral("elsewhere/topic0.htm"))), QByteArray("keep too"));
    EXPECT_FALSE(QFileInfo(b.out(QStringLiteral("pages"))).isSymLink());
    EXPECT_TRUE(b.outText(QStringLiteral("pages/topic0.htm")).contains(QStringLiteral("<p>Text</p>")));
}
