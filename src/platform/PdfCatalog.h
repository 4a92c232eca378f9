#pragma once
// Rewrites the document catalogue of a PDF file: how a viewer first shows the
// file (side pane, page layout, the view it opens at). The catalogue is found
// through the trailer, wherever the writer put it, and the file is written
// out whole with a fresh cross-reference table.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace pdf {

// The view a viewer opens the first page at.
enum class OpenView {
    Unchanged,   // leave /OpenAction as it is
    Fit,         // the whole page in the window
    FitWidth,    // the page's width, from its top edge
    FitVisible,  // the width of the page's visible content, from its top edge
    ActualSize,  // 100% zoom
};

struct ViewEntries {
    QByteArray pageMode;   // a /PageMode name without its slash ("UseOutlines"); empty: unchanged
    QByteArray pageLayout; // a /PageLayout name ("SinglePage"); empty: unchanged
    OpenView openView = OpenView::Unchanged;
    // The creation and modification date the file records. The writer's own
    // dates (the moment of the export) and its checksum over them are
    // replaced, so that the same document gives the same bytes; invalid: the
    // file records no dates.
    QDateTime date;
    // The language the file declares (/Lang, a tag such as "en-US"); empty:
    // unchanged.
    QString language;
};

// Reads source, sets the entries in its catalogue and writes the result to
// target (which may be source). Links that run script or open a
// "javascript:", "vbscript:" or "data:" address lose their link area; the
// text under them stays. The output goes to a temporary file beside
// target that replaces it only when complete, so a failure leaves target as
// it was. A file that is not a sound PDF is refused. Throws Exception naming
// the file and the problem.
void SetViewEntries(const QString &source, const QString &target, const ViewEntries &entries);

} // namespace pdf
