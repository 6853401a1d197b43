#pragma once

/*
** Data-driven rows for the fragment tests: a project setup, the fragment
** under test and the exact text expected of it.
*/

#include "project/wizardproject.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

namespace quillon::generator::test {

struct FragmentRow
{
    const char *name;
    std::function<void(WizardProject &)> setup;
    std::string (*fragment)(const WizardProject &);
    std::string expected;
};

// "{", 33 hyphens, "}".
inline const std::string kRule = "{" + std::string(33, '-') + "}";

// Each line followed by CR LF.
inline std::string crlf(std::initializer_list<std::string_view> lines)
{
    std::string out;
    for (const auto line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

// Names the row in failure messages instead of dumping its bytes.
inline void PrintTo(const FragmentRow &row, std::ostream *os)
{
    *os << row.name;
}

class FragmentTest : public testing::TestWithParam<FragmentRow>
{};

inline std::string rowName(const testing::TestParamInfo<FragmentRow> &info)
{
    return info.param.name;
}

} // namespace quillon::generator::test

// Defines the parameterised test that checks each row of a suite.
#define QUILLON_FRAGMENT_SUITE(Suite, ...)                                                       \
    class Suite : public quillon::generator::test::FragmentTest                                  \
    {};                                                                                          \
    TEST_P(Suite, BuildsExactText)                                                               \
    {                                                                                            \
        quillon::WizardProject project;                                                          \
        GetParam().setup(project);                                                               \
        EXPECT_EQ(GetParam().fragment(project), GetParam().expected);                            \
    }                                                                                            \
    INSTANTIATE_TEST_SUITE_P(Rows, Suite, testing::Values(__VA_ARGS__),                          \
                             quillon::generator::test::rowName)
