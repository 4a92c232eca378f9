#include "platform/word/Package.h"
#include "platform/word/XmlText.h"

#include "platform/FileErrors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <zip.h>

namespace word {

namespace {

// What a libzip error code means for a document, in words a writer can act
// on. libzip's own texts name no file and, for some codes, append the text of
// an unrelated system error ("Read error: Success").
QString zipProblem(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("it is not a zip package");
    case ZIP_ER_INCONS:
    case ZIP_ER_NOENT:
    case ZIP_ER_INVAL:
        return QStringLiteral("its zip directory is damaged (a size, count or position field names data the "
                              "file does not hold)");
    case ZIP_ER_EOF:
    case ZIP_ER_SEEK:
        return QStringLiteral("the file is cut short: its zip directory names data beyond its end");
    case ZIP_ER_READ:
    case ZIP_ER_OPEN:
        return QStringLiteral("the file cannot be read");
    case ZIP_ER_CRC:
        return QStringLiteral("its data does not match its checksum");
    case ZIP_ER_ZLIB:
        return QStringLiteral("its compressed data is damaged");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("it uses a compression method that is not supported");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("it is encrypted");
    case ZIP_ER_MEMORY:
        return QStringLiteral("there is not enough memory to read it");
    default: {
        zip_error_t ze;
        zip_error_init_with_code(&ze, code);
        const QString text = QString::fromUtf8(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return QStringLiteral("the zip package is damaged (%1)").arg(text.section(QLatin1Char(':'), 0, 0));
    }
    }
}

const char *const ContentTypesPart = "[Content_Types].xml";
const char *const RelsContentType = "application/vnd.openxmlformats-package.relationships+xml";

struct NsEntry {
    const char *prefix;
    const char *uri;
};

// Canonical prefixes. A prefix listed twice maps a strict URI to the
// transitional one (the first entry of a prefix is the URI written on save).
const NsEntry kNamespaces[] = {
    {"w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main"},
    {"w", "http://purl.oclc.org/ooxml/wordprocessingml/main"},
    {"r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {"r", "http://purl.oclc.org/ooxml/officeDocument/relationships"},
    {"wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
    {"wp", "http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing"},
    {"a", "http://schemas.openxmlformats.org/drawingml/2006/main"},
    {"a", "http://purl.oclc.org/ooxml/drawingml/main"},
    {"pic", "http://schemas.openxmlformats.org/drawingml/2006/picture"},
    {"pic", "http://purl.oclc.org/ooxml/drawingml/picture"},
    {"c", "http://schemas.openxmlformats.org/drawingml/2006/chart"},
    {"dgm", "http://schemas.openxmlformats.org/drawingml/2006/diagram"},
    {"m", "http://schemas.openxmlformats.org/officeDocument/2006/math"},
    {"v", "urn:schemas-microsoft-com:vml"},
    {"o", "urn:schemas-microsoft-com:office:office"},
    {"w10", "urn:schemas-microsoft-com:office:word"},
    {"mc", "http://schemas.openxmlformats.org/markup-compatibility/2006"},
    {"wps", "http://schemas.microsoft.com/office/word/2010/wordprocessingShape"},
    {"wpg", "http://schemas.microsoft.com/office/word/2010/wordprocessingGroup"},
    {"wpc", "http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas"},
    {"wpi", "http://schemas.microsoft.com/office/word/2010/wordprocessingInk"},
    {"wp14", "http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing"},
    {"wne", "http://schemas.microsoft.com/office/word/2006/wordml"},
    {"w14", "http://schemas.microsoft.com/office/word/2010/wordml"},
    {"w15", "http://schemas.microsoft.com/office/word/2012/wordml"},
    {"a14", "http://schemas.microsoft.com/office/drawing/2010/main"},
    {"ax", "http://schemas.microsoft.com/office/2006/activeX"},
    {"", "http://schemas.openxmlformats.org/package/2006/relationships"},
    {"", "http://schemas.openxmlformats.org/package/2006/content-types"},
    {"cp", "http://schemas.openxmlformats.org/package/2006/metadata/core-properties"},
    {"dc", "http://purl.org/dc/elements/1.1/"},
    {"dcterms", "http://purl.org/dc/terms/"},
    {"dcmitype", "http://purl.org/dc/dcmitype/"},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance"},
    {"ep", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"},
    {"vt", "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"},
    {"op", "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties"},
};

// Namespaces whose content this engine understands: an mc:Choice requiring
// only these is taken.
const char *const kUnderstood[] = {"w", "r", "wp", "a", "pic", "c", "m", "v", "o", "w10",
                                   "mc", "wps", "wpg", "wpc", "wp14", "w14", "w15", "a14"};

const QString kXmlNs = QStringLiteral("http://www.w3.org/XML/1998/namespace");

QString transitionalType(const QString &type)
{
    static const QString strict = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships/");
    if (type.startsWith(strict))
        return QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/")
               + type.mid(strict.size());
    return type;
}

QString normalisePartName(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name;
}

bool isXmlName(const QString &name)
{
    const QString lower = name.toLower();
    return lower.endsWith(QLatin1String(".xml")) || lower.endsWith(QLatin1String(".rels"))
           || lower.endsWith(QLatin1String(".vml"));
}

// Renames every element and attribute to the canonical prefix of its
// namespace and resolves alternate content; see the header.
class Canonicaliser {
public:
    void run(pugi::xml_document &doc)
    {
        pugi::xml_node root = doc.document_element();
        if (!root)
            return;
        std::vector<std::pair<QString, QString>> scope;
        scope.emplace_back(QStringLiteral("xml"), kXmlNs);
        process(root, scope);
        // Declare every namespace used, on the root element.
        for (auto it = used_.constBegin(); it != used_.constEnd(); ++it) {
            const QByteArray attr = it.key().isEmpty() ? QByteArray("xmlns")
                                                       : "xmlns:" + it.key().toUtf8();
            root.append_attribute(attr.constData()).set_value(it.value().toUtf8().constData());
        }
    }

private:
    using Scope = std::vector<std::pair<QString, QString>>;

    static QString lookup(const Scope &scope, const QString &prefix)
    {
        for (auto it = scope.rbegin(); it != scope.rend(); ++it)
            if (it->first == prefix)
                return it->second;
        return QString();
    }

    // The prefix to write for a namespace URI (empty URI: no prefix).
    QString prefixFor(const QString &uri, const QString &original)
    {
        if (uri.isEmpty() || uri == kXmlNs)
            return uri.isEmpty() ? QString() : QStringLiteral("xml");
        QString prefix = canonicalPrefix(uri);
        const bool known = std::any_of(std::begin(kNamespaces), std::end(kNamespaces),
                                       [&](const NsEntry &e) { return uri == QLatin1String(e.uri); });
        QString declared;
        if (known) {
            // Strict URIs are written as their transitional counterparts.
            declared = prefix.isEmpty() ? uri : namespaceUri(prefix);
        } else {
            // Unknown: keep the writer's prefix unless it clashes.
            auto found = unknown_.constFind(uri);
            if (found != unknown_.constEnd()) {
                prefix = found.value();
            } else {
                prefix = original;
                int n = 1;
                while (prefix.isEmpty() || !namespaceUri(prefix).isEmpty()
                       || (used_.contains(prefix) && used_.value(prefix) != uri))
                    prefix = QStringLiteral("ns%1").arg(n++);
                unknown_.insert(uri, prefix);
            }
            declared = uri;
        }
        used_.insert(prefix, declared);
        return prefix;
    }

    static void splitName(const char *qname, QString &prefix, QString &local)
    {
        const QString name = QString::fromUtf8(qname);
        const int colon = name.indexOf(QLatin1Char(':'));
        prefix = colon < 0 ? QString() : name.left(colon);
        local = colon < 0 ? name : name.mid(colon + 1);
    }

    void pushDeclarations(pugi::xml_node node, Scope &scope)
    {
        const size_t before = scope.size();
        for (pugi::xml_attribute a = node.first_attribute(); a;) {
            pugi::xml_attribute next = a.next_attribute();
            const char *n = a.name();
            if (std::strcmp(n, "xmlns") == 0) {
                scope.emplace_back(QString(), QString::fromUtf8(a.value()));
                node.remove_attribute(a);
            } else if (std::strncmp(n, "xmlns:", 6) == 0) {
                scope.emplace_back(QString::fromUtf8(n + 6), QString::fromUtf8(a.value()));
                node.remove_attribute(a);
            }
            a = next;
        }
        if (scope.size() != before)
            ++scopeGeneration_;
    }

    static bool understood(const Scope &scope, const QString &requires_)
    {
        const QStringList prefixes = requires_.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &p : prefixes) {
            const QString canon = canonicalPrefix(lookup(scope, p));
            if (canon.isEmpty()
                || std::none_of(std::begin(kUnderstood), std::end(kUnderstood),
                                [&](const char *u) { return canon == QLatin1String(u); }))
                return false;
        }
        return true;
    }

    QString uriOf(const Scope &scope, const char *qname, QString *local)
    {
        QString prefix;
        splitName(qname, prefix, *local);
        return lookup(scope, prefix);
    }

    // The canonical prefix for a name's prefix in the current scope, kept
    // while the scope stays as it is (declarations rarely leave the root).
    const std::string &canonicalFor(const Scope &scope, std::string_view prefix, bool attribute)
    {
        if (cacheGeneration_ != scopeGeneration_) {
            cache_[0].clear();
            cache_[1].clear();
            cacheGeneration_ = scopeGeneration_;
        }
        auto &cache = cache_[attribute ? 1 : 0];
        const std::string key(prefix);
        auto found = cache.find(key);
        if (found != cache.end())
            return found->second;
        const QString original = QString::fromUtf8(prefix.data(), qsizetype(prefix.size()));
        const QString uri = lookup(scope, original);
        const QString canon = attribute ? prefixFor(uri, original) : prefixFor(uri, QString());
        return cache.emplace(key, canon.toStdString()).first->second;
    }

    static std::pair<std::string_view, std::string_view> split(const char *qname)
    {
        const std::string_view name(qname);
        const size_t colon = name.find(':');
        if (colon == std::string_view::npos)
            return {std::string_view(), name};
        return {name.substr(0, colon), name.substr(colon + 1)};
    }

    void process(pugi::xml_node node, Scope &scope)
    {
        const size_t mark = scope.size();
        pushDeclarations(node, scope);
        const auto [eprefix, elocal] = split(node.name());
        const std::string prefix = canonicalFor(scope, eprefix, false);

        if (prefix == "mc" && elocal == "AlternateContent") {
            resolveAlternateContent(node, scope);
            restore(scope, mark);
            return;
        }

        if (prefix != eprefix) {
            const std::string renamed = prefix.empty() ? std::string(elocal) : prefix + ':' + std::string(elocal);
            node.set_name(renamed.c_str());
        }

        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            const auto [aprefix, alocal] = split(a.name());
            if (aprefix.empty())
                continue; // unprefixed attributes belong to no namespace
            const std::string canon = canonicalFor(scope, aprefix, true);
            if (canon.empty())
                continue;
            const std::string local(alocal);
            if (canon != aprefix)
                a.set_name((canon + ':' + local).c_str());
            if (canon == "mc" && (local == "Ignorable" || local == "ProcessContent" || local == "MustUnderstand")) {
                QStringList items = QString::fromUtf8(a.value()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                for (QString &item : items) {
                    QString ip, il;
                    splitName(item.toUtf8().constData(), ip, il);
                    const QString iuri = lookup(scope, ip);
                    if (iuri.isEmpty())
                        continue;
                    const QString cp = prefixFor(iuri, ip);
                    item = ip == item ? cp : cp + QLatin1Char(':') + il;
                }
                a.set_value(items.join(QLatin1Char(' ')).toUtf8().constData());
            }
        }

        for (pugi::xml_node child = node.first_child(); child;) {
            pugi::xml_node next = child.next_sibling();
            if (child.type() == pugi::node_element)
                process(child, scope);
            child = next;
        }
        restore(scope, mark);
    }

    void restore(Scope &scope, size_t mark)
    {
        if (scope.size() != mark) {
            scope.resize(mark);
            ++scopeGeneration_;
        }
    }

    void resolveAlternateContent(pugi::xml_node ac, Scope &scope)
    {
        pugi::xml_node chosen;
        for (pugi::xml_node branch = ac.first_child(); branch && !chosen; branch = branch.next_sibling()) {
            if (branch.type() != pugi::node_element)
                continue;
            const size_t mark = scope.size();
            pushDeclarations(branch, scope);
            QString local;
            const QString uri = uriOf(scope, branch.name(), &local);
            if (canonicalPrefix(uri) == QLatin1String("mc")) {
                if (local == QLatin1String("Choice")
                    && understood(scope, QString::fromUtf8(branch.attribute("Requires").value())))
                    chosen = branch;
                else if (local == QLatin1String("Fallback"))
                    chosen = branch;
            }
            if (chosen) {
                // Lift the branch's content in place of the alternate content.
                for (pugi::xml_node c = chosen.first_child(); c;) {
                    pugi::xml_node next = c.next_sibling();
                    pugi::xml_node moved = ac.parent().insert_move_before(c, ac);
                    if (moved.type() == pugi::node_element)
                        process(moved, scope);
                    c = next;
                }
            }
            restore(scope, mark);
        }
        ac.parent().remove_child(ac);
    }

    QMap<QString, QString> used_;    // prefix -> URI declared on the root
    QHash<QString, QString> unknown_; // unknown URI -> prefix given
    std::unordered_map<std::string, std::string> cache_[2]; // elements, attributes
    quint64 scopeGeneration_ = 0, cacheGeneration_ = 0;
};

// Declares on the root every canonical prefix that elements or attributes
// use, so that content added by edits is declared when written.
void declareUsedNamespaces(pugi::xml_document &doc)
{
    pugi::xml_node root = doc.document_element();
    if (!root)
        return;
    QSet<QString> declared;
    for (pugi::xml_attribute a : root.attributes()) {
        const QString n = QString::fromUtf8(a.name());
        if (n == QLatin1String("xmlns"))
            declared.insert(QString());
        else if (n.startsWith(QLatin1String("xmlns:")))
            declared.insert(n.mid(6));
    }
    // Few prefixes occur, so a short list beats hashing each name.
    std::vector<std::string> used;
    auto note = [&used](const char *name) {
        const char *colon = std::strchr(name, ':');
        if (!colon)
            return;
        const std::string_view prefix(name, size_t(colon - name));
        for (const std::string &u : used)
            if (u == prefix)
                return;
        used.emplace_back(prefix);
    };
    std::vector<pugi::xml_node> stack{root};
    while (!stack.empty()) {
        pugi::xml_node n = stack.back();
        stack.pop_back();
        note(n.name());
        for (pugi::xml_attribute a : n.attributes())
            note(a.name());
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element)
                stack.push_back(c);
    }
    for (const std::string &used8 : used) {
        const QString prefix = QString::fromStdString(used8);
        if (declared.contains(prefix) || prefix == QLatin1String("xml") || prefix == QLatin1String("xmlns"))
            continue;
        const QString uri = namespaceUri(prefix);
        if (!uri.isEmpty())
            root.append_attribute(("xmlns:" + prefix).toUtf8().constData()).set_value(uri.toUtf8().constData());
    }
}

// Parts from this size on are parsed where their bytes lie.
constexpr qsizetype kInPlaceParseSize = 16 * 1024 * 1024;

// Elements nested deeper than this are refused: the tree is walked
// recursively later, and no real document comes near it.
const int kMaxDepth = 512;

int nestingDepth(const pugi::xml_document &doc)
{
    int depth = 0, deepest = 0;
    pugi::xml_node n = doc.first_child();
    while (n) {
        if (n.first_child()) {
            n = n.first_child();
            deepest = std::max(deepest, ++depth);
            if (deepest > kMaxDepth)
                return deepest;
            continue;
        }
        while (n && !n.next_sibling()) {
            n = n.parent();
            --depth;
        }
        if (n)
            n = n.next_sibling();
    }
    return deepest;
}

const char kXmlHeader[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr unsigned kXmlSaveFlags = pugi::format_raw | pugi::format_no_declaration;

// An XML part handed to libzip while it is written: the tree is serialised
// on a thread of its own into a short queue that libzip's reads empty, so
// that a large document is never held whole as text while it is saved. Its
// size, which libzip asks before it reads, comes from a serialisation that
// only counts. The bytes are those Package::bytes gives.
class XmlPartSource {
public:
    explicit XmlPartSource(const pugi::xml_document &doc) : doc_(doc)
    {
        struct Counter : pugi::xml_writer {
            quint64 n = 0;
            void write(const void *, size_t size) override { n += size; }
        } counter;
        doc.save(counter, "", kXmlSaveFlags, pugi::encoding_utf8);
        size_ = sizeof kXmlHeader - 1 + counter.n;
        zip_error_init(&error_);
    }
    ~XmlPartSource()
    {
        stop();
        zip_error_fini(&error_);
    }
    XmlPartSource(const XmlPartSource &) = delete;
    XmlPartSource &operator=(const XmlPartSource &) = delete;

    static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto *self = static_cast<XmlPartSource *>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            self->start();
            return 0;
        case ZIP_SOURCE_READ:
            return self->read(static_cast<char *>(data), length);
        case ZIP_SOURCE_CLOSE:
            self->stop();
            return 0;
        case ZIP_SOURCE_STAT: {
            zip_stat_t *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self->error_);
            if (!st)
                return -1;
            // As a buffer of these bytes describes itself.
            zip_stat_init(st);
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
            st->size = st->comp_size = self->size_;
            st->comp_method = ZIP_CM_STORE;
            st->encryption_method = ZIP_EM_NONE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&self->error_, data, length);
        case ZIP_SOURCE_FREE:
            delete self;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&self->error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

private:
    static constexpr qsizetype kChunk = 1 << 20;
    static constexpr size_t kQueued = 4;

    struct Writer : pugi::xml_writer {
        XmlPartSource *source;
        QByteArray pending;
        void write(const void *data, size_t size) override
        {
            pending.append(static_cast<const char *>(data), qsizetype(size));
            if (pending.size() >= kChunk)
                flush();
        }
        void flush()
        {
            if (!pending.isEmpty())
                source->push(std::move(pending));
            pending = QByteArray();
            pending.reserve(kChunk + kChunk / 4);
        }
    };

    void start()
    {
        stop();
        cancel_ = done_ = failed_ = false;
        current_.clear();
        offset_ = 0;
        thread_ = std::thread([this] {
            try {
                Writer writer;
                writer.source = this;
                writer.pending.reserve(kChunk + kChunk / 4);
                writer.write(kXmlHeader, sizeof kXmlHeader - 1);
                doc_.save(writer, "", kXmlSaveFlags, pugi::encoding_utf8);
                writer.flush();
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex_);
                failed_ = true;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
            changed_.notify_all();
        });
    }

    void stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancel_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
        queue_.clear();
    }

    void push(QByteArray chunk)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return cancel_ || queue_.size() < kQueued; });
        if (cancel_)
            return;
        queue_.push_back(std::move(chunk));
        changed_.notify_all();
    }

    zip_int64_t read(char *data, zip_uint64_t length)
    {
        zip_uint64_t done = 0;
        while (done < length) {
            if (offset_ == current_.size()) {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return !queue_.empty() || done_; });
                if (failed_) {
                    zip_error_set(&error_, ZIP_ER_MEMORY, 0);
                    return -1;
                }
                if (queue_.empty())
                    break; // the whole part has been read
                current_ = std::move(queue_.front());
                queue_.pop_front();
                offset_ = 0;
                changed_.notify_all();
            }
            const zip_uint64_t n = std::min<zip_uint64_t>(length - done, zip_uint64_t(current_.size() - offset_));
            std::memcpy(data + done, current_.constData() + offset_, n);
            offset_ += qsizetype(n);
            done += n;
        }
        return zip_int64_t(done);
    }

    const pugi::xml_document &doc_;
    quint64 size_ = 0;
    zip_error_t error_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QByteArray> queue_;
    bool cancel_ = false, done_ = false, failed_ = false;
    QByteArray current_;
    qsizetype offset_ = 0;
};

class ZipReader {
public:
    explicit ZipReader(zip_t *z) : z_(z) {}
    ~ZipReader()
    {
        if (z_)
            zip_discard(z_);
    }
    zip_t *get() const { return z_; }

private:
    zip_t *z_;
};

QByteArray readHead(const QString &fileName, qint64 size)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(size);
}

bool isOleCompoundFile(const QByteArray &head)
{
    return head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"));
}

// A Word 97-2003 document protected by a password: its WordDocument stream
// starts, at a sector boundary, with the file information block (identifier
// 0xA5EC, then the format version), whose flags word at offset 10 holds
// fEncrypted (0x0100). The first such block found is the document's.
bool isEncryptedWordBinary(const QByteArray &all)
{
    if (all.size() < 512 + 12)
        return false;
    const int shift = quint8(all[30]) | quint8(all[31]) << 8;
    const qsizetype sector = shift >= 9 && shift <= 12 ? qsizetype(1) << shift : 512;
    auto word = [&](qsizetype at) { return quint16(quint8(all[at]) | quint8(all[at + 1]) << 8); };
    for (qsizetype at = sector; at + 12 <= all.size(); at += sector)
        if (word(at) == 0xA5EC && word(at + 2) >= 0x65)
            return (word(at + 10) & 0x0100) != 0;
    return false;
}

} // namespace

QString canonicalPrefix(const QString &uri)
{
    if (uri.isEmpty())
        return QString();
    for (const NsEntry &e : kNamespaces)
        if (uri == QLatin1String(e.uri))
            return QString::fromLatin1(e.prefix);
    return QString();
}

QString namespaceUri(const QString &prefix)
{
    for (const NsEntry &e : kNamespaces)
        if (prefix == QLatin1String(e.prefix))
            return QString::fromLatin1(e.uri);
    return QString();
}

Package::Kind Package::Sniff(const QString &fileName)
{
    const QByteArray head = readHead(fileName, 8);
    if (head.startsWith("PK"))
        return Kind::Zip;
    if (head.startsWith("{\\rtf"))
        return Kind::Rtf;
    if (!isOleCompoundFile(head))
        return Kind::Other;
    // Password-protected .docx files are compound files holding the
    // encrypted package and its "EncryptionInfo" stream.
    QFile f(fileName);
    QByteArray all;
    if (f.open(QIODevice::ReadOnly))
        all = f.read(std::min<qint64>(f.size(), 64ll * 1024 * 1024));
    const QByteArray marker = QByteArray("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28);
    // Both kinds of password protection are refused alike.
    return all.contains(marker) || isEncryptedWordBinary(all) ? Kind::EncryptedPackage : Kind::CompoundFile;
}

namespace {

// The date and time written for every part, in the zip's MS-DOS form: the
// time SOURCE_DATE_EPOCH names (in UTC) when it is set, else 1980-01-01 00:00,
// the first the form can hold.
std::pair<zip_uint16_t, zip_uint16_t> partTimestamp()
{
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    const QDateTime t = ok && epoch >= 315532800 ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC)
                                                 : QDateTime(QDate(1980, 1, 1), QTime(0, 0), Qt::UTC);
    const QDate d = t.date();
    const QTime c = t.time();
    const int year = std::clamp(d.year(), 1980, 2107);
    return {zip_uint16_t((c.hour() << 11) | (c.minute() << 5) | (c.second() / 2)),
            zip_uint16_t(((year - 1980) << 9) | (d.month() << 5) | d.day())};
}

} // namespace

Package::Package() = default;
Package::~Package() = default;

std::unique_ptr<Package> Package::clone() const
{
    auto copy = std::make_unique<Package>();
    copy->fileName_ = fileName_;
    copy->nextRelationshipId_ = nextRelationshipId_;
    copy->relIndex_ = relIndex_; // indexes are immutable once built
    copy->parts_.reserve(parts_.size());
    for (const auto &p : parts_) {
        auto part = std::make_unique<Part>();
        part->name = p->name;
        part->bytes = p->bytes;
        part->isXml = p->isXml;
        part->damage = p->damage;
        part->readSize = p->readSize;
        if (p->doc) {
            part->doc = std::make_unique<pugi::xml_document>();
            part->doc->reset(*p->doc);
        }
        copy->index_.insert(part->name.toLower(), part.get());
        copy->parts_.push_back(std::move(part));
    }
    return copy;
}

Package::Limits &Package::DefaultLimits()
{
    static Limits limits;
    return limits;
}

std::unique_ptr<Package> Package::Open(const QString &fileName)
{
    return Open(fileName, DefaultLimits());
}

std::unique_ptr<Package> Package::Open(const QString &fileName, const Limits &limits)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    auto fail = [&](const QString &problem) -> PackageError {
        return PackageError(QStringLiteral("The document \"%1\" cannot be opened: %2.").arg(shown, problem));
    };
    QFileInfo info(fileName);
    if (!info.exists())
        throw fail(QStringLiteral("the file does not exist"));
    if (!info.isFile())
        throw fail(QStringLiteral("it is not a file"));
    if (info.size() == 0)
        throw fail(QStringLiteral("the file is empty"));
    const Kind kind = Sniff(fileName);
    if (kind == Kind::EncryptedPackage)
        throw fail(QStringLiteral("it is encrypted (protected by a password)"));
    if (kind == Kind::CompoundFile)
        throw fail(QStringLiteral("it is a Word 97-2003 file, not an Office Open XML package"));

    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY, &err);
    if (!z) {
        // A file that starts as a zip but whose end record libzip cannot
        // use has a damaged zip directory, not another format.
        QFile head(fileName);
        if (err == ZIP_ER_NOZIP && head.open(QIODevice::ReadOnly) && head.read(4) == QByteArray("PK\x03\x04", 4))
            err = ZIP_ER_INCONS;
        throw fail(zipProblem(err));
    }
    ZipReader reader(z);

    auto pkg = std::make_unique<Package>();
    pkg->parseLargePartsInPlace_ = limits.parseLargePartsInPlace;
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0 || count > limits.maxParts)
        throw fail(QStringLiteral("the package holds too many parts"));
    qint64 total = 0, markup = 0;
    QHash<QString, zip_int64_t> entryOfName; // every form of a part's name, lower-cased
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            throw fail(QStringLiteral("the zip directory is damaged"));
        const QString name = normalisePartName(QString::fromUtf8(st.name));
        if (name.isEmpty() || name.endsWith(QLatin1Char('/')))
            continue;
        // One part, one entry. A second entry of a name, also one spelt in
        // another case or with other separators, or one named so only in a
        // Unicode-path field that other readers ignore, would have this
        // program and LibreOffice read two different documents.
        QStringList forms{name};
        if (const char *raw = zip_get_name(z, zip_uint64_t(i), ZIP_FL_ENC_RAW))
            forms << normalisePartName(QString::fromUtf8(raw));
        for (const QString &form : std::as_const(forms)) {
            const auto seen = entryOfName.constFind(form.toLower());
            if (seen != entryOfName.constEnd() && *seen != i)
                throw fail(QStringLiteral("it holds the part \"%1\" twice (the package is damaged or was "
                                          "altered)")
                               .arg(form));
            entryOfName.insert(form.toLower(), i);
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            throw fail(QStringLiteral("the part \"%1\" is encrypted").arg(name));
        if ((st.valid & ZIP_STAT_SIZE) && qint64(st.size) > limits.maxPartSize)
            throw fail(QStringLiteral("the part \"%1\" is too large when decompressed").arg(name));
        const bool isXml = isXmlName(name);
        QByteArray data;
        QString damage;
        if (zip_file_t *zf = zip_fopen_index(z, zip_uint64_t(i), 0)) {
            // Room for the size the directory gives, within what the limits
            // leave: a part read into it is never moved while it grows (each
            // move of a large part would leave its old pages in use). Room
            // a false size left over goes once the part is read.
            const qint64 expected = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
            data.reserve(qsizetype(std::clamp<qint64>(std::min(expected, limits.maxTotalSize - total), 0,
                                                      limits.maxPartSize)));
            char buf[65536];
            for (;;) {
                const zip_int64_t n = zip_fread(zf, buf, sizeof buf);
                if (n < 0) {
                    damage = zipProblem(zip_error_code_zip(zip_file_get_error(zf)));
                    break;
                }
                if (n == 0)
                    break;
                data.append(buf, int(n));
                total += n;
                if (isXml) {
                    markup += std::count(buf, buf + n, '<');
                    if (markup > limits.maxMarkup) {
                        zip_fclose(zf);
                        throw fail(QStringLiteral("it holds more than %1 XML tags, more than fit in the memory set "
                                                  "aside for a document")
                                       .arg(limits.maxMarkup));
                    }
                }
                if (data.size() > limits.maxPartSize || total > limits.maxTotalSize) {
                    zip_fclose(zf);
                    throw fail(QStringLiteral("the part \"%1\" is too large when decompressed").arg(name));
                }
            }
            zip_fclose(zf);
            // An XML part is parsed where it lies: room left over would
            // stay with the tree.
            if (data.capacity() - data.size() > data.size() / 16)
                data.squeeze();
        } else {
            damage = zipProblem(zip_error_code_zip(zip_get_error(z)));
        }
        // A damaged part refuses the document only when it is needed.
        if (!damage.isEmpty())
            data.clear();
        auto part = std::make_unique<Part>();
        part->name = name;
        part->bytes = data;
        part->isXml = isXml;
        part->damage = damage;
        pkg->index_.insert(name.toLower(), part.get());
        pkg->parts_.push_back(std::move(part));
    }

    // The parts every document needs, parsed now so that damage shows at once.
    if (!pkg->hasPart(QString::fromLatin1(ContentTypesPart)))
        throw fail(QStringLiteral("the part \"[Content_Types].xml\" is missing"));
    if (!pkg->hasPart(QStringLiteral("_rels/.rels")))
        throw fail(QStringLiteral("the part \"_rels/.rels\" is missing"));
    try {
        pkg->xml(QString::fromLatin1(ContentTypesPart));
        pkg->xml(QStringLiteral("_rels/.rels"));
        const QString main = pkg->mainDocumentPart();
        if (main.isEmpty())
            throw PackageError(QStringLiteral("it names no main document part"));
        if (!pkg->hasPart(main))
            throw PackageError(QStringLiteral("the part \"%1\" is missing").arg(main));
        const pugi::xml_document *mainXml = pkg->xml(main);
        if (!mainXml)
            throw PackageError(QStringLiteral("the part \"%1\" is not an XML part").arg(main));
        if (!mainXml->document_element())
            throw PackageError(QStringLiteral("the part \"%1\" is empty").arg(main));
    } catch (const PackageError &e) {
        throw fail(e.message());
    }
    pkg->fileName_ = fileName;
    return pkg;
}

Package::Part *Package::find(const QString &name)
{
    return index_.value(normalisePartName(name).toLower(), nullptr);
}

const Package::Part *Package::find(const QString &name) const
{
    return index_.value(normalisePartName(name).toLower(), nullptr);
}

QStringList Package::partNames() const
{
    QStringList names;
    for (const auto &p : parts_)
        names << p->name;
    return names;
}

bool Package::hasPart(const QString &name) const
{
    return find(name) != nullptr;
}

void Package::parse(Part &part) const
{
    if (!part.damage.isEmpty())
        throw PackageError(QStringLiteral("the part \"%1\" cannot be read: %2").arg(part.name, part.damage));
    if (part.doc || !part.isXml)
        return;
    auto doc = std::make_unique<pugi::xml_document>();
    const unsigned flags = pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_doctype;
    // A large part of the program's own work is parsed in place: a copy
    // beside it would double the memory it takes while it is read. The
    // parser writes into the bytes, so such a part that is no XML is
    // damaged from then on.
    const qsizetype size = part.bytes.size();
    const bool inPlace = parseLargePartsInPlace_ && size >= kInPlaceParseSize;
    QByteArray backing;
    pugi::xml_parse_result r;
    if (inPlace) {
        backing = std::move(part.bytes);
        part.bytes = QByteArray();
        r = doc->load_buffer_inplace(backing.data(), size_t(size), flags);
    } else {
        r = doc->load_buffer(part.bytes.constData(), size_t(size), flags);
    }
    auto fail = [&part, inPlace](const QString &problem) {
        if (inPlace)
            part.damage = QStringLiteral("it ") + problem;
        return PackageError(QStringLiteral("the part \"%1\" %2").arg(part.name, problem));
    };
    if (!r)
        throw fail(QStringLiteral("is not well-formed XML (%1 at byte %2)")
                       .arg(QString::fromUtf8(r.description()))
                       .arg(r.offset));
    if (nestingDepth(*doc) > kMaxDepth)
        throw fail(QStringLiteral("nests its elements too deeply"));
    for (pugi::xml_node n = doc->first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_doctype)
            throw fail(QStringLiteral("holds a document type declaration, which is not allowed"));
    Canonicaliser().run(*doc);
    part.doc.reset();
    part.backing = std::move(backing);
    part.doc = std::move(doc);
    part.readSize = size;
    part.bytes.clear();
}

pugi::xml_document *Package::xml(const QString &name)
{
    Part *p = find(name);
    if (!p || !p->isXml)
        return nullptr;
    // The tree may be edited through the pointer given out.
    if (p->name.endsWith(QLatin1String(".rels"), Qt::CaseInsensitive))
        dropRelIndex(p->name);
    try {
        parse(*p);
    } catch (const PackageError &e) {
        if (fileName_.isEmpty())
            throw;
        throw PackageError(QStringLiteral("The document \"%1\" is damaged: %2.")
                               .arg(QDir::toNativeSeparators(fileName_), e.message()));
    }
    return p->doc.get();
}

const pugi::xml_document *Package::xml(const QString &name) const
{
    return const_cast<Package *>(this)->xml(name);
}

QByteArray Package::bytes(const QString &name) const
{
    const Part *p = find(name);
    if (!p)
        return QByteArray();
    if (!p->damage.isEmpty())
        throw PackageError(QStringLiteral("The document \"%1\" is damaged: the part \"%2\" cannot be read: %3.")
                               .arg(QDir::toNativeSeparators(fileName_), p->name, p->damage));
    if (!p->doc)
        return p->bytes;
    declareUsedNamespaces(*p->doc);
    struct Writer : pugi::xml_writer {
        QByteArray out;
        void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), qsizetype(size)); }
    } writer;
    writer.out.reserve(p->readSize + p->readSize / 8 + 4096);
    writer.out.append(kXmlHeader);
    p->doc->save(writer, "", kXmlSaveFlags, pugi::encoding_utf8);
    return writer.out;
}

bool Package::hasDamagedParts() const
{
    return std::any_of(parts_.begin(), parts_.end(), [](const auto &p) { return !p->damage.isEmpty(); });
}

void Package::setBytes(const QString &name, const QByteArray &data, const QString &contentType)
{
    const QString n = normalisePartName(name);
    nextRelationshipId_.remove(n.toLower());
    Part *p = find(n);
    if (!p) {
        auto part = std::make_unique<Part>();
        part->name = n;
        p = part.get();
        index_.insert(n.toLower(), p);
        parts_.push_back(std::move(part));
    }
    p->bytes = data;
    p->doc.reset();
    p->backing.clear();
    dropRelIndex(n);
    p->isXml = isXmlName(n);
    p->damage.clear();

    if (n != QLatin1String(ContentTypesPart) && !contentType.isEmpty())
        setContentType(n, contentType);
}

void Package::setContentType(const QString &name, const QString &contentType)
{
    const QString n = normalisePartName(name);
    pugi::xml_document *ct = contentTypesDoc();
    pugi::xml_node types = ct->document_element();
    const QString partName = QLatin1Char('/') + n;
    for (pugi::xml_node o : types.children("Override"))
        if (QString::fromUtf8(o.attribute("PartName").value()).compare(partName, Qt::CaseInsensitive) == 0) {
            o.attribute("ContentType").set_value(contentType.toUtf8().constData());
            return;
        }
    // A default by extension may already give the right type.
    if (this->contentType(n) == contentType)
        return;
    pugi::xml_node o = types.append_child("Override");
    o.append_attribute("PartName").set_value(partName.toUtf8().constData());
    o.append_attribute("ContentType").set_value(contentType.toUtf8().constData());
}

pugi::xml_document &Package::setXml(const QString &name, const QByteArray &xmlText, const QString &contentType)
{
    setBytes(name, xmlText, contentType);
    Part *p = find(name);
    p->isXml = true;
    parse(*p);
    return *p->doc;
}

void Package::removePart(const QString &name)
{
    const QString n = normalisePartName(name);
    nextRelationshipId_.remove(n.toLower());
    Part *p = find(n);
    if (!p)
        return;
    index_.remove(n.toLower());
    dropRelIndex(n);
    parts_.erase(std::remove_if(parts_.begin(), parts_.end(),
                                [p](const std::unique_ptr<Part> &x) { return x.get() == p; }),
                 parts_.end());
    if (pugi::xml_document *ct = contentTypesDoc()) {
        const QString partName = QLatin1Char('/') + n;
        pugi::xml_node types = ct->document_element();
        for (pugi::xml_node o = types.child("Override"); o;) {
            pugi::xml_node next = o.next_sibling("Override");
            if (QString::fromUtf8(o.attribute("PartName").value()).compare(partName, Qt::CaseInsensitive) == 0)
                types.remove_child(o);
            o = next;
        }
    }
}

pugi::xml_document *Package::contentTypesDoc()
{
    if (!hasPart(QString::fromLatin1(ContentTypesPart)))
        setXml(QString::fromLatin1(ContentTypesPart),
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>", QString());
    return xml(QString::fromLatin1(ContentTypesPart));
}

QString Package::contentType(const QString &name) const
{
    const pugi::xml_document *ct = xml(QString::fromLatin1(ContentTypesPart));
    if (!ct)
        return QString();
    const QString n = normalisePartName(name);
    const QString partName = QLatin1Char('/') + n;
    pugi::xml_node types = ct->document_element();
    for (pugi::xml_node o : types.children("Override"))
        if (QString::fromUtf8(o.attribute("PartName").value()).compare(partName, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(o.attribute("ContentType").value());
    const QString ext = QFileInfo(n).suffix();
    for (pugi::xml_node d : types.children("Default"))
        if (QString::fromUtf8(d.attribute("Extension").value()).compare(ext, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(d.attribute("ContentType").value());
    return QString();
}

QString Package::relsPartName(const QString &source)
{
    const QString s = normalisePartName(source);
    if (s.isEmpty())
        return QStringLiteral("_rels/.rels");
    const int slash = s.lastIndexOf(QLatin1Char('/'));
    return s.left(slash + 1) + QStringLiteral("_rels/") + s.mid(slash + 1) + QStringLiteral(".rels");
}

QString Package::resolveTarget(const QString &source, const QString &target)
{
    QString t = target;
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    if (!t.startsWith(QLatin1Char('/'))) {
        const QString s = normalisePartName(source);
        parts = s.left(s.lastIndexOf(QLatin1Char('/')) + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    }
    for (const QString &seg : t.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (seg == QLatin1String("."))
            continue;
        if (seg == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << seg;
    }
    return QUrl::fromPercentEncoding(parts.join(QLatin1Char('/')).toUtf8());
}

pugi::xml_document *Package::relsDoc(const QString &source, bool create)
{
    const QString name = relsPartName(source);
    if (!hasPart(name)) {
        if (!create)
            return nullptr;
        setXml(name, "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>",
               QString::fromLatin1(RelsContentType));
    }
    return xml(name);
}

void Package::dropRelIndex(const QString &relsPart) const
{
    if (!relIndex_.isEmpty())
        relIndex_.remove(relsPart.toLower());
}

// A relationship of a source part as the index holds it.
static Relationship describedRelationship(const QString &source, const QString &id, const QString &type,
                                          const QString &target, bool external)
{
    Relationship rel;
    rel.id = id;
    rel.type = transitionalType(type);
    rel.target = target;
    rel.external = external;
    if (!external)
        rel.targetPart = Package::resolveTarget(source, target);
    return rel;
}

const Package::RelIndex &Package::relIndex(const QString &source) const
{
    const QString key = relsPartName(source).toLower();
    if (auto it = relIndex_.constFind(key); it != relIndex_.constEnd())
        return **it;
    auto index = std::make_shared<RelIndex>();
    if (const pugi::xml_document *doc = const_cast<Package *>(this)->relsDoc(source, false)) {
        for (pugi::xml_node r : doc->document_element().children("Relationship"))
            index->list << describedRelationship(
                source, QString::fromUtf8(r.attribute("Id").value()), QString::fromUtf8(r.attribute("Type").value()),
                QString::fromUtf8(r.attribute("Target").value()),
                QString::fromUtf8(r.attribute("TargetMode").value()).compare(QLatin1String("External"),
                                                                               Qt::CaseInsensitive) == 0);
    }
    // The first relationship of an id or type wins, as a scan in order would find it.
    for (qsizetype i = index->list.size() - 1; i >= 0; --i) {
        index->byId.insert(index->list[i].id, i);
        index->byType.insert(index->list[i].type, i);
    }
    relIndex_.insert(key, index);
    return *index;
}

QList<Relationship> Package::relationships(const QString &source) const
{
    return relIndex(source).list;
}

Relationship Package::relationship(const QString &source, const QString &id) const
{
    const RelIndex &index = relIndex(source);
    const auto it = index.byId.constFind(id);
    return it == index.byId.constEnd() ? Relationship() : index.list[*it];
}

Relationship Package::relationshipByType(const QString &source, const QString &type) const
{
    const RelIndex &index = relIndex(source);
    const auto it = index.byType.constFind(type);
    return it == index.byType.constEnd() ? Relationship() : index.list[*it];
}

QString Package::addRelationship(const QString &source, const QString &type, const QString &target, bool external)
{
    // The index of the part's relationships is kept up to date rather than
    // rebuilt: a part gaining thousands of links one by one stays linear.
    const QString key = relsPartName(source).toLower();
    std::shared_ptr<const RelIndex> kept = relIndex_.take(key);
    pugi::xml_document *doc = relsDoc(source, true);
    // The next free number is found once per part (past every "rIdN" there)
    // and counted on, so parts with thousands of links stay fast.
    const QString relsName = relsPartName(source).toLower();
    auto hint = nextRelationshipId_.find(relsName);
    if (hint == nextRelationshipId_.end()) {
        int next = 1;
        for (pugi::xml_node r = doc->document_element().child("Relationship"); r; r = r.next_sibling("Relationship")) {
            const char *v = r.attribute("Id").value();
            if (std::strncmp(v, "rId", 3) == 0)
                next = std::max(next, std::atoi(v + 3) + 1);
        }
        hint = nextRelationshipId_.insert(relsName, next);
    }
    const QByteArray id = "rId" + QByteArray::number(hint.value()++);
    pugi::xml_node r = doc->document_element().append_child("Relationship");
    r.append_attribute("Id").set_value(id.constData());
    r.append_attribute("Type").set_value(type.toUtf8().constData());
    r.append_attribute("Target").set_value(XmlUtf8(target).constData());
    if (external)
        r.append_attribute("TargetMode").set_value("External");
    if (kept) {
        // Shared with a copy of the package: this one gets its own.
        auto index = kept.use_count() == 1 ? std::const_pointer_cast<RelIndex>(kept) : std::make_shared<RelIndex>(*kept);
        kept.reset();
        const Relationship rel = describedRelationship(source, QString::fromLatin1(id), type, target, external);
        index->list << rel;
        if (!index->byId.contains(rel.id))
            index->byId.insert(rel.id, index->list.size() - 1);
        if (!index->byType.contains(rel.type))
            index->byType.insert(rel.type, index->list.size() - 1);
        relIndex_.insert(key, std::move(index));
    }
    return QString::fromLatin1(id);
}

void Package::removeRelationship(const QString &source, const QString &id)
{
    pugi::xml_document *doc = relsDoc(source, false);
    if (!doc)
        return;
    for (pugi::xml_node r : doc->document_element().children("Relationship"))
        if (QString::fromUtf8(r.attribute("Id").value()) == id) {
            doc->document_element().remove_child(r);
            return;
        }
}

QString Package::mainDocumentPart() const
{
    return relationshipByType(QString(), QString::fromLatin1(reltype::OfficeDocument)).targetPart;
}

void RefuseLinkAtSaveTarget(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink())
        throw PackageError(QStringLiteral("The document \"%1\" cannot be saved: it is a symbolic link (to \"%2\"), "
                                          "and a save never writes through a link. Remove the link or choose "
                                          "another name.")
                               .arg(QDir::toNativeSeparators(fileName), QDir::toNativeSeparators(info.symLinkTarget())));
}

void Package::Save(const QString &fileName, int compressionLevel) const
{
    const QString shown = QDir::toNativeSeparators(fileName);
    auto fail = [&](const QString &problem) {
        return PackageError(QStringLiteral("The document \"%1\" cannot be saved: %2.").arg(shown, problem));
    };
    // QSaveFile would write to the file a link leads to.
    RefuseLinkAtSaveTarget(fileName);
    // Build the zip in a scratch file beside the target, then move it into
    // place, so that a failed save leaves an existing file as it was.
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        throw fail(out.errorString());

    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t *mem = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    if (!mem)
        throw fail(QStringLiteral("out of memory"));
    zip_t *z = zip_open_from_source(mem, ZIP_TRUNCATE, &zerr);
    if (!z) {
        zip_source_free(mem);
        throw fail(QString::fromUtf8(zip_error_strerror(&zerr)));
    }
    zip_source_keep(mem);

    std::vector<QByteArray> keep;
    std::vector<const Part *> order;
    if (const Part *ct = find(QString::fromLatin1(ContentTypesPart)))
        order.push_back(ct);
    for (const auto &p : parts_)
        if (p.get() != order.front() && p->damage.isEmpty())
            order.push_back(p.get());
    keep.reserve(order.size());
    bool ok = true;
    for (const Part *p : order) {
        zip_source_t *src = nullptr;
        if (p->doc) {
            // A parsed part is written as libzip reads it (XmlPartSource).
            declareUsedNamespaces(*p->doc);
            auto *stream = new XmlPartSource(*p->doc);
            src = zip_source_function(z, &XmlPartSource::callback, stream);
            if (!src)
                delete stream;
        } else {
            keep.push_back(bytes(p->name));
            const QByteArray &data = keep.back();
            src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        }
        const QByteArray zname = p->name.toUtf8();
        const zip_int64_t index = src ? zip_file_add(z, zname.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
        if (index < 0) {
            if (src)
                zip_source_free(src);
            ok = false;
            break;
        }
        // zlib's usual level: libzip's own default (the best) takes three
        // times as long on large documents for a tenth less size.
        zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(compressionLevel));
        // The same document gives the same bytes: no clock in the package.
        const auto [dosTime, dosDate] = partTimestamp();
        zip_file_set_dostime(z, zip_uint64_t(index), dosTime, dosDate, 0);
    }
    if (!ok || zip_close(z) != 0) {
        const QString why = QString::fromUtf8(zip_strerror(z));
        zip_discard(z);
        zip_source_free(mem);
        throw fail(why);
    }
    // Copy the finished archive out of the memory source.
    QByteArray archive;
    if (zip_source_open(mem) == 0) {
        zip_source_seek(mem, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(mem);
        zip_source_seek(mem, 0, SEEK_SET);
        archive.resize(qsizetype(size));
        if (zip_source_read(mem, archive.data(), zip_uint64_t(size)) != size)
            archive.clear();
        zip_source_close(mem);
    }
    zip_source_free(mem);
    if (archive.isEmpty())
        throw fail(QStringLiteral("the package could not be written"));
    errno = 0;
    if (out.write(archive) != archive.size() || !out.flush() || !out.commit()) {
        const int error = errno;
        throw fail(WriteFailureReason(out, error, QFileInfo(fileName).absolutePath()));
    }
}

} // namespace word
