// The program's entry.
#include "foundation/basicinfo.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SetProductInformation();
    QCoreApplication::setApplicationName(ProductName);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessaly"));
    std::fprintf(stderr, "%s %s: the main window and batch builds are not built yet.\n",
                 qPrintable(ProductName), qPrintable(ProductVersion));
    return 1;
}
