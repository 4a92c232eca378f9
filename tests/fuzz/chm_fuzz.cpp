// Fuzz driver for the help-file reader: the input is taken as a compiled
// help file, unpacked in-process with the unpacking helper's code, its system
// data read, and whatever contents, index and pages it holds distilled. Any
// file written outside the work folder stops the run.
#include "chmimport/ChmTo.h"
#include "chmimport/helper/ChmUnpack.h"
#include "platform/Exception.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace chmfuzz {

struct Outcome {
    bool Opened = false;    // the unpacking got through
    int FileCount = 0;      // files written into the work folder
    int Entries = 0;        // contents entries after distilling
    QStringList Outside;    // files found outside the work folder (must stay empty)
};

inline void unpackInProcess(const QString &chm, const QString &work, Outcome &o);

inline Outcome RunOne(const uint8_t *data, size_t size)
{
    Outcome o;
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return o;
    const QString chm = scratch.filePath(QStringLiteral("input.chm"));
    {
        QFile f(chm);
        if (!f.open(QIODevice::WriteOnly))
            return o;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QString work = scratch.filePath(QStringLiteral("work/"));
    // With QC_CHM_FUZZ_HELPER set, the help file is unpacked by the helper
    // program as the import does, so that libchm's own faults stay in the
    // child and the run covers the system's code only.
    if (qEnvironmentVariableIsSet("QC_CHM_FUZZ_HELPER")) {
        TCHMDistill d;
        d.Discard = true;
        try {
            d.LoadFromCHM(chm);
            d.rootFolder = work;
            d.decompile();
            o.Opened = true;
            d.Execute();
        } catch (const Exception &) {
            // a damaged help file is a message, not a fault
        }
        o.Entries = d.List.Count();
    } else {
        QDir().mkpath(work);
        unpackInProcess(chm, work, o);
    }
    QDirIterator it(scratch.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        if (f == chm)
            continue;
        if (f.startsWith(work))
            ++o.FileCount;
        else
            o.Outside << f;
    }
    return o;
}

inline void unpackInProcess(const QString &chm, const QString &work, Outcome &o)
{
    QByteArray system;
    QString error;
    if (ReadChmObject(chm, QByteArrayLiteral("/#SYSTEM"), system, error))
        (void)ParseChmSystemData(system);
    TChmUnpackLimits limits;
    limits.MaxFileSize = 4 << 20;
    limits.MaxTotalSize = 16 << 20;
    limits.MaxFileCount = 2000;
    const TChmUnpackResult r = UnpackChm(chm, work, limits);
    o.Opened = r.Ok;
    if (r.Ok) {
        TCHMDistill d;
        d.chmFile = chm;
        d.rootFolder = work;
        d.Discard = true;
        try {
            d.hhcFile = FindFileByExt(work, QStringLiteral(".hhc"));
            ParseHhcFile(d);
            d.hhkFile = FindFileByExt(work, QStringLiteral(".hhk"));
            ParseHhkFile(d);
            d.Execute();
        } catch (const Exception &) {
            // a damaged contents file is a message, not a fault
        }
        o.Entries = d.List.Count();
    }
}

} // namespace chmfuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const chmfuzz::Outcome o = chmfuzz::RunOne(data, size);
    if (!o.Outside.isEmpty())
        std::abort();
    return 0;
}
