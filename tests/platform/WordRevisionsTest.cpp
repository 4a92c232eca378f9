#include "platform/word/Revisions.h"
#include "platform/WordTestDocs.h"

#include <gtest/gtest.h>

using namespace word;
using testsupport::DocxBuilder;
using testsupport::openBuilt;
using testsupport::para;
using testsupport::ScratchDir;

namespace {

QStringList texts(Document *doc)
{
    QStringList out;
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        out << p.Range().Text().chopped(1);
    return out;
}

const QByteArray kRev = " w:id=\"1\" w:author=\"a\" w:date=\"2020-01-01T00:00:00Z\"";

} // namespace

TEST(WordRevisions, AcceptAllKeepsTheNewText)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder().body(
            // Insertion and deletion inside a paragraph, with a format change.
            "<w:p><w:r><w:t xml:space=\"preserve\">Keep </w:t></w:r><w:ins" + kRev
            + "><w:r><w:t>new </w:t></w:r></w:ins><w:del" + kRev + "><w:r><w:delText>old </w:delText></w:r></w:del>"
              "<w:r><w:rPr><w:b/><w:rPrChange" + kRev + "><w:rPr/></w:rPrChange></w:rPr><w:t>end</w:t></w:r></w:p>"
            // A move.
            + "<w:p><w:moveFrom" + kRev + "><w:r><w:t>moved</w:t></w:r></w:moveFrom><w:r><w:t>Stay</w:t></w:r></w:p>"
            + "<w:p><w:moveToRangeStart w:id=\"5\" w:name=\"m\"/><w:moveTo" + kRev
            + "><w:r><w:t>moved</w:t></w:r></w:moveTo><w:moveToRangeEnd w:id=\"5\"/></w:p>"
            // A deleted paragraph mark joins two paragraphs; the second's style stays.
            + "<w:p><w:pPr><w:pStyle w:val=\"Heading2\"/><w:rPr><w:del" + kRev
            + "/></w:rPr></w:pPr><w:r><w:t xml:space=\"preserve\">First half </w:t></w:r></w:p>"
            + para("second half", "<w:pStyle w:val=\"Heading1\"/>")
            // A table with a deleted row and an inserted one.
            + "<w:tbl><w:tr><w:trPr><w:del" + kRev + "/></w:trPr><w:tc>" + para("gone")
            + "</w:tc></w:tr><w:tr><w:trPr><w:ins" + kRev + "/></w:trPr><w:tc>" + para("added")
            + "</w:tc></w:tr></w:tbl>"
            // A paragraph whose properties changed.
            + "<w:p><w:pPr><w:jc w:val=\"center\"/><w:pPrChange" + kRev + "><w:pPr/></w:pPrChange></w:pPr>"
              "<w:r><w:t>centred</w:t></w:r></w:p>"));
    doc->AcceptAllRevisions();
    EXPECT_EQ(texts(doc), (QStringList{"Keep new end", "Stay", "moved", "First half second half", "added", "centred"}));
    EXPECT_EQ(doc->Paragraphs().Item(4).OutlineLevel(), 1);
    const pugi::xml_node body = doc->body();
    for (const char *gone : {".//w:ins", ".//w:del", ".//w:moveFrom", ".//w:moveTo", ".//w:rPrChange",
                             ".//w:pPrChange", ".//w:moveToRangeStart", ".//w:delText"})
        EXPECT_FALSE(body.select_node(gone)) << gone;
    EXPECT_TRUE(body.select_node(".//w:r[w:t='end']/w:rPr/w:b"));
    EXPECT_TRUE(body.select_node(".//w:jc[@w:val='center']"));
}

TEST(WordRevisions, RunsOfDeletedMarksAndEmptyTables)
{
    pugi::xml_document d;
    const QByteArray xml = "<w:body " + DocxBuilder::namespaces() + ">"
                           + "<w:p><w:pPr><w:rPr><w:del" + kRev + "/></w:rPr></w:pPr><w:r><w:t>a</w:t></w:r></w:p>"
                           + "<w:p><w:pPr><w:rPr><w:del" + kRev + "/></w:rPr></w:pPr><w:r><w:t>b</w:t></w:r></w:p>"
                           + "<w:p><w:r><w:t>c</w:t></w:r></w:p>"
                           + "<w:tbl><w:tr><w:trPr><w:del" + kRev + "/></w:trPr><w:tc><w:p/></w:tc></w:tr></w:tbl>"
                           + "<w:p><w:ins" + kRev + "><w:del" + kRev + "><w:r><w:delText>x</w:delText></w:r>"
                           + "</w:del></w:ins></w:p></w:body>";
    ASSERT_TRUE(d.load_buffer(xml.constData(), size_t(xml.size())));
    EXPECT_GT(revisions::AcceptAll(d.document_element()), 0);
    const pugi::xml_node body = d.document_element();
    EXPECT_FALSE(body.child("w:tbl"));
    EXPECT_EQ(body.select_nodes("w:p").size(), 2u);
    std::string all;
    for (pugi::xpath_node t : body.child("w:p").select_nodes(".//w:t"))
        all += t.node().text().get();
    EXPECT_EQ(all, "abc");
    EXPECT_EQ(revisions::AcceptAll(d.document_element()), 0);
}
