#include "app/CreateNewDocument.h"

#include "app/WidgetPrompt.h"
#include "foundation/Paths.h"
#include "foundation/ResourceStrings.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/Prompt.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

const QStringList kInitialOutline{
    QStringLiteral("What's New "),
    QStringLiteral("Overview"),
    QStringLiteral("\tIntroduction"),
    QStringLiteral("\tFeatures"),
    QStringLiteral("\tSystem Requirements"),
    QStringLiteral("\tInstallation and Uninstallation"),
    QStringLiteral("Quick Start Tutorials"),
    QStringLiteral("\tGetting Started"),
    QStringLiteral("How to use"),
    QStringLiteral("\tStep-by-Step Procedures"),
    QStringLiteral("\tReference"),
    QStringLiteral("Hints and Tips"),
    QStringLiteral("\tFrequently Asked Questions"),
    QStringLiteral("Miscellaneous"),
    QStringLiteral("\tTechnical Support"),
    QStringLiteral("\tOrdering Information"),
    QStringLiteral("\tOther information"),
    QStringLiteral("\tContacting Me"),
    QStringLiteral("\tEnd User License"),
    QStringLiteral("\tLicense Agreement"),
    QStringLiteral("\tCredits "),
};

const QStringList kCommonTitles{
    QStringLiteral("Contacting Me"), QStringLiteral("Credits "), QStringLiteral("End User License"),
    QStringLiteral("Features"), QStringLiteral("Frequently Asked Questions"), QStringLiteral("Getting Started"),
    QStringLiteral("Hints and Tips"), QStringLiteral("How to use"), QStringLiteral("Installation and Uninstallation"),
    QStringLiteral("Installation and setup"), QStringLiteral("Introduction"), QStringLiteral("License Agreement"),
    QStringLiteral("License and Ordering Information "), QStringLiteral("Menu summary"),
    QStringLiteral("Menus and Toolbars"), QStringLiteral("Miscellaneous"), QStringLiteral("Ordering Information"),
    QStringLiteral("Other information"), QStringLiteral("Overview"), QStringLiteral("Purchase"),
    QStringLiteral("Quick Start Tutorials"), QStringLiteral("Reference"), QStringLiteral("Step-by-Step Procedures"),
    QStringLiteral("System Requirements"), QStringLiteral("Technical Support"), QStringLiteral("What's New "),
};

// Whether two paths name the same file: the same real path, or (hard links)
// the same file on the same device.
bool SameFile(const QString &a, const QString &b)
{
    if (RealPath(a) == RealPath(b))
        return true;
    struct stat sx {}, sy {};
    return ::stat(QFile::encodeName(a).constData(), &sx) == 0 && ::stat(QFile::encodeName(b).constData(), &sy) == 0
        && sx.st_dev == sy.st_dev && sx.st_ino == sy.st_ino;
}

QPushButton *Push(const QString &caption, const char *name)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

QString NewDocumentRefusal(const QString &target, const TProject &project)
{
    const auto refusal = [&](const QString &what) {
        return QStringLiteral("\"%1\" is %2. A new, empty document cannot replace it: choose another file for the "
                              "new document.")
            .arg(QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath()), what);
    };
    if (!project.SourceFile.trimmed().isEmpty() && SameFile(target, project.RealPath(0)))
        return refusal(QStringLiteral("the project's source document"));
    if (!project.IsNew && SameFile(target, project.ProjectFilename))
        return refusal(QStringLiteral("the project file"));
    return QString();
}

TfrmCreateNewDocument::TfrmCreateNewDocument(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCreateNewDocument"));
    setWindowTitle(QStringLiteral("Create a new Word document"));
    edtFilename = new QLineEdit;
    edtFilename->setObjectName(QStringLiteral("edtFilename"));
    Button3 = Push(QStringLiteral(".."), "Button3");
    edtTitle = new QLineEdit;
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    mmTOC = new QPlainTextEdit;
    mmTOC->setObjectName(QStringLiteral("mmTOC"));
    mmTOC->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmTOC->setPlainText(kInitialOutline.join(u'\n'));
    FKeptOutline = mmTOC->toPlainText();
    mmTOC->installEventFilter(this);
    lbCommonTitle = new QListWidget;
    lbCommonTitle->setObjectName(QStringLiteral("lbCommonTitle"));
    lbCommonTitle->addItems(kCommonTitles);
    lbCommonTitle->setToolTip(QStringLiteral("(Double-click item to add it to initial TOC)"));
    btnIndent = Push(QStringLiteral("Indent"), "btnIndent");
    btnIndent->setToolTip(QStringLiteral("Indent"));
    btnOutdent = Push(QStringLiteral("Outdent"), "btnOutdent");
    btnOutdent->setToolTip(QStringLiteral("Outdent"));
    btnLoad = Push(QStringLiteral("Load..."), "btnLoad");
    btnSave = Push(QStringLiteral("Save..."), "btnSave");
    btnOK = Push(QStringLiteral("OK"), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Push(QStringLiteral("Cancel"), "btnCancel");

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Position:")), 0, 0);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(edtFilename, 1);
    fileRow->addWidget(Button3);
    grid->addLayout(fileRow, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Title:")), 1, 0);
    grid->addWidget(edtTitle, 1, 1, 1, 2);
    auto *tocColumn = new QVBoxLayout;
    tocColumn->addWidget(new QLabel(QStringLiteral("Initial TOC:")));
    tocColumn->addWidget(mmTOC, 1);
    auto *tocButtons = new QHBoxLayout;
    for (QPushButton *b : {btnIndent, btnOutdent, btnLoad, btnSave})
        tocButtons->addWidget(b);
    tocButtons->addStretch();
    tocColumn->addLayout(tocButtons);
    auto *titleColumn = new QVBoxLayout;
    titleColumn->addWidget(new QLabel(QStringLiteral("Commonly used titles:")));
    titleColumn->addWidget(lbCommonTitle, 1);
    titleColumn->addWidget(new QLabel(QStringLiteral("(Double-click item to add it to initial TOC)")));
    grid->addLayout(tocColumn, 2, 0, 1, 2);
    grid->addLayout(titleColumn, 2, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    resize(680, 520);

    auto guarded = [this](auto handler) {
        return [this, handler] {
            try {
                handler();
            } catch (const Exception &e) {
                ShowMessage(MessageRequest{MessageKind::Error, e.message(), QString(), ButtonOk, ButtonNone, this});
            }
        };
    };
    connect(btnIndent, &QPushButton::clicked, this, [this] { Indent(); });
    connect(btnOutdent, &QPushButton::clicked, this, [this] { Outdent(); });
    connect(btnLoad, &QPushButton::clicked, this, guarded([this] { btnLoadClick(); }));
    connect(btnSave, &QPushButton::clicked, this, guarded([this] { btnSaveClick(); }));
    connect(Button3, &QPushButton::clicked, this, guarded([this] { btnBrowseClick(); }));
    connect(btnOK, &QPushButton::clicked, this, guarded([this] { btnOKClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbCommonTitle, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { AddCommonTitle(item->text()); });
}

bool TfrmCreateNewDocument::eventFilter(QObject *watched, QEvent *event)
{
    // Tab indents the selected lines instead of typing a tab at the caret.
    if (watched == mmTOC && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            Indent();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmCreateNewDocument::Indent()
{
    QString text = mmTOC->toPlainText();
    const QTextCursor cursor = mmTOC->textCursor();
    const int S = cursor.selectionStart();
    const int L = cursor.selectionEnd() - S;
    int added = 0;
    for (int p = S + L; p >= 0; --p) {
        if (p > 0 && p <= text.size() && text[p - 1] == u'\n') {
            text.insert(p, u'\t');
            ++added;
            if (p <= S)
                break;
        }
    }
    if (added == 0)
        return;
    mmTOC->setPlainText(text);
    QTextCursor c = mmTOC->textCursor();
    c.setPosition(S);
    c.setPosition(S + L + added, QTextCursor::KeepAnchor);
    mmTOC->setTextCursor(c);
}

void TfrmCreateNewDocument::Outdent()
{
    QString text = mmTOC->toPlainText();
    const QTextCursor cursor = mmTOC->textCursor();
    const int S = cursor.selectionStart();
    const int L = cursor.selectionEnd() - S;
    int removed = 0;
    for (int p = S + L; p >= 0; --p) {
        if (p > 0 && p <= text.size() && text[p - 1] == u'\n') {
            if (p < text.size() && text[p] == u'\t') {
                text.remove(p, 1);
                ++removed;
            }
            if (p <= S)
                break;
        }
    }
    if (removed == 0)
        return;
    mmTOC->setPlainText(text);
    QTextCursor c = mmTOC->textCursor();
    c.setPosition(S);
    c.setPosition(S + std::max(0, L - removed), QTextCursor::KeepAnchor);
    mmTOC->setTextCursor(c);
}

void TfrmCreateNewDocument::AddCommonTitle(const QString &Title)
{
    QTextCursor c = mmTOC->textCursor();
    c.clearSelection();
    c.movePosition(QTextCursor::StartOfBlock);
    c.insertText(Title + u'\n');
    mmTOC->setTextCursor(c);
    mmTOC->setFocus();
}

QStringList TfrmCreateNewDocument::Lines() const
{
    QStringList lines = mmTOC->toPlainText().split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TfrmCreateNewDocument::LoadOutline(const QString &FileName)
{
    if (!QFileInfo(FileName).isFile())
        throw Exception(QStringLiteral("The outline file \"%1\" does not exist.").arg(FileName));
    QStringList lines = LoadTextFile(FileName, QString()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    mmTOC->setPlainText(lines.join(u'\n'));
    FKeptOutline = mmTOC->toPlainText();
}

void TfrmCreateNewDocument::SaveOutline(const QString &FileName) const
{
    QString text;
    for (const QString &line : Lines())
        text += line + QStringLiteral("\r\n");
    SaveTextFile(text, FileName, TextEncodingUtf16);
}

QString TfrmCreateNewDocument::ResolvedFileName() const
{
    return Project ? Project->RealPath(edtFilename->text()) : edtFilename->text();
}

void TfrmCreateNewDocument::btnLoadClick()
{
    OpenFileRequest request;
    request.filter = QtFileFilter(QStringLiteral("Text File (*.txt)|*.txt"));
    request.owner = this;
    if (const std::optional<QString> chosen = AskOpenFileName(request))
        LoadOutline(*chosen);
}

bool TfrmCreateNewDocument::btnSaveClick()
{
    SaveFileRequest request;
    request.filter = QtFileFilter(QStringLiteral("Text File (*.txt)|*.txt"));
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = true;
    request.owner = this;
    const std::optional<QString> chosen = AskSaveFileName(request);
    if (!chosen)
        return false;
    SaveOutline(*chosen);
    FKeptOutline = mmTOC->toPlainText();
    return true;
}

void TfrmCreateNewDocument::reject()
{
    // Esc, Cancel and the close box would lose a typed outline: ask first.
    if (mmTOC->toPlainText() != FKeptOutline) {
        const PromptButton answer = ShowMessage(
            MessageRequest{MessageKind::Confirmation,
                           QStringLiteral("The outline has been changed.\nDo you want to save it to a text file?"),
                           QStringLiteral("Confirm"), ButtonYes | ButtonNo | ButtonCancel, ButtonYes, this});
        if (answer == ButtonCancel)
            return;
        if (answer == ButtonYes) {
            try {
                if (!btnSaveClick())
                    return;
            } catch (const Exception &e) {
                ShowMessage(MessageRequest{MessageKind::Error, e.message(), QString(), ButtonOk, ButtonNone, this});
                return;
            }
        }
    }
    QDialog::reject();
}

void TfrmCreateNewDocument::btnBrowseClick()
{
    // The dialog names a document that is still to be made; OK asks before
    // an existing one is replaced, so the dialog asks nothing of its own.
    SaveFileRequest request;
    request.fileName = ResolvedFileName();
    request.filter = QtFileFilter(WordFilter);
    request.defaultSuffix = WordExtension;
    request.confirmOverwrite = false;
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtFilename->setText(QFileInfo(*chosen).absoluteFilePath());
}

void TfrmCreateNewDocument::btnOKClick()
{
    const QString target = ResolvedFileName();
    if (Project) {
        const QString refusal = NewDocumentRefusal(target, *Project);
        if (!refusal.isEmpty()) {
            ShowMessage(MessageRequest{MessageKind::Error, refusal, QString(), ButtonOk, ButtonNone, this});
            return;
        }
    }
    if (QFileInfo::exists(target)) {
        // Replacing a document loses it: the safe answer is the default.
        QString text = UIStrings.GetStringById(QStringLiteral("600"));
        text.replace(QStringLiteral("%s"), edtFilename->text());
        if (ShowMessage(MessageRequest{MessageKind::Confirmation, text, QString(), ButtonYes | ButtonNo, ButtonNo,
                                       this}) != ButtonYes)
            return;
    }
    accept();
}
