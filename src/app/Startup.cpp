#include "app/Startup.h"

#include "app/FlashScreen.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"
#include "foundation/Paths.h"
#include "foundation/basicinfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Platforms the user asked for that need no display.
bool IsDisplaylessPlatform(const QString &name)
{
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

// True when the platform list the run started with asked for no display.
bool displaylessRequested = false;

} // namespace

void SelectPlatform(const QStringList &arguments)
{
    if (TStartup::FromArguments(arguments).Silent()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        displaylessRequested = true;
        return;
    }
    // Qt tries the platforms of a ";" list in order; without a list it
    // aborts the process when the display does not answer.
    QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platforms.isEmpty())
        platforms = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? QStringLiteral("xcb")
                                                                   : QStringLiteral("wayland;xcb");
    const QStringList names = platforms.split(u';', Qt::SkipEmptyParts);
    displaylessRequested = std::any_of(names.begin(), names.end(), [](const QString &n) {
        return IsDisplaylessPlatform(n.section(u':', 0, 0));
    });
    if (!displaylessRequested)
        platforms += QStringLiteral(";offscreen");
    qputenv("QT_QPA_PLATFORM", platforms.toLocal8Bit());
}

void PrepareBatchEnvironment(const QStringList &arguments)
{
    if (!TStartup::FromArguments(arguments).Batch())
        return;
    // Qt accepts a runtime folder that the user owns and alone may enter.
    const QByteArray given = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (!given.isEmpty() && ::stat(given.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
        && (st.st_mode & 0777) == 0700)
        return;
    try {
        const QByteArray folder = QFile::encodeName(GetTempFolder() + QStringLiteral("runtime"));
        if (::mkdir(folder.constData(), 0700) == 0 || (errno == EEXIST && ::chmod(folder.constData(), 0700) == 0))
            qputenv("XDG_RUNTIME_DIR", folder);
    } catch (const std::exception &) {
        // No private temporary folder: Qt picks its own runtime folder.
    }
}

int RunQuillcraft(const QStringList &arguments)
{
    SetProductInformation();
    QApplication::setApplicationName(ProductName);
    // No application display name: Qt would append it to every caption.
    TStartup startup = TStartup::FromArguments(arguments);
    const bool noDisplay = !displaylessRequested && IsDisplaylessPlatform(QGuiApplication::platformName());
    if (noDisplay) {
        const QString display = qEnvironmentVariable("DISPLAY", qEnvironmentVariable("WAYLAND_DISPLAY"));
        const QString which = display.isEmpty() ? QStringLiteral("no display is set (DISPLAY is empty)")
                                                : QStringLiteral("the display \"%1\" does not answer").arg(display);
        if (!startup.Batch()) {
            std::fprintf(stderr, "%s cannot open its window: %s. Start it on a desktop, or build a project "
                                 "without a window with \"%s project.qvx /bs\".\n",
                         qPrintable(ProductName), qPrintable(which), qPrintable(ProductName.toLower()));
            return ExitCodeNoDisplay;
        }
        std::fprintf(stderr, "%s: %s; the project is built without a window, as with /bs.\n",
                     qPrintable(ProductName), qPrintable(which));
        startup.Switch = QStringLiteral("/bs");
    }

    // Batch runs keep the prompt that answers by itself; interactive runs ask.
    std::unique_ptr<ScopedPrompt> prompt;
    if (!startup.Batch())
        prompt = std::make_unique<ScopedPrompt>(std::make_shared<WidgetPrompt>());
    QApplication::setQuitOnLastWindowClosed(!startup.Batch());

    std::unique_ptr<TfrmFlashScreen> splash;
    if (!startup.Silent()) {
        splash = std::make_unique<TfrmFlashScreen>();
        splash->setWindowTitle(ApplicationTitle); // the task bar's text until the main window sets its caption
        splash->show();
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() < 1000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
        }
    }
    TfrmMain frmMain(startup);
    frmMain.FormCreate();
    splash.reset();
    if (!startup.Silent())
        frmMain.show();
    QApplication::exec();
    return frmMain.ExitCode();
}
