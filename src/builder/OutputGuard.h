#pragma once
// The check every output writer makes before it deletes or empties its
// output folder: a folder setting left empty resolves to the project's own
// folder, so the writers must never clear a folder that holds the user's
// files.
#include <QString>
#include <QStringList>

class TProject;

// Throws Exception, naming the folder and the reason, when the folder must
// not be deleted or emptied: it is, or holds, the project's folder, the
// project file or the source document; or it is a file-system root, the
// user's home or documents folder, or holds one of them; or it is a file.
void CheckOutputFolderMayBeEmptied(const QString &folder, const TProject &project);

// Throws Exception when an output file would replace the project file or the
// source document (an output path set to one of them by mistake), one of the
// files the build keeps beside them (the batch log, the project's lock, a
// working copy of the document), or when it names a folder. With the
// output's kind (1 compiled help, 3 PDF, 4 context IDs), also when it is the
// file of another output the project builds: one would replace the other;
// and for the compiled help file and the PDF, when a file stands there that
// is no file of that kind (it does not begin as one: "ITSF", "%PDF-"), which
// no earlier build can have written.
void CheckOutputFileMayBeWritten(const QString &file, const TProject &project, int kind = 0);

// Throws Exception when the WebHelp folder, which its writer empties after the
// HTML Help output is built, holds that output's compiled file or context-ID
// file: the build would report success and leave them deleted.
void CheckWebHelpFolderKeepsOtherOutputs(const TProject &project);

// The file a build leaves in each output folder it empties and writes (the
// WebHelp folder, the kept HTML Help project set). It lists what the build
// wrote there, so that the next build can tell its own files from the user's.
extern const QString OutputFolderMarkerName;

// Writes the folder's marker. While the build writes (finished false) it
// lists what is in the folder now, what it listed before and the planned
// entries, which the build is about to write ("name/" stands for a folder
// with all it holds): a build killed at any point leaves its files listed.
// Once the output is complete (finished true) it lists every entry in the
// folder. Throws Exception when the marker cannot be written, or when a link
// stands in its place.
void MarkOutputFolder(const QString &folder, bool finished, const QStringList &planned = {});

// Empties the output folder before a build writes it (creating it when
// missing): removes what its marker lists, what a folder holds before the
// folder, and the marker stays, naming what is left and the planned entries.
// Entries the marker does not list stay, unless the user agreed to empty the
// folder (AllowEmptyingOutputFolder); keep names entries that stay in any
// case. Nothing is removed through a symbolic link. Run
// CheckOutputFolderIsOurs first.
void EmptyOutputFolder(const QString &folder, const QStringList &planned, const QStringList &keep = {});

// The entries of the folder (paths relative to it, "/" separated, a folder's
// whole content as one entry) that no earlier build wrote there: everything
// when the folder carries no marker; what its listing lacks when it does.
// Empty for a missing or empty folder.
QStringList ForeignOutputContent(const QString &folder);

// Those entries as a short text for a message: up to eight names, then how
// many more.
QString DescribeForeignContent(const QStringList &entries);

// The check each writer makes right before it empties its folder: the checks
// of CheckOutputFolderMayBeEmptied, and a refusal naming the folder's content
// when it holds anything no earlier build wrote, unless the user agreed to
// empty that folder (AllowEmptyingOutputFolder). what names the folder in the
// message ("the WebHelp folder").
void CheckOutputFolderIsOurs(const QString &folder, const TProject &project, const QString &what);

// Agreement of the user, given in the window, to empty a folder that holds
// other files; it holds until ForgetAllowedOutputFolders (each build command
// starts afresh).
void AllowEmptyingOutputFolder(const QString &folder);
void ForgetAllowedOutputFolders();
