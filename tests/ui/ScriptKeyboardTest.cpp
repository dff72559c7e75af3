// The script KEYBOARD over the real keyboard device: events raised from
// key records fed to the platform with the name forms first, the latest
// key, the key-name table, switching it off, its methods, and the
// singleton that every KEYBOARD record binds onto.
#include "InputSupport.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "ui/Keyboard.h"
#include "ui/ScriptKeyboard.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

using namespace uitest;

class CMC_KeyboardTest : public InputTest {
protected:
    CMC_Keyboard* keyboard()
    {
        CMC_Object* o = scene->getObject("KEYBOARD");
        EXPECT_TRUE(o && o->getType() == MC_KEYBOARD);
        return o && o->getType() == MC_KEYBOARD ? static_cast<CMC_Keyboard*>(o) : nullptr;
    }
};

// The name form runs alone when it is bound; the plain event otherwise,
// for keys without a name too. The latest key is the name of the key that
// raised the event, or the character typed.
TEST_F(CMC_KeyboardTest, TheNamedFormComesBeforeThePlainEvent)
{
    define({"LOG:TYPE=STRING", "KEYS:TYPE=KEYBOARD", "KEYS:ONKEYDOWN^ENTER={LOG^ADD(\"ENTER.\");}",
            "KEYS:ONKEYDOWN^7={LOG^ADD(\"SEVEN.\");}",
            "KEYS:ONKEYDOWN={LOG^ADD(\"DOWN-\");LOG^ADD(KEYBOARD^GETLATESTKEY());LOG^ADD(\".\");}",
            "KEYS:ONKEYUP^SPACE={LOG^ADD(\"UP-SPACE.\");}", "KEYS:ONCHAR^a={LOG^ADD(\"a!\");}",
            "KEYS:ONCHAR={LOG^ADD(\"CHAR-\");LOG^ADD(KEYBOARD^GETLATESTKEY());LOG^ADD(\".\");}"});
    // Named "KEYBOARD" whatever its record is called.
    ASSERT_NE(keyboard(), nullptr);
    EXPECT_EQ(scene->getObject("KEYS"), nullptr);
    const struct {
        uint32_t code;
        const char* logged;
        const char* latest;
    } cases[] = {
        {0x1C, "ENTER.", "ENTER"},
        {0x39, "DOWN-SPACE.UP-SPACE.CHAR- .", " "},
        {0x0E, "DOWN-.", ""},
        {0x08, "SEVEN.CHAR-7.", "7"},
        {0x47, "SEVEN.CHAR-7.", "7"},
        {0x1E, "DOWN-A.a!", "a"},
        {0xCB, "DOWN-LEFT.", "LEFT"},
    };
    for (const auto& c : cases) {
        type(c.code);
        EXPECT_EQ(logged(), c.logged) << "key " << c.code;
        EXPECT_EQ(call("KEYBOARD", "GETLATESTKEY"), c.latest) << "key " << c.code;
    }
}

// Events bound to nothing leave the latest key alone.
TEST_F(CMC_KeyboardTest, TheLatestKeyFollowsOnlyTheBoundEvents)
{
    define({"LOG:TYPE=STRING", "KEYBOARD:TYPE=KEYBOARD"});
    type(0x1E);
    EXPECT_EQ(call("KEYBOARD", "GETLATESTKEY"), "");
    define({"KEYBOARD:TYPE=KEYBOARD", "KEYBOARD:ONCHAR={LOG^ADD(\"C\");}"});
    type(0x1E);
    type(0x1C);
    EXPECT_EQ(call("KEYBOARD", "GETLATESTKEY"), "a");
    EXPECT_EQ(keyboard()->getLastChar(), 'a');
}

// Switched off it raises nothing and answers no key by name, but still
// tells whether any key is down; the device's auto-repeat is the window's.
TEST_F(CMC_KeyboardTest, DisableEnableAndTheDevice)
{
    define({"LOG:TYPE=STRING", "K:TYPE=KEYBOARD", "K:ONKEYDOWN={LOG^ADD(\"D\");}", "K:ONCHAR={LOG^ADD(\"C\");}"});
    type(0x10);
    EXPECT_EQ(call("KEYBOARD", "GETLATESTKEY"), "q");
    call("KEYBOARD", "DISABLE");
    EXPECT_EQ(call("KEYBOARD", "ISENABLED"), "FALSE");
    logged();
    keys().key(0x10, true);
    frame();
    EXPECT_EQ(logged(), "");
    EXPECT_EQ(call("KEYBOARD", "GETLATESTKEY"), "q");
    EXPECT_EQ(call("KEYBOARD", "ISKEYDOWN", {"\"Q\""}), "FALSE");
    EXPECT_EQ(call("KEYBOARD", "ISKEYDOWN"), "TRUE");
    call("KEYBOARD", "ENABLE");
    EXPECT_EQ(call("KEYBOARD", "ISKEYDOWN", {"\"Q\""}), "TRUE");
    EXPECT_EQ(call("KEYBOARD", "ISKEYDOWN", {"\"shift\""}), "FALSE");
    // Held: delivered at every frame until auto-repeat is switched off.
    frame();
    EXPECT_EQ(logged(), "DC");
    call("KEYBOARD", "SETAUTOREPEAT", {"FALSE"});
    EXPECT_FALSE(window->getKeyboardInterface()->isAutoRepeat());
    frame();
    frame();
    EXPECT_EQ(logged(), "DC");
    keys().key(0x10, false);
    frame();
    EXPECT_EQ(call("KEYBOARD", "ISKEYDOWN"), "FALSE");
    call("KEYBOARD", "SETAUTOREPEAT", {"TRUE"});
}

// GETLATESTKEYS moves the queue, oldest first, into an ARRAY only.
TEST_F(CMC_KeyboardTest, LatestKeysGoIntoAnArray)
{
    define({"KEYBOARD:TYPE=KEYBOARD", "A:TYPE=ARRAY", "N:TYPE=INTEGER"});
    call("KEYBOARD", "GETLATESTKEYS", {"\"A\""});
    EXPECT_EQ(call("A", "GETSIZE"), "0");
    std::deque<CXString>* queue = keyboard()->getLatestKeys();
    queue->push_back("UP");
    queue->push_back("X");
    for (const char* wrong : {"\"N\"", "\"NOSUCH\"", "\"\""})
        call("KEYBOARD", "GETLATESTKEYS", {wrong});
    EXPECT_EQ(queue->size(), 2u);
    call("KEYBOARD", "GETLATESTKEYS", {"\"A\"", "TRUE"});
    EXPECT_TRUE(queue->empty());
    EXPECT_EQ(call("A", "GETSIZE"), "2");
    EXPECT_EQ(call("A", "GET", {"0"}), "UP");
    EXPECT_EQ(call("A", "GET", {"1"}), "X");
}

// Every KEYBOARD record of the scene binds onto the one object, beside
// what was bound before.
TEST_F(CMC_KeyboardTest, EveryRecordBindsOntoTheOneKeyboard)
{
    define({"LOG:TYPE=STRING", "K1:TYPE=KEYBOARD", "K1:ONKEYDOWN={LOG^ADD(\"1\");}", "K2:TYPE=KEYBOARD",
            "K2:ONKEYDOWN={LOG^ADD(\"2\");}"});
    type(0x1E);
    EXPECT_EQ(logged(), "12");
    // Each record's code is a behaviour of its own, kept past the frame.
    CMC_Disposal::freeWaiting();
    type(0x1E);
    EXPECT_EQ(logged(), "12");
    std::unique_ptr<CXVector> keyboards(scene->getObjectsOfType(MC_KEYBOARD));
    EXPECT_EQ(keyboards->getSize(), 1);
}

// The names titles give the keys, scan code by scan code; each named key
// fed to the platform runs the behaviour bound to its name.
TEST_F(CMC_KeyboardTest, TheKeyNameOfEveryScanCode)
{
    std::map<int, std::string> names = {
        {1, "ESC"},       {15, "TAB"},      {28, "ENTER"},   {29, "LCTRL"},   {42, "LSHIFT"}, {54, "RSHIFT"},
        {56, "LALT"},     {57, "SPACE"},    {58, "CAPSLOCK"}, {87, "F11"},    {88, "F12"},    {157, "RCTRL"},
        {184, "RALT"},    {199, "HOME"},    {200, "UP"},     {201, "PGUP"},   {203, "LEFT"},  {205, "RIGHT"},
        {207, "END"},     {208, "DOWN"},    {209, "PGDN"},   {210, "INSERT"}, {211, "DELETE"}};
    const char* digits = "1234567890";
    for (int i = 0; i < 10; ++i)
        names[2 + i] = std::string(1, digits[i]);
    const char* rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const int rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r)
        for (int i = 0; rows[r][i]; ++i)
            names[rowStart[r] + i] = std::string(1, rows[r][i]);
    for (int i = 0; i < 10; ++i)
        names[59 + i] = "F" + std::to_string(i + 1);
    const char* keypad[] = {"7", "8", "9", nullptr, "4", "5", "6", nullptr, "1", "2", "3", "0"};
    for (int i = 0; i < 12; ++i)
        if (keypad[i])
            names[71 + i] = keypad[i];
    for (int code = -1; code <= 256; ++code) {
        auto it = names.find(code);
        EXPECT_EQ(CMC_Keyboard::getKeySignal(code).c_str(), it == names.end() ? std::string() : it->second)
            << "scan code " << code;
    }

    std::vector<std::string> lines = {"LOG:TYPE=STRING", "K:TYPE=KEYBOARD"};
    std::set<std::string> bound;
    for (const auto& n : names)
        if (bound.insert(n.second).second)
            lines.push_back("K:ONKEYDOWN^" + n.second + "={LOG^ADD(\"" + n.second + ".\");}");
    recordstest::defineObjectLines(scene, lines);
    for (const auto& n : names) {
        type(uint32_t(n.first));
        EXPECT_EQ(logged(), n.second + ".") << "scan code " << n.first;
        EXPECT_EQ(call("KEYBOARD", "GETLATESTKEY"), n.second);
    }
}

} // namespace
