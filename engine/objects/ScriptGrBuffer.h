#pragma once
#include "base/Geometry.h"
#include "objects/FilterEffect.h"
#include "script/Object.h"
#include "script/Runner.h"

#include <memory>
#include <vector>

// One stamp of a graphic buffer: where it lies in the destination's own
// pixels, the part of the source it shows, and the destination's pixels it
// covered when it was made.
struct grbuffer__entry {
    int32_t x, y;
    CXRect rectangle;
    std::vector<uint16_t> backup;
};

// The script GRBUFFER (type 2026): stamps copies of the drawable of the
// object "SOURCE" names into the pixels of the drawable of the object
// "DESTINY" names ("BACKGROUND": the scene's background), each stamp an
// entry in one of 1000 slots that saves the pixels it covers so that it
// can be taken back in any order. It raises only the common events.
//
// The destination's pixels are plain 15/16-bit words in rows of its width
// (a surface's longer row when it has one). A stamp must lie inside the
// destination short of its last column and row. Slots outside 0..999 and
// empty ones are left alone; a source or destination that is missing (or
// was destroyed) makes "CREATE" answer -1 and the rest do nothing.
class CMC_GrBuffer : public CMC_Object {
public:
    enum { SLOTS = 1000 };

    CMC_GrBuffer(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", naming no source or destination until
    // the snapshot's state trailer gives their names.
    explicit CMC_GrBuffer(CMC_ObjectsContainer* container);
    // Frees every entry as FLUSHALL does without undoing: stamps stay.
    ~CMC_GrBuffer() override;
    CMC_GrBuffer(const CMC_GrBuffer&) = delete;
    CMC_GrBuffer& operator=(const CMC_GrBuffer&) = delete;

    // Finds the two drawables (the objects may be defined after this one),
    // then raises "ONINIT".
    void init() override;
    CXString** getBehavioursList() override;
    // The record is the base record alone: the names of the source and the
    // destination follow in the snapshot's state trailer. The entries are
    // not kept.
    void serializeState(CXArchive* archive);

    // The new entry's slot, the lowest free one; -1 when refused.
    virtual int create(CXPoint p, CXRect r);
    virtual void draw(int index, bool invalidate);
    virtual void undo(int index, bool invalidate);
    // Index -1 frees every entry, undoing from slot 999 down with undoFirst.
    virtual void flush(int index, bool undoFirst, bool invalidate);
    // The highest slot whose stamp covers p; -1 when none.
    virtual int findAt(CXPoint p);

    CGraphicsObject* getSource() { return source.get(); }
    CGraphicsObject* getDestination() { return destination.get(); }

private:
    grbuffer__entry* entryAt(int index);
    // The destination's pixel words and row length; null when it has no
    // plain 15/16-bit pixels.
    uint16_t* destinationWords(int* row);
    // Whether the stamp box lies inside the destination short of its last
    // column and row.
    bool fits(int x, int y, int w, int h);
    void invalidateEntry(const grbuffer__entry& e);

    CXString sourceName, destinationName;
    CFilterTarget source, destination;
    std::vector<std::unique_ptr<grbuffer__entry>> entries;
};

class CMC_GrBuffer_Runner : public CMC_Runner {
public:
    enum { CREATE = 1, DRAW = 2, UNDO = 3, FLUSH = 4, FLUSHALL = 5, FINDAT = 6 };

    void prepareMthHashSet() override;
    // Only the six own methods run: every other id, the common ones
    // included, does nothing and gives no value.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
