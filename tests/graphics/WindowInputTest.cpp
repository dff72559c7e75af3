// The window's services: mouse and key routing through the hot spots and
// the listener registries, cursors, the critical-error box, the key code
// tables and the host's menu commands.
#include "graphics/RefreshScreen.h"
#include "ui/InputListeners.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

std::string at(CXPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

// A mouse listener that logs every question and takes what it is told to.
struct Listener : CMouseListener {
    Listener(const char* n, Log* l) : name(n), log(l) {}
    bool answer(const std::string& what)
    {
        log->push_back(name + " " + what);
        return what.find(takes) == 0 && !takes.empty();
    }
    bool onMouseMove(CXPoint p) override { return answer("move " + at(p)); }
    bool onClick(int b, CXPoint p) override { return answer("click" + std::to_string(b) + " " + at(p)); }
    bool onClick(CXPoint p) override { return answer("click " + at(p)); }
    bool onRelease(int b, CXPoint p) override { return answer("release" + std::to_string(b) + " " + at(p)); }
    bool onRelease(CXPoint p) override { return answer("release " + at(p)); }
    bool onDblClick(CXPoint p) override { return answer("dblclick " + at(p)); }
    void onLooseFocus() override { log->push_back(name + " loses"); }
    void onSetFocus() override { log->push_back(name + " takes"); }

    std::string name;
    Log* log;
    std::string takes;
};

struct Keys : CKeyListener {
    Keys(const char* n, Log* l) : name(n), log(l) {}
    void onKeyUp(int k) override { log->push_back(name + " up " + std::to_string(k)); }
    void onKeyDown(int k) override { log->push_back(name + " down " + std::to_string(k)); }
    void onChar(unsigned char c) override { log->push_back(name + " char " + std::string(1, char(c))); }
    std::string name;
    Log* log;
};

class KeyApp : public CApplication {
public:
    KeyApp(CWindow* w, int answer) : CApplication(w, "", "", nullptr), answer(answer) {}
    int OnKeyDown(int, int) override { return answer; }
    int answer;
};

Log* spotLog = nullptr;
int spotAnswer = 0;

class CWindowInputTest : public screentest::HeadlessScreen {
protected:
    CWindowInputTest()
    {
        spotLog = &log;
        spotAnswer = 0;
    }
    void hotSpots()
    {
        CWindow::layers().hotSpotMouseEvent = [](int event, CXPoint p, int) {
            spotLog->push_back("spot " + std::to_string(event) + " " + at(p));
            return spotAnswer;
        };
        CWindow::layers().hotSpotChar = [](int key, int) {
            spotLog->push_back("spot key " + std::to_string(key));
            return spotAnswer;
        };
    }
    Log log;
};

TEST_F(CWindowInputTest, AsksMouseListenersFromTheTopUntilOneTakesTheEvent)
{
    std::unique_ptr<CWindow> w = makeWindow();
    Listener a("A", &log), b("B", &log), c("C", &log);
    w->registerMouseListener(&a, 5);
    w->registerMouseListener(&b, 5);
    w->registerMouseListener(&c, 6);
    EXPECT_EQ(w->OnMouseMove(CXPoint(1, 2), 0), 0);
    EXPECT_EQ(log, (Log{"C move 1,2", "B move 1,2", "A move 1,2"}));

    log.clear();
    b.takes = "move";
    EXPECT_EQ(w->OnMouseMove(CXPoint(1, 2), 0), 1);
    EXPECT_EQ(log, (Log{"C move 1,2", "B move 1,2"}));

    // A left press asks onClick(p), then onClick(0, p); the first that
    // takes it ends the delivery.
    log.clear();
    b.takes = "click ";
    EXPECT_EQ(w->OnLButtonDown(CXPoint(3, 4), 0), 0);
    EXPECT_EQ(log, (Log{"C click 3,4", "C click0 3,4", "B click 3,4"}));
    log.clear();
    b.takes = "";
    w->OnLButtonUp(CXPoint(3, 4), 0);
    w->OnMButtonDown(CXPoint(5, 6), 0);
    w->OnRButtonUp(CXPoint(5, 6), 0);
    w->OnLButtonDblClk(CXPoint(7, 8), 0);
    EXPECT_EQ(log, (Log{"C release 3,4", "C release0 3,4", "B release 3,4", "B release0 3,4", "A release 3,4",
                        "A release0 3,4", "C click1 5,6", "B click1 5,6", "A click1 5,6", "C release2 5,6",
                        "B release2 5,6", "A release2 5,6", "C dblclick 7,8", "B dblclick 7,8", "A dblclick 7,8"}));

    // A flagged event or a disabled mouse reaches nobody.
    log.clear();
    EXPECT_EQ(w->OnRButtonDown(CXPoint(0, 0), 1), 0);
    w->enableMouse(false);
    w->OnMButtonUp(CXPoint(0, 0), 0);
    w->enableMouse(true);
    EXPECT_TRUE(log.empty());

    // Removed listeners, also ones removed while the event is delivered,
    // are not asked.
    struct Remover : Listener {
        using Listener::Listener;
        CWindow* window;
        CMouseListener* gone;
        bool onMouseMove(CXPoint p) override
        {
            window->removeMouseListener(gone);
            return Listener::onMouseMove(p);
        }
    } remover("R", &log);
    remover.window = w.get();
    remover.gone = &b;
    w->registerMouseListener(&remover, 7);
    w->removeMouseListener(&c);
    w->removeMouseListener(&c);
    w->OnMouseMove(CXPoint(9, 9), 0);
    EXPECT_EQ(log, (Log{"R move 9,9", "A move 9,9"}));
}

// The registries keep their order through removals and repeats: among
// equal priorities the mouse listener registered last is asked first, a
// listener registered twice is asked twice, and a removal takes its first
// entry (the lowest, for the mouse; the earliest, for keys).
TEST_F(CWindowInputTest, ListenersKeepTheirOrderThroughRemovalsAndRepeats)
{
    std::unique_ptr<CWindow> w = makeWindow();
    Listener a("A", &log), b("B", &log), c("C", &log), d("D", &log);
    for (Listener* l : {&a, &b, &c})
        w->registerMouseListener(l, 5);
    w->removeMouseListener(&a);
    w->registerMouseListener(&a, 5);
    w->registerMouseListener(&b, 1);
    w->registerMouseListener(&d, 3);
    w->OnMouseMove(CXPoint(1, 1), 0);
    EXPECT_EQ(log, (Log{"A move 1,1", "C move 1,1", "B move 1,1", "D move 1,1", "B move 1,1"}));
    log.clear();
    w->removeMouseListener(&b);
    w->OnMouseMove(CXPoint(2, 2), 0);
    EXPECT_EQ(log, (Log{"A move 2,2", "C move 2,2", "B move 2,2", "D move 2,2"}));

    Keys one("1", &log), two("2", &log), three("3", &log);
    for (Keys* k : {&one, &two, &one})
        w->registerKeyListener(k);
    log.clear();
    w->OnChar('a', 0);
    w->removeKeyListener(&one);
    w->registerKeyListener(&three);
    w->OnChar('b', 0);
    EXPECT_EQ(log, (Log{"1 char a", "2 char a", "1 char a", "2 char b", "1 char b", "3 char b"}));
}

TEST_F(CWindowInputTest, HotSpotsAreOfferedTheMouseFirst)
{
    hotSpots();
    std::unique_ptr<CWindow> w = makeWindow();
    Listener a("A", &log);
    w->registerMouseListener(&a, 0);
    spotAnswer = 3;
    EXPECT_EQ(w->OnLButtonDown(CXPoint(10, 20), 0), 3);
    EXPECT_EQ(log, (Log{"spot 2 10,20"}));
    log.clear();
    spotAnswer = 0;
    w->OnRButtonDown(CXPoint(1, 1), 0);
    w->OnLButtonDblClk(CXPoint(1, 1), 0);
    EXPECT_EQ(log, (Log{"spot 8 1,1", "A click2 1,1", "spot 65 1,1", "A dblclick 1,1"}));
}

TEST_F(CWindowInputTest, MouseCaptionPutsAListenerFirst)
{
    std::unique_ptr<CWindow> w = makeWindow();
    Listener a("A", &log), b("B", &log), c("C", &log);
    w->setMouseCaption(&a); // no listeners: nothing
    EXPECT_TRUE(log.empty());
    w->registerMouseListener(&a, 1);
    w->registerMouseListener(&b, 2);
    w->setMouseCaption(&b); // already first
    EXPECT_TRUE(log.empty());
    w->setMouseCaption(&a);
    w->setMouseCaption(&c); // not registered: registered first
    EXPECT_EQ(log, (Log{"B loses", "A takes", "A loses", "C takes"}));
    log.clear();
    w->OnMouseMove(CXPoint(0, 0), 0);
    EXPECT_EQ(log, (Log{"C move 0,0", "A move 0,0", "B move 0,0"}));
}

TEST_F(CWindowInputTest, EveryKeyListenerHearsEveryKey)
{
    hotSpots();
    std::unique_ptr<CWindow> w = makeWindow();
    Keys one("1", &log), two("2", &log);
    w->registerKeyListener(&one);
    w->registerKeyListener(&two);
    // Without an application a key press reaches nobody.
    EXPECT_EQ(w->OnKeyDown(30, 0), 0);
    EXPECT_TRUE(log.empty());
    {
        KeyApp app(w.get(), 0);
        spotAnswer = 4;
        EXPECT_EQ(w->OnKeyDown(30, 7), 4);
        KeyApp taking(w.get(), 9);
        EXPECT_EQ(w->OnKeyDown(31, 7), 9);
        EXPECT_EQ(w->OnKeyUp(30, 7), 4);
        EXPECT_EQ(w->OnChar('a', 0), 0);
    }
    EXPECT_EQ(log, (Log{"spot key 30", "1 down 30", "2 down 30", "1 down 31", "2 down 31", "1 up 30", "2 up 30",
                        "spot key 30", "1 char a", "2 char a"}));
    w->removeKeyListener(&one);
    w->removeKeyListener(&one);
    log.clear();
    w->OnChar('b', 0);
    EXPECT_EQ(log, Log{"2 char b"});
}

TEST_F(CWindowInputTest, CursorsFollowTheirLocks)
{
    int mainImage, activeImage, waitImage, other;
    std::unique_ptr<CWindow> w(new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), &mainImage, "", true));
    EXPECT_EQ(w->GetCursor(), &mainImage);
    w->BeginActiveCursor(); // none set
    w->BeginWaitCursor();
    EXPECT_EQ(w->GetCursor(), &mainImage);
    w->SetActiveCursor(&activeImage);
    w->SetWaitCursor(&waitImage);
    w->BeginActiveCursor();
    EXPECT_EQ(w->GetCursor(), &activeImage);
    w->enableMouse(false);
    EXPECT_EQ(w->GetCursor(), &waitImage);
    w->enableMouse(true);
    EXPECT_EQ(w->GetCursor(), &mainImage);
    w->lockActiveCursor(true);
    w->BeginActiveCursor();
    EXPECT_EQ(w->GetCursor(), &mainImage);
    w->LockCursor();
    w->SetCursor(&other);
    w->BeginWaitCursor();
    EXPECT_EQ(w->GetCursor(), &mainImage);
    w->UnLockCursor();
    w->SetCursor(&other);
    EXPECT_EQ(w->GetCursor(), &other);

    CWindow::HideCursor();
    EXPECT_FALSE(backend.input().mouse().isCursorShown());
    CWindow::ShowCursor();
    EXPECT_TRUE(backend.input().mouse().isCursorShown());
}

TEST_F(CWindowInputTest, ShowsTheErrorInItsOwnWords)
{
    backend.setMessagesToStandardError(false);
    std::unique_ptr<CWindow> w = makeWindow();
    w->ShowError("Quarnel");
    EXPECT_TRUE(backend.messages().empty());
    const std::pair<int, std::string> cases[] = {
        {-998, "Nieprawid\xB3owe dzia\xB3" "anie karty graficznej."},
        {-997, "Nieprawid\xB3owe dzia\xB3" "anie karty d\x9Fwi\xEAkowej."},
        {12, "Nieznany b\xB3\xB9" "d krytyczny."},
    };
    for (const auto& c : cases) {
        w->setErrorCode(c.first);
        w->ShowError("Quarnel");
        ASSERT_FALSE(backend.messages().empty());
        EXPECT_EQ(backend.messages().back(), std::make_pair(std::string("Quarnel"), c.second));
    }
}

TEST(CWindowKeyCodesTest, TranslateVirtualKeysAndScanCodes)
{
    const int keys[][3] = {{13, 0, -50}, {16, 0x1D0001, -45}, {16, 0, -44}, {17, 0x2A0001, -48}, {17, 1, -47},
                           {32, 0, -39}, {33, 0, -52},       {34, 0, -51}, {35, 0, -53},       {36, 0, -54},
                           {37, 0, -43}, {38, 0, -41},       {39, 0, -42}, {40, 0, -40},       {45, 0, -56},
                           {46, 0, -55}, {12, 0, 12},        {47, 0, 47},  {41, 0, 41},        {65, 0, 65}};
    for (const auto& k : keys)
        EXPECT_EQ(CWindow::__get_virtualkey_code(k[0], k[1]), k[2]) << k[0];
    std::string letters;
    for (int code = 0; code < 256; ++code)
        if (int c = CWindow::tranlateToChar(code))
            letters += char(c);
    EXPECT_EQ(letters, "1234567890QWERTYUIOPASDFGHJKLZXCVBNM ");
}

TEST_F(CWindowInputTest, HostCommandsEndTheLoopOrRedrawTheScreen)
{
    std::unique_ptr<CWindow> w = makeWindow();
    w->Tick();
    set(w.get(), nullptr);
    OnWindowCommand(nullptr, nullptr, 40002);
    EXPECT_FALSE(w->isQuitting());
    EXPECT_EQ(w->GetRefreshScreenInterface()->getRefreshList()->getSize(), 0);
    const uint64_t shown = backend.framesShown(0);
    OnWindowCommand(nullptr, nullptr, 40004);
    EXPECT_EQ(backend.framesShown(0), shown + 1);
    OnWindowCommand(nullptr, nullptr, 40001);
    EXPECT_TRUE(w->isQuitting());
    set(nullptr, nullptr);
}

} // namespace
