// The interface strings of the WebHelp scripts and their translations.
#include "builder/Webhelp.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

TWebHelpInterfaceLanguage::TWebHelpInterfaceLanguage()
{
    const QString fileName = ProgramFolder() + QStringLiteral("webhelp/languages.txt");
    if (!QFileInfo(fileName).isFile())
        throw Exception(QStringLiteral("The WebHelp interface-string list \"%1\" is missing.").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read the WebHelp interface-string list \"%1\": %2")
                            .arg(fileName, file.errorString()));
    QByteArray bytes = file.readAll();
    // A byte-order mark decides: UTF-8, or UTF-16 of either byte order;
    // without one the ANSI code page.
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringConverter::Utf16BE);
        Names = ParseInterfaceNames(utf16.decode(bytes.mid(2)));
        return;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Names = ParseInterfaceNames(LoadTextFromStream(buffer, QString()));
}

QString TWebHelpInterfaceLanguage::GetValue(const QString &Name, const QStringList &Dictionary)
{
    for (const QString &line : Dictionary) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || QStringView(line).left(eq).compare(Name, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = line.mid(eq + 1);
        return value.isEmpty() ? Name : value;
    }
    return Name;
}

void TWebHelpInterfaceLanguage::GetLanguageJS(QString &Text) const
{
    Text = QStringLiteral("var strings = new Object();\r\n");
    for (const QString &name : Names)
        Text += QStringLiteral("strings[\"") + EscapeJSText(name) + QStringLiteral("\"] = \"") +
                EscapeJSText(GetValue(name, Dictionary)) + QStringLiteral("\";\r\n");
}

void TWebHelp::MakeLanguageJS(QString &Text) const
{
    TWebHelpInterfaceLanguage language;
    language.Dictionary = Project->WebHelpDictionary;
    language.GetLanguageJS(Text);
}
