// The main window's project commands, save questions and recent projects.
#include "app/NewProject.h"
#include "app/FlashScreen.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"

#include "builder/build.h"
#include "foundation/Paths.h"
#include "foundation/basicinfo.h"
#include "platform/Exception.h"
#include "platform/SettingsStore.h"
#include "project/ProjectSetting.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

PromptButton AskUser(QWidget *owner, MessageKind kind, const QString &text, PromptButtons buttons,
                     PromptButton defaultButton, const QString &caption)
{
    HideFlashScreen();
    return ShowMessage(MessageRequest{kind, text, caption, buttons, defaultButton, owner});
}

// ---- Recent projects ---------------------------------------------------------------------

namespace recent {

QStringList Stored()
{
    QStringList files;
    const int count = qBound(0, settings::ReadInteger(QStringLiteral("RecentFilesCount"), 0), MaxCount);
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("RecentFile%1").arg(n);
        if (settings::Contains(name))
            files << settings::ReadString(name);
    }
    return files;
}

QStringList Shown()
{
    QStringList files;
    for (const QString &file : Stored())
        if (!file.isEmpty() && QFileInfo::exists(ExpandMyDocuments(file)))
            files << file;
    return files;
}

void Add(const QString &fileName)
{
    QStringList files{fileName};
    for (const QString &file : Stored()) {
        const bool known = std::any_of(files.cbegin(), files.cend(), [&](const QString &f) {
            return f.compare(file, Qt::CaseInsensitive) == 0;
        });
        if (!known)
            files << file;
    }
    const int count = std::min<int>(int(files.size()), MaxCount);
    settings::WriteInteger(QStringLiteral("RecentFilesCount"), count);
    for (int n = 1; n <= count; ++n)
        settings::WriteString(QStringLiteral("RecentFile%1").arg(n), files[n - 1]);
}

} // namespace recent

void TfrmMain::LoadRecentProjects()
{
    // The topic split's option "NoHeadingNumber" lives in the same store; the
    // converter reads it there at every split, so a change applies at once.
    meuRecent->clear();
    for (const QString &file : recent::Shown()) {
        QAction *item = meuRecent->addAction(file);
        connect(item, &QAction::triggered, this, [this, file] { Guarded([&] { RecentClick(file); }); });
    }
}

void TfrmMain::AddRecentProject(const QString &FileName)
{
    try {
        recent::Add(FileName);
    } catch (const std::exception &e) {
        ShowError(ExceptionText(e));
    }
    LoadRecentProjects();
}

void TfrmMain::RecentClick(const QString &Caption)
{
    OpenProject(ExpandMyDocuments(Caption));
}

// ---- Start-up and commands ----------------------------------------------------------------

namespace {
// Reads a project file into a scratch project, so that a damaged file is
// refused before the open project is cleared. A file without the settings
// section (any other file, or random bytes) would read as a default project
// and be overwritten by the next save: it is refused too.
void CheckProjectReadable(const QString &file)
{
    TProject probe;
    probe.ReadFromIni(file);
    const QStringList sections = TIniReader::FromFile(file).Sections();
    if (!sections.contains(QStringLiteral("GENERAL"), Qt::CaseInsensitive))
        throw Exception(QStringLiteral("The project file \"%1\" is damaged: it holds no project settings.").arg(file));
}

// Why the wizard's folder and name cannot make a project file, or an empty
// text when they can. An empty or relative folder would put the file at the
// file-system root or wherever the program was started.
QString NewProjectFileProblem(const QString &folder, const QString &name)
{
    if (folder.trimmed().isEmpty() || !QDir::isAbsolutePath(folder.trimmed()))
        return QStringLiteral("The position \"%1\" is not a full folder path. Choose the folder for the project file.")
            .arg(folder);
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed == QStringLiteral(".") || trimmed == QStringLiteral("..")
        || name.contains(QLatin1Char('/')))
        return QStringLiteral("\"%1\" cannot be the name of a project file.").arg(name);
    return QString();
}
} // namespace

void TfrmMain::FormCreate()
{
    Guarded([this] { LoadRecentProjects(); });
    FCreated = true;
    Guarded([this] {
        // The controls show the project either way: the opened one, or the
        // default project when the file is missing or damaged (empty controls
        // would be copied into it on the first idle pass).
        if (!FStartup.ProjectFile.isEmpty()) {
            OpenProject(QFileInfo(FStartup.ProjectFile).absoluteFilePath());
            ProjectToControl();
        } else if (!meuRecent->actions().isEmpty()) {
            OpenProject(ExpandMyDocuments(meuRecent->actions().first()->text()));
            ProjectToControl();
        } else if (!FStartup.Batch()) {
            ProjectToControl();
            show();
            New(false);
        } else {
            ProjectToControl(); // nothing to open: the build stops at its first check
        }
    });
    SetCaption();
}

void TfrmMain::SetCaption()
{
    const QString caption = ProductName + QStringLiteral(" - ") + FProject->Title + QStringLiteral(" [")
        + QFileInfo(FProject->ProjectFilename).fileName() + QStringLiteral("]");
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

bool TfrmMain::AskToSave(bool closing)
{
    if (!FProject->ProjectChanged)
        return true;
    const QString text = closing ? QStringLiteral("The project has been changed.\nDo you want to save the changes?")
                                 : QStringLiteral("The project has changed.\nDo you want to save the changes?");
    // A batch run answers by itself: it must not rewrite the user's project.
    const PromptButton answer = AskUser(this, MessageKind::Confirmation, text, ButtonYes | ButtonNo | ButtonCancel,
                                        FStartup.Batch() ? ButtonNo : ButtonYes, QStringLiteral("Confirm"));
    if (answer == ButtonYes)
        return Save();
    return answer == ButtonNo;
}

void TfrmMain::New(bool CanCancel)
{
    if (!AskToSave(false))
        return;
    if (!FProject->IsNew)
        AddRecentProject(FProject->ProjectFilename);
    TfrmNewProject wizard(this);
    wizard.btnCancel->setEnabled(CanCancel);
    wizard.edtProjectPosition->setText(NewProjectFolder());
    wizard.edtFilename->setText(QStringLiteral("help"));
    // A way to get the document whose command is not available cannot be
    // chosen: finishing with it would leave the project without a document.
    wizard.rb2->setEnabled(btnCreateWordFile->isEnabled());
    wizard.rb3->setEnabled(btnImportChm->isEnabled());
    if (!wizard.rb2->isEnabled() && wizard.rb2->isChecked())
        wizard.rb1->setChecked(true);
    HideFlashScreen();
    for (;;) {
        CentreOnOwner(&wizard, this);
        if (wizard.exec() != QDialog::Accepted)
            return;
        const QString problem = NewProjectFileProblem(wizard.edtProjectPosition->text(), wizard.edtFilename->text());
        if (problem.isEmpty())
            break;
        AskUser(this, MessageKind::Error, problem);
        wizard.btnBack->click(); // back on the page that names the file
    }
    const QString file = wizard.ProjectFile();
    const int choice = wizard.rb1->isChecked() ? 1 : wizard.rb3->isChecked() ? 3 : 2;
    FProject->Clear();
    SetCaption();
    ProjectToControl();
    // Saving names the project and ends its "new" state; a failed save leaves
    // it new, so a later Save asks for a name instead of writing "unnamed.qvx".
    FProject->SaveToIni(file);
    SetCaption();
    RunWizardChoice(choice);
}

void TfrmMain::RunWizardChoice(int Choice)
{
    if (Choice == 1)
        btnSelectWordFileClick();
    else if (Choice == 2 && btnCreateWordFile->isEnabled())
        btnCreateWordFile->click();
    else if (Choice == 3 && btnImportChm->isEnabled())
        btnImportChm->click();
}

void TfrmMain::Open()
{
    if (!AskToSave(false))
        return;
    OpenFileRequest request;
    request.filter = QtFileFilter(QStringLiteral("Quillcraft Project (*.qvx)|*.qvx"));
    request.fileName = FProject->IsNew ? QString() : QFileInfo(FProject->ProjectFilename).absolutePath();
    request.owner = this;
    const std::optional<QString> chosen = AskOpenFileName(request);
    if (!chosen)
        return;
    CheckProjectReadable(*chosen); // a damaged file leaves the open project as it is
    if (!FProject->IsNew)
        AddRecentProject(FProject->ProjectFilename);
    FProject->Clear();
    try {
        FProject->ReadFromIni(*chosen);
    } catch (...) {
        SetCaption();
        ProjectToControl();
        throw;
    }
    SetCaption();
    ProjectToControl();
}

bool TfrmMain::OpenProject(const QString &ProFile)
{
    if (!QFileInfo::exists(ProFile)) {
        // Kept for the batch log, which then names the missing file rather
        // than the default project's empty source.
        FOpenFailure = ProFile + QStringLiteral(" doesn't exist!");
        AskUser(this, MessageKind::Error, FOpenFailure);
        return false;
    }
    FOpenFailure.clear();
    try {
        CheckProjectReadable(ProFile);
    } catch (const std::exception &e) {
        // A damaged file: say so; the open project stays.
        FOpenFailure = ExceptionText(e);
        ShowError(FOpenFailure);
        return false;
    }
    if (!AskToSave(false))
        return false;
    if (!FProject->IsNew)
        AddRecentProject(FProject->ProjectFilename);
    FProject->Clear();
    bool opened = true;
    try {
        FProject->ReadFromIni(ProFile);
    } catch (const std::exception &e) {
        // Changed since it was checked: say so; the fresh default project stays.
        FOpenFailure = ExceptionText(e);
        ShowError(FOpenFailure);
        opened = false;
    }
    SetCaption();
    ProjectToControl();
    return opened;
}

bool TfrmMain::Save()
{
    if (FProject->IsNew)
        return SaveAs();
    try {
        AddRecentProject(FProject->ProjectFilename);
        return FProject->Save();
    } catch (const std::exception &e) {
        // The project object reports nothing itself: say why nothing was saved.
        ShowError(ExceptionText(e));
        return false;
    }
}

bool TfrmMain::SaveAs()
{
    TProject &p = *FProject;
    SaveFileRequest request;
    request.filter = QtFileFilter(QStringLiteral("Quillcraft Project (*.qvx)|*.qvx"));
    request.defaultSuffix = QStringLiteral(".qvx");
    request.owner = this;
    if (p.IsNew) {
        // A new project starts in its project folder (or the nearest folder of
        // it that exists: a cancelled dialog leaves no folder behind); one that
        // never had a folder starts in the documents folder.
        const QString name = p.Title.isEmpty() ? QFileInfo(p.ProjectFilename).fileName()
                                               : ToValidFileName(p.Title, QString()) + QStringLiteral(".qvx");
        const QString folder = p.RootDir.trimmed().isEmpty() ? GetSpecialFolder(CSIDL_PERSONAL)
                                                              : NearestExistingFolder(p.RootDir);
        request.fileName = QDir(folder).filePath(name);
    } else {
        const QFileInfo info(p.ProjectFilename);
        request.fileName = info.absolutePath() + QStringLiteral("/copy of ") + info.fileName();
    }
    const std::optional<QString> chosen = AskSaveFileName(request);
    if (!chosen)
        return false;
    const QString oldCompiled = p.CompiledFile;
    if (p.IsNew && p.CompiledFile == QStringLiteral("unnamed.chm"))
        p.CompiledFile = p.Title.isEmpty() ? QFileInfo(*chosen).completeBaseName() + QStringLiteral(".chm")
                                           : ToValidFileName(p.Title, QString()) + QStringLiteral(".chm");
    const QString oldFile = p.ProjectFilename;
    const bool wasNew = p.IsNew;
    try {
        p.ProjectFilename = *chosen;
        p.IsNew = false;
        p.SaveToIni(*chosen);
    } catch (const std::exception &e) {
        // Nothing was saved: the project keeps its old name and state.
        p.ProjectFilename = oldFile;
        p.IsNew = wasNew;
        p.CompiledFile = oldCompiled;
        ShowError(ExceptionText(e));
        return false;
    }
    SetCaption();
    return true;
}

void TfrmMain::GoExit()
{
    if (!AskToSave(false))
        return;
    FProject->ProjectChanged = false; // no further question on the way out
    close();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    Guarded([&] { canClose = AskToSave(true); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TfrmMain::ShowError(const QString &Text)
{
    AskUser(this, MessageKind::Error, Text);
}
