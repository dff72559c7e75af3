#pragma once
#include "base/XTimer.h"
#include "script/BehaviourBase.h"

class CMC_Behaviour_Entry;
class CMC_Variable;
class CXArchive;

// A named piece of script code (type BEHAVIOUR) with an optional condition.
// Its code is split into statements and parsed once (init); run executes
// them in order for an owner object and parameter texts ($1, $2, ...) until
// one returns a stop value.
//
// Lifetime rules that keep running code safe:
// - A behaviour that is running is never freed at once: whoever deletes it
//   (a container replacing it by name, a statement releasing its anonymous
//   behaviour) hands it to CMC_Disposal, which finishes it and frees it at
//   the next frame.
// - Lines replaced while the behaviour runs (setParams, init) are kept
//   until its outermost run ends.
// - On a timer (runOnTimer) the behaviour is in the window's deferred-
//   deletion trash; when the timed run ends it leaves its container and is
//   marked for deletion; its lines go at once (after the run, when it is
//   running), so that its anonymous behaviours leave the container while
//   that still exists. Deleted earlier (its container unloads), it takes
//   itself off the timer and out of that trash.
// - A behaviour that outlives its container, waiting to be freed or kept
//   (CMC_Disposal), drops its lines and its scene when the container goes.
class CMC_Behaviour : public CMC_BehaviourBase, public CTimerNotificator {
public:
    // For reading a snapshot record back: no name, no code, nothing parsed.
    explicit CMC_Behaviour(CMC_ObjectsContainer* container);
    // From a definition record: "CODE" (outer braces dropped) and "CONDITION".
    CMC_Behaviour(CMC_ObjectsContainer* container, CMElement* element);
    // Made at run time; code is trimmed of blanks.
    CMC_Behaviour(CMC_ObjectsContainer* container, const CXString& name, const CXString& code);
    CMC_Behaviour(const CMC_Behaviour&) = delete;
    CMC_Behaviour& operator=(const CMC_Behaviour&) = delete;
    ~CMC_Behaviour() override;

    // Parses the code (outer braces dropped) into lines; code already parsed
    // as it stands is kept.
    void init() override;
    // Releases the lines; with final false the anonymous behaviours they
    // made leave the container and are deleted, with true the container
    // deletes them.
    bool done(bool final) override;
    // Binds the condition named in the definition (a CONDITION or
    // COMPLEXCONDITION object; any other object binds nothing).
    void resolveCondition() override;
    // Runs the lines for owner with params ($1 is the first text). False at
    // once when disabled, without lines or when checkCondition is set and
    // the condition does not hold. True when a line stopped with -1.
    bool run(CMC_Object* owner, CXArray* params, bool checkCondition) override;
    // Base record, then the code and the condition name.
    void serialize(CXArchive* archive) override;

    // An object to take out of the container and delete when the current
    // run ends (local variables).
    virtual void addTempObject(CMC_Object* object);
    // Runs the behaviour every interval ms on the engine timer; $1 is the
    // tick number. Ends after limit ticks (limit > 0) or a run that returns
    // true; endBehaviour then runs once. Takes ownership of params.
    virtual void runOnTimer(int interval, int limit, CXArray* params, CMC_Behaviour* endBehaviour);
    // Ends a timed run without the end behaviour; the behaviour leaves its
    // container and is deleted (also when it was not on a timer).
    virtual void _break();
    void onTimer(int id) override;

    // Re-parses the code with each "$c" (c = '1' + i, i < count) replaced by
    // the i-th parameter; the code itself stays.
    void setParams(CXArray* params);

    CXString getCode() const { return code; }
    CXString getCodition() const { return conditionName; }
    CMC_Behaviour_Entry** getLines() const { return lines; }
    bool isEnabled() const { return enabled; }
    void enable(bool on) { enabled = on; }
    int getBreakpoint() const { return breakpoint; }
    void setBreakpoint(int line) { breakpoint = line; }
    void resetBreakpoint() { breakpoint = -1; }
    bool isRunning() const override { return running > 0; }
    bool isOnTimer() const { return timerId != 0; }
    CMC_Object* getCondition();

    // The text-driven evaluator of inline conditions: runs a call text such
    // as A^GET() or @CONV(5,STRING) at once, without parsing statements.
    static CMC_Variable* runLine(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& text,
                                 CMC_Behaviour* behaviour);
    static CMC_Object* resolveObject(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& head,
                                     CXString* method, CMC_Behaviour* behaviour);
    // A new vector of the values of a comma-separated argument text; null
    // for an empty text. The caller releases each with releaseValue.
    static CXVector* resolveParameters(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& text,
                                       CMC_Behaviour* behaviour);
    // The value of one operand text: an inline expression, a call, a
    // literal, a structure field or a basic variable by name. The caller
    // releases it with releaseValue.
    static CMC_Variable* resolveParameter(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& text,
                                          CMC_Behaviour* behaviour);
    // The same for length bytes of text.
    static CMC_Variable* resolveParameter(CMC_ObjectsContainer* scene, CMC_Object* owner, const char* text,
                                          int length, CMC_Behaviour* behaviour);
    // Gives back a statement's result: a temporary to its pool; a copy made
    // by clone() that no container lists is deleted; other objects stay.
    static void releaseResult(CMC_Variable* value, CMC_ObjectsContainer* scene)
    {
        if (value && !isStopValue(value))
            releaseObject(value, scene);
    }
    // Gives back what resolveParameter made: as releaseResult, and an inline
    // expression is deleted.
    static void releaseValue(CMC_Variable* value, CMC_ObjectsContainer* scene);

    // How deep script evaluation may nest (behaviours running behaviours,
    // expressions and conditions that refer to themselves, a group's call
    // that comes back to the group); deeper runs do nothing. Once the bound
    // is met, nothing nests again until the evaluation is back at the
    // outermost one (the behaviour an event ran goes on with its next
    // statement): code that runs itself more than once per level would
    // otherwise go on for an exponential time. Standard error says so once.
    // Hold a Nesting while evaluating.
    // OUTERMOST is the level of the behaviour an event runs (its own
    // Nesting); its statements run one level deeper.
    enum { MAX_NESTING = 400, OUTERMOST = 1 };
    class Nesting {
    public:
        Nesting() : allowed(nesting < MAX_NESTING && !brokenOff)
        {
            if (!allowed)
                breakOff();
            ++nesting;
        }
        ~Nesting()
        {
            if (--nesting <= OUTERMOST)
                brokenOff = false;
        }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;
        bool ok() const { return allowed; }

    private:
        bool allowed;
    };
    // A budget of statements, loop passes and parsing for the whole process
    // (0, the default, is none). Once spent, statements stop with -2, loops
    // end and parsing makes inert statements; used to bound the run of
    // untrusted code.
    static void setStepLimit(long long steps);
    // Counts one step; false when the budget is spent.
    static bool step() { return stepLimit <= 0 || ++steps <= stepLimit; }
    // Counts the work on length bytes of text (parsing it, filling in
    // parameters): a step and one more for every 64 bytes.
    static bool charge(int length) { return stepLimit <= 0 || (steps += 1 + length / 64) <= stepLimit; }

private:
    static void releaseObject(CMC_Variable* value, CMC_ObjectsContainer* scene);
    // The bound on nesting is met: what is under way is broken off.
    static void breakOff();
    static bool brokenOff;

    static long long stepLimit;
    static long long steps;

    void leaveScene() override;
    void parse(const CXString& text);
    void releaseLines(bool final);
    // The lines go now, or, while they run, when the outermost run ends.
    void dropLines();
    void retireLines();
    void freeRetired();
    void dropTempObjects(int from);
    void endTimedRun(bool runEnd);
    void leaveContainer();
    void releaseTimerParams();
    CMC_Behaviour* endBehaviourNow();

    CXString code;
    CXString conditionName;
    CXString parsedText;
    CMC_Object* condition;
    unsigned conditionEpoch;
    CMC_Behaviour_Entry** lines;
    CXVector* retired; // line arrays replaced while running
    int tickCount;
    int tickLimit;
    CXArray* timerParams;
    CMC_Behaviour* endBehaviour;
    CXString endName;
    unsigned endEpoch;
    CXVector* tempObjects;
    bool enabled;
    int breakpoint;
    int running;
    int timerId;
    bool timerDone;
    bool inPublicTrash;
    bool orphaned; // the scene is gone: retired lines look nothing up there
};
