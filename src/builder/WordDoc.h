#pragma once
// The converter of one Word document into topic HTML. It opens the working
// copy in the document engine, writes markers into the open document so that
// headings, Flash objects, shape links, canvas image maps, index entries,
// cross-references and per-heading properties survive the HTML export as
// text, saves it as filtered HTML into a scratch folder of its own, reads the
// page back and splits it into head and body. ToContentsItems then cuts the
// body into topics; the text passes rewrite Word's HTML into help pages.
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TProject;
class TContentsItems;
namespace word {
class Application;
class Document;
} // namespace word

// Text that the converter writes into the document before the export.
inline const QString HeadingMarker = QStringLiteral("`~#$");       // + outline level digit
inline const QString FlashMarker = QStringLiteral("~$!!Flash:(");  // + index + ")"
inline const QString ShapeLinkMarker = QStringLiteral("`@#^");     // + address;target;tip
inline const QString CanvasMapMarker = QStringLiteral("`$#!(");    // + map number + ")"

// The settings of a heading's property field; all empty when it has none.
class THeadingProperty {
public:
    QString Id;
    QString FileName;
    QString StaticVar;
    bool Omit = false;
};

class THeadings {
public:
    int Count() const { return int(Items.size()); }
    THeadingProperty *Item(int Index) const { return Items.at(size_t(Index)).get(); }
    THeadingProperty *Add(std::unique_ptr<THeadingProperty> Item);
    void Clear() { Items.clear(); }

private:
    std::vector<std::unique_ptr<THeadingProperty>> Items;
};

// One list of "Name=value" lines per Flash object, in the order the objects
// were replaced; the index is the number in the object's marker.
class TOLEObjects {
public:
    int Count() const { return int(Items.size()); }
    const QStringList &Item(int Index) const { return Items.at(size_t(Index)); }
    void Add(const QStringList &Item) { Items.push_back(Item); }
    void Clear() { Items.clear(); }

private:
    std::vector<QStringList> Items;
};

class TWordDoc {
public:
    using TNotifyEvent = std::function<void(TWordDoc *Sender)>;

    // Stores the project, the application, the progress handler and the
    // output type; the conversion itself is run by DoCreate.
    TWordDoc(TProject *AProject, word::Application *Word, const QString &WordFile, TNotifyEvent ChangeEvent,
             int AOutputType);
    // Deletes the scratch folder with its whole tree.
    ~TWordDoc();
    TWordDoc(const TWordDoc &) = delete;
    TWordDoc &operator=(const TWordDoc &) = delete;

    // Runs the whole conversion of WordFile. Throws Exception on failure.
    void DoCreate(const QString &WordFile);
    // Copies AttachedFiles and the supporting-files folder into ToWhere (a
    // folder path with trailing separator).
    void CopyAttachedFiles(const QString &ToWhere);

    // Cuts Body into topics and fills Items; then rewrites every page's
    // links and pictures and finishes the list (PreProcess).
    void ToContentsItems(TContentsItems &Items);
    // Rewrites the pictures and links of every item that has a page.
    void ChangeUrls(TContentsItems &Items);
    // Adds a BookmarkAndUrls entry for each named anchor of S.
    void GetBookmarksForHeadings(const QString &S, const QString &Url, bool IsHeading);

    // Text passes over Word's HTML.
    QString ProcessSource(const QString &Text) const;
    static QString FixWordBulletForWebHelp(const QString &Text);
    void ProcessOLEObj();
    QString StyleToFile(const QString &Head, const QString &Folder);
    void RemoveSections();
    QString ChangeShapeLink(const QString &Content) const;
    QString ChangeUrls(const QString &Content);

    // Names of topics.
    static QString TopicBaseName(const QString &Title);
    static QString TopicFileName(const QString &Base);
    static QString TopicStaticName(const QString &Base);
    static QString HexEncodeTitle(const QString &Title);

    // Lookup in BookmarkAndUrls by name ("#" + bookmark in lower case); the
    // first entry of that name in sorted order, empty when there is none.
    int IndexOfBookmark(const QString &Name) const;
    QString BookmarkTarget(const QString &Name) const;
    void AddBookmark(const QString &Name, const QString &Target);

    word::Application *WordApplication = nullptr;
    TNotifyEvent FOnUpdate;
    TProject *Project = nullptr;
    int OutputType = 0;               // 1 HTML Help, 2 WebHelp
    std::vector<QStringList> IndexList; // keywords of each heading's stretch
    THeadings Headings;
    TOLEObjects OLEObjs;
    QString FileName;
    QString tempDir;                  // scratch folder, trailing separator
    QStringList BookmarkAndUrls;      // sorted "#bookmark=target" entries
    QStringList ExternalFiles;        // sorted, no duplicates
    QString BeforeBody;
    QStringList AttachedFiles;        // sorted, no duplicates; relative to tempDir
    QStringList MapCodes;             // entry k is the map "WordMap" + k
    QString Source;
    QString Body;
    QString AfterBody;
    QString FilesFolder;              // "doc" + the engine's folder suffix
    int Position = 0;                 // 0 to 100
    // Found by ToContentsItems: the headings that cut the body, and the words
    // before the first of them (the whole body when there is none), which no
    // topic holds.
    int TopicHeadings = 0;
    int TopicPages = 0;               // topics with a page of their own
    int WordsBeforeFirstHeading = 0;
    // What the writer should hear about the split: a document without
    // headings, text before the first heading, headings without any text of
    // their own (one line each); empty when none of these.
    QString SplitNote() const;
    QStringList Notes;                // what was left out of the help and why, one line each

private:
    void ConvertWordToHTML();
    void SetPosition(int Value);
    void ConvertShapes(word::Document &Doc);
    void WalkParagraphs(word::Document &Doc);
    QString ChangeHrefValue(const QString &Name, const QString &Value);
    QString ResolveExternalLink(const QString &Value);
    // Copies a linked local file into the help and gives its name there;
    // a file outside the folders of the document and the project is not
    // copied, noted, and Link is given back unchanged.
    QString AttachExternalFile(const QString &Path, const QString &Name, const QString &Link);
    bool MayCopyIntoHelp(const QString &Path) const;
    QString ParentLinkToRootPath(const QString &Value) const;
    QString ExternalLinkToRootPath(const QString &Value) const;
    QString RootRelativeName(const QString &Path) const;

    QHash<QString, QString> ExternalNames; // linked file -> name it was copied under
    QHash<QString, QString> BookmarkIndex; // lower-case name -> its BookmarkAndUrls entry
};

// Parses the code text of a heading's property field.
THeadingProperty ParsePropertyField(const QString &Code);
// The keyword of an index entry's code text ("" without two quotes).
QString IndexEntryKeyword(const QString &Code);
// The bookmark of a cross-reference's code text ("" when it is not a
// hyperlinked REF).
QString CrossReferenceBookmark(const QString &Code);
// The local path of a "file:///" link.
QString FileUrlToPath(const QString &Url);

// The parts of a picture's alternative text written by the converter.
struct TShapeAltText {
    QString Description;
    QString Address;
    QString Target;
    QString Title;
    QString MapNumber;
};
TShapeAltText ParseShapeAltText(const QString &Alt);
