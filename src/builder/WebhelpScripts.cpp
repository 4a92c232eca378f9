// The generated texts of the WebHelp output: the two contents trees, the
// keyword index list and the search data.
#include "builder/HtmlHelpOutput.h"
#include "builder/Webhelp.h"
#include "foundation/HTMLProcess.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <QCollator>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kIcons = QStringLiteral("icons/");

QString imageTag(const QString &File)
{
    return QStringLiteral("<img src=\"") + kIcons + File + QStringLiteral("\" class=\"p\">");
}

// Position code of an entry: 0 first of the list, 1 in between, 2 last in
// its level, 3 both first and last.
int positionCode(int Index, bool Last)
{
    if (Index == 0)
        return Last ? 3 : 0;
    return Last ? 2 : 1;
}

QString connectorImage(int Code, bool DrawLines)
{
    static const char *const lines[] = {"downangle.gif", "tshaped.gif", "upangle.gif", "sline.gif"};
    return DrawLines ? QString::fromLatin1(lines[Code]) : QStringLiteral("blank.gif");
}

QString closedNodeImage(int Code, bool DrawLines)
{
    static const char *const lines[] = {"daplus.gif", "tplus.gif", "uaplus.gif", "splus.gif"};
    return DrawLines ? QString::fromLatin1(lines[Code]) : QStringLiteral("plus.gif");
}

QString pageLink(const TContentsItem &Item)
{
    return Item.Status == 0 ? QStringLiteral("pages/") + EscapeHtml(QString(Item.Url).replace(u'\\', u'/'))
                            : QStringLiteral("#");
}

QString KeywordIndent(const QString &Keyword)
{
    const qsizetype levels = SplitKeywordPath(Keyword).size();
    return levels > 1 ? QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;").repeated(levels - 1) : QString();
}

// Options without a value for the levels that Cur opens above its last one.
// The level texts are escaped: they are the user's keywords.
QString KeywordParentOptions(const QString &Prev, const QString &Cur)
{
    const QStringList prev = SplitKeywordPath(Prev);
    const QStringList cur = SplitKeywordPath(Cur);
    qsizetype i = 0;
    while (i < prev.size() && i < cur.size() && prev[i] == cur[i])
        ++i;
    QString out;
    for (qsizetype k = i; k <= cur.size() - 2; ++k)
        out += QStringLiteral("<option>") + EscapeHtml(cur[k]) + QStringLiteral("</option>\r\n");
    return out;
}

QString closeOption(const QString &Keyword)
{
    return QStringLiteral("]);\">") + KeywordIndent(Keyword) + EscapeHtml(KeywordLastLevel(Keyword)) +
           QStringLiteral("</option>");
}

} // namespace

// ---- Contents trees -----------------------------------------------------------------

QString TWebHelp::ContentsTree(bool Scripted) const
{
    const TProject &p = *Project;
    QString out = QStringLiteral("<script>SetEnv(") + (p.DrawLines ? u'0' : u'1') +
                  (p.AutoCollapse ? QStringLiteral(",true)</script>") : QStringLiteral(",false)</script>"));
    const int count = Contents ? Contents->Count() : 0;
    if (count == 0)
        return Scripted ? out + QStringLiteral("<script>divlist = []</script>") : out;

    const int startLevel = p.StartFromRoot ? 1 : 2;
    const QString lineFiller = p.DrawLines ? QStringLiteral("line.gif") : QStringLiteral("blank.gif");
    const QString blankFiller = QStringLiteral("blank.gif");
    std::vector<bool> continues;
    QStringList divlist;
    int prev = Contents->Item(0)->Level;
    for (int i = 0; i < count; ++i) {
        const TContentsItem &item = *Contents->Item(i);
        const int level = std::max(item.Level, 0);
        if (continues.size() <= size_t(level))
            continues.resize(size_t(level) + 1, false);
        continues[size_t(level)] = !item.LastInTheSameLevel;
        const int code = positionCode(i, item.LastInTheSameLevel);
        const bool folder = item.HasChildNode;
        const TIconPair icons = IconArray(item.Icon, folder);
        const QString index = QString::number(i);

        QString node;
        if (p.StartFromRoot || level > 1) {
            if (!folder)
                node = imageTag(connectorImage(code, p.DrawLines));
            else
                node = (Scripted ? QStringLiteral("<a href=\"#\" onClick=\"return NodeClick('") + index +
                                       QStringLiteral("')\">")
                                 : QStringLiteral("<a href=\"#\">")) +
                       QStringLiteral("<img id=\"imgn") + index + QStringLiteral("\" src=\"") + kIcons +
                       closedNodeImage(code, p.DrawLines) + QStringLiteral("\" class=\"p\"></a>");
        }

        const QString target = pageLink(item);
        const QString title = EscapeHtml(item.Title);
        QString link = QStringLiteral("<a href=\"") + target + u'"';
        if (Scripted) {
            if (folder)
                link += QStringLiteral(" onclick=\"return LinkClick('") + index + QStringLiteral("',true,") +
                        (target != u"#" ? QStringLiteral("true") : QStringLiteral("false")) +
                        QStringLiteral(")\" onDblClick=\"return LinkDblClick('") + index + QStringLiteral("')\"");
            else
                link += QStringLiteral(" onclick=\"return LinkClick('") + index + QStringLiteral("',false,true)\"");
        }
        link += QStringLiteral(" target=\"content\" title=\"") + title + u'"';
        if (Scripted)
            link += QStringLiteral(" onmousemove=\"window.status='") + EscapeIndexText(item.Title) +
                    QStringLiteral("'\"");
        link += QStringLiteral("><img ");
        if (folder)
            link += QStringLiteral("id=\"img") + index + QStringLiteral("\" ");
        link += QStringLiteral("src=\"") + kIcons + (Scripted ? icons.Closed : icons.Open) +
                QStringLiteral("\" class=\"p\"> <span id=\"l") + index + QStringLiteral("\" class=\"unselected\">") +
                title + QStringLiteral("</span></a>");

        if (level < prev) {
            out += QStringLiteral("</div>").repeated(prev - level);
        } else if (level > prev) {
            const QString id = QString::number(i - 1);
            for (int k = 0; k < level - prev; ++k) {
                out += QStringLiteral("<div id=\"d") + id +
                       (Scripted ? QStringLiteral("\" style=\"display:none\">") : QStringLiteral("\">"));
                divlist << id;
            }
        }
        out += QStringLiteral("<div><nobr>");
        for (int l = startLevel; l < level; ++l)
            out += imageTag(continues[size_t(l)] ? lineFiller : blankFiller);
        out += node + link + QStringLiteral("</nobr></div>\r\n");
        prev = level;
    }
    if (prev >= 2)
        out += QStringLiteral("</div>").repeated(prev - 1);
    if (Scripted)
        out += QStringLiteral("<script>divlist = [") + divlist.join(u',') + QStringLiteral("]</script>");
    return out;
}

void TWebHelp::MakeJs(QString &Text) const { Text = ContentsTree(true); }

void TWebHelp::MakeHTML(QString &Text) const { Text = ContentsTree(false); }

// ---- Keyword index --------------------------------------------------------------------

void TWebHelp::MakeIndexForWeb(QString &Text) const
{
    Text.clear();
    struct Pair {
        QString Key;
        const TContentsItem *Item;
    };
    std::vector<Pair> pairs;
    for (int i = 0; Contents && i < Contents->Count(); ++i) {
        const TContentsItem *item = Contents->Item(i);
        if (item->Status != 0 || item->Keywords.trimmed().isEmpty())
            continue;
        const QStringList lines = item->Keywords.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        for (const QString &line : lines)
            if (!line.trimmed().isEmpty())
                pairs.push_back({KeywordSortKey(line.trimmed()), item});
    }
    if (pairs.empty())
        return;
    QCollator collator(KeywordLocale(Project));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::stable_sort(pairs.begin(), pairs.end(),
                     [&](const Pair &a, const Pair &b) { return collator.compare(a.Key, b.Key) < 0; });

    QString prev;
    bool first = true;
    for (const Pair &pair : pairs) {
        const QString cur = KeywordFromSortKey(pair.Key);
        const bool changed = first || cur != prev;
        if (!first && changed)
            Text += closeOption(prev);
        Text += KeywordParentOptions(prev, cur);
        Text += changed ? QStringLiteral("<option value=\"writepage([") : QStringLiteral(",");
        Text += QStringLiteral("['") + EscapeIndexText(pair.Item->Title) + QStringLiteral("','pages/") +
                EscapeIndexText(QString(pair.Item->Url).replace(u'\\', u'/')) + QStringLiteral("']");
        prev = cur;
        first = false;
    }
    Text += closeOption(prev);
}

// ---- Search data --------------------------------------------------------------------------

void TWebHelp::OutputSearchJS(QString &Text) const
{
    Text = QStringLiteral("var contents = new Array(");
    for (size_t i = 0; i < Texts.size(); ++i) {
        const TTextForWeb &t = *Texts[i];
        if (i > 0)
            Text += u',';
        Text += u'"' + EscapeJSString(t.Text) + QStringLiteral("\",\"") + EscapeJSString(t.Title) +
                QStringLiteral("\",\"") + EscapeJSString(t.url) + u'"';
    }
    Text += QStringLiteral(");");
}

void TWebHelp::GetTextsForSearch()
{
    Texts.clear();
    for (int i = 0; Contents && i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Item(i);
        if (!item.Accessible)
            continue;
        auto record = std::make_unique<TTextForWeb>();
        record->Text = GetSearchText(item.Content);
        record->Title = item.Title;
        record->url = QStringLiteral("pages\\") + item.Url;
        Texts.push_back(std::move(record));
    }
}
