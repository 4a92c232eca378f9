#include "project/Contents.h"

#include "foundation/HTMLProcess.h"
#include "platform/Exception.h"
#include "foundation/LanguageProcess.h"
#include "foundation/functions.h"
#include "project/ProjectSetting.h"

#include <QStringList>
#include <array>

std::vector<QString> TNavSetting::SplitCommaText(const QString &Text)
{
    std::vector<QString> items;
    const qsizetype n = Text.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && Text[i] <= u' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (Text[i] == u'"') {
            ++i;
            while (i < n) {
                if (Text[i] == u'"') {
                    if (i + 1 < n && Text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += Text[i++];
            }
        } else {
            while (i < n && Text[i] > u' ' && Text[i] != u',')
                item += Text[i++];
        }
        items.push_back(item);
        skipBlanks();
        if (i < n && Text[i] == u',') {
            ++i;
            skipBlanks();
            if (i >= n)
                items.push_back(QString()); // a trailing comma ends with an empty item
        }
    }
    return items;
}

void TNavSetting::SetSettingText(const QString &Text)
{
    const std::vector<QString> items = SplitCommaText(Text);
    const size_t count = items.size();
    if (count > 0)
        NavStartStr = EscapeHtml(items[0]);
    if (count > 1)
        Delimiter = EscapeHtml(items[1]);
    if (count > 2)
        EndWithDelimiter = items[2] == u"1";
    if (count < 4)
        throw Exception(QStringLiteral("The navigation setting \"%1\" has %2 items; it needs four "
                                       "(start text, delimiter, end with delimiter, include topic).")
                            .arg(Text)
                            .arg(count));
    IncludeTopic = items[3] == u"1";
}

QString TNavSetting::MakeSettingText(const QString &Start, const QString &Delimiter, bool EndWithDelimiter,
                                     bool IncludeTopic)
{
    auto q = [](const QString &s) { return u'"' + QString(s).replace(u'"', QStringLiteral("\"\"")) + u'"'; };
    return QStringList{q(Start), q(Delimiter), q(EndWithDelimiter ? QStringLiteral("1") : QStringLiteral("0")),
                       q(IncludeTopic ? QStringLiteral("1") : QStringLiteral("0"))}
        .join(u',');
}

TContentsItems::TContentsItems() = default;

void TContentsItems::Use(QHash<QString, int> &Names, const QString &Name, int Delta)
{
    if (Name.isEmpty())
        return;
    int &count = Names[Name.toLower()];
    count += Delta;
    if (count <= 0)
        Names.remove(Name.toLower());
}

TContentsItem *TContentsItems::Add(std::unique_ptr<TContentsItem> Item)
{
    Use(UsedUrls, Item->Url, 1);
    Use(UsedStaticNames, Item->StaticName, 1);
    Items.push_back(std::move(Item));
    return Items.back().get();
}

void TContentsItems::Clear()
{
    Items.clear();
    UsedUrls.clear();
    UsedStaticNames.clear();
}

void TContentsItems::ClearUrl(TContentsItem *Item)
{
    if (!Items.empty() && Items.back().get() == Item)
        Use(UsedUrls, Item->Url, -1);
    Item->Url.clear();
}

void TContentsItems::GetNavSetting()
{
    NavSetting.SetSettingText(Project ? Project->NavSetting : QString());
}

void TContentsItems::PreProcess()
{
    constexpr int kLevels = 101;
    GetNavSetting();
    DefaultPage.clear();
    std::array<int, kLevels> lastAtLevel;
    lastAtLevel.fill(-1);
    struct Ancestor {
        QString HTMLTitle;
        QString Url;
    };
    std::vector<Ancestor> stack;
    TContentsItem *previous = nullptr;
    auto markLast = [&](int from, int downTo) {
        for (int l = from; l >= downTo; --l)
            if (l >= 0 && l < kLevels && lastAtLevel[size_t(l)] >= 0)
                Items[size_t(lastAtLevel[size_t(l)])]->LastInTheSameLevel = true;
    };
    for (int i = 0; i < Count(); ++i) {
        TContentsItem &item = *Items[size_t(i)];
        const int level = item.Level;
        if (level < 0 || level >= kLevels)
            throw Exception(QStringLiteral("The topic \"%1\" has the level %2; levels run from 1 to 100.")
                                .arg(item.Title)
                                .arg(level));
        lastAtLevel[size_t(level)] = i;
        item.Navigation = NavSetting.NavStartStr;
        if (i > 0) {
            const TContentsItem &p = *Items[size_t(i - 1)];
            if (level < p.Level) {
                markLast(p.Level, level + 1);
                for (int k = 0; k < p.Level - level && !stack.empty(); ++k)
                    stack.pop_back();
            } else if (level > p.Level) {
                stack.push_back({p.HTMLTitle, p.Url});
            }
            // A book without a page links, in trails, to the first page below it.
            if (!item.Url.isEmpty())
                for (auto it = stack.rbegin(); it != stack.rend() && it->Url.isEmpty(); ++it)
                    it->Url = item.Url;
        }
        if (item.Accessible) {
            if (previous) {
                item.LastPage = RelativeUrl(item.Url, previous->Url);
                previous->NextPage = RelativeUrl(previous->Url, item.Url);
            } else {
                item.LastPage.clear();
            }
            previous = &item;
            for (size_t k = 0; k < stack.size(); ++k) {
                if (k > 0)
                    item.Navigation += NavSetting.Delimiter;
                item.Navigation += QStringLiteral("<a href=\"%1\">%2</a>").arg(stack[k].Url, stack[k].HTMLTitle);
            }
            if (!stack.empty() && (NavSetting.EndWithDelimiter || NavSetting.IncludeTopic))
                item.Navigation += NavSetting.Delimiter;
            if (NavSetting.IncludeTopic)
                item.Navigation += item.HTMLTitle;
            if (DefaultPage.isEmpty())
                DefaultPage = item.Url;
        }
        if (item.Icon == 0 && Project) {
            // An icon number outside the 42 icons and "none" (-2), set
            // without the project file's checks, gives the default icon.
            const int icon = item.HasChildNode ? Project->HasChild : Project->NoChild;
            item.Icon = icon >= -2 && icon <= 41 ? icon + 1 : item.HasChildNode ? 1 : 11;
        }
    }
    if (Count() > 0 && Items.back()->Level > 0)
        markLast(Items.back()->Level, 1);
}

QString TContentsItems::GetExclusiveFilename(const QString &Name, const QString &Ext) const
{
    const QString base = Name.left(50);
    QString candidate = base + Ext;
    for (int n = 1; UsedUrls.contains(candidate.toLower()); ++n)
        candidate = base + QString::number(n) + Ext;
    return candidate;
}

QString TContentsItems::GetExclusiveStaticName(const QString &StaticName) const
{
    QString candidate = StaticName;
    for (int n = 1; UsedStaticNames.contains(candidate.toLower()); ++n)
        candidate = StaticName + QString::number(n);
    return candidate;
}
