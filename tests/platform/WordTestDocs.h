#pragma once
// Opening documents built by DocxBuilder in a test's scratch folder.
#include "platform/DocxBuilder.h"
#include "platform/word/Document.h"
#include "support/TestSupport.h"

namespace testsupport {

// Writes the document to dir/name and opens it in app.
inline word::Document *openBuilt(word::Application &app, const ScratchDir &dir, const DocxBuilder &builder,
                                 const QString &name = QStringLiteral("test.docx"))
{
    builder.write(dir.file(name));
    return app.Documents().Open(dir.file(name));
}

// A paragraph with one run of text.
inline QByteArray para(const QByteArray &text, const QByteArray &pPr = QByteArray())
{
    return "<w:p>" + (pPr.isEmpty() ? QByteArray() : "<w:pPr>" + pPr + "</w:pPr>") + "<w:r><w:t xml:space=\"preserve\">"
           + text + "</w:t></w:r></w:p>";
}

// The runs of a complex field: code split over the given pieces, then result.
inline QByteArray field(const QList<QByteArray> &codePieces, const QByteArray &result = QByteArray())
{
    QByteArray x = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>";
    for (const QByteArray &c : codePieces)
        x += "<w:r><w:instrText xml:space=\"preserve\">" + c + "</w:instrText></w:r>";
    x += "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>";
    if (!result.isEmpty())
        x += "<w:r><w:t xml:space=\"preserve\">" + result + "</w:t></w:r>";
    x += "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    return x;
}

} // namespace testsupport
