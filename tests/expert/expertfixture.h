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

#include "../support/isolatedfolder.h"

#include <gtest/gtest.h>

namespace quillon::expert::test {

class ExpertTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
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
    }

    std::string path(const char *name) const { return m_folder.path(name); }
    QString qpath(const char *name) const { return m_folder.qpath(name); }

    QStringList transcript;
    wizard::ScriptedDialogs dialogs{[this](const QString &line) { transcript << line; }};

private:
    quillon::test::IsolatedFolder m_folder;
};

} // namespace quillon::expert::test
