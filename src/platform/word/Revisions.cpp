#include "platform/word/Revisions.h"

#include "platform/word/Story.h"

#include <cstring>
#include <vector>

namespace word::revisions {

namespace {

bool is(pugi::xml_node n, const char *name)
{
    return std::strcmp(n.name(), name) == 0;
}

std::vector<pugi::xml_node> select(pugi::xml_node root, const char *xpath)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xpath_node n : root.select_nodes(xpath))
        out.push_back(n.node());
    return out;
}

void unwrap(pugi::xml_node n)
{
    pugi::xml_node parent = n.parent();
    for (pugi::xml_node c = n.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        parent.insert_move_before(c, n);
        c = next;
    }
    parent.remove_child(n);
}

bool alive(pugi::xml_node n, pugi::xml_node root)
{
    for (pugi::xml_node x = n; x; x = x.parent())
        if (x == root)
            return true;
    return false;
}

} // namespace

int AcceptAll(pugi::xml_node root)
{
    int count = 0;
    // Format changes: the recorded old formatting goes.
    for (pugi::xml_node n : select(root, ".//w:rPrChange | .//w:pPrChange | .//w:sectPrChange | .//w:tblPrChange"
                                         " | .//w:trPrChange | .//w:tcPrChange | .//w:tblGridChange"
                                         " | .//w:tblPrExChange | .//w:numberingChange")) {
        n.parent().remove_child(n);
        ++count;
    }
    // Move range markers carry no content.
    for (pugi::xml_node n : select(root, ".//w:moveFromRangeStart | .//w:moveFromRangeEnd | .//w:moveToRangeStart"
                                         " | .//w:moveToRangeEnd | .//w:customXmlInsRangeStart"
                                         " | .//w:customXmlInsRangeEnd | .//w:customXmlDelRangeStart"
                                         " | .//w:customXmlDelRangeEnd | .//w:customXmlMoveFromRangeStart"
                                         " | .//w:customXmlMoveFromRangeEnd | .//w:customXmlMoveToRangeStart"
                                         " | .//w:customXmlMoveToRangeEnd"))
        n.parent().remove_child(n);

    // Deleted table rows and cells.
    for (pugi::xml_node mark : select(root, ".//w:trPr/w:del")) {
        pugi::xml_node row = mark.parent().parent();
        pugi::xml_node table = row.parent();
        table.remove_child(row);
        if (!table.child("w:tr"))
            table.parent().remove_child(table);
        ++count;
    }
    for (pugi::xml_node mark : select(root, ".//w:tcPr/w:cellDel")) {
        if (!alive(mark, root))
            continue;
        pugi::xml_node cell = mark.parent().parent();
        cell.parent().remove_child(cell);
        ++count;
    }
    for (pugi::xml_node mark : select(root, ".//w:trPr/w:ins | .//w:tcPr/w:cellIns | .//w:tcPr/w:cellMerge")) {
        if (!alive(mark, root))
            continue;
        mark.parent().remove_child(mark);
        ++count;
    }

    // Deleted paragraph marks are remembered before their markers go.
    std::vector<pugi::xml_node> joined;
    for (pugi::xml_node mark : select(root, ".//w:pPr/w:rPr/w:del | .//w:pPr/w:rPr/w:moveFrom")) {
        joined.push_back(mark.parent().parent().parent());
        mark.parent().remove_child(mark);
        ++count;
    }
    for (pugi::xml_node mark : select(root, ".//w:rPr/w:ins | .//w:rPr/w:moveTo")) {
        mark.parent().remove_child(mark);
        ++count;
    }
    // A run marked deleted through its properties (math runs).
    for (pugi::xml_node mark : select(root, ".//w:rPr/w:del | .//w:rPr/w:moveFrom")) {
        if (!alive(mark, root))
            continue;
        pugi::xml_node run = mark.parent().parent();
        run.parent().remove_child(run);
        ++count;
    }
    // Deleted and moved-away content.
    for (pugi::xml_node n : select(root, ".//w:del | .//w:moveFrom")) {
        if (!alive(n, root))
            continue;
        n.parent().remove_child(n);
        ++count;
    }
    // Inserted and moved-here content stays.
    for (pugi::xml_node n : select(root, ".//w:ins | .//w:moveTo")) {
        if (!alive(n, root))
            continue;
        unwrap(n);
        ++count;
    }
    // Stray deleted text outside a deletion.
    for (pugi::xml_node n : select(root, ".//w:delText | .//w:delInstrText")) {
        if (!alive(n, root))
            continue;
        pugi::xml_node run = n.parent();
        run.remove_child(n);
        story::removeIfEmptyRun(run);
    }
    // Join the paragraphs whose marks were deleted, last first so that a run
    // of joins collapses into one paragraph.
    for (auto it = joined.rbegin(); it != joined.rend(); ++it) {
        pugi::xml_node p = *it;
        if (!alive(p, root) || !is(p, "w:p"))
            continue;
        pugi::xml_node next = p.next_sibling();
        while (next && next.type() != pugi::node_element)
            next = next.next_sibling();
        if (next && is(next, "w:p")) {
            // The joined paragraph keeps the formatting of the mark that stays.
            if (pugi::xml_node pPr = p.child("w:pPr"))
                p.remove_child(pPr);
            if (pugi::xml_node nextPPr = next.child("w:pPr"))
                p.prepend_copy(nextPPr);
            story::joinWithNext(p, next);
        } else if (!story::length(p) && p.parent().child("w:p") != p) {
            // An empty paragraph whose mark was deleted before a table or the end.
            p.parent().remove_child(p);
        }
    }
    return count;
}

} // namespace word::revisions
