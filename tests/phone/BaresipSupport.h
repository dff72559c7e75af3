#pragma once
// A baresip of the test's own on the loopback: its configuration and its
// one account in a temporary folder (never ~/.baresip), SIP and the control
// module at free ports, G.711 and no sound device. The calling side sends a
// tone, as a phone sends its microphone, which carries the keys it sends.
#include "platform/telephony/BaresipControl.h"
#include "platform/telephony/BaresipProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace phonetest {

using platform::telephony::BaresipControl;
using platform::telephony::BaresipProcess;
using platform::telephony::ControlMessage;

using testsupport::bindable;

// A SIP port: baresip takes it for UDP and TCP and the next one for TLS.
inline int freeSipPort()
{
    for (int tries = 0; tries < 100; ++tries) {
        const int p = bindable(SOCK_DGRAM, 0);
        if (p > 0 && p < 65535 && bindable(SOCK_STREAM, p) == p && bindable(SOCK_STREAM, p + 1) == p + 1)
            return p;
    }
    return 0;
}

class TestBaresip {
public:
    // The user of its account; `caller` sends a tone in its calls.
    TestBaresip(const std::string& user, bool caller) : user(user), caller(caller) {}

    std::string aor() const { return "sip:" + user + "@127.0.0.1:" + std::to_string(sipPort); }
    std::string controlAddress() const { return "127.0.0.1:" + std::to_string(controlPort); }
    const std::string& folder() const { return tmp.path(); }

    // Writes the configuration (at new free ports).
    void configure()
    {
        sipPort = freeSipPort();
        controlPort = bindable(SOCK_STREAM, 0);
        std::string config = "module_path " + platform::telephony::baresipModuleFolder() + "\n"
                             "poll_method epoll\n"
                             "sip_listen 127.0.0.1:" + std::to_string(sipPort) + "\n"
                             "net_interface 127.0.0.1\n"
                             "ctrl_tcp_listen 127.0.0.1:" + std::to_string(controlPort) + "\n"
                             "audio_player aubridge,play-" + user + "\n"
                             "audio_alert aubridge,play-" + user + "\n"
                             "module g711.so\nmodule aubridge.so\n";
        if (caller)
            config += "audio_source ausine,440\nausrc_srate 48000\nausrc_channels 2\nmodule ausine.so\n";
        else
            config += "audio_source aubridge,source-" + user + "\n";
        config += "module_app account.so\nmodule_app menu.so\nmodule_app ctrl_tcp.so\n";
        tmp.write("config", config);
        tmp.write("accounts", "<" + aor() + ">;regint=0\n");
    }

    // Configures and runs baresip until its control module answers; true
    // when it does.
    bool start()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            configure();
            std::string why;
            process = BaresipProcess::start(tmp.path(), &why);
            if (!process) {
                ADD_FAILURE() << why;
                return false;
            }
            BaresipProcess* running = process.get();
            auto probe = BaresipControl::connect("127.0.0.1", uint16_t(controlPort), 5000,
                                                 [running] { return running->running(); }, &why);
            if (probe)
                return true;
            process.reset();
        }
        ADD_FAILURE() << "baresip did not start in " << tmp.path();
        return false;
    }

    // The test's own control connection (the module serves one at a time).
    bool control()
    {
        std::string why;
        connection = BaresipControl::connect("127.0.0.1", uint16_t(controlPort), 5000, nullptr, &why);
        if (!connection)
            return false;
        connection->start(
            [this](const ControlMessage& m) {
                std::lock_guard<std::mutex> g(lock);
                events.push_back(m.get("type"));
                changed.notify_all();
            },
            nullptr);
        return true;
    }
    bool command(const std::string& name, const std::string& params = std::string())
    {
        bool ok = false;
        std::string data;
        return connection && connection->request(name, params, 5000, &ok, &data) && ok;
    }
    // Waits (ten seconds at most) for an event of that type; true when it came.
    bool awaitEvent(const char* type)
    {
        std::unique_lock<std::mutex> l(lock);
        return changed.wait_for(l, std::chrono::seconds(10), [&] { return seen(type); });
    }
    bool hasEvent(const char* type)
    {
        std::lock_guard<std::mutex> g(lock);
        return seen(type);
    }

private:
    bool seen(const char* type) const
    {
        for (const std::string& e : events)
            if (e == type)
                return true;
        return false;
    }

    std::string user;
    bool caller;
    testsupport::TempDir tmp;
    int sipPort = 0;
    int controlPort = 0;
    std::unique_ptr<BaresipProcess> process;
    std::unique_ptr<BaresipControl> connection;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> events;
};

} // namespace phonetest
