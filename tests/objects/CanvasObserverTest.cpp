// The canvas observer in a scene with the engine's screen unit: which
// object GETGRAPHICSAT finds, the screen's notifications as events, REDRAW
// from inside a redraw, the screen methods and the screen saved as an
// image file.
#include "CanvasSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "objects/CanvasObserver.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace canvastest;
using CMC_CanvasObserverTest = CanvasTest;

// The top drawable at a point by priority, the later one on equal
// priority; a transparent alpha pixel is seen through unless alpha is
// ignored; the bounds are read only as a pair; hidden drawables count
// unless visibleOnly. Its name is looked up in the calling scene only
// (a canvas is never named), with GETGRAPHICSAT2 in the parents too.
TEST_F(CMC_CanvasObserverTest, GetGraphicsAtAnswersTheTopObjectsName)
{
    // The application around the scene is a scene of its own, as the
    // engine's is: its IMAGE objects watch collisions through it.
    std::unique_ptr<CMC_ObjectsContainer> app(new CMC_Scene(window.get(), MC_APPLICATION));
    struct {
        const char* file;
        int x, y, side;
    } files[] = {{"appimg", 600, 0, 10}, {"low", 0, 0, 100}, {"higha", 10, 10, 20}, {"eq1", 200, 0, 10},
                 {"eq2", 205, 0, 10},    {"low2", 300, 0, 10}, {"hid", 300, 0, 10}};
    for (const auto& f : files)
        ASSERT_TRUE(imagetest::writeImage(tmp.file(std::string(f.file) + ".img"), f.side, f.side, imagetest::plain(0),
                                          std::string(f.file) == "higha"
                                              ? screentest::AlphaPattern([](int x, int) { return x < 10 ? 255 : 0; })
                                              : nullptr,
                                          CXPoint(f.x, f.y)));
    showPictures({{"APPIMG", 0}}, app.get());
    scene->setParent(app.get());
    showPictures({{"LOW", 1}, {"HIGHA", 5}, {"EQ1", 3}, {"EQ2", 3}, {"LOW2", 2}, {"HID", 9}});
    define({"O:TYPE=CANVAS_OBSERVER", "C:TYPE=CANVAS", "C:WIDTH=10", "C:HEIGHT=10", "C:PRIORITY=7", "A:TYPE=ANIMO",
            "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE", "A:PRIORITY=4"});
    call("HID", "HIDE");
    call("C", "SETPOSITION", {"400", "0"});
    call("A", "SETPOSITION", {"500", "0"});
    call("A", "SETFRAME", {"\"STAND\"", "0"});
    struct {
        const char* method;
        std::vector<const char*> args;
        const char* name;
    } cases[] = {
        {"GETGRAPHICSAT", {"700", "500"}, "NULL"},
        {"GETGRAPHICSAT", {"5"}, "NULL"},
        {"GETGRAPHICSAT", {"5", "5"}, "LOW"},
        {"GETGRAPHICSAT", {"15", "15"}, "HIGHA"},
        {"GETGRAPHICSAT", {"25", "15"}, "LOW"},
        {"GETGRAPHICSAT", {"25", "15", "FALSE", "-1", "-1", "TRUE"}, "HIGHA"},
        {"GETGRAPHICSAT", {"15", "15", "FALSE", "0", "4"}, "LOW"},
        {"GETGRAPHICSAT", {"15", "15", "FALSE", "2", "-1"}, "HIGHA"},
        {"GETGRAPHICSAT", {"5", "5", "FALSE", "2", "-1"}, "NULL"},
        {"GETGRAPHICSAT", {"5", "5", "FALSE", "2"}, "LOW"},
        {"GETGRAPHICSAT", {"203", "5"}, "EQ1"},
        {"GETGRAPHICSAT", {"207", "5"}, "EQ2"},
        {"GETGRAPHICSAT", {"305", "5"}, "HID"},
        {"GETGRAPHICSAT", {"305", "5", "TRUE"}, "LOW2"},
        {"GETGRAPHICSAT", {"405", "5"}, "UNKNOWN"},
        {"GETGRAPHICSAT", {"505", "5"}, "A"},
        {"GETGRAPHICSAT", {"605", "5"}, "UNKNOWN"},
        {"GETGRAPHICSAT2", {"605", "5"}, "APPIMG"},
        {"GETGRAPHICSAT2", {"405", "5"}, "UNKNOWN"},
    };
    for (const auto& k : cases) {
        CMC_Object* o = scene->getObject("O");
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(o);
        CXVector args;
        for (const char* l : k.args)
            args.add(CMC_Variable::resolve(CXString(l)));
        CMC_Variable* r = runner->run(CXString(k.method), o, scene, &args);
        EXPECT_EQ(std::string(r ? r->toString().c_str() : "-"), k.name) << k.method << " " << k.args.front();
        CMC_Object::flush(r);
        for (int i = 0; i < args.getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args.at(i)));
    }
    scene->setParent(nullptr);
    app->unload();
}

// "ONINITIALUPDATED" comes at the end of every scene's first frame; the
// other events only while the screen's notify flag is set, which every
// observer shares: "ONUPDATE" and "ONUPDATED" in frames with a drawable
// on the screen, "ONINITIALUPDATE" before a scene's first frame, the
// window focus events on activation changes.
TEST_F(CMC_CanvasObserverTest, TheScreensNotificationsAsEvents)
{
    define({"LOG:TYPE=STRING", "O:TYPE=CANVAS_OBSERVER", "O:ONINITIALUPDATE={LOG^ADD(\"IU.\");}",
            "O:ONUPDATE={LOG^ADD(\"U.\");}", "O:ONUPDATED={LOG^ADD(\"D.\");}",
            "O:ONINITIALUPDATED={LOG^ADD(\"ID.\");}", "O:ONWINDOWFOCUSON={LOG^ADD(\"ON.\");}",
            "O:ONWINDOWFOCUSOFF={LOG^ADD(\"OFF.\");}", "P:TYPE=CANVAS_OBSERVER"});
    frame();
    EXPECT_EQ(logged(), "ID.");
    frame();
    window->OnActivateApp(false);
    window->OnActivateApp(true);
    EXPECT_EQ(logged(), "");

    call("P", "ENABLENOTIFY", {"TRUE"});
    frame();
    EXPECT_EQ(logged(), "");
    ASSERT_TRUE(imagetest::writeImage(tmp.file("i.img"), 4, 4, imagetest::plain(0)));
    showPictures({{"I", 0}});
    frame();
    EXPECT_EQ(logged(), "U.D.");
    window->OnActivateApp(false);
    window->OnActivateApp(true);
    EXPECT_EQ(logged(), "OFF.ON.");

    // The scene entered again: leaving it gave the unit's pictures back,
    // so a new one is shown.
    screenUnit->done(nullptr, nullptr);
    screenUnit->initialize(scene, screenUnit);
    ASSERT_TRUE(imagetest::writeImage(tmp.file("j.img"), 4, 4, imagetest::plain(0)));
    showPictures({{"J", 0}});
    frame();
    EXPECT_EQ(logged(), "IU.U.D.ID.");

    call("O", "ENABLENOTIFY", {"FALSE"});
    call("O", "ENABLENOTIFY");
    frame();
    EXPECT_EQ(logged(), "");
}

// REDRAW draws a frame at once; from a behaviour of the frame's own
// "ONUPDATE" it does not start another inside it, and the next frame
// draws the whole screen.
TEST_F(CMC_CanvasObserverTest, RedrawFromAnUpdateEventDoesNotRecurse)
{
    ASSERT_TRUE(imagetest::writeImage(tmp.file("i.img"), 4, 4, imagetest::plain(0)));
    showPictures({{"I", 0}});
    define({"LOG:TYPE=STRING", "O:TYPE=CANVAS_OBSERVER", "O:ONUPDATE={LOG^ADD(\"U.\");O^REDRAW();}"});
    frame();
    call("O", "ENABLENOTIFY", {"TRUE"});
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    const uint64_t shown = backend.framesShown(0);
    frame();
    EXPECT_EQ(logged(), "U.");
    EXPECT_EQ(backend.framesShown(0), shown + 1);
    EXPECT_TRUE(screen->getRefreshList()->isWholeScreen());
    frame();
    EXPECT_EQ(logged(), "U.");
    call("O", "REDRAW");
    EXPECT_EQ(logged(), "U.");
    EXPECT_EQ(backend.framesShown(0), shown + 3);
    EXPECT_FALSE(screen->isRedrawing());
}

// ADD puts a drawable on the screen at 1000 or the priority given, once;
// REMOVE takes it off; REFRESH marks the whole screen; GETBPP tells the
// depth. The background: SETBACKGROUND from an object's picture or a
// file, PASTE into it (shown once the screen is drawn again), MOVEBKG and
// SETBKGPOS of its scroll offset; without a background these do nothing.
TEST_F(CMC_CanvasObserverTest, ScreenAndBackgroundMethods)
{
    ASSERT_TRUE(animotest::writeAnimation(window.get(), tmp.file("b.ann"), {{6, 4, 0, 0, 0xF800}}, {{"IDLE", {0}}}));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("g.img"), 40, 30, imagetest::plain(2016)));
    define({"O:TYPE=CANVAS_OBSERVER", "A:TYPE=ANIMO", "A:FILENAME=hero.ann", "B:TYPE=ANIMO", "B:FILENAME=b.ann",
            "B:VISIBLE=TRUE", "G:TYPE=IMAGE", "G:FILENAME=g.img"});
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    // Without a background (the unit's grey one taken away).
    screen->SetBackground(static_cast<CGraphicsObject*>(nullptr));
    ASSERT_EQ(screen->getBackgroundIfc(), nullptr);
    for (const char* method : {"MOVEBKG", "SETBKGPOS"})
        call("O", method, {"3", "4"});
    call("O", "PASTE", {"\"B\"", "1", "1"});
    EXPECT_EQ(call("O", "GETBPP"), "16");

    call("O", "ADD", {"\"A\""});
    call("O", "ADD", {"\"B\"", "5"});
    call("O", "ADD", {"\"A\"", "7"});
    call("O", "ADD", {"\"NOTHING\""});
    EXPECT_EQ(screen->GetPriority(animation("A")), 1000);
    EXPECT_EQ(screen->GetPriority(animation("B")), 5);
    call("O", "REMOVE", {"\"A\""});
    EXPECT_EQ(screen->GetPriority(animation("A")), -1);
    call("O", "REMOVE", {"\"B\""});
    frame();
    call("O", "REFRESH");
    EXPECT_TRUE(screen->getRefreshList()->isWholeScreen());

    // G's green picture as the background, B's red frame pasted at (2, 3)
    // of it; B stays where it was.
    call("B", "SETPOSITION", {"300", "200"});
    call("O", "SETBACKGROUND", {"\"G\""});
    call("O", "PASTE", {"\"B\"", "2", "3"});
    EXPECT_EQ(call("B", "GETPOSITIONX"), "300");
    EXPECT_EQ(call("B", "GETPOSITIONY"), "200");
    // A background smaller than the screen covers only its own size.
    std::vector<uint32_t> before;
    const platform::Surface* last = backend.shownFrame(0);
    ASSERT_NE(last, nullptr);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            before.push_back(last->pixelAt(x, y));
    frame();
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0),
        [&](int x, int y) -> uint32_t {
            if (x >= 40 || y >= 30)
                return before[size_t(y) * 800 + x];
            return x >= 2 && x < 8 && y >= 3 && y < 7 ? 0xF800 : 0x07E0;
        },
        "observer_background"));
    // The background's position is its scroll offset.
    call("O", "SETBKGPOS", {"5", "6"});
    call("O", "MOVEBKG", {"1", "1"});
    EXPECT_EQ(screen->getBackgroundIfc()->GetPosition(), CXPoint(6, 7));
    EXPECT_TRUE(screen->getRefreshList()->isWholeScreen());

    // The screen itself is no picture to take; a file is.
    call("O", "SETBACKGROUND", {"\"O\""});
    call("O", "SAVE", {"\"screen.img\""});
    call("O", "SETBACKGROUND", {"\"screen.img\""});
    call("O", "SETBACKGROUND", {"\"missing.img\""});
    frame();
}

// SAVE writes the screen as the last frame showed it (cut and scaled as
// asked) and reads back the same; before the first frame it writes
// nothing.
TEST_F(CMC_CanvasObserverTest, SaveWritesTheLastFrameShown)
{
    ASSERT_TRUE(imagetest::writeImage(tmp.file("g.img"), 40, 30, imagetest::plain(2016), nullptr, CXPoint(10, 20)));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("r.img"), 10, 10, imagetest::plain(63488), nullptr, CXPoint(25, 35)));
    showPictures({{"G", 0}, {"R", 1}});
    define({"O:TYPE=CANVAS_OBSERVER"});
    call("O", "SAVE", {"\"early.img\""});
    EXPECT_EQ(loadImage("early.img"), nullptr);
    frame();
    frame();
    const platform::Surface* shown = backend.shownFrame(0);
    ASSERT_NE(shown, nullptr);
    call("O", "SAVE", {"\"whole.img\""});
    call("O", "SAVE", {"\"part.img\"", "0.5", "2.0", "10", "20", "50", "50"});
    struct {
        const char* file;
        int w, h;
        std::function<uint32_t(int, int)> expected;
    } cases[] = {
        {"whole.img", 800, 600, [&](int x, int y) { return shown->pixelAt(x, y); }},
        {"part.img", 20, 60, [&](int x, int y) { return shown->pixelAt(10 + 2 * x, 20 + y / 2); }},
    };
    for (const auto& k : cases) {
        std::unique_ptr<CGraphicsObject> read = loadImage(k.file);
        ASSERT_NE(read, nullptr) << k.file;
        ASSERT_EQ(read->Width(), k.w) << k.file;
        ASSERT_EQ(read->Height(), k.h) << k.file;
        for (int y = 0; y < k.h; ++y)
            for (int x = 0; x < k.w; ++x)
                ASSERT_EQ(wordAt(read.get(), x, y), k.expected(x, y)) << k.file << " " << x << "," << y;
    }
    EXPECT_EQ(shown->pixelAt(30, 40), 0xF800u);
}

} // namespace
