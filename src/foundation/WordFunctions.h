#pragma once
// Small routines around Word and its output that several subsystems share:
// whether the document engine is there and which Word version it stands for,
// reading a version number out of a text, opening a document for the user,
// the initial view of an exported PDF, font descriptions, points to pixels,
// and splitting a text into a list.
#include "platform/PdfCatalog.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// A font as a font description sets it: face, size in points, colour value
// (0 = black) and styles.
struct TFont {
    QString Name;
    int Size = 0;
    int Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
};

// True when Word (here: the built-in document engine) is available.
bool IsWordInstalled();

// Major version of the Word that the document engine stands for; 0 when unknown.
int GetWordVersion();

// Value of the first run of decimal digits in text; 0 when there is none.
// Throws Exception when the run is too long for a 32-bit integer.
int FirstNumber(const QString &text);

// Opens the document for the user in the desktop's application for it, which
// keeps running. Throws Exception when the file is missing or no opener exists.
void OpenInWord(const QString &fileName);

// Writes target as source with the initial view that the project's settings
// give: panes (1 bookmarks, 2 thumbnails), magnification (1 fit page, 2 fit
// width, 3 fit visible, 4 actual size) and page layout (1 single page,
// 3 continuous facing); 0 and other values leave that part of the view alone.
// With all three 0 nothing is written. source and target may be one file,
// which is replaced only when the new file is complete. Throws Exception.
void SetPdfViewerOptions(const QString &source, const QString &target, int panes,
                         int magnification, int pageLayout);

// The catalogue entries of that initial view.
pdf::ViewEntries PdfViewEntries(int panes, int magnification, int pageLayout);

// The date an output records as its own: the time SOURCE_DATE_EPOCH gives
// (seconds since 1970, UTC) where the environment sets it, else fallback
// (the source document's date; invalid when there is none). Never the time
// of the build, so that the same input gives the same bytes.
QDateTime OutputDate(const QDateTime &fallback = QDateTime());

// Applies a font description "name,size,colour,styles" (styles: the capital
// letters B, I, U and S; "[]" for none) to font. A description without exactly
// four fields leaves font unchanged; a size or colour that is not an integer
// throws Exception.
void StringToFont(const QString &description, TFont &font);

// Pixels for a size in points at 96 pixels per inch, rounded half to even,
// as decimal text.
QString PointsToPixelsText(double points);

// The pieces of text between occurrences of separator, each trimmed; an
// empty text gives an empty list, n separators give n + 1 pieces.
QStringList SplitToList(const QString &text, const QString &separator);
