// The program's entry.
#include "app/Startup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    SelectPlatform(arguments);
    QApplication app(argc, argv);
    return RunQuillcraft(arguments);
}
