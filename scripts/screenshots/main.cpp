// Pictures of every tab and dialog of the program, taken from the program
// itself: the main window is opened on a copy of the example project and each
// dialog is opened through the window's own command, as a writer opens it.
// Each picture is the window with its frame as the window manager draws it,
// in FOLDER in full colour and in FOLDER/guide in 256 colours for the guide.
//   qc_screenshots FOLDER EXAMPLE-FOLDER
// scripts/screenshots.sh builds it and runs it under Xvfb with a window manager.
#include "app/ChooseTemplate.h"
#include "app/CreateNewDocument.h"
#include "app/Designer.h"
#include "app/FlashScreen.h"
#include "app/HTMLEditor.h"
#include "app/NewProject.h"
#include "app/PagePreview.h"
#include "app/WebHelpInterface.h"
#include "app/whelp.h"
#include "foundation/basicinfo.h"
#include "project/ProjectSetting.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <functional>

namespace {

QString Out;
int Saved = 0, Failed = 0;

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window as it stands on the screen, frame and title bar included.
void Shot(QWidget *window, const QString &name)
{
    window->raise();
    window->activateWindow();
    Wait(500);
    const QRect frame = window->frameGeometry();
    QPixmap picture = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (picture.isNull())
        picture = window->grab();
    const QString file = Out + u'/' + name + QStringLiteral(".png");
    // The guide's copy in 256 colours: a window has few, and the guide stays small.
    const QImage indexed = picture.toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    if (picture.save(file) && indexed.save(Out + QStringLiteral("/guide/") + name + QStringLiteral(".png"))) {
        ++Saved;
        std::printf("wrote %s (%dx%d)\n", qPrintable(file), picture.width(), picture.height());
    } else {
        ++Failed;
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    }
}

// Runs command, which opens a modal window; act gets that window once it is
// up, and the window is then closed without its changes (unless it closes
// by itself, as the building window does when the build ends).
void WhileModal(const std::function<void()> &command, const std::function<void(QWidget *)> &act,
                bool closesItself = false)
{
    QWidget *before = QApplication::activeModalWidget();
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, before, act, closesItself] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == before || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
        if (closesItself)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
    });
    poll->start(50);
    command();
}

// Waits for a preview to finish loading its page, then lets it paint.
void WaitLoaded(TPagePreview *view)
{
    QEventLoop loop;
    QObject::connect(view, &QWebEngineView::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    Wait(800);
}

void CopyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(file, target);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    SetProductInformation();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 3) {
        std::fprintf(stderr, "usage: qc_screenshots FOLDER EXAMPLE-FOLDER\n");
        return 2;
    }
    Out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QTemporaryDir scratch;
    if (!QDir().mkpath(Out + QStringLiteral("/guide")) || !scratch.isValid()) {
        std::fprintf(stderr, "cannot use the folder %s\n", qPrintable(Out));
        return 1;
    }
    const QString example = scratch.filePath(QStringLiteral("Sample"));
    CopyFolder(QDir(QString::fromLocal8Bit(argv[2])).absolutePath(), example);

    TStartup startup;
    startup.ProjectFile = example + QStringLiteral("/SampleManual.qvx");
    TfrmMain w(startup);
    w.FormCreate();
    w.show();
    Wait(500);
    const auto tabShot = [&](QWidget *tab, const char *name) {
        w.PageControl1->setCurrentWidget(tab);
        w.Action2Update();
        Shot(&w, QLatin1String(name));
    };
    tabShot(w.tsSource, "main-source-files");
    tabShot(w.tsCommon, "main-common");
    tabShot(w.tsHtmlHelp, "main-html-help");
    tabShot(w.tsWebHelp, "main-web-help");
    tabShot(w.tsPDF, "main-pdf");

    // The Build tab before and after a build, and the building window.
    tabShot(w.tsBuild, "main-build-before");
    WhileModal([&] { w.btnBuild->click(); }, [](QWidget *building) { Shot(building, QStringLiteral("building")); },
               true);
    tabShot(w.tsBuild, "main-build");

    // The dialogs of the HTML Help tab.
    w.PageControl1->setCurrentWidget(w.tsHtmlHelp);
    WhileModal([&] { w.Button2->click(); }, [](QWidget *window) {
        auto *designer = static_cast<TfrmDesigner *>(window);
        const char *names[] = {"designer-interface", "designer-toolbar", "designer-nav", "designer-toc",
                               "designer-other"};
        for (int i = 0; i < 5; ++i) {
            designer->pcSettings->setCurrentIndex(i);
            Shot(designer, QLatin1String(names[i]));
        }
        designer->pcSettings->setCurrentIndex(2);
        WhileModal([designer] { designer->btnContentsFont->click(); },
                   [](QWidget *font) { Shot(font, QStringLiteral("font")); });
    });
    WhileModal([&] { w.btnSetContext->click(); }, [](QWidget *d) { Shot(d, QStringLiteral("context-map")); });
    WhileModal([&] { w.btnCHMChooseTemplate->click(); }, [](QWidget *d) {
        auto *chooser = static_cast<TfrmChooseTemplate *>(d);
        WaitLoaded(chooser->wbPreview);
        chooser->lbTemplateName->setCurrentRow(1);
        WaitLoaded(chooser->wbPreview);
        Shot(chooser, QStringLiteral("template-chooser"));
    });

    // The dialogs of the Common and Web Help tabs.
    w.PageControl1->setCurrentWidget(w.tsCommon);
    WhileModal([&] { w.btnSetNavigation->click(); }, [](QWidget *d) { Shot(d, QStringLiteral("navigation")); });
    w.PageControl1->setCurrentWidget(w.tsWebHelp);
    WhileModal([&] { w.btnWebhelpInterface->click(); }, [](QWidget *d) {
        auto *translation = static_cast<TfrmWebHelpInterface *>(d);
        Shot(translation, QStringLiteral("webhelp-interface"));
        WhileModal([translation] { translation->btnQuickTranslate->click(); },
                   [](QWidget *quick) { Shot(quick, QStringLiteral("quick-translation")); });
    });
    WhileModal([&] { w.btnWebHelpTemplateEdit->click(); }, [](QWidget *d) {
        auto *editor = static_cast<TfrmHTMLEditor *>(d);
        WaitLoaded(editor->wbEditor);
        Shot(editor, QStringLiteral("template-editor-preview"));
        editor->lbFiles->setCurrentRow(1);
        editor->lbFilesClick();
        Wait(300);
        Shot(editor, QStringLiteral("template-editor-source"));
        WhileModal([editor] { editor->tbtnCSSCode->click(); }, [](QWidget *css) { Shot(css, QStringLiteral("css-code")); });
        WhileModal([editor] { editor->tbtnFont->click(); }, [](QWidget *fonts) {
            auto *picker = static_cast<TfrmSelectFontName *>(fonts);
            picker->lbFont->setCurrentRow(0);
            picker->lbFontClick();
            Shot(picker, QStringLiteral("font-name"));
        });
    });
    {
        TfrmUnableFound unable(&w);
        unable.GetFiles(ProgramFolder() + QStringLiteral("templates/standard1"));
        unable.show();
        Shot(&unable, QStringLiteral("unable-found"));
    }

    // The Source Files tab's commands and the File and Help menus' windows.
    w.PageControl1->setCurrentWidget(w.tsSource);
    WhileModal([&] { w.btnCreateWordFile->click(); }, [](QWidget *d) { Shot(d, QStringLiteral("new-document")); });
    WhileModal([&] { w.btnImportChm->click(); }, [](QWidget *d) { Shot(d, QStringLiteral("import-chm")); });
    w.Project().ProjectChanged = false;
    WhileModal([&] { w.New1->trigger(); }, [](QWidget *d) {
        auto *wizard = static_cast<TfrmNewProject *>(d);
        Shot(wizard, QStringLiteral("wizard-page1"));
        wizard->btnNext->click();
        Shot(wizard, QStringLiteral("wizard-page2"));
    });
    WhileModal([&] { w.About1->trigger(); }, [](QWidget *d) { Shot(d, QStringLiteral("about")); });
    {
        TfrmFlashScreen splash;
        splash.show();
        Shot(&splash, QStringLiteral("splash"));
    }
    w.Project().ProjectChanged = false;
    std::printf("%d pictures in %s, %d failed\n", Saved, qPrintable(Out), Failed);
    return Failed == 0 ? 0 : 1;
}
