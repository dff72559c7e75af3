#include "base/CommandLine.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(CCommandLine6Test, EmptyLineGivesTheDefaults)
{
    for (const char* text : {"", "   ", static_cast<const char*>(nullptr)}) {
        CCommandLine6 line(text);
        EXPECT_EQ(line.getNoArgs(), 0);
        EXPECT_TRUE(line.isMusicEnabled());
        EXPECT_TRUE(line.isSoundEnabled());
        EXPECT_TRUE(line.isGFXEnabled());
        EXPECT_FALSE(line.isWindowMode());
        EXPECT_FALSE(line.isCheatMode());
        EXPECT_EQ(line.getResolution().cx, 800);
        EXPECT_EQ(line.getResolution().cy, 600);
        EXPECT_EQ(line.getPath(), CXString(""));
        EXPECT_EQ(line.getDelay(), 0);
        EXPECT_FALSE(line.isSecondaryDisplayEnabled());
    }
}

TEST(CCommandLine6Test, SwitchesNeedAnExactPrefixedName)
{
    struct Case {
        const char* text;
        bool (CCommandLine6::*query)() const;
        bool expected;
    };
    const Case cases[] = {
        {"/window", &CCommandLine6::isWindowMode, true},
        {"-window", &CCommandLine6::isWindowMode, true},
        {"window", &CCommandLine6::isWindowMode, false},
        {"-Window", &CCommandLine6::isWindowMode, false},
        {"--window", &CCommandLine6::isWindowMode, false},
        {"-nomusic", &CCommandLine6::isMusicEnabled, false},
        {"/nosound", &CCommandLine6::isSoundEnabled, false},
        {"-nogfx", &CCommandLine6::isGFXEnabled, false},
        {"-params", &CCommandLine6::isRunWithParams, true},
        {"-server", &CCommandLine6::isServer, true},
        {"-client", &CCommandLine6::isClient, true},
        {"-code", &CCommandLine6::isToCode, true},
        {"-decode", &CCommandLine6::isToDecode, true},
        {"-remove", &CCommandLine6::isToRemove, true},
        {"-pf", &CCommandLine6::isPageFlippingEnabled, true},
        {"-vmem", &CCommandLine6::isVMem, true},
        {"-cheat", &CCommandLine6::isCheatMode, true},
        {"/trelkomunz", &CCommandLine6::isCheatMode, true},
        {"-2bin", &CCommandLine6::is2Bin, true},
        {"-forceCNV", &CCommandLine6::isForceCNV, true},
        {"-forcecnv", &CCommandLine6::isForceCNV, false},
        {"-debug", &CCommandLine6::isDebugMode, true},
        {"-bigfile", &CCommandLine6::isCreateBigFile, true},
        {"-log", &CCommandLine6::isLogEnabled, true},
    };
    for (const Case& c : cases) {
        CCommandLine6 line(c.text);
        EXPECT_EQ((line.*c.query)(), c.expected) << c.text;
        std::string padded = std::string("  x  ") + c.text + "   y ";
        CCommandLine6 among(padded.c_str());
        EXPECT_EQ(among.getNoArgs(), 3);
        EXPECT_EQ((among.*c.query)(), c.expected) << padded;
    }
}

TEST(CCommandLine6Test, ValuesFollowTheirSwitch)
{
    struct Case {
        const char* text;
        int width, height, delay;
        const char* path;
    };
    const Case cases[] = {
        {"-res 1024 768", 1024, 768, 0, ""},
        {"-res 800 800", 800, 800, 0, ""},
        {"-res 1024", 1024, 600, 0, ""},
        {"-res", 800, 600, 0, ""},
        // The height is the word after the width word, even when the width's
        // text appears earlier on the line.
        {"-delay 5 -res 5 480", 5, 480, 5, ""},
        {"-path C:\\Games\\Title -delay 3", 800, 600, 3, "C:\\Games\\Title"},
        {"-window -path", 800, 600, 0, ""},
        {"/delay x", 800, 600, 0, ""},
        {"delay 9", 800, 600, 0, ""}, // the bare name is no switch
    };
    for (const Case& c : cases) {
        CCommandLine6 line(c.text);
        EXPECT_EQ(line.getResolution().cx, c.width) << c.text;
        EXPECT_EQ(line.getResolution().cy, c.height) << c.text;
        EXPECT_EQ(line.getDelay(), c.delay) << c.text;
        EXPECT_EQ(line.getPath(), CXString(c.path)) << c.text;
        EXPECT_EQ(line.isSecondaryDisplayEnabled(), c.delay > 0) << c.text;
    }
}

// Words given apart (the program's arguments) are never cut again.
TEST(CCommandLine6Test, WordsGivenApartStayWhole)
{
    CCommandLine6 line(std::vector<CXString>{"-path", "C:\\My Title", "-window"});
    EXPECT_EQ(line.getNoArgs(), 3);
    EXPECT_EQ(line.getPath(), CXString("C:\\My Title"));
    EXPECT_TRUE(line.isWindowMode());
}

TEST(CCommandLine6Test, CopiesKeepTheirOwnWordsAndSettersOverride)
{
    CCommandLine6* original = new CCommandLine6("-window -path data");
    CCommandLine6 copy(*original);
    delete original;
    EXPECT_EQ(copy.getNoArgs(), 3);
    EXPECT_EQ(copy.getPath(), CXString("data"));
    copy.setAsWindow(false);
    copy.setAsShowDbg(true);
    copy.setPath(CXString("other"));
    EXPECT_FALSE(copy.isWindowMode());
    EXPECT_TRUE(copy.isDebugMode());
    EXPECT_EQ(copy.getPath(), CXString("other"));
}

} // namespace
