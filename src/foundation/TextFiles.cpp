#include "foundation/TextFiles.h"

#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "platform/Prompt.h"

#include <QBuffer>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <QtEndian>

namespace {

const QString kCharset = QStringLiteral("charset=");

int codePageFromText(const QString &codePage)
{
    bool ok = false;
    const int value = codePage.trimmed().toInt(&ok, 10);
    if (!ok)
        throw Exception(QStringLiteral("\"%1\" is not a valid code page number.").arg(codePage));
    return value;
}

QString decodeUtf16LE(const QByteArray &bytes, qsizetype from)
{
    const qsizetype units = (bytes.size() - from) / 2;
    QString text(units, Qt::Uninitialized);
    const uchar *data = reinterpret_cast<const uchar *>(bytes.constData()) + from;
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(data + 2 * i));
    return text;
}

// Bytes to text: a byte-order mark decides first, then the caller's code
// page, then the charset that the page itself declares, then the ANSI code page.
QString decodeText(const QByteArray &bytes, const QString &codePage)
{
    if (bytes.size() >= 2) {
        const uchar b0 = uchar(bytes.at(0)), b1 = uchar(bytes.at(1));
        if (b0 == 0xEF && b1 == 0xBB)
            return QString::fromUtf8(bytes.mid(3));
        if (b0 == 0xFF && b1 == 0xFE)
            return decodeUtf16LE(bytes, 2);
    }
    int cp = 0;
    if (!codePage.isEmpty())
        cp = codePageFromText(codePage);
    else
        cp = CharsetToCodePage(GetHtmlCharset(AnsiToUnicodeCP(bytes, 0)));
    return AnsiToUnicodeCP(bytes, cp);
}

QByteArray encodeText(const QString &text, int encoding)
{
    if (encoding == TextEncodingUtf8)
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    if (encoding == TextEncodingUtf16) {
        QByteArray bytes(2 + 2 * text.size(), Qt::Uninitialized);
        bytes[0] = char(0xFF);
        bytes[1] = char(0xFE);
        uchar *out = reinterpret_cast<uchar *>(bytes.data()) + 2;
        for (qsizetype i = 0; i < text.size(); ++i)
            qToLittleEndian<quint16>(text.at(i).unicode(), out + 2 * i);
        return bytes;
    }
    return UnicodeToAnsiCP(text, encoding <= 0 ? 0 : encoding);
}

QString fileError(const QString &action, const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot %1 the file \"%2\": %3").arg(action, fileName, reason);
}

} // namespace

QString ReferenceUnencodable(const QString &page, int encoding)
{
    if (encoding == TextEncodingUtf8 || encoding == TextEncodingUtf16 || encoding == 65001)
        return page;
    const int codePage = encoding <= 0 ? 0 : encoding;
    if (AnsiToUnicodeCP(UnicodeToAnsiCP(page, codePage), codePage) == page)
        return page;
    QString out;
    out.reserve(page.size());
    for (qsizetype i = 0; i < page.size(); ++i) {
        const QChar c = page.at(i);
        if (c.unicode() < 0x80) {
            out.append(c);
            continue;
        }
        qsizetype len = (c.isHighSurrogate() && i + 1 < page.size()) ? 2 : 1;
        const QString one = page.mid(i, len);
        if (AnsiToUnicodeCP(UnicodeToAnsiCP(one, codePage), codePage) == one)
            out.append(one);
        else
            out.append(QStringLiteral("&#%1;").arg(one.toUcs4().value(0)));
        i += len - 1;
    }
    return out;
}

QString LoadTextFromStream(QIODevice &stream, const QString &codePage)
{
    if (!stream.isReadable())
        throw Exception(QStringLiteral("Cannot read text: the stream is not open for reading."));
    if (!stream.isSequential())
        stream.seek(0);
    return decodeText(stream.readAll(), codePage);
}

QString LoadTextFile(const QString &fileName, const QString &codePage)
{
    if (!QFileInfo::exists(fileName))
        return QString();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(fileError(QStringLiteral("open"), fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception(fileError(QStringLiteral("read"), fileName, file.errorString()));
    try {
        return decodeText(bytes, codePage);
    } catch (const Exception &e) {
        throw Exception(fileError(QStringLiteral("read"), fileName, e.message()));
    }
}

QString LoadTextFileSafe(const QString &fileName, const QString &codePage, QString *error)
{
    QString copy, text, failure;
    try {
        // Another program holds the file: read a copy of it instead.
        if (IsFileInUse(fileName)) {
            copy = NewTempFileName();
            QFile::remove(copy);
            if (!QFile::copy(fileName, copy)) {
                QFile::remove(copy);
                copy.clear();
            }
        }
        text = LoadTextFile(copy.isEmpty() ? fileName : copy, codePage);
    } catch (const Exception &e) {
        failure = e.message();
    } catch (const std::exception &e) {
        failure = fileError(QStringLiteral("read"), fileName, QString::fromLocal8Bit(e.what()));
    }
    if (!copy.isEmpty())
        QFile::remove(copy);
    if (error)
        *error = failure;
    if (!failure.isEmpty()) {
        ShowMessage(MessageKind::Error, failure, ButtonOk);
        return QString();
    }
    return text;
}

int GetHtmlEncoding(const QString &page)
{
    const QString charset = GetHtmlCharset(page);
    if (charset == QLatin1String("utf-8"))
        return TextEncodingUtf8;
    if (charset == QLatin1String("unicode"))
        return TextEncodingUtf16;
    return CharsetToCodePage(charset);
}

void SaveTextToStream(const QString &text, int encoding, QIODevice &stream)
{
    const QByteArray bytes = encodeText(text, encoding);
    if (!stream.isWritable())
        throw Exception(QStringLiteral("Cannot write text: the stream is not open for writing."));
    if (!stream.isSequential() && !stream.seek(0))
        throw Exception(QStringLiteral("Cannot write text: %1").arg(stream.errorString()));
    if (stream.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Cannot write text: %1").arg(stream.errorString()));
    // Bytes of a longer earlier content must not survive behind the new text.
    if (auto *file = qobject_cast<QFileDevice *>(&stream)) {
        if (file->size() > bytes.size() && !file->resize(bytes.size()))
            throw Exception(QStringLiteral("Cannot write text: %1").arg(file->errorString()));
    } else if (auto *buffer = qobject_cast<QBuffer *>(&stream)) {
        if (buffer->buffer().size() > bytes.size())
            buffer->buffer().truncate(bytes.size());
    }
}

namespace {

// The bytes of text in the encoding given; a text the encoding cannot take is
// reported with the file it was meant for.
QByteArray encodeForFile(const QString &text, const QString &fileName, int encoding)
{
    try {
        return encodeText(text, encoding);
    } catch (const Exception &e) {
        throw Exception(fileError(QStringLiteral("write"), fileName, e.message()));
    }
}

} // namespace

void SaveTextFile(const QString &text, const QString &fileName, int encoding)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = encodeForFile(text, fileName, encoding);
    // Written beside the file and then put in its place, so that a failed
    // write leaves the old file whole.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        const int error = errno;
        throw Exception(fileError(QStringLiteral("write"), fileName,
                                  WriteFailureReason(file, error, QFileInfo(fileName).absolutePath())));
    }
}

void WriteTextFile(const QString &text, const QString &fileName, int encoding)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = encodeForFile(text, fileName, encoding);
    QFile file(fileName);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        const int error = errno;
        throw Exception(fileError(QStringLiteral("write"), fileName,
                                  WriteFailureReason(file, error, QFileInfo(fileName).absolutePath())));
    }
}

bool SaveHtmlFile(const QString &page, const QString &fileName, QString *error)
{
    const int encoding = GetHtmlEncoding(page);
    QString text;
    try {
        text = ReferenceUnencodable(page, encoding);
    } catch (const Exception &) {
        text = page; // an unavailable code page is reported by the save below
    }
    QString name = fileName;
    for (;;) {
        try {
            SaveTextFile(text, name, encoding);
            if (error)
                error->clear();
            return true;
        } catch (const Exception &e) {
            if (error)
                *error = e.message();
            ShowMessage(MessageKind::Error, e.message(), ButtonOk);
        }
        SaveFileRequest request;
        request.fileName = name;
        const std::optional<QString> chosen = AskSaveFileName(request);
        if (!chosen || chosen->isEmpty())
            return false;
        name = *chosen;
    }
}

QString GetHtmlCharset(const QString &page)
{
    const qsizetype at = page.indexOf(kCharset, 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    qsizetype i = at + kCharset.size();
    if (i < page.size() && (page.at(i) == QLatin1Char('"') || page.at(i) == QLatin1Char('\'')))
        ++i;
    static const QString stops = QStringLiteral("\t\n\r \"'>");
    qsizetype end = i;
    while (end < page.size() && !stops.contains(page.at(end)))
        ++end;
    return page.mid(i, end - i).toLower();
}

QString SetHtmlCharset(const QString &page, const QString &charset)
{
    QString result = page;
    result.replace(kCharset, kCharset, Qt::CaseInsensitive);
    const qsizetype at = result.indexOf(kCharset);
    if (at < 0) {
        return result.replace(QStringLiteral("<head>"),
                              QStringLiteral("<head>\r\n<meta http-equiv=\"Content-Type\" "
                                             "content=\"text/html; charset=")
                                  + charset + QStringLiteral("\">"),
                              Qt::CaseInsensitive);
    }
    qsizetype start = at + kCharset.size();
    qsizetype end = start;
    if (start < result.size() && (result.at(start) == QLatin1Char('"') || result.at(start) == QLatin1Char('\''))) {
        // A quoted value ends at its closing quote; when that is missing it
        // ends where an unquoted one would, and the opening quote stays.
        const QChar quote = result.at(start);
        static const QString stops = QStringLiteral("\t\n\r >");
        // An empty value closed by the attribute's own quote (charset=">):
        // the new name goes before that quote.
        if (start + 1 >= result.size() || stops.contains(result.at(start + 1)))
            return result.left(start) + charset + result.mid(start);
        start = end = start + 1;
        while (end < result.size() && result.at(end) != quote && !stops.contains(result.at(end)))
            ++end;
    } else {
        static const QString stops = QStringLiteral("\t\n\r >\"'");
        while (end < result.size() && !stops.contains(result.at(end)))
            ++end;
    }
    return result.left(start) + charset + result.mid(end);
}

QString EncodeLineBreaks(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('\r'), QStringLiteral("`13"));
    return result.replace(QLatin1Char('\n'), QStringLiteral("`10"));
}

QString DecodeLineBreaks(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("`13"), QStringLiteral("\r"));
    return result.replace(QStringLiteral("`10"), QStringLiteral("\n"));
}

QString DefaultHtmlCharset()
{
    return QStringLiteral("UTF-8");
}
