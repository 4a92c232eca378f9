#include "platform/FileErrors.h"

#include <QFileDevice>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>

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
