#pragma once
// Syntax colouring of HTML (with embedded style and script elements), CSS and
// script text in a rich-text source view, the double-click token selection
// and the colour bar painted under a tool button's icon. The routines hold no
// state between calls.
//
// Positions are 1-based character positions in the view's plain text, where a
// line break counts as one character.
#include <QColor>
#include <QString>

class QTextEdit;
class QToolButton;

namespace SourceColors {
inline const QColor Blue{0, 0, 255};
inline const QColor Green{0, 128, 0};
inline const QColor Red{255, 0, 0};
inline const QColor Maroon{128, 0, 0};
inline const QColor Black{0, 0, 0};
} // namespace SourceColors

enum ColorMode { ColorModeHtml = 1, ColorModeCss = 2, ColorModeScript = 3 };

// Re-colours the whole text by mode (1 HTML, 2 CSS, 3 script; any other mode
// colours nothing). The view's selection, its modified mark and its signals
// are as they were afterwards.
void ColorCodeEdit(QTextEdit *Edit, int Mode);
void ColorCodeHtml(QTextEdit *Edit, const QString &Text);
void ColorCodeCss(QTextEdit *Edit, const QString &Text, int From, int To);
void ColorCodeScript(QTextEdit *Edit, const QString &Text, int From, int To);
// Widens the selection a double-click left to the whole token.
void SelectToken(QTextEdit *Edit);
// Shows Colour as a bar in the bottom four rows of the button's 16x16 icon.
void SetButtonColorBar(QToolButton *Button, const QColor &Colour);
