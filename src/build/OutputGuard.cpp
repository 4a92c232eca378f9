#include "build/OutputGuard.h"

#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The absolute spelling of a path and, when it differs, the one with links
// resolved: a folder reached through a link is still the same folder.
QStringList spellingsOf(const QString &path)
{
    const QFileInfo info(path);
    QStringList result{QDir::cleanPath(info.absoluteFilePath())};
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty() && !result.contains(canonical))
        result.append(canonical);
    return result;
}

bool isSameOrInside(const QString &path, const QString &folder)
{
    if (path == folder)
        return true;
    return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

} // namespace

void CheckOutputFolderMayBeEmptied(const QString &folder, const TProject &project)
{
    CheckFolderMayBeDeleted(folder);

    struct Kept {
        QString path;
        QString what;
    };
    QList<Kept> kept;
    if (!project.RootDir.trimmed().isEmpty())
        kept.append({project.RootDir, QStringLiteral("the project's folder")});
    // A project that was never saved has no file of its own yet.
    if (IsAbsolutePath(project.ProjectFilename))
        kept.append({project.ProjectFilename, QStringLiteral("the project file")});
    if (!project.SourceFile.trimmed().isEmpty())
        kept.append({project.RealPath(0), QStringLiteral("the source document")});

    const QString shown = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (const QString &spelling : spellingsOf(folder))
        for (const Kept &k : kept)
            for (const QString &keptSpelling : spellingsOf(ResolvePath(k.path)))
                if (isSameOrInside(keptSpelling, spelling))
                    throw Exception(QStringLiteral("Refused to delete or empty the output folder \"%1\": %2. "
                                                   "Choose an output folder of its own for this output.")
                                        .arg(shown, keptSpelling == spelling
                                                        ? QStringLiteral("it is %1").arg(k.what)
                                                        : QStringLiteral("it holds %1 \"%2\"")
                                                              .arg(k.what, keptSpelling)));
}
