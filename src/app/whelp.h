#pragma once
// The main window: the tabs that edit the open project, the File and Help
// menus, the recent-projects list, the idle copy between the controls and
// the project, the build command with its checks, and the batch build.
#include "builder/build.h"
#include "platform/Prompt.h"
#include "project/ProjectSetting.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;
class TframSelectColor;

// What the command line asks for: a project file and the batch switch.
struct TStartup {
    QString ProjectFile;   // first parameter, may be empty
    QString Switch;        // second parameter as given
    bool Batch() const;    // "/b" or "/bs", any case
    bool Silent() const;   // "/bs", any case
    static TStartup FromArguments(const QStringList &arguments); // without the program name
};

// Recent projects kept in the settings store (newest first, at most 10).
namespace recent {
constexpr int MaxCount = 10;
// The stored entries in order, unreadable ones skipped, missing files kept.
QStringList Stored();
// The entries shown in the menu: stored ones whose files exist.
QStringList Shown();
// Puts fileName at the head; an equal entry (any case) is dropped.
void Add(const QString &fileName);
} // namespace recent

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(const TStartup &startup = TStartup(), QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The main window's creation ends with opening the start-up project;
    // tests and the entry call it once after construction.
    void FormCreate();

    TProject &Project() { return *FProject; }
    int ExitCode() const { return FExitCode; }
    const TStartup &Startup() const { return FStartup; }

    // Project commands.
    void New(bool CanCancel);
    void Open();
    bool Save();
    bool SaveAs();
    bool OpenProject(const QString &ProFile);
    void GoExit();
    void LoadRecentProjects();
    void AddRecentProject(const QString &FileName);
    void SetCaption();

    // Settings synchronisation.
    void Action2Update();
    void ProjectToControl();
    void cbLanguageChange();
    void cbPDFOutputClick();
    void cbWebBackgroundChange();
    void InsertIntoCopyright(const QString &Text);

    // The setting dialogs: context map options, navigation, WebHelp
    // interface translation and the HTML Help window designer.
    void btnSetContextClick();
    void btnSetNavigationClick();
    void btnWebhelpInterfaceClick();
    void Button2Click();

    // Build commands.
    void BuildProject(bool Silence);
    void CheckOutputFiles();
    static QString FormatAge(qint64 Seconds);
    QString DescribeOutputFile(const QString &FileName, QPushButton *OpenButton, QPushButton *FolderButton);
    // The result line of the last batch build (empty before one).
    const QString &BatchLine() const { return FBatchLine; }
    // The batch log's text for one result line.
    QString BatchLogText(const QString &Line) const;
    // The file the batch log goes to.
    QString BatchLogFile() const;
    void tmMainFormLoadedTimer();

    // The Word version the window works with (12 or more offers .docx).
    static int WordVersion();

    // Controls (public: the dialogs of later commands and the tests read them).
    QTabWidget *PageControl1 = nullptr;
    QWidget *tsSource = nullptr, *tsCommon = nullptr, *tsHtmlHelp = nullptr, *tsWebHelp = nullptr, *tsPDF = nullptr,
            *tsBuild = nullptr;
    QLineEdit *edtSourceFile = nullptr;
    QToolButton *btnSelectWordFile = nullptr;
    QPushButton *Button3 = nullptr, *btnCreateWordFile = nullptr, *btnImportChm = nullptr,
                *btnFolderSourceFile = nullptr, *btnOpenWordFile = nullptr;
    QLabel *Panel1 = nullptr;
    QPushButton *btnTopicList = nullptr;

    QLineEdit *edtChmTitle = nullptr, *edtNavSetting = nullptr, *edtCopyright = nullptr, *edtPrevHint = nullptr,
              *edtNextHint = nullptr;
    QPushButton *btnSetNavigation = nullptr, *btnCopyright = nullptr, *btnReg = nullptr;

    QLineEdit *edtCompiledFile = nullptr, *edtHtmlHelpTitle = nullptr, *edtContextFile = nullptr,
              *edtHHPFolder = nullptr;
    QToolButton *btnCompiledFile = nullptr, *btnContext = nullptr, *btnSelectHHPFolder = nullptr;
    QCheckBox *cbHtmlHelpTitleSame = nullptr, *cbOutputContext = nullptr, *cbOutputHHP = nullptr;
    QComboBox *cbLanguage = nullptr, *cbHtmlHelpOutputEncoding = nullptr, *cbbHasChild = nullptr,
              *cbbNoChild = nullptr, *cbHtmlHelpExtension = nullptr;
    QPushButton *btnSetContext = nullptr, *Button2 = nullptr, *btnCHMChooseTemplate = nullptr,
                *btnCHMTemplateEdit = nullptr, *btnCHMTemplateImport = nullptr, *btnCHMTemplateExport = nullptr;

    QLineEdit *edtWebHelpOutputFolder = nullptr, *edtWebHelpTitle = nullptr;
    QToolButton *btnSelectFolder = nullptr;
    QCheckBox *cbWebHelpTilteSame = nullptr, *cbStartFromRoot = nullptr, *cbDrawLines = nullptr,
              *cbAutoCollapse = nullptr, *cbRealColorIcon = nullptr, *cbShowIndex = nullptr;
    QComboBox *cbWebHelpExtension = nullptr, *cbWebBackground = nullptr;
    TframSelectColor *framWebFontColor = nullptr, *framWebBackColor = nullptr, *framTOCbackColor = nullptr;
    QLabel *Image1 = nullptr;
    QSpinBox *seNavWidth = nullptr;
    QPushButton *btnWebhelpInterface = nullptr, *btnWebhelpChooseTemplate = nullptr,
                *btnWebHelpTemplateEdit = nullptr, *btnWeblHelpTemplateImport = nullptr,
                *btnWeblHelpTemplateExport = nullptr;

    QLineEdit *edtPDF = nullptr;
    QToolButton *Button1 = nullptr;
    QComboBox *cbPanes = nullptr, *cbMagnification = nullptr, *cbPageLayout = nullptr;

    QCheckBox *cbHTMLHelpOutput = nullptr, *cbWebHelpOutput = nullptr, *cbPDFOutput = nullptr;
    QLineEdit *edtOpenHTMLHelp = nullptr, *edtOpenWebhelp = nullptr, *edtOpenPDF = nullptr;
    QLabel *lbHTMLHelpCreatedDate = nullptr, *lbWebHelpCreatedDate = nullptr, *lbPDFCreatedDate = nullptr;
    QPushButton *btnOpenHTMLHelp = nullptr, *btnOpenWebHelp = nullptr, *btnOpenPDF = nullptr,
                *btnFolderHTMLHelp = nullptr, *btnFolderWebHelp = nullptr, *btnFolderPDF = nullptr,
                *btnBuild = nullptr;

    QMenu *meuRecent = nullptr;
    QAction *New1 = nullptr, *Open1 = nullptr, *Save1 = nullptr, *Saveas1 = nullptr, *Exit1 = nullptr,
            *Howtouse1 = nullptr, *About1 = nullptr;
    QTimer *tmMainFormLoaded = nullptr;
    QTimer *tmBuild = nullptr;

    QString FilterString;
    QString DefaultWordExtension;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    QWidget *CreateSourceTab();
    QWidget *CreateCommonTab();
    QWidget *CreateHtmlHelpTab();
    QWidget *CreateWebHelpTab();
    QWidget *CreatePdfTab();
    QWidget *CreateBuildTab();
    void CreateMenus();
    void ConnectCommands();

    // The save question of New, Open, a recent project and Exit (or, with
    // closing set, of closing the window); true when the command may go on.
    bool AskToSave(bool closing);
    void RunWizardChoice(int Choice);
    void RecentClick(const QString &Caption);
    void OnIdle();
    // Runs a handler, showing any error's message instead of letting it escape.
    template <typename F> void Guarded(F &&handler);
    void ShowError(const QString &Text);

    void btnSelectWordFileClick();
    void btnCompiledFileClick();
    void btnContextClick();
    void btnSelectFolderClick(int Tag);
    void Button1Click();
    void TemplateImport(bool HtmlHelp);
    void TemplateExport(bool HtmlHelp);
    void TemplateChoose(bool HtmlHelp);
    void TemplateEdit(bool HtmlHelp);
    void btnOpenHTMLHelpClick(int Tag);
    void btnFolderHTMLHelpClick(int Tag);
    void btnOpenWordFileClick();
    void btnCreateWordFileClick();
    void btnTopicListClick();
public:
    // Imports a compiled help file into a new Word document that becomes the
    // project's source.
    void btnImportChmClick();

private:
    QString WebHelpIndexPage() const;

    // Asks about an old output file until the build could replace it (the
    // file stays until its successor is complete); false when given up. A
    // silent run asks nothing and gives Error, the refusal of the file: the
    // path and " access denied! It has probably been opend", and Reason, why
    // it cannot be replaced, for the line after the message.
    bool CheckOldOutput(const QString &FileName, bool Silence, QString &Error, QString &Reason);

    std::unique_ptr<TProject> FProject;
    TStartup FStartup;
    int FExitCode = 0;
    bool FCreated = false;
    bool FInIdle = false;
    QString FBatchLine;
    bool FBatchLogKept = false; // a refused batch leaves the log of the build that runs
    QString FOpenFailure; // why the last project could not be read, while the default project stands in
    // The navigation setting as stored; edtNavSetting shows the trail it makes.
    QString FNavSetting;
};

template <typename F> void TfrmMain::Guarded(F &&handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        ShowError(ExceptionText(e));
    } catch (...) {
        ShowError(QStringLiteral("Unknown error."));
    }
}

// Opens a file or folder with the desktop's program for it. A failure, now
// or when the desktop finds no program, goes in one line to onFailure, or
// without one to the user in an error box.
void OpenWithDesktop(const QString &path, QWidget *owner,
                     const std::function<void(const QString &)> &onFailure = {});

// The message of a build or command that needs the source document when the
// project names none.
QString NoSourceDocumentText();

// Reports a message box for the main window (a helper of every handler).
PromptButton AskUser(QWidget *owner, MessageKind kind, const QString &text, PromptButtons buttons = ButtonOk,
                     PromptButton defaultButton = ButtonNone, const QString &caption = QString());
