#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace platform {
namespace telephony {

// A baresip process of ours, run with a configuration folder. It is asked
// to end (and made to, after two seconds) when the object goes, and ends
// by itself if the thread that started it does first.
class BaresipProcess {
public:
    // Null with *why set when baresip is not installed or cannot be started.
    static std::unique_ptr<BaresipProcess> start(const std::string& folder, std::string* why);
    ~BaresipProcess();
    BaresipProcess(const BaresipProcess&) = delete;
    BaresipProcess& operator=(const BaresipProcess&) = delete;

    // False once the process has ended.
    bool running();
    // The folder is removed, with what is in it, after the process ended.
    void removeFolderAtEnd() { removeFolder = true; }

private:
    BaresipProcess(pid_t pid, const std::string& folder) : pid(pid), folder(folder) {}

    pid_t pid;
    std::string folder;
    bool removeFolder = false;
    bool ended = false;
};

// Where the control module of a configuration folder listens: from the
// "ctrl_tcp_listen" of its "config" (a wildcard address is reached on the
// loopback), 127.0.0.1:4444 when it names none. False with *why set when
// there is no "config" or it loads no ctrl_tcp.so or no menu.so.
bool controlAddress(const std::string& folder, std::string* host, uint16_t* port, std::string* why);

// The folder of baresip's modules beside its program (../lib/baresip/modules,
// or under the system's library folders); empty when none holds
// ctrl_tcp.so.
std::string baresipModuleFolder();

// A new folder for one run (in the temporary folder) with the accounts of
// ~/.baresip/accounts and a configuration that loads the control module on
// 127.0.0.1 at a free port, the commands, G.711 and no sound device. False
// with *why set when there is no account to take.
bool makeRunFolder(std::string* folder, std::string* why);

} // namespace telephony
} // namespace platform
