// The host program with a display: an X server of its own (Xvfb), the
// program started on a title in a window as a person starts it, looked at
// through the X server (its windows, a screenshot, the processor time it
// takes) and closed as the window's close button closes it.
#ifdef QUARNEL_TEST_X11
#include "graphics/Image.h"
#include "net/NetTitle.h"
#include "platform/Drives.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
// After GoogleTest, whose names Xlib's macros would change.
#include "HostInWindow.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const std::chrono::seconds PATIENCE(testsupport::PATIENCE_SECONDS);

using testsupport::haveXdotool;

// Whether a pixel of the 24-bit screen shows the 5-6-5 word: each part
// scaled to 8 bits, give or take the rounding of the display's conversion.
bool shows(unsigned long pixel, uint16_t word)
{
    const int parts[3][3] = {{int(pixel >> 16 & 0xFF), word >> 11, 31},
                             {int(pixel >> 8 & 0xFF), word >> 5 & 0x3F, 63},
                             {int(pixel & 0xFF), word & 0x1F, 31}};
    for (const auto& p : parts)
        if (std::abs(p[0] - p[1] * 255 / p[2]) > 2)
            return false;
    return true;
}

class HostDisplayTest : public testsupport::HostInWindow {
protected:
    // A screenshot of the window with that caption once it shows what the
    // test waits for; the last one taken when it does not within
    // PATIENCE_SECONDS. The window is looked for anew each time: it may be
    // made again for its renderer after it was first shown.
    XImage* shotOnce(const std::string& caption, const std::function<bool(XImage*)>& shows)
    {
        XImage* shot = nullptr;
        for (auto until = Clock::now() + PATIENCE; Clock::now() < until;) {
            if (shot)
                XDestroyImage(shot);
            const Window w = x.findWindow(caption);
            shot = w ? XGetImage(x.display, w, 0, 0, 800, 600, AllPlanes, ZPixmap) : nullptr;
            if (shot && shows(shot))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return shot;
    }
    // Whether the box of the program's menu shows: it is captioned with the
    // application's name.
    bool menuShown(const std::string& application)
    {
        std::vector<Window> boxes;
        x.collect(DefaultRootWindow(x.display), application.c_str(), 2, &boxes);
        return !boxes.empty();
    }
    // Opens the program's menu with Shift+F10 where no window manager gives
    // the window the focus; true once its box shows. The window may take
    // the keyboard a moment after it shows, so the keys are pressed again
    // until the box shows. They go where the pointer is: it is put on the
    // main window at the first press when `pointAtTheWindow`, and left where
    // it is for the presses that follow, since the program may have shown
    // its box and put the pointer on it meanwhile.
    bool openMenu(const std::string& application, bool pointAtTheWindow)
    {
        const std::string xdotool = "DISPLAY=" + x.name + " xdotool ";
        bool shown = false;
        for (int attempt = 0; attempt < 10 && !shown; ++attempt) {
            const bool first = pointAtTheWindow && attempt == 0;
            if (testsupport::shell(xdotool + (first ? "mousemove 100 500 " : "") + "key shift+F10") != 0)
                return false;
            for (auto until = Clock::now() + std::chrono::seconds(3); !shown && Clock::now() < until;) {
                shown = menuShown(application);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        return shown;
    }
    // Seconds of processor time the program has taken.
    double cpuSeconds()
    {
        std::string stat = testsupport::readFile("/proc/" + std::to_string(host) + "/stat");
        size_t at = stat.rfind(')');
        if (at == std::string::npos)
            return 0;
        std::vector<std::string> fields;
        std::string field;
        for (char c : stat.substr(at + 2)) {
            if (c == ' ') {
                fields.push_back(field);
                field.clear();
            } else
                field += c;
        }
        // utime and stime are the 14th and 15th fields of the whole line.
        if (fields.size() < 13)
            return 0;
        return double(std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str())) / double(sysconf(_SC_CLK_TCK));
    }
};

TEST_F(HostDisplayTest, ATitleInAWindowEndsWithItsCloseButton)
{
    tmp.write("Quarnel.ini", "[MAIN]\r\nTITLE=Quarnel window test\r\n");
    tmp.write("Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                      "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
    tmp.write("Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n");
    start(tmp.path(), {"-window", "-delay", "1"});

    // The windows by place: the main one at (0, 0), the second one, of the
    // secondary display, at (1024, 0), each with an 800x600 client area.
    // Each look finds them anew in one pass of the window tree: their order
    // in it changes as they are shown, and a window may be made again for
    // its renderer, so that one found before may be gone.
    struct Placed {
        Window main = 0, second = 0;
        XWindowAttributes a{}, b{};
    };
    auto look = [this] {
        Placed p;
        std::vector<Window> shown;
        x.collect(DefaultRootWindow(x.display), "Quarnel window test", 2, &shown);
        for (Window w : shown) {
            XWindowAttributes at;
            if (!XGetWindowAttributes(x.display, w, &at) || at.y != 0)
                continue;
            if (at.x == 0)
                p.main = w, p.a = at;
            else if (at.x == 1024)
                p.second = w, p.b = at;
        }
        return p;
    };
    // They may be shown, and then placed, many seconds later on a loaded
    // machine.
    Placed placed;
    for (auto until = Clock::now() + PATIENCE;;) {
        placed = look();
        if ((placed.main && placed.second) || Clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(placed.main, 0u) << "no window at (0, 0): " << testsupport::readFile(tmp.file("err.txt"));
    ASSERT_NE(placed.second, 0u) << "no window at (1024, 0): " << testsupport::readFile(tmp.file("err.txt"));
    EXPECT_EQ(placed.a.width, 800);
    EXPECT_EQ(placed.a.height, 600);
    EXPECT_EQ(placed.b.width, 800);
    EXPECT_EQ(placed.b.height, 600);

    // A screenshot of the main window once its first frame is shown: the
    // scene has no background and nothing of its own to draw, so the screen
    // shows the empty background's dark grey (7, 7, 7), whose 5-6-5 word
    // keeps only its lowest green bit.
    XImage* shot = nullptr;
    for (auto until = Clock::now() + PATIENCE; Clock::now() < until;) {
        if (shot)
            XDestroyImage(shot);
        const Window main = look().main;
        shot = main ? XGetImage(x.display, main, 0, 0, 800, 600, AllPlanes, ZPixmap) : nullptr;
        if (shot && (XGetPixel(shot, 10, 10) & 0xFFFFFF) != 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(XGetPixel(shot, 10, 10) & 0xFFFFFF, 0x000400u);
    EXPECT_EQ(XGetPixel(shot, 799, 599) & 0xFFFFFF, 0x000400u);
    XDestroyImage(shot);

    // The loop waits for the display between frames instead of spinning.
    double before = cpuSeconds();
    auto wall = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    double used = cpuSeconds() - before;
    double seconds = std::chrono::duration<double>(Clock::now() - wall).count();
    EXPECT_LT(used, 0.5 * seconds) << used << " s of processor time in " << seconds << " s";

    x.clickClose(look().main);
    EXPECT_EQ(waitForExit(), 0) << testsupport::readFile(tmp.file("err.txt"));
}

// A signal that asks the program to end (here SIGHUP: the terminal it was
// started from went away) ends a title in a window as its close button
// does, the scene's end included, within the program's bound: it would end
// with its own exit code and a line otherwise. The signal comes once the
// title plays (its first frame shows): its end then takes a fraction of a
// second even on a machine loaded four times over, where the start before
// it may take longer than the whole bound.
TEST_F(HostDisplayTest, ASignalEndsATitleInAWindowAsItsCloseButtonDoes)
{
    tmp.write("Quarnel.ini", "[MAIN]\r\nTITLE=Quarnel signal test\r\n");
    tmp.write("Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                      "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
    tmp.write("Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n");
    start(tmp.path(), {"-window"});
    ASSERT_NE(x.findWindow("Quarnel signal test"), 0u) << testsupport::readFile(tmp.file("err.txt"));
    // The empty background's grey, as in the test above.
    XImage* shot = shotOnce("Quarnel signal test",
                            [](XImage* s) { return (XGetPixel(s, 10, 10) & 0xFFFFFF) == 0x000400u; });
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(XGetPixel(shot, 10, 10) & 0xFFFFFF, 0x000400u) << testsupport::readFile(tmp.file("err.txt"));
    XDestroyImage(shot);
    ASSERT_EQ(kill(host, SIGHUP), 0);
    EXPECT_EQ(waitForExit(), 0) << testsupport::readFile(tmp.file("err.txt"));
    // The scene's statistics, written as it ends.
    EXPECT_NE(testsupport::readFile(tmp.file("Quarnel.ini")).find("Played=1"), std::string::npos);
}

TEST_F(HostDisplayTest, TheDemoPlaysInAWindowToItsEnd)
{
    std::string folder = tmp.file("demo");
    ASSERT_EQ(testsupport::shell("cp -r '" QUARNEL_DEMO_TITLE "' '" + folder + "' && rm -f '" + folder + "/Demo.ini'"),
              0);
    start(folder, {"-window"});
    EXPECT_EQ(waitForExit(), 0) << testsupport::readFile(tmp.file("err.txt"));
    // On the real clock the title runs the same scenes as on the virtual one.
    std::string ini = testsupport::readFile(folder + "/Demo.ini");
    EXPECT_NE(ini.find("TRACE=GAME_ONINIT.GAME_INIT.TOUR_ONINIT.TOUR_INIT.HALL_INIT."), std::string::npos) << ini;
    EXPECT_NE(ini.find("TIMEUP.GAME_EXIT.GARDEN_ONDONE."), std::string::npos) << ini;
}

// The pixels of a background picture of the demo that differ from a
// screenshot in the rows 400 to 499 (below the scenes' animations, above
// their buttons).
int differences(XImage* shot, const std::string& picture)
{
    CImage image(nullptr, CXString(platform::toEnginePath(picture).c_str()));
    const uint16_t* words = reinterpret_cast<const uint16_t*>(image.GetDataPtr());
    if (!shot || !words || image.Width() != 800 || image.Height() != 600)
        return -1;
    int differ = 0;
    for (int y = 400; y < 500; ++y)
        for (int x = 0; x < 800; ++x)
            differ += !shows(XGetPixel(shot, x, y), words[y * 800 + x]);
    return differ;
}

// A player clicks the hall's garden button in the demo's window through the
// X server, as a mouse would: the garden shows at once (its picture, and
// its one button where the library's is), and the close button ends the
// program.
TEST_F(HostDisplayTest, AClickOnTheDemosButtonShowsTheNextScene)
{
    if (!haveXdotool())
        GTEST_SKIP() << "xdotool is not installed (scripts/deps.sh installs it)";
    std::string folder = tmp.file("demo");
    // The hall goes on by itself after 3 s; on a busy machine the click
    // must not race that timer, so this copy of the hall waits a minute.
    ASSERT_EQ(testsupport::shell("cp -r '" QUARNEL_DEMO_TITLE "' '" + folder + "' && rm -f '" + folder +
                                 "/Demo.ini' && sed -i 's/^ONWARD:ELAPSE=3000/ONWARD:ELAPSE=60000/' '" + folder +
                                 "/Rara/HALL/HALL.cnv' && grep -q '^ONWARD:ELAPSE=60000' '" + folder +
                                 "/Rara/HALL/HALL.cnv'"),
              0);
    start(folder, {"-window"});
    Window main = x.findWindow("Quarnel demo");
    ASSERT_NE(main, 0u) << testsupport::readFile(tmp.file("err.txt"));

    const std::string hall = folder + "/Rara/HALL/hall.img", garden = folder + "/Rara/GARDEN/garden.img";
    XImage* shot = shotOnce("Quarnel demo", [&hall](XImage* s) { return differences(s, hall) == 0; });
    ASSERT_EQ(differences(shot, hall), 0) << testsupport::readFile(tmp.file("err.txt"));
    // The garden button's face, at (570, 525), framed in rgb(200, 200, 210).
    const uint16_t face = 0xCE5A;
    EXPECT_TRUE(shows(XGetPixel(shot, 571, 526), face));
    XDestroyImage(shot);

    main = x.findWindow("Quarnel demo");
    std::string click = "DISPLAY=" + x.name + " xdotool mousemove --window " + std::to_string(main) + " 670 550 click 1";
    ASSERT_EQ(testsupport::shell(click), 0);
    shot = shotOnce("Quarnel demo", [&garden](XImage* s) { return differences(s, garden) == 0; });
    EXPECT_EQ(differences(shot, garden), 0);
    // The garden's one button goes to the library, on the left; on the
    // right its dark band shows, rgb(16, 40, 16).
    ASSERT_NE(shot, nullptr);
    EXPECT_TRUE(shows(XGetPixel(shot, 341, 526), face));
    EXPECT_TRUE(shows(XGetPixel(shot, 571, 526), 0x1142));
    XDestroyImage(shot);

    x.clickClose(x.findWindow("Quarnel demo"));
    EXPECT_EQ(waitForExit(), 0) << testsupport::readFile(tmp.file("err.txt"));
    // The click took the player from the hall straight to the garden.
    std::string ini = testsupport::readFile(folder + "/Demo.ini");
    EXPECT_NE(ini.find("HALL_ONINIT.SUM_OK.HALL_ONDONE.GARDEN_INIT.GARDEN_ONINIT."), std::string::npos) << ini;
}

// The pixels of a background picture of the demo that differ from a
// screenshot of the whole 1280x1024 screen showing the 800x600 frame
// scaled 1.6 times below a band of 32 rows: in the rows 400 to 499 of the
// frame, where the picture and its neighbours are of one colour (the
// scaling blends the edges).
int scaledDifferences(XImage* shot, const std::string& picture, int* compared)
{
    CImage image(nullptr, CXString(platform::toEnginePath(picture).c_str()));
    const uint16_t* words = reinterpret_cast<const uint16_t*>(image.GetDataPtr());
    if (!shot || !words || image.Width() != 800 || image.Height() != 600)
        return -1;
    int differ = 0;
    *compared = 0;
    for (int y = 400; y < 500; ++y)
        for (int x = 1; x < 799; ++x) {
            bool even = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    even = even && words[(y + dy) * 800 + x + dx] == words[y * 800 + x];
            if (!even)
                continue;
            ++*compared;
            differ += !shows(XGetPixel(shot, x * 16 / 10 + 1, 32 + y * 16 / 10 + 1), words[y * 800 + x]);
        }
    return differ;
}

// Full screen on a screen of another shape, where no window manager runs
// (a kiosk) and where a small one does: the window covers the screen, the
// whole frame shows scaled with its aspect kept between black bands, and a
// click on a button of the demo lands on it.
TEST_F(HostDisplayTest, FullScreenShowsTheWholeFrameWithAndWithoutAWindowManager)
{
    if (!haveXdotool())
        GTEST_SKIP() << "xdotool is not installed (scripts/deps.sh installs it)";
    const bool haveManager = testsupport::shell("command -v matchbox-window-manager >/dev/null 2>&1") == 0;
    for (bool managed : {false, true}) {
        if (managed && !haveManager) {
            ADD_FAILURE() << "matchbox-window-manager is not installed (scripts/deps.sh installs it)";
            continue;
        }
        pid_t manager = -1;
        if (managed) {
            manager = fork();
            if (manager == 0) {
                testsupport::defaultSignalsInChild();
                int null = open("/dev/null", O_WRONLY);
                dup2(null, 1);
                dup2(null, 2);
                setenv("DISPLAY", x.name.c_str(), 1);
                execlp("matchbox-window-manager", "matchbox-window-manager", "-use_titlebar", "no",
                       static_cast<char*>(nullptr));
                _exit(127);
            }
        }
        std::string folder = tmp.file(managed ? "managed" : "kiosk");
        ASSERT_EQ(testsupport::shell("cp -r '" QUARNEL_DEMO_TITLE "' '" + folder + "' && rm -f '" + folder +
                                     "/Demo.ini' && sed -i 's/^ONWARD:ELAPSE=3000/ONWARD:ELAPSE=60000/' '" + folder +
                                     "/Rara/HALL/HALL.cnv'"),
                  0);
        start(folder, {});
        Window main = x.findWindow("Quarnel demo");
        ASSERT_NE(main, 0u) << testsupport::readFile(tmp.file("err.txt"));
        const Window root = DefaultRootWindow(x.display);
        auto shotOfScreen = [&](const std::string& picture) {
            XImage* shot = nullptr;
            int compared = 0;
            for (auto until = Clock::now() + PATIENCE; Clock::now() < until;) {
                if (shot)
                    XDestroyImage(shot);
                shot = XGetImage(x.display, root, 0, 0, 1280, 1024, AllPlanes, ZPixmap);
                if (scaledDifferences(shot, picture, &compared) == 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            return shot;
        };
        const std::string hall = folder + "/Rara/HALL/hall.img", garden = folder + "/Rara/GARDEN/garden.img";
        XImage* shot = shotOfScreen(hall);
        int compared = 0;
        ASSERT_EQ(scaledDifferences(shot, hall, &compared), 0) << "managed " << managed;
        EXPECT_GT(compared, 20000);
        // The bands above and below the frame are black.
        for (int y : {0, 31, 992, 1023})
            for (int sx : {0, 640, 1279})
                EXPECT_EQ(XGetPixel(shot, sx, y) & 0xFFFFFF, 0u) << sx << "," << y << " managed " << managed;
        XDestroyImage(shot);
        // The window may have been made again for its renderer.
        main = x.findWindow("Quarnel demo");
        XWindowAttributes a;
        ASSERT_TRUE(XGetWindowAttributes(x.display, main, &a));
        EXPECT_EQ(a.width, 1280);
        EXPECT_EQ(a.height, 1024);

        // The garden button at (670, 550) of the frame.
        std::string click = "DISPLAY=" + x.name + " xdotool mousemove " + std::to_string(670 * 16 / 10) + " " +
                            std::to_string(32 + 550 * 16 / 10) + " click 1";
        ASSERT_EQ(testsupport::shell(click), 0);
        shot = shotOfScreen(garden);
        EXPECT_EQ(scaledDifferences(shot, garden, &compared), 0) << "managed " << managed;
        if (shot)
            XDestroyImage(shot);

        x.clickClose(main);
        EXPECT_EQ(waitForExit(), 0) << testsupport::readFile(tmp.file("err.txt"));
        if (manager > 0) {
            kill(manager, SIGTERM);
            waitpid(manager, nullptr, 0);
        }
    }
}

// A full screen larger than the screen (1280x1024) cannot be shown: the
// run ends at once with the sizes named; one that fits plays, and so does a
// window, for which -res is not used.
TEST_F(HostDisplayTest, AFullScreenLargerThanTheScreenIsRefused)
{
    tmp.write("Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                      "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
    tmp.write("Rara/S/S.cnv", "OBJECT=__INIT__\n__INIT__:TYPE=BEHAVIOUR\n__INIT__:CODE={GAME^EXIT();}\n");
    start(tmp.path(), {"-res", "2000", "1000"});
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_NE(testsupport::readFile(tmp.file("err.txt"))
                  .find("Quarnel: the screen (1280x1024) cannot show the full screen at 2000x1000 (-res)"),
              std::string::npos)
        << testsupport::readFile(tmp.file("err.txt"));
    for (const std::vector<std::string>& fits : {std::vector<std::string>{"-res", "1280", "1024"},
                                                  std::vector<std::string>{"-window", "-res", "2000", "1000"}}) {
        start(tmp.path(), fits);
        EXPECT_EQ(waitForExit(), 0) << fits[0] << ": " << testsupport::readFile(tmp.file("err.txt"));
    }
}

// The program's menu, opened with Shift+F10 where no window manager gives
// it the focus, closes with Escape; the title plays on.
TEST_F(HostDisplayTest, TheMenuClosesWithEscape)
{
    if (!haveXdotool())
        GTEST_SKIP() << "xdotool is not installed (scripts/deps.sh installs it)";
    tmp.write("Quarnel.ini", "[MAIN]\r\nTITLE=Quarnel menu test\r\n");
    tmp.write("Rara/application.def", "OBJECT=MENUGAME\nMENUGAME:TYPE=APPLICATION\nMENUGAME:SCENES=S\n"
                                      "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
    tmp.write("Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n");
    start(tmp.path(), {"-window"});
    Window main = x.findWindow("Quarnel menu test");
    ASSERT_NE(main, 0u) << testsupport::readFile(tmp.file("err.txt"));
    const std::string xdotool = "DISPLAY=" + x.name + " xdotool ";
    auto boxShown = [this] { return menuShown("MENUGAME"); };
    for (int turn = 0; turn < 2; ++turn) {
        // A press the main window took while its box showed opens the box
        // again once it closes: the end of the test closes such boxes.
        ASSERT_TRUE(openMenu("MENUGAME", turn == 0)) << testsupport::readFile(tmp.file("err.txt"));
        // Where no window manager runs the keys go where the pointer is,
        // which the program put on the box; on a busy machine the box may
        // be mapped after the pointer moved, so Escape is pressed again
        // each second until the box is gone.
        bool closed = false;
        for (auto until = Clock::now() + PATIENCE; !closed && Clock::now() < until;) {
            ASSERT_EQ(testsupport::shell(xdotool + "key Escape"), 0);
            for (auto again = Clock::now() + std::chrono::seconds(1); !closed && Clock::now() < again;) {
                closed = !boxShown();
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        EXPECT_TRUE(closed) << "turn " << turn;
    }
    // The window found first may have been made again since (as SDL does
    // for its renderer): the close goes to the one shown now.
    auto closeMain = [this] {
        std::vector<Window> shown;
        x.collect(DefaultRootWindow(x.display), "Quarnel menu test", 2, &shown);
        for (Window w : shown)
            x.clickClose(w);
    };
    int code = -1;
    for (auto until = Clock::now() + PATIENCE; code < 0 && Clock::now() < until;) {
        if (boxShown())
            ASSERT_EQ(testsupport::shell(xdotool + "key Escape"), 0);
        else
            closeMain();
        code = waitForExit(1);
    }
    EXPECT_EQ(code, 0) << testsupport::readFile(tmp.file("err.txt"));
}

// Whether no process of the group is left: its processes that ended and
// were left to the test (it is their subreaper) are reaped first.
bool groupGone(pid_t group)
{
    while (waitpid(-group, nullptr, WNOHANG) > 0) {
    }
    return kill(-group, 0) != 0 && errno == ESRCH;
}

// Whether a process of the group other than `except` runs (one that has
// ended and waits to be reaped does not count).
bool anotherRuns(pid_t group, pid_t except)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos || std::atoi(name.c_str()) == except)
            continue;
        // After the command's closing parenthesis: state, parent, group.
        const std::string stat = testsupport::readFile(entry.path().string() + "/stat");
        const size_t end = stat.rfind(')');
        char state = 0;
        int parent = 0, itsGroup = 0;
        if (end != std::string::npos && std::sscanf(stat.c_str() + end + 1, " %c %d %d", &state, &parent, &itsGroup) == 3 &&
            itsGroup == group && state != 'Z')
            return true;
    }
    return false;
}

// The menu's box is shown from a forked copy of the program. A signal while
// it shows closes it at once, and the title's end runs: sent to the
// program, or to its group as timeout(1) and a terminal's Ctrl+C send it
// (the box hears it too). A program killed outright takes its box with it.
// No process of the program is left in any case.
TEST_F(HostDisplayTest, ASignalWhileTheMenuShowsEndsTheBoxAndTheTitle)
{
    if (!haveXdotool())
        GTEST_SKIP() << "xdotool is not installed (scripts/deps.sh installs it)";
    // A copy of the program left behind would be handed to the test, not
    // hidden away by the system's first process.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    tmp.write("Rara/application.def", "OBJECT=MENUGAME\nMENUGAME:TYPE=APPLICATION\nMENUGAME:SCENES=S\n"
                                      "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
    tmp.write("Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n");
    const struct {
        int signal;
        bool toTheGroup;
        int exitCode;
    } rows[] = {{SIGTERM, false, 0}, {SIGINT, true, 0}, {SIGKILL, false, 128 + SIGKILL}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(strsignal(row.signal)) + (row.toTheGroup ? " to the group" : ""));
        tmp.write("Quarnel.ini", "[MAIN]\r\nTITLE=Quarnel menu test\r\n");
        start(tmp.path(), {"-window"});
        ASSERT_NE(x.findWindow("Quarnel menu test"), 0u) << testsupport::readFile(tmp.file("err.txt"));
        ASSERT_TRUE(openMenu("MENUGAME", true)) << testsupport::readFile(tmp.file("err.txt"));
        const pid_t group = this->group;
        // The box is a process of the program's group.
        ASSERT_TRUE(anotherRuns(group, host));
        const Clock::time_point asked = Clock::now();
        ASSERT_EQ(kill(row.toTheGroup ? -group : host, row.signal), 0);
        if (row.exitCode == 0) {
            // The program's own wait: the box's copy of the program goes at
            // once (some 10 ms, 30 ms under the sanitizers); the title's
            // end, its statistics written, follows some 50 ms later on an
            // idle machine, seconds later on a starved one.
            const bool boxGone = nettest::waitFor([&] { return !anotherRuns(group, host); }, 5000);
            const long long took =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
            EXPECT_TRUE(boxGone);
            EXPECT_LT(took, 1000);
        }
        EXPECT_EQ(waitForExit(), row.exitCode) << testsupport::readFile(tmp.file("err.txt"));
        if (row.exitCode == 0) {
            EXPECT_EQ(nettest::iniValue(tmp.file("Quarnel.ini"), "S", "Played"), "1");
        }
        EXPECT_EQ(testsupport::readFile(tmp.file("err.txt")).find("the menu cannot be shown"), std::string::npos)
            << testsupport::readFile(tmp.file("err.txt"));
        bool gone = false;
        for (auto until = Clock::now() + PATIENCE; !gone && Clock::now() < until;) {
            gone = groupGone(group);
            if (!gone)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(gone) << "a process of the program is left";
        kill(-group, SIGKILL);
        while (waitpid(-group, nullptr, 0) > 0) {
        }
        EXPECT_FALSE(menuShown("MENUGAME"));
    }
}

TEST_F(HostDisplayTest, AFolderWithoutATitleEndsWithAMessage)
{
    start(tmp.path(), {"-window"});
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_NE(testsupport::readFile(tmp.file("err.txt")).find("Quarnel: no title to start in"), std::string::npos)
        << testsupport::readFile(tmp.file("err.txt"));
}

} // namespace
#endif
