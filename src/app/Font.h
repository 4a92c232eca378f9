#pragma once
// The font string of the HTML Help contents and index ("face,size,charset",
// for example "Arial,10,0") and the small window in which such a font is
// chosen.
#include <QDialog>
#include <QString>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// A font string split into its pieces. Readers split at "," and trim each
// piece; fewer than three pieces give no font. A size or character set that
// is not a number falls back to 8 and 0.
struct TFontString {
    QString Face; // empty: the viewer's default face
    int Size = 8;
    int Charset = 0;
    static std::optional<TFontString> Parse(const QString &Text);
};

// The Windows character sets the font window offers ("number, blanks, name").
extern const QStringList FontCharsetItems;

class TfrmFont : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFont(QWidget *parent = nullptr);

    // Fills the controls from FontString; a string of fewer than three pieces
    // leaves them at their start values.
    void GetFontAndSize();

    QString FontString; // in and out
    QString fontName;   // set by OK
    int fontSize = 8;   // set by OK

    QComboBox *cbFont = nullptr;
    QSpinBox *edtSize = nullptr;
    QComboBox *cbCharacterSet = nullptr;
    QLabel *lbSample = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr, *btnDefault = nullptr;

    void btnDefaultClick();
    void accept() override;

private:
    void UpdateSample();
    QString FKeptCharset; // the opened string's set, written back when no entry is selected
};
