#pragma once
#include "script/Object.h"

class CMC_ObjectsContainer;
class CXVector;

// How a script object is deleted, and why its memory is not always freed
// at once.
//
// Whatever deletes a script object (REMOVE, REMOVECLONES, a CLONE or LOAD
// that takes its name, RELEASE, DELETE, NEW over an instance, a container
// unloading its objects, a statement's code given as text) takes it out of
// its container and hands it to dispose, telling it whether the command
// ends the object with its done() (Ending), which does three things:
//
// - It calls the object's done(false) when the command does (REMOVECLONES,
//   RELEASE). A container's unload calls done(true) on all its objects
//   first, in its own order, and then disposes of them without. The other
//   commands do not call it: REMOVE, a NEW, CLONE, LOAD or CREATE giving
//   the name to another object, DELETE (which runs the "DESTRUCTOR"
//   itself). done() is what runs a class instance's "DESTRUCTOR", so an
//   instance a title REMOVEs goes without it.
// - It finishes the object, at once (CMC_Object::finish): a class instance
//   whose done() did not run disposes of its own objects as REMOVE would;
//   the object raises its "ONDONE" (when it is bound and done() has not
//   raised it already), leaves every group, every binding that runs it
//   drops, and from then on it raises no events. That is everything a
//   script can see of the deletion.
// - It frees the memory: at once, unless something running holds this
//   very object: a statement that has it as its target or among the values
//   of its arguments, a behaviour that runs it for an owner or in a scope,
//   an operand's value that an expression or a condition has read and still
//   combines (CMC_Hold), a behaviour that runs (it removes itself), an
//   object that raises an event (it reads its next binding afterwards).
//   Such an object waits in the trash, which the application empties at the
//   start of every frame, when no script runs; nothing else is kept because
//   some script runs somewhere.
//
// So nothing a script observes depends on when the memory goes: a finished
// object that waits is found by no name and raises nothing, and what still
// holds it only reads it.
//
// Other places that put a free off, each for what it alone holds:
// - the window's public trash (CPublicTrash): a behaviour that ran on a
//   timer, once its timed run ended, swept by the window's timer;
// - a binding taken out while its behaviour runs (CMC_Binding): the run
//   reads its parameters; freed when the last run ends;
// - a behaviour's lines replaced while they run (CMC_Behaviour, retired
//   lines): freed when its outermost run ends;
// - an engine animation let go while it reports its step to its object,
//   or while any script runs (CMC_Animo::letGo, deferFree below): script
//   may run from under the animation in ways that pass no object that could
//   say so (its step told to a sequence's element, a collision reported,
//   a click on it), and the animation is no script object a hold names.
//   It leaves the screen at once; only its memory waits for the frame;
// - a canvas, pattern or view let go of while a draw is under way
//   (CGraphicsObject::deleteWhenDrawn): deleted when the outermost draw
//   ends, as script run from what it draws may delete its object;
// - the nodes a priority list's walk may be at (CPriorityList, held
//   nodes): freed when the last walk ends;
// - a behaviour broken off its timer run without a timer (_break, keep
//   below): events may still be bound to it; kept to the application's end.
class CMC_Disposal {
public:
    // Whether the command that deletes an object ends it with its done().
    enum Ending {
        // Deleted only: REMOVE, a name given to another object, DELETE, code
        // given as text; and a container's unload, whose done(true) came
        // before.
        WITHOUT_DONE,
        // done(false) first: REMOVECLONES, RELEASE.
        WITH_DONE,
    };
    // Ends the object as the command does, finishes it and frees it now,
    // or at the next freeWaiting when something holds it. The object has
    // left its container. Null is ignored; an object that waits already is
    // left to freeWaiting.
    static void dispose(CMC_Object* object, Ending ending);
    // A temporary object (a local variable, a loop's counter) belongs to
    // whoever made it: dispose only finishes it, and its maker lets it go
    // here, finished and freed as dispose frees.
    static void disposeTemporary(CMC_Object* object);
    // Frees at the next freeWaiting an object that something running may
    // still use, without finishing it (a type's helper that is no script
    // object).
    static void deferFree(CMC_Object* object);
    // Whether the object waits in the trash.
    static bool waits(CMC_Object* object);
    // How many objects wait in the trash.
    static int waitingCount();
    // Frees what waits, and what freeing puts there meanwhile; what is
    // still held (a behaviour still running) waits for the next call.
    static void freeWaiting();
    // Keeps a behaviour that left its container without being deleted (a
    // run on a timer broken off) until freeAll: events may still be bound
    // to it.
    static void keep(CMC_Object* behaviour);
    // At the application's end: the kept behaviours are disposed of and
    // everything that waits is freed.
    static void freeAll();
    // The container is being freed: the behaviours that wait and that it
    // was the scene of let go of everything that reaches it, while its
    // names can still be looked in.
    static void containerGone(CMC_ObjectsContainer* container);
    // Whether something running holds the object, as dispose decides.
    static bool held(CMC_Object* object);

private:
    friend class CMC_Object;
    // Takes out an object that is freed by someone else while it waits or
    // is kept.
    static void left(CMC_Object* object);
    static void wait(CMC_Object* object);
    // Frees a finished object now, or at the next freeWaiting when held.
    static void freeOrWait(CMC_Object* object);
};

// A hold that running code puts on the objects it points at and goes on
// using while script code it starts may delete them: an object and the
// values of an argument list (read when a deletion asks, so values put in
// later count). Made on the stack; the innermost is the last made.
class CMC_Hold {
public:
    explicit CMC_Hold(CMC_Object* object, CXVector* values = nullptr) : below(top), object(object), values(values)
    {
        top = this;
    }
    ~CMC_Hold() { top = below; }
    CMC_Hold(const CMC_Hold&) = delete;
    CMC_Hold& operator=(const CMC_Hold&) = delete;

    void setObject(CMC_Object* held) { object = held; }
    void setValues(CXVector* list) { values = list; }
    // Whether any hold on the stack names the object.
    static bool holds(CMC_Object* object);

private:
    CMC_Hold* below;
    CMC_Object* object;
    CXVector* values;
    static CMC_Hold* top;
};
