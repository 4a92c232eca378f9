// The main window's import command: a compiled help file becomes a new Word
// document, which becomes the project's source document.
#include "app/CHM2Word.h"
#include "app/Progress.h"
#include "app/whelp.h"

#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/ResourceStrings.h"
#include "foundation/WordFunctions.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

void TfrmMain::btnImportChmClick()
{
    TfrmChm2Word dialog(*FProject, this);
    dialog.SaveFilter = FilterString;
    dialog.SaveDefaultExt = DefaultWordExtension;
    dialog.edtWordFile->setText(FProject->SourceFile.isEmpty()
                                    ? QStringLiteral("<Project_Folder>/help") + DefaultWordExtension
                                    : FProject->SourceFile);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString helpFile = dialog.edtSourceFile->text();
    const QString target = FProject->RealPath(dialog.edtWordFile->text());

    if (!IsWordInstalled()) {
        AskUser(this, MessageKind::Error, QStringLiteral("Microsoft Word has not been installed. Cannot continue."));
        return;
    }
    while (IsFileInUse(target)) {
        const PromptButton answer = AskUser(
            this, MessageKind::Error,
            QLatin1Char('"') + target + QStringLiteral("\" access denied! It probably has been opened. Please close it and retry."),
            ButtonAbort | ButtonRetry);
        if (answer != ButtonRetry)
            return;
    }

    // The import reads a private copy, so the user's help file is never touched.
    const QString copy = NewTempFileName();
    const bool copied = QFile::remove(copy) && QFile::copy(helpFile, copy);
    int result = TfrmProgress::ResultCancel;
    {
        TfrmProgress progress(this);
        QString title;
        int codePage = 0;
        try {
            TCHMDecompile reader;
            reader.LoadFromCHM(copied ? copy : helpFile);
            title = reader.Title;
            codePage = reader.CodePage;
            const int index = HelpLanguages.GetIndexById(reader.LangID);
            cbLanguage->setCurrentIndex(index);
            if (index >= 0)
                cbLanguageChange();
            edtChmTitle->setText(title);
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
    if (result == TfrmProgress::ResultOk) {
        if (AskUser(this, MessageKind::Information, UIStrings.GetStringById(QStringLiteral("603")), ButtonYes | ButtonNo)
            == ButtonYes) {
            try {
                OpenInWord(FProject->RealPath(dialog.edtWordFile->text()));
            } catch (const Exception &e) {
                ShowError(e.message());
            }
        }
    } else {
        AskUser(this, MessageKind::Warning, UIStrings.GetStringById(QStringLiteral("604")));
    }
    edtSourceFile->setText(dialog.edtWordFile->text());
    if (copied)
        QFile::remove(copy);
}
