#pragma once
#include "platform/telephony/Telephony.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CMC_Phone;

// One usable line device of the list.
struct PhoneLineInfo {
    std::unique_ptr<PhoneLineInfo> next;
    std::unique_ptr<platform::telephony::LineCaps> caps;
    uint32_t deviceId = 0;
    uint32_t apiVersion = 0;
    uint32_t permanentLineId = 0;
    int32_t position = 0; // 1-based place in the list
    std::string name;     // the device's, cut to 255 characters, or "Linia <device id>"
};

// The usable line devices of the telephony service (those that take voice
// calls, hear keys, answer in automated voice and dial on a dial tone), in
// device order. One list per loaded plug-in, built on first use from the
// service that QUARNEL_PHONE chooses (platform/telephony/Telephony.h) and
// never built again until it is released; it keeps that service (a baresip
// run by us goes on running) for the lines opened on it.
//
// A service that waits for baresip is opened on a thread of its own, begun
// by begin(), so that the host's frames go on meanwhile; the other queries
// wait for the list. One that cannot be started (no baresip, no account)
// waits for nothing and is found at once. A list without a line is told
// once on standard error with the service chosen and the reason ("none"
// included), and so is a service that ends during the run.
class PhoneLineList {
public:
    // Begins building the list when it is not built or being built: on a
    // thread of its own when the service waits for another program, else
    // at once.
    static void begin();
    // Whether the list is there (the queries below then do not wait).
    static bool isBuilt();
    static int getLineCount();
    // The entry at the zero-based index; null past the end.
    static PhoneLineInfo* getLineInfo(int index);
    // The service of the list, built when there is none; null when there is
    // no service.
    static std::shared_ptr<platform::telephony::Telephony> getService();
    static int32_t getLastError();
    // The service chosen, as messages name it.
    static std::string serviceName();
    // Frees the list and lets its service go (the plug-in's release); a
    // build under way is given up.
    static void release();

    static bool isUsable(const platform::telephony::LineCaps& caps);

    // A build still under way at the end of the program is given up.
    ~PhoneLineList();

private:
    enum State { NOT_BUILT, BUILDING, BUILT };
    // The list as a build found it.
    struct Found {
        std::unique_ptr<PhoneLineInfo> head;
        int count = 0;
        int32_t lastError = 0;
        std::shared_ptr<platform::telephony::Telephony> service;
    };

    static PhoneLineList& instance();
    // Builds the list (called without the lock held) and tells why there
    // is no line.
    Found build();
    // With the lock held: builds at once when nothing is built or under
    // way, then waits for the list.
    void ensureBuilt(std::unique_lock<std::mutex>& held);
    void keep(Found found);

    std::mutex lock;
    std::condition_variable built;
    State state = NOT_BUILT;
    std::thread builder;
    std::atomic<bool> cancelled{false};
    std::string chosen;
    std::unique_ptr<PhoneLineInfo> head;
    int32_t lastError = 0;
    int count = 0;
    std::shared_ptr<platform::telephony::Telephony> service;
};

inline int getLineCount() { return PhoneLineList::getLineCount(); }
inline PhoneLineInfo* getLineInfo(int index) { return PhoneLineList::getLineInfo(index); }

// One opened line of the list: answers the calls offered on it, watches the
// keys the caller presses and reports calls and keys to its owner, from a
// message thread of its own. Made, opened and started in the order
// openByIndex, openLine, startThread; taken down by stopThread, shutdown
// and deletion. The reports reach the owner on the message thread.
//
// Options bit 0 holds key reports back until the caller has held one key
// for more than two seconds (a short press says so through onShortPress,
// the long one through onLongPress); they are held back again after the
// call. Without it keys are reported from the moment a call is connected.
class CPhoneLine {
public:
    // Results besides 0.
    static constexpr int32_t ERR_STOP_EVENT = int32_t(0x80000001);
    static constexpr int32_t ERR_INITIALIZE = int32_t(0x80000002);
    static constexpr int32_t ERR_OPEN = int32_t(0x80000003);
    static constexpr int32_t ERR_ANSWER = int32_t(0x80000004);
    static constexpr int32_t ERR_CALL = int32_t(0x80000005);
    static constexpr int32_t ERR_ALREADY = int32_t(0x80000012);
    static constexpr int32_t ERR_BUSY = int32_t(0x80000013);
    static constexpr int32_t ERR_NO_ENTRY = int32_t(0x80000014); // as last error of initialize
    static constexpr int OPTION_HOLD_KEYS = 1;
    static constexpr uint32_t API_VERSION = 0x00020002;
    static constexpr uint32_t LOWEST_API_VERSION = 0x00010004;
    static constexpr uint32_t LONG_PRESS_MS = 2000;

    explicit CPhoneLine(CMC_Phone* owner);
    // Stops the thread and shuts the line down.
    virtual ~CPhoneLine();
    CPhoneLine(const CPhoneLine&) = delete;
    CPhoneLine& operator=(const CPhoneLine&) = delete;

    // The first five tell the owner; the others do nothing.
    virtual void onKeyDown(int digit);
    virtual void onKeyUp(int digit, uint32_t durationMs);
    virtual void onRinging();
    virtual void onConnected();
    virtual void onDisconnected();
    virtual void onBeforeDial() {}
    virtual void onLongPress(uint32_t) {}
    virtual void onShortPress(uint32_t) {}
    virtual void onError(int) {}

    virtual int32_t startThread();
    // Stops the message thread and waits for it: the wait ends as soon as
    // the thread sees its stop event, so the time-out is not needed.
    virtual int32_t stopThread(int timeoutMs);
    virtual int32_t openByIndex(int index, int options);
    virtual int32_t initialize(PhoneLineInfo* entry, int options);
    // Stops the thread, closes the line (hanging up its call) and ends the
    // session.
    virtual int32_t shutdown();
    virtual int32_t hangUp();
    virtual int32_t openLine();
    virtual int32_t dial(const char* number);

    int32_t getLastError() const { return lastError; }
    bool hasCall() const { return currentCall != 0; }

private:
    int32_t fail(int32_t code, int32_t error);
    int32_t fail(int32_t code) { return fail(code, code); }
    void run();
    void onLineMessage(const platform::telephony::LineMessage& message);
    void onCallState(uint32_t call, uint32_t state);
    void onDigit(uint32_t call, int digit, uint32_t mode, uint32_t ms);
    // Names a prompt for the caller; none is played.
    int32_t playPrompt(const char*) { return 0; }

    std::shared_ptr<platform::telephony::Telephony> service;
    std::unique_ptr<platform::telephony::LineSession> session;
    uint32_t line = 0;
    std::atomic<uint32_t> currentCall{0};
    std::unique_ptr<platform::WaitableEvent> stopEvent;
    std::atomic<int32_t> lastError{0};
    std::atomic<bool> stopFlag{false};
    uint32_t deviceCount = 0;
    std::thread thread;
    uint32_t deviceId = 0;
    uint32_t requestedVersion = API_VERSION;
    uint32_t negotiatedVersion = 0;
    uint32_t keyDownTime = 0;
    int32_t requestId = 0;
    int options = 0;
    bool freeKeyEvents = false;
    int32_t position = 0;
    CMC_Phone* owner;
    PhoneLineInfo* entry = nullptr;
    std::mutex callLock; // the current call between the thread and dial
};
