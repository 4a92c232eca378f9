#include "foundation/basicinfo.h"

QString ProductName;
QString ProductVersion;
QString ProductRegistryKey;
QString ProductCopyright;
QString ProductWebAddress;
QString ProductSupportMail;

const QString ApplicationTitle = QStringLiteral("Tessaly Quillcraft");

void SetProductInformation()
{
    ProductName = QStringLiteral("Quillcraft");
    ProductVersion = QStringLiteral("1.0.0");
    ProductRegistryKey = QStringLiteral("\\Software\\Tessaly\\Quillcraft");
    ProductCopyright = QStringLiteral("Copyright (C) 2026 Tessaly. All rights reserved.");
    ProductWebAddress = QStringLiteral("https://www.tessaly.com/quillcraft/");
    ProductSupportMail = QStringLiteral("support@tessaly.com");
}
