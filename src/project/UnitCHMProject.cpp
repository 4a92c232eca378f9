#include "project/UnitCHMProject.h"

#include "platform/Exception.h"
#include "platform/StopRequest.h"
#include "foundation/HTMLProcess.h"
#include "foundation/LanguageProcess.h"
#include "foundation/functions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>
#include <optional>

namespace {

const QString kCRLF = QStringLiteral("\r\n");

QString hex(int value) { return QStringLiteral("0x") + QString::number(uint(value), 16).toUpper(); }

// A value written into one line of the .hhp: a line break would start a new
// key or a new file to pack, so every control character and line separator
// becomes a blank.
QString oneLine(const QString &text)
{
    QString s = text;
    for (QChar &c : s)
        if (c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029))
            c = u' ';
    return s;
}

// A value written inside double quotes of the [WINDOWS] line: the format has
// no escape for a quote, so it becomes an apostrophe.
QString quoted(const QString &text)
{
    return u'"' + oneLine(text).replace(u'"', u'\'') + u'"';
}

QString withExtension(const QString &path, const QString &ext)
{
    QString name = QString(path).replace(u'\\', u'/').section(u'/', -1);
    const int dot = name.lastIndexOf(u'.');
    return (dot < 0 ? name : name.left(dot)) + ext;
}

void saveLines(const QStringList &lines, const QString &fileName, int codePage)
{
    WriteTextFile(lines.join(kCRLF) + kCRLF, fileName, codePage);
}

// The contents and index files are HTML: a title character that the code
// page lacks is written as a character reference rather than lost to "?".
void saveSitemap(const QStringList &lines, const QString &fileName, int codePage)
{
    WriteTextFile(ReferenceUnencodable(lines.join(kCRLF) + kCRLF, codePage), fileName, codePage);
}

// The name the compiler writes the compiled file under: the compiled file's
// own name when it is plain ASCII, else its ASCII letters (or "help").
QString compiledNameFor(const QString &chm)
{
    const QString name = QString(chm).replace(u'\\', u'/').section(u'/', -1);
    bool ascii = !name.isEmpty();
    for (const QChar c : name)
        if (c.unicode() < 32 || c.unicode() > 126 || c == u'"')
            ascii = false;
    if (ascii)
        return name;
    const int dot = name.lastIndexOf(u'.');
    QString base = AsciiName(dot < 0 ? name : name.left(dot)).replace(u' ', u'_');
    if (base.isEmpty())
        base = QStringLiteral("help");
    return base + QStringLiteral(".chm");
}

// The subfolder of the project set where the compiler writes when the
// compiled file itself lies in the set's folder under the compiler's name.
const QString kCompileFolder = QStringLiteral(".quillcraft-compile/");

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo x(a), y(b);
    const QString folderX = QFileInfo(x.absolutePath()).canonicalFilePath();
    const QString folderY = QFileInfo(y.absolutePath()).canonicalFilePath();
    if (!folderX.isEmpty() && !folderY.isEmpty())
        return folderX == folderY && x.fileName() == y.fileName();
    return QDir::cleanPath(x.absoluteFilePath()) == QDir::cleanPath(y.absoluteFilePath());
}

// Where the compiler writes, relative to the project-set folder: the
// compiler's name for the compiled file, in a subfolder when that would be
// the compiled file itself, which stays whole until the new one is complete.
QString compiledNameIn(const QString &folder, const QString &chm)
{
    const QString name = compiledNameFor(chm);
    return sameFile(folder + name, chm) ? kCompileFolder + name : name;
}

const QStringList &sitemapHead()
{
    static const QStringList head{
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">"),
        QStringLiteral("<HTML>"),
        QStringLiteral("<HEAD>"),
        QStringLiteral("<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">"),
        QStringLiteral("<!-- Sitemap 1.0 -->"),
        QStringLiteral("</HEAD>"),
        QStringLiteral("<BODY>"),
    };
    return head;
}

} // namespace

void TCHMProject::Assign(const TCHMProject &Proj)
{
    Top = Proj.Top;
    Left = Proj.Left;
    Height = Proj.Height;
    Width = Proj.Width;
    PaneWidth = Proj.PaneWidth;
    DefaultTab = Proj.DefaultTab;
    ShowMSDNMenu = Proj.ShowMSDNMenu;
    ShowPanesToolbar = Proj.ShowPanesToolbar;
    ShowPane = Proj.ShowPane;
    HideToolbar = Proj.HideToolbar;
    HideToolbarText = Proj.HideToolbarText;
    StayOnTop = Proj.StayOnTop;
    Maximize = Proj.Maximize;
    Hide = Proj.Hide;
    Back = Proj.Back;
    bForward = Proj.bForward;
    Stop = Proj.Stop;
    Refresh = Proj.Refresh;
    Home = Proj.Home;
    Print = Proj.Print;
    Option = Proj.Option;
    Jump1 = Proj.Jump1;
    Jump2 = Proj.Jump2;
    Prev = Proj.Prev;
    Next = Proj.Next;
    Zoom = Proj.Zoom;
    Content = Proj.Content;
    Index = Proj.Index;
    Search = Proj.Search;
    Favorite = Proj.Favorite;
    AutoTrack = Proj.AutoTrack;
    SelectRow = Proj.SelectRow;
    PlusMinus = Proj.PlusMinus;
    ShowSelection = Proj.ShowSelection;
    ShowRoot = Proj.ShowRoot;
    DrawLines = Proj.DrawLines;
    AutoExpand = Proj.AutoExpand;
    RightToLeft = Proj.RightToLeft;
    LeftScroll = Proj.LeftScroll;
    SavePosition = Proj.SavePosition;
    ContentsFont = Proj.ContentsFont;
    IndexFont = Proj.IndexFont;
    Title = Proj.Title;
    Language = Proj.Language;
    Font = Proj.Font;
    DefaultTopic = Proj.DefaultTopic;
}

void TCHMProject::SetToolbar()
{
    Toolbar = 0;
    const std::pair<bool, int> bits[] = {{Hide, 0x2},        {Back, 0x4},       {bForward, 0x8},  {Stop, 0x10},
                                         {Refresh, 0x20},    {Home, 0x40},      {Print, 0x2000},  {Option, 0x1000},
                                         {Jump1, 0x40000},   {Jump2, 0x80000},  {Prev, 0x400000}, {Next, 0x200000},
                                         {Zoom, 0x100000}};
    for (const auto &[on, bit] : bits)
        if (on)
            Toolbar |= bit;
}

void TCHMProject::SetFace()
{
    Face = 0x2000 | 0x100;
    if (ShowMSDNMenu)
        Face |= 0x10000;
    if (HideToolbar)
        Face |= 0x8000;
    if (HideToolbarText)
        Face |= 0x40;
    if (ShowPanesToolbar)
        Face |= 0x20;
    if (Search)
        Face |= 0x400 | 0x20000;
    if (Favorite)
        Face |= 0x1000;
    if (SavePosition)
        Face |= 0x40000;
}

void TCHMProject::SetWindow() { Window = 0xB0000 | (Maximize ? 0x1000000 : 0); }

void TCHMProject::SetWindowEx() { WindowEx = StayOnTop ? 0x8 : 0; }

void TCHMProject::SetWinStyle()
{
    WinStyle = 0;
    const std::pair<bool, int> bits[] = {{AutoTrack, 0x200},   {SelectRow, 0x1000}, {PlusMinus, 0x1},
                                         {ShowSelection, 0x20}, {ShowRoot, 0x4},     {DrawLines, 0x2},
                                         {AutoExpand, 0x400}};
    for (const auto &[on, bit] : bits)
        if (on)
            WinStyle |= bit;
}

void TCHMProject::SetWinStyleEx() { WinStyleEx = (RightToLeft ? 0x2000 : 0) | (LeftScroll ? 0x4000 : 0); }

void TCHMProject::GetFiles(const QString &Dir)
{
    static const QStringList skipped{QStringLiteral("hhp"), QStringLiteral("hhc"), QStringLiteral("hhk"),
                                     QStringLiteral("log"), QStringLiteral("h")};
    QString dir = Dir;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    const QDir d(dir);
    // In name order, not the file system's: the compiler stores the files in
    // the order listed, and the same pages must give the same help file.
    const QFileInfoList entries =
        d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &e : entries) {
        // An earlier compiled file kept in the folder is not a page of the new
        // one.
        if (!CHM.isEmpty() && (sameFile(e.filePath(), CHM) || e.filePath() + u'/' == Folder + kCompileFolder))
            continue;
        if (e.isDir()) {
            if (!e.isSymLink())
                GetFiles(e.filePath());
            continue;
        }
        // Project-set files are not pages; neither are their renamed copies
        // such as "old.hhp.bak". A page named "v1.help.htm" stays.
        const QString name = e.fileName();
        if (skipped.contains(e.suffix().toLower()))
            continue;
        const QString inner = e.completeBaseName();
        const int dot = inner.lastIndexOf(u'.');
        if (dot >= 0 && skipped.contains(inner.mid(dot + 1).toLower()))
            continue;
        const QString file = QDir(Folder).relativeFilePath(e.filePath());
        if (!LeftOut.contains(file))
            Files.append(file);
    }
}

QStringList TCHMProject::FileNames(const QString &folder, const QString &chm)
{
    const QString compiled = compiledNameIn(folder, chm);
    QStringList names;
    for (const char *ext : {".hhp", ".hhc", ".hhk", ".h", ".log"})
        names << withExtension(compiled, QLatin1String(ext));
    names << (compiled.startsWith(kCompileFolder) ? kCompileFolder : compiled);
    return names;
}

void TCHMProject::Output()
{
    if (!Folder.isEmpty() && !Folder.endsWith(u'/'))
        Folder += u'/';
    SetToolbar();
    SetFace();
    SetWindow();
    SetWindowEx();
    SetWinStyle();
    SetWinStyleEx();
    Files.clear();
    if (AutoSearch)
        GetFiles(Folder + SourceFolder);
    CompiledName = compiledNameIn(Folder, CHM);
    LOGFile = withExtension(CompiledName, QStringLiteral(".log"));
    if (Content && !TOC.isEmpty()) {
        HHCFile = withExtension(CompiledName, QStringLiteral(".hhc"));
        OutputHHC(Folder + HHCFile);
    } else {
        HHCFile.clear();
    }
    if (Index) {
        HHKFile = withExtension(CompiledName, QStringLiteral(".hhk"));
        OutputHHK(Folder + HHKFile);
    } else {
        HHKFile.clear();
    }
    if (!Map.isEmpty()) {
        HFile = withExtension(CompiledName, QStringLiteral(".h"));
        OutputH(Folder + HFile);
    } else {
        HFile.clear();
    }
    HHPFile = withExtension(CompiledName, QStringLiteral(".hhp"));
    OutputHHP(Folder + HHPFile);
}

void TCHMProject::OutputHHC(const QString &FileName)
{
    QStringList lines = sitemapHead();
    lines << QStringLiteral("   <OBJECT type=\"text/site properties\"> ")
          << QStringLiteral("     <param name=\"FrameName\" value=\"right\">")
          << QStringLiteral("     <param name=\"Font\" value=\"%1\">").arg(EscapeHtml(ContentsFont))
          << QStringLiteral("     <param name=\"ImageType\" value=\"Book\">")
          << QStringLiteral("     <param name=\"Window Styles\" value=\"%1\">").arg(hex(WinStyle))
          << QStringLiteral("     <param name=\"ExWindow Styles\" value=\"%1\">").arg(hex(WinStyleEx))
          << QStringLiteral("   </OBJECT>") << TOC << QStringLiteral("</BODY>") << QStringLiteral("</HTML>");
    saveSitemap(lines, FileName, CodePage());
}

void TCHMProject::OutputHHK(const QString &FileName)
{
    QStringList lines = sitemapHead();
    lines << QStringLiteral("<OBJECT type=\"text/site properties\">")
          << QStringLiteral("<param name=\"Font\" value=\"%1\">").arg(EscapeHtml(IndexFont)) << QStringLiteral("</OBJECT>")
          << IndexList << QStringLiteral("</BODY>") << QStringLiteral("</HTML>");
    saveSitemap(lines, FileName, CodePage());
}

QString TCHMProject::WindowDefinition() const
{
    const QStringList fields{
        quoted(Title),
        quoted(HHCFile),
        quoted(HHKFile),
        quoted(DefaultTopic),
        quoted(DefaultTopic),
        quoted(DefaultTopic),
        QStringLiteral("\"\""),
        QString(),
        QString(),
        hex(Face),
        QString::number(PaneWidth),
        hex(Toolbar),
        QStringLiteral("[%1,%2,%3,%4]").arg(Left).arg(Top).arg(qint64(Left) + Width).arg(qint64(Top) + Height),
        hex(Window),
        hex(WindowEx),
        QString(),
        ShowPane ? QStringLiteral("0") : QStringLiteral("1"),
        QString::number(DefaultTab),
        QString(),
        QStringLiteral("0"),
    };
    return fields.join(u',') + u',';
}

void TCHMProject::OutputHHP(const QString &FileName)
{
    // No binary keyword index: the compiler builds it from the index file
    // read as UTF-8, without character references, so every keyword outside
    // ASCII would come out garbled, and its tree of blocks cannot be walked
    // once it has more than one. Viewers then show the index file itself,
    // which holds every keyword right in the help language's code page.
    QStringList lines{
        QStringLiteral("[OPTIONS]"),
        QStringLiteral("Binary Index=No"),
        QStringLiteral("Compatibility=1.1 or later"),
        QStringLiteral("Compiled file=") + oneLine(CompiledName),
        QStringLiteral("Contents file=") + oneLine(HHCFile),
        QStringLiteral("Default Font=") + oneLine(Font),
        QStringLiteral("Default Window=main"),
        QStringLiteral("Default topic=") + oneLine(DefaultTopic),
        QStringLiteral("Display compile progress=No"),
        QStringLiteral("Error log file=") + oneLine(LOGFile),
        QStringLiteral("Full-text search=Yes"),
        QStringLiteral("Index file=") + oneLine(HHKFile),
        QStringLiteral("Language=") + oneLine(Language),
        QStringLiteral("Title=") + oneLine(Title),
        QString(),
        QStringLiteral("[WINDOWS]"),
        QStringLiteral("main=") + WindowDefinition(),
        QString(),
        QStringLiteral("[FILES]"),
    };
    // A file whose name holds a line break (a page or template file named
    // so) must not list a second file, such as one outside the folder.
    for (const QString &file : std::as_const(Files))
        lines << oneLine(file);
    lines << QString();
    if (!Alias.isEmpty()) {
        // The compiler only accepts "/" between folders of an alias target.
        QString alias = Alias;
        alias.replace(u'\\', u'/');
        if (alias.endsWith(kCRLF))
            alias.chop(2);
        lines << QStringLiteral("[ALIAS]");
        for (const QString &line : alias.split(kCRLF))
            lines << oneLine(line);
        lines << QString();
    }
    if (!Map.isEmpty())
        lines << QStringLiteral("[MAP]") << QStringLiteral("#include ") + oneLine(HFile) << QString();
    saveLines(lines, FileName, CodePage());
}

void TCHMProject::OutputH(const QString &FileName) { saveLines({Map}, FileName, CodePage()); }

int TCHMProject::CodePage() const
{
    const int codePage = HelpLanguages.GetCodepageById(Language.trimmed().section(u' ', 0, 0));
    return codePage > 0 ? codePage : 1252;
}

namespace {

// The compiler writes the time of day it ran, in milliseconds, into the
// compiled file's header (big-endian) and into its #SYSTEM file (entry 10,
// little-endian, in the uncompressed section). Both are set to stamp, so
// that the same project set gives the same bytes. A file laid out otherwise
// is left as it is: it is a sound help file all the same.
void setCompileTimes(const QString &fileName, quint32 stamp)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const QByteArray head = file.read(0x60);
    auto dword = [](const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    auto qword = [](const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint64>(b.constData() + at); };
    if (head.size() < 0x60 || !head.startsWith("ITSF") || dword(head, 4) != 3)
        return;
    const quint64 directoryAt = qword(head, 0x48);
    const quint64 directorySize = qword(head, 0x50);
    const quint64 contentAt = qword(head, 0x58);
    if (directorySize < 0x54 || directorySize > 64ull * 1024 * 1024 || !file.seek(qint64(directoryAt)))
        return;
    const QByteArray directory = file.read(qint64(directorySize));
    if (quint64(directory.size()) != directorySize || !directory.startsWith("ITSP"))
        return;
    const quint32 headerSize = dword(directory, 8);
    const quint32 chunkSize = dword(directory, 0x10);
    if (chunkSize < 0x20 || headerSize >= directorySize)
        return;

    // The listing chunks name each file with its section, offset and length
    // as variable-length numbers (seven bits a byte, most significant first).
    std::optional<std::pair<quint64, quint64>> system; // offset and length in section 0
    for (quint64 chunk = headerSize; chunk + chunkSize <= directorySize && !system; chunk += chunkSize) {
        const QByteArray c = directory.mid(qsizetype(chunk), qsizetype(chunkSize));
        if (!c.startsWith("PMGL"))
            continue;
        const qsizetype end = qsizetype(chunkSize) - qsizetype(std::min<quint32>(dword(c, 4), chunkSize));
        qsizetype at = 0x14;
        auto number = [&](quint64 &value) {
            value = 0;
            for (int i = 0; i < 9 && at < end; ++i) {
                const auto byte = quint8(c[at++]);
                value = (value << 7) | (byte & 0x7F);
                if (!(byte & 0x80))
                    return true;
            }
            return false;
        };
        while (at < end) {
            quint64 nameSize = 0, section = 0, offset = 0, length = 0;
            if (!number(nameSize) || nameSize > quint64(end - at))
                break;
            const QByteArray name = c.mid(at, qsizetype(nameSize));
            at += qsizetype(nameSize);
            if (!number(section) || !number(offset) || !number(length))
                break;
            if (name == "/#SYSTEM" && section == 0) {
                system = std::pair{offset, length};
                break;
            }
        }
    }
    if (!system || system->second < 12 || !file.seek(qint64(contentAt + system->first)))
        return;
    const QByteArray entry = file.read(12); // version, then code, length and data
    if (entry.size() != 12 || qFromLittleEndian<quint16>(entry.constData() + 4) != 10
        || qFromLittleEndian<quint16>(entry.constData() + 6) != 4)
        return;
    uchar little[4], big[4];
    qToLittleEndian(stamp, little);
    qToBigEndian(stamp, big);
    if (file.seek(qint64(contentAt + system->first + 8)))
        file.write(reinterpret_cast<const char *>(little), 4);
    if (file.seek(0x10))
        file.write(reinterpret_cast<const char *>(big), 4);
}

// The milliseconds since midnight of the time an output records (UTC); 0
// when the build gives none.
quint32 compileStamp()
{
    const QDateTime date = OutputDate();
    return date.isValid() ? quint32(date.toUTC().time().msecsSinceStartOfDay()) : 0;
}

constexpr int kDefaultCompileTimeoutMs = 30 * 60 * 1000;
int compileTimeoutMs = kDefaultCompileTimeoutMs;
QString compilerProgram;

// "30 minutes", "90 seconds": the limit as the message gives it.
QString durationText(int ms)
{
    const bool minutes = ms % 60000 == 0;
    const QString n = minutes ? QString::number(ms / 60000) : QString::number(ms / 1000.0);
    const bool one = n == QLatin1String("1");
    return n + (minutes ? (one ? QStringLiteral(" minute") : QStringLiteral(" minutes"))
                        : (one ? QStringLiteral(" second") : QStringLiteral(" seconds")));
}

} // namespace

void TCHMProject::SetCompileTimeoutMs(int ms) { compileTimeoutMs = ms > 0 ? ms : kDefaultCompileTimeoutMs; }

int TCHMProject::CompileTimeoutMs() { return compileTimeoutMs; }

void TCHMProject::SetCompilerProgram(const QString &path) { compilerProgram = path; }

QString TCHMProject::CompilerProgram()
{
    return compilerProgram.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/qc_chmc")
                                     : compilerProgram;
}

QString TCHMProject::Compile1()
{
    const QString compiler = CompilerProgram();
    if (!QFileInfo(compiler).isExecutable())
        throw Exception(QStringLiteral("The HTML Help compiler \"%1\" is missing: it is built with the program "
                                       "and belongs beside it.")
                            .arg(compiler));
    // Say which folder is at fault when the compiled file's folder cannot be
    // made, rather than leave it to the compiler.
    const QString chmFolder = QFileInfo(CHM).absolutePath();
    if (!QDir().mkpath(chmFolder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\" for the compiled help file \"%2\".")
                            .arg(chmFolder, CHM));
    // The compiler writes into the project-set folder under a plain name (it
    // cannot read paths outside the code page); the file is copied into place
    // afterwards. A file of an earlier compile there is not this one's.
    if (CompiledName.isEmpty())
        CompiledName = compiledNameIn(Folder, CHM);
    const QString built = Folder + CompiledName;
    QDir().mkpath(QFileInfo(built).absolutePath());
    if (QFileInfo::exists(built) && !QFile::remove(built))
        throw Exception(QStringLiteral("Cannot remove the old compiled file \"%1\".").arg(built));
    // What the compiler wrote is gone after the compile, a partial file too.
    struct RemoveBuilt {
        QString file, folder;
        ~RemoveBuilt()
        {
            QFile::remove(file);
            QDir().rmdir(folder);
        }
    } removeBuilt{built, Folder + kCompileFolder};
    const QFileInfo before(built);
    const bool existed = before.exists();
    const QDateTime oldTime = before.lastModified();

    // The compiler runs in the project-set folder; the program's own current
    // folder is left alone. It stores the pages of the context map by their
    // names inside the help file: no folder of this machine is stored.
    QProcess process;
    process.setWorkingDirectory(Folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // A fixed environment (which also fixes the compiler's locale): the
    // same project set gives the same bytes on any machine.
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    process.setProcessEnvironment(environment);
    process.start(compiler, {HHPFile});
    if (!process.waitForStarted(-1))
        throw Exception(QStringLiteral("The HTML Help compiler \"%1\" could not be started: %2")
                            .arg(compiler, process.errorString()));
    const int limit = compileTimeoutMs;
    // Waits in short steps, so that a stop request (another output of the
    // build failed) ends the compiler at once.
    QElapsedTimer clock;
    clock.start();
    bool timedOut = false;
    bool stopped = false;
    while (!process.waitForFinished(100) && process.state() != QProcess::NotRunning) {
        stopped = stoprequest::Requested();
        timedOut = clock.elapsed() >= limit;
        if (stopped || timedOut) {
            process.kill();
            process.waitForFinished(-1);
            break;
        }
    }
    const QString result = QString::fromLocal8Bit(process.readAll());

    // The compiler keeps no log of its own: the captured output is the log.
    if (!LOGFile.isEmpty()) {
        QFile log(Folder + LOGFile);
        if (log.open(QIODevice::WriteOnly | QIODevice::Truncate))
            log.write(result.toLocal8Bit());
    }

    QString problem;
    const QStringList outputLines = result.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    // A link to an anchor that no page holds is a broken link, which the
    // compiler reports as an error but still compiles: a broken cross-reference or
    // footnote link must not cost the writer the whole help file. It stays
    // in the log.
    static const QRegularExpression brokenAnchor(QStringLiteral("^Error: Anchor .* undefined"));
    for (const QString &line : outputLines)
        if (line.startsWith(QStringLiteral("Error:")) && !brokenAnchor.match(line).hasMatch()) {
            problem = line.trimmed();
            break;
        }
    if (stopped)
        problem = QStringLiteral("the build was stopped");
    else if (timedOut)
        problem = QStringLiteral("the compiler did not finish within %1 and was stopped").arg(durationText(limit));
    else if (process.exitStatus() != QProcess::NormalExit)
        problem = QStringLiteral("the compiler stopped unexpectedly");
    else if (problem.isEmpty() && process.exitCode() != 0) {
        problem = QStringLiteral("the compiler ended with exit code %1").arg(process.exitCode());
        for (const QString &line : outputLines)
            if (!line.trimmed().isEmpty()) {
                problem += QStringLiteral(" (") + line.trimmed() + u')';
                break;
            }
    }
    const QFileInfo after(built);
    const bool written = after.exists() && (!existed || after.lastModified() != oldTime);
    if (problem.isEmpty() && (!written || after.size() == 0))
        problem = QStringLiteral("the compiler did not write the compiled file");
    if (!problem.isEmpty()) {
        if (!ScratchFolder)
            throw Exception(QStringLiteral("Compiling \"%1\" into \"%2\" failed: %3. The compiler's output is in \"%4\".")
                                .arg(Folder + HHPFile, CHM, problem, Folder + LOGFile));
        // The project set goes away with the build: its log cannot be read
        // later, so the message carries what the compiler said (but for its
        // notes).
        QStringList said;
        for (const QString &line : outputLines) {
            const QString text = line.trimmed();
            if (!text.isEmpty() && !problem.contains(text) && !text.startsWith(QStringLiteral("Note:"))
                && !text.startsWith(QStringLiteral("Hint:"))
                && !said.contains(text))
                said << text;
        }
        constexpr qsizetype shown = 10;
        if (said.size() > shown)
            said = said.first(shown) << QStringLiteral("(and %1 more)").arg(said.size() - shown);
        throw Exception(QStringLiteral("Compiling the HTML Help into \"%1\" failed: %2.").arg(CHM, problem)
                        + (said.isEmpty() ? QString() : QStringLiteral("\r\nThe compiler said:\r\n") + said.join(QStringLiteral("\r\n"))));
    }
    setCompileTimes(built, compileStamp());
    // Copied beside the old compiled file and renamed over it once complete:
    // a failure (a full disk) leaves the old file whole.
    PlaceFileCopy(built, CHM);
    return result;
}
