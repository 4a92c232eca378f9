// Reading a help file's system data and unpacking it through the helper.
#include "chmimport/ChmMaker.h"

#include "chmimport/ChmTo.h"
#include "chmimport/helper/ChmUnpack.h"
#include "platform/Exception.h"

#include <QRandomGenerator>
#include <QtEndian>

using namespace testsupport;

namespace {

QMap<QString, QByteArray> smallProject()
{
    return {
        {QStringLiteral("toc.hhc"), chmmaker::sitemap({{0, "Intro", "intro.htm"}, {1, "Deep", "sub/deep/page.htm"}})},
        {QStringLiteral("index.hhk"), chmmaker::sitemap({{0, "start", "intro.htm"}})},
        {QStringLiteral("intro.htm"), chmmaker::page("Intro", "<p>Intro text</p>")},
        {QStringLiteral("sub/deep/page.htm"), chmmaker::page("Deep", "<p>Deep text</p>")},
    };
}

QByteArray record(quint16 code, const QByteArray &data)
{
    QByteArray r(4, '\0');
    qToLittleEndian<quint16>(code, r.data());
    qToLittleEndian<quint16>(quint16(data.size()), r.data() + 2);
    return r + data;
}

// Everything in the scratch folder apart from the help file and the work folder.
QStringList strayFiles(const QString &scratch, const QString &chm, const QString &work)
{
    QStringList stray;
    for (const QString &f : chmmaker::filesBelow(scratch)) {
        const QString full = scratch + QLatin1Char('/') + f;
        if (full != chm && !full.startsWith(work) && !f.startsWith(QLatin1String("src/")))
            stray << f;
    }
    return stray;
}

} // namespace

TEST(ChmReader, SystemDataIsReadByRecordCode)
{
    // Records in an order no compiler version fixes, a record cut short and
    // no "HHA" record at all: each value is still found by its code.
    QByteArray data(4, '\0');
    data += record(3, QByteArray("Title\0", 6));
    data += record(7, QByteArray(4, '\1'));
    data += record(4, QByteArray("\x04\x08\0\0", 4));
    data += record(2, QByteArray("start.htm\0", 10));
    data += QByteArray("\x05\x00\xff\x7f", 4) + "abc"; // length beyond the end
    const TChmSystemData sd = ParseChmSystemData(data);
    EXPECT_TRUE(sd.HasLanguage);
    EXPECT_EQ(sd.Lcid, 0x0804u);
    EXPECT_EQ(sd.Title, QByteArray("Title"));
    EXPECT_EQ(sd.DefaultTopic, QByteArray("start.htm"));
    EXPECT_FALSE(ParseChmSystemData(QByteArray("\3\0")).HasTitle);
}

TEST(ChmReader, LoadsLanguageCodePageTitleAndDefaultTopic)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    const QString chinese = chmmaker::compile(dir.file("zh"), "zh", smallProject(),
                                              "Language=0x0804 Chinese\nTitle=Widget Guide\nDefault topic=intro.htm\n");
    ASSERT_FALSE(chinese.isEmpty());
    TCHMDecompile zh;
    zh.LoadFromCHM(chinese);
    EXPECT_EQ(zh.LangID, QStringLiteral("0x0804"));
    EXPECT_EQ(zh.CodePage, 936);
    EXPECT_EQ(zh.rCodePage, 936);
    EXPECT_EQ(zh.Title, QStringLiteral("Widget Guide"));
    EXPECT_EQ(zh.DefaultPage, QStringLiteral("intro.htm"));
    EXPECT_EQ(zh.chmFile, chinese);

    // A title stored in the language's code page is decoded in it.
    const QString german = chmmaker::compile(dir.file("de"), "de", smallProject(),
                                             "Language=0x0407 German\nTitle=Gr\xF6\xDF" "e\n");
    ASSERT_FALSE(german.isEmpty());
    TCHMDecompile de;
    de.LoadFromCHM(german);
    EXPECT_EQ(de.LangID, QStringLiteral("0x0407"));
    EXPECT_EQ(de.CodePage, 1252);
    EXPECT_EQ(de.rTitle, QByteArray("Gr\xF6\xDF" "e"));
    EXPECT_EQ(de.Title, QStringLiteral(u"Größe"));
}

TEST(ChmReader, UnpacksEveryFileWithItsFoldersAndReadsContents)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    const QString chm = chmmaker::compile(dir.file("src"), "guide", smallProject());
    ASSERT_FALSE(chm.isEmpty());
    TCHMDecompile r;
    r.LoadFromCHM(chm);
    r.rootFolder = dir.file("work/");
    QStringList progress;
    r.FOnChange = [&](const QString &text, int percent) { progress << QStringLiteral("%1 %2").arg(text).arg(percent); };
    r.decompile();
    EXPECT_EQ(progress, QStringList{QStringLiteral("Decompiling... 1")});
    const QStringList files = chmmaker::filesBelow(r.rootFolder);
    EXPECT_TRUE(files.contains("sub/deep/page.htm")) << files.join(' ').toStdString();
    EXPECT_TRUE(files.contains("intro.htm"));
    // Contents and index are not named after the help file: the first of
    // each kind in the folder tree is used.
    EXPECT_EQ(r.hhcFile, r.rootFolder + "toc.hhc");
    EXPECT_EQ(r.hhkFile, r.rootFolder + "index.hhk");
    EXPECT_EQ(r.FileName, QStringLiteral("guide"));
    ASSERT_EQ(r.List.Count(), 2);
    EXPECT_EQ(r.List.Items(1)->Url, QStringLiteral("sub/deep/page.htm"));
    EXPECT_EQ(r.List.Items(0)->Keywords, QStringLiteral("start"));
    EXPECT_TRUE(strayFiles(dir.path(), chm, r.rootFolder).isEmpty());
}

TEST(ChmReader, InnerNamesThatLeaveTheFolderAreRefused)
{
    EXPECT_EQ(SafeInnerPath("/a/b.htm"), QStringLiteral("a/b.htm"));
    EXPECT_EQ(SafeInnerPath("/sp ace.htm"), QStringLiteral("sp ace.htm"));
    for (const char *bad : {"/../x.htm", "/a/../../x", "//etc/passwd", "/C:/x.htm", "/a\\..\\x", "/", "/a//b",
                            "/a/./b", "/x\ny"})
        EXPECT_TRUE(SafeInnerPath(bad).isEmpty()) << bad;
}

TEST(ChmReader, DamagedOrForeignFilesFailWithTheFileNamed)
{
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    const QString chm = chmmaker::compile(dir.file("src"), "guide", smallProject());
    ASSERT_FALSE(chm.isEmpty());
    const QByteArray good = readFile(chm);

    const QString text = dir.file("notes.chm");
    writeFile(text, "just some text, not a help file");
    TCHMDecompile r;
    try {
        r.LoadFromCHM(text);
        FAIL() << "a text file was read as a help file";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(text)) << e.message().toStdString();
    }
    EXPECT_THROW(r.LoadFromCHM(dir.file("missing.chm")), Exception);

    // Truncated and mutated copies: a message or a result, and nothing
    // written outside the work folder.
    QRandomGenerator rng(12);
    for (int round = 0; round < 24; ++round) {
        QByteArray bytes = good;
        if (round < 6)
            bytes.truncate(bytes.size() * (round + 1) / 10);
        else
            for (int k = 0; k < 1 + round % 7; ++k)
                bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256));
        const QString bad = dir.file(QStringLiteral("bad%1.chm").arg(round));
        writeFile(bad, bytes);
        TCHMDecompile d;
        d.rootFolder = dir.file(QStringLiteral("work%1/").arg(round));
        try {
            d.LoadFromCHM(bad);
            d.decompile();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(bad)) << e.message().toStdString();
        }
    }

    // A damaged contents file: the message names the help file and the inner
    // file, not the work folder (gone by the time it is read), and stays short.
    QMap<QString, QByteArray> files = smallProject();
    // (chmcmd drops a contents file whose image number it cannot read; this
    // one it keeps, as the damage runs on into the next parameter.)
    files[QStringLiteral("toc.hhc")] = "<HTML><BODY><UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"X\">"
                                       "<param name=\"ImageNumber\" value=\"" + QByteArray(5000, 'A')
                                       + "ame=\"Name\" value=\"Y\"><param name=\"Local\" value=\"intro.htm\"></OBJECT>"
                                         "</UL></BODY></HTML>";
    const QString broken = chmmaker::compile(dir.file("src/broken"), "broken", files);
    ASSERT_FALSE(broken.isEmpty());
    TCHMDecompile d;
    d.rootFolder = dir.file("work-broken/");
    d.LoadFromCHM(broken);
    try {
        d.decompile();
        FAIL() << "a damaged image number was accepted";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot read the help file \"%1\": The contents file \"toc.hhc\"").arg(broken)))
            << e.message().toStdString();
        EXPECT_LT(e.message().size(), 300);
    }

    for (const QString &f : chmmaker::filesBelow(dir.path()))
        EXPECT_TRUE(f.startsWith("src/") || f.startsWith("work") || f.endsWith(".chm")) << f.toStdString();
}

TEST(ChmReader, HelperCrashTimeoutAndAbsenceBecomeMessages)
{
    ScratchDir dir;
    const QString chm = dir.file("any.chm");
    writeFile(chm, "ITSF");
    auto messageWith = [&](const QByteArray &script) {
        const QString helper = dir.file("helper.sh");
        writeFile(helper, "#!/bin/sh\n" + script);
        QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("QC_CHMUNPACK", helper.toUtf8());
        QString message;
        try {
            TCHMDecompile r;
            r.LoadFromCHM(chm);
        } catch (const Exception &e) {
            message = e.message();
        }
        qunsetenv("QC_CHMUNPACK");
        return message;
    };
    EXPECT_TRUE(messageWith("kill -SEGV $$\n").contains("damaged"));
    const int old = TCHMDecompile::UnpackTimeoutMs();
    TCHMDecompile::SetUnpackTimeoutMs(300);
    EXPECT_TRUE(messageWith("exec sleep 20\n").contains("did not finish"));
    TCHMDecompile::SetUnpackTimeoutMs(old);
    EXPECT_TRUE(messageWith("echo 'its directory cannot be read' >&2; exit 1\n").contains("directory cannot be read"));
    qputenv("QC_CHMUNPACK", dir.file("nowhere").toUtf8());
    EXPECT_THROW(TCHMDecompile().LoadFromCHM(chm), Exception);
    qunsetenv("QC_CHMUNPACK");
}

TEST(ChmReader, DirectoryThatLeadsRoundInACircleEnds)
{
    // A mutated help file whose directory sends libchm round in a circle.
    ScratchDir dir;
    const QString bad = dir.file("loop.chm");
    QFile::copy(sourceDir() + "/tests/fuzz/chm_seeds/directory-loop.bin", bad);
    TCHMDecompile r;
    r.LoadFromCHM(bad);
    r.rootFolder = dir.file("work/");
    try {
        r.decompile();
        FAIL() << "a help file without readable files was unpacked";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains("no file that can be read")) << e.message().toStdString();
    }
}

TEST(ChmReader, ACrashOfTheReaderIsAFailedImportWithNothingLeftBehind)
{
    // A mutated help file on which libchm divides by zero while unpacking.
    ScratchDir dir;
    const QString bad = dir.file("crash.chm");
    ASSERT_TRUE(QFile::copy(sourceDir() + "/tests/chmimport/data/reader-crash.chm", bad));
    TCHMDecompile r;
    r.LoadFromCHM(bad);
    r.rootFolder = dir.file("work/");
    try {
        r.decompile();
        FAIL() << "the crash went unnoticed";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(bad) && e.message().contains("damaged")) << e.message().toStdString();
    }
    EXPECT_EQ(r.List.Count(), 0);
}

TEST(ChmReader, LargeDirectoriesAreUnpackedWhole)
{
    // Enough pages for several directory chunks: every one comes out, the
    // contents file among them, even where the header names the wrong
    // first chunk.
    QC_REQUIRE_CHMCMD();
    ScratchDir dir;
    QMap<QString, QByteArray> files;
    QList<chmmaker::Entry> entries;
    for (int k = 0; k < 400; ++k) {
        const QString name = QStringLiteral("pages/topic-%1.htm").arg(k, 3, 10, QLatin1Char('0'));
        files.insert(name, chmmaker::page(name, QStringLiteral("<p>Text %1</p>").arg(k)));
        entries.append({0, QStringLiteral("Topic %1").arg(k), name});
    }
    files.insert(QStringLiteral("a.hhc"), chmmaker::sitemap(entries));
    const QString chm = chmmaker::compile(dir.file("src"), "big", files);
    ASSERT_FALSE(chm.isEmpty());
    TCHMDecompile r;
    r.LoadFromCHM(chm);
    r.rootFolder = dir.file("work/");
    r.decompile();
    EXPECT_EQ(r.List.Count(), 400);
    EXPECT_EQ(chmmaker::filesBelow(r.rootFolder + "pages").size(), 400);
}
