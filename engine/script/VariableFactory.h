#pragma once
#include "script/Variable.h"

class CMC_Bool;
class CMC_Double;
class CMC_Integer;
class CMC_String;

// Rings of pooled temporaries, one per basic type, through which statements
// hand values to each other without allocating.
//
// Rules for users:
// - A temporary is handed out as its previous user left it: set it.
// - Give it back with CMC_Object::flush when done; clearPool (first thing
//   in every application frame) gives back all of them.
// - A temporary that was given back keeps its value until its ring's
//   cursor comes round to it again (after the other temporaries of its
//   ring were handed out once more). The argument getters of CMC_Runner
//   rely on that: read what they return at once, never keep it.
// - Never keep a temporary beyond the frame or store it in a collection:
//   keep a clone() instead.
//
// A ring whose temporaries are all in use grows by another ring's worth
// (temporaries keep their addresses, new ids follow the old ones) and
// writes one line to the debugger output: something keeps temporaries it
// should have given back.
//
// Main thread only. The rings are built on first use when initialize was
// not called.
class CMC_VariableFactory {
public:
    enum { POOL_SIZE = 500 };

    // Builds the rings and makes CMC_Object::flush give temporaries back.
    static void initialize();
    // Deletes every temporary; the cursors keep their places.
    static void done();

    static CMC_Bool* allocBool();
    static CMC_Double* allocDouble();
    static CMC_Integer* allocInteger();
    static CMC_String* allocString();
    // Marks a temporary of a basic type free; anything else (a declared
    // variable, a value of another ring) is left alone, and so is a
    // temporary that is already free.
    static void free(CMC_Variable* temporary);
    static void clearPool();
    // Counts clearPool and done calls: a temporary kept from an earlier
    // generation may already belong to someone else and is not given back.
    static unsigned getGeneration();

    // A temporary of the same basic type set from v; null for other types.
    static CMC_Variable* copyVariable(CMC_Variable* v);
    // A typed archive value (uint32 type id, then the value) as a temporary;
    // null for another type id or a short read.
    static CMC_Variable* restore(CXArchive* archive);
    // A network value of length bytes as a temporary; null when it is
    // shorter than its type needs or the type id is not a basic type.
    static CMC_Variable* netrestore(const void* data, int length);

    // For checks: temporaries of a basic type in use, and the ring's size.
    static int getTakenCount(int typeId);
    static int getPoolSize(int typeId);
};
