#include "platform/telephony/ScriptedTelephony.h"

#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/Timers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace platform {
namespace telephony {

namespace {
// How often the script looks at the clock, and how long a step waits for
// the sessions to handle what it gave them.
const uint32_t POLL_MS = 10;
const int SETTLE_MS = 2000;
} // namespace

class ScriptedTelephony::Session : public LineSession {
public:
    explicit Session(ScriptedTelephony& service) : owner(service), queue(std::make_shared<LineMessageQueue>()) {}

    ~Session() override
    {
        queue->close();
        std::vector<uint32_t> open;
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            open = owner.book.linesOf(queue.get());
        }
        for (uint32_t line : open)
            close(line);
    }

    uint32_t deviceCount() override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        return uint32_t(owner.devices.size());
    }

    int32_t negotiateVersion(uint32_t device, uint32_t low, uint32_t high, uint32_t* agreed) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        if (device >= owner.devices.size())
            return LINE_ERR_DEVICE;
        const Device& d = owner.devices[device];
        const uint32_t from = std::max(low, d.lowVersion), to = std::min(high, d.highVersion);
        if (from > to)
            return LINE_ERR_VERSION;
        *agreed = to;
        return 0;
    }

    int32_t getCaps(uint32_t device, uint32_t, LineCaps* caps) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        if (device >= owner.devices.size())
            return LINE_ERR_DEVICE;
        if (!owner.devices[device].capsReadable)
            return LINE_ERR_FAILED;
        *caps = owner.devices[device].caps;
        return 0;
    }

    int32_t open(uint32_t device, uint32_t, uint32_t mediaModes, uint32_t* line) override
    {
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            if (owner.forced[OPEN])
                return owner.forced[OPEN];
            if (device >= owner.devices.size())
                return LINE_ERR_DEVICE;
            if (!(owner.devices[device].caps.mediaModes & mediaModes))
                return LINE_ERR_MEDIA;
            *line = owner.book.openLine(queue, device);
        }
        owner.lineOpened();
        return 0;
    }

    int32_t setStatusMessages(uint32_t line, uint32_t, uint32_t) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        if (owner.forced[STATUS_MESSAGES])
            return owner.forced[STATUS_MESSAGES];
        return owner.book.findLine(queue.get(), line) ? 0 : LINE_ERR_LINE;
    }

    int32_t close(uint32_t line) override
    {
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            if (!owner.book.findLine(queue.get(), line))
                return LINE_ERR_LINE;
        }
        queue->wake();
        owner.lineClosed(queue.get(), line);
        return 0;
    }

    WaitableEvent& event() override { return queue->event(); }
    bool getMessage(LineMessage* message) override { return queue->take(message); }

    int32_t answer(uint32_t handle) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        if (owner.forced[ANSWER])
            return owner.forced[ANSWER];
        LineBook::Call* call = owner.book.findCall(queue.get(), handle);
        if (!call)
            return LINE_ERR_CALL;
        if (call->connected || call->gone)
            return LINE_ERR_CALLSTATE;
        ++owner.answered;
        call->connected = true;
        LineBook::give(*call, MSG_CALLSTATE, CALLSTATE_CONNECTED);
        return int32_t(owner.book.newHandle());
    }

    int32_t monitorDigits(uint32_t handle, uint32_t digitModes) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        return owner.book.monitorDigits(queue.get(), handle, digitModes);
    }

    // The call ends at once, and its end is reported as the other side
    // hanging up would be.
    int32_t drop(uint32_t handle) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        LineBook::Call* call = owner.book.findCall(queue.get(), handle);
        if (!call)
            return LINE_ERR_CALL;
        if (call->gone)
            return LINE_ERR_CALLSTATE;
        ++owner.dropped;
        call->gone = true;
        LineBook::give(*call, MSG_CALLSTATE, CALLSTATE_DISCONNECTED);
        return int32_t(owner.book.newHandle());
    }

    int32_t deallocateCall(uint32_t handle) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        if (owner.forced[DEALLOCATE])
            return owner.forced[DEALLOCATE];
        return owner.book.deallocateCall(queue.get(), handle);
    }

    int32_t makeCall(uint32_t line, const char* number, uint32_t* handle) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        if (owner.forced[MAKE_CALL])
            return owner.forced[MAKE_CALL];
        LineBook::Line* open = owner.book.findLine(queue.get(), line);
        if (!open)
            return LINE_ERR_LINE;
        if (!number || !*number)
            return LINE_ERR_ADDRESS;
        owner.dialled.push_back(number);
        *handle = owner.book.addCall(*open, false).handle;
        owner.lastCall = *handle;
        return int32_t(owner.book.newHandle());
    }

private:
    ScriptedTelephony& owner;
    LineBook::Queue queue;
};

ScriptedTelephony::ScriptedTelephony() {}

ScriptedTelephony::~ScriptedTelephony()
{
    std::lock_guard<std::mutex> g(timerLock);
    if (timerId && timerOwner)
        timerOwner->kill(timerId);
    timerId = 0;
}

std::shared_ptr<ScriptedTelephony> ScriptedTelephony::parse(const std::string& text, std::string* why)
{
    auto service = std::make_shared<ScriptedTelephony>();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& what) {
        if (why)
            *why = "script line " + std::to_string(number) + ": " + what;
        return nullptr;
    };
    // A whole decimal number up to a day of milliseconds.
    auto readNumber = [](std::istringstream& in, uint32_t* value) {
        std::string word;
        if (!(in >> word) || word.size() > 8 || word.find_first_not_of("0123456789") != std::string::npos)
            return false;
        *value = uint32_t(std::stoul(word));
        return *value <= 86400000u;
    };
    while (std::getline(lines, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream in(line);
        std::string word, rest;
        if (!(in >> word))
            continue;
        uint32_t value = 0, hold = 0;
        if (word == "line") {
            std::getline(in, rest);
            size_t first = rest.find_first_not_of(" \t\r");
            size_t last = rest.find_last_not_of(" \t\r");
            service->addLine(first == std::string::npos ? std::string() : rest.substr(first, last - first + 1));
            continue;
        }
        if (word == "wait") {
            if (!readNumber(in, &value))
                return fail("\"wait\" needs milliseconds");
            service->wait(value);
        } else if (word == "ring") {
            if (!(in >> std::ws).eof() && !readNumber(in, &value))
                return fail("\"ring\" takes a device number");
            service->ring(value);
        } else if (word == "key") {
            std::string digit;
            if (!(in >> digit) || digit.size() != 1 || !std::strchr("0123456789*#ABCD", digit[0]) ||
                !readNumber(in, &hold))
                return fail("\"key\" needs a digit (0-9, *, #, A-D) and milliseconds");
            service->key(digit[0], hold);
        } else if (word == "hangup") {
            service->hangUp();
        } else if (word == "answer") {
            service->answer();
        } else {
            return fail("unknown statement \"" + word + "\"");
        }
        if (in >> rest)
            return fail("more than \"" + word + "\" takes");
    }
    return service;
}

std::shared_ptr<ScriptedTelephony> ScriptedTelephony::fromFile(const std::string& path, std::string* why)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (why)
            *why = "cannot read the script \"" + path + "\"";
        return nullptr;
    }
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < (1u << 20))
        text.append(buffer, n);
    std::fclose(f);
    return parse(text, why);
}

void ScriptedTelephony::addDevice(const Device& device)
{
    std::lock_guard<std::mutex> g(book.lock);
    devices.push_back(device);
}

void ScriptedTelephony::addLine(const std::string& name)
{
    Device d;
    std::lock_guard<std::mutex> g(book.lock);
    d.caps = voiceLineCaps(name, uint32_t(devices.size() + 1));
    devices.push_back(d);
}

void ScriptedTelephony::wait(uint32_t ms)
{
    std::lock_guard<std::mutex> g(book.lock);
    steps.push_back(Step{Step::WAIT, ms});
}

void ScriptedTelephony::ring(uint32_t device)
{
    std::lock_guard<std::mutex> g(book.lock);
    steps.push_back(Step{Step::RING, device});
}

void ScriptedTelephony::key(char digit, uint32_t holdMs)
{
    std::lock_guard<std::mutex> g(book.lock);
    steps.push_back(Step{Step::KEY_DOWN, uint32_t(uint8_t(digit))});
    steps.push_back(Step{Step::WAIT, holdMs});
    steps.push_back(Step{Step::KEY_UP, uint32_t(uint8_t(digit))});
}

void ScriptedTelephony::hangUp()
{
    std::lock_guard<std::mutex> g(book.lock);
    steps.push_back(Step{Step::HANG_UP, 0});
}

void ScriptedTelephony::answer()
{
    std::lock_guard<std::mutex> g(book.lock);
    steps.push_back(Step{Step::ANSWER, 0});
}

void ScriptedTelephony::force(Operation operation, int32_t result)
{
    std::lock_guard<std::mutex> g(book.lock);
    forced[operation] = result;
}

std::vector<std::string> ScriptedTelephony::numbersDialled()
{
    std::lock_guard<std::mutex> g(book.lock);
    return dialled;
}

int ScriptedTelephony::callsAnswered()
{
    std::lock_guard<std::mutex> g(book.lock);
    return answered;
}

int ScriptedTelephony::callsDropped()
{
    std::lock_guard<std::mutex> g(book.lock);
    return dropped;
}

bool ScriptedTelephony::finished()
{
    std::lock_guard<std::mutex> g(book.lock);
    return cursor >= steps.size();
}

std::unique_ptr<LineSession> ScriptedTelephony::initialize()
{
    return std::unique_ptr<LineSession>(new Session(*this));
}

PeriodicTimers* ScriptedTelephony::timers()
{
    if (Platform* p = currentPlatform())
        return &p->timers();
    if (!ownTimers)
        ownTimers.reset(new PeriodicTimers());
    return ownTimers.get();
}

// The script starts when the first line opens, and is followed while any
// line is open.
void ScriptedTelephony::lineOpened()
{
    {
        std::lock_guard<std::mutex> g(book.lock);
        if (!started) {
            started = true;
            nextDue = GetTickCount();
        }
    }
    std::lock_guard<std::mutex> g(timerLock);
    if (!timerId) {
        timerOwner = timers();
        timerId = timerOwner->start(POLL_MS, 1, &ScriptedTelephony::onTimer, this);
    }
}

// Closing a line drops the calls on it, without a report.
void ScriptedTelephony::lineClosed(const LineMessageQueue* queue, uint32_t line)
{
    bool anyOpen;
    {
        std::lock_guard<std::mutex> g(book.lock);
        book.closeLine(queue, line);
        anyOpen = !book.lines.empty();
    }
    if (anyOpen)
        return;
    std::lock_guard<std::mutex> g(timerLock);
    if (timerId && timerOwner)
        timerOwner->kill(timerId);
    timerId = 0;
}

void ScriptedTelephony::onTimer(uint32_t, void* self) { static_cast<ScriptedTelephony*>(self)->poll(); }

void ScriptedTelephony::poll()
{
    for (;;) {
        LineBook::Queue given;
        {
            std::lock_guard<std::mutex> g(book.lock);
            if (cursor >= steps.size() || int32_t(GetTickCount() - nextDue) < 0)
                return;
            const Step step = steps[cursor++];
            if (step.kind == Step::WAIT)
                nextDue += step.value;
            else
                given = play(step, nextDue);
        }
        if (given)
            given->settle(SETTLE_MS);
    }
}

LineBook::Queue ScriptedTelephony::play(const Step& step, uint32_t at)
{
    if (step.kind == Step::RING) {
        LineBook::Line* line = book.lineOnDevice(step.value);
        if (!line)
            return nullptr;
        LineBook::Call& call = book.addCall(*line, true);
        lastCall = call.handle;
        LineBook::give(call, MSG_CALLSTATE, CALLSTATE_OFFERING);
        return call.queue;
    }
    LineBook::Call* call = scriptCall();
    if (!call || call->gone)
        return nullptr;
    switch (step.kind) {
    case Step::KEY_DOWN:
    case Step::KEY_UP: {
        const uint32_t mode = step.kind == Step::KEY_DOWN ? DIGITMODE_DTMF : DIGITMODE_DTMFEND;
        if (!call->connected || !(call->digitModes & mode))
            return nullptr;
        LineBook::give(*call, MSG_MONITORDIGITS, step.value, mode, at);
        break;
    }
    case Step::HANG_UP:
        call->gone = true;
        LineBook::give(*call, MSG_CALLSTATE, CALLSTATE_DISCONNECTED);
        break;
    case Step::ANSWER:
        if (call->connected)
            return nullptr;
        call->connected = true;
        LineBook::give(*call, MSG_CALLSTATE, CALLSTATE_CONNECTED);
        break;
    default: return nullptr;
    }
    return call->queue;
}

LineBook::Call* ScriptedTelephony::scriptCall()
{
    for (LineBook::Call& c : book.calls)
        if (c.handle == lastCall)
            return &c;
    return nullptr;
}

} // namespace telephony
} // namespace platform
