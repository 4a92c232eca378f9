#include "app/Font.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

const QStringList FontCharsetItems = {
    QStringLiteral("0   ANSI"),
    QStringLiteral("1   DEFAULT"),
    QStringLiteral("2   SYMBOL"),
    QStringLiteral("77  MAC"),
    QStringLiteral("128 SHIFTJIS - Japanese"),
    QStringLiteral("129 HANGEUL - KOREAN"),
    QStringLiteral("130 JOHAB - KOREAN"),
    QStringLiteral("134 GB2312 - (PRC) Chinese (Simplified)"),
    QStringLiteral("136 CHINESE BIG5 - Chinese (Traditional)"),
    QStringLiteral("161 GREEK"),
    QStringLiteral("162 TURKISH"),
    QStringLiteral("163 VIETNAMESE"),
    QStringLiteral("177 HEBREW"),
    QStringLiteral("178 ARABIC Simplified"),
    QStringLiteral("179 ARABIC Traditional"),
    QStringLiteral("180 ARABIC user"),
    QStringLiteral("181 HEBREW user"),
    QStringLiteral("186 BALTIC"),
    QStringLiteral("204 RUSSIAN"),
    QStringLiteral("222 THAI"),
    QStringLiteral("238 EASTEUROPE"),
    QStringLiteral("254 PC437"),
    QStringLiteral("255 OEM"),
};

namespace {
// The key of a character-set entry: the number before the first blank.
QString CharsetKey(const QString &item)
{
    return item.section(QLatin1Char(' '), 0, 0);
}

const QString DefaultSampleFace = QStringLiteral("Microsoft Sans Serif");
} // namespace

std::optional<TFontString> TFontString::Parse(const QString &Text)
{
    const QStringList pieces = Text.split(QLatin1Char(','));
    if (pieces.size() < 3)
        return std::nullopt;
    TFontString font;
    font.Face = pieces[0].trimmed();
    bool ok = false;
    const int size = pieces[1].trimmed().toInt(&ok);
    font.Size = ok ? size : 8;
    const int charset = pieces[2].trimmed().toInt(&ok);
    font.Charset = ok ? charset : 0;
    return font;
}

TfrmFont::TfrmFont(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFont"));
    setWindowTitle(QStringLiteral("Font"));
    auto *grid = new QGridLayout;
    cbFont = new QComboBox(this);
    cbFont->setObjectName(QStringLiteral("cbFont"));
    cbFont->setEditable(true);
    cbFont->setInsertPolicy(QComboBox::NoInsert);
    cbFont->addItems(QFontDatabase::families());
    cbFont->setCurrentIndex(-1);
    cbFont->setEditText(QString());
    edtSize = new QSpinBox(this);
    edtSize->setObjectName(QStringLiteral("edtSize"));
    edtSize->setRange(1, 999);
    edtSize->setValue(8);
    cbCharacterSet = new QComboBox(this);
    cbCharacterSet->setObjectName(QStringLiteral("cbCharacterSet"));
    cbCharacterSet->addItems(FontCharsetItems);
    cbCharacterSet->setCurrentIndex(0);
    grid->addWidget(new QLabel(QStringLiteral("Font:"), this), 0, 0);
    grid->addWidget(cbFont, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Point size:"), this), 1, 0);
    grid->addWidget(edtSize, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Character set:"), this), 2, 0);
    grid->addWidget(cbCharacterSet, 2, 1);
    grid->setColumnStretch(1, 1);

    auto *sample = new QGroupBox(QStringLiteral("Sample"), this);
    auto *sampleLayout = new QVBoxLayout(sample);
    lbSample = new QLabel(QStringLiteral("AaBbYyZz"), sample);
    lbSample->setAlignment(Qt::AlignCenter);
    lbSample->setMinimumHeight(60);
    sampleLayout->addWidget(lbSample);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnDefault = new QPushButton(QStringLiteral("Default"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnDefault);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto *root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addWidget(sample);
    root->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TfrmFont::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmFont::reject);
    connect(btnDefault, &QPushButton::clicked, this, &TfrmFont::btnDefaultClick);
    // The sample follows the face and size as they are typed.
    connect(cbFont, &QComboBox::editTextChanged, this, &TfrmFont::UpdateSample);
    connect(edtSize, qOverload<int>(&QSpinBox::valueChanged), this, &TfrmFont::UpdateSample);
    UpdateSample();
}

void TfrmFont::GetFontAndSize()
{
    const std::optional<TFontString> font = TFontString::Parse(FontString);
    if (!font)
        return;
    // A stored face this system lacks (a Windows font, say) is listed too.
    if (!font->Face.isEmpty() && cbFont->findText(font->Face) < 0)
        cbFont->addItem(font->Face);
    cbFont->setEditText(font->Face);
    edtSize->setValue(font->Size);
    FKeptCharset = FontString.split(QLatin1Char(','))[2].trimmed();
    int found = -1;
    for (int i = 0; i < cbCharacterSet->count(); ++i)
        if (CharsetKey(cbCharacterSet->itemText(i)) == FKeptCharset) {
            found = i;
            break;
        }
    cbCharacterSet->setCurrentIndex(found);
}

void TfrmFont::UpdateSample()
{
    QFont font = lbSample->font();
    const QString face = cbFont->currentText().trimmed();
    font.setFamily(face.isEmpty() ? DefaultSampleFace : face);
    font.setPointSize(edtSize->value());
    lbSample->setFont(font);
}

void TfrmFont::btnDefaultClick()
{
    cbFont->setEditText(QString());
    edtSize->setValue(8);
    cbCharacterSet->setCurrentIndex(0);
    QFont font = lbSample->font();
    font.setFamily(DefaultSampleFace);
    lbSample->setFont(font);
}

void TfrmFont::accept()
{
    // A comma in the face would split the string into other pieces.
    fontName = cbFont->currentText().trimmed().remove(QLatin1Char(','));
    fontSize = edtSize->value();
    // No character set chosen keeps the one the string had (an unknown number
    // stays as the project stored it); a string without one gets 0.
    QString charset = cbCharacterSet->currentIndex() >= 0 ? CharsetKey(cbCharacterSet->currentText()) : FKeptCharset;
    if (charset.isEmpty())
        charset = QStringLiteral("0");
    FontString = fontName + QLatin1Char(',') + QString::number(fontSize) + QLatin1Char(',') + charset;
    QDialog::accept();
}
