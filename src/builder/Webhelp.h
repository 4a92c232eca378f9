#pragma once
// The WebHelp output: a folder of framed HTML pages that a browser opens
// through its index page. The writer renders every topic through the
// project's WebHelp template into "pages/", fills the frame pages from the
// skeletons in the program folder's "webhelp/", and writes the contents
// trees, the keyword index page, the interface strings ("languages.js") and
// the search data ("data.js") that the skeletons' scripts read.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TProject;
class TContentsItems;
class TWordDoc;

// One search record: the plain text of a topic, its title and its page.
class TTextForWeb {
public:
    QString Text;
    QString Title;
    QString url; // "pages\" + the topic's Url
};

// Closed and open contents icons of one entry.
struct TIconPair {
    QString Closed;
    QString Open;
};

class TWebHelp {
public:
    using TNotifyEvent = std::function<void(TWebHelp *Sender)>;

    // Word may be null: the pages then get no converter head and no attached
    // files (used when the topic list does not come from a document).
    TWebHelp(TProject *AProject, TContentsItems *AContents, TWordDoc *AWord);
    virtual ~TWebHelp();
    TWebHelp(const TWebHelp &) = delete;
    TWebHelp &operator=(const TWebHelp &) = delete;

    // Writes the whole folder. When the project asks to view the output,
    // IndexPage receives the path of the index page. Throws Exception on
    // failure; a folder that must not be emptied is refused before anything
    // is touched.
    void Output(QString &IndexPage);
    void OutputPages();
    void CopyIcon();
    // Fills one frame page skeleton (a name such as "index.htm") into the folder.
    void outFiles(const QString &Name);
    void GetTextsForSearch();
    TIconPair IconArray(int Icon, bool IsFolder) const;

    // Generated texts of the frame pages and scripts.
    void MakeJs(QString &Text) const;
    void MakeHTML(QString &Text) const;
    void MakeIndexForWeb(QString &Text) const;
    void OutputSearchJS(QString &Text) const;
    void MakeLanguageJS(QString &Text) const;

    // ".htm" or ".html", by the project's WebHelpExtension.
    QString PageExtension() const;
    // The script put into each topic page: it selects the topic's entry
    // (list position Position) in the contents tree, and loads the frame set
    // when the page is opened on its own.
    QString SynchronisingScript(const QString &Url, int Position) const;

    TNotifyEvent FOnProcess;
    int Position = 0;
    QString Info;
    QString CDir;
    QString OutFolder;
    TProject *Project = nullptr;
    TContentsItems *Contents = nullptr;
    TWordDoc *Word = nullptr;
    std::vector<std::unique_ptr<TTextForWeb>> Texts;
    QString Title;
    QString DefaultPage;
    QString OutputFolder;

private:
    QString ContentsTree(bool Scripted) const;
    QString LoadSkeleton(const QString &Name) const;
    void SavePage(const QString &Page, const QString &FileName) const;
};

// The interface-string names of the WebHelp scripts (from the program
// folder's "webhelp/languages.txt") and their translations.
class TWebHelpInterfaceLanguage {
public:
    // Reads the names; throws Exception naming the file when it is missing
    // or unreadable.
    TWebHelpInterfaceLanguage();
    virtual ~TWebHelpInterfaceLanguage() = default;

    // The dictionary's value for Name ("name=value" lines, name matched
    // without regard to case, first match); Name itself when the value is
    // empty or missing.
    static QString GetValue(const QString &Name, const QStringList &Dictionary);
    // The content of "languages.js".
    void GetLanguageJS(QString &Text) const;

    QStringList Names;
    QStringList Dictionary;
};

// The names of a "languages.txt" text: the trimmed text between the first
// "[\"" and the first "\"]" of each line that has both, in that order.
QStringList ParseInterfaceNames(const QString &Text);

// Plain text of a topic page for searching: tags, scripts, styles and the
// title dropped, character references decoded, whitespace collapsed, a "`"
// for each paragraph, break, list or cell boundary.
QString GetSearchText(const QString &Html);

// A text for a double-quoted string of the search data: backslashes doubled,
// "`" and line breaks as escapes, quotes escaped, "</script" broken up.
QString EscapeJSString(const QString &S);
// A text for a JavaScript string literal (either quote): backslashes,
// quotes, line breaks and "</script" escaped.
QString EscapeJSText(const QString &S);
// HTML-escaped text for a single-quoted string inside an attribute.
QString EscapeIndexText(const QString &S);

// Every ".htm" (any case) that ends a file name made ".html"; a longer
// extension such as ".html" is left alone.
QString ChangeHtmExtension(const QString &Text);
// The page with the script inserted right after its body start tag, or at
// its start when it has none.
QString InsertAfterBodyTag(const QString &Page, const QString &Script);
// The page with the web mark after its document type, adding one when the
// page has none.
QString AddDocTypeAndWebMark(const QString &Page);
