#pragma once
#include "base/XString.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "ui/InputListeners.h"

#include <deque>

class CKeyboard;
class CWindow;

// The script KEYBOARD (type 101), always named "KEYBOARD": hears every key
// the window's keyboard delivers and raises "ONKEYDOWN" and "ONKEYUP" with
// the key's name ("ONKEYDOWN^ENTER", then plain "ONKEYDOWN" when no
// behaviour took that) and "ONCHAR" with the character typed. Events are
// raised only while the object is enabled and a behaviour is bound to the
// event; the latest key name follows what was raised. Behaviours added to
// its events join those bound before instead of replacing them.
class CMC_Keyboard : public CMC_Object, public CKeyListener {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONCHAR = 3, EVENT_ONKEYDOWN = 4, EVENT_ONKEYUP = 5 };

    // For a snapshot: serialize reads the stored name.
    explicit CMC_Keyboard(CMC_ObjectsContainer* container);
    // From a definition, whatever the record's name; the type has no keys
    // of its own.
    CMC_Keyboard(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Keyboard() override;
    CMC_Keyboard(const CMC_Keyboard&) = delete;
    CMC_Keyboard& operator=(const CMC_Keyboard&) = delete;

    CXString** getBehavioursList() override;

    void onKeyUp(int code) override;
    void onKeyDown(int code) override;
    void onChar(unsigned char c) override;

    void enable() { enabled = true; }
    void disable() { enabled = false; }
    bool isEnabled() const { return enabled; }
    virtual CXString getLatestKey() { return latestKey; }
    // What GETLATESTKEYS drains, oldest first; the object adds nothing to it.
    virtual std::deque<CXString>* getLatestKeys() { return &latestKeys; }
    unsigned char getLastChar() const { return lastChar; }
    // The window's keyboard; null without one.
    CKeyboard* getKeyboard();

    // The name titles give a DirectInput scan code in event properties
    // ("ENTER", "SPACE", "A", "F1", "LEFT"...); empty for a key without one.
    // The keypad's digits are named as the main row's.
    static CXString getKeySignal(int code);

private:
    void listen();
    // "<event>^<name>", and the plain event when no behaviour took it.
    void raiseKey(int index, const char* event, int code);

    CWindow* window;
    CXString latestKey;
    unsigned char lastChar;
    bool enabled;
    std::deque<CXString> latestKeys;
};

class CMC_Keyboard_Runner : public CMC_Runner {
public:
    enum { ENABLE = 1, DISABLE = 2, SETAUTOREPEAT = 3, ISKEYDOWN = 4, GETLATESTKEY = 6, ISENABLED = 7, GETLATESTKEYS = 8 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
