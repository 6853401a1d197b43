#include "enginelib/numbertext.h"

#include <gtest/gtest.h>

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

INSTANTIATE_TEST_SUITE_P(
    Values, NumberText,
    ::testing::Values(NumberCase{"0", NumberKind::Integer}, NumberCase{"-12", NumberKind::Integer},
                      NumberCase{"+7", NumberKind::Integer}, NumberCase{"3.5", NumberKind::Real},
                      NumberCase{".5", NumberKind::Real}, NumberCase{"5.", NumberKind::Real},
                      NumberCase{"1e3", NumberKind::Real}, NumberCase{"-2.5E-3", NumberKind::Real},
                      NumberCase{"1234567890123456789012", NumberKind::Real},
                      NumberCase{"", NumberKind::NotNumber}, NumberCase{"-", NumberKind::NotNumber},
                      NumberCase{".", NumberKind::NotNumber}, NumberCase{"1e", NumberKind::NotNumber},
                      NumberCase{" 5", NumberKind::NotNumber}, NumberCase{"5 ", NumberKind::NotNumber},
                      NumberCase{"1,000", NumberKind::NotNumber}, NumberCase{"0x10", NumberKind::NotNumber},
                      NumberCase{"1.2.3", NumberKind::NotNumber}, NumberCase{"abc", NumberKind::NotNumber}));

} // namespace
