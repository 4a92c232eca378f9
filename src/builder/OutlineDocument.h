#pragma once
// Outline documents: a new Word document made from a tab-indented topic list
// (one heading per line), and the heading outline of a Word document read
// into a tree. The tree is any item model: the program passes its tree
// widget's model, tests a plain QStandardItemModel; nothing here needs a display.
#include <QModelIndex>
#include <QString>
#include <QStringList>

class QAbstractItemModel;

namespace word {
class Range;
}

// The role under which a tree node keeps its image index (10 for a node
// without children, 0 for one with children).
inline constexpr int OutlineImageRole = Qt::UserRole;

// The number of TAB characters at the start of the line, at most limit.
int CountLeadingTabs(const QString &line, int limit);

// Writes a new document at fileName with one heading per non-empty line of
// topics (depth from the leading TABs) and "Enter your content..." under
// every heading without sub-headings. A name ending in ".docx" gives a .docx
// document, any other a .doc one. While the file is in use the user is asked
// to close it (Retry/Cancel); Cancel gives false and nothing is written.
// Errors throw Exception after the document engine has been quit.
bool CreateWordDocFromTopicList(const QString &fileName, const QStringList &topics);

// Fills tree (appending to its top level) with the headings of the
// document at fileName, nested by outline level. Throws Exception when the
// document cannot be opened.
void FillTreeFromWordOutline(const QString &fileName, QAbstractItemModel *tree);

// The walk behind FillTreeFromWordOutline: its state, and one level of it.
struct OutlineWalk {
    QAbstractItemModel *tree = nullptr;
    word::Range *current = nullptr; // the heading being read
    int lastStart = -1;             // start of the last heading read
};
// Continues after node (an invalid index: none yet) at level; gives true when
// the end of the document was reached.
bool AddOutlineNodes(OutlineWalk &walk, QModelIndex node, int level);
