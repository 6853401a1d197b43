// Which ":Name" marks a browse query holds and which request values they
// name: one row per lexical case the databases treat differently.

#include "project/queryparameters.h"

#include <gtest/gtest.h>

namespace {

using quillon::QueryParameter;
using quillon::StringList;

struct Row
{
    const char *name;
    std::string sql;
    StringList inputs;
    // "Name=RequestValue" per parameter, in order ("Name=" when it names none).
    StringList expected;
};

void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

class QueryParameters : public testing::TestWithParam<Row>
{};

TEST_P(QueryParameters, FindsTheMarksOutsideLiteralsAndComments)
{
    const Row &row = GetParam();
    StringList found;
    for (const QueryParameter &p : quillon::queryParameters(row.sql, row.inputs))
        found.push_back(p.name + "=" + p.requestValue);
    EXPECT_EQ(found, row.expected) << row.sql;
}

const StringList kInputs = {"City", "Name", "MinAge"};

INSTANTIATE_TEST_SUITE_P(
    Rows, QueryParameters,
    testing::Values(
        Row{"None", "SELECT * FROM customer", kInputs, {}},
        Row{"OneNamingARequestValue", "SELECT * FROM customer WHERE CITY = :City", kInputs, {"City=City"}},
        Row{"CaseIgnoredSpellingKept", "WHERE CITY = :city OR TOWN = :CITY", kInputs, {"city=City"}},
        Row{"OrderOfFirstMark",
            "WHERE A > :MinAge AND B = :Name AND C = :MinAge",
            kInputs,
            {"MinAge=MinAge", "Name=Name"}},
        Row{"NamingNoRequestValue", "WHERE A = :Other AND B = :City", kInputs, {"Other=", "City=City"}},
        Row{"EndOfText", "WHERE A=:City", kInputs, {"City=City"}},
        Row{"DigitsAndUnderscores", "WHERE A = :_a1 AND B = :b_2c", {}, {"_a1=", "b_2c="}},
        Row{"InStringLiteral", "WHERE A = ':City' AND B = 'it''s :Name' AND C = :MinAge", kInputs, {"MinAge=MinAge"}},
        Row{"EscapedQuoteInEString", "WHERE A = E'\\' :City' AND B = :Name", kInputs, {"Name=Name"}},
        Row{"BackslashInPlainString", "WHERE A = 'C:\\' AND B = :Name", kInputs, {"Name=Name"}},
        Row{"InQuotedIdentifier",
            "SELECT \"a:City\" FROM t WHERE \"x\"\"y:Name\" = :MinAge",
            kInputs,
            {"MinAge=MinAge"}},
        Row{"InLineComment", "SELECT * -- :City\nFROM t WHERE A = :Name", kInputs, {"Name=Name"}},
        Row{"InNestedBlockComment",
            "SELECT /* a /* :City */ :MinAge */ * FROM t WHERE A = :Name",
            kInputs,
            {"Name=Name"}},
        Row{"CastIsNoMark", "WHERE A::text = :City AND B = c::Name", kInputs, {"City=City"}},
        Row{"CastRightAfterAMark", "WHERE A = :City::varchar", kInputs, {"City=City"}},
        Row{"DollarQuoted", "SELECT $$ :City $$, $fn$ :Name $x$ :MinAge $fn$ WHERE A = :Name", kInputs, {"Name=Name"}},
        Row{"NumberedParameterIsNoMark", "WHERE A = $1 AND B = :City", kInputs, {"City=City"}},
        Row{"SliceAndAssignment", "SELECT a[1:2], b := 3, c[2:3] FROM t", kInputs, {}},
        Row{"UnclosedLiteralRunsToTheEnd", "WHERE A = 'x :City", kInputs, {}},
        Row{"UnclosedCommentRunsToTheEnd", "WHERE A = 1 /* :City", kInputs, {}},
        Row{"LoneColonAtEnd", "SELECT 1 :", kInputs, {}}),
    [](const testing::TestParamInfo<Row> &info) { return std::string(info.param.name); });

} // namespace
