#include "app/NewProject.h"
#include "app/WidgetPrompt.h"

#include "builder/build.h"
#include "foundation/Paths.h"
#include "foundation/ResourceStrings.h"
#include "platform/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
const char *const TagProperty = "Tag";

int TagOf(const QPushButton *button)
{
    return button->property(TagProperty).toInt();
}
} // namespace

TfrmNewProject::TfrmNewProject(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("New Project Wizard"));
    setObjectName(QStringLiteral("frmNewProject"));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 8);

    // White header band with the page's title and description.
    auto *header = new QWidget(this);
    header->setAutoFillBackground(true);
    QPalette pal = header->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(pal);
    auto *headerLayout = new QVBoxLayout(header);
    lbTitle = new QLabel(header);
    QFont bold = lbTitle->font();
    bold.setBold(true);
    lbTitle->setFont(bold);
    lbDescription = new QLabel(header);
    headerLayout->addWidget(lbTitle);
    headerLayout->addWidget(lbDescription);
    root->addWidget(header);

    PageControl1 = new QStackedWidget(this);
    auto *page1 = new QWidget(PageControl1);
    auto *grid = new QGridLayout(page1);
    grid->addWidget(new QLabel(QStringLiteral("Position:"), page1), 0, 0);
    edtProjectPosition = new QLineEdit(page1);
    grid->addWidget(edtProjectPosition, 0, 1);
    Button1 = new QPushButton(QStringLiteral("Select..."), page1);
    grid->addWidget(Button1, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Project file name:"), page1), 1, 0);
    edtFilename = new QLineEdit(page1);
    grid->addWidget(edtFilename, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral(".qvx"), page1), 1, 2);
    grid->setRowStretch(2, 1);
    PageControl1->addWidget(page1);

    auto *page2 = new QWidget(PageControl1);
    auto *choices = new QVBoxLayout(page2);
    rb1 = new QRadioButton(QStringLiteral("Select an existing Word file"), page2);
    rb2 = new QRadioButton(QStringLiteral("Create a new Word file"), page2);
    rb3 = new QRadioButton(QStringLiteral("Import HTML help file (.chm)"), page2);
    rb2->setChecked(true);
    choices->addWidget(rb1);
    choices->addWidget(rb2);
    choices->addWidget(rb3);
    choices->addStretch();
    PageControl1->addWidget(page2);
    PageControl1->setCurrentIndex(0);
    root->addWidget(PageControl1, 1);

    auto *buttons = new QHBoxLayout();
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addStretch();
    btnBack = new QPushButton(QStringLiteral("< Back"), this);
    btnBack->setProperty(TagProperty, 1);
    btnBack->setEnabled(false);
    btnNext = new QPushButton(QStringLiteral("Next >"), this);
    btnNext->setProperty(TagProperty, 2);
    btnNext->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);

    setTabOrder(edtProjectPosition, Button1);
    setTabOrder(Button1, edtFilename);

    connect(btnBack, &QPushButton::clicked, this, [this] { btnBackClick(btnBack); });
    connect(btnNext, &QPushButton::clicked, this, [this] { btnBackClick(btnNext); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, [this] {
        try {
            Button1Click();
        } catch (const std::exception &e) {
            ShowMessage(MessageRequest{MessageKind::Error, ExceptionText(e), QString(), ButtonOk,
                                       ButtonNone, this});
        }
    });

    ShowHeader(0);
    resize(600, 340);
}

QString TfrmNewProject::ProjectFile() const
{
    QString folder = edtProjectPosition->text();
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    return folder + edtFilename->text() + QStringLiteral(".qvx");
}

void TfrmNewProject::ShowHeader(int Page)
{
    lbTitle->setText(UIStrings.GetStringById(QStringLiteral("WizardTitle") + QString::number(Page)));
    lbDescription->setText(UIStrings.GetStringById(QStringLiteral("WizardDescription") + QString::number(Page)));
}

void TfrmNewProject::btnBackClick(QPushButton *Sender)
{
    const int tag = TagOf(Sender);
    if (tag == 1) {
        PageControl1->setCurrentIndex(PageControl1->currentIndex() - 1);
    } else if (tag == 2) {
        if (PageControl1->currentIndex() == 0 && QFileInfo::exists(ProjectFile())) {
            QString text = UIStrings.GetStringById(QStringLiteral("600"));
            text.replace(QStringLiteral("%s"), edtFilename->text() + QStringLiteral(".qvx"));
            if (ShowMessage(MessageRequest{MessageKind::Confirmation, text, QString(), ButtonYes | ButtonNo, ButtonNo,
                                           this}) != ButtonYes)
                return;
        }
        PageControl1->setCurrentIndex(PageControl1->currentIndex() + 1);
    } else {
        accept();
    }
    const int page = PageControl1->currentIndex();
    ShowHeader(page);
    const bool last = page == PageControl1->count() - 1;
    btnBack->setEnabled(page > 0);
    btnNext->setText(last ? QStringLiteral("Finish") : QStringLiteral("Next >"));
    btnNext->setProperty(TagProperty, last ? 0 : 2);
}

void TfrmNewProject::Button1Click()
{
    QString start = NearestExistingFolder(edtProjectPosition->text());
    if (BrowseForFolder(this, start, QStringLiteral("Select a folder:"), 81))
        edtProjectPosition->setText(start);
}

void TfrmNewProject::reject()
{
    // Without Cancel (a first project must be made) Escape and the close box do nothing.
    if (btnCancel->isEnabled())
        QDialog::reject();
}
