#include "foundation/functions.h"

#include "IsolatedUser.h"
#include "platform/Exception.h"
#include "platform/Processes.h"
#include "platform/Prompt.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(ResolvePath, ResolvesDotsAndSeparatorsKeepingTheRoot)
{
    EXPECT_EQ(ResolvePath(QStringLiteral("C:/My%20Help/./pages/../img/a.gif")),
              QStringLiteral("C:/My Help/img/a.gif"));
    EXPECT_EQ(ResolvePath(QStringLiteral("a//b")), QStringLiteral("a/b"));
    EXPECT_EQ(ResolvePath(QStringLiteral("a\\b\\..\\c")), QStringLiteral("a/c"));
    EXPECT_EQ(ResolvePath(QStringLiteral("/home/u/./p/../q/")), QStringLiteral("/home/u/q/"));
    // The root stays however many parent steps follow it.
    EXPECT_EQ(ResolvePath(QStringLiteral("/a/../../b")), QStringLiteral("/b"));
    EXPECT_EQ(ResolvePath(QStringLiteral("C:\\..\\x.htm")), QStringLiteral("C:/x.htm"));
    EXPECT_EQ(ResolvePath(QStringLiteral("\\\\server\\share\\..\\..\\x")), QStringLiteral("//server/x"));
    EXPECT_EQ(ResolvePath(QStringLiteral("/")), QStringLiteral("/"));
    // Resolving twice changes nothing.
    EXPECT_EQ(ResolvePath(QStringLiteral("//server/x")), QStringLiteral("//server/x"));
    EXPECT_EQ(ResolvePath(QStringLiteral("C:/x/../y/")), QStringLiteral("C:/y/"));
    // A relative path's surplus parent steps vanish; a final ".." is a name.
    EXPECT_EQ(ResolvePath(QStringLiteral("../x/y")), QStringLiteral("x/y"));
    EXPECT_EQ(ResolvePath(QStringLiteral("a/b/..")), QStringLiteral("a/b/.."));
    EXPECT_EQ(ResolvePath(QString()), QString());
}

TEST(ResolvePath, AbsoluteAndSlashRules)
{
    EXPECT_TRUE(IsAbsolutePath(QStringLiteral("/x")));
    EXPECT_TRUE(IsAbsolutePath(QStringLiteral("\\x")));
    EXPECT_TRUE(IsAbsolutePath(QStringLiteral("d:\\x")));
    EXPECT_TRUE(IsAbsolutePath(QStringLiteral("\\\\srv\\x")));
    EXPECT_FALSE(IsAbsolutePath(QStringLiteral("x/y:z")));
    EXPECT_FALSE(IsAbsolutePath(QString()));
    EXPECT_EQ(BackslashToSlash(QStringLiteral("a\\b/c")), QStringLiteral("a/b/c"));
    EXPECT_EQ(SlashToBackslash(QStringLiteral("a\\b/c")), QStringLiteral("a\\b\\c"));
}

TEST(ExpandPaths, PlaceholdersWithoutRegardToCase)
{
    IsolatedUser user;
    const QString p = QStringLiteral("/srv/proj/");
    EXPECT_EQ(ExpandProjectPath(p, QStringLiteral("<PROJECT_FOLDER>\\x.htm")), QStringLiteral("/srv/proj/x.htm"));
    EXPECT_EQ(ExpandProjectPath(QStringLiteral("/srv/proj"), QStringLiteral("sub\\x.htm")),
              QStringLiteral("/srv/proj/sub/x.htm"));
    EXPECT_EQ(ExpandProjectPath(p, QStringLiteral("<project_folder>/../up.chm")), QStringLiteral("/srv/up.chm"));
    EXPECT_EQ(ExpandProjectPath(p, QStringLiteral("D:\\y.htm")), QStringLiteral("D:/y.htm"));
    EXPECT_EQ(ExpandProjectPath(p, QStringLiteral("/abs/y.htm")), QStringLiteral("/abs/y.htm"));
    EXPECT_EQ(ExpandProjectPath(QStringLiteral("/"), QStringLiteral("<Project_Folder>/x.htm")), QStringLiteral("/x.htm"));
    EXPECT_EQ(ExpandProjectPath(QStringLiteral("/"), QStringLiteral("x.htm")), QStringLiteral("/x.htm"));
    EXPECT_EQ(ExpandProjectPath(p, QString()), p);
    EXPECT_EQ(ExpandProjectPath(QStringLiteral("/"), QStringLiteral("<Project_Folder>")), QStringLiteral("/"));
    EXPECT_EQ(ExpandProjectPath(QString(), QStringLiteral("sub\\x.htm")), QStringLiteral("sub/x.htm"));

    EXPECT_EQ(GetSpecialFolder(CSIDL_PERSONAL), user.documents());
    EXPECT_EQ(GetSpecialFolder(0x1a), QString());
    EXPECT_EQ(ExpandMyDocuments(QStringLiteral("<my DOCUMENTS>\\Quillcraft\\a.qvx")),
              user.documents() + QStringLiteral("\\Quillcraft\\a.qvx"));
    EXPECT_EQ(ExpandMyDocuments(QStringLiteral("/plain")), QStringLiteral("/plain"));
}

TEST(UrlRoutines, RelativeUrlAndAnchors)
{
    EXPECT_EQ(RelativeUrl(QStringLiteral("a/b/page.htm"), QStringLiteral("a/c/x.htm")), QStringLiteral("../c/x.htm"));
    EXPECT_EQ(RelativeUrl(QStringLiteral("page.htm"), QStringLiteral("sub\\x.htm")), QStringLiteral("sub/x.htm"));
    EXPECT_EQ(RelativeUrl(QStringLiteral("sub/a.htm"), QStringLiteral("b.htm")), QStringLiteral("../b.htm"));
    EXPECT_EQ(RelativeUrl(QStringLiteral("/t/F/page.htm"), QStringLiteral("/t/F/doc_style.css")),
              QStringLiteral("doc_style.css"));
    EXPECT_EQ(RelativeUrl(QStringLiteral("C:\\a\\p.htm"), QStringLiteral("D:\\b\\q.htm")), QStringLiteral("D:/b/q.htm"));

    QString file, anchor;
    SplitUrlAnchor(QStringLiteral("page.htm#top"), file, anchor);
    EXPECT_EQ(file, QStringLiteral("page.htm"));
    EXPECT_EQ(anchor, QStringLiteral("top"));
    SplitUrlAnchor(QStringLiteral("folder#1/page.htm"), file, anchor);
    EXPECT_EQ(file, QStringLiteral("folder#1/page.htm"));
    EXPECT_EQ(anchor, QString());
    SplitUrlAnchor(QStringLiteral("a.htm#b.htm"), file, anchor);
    EXPECT_EQ(file, QStringLiteral("a.htm"));
    EXPECT_EQ(anchor, QStringLiteral("b.htm"));
    SplitUrlAnchor(QStringLiteral("plain.htm"), file, anchor);
    EXPECT_EQ(file, QStringLiteral("plain.htm"));
    EXPECT_EQ(anchor, QString());
}

TEST(FileNames, UniqueAndValidNames)
{
    testsupport::ScratchDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    EXPECT_EQ(UniqueFilePath(folder + QStringLiteral("a.b.htm")), folder + QStringLiteral("a.b.htm"));
    writeFile(folder + QStringLiteral("a.b.htm"), "x");
    EXPECT_EQ(UniqueFilePath(folder + QStringLiteral("a.b.htm")), folder + QStringLiteral("a.b1.htm"));
    writeFile(folder + QStringLiteral("a.b1.htm"), "x");
    EXPECT_EQ(UniqueFilePath(folder + QStringLiteral("a.b.htm")), folder + QStringLiteral("a.b2.htm"));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("nowhere"), folder + QStringLiteral("a.b2.htm")));
    EXPECT_EQ(UniqueFilePath(folder + QStringLiteral("a.b.htm")), folder + QStringLiteral("a.b3.htm"))
        << "a dangling link takes its name";
    writeFile(folder + QStringLiteral("noext"), "x");
    EXPECT_EQ(UniqueFilePath(folder + QStringLiteral("noext")), folder + QStringLiteral("noext1"));

    writeFile(folder + QStringLiteral("doc_style.css"), "x");
    EXPECT_EQ(UniqueFileName(folder, QStringLiteral("doc_style"), QStringLiteral(".css")),
              folder + QStringLiteral("doc_style1.css"));
    EXPECT_EQ(UniqueFileName(folder, QStringLiteral("other"), QStringLiteral(".css")),
              folder + QStringLiteral("other.css"));

    EXPECT_EQ(ToValidFileName(QStringLiteral("a\\b/c:d*e\"f<g>h|i j"), QStringLiteral("help")),
              QStringLiteral("a_b_c_d_e_f_g_h_i_j"));
    EXPECT_EQ(ToValidFileName(QString(), QStringLiteral("project")), QStringLiteral("project"));
}

TEST(FileState, InUseEmptyAndDate)
{
    testsupport::ScratchDir dir;
    const QString missing = dir.file(QStringLiteral("missing.docx"));
    EXPECT_FALSE(IsFileInUse(missing));
    EXPECT_FALSE(QFileInfo::exists(missing)) << "the test must not create the file";

    const QString doc = dir.file(QStringLiteral("help.docx"));
    writeFile(doc, "content");
    EXPECT_FALSE(IsFileInUse(doc));
    const QString lock = dir.file(QStringLiteral(".~lock.help.docx#"));
    writeFile(lock, "user,host");
    EXPECT_TRUE(IsFileInUse(doc));
    QFile::remove(lock);
    EXPECT_FALSE(IsFileInUse(doc));
    EXPECT_EQ(readFile(doc), QByteArray("content"));

    if (::geteuid() != 0) {
        QFile::setPermissions(doc, QFileDevice::ReadOwner);
        EXPECT_TRUE(IsFileInUse(doc));
        QFile::setPermissions(doc, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    EXPECT_TRUE(IsFolderEmpty(dir.file(QStringLiteral("nothing"))));
    QDir().mkpath(dir.file(QStringLiteral("sub")));
    EXPECT_TRUE(IsFolderEmpty(dir.file(QStringLiteral("sub"))));
    writeFile(dir.file(QStringLiteral("sub/.hidden")), "");
    EXPECT_FALSE(IsFolderEmpty(dir.file(QStringLiteral("sub"))));

    const QDateTime stamp = GetFileDateTime(doc);
    ASSERT_TRUE(stamp.isValid());
    EXPECT_LE(qAbs(stamp.secsTo(QDateTime::currentDateTime())), 3600);
    EXPECT_FALSE(GetFileDateTime(missing).isValid());
}

// A NUL in a target's path cuts every name tried beside it at the same
// place: with that name taken, placing the file fails at once rather than
// trying for ever, and leaves what is there as it was.
TEST(FileState, APathHoldingANulIsNeverTriedForEver)
{
    testsupport::ScratchDir dir;
    writeFile(dir.file(QStringLiteral("new.chm")), "ITSF new");
    writeFile(dir.file(QStringLiteral(".help.chm")), "cut file of an earlier run");
    const QString target = dir.file(QStringLiteral("help.chm")) + QChar(0) + QStringLiteral("x");
    EXPECT_THROW(PlaceFileCopy(dir.file(QStringLiteral("new.chm")), target), Exception);
    EXPECT_EQ(readFile(dir.file(QStringLiteral(".help.chm"))), QByteArray("cut file of an earlier run"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(TempFolders, PrivateUniqueAndUnpredictable)
{
    IsolatedUser user;
    const QString temp = GetTempFolder();
    ASSERT_TRUE(temp.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(temp.startsWith(user.temp() + QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(temp).isDir());
    EXPECT_EQ(modeOf(temp), mode_t(0700));
    EXPECT_EQ(GetSafeTempFolder(), temp);

    QSet<QString> names;
    for (int i = 0; i < 20; ++i) {
        const QString name = UniqueTempFolderName();
        EXPECT_TRUE(name.startsWith(temp));
        EXPECT_TRUE(name.endsWith(QLatin1Char('/')));
        EXPECT_FALSE(QFileInfo::exists(name));
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20);

    const QString a = NewTempFileName(), b = NewTempFileName();
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith(temp));
    EXPECT_TRUE(QFileInfo(a).isFile());
    EXPECT_EQ(QFileInfo(a).size(), 0);
    EXPECT_EQ(modeOf(a) & 0077, mode_t(0));
}

TEST(TempFolders, ForeignFolderUnderTheUsualNameIsNotUsed)
{
    IsolatedUser user;
    // Someone planted a link under the name the private folder would take.
    const QString elsewhere = user.work(QStringLiteral("planted"));
    QDir().mkpath(elsewhere);
    const QString usual = user.temp() + QStringLiteral("/quillcraft-") + QString::number(::getuid());
    ASSERT_TRUE(QFile::link(elsewhere, usual));

    const QString temp = GetTempFolder();
    EXPECT_NE(temp, usual + QLatin1Char('/'));
    EXPECT_FALSE(QFileInfo(temp.chopped(1)).isSymLink());
    EXPECT_EQ(modeOf(temp), mode_t(0700));
    NewTempFileName();
    EXPECT_TRUE(IsFolderEmpty(elsewhere));
}

TEST(TempFolders, OpenModeOfOwnFolderIsClosed)
{
    IsolatedUser user;
    const QString usual = user.temp() + QStringLiteral("/quillcraft-") + QString::number(::getuid());
    QDir().mkpath(usual);
    ::chmod(QFile::encodeName(usual).constData(), 0777);
    EXPECT_TRUE(GetTempFolder().startsWith(usual + QStringLiteral("/run-")));
    EXPECT_EQ(modeOf(usual), mode_t(0700));
}

// What killed runs left: their folders go, with any program still working
// in them; folders of live runs and of unknown origin stay.
TEST(TempFolders, LeftoversOfEndedRunsAreRemoved)
{
    IsolatedUser user;
    const QString mine = GetTempFolder();
    const QString root = QFileInfo(mine.chopped(1)).path();
    const QString alive = processes::RunTag();
    ASSERT_TRUE(mine.endsWith(QStringLiteral("/run-") + alive + QLatin1Char('/')));
    // The same process id with another start time: a run that ended.
    const QString ended = QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-1");
    writeFile(root + QStringLiteral("/run-") + ended + QStringLiteral("/page.htm"), "left");
    writeFile(root + QStringLiteral("/run-unknown/keep.txt"), "keep");
    const QString office = user.temp() + QStringLiteral("/quillcraft-lo-") + ended + QStringLiteral("-AbC123");
    writeFile(office + QStringLiteral("/profile/user.xml"), "left");
    writeFile(user.temp() + QStringLiteral("/quillcraft-lo-") + alive + QStringLiteral("-XyZ789/in/source.docx"), "busy");
    // A program still working in the ended run's folder.
    QProcess straggler;
    straggler.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60; true"), office + QStringLiteral("/profile")});
    ASSERT_TRUE(straggler.waitForStarted());

    EXPECT_EQ(RemoveLeftoversOfEndedRuns(), 2);
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/run-") + ended));
    EXPECT_FALSE(QFileInfo::exists(office));
    EXPECT_TRUE(straggler.waitForFinished(5000));
    EXPECT_EQ(straggler.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(QFileInfo::exists(mine));
    EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/run-unknown/keep.txt")));
    EXPECT_TRUE(QFileInfo::exists(user.temp() + QStringLiteral("/quillcraft-lo-") + alive + QStringLiteral("-XyZ789")));
}

TEST(FolderOperations, DeleteRefusesRootsHomeAndDocuments)
{
    IsolatedUser user;
    writeFile(user.home() + QStringLiteral("/keep.txt"), "k");
    writeFile(user.documents() + QStringLiteral("/keep.docx"), "k");

    EXPECT_THROW(DeleteFolder(user.home()), Exception);
    EXPECT_THROW(DeleteFolder(user.home() + QLatin1Char('/')), Exception);
    EXPECT_THROW(DeleteFolder(user.documents()), Exception);
    EXPECT_THROW(DeleteFolder(user.home() + QStringLiteral("/Dokumente/../")), Exception);
    // A folder holding the home folder would take it along.
    EXPECT_THROW(DeleteFolder(QFileInfo(user.home()).absolutePath()), Exception);
    EXPECT_THROW(DeleteFolder(QString()), Exception);
    // Only the check, never the deletion, for the real roots.
    EXPECT_THROW(CheckFolderMayBeDeleted(QStringLiteral("/")), Exception);
    EXPECT_THROW(CheckFolderMayBeDeleted(QStringLiteral("//")), Exception);
    try {
        CheckFolderMayBeDeleted(user.home());
        FAIL() << "the home folder must be refused";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(user.home()));
        EXPECT_TRUE(e.message().contains(QStringLiteral("home folder")));
    }
    EXPECT_EQ(readFile(user.home() + QStringLiteral("/keep.txt")), QByteArray("k"));
    EXPECT_EQ(readFile(user.documents() + QStringLiteral("/keep.docx")), QByteArray("k"));

    // A folder inside the documents folder may go.
    const QString project = user.documents() + QStringLiteral("/Quillcraft/Project1");
    writeFile(project + QStringLiteral("/sub/a.htm"), "a");
    EXPECT_TRUE(DeleteFolder(project + QLatin1Char('/')));
    EXPECT_FALSE(QFileInfo::exists(project));
    EXPECT_TRUE(DeleteFolder(project)) << "a missing folder is already gone";
}

TEST(FolderOperations, DeleteRemovesALinkNotItsTarget)
{
    IsolatedUser user;
    const QString target = user.work(QStringLiteral("target"));
    writeFile(target + QStringLiteral("/precious.txt"), "p");
    const QString link = user.work(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_TRUE(DeleteFolder(link));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target + QStringLiteral("/precious.txt")), QByteArray("p"));
}

TEST(FolderOperations, CopyTreesAndReportFailures)
{
    IsolatedUser user;
    const QString src = user.work(QStringLiteral("imgs"));
    writeFile(src + QStringLiteral("/a.gif"), "A");
    writeFile(src + QStringLiteral("/deep/b.gif"), "B");
    const QString dst = user.work(QStringLiteral("out/icons"));
    writeFile(dst + QStringLiteral("/a.gif"), "old");

    QString error;
    EXPECT_TRUE(CopyFolder(src + QStringLiteral("/*.*"), dst + QLatin1Char('/'), &error)) << error.toStdString();
    EXPECT_EQ(readFile(dst + QStringLiteral("/a.gif")), QByteArray("A"));
    EXPECT_EQ(readFile(dst + QStringLiteral("/deep/b.gif")), QByteArray("B"));

    EXPECT_FALSE(CopyFolder(src, src + QStringLiteral("/deep/copy"), &error));
    EXPECT_FALSE(QFileInfo::exists(src + QStringLiteral("/deep/copy")));
    EXPECT_FALSE(CopyFolder(user.work(QStringLiteral("none")), dst, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("none"))) << error.toStdString();

    const QString dst2 = user.work(QStringLiteral("files"));
    CopyFolderFiles(src + QLatin1Char('/'), dst2 + QLatin1Char('/'));
    EXPECT_EQ(readFile(dst2 + QStringLiteral("/deep/b.gif")), QByteArray("B"));

    if (::geteuid() != 0) {
        // One unreadable file: the others are still copied, the failure is named.
        const QString locked = src + QStringLiteral("/locked.gif");
        writeFile(locked, "L");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        const QString dst3 = user.work(QStringLiteral("partial"));
        EXPECT_FALSE(CopyFolder(src, dst3, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("locked.gif"))) << error.toStdString();
        EXPECT_EQ(readFile(dst3 + QStringLiteral("/a.gif")), QByteArray("A"));
        EXPECT_EQ(readFile(dst3 + QStringLiteral("/deep/b.gif")), QByteArray("B"));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

namespace {

class FolderPickingPrompt : public NonInteractivePrompt {
public:
    std::optional<QString> chooseFolder(const FolderRequest &request) override
    {
        seen = request;
        return QStringLiteral("/chosen/folder");
    }
    FolderRequest seen;
};

} // namespace

TEST(FolderOperations, BrowseForFolderGoesThroughThePrompt)
{
    QString folder = QStringLiteral("/start");
    {
        ScopedPrompt batch(std::make_shared<NonInteractivePrompt>(false));
        EXPECT_FALSE(BrowseForFolder(nullptr, folder, QStringLiteral("Select a folder:"), 0x51));
        EXPECT_EQ(folder, QStringLiteral("/start"));
    }
    auto picker = std::make_shared<FolderPickingPrompt>();
    ScopedPrompt scoped(picker);
    EXPECT_TRUE(BrowseForFolder(nullptr, folder, QStringLiteral("Select a folder:"), 0x51));
    EXPECT_EQ(folder, QStringLiteral("/chosen/folder"));
    EXPECT_EQ(picker->seen.startFolder, QStringLiteral("/start"));
    EXPECT_EQ(picker->seen.caption, QStringLiteral("Select a folder:"));
    EXPECT_EQ(picker->seen.flags, 0x51u);
}

TEST(LinkedFiles, FindsFilesWithoutRegardToCase)
{
    testsupport::ScratchDir dir;
    writeFile(dir.file(QStringLiteral("Sub/img.gif")), "i");
    EXPECT_EQ(FindFileIgnoringCase(dir.file(QStringLiteral("sub/IMG.GIF"))), dir.file(QStringLiteral("Sub/img.gif")));
    EXPECT_EQ(FindFileIgnoringCase(dir.file(QStringLiteral("Sub/img.gif"))), dir.file(QStringLiteral("Sub/img.gif")));
    EXPECT_EQ(FindFileIgnoringCase(dir.file(QStringLiteral("sub/none.gif"))), QString());
}

TEST(LinkedFiles, CollectsLocalReferencesRecursively)
{
    IsolatedUser user;
    const QString t = user.work(QStringLiteral("tpl"));
    writeFile(t + QStringLiteral("/page.htm"),
              "<html><head><link href=\"style.css\" rel=stylesheet>"
              "<script src=\"http://example.com/lib.js\"></script></head>"
              "<body style=\"background: url(back%20ground.jpg)\">"
              "<img src='img/pic.gif'><img src=IMAGES/Logo.PNG alt=x>"
              "<a href=\"missing.htm\">m</a><a href=\"page.htm\">self</a></body></html>");
    writeFile(t + QStringLiteral("/style.css"), "body { background: url(\"img/tile.png\") }");
    writeFile(t + QStringLiteral("/back ground.jpg"), "j");
    writeFile(t + QStringLiteral("/img/pic.gif"), "g");
    writeFile(t + QStringLiteral("/img/tile.png"), "p");
    writeFile(t + QStringLiteral("/images/logo.png"), "l");

    QStringList files;
    CollectLinkedFiles(t + QStringLiteral("/page.htm"), files);
    const QStringList expected = {
        t + QStringLiteral("/page.htm"),        t + QStringLiteral("/back ground.jpg"),
        t + QStringLiteral("/images/logo.png"), t + QStringLiteral("/img/pic.gif"),
        t + QStringLiteral("/style.css"),       t + QStringLiteral("/img/tile.png"),
    };
    EXPECT_EQ(files, expected);
}
