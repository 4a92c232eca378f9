#include "builder/OutputGuard.h"

#include "builder/BuildLock.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

namespace {

// The absolute spelling of a path and, when it differs, the one with links
// resolved: a folder reached through a link is still the same folder.
QStringList spellingsOf(const QString &path)
{
    const QFileInfo info(path);
    QStringList result{QDir::cleanPath(info.absoluteFilePath())};
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty() && !result.contains(canonical))
        result.append(canonical);
    return result;
}

bool isSameOrInside(const QString &path, const QString &folder)
{
    if (path == folder)
        return true;
    return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

QList<std::pair<QString, QString>> projectFiles(const TProject &project)
{
    QList<std::pair<QString, QString>> files;
    // A project that was never saved has no file of its own yet.
    if (IsAbsolutePath(project.ProjectFilename))
        files.append({project.ProjectFilename, QStringLiteral("the project file")});
    if (!project.SourceFile.trimmed().isEmpty())
        files.append({project.RealPath(0), QStringLiteral("the source document")});
    return files;
}

} // namespace

void CheckOutputFolderMayBeEmptied(const QString &folder, const TProject &project)
{
    CheckFolderMayBeDeleted(folder);

    // A folder setting that names a file: clearing the "folder" would delete
    // the file, which is the user's.
    const QFileInfo entry(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    if (entry.exists() && !entry.isDir())
        throw Exception(QStringLiteral("Refused to delete or empty the output folder \"%1\": it is a file, not a "
                                       "folder. Choose an output folder of its own for this output.")
                            .arg(entry.filePath()));

    QList<std::pair<QString, QString>> kept = projectFiles(project);
    if (!project.RootDir.trimmed().isEmpty())
        kept.prepend({project.RootDir, QStringLiteral("the project's folder")});

    const QString shown = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (const QString &spelling : spellingsOf(folder))
        for (const auto &[path, what] : kept)
            for (const QString &keptSpelling : spellingsOf(ResolvePath(path)))
                if (isSameOrInside(keptSpelling, spelling))
                    throw Exception(QStringLiteral("Refused to delete or empty the output folder \"%1\": %2. "
                                                   "Choose an output folder of its own for this output.")
                                        .arg(shown, keptSpelling == spelling
                                                        ? QStringLiteral("it is %1").arg(what)
                                                        : QStringLiteral("it holds %1 \"%2\"")
                                                              .arg(what, keptSpelling)));
}

namespace {

// The files the program itself keeps beside the project while it builds: an
// output written there would be overwritten by the log, or deleted with the
// lock or the working copy, after the build reported success.
QString programFileKind(const QStringList &target, const TProject &project)
{
    if (IsAbsolutePath(project.ProjectFilename)) {
        const QFileInfo info(project.ProjectFilename);
        const QString log = info.path() + u'/' + info.completeBaseName() + QStringLiteral(".log");
        for (const QString &spelling : spellingsOf(log))
            if (target.contains(spelling))
                return QStringLiteral("the batch log of the project");
    }
    for (const QString &spelling : spellingsOf(BuildLockFile(project)))
        if (target.contains(spelling))
            return QStringLiteral("the lock the build holds on the project");
    if (!project.SourceFile.trimmed().isEmpty() && TWorkingCopy::IsWorkingCopyOf(target.first(), project.RealPath(0)))
        return QStringLiteral("where the build keeps its working copy of the source document");
    return QString();
}

// Why the file at path is not one an output of that kind may replace: not a
// plain file, or one that does not begin as every such output does (an
// earlier build's output always does). Empty when it may be replaced; a link
// in the output's place is replaced, never written through.
QString foreignOutputReason(const QString &path, int kind)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.exists())
        return QString();
    const bool chm = kind == 1;
    const QString what = chm ? QStringLiteral("a compiled help file") : QStringLiteral("a PDF file");
    if (!info.isFile())
        return QStringLiteral("it is %1, not %2").arg(SpecialFileKind(path), what);
    const QByteArray magic = chm ? QByteArrayLiteral("ITSF") : QByteArrayLiteral("%PDF-");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QStringLiteral("it cannot be read to tell whether it is %1 (%2)").arg(what, file.errorString());
    if (file.read(magic.size()) != magic)
        return QStringLiteral("it is not %1, so no earlier build wrote it").arg(what);
    return QString();
}

} // namespace

void CheckOutputFileMayBeWritten(const QString &file, const TProject &project, int kind)
{
    const QStringList target = spellingsOf(ResolvePath(file));
    if (QFileInfo(target.first()).isDir())
        throw Exception(QStringLiteral("Refused to write the output file \"%1\": it is a folder, not a file. "
                                       "Give this output a file name.")
                            .arg(target.first()));
    for (const auto &[path, what] : projectFiles(project))
        for (const QString &spelling : spellingsOf(ResolvePath(path)))
            if (target.contains(spelling))
                throw Exception(QStringLiteral("Refused to write the output file \"%1\": it is %2. "
                                               "Choose another file for this output.")
                                    .arg(target.first(), what));
    if (const QString own = programFileKind(target, project); !own.isEmpty())
        throw Exception(QStringLiteral("Refused to write the output file \"%1\": it is %2. "
                                       "Choose another file for this output.")
                            .arg(target.first(), own));
    if (kind == 0)
        return;
    const struct {
        int kind;
        bool built;
        const char *what;
    } outputs[] = {{1, project.HtmlHelpOutput, "the compiled help file"},
                   {4, project.HtmlHelpOutput && project.HtmlHelpOutputContext, "the context-ID file"},
                   {3, project.PDFOutput, "the PDF file"}};
    for (const auto &other : outputs)
        if (other.kind != kind && other.built)
            for (const QString &spelling : spellingsOf(project.RealPath(other.kind)))
                if (target.contains(spelling))
                    throw Exception(QStringLiteral("Refused to write the output file \"%1\": it is also %2. "
                                                   "Choose another file for one of them.")
                                        .arg(target.first(), QLatin1String(other.what)));
    if (kind == 1 || kind == 3)
        if (const QString why = foreignOutputReason(target.first(), kind); !why.isEmpty())
            throw Exception(QStringLiteral("Refused to replace the file \"%1\" with the %2: %3. It was left as it "
                                           "is; move it away or choose another file for this output.")
                                .arg(target.first(),
                                     kind == 1 ? QStringLiteral("compiled help file") : QStringLiteral("PDF"), why));
}

void CheckWebHelpFolderKeepsOtherOutputs(const TProject &project)
{
    if (!project.WebHelpOutput || !project.HtmlHelpOutput)
        return;
    QList<std::pair<QString, QString>> built{{project.RealPath(1), QStringLiteral("the compiled help file")}};
    if (project.HtmlHelpOutputContext)
        built.append({project.RealPath(4), QStringLiteral("the context-ID file")});
    const QStringList folder = spellingsOf(project.RealPath(2));
    for (const auto &[file, what] : built)
        for (const QString &spelling : spellingsOf(file))
            for (const QString &folderSpelling : folder)
                if (spelling != folderSpelling && isSameOrInside(spelling, folderSpelling))
                    throw Exception(QStringLiteral("Refused to empty the WebHelp folder \"%1\": it would delete %2 "
                                                   "\"%3\" built just before it. Choose another place for one of "
                                                   "the two outputs.")
                                        .arg(folder.first(), what, spelling));
}

// ---- Output folder markers -------------------------------------------------------------

const QString OutputFolderMarkerName = QStringLiteral(".quillcraft-output");

namespace {

const QByteArray kMarkerHead = "Quillcraft output folder: a build empties this folder and writes it anew.\n";
// A finished build lists every entry it left; a build at work lists what
// it has written and is about to write ("name/" for a folder with all it
// holds), so that a build killed at any point leaves its files listed.
const QByteArray kListingHead = "written:\n";
const QByteArray kWritingHead = "writing:\n";

QString folderKey(const QString &folder) { return RealPath(folder); }

QMutex allowedMutex;
QStringList allowedFolders; // guarded by allowedMutex

bool isAllowed(const QString &folder)
{
    QMutexLocker lock(&allowedMutex);
    return allowedFolders.contains(folderKey(folder));
}

// Every entry below root, relative, without following links (a linked folder
// is one entry).
QStringList entriesBelow(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        it.next();
        entries << base.relativeFilePath(it.filePath());
    }
    return entries;
}

// A listed name that stays inside the folder: relative, without "." or ".."
// steps (a marker may come with a folder received from someone else).
bool isSafeEntry(const QString &entry)
{
    const QString name = entry.endsWith(u'/') ? entry.chopped(1) : entry;
    if (name.isEmpty() || name.startsWith(u'/'))
        return false;
    for (const QString &part : name.split(u'/'))
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    return true;
}

// What a folder's marker vouches for.
struct Listing {
    bool marked = false;   // a marker of ours is there
    bool finished = false; // written by a build that finished
    QSet<QString> entries; // entries as listed ("name/": the folder with all it holds)

    bool covers(const QString &entry) const
    {
        if ((marked && entry == OutputFolderMarkerName) || entries.contains(entry))
            return true;
        for (qsizetype slash = entry.indexOf(u'/'); slash >= 0; slash = entry.indexOf(u'/', slash + 1))
            if (entries.contains(entry.left(slash + 1)))
                return true;
        return entries.contains(entry + u'/');
    }
};

Listing readMarker(const QString &root)
{
    Listing listing;
    const QString path = root + u'/' + OutputFolderMarkerName;
    // A link in the marker's place is not a marker.
    if (QFileInfo(path).isSymLink() || !QFileInfo(path).isFile())
        return listing;
    QFile marker(path);
    if (!marker.open(QIODevice::ReadOnly))
        return listing;
    const QByteArray text = marker.read(64ll * 1024 * 1024);
    if (!text.startsWith(kMarkerHead))
        return listing;
    listing.marked = true;
    // A marker of an older build at work lists nothing.
    qsizetype at = text.indexOf('\n' + kListingHead);
    listing.finished = at >= 0;
    if (at < 0)
        at = text.indexOf('\n' + kWritingHead);
    if (at < 0)
        return listing;
    for (const QByteArray &line : text.mid(at + 1 + kListingHead.size()).split('\n')) {
        const QString entry = QString::fromUtf8(line);
        // Only a build at work lists whole folders.
        if (isSafeEntry(entry) && !(listing.finished && entry.endsWith(u'/')))
            listing.entries.insert(entry);
    }
    return listing;
}

void writeMarker(const QString &root, const QByteArray &listingHead, QStringList entries)
{
    const QString path = root + u'/' + OutputFolderMarkerName;
    RefuseSymbolicLink(path, QStringLiteral("the output folder's list"));
    entries.removeAll(OutputFolderMarkerName);
    entries.removeDuplicates();
    entries.sort();
    QByteArray text = kMarkerHead + listingHead;
    for (const QString &entry : std::as_const(entries))
        text += entry.toUtf8() + '\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush() || !file.commit())
        throw Exception(QStringLiteral("Cannot write the file \"%1\": %2").arg(file.fileName(), file.errorString()));
}

// Removes one listed entry: a file or link, a folder with all it holds
// ("name/"), or a listed folder once it is empty. Nothing is reached through
// a link: every folder on the way must be a real folder inside root.
void removeEntry(const QString &root, const QString &canonicalRoot, const QString &entry)
{
    const bool whole = entry.endsWith(u'/');
    const QString name = whole ? entry.chopped(1) : entry;
    const qsizetype slash = name.lastIndexOf(u'/');
    if (slash >= 0
        && QFileInfo(root + u'/' + name.left(slash)).canonicalFilePath() != canonicalRoot + u'/' + name.left(slash))
        return;
    const QString path = root + u'/' + name;
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        QFile::remove(path);
    else if (info.isDir() && whole)
        QDir(path).removeRecursively();
    else if (info.isDir())
        QDir(root).rmdir(name);
}

} // namespace

void MarkOutputFolder(const QString &folder, bool finished, const QStringList &planned)
{
    const QString root = QDir::cleanPath(folder);
    QStringList entries = entriesBelow(root);
    if (finished) {
        writeMarker(root, kListingHead, entries);
        return;
    }
    const Listing listing = readMarker(root);
    if (listing.marked && !listing.finished)
        entries += QStringList(listing.entries.cbegin(), listing.entries.cend());
    for (const QString &entry : planned)
        if (isSafeEntry(entry))
            entries << entry;
    writeMarker(root, kWritingHead, entries);
}

void EmptyOutputFolder(const QString &folder, const QStringList &planned, const QStringList &keep)
{
    const QString root = QDir::cleanPath(folder);
    if (!QDir().mkpath(root))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(root));
    const Listing listing = readMarker(root);
    QStringList doomed(listing.entries.cbegin(), listing.entries.cend());
    // What the user agreed to lose goes too, whatever the marker says (and
    // a file in the marker's place that is no marker: a link goes, not its
    // target).
    if (isAllowed(root)) {
        doomed += entriesBelow(root);
        if (!listing.marked)
            QFile::remove(root + u'/' + OutputFolderMarkerName);
    }
    doomed.removeAll(OutputFolderMarkerName);
    for (const QString &kept : keep)
        doomed.removeAll(kept);
    // The marker goes on naming what is left until it is all gone, and what
    // the build then writes.
    writeMarker(root, kWritingHead, doomed + planned);
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    doomed.sort();
    for (auto it = doomed.crbegin(); it != doomed.crend(); ++it) { // what a folder holds before the folder
        const bool holdsKept = std::any_of(keep.cbegin(), keep.cend(),
                                           [&](const QString &k) { return it->endsWith(u'/') && k.startsWith(*it); });
        if (!holdsKept)
            removeEntry(root, canonicalRoot, *it);
    }
    writeMarker(root, kWritingHead, entriesBelow(root) + planned);
}

QStringList ForeignOutputContent(const QString &folder)
{
    const QString root = QDir::cleanPath(folder);
    if (!QFileInfo(root).isDir())
        return {};
    QStringList entries = entriesBelow(root);
    if (entries.isEmpty())
        return {};
    entries.sort(); // a folder before what it holds
    const Listing listing = readMarker(root);
    QStringList foreign;
    for (const QString &entry : entries) {
        if (listing.covers(entry))
            continue;
        // A foreign folder counts once, not with each file in it.
        bool inside = false;
        for (const QString &f : std::as_const(foreign))
            if (entry.startsWith(f + u'/'))
                inside = true;
        if (!inside)
            foreign << entry;
    }
    return foreign;
}

QString DescribeForeignContent(const QStringList &entries)
{
    const int shown = int(std::min<qsizetype>(entries.size(), 8));
    QStringList names;
    for (int i = 0; i < shown; ++i)
        names << QLatin1Char('"') + entries[i] + QLatin1Char('"');
    QString text = names.join(QStringLiteral(", "));
    if (entries.size() > shown)
        text += QStringLiteral(" and %1 more").arg(entries.size() - shown);
    return text;
}

void CheckOutputFolderIsOurs(const QString &folder, const TProject &project, const QString &what)
{
    CheckOutputFolderMayBeEmptied(folder, project);
    const QStringList foreign = ForeignOutputContent(folder);
    if (foreign.isEmpty())
        return;
    if (isAllowed(folder))
        return;
    throw Exception(QStringLiteral("Refused to empty %1 \"%2\": it holds files that no earlier Quillcraft build "
                                   "wrote there: %3. Move them away or choose an empty folder.")
                        .arg(what, QDir::cleanPath(QFileInfo(folder).absoluteFilePath()),
                             DescribeForeignContent(foreign)));
}

void AllowEmptyingOutputFolder(const QString &folder)
{
    QMutexLocker lock(&allowedMutex);
    allowedFolders << folderKey(folder);
}

void ForgetAllowedOutputFolders()
{
    QMutexLocker lock(&allowedMutex);
    allowedFolders.clear();
}
