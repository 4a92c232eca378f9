#include "platform/Exception.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/HtmlWriterPrivate.h"
#include "platform/word/HtmlXml.h"
#include "platform/word/Package.h"

#include <QRegularExpression>
#include <array>
#include <functional>

namespace word::html {

void Writer::writeTable(pugi::xml_node tbl)
{
    // Table-wide properties: the table style's, then the table's own.
    pugi::xml_node tblPr = tbl.child("w:tblPr");
    QList<pugi::xml_node> layers;
    const QList<const Style *> tableStyles = styles_->chain(xml::val(tblPr.child("w:tblStyle")));
    for (const Style *s : tableStyles)
        layers.prepend(s->node.child("w:tblPr"));
    layers.append(tblPr);
    // Which conditional parts of the style the table uses (w:tblLook).
    pugi::xml_node look = tblPr.child("w:tblLook");
    const uint lookBits = look ? xml::attr(look, "w:val").toUInt(nullptr, 16) : 0x04A0u;
    auto lookFlag = [&](const char *name, uint bit) {
        return look && xml::hasAttr(look, name) ? look.attribute(name).as_bool() : (lookBits & bit) != 0;
    };
    const bool useFirstRow = lookFlag("w:firstRow", 0x20), useLastRow = lookFlag("w:lastRow", 0x40),
               useFirstCol = lookFlag("w:firstColumn", 0x80), useLastCol = lookFlag("w:lastColumn", 0x100),
               useHBand = !lookFlag("w:noHBand", 0x200), useVBand = !lookFlag("w:noVBand", 0x400);
    auto styleLayers = [&](const char *type) {
        QList<pugi::xml_node> out;
        for (auto s = tableStyles.crbegin(); s != tableStyles.crend(); ++s) {
            if (!type)
                out << (*s)->node;
            else if (pugi::xml_node n = (*s)->node.find_child_by_attribute("w:tblStylePr", "w:type", type))
                out << n;
        }
        return out;
    };
    std::optional<BorderFormat> edge[6]; // top, left, bottom, right, insideH, insideV
    static const char *const edgeNames[6][2] = {{"w:top", nullptr},     {"w:left", "w:start"},
                                                {"w:bottom", nullptr},  {"w:right", "w:end"},
                                                {"w:insideH", nullptr}, {"w:insideV", nullptr}};
    // Cell margins in twips: top, right, bottom, left.
    std::array<int, 4> margins = {0, 108, 0, 108};
    auto readMargins = [](pugi::xml_node m, std::array<int, 4> &out) {
        static const char *const names[4][2] = {
            {"w:top", nullptr}, {"w:right", "w:end"}, {"w:bottom", nullptr}, {"w:left", "w:start"}};
        for (int i = 0; i < 4; ++i)
            for (const char *nm : names[i])
                if (nm)
                    if (pugi::xml_node x = m.child(nm))
                        out[i] = xml::twipsAttr(x, "w:w");
    };
    QString jc;
    std::optional<ShadingFormat> tableShading;
    auto readEdges = [](pugi::xml_node borders, std::optional<BorderFormat> *out, int count) {
        for (int i = 0; i < count; ++i)
            for (const char *nm : edgeNames[i])
                if (nm)
                    if (pugi::xml_node b = borders.child(nm)) {
                        BorderFormat f{xml::val(b), xml::intAttr(b, "w:sz", 4), xml::attr(b, "w:color"),
                                       xml::intAttr(b, "w:space")};
                        out[i] = f;
                    }
    };
    for (pugi::xml_node l : layers) {
        readEdges(l.child("w:tblBorders"), edge, 6);
        readMargins(l.child("w:tblCellMar"), margins);
        if (pugi::xml_node j = l.child("w:jc"))
            jc = xml::val(j);
        if (pugi::xml_node s = l.child("w:shd"))
            tableShading = ShadingFormat{xml::val(s), xml::attr(s, "w:color"), xml::attr(s, "w:fill")};
    }
    QList<int> grid;
    int gridTotal = 0;
    for (pugi::xml_node g : tbl.child("w:tblGrid").children("w:gridCol")) {
        grid << std::max(0, xml::twipsAttr(g, "w:w"));
        gridTotal += grid.last();
    }

    // Rows and cells, with content controls around them unwrapped. Bookmarks
    // between rows or cells go into the next cell's first paragraph.
    QList<pugi::xml_node> items; // rows and the bookmarks between them, in order
    std::function<void(pugi::xml_node)> collectRows = [&](pugi::xml_node parent) {
        for (pugi::xml_node n : parent.children()) {
            if (std::strcmp(n.name(), "w:tr") == 0 || std::strcmp(n.name(), "w:bookmarkStart") == 0)
                items << n;
            else if (std::strcmp(n.name(), "w:sdt") == 0)
                collectRows(n.child("w:sdtContent"));
            else if (std::strcmp(n.name(), "w:customXml") == 0)
                collectRows(n);
        }
    };
    collectRows(tbl);
    struct Cell {
        pugi::xml_node tc;
        int col = 0, span = 1, rowSpan = 1;
        bool merged = false; // continues a vertical merge: not written
        QList<pugi::xml_node> marks;
    };
    QList<QList<Cell>> table;
    QList<pugi::xml_node> rows;
    QList<pugi::xml_node> pending;
    for (pugi::xml_node tr : items) {
        if (std::strcmp(tr.name(), "w:bookmarkStart") == 0) {
            pending << tr;
            continue;
        }
        rows << tr;
        QList<Cell> cells;
        int col = xml::intVal(tr.child("w:trPr").child("w:gridBefore"));
        std::function<void(pugi::xml_node)> collectCells = [&](pugi::xml_node parent) {
            for (pugi::xml_node n : parent.children()) {
                if (std::strcmp(n.name(), "w:tc") == 0) {
                    Cell c;
                    c.tc = n;
                    c.col = col;
                    c.span = std::max(1, xml::intVal(n.child("w:tcPr").child("w:gridSpan"), 1));
                    pugi::xml_node vm = n.child("w:tcPr").child("w:vMerge");
                    c.merged = vm && xml::val(vm) != QLatin1String("restart");
                    c.marks = pending;
                    pending.clear();
                    col += c.span;
                    cells << c;
                } else if (std::strcmp(n.name(), "w:bookmarkStart") == 0) {
                    pending << n;
                } else if (std::strcmp(n.name(), "w:sdt") == 0) {
                    collectCells(n.child("w:sdtContent"));
                } else if (std::strcmp(n.name(), "w:customXml") == 0) {
                    collectCells(n);
                }
            }
        };
        collectCells(tr);
        table << cells;
    }
    // Row spans: a restarting cell spans the continuing cells below it.
    for (int r = 0; r < table.size(); ++r)
        for (Cell &c : table[r]) {
            if (c.merged)
                continue;
            for (int below = r + 1; below < table.size(); ++below) {
                bool continues = false;
                for (const Cell &d : std::as_const(table[below]))
                    if (d.col == c.col && d.merged)
                        continues = true;
                if (!continues)
                    break;
                ++c.rowSpan;
            }
        }

    const int cols = std::max<int>(int(grid.size()), 1);
    int widthTw = gridTotal;
    QString widthCss;
    pugi::xml_node tblW = tblPr.child("w:tblW");
    if (xml::attr(tblW, "w:type") == QLatin1String("dxa") && xml::intAttr(tblW, "w:w") > 0)
        widthTw = xml::twipsAttr(tblW, "w:w");
    if (xml::attr(tblW, "w:type") == QLatin1String("pct") && xml::intAttr(tblW, "w:w") > 0)
        widthCss = QString::number(xml::intAttr(tblW, "w:w") / 50.0) + QLatin1Char('%');
    flushRun();
    // Word's class for the table's style: MsoTableGrid for "Table Grid",
    // MsoNormalTable for a table without a style; border=1 when it has lines.
    QString tableClass = QStringLiteral("MsoNormalTable");
    if (!tableStyles.isEmpty()) {
        const QString name = tableStyles.first()->name;
        tableClass = name.compare(QLatin1String("Table Grid"), Qt::CaseInsensitive) == 0
                         ? QStringLiteral("MsoTableGrid")
                         : QStringLiteral("Mso") + QString(name).remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")));
    }
    bool lined = false;
    for (const auto &e : edge)
        lined = lined || (e && !e->isNone());
    out_ += QLatin1String("<table class=") + tableClass + QLatin1String(" border=")
            + (lined ? QLatin1Char('1') : QLatin1Char('0')) + QLatin1String(" cellspacing=0 cellpadding=0");
    if (jc == QLatin1String("center"))
        out_ += QLatin1String(" align=center");
    else if (jc == QLatin1String("right") || jc == QLatin1String("end"))
        out_ += QLatin1String(" align=right");
    if (widthCss.isEmpty() && widthTw > 0)
        out_ += QLatin1String(" width=") + QString::number(std::lround(widthTw / 15.0));
    out_ += QLatin1String(" style='");
    if (!widthCss.isEmpty())
        out_ += QLatin1String("width:") + widthCss + QLatin1Char(';');
    else if (widthTw > 0)
        out_ += QLatin1String("width:") + css::points(widthTw / 20.0) + QLatin1Char(';');
    if (pugi::xml_node ind = tblPr.child("w:tblInd"); ind && xml::intAttr(ind, "w:w") != 0)
        out_ += QLatin1String("margin-left:") + css::twips(xml::twipsAttr(ind, "w:w")) + QLatin1Char(';');
    out_ += QLatin1String("border-collapse:collapse;border:none'>") + kNl;

    const int rowCount = int(table.size());
    for (int r = 0; r < rowCount; ++r) {
        pugi::xml_node trPr = rows[r].child("w:trPr");
        out_ += QLatin1String(" <tr");
        if (pugi::xml_node h = trPr.child("w:trHeight"); h && xml::intVal(h) > 0)
            out_ += QLatin1String(" style='height:") + css::points(xml::intVal(h) / 20.0) + QLatin1Char('\'');
        out_ += QLatin1Char('>') + kNl;
        for (const Cell &c : std::as_const(table[r])) {
            if (c.merged)
                continue;
            pugi::xml_node tcPr = c.tc.child("w:tcPr");
            int w = 0;
            for (int i = c.col; i < c.col + c.span && i < grid.size(); ++i)
                w += grid[i];
            pugi::xml_node tcW = tcPr.child("w:tcW");
            if (xml::attr(tcW, "w:type") == QLatin1String("dxa") && xml::intAttr(tcW, "w:w") > 0)
                w = xml::twipsAttr(tcW, "w:w");
            // The table style's parts for this cell, lowest first.
            QList<pugi::xml_node> cellLayers = styleLayers(nullptr) + styleLayers("wholeTable");
            const int bodyRow = r - (useFirstRow ? 1 : 0), bodyCol = c.col - (useFirstCol ? 1 : 0);
            if (useVBand && bodyCol >= 0)
                cellLayers += styleLayers(bodyCol % 2 ? "band2Vert" : "band1Vert");
            if (useHBand && bodyRow >= 0)
                cellLayers += styleLayers(bodyRow % 2 ? "band2Horz" : "band1Horz");
            if (useFirstCol && c.col == 0)
                cellLayers += styleLayers("firstCol");
            if (useLastCol && c.col + c.span >= cols)
                cellLayers += styleLayers("lastCol");
            if (useFirstRow && r == 0)
                cellLayers += styleLayers("firstRow");
            if (useLastRow && r + c.rowSpan >= rowCount)
                cellLayers += styleLayers("lastRow");
            // Each edge: the cell's own border, else the table's outer or inner one.
            std::optional<BorderFormat> own[6];
            for (pugi::xml_node l : std::as_const(cellLayers))
                readEdges(l.child("w:tcPr").child("w:tcBorders"), own, 4);
            readEdges(tcPr.child("w:tcBorders"), own, 4);
            const bool top = r == 0, bottom = r + c.rowSpan >= rowCount, left = c.col == 0,
                       right = c.col + c.span >= cols;
            const std::optional<BorderFormat> sides[4] = {
                own[0] ? own[0] : (top ? edge[0] : edge[4]),
                own[1] ? own[1] : (left ? edge[1] : edge[5]),
                own[2] ? own[2] : (bottom ? edge[2] : edge[4]),
                own[3] ? own[3] : (right ? edge[3] : edge[5])};
            static const char *const sideNames[4] = {"top", "left", "bottom", "right"};
            out_ += QLatin1String("  <td");
            if (w > 0)
                out_ += QLatin1String(" width=") + QString::number(std::lround(w / 15.0));
            if (c.span > 1)
                out_ += QLatin1String(" colspan=") + QString::number(c.span);
            if (c.rowSpan > 1)
                out_ += QLatin1String(" rowspan=") + QString::number(c.rowSpan);
            const QString va = xml::val(tcPr.child("w:vAlign"));
            out_ += QLatin1String(" valign=")
                    + (va == QLatin1String("center") ? QLatin1String("middle")
                       : va == QLatin1String("bottom") ? QLatin1String("bottom")
                                                       : QLatin1String("top"));
            out_ += QLatin1String(" style='");
            if (w > 0)
                out_ += QLatin1String("width:") + css::points(w / 20.0) + QLatin1Char(';');
            for (int s = 0; s < 4; ++s)
                out_ += QLatin1String("border-") + QLatin1String(sideNames[s]) + QLatin1Char(':')
                        + (sides[s] ? css::border(*sides[s]) : QStringLiteral("none")) + QLatin1Char(';');
            std::optional<ShadingFormat> shd = tableShading;
            for (pugi::xml_node l : std::as_const(cellLayers))
                if (pugi::xml_node s = l.child("w:tcPr").child("w:shd"))
                    shd = ShadingFormat{xml::val(s), xml::attr(s, "w:color"), xml::attr(s, "w:fill")};
            if (pugi::xml_node s = tcPr.child("w:shd"))
                shd = ShadingFormat{xml::val(s), xml::attr(s, "w:color"), xml::attr(s, "w:fill")};
            if (shd && !shd->background().isEmpty())
                out_ += QLatin1String("background:") + shd->background() + QLatin1Char(';');
            // The cell's own margins, else the table's.
            std::array<int, 4> pad = margins;
            readMargins(tcPr.child("w:tcMar"), pad);
            out_ += QLatin1String("padding:") + css::twips(pad[0]) + QLatin1Char(' ') + css::points(pad[1] / 20.0)
                    + QLatin1Char(' ') + css::twips(pad[2]) + QLatin1Char(' ') + css::points(pad[3] / 20.0)
                    + QLatin1String("'>") + kNl;
            for (pugi::xml_node m : c.marks)
                bookmark(m);
            const QList<pugi::xml_node> outerLayers = cellLayers_;
            cellLayers_ = cellLayers;
            writeBlocks(c.tc);
            cellLayers_ = outerLayers;
            out_ += QLatin1String("  </td>") + kNl;
        }
        out_ += QLatin1String(" </tr>") + kNl;
    }
    out_ += QLatin1String("</table>") + kNl + kNl;
}

} // namespace word::html
