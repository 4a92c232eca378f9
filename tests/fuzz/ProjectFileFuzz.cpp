// The project file reader, with the HTML Help settings and templates it holds.
#include "FuzzInput.h"

#include "project/ProjectSetting.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzzinput::WriteInput(data, size, QStringLiteral("input.qvx"));
    if (path.isEmpty())
        return 0;
    try {
        TProject project;
        project.ReadFromIni(path);
        for (int kind = 0; kind <= 5; ++kind)
            (void)project.RealPath(kind);
    } catch (const std::exception &) {
        // A refused project file is a result, not a finding.
    }
    return 0;
}
