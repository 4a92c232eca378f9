#include "platform/word/HtmlWriter.h"

#include "platform/word/Document.h"
#include "platform/word/HtmlExport.h"

namespace word {

void WriteFilteredHtml(const Document &doc, const QString &fileName)
{
    HtmlExportOptions options;
    options.codePage = doc.WebOptions().Encoding();
    options.folderSuffix = doc.WebOptions().FolderSuffix();
    ExportFilteredHtml(doc.package(), options, fileName);
}

} // namespace word
