#pragma once
#include "graphics/GraphicsObject.h"
#include "media/AnimoEvents.h"
#include "media/Playable.h"

#include <cstdint>
#include <memory>
#include <vector>

class CAnimationManager;
class CAnimoReader;
class CFrame;
class CSndStream;
class CSound4;

// What an animation shows and plays: its frames, its events with one frame
// record and one frame sound per position. An animation and the copies
// made of it (CAnimo(CAnimo&)) hold one of these together; it is freed
// with the last of them, so a copy never shows frames its source freed.
// Pieces the editing operations take out stay here until then.
struct CAnimoPieces {
    CAnimoPieces() = default;
    ~CAnimoPieces();
    CAnimoPieces(const CAnimoPieces&) = delete;
    CAnimoPieces& operator=(const CAnimoPieces&) = delete;

    std::vector<CFrame*> frames;
    std::vector<_annEventInfo3*> events;
    // Per event: one record per position, or none at all.
    std::vector<std::vector<_anmFrameInfo3*>> records;
    // Per event: one sound per position (null for none); no tables at all
    // when the frame sounds are streamed.
    std::vector<std::vector<CSound4*>> sounds;
    std::vector<CFrame*> retiredFrames;
    std::vector<_annEventInfo3*> retiredEvents;
    std::vector<_anmFrameInfo3*> retiredRecords;
    std::vector<CSound4*> retiredSounds;
};

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
// Where it stands on the screen: a frame is drawn at the global origin plus
// the frame's own position (from the file) plus the offset of the current
// position's record. The drawable's own position (x, y) is the frame's
// position plus that offset, without the global origin.
//
// An animation registers with the application's animation manager while it
// exists; the manager steps a playing one through next(). Main thread only.
class CAnimo : public CGraphicsObject, public CPlayable {
public:
    enum { TYPE_ANIMATION = 2 };
    // GetStatus: the animation's own status word (CPlayable's differs).
    enum { ANIMO_PLAYING = 0, ANIMO_STOPPED = 1, ANIMO_PAUSED = 2 };
    enum { DIRECTION_FORWARD = 0, DIRECTION_BACKWARD = 1 };
    enum { DEFAULT_FPS = 15 };
    // Position codes of GetFrameNo.
    enum { POSITION_CURRENT = -1, POSITION_FIRST = -2, POSITION_LAST = -3 };
    // A file that is not an animation or is damaged gives the drawable's
    // ERROR_DAMAGED; one that cannot be opened 2000.

    explicit CAnimo(CWindow* window);
    // Loads the file (see Load).
    CAnimo(CWindow* window, const CXString& fileName);
    // A copy that shows the source's frames and plays its events, sharing
    // them (with their records and sounds) instead of copying them: it
    // starts where the source stands, with the same place, rate, flags and
    // file, and reports to observers of its own. Registered with the
    // animation manager like any animation.
    explicit CAnimo(CAnimo& source);
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

    // Lets go of the frames, events, records and sounds (freed when no copy
    // shares them) and forgets the current frame; the animation is empty.
    void Flush() override;
    // Draws the current frame into the destiny in the animation's place,
    // packing the frame drawn before when it is another.
    void Redraw() override { redraw(GetDestiny()); }
    // The same onto a given target.
    void redraw(CGraphicsObject* target) override;
    // The current frame's rectangle at GetPosition(); empty without a
    // current frame; cut to the clipping rectangle moved there when there
    // is one.
    CXRect GetBoundingBox() override;
    CXRect GetAbsoluteBoundingBox() override { return GetBoundingBox(); }
    // The current frame's pixels; null without one.
    char* GetDataPtr() override;
    CGraphicsObject* getDrawn() override;
    CXString getFileName() { return CPlayable::getFileName(); }
    // A plane byte of the frame drawn last, or of the current frame when
    // none was drawn, in the frame's own pixels; 0 without a frame.
    unsigned char GetPixel(_channel channel, CXPoint p) override;
    // A pixel of the current frame; black without one.
    CColor GetPixel(int px, int py) override;
    CColor GetPixel(CXPoint p) override { return GetPixel(p.x, p.y); }
    // The first frame's centre; (0, 0) without frames.
    CXPoint getCenterPoint() override;
    // False without a current frame, else the current frame's own test
    // (CGraphicsObject::isInside), in the frame's place.
    bool isInside(int px, int py, bool pixelExact);

    // Positions. The global origin is where the animation stands; every
    // change is reported to the collision inspector when the drawable
    // watches collisions.
    // The origin becomes (px, py) minus the anchor; nothing is invalidated.
    void SetGlobalPosition(int px, int py) override;
    void SetGlobalPosition(CXPoint p) override { SetGlobalPosition(p.x, p.y); }
    void setPosition(int px, int py) override { SetGlobalPosition(px, py); }
    void setPosition(CXPoint p) override { SetGlobalPosition(p.x, p.y); }
    // Every frame is placed at (px, py) (its offset cleared); the drawable
    // takes the current frame's place.
    void SetPosition(int px, int py) override;
    void SetPosition(CXPoint p) override { SetPosition(p.x, p.y); }
    // Moves the origin and invalidates the old and the new bounding box
    // with the screen.
    void Move(int dx, int dy) override;
    void Move(CXPoint d) override { Move(d.x, d.y); }
    void move(int dx, int dy) override { Move(dx, dy); }
    void move(CXPoint d) override { Move(d.x, d.y); }
    // The global origin plus the current frame's position plus the current
    // record's offset: the top-left corner of the frame on the screen (the
    // origin alone without a current frame).
    CXPoint GetPosition() override;
    // The global origin.
    CXPoint getPosition() override { return CXPoint(globalX, globalY); }
    CXPoint getGlobalOrigin() { return CXPoint(globalX, globalY); }
    // The current frame's own position; (0, 0) without one.
    CXPoint getCurrFramePosition();
    // From the screen into the current frame's own pixels: p minus the
    // global origin minus the drawable's position.
    CXPoint ClientCoords(CXPoint p) override;

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
    // One step: backward after a ping-pong turn, else forward. The
    // position in the event.
    int next() override;
    int previous() override;
    int getFPS() override { return fps; }
    // Whether the drawable is shown.
    bool isVisible() override { return IsVisible(); }
    // show() or hide().
    void setVisibility(bool on) override;
    // Loads the file first when it was named but is not (or no longer)
    // loaded; then shows the drawable.
    void show() override;
    // Frees the frames first when they are released after use; then hides
    // the drawable.
    void hide() override;
    // Asks the window's screen refresh to keep the drawable on top.
    void alwaysOnTop() override;
    // The resources manager lets go of the animation for good: it is hidden
    // and leaves the screen refresh.
    void withdraw(CWindow* window) override;

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
    // Plays the current event on from where it stands, at the event's rate.
    void Continue();
    // StopNoNotify when playing.
    void Stop();
    // Stops the streamed frame sound, hides with an event that asks it,
    // and stops the current frame sound unless the event or the animation
    // lets it go on. No report.
    void StopNoNotify();
    void Pause();
    // Plays on from where it was paused; reports resumed.
    void Resume();
    // Shows a frame outside any event (SetFrame).
    void Seek(int frame) { SetFrame(frame); }
    int Current() { return currentFrame; }
    // One step forward or backward through the current event, with its
    // loop, ping-pong turn, hold while the frame sound plays and the move
    // on to the next event; the end of an event stops the animation with
    // the finished report. Return the position in the event.
    int Next();
    int Prev();
    // Plays the event's reversed twin (name + "_reverse"; a name that ends
    // so is taken as it is), made from the event and added when there is
    // none yet.
    void playReverse(const CXString& event, int position);
    int GetDirection() { return direction; }
    void SetDirection(int d) { direction = d; }
    // Plays the sound of a position: the streamed file of its sound list
    // with ANIMO_STREAMED_SOUNDS, else its sound object.
    void PlaySoundFX(int event, int position);

    // Showing a frame. -1 as an event means the current one.
    // A position of an event: its frame, offset and opacity; when playing,
    // its sound. Nothing when the event or the position is out of range.
    void SetEventFrame(int event, int position);
    // The event named so (any case); nothing when none is.
    void SetEventFrame(const CXString& event, int position);
    // The first position of the event whose name (GetName with an empty
    // fallback) is the text in any case; that position, -1 when none.
    int SetEventFrame(int event, const CXString& frameName);
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
    int GetNOF() { return int(pieces->frames.size()); }
    // Null out of range.
    CFrame* GetFrame(int index);
    CFrame* getLastRefreshed() { return lastRefreshed; }
    // Appends a frame the animation then owns.
    void appendFrame(CFrame* frame);
    // Appends a frame holding a copy of the drawable's pixels, placed at
    // its position; null without a drawable.
    CFrame* AddFrame(CGraphicsObject* source);
    // Does nothing.
    CFrame* AddFrame(int, int, int) { return nullptr; }
    // Takes a frame no event shows out of the frames (later frames move
    // down by one); false when an event shows it or it does not exist.
    bool RemoveFrame(int frame);
    // Takes a position out of an event.
    void RemoveFrame(int event, int position);
    // Deletes the event's positions and their records.
    void RemoveAllFrames(int event);
    // Swaps two positions of an event with their records.
    void ExchangeFrames(int event, int a, int b);
    // Every frame takes that depth, unless the animation is stored packed;
    // the animation records the depth in any case.
    void Convert(int bpp);

    // Events.
    int GetNOE() { return int(pieces->events.size()); }
    // Null out of range.
    _annEventInfo3* GetEventInfo(int event);
    // The frame record of a position; null when the event has none there.
    _anmFrameInfo3* GetFrameInfo(int event, int position);
    // Its frame record of the current event.
    _anmFrameInfo3* GetFrameInfo(int position) { return GetFrameInfo(currentEvent, position); }
    // The sound object of a position; null when it has none.
    CSound4* getSoundFX(int event, int position);
    // Whether the events have sound tables (not when sounds are streamed).
    bool hasSoundTables() { return !pieces->sounds.empty(); }
    // The first event named so (any case); -1 when none is.
    int resolveEventName(const CXString& event);
    int GetEventNo(const CXString& event) { return resolveEventName(event); }
    // The index given, the current event for -1.
    int GetEventNo(int event) { return event == -1 ? currentEvent : event; }
    // The event's name; empty out of range.
    CXString GetEventName(int event);
    CXString getCurrentEventName() { return GetEventName(currentEvent); }
    // The first event that has frames; 0 when none has.
    int getFirstEvent();
    int GetCurrentEvent() { return currentEvent; }
    void SetCurrentEvent(int event) { currentEvent = event; }
    int GetCurrentFrameInSequence() { return currentPosition; }
    int getLastEvent() { return lastEvent; }
    // The number of positions of an event (-1 the current one), of the
    // event named so (any case); 0 when there is none.
    int GetNOFInEvent(int event);
    int GetNOFInEvent(const CXString& event) { return GetNOFInEvent(resolveEventName(event)); }
    // The frame at a position of an event; -1 out of range.
    int GetEventFrame(int event, int position);
    // The current frame number.
    int GetFrameNo() { return currentFrame; }
    // A position code resolved: POSITION_LAST the event's last position,
    // POSITION_FIRST 0, POSITION_CURRENT the current one; others as they
    // are.
    int GetFrameNo(int event, int position);
    // The first position of the event whose frame name is the text
    // exactly; -1 when none.
    int GetFrameNo(int event, const CXString& frameName);
    // The frame name of a position (-1 for either: the current one);
    // empty when it has none.
    CXString getFrameName(int event, int position);
    // The frame name of a position when it has a non-empty one; else
    // "Frame <position>" for the fallback "Default", else the fallback.
    CXString GetName(int event, int position, const CXString& fallback);
    // Over every event in order, the first position whose frame name is
    // the text in any case: its frame (null when none), its position (-1).
    CFrame* getFrame(const CXString& frameName);
    int getFrameNo(const CXString& frameName);
    // Loop start and end into the point; the loop count (0 out of range).
    int GetLoop(_animoevent event, CXPoint& loop);
    // Appends an event that the animation then owns, with its records
    // (one per position, or none) and no sounds.
    void appendEvent(_annEventInfo3* event, std::vector<_anmFrameInfo3*> records);
    // Appends a copy of the event with a default record per position and
    // no sounds; its index, -1 without an event.
    int AddEvent(_annEventInfo3* event);
    // Takes an event out of the events.
    void RemoveEvent(int event);
    // Deletes every event with its records, tables and sounds.
    void RemoveAllEvents();
    // The position's sound object is deleted and replaced.
    void UpdateSoundFX(int event, int position, CSound4* sound);
    // The position's sound list is dropped.
    void ClearWAVEntry(int event, int position);

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
    // False in a copy, whose frames and events are its source's.
    bool ownsItsData() { return ownsData; }
    CSound4* getCurrentSound() { return currentSound; }
    CSndStream* getSoundStream() { return stream; }

    // How a position whose sound list names several files (";") gets its
    // random sound set; the random playables' layer installs the maker.
    // Without one such a position has no sound.
    using SoundSetMaker = CSound4* (*)(CWindow* window, const CXString& names, bool flushAfterPlayed, bool preload);
    static void setSoundSetMaker(SoundSetMaker maker);

protected:
    // The frames, events, records and sounds, shared with copies.
    std::shared_ptr<CAnimoPieces> pieces;

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
    // Whether the playing frame sound (streamed or object) still sounds.
    bool frameSoundPlays();
    // The event after the current one when it has frames; -1 otherwise.
    int nextEventWithFrames();
    // One step of Next or Prev.
    int step(bool forward);
    // Where a step forward or backward to *position in an event with
    // frames leads, and whether anything is shown there (AnimoPlay.cpp).
    bool stepForward(_annEventInfo3* e, int* position);
    bool stepBackward(_annEventInfo3* e, int* position);
    // The end of an event: on with the next one when the animation chains
    // events and it has frames (true), else the animation stops (false).
    bool endOfEvent(int* position);
    // Repaints the screen where the bounding box was.
    void invalidateBox(const CXRect& box);

    CXString author;
    CXString description;
    int currentFrame;
    int currentEvent;
    int currentPosition;
    int lastEvent;
    CFrame* lastRefreshed;
    int globalX, globalY;
    // False in a copy, which shares its source's pieces.
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
