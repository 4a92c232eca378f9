#include "app/Startup.h"

#include "app/FlashScreen.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"
#include "foundation/basicinfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <memory>

void SelectPlatformForBatch(const QStringList &arguments)
{
    if (!TStartup::FromArguments(arguments).Batch())
        return;
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!hasDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

int RunQuillcraft(const QStringList &arguments)
{
    SetProductInformation();
    QApplication::setApplicationName(ProductName);
    QApplication::setApplicationDisplayName(ApplicationTitle);
    const TStartup startup = TStartup::FromArguments(arguments);

    // Batch runs keep the prompt that answers by itself; interactive runs ask.
    std::unique_ptr<ScopedPrompt> prompt;
    if (!startup.Batch())
        prompt = std::make_unique<ScopedPrompt>(std::make_shared<WidgetPrompt>());
    QApplication::setQuitOnLastWindowClosed(!startup.Batch());

    std::unique_ptr<TfrmFlashScreen> splash;
    if (!startup.Silent()) {
        splash = std::make_unique<TfrmFlashScreen>();
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
