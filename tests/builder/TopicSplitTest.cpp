// Cutting a converted body into topics: levels, titles, names, books,
// omitted headings, context numbers, keywords and bookmark resolution.
#include "builder/QStringPrinters.h"
#include "builder/WordDoc.h"
#include "foundation/IsolatedUser.h"
#include "platform/Exception.h"
#include "platform/SettingsStore.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <gtest/gtest.h>

namespace {

struct H {
    int level;
    QString text;
    QString content = QStringLiteral("<p class=MsoNormal>Text</p>");
    THeadingProperty prop = {};
    QStringList keywords = {};
};

class TopicSplit : public ::testing::Test {
protected:
    IsolatedUser user;
    TProject project;
    TWordDoc doc{&project, nullptr, QString(), nullptr, 1};
    TContentsItems items;

    void SetUp() override
    {
        project.RootDir = user.work() + u'/';
        items.Project = &project;
    }

    // Builds the body the converter would hold for these headings.
    void split(const std::vector<H> &headings)
    {
        doc.Body = QStringLiteral("<p class=MsoNormal>Before the first heading</p>\r\n");
        for (const H &h : headings) {
            const QString tag = QStringLiteral("h") + QString::number(h.level);
            doc.Body += u'<' + tag + u'>' + HeadingMarker + QString::number(h.level) + h.text + QStringLiteral("</") +
                        tag + QStringLiteral(">\r\n") + h.content + QStringLiteral("\r\n");
            doc.Headings.Add(std::make_unique<THeadingProperty>(h.prop));
            doc.IndexList.push_back(h.keywords);
        }
        doc.ToContentsItems(items);
    }
    std::vector<int> levels() const
    {
        std::vector<int> l;
        for (int i = 0; i < items.Count(); ++i)
            l.push_back(items.Item(i)->Level);
        return l;
    }
};

TEST_F(TopicSplit, LevelsNeverJumpMoreThanOneBelowThePreviousTopic)
{
    const std::vector<std::pair<std::vector<int>, std::vector<int>>> cases = {
        {{1, 3, 3, 2}, {1, 2, 2, 2}},
        {{2, 3, 1}, {1, 2, 1}},
        {{1, 5, 5, 3}, {1, 2, 2, 1}},
        {{4}, {1}},
        {{4, 4, 5}, {1, 1, 2}},
    };
    for (const auto &[original, expected] : cases) {
        TWordDoc d(&project, nullptr, QString(), nullptr, 1);
        std::swap(doc.Headings, d.Headings);
        doc.Headings.Clear();
        doc.IndexList.clear();
        std::vector<H> hs;
        for (int i = 0; i < int(original.size()); ++i)
            hs.push_back(H{original[size_t(i)], QStringLiteral("Topic %1").arg(i)});
        split(hs);
        EXPECT_EQ(levels(), expected);
        for (int i = 0; i < items.Count(); ++i)
            EXPECT_EQ(items.Item(i)->OriginalLevel, original[size_t(i)]);
    }
}

TEST_F(TopicSplit, ListNumberInTitleFollowsTheSetting)
{
    const QString numbered = QStringLiteral(
        "1.<span style='font:7.0pt \"Times New Roman\"'>&nbsp;&nbsp;&nbsp;&nbsp; </span>%1Setup").arg(HeadingMarker + u'1');
    for (int setting : {0, 1}) {
        settings::WriteInteger(QStringLiteral("NoHeadingNumber"), setting);
        doc.Body = QStringLiteral("<h1>") + numbered + QStringLiteral("</h1><p>Text</p>");
        doc.Headings.Clear();
        doc.IndexList.assign(1, {});
        doc.Headings.Add(std::make_unique<THeadingProperty>());
        doc.ToContentsItems(items);
        ASSERT_EQ(items.Count(), 1);
        EXPECT_EQ(items.Item(0)->Title, setting ? QStringLiteral("Setup") : QStringLiteral("1. Setup"));
        EXPECT_EQ(items.Item(0)->HTMLTitle, setting ? QStringLiteral("Setup") : QStringLiteral("1.&nbsp;Setup"));
        EXPECT_EQ(items.Item(0)->Url, QStringLiteral("setup.htm"));
        EXPECT_EQ(items.Item(0)->StaticName, QStringLiteral("SETUP"));
    }
}

TEST_F(TopicSplit, BlankAndShortTitlesGetUsableNames)
{
    split({H{1, QString()}, H{1, QStringLiteral("&nbsp;")}, H{1, QStringLiteral("Q")}, H{1, QStringLiteral("\u00e9t\u00e9 guide")}});
    ASSERT_EQ(items.Count(), 4);
    EXPECT_EQ(items.Item(0)->Title, QStringLiteral("(Blank)"));
    EXPECT_EQ(items.Item(0)->HTMLTitle, QStringLiteral("(Blank)"));
    EXPECT_EQ(items.Item(0)->Url, QStringLiteral("blank.htm"));
    EXPECT_EQ(items.Item(0)->StaticName, QStringLiteral("BLANK"));
    EXPECT_EQ(items.Item(1)->Url, QStringLiteral("blank1.htm"));
    EXPECT_EQ(items.Item(1)->StaticName, QStringLiteral("BLANK1"));
    EXPECT_EQ(items.Item(2)->Url, QStringLiteral("0051.htm"));
    EXPECT_EQ(items.Item(3)->Url, QStringLiteral("ete-guide.htm"));
    EXPECT_EQ(items.Item(3)->StaticName, QStringLiteral("ETE_GUIDE"));
    EXPECT_EQ(TWordDoc::HexEncodeTitle(QStringLiteral("A b")), QStringLiteral("00410062"));
}

TEST_F(TopicSplit, EmptyTopicsBecomeBooksOnlyWithChildrenOrAtTheEnd)
{
    split({H{1, QStringLiteral("Book"), QString()}, H{2, QStringLiteral("Page")},
           H{2, QStringLiteral("Empty leaf"), QStringLiteral("<p class=MsoNormal>&nbsp;</p>")},
           H{2, QStringLiteral("Picture"), QStringLiteral("<p><img src=\"doc_files/a.png\"></p>")},
           H{1, QStringLiteral("Empty end"), QString()}});
    ASSERT_EQ(items.Count(), 5);
    EXPECT_EQ(items.Item(0)->Status, 2);
    EXPECT_TRUE(items.Item(0)->Url.isEmpty());
    EXPECT_FALSE(items.Item(0)->Accessible);
    EXPECT_TRUE(items.Item(0)->HasChildNode);
    EXPECT_EQ(items.Item(1)->Status, 0);
    EXPECT_EQ(items.Item(2)->Status, 0);
    EXPECT_EQ(items.Item(2)->Url, QStringLiteral("empty-leaf.htm"));
    EXPECT_EQ(items.Item(3)->Status, 0);
    EXPECT_EQ(items.Item(4)->Status, 2);
    EXPECT_TRUE(items.Item(4)->Url.isEmpty());
    EXPECT_EQ(items.DefaultPage, QStringLiteral("page.htm"));
}

TEST_F(TopicSplit, OmitLeavesOutTheHeadingWithItsChildren)
{
    THeadingProperty omit;
    omit.Omit = true;
    split({H{1, QStringLiteral("Chapter")}, H{2, QStringLiteral("Hidden"), QStringLiteral("<p>x</p>"), omit},
           H{3, QStringLiteral("Hidden child")}, H{3, QStringLiteral("Hidden child 2")}, H{2, QStringLiteral("Sibling")},
           H{1, QStringLiteral("Last")}});
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.Item(0)->Title, QStringLiteral("Chapter"));
    EXPECT_EQ(items.Item(1)->Title, QStringLiteral("Sibling"));
    EXPECT_EQ(items.Item(1)->Level, 2);
    EXPECT_EQ(items.Item(2)->Title, QStringLiteral("Last"));
    // The sibling's page holds only its own text.
    EXPECT_EQ(items.Item(1)->Content.trimmed(), QStringLiteral("<p class=MsoNormal>Text</p>"));
}

TEST_F(TopicSplit, ContextNumbersCountEveryHeading)
{
    THeadingProperty withId;
    withId.Id = QStringLiteral("7");
    split({H{1, QStringLiteral("One")}, H{1, QStringLiteral("Two"), QStringLiteral("<p>x</p>"), withId},
           H{1, QStringLiteral("Three")}, H{1, QStringLiteral("Four")}});
    ASSERT_EQ(items.Count(), 4);
    EXPECT_EQ(items.Item(0)->ContextNumber, QStringLiteral("100000"));
    EXPECT_EQ(items.Item(1)->ContextNumber, QStringLiteral("7"));
    EXPECT_EQ(items.Item(2)->ContextNumber, QStringLiteral("100020"));
    EXPECT_EQ(items.Item(3)->ContextNumber, QStringLiteral("100030"));
}

TEST_F(TopicSplit, PropertiesSetNamesAndPageNamesStayInTheOutputFolder)
{
    THeadingProperty named;
    named.FileName = QStringLiteral("intro");
    named.StaticVar = QStringLiteral("INTRO_TOPIC");
    THeadingProperty escaping;
    escaping.FileName = QStringLiteral("../../etc/passwd");
    THeadingProperty windows;
    windows.FileName = QStringLiteral("C:\\temp\\x");
    split({H{1, QStringLiteral("One"), QStringLiteral("<p>x</p>"), named}, H{1, QStringLiteral("Two"), QStringLiteral("<p>x</p>"), escaping},
           H{1, QStringLiteral("Three"), QStringLiteral("<p>x</p>"), windows}});
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.Item(0)->Url, QStringLiteral("intro.htm"));
    EXPECT_EQ(items.Item(0)->StaticName, QStringLiteral("INTRO_TOPIC"));
    for (int i = 1; i < 3; ++i) {
        EXPECT_FALSE(items.Item(i)->Url.contains(u'/')) << items.Item(i)->Url.toStdString();
        EXPECT_FALSE(items.Item(i)->Url.contains(u'\\')) << items.Item(i)->Url.toStdString();
        EXPECT_FALSE(items.Item(i)->Url.contains(u':')) << items.Item(i)->Url.toStdString();
    }
    EXPECT_EQ(items.Item(1)->Url, QStringLiteral(".._.._etc_passwd.htm"));
}

TEST_F(TopicSplit, KeywordsComeFromTheHeadingsIndexEntries)
{
    split({H{1, QStringLiteral("Print"), QStringLiteral("<p>x</p>"), {}, {QStringLiteral("Printing/Paper"), QStringLiteral("Paper")}},
           H{1, QStringLiteral("None")}});
    EXPECT_EQ(items.Item(0)->Keywords, QStringLiteral("Printing/Paper\r\nPaper\r\n"));
    EXPECT_TRUE(items.Item(1)->Keywords.isEmpty());
}

TEST_F(TopicSplit, LinksToBookmarksResolveToTopicPages)
{
    split({H{1, QStringLiteral("<a name=\"_Toc1\">Intro</a>"),
             QStringLiteral("<p>See <a href=\"#Details\">details</a>, <a href=\"#_Ref9\">the note</a>, "
                            "<a href='#_Toc3'>the book</a> and <a href=\"#nowhere\">x</a>.</p>")},
           H{1, QStringLiteral("<a name=\"_Toc2\">Details</a>"),
             QStringLiteral("<p>Back to <a href=\"#Intro\">intro</a>.</p><p><a name=_Ref9></a>Note</p>")},
           H{1, QStringLiteral("<a name=\"_Toc3\">Book</a>"), QString()},
           H{2, QStringLiteral("Child")}});
    ASSERT_EQ(items.Count(), 4);
    const QString intro = items.Item(0)->Content;
    EXPECT_TRUE(intro.contains(QStringLiteral("href=\"details.htm\""))) << intro.toStdString();
    EXPECT_TRUE(intro.contains(QStringLiteral("href=\"details.htm#_Ref9\""))) << intro.toStdString();
    // A bookmark inside a book resolves to the next topic that has a page.
    EXPECT_TRUE(intro.contains(QStringLiteral("href=\"child.htm\""))) << intro.toStdString();
    EXPECT_TRUE(intro.contains(QStringLiteral("href=\"#nowhere\""))) << intro.toStdString();
    EXPECT_TRUE(items.Item(1)->Content.contains(QStringLiteral("href=\"intro.htm\"")));
    EXPECT_EQ(doc.BookmarkTarget(QStringLiteral("#_toc1")), QStringLiteral("intro.htm"));
}

TEST_F(TopicSplit, MarkerTypedIntoTheDocumentEndsTheBuildWithAMessage)
{
    doc.FileName = QStringLiteral("/docs/manual.docx");
    doc.Headings.Add(std::make_unique<THeadingProperty>());
    doc.Headings.Add(std::make_unique<THeadingProperty>());
    doc.IndexList.assign(2, {});
    const QString m = HeadingMarker;
    const QString first = QStringLiteral("<h1>") + m + QStringLiteral("1One</h1>");
    // More markers than headings, and a marker without its level digit.
    const QStringList bodies = {first + QStringLiteral("<p>") + m + QStringLiteral("2 typed</p><p>") + m +
                                    QStringLiteral("3 again</p>"),
                                first + QStringLiteral("<p>Typed ") + m + QStringLiteral("x</p>")};
    for (const QString &typed : bodies) {
        doc.Body = typed;
        try {
            doc.ToContentsItems(items);
            ADD_FAILURE() << "no error for " << typed.toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("/docs/manual.docx")));
            EXPECT_TRUE(e.message().contains(HeadingMarker));
        }
    }
}

// What no topic holds is counted and told: a document without headings, or
// the text before the first heading.
TEST_F(TopicSplit, TextThatNoTopicHoldsIsCountedAndTold)
{
    doc.FileName = QStringLiteral("/docs/plain.docx");
    doc.Body = QStringLiteral("<p class=MsoNormal>Only <b>some</b>&nbsp;text</p>\r\n<p class=MsoNormal>and&#160;more</p>");
    doc.ToContentsItems(items);
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(doc.TopicHeadings, 0);
    EXPECT_EQ(doc.WordsBeforeFirstHeading, 5);
    EXPECT_TRUE(doc.SplitNote().startsWith(QStringLiteral("The document \"/docs/plain.docx\" has no headings")));
    EXPECT_TRUE(doc.SplitNote().contains(QStringLiteral("(5 words)")));

    split({H{1, QStringLiteral("First")}, H{2, QStringLiteral("Second")}});
    EXPECT_EQ(doc.TopicHeadings, 2);
    EXPECT_EQ(doc.WordsBeforeFirstHeading, 4); // "Before the first heading"
    EXPECT_TRUE(doc.SplitNote().startsWith(QStringLiteral("The text before the first heading")));

    doc.Headings.Clear();
    doc.IndexList.clear();
    doc.Body = QStringLiteral("<h1>") + HeadingMarker + QStringLiteral("1Top</h1><p>Text</p>");
    doc.Headings.Add(std::make_unique<THeadingProperty>());
    doc.IndexList.push_back({});
    doc.ToContentsItems(items);
    EXPECT_EQ(doc.WordsBeforeFirstHeading, 0);
    EXPECT_TRUE(doc.SplitNote().isEmpty());

    // A heading without text of its own is a book: no page at all.
    doc.Body = QStringLiteral("<h1>") + HeadingMarker + QStringLiteral("1Top</h1>");
    doc.ToContentsItems(items);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(doc.TopicPages, 0);
    EXPECT_TRUE(doc.SplitNote().startsWith(QStringLiteral("No heading of the document"))) << doc.SplitNote().toStdString();
}

TEST_F(TopicSplit, PageExtensionFollowsTheOutput)
{
    project.WebHelpExtension = 1;
    doc.OutputType = 2;
    split({H{1, QStringLiteral("Web")}});
    EXPECT_EQ(items.Item(0)->Url, QStringLiteral("web.html"));
}

} // namespace
