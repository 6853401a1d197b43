/*
** The edits "quillon lazarus install|uninstall" make to Lazarus's own
** configuration files: each changes only what it must, leaves a file it
** has no business with as it is, and keeps the rest byte for byte.
*/

#include "cli/lazarusconfig.h"
#include "generator/sourcegenerator.h"

#include <gtest/gtest.h>

using namespace quillon::cli;

namespace {

const std::string kEnvHead = "<?xml version=\"1.0\"?>\n<CONFIG>\n  <EnvironmentOptions>\n";
const std::string kEnvTail = "    <LazarusDirectory Value=\"/usr/lib/lazarus/2.2.6/\"/>\n  </EnvironmentOptions>\n</CONFIG>\n";

std::string env(const std::string &version)
{
    return kEnvHead + "    <Version Value=\"110\"" + version + "/>\n" + kEnvTail;
}

struct VersionRow
{
    const char *recorded; // the Version element's attributes after Value
    const char *ide;      // what lazbuild --version says
    const char *expected; // the attributes afterwards
};

class IdeVersion : public ::testing::TestWithParam<VersionRow>
{};

TEST_P(IdeVersion, CompletesOnlyTheSameRelease)
{
    const VersionRow &row = GetParam();
    EXPECT_EQ(withIdeVersion(env(row.recorded), row.ide), env(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IdeVersion,
    ::testing::Values(
        // lazbuild's record of the IDE's own release: completed.
        VersionRow{" Lazarus=\"2.2.6\"", "2.2.6+dfsg2-2", " Lazarus=\"2.2.6+dfsg2-2\""},
        VersionRow{" Lazarus=\"3.0\"", "3.0-1", " Lazarus=\"3.0-1\""},
        // Already right, another release (a real upgrade or downgrade,
        // which Lazarus should ask about), a prefix that is no release of
        // its own, no record: unchanged.
        VersionRow{" Lazarus=\"2.2.6+dfsg2-2\"", "2.2.6+dfsg2-2", " Lazarus=\"2.2.6+dfsg2-2\""},
        VersionRow{" Lazarus=\"2.2.4\"", "2.2.6+dfsg2-2", " Lazarus=\"2.2.4\""},
        VersionRow{" Lazarus=\"2.2\"", "2.2.6+dfsg2-2", " Lazarus=\"2.2\""},
        VersionRow{" Lazarus=\"\"", "2.2.6", " Lazarus=\"\""},
        VersionRow{"", "2.2.6+dfsg2-2", ""}));

TEST(FppkgConfig, AddedOnceAndNeverOverTheUsersOwn)
{
    const std::string fresh = env(" Lazarus=\"2.2.6\"");
    const std::string added = withFppkgConfig(fresh, "/home/u/.lazarus/quillon-fppkg/fppkg.cfg");
    EXPECT_EQ(added, kEnvHead.substr(0, kEnvHead.size() - 1) +
                         "\n    <FppkgConfigFile Value=\"/home/u/.lazarus/quillon-fppkg/fppkg.cfg\"/>\n" +
                         "    <Version Value=\"110\" Lazarus=\"2.2.6\"/>\n" + kEnvTail);
    EXPECT_EQ(withFppkgConfig(added, "/elsewhere/fppkg.cfg"), added);
    // A path XML must escape, and one it cannot carry.
    EXPECT_NE(withFppkgConfig(fresh, "/a&b/f.cfg").find("Value=\"/a&amp;b/f.cfg\""), std::string::npos);
    EXPECT_THROW(withFppkgConfig(fresh, "/a\nb"), quillon::generator::GenerationError);
    // Not Lazarus's environment file: refused rather than guessed at.
    EXPECT_THROW(withFppkgConfig("<CONFIG/>", "/f.cfg"), std::runtime_error);
    EXPECT_THROW(withIdeVersion("", "2.2.6"), std::runtime_error);
}

std::string misc(const std::string &list)
{
    return "<CONFIG>\n  <MiscellaneousOptions>\n    <BuildLazarusOptions>\n" + list +
           "      <Profiles Count=\"0\"/>\n    </BuildLazarusOptions>\n  </MiscellaneousOptions>\n</CONFIG>\n";
}

// The same file with the list after the profiles, where a new one goes.
std::string miscListLast(const std::string &list)
{
    return "<CONFIG>\n  <MiscellaneousOptions>\n    <BuildLazarusOptions>\n      <Profiles Count=\"0\"/>\n" + list +
           "    </BuildLazarusOptions>\n  </MiscellaneousOptions>\n</CONFIG>\n";
}

std::string list(const std::vector<std::string> &names)
{
    std::string text = "      <StaticAutoInstallPackages Count=\"" + std::to_string(names.size()) + "\">\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        text += "        <Item" + std::to_string(i + 1) + " Value=\"" + names[i] + "\"/>\n";
    return text + "      </StaticAutoInstallPackages>\n";
}

struct PackageRow
{
    std::string before;
    std::string after;
    bool removed;
};

void PrintTo(const PackageRow &row, std::ostream *out)
{
    *out << row.before;
}

class StaticPackage : public ::testing::TestWithParam<PackageRow>
{};

TEST_P(StaticPackage, TakenOutAndRenumbered)
{
    const PackageRow &row = GetParam();
    bool removed = !row.removed;
    EXPECT_EQ(withoutStaticPackage(misc(row.before), "QuillonLazarus", removed), misc(row.after));
    EXPECT_EQ(removed, row.removed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StaticPackage,
    ::testing::Values(
        PackageRow{list({"syneditdsgn", "QuillonLazarus"}), list({"syneditdsgn"}), true},
        PackageRow{list({"quillonlazarus", "a", "b"}), list({"a", "b"}), true}, // any letter case
        PackageRow{list({"QuillonLazarus"}), list({}), true},
        PackageRow{list({"a", "QuillonLazarusExtra"}), list({"a", "QuillonLazarusExtra"}), false},
        PackageRow{list({}), list({}), false},
        PackageRow{"      <StaticAutoInstallPackages Count=\"0\"/>\n",
                   "      <StaticAutoInstallPackages Count=\"0\"/>\n", false},
        PackageRow{"", "", false}));

struct AddRow
{
    std::string before;
    std::vector<std::string> names;
    std::string after;
};

class StaticPackagesAdded : public ::testing::TestWithParam<AddRow>
{};

void PrintTo(const AddRow &row, std::ostream *out)
{
    *out << row.names.size() << " names into " << row.before;
}

TEST_P(StaticPackagesAdded, AfterTheOnesThereOnce)
{
    const AddRow &row = GetParam();
    const std::string after = row.before.empty() ? miscListLast(row.after) : misc(row.after);
    EXPECT_EQ(withStaticPackages(misc(row.before), row.names), after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StaticPackagesAdded,
    ::testing::Values(
        AddRow{list({"syneditdsgn"}), {"LazDebuggerFp", "TAChartLazarusPkg"},
               list({"syneditdsgn", "LazDebuggerFp", "TAChartLazarusPkg"})},
        // Listed already in another letter case, or twice in the names.
        AddRow{list({"lazdebuggerfp"}), {"LazDebuggerFp", "SQLDBLaz", "sqldblaz"}, list({"lazdebuggerfp", "SQLDBLaz"})},
        AddRow{list({"a"}), {}, list({"a"})},
        // No list yet, or an empty one: made where Lazarus keeps it.
        AddRow{"", {"LazDebuggerFp"}, list({"LazDebuggerFp"})},
        AddRow{"      <StaticAutoInstallPackages Count=\"0\"/>\n", {"LazDebuggerFp"}, list({"LazDebuggerFp"})}));

TEST(StaticPackagesAdded, RefusesAFileWithoutBuildOptions)
{
    EXPECT_THROW(withStaticPackages("<CONFIG/>\n", {"x"}), std::runtime_error);
    EXPECT_EQ(withStaticPackages("<CONFIG/>\n", {}), "<CONFIG/>\n");
}

TEST(BigIde, TheUnitsOfItsUsesPartOnly)
{
    const std::string source = "uses\n  Main,\n  {$IFDEF AddStaticPkgs}\n  {$I staticpackages.inc}\n  {$ENDIF}\n"
                               "  {$IFDEF BigIDE}\n    AllSynEditDsgn, DateTimeCtrlsDsgn,\n"
                               "    laz.virtualtreeview_package, LazDebuggerFp,\n  {$ENDIF}\n  MainBase;\n";
    EXPECT_EQ(bigIdeUnits(source), (std::vector<std::string>{"AllSynEditDsgn", "DateTimeCtrlsDsgn",
                                                             "laz.virtualtreeview_package", "LazDebuggerFp"}));
    EXPECT_EQ(bigIdeUnits("uses Main, MainBase;"), std::vector<std::string>{});
    EXPECT_EQ(bigIdeUnits("{$IFDEF BigIDE} A, B"), std::vector<std::string>{}); // cut short
}

std::string debuggers(const std::string &configs)
{
    return kEnvHead + "    <Debugger>\n      <Configs>\n" + configs + "      </Configs>\n    </Debugger>\n" + kEnvTail;
}

const std::string kFp = "        <Config ConfigName=\"FpDebug\" ConfigClass=\"TFpDebugDebugger\"";
const std::string kGdb = "        <Config ConfigName=\"Gdb\" ConfigClass=\"TGDBMIDebugger\"";
const std::string kRest = " UID=\"{1}\"/>\n";

TEST(ActiveDebugger, GdbWhereThereIsOne)
{
    const std::string on = " Active=\"True\"";
    EXPECT_EQ(withActiveDebugger(debuggers(kFp + on + kRest + kGdb + kRest), "TGDBMIDebugger"),
              debuggers(kFp + kRest + kGdb + on + kRest));
    EXPECT_EQ(withActiveDebugger(debuggers(kFp + kRest + kGdb + on + kRest), "TGDBMIDebugger"),
              debuggers(kFp + kRest + kGdb + on + kRest));
    // No GDB configuration, or no debugger settings at all: as it is.
    EXPECT_EQ(withActiveDebugger(debuggers(kFp + on + kRest), "TGDBMIDebugger"), debuggers(kFp + on + kRest));
    EXPECT_EQ(withActiveDebugger(env(""), "TGDBMIDebugger"), env(""));
}

TEST(StartingOptions, BuildTheIdeIntoTheFolderGiven)
{
    const std::string text = startingMiscOptions("/home/u/.lazarus/bin");
    EXPECT_NE(text.find("<TargetDirectory Value=\"/home/u/.lazarus/bin\"/>"), std::string::npos);
    EXPECT_NE(text.find("<Item1 Value=\"syneditdsgn\"/>"), std::string::npos);
    bool removed = true;
    EXPECT_EQ(withoutStaticPackage(text, "QuillonLazarus", removed), text);
    EXPECT_FALSE(removed);
}

TEST(FppkgFiles, NameFreePascalsFolderAndTheRtl)
{
    const auto files = fppkgFiles("/p/q/", "/usr/lib/x86_64-linux-gnu/fpc/3.2.2/", "3.2.2", "x86_64", "linux");
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "fppkg.cfg");
    EXPECT_NE(files[0].text.find("CompilerConfigDir=/p/q/config/\n"), std::string::npos);
    EXPECT_NE(files[0].text.find("Path=/usr/lib/x86_64-linux-gnu/fpc/3.2.2/\n"), std::string::npos);
    EXPECT_EQ(files[1].path, "config/default");
    EXPECT_NE(files[1].text.find("Version=3.2.2\n"), std::string::npos);
    EXPECT_EQ(files[2].path, "lib/fpc/3.2.2/fpmkinst/x86_64-linux/rtl.fpm");
    EXPECT_EQ(files[2].text, "Name=rtl\nVersion=3.2.2\nCPU=x86_64\nOS=linux\n");
}

} // namespace
