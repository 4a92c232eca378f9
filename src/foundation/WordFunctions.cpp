#include "foundation/WordFunctions.h"

#include "platform/Exception.h"
#include "platform/PdfCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace {

// The version text of the document engine: it stands for Word 2016 and later,
// so .docx sources and PDF output are offered.
const QString EngineVersion = QStringLiteral("16.0");

// Pixels per inch of the pages the system writes. There is no screen in a
// batch run, and pages must not differ by the machine that built them, so
// the CSS reference resolution is used.
constexpr double PixelsPerInch = 96.0;

QString quoted(const QString &path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

// A whole decimal number with an optional sign, as the 32-bit integer parser
// reads it; anything else is a conversion error.
int StrToInt(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

// Removes spaces and control characters at both ends.
QString TrimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

// Splits a text into lines at CR, LF or CR LF; a line break at the very end
// does not start another line.
QStringList TextLines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.isEmpty())
        return {};
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

} // namespace

bool IsWordInstalled()
{
    return true;
}

int GetWordVersion()
{
    return FirstNumber(EngineVersion);
}

int FirstNumber(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && !(text.at(start) >= QLatin1Char('0') && text.at(start) <= QLatin1Char('9')))
        ++start;
    qsizetype end = start;
    while (end < text.size() && text.at(end) >= QLatin1Char('0') && text.at(end) <= QLatin1Char('9'))
        ++end;
    return start == end ? 0 : StrToInt(text.mid(start, end - start));
}

void OpenInWord(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        throw Exception(QStringLiteral("The document %1 does not exist.").arg(quoted(fileName)));
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        throw Exception(QStringLiteral("xdg-open is not installed; it is needed to open %1.")
                            .arg(quoted(fileName)));
    // An absolute path, so that a name starting with "-" is not taken for an option.
    QProcess opening;
    opening.setProgram(opener);
    opening.setArguments({info.absoluteFilePath()});
    opening.setStandardInputFile(QProcess::nullDevice());
    if (!opening.startDetached())
        throw Exception(QStringLiteral("The document %1 could not be opened: %2")
                            .arg(quoted(fileName), opening.errorString()));
}

void SetPdfViewerOptions(const QString &source, const QString &target, int panes,
                         int magnification, int pageLayout)
{
    if (panes == 0 && magnification == 0 && pageLayout == 0)
        return;
    pdf::SetViewEntries(source, target, PdfViewEntries(panes, magnification, pageLayout));
}

pdf::ViewEntries PdfViewEntries(int panes, int magnification, int pageLayout)
{
    pdf::ViewEntries entries;
    switch (panes) {
    case 1: entries.pageMode = "UseOutlines"; break;
    case 2: entries.pageMode = "UseThumbs"; break;
    default: break;
    }
    switch (magnification) {
    case 1: entries.openView = pdf::OpenView::Fit; break;
    case 2: entries.openView = pdf::OpenView::FitWidth; break;
    case 3: entries.openView = pdf::OpenView::FitVisible; break;
    case 4: entries.openView = pdf::OpenView::ActualSize; break;
    default: break;
    }
    switch (pageLayout) {
    case 1: entries.pageLayout = "SinglePage"; break;
    case 3: entries.pageLayout = "TwoColumnRight"; break;
    default: break;
    }
    return entries;
}

QDateTime OutputDate(const QDateTime &fallback)
{
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("SOURCE_DATE_EPOCH").trimmed().toLongLong(&ok);
    // Years 1970 to 9999: what a PDF date can say.
    if (ok && seconds >= 0 && seconds <= 253402300799)
        return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return fallback;
}

void StringToFont(const QString &description, TFont &font)
{
    QString text = description;
    text.replace(QLatin1Char(','), QLatin1Char('\n'));
    const QStringList fields = TextLines(text);
    if (fields.size() != 4)
        return;
    // Both numbers are read before anything changes, so a bad one leaves
    // the font as it was.
    const int size = StrToInt(fields[1]);
    const int color = StrToInt(fields[2]);
    font.Name = fields[0];
    font.Size = size;
    font.Color = color;
    const QString &styles = fields[3];
    font.Bold = styles.contains(QLatin1Char('B'));
    font.Italic = styles.contains(QLatin1Char('I'));
    font.Underline = styles.contains(QLatin1Char('U'));
    font.StrikeOut = styles.contains(QLatin1Char('S'));
}

QString PointsToPixelsText(double points)
{
    if (!std::isfinite(points))
        return QStringLiteral("0");
    // nearbyint rounds halves to the even neighbour in the default mode.
    return QString::number(static_cast<qint64>(std::nearbyint(points * PixelsPerInch / 72.0)));
}

QStringList SplitToList(const QString &text, const QString &separator)
{
    QStringList list;
    if (text.isEmpty())
        return list;
    if (separator.isEmpty())
        return {TrimControls(text)};
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(separator); at >= 0; at = text.indexOf(separator, from)) {
        list << TrimControls(text.mid(from, at - from));
        from = at + separator.size();
    }
    list << TrimControls(text.mid(from));
    return list;
}
