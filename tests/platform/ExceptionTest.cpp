#include "platform/Exception.h"

#include <gtest/gtest.h>

TEST(Exception, CarriesUnicodeMessage)
{
    try {
        throw Exception(QStringLiteral("Datei \u201Ehilfe.docx\u201C fehlt"));
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Datei \xE2\x80\x9Ehilfe.docx\xE2\x80\x9C fehlt");
    }
}
