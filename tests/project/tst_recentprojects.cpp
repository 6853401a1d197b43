/*
** The recent Quillon projects: newest first, each once, at most six; the
** IDE's last source kept apart from them; the project named for the next
** Load Project taken once; and a registry that cannot be read remembering
** nothing rather than failing.
*/

#include "project/recentprojects.h"
#include "platform/registry.h"
#include "../support/tempdir.h"

#include <fstream>

#include <gtest/gtest.h>

namespace quillon::project {
namespace {

struct RecentRow
{
    const char *name;
    std::vector<std::string> added; // in order
    std::vector<std::string> recent; // newest first
};

// A registry of its own in a fresh folder.
struct TestRegistry
{
    quillon::test::TempDir folder;
    platform::Registry registry{folder.path()};
};

class Recent : public ::testing::TestWithParam<RecentRow>, protected TestRegistry
{};

TEST_P(Recent, AreKeptNewestFirstEachOnce)
{
    RecentProjects projects(registry);
    projects.setLastSource("/p/Source.dpr");
    for (const std::string &path : GetParam().added)
        projects.add(path);
    // Read back through a fresh object, as the next start of the IDE does.
    RecentProjects later(registry);
    EXPECT_EQ(later.recent(), GetParam().recent);
    EXPECT_EQ(later.lastSource(), "/p/Source.dpr") << "the IDE's source is not a recent project";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Recent,
    ::testing::Values(RecentRow{"Nothing", {}, {}},
                      RecentRow{"ReopenedMovesToTheFront", {"/p/A.qnp", "/p/B.qnp", "/p/A.qnp"}, {"/p/A.qnp", "/p/B.qnp"}},
                      RecentRow{"AtMostSix",
                                {"/p/1.qnp", "/p/2.qnp", "/p/3.qnp", "/p/4.qnp", "/p/5.qnp", "/p/6.qnp", "/p/7.qnp"},
                                {"/p/7.qnp", "/p/6.qnp", "/p/5.qnp", "/p/4.qnp", "/p/3.qnp", "/p/2.qnp"}},
                      RecentRow{"TheOldestCanComeBackFirst",
                                {"/p/1.qnp", "/p/2.qnp", "/p/3.qnp", "/p/4.qnp", "/p/5.qnp", "/p/6.qnp", "/p/1.qnp"},
                                {"/p/1.qnp", "/p/6.qnp", "/p/5.qnp", "/p/4.qnp", "/p/3.qnp", "/p/2.qnp"}},
                      RecentRow{"BlanksAndSpacesKept", {"/p/my project.qnp"}, {"/p/my project.qnp"}}),
    [](const ::testing::TestParamInfo<RecentRow> &info) { return std::string(info.param.name); });

// The IDE names a project for the wizard's Load Project; the wizard takes
// it once, and a later Load Project asks again.
TEST(RecentOpenNext, IsTakenOnce)
{
    TestRegistry test;
    const platform::Registry &registry = test.registry;
    EXPECT_EQ(RecentProjects(registry).takeOpenNext(), "") << "nothing named in a new registry";
    RecentProjects(registry).setOpenNext("/p/A.qnp");
    RecentProjects wizard(registry);
    EXPECT_EQ(wizard.takeOpenNext(), "/p/A.qnp");
    EXPECT_EQ(wizard.takeOpenNext(), "");
    EXPECT_EQ(RecentProjects(registry).takeOpenNext(), "");
}

TEST(RecentUnreadable, ARegistryThatCannotBeReadRemembersNothing)
{
    TestRegistry test;
    const platform::Registry &registry = test.registry;
    RecentProjects(registry).add("/p/A.qnp");
    RecentProjects(registry).setLastSource("/p/A.dpr");
    RecentProjects(registry).setOpenNext("/p/A.qnp");
    std::ofstream(registry.hiveFile(platform::Hive::CurrentUser), std::ios::binary | std::ios::trunc)
        << "\x01\x02 not a hive [[[\n";
    RecentProjects projects(registry);
    EXPECT_TRUE(projects.recent().empty());
    EXPECT_TRUE(projects.lastSource().empty());
    EXPECT_TRUE(projects.takeOpenNext().empty());
}

} // namespace
} // namespace quillon::project
