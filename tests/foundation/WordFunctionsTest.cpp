#include "foundation/WordFunctions.h"
#include "platform/Exception.h"
#include "platform/word/LibreOffice.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <functional>

using testsupport::ScratchDir;

namespace {

QString messageOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

// A one-page PDF as qpdf writes it (catalogue first, then the page).
void writeOnePagePdf(const QString &path, const char *mediaBox)
{
    QPDF q;
    q.emptyPDF();
    QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse(
        std::string("<< /Type /Page /MediaBox ") + mediaBox + " /Resources << >> >>"));
    QPDFPageDocumentHelper(q).addPage(page, false);
    QPDFWriter writer(q, QFile::encodeName(path).constData());
    writer.write();
}

// The view entries of a PDF's catalogue, the first page's reference written
// as "page"; an absent entry is "-".
struct ViewOf {
    std::string mode, layout, action;
    std::vector<std::string> outlines; // top-level outline titles
    explicit ViewOf(const QString &path)
    {
        QPDF q;
        q.setSuppressWarnings(true);
        q.setAttemptRecovery(false);
        q.processFile(QFile::encodeName(path).constData());
        QPDFObjectHandle root = q.getRoot();
        auto text = [&](const char *key) {
            return root.hasKey(key) ? root.getKey(key).unparse() : std::string("-");
        };
        mode = text("/PageMode");
        layout = text("/PageLayout");
        action = "-";
        if (root.hasKey("/OpenAction")) {
            QPDFObjectHandle a = root.getKey("/OpenAction");
            action = "[";
            for (int i = 0; i < a.getArrayNItems(); ++i) {
                QPDFObjectHandle item = a.getArrayItem(i);
                action += (i ? " " : "")
                    + (item.getObjGen() == q.getAllPages().at(0).getObjGen() ? "page" : item.unparse());
            }
            action += "]";
        }
        for (auto &item : QPDFOutlineDocumentHelper(q).getTopLevelOutlines())
            outlines.push_back(item.getTitle());
        EXPECT_TRUE(q.getWarnings().empty());
    }
};

} // namespace

TEST(WordFunctions, WordPresenceAndVersionNumbers)
{
    EXPECT_TRUE(IsWordInstalled());
    EXPECT_EQ(GetWordVersion(), 16);

    EXPECT_EQ(FirstNumber("16.0"), 16);
    EXPECT_EQ(FirstNumber("Word.Application.12"), 12);
    EXPECT_EQ(FirstNumber("version 007b9"), 7);
    EXPECT_EQ(FirstNumber("no digits at all"), 0);
    EXPECT_EQ(FirstNumber(""), 0);
    EXPECT_EQ(FirstNumber("x2147483647"), 2147483647);
    // Digits of other scripts are not decimal digits here.
    EXPECT_EQ(FirstNumber(QString::fromUtf8("\u0661\u0662 3")), 3);
    EXPECT_EQ(messageOf([] { FirstNumber("build 99999999999"); }),
              "'99999999999' is not a valid integer value");
}

TEST(WordFunctions, StringToFontAppliesOnlyCompleteDescriptions)
{
    TFont font;
    font.Name = "Arial";
    font.Size = 30;
    font.Color = 255;
    font.Bold = font.Italic = font.Underline = font.StrikeOut = true;

    StringToFont("Calibri,11,0,[]", font);
    EXPECT_EQ(font.Name, "Calibri");
    EXPECT_EQ(font.Size, 11);
    EXPECT_EQ(font.Color, 0);
    EXPECT_FALSE(font.Bold || font.Italic || font.Underline || font.StrikeOut);

    font.Underline = font.StrikeOut = true;
    StringToFont("Times New Roman,14,16711680,BI", font);
    EXPECT_EQ(font.Name, "Times New Roman");
    EXPECT_EQ(font.Color, 16711680);
    EXPECT_TRUE(font.Bold && font.Italic);
    EXPECT_FALSE(font.Underline || font.StrikeOut);

    // Style letters are case-sensitive.
    StringToFont("Verdana,9,0,bius", font);
    EXPECT_FALSE(font.Bold || font.Italic || font.Underline || font.StrikeOut);
    StringToFont("Verdana,9,0,USB", font);
    EXPECT_TRUE(font.Underline && font.StrikeOut && font.Bold && !font.Italic);

    // Three fields (a trailing empty style field), five fields, or none: unchanged.
    const TFont before = font;
    for (const char *description : {"Calibri,27,0,", "Calibri,27,0,[],x", "", "Calibri"}) {
        StringToFont(description, font);
        EXPECT_EQ(font.Name, before.Name) << description;
        EXPECT_EQ(font.Size, before.Size) << description;
    }
    // A size that is not a number fails and changes nothing.
    EXPECT_EQ(messageOf([&] { StringToFont("Calibri,large,0,B", font); }),
              "'large' is not a valid integer value");
    EXPECT_EQ(font.Name, before.Name);
}

TEST(WordFunctions, PointsToPixelsUsesFixedResolutionAndRoundsHalfToEven)
{
    EXPECT_EQ(PointsToPixelsText(12), "16");
    EXPECT_EQ(PointsToPixelsText(7.5), "10");
    EXPECT_EQ(PointsToPixelsText(1.125), "2");  // 1.5
    EXPECT_EQ(PointsToPixelsText(0.375), "0");  // 0.5
    EXPECT_EQ(PointsToPixelsText(2.625), "4");  // 3.5
    EXPECT_EQ(PointsToPixelsText(0.1), "0");
    EXPECT_EQ(PointsToPixelsText(-3), "-4");
    EXPECT_EQ(PointsToPixelsText(540), "720");
}

// An output's date: SOURCE_DATE_EPOCH where it is a number of seconds, else
// the document's own (never the clock).
TEST(WordFunctions, OutputDateTakesSourceDateEpochElseTheFallback)
{
    const QByteArray saved = qgetenv("SOURCE_DATE_EPOCH");
    const bool wasSet = qEnvironmentVariableIsSet("SOURCE_DATE_EPOCH");
    const QDateTime document(QDate(2026, 1, 15), QTime(9, 30), Qt::UTC);
    qputenv("SOURCE_DATE_EPOCH", "1700000000");
    EXPECT_EQ(OutputDate(document), QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC));
    for (const char *unusable : {"", "yesterday", "-5", "99999999999999"}) {
        qputenv("SOURCE_DATE_EPOCH", unusable);
        EXPECT_EQ(OutputDate(document), document) << unusable;
    }
    qunsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(OutputDate(document), document);
    EXPECT_FALSE(OutputDate().isValid());
    if (wasSet)
        qputenv("SOURCE_DATE_EPOCH", saved);
}

TEST(WordFunctions, SplitToListKeepsEmptyPiecesAndTrims)
{
    EXPECT_EQ(SplitToList("a, b,,c", ","), QStringList({"a", "b", "", "c"}));
    EXPECT_EQ(SplitToList("Tahoma,8,0", ","), QStringList({"Tahoma", "8", "0"}));
    EXPECT_EQ(SplitToList(",", ","), QStringList({"", ""}));
    EXPECT_EQ(SplitToList("\t one ::two:: three \r\n", "::"), QStringList({"one", "two", "three"}));
    EXPECT_EQ(SplitToList("no separator", ";"), QStringList({"no separator"}));
    EXPECT_TRUE(SplitToList("", ",").isEmpty());
}

TEST(WordFunctions, OpenInWordHandsTheDocumentToTheDesktop)
{
    ScratchDir dir;
    const QString doc = dir.file("-my help \u00e9.docx");
    testsupport::writeFile(doc, "PK\x03\x04");
    const QString record = dir.file("opened.txt");
    const QString opener = dir.file("bin/xdg-open");
    testsupport::writeFile(opener, "#!/bin/sh\nprintf '%s' \"$*\" > \"$QC_OPENED_RECORD\"\n");
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.file("bin")));
    qputenv("QC_OPENED_RECORD", QFile::encodeName(record));
    const QString error = messageOf([&] { OpenInWord(doc); });
    for (int i = 0; i < 100 && testsupport::readFile(record).size() < doc.toUtf8().size(); ++i)
        QThread::msleep(50);
    const QString missing = messageOf([&] { OpenInWord(dir.file("gone.docx")); });
    qputenv("PATH", QFile::encodeName(dir.file("empty")));
    const QString noOpener = messageOf([&] { OpenInWord(doc); });
    qputenv("PATH", path);
    qunsetenv("QC_OPENED_RECORD");

    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(QString::fromUtf8(testsupport::readFile(record)), doc);
    EXPECT_TRUE(missing.contains("gone.docx")) << missing.toStdString();
    EXPECT_TRUE(noOpener.contains("xdg-open is not installed")) << noOpener.toStdString();
}

TEST(WordFunctions, SetPdfViewerOptionsFollowsTheSettingsTable)
{
    const struct {
        int panes, magnification, layout;
        std::string mode, layoutName, action;
    } cases[] = {
        {1, 4, 0, "/UseOutlines", "-", "[page /XYZ null null 1]"},
        {2, 1, 1, "/UseThumbs", "/SinglePage", "[page /Fit]"},
        {0, 2, 3, "-", "/TwoColumnRight", "[page /FitH 792]"},
        {0, 3, 0, "-", "-", "[page /FitBH 792]"},
        {0, 0, 2, "-", "-", "-"},
        {3, 5, 4, "-", "-", "-"},
        {-1, -1, -1, "-", "-", "-"},
    };
    ScratchDir dir;
    const QString source = dir.file("letter.pdf");
    writeOnePagePdf(source, "[0 0 612 792]");
    const QByteArray original = testsupport::readFile(source);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.panes << "/" << c.magnification << "/" << c.layout);
        const QString target = dir.file("view.pdf");
        SetPdfViewerOptions(source, target, c.panes, c.magnification, c.layout);
        const ViewOf view(target);
        EXPECT_EQ(view.mode, c.mode);
        EXPECT_EQ(view.layout, c.layoutName);
        EXPECT_EQ(view.action, c.action);
    }
    EXPECT_EQ(testsupport::readFile(source), original);

    // All three 0: nothing is written.
    SetPdfViewerOptions(source, dir.file("untouched.pdf"), 0, 0, 0);
    EXPECT_FALSE(QFile::exists(dir.file("untouched.pdf")));
}

TEST(WordFunctions, ExportedPdfKeepsItsHeadingOutlineAndGetsTheView)
{
    QC_REQUIRE_CORPUS("docx");
    if (!word::lo::IsAvailable())
        GTEST_SKIP() << "soffice not installed";
    ScratchDir dir;
    const QString pdf = dir.file("out/heading test.pdf");
    word::lo::ConvertDocxToPdf(testsupport::corpusDir("docx") + "/poi-heading123.docx", pdf);
    const std::vector<std::string> headings = {"First paragraph"};
    EXPECT_EQ(ViewOf(pdf).outlines, headings);

    // The same file as source and target, as the PDF writer calls it.
    SetPdfViewerOptions(pdf, pdf, 1, 2, 3);
    const ViewOf view(pdf);
    EXPECT_EQ(view.mode, "/UseOutlines");
    EXPECT_EQ(view.layout, "/TwoColumnRight");
    // The top edge of an A4 page as LibreOffice sizes it.
    EXPECT_EQ(view.action.substr(0, 15), "[page /FitH 841");
    EXPECT_EQ(view.outlines, headings);
    EXPECT_EQ(QDir(dir.file("out")).entryList(QDir::Files | QDir::Hidden), QStringList({"heading test.pdf"}));
}
