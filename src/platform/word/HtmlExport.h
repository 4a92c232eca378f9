#pragma once
// The filtered-HTML writer behind Document::SaveAs with file format 10. It
// writes a document's main part in Word's own HTML dialect: MsoNormal
// classes and h1..h6 by outline level, list numbers as text, Symbol and
// Wingdings bullet spans, bookmarks as empty anchors, pictures in a folder
// beside the page, a charset meta naming the chosen code page.
#include <QString>

namespace word {

class Package;

struct HtmlExportOptions {
    // Windows code page of the page (WebOptions.Encoding); characters it
    // cannot hold are written as numeric references.
    int codePage = 65001;
    // Suffix of the pictures' folder beside the page (WebOptions.FolderSuffix).
    QString folderSuffix = QStringLiteral("_files");
    // The page text may grow to this many characters; a document that needs
    // more is refused. The passes after the export hold several copies of
    // the page, and no real document comes near it.
    qsizetype maxPageChars = 100'000'000;
};

// Writes the package's main document as filtered HTML at fileName, its
// pictures in the folder "<page base name><folderSuffix>" beside it. Throws
// Exception naming the file when the page or a picture cannot be written;
// an earlier page of that name is replaced only when the new one is complete.
void ExportFilteredHtml(const Package &package, const HtmlExportOptions &options,
                        const QString &fileName);

// The charset name Word writes for a Windows code page ("windows-1252",
// "utf-8", "shift_jis" ...).
QString HtmlCharsetName(int codePage);

// The page text as bytes of the code page; characters the code page cannot
// hold become "&#N;" references. Throws Exception when the code page is not
// available here.
QByteArray EncodeHtml(const QString &html, int codePage);

} // namespace word
