// The text passes of the Word converter that turn Word's filtered HTML into
// help pages: the WebHelp bullet fix, Flash objects, style sheets, section
// unwrapping, picture links and image maps, and link rewriting.
#include "builder/TagScan.h"
#include "builder/WordDoc.h"

#include "foundation/HTMLProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/LinkScheme.h"
#include "project/ProjectSetting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

using tagscan::isBlank;

namespace {

// Wingdings characters that Word uses for bullets and the Unicode characters
// that show the same shape in any font.
const QHash<QChar, int> &BulletTable()
{
    static const QHash<QChar, int> table = [] {
        const std::pair<char16_t, int> rows[] = {
            {u'\u00A7', 9642},  {u'\u00FC', 10003}, {u'\u00D8', 10146}, {u'J', 9786},       {u'Q', 9992},
            {u'X', 10016},      {u'Y', 10017},      {u'l', 9679},       {u'm', 10061},      {u'n', 9632},
            {u'o', 9633},       {u'q', 10065},      {u'r', 10066},      {u's', 11047},      {u't', 10731},
            {u'u', 9670},       {u'v', 10070},      {u'w', 11045},      {u'x', 8999},       {u'{', 10048},
            {u'|', 10047},      {u'\u0178', 8226},  {u'\u00A1', 9675},  {u'\u00A4', 9673},  {u'\u00A5', 9678},
            {u'\u00A8', 9723},  {u'\u00AA', 10022}, {u'\u00AB', 9733},  {u'\u00AC', 10038}, {u'\u00AE', 10041},
            {u'\u00AF', 10037}, {u'\u00B2', 10209}, {u'\u00B3', 8977},  {u'\u00B5', 10026}, {u'\u00B6', 10032},
            {u'\u00E8', 10132}, {u'\u00F0', 8680},  {u'\u00FA', 9643},  {u'\u00FB', 10007}, {u'\u00FD', 9746},
            {u'\u00FE', 9745},
        };
        QHash<QChar, int> t;
        for (const auto &[key, code] : rows)
            t.insert(QChar(key), code);
        return t;
    }();
    return table;
}

QString removeCrLf(QString text)
{
    return text.remove(QStringLiteral("\r\n"));
}

// The Wingdings font as list labels name it and as runs name it (quoted).
bool NamesWingdings(const QString &attrs)
{
    return attrs.contains(u"font-family:Wingdings", Qt::CaseInsensitive)
           || attrs.contains(u"font-family:\"Wingdings\"", Qt::CaseInsensitive);
}

void RemoveWingdings(QString &attrs)
{
    for (const char *font : {"font-family:Wingdings;", "font-family:Wingdings", "font-family:\"Wingdings\";",
                             "font-family:\"Wingdings\""})
        attrs.remove(QLatin1String(font), Qt::CaseInsensitive);
}

QString FlashValue(const QStringList &lines, const QString &name)
{
    for (const QString &line : lines) {
        const int eq = int(line.indexOf(u'='));
        if (eq >= 0 && line.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

// A property of a Flash object as an attribute value: a quote would end the
// attribute and let the rest of the value into the page's markup.
QString FlashAttribute(const QStringList &lines, const QString &name)
{
    return FlashValue(lines, name).replace(u'"', QStringLiteral("&quot;"));
}

// A movie the player fetches from the web rather than a file beside the page.
bool IsWebAddress(const QString &movie)
{
    const QString scheme = LinkScheme(movie);
    return scheme == u"http" || scheme == u"https";
}

void CopyFileOver(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    if (QFileInfo::exists(to))
        QFile::remove(to);
    if (!QFile::copy(from, to))
        throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".").arg(from, to));
}

bool StartsWithCi(const QString &text, const QString &prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace

QString TWordDoc::ProcessSource(const QString &Text) const
{
    return OutputType == 2 ? FixWordBulletForWebHelp(Text) : Text;
}

QString TWordDoc::FixWordBulletForWebHelp(const QString &Text)
{
    QString text = Text;
    text.replace(QStringLiteral(">\u00B7<"), QStringLiteral(">&#8226<"));
    const QHash<QChar, int> &bullets = BulletTable();
    const int n = int(text.size());
    QString out;
    out.reserve(n);
    int i = 0;
    while (i < n) {
        if (text[i] != u'<') {
            out += text[i++];
            continue;
        }
        // A tag name follows every "<" (also the one that ends a bullet span).
        bool atTag = true;
        while (atTag) {
            atTag = false;
            out += text[i++];
            const int nameStart = i;
            while (i < n && !isBlank(text[i]) && text[i] != u'>' && text[i] != u'<')
                ++i;
            const QString name = text.mid(nameStart, i - nameStart);
            out += name;
            if (i >= n || !isBlank(text[i]) || name.compare(u"span", Qt::CaseInsensitive) != 0)
                break;
            const int gt = int(text.indexOf(u'>', i));
            if (gt < 0)
                break;
            QString attrs = text.mid(i, gt - i);
            i = gt + 1;
            if (!NamesWingdings(removeCrLf(attrs))) {
                out += attrs + u'>';
                break;
            }
            const int lt = int(text.indexOf(u'<', i));
            const int contentEnd = lt < 0 ? n : lt;
            const QString content = text.mid(i, contentEnd - i);
            i = contentEnd;
            if (content.size() == 1 || (content.size() == 2 && content[0].isHighSurrogate())) {
                const auto row = content.size() == 1 ? bullets.constFind(content[0]) : bullets.constEnd();
                // A sign already written as its Unicode character stays.
                const bool unicode = row == bullets.constEnd() && content[0].unicode() >= 0x100;
                if (row != bullets.constEnd() || unicode) {
                    if (!NamesWingdings(attrs))
                        attrs = removeCrLf(attrs);
                    RemoveWingdings(attrs);
                    out += attrs + (unicode ? u'>' + content : QStringLiteral(">&#") + QString::number(*row));
                } else {
                    out += attrs + QStringLiteral(">&#8226");
                }
            } else {
                out += attrs + u'>' + content;
            }
            atTag = lt >= 0;
        }
    }
    return out;
}

void TWordDoc::ProcessOLEObj()
{
    const QString root = Project ? Project->RootDir : QString();
    for (int n = 0; n < OLEObjs.Count(); ++n) {
        const QStringList &obj = OLEObjs.Item(n);
        const QString rawMovie = FlashValue(obj, QStringLiteral("Movie"));
        // A web address is named as it stands. A file travels with the pages
        // under a name that cannot leave the output folder; the object
        // element names the same file.
        const bool web = IsWebAddress(rawMovie);
        const QString movie = web ? FlashAttribute(obj, QStringLiteral("Movie")) : tagscan::safeRelativePath(rawMovie);
        const QString w = FlashAttribute(obj, QStringLiteral("Width"));
        const QString h = FlashAttribute(obj, QStringLiteral("Height"));
        QString e = QStringLiteral("\r\n<object type=\"application/x-shockwave-flash\" data=\"") + movie +
                    QStringLiteral("\" width=\"") + w + QStringLiteral("\" height=\"") + h + QStringLiteral("\">\r\n") +
                    QStringLiteral("<param name=\"Movie\" value=\"") + movie + QStringLiteral("\">\r\n");
        const std::pair<const char *, const char *> offSwitches[] = {
            {"Playing", "Play"}, {"Loop", "Loop"}, {"Menu", "Menu"}};
        for (const auto &[prop, param] : offSwitches)
            if (FlashValue(obj, QLatin1String(prop)).compare(u"false", Qt::CaseInsensitive) == 0)
                e += QStringLiteral("<param name=\"%1\" value=\"false\">\r\n").arg(QLatin1String(param));
        static const char *const params[] = {"AlignMode", "AllowFullScreen", "AllowNetworking", "AllowScriptAccess",
                                             "BackgroundColor", "Base", "BGColor", "DeviceFont", "EmbedMovie",
                                             "FlashVars", "FrameNum", "Profile", "ProfileAddress", "ProfilePort",
                                             "Quality", "SAlign", "Scale", "ScaleMode", "SWRemote", "WMode"};
        for (const char *param : params) {
            const QString name = QLatin1String(param);
            const QString value = FlashAttribute(obj, name);
            if (value.isEmpty())
                continue;
            const QString written = name == u"Quality" ? FlashAttribute(obj, QStringLiteral("Quality2")) : value;
            e += QStringLiteral("<param name=\"") + name + QStringLiteral("\" value=\"") + written +
                 QStringLiteral("\">\r\n");
        }
        e += QStringLiteral("</object>\r\n");
        Source.replace(FlashMarker + QString::number(n) + u')', e, Qt::CaseInsensitive);

        if (web || movie.isEmpty())
            continue;
        const QString from = IsAbsolutePath(rawMovie) ? ResolvePath(rawMovie) : ResolvePath(root + rawMovie);
        if (QFileInfo(from).isFile() && !MayCopyIntoHelp(from)) {
            const QString note = QStringLiteral("The Flash movie \"%1\" is not copied into the help: it lies "
                                                "outside the folders of the document and the project.")
                                     .arg(from);
            if (!Notes.contains(note))
                Notes << note;
        } else if (QFileInfo(from).isFile()) {
            CopyFileOver(from, tempDir + movie);
            tagscan::insertSortedUnique(AttachedFiles, movie);
        }
    }
}

QString TWordDoc::StyleToFile(const QString &Head, const QString &Folder)
{
    QString t = Head;
    t.replace(QStringLiteral("<style"), QStringLiteral("<style"), Qt::CaseInsensitive);
    t.replace(QStringLiteral("</style"), QStringLiteral("</style"), Qt::CaseInsensitive);
    QString result;
    int a = 0;
    for (int p = int(t.indexOf(QStringLiteral("<style"), a)); p >= 0; p = int(t.indexOf(QStringLiteral("<style"), a))) {
        result += QStringView(t).mid(a, p - a);
        const int gt = int(t.indexOf(u'>', p));
        const int close = gt < 0 ? -1 : int(t.indexOf(QStringLiteral("</style"), gt));
        if (close < 0)
            return Head;
        QString css = t.mid(gt + 1, close - gt - 1);
        css.remove(QStringLiteral("<!--"));
        css.remove(QStringLiteral("-->"));
        if (!css.contains(u"p.MsoNormalCxSpFirst", Qt::CaseInsensitive))
            css.replace(QStringLiteral("p.MsoNormal, li.MsoNormal, div.MsoNormal"),
                        QStringLiteral("p.MsoNormal, li.MsoNormal, div.MsoNormal, p.MsoNormalCxSpFirst, "
                                       "li.MsoNormalCxSpFirst, div.MsoNormalCxSpFirst,p.MsoNormalCxSpMiddle, "
                                       "li.MsoNormalCxSpMiddle, div.MsoNormalCxSpMiddle,p.MsoNormalCxSpLast, "
                                       "li.MsoNormalCxSpLast, div.MsoNormalCxSpLast"));
        if (!IsBlankText(css)) {
            const QString file = UniqueFileName(Folder, QStringLiteral("doc_style"), QStringLiteral(".css"));
            QString error;
            if (!SaveHtmlFile(css, file, &error))
                throw Exception(QStringLiteral("Cannot write the style sheet \"%1\": %2").arg(file, error));
            tagscan::insertSortedUnique(AttachedFiles, RelativeUrl(Folder, file));
            const QString tag = t.mid(p, gt + 1 - p);
            QString link = QStringLiteral("<link href=\"") + QFileInfo(file).fileName() + QStringLiteral("\" rel=\"stylesheet\"");
            if (!tag.contains(u"type=", Qt::CaseInsensitive))
                link += QStringLiteral(" type=\"text/css\"");
            result += link + tag.mid(6);
        }
        const int closeGt = int(t.indexOf(u'>', close));
        a = closeGt < 0 ? int(t.size()) : closeGt + 1;
    }
    result += QStringView(t).mid(a);
    return result;
}

namespace {

struct Element {
    QString name;
    QString start;
    QString content;
    QString end;
    bool unwrap = false;
};

bool IsParagraphOrHeading(const QString &name)
{
    if (name.compare(u"p", Qt::CaseInsensitive) == 0)
        return true;
    return name.size() == 2 && (name[0] == u'h' || name[0] == u'H') && name[1] >= u'1' && name[1] <= u'7';
}

} // namespace

void TWordDoc::RemoveSections()
{
    std::vector<Element> stack;
    QString result;
    auto contentOfTop = [&]() -> QString & { return stack.empty() ? result : stack.back().content; };
    // Merges the top element into the one below it (or the result).
    auto mergeTop = [&] {
        Element top = std::move(stack.back());
        stack.pop_back();
        QString &into = contentOfTop();
        if (top.unwrap) {
            into += top.content;
            if (!stack.empty())
                stack.back().unwrap = true;
        } else {
            into += top.start + top.content + top.end;
        }
    };

    const QString &b = Body;
    const int n = int(b.size());
    int i = 0;
    while (i < n) {
        const int lt = int(b.indexOf(u'<', i));
        if (lt < 0) {
            contentOfTop() += QStringView(b).mid(i);
            break;
        }
        contentOfTop() += QStringView(b).mid(i, lt - i);
        const bool closing = lt + 1 < n && b[lt + 1] == u'/';
        const QString name = closing ? tagscan::startTagName(b, lt + 1) : tagscan::startTagName(b, lt);
        if (name.isEmpty()) {
            // Comments and declarations, and a "<" that opens no tag, are
            // kept as text.
            const bool declaration = lt + 1 < n && b[lt + 1] == u'!';
            const int end = declaration ? tagscan::tagEnd(b, lt) : lt + 1;
            contentOfTop() += QStringView(b).mid(lt, end - lt);
            i = end;
            continue;
        }
        const int end = tagscan::tagEnd(b, lt);
        const QString tag = b.mid(lt, end - lt);
        i = end;
        if (!closing) {
            stack.push_back(Element{name, tag, QString(), QString(), false});
            continue;
        }
        int x = int(stack.size()) - 1;
        while (x >= 0 && stack[size_t(x)].name.compare(name, Qt::CaseInsensitive) != 0)
            --x;
        if (x < 0)
            continue; // an end tag without a start tag is dropped
        stack[size_t(x)].end = tag;
        while (int(stack.size()) - 1 > x)
            mergeTop();
        const Element &closed = stack.back();
        const bool heading = !closed.unwrap && IsParagraphOrHeading(closed.name) &&
                             closed.content.contains(HeadingMarker);
        mergeTop();
        if (heading && !stack.empty())
            stack.back().unwrap = true;
    }
    while (!stack.empty())
        mergeTop();
    Body = result;
}

TShapeAltText ParseShapeAltText(const QString &Alt)
{
    TShapeAltText r;
    QString s = Alt;
    const int label = int(Alt.indexOf(QStringLiteral("Description:")));
    if (label >= 0)
        s = Alt.mid(label + 12 + 1);
    const int map = int(s.indexOf(CanvasMapMarker));
    const int link = int(s.indexOf(ShapeLinkMarker));
    if (map >= 0) {
        r.Description = s.left(map);
        const int from = map + int(CanvasMapMarker.size());
        const int close = int(s.indexOf(u')', from));
        r.MapNumber = s.mid(from, close < 0 ? -1 : close - from);
    } else if (link >= 0) {
        r.Description = s.left(link);
        const QString rest = s.mid(link + 4);
        const int semi = int(rest.indexOf(u';'));
        r.Address = semi < 0 ? rest : rest.left(semi);
        if (semi >= 0) {
            const QString rest2 = rest.mid(semi + 1);
            const int semi2 = int(rest2.indexOf(u';'));
            r.Target = semi2 < 0 ? rest2 : rest2.left(semi2);
            r.Title = semi2 < 0 ? QString() : rest2.mid(semi2 + 1);
        }
        if (!r.Description.isEmpty())
            r.Title = r.Description;
        else
            r.Description = r.Title;
    } else {
        r.Description = s;
        r.Title = s;
    }
    return r;
}

QString TWordDoc::ChangeShapeLink(const QString &Content) const
{
    int lastAEnd = -1; // where the text after the last "a" start tag begins
    return tagscan::rewriteStartTags(
        Content, {QStringLiteral("img"), QStringLiteral("a")}, [&](const QString &tag, const QString &written) {
            if (tagscan::startTagName(tag, 0).compare(u"a", Qt::CaseInsensitive) == 0) {
                lastAEnd = int(written.size() + tag.size());
                return tag;
            }
            const auto attrs = tagscan::attributes(tag);
            bool hasBorder = false, hasUsemap = false;
            TShapeAltText alt;
            QString rebuilt;
            int copied = 0;
            for (const auto &a : attrs) {
                hasBorder = hasBorder || a.name.compare(u"border", Qt::CaseInsensitive) == 0;
                hasUsemap = hasUsemap || a.name.compare(u"usemap", Qt::CaseInsensitive) == 0;
                if (a.name.compare(u"alt", Qt::CaseInsensitive) != 0 || a.valueStart < 0)
                    continue;
                // The markers' fields are split in the decoded text, so an
                // address holding "&amp;" keeps its ";"; each field is
                // escaped again for the attribute it goes into.
                alt = ParseShapeAltText(UnescapeHtml(a.value(tag)));
                alt.Address = EscapeHtml(alt.Address);
                alt.Target = EscapeHtml(alt.Target);
                alt.Title = EscapeHtml(alt.Title);
                QString description = EscapeHtml(alt.Description);
                if (a.quote == u'\'')
                    description.replace(u'\'', QStringLiteral("&#39;"));
                rebuilt += QStringView(tag).mid(copied, a.valueStart - copied);
                rebuilt += description;
                if (!a.quote.isNull()) {
                    rebuilt += a.quote + QStringLiteral(" title=\"") + alt.Title + u'"';
                    copied = a.valueEnd + 1;
                } else {
                    rebuilt += QStringLiteral(" title=\"") + alt.Title + u'"';
                    copied = a.valueEnd;
                }
            }
            rebuilt += QStringView(tag).mid(copied);
            // rebuilt ends with ">" (or "/>"); insertions go before it.
            int insertAt = int(rebuilt.size());
            if (rebuilt.endsWith(u'>'))
                --insertAt;
            if (insertAt > 0 && rebuilt[insertAt - 1] == u'/')
                --insertAt;
            bool okMap = false;
            const int k = alt.MapNumber.toInt(&okMap);
            okMap = okMap && k >= 0 && k < MapCodes.size();
            QString extra = hasBorder ? QString() : QStringLiteral(" border=\"0\"");
            if (!okMap || hasUsemap) {
                const bool afterA = lastAEnd >= 0 && lastAEnd <= written.size() &&
                                    IsBlankText(written.mid(lastAEnd));
                const bool link = !alt.Address.isEmpty() && !afterA;
                QString out;
                if (link) {
                    out = QStringLiteral("<a href=\"") + alt.Address + QStringLiteral("\" title=\"") + alt.Title + u'"';
                    if (!alt.Target.isEmpty())
                        out += QStringLiteral(" target=\"") + alt.Target + u'"';
                    out += u'>';
                }
                out += rebuilt.insert(insertAt, extra);
                if (link)
                    out += QStringLiteral("</a>");
                return out;
            }
            extra += QStringLiteral(" usemap=\"#WordMap") + QString::number(k) + u'"';
            return MapCodes.at(k) + rebuilt.insert(insertAt, extra);
        });
}

QString TWordDoc::ChangeUrls(const QString &Content)
{
    return tagscan::rewriteStartTags(
        Content, {QStringLiteral("a"), QStringLiteral("area")}, [&](const QString &tag, const QString &) {
            QString out;
            int copied = 0;
            for (const auto &a : tagscan::attributes(tag)) {
                if (a.valueStart < 0)
                    continue;
                const QString value = a.value(tag);
                if (a.name.compare(u"href", Qt::CaseInsensitive) == 0 && IsScriptLink(value)) {
                    // A link that would run script in the reader's browser
                    // is dropped; its text stays.
                    int from = a.nameStart, to = a.valueEnd;
                    if (!a.quote.isNull())
                        to = std::min<int>(to + 1, int(tag.size()));
                    while (from > copied && isBlank(tag[from - 1]))
                        --from;
                    out += QStringView(tag).mid(copied, from - copied);
                    copied = to;
                    continue;
                }
                const QString changed = ChangeHrefValue(a.name, value);
                if (changed == value)
                    continue;
                // A rewritten value is always double-quoted: it may hold
                // blanks and single quotes.
                int from = a.valueStart, to = a.valueEnd;
                if (!a.quote.isNull()) {
                    --from;
                    to = std::min<int>(to + 1, int(tag.size()));
                }
                out += QStringView(tag).mid(copied, from - copied);
                out += u'"' + QString(changed).replace(u'"', QStringLiteral("&quot;")) + u'"';
                copied = to;
            }
            out += QStringView(tag).mid(copied);
            return out;
        });
}

QString TWordDoc::ChangeHrefValue(const QString &Name, const QString &Value)
{
    if (Name.compare(u"href", Qt::CaseInsensitive) != 0 || Value.isEmpty())
        return Value;
    if (Value.startsWith(u'#')) {
        const auto it = BookmarkIndex.constFind(Value.toLower());
        return it == BookmarkIndex.constEnd() ? Value : it->mid(it->indexOf(u'=') + 1);
    }
    return ResolveExternalLink(Value);
}

QString FileUrlToPath(const QString &Url)
{
    QString rest = QUrl::fromPercentEncoding(Url.mid(8).toUtf8());
    rest.replace(u'\\', u'/');
    // "file:///C:/..." names a Windows drive; "file:///home/..." a path
    // from the root.
    if (rest.size() >= 2 && rest[1] == u':' && rest[0].isLetter())
        return rest;
    return u'/' + rest;
}

QString TWordDoc::RootRelativeName(const QString &Path) const
{
    const QString root = Project ? ResolvePath(Project->RootDir) : QString();
    if (!root.isEmpty() && Path.startsWith(root.endsWith(u'/') ? root : root + u'/'))
        return Path.mid(root.endsWith(u'/') ? root.size() : root.size() + 1);
    return QFileInfo(Path).fileName();
}

QString TWordDoc::ParentLinkToRootPath(const QString &Value) const
{
    return ResolvePath((Project ? Project->RootDir : QString()) + Value.mid(6));
}

QString TWordDoc::ExternalLinkToRootPath(const QString &Value) const
{
    return ResolvePath((Project ? Project->RootDir : QString()) + Value);
}

// A text as the content of a single-quoted script string inside a
// double-quoted attribute: everything but letters, digits and a few path
// characters becomes a \uXXXX escape, so no quote, backslash, ampersand or
// line end of the text can end the string or the attribute.
static QString ScriptStringInAttribute(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || QStringLiteral("-_./~ ").contains(c))
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

QString TWordDoc::ResolveExternalLink(const QString &Value)
{
    if (StartsWithCi(Value, QStringLiteral("file:///"))) {
        const QString path = FileUrlToPath(Value);
        return AttachExternalFile(path, QFileInfo(path).fileName(), Value);
    }
    if (StartsWithCi(Value, QStringLiteral("External:"))) {
        const QString r = Value.mid(9);
        if (OutputType == 1)
            return QStringLiteral("javascript:location.href='file:///'+location.href.substring((location.href."
                                  "search(/:/)==2?14:7),location.href.lastIndexOf('\\\\')+1) + '") +
                   ScriptStringInAttribute(DecodeAttributeValue(r)) + QStringLiteral("';");
        const QString path = ExternalLinkToRootPath(r);
        return AttachExternalFile(path, RootRelativeName(path), Value);
    }
    if (StartsWithCi(Value, QStringLiteral("../../"))) {
        const QString path = ParentLinkToRootPath(Value);
        return AttachExternalFile(path, RootRelativeName(path), Value);
    }
    if (!Value.contains(u':')) {
        const QString path = ExternalLinkToRootPath(Value);
        return AttachExternalFile(path, RootRelativeName(path), Value);
    }
    return Value;
}

bool TWordDoc::MayCopyIntoHelp(const QString &Path) const
{
    // Symbolic links are followed: what counts is where the file lies.
    const QString file = QFileInfo(Path).canonicalFilePath();
    if (file.isEmpty())
        return false;
    QStringList folders;
    if (Project) {
        folders << Project->RootDir;
        if (!Project->SourceFile.trimmed().isEmpty())
            folders << QFileInfo(Project->RealPath(0)).absolutePath();
    }
    if (!FileName.isEmpty())
        folders << QFileInfo(FileName).absolutePath(); // the working copy lies beside the document
    for (const QString &folder : std::as_const(folders)) {
        const QString root = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
        if (!root.isEmpty() && file.startsWith(root.endsWith(u'/') ? root : root + u'/'))
            return true;
    }
    return false;
}

QString TWordDoc::AttachExternalFile(const QString &Path, const QString &Name, const QString &Link)
{
    QString path = Path;
    if (!QFileInfo(path).isFile()) {
        // Pages written on Windows link without regard to case.
        const QString found = FindFileIgnoringCase(path);
        if (!found.isEmpty() && QFileInfo(found).isFile())
            path = found;
    }
    const auto known = ExternalNames.constFind(path);
    if (known != ExternalNames.constEnd())
        return *known;
    const QString name = tagscan::safeRelativePath(Name);
    if (name.isEmpty() || !QFileInfo(path).isFile())
        return Name;
    if (!MayCopyIntoHelp(path)) {
        const QString note = QStringLiteral("The link to \"%1\" stays a plain link: the file lies outside the "
                                            "folders of the document and the project, so it is not copied into "
                                            "the help.")
                                 .arg(path);
        if (!Notes.contains(note))
            Notes << note;
        return Link;
    }
    QString target = tempDir + name;
    if (QFileInfo::exists(target))
        target = UniqueFilePath(target);
    CopyFileOver(path, target);
    const QString attached = target.mid(tempDir.size());
    tagscan::insertSortedUnique(AttachedFiles, attached);
    tagscan::insertSortedUnique(ExternalFiles, path);
    ExternalNames.insert(path, attached);
    return attached;
}

int TWordDoc::IndexOfBookmark(const QString &Name) const
{
    const auto it = BookmarkIndex.constFind(Name.toLower());
    if (it == BookmarkIndex.constEnd())
        return -1;
    return int(BookmarkAndUrls.indexOf(*it));
}

QString TWordDoc::BookmarkTarget(const QString &Name) const
{
    const auto it = BookmarkIndex.constFind(Name.toLower());
    return it == BookmarkIndex.constEnd() ? QString() : it->mid(it->indexOf(u'=') + 1);
}

void TWordDoc::AddBookmark(const QString &Name, const QString &Target)
{
    const QString entry = Name + u'=' + Target;
    tagscan::insertSortedUnique(BookmarkAndUrls, entry);
    // A name that is entered twice resolves to the entry that sorts first.
    const QString key = Name.toLower();
    auto it = BookmarkIndex.find(key);
    if (it == BookmarkIndex.end())
        BookmarkIndex.insert(key, entry);
    else if (entry.compare(*it, Qt::CaseInsensitive) < 0)
        *it = entry;
}

void TWordDoc::GetBookmarksForHeadings(const QString &S, const QString &Url, bool IsHeading)
{
    tagscan::rewriteStartTags(S, {QStringLiteral("a")}, [&](const QString &tag, const QString &) {
        for (const auto &a : tagscan::attributes(tag)) {
            if (a.name.compare(u"name", Qt::CaseInsensitive) != 0 || a.valueStart < 0)
                continue;
            const QString value = a.value(tag);
            AddBookmark(u'#' + value.toLower(), IsHeading ? Url : Url + u'#' + value);
        }
        return tag;
    });
}
