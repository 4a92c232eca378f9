#include "platform/word/HtmlExport.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/word/Css.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/HtmlXml.h"
#include "platform/word/Numbering.h"
#include "platform/word/Package.h"
#include "platform/word/Styles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QtDebug>
#include <cmath>
#include <map>

namespace word {

namespace {

const QLatin1String kNl("\r\n");

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

int emuToPx(qint64 emu)
{
    return int(std::lround(emu / 9525.0));
}

// "width:123.5pt;height:20pt" -> pixels of one named length of a VML style.
int vmlLengthPx(const QString &style, const QString &name)
{
    for (const QString &part : style.split(QLatin1Char(';'))) {
        const QString key = part.section(QLatin1Char(':'), 0, 0).trimmed();
        if (key.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QString v = part.section(QLatin1Char(':'), 1).trimmed();
        double factor = 96.0 / 72; // points by default
        if (v.endsWith(QLatin1String("pt")))
            v.chop(2);
        else if (v.endsWith(QLatin1String("in")))
            v.chop(2), factor = 96;
        else if (v.endsWith(QLatin1String("cm")))
            v.chop(2), factor = 96 / 2.54;
        else if (v.endsWith(QLatin1String("mm")))
            v.chop(2), factor = 96 / 25.4;
        else if (v.endsWith(QLatin1String("px")))
            v.chop(2), factor = 1;
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? int(std::lround(d * factor)) : 0;
    }
    return 0;
}

// A compact text of an element and everything in it, as a cache key.
void appendNodeKey(QByteArray &key, pugi::xml_node n)
{
    for (; n; n = n.next_sibling()) {
        key += n.name();
        for (pugi::xml_attribute a : n.attributes())
            key.append(' ').append(a.name()).append('=').append(a.value());
        key += '{';
        appendNodeKey(key, n.first_child());
        key += '}';
    }
}

// Alternative text that carries one of the converter's markers (a shape's
// link or a canvas's image map) makes the shape a picture.
bool carriesMarker(const QString &alt)
{
    return alt.contains(QLatin1String("`@#^")) || alt.contains(QLatin1String("`$#!("));
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

struct LinkTarget {
    QString href, title, target;
};

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

QString linkOpenTag(const LinkTarget &t)
{
    QString s = QLatin1String("<a href=\"") + escapeAttr(t.href) + QLatin1Char('"');
    if (!t.title.isEmpty())
        s += QLatin1String(" title=\"") + escapeAttr(t.title) + QLatin1Char('"');
    if (!t.target.isEmpty())
        s += QLatin1String(" target=\"") + escapeAttr(t.target) + QLatin1Char('"');
    return s + QLatin1Char('>');
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

struct FieldState {
    QString code;
    bool separated = false;
    bool isLink = false;
    LinkTarget link;
};

struct Note {
    QString part; // "word/footnotes.xml"
    QString id;
    QString mark; // "1", "i"
    bool endnote = false;
};

// What a paragraph element needs to know about its neighbours.
struct ParaContext {
    QString prevContextualStyle; // style of the previous paragraph when it had contextual spacing
};

class Writer {
public:
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
    void writeImage(const QString &src, int w, int h, const QString &alt, const QString &align);
    QString imageFromRelationship(const QString &relId, int w, int h);
    QString plainShapeImage(int w, int h, pugi::xml_node spPr);
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
    std::map<QString, QSet<int>> usedClasses_;
    QHash<QString, QString> classStyle_; // class -> style id
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
    };
    QList<Picture> pictures_;
    QHash<QString, QString> pictureByKey_;

    QList<Note> notes_;
    QHash<QString, int> noteIndex_;
    int footnoteCount_ = 0, endnoteCount_ = 0;
    const Note *currentNote_ = nullptr;
    bool inParagraph_ = false;
};

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
    for (const Picture &pic : std::as_const(pictures_))
        if (!pic.converted)
            page.replace(QLatin1Char('"') + filesFolder_ + QLatin1Char('/') + pic.name + QLatin1Char('"'),
                         QLatin1Char('"') + filesFolder_ + QLatin1Char('/') + pic.fallbackName + QLatin1Char('"'));

    QSaveFile f(fileName_);
    const QByteArray bytes = EncodeHtml(page, opt_.codePage);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw Exception(QStringLiteral("Cannot write the file \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(fileName_), f.errorString()));
}

void Writer::writeBlocks(pugi::xml_node container)
{
    for (pugi::xml_node n = container.first_child(); n; n = n.next_sibling()) {
        const char *name = n.name();
        if (std::strcmp(name, "w:p") == 0) {
            writeParagraph(n);
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
    return {open, close, IsSymbolFont(f.fontName(fonts_))};
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
    ParaFormat pf = styleParaFormat(styleId);
    for (pugi::xml_node layer : std::as_const(cellLayers_))
        pf.apply(layer.child("w:pPr"));
    pf.apply(pPr);

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
        if (!label.isNull()) {
            ParaFormat withLevel = styleParaFormat(styleId);
            for (pugi::xml_node layer : std::as_const(cellLayers_))
                withLevel.apply(layer.child("w:pPr"));
            withLevel.apply(label.level->pPr);
            withLevel.apply(pPr);
            pf = withLevel;
        }
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
                        + QByteArray::number(quintptr(label.level), 16) + '|';
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
    const bool outerVisible = visible_, outerIn = inParagraph_;
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
    if (!visible_)
        out_ += QLatin1String("&nbsp;");
    out_ += QLatin1String("</") + elem + QLatin1Char('>') + kNl + kNl;
    paraStyle_ = outerStyle;
    paraLineHeight_ = outerLineHeight;
    paraBase_ = outerBase;
    visible_ = outerVisible;
    inParagraph_ = outerIn;

    if (pugi::xml_node sect = pPr.child("w:sectPr")) {
        const qsizetype i = sections_.indexOf(sect);
        if (i >= 0 && i + 1 < sections_.size())
            writeSectionBreak(sections_[i + 1]);
    }
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
    out_ += it->open + escapeText(label.text) + padding + it->close;
}

void Writer::writeInline(pugi::xml_node n)
{
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
            } else if (type == QLatin1String("separate") && !fields_.isEmpty()) {
                FieldState &f = fields_.last();
                f.separated = true;
                if (const auto link = hyperlinkField(f.code)) {
                    f.isLink = true;
                    f.link = *link;
                    if (!hidden())
                        openLink(f.link);
                }
            } else if (type == QLatin1String("end") && !fields_.isEmpty()) {
                const bool wasLink = fields_.last().isLink && fields_.last().separated;
                const bool shown = !hidden();
                fields_.removeLast();
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
            if (currentMarkup_.symbolFont)
                text = SymbolFontText(text);
            if (!text.isEmpty())
                emitText(escapeText(text));
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
                     + QLatin1String("'>") + escapeText(QString(SymbolFontChar(ch)))
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

void Writer::writeTable(pugi::xml_node tbl)
{
    // Table-wide properties: the table style's, then the table's own.
    pugi::xml_node tblPr = tbl.child("w:tblPr");
    QList<pugi::xml_node> layers;
    const QList<const Style *> tableStyles = styles_->chain(xml::val(tblPr.child("w:tblStyle")));
    for (const Style *s : tableStyles)
        layers.prepend(s->node.child("w:tblPr"));
    layers.append(tblPr);
    // Which conditional parts of the style the table uses (w:tblLook).
    pugi::xml_node look = tblPr.child("w:tblLook");
    const uint lookBits = look ? xml::attr(look, "w:val").toUInt(nullptr, 16) : 0x04A0u;
    auto lookFlag = [&](const char *name, uint bit) {
        return look && xml::hasAttr(look, name) ? look.attribute(name).as_bool() : (lookBits & bit) != 0;
    };
    const bool useFirstRow = lookFlag("w:firstRow", 0x20), useLastRow = lookFlag("w:lastRow", 0x40),
               useFirstCol = lookFlag("w:firstColumn", 0x80), useLastCol = lookFlag("w:lastColumn", 0x100),
               useHBand = !lookFlag("w:noHBand", 0x200), useVBand = !lookFlag("w:noVBand", 0x400);
    auto styleLayers = [&](const char *type) {
        QList<pugi::xml_node> out;
        for (auto s = tableStyles.crbegin(); s != tableStyles.crend(); ++s) {
            if (!type)
                out << (*s)->node;
            else if (pugi::xml_node n = (*s)->node.find_child_by_attribute("w:tblStylePr", "w:type", type))
                out << n;
        }
        return out;
    };
    std::optional<BorderFormat> edge[6]; // top, left, bottom, right, insideH, insideV
    static const char *const edgeNames[6][2] = {{"w:top", nullptr},     {"w:left", "w:start"},
                                                {"w:bottom", nullptr},  {"w:right", "w:end"},
                                                {"w:insideH", nullptr}, {"w:insideV", nullptr}};
    int marLeft = 108, marRight = 108, marTop = 0, marBottom = 0;
    QString jc;
    std::optional<ShadingFormat> tableShading;
    auto readEdges = [](pugi::xml_node borders, std::optional<BorderFormat> *out, int count) {
        for (int i = 0; i < count; ++i)
            for (const char *nm : edgeNames[i])
                if (nm)
                    if (pugi::xml_node b = borders.child(nm)) {
                        BorderFormat f{xml::val(b), xml::intAttr(b, "w:sz", 4), xml::attr(b, "w:color"),
                                       xml::intAttr(b, "w:space")};
                        out[i] = f;
                    }
    };
    for (pugi::xml_node l : layers) {
        readEdges(l.child("w:tblBorders"), edge, 6);
        if (pugi::xml_node m = l.child("w:tblCellMar")) {
            for (const char *nm : {"w:left", "w:start"})
                if (pugi::xml_node x = m.child(nm))
                    marLeft = xml::intAttr(x, "w:w");
            for (const char *nm : {"w:right", "w:end"})
                if (pugi::xml_node x = m.child(nm))
                    marRight = xml::intAttr(x, "w:w");
            if (pugi::xml_node x = m.child("w:top"))
                marTop = xml::intAttr(x, "w:w");
            if (pugi::xml_node x = m.child("w:bottom"))
                marBottom = xml::intAttr(x, "w:w");
        }
        if (pugi::xml_node j = l.child("w:jc"))
            jc = xml::val(j);
        if (pugi::xml_node s = l.child("w:shd"))
            tableShading = ShadingFormat{xml::val(s), xml::attr(s, "w:color"), xml::attr(s, "w:fill")};
    }
    QList<int> grid;
    int gridTotal = 0;
    for (pugi::xml_node g : tbl.child("w:tblGrid").children("w:gridCol")) {
        grid << std::max(0, xml::intAttr(g, "w:w"));
        gridTotal += grid.last();
    }

    // Rows and cells, with content controls around them unwrapped. Bookmarks
    // between rows or cells go into the next cell's first paragraph.
    QList<pugi::xml_node> items; // rows and the bookmarks between them, in order
    std::function<void(pugi::xml_node)> collectRows = [&](pugi::xml_node parent) {
        for (pugi::xml_node n : parent.children()) {
            if (std::strcmp(n.name(), "w:tr") == 0 || std::strcmp(n.name(), "w:bookmarkStart") == 0)
                items << n;
            else if (std::strcmp(n.name(), "w:sdt") == 0)
                collectRows(n.child("w:sdtContent"));
            else if (std::strcmp(n.name(), "w:customXml") == 0)
                collectRows(n);
        }
    };
    collectRows(tbl);
    struct Cell {
        pugi::xml_node tc;
        int col = 0, span = 1, rowSpan = 1;
        bool merged = false; // continues a vertical merge: not written
        QList<pugi::xml_node> marks;
    };
    QList<QList<Cell>> table;
    QList<pugi::xml_node> rows;
    QList<pugi::xml_node> pending;
    for (pugi::xml_node tr : items) {
        if (std::strcmp(tr.name(), "w:bookmarkStart") == 0) {
            pending << tr;
            continue;
        }
        rows << tr;
        QList<Cell> cells;
        int col = xml::intVal(tr.child("w:trPr").child("w:gridBefore"));
        std::function<void(pugi::xml_node)> collectCells = [&](pugi::xml_node parent) {
            for (pugi::xml_node n : parent.children()) {
                if (std::strcmp(n.name(), "w:tc") == 0) {
                    Cell c;
                    c.tc = n;
                    c.col = col;
                    c.span = std::max(1, xml::intVal(n.child("w:tcPr").child("w:gridSpan"), 1));
                    pugi::xml_node vm = n.child("w:tcPr").child("w:vMerge");
                    c.merged = vm && xml::val(vm) != QLatin1String("restart");
                    c.marks = pending;
                    pending.clear();
                    col += c.span;
                    cells << c;
                } else if (std::strcmp(n.name(), "w:bookmarkStart") == 0) {
                    pending << n;
                } else if (std::strcmp(n.name(), "w:sdt") == 0) {
                    collectCells(n.child("w:sdtContent"));
                } else if (std::strcmp(n.name(), "w:customXml") == 0) {
                    collectCells(n);
                }
            }
        };
        collectCells(tr);
        table << cells;
    }
    // Row spans: a restarting cell spans the continuing cells below it.
    for (int r = 0; r < table.size(); ++r)
        for (Cell &c : table[r]) {
            if (c.merged)
                continue;
            for (int below = r + 1; below < table.size(); ++below) {
                bool continues = false;
                for (const Cell &d : std::as_const(table[below]))
                    if (d.col == c.col && d.merged)
                        continues = true;
                if (!continues)
                    break;
                ++c.rowSpan;
            }
        }

    const int cols = std::max<int>(int(grid.size()), 1);
    int widthTw = gridTotal;
    QString widthCss;
    pugi::xml_node tblW = tblPr.child("w:tblW");
    if (xml::attr(tblW, "w:type") == QLatin1String("dxa") && xml::intAttr(tblW, "w:w") > 0)
        widthTw = xml::intAttr(tblW, "w:w");
    if (xml::attr(tblW, "w:type") == QLatin1String("pct") && xml::intAttr(tblW, "w:w") > 0)
        widthCss = QString::number(xml::intAttr(tblW, "w:w") / 50.0) + QLatin1Char('%');
    flushRun();
    out_ += QLatin1String("<table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0");
    if (jc == QLatin1String("center"))
        out_ += QLatin1String(" align=center");
    else if (jc == QLatin1String("right") || jc == QLatin1String("end"))
        out_ += QLatin1String(" align=right");
    if (widthCss.isEmpty() && widthTw > 0)
        out_ += QLatin1String(" width=") + QString::number(std::lround(widthTw / 15.0));
    out_ += QLatin1String(" style='");
    if (!widthCss.isEmpty())
        out_ += QLatin1String("width:") + widthCss + QLatin1Char(';');
    else if (widthTw > 0)
        out_ += QLatin1String("width:") + css::points(widthTw / 20.0) + QLatin1Char(';');
    if (pugi::xml_node ind = tblPr.child("w:tblInd"); ind && xml::intAttr(ind, "w:w") != 0)
        out_ += QLatin1String("margin-left:") + css::twips(xml::intAttr(ind, "w:w")) + QLatin1Char(';');
    out_ += QLatin1String("border-collapse:collapse;border:none'>") + kNl;

    const QString padding = css::twips(marTop) + QLatin1Char(' ') + css::points(marRight / 20.0)
                            + QLatin1Char(' ') + css::twips(marBottom) + QLatin1Char(' ')
                            + css::points(marLeft / 20.0);
    const int rowCount = int(table.size());
    for (int r = 0; r < rowCount; ++r) {
        pugi::xml_node trPr = rows[r].child("w:trPr");
        out_ += QLatin1String(" <tr");
        if (pugi::xml_node h = trPr.child("w:trHeight"); h && xml::intVal(h) > 0)
            out_ += QLatin1String(" style='height:") + css::points(xml::intVal(h) / 20.0) + QLatin1Char('\'');
        out_ += QLatin1Char('>') + kNl;
        for (const Cell &c : std::as_const(table[r])) {
            if (c.merged)
                continue;
            pugi::xml_node tcPr = c.tc.child("w:tcPr");
            int w = 0;
            for (int i = c.col; i < c.col + c.span && i < grid.size(); ++i)
                w += grid[i];
            pugi::xml_node tcW = tcPr.child("w:tcW");
            if (xml::attr(tcW, "w:type") == QLatin1String("dxa") && xml::intAttr(tcW, "w:w") > 0)
                w = xml::intAttr(tcW, "w:w");
            // The table style's parts for this cell, lowest first.
            QList<pugi::xml_node> cellLayers = styleLayers(nullptr) + styleLayers("wholeTable");
            const int bodyRow = r - (useFirstRow ? 1 : 0), bodyCol = c.col - (useFirstCol ? 1 : 0);
            if (useVBand && bodyCol >= 0)
                cellLayers += styleLayers(bodyCol % 2 ? "band2Vert" : "band1Vert");
            if (useHBand && bodyRow >= 0)
                cellLayers += styleLayers(bodyRow % 2 ? "band2Horz" : "band1Horz");
            if (useFirstCol && c.col == 0)
                cellLayers += styleLayers("firstCol");
            if (useLastCol && c.col + c.span >= cols)
                cellLayers += styleLayers("lastCol");
            if (useFirstRow && r == 0)
                cellLayers += styleLayers("firstRow");
            if (useLastRow && r + c.rowSpan >= rowCount)
                cellLayers += styleLayers("lastRow");
            // Each edge: the cell's own border, else the table's outer or inner one.
            std::optional<BorderFormat> own[6];
            for (pugi::xml_node l : std::as_const(cellLayers))
                readEdges(l.child("w:tcPr").child("w:tcBorders"), own, 4);
            readEdges(tcPr.child("w:tcBorders"), own, 4);
            const bool top = r == 0, bottom = r + c.rowSpan >= rowCount, left = c.col == 0,
                       right = c.col + c.span >= cols;
            const std::optional<BorderFormat> sides[4] = {
                own[0] ? own[0] : (top ? edge[0] : edge[4]),
                own[1] ? own[1] : (left ? edge[1] : edge[5]),
                own[2] ? own[2] : (bottom ? edge[2] : edge[4]),
                own[3] ? own[3] : (right ? edge[3] : edge[5])};
            static const char *const sideNames[4] = {"top", "left", "bottom", "right"};
            out_ += QLatin1String("  <td");
            if (w > 0)
                out_ += QLatin1String(" width=") + QString::number(std::lround(w / 15.0));
            if (c.span > 1)
                out_ += QLatin1String(" colspan=") + QString::number(c.span);
            if (c.rowSpan > 1)
                out_ += QLatin1String(" rowspan=") + QString::number(c.rowSpan);
            const QString va = xml::val(tcPr.child("w:vAlign"));
            out_ += QLatin1String(" valign=")
                    + (va == QLatin1String("center") ? QLatin1String("middle")
                       : va == QLatin1String("bottom") ? QLatin1String("bottom")
                                                       : QLatin1String("top"));
            out_ += QLatin1String(" style='");
            if (w > 0)
                out_ += QLatin1String("width:") + css::points(w / 20.0) + QLatin1Char(';');
            for (int s = 0; s < 4; ++s)
                out_ += QLatin1String("border-") + QLatin1String(sideNames[s]) + QLatin1Char(':')
                        + (sides[s] ? css::border(*sides[s]) : QStringLiteral("none")) + QLatin1Char(';');
            std::optional<ShadingFormat> shd = tableShading;
            for (pugi::xml_node l : std::as_const(cellLayers))
                if (pugi::xml_node s = l.child("w:tcPr").child("w:shd"))
                    shd = ShadingFormat{xml::val(s), xml::attr(s, "w:color"), xml::attr(s, "w:fill")};
            if (pugi::xml_node s = tcPr.child("w:shd"))
                shd = ShadingFormat{xml::val(s), xml::attr(s, "w:color"), xml::attr(s, "w:fill")};
            if (shd && !shd->background().isEmpty())
                out_ += QLatin1String("background:") + shd->background() + QLatin1Char(';');
            out_ += QLatin1String("padding:") + padding + QLatin1String("'>") + kNl;
            for (pugi::xml_node m : c.marks)
                bookmark(m);
            const QList<pugi::xml_node> outerLayers = cellLayers_;
            cellLayers_ = cellLayers;
            writeBlocks(c.tc);
            cellLayers_ = outerLayers;
            out_ += QLatin1String("  </td>") + kNl;
        }
        out_ += QLatin1String(" </tr>") + kNl;
    }
    out_ += QLatin1String("</table>") + kNl + kNl;
}

QString Writer::addPictureFile(const QByteArray &bytes, QString ext, int w, int h, const QString &key)
{
    if (!key.isEmpty())
        if (auto it = pictureByKey_.constFind(key); it != pictureByKey_.constEnd())
            return *it;
    ext = ext.toLower();
    if (ext == QLatin1String("jpeg"))
        ext = QStringLiteral("jpg");
    // The extension comes from the package: only a plain one names a file.
    static const QRegularExpression plainExt(QStringLiteral("^[a-z0-9]{1,5}$"));
    if (!plainExt.match(ext).hasMatch())
        ext = QStringLiteral("bin");
    Picture pic;
    pic.bytes = bytes;
    pic.w = w;
    pic.h = h;
    pic.metafile = ext == QLatin1String("emf") || ext == QLatin1String("wmf");
    const QString base = QStringLiteral("image%1").arg(pictures_.size() + 1, 3, 10, QLatin1Char('0'));
    // Metafiles become PNG pictures; one that cannot be converted keeps its own format.
    pic.name = base + QLatin1Char('.') + (pic.metafile ? QStringLiteral("png") : ext);
    pic.fallbackName = base + QLatin1Char('.') + ext;
    pictures_.append(pic);
    const QString src = filesFolder_ + QLatin1Char('/') + pic.name;
    if (!key.isEmpty())
        pictureByKey_.insert(key, src);
    return src;
}

QString Writer::imageFromRelationship(const QString &relId, int w, int h)
{
    if (relId.isEmpty())
        return QString();
    const Relationship rel = pkg_.relationship(part_, relId);
    if (rel.id.isEmpty())
        return QString();
    if (rel.external)
        return rel.target;
    if (!pkg_.hasPart(rel.targetPart))
        return QString();
    return addPictureFile(pkg_.bytes(rel.targetPart), QFileInfo(rel.targetPart).suffix(), w, h,
                          rel.targetPart + QLatin1Char('@') + QString::number(w) + QLatin1Char('x')
                              + QString::number(h));
}

QString Writer::plainShapeImage(int w, int h, pugi::xml_node spPr)
{
    auto rgb = [](pugi::xml_node fill) -> quint32 {
        const QString v = xml::attr(fill.child("a:srgbClr"), "val");
        bool ok = false;
        const quint32 c = v.toUInt(&ok, 16);
        return ok && v.size() == 6 ? 0xFF000000u | c : 0u;
    };
    const quint32 fill = rgb(spPr.child("a:solidFill"));
    quint32 line = rgb(spPr.child("a:ln").child("a:solidFill"));
    if (!fill && !line)
        line = 0xFF000000u;
    return addPictureFile(PlainPng(w, h, fill, line), QStringLiteral("png"), w, h, QString());
}

void Writer::writeImage(const QString &src, int w, int h, const QString &alt, const QString &align)
{
    QString tag = QLatin1String("<img");
    if (w > 0)
        tag += QLatin1String(" width=") + QString::number(w);
    if (h > 0)
        tag += QLatin1String(" height=") + QString::number(h);
    tag += QLatin1String(" src=\"") + escapeAttr(src) + QLatin1Char('"');
    if (!align.isEmpty())
        tag += QLatin1String(" align=") + align;
    tag += QLatin1String(" alt=\"") + escapeAttr(alt) + QLatin1String("\">");
    flushRun();
    out_ += tag;
    visible_ = true;
}

void Writer::writeTextBox(pugi::xml_node txbxContent, int widthPx, const QString &align, bool framed)
{
    flushRun();
    out_ += QLatin1String("<table cellpadding=0 cellspacing=0");
    if (!align.isEmpty())
        out_ += QLatin1String(" align=") + align;
    if (widthPx > 0)
        out_ += QLatin1String(" width=") + QString::number(widthPx);
    if (framed)
        out_ += QLatin1String(" style='border:solid windowtext .75pt'");
    out_ += QLatin1String("><tr><td style='padding:3.6pt 7.2pt'>") + kNl;
    writeBlocks(txbxContent);
    out_ += QLatin1String("</td></tr></table>");
    visible_ = true;
}

void Writer::writeDrawing(pugi::xml_node drawing)
{
    pugi::xml_node frame = drawing.child("wp:inline");
    const bool anchored = !frame;
    if (!frame)
        frame = drawing.child("wp:anchor");
    if (!frame)
        return;
    pugi::xml_node extent = frame.child("wp:extent");
    const int w = emuToPx(extent.attribute("cx").as_llong());
    const int h = emuToPx(extent.attribute("cy").as_llong());
    pugi::xml_node docPr = frame.child("wp:docPr");
    QString alt = xml::attr(docPr, "descr");
    if (alt.isEmpty())
        alt = xml::attr(docPr, "title");
    // Floating frames that text wraps around float to their side; a centred
    // text box stays centred (pictures have no centred alignment).
    QString align, boxAlign;
    if (anchored && (frame.child("wp:wrapSquare") || frame.child("wp:wrapTight")
                     || frame.child("wp:wrapThrough"))) {
        const QString a = QString::fromUtf8(frame.child("wp:positionH").child_value("wp:align"));
        align = a == QLatin1String("right") ? QStringLiteral("right") : QStringLiteral("left");
        boxAlign = a == QLatin1String("center") ? QStringLiteral("center") : align;
    }
    pugi::xml_node data = frame.child("a:graphic").child("a:graphicData");
    // The first picture inside a shape, group or canvas, for shapes shown as pictures.
    auto firstBlip = [](pugi::xml_node n) {
        return n.select_node(".//a:blip").node();
    };
    if (pugi::xml_node pic = data.child("pic:pic")) {
        pugi::xml_node blip = pic.child("pic:blipFill").child("a:blip");
        QString src = imageFromRelationship(xml::attr(blip, "r:embed"), w, h);
        if (src.isEmpty())
            src = imageFromRelationship(xml::attr(blip, "r:link"), w, h);
        if (!src.isEmpty())
            writeImage(src, w, h, alt, align);
        return;
    }
    pugi::xml_node shape = data.first_child();
    const QString kind = QString::fromUtf8(shape.name());
    if (carriesMarker(alt)) {
        // A linked shape or a mapped canvas becomes one picture carrying its markers.
        QString src;
        if (pugi::xml_node blip = firstBlip(shape))
            src = imageFromRelationship(xml::attr(blip, "r:embed"), w, h);
        if (src.isEmpty())
            src = plainShapeImage(w, h, shape.child("wps:spPr"));
        writeImage(src, w, h, alt, align);
        return;
    }
    if (kind == QLatin1String("wps:wsp")) {
        if (pugi::xml_node txbx = shape.child("wps:txbx").child("w:txbxContent")) {
            // Framed when the shape draws its outline, by its own line or its style's.
            pugi::xml_node ln = shape.child("wps:spPr").child("a:ln");
            const bool framed = ln ? !ln.child("a:noFill")
                                   : shape.child("wps:style").child("a:lnRef").attribute("idx").as_int() > 0;
            writeTextBox(txbx, w, boxAlign, framed);
        }
        return;
    }
    if (kind == QLatin1String("wpg:wgp") || kind == QLatin1String("wpc:wpc")) {
        // Groups and canvases show their pictures and text boxes in order.
        for (pugi::xpath_node n : shape.select_nodes(".//pic:pic | .//wps:txbx/w:txbxContent")) {
            if (std::strcmp(n.node().name(), "pic:pic") == 0) {
                pugi::xml_node ext = n.node().child("pic:spPr").child("a:xfrm").child("a:ext");
                const int pw = ext ? emuToPx(ext.attribute("cx").as_llong()) : w;
                const int ph = ext ? emuToPx(ext.attribute("cy").as_llong()) : h;
                const QString src = imageFromRelationship(
                    xml::attr(n.node().child("pic:blipFill").child("a:blip"), "r:embed"), pw, ph);
                if (!src.isEmpty())
                    writeImage(src, pw, ph, xml::attr(n.node().child("pic:nvPicPr").child("pic:cNvPr"), "descr"),
                               align);
            } else {
                writeTextBox(n.node(), w, boxAlign, false);
            }
        }
    }
}

void Writer::writeVml(pugi::xml_node container)
{
    for (pugi::xml_node n = container.first_child(); n; n = n.next_sibling()) {
        const QString name = QString::fromUtf8(n.name());
        if (!name.startsWith(QLatin1String("v:")))
            continue;
        if (name == QLatin1String("v:group") && !carriesMarker(xml::attr(n, "alt"))) {
            writeVml(n);
            continue;
        }
        if (name == QLatin1String("v:shapetype") || name == QLatin1String("v:formulas"))
            continue;
        const QString style = xml::attr(n, "style");
        const int w = vmlLengthPx(style, QStringLiteral("width"));
        const int h = vmlLengthPx(style, QStringLiteral("height"));
        // A marked group (a canvas) is shown as its first picture.
        pugi::xml_node img = name == QLatin1String("v:group") ? n.select_node(".//v:imagedata").node()
                                                               : n.child("v:imagedata");
        QString alt = xml::attr(n, "alt");
        if (alt.isEmpty())
            alt = xml::attr(img, "o:title");
        QString src;
        if (img) {
            QString id = xml::attr(img, "r:id");
            if (id.isEmpty())
                id = xml::attr(img, "o:relid");
            src = imageFromRelationship(id, w, h);
        }
        if (src.isEmpty() && carriesMarker(alt)) {
            // A marked shape without a picture of its own is shown as its outline.
            src = addPictureFile(PlainPng(std::max(w, 1), std::max(h, 1), 0, 0xFF000000u),
                                 QStringLiteral("png"), w, h, QString());
        }
        if (!src.isEmpty()) {
            writeImage(src, w, h, alt, QString());
        } else if (pugi::xml_node txbx = n.child("v:textbox").child("w:txbxContent")) {
            writeTextBox(txbx, w, QString(), xml::attr(n, "stroked") != QLatin1String("f")
                                                 && xml::attr(n, "stroked") != QLatin1String("false"));
        }
    }
}

void Writer::writeFiles()
{
    if (pictures_.isEmpty())
        return;
    const QDir dir(QFileInfo(fileName_).absolutePath());
    const QString folder = dir.filePath(filesFolder_);
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(QDir::toNativeSeparators(folder)));
    QList<MetafileJob> jobs;
    QList<int> jobPicture;
    auto writeBytes = [&](const QString &path, const QByteArray &bytes) {
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
            throw Exception(QStringLiteral("Cannot write the file \"%1\": %2.")
                                .arg(QDir::toNativeSeparators(path), f.errorString()));
    };
    for (int i = 0; i < pictures_.size(); ++i) {
        Picture &pic = pictures_[i];
        if (!pic.metafile) {
            writeBytes(folder + QLatin1Char('/') + pic.name, pic.bytes);
            continue;
        }
        MetafileJob job;
        job.bytes = pic.bytes;
        job.extension = QFileInfo(pic.fallbackName).suffix();
        job.widthPx = std::max(pic.w, 1);
        job.heightPx = std::max(pic.h, 1);
        job.output = folder + QLatin1Char('/') + pic.name;
        jobs << job;
        jobPicture << i;
    }
    QString error;
    const QList<bool> done = ConvertMetafilesToPng(jobs, &error);
    for (int j = 0; j < jobs.size(); ++j) {
        Picture &pic = pictures_[jobPicture[j]];
        if (done[j])
            continue;
        // Not converted: the metafile itself is kept and linked.
        qWarning().noquote() << "Picture" << pic.fallbackName << "kept as a metafile:" << error;
        writeBytes(folder + QLatin1Char('/') + pic.fallbackName, pic.bytes);
        pic.converted = false;
    }
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
        const int w = xml::intAttr(sz, "w:w", 12240), ht = xml::intAttr(sz, "w:h", 15840);
        const QString name = QStringLiteral("WordSection%1").arg(i + 1);
        h += QLatin1String("@page ") + name + kNl + QLatin1String("\t{size:") + css::twips(w)
             + QLatin1Char(' ') + css::twips(ht) + QLatin1String(";") + kNl + QLatin1String("\tmargin:")
             + css::twips(xml::intAttr(mar, "w:top", 1440)) + QLatin1Char(' ')
             + css::twips(xml::intAttr(mar, "w:right", 1440)) + QLatin1Char(' ')
             + css::twips(xml::intAttr(mar, "w:bottom", 1440)) + QLatin1Char(' ')
             + css::twips(xml::intAttr(mar, "w:left", 1440)) + QLatin1String(";}") + kNl;
        h += QLatin1String("div.") + name + kNl + QLatin1String("\t{page:") + name + QLatin1String(";}") + kNl;
    }
    h += QLatin1String(" /* List Definitions */") + kNl + QLatin1String(" ol") + kNl
         + QLatin1String("\t{margin-bottom:0in;}") + kNl + QLatin1String("ul") + kNl
         + QLatin1String("\t{margin-bottom:0in;}") + kNl;
    h += QLatin1String("-->") + kNl + QLatin1String("</style>") + kNl + kNl + QLatin1String("</head>") + kNl + kNl;
    return h;
}

} // namespace

void ExportFilteredHtml(const Package &package, const HtmlExportOptions &options, const QString &fileName)
{
    Writer w(package, options, fileName);
    w.run();
}

} // namespace word
