#include "app/whelp.h"

#include "app/ContentsIcons.h"
#include "app/SelectColor.h"
#include "foundation/LanguageProcess.h"
#include "foundation/basicinfo.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

namespace {

template <typename W> W *Named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, const QString &hint = QString())
{
    auto *b = Named(new QPushButton(caption, parent), name);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

QToolButton *Picker(QWidget *parent, const char *name, const QString &hint = QString())
{
    auto *b = Named(new QToolButton(parent), name);
    b->setText(QStringLiteral("..."));
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

QComboBox *List(QWidget *parent, const char *name, const QStringList &items)
{
    auto *c = Named(new QComboBox(parent), name);
    c->addItems(items);
    return c;
}

QWidget *Row(QWidget *parent, std::initializer_list<QWidget *> widgets)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : widgets) {
        w->setParent(row);
        layout->addWidget(w, qobject_cast<QLineEdit *>(w) ? 1 : 0);
    }
    return row;
}

// A row holding one control at its own width, at the row's start.
QWidget *Leading(QWidget *parent, QWidget *widget)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    widget->setParent(row);
    layout->addWidget(widget);
    layout->addStretch(1);
    return row;
}

// Puts the focusable controls of a layout into the Tab order in the order
// they were laid out (row by row, left to right), whatever order they were
// created in: a picker button made before its edit box would otherwise come
// first.
void OrderTabsAsLaidOut(const QLayout *layout, QWidget *&previous)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (const QLayout *inner = item->layout()) {
            OrderTabsAsLaidOut(inner, previous);
        } else if (QWidget *w = item->widget()) {
            if (const QLayout *own = w->layout()) {
                OrderTabsAsLaidOut(own, previous);
            } else if (w->focusPolicy() & Qt::TabFocus) {
                if (previous)
                    QWidget::setTabOrder(previous, w);
                previous = w;
            }
        }
    }
}

} // namespace

bool TStartup::Batch() const
{
    return Switch.compare(QStringLiteral("/b"), Qt::CaseInsensitive) == 0 || Silent();
}

bool TStartup::Silent() const
{
    return Switch.compare(QStringLiteral("/bs"), Qt::CaseInsensitive) == 0;
}

TStartup TStartup::FromArguments(const QStringList &arguments)
{
    TStartup s;
    if (!arguments.isEmpty())
        s.ProjectFile = arguments.value(0);
    s.Switch = arguments.value(1);
    return s;
}

TfrmMain::TfrmMain(const TStartup &startup, QWidget *parent) : QMainWindow(parent), FStartup(startup)
{
    setObjectName(QStringLiteral("frmMain"));
    CreateControls();
    CreateMenus();
    ConnectCommands();

    // Word's version decides which source documents are offered.
    if (WordVersion() < 12) {
        FilterString = QStringLiteral("Word Document (*.doc)|*.doc");
        DefaultWordExtension = QStringLiteral(".doc");
    } else {
        FilterString = QStringLiteral("Word Document (*.docx;*.doc)|*.docx;*.doc");
        DefaultWordExtension = QStringLiteral(".docx");
    }
    FProject = std::make_unique<TProject>();

    tmMainFormLoaded = new QTimer(this);
    tmMainFormLoaded->setSingleShot(true);
    tmMainFormLoaded->setInterval(100);
    connect(tmMainFormLoaded, &QTimer::timeout, this, &TfrmMain::tmMainFormLoadedTimer);
    tmMainFormLoaded->start();

    // The idle copy runs whenever the event loop is about to wait.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TfrmMain::OnIdle);
}

TfrmMain::~TfrmMain()
{
    if (FProject && !FProject->IsNew) {
        try {
            recent::Add(FProject->ProjectFilename);
        } catch (const std::exception &) {
            // The settings file cannot be written: the list simply stays as it was.
        }
    }
}

void TfrmMain::CreateControls()
{
    resize(714, 515 + 30);
    // Centred on the screen from the start, so that the start-up questions
    // and the first-start wizard, centred on this window, are too.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setMinimumSize(720, 540);
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    PageControl1 = Named(new QTabWidget(central), "PageControl1");
    tsSource = CreateSourceTab();
    tsCommon = CreateCommonTab();
    tsHtmlHelp = CreateHtmlHelpTab();
    tsWebHelp = CreateWebHelpTab();
    tsPDF = CreatePdfTab();
    tsBuild = CreateBuildTab();
    PageControl1->addTab(tsSource, QStringLiteral("Source Files"));
    PageControl1->addTab(tsCommon, QStringLiteral("Common"));
    PageControl1->addTab(tsHtmlHelp, QStringLiteral("HTML Help"));
    PageControl1->addTab(tsWebHelp, QStringLiteral("Web Help"));
    PageControl1->addTab(tsPDF, QStringLiteral("PDF"));
    PageControl1->addTab(tsBuild, QStringLiteral("Build"));
    layout->addWidget(PageControl1);
    setCentralWidget(central);
    for (int i = 0; i < PageControl1->count(); ++i) {
        QWidget *previous = nullptr;
        OrderTabsAsLaidOut(PageControl1->widget(i)->layout(), previous);
    }

    Panel1 = Named(new QLabel(QStringLiteral("Creating Word file. Please wait..."), central), "Panel1");
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameShape(QFrame::Box);
    Panel1->setAutoFillBackground(true);
    Panel1->setGeometry(207, 230, 300, 60);
    Panel1->hide();
    // Texts of any length: a line edit would cut them at 32,767 characters.
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setMaxLength(std::numeric_limits<int>::max());
}

QWidget *TfrmMain::CreateSourceTab()
{
    auto *tab = Named(new QWidget, "tsSource");
    auto *layout = new QVBoxLayout(tab);
    edtSourceFile = Named(new QLineEdit, "edtSourceFile");
    btnSelectWordFile = Picker(tab, "btnSelectWordFile", QStringLiteral("Select a source file"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Source File:"), Row(tab, {edtSourceFile, btnSelectWordFile}));
    layout->addLayout(form);
    Button3 = Button(tab, "Button3", QStringLiteral("Select..."), QStringLiteral("Select a source file"));
    btnCreateWordFile = Button(tab, "btnCreateWordFile", QStringLiteral("Create.."),
                               QStringLiteral("Create a new Word document as the source file"));
    btnImportChm = Button(tab, "btnImportChm", QStringLiteral("From CHM..."),
                          QStringLiteral("Create a new Word document from existing chm file and set it as the "
                                         "source file"));
    btnOpenWordFile = Button(tab, "btnOpenWordFile", QStringLiteral("Open"), QStringLiteral("Open the source file with Word"));
    btnFolderSourceFile = Button(tab, "btnFolderSourceFile", QStringLiteral("Folder"),
                                 QStringLiteral("Open the folder where the source file is in"));
    // Each command with what it does beside it: the tab is where a writer
    // starts, and the hints alone show only under the mouse.
    auto *commands = new QGroupBox(QStringLiteral("Word document"), tab);
    auto *grid = new QGridLayout(commands);
    int row = 0;
    for (QPushButton *b : {Button3, btnCreateWordFile, btnImportChm, btnOpenWordFile, btnFolderSourceFile}) {
        b->setParent(commands);
        auto *text = new QLabel(b->toolTip(), commands);
        text->setWordWrap(true);
        text->setBuddy(b);
        grid->addWidget(b, row, 0);
        grid->addWidget(text, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addWidget(commands);
    layout->addStretch();
    // The topic list window has no place in the workflow: a hidden button,
    // reached only through its shortcut.
    btnTopicList = Button(tab, "btnTopicList", QStringLiteral("Topics"));
    btnTopicList->hide();
    return tab;
}

QWidget *TfrmMain::CreateCommonTab()
{
    auto *tab = Named(new QWidget, "tsCommon");
    auto *form = new QFormLayout(tab);
    edtChmTitle = Named(new QLineEdit, "edtChmTitle");
    form->addRow(QStringLiteral("Title:"), edtChmTitle);
    edtNavSetting = Named(new QLineEdit, "edtNavSetting");
    edtNavSetting->setReadOnly(true);
    btnSetNavigation = Button(tab, "btnSetNavigation", QStringLiteral("Set..."));
    form->addRow(QStringLiteral("Navigation:"), Row(tab, {edtNavSetting, btnSetNavigation}));
    edtCopyright = Named(new QLineEdit, "edtCopyright");
    btnCopyright = Button(tab, "btnCopyright", QStringLiteral("\u00A9"), QStringLiteral("Insert a copyright symbol"));
    btnReg = Button(tab, "btnReg", QStringLiteral("\u00AE"), QStringLiteral("Insert a registed trademark symbol"));
    btnCopyright->setFocusPolicy(Qt::NoFocus);
    btnReg->setFocusPolicy(Qt::NoFocus);
    form->addRow(QStringLiteral("Footer String:"), Row(tab, {edtCopyright, btnCopyright, btnReg}));
    edtPrevHint = Named(new QLineEdit, "edtPrevHint");
    edtNextHint = Named(new QLineEdit, "edtNextHint");
    form->addRow(QStringLiteral("Previous Hint:"), edtPrevHint);
    form->addRow(QStringLiteral("Next Hint:"), edtNextHint);
    return tab;
}

QWidget *TfrmMain::CreateHtmlHelpTab()
{
    auto *tab = Named(new QWidget, "tsHtmlHelp");
    auto *form = new QFormLayout(tab);
    edtCompiledFile = Named(new QLineEdit, "edtCompiledFile");
    btnCompiledFile = Picker(tab, "btnCompiledFile");
    form->addRow(QStringLiteral("Compiled File:"), Row(tab, {edtCompiledFile, btnCompiledFile}));
    edtHtmlHelpTitle = Named(new QLineEdit, "edtHtmlHelpTitle");
    cbHtmlHelpTitleSame = Named(new QCheckBox(QStringLiteral("Same as project title")), "cbHtmlHelpTitleSame");
    form->addRow(QStringLiteral("Title:"), Row(tab, {edtHtmlHelpTitle, cbHtmlHelpTitleSame}));
    QStringList languages;
    for (int i = 0; i < HelpLanguages.GetCount(); ++i)
        languages << HelpLanguages.GetItem(i).Name;
    cbLanguage = List(tab, "cbLanguage", languages);
    cbLanguage->setCurrentIndex(-1);
    form->addRow(QStringLiteral("Language:"), cbLanguage);
    cbHtmlHelpOutputEncoding = List(tab, "cbHtmlHelpOutputEncoding", OutputCharsets);
    cbHtmlHelpOutputEncoding->setCurrentIndex(-1);
    form->addRow(QStringLiteral("Charset:"), cbHtmlHelpOutputEncoding);
    QStringList icons;
    for (int n = 1; n <= 42; ++n)
        icons << QString::number(n);
    cbbHasChild = List(tab, "cbbHasChild", icons);
    cbbNoChild = List(tab, "cbbNoChild", icons);
    ShowContentsIcons(cbbHasChild);
    ShowContentsIcons(cbbNoChild);
    auto *iconsRow = Row(tab, {new QLabel(QStringLiteral("Book:")), cbbHasChild, new QLabel(QStringLiteral("Topic:")),
                               cbbNoChild});
    form->addRow(QStringLiteral("Default Icons:"), iconsRow);
    cbHtmlHelpExtension = List(tab, "cbHtmlHelpExtension", {QStringLiteral(".htm"), QStringLiteral(".html")});
    form->addRow(QStringLiteral("Page Extension:"), cbHtmlHelpExtension);
    Button2 = Button(tab, "Button2", QStringLiteral("Design CHM Style..."));
    form->addRow(QStringLiteral("Help Window:"), Leading(tab, Button2));
    cbOutputContext = Named(new QCheckBox(QStringLiteral("Output Context File")), "cbOutputContext");
    form->addRow(cbOutputContext);
    edtContextFile = Named(new QLineEdit, "edtContextFile");
    btnContext = Picker(tab, "btnContext");
    btnSetContext = Button(tab, "btnSetContext", QStringLiteral("Options..."));
    form->addRow(QStringLiteral("Context File:"), Row(tab, {edtContextFile, btnContext, btnSetContext}));
    cbOutputHHP = Named(new QCheckBox(QStringLiteral("Output Html Help Workshop Project (hhp)")), "cbOutputHHP");
    form->addRow(cbOutputHHP);
    edtHHPFolder = Named(new QLineEdit, "edtHHPFolder");
    btnSelectHHPFolder = Picker(tab, "btnSelectHHPFolder");
    form->addRow(QStringLiteral("Project Folder:"), Row(tab, {edtHHPFolder, btnSelectHHPFolder}));
    btnCHMChooseTemplate = Button(tab, "btnCHMChooseTemplate", QStringLiteral("Choose..."));
    btnCHMTemplateEdit = Button(tab, "btnCHMTemplateEdit", QStringLiteral("Edit..."));
    btnCHMTemplateImport = Button(tab, "btnCHMTemplateImport", QStringLiteral("Import..."));
    btnCHMTemplateExport = Button(tab, "btnCHMTemplateExport", QStringLiteral("Export..."));
    form->addRow(QStringLiteral("Template:"), Row(tab, {btnCHMChooseTemplate, btnCHMTemplateEdit, btnCHMTemplateImport,
                                                        btnCHMTemplateExport}));
    return tab;
}

QWidget *TfrmMain::CreateWebHelpTab()
{
    auto *tab = Named(new QWidget, "tsWebHelp");
    auto *form = new QFormLayout(tab);
    edtWebHelpOutputFolder = Named(new QLineEdit, "edtWebHelpOutputFolder");
    btnSelectFolder = Picker(tab, "btnSelectFolder");
    form->addRow(QStringLiteral("Output Folder:"), Row(tab, {edtWebHelpOutputFolder, btnSelectFolder}));
    edtWebHelpTitle = Named(new QLineEdit, "edtWebHelpTitle");
    cbWebHelpTilteSame = Named(new QCheckBox(QStringLiteral("Same as project title")), "cbWebHelpTilteSame");
    form->addRow(QStringLiteral("Title:"), Row(tab, {edtWebHelpTitle, cbWebHelpTilteSame}));
    cbWebHelpExtension = List(tab, "cbWebHelpExtension", {QStringLiteral(".htm"), QStringLiteral(".html")});
    form->addRow(QStringLiteral("Page Extension:"), cbWebHelpExtension);
    btnWebhelpInterface = Button(tab, "btnWebhelpInterface", QStringLiteral("Interface Language..."));
    form->addRow(QStringLiteral("Interface Texts:"), Leading(tab, btnWebhelpInterface));
    framWebFontColor = Named(new TframSelectColor(tab), "framWebFontColor");
    framWebBackColor = Named(new TframSelectColor(tab), "framWebBackColor");
    framTOCbackColor = Named(new TframSelectColor(tab), "framTOCbackColor");
    form->addRow(QStringLiteral("Font Color:"), framWebFontColor);
    form->addRow(QStringLiteral("Background Color:"), framWebBackColor);
    QStringList backgrounds{QStringLiteral("No image")};
    for (int n = 1; n <= 9; ++n)
        backgrounds << QStringLiteral("back%1.jpg").arg(n);
    cbWebBackground = List(tab, "cbWebBackground", backgrounds);
    Image1 = Named(new QLabel, "Image1");
    Image1->setFixedSize(200, 24);
    Image1->setScaledContents(true);
    form->addRow(QStringLiteral("Background Image:"), Row(tab, {cbWebBackground, Image1}));
    cbStartFromRoot = Named(new QCheckBox(QStringLiteral("Start Line from the Root")), "cbStartFromRoot");
    cbDrawLines = Named(new QCheckBox(QStringLiteral("Draw Lines")), "cbDrawLines");
    cbAutoCollapse = Named(new QCheckBox(QStringLiteral("Auto Collapse")), "cbAutoCollapse");
    cbRealColorIcon = Named(new QCheckBox(QStringLiteral("Use Real-color Icons")), "cbRealColorIcon");
    cbShowIndex = Named(new QCheckBox(QStringLiteral("Show Index")), "cbShowIndex");
    auto *box = new QGroupBox(QStringLiteral("Contents"), tab);
    auto *grid = new QGridLayout(box);
    grid->addWidget(cbStartFromRoot, 0, 0);
    grid->addWidget(cbDrawLines, 0, 1);
    grid->addWidget(cbAutoCollapse, 1, 0);
    grid->addWidget(cbRealColorIcon, 1, 1);
    grid->addWidget(cbShowIndex, 2, 0);
    seNavWidth = Named(new QSpinBox, "seNavWidth");
    // The width of the WebHelp contents frame in pixels: narrower shows no
    // title, wider leaves no room for the page.
    seNavWidth->setRange(kNavWidthLowest, kNavWidthHighest);
    seNavWidth->setSuffix(QStringLiteral(" px"));
    grid->addWidget(Row(box, {new QLabel(QStringLiteral("Width:")), seNavWidth}), 2, 1);
    grid->addWidget(Row(box, {new QLabel(QStringLiteral("Background Color:")), framTOCbackColor}), 3, 0, 1, 2);
    form->addRow(box);
    btnWebhelpChooseTemplate = Button(tab, "btnWebhelpChooseTemplate", QStringLiteral("Choose..."));
    btnWebHelpTemplateEdit = Button(tab, "btnWebHelpTemplateEdit", QStringLiteral("Edit..."));
    btnWeblHelpTemplateImport = Button(tab, "btnWeblHelpTemplateImport", QStringLiteral("Import..."));
    btnWeblHelpTemplateExport = Button(tab, "btnWeblHelpTemplateExport", QStringLiteral("Export..."));
    form->addRow(QStringLiteral("Template:"), Row(tab, {btnWebhelpChooseTemplate, btnWebHelpTemplateEdit,
                                                        btnWeblHelpTemplateImport, btnWeblHelpTemplateExport}));
    return tab;
}

QWidget *TfrmMain::CreatePdfTab()
{
    auto *tab = Named(new QWidget, "tsPDF");
    auto *form = new QFormLayout(tab);
    edtPDF = Named(new QLineEdit, "edtPDF");
    Button1 = Picker(tab, "Button1");
    form->addRow(QStringLiteral("PDF File:"), Row(tab, {edtPDF, Button1}));
    cbPanes = List(tab, "cbPanes",
                   {QStringLiteral("Page only"), QStringLiteral("Bookmarks and page"), QStringLiteral("Thumbnails and page")});
    cbMagnification = List(tab, "cbMagnification",
                           {QStringLiteral("Default"), QStringLiteral("Fit in window"), QStringLiteral("Fit width"),
                            QStringLiteral("Fit visible"), QStringLiteral("Zoom factor(100%)")});
    cbMagnification->setCurrentIndex(4);
    cbPageLayout = List(tab, "cbPageLayout",
                        {QStringLiteral("Default"), QStringLiteral("Single page"), QStringLiteral("Continuous"),
                         QStringLiteral("Continuous facing")});
    form->addRow(QStringLiteral("Navigation Tab:"), cbPanes);
    form->addRow(QStringLiteral("Magnification:"), cbMagnification);
    form->addRow(QStringLiteral("Page Layout:"), cbPageLayout);
    return tab;
}

QWidget *TfrmMain::CreateBuildTab()
{
    auto *tab = Named(new QWidget, "tsBuild");
    auto *grid = new QGridLayout(tab);
    cbHTMLHelpOutput = Named(new QCheckBox(QStringLiteral("HTML Help")), "cbHTMLHelpOutput");
    cbWebHelpOutput = Named(new QCheckBox(QStringLiteral("Web Help")), "cbWebHelpOutput");
    cbPDFOutput = Named(new QCheckBox(QStringLiteral("PDF")), "cbPDFOutput");
    edtOpenHTMLHelp = Named(new QLineEdit, "edtOpenHTMLHelp");
    edtOpenWebhelp = Named(new QLineEdit, "edtOpenWebhelp");
    edtOpenPDF = Named(new QLineEdit, "edtOpenPDF");
    lbHTMLHelpCreatedDate = Named(new QLabel, "lbHTMLHelpCreatedDate");
    lbWebHelpCreatedDate = Named(new QLabel, "lbWebHelpCreatedDate");
    lbPDFCreatedDate = Named(new QLabel, "lbPDFCreatedDate");
    btnOpenHTMLHelp = Button(tab, "btnOpenHTMLHelp", QStringLiteral("Open"));
    btnOpenWebHelp = Button(tab, "btnOpenWebHelp", QStringLiteral("Open"));
    btnOpenPDF = Button(tab, "btnOpenPDF", QStringLiteral("Open"));
    btnFolderHTMLHelp = Button(tab, "btnFolderHTMLHelp", QStringLiteral("Folder"));
    btnFolderWebHelp = Button(tab, "btnFolderWebHelp", QStringLiteral("Folder"));
    btnFolderPDF = Button(tab, "btnFolderPDF", QStringLiteral("Folder"));
    struct Line {
        QCheckBox *check;
        QLineEdit *path;
        QLabel *date;
        QPushButton *open, *folder;
    };
    const Line lines[] = {
        {cbHTMLHelpOutput, edtOpenHTMLHelp, lbHTMLHelpCreatedDate, btnOpenHTMLHelp, btnFolderHTMLHelp},
        {cbWebHelpOutput, edtOpenWebhelp, lbWebHelpCreatedDate, btnOpenWebHelp, btnFolderWebHelp},
        {cbPDFOutput, edtOpenPDF, lbPDFCreatedDate, btnOpenPDF, btnFolderPDF},
    };
    int row = 0;
    for (const Line &l : lines) {
        l.path->setReadOnly(true);
        grid->addWidget(l.check, row, 0);
        grid->addWidget(l.path, row, 1);
        grid->addWidget(l.open, row, 2);
        grid->addWidget(l.folder, row, 3);
        grid->addWidget(l.date, row + 1, 1);
        row += 2;
    }
    btnBuild = Button(tab, "btnBuild", QStringLiteral("Build"));
    btnBuild->setMinimumHeight(36);
    grid->addWidget(btnBuild, row, 1, 1, 1, Qt::AlignCenter);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
    tmBuild = new QTimer(this);
    tmBuild->setInterval(1000);
    return tab;
}

void TfrmMain::CreateMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = file->addAction(QStringLiteral("New"));
    New1->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    Open1 = file->addAction(QStringLiteral("Open"));
    Open1->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    Save1 = file->addAction(QStringLiteral("Save"));
    Save1->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    Saveas1 = file->addAction(QStringLiteral("Save As..."));
    meuRecent = file->addMenu(QStringLiteral("Recent projects"));
    meuRecent->setObjectName(QStringLiteral("meuRecent"));
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("Exit"));
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    Howtouse1 = help->addAction(QStringLiteral("How to use..."));
    Howtouse1->setShortcut(QKeySequence(Qt::Key_F1));
    About1 = help->addAction(QStringLiteral("About"));
}

void TfrmMain::OnIdle()
{
    // Only while the window is shown and usable: a modal window (a dialog, the
    // building window) suspends the copy, and a silent batch never shows it.
    if (!FCreated || FInIdle || !isVisible() || !isEnabled() || QApplication::activeModalWidget())
        return;
    FInIdle = true;
    Guarded([this] { Action2Update(); });
    FInIdle = false;
}
