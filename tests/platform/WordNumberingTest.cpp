#include "platform/word/Numbering.h"

#include <gtest/gtest.h>

using namespace word;

namespace {

// A numbering part with the given abstract definitions and instances.
struct NumberingXml {
    pugi::xml_document doc;
    explicit NumberingXml(const char *body)
    {
        std::string text = std::string("<w:numbering>") + body + "</w:numbering>";
        EXPECT_TRUE(doc.load_string(text.c_str()));
    }
    pugi::xml_node root() const { return doc.child("w:numbering"); }
};

const char *kOutline =
    "<w:abstractNum w:abstractNumId='0'>"
    " <w:lvl w:ilvl='0'><w:start w:val='1'/><w:numFmt w:val='decimal'/><w:lvlText w:val='%1.'/></w:lvl>"
    " <w:lvl w:ilvl='1'><w:start w:val='1'/><w:numFmt w:val='decimal'/><w:lvlText w:val='%1.%2.'/></w:lvl>"
    " <w:lvl w:ilvl='2'><w:start w:val='1'/><w:numFmt w:val='lowerLetter'/><w:lvlText w:val='(%3)'/>"
    "  <w:suff w:val='space'/></w:lvl>"
    "</w:abstractNum>"
    "<w:num w:numId='1'><w:abstractNumId w:val='0'/></w:num>"
    "<w:num w:numId='2'><w:abstractNumId w:val='0'/></w:num>"
    "<w:num w:numId='3'><w:abstractNumId w:val='0'/>"
    " <w:lvlOverride w:ilvl='0'><w:startOverride w:val='5'/></w:lvlOverride></w:num>";

} // namespace

TEST(WordNumbering, FormatsCountersInEveryNumberStyle)
{
    EXPECT_EQ(FormatListNumber(7, "decimal"), "7");
    EXPECT_EQ(FormatListNumber(7, "decimalZero"), "07");
    EXPECT_EQ(FormatListNumber(12, "decimalZero"), "12");
    EXPECT_EQ(FormatListNumber(1994, "upperRoman"), "MCMXCIV");
    EXPECT_EQ(FormatListNumber(4, "lowerRoman"), "iv");
    EXPECT_EQ(FormatListNumber(1, "upperLetter"), "A");
    EXPECT_EQ(FormatListNumber(26, "lowerLetter"), "z");
    EXPECT_EQ(FormatListNumber(28, "upperLetter"), "BB");
    EXPECT_EQ(FormatListNumber(53, "lowerLetter"), "aaa");
    EXPECT_EQ(FormatListNumber(1, "ordinal"), "1st");
    EXPECT_EQ(FormatListNumber(12, "ordinal"), "12th");
    EXPECT_EQ(FormatListNumber(23, "ordinal"), "23rd");
    EXPECT_EQ(FormatListNumber(21, "cardinalText"), "Twenty-one");
    EXPECT_EQ(FormatListNumber(3, "ordinalText"), "Third");
    EXPECT_EQ(FormatListNumber(40, "ordinalText"), "Fortieth");
    EXPECT_EQ(FormatListNumber(5, "chicago"), "**");
    EXPECT_EQ(FormatListNumber(2, "decimalEnclosedCircle"), QString(QChar(0x2461)));
    EXPECT_EQ(FormatListNumber(3, "none"), "");
    EXPECT_EQ(FormatListNumber(3, "custom", "001, 002, 003"), "003");
    EXPECT_EQ(FormatListNumber(3, "someFutureFormat"), "3");
    // Out-of-range values fall back to digits instead of producing garbage.
    EXPECT_EQ(FormatListNumber(0, "upperRoman"), "0");
    EXPECT_EQ(FormatListNumber(0, "lowerLetter"), "0");
}

TEST(WordNumbering, MultiLevelNumbersRestartDeeperLevels)
{
    NumberingXml x(kOutline);
    Numbering n(x.root());
    EXPECT_EQ(n.next(1, 0).text, "1.");
    EXPECT_EQ(n.next(1, 1).text, "1.1.");
    EXPECT_EQ(n.next(1, 1).text, "1.2.");
    ListLabel c = n.next(1, 2);
    EXPECT_EQ(c.text, "(a)");
    EXPECT_EQ(c.suffix, ListSuffix::Space);
    EXPECT_EQ(n.next(1, 0).text, "2.");
    EXPECT_EQ(n.next(1, 1).text, "2.1.") << "a deeper level restarts after its parent";
    EXPECT_EQ(n.next(1, 2).text, "(a)");
}

TEST(WordNumbering, InstancesShareCountersAndStartOverridesRestart)
{
    NumberingXml x(kOutline);
    Numbering n(x.root());
    EXPECT_EQ(n.next(1, 0).text, "1.");
    EXPECT_EQ(n.next(2, 0).text, "2.") << "a second instance of one definition continues it";
    EXPECT_EQ(n.next(3, 0).text, "5.") << "a start override restarts where it is first used";
    EXPECT_EQ(n.next(3, 0).text, "6.");
    EXPECT_EQ(n.next(1, 0).text, "7.");
    n.resetCounters();
    EXPECT_EQ(n.next(1, 0).text, "1.");
    EXPECT_TRUE(n.next(9, 0).isNull());
    EXPECT_TRUE(n.next(1, 5).isNull()) << "a level the definition lacks gives no label";
    EXPECT_FALSE(n.hasList(0));
}

// Start numbers beyond Word's range are held to it, so counting on cannot
// overflow and a letter format cannot repeat a letter millions of times.
TEST(WordNumbering, HostileStartNumbersAreHeldToWordsRange)
{
    NumberingXml x("<w:abstractNum w:abstractNumId='0'>"
                   " <w:lvl w:ilvl='0'><w:start w:val='2147483647'/><w:numFmt w:val='russianLower'/>"
                   "  <w:lvlText w:val='%1'/></w:lvl>"
                   " <w:lvl w:ilvl='1'><w:start w:val='-9'/><w:numFmt w:val='decimal'/><w:lvlText w:val='%2'/></w:lvl>"
                   "</w:abstractNum>"
                   "<w:num w:numId='1'><w:abstractNumId w:val='0'/></w:num>"
                   "<w:num w:numId='2'><w:abstractNumId w:val='0'/>"
                   " <w:lvlOverride w:ilvl='0'><w:startOverride w:val='99999999'/></w:lvlOverride></w:num>");
    Numbering n(x.root());
    EXPECT_EQ(n.next(1, 0).text, "32767");
    EXPECT_EQ(n.next(1, 1).text, "0");
    EXPECT_EQ(n.next(2, 0).text, "32767");
    EXPECT_EQ(FormatListNumber(2147483647, "russianUpper"), "2147483647");
    EXPECT_EQ(FormatListNumber(29, "russianLower"), QString::fromUtf8("аа"));
}

TEST(WordNumbering, LevelOverridesLegalNumbersAndRestartRules)
{
    NumberingXml x(
        "<w:abstractNum w:abstractNumId='4'>"
        " <w:lvl w:ilvl='0'><w:start w:val='1'/><w:numFmt w:val='upperRoman'/><w:lvlText w:val='%1.'/></w:lvl>"
        " <w:lvl w:ilvl='1'><w:start w:val='1'/><w:numFmt w:val='decimal'/><w:isLgl/>"
        "  <w:lvlText w:val='%1.%2'/></w:lvl>"
        " <w:lvl w:ilvl='2'><w:start w:val='3'/><w:lvlRestart w:val='0'/><w:numFmt w:val='decimal'/>"
        "  <w:lvlText w:val='[%3]'/></w:lvl>"
        "</w:abstractNum>"
        "<w:num w:numId='7'><w:abstractNumId w:val='4'/>"
        " <w:lvlOverride w:ilvl='0'><w:lvl w:ilvl='0'><w:start w:val='2'/><w:numFmt w:val='upperLetter'/>"
        "  <w:lvlText w:val='%1)'/></w:lvl></w:lvlOverride></w:num>"
        "<w:num w:numId='8'><w:abstractNumId w:val='4'/></w:num>");
    Numbering n(x.root());
    EXPECT_EQ(n.next(7, 0).text, "B)") << "an override's own level replaces the definition's";
    EXPECT_EQ(n.next(8, 1).text, "2.1") << "legal numbering shows the upper level in decimal";
    EXPECT_EQ(n.next(8, 2).text, "[3]");
    EXPECT_EQ(n.next(8, 0).text, "III.");
    EXPECT_EQ(n.next(8, 2).text, "[4]") << "lvlRestart 0: never restarts";
}

TEST(WordNumbering, SymbolAndWingdingsBulletsBecomeTheirEightBitCharacters)
{
    NumberingXml x(
        "<w:abstractNum w:abstractNumId='1'>"
        " <w:lvl w:ilvl='0'><w:numFmt w:val='bullet'/><w:lvlText w:val='\xEF\x82\xB7'/>"
        "  <w:rPr><w:rFonts w:ascii='Symbol' w:hAnsi='Symbol' w:hint='default'/></w:rPr></w:lvl>"
        " <w:lvl w:ilvl='1'><w:numFmt w:val='bullet'/><w:lvlText w:val='o'/>"
        "  <w:rPr><w:rFonts w:ascii='Courier New' w:hAnsi='Courier New'/></w:rPr></w:lvl>"
        " <w:lvl w:ilvl='2'><w:numFmt w:val='bullet'/><w:lvlText w:val='\xEF\x82\xA7'/>"
        "  <w:rPr><w:rFonts w:ascii='Wingdings' w:hAnsi='Wingdings'/></w:rPr></w:lvl>"
        " <w:lvl w:ilvl='3'><w:numFmt w:val='bullet'/><w:lvlText w:val='\xEF\x82\x9F'/>"
        "  <w:rPr><w:rFonts w:ascii='Wingdings'/></w:rPr></w:lvl>"
        "</w:abstractNum>"
        "<w:num w:numId='3'><w:abstractNumId w:val='1'/></w:num>");
    Numbering n(x.root());
    ListLabel l = n.next(3, 0);
    EXPECT_TRUE(l.bullet);
    EXPECT_EQ(l.font, "Symbol");
    EXPECT_EQ(l.text, QString(QChar(0x00B7)));
    l = n.next(3, 1);
    EXPECT_EQ(l.text, "o");
    EXPECT_EQ(l.font, "Courier New");
    l = n.next(3, 2);
    EXPECT_EQ(l.font, "Wingdings");
    EXPECT_EQ(l.text, QString(QChar(0x00A7)));
    EXPECT_EQ(n.next(3, 3).text, QString(QChar(0x0178))) << "0x9F read in code page 1252";
    EXPECT_TRUE(IsSymbolFont("wingdings 2"));
    EXPECT_FALSE(IsSymbolFont("Courier New"));
    EXPECT_EQ(SymbolFontChar(QChar(0x20AC)), QChar(0x20AC)) << "ordinary characters stay";
}

TEST(WordNumbering, NumberingStyleLinksAndBrokenReferences)
{
    pugi::xml_document styles;
    ASSERT_TRUE(styles.load_string(
        "<w:styles><w:style w:type='numbering' w:styleId='MyList'>"
        "<w:pPr><w:numPr><w:numId w:val='1'/></w:numPr></w:pPr></w:style></w:styles>"));
    NumberingXml x(
        "<w:abstractNum w:abstractNumId='0'><w:styleLink w:val='MyList'/>"
        " <w:lvl w:ilvl='0'><w:start w:val='1'/><w:numFmt w:val='lowerRoman'/><w:lvlText w:val='%1)'/></w:lvl>"
        "</w:abstractNum>"
        "<w:abstractNum w:abstractNumId='1'><w:numStyleLink w:val='MyList'/></w:abstractNum>"
        "<w:abstractNum w:abstractNumId='2'><w:numStyleLink w:val='Missing'/></w:abstractNum>"
        "<w:num w:numId='1'><w:abstractNumId w:val='0'/></w:num>"
        "<w:num w:numId='2'><w:abstractNumId w:val='1'/></w:num>"
        "<w:num w:numId='3'><w:abstractNumId w:val='2'/></w:num>"
        "<w:num w:numId='4'><w:abstractNumId w:val='99'/></w:num>");
    Numbering n(x.root(), styles.child("w:styles"));
    EXPECT_EQ(n.next(2, 0).text, "i)") << "the style link leads to the styled definition";
    EXPECT_TRUE(n.next(3, 0).isNull());
    EXPECT_TRUE(n.next(4, 0).isNull());
    Numbering empty;
    EXPECT_TRUE(empty.next(1, 0).isNull());
}
