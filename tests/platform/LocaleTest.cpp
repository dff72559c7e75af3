#include "platform/Locale.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(LocaleTest, LanguageComesFromTheEnvironmentUnlessOverridden)
{
    struct Case {
        const char* lang;
        const char* code;
    } cases[] = {
        {"pl_PL.UTF-8", "0415"}, {"cs_CZ", "0405"}, {"hu_HU.UTF-8", "040E"}, {"sk", "041B"},
        {"en_GB.UTF-8", "0409"}, {"C", "0409"},     {"plx_XX", "0409"},
    };
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    for (const Case& c : cases) {
        setenv("LANG", c.lang, 1);
        EXPECT_EQ(platform::systemLanguageCode(), c.code) << c.lang;
    }
    setenv("LC_ALL", "ru_RU", 1);
    EXPECT_EQ(platform::systemLanguageId(), 0x0419);
    platform::setSystemLanguageOverride(0x0402);
    EXPECT_EQ(platform::systemLanguageCode(), "0402");
    platform::setSystemLanguageOverride(-1);
    EXPECT_EQ(platform::systemLanguageId(), 0x0419);
}

} // namespace
