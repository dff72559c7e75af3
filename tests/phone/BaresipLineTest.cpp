// CPhoneLine over SIP: the line is the account of a baresip that the
// service joins (or runs itself), a second baresip started by the test is
// the other phone. Everything stays on the loopback.
#include "BaresipSupport.h"
#include "PhoneSupport.h"
#include "platform/telephony/Baresip.h"
#include "support/ChildProgram.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>

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

    // Runs both baresips, joins the title's and calls its line from the
    // other phone, which rings and is connected.
    void call()
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
    ASSERT_NO_FATAL_FAILURE(call());
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

// Taking the line down during a call hangs the call up.
TEST_F(BaresipLineTest, ShuttingDownDuringACallHangsUp)
{
    ASSERT_NO_FATAL_FAILURE(call());
    line.reset();
    EXPECT_TRUE(phone.awaitEvent("CALL_CLOSED"));
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

// What a configuration folder gives: where its control module listens, and
// the refusal of one that cannot be driven. %M is a module folder holding
// ctrl_tcp.so, %E one that does not.
TEST(BaresipProcessTest, ReadsTheControlAddressOfAConfiguration)
{
    testsupport::TempDir modules, empty;
    modules.write("ctrl_tcp.so", "");
    const struct {
        const char* config;
        const char* address; // host:port, or the reason
    } cases[] = {
        {"module_path %M\nmodule_app menu.so\nmodule_app ctrl_tcp.so\n", "127.0.0.1:4444"},
        {"module_path %M\nmodule menu.so\nmodule ctrl_tcp.so # here\nctrl_tcp_listen 0.0.0.0:5555\n", "127.0.0.1:5555"},
        {"module_path %M\nmodule menu.so\nmodule ctrl_tcp.so\nctrl_tcp_listen [::]:6000\n", "::1:6000"},
        {"module_path %M\nmodule menu.so\nmodule ctrl_tcp.so\nctrl_tcp_listen 10.1.2.3:7000\n", "10.1.2.3:7000"},
        {"module_path %M\nmodule menu.so\nmodule ctrl_tcp.so\nctrl_tcp_listen 127.0.0.1:99999\n",
         "cannot read ctrl_tcp_listen \"127.0.0.1:99999\""},
        {"module_path %M\nmodule menu.so\n#module ctrl_tcp.so\n", "the baresip configuration in \"F\" loads no ctrl_tcp.so"},
        {"module_path %M\nmodule ctrl_tcp.so\n", "the baresip configuration in \"F\" loads no menu.so"},
        // baresip would look for its modules in its working folder, and run
        // without a control module.
        {"module menu.so\nmodule ctrl_tcp.so\n", "the baresip configuration in \"F\" names no module_path"},
        {"module_path %E\nmodule menu.so\nmodule ctrl_tcp.so\n",
         "the module_path of the baresip configuration in \"F\" holds no ctrl_tcp.so: %E"},
    };
    auto replaced = [](std::string text, const std::string& what, const std::string& with) {
        for (size_t at; (at = text.find(what)) != std::string::npos;)
            text.replace(at, what.size(), with);
        return text;
    };
    for (const auto& c : cases) {
        testsupport::TempDir tmp;
        tmp.write("config", replaced(replaced(c.config, "%M", modules.path()), "%E", empty.path()));
        std::string host, why;
        uint16_t port = 0;
        const std::string got = platform::telephony::controlAddress(tmp.path(), &host, &port, &why)
                                    ? host + ":" + std::to_string(port)
                                    : why;
        EXPECT_EQ(replaced(replaced(got, tmp.path(), "F"), empty.path(), "%E"), c.address) << c.config;
    }
    std::string host, why;
    uint16_t port;
    EXPECT_FALSE(platform::telephony::controlAddress("/nonexistent", &host, &port, &why));
    EXPECT_EQ(why, "no baresip configuration \"/nonexistent/config\"");
}

// The folder made for a run of our own, in TMPDIR (in /tmp when that names
// no folder), takes the accounts of ~/.baresip/accounts (here of a home
// made for the test) without their comments, and a configuration whose
// control module is on the loopback. Accounts that are all at a loopback
// address are listened for at the first one's, and only there.
TEST(BaresipProcessTest, AFolderOfOurOwnTakesTheAccounts)
{
    testsupport::TempDir home, tmp;
    std::string folder, why;
    {
        testsupport::ChildEnvironment environment({{"HOME", home.path()}});
        EXPECT_FALSE(platform::telephony::makeRunFolder(&folder, &why));
        EXPECT_EQ(why, "no baresip account in " + home.path() + "/.baresip/accounts");
    }
    const struct {
        const char* accounts;
        const char* listening; // the configuration's lines for it
    } cases[] = {
        {"# mine\n\n<sip:me@example.org>;auth_pass=x\n", ""},
        {"<sip:title@127.0.0.1:5070>;regint=0\n", "sip_listen 127.0.0.1:5070\nnet_interface 127.0.0.1\n"},
        {"<sip:title@127.0.0.1>;regint=0\n<sip:other@127.0.0.2:5080>\n",
         "sip_listen 127.0.0.1:5060\nnet_interface 127.0.0.1\n"},
        {"<sip:title@127.0.0.2:5070>\n", "sip_listen 127.0.0.2:5070\nnet_interface 127.0.0.2\n"},
        {"sip:title@[::1]:5070;transport=udp\n", "sip_listen [::1]:5070\nnet_interface ::1\n"},
        {"<sip:title@127.0.0.1:5070>\n<sip:me@example.org>\n", ""},
        {"<sips:title@127.0.0.1:5070>\n", ""},
        {"<sip:title@127.0.0.1:99999>\n", ""},
        {"<sip:title@[::1>\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.accounts);
        home.write(".baresip/accounts", c.accounts);
        testsupport::ChildEnvironment environment({{"HOME", home.path()}, {"TMPDIR", tmp.path()}});
        ASSERT_TRUE(platform::telephony::makeRunFolder(&folder, &why)) << why;
        EXPECT_EQ(folder.compare(0, tmp.path().size() + 15, tmp.path() + "/quarnel-phone-"), 0) << folder;
        std::istringstream config(testsupport::readFile(folder + "/config"));
        std::string listening;
        for (std::string line; std::getline(config, line);)
            if (line.compare(0, 11, "sip_listen ") == 0 || line.compare(0, 14, "net_interface ") == 0)
                listening += line + "\n";
        EXPECT_EQ(listening, c.listening);
        std::string host;
        uint16_t port = 0;
        EXPECT_TRUE(platform::telephony::controlAddress(folder, &host, &port, &why)) << why;
        EXPECT_EQ(host, "127.0.0.1");
        EXPECT_GT(port, 0);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    home.write(".baresip/accounts", cases[0].accounts);
    testsupport::ChildEnvironment environment({{"HOME", home.path()}, {"TMPDIR", tmp.file("gone")}});
    ASSERT_TRUE(platform::telephony::makeRunFolder(&folder, &why)) << why;
    EXPECT_EQ(folder.compare(0, 19, "/tmp/quarnel-phone-"), 0) << folder;
    EXPECT_EQ(testsupport::readFile(folder + "/accounts"), "<sip:me@example.org>;auth_pass=x\n");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// A baresip that ends by itself is reaped at once, whatever ended it, and
// how it ended is known.
TEST(BaresipProcessTest, AProcessThatEndsByItselfIsReapedAtOnce)
{
    const struct {
        const char* script;
        const char* how;
    } cases[] = {{"exit 3", "exit status 3"}, {"kill -KILL $$", "killed by SIGKILL"}};
    const std::string path = std::getenv("PATH");
    for (const auto& c : cases) {
        testsupport::TempDir tmp;
        tmp.write("baresip", std::string("#!/bin/sh\n") + c.script + "\n");
        chmod(tmp.file("baresip").c_str(), 0755);
        setenv("PATH", (tmp.path() + ":/usr/bin:/bin").c_str(), 1);
        std::string why, how;
        auto process = platform::telephony::BaresipProcess::start(tmp.path(), &why);
        setenv("PATH", path.c_str(), 1);
        ASSERT_NE(process, nullptr) << why;
        ASSERT_TRUE(process->waitEnd(20000, &how));
        EXPECT_EQ(how, c.how);
        EXPECT_FALSE(process->running());
        // No child of this program is left a zombie.
        siginfo_t zombie{};
        EXPECT_TRUE(waitid(P_ALL, 0, &zombie, WEXITED | WNOHANG | WNOWAIT) != 0 || zombie.si_pid == 0)
            << "zombie " << zombie.si_pid;
    }
}

// A baresip stand-in of the test's own, joined once it listens.
struct JoinedStandIn {
    void join()
    {
        const char* fixtures = std::getenv("QUARNEL_FIXTURES");
        ASSERT_NE(fixtures, nullptr);
        address = "127.0.0.1:" + std::to_string(testsupport::freePort());
        tmp.write("config", "module_app menu.so\nmodule_app ctrl_tcp.so\nctrl_tcp_listen " + address + "\n");
        tmp.write("accounts", "<sip:title@127.0.0.1>\n");
        standIn.reset(new testsupport::ChildProgram(
            "/usr/bin/perl", {std::string(fixtures) + "/baresip-stand-in", "-f", tmp.path()}, tmp.path(),
            tmp.file("output.txt")));
        std::string why;
        for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
             !service && std::chrono::steady_clock::now() < until;)
            service = platform::telephony::joinBaresip(address, &why);
        ASSERT_NE(service, nullptr) << why;
    }

    testsupport::TempDir tmp;
    std::string address;
    std::unique_ptr<testsupport::ChildProgram> standIn;
    std::shared_ptr<platform::telephony::Telephony> service;
};

// A baresip joined whose control connection ends (here a stand-in of the
// test's, killed) is told once, with its address, to the service's end
// handler.
TEST(BaresipProcessTest, AJoinedBaresipThatGoesIsTold)
{
    JoinedStandIn joined;
    ASSERT_NO_FATAL_FAILURE(joined.join());
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> told;
    joined.service->setEndHandler([&](const std::string& end) {
        std::lock_guard<std::mutex> g(lock);
        told.push_back(end);
        changed.notify_all();
    });
    joined.standIn->kill();
    std::unique_lock<std::mutex> l(lock);
    EXPECT_TRUE(changed.wait_for(l, std::chrono::seconds(10), [&] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<std::string>{"the control connection to baresip at " + joined.address +
                                             " ended: its lines are gone for the rest of the run"});
}

// The plug-in takes its handler away before it is unloaded: once that
// returns, the handler is not running, even when the service was telling
// its end with it just then, and it is never called again.
TEST(BaresipProcessTest, AReplacedEndHandlerIsDoneWhenTheReplacingReturns)
{
    JoinedStandIn joined;
    ASSERT_NO_FATAL_FAILURE(joined.join());
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    joined.service->setEndHandler([&](const std::string&) {
        ++calls;
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        inside = false;
    });
    joined.standIn->kill();
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         !inside && std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(inside);
    joined.service->setEndHandler(nullptr);
    EXPECT_FALSE(inside);
    joined.service.reset();
    EXPECT_EQ(calls, 1);
}

// Without the program there is no service, and the reason is given.
TEST(BaresipProcessTest, WithoutBaresipThereIsNoService)
{
    testsupport::TempDir tmp;
    const std::string path = std::getenv("PATH");
    setenv("PATH", tmp.path().c_str(), 1);
    std::string why;
    EXPECT_EQ(platform::telephony::BaresipProcess::start(tmp.path(), &why), nullptr);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(why, "baresip is not installed (Debian package baresip-core)");
}

// Whether a start waits for a baresip is asked of canStartBaresip (a
// headless run keeps its virtual clock when it does not): a start that the
// check refuses fails at once, for the same reason.
TEST(BaresipProcessTest, AStartFailsAtOnceWhereTheCheckRefusesAndForItsReason)
{
    testsupport::TempDir home, empty;
    home.write(".baresip/accounts", "<sip:me@127.0.0.1>\n");
    const std::string path = std::getenv("PATH");
    const struct {
        std::string home, path, folder;
    } cases[] = {{empty.path(), path, ""}, {home.path(), empty.path(), ""}, {home.path(), path, empty.path()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.home + " " + c.path + " \"" + c.folder + "\"");
        const std::string phone = c.folder.empty() ? "baresip" : "baresip:" + c.folder;
        testsupport::ChildEnvironment environment({{"HOME", c.home}, {"PATH", c.path}, {"QUARNEL_PHONE", phone}});
        std::string refused, failed;
        EXPECT_FALSE(platform::telephony::canStartBaresip(c.folder, &refused));
        EXPECT_FALSE(platform::telephony::telephonyChoice().waits);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(platform::telephony::startBaresip(c.folder, &failed), nullptr);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_FALSE(refused.empty());
        EXPECT_EQ(failed, refused);
    }
}

} // namespace
