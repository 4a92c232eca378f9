#include "app/TopicList.h"

#include "builder/OutlineDocument.h"
#include "platform/Exception.h"
#include "platform/Prompt.h"

#include <QEvent>
#include <functional>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
// Book images: an even number closed, the odd one above it open; others a page.
QIcon ImageIcon(const QStyle *style, int image)
{
    if (image >= 0 && image <= 7)
        return style->standardIcon(image % 2 ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
    return style->standardIcon(QStyle::SP_FileIcon);
}
} // namespace

TfrmTopicList::TfrmTopicList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTopicList"));
    setWindowTitle(QStringLiteral("Topic list"));
    Model = new QStandardItemModel(this);
    TreeView1 = new QTreeView;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setModel(Model);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    Panel1 = new QLabel(QStringLiteral("Loading table of contents..."));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(TreeView1, 1);
    layout->addLayout(buttons);
    resize(420, 520);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeView1, &QTreeView::collapsed, this, [this](const QModelIndex &i) { SetImage(i, false); });
    connect(TreeView1, &QTreeView::expanded, this, [this](const QModelIndex &i) { SetImage(i, true); });
}

int TfrmTopicList::CollapsedImage(int image)
{
    return image >= 1 && image <= 7 && image % 2 ? image - 1 : image;
}

int TfrmTopicList::ExpandedImage(int image)
{
    return image >= 0 && image <= 6 && image % 2 == 0 ? image + 1 : image;
}

void TfrmTopicList::SetImage(const QModelIndex &index, bool expanded)
{
    const int image = index.data(OutlineImageRole).toInt();
    const int next = expanded ? ExpandedImage(image) : CollapsedImage(image);
    Model->setData(index, next, OutlineImageRole);
    Model->setData(index, ImageIcon(style(), next), Qt::DecorationRole);
    TreeView1->viewport()->update();
}

void TfrmTopicList::LoadOutline()
{
    Model->clear(); // the tree never holds the outline twice
    FillTreeFromWordOutline(SourceFile, Model);
    std::function<void(const QModelIndex &)> decorate = [&](const QModelIndex &parent) {
        for (int r = 0; r < Model->rowCount(parent); ++r) {
            const QModelIndex i = Model->index(r, 0, parent);
            Model->setData(i, ImageIcon(style(), i.data(OutlineImageRole).toInt()), Qt::DecorationRole);
            decorate(i);
        }
    };
    decorate(QModelIndex());
    TreeView1->expandAll();
    Panel1->hide();
}

bool TfrmTopicList::event(QEvent *e)
{
    // Read once, at the first activation: a refill at every activation would
    // read the document again after each message box, and an error box would
    // re-activate the window into the same error without end.
    if (e->type() == QEvent::WindowActivate && !Loaded) {
        Loaded = true;
        try {
            LoadOutline();
        } catch (const Exception &x) {
            Panel1->hide();
            ShowMessage(MessageRequest{MessageKind::Error, x.message(), QString(), ButtonOk, ButtonNone, this});
        }
    }
    return QDialog::event(e);
}
