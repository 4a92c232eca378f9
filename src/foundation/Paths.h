#pragma once
// Paths, temporary folders and folder operations.
//
// Stored paths are portable: "\" and "/" both separate when read, "/" is
// written, "<Project_Folder>" and "<My Documents>" (any case) stand for the
// project's folder and the user's documents folder. A path is absolute when it
// starts with a separator; a drive letter ("C:\...") or a network path
// ("\\server\...") written on Windows counts as absolute too and keeps its
// prefix. Scratch files and folders live in a private per-user folder inside
// the system temporary folder; their names are never predictable.
#include <QDateTime>
#include <QString>
#include <QStringList>

class QObject;

// Folder numbers that GetSpecialFolder knows.
constexpr int CSIDL_PERSONAL = 5; // the user's documents folder

// The special folder's path without trailing separator; empty for a folder
// this system does not know. The documents folder is the XDG documents
// folder, or the home folder when there is none.
QString GetSpecialFolder(int csidl);

// Every "<My Documents>" (any case) replaced by the documents folder.
QString ExpandMyDocuments(const QString &path);
// Every "<Project_Folder>" (any case) replaced by projectFolder (given with or
// without trailing separator); a relative result is taken relative to
// projectFolder. The result is resolved by ResolvePath.
QString ExpandProjectPath(const QString &projectFolder, const QString &path);

// True for "/x", "\x", "C:..." and "\\server\...".
bool IsAbsolutePath(const QString &path);
// The same for a path stored in a project: "\x" is below the project
// folder there, so only "/x", "C:..." and "\\server\..." are absolute.
bool IsStoredPathAbsolute(const QString &path);

// Separators made "/", "%20" made a space, "." and ".." segments resolved and
// doubled separators collapsed. The root of an absolute path ("/", "C:/",
// "//server/") is kept and ".." never climbs above it; parent steps of a
// relative path that find nothing left to remove vanish. A trailing separator
// stays; a final "." or ".." without one is kept as it is.
QString ResolvePath(const QString &path);

QString BackslashToSlash(const QString &path);
QString SlashToBackslash(const QString &path);

// targetPath relative to the folder of basePath (its file name is ignored),
// written with "/". Either separator is read.
QString RelativeUrl(const QString &basePath, const QString &targetPath);

// Splits a link at its last "#" into file part and anchor; a "#" followed by
// a page name (".htm", ".html") belongs to the file name.
void SplitUrlAnchor(const QString &link, QString &file, QString &anchor);

// folder + baseName + ext, or folder + baseName + N + ext for the first N = 1,
// 2, ... that is free. folder is used as given (with its trailing separator).
QString UniqueFileName(const QString &folder, const QString &baseName, const QString &ext);
// The path when free, else its name with the first free N = 1, 2, ... before
// the extension.
QString UniqueFilePath(const QString &path);

// name with \ / : * " < > | and space each replaced by "_"; fallback when empty.
QString ToValidFileName(const QString &name, const QString &fallback);

// True when an existing file cannot be opened for writing, or when an office
// lock file (".~lock." + name + "#") lies beside it. A missing file is not in
// use and is not created.
bool IsFileInUse(const QString &fileName);
// True when a file can be put at path in place of what stands there: nothing
// stands there, or no office lock file lies beside it, it is not marked
// immutable or append-only, and its folder takes a new file. Nothing is
// changed. When it cannot, why (when given) receives the reason as a
// sentence for the line after a message.
bool CanReplaceFile(const QString &path, QString *why = nullptr);
// Where path really lies, links followed: the real path of what exists; for
// a file not made yet, the real path of its folder and its name; else the
// absolute path with "." and ".." resolved.
QString RealPath(const QString &path);
// True when path is folder or lies inside it, both taken as RealPath gives
// them: a link cannot lead out of the folder unnoticed.
bool IsInsideFolder(const QString &path, const QString &folder);
// Puts a copy of source at target: written to a new file beside target,
// checked to hold all of source and flushed to the disk, then renamed over
// target. A failure leaves target as it was and removes the new file; the
// message names target and the reason (a full disk as such). A symbolic link
// at target is replaced, never written through. Throws Exception.
void PlaceFileCopy(const QString &source, const QString &target);
// Throws Exception naming the file (what: "the batch log") when it is a
// symbolic link: the program never writes through one.
void RefuseSymbolicLink(const QString &file, const QString &what);
// True when the folder holds no entry at all (hidden ones count); a missing
// folder counts as empty.
bool IsFolderEmpty(const QString &folder);
// Last-write time as local date-time; invalid for a missing file.
QDateTime GetFileDateTime(const QString &fileName);

// This run's private temporary folder (created, mode 0700) with a trailing
// "/": a folder of its own, named after the run (processes::RunTag), inside
// the private per-user folder. It is removed when the program ends; the
// first call also removes what runs that were killed left behind. Throws
// Exception when no private folder can be made.
QString GetTempFolder();
// Removes the temporary folders of runs whose process has ended (this run's
// private folders and LibreOffice scratch folders), ending any program still
// working in them; returns how many were removed. Never throws.
int RemoveLeftoversOfEndedRuns();
// Full name of a new, empty, private temporary file in GetTempFolder().
QString NewTempFileName();
// The folder under which the build keeps its project set: GetTempFolder().
QString GetSafeTempFolder();
// A folder name in GetTempFolder(), with trailing "/", that does not exist yet.
// The folder is not created: its owner creates it and deletes it.
QString UniqueTempFolderName();

// Throws Exception when the folder must never be deleted or emptied: a
// file-system root or mount point, the user's home or documents folder, or a
// folder holding one of them; also for an empty name.
void CheckFolderMayBeDeleted(const QString &folder);
// Deletes the folder with its whole tree (a link is removed, not followed).
// True when nothing of it is left (also when it did not exist); on failure
// false and, when asked, the reason. Throws Exception for a protected folder.
bool DeleteFolder(const QString &folder, QString *error = nullptr);
// Copies the files and subfolders of source (a trailing "*" or "*.*" pattern
// is allowed) into target, creating target and overwriting files. True when
// every copy succeeded; otherwise false and, when asked, the first failure.
bool CopyFolder(const QString &source, const QString &target, QString *error = nullptr);
// The same, one entry at a time, ignoring failed single copies.
void CopyFolderFiles(const QString &source, const QString &target);

// Lets the user pick a folder, starting at folder. True and the choice in
// folder when confirmed; false and folder unchanged otherwise.
bool BrowseForFolder(QObject *owner, QString &folder, const QString &caption, unsigned flags,
                     const QString &rootFolder = QString());

// Adds fileName and, recursively through pages, style sheets and scripts,
// every local file that it references to files (each once, in the order
// found).
void CollectLinkedFiles(const QString &fileName, QStringList &files);

// The existing file or folder that path names, matched without regard to case
// where the exact name is missing (pages written on Windows link that way);
// empty when there is none.
QString FindFileIgnoringCase(const QString &path);
