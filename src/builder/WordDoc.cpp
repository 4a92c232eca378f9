#include "builder/WordDoc.h"

#include "builder/TagScan.h"
#include "foundation/HTMLProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/word/Fields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

THeadingProperty *THeadings::Add(std::unique_ptr<THeadingProperty> Item)
{
    Items.push_back(std::move(Item));
    return Items.back().get();
}

TWordDoc::TWordDoc(TProject *AProject, word::Application *Word, const QString &, TNotifyEvent ChangeEvent,
                   int AOutputType)
    : WordApplication(Word), FOnUpdate(std::move(ChangeEvent)), Project(AProject), OutputType(AOutputType)
{
}

TWordDoc::~TWordDoc()
{
    if (tempDir.isEmpty())
        return;
    try {
        DeleteFolder(tempDir.chopped(1));
    } catch (const Exception &) {
        // A scratch folder is never a protected one; nothing to report here.
    }
}

void TWordDoc::SetPosition(int Value)
{
    Position = Value;
    if (FOnUpdate)
        FOnUpdate(this);
}

void TWordDoc::CopyAttachedFiles(const QString &ToWhere)
{
    for (const QString &entry : AttachedFiles) {
        const QString target = ToWhere + entry;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (QFileInfo::exists(target))
            QFile::remove(target);
        if (!QFile::copy(tempDir + entry, target))
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".").arg(tempDir + entry, target));
    }
    if (!FilesFolder.isEmpty() && QFileInfo(tempDir + FilesFolder).isDir()) {
        QDir().mkpath(ToWhere + FilesFolder);
        CopyFolderFiles(tempDir + FilesFolder, ToWhere + FilesFolder);
    }
}

THeadingProperty ParsePropertyField(const QString &Code)
{
    // Items are separated by ";" and, outside quotes, by blanks and control
    // characters; an item that starts with a quote runs to its closing quote.
    QStringList items;
    const int n = int(Code.size());
    auto isSpace = [&](int i) { return i < n && Code[i] <= QChar(u' '); };
    int i = 0;
    while (isSpace(i))
        ++i;
    while (i < n) {
        QString item;
        if (Code[i] == u'"') {
            ++i;
            while (i < n) {
                if (Code[i] == u'"') {
                    if (i + 1 < n && Code[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += Code[i++];
            }
        } else {
            const int from = i;
            while (i < n && Code[i] > QChar(u' ') && Code[i] != u';')
                ++i;
            item = Code.mid(from, i - from);
        }
        items << item;
        while (isSpace(i))
            ++i;
        if (i < n && Code[i] == u';') {
            ++i;
            while (isSpace(i))
                ++i;
        }
    }
    auto value = [&](const QString &name) {
        for (const QString &item : items) {
            const int eq = int(item.indexOf(u'='));
            if (eq >= 0 && item.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return item.mid(eq + 1).trimmed();
        }
        return QString();
    };
    THeadingProperty p;
    p.Id = value(QStringLiteral("Id"));
    p.FileName = value(QStringLiteral("FileName"));
    p.StaticVar = value(QStringLiteral("StaticVar"));
    p.Omit = value(QStringLiteral("Omit")).compare(u"true", Qt::CaseInsensitive) == 0;
    return p;
}

QString IndexEntryKeyword(const QString &Code)
{
    // The quoted text with Word's escapes undone ("\:" a colon inside a level,
    // "\"" a quote), its levels joined by "/".
    return word::fields::indexEntryLevels(Code).join(u'/');
}

QString CrossReferenceBookmark(const QString &Code)
{
    const QString code = Code.trimmed();
    if (!code.contains(QStringLiteral("\\h")) || !code.startsWith(QStringLiteral("REF "), Qt::CaseInsensitive) ||
        code.size() <= 4)
        return QString();
    int i = 4;
    while (i < code.size() && code[i] == u' ')
        ++i;
    const int from = i;
    while (i < code.size() && code[i] != u' ')
        ++i;
    return code.mid(from, i - from);
}
