#include "platform/word/Document.h"

#include "platform/word/DocxWriter.h"
#include "platform/word/HtmlImport.h"
#include "platform/word/HtmlWriter.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Revisions.h"
#include "platform/word/Story.h"
#include "platform/word/XmlText.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <cstring>
#include <unistd.h>

namespace word {

namespace {

Exception noSuchMember()
{
    return Exception(QStringLiteral("The requested member of the collection does not exist."));
}

// Item `index` (1-based, as in Word) of a collection.
template <class T>
const T &itemAt(const std::vector<T> &list, int index)
{
    if (index < 1 || index > int(list.size()))
        throw noSuchMember();
    return list[size_t(index - 1)];
}

// Word opens a file read-only when it may not write it. Judged from the
// permission bits, so that it holds for root too (root ignores access checks).
bool fileIsReadOnly(const QString &path)
{
    const QFileInfo fi(path);
    if (!(fi.permissions() & QFileDevice::WriteOwner))
        return true;
    if (::geteuid() == 0)
        return false;
    return !fi.isWritable();
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A scratch folder for files handed to LibreOffice.
class Scratch {
public:
    Scratch() : dir_(QDir::tempPath() + QStringLiteral("/qc-word-XXXXXX"))
    {
        if (!dir_.isValid())
            throw Exception(QStringLiteral("Cannot create a scratch folder in \"%1\": %2")
                                .arg(shown(QDir::tempPath()), dir_.errorString()));
    }
    QString file(const QString &name) const { return dir_.filePath(name); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Reads a .docx package, or converts another format through LibreOffice first.
std::unique_ptr<Package> openPackage(const QString &fileName)
{
    // Every document that is not a zip package goes to LibreOffice, which
    // reads Word's older formats too; a password-protected one is refused
    // here with that reason, since LibreOffice would only say that it could
    // not load it. A file named as a zip package that holds neither a zip nor
    // a Word 97-2003 file is damaged: LibreOffice would read it as plain text.
    const Package::Kind kind = Package::Sniff(fileName);
    const QFileInfo info(fileName);
    static const QStringList zipSuffixes{QStringLiteral("docx"), QStringLiteral("docm"), QStringLiteral("dotx"),
                                         QStringLiteral("dotm")};
    const bool damagedZip = kind == Package::Kind::Other && zipSuffixes.contains(info.suffix().toLower());
    if (kind == Package::Kind::Zip || kind == Package::Kind::EncryptedPackage || damagedZip || !info.isFile()
        || info.size() == 0)
        return Package::Open(fileName);
    Scratch scratch;
    const QString docx = lo::ConvertToDocx(fileName, scratch.path());
    try {
        return Package::Open(docx);
    } catch (const PackageError &e) {
        QString message = e.message();
        message.replace(shown(docx), shown(fileName));
        throw PackageError(message);
    }
}

// The parts holding stories besides the main one.
QStringList storyParts(const Package &pkg, const QString &main)
{
    static const char *const types[] = {
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/header",
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer",
        reltype::Footnotes,
        reltype::Endnotes,
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments",
    };
    QStringList parts{main};
    for (const Relationship &r : pkg.relationships(main))
        for (const char *t : types)
            if (!r.external && r.type == QLatin1String(t) && !parts.contains(r.targetPart))
                parts << r.targetPart;
    return parts;
}

QString subdocumentPath(const QString &masterFile, const QString &target)
{
    QString t = target;
    if (t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        t = QUrl(t).toLocalFile();
    else
        t = QUrl::fromPercentEncoding(t.toUtf8());
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QDir masterDir = QFileInfo(masterFile).absoluteDir();
    const QString direct = QDir::isAbsolutePath(t) ? t : masterDir.filePath(t);
    if (QFileInfo(direct).isFile())
        return direct;
    // A path written on another machine: look for the file beside the master.
    const QString beside = masterDir.filePath(t.mid(t.lastIndexOf(QLatin1Char('/')) + 1));
    return QFileInfo(beside).isFile() ? beside : QString();
}

} // namespace

// --- ParagraphFormat, Field, FieldCode, Fields --------------------------

int ParagraphFormat::OutlineLevel() const
{
    return doc_->styles().paragraphOutlineLevel(p_);
}

QString FieldCode::Text() const
{
    return fields::code(f_);
}

void FieldCode::setText(const QString &text)
{
    const bool removed = fields::setCode(f_, text);
    doc_->touch();
    if (!removed)
        doc_->keepFields();
}

int Field::Type() const
{
    return fields::typeOfCode(fields::code(f_));
}

bool Field::Update()
{
    bool removed = false;
    const bool ok = fields::update(f_, doc_->body(), &removed);
    doc_->touch();
    if (!removed)
        doc_->keepFields();
    return ok;
}

Range Field::Result() const
{
    return word::Range::fieldResult(doc_, f_);
}

void Field::Delete()
{
    const pugi::xml_node p = story::paragraphOf(f_.begin);
    const bool within = p == story::paragraphOf(f_.end);
    fields::remove(f_);
    doc_->touch();
    doc_->fieldRemoved(p, f_, within);
}

Fields::Fields(const word::Range &range)
    : doc_(range.document()), startP_(range.startParagraph()), endP_(range.endParagraph()),
      startOff_(range.startOffset()), endOff_(range.endOffset())
{
    wholeParagraph_ = startOff_ == 0
                      && (endP_ == startP_ ? endOff_ > story::length(startP_)
                                           : endOff_ == 0 && endP_ == story::nextParagraph(startP_));
}

std::vector<fields::Field> Fields::list() const
{
    std::vector<fields::Field> out;
    for (pugi::xml_node p = startP_; p; p = story::nextParagraph(p)) {
        if (p == endP_ && endOff_ == 0 && p != startP_)
            break;
        const std::vector<fields::Field> here = fields::inParagraph(p);
        std::vector<story::Atom> atoms = story::atoms(p);
        size_t a = 0;
        for (const fields::Field &f : here) {
            while (a < atoms.size() && atoms[a].node != f.begin)
                ++a;
            const int off = a < atoms.size() ? atoms[a].start : 0;
            if ((p != startP_ || off >= startOff_) && (p != endP_ || off < endOff_))
                out.push_back(f);
        }
        if (p == endP_)
            break;
    }
    return out;
}

int Fields::Count() const
{
    if (wholeParagraph_)
        return int(doc_->paragraphFields(startP_).fields.size());
    return int(list().size());
}

word::Field Fields::Item(int index) const
{
    if (wholeParagraph_)
        return word::Field(doc_, itemAt(doc_->paragraphFields(startP_).fields, index));
    return word::Field(doc_, itemAt(list(), index));
}

// --- Range ---------------------------------------------------------------

Range::Range(Document *doc, pugi::xml_node startP, int startOffset, pugi::xml_node endP, int endOffset)
    : doc_(doc), startP_(startP), endP_(endP), startOff_(std::max(startOffset, 0)), endOff_(std::max(endOffset, 0))
{
    normalise();
}

Range Range::fieldResult(Document *doc, const fields::Field &f)
{
    return Range(doc, f);
}

const Range &Range::resolve() const
{
    if (!pending_)
        return *this;
    pending_ = false;
    endP_ = story::paragraphOf(field_.end);
    endOff_ = story::offsetOf(endP_, field_.end);
    if (field_.separate) {
        startP_ = story::paragraphOf(field_.separate);
        startOff_ = story::offsetOf(startP_, field_.separate) + 1;
    } else {
        startP_ = endP_;
        startOff_ = endOff_;
    }
    normalise();
    return *this;
}

void Range::normalise() const
{
    auto fix = [](pugi::xml_node &p, int &off) {
        const int len = story::length(p);
        if (off > len) {
            if (pugi::xml_node next = story::nextParagraph(p)) {
                p = next;
                off = 0;
            } else {
                off = len + 1;
            }
        }
    };
    fix(startP_, startOff_);
    fix(endP_, endOff_);
}

int Range::Start() const
{
    resolve();
    return doc_->paragraphStart(startP_) + startOff_;
}

int Range::End() const
{
    resolve();
    return doc_->paragraphStart(endP_) + endOff_;
}

QString Range::Text() const
{
    resolve();
    QString out;
    for (pugi::xml_node p = startP_; p; p = story::nextParagraph(p)) {
        const int len = story::length(p);
        const int from = p == startP_ ? startOff_ : 0;
        const int to = p == endP_ ? std::min(endOff_, len) : len;
        out += story::text(p, from, std::max(from, to));
        if (p != endP_ || endOff_ > len)
            out += QLatin1Char('\r');
        if (p == endP_)
            break;
    }
    return out;
}

void Range::InsertBefore(const QString &text)
{
    resolve();
    startOff_ = std::min(startOff_, story::length(startP_));
    const story::Point after = story::insertText(startP_, startOff_, text);
    if (endP_ == startP_) {
        endOff_ = after.offset + (endOff_ - startOff_);
        endP_ = after.p;
    }
    doc_->touch();
    if (after.p == startP_)
        doc_->keepFields(); // no paragraph was split: fields stay where they were
}

void Range::InsertAfter(const QString &text)
{
    resolve();
    const bool collapsed = startP_ == endP_ && startOff_ == endOff_;
    const int at = std::min(endOff_, story::length(endP_));
    const story::Point after = story::insertText(endP_, at, text);
    if (collapsed)
        startOff_ = at;
    const bool split = after.p != endP_;
    endP_ = after.p;
    endOff_ = after.offset;
    doc_->touch();
    if (!split)
        doc_->keepFields(); // no paragraph was split: fields stay where they were
}

void Range::Collapse(int direction)
{
    resolve();
    if (direction == wdCollapseEnd) {
        startP_ = endP_;
        startOff_ = endOff_;
    } else {
        endP_ = startP_;
        endOff_ = startOff_;
    }
}

int Range::Expand(int unit)
{
    resolve();
    const int before = End() - Start();
    if (unit == wdStory) {
        const std::vector<pugi::xml_node> &list = doc_->paragraphList();
        startP_ = list.front();
        startOff_ = 0;
        endP_ = list.back();
        endOff_ = story::length(endP_) + 1;
    } else if (unit == wdParagraph) {
        startOff_ = 0;
        if (!(endOff_ == 0 && endP_ != startP_))
            endOff_ = story::length(endP_) + 1;
        normalise();
    } else {
        throw Exception(QStringLiteral("This unit is not supported here."));
    }
    return End() - Start() - before;
}

Range Range::GoTo(int what, int which) const
{
    resolve();
    if (what != wdGoToHeading)
        throw Exception(QStringLiteral("This kind of GoTo target is not supported here."));
    const std::vector<pugi::xml_node> &list = doc_->paragraphList();
    const std::vector<int> &levels = doc_->outlineLevels();
    const int current = doc_->paragraphIndex(startP_);
    std::vector<int> headings;
    for (size_t i = 0; i < levels.size(); ++i)
        if (levels[i] < wdOutlineLevelBodyText)
            headings.push_back(int(i));
    int found = -1;
    if (which == wdGoToFirst || which == wdGoToLast) {
        if (!headings.empty())
            found = which == wdGoToFirst ? headings.front() : headings.back();
    } else if (which == wdGoToNext) {
        const auto it = std::upper_bound(headings.begin(), headings.end(), current);
        found = it == headings.end() ? -1 : *it;
    } else if (which == wdGoToPrevious) {
        const auto it = std::lower_bound(headings.begin(), headings.end(), current);
        found = it == headings.begin() ? -1 : *(it - 1);
    } else {
        throw Exception(QStringLiteral("This GoTo direction is not supported here."));
    }
    if (found < 0)
        return word::Range(doc_, startP_, startOff_, startP_, startOff_);
    const pugi::xml_node p = list[size_t(found)];
    return word::Range(doc_, p, 0, p, 0);
}

ParagraphFormat Range::ParagraphFormat() const
{
    resolve();
    return word::ParagraphFormat(doc_, startP_);
}

QString Range::Style() const
{
    resolve();
    const QString id = QString::fromUtf8(startP_.child("w:pPr").child("w:pStyle").attribute("w:val").value());
    const word::Style *s = doc_->styles().byId(id);
    if (!s)
        s = doc_->styles().defaultStyle();
    return s ? s->name : QString();
}

void Range::setStyle(int wdBuiltinStyle)
{
    const QString id = doc_->styles().ensureBuiltIn(wdBuiltinStyle);
    if (id.isEmpty())
        throw noSuchMember();
    applyStyle(id);
}

void Range::setStyle(const QString &nameOrId)
{
    const word::Style *s = doc_->styles().byName(nameOrId);
    if (!s)
        s = doc_->styles().byId(nameOrId);
    if (!s)
        throw noSuchMember();
    applyStyle(s->id);
}

void Range::applyStyle(const QString &styleId)
{
    const word::Style *s = doc_->styles().byId(styleId);
    const bool character = s && s->type == QLatin1String("character");
    if (s && !character && s->type != QLatin1String("paragraph"))
        throw Exception(QStringLiteral("The style \"%1\" cannot be applied to text.").arg(s->name));
    if (pending_ && character) {
        // A field's result: its runs, found from the field itself.
        fields::setResultStyle(field_, styleId);
        doc_->touch();
        doc_->keepFields();
        return;
    }
    resolve();
    for (pugi::xml_node p = startP_; p; p = story::nextParagraph(p)) {
        if (p == endP_ && endOff_ == 0 && endP_ != startP_)
            break;
        if (character) {
            const int from = p == startP_ ? startOff_ : 0;
            const int to = p == endP_ ? std::min(endOff_, story::length(p)) : story::length(p);
            story::setCharacterStyle(p, from, to, styleId);
        } else {
            story::setParagraphStyle(p, styleId);
        }
        if (p == endP_)
            break;
    }
    // Runs were split or restyled; field characters stayed where they were.
    doc_->touch();
    doc_->keepFields();
}

// --- Paragraph, Paragraphs -------------------------------------------------

Range Paragraph::Range() const
{
    return word::Range(doc_, p_, 0, p_, story::length(p_) + 1);
}

int Paragraph::OutlineLevel() const
{
    return doc_->styles().paragraphOutlineLevel(p_);
}

Paragraph Paragraph::Next() const
{
    return Paragraph(doc_, story::nextParagraph(p_));
}

Paragraph Paragraph::Previous() const
{
    const int i = doc_->paragraphIndex(p_);
    return i > 0 ? Paragraph(doc_, doc_->paragraphList()[size_t(i - 1)]) : Paragraph();
}

int Paragraphs::Count() const
{
    return int(doc_->paragraphList().size());
}

Paragraph Paragraphs::Item(int index) const
{
    return Paragraph(doc_, itemAt(doc_->paragraphList(), index));
}

// --- Shapes ---------------------------------------------------------------

namespace {

Range characterRange(Document *doc, pugi::xml_node element)
{
    const pugi::xml_node p = story::paragraphOf(element);
    const int off = story::offsetOf(p, element);
    return Range(doc, p, off, p, off + 1);
}

Hyperlink requireLink(const shapes::Hyperlink &h)
{
    if (!h.present)
        throw Exception(QStringLiteral("This shape has no hyperlink."));
    return Hyperlink(h);
}

} // namespace

OLEFormat InlineShape::OLEFormat() const
{
    const shapes::OleControl c = shapes::oleControl(s_, doc_->package(), doc_->mainPart());
    if (!c.present)
        throw Exception(QStringLiteral("This shape is not an OLE object."));
    return word::OLEFormat(c);
}

void InlineShape::setAlternativeText(const QString &text)
{
    shapes::setAlternativeText(s_, text);
    doc_->touch();
}

Hyperlink InlineShape::Hyperlink() const
{
    return requireLink(shapes::hyperlink(s_, doc_->package(), doc_->mainPart()));
}

Range InlineShape::Range() const
{
    return characterRange(doc_, s_.element);
}

void InlineShape::Delete()
{
    shapes::remove(s_);
    doc_->touch();
}

int Shape::Type() const
{
    return isItem_ ? shapes::itemType(item_.node) : shapes::shapeType(s_);
}

QString Shape::AlternativeText() const
{
    if (isItem_)
        return QString::fromUtf8(shapes::nonVisualProperties(item_.node).attribute("descr").value());
    return shapes::alternativeText(s_);
}

void Shape::setAlternativeText(const QString &text)
{
    if (isItem_) {
        pugi::xml_node pr = shapes::nonVisualProperties(item_.node);
        if (!pr)
            throw Exception(QStringLiteral("This shape cannot hold an alternative text."));
        if (!pr.attribute("descr"))
            pr.append_attribute("descr");
        pr.attribute("descr").set_value(XmlUtf8(text).constData());
    } else {
        shapes::setAlternativeText(s_, text);
    }
    doc_->touch();
}

Hyperlink Shape::Hyperlink() const
{
    return requireLink(isItem_ ? item_.link : shapes::hyperlink(s_, doc_->package(), doc_->mainPart()));
}

CanvasItems Shape::CanvasItems() const
{
    if (isItem_)
        return word::CanvasItems(doc_, {});
    return word::CanvasItems(doc_, shapes::canvasItems(s_, doc_->package(), doc_->mainPart()));
}

OLEFormat Shape::OLEFormat() const
{
    const shapes::OleControl c = isItem_ ? shapes::OleControl()
                                         : shapes::oleControl(s_, doc_->package(), doc_->mainPart());
    if (!c.present)
        throw Exception(QStringLiteral("This shape is not an OLE object."));
    return word::OLEFormat(c);
}

double Shape::Height() const
{
    return isItem_ ? item_.height : shapes::height(s_);
}

double Shape::Width() const
{
    return isItem_ ? item_.width : shapes::width(s_);
}

double Shape::Left() const
{
    return isItem_ ? item_.left : shapes::left(s_);
}

double Shape::Top() const
{
    return isItem_ ? item_.top : shapes::top(s_);
}

Range Shape::Anchor() const
{
    if (isItem_)
        throw Exception(QStringLiteral("A canvas item has no anchor of its own."));
    return characterRange(doc_, s_.element);
}

void Shape::Delete()
{
    if (isItem_)
        item_.node.parent().remove_child(item_.node);
    else
        shapes::remove(s_);
    doc_->touch();
}

Shape CanvasItems::Item(int index) const
{
    return Shape(doc_, itemAt(items_, index));
}

int InlineShapes::Count() const
{
    return int(doc_->inlineShapeList().size());
}

InlineShape InlineShapes::Item(int index) const
{
    return InlineShape(doc_, itemAt(doc_->inlineShapeList(), index));
}

int Shapes::Count() const
{
    return int(doc_->floatingShapeList().size());
}

Shape Shapes::Item(int index) const
{
    return Shape(doc_, itemAt(doc_->floatingShapeList(), index));
}

// --- Subdocuments ------------------------------------------------------------

int Subdocuments::Count() const
{
    return int(doc_->body().select_nodes(".//w:subDoc").size()) + doc_->expandedSubdocuments_;
}

bool Subdocuments::Expanded() const
{
    return doc_->subdocumentsExpanded_;
}

void Subdocuments::setExpanded(bool on)
{
    if (on && !doc_->subdocumentsExpanded_)
        doc_->expandSubdocuments();
}

void Subdocuments::Delete()
{
    for (pugi::xpath_node n : doc_->body().select_nodes(".//w:subDoc")) {
        pugi::xml_node sub = n.node();
        pugi::xml_node holder = sub.parent();
        holder.remove_child(sub);
        if (std::strcmp(holder.name(), "w:p") == 0 && story::length(holder) == 0 && story::nextParagraph(holder))
            holder.parent().remove_child(holder);
    }
    doc_->touch();
}

// --- Document ----------------------------------------------------------------

Document::Document(Documents *owner, std::unique_ptr<Package> package, const QString &fullName)
    : owner_(owner), package_(std::move(package)), fullName_(fullName)
{
    prepare();
}

Document::~Document() = default;

Application *Document::application() const
{
    return owner_->application();
}

QString Document::Name() const
{
    return QFileInfo(fullName_).fileName();
}

void Document::prepare()
{
    mainPart_ = package_->mainDocumentPart();
    pugi::xml_document *main = package_->xml(mainPart_);
    pugi::xml_node body = main ? main->document_element().child("w:body") : pugi::xml_node();
    if (!body)
        throw Exception(QStringLiteral("The document \"%1\" cannot be opened: it holds no document body.")
                            .arg(shown(fullName_)));
    // A damaged document may hold further bodies after the first; their
    // content is kept by moving it into the first, before its section
    // properties (the first body's layout stays the document's).
    for (pugi::xml_node extra = body.next_sibling("w:body"); extra; extra = body.next_sibling("w:body")) {
        pugi::xml_node sectPr = body.last_child();
        if (std::strcmp(sectPr.name(), "w:sectPr") != 0)
            sectPr = pugi::xml_node();
        for (pugi::xml_node c = extra.first_child(); c;) {
            pugi::xml_node next = c.next_sibling();
            if (std::strcmp(c.name(), "w:sectPr") != 0 || !sectPr) {
                if (sectPr)
                    body.insert_move_before(c, sectPr);
                else
                    body.append_move(c);
            }
            c = next;
        }
        main->document_element().remove_child(extra);
    }
    QString stylesPart = this->stylesPart();
    if (!stylesPart.isEmpty() && !package_->hasPart(stylesPart)) {
        package_->removeRelationship(mainPart_,
                                     package_->relationshipByType(mainPart_, QString::fromLatin1(reltype::Styles)).id);
        stylesPart.clear();
    }
    if (stylesPart.isEmpty()) {
        stylesPart = QStringLiteral("word/styles.xml");
        for (int n = 1; package_->hasPart(stylesPart); ++n)
            stylesPart = QStringLiteral("word/styles%1.xml").arg(n);
        package_->setXml(stylesPart, newStylesXml(),
                         QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"));
        package_->addRelationship(mainPart_, QString::fromLatin1(reltype::Styles),
                                  Package::resolveTarget(QString(), stylesPart).mid(mainPart_.lastIndexOf('/') + 1));
    }
    pugi::xml_document *stylesXml = package_->xml(stylesPart);
    if (!stylesXml || std::strcmp(stylesXml->document_element().name(), "w:styles") != 0)
        throw Exception(QStringLiteral("The document \"%1\" cannot be opened: its styles part is damaged.")
                            .arg(shown(fullName_)));
    styles_ = std::make_unique<word::Styles>(stylesXml);
    for (const QString &part : storyParts(*package_, mainPart_))
        if (pugi::xml_document *d = package_->xml(part))
            fields::normaliseSimpleFields(d->document_element());
}

pugi::xml_node Document::body() const
{
    return package_->xml(mainPart_)->document_element().child("w:body");
}

QString Document::footnotesPart() const
{
    return package_->relationshipByType(mainPart_, QString::fromLatin1(reltype::Footnotes)).targetPart;
}

QString Document::endnotesPart() const
{
    return package_->relationshipByType(mainPart_, QString::fromLatin1(reltype::Endnotes)).targetPart;
}

QString Document::numberingPart() const
{
    return package_->relationshipByType(mainPart_, QString::fromLatin1(reltype::Numbering)).targetPart;
}

QString Document::stylesPart() const
{
    return package_->relationshipByType(mainPart_, QString::fromLatin1(reltype::Styles)).targetPart;
}

Range Document::Content()
{
    const std::vector<pugi::xml_node> &list = paragraphList();
    return word::Range(this, list.front(), 0, list.back(), story::length(list.back()) + 1);
}

void Document::AcceptAllRevisions()
{
    QStringList parts = storyParts(*package_, mainPart_);
    for (const QString &part : {stylesPart(), numberingPart()})
        if (!part.isEmpty())
            parts << part;
    for (const QString &part : parts)
        if (pugi::xml_document *d = package_->xml(part))
            revisions::AcceptAll(d->document_element());
    styles_->reload();
    touch();
}

bool Document::Final() const
{
    return MarkedAsFinal(*package_);
}

void Document::setFinal(bool on)
{
    SetMarkedAsFinal(*package_, on);
}

bool Document::IsMasterDocument() const
{
    return bool(body().select_node(".//w:subDoc")) || expandedSubdocuments_ > 0;
}

void Document::expandSubdocuments()
{
    std::vector<pugi::xml_node> subs;
    for (pugi::xpath_node n : body().select_nodes(".//w:subDoc"))
        subs.push_back(n.node());
    for (pugi::xml_node sub : subs) {
        const Relationship rel = package_->relationship(mainPart_, QString::fromUtf8(sub.attribute("r:id").value()));
        const QString path = subdocumentPath(fullName_, rel.target);
        if (path.isEmpty())
            throw Exception(QStringLiteral("The subdocument \"%1\" of \"%2\" cannot be found.")
                                .arg(shown(rel.target), shown(fullName_)));
        std::unique_ptr<Package> subPkg = openPackage(path);
        if (pugi::xml_document *d = subPkg->xml(subPkg->mainDocumentPart()))
            revisions::AcceptAll(d->document_element());
        pugi::xml_node holder = std::strcmp(sub.parent().name(), "w:p") == 0 ? sub.parent() : sub;
        pugi::xml_node mark = holder.parent().insert_child_after("qc-mark", holder);
        ImportBody(*package_, mark, *subPkg);
        mark.parent().remove_child(mark);
        if (holder == sub) {
            holder.parent().remove_child(holder);
        } else {
            holder.remove_child(sub);
            if (story::length(holder) == 0)
                holder.parent().remove_child(holder);
        }
        ++expandedSubdocuments_;
    }
    fields::normaliseSimpleFields(body());
    styles_->reload();
    subdocumentsExpanded_ = true;
    touch();
}

void Document::SaveAs(const QString &fileName, int fileFormat)
{
    // Before any work: a .doc is converted before it is written.
    RefuseLinkAtSaveTarget(fileName);
    switch (fileFormat) {
    case wdFormatXMLDocument:
    case wdFormatDocumentDefault:
        WriteDocx(*package_, fileName);
        break;
    case wdFormatDocument: {
        Scratch scratch;
        const QString docx = scratch.file(QFileInfo(fileName).completeBaseName() + QStringLiteral(".docx"));
        WriteDocx(*package_, docx);
        lo::ConvertDocxToDoc(docx, fileName);
        break;
    }
    case wdFormatFilteredHTML:
        WriteFilteredHtml(*this, fileName);
        break;
    default:
        throw Exception(QStringLiteral("Saving \"%1\": the file format %2 is not supported.")
                            .arg(shown(fileName))
                            .arg(fileFormat));
    }
    fullName_ = QFileInfo(fileName).absoluteFilePath();
}

void Document::SaveWorkCopy(const QString &fileName)
{
    RefuseLinkAtSaveTarget(fileName);
    WriteDocx(*package_, fileName, 1);
    fullName_ = QFileInfo(fileName).absoluteFilePath();
}

void Document::ExportAsFixedFormat(const QString &outputFileName, int exportFormat, bool openAfterExport,
                                   int optimizeFor, int createBookmarks)
{
    // The PDF always gets bookmarks from the headings; nothing is opened
    // afterwards, and there is one rendering quality.
    Q_UNUSED(openAfterExport)
    Q_UNUSED(optimizeFor)
    Q_UNUSED(createBookmarks)
    if (exportFormat != wdExportFormatPDF)
        throw Exception(QStringLiteral("Exporting \"%1\": the export format %2 is not supported.")
                            .arg(shown(outputFileName))
                            .arg(exportFormat));
    RefuseLinkAtSaveTarget(outputFileName);
    // A document still as on disk is rendered from its own file, saving the
    // time of writing it out again.
    if (asOnDisk()) {
        lo::ConvertDocxToPdf(fullName_, outputFileName);
        return;
    }
    Scratch scratch;
    const QString docx = scratch.file(QFileInfo(outputFileName).completeBaseName() + QStringLiteral(".docx"));
    WriteDocx(*package_, docx);
    lo::ConvertDocxToPdf(docx, outputFileName);
}

bool Document::asOnDisk() const
{
    return readAsItStands_ && version_ == openedVersion_ && !package_->hasDamagedParts()
        && QFileInfo(fullName_).isFile()
        && package_->contentType(mainPart_)
               == QLatin1String("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
}

void Document::Close(int saveChanges)
{
    if (saveChanges == wdSaveChanges) {
        if (!QFileInfo(fullName_).isAbsolute())
            throw Exception(QStringLiteral("The document \"%1\" has never been saved: use SaveAs.").arg(fullName_));
        if (readOnly_)
            throw Exception(QStringLiteral("The document \"%1\" is read-only.").arg(shown(fullName_)));
        WriteDocx(*package_, fullName_);
    }
    owner_->close(this); // destroys this document
}

const std::vector<pugi::xml_node> &Document::paragraphList()
{
    if (cacheVersion_ != version_) {
        paragraphs_ = story::paragraphs(body());
        if (paragraphs_.empty()) {
            // Edits took every paragraph away; Word always keeps one.
            pugi::xml_node b = body();
            pugi::xml_node sect = b.child("w:sectPr");
            paragraphs_.push_back(sect ? b.insert_child_before("w:p", sect) : b.append_child("w:p"));
        }
        index_.clear();
        for (size_t i = 0; i < paragraphs_.size(); ++i)
            index_.emplace(paragraphs_[i].internal_object(), int(i));
        starts_.clear();
        levels_.clear();
        shapesCached_ = false;
        cacheVersion_ = version_;
    }
    return paragraphs_;
}

void Document::releaseLookups()
{
    std::vector<pugi::xml_node>().swap(paragraphs_);
    std::unordered_map<const void *, int>().swap(index_);
    std::vector<int>().swap(starts_);
    std::vector<int>().swap(levels_);
    std::unordered_map<const void *, fields::ParagraphFields>().swap(fields_);
    std::vector<shapes::ShapeRef>().swap(inlineShapes_);
    std::vector<shapes::ShapeRef>().swap(floatingShapes_);
    shapesCached_ = false;
    // Versions start at 1: nothing built matches these.
    cacheVersion_ = 0;
    fieldsVersion_ = 0;
}

int Document::paragraphIndex(pugi::xml_node p)
{
    paragraphList();
    auto it = index_.find(p.internal_object());
    return it == index_.end() ? -1 : it->second;
}

int Document::paragraphStart(pugi::xml_node p)
{
    const std::vector<pugi::xml_node> &list = paragraphList();
    if (starts_.empty()) {
        starts_.reserve(list.size());
        int pos = 0;
        for (pugi::xml_node q : list) {
            starts_.push_back(pos);
            pos += story::length(q) + 1;
        }
    }
    const int i = paragraphIndex(p);
    return i < 0 ? 0 : starts_[size_t(i)];
}

const std::vector<int> &Document::outlineLevels()
{
    const std::vector<pugi::xml_node> &list = paragraphList();
    if (levels_.empty()) {
        levels_.reserve(list.size());
        for (pugi::xml_node p : list)
            levels_.push_back(styles_->paragraphOutlineLevel(p));
    }
    return levels_;
}

const fields::ParagraphFields &Document::paragraphFields(pugi::xml_node p)
{
    if (fieldsVersion_ != version_) {
        const std::vector<pugi::xml_node> &list = paragraphList();
        std::vector<fields::ParagraphFields> all = fields::inParagraphs(list);
        fields_.clear();
        for (size_t i = 0; i < list.size(); ++i)
            fields_.emplace(list[i].internal_object(), std::move(all[i]));
        fieldsVersion_ = version_;
    }
    auto it = fields_.find(p.internal_object());
    if (it != fields_.end())
        return it->second;
    otherFields_.fields = fields::inParagraph(p);
    otherFields_.parent.assign(otherFields_.fields.size(), -1);
    return otherFields_;
}

void Document::keepFields()
{
    if (fieldsVersion_ + 1 == version_)
        fieldsVersion_ = version_;
}

void Document::fieldRemoved(pugi::xml_node p, const fields::Field &f, bool withinParagraph)
{
    if (fieldsVersion_ + 1 != version_ || !withinParagraph)
        return; // rebuilt when next asked for
    auto it = fields_.find(p.internal_object());
    if (it == fields_.end())
        return;
    fields::ParagraphFields &group = it->second;
    // The field and those nested in it form one block in begin order.
    int i = int(group.fields.size()) - 1;
    while (i >= 0 && !(group.fields[size_t(i)] == f))
        --i;
    if (i < 0)
        return;
    int k = i + 1;
    while (k < int(group.fields.size()) && group.parent[size_t(k)] >= i)
        ++k;
    group.fields.erase(group.fields.begin() + i, group.fields.begin() + k);
    group.parent.erase(group.parent.begin() + i, group.parent.begin() + k);
    for (size_t j = size_t(i); j < group.parent.size(); ++j)
        if (group.parent[j] >= k)
            group.parent[j] -= k - i;
    fieldsVersion_ = version_;
}

const std::vector<shapes::ShapeRef> &Document::inlineShapeList()
{
    const std::vector<pugi::xml_node> &list = paragraphList();
    if (!shapesCached_) {
        inlineShapes_ = shapes::inlineShapes(list);
        floatingShapes_ = shapes::floatingShapes(list);
        shapesCached_ = true;
    }
    return inlineShapes_;
}

const std::vector<shapes::ShapeRef> &Document::floatingShapeList()
{
    inlineShapeList();
    return floatingShapes_;
}

// --- Documents, Application --------------------------------------------------

Documents::~Documents() = default;

Document *Documents::Open(const QString &fileName, int format, const QString &pictureFolder)
{
    const QString full = QFileInfo(fileName).absoluteFilePath();
    const QString suffix = QFileInfo(full).suffix().toLower();
    const bool page = format == wdOpenFormatWebPages
                      || (format == wdOpenFormatAuto && (suffix == QLatin1String("htm") || suffix == QLatin1String("html")));
    const bool zip = !page && Package::Sniff(full) == Package::Kind::Zip;
    std::unique_ptr<Package> pkg = page ? ImportHtmlFile(full, pictureFolder) : openPackage(full);
    const QString stylesBefore =
        pkg->relationshipByType(pkg->mainDocumentPart(), QString::fromLatin1(reltype::Styles)).targetPart;
    std::unique_ptr<Document> doc(new Document(this, std::move(pkg), full));
    doc->readOnly_ = fileIsReadOnly(full);
    // Opening adds a styles part when the file has none (or names a missing one).
    doc->readAsItStands_ = zip && !stylesBefore.isEmpty() && doc->package_->hasPart(stylesBefore);
    doc->openedVersion_ = doc->version_;
    docs_.push_back(std::move(doc));
    return docs_.back().get();
}

Document *Documents::Add(const QString &templateFile, bool ownWork)
{
    if (templateFile.isEmpty())
        return Add();
    const QString full = QFileInfo(templateFile).absoluteFilePath();
    // A document the program saved itself is no hostile input: the memory
    // set aside for documents from elsewhere does not bound it.
    std::unique_ptr<Package> pkg = ownWork ? Package::Open(full, Package::Limits::OwnWork()) : openPackage(full);
    std::unique_ptr<Document> doc(new Document(this, std::move(pkg), QStringLiteral("Document%1").arg(++added_)));
    docs_.push_back(std::move(doc));
    return docs_.back().get();
}

Document *Documents::Add()
{
    std::unique_ptr<Document> doc(
        new Document(this, NewDocumentPackage(), QStringLiteral("Document%1").arg(++added_)));
    docs_.push_back(std::move(doc));
    return docs_.back().get();
}

Document *Documents::Item(int index) const
{
    return itemAt(docs_, index).get();
}

void Documents::close(Document *doc)
{
    for (auto it = docs_.begin(); it != docs_.end(); ++it)
        if (it->get() == doc) {
            docs_.erase(it);
            return;
        }
}

void Documents::closeAll()
{
    docs_.clear();
}

Application::Application() : documents_(this)
{
    // Pages may be read on several threads, each with an Application.
    PrepareHtmlParser();
}

Application::~Application() = default;

void Application::Quit(int saveChanges)
{
    if (saveChanges == wdSaveChanges)
        while (documents_.Count() > 0)
            documents_.Item(1)->Close(wdSaveChanges);
    documents_.closeAll();
}

} // namespace word
