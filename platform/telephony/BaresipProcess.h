#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

namespace platform {
namespace telephony {

// A baresip process of ours, run with a configuration folder. A thread of
// the object's own waits for it, so that it is reaped the moment it ends
// (never left a zombie). It is asked to end (SIGTERM) when the object goes,
// and made to (SIGKILL) when it has not after END_WAIT_MS; one that has
// not ended END_WAIT_MS after that (stuck in the kernel) is left to its
// thread, which reaps it whenever it ends. It ends by itself if the
// thread that started it does first.
class BaresipProcess {
public:
    enum { END_WAIT_MS = 2000 };

    // Null with *why set when baresip is not installed or cannot be started.
    static std::unique_ptr<BaresipProcess> start(const std::string& folder, std::string* why);
    ~BaresipProcess();
    BaresipProcess(const BaresipProcess&) = delete;
    BaresipProcess& operator=(const BaresipProcess&) = delete;

    // False once the process has ended.
    bool running();
    // Waits at most timeoutMs for the process to end; true with *how set
    // ("exit status 3", "killed by SIGKILL") when it has.
    bool waitEnd(int timeoutMs, std::string* how);
    // The folder is removed, with what is in it, after the process ended.
    void removeFolderAtEnd() { removeFolder = true; }

private:
    // Shared with the thread, which may outlive the object.
    struct End {
        std::mutex lock; // over the two below; a process not reaped yet is signalled only under it
        std::condition_variable changed;
        bool ended = false;
        int status = 0;
    };

    BaresipProcess(pid_t pid, const std::string& folder);
    static void watch(pid_t pid, const std::shared_ptr<End>& end);

    const pid_t pid;
    std::string folder;
    bool removeFolder = false;
    std::shared_ptr<End> end;
    std::thread watcher;
};

// Where the control module of a configuration folder listens: from the
// "ctrl_tcp_listen" of its "config" (a wildcard address is reached on the
// loopback), 127.0.0.1:4444 when it names none. False with *why set when
// there is no "config", it loads no ctrl_tcp.so or no menu.so, or its
// module_path is missing or holds no ctrl_tcp.so.
bool controlAddress(const std::string& folder, std::string* host, uint16_t* port, std::string* why);

// The folder of baresip's modules beside its program (../lib/baresip/modules,
// or under the system's library folders); empty when none holds
// ctrl_tcp.so.
std::string baresipModuleFolder();

// Whether a baresip can be started at once for the configuration folder
// (empty: a folder of our own, made by makeRunFolder): baresip is
// installed, and the folder's configuration names the control module, or
// there are an account and the modules for one of our own. False with *why
// set when not; startBaresip makes this check first and fails with it,
// without waiting for anything.
bool canStartBaresip(const std::string& folder, std::string* why);

// A new folder for one run (in the temporary folder) with the accounts of
// ~/.baresip/accounts and a configuration that loads the control module on
// 127.0.0.1 at a free port, the commands, G.711 and no sound device. When
// every account is at a loopback address (127.x.x.x, [::1]), baresip
// listens for SIP at the first one's address and port (5060 when it names
// none) and nowhere else, so that they can be called over the loopback.
// False with *why set when there is no account to take.
bool makeRunFolder(std::string* folder, std::string* why);

} // namespace telephony
} // namespace platform
