#include "app/SourceColoring.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

namespace {

// The view's text as positions count it: a paragraph break is one "\n".
QString viewText(QTextEdit *edit)
{
    return edit->toPlainText();
}

// Colours [a..b] (1-based, inclusive); an empty range colours nothing.
void colour(QTextEdit *edit, int a, int b, const QColor &c)
{
    const int length = edit->document()->characterCount() - 1; // without the final paragraph mark
    if (a < 1)
        a = 1;
    if (b > length)
        b = length;
    if (b < a)
        return;
    QTextCursor cursor(edit->document());
    cursor.setPosition(a - 1);
    cursor.setPosition(b, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(c);
    cursor.mergeCharFormat(format);
}

bool isNameTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\t' || u == u'\n' || u == u'\r' || u == u' ' || u == u'>' || u == QChar::ParagraphSeparator;
}

bool isTokenDelimiter(QChar c)
{
    const char16_t u = c.unicode();
    if (u > 255)
        return false;
    static const QString set = QStringLiteral("\t\n\r \"',.:;<=>[]{}");
    return set.contains(c);
}

// 1-based character access.
QChar at(const QString &text, int i)
{
    return i >= 1 && i <= text.size() ? text[i - 1] : QChar();
}

} // namespace

void ColorCodeEdit(QTextEdit *Edit, int Mode)
{
    if (Mode < ColorModeHtml || Mode > ColorModeScript)
        return;
    const QString text = viewText(Edit);
    const bool modified = Edit->document()->isModified();
    // The colouring works on its own cursors, so the view's selection stays;
    // its signals are held so that no change is reported per range.
    const QSignalBlocker blockEdit(Edit);
    const QSignalBlocker blockDocument(Edit->document());
    QTextCursor batch(Edit->document());
    batch.beginEditBlock();
    switch (Mode) {
    case ColorModeHtml:
        ColorCodeHtml(Edit, text);
        break;
    case ColorModeCss:
        ColorCodeCss(Edit, text, 1, int(text.size()));
        break;
    case ColorModeScript:
        ColorCodeScript(Edit, text, 1, int(text.size()));
        break;
    }
    batch.endEditBlock();
    Edit->document()->setModified(modified);
}

void ColorCodeHtml(QTextEdit *Edit, const QString &Text)
{
    using namespace SourceColors;
    const int n = int(Text.size());
    colour(Edit, 1, n, Red);
    if (n == 0)
        return;
    int s = 1;
    bool inTag = false, nameOpen = false, inQuote = false, inStyle = false, inScript = false;
    QString name;
    for (int i = 1; i <= n; ++i) {
        const QChar c = Text[i - 1];
        if (c == u'<') {
            if (!inStyle && !inScript) {
                colour(Edit, s, i - 1, Blue);
                s = i;
            }
            nameOpen = true;
            name.clear();
            inTag = true;
            continue;
        }
        if (nameOpen) {
            if (isNameTerminator(c)) {
                if (name.compare(u"/style", Qt::CaseInsensitive) == 0) {
                    ColorCodeCss(Edit, Text, s, i - 9);
                    inStyle = false;
                } else if (name.compare(u"/script", Qt::CaseInsensitive) == 0) {
                    ColorCodeScript(Edit, Text, s, i - 10);
                    inScript = false;
                }
                nameOpen = false;
            } else {
                name += c;
            }
        }
        if (inTag && c == u'>') {
            if (!inStyle && !inScript) {
                s = i + 1;
                if (name.compare(u"style", Qt::CaseInsensitive) == 0)
                    inStyle = true;
                else if (name.compare(u"script", Qt::CaseInsensitive) == 0)
                    inScript = true;
            }
            inTag = false;
            continue;
        }
        if (inTag && c == u'"') {
            if (inQuote) {
                if (!inStyle && !inScript)
                    colour(Edit, s, i - 1, Green);
                inQuote = false;
            } else {
                inQuote = true;
                if (!inStyle && !inScript)
                    s = i + 1;
            }
        }
    }
}

void ColorCodeCss(QTextEdit *Edit, const QString &Text, int From, int To)
{
    using namespace SourceColors;
    colour(Edit, From, To, Blue);
    int s = From;
    bool inBlock = false;
    for (int i = From; i <= To; ++i) {
        const QChar c = at(Text, i);
        if (c == u'{') {
            inBlock = true;
            s = i + 1;
        } else if (c == u'}') {
            colour(Edit, s, i - 1, Green);
            inBlock = false;
            s = i + 1;
        } else {
            if (c == u'/' && at(Text, i + 1) == u'*') {
                colour(Edit, s, i - 1, Green);
                s = i;
            }
            if (c == u'/' && at(Text, i - 1) == u'*') {
                colour(Edit, s, i, Maroon);
                s = i + 1;
            }
            if (inBlock) {
                if (c == u'\r' || c == u'\n') {
                    s = i + 1;
                } else if (c == u':') {
                    colour(Edit, s, i, Red);
                    s = i + 1;
                } else if (c == u';') {
                    colour(Edit, s, i - 1, Green);
                    s = i + 1;
                }
            }
        }
    }
}

void ColorCodeScript(QTextEdit *Edit, const QString &Text, int From, int To)
{
    using namespace SourceColors;
    colour(Edit, From, To, Black);
    int s = From;
    for (int i = From; i <= To; ++i) {
        const QChar c = at(Text, i);
        if (c == u'{' || c == u'}') {
            colour(Edit, s, i - 1, Black);
            colour(Edit, i, i, Red);
            s = i + 1;
        }
        if (c == u'(' || c == u')') {
            colour(Edit, s, i - 1, Black);
            colour(Edit, i, i, Green);
            s = i + 1;
        }
    }
}

void SelectToken(QTextEdit *Edit)
{
    const QString T = viewText(Edit);
    QTextCursor cursor = Edit->textCursor();
    const int S = cursor.selectionStart(); // 0-based
    const QString L = cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n');
    int first = -1, last = -1;
    for (int k = 0; k < L.size(); ++k)
        if (!isTokenDelimiter(L[k])) {
            if (first < 0)
                first = k;
            last = k;
        }
    if (first < 0)
        return;
    const int F = S + first, E = S + last;
    int start = S, end = S + int(L.size());
    for (int d = F - 1; d >= 0; --d)
        if (isTokenDelimiter(T[d])) {
            start = d + 1;
            break;
        }
    if (start > F) // no delimiter met: the start stays
        start = S;
    bool found = false;
    for (int d = E + 1; d < T.size(); ++d)
        if (isTokenDelimiter(T[d])) {
            end = d;
            found = true;
            break;
        }
    if (!found)
        end = S + int(L.size());
    if (end < start)
        end = start;
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    Edit->setTextCursor(cursor);
}

void SetButtonColorBar(QToolButton *Button, const QColor &Colour)
{
    // The plain icon is kept on the button so that every bar starts from it.
    QIcon plain = Button->property("qcPlainIcon").value<QIcon>();
    if (plain.isNull()) {
        plain = Button->icon();
        Button->setProperty("qcPlainIcon", QVariant::fromValue(plain));
    }
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    if (!plain.isNull())
        plain.paint(&painter, QRect(0, 0, 16, 16));
    painter.fillRect(QRect(0, 12, 16, 4), Colour);
    painter.end();
    Button->setIcon(QIcon(pixmap));
    Button->setProperty("qcBarColor", Colour);
}
