#include "foundation/ResourceStrings.h"

#include <QSet>
#include <gtest/gtest.h>

TEST(MessageTable, FetchesTextsByIdWithoutRegardToCase)
{
    ASSERT_EQ(UIStrings.Strings.size(), 11);
    QSet<QString> ids;
    for (const QString &row : UIStrings.Strings)
        ids.insert(row.section(QLatin1Char('='), 0, 0).toLower());
    EXPECT_EQ(ids.size(), 11);

    EXPECT_EQ(UIStrings.GetStringById(QStringLiteral("wizardtitle1")),
              QStringLiteral("Set the Word document"));
    EXPECT_EQ(UIStrings.GetStringById(QStringLiteral("600")),
              QStringLiteral("\"%s\" already exists. Do you want to replace it?"));
    EXPECT_EQ(UIStrings.GetStringById(QStringLiteral("604")), QStringLiteral("The convertion is failed!"));
    EXPECT_TRUE(UIStrings.GetStringById(QStringLiteral("WizardTitle2")).isEmpty());
    EXPECT_TRUE(UIStrings.GetStringById(QString()).isEmpty());
    EXPECT_TRUE(UIStrings.GetStringById(QStringLiteral("60")).isEmpty());
}

TEST(MessageTable, InitializeStringRestoresTheRows)
{
    TResource resource;
    resource.Strings.append(QStringLiteral("700=extra"));
    resource.Strings[0] = QStringLiteral("500=changed");
    resource.InitializeString();
    EXPECT_EQ(resource.Strings, UIStrings.Strings);
    EXPECT_EQ(resource.GetStringById(QStringLiteral("WIZARDDESCRIPTION0")),
              QStringLiteral("Set the position where you want to save the project file."));
}
