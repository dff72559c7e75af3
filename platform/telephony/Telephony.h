#pragma once
#include "platform/telephony/WaitableEvent.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform {
namespace telephony {

// Capability bits of a line device, with the values the engine's telephone
// code tests for.
enum : uint32_t {
    BEARER_VOICE = 0x1,
    DIGITMODE_DTMF = 0x2,    // a key went down
    DIGITMODE_DTMFEND = 0x4, // a key came up
    MEDIA_AUTOMATEDVOICE = 0x8,
    DEVCAP_DIALDIALTONE = 0x100,
};

// What a line device can do, and its name (empty when it has none).
struct LineCaps {
    uint32_t bearerModes = 0;
    uint32_t monitorDigitModes = 0;
    uint32_t mediaModes = 0;
    uint32_t devCapFlags = 0;
    uint32_t permanentLineId = 0;
    std::string name;
};

// The capabilities of a device that answers voice calls and hears keys.
LineCaps voiceLineCaps(const std::string& name, uint32_t permanentLineId);

// Messages of a session's queue. Call messages name the call in `call`.
enum : uint32_t {
    MSG_CALLSTATE = 2,     // param1: the call state
    MSG_MONITORDIGITS = 9, // param1: the digit character, param2: DIGITMODE_DTMF or _DTMFEND, param3: tick in ms
};
enum : uint32_t {
    CALLSTATE_OFFERING = 0x2,
    CALLSTATE_DISCONNECTED = 0x4000,
    CALLSTATE_CONNECTED = 0x100,
};

struct LineMessage {
    uint32_t call = 0;
    uint32_t message = 0;
    uint32_t param1 = 0;
    uint32_t param2 = 0;
    uint32_t param3 = 0;
};

// Results of the session operations: 0 or a positive request id on
// success, one of these negative codes on failure.
enum : int32_t {
    LINE_ERR_DEVICE = -1,    // no such device
    LINE_ERR_VERSION = -2,   // no version in the range asked for
    LINE_ERR_LINE = -3,      // no such open line
    LINE_ERR_CALL = -4,      // no such call
    LINE_ERR_CALLSTATE = -5, // the call is not in a state for that
    LINE_ERR_MEDIA = -6,     // the device does not take that kind of call
    LINE_ERR_ADDRESS = -7,   // an empty or unusable number
    LINE_ERR_FAILED = -8,    // the service failed
};

// The messages of one session, with the event that is set while any
// wait. A backend pushes; the session's reader takes them with take().
//
// `settle` lets a backend that plays a script on a manual clock wait until
// the reader has handled everything pushed so far (taken it and found the
// queue empty again), so that a run on that clock is repeatable.
class LineMessageQueue {
public:
    LineMessageQueue();
    void push(const LineMessage& message);
    bool take(LineMessage* message);
    WaitableEvent& event() { return ready; }
    // Waits until the reader has come back empty-handed after the last
    // push, the queue was closed or woken, or timeoutMs passed; true when
    // settled.
    bool settle(int timeoutMs);
    // Ends the settle calls in progress (the reader is going).
    void wake();
    // Wakes whoever settles; the queue takes no more messages.
    void close();

private:
    std::mutex lock;
    std::condition_variable drained;
    std::deque<LineMessage> messages;
    WaitableEvent ready;
    uint64_t pushed = 0;
    uint64_t handled = 0; // `pushed` as the reader last found the queue empty
    uint64_t wakes = 0;
    bool closed = false;
};

// One application's use of the telephony service: the devices it sees, the
// lines it opened on them and the calls on those lines, and the queue of
// their messages. Deleting it closes its lines (which drops the calls it
// owns there).
//
// Handles are never 0. A line is opened for incoming voice calls with the
// privilege to answer them (offered calls arrive as OFFERING) and to watch
// their keys.
class LineSession {
public:
    virtual ~LineSession() {}

    virtual uint32_t deviceCount() = 0;
    // The version agreed on within [low, high] into *agreed; 0 or an error.
    virtual int32_t negotiateVersion(uint32_t device, uint32_t low, uint32_t high, uint32_t* agreed) = 0;
    virtual int32_t getCaps(uint32_t device, uint32_t version, LineCaps* caps) = 0;
    virtual int32_t open(uint32_t device, uint32_t version, uint32_t mediaModes, uint32_t* line) = 0;
    // Which line and address state changes are reported; the messages the
    // engine reads (call states, digits) come whatever is chosen.
    virtual int32_t setStatusMessages(uint32_t line, uint32_t lineStates, uint32_t addressStates) = 0;
    virtual int32_t close(uint32_t line) = 0;

    // The event that is set while messages wait; take them with getMessage.
    virtual WaitableEvent& event() = 0;
    // The next message without waiting; false when none waits.
    virtual bool getMessage(LineMessage* message) = 0;

    virtual int32_t answer(uint32_t call) = 0;
    // Which key reports (DIGITMODE_DTMF, DIGITMODE_DTMFEND) the call gives.
    virtual int32_t monitorDigits(uint32_t call, uint32_t digitModes) = 0;
    virtual int32_t drop(uint32_t call) = 0;
    // Forgets a finished call's handle.
    virtual int32_t deallocateCall(uint32_t call) = 0;
    // Places a call to the number; its handle into *call at once.
    virtual int32_t makeCall(uint32_t line, const char* number, uint32_t* call) = 0;
};

// A telephony service: the backend that gives sessions.
class Telephony {
public:
    virtual ~Telephony() {}
    // A new session; null when the service cannot serve one. The service
    // outlives its sessions.
    virtual std::unique_ptr<LineSession> initialize() = 0;
    // Whether its calls come in real time, as a real line's do (false for
    // one that follows the engine's clock).
    virtual bool inRealTime() const { return true; }

    // Told once, on a thread of the service, that the service ended by
    // itself during the run (the program behind it ended, or the
    // connection to it did), with why, before the calls that were going on
    // are reported disconnected; its lines take no call after it. An end
    // that came before a handler was given is told to the first one given,
    // on the thread that gives it, before setEndHandler returns. Once
    // setEndHandler returns, the handler it replaced is not running and is
    // never called again; a handler must not call setEndHandler. Null
    // tells no one. A service that cannot end so never tells.
    using EndHandler = std::function<void(const std::string& why)>;
    virtual void setEndHandler(EndHandler) {}
};

// The service chosen by the environment variable QUARNEL_PHONE:
//   unset or "baresip"      baresip run by us, with the accounts of ~/.baresip/accounts
//   "baresip:<folder>"      baresip run by us with that configuration folder
//   "baresip@<host>:<port>" a running baresip, through its TCP control module
//   "script:<file>"         the scripted service playing that file
//   "none"                  no service
// or the one a program installed with setTelephony. Null when the choice
// gives no service (none, a bad value, an unreadable script), with *why
// set. A baresip is waited for (seconds at most) until
// *cancelled turns true.
std::shared_ptr<Telephony> openTelephony(std::string* why = nullptr, const std::atomic<bool>* cancelled = nullptr);

// What the choice is, without opening it.
struct TelephonyChoice {
    // For messages: "QUARNEL_PHONE=<value>", or what the default is.
    std::string name;
    // Opening it waits for another program (a baresip started or joined);
    // not when none can be started (no account, no baresip), which opening
    // then finds at once.
    bool waits = false;
};
TelephonyChoice telephonyChoice();
// Installs a service that openTelephony gives in place of the choice above
// (null takes the environment's choice back).
void setTelephony(std::shared_ptr<Telephony> service);

} // namespace telephony
} // namespace platform
