#include "builder/OutlineDocument.h"

#include "foundation/HTMLProcess.h"
#include "foundation/OLEMessageFilter.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/Prompt.h"
#include "platform/word/Document.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kPlaceholder = QStringLiteral("Enter your content...");

// Word's application object of one call, quit (without saving) and the
// message filter revoked on every way out.
class WordRun {
public:
    WordRun() { IOleMessageFilter::RegisterFilter(); }
    ~WordRun()
    {
        try {
            app.Quit(word::wdDoNotSaveChanges);
        } catch (...) {
        }
        IOleMessageFilter::RevokeFilter();
    }
    word::Application app;
};

// A new last node under parent (at the top level when parent is invalid).
QModelIndex appendUnder(QAbstractItemModel *tree, const QModelIndex &parent, const QString &text)
{
    const int row = tree->rowCount(parent);
    if (tree->columnCount(parent) == 0)
        tree->insertColumns(0, 1, parent);
    if (!tree->insertRows(row, 1, parent))
        throw Exception(QStringLiteral("The tree does not take new nodes."));
    const QModelIndex node = tree->index(row, 0, parent);
    tree->setData(node, text, Qt::DisplayRole);
    tree->setData(node, 10, OutlineImageRole);
    return node;
}

// A new node after `after` at its level (at the top level when none).
QModelIndex addNode(QAbstractItemModel *tree, const QModelIndex &after, const QString &text)
{
    return appendUnder(tree, after.isValid() ? after.parent() : QModelIndex(), text);
}

QModelIndex addChild(QAbstractItemModel *tree, const QModelIndex &parent, const QString &text)
{
    return appendUnder(tree, parent, text);
}

// The heading's text without its paragraph mark.
QString nodeText(const word::Range &r)
{
    QString t = r.Text();
    while (t.endsWith(QLatin1Char('\r')) || t.endsWith(QChar(7)))
        t.chop(1);
    return t;
}

// Moves to the next heading; true when there is none (the walk is done).
bool nextHeading(OutlineWalk &walk)
{
    *walk.current = walk.current->GoTo(word::wdGoToHeading, word::wdGoToNext);
    if (walk.current->Start() == walk.lastStart)
        return true;
    walk.lastStart = walk.current->Start();
    walk.current->Expand(word::wdParagraph);
    return false;
}

} // namespace

int CountLeadingTabs(const QString &line, int limit)
{
    int n = 0;
    while (n < limit && n < line.size() && line[n] == QLatin1Char('\t'))
        ++n;
    return n;
}

bool CreateWordDocFromTopicList(const QString &fileName, const QStringList &topics)
{
    WordRun run;
    word::Document *doc = run.app.Documents().Add();
    word::Range r = doc->Content();
    int previous = -1;
    for (int k = 0; k < topics.size(); ++k) {
        const int depth = CountLeadingTabs(topics[k], k);
        const QString text = TrimWhitespace(topics[k]);
        if (text.isEmpty())
            continue;
        if (previous >= 0 && depth <= previous) {
            r.Collapse(word::wdCollapseEnd);
            r.InsertAfter(kPlaceholder + QStringLiteral("\r\n"));
        }
        r.Collapse(word::wdCollapseEnd);
        r.InsertAfter(text + QStringLiteral("\r\n"));
        // Heading 1 to 9; deeper lines stay at Heading 9, the deepest Word has.
        r.setStyle(std::max(-2 - depth, int(word::wdStyleHeading9)));
        previous = depth;
    }
    if (previous >= 0) {
        r.Collapse(word::wdCollapseEnd);
        r.InsertAfter(kPlaceholder);
    }
    while (IsFileInUse(fileName)) {
        const PromptButton answer = ShowMessage(
            MessageKind::Error,
            QStringLiteral("\"") + fileName
                + QStringLiteral("\" access denied! It probably has been opened. Please close it and retry."),
            ButtonRetry | ButtonCancel, ButtonRetry);
        if (answer != ButtonRetry)
            return false;
    }
    const QFileInfo target(fileName);
    if (!QDir().mkpath(target.absolutePath()))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(QDir::toNativeSeparators(target.absolutePath())));
    const bool docx = target.suffix().compare(QLatin1String("docx"), Qt::CaseInsensitive) == 0;
    doc->SaveAs(target.absoluteFilePath(), docx ? word::wdFormatXMLDocument : word::wdFormatDocument);
    return true;
}

void FillTreeFromWordOutline(const QString &fileName, QAbstractItemModel *tree)
{
    WordRun run;
    word::Document *doc = run.app.Documents().Open(fileName);
    word::Range current = doc->Paragraphs().Item(1).Range();
    OutlineWalk walk;
    walk.tree = tree;
    walk.current = &current;
    walk.lastStart = -1;
    AddOutlineNodes(walk, QModelIndex(), 1);
}

bool AddOutlineNodes(OutlineWalk &walk, QModelIndex node, int level)
{
    word::Range &c = *walk.current;
    if (!node.isValid()) {
        c = c.GoTo(word::wdGoToHeading, word::wdGoToFirst);
        if (c.ParagraphFormat().OutlineLevel() > 9)
            return true;
    } else {
        c = c.GoTo(word::wdGoToHeading, word::wdGoToNext);
    }
    if (c.Start() == walk.lastStart)
        return true;
    walk.lastStart = c.Start();
    c.Expand(word::wdParagraph);
    for (;;) {
        const int v = c.ParagraphFormat().OutlineLevel();
        if (v > 9) {
            if (nextHeading(walk))
                return true;
        } else if (v == level) {
            node = addNode(walk.tree, node, nodeText(c));
            if (nextHeading(walk))
                return true;
        } else if (v < level) {
            return false;
        } else {
            if (node.isValid())
                walk.tree->setData(node, 0, OutlineImageRole);
            const QModelIndex child = addChild(walk.tree, node, nodeText(c));
            if (AddOutlineNodes(walk, child, level + 1))
                return true;
        }
    }
}
