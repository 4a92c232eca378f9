// The new-project wizard, the colour routines and frame, the building window
// and the message boxes.
#include "AppTestSupport.h"

#include "app/Building.h"
#include "app/NewProject.h"
#include "app/SelectColor.h"
#include "app/WidgetPrompt.h"
#include "app/whelp.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

TEST(ColorTexts, ConvertBetweenTextsAndValues)
{
    EXPECT_EQ(ColorToHtml(0x0000FF), QStringLiteral("#FF0000"));
    EXPECT_EQ(ColorToHtml(0x123456), QStringLiteral("#563412"));
    EXPECT_EQ(HtmlToColor(QStringLiteral("#ff0000")), 0x0000FFu);
    EXPECT_EQ(HtmlToColor(QStringLiteral("FF0000")), 0x0000FFu);
    EXPECT_EQ(HtmlToColor(QStringLiteral("#FF000099")), 0x0000FFu);
    EXPECT_EQ(HtmlToColor(ColorToHtml(0xABCDEF)), 0xABCDEFu);
    for (const char *bad : {"#FFF", "", "#GG0000", "#+12345", "0x1234"})
        EXPECT_EQ(HtmlToColor(QString::fromLatin1(bad)), NoColor) << bad;
    EXPECT_EQ(StripColorHash(QStringLiteral("##12")), QStringLiteral("12"));
    EXPECT_EQ(StripColorHash(QStringLiteral("12#")), QStringLiteral("12#"));
}

TEST(ColorFrame, SwatchFollowsTheText)
{
    TframSelectColor frame;
    frame.edtColor->setText(QStringLiteral("#00FF00"));
    EXPECT_EQ(frame.SwatchColor(), 0x00FF00u);
    frame.edtColor->setText(QStringLiteral("nonsense"));
    EXPECT_EQ(frame.SwatchColor(), NoColor);
}

struct WizardFixture : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    TfrmNewProject wizard;

    void SetUp() override
    {
        wizard.edtProjectPosition->setText(dir.path());
        wizard.edtFilename->setText(QStringLiteral("help"));
    }
};

TEST_F(WizardFixture, NextBackAndFinishMoveThroughThePages)
{
    EXPECT_EQ(wizard.lbTitle->text(), QStringLiteral("Place the project"));
    EXPECT_FALSE(wizard.btnBack->isEnabled());
    EXPECT_TRUE(wizard.rb2->isChecked());
    wizard.btnNext->click();
    EXPECT_EQ(wizard.PageControl1->currentIndex(), 1);
    EXPECT_EQ(wizard.lbTitle->text(), QStringLiteral("Set the Word document"));
    EXPECT_EQ(wizard.lbDescription->text(), QStringLiteral("There are several ways to get Word document."));
    EXPECT_EQ(wizard.btnNext->text(), QStringLiteral("Finish"));
    EXPECT_TRUE(wizard.btnBack->isEnabled());

    wizard.btnBack->click();
    EXPECT_EQ(wizard.PageControl1->currentIndex(), 0);
    EXPECT_FALSE(wizard.btnBack->isEnabled());
    EXPECT_EQ(wizard.btnNext->text(), QStringLiteral("Next >"));

    wizard.btnNext->click();
    wizard.btnNext->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(wizard.lbTitle->text(), QStringLiteral("Set the Word document"));
    EXPECT_TRUE(prompt->messages.isEmpty());
    EXPECT_EQ(wizard.ProjectFile(), dir.file(QStringLiteral("help.qvx")));
}

TEST_F(WizardFixture, AnExistingProjectFileIsOnlyReplacedAfterYes)
{
    testsupport::writeFile(dir.file(QStringLiteral("help.qvx")), "old");
    prompt->answers = {ButtonNo};
    wizard.btnNext->click();
    ASSERT_EQ(prompt->messages.size(), 1);
    EXPECT_EQ(prompt->messages[0], QStringLiteral("\"help.qvx\" already exists. Do you want to replace it?"));
    EXPECT_EQ(wizard.PageControl1->currentIndex(), 0);
    EXPECT_EQ(wizard.btnNext->text(), QStringLiteral("Next >"));

    prompt->answers = {ButtonYes};
    wizard.btnNext->click();
    EXPECT_EQ(wizard.PageControl1->currentIndex(), 1);
}

// Select starts in the nearest folder that exists and makes none, even when
// the picker is cancelled.
TEST_F(WizardFixture, SelectStartsInTheNearestFolderAndTakesTheChoice)
{
    const QString wanted = dir.file(QStringLiteral("new/deeper"));
    wizard.edtProjectPosition->setText(wanted);
    prompt->files = {QString()};
    wizard.Button1->click();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("new"))));
    EXPECT_EQ(prompt->lastProposal, dir.path());
    EXPECT_EQ(wizard.edtProjectPosition->text(), wanted);
    prompt->files = {dir.file(QStringLiteral("chosen"))};
    wizard.Button1->click();
    EXPECT_EQ(wizard.edtProjectPosition->text(), dir.file(QStringLiteral("chosen")));

    // An empty folder text creates nothing and starts from nothing.
    wizard.edtProjectPosition->clear();
    wizard.Button1->click();
    EXPECT_TRUE(prompt->lastProposal.isEmpty());
    EXPECT_TRUE(wizard.edtProjectPosition->text().isEmpty());
}

TEST_F(WizardFixture, WithoutCancelTheWizardCannotBeDismissed)
{
    wizard.btnCancel->setEnabled(false);
    wizard.show();
    static_cast<QDialog &>(wizard).reject();
    EXPECT_TRUE(wizard.isVisible());
    wizard.btnCancel->setEnabled(true);
    static_cast<QDialog &>(wizard).reject();
    EXPECT_FALSE(wizard.isVisible());
}

// The build's notes appear under the bar as they come and stay for the
// main window's report.
TEST(BuildingWindow, ShowsTheBuildsNotes)
{
    struct NotingOutputs : TBuildOutputs {
        void StartWord() override {}
        void QuitWord() override {}
        void Convert(int, const QString &, const std::function<void(int)> &) override {}
        void SplitTopics() override {}
        QString SplitNote() const override { return QStringLiteral("The document has no headings."); }
        void HtmlHelpPages(const QString &) override {}
        void HtmlHelpContextFile() override {}
        void HtmlHelpCompile() override {}
        void WebHelp() override {}
        void FreeOutput() override {}
        void Pdf(const QString &, const QString &, const std::function<void(int)> &) override {}
    };
    ScratchDir dir;
    TProject project;
    project.SourceFile = dir.file(QStringLiteral("doc.docx"));
    testsupport::writeFile(project.SourceFile, "doc");
    project.HtmlHelpOutput = project.WebHelpOutput = true;
    project.PDFOutput = false;
    TfrmBuilding::SetOutputsFactory([](TProject &) { return std::make_unique<NotingOutputs>(); });
    TfrmBuilding building(project);
    TfrmBuilding::SetOutputsFactory(nullptr);
    EXPECT_EQ(building.exec(), int(TfrmBuilding::ResultOk)) << building.ErrorMsg.toStdString();
    EXPECT_EQ(building.Notes, QStringList{QStringLiteral("The document has no headings.")}); // told once
    EXPECT_EQ(building.lblNotes->text(), QStringLiteral("The document has no headings."));
    EXPECT_FALSE(building.lblNotes->isHidden());
}

TEST(BuildingWindow, ShowsProgressAndClosesWithTheResult)
{
    ScratchDir dir;
    TProject project;
    project.SourceFile = dir.file(QStringLiteral("gone.docx")); // the working copy fails
    project.HtmlHelpOutput = true;
    TfrmBuilding building(project);
    EXPECT_EQ(building.windowTitle(), QStringLiteral("Building..."));
    EXPECT_EQ(building.exec(), int(TfrmBuilding::ResultCancel));
    EXPECT_TRUE(building.ErrorMsg.startsWith(QStringLiteral("Error occured when building!\r\n\r\nTaskType: 0 TaskPos: 0\r\nBefore any output: ")));
    EXPECT_TRUE(building.ErrorMsg.contains(project.SourceFile));
}

TEST(WidgetPromptBoxes, OfferTheAskedButtonsAndReportThePressedOne)
{
    WidgetPrompt prompt;
    QStringList shown;
    bool defaultIsNo = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton *b : box->buttons())
            shown << b->text();
        defaultIsNo = box->defaultButton() != nullptr && box->defaultButton() == box->button(QMessageBox::No);
        box->button(QMessageBox::No)->click();
    });
    const PromptButton answer = prompt.message(MessageRequest{MessageKind::Confirmation, QStringLiteral("Replace?"),
                                                              QStringLiteral("Confirm"), ButtonYes | ButtonNo, ButtonNo});
    EXPECT_EQ(answer, ButtonNo);
    EXPECT_EQ(shown.size(), 2);
    EXPECT_TRUE(defaultIsNo);

    // Closing the box without a button answers Cancel where it is offered.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(prompt.message(MessageRequest{MessageKind::Warning, QStringLiteral("Go on?"), QString(),
                                            ButtonYes | ButtonCancel}),
              ButtonCancel);
}

// Message boxes open at the centre of their window, also before it is shown
// (start-up questions), and at the screen's centre when it has no place yet.
TEST(WidgetPromptBoxes, OpenAtTheCentreOfTheirWindow)
{
    QWidget owner;
    owner.setGeometry(300, 200, 400, 300);
    WidgetPrompt prompt;
    QPoint centre;
    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        centre = box->frameGeometry().center();
        box->close();
    });
    prompt.message(MessageRequest{MessageKind::Information, QStringLiteral("Hello"), QString(), ButtonOk,
                                  ButtonNone, &owner});
    // The box settles its size when shown: a few pixels either way.
    EXPECT_LE((centre - owner.frameGeometry().center()).manhattanLength(), 30) << centre.x() << "," << centre.y();
}
