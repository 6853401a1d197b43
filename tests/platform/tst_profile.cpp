#include "platform/atomicfile.h"
#include "platform/profile.h"
#include "platform/profilewriter.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

using namespace quillon::platform;

namespace {

struct ValueCase
{
    const char *name;
    std::string text;
    const char *section;
    const char *key;
    std::optional<std::string> expected;
};

class ProfileValue : public ::testing::TestWithParam<ValueCase>
{};

TEST_P(ProfileValue, Reads)
{
    const auto &c = GetParam();
    EXPECT_EQ(Profile::parse(c.text).value(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileValue,
    ::testing::Values(
        ValueCase{"TrimmedAndUnquotedAfterFirstEquals", "[S]\r\nK= \"a=b\" \r\n", "S", "K", "a=b"},
        ValueCase{"EmptyValue", "[S]\r\nK=\r\n", "S", "K", ""},
        ValueCase{"LfOnlyLines", "[S]\nK=v\nL=w\n", "S", "L", "w"},
        ValueCase{"LoneCrEndsALine", "[S]\r\nK=a\rb\r\n", "S", "K", "a"},
        ValueCase{"LineAfterLoneCr", "[S]\rK=a\rL=b\r", "S", "L", "b"},
        ValueCase{"CrCrLfEndsALine", "[S]\r\r\nK=a\r\r\nL=b\r\r\n", "S", "K", "a"},
        ValueCase{"NoFinalLineEnd", "[S]\r\nK=last", "S", "K", "last"},
        ValueCase{"SectionCaseFolded", "[HeaderFooter]\r\nK=v\r\n", "HEADERFOOTER", "k", "v"},
        ValueCase{"OnlyAsciiFolded", "[S]\r\n\xc9=v\r\n", "S", "\xe9", std::nullopt},
        ValueCase{"BlanksAroundKeyAndHeader", "  [ S ]  \r\n  K\t=v\r\n", "S", "K", "v"},
        ValueCase{"FirstDuplicateKeyWins", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "1"},
        ValueCase{"FirstDuplicateSectionWins", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", "1"},
        ValueCase{"KeyBeforeAnySectionIgnored", "K=1\r\n[S]\r\n", "S", "K", std::nullopt},
        ValueCase{"MissingSection", "[S]\r\nK=1\r\n", "T", "K", std::nullopt},
        ValueCase{"UnclosedHeader", "[S\r\nK=1\r\n", "S", "K", "1"},
        ValueCase{"EightBitAndNul", std::string("[S]\r\nK=\xff\0\x80\r\n", 10), "S", "K",
                  std::string("\xff\0\x80", 3)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Profile, EntriesInFileOrderIncludingDuplicates)
{
    const auto p = Profile::parse("[L]\r\nB2=x\r\nA0=y\r\nnot an entry\r\nB2=z\r\n");
    const auto *s = p.section("l");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->entries.size(), 3u);
    EXPECT_EQ(s->entries[0].value, "x");
    EXPECT_EQ(s->entries[1].key, "A0");
    EXPECT_EQ(s->entries[2].value, "z");
    EXPECT_EQ(p.line(3), "not an entry");
}

TEST(Profile, MultiLineValueRunsToAFormatHeaderOrAnUnreadKey)
{
    Profile::MultiLine rule{{{"S", "M"}}, {{"S", {"A", "M", "B"}}, {"T", {"K"}}}};
    const std::string text = "[S]\r\nA=1\r\nM=one\r\n[x]\r\na=b\r\n\r\n[T]\r\nK=v\r\n";
    const auto p = Profile::parse(text, rule);
    EXPECT_EQ(p.value("s", "m"), "one\r\n[x]\r\na=b\r\n") << "A was read already";
    EXPECT_EQ(p.section("x"), nullptr) << "lines of a value never open a section";
    EXPECT_EQ(p.value("T", "K"), "v");

    // Any letter case and blanks around end it; so does a key still to come;
    // at the end of the text the value ends too.
    for (const char *end : {"[t]", " [T] ", "[ s ]\t", "B=2", " b =2", "A=9"}) {
        const auto q = Profile::parse(std::string("[S]\r\nM=a\r\nz\r\n") + end + "\r\n", rule);
        EXPECT_EQ(q.value("S", "M"), "a\r\nz") << end;
    }
    const auto r = Profile::parse("[S]\r\nM=a\r\n[U]\r\nM=again\r\nC=3", rule);
    EXPECT_EQ(r.value("S", "M"), "a\r\n[U]\r\nM=again\r\nC=3");
}

TEST(Profile, WriterOmitsEmptySectionsAndEndsLinesWithCrLf)
{
    ProfileWriter w;
    w.beginSection("A");
    w.add("K", "v=w");
    w.beginSection("Empty");
    w.beginSection("B");
    w.add("L", "");
    EXPECT_EQ(w.text(), "[A]\r\nK=v=w\r\n[B]\r\nL=\r\n");
}

TEST(Profile, LoadMissingFileIsEmptyAndSaveIsAtomic)
{
    const quillon::test::TempDir dir;
    const std::string path = dir.file("p.ini");
    EXPECT_TRUE(Profile::load(path).sections().empty());

    ProfileWriter w;
    w.beginSection("S");
    w.add("K", "new");
    writeFileAtomically(path, "[S]\r\nK=old\r\n");
    faults::failNthWrite(1);
    EXPECT_THROW(w.save(path), FileError);
    faults::failNthWrite(0);
    EXPECT_EQ(Profile::load(path).value("S", "K"), "old");
    w.save(path);
    EXPECT_EQ(Profile::load(path).value("S", "K"), "new");
}

} // namespace
