// The WebHelp output in a real browser: the writer fills the shipped
// skeletons for a small topic list, and tests/browser/webhelp.test.mjs drives
// headless Chromium over it (contents, index, search, previous and next).
// Skipped when node, Chromium or the script's packages are missing.
#include "WebhelpTestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

using namespace webhelptest;

TEST(WebHelpBrowser, ContentsIndexSearchAndPreviousNextInChromium)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString scripts = testsupport::sourceDir() + QStringLiteral("/tests/browser/");
    if (node.isEmpty())
        GTEST_SKIP() << "node is not installed";
    if (!QFileInfo(QStringLiteral("/usr/bin/chromium")).isExecutable())
        GTEST_SKIP() << "/usr/bin/chromium is not installed";
    if (!QFileInfo::exists(scripts + QStringLiteral("node_modules/playwright-core/package.json")))
        GTEST_SKIP() << "playwright-core is not installed in tests/browser (run scripts/setup.sh)";
    ASSERT_TRUE(QFileInfo::exists(ProgramFolder() + QStringLiteral("webhelp/webhelpcontents.htm")))
        << "the program folder lacks the WebHelp data files";

    WebHelpBuild b;
    const TProject shipped; // the default page template of a new project
    ASSERT_TRUE(shipped.DefaultTemplateError.isEmpty()) << shipped.DefaultTemplateError.toStdString();
    b.Project.WebHelpTemplateStream = shipped.WebHelpTemplateStream;
    b.setTopics({{1, "Welcome", 0, "Welcome", "<p>Welcome to the garden help.</p>"},
                 {1, "Tools", 2},
                 {2, "Rake", 0, "Tools/Rake", "<p>The rake has tines.</p><p>Forged from zanzibarite.</p>"},
                 {2, "Spade", 0, "Tools/Spade\r\nDigging", "<p>Digging with a spade.</p>"},
                 {1, "Watering", 0, "Water & Plants", "<p>Water the plants in the morning.</p>"}});
    TWebHelp writer(&b.Project, &b.Contents, nullptr);
    QString indexPage;
    writer.Output(indexPage);
    ASSERT_TRUE(QFileInfo::exists(indexPage));

    // Chromium keeps its profile and caches under the scratch folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        env.insert(QLatin1String(name), b.path(QStringLiteral("home")));
    QProcess browser;
    browser.setProcessEnvironment(env);
    browser.setWorkingDirectory(scripts);
    browser.setProcessChannelMode(QProcess::MergedChannels);
    const QString shot = testsupport::buildDir() + QStringLiteral("/webhelp-browser.png");
    browser.start(node, {scripts + QStringLiteral("webhelp.test.mjs"), b.out(QString()), shot});
    ASSERT_TRUE(browser.waitForStarted(10000)) << browser.errorString().toStdString();
    if (!browser.waitForFinished(90000)) {
        browser.kill();
        browser.waitForFinished(5000);
        FAIL() << "the browser script did not end: " << browser.readAll().toStdString();
    }
    const QString output = QString::fromUtf8(browser.readAll());
    EXPECT_EQ(browser.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(browser.exitCode(), 0) << output.toStdString();
}
