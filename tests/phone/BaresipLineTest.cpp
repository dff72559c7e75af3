// CPhoneLine over SIP: the line is the account of a baresip that the
// service joins (or runs itself), a second baresip started by the test is
// the other phone. Everything stays on the loopback.
#include "BaresipSupport.h"
#include "PhoneSupport.h"
#include "platform/telephony/Baresip.h"

#include <string>

namespace {

using namespace phonetest;

class BaresipLineTest : public ::testing::Test {
protected:
    ~BaresipLineTest() override
    {
        line.reset();
        PhoneLineList::release();
        platform::telephony::setTelephony(nullptr);
    }

    void open()
    {
        ASSERT_EQ(getLineCount(), 1);
        EXPECT_EQ(getLineInfo(0)->name, title.aor());
        line.reset(new RecordingLine);
        ASSERT_EQ(line->openByIndex(0, 0), 0);
        ASSERT_EQ(line->openLine(), 0);
        ASSERT_EQ(line->startThread(), 0);
    }
    // The key's reports, the time it was held being the network's.
    static bool keyReported(const Reports& r, size_t at, char digit)
    {
        const std::string d(1, digit);
        return r.size() > at + 1 && r[at] == "down " + d && r[at + 1].compare(0, 5, "up " + d + " ") == 0;
    }

    TestBaresip title{"title", false};
    TestBaresip phone{"player", true};
    std::unique_ptr<RecordingLine> line;
};

// The other phone calls the line, presses 1, 2 and 3 and hangs up.
TEST_F(BaresipLineTest, AnswersACallFromAnotherPhone)
{
    ASSERT_TRUE(title.start());
    ASSERT_TRUE(phone.start() && phone.control());
    std::string why;
    auto service = platform::telephony::joinBaresip(title.controlAddress(), &why);
    ASSERT_NE(service, nullptr) << why;
    platform::telephony::setTelephony(service);
    open();

    ASSERT_TRUE(phone.command("dial", title.aor()));
    EXPECT_EQ(line->awaited(2), (Reports{"ringing", "connected"}));
    ASSERT_TRUE(phone.awaitEvent("CALL_ESTABLISHED"));
    for (char digit : {'1', '2', '3'}) {
        ASSERT_TRUE(phone.command("sndcode", std::string(1, digit)));
        Reports r = line->awaited(2);
        EXPECT_TRUE(keyReported(r, 0, digit)) << ::testing::PrintToString(r);
    }
    ASSERT_TRUE(phone.command("hangup"));
    EXPECT_EQ(line->awaited(1), (Reports{"disconnected"}));
    EXPECT_FALSE(line->hasCall());
    EXPECT_FALSE(line->reportedOnTestThread());
}

// A line on a baresip that the service runs from the test's configuration
// folder places a call to the other phone, which answers and presses 9;
// the line hangs up. Releasing the list ends that baresip.
TEST_F(BaresipLineTest, PlacesACallThroughABaresipOfItsOwn)
{
    ASSERT_TRUE(phone.start() && phone.control());
    title.configure();
    std::string why;
    auto service = platform::telephony::startBaresip(title.folder(), &why);
    ASSERT_NE(service, nullptr) << why;
    platform::telephony::setTelephony(service);
    service.reset();
    open();

    ASSERT_EQ(line->dial(phone.aor().c_str()), 0);
    ASSERT_TRUE(phone.awaitEvent("CALL_INCOMING"));
    ASSERT_TRUE(phone.command("accept"));
    EXPECT_EQ(line->awaited(1), (Reports{"connected"}));
    ASSERT_TRUE(phone.awaitEvent("CALL_ESTABLISHED"));
    ASSERT_TRUE(phone.command("sndcode", "9"));
    Reports r = line->awaited(2);
    EXPECT_TRUE(keyReported(r, 0, '9')) << ::testing::PrintToString(r);
    EXPECT_EQ(line->hangUp(), 0);
    EXPECT_EQ(line->awaited(1), (Reports{"disconnected"}));
    EXPECT_TRUE(phone.awaitEvent("CALL_CLOSED"));

    line.reset();
    PhoneLineList::release();
    platform::telephony::setTelephony(nullptr);
    EXPECT_EQ(platform::telephony::joinBaresip(title.controlAddress(), &why), nullptr);
}

} // namespace
