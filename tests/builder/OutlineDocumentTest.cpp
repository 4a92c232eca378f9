// Outline documents: a document from a topic list, and a document's headings
// read into a tree model (no display needed).
#include "builder/OutlineDocument.h"
#include "platform/Prompt.h"
#include "platform/word/Document.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QStandardItemModel>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {

struct Para {
    QString text;
    int level;
    bool operator==(const Para &) const = default;
};

std::vector<Para> paragraphs(const QString &file)
{
    word::Application app;
    word::Document *doc = app.Documents().Open(file);
    std::vector<Para> out;
    for (word::Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        out.push_back({p.Range().Text().chopped(1), p.OutlineLevel()});
    return out;
}

// The tree as "text(image)" lines indented by depth.
QStringList dump(const QAbstractItemModel &m, const QModelIndex &parent = QModelIndex(), int depth = 0)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(parent); ++r) {
        const QModelIndex i = m.index(r, 0, parent);
        out << QString(depth, '\t') + i.data().toString() + '(' + i.data(OutlineImageRole).toString() + ')';
        out += dump(m, i, depth + 1);
    }
    return out;
}

// Answers every question with one button and counts the questions.
class CountingPrompt : public NonInteractivePrompt {
public:
    explicit CountingPrompt(QList<PromptButton> answers) : NonInteractivePrompt(false), answers_(answers) {}
    PromptButton message(const MessageRequest &request) override
    {
        texts << request.text;
        return answers_.isEmpty() ? ButtonCancel : answers_.takeFirst();
    }
    QStringList texts;

private:
    QList<PromptButton> answers_;
};

} // namespace

TEST(OutlineDocument, CountLeadingTabsStopsAtTheLimit)
{
    EXPECT_EQ(CountLeadingTabs("\t\t\tx", 5), 3);
    EXPECT_EQ(CountLeadingTabs("\t\t\tx", 2), 2);
    EXPECT_EQ(CountLeadingTabs("\tx", 0), 0);
    EXPECT_EQ(CountLeadingTabs(" \tx", 3), 0);
}

TEST(OutlineDocument, TopicListBecomesHeadingsWithPlaceholders)
{
    ScratchDir dir;
    const QString file = dir.file("sub/new.DOCX");
    ASSERT_TRUE(CreateWordDocFromTopicList(file, {"\tIntro ", "\tSetup", "", "\t\tOptions\r\n", "  ", "Reference"}));
    const QString ph = "Enter your content...";
    // The first line is a Heading 1 whatever its tabs; line 3 may go two deeper.
    const std::vector<Para> expected = {{"Intro", 1}, {"Setup", 2}, {"Options", 3}, {ph, 10}, {"Reference", 1}, {ph, 10}};
    EXPECT_EQ(paragraphs(file), expected);

    // An empty list gives an empty document.
    ASSERT_TRUE(CreateWordDocFromTopicList(dir.file("empty.docx"), {}));
    EXPECT_EQ(paragraphs(dir.file("empty.docx")), std::vector<Para>({{"", 10}}));

    // Deeper than nine levels stays at Heading 9.
    QStringList deep;
    for (int i = 0; i < 12; ++i)
        deep << QString(i, '\t') + "L" + QString::number(i);
    ASSERT_TRUE(CreateWordDocFromTopicList(dir.file("deep.docx"), deep));
    const std::vector<Para> got = paragraphs(dir.file("deep.docx"));
    EXPECT_EQ(got[8], (Para{"L8", 9}));
    EXPECT_EQ(got[11], (Para{"L11", 9}));
}

TEST(OutlineDocument, FileInUseAsksUntilCancelled)
{
    ScratchDir dir;
    const QString file = dir.file("busy.docx");
    testsupport::writeFile(file, "old");
    testsupport::writeFile(dir.file(".~lock.busy.docx#"), "lock");
    auto prompt = std::make_shared<CountingPrompt>(QList<PromptButton>{ButtonRetry, ButtonCancel});
    ScopedPrompt scoped(prompt);
    EXPECT_FALSE(CreateWordDocFromTopicList(file, {"A"}));
    ASSERT_EQ(prompt->texts.size(), 2);
    EXPECT_EQ(prompt->texts[0], "\"" + file + "\" access denied! It probably has been opened. Please close it and retry.");
    EXPECT_EQ(testsupport::readFile(file), "old");
    // Freed at the second question, the document is written.
    QFile::remove(dir.file(".~lock.busy.docx#"));
    EXPECT_TRUE(CreateWordDocFromTopicList(file, {"A"}));
    EXPECT_EQ(paragraphs(file).front(), (Para{"A", 1}));
}

TEST(OutlineDocument, HeadingsFillATreeByLevel)
{
    ScratchDir dir;
    const QString file = dir.file("outline.docx");
    ASSERT_TRUE(CreateWordDocFromTopicList(file, {"One", "\tOne.A", "\t\tOne.A.i", "\tOne.B", "Two", "Three", "\tThree.A"}));
    QStandardItemModel tree;
    FillTreeFromWordOutline(file, &tree);
    EXPECT_EQ(dump(tree), QStringList({"One(0)", "\tOne.A(0)", "\t\tOne.A.i(10)", "\tOne.B(10)", "Two(10)", "Three(0)",
                                       "\tThree.A(10)"}));

    // A document that begins below level 1 and one without headings.
    ASSERT_TRUE(CreateWordDocFromTopicList(dir.file("none.docx"), {}));
    QStandardItemModel empty;
    FillTreeFromWordOutline(dir.file("none.docx"), &empty);
    EXPECT_EQ(empty.rowCount(), 0);
    EXPECT_THROW(FillTreeFromWordOutline(dir.file("missing.docx"), &empty), Exception);
}
