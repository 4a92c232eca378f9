#include "builder/PDFOutput.h"

#include "builder/OutputGuard.h"
#include "foundation/WordFunctions.h"
#include "platform/Exception.h"
#include "platform/PdfCatalog.h"
#include "platform/word/Document.h"
#include "platform/word/Styles.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The date the document's own properties record: when it was last saved,
// else when it was made; invalid when it records neither.
QDateTime documentDate(const word::Document &doc)
{
    try {
        const word::Package &package = doc.package();
        const word::Relationship core = package.relationshipByType(QString(), word::reltype::CoreProperties);
        const pugi::xml_document *xml = core.targetPart.isEmpty() ? nullptr : package.xml(core.targetPart);
        if (!xml)
            return {};
        const pugi::xml_node properties = xml->child("cp:coreProperties");
        for (const char *name : {"dcterms:modified", "dcterms:created"}) {
            const QDateTime date =
                QDateTime::fromString(QString::fromUtf8(properties.child(name).text().get()).trimmed(), Qt::ISODate);
            if (date.isValid())
                return date.toUTC();
        }
    } catch (const word::PackageError &) {
        // Damaged properties record no date.
    }
    return {};
}

// The document's own language (the default language of its text, a tag such
// as "en-US"); empty when it declares none or no well-formed one.
QString documentLanguage(const word::Document &doc)
{
    static const QRegularExpression tag(QStringLiteral("^[A-Za-z]{2,8}(-[A-Za-z0-9]{1,8})*$"));
    const QString language =
        QString::fromUtf8(doc.styles().defaultRunProperties().child("w:lang").attribute("w:val").value()).trimmed();
    return tag.match(language).hasMatch() ? language : QString();
}

} // namespace

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
    // LibreOffice numbers a PDF's objects in no fixed order and dates the
    // file by the moment of the export: the file is rewritten in the order
    // of its structure, dated by the document (with the view when one is
    // set), so the same document gives the same bytes.
    pdf::ViewEntries entries = PdfViewEntries(Project->Panes, Project->Magnification, Project->PageLayout);
    entries.date = OutputDate(documentDate(*doc));
    // LibreOffice records the language of its own locale, which is fixed:
    // the document's language is the one to declare.
    entries.language = documentLanguage(*doc);
    pdf::SetViewEntries(Pdf, Pdf, entries);
    doc->Close(word::wdDoNotSaveChanges);
    SetPosition(100);
}
