#pragma once
// The last stage of importing a compiled help file: one new Word document
// built through the document engine from the distilled pages, with a heading
// per contents entry, a bookmark on every heading, index-entry fields for the
// entry's keywords and the entry's page pasted under its heading (in memory,
// never through the system clipboard). Word's automatic formatting and
// proofing options are switched off for the run and put back afterwards, and
// a long run restarts the engine now and then from a saved work file.
#include "chmimport/ChmTo.h"
#include "foundation/WordFunctions.h"
#include "platform/word/Transfer.h"

#include <array>
#include <functional>
#include <memory>

namespace word {
class Application;
class Document;
class Range;
} // namespace word

// A page made ready to be pasted: its content, copied from the page opened
// as a document, or why the page could not be read.
struct TPreparedPage {
    word::Clip clip;
    bool copied = false;
    QString failure; // the import's error message; empty when the page was read
};
class TPagePreparer;

using TDeniedEvent = std::function<void(const QString &FileName)>;
using TMsgEvent = std::function<void(const QString &Text)>;
using TErrorEvent = std::function<void(const QString &Text)>;

class TDocPDFSettings {
public:
    TDocPDFSettings();

    int PaperSize = 4;
    int Height = 0;
    int Width = 0;
    int Top = 25;
    int Bottom = 25;
    int Left = 30;
    int Right = 30;
    bool Cover = true;
    bool Header = true;
    bool Footer = true;
    bool Toc = true;
    bool XE = false;
    int ShowLevel = 3;
    QString TOCCaption = QStringLiteral("Table of Contents");
    bool TitleNumber = true;
    bool AddHint = false;
    QString HintFormat = QStringLiteral("See [Title No.]");
    int StartNewPage = 0;
    bool Discard = false;
    QString Addenda = QStringLiteral("Addenda");
    int Panes = 0;
    int Magnification = 0;
    int PageLayout = 0;
    // Heading 1 to 9 at [1] to [9]; [0] is unused.
    std::array<TFont, 10> HeadingFont;
};

// The state one build shares with the options guard and the restarts.
struct TWordRun {
    std::unique_ptr<word::Application> W;
    word::Document *D = nullptr;
    std::unique_ptr<word::Range> R;
    QString WorkFile;
    int WorkFormat = 12;
    bool NewWord = true;
    // The guarded options in save order, as read when the run began.
    std::array<bool, 47> Saved{};
};

// Word's options guard and restart (each routine's first failing call ends
// it silently; the restart has no guard of its own).
void SaveWordOptions(TWordRun &Run);
void DisableWordAutoFormat(TWordRun &Run);
void RestoreWordOptions(TWordRun &Run);
void RefreshWordDocument(TWordRun &Run, const TProcEvent &OnChange);
// The names of the guarded options in save order (1 to 39 Options, 40 to 47
// AutoCorrect).
const std::array<const char *, 47> &WordOptionNames();

class TChmToDocPDF : public TCHMDistill {
public:
    TChmToDocPDF();
    ~TChmToDocPDF() override;

    std::unique_ptr<TDocPDFSettings> Settings;
    bool ForQuillcraft = false;
    bool OpenResult = true;
    bool OnlyWord = false;
    QString pdf;
    QString Title;
    bool Failed = false;
    TDeniedEvent FOnDenied;
    TMsgEvent FOnMsg;
    TErrorEvent FOnError;
    bool Abort = false;
    bool OK = false;

    // Hands the distiller's settings over from Settings.
    void UpdateSettings();
    // Builds and saves the document; never throws, the outcome is in Failed.
    void OutputWord();

    // The file a target path is saved as: itself for ".doc" and ".docx" (any
    // case), else the same name with ".docx".
    static QString SaveTarget(const QString &Target);
    // Entries whose position (from 0) is followed by a restart of the engine,
    // given the position of the last restart (0: none yet). A restart saves
    // and reopens the whole document, so they come when it has grown fourfold
    // since the last: the restarts before the last one together cost about a
    // third of a save and reading of the finished document, and a long
    // import stays linear in its size.
    static bool RefreshAfter(int Position, int LastRefresh)
    {
        return Position > 300 && Position % 200 == 0 && Position >= 4 * LastRefresh;
    }

private:
    void report(const QString &Text, int Percent);
    void buildDocument(TWordRun &Run, bool &Saved);
    void addEntry(TWordRun &Run, const TTitleList &E, TPagePreparer &Pages, int Index);
    friend class TPagePreparer;
    // Opens a page as a document in W, turns its headings into Normal text
    // that keeps their look and copies its content. Safe to run on several
    // threads at once, each with an Application of its own.
    TPreparedPage preparePage(word::Application &W, const QString &File) const;
    void pastePage(TWordRun &Run, TPreparedPage Page);
};
