// A project edited through the setting dialogs of the main window, saved and
// built by the program as a silent batch: the compiled help's window, the
// context-ID file, the navigation trail of the pages and the translated
// WebHelp interface (in headless Chromium) carry the edited values.
#include "AppTestSupport.h"

#include "app/ContextSetting.h"
#include "app/Designer.h"
#include "app/SetNavigation.h"
#include "app/WebHelpInterface.h"
#include "app/whelp.h"
#include "builder/ChmCheck.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {

template <typename D> void WhenShown(std::function<void(D &)> act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

const QString StartText = QStringLiteral("Start <here> & \"go\" \\ ");
const QString ContentsText = QStringLiteral("Inhalt \"<&>\\");
const QString IndexText = QStringLiteral("Stichwort");

} // namespace

TEST(DialogEditedProject, BuildsWithTheEditedSettings)
{
    ScratchDir dir;
    const QString example = dir.file(QStringLiteral("example"));
    testsupport::copyTree(testsupport::sourceDir() + QStringLiteral("/examples/sample"), example);
    const QString project = example + QStringLiteral("/SampleManual.qvx");
    int left = 0, top = 0, paneWidth = 0;
    {
        auto prompt = std::make_shared<ScriptedPrompt>();
        ScopedPrompt scoped(prompt);
        const auto opened = OpenMainWindow(project);
        TfrmMain &w = *opened;
        ASSERT_TRUE(w.OpenProject(project));
        w.show();
        w.cbPDFOutput->setChecked(false); // the PDF is not what this test looks at

        WhenShown<TfrmDesigner>([&](TfrmDesigner &d) {
            d.move(120, 80);
            d.resize(760, 560);
            d.Splitter1->setSizes({210, 500});
            QApplication::processEvents();
            emit d.Splitter1->splitterMoved(210, 1);
            d.tmTimer();
            left = d.NormalLeft;
            top = d.NormalTop;
            paneWidth = d.pnlPan->width();
            d.cbBack->click();     // no Back button
            d.cbFavorite->click(); // no Favorites pane
            d.cbDefaultTab->setCurrentIndex(d.cbDefaultTab->findText(QStringLiteral("Search")));
            emit d.cbDefaultTab->activated(d.cbDefaultTab->currentIndex());
            d.accept();
        });
        w.Button2->click();

        WhenShown<TfrmSetNavigation>([](TfrmSetNavigation &d) {
            d.edtStartString->setText(StartText);
            d.edtDelimiter->setText(QStringLiteral(" / "));
            d.cbIncludeTopic->setChecked(false);
            d.cbEndwithDelimiter->setChecked(true);
            d.accept();
        });
        w.btnSetNavigation->click();

        WhenShown<TfrmContextSetting>([](TfrmContextSetting &d) {
            d.cbProgramLanguageChange(d.cbProgramLanguage->findText(QStringLiteral("C++")));
            d.cbContextEncoding->setCurrentIndex(3);
            d.accept();
        });
        w.btnSetContext->click();

        WhenShown<TfrmWebHelpInterface>([](TfrmWebHelpInterface &d) {
            for (size_t i = 0; i + 1 < d.List.size(); i += 2) {
                if (d.List[i]->text() == QStringLiteral("Contents"))
                    d.List[i + 1]->setText(ContentsText);
                if (d.List[i]->text() == QStringLiteral("Index"))
                    d.List[i + 1]->setText(IndexText);
            }
            d.accept();
        });
        w.btnWebhelpInterface->click();
        w.Action2Update();
        ASSERT_TRUE(w.Save());
        w.Project().ProjectChanged = false;
    }
    ASSERT_GT(paneWidth, 0);

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
    run.setProcessEnvironment(env);
    run.start(testsupport::buildDir() + QStringLiteral("/bin/quillcraft"), {project, QStringLiteral("/bs")});
    ASSERT_TRUE(run.waitForFinished(300000));
    ASSERT_EQ(run.exitCode(), 0) << testsupport::readFile(example + QStringLiteral("/SampleManual.log")).toStdString();

    // The compiled help's window.
    chmcheck::ChmReader chm(example + QStringLiteral("/HTML help/help.chm"));
    ASSERT_TRUE(chm.isOpen());
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowLeft), quint32(left));
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowLeft + 4), quint32(top));
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowRight), quint32(left + 760));
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowRight + 4), quint32(top + 560));
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowNavWidth), quint32(paneWidth));
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowButtons) & 0x4u, 0u);  // Back
    EXPECT_NE(chm.windowNumber(chmcheck::kWindowButtons) & 0x8u, 0u);  // Forward
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowProperties) & 0x1000u, 0u); // Favorites
    EXPECT_NE(chm.windowNumber(chmcheck::kWindowProperties) & 0x400u, 0u);  // Search
    EXPECT_EQ(chm.windowNumber(chmcheck::kWindowNavTab), 2u);

    // The context-ID file: C++ code under the C++ extension, in UTF-8.
    const QByteArray context = testsupport::readFile(example + QStringLiteral("/HelpContext.h"));
    ASSERT_FALSE(context.isEmpty()) << QDir(example).entryList().join(u' ').toStdString();
    EXPECT_TRUE(context.startsWith("\xEF\xBB\xBF// Context IDs")) << context.left(80).toStdString();
    EXPECT_TRUE(context.contains("#pragma once"));
    EXPECT_TRUE(context.contains("#define CID_")) << context.toStdString();

    // The trail: the typed start text, escaped, then the delimiter.
    const QString escapedStart = QStringLiteral("Start &lt;here&gt; &amp; &quot;go&quot; \\ ");
    bool trailFound = false;
    for (const QFileInfo &page : QDir(example + QStringLiteral("/WebHelp/pages")).entryInfoList(QDir::Files)) {
        const QString text = QString::fromUtf8(testsupport::readFile(page.filePath()));
        EXPECT_FALSE(text.contains(StartText)) << page.fileName().toStdString();
        trailFound = trailFound || text.contains(escapedStart);
    }
    EXPECT_TRUE(trailFound);

    // The interface texts, in a real browser.
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString scripts = testsupport::sourceDir() + QStringLiteral("/tests/browser/");
    if (node.isEmpty() || !QFileInfo(QStringLiteral("/usr/bin/chromium")).isExecutable()
        || !QFileInfo::exists(scripts + QStringLiteral("node_modules/playwright-core/package.json")))
        GTEST_SKIP() << "node, Chromium or playwright-core is missing: the browser check is skipped";
    QProcess browser;
    QProcessEnvironment browserEnv = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        browserEnv.insert(QLatin1String(name), dir.file(QStringLiteral("browser-home")));
    browser.setProcessEnvironment(browserEnv);
    browser.setWorkingDirectory(scripts);
    browser.setProcessChannelMode(QProcess::MergedChannels);
    browser.start(node, {scripts + QStringLiteral("webhelp-interface.test.mjs"), example + QStringLiteral("/WebHelp"),
                         ContentsText, IndexText, QStringLiteral("Search")});
    ASSERT_TRUE(browser.waitForStarted(10000));
    if (!browser.waitForFinished(90000)) {
        browser.kill();
        browser.waitForFinished(5000);
        FAIL() << "the browser script did not end: " << browser.readAll().toStdString();
    }
    EXPECT_EQ(browser.exitCode(), 0) << browser.readAll().toStdString();
}
