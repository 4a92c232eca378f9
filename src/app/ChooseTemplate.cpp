#include "app/ChooseTemplate.h"

#include "app/PagePreview.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
constexpr int BlockRole = Qt::UserRole + 1;

QWidget *Labelled(const QString &caption, QWidget *control)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(caption, box);
    label->setBuddy(control);
    layout->addWidget(label);
    layout->addWidget(control, 1);
    return box;
}
} // namespace

QString BlockValue(const QStringList &block, const QString &key)
{
    for (const QString &line : block) {
        const int eq = line.indexOf(u'=');
        if (eq >= 0 && line.left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

TfrmChooseTemplate::TfrmChooseTemplate(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmChooseTemplate"));
    setWindowTitle(QStringLiteral("Choose built-in template"));
    lbTemplateName = new QListWidget;
    lbTemplateName->setObjectName(QStringLiteral("lbTemplateName"));
    wbPreview = new TPagePreview;
    wbPreview->setObjectName(QStringLiteral("wbPreview"));
    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(Labelled(QStringLiteral("Template names:"), lbTemplateName));
    splitter->addWidget(Labelled(QStringLiteral("Preview:"), wbPreview));
    splitter->setStretchFactor(1, 3);
    OKBtn = new QPushButton(QStringLiteral("Choose"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setEnabled(false);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(720, 480);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbTemplateName, &QListWidget::itemSelectionChanged, this, [this] { lbTemplateNameClick(); });
}

void TfrmChooseTemplate::FinishBlock(QStringList &block)
{
    if (!BlockValue(block, QStringLiteral("Name")).isEmpty()
        && BlockValue(block, TemplateType).trimmed().compare(u"Yes", Qt::CaseInsensitive) == 0) {
        auto *item = new QListWidgetItem(BlockValue(block, QStringLiteral("Name")), lbTemplateName);
        item->setData(BlockRole, block);
    }
    block.clear();
}

void TfrmChooseTemplate::LoadTemplate()
{
    lbTemplateName->clear();
    new QListWidgetItem(QStringLiteral("<Current template>"), lbTemplateName);
    const QString ini = ProgramFolder() + QStringLiteral("templates/templates.ini");
    if (!QFileInfo(ini).isFile())
        throw Exception(QStringLiteral("The list of built-in templates \"%1\" does not exist.")
                            .arg(QDir::toNativeSeparators(ini)));
    const QString text = LoadTextFile(ini, QString()); // mark, else the ANSI code page; throws when unreadable
    QStringList block;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        if (line.trimmed().isEmpty())
            FinishBlock(block);
        else
            block << line;
    }
    FinishBlock(block);
    if (lbTemplateName->count() > 0) {
        lbTemplateName->setCurrentRow(0);
        lbTemplateNameClick();
    }
}

QString TfrmChooseTemplate::TemplateFile() const
{
    const QListWidgetItem *item = lbTemplateName->currentItem();
    if (!item || !item->isSelected() || lbTemplateName->row(item) == 0)
        return QString();
    const QString position = BlockValue(item->data(BlockRole).toStringList(), QStringLiteral("Position"));
    return ProgramFolder() + QStringLiteral("templates/") + QString(position).replace(u'\\', u'/');
}

void TfrmChooseTemplate::lbTemplateNameClick()
{
    const QListWidgetItem *item = lbTemplateName->currentItem();
    if (!item || !item->isSelected())
        return;
    // A page may show only what lies in its own folder: what its template packs.
    const QString page = lbTemplateName->row(item) == 0 ? CurrentTemplate : TemplateFile();
    wbPreview->ShowFile(page, QFileInfo(page).absolutePath());
    OKBtn->setEnabled(lbTemplateName->row(item) != 0);
}

TfrmUnableFound::TfrmUnableFound(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUnableFound"));
    setWindowTitle(QStringLiteral("Unable to find the template file"));
    lbAvailablefiles = new QListWidget;
    lbAvailablefiles->setObjectName(QStringLiteral("lbAvailablefiles"));
    OKBtn = new QPushButton(QStringLiteral("OK"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setEnabled(false);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Please select the template file:")));
    layout->addWidget(lbAvailablefiles, 1);
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbAvailablefiles, &QListWidget::itemSelectionChanged, this,
            [this] { OKBtn->setEnabled(!lbAvailablefiles->selectedItems().isEmpty()); });
}

void TfrmUnableFound::GetFiles(const QString &Folder)
{
    lbAvailablefiles->clear();
    const QFileInfoList entries = QDir(Folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QFileInfo &fi : entries) {
        const QString ext = fi.suffix().toLower();
        if (ext == u"htm" || ext == u"html")
            lbAvailablefiles->addItem(fi.fileName());
    }
    OKBtn->setEnabled(false);
}
