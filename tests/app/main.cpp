// The interface tests run inside a QApplication (offscreen unless a display
// is chosen) with HOME and the configuration folder in a scratch folder, so
// that the settings store never touches the real user's files.
#include "foundation/basicinfo.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir user;
    const QByteArray home = QDir(user.path()).filePath(QStringLiteral("home")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(home) + QStringLiteral("/Documents"));
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DOCUMENTS_DIR", home + "/Documents");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web views' renderer cannot use its sandbox when the tests run as root.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    SetProductInformation();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
