#include "platform/Exception.h"
#include "platform/word/LibreOffice.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <zip.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>
#include <vector>

using testsupport::ScratchDir;

namespace {

// Writes a minimal .docx: one paragraph per (style, text) pair, with the
// styles "Heading1" and "Heading2" defined as outline levels 1 and 2.
void writeDocx(const QString &path, const std::vector<std::pair<QString, QString>> &paragraphs)
{
    QByteArray body;
    for (const auto &[style, text] : paragraphs) {
        body += "<w:p>";
        if (!style.isEmpty())
            body += "<w:pPr><w:pStyle w:val=\"" + style.toUtf8() + "\"/></w:pPr>";
        body += "<w:r><w:t>" + text.toUtf8() + "</w:t></w:r></w:p>";
    }
    const QByteArray ns = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    auto heading = [](const char *id, const char *name, const char *level) {
        return QByteArray("<w:style w:type=\"paragraph\" w:styleId=\"") + id + "\"><w:name w:val=\""
            + name + "\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"" + level
            + "\"/></w:pPr><w:rPr><w:b/></w:rPr></w:style>";
    };
    const std::vector<std::pair<const char *, QByteArray>> parts = {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
         "<Override PartName=\"/word/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
         "</Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
         "</Relationships>"},
        {"word/_rels/document.xml.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
         "</Relationships>"},
        {"word/styles.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:styles " + ns + ">"
             "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
             + heading("Heading1", "heading 1", "0") + heading("Heading2", "heading 2", "1")
             + "</w:styles>"},
        {"word/document.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document " + ns + "><w:body>"
             + body + "</w:body></w:document>"},
    };
    QDir().mkpath(QFileInfo(path).absolutePath());
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    // The buffers live in parts until zip_close has written them.
    for (const auto &[name, data] : parts) {
        zip_source_t *src = zip_source_buffer(zip, data.constData(), data.size(), 0);
        ASSERT_NE(src, nullptr);
        ASSERT_GE(zip_file_add(zip, name, src, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

// Heading titles of a PDF's outline, depth first, indented by level.
QStringList outlineTitles(const QString &pdf)
{
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(QFile::encodeName(pdf).constData());
    QStringList titles;
    std::function<void(std::vector<QPDFOutlineObjectHelper>, int)> walk =
        [&](std::vector<QPDFOutlineObjectHelper> items, int depth) {
            for (auto &item : items) {
                titles << QString(depth * 2, QLatin1Char(' ')) + QString::fromStdString(item.getTitle());
                walk(item.getKids(), depth + 1);
            }
        };
    QPDFOutlineDocumentHelper outlines(q);
    walk(outlines.getTopLevelOutlines(), 0);
    return titles;
}

QString zipEntryText(const QString &path, const char *entry)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return QString();
    QByteArray data;
    if (zip_file_t *file = zip_fopen(zip, entry, 0)) {
        char buffer[4096];
        zip_int64_t n;
        while ((n = zip_fread(file, buffer, sizeof buffer)) > 0)
            data.append(buffer, n);
        zip_fclose(file);
    }
    zip_discard(zip);
    return QString::fromUtf8(data);
}

// Writes an executable shell script standing in for soffice.
QString fakeProgram(const ScratchDir &dir, const QByteArray &script)
{
    const QString path = dir.file(QStringLiteral("bin/fake-soffice"));
    testsupport::writeFile(path, "#!/bin/sh\n" + script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Restores the bridge's settings after each test.
class LibreOfficeTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        word::lo::SetProgram(QString());
        word::lo::SetTimeoutMs(0);
    }
    void requireSoffice()
    {
        if (!word::lo::IsAvailable())
            GTEST_SKIP() << "soffice not installed";
    }
    // Calls f and returns the message of the Exception it throws.
    static QString messageOf(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const Exception &e) {
            return e.message();
        }
        ADD_FAILURE() << "no exception";
        return QString();
    }
    ScratchDir scratch;
};

} // namespace

TEST_F(LibreOfficeTest, ExportsPdfWithHeadingBookmarksUnderUnusualNames)
{
    requireSoffice();
    const QString folder = scratch.file(QStringLiteral("it's a \"folder\" with spaces"));
    const QString docx = folder + QStringLiteral("/R\u00e9sum\u00e9 \u2013 \u6587\u6863 $HOME;*.docx");
    writeDocx(docx, {{"Heading1", "Alpha"}, {"", "Body text"}, {"Heading2", "Alpha one"},
                     {"Heading1", "Beta"}});
    const QString pdf = folder + QStringLiteral("/out put/\u00fcbersicht -x.pdf");
    word::lo::ConvertDocxToPdf(docx, pdf);

    EXPECT_TRUE(testsupport::readFile(pdf).startsWith("%PDF-"));
    EXPECT_EQ(outlineTitles(pdf), QStringList({"Alpha", "  Alpha one", "Beta"}));
    // Nothing but the input and the output is left in the user's folders.
    QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, QStringList({QFileInfo(docx).fileName(), "out put"}));
}

TEST_F(LibreOfficeTest, RoundTripsThroughDocAndRunsConversionsAtOnce)
{
    requireSoffice();
    const QString docx = scratch.file(QStringLiteral("src/topic.docx"));
    writeDocx(docx, {{"Heading1", "Installing"}, {"", "Run the setup program."}});

    // Two PDF exports and a .doc save of one document, all at the same time:
    // each has its own profile, so none waits for or disturbs another.
    QString errors[3];
    auto guarded = [&errors](int i, std::function<void()> work) {
        return std::thread([&errors, i, work] {
            try {
                work();
            } catch (const Exception &e) {
                errors[i] = e.message();
            }
        });
    };
    std::vector<std::thread> threads;
    threads.push_back(guarded(0, [&] { word::lo::ConvertDocxToPdf(docx, scratch.file("a.pdf")); }));
    threads.push_back(guarded(1, [&] { word::lo::ConvertDocxToPdf(docx, scratch.file("b.pdf")); }));
    threads.push_back(guarded(2, [&] { word::lo::ConvertDocxToDoc(docx, scratch.file("doc/topic.doc")); }));
    for (auto &t : threads)
        t.join();
    for (const QString &error : errors)
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(outlineTitles(scratch.file("a.pdf")), QStringList({"Installing"}));
    EXPECT_EQ(outlineTitles(scratch.file("b.pdf")), QStringList({"Installing"}));

    const QString back = word::lo::ConvertToDocx(scratch.file("doc/topic.doc"), scratch.file("back"));
    EXPECT_EQ(back, scratch.file("back/topic.docx"));
    EXPECT_TRUE(zipEntryText(back, "word/document.xml").contains("Run the setup program."));
}

TEST_F(LibreOfficeTest, CorpusDocFilesConvertOrAreRefusedClearly)
{
    requireSoffice();
    QC_REQUIRE_CORPUS("doc");
    const QDir corpus(testsupport::corpusDir("doc"));
    const QStringList files = corpus.entryList({"*.doc"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    word::lo::SetTimeoutMs(120000);

    // A handful of workers share the files, so the corpus takes seconds, not minutes.
    std::vector<QString> results(files.size());
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 5; ++w) {
        workers.emplace_back([&] {
            for (int i = next++; i < files.size(); i = next++) {
                try {
                    const QString out = word::lo::ConvertToDocx(
                        corpus.filePath(files[i]), scratch.file(QString::number(i)));
                    results[i] = testsupport::readFile(out).startsWith("PK\x03\x04") ? "docx" : "bad";
                } catch (const Exception &e) {
                    results[i] = e.message();
                }
            }
        });
    }
    for (auto &w : workers)
        w.join();

    int converted = 0;
    for (int i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].toStdString());
        if (results[i] == "docx") {
            ++converted;
            continue;
        }
        // A refusal names the file and says what went wrong.
        EXPECT_TRUE(results[i].contains(files[i])) << results[i].toStdString();
        EXPECT_FALSE(results[i].contains("within")) << "timed out: " << results[i].toStdString();
    }
    // The empty file is refused, whatever LibreOffice would make of it.
    const int empty = files.indexOf("Bug61268.doc");
    if (empty >= 0) {
        EXPECT_TRUE(results[empty].contains("is empty")) << results[empty].toStdString();
    }
    EXPECT_GE(converted, files.size() / 2);
}

TEST_F(LibreOfficeTest, MissingSofficeGivesClearMessageAndWritesNothing)
{
    const QString docx = scratch.file("doc.docx");
    testsupport::writeFile(docx, "PK\x03\x04 not really a document");

    word::lo::SetProgram(scratch.file("nowhere/soffice"));
    EXPECT_FALSE(word::lo::IsAvailable());
    const QString message = messageOf([&] { word::lo::ConvertDocxToPdf(docx, scratch.file("out.pdf")); });
    EXPECT_TRUE(message.startsWith("LibreOffice (soffice) is not installed; it is needed to export"))
        << message.toStdString();
    EXPECT_TRUE(message.contains(scratch.file("out.pdf")));
    EXPECT_FALSE(QFile::exists(scratch.file("out.pdf")));

    // Looked up on PATH by name: a PATH without it finds nothing.
    word::lo::SetProgram(QString());
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(scratch.file("empty-bin")));
    const bool available = word::lo::IsAvailable();
    const QString onPath = messageOf([&] { word::lo::ConvertToDocx(docx, scratch.file("out")); });
    qputenv("PATH", path);
    EXPECT_FALSE(available);
    EXPECT_TRUE(onPath.contains("it is needed to open")) << onPath.toStdString();
}

TEST_F(LibreOfficeTest, FailuresOfSofficeAreReportedAndLeaveTargetAlone)
{
    const QString docx = scratch.file("in.docx");
    testsupport::writeFile(docx, "PK\x03\x04 content");
    const QString pdf = scratch.file("old.pdf");
    testsupport::writeFile(pdf, "%PDF-1.4 the user's old file");

    // Exit 0 without output, as soffice does when it cannot load the file.
    word::lo::SetProgram(fakeProgram(scratch, "echo 'Error: source file could not be loaded' >&2\nexit 0\n"));
    QString message = messageOf([&] { word::lo::ConvertDocxToPdf(docx, pdf); });
    EXPECT_TRUE(message.contains("wrote no usable output")) << message.toStdString();
    EXPECT_TRUE(message.contains("source file could not be loaded"));
    EXPECT_TRUE(message.contains(docx));

    // Output that is not what was asked for counts as no output.
    word::lo::SetProgram(fakeProgram(scratch, "for a; do out=\"$prev\"; prev=\"$a\"; done\n"
                                              "echo junk > \"$out/source.pdf\"\n"));
    message = messageOf([&] { word::lo::ConvertDocxToPdf(docx, pdf); });
    EXPECT_TRUE(message.contains("wrote no usable output")) << message.toStdString();

    word::lo::SetProgram(fakeProgram(scratch, "echo 'disk full'\nexit 3\n"));
    message = messageOf([&] { word::lo::ConvertDocxToPdf(docx, pdf); });
    EXPECT_TRUE(message.contains("exit code 3")) << message.toStdString();
    EXPECT_TRUE(message.contains("disk full"));

    EXPECT_EQ(testsupport::readFile(pdf), QByteArray("%PDF-1.4 the user's old file"));

    // The arguments reach the program untouched, one by one, input last.
    const QString args = scratch.file("args.txt");
    word::lo::SetProgram(fakeProgram(
        scratch, "for a; do printf '%s\\n' \"$a\"; done > '" + QFile::encodeName(args)
                     + "'\nfor a; do out=\"$prev\"; prev=\"$a\"; done\n"
                       "printf '%%PDF-1.4 new' > \"$out/source.pdf\"\n"));
    word::lo::ConvertDocxToPdf(docx, pdf);
    EXPECT_EQ(testsupport::readFile(pdf), QByteArray("%PDF-1.4 new"));
    const QStringList lines = QString::fromUtf8(testsupport::readFile(args)).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines.contains("--headless"));
    EXPECT_TRUE(lines.contains("--norestore"));
    EXPECT_EQ(lines.filter("-env:UserInstallation=file:///").size(), 1);
    EXPECT_TRUE(lines.last().endsWith("/source.docx"));
}

// One profile per user is kept between conversions, locked while in use (a
// conversion that finds it locked runs with a private one) and made afresh
// when a conversion with it fails.
TEST_F(LibreOfficeTest, OneProfilePerUserIsKeptLockedAndMadeAfreshWhenItFails)
{
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", scratch.file("cache").toUtf8());
    const QString shared = scratch.file("cache/quillcraft/libreoffice-profile");
    const QString docx = scratch.file("in.docx");
    testsupport::writeFile(docx, "PK\x03\x04 content");
    const QString pdf = scratch.file("out.pdf");
    const QString log = scratch.file("profiles.txt");
    word::lo::SetProgram(fakeProgram(
        scratch, "for a; do case \"$a\" in -env:UserInstallation=file://*) p=\"${a#*file://}\";; esac\n"
                 "out=\"$prev\"; prev=\"$a\"; done\n"
                 "echo \"$p\" >> '" + QFile::encodeName(log) + "'\n"
                 "[ -e \"$p/damaged\" ] && exit 5\n"
                 "mkdir -p \"$p\" && printf '%%PDF-1.4 new' > \"$out/source.pdf\"\n"));
    auto profiles = [&] { return QString::fromUtf8(testsupport::readFile(log)).split('\n', Qt::SkipEmptyParts); };

    word::lo::ConvertDocxToPdf(docx, pdf);
    word::lo::ConvertDocxToPdf(docx, pdf);
    EXPECT_EQ(profiles(), QStringList({shared, shared}));

    {
        QLockFile inUse(scratch.file("cache/quillcraft/libreoffice.lock"));
        ASSERT_TRUE(inUse.tryLock(0));
        word::lo::ConvertDocxToPdf(docx, pdf);
        ASSERT_EQ(profiles().size(), 3);
        EXPECT_NE(profiles().last(), shared);
        EXPECT_FALSE(QFileInfo::exists(profiles().last())); // the private profile goes with its conversion
    }

    testsupport::writeFile(shared + "/damaged", "x");
    word::lo::ConvertDocxToPdf(docx, pdf);
    EXPECT_EQ(profiles().mid(3), QStringList({shared, shared}));
    EXPECT_FALSE(QFileInfo::exists(shared + "/damaged"));
    EXPECT_EQ(testsupport::readFile(pdf), QByteArray("%PDF-1.4 new"));

    if (oldCache.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", oldCache);
}

TEST_F(LibreOfficeTest, HungConversionIsKilledWithItsChildren)
{
    const QString docx = scratch.file("in.docx");
    testsupport::writeFile(docx, "PK\x03\x04 content");
    const QString pidFile = scratch.file("child.pid");
    word::lo::SetProgram(fakeProgram(scratch, "sleep 300 &\necho $! > '" + QFile::encodeName(pidFile)
                                                  + "'\nwait\n"));
    word::lo::SetTimeoutMs(1500);

    const auto start = std::chrono::steady_clock::now();
    const QString message = messageOf([&] { word::lo::ConvertDocxToPdf(docx, scratch.file("out.pdf")); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(message.contains("did not finish converting")) << message.toStdString();
    EXPECT_TRUE(message.contains(docx));
    EXPECT_FALSE(QFile::exists(scratch.file("out.pdf")));

    // The grandchild went down with the group (gone, or a zombie awaiting reaping).
    const QByteArray pid = testsupport::readFile(pidFile).trimmed();
    ASSERT_FALSE(pid.isEmpty());
    bool alive = true;
    for (int i = 0; i < 50 && alive; ++i) {
        const QByteArray stat = testsupport::readFile("/proc/" + QString::fromLatin1(pid) + "/stat");
        alive = !stat.isEmpty() && !stat.contains(") Z ");
        if (alive)
            QThread::msleep(100);
    }
    EXPECT_FALSE(alive);
    // A small file gets the limit as set, one of a megabyte four times that,
    // and a longer one more than in proportion, as LibreOffice needs.
    EXPECT_EQ(word::lo::LimitFor(20 * 1024), 1500);
    EXPECT_EQ(word::lo::LimitFor(1024 * 1024), 4 * 1500);
    EXPECT_EQ(word::lo::LimitFor(2600 * 1024), 11 * 1500 * 11 / 4);
}

TEST_F(LibreOfficeTest, RefusesMissingEmptyAndSelfOverwritingInput)
{
    word::lo::SetProgram(fakeProgram(scratch, "exit 0\n"));
    QString message = messageOf([&] { word::lo::ConvertToDocx(scratch.file("absent.doc"), scratch.path()); });
    EXPECT_TRUE(message.contains("does not exist")) << message.toStdString();
    EXPECT_TRUE(message.contains("absent.doc"));

    testsupport::writeFile(scratch.file("empty.doc"), QByteArray());
    message = messageOf([&] { word::lo::ConvertToDocx(scratch.file("empty.doc"), scratch.path()); });
    EXPECT_TRUE(message.contains("is empty")) << message.toStdString();

    testsupport::writeFile(scratch.file("same.docx"), "PK\x03\x04 keep me");
    message = messageOf([&] { word::lo::ConvertToDocx(scratch.file("same.docx"), scratch.path()); });
    EXPECT_TRUE(message.contains("would overwrite")) << message.toStdString();
    EXPECT_EQ(testsupport::readFile(scratch.file("same.docx")), QByteArray("PK\x03\x04 keep me"));
}
