#include "platform/word/Story.h"
#include "platform/WordTestDocs.h"

#include <gtest/gtest.h>

using namespace word;
using testsupport::DocxBuilder;
using testsupport::field;
using testsupport::openBuilt;
using testsupport::para;
using testsupport::ScratchDir;

namespace {

QByteArray bookmark(const QByteArray &name, const QByteArray &text)
{
    return "<w:p><w:bookmarkStart w:id=\"7\" w:name=\"" + name + "\"/><w:r><w:t>" + text
           + "</w:t></w:r><w:bookmarkEnd w:id=\"7\"/></w:p>";
}

QList<int> types(const Fields &f)
{
    QList<int> out;
    for (int k = 1; k <= f.Count(); ++k)
        out << f.Item(k).Type();
    return out;
}

} // namespace

TEST(WordFields, TypeFromTheFirstWordOfTheCode)
{
    EXPECT_EQ(fields::typeOfCode(" XE \"a\" "), 4);
    EXPECT_EQ(fields::typeOfCode("ref bm \\h"), 3);
    EXPECT_EQ(fields::typeOfCode(" HYPERLINK \\l \"x\""), 88);
    EXPECT_EQ(fields::typeOfCode("TOC\\o \"1-3\""), 13);
    EXPECT_EQ(fields::typeOfCode("=2+2"), 34);
    EXPECT_EQ(fields::typeOfCode(""), -1);
    EXPECT_EQ(fields::typeOfCode("   "), -1);
    EXPECT_EQ(fields::typeOfCode("Id=120;FileName=intro;StaticVar=INTRO_TOPIC;Omit=false"), -1);
}

// The field pass of the conversion on one heading: index entries deleted,
// cross-references with \h turned into hyperlinks, property fields read and
// deleted, everything else left alone.
TEST(WordFields, ConversionPassOverOneParagraph)
{
    ScratchDir dir;
    Application app;
    // An IF whose code holds a nested field.
    const QByteArray nestedIf = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">"
                                " IF </w:instrText></w:r>"
                                + field({" REF target "}, "Target text")
                                + "<w:r><w:instrText xml:space=\"preserve\"> = \"x\" \"yes\" </w:instrText></w:r>"
                                  "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>yes</w:t></w:r>"
                                  "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    const QByteArray p1 =
        "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t xml:space=\"preserve\">Printing </w:t></w:r>"
        + field({" XE \"Print", "ing:Paper\" "}) + field({" REF target "}, "stale")
        + field({" REF target \\h "}, "Target text") + field({" Id=120;FileName=intro;StaticVar=INTRO;Omit=TRUE "})
        + "<w:fldSimple w:instr=\" PAGE \"><w:r><w:t>7</w:t></w:r></w:fldSimple>" + nestedIf + "</w:p>";
    Document *doc = openBuilt(app, dir, DocxBuilder().body(p1 + bookmark("target", "Target text")));
    Paragraph p = doc->Paragraphs().Item(1);
    Fields f = p.Range().Fields();
    // The IF's nested REF comes right after the IF.
    EXPECT_EQ(types(f), (QList<int>{4, 3, 3, -1, 33, 7, 3}));
    EXPECT_EQ(f.Item(1).Code().Text(), " XE \"Printing:Paper\" ");
    EXPECT_EQ(f.Item(4).Code().Text(), " Id=120;FileName=intro;StaticVar=INTRO;Omit=TRUE ");
    EXPECT_EQ(f.Item(6).Code().Text(), " IF  = \"x\" \"yes\" ");

    QStringList keywords, properties;
    for (int k = f.Count(); k >= 1; --k) {
        Field field = f.Item(k);
        const QString code = field.Code().Text();
        switch (field.Type()) {
        case 4:
            keywords << code;
            field.Delete();
            break;
        case 3:
            if (code.contains("\\h")) {
                field.Code().setText(QStringLiteral("HYPERLINK \\l \"target\""));
                EXPECT_TRUE(field.Update());
                field.Result().setStyle(wdStyleHyperlink);
            }
            break;
        case -1:
            properties << code;
            field.Delete();
            break;
        default:
            break;
        }
    }
    EXPECT_EQ(keywords, QStringList{" XE \"Printing:Paper\" "});
    EXPECT_EQ(properties.size(), 1);
    EXPECT_EQ(types(p.Range().Fields()), (QList<int>{3, 88, 33, 7, 3}));
    EXPECT_EQ(p.Range().Fields().Item(1).Code().Text(), " REF target "); // without \h: untouched
    EXPECT_EQ(p.Range().Fields().Item(2).Code().Text(), "HYPERLINK \\l \"target\"");
    EXPECT_EQ(p.Range().Text(), "Printing staleTarget text7yes\r");
    // The hyperlink's result carries the Hyperlink character style.
    const QString linkStyle = doc->styles().builtInId(wdStyleHyperlink);
    Field link = p.Range().Fields().Item(2);
    int styled = 0;
    for (pugi::xml_node r = story::runOf(link.nodes().separate).next_sibling(); r != story::runOf(link.nodes().end);
         r = r.next_sibling()) {
        EXPECT_EQ(QString::fromUtf8(r.child("w:rPr").child("w:rStyle").attribute("w:val").value()), linkStyle);
        ++styled;
    }
    EXPECT_EQ(styled, 1);
    // Nothing of the deleted fields is left in the paragraph.
    EXPECT_FALSE(p.node().select_node(".//w:instrText[contains(., 'XE')]"));
    EXPECT_FALSE(p.node().select_node(".//w:instrText[contains(., 'Omit')]"));
}

TEST(WordFields, UpdateDeleteAndSpanningFields)
{
    ScratchDir dir;
    Application app;
    // A REF showing a stale result; a field running over two paragraphs; a
    // field without code; fields in a header are rewritten too.
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder().body(
            "<w:p><w:r><w:t xml:space=\"preserve\">See </w:t></w:r>" + field({" REF target "}, "old") + "</w:p>"
            + "<w:p><w:r><w:t>A</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>TOC"
              "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>x</w:t></w:r></w:p>"
            + "<w:p><w:r><w:t>y</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:r><w:t>B</w:t></w:r></w:p>"
            + "<w:p>" + field({}, "empty") + "</w:p>" + bookmark("TARGET", "Fresh")));
    Field ref = doc->Paragraphs().Item(1).Range().Fields().Item(1);
    EXPECT_TRUE(ref.Update());
    EXPECT_EQ(doc->Paragraphs().Item(1).Range().Text(), "See Fresh\r");
    EXPECT_EQ(ref.Result().Text(), "Fresh");

    Fields toc = doc->Paragraphs().Item(2).Range().Fields();
    ASSERT_EQ(toc.Count(), 1);
    EXPECT_EQ(toc.Item(1).Type(), 13);
    EXPECT_EQ(toc.Item(1).Result().Text(), "x\ry");
    EXPECT_EQ(doc->Paragraphs().Item(3).Range().Fields().Count(), 0); // begun in the paragraph before
    toc.Item(1).Delete();
    EXPECT_EQ(doc->Paragraphs().Item(2).Range().Text(), "AB\r");
    EXPECT_EQ(doc->Paragraphs().Count(), 4);

    Field empty = doc->Paragraphs().Item(3).Range().Fields().Item(1);
    EXPECT_EQ(empty.Type(), -1);
    EXPECT_EQ(empty.Code().Text(), "");
    empty.Code().setText(QStringLiteral("Id=5"));
    EXPECT_EQ(empty.Code().Text(), "Id=5");

    // A REF to a missing bookmark cannot be updated and keeps its result.
    doc->Paragraphs().Item(1).Range().Fields().Item(1).Code().setText(QStringLiteral(" REF nowhere "));
    EXPECT_FALSE(doc->Paragraphs().Item(1).Range().Fields().Item(1).Update());
    EXPECT_EQ(doc->Paragraphs().Item(1).Range().Text(), "See Fresh\r");
}

TEST(WordFields, SimpleFieldsBecomeComplexOnes)
{
    pugi::xml_document d;
    const QByteArray xml = "<w:body " + DocxBuilder::namespaces()
                           + "><w:p><w:fldSimple w:instr=\" HYPERLINK &quot;http://a&quot; \"><w:r><w:t>a"
                             "</w:t></w:r><w:fldSimple w:instr=\"PAGE\"><w:r><w:t>1</w:t></w:r></w:fldSimple>"
                             "</w:fldSimple></w:p></w:body>";
    ASSERT_TRUE(d.load_buffer(xml.constData(), size_t(xml.size())));
    fields::normaliseSimpleFields(d.document_element());
    EXPECT_FALSE(d.select_node("//w:fldSimple"));
    const pugi::xml_node p = d.document_element().child("w:p");
    const std::vector<fields::Field> list = fields::inParagraph(p);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(fields::code(list[0]), " HYPERLINK \"http://a\" ");
    EXPECT_EQ(fields::code(list[1]), "PAGE");
    EXPECT_EQ(fields::resultText(list[0]), "a1");
    EXPECT_EQ(story::text(p, 0, story::length(p)), "a1");
}

// Deleting a field takes the fields nested in it out of the paragraph's
// collection too, while the others stay in order.
TEST(WordFields, DeletingANestingFieldKeepsTheCollectionRight)
{
    ScratchDir dir;
    Application app;
    const QByteArray begin = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>";
    const QByteArray sep = "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>";
    const QByteArray end = "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    auto code = [](const QByteArray &c) { return "<w:r><w:instrText xml:space=\"preserve\">" + c + "</w:instrText></w:r>"; };
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder().body("<w:p>" + field({" XE \"a\" "}) + begin + code(" IF ") + field({" REF x "}, "r") + code(" = 1 ")
                           + sep + field({" PAGE "}, "2") + end + field({" XE \"e\" "}) + "<w:r><w:t>tail</w:t></w:r></w:p>"));
    Fields f = doc->Paragraphs().Item(1).Range().Fields();
    EXPECT_EQ(types(f), (QList<int>{4, 7, 3, 33, 4}));
    f.Item(2).Delete();
    EXPECT_EQ(types(f), (QList<int>{4, 4}));
    EXPECT_EQ(f.Item(2).Code().Text(), " XE \"e\" ");
    f.Item(2).Delete();
    f.Item(1).Delete();
    EXPECT_EQ(f.Count(), 0);
    EXPECT_EQ(doc->Paragraphs().Item(1).Range().Text(), "tail\r");
    // A fresh look at the paragraph agrees with the kept collection.
    EXPECT_EQ(fields::inParagraph(doc->Paragraphs().Item(1).node()).size(), 0u);
}
