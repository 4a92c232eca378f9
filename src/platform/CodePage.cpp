#include "platform/CodePage.h"

#include "platform/Exception.h"

#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace CodePage {
namespace {

// How a Windows code page is reached through iconv. Single-byte pages are
// decoded through a 256-entry table so that, as on Windows, every byte has a
// character and nothing is composed across bytes (glibc composes Vietnamese
// and Hebrew marks in 1258 and 1255).
struct Mapping {
    int codePage;
    const char *iconv; // nullptr: Windows has it, iconv here does not
    bool singleByte;
    int unit;          // bytes skipped over an undecodable sequence
};

constexpr Mapping kMappings[] = {
    {437, "IBM437", true, 1},          {708, "ASMO-708", true, 1},
    {720, nullptr, true, 1},           {737, "CP737", true, 1},
    {775, "IBM775", true, 1},          {850, "IBM850", true, 1},
    {852, "IBM852", true, 1},          {855, "IBM855", true, 1},
    {857, "IBM857", true, 1},          {858, "IBM858", true, 1},
    {860, "IBM860", true, 1},          {861, "IBM861", true, 1},
    {862, "IBM862", true, 1},          {863, "IBM863", true, 1},
    {864, "IBM864", true, 1},          {865, "IBM865", true, 1},
    {866, "IBM866", true, 1},          {869, "IBM869", true, 1},
    {874, "WINDOWS-874", true, 1},     {932, "CP932", false, 1},
    {936, "CP936", false, 1},          {949, "CP949", false, 1},
    {950, "CP950", false, 1},          {1200, "UTF-16LE", false, 2},
    {1201, "UTF-16BE", false, 2},      {1250, "CP1250", true, 1},
    {1251, "CP1251", true, 1},         {1252, "CP1252", true, 1},
    {1253, "CP1253", true, 1},         {1254, "CP1254", true, 1},
    {1255, "CP1255", true, 1},         {1256, "CP1256", true, 1},
    {1257, "CP1257", true, 1},         {1258, "CP1258", true, 1},
    {1361, "JOHAB", false, 1},         {10000, "MACINTOSH", true, 1},
    {10007, "MAC-CYRILLIC", true, 1},  {10029, "MAC-CENTRALEUROPE", true, 1},
    {12000, "UTF-32LE", false, 4},     {12001, "UTF-32BE", false, 4},
    {20127, "US-ASCII", true, 1},      {20866, "KOI8-R", true, 1},
    {20932, "EUC-JP", false, 1},       {20936, "EUC-CN", false, 1},
    {21866, "KOI8-RU", true, 1},       {28591, "ISO-8859-1", true, 1},
    {28592, "ISO-8859-2", true, 1},    {28593, "ISO-8859-3", true, 1},
    {28594, "ISO-8859-4", true, 1},    {28595, "ISO-8859-5", true, 1},
    {28596, "ISO-8859-6", true, 1},    {28597, "ISO-8859-7", true, 1},
    {28598, "ISO-8859-8", true, 1},    {28599, "ISO-8859-9", true, 1},
    {28603, "ISO-8859-13", true, 1},   {28605, "ISO-8859-15", true, 1},
    {38598, "ISO-8859-8", true, 1},    {50000, nullptr, true, 1},
    {50001, nullptr, false, 1},        {50220, "ISO-2022-JP", false, 1},
    {50221, "ISO-2022-JP", false, 1},  {50222, "ISO-2022-JP", false, 1},
    {50225, "ISO-2022-KR", false, 1},
    {50932, nullptr, false, 1},        {50949, nullptr, false, 1},
    {51932, "EUC-JP", false, 1},       {51936, "EUC-CN", false, 1},
    {51949, "EUC-KR", false, 1},       {52936, nullptr, false, 1},
    {54936, "GB18030", false, 1},      {65000, "UTF-7", false, 1},
    {65001, "UTF-8", false, 1},
};

constexpr char16_t kReplacement = 0xFFFD;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *kUtf16 = "UTF-16LE";
#else
constexpr const char *kUtf16 = "UTF-16BE";
#endif

const Mapping *findMapping(int codePage)
{
    for (const Mapping &m : kMappings)
        if (m.codePage == codePage)
            return &m;
    return nullptr;
}

// An open iconv descriptor, closed on every path.
class Converter {
public:
    Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Which mapped code pages iconv here really provides, asked once.
const QHash<int, bool> &availability()
{
    static const QHash<int, bool> table = [] {
        QHash<int, bool> result;
        for (const Mapping &m : kMappings)
            result.insert(m.codePage, m.iconv && Converter(kUtf16, m.iconv).ok());
        return result;
    }();
    return table;
}

// Every byte's character in a single-byte code page. Bytes iconv leaves
// undefined decode as Windows decodes them: 0x80-0x9F as the C1 control of
// the same number, others as U+FFFD.
struct ByteTable {
    char16_t chars[256];
};

ByteTable buildByteTable(const char *name)
{
    ByteTable table;
    Converter cd(kUtf16, name);
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char16_t out[4] = {};
        char *inPtr = &in;
        size_t inLeft = 1;
        char *outPtr = reinterpret_cast<char *>(out);
        size_t outLeft = sizeof out;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        const size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        // Flush a character the converter holds back waiting for a mark.
        if (r != size_t(-1))
            iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
        const bool single = r != size_t(-1) && sizeof out - outLeft == sizeof(char16_t);
        if (single)
            table.chars[b] = out[0];
        else if (b >= 0x80 && b <= 0x9F)
            table.chars[b] = char16_t(b);
        else
            table.chars[b] = kReplacement;
    }
    return table;
}

const ByteTable &byteTable(const Mapping &m)
{
    static const QHash<int, ByteTable> tables = [] {
        QHash<int, ByteTable> result;
        for (const Mapping &each : kMappings)
            if (each.singleByte && availability().value(each.codePage))
                result.insert(each.codePage, buildByteTable(each.iconv));
        return result;
    }();
    return *tables.find(m.codePage);
}

[[noreturn]] void unsupported(int codePage)
{
    throw Exception(QStringLiteral("Code page %1 is not supported on this system: "
                                   "text cannot be converted to or from it.")
                        .arg(codePage));
}

const Mapping &require(int codePage)
{
    const Mapping *m = findMapping(codePage);
    if (!m || !availability().value(codePage))
        unsupported(codePage);
    return *m;
}

QString decodeSingleByte(const QByteArray &bytes, const ByteTable &table)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = table.chars[uchar(bytes[i])];
    return text;
}

QString decodeWithIconv(const QByteArray &bytes, const Mapping &m)
{
    Converter cd(kUtf16, m.iconv);
    if (!cd.ok())
        unsupported(m.codePage);
    QString text(bytes.size() + 16, Qt::Uninitialized);
    qsizetype used = 0; // code units written
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    auto room = [&] { return size_t(text.size() - used) * sizeof(char16_t); };
    auto put = [&](char16_t c) {
        if (used == text.size())
            text.resize(text.size() * 2);
        text.data()[used++] = QChar(c);
    };
    bool flushing = false;
    for (;;) {
        char *out = reinterpret_cast<char *>(text.data() + used);
        size_t outLeft = room();
        const size_t r = flushing ? iconv(cd.get(), nullptr, nullptr, &out, &outLeft)
                                  : iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        used = (out - reinterpret_cast<char *>(text.data())) / qsizetype(sizeof(char16_t));
        if (r != size_t(-1)) {
            if (flushing)
                break;
            flushing = true;
            continue;
        }
        if (errno == E2BIG) {
            text.resize(text.size() * 2 + 16);
        } else if (flushing) {
            break;
        } else if (errno == EILSEQ) {
            put(kReplacement);
            const size_t skip = std::min(inLeft, size_t(m.unit));
            in += skip;
            inLeft -= skip;
        } else { // EINVAL: the text ends inside a sequence
            put(kReplacement);
            in += inLeft;
            inLeft = 0;
        }
    }
    text.truncate(used);
    return text;
}

QByteArray encodeWithIconv(const QString &text, const Mapping &m)
{
    Converter cd(m.iconv, kUtf16);
    if (!cd.ok())
        unsupported(m.codePage);
    const ByteTable *table = m.singleByte ? &byteTable(m) : nullptr;
    QByteArray bytes(text.size() * 2 + 16, Qt::Uninitialized);
    qsizetype used = 0;
    // Runs the converter over in (or flushes its state when in is null),
    // growing the output as needed; returns false on a character it cannot
    // convert or on input ending inside a surrogate pair.
    auto run = [&](char **in, size_t *inLeft) {
        for (;;) {
            char *out = bytes.data() + used;
            size_t outLeft = size_t(bytes.size() - used);
            const size_t r = iconv(cd.get(), in, inLeft, &out, &outLeft);
            used = out - bytes.data();
            if (r != size_t(-1))
                return true;
            if (errno != E2BIG)
                return false;
            bytes.resize(bytes.size() * 2 + 16);
        }
    };
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * sizeof(char16_t);
    while (!run(&in, &inLeft)) {
        const char16_t c = *reinterpret_cast<const char16_t *>(in);
        in += sizeof(char16_t);
        inLeft -= std::min(inLeft, sizeof(char16_t));
        // A C1 control that Windows keeps as its own byte in this page.
        if (table && c >= 0x80 && c <= 0x9F && table->chars[c] == c) {
            if (used == bytes.size())
                bytes.resize(bytes.size() * 2 + 16);
            bytes[used++] = char(c);
            continue;
        }
        // "?" in the target encoding, after leaving any shifted state.
        static const char16_t question = u'?';
        char *q = reinterpret_cast<char *>(const_cast<char16_t *>(&question));
        size_t qLeft = sizeof question;
        run(nullptr, nullptr);
        run(&q, &qLeft);
        if (inLeft == 0)
            break;
    }
    run(nullptr, nullptr);
    bytes.truncate(used);
    return bytes;
}

} // namespace

QByteArray iconvName(int codePage)
{
    const Mapping *m = findMapping(codePage);
    return m && m->iconv ? QByteArray(m->iconv) : QByteArray();
}

bool isAvailable(int codePage)
{
    return availability().value(codePage, false);
}

void requireAvailable(int codePage)
{
    require(codePage);
}

bool keepsAscii(int codePage)
{
    static const QHash<int, bool> table = [] {
        QString probe;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            probe += QChar(c);
        const QByteArray ascii = probe.toLatin1();
        QHash<int, bool> result;
        // A stateful encoding may announce its character sets first; what
        // counts is that the characters themselves are their own bytes.
        for (const Mapping &m : kMappings)
            result.insert(m.codePage, availability().value(m.codePage) && fromUnicode(probe, m.codePage).contains(ascii));
        return result;
    }();
    return table.value(codePage, false);
}

QList<int> knownCodePages()
{
    QList<int> result;
    for (const Mapping &m : kMappings)
        result.append(m.codePage);
    std::sort(result.begin(), result.end());
    return result;
}

QString toUnicode(const QByteArray &bytes, int codePage)
{
    const Mapping &m = require(codePage);
    if (bytes.isEmpty())
        return QString();
    if (codePage == 65001) {
        // A byte-order mark stays in the text, as Windows leaves it.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    if (m.singleByte)
        return decodeSingleByte(bytes, byteTable(m));
    return decodeWithIconv(bytes, m);
}

QByteArray fromUnicode(const QString &text, int codePage)
{
    const Mapping &m = require(codePage);
    // No text, no bytes: some encoders would announce their character sets.
    if (text.isEmpty())
        return QByteArray();
    if (codePage == 65001)
        return text.toUtf8();
    return encodeWithIconv(text, m);
}

} // namespace CodePage
