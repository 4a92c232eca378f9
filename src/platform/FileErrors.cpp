#include "platform/FileErrors.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

QString WriteFailureReason(const QFileDevice &file, int savedErrno, const QString &folder)
{
    if (savedErrno == ENOSPC || savedErrno == EDQUOT)
        return QStringLiteral("there is no space left on the disk");
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() == 0)
        return QStringLiteral("there is no space left on the disk");
    if (file.error() != QFileDevice::NoError && file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    if (savedErrno != 0)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return QStringLiteral("it could not be written completely");
}

QString SpecialFileKind(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(st.st_mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("a socket");
    return QStringLiteral("no regular file");
}

QString FileChangeFailureReason(const QString &file, const QString &systemReason)
{
    const QStorageInfo storage(QFileInfo(file).absolutePath());
    if (storage.isValid() && storage.isReadOnly())
        return QStringLiteral("Its folder is on a read-only file system.");
    QString reason = systemReason.trimmed();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        return QStringLiteral("The system gives no reason.");
    if (!reason.endsWith(u'.'))
        reason += u'.';
    return QStringLiteral("The system says: ") + reason;
}
