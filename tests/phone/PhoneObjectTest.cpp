// The script object PHONEEXT in a scene over the scripted telephony
// service: which line it finds, its events raised in the window's frames
// on the host's thread and in the order of the line's reports, its
// methods, and taking it away during a call.
#include "PhoneSupport.h"
#include "common/PluginObjects.h"
#include "phone/Phone.h"
#include "script/TypeRegistry.h"
#include "support/TestSupport.h"
#include "ui/UiSupport.h"

#include <string>

namespace {

using phonetest::ScriptedTelephony;

class CMC_PhoneTest : public uitest::UiTest {
protected:
    CMC_PhoneTest() : UiTest(false)
    {
        platform::telephony::setTelephony(service);
        CMC_TypeRegistry::registerType("PHONEEXT", 6, [](CMC_ObjectsContainer* c, CMElement* e) -> CMC_Object* {
            return new CMC_Phone(c, e);
        });
        backend.setMessagesToStandardError(false);
    }
    ~CMC_PhoneTest() override
    {
        delete scene;
        scene = nullptr;
        CMC_TypeRegistry::registerType("PHONEEXT", 6, nullptr);
        PhoneLineList::release();
        PluginRunners::releaseAll();
        platform::telephony::setTelephony(nullptr);
    }

    // A phone P whose events write their names to LOG.
    void definePhone(const char* extra = nullptr)
    {
        std::vector<std::string> lines = {"LOG:TYPE=STRING", "P:TYPE=PHONEEXT"};
        for (const char* e : {"ONMODEMFOUND", "ONMODEMNOTFOUND", "ONRINGING", "ONCONNECTED", "ONDISCONNECTED",
                              "ONKEYDOWN^5", "ONKEYUP^5", "ONKEYDOWN", "ONKEYUP", "ONINIT"})
            lines.push_back(std::string("P:") + e + "={LOG^ADD(\"" + e + ";\");}");
        if (extra)
            lines.push_back(extra);
        recordstest::defineObjectLines(scene, lines);
    }
    std::string logged()
    {
        std::string s = text("LOG");
        call("LOG", "SET", {"\"\""});
        return s;
    }
    CMC_Phone* phone(const char* name = "P") { return static_cast<CMC_Phone*>(scene->getObject(name)); }

    std::shared_ptr<ScriptedTelephony> service = std::make_shared<ScriptedTelephony>();
};

// The line's reports wait until the window's next frame, which raises them
// in order on its own thread; keys only in their caret forms.
TEST_F(CMC_PhoneTest, EventsComeInTheFramesInOrder)
{
    service->addLine("L");
    service->wait(100);
    service->ring();
    service->key('5', 300);
    service->hangUp();
    definePhone();
    EXPECT_EQ(logged(), "ONMODEMFOUND;");
    clockNow.advance(150);
    EXPECT_EQ(logged(), "");
    window->Tick();
    EXPECT_EQ(logged(), "ONRINGING;ONCONNECTED;ONKEYDOWN^5;");
    EXPECT_EQ(call("P", "GETLATESTKEY"), "5");
    clockNow.advance(400);
    window->Tick();
    EXPECT_EQ(logged(), "ONKEYUP^5;ONDISCONNECTED;");
    EXPECT_EQ(call("P", "GETLATESTKEY"), "5");
    frame();
    EXPECT_EQ(logged(), "");
}

// "INDEX" names the place in the list: past its end, or without a service,
// there is no modem (and no line to dial on).
TEST_F(CMC_PhoneTest, TheIndexNamesAListedLine)
{
    service->addLine("first");
    service->addLine("second");
    for (const char* index : {"P:INDEX=2", "P:INDEX=-1", "P:INDEX=x1"}) {
        definePhone(index);
        EXPECT_EQ(logged(), std::string(index) == "P:INDEX=x1" ? "ONMODEMFOUND;" : "ONMODEMNOTFOUND;") << index;
        scene->unload();
    }
    definePhone("P:INDEX=1");
    EXPECT_EQ(logged(), "ONMODEMFOUND;");
    EXPECT_EQ(phone()->getLineIndex(), 1);
    scene->unload();

    PhoneLineList::release();
    platform::telephony::setTelephony(nullptr);
    setenv("QUARNEL_PHONE", "none", 1);
    definePhone();
    unsetenv("QUARNEL_PHONE");
    EXPECT_EQ(logged(), "ONMODEMNOTFOUND;");
    EXPECT_EQ(call("P", "DIAL", {"\"123\""}), "FALSE");
    EXPECT_EQ(call("P", "GETLATESTKEY"), "");
}

// DIAL places a call (TRUE) and is refused during one; SHOW and EMPTY give
// nothing; two phones share one runner.
TEST_F(CMC_PhoneTest, Methods)
{
    service->addLine("L");
    definePhone();
    recordstest::defineObjectLines(scene, std::vector<std::string>{"Q:TYPE=PHONEEXT"});
    logged();
    EXPECT_EQ(call("P", "DIAL"), "FALSE");
    EXPECT_EQ(call("P", "DIAL", {"\"5551234\""}), "TRUE");
    EXPECT_EQ(call("P", "DIAL", {"\"5550000\""}), "FALSE");
    EXPECT_EQ(service->numbersDialled(), (std::vector<std::string>{"5551234"}));
    EXPECT_EQ(call("P", "EMPTY"), "-");
    EXPECT_EQ(call("P", "SHOW"), "-");
    EXPECT_EQ(backend.messages().size(), 1u);
    EXPECT_EQ(call("P", "GETNAME"), "P");
    EXPECT_EQ(CMC_RunnerFactory::getRunner(phone("P")), CMC_RunnerFactory::getRunner(phone("Q")));
    EXPECT_EQ(logged(), "");
}

// Deleting the object during a call stops its line's thread and closes the
// line; what it had not raised is dropped, and later frames raise nothing.
TEST_F(CMC_PhoneTest, LeavingDuringACallIsClean)
{
    service->addLine("L");
    service->ring();
    service->wait(100);
    service->key('5', 100);
    definePhone();
    EXPECT_EQ(logged(), "ONMODEMFOUND;");
    clockNow.advance(50);
    CMC_Object* p = phone();
    ASSERT_NE(p, nullptr);
    scene->removeObject(p);
    p->done(false);
    delete p;
    clockNow.advance(500);
    window->Tick();
    EXPECT_EQ(logged(), "");
}

// A phone restored from a snapshot says so on the debugger output, not in
// a box, and has no line.
TEST_F(CMC_PhoneTest, ARestoredPhoneHasNoLine)
{
    service->addLine("L");
    testsupport::DebugCapture debug;
    std::unique_ptr<CMC_Phone> restored(new CMC_Phone(scene));
    EXPECT_EQ(debug.holding("CMS_Scene"), std::vector<std::string>{"Phone: CMC_Phone::CMC_Phone( CMS_Scene )"});
    EXPECT_TRUE(backend.messages().empty());
    EXPECT_EQ(restored->getLine(), nullptr);
    EXPECT_EQ(restored->getLineIndex(), -1);
}

} // namespace
