// The example project's Word document is the default input of the main job: it must
// stay a sound package and keep every construct that a help build reads from it.
#include "platform/Exception.h"
#include "platform/word/LibreOffice.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <pugixml.hpp>
#include <zip.h>

namespace {

const char *const kDocument = "examples/sample/SampleManual.docx";
const int kBodyLevel = 9; // outline level of paragraphs that are no heading

QString documentPath()
{
    return QDir(testsupport::sourceDir()).filePath(QString::fromLatin1(kDocument));
}

// Every part of a zip package by name; the error text names the file and the problem.
QMap<QString, QByteArray> readPackage(const QString &path, QString *error)
{
    QMap<QString, QByteArray> parts;
    int code = 0;
    std::unique_ptr<zip_t, int (*)(zip_t *)> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code), zip_close);
    if (!archive) {
        *error = QStringLiteral("%1: cannot open as a zip package (libzip error %2)").arg(path).arg(code);
        return parts;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> file(zip_fopen_index(archive.get(), i, 0), zip_fclose);
        if (zip_stat_index(archive.get(), i, 0, &st) != 0 || !file) {
            *error = QStringLiteral("%1: entry %2 cannot be read").arg(path).arg(i);
            return {};
        }
        QByteArray bytes(qsizetype(st.size), Qt::Uninitialized);
        if (zip_fread(file.get(), bytes.data(), st.size) != zip_int64_t(st.size)) {
            *error = QStringLiteral("%1: entry %2 is damaged").arg(path, QString::fromUtf8(st.name));
            return {};
        }
        parts.insert(QString::fromUtf8(st.name), bytes);
    }
    return parts;
}

QString attr(const pugi::xml_node &node, const char *name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

struct Field {
    QString code;
    int headingsBefore = 0; // headings met before the field began
};

struct StyleFacts {
    int level;     // outline level, kBodyLevel for body text
    QString numId; // list that numbers the paragraph; empty or "0" for none
};

struct Relationship {
    QString type;   // last segment of the relationship type
    QString target;
    bool external = false;
};

// What one walk over the document body finds.
struct DocumentFacts {
    QList<int> paragraphLevels; // outline level of every paragraph, in order
    QList<bool> headingNumbered; // per heading: whether Word puts a list number before it
    QList<Field> fields;
    QSet<QString> bookmarks;
    QSet<QString> headingBookmarks; // bookmarks that start inside a heading
    QStringList linkIds;            // r:id of w:hyperlink elements
    QStringList linkAnchors;        // w:anchor of w:hyperlink elements
    QStringList pictureDescriptions;
    QStringList pictureLinkIds;     // r:id of a:hlinkClick on a picture's wp:docPr
    QStringList imageIds;           // r:embed of a:blip
};

class ExampleDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(documentPath())) << documentPath().toStdString();
        QString error;
        parts = readPackage(documentPath(), &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_TRUE(parse("word/document.xml", document));
        ASSERT_TRUE(parse("word/styles.xml", styles));
        ASSERT_TRUE(parse("word/numbering.xml", numbering));
        pugi::xml_document rels;
        ASSERT_TRUE(parse("word/_rels/document.xml.rels", rels));
        for (pugi::xml_node rel : rels.child("Relationships").children("Relationship")) {
            const QString type = attr(rel, "Type");
            relationships.insert(attr(rel, "Id"),
                                 {type.mid(type.lastIndexOf(QLatin1Char('/')) + 1), attr(rel, "Target"),
                                  attr(rel, "TargetMode") == QLatin1String("External")});
        }
        readStyles();
        walk(document.child("w:document").child("w:body"), false);
    }

    bool parse(const char *name, pugi::xml_document &doc)
    {
        const QByteArray bytes = parts.value(QString::fromLatin1(name));
        const pugi::xml_parse_result result = doc.load_buffer(bytes.constData(), size_t(bytes.size()));
        EXPECT_TRUE(result) << name << ": " << result.description();
        return bool(result);
    }

    // Outline level and list of each paragraph style, following its basedOn chain.
    void readStyles()
    {
        QMap<QString, pugi::xml_node> byId;
        for (pugi::xml_node style : styles.child("w:styles").children("w:style")) {
            if (attr(style, "w:type") == QLatin1String("paragraph"))
                byId.insert(attr(style, "w:styleId"), style);
        }
        for (auto it = byId.cbegin(); it != byId.cend(); ++it) {
            StyleFacts facts{kBodyLevel, QString()};
            bool haveLevel = false, haveList = false;
            pugi::xml_node style = it.value();
            for (int depth = 0; style && depth < 20; ++depth) {
                const pugi::xml_node ppr = style.child("w:pPr");
                if (pugi::xml_node lvl = ppr.child("w:outlineLvl"); lvl && !haveLevel) {
                    facts.level = lvl.attribute("w:val").as_int(kBodyLevel);
                    haveLevel = true;
                }
                if (pugi::xml_node num = ppr.child("w:numPr").child("w:numId"); num && !haveList) {
                    facts.numId = attr(num, "w:val");
                    haveList = true;
                }
                style = byId.value(attr(style.child("w:basedOn"), "w:val"));
            }
            styleFacts.insert(it.key(), facts);
        }
    }

    StyleFacts paragraphStyle(const pugi::xml_node &p) const
    {
        const pugi::xml_node ppr = p.child("w:pPr");
        const QString style = attr(ppr.child("w:pStyle"), "w:val");
        StyleFacts facts = styleFacts.value(style.isEmpty() ? QStringLiteral("Normal") : style,
                                            StyleFacts{kBodyLevel, QString()});
        if (pugi::xml_node lvl = ppr.child("w:outlineLvl"))
            facts.level = lvl.attribute("w:val").as_int(kBodyLevel);
        if (pugi::xml_node num = ppr.child("w:numPr").child("w:numId"))
            facts.numId = attr(num, "w:val");
        return facts;
    }

    void walk(const pugi::xml_node &node, bool inHeading)
    {
        for (pugi::xml_node child : node.children()) {
            const QString name = QString::fromUtf8(child.name());
            bool heading = inHeading;
            if (name == QLatin1String("w:p")) {
                const StyleFacts style = paragraphStyle(child);
                facts.paragraphLevels.append(style.level);
                heading = style.level < kBodyLevel;
                if (heading) {
                    ++headingCount;
                    facts.headingNumbered.append(!style.numId.isEmpty() && style.numId != QLatin1String("0"));
                }
            } else if (name == QLatin1String("w:fldChar")) {
                const QString type = attr(child, "w:fldCharType");
                if (type == QLatin1String("begin"))
                    openFields.append({QString(), headingCount});
                else if (type == QLatin1String("end") && !openFields.isEmpty())
                    facts.fields.append(openFields.takeLast());
            } else if (name == QLatin1String("w:instrText") && !openFields.isEmpty()) {
                openFields.last().code += QString::fromUtf8(child.text().get());
            } else if (name == QLatin1String("w:fldSimple")) {
                facts.fields.append({attr(child, "w:instr"), headingCount});
            } else if (name == QLatin1String("w:bookmarkStart")) {
                facts.bookmarks.insert(attr(child, "w:name"));
                if (inHeading)
                    facts.headingBookmarks.insert(attr(child, "w:name"));
            } else if (name == QLatin1String("w:hyperlink")) {
                if (child.attribute("r:id"))
                    facts.linkIds.append(attr(child, "r:id"));
                if (child.attribute("w:anchor"))
                    facts.linkAnchors.append(attr(child, "w:anchor"));
            } else if (name == QLatin1String("wp:docPr")) {
                facts.pictureDescriptions.append(attr(child, "descr"));
                if (pugi::xml_node click = child.child("a:hlinkClick"))
                    facts.pictureLinkIds.append(attr(click, "r:id"));
            } else if (name == QLatin1String("a:blip")) {
                facts.imageIds.append(attr(child, "r:embed"));
            }
            walk(child, heading);
        }
    }

    QList<Field> fieldsOfType(const QString &type) const
    {
        QList<Field> found;
        for (const Field &f : facts.fields) {
            if (f.code.trimmed().section(QLatin1Char(' '), 0, 0).compare(type, Qt::CaseInsensitive) == 0)
                found.append(f);
        }
        return found;
    }

    QMap<QString, QByteArray> parts;
    pugi::xml_document document, styles, numbering;
    QMap<QString, Relationship> relationships;
    QMap<QString, StyleFacts> styleFacts;
    DocumentFacts facts;
    QList<Field> openFields;
    int headingCount = 0;
};

// The per-heading property field "Id=..;FileName=..;StaticVar=..;Omit=..": its settings by
// lower-case name, or an empty map when the code is an ordinary field.
QMap<QString, QString> propertySettings(const QString &code)
{
    QMap<QString, QString> settings;
    const QStringList items = code.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return {};
        settings.insert(item.left(eq).toLower(), item.mid(eq + 1));
    }
    return settings;
}

TEST_F(ExampleDocumentTest, PackageIsCompleteAndEveryXmlPartParses)
{
    pugi::xml_document types;
    ASSERT_TRUE(parse("[Content_Types].xml", types));
    QSet<QString> defaults, overrides;
    for (pugi::xml_node d : types.child("Types").children("Default"))
        defaults.insert(attr(d, "Extension").toLower());
    for (pugi::xml_node o : types.child("Types").children("Override"))
        overrides.insert(attr(o, "PartName"));

    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        const QString name = it.key();
        const QString ext = QFileInfo(name).suffix().toLower();
        EXPECT_TRUE(overrides.contains(QLatin1Char('/') + name) || defaults.contains(ext))
            << name.toStdString() << " has no content type";
        if (ext == QLatin1String("xml") || ext == QLatin1String("rels")) {
            pugi::xml_document doc;
            EXPECT_TRUE(doc.load_buffer(it.value().constData(), size_t(it.value().size())))
                << name.toStdString() << " is not well-formed";
        }
    }
    for (const char *required : {"_rels/.rels", "docProps/core.xml", "docProps/app.xml", "word/settings.xml",
                                 "word/fontTable.xml", "word/webSettings.xml"})
        EXPECT_TRUE(parts.contains(QString::fromLatin1(required))) << required;

    // Internal relationships point at parts that exist; pictures are real PNG files.
    for (const Relationship &rel : relationships) {
        if (rel.external)
            continue;
        const QString part = QStringLiteral("word/") + rel.target;
        ASSERT_TRUE(parts.contains(part)) << part.toStdString();
        if (rel.type == QLatin1String("image")) {
            EXPECT_TRUE(parts.value(part).startsWith("\x89PNG\r\n\x1a\n")) << part.toStdString();
        }
    }
}

TEST_F(ExampleDocumentTest, HeadingsSpanThreeLevelsAndSomeAreNumberedByWord)
{
    const QSet<int> levels(facts.paragraphLevels.cbegin(), facts.paragraphLevels.cend());
    EXPECT_TRUE(levels.contains(0) && levels.contains(1) && levels.contains(2));
    ASSERT_FALSE(facts.paragraphLevels.isEmpty());
    EXPECT_EQ(facts.paragraphLevels.first(), kBodyLevel) << "the title page comes before the first heading";

    // A heading with no text of its own: directly followed by a deeper heading.
    bool emptyBook = false;
    for (qsizetype i = 0; i + 1 < facts.paragraphLevels.size(); ++i) {
        const int here = facts.paragraphLevels[i], next = facts.paragraphLevels[i + 1];
        emptyBook = emptyBook || (here < kBodyLevel && next < kBodyLevel && next > here);
    }
    EXPECT_TRUE(emptyBook);

    // Some headings, not all, are numbered by Word.
    EXPECT_TRUE(facts.headingNumbered.contains(true));
    EXPECT_TRUE(facts.headingNumbered.contains(false));

    // The heading numbers come from a list whose levels name the heading styles.
    int linkedStyles = 0;
    for (auto it = styleFacts.cbegin(); it != styleFacts.cend(); ++it) {
        if (it->numId.isEmpty() || it->level == kBodyLevel)
            continue;
        const pugi::xml_node root = numbering.child("w:numbering");
        const pugi::xml_node num = root.find_child_by_attribute("w:num", "w:numId", it->numId.toUtf8().constData());
        ASSERT_TRUE(num) << "style " << it.key().toStdString() << " names a missing list";
        const pugi::xml_node abstract = root.find_child_by_attribute(
            "w:abstractNum", "w:abstractNumId", num.child("w:abstractNumId").attribute("w:val").value());
        for (pugi::xml_node lvl : abstract.children("w:lvl"))
            linkedStyles += attr(lvl.child("w:pStyle"), "w:val") == it.key();
    }
    EXPECT_GE(linkedStyles, 2) << "Heading 1 and Heading 2 carry Word's numbers";
}

TEST_F(ExampleDocumentTest, HoldsIndexEntriesCrossReferencesAndPropertyFields)
{
    bool subEntry = false;
    for (const Field &xe : fieldsOfType(QStringLiteral("XE"))) {
        const QStringList quoted = xe.code.split(QLatin1Char('"'));
        ASSERT_GE(quoted.size(), 3) << xe.code.toStdString();
        EXPECT_GT(xe.headingsBefore, 0) << "index entry before the first heading";
        subEntry = subEntry || quoted[1].contains(QLatin1Char(':'));
    }
    EXPECT_TRUE(subEntry) << "no index entry with a sub-entry";

    int linkedRefs = 0;
    for (const Field &ref : fieldsOfType(QStringLiteral("REF"))) {
        if (!ref.code.contains(QLatin1String("\\h")))
            continue;
        const QString bookmark = ref.code.trimmed().section(QLatin1Char(' '), 1, 1, QString::SectionSkipEmpty);
        EXPECT_TRUE(facts.headingBookmarks.contains(bookmark)) << bookmark.toStdString();
        ++linkedRefs;
    }
    EXPECT_GE(linkedRefs, 2);

    bool complete = false, omitted = false;
    for (const Field &f : facts.fields) {
        const QMap<QString, QString> settings = propertySettings(f.code);
        if (settings.isEmpty())
            continue;
        EXPECT_GT(f.headingsBefore, 0) << "property field before the first heading";
        complete = complete || (!settings.value(QStringLiteral("id")).isEmpty()
                                && !settings.value(QStringLiteral("filename")).isEmpty()
                                && !settings.value(QStringLiteral("staticvar")).isEmpty());
        omitted = omitted || settings.value(QStringLiteral("omit")).compare(QLatin1String("true"),
                                                                            Qt::CaseInsensitive) == 0;
    }
    EXPECT_TRUE(complete) << "no property field with Id, FileName and StaticVar";
    EXPECT_TRUE(omitted) << "no property field with Omit=true";
}

TEST_F(ExampleDocumentTest, HoldsPicturesAndLinksOfEveryKind)
{
    EXPECT_FALSE(facts.imageIds.isEmpty());
    for (const QString &id : facts.imageIds)
        EXPECT_EQ(relationships.value(id).type, QStringLiteral("image")) << id.toStdString();
    EXPECT_TRUE(std::any_of(facts.pictureDescriptions.cbegin(), facts.pictureDescriptions.cend(),
                            [](const QString &d) { return d.size() > 10; }))
        << "no picture with alternative text";

    ASSERT_FALSE(facts.pictureLinkIds.isEmpty()) << "no hyperlinked picture";
    for (const QString &id : facts.pictureLinkIds)
        EXPECT_EQ(relationships.value(id).type, QStringLiteral("hyperlink")) << id.toStdString();

    bool web = false, local = false;
    const QDir beside = QFileInfo(documentPath()).dir();
    for (const QString &id : facts.linkIds) {
        const Relationship rel = relationships.value(id);
        ASSERT_EQ(rel.type, QStringLiteral("hyperlink")) << id.toStdString();
        EXPECT_TRUE(rel.external) << rel.target.toStdString();
        if (rel.target.startsWith(QLatin1String("https://")) || rel.target.startsWith(QLatin1String("http://")))
            web = true;
        if (!rel.target.contains(QLatin1Char(':')) && !QDir::isAbsolutePath(rel.target)) {
            local = true;
            EXPECT_TRUE(QFileInfo(beside.filePath(rel.target)).isFile())
                << "linked file missing beside the document: " << rel.target.toStdString();
        }
    }
    EXPECT_TRUE(web) << "no link to the web";
    EXPECT_TRUE(local) << "no link to a local file";

    ASSERT_FALSE(facts.linkAnchors.isEmpty()) << "no link to a bookmark";
    for (const QString &anchor : facts.linkAnchors)
        EXPECT_TRUE(facts.bookmarks.contains(anchor)) << anchor.toStdString();
}

// The committed manual and its linked files are exactly what the generator writes, so an
// edit of the generator that was not run (or a hand edit of the package) is caught.
TEST(ExampleGeneratorTest, CommittedFilesMatchTheGeneratorOutput)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not installed";
    testsupport::ScratchDir scratch;
    QProcess generator;
    generator.setProcessChannelMode(QProcess::MergedChannels);
    generator.start(python, {QDir(testsupport::sourceDir()).filePath(QStringLiteral("examples/make-example-docx.py")),
                             scratch.path()});
    ASSERT_TRUE(generator.waitForFinished(120000)) << "generator did not finish";
    ASSERT_EQ(generator.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAll().toStdString();

    const char *const rerun = " differs from the generator's output: run examples/make-example-docx.py";
    const QDir committed = QFileInfo(documentPath()).dir();
    for (const char *name : {"files/quick-reference.txt", "files/release-notes.txt"}) {
        const QByteArray fresh = testsupport::readFile(scratch.file(QString::fromLatin1(name)));
        EXPECT_FALSE(fresh.isEmpty()) << name;
        EXPECT_TRUE(fresh == testsupport::readFile(committed.filePath(QString::fromLatin1(name)))) << name << rerun;
    }
    // Parts are compared uncompressed, pictures by name only: another zlib may compress differently.
    QString error;
    const QMap<QString, QByteArray> fresh = readPackage(scratch.file(QStringLiteral("SampleManual.docx")), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QMap<QString, QByteArray> stored = readPackage(documentPath(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(fresh.keys(), stored.keys()) << "package parts" << rerun;
    for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
        if (!it.key().startsWith(QLatin1String("word/media/"))) {
            EXPECT_TRUE(it.value() == stored.value(it.key())) << it.key().toStdString() << rerun;
        }
    }
}

// LibreOffice opens the manual as any document: Word's heading numbers, the lists, the
// table and the field results all come through.
TEST_F(ExampleDocumentTest, LibreOfficeReadsNumbersListsTablesAndFieldResults)
{
    if (!word::lo::IsAvailable())
        GTEST_SKIP() << "soffice not installed";
    testsupport::ScratchDir scratch;
    const QString txt = scratch.file(QStringLiteral("manual.txt"));
    try {
        word::lo::Convert(documentPath(), QStringLiteral("txt:Text"), txt, QStringLiteral("read the example"));
    } catch (const Exception &e) {
        FAIL() << e.what();
    }
    QStringList lines = QString::fromUtf8(testsupport::readFile(txt)).split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.remove(QChar(0xFEFF)).trimmed();

    const char *const expectedLines[] = {
        "Introduction", "1. Getting Started", "1.1. Installing", "2.2. Organizing Notes with Notebooks",
        "Tags and Colors", "4.2. Keyboard Shortcuts", "6. Internal Notes",
        "1. Download the installation package from the Tidewater Notes web site.",
        "\u2022 A 64-bit processor and 2 GB of memory", "Ctrl+Shift+N", "Figure 1: The main window"};
    for (const char *expected : expectedLines)
        EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
    const QString all = lines.join(QLatin1Char(' '));
    EXPECT_TRUE(all.contains(QLatin1String("see Installing."))) << "cross-reference result missing";
    EXPECT_FALSE(all.contains(QLatin1String("Omit=")) || all.contains(QLatin1String("XE \"")))
        << "field codes shown as text";
}

} // namespace
