#include "platform/word/Css.h"

#include "platform/word/HtmlXml.h"

#include <QList>
#include <QPair>
#include <cmath>

namespace word {

namespace {

using Props = QList<QPair<QString, QString>>;

bool isHex6(const QString &v)
{
    if (v.size() != 6)
        return false;
    for (QChar c : v)
        if (!isxdigit(c.toLatin1()))
            return false;
    return true;
}

QString trimNumber(double v, int decimals)
{
    QString s = QString::number(v, 'f', decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}

// "0.5" -> ".5", "-0.25" -> "-.25".
QString dropLeadingZero(QString s)
{
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

void readBorder(pugi::xml_node n, std::optional<BorderFormat> &out)
{
    if (!n)
        return;
    BorderFormat b;
    b.style = xml::val(n);
    b.eighths = xml::intAttr(n, "w:sz", 4);
    b.color = xml::attr(n, "w:color");
    b.space = xml::intAttr(n, "w:space", 0);
    out = b;
}

void readShading(pugi::xml_node n, std::optional<ShadingFormat> &out)
{
    if (!n)
        return;
    out = ShadingFormat{xml::val(n), xml::attr(n, "w:color"), xml::attr(n, "w:fill")};
}

void readOnOff(pugi::xml_node parent, const char *name, std::optional<bool> &out)
{
    if (pugi::xml_node n = parent.child(name))
        out = xml::onOff(n);
}

QString themeFont(const QString &ref)
{
    return ref.startsWith(QLatin1String("major")) ? QStringLiteral("@major")
                                                  : QStringLiteral("@minor");
}

// Emits the pairs of f that differ from base; without base, those that
// differ from their defaults, and the ones named in always.
QString diffCss(const Props &f, const Props *base, const Props &defaults,
                const QStringList &always = QStringList())
{
    auto lookup = [](const Props &p, const QString &name, const QString &def) {
        for (const auto &e : p)
            if (e.first == name)
                return e.second;
        return def;
    };
    QString out;
    for (const auto &e : f) {
        const QString def = lookup(defaults, e.first, QString());
        const QString against = base ? lookup(*base, e.first, def) : def;
        if (e.second == against && !(base == nullptr && always.contains(e.first)))
            continue;
        if (!out.isEmpty())
            out += QLatin1Char(';');
        out += e.first + QLatin1Char(':') + e.second;
    }
    return out;
}

QString blend(const QString &fore, const QString &back, double share)
{
    auto channel = [](const QString &hex, int i) { return hex.mid(i * 2, 2).toInt(nullptr, 16); };
    QString out = QStringLiteral("#");
    for (int i = 0; i < 3; ++i) {
        int v = int(std::lround(channel(fore, i) * share + channel(back, i) * (1 - share)));
        out += QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

} // namespace

bool BorderFormat::isNone() const
{
    return style.isEmpty() || style == QLatin1String("nil") || style == QLatin1String("none");
}

QString ShadingFormat::background() const
{
    const bool fillSet = isHex6(fill);
    const QString fore = isHex6(color) ? color.toUpper() : QStringLiteral("000000");
    const QString back = fillSet ? fill.toUpper() : QStringLiteral("FFFFFF");
    if (val == QLatin1String("solid"))
        return QLatin1Char('#') + fore;
    if (val.startsWith(QLatin1String("pct"))) {
        bool ok = false;
        const int pct = val.mid(3).toInt(&ok);
        if (ok && pct > 0)
            return blend(fore, back, pct / 100.0);
    }
    return fillSet ? QLatin1Char('#') + back : QString();
}

void FontContext::load(pugi::xml_node theme, pugi::xml_node fontTable)
{
    pugi::xml_node scheme = theme.child("a:themeElements").child("a:fontScheme");
    auto face = [](pugi::xml_node n) { return xml::attr(n, "typeface"); };
    if (pugi::xml_node major = scheme.child("a:majorFont")) {
        majorLatin = face(major.child("a:latin"));
        majorEastAsia = face(major.child("a:ea"));
        majorBidi = face(major.child("a:cs"));
    }
    if (pugi::xml_node minor = scheme.child("a:minorFont")) {
        minorLatin = face(minor.child("a:latin"));
        minorEastAsia = face(minor.child("a:ea"));
        minorBidi = face(minor.child("a:cs"));
    }
    for (pugi::xml_node f : fontTable.children("w:font")) {
        const QString family = xml::val(f.child("w:family"));
        const QString charset = xml::val(f.child("w:charset"));
        QString g;
        if (charset == QLatin1String("02"))
            g = QString(); // symbol fonts take no generic family
        else if (family == QLatin1String("swiss"))
            g = QStringLiteral("sans-serif");
        else if (family == QLatin1String("roman"))
            g = QStringLiteral("serif");
        else if (family == QLatin1String("modern"))
            g = QStringLiteral("monospace");
        else if (family == QLatin1String("script"))
            g = QStringLiteral("cursive");
        generic.insert(xml::attr(f, "w:name"), g);
    }
}

void RunFormat::apply(pugi::xml_node rPr)
{
    if (!rPr)
        return;
    if (pugi::xml_node n = rPr.child("w:rStyle"))
        rStyle = xml::val(n);
    readOnOff(rPr, "w:b", bold);
    readOnOff(rPr, "w:i", italic);
    readOnOff(rPr, "w:strike", strike);
    readOnOff(rPr, "w:dstrike", dstrike);
    readOnOff(rPr, "w:caps", caps);
    readOnOff(rPr, "w:smallCaps", smallCaps);
    readOnOff(rPr, "w:vanish", vanish);
    if (pugi::xml_node n = rPr.child("w:u"))
        underline = xml::val(n).isEmpty() ? QStringLiteral("single") : xml::val(n);
    if (pugi::xml_node n = rPr.child("w:rFonts")) {
        const QString theme = xml::attr(n, "w:asciiTheme").isEmpty() ? xml::attr(n, "w:hAnsiTheme")
                                                                     : xml::attr(n, "w:asciiTheme");
        const QString face = xml::attr(n, "w:ascii").isEmpty() ? xml::attr(n, "w:hAnsi")
                                                               : xml::attr(n, "w:ascii");
        if (!theme.isEmpty())
            font = themeFont(theme);
        else if (!face.isEmpty())
            font = face;
    }
    if (pugi::xml_node n = rPr.child("w:sz"))
        halfPoints = xml::intVal(n, 22);
    if (pugi::xml_node n = rPr.child("w:color"))
        color = xml::val(n);
    if (pugi::xml_node n = rPr.child("w:highlight"))
        highlight = xml::val(n);
    readShading(rPr.child("w:shd"), shading);
    if (pugi::xml_node n = rPr.child("w:vertAlign"))
        vertAlign = xml::val(n);
    if (pugi::xml_node n = rPr.child("w:spacing"))
        spacing = xml::intVal(n);
    if (pugi::xml_node n = rPr.child("w:position"))
        position = xml::intVal(n);
    readBorder(rPr.child("w:bdr"), border);
}

QString RunFormat::fontName(const FontContext &fonts) const
{
    if (!font)
        return QString();
    if (*font == QLatin1String("@major"))
        return fonts.majorLatin;
    if (*font == QLatin1String("@minor"))
        return fonts.minorLatin;
    return *font;
}

void ParaFormat::apply(pugi::xml_node pPr)
{
    if (!pPr)
        return;
    if (pugi::xml_node n = pPr.child("w:pStyle"))
        pStyle = xml::val(n);
    if (pugi::xml_node n = pPr.child("w:jc"))
        jc = xml::val(n);
    if (pugi::xml_node n = pPr.child("w:ind")) {
        for (const char *a : {"w:left", "w:start"})
            if (xml::hasAttr(n, a))
                indLeft = xml::twipsAttr(n, a);
        for (const char *a : {"w:right", "w:end"})
            if (xml::hasAttr(n, a))
                indRight = xml::twipsAttr(n, a);
        // A first-line indent and a hanging indent exclude each other.
        if (xml::hasAttr(n, "w:hanging")) {
            indHanging = xml::twipsAttr(n, "w:hanging");
            indFirstLine = 0;
        } else if (xml::hasAttr(n, "w:firstLine")) {
            indFirstLine = xml::twipsAttr(n, "w:firstLine");
            indHanging = 0;
        }
    }
    if (pugi::xml_node n = pPr.child("w:spacing")) {
        if (xml::hasAttr(n, "w:before"))
            spaceBefore = xml::twipsAttr(n, "w:before");
        if (xml::hasAttr(n, "w:after"))
            spaceAfter = xml::twipsAttr(n, "w:after");
        if (xml::hasAttr(n, "w:line"))
            line = xml::twipsAttr(n, "w:line");
        if (xml::hasAttr(n, "w:lineRule"))
            lineRule = xml::attr(n, "w:lineRule");
        if (xml::hasAttr(n, "w:beforeAutospacing"))
            beforeAuto = n.attribute("w:beforeAutospacing").as_bool();
        if (xml::hasAttr(n, "w:afterAutospacing"))
            afterAuto = n.attribute("w:afterAutospacing").as_bool();
    }
    readOnOff(pPr, "w:contextualSpacing", contextualSpacing);
    readOnOff(pPr, "w:keepNext", keepNext);
    readOnOff(pPr, "w:keepLines", keepLines);
    readOnOff(pPr, "w:pageBreakBefore", pageBreakBefore);
    readOnOff(pPr, "w:bidi", bidi);
    if (pugi::xml_node b = pPr.child("w:pBdr")) {
        readBorder(b.child("w:top"), top);
        readBorder(b.child("w:bottom"), bottom);
        readBorder(b.child("w:left"), left);
        readBorder(b.child("w:right"), right);
        readBorder(b.child("w:between"), between);
    }
    readShading(pPr.child("w:shd"), shading);
    if (pugi::xml_node n = pPr.child("w:numPr")) {
        if (pugi::xml_node id = n.child("w:numId"))
            numId = xml::intVal(id);
        if (pugi::xml_node l = n.child("w:ilvl"))
            ilvl = xml::intVal(l);
    }
}

int ParaFormat::firstLineOffset() const
{
    if (indHanging.value_or(0) != 0)
        return -*indHanging;
    return indFirstLine.value_or(0);
}

namespace css {

QString points(double pt)
{
    if (pt == 0)
        return QStringLiteral("0pt");
    QString s = trimNumber(pt, 2);
    if (!s.contains(QLatin1Char('.')))
        s += QLatin1String(".0");
    return dropLeadingZero(s) + QLatin1String("pt");
}

QString twips(int tw)
{
    if (tw == 0)
        return QStringLiteral("0in");
    if (tw % 36 == 0) {
        QString s = trimNumber(tw / 1440.0, 3);
        if (!s.contains(QLatin1Char('.')))
            s += QLatin1String(".0");
        return dropLeadingZero(s) + QLatin1String("in");
    }
    return points(tw / 20.0);
}

QString color(const QString &value, const QString &autoValue)
{
    if (value.isEmpty() || value == QLatin1String("auto"))
        return autoValue;
    if (isHex6(value))
        return QLatin1Char('#') + value.toUpper();
    return value;
}

QString highlight(const QString &name)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("yellow"), QStringLiteral("yellow")},
        {QStringLiteral("green"), QStringLiteral("lime")},
        {QStringLiteral("cyan"), QStringLiteral("aqua")},
        {QStringLiteral("magenta"), QStringLiteral("fuchsia")},
        {QStringLiteral("blue"), QStringLiteral("blue")},
        {QStringLiteral("red"), QStringLiteral("red")},
        {QStringLiteral("darkBlue"), QStringLiteral("navy")},
        {QStringLiteral("darkCyan"), QStringLiteral("teal")},
        {QStringLiteral("darkGreen"), QStringLiteral("green")},
        {QStringLiteral("darkMagenta"), QStringLiteral("purple")},
        {QStringLiteral("darkRed"), QStringLiteral("maroon")},
        {QStringLiteral("darkYellow"), QStringLiteral("olive")},
        {QStringLiteral("darkGray"), QStringLiteral("gray")},
        {QStringLiteral("lightGray"), QStringLiteral("silver")},
        {QStringLiteral("black"), QStringLiteral("black")},
        {QStringLiteral("white"), QStringLiteral("white")}};
    return names.value(name);
}

QString border(const BorderFormat &b)
{
    if (b.isNone())
        return QStringLiteral("none");
    static const QHash<QString, QString> styles = {
        {QStringLiteral("double"), QStringLiteral("double")},
        {QStringLiteral("triple"), QStringLiteral("double")},
        {QStringLiteral("dotted"), QStringLiteral("dotted")},
        {QStringLiteral("dashed"), QStringLiteral("dashed")},
        {QStringLiteral("dashSmallGap"), QStringLiteral("dashed")},
        {QStringLiteral("dotDash"), QStringLiteral("dashed")},
        {QStringLiteral("dotDotDash"), QStringLiteral("dashed")},
        {QStringLiteral("inset"), QStringLiteral("inset")},
        {QStringLiteral("outset"), QStringLiteral("outset")},
        {QStringLiteral("threeDEmboss"), QStringLiteral("ridge")},
        {QStringLiteral("threeDEngrave"), QStringLiteral("groove")}};
    const QString style = styles.value(b.style, QStringLiteral("solid"));
    double width = std::max(b.eighths, 2) / 8.0;
    if (style == QLatin1String("double"))
        width = std::max(width * 3, 1.5);
    return style + QLatin1Char(' ') + color(b.color, QStringLiteral("windowtext")) + QLatin1Char(' ')
           + points(width);
}

QString fontFamily(const QString &face, const FontContext &fonts)
{
    QString generic = fonts.generic.value(face);
    if (!fonts.generic.contains(face)) {
        static const char *const sans[] = {"Calibri", "Arial", "Helvetica", "Verdana", "Tahoma",
                                           "Segoe UI", "Aptos", "Trebuchet MS", "Century Gothic"};
        static const char *const serif[] = {"Times New Roman", "Cambria", "Georgia",
                                            "Garamond", "Book Antiqua", "Palatino Linotype"};
        static const char *const mono[] = {"Courier New", "Consolas", "Courier", "Lucida Console"};
        for (const char *f : sans)
            if (face.startsWith(QLatin1String(f), Qt::CaseInsensitive))
                generic = QStringLiteral("sans-serif");
        for (const char *f : serif)
            if (face.startsWith(QLatin1String(f), Qt::CaseInsensitive))
                generic = QStringLiteral("serif");
        for (const char *f : mono)
            if (face.startsWith(QLatin1String(f), Qt::CaseInsensitive))
                generic = QStringLiteral("monospace");
    }
    QString out = QLatin1Char('"') + face + QLatin1Char('"');
    if (!generic.isEmpty())
        out += QLatin1Char(',') + generic;
    return out;
}

} // namespace css

namespace {

Props runProps(const RunFormat &f, const FontContext &fonts, bool tags)
{
    Props p;
    if (f.halfPoints)
        p.append({QStringLiteral("font-size"), css::points(*f.halfPoints / 2.0)});
    const QString face = f.fontName(fonts);
    if (!face.isEmpty())
        p.append({QStringLiteral("font-family"), css::fontFamily(face, fonts)});
    if (f.color)
        p.append({QStringLiteral("color"), css::color(*f.color, QStringLiteral("windowtext"))});
    QString back = f.highlight ? css::highlight(*f.highlight) : QString();
    if (back.isEmpty() && f.shading)
        back = f.shading->background();
    p.append({QStringLiteral("background"), back.isEmpty() ? QStringLiteral("transparent") : back});
    if (f.spacing)
        p.append({QStringLiteral("letter-spacing"), css::points(*f.spacing / 20.0)});
    p.append({QStringLiteral("text-transform"), f.caps.value_or(false) ? QStringLiteral("uppercase")
                                                                        : QStringLiteral("none")});
    p.append({QStringLiteral("font-variant"), f.smallCaps.value_or(false) ? QStringLiteral("small-caps")
                                                                           : QStringLiteral("normal")});
    p.append({QStringLiteral("display"), f.vanish.value_or(false) ? QStringLiteral("none")
                                                                    : QStringLiteral("inline")});
    const int pos = f.position.value_or(0);
    p.append({QStringLiteral("position"), pos ? QStringLiteral("relative") : QStringLiteral("static")});
    p.append({QStringLiteral("top"), pos ? css::points(-pos / 2.0) : QStringLiteral("0pt")});
    if (f.border)
        p.append({QStringLiteral("border"), css::border(*f.border)});
    // Emphasis that elements cannot undo is switched off by style text.
    const bool bold = f.bold.value_or(false), italic = f.italic.value_or(false);
    const QString u = f.underline.value_or(QStringLiteral("none"));
    const bool struck = f.strike.value_or(false) || f.dstrike.value_or(false);
    QString deco;
    if (u != QLatin1String("none"))
        deco = QStringLiteral("underline");
    if (struck)
        deco += deco.isEmpty() ? QStringLiteral("line-through") : QStringLiteral(" line-through");
    if (!tags || !bold)
        p.append({QStringLiteral("font-weight"), bold ? QStringLiteral("bold") : QStringLiteral("normal")});
    if (!tags || !italic)
        p.append({QStringLiteral("font-style"), italic ? QStringLiteral("italic") : QStringLiteral("normal")});
    if (!tags || deco.isEmpty())
        p.append({QStringLiteral("text-decoration"), deco.isEmpty() ? QStringLiteral("none") : deco});
    const QString va = f.vertAlign.value_or(QString());
    if (!tags) {
        p.append({QStringLiteral("vertical-align"),
                  va == QLatin1String("superscript") ? QStringLiteral("super")
                  : va == QLatin1String("subscript") ? QStringLiteral("sub")
                                                     : QStringLiteral("baseline")});
    }
    return p;
}

const Props &runDefaults()
{
    static const Props d = {
        {QStringLiteral("background"), QStringLiteral("transparent")},
        {QStringLiteral("text-transform"), QStringLiteral("none")},
        {QStringLiteral("font-variant"), QStringLiteral("normal")},
        {QStringLiteral("display"), QStringLiteral("inline")},
        {QStringLiteral("position"), QStringLiteral("static")},
        {QStringLiteral("top"), QStringLiteral("0pt")},
        {QStringLiteral("font-weight"), QStringLiteral("normal")},
        {QStringLiteral("font-style"), QStringLiteral("normal")},
        {QStringLiteral("text-decoration"), QStringLiteral("none")},
        {QStringLiteral("vertical-align"), QStringLiteral("baseline")},
        {QStringLiteral("color"), QStringLiteral("windowtext")},
        {QStringLiteral("letter-spacing"), QStringLiteral("0pt")}};
    return d;
}

void addBorder(Props &p, const char *side, const std::optional<BorderFormat> &b)
{
    const QString s = QLatin1String(side);
    if (b && !b->isNone()) {
        p.append({QLatin1String("border-") + s, css::border(*b)});
        p.append({QLatin1String("padding-") + s, css::points(b->space)});
    } else {
        p.append({QLatin1String("border-") + s, QStringLiteral("none")});
        p.append({QLatin1String("padding-") + s, QStringLiteral("0in")});
    }
}

Props paraProps(const ParaFormat &f)
{
    Props p;
    auto spacing = [](const std::optional<int> &tw, const std::optional<bool> &autoSp) {
        if (autoSp.value_or(false))
            return css::points(14);
        const int v = tw.value_or(0);
        return v == 0 ? QStringLiteral("0in") : css::points(v / 20.0);
    };
    p.append({QStringLiteral("margin-top"), spacing(f.spaceBefore, f.beforeAuto)});
    p.append({QStringLiteral("margin-right"), css::twips(f.indRight.value_or(0))});
    p.append({QStringLiteral("margin-bottom"), spacing(f.spaceAfter, f.afterAuto)});
    p.append({QStringLiteral("margin-left"), css::twips(f.indLeft.value_or(0))});
    p.append({QStringLiteral("text-indent"), css::twips(f.firstLineOffset())});
    QString lh = QStringLiteral("normal");
    if (f.line) {
        const QString rule = f.lineRule.value_or(QStringLiteral("auto"));
        if (rule == QLatin1String("auto")) {
            const int pct = *f.line * 100 / 240; // Word truncates: 259 gives 107%
            if (pct != 100 && pct > 0)
                lh = QString::number(pct) + QLatin1Char('%');
        } else if (*f.line > 0) {
            lh = css::points(*f.line / 20.0);
        }
    }
    p.append({QStringLiteral("line-height"), lh});
    const QString align = ParaAlign(f);
    p.append({QStringLiteral("text-align"), align.isEmpty() ? QStringLiteral("left") : align});
    p.append({QStringLiteral("page-break-before"), f.pageBreakBefore.value_or(false)
                                                       ? QStringLiteral("always")
                                                       : QStringLiteral("auto")});
    p.append({QStringLiteral("page-break-after"), f.keepNext.value_or(false) ? QStringLiteral("avoid")
                                                                              : QStringLiteral("auto")});
    p.append({QStringLiteral("page-break-inside"), f.keepLines.value_or(false) ? QStringLiteral("avoid")
                                                                                : QStringLiteral("auto")});
    addBorder(p, "top", f.top);
    addBorder(p, "left", f.left);
    addBorder(p, "bottom", f.bottom);
    addBorder(p, "right", f.right);
    const QString back = f.shading ? f.shading->background() : QString();
    p.append({QStringLiteral("background"), back.isEmpty() ? QStringLiteral("transparent") : back});
    if (f.bidi.value_or(false))
        p.append({QStringLiteral("direction"), QStringLiteral("rtl")});
    return p;
}

const Props &paraDefaults()
{
    static const Props d = [] {
        Props p = paraProps(ParaFormat());
        return p;
    }();
    return d;
}

} // namespace

QString RunCss(const RunFormat &f, const RunFormat *base, const FontContext &fonts,
               bool tagsForEmphasis)
{
    const Props mine = runProps(f, fonts, tagsForEmphasis);
    if (!base)
        return diffCss(mine, nullptr, runDefaults());
    const Props theirs = runProps(*base, fonts, false);
    return diffCss(mine, &theirs, runDefaults());
}

QString ParaCss(const ParaFormat &f, const ParaFormat *base)
{
    const Props mine = paraProps(f);
    static const QStringList margins = {QStringLiteral("margin-top"), QStringLiteral("margin-right"),
                                        QStringLiteral("margin-bottom"),
                                        QStringLiteral("margin-left")};
    if (!base)
        return diffCss(mine, nullptr, paraDefaults(), margins);
    const Props theirs = paraProps(*base);
    return diffCss(mine, &theirs, paraDefaults());
}

QString ParaAlign(const ParaFormat &f)
{
    const QString jc = f.jc.value_or(QString());
    if (jc == QLatin1String("center"))
        return QStringLiteral("center");
    if (jc == QLatin1String("right") || jc == QLatin1String("end"))
        return f.bidi.value_or(false) ? QString() : QStringLiteral("right");
    if (jc == QLatin1String("both") || jc == QLatin1String("distribute")
        || jc.startsWith(QLatin1String("thai")) || jc.endsWith(QLatin1String("Kashida")))
        return QStringLiteral("justify");
    return QString();
}

} // namespace word
