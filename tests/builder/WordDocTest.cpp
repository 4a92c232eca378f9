// The whole conversion on the document engine: markers, fields, property
// fields, shapes' links, and the corpus through to the topic list.
#include "builder/QStringPrinters.h"
#include "builder/WordDoc.h"
#include "foundation/IsolatedUser.h"
#include "platform/Exception.h"
#include "platform/SettingsStore.h"
#include "platform/DocxBuilder.h"
#include "platform/word/Document.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

using testsupport::DocxBuilder;

namespace {

QByteArray Para(const QByteArray &style, const QByteArray &runs)
{
    QByteArray p = "<w:p>";
    if (!style.isEmpty())
        p += "<w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>";
    return p + runs + "</w:p>";
}

QByteArray Text(const QByteArray &text)
{
    return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

QByteArray Field(const QByteArray &code, const QByteArray &result = QByteArray())
{
    QByteArray f = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code +
                   "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>";
    if (!result.isEmpty())
        f += Text(result);
    return f + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

class WordDocConversion : public ::testing::Test {
protected:
    IsolatedUser user;
    TProject project;
    word::Application word;
    TContentsItems items;
    std::vector<int> positions;

    void SetUp() override
    {
        project.RootDir = user.work(QStringLiteral("project")) + u'/';
        QDir().mkpath(project.RootDir);
        items.Project = &project;
    }

    std::unique_ptr<TWordDoc> convert(const QByteArray &body, int outputType = 1)
    {
        const QString file = project.RootDir + QStringLiteral("~~$manual.docx");
        DocxBuilder().body(body).write(file);
        auto doc = std::make_unique<TWordDoc>(&project, &word, file,
                                              [this](TWordDoc *sender) { positions.push_back(sender->Position); },
                                              outputType);
        doc->DoCreate(file);
        return doc;
    }
};

TEST_F(WordDocConversion, HeadingsFieldsAndPropertiesReachTheTopics)
{
    const QByteArray body =
        Para("", Text("Before any heading") + Field(" XE \"Dropped\" ") + Field(" Id=1;FileName=lost ")) +
        Para("Heading2", "<w:bookmarkStart w:id=\"1\" w:name=\"Intro\"/>" + Text("Introduction") +
                             "<w:bookmarkEnd w:id=\"1\"/>" + Field(" Id=120;FileName=intro;StaticVar=INTRO_TOPIC ")) +
        Para("", Text("See ") + Field(" REF Printing \\h ", "Printing") + Text(" and ") +
                     Field(" REF Intro ", "Introduction") + Field(" XE \"Printing:Paper\" ")) +
        Para("Heading5", "<w:bookmarkStart w:id=\"2\" w:name=\"Printing\"/>" + Text("Printing") +
                             "<w:bookmarkEnd w:id=\"2\"/>" + Field(" XE \"Printers\" ")) +
        Para("", Text("Body of printing.")) + Para("Heading2", Text("Hidden") + Field(" Omit=TRUE ")) +
        Para("", Text("Not published")) + Para("Heading3", Text("Hidden child")) + Para("", Text("Nor this"));
    auto doc = convert(body);
    EXPECT_EQ(positions, std::vector<int>({0, 1, 40, 50, 80, 100}));
    ASSERT_EQ(doc->Headings.Count(), 4);
    ASSERT_EQ(doc->IndexList.size(), 4u);
    EXPECT_TRUE(doc->Body.contains(HeadingMarker + u'2'));
    EXPECT_TRUE(doc->Body.contains(HeadingMarker + u'5'));
    EXPECT_EQ(doc->Headings.Item(0)->Id, QStringLiteral("120"));
    EXPECT_TRUE(doc->Headings.Item(2)->Omit);
    EXPECT_EQ(doc->IndexList[0], QStringList({QStringLiteral("Printing/Paper")}));
    EXPECT_EQ(doc->IndexList[1], QStringList({QStringLiteral("Printers")}));
    EXPECT_FALSE(doc->Body.contains(QStringLiteral("Dropped")));
    EXPECT_EQ(doc->FilesFolder, QStringLiteral("doc_files"));
    EXPECT_TRUE(doc->BeforeBody.contains(QStringLiteral("<link href=\"doc_style.css\"")));
    EXPECT_TRUE(doc->AttachedFiles.contains(QStringLiteral("doc_style.css")));

    doc->ToContentsItems(items);
    ASSERT_EQ(items.Count(), 2);
    const TContentsItem *intro = items.Item(0);
    EXPECT_EQ(intro->Title, QStringLiteral("Introduction"));
    EXPECT_EQ(intro->Url, QStringLiteral("intro.htm"));
    EXPECT_EQ(intro->StaticName, QStringLiteral("INTRO_TOPIC"));
    EXPECT_EQ(intro->ContextNumber, QStringLiteral("120"));
    EXPECT_EQ(intro->Level, 1);
    EXPECT_EQ(intro->Keywords, QStringLiteral("Printing/Paper\r\n"));
    // The hyperlinked cross-reference leads to the page holding the bookmark;
    // the plain one stays text.
    EXPECT_TRUE(intro->Content.contains(QStringLiteral("href=\"printing.htm\""))) << intro->Content.toStdString();
    EXPECT_FALSE(intro->Content.contains(QStringLiteral("REF")));
    const TContentsItem *printing = items.Item(1);
    EXPECT_EQ(printing->OriginalLevel, 5);
    EXPECT_EQ(printing->Level, 2);
    EXPECT_EQ(printing->ContextNumber, QStringLiteral("100010"));
    EXPECT_TRUE(printing->Content.contains(QStringLiteral("Body of printing.")));
    EXPECT_FALSE(printing->Content.contains(QStringLiteral("Not published")));
}

QByteArray FlashControl(const QByteArray &rel, const QByteArray &style)
{
    return "<w:r><w:object><v:shape id=\"s" + rel + "\" style=\"" + style + "\"/>"
           "<w:control r:id=\"" + rel + "\" w:name=\"ShockwaveFlash1\"/></w:object></w:r>";
}

QByteArray ActiveX(const QByteArray &movie, const QByteArray &playing)
{
    return "<ax:ocx xmlns:ax=\"http://schemas.microsoft.com/office/2006/activeX\" "
           "ax:classid=\"{D27CDB6E-AE6D-11CF-96B8-444553540000}\" ax:persistence=\"persistPropertyBag\">"
           "<ax:ocxPr ax:name=\"Movie\" ax:value=\"" + movie + "\"/><ax:ocxPr ax:name=\"Playing\" ax:value=\"" +
           playing + "\"/></ax:ocx>";
}

QByteArray CanvasItem(int id, const QByteArray &link, int x, int y)
{
    // Positions and sizes in points.
    const auto emu = [](int points) { return QByteArray::number(qint64(points) * 12700); };
    return "<wps:wsp><wps:cNvPr id=\"" + QByteArray::number(id) + "\" name=\"I\">" +
           (link.isEmpty() ? QByteArray() : "<a:hlinkClick r:id=\"" + link + "\" tooltip=\"Tip" + link + "\"/>") +
           "</wps:cNvPr><wps:spPr><a:xfrm><a:off x=\"" + emu(x) + "\" y=\"" + emu(y) + "\"/><a:ext cx=\"" + emu(72) +
           "\" cy=\"" + emu(36) + "\"/></a:xfrm></wps:spPr></wps:wsp>";
}

QByteArray Anchored(const QByteArray &descr, const QByteArray &uri, const QByteArray &content, const QByteArray &link = {})
{
    return "<w:r><w:drawing><wp:anchor><wp:extent cx=\"2743200\" cy=\"1371600\"/><wp:docPr id=\"9\" name=\"D\" descr=\"" +
           descr + "\">" + (link.isEmpty() ? QByteArray() : "<a:hlinkClick r:id=\"" + link + "\"/>") +
           "</wp:docPr><a:graphic><a:graphicData uri=\"" + uri + "\">" + content +
           "</a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>";
}

TEST_F(WordDocConversion, FlashControlsShapeLinksAndCanvasMapsSurviveTheExport)
{
    testsupport::writeFile(project.RootDir + QStringLiteral("one.swf"), "FWS1");
    const QString file = project.RootDir + QStringLiteral("~~$shapes.docx");
    const char *canvasUri = "http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas";
    DocxBuilder b;
    for (int i = 1; i <= 3; ++i)
        b.part(QStringLiteral("word/activeX/activeX%1.xml").arg(i),
               ActiveX(i == 2 ? "two.swf" : "one.swf", i == 1 ? "False" : "True"))
            .relationship(QStringLiteral("rAx%1").arg(i), QLatin1String(word::reltype::Control),
                          QStringLiteral("activeX/activeX%1.xml").arg(i));
    b.relationship(QStringLiteral("rL1"), QLatin1String(word::reltype::Hyperlink), QStringLiteral("#Intro"), true)
        .relationship(QStringLiteral("rL2"), QLatin1String(word::reltype::Hyperlink), QStringLiteral("http://example.org/"), true)
        .relationship(QStringLiteral("rL3"), QLatin1String(word::reltype::Hyperlink), QStringLiteral("#Second"), true)
        .relationship(QStringLiteral("rL4"), QLatin1String(word::reltype::Hyperlink),
                      QStringLiteral("http://example.org/q?a=1&amp;b=2"), true);
    b.body(Para("Heading1", "<w:bookmarkStart w:id=\"1\" w:name=\"Intro\"/>" + Text("Intro") + "<w:bookmarkEnd w:id=\"1\"/>") +
           Para("", FlashControl("rAx1", "width:150pt;height:75pt") + FlashControl("rAx2", "width:15pt;height:7.5pt")) +
           Para("", Text("Floating") + FlashControl("rAx3", "position:absolute;width:30pt;height:30pt")) +
           Para("Heading1", "<w:bookmarkStart w:id=\"2\" w:name=\"Second\"/>" + Text("Second") + "<w:bookmarkEnd w:id=\"2\"/>") +
           Para("", Text("Pictures") +
                        Anchored("Map", canvasUri,
                                 "<wpc:wpc>" + CanvasItem(1, "rL1", 72, 36) + CanvasItem(2, "", 0, 0) +
                                     CanvasItem(3, "rL2", 144, 72) + CanvasItem(4, "rL3", 0, 0) + "</wpc:wpc>") +
                        Anchored("Plain", canvasUri, "<wpc:wpc>" + CanvasItem(5, "", 0, 0) + "</wpc:wpc>") +
                        Anchored("Box", "http://schemas.microsoft.com/office/word/2010/wordprocessingShape",
                                 "<wps:wsp><wps:spPr/></wps:wsp>", "rL1") +
                        Anchored("Amp &amp; more", "http://schemas.microsoft.com/office/word/2010/wordprocessingShape",
                                 "<wps:wsp><wps:spPr/></wps:wsp>", "rL4")));
    b.write(file);
    TWordDoc doc(&project, &word, file, nullptr, 1);
    doc.DoCreate(file);

    ASSERT_EQ(doc.OLEObjs.Count(), 3);
    EXPECT_TRUE(doc.OLEObjs.Item(0).contains(QStringLiteral("Movie=one.swf")));
    EXPECT_TRUE(doc.OLEObjs.Item(0).contains(QStringLiteral("Height=100")));
    EXPECT_TRUE(doc.OLEObjs.Item(0).contains(QStringLiteral("Width=200")));
    EXPECT_TRUE(doc.OLEObjs.Item(1).contains(QStringLiteral("Movie=two.swf")));
    EXPECT_EQ(doc.Body.count(QStringLiteral("<object type=\"application/x-shockwave-flash\"")), 3);
    EXPECT_EQ(doc.Body.count(QStringLiteral("<param name=\"Play\" value=\"false\">")), 1);
    EXPECT_FALSE(doc.Body.contains(FlashMarker));
    // The movie that exists travels with the pages; the missing one does not.
    EXPECT_TRUE(doc.AttachedFiles.contains(QStringLiteral("one.swf")));
    EXPECT_FALSE(doc.AttachedFiles.contains(QStringLiteral("two.swf")));

    ASSERT_EQ(doc.MapCodes.size(), 1);
    EXPECT_EQ(doc.MapCodes[0],
              QStringLiteral("<map name=\"WordMap0\">\r\n"
                             "<area href=\"#Second\" shape=\"rect\" coords=\"0,0,96,48\" title=\"TiprL3\">\r\n"
                             "<area href=\"http://example.org/\" shape=\"rect\" coords=\"192,96,288,144\" title=\"TiprL2\">\r\n"
                             "<area href=\"#Intro\" shape=\"rect\" coords=\"96,48,192,96\" title=\"TiprL1\">\r\n"
                             "</map>\r\n"));

    doc.ToContentsItems(items);
    ASSERT_EQ(items.Count(), 2);
    const QString second = items.Item(1)->Content;
    EXPECT_TRUE(second.contains(QStringLiteral("<map name=\"WordMap0\">"))) << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("usemap=\"#WordMap0\""))) << second.toStdString();
    // Links of the map and of the shape lead to the topic pages.
    EXPECT_TRUE(second.contains(QStringLiteral("<area href=\"intro.htm\""))) << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("<area href=\"second.htm\""))) << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("<a href=\"intro.htm\" title=\"Box\">"))) << second.toStdString();
    // An address holding "&" keeps all of it.
    EXPECT_TRUE(second.contains(QStringLiteral("<a href=\"http://example.org/q?a=1&amp;b=2\" title=\"Amp &amp; more\">")))
        << second.toStdString();
    EXPECT_FALSE(second.contains(ShapeLinkMarker));
    EXPECT_FALSE(second.contains(CanvasMapMarker));
}

TEST_F(WordDocConversion, PagesAreSavedAndReadInTheProjectsEncoding)
{
    for (const char *charset : {"windows-1252", ""}) {
        project.HtmlHelpOutputEncoding = QLatin1String(charset);
        auto doc = convert(Para("Heading1", Text("Caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad")) + Para("", Text("x")));
        const QByteArray page = testsupport::readFile(doc->tempDir + QStringLiteral("doc.htm"));
        EXPECT_TRUE(page.contains(*charset == 'w' ? "charset=windows-1252" : "charset=utf-8")) << charset;
        doc->ToContentsItems(items);
        ASSERT_EQ(items.Count(), 1);
        EXPECT_EQ(items.Item(0)->Title, QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad")) << charset;
    }
}

TEST_F(WordDocConversion, ScratchFolderGoesWithTheConverterAndPagesCarryTheirFiles)
{
    QString scratch;
    {
        auto doc = convert(Para("Heading1", Text("Only")) + Para("", Text("Text")));
        scratch = doc->tempDir;
        EXPECT_TRUE(QFileInfo(scratch + QStringLiteral("doc.htm")).isFile());
        const QString out = user.work(QStringLiteral("out")) + u'/';
        doc->CopyAttachedFiles(out);
        EXPECT_TRUE(QFileInfo(out + QStringLiteral("doc_style.css")).isFile());
    }
    EXPECT_FALSE(QFileInfo::exists(scratch));
    // The working copy itself is never changed by the conversion.
    EXPECT_TRUE(QFileInfo(project.RootDir + QStringLiteral("~~$manual.docx")).isFile());
}

TEST_F(WordDocConversion, ReadOnlyAndDamagedDocumentsFailWithAMessage)
{
    const QString file = project.RootDir + QStringLiteral("locked.docx");
    DocxBuilder().body(Para("Heading1", Text("A"))).write(file);
    QFile::setPermissions(file, QFileDevice::ReadOwner);
    TWordDoc doc(&project, &word, file, nullptr, 1);
    try {
        doc.DoCreate(file);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot process Read-only document."));
    }
    const QString damaged = project.RootDir + QStringLiteral("damaged.docx");
    testsupport::writeFile(damaged, "PK\x03\x04 not a package");
    TWordDoc doc2(&project, &word, damaged, nullptr, 1);
    try {
        doc2.DoCreate(damaged);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("damaged.docx"))) << e.message().toStdString();
    }
    EXPECT_EQ(testsupport::readFile(damaged), QByteArray("PK\x03\x04 not a package"));
}

// Collapses whitespace (no-break spaces included) and drops the marks of
// anchored objects, for comparing texts that went through HTML with texts
// read from the document.
QString Normalised(QString text)
{
    text.replace(QChar(0xA0), u' ');
    text.remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0b\\x0e-\\x1f]")));
    return text.simplified();
}

TEST(WordDocCorpus, EveryDocumentBecomesTopicsMatchingItsHeadings)
{
    QC_REQUIRE_CORPUS("docx");
    IsolatedUser user;
    settings::WriteInteger(QStringLiteral("NoHeadingNumber"), 1);
    const QDir dir(testsupport::corpusDir(QStringLiteral("docx")));
    const QStringList files = dir.entryList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    int topics = 0;
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString copy = user.work(QStringLiteral("~~$") + name);
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(dir.filePath(name), copy));
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        // The headings as the document has them, read before the conversion.
        std::vector<std::pair<int, QString>> headings;
        bool hasOmit = false;
        {
            word::Application reader;
            word::Document *d = reader.Documents().Open(copy);
            d->AcceptAllRevisions();
            for (word::Paragraph p = d->Paragraphs().Count() ? d->Paragraphs().Item(1) : word::Paragraph(); !p.isNull();
                 p = p.Next()) {
                const int level = p.OutlineLevel();
                if (level < 10)
                    headings.emplace_back(level, p.Range().Text());
            }
            hasOmit = d->Content().Text().contains(QStringLiteral("Omit"), Qt::CaseInsensitive);
            d->Close();
        }

        TProject project;
        project.RootDir = user.work() + u'/';
        word::Application word;
        TWordDoc doc(&project, &word, copy, nullptr, 1);
        TContentsItems items;
        items.Project = &project;
        try {
            doc.DoCreate(copy);
            doc.ToContentsItems(items);
        } catch (const Exception &e) {
            ADD_FAILURE() << e.message().toStdString();
            continue;
        }
        EXPECT_EQ(doc.Headings.Count(), int(headings.size()));
        if (hasOmit)
            continue;
        ASSERT_EQ(items.Count(), int(headings.size()));
        int previousLevel = 0;
        for (int i = 0; i < items.Count(); ++i) {
            const TContentsItem *item = items.Item(i);
            EXPECT_EQ(item->OriginalLevel, headings[size_t(i)].first) << i;
            EXPECT_GE(item->Level, 1);
            EXPECT_LE(item->Level, previousLevel + 1);
            previousLevel = item->Level;
            // A text box anchored in a heading is written inside the heading
            // element, so its text leads the title; the heading's own text
            // ends it.
            const QString expected = Normalised(headings[size_t(i)].second);
            if (expected.isEmpty())
                EXPECT_EQ(item->Title, QStringLiteral("(Blank)")) << i;
            else
                EXPECT_TRUE(Normalised(item->Title).endsWith(expected))
                    << i << ": " << item->Title.toStdString() << " / " << expected.toStdString();
            EXPECT_EQ(item->Status == 0, !item->Url.isEmpty()) << i;
        }
        topics += items.Count();
    }
    EXPECT_GT(topics, 0);
}

TEST(WordDocSample, SampleManualBecomesItsTopicsForBothOutputs)
{
    const QString qvx = testsupport::sourceDir() + QStringLiteral("/examples/sample/SampleManual.qvx");
    if (!QFileInfo::exists(qvx))
        GTEST_SKIP() << "no sample project";
    IsolatedUser user;
    for (int output : {1, 2}) {
        SCOPED_TRACE(output);
        TProject project;
        project.ReadFromIni(qvx);
        const QString copy = user.work(QStringLiteral("~~$SampleManual.docx"));
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(project.RealPath(0), copy));
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        word::Application word;
        TWordDoc doc(&project, &word, copy, nullptr, output);
        doc.DoCreate(copy);
        TContentsItems items;
        items.Project = &project;
        doc.ToContentsItems(items);

        const QString ext = output == 1 ? QStringLiteral(".htm") : QStringLiteral(".html");
        QStringList titles, all;
        for (int i = 0; i < items.Count(); ++i) {
            titles << items.Item(i)->Title;
            all << items.Item(i)->Content;
        }
        EXPECT_FALSE(titles.contains(QStringLiteral("Internal Notes"))) << titles.join(u'|').toStdString();
        const TContentsItem *intro = items.Item(0);
        EXPECT_EQ(intro->Url, QStringLiteral("introduction") + ext);
        EXPECT_EQ(intro->ContextNumber, QStringLiteral("100"));
        EXPECT_EQ(intro->StaticName, QStringLiteral("IDH_INTRODUCTION"));
        EXPECT_EQ(items.Item(1)->Status, 2) << items.Item(1)->Title.toStdString();
        const QString pages = all.join(QString());
        EXPECT_TRUE(pages.contains(QStringLiteral("href=\"printing") + ext + QStringLiteral("#PaperSize\"")));
        EXPECT_TRUE(pages.contains(QStringLiteral("href=\"files/quick-reference.txt\"")));
        EXPECT_TRUE(doc.AttachedFiles.contains(QStringLiteral("files/quick-reference.txt")));
        if (output == 1) {
            EXPECT_TRUE(pages.contains(QStringLiteral("'files/release-notes.txt';\"")));
            EXPECT_FALSE(doc.AttachedFiles.contains(QStringLiteral("files/release-notes.txt")));
        } else {
            EXPECT_TRUE(pages.contains(QStringLiteral("href=\"files/release-notes.txt\"")));
            EXPECT_TRUE(doc.AttachedFiles.contains(QStringLiteral("files/release-notes.txt")));
        }
        EXPECT_FALSE(pages.contains(HeadingMarker));
        EXPECT_FALSE(pages.contains(ShapeLinkMarker));
    }
}

} // namespace
