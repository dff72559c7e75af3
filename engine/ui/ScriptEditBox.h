#pragma once
#include "base/XString.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "ui/InputListeners.h"

class CEditBox6;
class CGraphicsObject;

// The script EDITBOX (type 2009): a text input field that the scenes'
// default screen unit makes, drawn with the font of the FONT object its
// "FONT" names, and the script events it raises from what the field
// reports: "ONFOCUSON", "ONFOCUSOFF", "ONCHANGED", "ONENTER", "ONESC". An
// event is raised only when a behaviour is bound to it. The object owns
// its field and deletes it.
//
// A "FONT" that names no FONT object gives a field that measures its text
// as 0 and draws nothing, and the object the error code ERROR_NO_FONT.
class CMC_EditBox : public CMC_Object, public CEditBoxNotifier {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONFOCUSON = 3, EVENT_ONFOCUSOFF = 4, EVENT_ONCHANGED = 5, EVENT_ONENTER = 6, EVENT_ONESC = 7 };
    enum { ERROR_NO_FONT = 1 };

    // From a definition: RECT (a graphics object's name, for its bounding
    // box, or a rectangle), PRIORITY, TEXT, FONT, CURSOR (a graphics
    // object's name).
    CMC_EditBox(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", no field until serialize reads it.
    explicit CMC_EditBox(CMC_ObjectsContainer* container);
    ~CMC_EditBox() override;
    CMC_EditBox(const CMC_EditBox&) = delete;
    CMC_EditBox& operator=(const CMC_EditBox&) = delete;

    CXString** getBehavioursList() override;
    // After the base record: the font's name, the rectangle, the current
    // text and the cursor's name. Reading makes the field again, at
    // priority 0.
    void serialize(CXArchive* archive) override;
    // A field read from a snapshot is made again here, once its scene holds
    // every restored object (they join it only after all records are
    // read): the FONT and the cursor image it names are found then.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    void onFocusOn(CEditBox6*) override;
    // A field deleted by its unit (the scene left before this object went)
    // is forgotten.
    void onFocusOff(CEditBox6* box) override;
    void onChanged(CEditBox6*) override;
    void onEnter(CEditBox6*) override;
    void onEsc(CEditBox6*) override;

    CEditBox6* getEditBox() { return editBox; }
    CXString getFontName() const { return fontName; }
    CXString getCursorName() const { return cursorName; }

private:
    // The field on the default unit, heard by this object, with the cursor
    // image the cursor's name finds.
    void createEditBox(CXRect rect, int priority, const CXString& text);
    void deleteEditBox();
    void raise(int index, const char* event);

    CEditBox6* editBox;
    CXString fontName;
    CXString cursorName;
    bool restored = false;
};

class CMC_EditBox_Runner : public CMC_Runner {
public:
    enum {
        SETTEXT = 1,
        GETTEXT = 2,
        ACTIVE = 3,
        DEACTIVE = 4,
        ENABLE = 5,
        DISABLE = 6,
        ADDTEXT = 7,
        MOVE = 8,
        SETPOSITION = 9,
        SETPRIORITY = 10,
        SETCURSORPOS = 11,
        SETRECT = 12,
        SETCOLOR = 13,
        SETREADONLY = 14,
        ENABLENL = 15
    };

    void prepareMthHashSet() override;
    // Every method but GETTEXT answers null; SETCOLOR packs red, green and
    // blue for the screen's depth (5-5-5 at 15 bits, 5-6-5 otherwise,
    // sign-extended); ENABLENL (on) lets Enter break lines. Any other id
    // goes to the common methods.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
