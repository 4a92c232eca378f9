#pragma once
// The lock that keeps two builds of one project apart (two batch runs, or the
// window and a batch run): they would share the working copy beside the
// document, the log and the outputs, and one would delete what the other
// wrote. The lock is an advisory lock on a small file beside the project
// file; the kernel drops it when its process ends in any way, so the lock of
// a killed build never blocks the next one.
#include <QString>

class TProject;

// The lock file of a project: ".<project file name>.building" beside the
// project file, or beside the source document for a project never saved.
QString BuildLockFile(const TProject &project);

class TBuildLock {
public:
    // Takes the project's lock, or throws Exception naming the project (and
    // the process holding it) when another build of it is running. Nothing
    // else is touched.
    explicit TBuildLock(const TProject &project);
    ~TBuildLock();
    TBuildLock(const TBuildLock &) = delete;
    TBuildLock &operator=(const TBuildLock &) = delete;

private:
    QString FileName;
    int Fd = -1;
};
