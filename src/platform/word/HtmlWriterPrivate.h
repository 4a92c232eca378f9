#pragma once
// The filtered-HTML writer's inner parts, shared by its source files
// (HtmlExport.cpp: paragraphs, runs, fields, notes and the head;
// HtmlTables.cpp: tables; HtmlDrawings.cpp: pictures, shapes and text boxes).
#include "platform/word/Css.h"
#include "platform/word/HtmlExport.h"
#include "platform/word/Numbering.h"
#include "platform/word/Styles.h"

#include <QHash>
#include <QList>
#include <QString>
#include <map>
#include <set>
#include <memory>
#include <pugixml.hpp>

namespace word {

class Package;

namespace html {

inline const QLatin1String kNl("\r\n");

// Text for HTML: & < > escaped, no-break spaces and runs of blanks as &nbsp;.
QString escapeText(QStringView s);
// Style text for a single-quoted attribute.
QString styleAttr(const QString &css);
// A value for a double-quoted attribute.
QString escapeAttr(const QString &s);

struct LinkTarget {
    QString href, title, target;
};

// "<a href=... title=... target=...>" for a link.
QString linkOpenTag(const LinkTarget &t);

struct FieldState {
    QString code;
    bool separated = false;
    bool isLink = false;
    LinkTarget link;
    pugi::xml_node ffData;    // a form field's data (check box state, list entries)
    qsizetype resultAt = -1;  // where the result began in the page text
};

struct Note {
    QString part; // "word/footnotes.xml"
    QString id;
    QString mark; // "1", "i"
    bool endnote = false;
};

// Where an anchored frame stands among the text, as Word lays it out: text
// flows around a wrapped frame on the side away from it; a frame with text
// above and below only, or none at all (in front of or behind the text),
// stands on lines of its own. So that no frame covers text in a page, the
// paragraph holding floating frames ends below them.
struct Placement {
    QString side;       // "left", "right" or "center" for a frame text flows around
    bool block = false; // a frame on lines of its own
};

// Writes one document as one page with its pictures; lives for one export.
class Writer {
public:
    // Content nested deeper than this (tables in tables, content controls,
    // groups) is refused: it only comes from damaged or hostile files.
    static constexpr int kMaxDepth = 100;
    Writer(const Package &package, const HtmlExportOptions &options, const QString &fileName);
    void run();

private:
    // Formats
    const ParaFormat &styleParaFormat(const QString &styleId);
    const RunFormat &styleRunFormat(const QString &styleId);
    RunFormat runFormat(const QString &paraStyle, pugi::xml_node rPr);
    // The table style's layers (the style and its conditional parts) that
    // apply to the cell being written, lowest first.
    QList<pugi::xml_node> cellLayers_;
    QString paraStyleOf(pugi::xml_node p) const;
    QString classOf(const QString &styleId, int headingElement);

    // Blocks
    void writeBlocks(pugi::xml_node container);
    // A paragraph's format: its style, the table layers around it, its list
    // level's properties (levelPPr, may be null) and its own (pPr).
    ParaFormat layeredFormat(const QString &styleId, pugi::xml_node levelPPr, pugi::xml_node pPr);
    // A paragraph's format from its style, table layers, list level and
    // own properties, as its borders and indents show.
    ParaFormat paragraphFormat(pugi::xml_node p);
    // What a bordered paragraph shares with the others of its box (borders
    // and indents); empty for a paragraph outside any box.
    QString boxKey(pugi::xml_node p);
    // Opens the box that starts at a bordered paragraph: it holds that
    // paragraph and the ones after it with the same key.
    void openBox(pugi::xml_node first);
    struct Box {
        pugi::xml_node last; // the box's last paragraph
        int left = 0;        // the box's left edge against the text column, in twips
    };
    std::optional<Box> box_;
    void writeParagraph(pugi::xml_node p);
    void writeTable(pugi::xml_node tbl);
    void writeSectionBreak(pugi::xml_node nextSectPr);
    void writeNotes();
    void writeListLabel(const ListLabel &label, const ParaFormat &pf, pugi::xml_node markPr);

    // Inline content
    void writeInline(pugi::xml_node parent);
    void writeRun(pugi::xml_node r);
    void writeDrawing(pugi::xml_node drawing);
    void writeVml(pugi::xml_node container);
    void writeTextBox(pugi::xml_node txbxContent, int widthPx, const QString &align, bool framed);
    // A picture, inside a link of its own when link is given and no link is open.
    void writeImage(const QString &src, int w, int h, const QString &alt, const QString &align,
                    const LinkTarget *link = nullptr);
    QString imageFromRelationship(const QString &relId, int w, int h);
    std::pair<int, int> textColumnTwips() const;
    // After a frame was written from start on: breaks the lines around a
    // frame of its own lines, notes a floating one.
    void placeFrame(qsizetype start, bool visibleBefore, const Placement &place);
    bool floated_ = false; // the current paragraph holds a floating frame
    // A picture rendered from the drawing (w:drawing, or a VML shape or group)
    // when the page's pictures are written.
    QString renderedDrawing(pugi::xml_node drawing, int w, int h);
    // The link of a picture's a:hlinkClick (or a VML shape's href); no href when none.
    LinkTarget pictureLink(pugi::xml_node hlinkClick) const;
    void writeNoteReference(pugi::xml_node ref, bool endnote);
    void emitText(const QString &html);
    void flushRun();
    bool hidden() const;
    void openLink(const LinkTarget &t);
    void closeLink();
    void bookmark(pugi::xml_node start);

    QString addPictureFile(const QByteArray &bytes, QString ext, int w, int h, const QString &key);
    void writeFiles();
    QString head();

    const Package &pkg_;
    HtmlExportOptions opt_;
    QString fileName_;
    QString filesFolder_; // "doc_files"
    QString mainPart_;
    QString part_; // the part whose relationships apply
    std::unique_ptr<Styles> styles_;
    Numbering numbering_;
    FontContext fonts_;
    QString defaultParaStyle_;

    QString out_;
    // Run formatting currently open in the output.
    QString runOpen_, runClose_;
    // The run format of the current paragraph's style and its style id.
    QString paraStyle_;
    const RunFormat *paraBase_ = nullptr;
    struct RunMarkup {
        QString open, close;
        bool symbolFont = false; // private-use characters stand for the font's 8-bit ones
        QString font;            // the run's font
    };
    RunMarkup markupFor(const RunFormat &f) const;
    QByteArray layersKey() const;
    RunMarkup currentMarkup_;
    // The current paragraph's proportional line height ("115%"): runs of
    // another size repeat it, since CSS would inherit the computed length.
    QString paraLineHeight_;
    QHash<QByteArray, RunMarkup> runMarkupCache_;
    QHash<QByteArray, QString> paraCssCache_;
    struct LabelMarkup {
        QString open, close;
        double sizePt = 11;
    };
    QHash<QByteArray, LabelMarkup> labelCache_;
    QHash<QByteArray, int> outlineCache_;
    QString footnotesPart_, endnotesPart_;
    bool visible_ = false; // the current paragraph shows something
    QStringList pendingBookmarks_;
    QList<FieldState> fields_;
    bool linkOpen_ = false;

    QHash<QString, ParaFormat> paraCache_;
    QHash<QString, RunFormat> runCache_;
    QHash<QString, QString> classCache_;
    // Class -> heading elements it is used with (0 for p).
    std::map<QString, std::set<int>> usedClasses_; // ordered, so the style sheet is the same every run
    QHash<QString, QString> classStyle_; // class -> style id
    // Nesting depth of blocks, inline containers and shape groups.
    int depth_ = 0;
    struct DepthGuard {
        Writer &w;
        explicit DepthGuard(Writer &writer);
        ~DepthGuard() { --w.depth_; }
    };
    QList<pugi::xml_node> sections_;
    int sectionCount_ = 1;

    // Pictures
    struct Picture {
        QString name;
        QByteArray bytes;
        QString fallbackName; // the metafile's own name, used when it cannot be converted
        bool metafile = false;
        bool converted = true;
        int w = 0, h = 0;
        pugi::xml_node drawing; // rendered from this drawing when set
        QString drawingPart;
    };
    QList<Picture> pictures_;
    QHash<QString, QString> pictureByKey_;

    QList<Note> notes_;
    QHash<QString, int> noteIndex_;
    int footnoteCount_ = 0, endnoteCount_ = 0;
    const Note *currentNote_ = nullptr;
    bool inParagraph_ = false;
};


} // namespace html
} // namespace word
