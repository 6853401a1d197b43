/*
** The Lazarus project written beside a generated source: read back with
** an XML parser, it names what Lazarus needs, for any path the values may
** hold; values it cannot carry are refused by name; an existing .lpi is
** never replaced.
*/

#include "generator/lazarusproject.h"
#include "generator/sourcegenerator.h"
#include "platform/atomicfile.h"
#include "tests/support/tempdir.h"
#include "tests/support/unprivileged.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quillon;

namespace {

// Every element's Value attribute (and build modes' Name) by its path from
// the root, "CONFIG/ProjectOptions/General/Title"; a list repeats a path.
using Values = std::multimap<std::string, std::string>;

Values parse(const std::string &text, std::string &error)
{
    Values values;
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    std::vector<std::string> path;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path.push_back(xml.name().toString().toStdString());
            std::string joined;
            for (const auto &p : path)
                joined += (joined.empty() ? "" : "/") + p;
            for (const char *attribute : {"Value", "Name"}) {
                if (xml.attributes().hasAttribute(attribute))
                    values.emplace(joined + (attribute[0] == 'N' ? "@Name" : ""),
                                   xml.attributes().value(attribute).toString().toStdString());
            }
        } else if (xml.isEndElement()) {
            path.pop_back();
        }
    }
    if (xml.hasError())
        error = xml.errorString().toStdString();
    return values;
}

std::vector<std::string> all(const Values &values, const std::string &path)
{
    std::vector<std::string> out;
    const auto [from, to] = values.equal_range(path);
    for (auto it = from; it != to; ++it)
        out.push_back(it->second);
    return out;
}

const std::string kOptions = "CONFIG/CompilerOptions/";                              // Debug, the default mode
const std::string kRelease = "CONFIG/ProjectOptions/BuildModes/Item/CompilerOptions/"; // Release

struct WrittenRow
{
    const char *name;
    const char *unitPath;
    const char *host;
};

void PrintTo(const WrittenRow &row, std::ostream *out)
{
    *out << row.name << " in " << row.unitPath;
}

class LazarusProjectText : public ::testing::TestWithParam<WrittenRow>
{};

TEST_P(LazarusProjectText, ReadsBackAsALibraryProjectOfTheDpr)
{
    const WrittenRow &row = GetParam();
    const std::string text = generator::lazarusProjectText({row.name, row.unitPath, row.host});
    std::string error;
    const Values v = parse(text, error);
    ASSERT_EQ(error, "") << text;
    const std::string name = row.name;
    EXPECT_EQ(all(v, "CONFIG/ProjectOptions/General/Title"), std::vector<std::string>{name});
    EXPECT_EQ(all(v, "CONFIG/ProjectOptions/Units/Unit/Filename"), std::vector<std::string>{name + ".dpr"});
    EXPECT_EQ(all(v, "CONFIG/ProjectOptions/BuildModes/Item@Name"),
              (std::vector<std::string>{"Debug", "Release"}));
    EXPECT_EQ(all(v, "CONFIG/ProjectOptions/RunParams/Modes/Mode0/local/HostApplicationFilename"),
              std::vector<std::string>{row.host});
    EXPECT_EQ(all(v, "CONFIG/ProjectOptions/RunParams/Modes/Mode0/local/CommandLineParams"),
              std::vector<std::string>{"./lib" + name + ".so \"\""});
    EXPECT_EQ(all(v, "CONFIG/ProjectOptions/RunParams/Modes/Mode0/local/WorkingDirectory"),
              std::vector<std::string>{"$(ProjPath)"});
    // Both modes: the same library, unit path and -Cg; Debug without
    // optimisation and with debug information, Release the other way round.
    for (const std::string &mode : {kOptions, kRelease}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(all(v, mode + "Target/Filename"), std::vector<std::string>{"lib" + name + ".so"});
        EXPECT_EQ(all(v, mode + "SearchPaths/OtherUnitFiles"), std::vector<std::string>{row.unitPath});
        EXPECT_EQ(all(v, mode + "Linking/Options/ExecutableType"), std::vector<std::string>{"Library"});
        EXPECT_EQ(all(v, mode + "Other/CustomOptions"), std::vector<std::string>{"-Cg"});
    }
    EXPECT_EQ(all(v, kOptions + "CodeGeneration/Optimizations/OptimizationLevel"), std::vector<std::string>{"0"});
    EXPECT_EQ(all(v, kOptions + "Linking/Debugging/GenerateDebugInfo"), std::vector<std::string>{});
    EXPECT_EQ(all(v, kRelease + "CodeGeneration/Optimizations/OptimizationLevel"), std::vector<std::string>{"2"});
    EXPECT_EQ(all(v, kRelease + "Linking/Debugging/GenerateDebugInfo"), std::vector<std::string>{"False"});
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LazarusProjectText,
    ::testing::Values(WrittenRow{"DemoExt", "/usr/share/quillon/pascal", "/usr/bin/isapihost"},
                      WrittenRow{"x", "/home/a b/units", "/opt/q u/isapihost"},
                      // Every character XML gives a meaning to, in both values.
                      WrittenRow{"Shop_2", "/srv/<a>&\"b\"'c'", "/srv/&amp;/<host>"},
                      WrittenRow{"Caf", "/home/caf\xC3\xA9/pascal", "/home/\xE2\x82\xAC/isapihost"}));

struct RefusedRow
{
    const char *name;
    std::string unitPath;
    std::string host;
    const char *message; // part of the GenerationError's text
};

void PrintTo(const RefusedRow &row, std::ostream *out)
{
    *out << "refused: " << row.message;
}

class LazarusProjectRefusal : public ::testing::TestWithParam<RefusedRow>
{};

TEST_P(LazarusProjectRefusal, NamesTheValue)
{
    const RefusedRow &row = GetParam();
    try {
        generator::lazarusProjectText({row.name, row.unitPath, row.host});
        FAIL() << "no error";
    } catch (const generator::GenerationError &e) {
        EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, LazarusProjectRefusal,
    ::testing::Values(
        RefusedRow{"Ext", "/a;b", "/h", "the unit path \"/a;b\" holds ';'"},
        RefusedRow{"Ext", "/caf\xE9", "/h", "the unit path \"/caf\xE9\" is not UTF-8"},
        RefusedRow{"Ext", "/u", "/h\nx", "the host program \"/h\\x0Ax\" holds a control character"},
        RefusedRow{"Ext", std::string("/u\0v", 4), "/h", "the unit path \"/u\\x00v\" holds a control character"},
        RefusedRow{"Ext", "/u", "/h\xC0\x80", "the host program"}, // an overlong NUL
        RefusedRow{"1Ext", "/u", "/h", "the library name \"1Ext\""},
        RefusedRow{"", "/u", "/h", "the library name \"\""},
        RefusedRow{"a\"b", "/u", "/h", "the library name"}));

TEST(LazarusProjectPath, BesideTheSource)
{
    EXPECT_EQ(generator::lazarusProjectPath("/w/DemoExt.dpr"), "/w/DemoExt.lpi");
    EXPECT_EQ(generator::lazarusProjectPath("/w.d/DemoExt"), "/w.d/DemoExt.lpi");
    EXPECT_EQ(generator::lazarusProjectPath("/w/.hidden"), "/w/.hidden.lpi");
    EXPECT_EQ(generator::lazarusProjectPath("Ext.dpr"), "Ext.lpi");
}

// The .lpi is written once; whatever stands at its path later is the
// user's and stays, a dangling link included (writing through it would
// create a file elsewhere).
TEST(LazarusProjectFile, WrittenOnceThenKept)
{
    test::TempDir dir;
    const std::string dpr = dir.file("Ext.dpr");
    ASSERT_TRUE(generator::writeLazarusProject(dpr, "/u", "/h"));
    const std::string first = platform::readFile(dir.file("Ext.lpi"));
    EXPECT_NE(first.find("<Filename Value=\"Ext.dpr\"/>"), std::string::npos);

    platform::writeFileAtomically(dir.file("Ext.lpi"), "the user's own");
    EXPECT_FALSE(generator::writeLazarusProject(dpr, "/other", "/h"));
    EXPECT_EQ(platform::readFile(dir.file("Ext.lpi")), "the user's own");

    ASSERT_EQ(::symlink(dir.file("nowhere.lpi").c_str(), dir.file("Link.lpi").c_str()), 0);
    EXPECT_FALSE(generator::writeLazarusProject(dir.file("Link.dpr"), "/u", "/h"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere.lpi")));

    // A refused value leaves no file behind.
    EXPECT_THROW(generator::writeLazarusProject(dir.file("Bad.dpr"), "/a;b", "/h"), generator::GenerationError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Bad.lpi")));
}

// Run unprivileged: root would write into the read-only folder.
TEST(LazarusProjectFile, UnwritableFolderNamesTheFile)
{
    test::TempDir dir;
    const std::string failure = test::runUnprivileged({dir.path()}, [&]() -> std::string {
        if (::chmod(dir.path().c_str(), 0555) != 0)
            return "chmod failed";
        try {
            generator::writeLazarusProject(dir.file("Ext.dpr"), "/u", "/h");
            return "no error";
        } catch (const generator::GenerationError &e) {
            if (e.path() != dir.file("Ext.lpi"))
                return "the error names " + e.path();
        }
        ::chmod(dir.path().c_str(), 0755);
        return {};
    });
    EXPECT_EQ(failure, "");
}

} // namespace
