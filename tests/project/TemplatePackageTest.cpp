// Template packages: packing a page with what it uses, listing, extracting,
// the hexadecimal form, and refusing damaged or hostile packages.
#include "platform/Exception.h"
#include "project/Template.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <climits>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

QByteArray int64le(qint64 v)
{
    char b[8];
    qToLittleEndian<qint64>(v, b);
    return QByteArray(b, 8);
}

QByteArray entry(const QString &name, const QByteArray &data, qint64 size = LLONG_MIN)
{
    return int64le(name.size()) + QByteArray(reinterpret_cast<const char *>(name.utf16()), name.size() * 2)
         + int64le(size == LLONG_MIN ? data.size() : size) + data;
}

QStringList names(const QByteArray &package)
{
    QStringList out;
    for (const TTemplateEntry &e : ReadTemplateEntries(package))
        out << e.Name;
    return out;
}

// A template page in "tpl/" naming a style sheet, a button with its grey
// sibling, an image in a subfolder, a web address and a sheet above its folder.
QString makeTemplate(const ScratchDir &dir)
{
    const QString page = dir.file(QStringLiteral("tpl/page.htm"));
    writeFile(page, "<html><head><link rel=\"stylesheet\" href=\"style.css\">"
                    "<link href=\"../outside.css\" rel=stylesheet></head><body>"
                    "<img src='btn_prev_n.gif'><a href=\"http://example.com/x.htm\">w</a>"
                    "($content$)</body></html>");
    writeFile(dir.file(QStringLiteral("tpl/style.css")), "body { background: url(images/bg.png) }");
    writeFile(dir.file(QStringLiteral("tpl/images/bg.png")), QByteArray("\x89PNG\0\1", 6));
    writeFile(dir.file(QStringLiteral("tpl/btn_prev_n.gif")), "GIF89a-n");
    writeFile(dir.file(QStringLiteral("tpl/btn_prev_g.gif")), "GIF89a-g");
    writeFile(dir.file(QStringLiteral("outside.css")), "p {}");
    return page;
}

} // namespace

TEST(TemplatePackage, PacksPageFirstWithLinkedFilesAndGreyButtonsInsideItsFolder)
{
    ScratchDir dir;
    const QString page = makeTemplate(dir);
    QByteArray package("old content");
    PackTemplate(page, package);

    const QStringList packed = names(package);
    ASSERT_FALSE(packed.isEmpty());
    EXPECT_EQ(packed.first(), QStringLiteral("page.htm"));
    EXPECT_TRUE(packed.contains(QStringLiteral("style.css")));
    EXPECT_TRUE(packed.contains(QStringLiteral("images\\bg.png"))) << packed.join(u' ').toStdString();
    EXPECT_TRUE(packed.contains(QStringLiteral("btn_prev_n.gif")));
    EXPECT_EQ(packed.last(), QStringLiteral("btn_prev_g.gif")); // grey siblings come after the collected files
    EXPECT_FALSE(packed.join(u' ').contains(QStringLiteral("outside")));
    EXPECT_EQ(GetTemplateMainFile(package), QStringLiteral("page.htm"));

    QStringList listed;
    ListTemplateFiles(page, listed);
    EXPECT_EQ(listed.size(), packed.size() + 1); // the sheet above the folder is listed, not packed
}

TEST(TemplatePackage, ExtractGivesTheSameFilesUnderTheSameNames)
{
    ScratchDir dir;
    QByteArray package;
    PackTemplate(makeTemplate(dir), package);
    const QString out = dir.file(QStringLiteral("out/"));
    ExtractTemplateFiles(package, out);
    for (const QString &name : names(package)) {
        const QString rel = QString(name).replace(u'\\', u'/');
        EXPECT_EQ(readFile(out + rel), readFile(dir.file(QStringLiteral("tpl/") + rel))) << rel.toStdString();
    }
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("images/bg.png")).isFile());
}

TEST(TemplatePackage, HexadecimalFormRoundTrips)
{
    EXPECT_EQ(StreamToHex(QByteArray("\x00\xAB\x0F", 3)), QStringLiteral("00AB0F"));
    EXPECT_EQ(StreamToHex(QByteArray()), QString());
    EXPECT_EQ(HexToStream(QStringLiteral("00ab0F")), QByteArray("\x00\xAB\x0F", 3));
    EXPECT_THROW(HexToStream(QStringLiteral("0G")), Exception);
    EXPECT_THROW(HexToStream(QStringLiteral("ABC")), Exception);
    EXPECT_EQ(GetTemplateMainFile(QByteArray()), QString());
}

TEST(TemplatePackage, MissingPageIsReportedAndTheStreamKept)
{
    ScratchDir dir;
    QByteArray package("keep");
    try {
        PackTemplate(dir.file(QStringLiteral("nothing.htm")), package);
        FAIL() << "a missing page must not pack";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("nothing.htm")));
    }
    EXPECT_EQ(package, QByteArray("keep"));
}

TEST(TemplatePackage, HostilePackagesAreRefusedAndWriteNothing)
{
    const QByteArray good = entry(QStringLiteral("page.htm"), "<html>");
    const QList<std::pair<const char *, QByteArray>> hostile{
        {"absolute name", good + entry(QStringLiteral("/tmp/evil.htm"), "x")},
        {"backslash root", good + entry(QStringLiteral("\\evil.htm"), "x")},
        {"parent step", good + entry(QStringLiteral("images\\..\\..\\evil.htm"), "x")},
        {"drive letter", good + entry(QStringLiteral("C:evil.htm"), "x")},
        {"size beyond the data", good + entry(QStringLiteral("big.bin"), "xy", qint64(1) << 62)},
        {"negative size", good + entry(QStringLiteral("neg.bin"), "xy", -5)},
        {"name beyond the data", good + int64le(qint64(1) << 40) + QByteArray("ab")},
        {"cut short", good + QByteArray("\x03\x00\x00", 3)},
        // A line break in a name would list a second file in the project set.
        {"line feed", entry(QStringLiteral("x"), "<html>") + entry(QStringLiteral("x\n../id_rsa"), "x")},
        {"carriage return", entry(QStringLiteral("x"), "<html>") + entry(QStringLiteral("x\r../id_rsa"), "x")},
        {"other control", good + entry(QStringLiteral("a\x1b" "b.gif"), "x")},
        {"control in the page's name", entry(QStringLiteral("page\n.htm"), "<html>")},
    };
    for (const auto &[what, package] : hostile) {
        ScratchDir dir;
        EXPECT_THROW(ExtractTemplateFiles(package, dir.path()), Exception) << what;
        EXPECT_TRUE(QDir(dir.path()).isEmpty()) << what << ": files were written";
        EXPECT_THROW(ReadTemplateEntries(package), Exception) << what;
    }
    // The message names the package and the entry, its control shown as a code.
    try {
        ReadTemplateEntries(hostile[8].second, QStringLiteral("HtmlHelpTemplateStream"));
        ADD_FAILURE() << "a name with a line feed was read";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("The template package \"HtmlHelpTemplateStream\" holds the file name "
                                              "\"x<U+000A>../id_rsa\" (entry 2), which holds a control character; "
                                              "the package is refused."));
    }
    EXPECT_THROW(GetTemplateMainFile(hostile[11].second), Exception);

    // Nor does the packer make such a package from a folder.
    ScratchDir dir;
    writeFile(dir.file(QStringLiteral("tpl/page.htm")), "<img src=\"a\x1b" "b.gif\">");
    writeFile(dir.file(QStringLiteral("tpl/a\x1b" "b.gif")), "GIF");
    QByteArray stream = good;
    EXPECT_THROW(PackTemplate(dir.file(QStringLiteral("tpl/page.htm")), stream), Exception);
    EXPECT_EQ(stream, good);
}

// Links in a template folder received from someone else: only regular files
// whose real place is inside the folder are packed (a link to a file inside
// it is), never what a link reaches outside; a page that is itself such a
// link is refused.
TEST(TemplatePackage, PacksNothingALinkReachesOutsideTheFolder)
{
    ScratchDir dir;
    const QString page = dir.file(QStringLiteral("tpl/page.htm"));
    writeFile(page, "<html><head><link rel=stylesheet href=\"host.css\"><link rel=stylesheet href=\"alias.css\">"
                    "<link rel=stylesheet href=\"tpl-private/x.css\"></head><body>($content$)</body></html>");
    writeFile(dir.file(QStringLiteral("tpl/own.css")), "p {}");
    writeFile(dir.file(QStringLiteral("hostname")), "secret-host");
    writeFile(dir.file(QStringLiteral("tpl-private/x.css")), "private-sheet");
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("hostname")), dir.file(QStringLiteral("tpl/host.css"))));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("tpl/own.css")), dir.file(QStringLiteral("tpl/alias.css"))));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("tpl-private")), dir.file(QStringLiteral("tpl/tpl-private"))));
    QByteArray package;
    PackTemplate(page, package);
    EXPECT_EQ(names(package), (QStringList{QStringLiteral("page.htm"), QStringLiteral("alias.css")}));
    EXPECT_FALSE(package.contains("secret-host"));
    EXPECT_FALSE(package.contains("private-sheet"));

    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("hostname")), dir.file(QStringLiteral("tpl/linked.htm"))));
    QByteArray kept("keep");
    EXPECT_THROW(PackTemplate(dir.file(QStringLiteral("tpl/linked.htm")), kept), Exception);
    EXPECT_EQ(kept, QByteArray("keep"));
}

// Extracting into a folder never writes through a link: a link in a file's
// place is replaced, and a linked subfolder leading out of the folder is
// refused; what the links reach stays as it was.
TEST(TemplatePackage, ExtractNeverWritesThroughALink)
{
    ScratchDir dir;
    writeFile(dir.file(QStringLiteral("profile")), "mine");
    writeFile(dir.file(QStringLiteral("elsewhere/keep.gif")), "mine too");
    const QString out = dir.file(QStringLiteral("out/"));
    QDir().mkpath(out);
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("profile")), out + QStringLiteral("page.htm")));
    ExtractTemplateFiles(entry(QStringLiteral("page.htm"), "<html>") + entry(QStringLiteral("a.css"), "p {}"), out);
    EXPECT_EQ(readFile(out + QStringLiteral("page.htm")), QByteArray("<html>"));
    EXPECT_FALSE(QFileInfo(out + QStringLiteral("page.htm")).isSymLink());

    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("elsewhere")), out + QStringLiteral("images")));
    EXPECT_THROW(ExtractTemplateFiles(entry(QStringLiteral("page.htm"), "<html>")
                                          + entry(QStringLiteral("images\\keep.gif"), "theirs"),
                                      out),
                 Exception);
    EXPECT_EQ(readFile(dir.file(QStringLiteral("profile"))), QByteArray("mine"));
    EXPECT_EQ(readFile(dir.file(QStringLiteral("elsewhere/keep.gif"))), QByteArray("mine too"));
}
