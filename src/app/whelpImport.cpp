// The main window's import command: a compiled help file becomes a new Word
// document, which becomes the project's source document.
#include "app/CHM2Word.h"
#include "app/Progress.h"
#include "app/whelp.h"

#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/ResourceStrings.h"
#include "foundation/WordFunctions.h"
#include "project/ProjectSetting.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <algorithm>

namespace {

// The name as proposed when nothing stands where the import would save it;
// else the first of the names with "-1", "-2" ... before its extension
// under which nothing stands (a link that leads nowhere counts as standing
// there).
QString FreeDocumentName(const TProject &project, const QString &proposal)
{
    const qsizetype slash = std::max(proposal.lastIndexOf(u'/'), proposal.lastIndexOf(u'\\'));
    qsizetype dot = proposal.lastIndexOf(u'.');
    if (dot <= slash + 1)
        dot = proposal.size();
    QString name = proposal;
    for (int n = 1; n <= 10000; ++n) {
        const QFileInfo info(project.RealPath(TChmToDocPDF::SaveTarget(name)));
        if (!info.exists() && !info.isSymLink())
            break;
        name = proposal.left(dot) + u'-' + QString::number(n) + proposal.mid(dot);
    }
    return name;
}

} // namespace

void TfrmMain::btnImportChmClick()
{
    TfrmChm2Word dialog(*FProject, this);
    dialog.SaveFilter = FilterString;
    dialog.SaveDefaultExt = DefaultWordExtension;
    // A name where nothing stands yet: the import makes a new document and
    // never offers to replace the writer's own.
    dialog.edtWordFile->setText(FreeDocumentName(
        *FProject, FProject->SourceFile.isEmpty() ? QStringLiteral("<Project_Folder>/help") + DefaultWordExtension
                                                  : FProject->SourceFile));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString helpFile = dialog.edtSourceFile->text();
    const QString target = FProject->RealPath(dialog.edtWordFile->text());
    const QString saved = FProject->RealPath(dialog.WordFileAsSaved()); // the file the import writes

    if (!IsWordInstalled()) {
        AskUser(this, MessageKind::Error, QStringLiteral("Microsoft Word has not been installed. Cannot continue."));
        return;
    }
    while (IsFileInUse(saved)) {
        const PromptButton answer = AskUser(
            this, MessageKind::Error,
            QLatin1Char('"') + saved + QStringLiteral("\" access denied! It probably has been opened. Please close it and retry."),
            ButtonAbort | ButtonRetry);
        if (answer != ButtonRetry)
            return;
    }

    // The import reads a private copy, so the user's help file is never touched.
    const QString copy = NewTempFileName();
    const bool copied = QFile::remove(copy) && QFile::copy(helpFile, copy);
    int result = TfrmProgress::ResultCancel;
    // The help file's title and language; the project takes them only from
    // an import that succeeded.
    QString title;
    int language = -1;
    bool known = false;
    {
        TfrmProgress progress(this);
        int codePage = 0;
        try {
            TCHMDecompile reader;
            reader.LoadFromCHM(copied ? copy : helpFile);
            title = reader.Title;
            codePage = reader.CodePage;
            language = HelpLanguages.GetIndexById(reader.LangID);
            known = true;
        } catch (const Exception &) {
            // The worker reads it again and reports the problem in its window.
        }
        auto worker = std::make_unique<TOutputWord>();
        worker->chm = copied ? copy : helpFile;
        TChmToDocPDF &c = *worker->Chm2DocPDF;
        c.OriginalChmFile = QFileInfo(helpFile).absoluteFilePath();
        c.ForQuillcraft = true;
        c.OnlyWord = true;
        c.pdf = QFileInfo(target).absoluteFilePath();
        c.Title = title;
        c.CodePage = codePage;
        TDocPDFSettings &s = *c.Settings;
        s.PaperSize = 7;
        s.Height = s.Width = 0;
        s.Top = s.Bottom = 25;
        s.Left = s.Right = 30;
        s.Cover = s.Header = s.Footer = s.Toc = false;
        s.XE = true;
        s.ShowLevel = 9;
        s.TOCCaption = QStringLiteral("Table of Contents");
        s.TitleNumber = false;
        s.AddHint = false;
        s.HintFormat.clear();
        s.StartNewPage = 0;
        s.Discard = false;
        s.Addenda = QStringLiteral("Addenda");
        s.Panes = 1;
        s.Magnification = 4;
        s.PageLayout = 0;
        progress.OutputWord = std::move(worker);
        result = progress.exec();
    }
    if (copied)
        QFile::remove(copy);
    if (result != TfrmProgress::ResultOk) {
        // A failed or cancelled import leaves the project as it was.
        AskUser(this, MessageKind::Warning, UIStrings.GetStringById(QStringLiteral("604")));
        return;
    }
    if (known) {
        cbLanguage->setCurrentIndex(language);
        if (language >= 0)
            cbLanguageChange();
        edtChmTitle->setText(title);
    }
    // The project takes the document on the next idle pass, under the name
    // it was saved as.
    edtSourceFile->setText(dialog.WordFileAsSaved());
    if (AskUser(this, MessageKind::Information, UIStrings.GetStringById(QStringLiteral("603")), ButtonYes | ButtonNo)
        == ButtonYes)
        OpenWithDesktop(saved, this);
}
