#include "builder/BuildLock.h"

#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString lockedPath(const TProject &project)
{
    const QString owner = IsAbsolutePath(project.ProjectFilename) ? project.ProjectFilename : project.RealPath(0);
    return RealPath(owner);
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
        const QByteArray name = QFile::encodeName(candidate);
        // The file may be removed by the holder between open and lock:
        // the lock counts only when the locked file is still the one named.
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
            if (fd < 0) {
                lastError = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                const int error = errno;
                const QString holder = holderOf(fd);
                ::close(fd);
                if (error == EWOULDBLOCK)
                    throw Exception(QStringLiteral("The project \"%1\" is being built by another Quillcraft run%2. "
                                                   "This build was not started and nothing was changed; build again "
                                                   "when the other build has ended.")
                                        .arg(owner, holder));
                lastError = QString::fromLocal8Bit(std::strerror(error));
                break;
            }
            struct stat opened, named;
            if (::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 && opened.st_dev == named.st_dev
                && opened.st_ino == named.st_ino) {
                const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
                // The process id only serves the message; the lock holds without it.
                if (::ftruncate(fd, 0) == 0) {
                    const ssize_t written = ::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
                    (void)written;
                }
                FileName = candidate;
                Fd = fd;
                return;
            }
            ::close(fd);
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
