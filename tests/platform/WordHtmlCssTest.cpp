#include "platform/word/Css.h"

#include <gtest/gtest.h>

using namespace word;

namespace {
pugi::xml_node parse(pugi::xml_document &doc, const char *text)
{
    EXPECT_TRUE(doc.load_string(text)) << text;
    return doc.first_child();
}
} // namespace

TEST(WordHtmlCss, LengthsColoursAndBordersInWordsNotation)
{
    EXPECT_EQ(css::twips(0), "0in");
    EXPECT_EQ(css::twips(360), ".25in");
    EXPECT_EQ(css::twips(-360), "-.25in");
    EXPECT_EQ(css::twips(1440), "1.0in");
    EXPECT_EQ(css::twips(2160), "1.5in");
    EXPECT_EQ(css::twips(170), "8.5pt");
    EXPECT_EQ(css::points(8), "8.0pt");
    EXPECT_EQ(css::points(0.5), ".5pt");
    EXPECT_EQ(css::points(521.55), "521.55pt");
    EXPECT_EQ(css::color("auto", "windowtext"), "windowtext");
    EXPECT_EQ(css::color("2f5496", ""), "#2F5496");
    EXPECT_EQ(css::highlight("darkBlue"), "navy");
    EXPECT_EQ(css::border({"single", 8, "auto", 0}), "solid windowtext 1.0pt");
    EXPECT_EQ(css::border({"dashed", 4, "FF0000", 0}), "dashed #FF0000 .5pt");
    EXPECT_EQ(css::border({"nil", 4, "auto", 0}), "none");
    EXPECT_EQ((ShadingFormat{"clear", "auto", "D9D9D9"}).background(), "#D9D9D9");
    EXPECT_EQ((ShadingFormat{"solid", "FF0000", "auto"}).background(), "#FF0000");
    EXPECT_EQ((ShadingFormat{"pct50", "000000", "FFFFFF"}).background(), "#808080");
    EXPECT_EQ((ShadingFormat{"clear", "auto", "auto"}).background(), "");
}

TEST(WordHtmlCss, ParagraphLayersOverlayAndInlineStyleHoldsOnlyDifferences)
{
    pugi::xml_document d1, d2;
    ParaFormat style;
    style.apply(parse(d1, "<w:pPr><w:spacing w:after='160' w:line='259' w:lineRule='auto'/>"
                          "<w:ind w:left='720' w:hanging='360'/><w:contextualSpacing/></w:pPr>"));
    EXPECT_EQ(ParaCss(style, nullptr),
              "margin-top:0in;margin-right:0in;margin-bottom:8.0pt;margin-left:.5in;"
              "text-indent:-.25in;line-height:107%");
    ParaFormat direct = style;
    direct.apply(parse(d2, "<w:pPr><w:jc w:val='center'/><w:ind w:firstLine='200'/>"
                           "<w:pBdr><w:top w:val='single' w:sz='4' w:space='1' w:color='auto'/></w:pBdr>"
                           "<w:shd w:val='clear' w:color='auto' w:fill='FFFF00'/></w:pPr>"));
    EXPECT_EQ(direct.firstLineOffset(), 200) << "a first-line indent replaces the hanging one";
    EXPECT_EQ(ParaCss(direct, &style),
              "text-indent:10.0pt;text-align:center;border-top:solid windowtext .5pt;"
              "padding-top:1.0pt;background:#FFFF00");
    EXPECT_EQ(ParaAlign(direct), "center");
    EXPECT_EQ(ParaCss(style, &style), "");
}

TEST(WordHtmlCss, RunPropertiesWithThemeFontsAndEmphasisLeftToElements)
{
    pugi::xml_document theme, fonts, r1, r2;
    FontContext ctx;
    ctx.load(parse(theme, "<a:theme><a:themeElements><a:fontScheme>"
                          "<a:majorFont><a:latin typeface='Calibri Light'/></a:majorFont>"
                          "<a:minorFont><a:latin typeface='Georgia'/></a:minorFont>"
                          "</a:fontScheme></a:themeElements></a:theme>"),
             parse(fonts, "<w:fonts><w:font w:name='Georgia'><w:family w:val='roman'/></w:font>"
                          "<w:font w:name='Symbol'><w:charset w:val='02'/><w:family w:val='roman'/>"
                          "</w:font></w:fonts>"));
    RunFormat base;
    base.apply(parse(r1, "<w:rPr><w:rFonts w:asciiTheme='minorHAnsi' w:hAnsiTheme='minorHAnsi'/>"
                         "<w:sz w:val='22'/><w:b/></w:rPr>"));
    EXPECT_EQ(base.fontName(ctx), "Georgia");
    EXPECT_EQ(RunCss(base, nullptr, ctx, false),
              "font-size:11.0pt;font-family:\"Georgia\",serif;font-weight:bold");
    RunFormat run = base;
    run.apply(parse(r2, "<w:rPr><w:rFonts w:ascii='Symbol' w:hAnsi='Symbol'/><w:b w:val='0'/>"
                        "<w:i/><w:color w:val='FF0000'/><w:highlight w:val='yellow'/>"
                        "<w:vertAlign w:val='superscript'/><w:caps/></w:rPr>"));
    // Italic and superscript become elements; bold switched off needs style text.
    EXPECT_EQ(RunCss(run, &base, ctx, true),
              "font-family:\"Symbol\";color:#FF0000;background:yellow;text-transform:uppercase;"
              "font-weight:normal");
    EXPECT_EQ(RunCss(run, &base, ctx, false).contains("vertical-align:super"), true);
}
