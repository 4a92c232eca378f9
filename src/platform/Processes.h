#pragma once
// What a run of the program needs to know about processes: a tag naming this
// run (its process id and start time, so that a reused process id is not
// taken for it), whether the run a tag names still lives, and how a child
// process is bound to the run so that it ends with it.
#include <QString>
#include <QStringList>

namespace processes {

// "<pid>-<start time in clock ticks since boot>" of this process.
QString RunTag();

// False when the run the tag names has ended: no process of that id, or one
// that started at another time. A tag that is not well formed counts as
// alive, so that nothing of unknown origin is removed.
bool RunIsAlive(const QString &tag);

// The read end of a pipe whose write end only this process holds: it reads
// end-of-file once the process has ended, however it ended. Created on the
// first call, which must come before any child is started; -1 when no pipe
// could be made.
int LifeLine();

// For QProcess::setChildProcessModifier: the child gets its own session and
// process group and is killed when the thread that started it ends; a watcher
// process in that group kills the whole group, with every program the child
// started, once lifeLine (LifeLine()) breaks. parentPid is the starting
// program's process id. Only async-signal-safe calls. The caller ends the
// group (the watcher with it) when the child has finished.
void BindChildToParent(qint64 parentPid, int lifeLine);

// Kills (SIGKILL) every process of the current user whose command line holds
// text; returns how many were signalled. Used to end programs a killed run
// left behind, found by the private folder named in their arguments.
int KillProcessesMentioning(const QString &text);

} // namespace processes
