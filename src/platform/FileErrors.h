#pragma once
// The reasons file operations fail, in words: Qt reports a short write on a
// full disk as no error at all ("Unknown error"), and a path that exists but
// is no file (a pipe, a device) reads as missing.
#include <QString>

class QFileDevice;

// Why writing file failed. savedErrno is errno taken right after the failed
// call (0 when unknown); folder is where the file is written, for the free
// space check.
QString WriteFailureReason(const QFileDevice &file, int savedErrno, const QString &folder);

// What path is when it exists but is not a regular file: "a folder", "a named
// pipe (FIFO)", "a character device", "a block device", "a socket". Empty for
// a regular file (or a link to one) and for a missing path.
QString SpecialFileKind(const QString &path);

// Why file could not be made, replaced or deleted, as a sentence for the
// line after the message: "Its folder is on a read-only file system." or
// the system's reason (systemReason, as QFile::errorString gives it).
QString FileChangeFailureReason(const QString &file, const QString &systemReason);
