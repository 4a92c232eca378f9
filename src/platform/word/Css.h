#pragma once
// Paragraph and run properties of WordprocessingML as Word writes them into
// HTML style text: lengths in inches or points, borders, shading, indents,
// spacing, alignment, colours and fonts.
//
// RunFormat and ParaFormat hold the properties of one layer or of a whole
// chain (document defaults, styles, direct formatting): apply() lays one
// w:rPr / w:pPr over what is already there.
#include <QHash>
#include <QString>
#include <optional>
#include <pugixml.hpp>

namespace word {

struct BorderFormat {
    QString style;   // w:val ("single", "double", "nil" ...)
    int eighths = 0; // width in eighths of a point
    QString color;   // "auto" or RRGGBB
    int space = 0;   // distance to the text in points
    bool isNone() const;
    bool operator==(const BorderFormat &) const = default;
};

struct ShadingFormat {
    QString val, color, fill;
    // The colour the shading shows as ("#D9D9D9"), or empty for none.
    QString background() const;
    bool operator==(const ShadingFormat &) const = default;
};

// Fonts the document's theme gives for theme-font references.
struct FontContext {
    QString majorLatin = QStringLiteral("Calibri Light");
    QString minorLatin = QStringLiteral("Calibri");
    QString majorEastAsia, minorEastAsia, majorBidi, minorBidi;
    // Font name -> CSS generic family ("sans-serif", "serif", "monospace").
    QHash<QString, QString> generic;
    // Reads the theme's font scheme (a:theme) and the font table (w:fonts).
    void load(pugi::xml_node theme, pugi::xml_node fontTable);
};

struct RunFormat {
    std::optional<bool> bold, italic, strike, dstrike, caps, smallCaps, vanish;
    std::optional<QString> underline;  // w:u value ("single", "none" ...)
    std::optional<QString> font;       // a face name, or "@major"/"@minor" for theme fonts
    std::optional<int> halfPoints;     // w:sz
    std::optional<QString> color;      // RRGGBB or "auto"
    std::optional<QString> highlight;  // w:highlight name
    std::optional<ShadingFormat> shading;
    std::optional<QString> vertAlign;  // "superscript", "subscript", "baseline"
    std::optional<int> spacing;        // letter spacing in twips
    std::optional<int> position;       // raise in half-points
    std::optional<BorderFormat> border;
    std::optional<QString> rStyle;

    void apply(pugi::xml_node rPr);
    // The face name, theme references resolved.
    QString fontName(const FontContext &fonts) const;
};

struct ParaFormat {
    std::optional<QString> jc;
    std::optional<int> indLeft, indRight, indFirstLine, indHanging; // twips
    std::optional<int> spaceBefore, spaceAfter, line;               // twips / 240ths
    std::optional<bool> beforeAuto, afterAuto;
    std::optional<QString> lineRule;
    std::optional<bool> contextualSpacing, keepNext, keepLines, pageBreakBefore, bidi;
    std::optional<BorderFormat> top, bottom, left, right, between;
    std::optional<ShadingFormat> shading;
    std::optional<int> numId, ilvl;
    std::optional<QString> pStyle;

    void apply(pugi::xml_node pPr);
    // Indent of the first line against the left indent, in twips (negative: hanging).
    int firstLineOffset() const;
};

namespace css {
// Points as Word writes them: "8.0pt", ".5pt", "521.55pt", "0pt".
QString points(double pt);
// A length in twips: inches when a whole number of hundredths ("0in",
// ".25in", "-.5in", "1.5in"), else points.
QString twips(int twips);
// A colour "RRGGBB" as "#RRGGBB"; "auto" gives autoValue.
QString color(const QString &value, const QString &autoValue);
// A highlight name ("yellow", "darkBlue") as a CSS colour; empty for none.
QString highlight(const QString &name);
// "solid windowtext 1.0pt", or "none".
QString border(const BorderFormat &b);
// "\"Calibri\",sans-serif" (a generic family is added when the font table knows one).
QString fontFamily(const QString &face, const FontContext &fonts);
} // namespace css

// Style text of a run's properties that differ from base (all of them
// when base is null). Bold, italic, underline, strike and super/subscript
// are left to elements when tagsForEmphasis is set.
QString RunCss(const RunFormat &f, const RunFormat *base, const FontContext &fonts,
               bool tagsForEmphasis);
// Style text of a paragraph's properties that differ from base.
QString ParaCss(const ParaFormat &f, const ParaFormat *base);
// The paragraph's alignment as an HTML align value ("center", "right",
// "justify"), or empty for left.
QString ParaAlign(const ParaFormat &f);

} // namespace word
