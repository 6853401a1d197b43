// The help file the build makes and the help system over it: every context
// number of the wizard resolves to a fitting topic, bad files are reported
// by name, and the help window shows, reuses and navigates its topics.
#include "wizard/helpfile.h"
#include "wizard/helpsystem.h"
#include "wizard/helpwindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace quillon::wizard;

namespace {

const QString kHelpFile = QStringLiteral(QUILLON_HELP_FILE);

/* The message of the HelpError that f throws; fails the test if none. */
template <typename F>
std::string helpErrorOf(F f)
{
    try {
        f();
    } catch (const HelpError &e) {
        return e.what();
    }
    ADD_FAILURE() << "no HelpError";
    return {};
}

HelpWindow *openHelpWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *h = qobject_cast<HelpWindow *>(w); h && h->isVisible())
            return h;
    }
    return nullptr;
}

struct ContextRow {
    int context;
    const char *owner; /* the page or button whose help it is */
    const char *title;
};

void PrintTo(const ContextRow &row, std::ostream *os)
{
    *os << row.context << " (" << row.owner << ")";
}

class HelpContextTest : public testing::TestWithParam<ContextRow> {
protected:
    static void SetUpTestSuite() { file = new HelpFile(kHelpFile); }
    static void TearDownTestSuite()
    {
        delete file;
        file = nullptr;
    }
    static HelpFile *file;
};
HelpFile *HelpContextTest::file = nullptr;

TEST_P(HelpContextTest, ResolvesToTheTopicOfItsPageOrButton)
{
    const ContextRow row = GetParam();
    const HelpTopic topic = file->topic(row.context);
    EXPECT_EQ(topic.title.toStdString(), row.title);
    const QByteArray page = file->engine()->fileData(topic.url);
    EXPECT_TRUE(page.contains("<h1>" + QByteArray(row.title) + "</h1>")) << topic.url.toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(EveryContextNumber, HelpContextTest,
                         testing::Values(ContextRow{0, "pgWelcome", "Welcome"},
                                         ContextRow{4, "ebtnSave", "Saving a Project"},
                                         ContextRow{5, "btnHelp", "Using Help"},
                                         ContextRow{6, "pgHeaderFooter", "Header and Footer HTML Files"},
                                         ContextRow{7, "btnCancel", "Cancelling the Wizard"},
                                         ContextRow{8, "btnabout", "About Quillon"},
                                         ContextRow{9, "pgInput", "Input Values"},
                                         ContextRow{12, "pgDBCheck", "Database Options"},
                                         ContextRow{13, "pgLogin", "Database Login"},
                                         ContextRow{14, "pgDatabaseUP", "Database Insert Options"},
                                         ContextRow{15, "pgDatabaseBR", "Database Browsing Options"},
                                         ContextRow{16, "pgFieldSelect", "Returned Fields"},
                                         ContextRow{17, "pgOtherData", "Further Information"},
                                         ContextRow{18, "pgDLLOutput", "Output File"},
                                         ContextRow{19, "pgInfo", "Summary and Finish"},
                                         ContextRow{25, "btnLoad", "Opening a Project"}));

TEST(HelpFileTest, EveryTopicLinksOnlyToPagesInTheFile)
{
    const HelpFile file(kHelpFile);
    QHelpEngine *engine = file.engine();
    const QString ns = QHelpEngineCore::namespaceName(kHelpFile);
    const QList<QUrl> pages = engine->files(ns, QString(), QStringLiteral("html"));
    ASSERT_GE(pages.size(), 17); /* sixteen topics and the contents */
    const QRegularExpression href(QStringLiteral("href=\"([^\"#]+)"));
    for (const QUrl &page : pages) {
        const QString html = QString::fromUtf8(engine->fileData(page));
        /* The text browser applies a linked stylesheet only when its type is given. */
        EXPECT_TRUE(html.contains(QStringLiteral("type=\"text/css\" href=\"style.css\"")))
            << page.fileName().toStdString();
        for (auto m = href.globalMatch(html); m.hasNext();) {
            const QUrl target = page.resolved(QUrl(m.next().captured(1)));
            EXPECT_FALSE(engine->fileData(target).isEmpty())
                << page.fileName().toStdString() << " links to " << target.toString().toStdString();
        }
    }
}

struct BadFileRow {
    const char *name;
    const char *content; /* nullptr: no file; "/": a folder */
    const char *problem;
};

void PrintTo(const BadFileRow &row, std::ostream *os)
{
    *os << row.name;
}

class BadHelpFileTest : public testing::TestWithParam<BadFileRow> {};

TEST_P(BadHelpFileTest, IsReportedNamingTheFile)
{
    const BadFileRow row = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUILLON.HLP"));
    if (row.content && QByteArray(row.content) == "/") {
        ASSERT_TRUE(QDir().mkdir(path));
    } else if (row.content) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(row.content);
    }
    const std::string message = helpErrorOf([&] { HelpFile file(path); });
    EXPECT_NE(message.find(QDir::toNativeSeparators(path).toStdString()), std::string::npos) << message;
    EXPECT_NE(message.find(row.problem), std::string::npos) << message;

    /* The help system reports it the same way and opens no window. */
    auto help = createQtHelpSystem();
    EXPECT_EQ(helpErrorOf([&] { help->showContext(path, 0, nullptr); }), message);
    EXPECT_EQ(openHelpWindow(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Files, BadHelpFileTest,
                         testing::Values(BadFileRow{"Missing", nullptr, "does not exist"},
                                         BadFileRow{"Text", "[Quillon]\r\nInput=Town\r\n", "is not a help file"},
                                         BadFileRow{"Empty", "", "is not a help file"},
                                         BadFileRow{"Folder", "/", "is not a help file"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(HelpFileTest, AContextWithoutATopicIsReportedNamingTheFile)
{
    const HelpFile file(kHelpFile);
    for (int context : {1, 3, 20, -1}) {
        const std::string message = helpErrorOf([&] { file.topic(context); });
        EXPECT_NE(message.find(QDir::toNativeSeparators(file.path()).toStdString()), std::string::npos);
        EXPECT_NE(message.find("context number " + std::to_string(context)), std::string::npos) << message;
    }
}

TEST(HelpFileTest, KeepsItsCollectionOutOfTheHelpFilesFolder)
{
    QTemporaryDir installed;
    const QString copy = installed.filePath(QStringLiteral("QUILLON.HLP"));
    ASSERT_TRUE(QFile::copy(kHelpFile, copy));
    {
        const HelpFile file(copy);
        EXPECT_EQ(file.topic(9).title, QStringLiteral("Input Values"));
        EXPECT_EQ(QDir(installed.path()).entryList(QDir::Files), QStringList{QStringLiteral("QUILLON.HLP")});
        EXPECT_FALSE(file.engine()->collectionFile().startsWith(installed.path()));
    }
}

class HelpWindowTest : public testing::Test {
protected:
    void TearDown() override { help.reset(); }
    /* Asks for a topic and returns the help window that shows it. */
    HelpWindow *showContext(int context)
    {
        help->showContext(kHelpFile, context, &wizard);
        auto *window = wizard.findChild<HelpWindow *>(QStringLiteral("HelpWindow"));
        EXPECT_NE(window, nullptr);
        return window;
    }
    QWidget wizard;
    std::unique_ptr<HelpSystem> help = createQtHelpSystem();
};

TEST_F(HelpWindowTest, ShowsTheTopicAndReusesTheWindowForTheNextRequest)
{
    HelpWindow *window = showContext(9);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillon Help"));
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Input Values"));
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("is not a valid identifier.")));

    window->hide();
    help->showContext(kHelpFile, 13, &wizard);
    EXPECT_EQ(wizard.findChildren<HelpWindow *>().size(), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Database Login"));

    /* The topic shown is selected in the contents once they are built. */
    auto *contents = window->findChild<QHelpContentWidget *>(QStringLiteral("HelpContents"));
    ASSERT_NE(contents, nullptr);
    QTRY_COMPARE(contents->currentIndex().data().toString(), QStringLiteral("Database Login"));
}

TEST_F(HelpWindowTest, TheIndexFilterNarrowsTheKeywordsAndEnterShowsTheTopic)
{
    HelpWindow *window = showContext(0);
    ASSERT_NE(window, nullptr);
    auto *index = window->findChild<QHelpIndexWidget *>(QStringLiteral("HelpIndex"));
    auto *filter = window->findChild<QLineEdit *>(QStringLiteral("HelpIndexFilter"));
    ASSERT_NE(index, nullptr);
    ASSERT_NE(filter, nullptr);
    QTRY_VERIFY(index->model()->rowCount() > 40);

    QTest::keyClicks(filter, QStringLiteral("Passw"));
    QTRY_COMPARE(index->model()->rowCount(), 1);
    EXPECT_EQ(index->model()->index(0, 0).data().toString(), QStringLiteral("Password"));
    index->setCurrentIndex(index->model()->index(0, 0));
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Database Login"));
}

TEST_F(HelpWindowTest, BackAndForwardRetraceTheTopicsRead)
{
    HelpWindow *window = showContext(12);
    ASSERT_NE(window, nullptr);
    auto *back = window->findChild<QAction *>(QStringLiteral("HelpBack"));
    auto *forward = window->findChild<QAction *>(QStringLiteral("HelpForward"));
    ASSERT_NE(back, nullptr);
    ASSERT_NE(forward, nullptr);
    EXPECT_FALSE(back->isEnabled());

    /* A link of the topic, then a page asked for by the wizard. */
    window->browser()->setSource(window->browser()->source().resolved(QUrl(QStringLiteral("login.html"))));
    help->showContext(kHelpFile, 18, &wizard);
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Output File"));
    back->trigger();
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Database Login"));
    back->trigger();
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Database Options"));
    EXPECT_FALSE(back->isEnabled());
    ASSERT_TRUE(forward->isEnabled());
    forward->trigger();
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Database Login"));
}

TEST_F(HelpWindowTest, AHelpFileRemovedAfterTheWindowOpenedIsReported)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("QUILLON.HLP"));
    ASSERT_TRUE(QFile::copy(kHelpFile, copy));
    help->showContext(copy, 0, &wizard);
    ASSERT_TRUE(QFile::remove(copy));
    const std::string message = helpErrorOf([&] { help->showContext(copy, 9, &wizard); });
    EXPECT_NE(message.find(QDir::toNativeSeparators(copy).toStdString()), std::string::npos) << message;
}

TEST_F(HelpWindowTest, AContextWithoutATopicLeavesTheTopicShown)
{
    HelpWindow *window = showContext(18);
    ASSERT_NE(window, nullptr);
    EXPECT_THROW(help->showContext(kHelpFile, 2, &wizard), HelpError);
    EXPECT_EQ(window->browser()->documentTitle(), QStringLiteral("Output File"));
}

} // namespace
