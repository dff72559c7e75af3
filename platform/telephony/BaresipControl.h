#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace platform {
namespace telephony {

// One message of baresip's TCP control module: the members of its JSON
// object, the scalar ones as text ("true", "12", the unescaped string);
// members holding objects or arrays are left out.
struct ControlMessage {
    std::map<std::string, std::string> fields;

    bool has(const char* name) const { return fields.count(name) != 0; }
    // The member's text; empty when it is missing.
    std::string get(const char* name) const
    {
        auto it = fields.find(name);
        return it == fields.end() ? std::string() : it->second;
    }
    bool isEvent() const { return get("event") == "true"; }
    bool isResponse() const { return get("response") == "true"; }
};

// Reads one JSON object; false when the text is not one (or nests deeper
// than 32 levels).
bool parseControlMessage(const char* text, size_t length, ControlMessage* message);

// Cuts the netstrings ("<length>:<bytes>,") out of the bytes received, in
// order. A malformed length, a frame larger than MAX_FRAME or a missing
// comma fails the stream for good.
class NetstringReader {
public:
    enum { MAX_FRAME = 1 << 20 };

    void feed(const char* data, size_t length);
    // The next whole frame into *frame; false when none is complete yet.
    bool next(std::string* frame);
    bool failed() const { return broken; }

private:
    std::string buffer;
    size_t start = 0;
    bool broken = false;
};

// A command as the control module takes it: a netstring of
// {"command":..,"params":..,"token":..}.
std::string encodeCommand(const std::string& command, const std::string& params, const std::string& token);

// The connection to a running baresip's TCP control module. Its thread
// reads the messages: events go to the handler, on that thread, and answers
// to the waiting request. The module serves one connection at a time: a
// second one ends the first.
class BaresipControl {
public:
    using EventHandler = std::function<void(const ControlMessage& event)>;
    using ClosedHandler = std::function<void()>;
    using Command = std::pair<std::string, std::string>; // command, params

    // Connects to host:port, trying again until timeoutMs passed while
    // `starting` answers true (a baresip that has not opened its port
    // yet); null with *why set when no connection was made.
    static std::unique_ptr<BaresipControl> connect(const std::string& host, uint16_t port, int timeoutMs,
                                                   const std::function<bool()>& starting, std::string* why);
    ~BaresipControl();
    BaresipControl(const BaresipControl&) = delete;
    BaresipControl& operator=(const BaresipControl&) = delete;

    // Starts reading: events go to the first handler, and the second is
    // called once when the connection has ended. Requests are answered
    // from then on.
    void start(EventHandler events, ClosedHandler closed);
    // Sends the commands one right after the other, so that none of another
    // thread comes between them; their answers are not waited for.
    bool send(const std::vector<Command>& commands);
    // Sends a command and waits at most timeoutMs for its answer, or until
    // *cancelled turns true.
    bool request(const std::string& command, const std::string& params, int timeoutMs, bool* ok, std::string* data,
                 const std::atomic<bool>* cancelled = nullptr);
    bool isOpen();

private:
    struct Answer {
        bool arrived = false;
        bool ok = false;
        std::string data;
    };

    explicit BaresipControl(int socket);
    void read();
    void dispatch(const std::string& frame);
    bool write(const std::string& bytes);

    int fd;
    std::mutex writeLock;
    std::mutex lock; // over the members below
    std::condition_variable answered;
    std::map<std::string, Answer*> waiting;
    uint64_t nextToken = 1;
    bool open = true;
    EventHandler onEvent;
    ClosedHandler onClosed;
    std::thread reader;
};

} // namespace telephony
} // namespace platform
