#pragma once
// The PDF output of a build: the document engine of the build opens the
// working copy of the source document and exports it as PDF with bookmarks
// from the headings; then the project's initial view (side pane,
// magnification, page layout) is written into the file.
#include <QString>
#include <functional>

class TProject;
namespace word {
class Application;
}

class TPDF {
public:
    using TNotifyEvent = std::function<void(TPDF *Sender)>;

    TPDF() = default;
    virtual ~TPDF() = default;

    // Word: the working copy of the source document; Pdf: the output file.
    // Reports 20, 45, 80 and 100 through FOnProcess. Throws Exception on
    // any failure (the document is then left to the application's Quit).
    void Build(const QString &Word, const QString &Pdf);

    word::Application *WordApplication = nullptr; // not owned
    TProject *Project = nullptr;                  // not owned; gives the initial view
    int Position = 0;                             // 0 to 100
    TNotifyEvent FOnProcess;

private:
    void SetPosition(int Value);
};
