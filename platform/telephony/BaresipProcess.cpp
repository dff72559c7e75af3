#include "platform/telephony/BaresipProcess.h"

#include "platform/FileIO.h"
#include "platform/Signals.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace telephony {

namespace {

const char* const NOT_INSTALLED = "baresip is not installed (Debian package baresip-core)";

// The program's path through PATH, as execv wants it.
std::string findProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path && *path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::string();
}

// The baresip program through PATH; empty, with *why set, when it is not
// installed.
std::string baresipProgram(std::string* why)
{
    const std::string program = findProgram("baresip");
    if (program.empty())
        *why = NOT_INSTALLED;
    return program;
}

std::string readFile(const std::string& path, bool* found)
{
    std::ifstream in(path, std::ios::binary);
    *found = bool(in);
    std::ostringstream text;
    if (in)
        text << in.rdbuf();
    return text.str();
}

// A port, 1 to 65535, written in decimal; 0 when the text is not one.
int portNumber(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int number = std::atoi(text.c_str());
    return number <= 65535 ? number : 0;
}

// A TCP port of the loopback that nothing listens on now.
uint16_t freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

} // namespace

std::unique_ptr<BaresipProcess> BaresipProcess::start(const std::string& folder, std::string* why)
{
    const std::string program = baresipProgram(why);
    if (program.empty())
        return nullptr;
    const char* const argv[] = {program.c_str(), "-f", folder.c_str(), nullptr};
    // baresip's own messages go to our standard error only when debugging.
    const bool talk = std::getenv("QUARNEL_DEBUG") != nullptr;
    const int quiet = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    int failure[2];
    if (quiet < 0 || ::pipe2(failure, O_CLOEXEC) != 0) {
        if (quiet >= 0)
            ::close(quiet);
        *why = "cannot start baresip";
        return nullptr;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls that are safe after fork from here on.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::setpgid(0, 0);
        ::dup2(quiet, 0);
        if (!talk) {
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
        }
        // Nothing of ours stays open in baresip (the pipe closes at exec).
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != failure[1])
                ::close(fd);
        ::execv(argv[0], const_cast<char* const*>(argv));
        const int error = errno;
        ssize_t ignored = ::write(failure[1], &error, sizeof error);
        (void)ignored;
        ::_exit(127);
    }
    ::close(quiet);
    ::close(failure[1]);
    if (pid < 0) {
        ::close(failure[0]);
        *why = "cannot start baresip";
        return nullptr;
    }
    // The pipe closes without a word when the program was started.
    int error = 0;
    ssize_t n;
    do
        n = ::read(failure[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    ::close(failure[0]);
    if (n > 0) {
        ::waitpid(pid, nullptr, 0);
        *why = std::string("cannot run ") + program + ": " + std::strerror(error);
        return nullptr;
    }
    return std::unique_ptr<BaresipProcess>(new BaresipProcess(pid, folder));
}

BaresipProcess::BaresipProcess(pid_t pid, const std::string& folder)
    : pid(pid), folder(folder), end(std::make_shared<End>())
{
    watcher = std::thread(watch, pid, end);
}

// Waits for the end without reaping, then reaps under the lock: until then
// the process id stays the process's, so that a signal sent under the lock
// can reach no other.
void BaresipProcess::watch(pid_t pid, const std::shared_ptr<End>& end)
{
    siginfo_t info;
    while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> g(end->lock);
    int how = 0;
    while (::waitpid(pid, &how, 0) < 0 && errno == EINTR) {
    }
    end->status = how;
    end->ended = true;
    end->changed.notify_all();
}

bool BaresipProcess::running()
{
    std::lock_guard<std::mutex> g(end->lock);
    return !end->ended;
}

bool BaresipProcess::waitEnd(int timeoutMs, std::string* how)
{
    std::unique_lock<std::mutex> l(end->lock);
    if (!end->changed.wait_for(l, std::chrono::milliseconds(timeoutMs), [this] { return end->ended; }))
        return false;
    const int status = end->status;
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        const char* name = ::sigabbrev_np(number);
        *how = name ? std::string("killed by SIG") + name : "killed by signal " + std::to_string(number);
    } else {
        *how = "exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : status);
    }
    return true;
}

BaresipProcess::~BaresipProcess()
{
    bool ended;
    {
        // Its own bound: not counted against a signal's bound for the title's end.
        TeardownWait bounded;
        std::unique_lock<std::mutex> l(end->lock);
        const auto hasEnded = [this] { return end->ended; };
        if (!end->ended) {
            ::kill(pid, SIGTERM);
            if (!end->changed.wait_for(l, std::chrono::milliseconds(END_WAIT_MS), hasEnded)) {
                ::kill(pid, SIGKILL);
                end->changed.wait_for(l, std::chrono::milliseconds(END_WAIT_MS), hasEnded);
            }
        }
        ended = end->ended;
    }
    if (ended)
        watcher.join();
    else
        watcher.detach();
    if (removeFolder) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

bool controlAddress(const std::string& folder, std::string* host, uint16_t* port, std::string* why)
{
    bool found;
    std::istringstream config(readFile(folder + "/config", &found));
    if (!found) {
        *why = "no baresip configuration \"" + folder + "/config\"";
        return false;
    }
    std::string line, listen, modules;
    bool control = false, commands = false;
    while (std::getline(config, line)) {
        std::istringstream in(line.substr(0, line.find('#')));
        std::string key, value;
        if (!(in >> key >> value))
            continue;
        if (key == "ctrl_tcp_listen")
            listen = value;
        else if (key == "module_path")
            modules = value;
        else if (key.compare(0, 6, "module") == 0 && value == "ctrl_tcp.so")
            control = true;
        else if (key.compare(0, 6, "module") == 0 && value == "menu.so")
            commands = true;
    }
    if (!control || !commands) {
        *why = "the baresip configuration in \"" + folder + "\" loads no " + (control ? "menu.so" : "ctrl_tcp.so");
        return false;
    }
    // Without it baresip looks for its modules in its working folder, finds
    // none, and runs without a control module.
    if (modules.empty()) {
        *why = "the baresip configuration in \"" + folder + "\" names no module_path";
        return false;
    }
    if (::access((modules + "/ctrl_tcp.so").c_str(), R_OK) != 0) {
        *why = "the module_path of the baresip configuration in \"" + folder + "\" holds no ctrl_tcp.so: " + modules;
        return false;
    }
    *host = "127.0.0.1";
    *port = 4444;
    if (listen.empty())
        return true;
    const size_t colon = listen.rfind(':');
    const int number = portNumber(colon == std::string::npos ? std::string() : listen.substr(colon + 1));
    if (!number) {
        *why = "cannot read ctrl_tcp_listen \"" + listen + "\"";
        return false;
    }
    *port = uint16_t(number);
    std::string address = listen.substr(0, colon);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    if (address == "::")
        *host = "::1";
    else if (!address.empty() && address != "0.0.0.0")
        *host = address;
    return true;
}

std::string baresipModuleFolder()
{
    std::vector<std::string> candidates;
    const std::string program = findProgram("baresip");
    if (!program.empty()) {
        const std::string bin = program.substr(0, program.rfind('/'));
        candidates.push_back(bin.substr(0, bin.rfind('/')) + "/lib/baresip/modules");
    }
    for (const char* f : {"/usr/lib/baresip/modules", "/usr/local/lib/baresip/modules",
                          "/usr/lib/x86_64-linux-gnu/baresip/modules", "/usr/lib/aarch64-linux-gnu/baresip/modules"})
        candidates.push_back(f);
    for (const std::string& c : candidates)
        if (::access((c + "/ctrl_tcp.so").c_str(), R_OK) == 0)
            return c;
    return std::string();
}

namespace {

// The lines of ~/.baresip/accounts that are not comments; *file is its path.
std::string userAccounts(std::string* file)
{
    const char* home = std::getenv("HOME");
    bool found = false;
    *file = std::string(home ? home : "") + "/.baresip/accounts";
    std::istringstream lines(home ? readFile(*file, &found) : std::string());
    std::string accounts, line;
    while (std::getline(lines, line)) {
        const size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos && line[first] != '#')
            accounts += line + "\n";
    }
    return accounts;
}

// The address of an account line's SIP URI ("<sip:user@host:port>;params",
// the brackets optional) and its port, 5060 when it names none; false when
// the line holds no such URI (a "sips:" one among them).
bool accountAddress(const std::string& line, std::string* host, int* port)
{
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos)
        return false;
    const bool bracketed = line[at] == '<';
    at += bracketed;
    if (line.compare(at, 4, "sip:") != 0)
        return false;
    at += 4;
    std::string uri = line.substr(at, line.find_first_of(bracketed ? ">" : " \t\r", at) - at);
    uri = uri.substr(0, uri.find(';'));
    const size_t user = uri.rfind('@');
    if (user != std::string::npos)
        uri.erase(0, user + 1);
    // An IPv6 address is in brackets; after the address comes nothing, or
    // ":" and the port.
    const bool v6 = !uri.empty() && uri[0] == '[';
    const size_t end = v6 ? uri.find(']') : uri.find(':');
    if (v6 && end == std::string::npos)
        return false;
    *host = v6 ? uri.substr(1, end - 1) : uri.substr(0, end);
    const std::string rest = end == std::string::npos ? std::string() : uri.substr(end + v6);
    *port = rest.empty() ? 5060 : rest[0] == ':' ? portNumber(rest.substr(1)) : 0;
    return !host->empty() && *port != 0;
}

bool isLoopbackAddress(const std::string& host)
{
    in_addr v4;
    in6_addr v6;
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    return ::inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

// The lines that make the accounts callable over the loopback when every
// one is at a loopback address: baresip then listens for SIP at the first
// one's address and port, and sends its media from that address. Empty
// when an account is elsewhere: baresip then listens at the machine's
// default address, as a registrar expects.
std::string loopbackListening(const std::string& accounts)
{
    std::istringstream lines(accounts);
    std::string line, first;
    while (std::getline(lines, line)) {
        std::string host;
        int port = 0;
        if (!accountAddress(line, &host, &port) || !isLoopbackAddress(host))
            return std::string();
        if (first.empty()) {
            const bool v6 = host.find(':') != std::string::npos;
            first = "sip_listen " + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "\n" +
                    "net_interface " + host + "\n";
        }
    }
    return first;
}

// What a folder of our own is made of: the accounts and the folder of
// baresip's modules. False, with *why set, when one is missing.
bool ownFolderParts(std::string* accounts, std::string* accountsFile, std::string* modules, std::string* why)
{
    *accounts = userAccounts(accountsFile);
    if (accounts->empty()) {
        *why = "no baresip account in " + *accountsFile;
        return false;
    }
    *modules = baresipModuleFolder();
    if (modules->empty()) {
        *why = "baresip's modules are not installed (Debian package baresip-core)";
        return false;
    }
    return true;
}

} // namespace

// The one check before a start, also for telephonyChoice: what it refuses,
// startBaresip refuses at once, so that a headless run that kept its
// virtual clock for it is right to.
bool canStartBaresip(const std::string& folder, std::string* why)
{
    std::string accounts, file, modules, host;
    uint16_t port;
    if (folder.empty() ? !ownFolderParts(&accounts, &file, &modules, why) : !controlAddress(folder, &host, &port, why))
        return false;
    return !baresipProgram(why).empty();
}

bool makeRunFolder(std::string* folder, std::string* why)
{
    std::string accounts, accountsFile, modules;
    if (!ownFolderParts(&accounts, &accountsFile, &modules, why))
        return false;
    std::string pattern = temporaryFolder() + "/quarnel-phone-XXXXXX";
    const uint16_t port = freeLoopbackPort();
    if (!port || !::mkdtemp(&pattern[0])) {
        *why = "cannot make a folder for baresip";
        return false;
    }
    *folder = pattern;
    std::ofstream config(pattern + "/config", std::ios::binary);
    config << "# baresip for one run of Quarnel: the accounts of " << accountsFile << ", no sound device\n"
           << "module_path " << modules << "\n"
           << "ctrl_tcp_listen 127.0.0.1:" << port << "\n"
           << "audio_player aubridge,quarnel-play\n"
           << "audio_source aubridge,quarnel-source\n"
           << "audio_alert aubridge,quarnel-play\n"
           << "module g711.so\n"
           << "module aubridge.so\n"
           << "module_app account.so\n"
           << "module_app menu.so\n"
           << "module_app ctrl_tcp.so\n"
           << loopbackListening(accounts);
    std::ofstream out(pattern + "/accounts", std::ios::binary);
    out << accounts;
    config.close();
    out.close();
    if (!config || !out) {
        std::error_code ignored;
        std::filesystem::remove_all(pattern, ignored);
        *why = "cannot write the baresip configuration in " + pattern;
        return false;
    }
    return true;
}

} // namespace telephony
} // namespace platform
