#pragma once
#include "script/Group.h"
#include "script/Object.h"

#include <vector>

// The script PATH (type 2017): an ordered list of nodes, other script
// objects of the scene (VECTOR objects give the steps of a route), and a
// density, which the FILTER's "PATH" effect reads to walk a drawable along
// the nodes. It raises only the common events.
//
// Names are resolved once, when they are read (at construction, by ADD, or
// from a snapshot): a name that names no object leaves an empty entry,
// which counts as a node, has the name "" and the text form "[]". The path
// does not own its nodes; a node deleted while the path holds it leaves an
// empty entry in its place (CMC_Groups::objectGone), so the path never
// reaches an object that is gone.
class CMC_Path : public CMC_Object, private CMC_GroupMembers {
public:
    // "NODES": a list of names; without it the path has no nodes.
    CMC_Path(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", without a node list until serialize.
    CMC_Path();
    ~CMC_Path() override;
    CMC_Path(const CMC_Path&) = delete;
    CMC_Path& operator=(const CMC_Path&) = delete;

    // "[" + each node's own text form + "]", joined without separators. A
    // path reached again while its text is being made (a path among its own
    // nodes, directly or through others) gives its name there.
    CXString toString() override;
    CXString** getBehavioursList() override;
    // After the base record: the number of entries and each entry's name
    // ("" for an empty one). The density is not kept: a restored path has
    // 1.0. Reading resolves the names in the object's scene.
    void serialize(CXArchive* archive) override;
    // A path read from a snapshot finds here, once its scene holds every
    // restored object (they join it only after all records are read), the
    // nodes its scene did not hold while its record was read.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    // Appends the object of that name in the container (the container, then
    // its parents), or an empty entry.
    void add(CMC_ObjectsContainer* container, const CXString& nodeName);
    int getSize() const;
    // Null for an empty entry or an index outside the list.
    CMC_Object* getNode(int index) const;
    double getDensity() const { return density; }
    void setDensity(double d) { density = d; }

private:
    // CMC_GroupMembers: how the registry of held objects reaches the path.
    void add(CMC_Object* node) override;
    void removeAll() override;
    int getMembersNo() override { return getSize(); }
    CMC_Object* getMember(int index) override { return getNode(index); }
    void forget(CMC_Object* node) override;

    CXArray* nodes;
    double density;
    // Names read from a snapshot whose objects were not found yet, by
    // entry; empty when nothing waits.
    std::vector<CXString> unresolved;
    bool inText = false;
};
