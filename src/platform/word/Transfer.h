#pragma once
// Carrying content from one document into another in memory (Word's Copy
// and Paste of a range, without the system clipboard). Copied content is
// held as a small package of its own, so the source may change or close
// before it is pasted. Pasting brings along what the content refers to:
// styles (matched by name; a missing style is copied), list definitions,
// pictures and other parts, hyperlinks, footnotes and endnotes; bookmarks
// keep their names unless the target already has one of that name.
#include <QHash>
#include <QSet>
#include <QString>
#include <memory>
#include <pugixml.hpp>

namespace word {

class Package;
class Styles;

// What a target document has used up, gathered once and kept up to date by
// each paste, so that a paste costs time by its own size only.
struct TransferIndex {
    bool built = false;
    QSet<QString> bookmarkNames; // lower-cased
    int nextBookmarkId = 0;
    int nextDrawingId = 1;
    int nextNumId = 1;
    int nextAbstractId = 0;
    int nextFootnoteId = 1;
    int nextEndnoteId = 1;
    int nextPart = 1;
    // Outside targets of the main part already related (type and target ->
    // id): content pasted again shares them.
    QHash<QString, QString> externalRelationships;
    // Pictures the main story can share, by content (see mediaKey) -> part.
    QHash<QByteArray, QString> media;
    void build(Package &pkg);
    // What makes a picture part the same as another: its content type and
    // bytes; empty for a part that is no picture (outside "word/media/").
    static QByteArray mediaKey(const QString &part, const QByteArray &bytes, const QString &contentType);
};

// Copied content: a package whose body holds it.
struct Clip {
    std::unique_ptr<Package> package;
    // The copy ends inside a paragraph: its last paragraph has no mark of its
    // own and joins the paragraph it is pasted into.
    bool openEnd = false;
    // Likewise at the start.
    bool openStart = false;
};

// Copies the main story's content from (startP, startOffset) to (endP,
// endOffset). An end past a paragraph's last character takes its mark.
// A range that starts or ends inside a table takes the whole table.
Clip CopyContent(Package &source, Styles &sourceStyles, pugi::xml_node startP, int startOffset,
                 pugi::xml_node endP, int endOffset);

// Pastes a clip into the target's main story at (p, offset). Gives the first
// paragraph of the pasted content and where it ends (the paragraph after it,
// offset 0, or the paragraph the content was merged into and the offset
// there).
struct PasteResult {
    pugi::xml_node firstP;
    int firstOffset = 0;
    pugi::xml_node endP;
    int endOffset = 0;
};
PasteResult PasteContent(Package &target, Styles &targetStyles, TransferIndex &index, pugi::xml_node p, int offset,
                         const Clip &clip);

} // namespace word
