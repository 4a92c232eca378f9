#include "app/HTMLEditor.h"

#include "app/ChooseTemplate.h"
#include "app/PagePreview.h"
#include "app/SelectColor.h"
#include "app/SourceColoring.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/Prompt.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"

#include <QColorDialog>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

int EditorTypeOf(const QString &ext)
{
    static const QStringList images{".gif", ".jpe", ".jpeg", ".jpg", ".png"};
    static const QStringList sources{".css", ".js", ".xml", ".htm", ".html", ".txt"};
    const QString e = ext.toLower();
    if (images.contains(e))
        return 2;
    if (sources.contains(e))
        return 1;
    return 0;
}

QString ReplaceImageFilter(const QString &ext)
{
    const QString e = ext.toLower();
    if (e == u".gif")
        return QStringLiteral("GIF Image (*.gif)|*.gif");
    if (e == u".png")
        return QStringLiteral("Portable Network Graphics (*.png)|*.png");
    if (e == u".jpg" || e == u".jpe" || e == u".jpeg")
        return QStringLiteral("JPEG Image File (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg");
    return QStringLiteral(
        "All (*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.ico;*.emf;*.wmf)|*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.tif;"
        "*.tiff;*.ico;*.emf;*.wmf|GIF Image (*.gif)|*.gif|Portable Network Graphics (*.png)|*.png|JPEG Image File "
        "(*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|TIFF Images (*.tif)|*.tif|TIFF Images "
        "(*.tiff)|*.tiff|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
}

QStringList LoadProgramDataLines(const QString &name)
{
    const QString path = ProgramFolder() + name;
    if (!QFileInfo(path).isFile())
        throw Exception(QStringLiteral("The data file \"%1\" does not exist.").arg(QDir::toNativeSeparators(path)));
    QStringList lines;
    for (const QString &line : LoadTextFile(path, QString()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        if (!line.trimmed().isEmpty())
            lines << line;
    return lines;
}

namespace {

QToolButton *Tool(QToolBar *bar, const char *name, const QString &caption, const QString &hint,
                  QStyle::StandardPixmap icon)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->addWidget(b);
    return b;
}

TPagePreview *Browser(const char *name)
{
    auto *view = new TPagePreview;
    view->setObjectName(QString::fromLatin1(name));
    return view;
}

// The text of a file in the encoding its own charset declaration names (a
// byte-order mark wins): a page read in another code page than it is saved
// in would be garbled on Save.
QString LoadSourceText(const QString &fileName)
{
    QString text = LoadTextFileSafe(fileName, QString());
    const int encoding = GetHtmlEncoding(text);
    if (encoding == TextEncodingUtf8)
        text = LoadTextFileSafe(fileName, QStringLiteral("65001"));
    else if (encoding > TextEncodingUtf16)
        text = LoadTextFileSafe(fileName, QString::number(encoding));
    return text;
}

} // namespace

TfrmHTMLEditor::TfrmHTMLEditor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHTMLEditor"));
    setWindowTitle(QStringLiteral("Template Editor"));
    auto *bar = new QToolBar;
    ToolButton2 = Tool(bar, "ToolButton2", QStringLiteral("Save&&Exit"), QStringLiteral("Save and Exit"),
                       QStyle::SP_DialogOkButton);
    tbtnSave = Tool(bar, "tbtnSave", QStringLiteral("Save"), QStringLiteral("Save"), QStyle::SP_DialogSaveButton);
    tbtnRefresh = Tool(bar, "tbtnRefresh", QStringLiteral("Refresh"), QStringLiteral("Refresh"), QStyle::SP_BrowserReload);
    tbtnExplore = Tool(bar, "tbtnExplore", QStringLiteral("Explore"), QStringLiteral("Open template folder"),
                       QStyle::SP_DirOpenIcon);
    bar->addSeparator();
    tbtnReplace = Tool(bar, "tbtnReplace", QStringLiteral("Replace Image"), QStringLiteral("Replace image"),
                       QStyle::SP_FileDialogContentsView);
    tbtnColor = Tool(bar, "tbtnColor", QStringLiteral("Color"), QStringLiteral("Insert color value"),
                     QStyle::SP_DesktopIcon);
    tbtnFont = Tool(bar, "tbtnFont", QStringLiteral("Font"), QStringLiteral("Insert font name"),
                    QStyle::SP_FileDialogDetailedView);
    tbtnCSSCode = Tool(bar, "tbtnCSSCode", QStringLiteral("CSS Code"), QStringLiteral("Insert CSS code"),
                       QStyle::SP_FileIcon);
    for (QToolButton *b : {tbtnReplace, tbtnColor, tbtnFont, tbtnCSSCode})
        b->setEnabled(false);

    lbFiles = new QListWidget;
    lbFiles->setObjectName(QStringLiteral("lbFiles"));
    wbEditor = Browser("wbEditor");
    wbBrowser = Browser("wbBrowser");
    RichEdit1 = new QTextEdit;
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setTabChangesFocus(false);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The editor keeps its own history of the text: the view's would also
    // record every re-colouring, which runs after each key.
    RichEdit1->setUndoRedoEnabled(false);
    RichEdit1->installEventFilter(this);
    RichEdit1->viewport()->installEventFilter(this);
    Views = new QStackedWidget;
    Views->addWidget(wbEditor);
    Views->addWidget(wbBrowser);
    Views->addWidget(RichEdit1);

    auto *left = new QWidget;
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(QStringLiteral("Files:")));
    leftLayout->addWidget(lbFiles, 1);
    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(left);
    splitter->addWidget(Views);
    splitter->setStretchFactor(1, 4);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);
    resize(900, 600);

    connect(lbFiles, &QListWidget::itemClicked, this, [this] { Guard([&] { lbFilesClick(); }); });
    connect(tbtnSave, &QToolButton::clicked, this, [this] { Guard([&] { tbtnSaveClick(); }); });
    connect(ToolButton2, &QToolButton::clicked, this, [this] {
        if (Guard([&] { tbtnSaveClick(); }))
            accept();
    });
    connect(tbtnRefresh, &QToolButton::clicked, this, [this] { Guard([&] { Refresh(); }); });
    connect(tbtnExplore, &QToolButton::clicked, this,
            [this] { OpenWithDesktop(tempDir, this); });
    connect(tbtnReplace, &QToolButton::clicked, this, [this] { Guard([&] { tbtnReplaceClick(); }); });
    connect(tbtnColor, &QToolButton::clicked, this, [this] { Guard([&] { tbtnColorClick(); }); });
    connect(tbtnFont, &QToolButton::clicked, this, [this] { Guard([&] { tbtnFontClick(); }); });
    connect(tbtnCSSCode, &QToolButton::clicked, this, [this] { Guard([&] { tbtnCSSCodeClick(); }); });
    connect(RichEdit1, &QTextEdit::selectionChanged, this, [this] { RichEdit1SelectionChange(); });
    connect(RichEdit1, &QTextEdit::textChanged, this, [this] { RecordEdit(); });
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) { ShowSourceMenu(p); });
}

TfrmHTMLEditor::~TfrmHTMLEditor()
{
    if (tempDir.isEmpty())
        return;
    try {
        DeleteFolder(tempDir);
    } catch (const Exception &) {
        // a protected folder is never the editor's own; leave it
    }
}

bool TfrmHTMLEditor::Guard(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const Exception &e) {
        ShowMessage(MessageRequest{MessageKind::Error, e.message(), QString(), ButtonOk, ButtonNone, this});
    } catch (const std::exception &e) {
        ShowMessage(MessageRequest{MessageKind::Error, QString::fromLocal8Bit(e.what()), QString(), ButtonOk,
                                   ButtonNone, this});
    }
    return false;
}

TFilesInTemplate *TfrmHTMLEditor::Entry(int row) const
{
    return row >= 0 && row < int(Items.size()) ? Items[size_t(row)].get() : nullptr;
}

void TfrmHTMLEditor::Open(QByteArray *Stream_)
{
    Stream = Stream_;
    const QString main = GetTemplateMainFile(*Stream);
    tempDir = UniqueTempFolderName();
    MainFile = tempDir + QString(main).replace(u'\\', u'/');
    QDir().mkpath(tempDir);
    ExtractTemplateFiles(*Stream, tempDir); // checks the whole package before writing anything
    Refresh();
}

void TfrmHTMLEditor::Refresh()
{
    if (tempDir.isEmpty() || !QFileInfo(tempDir).isDir()) {
        ShowMessage(MessageRequest{MessageKind::Error, QStringLiteral("The template folder is lost!"), QString(),
                                   ButtonOk, ButtonNone, this});
        return;
    }
    if (!QFileInfo(MainFile).isFile()) {
        TfrmUnableFound unable(this);
        unable.GetFiles(tempDir);
        if (ExecDialog(&unable) != QDialog::Accepted || !unable.lbAvailablefiles->currentItem())
            return;
        MainFile = tempDir + unable.lbAvailablefiles->currentItem()->text();
    }
    // An edit still in the source view reaches its file before the list is rebuilt.
    if (CurrentItemIndex >= 0)
        SaveSourceIfModified();
    QStringList files;
    ListTemplateFiles(MainFile, files);
    if (files.isEmpty())
        files << MainFile;
    Items.clear();
    lbFiles->clear();
    CurrentItemIndex = -1;
    const QString pageName = QFileInfo(MainFile).fileName();
    auto add = [this](const QString &caption, const QString &url, int type) {
        auto item = std::make_unique<TFilesInTemplate>();
        item->url = url;
        item->ext = QFileInfo(url).suffix().isEmpty() ? QString() : u'.' + QFileInfo(url).suffix().toLower();
        item->EditorType = type;
        Items.push_back(std::move(item));
        lbFiles->addItem(caption);
    };
    add(pageName + QStringLiteral(" (Preview)"), MainFile, 3);
    add(pageName + QStringLiteral(" (Source)"), MainFile, 1);
    const QString folder = QFileInfo(MainFile).absolutePath() + u'/';
    for (int i = 1; i < files.size(); ++i) {
        const QString full = QFileInfo(files[i]).absoluteFilePath();
        // Files outside the template's folder are not part of the package and
        // must not be edited or replaced from here.
        if (!full.startsWith(folder))
            continue;
        const QFileInfo fi(full);
        add(fi.fileName(), full, EditorTypeOf(u'.' + fi.suffix()));
    }
    lbFiles->setCurrentRow(0);
    lbFilesClick();
}

void TfrmHTMLEditor::SaveSourceIfModified()
{
    TFilesInTemplate *it = It();
    if (!it || it->EditorType != 1 || !RichEdit1->document()->isModified())
        return;
    QString error;
    if (!SaveHtmlFile(RichEdit1->toPlainText(), it->url, &error))
        throw Exception(error.isEmpty() ? QStringLiteral("Cannot save \"%1\".").arg(it->url) : error);
    RichEdit1->document()->setModified(false);
}

void TfrmHTMLEditor::lbFilesClick()
{
    const int row = lbFiles->currentRow();
    TFilesInTemplate *entry = Entry(row);
    if (!entry)
        return;
    if (CurrentItemIndex >= 0)
        SaveSourceIfModified();
    for (QToolButton *b : {tbtnReplace, tbtnColor, tbtnFont, tbtnCSSCode})
        b->setEnabled(false);
    switch (entry->EditorType) {
    case 2:
        wbBrowser->ShowFile(entry->url, tempDir);
        Views->setCurrentWidget(wbBrowser);
        tbtnReplace->setEnabled(true);
        break;
    case 3:
        // A new load, even of the same address, so that a saved edit shows.
        wbEditor->ShowFile(entry->url, tempDir);
        Views->setCurrentWidget(wbEditor);
        break;
    case 1:
        for (QToolButton *b : {tbtnColor, tbtnFont, tbtnCSSCode})
            b->setEnabled(true);
        if (RichEditTag != row + 1) {
            {
                const QSignalBlocker block(RichEdit1);
                RichEdit1->setPlainText(LoadSourceText(entry->url));
            }
            RichEditTag = row + 1;
            CurrentItemIndex = row; // the colouring follows this entry's extension
            ColorCode();
            RichEdit1->moveCursor(QTextCursor::Start);
            RichEdit1->document()->setModified(false);
            ResetHistory();
        }
        Views->setCurrentWidget(RichEdit1);
        RichEdit1->setFocus();
        break;
    default:
        break;
    }
    CurrentItemIndex = row;
}

void TfrmHTMLEditor::ColorCode()
{
    const TFilesInTemplate *it = It();
    const QString ext = it ? it->ext : QString();
    ColorCodeEdit(RichEdit1, ext == u".css" ? ColorModeCss : ext == u".js" ? ColorModeScript : ColorModeHtml);
    RichEdit1->setFocus();
}

void TfrmHTMLEditor::InsertCode(const QString &Code)
{
    QTextCursor cursor = RichEdit1->textCursor();
    const int start = cursor.selectionStart();
    cursor.insertText(Code);
    cursor.setPosition(start);
    cursor.setPosition(start + int(Code.size()), QTextCursor::KeepAnchor);
    RichEdit1->setTextCursor(cursor);
    ColorCode();
}

void TfrmHTMLEditor::tbtnSaveClick()
{
    if (!It() || !Stream)
        return;
    SaveSourceIfModified();
    PackTemplate(MainFile, *Stream); // replaces the package only once it is made
    FUnsaved = false;
    if (Project)
        Project->ProjectChanged = true;
}

void TfrmHTMLEditor::ResetHistory()
{
    FHistory = QStringList{RichEdit1->toPlainText()};
    FHistoryIndex = 0;
}

void TfrmHTMLEditor::RecordEdit()
{
    if (FRestoring)
        return;
    const QString text = RichEdit1->toPlainText();
    if (FHistoryIndex < FHistory.size() && FHistory[FHistoryIndex] == text)
        return;
    // A new edit after Undo ends the steps that could have been redone.
    FHistory = FHistory.mid(0, FHistoryIndex + 1);
    FHistory << text;
    constexpr int MaxSteps = 1000;
    if (FHistory.size() > MaxSteps)
        FHistory.removeFirst();
    FHistoryIndex = int(FHistory.size()) - 1;
    FUnsaved = true;
}

void TfrmHTMLEditor::RestoreHistory(int Index)
{
    if (Index < 0 || Index >= FHistory.size() || Index == FHistoryIndex)
        return;
    const QString &from = FHistory[FHistoryIndex];
    const QString &to = FHistory[Index];
    // The caret goes to the end of what differs between the two texts: where
    // the edit was.
    int same = 0;
    while (same < from.size() && same < to.size() && from[same] == to[same])
        ++same;
    int tail = 0;
    while (tail < from.size() - same && tail < to.size() - same
           && from[from.size() - 1 - tail] == to[to.size() - 1 - tail])
        ++tail;
    FRestoring = true;
    QTextCursor all(RichEdit1->document());
    all.select(QTextCursor::Document);
    all.insertText(to);
    FRestoring = false;
    FHistoryIndex = Index;
    FUnsaved = true;
    ColorCode();
    QTextCursor caret = RichEdit1->textCursor();
    caret.setPosition(int(to.size()) - tail);
    RichEdit1->setTextCursor(caret);
}

void TfrmHTMLEditor::Undo()
{
    RestoreHistory(FHistoryIndex - 1);
}

void TfrmHTMLEditor::Redo()
{
    RestoreHistory(FHistoryIndex + 1);
}

void TfrmHTMLEditor::reject()
{
    if (FUnsaved || RichEdit1->document()->isModified()) {
        const PromptButton answer = ShowMessage(
            MessageRequest{MessageKind::Confirmation,
                           QStringLiteral("The template has been changed.\nDo you want to save the changes?"),
                           QStringLiteral("Confirm"), ButtonYes | ButtonNo | ButtonCancel, ButtonYes, this});
        if (answer == ButtonCancel || (answer == ButtonYes && !Guard([&] { tbtnSaveClick(); })))
            return;
    }
    QDialog::reject();
}

void TfrmHTMLEditor::tbtnReplaceClick()
{
    TFilesInTemplate *it = It();
    if (!it || it->EditorType != 2)
        return;
    OpenFileRequest request;
    request.fileName = it->url;
    request.filter = QtFileFilter(ReplaceImageFilter(it->ext));
    request.owner = this;
    if (const std::optional<QString> chosen = AskOpenFileName(request)) {
        if (QFileInfo(*chosen).absoluteFilePath() != QFileInfo(it->url).absoluteFilePath()) {
            // Copied beside the old file first, so a failed copy leaves it as it was.
            const QString part = it->url + QStringLiteral(".part");
            QFile::remove(part);
            if (!QFile::copy(*chosen, part))
                throw Exception(QStringLiteral("Cannot copy the image \"%1\" into the template.").arg(*chosen));
            QFile::remove(it->url);
            if (!QFile::rename(part, it->url)) {
                QFile::remove(part);
                throw Exception(QStringLiteral("Cannot replace the image \"%1\".").arg(it->url));
            }
            FUnsaved = true;
        }
    }
    wbBrowser->ShowFile(it->url, tempDir);
    wbBrowser->reload();
}

void TfrmHTMLEditor::tbtnColorClick()
{
    if (!It() || It()->EditorType != 1)
        return;
    QColor chosen = PickColor ? PickColor(LastColor, this) : QColorDialog::getColor(LastColor, this);
    if (!chosen.isValid())
        return;
    LastColor = chosen;
    InsertCode(ColorToHtml(quint32(chosen.red()) | quint32(chosen.green()) << 8 | quint32(chosen.blue()) << 16));
    SetButtonColorBar(tbtnColor, chosen);
}

void TfrmHTMLEditor::tbtnFontClick()
{
    if (!It() || It()->EditorType != 1)
        return;
    TfrmSelectFontName picker(this); // throws before anything is shown when fonts.dat is missing
    if (ExecDialog(&picker) == QDialog::Accepted)
        InsertCode(picker.edtFont->text());
}

void TfrmHTMLEditor::tbtnCSSCodeClick()
{
    if (!It() || It()->EditorType != 1)
        return;
    TfrmCSSCode picker(this);
    if (ExecDialog(&picker) == QDialog::Accepted)
        InsertCode(picker.edtCode->text());
}

void TfrmHTMLEditor::RichEdit1SelectionChange()
{
    const QString text = RichEdit1->textCursor().selectedText().trimmed();
    if (text.size() != 7 || !text.startsWith(u'#'))
        return;
    const quint32 value = HtmlToColor(text);
    if (value == NoColor)
        return;
    LastColor = QColor(int(value & 0xFF), int(value >> 8 & 0xFF), int(value >> 16 & 0xFF));
    SetButtonColorBar(tbtnColor, LastColor);
}

bool TfrmHTMLEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RichEdit1 && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool undo = key->matches(QKeySequence::Undo), redo = key->matches(QKeySequence::Redo);
        if (undo || redo) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                undo ? Undo() : Redo();
            return true;
        }
    }
    if (watched == RichEdit1 && event->type() == QEvent::KeyRelease) {
        ColorCode();
    } else if (watched == RichEdit1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The view's own double-click selection first, then the widening.
        QTimer::singleShot(0, this, [this] { SelectToken(RichEdit1); });
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmHTMLEditor::ShowSourceMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Undo"), this, &TfrmHTMLEditor::Undo)->setEnabled(CanUndo());
    menu.addAction(QStringLiteral("Redo"), this, &TfrmHTMLEditor::Redo)->setEnabled(CanRedo());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Cut"), RichEdit1, &QTextEdit::cut);
    menu.addAction(QStringLiteral("Copy"), RichEdit1, &QTextEdit::copy);
    menu.addAction(QStringLiteral("Paste"), RichEdit1, &QTextEdit::paste);
    menu.addAction(QStringLiteral("Delete"), RichEdit1, [this] { RichEdit1->textCursor().removeSelectedText(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("Select all"), RichEdit1, &QTextEdit::selectAll);
    menu.exec(RichEdit1->mapToGlobal(pos));
}

// ---- Pickers ---------------------------------------------------------------------

namespace {
QHBoxLayout *OkCancel(QDialog *dialog)
{
    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}
} // namespace

TfrmCSSCode::TfrmCSSCode(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCSSCode"));
    setWindowTitle(QStringLiteral("Insert CSS code"));
    const QStringList lines = LoadProgramDataLines(QStringLiteral("css.dat"));
    lbCode = new QListWidget;
    lbCode->setObjectName(QStringLiteral("lbCode"));
    lbCode->addItems(lines);
    edtCode = new QLineEdit;
    edtCode->setObjectName(QStringLiteral("edtCode"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Commonly used CSS code:")));
    layout->addWidget(lbCode, 1);
    layout->addWidget(new QLabel(QStringLiteral("Selected  code:")));
    layout->addWidget(edtCode);
    layout->addLayout(OkCancel(this));
    resize(480, 400);
    connect(lbCode, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (item)
            edtCode->setText(item->text());
    });
}

TfrmSelectFontName::TfrmSelectFontName(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectFontName"));
    setWindowTitle(QStringLiteral("Font name"));
    const QStringList lines = LoadProgramDataLines(QStringLiteral("fonts.dat"));
    lbFont = new QListWidget;
    lbFont->setObjectName(QStringLiteral("lbFont"));
    lbFont->addItems(lines);
    edtFont = new QLineEdit;
    edtFont->setObjectName(QStringLiteral("edtFont"));
    RichEdit1 = new QTextEdit;
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setMaximumHeight(80);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbFont, 1);
    layout->addWidget(edtFont);
    layout->addWidget(new QLabel(QStringLiteral("Preview:")));
    layout->addWidget(RichEdit1);
    layout->addLayout(OkCancel(this));
    resize(420, 420);
    connect(lbFont, &QListWidget::itemClicked, this, [this] { lbFontClick(); });
}

void TfrmSelectFontName::lbFontClick()
{
    const QListWidgetItem *item = lbFont->currentItem();
    if (!item)
        return;
    const QString text = item->text();
    edtFont->setText(text);
    RichEdit1->setPlainText(text);
    // Each part that a comma follows is shown in the face it names; the text
    // after the last comma keeps the preview's own face.
    int start = 0;
    for (int comma = int(text.indexOf(u',')); comma >= 0; comma = int(text.indexOf(u',', start))) {
        QString face = text.mid(start, comma - start).trimmed();
        face.remove(u'"').remove(u'\'');
        QTextCursor cursor(RichEdit1->document());
        cursor.setPosition(start);
        cursor.setPosition(comma, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontFamilies({face});
        cursor.mergeCharFormat(format);
        start = comma + 1;
    }
}
