// The object model's calls that build documents: paragraph formats, fonts
// of styles and ranges, paragraph marks, copy and paste, new fields,
// hyperlinks and bookmarks, the page setup and the styles collection.
#include "platform/word/Document.h"

#include "platform/word/HtmlImport.h"
#include "platform/word/HtmlXml.h"
#include "platform/word/Story.h"
#include "platform/word/XmlText.h"

#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <functional>

namespace word {

namespace {

bool is(pugi::xml_node n, const char *name)
{
    return std::strcmp(n.name(), name) == 0;
}

// The schema's order of run and paragraph properties: a property added to
// w:rPr / w:pPr / w:sectPr goes to its place so that Word reads the file.
const char *const kRunOrder[] = {"w:rStyle", "w:rFonts", "w:b", "w:bCs", "w:i", "w:iCs", "w:caps", "w:smallCaps",
                                 "w:strike", "w:dstrike", "w:outline", "w:shadow", "w:emboss", "w:imprint",
                                 "w:noProof", "w:snapToGrid", "w:vanish", "w:webHidden", "w:color", "w:spacing",
                                 "w:w", "w:kern", "w:position", "w:sz", "w:szCs", "w:highlight", "w:u", "w:effect",
                                 "w:bdr", "w:shd", "w:fitText", "w:vertAlign", "w:rtl", "w:cs", "w:em", "w:lang",
                                 "w:eastAsianLayout", "w:specVanish", "w:oMath", nullptr};
const char *const kParaOrder[] = {"w:pStyle", "w:keepNext", "w:keepLines", "w:pageBreakBefore", "w:framePr",
                                  "w:widowControl", "w:numPr", "w:suppressLineNumbers", "w:pBdr", "w:shd", "w:tabs",
                                  "w:suppressAutoHyphens", "w:kinsoku", "w:wordWrap", "w:overflowPunct",
                                  "w:topLinePunct", "w:autoSpaceDE", "w:autoSpaceDN", "w:bidi", "w:adjustRightInd",
                                  "w:snapToGrid", "w:spacing", "w:ind", "w:contextualSpacing", "w:mirrorIndents",
                                  "w:suppressOverlap", "w:jc", "w:textDirection", "w:textAlignment",
                                  "w:textboxTightWrap", "w:outlineLvl", "w:divId", "w:cnfStyle", "w:rPr", "w:sectPr",
                                  "w:pPrChange", nullptr};
const char *const kSectionOrder[] = {"w:headerReference", "w:footerReference", "w:footnotePr", "w:endnotePr",
                                     "w:type", "w:pgSz", "w:pgMar", "w:paperSrc", "w:pgBorders", "w:lnNumType",
                                     "w:pgNumType", "w:cols", "w:formProt", "w:vAlign", "w:noEndnote",
                                     "w:titlePg", "w:textDirection", "w:bidi", "w:rtlGutter", "w:docGrid",
                                     "w:printerSettings", "w:sectPrChange", nullptr};

int orderOf(const char *const *order, const char *name)
{
    for (int i = 0; order[i]; ++i)
        if (std::strcmp(order[i], name) == 0)
            return i;
    return 1000;
}

// The child of that name, added at its place in the order when missing.
pugi::xml_node orderedChild(pugi::xml_node parent, const char *name, const char *const *order)
{
    if (pugi::xml_node c = parent.child(name))
        return c;
    const int rank = orderOf(order, name);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && orderOf(order, c.name()) > rank)
            return parent.insert_child_before(name, c);
    return parent.append_child(name);
}

// The properties element that comes first in its parent (w:rPr in a run, w:pPr in a paragraph).
pugi::xml_node firstChildNamed(pugi::xml_node parent, const char *name)
{
    if (pugi::xml_node c = parent.child(name))
        return c;
    return parent.prepend_child(name);
}

void setVal(pugi::xml_node n, const char *value)
{
    pugi::xml_attribute a = n.attribute("w:val");
    if (!a)
        a = n.append_attribute("w:val");
    a.set_value(value);
}

// Word's colour number (red in the low byte) as RRGGBB, and back.
QByteArray colorHex(int color)
{
    if (color == wdColorAutomatic || color < 0)
        return "auto";
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    return QStringLiteral("%1%2%3")
        .arg(r, 2, 16, QLatin1Char('0'))
        .arg(g, 2, 16, QLatin1Char('0'))
        .arg(b, 2, 16, QLatin1Char('0'))
        .toUpper()
        .toLatin1();
}

int colorNumber(const QString &hex)
{
    bool ok = false;
    const int v = hex.toInt(&ok, 16);
    if (!ok || hex.size() != 6)
        return wdColorAutomatic;
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

// The offset in p at which a marker element (not itself a character) lies.
int offsetBefore(pugi::xml_node p, pugi::xml_node marker)
{
    for (const story::Atom &a : story::atoms(p))
        if (story::precedes(marker, a.node))
            return a.start;
    return story::length(p);
}

// Places a copy of node (built in a scratch tree) at the point; gives the copy.
pugi::xml_node insertAt(story::InsertPoint ip, pugi::xml_node node)
{
    return ip.before ? ip.parent.insert_copy_before(node, ip.before) : ip.parent.append_copy(node);
}

// Paste, Fields.Add and Hyperlinks.Add replace what a range holds, as
// Word does: its characters go and the range shrinks to their place. A
// range over several paragraphs or holding part of a field is refused
// rather than half replaced. Gives the removed text.
QString clearRange(word::Range &range)
{
    const pugi::xml_node p = range.startParagraph();
    const int from = std::min(range.startOffset(), story::length(p));
    const int to = range.endParagraph() == p ? std::min(range.endOffset(), story::length(p)) : -1;
    if (range.endParagraph() == p && to <= from) {
        range.Collapse(wdCollapseStart);
        return QString();
    }
    if (to < 0)
        throw Exception(QStringLiteral("Only a range inside one paragraph can be replaced."));
    for (const story::Atom &a : story::atoms(p))
        if (a.start >= from && a.start < to
            && (a.kind == story::AtomKind::FieldBegin || a.kind == story::AtomKind::FieldSeparate
                || a.kind == story::AtomKind::FieldEnd || a.kind == story::AtomKind::Code))
            throw Exception(QStringLiteral("A range holding a field cannot be replaced."));
    const QString removed = story::text(p, from, to);
    story::splitAt(p, to);
    story::splitAt(p, from);
    pugi::xml_node first, last;
    for (const story::Atom &a : story::atoms(p))
        if (a.start >= from && a.start < to) {
            if (!first)
                first = a.run;
            last = a.run;
        }
    if (first)
        story::removeRange(first, last);
    range.document()->touch();
    range = word::Range(range.document(), p, from, p, from);
    return removed;
}

// Where new runs go at a point: never inside an existing hyperlink.
story::InsertPoint runPoint(pugi::xml_node p, int offset)
{
    story::InsertPoint ip = story::splitAt(p, std::min(offset, story::length(p)));
    while (ip.parent != p && (is(ip.parent, "w:hyperlink") || is(ip.parent, "w:fldSimple"))) {
        ip.before = ip.parent.next_sibling();
        ip.parent = ip.parent.parent();
    }
    return ip;
}

pugi::xml_node newRun(pugi::xml_document &scratch)
{
    return scratch.append_child("w:r");
}

struct Paper {
    int number;
    int w, h; // twips
};
const Paper kPapers[] = {{wdPaper10x14, 14400, 20160}, {wdPaper11x17, 15840, 24480}, {wdPaperLetter, 12240, 15840},
                         {wdPaperLetterSmall, 12240, 15840}, {wdPaperLegal, 12240, 20160},
                         {wdPaperExecutive, 10440, 15120}, {wdPaperA3, 16838, 23811}, {wdPaperA4, 11906, 16838},
                         {wdPaperA4Small, 11906, 16838}, {wdPaperA5, 8391, 11906}, {wdPaperB4, 14570, 20636},
                         {wdPaperB5, 10318, 14570}};

std::vector<pugi::xml_node> sections(Document *doc)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xpath_node x : doc->body().select_nodes(".//w:sectPr"))
        out.push_back(x.node());
    if (out.empty())
        out.push_back(doc->body().append_child("w:sectPr"));
    return out;
}

int twips(double points)
{
    return int(std::lround(points * 20));
}

} // namespace

// --- ParagraphFormat ------------------------------------------------------------

QString ParagraphFormat::Style() const
{
    const QString id = QString::fromUtf8(p_.child("w:pPr").child("w:pStyle").attribute("w:val").value());
    const word::Style *s = doc_->styles().byId(id);
    if (!s)
        s = doc_->styles().defaultStyle();
    return s ? s->name : QString();
}

void ParagraphFormat::setStyle(int wdBuiltinStyle)
{
    const QString id = doc_->styles().ensureBuiltIn(wdBuiltinStyle);
    if (id.isEmpty())
        throw Exception(QStringLiteral("The requested member of the collection does not exist."));
    story::setParagraphStyle(p_, id);
    doc_->touch();
    doc_->keepFields();
}

void ParagraphFormat::setStyle(const QString &name)
{
    const word::Style *s = doc_->styles().byName(name);
    if (!s)
        s = doc_->styles().byId(name);
    if (!s)
        throw Exception(QStringLiteral("The requested member of the collection does not exist."));
    story::setParagraphStyle(p_, s->id);
    doc_->touch();
    doc_->keepFields();
}

int ParagraphFormat::Alignment() const
{
    pugi::xml_node jc = p_.child("w:pPr").child("w:jc");
    if (!jc) {
        const QString id = QString::fromUtf8(p_.child("w:pPr").child("w:pStyle").attribute("w:val").value());
        const word::Style *def = doc_->styles().defaultStyle();
        jc = doc_->styles().paragraphProperties(id.isEmpty() && def ? def->id : id).child("w:jc");
    }
    const QString v = xml::val(jc);
    if (v == QLatin1String("center"))
        return wdAlignParagraphCenter;
    if (v == QLatin1String("right") || v == QLatin1String("end"))
        return wdAlignParagraphRight;
    if (v == QLatin1String("both") || v == QLatin1String("distribute"))
        return wdAlignParagraphJustify;
    return wdAlignParagraphLeft;
}

void ParagraphFormat::setAlignment(int alignment)
{
    static const char *const values[] = {"left", "center", "right", "both"};
    if (alignment < 0 || alignment > 3)
        throw Exception(QStringLiteral("The alignment %1 is not supported here.").arg(alignment));
    pugi::xml_node pPr = firstChildNamed(p_, "w:pPr");
    setVal(orderedChild(pPr, "w:jc", kParaOrder), values[alignment]);
    doc_->touch();
    doc_->keepFields();
}

// --- Font ----------------------------------------------------------------------

Font Font::ofStyle(Document *doc, const QString &styleId)
{
    Font f(doc);
    f.styleId_ = styleId;
    f.isStyle_ = true;
    return f;
}

Font Font::ofRange(const word::Range &range)
{
    Font f(range.document());
    f.startP_ = range.startParagraph();
    f.startOff_ = range.startOffset();
    f.endP_ = range.endParagraph();
    f.endOff_ = range.endOffset();
    return f;
}

pugi::xml_node Font::effective(pugi::xml_document &scratch) const
{
    word::Styles &styles = doc_->styles();
    pugi::xml_node out = scratch.append_child("w:rPr");
    auto overlay = [&out](pugi::xml_node rPr) {
        for (pugi::xml_node c = rPr.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            if (pugi::xml_node old = out.child(c.name()))
                out.remove_child(old);
            out.append_copy(c);
        }
    };
    if (isStyle_) {
        overlay(styles.runProperties(styleId_));
        return out;
    }
    QString pStyle = QString::fromUtf8(startP_.child("w:pPr").child("w:pStyle").attribute("w:val").value());
    if (pStyle.isEmpty() && styles.defaultStyle())
        pStyle = styles.defaultStyle()->id;
    overlay(styles.runProperties(pStyle));
    for (const story::Atom &a : story::atoms(startP_))
        if (a.start >= startOff_ && a.kind == story::AtomKind::Text) {
            pugi::xml_node rPr = a.run.child("w:rPr");
            const QString rStyle = xml::val(rPr.child("w:rStyle"));
            if (!rStyle.isEmpty())
                overlay(styles.runProperties(rStyle));
            overlay(rPr);
            break;
        }
    return out;
}

QString Font::Name() const
{
    pugi::xml_document scratch;
    pugi::xml_node fonts = effective(scratch).child("w:rFonts");
    QString name = xml::attr(fonts, "w:ascii");
    if (name.isEmpty())
        name = xml::attr(fonts, "w:hAnsi");
    return name;
}

int Font::Color() const
{
    pugi::xml_document scratch;
    return colorNumber(xml::val(effective(scratch).child("w:color")));
}

double Font::Size() const
{
    pugi::xml_document scratch;
    pugi::xml_node sz = effective(scratch).child("w:sz");
    return sz ? xml::intVal(sz, 20) / 2.0 : 10.0;
}

bool Font::Bold() const
{
    pugi::xml_document scratch;
    return xml::onOff(effective(scratch).child("w:b"));
}

bool Font::Italic() const
{
    pugi::xml_document scratch;
    return xml::onOff(effective(scratch).child("w:i"));
}

int Font::Underline() const
{
    pugi::xml_document scratch;
    pugi::xml_node u = effective(scratch).child("w:u");
    return u && xml::val(u) != QLatin1String("none") ? wdUnderlineSingle : wdUnderlineNone;
}

namespace {

// Calls fn once for each run in the range from (startP, startOff) to
// (endP, endOff). With split, runs that cross the range's ends are split
// first, so that fn reaches only the range's text.
void eachRunIn(pugi::xml_node startP, int startOff, pugi::xml_node endP, int endOff, bool split,
               const std::function<void(pugi::xml_node)> &fn)
{
    for (pugi::xml_node p = startP; p; p = story::nextParagraph(p)) {
        if (p == endP && endOff == 0 && p != startP)
            break;
        const int len = story::length(p);
        const int from = p == startP ? startOff : 0;
        const int to = p == endP ? std::min(endOff, len) : len;
        if (to > from) {
            if (split) {
                story::splitAt(p, to);
                story::splitAt(p, from);
            }
            pugi::xml_node last;
            for (const story::Atom &a : story::atoms(p)) {
                if (a.start < from || a.start >= to || a.run == last)
                    continue;
                last = a.run;
                fn(last);
            }
        }
        if (p == endP)
            break;
    }
}

} // namespace

void Font::set(const char *element, const char *value, bool remove)
{
    auto apply = [&](pugi::xml_node rPr) {
        if (remove) {
            rPr.remove_child(element);
            return;
        }
        pugi::xml_node e = orderedChild(rPr, element, kRunOrder);
        if (value)
            setVal(e, value);
        else
            e.remove_attribute("w:val");
    };
    if (isStyle_) {
        const word::Style *s = doc_->styles().byId(styleId_);
        if (!s)
            throw Exception(QStringLiteral("The style \"%1\" does not exist.").arg(styleId_));
        pugi::xml_node node = s->node;
        pugi::xml_node rPr = node.child("w:rPr");
        if (!rPr) {
            pugi::xml_node pPr = node.child("w:pPr");
            rPr = pPr ? node.insert_child_after("w:rPr", pPr) : node.append_child("w:rPr");
        }
        apply(rPr);
        doc_->styles().reload();
        doc_->touch();
        doc_->keepFields();
        return;
    }
    eachRunIn(startP_, startOff_, endP_, endOff_, true,
              [&](pugi::xml_node run) { apply(firstChildNamed(run, "w:rPr")); });
    doc_->touch();
    doc_->keepFields();
}

void Font::setName(const QString &name)
{
    const QByteArray face = XmlUtf8(name);
    set("w:rFonts", nullptr);
    auto apply = [&face](pugi::xml_node fonts) {
        for (const char *a : {"w:asciiTheme", "w:hAnsiTheme", "w:cstheme"})
            fonts.remove_attribute(a);
        for (const char *a : {"w:ascii", "w:hAnsi", "w:cs"}) {
            pugi::xml_attribute at = fonts.attribute(a);
            if (!at)
                at = fonts.append_attribute(a);
            at.set_value(face.constData());
        }
    };
    if (isStyle_) {
        if (const word::Style *s = doc_->styles().byId(styleId_))
            apply(s->node.child("w:rPr").child("w:rFonts"));
        doc_->styles().reload();
        return;
    }
    // set() above split the runs at the range's ends.
    eachRunIn(startP_, startOff_, endP_, endOff_, false,
              [&](pugi::xml_node run) { apply(run.child("w:rPr").child("w:rFonts")); });
}

void Font::setColor(int color)
{
    set("w:color", colorHex(color).constData());
}

void Font::setSize(double points)
{
    if (!(points >= 1 && points <= 1638))
        throw Exception(QStringLiteral("The font size %1 is out of range.").arg(points));
    const QByteArray half = QByteArray::number(int(std::lround(points * 2)));
    set("w:sz", half.constData());
    set("w:szCs", half.constData());
}

void Font::setBold(bool on)
{
    set("w:b", on ? nullptr : "0");
}

void Font::setItalic(bool on)
{
    set("w:i", on ? nullptr : "0");
}

void Font::setUnderline(int underline)
{
    set("w:u", underline == wdUnderlineNone ? "none" : "single");
}

// --- Range: paragraph marks, copy and paste -------------------------------------------

void Range::InsertParagraphAfter()
{
    resolve();
    pugi::xml_node split = endP_;
    const bool atEnd = endOff_ >= story::length(endP_);
    InsertAfter(QStringLiteral("\r"));
    if (!atEnd || endP_ == split)
        return;
    // Bookmarks that ended at the end of the text stay in their paragraph,
    // and so do those that begin and end there (an empty bookmark): left in
    // the new paragraph, they would travel on with every mark added later.
    for (pugi::xml_node c = endP_.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (is(c, "w:bookmarkEnd") || is(c, "w:bookmarkStart"))
            split.append_move(c);
        else if (!is(c, "w:pPr"))
            break;
        c = next;
    }
    // Like pressing Enter at the end of a heading: the next style follows.
    const QString id = QString::fromUtf8(split.child("w:pPr").child("w:pStyle").attribute("w:val").value());
    const word::Style *s = doc_->styles().byId(id);
    if (s && !s->next.isEmpty() && s->next != s->id && doc_->styles().byId(s->next)) {
        story::setParagraphStyle(endP_, s->next);
        doc_->touch();
    }
}

void Range::Copy() const
{
    resolve();
    doc_->application()->setClipboard(
        CopyContent(doc_->package(), doc_->styles(), startP_, startOff_, endP_, endOff_));
}

void Range::Paste()
{
    resolve();
    const Clip &clip = doc_->application()->clipboard();
    if (!clip.package)
        throw Exception(QStringLiteral("The clipboard is empty: nothing was copied to paste."));
    clearRange(*this);
    const PasteResult r = PasteContent(doc_->package(), doc_->styles(), doc_->transferIndex(), startP_,
                                       std::min(startOff_, story::length(startP_)), clip);
    startP_ = r.firstP;
    startOff_ = r.firstOffset;
    endP_ = r.endP;
    endOff_ = r.endOffset;
    doc_->touch();
}

// --- Fields.Add ---------------------------------------------------------------------

word::Field Fields::Add(word::Range &range, int type, const QString &text, bool preserveFormatting)
{
    static const QHash<int, QString> keywords = {{fields::wdFieldIndexEntry, QStringLiteral("XE")},
                                                 {fields::wdFieldRef, QStringLiteral("REF")},
                                                 {fields::wdFieldTOC, QStringLiteral("TOC")},
                                                 {fields::wdFieldPageRef, QStringLiteral("PAGEREF")},
                                                 {fields::wdFieldHyperlink, QStringLiteral("HYPERLINK")}};
    QString code;
    if (type == fields::wdFieldEmpty) {
        code = text;
    } else if (keywords.contains(type)) {
        code = QLatin1Char(' ') + keywords.value(type) + (text.isEmpty() ? QString() : QLatin1Char(' ') + text)
               + QLatin1Char(' ');
        if (preserveFormatting && type != fields::wdFieldIndexEntry)
            code += QStringLiteral("\\* MERGEFORMAT ");
    } else {
        throw Exception(QStringLiteral("The field type %1 is not supported here.").arg(type));
    }
    const bool withResult = type != fields::wdFieldIndexEntry;
    // Whether the range is collapsed, seen from its ends alone: absolute
    // positions would rebuild the whole story's paragraph list after every
    // field, and fields added one after another would cost the square.
    const bool collapsed = range.startParagraph() == range.endParagraph() && range.startOffset() == range.endOffset();
    clearRange(range);
    const story::InsertPoint ip = runPoint(range.startParagraph(), range.startOffset());
    pugi::xml_document scratch;
    auto fieldChar = [&](const char *kind) {
        pugi::xml_node r = newRun(scratch);
        pugi::xml_node c = r.append_child("w:fldChar");
        c.append_attribute("w:fldCharType").set_value(kind);
        return insertAt(ip, r).child("w:fldChar");
    };
    fields::Field f;
    f.begin = fieldChar("begin");
    pugi::xml_node r = newRun(scratch);
    pugi::xml_node instr = r.append_child("w:instrText");
    instr.append_attribute("xml:space").set_value("preserve");
    instr.text().set(XmlUtf8(code).constData());
    insertAt(ip, r);
    if (withResult)
        f.separate = fieldChar("separate");
    f.end = fieldChar("end");
    doc_->touch();
    if (collapsed) {
        const pugi::xml_node p = story::paragraphOf(f.end);
        const int after = story::offsetOf(p, f.end) + 1;
        range = word::Range(doc_, p, after, p, after);
    }
    return word::Field(doc_, f);
}

// --- Hyperlinks ----------------------------------------------------------------------

Range Hyperlink::Range() const
{
    if (!doc_ || !link_)
        throw Exception(QStringLiteral("This hyperlink has no text range."));
    const pugi::xml_node p = story::paragraphOf(link_);
    int from = -1, to = -1;
    for (const story::Atom &a : story::atoms(p)) {
        bool inside = false;
        for (pugi::xml_node n = a.run; n && n != p; n = n.parent())
            if (n == link_) {
                inside = true;
                break;
            }
        if (!inside)
            continue;
        if (from < 0)
            from = a.start;
        to = a.start + a.length;
    }
    if (from < 0)
        from = to = offsetBefore(p, link_);
    return word::Range(doc_, p, from, p, to);
}

Hyperlink Hyperlinks::Add(const word::Range &anchor, const QString &address, const QString &subAddress,
                          const QString &screenTip, const QString &textToDisplay)
{
    if (address.isEmpty() && subAddress.isEmpty())
        throw Exception(QStringLiteral("A hyperlink needs an address or a place in the document."));
    // The anchor's own text is shown unless other text is given.
    word::Range at = anchor;
    const QString anchorText = clearRange(at);
    story::InsertPoint ip = runPoint(at.startParagraph(), at.startOffset());
    pugi::xml_document scratch;
    pugi::xml_node link = scratch.append_child("w:hyperlink");
    if (!address.isEmpty()) {
        const QString target = subAddress.isEmpty() ? address : address + QLatin1Char('#') + subAddress;
        const QString id = doc_->package().addRelationship(doc_->mainPart(), QString::fromLatin1(reltype::Hyperlink),
                                                           target, true);
        link.append_attribute("r:id").set_value(id.toUtf8().constData());
    } else {
        link.append_attribute("w:anchor").set_value(XmlUtf8(subAddress).constData());
    }
    if (!screenTip.isEmpty())
        link.append_attribute("w:tooltip").set_value(XmlUtf8(screenTip).constData());
    link.append_attribute("w:history").set_value("1");
    pugi::xml_node r = link.append_child("w:r");
    const QString style = doc_->styles().ensureBuiltIn(wdStyleHyperlink);
    if (!style.isEmpty())
        r.append_child("w:rPr").append_child("w:rStyle").append_attribute("w:val").set_value(style.toUtf8().constData());
    pugi::xml_node t = r.append_child("w:t");
    t.append_attribute("xml:space").set_value("preserve");
    const QString shownText = !textToDisplay.isEmpty() ? textToDisplay
                              : !anchorText.isEmpty()  ? anchorText
                              : address.isEmpty()      ? subAddress
                                                       : address;
    QString flat = shownText;
    flat.replace(QRegularExpression(QStringLiteral("[\\r\\n]+")), QStringLiteral(" "));
    t.text().set(XmlUtf8(flat).constData());
    pugi::xml_node placed = insertAt(ip, link);
    doc_->touch();
    doc_->keepFields();
    shapes::Hyperlink h;
    h.present = true;
    h.address = address;
    h.subAddress = subAddress;
    h.screenTip = screenTip;
    return word::Hyperlink(doc_, placed, h);
}

// --- Bookmarks -------------------------------------------------------------------------

std::vector<pugi::xml_node> Bookmarks::starts() const
{
    std::vector<pugi::xml_node> out;
    for (pugi::xpath_node x : doc_->body().select_nodes(".//w:bookmarkStart")) {
        const char *name = x.node().attribute("w:name").value();
        if (doc_->showHiddenBookmarks() || name[0] != '_')
            out.push_back(x.node());
    }
    return out;
}

int Bookmarks::Count() const
{
    return int(starts().size());
}

Bookmark Bookmarks::Item(int index) const
{
    const std::vector<pugi::xml_node> list = starts();
    if (index < 1 || index > int(list.size()))
        throw Exception(QStringLiteral("The requested member of the collection does not exist."));
    return Bookmark(doc_, QString::fromUtf8(list[size_t(index - 1)].attribute("w:name").value()));
}

bool Bookmarks::Exists(const QString &name) const
{
    const QString wanted = ValidBookmarkName(name);
    for (pugi::xpath_node x : doc_->body().select_nodes(".//w:bookmarkStart"))
        if (QString::fromUtf8(x.node().attribute("w:name").value()).compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool Bookmarks::ShowHidden() const
{
    return doc_->showHiddenBookmarks();
}

void Bookmarks::setShowHidden(bool on)
{
    doc_->setShowHiddenBookmarks(on);
}

namespace {

// The start and end elements of a bookmark of the main story.
std::pair<pugi::xml_node, pugi::xml_node> findBookmark(Document *doc, const QString &name)
{
    pugi::xml_node start;
    for (pugi::xpath_node x : doc->body().select_nodes(".//w:bookmarkStart"))
        if (QString::fromUtf8(x.node().attribute("w:name").value()).compare(name, Qt::CaseInsensitive) == 0) {
            start = x.node();
            break;
        }
    if (!start)
        return {};
    const char *id = start.attribute("w:id").value();
    pugi::xml_node end;
    for (pugi::xpath_node x : doc->body().select_nodes(".//w:bookmarkEnd"))
        if (std::strcmp(x.node().attribute("w:id").value(), id) == 0) {
            end = x.node();
            break;
        }
    return {start, end};
}

} // namespace

Bookmark Bookmarks::Add(const QString &name, const word::Range &range)
{
    const QString valid = ValidBookmarkName(name);
    if (valid.isEmpty())
        throw Exception(QStringLiteral("A bookmark needs a name."));
    TransferIndex &index = doc_->transferIndex();
    if (index.bookmarkNames.contains(valid.toLower()))
        Bookmark(doc_, valid).Delete();
    const int id = index.nextBookmarkId++;
    index.bookmarkNames.insert(valid.toLower());
    pugi::xml_document scratch;
    pugi::xml_node end = scratch.append_child("w:bookmarkEnd");
    end.append_attribute("w:id").set_value(id);
    pugi::xml_node start = scratch.append_child("w:bookmarkStart");
    start.append_attribute("w:id").set_value(id);
    start.append_attribute("w:name").set_value(valid.toUtf8().constData());
    // The end first: marking it splits no character the start depends on.
    pugi::xml_node endP = range.endParagraph(), startP = range.startParagraph();
    const pugi::xml_node placedEnd = insertAt(story::splitAt(endP, std::min(range.endOffset(), story::length(endP))), end);
    const pugi::xml_node placedStart =
        insertAt(story::splitAt(startP, std::min(range.startOffset(), story::length(startP))), start);
    doc_->touch();
    doc_->keepFields();
    Bookmark made(doc_, valid);
    made.start_ = placedStart;
    made.end_ = placedEnd;
    made.version_ = doc_->version();
    return made;
}

Range Bookmark::Range() const
{
    const auto [start, end] = version_ == doc_->version() ? std::pair(start_, end_) : findBookmark(doc_, name_);
    if (!start)
        throw Exception(QStringLiteral("The bookmark \"%1\" does not exist.").arg(name_));
    const pugi::xml_node sp = story::paragraphOf(start);
    const pugi::xml_node ep = end ? story::paragraphOf(end) : sp;
    const int so = offsetBefore(sp, start);
    const int eo = end ? offsetBefore(ep, end) : so;
    return word::Range(doc_, sp, so, ep, eo);
}

void Bookmark::Delete()
{
    const auto [start, end] = findBookmark(doc_, name_);
    if (start)
        start.parent().remove_child(start);
    if (end)
        end.parent().remove_child(end);
    doc_->transferIndex().bookmarkNames.remove(name_.toLower());
    doc_->touch();
    doc_->keepFields();
}

// --- Page setup ----------------------------------------------------------------------

bool LineNumbering::Active() const
{
    pugi::xml_node ln = sections(doc_).back().child("w:lnNumType");
    return ln && xml::intAttr(ln, "w:countBy", 0) > 0;
}

void LineNumbering::setActive(bool on)
{
    for (pugi::xml_node s : sections(doc_)) {
        if (!on) {
            s.remove_child("w:lnNumType");
            continue;
        }
        pugi::xml_node ln = orderedChild(s, "w:lnNumType", kSectionOrder);
        if (!ln.attribute("w:countBy"))
            ln.append_attribute("w:countBy").set_value(1);
        if (!ln.attribute("w:restart"))
            ln.append_attribute("w:restart").set_value("newPage");
    }
}

int PageSetup::PaperSize() const
{
    pugi::xml_node sz = sections(doc_).back().child("w:pgSz");
    const int w = xml::intAttr(sz, "w:w", 12240), h = xml::intAttr(sz, "w:h", 15840);
    for (const Paper &p : kPapers)
        if ((std::abs(p.w - w) <= 20 && std::abs(p.h - h) <= 20) || (std::abs(p.w - h) <= 20 && std::abs(p.h - w) <= 20))
            return p.number;
    return wdPaperCustom;
}

void PageSetup::setPaperSize(int paperSize)
{
    if (paperSize == wdPaperCustom)
        return;
    const Paper *paper = nullptr;
    for (const Paper &p : kPapers)
        if (p.number == paperSize)
            paper = &p;
    if (!paper)
        throw Exception(QStringLiteral("The paper size %1 is not supported here.").arg(paperSize));
    for (pugi::xml_node s : sections(doc_)) {
        pugi::xml_node sz = orderedChild(s, "w:pgSz", kSectionOrder);
        const bool landscape = xml::attr(sz, "w:orient") == QLatin1String("landscape");
        const int w = landscape ? paper->h : paper->w, h = landscape ? paper->w : paper->h;
        for (auto [name, v] : {std::pair{"w:w", w}, std::pair{"w:h", h}}) {
            pugi::xml_attribute a = sz.attribute(name);
            if (!a)
                a = sz.append_attribute(name);
            a.set_value(v);
        }
    }
}

double PageSetup::PageWidth() const
{
    return xml::intAttr(sections(doc_).back().child("w:pgSz"), "w:w", 12240) / 20.0;
}

double PageSetup::PageHeight() const
{
    return xml::intAttr(sections(doc_).back().child("w:pgSz"), "w:h", 15840) / 20.0;
}

void PageSetup::setPageWidth(double points)
{
    if (!(points >= 1 && points <= 1584))
        throw Exception(QStringLiteral("The page width %1 is out of range.").arg(points));
    for (pugi::xml_node s : sections(doc_)) {
        pugi::xml_node sz = orderedChild(s, "w:pgSz", kSectionOrder);
        pugi::xml_attribute a = sz.attribute("w:w") ? sz.attribute("w:w") : sz.append_attribute("w:w");
        a.set_value(twips(points));
    }
}

void PageSetup::setPageHeight(double points)
{
    if (!(points >= 1 && points <= 1584))
        throw Exception(QStringLiteral("The page height %1 is out of range.").arg(points));
    for (pugi::xml_node s : sections(doc_)) {
        pugi::xml_node sz = orderedChild(s, "w:pgSz", kSectionOrder);
        pugi::xml_attribute a = sz.attribute("w:h") ? sz.attribute("w:h") : sz.append_attribute("w:h");
        a.set_value(twips(points));
    }
}

double PageSetup::margin(const char *side) const
{
    return xml::intAttr(sections(doc_).back().child("w:pgMar"), side, 1440) / 20.0;
}

void PageSetup::setMargin(const char *side, double points)
{
    if (!(points >= 0 && points <= 1584))
        throw Exception(QStringLiteral("The margin %1 is out of range.").arg(points));
    for (pugi::xml_node s : sections(doc_)) {
        pugi::xml_node mar = s.child("w:pgMar");
        if (!mar) {
            mar = orderedChild(s, "w:pgMar", kSectionOrder);
            for (const char *a : {"w:top", "w:right", "w:bottom", "w:left"})
                mar.append_attribute(a).set_value(1440);
            for (const char *a : {"w:header", "w:footer"})
                mar.append_attribute(a).set_value(720);
            mar.append_attribute("w:gutter").set_value(0);
        }
        pugi::xml_attribute a = mar.attribute(side) ? mar.attribute(side) : mar.append_attribute(side);
        a.set_value(twips(points));
    }
}

// --- Styles collection -------------------------------------------------------------------

QString DocumentStyle::NameLocal() const
{
    const word::Style *s = doc_->styles().byId(id_);
    return s ? s->name : QString();
}

int DocumentStyle::Type() const
{
    const word::Style *s = doc_->styles().byId(id_);
    const QString t = s ? s->type : QString();
    if (t == QLatin1String("character"))
        return wdStyleTypeCharacter;
    if (t == QLatin1String("table"))
        return wdStyleTypeTable;
    if (t == QLatin1String("numbering"))
        return wdStyleTypeList;
    return wdStyleTypeParagraph;
}

void DocumentStyle::LinkToListTemplate(ListTemplate *listTemplate)
{
    if (listTemplate)
        throw Exception(QStringLiteral("Linking a style to a list template is not supported here."));
    const word::Style *s = doc_->styles().byId(id_);
    if (!s)
        throw Exception(QStringLiteral("The style \"%1\" does not exist.").arg(id_));
    pugi::xml_node pPr = s->node.child("w:pPr");
    if (pPr.child("w:numPr")) {
        pPr.remove_child("w:numPr");
        doc_->styles().reload();
        doc_->touch();
        doc_->keepFields();
    }
}

int DocumentStyles::Count() const
{
    return int(doc_->styles().all().size());
}

DocumentStyle DocumentStyles::Item(int index) const
{
    if (index < 0) {
        const QString id = doc_->styles().ensureBuiltIn(index);
        if (id.isEmpty())
            throw Exception(QStringLiteral("The requested member of the collection does not exist."));
        return DocumentStyle(doc_, id);
    }
    const QList<word::Style> &all = doc_->styles().all();
    if (index < 1 || index > all.size())
        throw Exception(QStringLiteral("The requested member of the collection does not exist."));
    return DocumentStyle(doc_, all[index - 1].id);
}

DocumentStyle DocumentStyles::Item(const QString &name) const
{
    const word::Style *s = doc_->styles().byName(name);
    if (!s)
        s = doc_->styles().byId(name);
    if (!s)
        throw Exception(QStringLiteral("The requested member of the collection does not exist."));
    return DocumentStyle(doc_, s->id);
}

// --- Document ----------------------------------------------------------------------------

Range Document::GoTo(int what, int which)
{
    return Paragraphs().First().Range().GoTo(what, which);
}

TransferIndex &Document::transferIndex()
{
    if (!transfer_.built)
        transfer_.build(*package_);
    return transfer_;
}

} // namespace word
