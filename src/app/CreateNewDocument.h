#pragma once
// "Create a new Word document": the new document's path and its first table
// of contents, typed as a tab-indented outline (one heading per line), with
// a list of common titles, indent and outdent, and outlines kept in text files.
#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TProject;

// Why a new document must not be written at target, or an empty text: the
// project's source document and the project file are never replaced by a new
// empty document (also when reached through another spelling or a link).
QString NewDocumentRefusal(const QString &target, const TProject &project);

class TfrmCreateNewDocument : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCreateNewDocument(QWidget *parent = nullptr);

    // The project the file field is resolved against (not owned).
    TProject *Project = nullptr;
    // The Word-file dialog's filter (Windows form) and default extension.
    QString WordFilter = QStringLiteral("Word Document (*.doc;*.docx)|*.doc;*.docx");
    QString WordExtension = QStringLiteral(".docx");

    // One more (or one less) leading TAB on every line the selection
    // touches; the first line is never changed.
    void Indent();
    void Outdent();
    // Inserts a title as a new line before the caret's line.
    void AddCommonTitle(const QString &Title);
    void LoadOutline(const QString &FileName);
    void SaveOutline(const QString &FileName) const;
    // The outline's lines.
    QStringList Lines() const;
    void btnOKClick();
    void btnBrowseClick();
    void btnLoadClick();
    // Saves the outline into a text file the user names; false when cancelled.
    bool btnSaveClick();
    // Asks before a changed outline is closed without being kept.
    void reject() override;

    QLineEdit *edtFilename = nullptr;
    QPushButton *Button3 = nullptr;
    QLineEdit *edtTitle = nullptr;
    QPlainTextEdit *mmTOC = nullptr;
    QListWidget *lbCommonTitle = nullptr;
    QPushButton *btnIndent = nullptr, *btnOutdent = nullptr, *btnLoad = nullptr, *btnSave = nullptr,
                *btnOK = nullptr, *btnCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString ResolvedFileName() const;
    // The outline as it was shown, loaded or saved last.
    QString FKeptOutline;
};
