#pragma once
// Helpers of the network tests: frames written as readable hex, the
// variable pools, and waiting on a condition with a time limit.
#include "net/FileTransfer.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "platform/Drives.h"
#include "script/VariableFactory.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

// Bytes from hex pairs, with 'quoted' text taken as it stands; blanks are
// ignored. hex("05000000 0b000000 'hi' 00")
inline std::string hex(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ')
            continue;
        if (c == '\'') {
            size_t end = text.find('\'', i + 1);
            out += text.substr(i + 1, end - i - 1);
            i = end;
            continue;
        }
        out += char(std::strtol(text.substr(i, 2).c_str(), nullptr, 16));
        ++i;
    }
    return out;
}

inline std::string frameOf(const CNetMessage& m)
{
    return m.getBuffer() ? std::string(m.getBuffer(), size_t(m.getBufferLen())) : std::string();
}

// A received frame as the socket would hand it on.
inline CNetMessage* raw(const std::string& frame)
{
    return new CNetMessage(nullptr, frame.data(), int(frame.size()));
}

struct Pools {
    Pools() { CMC_VariableFactory::initialize(); }
    ~Pools() { CMC_VariableFactory::done(); }
};

// Polls until done() holds or the time is up; whether it held.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Polls until done() holds, for as long as progress() keeps rising: false
// once it stood still for stallMs. For long work that a loaded machine
// stretches many times over (thousands of messages handled), where a bound
// on the whole would bound the machine rather than the work.
inline bool waitWhileMoving(const std::function<bool()>& done, const std::function<long()>& progress,
                            int stallMs = 10000)
{
    long last = progress();
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(stallMs);
    while (!done()) {
        const long now = progress();
        if (now != last) {
            last = now;
            end = std::chrono::steady_clock::now() + std::chrono::milliseconds(stallMs);
        } else if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A number of /proc/<pid>/status ("Threads:", "VmRSS:" in KiB), of this
// process by default; -1 when absent.
inline long processStatus(const std::string& key, const std::string& pid = "self")
{
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

inline std::string randomBytes(size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

// A server on 127.0.0.1 in queued mode that answers every file request
// with the file at folder/<folder>/<subfolder>/<name> (empty parts left
// out), one message of each transfer per tick, and keeps the requests;
// waiting requests per connection as the file manager's limit.
struct FileServer : CNetListener {
    explicit FileServer(const std::string& f, int waiting = CFileSender_Manager::WAITING_PER_CONNECTION)
        : peer(nullptr, false), files(waiting), folder(f)
    {
        peer.addNotifier(this);
        peer.start(0, CXString("127.0.0.1"));
    }
    void onMessage(CNetMessage* m) override
    {
        if (m->getType() != CNetMessage::FILE_REQUEST)
            return;
        CNetFileRequestMessage* r = static_cast<CNetFileRequestMessage*>(m);
        std::string name;
        for (const CXString& part : {r->getFolder(), r->getSubfolder(), r->getFileName()})
            if (part.IsString())
                name += (name.empty() ? "" : "/") + std::string(part.c_str());
        requests.push_back(name);
        files.add_file(m->getHandle(), r->getRequesterId(), r->getFolder(), r->getSubfolder(), r->getFileName(),
                       CXString(platform::toEnginePath(folder + "/" + name).c_str()));
    }
    void tick()
    {
        peer.tick();
        files.tick();
    }
    CNetworkServer peer;
    CFileSender_Manager files;
    std::string folder;
    std::vector<std::string> requests;
};

// Keeps what completed transfers held, and takes the files (true) unless
// told to let the manager save them; keeps the transfers refused, by name
// and why.
struct Completed : CFileReceiver_Listener {
    bool onFileReceived(CFileReceiver_Entry* entry) override
    {
        files.push_back(std::string(entry->getData(), size_t(entry->getSize())));
        names.push_back(entry->getFileName().c_str());
        return takes;
    }
    void onFileRefused(CFileReceiver_Entry* entry) override
    {
        refused.push_back(std::string(entry->getFileName().c_str()) + ": " + entry->whyRefused());
    }
    std::vector<std::string> files;
    std::vector<std::string> names;
    std::vector<std::string> refused;
    bool takes = true;
};

// The requester's side: a client whose messages go to a receiver manager,
// and what file frames it saw.
struct Requester : CNetListener {
    Requester() : client(nullptr, false, false), manager(&done) { client.addNotifier(this); }
    void onMessage(CNetMessage* m) override
    {
        if (m->getType() == CNetMessage::FILE_RESPONSE)
            frames.push_back("response " + std::to_string(static_cast<CNetFileResponseMessage*>(m)->getSize()));
        if (m->getType() == CNetMessage::FILE_DATA) {
            CNetFileDataMessage* d = static_cast<CNetFileDataMessage*>(m);
            frames.push_back("chunk " + std::to_string(d->getOffset()) + "+" + std::to_string(d->getChunkSize()));
        }
        manager.received(m);
    }
    CNetworkClient client;
    Completed done;
    CFileReceiver_Manager manager;
    std::vector<std::string> frames;
};

} // namespace nettest
