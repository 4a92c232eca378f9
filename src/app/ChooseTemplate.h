#pragma once
// The template chooser: lists the built-in page templates of the program's
// "templates" folder for one output and previews each page; and the small
// window that lets the user point at a template page in a folder when the
// expected one is missing.
#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;
class TPagePreview;

class TfrmChooseTemplate : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChooseTemplate(QWidget *parent = nullptr);

    // "htmlHelp" or "WebHelp": the templates.ini key that offers a block.
    QString TemplateType;
    // Full path of the project's current template page (unpacked by the opener).
    QString CurrentTemplate;

    // Fills the list from templates.ini and selects its first entry. Throws
    // Exception naming the file when templates.ini is missing or unreadable.
    void LoadTemplate();
    // Full path of the chosen built-in page; empty when none is selected.
    QString TemplateFile() const;

    QListWidget *lbTemplateName = nullptr;
    TPagePreview *wbPreview = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    void lbTemplateNameClick();

private:
    void FinishBlock(QStringList &block);
};

// The value of a key-value line list ("Key=Value"; key matched without regard
// to case, value all after the first "="); empty when the key is absent.
QString BlockValue(const QStringList &block, const QString &key);

class TfrmUnableFound : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUnableFound(QWidget *parent = nullptr);
    // Lists the folder's ".htm" and ".html" files (extension case ignored).
    void GetFiles(const QString &Folder);

    QListWidget *lbAvailablefiles = nullptr;
    QPushButton *OKBtn = nullptr;
};
