#include "platform/word/Story.h"
#include "platform/word/XmlText.h"

#include <QRegularExpression>
#include <functional>
#include <cstring>

namespace word::story {

namespace {

bool is(pugi::xml_node n, const char *name)
{
    return std::strcmp(n.name(), name) == 0;
}

bool isPropertyElement(pugi::xml_node n)
{
    const char *name = n.name();
    const size_t len = std::strlen(name);
    return len > 2 && std::strcmp(name + len - 2, "Pr") == 0 && std::strncmp(name, "w:", 2) == 0;
}

// Run-level containers that hold runs of the paragraph's own text.
bool isRunContainer(pugi::xml_node n)
{
    static const char *const names[] = {"w:hyperlink", "w:smartTag", "w:sdt",  "w:sdtContent", "w:customXml",
                                        "w:ins",       "w:del",      "w:moveFrom", "w:moveTo", "w:fldSimple",
                                        "w:bdo",       "w:dir"};
    for (const char *name : names)
        if (is(n, name))
            return true;
    return false;
}

const char *const kCharElements[] = {
    "w:tab", "w:br", "w:cr", "w:sym", "w:noBreakHyphen", "w:softHyphen", "w:footnoteReference",
    "w:endnoteReference", "w:separator", "w:continuationSeparator", "w:pgNum", "w:ptab",
    "w:commentReference", "w:annotationRef", "w:footnoteRef", "w:endnoteRef", "w:dayShort",
    "w:monthShort", "w:yearShort", "w:dayLong", "w:monthLong", "w:yearLong"};

void collectAtoms(pugi::xml_node container, std::vector<Atom> &out, int &pos);

// The atom of one child element of a run, if it is one.
void childAtom(pugi::xml_node run, pugi::xml_node c, std::vector<Atom> &out, int &pos)
{
    if (c.type() != pugi::node_element)
        return;
    if (is(c, "w:t") || is(c, "w:delText")) {
        const int n = int(QString::fromUtf8(c.text().get()).size());
        if (n > 0) {
            out.push_back({AtomKind::Text, run, c, pos, n});
            pos += n;
        }
    } else if (is(c, "w:instrText") || is(c, "w:delInstrText")) {
        const int n = int(QString::fromUtf8(c.text().get()).size());
        if (n > 0) {
            out.push_back({AtomKind::Code, run, c, pos, n});
            pos += n;
        }
    } else if (is(c, "w:fldChar")) {
        const char *t = c.attribute("w:fldCharType").value();
        const AtomKind k = std::strcmp(t, "begin") == 0       ? AtomKind::FieldBegin
                           : std::strcmp(t, "separate") == 0 ? AtomKind::FieldSeparate
                                                             : AtomKind::FieldEnd;
        out.push_back({k, run, c, pos, 1});
        ++pos;
    } else if (is(c, "w:ruby")) {
        // The base text is the text; the reading above it is not.
        collectAtoms(c.child("w:rubyBase"), out, pos);
    } else if (is(c, "w:drawing") || is(c, "w:pict") || is(c, "w:object")) {
        out.push_back({AtomKind::Object, run, c, pos, 1});
        ++pos;
    } else {
        for (const char *name : kCharElements)
            if (is(c, name)) {
                out.push_back({AtomKind::Char, run, c, pos, 1});
                ++pos;
                break;
            }
    }
}

void runAtoms(pugi::xml_node run, std::vector<Atom> &out, int &pos)
{
    for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling())
        childAtom(run, c, out, pos);
}

void collectAtoms(pugi::xml_node container, std::vector<Atom> &out, int &pos)
{
    for (pugi::xml_node c = container.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || isPropertyElement(c))
            continue;
        if (is(c, "w:r"))
            runAtoms(c, out, pos);
        else if (isRunContainer(c))
            collectAtoms(c, out, pos);
    }
}

void collectParagraphs(pugi::xml_node node, std::vector<pugi::xml_node> &out)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        if (is(c, "w:p")) {
            out.push_back(c);
            continue;
        }
        if (isPropertyElement(c) || is(c, "w:sectPr") || is(c, "w:tblGrid") || is(c, "w:r"))
            continue;
        collectParagraphs(c, out);
    }
}

bool isAncestor(pugi::xml_node ancestor, pugi::xml_node node)
{
    for (pugi::xml_node n = node.parent(); n; n = n.parent())
        if (n == ancestor)
            return true;
    return false;
}

// A new run with the formatting of `like` (revision marks and hiding left out).
pugi::xml_node newRunBefore(pugi::xml_node parent, pugi::xml_node before, pugi::xml_node likeRPr)
{
    pugi::xml_node r = before ? parent.insert_child_before("w:r", before) : parent.append_child("w:r");
    if (likeRPr) {
        pugi::xml_node rPr = r.append_copy(likeRPr);
        static const char *const drop[] = {"w:ins", "w:del", "w:moveFrom", "w:moveTo", "w:rPrChange",
                                           "w:vanish", "w:specVanish", "w:webHidden"};
        for (const char *name : drop)
            while (pugi::xml_node d = rPr.child(name))
                rPr.remove_child(d);
        if (!rPr.first_child())
            r.remove_child(rPr);
    }
    return r;
}

// Puts text into a run as w:t, w:tab and w:br elements.
void fillRun(pugi::xml_node run, const QString &text)
{
    QString pending;
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        pugi::xml_node t = run.append_child("w:t");
        t.append_attribute("xml:space").set_value("preserve");
        t.text().set(pending.toUtf8().constData());
        pending.clear();
    };
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\t')) {
            flush();
            run.append_child("w:tab");
        } else if (ch == QLatin1Char('\v')) {
            flush();
            run.append_child("w:br");
        } else if (ch == QLatin1Char('\f')) {
            flush();
            run.append_child("w:br").append_attribute("w:type").set_value("page");
        } else {
            pending += ch;
        }
    }
    flush();
}

// Moves `from` and the siblings after it to the end of `dest`.
void moveTail(pugi::xml_node from, pugi::xml_node dest)
{
    for (pugi::xml_node n = from; n;) {
        pugi::xml_node next = n.next_sibling();
        dest.append_move(n);
        n = next;
    }
}

// A copy of an element's name and attributes (and of its property child).
pugi::xml_node shallowClone(pugi::xml_node src, pugi::xml_node destParent)
{
    pugi::xml_node c = destParent.append_child(src.name());
    for (pugi::xml_attribute a : src.attributes())
        c.append_attribute(a.name()).set_value(a.value());
    for (pugi::xml_node k : src.children())
        if (k.type() == pugi::node_element && isPropertyElement(k))
            c.append_copy(k);
    return c;
}

// Splits a run after one of its children: the following children move to a
// new run with the same properties, inserted after it. Gives the new run.
pugi::xml_node splitRunAfter(pugi::xml_node run, pugi::xml_node child)
{
    pugi::xml_node rest = run.parent().insert_child_after("w:r", run);
    for (pugi::xml_attribute a : run.attributes())
        rest.append_attribute(a.name()).set_value(a.value());
    if (pugi::xml_node rPr = run.child("w:rPr"))
        rest.append_copy(rPr);
    moveTail(child.next_sibling(), rest);
    return rest;
}

// Sets <props><ref w:val=styleId/>..., both made first children when missing
// (the schema puts them first).
void setStyleReference(pugi::xml_node owner, const char *props, const char *ref, const QString &styleId)
{
    pugi::xml_node pr = owner.child(props);
    if (!pr)
        pr = owner.prepend_child(props);
    pugi::xml_node r = pr.child(ref);
    if (!r)
        r = pr.prepend_child(ref);
    if (!r.attribute("w:val"))
        r.append_attribute("w:val");
    r.attribute("w:val").set_value(styleId.toUtf8().constData());
}

pugi::xml_node firstContent(pugi::xml_node p)
{
    pugi::xml_node c = p.first_child();
    while (c && (c.type() != pugi::node_element || is(c, "w:pPr")))
        c = c.next_sibling();
    return c;
}

} // namespace

std::vector<pugi::xml_node> paragraphs(pugi::xml_node root)
{
    std::vector<pugi::xml_node> out;
    collectParagraphs(root, out);
    return out;
}

std::vector<Atom> atoms(pugi::xml_node p)
{
    std::vector<Atom> out;
    int pos = 0;
    collectAtoms(p, out, pos);
    return out;
}

int length(pugi::xml_node p)
{
    const std::vector<Atom> a = atoms(p);
    return a.empty() ? 0 : a.back().start + a.back().length;
}

QString text(pugi::xml_node p, int from, int to)
{
    QString out;
    std::vector<bool> inCode; // one entry per open field: inside its code part
    for (const Atom &a : atoms(p)) {
        const bool hidden = std::find(inCode.begin(), inCode.end(), true) != inCode.end();
        switch (a.kind) {
        case AtomKind::FieldBegin:
            inCode.push_back(true);
            continue;
        case AtomKind::FieldSeparate:
            if (!inCode.empty())
                inCode.back() = false;
            continue;
        case AtomKind::FieldEnd:
            if (!inCode.empty())
                inCode.pop_back();
            continue;
        case AtomKind::Code:
            continue;
        default:
            break;
        }
        if (hidden || a.start + a.length <= from || a.start >= to)
            continue;
        if (a.kind == AtomKind::Text) {
            const QString t = QString::fromUtf8(a.node.text().get());
            const int b = std::max(from - a.start, 0);
            const int e = std::min(to - a.start, a.length);
            out += t.mid(b, e - b);
        } else {
            out += atomText(a);
        }
    }
    return out;
}

QString atomText(const Atom &a)
{
    switch (a.kind) {
    case AtomKind::Text:
        return QString::fromUtf8(a.node.text().get());
    case AtomKind::Object:
        return QString(QChar(1));
    case AtomKind::Char:
        break;
    default:
        return QString();
    }
    if (is(a.node, "w:tab") || is(a.node, "w:ptab"))
        return QStringLiteral("\t");
    if (is(a.node, "w:br")) {
        const char *type = a.node.attribute("w:type").value();
        return QString(std::strcmp(type, "page") == 0 ? QChar(12) : std::strcmp(type, "column") == 0 ? QChar(14) : QChar(11));
    }
    if (is(a.node, "w:cr"))
        return QString(QChar(11));
    if (is(a.node, "w:sym")) {
        bool ok = false;
        const uint code = QString::fromUtf8(a.node.attribute("w:char").value()).toUInt(&ok, 16);
        return ok && code > 0 && code < 0x10000 ? QString(QChar(char16_t(code))) : QString();
    }
    if (is(a.node, "w:noBreakHyphen"))
        return QString(QChar(30));
    if (is(a.node, "w:softHyphen"))
        return QString(QChar(31));
    if (is(a.node, "w:footnoteReference") || is(a.node, "w:endnoteReference"))
        return QString(QChar(2));
    return QString();
}

void forEachAtomAfter(pugi::xml_node from, const std::function<bool(const Atom &)> &visit)
{
    const pugi::xml_node p = paragraphOf(from);
    const pugi::xml_node run = runOf(from);
    if (!p || !run)
        return;
    std::vector<Atom> buf;
    int pos = -1;
    auto flush = [&]() {
        for (const Atom &a : buf)
            if (!visit(a))
                return false;
        buf.clear();
        return true;
    };
    for (pugi::xml_node c = from.next_sibling(); c; c = c.next_sibling()) {
        childAtom(run, c, buf, pos);
        if (!flush())
            return;
    }
    // The rest of the paragraph, in document order.
    pugi::xml_node x = run;
    for (;;) {
        while (x != p && !x.next_sibling())
            x = x.parent();
        if (!x || x == p)
            break;
        x = x.next_sibling();
        while (x.type() == pugi::node_element && !is(x, "w:r") && !isPropertyElement(x) && isRunContainer(x)
               && x.first_child())
            x = x.first_child();
        if (x.type() == pugi::node_element && is(x, "w:r")) {
            runAtoms(x, buf, pos);
            if (!flush())
                return;
        }
    }
    for (pugi::xml_node q = nextParagraph(p); q; q = nextParagraph(q))
        for (const Atom &a : atoms(q))
            if (!visit(a))
                return;
}

int offsetOf(pugi::xml_node p, pugi::xml_node element)
{
    for (const Atom &a : atoms(p))
        if (a.node == element || a.run == element || isAncestor(element, a.node))
            return a.start;
    return -1;
}

pugi::xml_node paragraphOf(pugi::xml_node node)
{
    for (pugi::xml_node n = node; n; n = n.parent())
        if (is(n, "w:p"))
            return n;
    return pugi::xml_node();
}

pugi::xml_node runOf(pugi::xml_node node)
{
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (is(n, "w:r"))
            return n;
        if (is(n, "w:p"))
            break;
    }
    return pugi::xml_node();
}

InsertPoint splitAt(pugi::xml_node p, int offset)
{
    const std::vector<Atom> list = atoms(p);
    if (offset <= 0 || list.empty())
        return {p, firstContent(p)};
    const Atom *hit = nullptr;
    for (const Atom &a : list)
        if (a.start < offset && offset <= a.start + a.length) {
            hit = &a;
            break;
        }
    if (!hit)
        hit = &list.back(); // past the end: after the last character
    pugi::xml_node node = hit->node;
    const int inside = offset - hit->start;
    if (inside < hit->length && (hit->kind == AtomKind::Text || hit->kind == AtomKind::Code)) {
        // Split the text element itself.
        const QString t = QString::fromUtf8(node.text().get());
        pugi::xml_node hitRun = hit->run;
        pugi::xml_node tail = hitRun.insert_child_after(node.name(), node);
        tail.append_attribute("xml:space").set_value("preserve");
        tail.text().set(t.mid(inside).toUtf8().constData());
        node.text().set(t.left(inside).toUtf8().constData());
        if (!node.attribute("xml:space"))
            node.append_attribute("xml:space").set_value("preserve");
    }
    pugi::xml_node run = hit->run;
    pugi::xml_node after = node.next_sibling();
    while (after && after.type() != pugi::node_element)
        after = after.next_sibling();
    if (!after)
        return {run.parent(), run.next_sibling()};
    pugi::xml_node rest = splitRunAfter(run, node);
    return {run.parent(), rest};
}

Point insertText(pugi::xml_node p, int offset, const QString &rawText)
{
    const QString text = XmlText(rawText, true);
    offset = std::clamp(offset, 0, length(p));
    // Formatting comes from the character before the point, or the first one.
    pugi::xml_node likeRPr;
    {
        const std::vector<Atom> list = atoms(p);
        const Atom *ref = nullptr;
        for (const Atom &a : list)
            if (a.start < offset)
                ref = &a;
        if (!ref && !list.empty())
            ref = &list.front();
        likeRPr = ref ? ref->run.child("w:rPr") : p.child("w:pPr").child("w:rPr");
    }
    // Keep a copy: splitting may move the run the properties came from.
    pugi::xml_document holder;
    if (likeRPr)
        likeRPr = holder.append_copy(likeRPr);

    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(breaks);
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (!line.isEmpty()) {
            const InsertPoint ip = splitAt(p, offset);
            fillRun(newRunBefore(ip.parent, ip.before, likeRPr), line);
            offset += int(line.size());
        }
        if (i + 1 < lines.size()) {
            p = splitParagraph(p, offset);
            offset = 0;
        }
    }
    return {p, offset};
}

pugi::xml_node splitParagraph(pugi::xml_node p, int offset)
{
    const InsertPoint ip = splitAt(p, offset);
    pugi::xml_node q = p.parent().insert_child_after("w:p", p);
    for (pugi::xml_attribute a : p.attributes())
        if (std::strncmp(a.name(), "w14:", 4) != 0)
            q.append_attribute(a.name()).set_value(a.value());
    if (pugi::xml_node pPr = p.child("w:pPr")) {
        q.append_copy(pPr);
        // The section break belongs to the end of the old paragraph's text,
        // which is now the second paragraph.
        if (pugi::xml_node sect = pPr.child("w:sectPr"))
            pPr.remove_child(sect);
    }
    // Containers between the point and the paragraph are split too.
    std::vector<pugi::xml_node> chain;
    for (pugi::xml_node n = ip.parent; n && n != p; n = n.parent())
        chain.push_back(n);
    if (chain.empty()) {
        moveTail(ip.before, q);
        return q;
    }
    std::vector<pugi::xml_node> clones(chain.size());
    pugi::xml_node dest = q;
    for (size_t i = chain.size(); i-- > 0;) {
        clones[i] = shallowClone(chain[i], dest);
        dest = clones[i];
    }
    moveTail(ip.before, clones[0]);
    for (size_t i = 1; i < chain.size(); ++i)
        moveTail(chain[i - 1].next_sibling(), clones[i]);
    moveTail(chain.back().next_sibling(), q);
    // A link or field split at its very end or start leaves no empty shell
    // behind in either paragraph.
    auto bare = [](pugi::xml_node n) {
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element && !is(c, "w:smartTagPr"))
                return false;
        return true;
    };
    for (size_t i = 0; i < chain.size(); ++i) {
        if (!is(chain[i], "w:hyperlink") && !is(chain[i], "w:fldSimple") && !is(chain[i], "w:smartTag"))
            continue;
        if (bare(clones[i]))
            clones[i].parent().remove_child(clones[i]);
        else if (bare(chain[i]))
            chain[i].parent().remove_child(chain[i]);
    }
    return q;
}

void joinWithNext(pugi::xml_node p, pugi::xml_node next)
{
    if (!p || !next || p == next)
        return;
    pugi::xml_node nextPPr = next.child("w:pPr");
    if (pugi::xml_node sect = nextPPr.child("w:sectPr")) {
        pugi::xml_node pPr = p.child("w:pPr");
        if (!pPr)
            pPr = p.prepend_child("w:pPr");
        if (!pPr.child("w:sectPr"))
            pPr.append_copy(sect);
    }
    for (pugi::xml_node c = next.first_child(); c;) {
        pugi::xml_node n = c.next_sibling();
        if (!is(c, "w:pPr"))
            p.append_move(c);
        c = n;
    }
    next.parent().remove_child(next);
}

void setCharacterStyle(pugi::xml_node p, int from, int to, const QString &styleId)
{
    if (to <= from)
        return;
    splitAt(p, to);
    splitAt(p, from);
    pugi::xml_node last;
    for (const Atom &a : atoms(p)) {
        if (a.start < from || a.start >= to || a.run == last)
            continue;
        last = a.run;
        setRunStyle(last, styleId);
    }
}

void setRunStyle(pugi::xml_node run, const QString &styleId)
{
    setStyleReference(run, "w:rPr", "w:rStyle", styleId);
}

void setParagraphStyle(pugi::xml_node p, const QString &styleId)
{
    setStyleReference(p, "w:pPr", "w:pStyle", styleId);
}

void removeIfEmptyRun(pugi::xml_node run)
{
    if (!run || !is(run, "w:r"))
        return;
    for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && !is(c, "w:rPr"))
            return;
    run.parent().remove_child(run);
}

void removeRange(pugi::xml_node first, pugi::xml_node last)
{
    if (!first || !last)
        return;
    const pugi::xml_node pf = paragraphOf(first);
    const pugi::xml_node pl = paragraphOf(last);
    const pugi::xml_node firstRun = runOf(first) == first ? pugi::xml_node() : runOf(first);
    const pugi::xml_node lastRun = runOf(last) == last ? pugi::xml_node() : runOf(last);
    std::vector<pugi::xml_node> victims;
    pugi::xml_node x = first;
    while (x) {
        if (x == last) {
            victims.push_back(x);
            break;
        }
        if (isAncestor(x, last)) {
            x = x.first_child();
            while (x && x != last && isPropertyElement(x) && !isAncestor(x, last))
                x = x.next_sibling();
            continue;
        }
        victims.push_back(x);
        pugi::xml_node y = x;
        while (y && !y.next_sibling())
            y = y.parent();
        x = y ? y.next_sibling() : pugi::xml_node();
    }
    for (pugi::xml_node v : victims)
        v.parent().remove_child(v);
    removeIfEmptyRun(firstRun);
    if (lastRun != firstRun)
        removeIfEmptyRun(lastRun);
    if (pf && pl && pf != pl && pf.next_sibling() == pl)
        joinWithNext(pf, pl);
}

pugi::xml_node nextParagraph(pugi::xml_node p)
{
    static const char *const storyRoots[] = {"w:body", "w:hdr", "w:ftr", "w:footnote", "w:endnote",
                                             "w:comment", "w:txbxContent", "w:docPartBody"};
    auto isRoot = [](pugi::xml_node n) {
        for (const char *r : storyRoots)
            if (is(n, r))
                return true;
        return false;
    };
    // Next node in document order, skipping p's own subtree.
    pugi::xml_node x = p;
    for (;;) {
        pugi::xml_node y = x;
        while (y && !y.next_sibling()) {
            y = y.parent();
            if (!y || isRoot(y))
                return pugi::xml_node();
        }
        if (!y)
            return pugi::xml_node();
        x = y.next_sibling();
        // Descend to the first paragraph inside x, if any.
        while (x) {
            if (x.type() == pugi::node_element && is(x, "w:p"))
                return x;
            if (x.type() == pugi::node_element && !isPropertyElement(x) && !is(x, "w:sectPr")
                && !is(x, "w:tblGrid") && x.first_child()) {
                x = x.first_child();
                continue;
            }
            break;
        }
        if (!x)
            return pugi::xml_node();
    }
}

bool precedes(pugi::xml_node a, pugi::xml_node b)
{
    if (a == b)
        return false;
    std::vector<pugi::xml_node> pa, pb;
    for (pugi::xml_node n = a; n; n = n.parent())
        pa.insert(pa.begin(), n);
    for (pugi::xml_node n = b; n; n = n.parent())
        pb.insert(pb.begin(), n);
    size_t i = 0;
    while (i < pa.size() && i < pb.size() && pa[i] == pb[i])
        ++i;
    if (i == pa.size())
        return true; // a is an ancestor of b
    if (i == pb.size())
        return false;
    for (pugi::xml_node n = pa[i]; n; n = n.next_sibling())
        if (n == pb[i])
            return true;
    return false;
}

} // namespace word::story
