#include "chmimport/ToDocPDF.h"

#include "chmimport/Parallel.h"
#include "foundation/OLEMessageFilter.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

int Round(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode halves to even
}

// The guarded options, in save order, with their accessors.
struct OptionMember {
    const char *name;
    bool (*get)();
    void (*set)(bool);
};

const std::array<OptionMember, 47> &Members()
{
#define QC_OPTION(name, def) {#name, [] { return word::Options().name(); }, [](bool on) { word::Options().set##name(on); }},
#define QC_AUTOCORRECT(name, def)                                                                            \
    {#name, [] { return word::AutoCorrect().name(); }, [](bool on) { word::AutoCorrect().set##name(on); }},
    static const std::array<OptionMember, 47> members{{QC_WORD_OPTIONS(QC_OPTION) QC_WORD_AUTOCORRECT(QC_AUTOCORRECT)}};
#undef QC_OPTION
#undef QC_AUTOCORRECT
    return members;
}

constexpr int ContextualSpellerIndex = 2; // member 3, known from Word 12 on

// Runs fn for each member index of the list in order, skipping the
// contextual speller before Word 12; the first failure ends the walk silently.
template <typename F>
void Guarded(const TWordRun &Run, std::initializer_list<std::pair<int, int>> spans, F &&fn)
{
    try {
        for (const auto &[from, to] : spans)
            for (int i = from; i <= to; ++i)
                if (i != ContextualSpellerIndex || Run.NewWord)
                    fn(i);
    } catch (...) {
    }
}

// A report that must not end the run: the failure path and the clean-up
// always run to their end, so a cancel raised by the handler is dropped.
void QuietReport(const TProcEvent &OnChange, const QString &Text, int Percent)
{
    if (!OnChange)
        return;
    try {
        OnChange(Text, Percent);
    } catch (...) {
    }
}

QString ErrorText(const std::exception &e)
{
    if (const auto *ex = dynamic_cast<const Exception *>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}

} // namespace

const std::array<const char *, 47> &WordOptionNames()
{
    static const std::array<const char *, 47> names = [] {
        std::array<const char *, 47> out{};
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = Members()[i].name;
        return out;
    }();
    return names;
}

void SaveWordOptions(TWordRun &Run)
{
    Guarded(Run, {{0, 46}}, [&](int i) { Run.Saved[size_t(i)] = Members()[size_t(i)].get(); });
}

void DisableWordAutoFormat(TWordRun &Run)
{
    Guarded(Run, {{0, 3}, {39, 46}, {4, 38}}, [](int i) { Members()[size_t(i)].set(false); });
}

void RestoreWordOptions(TWordRun &Run)
{
    Guarded(Run, {{0, 46}}, [&](int i) { Members()[size_t(i)].set(Run.Saved[size_t(i)]); });
}

void RefreshWordDocument(TWordRun &Run, const TProcEvent &OnChange)
{
    if (OnChange)
        OnChange(QStringLiteral("Freshing document(it may take a long time)..."), 0);
    // The document is closed once saved: what was built to find its
    // paragraphs and fields need not be held while it is written.
    Run.R.reset();
    Run.D->releaseLookups();
    // The work file is read back at once, by this program only: it is
    // compressed for speed.
    if (Run.WorkFormat == word::wdFormatXMLDocument)
        Run.D->SaveWorkCopy(Run.WorkFile);
    else
        Run.D->SaveAs(Run.WorkFile, Run.WorkFormat);
    Run.W->Quit(word::wdDoNotSaveChanges);
    Run.D = nullptr;
    ReleaseFreedMemory();
    Run.W = std::make_unique<word::Application>();
    Run.D = Run.W->Documents().Add(Run.WorkFile, true);
    Run.R = std::make_unique<word::Range>(Run.D->Content());
}

// --- pages prepared ahead ----------------------------------------------------

// Opens the entries' pages as documents and copies their content ahead of
// the paste, on several threads, a few pages ahead of it; the paste takes
// them in the entries' order, so the document is the same as when each page
// is read just before it is pasted. Pages read ahead hold a few megabytes
// at most together (a larger page is read alone), so that memory stays
// what one large page needs. A handful of pages is read on the paste's own
// thread, when it takes them: threads would gain nothing there.
class TPagePreparer {
public:
    // Files: the page of each entry by its position, empty for none.
    // Caller: the paste's own engine (a restart replaces it).
    TPagePreparer(const TChmToDocPDF &Owner, std::unique_ptr<word::Application> &Caller, QStringList Files)
        : owner_(Owner), caller_(Caller), files_(std::move(Files)), pages_(size_t(files_.size())),
          sizes_(size_t(files_.size()))
    {
        int pages = 0;
        for (int k = 0; k < files_.size(); ++k)
            if (!files_.at(k).isEmpty()) {
                ++pages;
                sizes_[size_t(k)] = QFileInfo(files_.at(k)).size();
            }
        if (pages < kFewPages)
            return;
        const int workers = std::max(1, ImportThreads() - 1);
        window_ = 2 * workers;
        for (int t = 0; t < workers; ++t)
            threads_.emplace_back([this] { work(); });
    }
    ~TPagePreparer() { Finish(); }
    // Stops the threads (all pages taken, or the build given up).
    void Finish()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        workerWake_.notify_all();
        for (std::thread &t : threads_)
            t.join();
        threads_.clear();
    }
    TPagePreparer(const TPagePreparer &) = delete;
    TPagePreparer &operator=(const TPagePreparer &) = delete;

    bool HasPage(int index) const { return index < files_.size() && !files_.at(index).isEmpty(); }
    // The page of the entry at index (which HasPage); entries are taken in
    // their order.
    TPreparedPage Take(int index)
    {
        if (threads_.empty())
            return prepare(*caller_, index);
        std::unique_lock<std::mutex> lock(mutex_);
        waitingFor_ = index;
        ready_.wait(lock, [&] { return pages_[size_t(index)].has_value(); });
        waitingFor_ = -1;
        TPreparedPage page = std::move(*pages_[size_t(index)]);
        pages_[size_t(index)].reset();
        taken_ = index + 1;
        aheadBytes_ -= sizes_[size_t(index)];
        // Room for the next page: one idle thread is enough to take it.
        if (idle_ > 0)
            workerWake_.notify_one();
        return page;
    }

private:
    static constexpr int kFewPages = 16;
    static constexpr qint64 kAheadBytes = 8 * 1024 * 1024;

    TPreparedPage prepare(word::Application &W, int index) const
    {
        try {
            return owner_.preparePage(W, files_.at(index));
        } catch (const std::exception &e) {
            TPreparedPage failed;
            failed.failure = ErrorText(e);
            return failed;
        }
    }

    void work()
    {
        word::Application app;
        for (;;) {
            int index = -1;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                for (;;) {
                    while (next_ < files_.size() && files_.at(next_).isEmpty())
                        ++next_;
                    if (stop_ || next_ >= files_.size())
                        return;
                    if (next_ < taken_ + window_
                        && (aheadBytes_ == 0 || aheadBytes_ + sizes_[size_t(next_)] <= kAheadBytes))
                        break;
                    ++idle_;
                    workerWake_.wait(lock);
                    --idle_;
                }
                index = next_++;
                aheadBytes_ += sizes_[size_t(index)];
                // More room left: another idle thread takes the page after.
                if (idle_ > 0 && next_ < files_.size() && next_ < taken_ + window_
                    && aheadBytes_ + sizes_[size_t(next_)] <= kAheadBytes)
                    workerWake_.notify_one();
            }
            TPreparedPage page = prepare(app, index);
            std::lock_guard<std::mutex> lock(mutex_);
            pages_[size_t(index)] = std::move(page);
            if (waitingFor_ == index)
                ready_.notify_one();
        }
    }

    const TChmToDocPDF &owner_;
    std::unique_ptr<word::Application> &caller_;
    const QStringList files_;
    std::vector<std::optional<TPreparedPage>> pages_;
    std::vector<qint64> sizes_; // of each entry's page file
    qint64 aheadBytes_ = 0;     // of the pages being read or read and not taken
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable ready_;      // a page the paste waits for is read
    std::condition_variable workerWake_; // a thread may read the next page
    int waitingFor_ = -1;                // the page the paste waits for
    int idle_ = 0;                       // threads waiting for room
    int next_ = 0;  // the next entry a worker looks at
    int taken_ = 0; // entries before this one were taken
    int window_ = 0;
    bool stop_ = false;
};

// --- settings ----------------------------------------------------------------

TDocPDFSettings::TDocPDFSettings()
{
    for (int i = 1; i <= 9; ++i)
        StringToFont(QStringLiteral("Calibri,%1,0,[]").arg(29 - 2 * i), HeadingFont[size_t(i)]);
}

// --- converter ---------------------------------------------------------------

TChmToDocPDF::TChmToDocPDF() : Settings(std::make_unique<TDocPDFSettings>()) {}

TChmToDocPDF::~TChmToDocPDF() = default;

void TChmToDocPDF::UpdateSettings()
{
    AddHint = Settings->AddHint;
    HintFormat = Settings->HintFormat;
    Discard = Settings->Discard;
    Addenda = Settings->Addenda;
}

QString TChmToDocPDF::SaveTarget(const QString &Target)
{
    const QString suffix = QFileInfo(Target).suffix().toLower();
    if (suffix == QLatin1String("doc") || suffix == QLatin1String("docx"))
        return Target;
    const QFileInfo info(Target);
    const QString base = info.suffix().isEmpty() ? Target : Target.left(Target.size() - info.suffix().size() - 1);
    return base + QStringLiteral(".docx");
}

void TChmToDocPDF::report(const QString &Text, int Percent)
{
    if (FOnChange)
        FOnChange(Text, Percent);
}

void TChmToDocPDF::OutputWord()
{
    TWordRun Run;
    bool saved = false;
    bool completed = false;
    IOleMessageFilter::RegisterFilter();
    try {
        buildDocument(Run, saved);
        completed = true;
    } catch (const std::exception &e) {
        QuietReport(FOnChange, QStringLiteral("Failed."), 0);
        Failed = true;
        if (FOnError)
            FOnError(ErrorText(e));
    } catch (...) {
        QuietReport(FOnChange, QStringLiteral("Failed."), 0);
        Failed = true;
        if (FOnError)
            FOnError(QStringLiteral("Unknown error."));
    }
    // Clean-up, on every path; its first error ends that guard silently.
    try {
        if (Run.W) {
            RestoreWordOptions(Run);
            Run.R.reset();
            Run.D = nullptr;
            Run.W->Quit(word::wdDoNotSaveChanges);
            Run.W.reset();
        }
        if (!Run.WorkFile.isEmpty())
            QFile::remove(Run.WorkFile);
    } catch (...) {
    }
    try {
        if (!rootFolder.isEmpty())
            DeleteFolder(rootFolder);
    } catch (...) {
    }
    IOleMessageFilter::RevokeFilter();
    if (completed && saved)
        QuietReport(FOnChange, QStringLiteral("OK!"), 100);
    OK = true;
    QuietReport(FOnChange, QString(), 100);
}

void TChmToDocPDF::buildDocument(TWordRun &Run, bool &Saved)
{
    ReleaseDistillWork();
    report(QStringLiteral("Launching Word..."), 20);
    Run.W = std::make_unique<word::Application>();
    Run.NewWord = FirstNumber(Run.W->Version()) >= 12;
    SaveWordOptions(Run);
    DisableWordAutoFormat(Run);
    report(QStringLiteral("Word launched."), 20);

    // The work file of the restarts: a private temporary name.
    Run.WorkFile = NewTempFileName();
    QFile::remove(Run.WorkFile);
    Run.WorkFile = QFileInfo(Run.WorkFile).path() + QLatin1Char('/') + QFileInfo(Run.WorkFile).completeBaseName()
                   + (Run.NewWord ? QStringLiteral(".docx") : QStringLiteral(".doc"));
    Run.WorkFormat = Run.NewWord ? word::wdFormatXMLDocument : word::wdFormatDocument;

    report(QStringLiteral("Creating document..."), 20);
    Run.D = Run.W->Documents().Add();
    word::PageSetup setup = Run.D->PageSetup();
    setup.setPaperSize(Settings->PaperSize);
    if (Settings->PaperSize == word::wdPaperCustom) {
        setup.setPageHeight(Round(Settings->Height * 2.85));
        setup.setPageWidth(Round(Settings->Width * 2.85));
    }
    setup.setTopMargin(Round(Settings->Top * 2.85));
    setup.setBottomMargin(Round(Settings->Bottom * 2.85));
    setup.setLeftMargin(Round(Settings->Left * 2.85));
    setup.setRightMargin(Round(Settings->Right * 2.85));
    setup.LineNumbering().setActive(false);
    Run.D->WebOptions().setAllowPNG(true);
    Run.D->WebOptions().setTargetBrowser(4);
    Run.D->Bookmarks().setShowHidden(true);

    for (int i = 1; i <= 9; ++i) {
        const TFont &f = Settings->HeadingFont[size_t(i)];
        word::Font font = Run.D->Styles().Item(-(i + 1)).Font();
        font.setName(f.Name);
        font.setColor(f.Color);
        font.setSize(f.Size);
        font.setBold(f.Bold);
        font.setItalic(f.Italic);
        font.setUnderline(f.Underline ? word::wdUnderlineSingle : word::wdUnderlineNone);
    }
    // No numbering on any paragraph style.
    const int styleCount = Run.D->Styles().Count();
    for (int i = 1; i <= styleCount; ++i) {
        try {
            word::DocumentStyle style = Run.D->Styles().Item(i);
            if (style.Type() == word::wdStyleTypeParagraph)
                style.LinkToListTemplate(nullptr);
        } catch (const Exception &) {
        }
    }

    const int N = List.Count();
    const double Step = N > 0 ? 60.0 / N : 0.0;
    Run.R = std::make_unique<word::Range>(Run.D->Content());
    // The entries' pages, read ahead of the paste.
    QStringList files;
    for (int i = 0; i < N; ++i) {
        const TTitleList &E = *List.Items(i);
        const QString file = rootFolder + E.Url;
        files << (E.Status == 0 && !E.Url.isEmpty() && QFileInfo(file).isFile() ? file : QString());
    }
    TPagePreparer pages(*this, Run.W, files);
    int lastRefresh = 0;
    for (int i = 0; i < N; ++i) {
        const TTitleList &E = *List.Items(i);
        report(QStringLiteral("Processing (%1 of %2) %3...").arg(i + 1).arg(N).arg(E.Url), Round(i * Step) + 20);
        addEntry(Run, E, pages, i);
        if (RefreshAfter(i, lastRefresh)) {
            RefreshWordDocument(Run, FOnChange);
            lastRefresh = i;
        } else if (i % 1000 == 999) {
            // The pages read ahead leave freed memory behind on their threads.
            ReleaseFreedMemory();
        }
    }
    pages.Finish();
    RefreshWordDocument(Run, FOnChange);

    if (ForQuillcraft) {
        // Pictures of the pasted pages are stored in the document already
        // (the engine embeds every picture it reads), so no link is left to
        // break; the walk reports its progress as the user expects.
        report(QStringLiteral("Saving pictures to document..."), 80);
        const int NI = Run.D->InlineShapes().Count();
        const int NS = Run.D->Shapes().Count();
        const int T = NI + NS;
        if (T > 0) {
            const double PStep = 10.0 / T;
            for (int k = 1; k <= T; ++k)
                report(QStringLiteral("Saving pictures to document (%1 of %2)...").arg(k).arg(T), Round(k * PStep) + 80);
        }
    }

    report(QStringLiteral("Saving document..."), 98);
    const QString target = SaveTarget(pdf);
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("The folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(folder)));
    Abort = false;
    while (IsFileInUse(target)) {
        if (FOnDenied)
            FOnDenied(target);
        else
            Abort = true; // nobody to ask: giving up beats asking for ever
        if (Abort)
            break;
    }
    if (Abort) {
        Failed = true;
    } else {
        const bool doc = QFileInfo(target).suffix().compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0;
        Run.D->releaseLookups();
        Run.D->SaveAs(target, doc ? word::wdFormatDocument : word::wdFormatXMLDocument);
        Saved = true;
    }
    Run.R.reset();
    Run.D->Close(word::wdDoNotSaveChanges);
    Run.D = nullptr;
}

void TChmToDocPDF::addEntry(TWordRun &Run, const TTitleList &E, TPagePreparer &Pages, int Index)
{
    word::Range &R = *Run.R;
    word::Document &D = *Run.D;
    // Heading 1 to 9; deeper entries stay at Heading 9.
    const int style = -(std::clamp(E.Level, 0, 8) + 2);
    R.Collapse(word::wdCollapseEnd);
    R.setStyle(style);
    R.InsertAfter(E.Topic);
    R.setStyle(style);
    if (!E.Bookmark.isEmpty())
        R = D.Bookmarks().Add(E.Bookmark, R).Range();
    R.Collapse(word::wdCollapseEnd);
    R.InsertParagraphAfter();
    R.Collapse(word::wdCollapseEnd);

    if (Settings->XE && !E.Keywords.isEmpty()) {
        // One index entry per keyword, its levels as the index nests them and
        // its text as the index writes it; the anchor it pointed at is where
        // the entry's own text begins.
        word::Fields fields = R.Fields();
        for (const QString &K : E.Keywords.split(KeywordSeparator, Qt::SkipEmptyParts))
            fields.Add(R, word::fields::wdFieldIndexEntry, word::fields::indexEntryText(KeywordLevels(K)), false);
        // The range moved past each new field: it is at the end of the
        // document, where the next text goes.
    }

    if (E.Status == 0) {
        if (Pages.HasPage(Index))
            pastePage(Run, Pages.Take(Index));
    } else if (E.Status == 3) {
        R.Collapse(word::wdCollapseEnd);
        R.setStyle(-1);
        R = D.Hyperlinks().Add(R, E.Url, QString(), QString(), E.Url).Range();
        R.Collapse(word::wdCollapseEnd);
        R.InsertParagraphAfter();
    }
}

TPreparedPage TChmToDocPDF::preparePage(word::Application &W, const QString &File) const
{
    TPreparedPage page;
    word::Document *P = nullptr;
    try {
        // The page's pictures come from the work folder and nowhere else.
        P = W.Documents().Open(File, word::wdOpenFormatWebPages, rootFolder);
    } catch (const Exception &e) {
        // A page that cannot be read (or only in part, when memory runs out)
        // would be lost from a document reported as made: the import fails,
        // naming the page inside the help file rather than the work folder.
        page.failure = QStringLiteral("Cannot import the help file \"%1\": %2")
                           .arg(QDir::toNativeSeparators(OwnChmFile()), QString(e.message()).replace(rootFolder, QString()));
        return page;
    }
    try {
        // Inner headings become Normal paragraphs that keep their look. The
        // headings are found in one walk over the page: each change would
        // make a search from heading to heading start over.
        std::vector<word::Paragraph> headings;
        word::Paragraphs paragraphs = P->Paragraphs();
        for (int k = 1, n = paragraphs.Count(); k <= n; ++k)
            if (const word::Paragraph p = paragraphs.Item(k); p.OutlineLevel() < 10)
                headings.push_back(p);
        for (const word::Paragraph &heading : headings) {
            word::Range G = heading.Range();
            word::ParagraphFormat format = G.ParagraphFormat();
            const QString Y = format.Style();
            const int alignment = format.Alignment();
            format.setStyle(-1);
            word::Font look = P->Styles().Item(Y).Font();
            word::Font font = G.Font();
            if (look.Name() != QLatin1String("Times New Roman"))
                font.setName(look.Name());
            font.setSize(std::min(look.Size(), 14.0));
            font.setColor(look.Color());
            font.setBold(look.Bold());
            G.ParagraphFormat().setAlignment(alignment);
        }
        word::Range C = P->Content();
        if (C.End() > C.Start()) {
            C.Copy();
            page.copied = true;
        }
    } catch (const Exception &) {
        // a page that cannot be reshaped or copied adds nothing
    }
    // The page is closed before its copy is pasted, and the copy is let go
    // of once pasted: a large page is held twice at most, not three times.
    P->Close(word::wdDoNotSaveChanges);
    page.clip = W.takeClipboard();
    return page;
}

void TChmToDocPDF::pastePage(TWordRun &Run, TPreparedPage Page)
{
    if (!Page.failure.isEmpty())
        throw Exception(Page.failure);
    if (!Page.copied)
        return;
    Run.W->setClipboard(std::move(Page.clip));
    try {
        word::Range &R = *Run.R;
        R.Collapse(word::wdCollapseEnd);
        R.setStyle(-1);
        R.Paste();
    } catch (const Exception &) {
        // a page that cannot be pasted adds nothing
    }
    Run.W->setClipboard(word::Clip());
}
