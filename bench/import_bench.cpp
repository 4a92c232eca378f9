// Imports a compiled help file into a Word document without a window, as the
// import command does, and prints the time taken by each stage, the number of
// contents entries, pages and index keywords, the time per page and per
// keyword, and the peak memory.
//   import_bench HELP.chm OUT.docx
#include "chmimport/OutputWord.h"
#include "platform/Prompt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: import_bench HELP.chm OUT.docx\n");
        return 2;
    }
    SetCurrentPrompt(std::make_shared<NonInteractivePrompt>(false));
    TOutputWord worker;
    worker.chm = QFileInfo(args[1]).absoluteFilePath();
    TChmToDocPDF &c = *worker.Chm2DocPDF;
    c.ForQuillcraft = true;
    c.OnlyWord = true;
    c.pdf = QFileInfo(args[2]).absoluteFilePath();
    c.Settings->PaperSize = 7;
    c.Settings->Cover = c.Settings->Header = c.Settings->Footer = c.Settings->Toc = false;
    c.Settings->XE = true;
    c.Settings->ShowLevel = 9;
    c.Settings->TitleNumber = false;
    c.Settings->HintFormat.clear();
    QString error;
    c.FOnError = [&error](const QString &text) { error = text; };

    QElapsedTimer timer;
    timer.start();
    // When each stage begins, by the progress text that opens it.
    const QStringList stageTexts{QStringLiteral("Decompiling..."), QStringLiteral("Analyzing..."),
                                 QStringLiteral("Preparing to distill pages..."), QStringLiteral("Distilling pages..."),
                                 QStringLiteral("Launching Word..."), QStringLiteral("Saving document...")};
    QList<qint64> stageStart(stageTexts.size(), -1);
    c.FOnChange = [&](const QString &text, int) {
        const int k = int(stageTexts.indexOf(text));
        if (k >= 0 && stageStart[k] < 0)
            stageStart[k] = timer.elapsed();
    };
    worker.Execute();
    const qint64 total = timer.elapsed();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    if (c.Failed) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(error.isEmpty() ? QStringLiteral("(no message)") : error));
        return 1;
    }
    int keywords = 0;
    for (int i = 0; i < c.List.Count(); ++i)
        keywords += int(c.List.Items(i)->Keywords.split(KeywordSeparator, Qt::SkipEmptyParts).size());
    const int pages = c.Files.Count() + c.NonTocicFiles.Count();
    // The entries the distiller added for pages reached only by links or
    // the index, with their heading.
    const int added = c.NonTocicFiles.Count() > 0 ? c.NonTocicFiles.Count() + 1 : 0;
    const int contentsEntries = c.List.Count() - added;
    const double seconds = total / 1000.0;
    std::printf("time %.2f s\n", seconds);
    const char *names[] = {"reading the help file", "unpacking", "finding pages", "cutting shared blocks",
                           "distilling pages", "building the document", "saving"};
    qint64 from = 0;
    for (int k = 0; k <= stageTexts.size(); ++k) {
        const qint64 to = k < stageTexts.size() ? stageStart[k] : total;
        if (to < 0)
            continue;
        std::printf("  %-22s %7.2f s\n", names[k], (to - from) / 1000.0);
        from = to;
    }
    std::printf("contents entries %d (in the contents file %d)\npages %d\nindex keywords %d\n"
                "per page %.2f ms, per keyword %.2f ms\npeak memory %ld MB\n",
                c.List.Count(), contentsEntries, pages, keywords, pages ? total / double(pages) : 0.0,
                keywords ? total / double(keywords) : 0.0, long(usage.ru_maxrss / 1024));
    return 0;
}
