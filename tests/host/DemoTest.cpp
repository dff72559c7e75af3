// The demo title played by the host, headless, with a clock that moves
// 10 ms a frame: the scenes it goes through by itself and when a player
// clicks its buttons, the order of its events and the results it keeps in
// its settings file, from its definitions and from the snapshot "-2bin"
// writes; and what its frames show: each scene's background, buttons,
// caption and moving animation.
#include "HostTitle.h"
#include "graphics/Image.h"
#include "graphics/WindowSound.h"
#include "platform/Png.h"
#include "platform/headless/Headless.h"
#include "support/ChildProgram.h"
#include "ui/Unit6.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// The scenes entered, each with the pass of the host's loop it was first
// seen in.
using Visits = std::vector<std::pair<std::string, uint64_t>>;

std::string unitScene()
{
    CUnit6* unit = CUnit6::getDefUnit();
    return unit && unit->isActive() ? unit->getUnitName().c_str() : "";
}

// The buttons' rectangles, as the scenes define them.
const int LIBRARY_BUTTON_X = 340, GARDEN_BUTTON_X = 570, BUTTONS_Y = 525, BUTTON_W = 200, BUTTON_H = 50;
// The face's frame colours: plain and lit (rgb(200, 200, 210) and
// rgb(250, 200, 60) in 5-6-5).
const uint32_t FACE_EDGE = 0xCE5A, LIT_EDGE = 0xFE47;

// Watches a run between frames: the scenes entered, a click at a point
// while the hall is shown, and samples of the frames shown.
struct Player {
    Visits visits;
    int clickX = -1, clickY = -1;
    uint64_t clickAt = 0;
    // The frame shown in a scene once it has been shown for a while (its
    // first visit), kept as words; and the same region of the hall 30
    // frames apart, to see its ball move.
    std::map<std::string, std::vector<uint32_t>> frames;
    std::vector<uint32_t> ballEarly, ballLate;
    // Whether the face under the mouse was lit just before the press.
    bool litBeforeClick = false;
    // The music file playing in each scene once it has been shown a while.
    std::map<std::string, std::string> music;

    static std::vector<uint32_t> grab(const platform::Surface* frame, int x0, int y0, int x1, int y1)
    {
        std::vector<uint32_t> words;
        for (int y = y0; frame && y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                words.push_back(frame->pixelAt(x, y));
        return words;
    }
    static void feed(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
    {
        Player* p = static_cast<Player*>(data);
        const std::string scene = unitScene();
        if (!scene.empty() && (p->visits.empty() || p->visits.back().first != scene))
            p->visits.push_back({scene, pass});
        const uint64_t since = p->visits.empty() ? 0 : pass - p->visits.back().second;
        const platform::Surface* shown = platform.shownFrame(0);
        if (since == 20 && !p->frames.count(scene)) {
            p->frames[scene] = grab(shown, 0, 0, 800, 600);
            CWindowMusic* player = CWindow::getWindow() ? CWindow::getWindow()->getMusicPlayer() : nullptr;
            if (player && player->isPlaying()) {
                const std::string file = player->getFileName().c_str();
                p->music[scene] = file.substr(file.find_last_of("\\/") + 1);
            }
            // To be looked at: the frames as PNG files in $QUARNEL_FRAMES.
            if (const char* dir = std::getenv("QUARNEL_FRAMES"))
                if (shown)
                    platform::savePng(*shown, std::string(dir) + "/demo_" + scene + ".png");
        }
        if (scene == "HALL" && since == 40)
            p->ballEarly = grab(shown, 0, 70, 800, 400);
        if (scene == "HALL" && since == 70)
            p->ballLate = grab(shown, 0, 70, 800, 400);

        platform::Mouse& mouse = platform.input().mouse();
        if (p->clickX >= 0 && scene == "HALL" && since == 100)
            mouse.moveTo(p->clickX, p->clickY);
        if (p->clickX >= 0 && scene == "HALL" && since == 105) {
            p->litBeforeClick = shown && shown->pixelAt(p->clickX - 98, p->clickY - 23) == LIT_EDGE;
            mouse.button(0, true);
            p->clickAt = pass;
        }
        if (p->clickAt && pass == p->clickAt + 1)
            mouse.button(0, false);
    }
};

class DemoTest : public testsupport::HostTitle {
protected:
    void SetUp() override
    {
        std::filesystem::copy(QUARNEL_DEMO_TITLE, tmp.path(), std::filesystem::copy_options::recursive);
        std::filesystem::remove(tmp.file("Demo.ini"));
    }
    Visits play(const char* switches, Player& player)
    {
        testsupport::FeedInUse feed(&Player::feed, &player);
        EXPECT_EQ(run(switches), 0);
        return player.visits;
    }
    Visits play(const char* switches)
    {
        Player player;
        return play(switches, player);
    }
    std::string demoSetting(const char* section, const char* key)
    {
        return CConfig(CXString(platform::toEnginePath(tmp.file("Demo.ini")).c_str())).GetString(section, key).c_str();
    }
    // The music playing in each scene.
    std::map<std::string, std::string> clickTheGardenButton();
    // The words of the scene's background picture.
    std::vector<uint32_t> background(const std::string& scene, const std::string& file)
    {
        CImage image(nullptr, CXString(platform::toEnginePath(tmp.file("Rara/" + scene + "/" + file)).c_str()));
        EXPECT_EQ(image.LastError(), 0) << file;
        std::vector<uint32_t> words(800 * 600, 0);
        const uint16_t* data = reinterpret_cast<const uint16_t*>(image.GetDataPtr());
        for (size_t i = 0; data && image.Width() == 800 && image.Height() == 600 && i < words.size(); ++i)
            words[i] = data[i];
        return words;
    }
};

const std::string START = "GAME_ONINIT.GAME_INIT.TOUR_ONINIT.TOUR_INIT.HALL_INIT.HALL_ONINIT.SUM_OK.HALL_ONDONE.";

TEST_F(DemoTest, PlaysToItsEndByItselfFromDefinitionsAndFromItsSnapshot)
{
    // The hall goes on after 3 s and the library after 1.5 s; the garden's
    // timer ticks its third time after 1.5 s and goes back to the library,
    // which goes back to the garden 10 ms after it was entered. A switch
    // asked for by a timer shows in the frame of its tick.
    const Visits visits = {{"HALL", 1}, {"LIBRARY", 301}, {"GARDEN", 451}, {"LIBRARY", 601}, {"GARDEN", 602}};
    const std::string trace = START + "LIBRARY_INIT.LIBRARY_ONINIT.LIBRARY_ONDONE.GARDEN_INIT.GARDEN_ONINIT."
                                      "TIMEUP.GARDEN_ONDONE.LIBRARY_INIT.LIBRARY_ONINIT.LIBRARY_ONDONE.GARDEN_INIT."
                                      "GARDEN_ONINIT.TIMEUP.GAME_EXIT.GARDEN_ONDONE.";
    EXPECT_EQ(play("-nogfx -step 10"), visits);
    auto results = [this, &trace](const char* runs, const char* gardenVisits) {
        EXPECT_EQ(demoSetting("GAME", "TRACE"), trace);
        EXPECT_EQ(demoSetting("GAME", "RUNS"), runs);
        EXPECT_EQ(demoSetting("GAME", "VISITS"), "2");
        EXPECT_EQ(demoSetting("HALL", "SUM"), "55");
        EXPECT_EQ(demoSetting("HALL", "DOUBLED"), "111");
        int dice = std::atoi(demoSetting("HALL", "DICE").c_str());
        EXPECT_TRUE(dice >= 1 && dice <= 6) << dice;
        EXPECT_EQ(demoSetting("LIBRARY", "PAGESLEFT"), "1");
        EXPECT_EQ(demoSetting("LIBRARY", "SHELF"), "NOVEL,1");
        EXPECT_EQ(demoSetting("GARDEN", "TICKS"), "3");
        EXPECT_EQ(demoSetting("GARDEN", "Played"), gardenVisits);
    };
    results("1", "2");

    // "-2bin" writes the snapshot and enters nothing.
    EXPECT_EQ(play("-nogfx -2bin"), Visits());
    EXPECT_TRUE(std::filesystem::exists(tmp.file("Rara/application.bin")));
    EXPECT_TRUE(std::filesystem::exists(tmp.file("Rara/GARDEN/GARDEN.bin")));
    EXPECT_EQ(demoSetting("GAME", "RUNS"), "1");

    EXPECT_EQ(play("-nogfx -step 10"), visits);
    // The visits add up in the settings file.
    results("2", "4");
}

// A player who clicks the hall's garden button goes there at once; the
// tour then takes the library in between and ends in the garden as before.
// Each scene shows its own background picture with its buttons and its
// caption over it, and the hall's ball moves; the music each scene plays is
// given back.
std::map<std::string, std::string> DemoTest::clickTheGardenButton()
{
    Player player;
    player.clickX = GARDEN_BUTTON_X + 100;
    player.clickY = BUTTONS_Y + 25;
    const Visits visits = play("-nogfx -step 10", player);
    const uint64_t click = player.clickAt;
    // The release, fed a frame after the press, switches in the frame that
    // takes it: the garden is seen from the pass after.
    EXPECT_EQ(visits, (Visits{{"HALL", 1},
                              {"GARDEN", click + 2},
                              {"LIBRARY", click + 152},
                              {"GARDEN", click + 302},
                              {"LIBRARY", click + 452},
                              {"GARDEN", click + 453}}));
    EXPECT_TRUE(player.litBeforeClick);
    EXPECT_EQ(demoSetting("GAME", "TRACE"),
              START + "GARDEN_INIT.GARDEN_ONINIT.TIMEUP.GARDEN_ONDONE.LIBRARY_INIT.LIBRARY_ONINIT.LIBRARY_ONDONE."
                      "GARDEN_INIT.GARDEN_ONINIT.TIMEUP.GARDEN_ONDONE.LIBRARY_INIT.LIBRARY_ONINIT.LIBRARY_ONDONE."
                      "GARDEN_INIT.GARDEN_ONINIT.TIMEUP.GAME_EXIT.GARDEN_ONDONE.");
    EXPECT_EQ(demoSetting("GAME", "VISITS"), "2");
    EXPECT_EQ(demoSetting("LIBRARY", "SHELF"), "NOVEL,1");

    // Below the animations and above the buttons' band, each scene shows
    // its own picture as it is in its file.
    const std::map<std::string, std::string> pictures = {
        {"HALL", "hall.img"}, {"LIBRARY", "library.img"}, {"GARDEN", "garden.img"}};
    // The buttons each scene has.
    const std::map<std::string, std::vector<int>> buttons = {
        {"HALL", {LIBRARY_BUTTON_X, GARDEN_BUTTON_X}}, {"LIBRARY", {GARDEN_BUTTON_X}}, {"GARDEN", {LIBRARY_BUTTON_X}}};
    for (const auto& scene : pictures) {
        SCOPED_TRACE(scene.first);
        if (player.frames[scene.first].size() != 800u * 600u) {
            ADD_FAILURE() << "no frame of the scene was seen";
            continue;
        }
        const std::vector<uint32_t>& shown = player.frames[scene.first];
        const std::vector<uint32_t> picture = background(scene.first, scene.second);
        int differ = 0;
        for (int y = 400; y < 500; ++y)
            for (int x = 0; x < 800; ++x)
                differ += shown[size_t(y * 800 + x)] != picture[size_t(y * 800 + x)];
        EXPECT_EQ(differ, 0);
        // A button shows its face's frame; where a scene has none, its
        // picture shows.
        for (int x : {LIBRARY_BUTTON_X, GARDEN_BUTTON_X}) {
            const size_t corner = size_t(BUTTONS_Y * 800 + x + 1);
            const std::vector<int>& has = buttons.at(scene.first);
            if (std::find(has.begin(), has.end(), x) != has.end())
                EXPECT_EQ(shown[corner], FACE_EDGE) << x;
            else
                EXPECT_EQ(shown[corner], picture[corner]) << x;
        }
        // The caption's white letters over the dark band.
        int ink = 0;
        for (int y = 24; y < 50; ++y)
            for (int x = 24; x < 424; ++x)
                ink += shown[size_t(y * 800 + x)] == 0xFFFF;
        EXPECT_GT(ink, 100);
    }
    EXPECT_EQ(player.ballEarly.size(), player.ballLate.size());
    EXPECT_NE(player.ballEarly, player.ballLate);
    return player.music;
}

TEST_F(DemoTest, TheHallsButtonGoesToTheGardenAtOnceFromDefinitionsAndFromTheSnapshot)
{
    // The tune plays on through the scenes, also where a scene learns its
    // music only from its own snapshot file when it is entered.
    const std::map<std::string, std::string> tune = {
        {"HALL", "tune.wav"}, {"LIBRARY", "tune.wav"}, {"GARDEN", "tune.wav"}};
    {
        SCOPED_TRACE("from the definitions");
        EXPECT_EQ(clickTheGardenButton(), tune);
    }
    EXPECT_EQ(play("-nogfx -2bin"), Visits());
    for (const char* scene : {"HALL", "LIBRARY", "GARDEN"})
        ASSERT_TRUE(std::filesystem::remove(tmp.file(std::string("Rara/") + scene + "/" + scene + ".cnv")));
    std::filesystem::remove(tmp.file("Demo.ini"));
    SCOPED_TRACE("from the snapshot");
    EXPECT_EQ(clickTheGardenButton(), tune);
}

TEST_F(DemoTest, TheProgramPlaysTheTitleToItsEnd)
{
    // A title that never ended would fail here, not hang the run.
    std::string command = "timeout 120 " + std::string(QUARNEL_HOST_PROGRAM) + " -path " + tmp.path() + " -nogfx";
    int status = testsupport::shell(command);
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
        int status = testsupport::shell(command);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
    }
    std::string first = testsupport::readFile(tmp.file("Demo.ini"));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, testsupport::readFile(second + "/Demo.ini"));
}

} // namespace
