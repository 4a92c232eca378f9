// Runs a suite inside a QCoreApplication, so that code using Qt's event loop,
// threads and timers behaves as it does in the program. The settings store
// lives in a scratch configuration folder: no test touches the real user's
// settings.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
