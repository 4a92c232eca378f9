#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace testsupport {

QString sourceDir()
{
    const QByteArray env = qgetenv("QC_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(QC_DEFAULT_SOURCE_DIR) : QString::fromLocal8Bit(env);
}

QString buildDir()
{
    const QByteArray env = qgetenv("QC_BUILD_DIR");
    return env.isEmpty() ? QStringLiteral(QC_DEFAULT_BUILD_DIR) : QString::fromLocal8Bit(env);
}

QString corpusDir(const QString &sub)
{
    QByteArray env = qgetenv("QC_CORPUS_DIR");
    QString base = env.isEmpty() ? QStringLiteral(QC_DEFAULT_CORPUS_DIR)
                                 : QString::fromLocal8Bit(env);
    QString dir = sub.isEmpty() ? base : base + QLatin1Char('/') + sub;
    return QFileInfo(dir).isDir() ? QDir(dir).absolutePath() : QString();
}

ScratchDir::ScratchDir()
    : dir_(QDir::tempPath() + QStringLiteral("/qc-test-XXXXXX"))
{
    EXPECT_TRUE(dir_.isValid()) << "cannot create a scratch folder";
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir())
            copyTree(entry.filePath(), target);
        else
            ASSERT_TRUE(QFile::copy(entry.filePath(), target)) << entry.filePath().toStdString();
    }
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool matchesExpectedFile(const QString &actual, const QString &expected)
{
    const QByteArray bytes = readFile(actual);
    const QString reference = sourceDir() + QStringLiteral("/tests/data/") + expected;
    if (QFileInfo::exists(reference) && bytes == readFile(reference))
        return true;
    const QString copy = buildDir() + QStringLiteral("/expected-mismatch/") + expected;
    QDir().mkpath(QFileInfo(copy).absolutePath());
    QFile::remove(copy);
    QFile::copy(actual, copy);
    ADD_FAILURE() << QFileInfo(actual).fileName().toStdString() << " differs from " << reference.toStdString()
                  << "; what was written is in " << copy.toStdString();
    return false;
}

SmallDisk::SmallDisk(const QString &folder) : folder_(folder)
{
    QDir().mkpath(folder);
    mounted_ = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                           QStringLiteral("size=64k"), QStringLiteral("tmpfs"), folder})
               == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        QProcess::execute(QStringLiteral("umount"), {folder_});
}

} // namespace testsupport
