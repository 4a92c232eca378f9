#include "platform/Processes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace processes {

namespace {

// Field 22 of /proc/<pid>/stat: the start time. The command name (field 2)
// may hold spaces and parentheses, so fields are counted after its last ")".
QByteArray startTimeOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // After the name, field 3 (state) comes first: field 22 is index 19.
    return fields.size() > 19 ? fields[19] : QByteArray();
}

} // namespace

QString RunTag()
{
    static const QString tag = [] {
        const qint64 pid = ::getpid();
        return QStringLiteral("%1-%2").arg(pid).arg(QString::fromLatin1(startTimeOf(pid)));
    }();
    return tag;
}

bool RunIsAlive(const QString &tag)
{
    const qsizetype dash = tag.indexOf(u'-');
    bool pidOk = false, startOk = false;
    const qint64 pid = tag.left(dash).toLongLong(&pidOk);
    const quint64 started = tag.mid(dash + 1).toULongLong(&startOk);
    if (dash <= 0 || !pidOk || !startOk || pid <= 0)
        return true;
    Q_UNUSED(started);
    const QByteArray start = startTimeOf(pid);
    return !start.isEmpty() && start == tag.mid(dash + 1).toLatin1();
}

int LifeLine()
{
    // The write end stays open in this process alone (close-on-exec keeps
    // it out of started programs) until the process ends.
    static const int readEnd = [] {
        int ends[2];
        return ::pipe2(ends, O_CLOEXEC) == 0 ? ends[0] : -1;
    }();
    return readEnd;
}

void BindChildToParent(qint64 parentPid, int lifeLine)
{
    ::setsid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have ended between the fork and the call above.
    if (qint64(::getppid()) != parentPid)
        ::_exit(127);
    if (lifeLine < 0)
        return;
    // A watcher in the child's process group: the programs the child starts
    // in turn do not inherit the death signal, so when the life line breaks
    // (the program ended) the watcher kills the whole group.
    if (::fork() == 0) {
        for (int fd = 0; fd < 1024; ++fd)
            if (fd != lifeLine)
                ::close(fd);
        char byte;
        while (::read(lifeLine, &byte, 1) < 0 && errno == EINTR) {
        }
        ::kill(0, SIGKILL);
        ::_exit(0);
    }
}

int KillProcessesMentioning(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const QByteArray needle = text.toUtf8();
    const uid_t self = ::getuid();
    const qint64 own = ::getpid();
    int killed = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == own)
            continue;
        struct stat st;
        if (::stat(QFile::encodeName(QStringLiteral("/proc/") + entry).constData(), &st) != 0 || st.st_uid != self)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        if (cmdline.readAll().contains(needle) && ::kill(pid_t(pid), SIGKILL) == 0)
            ++killed;
    }
    return killed;
}

} // namespace processes
