#include "platform/DocxBuilder.h"
#include "platform/word/Styles.h"

#include <gtest/gtest.h>

using word::Styles;

namespace {

// A w:styles tree parsed from inner XML (the w: prefix is declared).
std::unique_ptr<pugi::xml_document> stylesDoc(const QByteArray &inner)
{
    auto doc = std::make_unique<pugi::xml_document>();
    const QByteArray xml = "<w:styles " + testsupport::DocxBuilder::namespaces() + ">" + inner + "</w:styles>";
    EXPECT_TRUE(doc->load_buffer(xml.constData(), size_t(xml.size())));
    return doc;
}

pugi::xml_node paragraph(pugi::xml_document &holder, const QByteArray &xml)
{
    const QByteArray w = "<w:body " + testsupport::DocxBuilder::namespaces() + ">" + xml + "</w:body>";
    holder.load_buffer(w.constData(), size_t(w.size()));
    return holder.document_element().child("w:p");
}

} // namespace

TEST(WordStyles, LookupChainAndResolvedProperties)
{
    auto doc = stylesDoc(
        "<w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val=\"20\"/></w:rPr></w:rPrDefault></w:docDefaults>"
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Standard\"><w:name w:val=\"Normal\"/>"
        "<w:rPr><w:rFonts w:ascii=\"Arial\"/></w:rPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Mine\"><w:name w:val=\"My Style\"/><w:basedOn w:val=\"Standard\"/>"
        "<w:pPr><w:jc w:val=\"center\"/></w:pPr><w:rPr><w:sz w:val=\"28\"/></w:rPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"LoopA\"><w:name w:val=\"A\"/><w:basedOn w:val=\"LoopB\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"LoopB\"><w:name w:val=\"B\"/><w:basedOn w:val=\"LoopA\"/></w:style>");
    Styles styles(doc.get());
    ASSERT_TRUE(styles.byName("my style"));
    EXPECT_EQ(styles.byName("MY STYLE")->id, "Mine");
    EXPECT_EQ(styles.defaultStyle()->id, "Standard");
    EXPECT_EQ(styles.chain("Mine").size(), 2);
    EXPECT_EQ(styles.chain("LoopA").size(), 2); // a cycle ends the chain
    pugi::xml_node rPr = styles.runProperties("Mine");
    EXPECT_STREQ(rPr.child("w:sz").attribute("w:val").value(), "28");
    EXPECT_STREQ(rPr.child("w:rFonts").attribute("w:ascii").value(), "Arial");
    EXPECT_STREQ(styles.runProperties("Standard").child("w:sz").attribute("w:val").value(), "20");
    EXPECT_STREQ(styles.paragraphProperties("Mine").child("w:jc").attribute("w:val").value(), "center");
    EXPECT_EQ(styles.builtInId(word::wdStyleNormal), "Standard");
    EXPECT_EQ(styles.builtInNumber("Standard"), word::wdStyleNormal);
}

TEST(WordStyles, OutlineLevels)
{
    // Localised ids, English names, a style based on a heading, a custom
    // style with its own outline level, and one without names at all.
    auto doc = stylesDoc(
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Standard\"><w:name w:val=\"Normal\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"berschrift2\"><w:name w:val=\"Heading 2\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Sub\"><w:name w:val=\"Sub heading\"/>"
        "<w:basedOn w:val=\"berschrift2\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Chapter\"><w:name w:val=\"Chapter\"/>"
        "<w:pPr><w:outlineLvl w:val=\"4\"/></w:pPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading7\"/>");
    Styles styles(doc.get());
    EXPECT_EQ(styles.outlineLevel("berschrift2"), 2);
    EXPECT_EQ(styles.outlineLevel("Sub"), 2);
    EXPECT_EQ(styles.outlineLevel("Chapter"), 5);
    EXPECT_EQ(styles.outlineLevel("Heading7"), 7);
    EXPECT_EQ(styles.outlineLevel("Standard"), word::wdOutlineLevelBodyText);
    EXPECT_EQ(styles.builtInId(-3), "berschrift2");

    pugi::xml_document holder;
    EXPECT_EQ(styles.paragraphOutlineLevel(paragraph(holder, "<w:p><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:p>")), 2);
    EXPECT_EQ(styles.paragraphOutlineLevel(paragraph(holder, "<w:p><w:pPr><w:pStyle w:val=\"Chapter\"/>"
                                                             "<w:outlineLvl w:val=\"9\"/></w:pPr></w:p>")),
              word::wdOutlineLevelBodyText);
    // A built-in heading keeps its level whatever the direct formatting says.
    EXPECT_EQ(styles.paragraphOutlineLevel(paragraph(holder, "<w:p><w:pPr><w:pStyle w:val=\"berschrift2\"/>"
                                                             "<w:outlineLvl w:val=\"5\"/></w:pPr></w:p>")),
              2);
    EXPECT_EQ(styles.paragraphOutlineLevel(paragraph(holder, "<w:p/>")), word::wdOutlineLevelBodyText);
    EXPECT_EQ(Styles::headingLevelOfName("Überschrift 3"), 3);
    EXPECT_EQ(Styles::headingLevelOfName("heading 10"), 0);
}

TEST(WordStyles, EnsureBuiltInAddsMissingStyles)
{
    auto doc = stylesDoc("<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"Custom\"/></w:style>");
    Styles styles(doc.get());
    const QString h1 = styles.ensureBuiltIn(word::wdStyleHeading1);
    EXPECT_EQ(h1, "Heading1_1"); // the id is taken by another style
    EXPECT_EQ(styles.outlineLevel(h1), 1);
    EXPECT_FALSE(styles.builtInId(word::wdStyleNormal).isEmpty()); // added as the heading's base
    const QString link = styles.ensureBuiltIn(word::wdStyleHyperlink);
    EXPECT_EQ(styles.byId(link)->type, "character");
    EXPECT_EQ(styles.ensureBuiltIn(word::wdStyleHyperlink), link);
    // Deeper than Heading 9: Word's Index and TOC styles.
    const QString index2 = styles.ensureBuiltIn(-12);
    EXPECT_EQ(styles.byId(index2)->name, "index 2");
    EXPECT_EQ(styles.builtInNumber(index2), -12);
    EXPECT_EQ(styles.byId(styles.ensureBuiltIn(word::wdStyleTOC9))->name, "toc 9");
    EXPECT_TRUE(styles.ensureBuiltIn(-29).isEmpty());

    pugi::xml_document fresh;
    const QByteArray xml = word::newStylesXml();
    ASSERT_TRUE(fresh.load_buffer(xml.constData(), size_t(xml.size())));
    Styles all(&fresh);
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(all.outlineLevel(all.builtInId(word::wdStyleHeading1 - n + 1)), n);
}
