// Driving the document engine: open the working copy, write the markers
// that carry headings, Flash objects, shape links, canvas maps, index
// entries, cross-references and heading properties through the HTML export,
// save as filtered HTML and close without saving.
#include "builder/WordDoc.h"

#include "foundation/HTMLProcess.h"
#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "foundation/WordFunctions.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "project/ProjectSetting.h"

#include <QDir>

namespace {

// Field types of the engine (Word's numbers).
constexpr int wdFieldEmpty = -1;
constexpr int wdFieldRef = 3;
constexpr int wdFieldIndexEntry = 4;
constexpr int wdStyleHyperlink = -86;

QStringList CaptureFlash(const word::OLEObject &obj, double height, double width)
{
    static const char *const props[] = {
        "AlignMode", "AllowFullScreen", "AllowNetworking", "AllowScriptAccess", "BackgroundColor",
        "Base",      "BGColor",         "DeviceFont",      "EmbedMovie",        "FlashVars",
        "FrameNum",  "Loop",            "Menu",            "Movie",             "Playing",
        "Profile",   "ProfileAddress",  "ProfilePort",     "Quality",           "Quality2",
        "SAlign",    "Scale",           "ScaleMode",       "SWRemote",          "WMode"};
    QStringList lines;
    for (const char *p : props)
        lines << QLatin1String(p) + u'=' + obj.Property(QLatin1String(p));
    lines << QStringLiteral("Height=") + PointsToPixelsText(height);
    lines << QStringLiteral("Width=") + PointsToPixelsText(width);
    return lines;
}

// A Flash control is captured into objects, its marker written after it
// and the shape deleted; gives false, changing nothing, for other controls.
template <class ShapeT>
bool ReplaceFlash(TOLEObjects &objects, ShapeT &shape, word::Range after)
{
    const word::OLEFormat format = shape.OLEFormat();
    if (!format.ClassType().contains(u"ShockwaveFlash", Qt::CaseInsensitive))
        return false;
    objects.Add(CaptureFlash(format.Object(), shape.Height(), shape.Width()));
    after.InsertAfter(FlashMarker + QString::number(objects.Count() - 1) + u')');
    shape.Delete();
    return true;
}

// The area element of one canvas item; empty for an item without a link or
// one that cannot be read. Coordinates are pixels from the item's position
// and size in points.
QString CanvasItemArea(const word::Shape &item)
{
    try {
        const word::Hyperlink link = item.Hyperlink();
        if (link.SubAddress().isEmpty() && link.Address().isEmpty())
            return QString();
        QString area = QStringLiteral("<area href=\"") +
                       (link.SubAddress().isEmpty() ? link.Address() : u'#' + link.SubAddress()) + u'"';
        if (!link.Target().isEmpty())
            area += QStringLiteral(" target=\"") + link.Target() + u'"';
        const double left = item.Left(), top = item.Top();
        area += QStringLiteral(" shape=\"rect\" coords=\"") + PointsToPixelsText(left) + u',' +
                PointsToPixelsText(top) + u',' + PointsToPixelsText(left + item.Width()) + u',' +
                PointsToPixelsText(top + item.Height()) + u'"';
        if (!link.ScreenTip().isEmpty())
            area += QStringLiteral(" title=\"") + link.ScreenTip() + QStringLiteral("\">\r\n");
        else
            area += QStringLiteral(">\r\n");
        return area;
    } catch (const Exception &) {
        return QString();
    }
}

} // namespace

void TWordDoc::DoCreate(const QString &WordFile)
{
    SetPosition(0);
    IndexList.clear();
    Headings.Clear();
    OLEObjs.Clear();
    AttachedFiles.clear();
    BookmarkAndUrls.clear();
    BookmarkIndex.clear();
    ExternalFiles.clear();
    ExternalNames.clear();
    MapCodes.clear();
    FileName = WordFile;

    tempDir = UniqueTempFolderName();
    DeleteFolder(tempDir.chopped(1));
    if (!QDir().mkpath(tempDir))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(tempDir));
    SetPosition(1);

    ConvertWordToHTML();
    SetPosition(80);

    QString error;
    Source = LoadTextFileSafe(tempDir + QStringLiteral("doc.htm"), QString(), &error);
    if (!error.isEmpty())
        throw Exception(error);
    Source = RemoveScripts(Source);
    Source = ProcessSource(Source);
    ProcessOLEObj();
    const THtmlBodySplit split = SplitHtmlBody(Source);
    BeforeBody = StyleToFile(split.BeforeBody, tempDir);
    Body = split.Body;
    AfterBody = split.AfterBody;
    RemoveSections();
    SetPosition(100);
}

void TWordDoc::ConvertShapes(word::Document &Doc)
{
    int inlineCount = Doc.InlineShapes().Count();
    for (int k = 1; k <= inlineCount;) {
        word::InlineShape shape = Doc.InlineShapes().Item(k);
        if (shape.Type() == word::shapes::wdInlineShapeOLEControlObject && ReplaceFlash(OLEObjs, shape, shape.Range()))
            --inlineCount; // the next shape has moved into place k
        else
            ++k;
    }

    int shapeCount = Doc.Shapes().Count();
    for (int k = 1; k <= shapeCount;) {
        word::Shape shape = Doc.Shapes().Item(k);
        switch (shape.Type()) {
        case word::shapes::msoAutoShape:
            try {
                const word::Hyperlink link = shape.Hyperlink();
                if (!link.SubAddress().isEmpty())
                    shape.setAlternativeText(shape.AlternativeText() + ShapeLinkMarker + u'#' + link.SubAddress() +
                                             u';' + link.Target() + u';' + link.ScreenTip());
                else
                    shape.setAlternativeText(shape.AlternativeText() + ShapeLinkMarker + link.Address() + u';' +
                                             link.Target() + u';' + link.ScreenTip());
            } catch (const Exception &) {
                // A shape without a hyperlink keeps its text.
            }
            ++k;
            break;
        case word::shapes::msoCanvas: {
            const word::CanvasItems items = shape.CanvasItems();
            QString areas;
            for (int j = items.Count(); j >= 1; --j)
                areas += CanvasItemArea(items.Item(j));
            if (!areas.isEmpty()) {
                const QString number = QString::number(MapCodes.size());
                MapCodes << QStringLiteral("<map name=\"WordMap") + number + QStringLiteral("\">\r\n") + areas +
                                QStringLiteral("</map>\r\n");
                shape.setAlternativeText(shape.AlternativeText() + CanvasMapMarker + number + u')');
            }
            ++k;
            break;
        }
        case word::shapes::msoOLEControlObject:
            if (ReplaceFlash(OLEObjs, shape, shape.Anchor()))
                --shapeCount;
            else
                ++k;
            break;
        default:
            ++k;
        }
    }
}

void TWordDoc::WalkParagraphs(word::Document &Doc)
{
    IndexList.clear();
    int h = -1;
    QStringList keywords;
    THeadingProperty property;
    if (Doc.Paragraphs().Count() == 0)
        return;
    for (word::Paragraph para = Doc.Paragraphs().Item(1); !para.isNull(); para = para.Next()) {
        const int level = para.OutlineLevel();
        if (level < 10) {
            para.Range().InsertBefore(HeadingMarker + QString::number(level));
            if (h >= 0) {
                IndexList.push_back(keywords);
                Headings.Add(std::make_unique<THeadingProperty>(property));
            }
            keywords.clear();
            property = THeadingProperty();
            ++h;
        }
        word::Fields fields = para.Range().Fields();
        for (int f = fields.Count(); f >= 1; --f) {
            word::Field field = fields.Item(f);
            switch (field.Type()) {
            case wdFieldIndexEntry:
                if (h >= 0)
                    keywords << IndexEntryKeyword(field.Code().Text());
                field.Delete();
                break;
            case wdFieldRef: {
                const QString bookmark = CrossReferenceBookmark(field.Code().Text());
                if (!bookmark.isEmpty()) {
                    field.Code().setText(QStringLiteral("HYPERLINK \\l \"") + bookmark + u'"');
                    field.Update();
                    field.Result().setStyle(wdStyleHyperlink);
                }
                break;
            }
            case wdFieldEmpty:
                if (h >= 0)
                    property = ParsePropertyField(field.Code().Text());
                field.Delete();
                break;
            default:
                break;
            }
        }
    }
    SetPosition(50);
    if (h >= 0) {
        IndexList.push_back(keywords);
        Headings.Add(std::make_unique<THeadingProperty>(property));
    }
}

void TWordDoc::ConvertWordToHTML()
{
    MapCodes.clear();
    // The page is written in the HTML Help output charset and read back by
    // the name it declares. HTML Help pages that could not carry their text
    // in that charset are refused before the document is opened; WebHelp
    // pages are UTF-8 in the end, so there the conversion keeps UTF-8.
    int codePage = 0;
    try {
        codePage = PageCodePage(Project ? Project->HtmlHelpOutputEncoding : QString());
    } catch (const Exception &e) {
        if (OutputType == 1)
            throw Exception(e.message() + QStringLiteral(" Choose another charset on the HTML Help tab of the project \"%1\".")
                                              .arg(QDir::toNativeSeparators(Project->ProjectFilename)));
    }
    const int version = FirstNumber(WordApplication->Version());
    word::Document *doc = WordApplication->Documents().Open(FileName);
    doc->AcceptAllRevisions();
    if (version > 11)
        doc->setFinal(false);
    if (doc->ReadOnly())
        throw Exception(QStringLiteral("Cannot process Read-only document."));
    if (doc->IsMasterDocument()) {
        doc->Subdocuments().setExpanded(true);
        doc->Subdocuments().Delete();
    }
    OLEObjs.Clear();
    if (doc->InlineShapes().Count() + doc->Shapes().Count() > 0)
        ConvertShapes(*doc);
    SetPosition(40);

    WalkParagraphs(*doc);

    word::WebOptions &web = doc->WebOptions();
    // An empty charset name keeps the engine's UTF-8.
    if (codePage > 0)
        web.setEncoding(codePage);
    web.setUseLongFileNames(true);
    web.setOrganizeInFolder(true);
    web.setRelyOnVML(false);
    web.setAllowPNG(true);
    FilesFolder = QStringLiteral("doc") + web.FolderSuffix();
    doc->SaveAs(tempDir + QStringLiteral("doc.htm"), word::wdFormatFilteredHTML);
    doc->Close(word::wdDoNotSaveChanges);
}
