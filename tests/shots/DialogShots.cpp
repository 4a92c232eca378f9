// Pictures of the project's setting dialogs, for a person to compare with
// what the dialogs should look like: each dialog is opened on a new
// project's values and grabbed into the folder given as the argument.
// Run by scripts/dialog-screenshots.sh under Xvfb.
#include "app/ContextSetting.h"
#include "app/Designer.h"
#include "app/Font.h"
#include "app/SetNavigation.h"
#include "app/WebHelpInterface.h"
#include "project/ProjectSetting.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

namespace {

bool Shot(QWidget &w, const QString &file)
{
    w.show();
    w.raise();
    w.activateWindow();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    const bool saved = w.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(file));
    w.hide();
    return saved;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const auto file = [&](const char *name) { return folder + QLatin1Char('/') + QLatin1String(name) + ".png"; };
    TProject project;
    bool ok = true;

    {
        TfrmDesigner designer;
        designer.HasChild = project.HasChild;
        designer.NoChild = project.NoChild;
        TCHMProject chm = project.CHMSetting;
        chm.Left = 20;
        chm.Top = 20;
        designer.ClassToControl(chm, true);
        designer.tmTimer();
        ok = Shot(designer, file("dialog-designer-interface")) && ok;
        for (const auto &[tab, name] : {std::pair{1, "dialog-designer-toolbar"}, std::pair{2, "dialog-designer-nav"},
                                        std::pair{3, "dialog-designer-toc"}, std::pair{4, "dialog-designer-other"}}) {
            designer.pcSettings->setCurrentIndex(tab);
            ok = Shot(designer, file(name)) && ok;
        }
    }
    {
        TfrmFont font;
        font.setWindowTitle(QStringLiteral("Font of Contents"));
        font.FontString = QStringLiteral("DejaVu Sans,10,0");
        font.GetFontAndSize();
        ok = Shot(font, file("dialog-font")) && ok;
    }
    {
        TfrmContextSetting context;
        context.SetTopCode(project.HtmlHelpContextTopCode);
        context.edtCodeTemplate->setText(project.HtmlHelpContextCodeTemplate);
        context.SetBottomCode(project.HtmlHelpContextBottomCode);
        context.cbContextEncoding->setCurrentIndex(project.HtmlHelpContextEncoding);
        ok = Shot(context, file("dialog-context-map")) && ok;
    }
    {
        TfrmSetNavigation navigation;
        navigation.LoadSetting(project.NavSetting);
        ok = Shot(navigation, file("dialog-navigation")) && ok;
    }
    {
        TfrmWebHelpInterface translation;
        translation.Dictionary = &project.WebHelpDictionary;
        translation.LoadStrings();
        ok = Shot(translation, file("dialog-webhelp-interface")) && ok;
        TfrmQuickTranslate quick;
        QString lines;
        for (size_t i = 0; i + 1 < translation.List.size(); i += 2)
            lines += translation.List[i]->text() + QLatin1Char('\n');
        quick.mmAllStrings->setPlainText(lines);
        ok = Shot(quick, file("dialog-quick-translation")) && ok;
    }
    return ok ? 0 : 1;
}
