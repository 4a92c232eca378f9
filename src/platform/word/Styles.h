#pragma once
// The styles part of a document: lookup by id and by name, the chain of
// styles through w:basedOn, resolved properties and outline levels.
// Built-in styles are recognised by name ("heading 1" ...), without regard to
// case, because style ids are localised by the program that wrote the file.
#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <pugixml.hpp>

namespace word {

// Word's built-in style numbers (WdBuiltinStyle).
enum WdBuiltinStyle {
    wdStyleNormal = -1,
    wdStyleHeading1 = -2, // Heading n is -1 - n, down to Heading 9 = -10
    wdStyleHeading9 = -10,
    wdStyleIndex1 = -11, // Index n is -10 - n, down to Index 9 = -19
    wdStyleIndex9 = -19,
    wdStyleTOC1 = -20, // TOC n is -19 - n, down to TOC 9 = -28
    wdStyleTOC9 = -28,
    wdStyleDefaultParagraphFont = -66,
    wdStyleHyperlink = -86,
};

// Word's outline levels: 1 to 9, and 10 for body text.
inline constexpr int wdOutlineLevelBodyText = 10;

struct Style {
    QString id;
    QString name;
    QString type;    // "paragraph", "character", "table" or "numbering"
    QString basedOn; // style id, empty at the root of a chain
    QString next;
    QString link;
    bool isDefault = false;
    pugi::xml_node node; // the w:style element
};

class Styles {
public:
    // Reads the styles of a w:styles tree; nullptr gives no styles at all.
    explicit Styles(pugi::xml_document *stylesXml = nullptr);
    ~Styles();
    // Re-reads the tree after it was edited outside this class.
    void reload();

    const QList<Style> &all() const { return styles_; }
    const Style *byId(const QString &id) const;
    // Name lookup ignores case.
    const Style *byName(const QString &name) const;
    // The default style of a type (w:default="1"), e.g. "paragraph".
    const Style *defaultStyle(const QString &type = QStringLiteral("paragraph")) const;
    // The style and then its bases, nearest first; stops at a cycle or a
    // missing base.
    QList<const Style *> chain(const QString &id) const;

    // Properties from w:docDefaults (empty nodes when absent).
    pugi::xml_node defaultParagraphProperties() const;
    pugi::xml_node defaultRunProperties() const;
    // The w:pPr / w:rPr of a style with everything inherited merged in: the
    // document defaults, then each base from the root of the chain down; a
    // later element of the same name replaces an earlier one. An unknown id
    // gives the defaults. The nodes stay valid until the next reload().
    pugi::xml_node paragraphProperties(const QString &id) const;
    pugi::xml_node runProperties(const QString &id) const;

    // Outline level (1-9, 10 body text) that a paragraph style gives.
    int outlineLevel(const QString &styleId) const;
    // Outline level of a w:p element: a built-in heading style fixes it,
    // then direct formatting, then the style chain. Paragraphs without a
    // style use the default paragraph style.
    int paragraphOutlineLevel(pugi::xml_node p) const;
    // The level n of a built-in heading name ("heading n", in either case and
    // in a few common languages), or 0.
    static int headingLevelOfName(const QString &name);

    // The id of a built-in style given by Word's number (-1 Normal, -2 to -10
    // the headings, -11 to -19 Index 1-9, -20 to -28 TOC 1-9, -66 Default
    // Paragraph Font, -86 Hyperlink); empty when the document has none.
    QString builtInId(int wdStyle) const;
    // As builtInId, adding the style's standard definition when missing.
    // Needs a styles tree.
    QString ensureBuiltIn(int wdStyle);
    // The built-in number of a style id, or 0 when it is not built in.
    int builtInNumber(const QString &id) const;

    pugi::xml_document *document() const { return doc_; }

private:
    pugi::xml_node resolved(const QString &id, const char *element) const;

    pugi::xml_document *doc_ = nullptr;
    QList<Style> styles_;
    QHash<QString, int> byId_;
    QHash<QString, int> byName_; // lower-cased names
    mutable std::unique_ptr<pugi::xml_document> cache_;
    mutable QHash<QString, pugi::xml_node> resolvedCache_;
};

// The standard styles part of a new document: Normal, Heading 1 to 9
// (outline levels 1-9), Default Paragraph Font and Hyperlink.
QByteArray newStylesXml();

} // namespace word
