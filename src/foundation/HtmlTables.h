#pragma once
// The fixed vocabulary of the string-based HTML routines: the whitespace set,
// element-name lists grouped by how page scanners treat them, link attributes,
// page extensions, the character-entity table and the element records of the
// help-file importer's page scanners. The tables are built in code on first
// use (thread-safe) and are read-only afterwards.
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>
#include <vector>

// A small fixed set of characters, tested with contains().
class THtmlCharSet {
public:
    constexpr THtmlCharSet(char16_t a, char16_t b, char16_t c, char16_t d) : chars_{a, b, c, d} {}
    constexpr bool contains(QChar ch) const
    {
        for (char16_t c : chars_)
            if (ch.unicode() == c)
                return true;
        return false;
    }

private:
    char16_t chars_[4];
};

// TAB, LF, CR and space: the whitespace test of every HTML scanner.
inline constexpr THtmlCharSet HtmlSpaceChars(u'\t', u'\n', u'\r', u' ');

// Element-name lists: sorted, entries in capitals. Look a name up through the
// predicates below, which convert it to capitals first.
const QStringList &BlockTags();      // 35 block-level elements, BR included
const QStringList &BlockTagsNotP();  // BlockTags without P and BR (33)
const QStringList &NonTextTags();    // 16 elements whose text is not page text
const QStringList &EmptyTags();      // 20 elements treated as having no end tag
const QStringList &LinkAttributes(); // HREF, SRC, BACKGROUND
const QStringList &HtmlExtensions(); // .HTML, .HTM, .SHTML, .SHT

bool IsBlockTag(const QString &tagName);
bool IsBlockTagNotP(const QString &tagName);
bool IsNonTextTag(const QString &tagName);
bool IsEmptyTag(const QString &tagName);
bool IsLinkAttribute(const QString &attributeName);
bool IsHtmlExtension(const QString &extensionWithDot);

// Extension of generated pages, indexed by a project's page-extension setting
// (0 ".htm", 1 ".html").
const std::array<QString, 2> &PageExtensions();

// The entity table: rows "name:code", sorted by name (case-sensitive), the code
// a decimal UTF-16 code unit. 263 rows; "nbsp" decodes to a plain space.
const QStringList &HtmlEntities();
// The code of an entity name (case-sensitive), or -1 when there is no such row.
int HtmlEntityCode(QStringView name);

// One element of a page as the importer's scanners record it.
class THtmlTag {
public:
    virtual ~THtmlTag() = default;

    QString Name;
    QString Start;
    QString Inner;
    QString Tail;
    QString InnerText;
    bool HasHeading = false;
    bool NonDoc = false;
    qint32 Blocks = 0;
    qint32 CharCount = 0;
    bool Block = false;
    bool NotCut = true;
    bool InTop = true;
    bool Hide = false;
};

// An owning list of element records, used by the scanners as a stack.
class THtmlTags {
public:
    // Appends an element and takes ownership of it; returns it.
    THtmlTag *Add(std::unique_ptr<THtmlTag> tag);
    THtmlTag *Add() { return Add(std::make_unique<THtmlTag>()); }
    int TagCount() const { return int(tags_.size()); }
    // The element at a 0-based index (the index must be valid).
    THtmlTag *TagAt(int index) const;
    // Frees the elements from the last one down to index n, leaving n;
    // nothing when the list holds n elements or fewer.
    void TruncateTo(int n);

private:
    std::vector<std::unique_ptr<THtmlTag>> tags_;
};
