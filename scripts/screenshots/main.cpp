// Pictures of the main window's tabs and of the new-project wizard, for a
// person to review: qc_screenshots <folder>. scripts/screenshots.sh builds
// it and runs it on a virtual display.
#include "app/NewProject.h"
#include "app/whelp.h"
#include "foundation/basicinfo.h"
#include "project/ProjectSetting.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SetProductInformation();
    if (argc < 2) {
        std::fprintf(stderr, "usage: qc_screenshots <folder>\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QTemporaryDir scratch;
    if (!QDir().mkpath(folder) || !scratch.isValid()) {
        std::fprintf(stderr, "cannot use the folder %s\n", qPrintable(folder));
        return 1;
    }
    TProject project;
    project.Title = QStringLiteral("Sample Manual");
    project.SourceFile = QStringLiteral("SampleManual.docx");
    const QString file = scratch.filePath(QStringLiteral("sample.qvx"));
    project.SaveToIni(file);

    TStartup startup;
    startup.ProjectFile = file;
    TfrmMain w(startup);
    w.FormCreate();
    w.show();
    int saved = 0, wanted = 0;
    const auto save = [&](QWidget &widget, const QString &name) {
        QApplication::processEvents();
        ++wanted;
        if (widget.grab().save(folder + u'/' + name + QStringLiteral(".png")))
            ++saved;
        else
            std::fprintf(stderr, "could not save %s.png\n", qPrintable(name));
    };
    for (int i = 0; i < w.PageControl1->count(); ++i) {
        w.PageControl1->setCurrentIndex(i);
        w.Action2Update();
        save(w, QStringLiteral("main-") + w.PageControl1->tabText(i).toLower().replace(u' ', u'-'));
    }
    TfrmNewProject wizard(&w);
    wizard.edtProjectPosition->setText(scratch.path());
    wizard.edtFilename->setText(QStringLiteral("help"));
    wizard.show();
    save(wizard, QStringLiteral("wizard-page1"));
    wizard.btnNext->click();
    save(wizard, QStringLiteral("wizard-page2"));
    wizard.hide();
    w.Project().ProjectChanged = false;
    std::printf("%d pictures in %s\n", saved, qPrintable(folder));
    return saved == wanted ? 0 : 1;
}
