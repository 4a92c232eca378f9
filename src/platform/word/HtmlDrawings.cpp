#include "platform/Exception.h"
#include "platform/LinkScheme.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/HtmlWriterPrivate.h"
#include "platform/word/HtmlXml.h"
#include "platform/word/Package.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QFile>
#include <QtDebug>
#include <algorithm>
#include <cmath>

namespace word::html {

namespace {

// The largest picture that Word shows, 22 inches, in pixels at 96 per inch.
// Extents read from a document are held to it: the page and the rendering
// of metafiles use them.
constexpr double kMaxPicturePx = 22 * 96;

int clampedPx(double px)
{
    return std::isnan(px) ? 0 : int(std::lround(std::clamp(px, 0.0, kMaxPicturePx)));
}

int emuToPx(qint64 emu)
{
    return clampedPx(emu / 9525.0);
}

// "position:absolute;width:20pt" -> the value of one named property of a
// VML style; empty when it has none.
QString vmlStyleValue(const QString &style, const QString &name)
{
    for (const QString &part : style.split(QLatin1Char(';')))
        if (part.section(QLatin1Char(':'), 0, 0).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return part.section(QLatin1Char(':'), 1).trimmed();
    return QString();
}

// "width:123.5pt;height:20pt" -> pixels of one named length of a VML style.
int vmlLengthPx(const QString &style, const QString &name)
{
    QString v = vmlStyleValue(style, name);
    if (!v.isEmpty()) {
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
        return ok ? clampedPx(d * factor) : 0;
    }
    return 0;
}

// Alternative text that carries one of the converter's markers (a shape's
// link or a canvas's image map) makes the shape a picture.
bool carriesMarker(const QString &alt)
{
    return alt.contains(QLatin1String("`@#^")) || alt.contains(QLatin1String("`$#!("));
}

// A link address that may stand in a page: script and data addresses are
// refused (empty), since a click on a picture would run or open them.
QString linkableHref(const QString &href)
{
    const QString scheme = LinkScheme(href);
    if (scheme == QLatin1String("javascript") || scheme == QLatin1String("vbscript") || scheme == QLatin1String("data"))
        return QString();
    return href;
}

// WordArt: a shape whose text follows a warped path.
bool isWordArt(pugi::xml_node wsp)
{
    pugi::xml_node warp = wsp.child("wps:bodyPr").child("a:prstTxWarp");
    return warp && std::strcmp(warp.attribute("prst").value(), "textNoShape") != 0;
}

// Something in a group or canvas that only a rendering shows: a drawn
// shape, WordArt, a chart or diagram.
bool holdsDrawnShapes(pugi::xml_node group)
{
    for (pugi::xpath_node n : group.select_nodes(".//wps:wsp | .//wpg:graphicFrame | .//wpc:graphicFrame"))
        if (std::strcmp(n.node().name(), "wps:wsp") != 0 || !n.node().child("wps:txbx") || isWordArt(n.node()))
            return true;
    return false;
}

bool isVmlShapeName(const char *name)
{
    static const char *const names[] = {"v:shape", "v:rect",     "v:oval",  "v:roundrect", "v:line",
                                        "v:group", "v:polyline", "v:curve", "v:arc",       "v:image"};
    for (const char *n : names)
        if (std::strcmp(name, n) == 0)
            return true;
    return false;
}

// A VML shape that only a rendering shows: neither a picture nor a text box.
bool isDrawnVmlShape(pugi::xml_node n)
{
    if (!isVmlShapeName(n.name()) || std::strcmp(n.name(), "v:group") == 0 || n.child("v:imagedata"))
        return false;
    return !n.child("v:textbox") || n.child("v:textpath");
}

// wrap: the wrap kind ("square", "tight", "through", "topAndBottom", "none");
// wrapText: the sides text takes ("bothSides", "left", "right", "largest");
// align: the frame's horizontal alignment, if any; centreTwips: the frame's
// middle from the left edge of the text column, used when it has no
// alignment; columnTwips: the width of that column.
Placement placementOf(const QString &wrap, const QString &wrapText, const QString &align, double centreTwips,
                      double columnTwips)
{
    Placement p;
    if (wrap != QLatin1String("square") && wrap != QLatin1String("tight") && wrap != QLatin1String("through")) {
        p.block = true;
        return p;
    }
    if (wrapText == QLatin1String("left"))
        p.side = QStringLiteral("right"); // text on its left only
    else if (wrapText == QLatin1String("right"))
        p.side = QStringLiteral("left");
    else if (align == QLatin1String("right") || align == QLatin1String("outside"))
        p.side = QStringLiteral("right");
    else if (align == QLatin1String("center"))
        p.side = QStringLiteral("center");
    else if (!align.isEmpty())
        p.side = QStringLiteral("left");
    else
        p.side = centreTwips > columnTwips / 2 ? QStringLiteral("right") : QStringLiteral("left");
    return p;
}

} // namespace

void Writer::placeFrame(qsizetype start, bool visibleBefore, const Placement &place)
{
    if (out_.size() == start)
        return;
    if (place.block) {
        if (visibleBefore)
            out_.insert(start, QLatin1String("<br clear=all>"));
        out_ += QLatin1String("<br clear=all>");
    } else if (!place.side.isEmpty()) {
        floated_ = true;
    }
}

// The text column of the section being written, in twips: its left edge on
// the page and its width.
std::pair<int, int> Writer::textColumnTwips() const
{
    const pugi::xml_node sect = sections_.value(sectionCount_ - 1);
    const pugi::xml_node mar = sect.child("w:pgMar");
    const int left = xml::twipsAttr(mar, "w:left", 1440);
    const int width = xml::twipsAttr(sect.child("w:pgSz"), "w:w", 12240) - left - xml::twipsAttr(mar, "w:right", 1440);
    return {left, std::max(width, 1)};
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

QString Writer::renderedDrawing(pugi::xml_node drawing, int w, int h)
{
    const QString src = addPictureFile(QByteArray(), QStringLiteral("png"), std::max(w, 1), std::max(h, 1), QString());
    pictures_.last().drawing = drawing;
    pictures_.last().drawingPart = part_;
    return src;
}

LinkTarget Writer::pictureLink(pugi::xml_node hlinkClick) const
{
    LinkTarget t;
    if (!hlinkClick)
        return t;
    if (std::strcmp(hlinkClick.name(), "a:hlinkClick") != 0) {
        // A VML shape's own attributes.
        t.href = xml::attr(hlinkClick, "href");
        t.target = xml::attr(hlinkClick, "target");
        t.title = xml::attr(hlinkClick, "title");
    } else {
        const QString id = xml::attr(hlinkClick, "r:id");
        if (!id.isEmpty())
            t.href = pkg_.relationship(part_, id).target;
        const QString location = xml::attr(hlinkClick, "location");
        if (!location.isEmpty() && !t.href.contains(QLatin1Char('#')))
            t.href += QLatin1Char('#') + location;
        t.title = xml::attr(hlinkClick, "tooltip");
        t.target = xml::attr(hlinkClick, "tgtFrame");
    }
    t.href = linkableHref(t.href);
    return t;
}

void Writer::writeImage(const QString &src, int w, int h, const QString &alt, const QString &align,
                        const LinkTarget *link)
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
    // Inside a text link the picture takes that link.
    const bool linked = link && !link->href.isEmpty() && !linkOpen_;
    if (linked)
        out_ += linkOpenTag(*link);
    out_ += tag;
    if (linked)
        out_ += QLatin1String("</a>");
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
    // Frames that text wraps around float to their side, in document order;
    // a centred text box stays centred (pictures have no centred alignment).
    QString align, boxAlign;
    const qsizetype start = out_.size();
    const bool visibleBefore = visible_;
    Placement place;
    if (anchored) {
        QString wrap, wrapText;
        for (pugi::xml_node c : frame.children())
            if (std::strncmp(c.name(), "wp:wrap", 7) == 0) {
                wrap = QString::fromUtf8(c.name() + 7); // "Square" -> "square"
                if (!wrap.isEmpty())
                    wrap[0] = wrap[0].toLower();
                wrapText = xml::attr(c, "wrapText");
            }
        pugi::xml_node posH = frame.child("wp:positionH");
        const auto [columnLeft, columnWidth] = textColumnTwips();
        double centre = posH.child("wp:posOffset").text().as_llong() / 635.0 + w * 7.5; // twips
        if (xml::attr(posH, "relativeFrom") == QLatin1String("page"))
            centre -= columnLeft;
        place = placementOf(wrap, wrapText, QString::fromUtf8(posH.child_value("wp:align")), centre, columnWidth);
        if (!place.block) {
            align = place.side == QLatin1String("right") ? QStringLiteral("right") : QStringLiteral("left");
            boxAlign = place.side;
        }
    }
    const auto placed = qScopeGuard([&] { placeFrame(start, visibleBefore, place); });
    pugi::xml_node data = frame.child("a:graphic").child("a:graphicData");
    // The first picture inside a shape, group or canvas, for shapes shown as pictures.
    auto firstBlip = [](pugi::xml_node n) {
        return n.select_node(".//a:blip").node();
    };
    // The frame's link, else the picture's own.
    LinkTarget link = pictureLink(docPr.child("a:hlinkClick"));
    if (pugi::xml_node pic = data.child("pic:pic")) {
        if (link.href.isEmpty())
            link = pictureLink(pic.child("pic:nvPicPr").child("pic:cNvPr").child("a:hlinkClick"));
        pugi::xml_node blip = pic.child("pic:blipFill").child("a:blip");
        QString src = imageFromRelationship(xml::attr(blip, "r:embed"), w, h);
        if (src.isEmpty())
            src = imageFromRelationship(xml::attr(blip, "r:link"), w, h);
        if (!src.isEmpty())
            writeImage(src, w, h, alt, align, &link);
        return;
    }
    pugi::xml_node shape = data.first_child();
    const QString kind = QString::fromUtf8(shape.name());
    // Effects beyond the frame (shadows, glow, rotation) are part of a rendering.
    pugi::xml_node effect = frame.child("wp:effectExtent");
    const int rw = w + emuToPx(std::max<qint64>(effect.attribute("l").as_llong(), 0))
                   + emuToPx(std::max<qint64>(effect.attribute("r").as_llong(), 0));
    const int rh = h + emuToPx(std::max<qint64>(effect.attribute("t").as_llong(), 0))
                   + emuToPx(std::max<qint64>(effect.attribute("b").as_llong(), 0));
    if (carriesMarker(alt)) {
        // A linked shape or a mapped canvas becomes one picture carrying its markers.
        QString src;
        if (pugi::xml_node blip = firstBlip(shape))
            src = imageFromRelationship(xml::attr(blip, "r:embed"), w, h);
        if (!src.isEmpty())
            writeImage(src, w, h, alt, align);
        else
            writeImage(renderedDrawing(drawing, rw, rh), rw, rh, alt, align);
        return;
    }
    const bool textBox = kind == QLatin1String("wps:wsp") && shape.child("wps:txbx") && !isWordArt(shape);
    const bool pictureGroup = (kind == QLatin1String("wpg:wgp") || kind == QLatin1String("wpc:wpc"))
                              && !holdsDrawnShapes(shape);
    if (!textBox && !pictureGroup) {
        // Charts, diagrams, WordArt, drawn shapes and groups holding them
        // are shown as Word shows them, rendered.
        writeImage(renderedDrawing(drawing, rw, rh), rw, rh, alt, align, &link);
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
    const DepthGuard guard(*this);
    for (pugi::xml_node n = container.first_child(); n; n = n.next_sibling()) {
        const QString name = QString::fromUtf8(n.name());
        if (!name.startsWith(QLatin1String("v:")))
            continue;
        const bool drawnGroup = name == QLatin1String("v:group")
                                && !n.find_node([](pugi::xml_node x) { return isDrawnVmlShape(x); }).empty();
        if (name == QLatin1String("v:group") && !drawnGroup && !carriesMarker(xml::attr(n, "alt"))) {
            writeVml(n);
            continue;
        }
        if (name == QLatin1String("v:shapetype") || name == QLatin1String("v:formulas"))
            continue;
        const QString style = xml::attr(n, "style");
        int w = vmlLengthPx(style, QStringLiteral("width"));
        int h = vmlLengthPx(style, QStringLiteral("height"));
        if (name == QLatin1String("v:line"))
            VmlLineSizePx(n, w, h);
        // A horizontal line (Insert > Horizontal Line) is a rule in HTML.
        const QString hr = xml::attr(n, "o:hr");
        if ((hr == QLatin1String("t") || hr == QLatin1String("true")) && !n.child("v:imagedata")) {
            flushRun();
            out_ += QLatin1String("<hr size=") + QString::number(std::max(h, 1))
                    + QLatin1String(" width=\"100%\" noshade align=center>");
            visible_ = true;
            continue;
        }
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
        const bool marked = carriesMarker(alt);
        // A marked shape, a drawn shape, WordArt or a group of drawn shapes
        // without a picture of its own is rendered; an embedded object or
        // control shows only the picture it carries.
        const bool object = std::strcmp(container.name(), "w:object") == 0;
        if (src.isEmpty() && (marked || drawnGroup || (isDrawnVmlShape(n) && !object)))
            src = renderedDrawing(n, w, h);
        const LinkTarget link = marked ? LinkTarget() : pictureLink(n);
        // A shape placed on the page (not one inside a group) stands among
        // the text as its wrapping says; without a wrapping it is in front
        // of or behind the text.
        Placement place;
        if (std::strcmp(container.name(), "w:pict") == 0
            && vmlStyleValue(style, QStringLiteral("position")) == QLatin1String("absolute")) {
            pugi::xml_node wrap = n.child("w10:wrap");
            const auto [columnLeft, columnWidth] = textColumnTwips();
            double centre = (vmlLengthPx(style, QStringLiteral("margin-left")) + w / 2.0) * 15;
            if (vmlStyleValue(style, QStringLiteral("mso-position-horizontal-relative")) == QLatin1String("page"))
                centre -= columnLeft;
            const QString side = xml::attr(wrap, "side");
            place = placementOf(wrap ? xml::attr(wrap, "type") : QStringLiteral("none"),
                                side == QLatin1String("both") ? QStringLiteral("bothSides") : side,
                                vmlStyleValue(style, QStringLiteral("mso-position-horizontal")), centre, columnWidth);
        }
        const QString align = place.side == QLatin1String("center") ? QStringLiteral("left") : place.side;
        const qsizetype start = out_.size();
        const bool visibleBefore = visible_;
        if (!src.isEmpty()) {
            writeImage(src, w, h, alt, align, &link);
        } else if (pugi::xml_node txbx = n.child("v:textbox").child("w:txbxContent")) {
            writeTextBox(txbx, w, place.side, xml::attr(n, "stroked") != QLatin1String("f")
                                                  && xml::attr(n, "stroked") != QLatin1String("false"));
        }
        placeFrame(start, visibleBefore, place);
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
    QList<DrawingJob> drawingJobs;
    QList<int> drawingPicture;
    auto writeBytes = [&](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
            throw Exception(QStringLiteral("Cannot write the file \"%1\": %2.")
                                .arg(QDir::toNativeSeparators(path), f.errorString()));
    };
    for (int i = 0; i < pictures_.size(); ++i) {
        Picture &pic = pictures_[i];
        if (pic.drawing) {
            drawingJobs << DrawingJob{pic.drawing, pic.drawingPart, pic.w, pic.h,
                                      folder + QLatin1Char('/') + pic.name};
            drawingPicture << i;
            continue;
        }
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
    const QList<bool> rendered = RenderDrawingsToPng(pkg_, drawingJobs, &error);
    for (int j = 0; j < drawingJobs.size(); ++j) {
        if (rendered[j])
            continue;
        // Not rendered: the drawing keeps its place and size as an outline.
        const Picture &pic = pictures_[drawingPicture[j]];
        qWarning().noquote() << "Drawing" << pic.name << "could not be rendered:" << error;
        writeBytes(drawingJobs[j].output, PlainPng(pic.w, pic.h, 0, 0xFF000000u));
    }
}

} // namespace word::html
