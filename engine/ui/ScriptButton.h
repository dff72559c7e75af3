#pragma once
#include "base/XString.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "ui/InputListeners.h"

class CButton;
class CControlUnit;
class CGraphicsObject;
class CSound4;

// The script BUTTON (type 2001): a clickable engine button over images and
// sounds that other objects of the same scene own (looked up by name each
// time the button is built, never deleted by it), and the script events it
// raises from what the button reports: "ONCLICKED" at the press,
// "ONRELEASED" then "ONACTION" at the release, the focus and the dragging.
// An event is raised only when a behaviour is bound to it. A name that
// finds no object of the right kind gives the button no image or sound.
class CMC_Button : public CMC_Object, public CControlNotifier {
public:
    // Positions in getBehavioursList.
    enum {
        EVENT_ONFOCUSON = 3,
        EVENT_ONFOCUSOFF = 4,
        EVENT_ONPAUSED = 5,
        EVENT_ONCLICKED = 6,
        EVENT_ONRELEASED = 7,
        EVENT_ONACTION = 8,
        EVENT_ONSTARTDRAGGING = 9,
        EVENT_ONDRAGGING = 10,
        EVENT_ONENDDRAGGING = 11
    };

    // From a definition: ACCENT, GFXSTANDARD, GFXONMOVE, GFXONCLICK,
    // SNDSTANDARD, SNDONMOVE, SNDONCLICK, DRAG, RECT (an object's name or a
    // rectangle), ENABLE (absent: disabled), DRAGGABLE, PRIORITY.
    CMC_Button(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "", no engine button until serialize reads it.
    explicit CMC_Button(CMC_ObjectsContainer* container);
    // Wraps an engine button (and owns it from now on), for a clone or a
    // button made at run time; the definition values stay empty.
    CMC_Button(CMC_ObjectsContainer* container, CButton* button, const CXString& name);
    ~CMC_Button() override;
    CMC_Button(const CMC_Button&) = delete;
    CMC_Button& operator=(const CMC_Button&) = delete;

    // Named "cloned", over a clone of the engine button.
    CXObject* clone() override;
    using CMC_Object::clone;
    CXString** getBehavioursList() override;
    // After the base record: the nine names, enabled, draggable and the
    // priority; reading builds the engine button.
    void serialize(CXArchive* archive) override;
    // A button read from a snapshot is built again here, once its scene
    // holds every restored object (they join it only after all records are
    // read): the images and sounds it names are found then.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    void onControlFocusOn(CControl*, CXPoint) override;
    void onControlFocusOff(CControl*, CXPoint) override;
    void onControlClicked(CControl*, CXPoint) override;
    void onControlReleased(CControl*, CXPoint) override;
    void onControlAction(CControl*, CXPoint) override;
    // Records the dragged image's name in the scene first.
    void onStartDragging(CControl*, CXPoint) override;
    void onDragging(CControl*, CXPoint) override;
    // Clears the scene's dragged name afterwards.
    void onEndDragging(CControl*, CXPoint) override;

    CButton* getButton() { return button; }
    // The RECT value, and the priority (PRIORITY, or the RECT object's).
    CXString getRectText() const { return rect; }
    int getPriority() const { return priority; }

    // The control side of the scenes' default unit; null without one.
    static CControlUnit* defaultControlUnit();

private:
    void createButton();
    CGraphicsObject* graphics(const CXString& objectName);
    CSound4* sound(const CXString& objectName);
    // onSignal with the plain name when a behaviour is bound to the event.
    void raise(int index, const char* event);
    void setDraggedName(const CXString& name);

    CButton* button;
    CXString accent;
    CXString gfxStandard;
    CXString gfxOnMove;
    CXString gfxOnClick;
    CXString sndStandard;
    CXString sndOnMove;
    CXString sndOnClick;
    CXString drag;
    CXString rect;
    bool enabled;
    bool draggable;
    int priority;
    bool restored = false;
};

class CMC_Button_Runner : public CMC_Runner {
public:
    enum {
        SETRECT = 1,
        ENABLE = 2,
        DISABLE = 3,
        ENABLEDRAGGING = 4,
        DISABLEDRAGGING = 5,
        DISABLEBUTVISIBLE = 6,
        ACCENT = 7,
        SETSTD = 8,
        SETONMOVE = 9,
        SETONCLICK = 10,
        SETPRIORITY = 11,
        GETPRIORITY = 12,
        GETSTD = 13,
        GETONMOVE = 14,
        GETONCLICK = 15,
        SYN = 16
    };

    void prepareMthHashSet() override;
    // Names are looked up in the calling container. Every method but the
    // getters answers null; any other id goes to the common methods.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
