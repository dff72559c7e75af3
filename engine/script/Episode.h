#pragma once
#include "script/Runner.h"
#include "script/Scene.h"

class CMC_StructureParser;

// An ordered group of scenes (type 1001 "EPISODE") with a start scene, the
// history of scenes entered and the name of the scene it left last. The
// navigation methods only record a target; the next frame step switches.
class CMC_Episode : public CMC_Scene {
public:
    // From a definition record: "SCENES" (split at ',' and ' ') names the
    // scenes the parser built, "STARTWITH" the start scene among them (else
    // the first).
    // A scene that another episode or the application already took is not
    // taken again, nor is an episode.
    CMC_Episode(CWindow* window, CMC_StructureParser* parser, CMElement* element);
    // For a snapshot: serialize reads the record.
    explicit CMC_Episode(CWindow* window);
    // Leaves the running scene, deletes its scenes, then unloads the
    // episode's own objects.
    ~CMC_Episode() override;

    // Loads the episode's own objects, raises "ONINIT", runs "__INIT__" and
    // enters the start scene at once.
    bool initialize(CMC_Scene* from) override;
    // Leaves the running scene ("ONDONE" first when bound) and remembers
    // its name as the latest scene.
    void unload(CMC_Scene* next) override;
    using CMC_Scene::unload;
    // The episode record of "application.bin": the scene record, the scene
    // count, the start scene's index and one scene record per scene. Writing
    // loads each scene's objects for its own snapshot file and unloads them
    // again. A record that cannot be read whole sets the error code.
    void serialize(CXArchive* archive) override;

    // The next scene, without wrapping; a running scene that is not one of
    // the episode's goes to the first.
    virtual void next();
    virtual void prev();
    // The scene entered before the running one; the history loses its last
    // entry and the switch appends the target again.
    virtual void back();
    CXString getLatestScene() const { return latestScene; }
    CMC_Scene* getStartScene() { return startScene; }

private:
    void storeScene(CXArchive* archive, CMC_Scene* scene);

    CMC_Scene* startScene;
    CXString latestScene;
    // The episode's own objects were loaded by initialize (they stay while
    // it is left).
    bool ownObjectsLoaded;
};

class CMC_Episode_Runner : public CMC_Runner {
public:
    enum { NEXT = 1, PREV = 2, BACK = 3, RESTART = 4, GOTO = 5, GETLATESTSCENE = 6, GETCURRENTSCENE = 7 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
