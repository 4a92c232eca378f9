#include "platform/word/HtmlPictures.h"

#include "platform/Exception.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Package.h"
#include "platform/word/Shapes.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPointF>
#include <QRegularExpression>
#include <QSet>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace word {

namespace {

quint32 crc32(const QByteArray &data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (char b : data)
        c = table[(c ^ quint8(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendBE32(QByteArray &out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

void appendChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    appendBE32(out, quint32(data.size()));
    QByteArray body = QByteArray(type, 4) + data;
    out += body;
    appendBE32(out, crc32(body));
}

quint32 be32(const QByteArray &b, int at)
{
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16)
           | (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

QString inches(int px)
{
    return QString::number(std::max(px, 10) / 96.0, 'f', 4) + QLatin1String("in");
}

} // namespace

QByteArray PlainPng(int width, int height, quint32 fill, quint32 frame)
{
    width = std::clamp(width, 1, 4000);
    height = std::clamp(height, 1, 4000);
    QByteArray raw;
    raw.reserve((width * 4 + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.append('\0'); // no filter
        for (int x = 0; x < width; ++x) {
            const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            const quint32 c = edge && (frame >> 24) ? frame : fill;
            raw.append(char(c >> 16)).append(char(c >> 8)).append(char(c)).append(char(c >> 24));
        }
    }
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    appendBE32(ihdr, quint32(width));
    appendBE32(ihdr, quint32(height));
    ihdr.append(char(8)).append(char(6)).append('\0').append('\0').append('\0'); // 8-bit RGBA
    appendChunk(png, "IHDR", ihdr);
    appendChunk(png, "IDAT", qCompress(raw).mid(4)); // qCompress prefixes the length
    appendChunk(png, "IEND", QByteArray());
    return png;
}

bool ImagePixelSize(const QByteArray &b, int &width, int &height)
{
    if (b.size() >= 24 && b.startsWith("\x89PNG")) {
        width = int(be32(b, 16));
        height = int(be32(b, 20));
        return true;
    }
    if (b.size() >= 10 && (b.startsWith("GIF87a") || b.startsWith("GIF89a"))) {
        width = quint8(b[6]) | (quint8(b[7]) << 8);
        height = quint8(b[8]) | (quint8(b[9]) << 8);
        return true;
    }
    if (b.size() >= 4 && quint8(b[0]) == 0xFF && quint8(b[1]) == 0xD8) {
        int i = 2;
        while (i + 9 < b.size()) {
            if (quint8(b[i]) != 0xFF) {
                ++i;
                continue;
            }
            const int marker = quint8(b[i + 1]);
            const int len = (quint8(b[i + 2]) << 8) | quint8(b[i + 3]);
            const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
                             && marker != 0xCC;
            if (sof) {
                height = (quint8(b[i + 5]) << 8) | quint8(b[i + 6]);
                width = (quint8(b[i + 7]) << 8) | quint8(b[i + 8]);
                return true;
            }
            if (len < 2)
                return false;
            i += 2 + len;
        }
    }
    return false;
}

QList<bool> ConvertMetafilesToPng(const QList<MetafileJob> &jobs, QString *error)
{
    QList<bool> done(jobs.size(), false);
    if (jobs.isEmpty())
        return done;
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/qc-metafiles-XXXXXX"));
    if (pdftoppm.isEmpty() || !scratch.isValid()) {
        if (error)
            *error = QStringLiteral("The program \"pdftoppm\" was not found; it is needed to convert "
                                    "EMF and WMF pictures.");
        return done;
    }
    // One page per picture, each page exactly the picture's size.
    QByteArray styles, masters, body;
    auto side = [](int px) { return std::clamp(px, 1, kMaxMetafilePx); };
    for (int i = 0; i < jobs.size(); ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray w = inches(side(jobs[i].widthPx)).toLatin1(), h = inches(side(jobs[i].heightPx)).toLatin1();
        styles += "<style:page-layout style:name=\"pl" + n + "\"><style:page-layout-properties fo:page-width=\""
                  + w + "\" fo:page-height=\"" + h
                  + "\" fo:margin-top=\"0in\" fo:margin-bottom=\"0in\" fo:margin-left=\"0in\" "
                    "fo:margin-right=\"0in\"/></style:page-layout>"
                    "<style:style style:name=\"P" + n + "\" style:family=\"paragraph\" style:master-page-name=\"M"
                  + n + "\"><style:paragraph-properties fo:line-height=\"0.01in\"/>"
                        "<style:text-properties fo:font-size=\"1pt\"/></style:style>";
        masters += "<style:master-page style:name=\"M" + n + "\" style:page-layout-name=\"pl" + n + "\"/>";
        body += "<text:p text:style-name=\"P" + n + "\"><draw:frame draw:style-name=\"fr\" "
                "text:anchor-type=\"paragraph\" svg:x=\"0in\" svg:y=\"0in\" svg:width=\"" + w
                + "\" svg:height=\"" + h + "\"><draw:image><office:binary-data>" + jobs[i].bytes.toBase64()
                + "</office:binary-data></draw:image></draw:frame></text:p>";
    }
    const QByteArray fodt =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
        "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
        "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
        "office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.text\">"
        "<office:automatic-styles><style:style style:name=\"fr\" style:family=\"graphic\">"
        "<style:graphic-properties style:wrap=\"none\" style:vertical-pos=\"top\" "
        "style:vertical-rel=\"page\" style:horizontal-pos=\"left\" style:horizontal-rel=\"page\" "
        "fo:border=\"none\" fo:padding=\"0in\"/></style:style>"
        + styles + "</office:automatic-styles><office:master-styles>" + masters
        + "</office:master-styles><office:body><office:text>" + body
        + "</office:text></office:body></office:document>";
    const QString fodtPath = scratch.filePath(QStringLiteral("pictures.fodt"));
    const QString pdfPath = scratch.filePath(QStringLiteral("pictures.pdf"));
    {
        QFile f(fodtPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(fodt) != fodt.size()) {
            if (error)
                *error = QStringLiteral("Cannot write \"%1\".").arg(fodtPath);
            return done;
        }
    }
    try {
        lo::Convert(fodtPath, QStringLiteral("pdf"), pdfPath,
                    QStringLiteral("convert EMF and WMF pictures"));
    } catch (const Exception &e) {
        if (error)
            *error = e.message();
        return done;
    }
    for (int i = 0; i < jobs.size(); ++i) {
        const QString prefix = scratch.filePath(QStringLiteral("page%1").arg(i));
        QProcess p;
        p.start(pdftoppm, {QStringLiteral("-png"), QStringLiteral("-singlefile"),
                           QStringLiteral("-f"), QString::number(i + 1), QStringLiteral("-l"),
                           QString::number(i + 1), QStringLiteral("-scale-to-x"),
                           QString::number(side(jobs[i].widthPx)), QStringLiteral("-scale-to-y"),
                           QString::number(side(jobs[i].heightPx)), pdfPath, prefix});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            p.kill();
            p.waitForFinished();
            continue;
        }
        QFile::remove(jobs[i].output);
        done[i] = QFile::copy(prefix + QStringLiteral(".png"), jobs[i].output);
    }
    return done;
}

namespace {

// Margin of a line's picture on each side, in points (two pixels).
constexpr double kLineMarginPt = 1.5;

QPointF vmlPoint(const QString &value)
{
    return QPointF(shapes::vmlLength(value.section(QLatin1Char(','), 0, 0).trimmed()),
                   shapes::vmlLength(value.section(QLatin1Char(','), 1, 1).trimmed()));
}

// Moves a VML line so that it starts at the margin of its page.
void placeLineAtPageCorner(pugi::xml_node line)
{
    const QPointF a = vmlPoint(QString::fromUtf8(line.attribute("from").value()));
    const QPointF b = vmlPoint(QString::fromUtf8(line.attribute("to").value()));
    const QPointF shift(std::min(a.x(), b.x()) - kLineMarginPt, std::min(a.y(), b.y()) - kLineMarginPt);
    auto text = [](QPointF p) {
        return (QString::number(p.x(), 'f', 2) + QLatin1String("pt,") + QString::number(p.y(), 'f', 2)
                + QLatin1String("pt"))
            .toUtf8();
    };
    line.attribute("from").set_value(text(a - shift).constData());
    line.attribute("to").set_value(text(b - shift).constData());
}

// Gives the drawing copied into the rendering document relationships of its
// own part: ids from another part (a header, the notes) are added to the
// main part under new ids.
void remapRelationships(pugi::xml_node n, const Package &source, const QString &fromPart, Package &copy,
                        const QString &mainPart, QHash<QString, QString> &added)
{
    for (pugi::xml_attribute a : n.attributes()) {
        const char *name = a.name();
        if (std::strncmp(name, "r:", 2) != 0 && std::strcmp(name, "o:relid") != 0)
            continue;
        const QString id = QString::fromUtf8(a.value());
        const QString key = fromPart + QLatin1Char('#') + id;
        QString newId = added.value(key);
        if (newId.isEmpty()) {
            const Relationship rel = source.relationship(fromPart, id);
            if (rel.id.isEmpty())
                continue;
            const QString folder = mainPart.left(std::max<qsizetype>(mainPart.lastIndexOf(QLatin1Char('/')), 0));
            const QString target = rel.external ? rel.target
                                                : QDir(QLatin1Char('/') + folder)
                                                      .relativeFilePath(QLatin1Char('/') + rel.targetPart);
            newId = copy.addRelationship(mainPart, rel.type, target, rel.external);
            added.insert(key, newId);
        }
        a.set_value(newId.toUtf8().constData());
    }
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            remapRelationships(c, source, fromPart, copy, mainPart, added);
}

qint64 emuAttr(pugi::xml_node n, const char *name)
{
    return std::max<qint64>(n.attribute(name).as_llong(), 0);
}

// Replaces the drawing's inline or anchored frame with one anchored at the
// page's top left corner, shifted by the effects that reach beyond it.
void placeAtPageCorner(pugi::xml_node drawing)
{
    pugi::xml_node frame = drawing.child("wp:inline");
    if (!frame)
        frame = drawing.child("wp:anchor");
    if (!frame)
        return;
    pugi::xml_node effect = frame.child("wp:effectExtent");
    pugi::xml_node anchor = drawing.insert_child_before("wp:anchor", frame);
    for (const char *a : {"distT", "distB", "distL", "distR", "simplePos"})
        anchor.append_attribute(a) = "0";
    anchor.append_attribute("relativeHeight") = "1";
    anchor.append_attribute("behindDoc") = "0";
    anchor.append_attribute("locked") = "0";
    anchor.append_attribute("layoutInCell") = "1";
    anchor.append_attribute("allowOverlap") = "1";
    pugi::xml_node simple = anchor.append_child("wp:simplePos");
    simple.append_attribute("x") = "0";
    simple.append_attribute("y") = "0";
    const std::pair<const char *, qint64> positions[] = {{"wp:positionH", emuAttr(effect, "l")},
                                                         {"wp:positionV", emuAttr(effect, "t")}};
    for (const auto &[element, offset] : positions) {
        pugi::xml_node pos = anchor.append_child(element);
        pos.append_attribute("relativeFrom") = "page";
        pos.append_child("wp:posOffset").text().set(QByteArray::number(offset).constData());
    }
    anchor.append_copy(frame.child("wp:extent"));
    if (effect)
        anchor.append_copy(effect);
    anchor.append_child("wp:wrapNone");
    for (const char *child : {"wp:docPr", "wp:cNvGraphicFramePr", "a:graphic"})
        if (pugi::xml_node c = frame.child(child))
            anchor.append_copy(c);
    drawing.remove_child(frame);
}

// A VML shape's style placed at the page's top left corner; its size,
// rotation and flips stay.
QString vmlStyleAtPageCorner(const QString &style)
{
    static const QRegularExpression placing(
        QStringLiteral("^(position|margin-left|margin-top|left|top|z-index|mso-position-.*|mso-wrap-.*)$"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList kept{QStringLiteral("position:absolute"), QStringLiteral("margin-left:0"),
                     QStringLiteral("margin-top:0"), QStringLiteral("mso-position-horizontal-relative:page"),
                     QStringLiteral("mso-position-vertical-relative:page")};
    for (const QString &part : style.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!placing.match(part.section(QLatin1Char(':'), 0, 0).trimmed()).hasMatch())
            kept << part.trimmed();
    return kept.join(QLatin1Char(';'));
}

// Copies into holder the shape types that a VML shape and its children
// refer to ("#_x0000_t202"), from wherever the part defines them.
void copyShapeTypes(pugi::xml_node shape, pugi::xml_node holder, QSet<QString> &copied)
{
    const pugi::xml_node root = shape.root();
    for (pugi::xpath_node n : shape.select_nodes("descendant-or-self::*[@type]")) {
        QString type = QString::fromUtf8(n.node().attribute("type").value());
        if (!type.startsWith(QLatin1Char('#')))
            continue;
        type.remove(0, 1);
        if (copied.contains(type))
            continue;
        copied.insert(type);
        const QByteArray id = type.toUtf8();
        if (pugi::xml_node t = root.find_node([&](pugi::xml_node x) {
                return std::strcmp(x.name(), "v:shapetype") == 0 && id == x.attribute("id").value();
            }))
            holder.append_copy(t);
    }
}

QString findProgram(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

int pdfPageCount(const QString &pdf)
{
    const QString pdfinfo = findProgram("pdfinfo");
    if (pdfinfo.isEmpty())
        return -1;
    QProcess p;
    p.start(pdfinfo, {pdf});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    static const QRegularExpression pages(QStringLiteral("(?m)^Pages:\\s*(\\d+)"));
    const QRegularExpressionMatch m = pages.match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

void VmlLineSizePx(pugi::xml_node line, int &width, int &height)
{
    const QPointF a = vmlPoint(QString::fromUtf8(line.attribute("from").value()));
    const QPointF b = vmlPoint(QString::fromUtf8(line.attribute("to").value()));
    width = int(std::lround((std::abs(b.x() - a.x()) + 2 * kLineMarginPt) * 96 / 72));
    height = int(std::lround((std::abs(b.y() - a.y()) + 2 * kLineMarginPt) * 96 / 72));
}

QList<bool> RenderDrawingsToPng(const Package &package, const QList<DrawingJob> &jobs, QString *error)
{
    QList<bool> done(jobs.size(), false);
    if (jobs.isEmpty())
        return done;
    auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return done;
    };
    const QString pdftoppm = findProgram("pdftoppm");
    if (pdftoppm.isEmpty())
        return fail(QStringLiteral("The program \"pdftoppm\" was not found; it is needed to render charts "
                                   "and drawings."));
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/qc-drawings-XXXXXX"));
    if (!scratch.isValid())
        return fail(QStringLiteral("Cannot create a scratch folder in \"%1\".").arg(QDir::tempPath()));
    const QString docxPath = scratch.filePath(QStringLiteral("drawings.docx"));
    const QString pdfPath = scratch.filePath(QStringLiteral("drawings.pdf"));
    try {
        // A copy of the package keeps the charts, diagrams, pictures and
        // themes that the drawings refer to; its body is replaced.
        package.Save(docxPath);
        std::unique_ptr<Package> copy = Package::Open(docxPath);
        const QString mainPart = copy->mainDocumentPart();
        pugi::xml_document *doc = copy->xml(mainPart);
        pugi::xml_node root = doc ? doc->document_element() : pugi::xml_node();
        if (!root)
            return fail(QStringLiteral("The document has no main part."));
        while (pugi::xml_node b = root.child("w:body"))
            root.remove_child(b);
        pugi::xml_node body = root.append_child("w:body");
        QHash<QString, QString> added;
        for (int i = 0; i < jobs.size(); ++i) {
            const DrawingJob &job = jobs[i];
            pugi::xml_node p = body.append_child("w:p");
            pugi::xml_node pPr = p.append_child("w:pPr");
            pugi::xml_node spacing = pPr.append_child("w:spacing");
            spacing.append_attribute("w:before") = "0";
            spacing.append_attribute("w:after") = "0";
            spacing.append_attribute("w:line") = "20";
            spacing.append_attribute("w:lineRule") = "exact";
            pPr.append_child("w:rPr").append_child("w:sz").append_attribute("w:val") = "2";
            // Each drawing ends a section whose page is the drawing's size.
            pugi::xml_node sectPr = i + 1 < jobs.size() ? pPr.append_child("w:sectPr") : pugi::xml_node();
            pugi::xml_node r = p.append_child("w:r");
            r.append_child("w:rPr").append_child("w:sz").append_attribute("w:val") = "2";
            pugi::xml_node copied;
            if (std::strcmp(job.drawing.name(), "w:drawing") == 0) {
                copied = r.append_copy(job.drawing);
                placeAtPageCorner(copied);
            } else {
                pugi::xml_node pict = r.append_child("w:pict");
                QSet<QString> types;
                copyShapeTypes(job.drawing, pict, types);
                copied = pict.append_copy(job.drawing);
                if (std::strcmp(copied.name(), "v:line") == 0)
                    placeLineAtPageCorner(copied);
                if (!copied.attribute("style"))
                    copied.append_attribute("style");
                copied.attribute("style").set_value(
                    vmlStyleAtPageCorner(QString::fromUtf8(copied.attribute("style").value())).toUtf8().constData());
            }
            if (job.part != mainPart)
                remapRelationships(r, package, job.part, *copy, mainPart, added);
            if (!sectPr)
                sectPr = body.append_child("w:sectPr");
            pugi::xml_node size = sectPr.append_child("w:pgSz");
            size.append_attribute("w:w") = QByteArray::number(std::max(job.widthPx, 16) * 15).constData();
            size.append_attribute("w:h") = QByteArray::number(std::max(job.heightPx, 16) * 15).constData();
            pugi::xml_node margins = sectPr.append_child("w:pgMar");
            for (const char *m : {"w:top", "w:right", "w:bottom", "w:left", "w:header", "w:footer", "w:gutter"})
                margins.append_attribute(m) = "0";
        }
        copy->Save(docxPath);
        lo::Convert(docxPath, QStringLiteral("pdf"), pdfPath, QStringLiteral("render charts and drawings"));
    } catch (const Exception &e) {
        return fail(e.message());
    }
    // Pages that do not match the drawings one to one would give pictures
    // of the wrong drawings.
    const int pages = pdfPageCount(pdfPath);
    if (pages >= 0 && pages != jobs.size())
        return fail(QStringLiteral("LibreOffice laid out %1 pages for %2 drawings.").arg(pages).arg(jobs.size()));
    for (int i = 0; i < jobs.size(); ++i) {
        const QString prefix = scratch.filePath(QStringLiteral("drawing%1").arg(i));
        QProcess p;
        p.start(pdftoppm, {QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-f"),
                           QString::number(i + 1), QStringLiteral("-l"), QString::number(i + 1),
                           QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-x"), QStringLiteral("0"),
                           QStringLiteral("-y"), QStringLiteral("0"), QStringLiteral("-W"),
                           QString::number(std::max(jobs[i].widthPx, 1)), QStringLiteral("-H"),
                           QString::number(std::max(jobs[i].heightPx, 1)), pdfPath, prefix});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            p.kill();
            p.waitForFinished();
            if (error)
                *error = QStringLiteral("pdftoppm could not render page %1.").arg(i + 1);
            continue;
        }
        QFile::remove(jobs[i].output);
        done[i] = QFile::copy(prefix + QStringLiteral(".png"), jobs[i].output);
    }
    return done;
}

} // namespace word
