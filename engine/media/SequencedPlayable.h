#pragma once
#include "media/Playable.h"

class CMElement;

// A playable made of child playables, in one of three modes:
//   SEQUENCE   the children one after the other: a run starts children at
//              once up to the next one whose wait mode is true, and the
//              next run begins when the last child started has finished;
//   RANDOM     one child drawn at random;
//   PARAMETER  the child that the first character of the parameter
//              selects ("1".."9" 0 to 8, "A".."Z" 9 to 34, "a" on 35 on),
//              which is given the rest of the parameter, so that nested
//              parameter sequences form a path.
// The sequence is the only observer of the child it starts and goes on or
// finishes when a child reports finished; the animation manager also
// calls next() every 100 ms while it plays, which notices a child that
// ended without a report.
//
// Children belong to the sequence, except sounds (the resources manager
// holds them) and children that other sequences list as well, which the
// last of them deletes. Main thread only.
class CSequencedPlayable : public CPlayable, public CPlayableObserver {
public:
    enum { TYPE_SEQUENCE = 7 };

    // An empty sequence, registered with the application's animation
    // manager; the element is not read.
    explicit CSequencedPlayable(CWindow* window);
    CSequencedPlayable(CWindow* window, CMElement* element);
    ~CSequencedPlayable() override;

    void addChild(CPlayable* child) override;
    int getChildrenNo() { return children->getSize(); }
    CPlayable* getChild(int index);
    int getCurrent() { return current; }
    // Whether the playable is this sequence or lies anywhere under it.
    bool contains(CPlayable* playable);

    // The leaf that plays now, through nested sequences; null when the
    // sequence does not play.
    CPlayable* getPlaying() override;
    // What the current child is given: in PARAMETER mode the parameter
    // without its first character, else all of it; empty when it has at
    // most one character.
    CXString getParameter() override;
    using CPlayable::getParameter;
    using CPlayable::play;
    void play() override;
    // Stops the current child with the same flag; children started earlier
    // in the run go on. No report of its own.
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    // A child reported finished: the run goes on (SEQUENCE) or the
    // sequence stops; finished is reported when nothing plays any more.
    bool onPlayableFinished(CPlayable* child) override;
    // Stops the current child and starts another (a child index or a SEEK_
    // code), without a parameter.
    void seek(int where) override;
    // The animation manager's step: in SEQUENCE mode the next run starts
    // when the current child ended, or the sequence stops after the last;
    // in RANDOM mode the sequence stops when its child ended.
    int next() override;
    void move(int dx, int dy) override;
    using CPlayable::move;
    void setPosition(int x, int y) override;
    using CPlayable::setPosition;
    void setVisibility(bool on) override;
    void alwaysOnTop() override;

    // The name of the element playing now: for an empty name or this
    // sequence's own, the current child's (asking a nested sequence the
    // same way); for another name the first answer of the nested
    // sequences. Empty while the sequence does not play.
    CXString getLastPlayedEvent(const CXString& name);
    using CPlayable::getLastPlayedEvent;
    // Every animation under the sequence, each once (the caller deletes
    // the array, not the animations).
    CXArray* getAllAnimations();
    // Every playable of that kind under the sequence, each once; sequences
    // are searched, never listed.
    CXArray* getAllOfType(int kind);
    // Where the event's recorded parameter leads through nested sequences.
    CPlayable* get(const CXString& event);
    // With which 1 the first animation's, else the first playing one's;
    // empty (0, 0) when there is none.
    CXRect getBoundingBox(int which);
    CXPoint getPosition(int which);
    // Gives the playable the sequence's volume and panning, and its
    // frequency when that is above 0.
    void accure(CPlayable* playable);

private:
    void start(CPlayable* child, bool withParameter);
    // The animation of a leaf: an animation, an animation event or a
    // talking animation; null for other kinds.
    static CAnimo* animationOf(CPlayable* playable);
    void collect(CXArray* out, int kind, bool animations);
    CAnimo* firstAnimation(int which);

    CXArray* children;
    int current;
};
