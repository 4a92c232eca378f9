// The WebHelp data files beside the program: the page skeletons, the style
// sheet, the interface-string list, the translations and the images that the
// WebHelp writer fills and copies. The build copies them into the folder of
// the executables, which is where the writer looks for them.
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringConverter>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace {

const QStringList kFramePages = {
    QStringLiteral("index.htm"),           QStringLiteral("indexh.htm"),
    QStringLiteral("webhelpframe.htm"),    QStringLiteral("webhelptop.htm"),
    QStringLiteral("webhelptoph.htm"),     QStringLiteral("webhelpcontents.htm"),
    QStringLiteral("webhelplefth.htm"),    QStringLiteral("webhelpsearch.htm"),
    QStringLiteral("webhelpbookmark.htm"), QStringLiteral("webhelpleft.htm"),
    QStringLiteral("webhelptoolbar.htm")};
const QString kIndexPage = QStringLiteral("webhelpindex.htm");

const QStringList kTreeImages = {
    QStringLiteral("blank.gif"),   QStringLiteral("line.gif"),    QStringLiteral("downangle.gif"),
    QStringLiteral("tshaped.gif"), QStringLiteral("upangle.gif"), QStringLiteral("sline.gif"),
    QStringLiteral("plus.gif"),    QStringLiteral("minus.gif"),   QStringLiteral("daplus.gif"),
    QStringLiteral("daminus.gif"), QStringLiteral("tplus.gif"),   QStringLiteral("tminus.gif"),
    QStringLiteral("uaplus.gif"),  QStringLiteral("uaminus.gif"), QStringLiteral("splus.gif"),
    QStringLiteral("sminus.gif")};
const QStringList kButtonImages = {QStringLiteral("showall.gif"), QStringLiteral("hideall.gif"),
                                   QStringLiteral("previous.gif"), QStringLiteral("next.gif"),
                                   QStringLiteral("print.gif")};

const QString kBeginBar = QStringLiteral("<!--BEGINBAR-->");
const QString kEndBar = QStringLiteral("<!--ENDBAR-->");

QString webhelpDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/webhelp");
}

QString readText(const QString &name)
{
    return QString::fromUtf8(testsupport::readFile(webhelpDir() + QLatin1Char('/') + name));
}

QStringList allPages()
{
    return kFramePages + QStringList{kIndexPage};
}

// The placeholders that the writer fills in a page; any other would reach
// the output as it stands.
QSet<QString> filledPlaceholders(const QString &page)
{
    if (page == kIndexPage)
        return {QStringLiteral("($PROJECTTITLE$)"), QStringLiteral("($INDEXLIST$)"),
                QStringLiteral("($BACKCOLOR$)")};
    QSet<QString> filled{QStringLiteral("($PROJECTTITLE$)"), QStringLiteral("($DEFAULTPAGE$)"),
                         QStringLiteral("($NAVWIDTH$)"),     QStringLiteral("($BACKCOLOR$)"),
                         QStringLiteral("($FONTCOLOR$)"),    QStringLiteral("($TOCBACKCOLOR$)")};
    if (page == QStringLiteral("webhelpcontents.htm") || page == QStringLiteral("webhelplefth.htm"))
        filled.insert(QStringLiteral("($NAVIGATION$)"));
    return filled;
}

// The page as a project without an index gets it: the bars removed and the
// lines kept for that case switched on.
QString withoutIndex(QString text)
{
    qsizetype start;
    while ((start = text.indexOf(kBeginBar)) >= 0) {
        const qsizetype end = text.indexOf(kEndBar, start + kBeginBar.size());
        text.remove(start, end < 0 ? text.size() - start : end + kEndBar.size() - start);
    }
    return text.replace(QStringLiteral("//document"), QStringLiteral("document"), Qt::CaseInsensitive);
}

QStringList inlineScripts(const QString &page)
{
    static const QRegularExpression script(QStringLiteral("<script(\\s[^>]*)?>(.*?)</script>"),
                                           QRegularExpression::DotMatchesEverythingOption |
                                               QRegularExpression::CaseInsensitiveOption);
    QStringList scripts;
    for (auto it = script.globalMatch(page); it.hasNext();) {
        const auto match = it.next();
        if (!match.captured(1).contains(QStringLiteral("src="), Qt::CaseInsensitive))
            scripts << match.captured(2);
    }
    return scripts;
}

// Local files named by a page or the style sheet: attribute values, CSS
// url() values and quoted names in scripts.
QStringList referencedFiles(const QString &text)
{
    static const QRegularExpression reference(QStringLiteral(
        "(?:\\b(?:src|href|data-src)=\"([^\"#?]*)\")|(?:url\\(\"?([^\")]+)\"?\\))|"
        "(?:[\"']([\\w./-]+\\.(?:htm|gif|jpg|css|js))[\"'])"));
    QStringList files;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        for (int group = 1; group <= 3; ++group)
            if (!match.captured(group).isEmpty())
                files << match.captured(group);
    }
    return files;
}

// Where a file of the output comes from in the program's webhelp folder;
// empty for what the writer makes itself (topic pages and the two scripts).
QStringList sourcesOf(const QString &outputName)
{
    if (outputName.startsWith(QStringLiteral("pages/")) || outputName == QStringLiteral("languages.js") ||
        outputName == QStringLiteral("data.js") || outputName.startsWith(QStringLiteral("data:")))
        return {};
    if (outputName == QStringLiteral("back.jpg"))
        return {QStringLiteral("bg/back1.jpg")};
    // A bare image name in a script swaps one tree image for another.
    if (!outputName.contains(QLatin1Char('/')) && outputName.endsWith(QStringLiteral(".gif")))
        return {QStringLiteral("imgs/") + outputName};
    if (outputName.startsWith(QStringLiteral("icons/"))) {
        const QString file = outputName.mid(6);
        return {QStringLiteral("imgs/") + file, QStringLiteral("icons/") + file,
                QStringLiteral("ricons/") + file};
    }
    return {outputName};
}

struct ImageSize {
    int width = 0;
    int height = 0;
};

ImageSize gifSize(const QByteArray &bytes)
{
    if (bytes.size() < 13 || !(bytes.startsWith("GIF89a") || bytes.startsWith("GIF87a")) ||
        !bytes.endsWith(char(0x3B)))
        return {};
    const auto u = [&](int i) { return int(uchar(bytes[i])); };
    return {u(6) | (u(7) << 8), u(8) | (u(9) << 8)};
}

QStringList interfaceNames()
{
    // The writer takes the text between the first [" and the first "] of a line.
    QStringList names;
    for (const QString &line : readText(QStringLiteral("languages.txt")).split(QLatin1Char('\n'))) {
        const qsizetype open = line.indexOf(QStringLiteral("[\""));
        const qsizetype close = line.indexOf(QStringLiteral("\"]"));
        if (open < 0 || close < open + 2)
            continue;
        const QString name = line.mid(open + 2, close - open - 2).trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

} // namespace

TEST(WebhelpData, EveryFileTheWriterReadsIsThere)
{
    ASSERT_TRUE(QFileInfo(webhelpDir()).isDir()) << webhelpDir().toStdString();
    QStringList expected = allPages();
    expected << QStringLiteral("style.css") << QStringLiteral("languages.txt");
    for (const QString &name : kTreeImages)
        expected << QStringLiteral("imgs/") + name;
    for (const QString &name : kButtonImages)
        expected << QStringLiteral("images/") + name;
    for (int icon = 1; icon <= 42; ++icon)
        expected << QStringLiteral("icons/%1.gif").arg(icon);
    for (const char *icon : {"1.gif", "2.gif", "11.gif"})
        expected << QStringLiteral("ricons/") + QLatin1String(icon);
    for (int back = 1; back <= 9; ++back)
        expected << QStringLiteral("bg/back%1.jpg").arg(back);
    for (const QString &name : expected)
        EXPECT_TRUE(QFileInfo(webhelpDir() + QLatin1Char('/') + name).isFile()) << name.toStdString();
    // The tree images are exactly the sixteen the contents trees use: the
    // writer copies the whole folder.
    EXPECT_EQ(QDir(webhelpDir() + QStringLiteral("/imgs")).entryList(QDir::Files).size(), kTreeImages.size());
    EXPECT_FALSE(QDir(webhelpDir() + QStringLiteral("/langs")).entryList({QStringLiteral("*.tsl")}).isEmpty());
}

TEST(WebhelpData, ImagesAreReadableAndTreeImagesLineUp)
{
    // Rows of the contents tree join their lines only when every tree image
    // and icon has the same height.
    for (const QString &folder : {QStringLiteral("imgs"), QStringLiteral("icons"), QStringLiteral("ricons")}) {
        const QDir dir(webhelpDir() + QLatin1Char('/') + folder);
        for (const QString &name : dir.entryList(QDir::Files)) {
            const ImageSize size = gifSize(testsupport::readFile(dir.filePath(name)));
            EXPECT_EQ(size.width, 18) << (folder + QLatin1Char('/') + name).toStdString();
            EXPECT_EQ(size.height, 18) << (folder + QLatin1Char('/') + name).toStdString();
        }
    }
    for (const QString &name : kButtonImages)
        EXPECT_GT(gifSize(testsupport::readFile(webhelpDir() + QStringLiteral("/images/") + name)).width, 0)
            << name.toStdString();
    for (int back = 1; back <= 9; ++back) {
        const QByteArray jpeg = testsupport::readFile(webhelpDir() + QStringLiteral("/bg/back%1.jpg").arg(back));
        EXPECT_TRUE(jpeg.startsWith("\xFF\xD8\xFF") && jpeg.endsWith("\xFF\xD9")) << back;
    }
}

TEST(WebhelpData, PagesHoldWhatTheWriterFills)
{
    const QRegularExpression placeholder(QStringLiteral("\\(\\$[A-Za-z]+\\$\\)"));
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        ASSERT_FALSE(text.isEmpty()) << page.toStdString();
        const QSet<QString> filled = filledPlaceholders(page);
        for (auto it = placeholder.globalMatch(text); it.hasNext();) {
            const QString found = it.next().captured(0);
            EXPECT_TRUE(filled.contains(found)) << page.toStdString() << " keeps " << found.toStdString();
        }
        // The writer's page saver picks the encoding from the declared charset.
        EXPECT_TRUE(text.contains(QStringLiteral("charset=utf-8"), Qt::CaseInsensitive)) << page.toStdString();
    }
    const auto holds = [](const QString &page, const QString &what) {
        EXPECT_TRUE(readText(page).contains(what)) << page.toStdString() << " lacks " << what.toStdString();
    };
    holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("($NAVIGATION$)"));
    holds(QStringLiteral("webhelplefth.htm"), QStringLiteral("($NAVIGATION$)"));
    holds(kIndexPage, QStringLiteral("($INDEXLIST$)"));
    for (const QString &page : {QStringLiteral("webhelpframe.htm"), QStringLiteral("indexh.htm")}) {
        holds(page, QStringLiteral("($DEFAULTPAGE$)"));
        holds(page, QStringLiteral("($NAVWIDTH$)"));
    }
    holds(QStringLiteral("index.htm"), QStringLiteral("<title>($PROJECTTITLE$)</title>"));
    holds(QStringLiteral("webhelptop.htm"), QStringLiteral("($BACKCOLOR$)"));
    holds(QStringLiteral("webhelptop.htm"), QStringLiteral("($FONTCOLOR$)"));
    holds(QStringLiteral("webhelptop.htm"), QStringLiteral(" background=\"back.jpg\""));
    holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("($TOCBACKCOLOR$)"));

    // The default page arrives with its apostrophes escaped for a script string.
    EXPECT_TRUE(readText(QStringLiteral("webhelpframe.htm")).contains(QStringLiteral("'($DEFAULTPAGE$)'")));
    // The keyword list is made of <option> elements.
    EXPECT_TRUE(readText(kIndexPage).contains(QRegularExpression(
        QStringLiteral("<select[^>]*>\\s*\\(\\$INDEXLIST\\$\\)\\s*</select>"))));
}

TEST(WebhelpData, FramesAndScriptsMeetTheGeneratedTexts)
{
    const auto holds = [](const QString &page, const QString &pattern) {
        EXPECT_TRUE(readText(page).contains(QRegularExpression(pattern)))
            << page.toStdString() << " lacks " << pattern.toStdString();
    };
    // Topic pages call parent.nav.tree.selectNode(k), test parent.nav.tree.loaded
    // and set parent.contentLoaded; the trees' links target "content".
    for (const QString &page : {QStringLiteral("webhelpframe.htm"), QStringLiteral("indexh.htm")}) {
        holds(page, QStringLiteral("<iframe name=\"nav\""));
        holds(page, QStringLiteral("<iframe name=\"content\""));
    }
    holds(QStringLiteral("webhelpframe.htm"), QStringLiteral("var contentLoaded\\b"));
    for (const QString &page : {QStringLiteral("webhelpleft.htm"), QStringLiteral("webhelpcontents.htm"),
                                QStringLiteral("webhelplefth.htm")}) {
        holds(page, QStringLiteral("var tree = \\{"));
        holds(page, QStringLiteral("\\bloaded:"));
        holds(page, QStringLiteral("\\bselectNode\\b"));
    }
    for (const QString &function : {QStringLiteral("SetEnv"), QStringLiteral("NodeClick"),
                                    QStringLiteral("LinkClick"), QStringLiteral("LinkDblClick")})
        holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("function %1\\(").arg(function));
    holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("var divlist\\b"));
    // The generated tree's element ids: d<n>, img<n>, imgn<n>, l<n>.
    for (const QString &prefix : {QStringLiteral("d"), QStringLiteral("img"), QStringLiteral("imgn"), QStringLiteral("l")})
        holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("byId\\(\"%1\" \\+").arg(prefix));
    holds(QStringLiteral("webhelplefth.htm"), QStringLiteral("function SetEnv\\("));
    holds(kIndexPage, QStringLiteral("function writepage\\("));
    holds(QStringLiteral("index.htm"), QStringLiteral("webhelpframe\\.htm\" \\+ location\\.search"));
    holds(QStringLiteral("webhelpframe.htm"), QStringLiteral("page="));
    // Classes of the generated trees.
    const QString css = readText(QStringLiteral("style.css"));
    for (const QString &rule : {QStringLiteral("img.p"), QStringLiteral(".unselected"), QStringLiteral(".selected")})
        EXPECT_TRUE(css.contains(rule)) << rule.toStdString();
}

TEST(WebhelpData, IndexBarsPairUpAndTakeTheWholeIndex)
{
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        EXPECT_EQ(text.count(kBeginBar), text.count(kEndBar)) << page.toStdString();
        // Each bar ends before the next starts; RemoveBetween would otherwise eat the page.
        qsizetype at = 0;
        while ((at = text.indexOf(kBeginBar, at)) >= 0) {
            const qsizetype end = text.indexOf(kEndBar, at);
            const qsizetype next = text.indexOf(kBeginBar, at + 1);
            EXPECT_TRUE(end > at && (next < 0 || end < next)) << page.toStdString();
            at += kBeginBar.size();
        }
        EXPECT_FALSE(withoutIndex(text).contains(QStringLiteral("webhelpindex.htm"))) << page.toStdString();
    }
    EXPECT_TRUE(readText(QStringLiteral("webhelpbookmark.htm")).contains(kBeginBar));
    EXPECT_TRUE(readText(QStringLiteral("webhelpleft.htm")).contains(kBeginBar));
}

TEST(WebhelpData, LinksAreWholeAndPointAtShippedFiles)
{
    const QRegularExpression partialExtension(QStringLiteral("\\.htm[A-Za-z0-9_]"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList texts = allPages();
    texts << QStringLiteral("style.css");
    for (const QString &name : texts) {
        const QString text = readText(name);
        // The writer turns a whole ".htm" into ".html"; ".html" or ".htmx"
        // would become something else.
        const auto partial = partialExtension.match(text);
        EXPECT_FALSE(partial.hasMatch()) << name.toStdString() << ": " << partial.captured(0).toStdString();
        for (const QString &reference : referencedFiles(text)) {
            const QStringList sources = sourcesOf(reference);
            if (sources.isEmpty())
                continue;
            const bool found = std::any_of(sources.cbegin(), sources.cend(), [](const QString &source) {
                return QFileInfo(webhelpDir() + QLatin1Char('/') + source).isFile();
            });
            EXPECT_TRUE(found) << name.toStdString() << " names " << reference.toStdString();
        }
    }
}

TEST(WebhelpData, InterfaceStringsAndTranslationsMatch)
{
    const QStringList names = interfaceNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(QSet<QString>(names.cbegin(), names.cend()).size(), names.size()) << "a name is listed twice";
    for (const QString &name : names) {
        // The writer puts names into languages.js without escaping them.
        EXPECT_FALSE(name.contains(QLatin1Char('"')) || name.contains(QLatin1Char('\\')) ||
                     name.contains(QLatin1Char('=')))
            << name.toStdString();
    }
    // Every text the pages look up is translatable.
    const QRegularExpression used(QStringLiteral("data-(?:text|title)=\"([^\"]+)\"|\\bS\\(\"([^\"]+)\"\\)"));
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        for (auto it = used.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
            EXPECT_TRUE(names.contains(name)) << page.toStdString() << " uses " << name.toStdString();
        }
        if (text.contains(QStringLiteral("data-text")) || text.contains(QStringLiteral("S(\""))) {
            EXPECT_TRUE(text.contains(QStringLiteral("<script src=\"languages.js\"></script>"))) << page.toStdString();
        }
    }

    // Translation files: UTF-8 with byte-order mark, CR LF, one name=text per name.
    const QDir langs(webhelpDir() + QStringLiteral("/langs"));
    for (const QString &file : langs.entryList({QStringLiteral("*.tsl")})) {
        const QByteArray bytes = testsupport::readFile(langs.filePath(file));
        ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << file.toStdString();
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(bytes.mid(3));
        EXPECT_FALSE(utf8.hasError()) << file.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        EXPECT_EQ(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n"))) << file.toStdString();
        QStringList translated;
        for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            ASSERT_GT(equals, 0) << file.toStdString() << ": " << line.toStdString();
            EXPECT_FALSE(line.mid(equals + 1).trimmed().isEmpty()) << line.toStdString();
            translated << line.left(equals);
        }
        EXPECT_EQ(translated, names) << file.toStdString();
    }
}

TEST(WebhelpData, ScriptsParseWithAndWithoutTheIndex)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty())
        GTEST_SKIP() << "node is not installed; the scripts were not parsed";
    testsupport::ScratchDir scratch;
    int checked = 0;
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        const QList<QPair<QString, QString>> variants = {{QStringLiteral("index"), text},
                                                         {QStringLiteral("noindex"), withoutIndex(text)}};
        for (const auto &[variant, pageText] : variants) {
            const QStringList scripts = inlineScripts(pageText);
            for (qsizetype k = 0; k < scripts.size(); ++k) {
                const QString file = scratch.file(QStringLiteral("%1-%2-%3.js").arg(page, variant).arg(k));
                testsupport::writeFile(file, scripts[k].toUtf8());
                QProcess process;
                process.start(node, {QStringLiteral("--check"), file});
                ASSERT_TRUE(process.waitForFinished(30000)) << file.toStdString();
                EXPECT_EQ(process.exitCode(), 0)
                    << page.toStdString() << " (" << variant.toStdString() << ") script " << k << ":\n"
                    << process.readAllStandardError().toStdString();
                ++checked;
            }
        }
    }
    // Nine pages carry scripts, each parsed in both forms.
    EXPECT_GE(checked, 18);
}
