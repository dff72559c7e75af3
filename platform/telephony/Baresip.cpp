#include "platform/telephony/Baresip.h"

#include "platform/Clock.h"
#include "platform/telephony/BaresipControl.h"
#include "platform/telephony/BaresipProcess.h"
#include "platform/telephony/LineBook.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace platform {
namespace telephony {

namespace {

const uint32_t LOWEST_VERSION = 0x00010000, HIGHEST_VERSION = 0x00020002;
// How long a baresip we run may take to open its control port, and an
// answer to a question may take.
const int START_MS = 5000;
const int ANSWER_MS = 3000;
const int RUN_ATTEMPTS = 3;
// How long a baresip of ours that closed its control connection is given to
// end, so that the end is told with its exit status.
const int CLOSED_END_MS = 1000;

// The accounts that the "reginfo" command lists, one a line after a
// heading: "> sip:user@host  status" (the current one marked with '>').
std::vector<std::string> listedAccounts(const std::string& data)
{
    std::vector<std::string> accounts;
    std::istringstream lines(data);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string word;
        if (in >> word && word == ">")
            in >> word;
        if (word.compare(0, 4, "sip:") == 0 || word.compare(0, 5, "sips:") == 0)
            accounts.push_back(word);
    }
    return accounts;
}

class BaresipTelephony : public Telephony {
public:
    BaresipTelephony(std::unique_ptr<BaresipProcess> running, std::unique_ptr<BaresipControl> connection)
        : process(std::move(running)), control(std::move(connection))
    {
    }

    ~BaresipTelephony() override
    {
        // The reader goes first: after it nothing calls in any more. The
        // connection and the process ended here are not told.
        closing = true;
        control.reset();
        process.reset();
    }

    // Starts taking events and reads the accounts; false with *why set when
    // there is none.
    bool begin(const std::string& address, std::string* why, const std::atomic<bool>* cancelled)
    {
        controlAddress = address;
        control->start([this](const ControlMessage& m) { onEvent(m); }, [this] { onClosed(); });
        bool ok = false;
        std::string data;
        if (!control->request("reginfo", std::string(), ANSWER_MS, &ok, &data, cancelled) || !ok) {
            *why = "baresip at " + address + " does not answer \"reginfo\" within " +
                   std::to_string(ANSWER_MS / 1000) + " s";
            return false;
        }
        accounts = listedAccounts(data);
        if (accounts.empty())
            *why = "baresip at " + address + " has no account";
        return !accounts.empty();
    }

    std::unique_ptr<LineSession> initialize() override;
    void setEndHandler(EndHandler handler) override;

private:
    class Session;

    void onEvent(const ControlMessage& event);
    void onClosed();
    void tellEnd(const std::string& why);
    LineBook::Call* callById(const std::string& id);
    // The commands that make the call current in baresip, then `command`.
    static std::vector<BaresipControl::Command> onCall(const LineBook::Call& call, const char* command);

    std::unique_ptr<BaresipProcess> process;
    std::unique_ptr<BaresipControl> control;
    std::vector<std::string> accounts; // fixed once begun
    LineBook book;
    std::string controlAddress;
    std::atomic<bool> closing{false};
    std::mutex endLock; // over the three below, and held while the handler runs
    EndHandler endHandler;
    std::string endWhy; // the end, while no handler has been told of it
    bool endTold = false;
};

class BaresipTelephony::Session : public LineSession {
public:
    explicit Session(BaresipTelephony& service) : owner(service), queue(std::make_shared<LineMessageQueue>()) {}

    ~Session() override
    {
        std::vector<uint32_t> open;
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            open = owner.book.linesOf(queue.get());
        }
        for (uint32_t line : open)
            close(line);
        queue->close();
    }

    uint32_t deviceCount() override { return uint32_t(owner.accounts.size()); }

    int32_t negotiateVersion(uint32_t device, uint32_t low, uint32_t high, uint32_t* agreed) override
    {
        if (device >= owner.accounts.size())
            return LINE_ERR_DEVICE;
        if (std::max(low, LOWEST_VERSION) > std::min(high, HIGHEST_VERSION))
            return LINE_ERR_VERSION;
        *agreed = std::min(high, HIGHEST_VERSION);
        return 0;
    }

    int32_t getCaps(uint32_t device, uint32_t, LineCaps* caps) override
    {
        if (device >= owner.accounts.size())
            return LINE_ERR_DEVICE;
        *caps = voiceLineCaps(owner.accounts[device], device + 1);
        return 0;
    }

    int32_t open(uint32_t device, uint32_t, uint32_t mediaModes, uint32_t* line) override
    {
        if (device >= owner.accounts.size())
            return LINE_ERR_DEVICE;
        if (!(mediaModes & MEDIA_AUTOMATEDVOICE))
            return LINE_ERR_MEDIA;
        std::lock_guard<std::mutex> g(owner.book.lock);
        *line = owner.book.openLine(queue, device);
        return 0;
    }

    int32_t setStatusMessages(uint32_t line, uint32_t, uint32_t) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        return owner.book.findLine(queue.get(), line) ? 0 : LINE_ERR_LINE;
    }

    // The calls still going on the line are hung up (not those still
    // offered: they were never taken).
    int32_t close(uint32_t line) override
    {
        std::vector<BaresipControl::Command> commands;
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            if (!owner.book.findLine(queue.get(), line))
                return LINE_ERR_LINE;
            for (const LineBook::Call& c : owner.book.closeLine(queue.get(), line))
                if (!c.gone && (c.connected || !c.incoming)) {
                    auto drop = BaresipTelephony::onCall(c, "hangup");
                    commands.insert(commands.end(), drop.begin(), drop.end());
                }
        }
        if (!commands.empty())
            owner.control->send(commands);
        return 0;
    }

    WaitableEvent& event() override { return queue->event(); }
    bool getMessage(LineMessage* message) override { return queue->take(message); }

    int32_t answer(uint32_t handle) override
    {
        return onCall(handle, "accept", [](const LineBook::Call& c) {
            return !c.incoming || c.connected || c.gone ? LINE_ERR_CALLSTATE : 0;
        });
    }

    int32_t monitorDigits(uint32_t handle, uint32_t digitModes) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        return owner.book.monitorDigits(queue.get(), handle, digitModes);
    }

    // The end comes as baresip reports the call closed.
    int32_t drop(uint32_t handle) override
    {
        return onCall(handle, "hangup", [](const LineBook::Call& c) { return c.gone ? LINE_ERR_CALLSTATE : 0; });
    }

    int32_t deallocateCall(uint32_t handle) override
    {
        std::lock_guard<std::mutex> g(owner.book.lock);
        return owner.book.deallocateCall(queue.get(), handle);
    }

    int32_t makeCall(uint32_t line, const char* number, uint32_t* handle) override
    {
        std::vector<BaresipControl::Command> commands;
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            LineBook::Line* open = owner.book.findLine(queue.get(), line);
            if (!open)
                return LINE_ERR_LINE;
            const std::string to = number ? number : "";
            if (to.empty() || std::any_of(to.begin(), to.end(), [](char c) { return uint8_t(c) <= ' '; }))
                return LINE_ERR_ADDRESS;
            LineBook::Call& call = owner.book.addCall(*open, false);
            call.account = owner.accounts[open->device];
            *handle = call.handle;
            commands = {{"uafind", call.account}, {"dial", to}};
        }
        return sent(commands);
    }

private:
    // Sends the command for the call when `refuse` finds nothing against it.
    template <class Refuse>
    int32_t onCall(uint32_t handle, const char* command, Refuse refuse)
    {
        std::vector<BaresipControl::Command> commands;
        {
            std::lock_guard<std::mutex> g(owner.book.lock);
            LineBook::Call* call = owner.book.findCall(queue.get(), handle);
            if (!call)
                return LINE_ERR_CALL;
            if (const int32_t r = refuse(*call))
                return r;
            commands = BaresipTelephony::onCall(*call, command);
        }
        return sent(commands);
    }
    // A request id when the commands went out.
    int32_t sent(const std::vector<BaresipControl::Command>& commands)
    {
        if (!owner.control->send(commands))
            return LINE_ERR_FAILED;
        std::lock_guard<std::mutex> g(owner.book.lock);
        return int32_t(owner.book.newHandle());
    }

    BaresipTelephony& owner;
    LineBook::Queue queue;
};

std::unique_ptr<LineSession> BaresipTelephony::initialize() { return std::unique_ptr<LineSession>(new Session(*this)); }

std::vector<BaresipControl::Command> BaresipTelephony::onCall(const LineBook::Call& call, const char* command)
{
    if (call.id.empty())
        return {{"uafind", call.account}, {command, std::string()}};
    return {{"callfind", call.id}, {command, std::string()}};
}

LineBook::Call* BaresipTelephony::callById(const std::string& id)
{
    for (LineBook::Call& c : book.calls)
        if (c.id == id)
            return &c;
    return nullptr;
}

void BaresipTelephony::onEvent(const ControlMessage& event)
{
    const std::string type = event.get("type");
    const std::string id = event.get("id");
    const std::string account = event.get("accountaor");
    if (id.empty() || type.compare(0, 5, "CALL_") != 0)
        return;
    std::lock_guard<std::mutex> g(book.lock);
    LineBook::Call* call = callById(id);
    if (type == "CALL_INCOMING") {
        if (call)
            return;
        for (const LineBook::Line& l : book.lines)
            if (accounts[l.device] == account) {
                LineBook::Call& offered = book.addCall(l, true);
                offered.account = account;
                offered.id = id;
                LineBook::give(offered, MSG_CALLSTATE, CALLSTATE_OFFERING);
                return;
            }
        return;
    }
    // The first event of a call we placed gives it its id.
    if (!call && event.get("direction") == "outgoing")
        for (LineBook::Call& c : book.calls)
            if (!c.incoming && c.id.empty() && c.account == account) {
                c.id = id;
                call = &c;
                break;
            }
    if (!call || call->gone)
        return;
    if (type == "CALL_ESTABLISHED" && !call->connected) {
        call->connected = true;
        LineBook::give(*call, MSG_CALLSTATE, CALLSTATE_CONNECTED);
    } else if (type == "CALL_CLOSED") {
        call->gone = true;
        LineBook::give(*call, MSG_CALLSTATE, CALLSTATE_DISCONNECTED);
    } else if (type == "CALL_DTMF_START" && call->connected) {
        const std::string key = event.get("param");
        if (key.size() != 1)
            return;
        call->lastDigit = key[0];
        if (call->digitModes & DIGITMODE_DTMF)
            LineBook::give(*call, MSG_MONITORDIGITS, uint8_t(key[0]), DIGITMODE_DTMF, GetTickCount());
    } else if (type == "CALL_DTMF_END" && call->connected && call->lastDigit) {
        // The end names no key: it is the one that went down last.
        if (call->digitModes & DIGITMODE_DTMFEND)
            LineBook::give(*call, MSG_MONITORDIGITS, uint8_t(call->lastDigit), DIGITMODE_DTMFEND, GetTickCount());
        call->lastDigit = 0;
    }
}

// The handler is called under the lock, so that once a new one is given
// the old one is neither running nor ever called again.
void BaresipTelephony::setEndHandler(EndHandler handler)
{
    std::lock_guard<std::mutex> g(endLock);
    endHandler = std::move(handler);
    if (!endHandler || endWhy.empty() || endTold)
        return;
    endTold = true;
    endHandler(endWhy);
}

void BaresipTelephony::tellEnd(const std::string& why)
{
    std::lock_guard<std::mutex> g(endLock);
    if (endTold || !endWhy.empty())
        return;
    endWhy = why;
    if (!endHandler)
        return;
    endTold = true;
    endHandler(why);
}

// Without baresip no call goes on. An end we did not ask for is told first,
// with the exit status of a baresip of ours.
void BaresipTelephony::onClosed()
{
    if (!closing) {
        std::string how;
        if (process && process->waitEnd(CLOSED_END_MS, &how))
            tellEnd("baresip ended during the run (" + how + "): its lines are gone for the rest of the run");
        else
            tellEnd("the control connection to baresip at " + controlAddress +
                    " ended: its lines are gone for the rest of the run");
    }
    std::lock_guard<std::mutex> g(book.lock);
    for (LineBook::Call& c : book.calls)
        if (!c.gone) {
            c.gone = true;
            LineBook::give(c, MSG_CALLSTATE, CALLSTATE_DISCONNECTED);
        }
}

std::shared_ptr<Telephony> serve(std::unique_ptr<BaresipProcess> process, std::unique_ptr<BaresipControl> control,
                                 const std::string& address, std::string* why, const std::atomic<bool>* cancelled)
{
    auto service = std::make_shared<BaresipTelephony>(std::move(process), std::move(control));
    if (!service->begin(address, why, cancelled))
        return nullptr;
    return service;
}

bool isCancelled(const std::atomic<bool>* cancelled) { return cancelled && *cancelled; }

} // namespace

std::shared_ptr<Telephony> startBaresip(const std::string& folder, std::string* why,
                                        const std::atomic<bool>* cancelled)
{
    // Exactly what canStartBaresip refuses fails here at once, without a
    // wait, as a headless run told so by it expects.
    if (!canStartBaresip(folder, why))
        return nullptr;
    // A folder of our own gets a new port on each attempt: another program
    // may take the one chosen before baresip opens it.
    for (int attempt = 0; attempt < RUN_ATTEMPTS && !isCancelled(cancelled); ++attempt) {
        std::string runFolder = folder;
        if (folder.empty() && !makeRunFolder(&runFolder, why))
            return nullptr;
        std::string host;
        uint16_t port = 0;
        const bool readable = controlAddress(runFolder, &host, &port, why);
        std::unique_ptr<BaresipProcess> process = readable ? BaresipProcess::start(runFolder, why) : nullptr;
        if (!process) {
            if (folder.empty()) {
                std::error_code ignored;
                std::filesystem::remove_all(runFolder, ignored);
            }
            return nullptr;
        }
        if (folder.empty())
            process->removeFolderAtEnd();
        BaresipProcess* running = process.get();
        auto control = BaresipControl::connect(
            host, port, START_MS, [running, cancelled] { return running->running() && !isCancelled(cancelled); },
            why);
        const std::string address = host + ":" + std::to_string(port);
        if (control)
            return serve(std::move(process), std::move(control), address, why, cancelled);
        if (isCancelled(cancelled))
            break;
        // One that runs and has not answered will not answer another time.
        if (running->running()) {
            *why = "baresip runs, but its control module did not answer at " + address + " within " +
                   std::to_string(START_MS / 1000) + " s";
            break;
        }
        *why = "baresip ended before its control module answered at " + address +
               " (QUARNEL_DEBUG shows what baresip says)";
        if (!folder.empty())
            break;
    }
    return nullptr;
}

std::shared_ptr<Telephony> joinBaresip(const std::string& address, std::string* why,
                                       const std::atomic<bool>* cancelled)
{
    const size_t colon = address.rfind(':');
    std::string host = colon == std::string::npos ? std::string() : address.substr(0, colon);
    const std::string number = colon == std::string::npos ? std::string() : address.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const long port = number.size() <= 5 && number.find_first_not_of("0123456789") == std::string::npos
                          ? std::strtol(number.c_str(), nullptr, 10)
                          : 0;
    if (host.empty() || port < 1 || port > 65535) {
        *why = "cannot read the address \"" + address + "\" (host:port)";
        return nullptr;
    }
    auto control = BaresipControl::connect(host, uint16_t(port), ANSWER_MS, nullptr, why);
    return control ? serve(nullptr, std::move(control), address, why, cancelled) : nullptr;
}

} // namespace telephony
} // namespace platform
