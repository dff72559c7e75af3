#pragma once
#include "base/XString.h"
#include "graphics/GraphicsObject.h"
#include "ui/Control.h"
#include "ui/HotSpot.h"

class CButton;
class CControlUnit;
class CMC_Button;
class CRefreshScreen;
class CSound4;

// The hot spot of a button: forwards the dispatcher's calls to its button
// and keeps the button's on-move effects.
class CButtonHotSpot : public CHotSpot {
public:
    // Registered, with the rectangle as its hit area.
    CButtonHotSpot(CWindow* window, CButton* button, CXRect rect, int argument, CMC_Button* scriptButton);

    int OnMouseMove(CXPoint p, int flags, void* data) override;
    int OnLButtonDown(CXPoint p, int flags, void* data) override;
    int OnLButtonUp(CXPoint p, int flags, void* data) override;
    int OnRButtonDown(CXPoint p, int flags, void* data) override;
    int OnFocusOn(CXPoint p, int flags, void* data) override;
    int OnFocusOff(CXPoint p, int flags, void* data) override;
    // While the cursor is over the button with the on-move effects on.
    bool isOver() const { return over; }

private:
    // The unit is there and dragging, or not active.
    bool unitBusy();
    CButton* button;
    bool over;
};

// A control with up to three faces (standard, on-move, on-click images),
// two sounds (on-move, on-click), optionally draggable, whose clickable
// area is a hot spot it owns: a rectangle, or the pixels of an image. The
// images are put on the window's screen; whether the button deletes its
// images and sounds is set by SetDeleteFlags (images yes, sounds no at
// first). An image the button uses that is destroyed elsewhere is
// forgotten by the button. Main thread only.
class CButton : public CControl, public CInvalidateObserver {
public:
    enum _soundtype { SOUND_ONMOVE = 0, SOUND_ONCLICK = 1 };
    enum _accent { ACCENT_STANDARD = 0, ACCENT_ONMOVE = 1, ACCENT_ONCLICK = 2 };

    CButton(CWindow* window, CXRect rect, int id, CMC_Button* scriptButton);
    CButton(CWindow* window, int id, CMC_Button* scriptButton);
    ~CButton() override;

    void SetID(int i) override;
    // Shows (true) or hides (false) the standard image. Disabling also gives
    // the window its main cursor back, unfreezes and hides the other faces;
    // the hot spot follows.
    void Enable(bool on) override;
    void onAction(CXPoint p) override;
    // A copy for the same window with id 0 and no hit area yet, sharing the
    // images and sounds, which it never deletes.
    CXObject* clone() override;
    // Matches the typed keys against the key text ("<ANY>" matches every key).
    void onKeyDown(int key) override;

    virtual int getPriority();
    virtual void setPriority(int p);
    virtual int GetID();
    // Keeps the on-move image shown after the cursor leaves.
    virtual void Freeze(bool on);
    virtual int OnMove(CXPoint p, int flags, void* data);
    // The click: starts a drag when dragging is on, plays the on-click sound
    // and tells the notifiers; 1 when a drag started.
    virtual int OnClick(CXPoint p, int flags, void* data);
    // Disabled, with the standard image shown.
    virtual void DisableButVisible();

    bool SetActiveRect(CXRect rect);
    // The standard image with the hot spot's user data; removeOld takes the
    // previous one off the screen. Without a rectangle the image also
    // becomes the accent, the drag image and the hit area.
    bool Set(CGraphicsObject* image, void* data, bool removeOld);
    // A null image keeps the one there; the sound is set in any case.
    bool SetOnMove(CGraphicsObject* image, CSound4* sound);
    bool SetOnClick(CGraphicsObject* image, CSound4* sound);
    void SetSound(_soundtype type, CSound4* sound);
    void Accent(_accent which);
    // The image becomes the accent, the drag image and the hit area.
    void Accent(CGraphicsObject* image);
    // Presses (true) or releases the button's faces; answers the argument.
    bool Force(bool pressed);
    void Move(int dx, int dy);
    void Move(CXPoint d) { Move(d.x, d.y); }
    // Tests the hot spot against the mouse device's position.
    void SYN();
    static void _release(CButton* button);

    CButtonHotSpot* getHotSpot() { return hotSpot; }
    CGraphicsObject* GetStandard() { return standard; }
    CGraphicsObject* GetOnMove() { return onMoveImage; }
    CGraphicsObject* GetOnClick() { return onClickImage; }
    CGraphicsObject* GetAccent() { return accent; }
    CGraphicsObject* GetDragging() { return dragImage; }
    void SetDragging(CGraphicsObject* image);
    CSound4* GetSOOnMove() { return onMoveSound; }
    CSound4* GetSOOnClick() { return onClickSound; }
    CXPoint getClick() const { return clickPoint; }
    CXRect GetActiveRect() const { return activeRect; }
    bool IsDraggingEnabled() const { return draggingEnabled; }
    void EnableDragging(bool on) { draggingEnabled = on; }
    bool IsSoundLocked() const { return soundLocked; }
    void LockSound(bool on) { soundLocked = on; }
    void SetPlaySoundOnlyWhenSilence(bool on) { soundOnlyInSilence = on; }
    void HideStandardWhileOnMove(bool on) { hideStandardOnMove = on; }
    bool IsStandardHiddenWhileOnMove() const { return hideStandardOnMove; }
    void SetDeleteFlags(bool images, bool sounds)
    {
        deleteImages = images;
        deleteSounds = sounds;
    }
    bool IsPressed() const { return pressed; }
    bool IsFrozen() const { return frozen; }
    bool getHitRecord() const { return hitRecord; }
    void setHitRecord(bool hit) { hitRecord = hit; }
    void setUnit(CControlUnit* unit);
    CControlUnit* getUnit();
    void EnableCursor(bool on);
    void enableCursor(bool on) { EnableCursor(on); }
    void setMCButton(CMC_Button* button);

    // An image the button uses is going: it is forgotten.
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

    // For the hot spot: a button sound plays unless sounds are locked, and
    // with play-only-in-silence only without a unit.
    void playSound(CSound4* sound, bool evenInSilenceMode);

private:
    void setUp(CXRect rect, int id, CMC_Button* scriptButton);
    CRefreshScreen* screen();
    void putOnScreen(CGraphicsObject* image);
    // An on-move or on-click face: listed on the screen, hidden; a null
    // image keeps the face there.
    void setHiddenFace(CGraphicsObject** role, CGraphicsObject* image);
    // Watches the image (when new) and stops watching the replaced one
    // (when no role uses it any more).
    void replaceImage(CGraphicsObject** role, CGraphicsObject* image);
    bool usesImage(CGraphicsObject* image) const;
    // Stops watching an image no role (nor the hot spot) uses any more.
    void unwatchUnused(CGraphicsObject* image);
    void show(CGraphicsObject* image, bool on)
    {
        if (image)
            image->Visible(on);
    }

    CXRect activeRect;
    _event hotSpotMask;
    bool keyListener;
    CXString keyText;
    CXString typedKeys;
    bool hasReturnCode;
    int returnCode;
    bool pressed;
    bool frozen;
    bool soundLocked;
    bool deleteImages;
    bool deleteSounds;
    bool hideStandardOnMove;
    CGraphicsObject* standard;
    CGraphicsObject* onMoveImage;
    CGraphicsObject* onClickImage;
    CGraphicsObject* accent;
    CGraphicsObject* dragImage;
    CXPoint clickPoint;
    CSound4* onMoveSound;
    CSound4* onClickSound;
    void* userData;
    bool soundOnlyInSilence;
    bool draggingEnabled;
    bool hitRecord;
    CButtonHotSpot* hotSpot;

    friend class CButtonHotSpot;
};
