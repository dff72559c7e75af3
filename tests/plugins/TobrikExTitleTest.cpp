// Titles played by the host with the TobrikEx plug-in: the key mapper with
// keys fed between frames, the game mouse on a click, the ball game's throws
// over real IN and OUT images, and snapshot objects of type 10000 when two
// loaded plug-ins declare it.
#include "host/FrameAfterDone.h"
#include "host/HostTitle.h"
#include "objects/AnimoFiles.h"
#include "objects/ImageFiles.h"
#include "script/RunnerFactory.h"
#include "script/Runner.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using CMC_TobrikExTitle = testsupport::HostTitle;

std::string application(const char* dlls)
{
    return std::string("OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S\n"
                       "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:DLLS=") +
           dlls + "\n";
}

std::string keptAs(const char* type, const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& n : names)
        text += "OBJECT=" + n + "\n" + n + ":TYPE=" + type + "\n" + n + ":TOINI=TRUE\n";
    return text;
}

CMC_Scene* currentScene()
{
    CUnit6* unit = CUnit6::getDefUnit();
    return unit ? unit->getScene() : nullptr;
}

std::string valueOf(CMC_Scene* scene, const char* name)
{
    CMC_Object* o = scene ? scene->getObject(name) : nullptr;
    return o ? o->toString().c_str() : "?";
}

// Steps of three frames: the keys of a step go down at its start (and the
// KEYBOARD is enabled or disabled), and what the title saw is read at its
// end.
struct KeyStep {
    std::vector<uint32_t> keys;
    bool keyboardOn;
    std::string expected; // ISKEYDOWN("MOVE"), ISKEYDOWN("SPACE"), GETLATESTKEY
};

const uint32_t LEFT = 0xCB, KEY_A = 0x1E, KEY_M = 0x32, SPACE = 0x39, KEY_X = 0x2D;

const std::vector<KeyStep> keySteps = {
    {{}, true, "FALSE FALSE "},
    {{LEFT}, true, "TRUE FALSE A"},     // LEFT is mapped to A first
    {{KEY_A}, true, "TRUE FALSE MOVE"}, // A is mapped to MOVE
    {{KEY_M}, true, "TRUE FALSE M"},    // the key named by "MOVE" itself
    {{KEY_X}, true, "FALSE FALSE X"},
    {{LEFT}, false, "FALSE FALSE X"},   // mapped: never down while KEYBOARD is off
    {{SPACE}, false, "FALSE TRUE X"},   // unmapped: asked of the keyboard directly
    {{SPACE}, true, "FALSE TRUE SPACE"},
};

struct KeyRun {
    std::vector<std::string> seen;
};

void runKeySteps(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
{
    KeyRun* run = static_cast<KeyRun*>(data);
    CMC_Scene* scene = currentScene();
    const uint64_t first = 4;
    if (!scene || pass < first || (pass - first) / 3 >= keySteps.size())
        return;
    const KeyStep& step = keySteps[(pass - first) / 3];
    platform::Keyboard& keys = platform.input().keyboard();
    if ((pass - first) % 3 == 0) {
        keys.releaseAll();
        for (uint32_t k : step.keys)
            keys.key(k, true);
        CMC_Object* keyboard = scene->getObject("KEYBOARD");
        CMC_RunnerFactory::getRunner(keyboard)->run(CXString(step.keyboardOn ? "ENABLE" : "DISABLE"), keyboard,
                                                    scene, nullptr);
    } else if ((pass - first) % 3 == 2) {
        run->seen.push_back(valueOf(scene, "DOWNMOVE") + " " + valueOf(scene, "DOWNSPACE") + " " +
                            valueOf(scene, "LATEST"));
    }
}

TEST_F(CMC_TobrikExTitle, TheKeyMapperNamesKeysAndAsksForThemThroughTheKeyboard)
{
    title({{"Rara/application.def", application("TobrikEx.dll")},
           {"Rara/S/S.cnv",
            keptAs("STRING", {"M1", "M2", "E"}) +
                "OBJECT=DOWNMOVE\nDOWNMOVE:TYPE=BOOL\nOBJECT=DOWNSPACE\nDOWNSPACE:TYPE=BOOL\n"
                "OBJECT=LATEST\nLATEST:TYPE=STRING\n"
                "OBJECT=KEYBOARD\nKEYBOARD:TYPE=KEYBOARD\nKEYBOARD:ONKEYDOWN={N^ADD(1);}\n"
                "OBJECT=N\nN:TYPE=INTEGER\n"
                "OBJECT=KM\nKM:TYPE=KEYMAPPER\n"
                "OBJECT=T\nT:TYPE=TIMER\nT:ELAPSE=1\nT:ONTICK={DOWNMOVE^SET(KM^ISKEYDOWN(\"MOVE\"));"
                "DOWNSPACE^SET(KM^ISKEYDOWN(\"SPACE\"));LATEST^SET(KM^GETLATESTKEY());}\n"
                "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={KM^SETKEYMAPPING(\"LEFT\",\"A\");"
                "KM^SETKEYMAPPING(\"LEFT\",\"B\");M1^SET(KM^MAPKEY(\"LEFT\"));M2^SET(KM^MAPKEY(\"X\"));"
                "KM^SETKEYMAPPING(\"LEFT\",\"MOVE\");KM^SETKEYMAPPING(\"A\",\"MOVE\");E^SET(KM^EMPTY());}\n"
                "OBJECT=S\nS:ONINIT=GO\n"}});
    KeyRun seen;
    testsupport::FeedInUse feed(&runKeySteps, &seen);
    EXPECT_EQ(run("-nogfx -frames 40"), 2);
    EXPECT_EQ(setting("S", "M1"), "A");
    EXPECT_EQ(setting("S", "M2"), "X");
    EXPECT_EQ(setting("S", "E"), "");
    std::vector<std::string> expected;
    for (const KeyStep& s : keySteps)
        expected.push_back(s.expected);
    EXPECT_EQ(seen.seen, expected);
}

// A left click runs GAMEMOUSE's methods: GO and EMPTY change nothing, SHOW
// shows the credits.
struct MouseRun {
    std::vector<std::pair<std::string, std::string>> messages;
};

void clickOnce(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
{
    platform::Mouse& mouse = platform.input().mouse();
    if (pass == 3) {
        mouse.moveTo(100, 100);
        mouse.button(0, true);
        mouse.button(0, false);
    }
    static_cast<MouseRun*>(data)->messages = platform.messages();
}

TEST_F(CMC_TobrikExTitle, TheGameMouseOnAClick)
{
    title({{"Rara/application.def", application("TobrikEx.dll")},
           {"Rara/S/S.cnv", keptAs("INTEGER", {"N"}) + keptAs("STRING", {"R"}) +
                                "OBJECT=G\nG:TYPE=GAMEMOUSE\nG:ONINIT={N^ADD(100);}\n"
                                "OBJECT=MOUSE\nMOUSE:TYPE=MOUSE\nMOUSE:ONCLICK^LEFT={G^GO();R^SET(G^EMPTY());"
                                "N^ADD(1);G^SHOW();}\n"}});
    MouseRun seen;
    testsupport::FeedInUse feed(&clickOnce, &seen);
    EXPECT_EQ(run("-nogfx -frames 10"), 2);
    EXPECT_EQ(setting("S", "N"), "1"); // and no "ONINIT"
    EXPECT_EQ(setting("S", "R"), "");
    ASSERT_EQ(seen.messages.size(), 1u);
}

// The ball game: IN lies right of the centre (400, 410), OUT left of it;
// the target KULA00 lies where a ball pushed twice from (440, 410) lands.
const uint16_t GREY = 0x0020, IN_COLOUR = 0x07E0, OUT_COLOUR = 0x001F, TARGET = 0xFFE0, BALL = 0xF800,
               MARK = 0xF81F;

struct Throw {
    const char* call;
    int x, y;
    bool hit;
};

// Where the throws land, as the rule computes them: 0.05 pushes (430, 410)
// out by 1.05 a step until it leaves IN at x 520; a step of 1 doubles the
// distance on IN and goes straight to the centre on OUT.
const Throw throws[] = {
    {"K^GO(\"B\",430,410)", 523, 410, false},
    {"K^GO2(\"B\",430,410,0.05)", 523, 410, false},
    {"K^GO3(\"B\",430,410,0.05)", 523, 410, false},
    {"K^GO(\"B\",300,410,1)", 400, 410, false},
    {"K^GO(\"B\",400,410)", 135, 413, false},
    {"K^GO(\"B\",100,100)", 100, 100, false},
    {"K^GO(\"NOBALL\",430,410)", 100, 100, false},       // no such ball: nothing moves
    {"K^GO(\"B\",430,410,0)", 430, 410, false},          // a step of 0 never leaves IN
    {"OUT^SETPOSITION(420,390);K^GO(\"B\",450,410,1)", 450, 410, false}, // on both: bounded
    {"OUT^SETPOSITION(250,390);K^GO(\"B\",440,410,1)", 560, 410, true},
};

std::string throwScene()
{
    std::string code, names;
    std::vector<std::string> kept;
    int i = 0;
    for (const Throw& t : throws) {
        std::string n = std::to_string(i++);
        std::string call = t.call;
        size_t k = call.rfind("K^");
        code += call.substr(0, k) + "H" + n + "^SET(" + call.substr(k) + ");X" + n + "^SET(B^GETPOSITIONX());Y" + n +
                "^SET(B^GETPOSITIONY());";
        for (const char* v : {"H", "X", "Y"})
            kept.push_back(v + n);
    }
    std::string objects = keptAs("STRING", kept) + "OBJECT=DONE\nDONE:TYPE=INTEGER\nDONE:VALUE=0\n" +
                          "OBJECT=K\nK:TYPE=KULKI\n";
    const char* pictures[][3] = {{"IN", "in.img", "1"}, {"OUT", "out.img", "1"}};
    for (auto& p : pictures)
        objects += std::string("OBJECT=") + p[0] + "\n" + p[0] + ":TYPE=IMAGE\n" + p[0] + ":FILENAME=" + p[1] +
                   "\n" + p[0] + ":TOCANVAS=TRUE\n" + p[0] + ":VISIBLE=TRUE\n" + p[0] + ":PRIORITY=" + p[2] + "\n";
    const char* animations[][3] = {{"B", "ball.ann", "5"}, {"SZKULA", "mark.ann", "6"}, {"KULA00", "target.ann", "3"}};
    for (auto& a : animations)
        objects += std::string("OBJECT=") + a[0] + "\n" + a[0] + ":TYPE=ANIMO\n" + a[0] + ":FILENAME=" + a[1] +
                   "\n" + a[0] + ":TOCANVAS=TRUE\n" + a[0] + ":VISIBLE=TRUE\n" + a[0] + ":PRIORITY=" + a[2] + "\n";
    return objects + "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={IN^SETPOSITION(420,390);OUT^SETPOSITION(250,390);" +
           "KULA00^SETPOSITION(550,400);SZKULA^SETPOSITION(0,0);" + code + "DONE^SET(1);}\nOBJECT=S\nS:ONINIT=GO\n";
}

// The last throw hit KULA00: the ball is hidden and SZKULA shows there.
uint32_t afterTheThrows(int x, int y)
{
    if (x >= 560 && x < 570 && y >= 410 && y < 420)
        return MARK;
    if (x >= 550 && x < 570 && y >= 400 && y < 420)
        return TARGET;
    if (y >= 390 && y < 430 && x >= 420 && x < 520)
        return IN_COLOUR;
    if (y >= 390 && y < 430 && x >= 250 && x < 350)
        return OUT_COLOUR;
    return GREY;
}

TEST_F(CMC_TobrikExTitle, BallsLandWhereTheRuleTakesThem)
{
    title({{"Rara/application.def", application("TobrikEx.dll")}, {"Rara/S/S.cnv", throwScene()}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/in.img"), 100, 40, imagetest::plain(IN_COLOUR)));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/out.img"), 100, 40, imagetest::plain(OUT_COLOUR)));
    struct {
        const char* file;
        int size;
        uint16_t colour;
    } animations[] = {{"ball.ann", 10, BALL}, {"mark.ann", 10, MARK}, {"target.ann", 20, TARGET}};
    for (auto& a : animations)
        ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file(std::string("Rara/S/") + a.file),
                                              {{a.size, a.size, 0, 0, a.colour}}, {{"IDLE", {0}}}));
    // From the definitions, then from the snapshot "-2bin" writes, which
    // holds KULKI as the plug-in wrote it.
    std::string settings[2];
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [&](bool fromSnapshot) {
        testsupport::FrameAfterDone shot(&afterTheThrows, "kulki_throws");
        testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 20"), 2);
        int i = 0;
        for (const Throw& t : throws) {
            std::string n = std::to_string(i++);
            EXPECT_EQ(setting("S", ("H" + n).c_str()), t.hit ? "TRUE" : "FALSE") << t.call;
            EXPECT_EQ(setting("S", ("X" + n).c_str()), std::to_string(t.x)) << t.call;
            EXPECT_EQ(setting("S", ("Y" + n).c_str()), std::to_string(t.y)) << t.call;
        }
        EXPECT_EQ(shot.verdict, "shown");
        settings[fromSnapshot] = tmp.read("Quarnel.ini");
    });
    EXPECT_EQ(settings[1], settings[0]);
}

// Two loaded plug-ins declare type 10000: a snapshot object of that type is
// made by the first of them in the scene's list, whichever plug-in wrote
// it. The test puts the record of one, type and base part, before the
// others.
TEST_F(CMC_TobrikExTitle, TheFirstLoadedPluginRestoresTypeTenThousand)
{
    struct Order {
        const char* dlls;
        uint32_t typeId;
        const char* notice;
    } orders[] = {
        {"TobrikEx.dll,Phone.dll", 10000, "Kulki: CMC_Kulki::CMC_Kulki( CMS_Scene )"},
        {"Phone.dll,TobrikEx.dll", 10000, "Phone: CMC_Phone::CMC_Phone( CMS_Scene )"},
        {"Phone.dll,TobrikEx.dll", 10002, "KeyMapper: CMC_KeyMapper::CMC_KeyMapper( CMS_Scene )"},
        {"TobrikEx.dll,Phone.dll", 10001, "GameMouse: CMC_GameMouse::CMC_GameMouse( CMS_Scene )"},
    };
    for (const Order& o : orders) {
        title({{"Rara/application.def", application(o.dlls)},
               {"Rara/S/S.cnv", keptAs("INTEGER", {"N"}) +
                                    "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={N^SET(1);}\n"
                                    "OBJECT=S\nS:ONINIT=GO\n"}});
        std::remove(tmp.file("Rara/application.bin").c_str());
        std::remove(tmp.file("Rara/S/S.bin").c_str());
        testsupport::DebugCapture debug;
        EXPECT_EQ(run("-nogfx -2bin"), 0);
        EXPECT_TRUE(debug.holding("CMS_Scene").empty()) << o.dlls;
        ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
        std::string bytes = tmp.read("Rara/S/S.bin");
        const size_t count = 4 + std::string(o.dlls).size() + 8;
        ASSERT_GT(bytes.size(), count + 4);
        auto word = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
        bytes = bytes.substr(0, count) + word(uint32_t(bytes[count]) + 1) + word(o.typeId) + word(1) + "P" + word(0) +
                bytes.substr(count + 4);
        tmp.write("Rara/S/S.bin", bytes);
        EXPECT_EQ(run("-nogfx -frames 3"), 2) << o.dlls;
        EXPECT_EQ(setting("S", "N"), "1");
        EXPECT_EQ(debug.holding("CMS_Scene"), std::vector<std::string>{o.notice}) << o.dlls << " " << o.typeId;
    }
}

} // namespace
