#pragma once
// Saving a document as filtered HTML (Document::SaveAs with
// wdFormatFilteredHTML): the page at fileName, its pictures in the folder
// named after the page followed by WebOptions().FolderSuffix(), the text in
// the code page of WebOptions().Encoding(). Throws Exception on failure.
#include <QString>

namespace word {

class Document;

void WriteFilteredHtml(const Document &doc, const QString &fileName);

} // namespace word
