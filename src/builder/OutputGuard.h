#pragma once
// The check every output writer makes before it deletes or empties its
// output folder: a folder setting left empty resolves to the project's own
// folder, so the writers must never clear a folder that holds the user's
// files.
#include <QString>

class TProject;

// Throws Exception, naming the folder and the reason, when the folder must
// not be deleted or emptied: it is, or holds, the project's folder, the
// project file or the source document; or it is a file-system root, the
// user's home or documents folder, or holds one of them; or it is a file.
void CheckOutputFolderMayBeEmptied(const QString &folder, const TProject &project);

// Throws Exception when an output file would replace the project file or the
// source document (an output path set to one of them by mistake). With the
// output's kind (1 compiled help, 3 PDF, 4 context IDs), also when it is the
// file of another output the project builds: one would replace the other.
void CheckOutputFileMayBeWritten(const QString &file, const TProject &project, int kind = 0);

// Throws Exception when the WebHelp folder, which its writer empties after the
// HTML Help output is built, holds that output's compiled file or context-ID
// file: the build would report success and leave them deleted.
void CheckWebHelpFolderKeepsOtherOutputs(const TProject &project);
