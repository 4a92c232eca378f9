// The page distiller: contents links made into work-folder paths, every page
// reachable from the contents found, shared headers and footers cut, each
// page reduced to its main content and split at contents anchors, entries
// numbered and links between pages turned into links to bookmarks.
#include "chmimport/ChmTo.h"
#include "chmimport/Parallel.h"

#include "foundation/HTMLProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"

#include "platform/Exception.h"
#include "platform/Prompt.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <climits>

namespace {

bool isSpace(QChar c) { return HtmlSpaceChars.contains(c); }

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString fileNameOf(const QString &path)
{
    const QString p = BackslashToSlash(path);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

QString extensionOf(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : path.mid(dot);
}

// Copies a page and lets the caller replace each attribute value inside a
// tag and add text after each tag's ">". The rules follow the page scanners:
// an attribute name runs up to "=" (whitespace restarts it), a value is
// quoted with " or ' (ending at its quote or ">") or bare (ending at
// whitespace or ">").
struct AttributeRewriter {
    std::function<void(const QString &tagName)> onName;
    std::function<QString(const QString &tagName, const QString &attribute, const QString &value)> onValue;
    std::function<QString(const QString &tagName)> onTagEnd;

    QString run(const QString &S) const
    {
        QString out;
        out.reserve(S.size() + S.size() / 8);
        bool inTag = false, nameDone = false, inValue = false, valueNext = false;
        QChar quote;
        QString tagName, attribute, value;
        auto endValue = [&](QChar ending) {
            out += onValue ? onValue(tagName, attribute, value) : value;
            out += ending;
            inValue = false;
            attribute.clear();
            value.clear();
        };
        auto endTag = [&] {
            if (onTagEnd)
                out += onTagEnd(tagName);
            inTag = false;
        };
        for (qsizetype p = 0; p < S.size(); ++p) {
            const QChar c = S.at(p);
            if (!inTag) {
                // Text up to the next tag is copied as it is.
                qsizetype next = S.indexOf(QLatin1Char('<'), p);
                if (next < 0)
                    next = S.size();
                out += QStringView(S).mid(p, next - p);
                p = next;
                if (p < S.size()) {
                    out += QLatin1Char('<');
                    inTag = true;
                    nameDone = false;
                    valueNext = false;
                    tagName.clear();
                    attribute.clear();
                }
                continue;
            }
            if (inValue) {
                const bool ends = quote.isNull() ? (isSpace(c) || c == QLatin1Char('>'))
                                                 : (c == quote || c == QLatin1Char('>'));
                if (!ends) {
                    value += c;
                    continue;
                }
                endValue(c);
                if (c == QLatin1Char('>'))
                    endTag();
                continue;
            }
            if (!nameDone) {
                if (!isSpace(c) && c != QLatin1Char('>')) {
                    tagName += c;
                    out += c;
                    continue;
                }
                nameDone = true;
                if (onName)
                    onName(tagName);
            }
            if (valueNext) {
                valueNext = false;
                if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                    quote = c;
                    out += c;
                    inValue = true;
                    continue;
                }
                quote = QChar();
                if (isSpace(c) || c == QLatin1Char('>')) {
                    endValue(c);
                    if (c == QLatin1Char('>'))
                        endTag();
                    continue;
                }
                inValue = true;
                value += c;
                continue;
            }
            out += c;
            if (c == QLatin1Char('>'))
                endTag();
            else if (isSpace(c))
                attribute.clear();
            else if (c == QLatin1Char('='))
                valueNext = true;
            else
                attribute += c;
        }
        return out;
    }
};

// A link's page and anchor; a query after the page ("b.htm?x=1") names the
// same page.
void splitLink(const QString &link, QString &file, QString &anchor)
{
    SplitUrlAnchor(link, file, anchor);
    const qsizetype query = file.indexOf(QLatin1Char('?'));
    if (query >= 0)
        file.truncate(query);
}

} // namespace

bool IsOutsideLink(const QString &Url)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]+:"));
    return scheme.match(Url.trimmed()).hasMatch();
}

QString UnhideContent(const QString &Text)
{
    QString t = Text;
    for (const char *hidden : {"display:none", "display: none", "display :none", "display : none"})
        t.replace(QLatin1String(hidden), QLatin1String("display:block"), Qt::CaseInsensitive);
    t.replace(QStringLiteral("Align=justify"), QStringLiteral("Align=left"), Qt::CaseInsensitive);
    t.replace(QStringLiteral("Align=\"justify\""), QStringLiteral("Align=\"left\""), Qt::CaseInsensitive);
    t.replace(QStringLiteral("Align='justify'"), QStringLiteral("Align='left'"), Qt::CaseInsensitive);
    return t;
}

QString LoadWorkPage(const QString &FileName)
{
    QString failure;
    try {
        return LoadTextFile(FileName, QString());
    } catch (const Exception &e) {
        failure = e.message();
    } catch (const std::exception &e) {
        failure = QStringLiteral("Cannot read the page \"%1\": %2").arg(FileName, QString::fromLocal8Bit(e.what()));
    }
    ShowMessage(MessageKind::Error, failure, ButtonOk);
    return QString();
}

QByteArray EncodeWorkPage(const QString &Page, const QString &FileName)
{
    const int encoding = GetHtmlEncoding(Page);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    try {
        SaveTextToStream(ReferenceUnencodable(Page, encoding), encoding, buffer);
    } catch (const Exception &e) {
        throw Exception(QStringLiteral("Cannot write the page \"%1\": %2").arg(FileName, e.message()));
    }
    return buffer.data();
}

void WriteWorkPage(const QByteArray &Bytes, const QString &FileName)
{
    // The page is written over the old one and then cut to its length,
    // never emptied first: a file system may write a file emptied and
    // rewritten through to the disk when it is closed, which would cost the
    // import a disk write per page.
    QFile file(FileName);
    if (!file.open(QIODevice::ReadWrite) || file.write(Bytes) != Bytes.size() || !file.flush()
        || !file.resize(Bytes.size()))
        throw Exception(QStringLiteral("Cannot write the page \"%1\": %2").arg(FileName, file.errorString()));
}

void SaveWorkPage(const QString &Page, const QString &FileName)
{
    if (Page.isEmpty())
        return;
    WriteWorkPage(EncodeWorkPage(Page, FileName), FileName);
}

TCHMDistill::TCHMDistill() = default;

void TCHMDistill::Execute()
{
    run(true);
}

void TCHMDistill::Execute2()
{
    run(false);
}

void TCHMDistill::run(bool distillAll)
{
    if (FOnChange)
        FOnChange(QStringLiteral("Analyzing..."), 5);
    ProcessTocLink();
    FillFileList();
    ChangeCSS();
    if (FOnChange)
        FOnChange(QStringLiteral("Preparing to distill pages..."), 10);
    RemoveSame();
    NonTocFileToToc();
    GetChapterNumber();
    GetBookmark();
    List.initializeUrls();
    if (FOnChange)
        FOnChange(QStringLiteral("Distilling pages..."), 15);
    // The pieces of split pages get their names first, so that links inside
    // them and links to them are rewritten too.
    ProcessTocLink2();
    List.initializeUrls();
    DistillPages(distillAll);
}

void TCHMDistill::output()
{
    ProcessTocLink();
    GetChapterNumber();
    GetBookmark();
    List.initializeUrls();
    DistillPages(true);
}

void TCHMDistill::ReleaseDistillWork()
{
    TopicList.Clear();
    pageOfPiece_ = QHash<QString, QString>();
    found_ = QHash<QString, QString>();
    missing_ = QSet<QString>();
    rootIndex_ = QHash<QString, QString>();
    rootIndexStale_ = true;
    UnplacedKeywords.clear();
    List.Urls.clear();
    ReleaseFreedMemory();
}

bool TCHMDistill::IsOutOfRootfolder(const QString &Url) const
{
    return !ResolvePath(Url).startsWith(rootFolder, Qt::CaseInsensitive);
}

QString TCHMDistill::FindInRoot(const QString &Path) const
{
    const QString resolved = ResolvePath(Path);
    if (rootFolder.isEmpty() || !resolved.startsWith(rootFolder) || resolved.size() == rootFolder.size())
        return QString();
    // Pages link to the same pages again and again: each path is looked up
    // on the disk once. Files are only added while the import runs, so a
    // file found stays found; what was missing is looked for again after
    // files were added.
    if (const auto hit = found_.constFind(resolved); hit != found_.constEnd())
        return hit.value();
    if (missing_.contains(resolved))
        return QString();
    const QString result = findOnDisk(resolved);
    if (result.isEmpty())
        missing_.insert(resolved);
    else
        found_.insert(resolved, result);
    return result;
}

QString TCHMDistill::findOnDisk(const QString &resolved) const
{
    QFileInfo info(resolved);
    if (!info.exists()) {
        // Pages written on Windows name files in any case. The folder tree
        // is read once into an index rather than at every missing link.
        if (rootIndexStale_) {
            rootIndex_.clear();
            QDirIterator it(rootFolder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                if (!rootIndex_.contains(path.toLower()))
                    rootIndex_.insert(path.toLower(), path);
            }
            rootIndexStale_ = false;
        }
        const QString found = rootIndex_.value(resolved.toLower());
        if (found.isEmpty() || !found.startsWith(rootFolder))
            return QString();
        info.setFile(found);
    }
    return info.isFile() && !info.isSymLink() ? info.filePath() : QString();
}

QString TCHMDistill::ProcessDecompiledUrl(const QString &Url, const QString &CurrentUrl)
{
    QString url = Url.trimmed();
    const QString own = QFileInfo(OwnChmFile()).fileName();
    QString linkedName, inner;
    if (HasHelpFilePrefix(url) && url.contains(QStringLiteral("::"))) {
        const bool named = SplitHelpFileLink(url, linkedName, inner);
        if (named && linkedName.compare(own, Qt::CaseInsensitive) == 0) {
            url = inner;
        } else {
            if (named && linkedHelpFile(linkedName)) {
                if (!inner.startsWith(QLatin1Char('/')))
                    inner.prepend(QLatin1Char('/'));
                url = QLatin1Char('/') + linkedName + inner;
            } else {
                url.clear();
            }
        }
    }
    QString result = url;
    if (url.size() <= 2)
        return result;
    // A link naming a scheme points outside the help file and stays as it is.
    if (IsOutsideLink(url))
        return result;
    if (url.startsWith(QLatin1Char('/')) || url.startsWith(QLatin1Char('\\'))) {
        url.remove(0, 1);
        const QString target = ResolvePath(rootFolder + url);
        result = target.startsWith(rootFolder) ? RelativeUrl(CurrentUrl, target) : fileNameOf(url);
    } else if (url.at(1) == QLatin1Char(':')) {
        result = fileNameOf(url);
    } else if (url.contains(QLatin1String(".."))) {
        if (IsOutOfRootfolder(folderOf(BackslashToSlash(CurrentUrl)) + url))
            result = fileNameOf(url);
    }
    return result;
}

bool TCHMDistill::linkedHelpFile(const QString &name)
{
    std::lock_guard<std::mutex> lock(linkedMutex_);
    if (const auto known = linked_.constFind(name.toLower()); known != linked_.constEnd())
        return known.value();
    // Only a help file beside the imported one is looked for.
    const QString path = folderOf(QFileInfo(OwnChmFile()).absoluteFilePath()) + name;
    const QString sub = rootFolder + name + QLatin1Char('/');
    bool taken = false;
    if (QFileInfo::exists(sub)) {
        taken = true; // merged into the contents, and so unpacked, already
    } else {
        bool missing = false;
        const QString refusal = siblingRefusal(name, &missing);
        if (!missing && !refusal.isEmpty()) {
            Notes << QStringLiteral("The pages of \"%1\" link to the help file \"%2\", which %3: those links keep "
                                    "their text only.")
                         .arg(QFileInfo(OwnChmFile()).fileName(), name, refusal);
        } else if (!missing) {
            // A help file that this one links to is unpacked once, into a
            // folder of its name inside the work folder.
            TCHMDecompile other;
            adoptSibling(other);
            other.LoadFromCHM(path);
            other.rootFolder = sub;
            other.decompile();
            WorkFolderChanged();
            taken = true;
        }
    }
    linked_.insert(name.toLower(), taken);
    return taken;
}

void TCHMDistill::takeInLinkedHelpFiles(const QString &page)
{
    if (!page.contains(QStringLiteral("::")))
        return;
    const QString own = QFileInfo(OwnChmFile()).fileName();
    AttributeRewriter rw;
    rw.onValue = [&](const QString &, const QString &attribute, const QString &value) {
        const QString url = value.trimmed();
        QString name, inner;
        if (IsLinkAttribute(attribute) && HasHelpFilePrefix(url) && url.contains(QStringLiteral("::"))
            && SplitHelpFileLink(url, name, inner) && name.compare(own, Qt::CaseInsensitive) != 0)
            linkedHelpFile(name);
        return value;
    };
    rw.run(page);
}

void TCHMDistill::ProcessTocLink()
{
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List.Items(k);
        if (e->Status != 0)
            continue;
        const QString url = e->Url.trimmed();
        if (IsScriptLink(url)) {
            // Script and data entries keep their title only, as such links
            // inside pages keep their text.
            e->Status = 2;
            e->Url.clear();
            continue;
        }
        if (IsOutsideLink(url) && !HasHelpFilePrefix(url)) {
            e->Status = 3;
            continue;
        }
        e->Url = BackslashToSlash(ProcessDecompiledUrl(e->Url, rootFolder));
        // An entry whose page cannot lie in the work folder has no page.
        QString file, anchor;
        SplitUrlAnchor(e->Url, file, anchor);
        if (file.isEmpty() || !ResolvePath(rootFolder + file).startsWith(rootFolder)) {
            e->Status = 2;
            e->Url.clear();
        }
    }
}

void TCHMDistill::FillFileList()
{
    Files.Clear();
    CSSFiles.Clear();
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List.Items(k);
        if (e->Status != 0)
            continue;
        QString file, anchor;
        SplitUrlAnchor(e->Url, file, anchor);
        const QString path = FindInRoot(rootFolder + file);
        if (path.isEmpty()) {
            // A missing page: the entry stays as a heading without page.
            e->Status = 2;
            continue;
        }
        // Pages written on Windows name files in any case: the entry takes
        // the name as it is on disk.
        const QString relative = path.mid(rootFolder.size());
        if (relative != ResolvePath(file))
            e->Url = anchor.isEmpty() ? relative : relative + QLatin1Char('#') + anchor;
        Files.Add(path, e);
    }
    GetLinkPages(Files.Texts());
    // Pages that only the index names come in as pages reached by links.
    QStringList indexed;
    for (const auto &[page, keyword] : UnplacedKeywords) {
        const QString path = FindInRoot(rootFolder + page);
        if (path.isEmpty() || Files.Contains(path) || NonTocicFiles.Contains(path))
            continue;
        NonTocicFiles.Add(path);
        indexed << path;
    }
    GetLinkPages(indexed);
}

void TCHMDistill::GetLinkPages(const QStringList &Pages)
{
    // A work list, not recursion: a chain of thousands of linked pages must
    // not exhaust the stack. The pages of a batch are read and their links
    // rewritten on several threads; the pages the links lead to are looked
    // up in order and make later batches. Each page is rewritten once.
    constexpr qsizetype kBatch = 256;
    QStringList work = Pages;
    for (qsizetype at = 0; at < work.size();) {
        const QStringList batch = work.mid(at, kBatch);
        at += batch.size();
        const int size = int(batch.size());
        std::vector<QString> texts(static_cast<size_t>(size));
        ParallelFor(size, [&](int k) { texts[size_t(k)] = LoadWorkPage(batch.at(k)); });
        for (int k = 0; k < size; ++k)
            takeInLinkedHelpFiles(texts[size_t(k)]);
        // The links as rewritten, gathered in the same pass.
        std::vector<QStringList> links(static_cast<size_t>(size));
        std::vector<QByteArray> rewritten(static_cast<size_t>(size));
        ParallelFor(size, [&](int k) {
            const QString text = rewriteLinks(texts[size_t(k)], batch.at(k), &links[size_t(k)]);
            if (text != texts[size_t(k)] && !text.isEmpty())
                rewritten[size_t(k)] = EncodeWorkPage(text, batch.at(k));
            texts[size_t(k)].clear();
        });
        for (int k = 0; k < size; ++k) {
            const QString &page = batch.at(k);
            if (!rewritten[size_t(k)].isEmpty())
                WriteWorkPage(rewritten[size_t(k)], page);
            rewritten[size_t(k)].clear();
            const QString folder = folderOf(page);
            for (const QString &value : std::as_const(links[size_t(k)])) {
                if (value.isEmpty() || IsOutsideLink(value))
                    continue;
                // A link with an anchor or a query leads to its page as well.
                QString file, anchor;
                splitLink(value, file, anchor);
                const QString ext = extensionOf(file);
                const bool isPage = IsHtmlExtension(ext);
                if (!isPage && ext.compare(QLatin1String(".css"), Qt::CaseInsensitive) != 0)
                    continue;
                const QString path = FindInRoot(folder + BackslashToSlash(file));
                if (path.isEmpty())
                    continue;
                if (!isPage)
                    CSSFiles.Add(path);
                else if (!Files.Contains(path) && !NonTocicFiles.Contains(path)) {
                    NonTocicFiles.Add(path);
                    work.append(path);
                }
            }
        }
    }
}

QString TCHMDistill::ProcessSCR(const QString &S, const QString &CurrentUrl)
{
    return rewriteLinks(S, CurrentUrl, nullptr);
}

QString TCHMDistill::rewriteLinks(const QString &S, const QString &CurrentUrl, QStringList *Links)
{
    AttributeRewriter rw;
    rw.onValue = [&](const QString &, const QString &attribute, const QString &value) {
        if (attribute.compare(QLatin1String("media"), Qt::CaseInsensitive) == 0)
            return value.compare(QLatin1String("screen"), Qt::CaseInsensitive) == 0 ? QStringLiteral("all") : value;
        if (!IsLinkAttribute(attribute))
            return value;
        const QString link = ProcessDecompiledUrl(value, CurrentUrl);
        if (Links)
            Links->append(link);
        return link;
    };
    return rw.run(S);
}

void TCHMDistill::ChangeCSS()
{
    for (const QString &path : CSSFiles.Texts()) {
        const QString text = LoadWorkPage(path);
        const QString unhidden = UnhideContent(text);
        if (unhidden != text)
            SaveWorkPage(unhidden, path);
    }
}

void TCHMDistill::cutShared(bool fromEnd)
{
    const int n = Files.Count();
    const int threshold = qRound(0.8 * n);
    if (n == 0 || threshold < 1)
        return;
    const int count = TopicList.Count();
    // Each text is made comparable once, and pages are looked up by the
    // length of their text: only texts of near lengths can repeat each
    // other, so a block is compared with its few neighbours, not with every
    // page.
    std::vector<QString> key(static_cast<size_t>(count));
    std::vector<std::pair<qsizetype, int>> counted, all; // (length, page), sorted
    auto index = [&] {
        counted.clear();
        all.clear();
        for (int k = 0; k < count; ++k) {
            key[size_t(k)] = SimilarityKey(TopicList.Items(k)->Text);
            all.emplace_back(key[size_t(k)].size(), k);
            if (k < n)
                counted.emplace_back(key[size_t(k)].size(), k);
        }
        std::sort(counted.begin(), counted.end());
        std::sort(all.begin(), all.end());
    };
    // The pages of a sorted list whose text could repeat key.
    auto near = [](const std::vector<std::pair<qsizetype, int>> &list, const QString &of) {
        const auto from = std::lower_bound(list.begin(), list.end(), std::pair(of.size() - kSimilarLengthSpread, -1));
        const auto to = std::upper_bound(list.begin(), list.end(), std::pair(of.size() + kSimilarLengthSpread, INT_MAX));
        return std::pair(from, to);
    };
    auto repeats = [&](int a, int b) {
        return TChmTopicFile::Repeats(key[size_t(a)], TopicList.Items(a)->TextHasLink, key[size_t(b)],
                                      TopicList.Items(b)->TextHasLink);
    };
    // A block goes from a page only while the page keeps other content.
    auto cut = [fromEnd](TChmTopicFile *p) {
        if (!p->HasOtherContent(fromEnd))
            return false;
        fromEnd ? p->SearchUp() : p->SearchDown();
        return true;
    };
    index();
    for (int j = 0; j < count;) {
        TChmTopicFile *pj = TopicList.Items(j);
        // Counting stops once the block is known to be shared, or once the
        // pages left could no longer make it so.
        const auto [from, to] = near(counted, key[size_t(j)]);
        int left = int(to - from);
        int shared = 0;
        for (auto c = from; c != to && shared < threshold && shared + left >= threshold; ++c) {
            --left;
            if (c->second != j && repeats(c->second, j))
                ++shared;
        }
        if (shared < threshold || key[size_t(j)].isEmpty()) {
            ++j;
            continue;
        }
        const auto [cutFrom, cutTo] = near(all, key[size_t(j)]);
        std::vector<TChmTopicFile *> others;
        for (auto k = cutFrom; k != cutTo; ++k)
            if (k->second != j && repeats(k->second, j))
                others.push_back(TopicList.Items(k->second));
        for (TChmTopicFile *pk : others)
            cut(pk);
        // A page that keeps the block as its only content is done with.
        if (!cut(pj))
            ++j;
        index();
    }
}

void TCHMDistill::RemoveSame()
{
    TopicList.Clear();
    {
        // The pages are read on several threads and listed in their order.
        const QStringList files = Files.Texts();
        const QStringList others = NonTocicFiles.Texts();
        std::vector<std::unique_ptr<TChmTopicFile>> read(size_t(files.size() + others.size()));
        ParallelFor(int(read.size()), [&](int k) {
            read[size_t(k)] = k < files.size()
                                  ? std::make_unique<TChmTopicFile>(files.at(k), this, Files.Object(files.at(k))->Topic)
                                  : std::make_unique<TChmTopicFile>(others.at(k - files.size()), this, QString());
        });
        for (auto &page : read)
            TopicList.Add(std::move(page));
    }
    const int n = Files.Count();
    const int count = TopicList.Count();

    // Anchors at which a page named by several entries is split.
    QHash<TTitleList *, TChmTopicFile *> pageOf;
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List.Items(k);
        if (e->Status != 0)
            continue;
        QString file, anchor;
        SplitUrlAnchor(e->Url, file, anchor);
        TChmTopicFile *page = TopicList.GetItemByFilename(rootFolder + file);
        if (!page)
            continue;
        pageOf.insert(e, page);
        if (anchor.isEmpty())
            page->OwnEntry = true;
        if (!anchor.isEmpty() && !page->Bookmarks.GetItemByName(anchor)) {
            auto b = std::make_unique<TBookmark>();
            b->Name = anchor;
            b->Title = e->Topic;
            page->Bookmarks.Add(std::move(b));
        }
        page->QuoteCount += 1;
    }
    for (auto it = pageOf.cbegin(); it != pageOf.cend(); ++it)
        if (it.value()->QuoteCount == 1) {
            QString file, anchor;
            SplitUrlAnchor(it.key()->Url, file, anchor);
            it.key()->Url = file;
        }

    // Footer blocks, then header blocks. Each page is scanned on its own;
    // only the comparison of blocks across pages is done in one pass.
    ParallelFor(count, [this](int k) {
        TChmTopicFile *p = TopicList.Items(k);
        p->IniticalizeTags();
        p->FindText = false;
        p->i = qint32(p->Body.size()) - 1;
        p->SearchUp();
    });
    cutShared(true);
    ParallelFor(count, [this](int k) {
        TChmTopicFile *p = TopicList.Items(k);
        p->IniticalizeTags();
        p->FindText = false;
        p->i = 0;
        p->SearchDown();
    });
    cutShared(false);

    // The pages' own title blocks, when most contents pages start with one.
    std::atomic<int> titled{0};
    ParallelFor(n, [&](int k) {
        if (TopicList.Items(k)->IsTitle())
            ++titled;
    });
    if (n > 0 && titled > 0.8 * n) {
        ParallelFor(count, [this](int k) {
            TChmTopicFile *p = TopicList.Items(k);
            const bool title = p->IsTitle();
            if (title)
                p->TitleFound = true;
            p->Title3 = p->Text;
            // Only a block that is the page's title goes, and only while the
            // page has more to show: any other first block is the page's own.
            if (title && p->HasOtherContent(false))
                p->SearchDown();
        });
        cutShared(false);
    }

    // Each page's main content, cut at its anchors where several entries
    // point into it, is made on several threads; the files are written in
    // the pages' order, as one after the other would write them.
    using PageFiles = std::vector<std::pair<QString, QByteArray>>;
    ParallelInBatches(
        count,
        [this](int k) {
            TChmTopicFile *p = TopicList.Items(k);
            PageFiles out;
            // Tables whose text went with the shared blocks leave no empty shell.
            p->Body = RemoveEmptyTables(p->Distiller());
            p->FindAnchors();
            if (p->QuoteCount > 1 && p->Bookmarks.Count() > 0) {
                p->ProcessBookmarks();
                p->Bookmarks.Sort();
                p->SplitFileByBookmark(&out);
            }
            const QString text = p->BeforeBody + p->Body + p->AfterBody;
            if (!text.isEmpty())
                out.emplace_back(p->Filename, EncodeWorkPage(text, p->Filename));
            // The page's text is on disk soon; only its anchors and
            // bookmarks are needed later.
            p->Body.clear();
            p->Body.squeeze();
            p->BeforeBody.clear();
            p->BeforeBody.squeeze();
            p->AfterBody.clear();
            p->AfterBody.squeeze();
            p->Tags.TruncateTo(0);
            return out;
        },
        [this](int k, PageFiles files) {
            TChmTopicFile *p = TopicList.Items(k);
            if (p->QuoteCount > 1 && p->Bookmarks.Count() > 0) {
                WorkFolderChanged();
                const QString page = p->Filename.mid(rootFolder.size());
                for (int b = 0; b < p->Bookmarks.Count(); ++b)
                    pageOfPiece_.insert(PieceName(page, b).toLower(), page);
            }
            for (const auto &[file, bytes] : files)
                WriteWorkPage(bytes, file);
        });
}

void TCHMDistill::NonTocFileToToc()
{
    if (Discard || NonTocicFiles.Count() == 0)
        return;
    auto addenda = std::make_unique<TTitleList>();
    addenda->Topic = Addenda;
    addenda->Level = 0;
    addenda->Status = 2;
    List.Add(std::move(addenda));
    for (const QString &path : NonTocicFiles.Texts()) {
        auto e = std::make_unique<TTitleList>();
        e->Level = 1;
        e->Status = 0;
        e->Url = path.mid(rootFolder.size());
        e->Topic = TrimWhitespace(GetHtmlTitle(LoadWorkPage(path)));
        if (e->Topic.isEmpty())
            if (const TChmTopicFile *page = TopicList.GetItemByFilename(path))
                e->Topic = page->Title3;
        // A heading without text cannot be found or linked to: a page
        // without a title is named by its file.
        if (e->Topic.trimmed().isEmpty())
            e->Topic = QFileInfo(path).fileName();
        NonTocicFiles.SetObject(path, List.Add(std::move(e)));
    }
    // The keywords of pages that no contents entry names.
    for (const auto &[page, keyword] : UnplacedKeywords)
        if (TTitleList *e = NonTocicFiles.Object(FindInRoot(rootFolder + page))) {
            if (!e->Keywords.isEmpty())
                e->Keywords += KeywordSeparator;
            e->Keywords += keyword;
        }
}

void TCHMDistill::GetChapterNumber()
{
    int c[9] = {0};
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List.Items(k);
        const int level = e->Level;
        if (level >= 0 && level <= 6) {
            c[level] += 1;
            for (int m = level + 1; m < 9; ++m)
                c[m] = 0;
        } else if (level == 7) {
            c[7] += 1;
            c[8] = 0;
        } else if (level == 8) {
            c[8] += 1;
        }
        QString number = c[0] > 0 ? QString::number(c[0]) : QString();
        number += c[1] == 0 ? QStringLiteral(".") : QLatin1Char('.') + QString::number(c[1]);
        for (int m = 2; m < 9; ++m)
            if (c[m] > 0)
                number += QLatin1Char('.') + QString::number(c[m]);
        e->ChapterNumber = number;
    }
}

void TCHMDistill::GetBookmark()
{
    for (int k = 0; k < List.Count(); ++k)
        List.Items(k)->Bookmark = QStringLiteral("Bookmark") + QString::number(k);
}

QString TCHMDistill::DistillPages(bool UrltoBookmark)
{
    TSortedList<TTitleList> urls;
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List.Items(k);
        if (!e->Url.isEmpty() && e->Status != 3)
            urls.Add(e->Url, e);
    }
    // The pages are found in order, then read, rewritten and encoded on
    // several threads a batch at a time, and written in order. A page that
    // two entries' names lead to is rewritten twice, one after the other.
    std::vector<std::pair<QString, TTitleList *>> jobs;
    QSet<QString> paths;
    bool sharedPath = false;
    for (const QString &url : urls.Texts()) {
        const QString path = FindInRoot(rootFolder + url);
        if (path.isEmpty() || url.contains(QLatin1Char('#')))
            continue;
        jobs.emplace_back(path, urls.Object(url));
        if (paths.contains(path))
            sharedPath = true;
        paths.insert(path);
    }
    auto rewrite = [&](const QString &path, TTitleList *first) {
        const QString original = LoadWorkPage(path);
        if (original.isEmpty())
            return QByteArray();
        QString text = original;
        if (text.contains(QLatin1String("<frameset"), Qt::CaseInsensitive))
            first->Status = 2;
        if (UrltoBookmark)
            text = ChangeUrlBookmark(text, first);
        text = UnhideContent(text);
        return text != original && !text.isEmpty() ? EncodeWorkPage(text, path) : QByteArray();
    };
    if (sharedPath) {
        for (const auto &[path, first] : jobs)
            if (const QByteArray bytes = rewrite(path, first); !bytes.isEmpty())
                WriteWorkPage(bytes, path);
        return QString();
    }
    ParallelInBatches(
        int(jobs.size()), [&](int k) { return rewrite(jobs[size_t(k)].first, jobs[size_t(k)].second); },
        [&](int k, const QByteArray &bytes) {
            if (!bytes.isEmpty())
                WriteWorkPage(bytes, jobs[size_t(k)].first);
        });
    return QString();
}

QString PieceName(const QString &Page, int Piece)
{
    const qsizetype dot = Page.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = Page.lastIndexOf(QLatin1Char('/'));
    const QString stem = dot > slash ? Page.left(dot) : Page;
    const QString ext = dot > slash ? Page.mid(dot) : QString();
    return stem + QLatin1Char('_') + QString::number(Piece) + ext;
}

TTitleList *TCHMDistill::LinkTarget(const QString &Page, const QString &Anchor, QString &Bookmark) const
{
    Bookmark.clear();
    const TChmTopicFile *tp = TopicList.GetItemByFilename(rootFolder + Page);
    TTitleList *whole = List.GetItemByUrl(Page);
    if (tp && tp->Bookmarks.Count() > 0 && tp->QuoteCount > 1) {
        // A page split at its entries' anchors: an anchor of an entry leads
        // to that entry's heading, any other to the piece that holds it.
        auto piece = [&](int k) { return List.GetItemByUrl(PieceName(Page, k)); };
        if (!Anchor.isEmpty()) {
            const int k = tp->Bookmarks.GetItemIdByName(Anchor);
            if (k >= 0 && piece(k)) {
                Bookmark = piece(k)->Bookmark;
                return piece(k);
            }
        }
        if (!whole) {
            const int k = Anchor.isEmpty() ? -1 : tp->AnchorPieces.value(Anchor.toLower(), -1);
            TTitleList *e = piece(std::max(k, 0));
            if (!e)
                return nullptr;
            Bookmark = e->Bookmark + (k >= 0 ? QLatin1Char('_') + Anchor : QString());
            return e;
        }
    }
    if (!whole)
        return nullptr;
    Bookmark = whole->Bookmark;
    if (!Anchor.isEmpty() && tp && tp->Anchors.Contains(Anchor))
        Bookmark += QLatin1Char('_') + Anchor;
    return whole;
}

QString TCHMDistill::ChangeUrlBookmark(const QString &Page, TTitleList *Base)
{
    QString remembered;
    bool hasRemembered = false;
    bool hintDue = false;
    bool inA = false;
    // A piece of a split page links like the page it was cut from.
    const QString basePage = pageOfPiece_.value(Base->Url.toLower(), Base->Url);
    AttributeRewriter rw;
    rw.onName = [&](const QString &name) {
        inA = name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0;
        if (inA) {
            remembered.clear();
            hasRemembered = false;
        } else if (name.compare(QLatin1String("/a"), Qt::CaseInsensitive) == 0 && hasRemembered) {
            hintDue = true;
        }
    };
    rw.onValue = [&](const QString &, const QString &attribute, const QString &value) -> QString {
        // An anchor is an A tag's name or any element's id.
        const bool anchorName = inA && attribute.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0;
        if (anchorName || attribute.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0) {
            if (value.isEmpty())
                return value;
            return Base->Bookmark + QLatin1Char('_') + (value.startsWith(QLatin1Char('#')) ? value.mid(1) : value);
        }
        if (!inA || attribute.compare(QLatin1String("href"), Qt::CaseInsensitive) != 0)
            return value;
        QString file, anchor;
        splitLink(value, file, anchor);
        if (file.isEmpty() && anchor.isEmpty())
            return value;
        if (file.contains(QLatin1Char(':')))
            return value;
        QString target = basePage;
        if (!file.isEmpty()) {
            const QString f = BackslashToSlash(file);
            target = f.startsWith(QLatin1Char('/')) ? ResolvePath(f.mid(1)) : ResolvePath(folderOf(basePage) + f);
        }
        QString bookmark;
        const TTitleList *entry = LinkTarget(target, anchor, bookmark);
        // A link to a file that no entry shows (a picture, a text file, a
        // page left out) would lead into the work folder, which goes at the
        // end: it keeps its text only.
        if (!entry)
            return file.isEmpty() ? QLatin1Char('#') + Base->Bookmark : QString();
        if (!file.isEmpty()) {
            remembered = entry->ChapterNumber;
            hasRemembered = true;
        }
        return QLatin1Char('#') + bookmark;
    };
    rw.onTagEnd = [&](const QString &) -> QString {
        if (!hintDue)
            return QString();
        hintDue = false;
        const QString number = remembered;
        remembered.clear();
        hasRemembered = false;
        if (!AddHint)
            return QString();
        QString hint = HintFormat;
        hint.replace(QStringLiteral("[Title No.]"), number, Qt::CaseInsensitive);
        return QLatin1Char('(') + hint + QLatin1Char(')');
    };
    return rw.run(Page);
}

void TCHMDistill::ProcessTocLink2()
{
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List.Items(k);
        if (e->Status != 0)
            continue;
        QString file, anchor;
        SplitUrlAnchor(e->Url, file, anchor);
        if (anchor.isEmpty())
            continue;
        const TChmTopicFile *page = TopicList.GetItemByFilename(rootFolder + file);
        if (!page)
            continue;
        const int id = page->Bookmarks.GetItemIdByName(anchor);
        if (id < 0)
            continue;
        e->Url = PieceName(file, id);
    }
}
