#include "app/ProgramHelp.h"

#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

QString ProgramHelpFile(bool haveChmViewer)
{
    if (haveChmViewer)
        return ProgramFolder() + QStringLiteral("inkvane.chm");
    return ProgramFolder() + QStringLiteral("guide/index.html");
}

bool DesktopHasChmViewer()
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    for (const char *type : {"application/vnd.ms-htmlhelp", "application/x-chm"}) {
        QProcess query;
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QString::fromLatin1(type)});
        if (!query.waitForFinished(5000)) {
            query.kill();
            query.waitForFinished(1000);
            continue;
        }
        if (query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty())
            return true;
    }
    return false;
}

void OpenProgramHelp()
{
    const QString file = ProgramHelpFile(DesktopHasChmViewer());
    if (!QFileInfo(file).isFile())
        throw Exception(QStringLiteral("The help file \"%1\" is missing.").arg(file));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        throw Exception(QStringLiteral("No program is set up to open \"%1\".").arg(file));
}
