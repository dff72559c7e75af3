#pragma once
#include "base/XString.h"

#include <memory>
#include <vector>

class CMC_Object;
class CMC_Scene;
class CReplacingFile;
class CXArchive;

// The object types a scene snapshot can restore, by type id. A type's
// subsystem registers how an empty object of the type is made for the scene
// being read; the reader then lets the object read its own record
// (serialize). Ids without a restorer go to the scene's plug-ins; a record
// that nobody restores ends the reading, since records carry no length.
class CMC_SnapshotTypes {
public:
    using Restorer = CMC_Object* (*)(CMC_Scene* scene);

    // Sets, or with null clears, the restorer of a type id.
    static void registerType(int typeId, Restorer restorer);
    static Restorer getRestorer(int typeId);
    // Whether the writer saves objects of that type: all but the
    // application, episodes, scenes, "RANDOM", "SYSTEM" and the definition
    // loader.
    static bool isSaved(int typeId);

    // What some records leave out (a structure's fields, a database's model
    // and rows, a multi-array's name and cells, the names a graphic buffer
    // stamps from and onto) follows the last record as
    // the state trailer: STATE_MARK, a count, and for each such object in
    // record order its record index, its type id and its state. Readers of
    // the records alone stop before it, and a file without it restores what
    // its records hold. One function writes or reads a type's state, as the
    // archive says.
    enum : int { STATE_MARK = 0x31535851 }; // "QXS1"
    // A type the engine does not know (a plug-in's) answers for its objects
    // itself (CMC_Object::getSnapshotState).
    using StateIO = void (*)(CMC_Object* object, CXArchive* archive); // CMC_Object::SnapshotState
    static void registerState(int typeId, StateIO io);
    static StateIO getState(int typeId);
    // The state function of an object: its type's, else its own; null for
    // none.
    static StateIO stateOf(CMC_Object* object);
};

// The files one snapshot of a title writes: every scene's "<name>.bin",
// then "application.bin". While a set is open, each file written waits as
// a finished temporary beside its name; the set then puts them all in
// place, or, when anything failed (a plug-in that could not be loaded, a
// file that could not be written), deletes them and every file of the
// title stays as it was. One set is open at a time.
class CMC_SnapshotFiles {
public:
    CMC_SnapshotFiles();
    // Deletes the temporaries that were not put in place.
    ~CMC_SnapshotFiles();
    CMC_SnapshotFiles(const CMC_SnapshotFiles&) = delete;
    CMC_SnapshotFiles& operator=(const CMC_SnapshotFiles&) = delete;

    // The set open now, or null.
    static CMC_SnapshotFiles* current();
    void keep(std::unique_ptr<CReplacingFile> file);
    // Why the snapshot is not to be written; the first reason is kept.
    void fail(const CXString& reason);
    bool failed() const { return failure.IsString(); }
    CXString getFailure() const { return failure; }
    // Puts the kept files in place in the order kept; false when one could
    // not be (it and those after it are deleted).
    bool commit();

private:
    std::vector<std::unique_ptr<CReplacingFile>> files;
    CXString failure;
    CMC_SnapshotFiles* previous;
};

// Registers a restorer when the library is loaded:
//   static CMC_RegisterSnapshotType reg(MC_TIMER, &restoreTimer);
struct CMC_RegisterSnapshotType {
    CMC_RegisterSnapshotType(int typeId, CMC_SnapshotTypes::Restorer restorer,
                             CMC_SnapshotTypes::StateIO state = nullptr)
    {
        CMC_SnapshotTypes::registerType(typeId, restorer);
        if (state)
            CMC_SnapshotTypes::registerState(typeId, state);
    }
};
