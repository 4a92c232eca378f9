// The context-ID source file: the filled code templates, its encodings, and
// the shipped code of every language of context.dat compiled or parsed in
// that language.
#include "builder/ContextFileCheck.h"
#include "builder/HtmlHelpOutput.h"
#include "builder/WordDoc.h"
#include "foundation/IsolatedUser.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

struct Topic {
    int level;
    const char *name; // empty: a book without a page
    const char *title;
    const char *number;
};

struct ContextProject {
    TProject project;
    TContentsItems list;
    THtmlHelpMaker maker;
    ContextProject(std::initializer_list<Topic> topics)
    {
        list.Project = &project;
        maker.Project = &project;
        maker.Contents = &list;
        for (const Topic &t : topics) {
            auto item = std::make_unique<TContentsItem>();
            item->Level = t.level;
            item->StaticName = QString::fromUtf8(t.name);
            item->Title = QString::fromUtf8(t.title);
            item->Url = item->StaticName.isEmpty() ? QString() : item->StaticName.toLower() + QStringLiteral(".htm");
            item->Status = item->Url.isEmpty() ? 2 : 0;
            item->ContextNumber = QString::fromUtf8(t.number);
            list.Add(std::move(item));
        }
    }
    void code(const QString &top, const QString &line, const QString &bottom)
    {
        project.HtmlHelpContextTopCode = top;
        project.HtmlHelpContextCodeTemplate = line;
        project.HtmlHelpContextBottomCode = bottom;
    }
    QString text() const { return MakeContextFileText(project, list); }
};

} // namespace

TEST(ContextFile, FillsTheLineTemplatePerTopic)
{
    ContextProject p({{1, "INTRO", "Intro", "100010"},
                      {1, "", "A book", "100020"},
                      {3, "DEEP", "Deep {%tab%} one", " 7 "},
                      {2, "NONUMBER", "Multi\r\nline", ""}});
    p.code(QStringLiteral("head 1\r\nhead 2\r\n"), QStringLiteral("[{%StaticVarName%}]={%ContextID%};{%TITLE%}|{%FileName%}{%Tab%}."),
           QString());
    const QStringList lines = p.text().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("head 1"), QStringLiteral("head 2"),
                                  QStringLiteral("[CID_INTRO%1]=100010;Intro|intro.htm\t.").arg(QString(46, u' ')),
                                  QStringLiteral("[CID_DEEP%1]= 7 ;\t\tDeep \t one|deep.htm\t.").arg(QString(47, u' ')),
                                  QStringLiteral("[CID_NONUMBER%1]=;\tMulti line|nonumber.htm\t.").arg(QString(43, u' ')),
                                  QString(), QString()}));

    // A name of 51 characters or more gets no padding.
    ContextProject longName({{1, "N123456789012345678901234567890123456789012345678901234", "T", "1"}});
    longName.code(QString(), QStringLiteral("{%StaticVarName%}!"), QStringLiteral("end"));
    EXPECT_EQ(longName.text(), QStringLiteral("CID_N123456789012345678901234567890123456789012345678901234!\r\nend\r\n"));

    // Only books: head and tail alone.
    ContextProject books({{1, "", "Book", "1"}});
    books.code(QStringLiteral("top"), QStringLiteral("x"), QStringLiteral("bottom"));
    EXPECT_EQ(books.text(), QStringLiteral("top\r\nbottom\r\n"));
}

TEST(ContextFile, WritesEachEncodingAndCreatesTheFolder)
{
    IsolatedUser user;
    ScratchDir dir;
    ContextProject p({{1, "A", "Ä", "1"}});
    p.code(QStringLiteral("//"), QStringLiteral("{%ContextID%}{%Title%}"), QString());
    p.project.HtmlHelpContextFile = dir.file(QStringLiteral("deep/er/ids.h"));
    const QString text = QStringLiteral("//\r\n1\u00C4\r\n\r\n");
    const struct {
        int encoding;
        QByteArray bytes;
    } cases[] = {
        {1, QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)},
        {2, QByteArray("\xFE\xFF\0/\0/\0\r\0\n\0" "1\0\xC4\0\r\0\n\0\r\0\n", 22)},
        {3, QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
    };
    for (const auto &c : cases) {
        p.project.HtmlHelpContextEncoding = c.encoding;
        p.maker.OutputContextFile();
        EXPECT_EQ(readFile(p.project.HtmlHelpContextFile), c.bytes) << "encoding " << c.encoding;
    }
    // 0 and unknown values: the code page of the help's language, no mark,
    // whatever the machine's locale.
    p.list.Item(0)->Title = QStringLiteral("Введение");
    p.project.CHMSetting.Language = QStringLiteral("0x0419 Russian");
    for (int encoding : {0, 9}) {
        p.project.HtmlHelpContextEncoding = encoding;
        p.maker.OutputContextFile();
        EXPECT_EQ(readFile(p.project.HtmlHelpContextFile), QByteArray("//\r\n1\xC2\xE2\xE5\xE4\xE5\xED\xE8\xE5\r\n\r\n"))
            << "encoding " << encoding;
    }

    p.project.HtmlHelpContextFile.clear();
    EXPECT_THROW(p.maker.OutputContextFile(), Exception);
    p.project.HtmlHelpContextFile = dir.file(QStringLiteral("deep"));
    EXPECT_THROW(p.maker.OutputContextFile(), Exception);
}

// The code of each language shipped in context.dat, filled with awkward
// titles, is accepted by that language's compiler.
TEST(ContextFile, ShippedLanguagesCompile)
{
    ScratchDir dir;
    ContextProject p({{1, "INTRO", "Intro \"quoted\" <b> & 'apostrophe'", "100010"},
                      {1, "", "Book", "100020"},
                      {2, "SETUP", "Setup \\ back*/slash /* (x)", "100030"},
                      {3, "LINUX", "On Linux\r\nint broken = ;", "42"}});
    p.project.HtmlHelpContextEncoding = 3;
    EXPECT_EQ(contextcheck::CheckEveryLanguage(
                  p.maker, dir.path(),
                  {QStringLiteral("CID_INTRO=100010"), QStringLiteral("CID_SETUP=100030"), QStringLiteral("CID_LINUX=42")}),
              5);
}

// Property fields and titles from the document are data, never code: a
// symbol that is not an identifier or an Id that is not a number leaves its
// topic without a context ID (and says so), and no line end of any of the
// languages survives in a title's comment. The topics come from the
// converter's own split and the file is compiled in every language.
TEST(ContextFile, HostilePropertiesAndTitlesStayOutOfTheCode)
{
    IsolatedUser user;
    ScratchDir dir;
    TProject project;
    project.RootDir = user.work() + u'/';
    TWordDoc doc(&project, nullptr, QString(), nullptr, 1);
    TContentsItems list;
    list.Project = &project;
    const struct {
        QString title;
        THeadingProperty prop;
    } headings[] = {
        {QStringLiteral("Intro"), {QStringLiteral("100"), {}, QStringLiteral("INTRO"), false}},
        {QStringLiteral("Runs a program"),
         {{}, {}, QStringLiteral("X = 1; static HelpTopics() { System.Diagnostics.Process.Start(\"touch\"); } "
                                  "public const int Y"), false}},
        {QStringLiteral("Bad number"), {QStringLiteral("1; public const int Z = 2"), {}, QStringLiteral("BAD"), false}},
        {QStringLiteral("Too large"), {QStringLiteral("2147483648"), {}, QStringLiteral("LARGE"), false}},
        // A viewer opens no topic by the number 0.
        {QStringLiteral("Zero"), {QStringLiteral("00"), {}, QStringLiteral("ZERO"), false}},
        {QStringLiteral("Ends\u2028public const int A = 1;\u0085int B;\u2029int C;\vint D;\fint E;\x1Cend"),
         {QStringLiteral("7"), {}, QStringLiteral("_LINES"), false}},
    };
    doc.Body = QStringLiteral("<p>before</p>");
    for (const auto &h : headings) {
        doc.Body += QStringLiteral("<h1>") + HeadingMarker + u'1' + h.title.toHtmlEscaped() +
                    QStringLiteral("</h1><p>Text</p>");
        doc.Headings.Add(std::make_unique<THeadingProperty>(h.prop));
        doc.IndexList.push_back({});
    }
    doc.ToContentsItems(list);
    ASSERT_EQ(list.Count(), 6);

    ASSERT_EQ(doc.Notes.size(), 4) << doc.Notes.join(u'\n').toStdString();
    EXPECT_TRUE(doc.Notes[0].contains(QStringLiteral("\"Runs a program\"")));
    EXPECT_TRUE(doc.Notes[1].contains(QStringLiteral("\"Bad number\"")));
    EXPECT_TRUE(doc.Notes[2].contains(QStringLiteral("\"Too large\"")));
    EXPECT_TRUE(doc.Notes[3].contains(QStringLiteral("\"Zero\"")));

    THtmlHelpMaker maker;
    maker.Project = &project;
    maker.Contents = &list;
    QString alias, map;
    maker.MakeContextSensitive(alias, map);
    EXPECT_EQ(map, QStringLiteral("#define CID_INTRO 100\r\n#define CID__LINES 7\r\n"));
    EXPECT_EQ(alias.count(QStringLiteral("\r\n")), 2);

    project.HtmlHelpContextEncoding = 3;
    EXPECT_EQ(contextcheck::CheckEveryLanguage(maker, dir.path(),
                                               {QStringLiteral("CID_INTRO=100"), QStringLiteral("CID__LINES=7")}),
              5);
}

// The context-ID file's path comes from the project: an existing file is
// replaced only when an earlier build wrote it (it begins with the head of a
// shipped code format, or holds what this user's last build wrote there);
// someone's own file of that name, or a link, is refused and left as it was.
TEST(ContextFile, ReplacesOnlyAFileAnEarlierBuildWrote)
{
    IsolatedUser user;
    ContextProject p({{1, "INTRO", "Intro", "10"}});
    p.project.HtmlHelpContextEncoding = 3;
    const QString file = user.work(QStringLiteral("HelpTopics.cs"));
    writeFile(user.work(QStringLiteral(".profile")), "# ~/.profile\nexport PATH\n");
    ASSERT_TRUE(QFile::link(user.work(QStringLiteral(".profile")), user.work(QStringLiteral("linked.cs"))));
    for (const QString &name : {QStringLiteral(".profile"), QStringLiteral("linked.cs")}) {
        p.project.HtmlHelpContextFile = user.work(name);
        try {
            p.maker.OutputContextFile();
            ADD_FAILURE() << "wrote " << name.toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(user.work(name))) << e.message().toStdString();
        }
        EXPECT_EQ(readFile(user.work(QStringLiteral(".profile"))), QByteArray("# ~/.profile\nexport PATH\n"));
    }
    EXPECT_TRUE(QFileInfo(user.work(QStringLiteral("linked.cs"))).isSymLink());

    // An earlier build's file with the shipped head, in another encoding.
    QString top, line, bottom;
    ReadContextCodeDefaults(top, line, bottom);
    p.code(top, line, bottom);
    const QString earlier = top + QStringLiteral("\r\nstale\r\n");
    writeFile(file, QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(earlier.utf16()), earlier.size() * 2));
    p.project.HtmlHelpContextFile = file;
    p.maker.OutputContextFile();
    EXPECT_EQ(readFile(file), QByteArray("\xEF\xBB\xBF") + p.text().toUtf8());

    // A head of the user's own: rebuilt as long as the file is as the last build left it.
    p.code(QStringLiteral("namespace Mine {"), QStringLiteral("const int {%StaticVarName%} = {%ContextID%};"), QStringLiteral("}"));
    QFile::remove(file);
    p.maker.OutputContextFile();
    p.maker.OutputContextFile();
    writeFile(file, readFile(file) + "// edited by hand\r\n");
    EXPECT_THROW(p.maker.OutputContextFile(), Exception);
    EXPECT_TRUE(readFile(file).endsWith("// edited by hand\r\n"));
}
