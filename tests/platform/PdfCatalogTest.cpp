#include "platform/Exception.h"
#include "platform/PdfCatalog.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

using testsupport::ScratchDir;

namespace {

// A small PDF laid out as LibreOffice lays it out: the first page is object
// 1 and the catalogue comes last, here object 4 (then the document
// information with the export's moment). The page inherits its size.
QByteArray samplePdf(const QByteArray &exported = "D:20240102030405Z")
{
    const QByteArray content = "BT /F1 12 Tf 72 720 Td (Hello) Tj ET";
    const QList<QByteArray> objects = {
        "<< /Type /Page /Parent 2 0 R /Contents 3 0 R >>",
        "<< /Type /Pages /Kids [1 0 R] /Count 1 /MediaBox [0 0 595.3 841.9] >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Catalog /Pages 2 0 R /OpenAction [1 0 R /XYZ null null 0] >>",
        "<< /Producer (LibreOffice) /CreationDate (" + exported + ") >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<int> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const int xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1)
        + " /Root 4 0 R /Info 5 0 R /DocChecksum /" + exported.toHex() + " /ID [<" + exported.toHex() + "> <"
        + exported.toHex() + ">] >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// The catalogue as qpdf sees it after a strict read, plus the first page.
struct Opened {
    QPDF pdf;
    QPDFObjectHandle catalog;
    QPDFObjectHandle firstPage;
    explicit Opened(const QString &path)
    {
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processFile(QFile::encodeName(path).constData());
        catalog = pdf.getRoot();
        firstPage = pdf.getAllPages().at(0);
    }
    std::string entry(const char *key) { return catalog.getKey(key).unparse(); }
    // The open action with the page reference written as "page".
    std::string openAction()
    {
        QPDFObjectHandle action = catalog.getKey("/OpenAction");
        std::string text = "[";
        for (int i = 0; i < action.getArrayNItems(); ++i) {
            QPDFObjectHandle item = action.getArrayItem(i);
            text += (i ? " " : "") + (item.getObjGen() == firstPage.getObjGen() ? "page" : item.unparse());
        }
        return text + "]";
    }
};

QString messageOf(const pdf::ViewEntries &entries, const QString &source, const QString &target)
{
    try {
        pdf::SetViewEntries(source, target, entries);
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST(PdfCatalog, SetsEntriesInTheRealCatalogueAndKeepsThePages)
{
    ScratchDir dir;
    const QString file = dir.file("manual.pdf");
    testsupport::writeFile(file, samplePdf());

    const QDateTime date(QDate(2026, 1, 15), QTime(9, 30), Qt::UTC);
    pdf::SetViewEntries(file, file, {"UseOutlines", "TwoColumnRight", pdf::OpenView::FitWidth, date, "en-GB"});

    Opened opened(file);
    EXPECT_TRUE(opened.pdf.getWarnings().empty());
    EXPECT_EQ(opened.entry("/Type"), "/Catalog");
    EXPECT_EQ(opened.entry("/PageMode"), "/UseOutlines");
    EXPECT_EQ(opened.entry("/PageLayout"), "/TwoColumnRight");
    EXPECT_EQ(opened.openAction(), "[page /FitH 841.9]");
    EXPECT_EQ(opened.entry("/Lang"), "(en-GB)");
    ASSERT_EQ(opened.pdf.getAllPages().size(), 1u);
    EXPECT_EQ(opened.firstPage.getKey("/Contents").getStreamData()->getSize(), 36u);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"manual.pdf"}));

    // The document's date replaces the export's moment and the checksum over
    // it: a second export of the same document gives the same bytes.
    const QString again = dir.file("again.pdf");
    testsupport::writeFile(again, samplePdf("D:20991231235959Z"));
    pdf::SetViewEntries(again, again, {"UseOutlines", "TwoColumnRight", pdf::OpenView::FitWidth, date, "en-GB"});
    EXPECT_EQ(testsupport::readFile(again), testsupport::readFile(file));
    Opened dated(file);
    QPDFObjectHandle info = dated.pdf.getTrailer().getKey("/Info");
    EXPECT_EQ(info.getKey("/CreationDate").getUTF8Value(), "D:20260115093000Z");
    EXPECT_EQ(info.getKey("/ModDate").getUTF8Value(), "D:20260115093000Z");
    EXPECT_FALSE(info.hasKey("/DocChecksum") || dated.pdf.getTrailer().hasKey("/DocChecksum"));
    EXPECT_EQ(info.getKey("/Producer").getUTF8Value(), "LibreOffice");
    // Without a date the file records none.
    pdf::SetViewEntries(again, again, {});
    Opened undated(again);
    EXPECT_FALSE(undated.pdf.getTrailer().getKey("/Info").hasKey("/CreationDate"));
}

TEST(PdfCatalog, RefusesDamagedFilesAndLeavesThemByteIdentical)
{
    ScratchDir dir;
    const QByteArray sound = samplePdf();
    QByteArray badXref = sound;
    badXref.replace("startxref\n", "startxref\n9");
    const QList<QByteArray> damaged = {
        sound.left(sound.size() / 2),
        badXref,
        "%PDF-1.4\nnothing else here\n",
        "Just a text file, not a PDF at all.\n",
        QByteArray(),
    };
    for (int i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        const QString file = dir.file(QString("damaged %1.pdf").arg(i));
        testsupport::writeFile(file, damaged[i]);
        const QString message = messageOf({"UseThumbs", "SinglePage", pdf::OpenView::Fit, {}, {}}, file, file);
        EXPECT_TRUE(message.contains(file)) << message.toStdString();
        EXPECT_EQ(testsupport::readFile(file), damaged[i]);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), damaged.size());

    const QString missing = messageOf({"UseThumbs", {}, {}, {}, {}}, dir.file("absent.pdf"), dir.file("absent.pdf"));
    EXPECT_TRUE(missing.contains("does not exist")) << missing.toStdString();

    // An unwritable target is reported and nothing is half-written.
    const QString source = dir.file("sound.pdf");
    testsupport::writeFile(source, sound);
    const QString target = dir.file("no such folder/out.pdf");
    const QString unwritable = messageOf({"UseThumbs", {}, {}, {}, {}}, source, target);
    EXPECT_TRUE(unwritable.contains("Cannot write")) << unwritable.toStdString();
    EXPECT_FALSE(QFile::exists(target));
}
