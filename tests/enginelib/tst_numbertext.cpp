#include "enginelib/numbertext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace quillon::enginelib;

namespace {

struct NumberCase
{
    const char *text;
    NumberKind kind;
};

class NumberText : public ::testing::TestWithParam<NumberCase>
{
};

TEST_P(NumberText, Classifies)
{
    EXPECT_EQ(classifyNumber(GetParam().text), GetParam().kind) << GetParam().text;
}

// Every number reads as the C library reads it, to the last bit; the text
// given is a slice of a longer buffer, as the CSV reader hands it out.
TEST_P(NumberText, ReadsAsTheCLibraryDoes)
{
    const char *text = GetParam().text;
    const std::string padded = std::string(text) + "9e9";
    const std::string_view slice(padded.data(), std::strlen(text));
    switch (GetParam().kind) {
    case NumberKind::Integer:
        EXPECT_EQ(integerOfText(slice), std::strtoll(text, nullptr, 10)) << text;
        break;
    case NumberKind::Real: {
        const double expected = std::strtod(text, nullptr), got = realOfText(slice);
        EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << text << ": " << got << " != " << expected;
        break;
    }
    case NumberKind::NotNumber:
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberText,
    ::testing::Values(NumberCase{"0", NumberKind::Integer}, NumberCase{"-12", NumberKind::Integer},
                      NumberCase{"+7", NumberKind::Integer}, NumberCase{"3.5", NumberKind::Real},
                      NumberCase{".5", NumberKind::Real}, NumberCase{"5.", NumberKind::Real},
                      NumberCase{"1e3", NumberKind::Real}, NumberCase{"-2.5E-3", NumberKind::Real},
                      NumberCase{"1234567890123456789012", NumberKind::Real},
                      NumberCase{"-999999999999999999", NumberKind::Integer},
                      NumberCase{"0.1", NumberKind::Real}, NumberCase{"2.2250738585072011e-308", NumberKind::Real},
                      NumberCase{"1e400", NumberKind::Real}, NumberCase{"-1e-400", NumberKind::Real},
                      NumberCase{"9007199254740993", NumberKind::Integer},
                      NumberCase{"9007199254740993.0", NumberKind::Real}, NumberCase{"+.5e+2", NumberKind::Real},
                      NumberCase{"", NumberKind::NotNumber}, NumberCase{"-", NumberKind::NotNumber},
                      NumberCase{".", NumberKind::NotNumber}, NumberCase{"1e", NumberKind::NotNumber},
                      NumberCase{" 5", NumberKind::NotNumber}, NumberCase{"5 ", NumberKind::NotNumber},
                      NumberCase{"1,000", NumberKind::NotNumber}, NumberCase{"0x10", NumberKind::NotNumber},
                      NumberCase{"1.2.3", NumberKind::NotNumber}, NumberCase{"abc", NumberKind::NotNumber}));

} // namespace
