#pragma once
// Text-file, path and language routines that this library calls, with the
// names and signatures the foundation library gives them, until it provides them.
#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

QString LoadTextFromStream(QIODevice &stream, const QString &codePage);
void SaveTextFile(const QString &text, const QString &fileName, int encoding);
QString EncodeLineBreaks(const QString &text);
QString DecodeLineBreaks(const QString &text);

constexpr int CSIDL_PERSONAL = 5;
QString GetSpecialFolder(int csidl);
QString ExpandMyDocuments(const QString &path);
bool IsAbsolutePath(const QString &path);
QString ResolvePath(const QString &path);
QString RelativeUrl(const QString &basePath, const QString &targetPath);
void CollectLinkedFiles(const QString &fileName, QStringList &files);
bool IsFolderEmpty(const QString &folder);

class TLanguages {
public:
    int GetCodepageById(const QString &Id) const;
};
extern const TLanguages HelpLanguages;
void CodePageToHtmlCharset(int CodePage, QString &Charset);
void CodePageToFontCharset(int CodePage, QString &Charset);
int SystemDefaultLangID();
QString LanguageIdToText(int LangId);
QString AnsiToUnicodeCP(const QByteArray &Bytes, int CodePage);
