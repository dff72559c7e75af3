#include "objects/ScriptPath.h"

#include "base/Archive.h"
#include "collections/Vector.h"
#include "objects/FilterEffect.h"
#include "objects/PathRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

CMC_Path::CMC_Path(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_PATH), nodes(new CXArray(101, 0.75f)), density(1.0)
{
    if (CXArray* names = element ? element->getPropertyListValue(CXString("NODES")) : nullptr) {
        for (int i = 0; i < names->getSize(); ++i)
            add(container, *static_cast<CXString*>((*names)[i]));
        CXString::releaseToVector(names);
    }
    initializeBehaviours(container, element);
}

CMC_Path::CMC_Path() : CMC_Object(CXString("temp"), MC_PATH), nodes(nullptr), density(1.0) {}

CMC_Path::~CMC_Path()
{
    removeAll();
    delete nodes;
}

void CMC_Path::add(CMC_ObjectsContainer* container, const CXString& nodeName)
{
    add(container ? container->getObject(nodeName) : nullptr);
}

void CMC_Path::add(CMC_Object* node)
{
    if (!nodes)
        nodes = new CXArray(101, 0.75f);
    nodes->add(node);
    CMC_Groups::joined(node, this);
}

void CMC_Path::removeAll()
{
    for (int i = 0; i < getSize(); ++i)
        CMC_Groups::left(getNode(i), this);
    if (nodes)
        nodes->removeAll();
    unresolved.clear();
}

void CMC_Path::forget(CMC_Object* node)
{
    for (int at = nodes && node ? nodes->find(node) : -1; at >= 0; at = nodes->find(node))
        nodes->setAt(at, nullptr);
}

int CMC_Path::getSize() const { return nodes ? nodes->getSize() : 0; }

CMC_Object* CMC_Path::getNode(int index) const
{
    return index >= 0 && index < getSize() ? static_cast<CMC_Object*>(nodes->at(index)) : nullptr;
}

CXString CMC_Path::toString()
{
    if (inText)
        return getName();
    inText = true;
    CXString text;
    for (int i = 0; i < getSize(); ++i) {
        CMC_Object* node = getNode(i);
        text += "[";
        if (node)
            text += node->toString();
        text += "]";
    }
    inText = false;
    return text;
}

CXString** CMC_Path::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_Path::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << getSize();
        for (int i = 0; i < getSize(); ++i) {
            CMC_Object* node = getNode(i);
            *archive << (node ? node->getName() : CXString());
        }
        return;
    }
    int count = 0;
    *archive >> &count;
    removeAll();
    for (int i = 0; i < count && !archive->LastError(); ++i) {
        CXString nodeName;
        *archive >> &nodeName;
        if (archive->LastError())
            break;
        add(scene, nodeName);
        if (!getNode(i) && nodeName.IsString()) {
            unresolved.resize(size_t(i) + 1);
            unresolved[size_t(i)] = nodeName;
        }
    }
}

void CMC_Path::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element)
{
    CMC_Object::initializeBehaviours(container, element);
    if (element || unresolved.empty())
        return;
    std::vector<CXString> names;
    names.swap(unresolved);
    for (size_t i = 0; i < names.size() && int(i) < getSize(); ++i) {
        CMC_Object* node = names[i].IsString() && scene ? scene->getObject(names[i]) : nullptr;
        if (node && !getNode(int(i))) {
            nodes->setAt(int(i), node);
            CMC_Groups::joined(node, this);
        }
    }
}

// Registration

namespace {

CMC_Object* makePath(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Path(c, e); }
CMC_Object* restorePath(CMC_Scene*) { return new CMC_Path(); }

// What the FILTER's "PATH" effect reads; a node that is no VECTOR object
// is no step.
int nodeCount(CMC_Object* path) { return static_cast<CMC_Path*>(path)->getSize(); }
CMC_Vector* vectorNode(CMC_Object* path, int index)
{
    CMC_Object* node = static_cast<CMC_Path*>(path)->getNode(index);
    return node && node->getType() == MC_VECTOR ? static_cast<CMC_Vector*>(node) : nullptr;
}
double densityOf(CMC_Object* path) { return static_cast<CMC_Path*>(path)->getDensity(); }
const CPathEffect::PathAccess pathAccess = {&nodeCount, &vectorNode, &densityOf};

CMC_RegisterType typeRegistration("PATH", 6, &makePath);
CMC_RegisterSnapshotType snapshotRegistration(MC_PATH, &restorePath);
CMC_RegisterRunner<CMC_Path_Runner> runnerRegistration({MC_PATH});

struct Registration {
    Registration() { CPathEffect::setPathAccess(&pathAccess); }
} registration;

} // namespace
