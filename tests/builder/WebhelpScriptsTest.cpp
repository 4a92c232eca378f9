// The generated texts of the WebHelp output: contents trees, keyword index,
// search data, interface strings and the edits made to pages.
#include "WebhelpTestSupport.h"

#include "platform/Exception.h"

using namespace webhelptest;

namespace {

QString contentsTree(WebHelpBuild &b, bool Scripted)
{
    TWebHelp writer(&b.Project, &b.Contents, nullptr);
    QString text;
    if (Scripted)
        writer.MakeJs(text);
    else
        writer.MakeHTML(text);
    return text;
}

} // namespace

TEST(WebHelpContents, ScriptedTreeOfABookWithAPage)
{
    WebHelpBuild b;
    b.setTopics({{1, "Book", 2}, {2, "Leaf"}, {1, "End"}});
    EXPECT_EQ(contentsTree(b, true),
              QStringLiteral(
                  "<script>SetEnv(0,false)</script>"
                  "<div><nobr><a href=\"#\" onClick=\"return NodeClick('0')\"><img id=\"imgn0\" "
                  "src=\"icons/daplus.gif\" "
                  "class=\"p\"></a><a href=\"#\" onclick=\"return LinkClick('0',true,false)\" onDblClick=\"return "
                  "LinkDblClick('0')\" target=\"content\" title=\"Book\" onmousemove=\"window.status='Book'\"><img "
                  "id=\"img0\" src=\"icons/1.gif\" class=\"p\"> <span id=\"l0\" class=\"unselected\">Book</span></a>"
                  "</nobr></div>\r\n"
                  "<div id=\"d0\" style=\"display:none\"><div><nobr><img src=\"icons/line.gif\" class=\"p\"><img "
                  "src=\"icons/upangle.gif\" class=\"p\"><a href=\"pages/topic1.htm\" onclick=\"return "
                  "LinkClick('1',false,true)\" target=\"content\" title=\"Leaf\" onmousemove=\"window.status='Leaf'\">"
                  "<img src=\"icons/11.gif\" class=\"p\"> <span id=\"l1\" class=\"unselected\">Leaf</span></a>"
                  "</nobr></div>\r\n"
                  "</div><div><nobr><img src=\"icons/upangle.gif\" class=\"p\"><a href=\"pages/topic2.htm\" "
                  "onclick=\"return LinkClick('2',false,true)\" target=\"content\" title=\"End\" "
                  "onmousemove=\"window.status='End'\"><img src=\"icons/11.gif\" class=\"p\"> <span id=\"l2\" "
                  "class=\"unselected\">End</span></a></nobr></div>\r\n"
                  "<script>divlist = [0]</script>"));
}

TEST(WebHelpContents, PlainTreeWithoutRootImagesOrLines)
{
    WebHelpBuild b;
    b.Project.StartFromRoot = false;
    b.Project.DrawLines = false;
    b.Project.AutoCollapse = true;
    b.setTopics({{1, "Book \"A\" & Tom's"}, {2, "Deep"}, {3, "Deeper"}, {1, "Last"}});
    const QString plain = contentsTree(b, false);
    EXPECT_TRUE(plain.startsWith(QStringLiteral("<script>SetEnv(1,true)</script><div><nobr><a "
                                                "href=\"pages/topic0.htm\" "
                                                "target=\"content\" title=\"Book &quot;A&quot; &amp; Tom's\"><img "
                                                "id=\"img0\" src=\"icons/2.gif\" class=\"p\"> <span id=\"l0\"")))
        << plain.toStdString();
    // Level 2 starts in the first column; level 3 gets one blank filler.
    EXPECT_TRUE(plain.contains(QStringLiteral("<div id=\"d0\"><div><nobr><a href=\"#\"><img id=\"imgn1\" "
                                              "src=\"icons/plus.gif\" class=\"p\"></a><a href=\"pages/topic1.htm\"")));
    EXPECT_TRUE(plain.contains(QStringLiteral("<div id=\"d1\"><div><nobr><img src=\"icons/blank.gif\" class=\"p\"><img "
                                              "src=\"icons/blank.gif\" class=\"p\"><a href=\"pages/topic2.htm\" "
                                              "target=\"content\" title=\"Deeper\"><img src=\"icons/11.gif\"")));
    EXPECT_TRUE(plain.contains(QStringLiteral("</div></div><div><nobr><a href=\"pages/topic3.htm\"")));
    EXPECT_FALSE(plain.contains(QStringLiteral("divlist")));
    EXPECT_FALSE(plain.contains(QStringLiteral("onclick"), Qt::CaseInsensitive));

    const QString scripted = contentsTree(b, true);
    EXPECT_TRUE(scripted.contains(QStringLiteral("onmousemove=\"window.status='Book &quot;A&quot; &amp; Tom\\'s'\"")));
    EXPECT_TRUE(scripted.endsWith(QStringLiteral("<script>divlist = [0,1]</script>")));
}

TEST(WebHelpIndex, SharedLevelsTopicsAndEscapes)
{
    WebHelpBuild b;
    b.setTopics({{1, "Rakes", 0, "Tools/Rake\r\n  \r\nTools/Spade"},
                 {1, "Bob's page", 0, "Tools/Rake\nTom's <tip>"},
                 {1, "Book", 2, "Ignored"},
                 {2, "Inner"}});
    TWebHelp writer(&b.Project, &b.Contents, nullptr);
    QString text;
    writer.MakeIndexForWeb(text);
    EXPECT_EQ(text, QStringLiteral("<option value=\"writepage([['Bob\\'s page','pages/topic1.htm']]);\">Tom's "
                                   "&lt;tip&gt;</option>"
                                   "<option>Tools</option>\r\n"
                                   "<option value=\"writepage([['Rakes','pages/topic0.htm'],['Bob\\'s "
                                   "page','pages/topic1.htm']]);\">&nbsp;&nbsp;&nbsp;&nbsp;Rake</option>"
                                   "<option value=\"writepage([['Rakes','pages/topic0.htm']]);\">"
                                   "&nbsp;&nbsp;&nbsp;&nbsp;Spade</option>"));

    b.setTopics({{1, "Plain"}});
    writer.MakeIndexForWeb(text);
    EXPECT_TRUE(text.isEmpty());

    // A level holding markup is escaped in parent options too; a doubled
    // slash stays inside its level.
    b.setTopics({{1, "A", 0, "<i>&x/a//b"}});
    writer.MakeIndexForWeb(text);
    EXPECT_EQ(text, QStringLiteral("<option>&lt;i&gt;&amp;x</option>\r\n<option value=\"writepage([['A',"
                                   "'pages/topic0.htm']]);\">&nbsp;&nbsp;&nbsp;&nbsp;a/b</option>"));
}

TEST(WebHelpSearch, PlainTextOfPagesAndItsScript)
{
    EXPECT_EQ(GetSearchText(QStringLiteral(
                  "lead<html><head><title>T</title><style>p{}</style><script>x<y</script></head><body><p>One &amp; "
                  "two</p>\r\n<p\r\nclass=x>three<br>four</p><ul><li>a</li><li>b</li></ul></body></html>")),
              QStringLiteral("`One & two `three`four`a`b`"));

    EXPECT_EQ(EscapeJSString(QStringLiteral("a\\b`c\"d'e\r\nf</SCRIPT>")),
              QStringLiteral("a\\\\b\\nc\\\"d\\'e\\n\\rf<\\/SCRIPT>"));

    WebHelpBuild b;
    b.setTopics({{1, "Say \"hi\"", 0, "", "<p>First</p><p>line</p>"}, {1, "Book", 2}, {2, "Hidden"}});
    b.Contents.Item(2)->Accessible = false;
    TWebHelp writer(&b.Project, &b.Contents, nullptr);
    writer.GetTextsForSearch();
    QString js;
    writer.OutputSearchJS(js);
    EXPECT_EQ(js, QStringLiteral("var contents = new Array(\"\\nFirst\\nline\",\"Say \\\"hi\\\"\","
                                 "\"pages\\\\topic0.htm\");"));
}

TEST(WebHelpLanguage, NamesValuesAndScript)
{
    EXPECT_EQ(ParseInterfaceNames(QStringLiteral("x[\" Print \"]y\r\n[\"\"]\n\"] [\"No\"]\nplain\n[\"Back\"]")),
              QStringList({QStringLiteral("Print"), QStringLiteral("Back")}));

    const QStringList dictionary = {QStringLiteral("Print="), QStringLiteral("BACK=Zurück"),
                                    QStringLiteral("back=second"), QStringLiteral("Quote=Say \"x\" \\ </script>")};
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue(QStringLiteral("Print"), dictionary), QStringLiteral("Print"));
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue(QStringLiteral("Back"), dictionary), QStringLiteral("Zurück"));
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue(QStringLiteral("Next"), dictionary), QStringLiteral("Next"));

    WebHelpBuild b;
    const QString program = b.path(QStringLiteral("program"));
    ProgramFolderOverride programOverride(program);
    EXPECT_THROW(TWebHelpInterfaceLanguage(), Exception);
    // The list is read whatever byte-order mark it starts with.
    const QString list = QString::fromUtf8("strings[\"Back\"]\r\nstrings[\"Quote\"]\r\nstrings[\"Zurück\"]\r\n");
    const QByteArray utf16le(reinterpret_cast<const char *>(list.utf16()), list.size() * 2);
    QByteArray utf16be;
    for (const QChar c : list)
        utf16be += char(c.unicode() >> 8), utf16be += char(c.unicode() & 0xFF);
    for (const QByteArray &bytes : {QByteArray("\xEF\xBB\xBF") + list.toUtf8(), QByteArray("\xFF\xFE") + utf16le,
                                    QByteArray("\xFE\xFF") + utf16be}) {
        testsupport::writeFile(program + QStringLiteral("/webhelp/languages.txt"), bytes);
        EXPECT_EQ(TWebHelpInterfaceLanguage().Names,
                  QStringList({QStringLiteral("Back"), QStringLiteral("Quote"), QStringLiteral("Zurück")}))
            << bytes.left(2).toHex().toStdString();
    }
    testsupport::writeFile(program + QStringLiteral("/webhelp/languages.txt"),
                           "\xEF\xBB\xBFstrings[\"Back\"]\r\nstrings[\"Quote\"]\r\n");
    TWebHelpInterfaceLanguage language;
    language.Dictionary = dictionary;
    QString js;
    language.GetLanguageJS(js);
    EXPECT_EQ(js, QStringLiteral("var strings = new Object();\r\nstrings[\"Back\"] = \"Zurück\";\r\n"
                                 "strings[\"Quote\"] = \"Say \\\"x\\\" \\\\ <\\/script>\";\r\n"));
}

TEST(WebHelpPageText, ExtensionsBodyScriptAndDocumentType)
{
    EXPECT_EQ(ChangeHtmExtension(QStringLiteral("a.htm b.HTML c.HTM#x d.htm?p 'e.htm' f.htmx g.html .htm")),
              QStringLiteral("a.html b.HTML c.html#x d.html?p 'e.html' f.htmx g.html .html"));

    const QString s = QStringLiteral("<S>");
    EXPECT_EQ(InsertAfterBodyTag(QStringLiteral("<!--body--><bodyx><BODY\nclass=x>t</body>"), s),
              QStringLiteral("<!--body--><bodyx><BODY\nclass=x><S>t</body>"));
    EXPECT_EQ(InsertAfterBodyTag(QStringLiteral("<p>no body</p>"), s), QStringLiteral("<S><p>no body</p>"));

    const QString mark = QStringLiteral("<!-- saved from url=(0014)about:internet -->");
    EXPECT_EQ(AddDocTypeAndWebMark(QStringLiteral("<!doctype html><p>")),
              QStringLiteral("<!doctype html>\r\n") + mark + QStringLiteral("<p>"));
    EXPECT_EQ(AddDocTypeAndWebMark(QStringLiteral("<S><p>")),
              QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n") + mark +
                  QStringLiteral("\r\n<S><p>"));

    EXPECT_EQ(EscapeJSText(QStringLiteral("a\"b'c\\d\r\ne</Script>f</p>")),
              QStringLiteral("a\\\"b\\'c\\\\d\\r\\ne<\\/Script>f</p>"));
}
