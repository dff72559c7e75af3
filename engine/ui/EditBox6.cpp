#include "ui/EditBox6.h"

#include "base/XArray.h"
#include "graphics/ListSnapshot.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "ui/Button.h"
#include "ui/SimpleFont6.h"
#include "ui/Text6.h"
#include "ui/MultilineText6.h"
#include "ui/Unit6.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
// Scripts place the box with any integers: sums and sizes stay within int.
int clamped(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }
int span(int from, int to) { return clamped(int64_t(to) - from); }
} // namespace

CEditBox6::CEditBox6(CWindow* w, CUnit6* u, CSimpleFont6* f, CXRect r, int priority, CXString t)
    : window(w), unit(u), active(false), cursorPos(0), cursor(nullptr), rect(r), text(t), button(nullptr), font(f),
      display(nullptr), notifiers(new CXArray(101, 0.75f)), readOnly(false), noNewLines(false), enabled(true),
      blinking(false), deleting(false), timerId(CXTimer::freshId())
{
    button = new CButton(window, rect, 0, nullptr);
    button->addNotifier(this);
    button->setUnit(unit);
    display = new CMultilineText6(window, false, nullptr);
    display->setFont(font);
    display->setJustify(rect, LEFT, TOP);
    display->setText(text);
    CGraphicsObject* shown = display->getGraphics();
    shown->Visible(true);
    shown->SetClippingRect(CXRect(0, 0, span(rect.left, rect.right), span(rect.top, rect.bottom)));
    if (CRefreshScreen* s = screen())
        s->put(shown, priority);
    if (window) {
        window->registerKeyListener(this);
        window->registerMouseListener(this, MOUSE_PRIORITY);
    }
}

// The window may have gone first (it takes its screen and timers with it).
CEditBox6::~CEditBox6()
{
    deleting = true;
    if (window != CWindow::getWindow())
        window = nullptr;
    if (window) {
        window->removeKeyListener(this);
        window->removeMouseListener(this);
    }
    active = false;
    blink(false);
    notify(NOTIFY_FOCUS_OFF);
    if (unit)
        unit->removeEditBox(this);
    // Hidden first, so that the screen draws again where the text stood.
    CGraphicsObject* shown = display->getGraphics();
    if (CRefreshScreen* s = screen()) {
        shown->Visible(false);
        *s >> shown;
    }
    delete display;
    delete button;
    delete notifiers;
}

CRefreshScreen* CEditBox6::screen() { return window ? window->GetRefreshScreenInterface() : nullptr; }

// The timer is added and removed once each, however often the box is
// activated: an entry left behind would reach a deleted box.
void CEditBox6::blink(bool on)
{
    CXTimer* timer = window ? window->GetTimerInterface() : nullptr;
    if (!timer || on == blinking)
        return;
    blinking = on;
    if (on)
        timer->add(timerId, BLINK_INTERVAL, static_cast<CTimerNotificator*>(this));
    else
        timer->remove(timerId);
}

void CEditBox6::activate(bool on)
{
    active = on;
    if (on) {
        cursorPos = text.getLength();
        blink(true);
        updateCursor();
        notify(NOTIFY_FOCUS_ON);
    } else {
        blink(false);
        notify(NOTIFY_FOCUS_OFF);
    }
}

void CEditBox6::enable(bool on)
{
    enabled = on;
    button->Enable(on);
    if (!on && active)
        activate(false);
}

void CEditBox6::setText(CXString t)
{
    text = t;
    cursorPos = std::min(cursorPos, text.getLength());
    showText();
}

void CEditBox6::showText() { display->setText(text); }

void CEditBox6::setCursorPos(int position)
{
    cursorPos = std::max(0, std::min(position, text.getLength()));
    updateCursor();
}

void CEditBox6::setVisibility(bool on) { display->getGraphics()->Visible(on); }

void CEditBox6::setColor(int colour)
{
    display->setColor(colour);
    display->getGraphics()->Invalidate();
}

void CEditBox6::setPriority(int priority)
{
    if (CRefreshScreen* s = screen())
        s->SetPriority(display->getGraphics(), priority);
}

void CEditBox6::setPosition(CXPoint p)
{
    setRect(CXRect(p.x, p.y, clamped(int64_t(p.x) + span(rect.left, rect.right)),
                   clamped(int64_t(p.y) + span(rect.top, rect.bottom))));
}

void CEditBox6::move(CXPoint offset)
{
    setPosition(CXPoint(clamped(int64_t(rect.left) + offset.x), clamped(int64_t(rect.top) + offset.y)));
}

void CEditBox6::setRect(CXRect r)
{
    rect = r;
    placeAll();
}

// Where the text stood is drawn again too, or its old place would keep it.
void CEditBox6::placeAll()
{
    CGraphicsObject* shown = display->getGraphics();
    shown->Invalidate();
    display->setJustify(rect, LEFT, TOP);
    shown->SetClippingRect(CXRect(0, 0, span(rect.left, rect.right), span(rect.top, rect.bottom)));
    shown->Invalidate();
    button->SetActiveRect(rect);
    updateCursor();
}

void CEditBox6::addNotifier(CEditBoxNotifier* notifier)
{
    if (notifier && !notifiers->contains(notifier))
        notifiers->add(notifier);
}

void CEditBox6::removeNotifier(CEditBoxNotifier* notifier) { notifiers->remove(notifier); }

void CEditBox6::notify(int kind)
{
    void (CEditBoxNotifier::*tell)(CEditBox6*) = nullptr;
    switch (kind) {
    case NOTIFY_FOCUS_ON: tell = &CEditBoxNotifier::onFocusOn; break;
    case NOTIFY_FOCUS_OFF: tell = &CEditBoxNotifier::onFocusOff; break;
    case NOTIFY_CHANGED: tell = &CEditBoxNotifier::onChanged; break;
    case NOTIFY_ENTER: tell = &CEditBoxNotifier::onEnter; break;
    case NOTIFY_ESC: tell = &CEditBoxNotifier::onEsc; break;
    default: return;
    }
    // A notifier may remove itself or another one meanwhile.
    CListSnapshot walk;
    CListSnapshot::of(*notifiers, walk);
    for (int i = 0; i < walk.size(); ++i)
        if (notifiers->contains(walk[i]))
            (static_cast<CEditBoxNotifier*>(walk[i])->*tell)(this);
}

void CEditBox6::onControlAction(CControl*, CXPoint)
{
    if (!active && unit)
        unit->activateEditBox(this);
}

bool CEditBox6::onClick(CXPoint p)
{
    if (!rect.IsInRect(p) && unit)
        unit->activateEditBox(nullptr);
    return false;
}

void CEditBox6::onTimer(int)
{
    if (cursor)
        cursor->Visible(!cursor->IsVisible());
}

CXString CEditBox6::verify(unsigned char c)
{
    char typed = char(c);
    if (typed == '<')
        typed = '@';
    else if (typed == '>')
        typed = '$';
    return CXString(&typed, 1);
}

void CEditBox6::onKeyDown(int key)
{
    if (!enabled || !active || readOnly)
        return;
    const int length = text.getLength();
    switch (key) {
    case KEY_ESCAPE: notify(NOTIFY_ESC); return;
    case KEY_BACKSPACE:
        if (cursorPos > 0) {
            text = text.Left(cursorPos - 1) + text.Right(cursorPos);
            --cursorPos;
            showText();
            updateCursor();
        }
        return;
    case KEY_ENTER:
        // The break goes to the end of the text, wherever the cursor is.
        if (!noNewLines) {
            text += '|';
            cursorPos = std::min(cursorPos + 1, text.getLength());
            showText();
            updateCursor();
        }
        notify(NOTIFY_ENTER);
        return;
    case KEY_HOME:
        if (cursorPos > 0) {
            cursorPos = 0;
            updateCursor();
        }
        return;
    case KEY_LEFT:
        if (cursorPos > 0) {
            --cursorPos;
            updateCursor();
        }
        return;
    case KEY_RIGHT:
        if (cursorPos < length) {
            ++cursorPos;
            updateCursor();
        }
        return;
    case KEY_END:
        if (cursorPos < length) {
            cursorPos = length;
            updateCursor();
        }
        return;
    case KEY_DELETE:
        if (cursorPos < length) {
            text = text.Left(cursorPos) + text.Right(cursorPos + 1);
            showText();
            updateCursor();
        }
        return;
    default: return;
    }
}

// Only the last line is measured: the box grows at its end.
void CEditBox6::onChar(unsigned char c)
{
    if (readOnly || !enabled || !active)
        return;
    const CXString candidate = text.Left(cursorPos) + verify(c) + text.Right(cursorPos);
    const int lastBreak = candidate.FindLast('|');
    const CXString lastLine = lastBreak >= 0 ? candidate.Right(lastBreak + 1) : candidate;
    if (CText6::getLength(font, lastLine) <= span(rect.left, rect.right)) {
        ++cursorPos;
        text = candidate;
    } else if (noNewLines) {
        return;
    } else {
        // Wrapped after the line's last space, else before the character
        // typed; the cursor, after the character, passes the break when
        // the break comes before it.
        const int space = candidate.FindLast(' ');
        const int split = space > lastBreak ? space + 1 : cursorPos;
        text = candidate.Left(split) + "|" + candidate.Right(split);
        cursorPos += split <= cursorPos + 1 ? 2 : 1;
    }
    showText();
    updateCursor();
    notify(NOTIFY_CHANGED);
}

void CEditBox6::updateCursor()
{
    if (!cursor)
        return;
    cursor->Invalidate();
    if (cursorPos == 0) {
        cursor->setPosition(rect.left, clamped(int64_t(rect.top) + 1));
    } else {
        const int lineStart = text.FindLast('|', cursorPos) + 1;
        const int x = clamped(int64_t(rect.left) + CText6::getLength(font, text.Mid(lineStart, cursorPos)));
        if (x < rect.right) {
            // The line of the cursor: the breaks before it.
            int line = 0;
            for (int i = 0; i < lineStart; ++i)
                if (text.GetAt(i) == '|')
                    ++line;
            const int pitch = font ? font->Height() - 4 : 0;
            cursor->setPosition(x, clamped(int64_t(rect.top) + 1 + int64_t(line) * pitch));
        }
    }
    cursor->Invalidate();
}
