#pragma once
// Picture helpers of the HTML writer: plain PNG images for drawing shapes
// that must appear as pictures, and metafiles (EMF, WMF) turned into PNG.
#include <QByteArray>
#include <QList>
#include <QString>
#include <pugixml.hpp>

namespace word {

class Package;

// A PNG of width x height pixels filled with fill (0xAARRGGBB; alpha 0 is
// transparent) inside a one-pixel frame of frame (alpha 0: no frame).
QByteArray PlainPng(int width, int height, quint32 fill, quint32 frame);

// Width and height in pixels of a PNG, JPEG or GIF image; false when the
// bytes are none of these.
bool ImagePixelSize(const QByteArray &bytes, int &width, int &height);

struct MetafileJob {
    QByteArray bytes;  // the EMF or WMF file
    QString extension; // "emf" or "wmf"
    int widthPx = 0, heightPx = 0;
    QString output;    // the PNG to write
};

// The largest side of a rendered metafile: 22 inches at 96 pixels per inch,
// the largest picture that Word shows.
constexpr int kMaxMetafilePx = 22 * 96;

// Renders every metafile as a PNG of its size (96 pixels per inch, each side
// held to 1 .. kMaxMetafilePx) through LibreOffice and pdftoppm, all of them
// in one run. Gives, per job, whether its PNG was written; everything fails
// when a program is missing.
QList<bool> ConvertMetafilesToPng(const QList<MetafileJob> &jobs, QString *error = nullptr);

// The picture size in pixels of a VML line (its from and to points): the
// line's extent with a margin on each side, so that its stroke shows whole.
void VmlLineSizePx(pugi::xml_node line, int &width, int &height);

struct DrawingJob {
    // A w:drawing element, or a VML shape or group, of the package's tree.
    pugi::xml_node drawing;
    QString part;      // the part whose relationships the drawing uses
    int widthPx = 0, heightPx = 0;
    QString output;    // the PNG to write
};

// Renders drawings that have no picture of their own (charts, diagrams,
// shapes, WordArt) as PNG pictures of their size (96 pixels per inch): a copy
// of the package holds one drawing per page, placed at the page's corner,
// and LibreOffice and pdftoppm render all of them in one run. Gives, per job,
// whether its PNG was written; everything fails when a program is missing.
QList<bool> RenderDrawingsToPng(const Package &package, const QList<DrawingJob> &jobs, QString *error = nullptr);

} // namespace word
