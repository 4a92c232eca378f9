// The example manual through the converter and the WebHelp writer: every
// topic gets its page, and every picture and local link of the written pages
// and frame pages finds its file in the output.
#include "builder/Webhelp.h"
#include "builder/WordDoc.h"
#include "foundation/TextFiles.h"
#include "platform/word/Document.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The local files that a page's src and href attributes name, relative to
// the page (anchors, queries, scripts and outside addresses left out).
QStringList localReferences(const QString &Page)
{
    static const QRegularExpression attribute(QStringLiteral("\\b(?:src|href)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList files;
    for (auto it = attribute.globalMatch(Page); it.hasNext();) {
        const auto m = it.next();
        QString value = m.captured(1).isNull() ? m.captured(2) : m.captured(1);
        value = value.section(u'#', 0, 0).section(u'?', 0, 0);
        if (value.isEmpty() || value.contains(u':') || value.startsWith(u'/') || value.contains(u'('))
            continue;
        files << value;
    }
    return files;
}

} // namespace

TEST(WebHelpExample, SampleManualBuildsAFolderWithoutBrokenLinks)
{
    const QString source = testsupport::sourceDir() + QStringLiteral("/examples/sample/");
    if (!QFileInfo::exists(source + QStringLiteral("SampleManual.qvx")))
        GTEST_SKIP() << "the example project is not in this tree";
    testsupport::ScratchDir dir;
    TProject project;
    project.ReadFromIni(source + QStringLiteral("SampleManual.qvx"));
    project.WebHelpOutputFolder = dir.file(QStringLiteral("WebHelp/"));
    const QString copy = dir.file(QStringLiteral("~~$SampleManual.docx"));
    ASSERT_TRUE(QFile::copy(source + QStringLiteral("SampleManual.docx"), copy));

    word::Application word;
    TContentsItems items;
    items.Project = &project;
    TWordDoc doc(&project, &word, copy, {}, 2);
    doc.DoCreate(copy);
    doc.ToContentsItems(items);
    ASSERT_GT(items.Count(), 3);

    TWebHelp writer(&project, &items, &doc);
    QString indexPage;
    writer.Output(indexPage);
    const QString out = project.RealPath(2);
    EXPECT_EQ(indexPage, out + QStringLiteral("index.html"));

    int pages = 0;
    for (int i = 0; i < items.Count(); ++i) {
        const TContentsItem &item = *items.Item(i);
        if (item.Status != 0)
            continue;
        ++pages;
        EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("pages/") + item.Url)) << item.Url.toStdString();
    }
    EXPECT_EQ(writer.DefaultPage, items.Item(0)->Url);

    // Every page of the output, its pictures, style sheets, scripts and local links.
    int checked = 0;
    for (QDirIterator it(out, {QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString page = it.next();
        const QString folder = QFileInfo(page).absolutePath() + u'/';
        for (const QString &ref : localReferences(LoadTextFile(page, QString()))) {
            EXPECT_TRUE(QFileInfo::exists(QDir::cleanPath(folder + ref)))
                << QDir(out).relativeFilePath(page).toStdString() << " names the missing file " << ref.toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, pages * 3);

    const QString data = LoadTextFile(out + QStringLiteral("data.js"), QString());
    for (int i = 0; i < items.Count(); ++i) {
        const TContentsItem &item = *items.Item(i);
        if (!item.Accessible)
            continue;
        EXPECT_TRUE(data.contains(EscapeJSString(item.Title))) << item.Title.toStdString();
    }
    EXPECT_TRUE(LoadTextFile(out + QStringLiteral("webhelpindex.html"), QString())
                    .contains(QStringLiteral("<option value=\"writepage([[")))
        << "the manual's index entries are missing";
}
