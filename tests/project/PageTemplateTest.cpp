// Page templates: button placeholders, head merging and the pages made for
// topics, with small templates and with the two shipped ones.
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {

QByteArray packageOf(const QList<std::pair<QString, QByteArray>> &files)
{
    QByteArray out;
    for (const auto &[name, data] : files) {
        char b[8];
        qToLittleEndian<qint64>(name.size(), b);
        out.append(b, 8).append(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
        qToLittleEndian<qint64>(data.size(), b);
        out.append(b, 8).append(data);
    }
    return out;
}

TContentsItem topic(const QString &title, const QString &prev, const QString &next)
{
    TContentsItem item;
    item.Title = title;
    item.HTMLTitle = title;
    item.LastPage = prev;
    item.NextPage = next;
    item.Content = QStringLiteral("<p>Body</p>");
    item.Navigation = QStringLiteral("Help &gt; <a href=\"a.htm\">A</a>");
    return item;
}

} // namespace

TEST(PageTemplate, FirstButtonImageFixesTheExtension)
{
    const QByteArray package = packageOf({{QStringLiteral("t.htm"),
                                           "<html><body><IMG src=\"btn_next_n.png\"> <img src=\"btn_prev_n.gif\">"
                                           " <img src=\"images/btn_prev_n.png\"> <img src=\"btn_prev_n.png\">"
                                           "</body></html>"}});
    TTemplate t(package, QStringLiteral("Back"), QStringLiteral("On"));
    EXPECT_EQ(t.pn.Extension, QStringLiteral(".png"));
    EXPECT_TRUE(t.pn.Next);
    EXPECT_TRUE(t.pn.Prev);
    EXPECT_EQ(t.TempSource, QStringLiteral("<html><body>($nextimg$) <img src=\"btn_prev_n.gif\"> "
                                           "<img src=\"images/btn_prev_n.png\"> ($previmg$)</body></html>"));
}

TEST(PageTemplate, ButtonsLinkOrTurnGreyAtTheEndsOfTheChain)
{
    ScratchDir dir;
    const QByteArray package =
        packageOf({{QStringLiteral("t.htm"), "<html><head></head><body>($PREV$)|<img src=\"btn_prev_n.gif\">|"
                                             "<img src=\"btn_next_n.gif\">|($next$)</body></html>"},
                   {QStringLiteral("btn_prev_n.gif"), "n"},
                   {QStringLiteral("btn_prev_g.gif"), "g"}});
    TTemplate t(package, QStringLiteral("Prev \"one\""), QStringLiteral("Next"));
    t.CopyAttachedFiles(dir.path() + u'/');
    EXPECT_TRUE(t.pn.Prev_Gray);
    EXPECT_FALSE(t.pn.Next_Gray);

    const QString first = t.MakePage(topic(QStringLiteral("First"), QString(), QStringLiteral("b.htm")));
    EXPECT_TRUE(first.contains(QStringLiteral("&lt;&lt;Prev \"one\"|")));
    EXPECT_TRUE(first.contains(QStringLiteral("<img id=\"marrowby_template_prev\" alt=\"Prev &quot;one&quot;\" "
                                              "src=\"btn_prev_g.gif\" border=\"0\">")));
    EXPECT_TRUE(first.contains(QStringLiteral("<A href=\"b.htm\" title=\"Next\"><img id=\"marrowby_template_next\" "
                                              "alt=\"Next\" src=\"btn_next_n.gif\" border=\"0\"></a>")));
    EXPECT_TRUE(first.contains(QStringLiteral("<A href=\"b.htm\">Next&gt;&gt;</a>")));

    const QString last = t.MakePage(topic(QStringLiteral("Last"), QStringLiteral("a.htm"), QString()));
    EXPECT_TRUE(last.contains(QStringLiteral("<A href=\"a.htm\">&lt;&lt;Prev \"one\"</a>")));
    EXPECT_TRUE(last.contains(QStringLiteral("title=\"Prev &quot;one&quot;\"")));
    EXPECT_TRUE(last.contains(QStringLiteral("|Next&gt;&gt;</body>"))); // no grey next image in the package
}

TEST(PageTemplate, PlaceholdersAreFilledOnceWhateverTheValuesHold)
{
    const QByteArray package = packageOf(
        {{QStringLiteral("t.htm"),
          "<html><head><title>x</title></head><body>[($Title$)][($content$)][($footer$)][($projecttitle$)]"
          "[($navigation$)][($unknown$)]</body></html>"}});
    TTemplate t(package);
    t.ProjectTitle = QStringLiteral("($footer$)");
    t.Copyright = QStringLiteral("&copy; ($content$)");
    TContentsItem item = topic(QStringLiteral("A & B <($content$)>"), QString(), QString());
    item.HTMLTitle = QStringLiteral("A &amp; B &lt;($content$)&gt;");
    item.Content = QStringLiteral("<p>($title$)</p>");
    const QString page = t.MakePage(item);
    EXPECT_TRUE(page.contains(QStringLiteral("[A &amp; B &lt;($content$)&gt;][<p>($title$)</p>][&copy; ($content$)]"
                                             "[($footer$)][Help &gt; <a href=\"a.htm\">A</a>][($unknown$)]")))
        << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("<title>A &amp; B &lt;($content$)&gt;</title>"))) << page.toStdString();
}

TEST(PageTemplate, HeadsMergeWithTheProgramsMetasFirst)
{
    const QByteArray package = packageOf(
        {{QStringLiteral("t.htm"),
          "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
          "<meta name=\"keywords\" content=\"tpl\"><meta name=\"description\" content=\"d\">"
          "<title>T</title><style>.a{}</style><style>.b{}</style>"
          "<script src=\"Lib.js\"></script><link rel=stylesheet href=\"t.css\"><!-- note -->"
          "</head><body>($content$)</body></html>"}});
    TTemplate t(package);
    THEADElements doc;
    doc.Load(QStringLiteral("<meta name=Generator content=\"Word\"><meta name=keywords content=doc>"
                            "<title>Doc</title><style>\n.doc{}\n</style><script src=\"lib.js\"></script>"));
    t.UniteHead(doc);

    QStringList order;
    for (int i = 0; i < doc.Count(); ++i)
        order << doc.Item(i)->TagName + u':' + doc.Item(i)->InnerHTML.left(30);
    const QString text = doc.Text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("\r\n<meta http-equiv=Content-Type content=\"text/html; charset=\">\r\n"
                                               "<meta name=Generator content=\"Tessaly Quillcraft\">\r\n")))
        << order.join(u'\n').toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("<title>")));
    EXPECT_FALSE(text.contains(QStringLiteral("Word")));
    EXPECT_FALSE(text.contains(QStringLiteral("charset=utf-8")));
    // the document's keywords stay, the template's description follows them
    EXPECT_LT(text.indexOf(QStringLiteral("content=doc")), text.indexOf(QStringLiteral("description")));
    EXPECT_FALSE(text.contains(QStringLiteral("content=\"tpl\"")));
    // both template styles after the document's, in the template's order
    const int docStyle = text.indexOf(QStringLiteral(".doc{}"));
    EXPECT_LT(docStyle, text.indexOf(QStringLiteral(".a{}")));
    EXPECT_LT(text.indexOf(QStringLiteral(".a{}")), text.indexOf(QStringLiteral(".b{}")));
    EXPECT_EQ(text.count(QStringLiteral(".js")), 1); // Lib.js is lib.js in another case
    EXPECT_TRUE(text.contains(QStringLiteral("t.css")));
    EXPECT_FALSE(text.contains(QStringLiteral("note")));
    EXPECT_TRUE(t.TempSource.contains(text));

    const QString page = t.MakePage(topic(QStringLiteral("Topic"), QString(), QString()));
    EXPECT_TRUE(page.contains(QStringLiteral("<title>Topic</title>")));
}

// Every shipped template, merged with a converted document's head, gives a page
// with working buttons, the trail, the title and the merged head.
TEST(PageTemplate, ShippedTemplatesMakeCompletePages)
{
    for (const QString &page : {QStringLiteral("templates/fixedtop/fixedtop.htm"),
                                QStringLiteral("templates/standard1/template.htm")}) {
        SCOPED_TRACE(page.toStdString());
        QByteArray package;
        PackTemplate(ProgramFolder() + page, package);
        ScratchDir out;
        TTemplate t(package, QStringLiteral("Previous"), QStringLiteral("Next"));
        t.ProjectTitle = QStringLiteral("Sample Help");
        t.Copyright = QStringLiteral("&copy; 2026 Sample");
        t.CopyAttachedFiles(out.path() + u'/');
        EXPECT_EQ(t.pn.Extension, QStringLiteral(".png"));
        EXPECT_TRUE(t.pn.Prev && t.pn.Next && t.pn.Prev_Gray && t.pn.Next_Gray);
        for (const char *image : {"btn_prev_n.png", "btn_prev_g.png", "btn_next_n.png", "btn_next_g.png"})
            EXPECT_TRUE(QFileInfo::exists(out.file(QString::fromLatin1(image)))) << image;

        THEADElements head;
        head.Load(QStringLiteral("<meta name=Generator content=\"Word\"><style>p.MsoNormal{margin:0}</style>"));
        t.UniteHead(head);
        TContentsItem item = topic(QStringLiteral("Installing"), QString(), QStringLiteral("next.htm"));
        const QString html = t.MakePage(item);
        EXPECT_FALSE(html.contains(QStringLiteral("($"))) << html.toStdString();
        EXPECT_TRUE(html.contains(QStringLiteral("src=\"btn_prev_g.png\"")));
        EXPECT_TRUE(html.contains(QStringLiteral("<A href=\"next.htm\" title=\"Next\"><img id=\"marrowby_template_next\"")));
        EXPECT_TRUE(html.contains(item.Navigation));
        EXPECT_TRUE(html.contains(QStringLiteral("<p>Body</p>")));
        EXPECT_TRUE(html.contains(QStringLiteral("p.MsoNormal{margin:0}")));
        EXPECT_TRUE(html.contains(QStringLiteral("<meta name=Generator content=\"Tessaly Quillcraft\">")));
        EXPECT_TRUE(html.contains(QStringLiteral("<title>Installing</title>")));
        EXPECT_TRUE(html.contains(QStringLiteral("Sample Help")));
        EXPECT_TRUE(html.contains(QStringLiteral("&copy; 2026 Sample")));
        EXPECT_EQ(html.count(QStringLiteral("<title>")), 1);
    }
}
