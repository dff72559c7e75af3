// The demo title played frame by frame as the host plays it, with a clock
// that moves 10 ms a frame: its scenes, the order of its events and the
// results it keeps in its settings file, from its definitions and from the
// snapshot "-2bin" writes.
#include "base/CommandLine.h"
#include "base/Config.h"
#include "base/Language.h"
#include "graphics/Window.h"
#include "host/Host.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "script/ScriptApplication.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(QUARNEL_DEMO_TITLE, tmp.path(), std::filesystem::copy_options::recursive);
        std::filesystem::remove(tmp.file("Demo.ini"));
    }

    // Plays the title with these switches: the running scene at start-up
    // and after each frame, until the title ends (or 100 frames).
    Names play(const char* switches, bool* ended)
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        CCommandLine6 commandLine(switches);
        CLanguageOSVer language;
        quarnel::HostSettings settings = quarnel::readHostSettings();
        Names frames;
        *ended = false;
        {
            CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", false);
            window.OnActivateApp(true);
            CApplication app(&window, settings.ini, "data.bf", &commandLine);
            app.preinitializeApplication();
            EXPECT_EQ(app.LastError(), 0);
            CMC_Application* game = app.getMCApplicationIfc();
            auto scene = [game]() -> std::string {
                CMC_Scene* episode = game ? game->getCurrentScene() : nullptr;
                CMC_Scene* s = episode ? episode->getCurrentScene() : nullptr;
                return s ? s->getName().c_str() : "-";
            };
            frames.push_back(scene());
            for (int i = 0; game && !commandLine.is2Bin() && i < 100 && !*ended; ++i) {
                clockNow.advance(10);
                *ended = window.domodal();
                frames.push_back(scene());
            }
        }
        return frames;
    }
    std::string setting(const char* section, const char* key)
    {
        return CConfig(CXString(platform::toEnginePath(tmp.file("Demo.ini")).c_str())).GetString(section, key).c_str();
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ManualClock clockNow{5000};
    platform::ScopedClock clock{&clockNow};
};

TEST_F(DemoTest, PlaysToItsEndFromDefinitionsAndFromItsSnapshot)
{
    // NEXT and GOTO given while a scene is entered switch one frame later;
    // the timer's PREV and BACK's target switch in the frame of the tick.
    const Names frames = {"HALL", "LIBRARY", "GARDEN", "GARDEN", "GARDEN", "LIBRARY",
                          "GARDEN", "GARDEN", "GARDEN", "GARDEN"};
    const std::string trace = "GAME_ONINIT.GAME_INIT.TOUR_ONINIT.TOUR_INIT.HALL_INIT.HALL_ONINIT.SUM_OK."
                              "HALL_ONDONE.LIBRARY_INIT.LIBRARY_ONINIT.LIBRARY_ONDONE.GARDEN_INIT.GARDEN_ONINIT."
                              "TIMEUP.GARDEN_ONDONE.LIBRARY_INIT.LIBRARY_ONINIT.LIBRARY_ONDONE.GARDEN_INIT."
                              "GARDEN_ONINIT.TIMEUP.GAME_EXIT.GARDEN_ONDONE.";
    bool ended = false;
    EXPECT_EQ(play("-nogfx", &ended), frames);
    EXPECT_TRUE(ended);
    auto results = [this, &trace](const char* runs, const char* gardenVisits) {
        EXPECT_EQ(setting("GAME", "TRACE"), trace);
        EXPECT_EQ(setting("GAME", "RUNS"), runs);
        EXPECT_EQ(setting("GAME", "VISITS"), "2");
        EXPECT_EQ(setting("HALL", "SUM"), "55");
        EXPECT_EQ(setting("HALL", "DOUBLED"), "111");
        int dice = std::atoi(setting("HALL", "DICE").c_str());
        EXPECT_TRUE(dice >= 1 && dice <= 6) << dice;
        EXPECT_EQ(setting("LIBRARY", "PAGESLEFT"), "1");
        EXPECT_EQ(setting("LIBRARY", "SHELF"), "NOVEL,1");
        EXPECT_EQ(setting("GARDEN", "TICKS"), "3");
        EXPECT_EQ(setting("GARDEN", "Played"), gardenVisits);
    };
    results("1", "2");

    // "-2bin" writes the snapshot and enters nothing.
    play("-nogfx -2bin", &ended);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(std::filesystem::exists(tmp.file("Rara/application.bin")));
    EXPECT_TRUE(std::filesystem::exists(tmp.file("Rara/GARDEN/GARDEN.bin")));
    EXPECT_EQ(setting("GAME", "RUNS"), "1");

    EXPECT_EQ(play("-nogfx", &ended), frames);
    EXPECT_TRUE(ended);
    // The visits add up in the settings file.
    results("2", "4");
}

TEST_F(DemoTest, TheProgramPlaysTheTitleToItsEnd)
{
    // A title that never ended would fail here, not hang the run.
    std::string command = "timeout 120 " + std::string(QUARNEL_HOST_PROGRAM) + " -path " + tmp.path() + " -nogfx";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Headless runs are repeatable: two runs of the demo in fresh copies write
// the same settings file, byte for byte, whatever time it is.
TEST_F(DemoTest, TheProgramPlaysTheSameTwice)
{
    std::string second = tmp.file("second");
    std::filesystem::copy(QUARNEL_DEMO_TITLE, second, std::filesystem::copy_options::recursive);
    std::filesystem::remove(second + "/Demo.ini");
    for (const std::string& folder : {tmp.path(), second}) {
        std::string command = "cd " + folder + " && timeout 120 " + std::string(QUARNEL_HOST_PROGRAM) + " -nogfx";
        int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
    }
    std::string first = testsupport::readFile(tmp.file("Demo.ini"));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, testsupport::readFile(second + "/Demo.ini"));
}

} // namespace
