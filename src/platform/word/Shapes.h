#pragma once
// Pictures, drawing shapes, canvases and ActiveX controls of a story:
// DrawingML (wp:inline, wp:anchor), VML (w:pict) and objects (w:object),
// with the type numbers Word gives them.
#include <QMap>
#include <QString>
#include <pugixml.hpp>
#include <vector>

namespace word {
class Package;
}

namespace word::shapes {

// Word's inline shape types (WdInlineShapeType).
enum WdInlineShapeType {
    wdInlineShapeEmbeddedOLEObject = 1,
    wdInlineShapeLinkedOLEObject = 2,
    wdInlineShapePicture = 3,
    wdInlineShapeLinkedPicture = 4,
    wdInlineShapeOLEControlObject = 5,
    wdInlineShapeHorizontalLine = 6,
    wdInlineShapePictureHorizontalLine = 7,
    wdInlineShapeChart = 12,
    wdInlineShapeLockedCanvas = 14,
    wdInlineShapeSmartArt = 15,
};

// Office shape types (MsoShapeType).
enum MsoShapeType {
    msoAutoShape = 1,
    msoChart = 3,
    msoFreeform = 5,
    msoGroup = 6,
    msoEmbeddedOLEObject = 7,
    msoLine = 9,
    msoLinkedOLEObject = 10,
    msoLinkedPicture = 11,
    msoOLEControlObject = 12,
    msoPicture = 13,
    msoTextBox = 17,
    msoCanvas = 20,
    msoInk = 22,
    msoSmartArt = 24,
};

// One shape: the run element that holds it (w:drawing, w:pict or w:object)
// and the element describing it (wp:inline, wp:anchor or a VML shape).
struct ShapeRef {
    pugi::xml_node element;
    pugi::xml_node shape;
    bool floating = false;
    bool operator==(const ShapeRef &o) const { return element == o.element; }
};

// The shapes of the given paragraphs in document order.
std::vector<ShapeRef> inlineShapes(const std::vector<pugi::xml_node> &paragraphs);
std::vector<ShapeRef> floatingShapes(const std::vector<pugi::xml_node> &paragraphs);
// The shape of a w:drawing, w:pict or w:object element (shape null when it
// holds none).
ShapeRef describe(pugi::xml_node element);

int inlineType(const ShapeRef &s);
int shapeType(const ShapeRef &s);

QString alternativeText(const ShapeRef &s);
void setAlternativeText(const ShapeRef &s, const QString &text);

// Size in points.
double width(const ShapeRef &s);
double height(const ShapeRef &s);
// Position of a floating shape in points (its offset from what it is
// positioned against).
double left(const ShapeRef &s);
double top(const ShapeRef &s);

// The non-visual properties element (…:cNvPr, holding descr and
// a:hlinkClick) of a DrawingML item such as a canvas item.
pugi::xml_node nonVisualProperties(pugi::xml_node item);
// The shape type of a canvas item.
int itemType(pugi::xml_node item);

struct Hyperlink {
    bool present = false;
    QString address;
    QString subAddress;
    QString target;
    QString screenTip;
};
// The hyperlink of a shape; relationships are looked up in `part`.
Hyperlink hyperlink(const ShapeRef &s, const Package &pkg, const QString &part);

struct CanvasItem {
    pugi::xml_node node;
    double left = 0, top = 0, width = 0, height = 0; // points, relative to the canvas
    Hyperlink link;
};
// The items of a drawing canvas (empty for anything else).
std::vector<CanvasItem> canvasItems(const ShapeRef &s, const Package &pkg, const QString &part);

// An ActiveX control: its class and its persisted properties.
struct OleControl {
    bool present = false;
    QString classId;   // "{D27CDB6E-AE6D-11CF-96B8-444553540000}"
    QString classType; // the programmatic id, e.g. "ShockwaveFlash.ShockwaveFlash"
    QString name;
    QMap<QString, QString> properties; // names lower-cased
};
OleControl oleControl(const ShapeRef &s, const Package &pkg, const QString &part);
// The programmatic id of a known ActiveX class id (braces and case ignored).
QString progIdOfClassId(const QString &classId);

// Removes the shape from its run (the run goes when nothing else is left).
void remove(const ShapeRef &s);

// A VML length ("12pt", "1.5in", "40px", "2cm") in points.
double vmlLength(const QString &value);
// The value of a property of a VML style attribute ("width:10pt;height:...").
QString vmlStyle(const QString &style, const QString &property);

} // namespace word::shapes
