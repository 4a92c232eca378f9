#pragma once
// The files a build holds beside the user's files for as long as it runs: the
// lock that keeps two builds of one project apart (two batch runs, or the
// window and a batch run), and the working copy of the source document.
// Each is an advisory lock on a file of the build's own, created exclusively;
// the kernel drops the lock when its process ends in any way, so the files of
// a killed build never block the next one, which removes them. A file that
// stands in their place and is no file of a build (a link, a file with other
// links, the user's data) is never opened for writing nor removed.
#include <QString>

class TProject;

// The lock file of a project: ".<project file name>.building" beside the
// project file, or beside the source document for a project never saved.
QString BuildLockFile(const TProject &project);

class TBuildLock {
public:
    // Takes the project's lock, or throws Exception naming the project (and
    // the process holding it) when another build of it is running, or naming
    // the file in the lock's place when that is not a lock of a build.
    // Nothing else is touched.
    explicit TBuildLock(const TProject &project);
    ~TBuildLock();
    TBuildLock(const TBuildLock &) = delete;
    TBuildLock &operator=(const TBuildLock &) = delete;

private:
    QString FileName;
    int Fd = -1;
};

// The working copy a build converts in place of the source document, in the
// document's folder (links relative to the document lead where they lead from
// it): "~~$" + the document's name, or "~~$<n>$" + its name while other
// builds of the same document hold the names before it. Each build has a copy
// of its own, which goes when the object does.
class TWorkingCopy {
public:
    // Copies source into the first free working-copy name beside it, keeping
    // the document's permission bits. Throws Exception naming the document
    // and the copy when the copy cannot be made.
    explicit TWorkingCopy(const QString &source);
    ~TWorkingCopy();
    TWorkingCopy(const TWorkingCopy &) = delete;
    TWorkingCopy &operator=(const TWorkingCopy &) = delete;
    const QString &FileName() const { return Name; }

    // The working-copy name of a build n (1 for the first) of source.
    static QString NameFor(const QString &source, int n = 1);
    // True when path is a working-copy name of any build of source.
    static bool IsWorkingCopyOf(const QString &path, const QString &source);

private:
    void Release();
    QString Name;
    int Fd = -1;
};
