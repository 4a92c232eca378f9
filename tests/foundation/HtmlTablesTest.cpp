#include "foundation/HtmlTables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool sortedUpper(const QStringList &list)
{
    return std::is_sorted(list.cbegin(), list.cend()) &&
           std::all_of(list.cbegin(), list.cend(), [](const QString &s) { return s == s.toUpper(); });
}

} // namespace

TEST(HtmlTables, NameListsHaveTheirEntries)
{
    EXPECT_EQ(BlockTags().size(), 35);
    EXPECT_EQ(BlockTagsNotP().size(), 33);
    EXPECT_EQ(NonTextTags().size(), 16);
    EXPECT_EQ(EmptyTags().size(), 20);
    EXPECT_EQ(LinkAttributes().size(), 3);
    EXPECT_EQ(HtmlExtensions().size(), 4);
    for (const QStringList *list : {&BlockTags(), &BlockTagsNotP(), &NonTextTags(), &EmptyTags(),
                                    &LinkAttributes(), &HtmlExtensions()})
        EXPECT_TRUE(sortedUpper(*list));
    EXPECT_FALSE(BlockTagsNotP().contains(QStringLiteral("P")));
    EXPECT_FALSE(BlockTagsNotP().contains(QStringLiteral("BR")));
}

TEST(HtmlTables, PredicatesIgnoreCase)
{
    EXPECT_TRUE(IsBlockTag(QStringLiteral("p")));
    EXPECT_TRUE(IsBlockTag(QStringLiteral("P")));
    EXPECT_TRUE(IsBlockTag(QStringLiteral("br")));
    EXPECT_TRUE(IsBlockTag(QStringLiteral("Tbody")));
    EXPECT_FALSE(IsBlockTag(QStringLiteral("span")));
    EXPECT_FALSE(IsBlockTag(QString()));
    EXPECT_FALSE(IsBlockTagNotP(QStringLiteral("p")));
    EXPECT_FALSE(IsBlockTagNotP(QStringLiteral("br")));
    EXPECT_TRUE(IsBlockTagNotP(QStringLiteral("div")));
    EXPECT_TRUE(IsEmptyTag(QStringLiteral("li")));
    EXPECT_TRUE(IsEmptyTag(QStringLiteral("Img")));
    EXPECT_FALSE(IsEmptyTag(QStringLiteral("a")));
    EXPECT_TRUE(IsNonTextTag(QStringLiteral("script")));
    EXPECT_TRUE(IsNonTextTag(QStringLiteral("Title")));
    EXPECT_FALSE(IsNonTextTag(QStringLiteral("body")));
    EXPECT_TRUE(IsLinkAttribute(QStringLiteral("href")));
    EXPECT_TRUE(IsLinkAttribute(QStringLiteral("Background")));
    EXPECT_FALSE(IsLinkAttribute(QStringLiteral("name")));
    EXPECT_TRUE(IsHtmlExtension(QStringLiteral(".Htm")));
    EXPECT_TRUE(IsHtmlExtension(QStringLiteral(".sht")));
    EXPECT_FALSE(IsHtmlExtension(QStringLiteral(".shtm")));
    EXPECT_FALSE(IsHtmlExtension(QStringLiteral("htm")));
}

TEST(HtmlTables, PageExtensionsFollowTheSetting)
{
    EXPECT_EQ(PageExtensions()[0], QStringLiteral(".htm"));
    EXPECT_EQ(PageExtensions()[1], QStringLiteral(".html"));
}

TEST(HtmlTables, EntityTableRowsAndLookups)
{
    const QStringList &rows = HtmlEntities();
    EXPECT_EQ(rows.size(), 264); // 263 rows of HTML 4.01 and legacy names, plus euro
    QStringList names;
    for (const QString &row : rows)
        names.append(row.section(u':', 0, 0));
    EXPECT_TRUE(std::is_sorted(names.cbegin(), names.cend()));
    EXPECT_TRUE(rows.contains(QStringLiteral("amp:38")));
    EXPECT_TRUE(rows.contains(QStringLiteral("euro:8364")));
    EXPECT_TRUE(rows.contains(QStringLiteral("Dstrok:272")));
    // Every entity of HTML 4.01 (a list taken from outside this code base)
    // has its standard code; only nbsp is read as a plain space on purpose.
    const QStringList reference = QString::fromLatin1(testsupport::readFile(
        testsupport::sourceDir() + QStringLiteral("/tests/data/html401-entities.txt"))).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(reference.size(), 252);
    for (const QString &entry : reference) {
        const QString name = entry.section(u':', 0, 0);
        const int code = name == u"nbsp" ? 32 : entry.section(u':', 1).toInt();
        EXPECT_EQ(HtmlEntityCode(name), code) << entry.toStdString();
        EXPECT_TRUE(rows.contains(name + u':' + QString::number(code))) << entry.toStdString();
    }
    EXPECT_EQ(HtmlEntityCode(u"amp"), 38);
    EXPECT_EQ(HtmlEntityCode(u"AMP"), 38);
    EXPECT_EQ(HtmlEntityCode(u"nbsp"), 32);
    EXPECT_EQ(HtmlEntityCode(u"NBSP"), 32);
    EXPECT_EQ(HtmlEntityCode(u"Amp"), -1);
    EXPECT_EQ(HtmlEntityCode(u"dagger"), 8224);
    EXPECT_EQ(HtmlEntityCode(u"Dagger"), 8225);
    EXPECT_EQ(HtmlEntityCode(u"thetasym"), 977);
    EXPECT_EQ(HtmlEntityCode(u"euro"), 8364);
    EXPECT_EQ(HtmlEntityCode(u""), -1);
    EXPECT_EQ(HtmlEntityCode(u"zzzz"), -1);
}

TEST(HtmlTables, ElementRecordsStartAsDocumented)
{
    const THtmlTag tag;
    EXPECT_TRUE(tag.Name.isEmpty() && tag.Start.isEmpty() && tag.Inner.isEmpty() &&
                tag.Tail.isEmpty() && tag.InnerText.isEmpty());
    EXPECT_FALSE(tag.HasHeading || tag.NonDoc || tag.Block || tag.Hide);
    EXPECT_EQ(tag.Blocks, 0);
    EXPECT_EQ(tag.CharCount, 0);
    EXPECT_TRUE(tag.NotCut && tag.InTop);
}

TEST(HtmlTables, TruncateToFreesTheTopOfTheStack)
{
    // Counts the records alive, to see that truncating frees them.
    static int alive = 0;
    struct Counted : THtmlTag {
        Counted() { ++alive; }
        ~Counted() { --alive; }
    };
    {
        THtmlTags tags;
        for (int i = 0; i < 5; ++i)
            tags.Add(std::make_unique<Counted>())->Name = QString::number(i);
        ASSERT_EQ(tags.TagCount(), 5);
        EXPECT_EQ(tags.TagAt(3)->Name, QStringLiteral("3"));

        tags.TruncateTo(5);
        tags.TruncateTo(9);
        EXPECT_EQ(tags.TagCount(), 5);
        EXPECT_EQ(alive, 5);

        tags.TruncateTo(2);
        EXPECT_EQ(tags.TagCount(), 2);
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(tags.TagAt(1)->Name, QStringLiteral("1"));

        tags.Add()->Name = QStringLiteral("plain");
        EXPECT_EQ(tags.TagAt(2)->Name, QStringLiteral("plain"));
        tags.TruncateTo(0);
        EXPECT_EQ(tags.TagCount(), 0);
        EXPECT_EQ(alive, 0);
        tags.Add(std::make_unique<Counted>());
    }
    EXPECT_EQ(alive, 0); // the list frees what it still holds
}
