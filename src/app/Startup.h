#pragma once
// The program's start: product information, the platform choice for batch
// runs without a display, the prompt of interactive runs, the splash, the
// main window and the message loop.
#include <QStringList>

// Chooses Qt's platform before the application object exists: a silent
// batch always runs offscreen; any other run tries the display and falls
// back to offscreen when none answers, so that Qt never aborts the process.
void SelectPlatform(const QStringList &arguments);

// Gives a batch run a private runtime folder (XDG_RUNTIME_DIR) when the
// session has none, inside this run's temporary folder and going with it:
// Qt would otherwise warn on standard error, where a batch run's caller
// reads the build's own messages. Call before the application object exists.
void PrepareBatchEnvironment(const QStringList &arguments);

// Exit code of an interactive start that found no usable display.
constexpr int ExitCodeNoDisplay = 2;

// Runs the program on an existing QApplication with the command-line
// parameters (without the program name); returns the exit code. Without a
// usable display a "/b" run builds as a silent batch and an interactive
// start ends with ExitCodeNoDisplay; both say so on standard error.
int RunQuillcraft(const QStringList &arguments);
