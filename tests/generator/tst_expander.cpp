#include "generator/expander.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace quillon::generator;

namespace {

std::string run(std::string_view text, std::vector<Replacement> replacements)
{
    return replacePlaceholders(text, replacements);
}

/*
** A plain reference of the replacement rule, one byte at a time: every byte
** carries a mark saying whether it came from the template, and a
** placeholder counts only where all its bytes did.
*/
std::string reference(std::string text, const std::vector<Replacement> &replacements)
{
    std::vector<bool> fromTemplate(text.size(), true);
    for (const auto &r : replacements) {
        const auto n = r.placeholder.size();
        std::size_t at = std::string::npos;
        for (std::size_t i = 0; n > 0 && i + n <= text.size(); ++i) {
            bool ok = text.compare(i, n, r.placeholder) == 0;
            for (std::size_t k = i; ok && k < i + n; ++k)
                ok = fromTemplate[k];
            if (ok) {
                at = i;
                break;
            }
        }
        std::size_t insertAt = 0;
        if (at != std::string::npos) {
            text.erase(at, n);
            fromTemplate.erase(fromTemplate.begin() + at, fromTemplate.begin() + at + n);
            insertAt = at;
        }
        text.insert(insertAt, r.fragment);
        fromTemplate.insert(fromTemplate.begin() + insertAt, r.fragment.size(), false);
    }
    return text;
}

} // namespace

TEST(Expander, ReplacesFirstOccurrenceOnly)
{
    EXPECT_EQ(run("a{*$X}b{*$X}c", {{"{*$X}", "1"}}), "a1b{*$X}c");
    EXPECT_EQ(run("a{*$X}b{*$X}c", {{"{*$X}", ""}}), "ab{*$X}c");
}

TEST(Expander, MissingPlaceholderPutsFragmentAtVeryStart)
{
    EXPECT_EQ(run("line1\nline2", {{"{*$X}", "F"}}), "Fline1\nline2");
    EXPECT_EQ(run("text", {{"{*$X}", ""}}), "text") << "an empty fragment changes nothing";
    // Each later missing fragment goes before the earlier ones.
    EXPECT_EQ(run("t", {{"{*$A}", "a"}, {"{*$B}", "b"}}), "bat");
    EXPECT_EQ(run("", {{"{*$A}", "a"}}), "a");
}

TEST(Expander, IsCaseSensitiveAndExact)
{
    EXPECT_EQ(run("{*$x}{*$X }{*$X}", {{"{*$X}", "1"}}), "{*$x}{*$X }1");
}

TEST(Expander, NeverSearchesInsertedText)
{
    // A value that reads like a later placeholder stays as typed, and the
    // template's own placeholder is the one replaced.
    EXPECT_EQ(run("T={*$Title};A={*$Author}", {{"{*$Title}", "{*$Author}"}, {"{*$Author}", "Ann"}}),
              "T={*$Author};A=Ann");
    // Even when the template has no such placeholder of its own.
    EXPECT_EQ(run("T={*$Title}", {{"{*$Title}", "{*$Author}"}, {"{*$Author}", "Ann"}}),
              "AnnT={*$Author}");
}

TEST(Expander, TextMeetingAcrossAnEmptyFragmentIsOneTextAgain)
{
    EXPECT_EQ(run("{*$Au{*$Gone}thor}", {{"{*$Gone}", ""}, {"{*$Author}", "Ann"}}), "Ann");
    // A non-empty fragment between the halves keeps them apart.
    EXPECT_EQ(run("{*$Au{*$Here}thor}", {{"{*$Here}", "x"}, {"{*$Author}", "Ann"}}),
              "Ann{*$Auxthor}");
    // A placeholder spanning template text and a fragment is not one.
    EXPECT_EQ(run("{*$A{*$Q}", {{"{*$Q}", "u}"}, {"{*$Au}", "!"}}), "!{*$Au}");
}

TEST(Expander, EmptyPlaceholderTextMatchesNothing)
{
    EXPECT_EQ(run("abc", {{"", "x"}}), "abc");
}

TEST(Expander, AgreesWithReferenceOnRandomInput)
{
    // Seeded, so a failure repeats; small alphabet so that placeholders,
    // their pieces and near misses are frequent.
    const std::vector<std::string> names = {"{*$A}", "{*$B}", "{*$AB}", "{*$A{*$B}}", "{*$"};
    const std::vector<std::string> atoms = {"{*$", "A", "B", "}", "{", "*", "$", "\n", "x", ""};
    std::mt19937 rng(20261208);
    auto pick = [&](const std::vector<std::string> &from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    auto text = [&](int maxAtoms) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, maxAtoms)(rng);
        for (int i = 0; i < n; ++i)
            s += pick(atoms);
        return s;
    };
    for (int round = 0; round < 5000; ++round) {
        const std::string templ = text(24);
        std::vector<Replacement> replacements;
        const int n = std::uniform_int_distribution<int>(0, 6)(rng);
        for (int i = 0; i < n; ++i)
            replacements.push_back({names[std::uniform_int_distribution<std::size_t>(
                                        0, names.size() - 1)(rng)],
                                    text(4)});
        ASSERT_EQ(replacePlaceholders(templ, replacements), reference(templ, replacements))
            << "round " << round << " template \"" << templ << "\"";
    }
}
