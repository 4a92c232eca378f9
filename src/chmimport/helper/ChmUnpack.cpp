#include "chmimport/helper/ChmUnpack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <chm_lib.h>

namespace {

// Closes the help file when the scope ends.
struct ChmHandle {
    explicit ChmHandle(const QString &path) : h(chm_open(QFile::encodeName(path).constData())) {}
    ~ChmHandle()
    {
        if (h)
            chm_close(h);
    }
    ChmHandle(const ChmHandle &) = delete;
    ChmHandle &operator=(const ChmHandle &) = delete;
    chmFile *h;
};

struct UnpackState {
    // Listing only: the files are noted with their sizes, none is written.
    TChmListing *listing = nullptr;
    QString target;
    TChmUnpackLimits limits;
    TChmUnpackResult *result = nullptr;
    QSet<QByteArray> seen;
    qint64 entries = 0;
};

bool writeObject(chmFile *h, chmUnitInfo *ui, const QString &path, UnpackState &st)
{
    const qint64 length = qint64(ui->length);
    if (st.listing) {
        st.listing->Files.append({path, std::max<qint64>(length, 0)});
        return true;
    }
    if (length < 0 || length > st.limits.MaxFileSize) {
        st.result->Error = QStringLiteral("the inner file \"%1\" is larger than %2 bytes")
                               .arg(QString::fromUtf8(ui->path))
                               .arg(st.limits.MaxFileSize);
        return false;
    }
    if (st.result->TotalSize + length > st.limits.MaxTotalSize) {
        st.result->Error = QStringLiteral("its files together are larger than %1 bytes").arg(st.limits.MaxTotalSize);
        return false;
    }
    if (st.result->FileCount + 1 > st.limits.MaxFileCount) {
        st.result->Error = QStringLiteral("it holds more than %1 files").arg(st.limits.MaxFileCount);
        return false;
    }
    const QString full = st.target + path;
    if (!QDir().mkpath(QFileInfo(full).absolutePath())) {
        st.result->Error = QStringLiteral("cannot create the folder of \"%1\"").arg(full);
        return false;
    }
    QFile out(full);
    // A name met twice (different case folded by the compiler, say) keeps
    // the first file; nothing outside the target is ever opened.
    if (QFileInfo(full).isSymLink() || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(full)) {
            st.result->Refused << QStringLiteral("%1: a file of that name was already written").arg(path);
            return true;
        }
        st.result->Error = QStringLiteral("cannot write \"%1\": %2").arg(full, out.errorString());
        return false;
    }
    QByteArray buffer(qsizetype(std::min<qint64>(length, 1 << 20)), '\0');
    qint64 done = 0;
    while (done < length) {
        const qint64 want = std::min<qint64>(length - done, buffer.size());
        const LONGINT64 got = chm_retrieve_object(h, ui, reinterpret_cast<unsigned char *>(buffer.data()),
                                                  LONGUINT64(done), LONGINT64(want));
        if (got <= 0)
            break; // a damaged stream: keep what could be read
        if (out.write(buffer.constData(), got) != got) {
            st.result->Error = QStringLiteral("cannot write \"%1\": %2").arg(full, out.errorString());
            return false;
        }
        done += got;
    }
    if (done < length)
        st.result->Refused << QStringLiteral("%1: only %2 of %3 bytes could be read").arg(path).arg(done).arg(length);
    st.result->FileCount += 1;
    st.result->TotalSize += done;
    return true;
}

int enumerateOne(chmFile *h, chmUnitInfo *ui, void *context)
{
    auto &st = *static_cast<UnpackState *>(context);
    const QByteArray name(ui->path);
    // A damaged directory can lead libchm round in a circle: a name met
    // again ends the listing, and so does a listing far longer than any
    // help file within the limits has.
    if (st.seen.contains(name)) {
        st.result->Refused << QStringLiteral("the directory repeats itself after %1 entries; the rest is left out")
                                  .arg(st.entries);
        return CHM_ENUMERATOR_SUCCESS;
    }
    st.seen.insert(name);
    if (++st.entries > qint64(st.limits.MaxFileCount) * 4 + 1000) {
        st.result->Error = QStringLiteral("its directory is damaged (it lists too many entries)");
        return CHM_ENUMERATOR_FAILURE;
    }
    if (!(ui->flags & CHM_ENUMERATE_NORMAL) || !(ui->flags & CHM_ENUMERATE_FILES))
        return CHM_ENUMERATOR_CONTINUE;
    if (name.startsWith("::") || name.startsWith("/#") || name.startsWith("/$") || name.endsWith('/'))
        return CHM_ENUMERATOR_CONTINUE;
    const QString path = SafeInnerPath(name);
    if (path.isEmpty()) {
        st.result->Refused << QStringLiteral("%1: unsafe name").arg(QString::fromUtf8(name));
        return CHM_ENUMERATOR_CONTINUE;
    }
    return writeObject(h, ui, path, st) ? CHM_ENUMERATOR_CONTINUE : CHM_ENUMERATOR_FAILURE;
}

// Reads an encoded integer of a directory entry: 7 bits a byte, high bit set
// on every byte but the last.
bool readEncInt(const QByteArray &chunk, qsizetype &p, qsizetype end, quint64 &value)
{
    value = 0;
    for (int k = 0; k < 9 && p < end; ++k) {
        const quint8 b = quint8(chunk.at(p++));
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

// Some compilers (chmcmd among them) name the second listing chunk as the
// first in the directory header, and libchm's listing then misses the
// entries of the first chunk. Every listing chunk of the file is read here
// and what the listing missed is written too.
bool addMissedEntries(chmFile *h, const QString &chmFile, UnpackState &st)
{
    QFile file(chmFile);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray head = file.read(0x58);
    if (head.size() < 0x58 || !head.startsWith("ITSF"))
        return true;
    const qint64 dirOffset = qFromLittleEndian<qint64>(head.constData() + 0x48);
    if (dirOffset <= 0 || !file.seek(dirOffset))
        return true;
    const QByteArray itsp = file.read(0x54);
    if (itsp.size() < 0x54 || !itsp.startsWith("ITSP"))
        return true;
    const quint32 chunkSize = qFromLittleEndian<quint32>(itsp.constData() + 0x10);
    const quint32 chunks = qFromLittleEndian<quint32>(itsp.constData() + 0x2C);
    if (chunkSize < 0x20 || chunkSize > (1u << 16) || chunks > (1u << 20))
        return true;
    for (quint32 c = 0; c < chunks; ++c) {
        if (!file.seek(dirOffset + 0x54 + qint64(c) * chunkSize))
            break;
        const QByteArray chunk = file.read(chunkSize);
        if (chunk.size() < qsizetype(chunkSize) || !chunk.startsWith("PMGL"))
            continue;
        const quint32 freeSpace = qFromLittleEndian<quint32>(chunk.constData() + 4);
        const qsizetype end = freeSpace < chunkSize - 0x14 ? qsizetype(chunkSize - freeSpace) : 0x14;
        qsizetype p = 0x14;
        while (p < end) {
            quint64 length = 0, ignored = 0;
            if (!readEncInt(chunk, p, end, length) || length == 0 || length > quint64(end - p))
                break;
            const QByteArray name = chunk.mid(p, qsizetype(length));
            p += qsizetype(length);
            if (!readEncInt(chunk, p, end, ignored) || !readEncInt(chunk, p, end, ignored)
                || !readEncInt(chunk, p, end, ignored))
                break;
            if (st.seen.contains(name))
                continue;
            st.seen.insert(name);
            if (name.startsWith("::") || name.startsWith("/#") || name.startsWith("/$") || name.endsWith('/'))
                continue;
            chmUnitInfo ui;
            if (chm_resolve_object(h, name.constData(), &ui) != CHM_RESOLVE_SUCCESS)
                continue;
            const QString path = SafeInnerPath(name);
            if (path.isEmpty()) {
                st.result->Refused << QStringLiteral("%1: unsafe name").arg(QString::fromUtf8(name));
                continue;
            }
            if (!writeObject(h, &ui, path, st))
                return false;
        }
    }
    return true;
}

} // namespace

QString SafeInnerPath(const QByteArray &innerName)
{
    QString name = QString::fromUtf8(innerName);
    if (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QString();
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return QString();
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::ReplacementCharacter)
            return QString();
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts)
        if (part.isEmpty() || part == QLatin1String("..") || part == QLatin1String("."))
            return QString();
    return name;
}

namespace {

const QString kNotAHelpFile = QStringLiteral("it is not a compiled help file or cannot be read");

// Takes every entry of the help file, those that libchm's listing misses
// too; gives chm_enumerate's result.
int takeEveryEntry(chmFile *h, const QString &chmFile, UnpackState &st)
{
    const int rc = chm_enumerate(h, CHM_ENUMERATE_ALL, enumerateOne, &st);
    if (st.result->Error.isEmpty())
        addMissedEntries(h, chmFile, st);
    return rc;
}

} // namespace

TChmUnpackResult UnpackChm(const QString &chmFile, const QString &targetFolder, const TChmUnpackLimits &limits)
{
    TChmUnpackResult result;
    ChmHandle chm(chmFile);
    if (!chm.h) {
        result.Error = kNotAHelpFile;
        return result;
    }
    UnpackState st;
    st.target = QDir(targetFolder).absolutePath() + QLatin1Char('/');
    st.limits = limits;
    st.result = &result;
    const int rc = takeEveryEntry(chm.h, chmFile, st);
    if (!result.Error.isEmpty())
        return result;
    if (result.FileCount == 0) {
        result.Error = rc == 0 ? QStringLiteral("its directory cannot be read")
                               : QStringLiteral("it holds no file that can be read");
        return result;
    }
    result.Ok = true;
    return result;
}

TChmListing ListChm(const QString &chmFile)
{
    TChmListing listing;
    TChmUnpackResult result;
    ChmHandle chm(chmFile);
    if (!chm.h) {
        listing.Error = kNotAHelpFile;
        return listing;
    }
    UnpackState st;
    st.listing = &listing;
    st.result = &result;
    takeEveryEntry(chm.h, chmFile, st);
    listing.Error = result.Error;
    return listing;
}

bool ReadChmObject(const QString &chmFile, const QByteArray &innerName, QByteArray &data, QString &error,
                   qint64 maxSize)
{
    data.clear();
    ChmHandle chm(chmFile);
    if (!chm.h) {
        error = QStringLiteral("it is not a compiled help file or cannot be read");
        return false;
    }
    chmUnitInfo ui;
    if (chm_resolve_object(chm.h, innerName.constData(), &ui) != CHM_RESOLVE_SUCCESS)
        return true; // no such object: empty data
    const qint64 length = qint64(ui.length);
    if (length < 0 || length > maxSize) {
        error = QStringLiteral("its \"%1\" object is too large").arg(QString::fromUtf8(innerName));
        return false;
    }
    data.resize(qsizetype(length));
    const LONGINT64 got = chm_retrieve_object(chm.h, &ui, reinterpret_cast<unsigned char *>(data.data()), 0,
                                              LONGINT64(length));
    data.resize(qsizetype(std::max<LONGINT64>(got, 0)));
    return true;
}
