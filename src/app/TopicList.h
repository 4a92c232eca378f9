#pragma once
// The topic list window: the heading outline of the project's Word document
// shown as a tree, read through the document engine.
#include <QDialog>

class QLabel;
class QStandardItemModel;
class QTreeView;
class QWidget;

class TfrmTopicList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTopicList(QWidget *parent = nullptr);

    // The Word document to read.
    QString SourceFile;

    // Reads the outline into the tree (replacing what it held), expands it
    // and hides the loading panel. Throws Exception when the document cannot
    // be read.
    void LoadOutline();
    // The image a node shows after it collapses or expands.
    static int CollapsedImage(int image);
    static int ExpandedImage(int image);

    QTreeView *TreeView1 = nullptr;
    QStandardItemModel *Model = nullptr;
    QWidget *Panel1 = nullptr;

protected:
    bool event(QEvent *e) override;

private:
    void SetImage(const QModelIndex &index, bool expanded);
    bool Loaded = false;
};
