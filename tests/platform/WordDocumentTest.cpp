#include "platform/word/DocxWriter.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Story.h"
#include "platform/WordTestDocs.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace word;
using testsupport::DocxBuilder;
using testsupport::openBuilt;
using testsupport::para;
using testsupport::ScratchDir;

namespace {

QStringList paragraphTexts(Document *doc)
{
    QStringList out;
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        out << p.Range().Text();
    return out;
}

} // namespace

TEST(WordDocument, ApplicationBasics)
{
    Application app;
    EXPECT_EQ(app.Version(), "16.0");
    Document *doc = app.Documents().Add();
    EXPECT_EQ(app.Documents().Count(), 1);
    EXPECT_EQ(doc->Paragraphs().Count(), 1);
    EXPECT_EQ(doc->Content().Text(), "\r");
    EXPECT_EQ(doc->WebOptions().FolderSuffix(), "_files");
    for (int n = 1; n <= 9; ++n) {
        const QString id = doc->styles().builtInId(wdStyleHeading1 - n + 1);
        ASSERT_FALSE(id.isEmpty());
        EXPECT_EQ(doc->styles().outlineLevel(id), n);
    }
    EXPECT_FALSE(doc->styles().builtInId(wdStyleHyperlink).isEmpty());
    EXPECT_THROW(doc->Paragraphs().Item(2), Exception);
    EXPECT_THROW(doc->SaveAs("/tmp/x.rtf", 6), Exception);
    doc->Close(wdDoNotSaveChanges);
    EXPECT_EQ(app.Documents().Count(), 0);
}

// The heading walk of the conversion: markers before paragraphs with outline
// levels, found through direct formatting, styles, tables and content controls.
TEST(WordDocument, HeadingMarkersAtOutlineLevelsTwoAndFive)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder().styles(DocxBuilder::defaultStyles()
                             + "<w:style w:type=\"paragraph\" w:styleId=\"Chap\"><w:name w:val=\"Chapter\"/>"
                               "<w:pPr><w:outlineLvl w:val=\"4\"/></w:pPr></w:style>")
            .body(para("Preface") + para("Second", "<w:outlineLvl w:val=\"1\"/>")
                  + "<w:tbl><w:tr><w:tc>" + para("Cell body") + "<w:sdt><w:sdtContent>"
                  + "<w:p><w:pPr><w:pStyle w:val=\"Chap\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>Fifth</w:t></w:r></w:p>"
                  + "</w:sdtContent></w:sdt></w:tc></w:tr></w:tbl>" + para("Tail")));
    QList<int> levels;
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next()) {
        levels << p.OutlineLevel();
        if (p.OutlineLevel() < 10)
            p.Range().InsertBefore(QStringLiteral("`~#$") + QString::number(p.OutlineLevel()));
    }
    EXPECT_EQ(levels, (QList<int>{10, 2, 10, 5, 10}));
    EXPECT_EQ(paragraphTexts(doc),
              (QStringList{"Preface\r", "`~#$2Second\r", "Cell body\r", "`~#$5Fifth\r", "Tail\r"}));
    // The marker takes the formatting of the text it stands before.
    const pugi::xml_node fifth = doc->Paragraphs().Item(4).node();
    EXPECT_TRUE(fifth.child("w:r").child("w:rPr").child("w:b"));

    doc->SaveAs(dir.file("out.docx"), wdFormatXMLDocument);
    Document *again = app.Documents().Open(dir.file("out.docx"));
    EXPECT_EQ(paragraphTexts(again)[3], "`~#$5Fifth\r");
}

TEST(WordDocument, RangesInsertSplitAndStyle)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(app, dir, DocxBuilder().body(
        "<w:p><w:r><w:t>Hello </w:t></w:r><w:hyperlink r:id=\"x\"><w:r><w:t>world</w:t></w:r></w:hyperlink></w:p>"
        + para("Next")));
    Range r = doc->Paragraphs().Item(1).Range();
    EXPECT_EQ(r.Start(), 0);
    EXPECT_EQ(r.End(), 12);
    EXPECT_EQ(doc->Paragraphs().Item(2).Range().Start(), 12);
    // A line break inside inserted text starts a paragraph.
    r.InsertAfter(QStringLiteral("one\r\ntwo\nthree\tend"));
    EXPECT_EQ(paragraphTexts(doc), (QStringList{"Hello world\r", "one\r", "two\r", "three\tendNext\r"}));
    EXPECT_EQ(r.Text(), "Hello world\rone\rtwo\rthree\tend");
    // Splitting inside a hyperlink keeps both halves linked.
    Range mid(doc, doc->Paragraphs().Item(1).node(), 8, doc->Paragraphs().Item(1).node(), 8);
    mid.InsertAfter(QStringLiteral("\n"));
    EXPECT_EQ(paragraphTexts(doc).mid(0, 2), (QStringList{"Hello wo\r", "rld\r"}));
    EXPECT_TRUE(doc->Paragraphs().Item(2).node().child("w:hyperlink"));
    // A character style on part of a run splits the run.
    Range part(doc, doc->Paragraphs().Item(1).node(), 2, doc->Paragraphs().Item(1).node(), 4);
    part.setStyle(wdStyleHyperlink);
    int styled = 0;
    for (pugi::xpath_node n : doc->Paragraphs().Item(1).node().select_nodes(".//w:r[w:rPr/w:rStyle]")) {
        EXPECT_STREQ(n.node().child("w:t").text().get(), "ll");
        ++styled;
    }
    EXPECT_EQ(styled, 1);
    EXPECT_EQ(doc->Paragraphs().Item(1).Range().Text(), "Hello wo\r");
    EXPECT_THROW(part.setStyle(QStringLiteral("No such style")), Exception);
}

// A new document from an outline: headings by depth, placeholders under
// headings without sub-headings, saved and read back.
TEST(WordDocument, OutlineDocumentIsBuiltSavedAndReadBack)
{
    ScratchDir dir;
    Application app;
    Document *doc = app.Documents().Add();
    Range r = doc->Content();
    int previous = -1;
    const QList<QPair<int, QString>> lines{{0, "Intro"}, {1, "Setup"}, {1, "Options"}, {0, "Reference"}};
    for (const auto &line : lines) {
        if (previous >= 0 && line.first <= previous) {
            r.Collapse(wdCollapseEnd);
            r.InsertAfter(QStringLiteral("Enter your content...\r\n"));
        }
        r.Collapse(wdCollapseEnd);
        r.InsertAfter(line.second + QStringLiteral("\r\n"));
        r.setStyle(-2 - line.first);
        previous = line.first;
    }
    r.Collapse(wdCollapseEnd);
    r.InsertAfter(QStringLiteral("Enter your content..."));
    doc->SaveAs(dir.file("outline.DOCX"), wdFormatXMLDocument);

    Document *back = app.Documents().Open(dir.file("outline.DOCX"));
    QStringList got;
    for (Paragraph p = back->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        got << QString::number(p.OutlineLevel()) + ":" + p.Range().Text().chopped(1);
    EXPECT_EQ(got, (QStringList{"1:Intro", "2:Setup", "10:Enter your content...", "2:Options",
                                "10:Enter your content...", "1:Reference", "10:Enter your content..."}));
    EXPECT_EQ(back->Paragraphs().Item(1).Range().Style().toLower(), "heading 1");
    EXPECT_EQ(back->Paragraphs().Item(3).Range().Style(), "Normal");

    // Reading the heading tree back: first heading, then next until the
    // position stops moving.
    Range c = back->Paragraphs().Item(1).Range().GoTo(wdGoToHeading, wdGoToFirst);
    QStringList tree;
    int last = -1;
    while (c.Start() != last) {
        last = c.Start();
        c.Expand(wdParagraph);
        tree << QString::number(c.ParagraphFormat().OutlineLevel()) + ":" + c.Text();
        c = c.GoTo(wdGoToHeading, wdGoToNext);
    }
    EXPECT_EQ(tree, (QStringList{"1:Intro\r", "2:Setup\r", "2:Options\r", "1:Reference\r"}));
    Range lastHeading = c.GoTo(wdGoToHeading, wdGoToLast);
    EXPECT_EQ(lastHeading.Start(), last);
    Range before = lastHeading.GoTo(wdGoToHeading, wdGoToPrevious);
    before.Expand(wdParagraph);
    EXPECT_EQ(before.Text(), "Options\r");
    EXPECT_EQ(back->Paragraphs().Item(1).Range().GoTo(wdGoToHeading, wdGoToPrevious).Start(), 0);
}

TEST(WordDocument, EmptyOutlineAndDocumentWithoutHeadings)
{
    Application app;
    Document *doc = app.Documents().Add();
    EXPECT_EQ(doc->Content().Text(), "\r");
    doc->Content().InsertAfter(QStringLiteral("Plain"));
    const Range first = doc->Paragraphs().Item(1).Range().GoTo(wdGoToHeading, wdGoToFirst);
    EXPECT_GT(first.ParagraphFormat().OutlineLevel(), 9);
    EXPECT_EQ(doc->Content().Text(), "Plain\r");
}

// A ruby run's text is its base text; the reading is not part of it.
TEST(WordDocument, RubyBaseTextIsTheParagraphsText)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(app, dir, DocxBuilder().body("<w:p><w:r><w:t xml:space=\"preserve\">Capital: </w:t></w:r><w:r><w:ruby>"
           "<w:rubyPr><w:rubyAlign w:val=\"distributeSpace\"/><w:hps w:val=\"10\"/><w:hpsRaise w:val=\"18\"/>"
           "<w:hpsBaseText w:val=\"21\"/><w:lid w:val=\"ja-JP\"/></w:rubyPr>"
           "<w:rt><w:r><w:rPr><w:sz w:val=\"10\"/></w:rPr><w:t>\xE3\x81\xA8\xE3\x81\x86\xE3\x81\x8D\xE3\x82\x87\xE3\x81\x86</w:t></w:r></w:rt>"
           "<w:rubyBase><w:r><w:t>\xE6\x9D\xB1\xE4\xBA\xAC</w:t></w:r></w:rubyBase></w:ruby></w:r>"
           "<w:r><w:t>.</w:t></w:r></w:p>"));
    EXPECT_EQ(paragraphTexts(doc), QStringList{QString::fromUtf8("Capital: 東京.\r")});
}

TEST(WordDocument, ReadOnlyComesFromThePermissionBits)
{
    ScratchDir dir;
    Application app;
    DocxBuilder().body(para("x")).write(dir.file("ro.docx"));
    QFile::setPermissions(dir.file("ro.docx"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    EXPECT_TRUE(app.Documents().Open(dir.file("ro.docx"))->ReadOnly());
    QFile::setPermissions(dir.file("ro.docx"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(app.Documents().Open(dir.file("ro.docx"))->ReadOnly());
}

// An empty file is named as empty whatever its extension, before any conversion.
TEST(WordDocument, EmptyFilesAreReportedAsEmpty)
{
    ScratchDir dir;
    Application app;
    for (const char *name : {"empty.doc", "empty.docx"}) {
        SCOPED_TRACE(name);
        testsupport::writeFile(dir.file(name), QByteArray());
        try {
            app.Documents().Open(dir.file(name));
            ADD_FAILURE() << "an empty file opened";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(name)) << e.what();
            EXPECT_TRUE(e.message().contains("empty")) << e.what();
        }
    }
}

// A document protected by a password is refused with that reason, the
// binary format's as well as the zip package's.
TEST(WordDocument, PasswordProtectedWordBinaryIsRefusedWithTheReason)
{
    ScratchDir dir;
    QByteArray bytes(2048, '\0');
    bytes.replace(0, 8, QByteArray::fromHex("d0cf11e0a1b11ae1"));
    bytes[30] = 9;                                          // 512-byte sectors
    bytes.replace(512, 4, QByteArray::fromHex("eca5c100")); // file information block, version 0xC1
    bytes[512 + 11] = 0x01;                                 // fEncrypted
    testsupport::writeFile(dir.file("locked.doc"), bytes);
    Application app;
    try {
        app.Documents().Open(dir.file("locked.doc"));
        ADD_FAILURE() << "a protected document opened";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains("locked.doc")) << e.what();
        EXPECT_TRUE(e.message().contains("protected by a password")) << e.what();
    }
}

// Every document that is not a zip package goes to LibreOffice, whatever its
// first bytes: it reads formats older than Word 97 too.
TEST(WordDocument, DocumentsThatAreNotZipPackagesGoToLibreOffice)
{
    if (!lo::IsAvailable())
        GTEST_SKIP() << "soffice is not installed";
    ScratchDir dir;
    testsupport::writeFile(dir.file("old.doc"), "Text kept by an old word processor.\n");
    Application app;
    Document *doc = app.Documents().Open(dir.file("old.doc"));
    EXPECT_TRUE(paragraphTexts(doc).join(u' ').contains(QStringLiteral("Text kept by an old word processor.")));
}

TEST(WordDocument, FinalIsReadAndCleared)
{
    ScratchDir dir;
    Application app;
    Document *doc = app.Documents().Add();
    EXPECT_FALSE(doc->Final());
    doc->setFinal(true);
    doc->SaveAs(dir.file("final.docx"), wdFormatXMLDocument);
    Document *back = app.Documents().Open(dir.file("final.docx"));
    EXPECT_TRUE(back->Final());
    back->setFinal(false);
    back->SaveAs(dir.file("final2.docx"), wdFormatXMLDocument);
    EXPECT_FALSE(app.Documents().Open(dir.file("final2.docx"))->Final());
}

TEST(WordDocument, MasterDocumentTakesInItsSubdocuments)
{
    ScratchDir dir;
    Application app;
    DocxBuilder()
        .styles(DocxBuilder::defaultStyles()
                + "<w:style w:type=\"paragraph\" w:styleId=\"SubStyle\"><w:name w:val=\"Sub style\"/>"
                  "<w:basedOn w:val=\"Normal\"/></w:style>")
        .body(para("Chapter", "<w:pStyle w:val=\"Heading1\"/>")
              + "<w:p><w:pPr><w:pStyle w:val=\"SubStyle\"/></w:pPr><w:r><w:drawing><wp:inline><wp:extent cx=\"1\" "
                "cy=\"1\"/><wp:docPr id=\"1\" name=\"p\"/><a:graphic><a:graphicData uri=\"http://schemas."
                "openxmlformats.org/drawingml/2006/picture\"><pic:pic><pic:blipFill><a:blip r:embed=\"rImg\"/>"
                "</pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>")
        .relationship("rImg", reltype::Image, "media/image1.png")
        .part("word/media/image1.png", "PNGDATA")
        .write(dir.file("sub folder/chapter 1.docx"));
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder()
            .body(para("Master") + "<w:p><w:subDoc r:id=\"rSub\"/></w:p>" + para("End"))
            .relationship("rSub", reltype::SubDocument, "sub%20folder/chapter%201.docx", true)
            .part("word/media/image1.png", "MASTERPNG"),
        "master.docx");
    EXPECT_TRUE(doc->IsMasterDocument());
    EXPECT_EQ(doc->Subdocuments().Count(), 1);
    doc->Subdocuments().setExpanded(true);
    doc->Subdocuments().Delete();
    QStringList texts = paragraphTexts(doc);
    EXPECT_EQ(texts, (QStringList{"Master\r", "Chapter\r", "\x01\r", "End\r"}));
    EXPECT_EQ(doc->Paragraphs().Item(2).OutlineLevel(), 1);
    // The picture came along under a name of its own; the style too.
    const InlineShape pic = doc->InlineShapes().Item(1);
    const QString embed = QString::fromUtf8(
        doc->Paragraphs().Item(3).node().select_node(".//a:blip").node().attribute("r:embed").value());
    const Relationship rel = doc->package().relationship(doc->mainPart(), embed);
    EXPECT_EQ(doc->package().bytes(rel.targetPart), "PNGDATA");
    EXPECT_EQ(doc->package().bytes("word/media/image1.png"), "MASTERPNG");
    EXPECT_TRUE(doc->styles().byId("SubStyle"));
    EXPECT_EQ(pic.Type(), 3);

    Document *missing = openBuilt(
        app, dir,
        DocxBuilder().body("<w:p><w:subDoc r:id=\"rSub\"/></w:p>")
            .relationship("rSub", reltype::SubDocument, "nowhere.docx", true),
        "master2.docx");
    EXPECT_THROW(missing->Subdocuments().setExpanded(true), Exception);
}

TEST(WordDocument, NewDocumentPackageIsComplete)
{
    auto pkg = NewDocumentPackage();
    EXPECT_EQ(pkg->mainDocumentPart(), "word/document.xml");
    EXPECT_FALSE(pkg->relationshipByType("word/document.xml", reltype::Styles).targetPart.isEmpty());
    EXPECT_EQ(pkg->contentType("word/document.xml"),
              "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
}

TEST(WordDocument, SavingKeepsTheDocumentOpenAndDropsMacros)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder().body(para("One"))
            .relationship("rVba", "http://schemas.microsoft.com/office/2006/relationships/vbaProject", "vbaProject.bin")
            .part("word/vbaProject.bin", "MACROS", "application/vnd.ms-office.vbaProject"));
    Paragraph p = doc->Paragraphs().Item(1);
    doc->SaveAs(dir.file("a.docx"), wdFormatXMLDocument);
    p.Range().InsertBefore(QStringLiteral("Still "));
    doc->SaveAs(dir.file("b.docx"), wdFormatXMLDocument);
    EXPECT_EQ(doc->FullName(), dir.file("b.docx"));
    Document *back = app.Documents().Open(dir.file("b.docx"));
    EXPECT_EQ(back->Paragraphs().Item(1).Range().Text(), "Still One\r");
    EXPECT_FALSE(back->package().hasPart("word/vbaProject.bin"));
    EXPECT_TRUE(back->package().relationshipByType(back->mainPart(),
                                                   "http://schemas.microsoft.com/office/2006/relationships/vbaProject")
                    .id.isEmpty());
}

// A save never writes through a symbolic link standing at its target, live
// or dangling, whatever the format: it is refused naming the link. A hard
// link is replaced by a new file, so the file's other name keeps its bytes.
TEST(WordDocument, SavesNeverWriteThroughALink)
{
    ScratchDir dir;
    const QByteArray secret("export PATH=/usr/bin\n");
    testsupport::writeFile(dir.file("outside/bashrc"), secret);
    ASSERT_TRUE(QFile::link(dir.file("outside/bashrc"), dir.file("doc.docx")));
    ASSERT_TRUE(QFile::link(dir.file("outside/none.docx"), dir.file("dangling.docx")));
    Application app;
    Document *doc = app.Documents().Add();
    doc->Content().InsertAfter(QStringLiteral("New text"));
    const struct {
        const char *name;
        int format;
    } saves[] = {{"doc.docx", wdFormatXMLDocument}, {"dangling.docx", wdFormatXMLDocument},
                 {"doc.docx", wdFormatDocument}, {"doc.docx", wdFormatFilteredHTML},
                 {"dangling.docx", wdExportFormatPDF}};
    for (const auto &save : saves) {
        const QString link = dir.file(QLatin1String(save.name));
        QString message;
        try {
            if (save.format == wdExportFormatPDF)
                doc->ExportAsFixedFormat(link, wdExportFormatPDF, false, 0, 1);
            else
                doc->SaveAs(link, save.format);
        } catch (const Exception &e) {
            message = e.message();
        }
        EXPECT_TRUE(message.contains(link) && message.contains(QStringLiteral("symbolic link")))
            << save.name << " " << save.format << ": " << message.toStdString();
        EXPECT_TRUE(QFileInfo(link).isSymLink());
    }
    EXPECT_EQ(testsupport::readFile(dir.file("outside/bashrc")), secret);
    EXPECT_FALSE(QFileInfo::exists(dir.file("outside/none.docx")));

    ASSERT_TRUE(::link(QFile::encodeName(dir.file("outside/bashrc")).constData(),
                       QFile::encodeName(dir.file("hard.docx")).constData()) == 0);
    doc->SaveAs(dir.file("hard.docx"), wdFormatXMLDocument);
    EXPECT_EQ(testsupport::readFile(dir.file("outside/bashrc")), secret);
    EXPECT_EQ(app.Documents().Open(dir.file("hard.docx"))->Content().Text(), QStringLiteral("New text\r"));
    ASSERT_TRUE(::link(QFile::encodeName(dir.file("outside/bashrc")).constData(),
                       QFile::encodeName(dir.file("hard.htm")).constData()) == 0);
    doc->SaveAs(dir.file("hard.htm"), wdFormatFilteredHTML);
    EXPECT_EQ(testsupport::readFile(dir.file("outside/bashrc")), secret);
    EXPECT_TRUE(testsupport::readFile(dir.file("hard.htm")).contains("New text"));
}
