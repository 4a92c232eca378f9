#include "app/Designer.h"

#include "app/Font.h"
#include "project/ProjectSetting.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QPainter>
#include <QScreen>
#include <QPixmap>
#include <QSplitter>
#include <QTabBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

namespace {

const int ImageRole = Qt::UserRole + 1;

// The pane tabs and the default-tab texts that name them, in the order of
// the field DefaultTab (0 Contents, 1 Index, 2 Search, 3 Favorites).
const QStringList PaneNames = {QStringLiteral("Contents"), QStringLiteral("Index"), QStringLiteral("Search"),
                               QStringLiteral("Favorites")};

const QStringList TocItems = {
    QStringLiteral("Automatically track selection"), QStringLiteral("Select entire row"),
    QStringLiteral("Plus/Minus squares"),             QStringLiteral("Show selection when focus lost"),
    QStringLiteral("Start line from the root"),       QStringLiteral("Draw lines between items"),
    QStringLiteral("Only expand a single heading"),   QStringLiteral("Right-to-left reading order*"),
    QStringLiteral("Scroll bar on left side*"),
};

QCheckBox *Box(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QCheckBox(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

// The check boxes and TOC items and the fields they edit.
struct TBoxField {
    QCheckBox *TfrmDesigner::*box;
    bool TCHMProject::*field;
    bool inverted;
};

const TBoxField BoxFields[] = {
    {&TfrmDesigner::cbShowMenu, &TCHMProject::ShowMSDNMenu, false},
    {&TfrmDesigner::cbShowPane, &TCHMProject::ShowPanesToolbar, false},
    {&TfrmDesigner::cbViewPannel, &TCHMProject::ShowPane, false},
    {&TfrmDesigner::cbHideToolbar, &TCHMProject::HideToolbar, true},
    {&TfrmDesigner::cbHideToolbarText, &TCHMProject::HideToolbarText, true},
    {&TfrmDesigner::cbStayontop, &TCHMProject::StayOnTop, false},
    {&TfrmDesigner::cbMaximize, &TCHMProject::Maximize, false},
    {&TfrmDesigner::cbHide, &TCHMProject::Hide, false},
    {&TfrmDesigner::cbBack, &TCHMProject::Back, false},
    {&TfrmDesigner::cbForward, &TCHMProject::bForward, false},
    {&TfrmDesigner::cbStop, &TCHMProject::Stop, false},
    {&TfrmDesigner::cbRefresh, &TCHMProject::Refresh, false},
    {&TfrmDesigner::cbHome, &TCHMProject::Home, false},
    {&TfrmDesigner::cbPrint, &TCHMProject::Print, false},
    {&TfrmDesigner::cbOption, &TCHMProject::Option, false},
    {&TfrmDesigner::cbJump1, &TCHMProject::Jump1, false},
    {&TfrmDesigner::cbJump2, &TCHMProject::Jump2, false},
    {&TfrmDesigner::cbPrev, &TCHMProject::Prev, false},
    {&TfrmDesigner::cbNext, &TCHMProject::Next, false},
    {&TfrmDesigner::cbZoom, &TCHMProject::Zoom, false},
    {&TfrmDesigner::cbContent, &TCHMProject::Content, false},
    {&TfrmDesigner::cbIndex, &TCHMProject::Index, false},
    {&TfrmDesigner::cbSearch, &TCHMProject::Search, false},
    {&TfrmDesigner::cbFavorite, &TCHMProject::Favorite, false},
    {&TfrmDesigner::cbSavePosition, &TCHMProject::SavePosition, false},
};

bool TCHMProject::*const TocFields[] = {&TCHMProject::AutoTrack,     &TCHMProject::SelectRow, &TCHMProject::PlusMinus,
                                        &TCHMProject::ShowSelection, &TCHMProject::ShowRoot,  &TCHMProject::DrawLines,
                                        &TCHMProject::AutoExpand,    &TCHMProject::RightToLeft,
                                        &TCHMProject::LeftScroll};

const char *const NoteText =
    "Use the panel at the bottom of this window to set the properties of the CHM window. The other elements in the "
    "interface (e.g. Menus, Toolbar) have no real functions.  They only show you the window style visually. But "
    "there are some exceptions:\n"
    "\n"
    "1. Move and resize this window to set the default position and size of the window. \n"
    "2. Drag the splitter to set the width of the navigation pane on the left of the window. \n"
    "\n"
    "Asterisk (*)  means the properties cannot be shown visually.";

// A printer for the mock-up's Print button (the style offers none): a sheet
// going in at the top, the body, and the printed sheet coming out.
QIcon PrinterIcon(const QPalette &palette)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette.color(QPalette::WindowText);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 3.5, 13, 9));
    p.setBrush(QColor(0x8c, 0x96, 0xa0));
    p.drawRoundedRect(QRectF(3.5, 11.5, 25, 12), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 19.5, 15, 10));
    p.drawLine(QPointF(11, 23.5), QPointF(21, 23.5));
    p.drawLine(QPointF(11, 26.5), QPointF(18, 26.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4c, 0xaf, 0x50));
    p.drawEllipse(QPointF(24, 15.5), 1.5, 1.5);
    return QIcon(picture);
}

QWidget *Column(QWidget *parent, std::initializer_list<QWidget *> widgets)
{
    auto *w = new QWidget(parent);
    auto *layout = new QVBoxLayout(w);
    for (QWidget *child : widgets) {
        child->setParent(w);
        layout->addWidget(child);
    }
    layout->addStretch(1);
    return w;
}

} // namespace

namespace {
// Paints an item's highlight behind its picture and title only, unless the
// whole row is selected.
class TMockTreeDelegate : public QStyledItemDelegate {
public:
    explicit TMockTreeDelegate(TMockTree *tree) : QStyledItemDelegate(tree), FTree(tree) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem narrow(option);
        if (!FTree->FullRowSelect)
            narrow.rect.setWidth(std::min(option.rect.width(), sizeHint(option, index).width()));
        QStyledItemDelegate::paint(painter, narrow, index);
    }

private:
    TMockTree *FTree;
};
} // namespace

TMockTree::TMockTree(QWidget *parent) : QTreeWidget(parent)
{
    setItemDelegate(new TMockTreeDelegate(this));
}

void TMockTree::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (FullRowSelect && selectionModel()->isSelected(index)) {
        const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
        painter->fillRect(QRect(0, option.rect.y(), viewport()->width(), option.rect.height()),
                          option.palette.brush(group, QPalette::Highlight));
    }
    QTreeWidget::drawRow(painter, option, index);
}

void TMockTree::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    // One column of the indentation's width per level; the last is the item's own.
    const int step = indentation();
    const int columns = step > 0 ? rect.width() / step : 0;
    if (columns <= 0)
        return;
    const auto hasNextSibling = [this](const QModelIndex &i) {
        return i.sibling(i.row() + 1, 0).isValid();
    };
    const QRect own(rect.left() + (columns - 1) * step, rect.top(), step, rect.height());
    const QPoint mid = own.center();
    painter->save();
    // The view marks a selected row's indentation too: only a whole-row selection shows there.
    if (!FullRowSelect)
        painter->fillRect(rect, palette().brush(QPalette::Base));
    if (DrawLines) {
        QPen pen(palette().color(QPalette::Dark));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        QModelIndex ancestor = index.parent();
        for (int column = columns - 2; column >= 0 && ancestor.isValid(); --column, ancestor = ancestor.parent()) {
            if (hasNextSibling(ancestor)) {
                const int x = rect.left() + column * step + step / 2;
                painter->drawLine(x, rect.top(), x, rect.bottom());
            }
        }
        const bool first = !index.parent().isValid() && index.row() == 0;
        painter->drawLine(mid.x(), first ? mid.y() : own.top(), mid.x(), hasNextSibling(index) ? own.bottom() : mid.y());
        painter->drawLine(mid.x(), mid.y(), own.right(), mid.y());
    }
    if (PlusMinus && model()->hasChildren(index)) {
        const QRect box(mid.x() - 4, mid.y() - 4, 8, 8);
        painter->setPen(palette().color(QPalette::Dark));
        painter->fillRect(box, palette().brush(QPalette::Base));
        painter->drawRect(box);
        painter->setPen(palette().color(QPalette::Text));
        painter->drawLine(box.left() + 2, mid.y(), box.right() - 2, mid.y());
        if (!isExpanded(index))
            painter->drawLine(mid.x(), box.top() + 2, mid.x(), box.bottom() - 2);
    }
    painter->restore();
}

TfrmDesigner::TfrmDesigner(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDesigner"));
    setWindowTitle(QStringLiteral("Visual CHM designer"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 6);
    root->addWidget(CreateMockup(), 1);
    root->addWidget(CreateSettings());

    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TfrmDesigner::tmTimer);
    Timer1->start();
    resize(900, 700);
}

QWidget *TfrmDesigner::CreateMockup()
{
    auto *mock = new QWidget(this);
    auto *layout = new QVBoxLayout(mock);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    mnuMock = new QMenuBar(mock);
    mnuMock->setObjectName(QStringLiteral("mnuMock"));
    mnuMock->setNativeMenuBar(false);
    for (const char *caption : {"&File", "&Edit", "&View", "&Go", "&Help"})
        mnuMock->addMenu(QString::fromLatin1(caption));
    layout->addWidget(mnuMock);

    tbMock = new QToolBar(mock);
    tbMock->setObjectName(QStringLiteral("tbMock"));
    const auto button = [this](const QString &caption, QStyle::StandardPixmap icon) {
        return tbMock->addAction(style()->standardIcon(icon), caption);
    };
    tbHide = button(QStringLiteral("Hide"), QStyle::SP_ArrowLeft);
    tbPrev = button(QStringLiteral("Previous"), QStyle::SP_MediaSeekBackward);
    tbNext = button(QStringLiteral("Next"), QStyle::SP_MediaSeekForward);
    tbBack = button(QStringLiteral("Back"), QStyle::SP_ArrowBack);
    tbForward = button(QStringLiteral("Forward"), QStyle::SP_ArrowForward);
    tbStop = button(QStringLiteral("Stop"), QStyle::SP_BrowserStop);
    tbRefresh = button(QStringLiteral("Refresh"), QStyle::SP_BrowserReload);
    tbHome = button(QStringLiteral("Home"), QStyle::SP_DirHomeIcon);
    tbZoom = button(QStringLiteral("Zoom"), QStyle::SP_FileDialogContentsView);
    tbPrint = tbMock->addAction(PrinterIcon(palette()), QStringLiteral("Print"));
    tbOption = button(QStringLiteral("Option"), QStyle::SP_FileDialogDetailedView);
    tbJump1 = button(QStringLiteral("Jump 1"), QStyle::SP_CommandLink);
    tbJump2 = button(QStringLiteral("Jump 2"), QStyle::SP_CommandLink);
    layout->addWidget(tbMock);

    Splitter1 = new QSplitter(Qt::Horizontal, mock);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    pnlPan = new QWidget(Splitter1);
    pnlPan->setObjectName(QStringLiteral("pnlPan"));
    auto *panLayout = new QVBoxLayout(pnlPan);
    panLayout->setContentsMargins(2, 2, 0, 2);
    pcPan = new QTabWidget(pnlPan);
    pcPan->setObjectName(QStringLiteral("pcPan"));
    // The viewer's four tabs fit a pane of the usual width with their titles whole.
    pcPan->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 6px; border: 1px solid palette(mid); border-bottom: none;"
        " background: palette(button); margin-right: 1px; }"
        "QTabBar::tab:selected { background: palette(base); }"));
    pcPan->setElideMode(Qt::ElideNone);
    panLayout->addWidget(pcPan);

    // Contents: a read-only tree with a sample outline.
    tvContents = new TMockTree;
    tvContents->setObjectName(QStringLiteral("tvContents"));
    tvContents->setHeaderHidden(true);
    tvContents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *book1 = new QTreeWidgetItem(tvContents, {QStringLiteral("Book 1")});
    new QTreeWidgetItem(book1, {QStringLiteral("Topic 1.1")});
    auto *book12 = new QTreeWidgetItem(book1, {QStringLiteral("Book 1.2")});
    new QTreeWidgetItem(book12, {QStringLiteral("Topic 1.2.1")});
    new QTreeWidgetItem(book1, {QStringLiteral("Topic 1.3")});
    auto *book2 = new QTreeWidgetItem(tvContents, {QStringLiteral("Book 2")});
    new QTreeWidgetItem(book2, {QStringLiteral("Topic 2.1")});
    new QTreeWidgetItem(tvContents, {QStringLiteral("Topic 3")});
    book1->setExpanded(true);
    connect(tvContents, &QTreeWidget::itemExpanded, this, &TfrmDesigner::NodeExpanded);
    connect(tvContents, &QTreeWidget::itemCollapsed, this, &TfrmDesigner::NodeCollapsed);
    // "Only expand a single heading": opening a book closes its siblings.
    connect(tvContents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (!TocItem(6) || item->childCount() == 0)
            return;
        QTreeWidgetItem *parent = item->parent();
        const int count = parent ? parent->childCount() : tvContents->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem *sibling = parent ? parent->child(i) : tvContents->topLevelItem(i);
            if (sibling != item)
                sibling->setExpanded(false);
        }
        item->setExpanded(true);
    });
    tsContent = tvContents;
    pcPan->addTab(tsContent, QStringLiteral("&Contents"));

    tsIndex = new QWidget;
    auto *indexLayout = new QVBoxLayout(tsIndex);
    indexLayout->addWidget(new QLabel(QStringLiteral("Type in the keyword to find:"), tsIndex));
    indexLayout->addWidget(new QLineEdit(tsIndex));
    lbIndex = new QListWidget(tsIndex);
    lbIndex->setObjectName(QStringLiteral("lbIndex"));
    lbIndex->addItems({QStringLiteral("Keyword 1"), QStringLiteral("Keyword 2"), QStringLiteral("  Keyword 1.1")});
    indexLayout->addWidget(lbIndex);
    indexLayout->addWidget(new QPushButton(QStringLiteral("Display"), tsIndex), 0, Qt::AlignRight);
    pcPan->addTab(tsIndex, QStringLiteral("I&ndex"));

    tsSearch = new QWidget;
    auto *searchLayout = new QVBoxLayout(tsSearch);
    searchLayout->addWidget(new QLabel(QStringLiteral("Type in the word(s) to search for:"), tsSearch));
    searchLayout->addWidget(new QLineEdit(tsSearch));
    searchLayout->addWidget(new QPushButton(QStringLiteral("List Topics"), tsSearch), 0, Qt::AlignRight);
    searchLayout->addWidget(new QLabel(QStringLiteral("Select topic to display:"), tsSearch));
    searchLayout->addWidget(new QListWidget(tsSearch), 1);
    pcPan->addTab(tsSearch, QStringLiteral("&Search"));

    tsFavorite = new QWidget;
    auto *favLayout = new QVBoxLayout(tsFavorite);
    favLayout->addWidget(new QLabel(QStringLiteral("Topics:"), tsFavorite));
    favLayout->addWidget(new QListWidget(tsFavorite), 1);
    favLayout->addWidget(new QLabel(QStringLiteral("Current topic:"), tsFavorite));
    favLayout->addWidget(new QLineEdit(tsFavorite));
    favLayout->addWidget(new QPushButton(QStringLiteral("Add"), tsFavorite), 0, Qt::AlignRight);
    pcPan->addTab(tsFavorite, QStringLiteral("&Favorites"));

    mmNote = new QTextEdit(Splitter1);
    mmNote->setObjectName(QStringLiteral("mmNote"));
    mmNote->setReadOnly(true);
    mmNote->setLineWrapMode(QTextEdit::WidgetWidth);
    mmNote->setPlainText(QString::fromLatin1(NoteText));
    Splitter1->addWidget(pnlPan);
    Splitter1->addWidget(mmNote);
    Splitter1->setStretchFactor(1, 1);
    layout->addWidget(Splitter1, 1);

    connect(pcPan, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0)
            TableToCheck(pcPan->widget(index));
    });
    return mock;
}

QWidget *TfrmDesigner::CreateSettings()
{
    auto *panel = new QWidget(this);
    auto *layout = new QHBoxLayout(panel);
    pcSettings = new QTabWidget(panel);
    pcSettings->setObjectName(QStringLiteral("pcSettings"));

    cbShowMenu = Box(panel, "cbShowMenu", QStringLiteral("Show MSDN menu"));
    cbShowPane = Box(panel, "cbShowPane", QStringLiteral("With navigation pane, topic pane and button"));
    cbViewPannel = Box(panel, "cbViewPannel", QStringLiteral("Show Navigation Pane"));
    cbHideToolbar = Box(panel, "cbHideToolbar", QStringLiteral("Show Toolbar"));
    tsInterface = Column(pcSettings, {cbShowMenu, cbShowPane, cbViewPannel, cbHideToolbar});
    // cbViewPannel and cbHideToolbar belong to the pane and sit indented under it.
    tsInterface->layout()->setContentsMargins(9, 9, 9, 9);
    cbViewPannel->setStyleSheet(QStringLiteral("margin-left: 20px"));
    cbHideToolbar->setStyleSheet(QStringLiteral("margin-left: 20px"));

    cbHide = Box(panel, "cbHide", QStringLiteral("Hide/Show"));
    cbBack = Box(panel, "cbBack", QStringLiteral("Back"));
    cbForward = Box(panel, "cbForward", QStringLiteral("Forward"));
    cbStop = Box(panel, "cbStop", QStringLiteral("Stop"));
    cbRefresh = Box(panel, "cbRefresh", QStringLiteral("Refresh"));
    cbHome = Box(panel, "cbHome", QStringLiteral("Home"));
    cbPrint = Box(panel, "cbPrint", QStringLiteral("Print"));
    cbOption = Box(panel, "cbOption", QStringLiteral("Option"));
    // Exist, but are never shown: their fields keep what the project had.
    cbHideToolbarText = Box(panel, "cbHideToolbarText", QStringLiteral("Show Toolbar Text"));
    cbJump1 = Box(panel, "cbJump1", QStringLiteral("Jump 1"));
    cbJump2 = Box(panel, "cbJump2", QStringLiteral("Jump 2"));
    cbPrev = Box(panel, "cbPrev", QStringLiteral("Previous"));
    cbNext = Box(panel, "cbNext", QStringLiteral("Next"));
    cbZoom = Box(panel, "cbZoom", QStringLiteral("Zoom"));
    tsToolbar = new QWidget(pcSettings);
    auto *toolGrid = new QGridLayout(tsToolbar);
    const QCheckBox *toolBoxes[] = {cbHide, cbBack, cbForward, cbStop, cbRefresh, cbHome, cbPrint, cbOption};
    for (int i = 0; i < 8; ++i) {
        auto *box = const_cast<QCheckBox *>(toolBoxes[i]);
        box->setParent(tsToolbar);
        toolGrid->addWidget(box, i % 4, i / 4);
    }
    for (QCheckBox *hidden : {cbHideToolbarText, cbJump1, cbJump2, cbPrev, cbNext, cbZoom}) {
        hidden->setParent(tsToolbar);
        hidden->hide();
    }
    toolGrid->setColumnStretch(2, 1);

    cbContent = Box(panel, "cbContent", QStringLiteral("Contents"));
    cbIndex = Box(panel, "cbIndex", QStringLiteral("Index"));
    cbSearch = Box(panel, "cbSearch", QStringLiteral("Search"));
    cbFavorite = Box(panel, "cbFavorite", QStringLiteral("Favorite"));
    cbDefaultTab = new QComboBox(panel);
    cbDefaultTab->setObjectName(QStringLiteral("cbDefaultTab"));
    btnContentsFont = new QPushButton(QStringLiteral("Font..."), panel);
    btnContentsFont->setObjectName(QStringLiteral("btnContentsFont"));
    btnIndexFont = new QPushButton(QStringLiteral("Font..."), panel);
    btnIndexFont->setObjectName(QStringLiteral("btnIndexFont"));
    tsNav = new QWidget(pcSettings);
    auto *navGrid = new QGridLayout(tsNav);
    navGrid->addWidget(cbContent, 0, 0);
    navGrid->addWidget(btnContentsFont, 0, 1);
    navGrid->addWidget(cbIndex, 1, 0);
    navGrid->addWidget(btnIndexFont, 1, 1);
    navGrid->addWidget(cbSearch, 2, 0);
    navGrid->addWidget(cbFavorite, 3, 0);
    navGrid->addWidget(new QLabel(QStringLiteral("Default Tab:"), tsNav), 0, 2);
    navGrid->addWidget(cbDefaultTab, 0, 3);
    navGrid->setColumnStretch(4, 1);
    navGrid->setRowStretch(4, 1);

    clbTOC = new QListWidget(pcSettings);
    clbTOC->setObjectName(QStringLiteral("clbTOC"));
    for (const QString &caption : TocItems) {
        auto *item = new QListWidgetItem(caption, clbTOC);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    clbTOC->setFlow(QListView::TopToBottom);
    clbTOC->setWrapping(true);
    tsTOC = clbTOC;

    cbStayontop = Box(panel, "cbStayontop", QStringLiteral("Stay on top*"));
    cbMaximize = Box(panel, "cbMaximize", QStringLiteral("Maximize(Called by other programs only)"));
    cbSavePosition = Box(panel, "cbSavePosition", QStringLiteral("Save Position*"));
    tsOther = Column(pcSettings, {cbStayontop, cbMaximize, cbSavePosition});

    pcSettings->addTab(tsInterface, QStringLiteral("Interface"));
    pcSettings->addTab(tsToolbar, QStringLiteral("Toolbar"));
    pcSettings->addTab(tsNav, QStringLiteral("Nav"));
    pcSettings->addTab(tsTOC, QStringLiteral("TOC"));
    pcSettings->addTab(tsOther, QStringLiteral("Other"));
    pcSettings->setFixedHeight(150);
    layout->addWidget(pcSettings, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), panel);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), panel);
    auto *buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    // What each click runs.
    for (QCheckBox *box : {cbShowMenu, cbHide, cbBack, cbForward, cbStop, cbRefresh, cbHome, cbPrint, cbOption, cbJump1,
                           cbJump2, cbPrev, cbNext, cbZoom, cbStayontop, cbMaximize})
        connect(box, &QCheckBox::clicked, this, &TfrmDesigner::actChangeExecute);
    for (QCheckBox *box : {cbShowPane, cbViewPannel, cbHideToolbar})
        connect(box, &QCheckBox::clicked, this, &TfrmDesigner::actShowPaneExecute);
    for (QCheckBox *box : {cbContent, cbIndex, cbSearch, cbFavorite})
        connect(box, &QCheckBox::clicked, this, [this] {
            actShowPaneExecute();
            actChangeExecute();
        });
    connect(cbHideToolbarText, &QCheckBox::clicked, this, &TfrmDesigner::actChangeExecute);
    connect(clbTOC, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!FRefreshing)
            TocItemChanged(clbTOC->row(item));
    });
    connect(cbDefaultTab, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { CheckToTable(cbDefaultTab->itemText(index)); });
    connect(btnContentsFont, &QPushButton::clicked, this, [this] { ChooseFont(true); });
    connect(btnIndexFont, &QPushButton::clicked, this, [this] { ChooseFont(false); });
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { pnlPan->setProperty("paneWidth", pnlPan->width()); });
    return panel;
}

bool TfrmDesigner::TocItem(int Index) const
{
    return clbTOC->item(Index)->checkState() == Qt::Checked;
}

void TfrmDesigner::SetTocItem(int Index, bool Checked)
{
    const bool was = FRefreshing;
    FRefreshing = true;
    clbTOC->item(Index)->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
    FRefreshing = was;
}

void TfrmDesigner::TocItemChanged(int Index)
{
    Q_UNUSED(Index);
    actChangeExecute();
}

void TfrmDesigner::ClassToControl(const TCHMProject &Chm, bool HasContentAndIndex)
{
    cbContent->setChecked(HasContentAndIndex);
    cbContent->setEnabled(HasContentAndIndex);
    cbIndex->setChecked(HasContentAndIndex);
    cbIndex->setEnabled(HasContentAndIndex);

    setWindowState(windowState() & ~Qt::WindowMaximized);
    move(Chm.Left, Chm.Top);
    resize(Chm.Width, Chm.Height);
    NormalTop = Chm.Top;
    NormalLeft = Chm.Left;
    NormalHeight = Chm.Height;
    NormalWidth = Chm.Width;
    // A rectangle that lies off every screen (a screen since removed) is
    // brought onto the primary one, and that is what OK then writes.
    const QRect wanted(Chm.Left, Chm.Top, std::max(Chm.Width, 1), std::max(Chm.Height, 1));
    bool visible = false;
    for (const QScreen *screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(wanted);
    if (!visible && QGuiApplication::primaryScreen()) {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        move(area.topLeft());
        resize(std::min(std::max(Chm.Width, 200), area.width()), std::min(std::max(Chm.Height, 200), area.height()));
        NormalLeft = x();
        NormalTop = y();
        NormalWidth = width();
        NormalHeight = height();
    }

    pnlPan->setProperty("paneWidth", Chm.PaneWidth);
    Splitter1->setSizes({Chm.PaneWidth, std::max(width() - Chm.PaneWidth, 1)});
    ContentsFontA = Chm.ContentsFont;
    IndexFontA = Chm.IndexFont;

    for (const TBoxField &f : BoxFields)
        (this->*f.box)->setChecked(f.inverted ? !(Chm.*f.field) : Chm.*f.field);
    FRefreshing = true;
    for (int i = 0; i < 9; ++i)
        clbTOC->item(i)->setCheckState(Chm.*TocFields[i] ? Qt::Checked : Qt::Unchecked);
    FRefreshing = false;

    actChangeExecute();

    // DefaultTab names a pane among all four (as ControlToClass writes it);
    // an unticked pane falls back to the first ticked one.
    int tab = Chm.DefaultTab;
    if (tab < 0 || tab > 3 || !pcPan->isTabVisible(tab)) {
        tab = -1;
        for (int i = 0; i < 4 && tab < 0; ++i)
            if (pcPan->isTabVisible(i))
                tab = i;
    }
    if (tab >= 0) {
        pcPan->setCurrentIndex(tab);
        TableToCheck(pcPan->widget(tab));
    }
    pcSettings->setCurrentIndex(0);
    ApplyTreeFont(tvContents, ContentsFontA);
    ApplyTreeFont(lbIndex, IndexFontA);
}

void TfrmDesigner::ControlToClass(TCHMProject &Chm) const
{
    Chm.Top = NormalTop;
    Chm.Left = NormalLeft;
    Chm.Height = NormalHeight;
    Chm.Width = NormalWidth;
    Chm.PaneWidth = pnlPan->property("paneWidth").toInt();
    Chm.DefaultTab = pcPan->currentIndex();
    Chm.ContentsFont = ContentsFontA;
    Chm.IndexFont = IndexFontA;
    for (const TBoxField &f : BoxFields)
        Chm.*f.field = f.inverted ? !(this->*f.box)->isChecked() : (this->*f.box)->isChecked();
    for (int i = 0; i < 9; ++i)
        Chm.*TocFields[i] = TocItem(i);
}

QFont TfrmDesigner::FontFromString(const QString &Text)
{
    QFont font;
    font.setPointSize(8);
    if (const std::optional<TFontString> parsed = TFontString::Parse(Text)) {
        if (!parsed->Face.isEmpty())
            font.setFamily(parsed->Face);
        if (parsed->Size > 0)
            font.setPointSize(parsed->Size);
    }
    return font;
}

void TfrmDesigner::ApplyTreeFont(QWidget *Target, const QString &FontString)
{
    Target->setFont(FontFromString(FontString));
}

void TfrmDesigner::CheckToTable(const QString &Text)
{
    const int index = PaneNames.indexOf(Text);
    if (index >= 0)
        pcPan->setCurrentIndex(index);
}

void TfrmDesigner::TableToCheck(QWidget *Page)
{
    const int pane = pcPan->indexOf(Page);
    if (pane < 0)
        return;
    const int entry = cbDefaultTab->findText(PaneNames[pane]);
    if (entry >= 0)
        cbDefaultTab->setCurrentIndex(entry);
}

void TfrmDesigner::actChangeExecute()
{
    if (FRefreshing)
        return;
    FRefreshing = true;
    const std::pair<QAction *, QCheckBox *> buttons[] = {
        {tbHide, cbHide},   {tbBack, cbBack},   {tbForward, cbForward}, {tbStop, cbStop}, {tbRefresh, cbRefresh},
        {tbHome, cbHome},   {tbPrint, cbPrint}, {tbOption, cbOption},   {tbJump1, cbJump1}, {tbJump2, cbJump2},
        {tbPrev, cbPrev},   {tbNext, cbNext},   {tbZoom, cbZoom}};
    for (const auto &[action, box] : buttons)
        action->setVisible(box->isChecked());
    const QCheckBox *panes[] = {cbContent, cbIndex, cbSearch, cbFavorite};
    for (int i = 0; i < 4; ++i)
        pcPan->setTabVisible(i, panes[i]->isChecked());

    mnuMock->setVisible(cbShowMenu->isChecked());
    if (cbMaximize->isChecked() != isMaximized())
        setWindowState(cbMaximize->isChecked() ? (windowState() | Qt::WindowMaximized)
                                               : (windowState() & ~Qt::WindowMaximized));

    cbDefaultTab->clear();
    for (int i = 0; i < 4; ++i)
        if (panes[i]->isChecked())
            cbDefaultTab->addItem(PaneNames[i]);
    if (cbDefaultTab->count() > 0)
        cbDefaultTab->setCurrentIndex(0);
    pcSettings->setTabVisible(pcSettings->indexOf(tsTOC), cbContent->isChecked());
    const int active = pcPan->currentIndex();
    if (active >= 0 && pcPan->isTabVisible(active))
        TableToCheck(pcPan->widget(active));

    tbMock->setToolButtonStyle(cbHideToolbarText->isChecked() ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    if (!cbHideToolbarText->isChecked())
        tbMock->setIconSize(QSize(20, 20));

    // The contents tree follows the TOC styles.
    tvContents->setMouseTracking(TocItem(0));
    tvContents->setAttribute(Qt::WA_Hover, TocItem(0));
    if (TocItem(1) && !FTreeSelectsRows) {
        FTreeDrawsLines = false;
        SetTocItem(5, false);
        FTreeSelectsRows = true;
    }
    if (TocItem(5) && !FTreeDrawsLines) {
        FTreeSelectsRows = false;
        SetTocItem(1, false);
        FTreeDrawsLines = true;
    }
    if (!TocItem(1))
        FTreeSelectsRows = false;
    if (!TocItem(5))
        FTreeDrawsLines = false;
    tvContents->setSelectionBehavior(FTreeSelectsRows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    tvContents->setAllColumnsShowFocus(FTreeSelectsRows);
    tvContents->FullRowSelect = FTreeSelectsRows;
    tvContents->DrawLines = FTreeDrawsLines;
    tvContents->PlusMinus = TocItem(2);
    tvContents->setItemsExpandable(true);
    tvContents->viewport()->update();
    QPalette palette = tvContents->palette();
    const QPalette standard = QApplication::palette(tvContents);
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     TocItem(3) ? standard.color(QPalette::Inactive, QPalette::Highlight)
                                : standard.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     TocItem(3) ? standard.color(QPalette::Inactive, QPalette::HighlightedText)
                                : standard.color(QPalette::Inactive, QPalette::Text));
    tvContents->setPalette(palette);
    tvContents->setRootIsDecorated(TocItem(4));
    tvContents->setProperty("autoExpand", TocItem(6));

    tvContents->setUpdatesEnabled(false);
    SetNodeImages();
    tvContents->setUpdatesEnabled(true);
    FRefreshing = false;

    actShowPaneExecute();
}

void TfrmDesigner::actShowPaneExecute()
{
    const bool withPane = cbShowPane->isChecked();
    cbHideToolbar->setEnabled(withPane);
    cbViewPannel->setEnabled(withPane);
    const bool anyPane = cbContent->isChecked() || cbIndex->isChecked() || cbSearch->isChecked()
                      || cbFavorite->isChecked();
    if (withPane) {
        if (cbViewPannel->isChecked() && anyPane) {
            pnlPan->show();
            tbHide->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
            tbHide->setText(QStringLiteral("Hide"));
            cbHide->setEnabled(true);
        } else {
            pnlPan->hide();
            tbHide->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
            tbHide->setText(QStringLiteral("Show"));
            if (anyPane) {
                cbHide->setEnabled(true);
            } else {
                cbHide->setChecked(false);
                cbHide->setEnabled(false);
                tbHide->setVisible(false);
            }
        }
        tbMock->setVisible(cbHideToolbar->isChecked());
        pcSettings->setTabVisible(pcSettings->indexOf(tsToolbar), true);
        pcSettings->setTabVisible(pcSettings->indexOf(tsNav), true);
    } else {
        tbMock->hide();
        pnlPan->hide();
        pcSettings->setTabVisible(pcSettings->indexOf(tsToolbar), false);
        pcSettings->setTabVisible(pcSettings->indexOf(tsNav), false);
    }
    pcSettings->setTabVisible(pcSettings->indexOf(tsTOC), cbContent->isChecked() && withPane);
}

int TfrmDesigner::NodeImage(const QTreeWidgetItem *Node)
{
    return Node->data(0, ImageRole).toInt();
}

void TfrmDesigner::SetNodeImage(QTreeWidgetItem *Node, int Image)
{
    Node->setData(0, ImageRole, Image);
    // Image k is the icon "k+1" of the shipped contents icons.
    const QString file = ProgramFolder() + QStringLiteral("webhelp/icons/%1.gif").arg(Image + 1);
    Node->setIcon(0, QFileInfo::exists(file) ? QIcon(file) : QIcon());
}

void TfrmDesigner::SetNodeImages()
{
    const std::function<void(QTreeWidgetItem *)> visit = [&](QTreeWidgetItem *node) {
        if (node->childCount() > 0) {
            SetNodeImage(node, HasChild);
            if (node->isExpanded())
                NodeExpanded(node);
            else
                NodeCollapsed(node);
            for (int i = 0; i < node->childCount(); ++i)
                visit(node->child(i));
        } else {
            SetNodeImage(node, NoChild);
        }
    };
    for (int i = 0; i < tvContents->topLevelItemCount(); ++i)
        visit(tvContents->topLevelItem(i));
}

// Images come in pairs: a closed book even, the open book the odd number above.
void TfrmDesigner::NodeExpanded(QTreeWidgetItem *Node)
{
    const int image = NodeImage(Node);
    if (image >= 0 && image <= 6 && image % 2 == 0)
        SetNodeImage(Node, image + 1);
}

void TfrmDesigner::NodeCollapsed(QTreeWidgetItem *Node)
{
    const int image = NodeImage(Node);
    if (image >= 1 && image <= 7 && image % 2 == 1)
        SetNodeImage(Node, image - 1);
}

void TfrmDesigner::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && !FRefreshing)
        cbMaximize->setChecked(isMaximized());
    QDialog::changeEvent(event);
}

void TfrmDesigner::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The splitter shares out its width only once it is laid out: give the
    // pane its stored width then.
    const int pane = pnlPan->property("paneWidth").toInt();
    Splitter1->setSizes({pane, std::max(Splitter1->width() - pane - Splitter1->handleWidth(), 1)});
}

void TfrmDesigner::tmTimer()
{
    if (!isMaximized()) {
        NormalTop = y();
        NormalLeft = x();
        NormalHeight = height();
        NormalWidth = width();
    }
    setWindowTitle(QStringLiteral("Visual CHM designer - [Left:%1,Top:%2,Width:%3,Height:%4]")
                       .arg(NormalLeft)
                       .arg(NormalTop)
                       .arg(NormalWidth)
                       .arg(NormalHeight));
}

void TfrmDesigner::ChooseFont(bool Contents)
{
    TfrmFont font(this);
    font.setWindowTitle(Contents ? QStringLiteral("Font of Contents") : QStringLiteral("Font of Index"));
    font.FontString = Contents ? ContentsFontA : IndexFontA;
    font.GetFontAndSize();
    if (font.exec() != QDialog::Accepted)
        return;
    (Contents ? ContentsFontA : IndexFontA) = font.FontString;
    QWidget *target = Contents ? static_cast<QWidget *>(tvContents) : static_cast<QWidget *>(lbIndex);
    QFont shown = target->font();
    shown.setFamily(font.fontName.isEmpty() ? QStringLiteral("Microsoft Sans Serif") : font.fontName);
    shown.setPointSize(font.fontSize);
    target->setFont(shown);
}
