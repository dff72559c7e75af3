#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "base/XTimer.h"
#include "ui/InputListeners.h"

class CButton;
class CGraphicsObject;
class CRefreshScreen;
class CSimpleFont6;
class CTextDisplay;
class CUnit6;
class CWindow;
class CXArray;

// A text input field of one or more lines, drawn with a bitmap font. Its
// text shows through a text drawable on the window's screen, with "|"
// for each line break; an invisible button over its rectangle takes the
// clicks, and it hears every key and character as a key listener of the
// window. Which box is active, and so edits and blinks its cursor image
// every 400 ms, is the screen unit's choice (CUnit6::activateEditBox): a
// click on an inactive box asks the unit to activate it, a click anywhere
// else to deactivate the current one.
//
// Typing inserts at the cursor; a character that makes the last line wider
// than the box wraps it at its last space (or before the character), or,
// with no new lines, is refused. "<" and ">" are typed as "@" and "$", which
// the fonts draw with the glyphs of "<" and ">", so that nothing typed opens
// a markup code. The owner hears of focus, changes, Enter and Escape
// through its CEditBoxNotifier. Main thread only.
class CEditBox6 : public CXObject,
                  public CKeyListener,
                  public CControlNotifier,
                  public CMouseListener,
                  public CTimerNotificator {
public:
    enum { MOUSE_PRIORITY = 100001, BLINK_INTERVAL = 400 };
    // Kinds of notify.
    enum { NOTIFY_FOCUS_ON = 1, NOTIFY_FOCUS_OFF = 2, NOTIFY_CHANGED = 3, NOTIFY_ENTER = 4, NOTIFY_ESC = 5 };
    // The editing keys' DirectInput scan codes.
    enum {
        KEY_ESCAPE = 0x01,
        KEY_BACKSPACE = 0x0E,
        KEY_ENTER = 0x1C,
        KEY_HOME = 0xC7,
        KEY_LEFT = 0xCB,
        KEY_RIGHT = 0xCD,
        KEY_END = 0xCF,
        KEY_DELETE = 0xD3
    };

    // The box on the window's screen at that priority, showing the text,
    // listening to the keys and (at priority 100001) the mouse; inactive,
    // enabled, editable. A null font measures every text as 0 and draws
    // nothing.
    CEditBox6(CWindow* window, CUnit6* unit, CSimpleFont6* font, CXRect rect, int priority, CXString text);
    // Stops listening and blinking, tells the notifiers the focus is off,
    // leaves the unit's boxes and takes its text off the screen.
    ~CEditBox6() override;
    CEditBox6(const CEditBox6&) = delete;
    CEditBox6& operator=(const CEditBox6&) = delete;

    // The rectangle's top-left corner goes to the point, its size kept;
    // the text and the button follow.
    virtual void setPosition(CXPoint p);
    // setPosition at the top-left corner plus the offset.
    virtual void move(CXPoint offset);

    // On: the cursor goes to the end of the text and blinks; the notifiers
    // hear the focus is on. Off: the blinking stops (the cursor image stays
    // as it is) and they hear the focus is off.
    void activate(bool on);
    bool isActive() const { return active; }
    // Disabling also deactivates an active box; the button follows.
    void enable(bool on);
    bool isEnabled() const { return enabled; }
    // The text shown from now on; nobody is told, and the cursor stays
    // where it is as far as the new text reaches.
    void setText(CXString text);
    CXString getText() const { return text; }
    // The box has no length limit: nothing happens.
    void setMaxLen(int) {}
    // The image that blinks where the next character goes (not owned).
    void setCursor(CGraphicsObject* image) { cursor = image; }
    CGraphicsObject* getCursor() { return cursor; }
    // The cursor's index into the text, kept to 0 .. its length; the image
    // is placed there.
    void setCursorPos(int position);
    int getCursorPos() const { return cursorPos; }
    void setVisibility(bool on);
    // The text colour as a 15/16-bit pixel word.
    void setColor(int colour);
    void setPriority(int priority);
    void setRect(CXRect rect);
    CXRect getBoundingRect() const { return rect; }
    // Characters and editing keys are ignored while read-only.
    void setReadOnly(bool on) { readOnly = on; }
    bool isReadOnly() const { return readOnly; }
    // Enter adds no line break, and a character that would not fit on the
    // line is refused.
    void setNoNewLines(bool on) { noNewLines = on; }
    bool getNoNewLines() const { return noNewLines; }

    // Added once; told in the order added.
    void addNotifier(CEditBoxNotifier* notifier);
    void removeNotifier(CEditBoxNotifier* notifier);
    // One of the NOTIFY_ kinds to every notifier; other kinds tell nobody.
    void notify(int kind);
    // True from the start of the destructor: a notifier that hears the
    // focus go off then knows the box is going.
    bool isBeingDeleted() const { return deleting; }

    CTextDisplay* getDisplay() { return display; }
    CButton* getButton() { return button; }
    CUnit6* getUnit() { return unit; }

    // The button was released over the box: an inactive box asks the unit
    // for the focus.
    void onControlAction(CControl* control, CXPoint p) override;
    // A left press outside the box (one no button took) asks the unit to
    // deactivate the current box. Never taken.
    bool onClick(CXPoint p) override;
    using CMouseListener::onClick;
    // The blink: shows the cursor image when hidden, hides it when shown.
    void onTimer(int id) override;
    void onKeyDown(int key) override;
    void onChar(unsigned char c) override;

private:
    // c as typed, with "<" and ">" as "@" and "$".
    static CXString verify(unsigned char c);
    // The cursor image where the cursor is: at the width of the text
    // before it on its line, one line pitch (the font's height less 4) a
    // line down; it stays where it was when that lies past the right edge.
    void updateCursor();
    void showText();
    // The text, the button and the cursor follow the rectangle.
    void placeAll();
    void blink(bool on);
    CRefreshScreen* screen();

    CWindow* window;
    CUnit6* unit;
    bool active;
    int cursorPos;
    CGraphicsObject* cursor;
    CXRect rect;
    CXString text;
    CButton* button;
    CSimpleFont6* font;
    CTextDisplay* display;
    CXArray* notifiers;
    bool readOnly;
    bool noNewLines;
    bool enabled;
    bool blinking;
    bool deleting;
    // The blink timer's id, an id of its own.
    int timerId;
};
