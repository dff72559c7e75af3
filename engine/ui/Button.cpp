#include "ui/Button.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Sound4.h"
#include "ui/ControlUnit.h"
#include "ui/DXMouse.h"

// The hot spot

CButtonHotSpot::CButtonHotSpot(CWindow* w, CButton* b, CXRect rect, int, CMC_Button* scriptButton)
    : CHotSpot(w, nullptr, CWindow::HOTSPOT_MOVE | CWindow::HOTSPOT_LDOWN, 0, scriptButton), button(b), over(false)
{
    SetActiveRect(rect);
}

bool CButtonHotSpot::unitBusy()
{
    CControlUnit* unit = getUnit();
    return unit && (!unit->isActive() || unit->isDragging());
}

int CButtonHotSpot::OnMouseMove(CXPoint p, int, void*)
{
    button->onMouseMove(p);
    return 0;
}

int CButtonHotSpot::OnFocusOn(CXPoint p, int flags, void* data)
{
    if (!button->IsEnabled() || unitBusy()) {
        button->hitRecord = false;
        return 0;
    }
    // Before the unit's first frame the button only takes the focus.
    if (!getUnit() || getUnit()->wasInitiallyUpdated()) {
        if (CGraphicsObject* onMove = button->onMoveImage) {
            if (button->hideStandardOnMove && button->standard)
                button->standard->Visible(false);
            onMove->Visible(true);
        }
        if (!over)
            button->playSound(button->onMoveSound, true);
        over = true;
        button->OnMove(p, flags, data);
    }
    const int result = button->onFocusOn(p);
    button->hitRecord = false;
    return result;
}

int CButtonHotSpot::OnFocusOff(CXPoint p, int, void*)
{
    if (button->IsEnabled() && !unitBusy()) {
        button->Force(false);
        if (button->onMoveImage && !button->frozen) {
            if (button->hideStandardOnMove && button->standard)
                button->standard->Visible(true);
            button->onMoveImage->Visible(false);
        }
        if (button->onMoveSound && button->onMoveSound->IsPlaying())
            button->onMoveSound->Stop();
        over = false;
    }
    button->hitRecord = true;
    return button->onFocusOff(p);
}

// The press is taken whatever the click answers.
int CButtonHotSpot::OnLButtonDown(CXPoint p, int flags, void* data)
{
    if (!button->IsEnabled() || (getUnit() && getUnit()->isDragging()))
        return 0;
    button->OnClick(p, flags, data);
    button->Force(true);
    return 1;
}

int CButtonHotSpot::OnLButtonUp(CXPoint p, int, void*)
{
    if (unitBusy() || !button->IsEnabled())
        return 0;
    button->clickPoint = p;
    button->Force(false);
    button->onRelease(p);
    button->onAction(p);
    return 1;
}

int CButtonHotSpot::OnRButtonDown(CXPoint p, int, void*) { return button->IsEnabled() ? button->onRClick(p) : 0; }

// The button

CButton::CButton(CWindow* w, CXRect rect, int i, CMC_Button* scriptButton) : CControl(w)
{
    setUp(rect, i, scriptButton);
}

CButton::CButton(CWindow* w, int i, CMC_Button* scriptButton) : CControl(w) { setUp(CXRect(), i, scriptButton); }

void CButton::setUp(CXRect rect, int i, CMC_Button* scriptButton)
{
    activeRect = rect;
    hotSpotMask = 0x47;
    keyListener = false;
    hasReturnCode = false;
    returnCode = 0;
    pressed = false;
    frozen = false;
    soundLocked = false;
    deleteImages = true;
    deleteSounds = false;
    hideStandardOnMove = true;
    standard = onMoveImage = onClickImage = accent = dragImage = nullptr;
    onMoveSound = onClickSound = nullptr;
    userData = nullptr;
    soundOnlyInSilence = false;
    draggingEnabled = false;
    hitRecord = true;
    hotSpot = new CButtonHotSpot(window, this, rect, i, scriptButton);
    SetID(i);
}

CButton::~CButton()
{
    if (CControlUnit* unit = hotSpot->getUnit())
        unit->onControlGone(this);
    if (keyListener && window)
        window->removeKeyListener(this);
    if (deleteImages) {
        // Deleting an image tells this button, which forgets it in every
        // role: an image in two roles goes once.
        for (CGraphicsObject** role : {&standard, &onMoveImage, &onClickImage})
            if (CGraphicsObject* image = *role) {
                image->Visible(false);
                if (CRefreshScreen* s = screen())
                    *s >> image;
                delete image;
            }
    }
    if (deleteSounds) {
        if (onClickSound != onMoveSound)
            delete onClickSound;
        delete onMoveSound;
    }
    // The images that stay stop telling this button.
    CGraphicsObject* shape = hotSpot->getShape();
    hotSpot->Set(nullptr);
    unwatchUnused(shape);
    for (CGraphicsObject** role : {&standard, &onMoveImage, &onClickImage, &accent, &dragImage})
        replaceImage(role, nullptr);
    delete hotSpot;
}

CRefreshScreen* CButton::screen() { return window ? window->GetRefreshScreenInterface() : nullptr; }

void CButton::putOnScreen(CGraphicsObject* image)
{
    if (CRefreshScreen* s = screen())
        *s << image;
}

bool CButton::usesImage(CGraphicsObject* image) const
{
    return image == standard || image == onMoveImage || image == onClickImage || image == accent ||
           image == dragImage || image == hotSpot->getShape();
}

void CButton::unwatchUnused(CGraphicsObject* image)
{
    if (image && !usesImage(image))
        image->removeInvalidateObserver(this);
}

void CButton::replaceImage(CGraphicsObject** role, CGraphicsObject* image)
{
    CGraphicsObject* old = *role;
    *role = image;
    if (image)
        image->addInvalidateObserver(this);
    unwatchUnused(old);
}

void CButton::onDestroy(CGraphicsObject* source)
{
    for (CGraphicsObject** role : {&standard, &onMoveImage, &onClickImage, &accent, &dragImage})
        if (*role == source)
            *role = nullptr;
    if (hotSpot->getShape() == source)
        hotSpot->Set(nullptr);
}

void CButton::SetID(int i)
{
    CControl::SetID(i);
    hotSpot->SetID(i);
}

int CButton::GetID() { return hotSpot->GetID(); }
int CButton::getPriority() { return hotSpot->getPriority(); }
void CButton::setPriority(int p) { hotSpot->setPriority(p); }
void CButton::setUnit(CControlUnit* unit) { hotSpot->setUnit(unit); }
CControlUnit* CButton::getUnit() { return hotSpot->getUnit(); }
void CButton::EnableCursor(bool on) { hotSpot->EnableCursor(on); }
void CButton::setMCButton(CMC_Button* b) { hotSpot->setMCButton(b); }

void CButton::Enable(bool on)
{
    enabled = on;
    show(standard, on);
    if (!on) {
        if (window)
            window->EndActiveCursor();
        frozen = false;
        show(onMoveImage, false);
        show(onClickImage, false);
    }
    hotSpot->Enable(on);
}

void CButton::DisableButVisible()
{
    enabled = false;
    if (window)
        window->EndActiveCursor();
    show(onClickImage, false);
    show(onMoveImage, false);
    show(standard, true);
    hotSpot->Enable(false);
}

void CButton::Freeze(bool on)
{
    frozen = on;
    show(onMoveImage, on);
}

bool CButton::SetActiveRect(CXRect rect)
{
    activeRect = rect;
    CGraphicsObject* shape = hotSpot->getShape();
    hotSpot->SetActiveRect(rect);
    unwatchUnused(shape);
    return true;
}

bool CButton::Set(CGraphicsObject* image, void* data, bool removeOld)
{
    userData = data;
    if (removeOld && standard)
        if (CRefreshScreen* s = screen())
            *s >> standard;
    replaceImage(&standard, image);
    if (image) {
        putOnScreen(image);
        hotSpot->setUserData(data);
    }
    if (activeRect.IsEmpty())
        Accent(image);
    return true;
}

void CButton::setHiddenFace(CGraphicsObject** role, CGraphicsObject* image)
{
    if (!image)
        return;
    replaceImage(role, image);
    putOnScreen(image);
    image->Visible(false);
}

bool CButton::SetOnMove(CGraphicsObject* image, CSound4* sound)
{
    setHiddenFace(&onMoveImage, image);
    onMoveSound = sound;
    return true;
}

bool CButton::SetOnClick(CGraphicsObject* image, CSound4* sound)
{
    setHiddenFace(&onClickImage, image);
    onClickSound = sound;
    return true;
}

void CButton::SetSound(_soundtype type, CSound4* sound)
{
    if (type == SOUND_ONMOVE)
        onMoveSound = sound;
    else if (type == SOUND_ONCLICK)
        onClickSound = sound;
}

void CButton::Accent(_accent which)
{
    if (which < ACCENT_STANDARD || which > ACCENT_ONCLICK)
        return;
    CGraphicsObject* image = which == ACCENT_STANDARD ? standard : which == ACCENT_ONMOVE ? onMoveImage : onClickImage;
    CGraphicsObject* old = hotSpot->getShape();
    hotSpot->Set(image);
    unwatchUnused(old);
}

void CButton::Accent(CGraphicsObject* image)
{
    CGraphicsObject* old = hotSpot->getShape();
    hotSpot->Set(image);
    replaceImage(&accent, image);
    replaceImage(&dragImage, image);
    unwatchUnused(old);
}

void CButton::SetDragging(CGraphicsObject* image) { replaceImage(&dragImage, image); }

void CButton::playSound(CSound4* sound, bool evenInSilenceMode)
{
    if (!sound || soundLocked)
        return;
    if (evenInSilenceMode && soundOnlyInSilence && hotSpot->getUnit())
        return;
    sound->Play();
}

bool CButton::Force(bool p)
{
    if (p == pressed)
        return p;
    pressed = p;
    if (p) {
        if (onMoveImage && onMoveImage->IsVisible() && onClickImage)
            onMoveImage->Visible(false);
        show(onClickImage, true);
        playSound(onClickSound, true);
    } else {
        show(onClickImage, false);
        if (onMoveImage)
            onMoveImage->Visible(true);
        else
            show(standard, true);
    }
    return p;
}

// An image in two roles moves once.
void CButton::Move(int dx, int dy)
{
    CGraphicsObject* moved[5] = {};
    int n = 0;
    for (CGraphicsObject* image : {standard, onMoveImage, onClickImage, accent, dragImage}) {
        bool seen = !image;
        for (int i = 0; i < n && !seen; ++i)
            seen = moved[i] == image;
        if (!seen) {
            image->Move(dx, dy);
            moved[n++] = image;
        }
    }
    if (!accent) {
        CXRect r = activeRect;
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
        SetActiveRect(r);
    }
}

int CButton::OnMove(CXPoint p, int, void*) { return onMouseMove(p); }

int CButton::OnClick(CXPoint p, int, void*)
{
    int result = 0;
    if (draggingEnabled && hotSpot->getUnit()) {
        CGraphicsObject* image = dragImage ? dragImage : standard ? standard : onMoveImage;
        if (image) {
            Enable(false);
            image->Visible(true);
            if (hotSpot->getUnit()->onStartDragging(image, p, this))
                result = 1;
        }
    }
    playSound(onClickSound, false);
    CControl::onClick(p);
    return result;
}

void CButton::onAction(CXPoint p)
{
    if (hotSpot->getUnit() && hasReturnCode)
        hotSpot->getUnit()->setRetCode(returnCode);
    CControl::onAction(p);
}

void CButton::onKeyDown(int key)
{
    bool match = keyText == "<ANY>";
    if (!match) {
        typedKeys += char(key & 0xFF);
        const int n = keyText.getLength();
        if (typedKeys.getLength() > n)
            typedKeys = typedKeys.Right(typedKeys.getLength() - n);
        typedKeys.Upper();
        match = typedKeys == keyText;
    }
    if (match && hotSpot->getUnit() && hasReturnCode)
        hotSpot->getUnit()->setRetCode(returnCode);
}

void CButton::SYN()
{
    if (CDXMouse* mouse = window ? window->getDXMouseInterface() : nullptr)
        hitRecord = hotSpot->TestHit(mouse->getPosition());
}

void CButton::_release(CButton* button) { delete button; }

CXObject* CButton::clone()
{
    CButton* copy = new CButton(window, 0, hotSpot->getMCButton());
    copy->enabled = enabled;
    copy->flags = flags;
    copy->activeRect = activeRect;
    copy->hotSpotMask = hotSpotMask;
    copy->keyText = keyText;
    copy->typedKeys = typedKeys;
    copy->hasReturnCode = hasReturnCode;
    copy->returnCode = returnCode;
    copy->pressed = pressed;
    copy->frozen = frozen;
    copy->soundLocked = soundLocked;
    copy->hideStandardOnMove = hideStandardOnMove;
    copy->replaceImage(&copy->standard, standard);
    copy->replaceImage(&copy->onMoveImage, onMoveImage);
    copy->replaceImage(&copy->onClickImage, onClickImage);
    copy->replaceImage(&copy->accent, accent);
    copy->replaceImage(&copy->dragImage, dragImage);
    copy->onMoveSound = onMoveSound;
    copy->onClickSound = onClickSound;
    copy->userData = userData;
    copy->soundOnlyInSilence = soundOnlyInSilence;
    copy->draggingEnabled = draggingEnabled;
    // The shared images and sounds stay with the button they came from.
    copy->SetDeleteFlags(false, false);
    copy->hotSpot->Enable(enabled);
    return copy;
}
