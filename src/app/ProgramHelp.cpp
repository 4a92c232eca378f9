#include "app/ProgramHelp.h"

#include "app/whelp.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

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

void OpenProgramHelp(QWidget *owner)
{
    const QString chm = ProgramHelpFile(true), guide = ProgramHelpFile(false);
    const QPointer<QWidget> parent(owner);
    // The guide's web pages in the browser, after the compiled file could not
    // be shown for the reason given (empty: it was not tried).
    const auto openGuide = [guide, parent](const QString &chmProblem) {
        const auto report = [chmProblem, parent](const QString &why) {
            AskUser(parent, MessageKind::Error, chmProblem.isEmpty() ? why : chmProblem + QLatin1Char('\n') + why);
        };
        if (!QFileInfo(guide).isFile())
            report(QStringLiteral("The user's guide \"%1\" is missing.").arg(QDir::toNativeSeparators(guide)));
        else
            OpenWithDesktop(guide, parent, report);
    };
    if (QFileInfo(chm).isFile() && DesktopHasChmViewer())
        OpenWithDesktop(chm, owner, openGuide);
    else
        openGuide(QString());
}
