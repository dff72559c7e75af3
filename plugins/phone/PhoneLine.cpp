#include "phone/PhoneLine.h"

#include "base/FileReport.h"
#include "phone/Phone.h"

#include <cstdio>

using namespace platform::telephony;

namespace {
const uint32_t ALL_LINE_STATES = 0xBFFFFF;
const uint32_t ALL_ADDRESS_STATES = 0x1FF;
const size_t MAX_NAME = 255;

// A service that ends during the run is told on standard error, as the
// list's other troubles are.
void tellEnd(const std::string& why) { CFileReport::tell(CXString("phone: ") + why.c_str()); }
} // namespace

// The list

PhoneLineList& PhoneLineList::instance()
{
    static PhoneLineList list;
    return list;
}

bool PhoneLineList::isUsable(const LineCaps& caps)
{
    return (caps.bearerModes & BEARER_VOICE) && (caps.monitorDigitModes & (DIGITMODE_DTMF | DIGITMODE_DTMFEND)) &&
           (caps.mediaModes & MEDIA_AUTOMATEDVOICE) && (caps.devCapFlags & DEVCAP_DIALDIALTONE);
}

// A device whose version or capabilities cannot be read is left out, and
// so is one that is not usable.
PhoneLineList::Found PhoneLineList::build()
{
    Found found;
    std::string why;
    found.service = openTelephony(&why, &cancelled);
    std::unique_ptr<LineSession> session = found.service ? found.service->initialize() : nullptr;
    if (!session) {
        if (found.service)
            why = "the service gives no session";
        found.lastError = CPhoneLine::ERR_INITIALIZE;
        found.service.reset();
    } else {
        std::unique_ptr<PhoneLineInfo>* tail = &found.head;
        const uint32_t devices = session->deviceCount();
        for (uint32_t device = 0; device < devices; ++device) {
            std::unique_ptr<PhoneLineInfo> e(new PhoneLineInfo);
            e->deviceId = device;
            e->position = 1;
            e->caps.reset(new LineCaps);
            if (session->negotiateVersion(device, CPhoneLine::API_VERSION, CPhoneLine::API_VERSION,
                                          &e->apiVersion) != 0 ||
                session->getCaps(device, e->apiVersion, e->caps.get()) != 0)
                continue;
            if (e->caps->name.empty()) {
                char name[32];
                std::snprintf(name, sizeof name, "Linia %u", unsigned(device));
                e->name = name;
            } else {
                e->name = e->caps->name.substr(0, MAX_NAME);
            }
            e->permanentLineId = e->caps->permanentLineId;
            if (!isUsable(*e->caps))
                continue;
            e->position = ++found.count;
            *tail = std::move(e);
            tail = &(*tail)->next;
        }
        if (!found.count) {
            found.service.reset();
            why = devices ? "none of its lines takes voice calls and hears keys" : "it has no line";
        }
    }
    // A build given up has nothing to tell.
    if (!found.count && !why.empty() && !cancelled)
        CFileReport::mistakeAt(CXString("phone"), CXString(), "no telephone line from " + chosen + ": " + why);
    if (found.service)
        found.service->setEndHandler(&tellEnd);
    return found;
}

PhoneLineList::~PhoneLineList()
{
    {
        std::lock_guard<std::mutex> g(lock);
        cancelled = true;
        built.notify_all();
    }
    if (builder.joinable())
        builder.join();
}

void PhoneLineList::keep(Found found)
{
    head = std::move(found.head);
    count = found.count;
    lastError = found.lastError;
    service = std::move(found.service);
    state = BUILT;
    built.notify_all();
}

void PhoneLineList::begin()
{
    PhoneLineList& l = instance();
    std::unique_lock<std::mutex> held(l.lock);
    if (l.state != NOT_BUILT)
        return;
    const platform::telephony::TelephonyChoice choice = platform::telephony::telephonyChoice();
    l.chosen = choice.name;
    if (!choice.waits) {
        l.ensureBuilt(held);
        return;
    }
    l.state = BUILDING;
    // The thread stays until the list is released: a baresip it starts
    // ends with the thread that started it.
    l.builder = std::thread([&l] {
        Found found = l.build();
        std::unique_lock<std::mutex> g(l.lock);
        l.keep(std::move(found));
        l.built.wait(g, [&l] { return l.cancelled.load(); });
    });
}

void PhoneLineList::ensureBuilt(std::unique_lock<std::mutex>& held)
{
    if (state == NOT_BUILT) {
        state = BUILDING;
        if (chosen.empty())
            chosen = platform::telephony::telephonyChoice().name;
        held.unlock();
        Found found = build();
        held.lock();
        keep(std::move(found));
    }
    built.wait(held, [this] { return state == BUILT; });
}

bool PhoneLineList::isBuilt()
{
    PhoneLineList& l = instance();
    std::lock_guard<std::mutex> g(l.lock);
    return l.state == BUILT;
}

int PhoneLineList::getLineCount()
{
    PhoneLineList& l = instance();
    std::unique_lock<std::mutex> held(l.lock);
    l.ensureBuilt(held);
    return l.count;
}

PhoneLineInfo* PhoneLineList::getLineInfo(int index)
{
    PhoneLineList& l = instance();
    std::unique_lock<std::mutex> held(l.lock);
    l.ensureBuilt(held);
    PhoneLineInfo* e = l.head.get();
    for (int i = 0; e && i < index; ++i)
        e = e->next.get();
    return index >= 0 ? e : nullptr;
}

std::shared_ptr<Telephony> PhoneLineList::getService()
{
    PhoneLineList& l = instance();
    std::unique_lock<std::mutex> held(l.lock);
    l.ensureBuilt(held);
    return l.service;
}

int32_t PhoneLineList::getLastError()
{
    PhoneLineList& l = instance();
    std::lock_guard<std::mutex> g(l.lock);
    return l.lastError;
}

std::string PhoneLineList::serviceName()
{
    PhoneLineList& l = instance();
    std::lock_guard<std::mutex> g(l.lock);
    return l.chosen;
}

void PhoneLineList::release()
{
    PhoneLineList& l = instance();
    // A build under way gives up its waits and ends first.
    std::thread building;
    {
        std::lock_guard<std::mutex> g(l.lock);
        l.cancelled = true;
        l.built.notify_all();
        building = std::move(l.builder);
    }
    if (building.joinable())
        building.join();
    std::unique_ptr<PhoneLineInfo> entries;
    std::shared_ptr<Telephony> gone;
    {
        std::lock_guard<std::mutex> g(l.lock);
        entries = std::move(l.head);
        gone = std::move(l.service);
        l.state = NOT_BUILT;
        l.count = 0;
        l.lastError = 0;
        l.chosen.clear();
        l.cancelled = false;
    }
    // The plug-in's code is not called once it is released.
    if (gone)
        gone->setEndHandler(nullptr);
    // Long lists go one entry at a time rather than down a chain of deletes.
    while (entries)
        entries = std::move(entries->next);
}

// The line

CPhoneLine::CPhoneLine(CMC_Phone* phone) : owner(phone) {}

CPhoneLine::~CPhoneLine()
{
    if (thread.joinable() || session || stopEvent)
        shutdown();
}

int32_t CPhoneLine::fail(int32_t code, int32_t error)
{
    lastError = error;
    return code;
}

void CPhoneLine::onKeyDown(int digit)
{
    if (owner)
        owner->onKeyDown(digit);
}

void CPhoneLine::onKeyUp(int digit, uint32_t durationMs)
{
    if (owner)
        owner->onKeyUp(digit, durationMs);
}

void CPhoneLine::onRinging()
{
    if (owner)
        owner->onRinging();
}

void CPhoneLine::onConnected()
{
    if (owner)
        owner->onConnected();
}

void CPhoneLine::onDisconnected()
{
    if (owner)
        owner->onDisconnected();
}

int32_t CPhoneLine::openByIndex(int index, int lineOptions) { return initialize(getLineInfo(index), lineOptions); }

int32_t CPhoneLine::initialize(PhoneLineInfo* lineEntry, int lineOptions)
{
    if (!lineEntry)
        return fail(ERR_INITIALIZE, ERR_NO_ENTRY);
    options = lineOptions;
    if (session)
        return fail(ERR_ALREADY);
    if (!stopEvent)
        stopEvent.reset(new platform::WaitableEvent(true));
    service = PhoneLineList::getService();
    session = service ? service->initialize() : nullptr;
    if (!session) {
        service.reset();
        return fail(ERR_INITIALIZE);
    }
    deviceCount = session->deviceCount();
    deviceId = lineEntry->deviceId;
    position = lineEntry->position;
    entry = lineEntry;
    lastError = 0;
    return 0;
}

int32_t CPhoneLine::openLine()
{
    if (line)
        return fail(ERR_ALREADY);
    if (!session)
        return fail(ERR_OPEN);
    int32_t r = session->negotiateVersion(deviceId, LOWEST_API_VERSION, API_VERSION, &negotiatedVersion);
    LineCaps caps;
    if (r == 0)
        r = session->getCaps(deviceId, requestedVersion, &caps);
    if (r == 0 && !PhoneLineList::isUsable(caps))
        r = LINE_ERR_MEDIA;
    if (r == 0)
        r = session->open(deviceId, API_VERSION, MEDIA_AUTOMATEDVOICE, &line);
    if (r == 0) {
        r = session->setStatusMessages(line, ALL_LINE_STATES, ALL_ADDRESS_STATES);
        if (r != 0)
            session->close(line);
    }
    if (r != 0) {
        // A thread started already waits on the session: it goes first.
        stopThread(0);
        line = 0;
        session.reset();
        return fail(ERR_OPEN, r);
    }
    lastError = 0;
    return 0;
}

int32_t CPhoneLine::startThread()
{
    if (!thread.joinable())
        thread = std::thread([this] { run(); });
    lastError = 0;
    return 0;
}

int32_t CPhoneLine::stopThread(int)
{
    if (thread.joinable()) {
        stopFlag = true;
        if (stopEvent)
            stopEvent->set();
        thread.join();
        stopFlag = false;
    }
    return 0;
}

int32_t CPhoneLine::shutdown()
{
    stopThread(0);
    stopEvent.reset();
    if (session && line)
        session->close(line);
    session.reset();
    service.reset();
    line = 0;
    currentCall = 0;
    return 0;
}

int32_t CPhoneLine::hangUp()
{
    const uint32_t call = currentCall;
    if (call && session)
        session->drop(call);
    return 0;
}

int32_t CPhoneLine::dial(const char* number)
{
    std::lock_guard<std::mutex> g(callLock);
    if (currentCall)
        return fail(ERR_BUSY);
    currentCall = 0;
    requestId = 0;
    onBeforeDial();
    uint32_t call = 0;
    requestId = session && line ? session->makeCall(line, number, &call) : LINE_ERR_LINE;
    if (requestId < 0)
        return fail(ERR_CALL, -1);
    currentCall = call;
    lastError = 0;
    return 0;
}

// Without a session (its line failed to open) the thread only waits to be
// stopped; without a stop event it ends at once.
void CPhoneLine::run()
{
    if (!stopEvent)
        return;
    LineSession* messages = session.get();
    platform::WaitableEvent* events[2] = {stopEvent.get(), messages ? &messages->event() : nullptr};
    do {
        if (platform::WaitableEvent::waitAny(events, 2, -1) == 1) {
            LineMessage m;
            while (messages->getMessage(&m))
                onLineMessage(m);
        }
    } while (!stopFlag);
    stopEvent->reset();
}

void CPhoneLine::onLineMessage(const LineMessage& m)
{
    if (m.message == MSG_CALLSTATE)
        onCallState(m.call, m.param1);
    else if (m.message == MSG_MONITORDIGITS)
        onDigit(m.call, int(m.param1), m.param2, m.param3);
}

void CPhoneLine::onCallState(uint32_t call, uint32_t state)
{
    switch (state) {
    case CALLSTATE_OFFERING: {
        bool answered;
        {
            std::lock_guard<std::mutex> g(callLock);
            // A second call offered during one is left alone.
            if (currentCall)
                return;
            const int32_t r = session->answer(call);
            answered = r >= 0;
            if (answered) {
                requestId = r;
                currentCall = call;
            } else {
                lastError = r;
            }
        }
        if (answered)
            onRinging();
        else
            onError(ERR_ANSWER);
        break;
    }
    case CALLSTATE_CONNECTED:
        if (!call || call != currentCall)
            return;
        session->monitorDigits(call, DIGITMODE_DTMF | DIGITMODE_DTMFEND);
        freeKeyEvents = !(options & OPTION_HOLD_KEYS);
        onConnected();
        playPrompt("witaj.wav");
        playPrompt("przytrzymaj.wav");
        break;
    case CALLSTATE_DISCONNECTED: {
        // Only the end of the current call ends it; another (a call offered
        // during it and given up) is only freed.
        bool current;
        {
            std::lock_guard<std::mutex> g(callLock);
            current = call && call == currentCall;
            if (current)
                currentCall = 0;
        }
        if (!current) {
            session->deallocateCall(call);
            return;
        }
        if (options & OPTION_HOLD_KEYS)
            freeKeyEvents = false;
        onDisconnected();
        if (session->deallocateCall(call) < 0)
            onError(ERR_CALL);
        break;
    }
    default: break;
    }
}

void CPhoneLine::onDigit(uint32_t call, int digit, uint32_t mode, uint32_t ms)
{
    if (!call || call != currentCall)
        return;
    if (mode == DIGITMODE_DTMF) {
        keyDownTime = ms;
        if (freeKeyEvents)
            onKeyDown(digit);
        return;
    }
    const uint32_t duration = ms - keyDownTime;
    if (freeKeyEvents) {
        onKeyUp(digit, duration);
    } else if (duration > LONG_PRESS_MS) {
        playPrompt("brawo.wav");
        freeKeyEvents = true;
        onLongPress(duration);
    } else {
        playPrompt("zakrotko.wav");
        onShortPress(duration);
    }
}
