// What the collections give the script runtime beyond their creation from
// definitions: the types a scene snapshot restores, the application's
// "SYSTEM" object, the values of an array and the running timers for the
// scene's queries.
#include "collections/Array.h"
#include "collections/Class.h"
#include "collections/Database.h"
#include "collections/MultiArray.h"
#include "collections/Queue.h"
#include "collections/Structure.h"
#include "collections/System.h"
#include "collections/Timer.h"
#include "collections/Vector.h"
#include "script/Application.h"
#include "script/Scene.h"
#include "script/SceneRunner.h"
#include "script/SceneSnapshot.h"

namespace {
CMC_Object* restoreArray(CMC_Scene* scene) { return new CMC_Array(scene, CXString("temp")); }
CMC_Object* restoreTimer(CMC_Scene* scene) { return new CMC_Timer(scene); }
CMC_Object* restoreVector(CMC_Scene*) { return new CMC_Vector(static_cast<CMC_Vector*>(nullptr)); }
CMC_Object* restoreFifo(CMC_Scene* scene) { return new CMC_Fifo(scene); }
CMC_Object* restoreLifo(CMC_Scene* scene) { return new CMC_Lifo(scene); }
CMC_Object* restoreClass(CMC_Scene* scene) { return new CMC_Class(scene); }
// The records of these three hold less than the objects: the rest of them
// comes from the snapshot's state trailer.
CMC_Object* restoreStructure(CMC_Scene*) { return new CMC_Structure(CXString()); }
CMC_Object* restoreDatabase(CMC_Scene* scene) { return new CMC_Database(scene, nullptr); }
CMC_Object* restoreMultiArray(CMC_Scene* scene) { return new CMC_MultiArray(scene, CXString()); }
void structureState(CMC_Object* o, CXArchive* archive) { static_cast<CMC_Structure*>(o)->serializeFields(archive); }
void databaseState(CMC_Object* o, CXArchive* archive) { static_cast<CMC_Database*>(o)->serializeState(archive); }
void multiArrayState(CMC_Object* o, CXArchive* archive) { static_cast<CMC_MultiArray*>(o)->serializeState(archive); }

CMC_RegisterSnapshotType arrayRestorer(MC_ARRAY, &restoreArray);
CMC_RegisterSnapshotType timerRestorer(MC_TIMER, &restoreTimer);
CMC_RegisterSnapshotType vectorRestorer(MC_VECTOR, &restoreVector);
CMC_RegisterSnapshotType fifoRestorer(MC_FIFO, &restoreFifo);
CMC_RegisterSnapshotType lifoRestorer(MC_LIFO, &restoreLifo);
CMC_RegisterSnapshotType classRestorer(MC_CLASS, &restoreClass);
CMC_RegisterSnapshotType structureRestorer(MC_STRUCTURE, &restoreStructure, &structureState);
CMC_RegisterSnapshotType databaseRestorer(MC_DATABASE, &restoreDatabase, &databaseState);
CMC_RegisterSnapshotType multiArrayRestorer(MC_MULTIARRAY, &restoreMultiArray, &multiArrayState);

CMC_Object* makeSystem(CMC_ObjectsContainer* application) { return new CMC_System(application); }
CXArray* arrayValues(CMC_Object* array) { return static_cast<CMC_Array*>(array)->getElements(); }
// A timer runs while it is enabled; it has no pause of its own to resume.
bool timerRunning(CMC_Object* timer) { return static_cast<CMC_Timer*>(timer)->isEnabled(); }
const CMC_PlayState timerState = {&timerRunning, nullptr, nullptr};

struct Registration {
    Registration()
    {
        CApplication::layers().makeSystemObject = &makeSystem;
        CMC_Scene_Runner::setArrayValues(&arrayValues);
        CMC_Scene::setPlayState(MC_TIMER, &timerState);
    }
} registration;
} // namespace
