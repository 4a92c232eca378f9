#include "app/SetNavigation.h"

#include "foundation/HTMLProcess.h"
#include "project/Contents.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSetNavigation::TfrmSetNavigation(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetNavigation"));
    setWindowTitle(QStringLiteral("Set navigation"));
    resize(420, 0);
    edtStartString = new QLineEdit(this);
    edtStartString->setObjectName(QStringLiteral("edtStartString"));
    edtDelimiter = new QLineEdit(this);
    edtDelimiter->setObjectName(QStringLiteral("edtDelimiter"));
    cbEndwithDelimiter = new QCheckBox(QStringLiteral("End with the delimiter"), this);
    cbEndwithDelimiter->setObjectName(QStringLiteral("cbEndwithDelimiter"));
    cbIncludeTopic = new QCheckBox(QStringLiteral("Include current topic"), this);
    cbIncludeTopic->setObjectName(QStringLiteral("cbIncludeTopic"));
    edtPreview = new QLineEdit(this);
    edtPreview->setObjectName(QStringLiteral("edtPreview"));
    edtPreview->setReadOnly(true);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Start text:"), edtStartString);
    form->addRow(QStringLiteral("Delimiter:"), edtDelimiter);
    form->addRow(QString(), cbEndwithDelimiter);
    form->addRow(QString(), cbIncludeTopic);
    form->addRow(QStringLiteral("Preview:"), edtPreview);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *root = new QVBoxLayout(this);
    root->addLayout(form);
    root->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(edtStartString, &QLineEdit::textChanged, this, &TfrmSetNavigation::UpdatePreview);
    connect(edtDelimiter, &QLineEdit::textChanged, this, &TfrmSetNavigation::UpdatePreview);
    connect(cbEndwithDelimiter, &QCheckBox::toggled, this, &TfrmSetNavigation::UpdatePreview);
    connect(cbIncludeTopic, &QCheckBox::toggled, this, &TfrmSetNavigation::UpdatePreview);
    UpdatePreview();
}

void TfrmSetNavigation::LoadSetting(const QString &SettingStr)
{
    // Parsed as the build parses it; a damaged text with fewer than four
    // items fills what it has, and OK writes a whole one.
    const std::vector<QString> items = TNavSetting::SplitCommaText(SettingStr);
    const auto item = [&](size_t i) { return i < items.size() ? items[i] : QString(); };
    edtStartString->setText(UnescapeHtml(item(0)));
    edtDelimiter->setText(UnescapeHtml(item(1)));
    // "Include current topic" first: while it is ticked the other box cannot be.
    cbIncludeTopic->setChecked(item(3) == u"1");
    cbEndwithDelimiter->setChecked(item(2) == u"1");
}

QString TfrmSetNavigation::GetSettingStr() const
{
    // A quote in a text is doubled so that the items still split where they
    // should; the build reads "" inside an item as one quote.
    return TNavSetting::MakeSettingText(edtStartString->text(), edtDelimiter->text(), cbEndwithDelimiter->isChecked(),
                                        cbIncludeTopic->isChecked());
}

void TfrmSetNavigation::UpdatePreview()
{
    const QString delimiter = edtDelimiter->text();
    QString preview = edtStartString->text() + QStringLiteral("Heading1") + delimiter + QStringLiteral("Heading2");
    if (cbEndwithDelimiter->isChecked() || cbIncludeTopic->isChecked())
        preview += delimiter;
    if (cbIncludeTopic->isChecked()) {
        preview += QStringLiteral("Topic");
        cbEndwithDelimiter->setChecked(false);
        cbEndwithDelimiter->setEnabled(false);
    } else {
        cbEndwithDelimiter->setEnabled(true);
    }
    edtPreview->setText(preview);
}
