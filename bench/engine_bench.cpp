// engine_bench [--out DIR] FILE...
// Opens each document, saves it as filtered HTML (into DIR when given, else a
// scratch folder) and prints one line per file with the time it took. Exits
// non-zero when any file fails; a damaged file is a failure with its message.
//
// engine_bench --topics FILE...
// Converts each document into its topic list as an HTML Help build does and
// prints a line "# FILE" and then one line per topic: level, TAB, title, TAB,
// page name. Exits non-zero when any file fails.
#include "builder/WordDoc.h"
#include "builder/build.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

int PrintTopics(const QStringList &files)
{
    int failures = 0;
    for (const QString &file : files) {
        std::printf("# %s\n", qPrintable(file));
        try {
            TProject project;
            project.RootDir = QFileInfo(file).absolutePath() + u'/';
            // The build converts a writable working copy beside nothing of
            // the user's: the same here.
            QTemporaryDir scratch;
            const QString copy = QDir(scratch.path()).filePath(QStringLiteral("~~$") + QFileInfo(file).fileName());
            if (!QFile::copy(file, copy))
                throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".").arg(file, copy));
            QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner);
            word::Application word;
            TWordDoc doc(&project, &word, copy, nullptr, 1);
            doc.DoCreate(copy);
            TContentsItems items;
            items.Project = &project;
            doc.ToContentsItems(items);
            for (int i = 0; i < items.Count(); ++i) {
                const TContentsItem *item = items.Item(i);
                std::printf("%d\t%s\t%s\n", item->Level, qPrintable(item->Title), qPrintable(item->Url));
            }
        } catch (const std::exception &e) {
            ++failures;
            std::printf("FAIL\t%s: %s\n", qPrintable(file), qPrintable(ExceptionText(e)));
        }
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args[0] == QLatin1String("--topics")) {
        if (args.size() < 2) {
            std::fprintf(stderr, "usage: engine_bench --topics FILE...\n");
            return 2;
        }
        return PrintTopics(args.mid(1));
    }
    QString outDir;
    if (args.size() >= 2 && args[0] == QLatin1String("--out")) {
        outDir = args[1];
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: engine_bench [--out DIR] FILE...\n");
        return 2;
    }
    QTemporaryDir scratch;
    if (outDir.isEmpty())
        outDir = scratch.path();
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(outDir));
        return 2;
    }
    int failures = 0;
    double total = 0;
    for (const QString &file : std::as_const(args)) {
        const QString base = QFileInfo(file).completeBaseName();
        const QString page = QDir(outDir).filePath(base + QStringLiteral(".htm"));
        QElapsedTimer t;
        t.start();
        try {
            word::Application word;
            word::Document *doc = word.Documents().Open(file);
            doc->SaveAs(page, word::wdFormatFilteredHTML);
            doc->Close(word::wdDoNotSaveChanges);
            const double ms = t.nsecsElapsed() / 1e6;
            total += ms;
            std::printf("%10.1f ms  ok    %s\n", ms, qPrintable(file));
        } catch (const std::exception &e) {
            // Out of memory and other failures are reported as a message too.
            ++failures;
            std::printf("%10.1f ms  FAIL  %s: %s\n", t.nsecsElapsed() / 1e6, qPrintable(file),
                        qPrintable(ExceptionText(e)));
        }
        std::fflush(stdout);
    }
    std::printf("%10.1f ms  total, %d of %lld failed\n", total, failures, (long long)args.size());
    return failures ? 1 : 0;
}
