#pragma once
// The context map options: the code texts from which the build writes the
// context-ID source file (top code, one entry's template, bottom code) and
// the file's encoding, with ready-made code per programming language from
// "context.dat" beside the program.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TfrmContextSetting : public QDialog {
    Q_OBJECT
public:
    explicit TfrmContextSetting(QWidget *parent = nullptr);

    // The memo texts with CR LF line ends, as the project keeps them.
    QString TopCode() const;
    QString BottomCode() const;
    void SetTopCode(const QString &Text);
    void SetBottomCode(const QString &Text);

    // Selects the first language whose three code texts equal the dialog's,
    // or "Custom".
    void MatchLanguage();
    // Loads the code of the language at that position of the list.
    void cbProgramLanguageChange(int Index);
    // Replaces the template's selection by a variable and leaves it selected.
    void InsertVariable(int Tag);

    QComboBox *cbProgramLanguage = nullptr;
    QPlainTextEdit *mmTopCode = nullptr;
    QLineEdit *edtCodeTemplate = nullptr;
    QPlainTextEdit *mmBottomCode = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QComboBox *cbContextEncoding = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;

private:
    void Attach(bool On);
    bool FAttached = false;
};
