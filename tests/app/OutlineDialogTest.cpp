// The new-document dialog: indent and outdent by selection, common titles,
// outline files and the replace question of OK.
#include "AppTestSupport.h"

#include "app/CreateNewDocument.h"
#include "foundation/TextFiles.h"
#include "project/ProjectSetting.h"
#include <QFile>
#include <QFileInfo>
#include "support/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {
void Select(QPlainTextEdit *edit, int from, int to)
{
    QTextCursor c = edit->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    edit->setTextCursor(c);
}
int LineStart(QPlainTextEdit *edit, int line)
{
    return edit->document()->findBlockByNumber(line).position();
}
} // namespace

TEST(NewDocumentDialog, IndentAndOutdentChangeTheLinesTheSelectionTouches)
{
    TfrmCreateNewDocument dialog;
    dialog.mmTOC->setPlainText(QStringLiteral("one\ntwo\nthree\nfour\nfive"));
    // The caret in the third line: one tab at its start, one character selected from the old caret.
    Select(dialog.mmTOC, LineStart(dialog.mmTOC, 2) + 2, LineStart(dialog.mmTOC, 2) + 2);
    dialog.btnIndent->click();
    EXPECT_EQ(dialog.mmTOC->toPlainText(), QStringLiteral("one\ntwo\n\tthree\nfour\nfive"));
    EXPECT_EQ(dialog.mmTOC->textCursor().selectionStart(), LineStart(dialog.mmTOC, 2) + 2);
    EXPECT_EQ(dialog.mmTOC->textCursor().selectedText().size(), 1);

    // From the middle of line 2 to the middle of line 4: lines 2, 3 and 4.
    Select(dialog.mmTOC, LineStart(dialog.mmTOC, 1) + 1, LineStart(dialog.mmTOC, 3) + 2);
    dialog.btnIndent->click();
    EXPECT_EQ(dialog.mmTOC->toPlainText(), QStringLiteral("one\n\ttwo\n\t\tthree\n\tfour\nfive"));
    Select(dialog.mmTOC, LineStart(dialog.mmTOC, 1) + 1, LineStart(dialog.mmTOC, 3) + 2);
    dialog.btnOutdent->click();
    dialog.btnOutdent->click(); // only lines that still have a tab lose one
    EXPECT_EQ(dialog.mmTOC->toPlainText(), QStringLiteral("one\ntwo\nthree\nfour\nfive"));

    // The first line never moves; Tab indents like the button and types nothing.
    Select(dialog.mmTOC, 1, 1);
    dialog.btnIndent->click();
    EXPECT_EQ(dialog.mmTOC->toPlainText(), QStringLiteral("one\ntwo\nthree\nfour\nfive"));
    Select(dialog.mmTOC, LineStart(dialog.mmTOC, 4) + 2, LineStart(dialog.mmTOC, 4) + 2);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(dialog.mmTOC, &tab);
    EXPECT_EQ(dialog.mmTOC->toPlainText(), QStringLiteral("one\ntwo\nthree\nfour\n\tfive"));

    dialog.mmTOC->clear();
    dialog.btnIndent->click();
    dialog.btnOutdent->click();
    EXPECT_TRUE(dialog.mmTOC->toPlainText().isEmpty());
}

TEST(NewDocumentDialog, CommonTitlesGoBeforeTheCaretLine)
{
    TfrmCreateNewDocument dialog;
    ASSERT_EQ(dialog.Lines().size(), 21);
    Select(dialog.mmTOC, 3, 3);
    const auto items = dialog.lbCommonTitle->findItems(QStringLiteral("Purchase"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    emit dialog.lbCommonTitle->itemDoubleClicked(items[0]);
    EXPECT_EQ(dialog.Lines().first(), QStringLiteral("Purchase"));
    EXPECT_EQ(dialog.Lines()[1], QStringLiteral("What's New "));
}

TEST(NewDocumentDialog, OutlinesAreSavedInUtf16AndLoadBack)
{
    ScratchDir dir;
    TfrmCreateNewDocument dialog;
    const QStringList initial = dialog.Lines();
    const QString file = dir.file(QStringLiteral("outline.txt"));
    dialog.SaveOutline(file);
    const QByteArray bytes = testsupport::readFile(file);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                            (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.startsWith(QStringLiteral("What's New \r\nOverview\r\n\tIntroduction\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 21);
    dialog.mmTOC->clear();
    dialog.LoadOutline(file);
    EXPECT_EQ(dialog.Lines(), initial);

    // A file that cannot be read keeps the memo's lines.
    EXPECT_ANY_THROW(dialog.LoadOutline(dir.file(QStringLiteral("missing.txt"))));
    EXPECT_EQ(dialog.Lines(), initial);
}

TEST(NewDocumentDialog, OkAsksOnceBeforeReplacingAnExistingDocument)
{
    ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    TProject project;
    project.ProjectFilename = dir.file(QStringLiteral("help.qvx"));
    project.RootDir = dir.path();
    testsupport::writeFile(dir.file(QStringLiteral("doc.docx")), "old");
    TfrmCreateNewDocument dialog;
    dialog.Project = &project;
    dialog.edtFilename->setText(QStringLiteral("<Project_Folder>/doc.docx"));
    dialog.btnOK->click(); // Enter on the question: its default keeps the document
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    prompt->messages.clear();
    prompt->answers = {ButtonNo};
    dialog.btnOK->click();
    EXPECT_EQ(prompt->messages,
              QStringList{QStringLiteral("\"<Project_Folder>/doc.docx\" already exists. Do you want to replace it?")});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    prompt->answers = {ButtonYes};
    dialog.btnOK->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("doc.docx"))), QByteArray("old")); // the dialog writes nothing
}

// ".." names a document still to be made: a save dialog, which leaves the
// replace question to OK.
TEST(NewDocumentDialog, BrowseNamesANewDocumentInASaveDialog)
{
    ScratchDir dir;
    ScopedPrompt scoped{std::make_shared<WidgetPrompt>()};
    TProject project;
    project.RootDir = dir.path() + u'/';
    TfrmCreateNewDocument dialog;
    dialog.Project = &project;
    dialog.edtFilename->setText(QStringLiteral("<Project_Folder>/doc.docx"));
    bool saving = false, asksOfItsOwn = true;
    QTimer::singleShot(0, [&] {
        auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(files, nullptr);
        saving = files->acceptMode() == QFileDialog::AcceptSave;
        asksOfItsOwn = !files->testOption(QFileDialog::DontConfirmOverwrite);
        if (!saving) { // an open dialog would refuse the new name with a box of its own
            files->reject();
            return;
        }
        files->selectFile(dir.file(QStringLiteral("manual")));
        static_cast<QDialog *>(files)->accept();
    });
    dialog.Button3->click();
    EXPECT_TRUE(saving);
    EXPECT_FALSE(asksOfItsOwn);
    EXPECT_EQ(dialog.edtFilename->text(), dir.file(QStringLiteral("manual.docx")));
}

// Esc, Cancel and the close box ask before a typed outline is lost: Yes
// keeps it in a text file, No drops it, Cancel stays.
TEST(NewDocumentDialog, ClosingWithATypedOutlineAsksFirst)
{
    ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    TfrmCreateNewDocument dialog;
    dialog.show();
    dialog.btnCancel->click(); // the outline as shown goes without a word
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(prompt->messages.isEmpty());

    dialog.show();
    dialog.mmTOC->appendPlainText(QStringLiteral("Glossary"));
    const QString question = QStringLiteral("The outline has been changed.\nDo you want to save it to a text file?");
    prompt->answers = {ButtonCancel};
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &esc);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompt->messages, QStringList{question});
    prompt->answers = {ButtonYes};
    prompt->files = {QString()}; // the save dialog cancelled: still open
    dialog.btnCancel->click();
    EXPECT_TRUE(dialog.isVisible());
    const QString kept = dir.file(QStringLiteral("outline.txt"));
    prompt->answers = {ButtonYes};
    prompt->files = {kept};
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(LoadTextFile(kept, QString()).endsWith(QStringLiteral("\r\nGlossary\r\n")));

    dialog.show(); // kept: no question now; a new line asks again and No drops it
    dialog.btnCancel->click();
    EXPECT_EQ(prompt->messages.size(), 3);
    dialog.show();
    dialog.mmTOC->appendPlainText(QStringLiteral("Index"));
    prompt->answers = {ButtonNo};
    dialog.btnCancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompt->messages.size(), 4);
}

// ---- From the main window: a new document from the outline, and its topic tree -----------

#include "app/TopicList.h"
#include "app/whelp.h"
#include "builder/OutlineDocument.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

namespace {
// The tree as indented lines, one per node.
void TreeLines(const QStandardItemModel *model, const QModelIndex &parent, int depth, QStringList &out)
{
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex i = model->index(r, 0, parent);
        out << QString(depth, u'\t') + i.data().toString();
        TreeLines(model, i, depth + 1, out);
    }
}
} // namespace

// Create.. proposes the project's own source document: OK, under any
// spelling of it, is refused and the document stays as it was.
TEST(CreateDocumentCommand, NeverReplacesTheSourceDocument)
{
    ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    QByteArray manuscript;
    for (int i = 0; i < 14812; ++i)
        manuscript.append(char(i * 7 % 251));
    testsupport::writeFile(dir.file(QStringLiteral("manual.docx")), manuscript);
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("manual.docx")), dir.file(QStringLiteral("link.docx"))));
    TProject p;
    p.SourceFile = QStringLiteral("manual.docx");
    const QString file = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(file);
    const auto opened = OpenMainWindow(file);
    TfrmMain &window = *opened;
    QStringList proposed;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<TfrmCreateNewDocument *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const QString &name : {QString(), QStringLiteral("link.docx"), QStringLiteral("help.qvx")}) {
            if (!name.isEmpty())
                dialog->edtFilename->setText(name);
            proposed << dialog->edtFilename->text();
            dialog->btnOK->click();
            EXPECT_TRUE(dialog->isVisible()); // refused: the dialog stays for another name
        }
        dialog->btnCancel->click();
    });
    window.btnCreateWordFile->click();
    EXPECT_EQ(proposed.value(0), QStringLiteral("manual.docx"));
    ASSERT_EQ(prompt->messages.size(), 3) << prompt->messages.join(u'\n').toStdString();
    EXPECT_TRUE(prompt->messages[0].contains(QStringLiteral("is the project's source document")));
    EXPECT_TRUE(prompt->messages[1].contains(QStringLiteral("is the project's source document")));
    EXPECT_TRUE(prompt->messages[2].contains(QStringLiteral("is the project file")));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("manual.docx"))), manuscript);
    EXPECT_FALSE(window.Project().ProjectChanged);
}

TEST(TopicListWindow, BookImagesFollowExpandAndCollapse)
{
    EXPECT_EQ(TfrmTopicList::ExpandedImage(2), 3);
    EXPECT_EQ(TfrmTopicList::CollapsedImage(3), 2);
    EXPECT_EQ(TfrmTopicList::ExpandedImage(8), 8);
    EXPECT_EQ(TfrmTopicList::CollapsedImage(8), 8);
    EXPECT_EQ(TfrmTopicList::ExpandedImage(7), 7);
}

TEST(TopicListWindow, CreateMakesTheDocumentAndTheTreeShowsItsHeadings)
{
    ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    TProject p;
    p.Title = QStringLiteral("Outline");
    const QString file = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(file);
    const auto opened = OpenMainWindow(file);
    TfrmMain &window = *opened;
    ASSERT_TRUE(window.btnCreateWordFile->isEnabled());

    // An outline with a depth jump and a line of 20 leading tabs.
    const QString deep = QString(20, u'\t') + QStringLiteral("Deep");
    QString proposed;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<TfrmCreateNewDocument *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        proposed = dialog->edtFilename->text();
        dialog->mmTOC->setPlainText(QStringLiteral("Start\n\t\t\tJump\nNext\n") + deep);
        dialog->btnOK->click();
    });
    prompt->answers = {ButtonNo}; // do not open the new document
    window.btnCreateWordFile->click();
    EXPECT_EQ(proposed, QStringLiteral("<Project_Folder>/doc") + window.DefaultWordExtension);
    const QString made = window.Project().RealPath(proposed);
    ASSERT_TRUE(QFileInfo(made).isFile()) << prompt->messages.join(u'\n').toStdString();
    EXPECT_EQ(window.Project().SourceFile, proposed);
    EXPECT_EQ(window.edtSourceFile->text(), proposed);
    EXPECT_TRUE(window.Project().ProjectChanged);
    ASSERT_EQ(prompt->messages.size(), 1);
    EXPECT_TRUE(prompt->messages[0].startsWith(QStringLiteral("The Word file \"<Project_Folder>/doc")));

    // The topic list window reads the new document's headings back.
    TfrmTopicList topics;
    topics.SourceFile = made;
    topics.LoadOutline();
    QStringList lines;
    TreeLines(topics.Model, QModelIndex(), 0, lines);
    ASSERT_EQ(lines.size(), 4) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Start"));
    EXPECT_EQ(lines[1].trimmed(), QStringLiteral("Jump"));
    EXPECT_TRUE(lines[1].startsWith(u'\t'));
    EXPECT_EQ(lines[2].trimmed(), QStringLiteral("Next"));
    EXPECT_EQ(lines[3].trimmed(), QStringLiteral("Deep"));
    EXPECT_TRUE(topics.Panel1->isHidden());
    topics.LoadOutline(); // a second reading replaces the nodes
    QStringList again;
    TreeLines(topics.Model, QModelIndex(), 0, again);
    EXPECT_EQ(again, lines);
    window.Project().ProjectChanged = false;
}

// Create.. over a link, live or dangling, is refused naming the link and
// leaves the project as it was; Yes to "open it?" where the desktop has no
// program for the document shows why, as the Open button does.
TEST(CreateDocumentCommand, RefusesALinkAndShowsWhyTheDocumentCannotBeOpened)
{
    ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    testsupport::writeFile(dir.file(QStringLiteral("bin/xdg-open")), "#!/bin/sh\necho 'xdg-open: no method' >&2\nexit 4\n");
    QFile::setPermissions(dir.file(QStringLiteral("bin/xdg-open")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EnvOverride path("PATH", dir.file(QStringLiteral("bin")) + u':' + qEnvironmentVariable("PATH"));
    const QByteArray secret("export PATH=/usr/bin\n");
    testsupport::writeFile(dir.file(QStringLiteral("outside/bashrc")), secret);
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("outside/bashrc")), dir.file(QStringLiteral("doc.docx"))));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("outside/none.docx")), dir.file(QStringLiteral("dangling.docx"))));
    TProject p;
    const QString file = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(file);
    const auto opened = OpenMainWindow(file);
    TfrmMain &window = *opened;
    const auto create = [&](const QString &name, std::deque<PromptButton> answers) {
        prompt->messages.clear();
        prompt->answers = std::move(answers);
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TfrmCreateNewDocument *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->edtFilename->setText(name);
            dialog->btnOK->click();
        });
        window.btnCreateWordFile->click();
    };
    for (const QString &name : {QStringLiteral("doc.docx"), QStringLiteral("dangling.docx")}) {
        create(name, {ButtonYes}); // Yes to replacing what stands there
        ASSERT_FALSE(prompt->messages.isEmpty());
        EXPECT_TRUE(prompt->messages.last().contains(dir.file(name))
                    && prompt->messages.last().contains(QStringLiteral("symbolic link")))
            << prompt->messages.join(u'\n').toStdString();
        EXPECT_TRUE(window.Project().SourceFile.isEmpty());
        EXPECT_FALSE(window.Project().ProjectChanged);
    }
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("outside/bashrc"))), secret);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("outside/none.docx"))));

    create(QStringLiteral("new.docx"), {ButtonYes}); // Yes to opening it
    WaitUntil([&] { return prompt->messages.size() > 1; });
    ASSERT_EQ(prompt->messages.size(), 2) << prompt->messages.join(u'\n').toStdString();
    EXPECT_TRUE(prompt->messages[1].startsWith(u'"' + dir.file(QStringLiteral("new.docx"))
                                               + QStringLiteral("\" cannot be opened: no program is set up")))
        << prompt->messages[1].toStdString();
    window.Project().ProjectChanged = false;
}
