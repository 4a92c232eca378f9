// The template package reader: the packed entries, their main page, and the
// hexadecimal form a project file stores them in.
#include "project/Template.h"

#include <QByteArray>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        (void)ReadTemplateEntries(stream);
        (void)GetTemplateMainFile(stream);
    } catch (const std::exception &) {
        // A refused package is a result, not a finding.
    }
    try {
        (void)ReadTemplateEntries(HexToStream(QString::fromLatin1(stream)));
    } catch (const std::exception &) {
    }
    return 0;
}
