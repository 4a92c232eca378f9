#pragma once
// The topic list of one output of one build: a flat list of topics in
// document order whose levels imply the contents tree, and the navigation
// trail settings.
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

class TProject;

class TContentsItem {
public:
    QString Title;        // plain text; "(Blank)" for an empty heading
    QString HTMLTitle;    // Title escaped for HTML
    QString TitleSource;  // the heading's HTML in the converted document
    QString StaticName;   // context symbol name, unique in the list
    QString Url;          // page file name; empty for a book without a page
    QString Content;      // page body HTML
    QString All;
    int OriginalLevel = 0;
    int Level = 0;        // depth in the contents, from 1
    int Icon = 0;         // contents icon, 1-based; 0 not chosen yet
    int Status = 0;       // 0 a topic with its own page, 2 a book without a page
    QString Keywords;
    QString ContextNumber;
    QString LastPage;     // relative URL of the previous page
    QString NextPage;     // relative URL of the next page
    QString Navigation;   // navigation trail HTML
    QString ChapterNumber;
    bool LastInTheSameLevel = false;
    bool HasChildNode = false;
    bool Accessible = false;
    bool ApplyTemp = false;
};

class TNavSetting {
public:
    QString NavStartStr;
    QString Delimiter;
    bool EndWithDelimiter = false;
    bool IncludeTopic = false;

    // Parses a comma text of four items: start text, delimiter, "1"/"0" for
    // EndWithDelimiter, "1"/"0" for IncludeTopic. Throws on fewer items.
    void SetSettingText(const QString &Text);
    // Splits a comma text: items separated by commas or blanks; a quoted item
    // may hold both, "" inside it stands for one quote.
    static std::vector<QString> SplitCommaText(const QString &Text);
    // The stored form: every item in double quotes, joined by commas.
    static QString MakeSettingText(const QString &Start, const QString &Delimiter, bool EndWithDelimiter,
                                   bool IncludeTopic);
};

class TContentsItems {
public:
    TContentsItems();

    int Count() const { return int(Items.size()); }
    TContentsItem *Item(int Index) const { return Items[size_t(Index)].get(); }
    // Takes ownership of Item and appends it; returns it. The Url and
    // StaticName it has then count as used by the two names below.
    TContentsItem *Add(std::unique_ptr<TContentsItem> Item);
    void Clear();
    // Clears the Url of an item (a book without a page), so that its name
    // may be given again. Only the last item added may be changed so.
    void ClearUrl(TContentsItem *Item);

    // Finishes the filled list: trails, previous/next links, last-in-level
    // flags, default page and default icons.
    void PreProcess();
    // A page file name not yet used as any item's Url (compared without
    // regard to case).
    QString GetExclusiveFilename(const QString &Name, const QString &Ext) const;
    // A static name not yet used by any item (compared without regard to case).
    QString GetExclusiveStaticName(const QString &StaticName) const;
    // NavSetting from the project's setting text.
    void GetNavSetting();

    TProject *Project = nullptr;
    int HtmlHelpCodepage = 0;
    QString DefaultPage;
    TNavSetting NavSetting;

private:
    static void Use(QHash<QString, int> &Names, const QString &Name, int Delta);
    std::vector<std::unique_ptr<TContentsItem>> Items;
    // Lower-cased names of the items' Url and StaticName with their counts,
    // so that a new name is found without scanning every item.
    QHash<QString, int> UsedUrls;
    QHash<QString, int> UsedStaticNames;
};
