#include "platform/DocxBuilder.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace testsupport {

QByteArray DocxBuilder::namespaces()
{
    return "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
           "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
           "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
           "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\" "
           "xmlns:v=\"urn:schemas-microsoft-com:vml\" "
           "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
           "xmlns:w10=\"urn:schemas-microsoft-com:office:word\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
           "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
           "xmlns:wpg=\"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup\" "
           "xmlns:wpc=\"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas\" "
           "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
           "xmlns:wp14=\"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing\"";
}

QByteArray DocxBuilder::defaultStyles()
{
    QByteArray s = "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>";
    for (int n = 1; n <= 9; ++n)
        s += "<w:style w:type=\"paragraph\" w:styleId=\"Heading" + QByteArray::number(n)
             + "\"><w:name w:val=\"heading " + QByteArray::number(n)
             + "\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"" + QByteArray::number(n - 1)
             + "\"/></w:pPr></w:style>";
    s += "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/>"
         "<w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>";
    return s;
}

DocxBuilder &DocxBuilder::body(const QByteArray &bodyXml)
{
    document_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document " + namespaces()
                + "><w:body>" + bodyXml + "</w:body></w:document>";
    return *this;
}

DocxBuilder &DocxBuilder::documentXml(const QByteArray &xml)
{
    document_ = xml;
    return *this;
}

DocxBuilder &DocxBuilder::styles(const QByteArray &stylesInner)
{
    styles_ = stylesInner;
    hasStyles_ = true;
    return *this;
}

DocxBuilder &DocxBuilder::relationship(const QString &id, const QString &type, const QString &target, bool external)
{
    rels_ << Rel{id, type, target, external};
    return *this;
}

DocxBuilder &DocxBuilder::part(const QString &name, const QByteArray &bytes, const QString &contentType)
{
    parts_ << Part{name, bytes, contentType};
    return *this;
}

DocxBuilder &DocxBuilder::omit(const QString &name)
{
    omitted_ << name;
    return *this;
}

void DocxBuilder::write(const QString &path) const
{
    const QByteArray stylesXml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:styles "
                                 + namespaces() + ">" + (hasStyles_ ? styles_ : defaultStyles()) + "</w:styles>";
    QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                       "<Default Extension=\"png\" ContentType=\"image/png\"/>"
                       "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
                       "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                       "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
                       "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>";
    for (const Part &p : parts_)
        if (!p.contentType.isEmpty())
            types += "<Override PartName=\"/" + p.name.toUtf8() + "\" ContentType=\"" + p.contentType.toUtf8() + "\"/>";
    types += "</Types>";
    const QByteArray rootRels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"word/document.xml\"/></Relationships>";
    QByteArray docRels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                         "<Relationship Id=\"rIdStyles\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                         "2006/relationships/styles\" Target=\"styles.xml\"/>";
    for (const Rel &r : rels_)
        docRels += "<Relationship Id=\"" + r.id.toUtf8() + "\" Type=\"" + r.type.toUtf8() + "\" Target=\""
                   + r.target.toUtf8() + "\"" + (r.external ? " TargetMode=\"External\"" : "") + "/>";
    docRels += "</Relationships>";

    QList<Part> all{{QStringLiteral("[Content_Types].xml"), types, {}},
                    {QStringLiteral("_rels/.rels"), rootRels, {}},
                    {QStringLiteral("word/document.xml"),
                     document_.isEmpty() ? QByteArray("<w:document " + namespaces() + "><w:body/></w:document>")
                                         : document_,
                     {}},
                    {QStringLiteral("word/_rels/document.xml.rels"), docRels, {}},
                    {QStringLiteral("word/styles.xml"), stylesXml, {}}};
    all += parts_;

    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(z, nullptr) << "cannot create " << path.toStdString();
    for (const Part &p : all) {
        if (omitted_.contains(p.name))
            continue;
        zip_source_t *src = zip_source_buffer(z, p.bytes.constData(), zip_uint64_t(p.bytes.size()), 0);
        ASSERT_NE(src, nullptr);
        ASSERT_GE(zip_file_add(z, p.name.toUtf8().constData(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(z), 0) << zip_strerror(z);
}

} // namespace testsupport
