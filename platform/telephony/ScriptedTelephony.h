#pragma once
#include "platform/telephony/LineBook.h"
#include "platform/telephony/Telephony.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

class PeriodicTimers;

namespace telephony {

// A telephony service that plays a script: its devices are listed as
// given, and once a session opens a line the script's steps come one after
// the other: a call offered, keys pressed and released, the caller hanging
// up. Tests drive the telephone code with it; the host uses it when
// QUARNEL_PHONE names a script file.
//
// The steps follow the clock of the current platform's periodic timers (a
// timer of its own on the current clock without a platform). Each step that
// gives messages waits (at most two seconds) until the sessions that got
// them have handled them, calls they made or answered included, before the
// next one comes: on a manual clock the thread that moves it returns only
// after that, so a run on it is repeatable.
//
// Steps act on the script's call: the latest offered or made. A call
// answered is connected at once; keys reach a session only while it
// monitors the call's digits, and a digit's tick is its step's time, so
// that a key held for 300 ms reports exactly that.
//
// Script file, one statement a line ('#' starts a comment):
//   line [name]        a device that takes voice calls and hears keys
//   wait <ms>          time passes
//   ring [device]      a call is offered on that device (0 by default)
//   key <digit> <ms>   a key (0-9, *, #, A-D) is held for ms
//   hangup             the other party hangs up
//   answer             the party that was called answers
class ScriptedTelephony : public Telephony {
public:
    struct Device {
        LineCaps caps;
        uint32_t lowVersion = 0x00010000;
        uint32_t highVersion = 0x00020002;
        bool capsReadable = true;
    };
    // Operations whose result a test can force.
    enum Operation { OPEN, STATUS_MESSAGES, ANSWER, DEALLOCATE, MAKE_CALL, OPERATION_COUNT };

    ScriptedTelephony();
    ~ScriptedTelephony() override;
    ScriptedTelephony(const ScriptedTelephony&) = delete;
    ScriptedTelephony& operator=(const ScriptedTelephony&) = delete;

    // Null with *why set when the text holds a statement it cannot read.
    static std::shared_ptr<ScriptedTelephony> parse(const std::string& text, std::string* why);
    static std::shared_ptr<ScriptedTelephony> fromFile(const std::string& path, std::string* why);

    void addDevice(const Device& device);
    void addLine(const std::string& name);
    void wait(uint32_t ms);
    void ring(uint32_t device = 0);
    void key(char digit, uint32_t holdMs);
    void hangUp();
    void answer();
    // The next calls of the operation give this result (0 gives back the
    // normal behaviour).
    void force(Operation operation, int32_t result);

    // What the sessions did, and whether every step has come.
    std::vector<std::string> numbersDialled();
    int callsAnswered();
    int callsDropped();
    bool finished();

    std::unique_ptr<LineSession> initialize() override;
    // Its steps follow the engine's clock: a headless run on it stays on
    // the virtual clock, and repeatable.
    bool inRealTime() const override { return false; }

private:
    class Session;
    struct Step {
        enum Kind { WAIT, RING, KEY_DOWN, KEY_UP, HANG_UP, ANSWER } kind;
        uint32_t value; // ms, device or digit
    };

    static void onTimer(uint32_t id, void* self);
    void poll();
    // Plays one step under the lock; the session queue it gave to, or null.
    LineBook::Queue play(const Step& step, uint32_t at);
    LineBook::Call* scriptCall();
    void lineOpened();
    void lineClosed(const LineMessageQueue* queue, uint32_t line);
    PeriodicTimers* timers();

    LineBook book; // its lock is over all below
    std::vector<Device> devices;
    std::vector<Step> steps;
    int32_t forced[OPERATION_COUNT] = {};
    size_t cursor = 0;
    uint32_t nextDue = 0;
    bool started = false;
    uint32_t lastCall = 0;
    std::vector<std::string> dialled;
    int answered = 0;
    int dropped = 0;

    std::mutex timerLock; // over the three below; never taken under the book's lock
    std::unique_ptr<PeriodicTimers> ownTimers;
    PeriodicTimers* timerOwner = nullptr;
    uint32_t timerId = 0;
};

} // namespace telephony
} // namespace platform
