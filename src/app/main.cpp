// The program's entry.
#include "app/Startup.h"
#include "foundation/Paths.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    SelectPlatform(arguments);
    RemoveLeftoversOfEndedRuns(); // of runs that were killed
    PrepareBatchEnvironment(arguments);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the template previews' web views
    QApplication app(argc, argv);
    return RunQuillcraft(arguments);
}
