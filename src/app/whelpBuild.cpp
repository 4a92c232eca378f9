// The main window's build command with its checks, the batch build and its
// log, and the Build tab's output lines and buttons.
#include "app/Building.h"
#include "app/whelp.h"

#include "builder/BuildLock.h"
#include "builder/OutputGuard.h"
#include "foundation/Paths.h"
#include "foundation/ResourceStrings.h"
#include "foundation/TextFiles.h"
#include "foundation/WordFunctions.h"
#include "foundation/basicinfo.h"
#include "platform/Exception.h"
#include "platform/FileErrors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDesktopServices>
#include <QPointer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace {

// The notes of a build for the batch log, each on a line of its own after the
// result line; line ends inside a note become blanks so that no text taken
// from the document can forge a log line.
QString LogNotes(const QStringList &notes)
{
    static const QRegularExpression lineEnds(QStringLiteral("[\\x{0}-\\x{1F}\\x{85}\\x{2028}\\x{2029}]+"));
    QString text;
    for (const QString &note : notes)
        text += QStringLiteral("\r\n") + QString(note).replace(lineEnds, QStringLiteral(" "));
    return text;
}

// Shows the item selected in the desktop's file manager where the desktop
// offers that call on its session bus; otherwise opens the item's folder.
void ShowInFileManager(const QString &path, QWidget *owner)
{
    const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") && !dbusSend.isEmpty()) {
        // A comma would split dbus-send's array argument.
        QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        url.replace(QLatin1Char(','), QStringLiteral("%2C"));
        QProcess call;
        call.start(dbusSend, {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                              QStringLiteral("--dest=org.freedesktop.FileManager1"),
                              QStringLiteral("/org/freedesktop/FileManager1"),
                              QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                              QStringLiteral("array:string:") + url, QStringLiteral("string:")});
        if (call.waitForFinished(3000) && call.exitStatus() == QProcess::NormalExit && call.exitCode() == 0)
            return;
        call.kill();
        call.waitForFinished(1000);
    }
    OpenWithDesktop(QFileInfo(path).absolutePath(), owner);
}

} // namespace

namespace {
// Why xdg-open could not open path, in one line: what it printed is meant for
// a terminal, not for a writer.
QString OpenFailure(const QString &path, int exitCode)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (exitCode == 2 || !QFileInfo::exists(path))
        return QStringLiteral("\"%1\" cannot be opened: it does not exist.").arg(shown);
    const QString kind = QFileInfo(path).isDir()
        ? QStringLiteral("folders")
        : QStringLiteral("files of the kind \"%1\"").arg(QMimeDatabase().mimeTypeForFile(path).comment());
    return QStringLiteral("\"%1\" cannot be opened: no program is set up to open %2.").arg(shown, kind);
}
} // namespace

void OpenWithDesktop(const QString &path, QWidget *owner, const std::function<void(const QString &)> &onFailure)
{
    const QPointer<QWidget> parent(owner);
    const auto fail = [parent, onFailure](const QString &why) {
        if (onFailure)
            onFailure(why);
        else
            AskUser(parent, MessageKind::Error, why);
    };
    // xdg-open is watched rather than fired and forgotten: it ends with an
    // error when the desktop has no program for the file, and the user
    // should hear that. While the program it started runs, it may run too.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        fail(QStringLiteral("\"%1\" cannot be opened: xdg-open, which asks the desktop for a program to open it, "
                            "is not installed.")
                 .arg(QDir::toNativeSeparators(path)));
        return;
    }
    auto *run = new QProcess(owner);
    run->setProgram(opener);
    run->setArguments({QFileInfo(path).absoluteFilePath()});
    run->setStandardInputFile(QProcess::nullDevice());
    run->setStandardOutputFile(QProcess::nullDevice());
    run->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(run, &QProcess::errorOccurred, run, [run, path, fail](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        run->deleteLater();
        fail(QStringLiteral("\"%1\" cannot be opened: %2").arg(QDir::toNativeSeparators(path), run->errorString()));
    });
    QObject::connect(run, &QProcess::finished, run, [run, path, fail](int code, QProcess::ExitStatus status) {
        run->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            fail(OpenFailure(path, code));
    });
    run->start();
}

QString NoSourceDocumentText()
{
    return QStringLiteral("No source document is set. Choose the Word document on the Source Files tab.");
}

QString TfrmMain::FormatAge(qint64 Seconds)
{
    struct Unit {
        qint64 seconds;
        const char *text;
    };
    static const Unit units[] = {{31557600, " years ago"}, {2629800, " months ago"}, {86400, " days ago"},
                                 {3600, " hours ago"},     {60, " minutes ago"}};
    for (const Unit &u : units)
        if (Seconds >= u.seconds)
            return QString::number(Seconds / u.seconds) + QLatin1String(u.text);
    return QStringLiteral("within 1 minute");
}

QString TfrmMain::DescribeOutputFile(const QString &FileName, QPushButton *OpenButton, QPushButton *FolderButton)
{
    const QDateTime written = QFileInfo::exists(FileName) ? GetFileDateTime(FileName) : QDateTime();
    const bool exists = written.isValid();
    OpenButton->setEnabled(exists);
    FolderButton->setEnabled(exists);
    if (!exists)
        return QStringLiteral("Not created.");
    const QLocale locale;
    const qint64 age = std::llabs(written.secsTo(QDateTime::currentDateTime()));
    return locale.toString(written.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(written.time(), QLocale::LongFormat) + QStringLiteral(" (") + FormatAge(age)
        + QLatin1Char(')');
}

QString TfrmMain::WebHelpIndexPage() const
{
    return edtOpenWebhelp->text() + QStringLiteral("index")
        + (FProject->WebHelpExtension == 0 ? QStringLiteral(".htm") : QStringLiteral(".html"));
}

void TfrmMain::CheckOutputFiles()
{
    edtOpenHTMLHelp->setText(FProject->RealPath(1));
    edtOpenWebhelp->setText(FProject->RealPath(2));
    edtOpenPDF->setText(FProject->RealPath(3));
    lbHTMLHelpCreatedDate->setText(DescribeOutputFile(edtOpenHTMLHelp->text(), btnOpenHTMLHelp, btnFolderHTMLHelp));
    lbWebHelpCreatedDate->setText(DescribeOutputFile(WebHelpIndexPage(), btnOpenWebHelp, btnFolderWebHelp));
    lbPDFCreatedDate->setText(DescribeOutputFile(edtOpenPDF->text(), btnOpenPDF, btnFolderPDF));
}

void TfrmMain::btnOpenHTMLHelpClick(int Tag)
{
    if (Tag == 1)
        OpenWithDesktop(edtOpenHTMLHelp->text(), this);
    else if (Tag == 2)
        OpenWithDesktop(WebHelpIndexPage(), this);
    else if (Tag == 3)
        OpenWithDesktop(edtOpenPDF->text(), this);
}

void TfrmMain::btnFolderHTMLHelpClick(int Tag)
{
    const QString path = Tag == 1 ? edtOpenHTMLHelp->text()
                       : Tag == 2 ? WebHelpIndexPage()
                       : Tag == 3 ? edtOpenPDF->text()
                                  : FProject->RealPath(0);
    ShowInFileManager(path, this);
}

void TfrmMain::btnOpenWordFileClick()
{
    const QString source = FProject->RealPath(0);
    if (FProject->SourceFile.trimmed().isEmpty()) {
        ShowError(NoSourceDocumentText());
        return;
    }
    if (QFileInfo::exists(source)) {
        OpenWithDesktop(source, this);
        return;
    }
    QString text = UIStrings.GetStringById(QStringLiteral("602"));
    text.replace(QStringLiteral("%s"), edtSourceFile->text());
    ShowError(text);
}

bool TfrmMain::CheckOldOutput(const QString &FileName, bool Silence, QString &Error, QString &Reason)
{
    const QString denied = QLatin1Char('"') + FileName + QStringLiteral("\" access denied! It has probably been opend");
    for (;;) {
        QString reason;
        if (CanReplaceFile(FileName, &reason))
            return true;
        // The message as it stands; why the file stays, on the next line.
        const QString why = QStringLiteral("\r\n") + reason;
        if (Silence) {
            Error = denied;
            Reason = why;
            return false;
        }
        if (AskUser(this, MessageKind::Error, denied + QStringLiteral(". Please close it and Retry.") + why,
                    ButtonAbort | ButtonRetry) != ButtonRetry)
            return false;
    }
}

void TfrmMain::BuildProject(bool Silence)
{
    TProject &p = *FProject;
    FBatchLine.clear();
    FBatchLogKept = false;
    // A stopped check: its message goes to an error box, or to the log in a batch.
    auto stop = [&](int code, const QString &message) {
        FExitCode = code;
        if (Silence)
            FBatchLine = QStringLiteral("Error: ") + message;
        else if (!message.isEmpty())
            ShowError(message);
    };

    // A project file that could not be read leaves the default project,
    // which has no source: the batch log names the real cause.
    if (Silence && p.IsNew && !FOpenFailure.isEmpty()) {
        stop(20, FOpenFailure);
        return;
    }
    const QString source = p.RealPath(0);
    if (p.SourceFile.trimmed().isEmpty()) {
        stop(20, NoSourceDocumentText());
        return;
    }
    if (!QFileInfo(source).isFile()) {
        // A pipe or a device exists but holds no document: reading it could
        // wait for ever.
        const QString kind = SpecialFileKind(source);
        stop(20, kind.isEmpty() ? QStringLiteral("The source file \"%1\" does not exist!").arg(source)
                                : QStringLiteral("The source file \"%1\" is not a document!\r\nIt is %2, not a Word "
                                                 "file: choose the document itself on the Source Files tab.")
                                      .arg(source, kind));
        return;
    }
    if (source.endsWith(QStringLiteral(".docx"), Qt::CaseInsensitive) && WordVersion() < 12) {
        stop(20, QStringLiteral("Your Word does not support .docx files. Please update your Word to 2007 or later "
                                "version or choose .doc file as the source."));
        return;
    }
    // One build of a project at a time: taken before any old output is
    // deleted, held until the build has ended.
    std::optional<TBuildLock> lock;
    try {
        lock.emplace(p);
    } catch (const std::exception &e) {
        stop(100, ExceptionText(e));
        FBatchLogKept = true; // the log belongs to the build that is running
        return;
    }
    ForgetAllowedOutputFolders();
    // An output path set by mistake to the source document, the project file
    // or another output's file: deleting the "old output" would delete the
    // user's own file, and one output would replace the other.
    const auto refusedOutput = [&](bool chosen, int kind) {
        if (!chosen)
            return QString();
        try {
            CheckOutputFileMayBeWritten(p.RealPath(kind), p, kind);
        } catch (const std::exception &e) {
            return ExceptionText(e);
        }
        return QString();
    };
    try {
        CheckWebHelpFolderKeepsOtherOutputs(p);
    } catch (const std::exception &e) {
        stop(40, QStringLiteral("Web help must be outputted to a folder.\r\n") + ExceptionText(e));
        return;
    }
    for (const auto &[code, refusal] : {std::pair{30, refusedOutput(p.HtmlHelpOutput, 1)},
                                        std::pair{50, refusedOutput(p.PDFOutput, 3)}})
        if (!refusal.isEmpty()) {
            stop(code, refusal);
            return;
        }
    // The folders the writers empty: never one that holds the user's files.
    // A batch refuses a folder holding anything no earlier build wrote
    // there; the window names that content and asks.
    const auto checkFolder = [&](const QString &folder, const QString &what, int code) {
        QString refusal;
        QStringList foreign;
        try {
            const QFileInfo entry(QDir::cleanPath(folder));
            if (!IsFolderEmpty(folder) || (entry.exists() && !entry.isDir()))
                CheckOutputFolderMayBeEmptied(folder, p);
            foreign = ForeignOutputContent(folder);
        } catch (const std::exception &e) {
            refusal = ExceptionText(e);
        }
        const QString shown = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        if (refusal.isEmpty() && !foreign.isEmpty() && Silence)
            refusal = QStringLiteral("Refused to empty %1 \"%2\": it holds files that no earlier Quillcraft build "
                                     "wrote there: %3. Move them away or choose an empty folder.")
                          .arg(what, shown, DescribeForeignContent(foreign));
        if (!refusal.isEmpty()) {
            stop(code, (code == 40 ? QStringLiteral("Web help must be outputted to a folder.\r\n") : QString()) + refusal);
            return false;
        }
        if (Silence || IsFolderEmpty(folder))
            return true;
        const QString question =
            foreign.isEmpty()
                ? QStringLiteral("\"%1\" is not empty folder. It will be emptied. Continue?").arg(folder)
                : QStringLiteral("%1 \"%2\" holds files that no earlier Quillcraft build wrote there: %3. "
                                 "Emptying the folder deletes them. Continue?")
                      .arg(what.left(1).toUpper() + what.mid(1), shown, DescribeForeignContent(foreign));
        if (AskUser(this, MessageKind::Confirmation, question, ButtonYes | ButtonCancel, ButtonYes) != ButtonYes)
            return false;
        if (!foreign.isEmpty())
            AllowEmptyingOutputFolder(folder);
        return true;
    };
    if (p.HtmlHelpOutput && p.OutputHHP
        && !checkFolder(p.RealPath(5), QStringLiteral("the HTML Help project-set folder"), 100))
        return;
    if (p.WebHelpOutput && !checkFolder(p.RealPath(2), QStringLiteral("the WebHelp folder"), 40))
        return;

    // The old compiled file and PDF stay until their successors are complete:
    // a failed or killed build leaves them as they were.
    QString error, why;
    if (p.HtmlHelpOutput && QFileInfo::exists(p.RealPath(1)) && !CheckOldOutput(p.RealPath(1), Silence, error, why)) {
        stop(30, Silence ? error + QLatin1Char('.') + why : QString());
        return;
    }
    if (p.PDFOutput && QFileInfo::exists(p.RealPath(3)) && !CheckOldOutput(p.RealPath(3), Silence, error, why)) {
        stop(50, Silence ? error + why : QString());
        return;
    }

    bool succeeded = true;
    QString failure;
    QStringList notes; // what the build tells the writer besides its result
    if (p.HtmlHelpOutput || p.WebHelpOutput || p.PDFOutput) {
        TfrmBuilding building(p, this);
        if (FStartup.Silent())
            building.setAttribute(Qt::WA_DontShowOnScreen); // a silent batch shows no window at all
        succeeded = building.exec() == TfrmBuilding::ResultOk;
        failure = building.ErrorMsg;
        notes = building.Notes;
    }
    if (succeeded) {
        FExitCode = 0;
        if (Silence)
            FBatchLine = QStringLiteral("The build is completed!") + LogNotes(notes);
        else
            AskUser(this, MessageKind::Information,
                    (QStringList{QStringLiteral("The build is completed!")} + notes).join(QStringLiteral("\n\n")));
    } else {
        FExitCode = 100;
        if (Silence)
            FBatchLine = QStringLiteral("Error: ") + failure;
        else
            ShowError(failure);
    }
    CheckOutputFiles();
}

namespace {
// The project a batch log reports: the open project, or the file the command
// line named when that could not be opened (not the unsaved default project).
QString LoggedProject(const TProject &project, const TStartup &startup)
{
    if (project.IsNew && !startup.ProjectFile.isEmpty())
        return QFileInfo(startup.ProjectFile).absoluteFilePath();
    return project.ProjectFilename;
}
} // namespace

QString TfrmMain::BatchLogFile() const
{
    const QFileInfo info(LoggedProject(*FProject, FStartup));
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".log");
}

QString TfrmMain::BatchLogText(const QString &Line) const
{
    return QStringLiteral("Quillcraft\r\n\r\nProject: ") + LoggedProject(*FProject, FStartup)
        + QStringLiteral("\r\n\r\n") + Line + QStringLiteral("\r\n");
}

void TfrmMain::tmMainFormLoadedTimer()
{
    if (!FCreated)
        return;
    tmMainFormLoaded->stop();
    if (!FStartup.Batch())
        return;
    Guarded([&] { BuildProject(true); });
    QString error;
    bool logged = false;
    if (FBatchLogKept) {
        error = FBatchLine;
    } else {
        try {
            // A link in the log's place (in a project folder received from
            // someone else) would have the log overwrite any file.
            RefuseSymbolicLink(BatchLogFile(), QStringLiteral("the batch log"));
            // UTF-8 without a mark: the log is read by Linux tools, and project
            // paths may hold any character.
            SaveTextFile(BatchLogText(FBatchLine), BatchLogFile(), 65001);
            logged = true;
        } catch (const std::exception &e) {
            error = ExceptionText(e);
        }
    }
    // A build that failed or was refused says why on standard error too,
    // where the caller of a batch run looks first.
    if (FExitCode != 0 && !FBatchLine.isEmpty() && FBatchLine != error)
        std::fprintf(stderr, "%s\n", qPrintable(QString(FBatchLine).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
    if (!logged) {
        std::fprintf(stderr, "%s\n", qPrintable(QString(error).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        if (FExitCode == 0)
            FExitCode = 1; // the build's result could not be recorded
    }
    std::fflush(stderr);
    QTimer::singleShot(1000, this, [this] {
        if (close())
            QCoreApplication::exit(FExitCode);
    });
}
