#pragma once
// Tracked changes: accepting them all, as Word's AcceptAllRevisions does.
#include <pugixml.hpp>

namespace word::revisions {

// Accepts every revision under root (a story such as w:body, or a whole part):
// insertions and moves-to stay, deletions and moves-from go (deleted
// paragraph marks join their paragraph with the next one, deleted table rows
// and cells go), format changes keep the new formatting. Gives the number of
// revisions accepted.
int AcceptAll(pugi::xml_node root);

} // namespace word::revisions
