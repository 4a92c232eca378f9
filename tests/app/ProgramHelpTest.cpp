// The program's own help: the user's guide, built by Quillcraft from the Word
// document in docs/guide while the program is built, lies beside the program
// as a compiled help file and as WebHelp.
#include "app/ProgramHelp.h"
#include "builder/ChmCheck.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(ProgramHelp, TheGuideLiesBesideTheProgramAsHelpFileAndWebHelp)
{
    const QString chm = ProgramHelpFile(true);
    ASSERT_TRUE(QFileInfo(chm).isFile()) << chm.toStdString();
    chmcheck::ChmReader reader(chm);
    ASSERT_TRUE(reader.isOpen());
    const chmcheck::Outline contents = chmcheck::outline(QString::fromLatin1(reader.read(QStringLiteral("/inkvane.hhc"))));
    ASSERT_GE(contents.entries.size(), 8);
    EXPECT_EQ(contents.entries.first(), QStringLiteral("1:Welcome to Quillcraft"));
    EXPECT_TRUE(contents.entries.contains(QStringLiteral("2:Batch builds")));
    EXPECT_EQ(contents.finalDepth, 0);
    EXPECT_TRUE(reader.read(QStringLiteral("/batch-builds.htm")).contains("quillcraft project.qvx /bs"));

    const QString web = ProgramHelpFile(false);
    ASSERT_TRUE(QFileInfo(web).isFile()) << web.toStdString();
    QFile page(QFileInfo(web).absolutePath() + QStringLiteral("/pages/welcome.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("Quillcraft turns one Word document into help."));
}
