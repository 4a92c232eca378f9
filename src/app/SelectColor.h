#pragma once
// Colour texts ("#RRGGBB") and colour values (0x00BBGGRR, red in the low
// byte), and the small frame that edits one colour text: an edit box with a
// swatch button that opens the colour dialog.
#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

// The value that stands for no colour; HtmlToColor's answer for a text that
// is not a colour.
constexpr quint32 NoColor = 0x1FFFFFFF;

QString ColorToHtml(quint32 Color);
QString StripColorHash(const QString &Text);
quint32 HtmlToColor(const QString &Text);

class TframSelectColor : public QWidget {
    Q_OBJECT
public:
    explicit TframSelectColor(QWidget *parent = nullptr);

    QLineEdit *edtColor = nullptr;
    QToolButton *btnSelect = nullptr;

    // The colour the swatch shows now.
    quint32 SwatchColor() const { return Swatch; }

    // Opens the colour dialog on the text's colour; on OK the text becomes
    // the chosen colour.
    void btnSelectClick();

private:
    void PaintSwatch(quint32 Color);
    quint32 Swatch = NoColor;
};
