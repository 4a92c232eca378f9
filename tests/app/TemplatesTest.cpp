// Source colouring, the template chooser and the template editor: colours of
// the token rules, the chooser's list and preview, the editor's unpack, edit
// and pack round trip, and damaged packages and lists.
#include "AppTestSupport.h"

#include "app/ChooseTemplate.h"
#include "app/HTMLEditor.h"
#include "app/PagePreview.h"
#include "app/SourceColoring.h"
#include "app/whelp.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {

// The foreground colour of the character at a 1-based position.
QColor ColourAt(QTextEdit &edit, int position)
{
    QTextCursor c(edit.document());
    c.setPosition(position);
    return c.charFormat().foreground().color();
}

// The colour of every character of a piece of the text (first occurrence),
// or an invalid colour when they differ.
QColor ColourOf(QTextEdit &edit, const QString &piece, int from = 0)
{
    const int at = int(edit.toPlainText().indexOf(piece, from));
    EXPECT_GE(at, 0) << piece.toStdString();
    const QColor first = ColourAt(edit, at + 1);
    for (int i = 1; i < piece.size(); ++i)
        if (ColourAt(edit, at + i + 1) != first)
            return QColor();
    return first;
}

// Waits for a web view's load of the address to finish (up to 20 s); true
// when it did. Loads start only once the event loop runs, so the signal
// cannot have come before the wait.
bool WaitLoaded(QWebEngineView *view, const QUrl &expected)
{
    QEventLoop loop;
    bool ok = false;
    auto c = QObject::connect(view, &QWebEngineView::loadFinished, &loop, [&](bool done) {
        if (view->url() == expected) {
            ok = done;
            loop.quit();
        }
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
    return ok;
}

// The value of an expression on the page a web view shows, evaluated in a
// world of its own (the page's own scripts are off).
QVariant OnPage(QWebEngineView *view, const QString &expression)
{
    QVariant value;
    QEventLoop loop;
    view->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld, [&](const QVariant &v) {
        value = v;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return value;
}

// The text of the page a web view shows.
QString PageText(QWebEngineView *view)
{
    return OnPage(view, QStringLiteral("document.documentElement.outerHTML")).toString();
}

// Key presses and releases as a user's typing sends them to the focused widget.
void SendKey(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

void Type(QWidget *target, const QString &text)
{
    for (const QChar c : text)
        SendKey(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

QStringList Captions(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

// ---- Source colouring -----------------------------------------------------------------

TEST(SourceColoring, HtmlTagsAttributesTextAndEmbeddedStyleAndScript)
{
    using namespace SourceColors;
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("<p class=\"x\">Hi</p>\n<style>\nh1 {color: red;}\n</style>\n"
                                     "<script>\nif (a) { b(); }\n</script>"));
    edit.document()->setModified(false);
    QTextCursor keep = edit.textCursor();
    keep.setPosition(3);
    keep.setPosition(5, QTextCursor::KeepAnchor);
    edit.setTextCursor(keep);
    ColorCodeEdit(&edit, ColorModeHtml);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("<p class=")), Red);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("x")), Green);
    EXPECT_EQ(ColourAt(edit, 10), Red); // the opening quote
    EXPECT_EQ(ColourOf(edit, QStringLiteral("Hi")), Blue);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("</p>")), Red);
    // The style body as CSS, the line break before its closing tag kept.
    EXPECT_EQ(ColourOf(edit, QStringLiteral("h1 {")), Blue);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("color:")), Red);
    EXPECT_EQ(ColourOf(edit, QStringLiteral(" red")), Green);
    EXPECT_EQ(ColourOf(edit, QStringLiteral(";}")), Blue);
    const int styleEnd = int(edit.toPlainText().indexOf(QStringLiteral("</style>")));
    EXPECT_EQ(ColourAt(edit, styleEnd), Red); // the "\n" before "</style>" keeps its colour
    // The script body: parentheses green, braces red, the rest black.
    const int script = int(edit.toPlainText().indexOf(QStringLiteral("if (a)")));
    EXPECT_EQ(ColourOf(edit, QStringLiteral("if "), script), Black);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("("), script), Green);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("{"), script), Red);
    EXPECT_EQ(ColourOf(edit, QStringLiteral(" b"), script), Black);
    // The view's selection and modified mark are as they were.
    EXPECT_EQ(edit.textCursor().selectionStart(), 3);
    EXPECT_EQ(edit.textCursor().selectionEnd(), 5);
    EXPECT_FALSE(edit.document()->isModified());
}

TEST(SourceColoring, CssCommentsAndScriptAndEmptyText)
{
    using namespace SourceColors;
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("/* note */\nbody { margin: 0; }"));
    ColorCodeEdit(&edit, ColorModeCss);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("/* note */")), Maroon);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("body {")), Blue);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("margin:")), Red);
    EXPECT_EQ(ColourOf(edit, QStringLiteral(" 0")), Green);

    edit.setPlainText(QStringLiteral("if (x) { y = 1; }"));
    ColorCodeEdit(&edit, ColorModeScript);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("if ")), Black);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("(")), Green);
    EXPECT_EQ(ColourOf(edit, QStringLiteral(")")), Green);
    EXPECT_EQ(ColourOf(edit, QStringLiteral("{")), Red);
    EXPECT_EQ(ColourOf(edit, QStringLiteral(" y = 1; ")), Black);

    edit.clear();
    ColorCodeEdit(&edit, ColorModeHtml);
    EXPECT_TRUE(edit.toPlainText().isEmpty());
}

TEST(SourceColoring, DoubleClickSelectsTheWholeTokenBetweenDelimiters)
{
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("font-family: Arial, Helvetica, sans-serif;"));
    const int at = int(edit.toPlainText().indexOf(QStringLiteral("Helvetica")));
    QTextCursor c = edit.textCursor();
    c.setPosition(at + 2);
    c.setPosition(at + 5, QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
    SelectToken(&edit);
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral("Helvetica"));

    // A selection of blanks only changes nothing.
    edit.setPlainText(QStringLiteral("a   b"));
    c = edit.textCursor();
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
    SelectToken(&edit);
    EXPECT_EQ(edit.textCursor().selectionStart(), 1);
    EXPECT_EQ(edit.textCursor().selectionEnd(), 3);
}

// ---- Template chooser -----------------------------------------------------------------

struct ChooserFixture : ::testing::Test {
    ScratchDir dir;
    ProgramFolderOverride program{dir.path()};
    QString folder() const { return dir.path() + QStringLiteral("/"); }
    void writeIni(const QByteArray &text)
    {
        testsupport::writeFile(dir.file(QStringLiteral("templates/templates.ini")), text);
    }
};

TEST_F(ChooserFixture, ListsTheBlocksOfferedForTheOutputAndPreviewsThem)
{
    testsupport::writeFile(dir.file(QStringLiteral("templates/blue/page.htm")),
                           "<html><body><p id=\"t\">Blue page</p></body></html>");
    testsupport::writeFile(dir.file(QStringLiteral("current/cur.htm")), "<html><body>Current</body></html>");
    writeIni("Name=Blue\r\nPosition=blue\\page.htm\r\nhtmlHelp=yes \r\n\r\n\r\n  \r\n"
             "Name=\r\nPosition=x.htm\r\nhtmlHelp=Yes\r\n\r\n"
             "Name =Spaced\r\nhtmlHelp=Yes\r\n\r\n"
             "Name=Both\r\nPosition=both.htm\r\nhtmlHelp=YES\r\nWebHelp=Yes\r\nExtra=1");
    TfrmChooseTemplate chooser;
    chooser.CurrentTemplate = dir.file(QStringLiteral("current/cur.htm"));
    chooser.TemplateType = QStringLiteral("htmlHelp");
    chooser.LoadTemplate();
    EXPECT_EQ(Captions(chooser.lbTemplateName),
              (QStringList{QStringLiteral("<Current template>"), QStringLiteral("Blue"), QStringLiteral("Both")}));
    EXPECT_FALSE(chooser.OKBtn->isEnabled());
    EXPECT_TRUE(chooser.TemplateFile().isEmpty());
    EXPECT_TRUE(WaitLoaded(chooser.wbPreview, QUrl::fromLocalFile(chooser.CurrentTemplate)));

    chooser.lbTemplateName->setCurrentRow(1);
    EXPECT_TRUE(chooser.OKBtn->isEnabled());
    EXPECT_EQ(chooser.TemplateFile(), folder() + QStringLiteral("templates/blue/page.htm"));
    ASSERT_TRUE(WaitLoaded(chooser.wbPreview, QUrl::fromLocalFile(chooser.TemplateFile())));
    const QString shown = PageText(chooser.wbPreview);
    EXPECT_TRUE(shown.contains(QStringLiteral("Blue page"))) << shown.toStdString();

    chooser.lbTemplateName->setCurrentRow(0);
    EXPECT_FALSE(chooser.OKBtn->isEnabled());

    TfrmChooseTemplate web;
    web.TemplateType = QStringLiteral("WebHelp");
    web.LoadTemplate();
    EXPECT_EQ(Captions(web.lbTemplateName), (QStringList{QStringLiteral("<Current template>"), QStringLiteral("Both")}));
}

TEST_F(ChooserFixture, AMissingOrDamagedListIsReportedOrOffersNothing)
{
    TfrmChooseTemplate chooser;
    chooser.TemplateType = QStringLiteral("htmlHelp");
    try {
        chooser.LoadTemplate();
        FAIL() << "a missing list must be reported";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("templates.ini"))) << e.message().toStdString();
    }
    writeIni(QByteArray("\x00\x01\xFF\xFEgarbage\x00Name\x00=", 19));
    chooser.LoadTemplate();
    EXPECT_EQ(Captions(chooser.lbTemplateName), QStringList{QStringLiteral("<Current template>")});
}

TEST(UnableFound, ListsOnlyPagesAndEnablesOkOnASelection)
{
    ScratchDir dir;
    for (const char *name : {"index.HTM", "style.css", "page.html"})
        testsupport::writeFile(dir.file(QString::fromLatin1(name)), "x");
    TfrmUnableFound unable;
    unable.GetFiles(dir.path());
    QStringList names = Captions(unable.lbAvailablefiles);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("index.HTM"), QStringLiteral("page.html")}));
    EXPECT_FALSE(unable.OKBtn->isEnabled());
    unable.lbAvailablefiles->setCurrentRow(1);
    EXPECT_TRUE(unable.OKBtn->isEnabled());
}

// ---- Template editor ----------------------------------------------------------------------

namespace {

struct EditorFixture : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    TProject project;
    QByteArray stream;

    void SetUp() override
    {
        testsupport::writeFile(dir.file(QStringLiteral("t/page.htm")),
                               "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                               "<link rel=\"stylesheet\" href=\"style.css\"></head>\r\n"
                               "<body><img src=\"logo.GIF\"><p>Caf\xC3\xA9 ($content$)</p></body></html>\r\n");
        testsupport::writeFile(dir.file(QStringLiteral("t/style.css")), "body { color: black; }\r\n");
        testsupport::writeFile(dir.file(QStringLiteral("t/logo.GIF")), "GIF89a-old");
        PackTemplate(dir.file(QStringLiteral("t/page.htm")), stream);
    }
};

QList<TTemplateEntry> Unpacked(const QByteArray &stream)
{
    return ReadTemplateEntries(stream);
}

QByteArray EntryData(const QByteArray &stream, const QString &name)
{
    for (const TTemplateEntry &e : ReadTemplateEntries(stream))
        if (e.Name == name)
            return e.Data;
    return QByteArray("<missing>");
}

} // namespace

TEST_F(EditorFixture, ListsThePageAndItsFilesAndKeepsEditsOnlyThroughSave)
{
    const QByteArray original = stream;
    QString temp;
    {
        TfrmHTMLEditor editor;
        editor.Project = &project;
        editor.Open(&stream);
        temp = editor.tempDir;
        QStringList captions = Captions(editor.lbFiles);
        ASSERT_EQ(captions.size(), 4);
        EXPECT_EQ(captions.mid(0, 2), (QStringList{QStringLiteral("page.htm (Preview)"), QStringLiteral("page.htm (Source)")}));
        EXPECT_EQ(editor.Entry(0)->EditorType, 3);
        EXPECT_EQ(editor.Entry(1)->EditorType, 1);
        EXPECT_EQ(editor.Entry(int(captions.indexOf(QStringLiteral("style.css"))))->EditorType, 1);
        EXPECT_EQ(editor.Entry(int(captions.indexOf(QStringLiteral("logo.GIF"))))->EditorType, 2); // case of the extension ignored
        EXPECT_EQ(editor.Views->currentWidget(), editor.wbEditor);
        EXPECT_FALSE(editor.tbtnColor->isEnabled());

        // Edit the source, go to the preview: the edit is saved first and shows.
        editor.lbFiles->setCurrentRow(1);
        editor.lbFilesClick();
        EXPECT_EQ(editor.Views->currentWidget(), editor.RichEdit1);
        EXPECT_TRUE(editor.tbtnColor->isEnabled());
        EXPECT_TRUE(editor.RichEdit1->toPlainText().contains(QStringLiteral("Caf\u00E9")));
        QTextCursor c = editor.RichEdit1->textCursor();
        c.setPosition(int(editor.RichEdit1->toPlainText().indexOf(QStringLiteral("($content$)"))));
        editor.RichEdit1->setTextCursor(c);
        editor.InsertCode(QStringLiteral("EDITED "));
        EXPECT_EQ(editor.RichEdit1->textCursor().selectedText(), QStringLiteral("EDITED "));
        editor.lbFiles->setCurrentRow(0);
        editor.lbFilesClick();
        ASSERT_TRUE(WaitLoaded(editor.wbEditor, QUrl::fromLocalFile(editor.MainFile)));
        EXPECT_TRUE(PageText(editor.wbEditor).contains(QStringLiteral("Caf\u00E9 EDITED ")));
        EXPECT_EQ(stream, original); // nothing reaches the package without Save
        EXPECT_FALSE(project.ProjectChanged);
    }
    EXPECT_FALSE(QFileInfo::exists(temp)); // the temporary folder goes with the window
    EXPECT_EQ(stream, original);
}

TEST_F(EditorFixture, InsertsColourFontAndCssAndSavesIntoTheSamePackage)
{
    ProgramFolderOverride program(dir.path());
    testsupport::writeFile(dir.file(QStringLiteral("css.dat")), "\xEF\xBB\xBFmargin: 0;\r\n\r\npadding: 2px;\r\n");
    testsupport::writeFile(dir.file(QStringLiteral("fonts.dat")), "Arial, Helvetica, sans-serif\r\nVerdana\r\n");
    testsupport::writeFile(dir.file(QStringLiteral("new.gif")), "GIF89a-new");
    TfrmHTMLEditor editor;
    editor.Project = &project;
    editor.Open(&stream);
    const QStringList captions = Captions(editor.lbFiles);
    editor.lbFiles->setCurrentRow(int(captions.indexOf(QStringLiteral("style.css"))));
    editor.lbFilesClick();
    editor.RichEdit1->moveCursor(QTextCursor::End);
    editor.PickColor = [](const QColor &, QWidget *) { return QColor(255, 136, 0); };
    editor.tbtnColor->click();
    EXPECT_EQ(editor.tbtnColor->property("qcBarColor").value<QColor>(), QColor(255, 136, 0));
    editor.RichEdit1->moveCursor(QTextCursor::End);
    editor.ExecDialog = [](QDialog *d) {
        if (auto *fonts = qobject_cast<TfrmSelectFontName *>(d)) {
            EXPECT_EQ(fonts->lbFont->count(), 2);
            fonts->lbFont->setCurrentRow(0);
            fonts->lbFontClick();
            // Arial and Helvetica in their own faces; the last part keeps the preview's.
            QTextCursor c(fonts->RichEdit1->document());
            c.setPosition(1);
            EXPECT_EQ(c.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
            c.setPosition(10);
            EXPECT_EQ(c.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("Helvetica")});
            c.setPosition(int(fonts->RichEdit1->toPlainText().size()));
            EXPECT_TRUE(c.charFormat().fontFamilies().toStringList().isEmpty());
        }
        if (auto *css = qobject_cast<TfrmCSSCode *>(d)) {
            EXPECT_EQ(Captions(css->lbCode), (QStringList{QStringLiteral("margin: 0;"), QStringLiteral("padding: 2px;")}));
            emit css->lbCode->itemClicked(css->lbCode->item(1));
        }
        return int(QDialog::Accepted);
    };
    editor.tbtnFont->click();
    editor.RichEdit1->moveCursor(QTextCursor::End);
    editor.tbtnCSSCode->click();
    EXPECT_TRUE(editor.RichEdit1->toPlainText().endsWith(
        QStringLiteral("#FF8800Arial, Helvetica, sans-serifpadding: 2px;")))
        << editor.RichEdit1->toPlainText().toStdString();

    // Selecting a colour text shows it on the Color button.
    QTextCursor c = editor.RichEdit1->textCursor();
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor); // "body": no colour
    editor.RichEdit1->setTextCursor(c);
    editor.RichEdit1->setPlainText(editor.RichEdit1->toPlainText() + QStringLiteral(" #00FF00"));
    editor.RichEdit1->document()->setModified(true);
    c = editor.RichEdit1->textCursor();
    c.movePosition(QTextCursor::End);
    c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 7);
    editor.RichEdit1->setTextCursor(c);
    EXPECT_EQ(editor.tbtnColor->property("qcBarColor").value<QColor>(), QColor(0, 255, 0));

    // Replace the image: only GIF files are offered, the name stays.
    editor.lbFiles->setCurrentRow(int(captions.indexOf(QStringLiteral("logo.GIF"))));
    editor.lbFilesClick();
    EXPECT_TRUE(editor.tbtnReplace->isEnabled());
    prompt->files = {dir.file(QStringLiteral("new.gif"))};
    editor.tbtnReplace->click();

    editor.tbtnSave->click();
    EXPECT_TRUE(project.ProjectChanged);
    EXPECT_EQ(GetTemplateMainFile(stream), QStringLiteral("page.htm"));
    EXPECT_TRUE(EntryData(stream, QStringLiteral("style.css")).contains("#FF8800Arial, Helvetica, sans-serifpadding: 2px; #00FF00"));
    EXPECT_EQ(EntryData(stream, QStringLiteral("logo.GIF")), QByteArray("GIF89a-new"));
    EXPECT_EQ(Unpacked(stream).size(), 3);
    EXPECT_TRUE(prompt->messages.isEmpty()) << prompt->messages.join(u'\n').toStdString();
}

TEST_F(EditorFixture, AMissingPageAsksForOneAndALostFolderIsReported)
{
    TfrmHTMLEditor editor;
    editor.Open(&stream);
    testsupport::writeFile(editor.tempDir + QStringLiteral("other.html"), "<html><body>other</body></html>");
    QFile::remove(editor.MainFile);
    int asked = 0;
    editor.ExecDialog = [&](QDialog *d) {
        ++asked;
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Unable to find the template file"));
        return int(QDialog::Rejected);
    };
    editor.Refresh();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(editor.lbFiles->count(), 4); // Cancel leaves the list as it was
    editor.ExecDialog = [&](QDialog *d) {
        auto *unable = qobject_cast<TfrmUnableFound *>(d);
        unable->lbAvailablefiles->setCurrentRow(0);
        return int(QDialog::Accepted);
    };
    editor.Refresh();
    EXPECT_EQ(editor.MainFile, editor.tempDir + QStringLiteral("other.html"));
    EXPECT_EQ(Captions(editor.lbFiles),
              (QStringList{QStringLiteral("other.html (Preview)"), QStringLiteral("other.html (Source)")}));

    ASSERT_TRUE(DeleteFolder(editor.tempDir));
    editor.Refresh();
    EXPECT_EQ(prompt->messages, QStringList{QStringLiteral("The template folder is lost!")});
    EXPECT_EQ(editor.lbFiles->count(), 2);
}

TEST_F(EditorFixture, FilesOutsideThePageFolderAreNeitherListedNorWritten)
{
    // A page that references a file beside its folder: the file is no part
    // of the template and is never offered for editing.
    testsupport::writeFile(dir.file(QStringLiteral("outside.css")), "p {}");
    testsupport::writeFile(dir.file(QStringLiteral("t/page.htm")),
                           "<html><head><link rel=\"stylesheet\" href=\"../outside.css\"></head><body>x</body></html>");
    PackTemplate(dir.file(QStringLiteral("t/page.htm")), stream);
    EXPECT_EQ(Unpacked(stream).size(), 1);
    TfrmHTMLEditor editor;
    editor.Open(&stream);
    EXPECT_EQ(editor.lbFiles->count(), 2);

    // A hostile package whose entry names a file outside the folder writes nothing.
    QByteArray hostile;
    const QString name = QStringLiteral("..\\evil.htm");
    auto int64 = [&](qint64 v) { for (int i = 0; i < 8; ++i) hostile.append(char(v >> (8 * i) & 0xFF)); };
    int64(name.size());
    hostile.append(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
    int64(1);
    hostile.append('x');
    TfrmHTMLEditor second;
    EXPECT_THROW(second.Open(&hostile), Exception);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(second.tempDir).dir().absolutePath() + QStringLiteral("/evil.htm")));
}

TEST_F(EditorFixture, ClosingWithUnsavedEditsAsksToSaveThem)
{
    const QByteArray original = stream;
    // The editor on the window's package, shown, with the page's source in front.
    const auto openSource = [&](TfrmHTMLEditor &editor) {
        editor.Project = &project;
        editor.Open(&stream);
        editor.show();
        editor.lbFiles->setCurrentRow(1);
        editor.lbFilesClick();
    };
    {
        TfrmHTMLEditor editor;
        openSource(editor);
        Type(editor.RichEdit1, QStringLiteral("abc"));
        prompt->answers = {ButtonCancel};
        SendKey(&editor, Qt::Key_Escape);
        EXPECT_TRUE(editor.isVisible()); // Cancel keeps the window and the typing
        ASSERT_EQ(prompt->messages.size(), 1);
        EXPECT_TRUE(prompt->messages[0].contains(QStringLiteral("save the changes")));
        prompt->answers = {ButtonNo};
        editor.close(); // the close box
        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(prompt->messages.size(), 2);
    }
    EXPECT_EQ(stream, original); // discarded
    EXPECT_FALSE(project.ProjectChanged);
    {
        TfrmHTMLEditor editor;
        openSource(editor);
        Type(editor.RichEdit1, QStringLiteral("xyz"));
        prompt->answers = {ButtonYes};
        SendKey(&editor, Qt::Key_Escape);
        EXPECT_FALSE(editor.isVisible());
    }
    EXPECT_TRUE(ReadTemplateEntries(stream)[0].Data.contains("xyz<html>"));
    EXPECT_TRUE(project.ProjectChanged);
    {
        TfrmHTMLEditor editor; // nothing typed: closes without a question
        editor.Open(&stream);
        editor.show();
        SendKey(&editor, Qt::Key_Escape);
        EXPECT_FALSE(editor.isVisible());
    }
    EXPECT_EQ(prompt->messages.size(), 3);
}

TEST_F(EditorFixture, UndoAndRedoStepThroughTypingAndInsertions)
{
    TfrmHTMLEditor editor;
    editor.Open(&stream);
    editor.show();
    editor.lbFiles->setCurrentRow(1);
    editor.lbFilesClick();
    QTextEdit *view = editor.RichEdit1;
    const QString start = view->toPlainText();
    Type(view, QStringLiteral("ab"));
    editor.InsertCode(QStringLiteral("<b>"));
    ASSERT_EQ(view->toPlainText(), QStringLiteral("ab<b>") + start);
    const auto undo = [&] { SendKey(view, Qt::Key_Z, Qt::ControlModifier); };
    const auto redo = [&] { SendKey(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); };
    undo();
    EXPECT_EQ(view->toPlainText(), QStringLiteral("ab") + start);
    undo();
    EXPECT_EQ(view->toPlainText(), QStringLiteral("a") + start);
    EXPECT_EQ(view->textCursor().position(), 1); // the caret stands where the undone typing was
    redo();
    redo();
    EXPECT_EQ(view->toPlainText(), QStringLiteral("ab<b>") + start);
    EXPECT_EQ(ColourOf(*view, QStringLiteral("<b>")), SourceColors::Red); // still coloured
    undo();
    undo();
    undo();
    undo(); // one more than there are steps: nothing happens
    EXPECT_EQ(view->toPlainText(), start);
    redo();
    Type(view, QStringLiteral("c")); // a new edit ends what could be redone
    EXPECT_EQ(view->toPlainText(), QStringLiteral("ac") + start);
    EXPECT_FALSE(editor.CanRedo());
    undo();
    EXPECT_EQ(view->toPlainText(), QStringLiteral("a") + start);
}

// Every web view of the program shows a template page as a picture: the
// page's script does not run, and it reads nothing outside its folder.
TEST(TemplatePreviews, AHostilePageRunsNoScriptAndReadsNothingOutsideItsFolder)
{
    ScratchDir dir;
    ProgramFolderOverride program(dir.path());
    testsupport::writeFile(dir.file(QStringLiteral("templates/templates.ini")), "");
    QDir().mkpath(dir.file(QStringLiteral("t")));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(dir.file(QStringLiteral("t/inside.png"))));
    ASSERT_TRUE(picture.save(dir.file(QStringLiteral("outside.png"))));
    testsupport::writeFile(dir.file(QStringLiteral("secret.htm")), "<html><body>SECRET</body></html>");
    const QString outsidePicture = QUrl::fromLocalFile(dir.file(QStringLiteral("outside.png"))).toString();
    const QString secret = QUrl::fromLocalFile(dir.file(QStringLiteral("secret.htm"))).toString();
    const QString page = QStringLiteral(
        "<html><body><p id=\"t\">STATIC</p>"
        "<script>document.getElementById('t').textContent = 'SCRIPT RAN';"
        "new WebSocket('ws://127.0.0.1:9/');</script>"
        "<img id=\"in\" src=\"inside.png\"><img id=\"out\" src=\"%1\">"
        "<iframe id=\"f\" src=\"%2\"></iframe></body></html>").arg(outsidePicture, secret);
    testsupport::writeFile(dir.file(QStringLiteral("t/page.htm")), page.toUtf8());

    const auto check = [&](TPagePreview *view, const QString &file) {
        ASSERT_TRUE(WaitLoaded(view, QUrl::fromLocalFile(file)));
        EXPECT_EQ(OnPage(view, QStringLiteral("document.getElementById('t').textContent")).toString(),
                  QStringLiteral("STATIC"));
        EXPECT_EQ(OnPage(view, QStringLiteral("document.getElementById('in').naturalWidth")).toInt(), 8);
        EXPECT_EQ(OnPage(view, QStringLiteral("document.getElementById('out').naturalWidth")).toInt(), 0);
        EXPECT_TRUE(view->Refused().contains(outsidePicture)) << view->Refused().join(u' ').toStdString();
        EXPECT_TRUE(view->Refused().contains(secret)) << view->Refused().join(u' ').toStdString();
    };
    TfrmChooseTemplate chooser;
    chooser.TemplateType = QStringLiteral("htmlHelp");
    chooser.CurrentTemplate = dir.file(QStringLiteral("t/page.htm"));
    chooser.LoadTemplate();
    check(chooser.wbPreview, chooser.CurrentTemplate);

    QByteArray stream;
    PackTemplate(dir.file(QStringLiteral("t/page.htm")), stream);
    TfrmHTMLEditor editor;
    editor.Open(&stream);
    check(editor.wbEditor, editor.MainFile);
}

// ---- The main window's Choose and Edit buttons --------------------------------------------

TEST(MainWindowTemplates, ChooseReplacesThePackageAndEditSavesIntoIt)
{
    ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    const QString file = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(file);
    const auto opened = OpenMainWindow(file);
    TfrmMain &window = *opened;
    ASSERT_TRUE(window.btnWebhelpChooseTemplate->isEnabled());
    ASSERT_TRUE(window.btnCHMTemplateEdit->isEnabled());

    bool sawStandard = false;
    QTimer::singleShot(0, [&] {
        auto *chooser = qobject_cast<TfrmChooseTemplate *>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        const QStringList names = Captions(chooser->lbTemplateName);
        const int row = int(names.indexOf(QStringLiteral("Standard")));
        sawStandard = row > 0;
        chooser->lbTemplateName->setCurrentRow(row);
        chooser->OKBtn->click();
    });
    window.btnWebhelpChooseTemplate->click();
    ASSERT_TRUE(sawStandard);
    QByteArray expected;
    PackTemplate(ProgramFolder() + QStringLiteral("templates/standard1/template.htm"), expected);
    EXPECT_EQ(window.Project().WebHelpTemplateStream, expected);
    EXPECT_TRUE(window.Project().ProjectChanged);

    QTimer::singleShot(0, [&] {
        auto *editor = qobject_cast<TfrmHTMLEditor *>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        editor->lbFiles->setCurrentRow(1);
        editor->lbFilesClick();
        editor->RichEdit1->moveCursor(QTextCursor::End);
        editor->InsertCode(QStringLiteral("<!-- edited -->"));
        editor->ToolButton2->click();
    });
    window.btnCHMTemplateEdit->click();
    EXPECT_TRUE(ReadTemplateEntries(window.Project().HtmlHelpTemplateStream)[0].Data.contains("<!-- edited -->"));
    EXPECT_TRUE(prompt->messages.isEmpty()) << prompt->messages.join(u'\n').toStdString();
    window.Project().ProjectChanged = false;
}

// ---- A template edited in the editor, built by the program as a batch ------------------------

namespace {
// True when some file below folder (pages of the given extensions) contains text.
bool AnyPageContains(const QString &folder, const QByteArray &text)
{
    for (const QFileInfo &fi : QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir() ? AnyPageContains(fi.filePath(), text)
                       : (fi.suffix().startsWith(u"htm", Qt::CaseInsensitive)
                          && testsupport::readFile(fi.filePath()).contains(text)))
            return true;
    }
    return false;
}

// Adds a marker to the template page's source in the editor and saves.
void EditTemplate(TProject &project, QByteArray &stream, const QString &marker)
{
    TfrmHTMLEditor editor;
    editor.Project = &project;
    editor.Open(&stream);
    editor.lbFiles->setCurrentRow(1);
    editor.lbFilesClick();
    const QString text = editor.RichEdit1->toPlainText();
    QTextCursor c = editor.RichEdit1->textCursor();
    c.setPosition(int(text.indexOf(QStringLiteral("($content$)"))));
    editor.RichEdit1->setTextCursor(c);
    editor.InsertCode(QStringLiteral("<p>") + marker + QStringLiteral("</p>"));
    editor.tbtnSave->click();
}
} // namespace

TEST(TemplateEditorBuild, AnEditedTemplateShowsInTheBuiltPages)
{
    if (QStandardPaths::findExecutable(QStringLiteral("extract_chmLib")).isEmpty())
        GTEST_SKIP() << "extract_chmLib is not installed";
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    ScratchDir dir;
    const QString example = dir.file(QStringLiteral("example"));
    testsupport::copyTree(testsupport::sourceDir() + QStringLiteral("/examples/sample"), example);
    const QString file = example + QStringLiteral("/SampleManual.qvx");
    TProject project;
    project.ReadFromIni(file);
    EditTemplate(project, project.WebHelpTemplateStream, QStringLiteral("WEB-EDIT-MARK"));
    EditTemplate(project, project.HtmlHelpTemplateStream, QStringLiteral("CHM-EDIT-MARK"));
    ASSERT_TRUE(prompt->messages.isEmpty()) << prompt->messages.join(u'\n').toStdString();
    project.PDFOutput = false;
    project.SaveToIni(file);

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
    run.setProcessEnvironment(env);
    run.start(testsupport::buildDir() + QStringLiteral("/bin/quillcraft"), {file, QStringLiteral("/bs")});
    ASSERT_TRUE(run.waitForFinished(300000));
    ASSERT_EQ(run.exitCode(), 0) << testsupport::readFile(example + QStringLiteral("/SampleManual.log")).toStdString();
    EXPECT_TRUE(AnyPageContains(example + QStringLiteral("/WebHelp"), "WEB-EDIT-MARK"));
    EXPECT_FALSE(AnyPageContains(example + QStringLiteral("/WebHelp"), "CHM-EDIT-MARK"));
    const QString unpacked = dir.file(QStringLiteral("chm"));
    QProcess extract;
    extract.start(QStringLiteral("extract_chmLib"), {example + QStringLiteral("/HTML help/help.chm"), unpacked});
    ASSERT_TRUE(extract.waitForFinished(60000));
    ASSERT_EQ(extract.exitCode(), 0);
    EXPECT_TRUE(AnyPageContains(unpacked, "CHM-EDIT-MARK"));
}
