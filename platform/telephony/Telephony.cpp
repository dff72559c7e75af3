#include "platform/telephony/Telephony.h"

#include "platform/telephony/Baresip.h"
#include "platform/telephony/BaresipProcess.h"
#include "platform/telephony/ScriptedTelephony.h"

#include <chrono>
#include <cstdlib>

namespace platform {
namespace telephony {

LineCaps voiceLineCaps(const std::string& name, uint32_t permanentLineId)
{
    LineCaps caps;
    caps.bearerModes = BEARER_VOICE;
    caps.monitorDigitModes = DIGITMODE_DTMF | DIGITMODE_DTMFEND;
    caps.mediaModes = MEDIA_AUTOMATEDVOICE;
    caps.devCapFlags = DEVCAP_DIALDIALTONE;
    caps.permanentLineId = permanentLineId;
    caps.name = name;
    return caps;
}

LineMessageQueue::LineMessageQueue() : ready(true) {}

void LineMessageQueue::push(const LineMessage& message)
{
    std::lock_guard<std::mutex> g(lock);
    if (closed)
        return;
    messages.push_back(message);
    ++pushed;
    ready.set();
}

bool LineMessageQueue::take(LineMessage* message)
{
    std::lock_guard<std::mutex> g(lock);
    if (messages.empty()) {
        ready.reset();
        handled = pushed;
        drained.notify_all();
        return false;
    }
    *message = messages.front();
    messages.pop_front();
    return true;
}

bool LineMessageQueue::settle(int timeoutMs)
{
    std::unique_lock<std::mutex> l(lock);
    const uint64_t woken = wakes;
    drained.wait_for(l, std::chrono::milliseconds(timeoutMs),
                     [&] { return closed || wakes != woken || handled == pushed; });
    return handled == pushed;
}

void LineMessageQueue::wake()
{
    std::lock_guard<std::mutex> g(lock);
    ++wakes;
    drained.notify_all();
}

void LineMessageQueue::close()
{
    std::lock_guard<std::mutex> g(lock);
    closed = true;
    messages.clear();
    ready.reset();
    drained.notify_all();
}

namespace {

std::mutex installedLock;
std::shared_ptr<Telephony> installed;

std::string chosenValue()
{
    const char* value = std::getenv("QUARNEL_PHONE");
    return value ? value : "";
}

std::shared_ptr<Telephony> fromEnvironment(std::string* why, const std::atomic<bool>* cancelled)
{
    const std::string choice = chosenValue();
    std::shared_ptr<Telephony> service;
    if (choice.empty() || choice == "baresip") {
        service = startBaresip(std::string(), why, cancelled);
    } else if (choice.compare(0, 8, "baresip:") == 0) {
        if (choice.size() > 8)
            service = startBaresip(choice.substr(8), why, cancelled);
        else
            *why = "no folder after \"baresip:\"";
    } else if (choice.compare(0, 8, "baresip@") == 0) {
        service = joinBaresip(choice.substr(8), why, cancelled);
    } else if (choice.compare(0, 7, "script:") == 0) {
        service = ScriptedTelephony::fromFile(choice.substr(7), why);
    } else if (choice == "none") {
        *why = "it chooses none";
    } else {
        *why = "no such service (baresip, baresip:<folder>, baresip@<host>:<port>, script:<file> or none)";
    }
    return service;
}

} // namespace

std::shared_ptr<Telephony> openTelephony(std::string* why, const std::atomic<bool>* cancelled)
{
    std::string ignored;
    if (!why)
        why = &ignored;
    why->clear();
    {
        std::lock_guard<std::mutex> g(installedLock);
        if (installed)
            return installed;
    }
    return fromEnvironment(why, cancelled);
}

TelephonyChoice telephonyChoice()
{
    TelephonyChoice c;
    {
        std::lock_guard<std::mutex> g(installedLock);
        if (installed) {
            c.name = "the telephony service of the program";
            return c;
        }
    }
    const std::string choice = chosenValue();
    c.name = choice.empty() ? "baresip (QUARNEL_PHONE unset)" : "QUARNEL_PHONE=" + choice;
    // Joining one reaches another program; one that cannot be started
    // fails at once (no account, no baresip), without waiting.
    std::string why;
    if (choice.compare(0, 8, "baresip@") == 0)
        c.waits = true;
    else if (choice.empty() || choice == "baresip")
        c.waits = canStartBaresip(std::string(), &why);
    else if (choice.compare(0, 8, "baresip:") == 0)
        c.waits = choice.size() > 8 && canStartBaresip(choice.substr(8), &why);
    return c;
}

void setTelephony(std::shared_ptr<Telephony> service)
{
    std::lock_guard<std::mutex> g(installedLock);
    installed = std::move(service);
}

} // namespace telephony
} // namespace platform
