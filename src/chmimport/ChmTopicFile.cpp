// One unpacked page while the distiller cuts the blocks that most pages
// share, keeps the page's main content and splits it at contents anchors.
// Positions in Body are 0-based; the kept range is SamePointL <= p < SamePointH.
#include "chmimport/ChmTo.h"
#include "chmimport/ExtractContent.h"

#include "foundation/HTMLProcess.h"
#include "foundation/TextFiles.h"

namespace {

bool isSpace(QChar c) { return HtmlSpaceChars.contains(c); }

QString normalised(const QString &text) { return TrimWhitespace(UnescapeHtml(CollapseWhitespace(text))); }

// The file name of an img tag's source when it is no prev/next button, else empty.
QString imageWord(const QString &tagText)
{
    QString src = GetTagAttribute(tagText, QStringLiteral("src"));
    src = src.mid(std::max(src.lastIndexOf(QLatin1Char('/')), src.lastIndexOf(QLatin1Char('\\'))) + 1);
    if (src.contains(QLatin1String("prev"), Qt::CaseInsensitive) || src.contains(QLatin1String("next"), Qt::CaseInsensitive))
        return QString();
    return src;
}

// A tag's name as the scanners read it: the end-tag slash and a trailing
// slash taken off.
QString bareName(QString name, bool &endTag)
{
    if (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    endTag = name.startsWith(QLatin1Char('/'));
    if (endTag)
        name.remove(0, 1);
    return name;
}

// A tag that links somewhere: an A tag with an href.
bool isLinkTag(const QString &name, const QString &tagText)
{
    return name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0
           && tagText.contains(QLatin1String("href"), Qt::CaseInsensitive);
}

void foldInto(THtmlTag &p, const THtmlTag &c, bool whole)
{
    p.InnerText += c.InnerText;
    p.Inner += whole ? c.Start + c.Inner + c.Tail : c.Inner;
    p.Blocks += c.Blocks;
    p.CharCount = p.Hide ? 0 : p.CharCount + c.CharCount;
}

// Calls fn(tagStart, tagText, name) for each tag of the text.
template <typename Fn>
void forEachTag(const QString &text, Fn fn)
{
    qsizetype p = 0;
    while ((p = text.indexOf(QLatin1Char('<'), p)) >= 0) {
        const qsizetype end = text.indexOf(QLatin1Char('>'), p);
        if (end < 0)
            return;
        const QString tag = text.mid(p, end - p + 1);
        qsizetype k = 1;
        QString name;
        while (k < tag.size() - 1 && !isSpace(tag.at(k)))
            name += tag.at(k++);
        fn(p, tag, name);
        p = end + 1;
    }
}

} // namespace

QString RemoveEmptyTables(const QString &Html)
{
    // Open tables with whether they show anything yet; a table that shows
    // something makes the table around it show something too.
    struct Open {
        qsizetype start;
        bool shows;
    };
    std::vector<Open> open;
    std::vector<std::pair<qsizetype, qsizetype>> empty; // [from, to)
    qsizetype p = 0;
    const qsizetype n = Html.size();
    while (p < n) {
        const QChar c = Html.at(p);
        if (c == QLatin1Char('<')) {
            qsizetype end = Html.indexOf(QLatin1Char('>'), p);
            if (end < 0)
                end = n - 1;
            const QStringView tag = QStringView(Html).mid(p, end - p + 1);
            qsizetype k = 1;
            while (k < tag.size() && !isSpace(tag.at(k)) && tag.at(k) != QLatin1Char('>'))
                ++k;
            const QStringView name = tag.mid(1, k - 1);
            if (name.compare(u"table", Qt::CaseInsensitive) == 0) {
                open.push_back({p, false});
            } else if (name.compare(u"/table", Qt::CaseInsensitive) == 0 && !open.empty()) {
                const Open t = open.back();
                open.pop_back();
                if (!t.shows)
                    empty.emplace_back(t.start, end + 1);
                else if (!open.empty())
                    open.back().shows = true;
            } else if (!open.empty()
                       && (name.compare(u"img", Qt::CaseInsensitive) == 0
                           || (name.compare(u"a", Qt::CaseInsensitive) == 0
                               && tag.contains(QLatin1String("name"), Qt::CaseInsensitive)))) {
                // A picture shows; an anchor is kept for the links to it.
                open.back().shows = true;
            }
            p = end + 1;
            continue;
        }
        if (!open.empty() && !open.back().shows && !isSpace(c) && c != QChar(0xA0)) {
            const QStringView rest = QStringView(Html).mid(p, 6);
            if (rest.compare(u"&nbsp;", Qt::CaseInsensitive) == 0) {
                p += 6;
                continue;
            }
            open.back().shows = true;
        }
        ++p;
    }
    if (empty.empty())
        return Html;
    std::sort(empty.begin(), empty.end());
    QString out;
    out.reserve(Html.size());
    qsizetype copied = 0;
    for (const auto &[from, to] : empty) {
        if (from < copied)
            continue; // inside a table already left out
        out += QStringView(Html).mid(copied, from - copied);
        copied = to;
    }
    out += QStringView(Html).mid(copied);
    return out;
}

// ---------------------------------------------------------------------------

TBookmark *TBookmarks::Add(std::unique_ptr<TBookmark> item)
{
    items_.push_back(std::move(item));
    return items_.back().get();
}

int TBookmarks::GetItemIdByName(const QString &Name) const
{
    const QString name = Name.startsWith(QLatin1Char('#')) ? Name.mid(1) : Name;
    for (size_t k = 0; k < items_.size(); ++k)
        if (items_[k]->Name.compare(name, Qt::CaseInsensitive) == 0)
            return int(k);
    return -1;
}

TBookmark *TBookmarks::GetItemByName(const QString &Name) const
{
    const int id = GetItemIdByName(Name);
    return id < 0 ? nullptr : items_[size_t(id)].get();
}

void TBookmarks::Sort()
{
    for (size_t a = 0; a + 1 < items_.size(); ++a)
        for (size_t b = a + 1; b < items_.size(); ++b)
            if (items_[b]->Position < items_[a]->Position)
                std::swap(items_[a], items_[b]);
}

TChmTopicFile *TChmTopicFileList::Add(std::unique_ptr<TChmTopicFile> item)
{
    items_.push_back(std::move(item));
    TChmTopicFile *page = items_.back().get();
    const QString key = page->Filename.toLower();
    if (!byName_.contains(key))
        byName_.insert(key, page);
    return page;
}

TChmTopicFile *TChmTopicFileList::GetItemByFilename(const QString &FileName) const
{
    return byName_.value(FileName.toLower(), nullptr);
}

// ---------------------------------------------------------------------------

TChmTopicFile::TChmTopicFile() = default;

TChmTopicFile::TChmTopicFile(const QString &TopicFile, TCHMDistill *Owner_, const QString &Title)
{
    Owner = Owner_;
    Filename = TopicFile;
    Title1 = Title;
    const QString page = PreprocessForSpecialHelpAuthoringTools(LoadWorkPage(TopicFile));
    const THtmlBodySplit split = SplitHtmlBody(page);
    BeforeBody = split.BeforeBody;
    Body = split.Body;
    AfterBody = split.AfterBody;
    Title2 = TrimWhitespace(UnescapeHtml(GetHtmlTitle(BeforeBody)));
    h = qint32(Body.size());
    L = 0;
    SamePointL = 0;
    SamePointH = qint32(Body.size());
}

QString TChmTopicFile::PreprocessForSpecialHelpAuthoringTools(const QString &Source)
{
    QString s = RemoveMarkedBlocks(Source, QStringLiteral("<!-- Script version of NavHeader -->"),
                                   QStringLiteral("<!-- End script navheader version -->"), QString());
    s = RemoveMarkedBlocks(s, QStringLiteral("<!-- NoScript version of navheader -->"),
                           QStringLiteral("<!-- End noscript navheader version -->"), QString());
    s.replace(QStringLiteral("mso-outline-level:"), QStringLiteral("mso-out1ine-1evel:"), Qt::CaseInsensitive);
    s.replace(QStringLiteral("class=\"ph uicontrol\""), QStringLiteral("class=\"uicontrol\""), Qt::CaseInsensitive);
    return s;
}

void TChmTopicFile::IniticalizeTags()
{
    Tags.TruncateTo(0);
    THtmlTag *root = Tags.Add();
    root->Name = QStringLiteral("Root");
    CurrentIndex = 0;
}

bool TChmTopicFile::IsSimilar(const QString &S1, const QString &S2) { return IsSimilarText(S1, S2); }

bool TChmTopicFile::Repeats(const QString &Key1, bool Link1, const QString &Key2, bool Link2)
{
    if (Link1 || Link2)
        return Key1 == Key2;
    const qsizetype shorter = std::min(Key1.size(), Key2.size());
    const qsizetype longer = std::max(Key1.size(), Key2.size());
    return shorter * 5 >= longer * 4 && IsSimilarLowerText(Key1, Key2);
}

bool TChmTopicFile::IsTitle(const QString &) const { return IsTitleText(Text); }

bool TChmTopicFile::IsTitleText(const QString &Block) const
{
    const QString key = SimilarityKey(Block);
    return (!Title1.isEmpty() && Repeats(key, false, SimilarityKey(Title1), false))
           || (!Title2.isEmpty() && Repeats(key, false, SimilarityKey(Title2), false));
}

bool TChmTopicFile::HasOtherContent(bool FromEnd) const
{
    // The current block lies between the scan position and the cut point
    // on the side the scan came from; look at what is left on the other.
    const qint32 from = FromEnd ? std::max<qint32>(SamePointL, 0) : std::min<qint32>(i + 1, SamePointH);
    const qint32 to = FromEnd ? std::min<qint32>(i, SamePointH) : SamePointH;
    bool inTag = false;
    QString tag;
    for (qint32 p = from; p < to && p < Body.size(); ++p) {
        const QChar c = Body.at(p);
        if (inTag) {
            tag += c;
            if (c == QLatin1Char('>')) {
                inTag = false;
                if (tag.startsWith(QLatin1String("<img"), Qt::CaseInsensitive))
                    return true;
            }
        } else if (c == QLatin1Char('<')) {
            inTag = true;
            tag = c;
        } else if (!isSpace(c) && c != QChar(0xA0)) {
            if (c == QLatin1Char('&') && QStringView(Body).mid(p, 6).compare(u"&nbsp;", Qt::CaseInsensitive) == 0) {
                p += 5;
                continue;
            }
            return true;
        }
    }
    return false;
}

void TChmTopicFile::pushTag(const QString &name)
{
    if (Tags.TagCount() == 0)
        IniticalizeTags();
    const THtmlTag *parent = Tags.TagAt(Tags.TagCount() - 1);
    THtmlTag *e = Tags.Add();
    e->Name = name;
    e->NonDoc = parent->NonDoc || IsNonTextTag(name);
    CurrentIndex = Tags.TagCount() - 1;
}

void TChmTopicFile::closeTag(const QString &name)
{
    for (int k = Tags.TagCount() - 1; k >= 1; --k)
        if (Tags.TagAt(k)->Name.compare(name, Qt::CaseInsensitive) == 0) {
            Tags.TruncateTo(k);
            break;
        }
    CurrentIndex = Tags.TagCount() - 1;
}

void TChmTopicFile::consumeTag(const QString &name, bool endTag)
{
    if (endTag)
        closeTag(name);
    else if (!IsEmptyTag(name))
        pushTag(name);
}

void TChmTopicFile::SearchDown()
{
    if (Tags.TagCount() == 0)
        IniticalizeTags();
    Text.clear();
    TextHasLink = false;
    if (FindText) {
        // The previous call stopped at the tag that ends a block: the cut
        // moves to it.
        FindText = false;
        SamePointL = tagAt_;
        consumeTag(TagName, !IsStartTag);
        ++i;
    }
    InTag = false;
    for (; i < h; ++i) {
        const QChar c = Body.at(i);
        if (!InTag) {
            if (c == QLatin1Char('<')) {
                InTag = true;
                IsTagName = true;
                TagAll = QStringLiteral("<");
                TagName.clear();
                tagAt_ = i;
            } else if (!Tags.TagAt(Tags.TagCount() - 1)->NonDoc) {
                Text += c;
            }
            continue;
        }
        TagAll += c;
        if (c != QLatin1Char('>')) {
            if (IsTagName) {
                if (isSpace(c))
                    IsTagName = false;
                else
                    TagName += c;
            }
            continue;
        }
        InTag = false;
        bool endTag = false;
        TagName = bareName(TagName, endTag);
        IsStartTag = !endTag;
        if (!endTag && TagName.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0)
            Text += QLatin1Char(' ') + imageWord(TagAll) + QLatin1Char(' ');
        if (!endTag && isLinkTag(TagName, TagAll))
            TextHasLink = true;
        if (!IsBlockTag(TagName)) {
            consumeTag(TagName, endTag);
            continue;
        }
        const QString block = normalised(Text);
        if (block.isEmpty()) {
            SamePointL = tagAt_;
            consumeTag(TagName, endTag);
            Text.clear();
            TextHasLink = false;
            continue;
        }
        Text = block;
        FindText = true;
        return;
    }
    FindText = false;
    Text = normalised(Text);
}

void TChmTopicFile::SearchUp()
{
    Text.clear();
    TextHasLink = false;
    if (FindText) {
        // The previous call stopped at the tag that starts a block.
        FindText = false;
        SamePointH = i;
        --i;
    }
    InTag = false;
    for (; i >= 0; --i) {
        const QChar c = i < Body.size() ? Body.at(i) : QChar();
        if (!InTag) {
            if (c == QLatin1Char('>')) {
                InTag = true;
                TagAll = QStringLiteral(">");
            } else {
                Text.prepend(c);
            }
            continue;
        }
        TagAll.prepend(c);
        if (c != QLatin1Char('<'))
            continue;
        InTag = false;
        QString name;
        for (qsizetype k = 1; k < TagAll.size() && !isSpace(TagAll.at(k)) && TagAll.at(k) != QLatin1Char('>'); ++k)
            name += TagAll.at(k);
        bool endTag = false;
        name = bareName(name, endTag);
        if (!endTag && name.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0)
            Text.prepend(QLatin1Char(' ') + imageWord(TagAll) + QLatin1Char(' '));
        if (!endTag && isLinkTag(name, TagAll))
            TextHasLink = true;
        if (!IsBlockTag(name))
            continue;
        const QString block = normalised(Text);
        if (!block.isEmpty()) {
            Text = block;
            FindText = true;
            return;
        }
        SamePointH = i;
        Text.clear();
        TextHasLink = false;
    }
    Text = normalised(Text);
}

QString TChmTopicFile::Distiller()
{
    THtmlTags st;
    THtmlTag *root = st.Add();
    root->Name = QStringLiteral("Root");
    int best = 100;
    bool big = false;
    THtmlTag *titleHolder = nullptr;
    QString result;
    QString block;
    bool inTag = false, collecting = false;
    QString tagText, name;

    auto takeCandidate = [&](THtmlTag *e, const QString &html) {
        if (e->CharCount <= best)
            return false;
        result = html;
        best = e->CharCount + (e->CharCount <= 300 ? 10 : 60);
        return true;
    };

    const qint32 n = qint32(Body.size());
    for (qint32 p = 0; p < n; ++p) {
        const QChar c = Body.at(p);
        THtmlTag *top = st.TagAt(st.TagCount() - 1);
        if (!inTag && c != QLatin1Char('<')) {
            // A run of text up to the next tag, taken at once: the part of it
            // inside the kept range goes to the innermost element.
            qint32 next = qint32(Body.indexOf(QLatin1Char('<'), p));
            if (next < 0)
                next = n;
            const qint32 from = std::max(p, SamePointL), to = std::min(next, SamePointH);
            if (from < to) {
                const QStringView run = QStringView(Body).mid(from, to - from);
                top->InnerText += run;
                top->Inner += run;
                if (!top->NonDoc) {
                    block += run;
                    if (!top->Hide)
                        for (const QChar r : run)
                            if (!isSpace(r))
                                ++top->CharCount;
                }
            }
            p = next - 1;
            continue;
        }
        if (!inTag && c == QLatin1Char('<')) {
            if (SamePointL < p)
                top->Inner += tagText;
            tagText = QStringLiteral("<");
            name.clear();
            inTag = true;
            collecting = true;
            continue;
        }
        if (inTag && c != QLatin1Char('>')) {
            tagText += c;
            if (collecting) {
                if (isSpace(c))
                    collecting = false;
                else
                    name += c;
            }
            continue;
        }
        if (inTag) {
            tagText += c;
            inTag = false;
            if (name.isEmpty() || name == QLatin1String("/")) {
                tagText.clear();
                continue;
            }
            bool endTag = false;
            const QString tag = bareName(name, endTag);
            if (!big && SumOpenCharCount(st) > 200)
                big = true;
            if (IsBlockTag(tag)) {
                const QString text = normalised(block);
                if (!text.isEmpty() && !TitleFound && !big && IsTitleText(text)) {
                    TitleFound = true;
                    titleHolder = top;
                    for (int k = 0; k < st.TagCount(); ++k)
                        st.TagAt(k)->Inner.clear();
                }
                block.clear();
            }
            if (!endTag && IsEmptyTag(tag)) {
                if (SamePointL < p && p <= SamePointH) {
                    top->Inner += tagText;
                    if (tag.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0 && !imageWord(tagText).isEmpty()
                        && !top->Hide)
                        top->CharCount += 150;
                }
            } else if (!endTag) {
                THtmlTag *e = st.Add();
                e->Name = tag;
                e->Start = tagText;
                e->Hide = tagText.contains(QLatin1String("display:none"), Qt::CaseInsensitive);
                e->Block = IsBlockTagNotP(tag);
                e->NonDoc = top->NonDoc || IsNonTextTag(tag);
                e->NotCut = p < SamePointH;
                e->InTop = SamePointL < p;
            } else {
                int d = -1;
                for (int k = st.TagCount() - 1; k >= 1; --k)
                    if (st.TagAt(k)->Name.compare(tag, Qt::CaseInsensitive) == 0) {
                        d = k;
                        break;
                    }
                if (d < 0) {
                    top->Inner += tagText;
                } else {
                    THtmlTag *de = st.TagAt(d);
                    de->Tail = tagText;
                    if (p >= SamePointL && de->NotCut
                        && takeCandidate(de, de->Start + de->Inner + de->Tail)) {
                        big = true;
                        titleHolder = nullptr;
                    }
                    for (int k = st.TagCount() - 1; k >= d; --k) {
                        THtmlTag *child = st.TagAt(k);
                        THtmlTag *parent = st.TagAt(k - 1);
                        if (child == titleHolder) {
                            parent->Inner.clear();
                            titleHolder = parent;
                        } else {
                            foldInto(*parent, *child, child->InTop || k == d);
                        }
                    }
                    st.TruncateTo(d);
                }
            }
            tagText.clear();
            continue;
        }
        if (SamePointL <= p && p < SamePointH) {
            top->InnerText += c;
            top->Inner += c;
            if (!top->NonDoc) {
                block += c;
                if (!isSpace(c) && !top->Hide)
                    top->CharCount += 1;
            }
        }
    }
    for (int k = st.TagCount() - 1; k >= 1; --k) {
        THtmlTag *child = st.TagAt(k);
        if (!child->NotCut)
            continue;
        foldInto(*st.TagAt(k - 1), *child, child->InTop);
        if (IsBlockTagNotP(child->Name))
            takeCandidate(child, child->Start + child->Inner + QStringLiteral("</") + child->Name + QLatin1Char('>'));
    }
    if (root->CharCount > best)
        result = root->Inner;
    if (TrimWhitespace(result).isEmpty())
        result = root->Inner;
    if (result.isEmpty() && SamePointH > SamePointL)
        result = Body.mid(SamePointL, SamePointH - SamePointL);
    return result;
}

void TChmTopicFile::FindAnchors()
{
    Anchors.Clear();
    forEachTag(Body, [this](qsizetype, const QString &tag, const QString &name) {
        if (name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0)
            return;
        QString value = GetTagAttribute(tag, QStringLiteral("name"));
        if (value.startsWith(QLatin1Char('#')))
            value.remove(0, 1);
        if (!value.isEmpty())
            Anchors.Add(value);
    });
}

void TChmTopicFile::ProcessBookmarks()
{
    qint32 blockStart = 0;
    forEachTag(Body, [this, &blockStart](qsizetype at, const QString &tag, const QString &rawName) {
        bool endTag = false;
        const QString name = bareName(rawName, endTag);
        if (IsBlockTag(name)) {
            blockStart = endTag ? qint32(at + tag.size()) : qint32(at);
            return;
        }
        if (endTag || name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0)
            return;
        const QString value = GetTagAttribute(tag, QStringLiteral("name"));
        if (value.isEmpty())
            return;
        if (TBookmark *b = Bookmarks.GetItemByName(value))
            b->Position = blockStart;
    });
}

void TChmTopicFile::SplitFileByBookmark()
{
    AnchorPieces.clear();
    for (int k = Bookmarks.Count() - 1; k >= 0; --k) {
        const TBookmark *b = Bookmarks.Items(k);
        // The text before the first anchor goes with the first piece, unless
        // an entry shows the page whole, under its own heading.
        const qint32 from = k == 0 && !OwnEntry ? 0 : std::clamp<qint32>(b->Position, 0, qint32(Body.size()));
        const qint32 to = k + 1 < Bookmarks.Count()
                              ? std::clamp<qint32>(Bookmarks.Items(k + 1)->Position, from, qint32(Body.size()))
                              : qint32(Body.size());
        const QString piece = ExtractMainContent(Body.mid(from, to - from), b->Title);
        forEachTag(piece, [this, k](qsizetype, const QString &tag, const QString &name) {
            if (name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0)
                return;
            QString value = GetTagAttribute(tag, QStringLiteral("name"));
            if (value.startsWith(QLatin1Char('#')))
                value.remove(0, 1);
            if (!value.isEmpty() && !AnchorPieces.contains(value.toLower()))
                AnchorPieces.insert(value.toLower(), k);
        });
        SaveWorkPage(BeforeBody + piece + AfterBody, PieceName(Filename, k));
    }
}
