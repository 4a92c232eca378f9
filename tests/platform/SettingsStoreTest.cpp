#include "platform/SettingsStore.h"

#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Points the user's configuration folder at a scratch folder for one test.
class ScratchConfig {
public:
    ScratchConfig() : old_(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
    }
    ~ScratchConfig() { qputenv("XDG_CONFIG_HOME", old_); }
    QString path() const { return dir_.path(); }

private:
    testsupport::ScratchDir dir_;
    QByteArray old_;
};

} // namespace

TEST(SettingsStore, ValuesLiveInTheUsersConfigFolder)
{
    ScratchConfig config;
    EXPECT_EQ(settings::StoreFileName(), config.path() + QStringLiteral("/Tessaly/Quillcraft.ini"));
    EXPECT_EQ(settings::ReadInteger(QStringLiteral("NoHeadingNumber")), 0);
    EXPECT_EQ(settings::ReadInteger(QStringLiteral("RecentFilesCount"), 7), 7);

    settings::WriteInteger(QStringLiteral("RecentFilesCount"), 2);
    settings::WriteString(QStringLiteral("RecentFile1"), QStringLiteral("/home/w/Hilfe \u00FC.qvx"));
    EXPECT_TRUE(QFile::exists(settings::StoreFileName()));
    EXPECT_EQ(settings::ReadInteger(QStringLiteral("RecentFilesCount")), 2);
    EXPECT_EQ(settings::ReadString(QStringLiteral("RecentFile1")), QStringLiteral("/home/w/Hilfe \u00FC.qvx"));

    // A value that is not a number reads as the default.
    settings::WriteString(QStringLiteral("NoHeadingNumber"), QStringLiteral("yes"));
    EXPECT_EQ(settings::ReadInteger(QStringLiteral("NoHeadingNumber"), 0), 0);
    settings::Remove(QStringLiteral("RecentFile1"));
    EXPECT_FALSE(settings::Contains(QStringLiteral("RecentFile1")));
}
