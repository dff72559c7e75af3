// The window's input routing and listener registries, cursors, the
// critical-error box, the key code tables and the host's menu commands.
#include "base/PriorityList.h"
#include "graphics/ListSnapshot.h"
#include "graphics/Window.h"
#include "platform/Platform.h"
#include "ui/InputListeners.h"

namespace {

CWindow* commandWindow = nullptr;

} // namespace

// Mouse events

// Listeners are kept in ascending priority, a new one after those of equal
// priority; a removal takes the listener's lowest entry.
void CWindow::registerMouseListener(CMouseListener* listener, int priority)
{
    if (listener)
        mouseListeners->add(listener, priority, listener);
}

void CWindow::removeMouseListener(CMouseListener* listener) { mouseListeners->remove(listener); }

void CWindow::setMouseCaption(CMouseListener* listener)
{
    const int n = mouseListeners->getSize();
    if (!listener || n == 0 || mouseListeners->at(n - 1) == listener)
        return;
    mouseListeners->at(n - 1)->onLooseFocus();
    removeMouseListener(listener);
    listener->onSetFocus();
    registerMouseListener(listener, CAPTION_PRIORITY);
}

int CWindow::routeMouse(int hotSpotEvent, CXPoint p, int flags, bool (*ask)(CMouseListener*, CXPoint), int taken)
{
    if (flags != 0 || !mouseEnabled)
        return 0;
    if (layers().hotSpotMouseEvent)
        if (int spot = layers().hotSpotMouseEvent(hotSpotEvent, p, 0))
            return spot;
    // From the highest priority down; a listener that a handler removed is
    // not asked any more.
    CListSnapshot walk;
    for (int i = mouseListeners->getSize() - 1; i >= 0; --i)
        walk.add(mouseListeners->at(i));
    for (int i = 0; i < walk.size(); ++i) {
        CMouseListener* listener = static_cast<CMouseListener*>(walk[i]);
        if (mouseListeners->contains(listener) && ask(listener, p))
            return taken;
    }
    return 0;
}

int CWindow::OnMouseMove(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_MOVE, p, flags, [](CMouseListener* l, CXPoint at) { return l->onMouseMove(at); }, 1);
}

int CWindow::OnLButtonDown(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_LDOWN, p, flags,
                       [](CMouseListener* l, CXPoint at) { return l->onClick(at) || l->onClick(0, at); }, 0);
}

int CWindow::OnLButtonUp(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_LUP, p, flags,
                       [](CMouseListener* l, CXPoint at) { return l->onRelease(at) || l->onRelease(0, at); }, 0);
}

int CWindow::OnLButtonDblClk(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_LDBLCLK, p, flags, [](CMouseListener* l, CXPoint at) { return l->onDblClick(at); }, 0);
}

int CWindow::OnMButtonDown(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_MDOWN, p, flags, [](CMouseListener* l, CXPoint at) { return l->onClick(1, at); }, 0);
}

int CWindow::OnMButtonUp(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_MUP, p, flags, [](CMouseListener* l, CXPoint at) { return l->onRelease(1, at); }, 0);
}

int CWindow::OnRButtonDown(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_RDOWN, p, flags, [](CMouseListener* l, CXPoint at) { return l->onClick(2, at); }, 0);
}

int CWindow::OnRButtonUp(CXPoint p, int flags)
{
    return routeMouse(HOTSPOT_RUP, p, flags, [](CMouseListener* l, CXPoint at) { return l->onRelease(2, at); }, 0);
}

void CWindow::enableMouse(bool on)
{
    mouseEnabled = on;
    if (on)
        EndWaitCursor();
    else
        BeginWaitCursor();
}

// Key events: every key listener hears every event, in registration order.

void CWindow::registerKeyListener(CKeyListener* listener)
{
    if (listener)
        keyListeners->add(listener, 0, listener);
}

void CWindow::removeKeyListener(CKeyListener* listener) { keyListeners->remove(listener); }

template <class Tell>
static void tellKeyListeners(CPriorityList<CKeyListener*, CKeyListener*>* list, Tell tell)
{
    CListSnapshot walk;
    CListSnapshot::of(*list, walk);
    for (int i = 0; i < walk.size(); ++i) {
        CKeyListener* listener = static_cast<CKeyListener*>(walk[i]);
        if (list->contains(listener))
            tell(listener);
    }
}

int CWindow::OnKeyDown(int key, int data)
{
    if (!application)
        return 0;
    int result = application->OnKeyDown(key, data);
    if (result == 0 && layers().hotSpotChar)
        result = layers().hotSpotChar(key, data);
    tellKeyListeners(keyListeners, [key](CKeyListener* l) { l->onKeyDown(key); });
    return result;
}

int CWindow::OnKeyUp(int key, int data)
{
    tellKeyListeners(keyListeners, [key](CKeyListener* l) { l->onKeyUp(key); });
    return layers().hotSpotChar ? layers().hotSpotChar(key, data) : 0;
}

int CWindow::OnChar(int character, int)
{
    tellKeyListeners(keyListeners, [character](CKeyListener* l) { l->onChar((unsigned char)character); });
    return 0;
}

// Cursors: the window keeps the cursor to show; the backend shows it.

void CWindow::SetCursor(CCursorHandle c)
{
    if (!cursorLock)
        cursor = c;
}

void CWindow::BeginActiveCursor()
{
    if (activeCursor && !activeCursorLock && !cursorLock)
        cursor = activeCursor;
}

void CWindow::BeginWaitCursor()
{
    if (waitCursor && !cursorLock)
        cursor = waitCursor;
}

void CWindow::EndWaitCursor()
{
    if (mainCursor && !cursorLock)
        cursor = mainCursor;
}

void CWindow::lockActiveCursor(bool on)
{
    EndWaitCursor();
    activeCursorLock = on;
}

void CWindow::ShowCursor()
{
    if (platform::Platform* p = platform::currentPlatform())
        p->input().mouse().showCursor(true);
}

void CWindow::HideCursor()
{
    if (platform::Platform* p = platform::currentPlatform())
        p->input().mouse().showCursor(false);
}

// Errors: the texts are in code page 1250.

void CWindow::ShowError(const CXString& caption)
{
    const int code = LastError();
    if (code == 0)
        return;
    const char* text = code == -998   ? "Nieprawid\xB3owe dzia\xB3" "anie karty graficznej."
                       : code == -997 ? "Nieprawid\xB3owe dzia\xB3" "anie karty d\x9Fwi\xEAkowej."
                                      : "Nieznany b\xB3\xB9" "d krytyczny.";
    if (platform::Platform* p = platform::currentPlatform())
        p->messageBox(caption.c_str(), text);
}

// Key code tables

int CWindow::__get_virtualkey_code(int virtualKey, int keyData)
{
    switch (virtualKey) {
    case 13:
        return -50;
    case 16:
        return keyData == 0x1D0001 ? -45 : -44;
    case 17:
        return keyData == 0x2A0001 ? -48 : -47;
    case 32:
        return -39;
    case 33:
        return -52;
    case 34:
        return -51;
    case 35:
        return -53;
    case 36:
        return -54;
    case 37:
        return -43;
    case 38:
        return -41;
    case 39:
        return -42;
    case 40:
        return -40;
    case 45:
        return -56;
    case 46:
        return -55;
    default:
        return virtualKey;
    }
}

int CWindow::tranlateToChar(int scanCode)
{
    static const unsigned char letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                              49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    for (int i = 0; i < 26; ++i)
        if (letters[i] == scanCode)
            return 'A' + i;
    if (scanCode == 11)
        return '0';
    if (scanCode >= 2 && scanCode <= 10)
        return '1' + (scanCode - 2);
    if (scanCode == 57)
        return ' ';
    return 0;
}

// The host's menu commands

void set(CWindow* window, void*) { commandWindow = window; }

void OnWindowCommand(CWindow*, void*, int command)
{
    if (command == 40001) {
        if (CWindow* w = CWindow::getWindow())
            w->quit();
    } else if (command == 40004 && commandWindow) {
        commandWindow->Invalidate();
        commandWindow->Redraw();
    }
}
