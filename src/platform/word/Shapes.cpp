#include "platform/word/Shapes.h"

#include "platform/word/Package.h"
#include "platform/word/Story.h"
#include "platform/word/XmlText.h"

#include <QHash>
#include <cstring>

namespace word::shapes {

namespace {

bool is(pugi::xml_node n, const char *name)
{
    return std::strcmp(n.name(), name) == 0;
}

QString attr(pugi::xml_node n, const char *name)
{
    return QString::fromUtf8(n.attribute(name).value());
}

const double kEmuPerPoint = 12700.0;

bool isVmlShape(pugi::xml_node n)
{
    static const char *const names[] = {"v:shape", "v:rect", "v:oval", "v:roundrect", "v:line", "v:group",
                                        "v:polyline", "v:curve", "v:arc", "v:image"};
    for (const char *name : names)
        if (is(n, name))
            return true;
    return false;
}

QString graphicUri(pugi::xml_node drawingShape)
{
    return attr(drawingShape.child("a:graphic").child("a:graphicData"), "uri");
}

pugi::xml_node graphicContent(pugi::xml_node drawingShape)
{
    return drawingShape.child("a:graphic").child("a:graphicData").first_child();
}

bool endsWith(const QString &uri, const char *tail)
{
    return uri.endsWith(QLatin1String(tail));
}

bool vmlFloating(pugi::xml_node shape)
{
    return vmlStyle(attr(shape, "style"), QStringLiteral("position")).compare(QLatin1String("absolute"),
                                                                             Qt::CaseInsensitive) == 0;
}

Hyperlink fromRelationship(pugi::xml_node hlink, const Package &pkg, const QString &part)
{
    Hyperlink h;
    if (!hlink)
        return h;
    const QString id = attr(hlink, "r:id");
    QString target;
    if (!id.isEmpty())
        target = pkg.relationship(part, id).target;
    if (target.isEmpty() && attr(hlink, "location").isEmpty())
        return h;
    h.present = true;
    const int hash = target.indexOf(QLatin1Char('#'));
    h.address = hash < 0 ? target : target.left(hash);
    h.subAddress = hash < 0 ? attr(hlink, "location") : target.mid(hash + 1);
    h.target = attr(hlink, "tgtFrame");
    h.screenTip = attr(hlink, "tooltip");
    return h;
}

Hyperlink fromVml(pugi::xml_node shape)
{
    Hyperlink h;
    const QString href = attr(shape, "href");
    if (href.isEmpty())
        return h;
    h.present = true;
    const int hash = href.indexOf(QLatin1Char('#'));
    h.address = hash < 0 ? href : href.left(hash);
    h.subAddress = hash < 0 ? QString() : href.mid(hash + 1);
    h.target = attr(shape, "target");
    h.screenTip = attr(shape, "title");
    return h;
}


pugi::xml_node xfrmOf(pugi::xml_node item)
{
    for (pugi::xpath_node n : item.select_nodes("./*/a:xfrm"))
        return n.node();
    return pugi::xml_node();
}

void collectFrom(const std::vector<pugi::xml_node> &paragraphs, bool floating, std::vector<ShapeRef> &out)
{
    for (pugi::xml_node p : paragraphs)
        for (const story::Atom &a : story::atoms(p)) {
            if (a.kind != story::AtomKind::Object)
                continue;
            const ShapeRef s = describe(a.node);
            if (s.shape && s.floating == floating)
                out.push_back(s);
        }
}

} // namespace

double vmlLength(const QString &value)
{
    QString v = value.trimmed().toLower();
    struct Unit {
        const char *suffix;
        double points;
    };
    static const Unit units[] = {{"pt", 1.0}, {"px", 0.75}, {"in", 72.0}, {"cm", 72.0 / 2.54},
                                 {"mm", 72.0 / 25.4}, {"pc", 12.0}, {"emu", 1.0 / kEmuPerPoint}};
    for (const Unit &u : units)
        if (v.endsWith(QLatin1String(u.suffix)))
            return v.chopped(int(std::strlen(u.suffix))).trimmed().toDouble() * u.points;
    return v.toDouble() * 0.75; // plain numbers are pixels
}

QString vmlStyle(const QString &style, const QString &property)
{
    for (const QString &decl : style.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int colon = decl.indexOf(QLatin1Char(':'));
        if (colon > 0 && decl.left(colon).trimmed().compare(property, Qt::CaseInsensitive) == 0)
            return decl.mid(colon + 1).trimmed();
    }
    return QString();
}

ShapeRef describe(pugi::xml_node element)
{
    ShapeRef s;
    s.element = element;
    if (is(element, "w:drawing")) {
        if (pugi::xml_node n = element.child("wp:inline")) {
            s.shape = n;
        } else if (pugi::xml_node a = element.child("wp:anchor")) {
            s.shape = a;
            s.floating = true;
        }
        return s;
    }
    if (is(element, "w:object")) {
        if (pugi::xml_node d = element.child("w:drawing")) {
            s = describe(d);
            s.element = element;
            return s;
        }
    }
    if (is(element, "w:pict") || is(element, "w:object")) {
        for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling())
            if (isVmlShape(c)) {
                s.shape = c;
                s.floating = vmlFloating(c);
                break;
            }
    }
    return s;
}

std::vector<ShapeRef> inlineShapes(const std::vector<pugi::xml_node> &paragraphs)
{
    std::vector<ShapeRef> out;
    collectFrom(paragraphs, false, out);
    return out;
}

std::vector<ShapeRef> floatingShapes(const std::vector<pugi::xml_node> &paragraphs)
{
    std::vector<ShapeRef> out;
    collectFrom(paragraphs, true, out);
    return out;
}

int inlineType(const ShapeRef &s)
{
    if (is(s.element, "w:object")) {
        if (s.element.child("w:control"))
            return wdInlineShapeOLEControlObject;
        const bool linked = attr(s.element.child("o:OLEObject"), "Type") == QLatin1String("Link")
                            || s.element.child("w:objectLink");
        return linked ? wdInlineShapeLinkedOLEObject : wdInlineShapeEmbeddedOLEObject;
    }
    if (is(s.shape, "wp:inline")) {
        const QString uri = graphicUri(s.shape);
        if (endsWith(uri, "/chart"))
            return wdInlineShapeChart;
        if (endsWith(uri, "/diagram"))
            return wdInlineShapeSmartArt;
        if (endsWith(uri, "/lockedCanvas") || endsWith(uri, "/wordprocessingCanvas"))
            return wdInlineShapeLockedCanvas;
        pugi::xml_node blip = graphicContent(s.shape).child("pic:blipFill").child("a:blip");
        if (blip && blip.attribute("r:link") && !blip.attribute("r:embed"))
            return wdInlineShapeLinkedPicture;
        return wdInlineShapePicture;
    }
    // VML.
    const bool hr = attr(s.shape, "o:hr") == QLatin1String("t") || attr(s.shape, "o:hr") == QLatin1String("true");
    pugi::xml_node image = s.shape.child("v:imagedata");
    if (hr)
        return image ? wdInlineShapePictureHorizontalLine : wdInlineShapeHorizontalLine;
    if (image && !image.attribute("r:id") && (image.attribute("o:href") || image.attribute("r:href")))
        return wdInlineShapeLinkedPicture;
    return wdInlineShapePicture;
}

int shapeType(const ShapeRef &s)
{
    if (is(s.element, "w:object") && !is(s.shape, "wp:anchor")) {
        if (s.element.child("w:control"))
            return msoOLEControlObject;
        return attr(s.element.child("o:OLEObject"), "Type") == QLatin1String("Link") ? msoLinkedOLEObject
                                                                                     : msoEmbeddedOLEObject;
    }
    if (is(s.shape, "wp:anchor")) {
        const QString uri = graphicUri(s.shape);
        const pugi::xml_node content = graphicContent(s.shape);
        if (endsWith(uri, "/picture")) {
            pugi::xml_node blip = content.child("pic:blipFill").child("a:blip");
            return blip.attribute("r:link") && !blip.attribute("r:embed") ? msoLinkedPicture : msoPicture;
        }
        if (endsWith(uri, "/wordprocessingShape"))
            return content.child("wps:txbx") ? msoTextBox : msoAutoShape;
        if (endsWith(uri, "/wordprocessingGroup"))
            return msoGroup;
        if (endsWith(uri, "/wordprocessingCanvas"))
            return msoCanvas;
        if (endsWith(uri, "/chart"))
            return msoChart;
        if (endsWith(uri, "/diagram"))
            return msoSmartArt;
        if (endsWith(uri, "/wordprocessingInk"))
            return msoInk;
        return msoAutoShape;
    }
    if (is(s.shape, "v:group"))
        return attr(s.shape, "o:editas") == QLatin1String("canvas") ? msoCanvas : msoGroup;
    if (is(s.shape, "v:line"))
        return msoLine;
    if (is(s.shape, "v:polyline") || is(s.shape, "v:curve"))
        return msoFreeform;
    if (s.shape.child("v:imagedata") || is(s.shape, "v:image"))
        return msoPicture;
    if (s.shape.child("v:textbox") || attr(s.shape, "o:spt") == QLatin1String("202"))
        return msoTextBox;
    return msoAutoShape;
}

QString alternativeText(const ShapeRef &s)
{
    if (is(s.shape, "wp:inline") || is(s.shape, "wp:anchor"))
        return attr(s.shape.child("wp:docPr"), "descr");
    return attr(s.shape, "alt");
}

void setAlternativeText(const ShapeRef &s, const QString &text)
{
    pugi::xml_node holder = is(s.shape, "wp:inline") || is(s.shape, "wp:anchor") ? s.shape.child("wp:docPr") : s.shape;
    const char *name = holder == s.shape ? "alt" : "descr";
    if (!holder)
        return;
    if (!holder.attribute(name))
        holder.append_attribute(name);
    holder.attribute(name).set_value(XmlUtf8(text).constData());
}

double width(const ShapeRef &s)
{
    if (pugi::xml_node ext = s.shape.child("wp:extent"))
        return QString::fromUtf8(ext.attribute("cx").value()).toDouble() / kEmuPerPoint;
    return vmlLength(vmlStyle(attr(s.shape, "style"), QStringLiteral("width")));
}

double height(const ShapeRef &s)
{
    if (pugi::xml_node ext = s.shape.child("wp:extent"))
        return QString::fromUtf8(ext.attribute("cy").value()).toDouble() / kEmuPerPoint;
    return vmlLength(vmlStyle(attr(s.shape, "style"), QStringLiteral("height")));
}

pugi::xml_node nonVisualProperties(pugi::xml_node item)
{
    for (pugi::xpath_node n : item.select_nodes("./*[local-name()='cNvPr'] | ./*/*[local-name()='cNvPr']"))
        return n.node();
    return pugi::xml_node();
}

int itemType(pugi::xml_node item)
{
    if (is(item, "pic:pic"))
        return msoPicture;
    if (is(item, "wpg:wgp"))
        return msoGroup;
    if (is(item, "wps:wsp"))
        return item.child("wps:txbx") ? msoTextBox : msoAutoShape;
    if (is(item, "v:line"))
        return msoLine;
    if (item.child("v:imagedata"))
        return msoPicture;
    return msoAutoShape;
}

// An offset of a floating shape: DrawingML's wp:position*, VML's margin or
// plain CSS position.
static double offset(const ShapeRef &s, const char *drawingElement, const char *margin, const char *css)
{
    if (is(s.shape, "wp:anchor"))
        return QString::fromUtf8(s.shape.child(drawingElement).child("wp:posOffset").text().get()).toDouble()
               / kEmuPerPoint;
    const QString style = attr(s.shape, "style");
    const QString v = vmlStyle(style, QString::fromLatin1(margin));
    return vmlLength(v.isEmpty() ? vmlStyle(style, QString::fromLatin1(css)) : v);
}

double left(const ShapeRef &s)
{
    return offset(s, "wp:positionH", "margin-left", "left");
}

double top(const ShapeRef &s)
{
    return offset(s, "wp:positionV", "margin-top", "top");
}

Hyperlink hyperlink(const ShapeRef &s, const Package &pkg, const QString &part)
{
    if (is(s.shape, "wp:inline") || is(s.shape, "wp:anchor")) {
        Hyperlink h = fromRelationship(s.shape.child("wp:docPr").child("a:hlinkClick"), pkg, part);
        if (!h.present)
            h = fromRelationship(nonVisualProperties(graphicContent(s.shape)).child("a:hlinkClick"), pkg, part);
        return h;
    }
    return fromVml(s.shape);
}

std::vector<CanvasItem> canvasItems(const ShapeRef &s, const Package &pkg, const QString &part)
{
    std::vector<CanvasItem> items;
    if (is(s.shape, "wp:inline") || is(s.shape, "wp:anchor")) {
        if (!endsWith(graphicUri(s.shape), "/wordprocessingCanvas"))
            return items;
        for (pugi::xml_node c : graphicContent(s.shape).children()) {
            if (c.type() != pugi::node_element || is(c, "wpc:bg") || is(c, "wpc:whole") || is(c, "wpc:extLst"))
                continue;
            CanvasItem item;
            item.node = c;
            const pugi::xml_node xfrm = xfrmOf(c);
            item.left = QString::fromUtf8(xfrm.child("a:off").attribute("x").value()).toDouble() / kEmuPerPoint;
            item.top = QString::fromUtf8(xfrm.child("a:off").attribute("y").value()).toDouble() / kEmuPerPoint;
            item.width = QString::fromUtf8(xfrm.child("a:ext").attribute("cx").value()).toDouble() / kEmuPerPoint;
            item.height = QString::fromUtf8(xfrm.child("a:ext").attribute("cy").value()).toDouble() / kEmuPerPoint;
            item.link = fromRelationship(nonVisualProperties(c).child("a:hlinkClick"), pkg, part);
            items.push_back(item);
        }
        return items;
    }
    if (!is(s.shape, "v:group") || attr(s.shape, "o:editas") != QLatin1String("canvas"))
        return items;
    // VML canvas: children are placed in the group's coordinate space.
    const QString style = attr(s.shape, "style");
    const double gw = vmlLength(vmlStyle(style, QStringLiteral("width")));
    const double gh = vmlLength(vmlStyle(style, QStringLiteral("height")));
    const QStringList size = attr(s.shape, "coordsize").split(QLatin1Char(','));
    const QStringList origin = attr(s.shape, "coordorigin").split(QLatin1Char(','));
    const double cw = size.size() == 2 && size[0].toDouble() > 0 ? size[0].toDouble() : 1000;
    const double ch = size.size() == 2 && size[1].toDouble() > 0 ? size[1].toDouble() : 1000;
    const double ox = origin.size() == 2 ? origin[0].toDouble() : 0;
    const double oy = origin.size() == 2 ? origin[1].toDouble() : 0;
    for (pugi::xml_node c : s.shape.children()) {
        if (!isVmlShape(c))
            continue;
        const QString cs = attr(c, "style");
        CanvasItem item;
        item.node = c;
        item.left = (vmlStyle(cs, QStringLiteral("left")).toDouble() - ox) * gw / cw;
        item.top = (vmlStyle(cs, QStringLiteral("top")).toDouble() - oy) * gh / ch;
        item.width = vmlStyle(cs, QStringLiteral("width")).toDouble() * gw / cw;
        item.height = vmlStyle(cs, QStringLiteral("height")).toDouble() * gh / ch;
        item.link = fromVml(c);
        items.push_back(item);
    }
    return items;
}

QString progIdOfClassId(const QString &classId)
{
    static const QHash<QString, QString> known = {
        {QStringLiteral("D27CDB6E-AE6D-11CF-96B8-444553540000"), QStringLiteral("ShockwaveFlash.ShockwaveFlash")},
        {QStringLiteral("D27CDB70-AE6D-11CF-96B8-444553540000"), QStringLiteral("ShockwaveFlash.FlashProp")},
        {QStringLiteral("6BF52A52-394A-11D3-B153-00C04F79FAA6"), QStringLiteral("WMPlayer.OCX.7")},
        {QStringLiteral("22D6F312-B0F6-11D0-94AB-0080C74C7E95"), QStringLiteral("MediaPlayer.MediaPlayer.1")},
        {QStringLiteral("D7053240-CE69-11CD-A777-00DD01143C57"), QStringLiteral("Forms.CommandButton.1")},
        {QStringLiteral("8BD21D10-EC42-11CE-9E0D-00AA006002F3"), QStringLiteral("Forms.TextBox.1")},
        {QStringLiteral("8BD21D20-EC42-11CE-9E0D-00AA006002F3"), QStringLiteral("Forms.ListBox.1")},
        {QStringLiteral("8BD21D30-EC42-11CE-9E0D-00AA006002F3"), QStringLiteral("Forms.ComboBox.1")},
        {QStringLiteral("8BD21D40-EC42-11CE-9E0D-00AA006002F3"), QStringLiteral("Forms.CheckBox.1")},
        {QStringLiteral("8BD21D50-EC42-11CE-9E0D-00AA006002F3"), QStringLiteral("Forms.OptionButton.1")},
        {QStringLiteral("8BD21D60-EC42-11CE-9E0D-00AA006002F3"), QStringLiteral("Forms.ToggleButton.1")},
        {QStringLiteral("978C9E23-D4B0-11CE-BF2D-00AA003F40D0"), QStringLiteral("Forms.Label.1")},
        {QStringLiteral("4C599241-6926-101B-9992-00000B65C6F9"), QStringLiteral("Forms.Image.1")},
        {QStringLiteral("79176FB0-B7F2-11CE-97EF-00AA006D2776"), QStringLiteral("Forms.SpinButton.1")},
        {QStringLiteral("DFD181E0-5E2F-11CE-A449-00AA004A803D"), QStringLiteral("Forms.ScrollBar.1")},
    };
    QString key = classId.trimmed().toUpper();
    if (key.startsWith(QLatin1Char('{')))
        key = key.mid(1);
    if (key.endsWith(QLatin1Char('}')))
        key.chop(1);
    return known.value(key);
}

OleControl oleControl(const ShapeRef &s, const Package &pkg, const QString &part)
{
    OleControl c;
    pugi::xml_node control = s.element.child("w:control");
    if (!control) {
        // An embedded object names its class itself.
        if (pugi::xml_node ole = s.element.child("o:OLEObject")) {
            c.present = true;
            c.classType = attr(ole, "ProgID");
        }
        return c;
    }
    c.present = true;
    c.name = attr(control, "w:name");
    const Relationship rel = pkg.relationship(part, attr(control, "r:id"));
    const pugi::xml_document *doc = rel.targetPart.isEmpty() ? nullptr : pkg.xml(rel.targetPart);
    if (!doc)
        return c;
    const pugi::xml_node ocx = doc->document_element();
    c.classId = attr(ocx, "ax:classid");
    c.classType = progIdOfClassId(c.classId);
    for (pugi::xml_node p : ocx.children("ax:ocxPr"))
        c.properties.insert(attr(p, "ax:name").toLower(), attr(p, "ax:value"));
    return c;
}

void remove(const ShapeRef &s)
{
    pugi::xml_node run = s.element.parent();
    run.remove_child(s.element);
    story::removeIfEmptyRun(run);
}

} // namespace word::shapes
