// Shows the template and outline windows with sample content and saves a
// picture of each (the chooser and the editor once their page has rendered),
// for a person to look at. Run through scripts/template-screenshots.sh.
#include "app/ChooseTemplate.h"
#include "app/CreateNewDocument.h"
#include "app/HTMLEditor.h"
#include "app/TopicList.h"
#include "foundation/Paths.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits for the view's current load to finish, then lets it paint.
void WaitLoaded(QWebEngineView *view)
{
    QEventLoop loop;
    QObject::connect(view, &QWebEngineView::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    Wait(700);
}

void Save(QWidget *w, const QString &folder, const QString &name)
{
    const QString file = folder + u'/' + name + QStringLiteral(".png");
    w->grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    const QString page = ProgramFolder() + QStringLiteral("templates/standard1/template.htm");

    {
        TfrmChooseTemplate chooser;
        chooser.CurrentTemplate = page;
        chooser.TemplateType = QStringLiteral("WebHelp");
        chooser.show();
        chooser.LoadTemplate();
        chooser.lbTemplateName->setCurrentRow(1);
        WaitLoaded(chooser.wbPreview);
        Save(&chooser, out, QStringLiteral("template-chooser"));
    }
    QByteArray stream;
    PackTemplate(page, stream);
    {
        TfrmHTMLEditor editor;
        editor.show();
        editor.Open(&stream);
        WaitLoaded(editor.wbEditor);
        Save(&editor, out, QStringLiteral("template-editor-preview"));
        editor.lbFiles->setCurrentRow(2);
        editor.lbFilesClick();
        Wait(300);
        Save(&editor, out, QStringLiteral("template-editor-css"));
        editor.lbFiles->setCurrentRow(1);
        editor.lbFilesClick();
        Wait(300);
        Save(&editor, out, QStringLiteral("template-editor-source"));
    }
    {
        TfrmSelectFontName fonts;
        fonts.show();
        fonts.lbFont->setCurrentRow(0);
        fonts.lbFontClick();
        Wait(200);
        Save(&fonts, out, QStringLiteral("font-name"));
        TfrmCSSCode css;
        css.show();
        Wait(200);
        Save(&css, out, QStringLiteral("css-code"));
        TfrmUnableFound unable;
        unable.GetFiles(ProgramFolder() + QStringLiteral("templates/standard1"));
        unable.show();
        Wait(200);
        Save(&unable, out, QStringLiteral("unable-found"));
    }
    {
        TfrmCreateNewDocument outline;
        outline.edtFilename->setText(QStringLiteral("<Project_Folder>/doc.docx"));
        outline.edtTitle->setText(QStringLiteral("Sample Manual"));
        outline.show();
        Wait(200);
        Save(&outline, out, QStringLiteral("new-document"));
    }
    {
        TfrmTopicList topics;
        topics.SourceFile = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
        topics.show();
        topics.LoadOutline();
        Wait(200);
        Save(&topics, out, QStringLiteral("topic-list"));
    }
    return 0;
}
