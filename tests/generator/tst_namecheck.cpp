#include "generator/sourcegenerator.h"

#include "platform/atomicfile.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace quillon;
using namespace quillon::generator;

namespace {

// An insert project whose every bare name is usable.
WizardProject insertProject()
{
    WizardProject p;
    p.Input = {"Town", "Name_2"};
    p.DoBrowse = false;
    p.DoInsert = true;
    p.TbInsData = "ORDERS";
    p.UpdFields = {"CITY=Town", "NAME=Name_2"};
    p.OutputDLL = "/out/Shop.dpr";
    return p;
}

struct NameCase
{
    const char *name;
    std::function<void(WizardProject &)> setup;
    std::string message; // empty: the project is accepted
};

void PrintTo(const NameCase &row, std::ostream *os)
{
    *os << row.name;
}

class BareNames : public testing::TestWithParam<NameCase>
{};

TEST_P(BareNames, RefusesEachValueThatIsNotAUsableName)
{
    WizardProject p = insertProject();
    GetParam().setup(p);
    std::string message;
    try {
        checkBareNames(p);
    } catch (const GenerationError &e) {
        message = e.what();
        EXPECT_EQ(e.path(), "");
    }
    EXPECT_EQ(message, GetParam().message);
}

const std::string kNotIdentifier =
    " is not a Pascal identifier (letters A-Z, digits and _, not starting with a digit)";

INSTANTIATE_TEST_SUITE_P(
    Rows, BareNames,
    testing::Values(
        NameCase{"AllUsable", [](WizardProject &) {}, ""},
        NameCase{"InjectedInput",
                 [](WizardProject &p) { p.Input.push_back("x: Integer; begin Halt(7) end; var y"); },
                 "Input2 \"x: Integer; begin Halt(7) end; var y\": the request value name" + kNotIdentifier},
        NameCase{"ReservedInput", [](WizardProject &p) { p.Input[0] = "Begin"; },
                 "Input0 \"Begin\": the request value name is a Pascal reserved word"},
        NameCase{"GeneratedNameInput", [](WizardProject &p) { p.Input[1] = "ecb"; },
                 "Input1 \"ecb\": the request value name is a name the generated source itself uses"},
        NameCase{"EmptyInput", [](WizardProject &p) { p.Input[0] = ""; },
                 "Input0 \"\": the request value name" + kNotIdentifier},
        // A mapped name that is not among the inputs still lands bare.
        NameCase{"InjectedMappingValue",
                 [](WizardProject &p) { p.UpdFields[1] = "NAME=Town; Halt(7)"; },
                 "UpdFields1 \"NAME=Town; Halt(7)\": the request value name \"Town; Halt(7)\"" +
                     kNotIdentifier},
        NameCase{"MappingWithoutValue", [](WizardProject &p) { p.UpdFields[0] = "CITY"; },
                 "UpdFields0 \"CITY\": the request value name \"\"" + kNotIdentifier},
        // Outside insert mode the mapping is not written.
        NameCase{"MappingIgnoredWhenBrowsing",
                 [](WizardProject &p) {
                     p.DoBrowse = true;
                     p.UpdFields[0] = "CITY=1st";
                 },
                 ""},
        NameCase{"InjectedLibraryName",
                 [](WizardProject &p) { p.OutputDLL = "/out/X;begin Halt(7) end.dpr"; },
                 "OutputDLL \"/out/X;begin Halt(7) end.dpr\": the library name \"X;begin Halt(7) end\"" +
                     kNotIdentifier},
        NameCase{"LibraryNamedLikeAUnit", [](WizardProject &p) { p.OutputDLL = "C:\\x\\SysUtils.dpr"; },
                 "OutputDLL \"C:\\x\\SysUtils.dpr\": the library name \"SysUtils\" is a name the "
                 "generated source itself uses"},
        NameCase{"NoLibraryName", [](WizardProject &p) { p.OutputDLL = "/out/Shop"; }, ""},
        // The compiler takes identifiers of at most 127 characters.
        NameCase{"LongestInput", [](WizardProject &p) { p.Input[0] = std::string(127, 'v'); }, ""},
        NameCase{"TooLongInput", [](WizardProject &p) { p.Input[0] = std::string(300, 'v'); },
                 "Input0 \"" + std::string(300, 'v') +
                     "\": the request value name is longer than 127 characters, the most a Pascal "
                     "identifier may have"},
        NameCase{"TooLongLibraryName",
                 [](WizardProject &p) { p.OutputDLL = "/out/" + std::string(128, 'L') + ".dpr"; },
                 "OutputDLL \"/out/" + std::string(128, 'L') + ".dpr\": the library name \"" +
                     std::string(128, 'L') +
                     "\" is longer than 127 characters, the most a Pascal identifier may have"}));

TEST(BareNamesFile, RefusedProjectWritesNothingAndKeepsTheOldOutput)
{
    test::TempDir dir;
    platform::writeFileAtomically(dir.file("template.dpr"), "library {*$LibName};\r\n{*$VarDecl}");
    platform::writeFileAtomically(dir.file("Shop.dpr"), "old");
    WizardProject p = insertProject();
    p.Input[0] = "x: Integer; begin Halt(7) end; var y";
    EXPECT_THROW(generateSourceFile(p, dir.file("template.dpr"), dir.file("Shop.dpr"), {}),
                 GenerationError);
    EXPECT_EQ(platform::readFile(dir.file("Shop.dpr")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
