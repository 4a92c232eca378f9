#pragma once
// The program's start: product information, the platform choice for batch
// runs without a display, the prompt of interactive runs, the splash, the
// main window and the message loop.
#include <QStringList>

// Chooses Qt's offscreen platform for a batch run when no display is
// available; call before the application object exists.
void SelectPlatformForBatch(const QStringList &arguments);

// Runs the program on an existing QApplication with the command-line
// parameters (without the program name); returns the exit code.
int RunQuillcraft(const QStringList &arguments);
