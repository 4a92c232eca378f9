#pragma once
// Unpacking a compiled help file with libchm. This runs inside the unpacking
// helper program (a child process of the import), never inside the program
// itself: libchm can crash on damaged files, and a crashed child is only a
// failed import.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct TChmUnpackLimits {
    qint64 MaxFileSize = qint64(256) << 20;  // one file
    qint64 MaxTotalSize = qint64(2) << 30;   // all files together
    int MaxFileCount = 200000;
};

struct TChmUnpackResult {
    bool Ok = false;
    QString Error;          // why the whole unpacking failed
    QStringList Refused;    // inner names that were not written, with the reason
    int FileCount = 0;
    qint64 TotalSize = 0;
};

// The inner name of a help file's object as a path relative to the target
// folder ("/sub/a.htm" gives "sub/a.htm"), or empty when the name must not be
// written: it climbs with "..", is absolute after its own leading "/", names
// a drive, or holds control characters or a backslash.
QString SafeInnerPath(const QByteArray &innerName);

// Writes every ordinary file of the help file into targetFolder (which must
// exist), keeping the inner folders. Internal objects ("#..", "$..", "::..")
// are skipped, unsafe names are refused and listed, and a file or a total
// beyond the limits fails the whole run.
TChmUnpackResult UnpackChm(const QString &chmFile, const QString &targetFolder,
                           const TChmUnpackLimits &limits = TChmUnpackLimits());

// The files UnpackChm would write, with their sizes as the help file's
// directory gives them, without writing any. Error: why the help file could
// not be listed.
struct TChmListing {
    QString Error;
    QList<std::pair<QString, qint64>> Files; // path as UnpackChm writes it, size
};
TChmListing ListChm(const QString &chmFile);

// The raw bytes of one object of the help file ("/#SYSTEM"), empty when it
// has no such object; false with a reason when the file does not open or the
// object is too large.
bool ReadChmObject(const QString &chmFile, const QByteArray &innerName, QByteArray &data,
                   QString &error, qint64 maxSize = qint64(16) << 20);
