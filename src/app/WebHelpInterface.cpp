#include "app/WebHelpInterface.h"

#include "app/WidgetPrompt.h"
#include "app/whelp.h"
#include "builder/Webhelp.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString TslFilter = QStringLiteral("Translated File (*.tsl)|*.tsl");

QStringList TextLines(const QString &text)
{
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

QString TranslationFolder()
{
    return ProgramFolder() + QStringLiteral("webhelp/langs");
}

const QString TfrmQuickTranslate::TranslatorAddress = QStringLiteral("https://translate.google.com/");

TfrmQuickTranslate::TfrmQuickTranslate(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmQuickTranslate"));
    setWindowTitle(QStringLiteral("Quick translation"));
    resize(520, 480);
    lbInstruction = new QLabel(
        QStringLiteral("Copy the text to translation tool, translate them,  and then copy the translated text back."), this);
    lbInstruction->setWordWrap(true);
    lbLink = new QLabel(this);
    lbLink->setObjectName(QStringLiteral("lbLink"));
    lbLink->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(TranslatorAddress.toHtmlEscaped()));
    lbLink->setCursor(Qt::PointingHandCursor);
    lbLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lbLink, &QLabel::linkActivated, this, [](const QString &link) { QDesktopServices::openUrl(QUrl(link)); });
    mmAllStrings = new QPlainTextEdit(this);
    mmAllStrings->setObjectName(QStringLiteral("mmAllStrings"));
    mmAllStrings->setLineWrapMode(QPlainTextEdit::NoWrap);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *root = new QVBoxLayout(this);
    root->addWidget(lbInstruction);
    root->addWidget(lbLink);
    root->addWidget(mmAllStrings, 1);
    root->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TfrmQuickTranslate::LineCount() const
{
    QStringList lines = TextLines(mmAllStrings->toPlainText());
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return int(lines.size());
}

void TfrmQuickTranslate::accept()
{
    // Row k takes line k: a line lost or added on the way through the
    // translator puts every later translation into the wrong row.
    const int lines = LineCount();
    if (Rows >= 0 && lines != Rows
        && AskUser(this, MessageKind::Confirmation,
                   QStringLiteral("The translated text has %1 lines, but there are %2 texts to translate. Each line "
                                  "goes to the text in its row, so the translations after a missing or an extra "
                                  "line land in the wrong rows.\nApply the lines anyway?")
                       .arg(lines)
                       .arg(Rows),
                   ButtonYes | ButtonNo, ButtonNo)
               != ButtonYes)
        return;
    QDialog::accept();
}

TfrmWebHelpInterface::TfrmWebHelpInterface(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWebHelpInterface"));
    setWindowTitle(QStringLiteral("Translate text used in Web Help interface"));
    resize(900, 560);
    auto *labels = new QHBoxLayout;
    labels->setContentsMargins(6, 0, 24, 0);
    labels->addWidget(new QLabel(QStringLiteral("Original text:"), this), 1);
    labels->addWidget(new QLabel(QStringLiteral("Translated text:"), this), 1);

    // The rows share the width in two equal columns that grow with the window.
    sbRows = new QScrollArea(this);
    sbRows->setObjectName(QStringLiteral("sbRows"));
    FRows = new QWidget;
    FRows->installEventFilter(this);
    auto *grid = new QGridLayout(FRows);
    grid->setContentsMargins(5, 8, 5, 4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    sbRows->setWidget(FRows);
    sbRows->setWidgetResizable(true);

    btnLoad = new QPushButton(QStringLiteral("Load..."), this);
    btnSave = new QPushButton(QStringLiteral("Save..."), this);
    btnQuickTranslate = new QPushButton(QStringLiteral("Quick translation"), this);
    btnRestore = new QPushButton(QStringLiteral("Restore"), this);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {btnLoad, btnSave, btnQuickTranslate, btnRestore})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto *root = new QVBoxLayout(this);
    root->addLayout(labels);
    root->addWidget(sbRows, 1);
    root->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    const auto guarded = [this](void (TfrmWebHelpInterface::*command)()) {
        return [this, command] {
            try {
                (this->*command)();
            } catch (const std::exception &e) {
                AskUser(this, MessageKind::Error, ExceptionText(e));
            }
        };
    };
    connect(btnLoad, &QPushButton::clicked, this, guarded(&TfrmWebHelpInterface::btnLoadClick));
    connect(btnSave, &QPushButton::clicked, this, guarded(&TfrmWebHelpInterface::btnSaveClick));
    connect(btnRestore, &QPushButton::clicked, this, guarded(&TfrmWebHelpInterface::btnRestoreClick));
    connect(btnQuickTranslate, &QPushButton::clicked, this, guarded(&TfrmWebHelpInterface::btnQuickTranslateClick));
}

void TfrmWebHelpInterface::LoadStrings()
{
    const TWebHelpInterfaceLanguage language;
    const QStringList none;
    const QStringList &dictionary = Dictionary ? *Dictionary : none;
    auto *grid = static_cast<QGridLayout *>(FRows->layout());
    int widest = 0;
    for (int k = 0; k < language.Names.size(); ++k) {
        auto *original = new QLineEdit(language.Names[k], FRows);
        grid->addWidget(original, k, 0);
        widest = std::max(widest, original->fontMetrics().horizontalAdvance(language.Names[k]));
        original->setReadOnly(true);
        original->setFocusPolicy(Qt::ClickFocus);
        original->setBackgroundRole(QPalette::Button);
        QPalette palette = original->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        original->setPalette(palette);
        auto *translation =
            new QLineEdit(TWebHelpInterfaceLanguage::GetValue(language.Names[k], dictionary), FRows);
        grid->addWidget(translation, k, 1);
        // Long texts show their start.
        original->setCursorPosition(0);
        translation->setCursorPosition(0);
        List.push_back(original);
        List.push_back(translation);
    }
    // Wide enough that the longest original shows whole, within the screen.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    resize(std::clamp(2 * widest + 120, width(), std::max(width(), screen.width() * 9 / 10)), height());
}

void TfrmWebHelpInterface::SaveDictionary()
{
    if (!Dictionary)
        return;
    Dictionary->clear();
    for (size_t i = 0; i + 1 < List.size(); i += 2)
        Dictionary->append(List[i]->text() + QLatin1Char('=') + List[i + 1]->text());
}

QString TfrmWebHelpInterface::CreateDictionary() const
{
    QString text;
    for (size_t i = 0; i + 1 < List.size(); i += 2)
        text += List[i]->text() + QLatin1Char('=') + List[i + 1]->text() + QStringLiteral("\r\n");
    return text;
}

void TfrmWebHelpInterface::LoadDictionary(const QStringList &Dict)
{
    for (size_t i = 0; i + 1 < List.size(); i += 2) {
        const QString name = List[i]->text();
        for (const QString &line : Dict) {
            const int at = line.indexOf(QLatin1Char('='));
            if (at < 0 || line.left(at).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const QString value = line.mid(at + 1);
            if (!value.isEmpty())
                List[i + 1]->setText(value);
            break;
        }
    }
}

void TfrmWebHelpInterface::btnLoadClick()
{
    OpenFileRequest request;
    request.fileName = TranslationFolder();
    request.filter = QtFileFilter(TslFilter);
    request.owner = this;
    const std::optional<QString> chosen = AskOpenFileName(request);
    if (!chosen)
        return;
    // LoadTextFile names the file when it cannot be read; no row changes then.
    if (!QFileInfo(*chosen).isFile())
        throw Exception(QStringLiteral("The translation file \"%1\" does not exist.").arg(*chosen));
    LoadDictionary(TextLines(LoadTextFile(*chosen, QString())));
}

void TfrmWebHelpInterface::btnSaveClick()
{
    SaveFileRequest request;
    request.fileName = TranslationFolder() + QStringLiteral("/newlanguage.tsl");
    request.filter = QtFileFilter(TslFilter);
    request.defaultSuffix = QStringLiteral("tsl");
    request.confirmOverwrite = true;
    request.owner = this;
    const std::optional<QString> chosen = CurrentPrompt()->saveFileName(request);
    if (!chosen)
        return;
    SaveTextFile(CreateDictionary(), *chosen, TextEncodingUtf8);
}

void TfrmWebHelpInterface::btnRestoreClick()
{
    if (AskUser(this, MessageKind::Confirmation, QStringLiteral("Are you sure to discard the translated text?"),
                ButtonYes | ButtonNo, ButtonYes)
        != ButtonYes)
        return;
    for (size_t i = 0; i + 1 < List.size(); i += 2)
        List[i + 1]->setText(List[i]->text());
}

void TfrmWebHelpInterface::btnQuickTranslateClick()
{
    TfrmQuickTranslate quick(this);
    QString lines;
    for (size_t i = 0; i + 1 < List.size(); i += 2)
        lines += List[i]->text() + QLatin1Char('\n');
    quick.mmAllStrings->setPlainText(lines);
    quick.Rows = int(List.size() / 2);
    if (quick.exec() == QDialog::Accepted)
        ApplyQuickTranslation(quick.mmAllStrings->toPlainText());
}

void TfrmWebHelpInterface::ApplyQuickTranslation(const QString &Text)
{
    const QStringList lines = Text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (size_t k = 0; 2 * k + 1 < List.size() && qsizetype(k) < lines.size(); ++k)
        List[2 * k + 1]->setText(lines[qsizetype(k)].trimmed());
}

bool TfrmWebHelpInterface::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the empty area between the rows goes to the first translation.
    if (watched == FRows && event->type() == QEvent::MouseButtonPress && List.size() >= 2) {
        List[1]->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
