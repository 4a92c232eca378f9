// The unpacking helper of the help-file import. Run as a child process so
// that a crash inside libchm on a damaged file ends only this process.
//   qc_chmunpack unpack FILE.chm FOLDER   writes the help file's files into FOLDER
//   qc_chmunpack system FILE.chm          writes its raw system data to standard output
//   qc_chmunpack list FILE.chm            lists the files unpack would write, one a line:
//                                         the size in bytes, a tab, the path
// Exit code 0 on success; otherwise 1 with the reason on standard error.
// Names that were refused are listed on standard output, one a line.
#include "chmimport/helper/ChmUnpack.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    auto fail = [](const QString &message) {
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
        return 1;
    };
    if (argc == 4 && std::strcmp(argv[1], "unpack") == 0) {
        const QString chm = QFile::decodeName(argv[2]);
        const QString folder = QFile::decodeName(argv[3]);
        const TChmUnpackResult r = UnpackChm(chm, folder);
        for (const QString &line : r.Refused)
            std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        return r.Ok ? 0 : fail(r.Error);
    }
    if (argc == 3 && std::strcmp(argv[1], "list") == 0) {
        const TChmListing listing = ListChm(QFile::decodeName(argv[2]));
        if (!listing.Error.isEmpty())
            return fail(listing.Error);
        for (const auto &[path, size] : listing.Files)
            std::printf("%lld\t%s\n", static_cast<long long>(size), path.toUtf8().constData());
        std::fflush(stdout);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "system") == 0) {
        QByteArray data;
        QString error;
        if (!ReadChmObject(QFile::decodeName(argv[2]), QByteArrayLiteral("/#SYSTEM"), data, error))
            return fail(error);
        std::fwrite(data.constData(), 1, size_t(data.size()), stdout);
        std::fflush(stdout);
        return 0;
    }
    return fail(QStringLiteral(
        "usage: qc_chmunpack unpack FILE.chm FOLDER | qc_chmunpack system FILE.chm | qc_chmunpack list FILE.chm"));
}
