#pragma once
// The HTML Help window designer: a mock-up of the help viewer (menu bar,
// toolbar, navigation pane with its four tabs, splitter, topic pane) over a
// settings panel. Moving and sizing the designer sets the viewer window's
// rectangle, dragging the splitter sets the pane width, and the check boxes
// show and hide the mock-up's parts as they change the settings.
#include "project/UnitCHMProject.h"

#include <QDialog>
#include <QFont>
#include <QTreeWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QListWidget;
class QMenuBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolBar;
class QTreeWidgetItem;
class QWidget;

// The mock-up's contents tree, drawn as the help viewer draws its tree:
// dotted lines between the items, plus/minus squares on books and the
// selection over the whole row or the title alone, as the settings say.
class TMockTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TMockTree(QWidget *parent = nullptr);
    bool DrawLines = false, PlusMinus = false, FullRowSelect = false;

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;
};

class TfrmDesigner : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDesigner(QWidget *parent = nullptr);

    // Loads the settings; HasContentAndIndex enables the Contents and Index boxes.
    void ClassToControl(const TCHMProject &Chm, bool HasContentAndIndex);
    // Writes the settings back.
    void ControlToClass(TCHMProject &Chm) const;

    // A font of a font string: default face, 8 points and character set 0
    // unless the string's pieces say otherwise.
    static QFont FontFromString(const QString &Text);

    // Makes the pane tab named by a default-tab text active.
    void CheckToTable(const QString &Text);
    // Selects in the default-tab list the entry naming a pane tab.
    void TableToCheck(QWidget *Page);

    // Refreshes the mock-up from the check boxes, then applies the pane rules.
    void actChangeExecute();
    // The pane rules: what the navigation-pane boxes show and enable.
    void actShowPaneExecute();
    // Sets the contents tree's node images from HasChild and NoChild.
    void SetNodeImages();
    // The timer's step: remembers the normal rectangle and shows it in the caption.
    void tmTimer();
    // The font buttons: open the font window for the contents or the index.
    void ChooseFont(bool Contents);

    int NormalTop = 0, NormalLeft = 0, NormalHeight = 0, NormalWidth = 0;
    QString ContentsFontA, IndexFontA;
    int HasChild = 0, NoChild = 10;

    // The mock-up.
    QMenuBar *mnuMock = nullptr;
    QToolBar *tbMock = nullptr;
    QAction *tbHide = nullptr, *tbPrev = nullptr, *tbNext = nullptr, *tbBack = nullptr, *tbForward = nullptr,
            *tbStop = nullptr, *tbRefresh = nullptr, *tbHome = nullptr, *tbZoom = nullptr, *tbPrint = nullptr,
            *tbOption = nullptr, *tbJump1 = nullptr, *tbJump2 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QWidget *pnlPan = nullptr;
    QTabWidget *pcPan = nullptr;
    QWidget *tsContent = nullptr, *tsIndex = nullptr, *tsSearch = nullptr, *tsFavorite = nullptr;
    TMockTree *tvContents = nullptr;
    QListWidget *lbIndex = nullptr;
    QTextEdit *mmNote = nullptr;

    // The settings panel.
    QTabWidget *pcSettings = nullptr;
    QWidget *tsInterface = nullptr, *tsToolbar = nullptr, *tsNav = nullptr, *tsTOC = nullptr, *tsOther = nullptr;
    QCheckBox *cbShowMenu = nullptr, *cbShowPane = nullptr, *cbViewPannel = nullptr, *cbHideToolbar = nullptr,
              *cbHideToolbarText = nullptr, *cbStayontop = nullptr, *cbMaximize = nullptr, *cbHide = nullptr,
              *cbBack = nullptr, *cbForward = nullptr, *cbStop = nullptr, *cbRefresh = nullptr, *cbHome = nullptr,
              *cbPrint = nullptr, *cbOption = nullptr, *cbJump1 = nullptr, *cbJump2 = nullptr, *cbPrev = nullptr,
              *cbNext = nullptr, *cbZoom = nullptr, *cbContent = nullptr, *cbIndex = nullptr, *cbSearch = nullptr,
              *cbFavorite = nullptr, *cbSavePosition = nullptr;
    QComboBox *cbDefaultTab = nullptr;
    QPushButton *btnContentsFont = nullptr, *btnIndexFont = nullptr;
    QListWidget *clbTOC = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;
    QTimer *Timer1 = nullptr;

    // The image number a node of the mock-up's contents tree shows.
    static int NodeImage(const QTreeWidgetItem *Node);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *CreateMockup();
    QWidget *CreateSettings();
    void SetNodeImage(QTreeWidgetItem *Node, int Image);
    void NodeExpanded(QTreeWidgetItem *Node);
    void NodeCollapsed(QTreeWidgetItem *Node);
    void ApplyTreeFont(QWidget *Target, const QString &FontString);
    bool TocItem(int Index) const;
    void SetTocItem(int Index, bool Checked);
    void TocItemChanged(int Index);
    bool FRefreshing = false;
    bool FTreeSelectsRows = false, FTreeDrawsLines = false;
};
