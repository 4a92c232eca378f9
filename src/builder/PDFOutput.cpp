#include "builder/PDFOutput.h"

#include "builder/OutputGuard.h"
#include "foundation/WordFunctions.h"
#include "platform/Exception.h"
#include "platform/PdfCatalog.h"
#include "platform/word/Document.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QFileInfo>

void TPDF::SetPosition(int Value)
{
    Position = Value;
    if (FOnProcess)
        FOnProcess(this);
}

void TPDF::Build(const QString &Word, const QString &Pdf)
{
    SetPosition(20);
    if (Pdf.trimmed().isEmpty() || QFileInfo(Pdf).isDir())
        throw Exception(QStringLiteral("The project names no PDF file to write (\"%1\").").arg(Pdf));
    CheckOutputFileMayBeWritten(Pdf, *Project, 3);

    word::Document *doc = WordApplication->Documents().Open(Word);
    QDir().mkpath(QFileInfo(Pdf).absolutePath());
    SetPosition(45);
    doc->ExportAsFixedFormat(Pdf, word::wdExportFormatPDF, false, 0, 1);
    SetPosition(80);
    // LibreOffice numbers a PDF's objects in no fixed order: the file is
    // rewritten in the order of its structure (with the view when one is set),
    // so the same document gives the same bytes.
    if (Project->Panes == 0 && Project->Magnification == 0 && Project->PageLayout == 0)
        pdf::SetViewEntries(Pdf, Pdf, pdf::ViewEntries());
    else
        SetPdfViewerOptions(Pdf, Pdf, Project->Panes, Project->Magnification, Project->PageLayout);
    doc->Close(word::wdDoNotSaveChanges);
    SetPosition(100);
}
