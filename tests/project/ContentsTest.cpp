// The topic list: navigation settings, trails, previous/next chains,
// last-in-level flags, default icons and unique names.
#include "platform/Exception.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

struct Topic {
    int level;
    const char *title;
    const char *url; // empty for a book without a page
};

class TopicList : public ::testing::Test {
protected:
    void fill(std::initializer_list<Topic> topics)
    {
        list.Project = &project;
        for (const Topic &t : topics) {
            auto item = std::make_unique<TContentsItem>();
            item->Level = t.level;
            item->Title = item->HTMLTitle = QString::fromUtf8(t.title);
            item->Url = QString::fromUtf8(t.url);
            item->Status = item->Url.isEmpty() ? 2 : 0;
            item->Accessible = item->Status == 0;
            list.Add(std::move(item));
        }
        for (int i = 0; i + 1 < list.Count(); ++i)
            list.Item(i)->HasChildNode = list.Item(i + 1)->Level == list.Item(i)->Level + 1;
    }
    TContentsItem &at(int i) { return *list.Item(i); }

    TProject project;
    TContentsItems list;
};

} // namespace

TEST(NavSetting, ParsesQuotedItemsAndEscapesThem)
{
    TNavSetting nav;
    nav.SetSettingText(QStringLiteral("\"Help > \",\" > \",\"0\",\"1\""));
    EXPECT_EQ(nav.NavStartStr, QStringLiteral("Help &gt; "));
    EXPECT_EQ(nav.Delimiter, QStringLiteral(" &gt; "));
    EXPECT_FALSE(nav.EndWithDelimiter);
    EXPECT_TRUE(nav.IncludeTopic);

    nav.SetSettingText(QStringLiteral("\"A, \"\"B\"\" & C\" | 1 0"));
    EXPECT_EQ(nav.NavStartStr, QStringLiteral("A, &quot;B&quot; &amp; C"));
    EXPECT_EQ(nav.Delimiter, QStringLiteral("|"));
    EXPECT_TRUE(nav.EndWithDelimiter);
    EXPECT_FALSE(nav.IncludeTopic);

    const QString made = TNavSetting::MakeSettingText(QStringLiteral("Say \"hi\""), QStringLiteral(", "), true, false);
    nav.SetSettingText(made);
    EXPECT_EQ(nav.NavStartStr, QStringLiteral("Say &quot;hi&quot;"));
    EXPECT_EQ(nav.Delimiter, QStringLiteral(", "));

    EXPECT_THROW(nav.SetSettingText(QStringLiteral("\"a\",\"b\",\"1\"")), Exception);
    EXPECT_THROW(nav.SetSettingText(QString()), Exception);
}

TEST_F(TopicList, LastInLevelFlags)
{
    fill({{1, "A", "a.htm"}, {2, "A1", "a1.htm"}, {2, "A2", "a2.htm"}, {1, "B", "b.htm"}});
    list.PreProcess();
    EXPECT_FALSE(at(0).LastInTheSameLevel);
    EXPECT_FALSE(at(1).LastInTheSameLevel);
    EXPECT_TRUE(at(2).LastInTheSameLevel);
    EXPECT_TRUE(at(3).LastInTheSameLevel);
}

TEST_F(TopicList, BookWithoutPageLinksToItsFirstPageAndIsSkippedByTheChain)
{
    fill({{1, "Intro", "intro.htm"}, {1, "Book", ""}, {2, "First", "first.htm"}, {2, "Second", "second.htm"}});
    list.PreProcess();
    EXPECT_EQ(at(0).NextPage, QStringLiteral("first.htm"));
    EXPECT_EQ(at(2).LastPage, QStringLiteral("intro.htm"));
    EXPECT_EQ(at(1).LastPage, QString());
    EXPECT_EQ(at(1).NextPage, QString());
    EXPECT_EQ(at(1).Navigation, QStringLiteral("Help &gt; ")); // a book gets no trail links
    EXPECT_EQ(at(3).Navigation,
              QStringLiteral("Help &gt; <a href=\"first.htm\">Book</a> &gt; Second"));
    EXPECT_EQ(at(0).LastPage, QString());
    EXPECT_EQ(at(3).NextPage, QString());
    EXPECT_EQ(list.DefaultPage, QStringLiteral("intro.htm"));
}

TEST_F(TopicList, TrailsFollowTheNavigationSetting)
{
    fill({{1, "One", "one.htm"}, {2, "Two", "two.htm"}, {3, "Three &amp; more", "three.htm"}});
    list.PreProcess();
    EXPECT_EQ(at(2).Navigation, QStringLiteral("Help &gt; <a href=\"one.htm\">One</a> &gt; "
                                               "<a href=\"two.htm\">Two</a> &gt; Three &amp; more"));

    project.NavSetting = TNavSetting::MakeSettingText(QStringLiteral("Start:"), QStringLiteral("/"), false, false);
    list.PreProcess();
    EXPECT_EQ(at(0).Navigation, QStringLiteral("Start:"));
    EXPECT_EQ(at(1).Navigation, QStringLiteral("Start:<a href=\"one.htm\">One</a>"));
}

TEST_F(TopicList, RelativeLinksBetweenPagesInFolders)
{
    fill({{1, "A", "a.htm"}, {1, "B", "sub/b.htm"}, {1, "C", "sub\\c.htm"}});
    list.PreProcess();
    EXPECT_EQ(at(0).NextPage, QStringLiteral("sub/b.htm"));
    EXPECT_EQ(at(1).LastPage, QStringLiteral("../a.htm"));
    EXPECT_EQ(at(1).NextPage, QStringLiteral("c.htm"));
}

TEST_F(TopicList, DefaultIconsAndUnchosenOnly)
{
    fill({{1, "Book", "book.htm"}, {2, "Leaf", "leaf.htm"}, {1, "Own", "own.htm"}});
    at(2).Icon = 5;
    list.PreProcess();
    EXPECT_EQ(at(0).Icon, 1);
    EXPECT_EQ(at(1).Icon, 11);
    EXPECT_EQ(at(2).Icon, 5);

    // Icon numbers outside the icon list, set without the project file's
    // checks, give the default icons instead of overflowing.
    fill({{1, "Book 2", "book2.htm"}, {2, "Leaf 2", "leaf2.htm"}});
    list.Project->HasChild = std::numeric_limits<int>::max();
    list.Project->NoChild = -7;
    list.PreProcess();
    EXPECT_EQ(at(3).Icon, 1);
    EXPECT_EQ(at(4).Icon, 11);
}

TEST_F(TopicList, MissingOrShortNavigationSettingFailsTheList)
{
    fill({{1, "A", "a.htm"}});
    project.NavSetting = QStringLiteral("\"x\"");
    EXPECT_THROW(list.PreProcess(), Exception);
}

TEST_F(TopicList, ExclusiveNames)
{
    auto first = std::make_unique<TContentsItem>();
    first->Url = QStringLiteral("intro.htm");
    first->StaticName = QStringLiteral("INTRO");
    list.Add(std::move(first));
    fill({{1, "B", "Intro1.htm"}});
    EXPECT_EQ(list.GetExclusiveFilename(QStringLiteral("Intro"), QStringLiteral(".htm")), QStringLiteral("Intro2.htm"));
    EXPECT_EQ(list.GetExclusiveFilename(QString(60, u'x'), QStringLiteral(".htm")), QString(50, u'x') + ".htm");
    EXPECT_EQ(list.GetExclusiveStaticName(QStringLiteral("intro")), QStringLiteral("intro1"));
    EXPECT_EQ(list.GetExclusiveStaticName(QStringLiteral("OTHER")), QStringLiteral("OTHER"));
    // A page name cleared (a book without a page) may be given again.
    list.ClearUrl(&at(1));
    EXPECT_TRUE(at(1).Url.isEmpty());
    EXPECT_EQ(list.GetExclusiveFilename(QStringLiteral("INTRO"), QStringLiteral(".htm")), QStringLiteral("INTRO1.htm"));
    list.Clear();
    EXPECT_EQ(list.GetExclusiveFilename(QStringLiteral("intro"), QStringLiteral(".htm")), QStringLiteral("intro.htm"));
    EXPECT_EQ(list.GetExclusiveStaticName(QStringLiteral("INTRO")), QStringLiteral("INTRO"));
}
