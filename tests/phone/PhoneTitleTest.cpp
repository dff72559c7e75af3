// Titles played by the host with the Phone plug-in: their PHONEEXT object
// takes a call from the scripted telephony service, and over SIP from a
// second baresip that the test runs on the loopback. Each title writes the
// phone's events, in the order raised, into a STRING kept in its settings.
#include "BaresipSupport.h"
#include "graphics/Window.h"
#include "host/HostTitle.h"
#include "platform/telephony/Baresip.h"
#include "script/ScriptApplication.h"
#include "support/ChildProgram.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

class CMC_PhoneTitle : public testsupport::HostTitle {
protected:
    // Plays the title of scene("123") while the other phone calls its line
    // `titleLine` (see Caller): the title hears the call, the three keys
    // and the end, in order, on the real clock.
    void playCall(phonetest::TestBaresip& phone, const std::string& titleLine);
};

// QUARNEL_PHONE for the run.
struct PhoneChoice {
    explicit PhoneChoice(const std::string& value) { setenv("QUARNEL_PHONE", value.c_str(), 1); }
    ~PhoneChoice() { unsetenv("QUARNEL_PHONE"); }
};

std::string application()
{
    return "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S\n"
           "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:DLLS=Phone.dll\n";
}

// The phone P adds each event's name and a full stop to LOG; the plain key
// events would add "plain". Each key's down event adds the latest key to
// DOWNS. The title ends when the call does, or when there is no modem,
// keeping the latest key in KEY; TENTHS counts the tenths of a second of the
// title's time.
std::string scene(const char* digits)
{
    std::string s = "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:TOINI=TRUE\n"
                    "OBJECT=KEY\nKEY:TYPE=STRING\nKEY:TOINI=TRUE\n"
                    "OBJECT=TENTHS\nTENTHS:TYPE=INTEGER\nTENTHS:VALUE=0\nTENTHS:TOINI=TRUE\n"
                    "OBJECT=T\nT:TYPE=TIMER\nT:ELAPSE=100\nT:ONTICK={TENTHS^INC();}\n"
                    "OBJECT=DOWNS\nDOWNS:TYPE=STRING\nDOWNS:TOINI=TRUE\n"
                    "OBJECT=P\nP:TYPE=PHONEEXT\n";
    auto log = [&](const std::string& event, const std::string& text, const std::string& more = std::string()) {
        s += "P:" + event + "={LOG^ADD(\"" + text + ".\");" + more + "}\n";
    };
    for (const char* e : {"ONMODEMFOUND", "ONRINGING", "ONCONNECTED"})
        log(e, e);
    for (const char* d = digits; *d; ++d) {
        log("ONKEYDOWN^" + std::string(1, *d), "ONKEYDOWN^" + std::string(1, *d), "DOWNS^ADD(P^GETLATESTKEY());");
        log("ONKEYUP^" + std::string(1, *d), "ONKEYUP^" + std::string(1, *d));
    }
    log("ONKEYDOWN", "plain");
    log("ONKEYUP", "plain");
    log("ONDISCONNECTED", "ONDISCONNECTED", "KEY^SET(P^GETLATESTKEY());GAME^EXIT();");
    log("ONMODEMNOTFOUND", "ONMODEMNOTFOUND", "GAME^EXIT();");
    return s;
}

// The title's LOG as it is now (on the host's thread, between frames).
std::string logNow()
{
    CWindow* w = CWindow::getWindow();
    CApplication* a = w ? w->GetApplicationInterface() : nullptr;
    CMC_Application* game = a ? a->getMCApplicationIfc() : nullptr;
    CMC_Scene* episode = game ? game->getCurrentScene() : nullptr;
    CMC_Scene* s = episode ? episode->getCurrentScene() : nullptr;
    CMC_Object* o = s ? s->getObject("LOG") : nullptr;
    return o ? o->toString().c_str() : "";
}

// The scripted service: a call rings, 5 and 7 are held for 300 ms each,
// the caller hangs up; the title hears all of it, in order, and a key's
// down event finds that key the latest. It plays on the virtual clock (the
// script follows it: the call lasts its 1100 ms of the title's time, nine
// periods of the 100 ms TIMER, each of which takes seven frames of 16 ms).
// Without a service the title finds no modem.
TEST_F(CMC_PhoneTitle, AScriptedCallReachesTheTitleInOrder)
{
    tmp.write("call.txt",
              "line Title line\nwait 200\nring\nwait 100\nkey 5 300\nwait 100\nkey 7 300\nwait 100\nhangup\n");
    title({{"Rara/application.def", application()}, {"Rara/S/S.cnv", scene("57")}});
    // From the definitions, then from the snapshot, whose PHONEEXT keeps
    // the place of its line.
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [&](bool fromSnapshot) {
        PhoneChoice choice("script:" + tmp.file("call.txt"));
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 1000"), 0);
        EXPECT_EQ(setting("S", "LOG"), "ONMODEMFOUND.ONRINGING.ONCONNECTED.ONKEYDOWN^5.ONKEYUP^5.ONKEYDOWN^7.ONKEYUP^7."
                                       "ONDISCONNECTED.")
            << fromSnapshot;
        EXPECT_EQ(setting("S", "DOWNS"), "57");
        EXPECT_EQ(setting("S", "KEY"), "7");
        EXPECT_EQ(setting("S", "TENTHS"), "9");
    });
    PhoneChoice choice("none");
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 1000"), 0);
    EXPECT_EQ(setting("S", "LOG"), "ONMODEMNOTFOUND.");
}

// With QUARNEL_PHONE unset and no baresip account there is no line, found
// at once: nothing lives in real time, so the run stays on the virtual
// clock and is the same each time, to the settings it keeps (the time
// SYSTEM gives at the title's init and at each frame). Its frames a second
// apart come as fast as the machine allows: on the real clock the run
// could not take less than the 19 seconds between its first and last.
TEST_F(CMC_PhoneTitle, WithoutAnAccountTheRunStaysOnTheVirtualClock)
{
    testsupport::TempDir home;
    testsupport::ChildEnvironment environment({{"HOME", home.path()}});
    title({{"Rara/application.def", application()},
           {"Rara/S/S.cnv", "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:TOINI=TRUE\n"
                            "OBJECT=START\nSTART:TYPE=INTEGER\nSTART:VALUE=0\nSTART:TOINI=TRUE\n"
                            "OBJECT=NOW\nNOW:TYPE=INTEGER\nNOW:VALUE=0\nNOW:TOINI=TRUE\n"
                            "OBJECT=T\nT:TYPE=TIMER\nT:ELAPSE=1\nT:ONTICK={NOW^SET(SYSTEM^GETSYSTEMTIME());}\n"
                            "OBJECT=P\nP:TYPE=PHONEEXT\n"
                            "P:ONMODEMNOTFOUND={LOG^ADD(\"ONMODEMNOTFOUND.\");START^SET(SYSTEM^GETSYSTEMTIME());}\n"}});
    std::string played[2];
    for (std::string& settings : played) {
        tmp.write("Quarnel.ini", "");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run("-nogfx -step 1000 -frames 20"), 2);
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                      .count(),
                  19000);
        settings = tmp.read("Quarnel.ini");
    }
    EXPECT_EQ(played[0], played[1]);
    EXPECT_EQ(setting("S", "LOG"), "ONMODEMNOTFOUND.");
    // From the title's init to its twentieth frame: 19 steps.
    EXPECT_EQ(std::stoi(setting("S", "NOW")) - std::stoi(setting("S", "START")), 19 * 1000) << played[0];
}

// The other phone: once the title has found its line it calls it, sends
// 1, 2 and 3, each when the title has heard the one before, and hangs up.
// The feed gives up after 30 seconds by closing the title.
struct Caller {
    phonetest::TestBaresip* phone;
    std::string titleLine;
    int step = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool timedOut = false;

    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        Caller* c = static_cast<Caller*>(data);
        const std::string log = logNow();
        auto heard = [&](const std::string& what) { return log.find(what + ".") != std::string::npos; };
        if (std::chrono::steady_clock::now() - c->start > std::chrono::seconds(30) && !c->timedOut) {
            c->timedOut = true;
            platform.postWindowMessage(platform::WindowMessage());
        }
        if (c->step == 0 && heard("ONMODEMFOUND")) {
            EXPECT_TRUE(c->phone->command("dial", c->titleLine));
            c->step = 1;
        } else if (c->step == 1 && heard("ONCONNECTED") && c->phone->hasEvent("CALL_ESTABLISHED")) {
            EXPECT_TRUE(c->phone->command("sndcode", "1"));
            c->step = 2;
        } else if (c->step >= 2 && c->step <= 4 && heard("ONKEYUP^" + std::to_string(c->step - 1))) {
            if (c->step < 4)
                EXPECT_TRUE(c->phone->command("sndcode", std::to_string(c->step)));
            else
                EXPECT_TRUE(c->phone->command("hangup"));
            ++c->step;
        }
    }
};

void CMC_PhoneTitle::playCall(phonetest::TestBaresip& phone, const std::string& titleLine)
{
    title({{"Rara/application.def", application()}, {"Rara/S/S.cnv", scene("123")}});
    Caller caller{&phone, titleLine};
    testsupport::FeedInUse feed(&Caller::feed, &caller);
    tmp.write("Quarnel.ini", "");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run("-nogfx"), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(caller.timedOut);
    // A line in real time puts the run on the real clock: the title's time
    // is no more than the call took.
    EXPECT_LE(std::stoi("0" + setting("S", "TENTHS")),
              std::chrono::duration_cast<std::chrono::milliseconds>(took).count() / 100 + 1);
    EXPECT_EQ(setting("S", "LOG"), "ONMODEMFOUND.ONRINGING.ONCONNECTED.ONKEYDOWN^1.ONKEYUP^1.ONKEYDOWN^2.ONKEYUP^2."
                                   "ONKEYDOWN^3.ONKEYUP^3.ONDISCONNECTED.");
    EXPECT_EQ(setting("S", "KEY"), "3");
    EXPECT_EQ(setting("S", "DOWNS"), "123");
}

TEST_F(CMC_PhoneTitle, APhoneCallsTheTitleOverSip)
{
    phonetest::TestBaresip phone("player", true);
    phonetest::TestBaresip line("title", false);
    ASSERT_TRUE(phone.start() && phone.control());
    line.configure();
    PhoneChoice choice("baresip:" + line.folder());
    playCall(phone, line.aor());
    // The plug-in was released with the title, and the baresip it ran with it.
    std::string why;
    EXPECT_EQ(platform::telephony::joinBaresip(line.controlAddress(), &why), nullptr);
}

// The README's account at the loopback (at a free port here, as other
// programs may hold the one it gives), the one line of ~/.baresip/accounts,
// with QUARNEL_PHONE unset: the baresip the title runs is called there
// from another phone on the machine. It goes with the title, and its
// folder in TMPDIR with it.
TEST_F(CMC_PhoneTitle, TheReadmesLoopbackAccountIsCalledFromAnotherPhone)
{
    std::istringstream readme(testsupport::readFile(QUARNEL_README));
    std::string account;
    while (std::getline(readme, account) && account.find("@127.0.0.1:") == std::string::npos) {
    }
    const size_t uri = account.find("<sip:"), colon = account.find("@127.0.0.1:");
    ASSERT_TRUE(uri != std::string::npos && colon != std::string::npos) << "no loopback account in the README";
    account.erase(0, uri);
    const int port = phonetest::freeSipPort();
    ASSERT_GT(port, 0);
    const size_t number = account.find("@127.0.0.1:") + 11;
    account.replace(number, account.find('>') - number, std::to_string(port));

    testsupport::TempDir home, temporary;
    home.write(".baresip/accounts", account + "\n");
    phonetest::TestBaresip phone("player", true);
    ASSERT_TRUE(phone.start() && phone.control());
    testsupport::ChildEnvironment environment({{"HOME", home.path()}, {"TMPDIR", temporary.path()}});
    playCall(phone, account.substr(1, account.find('>') - 1));
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
}

} // namespace
