#pragma once
// List numbers and bullets of a document, from its numbering part
// (w:numbering): abstract definitions, their instances with level overrides,
// and the counters that a walk through the paragraphs advances.
//
// Counters belong to the abstract definition, so instances that share one
// continue each other's numbering, as Word does; an instance with a start
// override restarts the overridden levels where it is first used.
#include <QHash>
#include <QString>
#include <array>
#include <pugixml.hpp>

namespace word {

enum class ListSuffix { Tab, Space, Nothing };

// One level of a list definition (w:lvl), after the instance's overrides.
struct ListLevel {
    int start = 1;
    QString numFmt = QStringLiteral("decimal");
    QString customFormat; // w:format of numFmt "custom" ("001, 002, 003")
    QString lvlText;
    QString lvlJc = QStringLiteral("left");
    QString pStyle;       // the paragraph style linked to this level
    int restart = -1;     // w:lvlRestart: -1 default, 0 never, n after level n
    bool isLgl = false;
    ListSuffix suffix = ListSuffix::Tab;
    pugi::xml_node pPr;   // the level's paragraph properties (indents, tabs)
    pugi::xml_node rPr;   // the level's run properties (the number's font)
    bool defined = false; // false for a level the definition does not have
};

// What a numbered paragraph shows before its text.
struct ListLabel {
    QString text;  // the number or bullet; symbol-font characters as 8-bit characters
    QString font;  // the font the level names for its number (may be empty)
    bool bullet = false;
    ListSuffix suffix = ListSuffix::Tab;
    const ListLevel *level = nullptr;
    bool isNull() const { return level == nullptr; }
};

class Numbering {
public:
    Numbering() = default;
    // Reads the numbering part's root (w:numbering); styles (w:styles) resolve
    // definitions that link to a numbering style. Either may be empty.
    explicit Numbering(pugi::xml_node numbering, pugi::xml_node styles = pugi::xml_node());
    void load(pugi::xml_node numbering, pugi::xml_node styles = pugi::xml_node());

    // True when numId names an instance with a definition (0 never does).
    bool hasList(int numId) const;
    // The level definition of an instance, or nullptr.
    const ListLevel *level(int numId, int ilvl) const;
    // The abstract definition behind an instance, or -1.
    int abstractOf(int numId) const;

    // Advances the counters for a paragraph at (numId, ilvl) and gives its label;
    // a null label when the instance or level is unknown.
    ListLabel next(int numId, int ilvl);
    // Sets every counter back to its start (for a second walk).
    void resetCounters();

private:
    struct Instance {
        int abstractId = -1;
        std::array<ListLevel, 9> levels;
        std::array<bool, 9> startOverride{};
        bool used = false;
    };
    struct Counters {
        std::array<int, 9> value{};
        std::array<bool, 9> set{};
    };
    QString labelText(const Instance &inst, const Counters &c, int ilvl) const;

    QHash<int, Instance> instances_;
    QHash<int, Counters> counters_; // by abstract definition
};

// A counter value in a numbering format (decimal, lowerRoman, upperLetter,
// ordinal, cardinalText, bullet ...); unknown formats give decimal.
QString FormatListNumber(int value, const QString &numFmt,
                         const QString &customFormat = QString());

// True for fonts whose characters Word stores in the private-use range
// U+F020..U+F0FF (Symbol, Wingdings, Webdings ...).
bool IsSymbolFont(const QString &font);
// The 8-bit character that a private-use symbol-font character stands for,
// as Word writes it into HTML (the byte read in code page 1252: U+F0B7 gives
// U+00B7, U+F0A7 gives U+00A7); other characters are returned unchanged.
QChar SymbolFontChar(QChar c);
QString SymbolFontText(const QString &text);
// The text of a Symbol or Wingdings run (private-use or 8-bit characters) as
// the Unicode characters that show the same signs in any font: Symbol's "a"
// is U+03B1, Wingdings' 0xFC a check mark. Other fonts, and characters
// without a counterpart, give SymbolFontText.
QString SymbolFontUnicode(const QString &font, const QString &text);

} // namespace word
