#include "app/SelectColor.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

QString ColorToHtml(quint32 Color)
{
    const quint32 red = Color & 0xFF, green = (Color >> 8) & 0xFF, blue = (Color >> 16) & 0xFF;
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString StripColorHash(const QString &Text)
{
    if (!Text.startsWith(QLatin1Char('#')))
        return Text;
    QString stripped = Text;
    stripped.remove(QLatin1Char('#'));
    return stripped;
}

quint32 HtmlToColor(const QString &Text)
{
    const QString digits = StripColorHash(Text);
    if (digits.size() < 6)
        return NoColor;
    const QString bgr = digits.mid(4, 2) + digits.mid(2, 2) + digits.mid(0, 2);
    bool ok = false;
    const uint value = bgr.toUInt(&ok, 16);
    // toUInt accepts a sign or "0x" inside the text; a colour is hexadecimal digits only.
    for (QChar c : bgr)
        if (!c.isDigit() && !QStringLiteral("abcdefABCDEF").contains(c))
            ok = false;
    return ok ? quint32(value) : NoColor;
}

TframSelectColor::TframSelectColor(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    edtColor = new QLineEdit(this);
    edtColor->setObjectName(QStringLiteral("edtColor"));
    edtColor->setFixedWidth(73);
    btnSelect = new QToolButton(this);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnSelect->setFixedSize(20, 20);
    btnSelect->setIconSize(QSize(14, 14));
    layout->addWidget(edtColor);
    layout->addWidget(btnSelect);
    layout->addStretch();
    connect(edtColor, &QLineEdit::textChanged, this, [this](const QString &text) { PaintSwatch(HtmlToColor(text)); });
    connect(edtColor, &QLineEdit::editingFinished, this, [this] { PaintSwatch(HtmlToColor(edtColor->text())); });
    connect(btnSelect, &QToolButton::clicked, this, &TframSelectColor::btnSelectClick);
    PaintSwatch(NoColor);
}

void TframSelectColor::PaintSwatch(quint32 Color)
{
    Swatch = Color;
    QPixmap bitmap(14, 14);
    if (Color == NoColor) {
        // No colour: a transparent square with a thin frame.
        bitmap.fill(Qt::transparent);
        QPainter painter(&bitmap);
        painter.setPen(Qt::gray);
        painter.drawRect(0, 0, 13, 13);
    } else {
        bitmap.fill(QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF)));
    }
    btnSelect->setIcon(QIcon(bitmap));
}

void TframSelectColor::btnSelectClick()
{
    const quint32 start = HtmlToColor(edtColor->text());
    const QColor initial = start == NoColor ? QColor(Qt::white)
                                            : QColor(int(start & 0xFF), int((start >> 8) & 0xFF), int((start >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(initial, this);
    if (!chosen.isValid())
        return;
    const quint32 value = quint32(chosen.red()) | (quint32(chosen.green()) << 8) | (quint32(chosen.blue()) << 16);
    edtColor->setText(ColorToHtml(value));
    PaintSwatch(value);
}
