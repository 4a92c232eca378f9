#include "foundation/Paths.h"

#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "platform/Processes.h"
#include "platform/Prompt.h"
#include "platform/word/LibreOffice.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kMyDocuments = QStringLiteral("<My Documents>");
const QString kProjectFolder = QStringLiteral("<Project_Folder>");

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

QString withTrailingSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

int lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

bool hasDriveLetter(const QString &path)
{
    return path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter()
           && path.at(0).unicode() < 128;
}

// The root of a path in "/" form: "/", "C:/", "C:", "//server/" (a network
// path of a project made on Windows), or empty for a relative path.
QString rootOf(const QString &slashed)
{
    if (slashed.startsWith(QLatin1String("//"))) {
        const int end = slashed.indexOf(QLatin1Char('/'), 2);
        return end < 0 ? slashed + QLatin1Char('/') : slashed.left(end + 1);
    }
    if (hasDriveLetter(slashed))
        return slashed.left(slashed.size() > 2 && slashed.at(2) == QLatin1Char('/') ? 3 : 2);
    if (slashed.startsWith(QLatin1Char('/')))
        return QStringLiteral("/");
    return QString();
}

// A name is taken when something stands there, a dangling link included.
bool isTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString GetSpecialFolder(int csidl)
{
    if (csidl != CSIDL_PERSONAL)
        return QString();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return withoutTrailingSeparator(folder);
}

QString ExpandMyDocuments(const QString &path)
{
    if (!path.contains(kMyDocuments, Qt::CaseInsensitive))
        return path;
    QString result = path;
    return result.replace(kMyDocuments, GetSpecialFolder(CSIDL_PERSONAL), Qt::CaseInsensitive);
}

QString ExpandProjectPath(const QString &projectFolder, const QString &path)
{
    // All trailing separators go, so that a project at "/" gives "/x", not "//x".
    QString folder = projectFolder;
    while (!folder.isEmpty() && isSeparator(folder.back()))
        folder.chop(1);
    QString result = path;
    result.replace(kProjectFolder, folder, Qt::CaseInsensitive);
    // Without a project folder a relative path stays relative.
    if (IsStoredPathAbsolute(result) || projectFolder.isEmpty())
        return ResolvePath(result);
    return ResolvePath(folder + QLatin1Char('/') + result);
}

bool IsAbsolutePath(const QString &path)
{
    return (!path.isEmpty() && isSeparator(path.at(0))) || hasDriveLetter(path);
}

bool IsStoredPathAbsolute(const QString &path)
{
    // A single backslash starts a path below the project folder; two start
    // a network path.
    if (path.startsWith(QLatin1Char('\\')) && !path.startsWith(QLatin1String("\\\\")))
        return false;
    return IsAbsolutePath(path);
}

QString ResolvePath(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    p.replace(QStringLiteral("%20"), QStringLiteral(" "));

    const QString root = rootOf(p);
    const QStringList parts = p.mid(root.size()).split(QLatin1Char('/'));
    // Walk the segments from the last: ".." steps over the segment before
    // it, "." and empty segments vanish. The last piece has no separator after
    // it, so a final "." or ".." is an ordinary name.
    QStringList kept;
    int pending = 0;
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        const QString &part = parts.at(i);
        const bool last = i == parts.size() - 1;
        if (last) {
            if (!part.isEmpty())
                kept.prepend(part);
            continue;
        }
        if (part == QLatin1String(".."))
            ++pending;
        else if (part.isEmpty() || part == QLatin1String("."))
            continue;
        else if (pending > 0)
            --pending;
        else
            kept.prepend(part + QLatin1Char('/'));
    }
    return root + kept.join(QString());
}

QString BackslashToSlash(const QString &path)
{
    QString result = path;
    return result.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString SlashToBackslash(const QString &path)
{
    QString result = path;
    return result.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString RelativeUrl(const QString &basePath, const QString &targetPath)
{
    const QString base = BackslashToSlash(basePath);
    const QString target = BackslashToSlash(targetPath);
    if (rootOf(base) != rootOf(target))
        return target;
    const int targetCut = target.lastIndexOf(QLatin1Char('/'));
    const QStringList baseFolders =
        base.left(std::max(0, int(base.lastIndexOf(QLatin1Char('/'))))).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList targetFolders =
        target.left(std::max(0, targetCut)).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < baseFolders.size() && common < targetFolders.size()
           && baseFolders.at(common) == targetFolders.at(common))
        ++common;
    QString result;
    for (qsizetype i = common; i < baseFolders.size(); ++i)
        result += QStringLiteral("../");
    for (qsizetype i = common; i < targetFolders.size(); ++i)
        result += targetFolders.at(i) + QLatin1Char('/');
    return result + target.mid(targetCut + 1);
}

void SplitUrlAnchor(const QString &link, QString &file, QString &anchor)
{
    const int hash = link.lastIndexOf(QLatin1Char('#'));
    if (hash < 0) {
        file = link;
        anchor.clear();
        return;
    }
    file = link.left(hash);
    anchor = link.mid(hash + 1);
    auto isPageName = [](const QString &name) {
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0)
            return false;
        const QString ext = name.mid(dot).toLower();
        return ext == QLatin1String(".htm") || ext == QLatin1String(".html");
    };
    if (isPageName(anchor) && !isPageName(file)) {
        file = link;
        anchor.clear();
    }
}

QString UniqueFileName(const QString &folder, const QString &baseName, const QString &ext)
{
    QString candidate = folder + baseName + ext;
    for (int n = 1; isTaken(candidate); ++n)
        candidate = folder + baseName + QString::number(n) + ext;
    return candidate;
}

QString UniqueFilePath(const QString &path)
{
    if (!isTaken(path))
        return path;
    const int cut = lastSeparator(path);
    const QString folder = path.left(cut + 1);
    const QString name = path.mid(cut + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : name.mid(dot);
    return UniqueFileName(folder, dot < 0 ? name : name.left(dot), ext);
}

QString ToValidFileName(const QString &name, const QString &fallback)
{
    if (name.isEmpty())
        return fallback;
    static const QString invalid = QStringLiteral("\\/:*\"<>| ");
    QString result = name;
    for (QChar &c : result)
        if (invalid.contains(c))
            c = QLatin1Char('_');
    return result;
}

bool IsFileInUse(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return false;
    const QString lockFile =
        info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() + QLatin1Char('#');
    if (QFileInfo::exists(lockFile))
        return true;
    // Opening for writing without creating or truncating leaves the file as it is.
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;
    ::close(fd);
    return false;
}

namespace {

// A new, empty file with a name of its own beside target (created with the
// usual permissions); the caller removes it. Empty, with errno set, when
// none can be made. A NUL in the path would cut it short where the system
// reads it: no such file is made (and no name is tried for ever).
QString newFileBeside(const QString &target, QFile &file)
{
    const QFileInfo info(target);
    if (target.contains(QChar(0))) {
        file.setFileName(QString());
        errno = EINVAL;
        return QString();
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
                           + QString::number(QRandomGenerator::system()->generate64(), 36) + QStringLiteral(".new");
        file.setFileName(name);
        errno = 0;
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        if (errno != EEXIST)
            return QString();
    }
    return QString(); // errno is EEXIST
}

} // namespace

bool CanReplaceFile(const QString &path, QString *why)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    // A file open in a program is replaced all the same (the program keeps
    // the old one); what stops a replacement is an office lock file beside
    // it, a file marked immutable or append-only, or a folder that takes no
    // new file.
    if (QFileInfo::exists(info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() + QLatin1Char('#')))
        return refuse(QStringLiteral("An office program holds it open (its lock file lies beside it)."));
    if (!info.isSymLink()) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        int flags = 0;
        const bool fixed = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
                        && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
        if (fd >= 0)
            ::close(fd);
        if (fixed)
            return refuse(QStringLiteral("It is marked immutable or append-only."));
    }
    QFile probe;
    const QString name = newFileBeside(path, probe);
    if (name.isEmpty())
        return refuse(FileChangeFailureReason(path, probe.errorString()));
    probe.close();
    return QFile::remove(name);
}

QString RealPath(const QString &path)
{
    const QFileInfo info(path);
    if (const QString real = info.canonicalFilePath(); !real.isEmpty())
        return real;
    if (const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath(); !folder.isEmpty())
        return folder == u'/' ? folder + info.fileName() : folder + u'/' + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

bool IsInsideFolder(const QString &path, const QString &folder)
{
    const QString real = RealPath(path);
    const QString root = RealPath(folder);
    return real == root || real.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

void PlaceFileCopy(const QString &source, const QString &target)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\" for the file \"%2\".").arg(folder, target));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read the file \"%1\": %2").arg(source, in.errorString()));
    QFile out;
    const QString fresh = newFileBeside(target, out);
    const int createError = errno;
    struct Remove {
        QString name;
        ~Remove()
        {
            if (!name.isEmpty())
                QFile::remove(name);
        }
    } remove{fresh};
    auto failed = [&](int error) {
        return Exception(QStringLiteral("Cannot write the file \"%1\": %2")
                             .arg(target, WriteFailureReason(out, error, folder)));
    };
    if (fresh.isEmpty())
        throw failed(createError);
    qint64 copied = 0;
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                throw Exception(QStringLiteral("Cannot read the file \"%1\": %2").arg(source, in.errorString()));
            break;
        }
        errno = 0;
        if (out.write(chunk) != chunk.size())
            throw failed(errno);
        copied += chunk.size();
    }
    errno = 0;
    if (!out.flush() || ::fsync(out.handle()) != 0)
        throw failed(errno);
    out.close();
    if (copied != in.size() || QFileInfo(fresh).size() != copied)
        throw failed(0);
    // rename(2) replaces whatever stands at target, a link included, at once.
    if (::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(target).constData()) != 0)
        throw Exception(QStringLiteral("Cannot replace the file \"%1\": %2").arg(target, errnoText()));
    remove.name.clear();
}

void RefuseSymbolicLink(const QString &file, const QString &what)
{
    const QFileInfo info(file);
    if (info.isSymLink())
        throw Exception(QStringLiteral("Refused to write %1 \"%2\": it is a symbolic link (to \"%3\"), and "
                                       "Quillcraft never writes through a link. Remove the link or choose another "
                                       "file.")
                            .arg(what, file, info.symLinkTarget()));
}

bool IsFolderEmpty(const QString &folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return !it.hasNext();
}

QDateTime GetFileDateTime(const QString &fileName)
{
    return QFileInfo(fileName).lastModified();
}

namespace {

// A folder that the current user alone owns and may enter; a link is never
// accepted. An own folder with too open a mode is closed.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}

QString privateTempRoot()
{
    const QString base = withoutTrailingSeparator(QDir::tempPath());
    const QString dir = base + QStringLiteral("/quillcraft-") + QString::number(::getuid());
    const QByteArray encoded = QFile::encodeName(dir);
    if ((::mkdir(encoded.constData(), 0700) == 0 || errno == EEXIST) && isPrivateFolder(encoded))
        return dir;
    // The usual name is taken by something that is not ours: make a fresh
    // private folder for this process instead.
    static QMutex mutex;
    static QString fallbackBase, fallback;
    QMutexLocker lock(&mutex);
    if (fallbackBase == base && isPrivateFolder(QFile::encodeName(fallback)))
        return fallback;
    QByteArray pattern = QFile::encodeName(base + QStringLiteral("/quillcraft-XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        throw Exception(QStringLiteral("Cannot create a private temporary folder in \"%1\": %2")
                            .arg(base, errnoText()));
    fallbackBase = base;
    fallback = QFile::decodeName(pattern);
    return fallback;
}

} // namespace

namespace {

const QString kRunPrefix = QStringLiteral("run-");

// This run's folder inside the private folder; removed when the program ends
// normally, and by a later run when this one was killed.
struct RunFolder {
    QMutex mutex;
    QString path; // guarded by mutex; empty until first used
    ~RunFolder()
    {
        if (!path.isEmpty())
            QDir(path).removeRecursively();
    }
};

RunFolder &runFolder()
{
    static RunFolder folder;
    return folder;
}

// Removes the entries of folder named prefix + a run's tag (+ anything) whose
// run has ended, first ending any program still working in them.
int removeEndedRuns(const QString &folder, const QString &prefix, bool ownedOnly)
{
    int removed = 0;
    const QDir dir(folder);
    for (const QFileInfo &entry :
         dir.entryInfoList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.isSymLink() || (ownedOnly && entry.ownerId() != ::getuid()))
            continue;
        // The tag is "<pid>-<start>"; anything after a further "-" is the
        // entry's own random part.
        const QStringList parts = entry.fileName().mid(prefix.size()).split(QLatin1Char('-'));
        if (parts.size() < 2 || processes::RunIsAlive(parts[0] + QLatin1Char('-') + parts[1]))
            continue;
        processes::KillProcessesMentioning(entry.absoluteFilePath() + QLatin1Char('/'));
        if (QDir(entry.absoluteFilePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace

int RemoveLeftoversOfEndedRuns()
{
    int removed = 0;
    try {
        removed += removeEndedRuns(privateTempRoot(), kRunPrefix, false);
    } catch (const Exception &) {
        // No private folder: nothing of ours to remove there.
    }
    removed += removeEndedRuns(withoutTrailingSeparator(QDir::tempPath()), word::lo::LeftoverPrefix(), true);
    return removed;
}

QString GetTempFolder()
{
    RunFolder &run = runFolder();
    QMutexLocker lock(&run.mutex);
    const QString root = privateTempRoot();
    if (!run.path.startsWith(root + QLatin1Char('/')) || !isPrivateFolder(QFile::encodeName(run.path))) {
        if (run.path.isEmpty())
            RemoveLeftoversOfEndedRuns();
        const QString path = root + QLatin1Char('/') + kRunPrefix + processes::RunTag();
        const QByteArray encoded = QFile::encodeName(path);
        if ((::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) || !isPrivateFolder(encoded))
            throw Exception(QStringLiteral("Cannot create a private temporary folder \"%1\": %2")
                                .arg(path, errnoText()));
        run.path = path;
    }
    return run.path + QLatin1Char('/');
}

QString NewTempFileName()
{
    QTemporaryFile file(GetTempFolder() + QStringLiteral("qcfXXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw Exception(QStringLiteral("Cannot create a temporary file in \"%1\": %2")
                            .arg(GetTempFolder(), file.errorString()));
    return file.fileName();
}

QString GetSafeTempFolder()
{
    return GetTempFolder();
}

QString UniqueTempFolderName()
{
    const QString folder = GetTempFolder();
    QString candidate;
    do {
        candidate = folder + QStringLiteral("qc")
                    + QString::number(QRandomGenerator::system()->generate64(), 36)
                    + QLatin1Char('/');
    } while (isTaken(candidate.chopped(1)));
    return candidate;
}

namespace {

// The folder as an absolute path without trailing separator, and the same
// with links resolved when it exists.
QStringList spellingsOf(const QString &folder)
{
    QStringList result{QDir::cleanPath(QFileInfo(folder).absoluteFilePath())};
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != result.first())
        result.append(canonical);
    return result;
}

bool isSameOrAncestor(const QString &candidate, const QString &folder)
{
    if (candidate == folder)
        return true;
    const QString prefix = withTrailingSlash(candidate);
    return folder.startsWith(prefix);
}

} // namespace

void CheckFolderMayBeDeleted(const QString &folder)
{
    if (folder.trimmed().isEmpty())
        throw Exception(QStringLiteral("Refused to delete a folder: no folder was named."));
    const struct {
        QString path;
        const char *what;
    } kept[] = {
        {QDir::homePath(), "the user's home folder"},
        {GetSpecialFolder(CSIDL_PERSONAL), "the user's documents folder"},
    };
    for (const QString &spelling : spellingsOf(folder)) {
        auto refuse = [&](const char *why) {
            throw Exception(QStringLiteral("Refused to delete or empty the folder \"%1\": %2.")
                                .arg(withoutTrailingSeparator(folder), QLatin1String(why)));
        };
        if (spelling == QLatin1String("/"))
            refuse("it is the root of the file system");
        const QStorageInfo storage(spelling);
        if (storage.isValid() && withoutTrailingSeparator(storage.rootPath()) == spelling)
            refuse("it is the root of a mounted file system");
        for (const auto &k : kept)
            for (const QString &keptSpelling : spellingsOf(k.path))
                if (isSameOrAncestor(spelling, keptSpelling))
                    refuse(spelling == keptSpelling ? k.what : "it holds the user's home or documents folder");
    }
}

bool DeleteFolder(const QString &folder, QString *error)
{
    CheckFolderMayBeDeleted(folder);
    const QString path = withoutTrailingSeparator(folder);
    const QFileInfo info(path);
    bool removed;
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        removed = QFile::remove(path);
    else
        removed = QDir(path).removeRecursively();
    if (removed || !QFileInfo(path).exists())
        return true;
    if (error)
        *error = QStringLiteral("Cannot delete the folder \"%1\" completely.").arg(path);
    return false;
}

namespace {

QString sourceFolderOf(const QString &source)
{
    QString folder = source;
    if (folder.endsWith(QLatin1String("*.*")))
        folder.chop(3);
    else if (folder.endsWith(QLatin1Char('*')))
        folder.chop(1);
    return withoutTrailingSeparator(folder);
}

// Copies the tree, going on after a failed entry; returns the first failure.
QString copyTree(const QString &source, const QString &target)
{
    const QString from = sourceFolderOf(source);
    const QString to = withoutTrailingSeparator(target);
    if (!QFileInfo(from).isDir())
        return QStringLiteral("The folder \"%1\" does not exist.").arg(from);
    const QString fromPath = QFileInfo(from).absoluteFilePath();
    const QString toPath = QFileInfo(to).absoluteFilePath();
    if (toPath == fromPath || toPath.startsWith(withTrailingSlash(fromPath)))
        return QStringLiteral("Cannot copy the folder \"%1\" into itself (\"%2\").").arg(from, to);
    if (!QDir().mkpath(to))
        return QStringLiteral("Cannot create the folder \"%1\".").arg(to);
    QString firstError;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString dest = to + QLatin1Char('/') + entry.fileName();
        QString failure;
        if (entry.isDir()) {
            // A linked folder could lead back into the tree: it is not followed.
            if (!entry.isSymLink())
                failure = copyTree(entry.filePath(), dest);
        } else {
            QFile::remove(dest);
            QFile file(entry.filePath());
            if (!file.copy(dest))
                failure = QStringLiteral("Cannot copy \"%1\" to \"%2\": %3")
                              .arg(entry.filePath(), dest, file.errorString());
        }
        if (firstError.isEmpty())
            firstError = failure;
    }
    return firstError;
}

} // namespace

bool CopyFolder(const QString &source, const QString &target, QString *error)
{
    const QString failure = copyTree(source, target);
    if (failure.isEmpty())
        return true;
    if (error)
        *error = failure;
    return false;
}

void CopyFolderFiles(const QString &source, const QString &target)
{
    copyTree(source, target);
}

bool BrowseForFolder(QObject *owner, QString &folder, const QString &caption, unsigned flags,
                     const QString &rootFolder)
{
    FolderRequest request;
    request.owner = owner;
    request.caption = caption;
    request.startFolder = folder;
    request.rootFolder = rootFolder;
    request.flags = flags;
    const std::optional<QString> chosen = AskFolder(request);
    if (!chosen)
        return false;
    folder = *chosen;
    return true;
}

QString FindFileIgnoringCase(const QString &path)
{
    if (path.isEmpty())
        return QString();
    if (QFileInfo::exists(path))
        return path;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    for (const QString &part : parts) {
        QString next = current + part;
        if (!QFileInfo::exists(next)) {
            next.clear();
            QDirIterator it(current, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            QStringList matches;
            while (it.hasNext()) {
                it.next();
                if (it.fileName().compare(part, Qt::CaseInsensitive) == 0)
                    matches.append(it.fileName());
            }
            if (matches.isEmpty())
                return QString();
            matches.sort();
            next = current + matches.first();
        }
        current = withTrailingSlash(next);
    }
    return withoutTrailingSeparator(current);
}

namespace {

bool isScannedType(const QString &fileName)
{
    static const QStringList types = {QStringLiteral(".html"), QStringLiteral(".htm"),
                                      QStringLiteral(".shtml"), QStringLiteral(".shtm"),
                                      QStringLiteral(".css"),   QStringLiteral(".js"),
                                      QStringLiteral(".xml")};
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && dot > lastSeparator(fileName) && types.contains(fileName.mid(dot).toLower());
}

// References of the form name.ext (extension of 1 to 5 characters) closed by
// a quote, ")", ">" or a space, opened by the same quote, "(" or "=".
// Absolute URLs and drive paths hold a ":" and are never taken.
QStringList findReferences(const QString &text)
{
    static const QString stops = QStringLiteral(" \"')>");
    static const QString barriers = QStringLiteral("\n\r\"*:<>?|");
    QStringList candidates;
    const qsizetype n = text.size();
    for (qsizetype dot = 0; dot < n; ++dot) {
        if (text.at(dot) != QLatin1Char('.'))
            continue;
        qsizetype stop = -1;
        for (qsizetype k = dot + 1; k < n && k <= dot + 6; ++k) {
            if (stops.contains(text.at(k))) {
                stop = k;
                break;
            }
        }
        if (stop <= dot + 1)
            continue;
        const QChar s = text.at(stop);
        const QChar opener = s == QLatin1Char(' ') || s == QLatin1Char('>') ? QLatin1Char('=')
                             : s == QLatin1Char(')')                        ? QLatin1Char('(')
                                                                            : s;
        qsizetype k = stop - 1;
        while (k >= 0 && text.at(k) != opener && !barriers.contains(text.at(k)))
            --k;
        if (k < 0 || text.at(k) != opener)
            continue;
        const QString candidate = text.mid(k + 1, stop - k - 1);
        if (candidate.size() > stop - dot)
            candidates.append(candidate);
    }
    return candidates;
}

} // namespace

void CollectLinkedFiles(const QString &fileName, QStringList &files)
{
    files.append(fileName);
    QStringList candidates = findReferences(LoadTextFileSafe(fileName, QString()));
    std::sort(candidates.begin(), candidates.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                                 [](const QString &a, const QString &b) {
                                     return a.compare(b, Qt::CaseInsensitive) == 0;
                                 }),
                     candidates.end());
    const QString folder = QFileInfo(fileName).absolutePath();
    for (const QString &candidate : std::as_const(candidates)) {
        // A site-rooted link is taken from the root of the file system, as
        // Windows takes it from the page's drive.
        const QString joined = candidate.startsWith(QLatin1Char('/')) ? candidate
                                                                      : folder + QLatin1Char('/') + candidate;
        QString path = ResolvePath(joined);
        if (!QFileInfo(path).isFile())
            path = FindFileIgnoringCase(path);
        if (path.isEmpty() || !QFileInfo(path).isFile() || files.contains(path))
            continue;
        if (isScannedType(path))
            CollectLinkedFiles(path, files);
        else
            files.append(path);
    }
}
