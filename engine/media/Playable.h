#pragma once
#include "base/Geometry.h"
#include "base/ResourcesManager.h"
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"

class CAnimo;
class CPlayable;
class CWindow;

// Told by a playable when it starts, steps, finishes or resumes. Every
// answer defaults to false.
class CPlayableObserver {
public:
    virtual ~CPlayableObserver() {}
    virtual bool onPlayableStarted(CPlayable*) { return false; }
    virtual bool onPlayableTick(CPlayable*) { return false; }
    virtual bool onPlayableFinished(CPlayable*) { return false; }
    virtual bool onPlayableResumed(CPlayable*) { return false; }
};

// One named event parameter.
class CNameValuePair : public CXObject {
public:
    CNameValuePair(const CXString& n, const CXString& v) : name(n), value(v) {}
    CXString name;
    CXString value;
};

// Named event parameters in insertion order; a name may appear twice (the
// first entry answers). Owns its entries.
class CNameValueList : public CXObject {
public:
    CNameValueList();
    ~CNameValueList() override;
    CNameValueList(const CNameValueList&) = delete;
    CNameValueList& operator=(const CNameValueList&) = delete;

    void add(const CXString& name, const CXString& value);
    // The first entry whose name matches in any (ASCII and code page 1250)
    // letter case; null when none does.
    CNameValuePair* findIgnoreCase(const CXString& name);
    // The first entry whose name matches exactly.
    CNameValuePair* find(const CXString& name);

private:
    CXVector* entries;
};

// Anything that plays: animations, images, sounds, movies, sequences. It
// holds the state they share (status bits, name, parameter, modes,
// visibility, volume, panning, frequency, parent), named event parameters
// and the observers it reports to. Main thread only.
class CPlayable : public CFileResolver {
public:
    // Status bits.
    enum { STATUS_PLAYING = 1, STATUS_PAUSED = 2 };
    // Report codes of notify.
    enum { NOTIFY_STARTED = 1, NOTIFY_TICK = 2, NOTIFY_FINISHED = 3, NOTIFY_RESUMED = 4 };
    // Modes of a sequence.
    enum { MODE_SEQUENCE = 1, MODE_RANDOM = 2, MODE_PARAMETER = 3 };
    // seek arguments that move relative to the current step.
    enum { SEEK_FIRST = -1, SEEK_LAST = -2, SEEK_PREVIOUS = -3, SEEK_NEXT = -4 };

    explicit CPlayable(CWindow* window);
    // Tells nobody and does not leave a parent.
    ~CPlayable() override;
    CPlayable(const CPlayable&) = delete;
    CPlayable& operator=(const CPlayable&) = delete;

    virtual void addChild(CPlayable*) {}
    virtual void setParent(CPlayable* p) { parent = p; }
    // True for a top-level playable (no parent).
    virtual bool isParent() { return parent == nullptr; }
    virtual void substAnimation(CAnimo*) {}
    virtual CXArray* getNotifiers() { return notifiers; }
    // Leaves the observer as the only one.
    virtual void setNotifier(CPlayableObserver* observer);
    virtual CPlayable* getPlaying() { return isPlaying() ? this : nullptr; }
    virtual CXString getParam() { return parameter; }
    // The parameter recorded for the event (any case); empty when none.
    virtual CXString getParameter(const CXString& event);
    virtual CXString getParameter() { return parameter; }
    // Stops without a report, then plays the named event with its parameter.
    virtual void play(const CXString& event);
    virtual void play() = 0;
    virtual void stop(bool notify) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual bool onPlayableFinished(CPlayable*) { return false; }
    virtual void onStarted() {}
    virtual void onFinished() {}
    virtual int getStatus() { return status; }
    virtual bool isPlaying() { return (status & STATUS_PLAYING) != 0; }
    virtual bool isPaused() { return (status & STATUS_PAUSED) != 0; }
    virtual int getType() { return type; }
    // A step number, or one of the SEEK_ values.
    virtual void seek(int position) = 0;
    virtual int previous();
    virtual int next();
    virtual int getFPS() { return 10; }
    virtual void move(int, int) {}
    virtual void move(CXPoint p) { move(p.x, p.y); }
    virtual void setPosition(int, int) {}
    virtual void setPosition(CXPoint p) { setPosition(p.x, p.y); }
    virtual void SetGlobalPosition(int, int) {}
    virtual void SetGlobalPosition(CXPoint p) { SetGlobalPosition(p.x, p.y); }
    virtual bool isVisible() { return visible; }
    virtual void setVisibility(bool on) { visible = on; }
    virtual void show() { setVisibility(true); }
    virtual void hide() { setVisibility(false); }
    virtual void alwaysOnTop() {}
    virtual CXString getLastPlayedEvent() { return lastPlayedEvent; }
    // Tells the observers, then the generic one, of a report (codes 1 to
    // 4; others call nobody). The last answer, true when nobody was called.
    virtual bool notify(int code);
    virtual void setVolume(int v) { volume = v; }
    virtual void setPanning(int p) { panning = p; }
    virtual void setFrequency(int f) { frequency = f; }

    void setName(const CXString& n) { name = n; }
    CXString getName() { return name; }
    void setGenericNotifier(CPlayableObserver* observer) { genericNotifier = observer; }
    CPlayableObserver* getGenericNotifier() { return genericNotifier; }
    int getParentsNo() { return parentsNo; }
    void addParent() { ++parentsNo; }
    void subParent() { --parentsNo; }
    void setMode(int m) { mode = m; }
    int getMode() { return mode; }
    void setWaitMode(bool on) { waitMode = on; }
    bool getWaitMode() { return waitMode; }
    void setParameter(const CXString& value) { parameter = value; }
    // Changes the first entry of exactly that name; adds none.
    void setParameter(const CXString& event, const CXString& value);
    void addEvent(const CXString& event, const CXString& value);
    void addNotifier(CPlayableObserver* observer);
    void removeNotifier(CPlayableObserver* observer);
    void clearNotifiers() { notifiers->removeAll(); }
    int getVolume() { return volume; }
    int getPanning() { return panning; }
    int getFrequency() { return frequency; }
    CWindow* getWindow() { return window; }
    CPlayable* getParent() { return parent; }

protected:
    int type;
    int status;
    int position;
    CXString name;
    CWindow* window;
    bool waitMode;
    CXString parameter;
    CNameValueList* events;
    int mode;
    int parentsNo;
    bool visible;
    CXString lastPlayedEvent;
    int volume;
    int panning;
    int frequency;
    CPlayable* parent;
    CPlayableObserver* genericNotifier;
    CXArray* notifiers;
};
