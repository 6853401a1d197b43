#pragma once

/*
** Runs scripts on a real wizard window offscreen and collects the
** transcript, with its own temporary registry, engine configuration and
** working folder for every test. The window talks to the fake engine of
** fakeengine.h unless a test asks for the real engine library.
*/

#include "fakeengine.h"
#include "expert/ViewAsText.h"
#include "wizard/frmwiz.h"
#include "wizard/helpsystem.h"
#include "wizard/scriptdriver.h"
#include "wizard/scripteddialogs.h"
#include "wizard/wizardhost.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace quillon::wizard::test {

// Script pieces: the lines of a, then those of b.
inline QStringList with(QStringList a, const QStringList &b)
{
    a += b;
    return a;
}
// Next from the welcome page to the input page and to the database page.
inline const QStringList toInput{"click btnNext", "click btnNext"};
inline const QStringList toDBCheck{"click btnNext", "click btnNext", "click btnNext"};

class RecordingHost : public WizardHost
{
public:
    void closeProject() override { calls << QStringLiteral("close"); }
    bool openProjectInfo(const std::string &path) override
    {
        calls << QStringLiteral("info ") + QString::fromStdString(path);
        return infoSucceeds;
    }
    void openProject(const std::string &path) override { calls << QStringLiteral("open ") + QString::fromStdString(path); }

    QStringList calls;
    bool infoSucceeds = true;
};

class RecordingHelp : public HelpSystem
{
public:
    explicit RecordingHelp(QStringList &transcript)
        : m_transcript(transcript)
    {}
    void showContext(const QString &file, int context, QWidget *) override
    {
        m_transcript << QStringLiteral("help %1 %2").arg(QDir(file).dirName()).arg(context);
    }

private:
    QStringList &m_transcript;
};

class WizardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        setenv("QUILLON_REGISTRY_DIR", path("registry").c_str(), 1);
        setenv("QUILLON_ENGINE_CONFIG", path("engine.cfg").c_str(), 1);
        setenv("QUILLON_STATE_DIR", path("state").c_str(), 1);
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override { QDir::setCurrent(m_oldDir); }

    std::string path(const char *name) const { return (m_dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }

    // Runs the script lines on a fresh window; the transcript comes back.
    // realEngine: the engine library instead of the fake.
    QStringList run(const QStringList &script, bool realEngine = false)
    {
        QStringList transcript;
        const auto sink = [&](const QString &line) { transcript << line; };
        ScriptedDialogs dialogs(sink);
        RecordingHelp help(transcript);
        WizardServices services;
        services.dialogs = &dialogs;
        if (!realEngine)
            services.engine = std::make_unique<FakeEngine>(engine);
        services.help = &help;
        services.host = &host;
        services.textView = &expert::showProjectTextView;
        TfrmWiz window(std::move(services));
        if (prepare)
            prepare(window);
        ScriptDriver driver(script, window, dialogs, sink);
        status = driver.run();
        if (inspect)
            inspect(window);
        return transcript;
    }

    // The transcript lines that start with one of the words.
    static QStringList only(const QStringList &transcript, const QStringList &words)
    {
        QStringList kept;
        for (const QString &line : transcript) {
            if (words.contains(line.section(QLatin1Char(' '), 0, 0)))
                kept << line;
        }
        return kept;
    }

    // Runs the script; its transcript lines that start with one of the words
    // must be expected, and the script must run to its end.
    // Compares the transcript lines of the kinds in words; the test's own
    // folder reads "$DIR" in them.
    void expectTranscript(const QStringList &script, const QStringList &words, const QStringList &expected)
    {
        QStringList t = run(script);
        t.replaceInStrings(m_dir.path(), QStringLiteral("$DIR"));
        const std::string all = t.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(only(t, words), expected) << all;
        EXPECT_EQ(status, 0) << all;
    }

    QTemporaryDir m_dir;
    QString m_oldDir;
    FakeState engine;
    RecordingHost host;
    std::function<void(TfrmWiz &)> prepare;
    std::function<void(TfrmWiz &)> inspect;
    int status = -1;
};

} // namespace quillon::wizard::test
