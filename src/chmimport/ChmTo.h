#pragma once
// Import of a compiled help file, first stages: reading its system data,
// unpacking it into a work folder through the unpacking helper, reading its
// contents and index into a flat list of entries (TTitleLists), and
// distilling the unpacked pages (TCHMDistill, TChmTopicFile) so that each
// contents entry ends up with one clean page whose links point at bookmarks.
//
// Paths in the work folder use "/". rootFolder is absolute and ends in "/";
// an entry's Url is relative to it. No path taken from the help file, its
// contents, index or pages ever leads outside rootFolder.
#include "foundation/HtmlTables.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class TCHMDistill;

// Progress callback: a text and a percentage.
using TProcEvent = std::function<void(const QString &Text, int Percent)>;

// The separator between keyword paths in TTitleList::Keywords: "`" then "\".
inline const QString KeywordSeparator = QStringLiteral("`\\");

// A keyword path as TTitleList::Keywords holds it: the names of its levels,
// each followed by "/", then "#" and the anchor the index points at. Inside a
// name "/" is written "//" and "#" is written "##".
QString KeywordName(const QString &Name);
// The levels of a keyword path as the index names them, and its anchor.
QStringList KeywordLevels(const QString &Path, QString *Anchor = nullptr);

// Whether a link leads into a help file ("ms-its:" or "mk:@MSITStore:").
bool HasHelpFilePrefix(const QString &Text);
// A help file that a link or a merge names ("other.chm::/page.htm", with or
// without a help-file prefix): the file's name alone and the inner path, "/"
// separated. False when the text names no help file.
bool SplitHelpFileLink(const QString &Text, QString &Name, QString &Inner);

// One contents entry.
class TTitleList {
public:
    QString Topic;
    qint32 Index = 0;
    qint32 Level = 0;
    QString Url;
    qint32 Icon = 0;
    qint32 Status = 0; // 0 page, 2 heading without page, 3 outside link
    QString Keywords;
    QString ContextNumber;
    QString ChapterNumber;
    QString Bookmark;
};

// The contents entries in contents order, owned, with a lookup by Url.
class TTitleLists {
public:
    int Count() const { return int(items_.size()); }
    TTitleList *Items(int index) const { return items_.at(size_t(index)).get(); }
    TTitleList *Add(std::unique_ptr<TTitleList> item);
    // Moves every entry of other to position index, in their order.
    void InsertFrom(int index, TTitleLists &other);
    void Clear();
    // Rebuilds the lookup: lower-cased Url to the first entry with it.
    void initializeUrls();
    // The entry whose Url equals url without regard to case, as of the last
    // initializeUrls; nullptr when none.
    TTitleList *GetItemByUrl(const QString &url) const;
    // The lookup: lower-cased Urls in sorted order with their entries.
    QMap<QString, TTitleList *> Urls;

private:
    std::vector<std::unique_ptr<TTitleList>> items_;
};

// The help file's system data as far as the import reads it.
struct TChmSystemData {
    bool HasLanguage = false;
    quint32 Lcid = 0;
    bool HasDefaultTopic = false;
    QByteArray DefaultTopic; // without its terminating zero byte
    bool HasTitle = false;
    QByteArray Title;
};
// Reads the records of a "#SYSTEM" object by their codes (4 language,
// 2 default topic, 3 title). Damaged or short data gives what could be read.
TChmSystemData ParseChmSystemData(const QByteArray &data);

class TCHMDecompile {
public:
    TCHMDecompile();
    virtual ~TCHMDecompile();
    TCHMDecompile(const TCHMDecompile &) = delete;
    TCHMDecompile &operator=(const TCHMDecompile &) = delete;

    TTitleLists List;
    QByteArray rTitle;
    QByteArray rDefaultPage;
    qint32 rCodePage = 0;
    QString LangID;
    QString Title;
    QString DefaultPage;
    qint32 CodePage = 0;
    QString hhcFile;
    QString hhkFile;
    QString rootFolder;
    QString DefaultWindow;
    QStringList Context; // "file:number" lines
    QString chmFile;
    QString FileName;
    TProcEvent FOnChange;
    // The help file as the user chose it, when chmFile is a temporary copy
    // of it: links and merges that name help files are resolved against its
    // name and folder. Empty: chmFile itself.
    QString OriginalChmFile;
    // Contents entries that stand for the contents of another help file
    // ("Merge"): where they stood in List, at which level, and the value.
    struct TMerge {
        int Position = 0;
        int Level = 0;
        QString Value;
    };
    std::vector<TMerge> Merges;
    // Index keywords whose page no contents entry names: the page as the
    // index names it, and the keyword path. The distiller brings such pages
    // in with their keywords.
    QList<std::pair<QString, QString>> UnplacedKeywords;
    // What the user should know about the import that is not an error (a
    // merged help file that is missing), one line each.
    QStringList Notes;

    // Reads title, language, code page and default topic of the help file.
    // Throws Exception naming the file when it cannot be read as a help file.
    void LoadFromCHM(const QString &ChmFile);
    // Unpacks chmFile into rootFolder and reads its contents and index.
    // Throws Exception naming the file when unpacking fails, and, before
    // anything is unpacked, when its directory shows pages that would need
    // more memory than the import may take (SizeLimits).
    void decompile();
    // Reads an unpacked project file instead of a help file.
    void LoadFromHHP(const QString &HHPFile);
    // What an import allows: the pages' bytes together (those of the help
    // files it merges or links to count too) and one page's.
    struct TSizeLimits {
        qint64 AllPages = 0;
        qint64 OnePage = 0;
        // The limits on a machine with this much memory: an import may take
        // half of it, a byte of the pages takes MemoryPerPageByte bytes
        // while the import runs and a byte of its largest page
        // MemoryPerOnePageByte (measured on large help files); no page is
        // larger than the document engine opens.
        static TSizeLimits ForMemory(qint64 physicalBytes);
        static constexpr qint64 MemoryPerPageByte = 14;
        static constexpr qint64 MemoryPerOnePageByte = 36;
    };
    // The limits in force: at first those for this machine's physical
    // memory; tests change them.
    static TSizeLimits &SizeLimits();

    // The path and name of the help file that links name as this one.
    QString OwnChmFile() const { return OriginalChmFile.isEmpty() ? chmFile : OriginalChmFile; }

    // The unpacking helper program and its time limit (tests shorten it).
    static QString UnpackerProgram();
    static void SetUnpackTimeoutMs(int ms);
    static int UnpackTimeoutMs();

protected:
    // Why the help file name beside this one may not be taken in (merged or
    // linked to), as the end of a sentence ("which is ..."), before anything
    // of it is unpacked: it is no regular file whose real place lies in this
    // one's folder, or its pages would take the import past SizeLimits
    // together with those taken in so far. Empty when it may: its pages
    // are counted then. Missing: no file of that name stands there.
    QString siblingRefusal(const QString &name, bool *missing = nullptr);
    // Makes other a help file taken in by this one: its pages count
    // towards this one's, and it checks no size again when unpacked.
    void adoptSibling(TCHMDecompile &other) const;

private:
    // Puts the contents of each merged help file beside this one in place
    // of its merge entry; a missing or refused one gets a note.
    void mergeHelpFiles();
    // The bytes of the pages of this help file and of those it took in.
    qint64 pageBytes_ = 0;
    qint64 *sharedPageBytes_ = &pageBytes_;
    bool sizeChecked_ = false;
    // The help files being merged into the one that merges this one: a
    // help file that merges itself, or one that merges it, stops there.
    const QSet<QString> *openMerges_ = nullptr;
};

void ReadChmSystemInfo(TCHMDecompile &Reader, const QString &ChmFile);
void ParseHhcFile(TCHMDecompile &Reader);
void ParseHhkFile(TCHMDecompile &Reader);
// A page as an index or contents file names it, relative to the work folder:
// help-file links resolved ("ms-its:own.chm::/a.htm" is a.htm, one into
// another help file lies in the folder of its name), "/" separators.
QString IndexPageKey(const TCHMDecompile &Reader, const QString &Page);
// The parameters of one sitemap entry's text (Merge: its "Merge" value).
void ParseHhcEntry(const TCHMDecompile &Reader, const QString &Text, QString &Name, qint32 &ImageNumber,
                   QStringList &Locals, QString *Merge = nullptr);
void ParseHhkEntry(const QString &Text, QString &Name, QStringList &Locals);
void ReadHhpContextMap(TCHMDecompile &Reader, const QString &HHPFile);
// The first file below folder (depth first) whose extension is ext without
// regard to case, or empty.
QString FindFileByExt(const QString &Folder, const QString &Ext);

// ---------------------------------------------------------------------------
// Topic page records

class TBookmark {
public:
    QString Name;
    QString Title;
    qint32 Position = 0;
};

class TBookmarks {
public:
    int Count() const { return int(items_.size()); }
    TBookmark *Items(int index) const { return items_.at(size_t(index)).get(); }
    TBookmark *Add(std::unique_ptr<TBookmark> item);
    TBookmark *GetItemByName(const QString &Name) const;
    int GetItemIdByName(const QString &Name) const;
    void Sort();

private:
    std::vector<std::unique_ptr<TBookmark>> items_;
};

// A sorted list of texts without duplicates, compared without regard to case,
// each with an object.
template <typename T>
class TSortedList {
public:
    // False when an equal text is there already (it keeps its object).
    bool Add(const QString &text, T *object = nullptr)
    {
        const QString key = text.toLower();
        if (map_.contains(key))
            return false;
        map_.insert(key, {text, object});
        return true;
    }
    bool Contains(const QString &text) const { return map_.contains(text.toLower()); }
    T *Object(const QString &text) const
    {
        const auto it = map_.constFind(text.toLower());
        return it == map_.constEnd() ? nullptr : it->second;
    }
    void SetObject(const QString &text, T *object)
    {
        const auto it = map_.find(text.toLower());
        if (it != map_.end())
            it->second = object;
    }
    int Count() const { return int(map_.size()); }
    void Clear() { map_.clear(); }
    // The texts in sorted order.
    QStringList Texts() const
    {
        QStringList out;
        for (const auto &v : map_)
            out << v.first;
        return out;
    }

private:
    QMap<QString, std::pair<QString, T *>> map_;
};

class TChmTopicFile {
public:
    TChmTopicFile();
    TChmTopicFile(const QString &TopicFile, TCHMDistill *Owner, const QString &Title);

    // A contents entry names the page whole (not only anchors in it).
    bool OwnEntry = false;
    // After splitting: the lower-cased anchors of the pieces, each with the
    // piece that holds it.
    QHash<QString, int> AnchorPieces;
    TCHMDistill *Owner = nullptr;
    QString Filename;
    TSortedList<void> Anchors;
    TBookmarks Bookmarks;
    qint32 QuoteCount = 0;
    QString BeforeBody;
    QString Body;
    QString AfterBody;
    QString Title1;
    QString Title2;
    QString Title3;
    bool InTag = false;
    bool IsTagName = false;
    bool IsStartTag = false;
    bool FindText = false;
    QString TagAll;
    QString TagName;
    QString Text;
    qint32 CurrentIndex = 0;
    qint32 i = 0; // 0-based, as every position in Body
    qint32 L = 0;
    qint32 h = 0;
    qint32 SamePointH = 0;
    qint32 SamePointL = 0;
    bool TitleFound = false;
    THtmlTags Tags;

    // The current block holds a link (an A tag with an href).
    bool TextHasLink = false;

    void IniticalizeTags();
    static bool IsSimilar(const QString &S1, const QString &S2);
    // Whether two blocks (texts made comparable with SimilarityKey) are one
    // block repeated: similar and of nearly the same length, and equal when
    // either holds a link (a list of links names what differs between pages).
    static bool Repeats(const QString &Key1, bool Link1, const QString &Key2, bool Link2);
    // The current block repeats the page's title.
    bool IsTitle(const QString &Str = QString()) const;
    bool IsTitleText(const QString &Block) const;
    // The kept range holds text or a picture besides the current block
    // (FromEnd: the block found by SearchUp, else by SearchDown).
    bool HasOtherContent(bool FromEnd) const;
    void SearchDown();
    void SearchUp();
    QString Distiller();
    void FindAnchors();
    void ProcessBookmarks();
    // Saves the pieces of the page; with Pieces, hands each piece's file
    // and bytes over instead, in the order they would be written.
    void SplitFileByBookmark(std::vector<std::pair<QString, QByteArray>> *Pieces = nullptr);
    static QString PreprocessForSpecialHelpAuthoringTools(const QString &Source);

private:
    void consumeTag(const QString &name, bool endTag);
    qint32 tagAt_ = 0; // where the tag being read starts
    void pushTag(const QString &name);
    void closeTag(const QString &name);
};

class TChmTopicFileList {
public:
    int Count() const { return int(items_.size()); }
    TChmTopicFile *Items(int index) const { return items_.at(size_t(index)).get(); }
    TChmTopicFile *Add(std::unique_ptr<TChmTopicFile> item);
    void Clear() { items_.clear(); byName_.clear(); }
    TChmTopicFile *GetItemByFilename(const QString &FileName) const;

private:
    std::vector<std::unique_ptr<TChmTopicFile>> items_;
    QHash<QString, TChmTopicFile *> byName_;
};

// ---------------------------------------------------------------------------
// Page distiller

class TCHMDistill : public TCHMDecompile {
public:
    TCHMDistill();

    TSortedList<TTitleList> Files;
    bool AddHint = false;
    QString HintFormat;
    bool Discard = false;
    QString Addenda;
    TSortedList<TTitleList> NonTocicFiles;
    TSortedList<void> CSSFiles;
    TChmTopicFileList TopicList;

    void Execute();
    void Execute2();
    void output();
    // Lets go of what only distilling needs (the pages' records, the
    // lookups of the work folder and of entries by page, the keywords of
    // pages no entry named) and hands the memory back to the system, before
    // the document is built.
    void ReleaseDistillWork();

    void ProcessTocLink();
    void FillFileList();
    // Rewrites the links of the pages and of every page they lead to that
    // is no contents page yet, adding those to NonTocicFiles.
    void GetLinkPages(const QStringList &Pages);
    void ChangeCSS();
    void RemoveSame();
    void NonTocFileToToc();
    void GetChapterNumber();
    void GetBookmark();
    QString DistillPages(bool UrltoBookmark);
    void ProcessTocLink2();
    QString ChangeUrlBookmark(const QString &Page, TTitleList *Base);
    // The entry that a link to Page (relative to rootFolder) with Anchor
    // leads to, and the bookmark to link to; nullptr when no entry shows it.
    TTitleList *LinkTarget(const QString &Page, const QString &Anchor, QString &Bookmark) const;
    QString ProcessSCR(const QString &S, const QString &CurrentUrl);
    QString ProcessDecompiledUrl(const QString &Url, const QString &CurrentUrl);
    bool IsOutOfRootfolder(const QString &Url) const;

    // The existing file that a path names inside rootFolder (matched without
    // regard to case where the exact name is missing), or empty when the
    // path leaves rootFolder or names nothing.
    QString FindInRoot(const QString &Path) const;

    // Files were added to rootFolder: the next case-insensitive lookup reads
    // the folder tree again.
    void WorkFolderChanged()
    {
        rootIndexStale_ = true;
        missing_.clear();
    }

private:
    // ProcessSCR, handing each link attribute's new value to Links as well.
    QString rewriteLinks(const QString &S, const QString &CurrentUrl, QStringList *Links);
    // The steps of Execute (links rewritten to bookmarks) and Execute2.
    void run(bool distillAll);
    void cutShared(bool fromEnd);
    // Lower-cased piece of a split page (relative to rootFolder) to the page.
    QHash<QString, QString> pageOfPiece_;
    // Whether the pages of a help file beside this one that links name lie
    // in the work folder: it is unpacked at the first link to it, if it may
    // be. Safe to call from several threads.
    bool linkedHelpFile(const QString &name);
    // Every help file beside this one that the page's links name, in their
    // order, through linkedHelpFile: pages whose links are rewritten on
    // several threads meet no help file unpacked in a varying order.
    void takeInLinkedHelpFiles(const QString &page);
    std::mutex linkedMutex_;
    QHash<QString, bool> linked_; // lower-cased name -> pages in the work folder
    QString findOnDisk(const QString &resolved) const;
    // FindInRoot's answers by resolved path: files found, paths missing.
    mutable QHash<QString, QString> found_;
    mutable QSet<QString> missing_;
    // Lower-cased path to the path on disk of every file below rootFolder.
    mutable QHash<QString, QString> rootIndex_;
    mutable bool rootIndexStale_ = true;
};

QString UnhideContent(const QString &Text);
// The HTML without the tables that show nothing: no text, no picture and no
// anchor in them (what is left of a navigation bar whose links were cut).
QString RemoveEmptyTables(const QString &Html);
// The HTML without its navigation: blocks (the text between two block tags)
// that hold two links or more and no words beside them, such as
// "[Overview][Index]" or "<< Previous | Next >>". An element left empty goes
// too; anchors inside stay.
QString RemoveNavigationBlocks(const QString &Html);
// The name under which piece k of a split page is saved: "p.htm" gives "p_k.htm".
QString PieceName(const QString &Page, int Piece);
// Reads a page of the work folder as the safe reader does (a failure is
// shown and gives ''), without its test whether another program holds the
// file: no other program knows the work folder.
QString LoadWorkPage(const QString &FileName);
// Saves a page of the work folder in the encoding its charset names (as the
// page saver does), without syncing to disk: these are scratch files. Empty
// text writes nothing. Throws Exception naming the file when it cannot be
// written (a full disk, say).
void SaveWorkPage(const QString &Page, const QString &FileName);
// SaveWorkPage in two steps: the bytes of a page (not empty), and their
// writing; pages are encoded on several threads and written in order.
QByteArray EncodeWorkPage(const QString &Page, const QString &FileName);
void WriteWorkPage(const QByteArray &Bytes, const QString &FileName);
// True for a link that names a scheme ("http:", "https:", "mailto:", "ftp:",
// "javascript:" ...): it points outside the help file. A drive letter is no
// scheme.
bool IsOutsideLink(const QString &Url);
