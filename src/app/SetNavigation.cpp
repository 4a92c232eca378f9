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

namespace {

// The four items of a setting text, parsed as the build parses it; a damaged
// text with fewer than four items gives what it has.
struct TSettingItems {
    QString Start, Delimiter;
    bool EndWithDelimiter = false, IncludeTopic = false;
};

TSettingItems ParseSetting(const QString &SettingStr)
{
    const std::vector<QString> items = TNavSetting::SplitCommaText(SettingStr);
    const auto item = [&](size_t i) { return i < items.size() ? items[i] : QString(); };
    return {UnescapeHtml(item(0)), UnescapeHtml(item(1)), item(2) == u"1", item(3) == u"1"};
}

QString PreviewOf(const TSettingItems &s)
{
    QString preview = s.Start + QStringLiteral("Heading1") + s.Delimiter + QStringLiteral("Heading2");
    if (s.EndWithDelimiter || s.IncludeTopic)
        preview += s.Delimiter;
    if (s.IncludeTopic)
        preview += QStringLiteral("Topic");
    return preview;
}

} // namespace

void TfrmSetNavigation::LoadSetting(const QString &SettingStr)
{
    // OK writes a whole setting text even from a damaged one.
    const TSettingItems s = ParseSetting(SettingStr);
    edtStartString->setText(s.Start);
    edtDelimiter->setText(s.Delimiter);
    // "Include current topic" first: while it is ticked the other box cannot be.
    cbIncludeTopic->setChecked(s.IncludeTopic);
    cbEndwithDelimiter->setChecked(s.EndWithDelimiter);
}

QString TfrmSetNavigation::Preview(const QString &SettingStr) { return PreviewOf(ParseSetting(SettingStr)); }

QString TfrmSetNavigation::GetSettingStr() const
{
    // A quote in a text is doubled so that the items still split where they
    // should; the build reads "" inside an item as one quote.
    return TNavSetting::MakeSettingText(edtStartString->text(), edtDelimiter->text(), cbEndwithDelimiter->isChecked(),
                                        cbIncludeTopic->isChecked());
}

void TfrmSetNavigation::UpdatePreview()
{
    if (cbIncludeTopic->isChecked()) {
        cbEndwithDelimiter->setChecked(false);
        cbEndwithDelimiter->setEnabled(false);
    } else {
        cbEndwithDelimiter->setEnabled(true);
    }
    edtPreview->setText(PreviewOf({edtStartString->text(), edtDelimiter->text(), cbEndwithDelimiter->isChecked(),
                                   cbIncludeTopic->isChecked()}));
}
