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
#include "platform/word/Package.h"
#include "platform/word/Shapes.h"
#include "platform/word/Styles.h"

#include <QString>
#include <memory>
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

class Application;
class Document;
class Documents;
class Range;

class ParagraphFormat {
public:
    ParagraphFormat(Document *doc, pugi::xml_node p) : doc_(doc), p_(p) {}
    // 1 to 9, 10 for body text.
    int OutlineLevel() const;

private:
    Document *doc_;
    pugi::xml_node p_;
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

// A shape's hyperlink.
class Hyperlink {
public:
    explicit Hyperlink(const shapes::Hyperlink &h) : h_(h) {}
    QString Address() const { return h_.address; }
    QString SubAddress() const { return h_.subAddress; }
    QString Target() const { return h_.target; }
    QString ScreenTip() const { return h_.screenTip; }

private:
    shapes::Hyperlink h_;
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
    // The inline and the floating shapes of the main story.
    const std::vector<shapes::ShapeRef> &inlineShapeList();
    const std::vector<shapes::ShapeRef> &floatingShapeList();

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
    // one. Throws Exception naming the file and the problem.
    Document *Open(const QString &fileName);
    // A new document: one empty paragraph; Normal, Heading 1 to 9 and
    // Hyperlink styles.
    Document *Add();
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

private:
    word::Documents documents_;
    bool visible_ = false;
};

} // namespace word
