#include "platform/word/Document.h"
#include "platform/word/LibreOffice.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <gtest/gtest.h>

using namespace word;

// Every real document opens and every call the build makes while walking it
// works: paragraphs and their outline levels, the fields of each paragraph,
// inline and floating shapes.
TEST(WordCorpus, EveryDocumentOpensAndWalks)
{
    QC_REQUIRE_CORPUS("docx");
    const QDir dir(testsupport::corpusDir("docx"));
    const QStringList files = dir.entryList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    int headings = 0, fieldCount = 0, shapeCount = 0;
    testsupport::ScratchDir scratch;
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        Application app;
        try {
            Document *doc = app.Documents().Open(dir.filePath(name));
            doc->AcceptAllRevisions();
            for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next()) {
                if (p.OutlineLevel() < wdOutlineLevelBodyText)
                    ++headings;
                if (p.OutlineLevel() < wdOutlineLevelBodyText)
                    p.Range().InsertBefore(QStringLiteral("`~#$") + QString::number(p.OutlineLevel()));
                Fields f = p.Range().Fields();
                for (int k = f.Count(); k >= 1; --k) {
                    Field field = f.Item(k);
                    field.Result().Text();
                    const QString code = field.Code().Text();
                    if (field.Type() == 4 || field.Type() == -1) {
                        field.Delete();
                    } else if (field.Type() == 3 && code.contains(QLatin1String("\\h"))) {
                        field.Code().setText(QStringLiteral("HYPERLINK \\l \"x\""));
                        field.Update();
                        field.Result().setStyle(wdStyleHyperlink);
                    }
                    ++fieldCount;
                }
                p.Range().Text();
            }
            for (int k = 1; k <= doc->InlineShapes().Count(); ++k) {
                InlineShape s = doc->InlineShapes().Item(k);
                s.Type();
                s.Width();
                s.AlternativeText();
                ++shapeCount;
            }
            for (int k = 1; k <= doc->Shapes().Count(); ++k) {
                Shape s = doc->Shapes().Item(k);
                s.Type();
                s.CanvasItems().Count();
                s.Height();
                ++shapeCount;
            }
            // The document saves and reads back with the same text.
            QStringList before;
            for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
                before << p.Range().Text();
            doc->SaveAs(scratch.file(name), wdFormatXMLDocument);
            Document *back = app.Documents().Open(scratch.file(name));
            QStringList after;
            for (Paragraph p = back->Paragraphs().Item(1); !p.isNull(); p = p.Next())
                after << p.Range().Text();
            EXPECT_EQ(before, after);
            back->Close(wdDoNotSaveChanges);
            doc->Close(wdDoNotSaveChanges);
        } catch (const Exception &e) {
            ADD_FAILURE() << e.what();
        }
    }
    std::printf("corpus: %d headings, %d fields, %d shapes\n", headings, fieldCount, shapeCount);
    EXPECT_GT(headings, 0);
    EXPECT_GT(fieldCount, 0);
    EXPECT_GT(shapeCount, 0);
}

// A Word 97-2003 document is read through LibreOffice, headings and all.
TEST(WordCorpus, OldDocumentOpensThroughLibreOffice)
{
    QC_REQUIRE_CORPUS("doc");
    if (!lo::IsAvailable())
        GTEST_SKIP() << "soffice not installed";
    const QString file = testsupport::corpusDir("doc") + QStringLiteral("/Bug49820.doc");
    if (!QFileInfo::exists(file))
        GTEST_SKIP() << "Bug49820.doc not in the corpus";
    Application app;
    Document *doc = app.Documents().Open(file);
    EXPECT_EQ(doc->FullName(), file);
    int headings = 0;
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        headings += p.OutlineLevel() < wdOutlineLevelBodyText;
    EXPECT_GT(headings, 0);
}

// Damaged and hostile packages are refused with a message naming the file.
TEST(WordCorpus, DamagedDocumentsAreRefused)
{
    QC_REQUIRE_CORPUS("docx-bad");
    const QDir dir(testsupport::corpusDir("docx-bad"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        Application app;
        try {
            Document *doc = app.Documents().Open(dir.filePath(name));
            // A package that opens must still walk without harm.
            for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
                p.Range().Fields().Count();
            ADD_FAILURE() << "opened without complaint";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(name)) << e.what();
        }
    }
}
