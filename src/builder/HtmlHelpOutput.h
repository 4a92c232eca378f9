#pragma once
// The HTML Help output of a build: renders every topic page into the
// project-set folder, builds the contents, index and context texts, and
// hands them to the project-set writer, which writes the project set and
// compiles it. Also writes the optional context-ID source file.
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

class TProject;
class TContentsItems;
class TWordDoc;

class THtmlHelpMaker {
public:
    using TNotifyEvent = std::function<void(THtmlHelpMaker *Sender)>;

    // Prepares ProjectFolder (emptied; refused when it holds the user's
    // files), copies the converter's attached files and writes all pages.
    void Output();
    // One page per topic that has one; the first sets the project's
    // CHMSetting.DefaultTopic.
    void OutputPages();
    // Writes the project set and compiles it; Log receives the compiler's
    // output. Throws when there is nothing to compile or the compile fails.
    void Make(QString &Log);
    // The body of the contents file.
    void MakeHHCList(QString &Text) const;
    // The body of the index file.
    void MakeHHKList(QString &Text) const;
    // The [ALIAS] lines and the #define lines of the context map.
    void MakeContextSensitive(QString &Alias, QString &Map) const;
    // Writes the context-ID source file from the project's code templates.
    void OutputContextFile();

    TNotifyEvent FOnProcess;      // not used by the build
    int Position = 0;
    QString Info;
    QString CDir;                 // not used
    TProject *Project = nullptr;  // not owned
    TContentsItems *Contents = nullptr; // not owned
    TWordDoc *Word = nullptr;     // not owned; null gives no document head and no attached files
    QString ProjectFolder;        // the project-set folder, with trailing separator
    QString OutputFolder;         // not used
};

// Keyword paths: levels separated by "/", "//" standing for a "/" inside a
// level.
QStringList SplitKeywordPath(const QString &Keyword);
QString KeywordLastLevel(const QString &Keyword);
// Sort key of a keyword (spaces and backslashes mapped so that a backslash
// sorts as a space) and its reverse.
QString KeywordSortKey(const QString &Keyword);
QString KeywordFromSortKey(const QString &Key);
// The locale the index keywords are sorted in: that of the project's help
// language (English (United States) when it names none), never the build
// machine's, so that the same project gives the same index anywhere.
QLocale KeywordLocale(const TProject *Project);
// The list structure between the index entry of Prev and that of Cur:
// closes the levels Cur leaves, opens the ones it enters, and writes an
// entry for each new level above Cur's last.
QString KeywordPathTransition(const QString &Prev, const QString &Cur);

// The text of the context-ID source file: the head, one filled line template
// per topic with a page, and the tail, each entry ended by CR LF.
QString MakeContextFileText(const TProject &Project, const TContentsItems &Contents);
