#include "platform/word/HtmlExport.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/word/HtmlWriterPrivate.h"
#include "platform/word/HtmlXml.h"
#include "platform/word/Package.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QFile>
#include <QSet>
#include <QtDebug>
#include <cmath>
#include <map>
#include <sys/stat.h>

namespace word {

namespace html {

QString escapeText(QStringView s)
{
    bool plain = true;
    for (qsizetype i = 0; i < s.size() && plain; ++i) {
        const char16_t c = s[i].unicode();
        plain = c >= 0x20 && c != '&' && c != '<' && c != '>' && c != 0xA0
                && !(c == ' ' && i + 1 < s.size() && s[i + 1] == QLatin1Char(' '));
    }
    if (plain)
        return s.toString();
    QString out;
    out.reserve(s.size() + 8);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        // A blank followed by another keeps its width, as Word writes it.
        if (c == QLatin1Char(' ') && i + 1 < s.size() && s[i + 1] == QLatin1Char(' ')) {
            out += QLatin1String("&nbsp;");
            continue;
        }
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case 0xA0: out += QLatin1String("&nbsp;"); break;
        default:
            // Control characters have no place in HTML text.
            if (c.unicode() >= 0x20 || c == QLatin1Char('\t'))
                out += c;
        }
    }
    return out;
}

// Style text for a single-quoted attribute (font names keep their double quotes).
QString styleAttr(const QString &css)
{
    QString out = css;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return out;
}

// A value for a double-quoted attribute.
QString escapeAttr(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

QString linkOpenTag(const LinkTarget &t)
{
    QString s = QLatin1String("<a href=\"") + escapeAttr(t.href) + QLatin1Char('"');
    if (!t.title.isEmpty())
        s += QLatin1String(" title=\"") + escapeAttr(t.title) + QLatin1Char('"');
    if (!t.target.isEmpty())
        s += QLatin1String(" target=\"") + escapeAttr(t.target) + QLatin1Char('"');
    return s + QLatin1Char('>');
}

} // namespace html

using namespace html;

namespace {

// A compact text of an element and everything in it, as a cache key.
void appendNodeKey(QByteArray &key, pugi::xml_node n, int depth = 0)
{
    // Properties sit a level or two deep; anything deeper does not format.
    if (depth > 4)
        return;
    for (; n; n = n.next_sibling()) {
        key += n.name();
        for (pugi::xml_attribute a : n.attributes())
            key.append(' ').append(a.name()).append('=').append(a.value());
        key += '{';
        appendNodeKey(key, n.first_child(), depth + 1);
        key += '}';
    }
}

// Words of a field code: quoted arguments keep their blanks.
QStringList fieldWords(const QString &code)
{
    QStringList words;
    QString cur;
    bool quoted = false, any = false;
    for (QChar c : code) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any)
                words << cur;
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any)
        words << cur;
    return words;
}

// HYPERLINK "address" \l "bookmark" \o "tip" \t "frame"; nullopt for other fields.
std::optional<LinkTarget> hyperlinkField(const QString &code)
{
    const QStringList w = fieldWords(code);
    if (w.isEmpty() || w[0].compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    LinkTarget t;
    QString address, anchor;
    for (int i = 1; i < w.size(); ++i) {
        const QString sw = w[i].toLower();
        auto arg = [&]() { return i + 1 < w.size() ? w[++i] : QString(); };
        if (sw == QLatin1String("\\l"))
            anchor = arg();
        else if (sw == QLatin1String("\\o"))
            t.title = arg();
        else if (sw == QLatin1String("\\t"))
            t.target = arg();
        else if (sw == QLatin1String("\\n"))
            t.target = QStringLiteral("_blank");
        else if (sw == QLatin1String("\\m"))
            ;
        else if (address.isEmpty() && !sw.startsWith(QLatin1Char('\\')))
            address = w[i];
    }
    t.href = address + (anchor.isEmpty() ? QString() : QLatin1Char('#') + anchor);
    return t;
}


// What a form field shows beyond its result: a check box its box (ticked
// or not); a drop-down list without a result its chosen entry.
QString formFieldValue(const FieldState &f, const QString &page)
{
    const QStringList w = fieldWords(f.code);
    if (w.isEmpty())
        return QString();
    if (w[0].compare(QLatin1String("FORMCHECKBOX"), Qt::CaseInsensitive) == 0) {
        pugi::xml_node box = f.ffData.child("w:checkBox");
        pugi::xml_node state = box.child("w:checked");
        if (!state)
            state = box.child("w:default");
        return QString(QChar(xml::onOff(state) ? 0x2612 : 0x2610));
    }
    if (w[0].compare(QLatin1String("FORMDROPDOWN"), Qt::CaseInsensitive) == 0
        && (f.resultAt < 0 || f.resultAt >= page.size())) {
        pugi::xml_node list = f.ffData.child("w:ddList");
        int chosen = xml::intVal(list.child("w:result"), -1);
        if (chosen < 0)
            chosen = xml::intVal(list.child("w:default"), 0);
        int i = 0;
        for (pugi::xml_node e : list.children("w:listEntry"))
            if (i++ == chosen)
                return xml::val(e);
    }
    return QString();
}

// Built-in styles whose class Word writes with the "Mso" prefix.
bool isBuiltInStyleName(const QString &lower)
{
    static const QSet<QString> names = {
        "normal", "title", "subtitle", "list paragraph", "caption", "footnote text",
        "endnote text", "body text", "body text 2", "body text 3", "body text indent",
        "body text indent 2", "body text indent 3", "body text first indent", "header",
        "footer", "quote", "intense quote", "no spacing", "list bullet", "list bullet 2",
        "list bullet 3", "list number", "list number 2", "list number 3", "list", "list 2",
        "list continue", "plain text", "normal (web)", "block text", "comment text",
        "balloon text", "index heading", "toc heading", "table of figures", "signature",
        "salutation", "date", "macro text", "bibliography", "normal indent", "document map",
        "envelope address", "closing", "message header", "note heading", "html preformatted",
        "index 1", "index 2", "index 3", "toc 1", "toc 2", "toc 3", "toc 4", "toc 5", "toc 6",
        "toc 7", "toc 8", "toc 9", "heading 7", "heading 8", "heading 9"};
    return names.contains(lower);
}

QString classFromName(const QString &name, bool builtIn)
{
    QString out = builtIn ? QStringLiteral("Mso") : QString();
    bool upperNext = builtIn;
    for (QChar c : name) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80) {
            out += upperNext ? c.toUpper() : c;
            upperNext = false;
        } else {
            upperNext = builtIn;
        }
    }
    if (out.isEmpty() || out[0].isDigit())
        out.prepend(QLatin1String("Style"));
    return out;
}

} // namespace

namespace html {

Writer::Writer(const Package &package, const HtmlExportOptions &options, const QString &fileName)
    : pkg_(package), opt_(options), fileName_(fileName)
{
    // A code page that cannot be written here fails before anything is written.
    if (options.codePage != 65001 && options.codePage != 1200)
        CodePage::requireAvailable(options.codePage);
    filesFolder_ = QFileInfo(fileName).completeBaseName() + options.folderSuffix;
    mainPart_ = package.mainDocumentPart();
    if (mainPart_.isEmpty() || !package.xml(mainPart_))
        throw Exception(QStringLiteral("The document \"%1\" has no main document part.")
                            .arg(package.fileName()));
    part_ = mainPart_;
    auto partOf = [&](const char *type) {
        return pkg_.relationshipByType(mainPart_, QLatin1String(type)).targetPart;
    };
    // Styles only reads the tree it is given.
    styles_ = std::make_unique<Styles>(
        const_cast<pugi::xml_document *>(pkg_.xml(partOf(reltype::Styles))));
    const pugi::xml_document *numbering = pkg_.xml(partOf(reltype::Numbering));
    const pugi::xml_document *stylesXml = styles_->document();
    numbering_.load(numbering ? numbering->child("w:numbering") : pugi::xml_node(),
                    stylesXml ? stylesXml->child("w:styles") : pugi::xml_node());
    // The theme and the font table only choose fonts: a damaged one leaves
    // the defaults instead of failing the whole page.
    auto optionalPart = [&](const char *type) -> const pugi::xml_document * {
        try {
            return pkg_.xml(partOf(type));
        } catch (const Exception &e) {
            qWarning().noquote() << e.message();
            return nullptr;
        }
    };
    const pugi::xml_document *theme =
        optionalPart("http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme");
    const pugi::xml_document *fontTable =
        optionalPart("http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable");
    fonts_.load(theme ? theme->child("a:theme") : pugi::xml_node(),
                fontTable ? fontTable->child("w:fonts") : pugi::xml_node());
    if (const Style *s = styles_->defaultStyle(QStringLiteral("paragraph")))
        defaultParaStyle_ = s->id;
    footnotesPart_ = partOf(reltype::Footnotes);
    endnotesPart_ = partOf(reltype::Endnotes);
}

const ParaFormat &Writer::styleParaFormat(const QString &styleId)
{
    auto it = paraCache_.constFind(styleId);
    if (it != paraCache_.constEnd())
        return *it;
    ParaFormat f;
    f.apply(styles_->defaultParagraphProperties());
    const QList<const Style *> chain = styles_->chain(styleId);
    for (auto s = chain.crbegin(); s != chain.crend(); ++s)
        f.apply((*s)->node.child("w:pPr"));
    f.pStyle = styleId;
    return *paraCache_.insert(styleId, f);
}

const RunFormat &Writer::styleRunFormat(const QString &styleId)
{
    auto it = runCache_.constFind(styleId);
    if (it != runCache_.constEnd())
        return *it;
    RunFormat f;
    f.halfPoints = 20; // Word's size when nothing sets one
    f.font = QStringLiteral("Times New Roman");
    f.apply(styles_->defaultRunProperties());
    const QList<const Style *> chain = styles_->chain(styleId);
    for (auto s = chain.crbegin(); s != chain.crend(); ++s)
        f.apply((*s)->node.child("w:rPr"));
    f.rStyle.reset();
    return *runCache_.insert(styleId, f);
}

RunFormat Writer::runFormat(const QString &paraStyle, pugi::xml_node rPr)
{
    RunFormat f = styleRunFormat(paraStyle);
    for (pugi::xml_node layer : std::as_const(cellLayers_))
        f.apply(layer.child("w:rPr"));
    if (pugi::xml_node rs = rPr.child("w:rStyle")) {
        const QList<const Style *> chain = styles_->chain(xml::val(rs));
        for (auto s = chain.crbegin(); s != chain.crend(); ++s)
            f.apply((*s)->node.child("w:rPr"));
    }
    f.apply(rPr);
    return f;
}

QString Writer::paraStyleOf(pugi::xml_node p) const
{
    const QString id = xml::val(p.child("w:pPr").child("w:pStyle"));
    if (!id.isEmpty() && styles_->byId(id))
        return id;
    return defaultParaStyle_;
}

QString Writer::classOf(const QString &styleId, int headingElement)
{
    QString cls = classCache_.value(styleId);
    if (cls.isEmpty()) {
        const Style *s = styles_->byId(styleId);
        if (styleId == defaultParaStyle_ || !s) {
            cls = QStringLiteral("MsoNormal");
        } else {
            const QString lower = s->name.toLower();
            const int h = Styles::headingLevelOfName(s->name);
            cls = h > 0 ? QStringLiteral("MsoHeading%1").arg(h)
                        : classFromName(s->name, isBuiltInStyleName(lower));
        }
        // Two styles whose names clean up alike get distinct classes.
        QString unique = cls;
        for (int n = 2; classStyle_.contains(unique) && classStyle_.value(unique) != styleId; ++n)
            unique = cls + QString::number(n);
        cls = unique;
        classCache_.insert(styleId, cls);
        classStyle_.insert(cls, styleId);
    }
    usedClasses_[cls].insert(headingElement);
    return cls;
}

void Writer::run()
{
    const pugi::xml_document *doc = pkg_.xml(mainPart_);
    pugi::xml_node body = doc->child("w:document").child("w:body");
    out_.reserve(1 << 16);
    // Sections end at paragraphs carrying a w:sectPr and at the body's last one.
    for (pugi::xml_node p : body.children("w:p"))
        if (pugi::xml_node s = p.child("w:pPr").child("w:sectPr"))
            sections_.append(s);
    sections_.append(body.child("w:sectPr"));
    out_ += QLatin1String("<div class=WordSection1>") + kNl + kNl;
    writeBlocks(body);
    out_ += QLatin1String("</div>") + kNl + kNl;
    writeNotes();

    QString page = head();
    // The document's language, as Word writes it ("EN-US").
    QString lang = xml::val(styles_->defaultRunProperties().child("w:lang")).toUpper();
    static const QRegularExpression langCode(QStringLiteral("^[A-Z]{2,3}(-[A-Z0-9]{2,8})*$"));
    if (!langCode.match(lang).hasMatch())
        lang = QStringLiteral("EN-US");
    page += QLatin1String("<body lang=") + lang + QLatin1String(" link=blue vlink=purple style='word-wrap:break-word'>")
            + kNl + kNl + out_ + QLatin1String("</body>") + kNl + kNl + QLatin1String("</html>") + kNl;
    writeFiles();
    // A metafile left unconverted is linked as the metafile that was written;
    // links stand in the page as writeImage escaped them.
    for (const Picture &pic : std::as_const(pictures_))
        if (!pic.converted)
            page.replace(QLatin1Char('"') + escapeAttr(filesFolder_ + QLatin1Char('/') + pic.name) + QLatin1Char('"'),
                         QLatin1Char('"') + escapeAttr(filesFolder_ + QLatin1Char('/') + pic.fallbackName)
                             + QLatin1Char('"'));

    // The page is a scratch file of the build: written in place, not synced.
    // A hard-linked page would change the file's other names with it, so it
    // gets a new file of its own.
    RefuseLinkAtSaveTarget(fileName_);
    struct stat st;
    if (::lstat(QFile::encodeName(fileName_).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1)
        QFile::remove(fileName_);
    QFile f(fileName_);
    const QByteArray bytes = EncodeHtml(page, opt_.codePage);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        throw Exception(QStringLiteral("Cannot write the file \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(fileName_), f.errorString()));
}

Writer::DepthGuard::DepthGuard(Writer &writer)
    : w(writer)
{
    if (++w.depth_ > kMaxDepth) {
        --w.depth_;
        throw Exception(QStringLiteral("The document \"%1\" nests tables, text boxes or other content more "
                                       "than %2 levels deep.")
                            .arg(QDir::toNativeSeparators(w.pkg_.fileName()))
                            .arg(kMaxDepth));
    }
}

namespace {

bool isBlockElement(pugi::xml_node n)
{
    static const char *const names[] = {"w:p", "w:tbl", "w:sdt", "w:customXml", "w:ins", "w:moveTo"};
    for (const char *name : names)
        if (std::strcmp(n.name(), name) == 0)
            return true;
    return false;
}

// The left edge of a paragraph's lines against the text column: its left
// indent, or its first line's when that stands further out.
int leftmostLine(const ParaFormat &f)
{
    return f.indLeft.value_or(0) + std::min(f.firstLineOffset(), 0);
}

QString borderKey(const std::optional<BorderFormat> &b)
{
    return b && !b->isNone() ? css::border(*b) + QLatin1Char('/') + QString::number(b->space) : QString();
}

} // namespace

ParaFormat Writer::layeredFormat(const QString &styleId, pugi::xml_node levelPPr, pugi::xml_node pPr)
{
    ParaFormat f = styleParaFormat(styleId);
    for (pugi::xml_node layer : std::as_const(cellLayers_))
        f.apply(layer.child("w:pPr"));
    f.apply(levelPPr);
    f.apply(pPr);
    return f;
}

ParaFormat Writer::paragraphFormat(pugi::xml_node p)
{
    const QString styleId = paraStyleOf(p);
    pugi::xml_node pPr = p.child("w:pPr");
    ParaFormat pf = layeredFormat(styleId, pugi::xml_node(), pPr);
    const int numId = pf.numId.value_or(0);
    if (numId > 0 && numbering_.hasList(numId))
        if (const ListLevel *l = numbering_.level(numId, std::max(pf.ilvl.value_or(0), 0)))
            pf = layeredFormat(styleId, l->pPr, pPr);
    return pf;
}

QString Writer::boxKey(pugi::xml_node p)
{
    if (std::strcmp(p.name(), "w:p") != 0)
        return QString();
    const ParaFormat f = paragraphFormat(p);
    const QString sides = borderKey(f.top) + u'|' + borderKey(f.left) + u'|' + borderKey(f.bottom) + u'|'
                          + borderKey(f.right);
    if (sides == QLatin1String("|||"))
        return QString();
    // Headings start topics and a section's last paragraph ends a part of
    // the page: neither shares a box with the paragraphs around it.
    if (p.child("w:pPr").child("w:sectPr"))
        return QString();
    const int outline = styles_->paragraphOutlineLevel(p);
    if (outline >= 1 && outline <= 9)
        return QString();
    return sides + u'|' + borderKey(f.between) + u'|' + QString::number(f.indLeft.value_or(0)) + u'|'
           + QString::number(f.indRight.value_or(0));
}

void Writer::openBox(pugi::xml_node first)
{
    const QString key = boxKey(first);
    if (key.isEmpty())
        return;
    const ParaFormat f = paragraphFormat(first);
    Box box{first, leftmostLine(f)};
    for (pugi::xml_node n = first.next_sibling(); n; n = n.next_sibling()) {
        if (!isBlockElement(n))
            continue;
        if (boxKey(n) != key)
            break;
        box.last = n;
        box.left = std::min(box.left, leftmostLine(paragraphFormat(n)));
    }
    // One box around the group, reaching out to its leftmost line, as Word
    // draws it; the paragraphs inside draw no borders of their own.
    QStringList style;
    const std::pair<const char *, const std::optional<BorderFormat> *> sides[] = {
        {"top", &f.top}, {"left", &f.left}, {"bottom", &f.bottom}, {"right", &f.right}};
    for (const auto &[side, b] : sides)
        if (*b && !(*b)->isNone())
            style << QLatin1String("border-") + QLatin1String(side) + u':' + css::border(**b)
                  << QLatin1String("padding-") + QLatin1String(side) + u':' + css::points((*b)->space);
    style << QStringLiteral("margin-left:") + css::twips(box.left)
          << QStringLiteral("margin-right:") + css::twips(f.indRight.value_or(0));
    out_ += QLatin1String("<div style='") + styleAttr(style.join(u';')) + QLatin1String("'>") + kNl + kNl;
    box_ = box;
}

void Writer::writeBlocks(pugi::xml_node container)
{
    const DepthGuard guard(*this);
    // A text box or table cell inside a box has boxes of its own.
    const std::optional<Box> outerBox = std::exchange(box_, std::nullopt);
    for (pugi::xml_node n = container.first_child(); n; n = n.next_sibling()) {
        const char *name = n.name();
        if (std::strcmp(name, "w:p") == 0) {
            if (!box_)
                openBox(n);
            writeParagraph(n);
            if (box_ && box_->last == n) {
                out_ += QLatin1String("</div>") + kNl + kNl;
                box_.reset();
            }
        } else if (std::strcmp(name, "w:tbl") == 0) {
            writeTable(n);
        } else if (std::strcmp(name, "w:sdt") == 0) {
            writeBlocks(n.child("w:sdtContent"));
        } else if (std::strcmp(name, "w:customXml") == 0 || std::strcmp(name, "w:ins") == 0
                   || std::strcmp(name, "w:moveTo") == 0) {
            writeBlocks(n);
        } else if (std::strcmp(name, "w:bookmarkStart") == 0) {
            bookmark(n);
        }
    }
    if (box_)
        out_ += QLatin1String("</div>") + kNl + kNl;
    box_ = outerBox;
}

void Writer::bookmark(pugi::xml_node start)
{
    const QString name = xml::attr(start, "w:name");
    if (name.isEmpty() || name == QLatin1String("_GoBack"))
        return;
    if (inParagraph_)
        out_ += QLatin1String("<a name=\"") + escapeAttr(name) + QLatin1String("\"></a>");
    else
        pendingBookmarks_ << name;
}

bool Writer::hidden() const
{
    for (const FieldState &f : fields_)
        if (!f.separated)
            return true;
    return false;
}

void Writer::flushRun()
{
    out_ += runClose_;
    runOpen_.clear();
    runClose_.clear();
}

QByteArray Writer::layersKey() const
{
    QByteArray key;
    for (pugi::xml_node l : cellLayers_)
        key += QByteArray::number(quintptr(l.internal_object()), 16) + ',';
    return key;
}

Writer::RunMarkup Writer::markupFor(const RunFormat &f) const
{
    QString open, close;
    const RunFormat &base = *paraBase_;
    QString cssText = RunCss(f, &base, fonts_, true);
    if (!paraLineHeight_.isEmpty() && f.halfPoints != base.halfPoints)
        cssText += QLatin1String(";line-height:") + paraLineHeight_;
    if (!cssText.isEmpty()) {
        open += QLatin1String("<span style='") + styleAttr(cssText) + QLatin1String("'>");
        close.prepend(QLatin1String("</span>"));
    }
    auto tag = [&](bool on, bool baseOn, const char *t) {
        if (on && !baseOn) {
            open += QLatin1Char('<') + QLatin1String(t) + QLatin1Char('>');
            close.prepend(QLatin1String("</") + QLatin1String(t) + QLatin1Char('>'));
        }
    };
    tag(f.bold.value_or(false), base.bold.value_or(false), "b");
    tag(f.italic.value_or(false), base.italic.value_or(false), "i");
    tag(f.underline.value_or(QStringLiteral("none")) != QLatin1String("none"),
        base.underline.value_or(QStringLiteral("none")) != QLatin1String("none"), "u");
    tag(f.strike.value_or(false) || f.dstrike.value_or(false),
        base.strike.value_or(false) || base.dstrike.value_or(false), "s");
    tag(f.vertAlign == QLatin1String("superscript"), base.vertAlign == QLatin1String("superscript"), "sup");
    tag(f.vertAlign == QLatin1String("subscript"), base.vertAlign == QLatin1String("subscript"), "sub");
    const QString font = f.fontName(fonts_);
    return {open, close, IsSymbolFont(font), font};
}

void Writer::emitText(const QString &html)
{
    if (currentMarkup_.open != runOpen_) {
        out_ += runClose_;
        out_ += currentMarkup_.open;
        runOpen_ = currentMarkup_.open;
        runClose_ = currentMarkup_.close;
    }
    out_ += html;
    visible_ = true;
}

void Writer::openLink(const LinkTarget &t)
{
    flushRun();
    if (linkOpen_)
        out_ += QLatin1String("</a>");
    out_ += linkOpenTag(t);
    linkOpen_ = true;
}

void Writer::closeLink()
{
    flushRun();
    if (linkOpen_)
        out_ += QLatin1String("</a>");
    linkOpen_ = false;
}

void Writer::writeParagraph(pugi::xml_node p)
{
    pugi::xml_node pPr = p.child("w:pPr");
    const QString styleId = paraStyleOf(p);
    ParaFormat pf = layeredFormat(styleId, pugi::xml_node(), pPr);

    // A list paragraph takes the level's indents between its style and its own.
    ListLabel label;
    const int numId = pf.numId.value_or(0);
    if (numId > 0 && numbering_.hasList(numId)) {
        int ilvl = pf.ilvl.value_or(-1);
        if (ilvl < 0) {
            ilvl = 0;
            for (int i = 0; i < 9; ++i)
                if (const ListLevel *l = numbering_.level(numId, i); l && l->pStyle == styleId)
                    ilvl = i;
        }
        label = numbering_.next(numId, ilvl);
        if (!label.isNull())
            pf = layeredFormat(styleId, label.level->pPr, pPr);
    }

    // The outline level follows from the style and the paragraph's own level.
    const QByteArray outlineKey = styleId.toUtf8() + '|' + pPr.child("w:outlineLvl").attribute("w:val").value()
                                  + (pPr.child("w:outlineLvl") ? "+" : "-");
    auto outlineIt = outlineCache_.constFind(outlineKey);
    if (outlineIt == outlineCache_.constEnd())
        outlineIt = outlineCache_.insert(outlineKey, styles_->paragraphOutlineLevel(p));
    const int outline = *outlineIt;
    const int heading = outline >= 1 && outline <= 6 ? outline : 0;
    const Style *style = styles_->byId(styleId);
    const bool builtInHeading = heading > 0 && style
                                && Styles::headingLevelOfName(style->name) == heading;
    QString cls;
    ParaFormat classFormat = styleParaFormat(styleId);
    if (!builtInHeading) {
        cls = classOf(styleId, heading);
        // Runs of paragraphs of one style with contextual spacing take the
        // CxSp classes, which drop the spacing between them.
        if (pf.contextualSpacing.value_or(false)) {
            auto sameStyle = [&](pugi::xml_node n) {
                return n && std::strcmp(n.name(), "w:p") == 0 && paraStyleOf(n) == styleId;
            };
            const bool before = sameStyle(p.previous_sibling());
            const bool after = sameStyle(p.next_sibling());
            if (before || after) {
                const QString suffix = before && after ? QStringLiteral("CxSpMiddle")
                                       : after         ? QStringLiteral("CxSpFirst")
                                                       : QStringLiteral("CxSpLast");
                cls += suffix;
                usedClasses_[cls].insert(heading);
                classStyle_.insert(cls, styleId);
                for (ParaFormat *f : {&classFormat, &pf}) {
                    if (after)
                        f->spaceAfter = 0, f->afterAuto = false;
                    if (before)
                        f->spaceBefore = 0, f->beforeAuto = false;
                }
            }
        }
    } else {
        usedClasses_[QString()].insert(heading);
        classStyle_.insert(QStringLiteral("h%1").arg(heading), styleId);
    }
    if (builtInHeading || cls.isEmpty())
        classFormat = styleParaFormat(styleId);
    // Inside a box the paragraph draws no border of its own (but the line
    // between paragraphs) and stands against the box's edges.
    QByteArray boxState;
    if (box_) {
        const bool last = box_->last == p;
        pf.top.reset();
        pf.left.reset();
        pf.right.reset();
        pf.bottom = last ? std::nullopt : pf.between;
        pf.indLeft = pf.indLeft.value_or(0) - box_->left;
        pf.indRight = 0;
        boxState = QByteArray::number(box_->left) + (last ? "L" : "M");
    }
    // Direct run properties of paragraph mark and list number.
    const QString elem = heading ? QStringLiteral("h%1").arg(heading) : QStringLiteral("p");
    out_ += QLatin1Char('<') + elem;
    if (!cls.isEmpty())
        out_ += QLatin1String(" class=") + cls;
    const QString align = ParaAlign(pf);
    if (!align.isEmpty())
        out_ += QLatin1String(" align=") + align;
    // Paragraphs formatted alike share their style text.
    QByteArray cssKey = cls.toUtf8() + '|' + styleId.toUtf8() + '|' + layersKey() + '|'
                        + QByteArray::number(quintptr(label.level), 16) + '|' + boxState + '|';
    appendNodeKey(cssKey, pPr.first_child());
    auto cssIt = paraCssCache_.constFind(cssKey);
    if (cssIt == paraCssCache_.constEnd())
        cssIt = paraCssCache_.insert(cssKey, ParaCss(pf, &classFormat));
    const QString &inlineCss = *cssIt;
    if (!inlineCss.isEmpty())
        out_ += QLatin1String(" style='") + styleAttr(inlineCss) + QLatin1Char('\'');
    out_ += QLatin1Char('>');

    // A paragraph inside a text box interrupts the paragraph around it.
    const QString outerStyle = paraStyle_;
    const RunFormat *outerBase = paraBase_;
    const bool outerVisible = visible_, outerIn = inParagraph_, outerFloated = floated_;
    floated_ = false;
    const QString outerLineHeight = paraLineHeight_;
    paraLineHeight_.clear();
    if (pf.line && pf.lineRule.value_or(QStringLiteral("auto")) == QLatin1String("auto")) {
        const int pct = *pf.line * 100 / 240;
        if (pct > 0 && pct != 100)
            paraLineHeight_ = QString::number(pct) + QLatin1Char('%');
    }
    paraStyle_ = styleId;
    paraBase_ = &styleRunFormat(styleId);
    visible_ = false;
    inParagraph_ = true;
    for (const QString &b : std::as_const(pendingBookmarks_))
        out_ += QLatin1String("<a name=\"") + escapeAttr(b) + QLatin1String("\"></a>");
    pendingBookmarks_.clear();
    // A hyperlink field that spans paragraphs goes on in this one.
    for (const FieldState &f : std::as_const(fields_))
        if (f.isLink && f.separated && !hidden()) {
            out_ += linkOpenTag(f.link);
            linkOpen_ = true;
        }
    pugi::xml_node first = p.first_child();
    if (!label.isNull()) {
        // Bookmarks at the start of the paragraph come before its number.
        for (; first; first = first.next_sibling()) {
            if (std::strcmp(first.name(), "w:bookmarkStart") == 0)
                bookmark(first);
            else if (std::strcmp(first.name(), "w:pPr") != 0)
                break;
        }
        writeListLabel(label, pf, pPr.child("w:rPr"));
    }
    for (pugi::xml_node n = first; n; n = n.next_sibling())
        if (std::strcmp(n.name(), "w:pPr") != 0)
            writeInline(n);
    flushRun();
    if (linkOpen_) {
        out_ += QLatin1String("</a>");
        linkOpen_ = false;
    }
    if (floated_)
        out_ += QLatin1String("<br clear=all>");
    if (!visible_)
        out_ += QLatin1String("&nbsp;");
    out_ += QLatin1String("</") + elem + QLatin1Char('>') + kNl + kNl;
    paraStyle_ = outerStyle;
    paraLineHeight_ = outerLineHeight;
    paraBase_ = outerBase;
    visible_ = outerVisible;
    inParagraph_ = outerIn;
    floated_ = outerFloated;

    if (pugi::xml_node sect = pPr.child("w:sectPr")) {
        const qsizetype i = sections_.indexOf(sect);
        if (i >= 0 && i + 1 < sections_.size())
            writeSectionBreak(sections_[i + 1]);
    }
    if (out_.size() > opt_.maxPageChars)
        throw Exception(QStringLiteral("The document \"%1\" gives a page of more than %2 characters, more "
                                       "than fit in the memory set aside for a document.")
                            .arg(QDir::toNativeSeparators(pkg_.fileName()))
                            .arg(opt_.maxPageChars));
}

void Writer::writeListLabel(const ListLabel &label, const ParaFormat &pf, pugi::xml_node markPr)
{
    // The number takes the paragraph mark's formatting and then the level's;
    // numbers formatted alike share their markup.
    QByteArray key = paraStyle_.toUtf8() + '|' + layersKey() + '|'
                     + QByteArray::number(quintptr(label.level), 16) + '|';
    appendNodeKey(key, markPr.first_child());
    auto it = labelCache_.constFind(key);
    if (it == labelCache_.constEnd()) {
        const RunFormat &base = *paraBase_;
        RunFormat f = runFormat(paraStyle_, markPr);
        f.apply(label.level->rPr);
        f.underline.reset();
        LabelMarkup m;
        m.sizePt = f.halfPoints.value_or(22) / 2.0;
        // One span carries the font and the rest, so that a bullet character
        // stands alone between the span's start tag and the padding.
        QStringList style;
        if (!label.font.isEmpty())
            style << QLatin1String("font-family:")
                         + (IsSymbolFont(label.font) ? label.font : css::fontFamily(label.font, fonts_));
        f.font = base.font;
        const QString cssText = RunCss(f, &base, fonts_, true);
        if (!cssText.isEmpty())
            style << cssText;
        m.open = style.isEmpty() ? QStringLiteral("<span>")
                                 : QLatin1String("<span style='") + styleAttr(style.join(QLatin1Char(';')))
                                       + QLatin1String("'>");
        m.close = QStringLiteral("</span>");
        if (f.bold.value_or(false) && !base.bold.value_or(false)) {
            m.open.prepend(QLatin1String("<b>"));
            m.close += QLatin1String("</b>");
        }
        it = labelCache_.insert(key, m);
    }
    QString padding;
    if (label.suffix == ListSuffix::Tab) {
        // The number runs from the first line's start to the next tab stop:
        // the left indent when it hangs, else the next default stop.
        const int start = pf.indLeft.value_or(0) + pf.firstLineOffset();
        int stop = pf.indLeft.value_or(0);
        if (stop <= start)
            stop = (start / 720 + 1) * 720;
        const double labelPt = label.text.size() * it->sizePt * 0.5;
        const double gapPt = std::max(0.0, (stop - start) / 20.0 - labelPt);
        const int count = std::max(1, int(std::lround(gapPt / 1.75)));
        padding = QLatin1String("<span style='font:7.0pt \"Times New Roman\"'>")
                  + QStringLiteral("&nbsp;").repeated(count - 1) + QLatin1String(" </span>");
    } else if (label.suffix == ListSuffix::Space) {
        padding = QStringLiteral("&nbsp;");
    }
    flushRun();
    const QString text = IsSymbolFont(label.font) ? SymbolFontUnicode(label.font, label.text) : label.text;
    out_ += it->open + escapeText(text) + padding + it->close;
}

void Writer::writeInline(pugi::xml_node n)
{
    const DepthGuard guard(*this);
    const char *name = n.name();
    if (std::strcmp(name, "w:r") == 0) {
        writeRun(n);
    } else if (std::strcmp(name, "w:hyperlink") == 0) {
        LinkTarget t;
        const QString id = xml::attr(n, "r:id");
        if (!id.isEmpty())
            t.href = pkg_.relationship(part_, id).target;
        const QString anchor = xml::attr(n, "w:anchor");
        if (!anchor.isEmpty())
            t.href += QLatin1Char('#') + anchor;
        t.title = xml::attr(n, "w:tooltip");
        t.target = xml::attr(n, "w:tgtFrame");
        const bool link = !hidden() && !t.href.isEmpty();
        if (link)
            openLink(t);
        for (pugi::xml_node c : n.children())
            writeInline(c);
        if (link)
            closeLink();
    } else if (std::strcmp(name, "w:fldSimple") == 0) {
        const auto link = hyperlinkField(xml::attr(n, "w:instr"));
        const bool open = link && !hidden();
        if (open)
            openLink(*link);
        for (pugi::xml_node c : n.children())
            writeInline(c);
        if (open)
            closeLink();
    } else if (std::strcmp(name, "w:bookmarkStart") == 0) {
        // Also inside a field's code: a form field's bookmark stands there.
        bookmark(n);
    } else if (std::strcmp(name, "w:sdt") == 0) {
        for (pugi::xml_node c : n.child("w:sdtContent").children())
            writeInline(c);
    } else if (std::strcmp(name, "w:ins") == 0 || std::strcmp(name, "w:moveTo") == 0
               || std::strcmp(name, "w:smartTag") == 0 || std::strcmp(name, "w:customXml") == 0
               || std::strcmp(name, "w:dir") == 0 || std::strcmp(name, "w:bdo") == 0) {
        for (pugi::xml_node c : n.children())
            writeInline(c);
    } else if (std::strcmp(name, "m:oMathPara") == 0 || std::strcmp(name, "m:oMath") == 0) {
        if (hidden())
            return;
        // Formulas keep their text.
        QString text;
        for (pugi::xpath_node t : n.select_nodes(".//m:t"))
            text += QString::fromUtf8(t.node().text().get());
        currentMarkup_ = RunMarkup();
        emitText(escapeText(text));
    }
}

void Writer::writeRun(pugi::xml_node r)
{
    bool formatted = false;
    auto format = [&]() {
        if (!formatted) {
            pugi::xml_node rPr = r.child("w:rPr");
            QByteArray key = paraStyle_.toUtf8() + '|' + layersKey() + '|' + paraLineHeight_.toUtf8() + '|';
            appendNodeKey(key, rPr.first_child());
            auto it = runMarkupCache_.constFind(key);
            if (it == runMarkupCache_.constEnd())
                it = runMarkupCache_.insert(key, markupFor(runFormat(paraStyle_, rPr)));
            currentMarkup_ = *it;
            formatted = true;
        }
    };
    for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
        const char *name = c.name();
        if (std::strcmp(name, "w:rPr") == 0)
            continue;
        if (std::strcmp(name, "w:fldChar") == 0) {
            const QString type = xml::attr(c, "w:fldCharType");
            if (type == QLatin1String("begin")) {
                fields_.append(FieldState());
                fields_.last().ffData = c.child("w:ffData");
            } else if (type == QLatin1String("separate") && !fields_.isEmpty()) {
                FieldState &f = fields_.last();
                f.separated = true;
                f.resultAt = out_.size();
                if (const auto link = hyperlinkField(f.code)) {
                    f.isLink = true;
                    f.link = *link;
                    if (!hidden())
                        openLink(f.link);
                }
            } else if (type == QLatin1String("end") && !fields_.isEmpty()) {
                // The field shows when the fields around it do: its own
                // code may end without a "separate" mark (a check box has
                // no result to separate).
                const FieldState ended = fields_.takeLast();
                const bool wasLink = ended.isLink && ended.separated;
                const bool shown = !hidden();
                if (shown) {
                    // Form fields show their state: a check box as a box,
                    // ticked or not; a drop-down list its chosen entry.
                    const QString shownValue = formFieldValue(ended, out_);
                    if (!shownValue.isEmpty()) {
                        format();
                        emitText(escapeText(shownValue));
                    }
                }
                if (wasLink && shown)
                    closeLink();
            }
            continue;
        }
        if (std::strcmp(name, "w:instrText") == 0) {
            if (!fields_.isEmpty() && !fields_.last().separated)
                fields_.last().code += QString::fromUtf8(c.text().get());
            continue;
        }
        if (hidden())
            continue;
        if (std::strcmp(name, "w:t") == 0) {
            format();
            QString text = QString::fromUtf8(c.text().get());
            // Symbol and Wingdings signs as Unicode characters, so that they
            // show without those fonts; the font stays named in the markup.
            if (currentMarkup_.symbolFont)
                text = SymbolFontUnicode(currentMarkup_.font, text);
            if (!text.isEmpty())
                emitText(escapeText(text));
        } else if (std::strcmp(name, "w:ruby") == 0) {
            // The base text with its reading above it.
            flushRun();
            out_ += QLatin1String("<ruby>");
            for (pugi::xml_node b : c.child("w:rubyBase").children())
                writeInline(b);
            flushRun();
            out_ += QLatin1String("<rt>");
            for (pugi::xml_node t : c.child("w:rt").children())
                writeInline(t);
            flushRun();
            out_ += QLatin1String("</rt></ruby>");
            visible_ = true;
            formatted = false;
        } else if (std::strcmp(name, "w:tab") == 0 || std::strcmp(name, "w:ptab") == 0) {
            format();
            emitText(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; "));
        } else if (std::strcmp(name, "w:br") == 0) {
            format();
            const QString type = xml::attr(c, "w:type");
            if (type == QLatin1String("page"))
                emitText(QStringLiteral("<br clear=all style='page-break-before:always'>"));
            else if (type != QLatin1String("column"))
                emitText(xml::attr(c, "w:clear").isEmpty() || xml::attr(c, "w:clear") == QLatin1String("none")
                             ? QStringLiteral("<br>")
                             : QStringLiteral("<br clear=all>"));
        } else if (std::strcmp(name, "w:cr") == 0) {
            format();
            emitText(QStringLiteral("<br>"));
        } else if (std::strcmp(name, "w:noBreakHyphen") == 0) {
            format();
            emitText(QString(QChar(0x2011)));
        } else if (std::strcmp(name, "w:sym") == 0) {
            format();
            const QString font = xml::attr(c, "w:font");
            const QChar ch(char16_t(xml::attr(c, "w:char").toUInt(nullptr, 16)));
            emitText(QLatin1String("<span style='font-family:")
                     + styleAttr(IsSymbolFont(font) ? font : css::fontFamily(font, fonts_))
                     + QLatin1String("'>") + escapeText(SymbolFontUnicode(font, QString(ch)))
                     + QLatin1String("</span>"));
        } else if (std::strcmp(name, "w:drawing") == 0) {
            format();
            writeDrawing(c);
        } else if (std::strcmp(name, "w:pict") == 0 || std::strcmp(name, "w:object") == 0) {
            format();
            writeVml(c);
        } else if (std::strcmp(name, "w:footnoteReference") == 0) {
            format();
            writeNoteReference(c, false);
        } else if (std::strcmp(name, "w:endnoteReference") == 0) {
            format();
            writeNoteReference(c, true);
        } else if (std::strcmp(name, "w:footnoteRef") == 0 || std::strcmp(name, "w:endnoteRef") == 0) {
            // The mark at the start of a note's text links back to its reference.
            if (currentNote_) {
                const QString pre = currentNote_->endnote ? QStringLiteral("_edn") : QStringLiteral("_ftn");
                flushRun();
                out_ += QLatin1String("<a href=\"#") + pre + QLatin1String("ref") + currentNote_->mark
                        + QLatin1String("\" name=\"") + pre + currentNote_->mark
                        + QLatin1String("\" title=\"\"><span class=MsoFootnoteReference>[")
                        + currentNote_->mark + QLatin1String("]</span></a>");
                visible_ = true;
            }
        }
    }
}

void Writer::writeNoteReference(pugi::xml_node ref, bool endnote)
{
    const QString &part = endnote ? endnotesPart_ : footnotesPart_;
    const QString id = xml::attr(ref, "w:id");
    if (part.isEmpty() || id.isEmpty() || part_ != mainPart_)
        return;
    Note note{part, id, QString(), endnote};
    note.mark = endnote ? FormatListNumber(++endnoteCount_, QStringLiteral("lowerRoman"))
                        : QString::number(++footnoteCount_);
    // A note referenced twice keeps its first number.
    const QString key = part + QLatin1Char('#') + id;
    if (!noteIndex_.contains(key)) {
        noteIndex_.insert(key, int(notes_.size()));
        notes_.append(note);
    }
    const QString pre = endnote ? QStringLiteral("_edn") : QStringLiteral("_ftn");
    flushRun();
    out_ += QLatin1String("<a href=\"#") + pre + note.mark + QLatin1String("\" name=\"") + pre
            + QLatin1String("ref") + note.mark + QLatin1String("\" title=\"\"><span class=MsoFootnoteReference>[")
            + note.mark + QLatin1String("]</span></a>");
    visible_ = true;
}

void Writer::writeNotes()
{
    if (notes_.isEmpty())
        return;
    const QString savedPart = part_;
    bool openedEnd = false, openedFoot = false;
    for (const Note &note : std::as_const(notes_)) {
        const bool end = note.endnote;
        if ((!end && !openedFoot) || (end && !openedEnd)) {
            if (openedFoot || openedEnd)
                out_ += QLatin1String("</div>") + kNl + kNl;
            out_ += QLatin1String("<div><br clear=all>") + kNl + kNl
                    + QLatin1String("<hr align=left size=1 width=\"33%\">") + kNl + kNl;
            (end ? openedEnd : openedFoot) = true;
        }
        const pugi::xml_document *doc = pkg_.xml(note.part);
        if (!doc)
            continue;
        pugi::xml_node root = doc->first_child();
        pugi::xml_node n = root.find_child_by_attribute(end ? "w:endnote" : "w:footnote", "w:id",
                                                        note.id.toUtf8().constData());
        part_ = note.part;
        currentNote_ = &note;
        out_ += QLatin1String("<div id=") + (end ? QStringLiteral("edn") : QStringLiteral("ftn"))
                + note.mark + QLatin1Char('>') + kNl + kNl;
        writeBlocks(n);
        out_ += QLatin1String("</div>") + kNl + kNl;
    }
    out_ += QLatin1String("</div>") + kNl + kNl;
    part_ = savedPart;
    currentNote_ = nullptr;
}

void Writer::writeSectionBreak(pugi::xml_node nextSectPr)
{
    const int number = ++sectionCount_;
    const QString type = xml::val(nextSectPr.child("w:type"));
    const bool continuous = type == QLatin1String("continuous");
    out_ += QLatin1String("</div>") + kNl + kNl + QLatin1String("<span><br clear=all style='page-break-before:")
            + (continuous ? QLatin1String("auto") : QLatin1String("always")) + QLatin1String("'>")
            + kNl + QLatin1String("</span>") + kNl + kNl + QLatin1String("<div class=WordSection")
            + QString::number(number) + QLatin1Char('>') + kNl + kNl;
}

QString Writer::head()
{
    QString h;
    h += QLatin1String("<html>") + kNl + kNl + QLatin1String("<head>") + kNl;
    h += QLatin1String("<meta http-equiv=Content-Type content=\"text/html; charset=")
         + HtmlCharsetName(opt_.codePage) + QLatin1String("\">") + kNl;
    h += QLatin1String("<meta name=Generator content=\"Quillcraft document engine (filtered)\">") + kNl;
    h += QLatin1String("<style>") + kNl + QLatin1String("<!--") + kNl
         + QLatin1String(" /* Style Definitions */") + kNl;

    auto rule = [&](const QString &selectors, const QString &styleId, const ParaFormat &pf) {
        QString body = ParaCss(pf, nullptr);
        const RunFormat &rf = styleRunFormat(styleId);
        const QString run = RunCss(rf, nullptr, fonts_, false);
        if (!run.isEmpty())
            body += QLatin1Char(';') + run;
        if (!rf.bold.value_or(false))
            body += QLatin1String(";font-weight:normal");
        body.replace(QLatin1Char(';'), QLatin1String(";") + kNl + QLatin1Char('\t'));
        h += QLatin1Char(' ') + selectors + kNl + QLatin1String("\t{") + body + QLatin1String(";}") + kNl;
    };
    // The default paragraph style always comes first, under Word's selector.
    usedClasses_[QStringLiteral("MsoNormal")];
    classStyle_.insert(QStringLiteral("MsoNormal"), defaultParaStyle_);
    auto selectorsOf = [&](const QString &cls) {
        QString s = QLatin1String("p.") + cls + QLatin1String(", li.") + cls + QLatin1String(", div.") + cls;
        for (int e : usedClasses_[cls])
            if (e > 0)
                s += QStringLiteral(", h%1.").arg(e) + cls;
        return s;
    };
    auto formatOf = [&](const QString &cls) {
        ParaFormat f = styleParaFormat(classStyle_.value(cls));
        if (cls.endsWith(QLatin1String("CxSpFirst")) || cls.endsWith(QLatin1String("CxSpMiddle")))
            f.spaceAfter = 0, f.afterAuto = false;
        if (cls.endsWith(QLatin1String("CxSpMiddle")) || cls.endsWith(QLatin1String("CxSpLast")))
            f.spaceBefore = 0, f.beforeAuto = false;
        return f;
    };
    rule(selectorsOf(QStringLiteral("MsoNormal")), defaultParaStyle_, formatOf(QStringLiteral("MsoNormal")));
    for (int level : usedClasses_[QString()]) {
        const QString id = classStyle_.value(QStringLiteral("h%1").arg(level));
        rule(QStringLiteral("h%1").arg(level), id, styleParaFormat(id));
    }
    for (const auto &[cls, elems] : usedClasses_) {
        if (cls.isEmpty() || cls == QLatin1String("MsoNormal"))
            continue;
        rule(selectorsOf(cls), classStyle_.value(cls), formatOf(cls));
    }
    h += QLatin1String("a:link, span.MsoHyperlink") + kNl
         + QLatin1String("\t{color:blue;") + kNl + QLatin1String("\ttext-decoration:underline;}") + kNl;
    h += QLatin1String("a:visited, span.MsoHyperlinkFollowed") + kNl
         + QLatin1String("\t{color:purple;") + kNl + QLatin1String("\ttext-decoration:underline;}") + kNl;
    h += QLatin1String("span.MsoFootnoteReference") + kNl + QLatin1String("\t{vertical-align:super;}") + kNl;
    // Page size and margins of each section.
    for (int i = 0; i < sections_.size(); ++i) {
        pugi::xml_node s = sections_[i];
        pugi::xml_node sz = s.child("w:pgSz"), mar = s.child("w:pgMar");
        const int w = xml::twipsAttr(sz, "w:w", 12240), ht = xml::twipsAttr(sz, "w:h", 15840);
        const QString name = QStringLiteral("WordSection%1").arg(i + 1);
        h += QLatin1String("@page ") + name + kNl + QLatin1String("\t{size:") + css::twips(w)
             + QLatin1Char(' ') + css::twips(ht) + QLatin1String(";") + kNl + QLatin1String("\tmargin:")
             + css::twips(xml::twipsAttr(mar, "w:top", 1440)) + QLatin1Char(' ')
             + css::twips(xml::twipsAttr(mar, "w:right", 1440)) + QLatin1Char(' ')
             + css::twips(xml::twipsAttr(mar, "w:bottom", 1440)) + QLatin1Char(' ')
             + css::twips(xml::twipsAttr(mar, "w:left", 1440)) + QLatin1String(";}") + kNl;
        h += QLatin1String("div.") + name + kNl + QLatin1String("\t{page:") + name + QLatin1String(";}") + kNl;
    }
    h += QLatin1String(" /* List Definitions */") + kNl + QLatin1String(" ol") + kNl
         + QLatin1String("\t{margin-bottom:0in;}") + kNl + QLatin1String("ul") + kNl
         + QLatin1String("\t{margin-bottom:0in;}") + kNl;
    h += QLatin1String("-->") + kNl + QLatin1String("</style>") + kNl + kNl + QLatin1String("</head>") + kNl + kNl;
    return h;
}

} // namespace html

void ExportFilteredHtml(const Package &package, const HtmlExportOptions &options, const QString &fileName)
{
    html::Writer w(package, options, fileName);
    w.run();
}

} // namespace word
