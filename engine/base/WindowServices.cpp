#include "base/WindowServices.h"

#include "base/XObject.h"

#include <algorithm>

namespace {
CXTimer* engineTimer = nullptr;
CDeferredTrash* engineTrash = nullptr;
} // namespace

CXTimer* CWindowServices::getTimer() { return engineTimer; }
void CWindowServices::setTimer(CXTimer* timer) { engineTimer = timer; }
CDeferredTrash* CWindowServices::getTrash() { return engineTrash; }
void CWindowServices::setTrash(CDeferredTrash* trash) { engineTrash = trash; }

void CTrashList::add(CXObject* object)
{
    if (object && std::find(members.begin(), members.end(), object) == members.end())
        members.push_back(object);
}

void CTrashList::remove(CXObject* object)
{
    members.erase(std::remove(members.begin(), members.end(), object), members.end());
}

void CTrashList::sweep()
{
    std::vector<CXObject*> marked;
    for (CXObject* o : members)
        if (o->isToDelete())
            marked.push_back(o);
    for (CXObject* o : marked) {
        auto it = std::find(members.begin(), members.end(), o);
        if (it == members.end())
            continue;
        members.erase(it);
        delete o;
    }
}
