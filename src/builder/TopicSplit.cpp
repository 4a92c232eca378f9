// Cutting the converted body into topics at the heading markers, and the
// names of topic pages and context symbols.
#include "builder/WordDoc.h"

#include "foundation/HTMLProcess.h"
#include "foundation/HtmlTables.h"
#include "foundation/LanguageProcess.h"
#include "platform/Exception.h"
#include "platform/SettingsStore.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <QRegularExpression>

namespace {

struct Open {
    QString name;
    int pos = 0;
    QString text;
};

bool IsParagraphOrHeading(const QString &name)
{
    if (name.compare(u"p", Qt::CaseInsensitive) == 0)
        return true;
    return name.size() == 2 && (name[0] == u'h' || name[0] == u'H') && name[1] >= u'1' && name[1] <= u'7';
}

// A page name taken from a property field: characters that would lead out
// of the output folder or that a file name cannot hold become "_".
QString SafePageName(QString name)
{
    for (QChar &c : name)
        if (c < QChar(32) || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = u'_';
    return name;
}

// The number of words in a stretch of the page's markup.
int CountWords(const QString &html)
{
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression space(QStringLiteral("[\\s\\x{00A0}]+"));
    QString text = html;
    text.replace(tags, QStringLiteral(" "));
    return int(UnescapeHtml(text).split(space, Qt::SkipEmptyParts).size());
}

// A symbol name from a property field goes into source code after "CID_":
// letters, digits and "_" only, starting with a letter or "_".
bool IsIdentifier(const QString &name)
{
    if (name.isEmpty() || name[0].isDigit())
        return false;
    for (const QChar c : name)
        if (!(c.isDigit() || c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    return true;
}

// A context number from a property field: decimal digits of a value that a
// 32-bit signed integer of the generated code holds. The compiled help file
// keeps no topic under 0, so 0 would open nothing.
bool IsContextNumber(const QString &id)
{
    if (id.isEmpty() || id.size() > 10)
        return false;
    for (const QChar c : id)
        if (c < u'0' || c > u'9')
            return false;
    const qint64 n = id.toLongLong();
    return n >= 1 && n <= 2147483647;
}

} // namespace

QString TWordDoc::SplitNote() const
{
    if (TopicHeadings == 0)
        return QStringLiteral("The document \"%1\" has no headings (paragraphs with an outline level from 1 to 9): "
                              "the HTML Help and WebHelp have no topics, and its text (%2 words) is left out of them.")
            .arg(FileName)
            .arg(WordsBeforeFirstHeading);
    QStringList notes;
    if (WordsBeforeFirstHeading > 0)
        notes << QStringLiteral("The text before the first heading of the document \"%1\" (%2 words) is left out "
                                "of the HTML Help and WebHelp.")
                     .arg(FileName)
                     .arg(WordsBeforeFirstHeading);
    if (TopicPages == 0)
        notes << QStringLiteral("No heading of the document \"%1\" has text of its own: the HTML Help and "
                                "WebHelp have no pages.")
                     .arg(FileName);
    return notes.join(u'\n');
}

QString TWordDoc::HexEncodeTitle(const QString &Title)
{
    QString hex;
    for (const QChar c : Title)
        if (c != u' ')
            hex += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return hex;
}

QString TWordDoc::TopicBaseName(const QString &Title)
{
    const QString ascii = AsciiName(Title);
    if (ascii.isEmpty())
        return QStringLiteral("Blank");
    if (ascii.size() <= 2)
        return HexEncodeTitle(Title);
    return ascii;
}

QString TWordDoc::TopicFileName(const QString &Base)
{
    QString name = QString(Base).replace(u' ', u'-').left(250).toLower();
    return name.trimmed().isEmpty() ? QStringLiteral("topic") : name;
}

QString TWordDoc::TopicStaticName(const QString &Base)
{
    return QString(Base).replace(u' ', u'_').left(50).toUpper();
}

void TWordDoc::ChangeUrls(TContentsItems &Items)
{
    for (int k = 0; k < Items.Count(); ++k) {
        TContentsItem *item = Items.Item(k);
        if (item->Status == 0)
            item->Content = CompactTagMarkup(ChangeUrls(ChangeShapeLink(item->Content)), QStringLiteral("img"));
    }
}

void TWordDoc::ToContentsItems(TContentsItems &Items)
{
    Items.Clear();
    TopicHeadings = 0;
    TopicPages = 0;
    WordsBeforeFirstHeading = 0;
    QString ext = QStringLiteral(".html");
    const auto &extensions = PageExtensions();
    if (Project && OutputType == 1)
        ext = extensions.at(size_t(qBound(0, Project->HtmlHelpExtension, 1)));
    else if (Project && OutputType == 2)
        ext = extensions.at(size_t(qBound(0, Project->WebHelpExtension, 1)));
    const bool noHeadingNumber = settings::ReadInteger(QStringLiteral("NoHeadingNumber"), 0) == 1;

    const QString x = QStringLiteral("<body>") + Body + QStringLiteral("</body>");
    const int n = int(x.size());
    std::vector<Open> stack{Open{}};
    QString name;
    bool closing = false, inName = false, inText = false;
    int lt = 0;

    int h = -1;
    int context = 10000;
    int remembered = 1;
    TContentsItem *prev = nullptr;
    std::unique_ptr<TContentsItem> prevOmitted; // keeps an omitted previous item alive
    int contentStart = -1;
    bool omitting = false;
    int omitLevel = -1;
    QString pending;

    // A previous item whose content is complete becomes a page or a book.
    auto finish = [&](TContentsItem *p, bool isLast) {
        pending += p->TitleSource;
        if (IsBlankHtml(p->Content) && (isLast || p->HasChildNode)) {
            Items.ClearUrl(p);
            p->Status = 2;
            p->Accessible = false;
            return;
        }
        p->Status = 0;
        p->Accessible = true;
        AddBookmark(u'#' + p->Title.toLower(), p->Url);
        GetBookmarksForHeadings(pending, p->Url, true);
        pending.clear();
        GetBookmarksForHeadings(p->Content, p->Url, false);
    };

    auto heading = [&](const QString &t, int p, int s, int i) {
        ++h;
        if (h == 0)
            WordsBeforeFirstHeading = CountWords(x.mid(0, s));
        // Marker text typed into the document itself would cut a topic where
        // there is no heading: refuse it with a message instead.
        const QChar digit = p + 4 < t.size() ? t[p + 4] : QChar();
        if (h >= Headings.Count() || h >= int(IndexList.size()) || digit < u'1' || digit > u'9')
            throw Exception(QStringLiteral("The document \"%1\" contains the text \"%2\", which the build uses "
                                           "to mark headings. Remove that text from the document and build again.")
                                .arg(FileName, HeadingMarker));
        const THeadingProperty &prop = *Headings.Item(h);
        auto item = std::make_unique<TContentsItem>();
        TContentsItem *ni = item.get();

        const QString after = t.mid(p + 5);
        ni->HTMLTitle = CollapseNbsp(noHeadingNumber ? after : t.left(p) + after);
        ni->Title = UnescapeHtml(ni->HTMLTitle).trimmed();
        if (ni->Title.isEmpty()) {
            ni->HTMLTitle = QStringLiteral("(Blank)");
            ni->Title = ni->HTMLTitle;
        }
        const QString base = TopicBaseName(UnescapeHtml(after).trimmed());
        ni->Url = prop.FileName.isEmpty() ? Items.GetExclusiveFilename(TopicFileName(base), ext)
                                          : SafePageName(prop.FileName) + ext;
        ni->StaticName = prop.StaticVar.isEmpty() ? Items.GetExclusiveStaticName(TopicStaticName(base))
                                                  : prop.StaticVar;
        ni->OriginalLevel = digit.digitValue();
        ni->Level = ni->OriginalLevel;
        for (const QString &k : IndexList[size_t(h)])
            ni->Keywords += k + QStringLiteral("\r\n");
        ni->ContextNumber = prop.Id.isEmpty() ? QString::number(context) + u'0' : prop.Id;
        // The symbol and number go into source code: a property that is not
        // an identifier or a number leaves the topic without a context ID.
        QString refused;
        if (!prop.StaticVar.isEmpty() && !IsIdentifier(prop.StaticVar))
            refused = QStringLiteral("StaticVar \"%1\" is not an identifier").arg(prop.StaticVar);
        else if (!prop.Id.isEmpty() && !IsContextNumber(prop.Id))
            refused = QStringLiteral("Id \"%1\" is not a number from 1 to 2147483647").arg(prop.Id);
        if (!refused.isEmpty()) {
            Notes << QStringLiteral("The heading \"%1\" gets no context ID: its %2.").arg(ni->Title, refused);
            ni->StaticName.clear();
            ni->ContextNumber.clear();
        }

        if (!prev) {
            if (ni->OriginalLevel > 1)
                ni->Level = 1;
        } else if (prev->OriginalLevel < ni->OriginalLevel) {
            ni->Level = prev->Level + 1;
            prev->HasChildNode = true;
            remembered = prev->Level;
        } else if (prev->OriginalLevel == ni->OriginalLevel) {
            ni->Level = prev->Level;
        } else if (prev->Level < ni->OriginalLevel) {
            ni->Level = remembered;
        }
        ni->TitleSource = x.mid(s, i - s + 1);

        if (prop.Omit) {
            omitting = true;
            omitLevel = ni->Level;
        } else if (omitting && ni->Level <= omitLevel) {
            omitting = false;
            omitLevel = -1;
        }
        ++context;

        if (contentStart >= 0) {
            prev->Content = x.mid(contentStart, s - contentStart);
            finish(prev, false);
        }
        if (omitting) {
            prevOmitted = std::move(item);
        } else {
            Items.Add(std::move(item));
            prevOmitted.reset();
        }
        prev = ni;
        contentStart = i + 1;
    };

    for (int i = 0; i < n; ++i) {
        const QChar c = x[i];
        if (inName) {
            if (c == u'/')
                closing = true;
            if (c != u' ' && c != u'>' && c != u'\r' && c != u'\n') {
                name += c;
            } else {
                if (closing) {
                    const QString closed = name.mid(1);
                    int at = int(stack.size()) - 1;
                    while (at > 0 && stack[size_t(at)].name.compare(closed, Qt::CaseInsensitive) != 0)
                        --at;
                    if (at > 0) {
                        for (size_t k = size_t(at) + 1; k < stack.size(); ++k)
                            stack[size_t(at)].text += stack[k].text;
                        const QString &t = stack[size_t(at)].text;
                        const int marker = int(t.indexOf(HeadingMarker));
                        if (marker >= 0 && IsParagraphOrHeading(closed))
                            heading(t, marker, stack[size_t(at)].pos, i);
                        if (at > 1)
                            stack[size_t(at) - 1].text += t;
                        stack.resize(size_t(at));
                    }
                } else {
                    stack.push_back(Open{name, lt, QString()});
                }
                name.clear();
                inName = false;
            }
        }
        if (c == u'<') {
            lt = i;
            inText = false;
            inName = true;
            closing = false;
            name.clear();
        } else if (c == u'>') {
            inText = true;
            inName = false;
        } else if (inText && c != u'\r') {
            stack.back().text += c == u'\n' ? QChar(u' ') : c;
        }
    }

    TopicHeadings = h + 1;
    if (h < 0)
        WordsBeforeFirstHeading = CountWords(x);
    if (Items.Count() > 0 && prev && contentStart >= 0) {
        prev->Content = x.mid(contentStart, n - 7 - contentStart);
        finish(prev, true);
    }
    ChangeUrls(Items);
    Items.PreProcess();
    TopicPages = 0;
    for (int k = 0; k < Items.Count(); ++k)
        TopicPages += Items.Item(k)->Status == 0 ? 1 : 0;
}
