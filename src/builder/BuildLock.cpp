#include "builder/BuildLock.h"

#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "project/ProjectSetting.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// True when name still names the open file fd (and fills st with it).
bool namesFile(const QByteArray &name, int fd, struct stat *st = nullptr)
{
    struct stat opened, named;
    if (::fstat(fd, &opened) != 0 || ::lstat(name.constData(), &named) != 0 || opened.st_dev != named.st_dev
        || opened.st_ino != named.st_ino)
        return false;
    if (st)
        *st = opened;
    return true;
}

struct Claim {
    enum Kind { Taken, Held, Foreign, Failed } kind = Failed;
    int fd = -1;    // Taken: the new file, locked; Held: the file another process holds
    QString reason; // Foreign, Failed: why
};

// Takes name for this process: creates it exclusively and locks it. A file
// already there that no process holds is a leftover of an ended build when
// it is a plain file without other links and isLeftover agrees: it is
// removed, still locked, and the name taken. Anything else in its place is
// never written to nor removed.
Claim claimFile(const QByteArray &name, mode_t mode, const std::function<bool(int)> &isLeftover)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesFile(name, fd))
                return {Claim::Taken, fd, {}};
            // Another build looked at the fresh file in the meantime, took
            // it for a leftover and removes it: the next attempt starts anew.
            ::close(fd);
            continue;
        }
        if (errno != EEXIST)
            return {Claim::Failed, -1, errnoText(errno)};
        struct stat named;
        if (::lstat(name.constData(), &named) != 0)
            continue; // gone meanwhile
        if (S_ISLNK(named.st_mode))
            return {Claim::Foreign, -1, QStringLiteral("it is a symbolic link")};
        if (!S_ISREG(named.st_mode))
            return {Claim::Foreign, -1, QStringLiteral("it is not a plain file")};
        if (named.st_nlink > 1)
            return {Claim::Foreign, -1, QStringLiteral("it has other links, so it is another file too")};
        const int existing = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (existing < 0) {
            if (errno == ENOENT)
                continue;
            return {Claim::Failed, -1, errnoText(errno)};
        }
        if (::flock(existing, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK)
                return {Claim::Held, existing, {}};
            ::close(existing);
            return {Claim::Failed, -1, errnoText(error)};
        }
        struct stat opened;
        if (!namesFile(name, existing, &opened)) {
            ::close(existing);
            continue;
        }
        if (!S_ISREG(opened.st_mode) || opened.st_nlink > 1 || !isLeftover(existing)) {
            ::close(existing);
            return {Claim::Foreign, -1,
                    opened.st_nlink > 1 ? QStringLiteral("it has other links, so it is another file too")
                                        : QStringLiteral("it holds data that no build wrote")};
        }
        // Removed while locked: no other build can take the leftover for its own.
        ::unlink(name.constData());
        ::close(existing);
    }
    return {Claim::Failed, -1, QStringLiteral("it was replaced again and again while the build tried to take it")};
}

QString lockedPath(const TProject &project)
{
    const QString owner = IsAbsolutePath(project.ProjectFilename) ? project.ProjectFilename : project.RealPath(0);
    return RealPath(owner);
}

// What a lock file of a build holds: its process id and a line end, or
// nothing yet.
bool isLockLeftover(int fd)
{
    char text[40] = {};
    const ssize_t n = ::pread(fd, text, sizeof text, 0);
    if (n < 0 || n >= ssize_t(sizeof text))
        return false;
    for (ssize_t i = 0; i < n; ++i)
        if (!(text[i] >= '0' && text[i] <= '9') && !(text[i] == '\n' && i == n - 1))
            return false;
    return true;
}

// The process id written in a held lock file, for the message.
QString holderOf(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    bool ok = false;
    const qint64 pid = n > 0 ? QByteArray(text, int(n)).trimmed().toLongLong(&ok) : 0;
    return ok && pid > 0 ? QStringLiteral(" (process %1)").arg(pid) : QString();
}

} // namespace

QString BuildLockFile(const TProject &project)
{
    const QFileInfo info(lockedPath(project));
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".building");
}

TBuildLock::TBuildLock(const TProject &project)
{
    const QString owner = lockedPath(project);
    QStringList candidates{BuildLockFile(project)};
    // A project folder that cannot take the lock file (read-only) locks in
    // the private temporary folder under a name made from the project's path.
    candidates << GetTempFolder() + QStringLiteral("build-")
                      + QString::fromLatin1(
                          QCryptographicHash::hash(owner.toUtf8(), QCryptographicHash::Sha1).toHex())
                      + QStringLiteral(".lock");
    QString lastError;
    for (const QString &candidate : candidates) {
        const Claim claim = claimFile(QFile::encodeName(candidate), 0644, isLockLeftover);
        switch (claim.kind) {
        case Claim::Taken: {
            // The process id only serves the message; the lock holds without it.
            const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
            const ssize_t written = ::pwrite(claim.fd, pid.constData(), size_t(pid.size()), 0);
            (void)written;
            FileName = candidate;
            Fd = claim.fd;
            return;
        }
        case Claim::Held: {
            const QString holder = holderOf(claim.fd);
            ::close(claim.fd);
            throw Exception(QStringLiteral("The project \"%1\" is being built by another Quillcraft run%2. "
                                           "This build was not started and nothing was changed; build again "
                                           "when the other build has ended.")
                                .arg(owner, holder));
        }
        case Claim::Foreign:
            throw Exception(QStringLiteral("Cannot lock the project \"%1\" for the build: the file \"%2\" stands "
                                           "where its lock goes and is no lock of a build (%3). It was left as it "
                                           "is; move it away and build again.")
                                .arg(owner, candidate, claim.reason));
        case Claim::Failed:
            lastError = claim.reason;
            break;
        }
    }
    throw Exception(QStringLiteral("Cannot lock the project \"%1\" for the build: %2.").arg(owner, lastError));
}

TBuildLock::~TBuildLock()
{
    if (Fd < 0)
        return;
    // Removed while still locked, so no other build can hold a lock on the
    // file that goes away.
    ::unlink(QFile::encodeName(FileName).constData());
    ::close(Fd);
}

// ---- Working copy ------------------------------------------------------------------------

namespace {

// Builds of one document at once, each with a working copy of its own.
constexpr int kWorkingCopies = 32;

} // namespace

QString TWorkingCopy::NameFor(const QString &source, int n)
{
    const QFileInfo info(source);
    QString folder = info.path();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("~~$") + (n > 1 ? QString::number(n) + QLatin1Char('$') : QString())
         + info.fileName();
}

bool TWorkingCopy::IsWorkingCopyOf(const QString &path, const QString &source)
{
    const QFileInfo file(path), document(source);
    if (RealPath(file.absolutePath()) != RealPath(document.absolutePath()))
        return false;
    const QString name = file.fileName();
    if (!name.startsWith(QStringLiteral("~~$")) || !name.endsWith(document.fileName()))
        return false;
    const QString between = name.mid(3, name.size() - 3 - document.fileName().size());
    if (between.isEmpty())
        return true;
    bool number = false;
    between.chopped(1).toInt(&number);
    return number && between.endsWith(QLatin1Char('$'));
}

TWorkingCopy::TWorkingCopy(const QString &source)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read the source document \"%1\".\r\n%2")
                            .arg(source, FileChangeFailureReason(source, in.errorString())));
    // The copy keeps the document's permission bits, so that the converter
    // refuses a read-only document.
    struct stat document;
    const mode_t bits = ::fstat(in.handle(), &document) == 0 ? (document.st_mode & 0777) : 0644;
    QString refused; // what stood in the first name's place, when it was no working copy
    for (int n = 1; n <= kWorkingCopies; ++n) {
        const QString name = NameFor(source, n);
        // A working copy that no build holds was left by an ended one.
        const Claim claim = claimFile(QFile::encodeName(name), 0600, [](int) { return true; });
        if (claim.kind == Claim::Held) {
            ::close(claim.fd);
            continue;
        }
        if (claim.kind == Claim::Foreign) {
            if (refused.isEmpty())
                refused = QStringLiteral("\r\n\"%1\" stands in its place and was left as it is: %2.").arg(name, claim.reason);
            continue;
        }
        if (claim.kind == Claim::Failed)
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".\r\n%3")
                                .arg(source, name, FileChangeFailureReason(name, claim.reason)));
        Name = name;
        Fd = claim.fd;
        for (;;) {
            const QByteArray chunk = in.read(1 << 20);
            if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
                const QString reason = in.errorString();
                Release();
                throw Exception(QStringLiteral("Cannot read the source document \"%1\".\r\n%2")
                                    .arg(source, FileChangeFailureReason(source, reason)));
            }
            if (chunk.isEmpty())
                break;
            for (qsizetype done = 0; done < chunk.size();) {
                const ssize_t n = ::write(Fd, chunk.constData() + done, size_t(chunk.size() - done));
                if (n <= 0) {
                    const int error = n < 0 ? errno : ENOSPC;
                    Release();
                    QFile failed;
                    throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".\r\n%3")
                                        .arg(source, name,
                                             WriteFailureReason(failed, error, QFileInfo(name).absolutePath())));
                }
                done += n;
            }
        }
        ::fchmod(Fd, bits);
        return;
    }
    throw Exception(QStringLiteral("Cannot make a working copy of \"%1\": %2 other builds of it are running.%3")
                        .arg(source)
                        .arg(kWorkingCopies)
                        .arg(refused));
}

TWorkingCopy::~TWorkingCopy() { Release(); }

void TWorkingCopy::Release()
{
    if (Fd < 0)
        return;
    // Removed while still locked, so that no other build takes it for a leftover.
    ::unlink(QFile::encodeName(Name).constData());
    ::close(Fd);
    Fd = -1;
}
