// The interface strings of the WebHelp scripts and their translations.
#include "builder/Webhelp.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QFileInfo>

TWebHelpInterfaceLanguage::TWebHelpInterfaceLanguage()
{
    const QString fileName = ProgramFolder() + QStringLiteral("webhelp/languages.txt");
    if (!QFileInfo(fileName).isFile())
        throw Exception(QStringLiteral("The WebHelp interface-string list \"%1\" is missing.").arg(fileName));
    // No code page given: a byte-order mark decides, else the ANSI code page.
    Names = ParseInterfaceNames(LoadTextFile(fileName, QString()));
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
