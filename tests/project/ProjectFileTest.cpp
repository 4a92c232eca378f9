// The project file: round trips, missing keys, files written on Windows,
// damaged files, stored paths, the new-project folder and the data files
// that new projects take their defaults from.
#include "platform/Exception.h"
#include "foundation/LanguageProcess.h"
#include "foundation/functions.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

QByteArray utf16(const QString &text)
{
    return QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

QString fromUtf16(const QByteArray &bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
}

// Points the documents folder at a scratch folder for the test's lifetime.
class ScratchHome {
public:
    ScratchHome() : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("HOME", QFile::encodeName(home_.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.file(QStringLiteral(".config"))));
    }
    ~ScratchHome()
    {
        qputenv("HOME", oldHome_);
        if (oldConfig_.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    QString documents() const { return GetSpecialFolder(CSIDL_PERSONAL); }

private:
    ScratchDir home_;
    QByteArray oldHome_, oldConfig_;
};

} // namespace

TEST(ProjectFile, NewProjectSurvivesSaveAndReadByteForByte)
{
    ScratchDir dir;
    TProject project;
    ASSERT_TRUE(project.DefaultTemplateError.isEmpty()) << project.DefaultTemplateError.toStdString();
    ASSERT_FALSE(project.HtmlHelpTemplateStream.isEmpty());
    project.HtmlHelpContextTopCode = QStringLiteral("line one\r\nline two");
    project.WebHelpDictionary = QStringList{QStringLiteral("Contents=Inhalt"), QStringLiteral("Index=Index")};
    project.CHMSetting.Title = QStringLiteral("not stored");
    project.CHMSetting.DefaultTopic = QStringLiteral("intro.htm");
    const QString file = dir.file(QStringLiteral("sub/p.qvx"));
    project.SaveToIni(file);
    EXPECT_FALSE(project.IsNew);
    EXPECT_EQ(project.RootDir, dir.file(QStringLiteral("sub/")));

    const QByteArray bytes = readFile(file);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = fromUtf16(bytes);
    EXPECT_TRUE(text.startsWith(QStringLiteral("[GENERAL]\r\nSourceFile=\r\nTitle=New Help\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("DefaultTopic=intro.htm\r\n\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nHtmlHelpContextTopCode=line one`13`10line two\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nWebHelpTilteSame=1\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nWebBackColor=\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\nHHPFolder=")), 2);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), 1 + 57 + 1 + 1 + 42 + 1 + 1);
    EXPECT_EQ(lines[59], QStringLiteral("[CHMSetting]"));

    TProject back;
    back.ReadFromIni(file);
    EXPECT_EQ(back.HtmlHelpContextTopCode, project.HtmlHelpContextTopCode);
    EXPECT_EQ(back.WebHelpDictionary, project.WebHelpDictionary);
    EXPECT_EQ(back.HtmlHelpTemplateStream, project.HtmlHelpTemplateStream);
    EXPECT_EQ(back.WebHelpTemplateStream, project.WebHelpTemplateStream);
    EXPECT_EQ(back.WebBackColor, QString());
    EXPECT_EQ(back.Panes, 0);
    EXPECT_EQ(back.Magnification, 0);
    EXPECT_EQ(back.CHMSetting.Height, 650);
    EXPECT_EQ(back.CHMSetting.DefaultTopic, QStringLiteral("intro.htm"));
    EXPECT_EQ(back.CHMSetting.Title, QString());
    EXPECT_EQ(back.ProjectFilename, file);
    back.SaveToIni(dir.file(QStringLiteral("again.qvx")));
    EXPECT_EQ(readFile(dir.file(QStringLiteral("again.qvx"))), bytes);
}

TEST(ProjectFile, EveryKeyIsReadBack)
{
    ScratchDir dir;
    TProject project;
    // Change every value away from its new-project value.
    project.SourceFile = QStringLiteral("doc/Manual.docx");
    project.Title = QStringLiteral("Manual");
    project.NavSetting = QStringLiteral("\"Home | \",\" | \",\"1\",\"0\"");
    project.CopyRight = QStringLiteral("(c) Me");
    project.PrevHint = QStringLiteral("Back");
    project.NextHint = QStringLiteral("On");
    project.DefaultTopic = QStringLiteral("a.htm");
    project.CompiledFile = QStringLiteral("out/m.chm");
    project.CustomTemplate = QStringLiteral("custom");
    project.DefaultTemplate = false;
    project.Encoding = QStringLiteral("windows-1251");
    project.ViewCompiledFile = false;
    project.HasChild = 3;
    project.NoChild = -2;
    project.HtmlHelpOutput = false;
    project.HtmlHelpTemplate = QStringLiteral("t");
    project.HtmlHelpTitle = QStringLiteral("HH title");
    project.HtmlHelpTitleSame = false;
    project.HtmlHelpOutputEncoding = QStringLiteral("utf-8");
    project.HtmlHelpTemplateStream = QByteArray("\x01\x00\x00\x00\x00\x00\x00\x00" "a\x00" "\x00\x00\x00\x00\x00\x00\x00\x00", 18);
    project.HtmlHelpOutputContext = true;
    project.HtmlHelpContextFile = QStringLiteral("ctx.h");
    project.HtmlHelpContextTopCode = QStringLiteral("top\r\n");
    project.HtmlHelpContextBottomCode = QStringLiteral("\nbottom");
    project.HtmlHelpContextCodeTemplate = QStringLiteral("#define {%StaticVarName%} {%ContextID%}");
    project.HtmlHelpContextEncoding = 1;
    project.HtmlHelpExtension = 1;
    project.OutputHHP = true;
    project.HHPFolder = QStringLiteral("hhp/");
    project.WebHelpOutput = false;
    project.WebHelpDefault = QStringLiteral("w");
    project.WebHelpOutputFolder = QStringLiteral("web/");
    project.WebHelpTitle = QStringLiteral("Web title");
    project.WebHelpDefaultSame = false;
    project.WebHelpTilteSame = false;
    project.WebHelpLanguage = 7;
    project.WebHelpTemplateStream.clear();
    project.WebHelpDictionary = QStringList{QStringLiteral("a=b")};
    project.WebHelpExtension = 0;
    project.StartFromRoot = false;
    project.AutoCollapse = true;
    project.DrawLines = false;
    project.TOCBackColor = QStringLiteral("#102030");
    project.PDFOutput = false;
    project.PDFFile = QStringLiteral("m.pdf");
    project.Panes = 2;
    project.Magnification = 3;
    project.PageLayout = 2;
    project.HeadProperties = 0;
    project.PageProperties = 0;
    project.RealColorIcon = true;
    project.ShowIndex = false;
    project.NavWidth = 200;
    project.WebFontColor = QStringLiteral("#000000");
    project.WebBackColor = QStringLiteral("#FFFFFF");
    project.WebBackground = 3;
    TCHMProject &c = project.CHMSetting;
    c.Top = 1, c.Left = 2, c.Height = 300, c.Width = 400, c.PaneWidth = 150, c.DefaultTab = 1;
    for (bool *b : {&c.ShowMSDNMenu, &c.ShowPanesToolbar, &c.ShowPane, &c.HideToolbar, &c.HideToolbarText,
                    &c.StayOnTop, &c.Maximize, &c.Hide, &c.Back, &c.bForward, &c.Stop, &c.Refresh, &c.Home, &c.Print,
                    &c.Option, &c.Jump1, &c.Jump2, &c.Content, &c.Index, &c.Search, &c.Favorite, &c.AutoTrack,
                    &c.SelectRow, &c.PlusMinus, &c.ShowSelection, &c.ShowRoot, &c.DrawLines, &c.AutoExpand,
                    &c.RightToLeft, &c.LeftScroll, &c.SavePosition})
        *b = !*b;
    c.ContentsFont = QStringLiteral("Arial,10,0");
    c.IndexFont = QStringLiteral("Tahoma,9,204");
    c.Language = QStringLiteral("0x0419");
    c.Font = QStringLiteral("Verdana,8,0");
    c.DefaultTopic = QStringLiteral("b.htm");

    const QString file = dir.file(QStringLiteral("p.qvx"));
    project.SaveToIni(file);
    TProject back;
    back.ReadFromIni(file);
    back.SaveToIni(dir.file(QStringLiteral("q.qvx")));
    EXPECT_EQ(readFile(dir.file(QStringLiteral("q.qvx"))), readFile(file));
    EXPECT_EQ(back.NoChild, -2);
    EXPECT_EQ(back.HtmlHelpContextBottomCode, QStringLiteral("\nbottom"));
    EXPECT_EQ(back.CHMSetting.ShowPane, false);
    EXPECT_EQ(back.CHMSetting.Hide, false);
    EXPECT_EQ(back.CHMSetting.IndexFont, QStringLiteral("Tahoma,9,204"));
    EXPECT_EQ(back.RealPath(5), dir.file(QStringLiteral("hhp/")));
    // The layout itself, byte for byte: a swapped key or a changed value
    // survives a round trip but not this.
    EXPECT_TRUE(testsupport::matchesExpectedFile(file, QStringLiteral("layout/every-key.qvx")));
}

TEST(ProjectFile, MissingKeysTakeTheirDefaults)
{
    ScratchDir dir;
    const QString file = dir.file(QStringLiteral("p.qvx"));
    writeFile(file, utf16(QStringLiteral("[general]\r\nSourceFile = a.docx \r\nDrawLines = 0\r\nAutoCollapse = 1\r\n"
                                         "StartFromRoot=yes\r\n; Panes=2\r\n")));
    TProject project;
    project.Clear();
    project.ReadFromIni(file);
    EXPECT_EQ(project.SourceFile, QStringLiteral("a.docx"));
    EXPECT_FALSE(project.DrawLines);
    EXPECT_TRUE(project.AutoCollapse);
    EXPECT_TRUE(project.StartFromRoot);
    EXPECT_EQ(project.Panes, 1);
    EXPECT_EQ(project.Magnification, 4);
    EXPECT_EQ(project.WebFontColor, QStringLiteral("#ffffff"));
    EXPECT_EQ(project.WebBackColor, QStringLiteral("#003366"));
    EXPECT_EQ(project.TOCBackColor, QStringLiteral("#FFFFFF"));
    EXPECT_EQ(project.NoChild, 10);
    EXPECT_EQ(project.HtmlHelpContextEncoding, 3);
    EXPECT_FALSE(project.OutputHHP);
    EXPECT_EQ(project.PDFFile, QStringLiteral("<Project_Folder>/PDF/help.pdf"));
    EXPECT_EQ(project.HHPFolder, QString());
    EXPECT_EQ(project.RealPath(5), dir.path() + u'/');
    EXPECT_EQ(project.Title, QString());
    EXPECT_TRUE(project.HtmlHelpTemplateStream.isEmpty());
    // without a navigation setting builds would fail: a new project's is used
    EXPECT_EQ(project.NavSetting, QStringLiteral("\"Help > \",\" > \",\"0\",\"1\""));
    const TCHMProject &c = project.CHMSetting;
    EXPECT_EQ(c.Top, 50);
    EXPECT_EQ(c.Left, 50);
    EXPECT_EQ(c.Height, 500);
    EXPECT_EQ(c.Width, 700);
    EXPECT_EQ(c.PaneWidth, 270);
    EXPECT_EQ(c.ContentsFont, QStringLiteral(",8,0"));
    EXPECT_EQ(c.IndexFont, QStringLiteral(",8,0"));
    EXPECT_EQ(c.Language, QString());
    EXPECT_TRUE(c.Hide);
}

// Numbers out of their range read as missing, so nothing built from them
// overflows or makes no sense: the window rectangle adds them up, the
// contents add one to the icon numbers, and a window or pane has a size.
TEST(ProjectFile, NumbersOutOfRangeReadAsMissingUnlessEveryValueHasAMeaning)
{
    ScratchDir dir;
    const QString file = dir.file(QStringLiteral("p.qvx"));
    writeFile(file, utf16(QStringLiteral("[GENERAL]\r\nSourceFile=a.docx\r\nHasChild=2147483647\r\nNoChild=-3\r\n"
                                         "[CHMSetting]\r\nLeft=5\r\nTop=-2147483648\r\nWidth=2147483647\r\n"
                                         "Height=40000\r\nPaneWidth=300\r\n")));
    TProject project;
    project.ReadFromIni(file);
    EXPECT_EQ(project.HasChild, 0);
    EXPECT_EQ(project.NoChild, 10);
    const TCHMProject &c = project.CHMSetting;
    EXPECT_EQ(c.PaneWidth, 300);
    EXPECT_TRUE(c.WindowDefinition().contains(QStringLiteral(",[5,50,705,550],"))) << c.WindowDefinition().toStdString();

    // The PDF view and the background keep what is stored: any value has a
    // meaning there (no entry, no image).
    writeFile(file, utf16(QStringLiteral("[GENERAL]\r\nPanes=3\r\nMagnification=-1\r\nPageLayout=4\r\n"
                                         "HtmlHelpExtension=2\r\nWebBackground=-1\r\n[CHMSetting]\r\nWidth=-900\r\n"
                                         "Height=199\r\nPaneWidth=0\r\nDefaultTab=4\r\n")));
    project.ReadFromIni(file);
    EXPECT_EQ(project.Panes, 3);
    EXPECT_EQ(project.Magnification, -1);
    EXPECT_EQ(project.PageLayout, 4);
    EXPECT_EQ(project.WebBackground, -1);
    EXPECT_EQ(project.HtmlHelpExtension, 0);
    EXPECT_EQ(c.Width, 700);
    EXPECT_EQ(c.Height, 500);
    EXPECT_EQ(c.PaneWidth, 270);
    EXPECT_EQ(c.DefaultTab, 0);

    // In range, the numbers are kept.
    writeFile(file, utf16(QStringLiteral("[GENERAL]\r\nHasChild=41\r\nNoChild=-2\r\nPanes=2\r\n"
                                         "[CHMSetting]\r\nLeft=-32767\r\nWidth=200\r\nDefaultTab=3\r\n")));
    project.ReadFromIni(file);
    EXPECT_EQ(project.HasChild, 41);
    EXPECT_EQ(project.NoChild, -2);
    EXPECT_EQ(project.Panes, 2);
    EXPECT_EQ(c.Left, -32767);
    EXPECT_EQ(c.Width, 200);
    EXPECT_EQ(c.DefaultTab, 3);
}

TEST(ProjectFile, WindowsProjectFileReadsWithItsPaths)
{
    ScratchDir dir;
    const QString file = dir.file(QStringLiteral("win.qvx"));
    writeFile(file, utf16(QStringLiteral("[GENERAL]\r\nSourceFile=<Project_Folder>\\Docs\\Manual.docx\r\n"
                                         "CompiledFile=<PROJECT_FOLDER>\\HTML help\\help.chm\r\n"
                                         "WebHelpOutputFolder=out\\web\r\nPDFFile=C:\\Users\\me\\help.pdf\r\n"
                                         "HHPFolder=.\\set\\..\\hhp\\\r\n\r\n[CHMSetting]\r\nTop=10\r\n")));
    TProject project;
    project.ReadFromIni(file);
    const QString root = dir.path();
    EXPECT_EQ(project.RealPath(0), root + QStringLiteral("/Docs/Manual.docx"));
    EXPECT_EQ(project.RealPath(1), root + QStringLiteral("/HTML help/help.chm"));
    EXPECT_EQ(project.RealPath(2), root + QStringLiteral("/out/web/"));
    EXPECT_EQ(project.RealPath(5), root + QStringLiteral("/hhp/"));
    EXPECT_FALSE(project.RealPath(3).startsWith(root)); // a drive path stays as written
    EXPECT_TRUE(project.RealPath(3).endsWith(QStringLiteral("help.pdf")));
    EXPECT_EQ(project.CHMSetting.Top, 10);
}

TEST(ProjectFile, StoredPathsResolveWithBothPlaceholders)
{
    ScratchHome home;
    TProject project;
    project.RootDir = QStringLiteral("/P/");
    EXPECT_EQ(project.RealPath(QStringLiteral("<project_folder>\\out\\help.chm")), QStringLiteral("/P/out/help.chm"));
    EXPECT_EQ(project.RealPath(QStringLiteral("out/../help.chm")), QStringLiteral("/P/help.chm"));
    EXPECT_EQ(project.RealPath(QStringLiteral("/abs/x%20y.chm")), QStringLiteral("/abs/x y.chm"));
    // One backslash starts below the project folder; two start a network path.
    EXPECT_EQ(project.RealPath(QStringLiteral("\\out\\help.chm")), QStringLiteral("/P/out/help.chm"));
    EXPECT_FALSE(project.RealPath(QStringLiteral("\\\\server\\share\\help.chm")).startsWith(QStringLiteral("/P/")));
    EXPECT_EQ(ExpandProjectPath(QStringLiteral("/P"), QStringLiteral("\\pdf\\help.pdf")), QStringLiteral("/P/pdf/help.pdf"));
    EXPECT_EQ(project.RealPath(QStringLiteral("<My Documents>/Help/a.docx")),
              home.documents() + QStringLiteral("/Help/a.docx"));
    project.WebHelpOutputFolder = QStringLiteral("<Project_Folder>\\WebHelp");
    EXPECT_EQ(project.RealPath(2), QStringLiteral("/P/WebHelp/"));
    project.CompiledFile = QStringLiteral("<Project_Folder>/HTML help/help.chm");
    EXPECT_EQ(project.RealPath(1), QStringLiteral("/P/HTML help/help.chm"));
    project.RootDir.clear(); // never saved: a relative path stays relative
    EXPECT_EQ(project.RealPath(QStringLiteral("a\\b.chm")), QStringLiteral("a/b.chm"));
}

TEST(ProjectFile, DamagedAndMissingFilesAreReportedByName)
{
    ScratchDir dir;
    TProject project;
    project.Title = QStringLiteral("open before");
    const QString missing = dir.file(QStringLiteral("none.qvx"));
    try {
        project.ReadFromIni(missing);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), missing + QStringLiteral(" doesn't exist!"));
    }
    EXPECT_EQ(project.Title, QStringLiteral("open before"));

    const QString bad = dir.file(QStringLiteral("bad.qvx"));
    for (const QString &stream : {QStringLiteral("0102XY"), QStringLiteral("FFFFFFFFFFFFFF7F41")}) {
        writeFile(bad, utf16(QStringLiteral("[GENERAL]\r\nTitle=T\r\nHtmlHelpTemplateStream=") + stream + "\r\n"));
        try {
            project.ReadFromIni(bad);
            ADD_FAILURE() << "read a damaged template stream";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(bad)) << e.message().toStdString();
        }
        EXPECT_EQ(project.Title, QStringLiteral("New Help")); // left cleared
    }

    // A file that cannot be written leaves the project's state alone.
    writeFile(dir.file(QStringLiteral("plain")), "a file, not a folder");
    project.ProjectChanged = true;
    EXPECT_THROW(project.SaveToIni(dir.file(QStringLiteral("plain/p.qvx"))), Exception);
    EXPECT_TRUE(project.ProjectChanged);
    EXPECT_TRUE(project.IsNew);
}

TEST(ProjectFile, NewProjectFolderSkipsUsedFolders)
{
    ScratchHome home;
    const QString base = home.documents() + QStringLiteral("/Quillcraft/");
    EXPECT_EQ(NewProjectFolder(), base + QStringLiteral("Project1/"));
    writeFile(base + QStringLiteral("Project1/p.qvx"), "x");
    QDir().mkpath(base + QStringLiteral("Project2"));
    EXPECT_EQ(NewProjectFolder(), base + QStringLiteral("Project2/"));
}

TEST(ProjectFile, MissingDataFilesGiveAClearMessageNotAFailure)
{
    ScratchDir empty;
    qputenv("QUILLCRAFT_PROGRAM_DIR", QFile::encodeName(empty.path()));
    TProject project;
    qunsetenv("QUILLCRAFT_PROGRAM_DIR");
    EXPECT_TRUE(project.DefaultTemplateError.contains(QStringLiteral("fixedtop.htm")))
        << project.DefaultTemplateError.toStdString();
    EXPECT_TRUE(project.HtmlHelpTemplateStream.isEmpty());
    EXPECT_TRUE(project.WebHelpTemplateStream.isEmpty());
    EXPECT_EQ(project.HtmlHelpContextTopCode, QString());
}

// The shipped code templates: five languages in order; the C# and C++ ones
// give code that compiles, whatever the titles hold.
TEST(ContextData, ShippedCodeTemplatesCompile)
{
    const TIniReader ini = TIniReader::FromFile(ProgramFolder() + QStringLiteral("context.dat"));
    EXPECT_EQ(ini.Sections(), (QStringList{QStringLiteral("C#"), QStringLiteral("VB .NET"), QStringLiteral("Delphi"),
                                           QStringLiteral("C++"), QStringLiteral("Visual Basic")}));
    for (const QString &s : ini.Sections())
        for (const char *k : {"TopCode", "CodeTemplate", "BottomCode"})
            EXPECT_TRUE(ini.HasKey(s, QString::fromLatin1(k))) << s.toStdString() << " " << k;

    TProject project;
    EXPECT_TRUE(project.HtmlHelpContextTopCode.contains(QStringLiteral("class HelpTopics\r\n{")));
    struct Case {
        const char *section, *file, *compiler;
        QStringList args;
    };
    ScratchDir dir;
    const QList<Case> cases{
        {"C#", "ids.cs", "mcs", {QStringLiteral("-target:library"), QStringLiteral("-out:") + dir.file("ids.dll")}},
        {"C++", "ids.h", "g++", {QStringLiteral("-fsyntax-only"), QStringLiteral("-x"), QStringLiteral("c++")}},
    };
    for (const Case &c : cases) {
        const QString section = QString::fromLatin1(c.section);
        const QString compiler = QStandardPaths::findExecutable(QString::fromLatin1(c.compiler));
        if (compiler.isEmpty())
            continue;
        QStringList lines{DecodeLineBreaks(ini.ReadString(section, QStringLiteral("TopCode"), QString()))};
        const QString tmpl = ini.ReadString(section, QStringLiteral("CodeTemplate"), QString());
        int n = 0;
        for (const QString &title : {QStringLiteral("Intro \"quoted\" */ {%Tab%}"), QStringLiteral("Deep \\ topic")}) {
            QString line = tmpl;
            const QString name = QStringLiteral("TOPIC%1").arg(++n);
            line.replace(QStringLiteral("{%StaticVarName%}"), (QStringLiteral("CID_") + name).leftJustified(55));
            line.replace(QStringLiteral("{%ContextID%}"), QString::number(1000 + n));
            line.replace(QStringLiteral("{%Title%}"), QString(n, u'\t') + title);
            line.replace(QStringLiteral("{%FileName%}"), name + QStringLiteral(".htm"));
            line.replace(QStringLiteral("{%Tab%}"), QStringLiteral("\t"));
            lines << line;
        }
        lines << DecodeLineBreaks(ini.ReadString(section, QStringLiteral("BottomCode"), QString()));
        const QString source = dir.file(QString::fromLatin1(c.file));
        writeFile(source, lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(compiler, QStringList(c.args) << source);
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << c.section << ":\n" << p.readAll().toStdString();
    }
}
