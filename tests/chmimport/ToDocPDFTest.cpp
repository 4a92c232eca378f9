// The Word document built from a help file compiled for the test, through the
// import worker as the import command runs it.
#include "chmimport/ChmMaker.h"

#include "chmimport/OutputWord.h"
#include "platform/Prompt.h"
#include "platform/word/Document.h"
#include "platform/word/LibreOffice.h"
#include "foundation/Paths.h"

#include <QCoreApplication>

#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <csignal>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <libxml/xmlmemory.h>
#include <malloc.h>
#include <sys/resource.h>
#include <zip.h>

using namespace testsupport;

namespace {

QMap<QString, QByteArray> helpFiles()
{
    return {
        {"toc.hhc", chmmaker::sitemap({{0, "Introduction", "intro.htm"},
                                       {1, "Setup", "setup.htm"},
                                       {2, "Deep details", "deep.htm"},
                                       {0, "Web site", "https://example.com/help"},
                                       {0, "Gone", "missing.htm"},
                                       {0, "Loop", "loop.htm"}})},
        {"index.hhk", chmmaker::sitemap({{0, "setting up", "setup.htm"}, {0, "install", "setup.htm"},
                                         {1, "on linux", "setup.htm"}})},
        {"intro.htm", chmmaker::page("Introduction", "<h1>Introduction</h1><p>Amber basalt cobalt opens the guide. "
                                                     "Read <a href=\"SETUP.htm\">the setup</a> first.</p>")},
        {"setup.htm", chmmaker::page("Setup", "<h1>Setup</h1><h2>Before you start</h2><p>Granite harbor indigo "
                                              "describes installing.</p><p><img src=\"pic.png\" alt=\"shot\"></p>")},
        {"deep.htm", chmmaker::page("Deep", "<p>Jasper kelp lagoon goes deeper; back to "
                                            "<a href=\"intro.htm\">the start</a>.</p>")},
        {"loop.htm", chmmaker::page("Loop", "<p>Marble nectar onyx links <a href=\"loop.htm\">itself</a>.</p>")},
    };
}

QByteArray png()
{
    // A 1x1 PNG.
    return QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==");
}

struct Heading {
    int level;
    QString text;
};

struct Built {
    QList<Heading> headings;
    QString text;                // the whole text of the document
    QStringList indexEntries;    // the codes of the XE fields
    QStringList anchors;         // bookmarks that hyperlinks point at
    QStringList addresses;       // outside hyperlink targets
    QStringList missingAnchors;  // anchors naming no bookmark
    QMap<QString, QString> links; // link text -> the bookmark it points at
    QMap<QString, QString> entryHeading; // XE code -> the heading above it
    QMap<QString, QStringList> headingBookmarks; // heading text -> bookmarks on it
    int pictures = 0;
    int media = 0;               // picture parts stored in the package
    int emptyTables = 0;         // tables that show nothing
    QList<QList<int>> grids;     // the column widths of each table
};

Built readBack(const QString &docx)
{
    Built b;
    word::Application app;
    word::Document *d = app.Documents().Open(docx);
    word::Paragraphs ps = d->Paragraphs();
    QString heading;
    for (int i = 1; i <= ps.Count(); ++i) {
        word::Paragraph p = ps.Item(i);
        const QString t = p.Range().Text().remove(QLatin1Char('\r'));
        if (p.OutlineLevel() < 10) {
            b.headings.append({p.OutlineLevel(), t});
            heading = t;
            for (pugi::xml_node m : p.node().children("w:bookmarkStart"))
                b.headingBookmarks[t] << QString::fromUtf8(m.attribute("w:name").value());
        }
        b.text += t + QLatin1Char('\n');
        word::Fields inside = p.Range().Fields();
        for (int f = 1; f <= inside.Count(); ++f)
            if (inside.Item(f).Type() == 4)
                b.entryHeading.insert(inside.Item(f).Code().Text().trimmed(), heading);
    }
    for (const QString &part : d->package().partNames())
        if (part.startsWith(QLatin1String("word/media/")))
            ++b.media;
    word::Fields fields = d->Fields();
    for (int i = 1; i <= fields.Count(); ++i)
        if (fields.Item(i).Type() == 4)
            b.indexEntries << fields.Item(i).Code().Text().trimmed();
    for (pugi::xpath_node n : d->body().select_nodes(".//w:hyperlink")) {
        const QString anchor = QString::fromUtf8(n.node().attribute("w:anchor").value());
        const bool shown = !QString::fromUtf8(n.node().child_value()).isEmpty() || n.node().first_child();
        QString shownText;
        for (pugi::xpath_node t : n.node().select_nodes(".//w:t"))
            shownText += QString::fromUtf8(t.node().child_value());
        if (!anchor.isEmpty()) {
            b.links.insert(shownText, anchor);
            b.anchors << anchor;
            if (!d->Bookmarks().Exists(anchor))
                b.missingAnchors << anchor;
        } else {
            const QString id = QString::fromUtf8(n.node().attribute("r:id").value());
            if (!id.isEmpty() && shown)
                b.addresses << d->package().relationship(d->mainPart(), id).target;
        }
    }
    for (pugi::xpath_node t : d->body().select_nodes(".//w:tbl")) {
        if (!t.node().select_node(".//w:t[string-length(text()) > 0]") && !t.node().select_node(".//w:drawing"))
            ++b.emptyTables;
        QList<int> grid;
        for (pugi::xml_node c : t.node().child("w:tblGrid").children("w:gridCol"))
            grid << c.attribute("w:w").as_int();
        b.grids << grid;
    }
    b.pictures = d->InlineShapes().Count();
    return b;
}

struct Import {
    ScratchDir dir;
    QString chm;
    std::unique_ptr<TOutputWord> worker = std::make_unique<TOutputWord>();
    QStringList reports;
    QStringList errors;
    QString work;
};

void prepare(Import &r, const QString &target)
{
    QMap<QString, QByteArray> files = helpFiles();
    files.insert("pic.png", png());
    r.chm = chmmaker::compile(r.dir.file("src"), "guide", files, "Title=Guide\nDefault topic=intro.htm\n");
    ASSERT_FALSE(r.chm.isEmpty());
    r.worker->chm = r.chm;
    TChmToDocPDF &c = *r.worker->Chm2DocPDF;
    c.ForQuillcraft = c.OnlyWord = true;
    c.pdf = target;
    c.Settings->XE = true;
    c.Settings->PaperSize = 7;
    c.FOnError = [&r](const QString &t) { r.errors << t; };
    c.FOnChange = [&r, &c](const QString &t, int p) {
        if (r.work.isEmpty() && !c.rootFolder.isEmpty())
            r.work = c.rootFolder;
        r.reports << QStringLiteral("%1|%2").arg(t).arg(p);
    };
}

} // namespace

TEST(ChmToWord, BuildsHeadingsBookmarksIndexFieldsAndPages)
{
    QC_REQUIRE_CHMCMD();
    Import r;
    const QString target = r.dir.file("out/Guide.DOCX");
    prepare(r, target);
    r.worker->Chm2DocPDF->Settings->AddHint = true;
    r.worker->Chm2DocPDF->Settings->HintFormat = QStringLiteral("See [title no.]");
    r.worker->Execute();
    TChmToDocPDF &c = *r.worker->Chm2DocPDF;
    ASSERT_FALSE(c.Failed) << r.errors.join('\n').toStdString();
    EXPECT_TRUE(r.errors.isEmpty());
    ASSERT_TRUE(QFileInfo(target).isFile()); // a capital extension keeps its name

    const Built b = readBack(target);
    // One heading per contents entry, at its level, in order, and nothing else
    // at heading level (the pages' own headings became body text).
    ASSERT_EQ(b.headings.size(), c.List.Count());
    for (int i = 0; i < c.List.Count(); ++i) {
        EXPECT_EQ(b.headings[i].text, c.List.Items(i)->Topic);
        EXPECT_EQ(b.headings[i].level, c.List.Items(i)->Level + 1);
    }
    QStringList firstTitles;
    for (int i = 0; i < 6; ++i)
        firstTitles << b.headings.value(i).text;
    EXPECT_EQ(firstTitles, QStringList({"Introduction", "Setup", "Deep details", "Web site", "Gone", "Loop"}));
    EXPECT_EQ(b.headings[2].level, 3);

    // Page text under the headings, the page's inner heading kept as text.
    for (const char *words : {"Amber basalt cobalt opens the guide", "Granite harbor indigo describes installing",
                              "Jasper kelp lagoon goes deeper", "Marble nectar onyx links", "Before you start"})
        EXPECT_TRUE(b.text.contains(QLatin1String(words))) << words;
    EXPECT_LT(b.text.indexOf("Granite harbor"), b.text.indexOf("Deep details"));
    EXPECT_GT(b.text.indexOf("Granite harbor"), b.text.indexOf("Setup\n"));
    EXPECT_EQ(b.pictures, 1);

    // Links between pages lead to the headings' bookmarks, with their hints.
    EXPECT_FALSE(b.anchors.isEmpty());
    EXPECT_TRUE(b.missingAnchors.isEmpty()) << b.missingAnchors.join(',').toStdString();
    const TTitleList *setup = c.List.Items(1);
    EXPECT_TRUE(b.anchors.contains(setup->Bookmark));
    EXPECT_TRUE(b.text.contains("the setup(See 1.1)")) << b.text.toStdString();
    // The outside link entry holds a hyperlink showing its address.
    EXPECT_EQ(b.addresses.size(), 1) << b.addresses.join(',').toStdString() << b.text.toStdString();
    EXPECT_TRUE(b.text.contains("Web site\nhttps://example.com/help\n")) << b.text.toStdString();

    // Index entries: one field per keyword, a sub-keyword after ":".
    QStringList expected;
    for (int i = 0; i < c.List.Count(); ++i)
        for (QString k : c.List.Items(i)->Keywords.split(KeywordSeparator, Qt::SkipEmptyParts))
            expected << QStringLiteral("XE \"%1\"").arg(k.replace('/', ':'));
    EXPECT_FALSE(expected.isEmpty());
    EXPECT_EQ(b.indexEntries, expected);
    EXPECT_TRUE(b.indexEntries.contains("XE \"setting up\"")) << b.indexEntries.join('|').toStdString();

    // Progress in the order the user sees it, the work folder gone.
    const int launch = r.reports.indexOf("Launching Word...|20");
    ASSERT_GE(launch, 0);
    EXPECT_EQ(r.reports.mid(launch, 3), QStringList({"Launching Word...|20", "Word launched.|20", "Creating document...|20"}));
    EXPECT_TRUE(r.reports.contains(QStringLiteral("Processing (1 of %1) intro.htm...|20").arg(c.List.Count())));
    EXPECT_EQ(r.reports.mid(r.reports.size() - 3),
              QStringList({"Saving document...|98", "OK!|100", "|100"}));
    EXPECT_TRUE(c.OK);
    ASSERT_FALSE(r.work.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(r.work));
}

// A help file with pages in folders (two of them sharing a prefix), a page
// split at two contents anchors, a merged help file beside it, index keywords
// that Word's syntax must escape, and links that point outside.
// A page of the reader fixture: the navigation bar that every page shares,
// then the body.
QByteArray navPage(const QString &title, const QString &body)
{
    return chmmaker::page(title, QStringLiteral("<table class=\"bar\" width=\"100%\"><tr><td><b>[<a href=\"/top.htm\">"
                                                "Home</a>][<a href=\"/end.htm\">End</a>]</b></td><td align=\"right\">"
                                                "<span>Reference for the guide</span></td></tr></table>")
                                     + body);
}

QMap<QString, QByteArray> readerFiles(const QString &outsidePicture)
{
    const QByteArray pic = "<img src=\"../pics/ok.png\" alt=\"ok\">";
    return {
        {"toc.hhc", chmmaker::sitemap({{0, "Start", "top.htm"},
                                       {0, "Folder", ""},
                                       {1, "Sub A", "sub/a.htm"},
                                       {1, "Sub B", "sub/b.htm"},
                                       {1, "Sub2 C", "sub2/c.htm"},
                                       {0, "Part one", "split.htm#one"},
                                       {0, "Part two", "split.htm#two"},
                                       {0, "", "", "second.chm::\\second.hhc"},
                                       {0, "End", "end.htm"}})},
        {"index.hhk", "<HTML><BODY><UL>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"I/O ports\">"
                      "<param name=\"Local\" value=\"top.htm\"></OBJECT>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"assign(Variant):TCaption operator\">"
                      "<param name=\"Local\" value=\"sub/a.htm\"></OBJECT>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Say &quot;hi&quot; C#\">"
                      "<param name=\"Local\" value=\"sub/b.htm\"></OBJECT>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Parent\"></OBJECT><UL>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Child\">"
                      "<param name=\"Local\" value=\"sub/b.htm\"></OBJECT></UL>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"second part\">"
                      "<param name=\"Local\" value=\"split.htm#two\"></OBJECT>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"x marks\">"
                      "<param name=\"Local\" value=\"sub/b.htm#x\"></OBJECT>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Don&#x27;t panic\">"
                      "<param name=\"Local\" value=\"end.htm\"></OBJECT>"
                      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"only indexed\">"
                      "<param name=\"Local\" value=\"indexonly.htm\"></OBJECT>"
                      "</UL></BODY></HTML>"},
        {"top.htm", navPage("Start", "<p>Topaz quartz opens the start page.</p>")},
        {"sub/a.htm",
         navPage("Sub A", "<p>Alder birch cedar. Links: <a href=\"b.htm\">to b</a>, <a href=\"../top.htm\">to top</a>, "
                                 "<a href=\"b.htm#x\">to x</a>, <a href=\"ms-its:guide.chm::/top.htm\">self chm</a>, "
                                 "<a href=\"mk:@MSITStore:second.chm::/s1.htm\">sibling</a>, "
                                 "<a href=\"javascript:alert(1)\">script words</a>, "
                                 "<a href=\"data:text/html,hi\">data words</a>.</p><p>"
                             + pic + "<img src=\"file://" + outsidePicture.toUtf8() + "\" alt=\"fileurl\">"
                             + "<img src=\"%2e%2e/%2e%2e/" + QFileInfo(outsidePicture).fileName().toUtf8()
                             + "\" alt=\"climb\"></p>")},
        {"sub/b.htm", navPage("Sub B", "<p>Dogwood elm fir grows here.</p><p><a name=\"x\"></a>X section text, "
                                              "<a href=\"a.htm\">back to a</a>.</p><p>" + pic + "</p>")},
        {"sub2/c.htm", navPage("Sub2 C", "<p>Ginkgo hazel from the second folder, "
                                                "<a href=\"../sub/a.htm\">over to a</a>.</p>")},
        {"split.htm", navPage("Split", "<p>Preamble words before the anchors stay.</p>"
                                              "<h2><a name=\"one\">One</a></h2><p>Juniper larch text of one, "
                                              "<a href=\"#two\">jump two</a> and <a href=\"sub/a.htm\">to a</a>.</p>"
                                              "<h2><a name=\"two\">Two</a></h2><p>Maple oak text of two, "
                                              "<a href=\"split.htm#one\">back one</a>.</p>")},
        {"end.htm", navPage("End", "<p>Poplar rowan ends it.</p><p><img src=\"pics/ok.png\"></p>"
                                   "<table><tr><td valign=\"top\"><a href=\"top.htm\">Start</a></td><td>&nbsp;&nbsp;</td>"
                                   "<td>A longer comment that tells what the start page holds.</td></tr></table>"
                                   "<table width=\"600\"><tr><td width=\"100\">narrow</td><td>function Abs(l: LongInt)"
                                   "</td></tr></table>")},
        {"indexonly.htm", navPage("Only indexed", "<p>Spruce teak is found through the index alone, "
                                                  "<a href=\"notitle.htm\">untitled</a>.</p>")},
        {"notitle.htm", navPage("", "<p>Tamarack has no title.</p>")},
        {"pics/ok.png", png()},
    };
}

QMap<QString, QByteArray> siblingFiles()
{
    return {
        {"second.hhc", chmmaker::sitemap({{0, "Second one", "s1.htm"}, {1, "Second two", "s2.htm"}})},
        {"second.hhk", chmmaker::sitemap({{0, "sibling key", "s2.htm"}})},
        {"s1.htm", navPage("Second one", "<p>Umber violet from the sibling, "
                                                "<a href=\"ms-its:guide.chm::/end.htm\">to the end</a>.</p>")},
        {"s2.htm", navPage("Second two", "<p>Willow yew closes the sibling.</p>")},
    };
}

TEST(ChmToWord, EveryPageLinkAndKeywordArrives)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    // A picture outside the help file that its pages name.
    const QString outside = GetTempFolder() + QStringLiteral("qc-outside-%1.png").arg(QCoreApplication::applicationPid());
    writeFile(outside, png());
    const QString chm = chmmaker::compile(dir.file("src"), "guide", readerFiles(outside));
    const QString sibling = chmmaker::compile(dir.file("src2"), "second", siblingFiles());
    ASSERT_FALSE(chm.isEmpty() || sibling.isEmpty());
    ASSERT_TRUE(QFile::copy(sibling, dir.file("src/second.chm")));

    for (const bool withSibling : {true, false}) {
        SCOPED_TRACE(withSibling ? "with the merged help file" : "without it");
        if (!withSibling)
            QFile::remove(dir.file("src/second.chm"));
        // The import works on a copy of the help file, as the window does.
        const QString copy = dir.file("tmp/qcf1234.tmp");
        QFile::remove(copy);
        writeFile(copy, readFile(chm));
        TOutputWord worker;
        worker.chm = copy;
        TChmToDocPDF &c = *worker.Chm2DocPDF;
        c.OriginalChmFile = chm;
        c.ForQuillcraft = c.OnlyWord = true;
        c.pdf = dir.file(withSibling ? "out/guide.docx" : "out/alone.docx");
        c.Settings->XE = true;
        QStringList errors, notes;
        c.FOnError = [&errors](const QString &t) { errors << t; };
        c.FOnMsg = [&notes](const QString &t) { notes << t; };
        worker.Execute();
        ASSERT_FALSE(c.Failed) << errors.join('\n').toStdString();
        const Built b = readBack(c.pdf);

        QStringList headings;
        for (const Heading &h : b.headings)
            headings << QStringLiteral("%1 %2").arg(h.level).arg(h.text);
        QStringList expected{"1 Start", "1 Folder", "2 Sub A", "2 Sub B", "2 Sub2 C", "1 Part one", "1 Part two"};
        if (withSibling)
            expected << "1 Second one" << "2 Second two";
        expected << "1 End" << "1 Addenda" << "2 Only indexed" << "2 notitle.htm";
        EXPECT_EQ(headings, expected) << b.text.toStdString();
        if (withSibling) {
            EXPECT_TRUE(notes.isEmpty()) << notes.join('\n').toStdString();
        } else {
            ASSERT_EQ(notes.size(), 1);
            EXPECT_TRUE(notes[0].contains("second.chm")) << notes[0].toStdString();
        }

        // Each heading carries its entry's bookmark.
        for (int i = 0; i < c.List.Count(); ++i)
            EXPECT_TRUE(b.headingBookmarks.value(c.List.Items(i)->Topic).contains(c.List.Items(i)->Bookmark))
                << c.List.Items(i)->Topic.toStdString();

        // Every page's text, the text before the first anchor of the split
        // page included.
        QStringList texts{"Topaz quartz", "Alder birch cedar", "Dogwood elm fir", "X section text", "Ginkgo hazel",
                          "Preamble words before the anchors stay", "Juniper larch", "Maple oak", "Poplar rowan",
                          "Spruce teak", "Tamarack", "script words", "data words"};
        if (withSibling)
            texts << "Umber violet" << "Willow yew";
        for (const QString &t : texts)
            EXPECT_TRUE(b.text.contains(t)) << t.toStdString();
        // The navigation bar that every page shares is gone, table and all.
        EXPECT_FALSE(b.text.contains("Reference for the guide")) << b.text.toStdString();
        EXPECT_EQ(b.emptyTables, 0);
        EXPECT_GT(b.text.indexOf("Preamble words"), b.text.indexOf("Part one\n"));
        EXPECT_LT(b.text.indexOf("Preamble words"), b.text.indexOf("Part two\n"));

        // Every link between pages leads to a bookmark that exists: to the
        // heading of its page, or to the anchor inside it.
        auto bookmarkOf = [&c](const QString &topic) {
            for (int i = 0; i < c.List.Count(); ++i)
                if (c.List.Items(i)->Topic == topic)
                    return c.List.Items(i)->Bookmark;
            return QString();
        };
        EXPECT_TRUE(b.missingAnchors.isEmpty()) << b.missingAnchors.join(',').toStdString();
        QMap<QString, QString> links{{"to b", bookmarkOf("Sub B")},          {"to top", bookmarkOf("Start")},
                                     {"to x", bookmarkOf("Sub B") + "_x"},   {"self chm", bookmarkOf("Start")},
                                     {"back to a", bookmarkOf("Sub A")},     {"over to a", bookmarkOf("Sub A")},
                                     {"jump two", bookmarkOf("Part two")},   {"to a", bookmarkOf("Sub A")},
                                     {"back one", bookmarkOf("Part one")}};
        if (withSibling) {
            links.insert("sibling", bookmarkOf("Second one"));
            links.insert("to the end", bookmarkOf("End"));
        }
        for (auto it = links.cbegin(); it != links.cend(); ++it)
            EXPECT_EQ(b.links.value(it.key()), it.value()) << it.key().toStdString();
        // Script and data links keep their text only; nothing links outside.
        EXPECT_TRUE(b.addresses.isEmpty()) << b.addresses.join(',').toStdString();

        // Keywords as the index writes them, each under its own entry.
        QMap<QString, QString> entries{{"XE \"I/O ports\"", "Start"},
                                       {"XE \"assign(Variant)\\:TCaption operator\"", "Sub A"},
                                       {"XE \"Say \\\"hi\\\" C#\"", "Sub B"},
                                       {"XE \"Parent:Child\"", "Sub B"},
                                       {"XE \"x marks\"", "Sub B"},
                                       {"XE \"second part\"", "Part two"},
                                       {"XE \"only indexed\"", "Only indexed"},
                                       {"XE \"Don't panic\"", "End"}};
        if (withSibling)
            entries.insert("XE \"sibling key\"", "Second two");
        auto lines = [](const QMap<QString, QString> &m) {
            QStringList out;
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                out << it.key() + " under " + it.value();
            return out.join('\n').toStdString();
        };
        EXPECT_EQ(lines(b.entryHeading), lines(entries));

        // Tables keep the widths the page gives; a spacer column stays narrow.
        ASSERT_EQ(b.grids.size(), 2);
        ASSERT_EQ(b.grids[0].size(), 3);
        EXPECT_LT(b.grids[0][1], b.grids[0][0]);
        EXPECT_LT(b.grids[0][0], b.grids[0][2]);
        EXPECT_EQ(b.grids[1], QList<int>({1500, 7500}));

        // Only pictures inside the help file, each stored once.
        EXPECT_EQ(b.pictures, 3);
        EXPECT_TRUE(b.text.contains("[fileurl][climb]")) << b.text.toStdString();
        EXPECT_EQ(b.media, 1);
    }
    QFile::remove(outside);
}

namespace {

// One entry of a zip package (a .docx or an .odt); empty when it is missing.
QByteArray zipEntry(const QString &path, const char *name)
{
    int code = 0;
    std::unique_ptr<zip_t, int (*)(zip_t *)> archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code),
                                                     zip_close);
    zip_stat_t st;
    if (!archive || zip_stat(archive.get(), name, 0, &st) != 0)
        return QByteArray();
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> file(zip_fopen(archive.get(), name, 0), zip_fclose);
    QByteArray bytes(qsizetype(st.size), Qt::Uninitialized);
    if (!file || zip_fread(file.get(), bytes.data(), st.size) != zip_int64_t(st.size))
        return QByteArray();
    return bytes;
}

// What is wrong with a document part as an XML reader and Word see it: not
// well-formed, a bookmark start without its end after it (same id), an end
// without a start, an id used twice.
QString documentXmlProblems(const QByteArray &xml)
{
    QStringList problems;
    QSet<QString> open, used;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString id = r.attributes().value(QStringLiteral("w:id")).toString();
        if (r.qualifiedName() == QLatin1String("w:bookmarkStart")) {
            if (used.contains(id))
                problems << "id used twice: " + id;
            used.insert(id);
            open.insert(id);
        } else if (r.qualifiedName() == QLatin1String("w:bookmarkEnd")) {
            if (!open.remove(id))
                problems << "end without a start before it: " + id;
        }
    }
    if (r.hasError())
        problems << "not well-formed: " + r.errorString();
    for (const QString &id : open)
        problems << "start without an end: " + id;
    return problems.join('\n');
}

// The bookmarks that LibreOffice kept of a document, converted to .odt.
QStringList libreOfficeBookmarks(const QString &docx, const QString &odt)
{
    word::lo::Convert(docx, QStringLiteral("odt"), odt, QStringLiteral("check the import"));
    const QString content = QString::fromUtf8(zipEntry(odt, "content.xml"));
    QStringList names;
    static const QRegularExpression bookmark(QStringLiteral("<text:bookmark(?:-start)?\\s[^>]*text:name=\"([^\"]*)\""));
    for (auto it = bookmark.globalMatch(content); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

QString bookmarkOf(const TTitleLists &list, const QString &topic)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i)->Topic == topic)
            return list.Items(i)->Bookmark;
    return QString();
}

// The text between a heading and the next one (the headings as lines).
QString under(const Built &b, const QString &heading)
{
    const QString text = QLatin1Char('\n') + b.text;
    const qsizetype from = text.indexOf(QLatin1Char('\n') + heading + QLatin1Char('\n'));
    if (from < 0)
        return QString();
    const qsizetype start = from + heading.size() + 1; // the line break after the heading
    qsizetype end = text.size();
    for (const Heading &h : b.headings) {
        const qsizetype at = text.indexOf(QLatin1Char('\n') + h.text + QLatin1Char('\n'), start);
        if (at >= 0 && at < end)
            end = at;
    }
    return text.mid(start + 1, std::max<qsizetype>(0, end - start - 1));
}

std::unique_ptr<TOutputWord> importer(const QString &chm, const QString &target, QStringList &errors)
{
    auto worker = std::make_unique<TOutputWord>();
    worker->chm = chm;
    TChmToDocPDF &c = *worker->Chm2DocPDF;
    c.ForQuillcraft = c.OnlyWord = true;
    c.pdf = target;
    c.Settings->XE = true;
    c.FOnError = [&errors](const QString &t) { errors << t; };
    return worker;
}

} // namespace

// Links and bookmarks as Word and LibreOffice read them: links with an anchor
// or a query lead to pages that only they reach, ids are anchors, links to
// files that are no pages and script contents entries keep their text only,
// a control character in a name or a keyword never reaches the document.
TEST(ChmToWord, LinksBookmarksAndNamesWorkInWordAndLibreOffice)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    const QString chm = chmmaker::compile(
        dir.file("src"), "links",
        {{"toc.hhc", chmmaker::sitemap({{0, "Start", "start.htm"},
                                        {0, "Part one", "guide.htm#one"},
                                        {0, "Part two", "guide.htm#two"},
                                        {0, "R one", "r.htm#r1"},
                                        {0, "R two", "r.htm#r2"},
                                        {0, "Script", "javascript:alert(1)"},
                                        {0, "Web", "https://example.com/"},
                                        {0, "Mail", "mailto:help@example.com"},
                                        {0, "A&#1;B", "ctl.htm"}})},
         {"index.hhk", chmmaker::sitemap({{0, "C&#1;D", "ctl.htm"}})},
         {"start.htm", chmmaker::page("Start", "<p>STARTTEXT links: <a href=\"only.htm#sec\">to sec</a>, "
                                               "<a href=\"b.htm?x=1\">to query</a>, <a href=\"big.png\">the picture</a>, "
                                               "<a href=\"notes.txt\">the notes</a>, <a href=\"r.htm#r2\">to r two</a>, "
                                               "<a href=\"guide.htm#two\">to part two</a> and <a href=\"#inside\">inside</a>."
                                               "</p><p><a name=\"inside\"></a>INSIDE text further down the start page.</p>")},
         {"only.htm", chmmaker::page("Only", "<p>ONLYTEXT the page that only an anchored link reaches.</p>"
                                             "<p><a name=\"sec\"></a>SECTEXT the section that link points at.</p>")},
         {"b.htm", chmmaker::page("Query", "<p>QUERYTEXT the page that only a link with a query reaches.</p>")},
         {"big.png", png()},
         {"notes.txt", "Some notes.\n"},
         {"guide.htm", chmmaker::page("Guide", "<p>GUIDELEAD This lead paragraph stands before the first anchor of the "
                                               "guide page.</p><h2><a name=\"one\"></a>Part one</h2><p>PARTONE ...</p>"
                                               "<h2><a name=\"two\"></a>Part two</h2><p>PARTTWO ...</p>")},
         {"r.htm", chmmaker::page("R", "<h1 id=\"r1\">R one</h1><p>RONE text under the first heading.</p>"
                                       "<h2 id=\"r2\">R two</h2><p>RTWO text under the second heading.</p>")},
         {"ctl.htm", chmmaker::page("Ctl", "<p>CTLTEXT the page of an entry whose name holds a control character.</p>")}});
    ASSERT_FALSE(chm.isEmpty());
    QStringList errors;
    const auto worker = importer(chm, dir.file("out/links.docx"), errors);
    worker->Execute();
    const TChmToDocPDF &c = *worker->Chm2DocPDF;
    ASSERT_FALSE(c.Failed) << errors.join('\n').toStdString();
    const Built b = readBack(c.pdf);

    QStringList headings;
    for (const Heading &h : b.headings)
        headings << QStringLiteral("%1 %2").arg(h.level).arg(h.text);
    EXPECT_EQ(headings.join('|').toStdString(),
              "1 Start|1 Part one|1 Part two|1 R one|1 R two|1 Script|1 Web|1 Mail|1 AB|1 Addenda|2 Query|2 Only");
    EXPECT_TRUE(b.indexEntries.contains("XE \"CD\"")) << b.indexEntries.join('|').toStdString();
    for (const char *t : {"STARTTEXT", "INSIDE text", "ONLYTEXT", "SECTEXT", "QUERYTEXT", "CTLTEXT", "the picture",
                          "the notes"})
        EXPECT_TRUE(b.text.contains(QLatin1String(t))) << t;
    // The text before the first anchor of a page that no entry shows whole
    // goes with the first part; ids split a page as anchors do.
    EXPECT_TRUE(under(b, "Part one").contains("GUIDELEAD") && under(b, "Part one").contains("PARTONE"))
        << b.text.toStdString();
    EXPECT_TRUE(under(b, "Part two").contains("PARTTWO"));
    EXPECT_TRUE(under(b, "R one").contains("RONE") && !under(b, "R one").contains("RTWO")) << b.text.toStdString();
    EXPECT_TRUE(under(b, "R two").contains("RTWO"));
    EXPECT_TRUE(under(b, "Script").isEmpty()) << under(b, "Script").toStdString();

    // Links lead to the bookmarks of their pages and anchors; nothing links
    // to a file, and only the web and mail entries link outside.
    const QMap<QString, QString> links{{"to sec", bookmarkOf(c.List, "Only") + "_sec"},
                                       {"to query", bookmarkOf(c.List, "Query")},
                                       {"to r two", bookmarkOf(c.List, "R two")},
                                       {"to part two", bookmarkOf(c.List, "Part two")},
                                       {"inside", bookmarkOf(c.List, "Start") + "_inside"}};
    for (auto it = links.cbegin(); it != links.cend(); ++it)
        EXPECT_EQ(b.links.value(it.key()).toStdString(), it.value().toStdString()) << it.key().toStdString();
    EXPECT_TRUE(b.missingAnchors.isEmpty()) << b.missingAnchors.join(',').toStdString();
    EXPECT_EQ(b.addresses.join(',').toStdString(), "https://example.com/,mailto:help@example.com");

    // Well-formed, every bookmark whole; LibreOffice opens it and keeps them.
    const QByteArray xml = zipEntry(c.pdf, "word/document.xml");
    ASSERT_FALSE(xml.isEmpty());
    EXPECT_EQ(documentXmlProblems(xml).toStdString(), "");
    if (word::lo::IsAvailable()) {
        const QStringList kept = libreOfficeBookmarks(c.pdf, dir.file("lo/links.odt"));
        for (const QString &name : {bookmarkOf(c.List, "Start") + "_inside", bookmarkOf(c.List, "Only") + "_sec",
                                    bookmarkOf(c.List, "Mail"), bookmarkOf(c.List, "R two")})
            EXPECT_TRUE(kept.contains(name)) << name.toStdString() << ": " << kept.join(',').toStdString();
    }
}

// Text that readers see: whatever stands beside a table or a code block, a
// short note after a long block and a short first block under an entry of
// another title stay; shared bars and navigation lines go.
TEST(ChmToWord, TextBesideTablesCodeAndShortBlocksStays)
{
    QC_REQUIRE_CHMCMD();
    QString rows;
    for (int k = 1; k <= 12; ++k)
        rows += QStringLiteral("<tr><td>Option %1</td><td>Sets the value number %1 that the program keeps between "
                               "runs.</td></tr>").arg(k);
    QString code;
    for (int k = 1; k <= 10; ++k)
        code += QStringLiteral("quill --project demo.qvx --output build/step%1 --verbose\n").arg(k);
    QString longBlock;
    for (int k = 1; k <= 4; ++k)
        longBlock += QStringLiteral("<p>Paragraph %1 of the long block says at length what the notes are for, so that "
                                    "it holds far more text than the note after it.</p>").arg(k);
    auto nav = [](const char *from, const char *to) {
        return QStringLiteral("<p><a href=\"%1.htm\">&lt;&lt; PREVNAV %1</a> | <a href=\"%2.htm\">NEXTNAV %2 &gt;&gt;"
                              "</a></p>").arg(QLatin1String(from), QLatin1String(to));
    };
    ScratchDir dir;
    const QString chm = chmmaker::compile(
        dir.file("src"), "texts",
        {{"toc.hhc", chmmaker::sitemap({{0, "Options", "opts.htm"},
                                        {0, "Running", "run.htm"},
                                        {0, "Notes", "note.htm"},
                                        {0, "Part three", "steps.htm#three"},
                                        {0, "Part four", "steps.htm#four"}})},
         {"opts.htm", navPage("Options", "<h1>Options</h1><p>The dialog box offers these options:</p><table border=1>"
                                             + rows + "</table><p>Click OK to keep them.</p>")},
         {"run.htm", navPage("Running", "<h1>Running</h1><p>To start the program, type:</p><pre>" + code
                                            + "</pre><p>See also <a href=\"opts.htm\">Options</a>.</p>")},
         {"note.htm", navPage("Notes", "<h1>Notes</h1><div class=\"body\">" + longBlock
                                           + "</div><p>NOTELINE Keep a copy.</p>" + nav("run", "steps"))},
         {"steps.htm", navPage("Steps", "<p><a name=\"three\"></a>Press F1 now</p><p>THREETEXT tells what the help "
                                        "window shows after that.</p><p><a name=\"four\"></a>FOURTEXT is the fourth "
                                        "part, with more to say about the steps.</p>" + nav("note", "opts"))}});
    ASSERT_FALSE(chm.isEmpty());
    QStringList errors;
    const auto worker = importer(chm, dir.file("out/texts.docx"), errors);
    worker->Execute();
    ASSERT_FALSE(worker->Chm2DocPDF->Failed) << errors.join('\n').toStdString();
    const Built b = readBack(worker->Chm2DocPDF->pdf);
    const QMap<QString, QStringList> expected{
        {"Options", {"The dialog box offers these options:", "Option 12", "Click OK to keep them."}},
        {"Running", {"To start the program, type:", "build/step10", "See also Options."}},
        {"Notes", {"Paragraph 4 of the long block", "NOTELINE Keep a copy."}},
        {"Part three", {"Press F1 now", "THREETEXT"}},
        {"Part four", {"FOURTEXT"}}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        for (const QString &t : it.value())
            EXPECT_TRUE(under(b, it.key()).contains(t)) << it.key().toStdString() << ": " << t.toStdString() << "\n"
                                                       << b.text.toStdString();
    for (const char *gone : {"Reference for the guide", "PREVNAV", "NEXTNAV", "Options\nOptions\n", "Running\nRunning\n"})
        EXPECT_FALSE(b.text.contains(QLatin1String(gone))) << gone << "\n" << b.text.toStdString();
}

TEST(ChmToWord, CancelAndFailureSaveNothingAndCleanUp)
{
    QC_REQUIRE_CHMCMD();
    const word::options::Values before = [] {
        QMutexLocker lock(&word::options::mutex());
        return word::options::values();
    }();
    {
        // A cancel while the document is being built.
        Import r;
        const QString target = r.dir.file("cancel.docx");
        prepare(r, target);
        bool optionsOff = false;
        r.worker->FOnUpdate = [&](TOutputWord *w) {
            if (w->info == QLatin1String("Creating document...")) {
                optionsOff = !word::Options().CheckSpellingAsYouType() && !word::AutoCorrect().ReplaceText();
                w->WantToExit = true;
            }
        };
        r.worker->Chm2DocPDF->FOnChange = [&r](const QString &t, int p) { r.worker->Chm2WordOnChange(t, p); };
        const QString work = [&] {
            r.worker->Execute();
            return r.worker->Chm2DocPDF->rootFolder;
        }();
        EXPECT_TRUE(optionsOff);
        EXPECT_TRUE(r.worker->Chm2DocPDF->Failed);
        EXPECT_EQ(r.errors, QStringList("User canceled!"));
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_FALSE(QFileInfo::exists(work));
        EXPECT_TRUE(word::Options().CheckSpellingAsYouType() == before.CheckSpellingAsYouType);
        QMutexLocker lock(&word::options::mutex());
        EXPECT_EQ(word::options::values().ReplaceText, before.ReplaceText);
        EXPECT_EQ(word::options::values().AutoFormatApplyHeadings, before.AutoFormatApplyHeadings);
    }
    {
        // A cancel asked before the worker starts ends it during the reading.
        Import r;
        prepare(r, r.dir.file("early.docx"));
        r.worker->Chm2DocPDF->FOnChange = [&r](const QString &t, int p) { r.worker->Chm2WordOnChange(t, p); };
        r.worker->WantToExit = true;
        r.worker->Execute();
        EXPECT_TRUE(r.worker->Chm2DocPDF->Failed);
        EXPECT_FALSE(r.worker->Chm2DocPDF->OK); // the builder never ran
        EXPECT_FALSE(QFileInfo::exists(r.dir.file("early.docx")));
        if (!r.worker->Chm2DocPDF->rootFolder.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(r.worker->Chm2DocPDF->rootFolder));
        }
    }
    {
        // A target in use whose user gives up: the old file stays as it was.
        Import r;
        const QString target = r.dir.file("busy.docx");
        prepare(r, target);
        writeFile(target, "old content");
        writeFile(r.dir.file(".~lock.busy.docx#"), "someone");
        int asked = 0;
        r.worker->Chm2DocPDF->FOnDenied = [&](const QString &file) {
            EXPECT_EQ(file, target);
            if (++asked == 2)
                r.worker->Chm2DocPDF->Abort = true;
        };
        r.worker->Execute();
        EXPECT_EQ(asked, 2);
        EXPECT_TRUE(r.worker->Chm2DocPDF->Failed);
        EXPECT_EQ(readFile(target), QByteArray("old content"));
        EXPECT_FALSE(r.reports.contains("OK!|100"));
        EXPECT_FALSE(QFileInfo::exists(r.work));
    }
    {
        // A damaged help file: a message naming it, nothing written.
        Import r;
        const QString bad = r.dir.file("bad.chm");
        writeFile(bad, QByteArray("ITSF") + QByteArray(200, '\x7f'));
        r.worker->chm = bad;
        r.worker->Chm2DocPDF->pdf = r.dir.file("bad.docx");
        r.worker->Chm2DocPDF->FOnError = [&r](const QString &t) { r.errors << t; };
        r.worker->Execute();
        EXPECT_TRUE(r.worker->Chm2DocPDF->Failed);
        ASSERT_EQ(r.errors.size(), 1);
        EXPECT_TRUE(r.errors[0].contains("bad.chm")) << r.errors[0].toStdString();
        EXPECT_FALSE(QFileInfo::exists(r.dir.file("bad.docx")));
    }
}

// A failed import leaves an existing target as it was, nothing beside it and
// no work folder: a help file that breaks off after its directory, and a disk
// that fills up while the document is saved.
TEST(ChmToWord, FailedImportKeepsTheOldTargetAndLeavesNothing)
{
    QC_REQUIRE_CHMCMD();
    {
        Import r;
        const QString target = r.dir.file("out/cut.docx");
        prepare(r, target);
        writeFile(target, "old content");
        const QString cut = r.dir.file("cut.chm");
        writeFile(cut, readFile(r.chm).left(0x200));
        r.worker->chm = cut;
        r.worker->Execute();
        EXPECT_TRUE(r.worker->Chm2DocPDF->Failed);
        ASSERT_EQ(r.errors.size(), 1);
        EXPECT_TRUE(r.errors[0].contains("cut.chm")) << r.errors[0].toStdString();
        EXPECT_EQ(readFile(target), QByteArray("old content"));
        EXPECT_EQ(QDir(r.dir.file("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList("cut.docx"));
        if (!r.worker->Chm2DocPDF->rootFolder.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(r.worker->Chm2DocPDF->rootFolder));
        }
    }
    {
        Import r;
        const QString target = r.dir.file("out/full.docx");
        prepare(r, target);
        writeFile(target, "old content");
        // Files may not grow past a few bytes from the moment the document
        // is saved: the save fails as on a full disk.
        rlimit before{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        TChmToDocPDF &c = *r.worker->Chm2DocPDF;
        c.FOnChange = [&r, &c, &before](const QString &t, int) {
            if (r.work.isEmpty())
                r.work = c.rootFolder;
            if (t == QLatin1String("Saving document...")) {
                const rlimit tiny{16, before.rlim_max};
                setrlimit(RLIMIT_FSIZE, &tiny);
            }
        };
        r.worker->Execute();
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_TRUE(c.Failed);
        ASSERT_EQ(r.errors.size(), 1);
        EXPECT_TRUE(r.errors[0].contains("full.docx")) << r.errors[0].toStdString();
        EXPECT_EQ(readFile(target), QByteArray("old content"));
        EXPECT_EQ(QDir(r.dir.file("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList("full.docx"));
        ASSERT_FALSE(r.work.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(r.work));
    }
}

// The engine's restarts read the import's own work document back: the limit
// for documents from elsewhere never refuses it.
TEST(ChmToWord, OwnWorkDocumentPastTheReadersLimitIsNotRefused)
{
    QC_REQUIRE_CHMCMD();
    Import r;
    const QString target = r.dir.file("big.docx");
    prepare(r, target);
    word::Package::Limits &limits = word::Package::DefaultLimits();
    const word::Package::Limits before = limits;
    limits.maxMarkup = 300; // far below what the document holds
    r.worker->Execute();
    QString refused;
    try {
        word::Application app;
        app.Documents().Open(target);
    } catch (const Exception &e) {
        refused = e.message();
    }
    limits = before;
    ASSERT_FALSE(r.worker->Chm2DocPDF->Failed) << r.errors.join('\n').toStdString();
    EXPECT_TRUE(refused.contains("XML tags")) << refused.toStdString();
    EXPECT_TRUE(readBack(target).text.contains("Marble nectar onyx"));
}

namespace {

// libxml2's allocations, failing once the bytes it holds would pass a budget:
// memory running out while a page is read.
qint64 xmlBudget = 0, xmlHeld = 0;
void *budgetMalloc(size_t n)
{
    if (xmlHeld + qint64(n) > xmlBudget)
        return nullptr;
    void *p = std::malloc(n);
    if (p)
        xmlHeld += qint64(malloc_usable_size(p));
    return p;
}
void budgetFree(void *p)
{
    if (p)
        xmlHeld -= qint64(malloc_usable_size(p));
    std::free(p);
}
void *budgetRealloc(void *p, size_t n)
{
    const qint64 old = p ? qint64(malloc_usable_size(p)) : 0;
    if (xmlHeld - old + qint64(n) > xmlBudget)
        return nullptr;
    void *q = std::realloc(p, n);
    if (q)
        xmlHeld += qint64(malloc_usable_size(q)) - old;
    return q;
}
char *budgetStrdup(const char *s)
{
    const size_t n = std::strlen(s) + 1;
    char *p = static_cast<char *>(budgetMalloc(n));
    if (p)
        std::memcpy(p, s, n);
    return p;
}

} // namespace

// A help file too large for a document is refused before any work, naming it;
// a page whose reading runs out of memory fails the import, naming the page,
// instead of leaving the page short in a document reported as made.
TEST(ChmToWord, TooLargeOrCutShortPagesFailNamingThem)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    QString longBody;
    for (int k = 0; k < 4000; ++k)
        longBody += QStringLiteral("<p>Paragraph %1 of the long page, which holds many of them.</p>\n").arg(k);
    const QString chm =
        chmmaker::compile(dir.file("src"), "guide",
                          {{"toc.hhc", chmmaker::sitemap({{0, "Short", "short.htm"}, {0, "Long", "sub/long.htm"}})},
                           {"short.htm", chmmaker::page("Short", "<p>A short page.</p>")},
                           {"sub/long.htm", chmmaker::page("Long", longBody)}});
    ASSERT_FALSE(chm.isEmpty());
    auto run = [&](const QString &target, QString &error) {
        TOutputWord worker;
        worker.chm = chm;
        TChmToDocPDF &c = *worker.Chm2DocPDF;
        c.ForQuillcraft = c.OnlyWord = true;
        c.pdf = target;
        c.FOnError = [&error](const QString &t) { error = t; };
        QStringList reports;
        c.FOnChange = [&reports](const QString &t, int) { reports << t; };
        worker.Execute();
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_FALSE(QFileInfo::exists(c.rootFolder));
        return reports;
    };

    {
        // The limits follow the machine's memory: the pages of a large real
        // help file (146.4 MB) fit on a machine of 24 GB, not on one of 1 GB.
        const qint64 real = qint64(146.4 * 1024 * 1024);
        EXPECT_GT(TCHMDecompile::TSizeLimits::ForMemory(24ll << 30).AllPages, real);
        EXPECT_LT(TCHMDecompile::TSizeLimits::ForMemory(1ll << 30).AllPages, real);

        TCHMDecompile::TSizeLimits &limits = TCHMDecompile::SizeLimits();
        const TCHMDecompile::TSizeLimits before = limits;
        QString error;
        limits.OnePage = 100 * 1024;
        const QStringList reports = run(dir.file("page.docx"), error);
        EXPECT_TRUE(error.contains(chm) && error.contains("sub/long.htm") && error.contains("too large"))
            << error.toStdString();
        EXPECT_FALSE(reports.contains("Analyzing..."));
        limits = before;
        limits.AllPages = 50 * 1024;
        run(dir.file("all.docx"), error);
        limits = before;
        EXPECT_TRUE(error.contains(chm) && error.contains("too large")) << error.toStdString();
    }
    {
        xmlFreeFunc oldFree = nullptr;
        xmlMallocFunc oldMalloc = nullptr;
        xmlReallocFunc oldRealloc = nullptr;
        xmlStrdupFunc oldStrdup = nullptr;
        xmlMemGet(&oldFree, &oldMalloc, &oldRealloc, &oldStrdup);
        // Memory that runs out before the page is taken in, and while it is
        // being read.
        for (const qint64 budget : {400 * 1024, 1200 * 1024}) {
            xmlBudget = budget;
            xmlHeld = 0;
            xmlMemSetup(budgetFree, budgetMalloc, budgetRealloc, budgetStrdup);
            QString error;
            run(dir.file("cut.docx"), error);
            xmlMemSetup(oldFree, oldMalloc, oldRealloc, oldStrdup);
            EXPECT_TRUE(error.contains(chm) && error.contains("sub/long.htm") && error.contains("memory"))
                << budget << ": " << error.toStdString();
        }
    }
}

// A help file of many pages has them read on several threads ahead of the
// paste: every page arrives under its own heading, in the contents' order,
// and two imports give the same bytes.
TEST(ChmToWord, PagesReadOnSeveralThreadsArriveInOrder)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    QList<chmmaker::Entry> entries;
    QMap<QString, QByteArray> files;
    for (int k = 0; k < 60; ++k) {
        const QString name = QStringLiteral("p%1.htm").arg(k);
        entries.append({k % 3 == 0 ? 0 : 1, QStringLiteral("Entry %1").arg(k), name});
        // Words of each page's own, so that no block repeats another page's.
        static const QStringList words{"amber", "basalt", "cobalt", "dune",  "ember", "fjord", "garnet",
                                       "heath", "iris",   "jade",   "kelp",  "loam",  "moss",  "nectar"};
        QString body;
        for (int line = 0; line <= k % 7; ++line) {
            QString text = QStringLiteral("Pagetext %1 line %2").arg(k).arg(line);
            for (int w = 0; w < 4 + (k + line) % 9; ++w)
                text += QLatin1Char(' ') + words.at((k * 7 + line * 3 + w * w) % words.size());
            body += QStringLiteral("<p>%1.</p>").arg(text);
        }
        files.insert(name, chmmaker::page(QStringLiteral("Entry %1").arg(k), body));
    }
    files.insert("toc.hhc", chmmaker::sitemap(entries));
    const QString chm = chmmaker::compile(dir.file("src"), "many", files);
    ASSERT_FALSE(chm.isEmpty());
    QList<QByteArray> made;
    for (const char *name : {"a.docx", "b.docx"}) {
        TOutputWord worker;
        worker.chm = chm;
        TChmToDocPDF &c = *worker.Chm2DocPDF;
        c.ForQuillcraft = c.OnlyWord = true;
        c.pdf = dir.file(name);
        QString error;
        c.FOnError = [&error](const QString &t) { error = t; };
        worker.Execute();
        ASSERT_FALSE(c.Failed) << error.toStdString();
        made << readFile(c.pdf);
    }
    EXPECT_EQ(made[0], made[1]);
    const QString text = readBack(dir.file("a.docx")).text;
    qsizetype at = 0;
    for (int k = 0; k < 60; ++k) {
        const qsizetype heading = text.indexOf(QStringLiteral("Entry %1\n").arg(k), at);
        const qsizetype last = text.indexOf(QStringLiteral("Pagetext %1 line %2 ").arg(k).arg(k % 7), heading);
        ASSERT_GE(heading, 0) << k;
        ASSERT_GT(last, heading) << k;
        at = last;
    }
}

// Help files beside the imported one that its contents merge or its pages
// link to: each is held to the size limits together with the imported one,
// from its directory before anything of it is unpacked, and only a regular
// file whose real place is in the help file's folder is taken in; one that
// is refused is named in a note and left out, as a missing one is.
TEST(ChmToWord, MergedAndLinkedHelpFilesAreCheckedBeforeTheyAreUnpacked)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    auto guide = [](const QString &merged, const QString &linked) {
        return QMap<QString, QByteArray>{
            {"toc.hhc", chmmaker::sitemap({{0, "Start", "start.htm"}, {0, "", "", merged}})},
            {"start.htm", chmmaker::page("Start", "<p>Amber start page, <a href=\"ms-its:" + linked
                                                      + "\">linked words</a>.</p>")}};
    };
    auto sibling = [](const QString &name, const QString &words) {
        QString body;
        for (int k = 0; k < 600; ++k)
            body += QStringLiteral("<p>%1 paragraph %2 of the sibling.</p>\n").arg(words).arg(k);
        return QMap<QString, QByteArray>{{name + ".hhc", chmmaker::sitemap({{0, words, "p.htm"}})},
                                         {"p.htm", chmmaker::page(words, body)}};
    };
    struct Run {
        bool failed = false;
        QString notes, text, error;
        QStringList unpacked; // sibling folders in the work folder before distilling
    };
    auto import = [&](const QString &chm, const QStringList &siblings) {
        Run r;
        TOutputWord worker;
        worker.chm = chm;
        TChmToDocPDF &c = *worker.Chm2DocPDF;
        c.ForQuillcraft = c.OnlyWord = true;
        c.pdf = QFileInfo(chm).absolutePath() + "/out.docx";
        c.FOnError = [&r](const QString &t) { r.error = t; };
        c.FOnMsg = [&r](const QString &t) { r.notes += t + '\n'; };
        c.FOnChange = [&](const QString &t, int) {
            if (t == "Preparing to distill pages...")
                for (const QString &s : siblings)
                    if (QFileInfo::exists(c.rootFolder + s))
                        r.unpacked << s;
        };
        worker.Execute();
        r.failed = c.Failed;
        if (!r.failed)
            r.text = readBack(c.pdf).text;
        return r;
    };

    {
        SCOPED_TRACE("siblings past the limits");
        const QString chm = chmmaker::compile(dir.file("big"), "guide",
                                              guide("merged.chm::/merged.hhc", "linked.chm::/p.htm"));
        ASSERT_FALSE(chmmaker::compile(dir.file("big"), "merged", sibling("merged", "Cobalt")).isEmpty());
        ASSERT_FALSE(chmmaker::compile(dir.file("big"), "linked", sibling("linked", "Indigo")).isEmpty());
        ASSERT_FALSE(chm.isEmpty());
        TCHMDecompile::TSizeLimits &limits = TCHMDecompile::SizeLimits();
        const TCHMDecompile::TSizeLimits before = limits;
        // The help file's own page fits; neither sibling's pages fit beside it.
        limits.AllPages = 16 * 1024;
        const Run r = import(chm, {"merged.chm", "linked.chm"});
        limits = before;
        ASSERT_FALSE(r.failed) << r.error.toStdString();
        EXPECT_TRUE(r.unpacked.isEmpty()) << r.unpacked.join(',').toStdString();
        EXPECT_TRUE(r.notes.contains("\"merged.chm\", which is too large"));
        EXPECT_TRUE(r.notes.contains("\"linked.chm\", which is too large")) << r.notes.toStdString();
        EXPECT_TRUE(r.text.contains("Amber start page, linked words")) << r.text.toStdString();
        EXPECT_FALSE(r.text.contains("Cobalt") || r.text.contains("Indigo")) << r.text.toStdString();
    }
    {
        SCOPED_TRACE("a link to a help file elsewhere");
        const QString secret = chmmaker::compile(dir.file("secret"), "private", sibling("private", "Classified"));
        const QString chm = chmmaker::compile(dir.file("src"), "guide",
                                              guide("linked.chm::/private.hhc", "linked.chm::/p.htm"));
        ASSERT_FALSE(secret.isEmpty() || chm.isEmpty());
        ASSERT_TRUE(QFile::link("../secret/private.chm", dir.file("src/linked.chm")));
        const Run r = import(chm, {"linked.chm"});
        ASSERT_FALSE(r.failed) << r.error.toStdString();
        EXPECT_TRUE(r.unpacked.isEmpty());
        EXPECT_TRUE(r.notes.contains("\"linked.chm\", which is a link to a file outside its folder"))
            << r.notes.toStdString();
        EXPECT_TRUE(r.text.contains("Amber start page")) << r.text.toStdString();
        EXPECT_FALSE(r.text.contains("Classified")) << r.text.toStdString();
    }
}

// The same help file gives the same document, byte for byte, whatever the
// folder, the clock or the time zone.
TEST(ChmToWord, TheSameHelpFileGivesTheSameBytes)
{
    QC_REQUIRE_CHMCMD();
    const QByteArray zone = qgetenv("TZ");
    QList<QByteArray> made;
    for (const char *tz : {"UTC", "Asia/Tokyo"}) {
        qputenv("TZ", tz);
        tzset();
        Import r;
        const QString target = r.dir.file(QStringLiteral("out/%1.docx").arg(made.size()));
        prepare(r, target);
        r.worker->Execute();
        ASSERT_FALSE(r.worker->Chm2DocPDF->Failed) << r.errors.join('\n').toStdString();
        made << readFile(target);
    }
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
    EXPECT_EQ(made[0], made[1]);
}

TEST(ChmToWord, TargetNameAndOddExtension)
{
    EXPECT_EQ(TChmToDocPDF::SaveTarget("/a/b/Help.DOCX"), "/a/b/Help.DOCX");
    EXPECT_EQ(TChmToDocPDF::SaveTarget("/a/b/help.doc"), "/a/b/help.doc");
    EXPECT_EQ(TChmToDocPDF::SaveTarget("/a/b.d/help.txt"), "/a/b.d/help.docx");
    EXPECT_EQ(TChmToDocPDF::SaveTarget("/a/b.d/help"), "/a/b.d/help.docx");
}

// Help files made by other compilers become documents whose headings are the
// contents entries and whose text holds the pages' text; LibreOffice reads
// them.
TEST(ChmToWord, CorpusHelpFilesBecomeDocuments)
{
    QC_REQUIRE_CORPUS("chm");
    const QDir corpus(corpusDir("chm"));
    const QStringList chms = corpus.entryList({QStringLiteral("*.chm")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(chms.isEmpty());
    for (const QString &name : chms) {
        SCOPED_TRACE(name.toStdString());
        ScratchDir dir;
        // The pages as the distiller leaves them, for their text.
        TCHMDistill pages;
        pages.LoadFromCHM(corpus.filePath(name));
        pages.rootFolder = dir.file("pages/");
        pages.decompile();
        pages.Addenda = QStringLiteral("Addenda");
        pages.Execute();

        TOutputWord worker;
        worker.chm = corpus.filePath(name);
        TChmToDocPDF &c = *worker.Chm2DocPDF;
        c.ForQuillcraft = c.OnlyWord = true;
        c.pdf = dir.file("out.docx");
        c.Settings->XE = true;
        c.Settings->HintFormat.clear();
        QString error;
        c.FOnError = [&error](const QString &t) { error = t; };
        worker.Execute();
        ASSERT_FALSE(c.Failed) << error.toStdString();

        const Built b = readBack(c.pdf);
        ASSERT_EQ(b.headings.size(), pages.List.Count());
        ASSERT_EQ(c.List.Count(), pages.List.Count());
        for (int i = 0; i < pages.List.Count(); ++i) {
            const TTitleList *e = pages.List.Items(i);
            EXPECT_EQ(b.headings[i].text, e->Topic);
            EXPECT_EQ(b.headings[i].level, std::min(e->Level, 8) + 1);
            if (e->Status != 0 || !QFileInfo(pages.rootFolder + e->Url).isFile())
                continue;
            // Every word of the page's text is in the document.
            word::Application app;
            word::Document *p = app.Documents().Open(pages.rootFolder + e->Url, word::wdOpenFormatWebPages);
            const QStringList words = p->Content().Text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
            for (const QString &w : words)
                if (!b.text.contains(w)) {
                    ADD_FAILURE() << e->Url.toStdString() << ": " << w.toStdString();
                    break;
                }
        }

        if (word::lo::IsAvailable()) {
            const QString txt = dir.file("lo/out.txt");
            word::lo::Convert(c.pdf, QStringLiteral("txt:Text (encoded):UTF8"), txt, QStringLiteral("read the import"));
            const QString loText = QString::fromUtf8(readFile(txt));
            for (const Heading &h : b.headings)
                EXPECT_TRUE(loText.contains(h.text)) << h.text.toStdString();
        }
    }
}
