#pragma once
// The template editor: unpacks one of the project's template packages into a
// temporary folder, lists the page and the files it references, previews
// pages and images, edits text files in a coloured source view and packs the
// folder back on Save. Also its two pickers: CSS snippets and font lists.
#include <QColor>
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QLineEdit;
class QListWidget;
class QStackedWidget;
class QTextEdit;
class QToolButton;
class TPagePreview;
class TProject;

// One entry of the file list.
class TFilesInTemplate {
public:
    QString url;       // full path in the temporary folder
    QString ext;       // extension with its dot, lower case
    int EditorType = 0; // 0 not shown, 1 source text, 2 image, 3 page preview
};

// The editor kind of a file other than the template page, by extension.
int EditorTypeOf(const QString &ext);
// The open-dialog filter (Windows form) offered when replacing an image.
QString ReplaceImageFilter(const QString &ext);

class TfrmHTMLEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHTMLEditor(QWidget *parent = nullptr);
    ~TfrmHTMLEditor() override;

    // Unpacks Stream (kept; Save writes into it) and lists its files.
    void Open(QByteArray *Stream);
    void Refresh();
    // Replaces the source view's selection with Code, leaves it selected and re-colours.
    void InsertCode(const QString &Code);
    // Re-colours the source view by the current file's extension.
    void ColorCode();
    // The file list entry at a position (nullptr outside the list).
    TFilesInTemplate *Entry(int row) const;
    TFilesInTemplate *It() const { return Entry(CurrentItemIndex); }

    void lbFilesClick();
    void tbtnSaveClick();
    void tbtnReplaceClick();
    void tbtnColorClick();
    void tbtnFontClick();
    void tbtnCSSCodeClick();
    void RichEdit1SelectionChange();
    // Steps back and forth through the source view's edits. The colouring
    // changes only how the text looks, so it is no step of its own.
    void Undo();
    void Redo();
    bool CanUndo() const { return FHistoryIndex > 0; }
    bool CanRedo() const { return FHistoryIndex + 1 < FHistory.size(); }
    // Edits (text, replaced images) that Save has not packed into the package yet.
    bool HasUnsavedChanges() const { return FUnsaved; }

    QByteArray *Stream = nullptr;
    TProject *Project = nullptr;
    QString tempDir;
    QString MainFile;
    int CurrentItemIndex = -1;
    int RichEditTag = 0;     // list position + 1 of the file whose text the source view holds
    QColor LastColor = Qt::black;
    // How the editor shows its modal windows and the colour dialog; tests
    // answer them without a user.
    std::function<int(QDialog *)> ExecDialog = [](QDialog *d) { return d->exec(); };
    std::function<QColor(const QColor &, QWidget *)> PickColor;

    QListWidget *lbFiles = nullptr;
    QStackedWidget *Views = nullptr;
    TPagePreview *wbEditor = nullptr;
    TPagePreview *wbBrowser = nullptr;
    QTextEdit *RichEdit1 = nullptr;
    QToolButton *ToolButton2 = nullptr, *tbtnSave = nullptr, *tbtnRefresh = nullptr, *tbtnExplore = nullptr,
                *tbtnReplace = nullptr, *tbtnColor = nullptr, *tbtnFont = nullptr, *tbtnCSSCode = nullptr;

    // Esc and the close box: with unsaved edits, asks whether to save them
    // first (Yes saves and closes, No discards, Cancel stays).
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RecordEdit();
    void ResetHistory();
    void RestoreHistory(int Index);
    // Runs a handler and reports its Exception in an error box; false when it failed.
    bool Guard(const std::function<void()> &handler);
    void SaveSourceIfModified();
    void ShowSourceMenu(const QPoint &pos);
    std::vector<std::unique_ptr<TFilesInTemplate>> Items;
    QStringList FHistory; // the source view's texts, oldest first
    int FHistoryIndex = 0; // the one shown
    bool FRestoring = false;
    bool FUnsaved = false;
};

// "Insert CSS code": the lines of css.dat, one snippet each.
class TfrmCSSCode : public QDialog {
    Q_OBJECT
public:
    // Throws Exception naming css.dat when it is missing or unreadable.
    explicit TfrmCSSCode(QWidget *parent = nullptr);
    QListWidget *lbCode = nullptr;
    QLineEdit *edtCode = nullptr;
};

// "Font name": the lines of fonts.dat, one CSS font list each, with a preview.
class TfrmSelectFontName : public QDialog {
    Q_OBJECT
public:
    // Throws Exception naming fonts.dat when it is missing or unreadable.
    explicit TfrmSelectFontName(QWidget *parent = nullptr);
    void lbFontClick();
    QListWidget *lbFont = nullptr;
    QLineEdit *edtFont = nullptr;
    QTextEdit *RichEdit1 = nullptr;
};

// The lines of a data file beside the program (byte-order mark, else the
// ANSI code page), without empty ones. Throws Exception when it is missing.
QStringList LoadProgramDataLines(const QString &name);
