#include "project/Interim.h"

#include "foundation/HTMLProcess.h"
#include <QIODevice>

#include "platform/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

QString LoadTextFromStream(QIODevice &stream, const QString &)
{
    stream.seek(0);
    const QByteArray Bytes = stream.readAll();
    if (Bytes.startsWith("\xEF\xBB"))
        return QString::fromUtf8(Bytes.mid(3));
    if (Bytes.startsWith("\xFF\xFE")) {
        QByteArray b = Bytes.mid(2);
        if (b.size() % 2)
            b.chop(1);
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData()), b.size() / 2);
    }
    const QString latin = QString::fromLatin1(Bytes);
    const int at = latin.indexOf(QStringLiteral("charset="), 0, Qt::CaseInsensitive);
    if (at >= 0 && latin.mid(at + 8, 6).remove(u'"').remove(u'\'').startsWith(QStringLiteral("utf-8"), Qt::CaseInsensitive))
        return QString::fromUtf8(Bytes);
    return latin;
}

void SaveTextFile(const QString &Text, const QString &FileName, int Encoding)
{
    if (Text.isEmpty())
        return;
    QByteArray bytes;
    if (Encoding == 1)
        bytes = QByteArray("\xEF\xBB\xBF") + Text.toUtf8();
    else if (Encoding == 2)
        bytes = QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(Text.utf16()), Text.size() * 2);
    else if (Encoding == 65001)
        bytes = Text.toUtf8();
    else
        bytes = Text.toLatin1();
    QFile f(FileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Cannot write \"%1\": %2").arg(FileName, f.errorString()));
}

QString EncodeLineBreaks(const QString &Text)
{
    QString s = Text;
    return s.replace(u'\r', QStringLiteral("`13")).replace(u'\n', QStringLiteral("`10"));
}

QString DecodeLineBreaks(const QString &Text)
{
    QString s = Text;
    return s.replace(QStringLiteral("`13"), QStringLiteral("\r")).replace(QStringLiteral("`10"), QStringLiteral("\n"));
}

QString ResolvePath(const QString &Path)
{
    QString p = Path;
    p.replace(u'\\', u'/').replace(QStringLiteral("%20"), QStringLiteral(" "));
    const bool absolute = p.startsWith(u'/');
    const bool trailing = p.endsWith(u'/');
    QStringList out;
    int up = 0;
    const QStringList parts = p.split(u'/', Qt::SkipEmptyParts);
    for (int i = parts.size() - 1; i >= 0; --i) {
        const QString &seg = parts[i];
        if (seg == u".." && (i < parts.size() - 1 || trailing))
            ++up;
        else if (seg == u"." && (i < parts.size() - 1 || trailing))
            continue;
        else if (up > 0)
            --up;
        else
            out.prepend(seg);
    }
    QString r = (absolute ? QStringLiteral("/") : QString()) + out.join(u'/');
    if (trailing && !out.isEmpty())
        r += u'/';
    return r;
}

QString RelativeUrl(const QString &Base, const QString &Target)
{
    QString b = Base, t = Target;
    b.replace(u'\\', u'/');
    t.replace(u'\\', u'/');
    const QString folder = QFileInfo(QStringLiteral("/x/") + b).path();
    QString rel = QDir(folder).relativeFilePath(QStringLiteral("/x/") + t);
    return rel;
}

void CollectLinkedFiles(const QString &FileName, QStringList &List)
{
    List.append(FileName);
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QString text = LoadTextFromStream(f, QString());
    const QString folder = QFileInfo(FileName).absolutePath() + u'/';
    QStringList candidates;
    const int n = text.size();
    for (int dot = text.indexOf(u'.'); dot >= 0; dot = text.indexOf(u'.', dot + 1)) {
        int k = dot + 1;
        while (k < n && k - dot <= 6) {
            const QChar c = text[k];
            if (c == u' ' || c == u'"' || c == u'\'' || c == u')' || c == u'>')
                break;
            ++k;
        }
        if (k >= n || k - dot - 1 < 1 || k - dot - 1 > 5)
            continue;
        const QChar stop = text[k];
        if (!(stop == u' ' || stop == u'"' || stop == u'\'' || stop == u')' || stop == u'>'))
            continue;
        const QChar open = (stop == u' ' || stop == u'>') ? u'=' : stop == u')' ? u'(' : stop;
        QString cand;
        bool ok = false;
        for (int j = k - 1; j >= 0; --j) {
            const QChar c = text[j];
            if (c == open) {
                ok = cand.size() > k - dot;
                break;
            }
            if (c == u'\n' || c == u'\r' || c == u'"' || c == u'*' || c == u':' || c == u'<' || c == u'>'
                || c == u'?' || c == u'|')
                break;
            cand.prepend(c);
        }
        if (ok && !candidates.contains(cand))
            candidates.append(cand);
    }
    candidates.sort();
    for (const QString &c : candidates) {
        const QString path = ResolvePath(c.startsWith(u'/') ? c : folder + c);
        if (!QFileInfo(path).isFile() || List.contains(path))
            continue;
        const QString ext = QFileInfo(path).suffix().toLower();
        if (QStringList{QStringLiteral("html"), QStringLiteral("htm"), QStringLiteral("shtml"), QStringLiteral("shtm"),
                        QStringLiteral("css"), QStringLiteral("js"), QStringLiteral("xml")}
                .contains(ext))
            CollectLinkedFiles(path, List);
        else
            List.append(path);
    }
}

QString GetSpecialFolder(int)
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString ExpandMyDocuments(const QString &path)
{
    QString s = path;
    return s.replace(QStringLiteral("<My Documents>"), GetSpecialFolder(CSIDL_PERSONAL), Qt::CaseInsensitive);
}

bool IsAbsolutePath(const QString &path)
{
    return path.startsWith(u'/') || path.startsWith(u'\\') || (path.size() > 1 && path[1] == u':');
}

bool IsFolderEmpty(const QString &folder)
{
    return QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

const TLanguages HelpLanguages;

int TLanguages::GetCodepageById(const QString &Id) const
{
    return Id.compare(QStringLiteral("0x0409"), Qt::CaseInsensitive) == 0 ? 1252 : 0;
}

void CodePageToHtmlCharset(int CodePage, QString &Charset)
{
    if (CodePage == 1252)
        Charset = QStringLiteral("iso-8859-1");
}

void CodePageToFontCharset(int, QString &Charset)
{
    Charset = QStringLiteral("0");
}

int SystemDefaultLangID()
{
    return 0x0409;
}

QString LanguageIdToText(int LangId)
{
    return QStringLiteral("0x%1").arg(LangId, 4, 16, QChar(u'0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

QString AnsiToUnicodeCP(const QByteArray &Bytes, int)
{
    return QString::fromLatin1(Bytes);
}
