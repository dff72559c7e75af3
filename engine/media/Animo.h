#pragma once
#include "graphics/GraphicsObject.h"
#include "media/AnimoEvents.h"
#include "media/Playable.h"

#include <cstdint>
#include <vector>

class CAnimationManager;
class CAnimoReader;
class CFrame;
class CSndStream;
class CSound4;

// The engine's frame animation: a drawable and a playable at once. It holds
// its frames (CFrame, each with its own pixels), its events (an ordered list
// of frame numbers with loop settings, a rate and flags), per event position
// a frame record (offset, opacity, name, texts, sound list) and the frame
// sound made from it, and where the animation stands: the current event,
// position and frame, and the frame drawn last.
//
// The animation shows the pixels of its current frame without owning them
// (its data pointers are the frame's). Frames stay packed until they are
// drawn, and drawing another frame packs the previous one again, so at most
// one frame of an animation is held open.
//
// An animation registers with the application's animation manager while it
// exists. Main thread only.
class CAnimo : public CGraphicsObject, public CPlayable {
public:
    enum { TYPE_ANIMATION = 2 };
    // GetStatus: the animation's own status word (CPlayable's differs).
    enum { ANIMO_PLAYING = 0, ANIMO_STOPPED = 1, ANIMO_PAUSED = 2 };
    enum { DIRECTION_FORWARD = 0, DIRECTION_BACKWARD = 1 };
    enum { DEFAULT_FPS = 15 };
    // A file that is not an animation or is damaged gives the drawable's
    // ERROR_DAMAGED; one that cannot be opened 2000.

    explicit CAnimo(CWindow* window);
    // Loads the file (see Load).
    CAnimo(CWindow* window, const CXString& fileName);
    ~CAnimo() override;
    CAnimo(const CAnimo&) = delete;
    CAnimo& operator=(const CAnimo&) = delete;

    // The file (AnimoFile.cpp). Load(CXString) flushes, reads the file found
    // through the data folders (or the open archive), makes the animation
    // visible and shows position 0 of the first event that has frames; the
    // result is the error code: 0, 2000 when the file cannot be opened,
    // ERROR_DAMAGED when it is no animation or is damaged (the animation is
    // then left empty).
    int Load(CXString fileName) override;
    // Reads an animation file from where the file stands: "NVI", "NV+",
    // "NVP", "PAK", "PIK", "PI2" or "PI3". Sets the error code; returns 0.
    int Load(CFile* file) override;
    // Writes the file as "NVP" with its frames compressed in that kind.
    // The error code: 0, 2000 when the file cannot be made.
    int Save(CXString fileName, _compression kind) override;
    // Writes only the legacy 12-byte probe ("PIK" for kind 0, "PI2" for 1,
    // "PI3" otherwise, the frame count and the depth code).
    int Save(CFile* file, _compression kind) override;
    // The "NVP" writer; false when the file took less than was written.
    bool Save3(CFile* file, _compression kind);

    // Frees frames, events, records and sounds (when the animation owns
    // them) and forgets the current frame; the animation is empty.
    void Flush() override;
    // Draws the current frame into the destiny in the animation's place,
    // packing the frame drawn before when it is another.
    void Redraw() override { redraw(GetDestiny()); }
    // The same onto a given target.
    void redraw(CGraphicsObject* target) override;
    // The current frame's rectangle at the global origin plus the frame's
    // own position plus the current position's offset; empty without a
    // current frame; cut to the clipping rectangle when there is one.
    CXRect GetBoundingBox() override;
    CXRect GetAbsoluteBoundingBox() override { return GetBoundingBox(); }
    // The current frame's pixels; null without one.
    char* GetDataPtr() override;
    CGraphicsObject* getDrawn() override;
    CXString getFileName() { return CPlayable::getFileName(); }

    // The playable.
    using CPlayable::play;
    // The current event from position 0.
    void play() override;
    // Stop; then, with notify, the finished report.
    void stop(bool notify) override;
    void pause() override { Pause(); }
    void resume() override { Resume(); }
    bool isPlaying() override { return state == ANIMO_PLAYING; }
    void seek(int frame) override { Seek(frame); }
    int getFPS() override { return fps; }

    // Playing.
    int GetStatus() { return state; }
    bool IsPlaying() { return state == ANIMO_PLAYING; }
    int GetFPS() { return fps; }
    // Values below 1 become 1.
    void SetFPS(int rate) { fps = rate < 1 ? 1 : rate; }
    // Plays an event from a position (the third argument is not used):
    // nothing for an event out of range or without frames, nor while a
    // playing animation or its current event may not be interrupted;
    // otherwise shows it (visible, rate 15 when none), reports started.
    void Play(_animoevent event, int position, int unused);
    // The event named so (any case); nothing when none is.
    void Play(const CXString& event, int position, int unused);
    // Event 0 from position 0.
    void Play() { Play(_animoevent(0), 0, DEFAULT_FPS); }
    // StopNoNotify when playing.
    void Stop();
    // Stops the streamed frame sound, hides with an event that asks it,
    // and stops the current frame sound unless the event or the animation
    // lets it go on. No report.
    void StopNoNotify();
    void Pause();
    void Resume();
    // Shows a frame outside any event (SetFrame).
    void Seek(int frame) { SetFrame(frame); }
    int Current() { return currentFrame; }
    int GetDirection() { return direction; }
    void SetDirection(int d) { direction = d; }
    // Plays the sound of a position: the streamed file of its sound list
    // with ANIMO_STREAMED_SOUNDS, else its sound object.
    void PlaySoundFX(int event, int position);

    // Showing a frame. -1 as an event means the current one.
    // A position of an event: its frame, offset and opacity; when playing,
    // its sound. Nothing when the event or the position is out of range.
    void SetEventFrame(int event, int position);
    // Makes a frame current (nothing out of range), reporting a tick with
    // notify.
    void Set(int frame, bool notify);
    // A frame shown at its own position, outside any event; no report.
    void SetFrame(int frame);
    // Takes the current frame's pixels and places the animation at the
    // frame's own position plus the current position's offset.
    void updateWithCurrentFrame();
    // Forgets the frame drawn last.
    void clearLastRefreshed() { lastRefreshed = nullptr; }

    // Frames.
    int GetNOF() { return int(frames.size()); }
    // Null out of range.
    CFrame* GetFrame(int index);
    CFrame* getLastRefreshed() { return lastRefreshed; }
    // Appends a frame the animation then owns.
    void appendFrame(CFrame* frame);

    // Events.
    int GetNOE() { return int(eventInfo.size()); }
    // Null out of range.
    _annEventInfo3* GetEventInfo(int event);
    // The frame record of a position; null when the event has none there.
    _anmFrameInfo3* GetFrameInfo(int event, int position);
    // Its frame record of the current event.
    _anmFrameInfo3* GetFrameInfo(int position) { return GetFrameInfo(currentEvent, position); }
    // The sound object of a position; null when it has none.
    CSound4* getSoundFX(int event, int position);
    // Whether the events have sound tables (not when sounds are streamed).
    bool hasSoundTables() { return !soundFX.empty(); }
    // The first event named so (any case); -1 when none is.
    int resolveEventName(const CXString& event);
    int GetEventNo(const CXString& event) { return resolveEventName(event); }
    // The first event that has frames; 0 when none has.
    int getFirstEvent();
    int GetCurrentEvent() { return currentEvent; }
    void SetCurrentEvent(int event) { currentEvent = event; }
    int GetCurrentFrameInSequence() { return currentPosition; }
    int getLastEvent() { return lastEvent; }
    // Appends an event that the animation then owns, with its records
    // (one per position, or none) and no sounds.
    void appendEvent(_annEventInfo3* event, std::vector<_anmFrameInfo3*> records);

    // Properties.
    uint32_t GetAnimoFlags() { return animoFlags; }
    void SetAnimoFlags(uint32_t f) { animoFlags = f; }
    CXString& Author() { return author; }
    CXString& Description() { return description; }
    short RandomFramesNumber() { return randomFrames; }
    void SetRandomFramesNumber(short n) { randomFrames = n; }
    bool getLoadAtStart() { return loadAtStart; }
    void setLoadAtStart(bool on) { loadAtStart = on; }
    // Filters the script layer attaches; not interpreted here.
    void SetAttachedFilter(unsigned char kind, void* f)
    {
        filterKind = kind;
        filter = f;
    }
    void* GetAttachedFilter(unsigned char* kind = nullptr)
    {
        if (kind)
            *kind = filterKind;
        return filter;
    }
    void SetAttachedChangeFilter(unsigned char kind, void* f)
    {
        changeFilterKind = kind;
        changeFilter = f;
    }
    bool ownsItsData() { return ownsData; }
    CXPoint getGlobalOrigin() { return CXPoint(globalX, globalY); }
    CSound4* getCurrentSound() { return currentSound; }
    CSndStream* getSoundStream() { return stream; }

    // How a position whose sound list names several files (";") gets its
    // random sound set; the random playables' layer installs the maker.
    // Without one such a position has no sound.
    using SoundSetMaker = CSound4* (*)(CWindow* window, const CXString& names, bool flushAfterPlayed, bool preload);
    static void setSoundSetMaker(SoundSetMaker maker);

private:
    void construct();
    // The manager of the window's application; null without one.
    CAnimationManager* manager();
    CWindow* owner() { return CGraphicsObject::window; }
    // Shows the current frame's pixels (or none) as the animation's own.
    void takeFramePixels();
    // The offset of the current position's record, (0, 0) without one.
    CXPoint recordOffset();
    // Frame sounds of the loaded positions (AnimoFile.cpp).
    void makeSounds();
    // The families (AnimoFile.cpp); false for a damaged file.
    bool Load3(CAnimoReader& in, const char* signature);
    bool LoadNew(CAnimoReader& in);
    bool loadLegacy(CAnimoReader& in, const char* signature);
    bool readFrames(CAnimoReader& in, int count, int headerSize);
    // Removes the file coding of every frame (LZO blocks, JPEG images);
    // false when one does not decode to its picture.
    bool openFileForms();
    // Three events named "standard" with every frame: two in order, the
    // third reversed.
    void addStandardEvents(int frameCount);
    // After the packed and legacy families: plain frames take the
    // screen's depth, and so does the animation.
    void convertToScreen();
    void stopFrameSound();

    CXString author;
    CXString description;
    std::vector<CFrame*> frames;
    std::vector<_annEventInfo3*> eventInfo;
    // Per event: one record per position, or none at all.
    std::vector<std::vector<_anmFrameInfo3*>> frameInfo;
    // Per event: one sound per position (null for none); no tables at all
    // when the frame sounds are streamed.
    std::vector<std::vector<CSound4*>> soundFX;
    int currentFrame;
    int currentEvent;
    int currentPosition;
    int lastEvent;
    CFrame* lastRefreshed;
    int globalX, globalY;
    // False in a copy that shares its source's frames, events, records and
    // sounds, which only the source frees.
    bool ownsData;
    int state;
    int direction;
    int fps;
    uint32_t animoFlags;
    // The playing frame sound: a stream the animation owns, or a sound of
    // the tables.
    CSndStream* stream;
    CSound4* currentSound;
    bool loadAtStart;
    short randomFrames;
    unsigned char filterKind, changeFilterKind;
    void* filter;
    void* changeFilter;
};
