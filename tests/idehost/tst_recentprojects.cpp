/*
** The projects the IDE remembers: newest first, each once, at most six,
** the last one kept apart, and a registry that cannot be read remembering
** nothing rather than failing.
*/

#include "idehost/recentprojects.h"
#include "platform/registry.h"
#include "../support/isolatedfolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace quillon::idehost {
namespace {

struct RecentRow
{
    const char *name;
    std::vector<const char *> opened; // in order; "" closes the project
    std::vector<const char *> recent; // newest first
    const char *last;
};

class Recent : public ::testing::TestWithParam<RecentRow>
{
protected:
    quillon::test::IsolatedFolder folder;
};

TEST_P(Recent, AreKeptNewestFirstEachOnce)
{
    platform::Registry registry;
    RecentProjects projects(registry);
    for (const char *path : GetParam().opened)
        projects.setCurrent(QString::fromLatin1(path));
    QStringList expected;
    for (const char *path : GetParam().recent)
        expected << QString::fromLatin1(path);
    // Read back through a fresh object, as the next start of the IDE does.
    RecentProjects later(registry);
    EXPECT_EQ(later.recent(), expected);
    EXPECT_EQ(later.lastProject(), QString::fromLatin1(GetParam().last));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Recent,
    ::testing::Values(RecentRow{"Nothing", {}, {}, ""},
                      RecentRow{"OneThenClosed", {"/p/A.dpr", ""}, {"/p/A.dpr"}, ""},
                      RecentRow{"ReopenedMovesToTheFront", {"/p/A.dpr", "/p/B.dpr", "/p/A.dpr"}, {"/p/A.dpr", "/p/B.dpr"},
                                "/p/A.dpr"},
                      RecentRow{"AtMostSix",
                                {"/p/1.dpr", "/p/2.dpr", "/p/3.dpr", "/p/4.dpr", "/p/5.dpr", "/p/6.dpr", "/p/7.dpr"},
                                {"/p/7.dpr", "/p/6.dpr", "/p/5.dpr", "/p/4.dpr", "/p/3.dpr", "/p/2.dpr"},
                                "/p/7.dpr"},
                      RecentRow{"BlanksAndSpacesKept", {"/p/my project.dpr"}, {"/p/my project.dpr"}, "/p/my project.dpr"}),
    [](const ::testing::TestParamInfo<RecentRow> &info) { return std::string(info.param.name); });

TEST(RecentUnreadable, ARegistryThatCannotBeReadRemembersNothing)
{
    quillon::test::IsolatedFolder folder;
    platform::Registry registry;
    RecentProjects(registry).setCurrent(QStringLiteral("/p/A.dpr"));
    QFile hive(QString::fromStdString(registry.hiveFile(platform::Hive::CurrentUser)));
    ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
    hive.write("\x01\x02 not a hive [[[\n");
    hive.close();
    RecentProjects projects(registry);
    EXPECT_TRUE(projects.recent().isEmpty());
    EXPECT_TRUE(projects.lastProject().isEmpty());
}

} // namespace
} // namespace quillon::idehost
