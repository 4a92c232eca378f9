#include "foundation/HTMLProcess.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *utf8) { return QString::fromUtf8(utf8); }

void expectUnescaped(std::initializer_list<std::pair<const char *, const char *>> cases)
{
    for (const auto &[text, decoded] : cases)
        EXPECT_EQ(UnescapeHtml(S(text)), S(decoded)) << text;
}

} // namespace

TEST(HtmlEscape, EscapesTheFiveCharactersAmpersandFirst)
{
    EXPECT_EQ(EscapeHtml(S("a&b\"c\"<d>\u00a9 'e'")),
              S("a&amp;b&quot;c&quot;&lt;d&gt;&copy; 'e'"));
    EXPECT_EQ(EscapeHtml(S("&amp;")), S("&amp;amp;"));
    EXPECT_EQ(EscapeHtml(QString()), QString());
}

TEST(HtmlEscape, UnescapeUndoesEscape)
{
    for (const char *text : {"plain", "a & b", "&amp;", "&lt", "<lt>", "&;", "\"q\" \u00a9 2026",
                             "&#169;", "x&y;z", "R&D; <b>&</b>", "&&&;;"})
        EXPECT_EQ(UnescapeHtml(EscapeHtml(S(text))), S(text)) << text;
}

TEST(HtmlUnescape, DecodesNamedReferences)
{
    expectUnescaped({
        {"&lt;p&gt;", "<p>"},
        {"&amp;lt;", "&lt;"}, // one level only
        {"a &amp", "a &"},
        {"x&nbsp;y", "x y"},
        {"&AMP;&QUOT;&Dstrok;", "&\"\u0110"},
        {"&Amp;", "&Amp;"},
        {"&lt&gt", "<>"},
        {"&lt;;", "<;"},
        {"&ltx;", "<x;"},
    });
}

TEST(HtmlUnescape, TakesTheWholeNameBeforeASemicolon)
{
    expectUnescaped({
        {"&notin;", "\u2209"},
        {"x&sup2;", "x\u00b2"},
        {"&sup1;&sup3;&supe;&sube;&piv;&ordf;&ordm;&sigmaf;&thetasym;",
         "\u00b9\u00b3\u2287\u2286\u03d6\u00aa\u00ba\u03c2\u03d1"},
        {"&euro;5", "\u20ac5"},
        // Without ";" the shortest name still wins, the rest being text.
        {"&notin", "\u00acin"},
        {"&notit;", "\u00acit;"},
        {"&not;x", "\u00acx"},
    });
}

TEST(HtmlUnescape, LeavesNonReferencesAlone)
{
    expectUnescaped({
        {"fish & chips", "fish & chips"},
        {"AT&T rocks&more", "AT&T rocks&more"},
        {"&abcdefghijklmnop;", "&abcdefghijklmnop;"},
        {"a&", "a&"},
        {"&#x41;", "&#x41;"},
        {"&#", "&#"},
        {"&#;", "&#;"},
        {"", ""},
    });
}

TEST(HtmlUnescape, DecodesDecimalReferences)
{
    expectUnescaped({
        {"&#169;", "\u00a9"},
        {"&#169 x", "\u00a9 x"},
        {"&#65", "A"},
        {"&#0065;", "A"},
        {"&#65x", "Ax"},
        {"&#65&lt;", "&#65<"}, // ended by "&": left as written
        {"&#65;;", "A;"},
        // Beyond U+FFFF: the real character, as a surrogate pair.
        {"&#128512;", "\U0001F600"},
        {"&#65601;", "\U00010041"},
    });
    EXPECT_EQ(UnescapeHtml(S("&#1114111;")).size(), 2);
}

TEST(HtmlUnescape, KeepsReferencesThatNameNoCharacter)
{
    expectUnescaped({
        {"a&#0;b", "a&#0;b"},
        {"&#1114112;", "&#1114112;"},
        {"&#4294967361;", "&#4294967361;"},
        {"&#99999999999999999999999 x", "&#99999999999999999999999 x"},
        {"&#2147483648", "&#2147483648"},
    });
}

TEST(HtmlUnescape, EntityEncodedTest)
{
    EXPECT_TRUE(IsEntityEncoded(S("&#199;&#225;&#221;")));
    EXPECT_TRUE(IsEntityEncoded(S("&#199; &#225;")));
    EXPECT_FALSE(IsEntityEncoded(S("&#199;")));
    EXPECT_FALSE(IsEntityEncoded(S("&#199;&#225; caf\u00e9")));
    EXPECT_FALSE(IsEntityEncoded(QString()));
    // A reference running past six characters counts as ended.
    EXPECT_TRUE(IsEntityEncoded(S("&abcdefgh&ijklmnop")));
    EXPECT_FALSE(IsEntityEncoded(S("&abcdef&ghijkl")));
}

TEST(HtmlTitle, ReadsTheTitle)
{
    EXPECT_EQ(GetHtmlTitle(S("<html><HEAD><TITLE>Two\r\nLines</Title></head>")), S("TwoLines"));
    EXPECT_EQ(GetHtmlTitle(S("<title>A &amp; B</title>")), S("A & B"));
    EXPECT_EQ(GetHtmlTitle(S("<title></title>")), QString());
    EXPECT_EQ(GetHtmlTitle(S("<head></head>")), QString());
    EXPECT_EQ(GetHtmlTitle(S("</title><title>x")), QString());
}

TEST(HtmlTitle, SetsTheTitleEscapedInBothCases)
{
    EXPECT_EQ(SetHtmlTitle(S("<head><TITLE></TITLE></head>"), S("A & <B>")),
              S("<head><title>A &amp; &lt;B&gt;</title></head>"));
    EXPECT_EQ(SetHtmlTitle(S("<head><title>Old</title></head>"), S("New")),
              S("<head><title>New</title></head>"));
    EXPECT_EQ(SetHtmlTitle(S("<HTML><HEAD></HEAD>"), S("\"x\" \u00a9")),
              S("<HTML><head>\r\n<title>&quot;x&quot; &copy;</title>\r\n</HEAD>"));
    EXPECT_EQ(SetHtmlTitle(S("<html><head lang=en></head>"), S("T")), S("<html><head lang=en></head>"));
    const QString page = SetHtmlTitle(S("<html><head></head></html>"), S("R&D < 5"));
    EXPECT_EQ(GetHtmlTitle(page), S("R&D < 5"));
}

TEST(HtmlHead, ReadsAndCutsTheHead)
{
    const QString page = S("<html><HEAD profile=x><meta a>\r\n<title>t</title></Head><body>x</body></html>");
    EXPECT_EQ(GetHtmlHead(page), S("<meta a>\r\n<title>t</title>"));
    const THtmlHeadSplit split = SplitHtmlHead(page);
    EXPECT_EQ(split.Head, S("<meta a>\r\n<title>t</title>"));
    EXPECT_EQ(split.Page, S("<html><head profile=x>($Head$)</head><body>x</body></html>"));
    QString joined = split.Page;
    EXPECT_EQ(joined.replace(HeadPlaceholder, split.Head),
              S("<html><head profile=x><meta a>\r\n<title>t</title></head><body>x</body></html>"));
}

TEST(HtmlHead, PagesWithoutAProperHead)
{
    for (const char *page : {"<html><body>x</body></html>", "</head><head>", "<head>no end",
                             "<head</head>"}) {
        EXPECT_EQ(GetHtmlHead(S(page)), QString()) << page;
        const THtmlHeadSplit split = SplitHtmlHead(S(page));
        EXPECT_EQ(split.Page, S(page)) << page;
        EXPECT_EQ(split.Head, QString()) << page;
    }
    EXPECT_EQ(GetHtmlHead(S("<head></head>")), QString());
}

TEST(HtmlBody, SplitsAtTheBodyTags)
{
    const QString page =
        S("<html><head><title>t</title></head>\r\n<BODY lang=EN-US>\r\n<p>x</p>\r\n</BODY>\r\n</html>");
    const THtmlBodySplit split = SplitHtmlBody(page);
    EXPECT_EQ(split.BeforeBody, S("<html><head><title>t</title></head>\r\n<BODY lang=EN-US>"));
    EXPECT_EQ(split.Body, S("\r\n<p>x</p>\r\n"));
    EXPECT_EQ(split.AfterBody, S("</BODY>\r\n</html>"));

    const THtmlBodySplit lf = SplitHtmlBody(S("<body\nclass=x>y</body>"));
    EXPECT_EQ(lf.BeforeBody, S("<body\nclass=x>"));
    EXPECT_EQ(lf.Body, S("y"));
}

TEST(HtmlBody, OddMarkup)
{
    // No closing tag: the body runs to the end.
    THtmlBodySplit split = SplitHtmlBody(S("<body>abc"));
    EXPECT_EQ(split.Body, S("abc"));
    EXPECT_EQ(split.AfterBody, QString());

    // No body start tag (a longer name, or one never closed): the page is the body.
    for (const char *page : {"<p>x</p>", "<bodyx>t</body>", "<html><body"}) {
        split = SplitHtmlBody(S(page));
        EXPECT_EQ(split.BeforeBody, QString()) << page;
        EXPECT_EQ(split.Body, S(page)) << page;
        EXPECT_EQ(split.AfterBody, QString()) << page;
    }

    // Two closing tags: the body ends at the first, the last part starts at the last.
    split = SplitHtmlBody(S("<body>a</body>b</BODY>"));
    EXPECT_EQ(split.Body, S("a"));
    EXPECT_EQ(split.AfterBody, S("</BODY>"));

    // A closing tag before the start tag does not end the body.
    split = SplitHtmlBody(S("</body><body>x"));
    EXPECT_EQ(split.BeforeBody, S("</body><body>"));
    EXPECT_EQ(split.Body, S("x"));
    EXPECT_EQ(split.AfterBody, QString());

    // A "<" inside a tag name starts a new name.
    split = SplitHtmlBody(S("<bo<body>x"));
    EXPECT_EQ(split.BeforeBody, S("<bo<body>"));
    EXPECT_EQ(split.Body, S("x"));
}

TEST(HtmlRemove, RemovesScripts)
{
    EXPECT_EQ(RemoveScripts(S("a<SCRIPT>x</Script>b<script src=y></script>c")), S("abc"));
    EXPECT_EQ(RemoveScripts(S("a<script>if (a</b) x();</script>c")), S("ac"));
    EXPECT_EQ(RemoveScripts(S("a<script>x</script>b<script>y")), S("ab"));
    EXPECT_EQ(RemoveScripts(S("a<script>x</script >b")), S("ab"));
    EXPECT_EQ(RemoveScripts(S("a</SCRIPT>b")), S("a</script>b"));
    EXPECT_EQ(RemoveScripts(S("no scripts")), S("no scripts"));
}

TEST(HtmlRemove, RemovesMarkedStretches)
{
    EXPECT_EQ(RemoveBetween(S("x<!--BEGINBAR-->bar<!--ENDBAR-->y<!--BEGINBAR-->z"),
                            S("<!--BEGINBAR-->"), S("<!--ENDBAR-->")),
              S("xy<!--BEGINBAR-->z"));
    EXPECT_EQ(RemoveBetween(S("a<!--beginbar-->b<!--ENDBAR-->"), S("<!--BEGINBAR-->"), S("<!--ENDBAR-->")),
              S("a<!--beginbar-->b<!--ENDBAR-->"));
    EXPECT_EQ(RemoveBetween(S("[[a]]"), QString(), S("]]")), S("[[a]]"));

    const QString start = S("<!-- Script version of NavHeader -->");
    const QString end = S("<!-- End script navheader version -->");
    EXPECT_EQ(RemoveMarkedBlocks(S("A<!-- SCRIPT version of navheader -->nav<!-- end script navheader version -->B"),
                                 start, end, QString()),
              S("AB"));
    EXPECT_EQ(RemoveMarkedBlocks(S("<NAV>keep</NAV>x<nav>Drop me</nav>y"), S("<nav>"), S("</nav>"), S("DROP")),
              S("<nav>keep</nav>xy"));
    EXPECT_EQ(RemoveMarkedBlocks(S("a<nav>b"), S("<nav>"), S("</nav>"), QString()), S("a<nav>b"));
    EXPECT_EQ(RemoveMarkedBlocks(S("a</nav>b<nav>c</nav>"), S("<nav>"), S("</nav>"), QString()), S("a</nav>b"));
}

TEST(HtmlTags, ReadsOneAttribute)
{
    EXPECT_EQ(GetTagAttribute(S("<a HREF='a.htm'>"), S("href")), S("a.htm"));
    EXPECT_EQ(GetTagAttribute(S("<a href = \"a.htm\">"), S("href")), QString());
    EXPECT_EQ(GetTagAttribute(S("<img src=pic.gif>"), S("SRC")), S("pic.gif"));
    const QString img = S("<img alt=\"x y\" src=\"p q.gif\"\r\nwidth=5 class=c>");
    EXPECT_EQ(GetTagAttribute(img, S("src")), S("p q.gif"));
    EXPECT_EQ(GetTagAttribute(img, S("width")), S("5"));
    EXPECT_EQ(GetTagAttribute(img, S("alt")), S("x y"));
    EXPECT_EQ(GetTagAttribute(img, S("height")), QString());
    EXPECT_EQ(GetTagAttribute(S("<a title=\"x>y\" href=\"z\">"), S("href")), S("z"));
    EXPECT_EQ(GetTagAttribute(S("<a href=\"x>y\">"), S("href")), S("x"));
    EXPECT_EQ(GetTagAttribute(S("<a data-href=\"q\" href=\"r\">"), S("href")), S("r"));
    EXPECT_EQ(GetTagAttribute(S("<a title='it\"s' name=n>"), S("name")), S("n"));
    EXPECT_EQ(GetTagAttribute(S("<a href=\"unterminated"), S("href")), QString());
    EXPECT_EQ(GetTagAttribute(S("<td nowrap width=3>"), S("nowrap")), QString());
    EXPECT_EQ(GetTagAttribute(S("<src=x>"), S("src")), QString());
}

TEST(HtmlTags, FindsTheFirstTagOfAName)
{
    const QString page = S("<!doctype html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<html>");
    EXPECT_EQ(GetFirstTag(page, S("!DOCTYPE")), S("<!doctype html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">"));
    EXPECT_EQ(GetFirstTag(S("<html>"), S("!DOCTYPE")), QString());
    EXPECT_EQ(GetFirstTag(S("<!DOCTYPE html"), S("!DOCTYPE")), QString());
    EXPECT_EQ(GetFirstTag(S("<abbr>x</abbr><A href=1>"), S("a")), S("<A href=1>"));
    EXPECT_EQ(GetFirstTag(S("x<br/>"), S("br")), S("<br/>"));
}

TEST(HtmlTags, CompactsWhitespaceInsideNamedStartTags)
{
    EXPECT_EQ(CompactTagMarkup(S("<p class=x>a  b</p><IMG\r\n  src=\"a b.gif\"\twidth=3 >\r\n"), S("img")),
              S("<p class=x>a  b</p><IMG src=\"a b.gif\" width=3 >\r\n"));
    EXPECT_EQ(CompactTagMarkup(S("<imgx  a>  <img>"), S("img")), S("<imgx  a>  <img>"));
    EXPECT_EQ(CompactTagMarkup(S("<<img  a>"), S("img")), S("<<img a>"));
    EXPECT_EQ(CompactTagMarkup(S("<img  unclosed"), S("img")), S("<img unclosed"));
}

TEST(HtmlTags, CompactsLongTexts)
{
    // Well past any size limit: every tag in a 5 MB text is compacted.
    const QString chunk = S("<p class=MsoNormal>text  with  spaces</p>\r\n<img   width=5\r\n\tsrc=\"doc_files/a.gif\">\r\n");
    const QString compact = S("<p class=MsoNormal>text  with  spaces</p>\r\n<img width=5 src=\"doc_files/a.gif\">\r\n");
    const int copies = 5 * 1024 * 1024 / int(chunk.size()) + 1;
    const QString text = chunk.repeated(copies);
    ASSERT_GT(text.size(), 5 * 1024 * 1024);
    const QString result = CompactTagMarkup(text, S("img"));
    EXPECT_TRUE(result == compact.repeated(copies));
}

TEST(HtmlWhitespace, CollapsesAndTrims)
{
    EXPECT_EQ(CollapseWhitespace(S(" \t a \r\n b  c ")), S("a b c"));
    EXPECT_EQ(CollapseWhitespace(S(" \r\n ")), QString());
    EXPECT_EQ(CollapseWhitespace(S("a\u00a0 b")), S("a\u00a0 b"));
    EXPECT_EQ(TrimWhitespace(S(" \r\na  b\t")), S("a  b"));
    EXPECT_EQ(TrimWhitespace(S("\t\t")), QString());
    EXPECT_EQ(TrimWhitespace(S("x")), S("x"));
    EXPECT_EQ(CollapseNbsp(S("a&nbsp; &NBSP;&nbsp;  b")), S("a&nbsp;b"));
    EXPECT_EQ(CollapseNbsp(S("a &nbsp;b &NBSP;")), S("a &nbsp;b &NBSP;"));
    EXPECT_EQ(CollapseNbsp(QString(256, u' ').prepend(S("&nbsp;"))), S("&nbsp;"));
}

TEST(HtmlBlank, BlankTextAndBlankHtml)
{
    EXPECT_TRUE(IsBlankText(QString()));
    EXPECT_TRUE(IsBlankText(S(" \r\n\t")));
    EXPECT_FALSE(IsBlankText(S(" \u00a0")));
    EXPECT_FALSE(IsBlankText(S(" x ")));

    EXPECT_TRUE(IsBlankHtml(QString()));
    EXPECT_TRUE(IsBlankHtml(S("<p>&nbsp;</p>\r\n<p class=MsoNormal><span style='x'>&NBSP; </span></p>")));
    EXPECT_TRUE(IsBlankHtml(S("<!-- a comment -->")));
    EXPECT_TRUE(IsBlankHtml(S("<p></IMG></p>")));
    EXPECT_TRUE(IsBlankHtml(S("<imgs>")));
    EXPECT_FALSE(IsBlankHtml(S("<p>x</p>")));
    EXPECT_FALSE(IsBlankHtml(S("&amp;")));
    EXPECT_FALSE(IsBlankHtml(S("<p><IMG src=a.gif></p>")));
    EXPECT_FALSE(IsBlankHtml(S("<p><img\tsrc=a.gif></p>")));
    EXPECT_FALSE(IsBlankHtml(S("<p><img>")));
}

TEST(HtmlSimilar, FuzzyComparison)
{
    EXPECT_TRUE(IsSimilarText(S("Introduction"), S("INTRODUCTION")));
    EXPECT_TRUE(IsSimilarText(S("abc"), S("ABC")));
    EXPECT_FALSE(IsSimilarText(S("abcd"), S("abce")));
    EXPECT_FALSE(IsSimilarText(QString(), QString()));
    EXPECT_FALSE(IsSimilarText(S("Introduction"), QString()));
    EXPECT_TRUE(IsSimilarText(S("Copyright 2005 Acme Corp. All rights reserved."),
                              S("Copyright 2006 Acme Corp. All rights reserved.")));
    EXPECT_TRUE(IsSimilarText(S("Getting started"), S("Getting started.")));
    EXPECT_FALSE(IsSimilarText(S("Introduction"), S("Installation")));
    EXPECT_FALSE(IsSimilarText(S("hello world"), S("world hello")));
    // A stray character in the shorter text is skipped.
    EXPECT_TRUE(IsSimilarText(S("abcXdef"), S("abcdefgh")));
    // More than 80% is needed: 9 of 10 is similar, 8 of 10 is not.
    EXPECT_TRUE(IsSimilarText(S("abcdefghij"), S("abcdefghiX")));
    EXPECT_FALSE(IsSimilarText(S("abcdefghij"), S("abcdefghXY")));
    // Lengths more than 50 apart are never similar.
    EXPECT_FALSE(IsSimilarText(S("abcdef"), S("abcdef") + QString(51, u'z')));
    EXPECT_TRUE(IsSimilarText(S("abcdef"), S("abcdef") + QString(50, u'z')));
    // Only ASCII letters are folded.
    EXPECT_FALSE(IsSimilarText(S("\u00e9\u00e9\u00e9\u00e9\u00e9"), S("\u00c9\u00c9\u00c9\u00c9\u00c9")));
}
