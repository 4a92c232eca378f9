#include "app/ContextSetting.h"

#include "foundation/TextFiles.h"
#include "project/ProjectSetting.h"

#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString CustomEntry = QStringLiteral("Custom");

struct TVariable {
    int Tag;
    const char *Caption;
    const char *Text;
};
const TVariable Variables[] = {{1, "Static variable name", "{%StaticVarName%}"},
                               {2, "Context ID", "{%ContextID%}"},
                               {3, "Title", "{%Title%}"},
                               {4, "File name", "{%FileName%}"},
                               {5, "Tab", "{%Tab%}"}};

TIniReader ContextData()
{
    return TIniReader::FromFile(ProgramFolder() + QStringLiteral("context.dat"));
}

// A memo's lines end with LF; the project and context.dat keep CR LF (a
// lone CR counts as a line end too).
QString WithCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

} // namespace

TfrmContextSetting::TfrmContextSetting(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmContextSetting"));
    setWindowTitle(QStringLiteral("Context map options"));
    resize(760, 480);
    cbProgramLanguage = new QComboBox(this);
    cbProgramLanguage->setObjectName(QStringLiteral("cbProgramLanguage"));
    mmTopCode = new QPlainTextEdit(this);
    mmTopCode->setObjectName(QStringLiteral("mmTopCode"));
    edtCodeTemplate = new QLineEdit(this);
    edtCodeTemplate->setObjectName(QStringLiteral("edtCodeTemplate"));
    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral(">"));
    SpeedButton2->setToolTip(QStringLiteral("Insert template variables"));
    mmBottomCode = new QPlainTextEdit(this);
    mmBottomCode->setObjectName(QStringLiteral("mmBottomCode"));
    for (QPlainTextEdit *memo : {mmTopCode, mmBottomCode}) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setTabChangesFocus(false);
    }
    cbContextEncoding = new QComboBox(this);
    cbContextEncoding->setObjectName(QStringLiteral("cbContextEncoding"));
    cbContextEncoding->addItems({QStringLiteral("ANSI"), QStringLiteral("Unicode"),
                                 QStringLiteral("Unicode big endian"), QStringLiteral("UTF-8")});
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);

    PopupMenu1 = new QMenu(this);
    for (const TVariable &v : Variables) {
        QAction *item = PopupMenu1->addAction(QString::fromLatin1(v.Caption));
        item->setData(v.Tag);
        connect(item, &QAction::triggered, this, [this, tag = v.Tag] { InsertVariable(tag); });
    }

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Format:"), this), 0, 0);
    grid->addWidget(cbProgramLanguage, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Top code:"), this), 1, 0, Qt::AlignTop);
    grid->addWidget(mmTopCode, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Code body template:"), this), 2, 0);
    auto *templateRow = new QHBoxLayout;
    templateRow->addWidget(edtCodeTemplate, 1);
    templateRow->addWidget(SpeedButton2);
    grid->addLayout(templateRow, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Bottom code:"), this), 3, 0, Qt::AlignTop);
    grid->addWidget(mmBottomCode, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Encoding:"), this), 4, 0);
    grid->addWidget(cbContextEncoding, 4, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *root = new QVBoxLayout(this);
    root->addLayout(grid, 1);
    root->addLayout(buttons);
    setTabOrder(cbProgramLanguage, mmTopCode);
    setTabOrder(mmTopCode, edtCodeTemplate);
    setTabOrder(edtCodeTemplate, SpeedButton2);
    setTabOrder(SpeedButton2, mmBottomCode);
    setTabOrder(mmBottomCode, cbContextEncoding);
    setTabOrder(cbContextEncoding, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // The button's menu opens where the mouse is, on either button.
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { PopupMenu1->popup(QCursor::pos()); });
    SpeedButton2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SpeedButton2, &QWidget::customContextMenuRequested, this, [this] { PopupMenu1->popup(QCursor::pos()); });
    connect(cbProgramLanguage, qOverload<int>(&QComboBox::activated), this,
            &TfrmContextSetting::cbProgramLanguageChange);

    cbProgramLanguage->clear();
    cbProgramLanguage->addItems(ContextData().Sections());
    cbProgramLanguage->addItem(CustomEntry);
    Attach(true);
}

void TfrmContextSetting::Attach(bool On)
{
    if (On == FAttached)
        return;
    FAttached = On;
    if (On) {
        connect(mmTopCode, &QPlainTextEdit::textChanged, this, &TfrmContextSetting::MatchLanguage);
        connect(edtCodeTemplate, &QLineEdit::textChanged, this, &TfrmContextSetting::MatchLanguage);
        connect(mmBottomCode, &QPlainTextEdit::textChanged, this, &TfrmContextSetting::MatchLanguage);
    } else {
        disconnect(mmTopCode, &QPlainTextEdit::textChanged, this, &TfrmContextSetting::MatchLanguage);
        disconnect(edtCodeTemplate, &QLineEdit::textChanged, this, &TfrmContextSetting::MatchLanguage);
        disconnect(mmBottomCode, &QPlainTextEdit::textChanged, this, &TfrmContextSetting::MatchLanguage);
    }
}

QString TfrmContextSetting::TopCode() const
{
    return WithCrLf(mmTopCode->toPlainText());
}

QString TfrmContextSetting::BottomCode() const
{
    return WithCrLf(mmBottomCode->toPlainText());
}

void TfrmContextSetting::SetTopCode(const QString &Text)
{
    mmTopCode->setPlainText(WithCrLf(Text));
}

void TfrmContextSetting::SetBottomCode(const QString &Text)
{
    mmBottomCode->setPlainText(WithCrLf(Text));
}

void TfrmContextSetting::MatchLanguage()
{
    const TIniReader data = ContextData();
    cbProgramLanguage->setCurrentIndex(cbProgramLanguage->count() - 1);
    const QString top = TopCode(), code = edtCodeTemplate->text(), bottom = BottomCode();
    for (int i = 0; i + 1 < cbProgramLanguage->count(); ++i) {
        const QString section = cbProgramLanguage->itemText(i);
        if (WithCrLf(DecodeLineBreaks(data.ReadString(section, QStringLiteral("TopCode"), QString()))) == top
            && data.ReadString(section, QStringLiteral("CodeTemplate"), QString()) == code
            && WithCrLf(DecodeLineBreaks(data.ReadString(section, QStringLiteral("BottomCode"), QString()))) == bottom) {
            cbProgramLanguage->setCurrentIndex(i);
            return;
        }
    }
}

void TfrmContextSetting::cbProgramLanguageChange(int Index)
{
    const TIniReader data = ContextData();
    const QString section = cbProgramLanguage->itemText(Index);
    Attach(false);
    SetTopCode(DecodeLineBreaks(data.ReadString(section, QStringLiteral("TopCode"), QString())));
    edtCodeTemplate->setText(data.ReadString(section, QStringLiteral("CodeTemplate"), QString()));
    edtCodeTemplate->setCursorPosition(0);
    SetBottomCode(DecodeLineBreaks(data.ReadString(section, QStringLiteral("BottomCode"), QString())));
    Attach(true);
    MatchLanguage();
}

void TfrmContextSetting::InsertVariable(int Tag)
{
    for (const TVariable &v : Variables) {
        if (v.Tag != Tag)
            continue;
        const QString text = QString::fromLatin1(v.Text);
        const int start = edtCodeTemplate->hasSelectedText() ? edtCodeTemplate->selectionStart()
                                                             : edtCodeTemplate->cursorPosition();
        edtCodeTemplate->insert(text);
        edtCodeTemplate->setFocus();
        edtCodeTemplate->setSelection(start, int(text.size()));
    }
}
