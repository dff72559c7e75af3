#include "base/Language.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>

namespace {

class CountingKeyboard : public CKeyboardLanguageIfc {
public:
    void initLanguage() override { ++calls; }
    int calls = 0;
};

class CLanguageOSVerTest : public ::testing::Test {
protected:
    void TearDown() override { platform::setSystemLanguageOverride(-1); }
};

TEST_F(CLanguageOSVerTest, SystemLanguageGivesTheFolder)
{
    struct Case {
        int id;
        const char* folder;
    } cases[] = {{0x0415, "POL"}, {0x0405, "CZE"}, {0x0402, "BUL"}, {0x0418, "ROM"}, {0x0419, "RUS"},
                 {0x040E, "HUN"}, {0x041B, "SLO"}, {0x0409, ""},    {0x0407, ""}};
    for (const Case& c : cases) {
        platform::setSystemLanguageOverride(c.id);
        EXPECT_EQ(CLanguageOSVer().getSubFolder(), c.folder) << c.id;
    }
}

TEST_F(CLanguageOSVerTest, SetLanguageFolderKeepsTheLanguageForUnknownCodes)
{
    platform::setSystemLanguageOverride(0x0409);
    CLanguageOSVer lang;
    CountingKeyboard keyboard;
    lang.setKeyboard(&keyboard);
    lang.setLanguageFolder("0415");
    EXPECT_EQ(lang.getSubFolder(), "POL");
    lang.setLanguageFolder("041B");
    EXPECT_EQ(lang.getSubFolder(), "SLO");
    lang.setLanguageFolder("0409");
    EXPECT_EQ(lang.getSubFolder(), "SLO");
    lang.setLanguageFolder("041b"); // codes are compared as written
    EXPECT_EQ(lang.getSubFolder(), "SLO");
    lang.setLanguageFolder("");
    EXPECT_EQ(lang.getSubFolder(), "SLO");
    EXPECT_EQ(keyboard.calls, 5);
}

TEST_F(CLanguageOSVerTest, LocalFileNamePutsTheFolderBeforeTheName)
{
    platform::setSystemLanguageOverride(0x0405);
    CLanguageOSVer lang;
    EXPECT_EQ(lang.getLocalFileName("IMAGES\\LOGO.IMG"), "IMAGES\\CZE\\LOGO.IMG");
    EXPECT_EQ(lang.getLocalFileName("C:\\a\\b\\x.txt"), "C:\\a\\b\\CZE\\x.txt");
    EXPECT_EQ(lang.getLocalFileName("LOGO.IMG"), "CZE\\LOGO.IMG");
    platform::setSystemLanguageOverride(0x0409);
    EXPECT_EQ(CLanguageOSVer().getLocalFileName("IMAGES\\LOGO.IMG"), "IMAGES\\LOGO.IMG");
}

} // namespace
