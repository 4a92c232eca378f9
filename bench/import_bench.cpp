// Imports a compiled help file into a Word document without a window, as the
// import command does, and prints the time taken, the number of contents
// entries and of pages, and the peak memory.
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
    // When the document building begins: the time before it is reading,
    // unpacking and distilling.
    qint64 buildStart = -1;
    c.FOnChange = [&](const QString &text, int) {
        if (buildStart < 0 && text == QLatin1String("Launching Word..."))
            buildStart = timer.elapsed();
    };
    worker.Execute();
    const double seconds = timer.elapsed() / 1000.0;
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    if (c.Failed) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(error.isEmpty() ? QStringLiteral("(no message)") : error));
        return 1;
    }
    std::printf("time %.2f s (reading and distilling %.2f s, building the document %.2f s)\ncontents entries %d\n"
                "pages %d\npeak memory %ld MB\n",
                seconds, buildStart / 1000.0, seconds - buildStart / 1000.0, c.List.Count(), c.Files.Count(),
                long(usage.ru_maxrss / 1024));
    return 0;
}
