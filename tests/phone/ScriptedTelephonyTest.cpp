// The scripted telephony service read from its script file: the lines it
// lists, the steps it plays, and every statement it refuses.
#include "PhoneSupport.h"
#include "support/TestSupport.h"

#include <string>

namespace {

using namespace phonetest;

using ScriptedTelephonyTest = ScriptedLineTest;

// A script file as the host reads it: two lines (one without a name), a
// call with two keys and the caller hanging up, comments and blank lines.
TEST_F(ScriptedTelephonyTest, PlaysAScriptFile)
{
    testsupport::TempDir tmp;
    tmp.write("call.txt", "# a caller presses 4 then *\r\n"
                          "line   Front desk  \r\n"
                          "line\n"
                          "\n"
                          "wait 10\n"
                          "ring 1   # on the second line\n"
                          "key 4 250\n"
                          "key * 30\n"
                          "hangup\n");
    std::string why;
    service = ScriptedTelephony::fromFile(tmp.file("call.txt"), &why);
    ASSERT_NE(service, nullptr) << why;
    platform::telephony::setTelephony(service);
    ASSERT_EQ(getLineCount(), 2);
    EXPECT_EQ(getLineInfo(0)->name, "Front desk");
    EXPECT_EQ(getLineInfo(1)->name, "Linia 1");
    open(1);
    clockNow.advance(1000);
    EXPECT_EQ(line->taken(), (Reports{"ringing", "connected", "down 4", "up 4 250", "down *", "up * 30",
                                      "disconnected"}));
}

TEST_F(ScriptedTelephonyTest, RefusesWhatItCannotRead)
{
    const struct {
        const char* text;
        const char* why;
    } cases[] = {
        {"wait", "script line 1: \"wait\" needs milliseconds"},
        {"line a\nwait x", "script line 2: \"wait\" needs milliseconds"},
        {"wait 999999999", "script line 1: \"wait\" needs milliseconds"},
        {"wait 10 20", "script line 1: more than \"wait\" takes"},
        {"ring a", "script line 1: \"ring\" takes a device number"},
        {"key 5", "script line 1: \"key\" needs a digit (0-9, *, #, A-D) and milliseconds"},
        {"key 55 10", "script line 1: \"key\" needs a digit (0-9, *, #, A-D) and milliseconds"},
        {"key E 10", "script line 1: \"key\" needs a digit (0-9, *, #, A-D) and milliseconds"},
        {"hangup now", "script line 1: more than \"hangup\" takes"},
        {"\n\ndial 123", "script line 3: unknown statement \"dial\""},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(ScriptedTelephony::parse(c.text, &why), nullptr) << c.text;
        EXPECT_EQ(why, c.why) << c.text;
    }
    std::string why;
    EXPECT_EQ(ScriptedTelephony::fromFile("/nonexistent/phone.txt", &why), nullptr);
    EXPECT_EQ(why, "cannot read the script \"/nonexistent/phone.txt\"");
}

} // namespace
