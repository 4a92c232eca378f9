#pragma once
// Shared by the fuzz drivers: a private scratch file the readers that take a
// file name are given the input through.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace fuzzinput {

// Writes the input to <scratch>/<name> and returns its path; the folder lives
// as long as the process.
inline QString WriteInput(const uint8_t *data, size_t size, const QString &name)
{
    static QTemporaryDir scratch;
    const QString path = scratch.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

} // namespace fuzzinput
