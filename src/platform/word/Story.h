#pragma once
// The text of a story (the body, a header, a footnote ...) as Word counts
// it: paragraphs in document order, each a sequence of characters followed by
// its paragraph mark. Edits (inserting text, splitting and joining
// paragraphs, styling a stretch of text) work on the XML tree directly.
//
// Characters of a paragraph: the letters of w:t (and w:delText,
// w:instrText), one for each field character, tab, break, symbol, note
// reference and inline object (w:drawing, w:pict, w:object). Field codes
// take positions but are hidden from the visible text, as in Word.
#include <QString>
#include <functional>
#include <pugixml.hpp>
#include <vector>

namespace word::story {

enum class AtomKind {
    Text,      // w:t, w:delText: text characters
    Code,      // w:instrText, w:delInstrText: field code characters
    FieldBegin,
    FieldSeparate,
    FieldEnd,
    Char,   // one character: tab, break, symbol, note reference ...
    Object, // an inline drawing, picture or object
};

struct Atom {
    AtomKind kind;
    pugi::xml_node run;  // the w:r holding the atom
    pugi::xml_node node; // the element inside the run
    int start;           // offset in the paragraph
    int length;
};

// Paragraphs of a story root in document order: through tables, content
// controls, custom XML and smart tags, but not into text boxes.
std::vector<pugi::xml_node> paragraphs(pugi::xml_node root);

// The characters of a paragraph in order.
std::vector<Atom> atoms(pugi::xml_node p);
// Number of characters before the paragraph mark.
int length(pugi::xml_node p);
// The visible text of characters [from, to) of a paragraph: field codes are
// left out, tabs are "\t", line breaks "\v", page breaks "\f", objects "\x01".
QString text(pugi::xml_node p, int from, int to);
// The visible text of one character (empty for field characters and codes).
QString atomText(const Atom &a);
// Calls visit for each character after `from` (an element of a run) in
// document order, through the following paragraphs of the story, until it
// gives false. The offsets (start) of the characters are not meaningful.
void forEachAtomAfter(pugi::xml_node from, const std::function<bool(const Atom &)> &visit);
// The offset of an element of a run inside the paragraph (its first
// character), or -1.
int offsetOf(pugi::xml_node p, pugi::xml_node element);
// The paragraph holding a node (its nearest w:p ancestor), or a null node.
pugi::xml_node paragraphOf(pugi::xml_node node);
// The run holding a node (its nearest w:r ancestor), or a null node.
pugi::xml_node runOf(pugi::xml_node node);

// Inserts text at an offset of a paragraph: "\r\n", "\r", "\n" and "\v"
// ... each line break ends a paragraph (Word's paragraph mark); "\t"
// becomes a tab. The inserted runs take the formatting of the character
// before the point (of the first character at the start of a paragraph).
// Gives the paragraph and offset just after the inserted text.
struct Point {
    pugi::xml_node p;
    int offset;
};
Point insertText(pugi::xml_node p, int offset, const QString &text);

// Splits a paragraph at an offset: the part after it becomes a new paragraph
// with the same properties, which is returned. A section break stays with
// the second part.
pugi::xml_node splitParagraph(pugi::xml_node p, int offset);
// Joins the next paragraph into p (p's paragraph mark is removed): p keeps its
// properties, the next paragraph's content is appended, and it is removed.
void joinWithNext(pugi::xml_node p, pugi::xml_node next);

// Makes sure a run boundary falls at an offset and gives the insertion point
// there: new content goes into parent before `before` (a null `before`
// appends to parent).
struct InsertPoint {
    pugi::xml_node parent;
    pugi::xml_node before;
};
InsertPoint splitAt(pugi::xml_node p, int offset);

// Sets the character style of characters [from, to) of a paragraph.
void setCharacterStyle(pugi::xml_node p, int from, int to, const QString &styleId);
// Sets the character style of a whole run.
void setRunStyle(pugi::xml_node run, const QString &styleId);
// Sets the paragraph style of a paragraph.
void setParagraphStyle(pugi::xml_node p, const QString &styleId);

// Removes every node from `first` to `last` inclusive, in document order
// (both inside one story). Paragraphs lying wholly between them go too; when
// the two lie in different paragraphs these are joined.
void removeRange(pugi::xml_node first, pugi::xml_node last);

// Removes a run when nothing but its properties is left in it.
void removeIfEmptyRun(pugi::xml_node run);

// The paragraph after p in document order inside the same story (through
// tables and content controls, not into or out of text boxes), or null.
pugi::xml_node nextParagraph(pugi::xml_node p);

// True when `a` comes before `b` in document order.
bool precedes(pugi::xml_node a, pugi::xml_node b);

} // namespace word::story
