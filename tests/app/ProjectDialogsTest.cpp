// The project's setting dialogs: the HTML Help window designer and its font
// window, the context map options, the navigation settings and the WebHelp
// interface translation, alone and opened from the main window.
#include "AppTestSupport.h"

#include "app/ContextSetting.h"
#include "app/Designer.h"
#include "app/Font.h"
#include "app/SetNavigation.h"
#include "app/WebHelpInterface.h"
#include "app/whelp.h"
#include "builder/Webhelp.h"
#include "foundation/HTMLProcess.h"
#include "project/Contents.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QImage>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {

QStringList IniLines(const TCHMProject &chm)
{
    TProject p;
    QStringList lines;
    p.CHMProjectSaveToIni(chm, lines, QStringLiteral("CHMSetting"));
    return lines;
}

bool TabShown(const QTabWidget *tabs, const QWidget *page)
{
    return tabs->isTabVisible(tabs->indexOf(const_cast<QWidget *>(page)));
}

QStringList Items(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

void Tick(QListWidget *list, int row, bool on)
{
    list->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

bool Ticked(const QListWidget *list, int row)
{
    return list->item(row)->checkState() == Qt::Checked;
}

// Runs act on the modal dialog of type D as soon as it is shown.
template <typename D> void WhenShown(std::function<void(D &)> act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

} // namespace

TEST(FontString, SplitsAtCommasAndFallsBackOnBadPieces)
{
    auto f = TFontString::Parse(QStringLiteral(" Arial , 10 , 134"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Face, QStringLiteral("Arial"));
    EXPECT_EQ(f->Size, 10);
    EXPECT_EQ(f->Charset, 134);
    f = TFontString::Parse(QStringLiteral("Arial,big,west"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Size, 8);
    EXPECT_EQ(f->Charset, 0);
    EXPECT_FALSE(TFontString::Parse(QStringLiteral("Arial,10")));

    const QFont standard = TfrmDesigner::FontFromString(QStringLiteral(",8,0"));
    EXPECT_EQ(standard.family(), QFont().family());
    EXPECT_EQ(standard.pointSize(), 8);
    EXPECT_EQ(TfrmDesigner::FontFromString(QStringLiteral("Arial,x,y")).pointSize(), 8);
    EXPECT_EQ(TfrmDesigner::FontFromString(QStringLiteral("Arial,12,0")).pointSize(), 12);
}

TEST(FontWindow, FillsFromTheStringAndWritesItBack)
{
    TfrmFont font;
    EXPECT_EQ(font.windowTitle(), QStringLiteral("Font"));
    EXPECT_EQ(font.edtSize->value(), 8);
    EXPECT_EQ(font.cbCharacterSet->currentIndex(), 0);
    EXPECT_EQ(font.cbCharacterSet->count(), 23);
    font.FontString = QStringLiteral("Arial,10,134");
    font.GetFontAndSize();
    EXPECT_EQ(font.cbFont->currentText(), QStringLiteral("Arial"));
    EXPECT_EQ(font.edtSize->value(), 10);
    EXPECT_EQ(font.cbCharacterSet->currentText(), QStringLiteral("134 GB2312 - (PRC) Chinese (Simplified)"));
    font.edtSize->setValue(12);
    font.cbCharacterSet->setCurrentIndex(font.cbCharacterSet->findText(QStringLiteral("204 RUSSIAN")));
    font.accept();
    EXPECT_EQ(font.FontString, QStringLiteral("Arial,12,204"));
    EXPECT_EQ(font.fontName, QStringLiteral("Arial"));
    EXPECT_EQ(font.fontSize, 12);

    // An unknown character set shows no entry, and OK keeps the stored number.
    TfrmFont odd;
    odd.FontString = QStringLiteral("No Such Face Here,9,999");
    odd.GetFontAndSize();
    EXPECT_EQ(odd.cbCharacterSet->currentIndex(), -1);
    EXPECT_GE(odd.cbFont->findText(QStringLiteral("No Such Face Here")), 0); // listed beside the installed fonts
    odd.accept();
    EXPECT_EQ(odd.FontString, QStringLiteral("No Such Face Here,9,999"));

    // Default: empty face, 8 points, the first set. A comma typed in the face
    // cannot add a piece to the string.
    odd.btnDefault->click();
    odd.cbFont->setEditText(QStringLiteral("Bad,Face"));
    odd.accept();
    EXPECT_EQ(odd.FontString, QStringLiteral("BadFace,8,0"));
}

struct DesignerFixture : ::testing::Test {
    TCHMProject chm;
    TfrmDesigner designer;
};

TEST_F(DesignerFixture, UnchangedOkWritesBackWhatWasLoadedIncludingTheInvertedBoxes)
{
    chm.Left = 40;
    chm.Top = 30;
    chm.Width = 640;
    chm.Height = 480;
    chm.PaneWidth = 222;
    chm.HideToolbar = true;
    chm.HideToolbarText = true;
    chm.Jump1 = true;
    chm.Maximize = false;
    chm.AutoTrack = true;
    chm.SelectRow = true;
    chm.DrawLines = false;
    chm.ContentsFont = QStringLiteral("Arial,10,0");
    chm.DefaultTab = 1;
    designer.ClassToControl(chm, true);
    EXPECT_FALSE(designer.cbHideToolbar->isChecked());
    EXPECT_FALSE(designer.cbHideToolbarText->isChecked());
    EXPECT_EQ(designer.pcPan->currentWidget(), designer.tsIndex);
    EXPECT_EQ(designer.cbDefaultTab->currentText(), QStringLiteral("Index"));
    EXPECT_EQ(designer.pcSettings->currentIndex(), 0);
    TCHMProject out;
    designer.ControlToClass(out);
    EXPECT_EQ(IniLines(out), IniLines(chm));

    // Cancel is the opener's business: nothing reaches the settings without
    // ControlToClass.
    designer.cbBack->click();
    EXPECT_EQ(IniLines(chm), IniLines(out));
}

TEST_F(DesignerFixture, TheDefaultTabIsReadBackAsAPaneAmongAllFour)
{
    chm.Content = false;
    chm.DefaultTab = 2; // Search, the second of the ticked panes
    designer.ClassToControl(chm, true);
    EXPECT_EQ(Items(designer.cbDefaultTab), (QStringList{"Index", "Search", "Favorites"}));
    EXPECT_EQ(designer.pcPan->currentWidget(), designer.tsSearch);
    EXPECT_EQ(designer.cbDefaultTab->currentText(), QStringLiteral("Search"));
    TCHMProject out;
    designer.ControlToClass(out);
    EXPECT_EQ(out.DefaultTab, 2);

    // Choosing an entry makes its pane active; an unticked pane's number
    // falls back to the first ticked pane.
    designer.cbDefaultTab->setCurrentIndex(2);
    emit designer.cbDefaultTab->activated(2);
    designer.ControlToClass(out);
    EXPECT_EQ(out.DefaultTab, 3);
    chm.DefaultTab = 0;
    designer.ClassToControl(chm, true);
    EXPECT_EQ(designer.pcPan->currentWidget(), designer.tsIndex);
}

TEST_F(DesignerFixture, PaneBoxesShowAndHideThePaneToolbarAndTabs)
{
    designer.ClassToControl(chm, true);
    EXPECT_FALSE(designer.pnlPan->isHidden());
    for (QCheckBox *box : {designer.cbContent, designer.cbIndex, designer.cbSearch, designer.cbFavorite})
        box->click();
    EXPECT_TRUE(designer.pnlPan->isHidden());
    EXPECT_FALSE(designer.cbHide->isChecked());
    EXPECT_FALSE(designer.cbHide->isEnabled());
    EXPECT_EQ(designer.cbDefaultTab->count(), 0);
    EXPECT_FALSE(TabShown(designer.pcSettings, designer.tsTOC));
    designer.cbSearch->click();
    EXPECT_FALSE(designer.pnlPan->isHidden());
    EXPECT_TRUE(designer.cbHide->isEnabled());

    designer.cbShowPane->click(); // off
    EXPECT_TRUE(designer.tbMock->isHidden());
    EXPECT_TRUE(designer.pnlPan->isHidden());
    EXPECT_FALSE(TabShown(designer.pcSettings, designer.tsToolbar));
    EXPECT_FALSE(TabShown(designer.pcSettings, designer.tsNav));
    EXPECT_FALSE(TabShown(designer.pcSettings, designer.tsTOC));
    EXPECT_FALSE(designer.cbHideToolbar->isEnabled());
    EXPECT_FALSE(designer.cbViewPannel->isEnabled());
    designer.cbShowPane->click(); // on again
    EXPECT_FALSE(designer.tbMock->isHidden());
    EXPECT_TRUE(TabShown(designer.pcSettings, designer.tsNav));

    designer.cbHideToolbar->click();
    EXPECT_TRUE(designer.tbMock->isHidden());
    designer.cbBack->click();
    EXPECT_FALSE(designer.tbBack->isVisible());
    designer.cbShowMenu->click();
    EXPECT_FALSE(designer.mnuMock->isHidden());
}

TEST_F(DesignerFixture, SelectEntireRowAndDrawLinesExcludeEachOther)
{
    chm.SelectRow = false;
    chm.DrawLines = true;
    designer.ClassToControl(chm, true);
    Tick(designer.clbTOC, 1, true);
    EXPECT_TRUE(Ticked(designer.clbTOC, 1));
    EXPECT_FALSE(Ticked(designer.clbTOC, 5));
    EXPECT_EQ(designer.tvContents->selectionBehavior(), QAbstractItemView::SelectRows);
    Tick(designer.clbTOC, 5, true);
    EXPECT_TRUE(Ticked(designer.clbTOC, 5));
    EXPECT_FALSE(Ticked(designer.clbTOC, 1));
    EXPECT_EQ(designer.tvContents->selectionBehavior(), QAbstractItemView::SelectItems);
    Tick(designer.clbTOC, 4, false);
    EXPECT_FALSE(designer.tvContents->rootIsDecorated());
}

// The mock-up's tree is drawn as the three TOC settings say: dotted lines
// beside a page, a plus/minus square on a book, the highlight over the whole
// row or the title alone.
TEST_F(DesignerFixture, TheContentsTreeFollowsLinesSquaresAndWholeRowSelection)
{
    chm.SelectRow = false;
    chm.DrawLines = false;
    chm.PlusMinus = false;
    designer.ClassToControl(chm, true);
    designer.show();
    TMockTree *tree = designer.tvContents;
    QTreeWidgetItem *page = tree->topLevelItem(0)->child(0);   // Topic 1.1
    QTreeWidgetItem *book = tree->topLevelItem(0)->child(1);   // Book 1.2, closed
    tree->setCurrentItem(page);
    const QColor base = tree->palette().color(QPalette::Base);
    // Pixels that differ from the background in the area left of an item, and
    // whether the row's right end is highlighted.
    const auto inked = [&](QTreeWidgetItem *item) {
        QApplication::processEvents();
        const QImage shot = tree->viewport()->grab().toImage();
        const QRect row = tree->visualItemRect(item);
        int count = 0;
        for (int x = 0; x < row.left(); ++x)
            for (int y = row.top(); y <= row.bottom(); ++y)
                count += QColor(shot.pixel(x, y)) != base;
        return count;
    };
    const auto rowEndHighlighted = [&] {
        QApplication::processEvents();
        const QImage shot = tree->viewport()->grab().toImage();
        const QRect row = tree->visualItemRect(page);
        return QColor(shot.pixel(shot.width() - 3, row.center().y())) != base;
    };
    EXPECT_EQ(inked(page), 0);
    EXPECT_EQ(inked(book), 0);
    EXPECT_FALSE(rowEndHighlighted());

    Tick(designer.clbTOC, 5, true); // Draw lines between items
    EXPECT_GT(inked(page), 0);
    Tick(designer.clbTOC, 5, false);
    Tick(designer.clbTOC, 2, true); // Plus/Minus squares
    EXPECT_EQ(inked(page), 0);
    EXPECT_GT(inked(book), 0);
    Tick(designer.clbTOC, 1, true); // Select entire row
    EXPECT_TRUE(rowEndHighlighted());
}

TEST_F(DesignerFixture, BooksShowTheirImagePairAndPagesTheirImage)
{
    designer.HasChild = 0;
    designer.NoChild = 10;
    designer.ClassToControl(chm, true);
    QTreeWidgetItem *book1 = designer.tvContents->topLevelItem(0); // expanded
    QTreeWidgetItem *book2 = designer.tvContents->topLevelItem(1); // collapsed
    EXPECT_EQ(TfrmDesigner::NodeImage(book1), 1);
    EXPECT_EQ(TfrmDesigner::NodeImage(book2), 0);
    EXPECT_EQ(TfrmDesigner::NodeImage(designer.tvContents->topLevelItem(2)), 10);
    book2->setExpanded(true);
    EXPECT_EQ(TfrmDesigner::NodeImage(book2), 1);
    book1->setExpanded(false);
    EXPECT_EQ(TfrmDesigner::NodeImage(book1), 0);

    designer.HasChild = 9;
    designer.SetNodeImages();
    EXPECT_EQ(TfrmDesigner::NodeImage(book1), 9);
    EXPECT_EQ(TfrmDesigner::NodeImage(book2), 9);
}

TEST_F(DesignerFixture, MovingSizingAndMaximisingSetTheWindowRectangle)
{
    designer.ClassToControl(chm, true);
    designer.show();
    designer.move(50, 60);
    designer.resize(700, 500);
    designer.tmTimer();
    EXPECT_EQ(designer.windowTitle(),
              QStringLiteral("Visual CHM designer - [Left:%1,Top:%2,Width:700,Height:500]").arg(designer.x()).arg(designer.y()));
    const QString normal = designer.windowTitle();
    designer.showMaximized();
    QApplication::processEvents();
    EXPECT_TRUE(designer.cbMaximize->isChecked());
    designer.tmTimer();
    EXPECT_EQ(designer.windowTitle(), normal);
    TCHMProject out;
    designer.ControlToClass(out);
    EXPECT_TRUE(out.Maximize);
    EXPECT_EQ(out.Width, 700);
    EXPECT_EQ(out.Height, 500);
    designer.hide();

    // A rectangle off every screen comes back onto the primary one.
    TfrmDesigner lost;
    chm.Left = -20000;
    chm.Top = -20000;
    lost.ClassToControl(chm, true);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QPoint(lost.NormalLeft, lost.NormalTop)));
}

TEST(ContextMapOptions, TheListFollowsTheTextsAndChoosingALanguageLoadsIt)
{
    TfrmContextSetting dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Context map options"));
    const QStringList languages = Items(dialog.cbProgramLanguage);
    ASSERT_GE(languages.size(), 6);
    EXPECT_EQ(languages.first(), QStringLiteral("C#"));
    EXPECT_EQ(languages.last(), QStringLiteral("Custom"));

    // The project's default code is the C# section's, with CR LF line ends.
    QString top, code, bottom;
    ReadContextCodeDefaults(top, code, bottom);
    ASSERT_TRUE(top.contains(QStringLiteral("\r\n")));
    dialog.SetTopCode(top);
    dialog.edtCodeTemplate->setText(code);
    dialog.SetBottomCode(bottom);
    EXPECT_EQ(dialog.cbProgramLanguage->currentText(), QStringLiteral("C#"));
    EXPECT_EQ(dialog.TopCode(), top);

    dialog.edtCodeTemplate->setText(code + QLatin1Char(' '));
    EXPECT_EQ(dialog.cbProgramLanguage->currentText(), QStringLiteral("Custom"));
    dialog.edtCodeTemplate->setText(code);
    EXPECT_EQ(dialog.cbProgramLanguage->currentText(), QStringLiteral("C#"));

    dialog.cbProgramLanguageChange(1);
    EXPECT_EQ(dialog.cbProgramLanguage->currentIndex(), 1);
    EXPECT_NE(dialog.edtCodeTemplate->text(), code);
    dialog.cbProgramLanguageChange(dialog.cbProgramLanguage->count() - 1);
    EXPECT_TRUE(dialog.TopCode().isEmpty());
    EXPECT_TRUE(dialog.edtCodeTemplate->text().isEmpty());
    EXPECT_TRUE(dialog.BottomCode().isEmpty());
}

TEST(ContextMapOptions, AVariableReplacesTheSelectionAndStaysSelected)
{
    TfrmContextSetting dialog;
    dialog.edtCodeTemplate->setText(QStringLiteral("a WORD b"));
    dialog.edtCodeTemplate->setSelection(2, 4);
    dialog.PopupMenu1->actions()[4]->trigger();
    EXPECT_EQ(dialog.edtCodeTemplate->text(), QStringLiteral("a {%Tab%} b"));
    EXPECT_EQ(dialog.edtCodeTemplate->selectedText(), QStringLiteral("{%Tab%}"));
    dialog.edtCodeTemplate->setCursorPosition(0);
    dialog.InsertVariable(2);
    EXPECT_TRUE(dialog.edtCodeTemplate->text().startsWith(QStringLiteral("{%ContextID%}a ")));
}

TEST(NavigationSettings, DefaultSettingPreviewAndTheTwoBoxes)
{
    TfrmSetNavigation dialog;
    dialog.LoadSetting(QStringLiteral("\"Help > \",\" > \",\"0\",\"1\""));
    EXPECT_EQ(dialog.edtStartString->text(), QStringLiteral("Help > "));
    EXPECT_EQ(dialog.edtDelimiter->text(), QStringLiteral(" > "));
    EXPECT_TRUE(dialog.cbIncludeTopic->isChecked());
    EXPECT_FALSE(dialog.cbEndwithDelimiter->isChecked());
    EXPECT_FALSE(dialog.cbEndwithDelimiter->isEnabled());
    EXPECT_EQ(dialog.edtPreview->text(), QStringLiteral("Help > Heading1 > Heading2 > Topic"));

    dialog.cbIncludeTopic->click();
    dialog.cbEndwithDelimiter->click();
    EXPECT_EQ(dialog.edtPreview->text(), QStringLiteral("Help > Heading1 > Heading2 > "));
    EXPECT_EQ(dialog.GetSettingStr(), QStringLiteral("\"Help > \",\" > \",\"1\",\"0\""));
    dialog.cbIncludeTopic->click();
    EXPECT_FALSE(dialog.cbEndwithDelimiter->isChecked());

    dialog.edtStartString->clear();
    dialog.edtDelimiter->clear();
    EXPECT_EQ(dialog.GetSettingStr(), QStringLiteral("\"\",\"\",\"0\",\"1\""));

    // Stored character references show decoded and are written back decoded.
    dialog.LoadSetting(QStringLiteral("\"Start &gt; \",\"&gt;\",\"1\",\"0\""));
    EXPECT_EQ(dialog.edtStartString->text(), QStringLiteral("Start > "));
    EXPECT_EQ(dialog.GetSettingStr(), QStringLiteral("\"Start > \",\">\",\"1\",\"0\""));
}

// What is typed here reaches every page's trail: quotes, markup, ampersands
// and backslashes come out of the build's parser as escaped text.
TEST(NavigationSettings, TypedQuotesAndMarkupSurviveTheBuildsParser)
{
    TfrmSetNavigation dialog;
    const QString start = QStringLiteral("Say \"hi\", <b>& \\ ");
    const QString delimiter = QStringLiteral("\",\"");
    dialog.edtStartString->setText(start);
    dialog.edtDelimiter->setText(delimiter);
    dialog.cbIncludeTopic->setChecked(false);
    dialog.cbEndwithDelimiter->setChecked(true);
    TNavSetting parsed;
    parsed.SetSettingText(dialog.GetSettingStr());
    EXPECT_EQ(parsed.NavStartStr, EscapeHtml(start));
    EXPECT_EQ(parsed.Delimiter, EscapeHtml(delimiter));
    EXPECT_TRUE(parsed.EndWithDelimiter);
    EXPECT_FALSE(parsed.IncludeTopic);
    // And the dialog reads its own text back unchanged.
    TfrmSetNavigation again;
    again.LoadSetting(dialog.GetSettingStr());
    EXPECT_EQ(again.edtStartString->text(), start);
    EXPECT_EQ(again.edtDelimiter->text(), delimiter);
}

struct InterfaceFixture : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    QStringList dictionary;
    TfrmWebHelpInterface dialog;
    QStringList names = TWebHelpInterfaceLanguage().Names;

    void SetUp() override
    {
        ASSERT_GE(names.size(), 5);
        dialog.Dictionary = &dictionary;
    }
    QLineEdit *translation(int row) { return dialog.List[size_t(2 * row + 1)]; }
};

TEST_F(InterfaceFixture, RowsShowTranslationsAndOkWritesOneLinePerString)
{
    dialog.LoadStrings();
    ASSERT_EQ(dialog.List.size(), size_t(2 * names.size()));
    for (int k = 0; k < names.size(); ++k) {
        EXPECT_EQ(dialog.List[size_t(2 * k)]->text(), names[k]);
        EXPECT_TRUE(dialog.List[size_t(2 * k)]->isReadOnly());
        EXPECT_EQ(translation(k)->text(), names[k]);
    }
    dialog.SaveDictionary();
    ASSERT_EQ(dictionary.size(), names.size());
    EXPECT_EQ(dictionary[0], names[0] + QLatin1Char('=') + names[0]);

    TfrmWebHelpInterface second;
    QStringList german{names[1].toUpper() + QStringLiteral("=Stichwort"), names[0] + QStringLiteral("=")};
    second.Dictionary = &german;
    second.LoadStrings();
    EXPECT_EQ(second.List[3]->text(), QStringLiteral("Stichwort")); // names match without regard to case
    EXPECT_EQ(second.List[1]->text(), names[0]);                    // an empty translation shows the original
}

TEST_F(InterfaceFixture, TranslationFilesSaveAndLoadInEitherUnicodeForm)
{
    dialog.LoadStrings();
    translation(0)->setText(QStringLiteral("Inhalt"));
    translation(2)->setText(QStringLiteral("Suche \u00e4"));
    const QString file = dir.file(QStringLiteral("de.tsl"));
    prompt->files = {file};
    dialog.btnSave->click();
    QByteArray expected("\xEF\xBB\xBF");
    for (int k = 0; k < names.size(); ++k)
        expected += names[k].toUtf8() + '='
                  + (k == 0 ? QByteArray("Inhalt") : k == 2 ? QByteArray("Suche \xC3\xA4") : names[k].toUtf8()) + "\r\n";
    EXPECT_EQ(testsupport::readFile(file), expected);
    EXPECT_EQ(prompt->lastProposal, TranslationFolder() + QStringLiteral("/newlanguage.tsl"));

    dialog.btnRestore->click(); // Yes is the default answer
    EXPECT_EQ(prompt->messages.last(), QStringLiteral("Are you sure to discard the translated text?"));
    EXPECT_EQ(translation(0)->text(), names[0]);
    prompt->files = {file};
    dialog.btnLoad->click();
    EXPECT_EQ(translation(0)->text(), QStringLiteral("Inhalt"));
    EXPECT_EQ(translation(2)->text(), QStringLiteral("Suche \u00e4"));

    // A hand-written UTF-16 file; lines without "=" or without a translation
    // and unknown names leave the rows alone.
    const QString text = names[1] + QStringLiteral("=Stichwortverzeichnis\r\nno separator\r\n") + names[0]
                       + QStringLiteral("=\r\nUnknown=x\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : text)
        utf16 += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));
    const QString hand = dir.file(QStringLiteral("hand.tsl"));
    testsupport::writeFile(hand, utf16);
    prompt->files = {hand};
    dialog.btnLoad->click();
    EXPECT_EQ(translation(1)->text(), QStringLiteral("Stichwortverzeichnis"));
    EXPECT_EQ(translation(0)->text(), QStringLiteral("Inhalt"));

    // A file that cannot be read is reported by name and changes no row.
    const int shown = int(prompt->messages.size());
    prompt->files = {dir.file(QStringLiteral("missing.tsl"))};
    dialog.btnLoad->click();
    ASSERT_EQ(prompt->messages.size(), shown + 1);
    EXPECT_TRUE(prompt->messages.last().contains(dir.file(QStringLiteral("missing.tsl"))));
    EXPECT_EQ(translation(1)->text(), QStringLiteral("Stichwortverzeichnis"));
    // Neither can a file that cannot be written: the old one stays.
    testsupport::writeFile(dir.file(QStringLiteral("locked/x")), "x");
    prompt->files = {dir.file(QStringLiteral("locked"))};
    dialog.btnSave->click();
    EXPECT_EQ(prompt->messages.size(), shown + 2);
}

TEST_F(InterfaceFixture, QuickTranslationTakesTrimmedLinesInRowOrder)
{
    dialog.LoadStrings();
    translation(3)->setText(QStringLiteral("kept"));
    dialog.ApplyQuickTranslation(QStringLiteral("  Inhalt \r\nIndex\nSuche\n"));
    EXPECT_EQ(translation(0)->text(), QStringLiteral("Inhalt"));
    EXPECT_EQ(translation(2)->text(), QStringLiteral("Suche"));
    EXPECT_EQ(translation(4)->text(), names[4]); // rows beyond the text keep theirs
    QString many;
    for (int k = 0; k < names.size() + 3; ++k)
        many += QStringLiteral("t%1\n").arg(k);
    dialog.ApplyQuickTranslation(many);
    EXPECT_EQ(translation(int(names.size()) - 1)->text(), QStringLiteral("t%1").arg(names.size() - 1));

    // The window lists the originals and Cancel changes nothing.
    WhenShown<TfrmQuickTranslate>([&](TfrmQuickTranslate &quick) {
        EXPECT_TRUE(quick.mmAllStrings->toPlainText().startsWith(names[0] + QLatin1Char('\n') + names[1]));
        quick.mmAllStrings->setPlainText(QStringLiteral("changed"));
        quick.reject();
    });
    dialog.btnQuickTranslate->click();
    EXPECT_EQ(translation(0)->text(), QStringLiteral("t0"));
}

// Row k takes line k: a text with a line lost (or one too many) on its way
// through the translator is taken only when the user says so; No applies
// nothing and leaves the text to mend. Empty lines at the end do not count.
TEST_F(InterfaceFixture, QuickTranslationAsksWhenTheLinesDoNotMatchTheRows)
{
    dialog.LoadStrings();
    QStringList translated;
    for (int k = 0; k < names.size(); ++k)
        translated << QStringLiteral("t%1").arg(k);
    QStringList shortened = translated;
    shortened.removeAt(1);
    bool stayed = false;
    WhenShown<TfrmQuickTranslate>([&](TfrmQuickTranslate &quick) {
        quick.mmAllStrings->setPlainText(shortened.join(u'\n'));
        prompt->answers = {ButtonNo};
        quick.OKBtn->click();
        stayed = quick.isVisible();
        quick.reject();
    });
    dialog.btnQuickTranslate->click();
    EXPECT_TRUE(stayed);
    ASSERT_EQ(prompt->messages.size(), 1);
    EXPECT_TRUE(prompt->messages[0].contains(
        QStringLiteral("has %1 lines, but there are %2 texts to translate").arg(names.size() - 1).arg(names.size())));
    EXPECT_EQ(translation(0)->text(), names[0]);

    WhenShown<TfrmQuickTranslate>([&](TfrmQuickTranslate &quick) {
        quick.mmAllStrings->setPlainText(translated.join(u'\n') + QStringLiteral("\n\n \n"));
        quick.OKBtn->click();
    });
    dialog.btnQuickTranslate->click();
    EXPECT_EQ(prompt->messages.size(), 1);
    EXPECT_EQ(translation(1)->text(), QStringLiteral("t1"));
    EXPECT_EQ(translation(int(names.size()) - 1)->text(), translated.last());

    // Yes takes the lines as they stand.
    WhenShown<TfrmQuickTranslate>([&](TfrmQuickTranslate &quick) {
        quick.mmAllStrings->setPlainText(shortened.join(u'\n'));
        prompt->answers = {ButtonYes};
        quick.OKBtn->click();
    });
    dialog.btnQuickTranslate->click();
    EXPECT_EQ(prompt->messages.size(), 2);
    EXPECT_EQ(translation(1)->text(), QStringLiteral("t2"));
}

struct MainWindowDialogs : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    std::unique_ptr<TfrmMain> window;

    void SetUp() override
    {
        TProject p;
        p.Title = QStringLiteral("Dialogs");
        p.HtmlHelpOutputContext = true;
        p.HtmlHelpContextFile = QStringLiteral("HelpContext.cs");
        const QString file = dir.file(QStringLiteral("dialogs.qvx"));
        p.SaveToIni(file);
        window = OpenMainWindow(file);
        window->OpenProject(file);
    }
    void TearDown() override { window->Project().ProjectChanged = false; }
};

TEST_F(MainWindowDialogs, TheFourButtonsAreEnabledAndCancelChangesNothing)
{
    TfrmMain &w = *window;
    for (QPushButton *b : {w.btnSetNavigation, w.btnSetContext, w.Button2, w.btnWebhelpInterface})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    QStringList before;
    w.Project().SaveToIni(dir.file(QStringLiteral("before.qvx")));
    WhenShown<TfrmSetNavigation>([](TfrmSetNavigation &d) { d.edtStartString->setText(QStringLiteral("x")); d.reject(); });
    w.btnSetNavigation->click();
    WhenShown<TfrmContextSetting>([](TfrmContextSetting &d) { d.edtCodeTemplate->setText(QStringLiteral("x")); d.reject(); });
    w.btnSetContext->click();
    WhenShown<TfrmDesigner>([](TfrmDesigner &d) { d.cbBack->click(); d.reject(); });
    w.Button2->click();
    WhenShown<TfrmWebHelpInterface>([](TfrmWebHelpInterface &d) { d.List[1]->setText(QStringLiteral("x")); d.reject(); });
    w.btnWebhelpInterface->click();
    w.Action2Update();
    EXPECT_FALSE(w.Project().ProjectChanged);
    w.Project().SaveToIni(dir.file(QStringLiteral("after.qvx")));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("after.qvx"))),
              testsupport::readFile(dir.file(QStringLiteral("before.qvx"))));
    EXPECT_TRUE(prompt->messages.isEmpty()) << prompt->messages.join(u'|').toStdString();
}

// The Common tab shows the navigation setting as the trail it makes, its
// references decoded, never its stored text; that text reaches the project
// unchanged, and a new one after OK.
TEST_F(MainWindowDialogs, TheNavigationSettingShowsAsItsTrail)
{
    TfrmMain &w = *window;
    TProject p;
    p.NavSetting = QStringLiteral("\"Home &gt; \",\" | \",\"1\",\"0\"");
    const QString file = dir.file(QStringLiteral("trail.qvx"));
    p.SaveToIni(file);
    w.OpenProject(file);
    EXPECT_EQ(w.edtNavSetting->text(), QStringLiteral("Home > Heading1 | Heading2 | "));
    w.Action2Update();
    EXPECT_EQ(w.Project().NavSetting, p.NavSetting);
    EXPECT_FALSE(w.Project().ProjectChanged);

    WhenShown<TfrmSetNavigation>([](TfrmSetNavigation &d) {
        d.cbIncludeTopic->setChecked(true);
        d.accept();
    });
    w.btnSetNavigation->click();
    EXPECT_EQ(w.edtNavSetting->text(), QStringLiteral("Home > Heading1 | Heading2 | Topic"));
    w.Action2Update();
    EXPECT_EQ(w.Project().NavSetting, QStringLiteral("\"Home > \",\" | \",\"0\",\"1\""));
}

TEST_F(MainWindowDialogs, OkWritesEachDialogsValuesIntoTheProject)
{
    TfrmMain &w = *window;
    WhenShown<TfrmSetNavigation>([](TfrmSetNavigation &d) {
        d.edtStartString->setText(QStringLiteral("Home: "));
        d.accept();
    });
    w.btnSetNavigation->click();
    w.Action2Update();
    EXPECT_EQ(w.Project().NavSetting, QStringLiteral("\"Home: \",\" > \",\"0\",\"1\""));
    EXPECT_TRUE(w.Project().ProjectChanged);

    // An encoding number the list lacks is not replaced by "none".
    w.Project().HtmlHelpContextEncoding = 9;
    WhenShown<TfrmContextSetting>([](TfrmContextSetting &d) { d.accept(); });
    w.btnSetContext->click();
    EXPECT_EQ(w.Project().HtmlHelpContextEncoding, 9);

    // Choosing the second language (VB .NET) gives the context file its extension.
    w.Project().ProjectChanged = false;
    WhenShown<TfrmContextSetting>([](TfrmContextSetting &d) {
        d.cbProgramLanguageChange(1);
        d.cbContextEncoding->setCurrentIndex(1);
        d.accept();
    });
    w.btnSetContext->click();
    EXPECT_EQ(w.Project().HtmlHelpContextFile, QStringLiteral("HelpContext.vb"));
    EXPECT_EQ(w.edtContextFile->text(), QStringLiteral("HelpContext.vb"));
    EXPECT_TRUE(w.Project().HtmlHelpContextCodeTemplate.contains(QStringLiteral("Public Const")));
    EXPECT_EQ(w.Project().HtmlHelpContextEncoding, 1);
    EXPECT_TRUE(w.Project().ProjectChanged);

    // The designer's edits are kept and, being project settings, marked unsaved.
    w.Project().ProjectChanged = false;
    WhenShown<TfrmDesigner>([](TfrmDesigner &d) {
        d.cbHideToolbar->click();
        d.cbFavorite->click();
        d.accept();
    });
    w.Button2->click();
    EXPECT_TRUE(w.Project().CHMSetting.HideToolbar);
    EXPECT_FALSE(w.Project().CHMSetting.Favorite);
    EXPECT_TRUE(w.Project().ProjectChanged);

    w.Project().ProjectChanged = false;
    WhenShown<TfrmWebHelpInterface>([](TfrmWebHelpInterface &d) {
        d.List[1]->setText(QStringLiteral("Inhalt"));
        d.accept();
    });
    w.btnWebhelpInterface->click();
    ASSERT_FALSE(w.Project().WebHelpDictionary.isEmpty());
    EXPECT_TRUE(w.Project().WebHelpDictionary[0].endsWith(QStringLiteral("=Inhalt")));
    EXPECT_TRUE(w.Project().ProjectChanged);
}
