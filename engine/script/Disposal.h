#pragma once
#include "script/Object.h"

class CMC_ObjectsContainer;

// How a script object is deleted, and why its memory is not always freed
// at once.
//
// Whatever deletes a script object (REMOVE, REMOVECLONES, a CLONE or LOAD
// that takes its name, RELEASE, DELETE, NEW over an instance, a container
// unloading its objects) takes it out of its container and hands it to
// dispose, which does two things:
//
// - It finishes the object, at once (CMC_Object::finish): the object raises
//   its "ONDONE" (when it is bound and done() has not raised it already), a
//   class instance finishes and disposes of its own objects, the object
//   leaves every group, every binding that runs it drops, and from then on
//   it raises no events. That is everything a script can see of the
//   deletion.
// - It frees the memory: at once, unless something running may still hold
//   the object. While script code is being evaluated, the statements on
//   the stack may hold it as their target or an argument; a behaviour may
//   be running (a behaviour that removes itself); an object may be raising
//   an event and be about to read its next binding. Such an object waits
//   in the trash, which the application empties at the start of every
//   frame, when no script runs.
//
// So nothing a script observes depends on when the memory goes: a finished
// object that waits is found by no name and raises nothing, and the
// statements that still hold it only read it.
class CMC_Disposal {
public:
    // Finishes the object and frees it now or at the next flush. The object
    // has left its container. Null is ignored; an object that waits already
    // is left to the flush.
    static void dispose(CMC_Object* object);
    // Frees at the next flush an object that something running may still
    // use, without finishing it (a type's helper that is no script object).
    static void deferFree(CMC_Object* object);
    // Whether the object waits in the trash.
    static bool waits(CMC_Object* object);
    // Frees what waits, and what freeing puts there meanwhile; what is
    // still held (a behaviour still running) waits for the next flush.
    static void flush();
    // Keeps a behaviour that left its container without being deleted (a
    // run on a timer broken off) until done: events may still be bound to it.
    static void keep(CMC_Object* behaviour);
    // At the application's end: the kept behaviours are disposed of and
    // everything that waits is freed.
    static void done();
    // The container is being freed: the behaviours that wait and that it
    // was the scene of let go of everything that reaches it, while its
    // names can still be looked in.
    static void containerGone(CMC_ObjectsContainer* container);

private:
    friend class CMC_Object;
    // Takes out an object that is freed by someone else while it waits or
    // is kept.
    static void left(CMC_Object* object);
    static bool held(CMC_Object* object);
    static void wait(CMC_Object* object);
};
