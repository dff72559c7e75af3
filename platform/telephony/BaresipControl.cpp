#include "platform/telephony/BaresipControl.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace platform {
namespace telephony {

namespace {

const int MAX_DEPTH = 32;

struct Json {
    const char* p;
    const char* end;

    void space()
    {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
            ++p;
    }
    bool take(char c)
    {
        if (p < end && *p == c) {
            ++p;
            return true;
        }
        return false;
    }

    static void utf8(uint32_t c, std::string* out)
    {
        if (c < 0x80) {
            *out += char(c);
        } else if (c < 0x800) {
            *out += char(0xC0 | (c >> 6));
            *out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out += char(0xE0 | (c >> 12));
            *out += char(0x80 | ((c >> 6) & 0x3F));
            *out += char(0x80 | (c & 0x3F));
        } else {
            *out += char(0xF0 | (c >> 18));
            *out += char(0x80 | ((c >> 12) & 0x3F));
            *out += char(0x80 | ((c >> 6) & 0x3F));
            *out += char(0x80 | (c & 0x3F));
        }
    }

    bool hex4(uint32_t* value)
    {
        if (end - p < 4)
            return false;
        *value = 0;
        for (int i = 0; i < 4; ++i, ++p) {
            const char c = *p;
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return false;
            *value = *value * 16 + uint32_t(digit);
        }
        return true;
    }

    bool string(std::string* out)
    {
        if (!take('"'))
            return false;
        out->clear();
        while (p < end && *p != '"') {
            if (*p != '\\') {
                *out += *p++;
                continue;
            }
            if (++p >= end)
                return false;
            const char e = *p++;
            switch (e) {
            case '"':
            case '\\':
            case '/': *out += e; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'u': {
                uint32_t c;
                if (!hex4(&c))
                    return false;
                if (c >= 0xD800 && c < 0xDC00) {
                    uint32_t low;
                    const char* back = p;
                    if (take('\\') && take('u') && hex4(&low) && low >= 0xDC00 && low < 0xE000) {
                        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        p = back;
                        c = 0xFFFD;
                    }
                } else if (c >= 0xDC00 && c < 0xE000) {
                    c = 0xFFFD;
                }
                utf8(c, out);
                break;
            }
            default: return false;
            }
        }
        return take('"');
    }

    // A literal or a number, as its text.
    bool word(std::string* out)
    {
        const char* from = p;
        while (p < end && (std::strchr("+-.0123456789eE", *p) || (*p >= 'a' && *p <= 'z')) && *p)
            ++p;
        out->assign(from, p);
        if (out->empty())
            return false;
        if (*out == "true" || *out == "false" || *out == "null")
            return true;
        return out->find_first_not_of("+-.0123456789eE") == std::string::npos;
    }

    bool value(int depth, std::string* scalar, bool* nested)
    {
        space();
        if (p >= end)
            return false;
        *nested = *p == '{' || *p == '[';
        if (!*nested)
            return *p == '"' ? string(scalar) : word(scalar);
        if (depth >= MAX_DEPTH)
            return false;
        const char close = *p++ == '{' ? '}' : ']';
        std::string ignored;
        bool inner;
        space();
        if (take(close))
            return true;
        for (;;) {
            if (close == '}') {
                space();
                if (!string(&ignored))
                    return false;
                space();
                if (!take(':'))
                    return false;
            }
            if (!value(depth + 1, &ignored, &inner))
                return false;
            space();
            if (take(close))
                return true;
            if (!take(','))
                return false;
        }
    }
};

} // namespace

bool parseControlMessage(const char* text, size_t length, ControlMessage* message)
{
    Json json{text, text + length};
    message->fields.clear();
    json.space();
    if (!json.take('{'))
        return false;
    json.space();
    if (!json.take('}')) {
        for (;;) {
            std::string key, scalar;
            bool nested;
            json.space();
            if (!json.string(&key))
                return false;
            json.space();
            if (!json.take(':') || !json.value(1, &scalar, &nested))
                return false;
            if (!nested)
                message->fields[key] = scalar;
            json.space();
            if (json.take('}'))
                break;
            if (!json.take(','))
                return false;
        }
    }
    json.space();
    return json.p == json.end;
}

void NetstringReader::feed(const char* data, size_t length)
{
    if (broken)
        return;
    if (start > 0 && start * 2 >= buffer.size()) {
        buffer.erase(0, start);
        start = 0;
    }
    buffer.append(data, length);
}

bool NetstringReader::next(std::string* frame)
{
    if (broken)
        return false;
    // The length: 1 to 7 digits (MAX_FRAME has 7), then ':'.
    size_t i = start;
    size_t length = 0;
    while (i < buffer.size() && buffer[i] >= '0' && buffer[i] <= '9') {
        length = length * 10 + size_t(buffer[i] - '0');
        if (++i - start > 7 || length > MAX_FRAME) {
            broken = true;
            return false;
        }
    }
    if (i == buffer.size())
        return false;
    if (i == start || buffer[i] != ':') {
        broken = true;
        return false;
    }
    const size_t body = i + 1;
    if (buffer.size() - body < length + 1)
        return false;
    if (buffer[body + length] != ',') {
        broken = true;
        return false;
    }
    frame->assign(buffer, body, length);
    start = body + length + 1;
    return true;
}

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uint8_t(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(uint8_t(c)));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A TCP connection to host:port within the time left; -1 when none.
int connectOnce(const std::string& host, uint16_t port, int timeoutMs, std::string* why)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        *why = "cannot resolve \"" + host + "\"";
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0)
            continue;
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            pollfd w{fd, POLLOUT, 0};
            int error = 0;
            socklen_t size = sizeof error;
            r = ::poll(&w, 1, timeoutMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0
                    ? 0
                    : -1;
        }
        if (r != 0) {
            *why = "nothing answers at " + host + ":" + service + " (is baresip running with ctrl_tcp.so?)";
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd >= 0) {
        // Blocking from now on; a send that cannot go on for two seconds fails.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        timeval limit{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    }
    return fd;
}

} // namespace

std::string encodeCommand(const std::string& command, const std::string& params, const std::string& token)
{
    const std::string json =
        "{\"command\":" + quoted(command) + ",\"params\":" + quoted(params) + ",\"token\":" + quoted(token) + "}";
    return std::to_string(json.size()) + ":" + json + ",";
}

std::unique_ptr<BaresipControl> BaresipControl::connect(const std::string& host, uint16_t port, int timeoutMs,
                                                        const std::function<bool()>& starting, std::string* why)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count());
        const int fd = connectOnce(host, port, left > 0 ? left : 0, why);
        if (fd >= 0)
            return std::unique_ptr<BaresipControl>(new BaresipControl(fd));
        if (left <= 0 || !starting || !starting())
            return nullptr;
        // The port is not open yet: try again shortly.
        ::poll(nullptr, 0, 20);
    }
}

BaresipControl::BaresipControl(int socket) : fd(socket) {}

BaresipControl::~BaresipControl()
{
    ::shutdown(fd, SHUT_RDWR);
    if (reader.joinable())
        reader.join();
    ::close(fd);
}

void BaresipControl::start(EventHandler events, ClosedHandler closed)
{
    onEvent = std::move(events);
    onClosed = std::move(closed);
    reader = std::thread([this] { read(); });
}

bool BaresipControl::isOpen()
{
    std::lock_guard<std::mutex> g(lock);
    return open;
}

void BaresipControl::read()
{
    NetstringReader frames;
    char chunk[4096];
    std::string frame;
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        frames.feed(chunk, size_t(n));
        while (frames.next(&frame))
            dispatch(frame);
        if (frames.failed())
            break;
    }
    {
        std::lock_guard<std::mutex> g(lock);
        open = false;
        answered.notify_all();
    }
    ::shutdown(fd, SHUT_RDWR);
    if (onClosed)
        onClosed();
}

void BaresipControl::dispatch(const std::string& frame)
{
    ControlMessage message;
    if (!parseControlMessage(frame.data(), frame.size(), &message))
        return;
    if (message.isEvent()) {
        if (onEvent)
            onEvent(message);
        return;
    }
    if (!message.isResponse())
        return;
    std::lock_guard<std::mutex> g(lock);
    auto it = waiting.find(message.get("token"));
    if (it == waiting.end())
        return;
    it->second->arrived = true;
    it->second->ok = message.get("ok") == "true";
    it->second->data = message.get("data");
    answered.notify_all();
}

bool BaresipControl::write(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

bool BaresipControl::send(const std::vector<Command>& commands)
{
    std::string bytes;
    for (const Command& c : commands)
        bytes += encodeCommand(c.first, c.second, std::string());
    std::lock_guard<std::mutex> g(writeLock);
    return isOpen() && write(bytes);
}

bool BaresipControl::request(const std::string& command, const std::string& params, int timeoutMs, bool* ok,
                             std::string* data, const std::atomic<bool>* cancelled)
{
    Answer answer;
    std::string token;
    {
        std::lock_guard<std::mutex> g(lock);
        if (!open)
            return false;
        token = "q" + std::to_string(nextToken++);
        waiting[token] = &answer;
    }
    bool sent;
    {
        std::lock_guard<std::mutex> g(writeLock);
        sent = write(encodeCommand(command, params, token));
    }
    std::unique_lock<std::mutex> l(lock);
    // A cancel is looked at every 50 ms.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (sent && !answer.arrived && open && !(cancelled && *cancelled) && std::chrono::steady_clock::now() < deadline)
        answered.wait_for(l, std::min<std::chrono::steady_clock::duration>(deadline - std::chrono::steady_clock::now(),
                                                                           std::chrono::milliseconds(50)));
    waiting.erase(token);
    if (!answer.arrived)
        return false;
    *ok = answer.ok;
    *data = answer.data;
    return true;
}

} // namespace telephony
} // namespace platform
