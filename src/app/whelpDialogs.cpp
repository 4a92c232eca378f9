// The main window's setting dialogs: each is created with the main window as
// owner, shown modally, and on OK its values go into the project.
#include "app/whelp.h"

#include "app/ContextSetting.h"
#include "app/Designer.h"
#include "app/SetNavigation.h"
#include "app/WebHelpInterface.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

template <typename T> void Assign(TProject &p, const T &value, T &field)
{
    if (value != field) {
        field = value;
        p.ProjectChanged = true;
    }
}

// The file name with its extension replaced (or added when it has none).
QString ChangeFileExt(const QString &FileName, const QString &Extension)
{
    const int slash = int(std::max(FileName.lastIndexOf(QLatin1Char('/')), FileName.lastIndexOf(QLatin1Char('\\'))));
    const int dot = int(FileName.lastIndexOf(QLatin1Char('.')));
    return (dot > slash ? FileName.left(dot) : FileName) + Extension;
}

} // namespace

void TfrmMain::btnSetContextClick()
{
    TfrmContextSetting dialog(this);
    TProject &p = *FProject;
    dialog.SetTopCode(p.HtmlHelpContextTopCode);
    dialog.SetBottomCode(p.HtmlHelpContextBottomCode);
    dialog.edtCodeTemplate->setText(p.HtmlHelpContextCodeTemplate);
    dialog.edtCodeTemplate->setCursorPosition(0); // the line shows its start
    dialog.cbContextEncoding->setCurrentIndex(p.HtmlHelpContextEncoding);
    if (dialog.exec() != QDialog::Accepted)
        return;
    Assign(p, dialog.TopCode(), p.HtmlHelpContextTopCode);
    Assign(p, dialog.BottomCode(), p.HtmlHelpContextBottomCode);
    Assign(p, dialog.edtCodeTemplate->text(), p.HtmlHelpContextCodeTemplate);
    // A stored encoding the list does not know stays as it was.
    if (dialog.cbContextEncoding->currentIndex() >= 0)
        Assign(p, dialog.cbContextEncoding->currentIndex(), p.HtmlHelpContextEncoding);
    // The first five languages of context.dat name the file's extension.
    static const QStringList extensions = {QStringLiteral(".cs"), QStringLiteral(".vb"), QStringLiteral(".pas"),
                                           QStringLiteral(".h"), QStringLiteral(".bas")};
    const int language = dialog.cbProgramLanguage->currentIndex();
    if (language >= 0 && language < extensions.size() && !edtContextFile->text().isEmpty())
        edtContextFile->setText(ChangeFileExt(edtContextFile->text(), extensions[language]));
    Assign(p, edtContextFile->text(), p.HtmlHelpContextFile);
}

void TfrmMain::btnSetNavigationClick()
{
    TfrmSetNavigation dialog(this);
    dialog.LoadSetting(FNavSetting);
    if (dialog.exec() == QDialog::Accepted) {
        FNavSetting = dialog.GetSettingStr();
        edtNavSetting->setText(TfrmSetNavigation::Preview(FNavSetting));
    }
}

void TfrmMain::btnWebhelpInterfaceClick()
{
    TfrmWebHelpInterface dialog(this);
    dialog.Dictionary = &FProject->WebHelpDictionary;
    dialog.LoadStrings();
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.SaveDictionary();
    FProject->ProjectChanged = true;
}

void TfrmMain::Button2Click()
{
    TfrmDesigner dialog(this);
    dialog.HasChild = FProject->HasChild;
    dialog.NoChild = FProject->NoChild;
    dialog.ClassToControl(FProject->CHMSetting, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The window settings are part of the project file: an edit here must be
    // saved like any other, so a change raises the changed flag.
    QStringList before, after;
    FProject->CHMProjectSaveToIni(FProject->CHMSetting, before, QStringLiteral("CHMSetting"));
    dialog.ControlToClass(FProject->CHMSetting);
    FProject->CHMProjectSaveToIni(FProject->CHMSetting, after, QStringLiteral("CHMSetting"));
    if (before != after)
        FProject->ProjectChanged = true;
}
