#include "platform/PdfCatalog.h"
#include "platform/LinkScheme.h"

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <stdexcept>

namespace pdf {

namespace {

QString quoted(const QString &path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

// Feeds qpdf's writer into a QSaveFile.
class SaveFilePipeline : public Pipeline {
public:
    explicit SaveFilePipeline(QSaveFile &file) : Pipeline("save file", nullptr), file_(file) {}
    void write(unsigned char const *data, size_t len) override
    {
        if (file_.write(reinterpret_cast<const char *>(data), qint64(len)) != qint64(len))
            throw std::runtime_error(file_.errorString().toStdString());
    }
    void finish() override {}

private:
    QSaveFile &file_;
};

// The vertical coordinate of the page's top edge, from its visible box.
double topEdge(QPDFObjectHandle page)
{
    QPDFObjectHandle box = QPDFPageObjectHelper(page).getCropBox();
    if (!box.isRectangle())
        box = QPDFPageObjectHelper(page).getMediaBox();
    if (!box.isRectangle())
        return 842; // an A4 page, the usual size when the box is unreadable
    const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
    return std::max(r.lly, r.ury);
}

QPDFObjectHandle openAction(OpenView view, QPDFObjectHandle firstPage)
{
    auto top = [&] { return QPDFObjectHandle::newReal(topEdge(firstPage), 3, true); };
    switch (view) {
    case OpenView::Fit:
        return QPDFObjectHandle::newArray({firstPage, QPDFObjectHandle::newName("/Fit")});
    case OpenView::FitWidth:
        return QPDFObjectHandle::newArray({firstPage, QPDFObjectHandle::newName("/FitH"), top()});
    case OpenView::FitVisible:
        return QPDFObjectHandle::newArray({firstPage, QPDFObjectHandle::newName("/FitBH"), top()});
    case OpenView::ActualSize:
        return QPDFObjectHandle::newArray({firstPage, QPDFObjectHandle::newName("/XYZ"),
                                           QPDFObjectHandle::newNull(),
                                           QPDFObjectHandle::newNull(),
                                           QPDFObjectHandle::newInteger(1)});
    case OpenView::Unchanged:
        break;
    }
    return QPDFObjectHandle();
}

// True for an address that runs script or carries its own content when a
// viewer follows it: "javascript:", "vbscript:" and "data:", in any case,
// blanks and control characters ignored.
bool isScriptAddress(const std::string &address)
{
    const QString scheme = LinkScheme(QString::fromLatin1(address.data(), qsizetype(address.size())));
    return scheme == u"javascript" || scheme == u"vbscript" || scheme == u"data";
}

// True for an action that runs script or opens such an address, or that is
// followed by one.
bool isScriptAction(QPDFObjectHandle action, int depth = 0)
{
    if (depth > 32)
        return false;
    if (action.isArray()) {
        for (QPDFObjectHandle next : action.aitems())
            if (isScriptAction(next, depth + 1))
                return true;
        return false;
    }
    if (!action.isDictionary())
        return false;
    QPDFObjectHandle type = action.getKey("/S");
    if (type.isName() && type.getName() == "/JavaScript")
        return true;
    QPDFObjectHandle address = action.getKey("/URI");
    if (type.isName() && type.getName() == "/URI" && address.isString() && isScriptAddress(address.getStringValue()))
        return true;
    return isScriptAction(action.getKey("/Next"), depth + 1);
}

// Drops the link areas whose action runs script or opens a script or data
// address, as the help pages drop such links: the text stays, the link goes.
void dropScriptLinks(const std::vector<QPDFObjectHandle> &pages)
{
    for (QPDFObjectHandle page : pages) {
        QPDFObjectHandle annotations = page.getKey("/Annots");
        if (!annotations.isArray())
            continue;
        std::vector<QPDFObjectHandle> kept;
        for (QPDFObjectHandle annotation : annotations.aitems())
            if (!annotation.isDictionary() || !isScriptAction(annotation.getKey("/A")))
                kept.push_back(annotation);
        if (int(kept.size()) != annotations.getArrayNItems())
            page.replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
    }
}

// A date as PDF writes it: "D:YYYYMMDDHHmmSSZ" (UTC).
std::string pdfDate(const QDateTime &date)
{
    return "D:" + date.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() + "Z";
}

// The document information: the export's moment and the checksum derived
// from it give way to the given date (or to none).
void setDates(QPDF &pdf, const QDateTime &date)
{
    QPDFObjectHandle trailer = pdf.getTrailer();
    trailer.removeKey("/DocChecksum"); // LibreOffice writes it into the trailer
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary()) {
        if (!date.isValid())
            return;
        info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", info);
    }
    info.removeKey("/DocChecksum");
    for (const char *key : {"/CreationDate", "/ModDate"}) {
        if (date.isValid())
            info.replaceKey(key, QPDFObjectHandle::newString(pdfDate(date)));
        else
            info.removeKey(key);
    }
}

// Does the work; qpdf's own exceptions pass through to the caller, which
// turns them into a message.
void rewrite(const QString &source, const QString &target, const ViewEntries &entries)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    // A damaged file is refused rather than silently repaired.
    pdf.setAttemptRecovery(false);
    pdf.processFile(QFile::encodeName(source).constData());

    QPDFObjectHandle catalog = pdf.getRoot();
    if (!catalog.isDictionary())
        throw Exception(QStringLiteral("The PDF file %1 has no document catalogue.").arg(quoted(source)));
    const std::vector<QPDFObjectHandle> &pages = pdf.getAllPages();
    if (pages.empty())
        throw Exception(QStringLiteral("The PDF file %1 has no pages.").arg(quoted(source)));

    if (!entries.pageMode.isEmpty())
        catalog.replaceKey("/PageMode", QPDFObjectHandle::newName("/" + entries.pageMode.toStdString()));
    if (!entries.pageLayout.isEmpty())
        catalog.replaceKey("/PageLayout",
                           QPDFObjectHandle::newName("/" + entries.pageLayout.toStdString()));
    if (entries.openView != OpenView::Unchanged)
        catalog.replaceKey("/OpenAction", openAction(entries.openView, pages.front()));
    if (!entries.language.isEmpty())
        catalog.replaceKey("/Lang", QPDFObjectHandle::newString(entries.language.toStdString()));
    dropScriptLinks(pages);
    setDates(pdf, entries.date);

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot write %1: %2").arg(quoted(target), out.errorString()));
    SaveFilePipeline pipeline(out);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&pipeline);
    // Page contents, fonts and pictures are copied as they are. Objects are
    // numbered in the order of the document's structure and the file ID is
    // made from the content (dates included, set above), so identical
    // documents give identical files.
    writer.setStreamDataMode(qpdf_s_preserve);
    pdf.getTrailer().removeKey("/ID"); // else its first half, drawn at random by the exporter, is kept
    writer.setDeterministicID(true);
    writer.write();

    const std::vector<QPDFExc> warnings = pdf.getWarnings();
    if (!warnings.empty())
        throw Exception(QStringLiteral("The PDF file %1 is damaged: %2")
                            .arg(quoted(source), QString::fromStdString(warnings.front().getMessageDetail())));
    if (!out.flush() || !out.commit())
        throw Exception(QStringLiteral("Cannot write %1: %2").arg(quoted(target), out.errorString()));
}

} // namespace

void SetViewEntries(const QString &source, const QString &target, const ViewEntries &entries)
{
    const QFileInfo info(source);
    if (!info.isFile())
        throw Exception(QStringLiteral("The PDF file %1 does not exist.").arg(quoted(source)));
    try {
        rewrite(source, target, entries);
    } catch (const Exception &) {
        throw;
    } catch (const QPDFExc &e) {
        throw Exception(QStringLiteral("The file %1 is damaged or is not a PDF file: %2")
                            .arg(quoted(source), QString::fromStdString(e.getMessageDetail())));
    } catch (const std::exception &e) {
        throw Exception(QStringLiteral("The PDF file %1 cannot be rewritten: %2")
                            .arg(quoted(source), QString::fromStdString(e.what())));
    }
}

} // namespace pdf
