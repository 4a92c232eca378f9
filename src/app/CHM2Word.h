#pragma once
// The import dialog: the help file to import and the Word document to create.
#include <QDialog>

class QLineEdit;
class QPushButton;
class TProject;

class TfrmChm2Word : public QDialog {
    Q_OBJECT
public:
    TfrmChm2Word(const TProject &project, QWidget *parent = nullptr);

    QLineEdit *edtSourceFile = nullptr;
    QLineEdit *edtWordFile = nullptr;
    QPushButton *Button1 = nullptr; // browses for the Word document
    QPushButton *Button7 = nullptr; // browses for the help file
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    // The save dialog's filter (Windows style) and default extension.
    QString SaveFilter = QStringLiteral("Word Document (*.doc)|*.doc");
    QString SaveDefaultExt = QStringLiteral(".doc");

    void Button7Click();
    void Button1Click();
    void edtSourceFileChange();
    void OKBtnClick();
    // The Word-file field as the import saves it: a name without the
    // extension ".doc" or ".docx" gets ".docx".
    QString WordFileAsSaved() const;

private:
    const TProject &Project;
};
