#include "builder/HtmlHelpOutput.h"

#include "builder/OutputGuard.h"
#include "builder/WordDoc.h"
#include "foundation/HTMLProcess.h"
#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/SettingsStore.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"
#include "project/UnitCHMProject.h"

#include <QBuffer>
#include <QCollator>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString kCRLF = QStringLiteral("\r\n");
const QString kSlashMarker = QStringLiteral("`@`$`");
constexpr int kUtf16BigEndian = 1201; // code page

QString paramLine(const QString &name, const QString &value)
{
    return QStringLiteral("<param name=\"%1\" value=\"%2\">\r\n").arg(name, value);
}

QString localUrl(const QString &url) { return EscapeHtml(QString(url).replace(u'\\', u'/')); }

// The file a page is saved to. The name comes from the document, so it must
// stay inside the folder.
QString pagePath(const QString &folder, const QString &url)
{
    const QString name = QString(url).replace(u'\\', u'/');
    if (name.isEmpty() || IsAbsolutePath(name) || name.split(u'/').contains(QStringLiteral("..")))
        throw Exception(QStringLiteral("The topic page name \"%1\" does not name a file inside the folder \"%2\".")
                            .arg(url, folder));
    const QString path = folder + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

bool hasPage(const TContentsItem &item) { return item.Status == 0; }

// A title or file name goes into a one-line comment of the generated source:
// a line break in it would turn the rest into code.
// Every character that one of the languages takes as a line end (CR, LF,
// VT, FF, NEL, U+2028, U+2029) and every other control character but the
// tab becomes one blank per run.
QString oneLine(QString text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\x{0}-\\x{8}\\x{A}-\\x{1F}\\x{7F}-\\x{9F}\\x{2028}\\x{2029}]+"));
    return text.replace(breaks, QStringLiteral(" "));
}

} // namespace

// ---- Keyword paths -----------------------------------------------------------------

QStringList SplitKeywordPath(const QString &Keyword)
{
    QString text = Keyword;
    text.replace(QStringLiteral("//"), kSlashMarker);
    QStringList levels = text.split(u'/');
    if (!levels.isEmpty() && levels.last().isEmpty())
        levels.removeLast(); // a trailing separator (or an empty keyword) gives no level
    for (QString &level : levels)
        level.replace(kSlashMarker, QStringLiteral("/"));
    return levels;
}

QString KeywordLastLevel(const QString &Keyword)
{
    const QStringList levels = SplitKeywordPath(Keyword);
    return levels.isEmpty() ? QString() : levels.last();
}

QString KeywordSortKey(const QString &Keyword)
{
    return QString(Keyword).replace(u' ', QStringLiteral("``|")).replace(u'\\', u' ');
}

QString KeywordFromSortKey(const QString &Key)
{
    return QString(Key).replace(u' ', u'\\').replace(QStringLiteral("``|"), QStringLiteral(" "));
}

QString KeywordPathTransition(const QString &Prev, const QString &Cur)
{
    const QStringList prev = SplitKeywordPath(Prev);
    const QStringList cur = SplitKeywordPath(Cur);
    const int shorter = int(std::min(prev.size(), cur.size()));
    int i = 0;
    while (i < shorter && prev[i] == cur[i])
        ++i;

    QString text;
    // Close the lists down to the depth at which Cur's entry (or, at the end,
    // the outermost list) lies.
    const int curDepth = std::max(int(cur.size()) - 1, 0);
    for (int n = int(prev.size()) - 1 - std::min(i, curDepth); n > 0; --n)
        text += QStringLiteral("</UL>") + kCRLF;
    // Cur lies below Prev: its levels go into a new list under Prev's entry.
    if (!prev.isEmpty() && i == prev.size() && cur.size() > i)
        text += QStringLiteral("<UL>") + kCRLF;
    // Each level between the shared part and Cur's last gets an entry that
    // refers to itself, with a list for what lies below it.
    for (int k = i; k <= int(cur.size()) - 2; ++k) {
        const QString level = EscapeHtml(cur[k]);
        text += QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">") + kCRLF + paramLine(QStringLiteral("Name"), level)
              + paramLine(QStringLiteral("See Also"), level) + QStringLiteral("</OBJECT>") + kCRLF
              + QStringLiteral("<UL>") + kCRLF;
    }
    return text;
}

QLocale KeywordLocale(const TProject *Project)
{
    const QString id = Project ? Project->CHMSetting.Language.trimmed().section(u' ', 0, 0) : QString();
    const QString dictionary = id.isEmpty() ? QString() : HelpLanguages.GetDictionaryById(id);
    return QLocale(dictionary.isEmpty() ? QStringLiteral("en_US") : dictionary);
}

// ---- Pages ---------------------------------------------------------------------------

void THtmlHelpMaker::Output()
{
    if (ProjectFolder.isEmpty())
        throw Exception(QStringLiteral("No folder was chosen for the HTML Help project set."));
    if (!ProjectFolder.endsWith(u'/'))
        ProjectFolder += u'/';
    CheckOutputFolderIsOurs(ProjectFolder, *Project, QStringLiteral("the HTML Help project-set folder"));
    // Everything the set will hold, named before it is written: a page or
    // file in a subfolder stands for that whole folder.
    QStringList planned = TCHMProject::FileNames(ProjectFolder, Project->RealPath(1));
    auto plan = [&](QString name) {
        name.replace(u'\\', u'/');
        const qsizetype slash = name.indexOf(u'/');
        planned << (slash < 0 ? name : name.left(slash + 1));
    };
    for (int i = 0; Contents && i < Contents->Count(); ++i)
        if (hasPage(*Contents->Item(i)))
            plan(Contents->Item(i)->Url);
    if (Word) {
        for (const QString &file : std::as_const(Word->AttachedFiles))
            plan(file);
        if (!Word->FilesFolder.isEmpty())
            plan(Word->FilesFolder + u'/');
    }
    const QList<TTemplateEntry> templateFiles = ReadTemplateEntries(Project->HtmlHelpTemplateStream);
    for (const TTemplateEntry &file : templateFiles)
        plan(file.Name);
    // A compiled file kept in the set's folder stays until the new one replaces it.
    QStringList keep;
    const QString compiled = QDir(ProjectFolder).relativeFilePath(QFileInfo(Project->RealPath(1)).absoluteFilePath());
    if (!compiled.startsWith(QLatin1String("../")))
        keep << compiled;
    EmptyOutputFolder(ProjectFolder, planned, keep); // what stays is overwritten by the pages
    if (Word)
        Word->CopyAttachedFiles(ProjectFolder);
    OutputPages();
}

void THtmlHelpMaker::OutputPages()
{
    if (Project->HtmlHelpTemplateStream.isEmpty())
        throw Exception(QStringLiteral("The project has no page template for the HTML Help output%1")
                            .arg(Project->DefaultTemplateError.isEmpty()
                                     ? QStringLiteral(".")
                                     : QStringLiteral(": ") + Project->DefaultTemplateError));
    TTemplate page(Project->HtmlHelpTemplateStream, Project->PrevHint, Project->NextHint);
    // The title is plain text; the copyright is the footer's HTML as the user wrote it.
    page.ProjectTitle = EscapeHtml(Project->HtmlHelpTitleSame ? Project->Title : Project->HtmlHelpTitle);
    page.Copyright = Project->CopyRight;
    page.CopyAttachedFiles(ProjectFolder);
    {
        THEADElements head;
        head.Load(GetHtmlHead(Word ? Word->BeforeBody : QString()));
        page.UniteHead(head);
    }
    const QString charset = Project->HtmlHelpOutputEncoding;
    // "unicode" names no code page: such pages are UTF-16 with a mark.
    const int codePage = charset.trimmed().compare(QLatin1String("unicode"), Qt::CaseInsensitive) == 0
                             ? TextEncodingUtf16
                             : CharsetToCodePage(charset);
    bool first = true;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Item(i);
        if (!hasPage(item))
            continue;
        WriteTextFile(ReferenceUnencodable(SetHtmlCharset(page.MakePage(item), charset), codePage),
                     pagePath(ProjectFolder, item.Url), codePage);
        if (first)
            Project->CHMSetting.DefaultTopic = item.Url;
        first = false;
    }
    if (first)
        Project->CHMSetting.DefaultTopic.clear(); // no page: an earlier build's topic is gone
}

// ---- Contents, index and context texts -------------------------------------------------

void THtmlHelpMaker::MakeHHCList(QString &Text) const
{
    Text.clear();
    if (Contents->Count() == 0)
        return;
    // The list opened here is the one at level 1; deeper first items open
    // the lists above them, so the text stays balanced.
    int prev = 1;
    Text = QStringLiteral("<UL>");
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Item(i);
        const int level = std::max(item.Level, 1);
        for (; prev > level; --prev)
            Text += QStringLiteral("</UL>");
        for (; prev < level; ++prev)
            Text += QStringLiteral("<UL>");
        Text += QStringLiteral("<LI><OBJECT type=\"text/sitemap\">") + kCRLF;
        Text += paramLine(QStringLiteral("Name"), EscapeHtml(item.Title));
        if (hasPage(item))
            Text += paramLine(QStringLiteral("Local"), localUrl(item.Url));
        if (item.Icon != -1)
            Text += paramLine(QStringLiteral("ImageNumber"), QString::number(item.Icon));
        Text += QStringLiteral("</OBJECT>") + kCRLF;
    }
    for (; prev > 1; --prev)
        Text += QStringLiteral("</UL>");
    Text += QStringLiteral("</UL>");
}

void THtmlHelpMaker::MakeHHKList(QString &Text) const
{
    Text.clear();
    std::vector<std::pair<QString, const TContentsItem *>> entries;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Item(i);
        if (!hasPage(item) || item.Keywords.trimmed().isEmpty())
            continue;
        const QStringList lines = item.Keywords.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        for (const QString &line : lines)
            if (!line.trimmed().isEmpty())
                entries.emplace_back(KeywordSortKey(line.trimmed()), &item);
    }
    if (entries.empty())
        return;
    QCollator collator(KeywordLocale(Project));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Keys equal but for case are ordered by their exact text, so that each
    // spelling forms one entry; equal keys keep the order of the topics.
    std::stable_sort(entries.begin(), entries.end(), [&collator](const auto &a, const auto &b) {
        const int order = collator.compare(a.first, b.first);
        return order != 0 ? order < 0 : a.first < b.first;
    });

    Text = QStringLiteral("<UL>");
    QString prev;
    bool firstEntry = true;
    for (const auto &[key, item] : entries) {
        const QString cur = KeywordFromSortKey(key);
        if (!firstEntry && cur != prev)
            Text += QStringLiteral("</OBJECT>");
        Text += KeywordPathTransition(prev, cur);
        if (cur != prev) {
            Text += QStringLiteral("<LI><OBJECT type=\"text/sitemap\">") + kCRLF;
            Text += paramLine(QStringLiteral("Name"), EscapeHtml(KeywordLastLevel(cur)));
        }
        Text += paramLine(QStringLiteral("Name"), EscapeHtml(item->Title));
        Text += paramLine(QStringLiteral("Local"), localUrl(item->Url));
        prev = cur;
        firstEntry = false;
    }
    Text += QStringLiteral("</OBJECT>") + KeywordPathTransition(prev, QString()) + QStringLiteral("</UL>");
}

void THtmlHelpMaker::MakeContextSensitive(QString &Alias, QString &Map) const
{
    Alias.clear();
    Map.clear();
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Item(i);
        if (!hasPage(item) || item.ContextNumber.trimmed().isEmpty() || item.StaticName.isEmpty())
            continue;
        Alias += QStringLiteral("CID_") + item.StaticName + QStringLiteral(" = ") + item.Url + kCRLF;
        Map += QStringLiteral("#define CID_") + item.StaticName + u' ' + item.ContextNumber + kCRLF;
    }
}

// ---- Project set -----------------------------------------------------------------------

void THtmlHelpMaker::Make(QString &Log)
{
    Log.clear();
    const QString chm = Project->RealPath(1);
    if (Project->CompiledFile.trimmed().isEmpty() || chm.isEmpty())
        throw Exception(QStringLiteral("The project names no compiled help file to build."));
    CheckOutputFileMayBeWritten(chm, *Project, 1);
    TCHMProject set;
    set.Assign(Project->CHMSetting);
    set.Folder = ProjectFolder;
    set.ScratchFolder = !Project->OutputHHP;
    set.LeftOut = {OutputFolderMarkerName}; // the build's own bookkeeping
    set.SourceFolder.clear();
    set.CHM = chm;
    MakeHHCList(set.TOC);
    MakeHHKList(set.IndexList);
    MakeContextSensitive(set.Alias, set.Map);
    set.Output();
    Log = set.Compile1();
    MarkOutputFolder(ProjectFolder, true);
}

// ---- Context-ID source file ---------------------------------------------------------------

QString MakeContextFileText(const TProject &Project, const TContentsItems &Contents)
{
    QStringList entries;
    if (!Project.HtmlHelpContextTopCode.isEmpty()) {
        entries = Project.HtmlHelpContextTopCode.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        if (entries.last().isEmpty())
            entries.removeLast(); // a closing line break adds no line
    }
    for (int i = 0; i < Contents.Count(); ++i) {
        const TContentsItem &item = *Contents.Item(i);
        // A topic whose property field named no usable symbol gets no line.
        if (!hasPage(item) || item.StaticName.isEmpty())
            continue;
        QString line = Project.HtmlHelpContextCodeTemplate;
        const QString name = QStringLiteral("CID_") + item.StaticName
                           + QString(std::max(51 - int(item.StaticName.size()), 0), u' ');
        line.replace(QStringLiteral("{%StaticVarName%}"), name, Qt::CaseInsensitive);
        line.replace(QStringLiteral("{%ContextID%}"), item.ContextNumber, Qt::CaseInsensitive);
        line.replace(QStringLiteral("{%Title%}"),
                     QString(std::max(item.Level - 1, 0), u'\t') + oneLine(item.Title), Qt::CaseInsensitive);
        line.replace(QStringLiteral("{%FileName%}"), oneLine(item.Url), Qt::CaseInsensitive);
        line.replace(QStringLiteral("{%Tab%}"), QStringLiteral("\t"), Qt::CaseInsensitive);
        entries.append(line);
    }
    entries.append(Project.HtmlHelpContextBottomCode);
    return entries.join(kCRLF) + kCRLF;
}

namespace {

// The per-user record of the context-ID files the builds of this user wrote:
// the file's path and a digest of its bytes.
QString contextRecordName(const QString &path)
{
    return QStringLiteral("ContextFiles/")
         + QString::fromLatin1(QCryptographicHash::hash(RealPath(path).toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString digestOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The beginning of a context-ID file as text, line ends as "\n": read as the
// build writes it (a mark names UTF-8 or UTF-16); without a mark the bytes
// are read as Latin-1, which is enough to compare the ASCII heads of the
// shipped code formats.
QString headText(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadTextFromStream(buffer, QStringLiteral("28591")).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// True when the file's text begins with the head of one of the code formats
// beside the program: a context-ID file of an earlier build. No other file
// begins that way, and a project cannot change those heads.
bool beginsWithShippedHead(const QByteArray &bytes)
{
    const QString text = headText(bytes.left(64 * 1024));
    const TIniReader formats = TIniReader::FromFile(ProgramFolder() + QStringLiteral("context.dat"));
    for (const QString &format : formats.Sections()) {
        QString head = DecodeLineBreaks(formats.ReadString(format, QStringLiteral("TopCode"), QString()));
        head.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (head.trimmed().isEmpty())
            continue;
        if (!head.endsWith(u'\n'))
            head += u'\n';
        if (text.startsWith(head))
            return true;
    }
    return false;
}

// The context-ID file's path comes from the project: it replaces only a file
// that an earlier build wrote (one that begins with a shipped head, or holds
// what this user's last build wrote there), and never writes through a link.
void CheckContextFileMayBeReplaced(const QString &path)
{
    RefuseSymbolicLink(path, QStringLiteral("the context-ID file"));
    const QFileInfo info(path);
    if (!info.exists())
        return;
    QFile file(path);
    const bool readable = info.isFile() && file.open(QIODevice::ReadOnly);
    const QByteArray bytes = readable ? file.read(64ll * 1024 * 1024) : QByteArray();
    if (readable && (beginsWithShippedHead(bytes)
                     || settings::ReadString(contextRecordName(path)) == digestOf(bytes)))
        return;
    throw Exception(QStringLiteral("Refused to write the context-ID file \"%1\": a file of that name is there that "
                                   "no Quillcraft build wrote (it does not begin with the head of one of the "
                                   "program's code formats). It was left as it is; move it away or choose another "
                                   "file for the context IDs, then build again.")
                        .arg(path));
}

} // namespace

void THtmlHelpMaker::OutputContextFile()
{
    const QString path = Project->RealPath(4);
    if (Project->HtmlHelpContextFile.trimmed().isEmpty())
        throw Exception(QStringLiteral("The project names no file for the context IDs."));
    if (QFileInfo(path).isDir())
        throw Exception(QStringLiteral("The context-ID file \"%1\" is a folder.").arg(path));
    CheckOutputFileMayBeWritten(path, *Project, 4);
    CheckContextFileMayBeReplaced(path);
    const QString text = MakeContextFileText(*Project, *Contents);
    QDir().mkpath(QFileInfo(path).absolutePath());
    switch (Project->HtmlHelpContextEncoding) {
    case 1:
        SaveTextFile(text, path, TextEncodingUtf16);
        break;
    case 2:
        SaveTextFile(QChar(0xFEFF) + text, path, kUtf16BigEndian);
        break;
    case 3:
        SaveTextFile(text, path, TextEncodingUtf8);
        break;
    default:
        // "ANSI" is the code page of the help's language, as for the project
        // set, whatever the machine's locale.
        SaveTextFile(text, path, Project->CHMSetting.CodePage());
        break;
    }
    QFile written(path);
    if (written.open(QIODevice::ReadOnly)) {
        try {
            settings::WriteString(contextRecordName(path), digestOf(written.read(64ll * 1024 * 1024)));
        } catch (const Exception &) {
            // Without the record only a file with a shipped head is replaced next time.
        }
    }
}
