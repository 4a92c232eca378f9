// engine_bench [--out DIR] FILE...
// Opens each document, saves it as filtered HTML (into DIR when given, else a
// scratch folder) and prints one line per file with the time it took. Exits
// non-zero when any file fails; a damaged file is a failure with its message.
#include "platform/Exception.h"
#include "platform/word/Document.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
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
        } catch (const Exception &e) {
            ++failures;
            std::printf("%10.1f ms  FAIL  %s: %s\n", t.nsecsElapsed() / 1e6, qPrintable(file),
                        qPrintable(e.message()));
        }
        std::fflush(stdout);
    }
    std::printf("%10.1f ms  total, %d of %lld failed\n", total, failures, (long long)args.size());
    return failures ? 1 : 0;
}
