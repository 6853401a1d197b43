#include "project/mapping.h"

#include <gtest/gtest.h>

using namespace quillon;

TEST(Mapping, SplitsAtFirstEquals)
{
    EXPECT_EQ(splitMapping("CITY=Town").field, "CITY");
    EXPECT_EQ(splitMapping("CITY=Town").input, "Town");
    EXPECT_EQ(splitMapping("A=b=c").field, "A");
    EXPECT_EQ(splitMapping("A=b=c").input, "b=c");
    EXPECT_EQ(splitMapping("=x").field, "");
    EXPECT_EQ(splitMapping("NoEquals").field, "NoEquals");
    EXPECT_EQ(splitMapping("NoEquals").input, "");
}

TEST(Mapping, CompareFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(compareNoCase("abc", "ABC"), 0);
    EXPECT_LT(compareNoCase("ab", "abc"), 0);
    EXPECT_LT(compareNoCase("_", "a"), 0) << "'_' (0x5f) sorts before 'a' once 'A' is folded";
    EXPECT_GT(compareNoCase("\xe9", "z"), 0) << "bytes above 0x7f compare unsigned";
    EXPECT_NE(compareNoCase("\xc9", "\xe9"), 0) << "no folding beyond ASCII";
}

TEST(Mapping, SortedInsertIsStableAndKeepsDuplicates)
{
    StringList list;
    EXPECT_EQ(sortedInsert(list, "b"), 0u);
    EXPECT_EQ(sortedInsert(list, "A"), 0u);
    EXPECT_EQ(sortedInsert(list, "B"), 2u);
    EXPECT_EQ(sortedInsert(list, "a"), 1u);
    EXPECT_EQ(sortedInsert(list, "b"), 4u);
    EXPECT_EQ(list, (StringList{"A", "a", "b", "B", "b"}));
}
