#pragma once
// Page templates: the template package (a page and the files it uses packed
// into one byte stream), the head merger and the page maker that fills a
// template's placeholders for one topic.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TContentsItem;

// ---- Template package ------------------------------------------------------
// Each entry: 64-bit little-endian count of UTF-16 code units, the name
// (relative to the page's folder, "\" between folders), 64-bit byte count,
// the bytes. The first entry is the template page.

struct TTemplateEntry {
    QString Name;
    QByteArray Data;
};

// Replaces Stream with the package of the template page FileName.
void PackTemplate(const QString &FileName, QByteArray &Stream);
// Appends the full paths PackTemplate considers: the page, its linked files
// and the grey button siblings.
void ListTemplateFiles(const QString &FileName, QStringList &List);
// Writes every entry into Folder. The whole package is checked first, so a
// damaged or hostile package writes nothing.
void ExtractTemplateFiles(const QByteArray &Stream, const QString &Folder);
// Relative name of the first entry; empty for an empty package.
QString GetTemplateMainFile(const QByteArray &Stream);
// Every byte as two upper-case hexadecimal digits.
QString StreamToHex(const QByteArray &Stream);
// The reverse of StreamToHex (either case); throws on text that is not hex.
QByteArray HexToStream(const QString &Hex);
// Parses and checks a package: names must be relative, stay inside the
// folder and hold no control character, counts must fit in the bytes left.
// Throws Exception otherwise, naming the entry (and Package, when given, as
// the package).
QList<TTemplateEntry> ReadTemplateEntries(const QByteArray &Stream, const QString &Package = QString());

// ---- Head elements ----------------------------------------------------------

class THTMLElement {
public:
    virtual ~THTMLElement() = default;
    virtual std::unique_ptr<THTMLElement> Double() const;
    QString TagName;   // upper case; "!--" for a comment
    QString InnerHTML; // the element's whole text
};

class TMeta : public THTMLElement {
public:
    std::unique_ptr<THTMLElement> Double() const override;
    QString Name;
    QString HTTP_EQUIV;
};

class TScript : public THTMLElement {
public:
    std::unique_ptr<THTMLElement> Double() const override;
    QString src;
};

class TLink : public THTMLElement {
public:
    std::unique_ptr<THTMLElement> Double() const override;
    QString href;
};

class THEADElements {
public:
    int Count() const { return int(Items.size()); }
    THTMLElement *Item(int Index) const { return Items[size_t(Index)].get(); }
    // Makes the element object for a tag (META, SCRIPT, LINK or plain) and adds it.
    void AddElement(const QString &TagName, const QString &HTML);
    // Empties the list, then parses the head's inner text S into elements.
    void Load(const QString &S);
    // Adds copies of HeadB's META, LINK, SCRIPT and STYLE elements that this
    // list lacks, each after the last element of its kind.
    void Unite(const THEADElements &HeadB);
    // Drops titles and the Content-Type and Generator metas, then puts the
    // program's own two metas at the top.
    void Process();
    // CR LF, each element on a line of its own, CR LF.
    QString Text() const;

private:
    void Insert(int Index, std::unique_ptr<THTMLElement> Element);
    std::vector<std::unique_ptr<THTMLElement>> Items;
};

// ---- Page template ------------------------------------------------------------

class TPrevNext {
public:
    QString Extension; // ".gif", ".png" or ".jpg"; empty without button images
    bool Prev = false;
    bool Next = false;
    bool Prev_Gray = false;
    bool Next_Gray = false;
    QString Prev_Title;
    QString Next_Title;
};

class TTemplate {
public:
    explicit TTemplate(const QByteArray &TemplateStream);
    TTemplate(const QByteArray &TemplateStream, const QString &Prev_Text, const QString &Next_Text);

    // Writes the package's entries after the page into ToWhere and notes the grey buttons.
    void CopyAttachedFiles(const QString &ToWhere);
    // Merges the document head HeadB with the template's head into TempSource.
    void UniteHead(THEADElements &HeadB);
    // The finished page of one topic.
    QString MakePage(const TContentsItem &Item) const;
    // Source with the button images replaced by placeholders.
    QString PrevNextTemplate();

    QByteArray Stream;
    QString Source;
    QString LS;
    QString TempSource;
    QString ProjectTitle;
    QString Copyright;
    QString Previous;
    QString Next;
    QStringList AttachedFiles; // not filled: the package itself lists the files
    TPrevNext pn;
    QString Path;

private:
    void Init();
};
