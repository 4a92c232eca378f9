#pragma once
// Opening an HTML page as a document (Documents.Open with format 7). The page
// is read by libxml2's forgiving HTML parser and its elements become
// WordprocessingML: headings, paragraphs, character formatting, lists as real
// numbering, tables with merged cells, embedded pictures, hyperlinks and
// bookmarks. Pages as help files hold them are expected: HTML 3.2 to XHTML,
// in any Windows code page named by a charset meta, or in UTF-8/UTF-16.
#include <QByteArray>
#include <QString>
#include <memory>

namespace word {

class Package;

// Reads the page at fileName into a new document package. Pictures are looked
// up relative to the page's folder and read only from inside pictureFolder
// (the page's folder when empty), after following links. Throws Exception
// naming the file when it cannot be read.
std::unique_ptr<Package> ImportHtmlFile(const QString &fileName, const QString &pictureFolder = QString());
// Readies the HTML parser's shared state once. libxml2 must be set up on
// one thread before pages are read on several: Application does it.
void PrepareHtmlParser();
// Pages larger than this are refused rather than parsed.
constexpr qint64 MaxHtmlPageBytes = 256ll * 1024 * 1024;

// The same for a page held in memory; baseDir is where its pictures are.
std::unique_ptr<Package> ImportHtml(const QByteArray &bytes, const QString &baseDir,
                                    const QString &pictureFolder = QString());

// The page's text decoded to Unicode: a byte-order mark, else the charset
// that a meta element names, else Windows-1252 (also for a charset that is
// unknown here, as browsers do).
QString DecodeHtml(const QByteArray &bytes);

// A bookmark name that Word accepts, made from any text: letters, digits and
// "_" only, beginning with a letter or "_", at most 40 characters. Names that
// are already valid come back unchanged; others are changed the same way
// every time, so links that name the original find the bookmark.
QString ValidBookmarkName(const QString &name);

} // namespace word
