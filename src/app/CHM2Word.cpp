#include "app/CHM2Word.h"

#include "app/CreateNewDocument.h"
#include "app/WidgetPrompt.h"
#include "chmimport/ToDocPDF.h"
#include "foundation/ResourceStrings.h"
#include "platform/word/Package.h"
#include "project/ProjectSetting.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmChm2Word::TfrmChm2Word(const TProject &project, QWidget *parent) : QDialog(parent), Project(project)
{
    setObjectName(QStringLiteral("frmChm2Word"));
    setWindowTitle(QStringLiteral("Import from CHM file"));
    setFixedSize(650, 137);
    auto *label1 = new QLabel(QStringLiteral("CHM File:"), this);
    label1->setGeometry(24, 29, 100, 17);
    auto *label2 = new QLabel(QStringLiteral("Word document:"), this);
    label2->setGeometry(24, 58, 100, 17);
    Button1 = new QPushButton(QStringLiteral(".."), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(600, 55, 25, 25);
    edtWordFile = new QLineEdit(this);
    edtWordFile->setObjectName(QStringLiteral("edtWordFile"));
    edtWordFile->setGeometry(128, 55, 466, 25); // room for the label in this system's font
    edtSourceFile = new QLineEdit(this);
    edtSourceFile->setObjectName(QStringLiteral("edtSourceFile"));
    edtSourceFile->setGeometry(128, 24, 466, 25);
    Button7 = new QPushButton(QStringLiteral(".."), this);
    Button7->setObjectName(QStringLiteral("Button7"));
    Button7->setGeometry(600, 24, 25, 25);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(342, 99, 75, 25);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(223, 99, 75, 25);
    OKBtn->setDefault(true);
    OKBtn->setEnabled(false);
    setTabOrder(Button1, edtWordFile);
    setTabOrder(edtWordFile, edtSourceFile);
    setTabOrder(edtSourceFile, Button7);
    setTabOrder(Button7, CancelBtn);
    setTabOrder(CancelBtn, OKBtn);

    connect(Button7, &QPushButton::clicked, this, &TfrmChm2Word::Button7Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmChm2Word::Button1Click);
    connect(edtSourceFile, &QLineEdit::textChanged, this, &TfrmChm2Word::edtSourceFileChange);
    connect(edtWordFile, &QLineEdit::textChanged, this, &TfrmChm2Word::edtSourceFileChange);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(OKBtn, &QPushButton::clicked, this, &TfrmChm2Word::OKBtnClick);
}

void TfrmChm2Word::Button7Click()
{
    OpenFileRequest request;
    request.fileName = edtSourceFile->text();
    request.filter = QtFileFilter(QStringLiteral("CHM Files (*.chm)|*.chm"));
    request.owner = this;
    if (const std::optional<QString> chosen = AskOpenFileName(request))
        edtSourceFile->setText(*chosen);
}

void TfrmChm2Word::Button1Click()
{
    SaveFileRequest request;
    request.fileName = Project.RealPath(edtWordFile->text());
    request.filter = QtFileFilter(SaveFilter);
    request.defaultSuffix = SaveDefaultExt.startsWith(QLatin1Char('.')) ? SaveDefaultExt.mid(1) : SaveDefaultExt;
    request.confirmOverwrite = true;
    request.owner = this;
    if (const std::optional<QString> chosen = AskSaveFileName(request))
        edtWordFile->setText(*chosen);
}

void TfrmChm2Word::edtSourceFileChange()
{
    OKBtn->setEnabled(!edtSourceFile->text().isEmpty() && !edtWordFile->text().isEmpty());
}

QString TfrmChm2Word::WordFileAsSaved() const
{
    return TChmToDocPDF::SaveTarget(edtWordFile->text());
}

void TfrmChm2Word::OKBtnClick()
{
    if (!QFileInfo(edtSourceFile->text()).isFile()) {
        ShowMessage(MessageRequest{MessageKind::Error,
                                   UIStrings.GetStringById(QStringLiteral("602")).replace(QStringLiteral("%s"),
                                                                                          edtSourceFile->text()),
                                   QString(), ButtonOk, ButtonOk, this});
        return;
    }
    // The file the import writes (a name without a Word extension gets
    // ".docx"), refused before the import runs rather than when it saves:
    // the project's own files, and a link the save would not write through.
    const QString target = Project.RealPath(WordFileAsSaved());
    QString refusal = NewDocumentRefusal(target, Project);
    try {
        if (refusal.isEmpty())
            word::RefuseLinkAtSaveTarget(target);
    } catch (const Exception &e) {
        refusal = e.message();
    }
    if (!refusal.isEmpty()) {
        ShowMessage(MessageRequest{MessageKind::Error, refusal, QString(), ButtonOk, ButtonOk, this});
        return;
    }
    if (QFileInfo::exists(target)) {
        const PromptButton answer = ShowMessage(MessageRequest{
            MessageKind::Confirmation,
            UIStrings.GetStringById(QStringLiteral("600")).replace(QStringLiteral("%s"), WordFileAsSaved()),
            QString(), ButtonYes | ButtonNo, ButtonNo, this});
        if (answer != ButtonYes)
            return;
    }
    accept();
}
