#include "foundation/basicinfo.h"

#include <gtest/gtest.h>

TEST(BasicInfo, ProductInformationIsSetBeforeUse)
{
    SetProductInformation();
    EXPECT_EQ(ProductName, QStringLiteral("Quillcraft"));
    EXPECT_EQ(ProductRegistryKey, QStringLiteral("\\Software\\Tessaly\\Quillcraft"));
    EXPECT_EQ(ApplicationTitle, QStringLiteral("Tessaly Quillcraft"));
    EXPECT_FALSE(ProductVersion.isEmpty());
    EXPECT_FALSE(ProductCopyright.contains(QLatin1Char('\n')));
}
