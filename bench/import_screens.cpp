// Pictures of the import dialog and of the progress window while an import
// runs, for a person to look at (scripts/import-screenshots.sh runs it under
// Xvfb).
//   import_screens HELP.chm OUT_FOLDER
#include "app/CHM2Word.h"
#include "app/Progress.h"
#include "app/WidgetPrompt.h"
#include "project/ProjectSetting.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: import_screens HELP.chm OUT_FOLDER\n");
        return 2;
    }
    SetCurrentPrompt(std::make_shared<WidgetPrompt>());
    const QString out = QDir(args[2]).absolutePath();
    QDir().mkpath(out);

    TProject project;
    project.RootDir = out;
    TfrmChm2Word dialog(project);
    dialog.edtSourceFile->setText(QDir(args[1]).absolutePath());
    dialog.edtWordFile->setText(QStringLiteral("<Project_Folder>/help.docx"));
    dialog.show();
    QTimer::singleShot(500, &dialog, [&] {
        dialog.grab().save(out + QStringLiteral("/import-dialog.png"));
        dialog.accept();
    });
    dialog.exec();

    TfrmProgress progress;
    progress.OutputWord = std::make_unique<TOutputWord>();
    progress.OutputWord->chm = QDir(args[1]).absolutePath();
    progress.OutputWord->Chm2DocPDF->ForQuillcraft = progress.OutputWord->Chm2DocPDF->OnlyWord = true;
    progress.OutputWord->Chm2DocPDF->pdf = out + QStringLiteral("/help.docx");
    bool shot = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
        if (!shot && progress.lbInfo->text().startsWith(QLatin1String("Processing ("))) {
            shot = progress.grab().save(out + QStringLiteral("/import-progress.png"));
            std::printf("progress shown at: %s\n", qPrintable(progress.lbInfo->text()));
        }
    });
    poll.start(10);
    const int result = progress.exec();
    std::printf("import result %d, pictures in %s\n", result, qPrintable(out));
    return shot ? 0 : 1;
}
