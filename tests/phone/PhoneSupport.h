#pragma once
// What the telephone tests share: a line that writes down what it reports
// (and on which thread), and a scripted telephony service installed for the
// test, whose steps follow a manual clock: once advance returns, the line's
// thread has handled all that the steps gave it.
#include "platform/Clock.h"
#include "platform/headless/Headless.h"
#include "platform/telephony/ScriptedTelephony.h"
#include "phone/PhoneLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace phonetest {

using platform::telephony::ScriptedTelephony;

class RecordingLine : public CPhoneLine {
public:
    RecordingLine() : CPhoneLine(nullptr) {}
    ~RecordingLine() override { shutdown(); }

    void onKeyDown(int digit) override { note("down " + std::string(1, char(digit))); }
    void onKeyUp(int digit, uint32_t ms) override
    {
        note("up " + std::string(1, char(digit)) + " " + std::to_string(ms));
    }
    void onRinging() override { note("ringing"); }
    void onConnected() override { note("connected"); }
    void onDisconnected() override { note("disconnected"); }
    void onLongPress(uint32_t ms) override { note("long " + std::to_string(ms)); }
    void onShortPress(uint32_t ms) override { note("short " + std::to_string(ms)); }
    void onError(int code) override
    {
        char text[32];
        std::snprintf(text, sizeof text, "error %08x", unsigned(code));
        note(text);
    }

    // The reports since the last look.
    std::vector<std::string> taken()
    {
        std::lock_guard<std::mutex> g(lock);
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
    // Waits (ten seconds at most) until n reports wait; the reports then.
    std::vector<std::string> awaited(size_t n)
    {
        std::unique_lock<std::mutex> l(lock);
        changed.wait_for(l, std::chrono::seconds(10), [&] { return log.size() >= n; });
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
    bool reportedOnTestThread()
    {
        std::lock_guard<std::mutex> g(lock);
        return onTestThread;
    }

private:
    void note(const std::string& what)
    {
        std::lock_guard<std::mutex> g(lock);
        log.push_back(what);
        if (std::this_thread::get_id() == testThread)
            onTestThread = true;
        changed.notify_all();
    }

    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> log;
    std::thread::id testThread = std::this_thread::get_id();
    bool onTestThread = false;
};

using Reports = std::vector<std::string>;

class ScriptedLineTest : public ::testing::Test {
protected:
    ScriptedLineTest() { platform::telephony::setTelephony(service); }
    ~ScriptedLineTest() override
    {
        line.reset();
        PhoneLineList::release();
        platform::telephony::setTelephony(nullptr);
    }

    // Opens the line of that place in the list and starts its thread.
    void open(int index = 0, int options = 0)
    {
        line.reset(new RecordingLine);
        ASSERT_EQ(line->openByIndex(index, options), 0);
        ASSERT_EQ(line->openLine(), 0);
        ASSERT_EQ(line->startThread(), 0);
    }

    platform::ManualClock clockNow{1000};
    platform::ScopedClock clock{&clockNow};
    platform::HeadlessPlatform backend{clockNow};
    platform::ScopedPlatform backendInUse{&backend};
    std::shared_ptr<ScriptedTelephony> service = std::make_shared<ScriptedTelephony>();
    std::unique_ptr<RecordingLine> line;
};

} // namespace phonetest
