#pragma once
// The reason a write failed, in words: Qt reports a short write on a full
// disk as no error at all ("Unknown error").
#include <QString>

class QFileDevice;

// Why writing file failed. savedErrno is errno taken right after the failed
// call (0 when unknown); folder is where the file is written, for the free
// space check.
QString WriteFailureReason(const QFileDevice &file, int savedErrno, const QString &folder);
