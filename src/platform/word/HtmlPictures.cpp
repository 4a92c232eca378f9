#include "platform/word/HtmlPictures.h"

#include "platform/Exception.h"
#include "platform/word/LibreOffice.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <array>

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

} // namespace word
