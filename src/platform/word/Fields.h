#pragma once
// Fields in WordprocessingML: complex fields (w:fldChar begin, code in
// w:instrText, separate, result, end; nested, spanning runs and paragraphs)
// and simple fields (w:fldSimple), which are rewritten into complex ones when
// a document is opened so that one form serves every edit.
#include <QString>
#include <QStringList>
#include <pugixml.hpp>
#include <vector>

namespace word::fields {

// Word's field type numbers (WdFieldType) of the field kinds used here.
enum WdFieldType {
    wdFieldEmpty = -1,
    wdFieldRef = 3,
    wdFieldIndexEntry = 4,
    wdFieldTOC = 13,
    wdFieldPageRef = 37,
    wdFieldHyperlink = 88,
};

// The type of a field code from its first word (case ignored); an empty or
// unknown code gives wdFieldEmpty.
int typeOfCode(const QString &code);

// Rewrites every w:fldSimple under root into complex-field runs.
void normaliseSimpleFields(pugi::xml_node root);

// A field: its three w:fldChar elements (separate may be null).
struct Field {
    pugi::xml_node begin;
    pugi::xml_node separate;
    pugi::xml_node end;
    bool operator==(const Field &o) const { return begin == o.begin; }
};

// The fields whose begin character lies in the paragraph, in order of their
// begin character (an outer field before the fields nested in it). A field
// without its end is left out.
std::vector<Field> inParagraph(pugi::xml_node p);

// The fields of a whole story in one pass, grouped by the paragraph of their
// begin character (same order as inParagraph). parent[i] is the index of the
// field that fields[i] is nested in when that one begins in the same
// paragraph, else -1.
struct ParagraphFields {
    std::vector<Field> fields;
    std::vector<int> parent;
};
std::vector<ParagraphFields> inParagraphs(const std::vector<pugi::xml_node> &paragraphs);

// The field's own code (the instruction text of nested fields left out).
QString code(const Field &f);
// Replaces the field's code; nested fields inside the code go. Gives true
// when there were such fields.
bool setCode(const Field &f, const QString &code);
// The visible text of the result.
QString resultText(const Field &f);
// Replaces the result by plain text (in the formatting of the result's first run).
void setResultText(const Field &f, const QString &text);
// Sets the character style of every run of the result.
void setResultStyle(const Field &f, const QString &styleId);
// Removes the field with its code and result.
void remove(const Field &f);
// Recomputes the result where this engine can: a REF field shows the text of
// its bookmark (looked up in storyRoot); other fields keep their result.
// Gives false when a REF names a missing bookmark (the result is then left).
// *removedFields tells whether fields nested in the old result went.
bool update(const Field &f, pugi::xml_node storyRoot, bool *removedFields = nullptr);

// The visible text between a bookmark's start and end, or a null string when
// there is no such bookmark.
QString bookmarkText(pugi::xml_node storyRoot, const QString &name);

// The quoted text of an index entry (XE) whose levels are given, main entry
// first: the levels joined by ":", and in each a backslash, a double quote and
// a colon escaped with a backslash, so that each reads back as it was.
QString indexEntryText(const QStringList &levels);
// The levels of the first quoted text of an XE field's code, escapes undone;
// empty without a closing quote.
QStringList indexEntryLevels(const QString &code);

} // namespace word::fields
