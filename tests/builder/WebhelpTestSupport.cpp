#include "WebhelpTestSupport.h"

#include "foundation/TextFiles.h"

namespace webhelptest {

using testsupport::writeFile;

QString WebHelpBuild::outText(const QString &Name) const { return LoadTextFile(out(Name), QString()); }

void WebHelpBuild::setTopics(const std::vector<Topic> &Topics)
{
    Contents.Clear();
    for (size_t i = 0; i < Topics.size(); ++i) {
        const Topic &t = Topics[i];
        auto item = std::make_unique<TContentsItem>();
        item->Level = t.Level;
        item->Title = t.Title;
        item->HTMLTitle = t.Title.toHtmlEscaped();
        item->Status = t.Status;
        item->Keywords = t.Keywords;
        item->Content = t.Content;
        item->Icon = t.Icon;
        item->HasChildNode = i + 1 < Topics.size() && Topics[i + 1].Level > t.Level;
        item->Accessible = t.Status == 0;
        if (t.Status == 0)
            item->Url = QStringLiteral("topic%1.htm").arg(i);
        Contents.Add(std::move(item));
    }
    Contents.PreProcess();
}

void writeWebhelpData(const QString &ProgramFolder)
{
    const QString w = ProgramFolder + QStringLiteral("/webhelp/");
    const QStringList frames = {"index.htm",           "indexh.htm",       "webhelpframe.htm",  "webhelptop.htm",
                                "webhelptoph.htm",     "webhelpcontents.htm", "webhelplefth.htm", "webhelpsearch.htm",
                                "webhelpbookmark.htm", "webhelpleft.htm",  "webhelptoolbar.htm"};
    for (const QString &name : frames)
        writeFile(w + name, QStringLiteral("<html><head><title>($PROJECTTITLE$)</title></head>\r\n"
                                           "<body background=\"back.jpg\">%1|($DEFAULTPAGE$)|($NAVWIDTH$)|"
                                           "($BACKCOLOR$)|($FONTCOLOR$)|($TOCBACKCOLOR$)|($NAVIGATION$)|"
                                           "<a href=\"webhelpframe.htm\">f</a><a href=\"x.HTM#top\">g</a>"
                                           "<a href=\"y.html\">h</a>"
                                           "<!--BEGINBAR-->bar<!--ENDBAR-->|//document.write(1)</body></html>")
                                .arg(name)
                                .toUtf8());
    writeFile(w + QStringLiteral("webhelpindex.htm"),
              "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
              "<title>($PROJECTTITLE$)</title></head><body bgcolor=\"($BACKCOLOR$)\">"
              "<!--BEGINBAR-->bar<!--ENDBAR--><select>($INDEXLIST$)</select><a href=\"index.htm\">i</a></body></html>");
    writeFile(w + QStringLiteral("languages.txt"),
              "strings[\"Contents\"] = \"\";\r\nstrings[\"Search\"]\r\nnothing here\r\n\"]bad[\"\r\n[\"  \"]\r\n");
    for (const char *img : {"plus.gif", "minus.gif", "line.gif", "blank.gif", "tshaped.gif"})
        writeFile(w + QStringLiteral("imgs/") + QLatin1String(img), img);
    for (int i = 1; i <= 12; ++i)
        writeFile(w + QStringLiteral("icons/%1.gif").arg(i), QByteArray::number(i));
    writeFile(w + QStringLiteral("ricons/r.gif"), "r");
    for (const char *img : {"showall.gif", "hideall.gif", "previous.gif", "next.gif", "print.gif"})
        writeFile(w + QStringLiteral("images/") + QLatin1String(img), img);
    writeFile(w + QStringLiteral("style.css"), "body{}");
    writeFile(w + QStringLiteral("bg/back0.jpg"), "zero");
    writeFile(w + QStringLiteral("bg/back1.jpg"), "one");
}

} // namespace webhelptest
