#pragma once
#include "base/XString.h"
#include "graphics/InputPoller.h"
#include "script/Object.h"
#include "script/Runner.h"

#include <cstdint>
#include <vector>

class CWindow;
namespace platform {
class Joystick;
}

// The script JOYSTICK (type 2023): one game controller, chosen by its
// index among the attached ones ("PORT", 1 at first: the second
// controller). As an input poller of the window it reads the controller in
// tick (the input thread, or the frame tick without one) and queues button
// and movement events; flushSignals raises them on the main thread:
// "ONBUTTONDOWN^<n>" / "ONBUTTONUP^<n>" (then the plain event when no
// behaviour took it) and "ONMOVE^<direction>", then "ONMOVE^<axis>", then
// "ONMOVE". X reports every change of more than 50; Y and Z a change of
// more than 300 held for more than three ticks. Without a controller at
// its index the object raises nothing and its methods answer from the
// initial state.
class CMC_Joystick : public CMC_Object, public CInputPoller {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONBUTTONUP = 3, EVENT_ONBUTTONDOWN = 4, EVENT_ONMOVE = 5 };
    // The axes' range; a record's kinds.
    enum { AXIS_MIN = -1000, AXIS_MAX = 1000 };
    enum { BUTTON_DOWN = 1, BUTTON_UP = 2, MOVE = 3 };

    // From a definition: "PORT" when it is given.
    CMC_Joystick(CMC_ObjectsContainer* container, CMElement* element);
    // Named "JOYSTICK", on the window's controller at index 1.
    explicit CMC_Joystick(CWindow* window);
    // For a snapshot: the controller at index 1 until the snapshot's state
    // gives the index (setPort).
    explicit CMC_Joystick(CMC_ObjectsContainer* container);
    // Leaves the pollers, drops the queue, releases the controller.
    ~CMC_Joystick() override;
    CMC_Joystick(const CMC_Joystick&) = delete;
    CMC_Joystick& operator=(const CMC_Joystick&) = delete;

    CXString** getBehavioursList() override;
    // The base record; reading chooses the controller.
    void serialize(CXArchive* archive) override;

    virtual int getPort() { return port; }
    // Chooses the controller at that index again.
    void setPort(int index);
    virtual platform::Joystick* getDXIfc() { return device; }
    // The button's state at the last tick; false outside the buttons.
    virtual bool getButtonState(int n);
    // The last reported X (0), Y (1); -1 for any other axis.
    virtual int getAxis(int n);
    virtual CWindow* getWindow() { return window; }

    void tick() override;
    void flushSignals(bool deliver) override;

private:
    struct Record {
        int kind;
        int button;
        const char* direction;
        const char* axis;
    };
    // Chooses the controller at the port's index, sets its axes and
    // acquires it, and joins the window's pollers.
    void initialize();
    void release();
    // Y and Z: a change of more than 300 from the last reported value,
    // reported from the fourth tick in a row that sees one.
    void slowAxis(int32_t value, int& last, int& counter, const char* more, const char* less, const char* name);

    CWindow* window;
    platform::Joystick* device;
    int port;
    int buttonCount;
    std::vector<uint8_t> buttonStates;
    int lastX, lastY, lastZ;
    int yCounter, zCounter;
    std::vector<Record> queue;
};

class CMC_Joystick_Runner : public CMC_Runner {
public:
    enum { GETBUTTONSTATE = 1, GETPOSITION = 2, ISLEFT = 3, ISRIGHT = 4 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
