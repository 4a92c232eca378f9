// The WebHelp writer: the output folder, the topic pages and the frame pages.
#include "builder/Webhelp.h"
#include "builder/OutputGuard.h"
#include "builder/WordDoc.h"
#include "foundation/HTMLProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <set>

namespace {

// The frame pages, in the order they are written.
const char *const kFramePages[] = {"index.htm",         "indexh.htm",          "webhelpframe.htm",
                                   "webhelptop.htm",    "webhelptoph.htm",     "webhelpcontents.htm",
                                   "webhelplefth.htm",  "webhelpsearch.htm",   "webhelpbookmark.htm",
                                   "webhelpleft.htm",   "webhelptoolbar.htm"};

const char *const kButtonImages[] = {"showall.gif", "hideall.gif", "previous.gif", "next.gif", "print.gif"};

// Replaces every placeholder (any case), one after another.
QString fillPlaceholders(QString Text, const std::vector<std::pair<QString, QString>> &Values)
{
    for (const auto &[key, value] : Values)
        Text.replace(key, value, Qt::CaseInsensitive);
    return Text;
}

// Copies one file, replacing the target; a missing source is skipped, a
// failed copy (a full disk) is an error.
void copyIfPresent(const QString &Source, const QString &Target)
{
    if (!QFileInfo(Source).isFile())
        return;
    QFile::remove(Target);
    QFile file(Source);
    if (!file.copy(Target))
        throw Exception(QStringLiteral("The file \"%1\" cannot be copied to \"%2\": %3")
                            .arg(Source, Target, file.errorString()));
}

// Copies the files of a folder beside the program; a missing folder is skipped.
void copyFolderIfPresent(const QString &Source, const QString &Target)
{
    QString error;
    if (QFileInfo(Source).isDir() && !CopyFolder(Source, Target, &error))
        throw Exception(
            QStringLiteral("The files of \"%1\" cannot be copied to \"%2\": %3").arg(Source, Target, error));
}

void makeFolder(const QString &Folder)
{
    if (!QDir().mkpath(Folder))
        throw Exception(QStringLiteral("The folder \"%1\" cannot be created.").arg(Folder));
}

// The full path of a page inside Folder; refuses names that would leave it.
QString pagePath(const QString &Folder, const QString &Url)
{
    const QString relative = QString(Url).replace(u'\\', u'/');
    const QString path = ResolvePath(Folder + relative);
    if (relative.isEmpty() || IsAbsolutePath(relative) || !path.startsWith(ResolvePath(Folder)))
        throw Exception(QStringLiteral("The topic page name \"%1\" does not stay inside the folder \"%2\".")
                            .arg(Url, Folder));
    return path;
}

} // namespace

// ---- The writer ----------------------------------------------------------------------------

TWebHelp::TWebHelp(TProject *AProject, TContentsItems *AContents, TWordDoc *AWord)
    : CDir(ProgramFolder()), Project(AProject), Contents(AContents), Word(AWord)
{
    Title = Project->WebHelpTilteSame ? Project->Title : Project->WebHelpTitle;
}

TWebHelp::~TWebHelp() = default;

QString TWebHelp::PageExtension() const
{
    return Project->WebHelpExtension != 0 ? QStringLiteral(".html") : QStringLiteral(".htm");
}

TIconPair TWebHelp::IconArray(int Icon, bool IsFolder) const
{
    auto gif = [](int n) { return QString::number(n) + QStringLiteral(".gif"); };
    if (Project->RealColorIcon)
        return IsFolder ? TIconPair{gif(1), gif(2)} : TIconPair{gif(11), gif(11)};
    if (IsFolder) {
        if (Icon >= 1 && Icon <= 8)
            return Icon % 2 ? TIconPair{gif(Icon), gif(Icon + 1)} : TIconPair{gif(Icon - 1), gif(Icon)};
        if (Icon > 8)
            return {gif(Icon), gif(Icon)};
        return Icon == 0 ? TIconPair{gif(1), gif(2)} : TIconPair{gif(5), gif(6)};
    }
    if (Icon > 0)
        return {gif(Icon), gif(Icon)};
    return Icon == 0 ? TIconPair{gif(9), gif(9)} : TIconPair{gif(11), gif(11)};
}

QString TWebHelp::SynchronisingScript(const QString &Url, int Position) const
{
    const QString url = QString(Url).replace(u'\\', u'/');
    const QString indexRel = RelativeUrl(QStringLiteral("/pages/") + url, QStringLiteral("/index") + PageExtension());
    const QStringList lines = {
        QStringLiteral("<script language=\"JavaScript\" type=\"text/JavaScript\">"),
        QStringLiteral("function syn(){"),
        QStringLiteral("if(parent.nav.tree){"),
        QStringLiteral(" if(parent.nav.tree.loaded){"),
        QStringLiteral("  parent.nav.tree.selectNode(") + QString::number(Position) + QStringLiteral(");"),
        QStringLiteral(" }else{"),
        QStringLiteral("  setTimeout(\"syn()\",500);"),
        QStringLiteral("}"),
        QStringLiteral("  }else{"),
        QStringLiteral("  setTimeout(\"syn()\",500);"),
        QStringLiteral("  }}"),
        QStringLiteral("if(parent!=self){"),
        QStringLiteral("  setTimeout(\"syn()\",100);"),
        QStringLiteral("}else{"),
        QStringLiteral("  parent.location.href = \"") + EscapeJSText(indexRel + QStringLiteral("?page=") + url) +
            QStringLiteral("\";"),
        QStringLiteral("}"),
        QStringLiteral("originalOnload = window.onload;"),
        QStringLiteral("if(originalOnload==null){"),
        QStringLiteral("window.onload = function(){parent.contentLoaded = true;};"),
        QStringLiteral("}else{"),
        QStringLiteral("window.onload = function(){originalOnload();parent.contentLoaded = true;};"),
        QStringLiteral("}"),
        QStringLiteral("</script> "),
    };
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString TWebHelp::LoadSkeleton(const QString &Name) const
{
    const QString fileName = CDir + QStringLiteral("webhelp/") + Name;
    if (!QFileInfo(fileName).isFile())
        throw Exception(QStringLiteral("The WebHelp page skeleton \"%1\" is missing.").arg(fileName));
    QString error;
    const QString text = LoadTextFileSafe(fileName, QString(), &error);
    if (!error.isEmpty())
        throw Exception(error);
    return Project->WebHelpExtension != 0 ? ChangeHtmExtension(text) : text;
}

void TWebHelp::SavePage(const QString &Page, const QString &FileName) const
{
    QString error;
    if (!SaveHtmlFile(Page, FileName, &error))
        throw Exception(error.isEmpty() ? QStringLiteral("The WebHelp page \"%1\" was not saved.").arg(FileName)
                                        : error);
}

void TWebHelp::Output(QString &IndexPage)
{
    const TProject &p = *Project;
    OutFolder = p.RealPath(2);
    if (!OutFolder.endsWith(u'/'))
        OutFolder += u'/';
    // An empty or mistaken folder setting must never empty the user's own files.
    CheckOutputFolderIsOurs(OutFolder, p, QStringLiteral("the WebHelp folder"));
    CheckWebHelpFolderKeepsOtherOutputs(p);
    const QString ext = PageExtension();
    // Everything the writer puts in the folder, named before it is written.
    QStringList planned{QStringLiteral("pages/"),    QStringLiteral("icons/"),   QStringLiteral("images/"),
                        QStringLiteral("webhelpindex") + ext, QStringLiteral("languages.js"),
                        QStringLiteral("data.js"),   QStringLiteral("style.css"), QStringLiteral("back.jpg")};
    for (const char *name : kFramePages)
        planned << QString::fromLatin1(name).chopped(4) + ext;
    EmptyOutputFolder(OutFolder, planned); // whatever stays is overwritten

    if (Word)
        Word->CopyAttachedFiles(OutFolder + QStringLiteral("pages/"));
    OutputPages();
    CopyIcon();
    for (const char *name : kFramePages)
        outFiles(QString::fromLatin1(name));

    QString index = LoadSkeleton(QStringLiteral("webhelpindex.htm"));
    if (!p.ShowIndex)
        index = RemoveBetween(index, QStringLiteral("<!--BEGINBAR-->"), QStringLiteral("<!--ENDBAR-->"));
    QString indexList;
    MakeIndexForWeb(indexList);
    index = fillPlaceholders(index, {{QStringLiteral("($PROJECTTITLE$)"), EscapeHtml(Title)},
                                     {QStringLiteral("($INDEXLIST$)"), indexList},
                                     {QStringLiteral("($BACKCOLOR$)"), p.WebBackColor}});
    SavePage(index, OutFolder + QStringLiteral("webhelpindex") + ext);

    QString script;
    MakeLanguageJS(script);
    WriteTextFile(script, OutFolder + QStringLiteral("languages.js"), TextEncodingUtf8);
    GetTextsForSearch();
    OutputSearchJS(script);
    WriteTextFile(script, OutFolder + QStringLiteral("data.js"), TextEncodingUtf8);

    const QString source = CDir + QStringLiteral("webhelp/");
    makeFolder(OutFolder + QStringLiteral("images/"));
    for (const char *image : kButtonImages)
        copyIfPresent(source + QStringLiteral("images/") + QLatin1String(image),
                      OutFolder + QStringLiteral("images/") + QLatin1String(image));
    copyIfPresent(source + QStringLiteral("style.css"), OutFolder + QStringLiteral("style.css"));
    if (p.WebBackground >= 0)
        copyIfPresent(source + QStringLiteral("bg/back%1.jpg").arg(p.WebBackground),
                      OutFolder + QStringLiteral("back.jpg"));

    MarkOutputFolder(OutFolder, true);

    if (p.ViewCompiledFile)
        IndexPage = OutFolder + QStringLiteral("index") + ext;
}

void TWebHelp::OutputPages()
{
    const TProject &p = *Project;
    const QString pages = OutFolder + QStringLiteral("pages/");
    makeFolder(pages);
    TTemplate tmpl(p.WebHelpTemplateStream, p.PrevHint, p.NextHint);
    tmpl.ProjectTitle = EscapeHtml(Title);
    tmpl.Copyright = p.CopyRight;
    tmpl.CopyAttachedFiles(pages);
    THEADElements head;
    head.Load(Word ? GetHtmlHead(Word->BeforeBody) : QString());
    tmpl.UniteHead(head);

    for (int k = 0; Contents && k < Contents->Count(); ++k) {
        const TContentsItem &item = *Contents->Item(k);
        if (item.Status != 0)
            continue;
        QString page = InsertAfterBodyTag(tmpl.MakePage(item), SynchronisingScript(item.Url, k));
        page = SetHtmlCharset(AddDocTypeAndWebMark(page), QStringLiteral("utf-8"));
        WriteTextFile(page, pagePath(pages, item.Url), 65001);
        if (DefaultPage.isEmpty())
            DefaultPage = item.Url;
    }
}

void TWebHelp::CopyIcon()
{
    const QString source = CDir + QStringLiteral("webhelp/");
    const QString icons = OutFolder + QStringLiteral("icons/");
    makeFolder(icons);
    copyFolderIfPresent(source + QStringLiteral("imgs/"), icons);
    if (Project->RealColorIcon) {
        copyFolderIfPresent(source + QStringLiteral("ricons/"), icons);
        return;
    }
    // Each entry's own icon and its open or closed partner, and the default
    // icons that IconArray gives entries without one of their own.
    std::set<QString> names;
    for (int i = 0; Contents && i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Item(i);
        if (item.Icon >= 1 && item.Icon <= 8)
            names.insert(QString::number(item.Icon % 2 ? item.Icon + 1 : item.Icon - 1) + QStringLiteral(".gif"));
        names.insert(QString::number(item.Icon) + QStringLiteral(".gif"));
        const TIconPair pair = IconArray(item.Icon, item.HasChildNode);
        names.insert(pair.Closed);
        names.insert(pair.Open);
    }
    for (const QString &name : names)
        copyIfPresent(source + QStringLiteral("icons/") + name, icons + name);
}

void TWebHelp::outFiles(const QString &Name)
{
    const TProject &p = *Project;
    QString text = LoadSkeleton(Name);
    QString navigation;
    if (Name == u"webhelpcontents.htm")
        MakeJs(navigation);
    else if (Name == u"webhelplefth.htm")
        MakeHTML(navigation);
    std::vector<std::pair<QString, QString>> values = {
        {QStringLiteral("($PROJECTTITLE$)"), EscapeHtml(Title)},
        {QStringLiteral("($DEFAULTPAGE$)"),
         QString(DefaultPage).replace(u'\\', u'/').replace(u'\'', QStringLiteral("\\'"))},
        {QStringLiteral("($NAVWIDTH$)"), QString::number(p.NavWidth)},
        {QStringLiteral("($BACKCOLOR$)"), p.WebBackColor},
        {QStringLiteral("($FONTCOLOR$)"), p.WebFontColor},
        {QStringLiteral("($TOCBACKCOLOR$)"), p.TOCBackColor},
    };
    if (!navigation.isEmpty())
        values.push_back({QStringLiteral("($NAVIGATION$)"), navigation});
    text = fillPlaceholders(text, values);
    if (!p.ShowIndex)
        text = RemoveBetween(text, QStringLiteral("<!--BEGINBAR-->"), QStringLiteral("<!--ENDBAR-->"));
    if (p.WebBackground == 0)
        text.replace(QStringLiteral(" background=\"back.jpg\""), QString(), Qt::CaseInsensitive);
    if (!p.ShowIndex)
        text.replace(QStringLiteral("//document"), QStringLiteral("document"), Qt::CaseInsensitive);
    QString target = Name;
    if (p.WebHelpExtension != 0 && target.endsWith(QStringLiteral(".htm")))
        target += u'l';
    SavePage(text, OutFolder + target);
}
