#pragma once
#include "script/Runner.h"
#include "script/Scene.h"

class CCommandLine6;
class CMC_StructureParser;

// The top of a title's script world, the object "APPLICATION" (type 1000):
// a scene whose children are episodes and scenes, with a start child. It is
// built from the application definition by the structure parser or read
// from the snapshot "application.bin", which it can also write. Entering it
// makes the objects "RANDOM", "SYSTEM" and "CNVLOADER" and enters the start
// child at once; its frame step is the frame step of the whole script world.
class CMC_Application : public CMC_Scene {
public:
    // From the definition record: "EPISODES", then "SCENES" (each split at
    // ',' and ' '), then "STARTWITH" when it names a child or a scene of one
    // (else the first child); then the
    // application's own objects from its definition file in its folder.
    CMC_Application(CWindow* window, CMC_StructureParser* parser, CMElement* element, CCommandLine6* commandLine);
    // Reads "application.bin" in the current directory, then the
    // application's own objects from its scene snapshot. When it cannot be
    // opened or read whole, the error code is set.
    explicit CMC_Application(CWindow* window);
    ~CMC_Application() override;

    // Makes the built-in objects, raises "ONINIT", runs "__INIT__" and enters
    // the start child; false when there is none. from is not used.
    bool initialize(CMC_Scene* from) override;
    // Gives every temporary back and frees what scripts deleted, hands
    // on what the network objects received, then a pending switch and the
    // running child.
    void domodal() override;
    // The start child again: in place when it is running, else the running
    // child leaves and the start child is entered (no history entry). Asked
    // by a script, the leaving waits for the frame step, as scene switches
    // do: it deletes the running child's objects, among them the behaviour
    // that asked.
    void restart() override;
    // "ONDONE" on the application, then the running child leaves.
    void unload(CMC_Scene* next) override;
    using CMC_Scene::unload;
    // Ends the loop after this frame and raises "ONEXIT".
    virtual void exit();
    // Writes "application.bin" in the data folder below the root path.
    // Refused (nothing is written) when a child is not an episode: a
    // snapshot reads every child back as an episode. Why the last write
    // failed is kept (getStoreFailure).
    virtual void storeBinary();
    // Empty when the last storeBinary wrote the snapshot, else why not.
    CXString getStoreFailure() const { return storeFailure; }
    // The application record of "application.bin": the scene record, the
    // child count, the start child's index and one episode record per child.
    void serialize(CXArchive* archive) override;
    CMC_Scene* getMCApplication() override { return this; }

    CMC_Scene* getStartChild() { return startChild; }
    CCommandLine6* getCommandLine() { return commandLine; }

private:
    CWindow* window;
    CMC_Scene* startChild;
    CCommandLine6* commandLine;
    CXString storeFailure;
    bool soundDecoderLoaded;
    bool restartPending;
};

class CMC_Application_Runner : public CMC_Runner {
public:
    enum {
        EXIT = 1,
        RESTART = 2,
        GOTO = 3,
        SETLANGUAGE = 4,
        GETLANGUAGE = 5,
        PRINT = 6,
        ENABLEMUSIC = 7,
        DISABLEMUSIC = 8,
        RUN = 9,
        STOREBINARY = 10,
        RUNENV = 11,
        EXISTSENV = 12,
        UPGRADE = 13,
        NEEDSUPGRADE = 14
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    // Runs a method on an object named at run time, with the arguments from
    // `first` on (read through reader): a behaviour asked for run (its
    // condition not checked) or runC (checked) runs for owner with the
    // arguments' texts as its parameters, the method name compared exactly
    // ("RUN", "RUNC") or in any case; any other method goes to the object's
    // runner by name with the arguments themselves. Null when the object or
    // its runner is missing, and after a behaviour's run.
    static CMC_Variable* runOn(CMC_Runner* reader, CMC_Object* target, const CXString& method, CMC_Object* owner,
                               CMC_ObjectsContainer* container, CXVector* args, int first, bool exactCase);

private:
    CMC_Variable* print(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* runMethod(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* environment(CMC_Object* object, CXVector* args, bool run);
    CMC_Variable* upgrade(CMC_Object* object, CXVector* args, bool query);
};
