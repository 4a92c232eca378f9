#pragma once
// String-based HTML routines: pages are handled as text, never as a tree.
// Markers are found without regard to case; where a routine lower-cases a
// marker before searching, the texts it returns keep that lower-case spelling
// of the marker and everything else keeps its case. All routines are pure and
// safe on any thread.
#include "foundation/HtmlTables.h"

#include <QString>

// Where a page's head content was cut out (SplitHtmlHead).
inline const QString HeadPlaceholder = QStringLiteral("($Head$)");

// &, double quote, <, > and U+00A9 as character references (ampersand first).
QString EscapeHtml(const QString &text);
// Decodes named (HtmlEntities, case-sensitive) and decimal references in one
// pass. A name followed by ";" is taken whole; without ";" the shortest name
// that the text begins with is taken. A decimal reference that names no
// character (0, above U+10FFFF, or too long for 32 bits) stays as written.
// Anything else that is not a reference is copied unchanged.
QString UnescapeHtml(const QString &text);
// True when the text is ASCII carrying at least two character references.
bool IsEntityEncoded(const QString &text);
// An attribute value as a browser reads it: UnescapeHtml, and hexadecimal
// references ("&#x6A;") decoded first.
QString DecodeAttributeValue(const QString &value);
// True when a link address taken from an attribute runs script or carries
// its own content when followed: the schemes "javascript:", "vbscript:" and
// "data:", recognised as a browser does (references decoded, blanks and
// control characters ignored, any case).
bool IsScriptLink(const QString &href);

// The decoded text of the page's title element without line breaks, or empty.
QString GetHtmlTitle(const QString &page);
// The page with its title element set to the escaped title; a page without a
// title element gets one after each "<head>"; a page without "<head>" none.
QString SetHtmlTitle(const QString &page, const QString &title);

// The content of the head element, or empty.
QString GetHtmlHead(const QString &page);

struct THtmlHeadSplit {
    QString Page; // the page with its head content replaced by HeadPlaceholder
    QString Head; // the head content that was cut out
};
// Cuts out the head content; a page without head comes back unchanged with an
// empty head.
THtmlHeadSplit SplitHtmlHead(const QString &page);

struct THtmlBodySplit {
    QString BeforeBody; // up to and including the body start tag
    QString Body;       // the body content
    QString AfterBody;  // from the closing body tag to the end
};
// Cuts a page at its body. Without a body start tag the whole page is the body.
THtmlBodySplit SplitHtmlBody(const QString &page);

// The text without script elements; an unclosed script drops the rest.
QString RemoveScripts(const QString &text);
// The text without the stretches from each start marker through the end
// marker that follows it (case-sensitive). An unclosed stretch is kept.
QString RemoveBetween(const QString &text, const QString &startMarker, const QString &endMarker);
// The text without the marked stretches (markers matched without regard to
// case) that contain the filter, or all of them when the filter is empty.
QString RemoveMarkedBlocks(const QString &text, const QString &startMarker,
                           const QString &endMarker, const QString &filter);

// The value of one attribute of a tag's text (name without regard to case;
// value quoted with " or ', or bare), or empty.
QString GetTagAttribute(const QString &tag, const QString &attributeName);
// The first start tag of that name, "<" through ">", as written; or empty.
QString GetFirstTag(const QString &text, const QString &tagName);
// Each whitespace run inside the start tags of that name made one space.
QString CompactTagMarkup(const QString &text, const QString &tagName);

// Whitespace runs made one space, both ends trimmed.
QString CollapseWhitespace(const QString &text);
// Whitespace removed from both ends.
QString TrimWhitespace(const QString &text);
// Runs of "&nbsp;" and of spaces after one "&nbsp;" made a single "&nbsp;".
QString CollapseNbsp(const QString &text);

// True when the text holds only space, CR, LF and TAB (or nothing).
bool IsBlankText(const QString &text);
// True when the fragment shows nothing: no text but blanks and "&nbsp;"
// outside tags, and no img element.
bool IsBlankHtml(const QString &html);
// Fuzzy equality of two short texts: recurring runs of at least three
// matching characters must cover more than 80% of the shorter text.
bool IsSimilarText(const QString &text1, const QString &text2);
// The same test on texts made comparable once with SimilarityKey, for
// comparing many texts with each other. Texts whose lengths differ by more
// than kSimilarLengthSpread are never similar.
QString SimilarityKey(const QString &text);
bool IsSimilarLowerText(const QString &key1, const QString &key2);
constexpr qsizetype kSimilarLengthSpread = 50;
