#pragma once

/*
** Each expert test gets its own temporary registry, engine configuration
** and working folder, a scripted dialog service whose transcript lines land
** in one list, and a clean library state afterwards.
*/

#include "expert/expertlibrary.h"
#include "expert/kestrel.h"
#include "expert/toolform.h"
#include "widgets/explbtn.h"
#include "wizard/scripteddialogs.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillon::expert::test {

class ExpertTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        setenv("QUILLON_REGISTRY_DIR", path("registry").c_str(), 1);
        setenv("QUILLON_ENGINE_CONFIG", path("engine.cfg").c_str(), 1);
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        library() = ExpertLibrary{};
        library().dialogs = &dialogs;
    }
    void TearDown() override
    {
        ExpertLibrary &lib = library();
        delete lib.webBar;
        if (lib.expert)
            lib.expert->Release();
        lib = ExpertLibrary{};
        QDir::setCurrent(m_oldDir);
    }

    std::string path(const char *name) const { return (m_dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }
    QString qpath(const char *name) const { return QString::fromStdString(path(name)); }

    QStringList transcript;
    wizard::ScriptedDialogs dialogs{[this](const QString &line) { transcript << line; }};

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
};

} // namespace quillon::expert::test
