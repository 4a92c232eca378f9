// Building documents through the object model: headings, bookmarks, index
// fields, hyperlinks, page setup, style fonts, options, copy and paste
// between documents, saving and reading back.
#include "platform/word/Document.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Package.h"
#include "platform/word/Story.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>
#include <cstring>
#include <gtest/gtest.h>

using namespace word;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

QStringList texts(Document *doc)
{
    QStringList out;
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        out << p.Range().Text().chopped(1);
    return out;
}

QByteArray mainXml(Document *doc)
{
    return doc->package().bytes(doc->mainPart());
}

} // namespace

// The calls of a help import, in its order: heading, bookmark, paragraph
// mark, index entries, a page pasted under it, an outside link.
TEST(WordBuilding, ImportSequenceBuildsHeadingsBookmarksFieldsAndLinks)
{
    ScratchDir dir;
    writeFile(dir.file("p1.htm"), "<h2>Inner</h2><p>Body of <b>page</b> one.</p><p><a href=\"#Topic_2\">to two</a></p>");
    Application app;
    Document *d = app.Documents().Add();
    Range r = d->Content();
    struct Entry {
        QString topic, bookmark, keywords, page;
        int level;
    };
    const QList<Entry> entries = {{"Topic one", "Topic_1", "alpha`\\beta/gamma", "p1.htm", 0},
                                  {"Topic two", "2 bad?", QString(), QString(), 1},
                                  {QString(), "Topic_3", QString(), QString(), 2},
                                  {"Topic four", "Topic_4", QString(), QString(), 0}};
    QList<Bookmark> made;
    for (const Entry &e : entries) {
        r.Collapse(wdCollapseEnd);
        r.setStyle(-(e.level + 2));
        r.InsertAfter(e.topic);
        r.setStyle(-(e.level + 2));
        Bookmark b = d->Bookmarks().Add(e.bookmark, r);
        made << b;
        r = b.Range();
        r.Collapse(wdCollapseEnd);
        r.InsertParagraphAfter();
        r.Collapse(wdCollapseEnd);
        if (!e.keywords.isEmpty()) {
            QString k = e.keywords;
            k.replace("`\\", "\r\n").replace('/', ':');
            for (const QString &line : k.split("\r\n"))
                d->Fields().Add(r, fields::wdFieldIndexEntry, '"' + line + '"', false);
            r = d->Content();
            r.Collapse(wdCollapseEnd);
        }
        if (!e.page.isEmpty()) {
            Document *p = app.Documents().Open(dir.file(e.page), wdOpenFormatWebPages);
            p->Content().Copy();
            r.Collapse(wdCollapseEnd);
            r.setStyle(wdStyleNormal);
            r.Paste();
            p->Close(wdDoNotSaveChanges);
        }
    }
    r.Collapse(wdCollapseEnd);
    r.setStyle(wdStyleNormal);
    Hyperlink h = d->Hyperlinks().Add(r, "http://example.com/", QString(), QString(), "http://example.com/");
    r = h.Range();
    r.Collapse(wdCollapseEnd);
    r.InsertParagraphAfter();

    const QStringList t = texts(d);
    ASSERT_GE(t.size(), 6) << t.join('|').toStdString();
    EXPECT_EQ(t[0], "Topic one");
    EXPECT_EQ(d->Paragraphs().Item(1).OutlineLevel(), 1);
    EXPECT_TRUE(t.contains("Inner"));
    EXPECT_TRUE(t.contains("Body of page one."));
    EXPECT_TRUE(t.contains("Topic two"));
    EXPECT_TRUE(t.contains("http://example.com/"));
    // The paragraph after a heading is body text (the heading's next style).
    EXPECT_EQ(d->Paragraphs().Item(2).OutlineLevel(), wdOutlineLevelBodyText);
    // Bookmarks on the headings; the refused name made valid as pages link to it.
    d->Bookmarks().setShowHidden(true);
    EXPECT_TRUE(d->Bookmarks().Exists("Topic_1"));
    EXPECT_EQ(Bookmark(d, "Topic_1").Range().Text(), "Topic one");
    EXPECT_EQ(Bookmark(d, "_2_bad_").Range().Text(), "Topic two");
    // An empty heading keeps its bookmark; it does not travel on to the
    // headings after it.
    const pugi::xml_node empty = d->body().select_node(".//w:bookmarkStart[@w:name='Topic_3']").node().parent();
    EXPECT_EQ(Paragraph(d, empty).OutlineLevel(), 3);
    EXPECT_TRUE(Paragraph(d, empty).Range().Text().remove('\r').isEmpty());
    EXPECT_EQ(Bookmark(d, "Topic_4").Range().Text(), "Topic four");
    // Bookmarks made before later edits still find their marks.
    EXPECT_EQ(made[0].Range().Text(), "Topic one");
    EXPECT_STREQ(d->body().select_node(".//w:hyperlink[@w:anchor]").node().attribute("w:anchor").value(), "Topic_2");
    // Two index entries, "alpha" and "beta:gamma", without results.
    Fields all = d->Content().Fields();
    QStringList codes;
    for (int i = 1; i <= all.Count(); ++i)
        if (all.Item(i).Type() == fields::wdFieldIndexEntry)
            codes << all.Item(i).Code().Text();
    EXPECT_EQ(codes, QStringList({" XE \"alpha\" ", " XE \"beta:gamma\" "}));
    // Saved and read back, everything is still there.
    d->SaveAs(dir.file("built.docx"), wdFormatXMLDocument);
    Document *again = app.Documents().Open(dir.file("built.docx"));
    EXPECT_EQ(texts(again), t);
    again->Bookmarks().setShowHidden(true);
    EXPECT_EQ(again->Bookmarks().Count(), d->Bookmarks().Count());
}

// Characters that XML forbids never reach a document, whichever way the text
// comes in: the saved parts are well-formed, the rest of the text stays.
TEST(WordBuilding, CharactersXmlForbidsNeverReachTheDocument)
{
    ScratchDir dir;
    writeFile(dir.file("p.htm"), "<p class=\"c\x02\">Page &#1;one\x01 <img src=\"none.png\" alt=\"al\x03t\"></p>");
    Application app;
    Document *d = app.Documents().Add();
    Range r = d->Content();
    r.InsertAfter(QStringLiteral("Head\x01ing\uFFFF\vnext line"));
    r.Collapse(wdCollapseEnd);
    r.InsertParagraphAfter();
    r.Collapse(wdCollapseEnd);
    d->Fields().Add(r, fields::wdFieldIndexEntry, QStringLiteral("\"key\x1Fword\""), false);
    r = d->Content();
    r.Collapse(wdCollapseEnd);
    Hyperlink h = d->Hyperlinks().Add(r, QStringLiteral("http://example.com/\x01"), QString(), QStringLiteral("tip\x02"),
                                      QStringLiteral("Link\x0Etext"));
    r = h.Range();
    r.Collapse(wdCollapseEnd);
    r.InsertParagraphAfter();
    Document *p = app.Documents().Open(dir.file("p.htm"), wdOpenFormatWebPages);
    p->Content().Copy();
    r.Collapse(wdCollapseEnd);
    r.Paste();
    d->SaveAs(dir.file("ctl.docx"), wdFormatXMLDocument);

    const std::unique_ptr<Package> saved = Package::Open(dir.file("ctl.docx"));
    for (const QString &part : saved->partNames()) {
        if (!part.endsWith(QLatin1String(".xml")) && !part.endsWith(QLatin1String(".rels")))
            continue;
        QXmlStreamReader xml(saved->bytes(part));
        while (!xml.atEnd())
            xml.readNext();
        EXPECT_FALSE(xml.hasError()) << part.toStdString() << ": " << xml.errorString().toStdString();
    }
    Document *again = app.Documents().Open(dir.file("ctl.docx"));
    EXPECT_EQ(texts(again).join('|').toStdString(), "Heading\vnext line|Linktext|Page one [alt]|");
    EXPECT_EQ(again->Fields().Item(1).Code().Text().toStdString(), " XE \"keyword\" ");
}

TEST(WordBuilding, PageSetupStylesFontsAndWebOptions)
{
    Application app;
    Document *d = app.Documents().Add();
    PageSetup ps = d->PageSetup();
    EXPECT_EQ(ps.PaperSize(), wdPaperLetter);
    ps.setPaperSize(wdPaperA4);
    EXPECT_EQ(ps.PaperSize(), wdPaperA4);
    EXPECT_NEAR(ps.PageWidth(), 595.3, 0.1);
    EXPECT_NEAR(ps.PageHeight(), 841.9, 0.1);
    ps.setPaperSize(wdPaperLegal);
    EXPECT_NEAR(ps.PageHeight(), 1008, 0.1);
    ps.setPaperSize(wdPaperCustom);
    EXPECT_EQ(ps.PaperSize(), wdPaperLegal);
    ps.setPageWidth(200);
    ps.setPageHeight(300);
    EXPECT_EQ(ps.PaperSize(), wdPaperCustom);
    EXPECT_THROW(ps.setPaperSize(77), Exception);
    ps.setTopMargin(71);
    ps.setBottomMargin(71);
    ps.setLeftMargin(86);
    ps.setRightMargin(86);
    EXPECT_EQ(ps.TopMargin(), 71);
    EXPECT_EQ(ps.LeftMargin(), 86);
    EXPECT_EQ(d->body().child("w:sectPr").child("w:pgMar").attribute("w:top").as_int(), 1420);
    ps.LineNumbering().setActive(true);
    EXPECT_TRUE(ps.LineNumbering().Active());
    ps.LineNumbering().setActive(false);
    EXPECT_FALSE(ps.LineNumbering().Active());
    // Schema order in the section: size, margins, line numbers.
    ps.LineNumbering().setActive(true);
    QStringList order;
    for (pugi::xml_node c : d->body().child("w:sectPr").children())
        order << c.name();
    EXPECT_EQ(order, QStringList({"w:pgSz", "w:pgMar", "w:lnNumType"}));

    // Heading fonts through the built-in numbers.
    for (int i = 1; i <= 9; ++i) {
        Font f = d->Styles().Item(-(i + 1)).Font();
        f.setName("Calibri");
        f.setColor(0x0000FF); // red in Word's numbering
        f.setSize(29 - 2 * i);
        f.setBold(false);
        f.setItalic(i == 2);
        f.setUnderline(i == 3 ? wdUnderlineSingle : wdUnderlineNone);
    }
    Font h1 = d->Styles().Item(-2).Font();
    EXPECT_EQ(h1.Name(), "Calibri");
    EXPECT_EQ(h1.Color(), 0x0000FF);
    EXPECT_EQ(h1.Size(), 27);
    EXPECT_FALSE(h1.Bold());
    EXPECT_STREQ(d->styles().byId(d->styles().builtInId(-2))->node.child("w:rPr").child("w:color").attribute("w:val").value(),
                 "FF0000");
    EXPECT_TRUE(d->Styles().Item(-3).Font().Italic());
    EXPECT_EQ(d->Styles().Item(-4).Font().Underline(), wdUnderlineSingle);
    EXPECT_EQ(d->Styles().Item(-10).Font().Size(), 11);
    // A paragraph in Heading 1 shows the style's font.
    Range r = d->Content();
    r.InsertAfter("Head");
    r.setStyle(-2);
    EXPECT_EQ(r.Font().Size(), 27);
    // Direct formatting of a range; the style keeps its own.
    r.Font().setSize(14);
    r.Font().setBold(true);
    EXPECT_EQ(r.Font().Size(), 14);
    EXPECT_TRUE(r.Font().Bold());
    EXPECT_EQ(d->Styles().Item(-2).Font().Size(), 27);
    r.ParagraphFormat().setStyle(wdStyleNormal);
    r.ParagraphFormat().setAlignment(wdAlignParagraphCenter);
    EXPECT_EQ(r.ParagraphFormat().Style(), "Normal");
    EXPECT_EQ(r.ParagraphFormat().Alignment(), wdAlignParagraphCenter);
    EXPECT_EQ(r.ParagraphFormat().OutlineLevel(), wdOutlineLevelBodyText);

    // No style stays in a list.
    d->styles().document()->document_element().append_child("w:style");
    pugi::xml_node listed = d->styles().byId(d->styles().builtInId(-3))->node;
    listed.child("w:pPr").prepend_child("w:numPr").append_child("w:numId").append_attribute("w:val").set_value(3);
    d->styles().reload();
    for (int i = 1; i <= d->Styles().Count(); ++i)
        if (d->Styles().Item(i).Type() == wdStyleTypeParagraph)
            d->Styles().Item(i).LinkToListTemplate(nullptr);
    EXPECT_FALSE(d->styles().byId(d->styles().builtInId(-3))->node.child("w:pPr").child("w:numPr"));

    d->WebOptions().setAllowPNG(true);
    d->WebOptions().setTargetBrowser(4);
    EXPECT_EQ(d->WebOptions().TargetBrowser(), 4);
}

// Options keep their values across application objects, as Word's do, so a
// run can save them, switch them off and put them back after a restart.
TEST(WordBuilding, OptionsSurviveARestart)
{
    bool saved;
    {
        Application w;
        saved = w.Options().AutoFormatAsYouTypeReplaceQuotes();
        EXPECT_TRUE(w.AutoCorrect().CorrectSentenceCaps());
        w.Options().setAutoFormatAsYouTypeReplaceQuotes(false);
        w.AutoCorrect().setCorrectSentenceCaps(false);
        w.Quit();
    }
    Application restarted;
    EXPECT_FALSE(restarted.Options().AutoFormatAsYouTypeReplaceQuotes());
    EXPECT_FALSE(restarted.AutoCorrect().CorrectSentenceCaps());
    restarted.Options().setAutoFormatAsYouTypeReplaceQuotes(saved);
    restarted.AutoCorrect().setCorrectSentenceCaps(true);
    EXPECT_EQ(Application().Options().AutoFormatAsYouTypeReplaceQuotes(), saved);
}

// A refresh: save, quit, start again and go on in a new document made from
// the saved one.
TEST(WordBuilding, NewDocumentFromSavedWorkFile)
{
    ScratchDir dir;
    auto app = std::make_unique<Application>();
    Document *d = app->Documents().Add();
    Range r = d->Content();
    r.InsertAfter("First part");
    r.setStyle(-2);
    d->Bookmarks().Add("Mark", r);
    d->SaveAs(dir.file("work.docx"), wdFormatXMLDocument);
    app->Quit(wdDoNotSaveChanges);
    app = std::make_unique<Application>();
    Document *again = app->Documents().Add(dir.file("work.docx"));
    EXPECT_FALSE(QFileInfo(again->FullName()).isAbsolute()); // new and unsaved
    Range end = again->Content();
    end.Collapse(wdCollapseEnd);
    end.InsertParagraphAfter();
    end.Collapse(wdCollapseEnd);
    end.InsertAfter("Second part");
    EXPECT_EQ(texts(again), QStringList({"First part", "Second part"}));
    EXPECT_TRUE(again->Bookmarks().Exists("Mark"));
    // A second bookmark of the same name moves it.
    again->Bookmarks().Add("Mark", end);
    EXPECT_EQ(Bookmark(again, "Mark").Range().Text(), "Second part");
    EXPECT_EQ(again->Bookmarks().Count(), 1);
    EXPECT_EQ(again->GoTo(wdGoToHeading, wdGoToFirst).Start(), 0);
}

TEST(WordBuilding, SavingAsDocFailsLoudlyWhenLibreOfficeFails)
{
    ScratchDir dir;
    writeFile(dir.file("fake-soffice"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(dir.file("fake-soffice"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    lo::SetProgram(dir.file("fake-soffice"));
    Application app;
    Document *d = app.Documents().Add();
    d->Content().InsertAfter("text");
    writeFile(dir.file("old.doc"), "previous contents");
    EXPECT_THROW(d->SaveAs(dir.file("old.doc"), wdFormatDocument), Exception);
    lo::SetProgram(QString());
    // The failed save left the earlier file as it was.
    EXPECT_EQ(testsupport::readFile(dir.file("old.doc")), "previous contents");
}

// Copy and paste across documents: styles by name (missing ones copied),
// numbering, pictures, links, bookmarks and notes travel; the source stays.
TEST(WordBuilding, CopyAndPasteCarryEverythingAlong)
{
    ScratchDir dir;
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0", 29);
    writeFile(dir.file("pic.png"), png);
    writeFile(dir.file("src.htm"),
              "<h1>Source head</h1><p style=\"color:red\">Styled <a name=\"anchor1\">mark</a> "
              "<a href=\"http://example.com/\">link</a> <img src=\"pic.png\"></p><ol start=3><li>third</li><li>fourth</li></ol>"
              "<table border=1><tr><td>cell</td></tr></table>");
    Application app;
    Document *src = app.Documents().Open(dir.file("src.htm"));
    // A custom style and a footnote, as Word documents have them.
    pugi::xml_node style = src->styles().document()->document_element().append_child("w:style");
    style.append_attribute("w:type").set_value("paragraph");
    style.append_attribute("w:styleId").set_value("Fancy");
    style.append_child("w:name").append_attribute("w:val").set_value("Fancy Text");
    src->styles().reload();
    Range tail = src->Content();
    tail.Collapse(wdCollapseEnd);
    tail.InsertAfter("fancy para");
    tail.setStyle(QStringLiteral("Fancy Text"));
    const QByteArray before = mainXml(src);

    Document *dst = app.Documents().Add();
    Range r = dst->Content();
    r.InsertAfter("Target start");
    dst->Bookmarks().Add(QStringLiteral("Existing"), r); // the pasted bookmarks get other ids
    r.InsertParagraphAfter();
    r.Collapse(wdCollapseEnd);
    src->Content().Copy();
    r.Paste();
    Range again = dst->Content();
    again.Collapse(wdCollapseEnd);
    again.Paste();

    EXPECT_EQ(mainXml(src), before);
    const QStringList t = texts(dst);
    EXPECT_EQ(t.count("Source head"), 2);
    EXPECT_EQ(t.count("cell"), 2);
    EXPECT_EQ(t.count("fancy para"), 2);
    EXPECT_EQ(t.first(), "Target start");
    // Headings keep their level; the custom style came along once.
    int headings = 0;
    for (Paragraph p = dst->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        headings += p.OutlineLevel() == 1;
    EXPECT_EQ(headings, 2);
    int fancy = 0;
    for (const Style &s : dst->styles().all())
        fancy += s.name == "Fancy Text";
    EXPECT_EQ(fancy, 1);
    EXPECT_EQ(Range(dst, dst->body().select_node(".//w:p[.//w:t[contains(., 'fancy para')]]").node(), 0,
                    dst->body().select_node(".//w:p[.//w:t[contains(., 'fancy para')]]").node(), 1)
                  .Style(),
              "Fancy Text");
    // Each paste has its own list, numbered from 3 again.
    QSet<QString> numIds;
    for (pugi::xpath_node x : dst->body().select_nodes(".//w:numPr/w:numId"))
        numIds.insert(x.node().attribute("w:val").value());
    EXPECT_EQ(numIds.size(), 2);
    EXPECT_EQ(dst->package().xml(dst->numberingPart())->select_nodes("//w:abstractNum/w:lvl[@w:ilvl='0']/w:start[@w:val='3']").size(),
              2u);
    // The picture's part exists for both copies; the link's target is kept.
    EXPECT_EQ(dst->InlineShapes().Count(), 2);
    for (pugi::xpath_node x : dst->body().select_nodes(".//a:blip")) {
        const Relationship rel = dst->package().relationship(dst->mainPart(), x.node().attribute("r:embed").value());
        EXPECT_EQ(dst->package().bytes(rel.targetPart), png);
    }
    pugi::xml_node link = dst->body().select_node(".//w:hyperlink[@r:id]").node();
    EXPECT_EQ(dst->package().relationship(dst->mainPart(), link.attribute("r:id").value()).target, "http://example.com/");
    // The bookmark came with the first paste; the second left it alone.
    EXPECT_EQ(dst->body().select_nodes(".//w:bookmarkStart[@w:name='anchor1']").size(), 1u);
    // Every start has its end after it, with the same id, and no id is used twice.
    struct Pairs : pugi::xml_tree_walker {
        QSet<QString> open, used;
        QStringList problems;
        bool for_each(pugi::xml_node &n) override
        {
            const QString id = QString::fromUtf8(n.attribute("w:id").value());
            if (std::strcmp(n.name(), "w:bookmarkStart") == 0) {
                if (used.contains(id))
                    problems << "twice " + id;
                used.insert(id);
                open.insert(id);
            } else if (std::strcmp(n.name(), "w:bookmarkEnd") == 0 && !open.remove(id)) {
                problems << "end without start " + id;
            }
            return true;
        }
    } pairs;
    dst->body().traverse(pairs);
    EXPECT_TRUE(pairs.problems.isEmpty() && pairs.open.isEmpty())
        << pairs.problems.join(',').toStdString() << " open: " << QStringList(pairs.open.values()).join(',').toStdString();
    EXPECT_EQ(pairs.used.size(), 2); // Existing and anchor1
    // Closing the source does not disturb a later paste.
    src->Close(wdDoNotSaveChanges);
    Range third = dst->Content();
    third.Collapse(wdCollapseEnd);
    third.Paste();
    EXPECT_EQ(texts(dst).count("Source head"), 3);
    dst->SaveAs(dir.file("pasted.docx"), wdFormatXMLDocument);
    EXPECT_EQ(texts(app.Documents().Open(dir.file("pasted.docx"))), texts(dst));
}

TEST(WordBuilding, PartialRangesAndNotes)
{
    ScratchDir dir;
    Application app;
    Document *src = app.Documents().Add();
    Range s = src->Content();
    s.InsertAfter("Alpha beta gamma\rSecond line");
    Document *dst = app.Documents().Add();
    Range d = dst->Content();
    d.InsertAfter("Hello world");
    // "beta" into the middle of "Hello world".
    Range part(src, src->Paragraphs().Item(1).node(), 6, src->Paragraphs().Item(1).node(), 10);
    part.Copy();
    Range at(dst, dst->Paragraphs().Item(1).node(), 6, dst->Paragraphs().Item(1).node(), 6);
    at.Paste();
    EXPECT_EQ(texts(dst), QStringList({"Hello betaworld"}));
    EXPECT_EQ(at.Text(), "beta");
    // From inside one paragraph to inside the next.
    Range across(src, src->Paragraphs().Item(1).node(), 11, src->Paragraphs().Item(2).node(), 6);
    across.Copy();
    Range end = dst->Content();
    end.Collapse(wdCollapseEnd);
    end.Paste();
    EXPECT_EQ(texts(dst), QStringList({"Hello betaworldgamma", "Second"}));
    EXPECT_EQ(texts(src), QStringList({"Alpha beta gamma", "Second line"}));

    // A footnote travels with its reference.
    Document *noted = app.Documents().Add();
    Package &pkg = noted->package();
    pkg.setXml("word/footnotes.xml",
               "<w:footnotes xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
               "<w:footnote w:id=\"1\"><w:p><w:r><w:t>The note</w:t></w:r></w:p></w:footnote></w:footnotes>",
               "application/vnd.openxmlformats-officedocument.wordprocessingml.footnotes+xml");
    pkg.addRelationship(noted->mainPart(), reltype::Footnotes, "footnotes.xml");
    pugi::xml_node p = noted->body().child("w:p");
    p.append_child("w:r").append_child("w:t").text().set("Text");
    p.append_child("w:r").append_child("w:footnoteReference").append_attribute("w:id").set_value(1);
    noted->touch();
    noted->Content().Copy();
    Range into = dst->Content();
    into.Collapse(wdCollapseEnd);
    into.Paste();
    into.Collapse(wdCollapseEnd);
    into.Paste();
    const pugi::xml_document *notes = dst->package().xml(dst->footnotesPart());
    ASSERT_TRUE(notes);
    QSet<int> ids;
    for (pugi::xpath_node x : dst->body().select_nodes(".//w:footnoteReference")) {
        const int id = x.node().attribute("w:id").as_int();
        ids.insert(id);
        EXPECT_TRUE(notes->select_node(("//w:footnote[@w:id='" + QByteArray::number(id) + "']//w:t").constData()));
    }
    EXPECT_EQ(ids.size(), 2);
    EXPECT_THROW(Application().Documents().Add()->Content().Paste(), Exception);
}

TEST(WordBuilding, ARangeThatHoldsTextIsReplaced)
{
    Application app;
    Document *src = app.Documents().Add();
    src->Content().InsertAfter("small");
    Document *dst = app.Documents().Add();
    dst->Content().InsertAfter("Hello big world\rNext");
    auto para = [&] { return dst->Paragraphs().Item(1).node(); };
    Range(src, src->Paragraphs().Item(1).node(), 0, src->Paragraphs().Item(1).node(), 5).Copy();
    Range big(dst, para(), 6, para(), 9);
    big.Paste();
    EXPECT_EQ(texts(dst), QStringList({"Hello small world", "Next"}));
    EXPECT_EQ(big.Text(), "small");
    // A link over text keeps that text as what it shows.
    Hyperlink link = dst->Hyperlinks().Add(Range(dst, para(), 0, para(), 5), "http://example.com/", QString(),
                                           QString(), QString());
    EXPECT_EQ(link.Range().Text(), "Hello");
    EXPECT_EQ(texts(dst), QStringList({"Hello small world", "Next"}));
    // A paragraph begun right after the link carries no empty copy of it.
    Range after = link.Range();
    after.Collapse(wdCollapseEnd);
    after.InsertParagraphAfter();
    EXPECT_EQ(texts(dst), QStringList({"Hello", " small world", "Next"}));
    EXPECT_EQ(mainXml(dst).count("<w:hyperlink"), 1);
    EXPECT_TRUE(dst->Paragraphs().Item(1).node().child("w:hyperlink"));
    // A field takes the place of the text.
    auto second = [&] { return dst->Paragraphs().Item(2).node(); };
    Range world(dst, second(), 7, second(), 12);
    dst->Fields().Add(world, fields::wdFieldIndexEntry, "\"w\"", false);
    EXPECT_EQ(texts(dst), QStringList({"Hello", " small ", "Next"}));
    // Over two paragraphs: refused, nothing changed.
    const QByteArray before = mainXml(dst);
    Range across(dst, para(), 2, second(), 2);
    EXPECT_THROW(across.Paste(), Exception);
    EXPECT_EQ(mainXml(dst), before);
}
