// The main window's settings synchronisation: the idle copy from the controls
// into the project, the copy back after a project is opened, and the small
// commands of the settings tabs.
#include "app/FlashScreen.h"
#include "app/SelectColor.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"

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
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

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
    if (edit->text() != text)
        edit->setText(text);
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
    connect(Howtouse1, &QAction::triggered, this, [] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(ProgramFolder() + QStringLiteral("inkvane.chm")));
    });
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

    AssignProjectString(p, edtSourceFile->text(), p.SourceFile);
    AssignProjectString(p, edtChmTitle->text(), p.Title);
    AssignProjectString(p, edtNavSetting->text(), p.NavSetting);
    AssignProjectString(p, edtCopyright->text(), p.CopyRight);
    AssignProjectString(p, edtPrevHint->text(), p.PrevHint);
    AssignProjectString(p, edtNextHint->text(), p.NextHint);
    AssignProjectString(p, edtCompiledFile->text(), p.CompiledFile);
    AssignProjectInteger(p, cbbHasChild->currentIndex(), p.HasChild);
    AssignProjectInteger(p, cbbNoChild->currentIndex(), p.NoChild);
    AssignProjectBoolean(p, cbHTMLHelpOutput->isChecked(), p.HtmlHelpOutput);
    AssignProjectBoolean(p, cbHtmlHelpTitleSame->isChecked(), p.HtmlHelpTitleSame);
    AssignProjectString(p, CharsetValue(cbHtmlHelpOutputEncoding, cbHtmlHelpOutputEncoding->currentIndex()),
                        p.HtmlHelpOutputEncoding);
    AssignProjectBoolean(p, cbOutputContext->isChecked(), p.HtmlHelpOutputContext);
    AssignProjectString(p, edtContextFile->text(), p.HtmlHelpContextFile);
    AssignProjectInteger(p, cbHtmlHelpExtension->currentIndex(), p.HtmlHelpExtension);
    AssignProjectBoolean(p, cbOutputHHP->isChecked(), p.OutputHHP);
    AssignProjectString(p, edtHHPFolder->text(), p.HHPFolder);
    AssignProjectBoolean(p, cbWebHelpOutput->isChecked(), p.WebHelpOutput);
    AssignProjectString(p, edtWebHelpOutputFolder->text(), p.WebHelpOutputFolder);
    AssignProjectBoolean(p, cbWebHelpTilteSame->isChecked(), p.WebHelpTilteSame);
    AssignProjectInteger(p, cbWebHelpExtension->currentIndex(), p.WebHelpExtension);
    AssignProjectBoolean(p, cbStartFromRoot->isChecked(), p.StartFromRoot);
    AssignProjectBoolean(p, cbAutoCollapse->isChecked(), p.AutoCollapse);
    AssignProjectBoolean(p, cbDrawLines->isChecked(), p.DrawLines);
    AssignProjectString(p, framTOCbackColor->edtColor->text(), p.TOCBackColor);
    AssignProjectBoolean(p, cbRealColorIcon->isChecked(), p.RealColorIcon);
    AssignProjectBoolean(p, cbShowIndex->isChecked(), p.ShowIndex);
    AssignProjectInteger(p, seNavWidth->value(), p.NavWidth);
    AssignProjectString(p, framWebFontColor->edtColor->text(), p.WebFontColor);
    AssignProjectString(p, framWebBackColor->edtColor->text(), p.WebBackColor);
    AssignProjectInteger(p, cbWebBackground->currentIndex(), p.WebBackground);
    AssignProjectBoolean(p, cbPDFOutput->isChecked(), p.PDFOutput);
    AssignProjectString(p, edtPDF->text(), p.PDFFile);
    AssignProjectInteger(p, cbPanes->currentIndex(), p.Panes);
    AssignProjectInteger(p, cbMagnification->currentIndex(), p.Magnification);
    AssignProjectInteger(p, cbPageLayout->currentIndex(), p.PageLayout);
    if (cbLanguage->currentIndex() >= 0)
        AssignProjectString(p, HelpLanguages.GetItem(cbLanguage->currentIndex()).Id, p.CHMSetting.Language);

    SetCaption();
}

void TfrmMain::ProjectToControl()
{
    const TProject &p = *FProject;
    SetText(edtSourceFile, p.SourceFile);
    SetText(edtChmTitle, p.Title);
    SetText(edtNavSetting, p.NavSetting);
    SetText(edtCopyright, p.CopyRight);
    SetText(edtPrevHint, p.PrevHint);
    SetText(edtNextHint, p.NextHint);
    SetText(edtCompiledFile, p.CompiledFile);
    SetText(edtHtmlHelpTitle, p.HtmlHelpTitle);
    SetChecked(cbHtmlHelpTitleSame, p.HtmlHelpTitleSame);
    SetIndex(cbbHasChild, p.HasChild);
    SetIndex(cbbNoChild, p.NoChild);
    SetIndex(cbHtmlHelpExtension, p.HtmlHelpExtension);
    SetChecked(cbOutputContext, p.HtmlHelpOutputContext);
    SetText(edtContextFile, p.HtmlHelpContextFile);
    SetChecked(cbOutputHHP, p.OutputHHP);
    SetText(edtHHPFolder, p.HHPFolder);
    SetText(edtWebHelpOutputFolder, p.WebHelpOutputFolder);
    SetText(edtWebHelpTitle, p.WebHelpTitle);
    SetChecked(cbWebHelpTilteSame, p.WebHelpTilteSame);
    SetIndex(cbWebHelpExtension, p.WebHelpExtension);
    SetText(framWebFontColor->edtColor, p.WebFontColor);
    SetText(framWebBackColor->edtColor, p.WebBackColor);
    SetIndex(cbWebBackground, p.WebBackground);
    SetChecked(cbStartFromRoot, p.StartFromRoot);
    SetChecked(cbDrawLines, p.DrawLines);
    SetChecked(cbAutoCollapse, p.AutoCollapse);
    SetChecked(cbRealColorIcon, p.RealColorIcon);
    SetChecked(cbShowIndex, p.ShowIndex);
    if (seNavWidth->value() != p.NavWidth)
        seNavWidth->setValue(p.NavWidth);
    SetText(framTOCbackColor->edtColor, p.TOCBackColor);
    SetText(edtPDF, p.PDFFile);
    SetIndex(cbPanes, p.Panes);
    SetIndex(cbMagnification, p.Magnification);
    SetIndex(cbPageLayout, p.PageLayout);
    SetChecked(cbHTMLHelpOutput, p.HtmlHelpOutput);
    SetChecked(cbWebHelpOutput, p.WebHelpOutput);
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
    request.fileName = FProject->RealPath(edtCompiledFile->text().trimmed());
    if (!request.fileName.isEmpty())
        QDir().mkpath(QFileInfo(request.fileName).absolutePath());
    request.filter = QtFileFilter(QStringLiteral("Windows HTML help(*.CHM)|*.chm"));
    request.defaultSuffix = QStringLiteral("chm");
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtCompiledFile->setText(*chosen);
}

void TfrmMain::btnContextClick()
{
    SaveFileRequest request;
    request.fileName = FProject->RealPath(4);
    request.filter = QtFileFilter(QStringLiteral("C# (*.cs)|*.cs|VB .NET (*.vb)|*.vb|Delphi (*.pas)|*.pas|C++ (*.h)|*.h|"
                                                 "Visual Basic(*.bas)|*.bas|All file (*.*)|*"));
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtContextFile->setText(*chosen);
}

void TfrmMain::btnSelectFolderClick(int Tag)
{
    QString folder = FProject->RealPath(Tag == 1 ? 5 : 2).trimmed();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        folder = QDir::rootPath();
    if (!BrowseForFolder(this, folder, QStringLiteral("Select a folder:"), 81))
        return;
    (Tag == 1 ? edtHHPFolder : edtWebHelpOutputFolder)->setText(folder);
}

void TfrmMain::Button1Click()
{
    SaveFileRequest request;
    request.fileName = ExpandProjectPath(FProject->RootDir, edtPDF->text());
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
            QString error;
            if (!DeleteFolder(folder, &error)) // refuses protected folders with an exception
                throw Exception(QStringLiteral("Cannot empty \"%1\": %2").arg(folder, error));
        }
    }
    QDir().mkpath(folder);
    ExtractTemplateFiles(HtmlHelp ? FProject->HtmlHelpTemplateStream : FProject->WebHelpTemplateStream, folder);
    if (AskUser(this, MessageKind::Confirmation, QStringLiteral("OK! Do you want to browser the folder?"),
                ButtonYes | ButtonNo) == ButtonYes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
