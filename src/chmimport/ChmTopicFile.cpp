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

// The anchors a start tag sets: an A tag's name (a leading "#" dropped) and
// any element's id.
QStringList anchorsOf(const QString &name, const QString &tagText)
{
    QStringList out;
    auto add = [&out](QString value) {
        if (value.startsWith(QLatin1Char('#')))
            value.remove(0, 1);
        if (!value.isEmpty())
            out << value;
    };
    if (name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0)
        add(GetTagAttribute(tagText, QStringLiteral("name")));
    if (tagText.contains(QLatin1String("id"), Qt::CaseInsensitive))
        add(GetTagAttribute(tagText, QStringLiteral("id")));
    return out;
}

void foldInto(THtmlTag &p, const THtmlTag &c, bool whole)
{
    p.InnerText += c.InnerText;
    p.Inner += whole ? c.Start + c.Inner + c.Tail : c.Inner;
    p.Blocks += c.Blocks;
    p.CharCount = p.Hide ? 0 : p.CharCount + c.CharCount;
}

// The tag whose "<" stands at p: its text up to its ">" (or the end of the
// HTML), its name and the position of its last character.
struct TagView {
    QStringView text;
    QStringView name;
    qsizetype end;
};
TagView tagAt(const QString &Html, qsizetype p)
{
    qsizetype end = Html.indexOf(QLatin1Char('>'), p);
    if (end < 0)
        end = Html.size() - 1;
    const QStringView tag = QStringView(Html).mid(p, end - p + 1);
    qsizetype k = 1;
    while (k < tag.size() && !isSpace(tag.at(k)) && tag.at(k) != QLatin1Char('>'))
        ++k;
    return {tag, tag.mid(1, k - 1), end};
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
            const auto [tag, name, end] = tagAt(Html, p);
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

QString RemoveNavigationBlocks(const QString &Html)
{
    // A block is the stretch between two block tags. It is navigation when it
    // holds two links or more and nothing outside them but blanks and the
    // signs that part the links of a bar ("[Overview][Index]", "Home | Up",
    // "<< Previous | Next >>", dots and guillemets), at least one of them:
    // links parted by words, commas, brackets or blanks alone ("See also A,
    // B", "Caption (TAction)") are text.
    static const QString signs = QStringLiteral("|[]<>\u00AB\u00BB\u2039\u203A\u00B7\u2022");
    std::vector<std::pair<qsizetype, qsizetype>> gone; // [from, to)
    qsizetype from = 0;
    int links = 0, nonText = 0;
    bool inLink = false, sign = false, text = false;
    auto outside = [&](QChar c) {
        if (signs.contains(c))
            sign = true;
        else if (!c.isSpace())
            text = true;
    };
    auto endBlock = [&](qsizetype to) {
        if (links >= 2 && sign && !text)
            gone.emplace_back(from, to);
        links = 0;
        inLink = sign = text = false;
    };
    const qsizetype n = Html.size();
    for (qsizetype p = 0; p < n; ++p) {
        const QChar c = Html.at(p);
        if (c != QLatin1Char('<')) {
            if (inLink || nonText > 0 || text)
                continue;
            if (c == QLatin1Char('&')) {
                // An entity ("&gt;", "&nbsp;") counts as the character it stands for.
                const qsizetype semi = Html.indexOf(QLatin1Char(';'), p);
                if (semi > p && semi - p <= 10) {
                    for (const QChar d : UnescapeHtml(Html.mid(p, semi - p + 1)))
                        outside(d);
                    p = semi;
                    continue;
                }
            }
            outside(c);
            continue;
        }
        const auto [tag, rawName, end] = tagAt(Html, p);
        bool endTag = false;
        const QString name = bareName(rawName.toString(), endTag);
        if (IsBlockTag(name)) {
            endBlock(p);
            from = end + 1;
        } else if (name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0) {
            inLink = !endTag && tag.contains(QLatin1String("href"), Qt::CaseInsensitive);
            links += inLink;
        } else if (IsNonTextTag(name) && !IsEmptyTag(name)) {
            nonText = endTag ? std::max(0, nonText - 1) : nonText + 1;
        } else if (!endTag && !inLink && name.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0
                   && !imageWord(tag.toString()).isEmpty()) {
            text = true; // a picture beside the links is content
        }
        p = end;
    }
    endBlock(n);
    if (gone.empty())
        return Html;

    // The tag that ends at `to` (exclusive) and the one that starts at
    // `from`, whitespace between them skipped: an element whose only content
    // was the navigation goes with it, so that no empty paragraph stays.
    // Table cells and rows stay, to keep the table's shape.
    auto widen = [&Html](qsizetype &from, qsizetype &to) {
        for (;;) {
            qsizetype a = from, b = to;
            while (a > 0 && isSpace(Html.at(a - 1)))
                --a;
            while (b < Html.size() && isSpace(Html.at(b)))
                ++b;
            if (a == 0 || Html.at(a - 1) != QLatin1Char('>') || b >= Html.size() || Html.at(b) != QLatin1Char('<'))
                return;
            const qsizetype open = Html.lastIndexOf(QLatin1Char('<'), a - 1);
            if (open < 0)
                return;
            const QString opened = tagAt(Html, open).name.toString().toLower();
            const TagView closing = tagAt(Html, b);
            static const QStringList keep{"td", "th", "tr", "table", "tbody", "thead", "tfoot", "body", "html"};
            if (closing.name.compare(QLatin1Char('/') + opened, Qt::CaseInsensitive) != 0 || keep.contains(opened))
                return;
            from = open;
            to = closing.end + 1;
        }
    };
    QString out;
    out.reserve(Html.size());
    qsizetype copied = 0;
    for (auto [cutFrom, cutTo] : gone) {
        widen(cutFrom, cutTo);
        if (cutFrom < copied)
            cutFrom = copied;
        out += QStringView(Html).mid(copied, cutFrom - copied);
        // The anchors inside stay for the links that point at them.
        forEachTag(Html.mid(cutFrom, cutTo - cutFrom), [&out](qsizetype, const QString &tag, const QString &name) {
            for (const QString &anchor : anchorsOf(name, tag))
                out += QStringLiteral("<a name=\"%1\"></a>").arg(anchor.toHtmlEscaped());
        });
        copied = std::max(copied, cutTo);
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
    // The page's own title is looked for only in its first 200 characters,
    // and not on a page that is split at its entries' anchors: each piece
    // drops its own title, and the text before the first anchor stays.
    bool big = QuoteCount > 1 && Bookmarks.Count() > 0;
    THtmlTag *titleHolder = nullptr;
    QString block;
    bool inTag = false, collecting = false;
    QString tagText, name;

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
                // The title goes, and with it what stands before it: the
                // page's header.
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
                st.TagAt(d)->Tail = tagText;
                for (int k = st.TagCount() - 1; k >= d; --k) {
                    THtmlTag *child = st.TagAt(k);
                    // The element that held the title leaves no empty shell;
                    // what it holds after the title stays.
                    const bool emptyTitle = child == titleHolder && TrimWhitespace(child->Inner).isEmpty();
                    if (child == titleHolder)
                        titleHolder = nullptr;
                    if (!emptyTitle)
                        foldInto(*st.TagAt(k - 1), *child, child->InTop || k == d);
                }
                st.TruncateTo(d);
            }
        }
        tagText.clear();
    }
    for (int k = st.TagCount() - 1; k >= 1; --k) {
        THtmlTag *child = st.TagAt(k);
        if (child->NotCut)
            foldInto(*st.TagAt(k - 1), *child, child->InTop);
    }
    // Every block of the kept range stays but navigation: the largest
    // element alone would lose what stands beside it (the text around a
    // table or a code block, a note after a long block).
    QString result = root->Inner;
    if (result.isEmpty() && SamePointH > SamePointL)
        result = Body.mid(SamePointL, SamePointH - SamePointL);
    return RemoveNavigationBlocks(result);
}

void TChmTopicFile::FindAnchors()
{
    Anchors.Clear();
    forEachTag(Body, [this](qsizetype, const QString &tag, const QString &name) {
        for (const QString &anchor : anchorsOf(name, tag))
            Anchors.Add(anchor);
    });
}

void TChmTopicFile::ProcessBookmarks()
{
    qint32 blockStart = 0;
    forEachTag(Body, [this, &blockStart](qsizetype at, const QString &tag, const QString &rawName) {
        bool endTag = false;
        const QString name = bareName(rawName, endTag);
        if (IsBlockTag(name))
            blockStart = endTag ? qint32(at + tag.size()) : qint32(at);
        if (endTag)
            return;
        // An anchor on a block element starts its piece with that element.
        for (const QString &anchor : anchorsOf(name, tag))
            if (TBookmark *b = Bookmarks.GetItemByName(anchor))
                b->Position = blockStart;
    });
}

void TChmTopicFile::SplitFileByBookmark(std::vector<std::pair<QString, QByteArray>> *Pieces)
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
        // The title block looked for is the anchor's own, after any text
        // that the first piece takes from before it.
        const qint32 titleFrom = std::clamp<qint32>(b->Position, from, to) - from;
        const QString piece = ExtractMainContent(Body.mid(from, to - from), b->Title, titleFrom);
        forEachTag(piece, [this, k](qsizetype, const QString &tag, const QString &name) {
            for (const QString &anchor : anchorsOf(name, tag))
                if (!AnchorPieces.contains(anchor.toLower()))
                    AnchorPieces.insert(anchor.toLower(), k);
        });
        const QString text = BeforeBody + piece + AfterBody;
        if (!Pieces)
            SaveWorkPage(text, PieceName(Filename, k));
        else if (!text.isEmpty())
            Pieces->emplace_back(PieceName(Filename, k), EncodeWorkPage(text, PieceName(Filename, k)));
    }
}
