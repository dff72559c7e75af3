#pragma once
#include "script/Group.h"
#include "script/Object.h"

#include <cstdint>
#include <memory>
#include <vector>

class CGraphicsObject;
class IVemto;

// One link of a WORLD: a physics object tied to a drawable that follows it
// and to a script object that gets its signals. Neither is owned; the
// object whose drawable it is (`holder`) is watched, and the link goes when
// that object is deleted.
struct WorldLink {
    enum { MOVE = 1, SIGNALS = 2, DEFAULT_FLAGS = 3 };
    CGraphicsObject* drawable = nullptr;
    uint32_t id = 0;
    int32_t flags = DEFAULT_FLAGS;
    CMC_Object* object = nullptr;
    CMC_Object* holder = nullptr;
    float lastSpeed = 0;
    bool paused = false;
    // Taken out while the step runs; the record goes after it.
    bool removed = false;
};

// The camera of a WORLD: where the physics origin lies on the screen, and
// how far the background has scrolled to keep a followed object in view.
struct CWorldView {
    float left = 0, right = 800, top = 0, bottom = 600;
    float width = 800, height = 600;
    float refScreenX = 0, refScreenY = 0;
    float anchorX = 400, anchorY = 300;
    float originX = 400, originY = 300;
    float scrollX = 0, scrollY = 0;
    int32_t follow = 0; // 1 follow in x, 2 follow in y
    uint32_t reference = 0;

    void setBounds(float l, float r, float t, float b);
    // The reference object is at (x, y) in the physics frame.
    void update(float x, float y);
};

// The script WORLD (type 10003): a physics world (IVemto) made from the
// file that "FILENAME" names, the links between its objects and the
// scene's drawables and script objects, and the camera. The world step
// ("MOVEOBJECTS") advances the world, moves the linked drawables and raises
// "ONSIGNAL^ATGOAL", "^NOPATH", "^<other id>", "^ANY", "^NOCOLL",
// "^ONSTARTED" and "^ONFINISHED" on the linked objects. A WORLD restored
// from a snapshot has no physics world (every method then fails) until the
// snapshot's state gives it the name of its world file.
class CMC_World : public CMC_Object, private CMC_GroupMembers {
public:
    enum { TYPE_ID = 10003 };

    CMC_World(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", no physics world; tells so in a box.
    explicit CMC_World(CMC_ObjectsContainer* container);
    ~CMC_World() override;
    CMC_World(const CMC_World&) = delete;
    CMC_World& operator=(const CMC_World&) = delete;

    CXString** getBehavioursList() override;
    CMC_Runner* getRunner() override;
    SnapshotState getSnapshotState() override { return &snapshotState; }

    // Null for a restored WORLD.
    IVemto* getWorld() { return world.get(); }
    CWorldView& getView() { return view; }
    float worldStep();

    // A link is made only when the drawable or the object exists.
    void link(uint32_t id, CGraphicsObject* drawable, CMC_Object* object, CMC_Object* holder, int32_t flags);
    void unlink(uint32_t id);
    // One argument: (un)pauses the link; two: clears or sets its signal bit
    // (pause toggles it).
    void pauseLink(uint32_t id, bool signalBitOnly);
    void resumeLink(uint32_t id, bool signalBitOnly);
    // The live link of that id, or null.
    WorldLink* findLink(uint32_t id);
    int getLinkCount();

    // How new worlds are made (a test installs a recording one); null
    // restores the Box2D world.
    using WorldMaker = IVemto* (*)();
    static void setWorldMaker(WorldMaker maker);

private:
    // CMC_GroupMembers: the registry of watched objects reaches the links.
    void add(CMC_Object*) override {}
    void removeAll() override {}
    int getMembersNo() override { return 0; }
    CMC_Object* getMember(int) override { return nullptr; }
    void forget(CMC_Object* object) override;

    void loadWorld(CMC_ObjectsContainer* container);
    static void snapshotState(CMC_Object* object, CXArchive* archive);
    void drop(WorldLink* link);
    void purge();
    void signal(WorldLink* link, const char* what);

    // "FILENAME": the world file.
    CXString fileName;
    std::unique_ptr<IVemto> world;
    std::vector<WorldLink*> links;
    CWorldView view;
    // How many steps are running: a signal's behaviour may step again.
    int stepping = 0;
};
