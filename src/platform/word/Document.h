#pragma once
// The document engine's object model, named as Word names it and keeping
// Word's numbers: Application, Documents, Document, Paragraphs, Range,
// Fields, InlineShapes, Shapes, CanvasItems, Hyperlink, OLEFormat,
// WebOptions, Subdocuments. The objects are thin handles on the document's
// XML trees; the work is done in Package, Styles, Story, Fields, Revisions,
// Shapes and DocxWriter. Every failure throws Exception with a message.
//
// Handles (Paragraph, Range, Field, InlineShape, Shape ...) refer to their
// Document and stay usable while it is open; collections are live and
// reflect every edit.
#include "platform/Exception.h"
#include "platform/word/Fields.h"
#include "platform/word/Options.h"
#include "platform/word/Package.h"
#include "platform/word/Shapes.h"
#include "platform/word/Styles.h"
#include "platform/word/Transfer.h"

#include <QString>
#include <memory>
#include <utility>
#include <unordered_map>
#include <pugixml.hpp>
#include <vector>

namespace word {

// WdSaveFormat
enum WdSaveFormat {
    wdFormatDocument = 0,
    wdFormatFilteredHTML = 10,
    wdFormatXMLDocument = 12,
    wdFormatDocumentDefault = 16,
};
// WdExportFormat
enum WdExportFormat { wdExportFormatPDF = 17, wdExportFormatXPS = 18 };
// WdCollapseDirection
enum WdCollapseDirection { wdCollapseEnd = 0, wdCollapseStart = 1 };
// WdUnits
enum WdUnits { wdCharacter = 1, wdParagraph = 4, wdStory = 6 };
// WdGoToItem and WdGoToDirection
enum WdGoToItem { wdGoToHeading = 11 };
enum WdGoToDirection { wdGoToLast = -1, wdGoToFirst = 1, wdGoToNext = 2, wdGoToPrevious = 3 };
// WdSaveOptions
enum WdSaveOptions { wdDoNotSaveChanges = 0, wdSaveChanges = -1 };
// WdOpenFormat
enum WdOpenFormat { wdOpenFormatAuto = 0, wdOpenFormatWebPages = 7 };
// WdStyleType
enum WdStyleType { wdStyleTypeParagraph = 1, wdStyleTypeCharacter = 2, wdStyleTypeTable = 3, wdStyleTypeList = 4 };
// WdParagraphAlignment
enum WdParagraphAlignment {
    wdAlignParagraphLeft = 0,
    wdAlignParagraphCenter = 1,
    wdAlignParagraphRight = 2,
    wdAlignParagraphJustify = 3,
};
// WdUnderline (the two values used here) and WdColor's automatic colour.
enum WdUnderline { wdUnderlineNone = 0, wdUnderlineSingle = 1 };
inline constexpr int wdColorAutomatic = -16777216;
// WdPaperSize: the sizes this engine knows, and a custom size.
enum WdPaperSize {
    wdPaper10x14 = 0,
    wdPaper11x17 = 1,
    wdPaperLetter = 2,
    wdPaperLetterSmall = 3,
    wdPaperLegal = 4,
    wdPaperExecutive = 5,
    wdPaperA3 = 6,
    wdPaperA4 = 7,
    wdPaperA4Small = 8,
    wdPaperA5 = 9,
    wdPaperB4 = 10,
    wdPaperB5 = 11,
    wdPaperCustom = 41,
};
// WdBrowserTarget (WebOptions.TargetBrowser).
enum WdBrowserTarget { wdBrowserLevelV4 = 0, wdBrowserLevelMicrosoftInternetExplorer5 = 1, wdBrowserLevelMicrosoftInternetExplorer6 = 2 };

class Application;
class Document;
class Documents;
class Range;
class ListTemplate;

class ParagraphFormat {
public:
    ParagraphFormat(Document *doc, pugi::xml_node p) : doc_(doc), p_(p) {}
    // 1 to 9, 10 for body text.
    int OutlineLevel() const;
    // The name of the paragraph's style; setting takes a built-in number or
    // a style name and applies to the paragraph.
    QString Style() const;
    void setStyle(int wdBuiltinStyle);
    void setStyle(const QString &name);
    // WdParagraphAlignment, from direct formatting or the style.
    int Alignment() const;
    void setAlignment(int alignment);

private:
    Document *doc_;
    pugi::xml_node p_;
};

// Character formatting of a style, or of the text of a range. Colours are
// Word's numbers (red in the low byte, blue in the third; wdColorAutomatic
// for the automatic colour); sizes are points.
class Font {
public:
    static Font ofStyle(Document *doc, const QString &styleId);
    static Font ofRange(const word::Range &range);
    QString Name() const;
    void setName(const QString &name);
    int Color() const;
    void setColor(int color);
    double Size() const;
    void setSize(double points);
    bool Bold() const;
    void setBold(bool on);
    bool Italic() const;
    void setItalic(bool on);
    // WdUnderline: wdUnderlineNone or wdUnderlineSingle.
    int Underline() const;
    void setUnderline(int underline);

private:
    Font(Document *doc) : doc_(doc) {}
    // The properties in force (the style chain, then the first run's own).
    pugi::xml_node effective(pugi::xml_document &scratch) const;
    // Sets or clears one run property everywhere this font covers.
    void set(const char *element, const char *value, bool remove = false);
    Document *doc_;
    QString styleId_;
    pugi::xml_node startP_, endP_;
    int startOff_ = 0, endOff_ = 0;
    bool isStyle_ = false;
};

// A field's code (Word's Field.Code range, reduced to its text).
class FieldCode {
public:
    explicit FieldCode(Document *doc, fields::Field f) : doc_(doc), f_(f) {}
    QString Text() const;
    void setText(const QString &text);

private:
    Document *doc_;
    fields::Field f_;
};

class Field {
public:
    Field(Document *doc, fields::Field f) : doc_(doc), f_(f) {}
    // WdFieldType from the first word of the code: XE 4, REF 3, HYPERLINK
    // 88 ...; an empty or unknown code -1.
    int Type() const;
    FieldCode Code() const { return FieldCode(doc_, f_); }
    // Recomputes the result (a REF shows its bookmark's text); gives false
    // when that is not possible.
    bool Update();
    word::Range Result() const;
    void Delete();
    const fields::Field &nodes() const { return f_; }

private:
    Document *doc_;
    fields::Field f_;
};

// The fields of a range, in order of their start; a live collection.
class Fields {
public:
    explicit Fields(const word::Range &range);
    int Count() const;
    // 1-based, as in Word.
    word::Field Item(int index) const;
    // A new field at the start of the range: type wdFieldIndexEntry (4)
    // gives "XE" followed by text, wdFieldEmpty (-1) takes text as the whole
    // code, other known types their keyword and text. Index entries have no
    // result; other fields get an empty one, to be updated. A collapsed range
    // moves past the new field, so fields added one after another at it keep
    // their order.
    word::Field Add(word::Range &range, int type, const QString &text = QString(),
                    bool preserveFormatting = true);

private:
    std::vector<fields::Field> list() const;
    Document *doc_;
    pugi::xml_node startP_, endP_;
    int startOff_, endOff_;
    bool wholeParagraph_ = false; // the range is one whole paragraph
};

// A stretch of a story: from a character position to another, each kept as
// a paragraph and an offset in it. An end just after a paragraph mark is the
// start of the next paragraph (or, at the end of the story, one past the
// last paragraph's characters).
class Range {
public:
    Range(Document *doc, pugi::xml_node startP, int startOffset, pugi::xml_node endP, int endOffset);

    // Absolute character positions in the story, as Word counts them.
    int Start() const;
    int End() const;
    // The visible text; each paragraph mark inside the range is "\r".
    QString Text() const;
    // Insert text at the start / end; the range grows to take it in. A line
    // break ("\r\n", "\r" or "\n") starts a new paragraph.
    void InsertBefore(const QString &text);
    void InsertAfter(const QString &text);
    void Collapse(int direction = wdCollapseStart);
    // Grows the range to whole paragraphs (wdParagraph) or the whole story
    // (wdStory); gives the number of characters added.
    int Expand(int unit = wdParagraph);
    // wdGoToHeading with wdGoToFirst, wdGoToNext, wdGoToPrevious or
    // wdGoToLast: a collapsed range at the start of that heading paragraph.
    // When there is none the range stays where it starts (collapsed).
    word::Range GoTo(int what, int which) const;
    word::ParagraphFormat ParagraphFormat() const;
    word::Fields Fields() const { return word::Fields(*this); }
    // The name of the first paragraph's style.
    QString Style() const;
    // Word's built-in style number (-1 Normal, -2 to -10 Heading 1-9, -86
    // Hyperlink ...) or a style name or id: a paragraph style is given to
    // every paragraph of the range, a character style to its text.
    void setStyle(int wdBuiltinStyle);
    void setStyle(const QString &nameOrId);
    // A paragraph mark after the range; the range grows to take it in.
    // At the end of a paragraph the new paragraph takes the style that the
    // paragraph's style names as the next one.
    void InsertParagraphAfter();
    word::Font Font() const { return word::Font::ofRange(*this); }
    // Copies the range into the application's clipboard (in memory).
    void Copy() const;
    // Replaces the range by the clipboard's content (inserted at the range's
    // start); the range then covers what was pasted. Throws when the
    // clipboard is empty.
    void Paste();

    // The result of a field; its positions are worked out when first needed.
    static word::Range fieldResult(Document *doc, const fields::Field &f);

    Document *document() const { return doc_; }
    pugi::xml_node startParagraph() const { return resolve().startP_; }
    pugi::xml_node endParagraph() const { return resolve().endP_; }
    int startOffset() const { return resolve().startOff_; }
    int endOffset() const { return resolve().endOff_; }

private:
    Range(Document *doc, const fields::Field &f) : doc_(doc), field_(f), pending_(true) {}
    const Range &resolve() const;
    void normalise() const;
    void applyStyle(const QString &styleId);
    Document *doc_;
    mutable pugi::xml_node startP_, endP_;
    mutable int startOff_ = 0, endOff_ = 0;
    fields::Field field_;      // for a field's result until resolved
    mutable bool pending_ = false;
};

class Paragraph {
public:
    Paragraph() = default;
    Paragraph(Document *doc, pugi::xml_node p) : doc_(doc), p_(p) {}
    bool isNull() const { return !p_; }
    word::Range Range() const;
    int OutlineLevel() const;
    word::ParagraphFormat Format() const { return word::ParagraphFormat(doc_, p_); }
    // The next / previous paragraph of the story; a null paragraph at the end.
    Paragraph Next() const;
    Paragraph Previous() const;
    pugi::xml_node node() const { return p_; }

private:
    Document *doc_ = nullptr;
    pugi::xml_node p_;
};

class Paragraphs {
public:
    explicit Paragraphs(Document *doc) : doc_(doc) {}
    int Count() const;
    // 1-based; throws when out of range.
    Paragraph Item(int index) const;
    Paragraph First() const { return Item(1); }
    Paragraph Last() const { return Item(Count()); }

private:
    Document *doc_;
};

// A hyperlink of a shape, or of text (made by Hyperlinks.Add).
class Hyperlink {
public:
    explicit Hyperlink(const shapes::Hyperlink &h) : h_(h) {}
    Hyperlink(Document *doc, pugi::xml_node link, const shapes::Hyperlink &h) : h_(h), doc_(doc), link_(link) {}
    QString Address() const { return h_.address; }
    QString SubAddress() const { return h_.subAddress; }
    QString Target() const { return h_.target; }
    QString ScreenTip() const { return h_.screenTip; }
    // The link's text; throws for a shape's hyperlink.
    word::Range Range() const;

private:
    shapes::Hyperlink h_;
    Document *doc_ = nullptr;
    pugi::xml_node link_;
};

class Hyperlinks {
public:
    explicit Hyperlinks(Document *doc) : doc_(doc) {}
    // A link at the start of the anchor range showing textToDisplay (the
    // address when empty). An address is an outside target; a subAddress
    // alone names a bookmark of this document.
    word::Hyperlink Add(const word::Range &anchor, const QString &address, const QString &subAddress = QString(),
                        const QString &screenTip = QString(), const QString &textToDisplay = QString());

private:
    Document *doc_;
};

class Bookmark {
public:
    Bookmark(Document *doc, const QString &name) : doc_(doc), name_(name) {}
    QString Name() const { return name_; }
    // From the bookmark's start to its end.
    word::Range Range() const;
    void Delete();

private:
    friend class Bookmarks;
    Document *doc_;
    QString name_;
    // Set by Bookmarks::Add: its marks, valid while the document is unedited
    // since, so marking and then reading the range needs no search.
    pugi::xml_node start_, end_;
    quint64 version_ = 0;
};

// The bookmarks of the main story. Names beginning with "_" are hidden
// unless ShowHidden is set.
class Bookmarks {
public:
    explicit Bookmarks(Document *doc) : doc_(doc) {}
    int Count() const;
    word::Bookmark Item(int index) const;
    bool Exists(const QString &name) const;
    // Marks the range. A name Word would refuse is made valid the same way
    // an HTML page's anchors are (ValidBookmarkName), so links to the
    // original name still find it; an existing bookmark of the name moves.
    word::Bookmark Add(const QString &name, const word::Range &range);
    bool ShowHidden() const;
    void setShowHidden(bool on);

private:
    std::vector<pugi::xml_node> starts() const;
    Document *doc_;
};

class LineNumbering {
public:
    explicit LineNumbering(Document *doc) : doc_(doc) {}
    bool Active() const;
    void setActive(bool on);

private:
    Document *doc_;
};

// The page setup of every section; reads give the last section's values.
// Lengths are points.
class PageSetup {
public:
    explicit PageSetup(Document *doc) : doc_(doc) {}
    // WdPaperSize of the page's size; wdPaperCustom when no known size fits.
    // Setting a known size sets the page size (keeping the orientation);
    // wdPaperCustom keeps it; other numbers throw.
    int PaperSize() const;
    void setPaperSize(int paperSize);
    double PageWidth() const;
    void setPageWidth(double points);
    double PageHeight() const;
    void setPageHeight(double points);
    double TopMargin() const { return margin("w:top"); }
    void setTopMargin(double points) { setMargin("w:top", points); }
    double BottomMargin() const { return margin("w:bottom"); }
    void setBottomMargin(double points) { setMargin("w:bottom", points); }
    double LeftMargin() const { return margin("w:left"); }
    void setLeftMargin(double points) { setMargin("w:left", points); }
    double RightMargin() const { return margin("w:right"); }
    void setRightMargin(double points) { setMargin("w:right", points); }
    word::LineNumbering LineNumbering() const { return word::LineNumbering(doc_); }

private:
    double margin(const char *side) const;
    void setMargin(const char *side, double points);
    Document *doc_;
};

// A style of the document (Document.Styles.Item).
class DocumentStyle {
public:
    DocumentStyle(Document *doc, const QString &id) : doc_(doc), id_(id) {}
    QString NameLocal() const;
    // WdStyleType.
    int Type() const;
    word::Font Font() const { return word::Font::ofStyle(doc_, id_); }
    // With no list template the style is taken out of any list; a list
    // template object is not supported here and throws.
    void LinkToListTemplate(ListTemplate *listTemplate);
    QString id() const { return id_; }

private:
    Document *doc_;
    QString id_;
};

class DocumentStyles {
public:
    explicit DocumentStyles(Document *doc) : doc_(doc) {}
    int Count() const;
    // 1-based position, or a built-in style number (-1 Normal, -2 to -10
    // Heading 1 to 9 ...; the style is added when the document lacks it).
    DocumentStyle Item(int index) const;
    DocumentStyle Item(const QString &name) const;

private:
    Document *doc_;
};

// The object of an ActiveX control: its persisted properties by name.
class OLEObject {
public:
    explicit OLEObject(const shapes::OleControl &c) : c_(c) {}
    // The property's value as text; empty when the control stores none.
    QString Property(const QString &name) const { return c_.properties.value(name.toLower()); }

private:
    shapes::OleControl c_;
};

class OLEFormat {
public:
    explicit OLEFormat(const shapes::OleControl &c) : c_(c) {}
    // The programmatic id of the object's class ("ShockwaveFlash.ShockwaveFlash").
    QString ClassType() const { return c_.classType; }
    OLEObject Object() const { return OLEObject(c_); }

private:
    shapes::OleControl c_;
};

class InlineShape {
public:
    InlineShape(Document *doc, shapes::ShapeRef s) : doc_(doc), s_(s) {}
    int Type() const { return shapes::inlineType(s_); }
    // Throws when the shape is not an OLE object or control.
    word::OLEFormat OLEFormat() const;
    double Height() const { return shapes::height(s_); }
    double Width() const { return shapes::width(s_); }
    QString AlternativeText() const { return shapes::alternativeText(s_); }
    void setAlternativeText(const QString &text);
    // Throws when the shape has no hyperlink, as Word does.
    word::Hyperlink Hyperlink() const;
    // The shape's one character.
    word::Range Range() const;
    void Delete();

private:
    Document *doc_;
    shapes::ShapeRef s_;
};

class CanvasItems;

// A floating shape, or an item of a drawing canvas.
class Shape {
public:
    Shape(Document *doc, shapes::ShapeRef s) : doc_(doc), s_(s) {}
    Shape(Document *doc, const shapes::CanvasItem &item) : doc_(doc), item_(item), isItem_(true) {}
    int Type() const;
    QString AlternativeText() const;
    void setAlternativeText(const QString &text);
    // Throws when the shape has no hyperlink, as Word does.
    word::Hyperlink Hyperlink() const;
    word::CanvasItems CanvasItems() const;
    word::OLEFormat OLEFormat() const;
    // Points; Left and Top of a canvas item are relative to its canvas.
    double Height() const;
    double Width() const;
    double Left() const;
    double Top() const;
    // The position in the text the shape is anchored at.
    word::Range Anchor() const;
    void Delete();

private:
    Document *doc_;
    shapes::ShapeRef s_;
    shapes::CanvasItem item_;
    bool isItem_ = false;
};

class CanvasItems {
public:
    CanvasItems(Document *doc, std::vector<shapes::CanvasItem> items) : doc_(doc), items_(std::move(items)) {}
    int Count() const { return int(items_.size()); }
    Shape Item(int index) const;

private:
    Document *doc_;
    std::vector<shapes::CanvasItem> items_;
};

class InlineShapes {
public:
    explicit InlineShapes(Document *doc) : doc_(doc) {}
    int Count() const;
    InlineShape Item(int index) const;

private:
    Document *doc_;
};

class Shapes {
public:
    explicit Shapes(Document *doc) : doc_(doc) {}
    int Count() const;
    Shape Item(int index) const;

private:
    Document *doc_;
};

// Settings of the filtered-HTML export.
class WebOptions {
public:
    // Windows code page of the saved page.
    int Encoding() const { return encoding_; }
    void setEncoding(int codePage) { encoding_ = codePage; }
    bool UseLongFileNames() const { return useLongFileNames_; }
    void setUseLongFileNames(bool on) { useLongFileNames_ = on; }
    bool OrganizeInFolder() const { return organizeInFolder_; }
    void setOrganizeInFolder(bool on) { organizeInFolder_ = on; }
    bool RelyOnVML() const { return relyOnVml_; }
    void setRelyOnVML(bool on) { relyOnVml_ = on; }
    bool AllowPNG() const { return allowPng_; }
    void setAllowPNG(bool on) { allowPng_ = on; }
    bool RelyOnCSS() const { return relyOnCss_; }
    void setRelyOnCSS(bool on) { relyOnCss_ = on; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void setPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }
    // WdBrowserTarget; kept for the caller, the HTML written does not depend on it.
    int TargetBrowser() const { return targetBrowser_; }
    void setTargetBrowser(int target) { targetBrowser_ = target; }
    // The suffix of the supporting-files folder beside a saved page.
    QString FolderSuffix() const { return QStringLiteral("_files"); }

private:
    int encoding_ = 65001;
    bool useLongFileNames_ = true;
    bool organizeInFolder_ = true;
    bool relyOnVml_ = false;
    bool allowPng_ = true;
    bool relyOnCss_ = true;
    int pixelsPerInch_ = 96;
    int targetBrowser_ = wdBrowserLevelMicrosoftInternetExplorer6;
};

// The subdocuments of a master document.
class Subdocuments {
public:
    explicit Subdocuments(Document *doc) : doc_(doc) {}
    int Count() const;
    bool Expanded() const;
    // Expanding brings each subdocument's text into the master document.
    void setExpanded(bool on);
    // Removes the subdocument links; text already brought in stays.
    void Delete();

private:
    Document *doc_;
};

class Document {
public:
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // The file the document was opened from or last saved as ("Document1"
    // for a new one), and its file name alone.
    QString FullName() const { return fullName_; }
    QString Name() const;

    word::Paragraphs Paragraphs() { return word::Paragraphs(this); }
    word::Range Content();
    word::InlineShapes InlineShapes() { return word::InlineShapes(this); }
    word::Shapes Shapes() { return word::Shapes(this); }
    word::WebOptions &WebOptions() { return webOptions_; }
    const word::WebOptions &WebOptions() const { return webOptions_; }
    word::Subdocuments Subdocuments() { return word::Subdocuments(this); }
    word::Bookmarks Bookmarks() { return word::Bookmarks(this); }
    word::Fields Fields() { return word::Fields(Content()); }
    word::Hyperlinks Hyperlinks() { return word::Hyperlinks(this); }
    word::PageSetup PageSetup() { return word::PageSetup(this); }
    word::DocumentStyles Styles() { return word::DocumentStyles(this); }
    // From the start of the document.
    word::Range GoTo(int what, int which);

    void AcceptAllRevisions();
    // Marked as final (a custom document property).
    bool Final() const;
    void setFinal(bool on);
    // True when the file was read-only when opened (its permission bits).
    bool ReadOnly() const { return readOnly_; }
    bool IsMasterDocument() const;

    // wdFormatXMLDocument (12) or wdFormatDocumentDefault (16): .docx;
    // wdFormatDocument (0): .doc through LibreOffice; wdFormatFilteredHTML
    // (10): filtered HTML. Anything else throws.
    void SaveAs(const QString &fileName, int fileFormat = wdFormatDocumentDefault);
    // Saves as .docx for this program to read back soon (a work file): the
    // same document, compressed in a third of the time, a little larger.
    void SaveWorkCopy(const QString &fileName);
    // wdExportFormatPDF (17): the document rendered as PDF through
    // LibreOffice, with bookmarks from the headings.
    void ExportAsFixedFormat(const QString &outputFileName, int exportFormat, bool openAfterExport = false,
                             int optimizeFor = 0, int createBookmarks = 1);
    // Closes the document (saving it first with wdSaveChanges); the
    // Document object is destroyed.
    void Close(int saveChanges = wdDoNotSaveChanges);

    // For writers and tests: the package, the main part and its body, the
    // styles, the notes parts.
    Package &package() { return *package_; }
    const Package &package() const { return *package_; }
    const QString &mainPart() const { return mainPart_; }
    pugi::xml_node body() const;
    word::Styles &styles() { return *styles_; }
    const word::Styles &styles() const { return *styles_; }
    // Part names of the footnotes, endnotes, numbering and styles (empty
    // when absent).
    QString footnotesPart() const;
    QString endnotesPart() const;
    QString numberingPart() const;
    QString stylesPart() const;

    // Every edit through the object model calls touch(); cached paragraph
    // positions are rebuilt after it.
    void touch() { ++version_; }
    quint64 version() const { return version_; }
    // The paragraphs of the main story with their start positions.
    const std::vector<pugi::xml_node> &paragraphList();
    int paragraphIndex(pugi::xml_node p);
    int paragraphStart(pugi::xml_node p);
    // Outline level of each paragraph of paragraphList().
    const std::vector<int> &outlineLevels();
    // The fields begun in a paragraph of the main story (kept between edits
    // that leave fields in place).
    const fields::ParagraphFields &paragraphFields(pugi::xml_node p);
    // After touch(): the edit just made left every field where it was.
    void keepFields();
    // After touch(): the edit removed this field (begun in p), nothing else.
    void fieldRemoved(pugi::xml_node p, const fields::Field &f, bool withinParagraph);
    // Lets go of the lookups built over the main story (its paragraphs,
    // their positions, levels and fields, its shapes): they are built again
    // when next needed. Before a large document is saved and closed, their
    // memory is better free.
    void releaseLookups();
    // The inline and the floating shapes of the main story.
    const std::vector<shapes::ShapeRef> &inlineShapeList();
    const std::vector<shapes::ShapeRef> &floatingShapeList();
    Application *application() const;
    // What pastes and new bookmarks have used up (see TransferIndex).
    TransferIndex &transferIndex();
    bool showHiddenBookmarks() const { return showHiddenBookmarks_; }
    void setShowHiddenBookmarks(bool on) { showHiddenBookmarks_ = on; }

private:
    friend class Documents;
    friend class Subdocuments;
    Document(Documents *owner, std::unique_ptr<Package> package, const QString &fullName);
    void prepare();
    void expandSubdocuments();

    Documents *owner_;
    std::unique_ptr<Package> package_;
    QString mainPart_;
    std::unique_ptr<word::Styles> styles_;
    word::WebOptions webOptions_;
    QString fullName_;
    bool readOnly_ = false;
    bool showHiddenBookmarks_ = false;
    TransferIndex transfer_;
    // The file on disk still holds this document as it is: it was a .docx
    // read as it stands, opening repaired nothing and nothing was edited
    // since (version_ is still openedVersion_).
    bool asOnDisk() const;
    bool readAsItStands_ = false;
    quint64 openedVersion_ = 0;
    bool subdocumentsExpanded_ = false;
    int expandedSubdocuments_ = 0;

    quint64 version_ = 1;
    quint64 cacheVersion_ = 0;
    std::vector<pugi::xml_node> paragraphs_;
    std::vector<int> starts_;
    std::vector<int> levels_;
    std::vector<shapes::ShapeRef> inlineShapes_, floatingShapes_;
    quint64 fieldsVersion_ = 0;
    std::unordered_map<const void *, fields::ParagraphFields> fields_;
    fields::ParagraphFields otherFields_; // of a paragraph outside the main story
    bool shapesCached_ = false;
    std::unordered_map<const void *, int> index_;
};

class Documents {
public:
    explicit Documents(Application *app) : app_(app) {}
    ~Documents();
    // Opens a .docx document, or through LibreOffice a .doc (or .rtf, .odt)
    // one; with wdOpenFormatWebPages (or a name ending in .htm or .html) an
    // HTML page, whose pictures are read only from inside pictureFolder
    // (the page's own folder when empty). Throws Exception naming the file
    // and the problem.
    Document *Open(const QString &fileName, int format = wdOpenFormatAuto, const QString &pictureFolder = QString());
    // A new document: one empty paragraph; Normal, Heading 1 to 9 and
    // Hyperlink styles.
    Document *Add();
    // A new, unsaved document made from a saved one (its content and styles).
    // ownWork: a .docx this program saved itself during the same task, read
    // without the limits meant for documents from elsewhere.
    Document *Add(const QString &templateFile, bool ownWork = false);
    int Count() const { return int(docs_.size()); }
    Document *Item(int index) const;
    Application *application() const { return app_; }

private:
    friend class Document;
    friend class Application;
    void close(Document *doc);
    void closeAll();
    Application *app_;
    std::vector<std::unique_ptr<Document>> docs_;
    int added_ = 0;
};

class Application {
public:
    Application();
    ~Application();
    // Word's version text: "16.0".
    QString Version() const { return QStringLiteral("16.0"); }
    word::Documents &Documents() { return documents_; }
    bool Visible() const { return visible_; }
    void setVisible(bool on) { visible_ = on; }
    // Closes every document (saving none with wdDoNotSaveChanges).
    void Quit(int saveChanges = wdDoNotSaveChanges);
    // Word's user options (shared by every Application of the process, as
    // Word keeps them between runs).
    word::Options Options() const { return word::Options(); }
    word::AutoCorrect AutoCorrect() const { return word::AutoCorrect(); }

    // The in-memory clipboard of Range.Copy and Range.Paste.
    void setClipboard(Clip clip) { clipboard_ = std::move(clip); }
    const Clip &clipboard() const { return clipboard_; }
    // Empties the clipboard, handing its content over (to be pasted by
    // another Application).
    Clip takeClipboard() { return std::exchange(clipboard_, Clip()); }

private:
    word::Documents documents_;
    bool visible_ = false;
    Clip clipboard_;
};

} // namespace word
