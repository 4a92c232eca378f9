// The HTML Help output charset through a real build: every charset of the
// project's list carries text of every script into the project set and the
// WebHelp; a charset pages cannot be written in is refused before anything
// is written.
#include "builder/build.h"
#include "builder/ChmCheck.h"

#include "foundation/HTMLProcess.h"
#include "foundation/LanguageProcess.h"
#include "foundation/TextFiles.h"
#include "platform/DocxBuilder.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSet>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Titles in the scripts of the listed charsets; each topic's page says its
// title again and the title is its index keyword.
const char *const kTitles[] = {
    "最初の手順",          "한국어 안내",      "Привет, мир",        "Ελληνικά και עברית",
    "العربية و ภาษาไทย", "Tiếng Việt Çağrı", "Łódź, ąčė and Café", "简体中文 繁體中文",
};

QByteArray topicsXml()
{
    QByteArray xml;
    for (const char *title : kTitles)
        xml += QByteArray("<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t>") + title
               + "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">"
                 " XE \""
               + title + "\" </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
               + "<w:p><w:r><w:t>Text: " + title + "</w:t></w:r></w:p>";
    return xml;
}

// The Name values of a sitemap (contents or index), unescaped.
QStringList sitemapNames(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("<param name=\"Name\" value=\"([^\"]*)\">"));
    QStringList names;
    for (const QRegularExpressionMatch &m : name.globalMatch(text))
        names << UnescapeHtml(m.captured(1));
    return names;
}

// Each text once, in order.
std::string sortedText(QStringList texts)
{
    texts.sort();
    texts.removeDuplicates();
    return texts.join(u'|').toStdString();
}

QString onlyFile(const QString &folder, const QString &pattern)
{
    const QStringList files = QDir(folder).entryList({pattern}, QDir::Files);
    return files.size() == 1 ? folder + files.first() : QString();
}

struct CharsetBuild : ::testing::Test {
    testsupport::ScratchDir dir;
    TProject project;
    QStringList titles;

    void SetUp() override
    {
        for (const char *title : kTitles)
            titles << QString::fromUtf8(title);
        project.RootDir = dir.path() + u'/';
        project.ProjectFilename = project.RootDir + QStringLiteral("manual.qvx");
        project.SourceFile = QStringLiteral("manual.docx");
        project.CHMSetting.Language = QStringLiteral("0x0409 English (United States)");
        project.OutputHHP = true;
        project.HtmlHelpOutput = project.WebHelpOutput = true;
        project.PDFOutput = false;
        testsupport::DocxBuilder().body(topicsXml()).write(project.RealPath(0));
    }
    void use(const QString &charset, const QString &folder)
    {
        project.HtmlHelpOutputEncoding = charset;
        project.CompiledFile = folder + QStringLiteral("/help.chm");
        project.HHPFolder = folder + QStringLiteral("/set/");
        project.WebHelpOutputFolder = folder + QStringLiteral("/web/");
    }
};

} // namespace

// Each charset of the list: the contents and index name every title, the
// pages are named as in a UTF-8 build, each page declares the charset and
// reads back to its title and text, the compiled file is made, and the
// WebHelp's data and pages hold every title. Characters a charset lacks
// travel as character references. The compiled file carries every keyword
// right wherever it carries keywords.
TEST_F(CharsetBuild, EveryListedCharsetCarriesTextOfEveryScript)
{
    QStringList utf8Pages;
    QStringList charsets{QStringLiteral("UTF-8")};
    for (const QString &item : OutputCharsets)
        if (!item.contains(QStringLiteral("2022"), Qt::CaseInsensitive)) // refused, below
            charsets << item.section(u';', 1).trimmed();
    for (int i = 0; i < charsets.size(); ++i) {
        const QString &charset = charsets[i];
        SCOPED_TRACE(charset.toStdString());
        use(charset, QStringLiteral("out%1").arg(i));
        Tbuild worker(project);
        worker.Execute();
        ASSERT_FALSE(worker.Failed) << worker.ErrorMsg.toStdString();
        EXPECT_GT(QFileInfo(project.RealPath(1)).size(), 0);

        const QString set = project.RealPath(5);
        const int helpCodePage = 1252; // English (United States)
        EXPECT_EQ(sitemapNames(AnsiToUnicodeCP(testsupport::readFile(onlyFile(set, QStringLiteral("*.hhc"))),
                                               helpCodePage)),
                  titles);
        QStringList keywords = sitemapNames(
            AnsiToUnicodeCP(testsupport::readFile(onlyFile(set, QStringLiteral("*.hhk"))), helpCodePage));
        EXPECT_EQ(QSet<QString>(keywords.begin(), keywords.end()), QSet<QString>(titles.begin(), titles.end()))
            << keywords.join(u'|').toStdString();

        // The compiled file's own index, which viewers show, names every
        // keyword right; so does its binary index where it has one.
        const chmcheck::ChmReader chm(project.RealPath(1));
        const QString indexFile = chm.systemText(1);
        ASSERT_FALSE(indexFile.isEmpty());
        EXPECT_EQ(sortedText(sitemapNames(AnsiToUnicodeCP(chm.read(u'/' + indexFile), helpCodePage))),
                  sortedText(titles));
        if (!chm.read(QStringLiteral("/$WWKeywordLinks/BTree")).isEmpty()) {
            EXPECT_EQ(sortedText(chm.binaryKeywords()), sortedText(titles));
        }

        QStringList pages = QDir(set).entryList({QStringLiteral("*.htm")}, QDir::Files, QDir::Name);
        if (i == 0)
            utf8Pages = pages;
        EXPECT_EQ(pages, utf8Pages);
        for (const QString &page : pages) {
            const QString text = LoadTextFile(set + page, QString());
            EXPECT_EQ(GetHtmlCharset(text), charset.toLower()) << page.toStdString();
            const QString shown = UnescapeHtml(text);
            bool found = false;
            for (const QString &title : std::as_const(titles))
                if (shown.contains(u'>' + title + QStringLiteral("</title>"))
                    && shown.contains(QStringLiteral("Text: ") + title))
                    found = true;
            EXPECT_TRUE(found) << page.toStdString() << "\n" << text.toStdString();
        }

        const QString web = project.RealPath(2);
        const QString data = QString::fromUtf8(testsupport::readFile(web + QStringLiteral("data.js")));
        QStringList webPages = QDir(web + QStringLiteral("pages/")).entryList({QStringLiteral("*.htm*")}, QDir::Files);
        EXPECT_EQ(webPages.size(), titles.size());
        QString allPages;
        for (const QString &page : webPages)
            allPages += UnescapeHtml(QString::fromUtf8(testsupport::readFile(web + QStringLiteral("pages/") + page)));
        for (const QString &title : std::as_const(titles)) {
            EXPECT_TRUE(data.contains(title)) << title.toStdString();
            EXPECT_TRUE(allPages.contains(QStringLiteral("Text: ") + title)) << title.toStdString();
        }
    }
}

// A charset that help pages cannot be written in (or that the compiler
// misreads), and a name the program does not know, are refused with a
// message naming the charset and the project, before the project set, the
// compiled file or the WebHelp is written.
TEST_F(CharsetBuild, ACharsetPagesCannotBeWrittenInIsRefused)
{
    for (const char *charset : {"csUnicode11UTF7", "DOS-720", "x-unknown", "ISO-2022-KR", "iso-2022-jp"}) {
        SCOPED_TRACE(charset);
        use(QLatin1String(charset), QStringLiteral("refused"));
        Tbuild worker(project);
        worker.Execute();
        ASSERT_TRUE(worker.Failed);
        EXPECT_TRUE(worker.ErrorMsg.contains(u'"' + QLatin1String(charset) + u'"')) << worker.ErrorMsg.toStdString();
        EXPECT_TRUE(worker.ErrorMsg.contains(QDir::toNativeSeparators(project.ProjectFilename)))
            << worker.ErrorMsg.toStdString();
        EXPECT_FALSE(QFileInfo::exists(project.RealPath(5)));
        EXPECT_FALSE(QFileInfo::exists(project.RealPath(1)));
        EXPECT_FALSE(QFileInfo::exists(project.RealPath(2)));
    }
    // WebHelp pages are UTF-8 whatever the HTML Help charset says.
    project.HtmlHelpOutput = false;
    project.WebHelpOutput = true;
    use(QStringLiteral("csUnicode11UTF7"), QStringLiteral("web-only"));
    Tbuild worker(project);
    worker.Execute();
    ASSERT_FALSE(worker.Failed) << worker.ErrorMsg.toStdString();
    const QString data = QString::fromUtf8(testsupport::readFile(project.RealPath(2) + QStringLiteral("data.js")));
    for (const QString &title : std::as_const(titles))
        EXPECT_TRUE(data.contains(title)) << title.toStdString();
}
