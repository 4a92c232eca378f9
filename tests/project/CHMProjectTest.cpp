// The HTML Help project set: window settings, the written files, the file
// list, and compiling with the program's compiler into a help file that
// libchm can read.
#include "platform/Exception.h"
#include "project/ProjectSetting.h"
#include "foundation/LanguageProcess.h"
#include "foundation/functions.h"
#include "project/Contents.h"
#include "project/Template.h"
#include "project/UnitCHMProject.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <chm_lib.h>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

// The options of a new project, as the build copies them.
TCHMProject newProjectSet(const QString &folder)
{
    TProject project;
    TCHMProject set;
    set.Assign(project.CHMSetting);
    set.Title = QStringLiteral("Sample Help");
    set.DefaultTopic = QStringLiteral("intro.htm");
    set.Folder = folder.endsWith(u'/') ? folder : folder + u'/';
    set.CHM = set.Folder + QStringLiteral("out/help.chm");
    return set;
}

QString sitemapEntry(const QString &name, const QString &local, int image = 0)
{
    QString s = QStringLiteral("<LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"%1\">\r\n").arg(name);
    if (!local.isEmpty())
        s += QStringLiteral("<param name=\"Local\" value=\"%1\">\r\n").arg(local);
    if (image)
        s += QStringLiteral("<param name=\"ImageNumber\" value=\"%1\">\r\n").arg(image);
    return s + QStringLiteral("</OBJECT>\r\n");
}

QStringList lines(const QString &file)
{
    return QString::fromLatin1(readFile(file)).split(QStringLiteral("\r\n"));
}

class ChmFile {
public:
    explicit ChmFile(const QString &path) : h_(chm_open(QFile::encodeName(path).constData())) {}
    ~ChmFile()
    {
        if (h_)
            chm_close(h_);
    }
    bool isOpen() const { return h_ != nullptr; }
    bool has(const char *name)
    {
        chmUnitInfo ui;
        return chm_resolve_object(h_, name, &ui) == CHM_RESOLVE_SUCCESS;
    }
    QByteArray read(const char *name)
    {
        chmUnitInfo ui;
        if (chm_resolve_object(h_, name, &ui) != CHM_RESOLVE_SUCCESS)
            return QByteArray();
        QByteArray data(qsizetype(ui.length), '\0');
        const LONGINT64 got =
            chm_retrieve_object(h_, &ui, reinterpret_cast<unsigned char *>(data.data()), 0, LONGINT64(ui.length));
        data.resize(qsizetype(got));
        return data;
    }
    QStringList files()
    {
        QStringList out;
        chm_enumerate(h_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, &collect, &out);
        return out;
    }

private:
    static int collect(chmFile *, chmUnitInfo *ui, void *context)
    {
        static_cast<QStringList *>(context)->append(QString::fromUtf8(ui->path));
        return CHM_ENUMERATOR_CONTINUE;
    }
    chmFile *h_;
};

quint32 dword(const QByteArray &data, int offset)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | quint8(data.at(offset + i));
    return value;
}

QString stringAt(const QByteArray &strings, quint32 offset) { return QString::fromUtf8(strings.constData() + offset); }

// A project set in <dir>/set/ whose one page is intro.htm.
TCHMProject onePageSet(const ScratchDir &dir, const QByteArray &page)
{
    const QString folder = dir.file(QStringLiteral("set/"));
    writeFile(folder + QStringLiteral("intro.htm"), page);
    return newProjectSet(folder);
}

// A project set in folder of three pages (one in a subfolder) with a
// picture, contents, an index and two context numbers.
TCHMProject threePageSet(const QString &folder)
{
    TCHMProject set = newProjectSet(folder);
    for (const char *name : {"intro.htm", "usage.htm", "more/deep.htm"})
        writeFile(set.Folder + QString::fromLatin1(name),
                  QByteArray("<html><head><title>") + name + "</title></head><body><p>About " + name
                      + " <img src=\"pic.png\"> <a href=\"intro.htm#top\">top</a></p></body></html>");
    writeFile(set.Folder + QStringLiteral("pic.png"), "PNG");
    set.TOC = QStringLiteral("<UL>") + sitemapEntry(QStringLiteral("Intro"), QStringLiteral("intro.htm"))
            + QStringLiteral("<UL>") + sitemapEntry(QStringLiteral("Deep"), QStringLiteral("more/deep.htm"))
            + QStringLiteral("</UL></UL>");
    set.IndexList = QStringLiteral("<UL>") + sitemapEntry(QStringLiteral("usage"), QStringLiteral("usage.htm"))
                  + QStringLiteral("</UL>");
    set.Alias = QStringLiteral("CID_INTRO = intro.htm\r\nCID_DEEP = more/deep.htm\r\n");
    set.Map = QStringLiteral("#define CID_INTRO 10\r\n#define CID_DEEP 20\r\n");
    return set;
}

} // namespace

TEST(CHMProject, WindowDefinitionFollowsTheOptions)
{
    TCHMProject set = newProjectSet(QStringLiteral("/x"));
    set.HHCFile = QStringLiteral("help.hhc");
    set.HHKFile = QStringLiteral("help.hhk");
    set.SetToolbar(), set.SetFace(), set.SetWindow(), set.SetWindowEx(), set.SetWinStyle(), set.SetWinStyleEx();
    EXPECT_EQ(set.WindowDefinition(),
              QStringLiteral("\"Sample Help\",\"help.hhc\",\"help.hhk\",\"intro.htm\",\"intro.htm\",\"intro.htm\",\"\",,,"
                             "0x23520,270,0x307E,[50,50,950,700],0xB0000,0x0,,0,0,,0,"));
    set.ShowPane = false;
    set.Maximize = true;
    set.StayOnTop = true;
    set.SetWindow(), set.SetWindowEx();
    const QStringList fields = set.WindowDefinition().split(u','); // the position holds three commas
    EXPECT_EQ(fields[16], QStringLiteral("0x10B0000"));
    EXPECT_EQ(fields[17], QStringLiteral("0x8"));
    EXPECT_EQ(fields[19], QStringLiteral("1"));
}

TEST(CHMProject, TitlesCannotBreakTheProjectFile)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.path());
    set.Title = QStringLiteral("Say \"hi\", world\r\nTitle=evil");
    set.Output();
    const QStringList hhp = lines(set.Folder + set.HHPFile);
    EXPECT_TRUE(hhp.contains(QStringLiteral("Title=Say \"hi\", world  Title=evil")));
    const QString window = hhp.filter(QStringLiteral("main=")).value(0);
    EXPECT_TRUE(window.startsWith(QStringLiteral("main=\"Say 'hi', world  Title=evil\",")));
    EXPECT_EQ(window.count(u'"'), 14);
    EXPECT_EQ(std::count_if(hhp.begin(), hhp.end(), [](const QString &l) { return l.startsWith(QStringLiteral("Title=")); }), 1);
}

// A page whose name holds a line break ("x\n../id_rsa": the folder "x\n.."
// and the file id_rsa in it) or a lone CR in an alias target cannot list a
// file outside the set, nor start a line of its own.
TEST(CHMProject, FileNamesCannotBreakTheProjectFile)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.path());
    writeFile(set.Folder + QStringLiteral("x\n../id_rsa"), "page");
    set.Alias = QStringLiteral("CID_A = a.htm\r../b.htm\r\n");
    set.Map = QStringLiteral("#define CID_A 1\r\n");
    set.Output();
    const QStringList hhp = lines(set.Folder + set.HHPFile);
    EXPECT_TRUE(hhp.contains(QStringLiteral("x ../id_rsa"))) << hhp.join(u'|').toStdString();
    EXPECT_TRUE(hhp.contains(QStringLiteral("CID_A = a.htm ../b.htm"))) << hhp.join(u'|').toStdString();
    for (const QString &line : hhp)
        EXPECT_FALSE(line.contains(u'\r') || line.contains(u'\n') || line.startsWith(QStringLiteral("../")))
            << line.toStdString();
}

// A font face is free text in the font window: a quote or markup in it
// cannot end the attribute that carries it.
TEST(CHMProject, FontStringsCannotBreakTheSitemapFiles)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.path());
    set.TOC = QStringLiteral("<UL>\r\n") + sitemapEntry(QStringLiteral("Intro"), QStringLiteral("intro.htm")) + QStringLiteral("</UL>");
    set.ContentsFont = QStringLiteral("My \"Face\"><b>,10,0");
    set.IndexFont = QStringLiteral("A&B,9,0");
    set.Output();
    EXPECT_TRUE(lines(set.Folder + set.HHCFile)
                    .contains(QStringLiteral("     <param name=\"Font\" value=\"My &quot;Face&quot;&gt;&lt;b&gt;,10,0\">")));
    EXPECT_TRUE(lines(set.Folder + set.HHKFile).contains(QStringLiteral("<param name=\"Font\" value=\"A&amp;B,9,0\">")));
}

// A title character that the code page lacks is kept as a character
// reference in the contents and index files, never lost to "?".
TEST(CHMProject, TitleCharactersOutsideTheCodePageAreReferenced)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.path());
    const QString title = QStringLiteral("Smile \U0001F600 done");
    const QString quoted = QStringLiteral("\u201CDay Ahead\u201D");
    set.TOC = QStringLiteral("<UL>\r\n") + sitemapEntry(title, QStringLiteral("intro.htm"))
              + sitemapEntry(quoted, QStringLiteral("day.htm")) + QStringLiteral("</UL>");
    set.IndexList = QStringLiteral("<UL>\r\n") + sitemapEntry(title, QStringLiteral("intro.htm")) + QStringLiteral("</UL>");
    set.Output();
    const QString codePage = QString::number(set.CodePage());
    for (const QString &file : {set.HHCFile, set.HHKFile}) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_FALSE(file.isEmpty());
        const QString text = LoadTextFile(set.Folder + file, codePage);
        EXPECT_TRUE(text.contains(QStringLiteral("<param name=\"Name\" value=\"Smile &#128512; done\">")))
            << text.toStdString();
        EXPECT_FALSE(text.contains(u'?'));
    }
    // Curly quotes are characters of the code page and stay in the titles.
    const QString contents = LoadTextFile(set.Folder + set.HHCFile, codePage);
    EXPECT_TRUE(contents.contains(QStringLiteral("<param name=\"Name\" value=\"") + quoted + u'"')) << contents.toStdString();
    if (AnsiCodePage() == 1252) {
        EXPECT_TRUE(readFile(set.Folder + set.HHCFile).contains("value=\"\x93" "Day Ahead\x94\""));
    }
}

// The project set's layout byte for byte, in the code page of the help's
// language whatever the machine's locale: swapping two fields, changing the
// contents file's image type or writing Cyrillic in another code page fails.
TEST(CHMProject, ProjectSetLayoutIsPinned)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.file(QStringLiteral("set")));
    writeFile(set.Folder + QStringLiteral("intro.htm"), "<html></html>");
    writeFile(set.Folder + QStringLiteral("pics/a.png"), "png");
    set.Language = QStringLiteral("0x0419");
    set.Title = QStringLiteral("Справка \"Быстро\"");
    set.Font = QStringLiteral("Tahoma,8,204");
    set.ContentsFont = QStringLiteral("Arial,10,204");
    set.IndexFont = QStringLiteral("Verdana,9,204");
    set.Prev = true;
    set.TOC = QStringLiteral("<UL>\r\n") + sitemapEntry(QStringLiteral("Введение"), QStringLiteral("intro.htm"), 11)
            + QStringLiteral("</UL>");
    set.IndexList = QStringLiteral("<UL>\r\n") + sitemapEntry(QStringLiteral("ключ"), QStringLiteral("intro.htm"))
                  + QStringLiteral("</UL>");
    set.Alias = QStringLiteral("CID_INTRO = intro.htm\r\n");
    set.Map = QStringLiteral("#define CID_INTRO 10000\r\n");
    set.Output();
    EXPECT_EQ(set.CodePage(), 1251);
    for (const QString &file : {set.HHPFile, set.HHCFile, set.HHKFile, set.HFile})
        EXPECT_TRUE(testsupport::matchesExpectedFile(set.Folder + file, QStringLiteral("layout/projectset/") + file));
}

TEST(CHMProject, WritesOnlyTheFilesThatHaveContent)
{
    ScratchDir dir;
    writeFile(dir.file(QStringLiteral("intro.htm")), "<html></html>");
    TCHMProject set = newProjectSet(dir.path());
    set.Output();
    EXPECT_EQ(set.HHCFile, QString());
    EXPECT_EQ(set.HFile, QString());
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("help.hhc"))));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("help.h"))));
    const QStringList hhk = lines(dir.file(QStringLiteral("help.hhk")));
    EXPECT_EQ(hhk.mid(7, 3), (QStringList{QStringLiteral("<OBJECT type=\"text/site properties\">"),
                                          QStringLiteral("<param name=\"Font\" value=\",8,0\">"),
                                          QStringLiteral("</OBJECT>")}));
    const QStringList hhp = lines(dir.file(QStringLiteral("help.hhp")));
    EXPECT_TRUE(hhp.contains(QStringLiteral("Contents file=")));
    EXPECT_TRUE(hhp.filter(QStringLiteral("main=")).value(0).startsWith(QStringLiteral("main=\"Sample Help\",\"\",")));
    EXPECT_FALSE(hhp.contains(QStringLiteral("[ALIAS]")));
    EXPECT_FALSE(hhp.contains(QStringLiteral("[MAP]")));
    EXPECT_EQ(hhp.mid(hhp.indexOf(QStringLiteral("[FILES]"))), (QStringList{QStringLiteral("[FILES]"),
                                                                           QStringLiteral("intro.htm"), QString(), QString()}));
}

// Nor are the files the build names as its own (the list of what it wrote in
// the folder): they are not published.
TEST(CHMProject, FileListSkipsProjectSetFilesButKeepsPages)
{
    ScratchDir dir;
    for (const char *name : {"page.htm", "images/a.gif", "help.hhp", "old.h", "HELP.LOG", "v1.help.htm",
                             "old.hhp.bak", "deep/er/x.css", ".quillcraft-output"})
        writeFile(dir.file(QString::fromLatin1(name)), "x");
    TCHMProject set;
    set.Folder = dir.path() + u'/';
    set.LeftOut = {QStringLiteral(".quillcraft-output")};
    set.GetFiles(set.Folder);
    QStringList files = set.Files;
    files.sort();
    EXPECT_EQ(files, (QStringList{QStringLiteral("deep/er/x.css"), QStringLiteral("images/a.gif"),
                                  QStringLiteral("page.htm"), QStringLiteral("v1.help.htm")}));
}

// A small project set compiles into a help file that holds every page, the
// contents, the index, the context numbers and the window settings.
TEST(CHMProject, CompilesIntoAHelpFileLibchmCanRead)
{
    ScratchDir dir;
    const QString folder = dir.file(QStringLiteral("set/"));
    writeFile(folder + QStringLiteral("images/shot.png"), "PNG");

    // A small topic list: pages, a book without a page, context numbers.
    TProject project;
    project.Title = QStringLiteral("Sample Help");
    TContentsItems topics;
    topics.Project = &project;
    const struct {
        int level;
        const char *title, *url, *context;
    } rows[] = {{1, "Introduction", "intro.htm", "1000"},
                {1, "Setting up", "", ""},
                {2, "Installing", "install.htm", ""},
                {2, "On Linux", "install_linux.htm", "1010"},
                {1, "Using it", "usage.htm", ""}};
    for (const auto &r : rows) {
        auto item = std::make_unique<TContentsItem>();
        item->Level = r.level;
        item->Title = item->HTMLTitle = QString::fromLatin1(r.title);
        item->Url = QString::fromLatin1(r.url);
        item->Status = item->Url.isEmpty() ? 2 : 0;
        item->Accessible = item->Status == 0;
        item->StaticName = item->Url.section(u'.', 0, 0).toUpper();
        item->ContextNumber = QString::fromLatin1(r.context);
        item->Content = QStringLiteral("<p>About %1.</p><img src=\"images/shot.png\">").arg(item->Title);
        topics.Add(std::move(item));
    }
    topics.Item(1)->HasChildNode = true;
    topics.PreProcess();

    // Pages through the shipped HTML Help template.
    TTemplate page(project.HtmlHelpTemplateStream, project.PrevHint, project.NextHint);
    page.ProjectTitle = project.Title;
    page.Copyright = project.CopyRight;
    page.CopyAttachedFiles(folder);
    THEADElements head;
    page.UniteHead(head);
    QString toc = QStringLiteral("<UL>"), alias, map;
    int previousLevel = 1;
    for (int i = 0; i < topics.Count(); ++i) {
        const TContentsItem &t = *topics.Item(i);
        for (; previousLevel < t.Level; ++previousLevel)
            toc += QStringLiteral("<UL>");
        for (; previousLevel > t.Level; --previousLevel)
            toc += QStringLiteral("</UL>");
        toc += sitemapEntry(t.Title, t.Url, t.Icon);
        if (t.Status != 0)
            continue;
        SaveTextFile(SetHtmlCharset(page.MakePage(t), QStringLiteral("utf-8")), folder + t.Url, 1);
        if (!t.ContextNumber.isEmpty()) {
            alias += QStringLiteral("CID_%1 = %2\r\n").arg(t.StaticName, t.Url);
            map += QStringLiteral("#define CID_%1 %2\r\n").arg(t.StaticName, t.ContextNumber);
        }
    }
    for (; previousLevel >= 1; --previousLevel)
        toc += QStringLiteral("</UL>");

    TCHMProject set = newProjectSet(folder);
    set.DefaultTopic = topics.DefaultPage;
    set.CHM = dir.file(QStringLiteral("out/Sample.chm"));
    set.TOC = toc;
    set.IndexList = QStringLiteral("<UL>") + sitemapEntry(QStringLiteral("install"), QStringLiteral("install.htm"))
                  + QStringLiteral("<UL>") + sitemapEntry(QStringLiteral("Linux"), QStringLiteral("install_linux.htm"))
                  + QStringLiteral("</UL>") + sitemapEntry(QStringLiteral("usage"), QStringLiteral("usage.htm"))
                  + QStringLiteral("</UL>");
    set.Alias = alias;
    set.Map = map;
    set.Output();
    const QString output = set.Compile1();

    EXPECT_FALSE(output.isEmpty());
    EXPECT_EQ(readFile(folder + QStringLiteral("Sample.log")), output.toLocal8Bit());
    EXPECT_TRUE(lines(folder + QStringLiteral("Sample.hhp")).contains(QStringLiteral("CID_INSTALL_LINUX = install_linux.htm")));

    ChmFile chm(set.CHM);
    ASSERT_TRUE(chm.isOpen());
    for (const char *page : {"/intro.htm", "/install.htm", "/install_linux.htm", "/usage.htm", "/images/shot.png",
                             "/Sample.hhc", "/Sample.hhk"})
        EXPECT_TRUE(chm.has(page)) << page << " in " << chm.files().join(u' ').toStdString();
    EXPECT_TRUE(chm.has("/btn_next_n.png") && chm.has("/btn_prev_g.png") && chm.has("/fixedtop.css"));
    const QByteArray onLinux = chm.read("/install_linux.htm");
    EXPECT_TRUE(onLinux.contains("<p>About On Linux.</p>"));
    EXPECT_TRUE(onLinux.contains("<a href=\"install.htm\">Setting up</a> &gt; On Linux")) << onLinux.toStdString();
    EXPECT_TRUE(onLinux.contains("<A href=\"install.htm\" title=\"Previous\">"));
    EXPECT_TRUE(onLinux.contains("<A href=\"usage.htm\" title=\"Next\">"));
    EXPECT_TRUE(chm.read("/intro.htm").contains("src=\"btn_prev_g.png\""));
    const QByteArray contents = chm.read("/Sample.hhc");
    EXPECT_TRUE(contents.contains("<param name=\"Name\" value=\"Setting up\">"));
    EXPECT_TRUE(contents.contains("<param name=\"Window Styles\" value=\"0x27\">"));
    EXPECT_TRUE(chm.read("/Sample.hhk").contains("value=\"Linux\""));

    const QByteArray windows = chm.read("/#WINDOWS");
    const QByteArray strings = chm.read("/#STRINGS");
    ASSERT_GE(windows.size(), 8 + 0x74);
    EXPECT_EQ(dword(windows, 0), 1u);
    const int w = 8;
    EXPECT_EQ(stringAt(strings, dword(windows, w + 0x08)), QStringLiteral("main"));
    EXPECT_EQ(dword(windows, w + 0x10), 0x23520u);
    EXPECT_EQ(stringAt(strings, dword(windows, w + 0x14)), QStringLiteral("Sample Help"));
    EXPECT_EQ(dword(windows, w + 0x18), 0xB0000u);
    EXPECT_EQ(dword(windows, w + 0x20), 50u);
    EXPECT_EQ(dword(windows, w + 0x28), 950u);
    EXPECT_EQ(dword(windows, w + 0x2C), 700u);
    EXPECT_EQ(dword(windows, w + 0x4C), 270u);
    EXPECT_EQ(stringAt(strings, dword(windows, w + 0x60)), QStringLiteral("Sample.hhc"));
    EXPECT_EQ(stringAt(strings, dword(windows, w + 0x64)), QStringLiteral("Sample.hhk"));
    EXPECT_EQ(stringAt(strings, dword(windows, w + 0x68)), QStringLiteral("intro.htm"));
    EXPECT_EQ(dword(windows, w + 0x70), 0x307Eu);

    // Context numbers: pairs of number and alias target in #IVB.
    const QByteArray ivb = chm.read("/#IVB");
    ASSERT_GE(ivb.size(), 4);
    QMap<quint32, QString> contexts;
    for (int at = 4; at + 8 <= ivb.size(); at += 8)
        contexts.insert(dword(ivb, at), stringAt(strings, dword(ivb, at + 4)));
    EXPECT_EQ(contexts.keys(), (QList<quint32>{1000, 1010}));
    EXPECT_EQ(contexts.value(1000), QStringLiteral("intro.htm"));
    EXPECT_EQ(contexts.value(1010), QStringLiteral("install_linux.htm"));
}

// A failed compile reports the project and its log and leaves the compiled
// file of the last good build as it was: beside the set, and kept inside the
// set's folder under the compiler's own name (which a good compile replaces).
TEST(CHMProject, FailedCompileIsReportedAndKeepsTheOldHelpFile)
{
    ScratchDir dir;
    const QString folder = dir.file(QStringLiteral("set/"));
    const QString currentFolder = QDir::currentPath();
    for (const QString &chm : {folder + QStringLiteral("out/help.chm"), folder + QStringLiteral("help.chm")}) {
        SCOPED_TRACE(chm.toStdString());
        TCHMProject set = onePageSet(dir, "<html><body>x</body></html>");
        set.CHM = chm;
        writeFile(chm, "old chm");
        set.Alias = QStringLiteral("CID_GONE = missing.htm\r\n");
        set.Map = QStringLiteral("#define CID_GONE 5\r\n");
        set.Output();
        try {
            set.Compile1();
            FAIL() << "a compile that wrote nothing must fail";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("help.hhp"))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("help.log"))) << e.message().toStdString();
        }
        EXPECT_EQ(readFile(chm), QByteArray("old chm"));
        EXPECT_FALSE(readFile(folder + QStringLiteral("help.log")).isEmpty());
        EXPECT_EQ(QDir::currentPath(), currentFolder);

        set.Alias.clear();
        set.Map.clear();
        set.Output();
        EXPECT_FALSE(set.Files.contains(QStringLiteral("help.chm"))) << "the old file is no page of the new one";
        set.Compile1();
        ChmFile compiled(chm);
        ASSERT_TRUE(compiled.isOpen());
        EXPECT_TRUE(compiled.has("/intro.htm"));
        EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral(".quillcraft-compile")));
        EXPECT_TRUE(QDir(QFileInfo(chm).path()).entryList({QStringLiteral("*.new")}, QDir::Files | QDir::Hidden).isEmpty());
    }

    TCHMProject set = onePageSet(dir, "<html><body>x</body></html>");
    set.Alias = QStringLiteral("CID_GONE = missing.htm\r\n");
    set.Map = QStringLiteral("#define CID_GONE 5\r\n");
    set.Output();
    // A scratch project set goes away with the build: the message names the
    // compiled file and quotes the compiler rather than a log that is gone.
    set.ScratchFolder = true;
    try {
        set.Compile1();
        FAIL() << "a compile that wrote nothing must fail";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Compiling the HTML Help into \"%1\" failed: ").arg(set.CHM)))
            << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(folder + QStringLiteral("help."))) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QStringLiteral("/proc/"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("CID_GONE"))) << e.message().toStdString();
    }
}

// A disk too small for the new compiled file (a 64 KB memory file system,
// where the test may mount one): the message names the file and the full
// disk, the old file stays whole and nothing cut is left beside it.
TEST(CHMProject, AFullDiskKeepsTheOldHelpFile)
{
    ScratchDir dir;
    const QString disk = dir.file(QStringLiteral("small"));
    const testsupport::SmallDisk small(disk);
    if (!small.mounted())
        GTEST_SKIP() << "no small file system can be mounted here";
    // Text that does not compress: the compiled file is far larger than the disk.
    QByteArray text;
    for (int i = 0; text.size() < 400000; ++i)
        text += QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256).toBase64() + ' ';
    TCHMProject set = onePageSet(dir, "<html><body>" + text + "</body></html>");
    set.CHM = disk + QStringLiteral("/help.chm");
    writeFile(set.CHM, "old chm");
    set.Output();
    try {
        set.Compile1();
        ADD_FAILURE() << "the full disk was not reported";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot write the file \"%1\": there is no space left on the disk").arg(set.CHM));
    }
    EXPECT_EQ(readFile(set.CHM), QByteArray("old chm"));
    EXPECT_EQ(QDir(disk).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("help.chm")});
}

// One project set compiled in two folders of different lengths, at two
// moments: the same bytes, so no path of either folder is inside (the
// context map names its pages by one), and without the files the build
// keeps for itself.
TEST(CHMProject, TheSameSetGivesTheSameBytesInAnyFolder)
{
    ScratchDir dir;
    const QStringList folders{dir.file(QStringLiteral("s/")), dir.file(QStringLiteral("a much longer folder/set/"))};
    QByteArray built[2];
    for (int i = 0; i < 2; ++i) {
        TCHMProject set = threePageSet(folders[i]);
        writeFile(folders[i] + QStringLiteral(".quillcraft-output"), "the build's own list");
        set.LeftOut = {QStringLiteral(".quillcraft-output")};
        set.Output();
        set.Compile1();
        built[i] = readFile(set.CHM);

        ChmFile chm(set.CHM);
        ASSERT_TRUE(chm.isOpen());
        EXPECT_TRUE(chm.has("/more/deep.htm"));
        EXPECT_FALSE(chm.has("/.quillcraft-output"));
    }
    EXPECT_GT(built[0].size(), 1000);
    EXPECT_TRUE(built[0] == built[1]) << "two compiles of one set differ";
}

// The same project set compiled by the program's compiler and by the
// packaged one (chmcmd, where installed) gives the same files apart from
// the context map's targets: in #IVB, in #STRINGS, and the places in
// #TOPICS and #WINDOWS that point into #STRINGS, whose texts are the same.
// The packaged compiler stores each target under its own folder.
TEST(CHMProject, CompilesAsThePackagedCompilerDoes)
{
    if (QStandardPaths::findExecutable(QStringLiteral("chmcmd")).isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    ScratchDir dir;
    TCHMProject set = threePageSet(dir.file(QStringLiteral("set")));
    set.Output();
    const QString packaged = dir.file(QStringLiteral("packaged/"));
    testsupport::copyTree(set.Folder, packaged);
    set.Compile1();
    QProcess run;
    run.setWorkingDirectory(packaged);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    run.setProcessEnvironment(environment);
    run.start(QStringLiteral("chmcmd"), {set.HHPFile});
    ASSERT_TRUE(run.waitForFinished(60000));

    ChmFile ours(set.CHM), theirs(packaged + set.CompiledName);
    ASSERT_TRUE(ours.isOpen() && theirs.isOpen());
    QStringList names = ours.files();
    names.sort();
    QStringList theirNames = theirs.files();
    theirNames.sort();
    ASSERT_EQ(names, theirNames);
    const QByteArray ourStrings = ours.read("/#STRINGS"), theirStrings = theirs.read("/#STRINGS");
    // The time of the compile, which the compile step sets, is left out.
    auto withoutTime = [](QByteArray system) {
        for (int at = 4; at + 4 <= system.size(); at += 4 + quint8(system[at + 2]) + 256 * quint8(system[at + 3]))
            if (system[at] == 10 && system[at + 1] == 0)
                system.replace(at + 4, 4, QByteArray(4, '\0'));
        return system;
    };
    for (const QString &name : std::as_const(names)) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray a = ours.read(name.toUtf8().constData()), b = theirs.read(name.toUtf8().constData());
        if (name == QLatin1String("/#STRINGS"))
            continue;
        if (name == QLatin1String("/#SYSTEM")) {
            EXPECT_EQ(withoutTime(a), withoutTime(b));
        } else if (name == QLatin1String("/#IVB")) {
            ASSERT_EQ(a.size(), b.size());
            for (int at = 4; at + 8 <= a.size(); at += 8) {
                EXPECT_EQ(dword(a, at), dword(b, at));
                EXPECT_EQ(QDir(packaged).filePath(stringAt(ourStrings, dword(a, at + 4))), stringAt(theirStrings, dword(b, at + 4)));
            }
        } else if (name == QLatin1String("/#TOPICS") || name == QLatin1String("/#WINDOWS")) {
            ASSERT_EQ(a.size(), b.size());
            for (int at = 0; at + 4 <= a.size(); at += 4)
                if (dword(a, at) != dword(b, at)) {
                    EXPECT_TRUE(dword(a, at) < quint32(ourStrings.size()) && dword(b, at) < quint32(theirStrings.size()));
                    EXPECT_EQ(stringAt(ourStrings, dword(a, at)), stringAt(theirStrings, dword(b, at))) << at;
                }
        } else {
            EXPECT_TRUE(a == b);
        }
    }
    EXPECT_EQ(ours.read("/#IVB").size(), 4 + 2 * 8);
}

// A link to an anchor that no page holds (a footnote's back link whose
// reference was left out, a cross-reference to a dropped bookmark) leaves a
// help file with a broken link, not a failed build.
TEST(CHMProject, BrokenAnchorLinkStillCompiles)
{
    ScratchDir dir;
    TCHMProject set =
        onePageSet(dir, "<html><body><a href=\"#_ftnref1\">[1]</a> <a href=\"intro.htm#gone\">x</a></body></html>");
    set.Output();
    const QString output = set.Compile1();
    EXPECT_TRUE(output.contains(QStringLiteral("Anchor"))) << output.toStdString();
    ChmFile chm(set.CHM);
    ASSERT_TRUE(chm.isOpen());
    EXPECT_TRUE(chm.has("/intro.htm"));
}

TEST(CHMProject, AnOutputFolderThatCannotBeMadeIsNamed)
{
    ScratchDir dir;
    writeFile(dir.file(QStringLiteral("notes.txt")), "a file, not a folder");
    TCHMProject set = onePageSet(dir, "<html><body>x</body></html>");
    set.CHM = dir.file(QStringLiteral("notes.txt/help.chm"));
    set.Output();
    try {
        set.Compile1();
        ADD_FAILURE() << "compiled into a folder that cannot exist";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create the folder \"%1\"")
                                               .arg(dir.file(QStringLiteral("notes.txt")))))
            << e.message().toStdString();
    }
    EXPECT_EQ(readFile(dir.file(QStringLiteral("notes.txt"))), QByteArray("a file, not a folder"));
}

TEST(CHMProject, MissingCompilerIsNamed)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.path());
    set.Output();
    const QString missing = dir.file(QStringLiteral("bin/qc_chmc"));
    TCHMProject::SetCompilerProgram(missing);
    try {
        set.Compile1();
        ADD_FAILURE() << "compiled without a compiler";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(u'"' + missing + u'"')) << e.message().toStdString();
    }
    TCHMProject::SetCompilerProgram(QString());
}

// A compiler that hangs is stopped at the time limit; the half-written help
// file is removed and the message names the project file and the limit.
TEST(CHMProject, HungCompilerIsStoppedAtTheTimeLimit)
{
    ScratchDir dir;
    TCHMProject set = newProjectSet(dir.path());
    set.Output();
    QDir().mkpath(QFileInfo(set.CHM).absolutePath());
    const QString bin = dir.file(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const QString fake = bin + QStringLiteral("/qc_chmc");
    // The compiler writes into the project-set folder; the file is moved later.
    writeFile(fake, "#!/bin/sh\nprintf 'partial' > '" + QFile::encodeName(set.CompiledName) + "'\nexec sleep 600\n");
    QFile::setPermissions(fake, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    TCHMProject::SetCompilerProgram(fake);
    TCHMProject::SetCompileTimeoutMs(1000);
    try {
        set.Compile1();
        ADD_FAILURE() << "a hung compile succeeded";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(set.Folder + QStringLiteral("help.hhp"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("within 1 second"))) << e.message().toStdString();
    }
    TCHMProject::SetCompileTimeoutMs(0);
    TCHMProject::SetCompilerProgram(QString());
    EXPECT_FALSE(QFileInfo::exists(set.CHM));
    EXPECT_FALSE(QFileInfo::exists(set.Folder + set.CompiledName));
    EXPECT_EQ(TCHMProject::CompileTimeoutMs(), 30 * 60 * 1000);
}
