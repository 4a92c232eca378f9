#pragma once
// Small readers for WordprocessingML attributes, shared by the numbering,
// CSS and HTML writer code. Element names carry the canonical prefixes that
// the package gives every part ("w:val", "w:ind" ...).
#include <QString>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>

namespace word::xml {

inline QString attr(pugi::xml_node n, const char *name)
{
    return QString::fromUtf8(n.attribute(name).value());
}

inline QString val(pugi::xml_node n) { return attr(n, "w:val"); }

inline bool hasAttr(pugi::xml_node n, const char *name)
{
    return !n.attribute(name).empty();
}

// An integer attribute; def when absent or not a number. Values such as
// "12.5" or "720pt" (seen in files of other writers) give their leading number.
inline int intAttr(pugi::xml_node n, const char *name, int def = 0)
{
    pugi::xml_attribute a = n.attribute(name);
    if (a.empty())
        return def;
    const char *s = a.value();
    char *end = nullptr;
    double v = std::strtod(s, &end);
    if (end == s)
        return def;
    if (v > 2e9)
        return 2000000000;
    if (v < -2e9)
        return -2000000000;
    return static_cast<int>(v);
}

inline int intVal(pugi::xml_node n, int def = 0) { return intAttr(n, "w:val", def); }

// The largest length that Word accepts for an indent, a spacing, a page or a
// table (22 inches, in twips). Lengths read from a document are held to it,
// so that a hostile value cannot blow up a page or overflow the arithmetic.
constexpr int kMaxTwips = 31680;

// A length attribute in twips, held to -kMaxTwips .. kMaxTwips.
inline int twipsAttr(pugi::xml_node n, const char *name, int def = 0)
{
    const int v = intAttr(n, name, def);
    return v < -kMaxTwips ? -kMaxTwips : v > kMaxTwips ? kMaxTwips : v;
}

// An on/off property (w:b, w:i, w:isLgl ...): present and not switched off.
inline bool onOff(pugi::xml_node n)
{
    if (!n)
        return false;
    pugi::xml_attribute a = n.attribute("w:val");
    if (a.empty())
        return true;
    const char *v = a.value();
    return !(std::strcmp(v, "0") == 0 || std::strcmp(v, "false") == 0
             || std::strcmp(v, "off") == 0 || std::strcmp(v, "none") == 0);
}

} // namespace word::xml
