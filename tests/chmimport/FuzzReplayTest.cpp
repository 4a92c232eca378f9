// Replays the help-file reader's fuzz seeds, so that the driver and its
// checks run in every test run.
#include "fuzz/chm_fuzz.cpp"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ChmFuzzReplay, SeedsUnpackInsideTheWorkFolder)
{
    const QDir seeds(testsupport::sourceDir() + QStringLiteral("/tests/fuzz/chm_seeds"));
    const QStringList names = seeds.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << seeds.path().toStdString();
    int helpFiles = 0;
    for (const QString &name : names) {
        const QByteArray bytes = testsupport::readFile(seeds.filePath(name));
        const chmfuzz::Outcome o =
            chmfuzz::RunOne(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        EXPECT_TRUE(o.Outside.isEmpty()) << name.toStdString() << ": " << o.Outside.join(' ').toStdString();
        // Seeds named *.chm are whole help files: they unpack and have contents.
        if (name.endsWith(QLatin1String(".chm"))) {
            ++helpFiles;
            EXPECT_TRUE(o.Opened) << name.toStdString();
            EXPECT_GT(o.FileCount, 0) << name.toStdString();
            EXPECT_GT(o.Entries, 0) << name.toStdString();
        }
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())), 0);
    }
    EXPECT_GT(helpFiles, 0);
}
