/*
** The project text view over a real wizard window: cancel after editing,
** update without and with edits, reload after edits, the toolbar check,
** and the two file errors.
*/

#include "expertfixture.h"

#include "expert/ViewAsText.h"
#include "platform/atomicfile.h"
#include "project/projectfile.h"
#include "widgets/XToolBar.h"
#include "wizard/frmwiz.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>


namespace quillon::expert::test {
namespace {

class TextViewTest : public ExpertTest
{
protected:
    void SetUp() override
    {
        ExpertTest::SetUp();
        WizardProject p;
        p.PageTitle = "Old title";
        ProjectFile::save(p, path("p.qnp"));
        saved = platform::readFile(path("p.qnp"));
        wizard::WizardServices services;
        services.dialogs = &dialogs;
        wiz = std::make_unique<wizard::TfrmWiz>(std::move(services));
        ASSERT_TRUE(wiz->openProjectFile(qpath("p.qnp")));
        view = std::make_unique<TfrmTextView>(*wiz);
        view->loadFile();
    }
    void TearDown() override
    {
        view.reset();
        wiz.reset();
        ExpertTest::TearDown();
    }
    void edit() { view->edProjectText->setPlainText(view->edProjectText->toPlainText().replace("Old title", "New title")); }

    std::string saved;
    std::unique_ptr<wizard::TfrmWiz> wiz;
    std::unique_ptr<TfrmTextView> view;
};

TEST_F(TextViewTest, ShowsTheFileUnderItsName)
{
    view->show();
    quillon::test::screenshotIfAsked(*view, "textview");
    EXPECT_EQ(view->windowTitle(), "Viewing as Text - [" + qpath("p.qnp") + "]");
    EXPECT_EQ(view->edProjectText->toPlainText(), QString::fromStdString(saved).replace("\r\n", "\n"));
    EXPECT_TRUE(QFontInfo(view->edProjectText->font()).fixedPitch()) << "key = value lines in columns";
}

TEST_F(TextViewTest, CancelAfterEditingChangesNothing)
{
    edit();
    view->CancelEdits1->trigger();
    EXPECT_EQ(view->result(), QDialog::Rejected);
    EXPECT_EQ(platform::readFile(path("p.qnp")), saved);
    EXPECT_EQ(wiz->project().PageTitle, "Old title");
}

TEST_F(TextViewTest, UpdateWritesCrLfLinesAndLoadsThemIntoTheWizard)
{
    view->ebtnUpdateExpert->clicked();
    EXPECT_EQ(view->result(), QDialog::Accepted);
    const std::string unchanged = platform::readFile(path("p.qnp"));
    EXPECT_TRUE(unchanged.ends_with("\r\n"));
    EXPECT_EQ(QString::fromStdString(unchanged).remove('\r').count('\n'),
              QString::fromStdString(unchanged).count("\r\n")) << "every line ends in CR LF";
    EXPECT_EQ(wiz->project().PageTitle, "Old title");

    edit();
    view->Asexpert1->trigger();
    EXPECT_NE(platform::readFile(path("p.qnp")).find("New title\r\n"), std::string::npos);
    EXPECT_EQ(wiz->project().PageTitle, "New title");
}

TEST_F(TextViewTest, ReloadDiscardsEditsAndShowsTheFileOnDisk)
{
    const QString before = view->edProjectText->toPlainText();
    edit();
    view->ebtnReload->clicked();
    EXPECT_EQ(view->edProjectText->toPlainText(), before);
    EXPECT_EQ(view->result(), 0) << "reloading keeps the view open";
}

TEST_F(TextViewTest, TheToolbarCheckFollowsTheToolbarWhateverHidesIt)
{
    EXPECT_TRUE(view->Toolbar1->isChecked());
    view->XToolBar1->setVisible(false);
    EXPECT_FALSE(view->Toolbar1->isChecked());
    view->Toolbar1->trigger();
    EXPECT_TRUE(view->XToolBar1->isBarVisible());
    EXPECT_TRUE(view->Toolbar1->isChecked());
    view->Toolbar1->trigger();
    EXPECT_FALSE(view->XToolBar1->isBarVisible());
}

TEST_F(TextViewTest, AFileThatCannotBeCreatedIsReportedAndNothingIsLoaded)
{
    edit();
    platform::faults::failNthWrite(1); // the disk is full
    view->ebtnUpdateExpert->clicked();
    platform::faults::failNthWrite(0);
    EXPECT_EQ(transcript.last(), "box Quillon | Cannot create file " + qpath("p.qnp") + " -> ok");
    EXPECT_EQ(platform::readFile(path("p.qnp")), saved);
    EXPECT_EQ(wiz->project().PageTitle, "Old title");
    EXPECT_EQ(view->result(), 0) << "the view stays open";
}

TEST_F(TextViewTest, AFileThatCannotBeReadOpensNoView)
{
    ASSERT_TRUE(QFile::remove(qpath("p.qnp")));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto *v = wiz->findChild<TfrmTextView *>(); v && v->isVisible()) {
            shown = true;
            v->reject();
        }
    });
    showProjectTextView(*wiz);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(transcript.last(), "box Quillon | Cannot open file " + qpath("p.qnp") + " -> ok");
    view->ebtnReload->clicked();
    EXPECT_FALSE(view->edProjectText->toPlainText().isEmpty()) << "the memo keeps its text";
}

} // namespace
} // namespace quillon::expert::test
