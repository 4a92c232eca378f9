#include "platform/LinkScheme.h"

QString LinkScheme(QStringView address)
{
    QString scheme;
    for (const QChar c : address) {
        if (c == u':')
            return scheme;
        if (c > u' ' && c != QChar(0x7F))
            scheme += c.toLower();
        if (scheme.size() > 10)
            return QString();
    }
    return QString();
}
