// Help files made by other compilers: read, unpacked and distilled.
#include "chmimport/ChmMaker.h"

#include "chmimport/ChmTo.h"
#include "foundation/HTMLProcess.h"
#include "foundation/TextFiles.h"

#include <QRegularExpression>

using namespace testsupport;

TEST(ChmCorpus, EveryHelpFileIsReadUnpackedAndDistilled)
{
    QC_REQUIRE_CORPUS("chm");
    const QDir corpus(corpusDir("chm"));
    const QStringList chms = corpus.entryList({QStringLiteral("*.chm")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(chms.isEmpty());
    for (const QString &name : chms) {
        SCOPED_TRACE(name.toStdString());
        ScratchDir dir;
        TCHMDistill d;
        d.LoadFromCHM(corpus.filePath(name));
        EXPECT_TRUE(d.LangID.startsWith(QLatin1String("0x")));
        EXPECT_GT(d.CodePage, 0);
        d.rootFolder = dir.file(QStringLiteral("work/"));
        d.decompile();

        // As many entries as the contents file has named sitemap objects.
        int named = 0;
        if (!d.hhcFile.isEmpty()) {
            static const QRegularExpression nameParam(QStringLiteral("<param\\s+name=\"Name\"\\s+value=\"([^\"]*)\""),
                                                      QRegularExpression::CaseInsensitiveOption);
            const QString hhc = LoadTextFile(d.hhcFile, QString());
            for (auto it = nameParam.globalMatch(hhc); it.hasNext();)
                named += it.next().captured(1).remove(QLatin1Char('-')).isEmpty() ? 0 : 1;
        }
        EXPECT_EQ(d.List.Count(), named);

        d.Discard = true;
        d.Execute();
        for (int k = 0; k < d.List.Count(); ++k) {
            const TTitleList *e = d.List.Items(k);
            if (e->Status != 0)
                continue;
            const QString page = LoadTextFile(d.rootFolder + e->Url, QString());
            EXPECT_FALSE(IsBlankText(page)) << e->Url.toStdString();
            EXPECT_FALSE(e->Bookmark.isEmpty());
        }
        for (const QString &f : chmmaker::filesBelow(dir.path()))
            EXPECT_TRUE(f.startsWith(QLatin1String("work/"))) << f.toStdString();
    }
}
