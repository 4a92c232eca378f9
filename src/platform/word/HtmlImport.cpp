#include "platform/word/HtmlImport.h"
#include "platform/LinkScheme.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/word/DocxWriter.h"
#include "platform/word/HtmlExport.h"
#include "platform/word/Package.h"
#include "platform/word/Styles.h"
#include "platform/word/XmlText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <cmath>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <optional>
#include <mutex>
#include <vector>

namespace word {

namespace {

// Pictures larger than this are left out (as a missing picture).
const qint64 kMaxPictureBytes = 64ll * 1024 * 1024;
// Tables nested deeper than this keep their text as paragraphs in the
// innermost cell: the document's XML stays shallow enough to be read again.
const int kMaxTableDepth = 24;
// Elements nested deeper than this give their text only.
const int kMaxElementDepth = 300;
// Word's limit on table columns.
const int kMaxColumns = 63;
// The text width of a new document (8.5in less two 1in margins), in twips.
const int kTextWidthTwips = 9360;
const qint64 kEmuPerPixel = 9525;
const qint64 kMaxPictureWidthEmu = 9360ll * 635;  // the text width
const qint64 kMaxPictureHeightEmu = 12960ll * 635; // 9 inches

QString str(const xmlChar *s)
{
    return s ? QString::fromUtf8(reinterpret_cast<const char *>(s)) : QString();
}

bool isName(const xmlNode *n, const char *name)
{
    return n->name && std::strcmp(reinterpret_cast<const char *>(n->name), name) == 0;
}

QString attribute(const xmlNode *n, const char *name)
{
    for (const xmlAttr *a = n->properties; a; a = a->next)
        if (a->name && xmlStrcasecmp(a->name, reinterpret_cast<const xmlChar *>(name)) == 0) {
            if (!a->children)
                return QStringLiteral("");
            xmlChar *v = xmlNodeListGetString(n->doc, a->children, 1);
            const QString out = str(v);
            xmlFree(v);
            return out;
        }
    return QString();
}

QByteArray utf8(const QString &s)
{
    return XmlUtf8(s);
}

// --- Encodings --------------------------------------------------------------

int codePageOfCharset(QString name)
{
    name = name.trimmed().toLower();
    if (name.isEmpty())
        return 0;
    static const QHash<QString, int> aliases = {
        {QStringLiteral("utf-8"), 65001},     {QStringLiteral("utf8"), 65001},
        {QStringLiteral("unicode-1-1-utf-8"), 65001},
        {QStringLiteral("iso-8859-1"), 1252}, {QStringLiteral("latin1"), 1252},
        {QStringLiteral("us-ascii"), 1252},   {QStringLiteral("ascii"), 1252},
        {QStringLiteral("x-sjis"), 932},      {QStringLiteral("sjis"), 932},
        {QStringLiteral("shift-jis"), 932},   {QStringLiteral("gbk"), 936},
        {QStringLiteral("x-gbk"), 936},       {QStringLiteral("euc-cn"), 936},
        {QStringLiteral("cp936"), 936},       {QStringLiteral("big5-hkscs"), 950},
        {QStringLiteral("euc-kr"), 949},      {QStringLiteral("ks_c_5601"), 949},
        {QStringLiteral("tis-620"), 874},     {QStringLiteral("iso-8859-11"), 874},
        {QStringLiteral("koi8-u"), 21866},
    };
    if (const int cp = aliases.value(name))
        return cp;
    static const QRegularExpression windows(QStringLiteral("^(?:windows|cp|x-cp|win)-?(\\d{3,5})$"));
    const QRegularExpressionMatch m = windows.match(name);
    if (m.hasMatch())
        return m.captured(1).toInt();
    for (int cp : CodePage::knownCodePages())
        if (HtmlCharsetName(cp).compare(name, Qt::CaseInsensitive) == 0)
            return cp;
    return 0;
}

// The charset named by a meta element (either form) in the head of the page.
QString metaCharset(const QByteArray &bytes)
{
    static const QRegularExpression meta(QStringLiteral("<meta\\b[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:\\-]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    // Only ASCII matters here; Latin-1 keeps every byte in place.
    const QString head = QString::fromLatin1(bytes.left(16384));
    const QRegularExpressionMatch m = meta.match(head);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString decodeUtf16(const QByteArray &bytes, bool littleEndian)
{
    QString out;
    out.resize((bytes.size() - 2) / 2);
    const uchar *d = reinterpret_cast<const uchar *>(bytes.constData()) + 2;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const uchar a = d[2 * i], b = d[2 * i + 1];
        out[i] = QChar(littleEndian ? ushort(a | (b << 8)) : ushort((a << 8) | b));
    }
    return out;
}

// --- Bookmark names -----------------------------------------------------------

bool isBookmarkChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// --- Picture headers -------------------------------------------------------

struct PictureInfo {
    QString extension;   // "png", "jpeg", "gif", "bmp"
    QString contentType;
    int width = 0, height = 0; // pixels
    bool valid() const { return !extension.isEmpty() && width > 0 && height > 0; }
};

quint32 be32(const uchar *p) { return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3]; }
quint16 be16(const uchar *p) { return quint16((p[0] << 8) | p[1]); }
quint16 le16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
qint32 le32(const uchar *p) { return qint32(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24)); }

// The kind and pixel size of a picture from its header; invalid for
// anything that is not a readable PNG, JPEG, GIF or BMP.
PictureInfo sniffPicture(const QByteArray &data)
{
    PictureInfo info;
    const uchar *d = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype n = data.size();
    if (n >= 24 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(d + 12, "IHDR", 4) == 0) {
        info = {QStringLiteral("png"), QStringLiteral("image/png"), int(std::min<quint32>(be32(d + 16), 1u << 30)),
                int(std::min<quint32>(be32(d + 20), 1u << 30))};
    } else if (n >= 10 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0)) {
        info = {QStringLiteral("gif"), QStringLiteral("image/gif"), le16(d + 6), le16(d + 8)};
    } else if (n >= 26 && d[0] == 'B' && d[1] == 'M') {
        const qint32 w = le32(d + 18), h = le32(d + 22);
        info = {QStringLiteral("bmp"), QStringLiteral("image/bmp"), std::abs(w), h == INT32_MIN ? 0 : std::abs(h)};
    } else if (n >= 4 && d[0] == 0xFF && d[1] == 0xD8) {
        // Walk the segments to the first start-of-frame marker.
        qsizetype i = 2;
        while (i + 9 < n) {
            if (d[i] != 0xFF) {
                ++i;
                continue;
            }
            const uchar marker = d[i + 1];
            if (marker == 0xFF) {
                ++i;
                continue;
            }
            if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                i += 2;
                continue;
            }
            const int len = be16(d + i + 2);
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
                info = {QStringLiteral("jpeg"), QStringLiteral("image/jpeg"), be16(d + i + 7), be16(d + i + 5)};
                break;
            }
            if (len < 2)
                break;
            i += 2 + len;
        }
    }
    return info;
}

// --- Colours and sizes ------------------------------------------------------------

// A colour as RRGGBB, or empty when the text is not one.
QString parseColor(QString v)
{
    v = v.trimmed().toLower();
    static const QHash<QString, QString> named = {
        {QStringLiteral("black"), QStringLiteral("000000")},   {QStringLiteral("silver"), QStringLiteral("C0C0C0")},
        {QStringLiteral("gray"), QStringLiteral("808080")},    {QStringLiteral("grey"), QStringLiteral("808080")},
        {QStringLiteral("white"), QStringLiteral("FFFFFF")},   {QStringLiteral("maroon"), QStringLiteral("800000")},
        {QStringLiteral("red"), QStringLiteral("FF0000")},     {QStringLiteral("purple"), QStringLiteral("800080")},
        {QStringLiteral("fuchsia"), QStringLiteral("FF00FF")}, {QStringLiteral("green"), QStringLiteral("008000")},
        {QStringLiteral("lime"), QStringLiteral("00FF00")},    {QStringLiteral("olive"), QStringLiteral("808000")},
        {QStringLiteral("yellow"), QStringLiteral("FFFF00")},  {QStringLiteral("navy"), QStringLiteral("000080")},
        {QStringLiteral("blue"), QStringLiteral("0000FF")},    {QStringLiteral("teal"), QStringLiteral("008080")},
        {QStringLiteral("aqua"), QStringLiteral("00FFFF")},    {QStringLiteral("orange"), QStringLiteral("FFA500")},
        {QStringLiteral("darkblue"), QStringLiteral("00008B")}, {QStringLiteral("darkred"), QStringLiteral("8B0000")},
        {QStringLiteral("darkgreen"), QStringLiteral("006400")}, {QStringLiteral("brown"), QStringLiteral("A52A2A")},
    };
    if (named.contains(v))
        return named.value(v);
    static const QRegularExpression rgb(QStringLiteral("^rgb\\(\\s*(\\d+)\\s*,\\s*(\\d+)\\s*,\\s*(\\d+)\\s*\\)$"));
    const QRegularExpressionMatch m = rgb.match(v);
    if (m.hasMatch()) {
        QString out;
        for (int i = 1; i <= 3; ++i)
            out += QStringLiteral("%1").arg(std::min(m.captured(i).toInt(), 255), 2, 16, QLatin1Char('0'));
        return out.toUpper();
    }
    if (v.startsWith(QLatin1Char('#')))
        v = v.mid(1);
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]+$"));
    if (!hex.match(v).hasMatch())
        return QString();
    if (v.size() == 3)
        return QString(v[0]) + v[0] + v[1] + v[1] + v[2] + v[2];
    return v.size() == 6 ? v.toUpper() : QString();
}

// A CSS length in points; relative units against `current` points.
std::optional<double> cssPoints(QString v, double current)
{
    v = v.trimmed().toLower();
    static const QHash<QString, double> keywords = {
        {QStringLiteral("xx-small"), 7.5}, {QStringLiteral("x-small"), 7.5}, {QStringLiteral("small"), 10},
        {QStringLiteral("medium"), 12},    {QStringLiteral("large"), 13.5},  {QStringLiteral("x-large"), 18},
        {QStringLiteral("xx-large"), 24},  {QStringLiteral("smaller"), current / 1.2},
        {QStringLiteral("larger"), current * 1.2}};
    if (keywords.contains(v))
        return keywords.value(v);
    static const QRegularExpression num(QStringLiteral("^([0-9]*\\.?[0-9]+)\\s*(pt|px|em|%|in|cm|mm|pc|ex)?$"));
    const QRegularExpressionMatch m = num.match(v);
    if (!m.hasMatch())
        return std::nullopt;
    const double x = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    double pt = x;
    if (unit == QLatin1String("px") || unit.isEmpty())
        pt = x * 0.75;
    else if (unit == QLatin1String("em"))
        pt = x * current;
    else if (unit == QLatin1String("ex"))
        pt = x * current / 2;
    else if (unit == QLatin1String("%"))
        pt = x * current / 100;
    else if (unit == QLatin1String("in"))
        pt = x * 72;
    else if (unit == QLatin1String("cm"))
        pt = x * 72 / 2.54;
    else if (unit == QLatin1String("mm"))
        pt = x * 72 / 25.4;
    else if (unit == QLatin1String("pc"))
        pt = x * 12;
    if (!(pt > 0) || pt > 1638)
        return std::nullopt;
    return pt;
}

// The declarations of a style attribute, names lower-cased.
QHash<QString, QString> styleDeclarations(const QString &style)
{
    QHash<QString, QString> out;
    for (const QString &decl : style.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int colon = decl.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        QString value = decl.mid(colon + 1).trimmed();
        value.remove(QRegularExpression(QStringLiteral("\\s*!important$"), QRegularExpression::CaseInsensitiveOption));
        out.insert(decl.left(colon).trimmed().toLower(), value);
    }
    return out;
}

// The first family of a CSS font-family list, unquoted.
QString firstFamily(const QString &list)
{
    QString f = list.section(QLatin1Char(','), 0, 0).trimmed();
    if (f.size() >= 2 && (f.startsWith(QLatin1Char('"')) || f.startsWith(QLatin1Char('\''))))
        f = f.mid(1, f.size() - 2);
    static const QHash<QString, QString> generic = {{QStringLiteral("serif"), QStringLiteral("Times New Roman")},
                                                    {QStringLiteral("sans-serif"), QStringLiteral("Arial")},
                                                    {QStringLiteral("monospace"), QStringLiteral("Courier New")}};
    return generic.value(f.toLower(), f);
}

// --- The builder ----------------------------------------------------------------------

struct CharFormat {
    bool bold = false, italic = false, underline = false, strike = false;
    QString vertAlign; // "superscript", "subscript"
    QString font;
    double points = 0; // 0: the style's size
    QString color;
    QString background;
    bool link = false;
};

struct BlockContext {
    QString styleId;
    QString jc;
    int indent = 0; // twips
    bool pre = false;
    bool bold = false; // table header cells
};

struct ListContext {
    int numId = 0;
    int level = 0;
};

const char *const kNumberingType = "application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml";

class Builder {
public:
    Builder(Package &pkg, const QString &baseDir, const QString &pictureFolder)
        : pkg_(pkg), baseDir_(baseDir), pictureRoot_(pictureFolder.isEmpty() ? baseDir : pictureFolder)
    {
        main_ = pkg_.mainDocumentPart();
        pugi::xml_node root = pkg_.xml(main_)->document_element();
        for (const char *ns : {"wp", "a", "pic"})
            root.append_attribute((QByteArray("xmlns:") + ns).constData())
                .set_value(namespaceUri(QLatin1String(ns)).toUtf8().constData());
        body_ = root.child("w:body");
        sectPr_ = body_.child("w:sectPr");
        body_.remove_child(body_.child("w:p"));
        container_ = body_;
        const QString stylesPart = pkg_.relationshipByType(main_, QString::fromLatin1(reltype::Styles)).targetPart;
        styles_ = std::make_unique<Styles>(pkg_.xml(stylesPart));
        blocks_.push_back(BlockContext());
        formats_.push_back(CharFormat());
    }

    void run(xmlNode *root)
    {
        for (xmlNode *n = root; n; n = n->next)
            node(n, 0);
        endParagraph();
        flushBookmarks(true);
        finish();
    }

private:
    // --- paragraphs and runs
    pugi::xml_node appendBlock(const char *name)
    {
        if (container_ == body_)
            return sectPr_ ? body_.insert_child_before(name, sectPr_) : body_.append_child(name);
        return container_.append_child(name);
    }

    pugi::xml_node paragraph()
    {
        if (cur_)
            return cur_;
        cur_ = made(appendBlock("w:p"));
        lastParagraph_ = cur_;
        atLineStart_ = true;
        link_ = pugi::xml_node();
        const BlockContext &b = blocks_.back();
        // The properties are made only when there are any: a node made and
        // taken away again keeps its memory until the whole page goes.
        pugi::xml_node pPr;
        auto props = [&] {
            if (!pPr)
                pPr = cur_.append_child("w:pPr");
            return pPr;
        };
        if (!b.styleId.isEmpty())
            props().append_child("w:pStyle").append_attribute("w:val").set_value(utf8(b.styleId).constData());
        int indent = b.indent;
        if (pendingItem_) {
            pugi::xml_node numPr = props().append_child("w:numPr");
            numPr.append_child("w:ilvl").append_attribute("w:val").set_value(lists_.back().level);
            numPr.append_child("w:numId").append_attribute("w:val").set_value(lists_.back().numId);
            pendingItem_ = false;
        } else if (!lists_.empty()) {
            indent += 720 * (lists_.back().level + 1); // text of an item after its first paragraph
        }
        if (b.pre) {
            // Preformatted lines sit at single spacing, as a browser shows them.
            pugi::xml_node spacing = props().append_child("w:spacing");
            spacing.append_attribute("w:after").set_value(0);
            spacing.append_attribute("w:line").set_value(240);
            spacing.append_attribute("w:lineRule").set_value("auto");
        }
        if (indent > 0 && !(pPr && pPr.child("w:numPr")))
            props().append_child("w:ind").append_attribute("w:left").set_value(std::min(indent, 31680));
        if (!b.jc.isEmpty())
            props().append_child("w:jc").append_attribute("w:val").set_value(utf8(b.jc).constData());
        flushBookmarks(false);
        return cur_;
    }

    void endParagraph()
    {
        if (!cur_)
            return;
        // A paragraph that holds nothing but spaces from the page's layout goes.
        cur_ = pugi::xml_node();
        link_ = pugi::xml_node();
    }

    // Where the next run goes: the paragraph, or its open hyperlink.
    pugi::xml_node runParent()
    {
        pugi::xml_node p = paragraph();
        if (!activeLink_)
            return p;
        if (!link_ || link_.parent() != p || linkSerial_ != activeLinkSerial_) {
            link_ = p.append_child("w:hyperlink");
            linkSerial_ = activeLinkSerial_;
            if (!activeLink_->anchor.isEmpty())
                link_.append_attribute("w:anchor").set_value(utf8(activeLink_->anchor).constData());
            else
                link_.append_attribute("r:id").set_value(utf8(activeLink_->relId).constData());
            link_.append_attribute("w:history").set_value("1");
        }
        return link_;
    }

    void runProperties(pugi::xml_node r)
    {
        const CharFormat &f = formats_.back();
        pugi::xml_node rPr;
        auto props = [&] {
            if (!rPr)
                rPr = r.append_child("w:rPr");
            return rPr;
        };
        if (f.link)
            props().append_child("w:rStyle").append_attribute("w:val").set_value(utf8(hyperlinkStyle()).constData());
        if (!f.font.isEmpty()) {
            pugi::xml_node fonts = props().append_child("w:rFonts");
            const QByteArray face = utf8(f.font);
            for (const char *a : {"w:ascii", "w:hAnsi", "w:cs"})
                fonts.append_attribute(a).set_value(face.constData());
        }
        if (f.bold || blocks_.back().bold)
            props().append_child("w:b");
        if (f.italic)
            props().append_child("w:i");
        if (f.strike)
            props().append_child("w:strike");
        if (!f.color.isEmpty())
            props().append_child("w:color").append_attribute("w:val").set_value(utf8(f.color).constData());
        if (f.points > 0) {
            const int half = std::clamp(int(std::lround(f.points * 2)), 2, 3276);
            props().append_child("w:sz").append_attribute("w:val").set_value(half);
            props().append_child("w:szCs").append_attribute("w:val").set_value(half);
        }
        if (f.underline)
            props().append_child("w:u").append_attribute("w:val").set_value("single");
        if (!f.background.isEmpty()) {
            pugi::xml_node shd = props().append_child("w:shd");
            shd.append_attribute("w:val").set_value("clear");
            shd.append_attribute("w:color").set_value("auto");
            shd.append_attribute("w:fill").set_value(utf8(f.background).constData());
        }
        if (!f.vertAlign.isEmpty())
            props().append_child("w:vertAlign").append_attribute("w:val").set_value(utf8(f.vertAlign).constData());
    }

    // A node that could not be made (pugixml gives an empty one when memory
    // runs out) must end the reading, or the page would come out short.
    static pugi::xml_node made(pugi::xml_node n)
    {
        if (!n)
            throw std::bad_alloc();
        return n;
    }

    pugi::xml_node newRun()
    {
        pugi::xml_node r = made(runParent().append_child("w:r"));
        runProperties(r);
        return r;
    }

    void appendText(pugi::xml_node r, const QString &t)
    {
        if (t.isEmpty())
            return;
        pugi::xml_node e = made(r.append_child("w:t"));
        e.append_attribute("xml:space").set_value("preserve");
        if (!e.text().set(utf8(t).constData()))
            throw std::bad_alloc();
    }

    void text(const QString &raw)
    {
        if (blocks_.back().pre) {
            preText(raw);
            return;
        }
        // Runs of white space become one space; none at the start of a line.
        const bool spaceAllowed = cur_ && !atLineStart_ && !lastWasSpace_;
        QString t;
        t.reserve(raw.size());
        bool space = false;
        for (QChar c : raw) {
            if (c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t')
                || c == QLatin1Char('\f')) {
                space = true;
                continue;
            }
            if (space && (!t.isEmpty() || spaceAllowed))
                t += QLatin1Char(' ');
            space = false;
            t += c;
        }
        if (space && (!t.isEmpty() || spaceAllowed))
            t += QLatin1Char(' ');
        if (t.isEmpty())
            return;
        appendText(newRun(), t);
        atLineStart_ = false;
        lastWasSpace_ = t.endsWith(QLatin1Char(' '));
    }

    void preText(const QString &raw)
    {
        QString t = raw;
        t.remove(QLatin1Char('\r'));
        if (t.isEmpty())
            return;
        pugi::xml_node r = newRun();
        QString piece;
        for (QChar c : t) {
            if (c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
                appendText(r, piece);
                piece.clear();
                r.append_child(c == QLatin1Char('\n') ? "w:br" : "w:tab");
            } else {
                piece += c;
            }
        }
        appendText(r, piece);
        atLineStart_ = t.endsWith(QLatin1Char('\n'));
        lastWasSpace_ = false;
    }

    void lineBreak()
    {
        newRun().append_child("w:br");
        atLineStart_ = true;
        lastWasSpace_ = false;
    }

    // --- styles, numbering, relationships
    QString hyperlinkStyle()
    {
        if (hyperlinkStyle_.isEmpty())
            hyperlinkStyle_ = styles_->ensureBuiltIn(wdStyleHyperlink);
        return hyperlinkStyle_;
    }

    QString headingStyle(int level) { return styles_->ensureBuiltIn(wdStyleHeading1 - (level - 1)); }

    pugi::xml_node numbering()
    {
        if (!numbering_) {
            const QString part = QStringLiteral("word/numbering.xml");
            numbering_ = pkg_.setXml(part,
                                     "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
                                     "main\"/>",
                                     QString::fromLatin1(kNumberingType))
                             .document_element();
            pkg_.addRelationship(main_, QString::fromLatin1(reltype::Numbering), QStringLiteral("numbering.xml"));
        }
        return numbering_;
    }

    // A new list definition and instance; gives the instance's number.
    int newList(bool ordered, const QString &type, int start)
    {
        pugi::xml_node root = numbering();
        const int id = ++lastList_;
        pugi::xml_node firstNum = root.child("w:num");
        pugi::xml_node abs = firstNum ? root.insert_child_before("w:abstractNum", firstNum)
                                      : root.append_child("w:abstractNum");
        abs.append_attribute("w:abstractNumId").set_value(id);
        abs.append_child("w:multiLevelType").append_attribute("w:val").set_value("hybridMultilevel");
        QString fmt = QStringLiteral("decimal");
        QString bulletText = QString(QChar(0xF0B7));
        QString bulletFont = QStringLiteral("Symbol");
        if (ordered) {
            if (type == QLatin1String("a"))
                fmt = QStringLiteral("lowerLetter");
            else if (type == QLatin1String("A"))
                fmt = QStringLiteral("upperLetter");
            else if (type == QLatin1String("i"))
                fmt = QStringLiteral("lowerRoman");
            else if (type == QLatin1String("I"))
                fmt = QStringLiteral("upperRoman");
        } else {
            fmt = QStringLiteral("bullet");
            const QString t = type.toLower();
            if (t == QLatin1String("circle")) {
                bulletText = QStringLiteral("o");
                bulletFont = QStringLiteral("Courier New");
            } else if (t == QLatin1String("square")) {
                bulletText = QString(QChar(0xF0A7));
                bulletFont = QStringLiteral("Wingdings");
            }
        }
        for (int l = 0; l < 9; ++l) {
            pugi::xml_node lvl = abs.append_child("w:lvl");
            lvl.append_attribute("w:ilvl").set_value(l);
            lvl.append_child("w:start").append_attribute("w:val").set_value(std::max(start, 0));
            lvl.append_child("w:numFmt").append_attribute("w:val").set_value(utf8(fmt).constData());
            const QString levelText = ordered ? QStringLiteral("%%1.").arg(l + 1) : bulletText;
            lvl.append_child("w:lvlText").append_attribute("w:val").set_value(utf8(levelText).constData());
            lvl.append_child("w:lvlJc").append_attribute("w:val").set_value("left");
            pugi::xml_node ind = lvl.append_child("w:pPr").append_child("w:ind");
            ind.append_attribute("w:left").set_value(720 * (l + 1));
            ind.append_attribute("w:hanging").set_value(360);
            if (!ordered) {
                pugi::xml_node fonts = lvl.append_child("w:rPr").append_child("w:rFonts");
                fonts.append_attribute("w:ascii").set_value(utf8(bulletFont).constData());
                fonts.append_attribute("w:hAnsi").set_value(utf8(bulletFont).constData());
                fonts.append_attribute("w:hint").set_value("default");
            }
        }
        pugi::xml_node num = root.append_child("w:num");
        num.append_attribute("w:numId").set_value(id);
        num.append_child("w:abstractNumId").append_attribute("w:val").set_value(id);
        return id;
    }

    QString externalRelationship(const QString &target)
    {
        auto it = linkRels_.find(target);
        if (it != linkRels_.end())
            return it.value();
        const QString id = pkg_.addRelationship(main_, QString::fromLatin1(reltype::Hyperlink), target, true);
        linkRels_.insert(target, id);
        return id;
    }

    // --- bookmarks
    void bookmark(const QString &rawName)
    {
        const QString name = ValidBookmarkName(rawName);
        if (name.isEmpty() || bookmarkNames_.contains(name.toLower()))
            return;
        bookmarkNames_.insert(name.toLower());
        pendingBookmarks_.push_back(name);
        if (cur_)
            flushBookmarks(false);
    }

    void flushBookmarks(bool atEnd)
    {
        if (pendingBookmarks_.empty())
            return;
        pugi::xml_node p = cur_;
        if (!p && atEnd)
            p = lastParagraph_ ? lastParagraph_ : paragraph();
        if (!p)
            return;
        for (const QString &name : pendingBookmarks_) {
            const int id = nextBookmarkId_++;
            pugi::xml_node s = p.append_child("w:bookmarkStart");
            s.append_attribute("w:id").set_value(id);
            s.append_attribute("w:name").set_value(utf8(name).constData());
            p.append_child("w:bookmarkEnd").append_attribute("w:id").set_value(id);
        }
        pendingBookmarks_.clear();
    }

    // --- pictures
    QString resolvePicture(const QString &src) const
    {
        QString path = src.trimmed();
        const int cut = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
        if (cut >= 0)
            path.truncate(cut);
        if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            path = QUrl(path).toLocalFile();
        else if (path.contains(QRegularExpression(QStringLiteral("^[a-zA-Z][a-zA-Z0-9+.-]+:"))))
            return QString(); // on the web: never fetched
        else
            path = QUrl::fromPercentEncoding(path.toUtf8());
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (path.isEmpty() || baseDir_.isEmpty() || pictureRoot_.isEmpty())
            return QString();
        // Only a file inside the picture folder is read, whatever the path
        // or the links on the way say; the test comes before any look at
        // the disk.
        const QString root = QDir::cleanPath(QDir(pictureRoot_).absolutePath()) + QLatin1Char('/');
        const QString full = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir(baseDir_).filePath(path));
        if (!full.startsWith(root))
            return QString();
        auto inside = [&root](const QString &file) {
            const QString real = QFileInfo(file).canonicalFilePath();
            const QString realRoot = QFileInfo(root).canonicalFilePath();
            return !real.isEmpty() && !realRoot.isEmpty() && real.startsWith(realRoot + QLatin1Char('/'))
                           && QFileInfo(real).isFile()
                       ? file
                       : QString();
        };
        if (QFileInfo(full).isFile())
            return inside(full);
        // Pages written on Windows name their pictures in any case.
        QDir dir(root);
        const QStringList parts = full.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (int i = 0; i < parts.size(); ++i) {
            const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            QString hit;
            for (const QString &e : entries)
                if (e.compare(parts[i], Qt::CaseInsensitive) == 0) {
                    hit = e;
                    break;
                }
            if (hit.isEmpty())
                return QString();
            if (i + 1 == parts.size())
                return inside(dir.filePath(hit));
            if (!dir.cd(hit))
                return QString();
        }
        return QString();
    }

    struct Embedded {
        QString relId;
        PictureInfo info;
    };

    std::optional<Embedded> embed(const QString &src)
    {
        QByteArray data;
        QString key;
        if (src.trimmed().startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
            const QString s = src.trimmed();
            const int comma = s.indexOf(QLatin1Char(','));
            if (comma < 0 || !s.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
                return std::nullopt;
            data = QByteArray::fromBase64(s.mid(comma + 1).toLatin1());
            key = QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
        } else {
            const QString path = resolvePicture(src);
            if (path.isEmpty())
                return std::nullopt;
            key = path;
            auto it = pictures_.find(key);
            if (it != pictures_.end())
                return it.value();
            QFile f(path);
            if (f.size() > kMaxPictureBytes || !f.open(QIODevice::ReadOnly))
                return std::nullopt;
            data = f.readAll();
        }
        auto it = pictures_.find(key);
        if (it != pictures_.end())
            return it.value();
        const PictureInfo info = sniffPicture(data);
        if (!info.valid())
            return std::nullopt;
        const QString part = QStringLiteral("word/media/image%1.%2").arg(++lastPicture_).arg(info.extension);
        pkg_.setBytes(part, data, info.contentType);
        const QString relId = pkg_.addRelationship(main_, QString::fromLatin1(reltype::Image), part.mid(5));
        const Embedded e{relId, info};
        pictures_.insert(key, e);
        return e;
    }

    // A length attribute in pixels; 0 when absent or a percentage.
    static int pixels(const QString &v)
    {
        static const QRegularExpression num(QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*(px)?\\s*$"));
        const QRegularExpressionMatch m = num.match(v);
        return m.hasMatch() ? int(std::min(m.captured(1).toDouble(), 1e6)) : 0;
    }

    void picture(const xmlNode *n)
    {
        const QString alt = attribute(n, "alt");
        const std::optional<Embedded> e = embed(attribute(n, "src"));
        if (!e) {
            // A missing or unreadable picture keeps its alternative text.
            if (!alt.trimmed().isEmpty())
                text(QStringLiteral("[") + alt.trimmed() + QStringLiteral("]"));
            return;
        }
        const QHash<QString, QString> css = styleDeclarations(attribute(n, "style"));
        int w = pixels(css.contains(QStringLiteral("width")) ? css.value(QStringLiteral("width")) : attribute(n, "width"));
        int h = pixels(css.contains(QStringLiteral("height")) ? css.value(QStringLiteral("height"))
                                                               : attribute(n, "height"));
        if (w <= 0 && h <= 0) {
            w = e->info.width;
            h = e->info.height;
        } else if (w <= 0) {
            w = int(std::max<qint64>(1, qint64(h) * e->info.width / e->info.height));
        } else if (h <= 0) {
            h = int(std::max<qint64>(1, qint64(w) * e->info.height / e->info.width));
        }
        qint64 cx = qint64(w) * kEmuPerPixel, cy = qint64(h) * kEmuPerPixel;
        // A picture larger than the page is shown at the page's size.
        const double scale = std::min({1.0, double(kMaxPictureWidthEmu) / double(cx), double(kMaxPictureHeightEmu) / double(cy)});
        cx = std::max<qint64>(1, qint64(double(cx) * scale));
        cy = std::max<qint64>(1, qint64(double(cy) * scale));

        const int id = ++lastDrawing_;
        const QByteArray name = "Picture " + QByteArray::number(id);
        pugi::xml_node r = newRun();
        pugi::xml_node inl = r.append_child("w:drawing").append_child("wp:inline");
        for (const char *a : {"distT", "distB", "distL", "distR"})
            inl.append_attribute(a).set_value(0);
        pugi::xml_node ext = inl.append_child("wp:extent");
        ext.append_attribute("cx").set_value(cx);
        ext.append_attribute("cy").set_value(cy);
        pugi::xml_node docPr = inl.append_child("wp:docPr");
        docPr.append_attribute("id").set_value(id);
        docPr.append_attribute("name").set_value(name.constData());
        if (!alt.isEmpty())
            docPr.append_attribute("descr").set_value(utf8(alt).constData());
        inl.append_child("wp:cNvGraphicFramePr")
            .append_child("a:graphicFrameLocks")
            .append_attribute("noChangeAspect")
            .set_value(1);
        pugi::xml_node gd = inl.append_child("a:graphic").append_child("a:graphicData");
        gd.append_attribute("uri").set_value("http://schemas.openxmlformats.org/drawingml/2006/picture");
        pugi::xml_node pic = gd.append_child("pic:pic");
        pugi::xml_node nv = pic.append_child("pic:nvPicPr");
        pugi::xml_node cNvPr = nv.append_child("pic:cNvPr");
        cNvPr.append_attribute("id").set_value(0);
        cNvPr.append_attribute("name").set_value(name.constData());
        nv.append_child("pic:cNvPicPr");
        pugi::xml_node fill = pic.append_child("pic:blipFill");
        fill.append_child("a:blip").append_attribute("r:embed").set_value(utf8(e->relId).constData());
        fill.append_child("a:stretch").append_child("a:fillRect");
        pugi::xml_node xfrm = pic.append_child("pic:spPr").append_child("a:xfrm");
        pugi::xml_node off = xfrm.append_child("a:off");
        off.append_attribute("x").set_value(0);
        off.append_attribute("y").set_value(0);
        pugi::xml_node ext2 = xfrm.append_child("a:ext");
        ext2.append_attribute("cx").set_value(cx);
        ext2.append_attribute("cy").set_value(cy);
        pugi::xml_node geom = xfrm.parent().append_child("a:prstGeom");
        geom.append_attribute("prst").set_value("rect");
        geom.append_child("a:avLst");
        atLineStart_ = false;
        lastWasSpace_ = false;
    }

    // --- character formatting from elements and style attributes
    void applyCss(CharFormat &f, BlockContext *b, const QString &style)
    {
        if (style.isEmpty())
            return;
        const QHash<QString, QString> css = styleDeclarations(style);
        for (auto it = css.begin(); it != css.end(); ++it) {
            const QString &k = it.key();
            const QString v = it.value().toLower();
            if (k == QLatin1String("color")) {
                const QString c = parseColor(v);
                if (!c.isEmpty())
                    f.color = c;
            } else if (k == QLatin1String("background-color") || k == QLatin1String("background")) {
                const QString c = parseColor(v.section(QLatin1Char(' '), 0, 0));
                if (!c.isEmpty())
                    f.background = c;
            } else if (k == QLatin1String("font-family")) {
                const QString face = firstFamily(it.value());
                if (!face.isEmpty())
                    f.font = face;
            } else if (k == QLatin1String("font-size")) {
                if (const std::optional<double> pt = cssPoints(v, f.points > 0 ? f.points : 12))
                    f.points = *pt;
            } else if (k == QLatin1String("font-weight")) {
                f.bold = v == QLatin1String("bold") || v == QLatin1String("bolder") || v.toInt() >= 600;
            } else if (k == QLatin1String("font-style")) {
                f.italic = v == QLatin1String("italic") || v == QLatin1String("oblique");
            } else if (k == QLatin1String("text-decoration")) {
                if (v.contains(QLatin1String("none"))) {
                    f.underline = f.strike = false;
                } else {
                    f.underline = f.underline || v.contains(QLatin1String("underline"));
                    f.strike = f.strike || v.contains(QLatin1String("line-through"));
                }
            } else if (k == QLatin1String("vertical-align")) {
                if (v == QLatin1String("super"))
                    f.vertAlign = QStringLiteral("superscript");
                else if (v == QLatin1String("sub"))
                    f.vertAlign = QStringLiteral("subscript");
            } else if (b && k == QLatin1String("text-align")) {
                b->jc = alignment(v);
            } else if (b && k == QLatin1String("margin-left")) {
                if (const std::optional<double> pt = cssPoints(v, 12))
                    b->indent += int(*pt * 20);
            }
        }
    }

    static QString alignment(const QString &v)
    {
        const QString a = v.trimmed().toLower();
        if (a == QLatin1String("center") || a == QLatin1String("middle"))
            return QStringLiteral("center");
        if (a == QLatin1String("right"))
            return QStringLiteral("right");
        if (a == QLatin1String("justify"))
            return QStringLiteral("both");
        return QString();
    }

    static double fontElementSize(const QString &v, double current)
    {
        static const double sizes[] = {7.5, 10, 12, 13.5, 18, 24, 36};
        const QString s = v.trimmed();
        bool ok = false;
        int n = s.toInt(&ok);
        if (!ok)
            return current;
        if (s.startsWith(QLatin1Char('+')) || s.startsWith(QLatin1Char('-')))
            n += 3;
        return sizes[std::clamp(n, 1, 7) - 1];
    }

    // --- the walk
    enum class Kind { Skip, Block, Inline };

    void children(xmlNode *n, int depth)
    {
        for (xmlNode *c = n->children; c; c = c->next)
            node(c, depth + 1);
    }

    // The text of everything below n, without recursion (for nesting beyond
    // what the walk follows).
    void flatText(xmlNode *n)
    {
        std::vector<xmlNode *> stack;
        for (xmlNode *c = n->children; c; c = c->next)
            stack.push_back(c);
        std::reverse(stack.begin(), stack.end());
        while (!stack.empty()) {
            xmlNode *c = stack.back();
            stack.pop_back();
            if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
                text(str(c->content));
            } else if (c->type == XML_ELEMENT_NODE && !isName(c, "script") && !isName(c, "style")) {
                if (isName(c, "p") || isName(c, "tr") || isName(c, "div") || isName(c, "li") || isName(c, "br"))
                    endParagraph();
                else if (isName(c, "td") || isName(c, "th"))
                    text(QStringLiteral(" "));
                std::vector<xmlNode *> kids;
                for (xmlNode *k = c->children; k; k = k->next)
                    kids.push_back(k);
                stack.insert(stack.end(), kids.rbegin(), kids.rend());
            }
        }
    }

    void node(xmlNode *n, int depth)
    {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            text(str(n->content));
            return;
        }
        if (n->type != XML_ELEMENT_NODE || !n->name)
            return;
        if (depth > kMaxElementDepth) {
            flatText(n);
            return;
        }
        const QString name = str(n->name).toLower();
        static const QSet<QString> skipped = {
            QStringLiteral("head"),   QStringLiteral("script"), QStringLiteral("style"),  QStringLiteral("title"),
            QStringLiteral("meta"),   QStringLiteral("link"),   QStringLiteral("object"), QStringLiteral("applet"),
            QStringLiteral("iframe"), QStringLiteral("frameset"), QStringLiteral("noscript"), QStringLiteral("input"),
            QStringLiteral("select"), QStringLiteral("button"), QStringLiteral("textarea"), QStringLiteral("map"),
            QStringLiteral("param"),  QStringLiteral("embed"),  QStringLiteral("base"),   QStringLiteral("basefont")};
        if (skipped.contains(name))
            return;

        // Anchors and ids become bookmarks where the element starts.
        const QString id = attribute(n, "id");
        if (!id.isEmpty())
            bookmark(id);
        if (name == QLatin1String("a")) {
            const QString anchorName = attribute(n, "name");
            if (!anchorName.isEmpty())
                bookmark(anchorName);
        }

        if (name == QLatin1String("table")) {
            table(n, depth);
            return;
        }
        if (name == QLatin1String("img")) {
            picture(n);
            return;
        }
        if (name == QLatin1String("br")) {
            lineBreak();
            return;
        }
        if (name == QLatin1String("hr")) {
            endParagraph();
            pugi::xml_node p = paragraph();
            pugi::xml_node pPr = p.child("w:pPr") ? p.child("w:pPr") : p.prepend_child("w:pPr");
            // The border goes after the style and list properties, before spacing.
            pugi::xml_node at = pPr.first_child();
            while (at && (std::strcmp(at.name(), "w:pStyle") == 0 || std::strcmp(at.name(), "w:numPr") == 0))
                at = at.next_sibling();
            pugi::xml_node bdr = at ? pPr.insert_child_before("w:pBdr", at) : pPr.append_child("w:pBdr");
            pugi::xml_node bottom = bdr.append_child("w:bottom");
            bottom.append_attribute("w:val").set_value("single");
            bottom.append_attribute("w:sz").set_value(6);
            bottom.append_attribute("w:space").set_value(1);
            bottom.append_attribute("w:color").set_value("auto");
            endParagraph();
            return;
        }
        if (name == QLatin1String("ul") || name == QLatin1String("ol") || name == QLatin1String("dir")
            || name == QLatin1String("menu")) {
            list(n, depth, name == QLatin1String("ol"));
            return;
        }
        if (name == QLatin1String("li")) {
            endParagraph();
            bool opened = false;
            if (lists_.empty()) {
                lists_.push_back({newList(false, QString(), 1), 0});
                opened = true;
            }
            pendingItem_ = true;
            blockElement(n, depth, BlockContext(blocks_.back()));
            pendingItem_ = false;
            if (opened)
                lists_.pop_back();
            return;
        }

        static const QSet<QString> blocks = {
            QStringLiteral("p"),       QStringLiteral("div"),     QStringLiteral("center"),  QStringLiteral("body"),
            QStringLiteral("html"),    QStringLiteral("section"), QStringLiteral("article"), QStringLiteral("header"),
            QStringLiteral("footer"),  QStringLiteral("nav"),     QStringLiteral("main"),    QStringLiteral("aside"),
            QStringLiteral("form"),    QStringLiteral("address"), QStringLiteral("dl"),      QStringLiteral("dt"),
            QStringLiteral("dd"),      QStringLiteral("blockquote"), QStringLiteral("pre"),  QStringLiteral("xmp"),
            QStringLiteral("listing"), QStringLiteral("plaintext"), QStringLiteral("fieldset"), QStringLiteral("legend"),
            QStringLiteral("caption"), QStringLiteral("figure"),  QStringLiteral("figcaption"), QStringLiteral("h1"),
            QStringLiteral("h2"),      QStringLiteral("h3"),      QStringLiteral("h4"),      QStringLiteral("h5"),
            QStringLiteral("h6"),      QStringLiteral("tr"),      QStringLiteral("td"),      QStringLiteral("th")};
        if (blocks.contains(name)) {
            BlockContext b = blocks_.back();
            b.styleId.clear();
            if (name.size() == 2 && name[0] == QLatin1Char('h') && name[1] >= QLatin1Char('1')
                && name[1] <= QLatin1Char('6'))
                b.styleId = headingStyle(name[1].digitValue());
            else if (name == QLatin1String("blockquote") || name == QLatin1String("dd"))
                b.indent += 720;
            else if (name == QLatin1String("center"))
                b.jc = QStringLiteral("center");
            else if (name == QLatin1String("pre") || name == QLatin1String("xmp") || name == QLatin1String("listing")
                     || name == QLatin1String("plaintext"))
                b.pre = true;
            const QString align = attribute(n, "align");
            if (!align.isNull())
                b.jc = alignment(align);
            CharFormat f = formats_.back();
            if (b.pre)
                f.font = QStringLiteral("Courier New");
            if (name == QLatin1String("address"))
                f.italic = true;
            applyCss(f, &b, attribute(n, "style"));
            formats_.push_back(f);
            blockElement(n, depth, b);
            formats_.pop_back();
            return;
        }

        // Inline elements.
        CharFormat f = formats_.back();
        std::optional<Link> link;
        if (name == QLatin1String("b") || name == QLatin1String("strong"))
            f.bold = true;
        else if (name == QLatin1String("i") || name == QLatin1String("em") || name == QLatin1String("cite")
                 || name == QLatin1String("var") || name == QLatin1String("dfn"))
            f.italic = true;
        else if (name == QLatin1String("u") || name == QLatin1String("ins"))
            f.underline = true;
        else if (name == QLatin1String("s") || name == QLatin1String("strike") || name == QLatin1String("del"))
            f.strike = true;
        else if (name == QLatin1String("sub"))
            f.vertAlign = QStringLiteral("subscript");
        else if (name == QLatin1String("sup"))
            f.vertAlign = QStringLiteral("superscript");
        else if (name == QLatin1String("code") || name == QLatin1String("tt") || name == QLatin1String("kbd")
                 || name == QLatin1String("samp"))
            f.font = QStringLiteral("Courier New");
        else if (name == QLatin1String("big"))
            f.points = (f.points > 0 ? f.points : 12) * 1.2;
        else if (name == QLatin1String("small"))
            f.points = (f.points > 0 ? f.points : 12) / 1.2;
        else if (name == QLatin1String("font")) {
            const QString color = parseColor(attribute(n, "color"));
            if (!color.isEmpty())
                f.color = color;
            const QString face = attribute(n, "face");
            if (!face.trimmed().isEmpty())
                f.font = firstFamily(face);
            const QString size = attribute(n, "size");
            if (!size.isEmpty())
                f.points = fontElementSize(size, f.points > 0 ? f.points : 12);
        } else if (name == QLatin1String("a")) {
            link = hyperlink(attribute(n, "href"));
            if (link)
                f.link = true;
        }
        applyCss(f, nullptr, attribute(n, "style"));
        formats_.push_back(f);
        const std::optional<Link> outer = activeLink_;
        const int outerSerial = activeLinkSerial_;
        if (link) {
            activeLink_ = link;
            activeLinkSerial_ = ++linkCounter_;
        }
        children(n, depth);
        activeLink_ = outer;
        activeLinkSerial_ = outerSerial;
        formats_.pop_back();
    }

    void blockElement(xmlNode *n, int depth, const BlockContext &b)
    {
        endParagraph();
        blocks_.push_back(b);
        children(n, depth);
        endParagraph();
        blocks_.pop_back();
    }

    struct Link {
        QString anchor;
        QString relId;
    };

    // An address that runs script or carries its own content when followed,
    // read as a browser reads it: blanks and control characters in the
    // scheme ignored, any case.
    static bool isScriptHref(const QString &href)
    {
        const QString scheme = LinkScheme(href);
        return scheme == QLatin1String("javascript") || scheme == QLatin1String("vbscript")
               || scheme == QLatin1String("jscript") || scheme == QLatin1String("livescript")
               || scheme == QLatin1String("data");
    }

    // The link of an href; none for script and data links and empty ones.
    std::optional<Link> hyperlink(const QString &rawHref)
    {
        const QString href = rawHref.trimmed();
        if (href.isEmpty())
            return std::nullopt;
        if (isScriptHref(href))
            return std::nullopt;
        if (href.startsWith(QLatin1Char('#'))) {
            const QString target = ValidBookmarkName(QUrl::fromPercentEncoding(href.mid(1).toUtf8()));
            if (target.isEmpty())
                return std::nullopt;
            return Link{target, QString()};
        }
        return Link{QString(), externalRelationship(href)};
    }

    void list(xmlNode *n, int depth, bool ordered)
    {
        endParagraph();
        bool ok = false;
        int start = attribute(n, "start").toInt(&ok);
        if (!ok)
            start = 1;
        const int level = lists_.empty() ? 0 : std::min(lists_.back().level + 1, 8);
        lists_.push_back({newList(ordered, attribute(n, "type").trimmed(), start), level});
        CharFormat f = formats_.back();
        BlockContext b = blocks_.back();
        b.styleId.clear();
        applyCss(f, &b, attribute(n, "style"));
        formats_.push_back(f);
        blocks_.push_back(b);
        const bool outerPending = pendingItem_;
        pendingItem_ = false;
        children(n, depth);
        endParagraph();
        pendingItem_ = outerPending;
        blocks_.pop_back();
        formats_.pop_back();
        lists_.pop_back();
    }

    // --- tables
    struct Cell {
        xmlNode *node = nullptr;
        int col = 0, colspan = 1, rowspan = 1;
        bool header = false;
    };
    struct Row {
        xmlNode *node = nullptr;
        std::vector<Cell> cells;
        bool header = false;
    };

    void collectRows(xmlNode *n, std::vector<Row> &rows, bool inHead, std::vector<xmlNode *> &captions, int guard)
    {
        if (guard > 8)
            return;
        for (xmlNode *c = n->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE)
                continue;
            if (isName(c, "tr")) {
                Row r;
                r.node = c;
                r.header = inHead;
                for (xmlNode *d = c->children; d; d = d->next)
                    if (d->type == XML_ELEMENT_NODE && (isName(d, "td") || isName(d, "th"))) {
                        Cell cell;
                        cell.node = d;
                        cell.header = isName(d, "th");
                        bool ok = false;
                        const int cs = attribute(d, "colspan").toInt(&ok);
                        cell.colspan = ok ? std::clamp(cs, 1, kMaxColumns) : 1;
                        const int rs = attribute(d, "rowspan").toInt(&ok);
                        cell.rowspan = ok ? std::clamp(rs, 0, 65534) : 1;
                        r.cells.push_back(cell);
                    }
                rows.push_back(std::move(r));
            } else if (isName(c, "thead")) {
                collectRows(c, rows, true, captions, guard + 1);
            } else if (isName(c, "tbody") || isName(c, "tfoot")) {
                collectRows(c, rows, false, captions, guard + 1);
            } else if (isName(c, "caption")) {
                captions.push_back(c);
            }
        }
    }

    static QString widthOf(const QString &v, int *twips, bool *pct)
    {
        const QString s = v.trimmed();
        if (s.endsWith(QLatin1Char('%'))) {
            bool ok = false;
            const double x = s.chopped(1).toDouble(&ok);
            if (ok && x > 0) {
                *pct = true;
                *twips = int(std::min(x, 100.0) * 50);
                return s;
            }
            return QString();
        }
        const int px = pixels(s);
        if (px > 0) {
            *pct = false;
            *twips = std::min(px * 15, 31680);
            return s;
        }
        return QString();
    }

    // The width a cell asks for (its width attribute, else its style's), in
    // twips of a table gridTotal twips wide; 0 when it asks for none.
    static int requestedWidth(xmlNode *cell, int gridTotal)
    {
        QString v = styleDeclarations(attribute(cell, "style")).value(QStringLiteral("width"));
        if (v.isEmpty())
            v = attribute(cell, "width");
        int twips = 0;
        bool pct = false;
        if (widthOf(v, &twips, &pct).isEmpty())
            return 0;
        return pct ? int(qint64(gridTotal) * twips / 5000) : twips;
    }

    // The grid's column widths: what the page's cells ask for, and for the
    // other columns a share of what is left in proportion to the text they
    // hold (as a browser fits a table to its content), so that a narrow
    // spacer column does not take a third of the table from a column of code.
    static std::vector<int> columnWidths(const std::vector<Row> &rows, int columns, int gridTotal)
    {
        std::vector<int> asked(size_t(columns), 0), weight(size_t(columns), 1);
        for (const Row &r : rows)
            for (const Cell &cell : r.cells) {
                if (cell.colspan != 1 || cell.col >= columns)
                    continue;
                const size_t c = size_t(cell.col);
                asked[c] = std::max(asked[c], requestedWidth(cell.node, gridTotal));
                xmlChar *content = xmlNodeGetContent(cell.node);
                const QString text = str(content).simplified();
                xmlFree(content);
                weight[c] = std::max(weight[c], int(std::min<qsizetype>(text.size(), 80)));
            }
        int given = 0, free = 0;
        for (int c = 0; c < columns; ++c) {
            given += asked[size_t(c)];
            if (asked[size_t(c)] == 0)
                free += weight[size_t(c)];
        }
        const int left = std::max(gridTotal - given, 0);
        std::vector<int> out(static_cast<size_t>(columns), 0);
        for (int c = 0; c < columns; ++c)
            out[size_t(c)] = asked[size_t(c)] > 0 ? asked[size_t(c)]
                                                  : std::max(int(qint64(left) * weight[size_t(c)] / std::max(free, 1)), 200);
        return out;
    }

    void table(xmlNode *n, int depth)
    {
        if (tableDepth_ >= kMaxTableDepth) {
            // Too deep to keep as tables: the text stays, as paragraphs.
            endParagraph();
            flatText(n);
            endParagraph();
            return;
        }
        std::vector<Row> rows;
        std::vector<xmlNode *> captions;
        collectRows(n, rows, false, captions, 0);
        endParagraph();
        for (xmlNode *c : captions) {
            BlockContext b = blocks_.back();
            b.jc = QStringLiteral("center");
            blockElement(c, depth, b);
        }
        if (rows.empty()) {
            // A table without rows: whatever text it holds.
            children(n, depth);
            endParagraph();
            return;
        }
        // Lay the cells on a grid: rows spanned by cells above push cells right.
        int columns = 0;
        std::vector<int> carry; // rows still covered per column
        for (size_t r = 0; r < rows.size(); ++r) {
            std::vector<int> covered = carry;
            int col = 0;
            for (Cell &cell : rows[r].cells) {
                while (col < int(covered.size()) && covered[size_t(col)] > 0)
                    ++col;
                cell.col = col;
                if (col + cell.colspan > kMaxColumns)
                    cell.colspan = std::max(1, kMaxColumns - col);
                int span = cell.rowspan == 0 ? int(rows.size() - r) : cell.rowspan;
                span = std::min<int>(span, int(rows.size() - r));
                cell.rowspan = span;
                if (int(covered.size()) < col + cell.colspan)
                    covered.resize(size_t(col + cell.colspan), 0);
                for (int k = col; k < col + cell.colspan; ++k)
                    covered[size_t(k)] = span;
                col += cell.colspan;
                if (col >= kMaxColumns)
                    break;
            }
            columns = std::max(columns, int(covered.size()));
            carry.assign(covered.size(), 0);
            for (size_t k = 0; k < covered.size(); ++k)
                carry[k] = covered[k] > 0 ? covered[k] - 1 : 0;
            bool allTh = !rows[r].cells.empty();
            for (const Cell &cell : rows[r].cells)
                allTh = allTh && cell.header;
            rows[r].header = rows[r].header || (allTh && (r == 0 || rows[r - 1].header));
        }
        columns = std::clamp(columns, 1, kMaxColumns);

        int tableTwips = kTextWidthTwips;
        bool tablePct = false;
        const QString widthAttr = widthOf(attribute(n, "width"), &tableTwips, &tablePct);
        const int gridTotal = (widthAttr.isEmpty() || tablePct) ? kTextWidthTwips * (tablePct ? tableTwips : 5000) / 5000
                                                                : tableTwips;
        const std::vector<int> colTwips = columnWidths(rows, columns, gridTotal);
        auto spanTwips = [&colTwips](int from, int span) {
            int w = 0;
            for (int k = from; k < from + span && k < int(colTwips.size()); ++k)
                w += colTwips[size_t(k)];
            return std::max(w, 20);
        };

        const QString borderAttr = attribute(n, "border");
        int border = 0;
        if (!borderAttr.isNull())
            border = borderAttr.trimmed().isEmpty() ? 1 : std::max(0, borderAttr.toInt());
        const QString tableBg = parseColor(attribute(n, "bgcolor"));

        pugi::xml_node tbl = appendBlock("w:tbl");
        pugi::xml_node tblPr = tbl.append_child("w:tblPr");
        pugi::xml_node tblW = tblPr.append_child("w:tblW");
        if (widthAttr.isEmpty()) {
            tblW.append_attribute("w:w").set_value(0);
            tblW.append_attribute("w:type").set_value("auto");
        } else {
            tblW.append_attribute("w:w").set_value(tableTwips);
            tblW.append_attribute("w:type").set_value(tablePct ? "pct" : "dxa");
        }
        if (border > 0) {
            pugi::xml_node borders = tblPr.append_child("w:tblBorders");
            for (const char *side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
                pugi::xml_node b = borders.append_child(side);
                b.append_attribute("w:val").set_value("single");
                b.append_attribute("w:sz").set_value(std::clamp(border * 6, 4, 96));
                b.append_attribute("w:space").set_value(0);
                b.append_attribute("w:color").set_value("auto");
            }
        }
        tblPr.append_child("w:tblLook").append_attribute("w:val").set_value("04A0");
        pugi::xml_node grid = tbl.append_child("w:tblGrid");
        for (int c = 0; c < columns; ++c)
            grid.append_child("w:gridCol").append_attribute("w:w").set_value(colTwips[size_t(c)]);

        // Cells that rowspans carry into later rows, by row and column.
        std::vector<std::vector<const Cell *>> continued(rows.size());
        for (size_t r = 0; r < rows.size(); ++r)
            for (const Cell &cell : rows[r].cells)
                for (int k = 1; k < cell.rowspan; ++k) {
                    std::vector<const Cell *> &v = continued[r + size_t(k)];
                    v.resize(size_t(columns), nullptr);
                    if (cell.col < columns)
                        v[size_t(cell.col)] = &cell;
                }

        const pugi::xml_node outerContainer = container_;
        const pugi::xml_node outerLast = lastParagraph_;
        ++tableDepth_;
        for (size_t r = 0; r < rows.size(); ++r) {
            pugi::xml_node tr = tbl.append_child("w:tr");
            if (rows[r].header)
                tr.append_child("w:trPr").append_child("w:tblHeader");
            const QString rowBg = parseColor(attribute(rows[r].node, "bgcolor"));
            const QString rowAlign = attribute(rows[r].node, "align");
            size_t next = 0;
            int col = 0;
            while (col < columns) {
                const Cell *cont = continued[r].size() > size_t(col) ? continued[r][size_t(col)] : nullptr;
                if (cont) {
                    pugi::xml_node tc = tr.append_child("w:tc");
                    pugi::xml_node tcPr = tc.append_child("w:tcPr");
                    cellWidth(tcPr, spanTwips(col, cont->colspan));
                    if (cont->colspan > 1)
                        tcPr.append_child("w:gridSpan").append_attribute("w:val").set_value(cont->colspan);
                    tcPr.append_child("w:vMerge");
                    tc.append_child("w:p");
                    col += cont->colspan;
                    continue;
                }
                if (next < rows[r].cells.size() && rows[r].cells[next].col == col) {
                    const Cell &cell = rows[r].cells[next++];
                    pugi::xml_node tc = tr.append_child("w:tc");
                    pugi::xml_node tcPr = tc.append_child("w:tcPr");
                    int w = spanTwips(col, cell.colspan);
                    bool pct = false;
                    if (!widthOf(attribute(cell.node, "width"), &w, &pct).isEmpty() && pct)
                        w = spanTwips(col, cell.colspan);
                    cellWidth(tcPr, w);
                    if (cell.colspan > 1)
                        tcPr.append_child("w:gridSpan").append_attribute("w:val").set_value(cell.colspan);
                    if (cell.rowspan > 1)
                        tcPr.append_child("w:vMerge").append_attribute("w:val").set_value("restart");
                    QString bg = parseColor(attribute(cell.node, "bgcolor"));
                    if (bg.isEmpty())
                        bg = rowBg.isEmpty() ? tableBg : rowBg;
                    if (!bg.isEmpty()) {
                        pugi::xml_node shd = tcPr.append_child("w:shd");
                        shd.append_attribute("w:val").set_value("clear");
                        shd.append_attribute("w:color").set_value("auto");
                        shd.append_attribute("w:fill").set_value(utf8(bg).constData());
                    }
                    const QString valign = attribute(cell.node, "valign").toLower();
                    if (valign == QLatin1String("middle") || valign == QLatin1String("center"))
                        tcPr.append_child("w:vAlign").append_attribute("w:val").set_value("center");
                    else if (valign == QLatin1String("bottom"))
                        tcPr.append_child("w:vAlign").append_attribute("w:val").set_value("bottom");
                    BlockContext b = blocks_.back();
                    b.styleId.clear();
                    b.indent = 0;
                    b.bold = cell.header;
                    if (cell.header)
                        b.jc = QStringLiteral("center");
                    QString align = attribute(cell.node, "align");
                    if (align.isNull())
                        align = rowAlign;
                    if (!align.isNull())
                        b.jc = alignment(align);
                    CharFormat f = formats_.back();
                    applyCss(f, &b, attribute(cell.node, "style"));
                    std::vector<ListContext> outerLists;
                    outerLists.swap(lists_);
                    container_ = tc;
                    cur_ = pugi::xml_node();
                    formats_.push_back(f);
                    blocks_.push_back(b);
                    children(cell.node, depth);
                    endParagraph();
                    blocks_.pop_back();
                    formats_.pop_back();
                    if (!pendingBookmarks_.empty())
                        flushBookmarks(true);
                    lists_.swap(outerLists);
                    // A cell ends with a paragraph.
                    pugi::xml_node last = tc.last_child();
                    if (!last || std::strcmp(last.name(), "w:p") != 0)
                        tc.append_child("w:p");
                    container_ = outerContainer;
                    cur_ = pugi::xml_node();
                    col += cell.colspan;
                    continue;
                }
                // A ragged row: an empty cell fills the grid.
                pugi::xml_node tc = tr.append_child("w:tc");
                cellWidth(tc.append_child("w:tcPr"), spanTwips(col, 1));
                tc.append_child("w:p");
                ++col;
            }
        }
        --tableDepth_;
        container_ = outerContainer;
        lastParagraph_ = outerLast;
        cur_ = pugi::xml_node();
    }

    static void cellWidth(pugi::xml_node tcPr, int twips)
    {
        pugi::xml_node w = tcPr.append_child("w:tcW");
        w.append_attribute("w:w").set_value(twips);
        w.append_attribute("w:type").set_value("dxa");
    }

    void finish()
    {
        // A document (and its end) is a paragraph.
        pugi::xml_node last = sectPr_ ? sectPr_.previous_sibling() : body_.last_child();
        if (!last || std::strcmp(last.name(), "w:p") != 0) {
            container_ = body_;
            cur_ = pugi::xml_node();
            paragraph();
            cur_ = pugi::xml_node();
        }
    }

    Package &pkg_;
    QString baseDir_;
    QString pictureRoot_; // pictures are read only from inside this folder
    QString main_;
    pugi::xml_node body_, sectPr_, container_;
    std::unique_ptr<Styles> styles_;
    pugi::xml_node cur_, lastParagraph_, link_;
    bool atLineStart_ = true;
    bool lastWasSpace_ = false;
    std::vector<BlockContext> blocks_;
    std::vector<CharFormat> formats_;
    std::vector<ListContext> lists_;
    bool pendingItem_ = false;
    pugi::xml_node numbering_;
    int lastList_ = 0;
    QString hyperlinkStyle_;
    QHash<QString, QString> linkRels_;
    std::optional<Link> activeLink_;
    int activeLinkSerial_ = 0, linkSerial_ = -1, linkCounter_ = 0;
    QSet<QString> bookmarkNames_;
    std::vector<QString> pendingBookmarks_;
    int nextBookmarkId_ = 0;
    QHash<QString, Embedded> pictures_;
    int lastPicture_ = 0;
    int lastDrawing_ = 0;
    int tableDepth_ = 0;
};

// libxml2 reports through a global handler; the parse below asks for no
// messages, and this keeps stray ones off the standard error.
void silentError(void *, const char *, ...) {}

} // namespace

QString DecodeHtml(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes, true);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes, false);
    int cp = codePageOfCharset(metaCharset(bytes));
    if (cp == 1200 || cp == 1201 || cp == 65000)
        cp = 0; // a charset meta naming UTF-16 without a byte-order mark
    if (cp == 65001)
        return QString::fromUtf8(bytes);
    if (cp == 0 || !CodePage::isAvailable(cp))
        cp = 1252;
    return CodePage::toUnicode(bytes, cp);
}

QString ValidBookmarkName(const QString &name)
{
    const QString t = name.trimmed();
    if (t.isEmpty())
        return QString();
    bool valid = t.size() <= 40 && (t[0].isLetter() || t[0] == QLatin1Char('_'));
    for (QChar c : t)
        valid = valid && isBookmarkChar(c);
    if (valid)
        return t;
    QString out;
    out.reserve(t.size() + 1);
    for (QChar c : t)
        out += isBookmarkChar(c) ? c : QLatin1Char('_');
    if (!(out[0].isLetter() || out[0] == QLatin1Char('_')))
        out.prepend(QLatin1Char('_'));
    if (out.size() > 40) {
        // Long names keep a digest of the whole, so that they stay apart.
        const QByteArray digest = QCryptographicHash::hash(t.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
        out = out.left(31) + QLatin1Char('_') + QString::fromLatin1(digest);
    }
    return out;
}

std::unique_ptr<Package> ImportHtml(const QByteArray &bytes, const QString &baseDir, const QString &pictureFolder)
{
    // The text is handed over as UTF-8, and the parser is told to ignore
    // what a charset meta says.
    QByteArray u8;
    {
        QString text = DecodeHtml(bytes);
        text.remove(QChar(0)); // the parser stops at a NUL character
        u8 = text.toUtf8();
    }

    xmlSetGenericErrorFunc(nullptr, silentError);
    const int size = int(std::min<qsizetype>(u8.size(), INT_MAX));
    htmlParserCtxtPtr ctxt = htmlNewParserCtxt();
    if (!ctxt)
        throw std::bad_alloc();
    struct FreeContext {
        htmlParserCtxtPtr c;
        ~FreeContext() { htmlFreeParserCtxt(c); }
    } contextGuard{ctxt};
    htmlDocPtr doc = htmlCtxtReadMemory(ctxt, u8.constData(), size, nullptr, "UTF-8",
                                        HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                                            | HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE);
    // A parse that stopped before the end of the page (out of memory, or a
    // limit of the parser) would give a document with part of the page: it
    // is an error, never a shorter page.
    // The parser gives no document at all for a page it could not begin to
    // read (its input buffer not made).
    const bool noMemory = ctxt->errNo == XML_ERR_NO_MEMORY || (!doc && size > 0);
    const bool cutShort =
        noMemory || (ctxt->input && ctxt->input->cur && ctxt->input->end && ctxt->input->cur < ctxt->input->end);
    if (cutShort) {
        if (doc)
            xmlFreeDoc(doc);
        throw Exception(noMemory ? QStringLiteral("there is not enough memory to read it to its end")
                                 : QStringLiteral("it could not be read to its end"));
    }
    std::unique_ptr<Package> pkg = NewDocumentPackage();
    if (doc) {
        struct Free {
            htmlDocPtr d;
            ~Free() { xmlFreeDoc(d); }
        } guard{doc};
        Builder b(*pkg, baseDir, pictureFolder);
        b.run(xmlDocGetRootElement(doc));
    } else {
        Builder b(*pkg, baseDir, pictureFolder);
        b.run(nullptr);
    }
    return pkg;
}

void PrepareHtmlParser()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

std::unique_ptr<Package> ImportHtmlFile(const QString &fileName, const QString &pictureFolder)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile f(fileName);
    if (!f.exists())
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: it does not exist.").arg(shown));
    if (f.size() > MaxHtmlPageBytes)
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: it is larger than %2 MB.")
                            .arg(shown)
                            .arg(MaxHtmlPageBytes / (1024 * 1024)));
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: %2.").arg(shown, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Exception(QStringLiteral("The page \"%1\" cannot be read: %2.").arg(shown, f.errorString()));
    try {
        return ImportHtml(bytes, QFileInfo(fileName).absolutePath(), pictureFolder);
    } catch (const std::bad_alloc &) {
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: there is not enough memory to read it.").arg(shown));
    } catch (const Exception &e) {
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: %2.").arg(shown, e.message()));
    }
}

} // namespace word
