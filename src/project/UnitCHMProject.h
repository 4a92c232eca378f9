#pragma once
// HTML Help viewer-window options of a project, and the writer of the HTML
// Help project set (.hhp, .hhc, .hhk, .h) with the compile step.
#include <QString>
#include <QStringList>

class TCHMProject {
public:
    TCHMProject() = default;

    // Copies the window integers, the 34 option Booleans and the six strings.
    void Assign(const TCHMProject &Proj);

    void SetToolbar();
    void SetFace();
    void SetWindow();
    void SetWindowEx();
    void SetWinStyle();
    void SetWinStyleEx();

    // Appends every file under Dir (relative to Folder), in name order,
    // except project-set files and those named in LeftOut.
    void GetFiles(const QString &Dir);
    // Computes the bit sets and writes the project set into Folder.
    void Output();
    void OutputHHC(const QString &FileName);
    void OutputHHK(const QString &FileName);
    void OutputHHP(const QString &FileName);
    void OutputH(const QString &FileName);
    // The names, relative to the project-set folder, of every file the set
    // for the compiled file chm may write there ("name/" for a folder).
    static QStringList FileNames(const QString &folder, const QString &chm);
    // Runs the compiler on the written .hhp in Folder; returns its console
    // output. Throws when the compile fails. The compiled file holds no path
    // of Folder and no time of the compile (SOURCE_DATE_EPOCH's time of day
    // where it is set), so the same set gives the same bytes in any folder.
    QString Compile1();

    // Time limit of one compile in milliseconds (default 30 minutes; 0 or
    // less restores it). A compiler still running then is stopped and the
    // compile fails, so that a hung compiler cannot hang a batch build.
    static void SetCompileTimeoutMs(int ms);
    static int CompileTimeoutMs();
    // The compiler Compile1 runs: qc_chmc beside the running program, which
    // the build makes from Free Pascal's chm units; a test may name another
    // (an empty path restores the default).
    static void SetCompilerProgram(const QString &path);
    static QString CompilerProgram();

    // The [WINDOWS] definition of the window "main".
    QString WindowDefinition() const;
    // The code page the project set is written in: that of the help's
    // Language (1252 when the table lacks it), never the machine's locale.
    int CodePage() const;

    int Top = 70, Left = 100, Height = 700, Width = 900;
    int PaneWidth = 300;
    int DefaultTab = 0;
    bool AutoSearch = true;

    bool ShowMSDNMenu = false, ShowPanesToolbar = true, ShowPane = true, HideToolbar = false,
         HideToolbarText = false, StayOnTop = false, Maximize = false, Hide = false, Back = true, bForward = true,
         Stop = true, Refresh = true, Home = true, Print = true, Option = true, Jump1 = false, Jump2 = false,
         Prev = false, Next = false, Zoom = false, Content = true, Index = true, Search = true, Favorite = true,
         AutoTrack = false, SelectRow = false, PlusMinus = true, ShowSelection = true, ShowRoot = true,
         DrawLines = true, AutoExpand = false, RightToLeft = false, LeftScroll = false, SavePosition = false;

    QString ContentsFont = QStringLiteral(",8,0");
    QString IndexFont = QStringLiteral(",8,0");
    QString Title;
    QString Language;
    QString Font;
    QString DefaultTopic;

    int Toolbar = 0, Face = 0, Window = 0, WindowEx = 0, WinStyle = 0, WinStyleEx = 0;

    QStringList Files;
    QStringList LeftOut;  // names of files in Folder that are no part of the help
    QString Folder;       // the project-set folder, ending with a separator
    // Folder is a scratch folder that goes away with the build: a failed
    // compile's message then quotes the compiler's errors rather than
    // naming its log there.
    bool ScratchFolder = false;
    QString SourceFolder; // subfolder of Folder whose files are listed
    QString CHM;          // path of the compiled help file
    // The compiled file's name inside Folder, where the compiler writes it
    // before it is moved to CHM: plain ASCII, so that the compiler can read
    // it whatever the code page; the set's other files share its base name.
    QString CompiledName;
    QString TOC;          // body of the .hhc
    QString IndexList;    // body of the .hhk
    QString Alias;        // [ALIAS] lines
    QString Map;          // text of the .h file
    QString HHPFile, HHCFile, HHKFile, HFile, LOGFile;
};
