#include "platform/word/Transfer.h"

#include "platform/word/DocxWriter.h"
#include "platform/word/Package.h"
#include "platform/word/Story.h"
#include "platform/word/Styles.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <cstring>
#include <vector>

namespace word {

namespace {

const char *const kNumberingType = "application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml";
const char *const kFootnotesType = "application/vnd.openxmlformats-officedocument.wordprocessingml.footnotes+xml";
const char *const kEndnotesType = "application/vnd.openxmlformats-officedocument.wordprocessingml.endnotes+xml";
const QByteArray kWns = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

bool is(pugi::xml_node n, const char *name)
{
    return std::strcmp(n.name(), name) == 0;
}

bool isRelationshipAttribute(const char *name)
{
    return std::strncmp(name, "r:", 2) == 0
           && (std::strcmp(name, "r:id") == 0 || std::strcmp(name, "r:embed") == 0 || std::strcmp(name, "r:link") == 0
               || std::strcmp(name, "r:pict") == 0 || std::strcmp(name, "r:href") == 0
               || std::strcmp(name, "r:dm") == 0 || std::strcmp(name, "r:lo") == 0 || std::strcmp(name, "r:qs") == 0
               || std::strcmp(name, "r:cs") == 0);
}

QString relatedPart(const Package &pkg, const char *type)
{
    return pkg.relationshipByType(pkg.mainDocumentPart(), QString::fromLatin1(type)).targetPart;
}

QString relativeTarget(const QString &fromPart, const QString &toPart)
{
    const QString dir = fromPart.left(fromPart.lastIndexOf(QLatin1Char('/')) + 1);
    if (!dir.isEmpty() && toPart.startsWith(dir))
        return toPart.mid(dir.size());
    return QLatin1Char('/') + toPart;
}

int intAttr(pugi::xml_node n, const char *name)
{
    return n.attribute(name).as_int();
}

// The body-level element holding a node.
pugi::xml_node topLevel(pugi::xml_node n, pugi::xml_node body)
{
    while (n && n.parent() != body)
        n = n.parent();
    return n;
}

// A part of the target for notes or numbering, created when missing.
pugi::xml_node ensurePart(Package &pkg, const char *relType, const QString &name, const QByteArray &xml,
                          const char *contentType)
{
    const QString main = pkg.mainDocumentPart();
    QString part = pkg.relationshipByType(main, QString::fromLatin1(relType)).targetPart;
    if (part.isEmpty() || !pkg.xml(part)) {
        part = name;
        pkg.setXml(part, xml, QString::fromLatin1(contentType));
        pkg.addRelationship(main, QString::fromLatin1(relType), relativeTarget(main, part));
    }
    return pkg.xml(part)->document_element();
}

// Copies nodes of a source package into a target and mends what they refer
// to: relationships, styles, lists, notes, bookmarks and drawing ids.
class Importer {
public:
    Importer(Package &dst, Styles &dstStyles, TransferIndex &index, const Package &src, Styles &srcStyles)
        : dst_(dst), dstStyles_(dstStyles), ix_(index), src_(src), srcStyles_(srcStyles)
    {
        if (!ix_.built)
            ix_.build(dst_);
    }

    ~Importer()
    {
        if (stylesAdded_)
            dstStyles_.reload();
    }

    // Copies top-level nodes before `before` under `parent` (target's main story).
    std::vector<pugi::xml_node> insert(const std::vector<pugi::xml_node> &nodes, pugi::xml_node parent,
                                       pugi::xml_node before)
    {
        std::vector<pugi::xml_node> added;
        added.reserve(nodes.size());
        for (pugi::xml_node n : nodes)
            added.push_back(before ? parent.insert_copy_before(n, before) : parent.append_copy(n));
        const QString srcMain = src_.mainDocumentPart(), dstMain = dst_.mainDocumentPart();
        for (pugi::xml_node n : added)
            fix(n, srcMain, dstMain, true);
        mendBookmarks();
        return added;
    }

private:
    // Gives the copied bookmarks new ids, once every start and end is known
    // (fix walks the nodes in no document order): each end takes its start's
    // id. A bookmark goes, start and end, when the target has one of its
    // name or when the copied content holds only one of its two ends.
    void mendBookmarks()
    {
        QSet<QString> ended;
        for (pugi::xml_node e : bookmarkEnds_)
            ended.insert(QString::fromUtf8(e.attribute("w:id").value()));
        QHash<QString, int> ids;
        for (pugi::xml_node n : bookmarkStarts_) {
            const QString old = QString::fromUtf8(n.attribute("w:id").value());
            const QString key = QString::fromUtf8(n.attribute("w:name").value()).toLower();
            if (key.isEmpty() || ix_.bookmarkNames.contains(key) || !ended.contains(old) || ids.contains(old)) {
                n.parent().remove_child(n);
                continue;
            }
            ix_.bookmarkNames.insert(key);
            const int id = ix_.nextBookmarkId++;
            ids.insert(old, id);
            n.attribute("w:id").set_value(id);
        }
        for (pugi::xml_node e : bookmarkEnds_) {
            // take(): a second end of the same id has no start left.
            const QString old = QString::fromUtf8(e.attribute("w:id").value());
            if (ids.contains(old))
                e.attribute("w:id").set_value(ids.take(old));
            else
                e.parent().remove_child(e);
        }
        bookmarkStarts_.clear();
        bookmarkEnds_.clear();
    }

    void fix(pugi::xml_node top, const QString &srcPart, const QString &dstPart, bool mainStory)
    {
        std::vector<pugi::xml_node> stack{top};
        std::vector<pugi::xml_node> remove;
        while (!stack.empty()) {
            pugi::xml_node n = stack.back();
            stack.pop_back();
            const char *name = n.name();
            for (pugi::xml_attribute a : n.attributes())
                if (isRelationshipAttribute(a.name()))
                    a.set_value(relationship(srcPart, dstPart, QString::fromUtf8(a.value())).toUtf8().constData());
            if (std::strncmp(name, "w:", 2) == 0) {
                if (is(n, "w:pStyle") || is(n, "w:rStyle") || is(n, "w:tblStyle")) {
                    const QString id = style(QString::fromUtf8(n.attribute("w:val").value()));
                    if (id.isEmpty())
                        remove.push_back(n);
                    else
                        n.attribute("w:val").set_value(id.toUtf8().constData());
                } else if (is(n, "w:numId") && is(n.parent(), "w:numPr")) {
                    n.attribute("w:val").set_value(list(intAttr(n, "w:val")));
                } else if (is(n, "w:footnoteReference") || is(n, "w:endnoteReference")) {
                    const bool foot = is(n, "w:footnoteReference");
                    const int id = note(foot, intAttr(n, "w:id"));
                    if (id < 0)
                        remove.push_back(n);
                    else
                        n.attribute("w:id").set_value(id);
                } else if (is(n, "w:bookmarkStart")) {
                    if (mainStory)
                        bookmarkStarts_.push_back(n);
                } else if (is(n, "w:bookmarkEnd")) {
                    if (mainStory)
                        bookmarkEnds_.push_back(n);
                } else if (is(n, "w:commentRangeStart") || is(n, "w:commentRangeEnd")
                           || is(n, "w:commentReference")) {
                    remove.push_back(n); // comments stay with their document
                } else if (is(n, "w:p") || is(n, "w:tr")) {
                    n.remove_attribute("w14:paraId");
                    n.remove_attribute("w14:textId");
                }
            } else if (std::strcmp(name, "wp:docPr") == 0) {
                n.attribute("id").set_value(ix_.nextDrawingId++);
            }
            for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
                if (c.type() == pugi::node_element)
                    stack.push_back(c);
        }
        for (pugi::xml_node n : remove)
            if (n.parent())
                n.parent().remove_child(n);
    }

    QString relationship(const QString &srcPart, const QString &dstPart, const QString &oldId)
    {
        const QString key = srcPart + QLatin1Char('\n') + dstPart + QLatin1Char('\n') + oldId;
        auto it = relIds_.find(key);
        if (it != relIds_.end())
            return it.value();
        auto rels = srcRelationships_.find(srcPart);
        if (rels == srcRelationships_.end()) {
            QHash<QString, Relationship> byId;
            for (const Relationship &r : src_.relationships(srcPart))
                byId.insert(r.id, r);
            rels = srcRelationships_.insert(srcPart, byId);
        }
        const Relationship rel = rels->value(oldId);
        QString newId = oldId;
        if (!rel.id.isEmpty()) {
            if (rel.external) {
                const bool main = dstPart == dst_.mainDocumentPart();
                const QString key = rel.type + QLatin1Char('\n') + rel.target;
                newId = main ? ix_.externalRelationships.value(key) : QString();
                if (newId.isEmpty()) {
                    newId = dst_.addRelationship(dstPart, rel.type, rel.target, true);
                    if (main)
                        ix_.externalRelationships.insert(key, newId);
                }
            } else if (src_.hasPart(rel.targetPart)) {
                QString copied = parts_.value(rel.targetPart);
                if (copied.isEmpty()) {
                    const QByteArray bytes = src_.bytes(rel.targetPart);
                    const QString contentType = src_.contentType(rel.targetPart);
                    // A picture the target holds already is shared, not
                    // stored again.
                    const QByteArray key = TransferIndex::mediaKey(rel.targetPart, bytes, contentType);
                    copied = key.isEmpty() ? QString() : ix_.media.value(key);
                    if (copied.isEmpty()) {
                        const QFileInfo fi(rel.targetPart);
                        const QString dir = rel.targetPart.left(rel.targetPart.size() - fi.fileName().size());
                        do {
                            copied = dir + QStringLiteral("t%1_").arg(ix_.nextPart++) + fi.fileName();
                        } while (dst_.hasPart(copied));
                        dst_.setBytes(copied, bytes, contentType);
                        if (!key.isEmpty())
                            ix_.media.insert(key, copied);
                    }
                    parts_.insert(rel.targetPart, copied);
                }
                newId = dst_.addRelationship(dstPart, rel.type, relativeTarget(dstPart, copied));
            }
        }
        relIds_.insert(key, newId);
        return newId;
    }

    // The target's id of a source style: the target's style of the same
    // name, else a copy of the source's. Empty when the source has none.
    QString style(const QString &srcId)
    {
        if (srcId.isEmpty())
            return srcId;
        auto it = styleIds_.find(srcId);
        if (it != styleIds_.end())
            return it.value();
        const Style *s = srcStyles_.byId(srcId);
        if (!s) {
            const QString kept = dstStyles_.byId(srcId) ? srcId : QString();
            styleIds_.insert(srcId, kept);
            return kept;
        }
        if (const Style *t = dstStyles_.byName(s->name)) {
            styleIds_.insert(srcId, t->id);
            return t->id;
        }
        if (addedNames_.contains(s->name.toLower())) {
            styleIds_.insert(srcId, addedNames_.value(s->name.toLower()));
            return styleIds_.value(srcId);
        }
        QString id = srcId;
        for (int k = 1; dstStyles_.byId(id) || addedIds_.contains(id); ++k)
            id = srcId + QString::number(k);
        styleIds_.insert(srcId, id);
        addedIds_.insert(id);
        addedNames_.insert(s->name.toLower(), id);
        pugi::xml_document *doc = dstStyles_.document();
        if (!doc)
            return QString();
        pugi::xml_node copy = doc->document_element().append_copy(s->node);
        copy.attribute("w:styleId").set_value(id.toUtf8().constData());
        copy.remove_attribute("w:default");
        for (const char *ref : {"w:basedOn", "w:next", "w:link"}) {
            pugi::xml_node r = copy.child(ref);
            if (!r)
                continue;
            const QString mapped = style(QString::fromUtf8(r.attribute("w:val").value()));
            if (mapped.isEmpty())
                copy.remove_child(r);
            else
                r.attribute("w:val").set_value(mapped.toUtf8().constData());
        }
        if (pugi::xml_node numId = copy.child("w:pPr").child("w:numPr").child("w:numId"))
            numId.attribute("w:val").set_value(list(intAttr(numId, "w:val")));
        stylesAdded_ = true;
        return id;
    }

    // The target's list instance for a source one: a copy of its definition.
    int list(int srcNumId)
    {
        if (srcNumId <= 0)
            return srcNumId;
        auto it = lists_.find(srcNumId);
        if (it != lists_.end())
            return it.value();
        const QString srcPart = relatedPart(src_, reltype::Numbering);
        const pugi::xml_document *srcDoc = srcPart.isEmpty() ? nullptr : src_.xml(srcPart);
        pugi::xml_node srcNum, srcAbs;
        if (srcDoc) {
            for (pugi::xml_node n : srcDoc->document_element().children("w:num"))
                if (intAttr(n, "w:numId") == srcNumId) {
                    srcNum = n;
                    break;
                }
            const int absId = intAttr(srcNum.child("w:abstractNumId"), "w:val");
            if (srcNum)
                for (pugi::xml_node a : srcDoc->document_element().children("w:abstractNum"))
                    if (intAttr(a, "w:abstractNumId") == absId) {
                        srcAbs = a;
                        break;
                    }
        }
        if (!srcNum || !srcAbs) {
            lists_.insert(srcNumId, 0);
            return 0;
        }
        pugi::xml_node root = ensurePart(dst_, reltype::Numbering, QStringLiteral("word/numbering.xml"),
                                         "<w:numbering " + kWns + "/>", kNumberingType);
        const int absId = ix_.nextAbstractId++;
        const int numId = ix_.nextNumId++;
        lists_.insert(srcNumId, numId);
        // Definitions come before instances (after any picture bullets).
        pugi::xml_node at = root.first_child();
        while (at && is(at, "w:numPicBullet"))
            at = at.next_sibling();
        pugi::xml_node abs = at ? root.insert_copy_before(srcAbs, at) : root.append_copy(srcAbs);
        abs.attribute("w:abstractNumId").set_value(absId);
        abs.remove_child("w:nsid");
        abs.remove_child("w:tmpl");
        for (pugi::xml_node lvl : abs.children("w:lvl"))
            if (pugi::xml_node ps = lvl.child("w:pStyle")) {
                const QString mapped = style(QString::fromUtf8(ps.attribute("w:val").value()));
                if (mapped.isEmpty())
                    lvl.remove_child(ps);
                else
                    ps.attribute("w:val").set_value(mapped.toUtf8().constData());
            }
        pugi::xml_node num = root.append_copy(srcNum);
        num.attribute("w:numId").set_value(numId);
        num.child("w:abstractNumId").attribute("w:val").set_value(absId);
        return numId;
    }

    // The target's id of a copied footnote or endnote; -1 when the source
    // does not have it.
    int note(bool foot, int srcId)
    {
        const char *relType = foot ? reltype::Footnotes : reltype::Endnotes;
        const char *element = foot ? "w:footnote" : "w:endnote";
        const QString srcPart = relatedPart(src_, relType);
        const pugi::xml_document *srcDoc = srcPart.isEmpty() ? nullptr : src_.xml(srcPart);
        pugi::xml_node srcNote;
        if (srcDoc)
            for (pugi::xml_node n : srcDoc->document_element().children(element))
                if (intAttr(n, "w:id") == srcId) {
                    srcNote = n;
                    break;
                }
        if (!srcNote)
            return -1;
        const QByteArray rootName = foot ? "footnotes" : "endnotes";
        const QByteArray xml = "<w:" + rootName + " " + kWns + "><w:" + QByteArray(element + 2)
                               + " w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:"
                               + QByteArray(element + 2) + "><w:" + QByteArray(element + 2)
                               + " w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:continuationSeparator/>"
                                 "</w:r></w:p></w:"
                               + QByteArray(element + 2) + "></w:" + rootName + ">";
        pugi::xml_node root = ensurePart(dst_, relType, QStringLiteral("word/") + QString::fromLatin1(rootName) + ".xml",
                                         xml, foot ? kFootnotesType : kEndnotesType);
        int &next = foot ? ix_.nextFootnoteId : ix_.nextEndnoteId;
        const int id = next++;
        pugi::xml_node copy = root.append_copy(srcNote);
        copy.attribute("w:id").set_value(id);
        const QString dstPart = relatedPart(dst_, relType);
        fix(copy, srcPart, dstPart, false);
        return id;
    }

    Package &dst_;
    Styles &dstStyles_;
    TransferIndex &ix_;
    const Package &src_;
    Styles &srcStyles_;
    QHash<QString, QString> relIds_;
    QHash<QString, QHash<QString, Relationship>> srcRelationships_;
    QHash<QString, QString> parts_;
    QHash<QString, QString> styleIds_;
    QSet<QString> addedIds_;
    QHash<QString, QString> addedNames_;
    QHash<int, int> lists_;
    // The main story's bookmark starts and ends met by fix, for mendBookmarks.
    std::vector<pugi::xml_node> bookmarkStarts_, bookmarkEnds_;
    bool stylesAdded_ = false;
};

// The body of a package and its final section properties.
pugi::xml_node bodyOf(Package &pkg)
{
    return pkg.xml(pkg.mainDocumentPart())->document_element().child("w:body");
}

// Moves every child of `from` but its properties into `to`, at its start
// or end, and removes `from`.
void mergeParagraph(pugi::xml_node from, pugi::xml_node to, bool atStart)
{
    pugi::xml_node anchor = atStart ? to.child("w:pPr").next_sibling() : pugi::xml_node();
    if (atStart && !to.child("w:pPr"))
        anchor = to.first_child();
    for (pugi::xml_node c = from.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (!is(c, "w:pPr")) {
            if (anchor)
                to.insert_move_before(c, anchor);
            else
                to.append_move(c);
        }
        c = next;
    }
    from.parent().remove_child(from);
}

} // namespace

QByteArray TransferIndex::mediaKey(const QString &part, const QByteArray &bytes, const QString &contentType)
{
    if (!part.startsWith(QLatin1String("word/media/"), Qt::CaseInsensitive))
        return QByteArray();
    return contentType.toUtf8() + '\n' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

void TransferIndex::build(Package &pkg)
{
    built = true;
    const QString main = pkg.mainDocumentPart();
    if (pugi::xml_document *d = pkg.xml(main)) {
        int maxBookmark = -1, maxDrawing = 0;
        std::vector<pugi::xml_node> stack{d->document_element()};
        while (!stack.empty()) {
            pugi::xml_node n = stack.back();
            stack.pop_back();
            if (is(n, "w:bookmarkStart")) {
                bookmarkNames.insert(QString::fromUtf8(n.attribute("w:name").value()).toLower());
                maxBookmark = std::max(maxBookmark, intAttr(n, "w:id"));
            } else if (is(n, "wp:docPr")) {
                maxDrawing = std::max(maxDrawing, intAttr(n, "id"));
            }
            for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
                if (c.type() == pugi::node_element)
                    stack.push_back(c);
        }
        nextBookmarkId = maxBookmark + 1;
        nextDrawingId = maxDrawing + 1;
    }
    for (const Relationship &r : pkg.relationships(main))
        if (r.external)
            externalRelationships.insert(r.type + QLatin1Char('\n') + r.target, r.id);
    for (const QString &part : pkg.partNames())
        if (part.startsWith(QLatin1String("word/media/"), Qt::CaseInsensitive)) {
            const QByteArray key = mediaKey(part, pkg.bytes(part), pkg.contentType(part));
            if (!media.contains(key))
                media.insert(key, part);
        }
    const QString numbering = relatedPart(pkg, reltype::Numbering);
    if (pugi::xml_document *d = numbering.isEmpty() ? nullptr : pkg.xml(numbering)) {
        for (pugi::xml_node n : d->document_element().children("w:num"))
            nextNumId = std::max(nextNumId, intAttr(n, "w:numId") + 1);
        for (pugi::xml_node n : d->document_element().children("w:abstractNum"))
            nextAbstractId = std::max(nextAbstractId, intAttr(n, "w:abstractNumId") + 1);
    }
    for (auto [type, element, next] : {std::tuple{reltype::Footnotes, "w:footnote", &nextFootnoteId},
                                       std::tuple{reltype::Endnotes, "w:endnote", &nextEndnoteId}}) {
        const QString part = relatedPart(pkg, type);
        if (pugi::xml_document *d = part.isEmpty() ? nullptr : pkg.xml(part))
            for (pugi::xml_node n : d->document_element().children(element))
                *next = std::max(*next, intAttr(n, "w:id") + 1);
    }
}

Clip CopyContent(Package &source, Styles &sourceStyles, pugi::xml_node startP, int startOffset, pugi::xml_node endP,
                 int endOffset)
{
    // A new document with no styles of its own: the clip takes the source's
    // definitions of the styles it uses. Made once, copied for each clip.
    static const std::unique_ptr<const Package> blank = [] {
        std::unique_ptr<Package> made = NewDocumentPackage();
        const QString part =
            made->relationshipByType(made->mainDocumentPart(), QString::fromLatin1(reltype::Styles)).targetPart;
        made->setXml(part, "<w:styles " + kWns + "/>",
                     QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"));
        return made;
    }();
    Clip clip;
    clip.package = blank->clone();
    Package &pkg = *clip.package;
    const QString stylesPart = pkg.relationshipByType(pkg.mainDocumentPart(), QString::fromLatin1(reltype::Styles)).targetPart;
    Styles clipStyles(pkg.xml(stylesPart));
    pugi::xml_node srcBody = bodyOf(source);
    pugi::xml_node first = topLevel(startP, srcBody), last = topLevel(endP, srcBody);
    if (!first || !last)
        return clip;
    const int endLength = story::length(endP);
    // An end at the start of a paragraph takes nothing of it.
    if (endOffset == 0 && endP != startP && last == endP) {
        pugi::xml_node prev = last.previous_sibling();
        while (prev && (prev.type() != pugi::node_element || is(prev, "w:sectPr")))
            prev = prev.previous_sibling();
        if (prev && prev != first.previous_sibling())
            last = prev;
        endP = pugi::xml_node();
    }
    std::vector<pugi::xml_node> nodes;
    for (pugi::xml_node n = first; n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element && !is(n, "w:sectPr"))
            nodes.push_back(n);
        if (n == last)
            break;
    }
    if (nodes.empty())
        return clip;
    pugi::xml_node body = bodyOf(pkg);
    body.remove_child(body.child("w:p"));
    TransferIndex index;
    std::vector<pugi::xml_node> added;
    {
        Importer importer(pkg, clipStyles, index, source, sourceStyles);
        added = importer.insert(nodes, body, body.child("w:sectPr"));
    }
    // Cut the first and last paragraphs to the range's offsets.
    pugi::xml_node lastCopy = added.back();
    if (endP && last == endP && is(lastCopy, "w:p") && endOffset <= endLength) {
        pugi::xml_node tail = story::splitParagraph(lastCopy, endOffset);
        tail.parent().remove_child(tail);
        clip.openEnd = true;
    }
    pugi::xml_node firstCopy = added.front();
    if (first == startP && is(firstCopy, "w:p") && startOffset > 0) {
        const int cut = std::min(startOffset, story::length(firstCopy));
        pugi::xml_node rest = story::splitParagraph(firstCopy, cut);
        firstCopy.parent().remove_child(firstCopy);
        Q_UNUSED(rest)
        clip.openStart = true;
    }
    return clip;
}

PasteResult PasteContent(Package &target, Styles &targetStyles, TransferIndex &index, pugi::xml_node p, int offset,
                         const Clip &clip)
{
    PasteResult result{p, offset, p, offset};
    if (!clip.package)
        return result;
    Package &src = *clip.package;
    pugi::xml_node srcBody = bodyOf(src);
    std::vector<pugi::xml_node> nodes;
    for (pugi::xml_node n = srcBody.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element && !is(n, "w:sectPr"))
            nodes.push_back(n);
    if (nodes.empty())
        return result;
    const QString srcStylesPart = src.relationshipByType(src.mainDocumentPart(), QString::fromLatin1(reltype::Styles)).targetPart;
    Styles srcStyles(src.xml(srcStylesPart));

    offset = std::clamp(offset, 0, story::length(p));
    // Split the paragraph at the point; the pasted content goes between.
    pugi::xml_node before = p, after = p;
    if (offset > 0) {
        after = story::splitParagraph(p, offset);
    } else {
        before = pugi::xml_node();
    }
    std::vector<pugi::xml_node> added;
    {
        Importer importer(target, targetStyles, index, src, srcStyles);
        added = importer.insert(nodes, after.parent(), after);
    }
    pugi::xml_node firstAdded = added.front(), lastAdded = added.back();
    result.firstP = is(firstAdded, "w:p") ? firstAdded : story::paragraphs(firstAdded).front();
    result.firstOffset = 0;
    result.endP = after;
    result.endOffset = 0;
    // Content that ends without its paragraph mark continues in the paragraph after it.
    if (clip.openEnd && is(lastAdded, "w:p")) {
        const int len = story::length(lastAdded);
        const bool single = firstAdded == lastAdded;
        mergeParagraph(lastAdded, after, true);
        result.endOffset = len;
        if (single) {
            result.firstP = after;
            result.firstOffset = 0;
            firstAdded = pugi::xml_node();
        }
    }
    // Text before the point runs on into the first pasted paragraph.
    if (before) {
        const int len = story::length(before);
        if (firstAdded && is(firstAdded, "w:p")) {
            mergeParagraph(firstAdded, before, false);
            result.firstP = before;
            result.firstOffset = len;
            if (result.endP == firstAdded)
                result.endP = before;
        } else if (!firstAdded) {
            // The pasted text went into `after`: join the split halves again.
            const int endOffset = result.endOffset;
            story::joinWithNext(before, after);
            result.firstP = before;
            result.firstOffset = len;
            result.endP = before;
            result.endOffset = len + endOffset;
        } else {
            result.firstP = before;
            result.firstOffset = len;
        }
    }
    return result;
}

} // namespace word
