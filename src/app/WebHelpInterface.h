#pragma once
// Translation of the texts the WebHelp pages show (button captions, labels,
// script messages): one row per interface string with its original and its
// translation, dictionaries kept in ".tsl" files, a reset to the originals
// and a quick-translation window for a round trip through a web translator.
#include <QDialog>
#include <QStringList>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

class TfrmQuickTranslate : public QDialog {
    Q_OBJECT
public:
    explicit TfrmQuickTranslate(QWidget *parent = nullptr);

    // The outside translation page the link label shows.
    static const QString TranslatorAddress;

    // The number of rows the lines go to; OK asks before it takes a text
    // with another number of lines (trailing empty lines not counted).
    int Rows = -1;
    int LineCount() const;
    void accept() override;

    QLabel *lbInstruction = nullptr;
    QLabel *lbLink = nullptr;
    QPlainTextEdit *mmAllStrings = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;
};

class TfrmWebHelpInterface : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWebHelpInterface(QWidget *parent = nullptr);

    // Builds one row per interface string; throws Exception when the list of
    // strings cannot be read.
    void LoadStrings();
    // Writes the rows into Dictionary, one "original=translation" line each.
    void SaveDictionary();
    // The rows as dictionary text, CR LF after each line.
    QString CreateDictionary() const;
    // Takes the non-empty translations that Dict holds for the rows' originals.
    void LoadDictionary(const QStringList &Dict);

    // The buttons' commands.
    void btnLoadClick();
    void btnSaveClick();
    void btnRestoreClick();
    void btnQuickTranslateClick();
    // Row k's translation becomes line k of the text, trimmed; rows beyond
    // the last line keep theirs.
    void ApplyQuickTranslation(const QString &Text);

    QStringList *Dictionary = nullptr; // the project's, set by the opener
    // The rows' edits in pairs: 2k the original of row k, 2k+1 its translation.
    std::vector<QLineEdit *> List;

    QScrollArea *sbRows = nullptr;
    QPushButton *btnLoad = nullptr, *btnSave = nullptr, *btnQuickTranslate = nullptr, *btnRestore = nullptr,
                *OKBtn = nullptr, *CancelBtn = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *FRows = nullptr;
};

// The folder where translation files are kept by default.
QString TranslationFolder();
