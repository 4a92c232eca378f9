// Opens each HTML page as a document, pastes it under a heading named after
// the page into one new document, saves that as .docx and prints pages per
// second. Exits non-zero when a page fails.
//   html_import_bench OUT.docx PAGE.htm...   (or @LIST: one page path a line)
#include "platform/word/Document.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication qapp(argc, argv);
    const QStringList args = qapp.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: html_import_bench OUT.docx PAGE.htm... (or @LIST)\n");
        return 2;
    }
    QStringList pages;
    for (const QString &a : args.mid(1)) {
        if (a.startsWith(QLatin1Char('@'))) {
            QFile list(a.mid(1));
            if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(a.mid(1)));
                return 2;
            }
            QTextStream in(&list);
            while (!in.atEnd()) {
                const QString line = in.readLine().trimmed();
                if (!line.isEmpty())
                    pages << line;
            }
        } else {
            pages << a;
        }
    }
    QElapsedTimer timer;
    timer.start();
    word::Application app;
    word::Document *out = app.Documents().Add();
    word::Range r = out->Content();
    int failed = 0;
    for (const QString &page : pages) {
        r.Collapse(word::wdCollapseEnd);
        r.setStyle(word::wdStyleHeading1);
        r.InsertAfter(QFileInfo(page).completeBaseName());
        r.Collapse(word::wdCollapseEnd);
        r.InsertParagraphAfter();
        r.Collapse(word::wdCollapseEnd);
        try {
            word::Document *p = app.Documents().Open(page, word::wdOpenFormatWebPages);
            p->Content().Copy();
            r.setStyle(word::wdStyleNormal);
            r.Paste();
            p->Close(word::wdDoNotSaveChanges);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s\n", e.what());
            ++failed;
        }
    }
    const qint64 importMs = timer.elapsed();
    try {
        out->SaveAs(args[0], word::wdFormatXMLDocument);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const qint64 totalMs = std::max<qint64>(timer.elapsed(), 1);
    std::printf("%lld pages, %d failed; import and paste %lld ms, with saving %lld ms: %.1f pages per second\n",
                static_cast<long long>(pages.size()), failed, static_cast<long long>(importMs),
                static_cast<long long>(totalMs), pages.size() * 1000.0 / double(totalMs));
    return failed ? 1 : 0;
}
