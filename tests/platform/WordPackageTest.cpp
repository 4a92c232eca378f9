#include "platform/DocxBuilder.h"
#include "platform/word/Package.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>
#include <zip.h>

using testsupport::DocxBuilder;
using testsupport::ScratchDir;
using word::Package;
using word::PackageError;

namespace {

QString openError(const QString &path, const Package::Limits &limits = Package::Limits())
{
    try {
        Package::Open(path, limits);
    } catch (const PackageError &e) {
        return e.message();
    }
    return QString();
}

// A zip holding the given entries, without any of the builder's parts.
void writeZip(const QString &path, const QList<QPair<QString, QByteArray>> &entries)
{
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(z, nullptr);
    for (const auto &e : entries) {
        zip_source_t *src = zip_source_buffer(z, e.second.constData(), zip_uint64_t(e.second.size()), 0);
        ASSERT_GE(zip_file_add(z, e.first.toUtf8().constData(), src, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

struct ZipEntry {
    QByteArray name;  // as stored in the entry's headers
    QByteArray data;
    QByteArray unicodeName; // a Unicode-path extra field naming it so, when not empty
};

quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A zip of stored entries written byte by byte, as no library would: names
// twice, and names given again in a Unicode-path field.
QByteArray handMadeZip(const QList<ZipEntry> &entries)
{
    auto u16 = [](QByteArray &out, quint16 v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](QByteArray &out, quint32 v) { u16(out, quint16(v & 0xFFFF)); u16(out, quint16(v >> 16)); };
    QByteArray zip, directory;
    for (const ZipEntry &e : entries) {
        QByteArray extra;
        if (!e.unicodeName.isEmpty()) {
            u16(extra, 0x7075);
            u16(extra, quint16(5 + e.unicodeName.size()));
            extra.append(char(1));
            u32(extra, crc32Of(e.name));
            extra += e.unicodeName;
        }
        const quint32 crc = crc32Of(e.data);
        const quint32 offset = quint32(zip.size());
        QByteArray common;
        u16(common, 0);  // flags
        u16(common, 0);  // stored
        u32(common, 0);  // time and date
        u32(common, crc);
        u32(common, quint32(e.data.size()));
        u32(common, quint32(e.data.size()));
        u16(common, quint16(e.name.size()));
        u16(common, quint16(extra.size()));
        u32(zip, 0x04034b50);
        u16(zip, 20);
        zip += common + e.name + extra + e.data;
        u32(directory, 0x02014b50);
        u16(directory, 20);
        u16(directory, 20);
        directory += common;
        u16(directory, 0); // comment
        u16(directory, 0); // disk
        u16(directory, 0);
        u32(directory, 0);
        u32(directory, offset);
        directory += e.name + extra;
    }
    const quint32 at = quint32(zip.size());
    zip += directory;
    u32(zip, 0x06054b50);
    u32(zip, 0);
    u16(zip, quint16(entries.size()));
    u16(zip, quint16(entries.size()));
    u32(zip, quint32(directory.size()));
    u32(zip, at);
    u16(zip, 0);
    return zip;
}

} // namespace

TEST(WordPackage, NamespacesAreResolvedByUriNotPrefix)
{
    ScratchDir dir;
    // The writer chose its own prefixes and a default namespace.
    DocxBuilder()
        .documentXml("<?xml version=\"1.0\"?><doc:document "
                     "xmlns:doc=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                     "<doc:body><p xmlns=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                     "<r><t xml:space=\"preserve\"> </t></r></p></doc:body></doc:document>")
        .write(dir.file("ns.docx"));
    auto pkg = Package::Open(dir.file("ns.docx"));
    pugi::xml_node body = pkg->xml(pkg->mainDocumentPart())->document_element().child("w:body");
    ASSERT_TRUE(body);
    pugi::xml_node t = body.child("w:p").child("w:r").child("w:t");
    ASSERT_TRUE(t);
    EXPECT_STREQ(t.text().get(), " "); // a lone blank is kept
    EXPECT_STREQ(t.attribute("xml:space").value(), "preserve");
}

TEST(WordPackage, AlternateContentTakesUnderstoodChoiceElseFallback)
{
    ScratchDir dir;
    DocxBuilder()
        .body("<w:p><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:r><w:t>choice</w:t></w:r></mc:Choice>"
              "<mc:Fallback><w:r><w:t>fallback</w:t></w:r></mc:Fallback></mc:AlternateContent></w:p>"
              "<w:p><mc:AlternateContent xmlns:x9=\"urn:unknown\"><mc:Choice Requires=\"x9\"><w:r><w:t>new</w:t>"
              "</w:r></mc:Choice><mc:Fallback><w:r><w:t>old</w:t></w:r></mc:Fallback></mc:AlternateContent></w:p>")
        .write(dir.file("ac.docx"));
    auto pkg = Package::Open(dir.file("ac.docx"));
    pugi::xml_node body = pkg->xml(QStringLiteral("word/document.xml"))->document_element().child("w:body");
    pugi::xml_node p1 = body.child("w:p");
    EXPECT_STREQ(p1.child("w:r").child("w:t").text().get(), "choice");
    EXPECT_FALSE(p1.child("mc:AlternateContent"));
    EXPECT_STREQ(p1.next_sibling("w:p").child("w:r").child("w:t").text().get(), "old");
}

TEST(WordPackage, PartsRelationshipsAndContentTypes)
{
    ScratchDir dir;
    DocxBuilder()
        .body("<w:p/>")
        .relationship("rIdImg", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image",
                      "media/a%20b.png")
        .relationship("rIdLink", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink",
                      "http://example.com/", true)
        .part("word/media/a b.png", QByteArray("\x89PNG\r\n", 6))
        .write(dir.file("p.docx"));
    auto pkg = Package::Open(dir.file("p.docx"));
    EXPECT_EQ(pkg->mainDocumentPart(), "word/document.xml");
    EXPECT_TRUE(pkg->hasPart("/WORD/Document.xml"));
    const word::Relationship img = pkg->relationship("word/document.xml", "rIdImg");
    EXPECT_EQ(img.targetPart, "word/media/a b.png");
    EXPECT_EQ(pkg->bytes(img.targetPart), QByteArray("\x89PNG\r\n", 6));
    EXPECT_EQ(pkg->contentType(img.targetPart), "image/png");
    const word::Relationship link = pkg->relationship("word/document.xml", "rIdLink");
    EXPECT_TRUE(link.external);
    EXPECT_TRUE(link.targetPart.isEmpty());
    EXPECT_EQ(pkg->relationshipByType("word/document.xml", word::reltype::Styles).targetPart, "word/styles.xml");
    // Lookups follow every change of the relationships after they were read.
    const QString added = pkg->addRelationship("word/document.xml", word::reltype::Image, "media/new.png");
    EXPECT_EQ(pkg->relationship("word/document.xml", added).targetPart, "word/media/new.png");
    pkg->addRelationship("word/document.xml", word::reltype::Styles, "other.xml");
    EXPECT_EQ(pkg->relationshipByType("word/document.xml", word::reltype::Styles).targetPart, "word/styles.xml");
    // A copy shares nothing with its original.
    std::unique_ptr<Package> copy = pkg->clone();
    copy->addRelationship("word/document.xml", word::reltype::Image, "media/copy.png");
    copy->xml("word/document.xml")->document_element().child("w:body").append_child("w:p");
    copy->setBytes("word/media/a b.png", "changed", "image/png");
    EXPECT_EQ(copy->relationships("word/document.xml").size(), pkg->relationships("word/document.xml").size() + 1);
    EXPECT_EQ(pkg->bytes("word/media/a b.png"), QByteArray("\x89PNG\r\n", 6));
    EXPECT_TRUE(pkg->bytes("word/document.xml").contains("<w:body><w:p/></w:body>"));
    EXPECT_TRUE(copy->bytes("word/document.xml").contains("<w:body><w:p/><w:p/></w:body>"));
    pkg->removeRelationship("word/document.xml", "rIdImg");
    EXPECT_TRUE(pkg->relationship("word/document.xml", "rIdImg").id.isEmpty());
    pkg->xml("word/_rels/document.xml.rels")->document_element().first_child().attribute("Id").set_value("rIdEdited");
    EXPECT_EQ(pkg->relationships("word/document.xml").first().id, "rIdEdited");
    EXPECT_EQ(pkg->relationship("word/document.xml", "rIdEdited").id, "rIdEdited");
    EXPECT_EQ(Package::resolveTarget("word/document.xml", "../customXml/item1.xml"), "customXml/item1.xml");
    EXPECT_EQ(Package::resolveTarget("word/document.xml", "/word/x.xml"), "word/x.xml");
}

TEST(WordPackage, SaveWritesEditsAndNewPartsBack)
{
    ScratchDir dir;
    DocxBuilder().body("<w:p><w:r><w:t>old</w:t></w:r></w:p>").write(dir.file("in.docx"));
    auto pkg = Package::Open(dir.file("in.docx"));
    pkg->xml("word/document.xml")->document_element().child("w:body").child("w:p").child("w:r").child("w:t")
        .text().set("new");
    pkg->setBytes("word/media/x.bin", "abc", "application/octet-stream");
    const QString id = pkg->addRelationship("word/document.xml", word::reltype::Image, "media/x.bin");
    pkg->Save(dir.file("out.docx"));

    auto again = Package::Open(dir.file("out.docx"));
    EXPECT_STREQ(again->xml("word/document.xml")->document_element().child("w:body").child("w:p")
                     .child("w:r").child("w:t").text().get(),
                 "new");
    EXPECT_EQ(again->bytes("word/media/x.bin"), "abc");
    EXPECT_EQ(again->contentType("word/media/x.bin"), "application/octet-stream");
    EXPECT_EQ(again->relationship("word/document.xml", id).targetPart, "word/media/x.bin");
    // The saved XML declares the canonical namespaces on its root.
    const QByteArray xml = again->bytes("word/document.xml");
    EXPECT_TRUE(xml.contains("xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""));
    // Package parts keep their own default namespaces.
    EXPECT_TRUE(again->bytes("[Content_Types].xml")
                    .contains("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\""));
    EXPECT_TRUE(again->bytes("_rels/.rels")
                    .contains("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\""));
}

TEST(WordPackage, DamagedPackagesAreRefusedNamingFileAndProblem)
{
    ScratchDir dir;
    testsupport::writeFile(dir.file("text.docx"), "just some text, not a zip");
    EXPECT_TRUE(openError(dir.file("text.docx")).contains("text.docx"));
    EXPECT_TRUE(openError(dir.file("text.docx")).contains("not a zip"));

    DocxBuilder().body("<w:p/>").write(dir.file("good.docx"));
    const QByteArray good = testsupport::readFile(dir.file("good.docx"));
    testsupport::writeFile(dir.file("cut.docx"), good.left(good.size() / 2));
    EXPECT_FALSE(openError(dir.file("cut.docx")).isEmpty());

    DocxBuilder().body("<w:p/>").omit("[Content_Types].xml").write(dir.file("noct.docx"));
    EXPECT_TRUE(openError(dir.file("noct.docx")).contains("[Content_Types].xml"));
    DocxBuilder().body("<w:p/>").omit("word/document.xml").write(dir.file("nodoc.docx"));
    EXPECT_TRUE(openError(dir.file("nodoc.docx")).contains("word/document.xml"));

    DocxBuilder().documentXml("<w:document xmlns:w=\"x\"><w:body>").write(dir.file("broken.docx"));
    EXPECT_TRUE(openError(dir.file("broken.docx")).contains("not well-formed"));

    // Entity declarations are refused rather than expanded.
    DocxBuilder()
        .documentXml("<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
                     "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                     "<w:body><w:p><w:r><w:t>&b;</w:t></w:r></w:p></w:body></w:document>")
        .write(dir.file("dtd.docx"));
    EXPECT_TRUE(openError(dir.file("dtd.docx")).contains("document type declaration"));

    // Elements nested without end.
    DocxBuilder()
        .documentXml("<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                     + QByteArray(100000, 'x').replace("x", "<a>") + "</w:document>")
        .write(dir.file("deep.docx"));
    EXPECT_FALSE(openError(dir.file("deep.docx")).isEmpty());
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<w:sdt><w:sdtContent>";
    for (int i = 0; i < 5000; ++i)
        deep += "</w:sdtContent></w:sdt>";
    DocxBuilder().body(deep).write(dir.file("deep2.docx"));
    EXPECT_TRUE(openError(dir.file("deep2.docx")).contains("too deeply"));

    // A compound file holding an encrypted package.
    QByteArray ole = QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(500, '\0')
                     + QByteArray("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28);
    testsupport::writeFile(dir.file("locked.docx"), ole);
    EXPECT_TRUE(openError(dir.file("locked.docx")).contains("encrypted"));

    EXPECT_TRUE(openError(dir.file("missing.docx")).contains("does not exist"));
    testsupport::writeFile(dir.file("empty.docx"), QByteArray());
    EXPECT_TRUE(openError(dir.file("empty.docx")).contains("empty"));
}

// Damaged size, count and position fields of the zip directory: the message
// says what is wrong with which file, never a stray system error text.
TEST(WordPackage, DamagedZipFieldsAreDescribed)
{
    ScratchDir dir;
    DocxBuilder().body("<w:p><w:r><w:t>text</w:t></w:r></w:p>").write(dir.file("good.docx"));
    const QByteArray good = testsupport::readFile(dir.file("good.docx"));
    const qsizetype end = good.lastIndexOf("PK\x05\x06");
    // The main part's entry in the zip directory (its name follows 46 bytes of fields).
    const qsizetype mainEntry = good.indexOf("word/document.xml", good.indexOf("PK\x01\x02")) - 46;
    ASSERT_GT(end, 0);
    ASSERT_TRUE(good.mid(mainEntry, 4) == "PK\x01\x02");
    const auto patched = [&](qsizetype at, quint32 value, int bytes) {
        QByteArray copy = good;
        for (int i = 0; i < bytes; ++i)
            copy[at + i] = char((value >> (8 * i)) & 0xFF);
        return copy;
    };
    const struct {
        const char *name;
        QByteArray bytes;
        const char *problem;
    } cases[] = {
        {"count.docx", patched(end + 10, 0xFFFF, 2), "its zip directory is damaged"},
        {"dirsize.docx", patched(end + 12, 0x7FFFFFFF, 4), "its zip directory is damaged"},
        {"offset.docx", patched(mainEntry + 42, 0xFFFFFF, 4), "its zip directory is damaged"},
        {"crc.docx", patched(mainEntry + 16, 0x12345678, 4), "its data does not match its checksum"},
    };
    for (const auto &c : cases) {
        testsupport::writeFile(dir.file(c.name), c.bytes);
        const QString message = openError(dir.file(c.name));
        EXPECT_TRUE(message.startsWith(QStringLiteral("The document \"%1\"").arg(dir.file(c.name)))) << message.toStdString();
        EXPECT_TRUE(message.contains(QLatin1String(c.problem))) << message.toStdString();
        EXPECT_FALSE(message.contains(QLatin1String("No such file")) || message.contains(QLatin1String("Success")))
            << message.toStdString();
    }
}

TEST(WordPackage, EncryptedZipEntriesAreRefused)
{
    ScratchDir dir;
    DocxBuilder().body("<w:p/>").write(dir.file("plain.docx"));
    // Re-encrypt the main part with a zip password.
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(dir.file("plain.docx")).constData(), 0, &err);
    ASSERT_NE(z, nullptr);
    const zip_int64_t index = zip_name_locate(z, "word/document.xml", 0);
    ASSERT_GE(index, 0);
    if (zip_file_set_encryption(z, zip_uint64_t(index), ZIP_EM_AES_256, "secret") != 0) {
        zip_discard(z);
        GTEST_SKIP() << "this libzip cannot encrypt";
    }
    ASSERT_EQ(zip_close(z), 0);
    EXPECT_TRUE(openError(dir.file("plain.docx")).contains("encrypted"));
}

TEST(WordPackage, DecompressedSizeIsLimited)
{
    ScratchDir dir;
    DocxBuilder().body("<w:p/>").part("word/media/big.bin", QByteArray(4 * 1024 * 1024, 'x')).write(dir.file("big.docx"));
    Package::Limits limits;
    limits.maxPartSize = 1024 * 1024;
    const QString error = openError(dir.file("big.docx"), limits);
    EXPECT_TRUE(error.contains("too large")) << error.toStdString();
    limits.maxPartSize = 8 * 1024 * 1024;
    limits.maxTotalSize = 2 * 1024 * 1024;
    EXPECT_TRUE(openError(dir.file("big.docx"), limits).contains("too large"));
}

// A small package whose XML unpacks into more elements than the memory
// budget holds is refused before any tree is built.
TEST(WordPackage, ElementCountIsLimited)
{
    ScratchDir dir;
    DocxBuilder().body(QByteArray("<w:p/>").repeated(5000)).write(dir.file("many.docx"));
    Package::Limits limits;
    limits.maxMarkup = 1000;
    const QString error = openError(dir.file("many.docx"), limits);
    EXPECT_TRUE(error.contains("many.docx") && error.contains("more than 1000 XML tags")) << error.toStdString();
    limits.maxMarkup = 10000;
    EXPECT_EQ(openError(dir.file("many.docx"), limits), QString());
}

TEST(WordPackage, EntryNamesNeverLeaveThePackage)
{
    ScratchDir dir;
    // Relationship targets climbing out of the package resolve inside it.
    EXPECT_EQ(Package::resolveTarget("word/document.xml", "../../../../etc/passwd"), "etc/passwd");
    writeZip(dir.file("odd.docx"), {{"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
                                    {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                                    "<Relationship Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                                    "Target=\"../../doc.xml\"/></Relationships>"},
                                    {"doc.xml", "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"/>"}});
    auto pkg = Package::Open(dir.file("odd.docx"));
    EXPECT_EQ(pkg->mainDocumentPart(), "doc.xml");
    // A main part that is no XML at all.
    writeZip(dir.file("bin.docx"), {{"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
                                    {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                                    "<Relationship Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                                    "Target=\"doc.bin\"/></Relationships>"},
                                    {"doc.bin", "<w:document/>"}});
    EXPECT_TRUE(openError(dir.file("bin.docx")).contains("not an XML part"));
}

// A package with two entries for one part is read one way here and another
// way by LibreOffice (which renders the PDF): it is refused, naming the
// document and the part, whether the name comes twice, in another case or
// with other separators, or a second time in a Unicode-path field.
TEST(WordPackage, DuplicatePartNamesAreRefused)
{
    ScratchDir dir;
    DocxBuilder().body("<w:p><w:r><w:t>Shown</w:t></w:r></w:p>").write(dir.file("good.docx"));
    QList<ZipEntry> parts;
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(dir.file("good.docx")).constData(), ZIP_RDONLY, &err);
    ASSERT_NE(z, nullptr);
    QByteArray hidden;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), '\0');
        zip_file_t *f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        parts.append({QByteArray(st.name), data, {}});
        if (parts.last().name == "word/document.xml")
            hidden = QByteArray(data).replace("Shown", "Hidden");
    }
    zip_close(z);
    testsupport::writeFile(dir.file("plain.docx"), handMadeZip(parts));
    EXPECT_EQ(openError(dir.file("plain.docx")), QString()); // the hand-made zip itself is sound

    const QList<QPair<const char *, ZipEntry>> seconds{
        {"twice.docx", {"word/document.xml", hidden, {}}},
        {"variant.docx", {"/Word\\Document.XML", hidden, {}}},
        {"unicode.docx", {"word/other.xml", hidden, "word/document.xml"}},
    };
    for (const auto &[name, second] : seconds) {
        testsupport::writeFile(dir.file(name), handMadeZip(QList<ZipEntry>{second} + parts));
        const QString message = openError(dir.file(name));
        EXPECT_TRUE(message.startsWith(QStringLiteral("The document \"%1\" cannot be opened").arg(dir.file(name))))
            << name << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("word/document.xml\" twice"), Qt::CaseInsensitive))
            << name << ": " << message.toStdString();
    }
}

// A large part of the program's own work is parsed where its bytes lie and
// written to the zip while it is serialised: the saved part holds what its
// serialisation whole gives, and a large part that is no XML stays damaged,
// named, on every reading. A document from elsewhere keeps such a part as
// it came when it is saved again.
TEST(WordPackage, LargePartsAreReadInPlaceAndStreamedWhenSaved)
{
    ScratchDir dir;
    QByteArray body;
    for (int k = 0; body.size() < 17 * 1024 * 1024; ++k)
        body += "<w:p><w:r><w:t xml:space=\"preserve\">Paragraph " + QByteArray::number(k)
                + " &amp; more text of a long document </w:t></w:r></w:p>";
    const QByteArray broken = "<x>" + QByteArray(17 * 1024 * 1024, 'a');
    DocxBuilder().body(body).part("word/big.xml", broken, "application/xml").write(dir.file("in.docx"));
    auto savedPart = [&](const char *part) {
        int err = 0;
        zip_t *z = zip_open(QFile::encodeName(dir.file("out.docx")).constData(), ZIP_RDONLY, &err);
        zip_stat_t st;
        if (!z || zip_stat(z, part, 0, &st) != 0)
            return QByteArray("(missing)");
        QByteArray saved(qsizetype(st.size), '\0');
        zip_file_t *f = zip_fopen(z, part, 0);
        saved.resize(qsizetype(f ? zip_fread(f, saved.data(), st.size) : 0));
        if (f)
            zip_fclose(f);
        zip_discard(z);
        return saved;
    };
    auto readBroken = [](Package &pkg) {
        try {
            pkg.xml("word/big.xml");
            ADD_FAILURE() << "a part that is no XML was read";
        } catch (const PackageError &e) {
            EXPECT_TRUE(e.message().contains("word/big.xml") && e.message().contains("not well-formed"))
                << e.message().toStdString();
        }
    };

    auto own = Package::Open(dir.file("in.docx"), Package::Limits::OwnWork());
    own->Save(dir.file("out.docx"));
    const QByteArray whole = own->bytes("word/document.xml");
    EXPECT_GT(whole.size(), 17 * 1024 * 1024);
    EXPECT_EQ(savedPart("word/document.xml"), whole);
    readBroken(*own);
    readBroken(*own);

    auto foreign = Package::Open(dir.file("in.docx"));
    readBroken(*foreign);
    foreign->Save(dir.file("out.docx"));
    EXPECT_TRUE(savedPart("word/big.xml") == broken);
}
