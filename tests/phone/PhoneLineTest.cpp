// The line list and CPhoneLine over the scripted telephony service: which
// devices are listed, a call answered with its keys, the long-press gate,
// a second call during one, placing calls, and the failures of each step.
#include "PhoneSupport.h"

#include <string>

namespace {

using namespace phonetest;
using platform::telephony::LineCaps;
using platform::telephony::voiceLineCaps;
namespace tel = platform::telephony;

using PhoneLineListTest = ScriptedLineTest;
using CPhoneLineTest = ScriptedLineTest;

// Only usable devices are listed, in device order and numbered from 1; a
// device without a name is called after its device index, a long name is
// cut to 255 characters.
TEST_F(PhoneLineListTest, ListsTheUsableDevicesOnly)
{
    const std::string longName(300, 'x');
    struct Case {
        const char* name;
        uint32_t clearCaps; // capability bits taken away
        bool readable;
        uint32_t highVersion;
    };
    const Case devices[] = {
        {"Alpha", 0, true, 0x00020002},
        {"no voice", 1, true, 0x00020002},
        {"no keys", 2, true, 0x00020002},
        {"", 0, true, 0x00020002},
        {"no automated voice", 4, true, 0x00020002},
        {"no dial tone", 8, true, 0x00020002},
        {"unreadable", 0, false, 0x00020002},
        {"old version", 0, true, 0x00020001},
        {longName.c_str(), 0, true, 0x00030000},
    };
    for (const Case& c : devices) {
        ScriptedTelephony::Device d;
        d.caps = voiceLineCaps(c.name, 70 + uint32_t(&c - devices));
        if (c.clearCaps & 1)
            d.caps.bearerModes = 0;
        if (c.clearCaps & 2)
            d.caps.monitorDigitModes = 0;
        if (c.clearCaps & 4)
            d.caps.mediaModes = 0;
        if (c.clearCaps & 8)
            d.caps.devCapFlags = 0;
        d.capsReadable = c.readable;
        d.highVersion = c.highVersion;
        service->addDevice(d);
    }
    ASSERT_EQ(getLineCount(), 3);
    const struct {
        uint32_t device;
        std::string name;
    } listed[] = {{0, "Alpha"}, {3, "Linia 3"}, {8, std::string(255, 'x')}};
    for (int i = 0; i < 3; ++i) {
        PhoneLineInfo* e = getLineInfo(i);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->deviceId, listed[i].device);
        EXPECT_EQ(e->name, listed[i].name);
        EXPECT_EQ(e->position, i + 1);
        EXPECT_EQ(e->permanentLineId, 70 + listed[i].device);
        EXPECT_EQ(e->apiVersion, 0x00020002u);
    }
    EXPECT_EQ(getLineInfo(3), nullptr);
    EXPECT_EQ(getLineInfo(-1), nullptr);
    // Built once: a device added later is not seen until the list is released.
    service->addLine("late");
    EXPECT_EQ(getLineCount(), 3);
    PhoneLineList::release();
    EXPECT_EQ(getLineCount(), 4);
}

TEST_F(PhoneLineListTest, NoServiceListsNothing)
{
    platform::telephony::setTelephony(nullptr);
    const char* saved = std::getenv("QUARNEL_PHONE");
    std::string keep = saved ? saved : "";
    setenv("QUARNEL_PHONE", "none", 1);
    EXPECT_EQ(getLineCount(), 0);
    EXPECT_EQ(PhoneLineList::getLastError(), CPhoneLine::ERR_INITIALIZE);
    RecordingLine line;
    EXPECT_EQ(line.openByIndex(0, 0), CPhoneLine::ERR_INITIALIZE);
    EXPECT_EQ(line.getLastError(), CPhoneLine::ERR_NO_ENTRY);
    if (saved)
        setenv("QUARNEL_PHONE", keep.c_str(), 1);
    else
        unsetenv("QUARNEL_PHONE");
}

// A call: offered and answered (ringing), connected, a key held for 300 ms
// reported down and up with its duration, the caller hanging up; every
// report on the line's own thread.
TEST_F(CPhoneLineTest, AnswersACallAndReportsItsKeys)
{
    service->addLine("Reception");
    service->wait(100);
    service->ring();
    service->wait(50);
    service->key('5', 300);
    service->key('#', 40);
    service->wait(100);
    service->hangUp();
    open();
    clockNow.advance(120);
    EXPECT_EQ(line->taken(), (Reports{"ringing", "connected"}));
    EXPECT_TRUE(line->hasCall());
    clockNow.advance(100);
    EXPECT_EQ(line->taken(), (Reports{"down 5"}));
    clockNow.advance(1000);
    EXPECT_EQ(line->taken(), (Reports{"up 5 300", "down #", "up # 40", "disconnected"}));
    EXPECT_FALSE(line->hasCall());
    EXPECT_FALSE(line->reportedOnTestThread());
    EXPECT_EQ(service->callsAnswered(), 1);
    EXPECT_TRUE(service->finished());
}

// With options bit 0 keys are held back until one is held for more than
// 2000 ms: a shorter press is reported as short, the long one as long, and
// from then on every key is reported until the call ends; the next call
// holds them back again.
TEST_F(CPhoneLineTest, LongPressGateOpensKeyReports)
{
    service->addLine("Gate");
    service->ring();
    service->key('7', 1500);
    service->key('7', 2500);
    service->key('8', 100);
    service->hangUp();
    service->ring();
    service->key('9', 2000);
    service->hangUp();
    open(0, CPhoneLine::OPTION_HOLD_KEYS);
    clockNow.advance(20000);
    EXPECT_EQ(line->taken(), (Reports{"ringing", "connected", "short 1500", "long 2500", "down 8", "up 8 100",
                                      "disconnected", "ringing", "connected", "short 2000", "disconnected"}));
}

// A call offered during another is not answered, and its end (the caller
// giving up) does not end the one in progress. Placing a call then fails.
TEST_F(CPhoneLineTest, ASecondCallDuringOneIsLeftAlone)
{
    service->addLine("Busy");
    service->ring();
    service->key('1', 10);
    service->ring();
    service->hangUp(); // the second caller gives up
    open();
    clockNow.advance(100);
    EXPECT_EQ(line->taken(), (Reports{"ringing", "connected", "down 1", "up 1 10"}));
    EXPECT_EQ(service->callsAnswered(), 1);
    EXPECT_TRUE(line->hasCall());
    EXPECT_EQ(line->dial("123"), CPhoneLine::ERR_BUSY);
    EXPECT_TRUE(service->numbersDialled().empty());
    EXPECT_TRUE(line->hasCall());
    // Hanging up ends the first call as the other side would.
    EXPECT_EQ(line->hangUp(), 0);
    EXPECT_EQ(line->awaited(1), (Reports{"disconnected"}));
    EXPECT_EQ(service->callsDropped(), 1);
}

// A call placed is current at once; it is connected when the other party
// answers, its keys are reported, and hanging up ends it.
TEST_F(CPhoneLineTest, PlacesACall)
{
    service->addLine("Out");
    service->wait(100);
    service->answer();
    service->key('3', 20);
    open();
    EXPECT_EQ(line->dial("0123456"), 0);
    EXPECT_TRUE(line->hasCall());
    EXPECT_EQ(service->numbersDialled(), (std::vector<std::string>{"0123456"}));
    clockNow.advance(200);
    EXPECT_EQ(line->taken(), (Reports{"connected", "down 3", "up 3 20"}));
    line->hangUp();
    EXPECT_EQ(line->awaited(1), (Reports{"disconnected"}));
    EXPECT_EQ(line->dial(""), CPhoneLine::ERR_CALL);
    EXPECT_EQ(line->getLastError(), -1);
}

// Each step of opening fails with its code; a failed open leaves no session,
// and a thread started anyway only waits to be stopped.
TEST_F(CPhoneLineTest, OpeningFailuresGiveTheirCodes)
{
    service->addLine("One");
    RecordingLine a;
    EXPECT_EQ(a.initialize(nullptr, 0), CPhoneLine::ERR_INITIALIZE);
    EXPECT_EQ(a.getLastError(), CPhoneLine::ERR_NO_ENTRY);
    ASSERT_EQ(a.openByIndex(0, 0), 0);
    EXPECT_EQ(a.openByIndex(0, 0), CPhoneLine::ERR_ALREADY);
    ASSERT_EQ(a.openLine(), 0);
    EXPECT_EQ(a.openLine(), CPhoneLine::ERR_ALREADY);
    EXPECT_EQ(a.shutdown(), 0);

    for (auto op : {ScriptedTelephony::OPEN, ScriptedTelephony::STATUS_MESSAGES}) {
        service->force(op, tel::LINE_ERR_FAILED);
        RecordingLine b;
        ASSERT_EQ(b.openByIndex(0, 0), 0);
        EXPECT_EQ(b.openLine(), CPhoneLine::ERR_OPEN) << op;
        EXPECT_EQ(b.getLastError(), tel::LINE_ERR_FAILED) << op;
        EXPECT_EQ(b.startThread(), 0);
        EXPECT_EQ(b.dial("1"), CPhoneLine::ERR_CALL);
        EXPECT_EQ(b.stopThread(600), 0);
        service->force(op, 0);
    }
    EXPECT_TRUE(service->numbersDialled().empty());
}

// An offered call that cannot be answered is reported as an error and is
// not current.
TEST_F(CPhoneLineTest, AnAnswerThatFailsIsAnError)
{
    service->addLine("One");
    service->ring();
    service->force(ScriptedTelephony::ANSWER, tel::LINE_ERR_FAILED);
    open();
    clockNow.advance(50);
    EXPECT_EQ(line->taken(), (Reports{"error 80000004"}));
    EXPECT_FALSE(line->hasCall());
    EXPECT_EQ(line->getLastError(), tel::LINE_ERR_FAILED);
}

// Taking a line down during a call: the thread stops, the line is closed
// with its call, and nothing is reported after.
TEST_F(CPhoneLineTest, ShutdownDuringACallIsClean)
{
    service->addLine("One");
    service->ring();
    service->wait(100);
    service->key('2', 50);
    open();
    clockNow.advance(50);
    EXPECT_EQ(line->taken(), (Reports{"ringing", "connected"}));
    EXPECT_EQ(line->stopThread(600), 0);
    EXPECT_EQ(line->shutdown(), 0);
    EXPECT_FALSE(line->hasCall());
    clockNow.advance(500);
    EXPECT_TRUE(line->taken().empty());
    line.reset();
    // The list's line opens again, and the script goes on.
    service->ring();
    open();
    clockNow.advance(50);
    EXPECT_EQ(line->taken(), (Reports{"ringing", "connected"}));
}

} // namespace
