#pragma once

#include <QString>

class QWidget;

// The program's own help: the user's guide built into "inkvane.chm" and the
// WebHelp folder "guide" beside the program.

// The file that "How to use..." opens: the compiled help file when the
// desktop has a viewer for it, otherwise the guide's WebHelp start page
// (opened in the browser).
QString ProgramHelpFile(bool haveChmViewer);

// Whether the desktop names an application for compiled help files.
bool DesktopHasChmViewer();

// Opens the program's help: the compiled help file where the desktop shows
// it, otherwise (or when showing it fails) the guide's WebHelp in the browser.
// When neither can be shown, the user is told why in an error box.
void OpenProgramHelp(QWidget *owner);
