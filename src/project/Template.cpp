#include "project/Template.h"

#include "foundation/HTMLProcess.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "project/Contents.h"
#include "foundation/LanguageProcess.h"
#include "foundation/functions.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

// ---- Template package ------------------------------------------------------

namespace {

const QString kPrevNormal = QStringLiteral("btn_prev_n");
const QString kNextNormal = QStringLiteral("btn_next_n");
const QString kPrevGrey = QStringLiteral("btn_prev_g");
const QString kNextGrey = QStringLiteral("btn_next_g");

void appendInt64(QByteArray &out, qint64 value)
{
    char b[8];
    qToLittleEndian<qint64>(value, b);
    out.append(b, 8);
}

void appendEntry(QByteArray &out, const QString &name, const QByteArray &data)
{
    appendInt64(out, name.size());
    out.append(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
    appendInt64(out, data.size());
    out.append(data);
}

// A control character or a line separator in a file name: such a name would
// split the line of a list that names the file (the HTML Help project set
// lists every page on a line of its own).
bool holdsControl(const QString &name)
{
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029))
            return true;
    return false;
}

// The name as a message shows it: each control character as its code.
QString shownName(const QString &name)
{
    QString shown;
    for (const QChar c : name)
        shown += c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029)
                   ? QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper()
                   : QString(c);
    return shown;
}

// A stored name must stay inside the folder it is written into.
bool isSafeEntryName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.startsWith(u'\\') || name.contains(u':'))
        return false;
    const QStringList parts = QString(name).replace(u'\\', u'/').split(u'/');
    for (const QString &p : parts)
        if (p == u"..")
            return false;
    return true;
}

// Reads the package entry by entry; every count is checked against the bytes
// that are left before anything is allocated.
class PackageReader {
public:
    explicit PackageReader(const QByteArray &stream, const QString &package = QString())
        : s_(stream), package_(package.isEmpty() ? QStringLiteral("The template package")
                                                 : QStringLiteral("The template package \"%1\"").arg(package))
    {
    }
    bool atEnd() const { return pos_ >= s_.size(); }

    TTemplateEntry next(bool withData = true)
    {
        const int index = count_++;
        const qint64 n = readInt64(index);
        if (n < 0 || n > (s_.size() - pos_) / 2)
            throw damaged(index, QStringLiteral("its name is longer than the data left"));
        TTemplateEntry e;
        e.Name = QString::fromUtf16(reinterpret_cast<const char16_t *>(s_.constData() + pos_), qsizetype(n));
        pos_ += 2 * n;
        if (holdsControl(e.Name))
            throw Exception(QStringLiteral("%1 holds the file name \"%2\" (entry %3), which holds a control "
                                           "character; the package is refused.")
                                .arg(package_, shownName(e.Name))
                                .arg(index + 1));
        if (!isSafeEntryName(e.Name))
            throw Exception(QStringLiteral("%1 holds the file name \"%2\" (entry %3), which is not a relative "
                                           "name inside the template's folder; the package is refused.")
                                .arg(package_, e.Name)
                                .arg(index + 1));
        if (!withData)
            return e;
        const qint64 size = readInt64(index);
        if (size < 0 || size > s_.size() - pos_)
            throw damaged(index, QStringLiteral("its size is larger than the data left"));
        e.Data = s_.mid(pos_, qsizetype(size));
        pos_ += size;
        return e;
    }

private:
    qint64 readInt64(int index)
    {
        if (s_.size() - pos_ < 8)
            throw damaged(index, QStringLiteral("it is cut short"));
        const qint64 v = qFromLittleEndian<qint64>(s_.constData() + pos_);
        pos_ += 8;
        return v;
    }
    Exception damaged(int index, const QString &why) const
    {
        return Exception(QStringLiteral("%1 is damaged: entry %2 cannot be read (%3).")
                             .arg(package_)
                             .arg(index + 1)
                             .arg(why));
    }

    const QByteArray &s_;
    const QString package_; // how messages name the package
    qint64 pos_ = 0;
    int count_ = 0;
};

void writeEntry(const QString &folder, const TTemplateEntry &e)
{
    QString dir = folder;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    const QString target = dir + QString(e.Name).replace(u'\\', u'/');
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Nothing is written through a link: a linked subfolder must lead back
    // into the folder, and a link in the file's place is replaced.
    if (!IsInsideFolder(QFileInfo(target).absolutePath(), dir))
        throw Exception(QStringLiteral("Cannot write the template file \"%1\": its folder is a link that leads "
                                       "outside \"%2\".")
                            .arg(target, dir));
    if (QFileInfo(target).isSymLink())
        QFile::remove(target);
    QFile f(target);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(e.Data) != e.Data.size())
        throw Exception(QStringLiteral("Cannot write the template file \"%1\": %2").arg(target, f.errorString()));
}

QString fileBaseName(const QString &name)
{
    QString last = QString(name).replace(u'\\', u'/').section(u'/', -1);
    const int dot = last.lastIndexOf(u'.');
    return dot < 0 ? last : last.left(dot);
}

} // namespace

QList<TTemplateEntry> ReadTemplateEntries(const QByteArray &Stream, const QString &Package)
{
    QList<TTemplateEntry> entries;
    PackageReader reader(Stream, Package);
    while (!reader.atEnd())
        entries.append(reader.next());
    return entries;
}

void ListTemplateFiles(const QString &FileName, QStringList &List)
{
    QStringList files;
    CollectLinkedFiles(FileName, files);
    // Grey forms of the buttons travel with the template, for the first and last page.
    const int collected = files.size();
    for (int i = 0; i < collected; ++i) {
        const QString lower = files[i].toLower();
        for (const auto &[normal, grey] : {std::pair{kPrevNormal, kPrevGrey}, std::pair{kNextNormal, kNextGrey}}) {
            if (!lower.contains(normal))
                continue;
            const QString candidate = QString(files[i]).replace(normal, grey, Qt::CaseInsensitive);
            if (QFileInfo(candidate).isFile())
                files.append(candidate);
            break;
        }
    }
    List.append(files);
}

void PackTemplate(const QString &FileName, QByteArray &Stream)
{
    if (!QFileInfo(FileName).isFile())
        throw Exception(QStringLiteral("The template page \"%1\" does not exist.").arg(FileName));
    QStringList files;
    ListTemplateFiles(FileName, files);
    const QString folder = QFileInfo(FileName).absolutePath() + u'/';
    // Where the files really lie, links followed: a link in a template folder
    // received from someone else must not carry a file of this machine into
    // the package, and so into every help built with it.
    if (!IsInsideFolder(FileName, folder))
        throw Exception(QStringLiteral("The template page \"%1\" is a link to \"%2\", outside the template's "
                                       "folder; the template is refused.")
                            .arg(FileName, RealPath(FileName)));
    QByteArray package;
    for (const QString &path : files) {
        const QString full = QFileInfo(path).absoluteFilePath();
        if (!full.startsWith(folder, Qt::CaseInsensitive))
            continue; // files outside the page's folder are not part of the template
        // Only regular files whose real place is inside the folder.
        const QFileInfo real(full);
        if (!real.isFile() || !IsInsideFolder(full, folder))
            continue;
        // A package holding such a name would be refused when it is read.
        if (holdsControl(full.mid(folder.size())))
            throw Exception(QStringLiteral("The template file \"%1\" has a control character in its name; the "
                                           "template is refused. Rename the file.")
                                .arg(shownName(full)));
        QFile f(full);
        if (!f.open(QIODevice::ReadOnly))
            throw Exception(QStringLiteral("Cannot read the template file \"%1\": %2").arg(full, f.errorString()));
        appendEntry(package, full.mid(folder.size()).replace(u'/', u'\\'), f.readAll());
    }
    // The caller's stream changes only once the whole package is made.
    Stream = package;
}

void ExtractTemplateFiles(const QByteArray &Stream, const QString &Folder)
{
    const QList<TTemplateEntry> entries = ReadTemplateEntries(Stream);
    for (const TTemplateEntry &e : entries)
        writeEntry(Folder, e);
}

QString GetTemplateMainFile(const QByteArray &Stream)
{
    if (Stream.isEmpty())
        return QString();
    PackageReader reader(Stream);
    return reader.next(false).Name;
}

QString StreamToHex(const QByteArray &Stream)
{
    return QString::fromLatin1(Stream.toHex().toUpper());
}

QByteArray HexToStream(const QString &Hex)
{
    if (Hex.size() % 2)
        throw Exception(QStringLiteral("The hexadecimal text has an odd number of digits."));
    for (QChar c : Hex)
        if (!isxdigit(c.unicode()) || c.unicode() > 127)
            throw Exception(QStringLiteral("The hexadecimal text holds the character \"%1\".").arg(c));
    return QByteArray::fromHex(Hex.toLatin1());
}

// ---- Head elements ----------------------------------------------------------

std::unique_ptr<THTMLElement> THTMLElement::Double() const { return std::make_unique<THTMLElement>(*this); }
std::unique_ptr<THTMLElement> TMeta::Double() const { return std::make_unique<TMeta>(*this); }
std::unique_ptr<THTMLElement> TScript::Double() const { return std::make_unique<TScript>(*this); }
std::unique_ptr<THTMLElement> TLink::Double() const { return std::make_unique<TLink>(*this); }

void THEADElements::AddElement(const QString &TagName, const QString &HTML)
{
    const QString name = TagName.toUpper();
    // Attributes come from the start tag only, never from a script's body.
    const int end = HTML.indexOf(u'>');
    const QString tag = end < 0 ? HTML : HTML.left(end + 1);
    std::unique_ptr<THTMLElement> e;
    if (name == u"META") {
        auto m = std::make_unique<TMeta>();
        m->Name = GetTagAttribute(tag, QStringLiteral("name"));
        m->HTTP_EQUIV = GetTagAttribute(tag, QStringLiteral("HTTP-EQUIV"));
        e = std::move(m);
    } else if (name == u"SCRIPT") {
        auto s = std::make_unique<TScript>();
        s->src = GetTagAttribute(tag, QStringLiteral("src"));
        e = std::move(s);
    } else if (name == u"LINK") {
        auto l = std::make_unique<TLink>();
        l->href = GetTagAttribute(tag, QStringLiteral("href"));
        e = std::move(l);
    } else {
        e = std::make_unique<THTMLElement>();
    }
    e->TagName = name;
    e->InnerHTML = HTML;
    Items.push_back(std::move(e));
}

void THEADElements::Load(const QString &S)
{
    Items.clear();
    bool inTag = false, readingName = false, inBody = false;
    QString tagName, tagText, bodyName, bodyText;
    for (QChar c : S) {
        if (inBody)
            bodyText += c;
        if (c == u'<') {
            inTag = true;
            readingName = true;
            tagName.clear();
            tagText = QStringLiteral("<");
            continue;
        }
        if (c == u'>') {
            if (!inTag)
                continue;
            inTag = false;
            readingName = false;
            tagText += c;
            if (inBody) {
                if (tagName.compare(u'/' + bodyName, Qt::CaseInsensitive) == 0) {
                    AddElement(bodyName, bodyText);
                    inBody = false;
                }
            } else if (tagName.compare(u"style", Qt::CaseInsensitive) == 0
                       || tagName.compare(u"script", Qt::CaseInsensitive) == 0
                       || tagName.compare(u"title", Qt::CaseInsensitive) == 0) {
                inBody = true;
                bodyName = tagName;
                bodyText = tagText;
            } else {
                AddElement(tagName, tagText);
            }
            continue;
        }
        if (!inTag)
            continue;
        tagText += c;
        if (readingName) {
            if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ') {
                readingName = false;
            } else {
                tagName += c;
                if (tagName == u"!--")
                    readingName = false;
            }
        }
    }
}

void THEADElements::Insert(int Index, std::unique_ptr<THTMLElement> Element)
{
    Items.insert(Items.begin() + Index, std::move(Element));
}

void THEADElements::Unite(const THEADElements &HeadB)
{
    auto lastOf = [this](const QString &tag) {
        for (int i = Count() - 1; i >= 0; --i)
            if (Item(i)->TagName == tag)
                return i;
        return -1;
    };
    auto anyMatch = [this](const QString &tag, auto key) {
        for (const auto &e : Items)
            if (e->TagName == tag && key(e.get()))
                return true;
        return false;
    };
    for (const auto &e : HeadB.Items) {
        const QString &tag = e->TagName;
        bool add = false;
        if (tag == u"META") {
            const auto *m = static_cast<const TMeta *>(e.get());
            if (!m->HTTP_EQUIV.isEmpty())
                add = !anyMatch(tag, [m](THTMLElement *o) {
                    return static_cast<TMeta *>(o)->HTTP_EQUIV.compare(m->HTTP_EQUIV, Qt::CaseInsensitive) == 0;
                });
            else if (!m->Name.isEmpty())
                add = !anyMatch(tag, [m](THTMLElement *o) {
                    return static_cast<TMeta *>(o)->Name.compare(m->Name, Qt::CaseInsensitive) == 0;
                });
        } else if (tag == u"LINK") {
            const auto *l = static_cast<const TLink *>(e.get());
            add = l->href.isEmpty() || !anyMatch(tag, [l](THTMLElement *o) {
                return static_cast<TLink *>(o)->href.compare(l->href, Qt::CaseInsensitive) == 0;
            });
        } else if (tag == u"SCRIPT") {
            const auto *s = static_cast<const TScript *>(e.get());
            add = s->src.isEmpty() || !anyMatch(tag, [s](THTMLElement *o) {
                return static_cast<TScript *>(o)->src.compare(s->src, Qt::CaseInsensitive) == 0;
            });
        } else if (tag == u"STYLE") {
            add = true;
        }
        if (!add)
            continue;
        const int last = lastOf(tag);
        Insert(last < 0 ? Count() : last + 1, e->Double());
    }
}

void THEADElements::Process()
{
    std::erase_if(Items, [](const std::unique_ptr<THTMLElement> &e) {
        if (e->TagName == u"TITLE")
            return true;
        if (e->TagName != u"META")
            return false;
        const auto *m = static_cast<const TMeta *>(e.get());
        return m->HTTP_EQUIV.compare(u"Content-Type", Qt::CaseInsensitive) == 0
            || m->Name.compare(u"Generator", Qt::CaseInsensitive) == 0;
    });
    auto generator = std::make_unique<TMeta>();
    generator->TagName = QStringLiteral("META");
    generator->Name = QStringLiteral("Generator");
    generator->InnerHTML = QStringLiteral("<meta name=Generator content=\"Tessaly Quillcraft\">");
    Insert(0, std::move(generator));
    auto contentType = std::make_unique<TMeta>();
    contentType->TagName = QStringLiteral("META");
    contentType->HTTP_EQUIV = QStringLiteral("Content-Type");
    contentType->InnerHTML = QStringLiteral("<meta http-equiv=Content-Type content=\"text/html; charset=\">");
    Insert(0, std::move(contentType));
}

QString THEADElements::Text() const
{
    QString s = QStringLiteral("\r\n");
    for (const auto &e : Items)
        s += e->InnerHTML + QStringLiteral("\r\n");
    return s + QStringLiteral("\r\n");
}

// ---- Page template ------------------------------------------------------------

TTemplate::TTemplate(const QByteArray &TemplateStream) : Stream(TemplateStream) { Init(); }

TTemplate::TTemplate(const QByteArray &TemplateStream, const QString &Prev_Text, const QString &Next_Text)
    : Stream(TemplateStream), Previous(Prev_Text), Next(Next_Text)
{
    Init();
}

void TTemplate::Init()
{
    pn.Prev_Title = Previous;
    pn.Next_Title = Next;
    if (!Stream.isEmpty()) {
        PackageReader reader(Stream);
        QByteArray page = reader.next().Data;
        QBuffer buffer(&page);
        buffer.open(QIODevice::ReadOnly);
        Source = LoadTextFromStream(buffer, QString());
    }
    LS = Source.toLower();
    TempSource = PrevNextTemplate();
}

QString TTemplate::PrevNextTemplate()
{
    static const QStringList imageExtensions{QStringLiteral(".gif"), QStringLiteral(".png"), QStringLiteral(".jpg")};
    QString out;
    qsizetype done = 0;
    for (qsizetype pos = LS.indexOf(u"<img "); pos >= 0;) {
        const qsizetype end = LS.indexOf(u'>', pos);
        if (end < 0)
            break;
        const QString src = GetTagAttribute(Source.mid(pos, end - pos + 1), QStringLiteral("src"));
        const qsizetype dot = src.lastIndexOf(u'.');
        const QString base = dot < 0 ? src : src.left(dot);
        const QString ext = dot < 0 ? QString() : src.mid(dot).toLower();
        int button = 0; // 1 previous, 2 next
        if (pn.Extension.isEmpty()) {
            if ((base == kPrevNormal || base == kNextNormal) && imageExtensions.contains(ext)) {
                pn.Extension = ext;
                button = base == kPrevNormal ? 1 : 2;
            }
        } else if (src == kPrevNormal + pn.Extension) {
            button = 1;
        } else if (src == kNextNormal + pn.Extension) {
            button = 2;
        }
        if (button) {
            out += Source.mid(done, pos - done);
            if (button == 1) {
                out += QStringLiteral("($previmg$)");
                pn.Prev = true;
                pn.Prev_Title = Previous;
            } else {
                out += QStringLiteral("($nextimg$)");
                pn.Next = true;
                pn.Next_Title = Next;
            }
            done = end + 1;
        }
        pos = LS.indexOf(u"<img ", end + 1);
    }
    return out + Source.mid(done);
}

void TTemplate::CopyAttachedFiles(const QString &ToWhere)
{
    const QList<TTemplateEntry> entries = ReadTemplateEntries(Stream);
    for (int i = 0; i < entries.size(); ++i) {
        const QString base = fileBaseName(entries[i].Name);
        if (base.compare(kPrevGrey, Qt::CaseInsensitive) == 0)
            pn.Prev_Gray = true;
        else if (base.compare(kNextGrey, Qt::CaseInsensitive) == 0)
            pn.Next_Gray = true;
        if (i > 0)
            writeEntry(ToWhere, entries[i]);
    }
}

void TTemplate::UniteHead(THEADElements &HeadB)
{
    THtmlHeadSplit split = SplitHtmlHead(TempSource);
    THEADElements templateHead;
    templateHead.Load(split.Head);
    HeadB.Unite(templateHead);
    HeadB.Process();
    TempSource = split.Page.replace(HeadPlaceholder, HeadB.Text());
}

namespace {

QString buttonImage(const QString &id, const QString &title, const QString &file)
{
    return QStringLiteral("<img id=\"%1\" alt=\"%2\" src=\"%3\" border=\"0\">").arg(id, EscapeHtml(title), file);
}

QString buttonLink(const QString &url, const QString &title, const QString &image)
{
    return QStringLiteral("<A href=\"%1\" title=\"%2\">%3</a>").arg(url, EscapeHtml(title), image);
}

} // namespace

QString TTemplate::MakePage(const TContentsItem &Item) const
{
    const bool hasPrev = !Item.LastPage.isEmpty();
    const bool hasNext = !Item.NextPage.isEmpty();
    const QString prevImg = buttonImage(QStringLiteral("marrowby_template_prev"), pn.Prev_Title,
                                        (hasPrev ? kPrevNormal : kPrevGrey) + pn.Extension);
    const QString nextImg = buttonImage(QStringLiteral("marrowby_template_next"), pn.Next_Title,
                                        (hasNext ? kNextNormal : kNextGrey) + pn.Extension);
    const std::pair<QString, QString> values[] = {
        {QStringLiteral("($prev$)"),
         hasPrev ? QStringLiteral("<A href=\"%1\">&lt;&lt;%2</a>").arg(Item.LastPage, pn.Prev_Title)
                 : QStringLiteral("&lt;&lt;") + pn.Prev_Title},
        {QStringLiteral("($previmg$)"),
         hasPrev ? buttonLink(Item.LastPage, pn.Prev_Title, prevImg) : pn.Prev_Gray ? prevImg : QString()},
        {QStringLiteral("($next$)"),
         hasNext ? QStringLiteral("<A href=\"%1\">%2&gt;&gt;</a>").arg(Item.NextPage, pn.Next_Title)
                 : pn.Next_Title + QStringLiteral("&gt;&gt;")},
        {QStringLiteral("($nextimg$)"),
         hasNext ? buttonLink(Item.NextPage, pn.Next_Title, nextImg) : pn.Next_Gray ? nextImg : QString()},
        {QStringLiteral("($navigation$)"), Item.Navigation},
        {QStringLiteral("($projecttitle$)"), ProjectTitle},
        {QStringLiteral("($title$)"), Item.HTMLTitle},
        {QStringLiteral("($footer$)"), Copyright},
        {QStringLiteral("($content$)"), Item.Content},
    };
    // One pass over the template: text that a value brings in is never
    // searched for placeholders again.
    QString page;
    qsizetype done = 0;
    for (qsizetype at = TempSource.indexOf(u"($"); at >= 0; at = TempSource.indexOf(u"($", at)) {
        bool matched = false;
        for (const auto &[key, value] : values) {
            if (QStringView(TempSource).mid(at).startsWith(key, Qt::CaseInsensitive)) {
                page += QStringView(TempSource).mid(done, at - done);
                page += value;
                at += key.size();
                done = at;
                matched = true;
                break;
            }
        }
        if (!matched)
            at += 2;
    }
    page += QStringView(TempSource).mid(done);
    return SetHtmlTitle(page, Item.Title);
}
