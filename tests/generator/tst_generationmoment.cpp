#include "generator/sourcegenerator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace quillon::generator;

namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv
{
public:
    void set(const char *name, const char *value)
    {
        const char *old = std::getenv(name);
        m_saved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace

TEST(GenerationMoment, SourceDateEpochFixesTheMomentInUtc)
{
    ScopedEnv env;
    env.set("LC_ALL", "C");
    env.set("TZ", "America/New_York"); // must not matter
    env.set("SOURCE_DATE_EPOCH", "0");
    auto m = currentGenerationMoment();
    EXPECT_EQ(m.date, "01/01/70");
    EXPECT_EQ(m.time, "00:00:00");

    env.set("SOURCE_DATE_EPOCH", "1796774399"); // 2026-12-08 23:59:59 UTC
    m = currentGenerationMoment();
    EXPECT_EQ(m.date, "12/08/26");
    EXPECT_EQ(m.time, "23:59:59");
}

TEST(GenerationMoment, BadSourceDateEpochNamesTheValue)
{
    ScopedEnv env;
    for (const char *bad : {"", "abc", "-1", "12x", " 12", "99999999999999999999999"}) {
        env.set("SOURCE_DATE_EPOCH", bad);
        try {
            currentGenerationMoment();
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const GenerationError &e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos)
                << e.what();
        }
    }
}

TEST(GenerationMoment, WithoutEpochUsesTheClock)
{
    ScopedEnv env;
    env.set("LC_ALL", "C");
    env.set("SOURCE_DATE_EPOCH", nullptr);
    const auto m = currentGenerationMoment();
    // The C locale's %x is MM/DD/YY and %X is HH:MM:SS.
    ASSERT_EQ(m.date.size(), 8u) << m.date;
    ASSERT_EQ(m.time.size(), 8u) << m.time;
    EXPECT_EQ(m.date[2], '/');
    EXPECT_EQ(m.time[5], ':');
    EXPECT_NE(m.date, "01/01/70");
}

TEST(GenerationMoment, UnknownLocaleFallsBackToClassic)
{
    ScopedEnv env;
    env.set("LC_ALL", "xx_NOWHERE.bogus");
    env.set("SOURCE_DATE_EPOCH", "0");
    const auto m = currentGenerationMoment();
    EXPECT_EQ(m.date, "01/01/70");
    EXPECT_EQ(m.time, "00:00:00");
}
