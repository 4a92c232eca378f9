#include "platform/word/Styles.h"

#include <QRegularExpression>
#include <QSet>

namespace word {

namespace {

QString attr(pugi::xml_node n, const char *name)
{
    return QString::fromUtf8(n.attribute(name).value());
}

QString childVal(pugi::xml_node n, const char *child)
{
    return attr(n.child(child), "w:val");
}

bool isHeading(int wdStyle)
{
    return wdStyle <= wdStyleHeading1 && wdStyle >= wdStyleHeading9;
}

// Index n and TOC n: paragraph styles based on Normal. Gives n, or 0.
int indexLevel(int wdStyle)
{
    return wdStyle <= wdStyleIndex1 && wdStyle >= wdStyleIndex9 ? wdStyleIndex1 - wdStyle + 1 : 0;
}

int tocLevel(int wdStyle)
{
    return wdStyle <= wdStyleTOC1 && wdStyle >= wdStyleTOC9 ? wdStyleTOC1 - wdStyle + 1 : 0;
}

// The w:style definition of a built-in style, as Word writes it.
QByteArray builtInDefinition(int wdStyle, const QString &id)
{
    const QByteArray i = id.toUtf8();
    if (const int n = indexLevel(wdStyle))
        return "<w:style w:type=\"paragraph\" w:styleId=\"" + i + "\"><w:name w:val=\"index "
               + QByteArray::number(n) + "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/>"
               "<w:uiPriority w:val=\"99\"/><w:pPr><w:ind w:left=\"" + QByteArray::number(220 * n)
               + "\" w:hanging=\"220\"/></w:pPr></w:style>";
    if (const int n = tocLevel(wdStyle))
        return "<w:style w:type=\"paragraph\" w:styleId=\"" + i + "\"><w:name w:val=\"toc "
               + QByteArray::number(n) + "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/>"
               "<w:uiPriority w:val=\"39\"/><w:pPr><w:spacing w:after=\"100\"/><w:ind w:left=\""
               + QByteArray::number(220 * (n - 1)) + "\"/></w:pPr></w:style>";
    if (wdStyle == wdStyleNormal)
        return "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"" + i
               + "\"><w:name w:val=\"Normal\"/><w:qFormat/></w:style>";
    if (wdStyle <= wdStyleHeading1 && wdStyle >= wdStyleHeading9) {
        const int level = wdStyleHeading1 - wdStyle + 1;
        static const int sizes[] = {32, 26, 24, 22, 22, 22, 22, 22, 22};
        return "<w:style w:type=\"paragraph\" w:styleId=\"" + i + "\"><w:name w:val=\"heading "
               + QByteArray::number(level)
               + "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:uiPriority w:val=\"9\"/>"
                 "<w:qFormat/><w:pPr><w:keepNext/><w:spacing w:before=\"240\" w:after=\"60\"/>"
                 "<w:outlineLvl w:val=\""
               + QByteArray::number(level - 1) + "\"/></w:pPr><w:rPr><w:b/><w:sz w:val=\""
               + QByteArray::number(sizes[level - 1]) + "\"/></w:rPr></w:style>";
    }
    if (wdStyle == wdStyleDefaultParagraphFont)
        return "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"" + i
               + "\"><w:name w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/>"
                 "<w:semiHidden/><w:unhideWhenUsed/></w:style>";
    if (wdStyle == wdStyleHyperlink)
        return "<w:style w:type=\"character\" w:styleId=\"" + i
               + "\"><w:name w:val=\"Hyperlink\"/><w:uiPriority w:val=\"99\"/><w:unhideWhenUsed/>"
                 "<w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>";
    return QByteArray();
}

QString builtInName(int wdStyle)
{
    if (wdStyle == wdStyleNormal)
        return QStringLiteral("Normal");
    if (isHeading(wdStyle))
        return QStringLiteral("heading %1").arg(wdStyleHeading1 - wdStyle + 1);
    if (const int n = indexLevel(wdStyle))
        return QStringLiteral("index %1").arg(n);
    if (const int n = tocLevel(wdStyle))
        return QStringLiteral("toc %1").arg(n);
    if (wdStyle == wdStyleDefaultParagraphFont)
        return QStringLiteral("Default Paragraph Font");
    if (wdStyle == wdStyleHyperlink)
        return QStringLiteral("Hyperlink");
    return QString();
}

QString preferredId(int wdStyle)
{
    if (isHeading(wdStyle))
        return QStringLiteral("Heading%1").arg(wdStyleHeading1 - wdStyle + 1);
    if (const int n = indexLevel(wdStyle))
        return QStringLiteral("Index%1").arg(n);
    if (const int n = tocLevel(wdStyle))
        return QStringLiteral("TOC%1").arg(n);
    return builtInName(wdStyle).remove(QLatin1Char(' '));
}

void mergeInto(pugi::xml_node target, pugi::xml_node source)
{
    for (pugi::xml_node c = source.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        // Revision records of properties are history, not properties.
        if (std::strcmp(c.name(), "w:pPrChange") == 0 || std::strcmp(c.name(), "w:rPrChange") == 0)
            continue;
        if (pugi::xml_node old = target.child(c.name()))
            target.remove_child(old);
        target.append_copy(c);
    }
}

} // namespace

Styles::Styles(pugi::xml_document *stylesXml) : doc_(stylesXml)
{
    reload();
}

Styles::~Styles() = default;

void Styles::reload()
{
    styles_.clear();
    byId_.clear();
    byName_.clear();
    resolvedCache_.clear();
    cache_.reset();
    if (!doc_)
        return;
    for (pugi::xml_node s : doc_->document_element().children("w:style")) {
        Style st;
        st.id = attr(s, "w:styleId");
        st.name = childVal(s, "w:name");
        st.type = attr(s, "w:type");
        if (st.type.isEmpty())
            st.type = QStringLiteral("paragraph");
        st.basedOn = childVal(s, "w:basedOn");
        st.next = childVal(s, "w:next");
        st.link = childVal(s, "w:link");
        const QString def = attr(s, "w:default");
        st.isDefault = def == QLatin1String("1") || def.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
                       || def.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0;
        st.node = s;
        if (st.id.isEmpty() || byId_.contains(st.id))
            continue;
        byId_.insert(st.id, int(styles_.size()));
        if (!st.name.isEmpty() && !byName_.contains(st.name.toLower()))
            byName_.insert(st.name.toLower(), int(styles_.size()));
        styles_ << st;
    }
}

const Style *Styles::byId(const QString &id) const
{
    auto it = byId_.constFind(id);
    return it == byId_.constEnd() ? nullptr : &styles_[*it];
}

const Style *Styles::byName(const QString &name) const
{
    auto it = byName_.constFind(name.toLower());
    return it == byName_.constEnd() ? nullptr : &styles_[*it];
}

const Style *Styles::defaultStyle(const QString &type) const
{
    for (const Style &s : styles_)
        if (s.isDefault && s.type == type)
            return &s;
    return nullptr;
}

QList<const Style *> Styles::chain(const QString &id) const
{
    QList<const Style *> list;
    QSet<QString> seen;
    const Style *s = byId(id);
    while (s && !seen.contains(s->id)) {
        seen.insert(s->id);
        list << s;
        s = s->basedOn.isEmpty() ? nullptr : byId(s->basedOn);
    }
    return list;
}

pugi::xml_node Styles::defaultParagraphProperties() const
{
    if (!doc_)
        return pugi::xml_node();
    return doc_->document_element().child("w:docDefaults").child("w:pPrDefault").child("w:pPr");
}

pugi::xml_node Styles::defaultRunProperties() const
{
    if (!doc_)
        return pugi::xml_node();
    return doc_->document_element().child("w:docDefaults").child("w:rPrDefault").child("w:rPr");
}

pugi::xml_node Styles::resolved(const QString &id, const char *element) const
{
    const QString key = QString::fromLatin1(element) + QLatin1Char('|') + id;
    auto it = resolvedCache_.constFind(key);
    if (it != resolvedCache_.constEnd())
        return *it;
    if (!cache_)
        cache_ = std::make_unique<pugi::xml_document>();
    pugi::xml_node out = cache_->append_child(element);
    const bool para = std::strcmp(element, "w:pPr") == 0;
    mergeInto(out, para ? defaultParagraphProperties() : defaultRunProperties());
    const QList<const Style *> list = chain(id);
    for (auto s = list.crbegin(); s != list.crend(); ++s)
        mergeInto(out, (*s)->node.child(element));
    resolvedCache_.insert(key, out);
    return out;
}

pugi::xml_node Styles::paragraphProperties(const QString &id) const
{
    return resolved(id, "w:pPr");
}

pugi::xml_node Styles::runProperties(const QString &id) const
{
    return resolved(id, "w:rPr");
}

int Styles::headingLevelOfName(const QString &name)
{
    static const QRegularExpression re(
        QStringLiteral("^(heading|berschrift|\u00fcberschrift|titre|t\u00edtulo|titolo|kop|rubrik|otsikko|"
                       "overskrift|nag\u0142\u00f3wek|\u0437\u0430\u0433\u043e\u043b\u043e\u0432\u043e\u043a)"
                       "\\s*([1-9])$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(name.trimmed());
    return m.hasMatch() ? m.captured(2).toInt() : 0;
}

int Styles::outlineLevel(const QString &styleId) const
{
    for (const Style *s : chain(styleId)) {
        if (s->type != QLatin1String("paragraph"))
            break;
        if (const int n = headingLevelOfName(s->name))
            return n;
        pugi::xml_node lvl = s->node.child("w:pPr").child("w:outlineLvl");
        if (lvl) {
            const int v = QString::fromUtf8(lvl.attribute("w:val").value()).toInt();
            return v >= 0 && v <= 8 ? v + 1 : wdOutlineLevelBodyText;
        }
    }
    // Documents from writers that keep no names: ids such as "Heading2".
    const Style *s = byId(styleId);
    if (s && s->name.isEmpty())
        if (const int n = headingLevelOfName(s->id))
            return n;
    pugi::xml_node lvl = defaultParagraphProperties().child("w:outlineLvl");
    if (lvl) {
        const int v = QString::fromUtf8(lvl.attribute("w:val").value()).toInt();
        if (v >= 0 && v <= 8)
            return v + 1;
    }
    return wdOutlineLevelBodyText;
}

int Styles::paragraphOutlineLevel(pugi::xml_node p) const
{
    pugi::xml_node pPr = p.child("w:pPr");
    QString styleId = childVal(pPr, "w:pStyle");
    if (styleId.isEmpty() || !byId(styleId)) {
        const Style *d = defaultStyle();
        styleId = d ? d->id : QString();
    }
    const Style *s = byId(styleId);
    if (s)
        if (const int n = headingLevelOfName(s->name))
            return n; // a built-in heading's level cannot be overridden
    if (pugi::xml_node lvl = pPr.child("w:outlineLvl")) {
        const int v = QString::fromUtf8(lvl.attribute("w:val").value()).toInt();
        return v >= 0 && v <= 8 ? v + 1 : wdOutlineLevelBodyText;
    }
    return outlineLevel(styleId);
}

QString Styles::builtInId(int wdStyle) const
{
    const QString name = builtInName(wdStyle);
    if (name.isEmpty())
        return QString();
    if (isHeading(wdStyle)) {
        const int level = wdStyleHeading1 - wdStyle + 1;
        for (const Style &s : styles_)
            if (s.type == QLatin1String("paragraph") && headingLevelOfName(s.name) == level)
                return s.id;
        return QString();
    }
    if (const Style *s = byName(name))
        return s->id;
    if (wdStyle == wdStyleNormal)
        if (const Style *d = defaultStyle())
            return d->id;
    return QString();
}

QString Styles::ensureBuiltIn(int wdStyle)
{
    QString id = builtInId(wdStyle);
    if (!id.isEmpty() || !doc_)
        return id;
    const QString base = preferredId(wdStyle);
    if (base.isEmpty())
        return QString();
    const bool basedOnNormal = isHeading(wdStyle) || indexLevel(wdStyle) || tocLevel(wdStyle);
    if (basedOnNormal)
        ensureBuiltIn(wdStyleNormal);
    id = base;
    for (int n = 1; byId(id); ++n)
        id = base + QLatin1Char('_') + QString::number(n);
    const QByteArray xml = builtInDefinition(wdStyle, id);
    pugi::xml_document frag;
    // The fragment needs the w: prefix declared to parse; the element is then
    // copied into the canonical tree, which declares it on its root.
    const QByteArray wrapped = "<x xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                               + xml + "</x>";
    frag.load_buffer(wrapped.constData(), size_t(wrapped.size()));
    pugi::xml_node root = doc_->document_element();
    pugi::xml_node style = frag.document_element().first_child();
    // A new Normal must not compete with an existing default paragraph style.
    if (wdStyle == wdStyleNormal && defaultStyle())
        style.remove_attribute("w:default");
    if (wdStyle == wdStyleDefaultParagraphFont && defaultStyle(QStringLiteral("character")))
        style.remove_attribute("w:default");
    if (basedOnNormal) {
        const QString normal = builtInId(wdStyleNormal);
        style.child("w:basedOn").attribute("w:val").set_value(normal.toUtf8().constData());
        style.child("w:next").attribute("w:val").set_value(normal.toUtf8().constData());
    }
    root.append_copy(style);
    reload();
    return id;
}

int Styles::builtInNumber(const QString &id) const
{
    const Style *s = byId(id);
    if (!s)
        return 0;
    if (const int n = headingLevelOfName(s->name))
        return wdStyleHeading1 - n + 1;
    for (int w = wdStyleNormal; w >= wdStyleHyperlink; --w) {
        const QString name = builtInName(w);
        if (!name.isEmpty() && s->name.compare(name, Qt::CaseInsensitive) == 0)
            return w;
    }
    return 0;
}

QByteArray newStylesXml()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                     "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                     "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\" "
                     "w:eastAsia=\"Calibri\" w:cs=\"Times New Roman\"/><w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/>"
                     "<w:lang w:val=\"en-US\"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr>"
                     "<w:spacing w:after=\"160\" w:line=\"259\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault>"
                     "</w:docDefaults>";
    xml += builtInDefinition(wdStyleNormal, QStringLiteral("Normal"));
    for (int n = 1; n <= 9; ++n)
        xml += builtInDefinition(wdStyleHeading1 - n + 1, preferredId(wdStyleHeading1 - n + 1));
    xml += builtInDefinition(wdStyleDefaultParagraphFont, QStringLiteral("DefaultParagraphFont"));
    xml += builtInDefinition(wdStyleHyperlink, QStringLiteral("Hyperlink"));
    xml += "</w:styles>";
    return xml;
}

} // namespace word
