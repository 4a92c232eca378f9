// The text passes over Word's HTML: bullets, Flash objects, style sheets,
// section unwrapping, picture links, image maps and link rewriting.
#include "builder/QStringPrinters.h"
#include "builder/WordDoc.h"
#include "platform/DocxBuilder.h"
#include "platform/word/HtmlExport.h"
#include "platform/word/Package.h"
#include "foundation/IsolatedUser.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

class PageRewrite : public ::testing::Test {
protected:
    IsolatedUser user;
    TProject project;
    TWordDoc doc{&project, nullptr, QString(), nullptr, 2};

    void SetUp() override
    {
        project.RootDir = user.work(QStringLiteral("project")) + u'/';
        doc.tempDir = user.work(QStringLiteral("scratch")) + u'/';
        QDir().mkpath(project.RootDir);
        QDir().mkpath(doc.tempDir);
    }
};

TEST(WebHelpBullets, WingdingsBulletsBecomeUnicodeCharacters)
{
    // A known bullet loses the font; an unknown one keeps it and gets a dot.
    EXPECT_EQ(TWordDoc::FixWordBulletForWebHelp(S("<p><span style='font-family:Wingdings'>l<span>x</span></span>A</p>")),
              S("<p><span style=''>&#9679<span>x</span></span>A</p>"));
    EXPECT_EQ(TWordDoc::FixWordBulletForWebHelp(S("<span style='font-family:Wingdings;color:red'>z</span>")),
              S("<span style='font-family:Wingdings;color:red'>&#8226</span>"));
    EXPECT_EQ(TWordDoc::FixWordBulletForWebHelp(S("<span\r\nstyle='font-family:Wingdings;color:red'>\u00a7</span>")),
              S("<span\r\nstyle='color:red'>&#9642</span>"));
    EXPECT_EQ(TWordDoc::FixWordBulletForWebHelp(S("<b>\u00b7</b>")), S("<b>&#8226</b>"));
    // Longer text and other fonts stay as written.
    const QString other = S("<span style='font-family:Wingdings'>ab</span><span style='font-family:Symbol'>l</span>");
    EXPECT_EQ(TWordDoc::FixWordBulletForWebHelp(other), other);
}

// The converter's own page: Symbol and Wingdings signs are Unicode
// characters, and the Wingdings spans of list labels (unquoted font name)
// and of runs (quoted) both reach the WebHelp fix, which leaves the signs.
TEST(WebHelpBullets, WriterPagesKeepTheirSignsThroughTheFix)
{
    testsupport::ScratchDir dir;
    const QString docx = dir.file(QStringLiteral("signs.docx"));
    const QByteArray bullet = "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/>"
                              "<w:lvlText w:val=\"\xEF\x81\xAC\"/><w:rPr><w:rFonts w:ascii=\"Wingdings\" "
                              "w:hAnsi=\"Wingdings\"/></w:rPr></w:lvl></w:abstractNum>"
                              "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>";
    testsupport::DocxBuilder()
        .part(QStringLiteral("word/numbering.xml"),
              "<w:numbering " + testsupport::DocxBuilder::namespaces() + ">" + bullet + "</w:numbering>",
              QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"))
        .relationship(QStringLiteral("rIdNum"), QLatin1String(word::reltype::Numbering), QStringLiteral("numbering.xml"))
        .body("<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
              "<w:r><w:t>Item</w:t></w:r></w:p>"
              "<w:p><w:r><w:rPr><w:rFonts w:ascii=\"Wingdings\" w:hAnsi=\"Wingdings\"/></w:rPr>"
              "<w:t>\xEF\x83\xBC</w:t></w:r><w:r><w:t xml:space=\"preserve\"> done </w:t></w:r>"
              "<w:r><w:rPr><w:rFonts w:ascii=\"Wingdings\" w:hAnsi=\"Wingdings\"/></w:rPr><w:t>\xEF\x80\xA8</w:t></w:r>"
              "</w:p>")
        .write(docx);
    const QString page = dir.file(QStringLiteral("signs.htm"));
    word::ExportFilteredHtml(*word::Package::Open(docx), word::HtmlExportOptions(), page);
    const QString html = QString::fromUtf8(readFile(page));
    ASSERT_TRUE(html.contains(u"font-family:\"Wingdings\"")) << "runs name their font quoted";
    ASSERT_TRUE(html.contains(u"font-family:Wingdings'")) << "list labels name it plainly";
    const QString fixed = TWordDoc::FixWordBulletForWebHelp(html);
    EXPECT_FALSE(fixed.contains(u"Wingdings")) << fixed.toStdString();
    // The label's bullet, the check mark and the telephone, none turned into a dot.
    EXPECT_TRUE(fixed.contains(S("\u25CF<span"))) << fixed.toStdString();
    EXPECT_TRUE(fixed.contains(S("'>\u2713</span>"))) << fixed.toStdString();
    EXPECT_TRUE(fixed.contains(S("'>\u260E</span>"))) << fixed.toStdString();
    EXPECT_FALSE(fixed.contains(u"&#8226"));
}

TEST_F(PageRewrite, BulletFixRunsForWebHelpOnly)
{
    const QString page = S("<span style='font-family:Wingdings'>l</span>");
    doc.OutputType = 1;
    EXPECT_EQ(doc.ProcessSource(page), page);
    doc.OutputType = 2;
    EXPECT_NE(doc.ProcessSource(page), page);
}

TEST_F(PageRewrite, FlashMarkersBecomeObjectsAndMoviesTravel)
{
    writeFile(project.RootDir + QStringLiteral("media/intro.swf"), "FWS");
    writeFile(user.work(QStringLiteral("outside.swf")), "FWS");
    doc.OLEObjs.Add({S("Movie=media\\intro.swf"), S("Playing=False"), S("Loop=True"), S("Quality=1"),
                     S("Quality2=High"), S("WMode=Window"), S("Height=100"), S("Width=200")});
    doc.OLEObjs.Add({S("Movie=../outside.swf"), S("Playing=True"), S("Height=1"), S("Width=2"),
                     S("FlashVars=a=\"1\"><script>")});
    doc.Source = S("<p>~$!!Flash:(0)</p><p>~$!!FLASH:(1)</p>");
    doc.ProcessOLEObj();
    EXPECT_TRUE(doc.Source.contains(S("data=\"media/intro.swf\" width=\"200\" height=\"100\"")));
    EXPECT_TRUE(doc.Source.contains(S("<param name=\"Play\" value=\"false\">")));
    EXPECT_FALSE(doc.Source.contains(S("name=\"Loop\"")));
    EXPECT_TRUE(doc.Source.contains(S("<param name=\"Quality\" value=\"High\">")));
    EXPECT_TRUE(doc.Source.contains(S("<param name=\"WMode\" value=\"Window\">")));
    EXPECT_EQ(doc.Source.count(S("<param name=\"Play\"")), 1);
    // A quote in a value does not end its attribute.
    EXPECT_TRUE(doc.Source.contains(S("<param name=\"FlashVars\" value=\"a=&quot;1&quot;><script>\">")));
    EXPECT_FALSE(doc.Source.contains(S("Flash:(")));
    // A movie path leading out of the folder names a page beside the pages,
    // but a movie outside the project's and the document's folders is not
    // copied into the help: it is reported by name.
    EXPECT_TRUE(doc.Source.contains(S("data=\"outside.swf\"")));
    EXPECT_TRUE(QFileInfo::exists(doc.tempDir + S("media/intro.swf")));
    EXPECT_FALSE(QFileInfo::exists(doc.tempDir + S("outside.swf")));
    EXPECT_EQ(doc.AttachedFiles, QStringList({S("media/intro.swf")}));
    ASSERT_EQ(doc.Notes.size(), 1);
    EXPECT_TRUE(doc.Notes[0].contains(user.work(QStringLiteral("outside.swf"))));
}

TEST_F(PageRewrite, StyleBlocksMoveIntoStyleSheets)
{
    const QString head = S("<head><STYLE>\r\n<!--\r\n p.MsoNormal, li.MsoNormal, div.MsoNormal\r\n\t{margin:0}\r\n-->\r\n</STYLE>"
                           "<title>t</title><style type=\"text/css\" media=print>h1{color:red}</style>"
                           "<style><!-- --></style></head><body>");
    const QString result = doc.StyleToFile(head, doc.tempDir);
    EXPECT_EQ(result, S("<head><link href=\"doc_style.css\" rel=\"stylesheet\" type=\"text/css\">"
                        "<title>t</title><link href=\"doc_style1.css\" rel=\"stylesheet\" type=\"text/css\" media=print>"
                        "</head><body>"));
    const QString css = QString::fromUtf8(readFile(doc.tempDir + S("doc_style.css")));
    EXPECT_TRUE(css.contains(S("div.MsoNormal, p.MsoNormalCxSpFirst,")));
    EXPECT_TRUE(css.contains(S("div.MsoNormalCxSpLast")));
    EXPECT_FALSE(css.contains(S("<!--")));
    EXPECT_EQ(QString::fromUtf8(readFile(doc.tempDir + S("doc_style1.css"))), S("h1{color:red}"));
    EXPECT_EQ(doc.AttachedFiles, QStringList({S("doc_style.css"), S("doc_style1.css")}));
    // An unclosed block leaves the head as it was.
    const QString open = S("<head><style>p{}</head>");
    EXPECT_EQ(doc.StyleToFile(open, doc.tempDir), open);
}

TEST_F(PageRewrite, ContainersAroundHeadingsAreUnwrapped)
{
    doc.Body = S("<div class=WordSection1><table border=1><tr><td><h2>`~#$2In a cell</h2><br></td>"
                 "<td><p>Text</p></td></tr></table><table><tr><td><p>Plain</p></td></tr></table></span>"
                 "<p>`~#$1 Para<b>bold</b></p></div><img src=x>");
    doc.RemoveSections();
    EXPECT_EQ(doc.Body, S("<h2>`~#$2In a cell</h2><br><td><p>Text</p></td><table><tr><td><p>Plain</p></td></tr></table>"
                          "<p>`~#$1 Para<b>bold</b></p><img src=x>"));
}

TEST(ShapeAltText, MarkersSplitIntoDescriptionLinkAndMap)
{
    TShapeAltText a = ParseShapeAltText(S("Logo`@#^#Intro;_blank;Tip"));
    EXPECT_EQ(a.Description, S("Logo"));
    EXPECT_EQ(a.Address, S("#Intro"));
    EXPECT_EQ(a.Target, S("_blank"));
    EXPECT_EQ(a.Title, S("Logo"));
    a = ParseShapeAltText(S("Description: `@#^http://x.org;;Tip"));
    EXPECT_EQ(a.Description, S("Tip"));
    EXPECT_EQ(a.Address, S("http://x.org"));
    a = ParseShapeAltText(S("Canvas`$#!(3)"));
    EXPECT_EQ(a.Description, S("Canvas"));
    EXPECT_EQ(a.MapNumber, S("3"));
    a = ParseShapeAltText(S("Plain"));
    EXPECT_EQ(a.Title, S("Plain"));
    EXPECT_TRUE(a.Address.isEmpty());
}

TEST_F(PageRewrite, PicturesGetTheirLinksAndMapsBack)
{
    doc.MapCodes << S("<map name=\"WordMap0\">\r\n<area href=\"#a\">\r\n</map>\r\n");
    const QString out = doc.ChangeShapeLink(
        S("<p><img width=10 src=\"a.png\" alt=\"Logo`@#^#Intro;;\"></p>"
          "<p><IMG src='c.png' alt='Canvas`$#!(0)' border=2></p>"
          "<a href=\"x.htm\"><img src=\"b.png\" alt=\"B`@#^x.htm;;\"></a><img src=d.png alt=Plain>"));
    EXPECT_EQ(out, S("<p><a href=\"#Intro\" title=\"Logo\"><img width=10 src=\"a.png\" alt=\"Logo\" title=\"Logo\" border=\"0\"></a></p>"
                     "<p><map name=\"WordMap0\">\r\n<area href=\"#a\">\r\n</map>\r\n<IMG src='c.png' alt='Canvas' title=\"\" border=2 usemap=\"#WordMap0\"></p>"
                     "<a href=\"x.htm\"><img src=\"b.png\" alt=\"B\" title=\"B\" border=\"0\"></a><img src=d.png alt=Plain title=\"Plain\" border=\"0\">"));
}

TEST_F(PageRewrite, ExternalLinksFollowTheOutput)
{
    writeFile(project.RootDir + S("manual.pdf"), "%PDF");
    doc.OutputType = 1;
    const QString chm = doc.ChangeUrls(S("<a href=\"External:manual.pdf\">m</a>"));
    EXPECT_TRUE(chm.startsWith(S("<a href=\"javascript:location.href='file:///'+"))) << chm.toStdString();
    EXPECT_TRUE(chm.endsWith(S("'manual.pdf';\">m</a>"))) << chm.toStdString();
    EXPECT_TRUE(doc.AttachedFiles.isEmpty());
    doc.OutputType = 2;
    EXPECT_EQ(doc.ChangeUrls(S("<a href=\"External:manual.pdf\">m</a>")), S("<a href=\"manual.pdf\">m</a>"));
    EXPECT_EQ(readFile(doc.tempDir + S("manual.pdf")), QByteArray("%PDF"));
    EXPECT_EQ(doc.AttachedFiles, QStringList({S("manual.pdf")}));
}

TEST_F(PageRewrite, LocalFilesAreCopiedAndLinkedByTheNameTheyGot)
{
    writeFile(project.RootDir + S("docs/Guide.pdf"), "guide");
    writeFile(project.RootDir + S("a.txt"), "root a");
    // The document's own folder is the other place files are taken from.
    doc.FileName = user.work(S("document/~~$manual.docx"));
    writeFile(user.work(S("document/a.txt")), "other a");
    const QString other = user.work(S("document/a.txt"));
    const QString out = doc.ChangeUrls(
        S("<a href=\"docs/Guide.pdf\">1</a><a href=\"a.txt\">2</a><a href=\"file:///") + other.mid(1) +
        S("\">3</a><a href=\"file:///") + other.mid(1) + S("\">4</a><A HREF=docs/guide.pdf>5</A>"
          "<a href=\"missing.doc\">6</a><a href=\"http://example.org/a\">7</a><a href=\"mailto:x@y\">8</a>"
          "<a href=\"../../docs/Guide.pdf\">9</a>"));
    EXPECT_EQ(out, S("<a href=\"docs/Guide.pdf\">1</a><a href=\"a.txt\">2</a><a href=\"a1.txt\">3</a>"
                     "<a href=\"a1.txt\">4</a><A HREF=\"docs/Guide.pdf\">5</A><a href=\"missing.doc\">6</a>"
                     "<a href=\"http://example.org/a\">7</a><a href=\"mailto:x@y\">8</a><a href=\"docs/Guide.pdf\">9</a>"));
    EXPECT_EQ(readFile(doc.tempDir + S("docs/Guide.pdf")), QByteArray("guide"));
    EXPECT_EQ(readFile(doc.tempDir + S("a.txt")), QByteArray("root a"));
    EXPECT_EQ(readFile(doc.tempDir + S("a1.txt")), QByteArray("other a"));
    EXPECT_EQ(doc.AttachedFiles, QStringList({S("a.txt"), S("a1.txt"), S("docs/Guide.pdf")}));
    EXPECT_EQ(doc.ExternalFiles.size(), 3);

    // The output writers copy what the pages need.
    const QString out2 = user.work(S("out")) + u'/';
    doc.CopyAttachedFiles(out2);
    EXPECT_EQ(readFile(out2 + S("docs/Guide.pdf")), QByteArray("guide"));
    EXPECT_EQ(readFile(out2 + S("a1.txt")), QByteArray("other a"));
}

// Links that reach files outside the document's and the project's folders,
// by path, by "../" or through a symbolic link, copy nothing into the help;
// nor does a folder beside them whose name begins like theirs.
TEST_F(PageRewrite, FilesOutsideTheDocumentAndProjectStayPlainLinks)
{
    doc.FileName = user.work(S("document/~~$manual.docx"));
    writeFile(user.work(S("secret/shadow")), "secret");
    writeFile(user.work(S("secret/hostname")), "host");
    writeFile(project.RootDir + S("inside.txt"), "inside");
    ASSERT_TRUE(QFile::link(user.work(S("secret/hostname")), project.RootDir + S("alias.txt")));
    const QString shadow = user.work(S("secret/shadow"));
    const QString sibling = user.work(S("project-private/x.txt"));
    writeFile(sibling, "private");
    for (int type : {1, 2}) {
        doc.OutputType = type;
        const QString in = S("<a href=\"file:///") + shadow.mid(1) + S("\">1</a><a href=\"../../../secret/hostname\">2</a>"
                                                                      "<a href=\"alias.txt\">3</a><a href=\"inside.txt\">4</a>"
                                                                      "<a href=\"../project-private/x.txt\">5</a><a href=\"file:///")
                         + sibling.mid(1) + S("\">6</a>");
        EXPECT_EQ(doc.ChangeUrls(in), S("<a href=\"file:///") + shadow.mid(1) + S("\">1</a><a href=\"../../../secret/hostname\">2</a>"
                                                                              "<a href=\"alias.txt\">3</a><a href=\"inside.txt\">4</a>"
                                                                              "<a href=\"../project-private/x.txt\">5</a><a href=\"file:///")
                                          + sibling.mid(1) + S("\">6</a>"));
    }
    doc.OutputType = 2;
    EXPECT_EQ(doc.ChangeUrls(S("<a href=\"External:../secret/shadow\">x</a>")), S("<a href=\"External:../secret/shadow\">x</a>"));
    EXPECT_EQ(doc.AttachedFiles, QStringList({S("inside.txt")}));
    EXPECT_FALSE(QFileInfo::exists(doc.tempDir + S("shadow")));
    EXPECT_FALSE(QFileInfo::exists(doc.tempDir + S("hostname")));
    EXPECT_FALSE(QFileInfo::exists(doc.tempDir + S("alias.txt")));
    EXPECT_FALSE(QFileInfo::exists(doc.tempDir + S("x.txt")));
    // Each refused file is reported once, by name.
    ASSERT_EQ(doc.Notes.size(), 4) << doc.Notes.join(u'\n').toStdString();
    EXPECT_TRUE(doc.Notes[0].contains(shadow));
    EXPECT_TRUE(doc.Notes[1].contains(user.work(S("secret/hostname"))));
    EXPECT_TRUE(doc.Notes[2].contains(project.RootDir + S("alias.txt")));
    EXPECT_TRUE(doc.Notes[3].contains(sibling));
}

// Script and data links keep their text and lose the link, however they
// are spelt; other links and the rest of the tag stay.
TEST_F(PageRewrite, ScriptLinksLoseTheLinkButKeepTheText)
{
    for (int type : {1, 2}) {
        doc.OutputType = type;
        EXPECT_EQ(doc.ChangeUrls(S("<a href=\"javascript:alert(1)\">a</a><a class=x HREF='VBScript:msgbox' title=t>b</a>"
                                   "<a href=\" &#x6A;ava&#115;cript&#58;x\">c</a><a href=\"java&Tab;script&colon;x\">d</a>"
                                   "<a href=data:text/html;base64,PHNjcmlwdD4=>e</a><area href=\"javascript:x\" shape=rect>"
                                   "<a href=\"http://example.org/javascript:x\">f</a><a href=\"data.htm\">g</a>")),
                  S("<a>a</a><a class=x title=t>b</a><a>c</a><a>d</a><a>e</a><area shape=rect>"
                    "<a href=\"http://example.org/javascript:x\">f</a><a href=\"data.htm\">g</a>"));
    }
}

// The HTML Help link to a file beside the help file carries its name as a
// script string inside an attribute: quotes and backslashes stay text.
TEST_F(PageRewrite, ExternalHelpLinksAreEscaped)
{
    doc.OutputType = 1;
    const QString out = doc.ChangeUrls(S("<a href=\"External:it's &amp; \\x&#39;;alert(1);//&quot;.pdf\">m</a>"));
    const QString prefix = S("<a href=\"javascript:location.href='file:///'+");
    ASSERT_TRUE(out.startsWith(prefix)) << out.toStdString();
    EXPECT_TRUE(out.endsWith(S("+ 'it\\u0027s \\u0026 \\u005cx\\u0027\\u003balert\\u00281\\u0029\\u003b//\\u0022.pdf';\">m</a>")))
        << out.toStdString();
}

TEST_F(PageRewrite, NamedAnchorsBecomeBookmarkEntries)
{
    doc.GetBookmarksForHeadings(S("<h1><a name=\"_Toc1\">x</a></h1>"), S("a.htm"), true);
    doc.GetBookmarksForHeadings(S("<p><A NAME='Mixed'></A><a name=bare>x</a><a href=\"#x\">y</a></p>"), S("b.htm"), false);
    EXPECT_EQ(doc.BookmarkAndUrls, QStringList({S("#_toc1=a.htm"), S("#bare=b.htm#bare"), S("#mixed=b.htm#Mixed")}));
    EXPECT_EQ(doc.BookmarkTarget(S("#MIXED")), S("b.htm#Mixed"));
    EXPECT_TRUE(doc.BookmarkTarget(S("#x")).isEmpty());
}

TEST(PropertyFields, CodeTextsGiveTheHeadingSettings)
{
    THeadingProperty p = ParsePropertyField(S(" Id=120;FileName=intro;StaticVar=INTRO_TOPIC;Omit=false "));
    EXPECT_EQ(p.Id, S("120"));
    EXPECT_EQ(p.FileName, S("intro"));
    EXPECT_EQ(p.StaticVar, S("INTRO_TOPIC"));
    EXPECT_FALSE(p.Omit);
    EXPECT_TRUE(ParsePropertyField(S("omit=TRUE")).Omit);
    EXPECT_FALSE(ParsePropertyField(S("Omit=yes")).Omit);
    p = ParsePropertyField(S("\"FileName=my page\" id=5"));
    EXPECT_EQ(p.FileName, S("my page"));
    EXPECT_EQ(p.Id, S("5"));
    EXPECT_TRUE(ParsePropertyField(S("")).Id.isEmpty());
}

TEST(FieldCodes, IndexEntriesAndCrossReferences)
{
    EXPECT_EQ(IndexEntryKeyword(S(" XE \"Printing:Paper\" ")), S("Printing/Paper"));
    EXPECT_TRUE(IndexEntryKeyword(S(" XE Printing")).isEmpty());
    EXPECT_EQ(CrossReferenceBookmark(S(" REF  _Ref12345 \\h ")), S("_Ref12345"));
    EXPECT_EQ(CrossReferenceBookmark(S("ref Intro \\h")), S("Intro"));
    EXPECT_TRUE(CrossReferenceBookmark(S(" REF _Ref12345 ")).isEmpty());
    EXPECT_TRUE(CrossReferenceBookmark(S(" PAGEREF _Ref1 \\h")).isEmpty());
}

} // namespace
