/*
** The list of names the generated source uses (isGeneratedSourceName()) is
** complete: every identifier of real generated sources, outside string
** literals, comments and directives and not qualified by a ".", is a request
** value name, the library name, a reserved word or on the list. A request value variable of any
** other name therefore cannot clash with the code around it.
*/

#include "generator/sourcegenerator.h"

#include "platform/atomicfile.h"
#include "project/identifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

using namespace quillon;

namespace {

bool startsIdentifier(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool insideIdentifier(char c)
{
    return startsIdentifier(c) || std::isdigit(static_cast<unsigned char>(c));
}

// The unqualified identifiers of Pascal source text.
std::set<std::string> bareIdentifiers(const std::string &source)
{
    std::set<std::string> names;
    char previous = ' '; // the last character outside blanks and comments
    for (std::size_t i = 0; i < source.size();) {
        const char c = source[i];
        if (c == '{') {
            i = source.find('}', i);
        } else if (source.compare(i, 2, "(*") == 0) {
            i = source.find("*)", i) + 1;
        } else if (source.compare(i, 2, "//") == 0) {
            i = source.find('\n', i);
        } else if (c == '\'') {
            i = source.find('\'', i + 1); // a doubled quote is two literals in a row
            previous = '\'';
        } else if (c == '#' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            while (i + 1 < source.size() && std::isxdigit(static_cast<unsigned char>(source[i + 1])))
                ++i;
            previous = '0';
        } else if (startsIdentifier(c)) {
            std::size_t end = i;
            while (end < source.size() && insideIdentifier(source[end]))
                ++end;
            if (previous != '.')
                names.insert(source.substr(i, end - i));
            previous = 'a';
            i = end - 1;
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            previous = c;
        }
        if (i == std::string::npos)
            break;
        ++i;
    }
    return names;
}

struct Shape
{
    const char *name;
    std::function<void(WizardProject &)> setup;
};

void PrintTo(const Shape &shape, std::ostream *os)
{
    *os << shape.name;
}

class GeneratedNames : public testing::TestWithParam<Shape>
{};

TEST_P(GeneratedNames, EveryBareIdentifierIsAnInputReservedOrListed)
{
    WizardProject p;
    p.Input = {"Town", "Qty"};
    p.HasHeaderFile = p.HasFooterFile = true;
    p.HeaderFile = "/h.htm";
    p.FooterFile = "/f.htm";
    p.DBName = "DEMO";
    p.UserName = "ann";
    p.TbToBrowse = "CUSTOMER";
    p.RetChosenFields = {"NAME", "CITY"};
    p.PageTitle = "Shop";
    p.Author = "Ann";
    p.DoGenDate = p.DoGenTime = true;
    p.OutputDLL = "/out/Shop.dpr";
    GetParam().setup(p);
    ASSERT_NO_THROW(generator::checkBareNames(p));

    const std::string source = generator::expandTemplate(p, platform::readFile(QUILLON_TEMPLATE),
                                                         {"12/08/26", "19:20:09"});
    const std::set<std::string> names = bareIdentifiers(source);
    ASSERT_GT(names.size(), 50u); // the scanner found the code
    for (const auto &name : names) {
        // The request value names and the library name are the user's.
        const bool own = std::find(p.Input.begin(), p.Input.end(), name) != p.Input.end() || name == "Shop";
        EXPECT_TRUE(own || isReservedWord(name) || isGeneratedSourceName(name))
            << name << " is used by the generated source but not listed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, GeneratedNames,
    testing::Values(Shape{"BrowseTableWithLogin", [](WizardProject &) {}},
                    Shape{"BrowseQuery",
                          [](WizardProject &p) {
                              p.TbBrowse = false;
                              p.QrBrowse = true;
                              p.DoLogin = false;
                              p.QrToBrowse = "SELECT * FROM CUSTOMER";
                          }},
                    Shape{"Insert",
                          [](WizardProject &p) {
                              p.DoBrowse = false;
                              p.DoInsert = true;
                              p.TbInsData = "ORDERS";
                              p.UpdFields = {"CITY=Town", "QTY=Qty"};
                          }},
                    Shape{"NoDatabaseNoInput", [](WizardProject &p) {
                              p.DBOk = false;
                              p.Input.clear();
                          }}));

} // namespace
