// The pages of real compiled help files, unpacked here with libchm, opened as
// documents: every word of each page's body text is in its document. The
// pages pasted into one document, saved as .docx, read back with the same
// text and rendered by LibreOffice.
#include "platform/word/Document.h"
#include "platform/word/HtmlImport.h"
#include "platform/word/LibreOffice.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <chm_lib.h>
#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>

using namespace word;
using testsupport::ScratchDir;

namespace {

struct Unpack {
    QString dir;
    int files = 0;
};

int unpackOne(chmFile *h, chmUnitInfo *ui, void *context)
{
    auto *u = static_cast<Unpack *>(context);
    const QString path = QString::fromUtf8(ui->path);
    if (!path.startsWith('/') || path.contains("..") || path.startsWith("/#") || path.startsWith("/$")
        || path.endsWith('/'))
        return CHM_ENUMERATOR_CONTINUE;
    QByteArray data(qsizetype(ui->length), '\0');
    if (ui->length && chm_retrieve_object(h, ui, reinterpret_cast<unsigned char *>(data.data()), 0,
                                          LONGINT64(ui->length)) != LONGINT64(ui->length))
        return CHM_ENUMERATOR_CONTINUE;
    testsupport::writeFile(u->dir + path, data);
    ++u->files;
    return CHM_ENUMERATOR_CONTINUE;
}

// The words of a page's body as a reader sees them, found by walking
// libxml2's tree (script, style and form controls left out).
void collectWords(xmlNode *n, QString &text)
{
    for (; n; n = n->next) {
        if (n->type == XML_TEXT_NODE)
            text += QString::fromUtf8(reinterpret_cast<const char *>(n->content)) + ' ';
        else if (n->type == XML_ELEMENT_NODE) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char *>(n->name)).toLower();
            static const QStringList skipped = {"head",   "script", "style",    "title",  "noscript", "object",
                                                "select", "button", "textarea", "iframe", "applet"};
            if (!skipped.contains(name))
                collectWords(n->children, text);
            text += ' ';
        }
    }
}

QSet<QString> words(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("\\w+"), QRegularExpression::UseUnicodePropertiesOption);
    QSet<QString> out;
    for (QRegularExpressionMatchIterator it = word.globalMatch(text); it.hasNext();)
        out.insert(it.next().captured());
    return out;
}

QSet<QString> bodyWords(const QByteArray &bytes)
{
    const QByteArray u8 = DecodeHtml(bytes).toUtf8();
    htmlDocPtr doc = htmlReadMemory(u8.constData(), int(u8.size()), nullptr, "UTF-8",
                                    HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                                        | HTML_PARSE_IGNORE_ENC);
    QString text;
    if (doc)
        collectWords(xmlDocGetRootElement(doc), text);
    xmlFreeDoc(doc);
    return words(text);
}

} // namespace

TEST(WordHtmlImportCorpus, EveryWordOfEveryHelpPageIsInItsDocument)
{
    QC_REQUIRE_CORPUS("chm");
    ScratchDir dir;
    QStringList pages;
    for (const QFileInfo &chm : QDir(testsupport::corpusDir("chm")).entryInfoList({"*.chm"}, QDir::Files)) {
        Unpack u{dir.file(chm.completeBaseName()), 0};
        chmFile *h = chm_open(chm.absoluteFilePath().toUtf8().constData());
        ASSERT_TRUE(h) << chm.fileName().toStdString();
        chm_enumerate(h, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, unpackOne, &u);
        chm_close(h);
        EXPECT_GT(u.files, 0) << chm.fileName().toStdString();
        QDirIterator it(u.dir, {"*.htm", "*.html"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            pages << it.next();
    }
    ASSERT_FALSE(pages.isEmpty());
    pages.sort();
    RecordProperty("pages", int(pages.size()));

    Application app;
    Document *all = app.Documents().Add();
    Range r = all->Content();
    int checkedWords = 0;
    for (const QString &page : pages) {
        SCOPED_TRACE(page.toStdString());
        Document *doc = app.Documents().Open(page, wdOpenFormatWebPages);
        const QSet<QString> have = words(doc->Content().Text());
        QStringList missing;
        for (const QString &w : bodyWords(testsupport::readFile(page)))
            if (!have.contains(w))
                missing << w;
        checkedWords += int(have.size());
        EXPECT_TRUE(missing.isEmpty()) << missing.join(' ').toStdString();
        r.Collapse(wdCollapseEnd);
        r.setStyle(wdStyleHeading1);
        r.InsertAfter(QFileInfo(page).completeBaseName());
        r.Collapse(wdCollapseEnd);
        r.InsertParagraphAfter();
        r.Collapse(wdCollapseEnd);
        doc->Content().Copy();
        r.setStyle(wdStyleNormal);
        r.Paste();
        doc->Close(wdDoNotSaveChanges);
    }
    EXPECT_GT(checkedWords, 100);

    // Saved as .docx, the document reads back with the same text.
    const QString docx = dir.file("all pages.docx");
    all->SaveAs(docx, wdFormatXMLDocument);
    const QString text = all->Content().Text();
    Document *again = app.Documents().Open(docx);
    EXPECT_EQ(again->Content().Text(), text);

    // LibreOffice opens it: its PDF holds the pages' words.
    if (!lo::IsAvailable())
        GTEST_SKIP() << "soffice not found; the LibreOffice check was skipped";
    const QString pdf = dir.file("all pages.pdf");
    again->ExportAsFixedFormat(pdf, wdExportFormatPDF);
    QProcess toText;
    toText.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    if (!toText.waitForFinished(120000) || toText.exitCode() != 0)
        GTEST_SKIP() << "pdftotext not available; the PDF's text was not checked";
    const QSet<QString> pdfWords = words(QString::fromUtf8(toText.readAllStandardOutput()));
    int found = 0, tried = 0;
    for (const QString &w : words(text)) {
        if (w.size() < 6 || tried >= 200)
            continue;
        ++tried;
        found += pdfWords.contains(w);
    }
    RecordProperty("pdfWordsTried", tried);
    RecordProperty("pdfWordsFound", found);
    EXPECT_GT(tried, 20);
    EXPECT_GE(found, tried * 9 / 10);
}
