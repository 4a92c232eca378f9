// The main window's settings synchronisation: the idle copy from the controls
// into the project, the copy back after a project is opened, and the small
// commands of the settings tabs.
#include "app/ChooseTemplate.h"
#include "app/CreateNewDocument.h"
#include "app/FlashScreen.h"
#include "app/HTMLEditor.h"
#include "app/ProgramHelp.h"
#include "app/SelectColor.h"
#include "app/SetNavigation.h"
#include "app/TopicList.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"

#include "builder/OutlineDocument.h"
#include "builder/OutputGuard.h"
#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/ResourceStrings.h"
#include "foundation/WordFunctions.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"


#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QCoreApplication>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <utility>
#include <vector>

namespace {

// The setters: store a control's value only when it differs, and only then
// raise the changed flag.
void AssignProjectString(TProject &p, const QString &value, QString &field)
{
    if (value != field) {
        field = value;
        p.ProjectChanged = true;
    }
}

void AssignProjectInteger(TProject &p, int value, int &field)
{
    if (value != field) {
        field = value;
        p.ProjectChanged = true;
    }
}

void AssignProjectBoolean(TProject &p, bool value, bool &field)
{
    if (value != field) {
        field = value;
        p.ProjectChanged = true;
    }
}

// Setting a control only when its value differs keeps the idle pass from
// waking the event loop again and again.
void SetText(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text) {
        edit->setText(text);
        edit->setCursorPosition(0); // a long path shows its start
    }
}

void SetChecked(QCheckBox *box, bool checked)
{
    if (box->isChecked() != checked)
        box->setChecked(checked);
}

void SetIndex(QComboBox *list, int index)
{
    if (index < -1 || index >= list->count())
        index = -1;
    if (list->currentIndex() != index)
        list->setCurrentIndex(index);
}

// Enabled with the window colour, or disabled with the button-face colour.
void SetUsable(QWidget *widget, bool usable)
{
    if (widget->isEnabled() != usable)
        widget->setEnabled(usable);
}

QString CharsetValue(const QComboBox *list, int index)
{
    const QString item = list->itemText(index);
    const int separator = item.indexOf(QLatin1Char(';'));
    return separator < 0 ? QString() : item.mid(separator + 1).trimmed();
}

int FindCharset(const QComboBox *list, const QString &charset)
{
    for (int i = 0; i < list->count(); ++i)
        if (CharsetValue(list, i).compare(charset, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

int TfrmMain::WordVersion()
{
    return GetWordVersion();
}

void TfrmMain::ConnectCommands()
{
    connect(New1, &QAction::triggered, this, [this] { Guarded([&] { New(true); }); });
    connect(Open1, &QAction::triggered, this, [this] { Guarded([&] { Open(); }); });
    connect(Save1, &QAction::triggered, this, [this] { Guarded([&] { Save(); }); });
    connect(Saveas1, &QAction::triggered, this, [this] { Guarded([&] { SaveAs(); }); });
    connect(Exit1, &QAction::triggered, this, [this] { Guarded([&] { GoExit(); }); });
    connect(Howtouse1, &QAction::triggered, this, [this] { Guarded([&] { OpenProgramHelp(this); }); });
    connect(About1, &QAction::triggered, this, [this] { ShowAboutBox(this); });

    connect(cbLanguage, qOverload<int>(&QComboBox::activated), this, [this] { Guarded([&] { cbLanguageChange(); }); });
    connect(cbPDFOutput, &QCheckBox::clicked, this, [this] { cbPDFOutputClick(); });
    connect(cbWebBackground, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { cbWebBackgroundChange(); });
    connect(btnCopyright, &QPushButton::clicked, this, [this] { InsertIntoCopyright(QStringLiteral("&copy;")); });
    connect(btnReg, &QPushButton::clicked, this, [this] { InsertIntoCopyright(QStringLiteral("&reg;")); });
    connect(btnSelectWordFile, &QToolButton::clicked, this, [this] { Guarded([&] { btnSelectWordFileClick(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { Guarded([&] { btnSelectWordFileClick(); }); });
    connect(btnCompiledFile, &QToolButton::clicked, this, [this] { Guarded([&] { btnCompiledFileClick(); }); });
    connect(btnContext, &QToolButton::clicked, this, [this] { Guarded([&] { btnContextClick(); }); });
    connect(btnSelectHHPFolder, &QToolButton::clicked, this, [this] { Guarded([&] { btnSelectFolderClick(1); }); });
    connect(btnSelectFolder, &QToolButton::clicked, this, [this] { Guarded([&] { btnSelectFolderClick(2); }); });
    connect(Button1, &QToolButton::clicked, this, [this] { Guarded([&] { Button1Click(); }); });
    connect(btnCHMTemplateImport, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateImport(true); }); });
    connect(btnWeblHelpTemplateImport, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateImport(false); }); });
    connect(btnSetContext, &QPushButton::clicked, this, [this] { Guarded([&] { btnSetContextClick(); }); });
    connect(btnSetNavigation, &QPushButton::clicked, this, [this] { Guarded([&] { btnSetNavigationClick(); }); });
    connect(btnWebhelpInterface, &QPushButton::clicked, this, [this] { Guarded([&] { btnWebhelpInterfaceClick(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([&] { Button2Click(); }); });
    connect(btnCreateWordFile, &QPushButton::clicked, this, [this] { Guarded([&] { btnCreateWordFileClick(); }); });
    connect(btnTopicList, &QPushButton::clicked, this, [this] { Guarded([&] { btnTopicListClick(); }); });
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+Shift+T")), this), &QShortcut::activated, btnTopicList,
            &QPushButton::click);
    connect(btnCHMChooseTemplate, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateChoose(true); }); });
    connect(btnWebhelpChooseTemplate, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateChoose(false); }); });
    connect(btnCHMTemplateEdit, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateEdit(true); }); });
    connect(btnWebHelpTemplateEdit, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateEdit(false); }); });
    connect(btnCHMTemplateExport, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateExport(true); }); });
    connect(btnWeblHelpTemplateExport, &QPushButton::clicked, this, [this] { Guarded([&] { TemplateExport(false); }); });

    connect(btnBuild, &QPushButton::clicked, this, [this] { Guarded([&] { BuildProject(false); }); });
    connect(btnOpenHTMLHelp, &QPushButton::clicked, this, [this] { Guarded([&] { btnOpenHTMLHelpClick(1); }); });
    connect(btnOpenWebHelp, &QPushButton::clicked, this, [this] { Guarded([&] { btnOpenHTMLHelpClick(2); }); });
    connect(btnOpenPDF, &QPushButton::clicked, this, [this] { Guarded([&] { btnOpenHTMLHelpClick(3); }); });
    connect(btnFolderHTMLHelp, &QPushButton::clicked, this, [this] { Guarded([&] { btnFolderHTMLHelpClick(1); }); });
    connect(btnFolderWebHelp, &QPushButton::clicked, this, [this] { Guarded([&] { btnFolderHTMLHelpClick(2); }); });
    connect(btnFolderPDF, &QPushButton::clicked, this, [this] { Guarded([&] { btnFolderHTMLHelpClick(3); }); });
    connect(btnFolderSourceFile, &QPushButton::clicked, this, [this] { Guarded([&] { btnFolderHTMLHelpClick(4); }); });
    connect(btnOpenWordFile, &QPushButton::clicked, this, [this] { Guarded([&] { btnOpenWordFileClick(); }); });
    connect(btnImportChm, &QPushButton::clicked, this, [this] { Guarded([&] { btnImportChmClick(); }); });

    // The Build tab's lines are refreshed when it is shown and every second
    // while it stays visible.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == tsBuild) {
            Guarded([&] { CheckOutputFiles(); });
            tmBuild->start();
        } else {
            tmBuild->stop();
        }
    });
    connect(tmBuild, &QTimer::timeout, this, [this] { Guarded([&] { CheckOutputFiles(); }); });
}

namespace {

// The controls that edit one project field each, in the order of the idle
// copy. The titles that may follow the project title, the navigation
// setting, the charset, the language and the PDF switch have rules of their
// own and are not listed.
struct TBindings {
    std::vector<std::pair<QLineEdit *, QString TProject::*>> texts;
    std::vector<std::pair<QCheckBox *, bool TProject::*>> checks;
    std::vector<std::pair<QComboBox *, int TProject::*>> positions;
};

TBindings Bindings(const TfrmMain &w)
{
    TBindings b;
    b.texts = {{w.edtSourceFile, &TProject::SourceFile},
               {w.edtChmTitle, &TProject::Title},
               {w.edtCopyright, &TProject::CopyRight},
               {w.edtPrevHint, &TProject::PrevHint},
               {w.edtNextHint, &TProject::NextHint},
               {w.edtCompiledFile, &TProject::CompiledFile},
               {w.edtContextFile, &TProject::HtmlHelpContextFile},
               {w.edtHHPFolder, &TProject::HHPFolder},
               {w.edtWebHelpOutputFolder, &TProject::WebHelpOutputFolder},
               {w.framTOCbackColor->edtColor, &TProject::TOCBackColor},
               {w.framWebFontColor->edtColor, &TProject::WebFontColor},
               {w.framWebBackColor->edtColor, &TProject::WebBackColor},
               {w.edtPDF, &TProject::PDFFile}};
    b.checks = {{w.cbHTMLHelpOutput, &TProject::HtmlHelpOutput},
                {w.cbHtmlHelpTitleSame, &TProject::HtmlHelpTitleSame},
                {w.cbOutputContext, &TProject::HtmlHelpOutputContext},
                {w.cbOutputHHP, &TProject::OutputHHP},
                {w.cbWebHelpOutput, &TProject::WebHelpOutput},
                {w.cbWebHelpTilteSame, &TProject::WebHelpTilteSame},
                {w.cbStartFromRoot, &TProject::StartFromRoot},
                {w.cbAutoCollapse, &TProject::AutoCollapse},
                {w.cbDrawLines, &TProject::DrawLines},
                {w.cbRealColorIcon, &TProject::RealColorIcon},
                {w.cbShowIndex, &TProject::ShowIndex}};
    b.positions = {{w.cbbHasChild, &TProject::HasChild},
                   {w.cbbNoChild, &TProject::NoChild},
                   {w.cbHtmlHelpExtension, &TProject::HtmlHelpExtension},
                   {w.cbWebHelpExtension, &TProject::WebHelpExtension},
                   {w.cbWebBackground, &TProject::WebBackground},
                   {w.cbPanes, &TProject::Panes},
                   {w.cbMagnification, &TProject::Magnification},
                   {w.cbPageLayout, &TProject::PageLayout}};
    return b;
}

} // namespace

void TfrmMain::Action2Update()
{
    TProject &p = *FProject;
    const bool hasSource = !edtSourceFile->text().isEmpty();
    SetUsable(btnOpenWordFile, hasSource);
    SetUsable(btnFolderSourceFile, hasSource);

    // Titles that follow the project title.
    SetUsable(edtHtmlHelpTitle, !cbHtmlHelpTitleSame->isChecked());
    if (cbHtmlHelpTitleSame->isChecked())
        SetText(edtHtmlHelpTitle, edtChmTitle->text());
    else
        AssignProjectString(p, edtHtmlHelpTitle->text(), p.HtmlHelpTitle);
    SetUsable(edtWebHelpTitle, !cbWebHelpTilteSame->isChecked());
    if (cbWebHelpTilteSame->isChecked())
        SetText(edtWebHelpTitle, edtChmTitle->text());
    else
        AssignProjectString(p, edtWebHelpTitle->text(), p.WebHelpTitle);

    SetUsable(edtHHPFolder, cbOutputHHP->isChecked());
    SetUsable(btnSelectHHPFolder, cbOutputHHP->isChecked());
    SetUsable(edtContextFile, cbOutputContext->isChecked());
    SetUsable(btnContext, cbOutputContext->isChecked());
    SetUsable(btnSetContext, cbOutputContext->isChecked());

    const TBindings b = Bindings(*this);
    for (const auto &[edit, field] : b.texts)
        AssignProjectString(p, edit->text(), p.*field);
    AssignProjectString(p, FNavSetting, p.NavSetting);
    for (const auto &[box, field] : b.checks)
        AssignProjectBoolean(p, box->isChecked(), p.*field);
    for (const auto &[list, field] : b.positions)
        AssignProjectInteger(p, list->currentIndex(), p.*field);
    AssignProjectInteger(p, seNavWidth->value(), p.NavWidth);
    AssignProjectBoolean(p, cbPDFOutput->isChecked(), p.PDFOutput);
    AssignProjectString(p, CharsetValue(cbHtmlHelpOutputEncoding, cbHtmlHelpOutputEncoding->currentIndex()),
                        p.HtmlHelpOutputEncoding);
    if (cbLanguage->currentIndex() >= 0)
        AssignProjectString(p, HelpLanguages.GetItem(cbLanguage->currentIndex()).Id, p.CHMSetting.Language);

    SetCaption();
}

void TfrmMain::ProjectToControl()
{
    const TProject &p = *FProject;
    const TBindings b = Bindings(*this);
    for (const auto &[edit, field] : b.texts)
        SetText(edit, p.*field);
    for (const auto &[box, field] : b.checks)
        SetChecked(box, p.*field);
    for (const auto &[list, field] : b.positions)
        SetIndex(list, p.*field);
    SetText(edtHtmlHelpTitle, p.HtmlHelpTitle);
    SetText(edtWebHelpTitle, p.WebHelpTitle);
    // The navigation setting shows as the trail it makes; its text is kept aside.
    FNavSetting = p.NavSetting;
    SetText(edtNavSetting, TfrmSetNavigation::Preview(FNavSetting));
    if (seNavWidth->value() != p.NavWidth)
        seNavWidth->setValue(p.NavWidth);
    // PDF output needs Word 2007 or later.
    SetChecked(cbPDFOutput, p.PDFOutput && WordVersion() >= 12);

    const int charset = FindCharset(cbHtmlHelpOutputEncoding, p.HtmlHelpOutputEncoding);
    if (charset >= 0)
        SetIndex(cbHtmlHelpOutputEncoding, charset);
    SetIndex(cbLanguage, HelpLanguages.GetIndexById(p.CHMSetting.Language));

    FProject->ProjectChanged = false;
    cbWebBackgroundChange();
    CheckOutputFiles();
}

void TfrmMain::cbLanguageChange()
{
    const int index = cbLanguage->currentIndex();
    if (index < 0)
        return;
    const int codePage = HelpLanguages.GetItem(index).CodePage;
    QString charset, fontCharset;
    CodePageToHtmlCharset(codePage, charset);
    CodePageToFontCharset(codePage, fontCharset);
    FProject->CHMSetting.ContentsFont = QStringLiteral(",8,") + fontCharset;
    FProject->CHMSetting.IndexFont = QStringLiteral(",8,") + fontCharset;
    if (charset.isEmpty())
        return;
    const int item = FindCharset(cbHtmlHelpOutputEncoding, charset);
    if (item >= 0)
        SetIndex(cbHtmlHelpOutputEncoding, item);
}

void TfrmMain::cbPDFOutputClick()
{
    if (WordVersion() < 12 && cbPDFOutput->isChecked()) {
        AskUser(this, MessageKind::Warning, UIStrings.GetStringById(QStringLiteral("501")));
        cbPDFOutput->setChecked(false);
    }
}

void TfrmMain::cbWebBackgroundChange()
{
    const QString file = ProgramFolder() + QStringLiteral("webhelp/bg/back%1.jpg").arg(cbWebBackground->currentIndex());
    QPixmap picture;
    if (QFileInfo::exists(file) && picture.load(file))
        Image1->setPixmap(picture);
    else
        Image1->clear();
}

void TfrmMain::InsertIntoCopyright(const QString &Text)
{
    // The edit's own insert replaces the selection and puts the caret after
    // the text; select what was inserted.
    edtCopyright->insert(Text);
    edtCopyright->setFocus();
    const int end = edtCopyright->cursorPosition();
    edtCopyright->setSelection(end - int(Text.size()), int(Text.size()));
}

namespace {
// A file a Save dialog offers: its name in the nearest folder that exists.
QString StartInExistingFolder(const QString &file)
{
    if (file.trimmed().isEmpty())
        return file;
    const QFileInfo info(file);
    const QString folder = NearestExistingFolder(info.path());
    return folder == info.path() ? file : QDir(folder).filePath(info.fileName());
}
} // namespace

void TfrmMain::btnSelectWordFileClick()
{
    OpenFileRequest request;
    request.filter = QtFileFilter(FilterString);
    request.fileName = FProject->RealPath(edtSourceFile->text());
    request.owner = this;
    if (const std::optional<QString> chosen = AskOpenFileName(request))
        edtSourceFile->setText(*chosen);
}

void TfrmMain::btnCompiledFileClick()
{
    SaveFileRequest request;
    request.fileName = StartInExistingFolder(FProject->RealPath(edtCompiledFile->text().trimmed()));
    request.filter = QtFileFilter(QStringLiteral("Windows HTML help(*.CHM)|*.chm"));
    request.defaultSuffix = QStringLiteral("chm");
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtCompiledFile->setText(*chosen);
}

void TfrmMain::btnContextClick()
{
    SaveFileRequest request;
    request.fileName = StartInExistingFolder(FProject->RealPath(4));
    request.filter = QtFileFilter(QStringLiteral("C# (*.cs)|*.cs|VB .NET (*.vb)|*.vb|Delphi (*.pas)|*.pas|C++ (*.h)|*.h|"
                                                 "Visual Basic(*.bas)|*.bas|All file (*.*)|*"));
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtContextFile->setText(*chosen);
}

void TfrmMain::btnSelectFolderClick(int Tag)
{
    QString folder = NearestExistingFolder(FProject->RealPath(Tag == 1 ? 5 : 2));
    if (!BrowseForFolder(this, folder, QStringLiteral("Select a folder:"), 81))
        return;
    (Tag == 1 ? edtHHPFolder : edtWebHelpOutputFolder)->setText(folder);
}

void TfrmMain::Button1Click()
{
    SaveFileRequest request;
    request.fileName = StartInExistingFolder(ExpandProjectPath(FProject->RootDir, edtPDF->text()));
    request.filter = QtFileFilter(QStringLiteral("PDF Files (*.pdf)|*.pdf"));
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtPDF->setText(*chosen);
}

void TfrmMain::TemplateImport(bool HtmlHelp)
{
    OpenFileRequest request;
    request.caption = QStringLiteral("Please select the template file");
    request.filter = QtFileFilter(QStringLiteral("Template file (*.htm, *.html)|*.htm;*.html"));
    request.owner = this;
    const std::optional<QString> chosen = AskOpenFileName(request);
    if (!chosen)
        return;
    if (AskUser(this, MessageKind::Confirmation, QStringLiteral("Are you sure to overwrite the current template?"),
                ButtonYes | ButtonNo) != ButtonYes)
        return;
    QByteArray &stream = HtmlHelp ? FProject->HtmlHelpTemplateStream : FProject->WebHelpTemplateStream;
    QByteArray packed;
    PackTemplate(*chosen, packed); // packs into a copy: a failure leaves the template as it was
    stream = packed;
    FProject->ProjectChanged = true;
    AskUser(this, MessageKind::Information, QStringLiteral("Imported sucessfully!"));
}

void TfrmMain::TemplateChoose(bool HtmlHelp)
{
    QByteArray &stream = HtmlHelp ? FProject->HtmlHelpTemplateStream : FProject->WebHelpTemplateStream;
    const QString folder = UniqueTempFolderName();
    // The temporary folder goes in every case, also when the chooser fails.
    struct Cleanup {
        QString folder;
        ~Cleanup()
        {
            try {
                DeleteFolder(folder);
            } catch (const Exception &) {
            }
        }
    } cleanup{folder};
    QDir().mkpath(folder);
    ExtractTemplateFiles(stream, folder);
    TfrmChooseTemplate chooser(this);
    chooser.CurrentTemplate = folder + GetTemplateMainFile(stream).replace(u'\\', u'/');
    chooser.TemplateType = HtmlHelp ? QStringLiteral("htmlHelp") : QStringLiteral("WebHelp");
    chooser.LoadTemplate();
    if (chooser.exec() != QDialog::Accepted || chooser.TemplateFile().isEmpty())
        return;
    QByteArray packed;
    PackTemplate(chooser.TemplateFile(), packed); // a failure leaves the project's template as it was
    stream = packed;
    FProject->ProjectChanged = true;
}

void TfrmMain::btnCreateWordFileClick()
{
    TfrmCreateNewDocument dialog(this);
    dialog.Project = FProject.get();
    dialog.WordFilter = FilterString;
    dialog.WordExtension = DefaultWordExtension;
    dialog.edtFilename->setText(FProject->SourceFile.isEmpty()
                                    ? QStringLiteral("<Project_Folder>/doc") + DefaultWordExtension
                                    : FProject->SourceFile);
    dialog.edtTitle->setText(FProject->Title);
    if (dialog.exec() != QDialog::Accepted)
        return;
    struct HidePanel {
        QLabel *panel;
        ~HidePanel() { panel->hide(); }
    } hide{Panel1};
    const QString target = FProject->RealPath(dialog.edtFilename->text());
    if (const QString refusal = NewDocumentRefusal(target, *FProject); !refusal.isEmpty())
        throw Exception(refusal);
    Panel1->show();
    Panel1->raise();
    QCoreApplication::processEvents();
    if (!CreateWordDocFromTopicList(target, dialog.Lines()))
        return;
    Panel1->hide();
    edtSourceFile->setText(dialog.edtFilename->text());
    FProject->SourceFile = dialog.edtFilename->text();
    FProject->ProjectChanged = true;
    QString text = UIStrings.GetStringById(QStringLiteral("601"));
    text.replace(QStringLiteral("%s"), dialog.edtFilename->text());
    if (AskUser(this, MessageKind::Confirmation, text, ButtonYes | ButtonNo) == ButtonYes)
        OpenWithDesktop(target, this); // as the Open button: a failure is shown
}

void TfrmMain::btnTopicListClick()
{
    TfrmTopicList topics(this);
    topics.SourceFile = FProject->RealPath(0);
    topics.exec();
}

void TfrmMain::TemplateEdit(bool HtmlHelp)
{
    TfrmHTMLEditor editor(this);
    editor.Project = FProject.get();
    editor.Open(HtmlHelp ? &FProject->HtmlHelpTemplateStream : &FProject->WebHelpTemplateStream);
    editor.exec();
}

void TfrmMain::TemplateExport(bool HtmlHelp)
{
    QString folder;
    if (!BrowseForFolder(this, folder, QStringLiteral("Select a folder:"), 81))
        return;
    if (!IsFolderEmpty(folder)) {
        const PromptButton answer = AskUser(this, MessageKind::Confirmation, UIStrings.GetStringById(QStringLiteral("500")),
                                            ButtonYes | ButtonNo | ButtonCancel);
        if (answer == ButtonCancel)
            return;
        if (answer == ButtonYes) {
            // Never the folder of the project file or its Word document (a
            // slip in the folder dialog would delete the user's work).
            CheckOutputFolderMayBeEmptied(folder, *FProject);
            QString error;
            if (!DeleteFolder(folder, &error)) // refuses protected folders with an exception
                throw Exception(QStringLiteral("Cannot empty \"%1\": %2").arg(folder, error));
        }
    }
    QDir().mkpath(folder);
    ExtractTemplateFiles(HtmlHelp ? FProject->HtmlHelpTemplateStream : FProject->WebHelpTemplateStream, folder);
    if (AskUser(this, MessageKind::Confirmation, QStringLiteral("OK! Do you want to browser the folder?"),
                ButtonYes | ButtonNo) == ButtonYes)
        OpenWithDesktop(folder, this);
}
