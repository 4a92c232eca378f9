#include "platform/word/Numbering.h"

#include "platform/word/HtmlXml.h"

#include <QStringList>
#include <algorithm>

namespace word {

namespace {

constexpr int kLevels = 9;

ListSuffix parseSuffix(const QString &s)
{
    if (s == QLatin1String("space"))
        return ListSuffix::Space;
    if (s == QLatin1String("nothing"))
        return ListSuffix::Nothing;
    return ListSuffix::Tab;
}

// A list's start number, held to what Word accepts (0 to 32767): numbers
// are counted up from it and some formats repeat a letter that often.
int startValue(pugi::xml_node n)
{
    return std::clamp(xml::intVal(n, 1), 0, 32767);
}

// Overlays the settings a w:lvl element has onto a level.
void readLevel(pugi::xml_node lvl, ListLevel &out)
{
    out.defined = true;
    if (pugi::xml_node n = lvl.child("w:start"))
        out.start = startValue(n);
    if (pugi::xml_node n = lvl.child("w:numFmt")) {
        out.numFmt = xml::val(n);
        out.customFormat = xml::attr(n, "w:format");
    }
    if (pugi::xml_node n = lvl.child("w:lvlRestart"))
        out.restart = xml::intVal(n, -1);
    if (pugi::xml_node n = lvl.child("w:pStyle"))
        out.pStyle = xml::val(n);
    if (pugi::xml_node n = lvl.child("w:isLgl"))
        out.isLgl = xml::onOff(n);
    if (pugi::xml_node n = lvl.child("w:suff"))
        out.suffix = parseSuffix(xml::val(n));
    if (pugi::xml_node n = lvl.child("w:lvlText"))
        out.lvlText = xml::val(n);
    if (pugi::xml_node n = lvl.child("w:lvlJc"))
        out.lvlJc = xml::val(n);
    if (pugi::xml_node n = lvl.child("w:pPr"))
        out.pPr = n;
    if (pugi::xml_node n = lvl.child("w:rPr"))
        out.rPr = n;
}

QString levelFont(const ListLevel &lvl)
{
    pugi::xml_node f = lvl.rPr.child("w:rFonts");
    for (const char *a : {"w:ascii", "w:hAnsi", "w:cs", "w:eastAsia"}) {
        QString v = xml::attr(f, a);
        if (!v.isEmpty())
            return v;
    }
    return QString();
}

QString roman(int n, bool upper)
{
    static const struct { int v; const char *s; } table[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
        {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
    if (n <= 0 || n > 32767)
        return QString::number(n);
    QString r;
    for (const auto &e : table)
        while (n >= e.v) {
            r += QLatin1String(e.s);
            n -= e.v;
        }
    return upper ? r.toUpper() : r;
}

// Word's letters: a..z, then aa..zz, aaa..zzz (one letter repeated).
QString letters(int n, bool upper)
{
    if (n <= 0)
        return QString::number(n);
    const int count = (n - 1) / 26 + 1;
    if (count > 100)
        return QString::number(n);
    const QChar c(char16_t((upper ? u'A' : u'a') + (n - 1) % 26));
    return QString(count, c);
}

QString ordinalSuffix(int n)
{
    const int h = std::abs(n) % 100;
    if (h >= 11 && h <= 13)
        return QStringLiteral("th");
    switch (std::abs(n) % 10) {
    case 1: return QStringLiteral("st");
    case 2: return QStringLiteral("nd");
    case 3: return QStringLiteral("rd");
    default: return QStringLiteral("th");
    }
}

const char *const kOnes[] = {"zero", "one", "two", "three", "four", "five", "six",
                             "seven", "eight", "nine", "ten", "eleven", "twelve",
                             "thirteen", "fourteen", "fifteen", "sixteen", "seventeen",
                             "eighteen", "nineteen"};
const char *const kTens[] = {"", "", "twenty", "thirty", "forty", "fifty", "sixty",
                             "seventy", "eighty", "ninety"};

QString cardinalWords(int n)
{
    if (n < 20)
        return QLatin1String(kOnes[n]);
    if (n < 100)
        return QLatin1String(kTens[n / 10])
               + (n % 10 ? QLatin1String("-") + QLatin1String(kOnes[n % 10]) : QString());
    if (n < 1000)
        return QLatin1String(kOnes[n / 100]) + QLatin1String(" hundred")
               + (n % 100 ? QLatin1String(" ") + cardinalWords(n % 100) : QString());
    return cardinalWords(n / 1000) + QLatin1String(" thousand")
           + (n % 1000 ? QLatin1String(" ") + cardinalWords(n % 1000) : QString());
}

QString ordinalWords(int n)
{
    static const struct { const char *from, *to; } irregular[] = {
        {"one", "first"},  {"two", "second"}, {"three", "third"}, {"five", "fifth"},
        {"eight", "eighth"}, {"nine", "ninth"}, {"twelve", "twelfth"}};
    QString w = cardinalWords(n);
    // Only the last word changes: "twenty-one" -> "twenty-first".
    qsizetype cut = std::max(w.lastIndexOf(QLatin1Char(' ')), w.lastIndexOf(QLatin1Char('-'))) + 1;
    QString last = w.mid(cut);
    for (const auto &e : irregular)
        if (last == QLatin1String(e.from))
            return w.left(cut) + QLatin1String(e.to);
    if (last.endsWith(QLatin1Char('y')))
        return w.left(cut) + last.chopped(1) + QLatin1String("ieth");
    return w + QLatin1String("th");
}

QString capitalised(QString s)
{
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

// Circled and bracketed digits exist as characters for 1 to 20.
QString enclosed(int n, char16_t first)
{
    if (n < 1 || n > 20)
        return QString::number(n);
    return QString(QChar(char16_t(first + n - 1)));
}

// Code page 1252 at 0x80..0x9F; the rest of the range equals Latin-1.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString FormatListNumber(int value, const QString &numFmt, const QString &customFormat)
{
    const QString &f = numFmt;
    if (f.isEmpty() || f == QLatin1String("decimal") || f == QLatin1String("decimalHalfWidth"))
        return QString::number(value);
    if (f == QLatin1String("none") || f == QLatin1String("bullet"))
        return QString();
    if (f == QLatin1String("decimalZero"))
        return value >= 0 && value < 10 ? QLatin1String("0") + QString::number(value)
                                        : QString::number(value);
    if (f == QLatin1String("upperRoman"))
        return roman(value, true);
    if (f == QLatin1String("lowerRoman"))
        return roman(value, false);
    if (f == QLatin1String("upperLetter"))
        return letters(value, true);
    if (f == QLatin1String("lowerLetter"))
        return letters(value, false);
    if (f == QLatin1String("ordinal"))
        return QString::number(value) + ordinalSuffix(value);
    if (f == QLatin1String("cardinalText") && value >= 0 && value < 1000000)
        return capitalised(cardinalWords(value));
    if (f == QLatin1String("ordinalText") && value >= 0 && value < 1000000)
        return capitalised(ordinalWords(value));
    if (f == QLatin1String("hex"))
        return QString::number(value, 16).toUpper();
    if (f == QLatin1String("chicago")) {
        static const char16_t marks[] = {u'*', 0x2020, 0x2021, 0x00A7};
        if (value < 1 || value > 400)
            return QString::number(value);
        return QString((value - 1) / 4 + 1, QChar(marks[(value - 1) % 4]));
    }
    if (f == QLatin1String("decimalEnclosedCircle") || f == QLatin1String("decimalEnclosedCircleChinese"))
        return enclosed(value, 0x2460);
    if (f == QLatin1String("decimalEnclosedParen"))
        return enclosed(value, 0x2474);
    if (f == QLatin1String("decimalEnclosedFullstop"))
        return enclosed(value, 0x2488);
    if (f == QLatin1String("numberInDash"))
        return QLatin1String("- ") + QString::number(value) + QLatin1String(" -");
    if (f == QLatin1String("decimalFullWidth") || f == QLatin1String("decimalFullWidth2")) {
        QString s = QString::number(value);
        for (QChar &c : s)
            if (c.isDigit())
                c = QChar(char16_t(0xFF10 + c.digitValue()));
        return s;
    }
    if (f == QLatin1String("russianLower") || f == QLatin1String("russianUpper")) {
        // The 28 letters Word counts with (no Ё, Й, Ъ, Ы, Ь).
        static const char16_t ru[] = u"абвгдежзиклмнопрстуфхцчшщэюя";
        if (value < 1)
            return QString::number(value);
        const int len = int(std::size(ru)) - 1;
        if ((value - 1) / len + 1 > 100)
            return QString::number(value);
        QString s((value - 1) / len + 1, QChar(ru[(value - 1) % len]));
        return f == QLatin1String("russianUpper") ? s.toUpper() : s;
    }
    if (f == QLatin1String("custom")) {
        // "001, 002, 003" pads with zeros to the width of its first sample.
        const QString first = customFormat.section(QLatin1Char(','), 0, 0).trimmed();
        bool digits = !first.isEmpty();
        for (QChar c : first)
            digits = digits && c.isDigit();
        if (digits)
            return QStringLiteral("%1").arg(value, int(first.size()), 10, QLatin1Char('0'));
    }
    return QString::number(value);
}

bool IsSymbolFont(const QString &font)
{
    return font.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0
           || font.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive)
           || font.compare(QLatin1String("Webdings"), Qt::CaseInsensitive) == 0
           || font.compare(QLatin1String("Marlett"), Qt::CaseInsensitive) == 0;
}

QChar SymbolFontChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0xF020 || u > 0xF0FF)
        return c;
    const char16_t b = u & 0xFF;
    if (b >= 0x80 && b <= 0x9F)
        return QChar(kCp1252High[b - 0x80]);
    return QChar(b);
}

QString SymbolFontText(const QString &text)
{
    QString r = text;
    for (QChar &c : r)
        c = SymbolFontChar(c);
    return r;
}

namespace {

// Symbol characters 0x20..0xFF as Unicode code points; 0 where the font
// has no counterpart (the character is kept).
const char32_t kSymbolUnicode[224] = {
    0x0, 0x0, 0x2200, 0x0, 0x2203, 0x0, 0x0, 0x220B,
    0x0, 0x0, 0x2217, 0x0, 0x0, 0x2212, 0x0, 0x0,
    0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0,
    0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0,
    0x2245, 0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393,
    0x397, 0x399, 0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F,
    0x3A0, 0x398, 0x3A1, 0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9,
    0x39E, 0x3A8, 0x396, 0x0, 0x2234, 0x0, 0x22A5, 0x0,
    0x203E, 0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3,
    0x3B7, 0x3B9, 0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF,
    0x3C0, 0x3B8, 0x3C1, 0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9,
    0x3BE, 0x3C8, 0x3B6, 0x0, 0x0, 0x0, 0x223C, 0x0,
    0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0,
    0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0,
    0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0,
    0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0,
    0x20AC, 0x3D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0xB0, 0xB1, 0x2033, 0x2265, 0xD7, 0x221D, 0x2202, 0x2022,
    0xF7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0xAE, 0xA9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0xAC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0xAE, 0xA9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0x0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0,
};

// Wingdings characters 0x20..0xFF as Unicode code points; 0 where the font
// has no counterpart (the character is kept).
const char32_t kWingdingsUnicode[224] = {
    0x0, 0x270E, 0x2702, 0x2701, 0x1F453, 0x1F56D, 0x1F56E, 0x1F56F,
    0x260E, 0x2706, 0x2709, 0x1F583, 0x1F4EA, 0x1F4EB, 0x1F4EC, 0x1F4ED,
    0x1F4C1, 0x1F4C2, 0x1F4C4, 0x1F5CF, 0x1F5D0, 0x1F5C4, 0x231B, 0x1F5AE,
    0x1F5B0, 0x1F5B2, 0x1F5B3, 0x1F5B4, 0x1F5AB, 0x1F5AC, 0x2707, 0x270D,
    0x1F58E, 0x270C, 0x1F44C, 0x1F44D, 0x1F44E, 0x261C, 0x261E, 0x261D,
    0x261F, 0x1F590, 0x263A, 0x1F610, 0x2639, 0x1F4A3, 0x2620, 0x1F3F3,
    0x1F3F1, 0x2708, 0x263C, 0x1F4A7, 0x2744, 0x1F546, 0x271E, 0x1F548,
    0x2720, 0x2721, 0x262A, 0x262F, 0x950, 0x2638, 0x2648, 0x2649,
    0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651,
    0x2652, 0x2653, 0x1F670, 0x1F675, 0x25CF, 0x274D, 0x25A0, 0x25A1,
    0x1F790, 0x2751, 0x2752, 0x2B27, 0x29EB, 0x25C6, 0x2756, 0x2B25,
    0x2327, 0x2BB9, 0x2318, 0x2740, 0x273F, 0x1F676, 0x1F677, 0x0,
    0x24EA, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466,
    0x2467, 0x2468, 0x2469, 0x24FF, 0x2776, 0x2777, 0x2778, 0x2779,
    0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, 0x1F662, 0x1F660,
    0x1F661, 0x1F663, 0x1F65E, 0x1F65C, 0x1F65D, 0x1F65F, 0xB7, 0x2022,
    0x25AA, 0x25CB, 0x1F786, 0x1F788, 0x25C9, 0x25CE, 0x1F53F, 0x25AA,
    0x25FB, 0x1F7C2, 0x2726, 0x2605, 0x2736, 0x2734, 0x2739, 0x2735,
    0x2BD0, 0x2316, 0x27E1, 0x2311, 0x2BD1, 0x272A, 0x2730, 0x1F550,
    0x1F551, 0x1F552, 0x1F553, 0x1F554, 0x1F555, 0x1F556, 0x1F557, 0x1F558,
    0x1F559, 0x1F55A, 0x1F55B, 0x2BB0, 0x2BB1, 0x2BB2, 0x2BB3, 0x2BB4,
    0x2BB5, 0x2BB6, 0x2BB7, 0x1F66A, 0x1F66B, 0x1F655, 0x1F654, 0x1F657,
    0x1F656, 0x1F650, 0x1F651, 0x1F652, 0x1F653, 0x232B, 0x2326, 0x2B98,
    0x27A2, 0x2B99, 0x2B9B, 0x2B88, 0x2B8A, 0x2B89, 0x2B8B, 0x1F868,
    0x1F86A, 0x1F869, 0x1F86B, 0x1F86C, 0x1F86D, 0x1F86F, 0x1F86E, 0x1F878,
    0x2794, 0x1F879, 0x1F87B, 0x1F87C, 0x1F87D, 0x1F87F, 0x1F87E, 0x21E6,
    0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0x2B00, 0x2B01, 0x2B03,
    0x2B02, 0x1F8AC, 0x25AB, 0x2717, 0x2713, 0x2612, 0x2611, 0x0,
};

// The 8-bit code of a symbol-font character: the private-use form, the
// byte itself, or the character code page 1252 reads for the byte.
int symbolFontByte(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0xF020 && u <= 0xF0FF)
        return u & 0xFF;
    if (u >= 0x20 && u <= 0xFF && (u < 0x80 || u > 0x9F))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == u)
            return 0x80 + i;
    return -1;
}

} // namespace

QString SymbolFontUnicode(const QString &font, const QString &text)
{
    const char32_t *table = nullptr;
    if (font.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        table = kSymbolUnicode;
    else if (font.compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0)
        table = kWingdingsUnicode;
    if (!table)
        return SymbolFontText(text);
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const int b = symbolFontByte(c);
        const char32_t u = b >= 0x20 ? table[b - 0x20] : 0;
        if (u)
            out += QString::fromUcs4(&u, 1);
        else
            out += SymbolFontChar(c);
    }
    return out;
}

Numbering::Numbering(pugi::xml_node numbering, pugi::xml_node styles)
{
    load(numbering, styles);
}

void Numbering::load(pugi::xml_node numbering, pugi::xml_node styles)
{
    instances_.clear();
    counters_.clear();
    QHash<int, pugi::xml_node> abstracts;
    for (pugi::xml_node a : numbering.children("w:abstractNum"))
        abstracts.insert(xml::intAttr(a, "w:abstractNumId", -1), a);
    QHash<int, int> numToAbstract;
    for (pugi::xml_node n : numbering.children("w:num"))
        numToAbstract.insert(xml::intAttr(n, "w:numId", -1),
                             xml::intVal(n.child("w:abstractNumId"), -1));

    // A definition that links to a numbering style takes its levels from the
    // definition that style's list uses (followed a few steps at most).
    auto resolveAbstract = [&](int id) {
        for (int guard = 0; guard < 4; ++guard) {
            pugi::xml_node a = abstracts.value(id);
            pugi::xml_node link = a.child("w:numStyleLink");
            if (!link || a.child("w:lvl"))
                return id;
            const std::string styleId = xml::val(link).toStdString();
            pugi::xml_node style = styles.find_child_by_attribute("w:style", "w:styleId",
                                                                  styleId.c_str());
            int numId = xml::intVal(style.child("w:pPr").child("w:numPr").child("w:numId"), -1);
            int next = numToAbstract.value(numId, -1);
            if (next < 0 || next == id)
                return id;
            id = next;
        }
        return id;
    };

    for (pugi::xml_node n : numbering.children("w:num")) {
        const int numId = xml::intAttr(n, "w:numId", -1);
        if (numId <= 0)
            continue;
        Instance inst;
        inst.abstractId = numToAbstract.value(numId, -1);
        const pugi::xml_node abs = abstracts.value(resolveAbstract(inst.abstractId));
        if (!abs)
            continue;
        for (pugi::xml_node lvl : abs.children("w:lvl")) {
            const int i = xml::intAttr(lvl, "w:ilvl", -1);
            if (i >= 0 && i < kLevels)
                readLevel(lvl, inst.levels[i]);
        }
        for (pugi::xml_node o : n.children("w:lvlOverride")) {
            const int i = xml::intAttr(o, "w:ilvl", -1);
            if (i < 0 || i >= kLevels)
                continue;
            if (pugi::xml_node lvl = o.child("w:lvl"))
                readLevel(lvl, inst.levels[i]);
            if (pugi::xml_node so = o.child("w:startOverride")) {
                inst.levels[i].start = startValue(so);
                inst.startOverride[i] = true;
            }
        }
        instances_.insert(numId, inst);
    }
}

bool Numbering::hasList(int numId) const
{
    return instances_.contains(numId);
}

const ListLevel *Numbering::level(int numId, int ilvl) const
{
    auto it = instances_.constFind(numId);
    if (it == instances_.constEnd() || ilvl < 0 || ilvl >= kLevels || !it->levels[ilvl].defined)
        return nullptr;
    return &it->levels[ilvl];
}

int Numbering::abstractOf(int numId) const
{
    auto it = instances_.constFind(numId);
    return it == instances_.constEnd() ? -1 : it->abstractId;
}

void Numbering::resetCounters()
{
    counters_.clear();
    for (Instance &i : instances_)
        i.used = false;
}

ListLabel Numbering::next(int numId, int ilvl)
{
    auto it = instances_.find(numId);
    if (it == instances_.end() || ilvl < 0 || ilvl >= kLevels || !it->levels[ilvl].defined)
        return ListLabel();
    Instance &inst = *it;
    Counters &c = counters_[inst.abstractId];
    if (!inst.used) {
        inst.used = true;
        for (int i = 0; i < kLevels; ++i)
            if (inst.startOverride[i])
                c.set[i] = false;
    }
    const ListLevel &lvl = inst.levels[ilvl];
    if (c.set[ilvl]) {
        ++c.value[ilvl];
    } else {
        c.value[ilvl] = lvl.start;
        c.set[ilvl] = true;
    }
    // Deeper levels restart after this one unless their definition says otherwise.
    for (int d = ilvl + 1; d < kLevels; ++d) {
        const int r = inst.levels[d].restart;
        if (r < 0 || (r > 0 && ilvl < r))
            c.set[d] = false;
    }

    ListLabel label;
    label.level = &lvl;
    label.bullet = lvl.numFmt == QLatin1String("bullet");
    label.suffix = lvl.suffix;
    label.font = levelFont(lvl);
    label.text = labelText(inst, c, ilvl);
    return label;
}

QString Numbering::labelText(const Instance &inst, const Counters &c, int ilvl) const
{
    const ListLevel &lvl = inst.levels[ilvl];
    if (lvl.numFmt == QLatin1String("bullet"))
        return SymbolFontText(lvl.lvlText);
    QString out;
    const QString &t = lvl.lvlText;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char('%') && i + 1 < t.size() && t[i + 1] >= QLatin1Char('1')
            && t[i + 1] <= QLatin1Char('9')) {
            const int ref = t[i + 1].unicode() - '1';
            const ListLevel &rl = inst.levels[ref];
            const int value = c.set[ref] ? c.value[ref] : rl.start;
            // A legal-style level shows every number in decimal.
            const QString fmt = lvl.isLgl ? QStringLiteral("decimal") : rl.numFmt;
            out += FormatListNumber(value, fmt, rl.customFormat);
            ++i;
        } else {
            out += t[i];
        }
    }
    return SymbolFontText(out);
}

} // namespace word
